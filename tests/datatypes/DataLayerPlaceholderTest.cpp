#include <Hyx/DataLayerPlaceholder.h>

#include <gtest/gtest.h>

#include <cstring>

using VornCommon::Guid;

TEST(DataLayerPlaceholder, KeepsTypeHeaderAndBytesUnread)
{
    const Guid type = Guid::FromHexString("0F0E0D0C-0B0A-0908-0706-050403020100");
    const Guid purpose = Guid::FromHexString("6F0022F4-A3D5-4CCA-8DAC-ADCC3B37C839");
    Hyx::DataLayerPlaceholder layer(type);
    EXPECT_EQ(layer.TypeGuid(), type);
    EXPECT_EQ(layer.GetVersion(), 0);
    EXPECT_EQ(layer.GetDataLayerClassInfo().GetClassName(), VornCommon::String("Unknown"));
    EXPECT_EQ(layer.GetDataLayerClassInfo().GetNiceClassName(), VornCommon::String("Unknown"));

    layer.InitializeHeader(purpose, 4711 & 0xFFFF);
    uint8_t bytes[5] = {0xFF, 0, 1, 2, 3};
    EXPECT_TRUE(layer.InitializeData(bytes, sizeof bytes));
    uint32_t size = 0;
    const uint8_t* payload = layer.Serialize(size);
    ASSERT_EQ(size, 5u);
    EXPECT_EQ(std::memcmp(payload, bytes, 5), 0);
    EXPECT_EQ(layer.GetPurposeGuid(), purpose);
    EXPECT_EQ(layer.GetVersion(), 4711);
    EXPECT_TRUE(layer.InitializeData(layer.AllocateData(0), 0));
    EXPECT_TRUE(layer.deserializeAndMigrate(nullptr, 0));
}

TEST(DataLayerPlaceholder, CompressedPlaceholderKeepsCompressionFields)
{
    const Guid type = Guid::FromHexString("0F0E0D0C-0B0A-0908-0706-050403020100");
    const Guid source = Guid::FromHexString("9533AA0B-403E-49F3-9A2E-7D44BDBB3E95");
    Hyx::DataLayerCompressedPlaceholder layer(type);
    layer.InitializeCompressionInfo(source, 3, 129);
    EXPECT_EQ(layer.TypeGuid(), type);
    EXPECT_EQ(layer.GetCompressedBlobTypeGuid(), source);
    EXPECT_EQ(layer.GetCompressedBlobVersion(), 3);
    EXPECT_EQ(layer.GetCompressionType(), 129);
    EXPECT_EQ(layer.GetDataLayerClassInfo().GetNiceClassName(), VornCommon::String("Unknown"));
    EXPECT_TRUE(layer.InitializeData(nullptr, 0));
    EXPECT_NE(layer.ToString(false).find(", CompressedType=9533AA0B-403E-49F3-9A2E-7D44BDBB3E95"), std::string::npos);
}
