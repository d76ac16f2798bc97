#include <Hyx/Atom.h>
#include <Hyx/DataLayerPlaceholder.h>
#include <Hyx/DataTypeAtom.h>
#include <Hyx/DataTypeCaptureMetadata.h>
#include <Hyx/DataTypeGroupInfo.h>
#include <Hyx/SerializeToMemory.h>

#include "LayerTestUtil.h"
#include "StreamTestUtil.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace Hyx;
using HyxTest::Bytes;
using HyxTest::EndsWith;
using HyxTest::Loaded;
using HyxTest::PayloadOf;

namespace {

std::shared_ptr<DataLayer> group(uint16_t id)
{
    auto layer = std::make_shared<DataTypeGroupInfo>();
    layer->SetGroupInfo(id);
    return layer;
}

/// An atom layer nested levels deep (1: a plain atom layer holding one group layer).
std::shared_ptr<DataTypeAtom> nested(int levels)
{
    auto layer = std::make_shared<DataTypeAtom>();
    layer->Add(group(1));
    for (int i = 1; i < levels; ++i) {
        auto outer = std::make_shared<DataTypeAtom>();
        outer->Add(layer);
        layer = outer;
    }
    return layer;
}

/// A stream record of an atom holding one atom-layer block with the given payload, written
/// as it is.
Bytes recordAround(Bytes payload)
{
    auto holder = std::make_shared<DataLayerPlaceholder>(DataTypeAtom::TheTypeGuid());
    holder->InitializeData(payload.data(), uint32_t(payload.size()));
    auto atom = std::make_shared<Atom>(0u, 0ull);
    atom->AddDataLayer(holder, false);
    SerializeToMemory writer;
    writer.pack_atom(atom);
    return HyxTest::PackedBytes(writer);
}

uint32_t u32At(const Bytes& b, size_t at)
{
    uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

} // namespace

TEST(DataTypeAtom, RoundTripOfAddedLayers)
{
    DataTypeAtom layer;
    EXPECT_EQ(layer.NumDataLayers(), 0);
    EXPECT_TRUE(EndsWith(layer.ToString(false), ", Num=0"));
    EXPECT_TRUE(PayloadOf(layer).empty());
    EXPECT_EQ(Loaded<DataTypeAtom>({}, 0)->NumDataLayers(), 0);

    auto second = std::make_shared<DataTypeSegmentInfo>();
    second->SetSegmentInfo(9);
    layer.Add(group(7));
    layer.Add(second);
    EXPECT_EQ(layer.GetDataLayer(1), second); // held, not copied
    const Bytes record = PayloadOf(layer);
    ASSERT_GE(record.size(), 16u);
    EXPECT_EQ(u32At(record, 0), record.size());
    EXPECT_EQ(PayloadOf(layer), record);

    auto back = Loaded<DataTypeAtom>(record, 0);
    ASSERT_EQ(back->NumDataLayers(), 2);
    EXPECT_EQ(std::dynamic_pointer_cast<DataTypeGroupInfo>(back->GetDataLayer(0))->GetGroupId(), 7);
    EXPECT_EQ(std::dynamic_pointer_cast<DataTypeSegmentInfo>(back->GetDataLayer(1))->GetSegmentId(), 9);
    EXPECT_EQ(back->GetRawDataPtr(), nullptr); // the payload is dropped after loading
    EXPECT_EQ(PayloadOf(*back), record);
    EXPECT_EQ(back->GetDataLayer(2), nullptr);

    layer.Add(group(8));
    auto three = Loaded<DataTypeAtom>(PayloadOf(layer), 0);
    EXPECT_EQ(three->NumDataLayers(), 3);
    three->Remove(0);
    three->Remove(5);
    ASSERT_EQ(three->NumDataLayers(), 2);
    EXPECT_EQ(three->GetDataLayer(0)->TypeGuid(), DataTypeSegmentInfo::TheTypeGuid());
    EXPECT_EQ(std::dynamic_pointer_cast<DataTypeGroupInfo>(three->GetDataLayer(1))->GetGroupId(), 8);
}

// Every truncation is refused and keeps its bytes, also through a stream, where it becomes a
// placeholder that writes them again.
TEST(DataTypeAtom, TruncatedRecordsAreRefusedAndKept)
{
    CapturedLog log;
    const Bytes record = PayloadOf(*nested(2));
    for (size_t n = 1; n < record.size(); ++n) {
        const Bytes part(record.begin(), record.begin() + long(n));
        bool ok = true;
        auto layer = Loaded<DataTypeAtom>(part, 0, &ok);
        EXPECT_FALSE(ok) << n;
        EXPECT_EQ(layer->NumDataLayers(), 0);
        EXPECT_EQ(PayloadOf(*layer), part);
    }
    Bytes trailing = record;
    trailing.push_back(0);
    bool ok = true;
    Loaded<DataTypeAtom>(trailing, 0, &ok);
    EXPECT_FALSE(ok);

    const Bytes stream = recordAround(Bytes(record.begin(), record.end() - 1));
    HyxTest::ExactReader reader(stream);
    const auto back = reader->unpack_atom();
    ASSERT_TRUE(back);
    EXPECT_TRUE(std::dynamic_pointer_cast<DataLayerPlaceholder>(back->GetAllDataLayers().at(0)));
    SerializeToMemory again;
    again.pack_atom(back);
    EXPECT_EQ(HyxTest::PackedBytes(again), stream);
}

TEST(DataTypeAtom, NestingIsLimited)
{
    CapturedLog log;
    const auto deepest = nested(DataTypeAtom::MAX_NESTING);
    const Bytes record = PayloadOf(*deepest);
    auto back = Loaded<DataTypeAtom>(record, 0);
    EXPECT_EQ(back->NumDataLayers(), 1);

    // One level more, written by hand around the bytes above: the level past the limit is
    // not read, it stays a placeholder of its bytes.
    std::shared_ptr<DataLayer> level = Loaded<DataTypeAtom>(recordAround(record), 0);
    for (int depth = 1; depth <= DataTypeAtom::MAX_NESTING; ++depth) {
        auto atomLayer = std::dynamic_pointer_cast<DataTypeAtom>(level);
        ASSERT_TRUE(atomLayer) << depth;
        level = atomLayer->GetDataLayer(0);
    }
    EXPECT_TRUE(std::dynamic_pointer_cast<DataLayerPlaceholder>(level));
    EXPECT_EQ(PayloadOf(*level), PayloadOf(*nested(1)));

    // Built in memory, the same depth cannot be written; nor can a layer inside itself.
    auto tooDeep = nested(DataTypeAtom::MAX_NESTING + 1);
    uint32_t size = 0;
    EXPECT_THROW(tooDeep->Serialize(size), std::runtime_error);
    auto self = std::make_shared<DataTypeAtom>();
    self->Add(self);
    EXPECT_THROW(self->Serialize(size), std::runtime_error);
    self->Remove(0);
}

TEST(DataTypeAtom, UnsupportedVersion)
{
    DataTypeAtom layer;
    layer.InitializeHeader(VornCommon::Guid::Nil, 1);
    uint32_t size = 0;
    try {
        layer.Serialize(size);
        ADD_FAILURE();
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "DataTypeAtom version not supported!");
    }
    bool ok = true;
    Loaded<DataTypeAtom>(PayloadOf(*nested(1)), 1, &ok);
    EXPECT_FALSE(ok);
}
