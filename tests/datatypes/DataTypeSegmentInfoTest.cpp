#include <Hyx/DataLayerFactory.h>
#include <Hyx/DataTypeSegmentInfo.h>

#include <gtest/gtest.h>

#include <cstring>

using Hyx::DataTypeSegmentInfo;

TEST(DataTypeSegmentInfo, PayloadTextAndStatus)
{
    DataTypeSegmentInfo layer;
    uint32_t size = 0;
    const uint8_t* payload = layer.Serialize(size);
    ASSERT_EQ(size, 2u);
    EXPECT_EQ((std::tuple{payload[0] | payload[1], layer.GetVersion()}), std::tuple(0, 0));

    layer.SetSegmentInfo(0x1234);
    payload = layer.Serialize(size);
    ASSERT_EQ(size, 2u);
    EXPECT_EQ(payload[0], 0x34);
    EXPECT_EQ(payload[1], 0x12);
    EXPECT_EQ(layer.GetSegmentId(), 0x1234);
    const std::string text = layer.ToString(false);
    EXPECT_EQ(text.substr(text.size() - 16), ", SegmentID=4660");
    layer.updateStatusProperties();
    EXPECT_EQ(layer.getStatusPropertyValue("Segment id"), "4660");

    EXPECT_EQ(
        (std::tuple{DataTypeSegmentInfo::TheTypeGuid().ToHexString(),
                    layer.GetDataLayerClassInfo().GetNiceClassName()}),
        std::tuple(VornCommon::String("D935D227-BBF3-4CF2-A9BA-A9274F31AADF"), VornCommon::String("SegmentInfo")));
}

TEST(DataTypeSegmentInfo, ShortPayloadsAndUnknownVersions)
{
    DataTypeSegmentInfo layer;
    uint8_t one[1] = {7};
    EXPECT_EQ((std::tuple{bool(layer.InitializeData(one, 1)), layer.GetSegmentId()}), std::tuple(true, 0));
    uint8_t three[3] = {5, 0, 9};
    EXPECT_EQ((std::tuple{bool(layer.InitializeData(three, 3)), layer.GetSegmentId()}), std::tuple(true, 5));

    layer.InitializeHeader(VornCommon::Guid::Nil, 1);
    uint8_t two[2] = {1, 0};
    EXPECT_FALSE(layer.InitializeData(two, 2));
}
