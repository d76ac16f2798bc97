#include <Hyx/Atom.h>
#include <Hyx/AtomInfo.h>
#include <Hyx/DataBlock.h>
#include <Hyx/DataLayerPlaceholder.h>
#include <Hyx/DataTypeSegmentInfo.h>
#include <Hyx/HyxLookupTable.h>
#include <Hyx/SerializeToMemory.h>

#include "StreamTestLayers.h"
#include "StreamTestUtil.h"

#include <ThrownText.h>
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>

using namespace HyxTest;
using Hyx::Atom;
using Hyx::HyxErrorCode;
using Hyx::SerializeToMemory;
using VornCommon::Guid;

namespace {

std::shared_ptr<StreamTestCompressedLayer> compressedLayer(const Bytes& payload)
{
    auto layer = StreamTestLayer<StreamTestCompressedLayer>(payload);
    layer->InitializeCompressionInfo(StreamTestUnknownType(), 7, 2);
    return layer;
}

// A layer that claims a payload too large for any record.
class HugeLayer : public Hyx::DataLayer {
public:
    HugeLayer() : DataLayer(0) {}
    VornCommon::Guid TypeGuid() const override { return StreamTestUnknownType(); }
    Hyx::DataLayerClassInfo GetDataLayerClassInfo() const override { return {}; }
    const uint8_t* Serialize(uint32_t& size) override
    {
        size = std::numeric_limits<uint32_t>::max() - 10;
        return &_byte;
    }

protected:
    bool deserializeAndMigrate(uint8_t*, uint32_t) override { return true; }

private:
    uint8_t _byte = 0;
};

class CountingWriter : public SerializeToMemory {
public:
    bool result = true;
    int calls = 0;
    Bytes seen;

protected:
    bool onFlush() override
    {
        ++calls;
        seen = PackedBytes(*this);
        return result;
    }
};

} // namespace

TEST(AtomStreamWriter, HeaderIsMagicThenVersion)
{
    SerializeToMemory writer;
    writer.pack_hyxheader();
    EXPECT_EQ(PackedBytes(writer),
              (Bytes{0x0A, 0x48, 0x59, 0x58, 0x5F, 0x51, 0x75, 0x6F, 0x72, 0x65, 0x6C, 0xD0, 0x07, 0x00, 0x00}));

    SerializeToMemory old(Hyx::HYX_FORMAT_VERSION_1001);
    old.pack_hyxheader();
    const Bytes bytes = PackedBytes(old);
    ASSERT_EQ(bytes.size(), 15u);
    EXPECT_EQ(U32At(bytes, 11), 1001u);
}

TEST(AtomStreamWriter, PrimitivesAppendLittleEndianBytes)
{
    SerializeToMemory w;
    w.pack_bool(true);
    w.pack_uint8_(0xAB);
    w.pack_int16(-2);
    w.pack_uint16(0x1234);
    w.pack_uint24(0xAABBCCDD);
    w.pack_int32(-1);
    w.pack_uint32(0x01020304);
    w.pack_float(1.0f);
    w.pack_int64(-2);
    w.pack_uint64_(0x0102030405060708ull);
    w.pack_double(2.0);
    EXPECT_EQ(PackedBytes(w),
              (Bytes{0x01, 0xAB, 0xFE, 0xFF, 0x34, 0x12, 0xDD, 0xCC, 0xBB, 0xFF, 0xFF, 0xFF, 0xFF, 0x04, 0x03,
                     0x02, 0x01, 0x00, 0x00, 0x80, 0x3F, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x08,
                     0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x40}));

    SerializeToMemory s;
    s.pack_shortstring("");
    s.pack_normalstring("ab");
    s.pack_longstring("c");
    s.pack_string("de");
    EXPECT_EQ(PackedBytes(s), (Bytes{0x00, 0x02, 0x00, 'a', 'b', 0x01, 0x00, 0x00, 0x00, 'c', 'd', 'e'}));

    const float floats[3] = {1.0f, 2.0f, 3.0f};
    const unsigned short shorts[2] = {1, 2};
    const double doubles[2] = {1.0, 2.0};
    SerializeToMemory a, b;
    a.pack_floatarray(floats, 3, true);
    b.pack_floatarray(floats, 3, false);
    EXPECT_EQ((std::tuple{a.GetPackedDataSize(), U32At(PackedBytes(a), 0), b.GetPackedDataSize()}),
              std::tuple(16u, 3u, 12u));
    b.pack_uint16array(shorts, 2, true);
    b.pack_doublearray(doubles, 2, false);
    EXPECT_EQ(b.GetPackedDataSize(), 12u + 8u + 16u);

    const Guid g = Guid::FromHexString("6F0022F4-A3D5-4CCA-8DAC-ADCC3B37C839");
    SerializeToMemory c;
    c.pack_guid(g);
    EXPECT_EQ(PackedBytes(c),
              (Bytes{0xF4, 0x22, 0x00, 0x6F, 0xD5, 0xA3, 0xCA, 0x4C, 0x8D, 0xAC, 0xAD, 0xCC, 0x3B, 0x37, 0xC8, 0x39}));
    c.pack_uint32(0xCAFEBABEu, 12u);
    EXPECT_EQ(std::tuple(U32At(PackedBytes(c), 12), c.GetPackedDataSize()), std::tuple(0xCAFEBABEu, 16u));
    EXPECT_THROW(c.pack_uint32(1u, 13u), std::out_of_range);
}

