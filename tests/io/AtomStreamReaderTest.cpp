#include <Hyx/Atom.h>
#include <Hyx/DataBlock.h>
#include <Hyx/DataLayerPlaceholder.h>
#include <Hyx/DeserializeFromMemory.h>
#include <Hyx/SerializeToMemory.h>

#include "StreamTestLayers.h"
#include "StreamTestUtil.h"

#include <ThrownText.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>

using namespace HyxTest;
using Hyx::Atom;
using Hyx::DataLayer;
using Hyx::HyxErrorCode;
using Hyx::SerializeToMemory;
using VornCommon::Guid;
using VornCommon::LogLevel;

namespace {

// An atom with a registered plain, a registered compressed, an unregistered plain and an
// unregistered compressed layer.
std::shared_ptr<Atom> mixedAtom()
{
    auto atom = std::make_shared<Atom>(Hyx::AtomId::Create(0, 4, 17), 123456789ull);
    atom->AddDataLayer(StreamTestLayer<StreamTestPlainLayer>({1, 2, 3, 4}), false);
    auto compressed = std::make_shared<StreamTestCompressedLayer>();
    compressed->InitializeHeader(StreamTestPurpose(), 0);
    compressed->InitializeCompressionInfo(StreamTestPlainType(), 1, 3);
    SetPayload(*compressed, {9, 8, 7});
    atom->AddDataLayer(compressed, false);
    auto unknown = std::make_shared<Hyx::DataLayerPlaceholder>(StreamTestUnknownType());
    unknown->InitializeHeader(StreamTestPurpose(), 5);
    SetPayload(*unknown, {0xEE, 0x01});
    atom->AddDataLayer(unknown, false);
    auto unknownCompressed = std::make_shared<Hyx::DataLayerCompressedPlaceholder>(StreamTestUnknownCompressedType());
    unknownCompressed->InitializeHeader(Guid::Nil, 2);
    unknownCompressed->InitializeCompressionInfo(StreamTestUnknownType(), 4, 200);
    SetPayload(*unknownCompressed, {});
    atom->AddDataLayer(unknownCompressed, false);
    return atom;
}

Bytes packed(const std::shared_ptr<Atom>& atom, bool header = false)
{
    SerializeToMemory w;
    if (header)
        w.pack_hyxheader();
    EXPECT_EQ(w.pack_atom(atom), HyxErrorCode::Success);
    return PackedBytes(w);
}

} // namespace

TEST(AtomStreamReader, MixedAtomRoundTripsByteForByte)
{
    const Bytes first = packed(mixedAtom(), true);
    ExactReader reader(first);
    ASSERT_TRUE(reader->unpack_hyxheader());
    auto atom = reader->unpack_atom();
    ASSERT_TRUE(atom);
    EXPECT_EQ((std::tuple{reader->GetRemainingDataSize(), atom->GetId(), atom->GetTimeStamp()}),
              std::tuple(0u, Hyx::AtomId::Create(0, 4, 17), 123456789ull));
    const auto layers = atom->GetAllDataLayers();
    ASSERT_EQ(layers.size(), 4u);
    EXPECT_TRUE(std::dynamic_pointer_cast<StreamTestPlainLayer>(layers[0]));
    auto compressed = std::dynamic_pointer_cast<StreamTestCompressedLayer>(layers[1]);
    auto unknown = std::dynamic_pointer_cast<Hyx::DataLayerPlaceholder>(layers[2]);
    auto unknownCompressed = std::dynamic_pointer_cast<Hyx::DataLayerCompressedPlaceholder>(layers[3]);
    ASSERT_TRUE(compressed && unknown && unknownCompressed);
    EXPECT_EQ(
        (std::tuple{(std::tuple{compressed->GetCompressedBlobTypeGuid(), compressed->GetCompressedBlobVersion(),
                                compressed->GetCompressionType()}),
                    (std::tuple{unknown->TypeGuid(), unknown->GetVersion(),
                                unknown->GetDataLayerClassInfo().GetNiceClassName()}),
                    (std::tuple{unknownCompressed->TypeGuid(), unknownCompressed->GetCompressedBlobTypeGuid(),
                                unknownCompressed->GetCompressionType(), atom->GetAllDataBlocks()[3]->GetDataType()})}),
        std::tuple(std::tuple(StreamTestPlainType(), 1, 3),
                   std::tuple(StreamTestUnknownType(), 5, VornCommon::String("Unknown")),
                   std::tuple(StreamTestUnknownCompressedType(), StreamTestUnknownType(), 200,
                              Hyx::DataType::CompressedBlob)));

    EXPECT_EQ(packed(atom, true), first);
}

