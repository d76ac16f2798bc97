// The fixed tables of the library: purpose GUIDs and the built-in class table.

#include <Hyx/AtomId.h>
#include <Hyx/ClassInfo.h>
#include <Hyx/GuidAlias.h>
#include <Hyx/HYXPurposeGuids.h>

#include "impl/core/BuiltInClassTable.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace Hyx;
using Hyx::AtomId;
using Hyx::DataLayerClassInfo;
using Hyx::FilterCategory;
using Hyx::FilterClassInfo;
using VornCommon::Guid;
using VornCommon::String;

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

TEST(AtomId, OutOfRangeValuesNeverSpillIntoNeighbours)
{
    // Stream 64 is 0 in six bits; it must not turn into frame 1.
    EXPECT_EQ((std::tuple{AtomId::Create(0, 64, 0), AtomId::SetStreamId(AtomId::Create(0, 3, 9), 64)}),
              std::tuple(0u, AtomId::Create(0, 0, 9)));
    // Frame -2 (0xFFFFFFFE) keeps the type bits 0.
    const uint32_t id = AtomId::SetFrame(AtomId::Create(0, 4, 0), static_cast<uint32_t>(-2));
    EXPECT_EQ((std::tuple{AtomId::GetAtomType(id), AtomId::GetStreamId(id), AtomId::GetFrameNr(id),
                          AtomId::GetAtomType(AtomId::Create(0, 0, 0x400000)), AtomId::SetAtomType(0x0FFFFFFFu, 0x11)}),
              std::tuple(0u, 4u, 0x3FFFFEu, 0u, 0x1FFFFFFFu));
}

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