TEST(AtomStreamWriter, OverlongStringsAreRefusedWithoutWriting)
{
    SerializeToMemory w;
    w.pack_uint8_(1);
    EXPECT_THROW(w.pack_shortstring(std::string(256, 'x')), std::length_error);
    EXPECT_THROW(w.pack_normalstring(std::string(65536, 'x')), std::length_error);
    EXPECT_EQ(w.GetPackedDataSize(), 1u);
    w.pack_shortstring(std::string(255, 'x'));
    EXPECT_EQ(w.GetPackedDataSize(), 257u);
}

TEST(AtomStreamWriter, RecordAndBlockSizes)
{
    SerializeToMemory w;
    auto empty = std::make_shared<Atom>(Hyx::AtomId::Create(0, 2, 7), 99);
    ASSERT_EQ(w.pack_atom(empty), HyxErrorCode::Success);
    Bytes bytes = PackedBytes(w);
    ASSERT_EQ(bytes.size(), 16u);
    EXPECT_EQ(std::tuple(U32At(bytes, 0), U32At(bytes, 4)), std::tuple(16u, Hyx::AtomId::Create(0, 2, 7)));

    const Bytes payload(10, 0x42);
    auto atom = std::make_shared<Atom>(1u, 5u);
    atom->AddDataLayer(StreamTestLayer<StreamTestPlainLayer>(payload), false);
    atom->AddDataLayer(compressedLayer(payload), false);
    SerializeToMemory w2;
    ASSERT_EQ(w2.pack_atom(atom), HyxErrorCode::Success);
    bytes = PackedBytes(w2);
    ASSERT_EQ(bytes.size(), 16u + 55u + 76u);
    // Sizes and kinds; the plain body's purpose, type and payload version.
    EXPECT_EQ((std::tuple{U32At(bytes, 0), U32At(bytes, 16), bytes[20], U32At(bytes, 16 + 55), bytes[16 + 55 + 4],
                          Guid::FromRawBytes(bytes.data() + 16 + 5), Guid::FromRawBytes(bytes.data() + 16 + 21),
                          bytes[16 + 39]}),
              std::tuple(bytes.size(), 45u + 10u, 0, 66u + 10u, 1, StreamTestPurpose(), StreamTestPlainType(), 1));
    // Compressed body: source type at 41, source version at 57, reserved, type at 61, size at 62.
    const size_t c = 16 + 55;
    EXPECT_EQ(
        (std::tuple{Guid::FromRawBytes(bytes.data() + c + 41), bytes[c + 57], bytes[c + 61], U32At(bytes, c + 62)}),
        std::tuple(StreamTestUnknownType(), 7, 2, 10u));
}