TEST(AtomStreamReader, RefusedPayloadsComeBackAsPlaceholdersWithTheSameBytes)
{
    RegisterStreamTestLayers();
    CapturedLog log;
    auto atom = std::make_shared<Atom>(0u, 0u);
    // Stored at a version the class does not know, and a body the class rejects.
    auto newer = std::make_shared<Hyx::DataLayerPlaceholder>(StreamTestPlainType());
    newer->InitializeHeader(StreamTestPurpose(), 9);
    SetPayload(*newer, {1, 2});
    atom->AddDataLayer(newer, false);
    auto rejected = std::make_shared<Hyx::DataLayerCompressedPlaceholder>(StreamTestCompressedType());
    rejected->InitializeHeader(StreamTestPurpose(), 0);
    rejected->InitializeCompressionInfo(StreamTestPlainType(), 1, 0xEE);
    SetPayload(*rejected, {3});
    atom->AddDataLayer(rejected, false);
    const Bytes first = packed(atom);

    ExactReader reader(first);
    auto back = reader->unpack_atom();
    ASSERT_TRUE(back);
    const auto layers = back->GetAllDataLayers();
    ASSERT_EQ(layers.size(), 2u);
    auto plain = std::dynamic_pointer_cast<Hyx::DataLayerPlaceholder>(layers[0]);
    auto compressed = std::dynamic_pointer_cast<Hyx::DataLayerCompressedPlaceholder>(layers[1]);
    ASSERT_TRUE(plain && compressed);
    EXPECT_EQ((std::tuple{(std::tuple{plain->TypeGuid(), plain->GetVersion(), compressed->GetCompressionType()}),
                          packed(back)}),
              std::tuple(std::tuple(StreamTestPlainType(), 9, 0xEE), first));
    EXPECT_EQ(CountAtLevel(log, LogLevel::Error), 2u); // one refusal line per layer
}

TEST(AtomStreamReader, CompressionFieldsFollowTheBlockKindAndTheClass)
{
    // A kind-0 block of a registered compressed class carries the fields too.
    auto atom = std::make_shared<Atom>(0u, 0u);
    auto compressed = StreamTestLayer<StreamTestCompressedLayer>({5, 5});
    compressed->InitializeCompressionInfo(StreamTestUnknownType(), 2, 1);
    atom->AddDataLayer(compressed, false);
    Bytes kind0 = packed(atom);
    kind0[16 + 4] = 0;
    {
        ExactReader reader(kind0);
        auto back = reader->unpack_atom();
        ASSERT_TRUE(back);
        EXPECT_EQ((std::tuple{back->GetAllDataBlocks()[0]->GetDataType(),
                              bool(std::dynamic_pointer_cast<StreamTestCompressedLayer>(back->GetAllDataLayers()[0])),
                              packed(back)}),
                  std::tuple(Hyx::DataType::Blob, true, kind0));
    }

    // A kind-1 block of a registered plain class keeps its fields in a compressed placeholder.
    SerializeToMemory w;
    for (uint32_t word : {16u + 66u + 2u, 0u, 0u, 0u, 66u + 2u})
        w.pack_uint32(word); // record size, id, time stamp (two words), block size
    w.pack_uint8_(1);
    w.pack_guid(StreamTestPurpose());
    w.pack_guid(StreamTestPlainType());
    w.pack_uint32(0x00010000u); // two 16-bit fields: 0, 1
    w.pack_guid(StreamTestUnknownType());
    w.pack_uint32(3u); // two 16-bit fields: 3, 0
    w.pack_uint8_(4);
    w.pack_uint32(2u);
    w.pack_uint16(0x0101);
    const Bytes kind1 = PackedBytes(w);
    ExactReader reader(kind1);
    auto back = reader->unpack_atom();
    ASSERT_TRUE(back);
    auto placeholder = std::dynamic_pointer_cast<Hyx::DataLayerCompressedPlaceholder>(back->GetAllDataLayers()[0]);
    ASSERT_TRUE(placeholder);
    EXPECT_EQ((std::tuple{placeholder->TypeGuid(), packed(back)}), std::tuple(StreamTestPlainType(), kind1));
}

