#include <Hyx/Atom.h>
#include <Hyx/DataLayerPlaceholder.h>
#include <Hyx/DataTypeByteArray.h>
#include <Hyx/DataTypeGroupInfo.h>
#include <Hyx/DeserializeFromMemory.h>
#include <Hyx/SerializeToMemory.h>

#include "LayerTestUtil.h"
#include "StreamTestUtil.h"

#include <gtest/gtest.h>

using namespace Hyx;
using HyxTest::Bytes;
using HyxTest::EndsWith;
using HyxTest::Loaded;
using HyxTest::PayloadOf;

TEST(DataTypeGroupInfo, PayloadVersionsAndNames)
{
    DataTypeGroupInfo layer;
    EXPECT_EQ(PayloadOf(layer), (Bytes{0, 0, 0}));
    EXPECT_EQ(layer.GetVersion(), 1);
    layer.SetGroupInfo(7);
    layer.SetGroupName("A");
    EXPECT_EQ(PayloadOf(layer), (Bytes{7, 0, 'A', 0}));
    EXPECT_TRUE(EndsWith(layer.ToString(false), ", GroupID=7, GroupName=A"));

    // An embedded NUL ends the name: member and payload agree.
    layer.SetGroupName(std::string("B\0C", 3));
    EXPECT_EQ(layer.GetGroupName(), "B");
    EXPECT_EQ(PayloadOf(layer), (Bytes{7, 0, 'B', 0}));

    const struct {
        uint16_t version;
        Bytes payload;
        uint16_t id;
        const char* name;
        bool accepted;
    } cases[] = {
        {0, {9, 1}, 0x0109, "B", true}, // version 0 keeps the current name
        {1, {9, 1, 'x', 0}, 0x0109, "x", true},
        {1, {9, 1, 'x'}, 0x0109, "", true}, // name without its NUL
        {1, {9}, 0, "", true},
        {2, {9, 1}, 7, "B", false},
    };
    for (const auto& c : cases) {
        auto loaded = std::make_shared<DataTypeGroupInfo>();
        loaded->SetGroupInfo(7);
        loaded->SetGroupName("B");
        loaded->InitializeHeader(VornCommon::Guid::Nil, c.version);
        Bytes copy = c.payload;
        EXPECT_EQ(loaded->InitializeData(copy.data(), uint32_t(copy.size())), c.accepted);
        EXPECT_EQ(loaded->GetGroupId(), c.id);
        EXPECT_EQ(loaded->GetGroupName(), c.name);
    }
}

TEST(DataTypeByteArray, LoadsAndSerialisesTheArray)
{
    const Bytes five = {1, 2, 3, 4, 5};
    auto layer = Loaded<DataTypeByteArray>(five, 0);
    EXPECT_EQ(layer->GetByteArray().Size(), 5u);
    EXPECT_TRUE(EndsWith(layer->ToString(false), ", Size=5"));
    layer->updateStatusProperties();
    EXPECT_EQ(layer->getStatusPropertyValue("Size"), "5");
    EXPECT_EQ(PayloadOf(*layer), five);

    // Serialize gives the array as it is now, not the loaded payload.
    const uint8_t more[] = {6};
    layer->GetByteArray().Append(more, 1);
    EXPECT_EQ(PayloadOf(*layer), (Bytes{1, 2, 3, 4, 5, 6}));
    bool ok = true;
    Loaded<DataTypeByteArray>(five, 1, &ok);
    EXPECT_FALSE(ok);
}

// A stored version the class does not know comes back as a placeholder of the same type
// that writes the same block again.
TEST(DataTypeGroupInfo, TooNewVersionSurvivesAStreamAsPlaceholder)
{
    auto layer = std::make_shared<DataTypeGroupInfo>();
    layer->SetGroupName("G");
    layer->InitializeHeader(VornCommon::Guid::Nil, 5);
    auto atom = std::make_shared<Atom>(0u, 0ull);
    atom->AddDataLayer(layer, false);
    SerializeToMemory writer;
    ASSERT_EQ(writer.pack_atom(atom), HyxErrorCode::Success);
    const Bytes first = HyxTest::PackedBytes(writer);

    CapturedLog log;
    HyxTest::ExactReader reader(first);
    const auto back = reader->unpack_atom();
    ASSERT_TRUE(back);
    const auto placeholder = std::dynamic_pointer_cast<DataLayerPlaceholder>(back->GetAllDataLayers().at(0));
    ASSERT_TRUE(placeholder);
    EXPECT_EQ(placeholder->TypeGuid(), DataTypeGroupInfo::TheTypeGuid());
    SerializeToMemory again;
    again.pack_atom(back);
    EXPECT_EQ(HyxTest::PackedBytes(again), first);
}