TEST(AtomStreamWriter, RefusedAtomsLeaveTheBufferUnchanged)
{
    CapturedLog log;
    SerializeToMemory w;
    w.pack_hyxheader();
    EXPECT_EQ(w.pack_atom(nullptr), HyxErrorCode::FailedToPackAtom);

    auto huge = std::make_shared<Atom>(0u, 0u);
    huge->AddDataLayer(StreamTestLayer<StreamTestPlainLayer>({1, 2, 3}), false);
    huge->AddDataLayer(std::make_shared<HugeLayer>(), false);
    EXPECT_EQ((std::tuple{w.pack_atom(huge),
                          std::tuple(w.GetPackedDataSize(), CountAtLevel(log, VornCommon::LogLevel::Error))}),
              std::tuple(HyxErrorCode::FailedToPackAtom, std::tuple(15u, 2u)));

    // The writer still works afterwards, also when no shared pointer owns it.
    auto ok = std::make_shared<Atom>(0u, 0u);
    ok->AddDataLayer(StreamTestLayer<StreamTestPlainLayer>({1}), false);
    EXPECT_EQ((std::tuple{w.pack_atom(ok), w.GetPackedDataSize()}), std::tuple(HyxErrorCode::Success, 15u + 16u + 46u));
}

TEST(AtomStreamWriter, CompressedBlockNeedsACompressedLayer)
{
    // A kind-1 record always carries the compression fields, which a plain layer lacks: such
    // a block would be written in a form that no reader can frame, so it is refused.
    CapturedLog log;
    SerializeToMemory w;
    w.pack_hyxheader();
    auto atom = std::make_shared<Atom>(0u, 0u);
    atom->AddDataLayer(StreamTestLayer<StreamTestPlainLayer>({1, 2, 3}), false);
    atom->AddDataBlock(std::make_shared<Hyx::DataBlockBlob>(Hyx::DataType::CompressedBlob,
                                                            StreamTestLayer<StreamTestPlainLayer>({4, 5})));
    EXPECT_EQ((std::tuple{w.pack_atom(atom),
                          std::tuple(w.GetPackedDataSize(), CountAtLevel(log, VornCommon::LogLevel::Error))}),
              std::tuple(HyxErrorCode::FailedToPackAtom, std::tuple(15u, 1u)));

    // A kind-1 block of a compressed layer is written as before.
    auto ok = std::make_shared<Atom>(0u, 0u);
    ok->AddDataBlock(std::make_shared<Hyx::DataBlockBlob>(Hyx::DataType::CompressedBlob, compressedLayer({4, 5})));
    EXPECT_EQ((std::tuple{w.pack_atom(ok), w.GetPackedDataSize()}), std::tuple(HyxErrorCode::Success, 15u + 16u + 68u));
}

TEST(AtomStreamWriter, RollbackKeepsBorrowedBytes)
{
    uint8_t storage[4096] = {};
    auto buffer = std::make_shared<Hyx::FlatMemoryUInt8>();
    buffer->SetWithoutCopyAndDoNotTakeResponsibilityToDelete(storage, sizeof storage);
    buffer->clear();
    SerializeToMemory w(Hyx::HYX_FORMAT_VERSION_2000, buffer);
    w.pack_hyxheader();
    auto huge = std::make_shared<Atom>(0u, 0u);
    huge->AddDataLayer(std::make_shared<HugeLayer>(), false);
    EXPECT_EQ((std::tuple{w.pack_atom(huge), (std::tuple{w.GetPackedDataSize(), w.GetPackedDataPtr()[0],
                                                         std::memcmp(w.GetPackedDataPtr() + 1, "HYX_Quorel", 10)})}),
              std::tuple(HyxErrorCode::FailedToPackAtom, std::tuple(15u, 0x0A, 0)));
    w.pack_uint8_(9);
    EXPECT_EQ(PackedBytes(w).back(), 9);
}

TEST(AtomStreamWriter, FlushKeepsBytesWhenTheHookFails)
{
    CountingWriter w;
    EXPECT_EQ((std::tuple{w.Flush(), w.calls}), std::tuple(true, 0));
    w.pack_uint32(7u);
    w.result = false;
    EXPECT_EQ((std::tuple{w.Flush(), w.calls, w.GetPackedDataSize(), w.GetFlushedDataSize()}),
              std::tuple(false, 1, 4u, 0u));
    w.result = true;
    const uint32_t capacity = w.GetBuffer()->capacity();
    EXPECT_EQ((std::tuple{w.Flush(), w.seen, w.GetPackedDataSize(), w.GetFlushedDataSize(), w.GetBuffer()->capacity()}),
              std::tuple(true, Bytes{7, 0, 0, 0}, 0u, 4u, capacity));
}

