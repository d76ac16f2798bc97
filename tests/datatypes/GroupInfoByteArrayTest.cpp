#include <Hyx/DataTypeByteArray.h>
#include <Hyx/DataTypeGroupInfo.h>

#include "LayerTestUtil.h"

#include <gtest/gtest.h>

using namespace Hyx;
using namespace HyxTest;

TEST(DataTypeGroupInfo, PayloadVersionsAndNames)
{
    DataTypeGroupInfo layer;
    EXPECT_EQ(PayloadOf(layer), (Bytes{0, 0, 0}));
    layer.SetGroupInfo(7);
    layer.SetGroupName(std::string("A\0C", 3)); // the name ends at its NUL, as stored
    EXPECT_EQ((std::tuple{PayloadOf(layer), layer.GetGroupName(),
                          EndsWith(layer.ToString(false), ", GroupID=7, GroupName=A")}),
              std::tuple((Bytes{7, 0, 'A', 0}), "A", true));

    const struct {
        uint16_t version;
        Bytes payload;
        uint16_t id;
        const char* name;
    } cases[] = {
        {0, {9, 1}, 0x0109, "A"}, // version 0 keeps the current name
        {1, {9, 1, 'x', 0}, 0x0109, "x"},
        {1, {9, 1, 'x'}, 0x0109, ""},
        {1, {9}, 0, ""},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(LoadExact(layer, c.payload, c.version));
        EXPECT_EQ(layer.GetGroupId(), c.id);
        EXPECT_EQ(layer.GetGroupName(), c.name);
        layer.SetGroupName("A");
    }
    EXPECT_FALSE(LoadExact(layer, {9, 1}, 2));
}

TEST(DataTypeByteArray, SerialisesTheArray)
{
    const Bytes five = {1, 2, 3, 4, 5};
    auto layer = Loaded<DataTypeByteArray>(five, 0);
    EXPECT_EQ((std::tuple{EndsWith(layer->ToString(false), ", Size=5"), PayloadOf(*layer)}), std::tuple(true, five));
    const uint8_t more[] = {6};
    layer->GetByteArray().Append(more, 1); // Serialize gives the array, not the loaded payload
    EXPECT_EQ((std::tuple{PayloadOf(*layer), bool(LoadExact(*layer, five, 1))}),
              std::tuple((Bytes{1, 2, 3, 4, 5, 6}), false));
}