TEST(AtomStreamReader, EmptyAtomAndBlockWithSlack)
{
    ExactReader reader(packed(std::make_shared<Atom>(5u, 6u)));
    auto atom = reader->unpack_atom();
    ASSERT_TRUE(atom);
    EXPECT_TRUE(atom->GetAllDataBlocks().empty());

    // Unused bytes at the end of a block are stepped over: the next block still reads.
    auto two = std::make_shared<Atom>(0u, 0u);
    two->AddDataLayer(StreamTestLayer<StreamTestPlainLayer>({1}), false);
    two->AddDataLayer(StreamTestLayer<StreamTestPlainLayer>({2}), false);
    Bytes bytes = packed(two);
    bytes.insert(bytes.begin() + 16 + 46, {0xAA, 0xBB, 0xCC});
    PutU32(bytes, 0, static_cast<uint32_t>(bytes.size()));
    PutU32(bytes, 16, 46 + 3);
    ExactReader slack(bytes);
    auto back = slack->unpack_atom();
    ASSERT_TRUE(back);
    ASSERT_EQ(back->GetAllDataLayers().size(), 2u);
    uint32_t size = 0;
    EXPECT_EQ(back->GetAllDataLayers()[1]->Serialize(size)[0], 2);
}

TEST(AtomStreamReader, HeaderChecks)
{
    SerializeToMemory w;
    w.pack_hyxheader();
    Bytes header = PackedBytes(w);
    ExactReader good(header);
    EXPECT_EQ((std::tuple{good->unpack_hyxheader(), good->GetHyxFormatVersion()}),
              std::tuple(true, Hyx::HYX_FORMAT_VERSION_2000));
    Bytes lower = header;
    lower[1] = 'h';
    ExactReader wrongCase(lower), wrongStart(Bytes{0xFF, 'H', 'Y', 'X', '_'});
    ExactReader cut(Bytes(header.begin(), header.begin() + 13));
    EXPECT_EQ((std::tuple{wrongCase->unpack_hyxheader(), wrongCase->GetReaderPos(), wrongStart->unpack_hyxheader(),
                          wrongStart->GetRemainingDataSize(), cut->unpack_hyxheader()}),
              std::tuple(false, 11u, false, 5u, false));

    // Version 1001 is kept but refused, and block reading under it throws.
    SerializeToMemory old(Hyx::HYX_FORMAT_VERSION_1001);
    old.pack_hyxheader();
    auto atom = std::make_shared<Atom>(0u, 0u);
    atom->AddDataLayer(StreamTestLayer<StreamTestPlainLayer>({1}), false);
    ASSERT_EQ(old.pack_atom(atom), HyxErrorCode::Success);
    ASSERT_EQ(old.pack_atom(atom), HyxErrorCode::Success);
    ExactReader reader(PackedBytes(old));
    EXPECT_EQ((std::tuple{bool(reader->unpack_hyxheader()), reader->GetHyxFormatVersion(),
                          ThrownText<std::runtime_error>([&] { reader->unpack_atom(); })}),
              std::tuple(false, Hyx::HYX_FORMAT_VERSION_1001, "HYX version not supported"));
    EXPECT_EQ(reader->GetReaderPos(), 15u + 62u); // past the atom
    unsigned char kind = 0;
    EXPECT_THROW(reader->unpack_dataheader(kind), std::runtime_error);
    EXPECT_EQ((std::tuple{bool(reader->SetHyxFormatVersion(Hyx::HYX_FORMAT_VERSION_0)),
                          bool(reader->SetHyxFormatVersion(Hyx::HYX_FORMAT_VERSION_2000))}),
              std::tuple(false, true));
    auto second = reader->unpack_atom();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->GetAllDataLayers().size(), 1u);
}

TEST(AtomStreamReader, UnknownBlockKindThrowsAndSkipsTheAtom)
{
    auto atom = std::make_shared<Atom>(0u, 0u);
    atom->AddDataLayer(StreamTestLayer<StreamTestPlainLayer>({1}), false);
    Bytes bytes = packed(atom);
    bytes[16 + 4] = 7;
    const Bytes good = packed(atom);
    bytes.insert(bytes.end(), good.begin(), good.end());
    ExactReader reader(bytes);
    EXPECT_EQ(ThrownText<std::logic_error>([&] { reader->unpack_atom(); }),
              "DataBlock::Deserialize: data-type not supported.");
    EXPECT_EQ(reader->GetReaderPos(), good.size());
    EXPECT_TRUE(reader->unpack_atom());
}

