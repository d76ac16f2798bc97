#include <Hyx/ClassInfo.h>
#include <Hyx/GuidAlias.h>

#include <gtest/gtest.h>

using Hyx::DataLayerClassInfo;
using Hyx::FilterCategory;
using Hyx::FilterClassInfo;
using VornCommon::Guid;
using VornCommon::String;

TEST(ClassInfo, CategoryNamesAndOutOfRangeValues)
{
    const char* names[] = {
        "Unknown",  "Source",     "Transform",   "Texture Format Conversion", "Texture Color Modifier", "Target",
        "Renderer", "Compressor", "Decompressor"};
    for (int value = 0; value < 9; ++value)
        EXPECT_EQ(Hyx::FilterCategoryDeterminer::GetFilterCategoryName(static_cast<FilterCategory>(value)),
                  String(names[value]));
    EXPECT_EQ((std::tuple{Hyx::FilterCategoryDeterminer::GetFilterCategoryName(static_cast<FilterCategory>(200)),
                          Hyx::FilterCategoryDeterminer::GetFilterCategoryName(static_cast<FilterCategory>(-1))}),
              std::tuple(String("Unknown"), String("Unknown")));
}
