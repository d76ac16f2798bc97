#include <Hyx/Atom.h>
#include <Hyx/DataLayerPlaceholder.h>
#include <Hyx/DataTypeAtom.h>
#include <Hyx/DataTypeGroupInfo.h>

#include "LayerTestUtil.h"
#include "StreamTestUtil.h"

#include <gtest/gtest.h>

using namespace Hyx;
using namespace HyxTest;

namespace {

std::shared_ptr<DataTypeGroupInfo> group(uint16_t id)
{
    auto layer = std::make_shared<DataTypeGroupInfo>();
    layer->SetGroupInfo(id);
    return layer;
}

/// An atom layer nested levels deep; the innermost holds one group layer.
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

/// The stream record of an atom (id 0, timestamp 0) holding these layers.
Bytes recordOf(const std::vector<std::shared_ptr<DataLayer>>& layers)
{
    auto atom = std::make_shared<Atom>(0u, 0ull);
    for (const auto& layer : layers)
        atom->AddDataLayer(layer, false);
    SerializeToMemory writer;
    writer.pack_atom(atom);
    return PackedBytes(writer);
}

/// The record of an atom holding one atom-layer block with this payload, as it is.
Bytes recordAround(Bytes payload)
{
    auto holder = std::make_shared<DataLayerPlaceholder>(DataTypeAtom::TheTypeGuid());
    holder->InitializeData(payload.data(), uint32_t(payload.size()));
    return recordOf({holder});
}

} // namespace

TEST(DataTypeAtom, RoundTripOfAddedLayers)
{
    DataTypeAtom layer;
    EXPECT_TRUE(EndsWith(layer.ToString(false), ", Num=0"));
    EXPECT_EQ(PayloadOf(layer), recordOf({})); // the empty record, which reloads as such
    EXPECT_EQ(Loaded<DataTypeAtom>({}, 0)->NumDataLayers(), 0);

    const auto second = group(9);
    layer.Add(group(7));
    layer.Add(second);
    EXPECT_EQ(layer.GetDataLayer(1), second); // held, not copied
    const Bytes record = PayloadOf(layer);
    EXPECT_EQ(record, recordOf({group(7), group(9)}));
    EXPECT_EQ(PayloadOf(layer), record);

    auto back = Loaded<DataTypeAtom>(record, 0);
    ASSERT_EQ(back->NumDataLayers(), 2);
    EXPECT_EQ(PayloadOf(*back->GetDataLayer(1)), PayloadOf(*second));
    EXPECT_EQ(back->GetRawDataPtr(), nullptr); // dropped after loading, rebuilt on demand
    EXPECT_EQ(PayloadOf(*back), record);

    back->Add(group(8));
    back->Remove(0);
    back->Remove(5);
    EXPECT_EQ((std::tuple{back->GetDataLayer(2), PayloadOf(*back)}),
              std::tuple(nullptr, recordOf({group(9), group(8)})));
    // A nested layer changed after a write is seen by the next one.
    std::dynamic_pointer_cast<DataTypeGroupInfo>(back->GetDataLayer(0))->SetGroupInfo(3);
    EXPECT_EQ(PayloadOf(*back), recordOf({group(3), group(8)}));
}

// Every truncation is refused and keeps its bytes; in a stream it becomes a placeholder that
// writes them again.
TEST(DataTypeAtom, TruncatedRecordsAreRefusedAndKept)
{
    CapturedLog log;
    Bytes record = PayloadOf(*nested(2));
    for (size_t n = 1; n < record.size(); ++n) {
        const Bytes part(record.begin(), record.begin() + long(n));
        DataTypeAtom layer;
        EXPECT_FALSE(LoadExact(layer, part, 0)) << n;
        EXPECT_EQ(PayloadOf(layer), part);
    }
    record.push_back(0);
    EXPECT_FALSE(LoadExact(*Loaded<DataTypeAtom>({}, 0), record, 0)); // trailing bytes

    const Bytes stream = recordAround(Bytes(record.begin(), record.end() - 2));
    ExactReader reader(stream);
    const auto back = reader->unpack_atom();
    ASSERT_TRUE(back);
    EXPECT_TRUE(std::dynamic_pointer_cast<DataLayerPlaceholder>(back->GetAllDataLayers().at(0)));
    SerializeToMemory again;
    again.pack_atom(back);
    EXPECT_EQ(PackedBytes(again), stream);
}

TEST(DataTypeAtom, NestingIsLimited)
{
    CapturedLog log;
    const Bytes record = PayloadOf(*nested(DataTypeAtom::MAX_NESTING));
    // One level more, written around those bytes: the level past the limit stays unread.
    std::shared_ptr<DataLayer> level = Loaded<DataTypeAtom>(recordAround(record), 0);
    for (int depth = 1; depth <= DataTypeAtom::MAX_NESTING; ++depth) {
        auto atomLayer = std::dynamic_pointer_cast<DataTypeAtom>(level);
        ASSERT_TRUE(atomLayer) << depth;
        level = atomLayer->GetDataLayer(0);
    }
    EXPECT_EQ((std::tuple{bool(std::dynamic_pointer_cast<DataLayerPlaceholder>(level)), PayloadOf(*level)}),
              std::tuple(true, PayloadOf(*nested(1))));

    // Built in memory, that depth is not written; nor is a layer inside itself.
    uint32_t size = 0;
    EXPECT_THROW(nested(DataTypeAtom::MAX_NESTING + 1)->Serialize(size), std::runtime_error);
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
    EXPECT_THROW(layer.Serialize(size), std::runtime_error);
    EXPECT_FALSE(LoadExact(layer, PayloadOf(*nested(1)), 1));
}
