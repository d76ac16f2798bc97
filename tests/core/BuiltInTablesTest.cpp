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
    EXPECT_EQ((std::tuple{std::size(HYXPurposeGuids::ALL_PURPOSE_GUIDS), std::size(BuiltIn::BUILTIN_DATA_LAYER_CLASSES),
                          std::size(BuiltIn::BUILTIN_FILTER_CLASSES), guids.size()}),
              std::tuple(30u, 56u, 94u, 180u));
}
