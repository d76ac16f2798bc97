#include <Hyx/ClassInfo.h>
#include <Hyx/GuidAlias.h>

#include <gtest/gtest.h>

using Hyx::DataLayerClassInfo;
using Hyx::FilterCategory;
using Hyx::FilterClassInfo;
using VornCommon::Guid;
using VornCommon::String;

TEST(ClassInfo, NiceNamesFollowTheRemovalSteps)
{
    const std::pair<const char*, const char*> filters[] = {
        {"FilterTarget_Source", ""},
        {"MutateMutate", "#Mutate"},
        {"MutateTextureCompressorYUV_NV12", "#TextureCompressorYUVNV12"},
        {"SourceManualLiveSource", "ManualLiveSource"},
        {"TargetCallback", "Callback"},
        {"TransformTextureRGBtoDXT1", "TextureRGBtoDXT1"},
        {"Hyx::TargetHyx::Empty", "Empty"},
        {"Plain", "Plain"},
    };
    for (const auto& [className, nice] : filters)
        EXPECT_EQ(FilterClassInfo::NicifyFilterClassName(className), String(nice)) << className;

    EXPECT_EQ(DataLayerClassInfo::NicifyDataLayerClassName("DataTypeByteArray"), String("ByteArray"));
    EXPECT_EQ(DataLayerClassInfo::NicifyDataLayerClassName("DataTypeDataTypeX"), String("X"));
    EXPECT_EQ(DataLayerClassInfo::NicifyDataLayerClassName("Unknown"), String("Unknown"));

    const DataLayerClassInfo layer(String("DataTypeCylinderCrop"));
    EXPECT_EQ(layer.GetClassName(), String("DataTypeCylinderCrop"));
    EXPECT_EQ(layer.GetNiceClassName(), String("CylinderCrop"));
    const FilterClassInfo filter(String("TargetCallback"), FilterCategory::Target);
    EXPECT_EQ(filter.GetNiceClassName(), String("Callback"));
    EXPECT_EQ(filter.GetCategory(), FilterCategory::Target);
    const FilterClassInfo empty;
    EXPECT_TRUE(empty.GetClassName().IsEmpty());
    EXPECT_EQ(empty.GetCategory(), FilterCategory::Unknown);
}

TEST(GuidAlias, NilIsNamedAndOtherGuidsFallBackToTheirText)
{
    const auto database = Hyx::Utils::GetHYXGuidAliasDatabase();
    ASSERT_NE(database, nullptr);
    EXPECT_EQ(database, Hyx::Utils::GetHYXGuidAliasDatabase());
    EXPECT_EQ(Hyx::Utils::GetGuidAlias(Guid::Nil), String("NIL"));

    const Guid plain = Guid::FromHexString("0B1C2D3E-4F50-6172-8394-A5B6C7D8E9F0");
    EXPECT_EQ(Hyx::Utils::GetGuidAlias(plain), String("0B1C2D3E-4F50-6172-8394-A5B6C7D8E9F0"));
    database->RegisterGuidAlias(plain, String("Named"));
    EXPECT_EQ(Hyx::Utils::GetGuidAlias(plain), String("Named"));
    database->UnregisterGuidAlias(plain);
}

TEST(ClassInfo, CategoryNamesAndOutOfRangeValues)
{
    const char* names[] = {
        "Unknown",  "Source",     "Transform",   "Texture Format Conversion", "Texture Color Modifier", "Target",
        "Renderer", "Compressor", "Decompressor"};
    for (int value = 0; value < 9; ++value)
        EXPECT_EQ(Hyx::FilterCategoryDeterminer::GetFilterCategoryName(static_cast<FilterCategory>(value)),
                  String(names[value]));
    EXPECT_EQ(Hyx::FilterCategoryDeterminer::GetFilterCategoryName(static_cast<FilterCategory>(200)),
              String("Unknown"));
    EXPECT_EQ(Hyx::FilterCategoryDeterminer::GetFilterCategoryName(static_cast<FilterCategory>(-1)), String("Unknown"));
}