TEST(AtomStreamWriter, IndexedPackFilesAtomInfo)
{
    auto table = std::make_shared<Hyx::HyxLookupTable>();
    SerializeToMemory w;
    w.pack_hyxheader();

    auto first = std::make_shared<Atom>(Hyx::AtomId::Create(0, 3, 0), 10);
    first->AddDataLayer(StreamTestLayer<StreamTestPlainLayer>({1, 2, 3}), false);
    first->AddDataLayer(compressedLayer({4, 5}), false);
    auto segment = std::make_shared<Hyx::DataTypeSegmentInfo>();
    segment->SetSegmentInfo(4);
    first->AddDataLayer(segment, false);
    auto lastSegment = std::make_shared<Hyx::DataTypeSegmentInfo>();
    lastSegment->SetSegmentInfo(9);
    first->AddDataLayer(lastSegment, false);
    ASSERT_EQ(w.pack_atom(first, table), HyxErrorCode::Success);

    auto info = table->GetAtomInfo(3, 0);
    ASSERT_TRUE(info);
    EXPECT_EQ((std::tuple{info->payloadOffset, info->payloadSize, info->segmentId, info->GetTimeStamp()}),
              std::tuple(31u, w.GetPackedDataSize() - 15u - 16u, 9u, 10u));
    ASSERT_EQ(info->layers.size(), 4u);
    // Offset, size, and the GUIDs in order of first use: purpose, type, then the compressed
    // block's source type.
    const auto layer = [&](int i) {
        const auto& l = *info->layers[i];
        return std::tuple(l.offset, l.size, l.purposeIndex, l.typeIndex, l.compressedTypeIndex);
    };
    EXPECT_EQ((std::tuple{layer(0), layer(1), std::tuple(table->GetGuid(3), table->GetGuid(4), table->GetGuid(5))}),
              std::tuple(std::tuple(0u, 48u, 0, 1, 0), std::tuple(48u, 68u, 0, 2, 3),
                         std::tuple(StreamTestUnknownType(), Guid::Nil, Hyx::DataTypeSegmentInfo::TheTypeGuid())));
    const uint32_t guids = table->GetGuidCount();

    // After a flush the offsets count the flushed bytes; the second atom reuses the GUIDs.
    const uint64_t flushed = w.GetPackedDataSize();
    ASSERT_TRUE(w.Flush());
    auto second = std::make_shared<Atom>(Hyx::AtomId::Create(0, 3, 1), 11);
    second->AddDataLayer(StreamTestLayer<StreamTestPlainLayer>({6}), false);
    ASSERT_EQ(w.pack_atom(second, table), HyxErrorCode::Success);
    auto info2 = table->GetAtomInfo(3, 1);
    ASSERT_TRUE(info2);
    EXPECT_EQ((std::tuple{info2->payloadOffset, info2->segmentId, table->GetGuidCount()}),
              std::tuple(flushed + 16u, 0u, guids));

    // An empty atom still files a record with an empty list.
    ASSERT_EQ(w.pack_atom(std::make_shared<Atom>(Hyx::AtomId::Create(0, 5, 0), 12), table), HyxErrorCode::Success);
    auto empty = table->GetAtomInfo(5, 0);
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->payloadSize, 0u);
    EXPECT_TRUE(empty->layers.empty());
}

TEST(AtomStreamWriter, NonChronologicalFrameWritesNothing)
{
    auto table = std::make_shared<Hyx::HyxLookupTable>();
    SerializeToMemory w;
    auto atom = std::make_shared<Atom>(Hyx::AtomId::Create(0, 1, 0), 0);
    atom->AddDataLayer(StreamTestLayer<StreamTestPlainLayer>({1}), false);
    ASSERT_EQ(w.pack_atom(atom, table), HyxErrorCode::Success);
    const Bytes before = PackedBytes(w);
    const uint32_t guids = table->GetGuidCount();

    auto again = std::make_shared<Atom>(Hyx::AtomId::Create(0, 1, 0), 1);
    again->AddDataLayer(std::make_shared<Hyx::DataLayerPlaceholder>(StreamTestUnknownCompressedType()), false);
    EXPECT_EQ((std::tuple{ThrownText<std::logic_error>([&] { w.pack_atom(again, table); }),
                          (std::tuple{PackedBytes(w), table->GetNumFrames(1), table->GetGuidCount()})}),
              std::tuple("Frames in non-chronological order not (yet) supported.", std::tuple(before, 1u, guids)));
}