TEST(AtomStreamReader, MalformedRecordsGiveNoAtom)
{
    CapturedLog log;
    auto atom = std::make_shared<Atom>(0u, 0u);
    atom->AddDataLayer(StreamTestLayer<StreamTestPlainLayer>({1, 2, 3, 4}), false);
    const Bytes good = packed(atom); // 16 + 49 bytes

    const auto expectNoAtom = [&](const Bytes& bytes, const char* what) {
        ExactReader reader(bytes);
        EXPECT_FALSE(reader->unpack_atom()) << what;
        EXPECT_EQ(reader->GetRemainingDataSize(), 0u) << what;
    };
    for (uint32_t blockSize : {0u, 4u, 50u, 0xFFFFFFFFu}) {
        Bytes bad = good;
        PutU32(bad, 16, blockSize);
        expectNoAtom(bad, "block size");
    }
    Bytes record = good;
    PutU32(record, 0, 15);
    expectNoAtom(record, "record size 15");
    PutU32(record, 0, static_cast<uint32_t>(good.size()) + 1);
    expectNoAtom(record, "record size past the end");
    Bytes payload = good;
    PutU32(payload, 16 + 41, 5);
    expectNoAtom(payload, "payload past the block");
    PutU32(payload, 16 + 41, 0xFFFFFFFF);
    expectNoAtom(payload, "huge payload");
    // A block shorter than a blob body.
    Bytes shortBlock = good;
    PutU32(shortBlock, 16, 20);
    expectNoAtom(shortBlock, "short body");
    EXPECT_GE(CountAtLevel(log, LogLevel::Error), 9u);

    // A bad block inside a framed record skips just that record: one shorter than its
    // header, and one running a byte into the next record, still inside the buffer.
    for (uint32_t blockSize : {4u, 50u}) {
        Bytes twoAtoms = good;
        PutU32(twoAtoms, 16, blockSize);
        twoAtoms.insert(twoAtoms.end(), good.begin(), good.end());
        ExactReader reader(twoAtoms);
        EXPECT_FALSE(reader->unpack_atom()) << blockSize;
        EXPECT_EQ(reader->GetReaderPos(), good.size()) << blockSize;
        EXPECT_TRUE(reader->unpack_atom()) << blockSize;
    }
}

TEST(AtomStreamReader, EveryTruncationOfAValidStreamIsRefused)
{
    const Bytes stream = packed(mixedAtom(), true);
    for (size_t cut = 0; cut < stream.size(); ++cut) {
        ExactReader reader(Bytes(stream.begin(), stream.begin() + cut));
        const bool header = reader->unpack_hyxheader();
        if (cut < 15) {
            EXPECT_FALSE(header) << cut;
            continue;
        }
        EXPECT_TRUE(header);
        EXPECT_FALSE(reader->unpack_atom()) << cut;
        EXPECT_EQ(reader->GetRemainingDataSize(), 0u) << cut;
    }
    // Truncating inside the block list while keeping the record size consistent: only cuts
    // at block boundaries give atoms, with the blocks before the cut.
    const Bytes atom = packed(mixedAtom());
    const std::vector<size_t> boundaries = {16 + 49, 16 + 49 + 69, 16 + 49 + 69 + 47};
    for (size_t cut = 17; cut < atom.size(); ++cut) {
        Bytes bytes(atom.begin(), atom.begin() + cut);
        PutU32(bytes, 0, static_cast<uint32_t>(cut));
        ExactReader reader(bytes);
        const auto back = reader->unpack_atom();
        const auto boundary = std::find(boundaries.begin(), boundaries.end(), cut);
        if (boundary == boundaries.end()) {
            EXPECT_FALSE(back) << cut;
        } else {
            ASSERT_TRUE(back) << cut;
            EXPECT_EQ(back->GetAllDataBlocks().size(), static_cast<size_t>(boundary - boundaries.begin()) + 1);
        }
    }
}

