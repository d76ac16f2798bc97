#include <Hyx/DataLayerPlaceholder.h>

#include <gtest/gtest.h>

#include <cstring>

using VornCommon::Guid;

TEST(DataLayerPlaceholder, CompressedPlaceholderKeepsCompressionFields)
{
    const Guid type = Guid::FromHexString("0F0E0D0C-0B0A-0908-0706-050403020100");
    const Guid source = Guid::FromHexString("9533AA0B-403E-49F3-9A2E-7D44BDBB3E95");
    Hyx::DataLayerCompressedPlaceholder layer(type);
    layer.InitializeCompressionInfo(source, 3, 129);
    EXPECT_EQ((std::tuple{layer.TypeGuid(), layer.GetCompressedBlobTypeGuid(), layer.GetCompressedBlobVersion(),
                          layer.GetCompressionType(), layer.GetDataLayerClassInfo().GetNiceClassName(),
                          bool(layer.InitializeData(nullptr, 0))}),
              std::tuple(type, source, 3, 129, VornCommon::String("Unknown"), true));
    EXPECT_NE(layer.ToString(false).find(", CompressedType=9533AA0B-403E-49F3-9A2E-7D44BDBB3E95"), std::string::npos);
}
