// The fixed tables of the library: purpose GUIDs and the built-in class table.

#include "impl/core/BuiltInClassTable.h"

#include <Hyx/HYXPurposeGuids.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace Hyx;

TEST(BuiltInTables, LiteralsAgreeWithTheParserAndAreDistinct)
{
    std::set<VornCommon::Guid> guids;
    std::set<std::string> names;
    auto check = [&](std::string_view name, std::string_view text) {
        const auto parsed = VornCommon::Guid::FromHexString(std::string(text));
        EXPECT_EQ(parsed.ToHexString().StdString(), text) << name;
        EXPECT_TRUE(guids.insert(parsed).second) << "GUID used twice: " << text;
        EXPECT_TRUE(names.insert(std::string(name)).second) << "name used twice: " << name;
    };
    for (const auto& p : HYXPurposeGuids::ALL_PURPOSE_GUIDS)
        check(p.alias, p.guid.ToHexString().StdString());
    for (const auto& c : BuiltIn::BUILTIN_DATA_LAYER_CLASSES)
        check(c.className, c.typeGuid);
    for (const auto& c : BuiltIn::BUILTIN_FILTER_CLASSES) {
        check(c.className, c.typeGuid);
        EXPECT_TRUE(c.category == 1 || c.category == 2 || c.category == 3 || c.category == 5 || c.category == 7 ||
                    c.category == 8)
            << c.className;
    }
    EXPECT_EQ(std::size(HYXPurposeGuids::ALL_PURPOSE_GUIDS), 30u);
    EXPECT_EQ(std::size(BuiltIn::BUILTIN_DATA_LAYER_CLASSES), 56u);
    EXPECT_EQ(std::size(BuiltIn::BUILTIN_FILTER_CLASSES), 94u);
    EXPECT_EQ(guids.size(), 180u);
}

TEST(BuiltInTables, NamedConstantsAndSpotChecks)
{
    EXPECT_EQ(HYXPurposeGuids::VORN4D, VornCommon::Guid::FromHexString("6F0022F4-A3D5-4CCA-8DAC-ADCC3B37C839"));
    EXPECT_EQ(HYXPurposeGuids::THUMBNAIL, VornCommon::Guid::FromHexString("64645F07-91BB-4DAB-A7AD-1B50F1C1D1F0"));
    EXPECT_EQ(HYXPurposeGuids::SECONDARY_COLOR,
              VornCommon::Guid::FromHexString("188F7F1F-3264-4073-B166-6C1A3DE002A2"));
    EXPECT_EQ(GuidLiteral("6f0022f4-a3d5-4cca-8dac-adcc3b37c839"), HYXPurposeGuids::VORN4D);
    static_assert(BuiltIn::FindDataLayerClass("DataTypeByteArray").typeGuid == "6311EFCE-4237-4832-BEDA-FFBE5C3D0403");
    static_assert(BuiltIn::FindDataLayerClass("DataTypeTextureRGB").typeGuid == "9533AA0B-403E-49F3-9A2E-7D44BDBB3E95");
    static_assert(BuiltIn::FindFilterClass("MutateAutoCompressor").category == 7);
    static_assert(BuiltIn::FindFilterClass("TargetCallback").category == 5);
    static_assert(BuiltIn::FindFilterClass("SourceManualLiveSource").typeGuid ==
                  "2BA13F57-9A00-41AB-9BF7-5B845B2135B0");
}