TEST(AtomStreamReader, PrimitivesRoundTripAndStopAtTheEnd)
{
    SerializeToMemory w;
    w.pack_bool(true);
    w.pack_uint8_(200);
    w.pack_int16(-3);
    w.pack_uint16(60000);
    w.pack_int32(-4);
    w.pack_uint32(4000000000u);
    w.pack_float(1.5f);
    w.pack_int64(-5);
    w.pack_uint64_(1ull << 40);
    w.pack_double(-2.25);
    const float f4[4] = {1, 2, 3, 4};
    w.pack_float2(f4);
    w.pack_float3(f4);
    w.pack_float4(f4);
    const Guid g = Guid::FromHexString("6F0022F4-A3D5-4CCA-8DAC-ADCC3B37C839");
    w.pack_guid(g);
    w.pack_guid(g);
    const unsigned char bytes[3] = {7, 8, 9};
    w.pack_array(bytes, 3, true);
    w.pack_array(bytes, 3, true);
    w.pack_array(bytes, 3, false);
    const unsigned short shorts[2] = {1, 65535};
    const unsigned int ints[2] = {1, 0xFFFFFFFF};
    w.pack_uint16array(shorts, 2, false);
    w.pack_floatarray(f4, 2, false);
    w.pack_uint32array(ints, 2, true);
    w.pack_string("xyz");
    w.pack_shortstring("short");
    w.pack_normalstring("normal");
    w.pack_longstring("long");

    ExactReader r(PackedBytes(w));
    EXPECT_EQ(
        (std::tuple{r->unpack_bool(), r->unpack_uint8(), r->unpack_int16(), r->unpack_uint16(), r->unpack_int32(),
                    r->unpack_uint32(), r->unpack_float(), r->unpack_int64(), r->unpack_uint64(), r->unpack_double()}),
        std::tuple(true, 200, -3, 60000, -4, 4000000000u, 1.5f, -5, 1ull << 40, -2.25));
    std::vector<float> v2(9, 0.0f), v3(v2), v4(v2);
    Guid back;
    unsigned char raw[16];
    EXPECT_EQ((std::tuple{(std::tuple{r->unpack_float2(&v2), r->unpack_float3(&v3), r->unpack_float4(&v4),
                                      r->unpack_guid(back), r->unpack_guid(raw)}),
                          std::tuple(v2, v3, v4, back, Guid::FromRawBytes(raw))}),
              std::tuple(std::tuple(true, true, true, true, true),
                         std::tuple(std::vector<float>{1, 2}, std::vector<float>{1, 2, 3},
                                    std::vector<float>{1, 2, 3, 4}, g, g)));
    unsigned int n = 0;
    const unsigned char* inside = r->unpack_array(n);
    ASSERT_EQ(n, 3u);
    EXPECT_EQ(inside, r.copy.get() + r->GetReaderPos() - 3); // no copy
    std::vector<unsigned char> vec(10, 0xFF), vec3;
    unsigned short s2[2];
    float f2[2];
    EXPECT_EQ((std::tuple{(std::tuple{r->unpack_array(&vec), r->unpack_array(&vec3, 3), r->unpack_uint16array(s2, 2),
                                      r->unpack_floatarray(f2, 2), r->unpack_uint32()}),
                          std::tuple(vec, vec3.size(), s2[1], f2[1])}),
              std::tuple(std::tuple(true, true, true, true, 2u),
                         std::tuple(std::vector<unsigned char>{7, 8, 9}, 3u, 65535, 2.0f)));
    const uint32_t before = r->GetReaderPos();
    unsigned int i2[2];
    EXPECT_EQ((std::tuple{bool(r->unpack_uint32_tarray(i2, 2)), std::tuple(r->GetReaderPos() - before, i2[1])}),
              std::tuple(true, std::tuple(8u, 0xFFFFFFFFu)));
    std::string texts[4];
    EXPECT_EQ((std::tuple{(std::tuple{r->unpack_string(&texts[0], 3), r->unpack_shortstring(&texts[1]),
                                      r->unpack_normalstring(&texts[2]), r->unpack_longstring(&texts[3]),
                                      r->GetRemainingDataSize()}),
                          std::vector<std::string>(texts, texts + 4)}),
              std::tuple(std::tuple(true, true, true, true, 0u),
                         (std::vector<std::string>{"xyz", "short", "normal", "long"})));
    std::string text;

    // Shortfalls: zero values, nothing consumed.
    EXPECT_EQ((std::tuple{r->unpack_uint32(), bool(r->unpack_guid(back)), back.IsNil()}), std::tuple(0u, false, true));

    ExactReader tiny(Bytes{3, 0, 0, 0, 'a', 'b'});
    // 4n wraps in 32 bits for the uint32 array.
    EXPECT_EQ((std::tuple{tiny->unpack_uint64(), tiny->unpack_longstring(&text), text.empty(), tiny->unpack_array(n), n,
                          tiny->unpack_array(&vec), vec.empty(), tiny->unpack_uint32_tarray(i2, 0x40000001u),
                          tiny->unpack_floatarray(f2, 2), tiny->GetReaderPos(), tiny->unpack_int32(),
                          tiny->unpack_string(&text, 3), tiny->unpack_shortstring(&text)}),
              std::tuple(0u, false, true, nullptr, 0u, false, true, false, false, 0u, 3, false, false));
    // The cursor never passes the end.
    tiny->SeekForwards(0xFFFFFFFFu);
    EXPECT_EQ((std::tuple{tiny->GetRemainingDataSize(), tiny->GetReaderPos(), tiny->unpack_uint8()}),
              std::tuple(0u, 6u, 0));
}
