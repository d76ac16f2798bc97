// Parameters that pick an entry of a list: enumerations, string choices, GUID and input
// profile selections, and the per-data-profile switches.

#include <Hyx/DataProfile.h>
#include <Hyx/FilterParamChoice.h>
#include <Hyx/FilterParamDataProfile.h>
#include <Hyx/Profile.h>

#include "CapturedLog.h"
#include "ParamRecorder.h"

#include <ThrownText.h>
#include <gtest/gtest.h>

#include <stdexcept>

using namespace Hyx;
using HyxTest::Watched;
using VornCommon::Guid;

namespace {

const Guid kA = Guid::FromHexString("6F0022F4-A3D5-4CCA-8DAC-ADCC3B37C839");
const Guid kB = Guid::FromHexString("9533AA0B-403E-49F3-9A2E-7D44BDBB3E95");
const Guid kC = Guid::FromHexString("45370842-2AB3-41C7-8440-09533B283FC6");

} // namespace

TEST(FilterParamChoice, EnumIndexedPositions)
{
    Watched<FilterParamEnumIndexed> w(std::make_shared<FilterParamEnumIndexed>(
        "Unit", 0u, 20, std::vector<std::string>{"mm", "cm", "m"}, std::vector<int>{10, 20, 30}));
    EXPECT_EQ(w.param->GetValueAsString(), "1");
    w.param->SetValueAsString("7"); // clamped to the last position
    EXPECT_EQ(w.param->GetValue(), 30);
    EXPECT_EQ(w.param->GetValueAsString(), "2");
    w.param->SetValueAsString("-3");
    EXPECT_EQ(w.param->GetValue(), 10);
    w.param->SetValueAsString("abc"); // lenient: position 0, unchanged value
    w.param->SetValueAsString("0");
    EXPECT_EQ(w.Notified(), 2u);
    EXPECT_EQ(w.param->GetEnumStrings(), (std::vector<std::string>{"mm", "cm", "m"}));

    // An unlisted value reads as position 0; a value listed twice maps to its first position.
    auto unlisted = std::make_shared<FilterParamEnumIndexed>("u", 0u, 99, std::vector<std::string>{"a", "b"},
                                                             std::vector<int>{1, 2});
    EXPECT_EQ(unlisted->GetValueAsString(), "0");
    auto twice = std::make_shared<FilterParamEnumIndexed>("t", 0u, 5, std::vector<std::string>{"a", "b", "c"},
                                                          std::vector<int>{1, 5, 5});
    EXPECT_EQ(twice->GetValueAsString(), "1");
    auto empty = std::make_shared<FilterParamEnumIndexed>("e", 0u, 3, std::vector<std::string>{}, std::vector<int>{});
    empty->SetValueAsString("1");
    EXPECT_EQ(empty->GetValue(), 3);

    EXPECT_EQ(ThrownText([&] { FilterParamEnumIndexed("bad", 0u, 0, {"a"}, {1, 2}); }), "Invalid index enum map");
}

TEST(FilterParamChoice, StringChoicesTakeOnlyListedEntries)
{
    CapturedLog log;
    Watched<FilterParamStringChoices> w(std::make_shared<FilterParamStringChoices>(
        "Codec", 0u, 2, std::vector<FilterParamStringChoices::Choice>{{"lz4", 2}, {"zlib", 3}, {"LZ4", 2}}));
    EXPECT_EQ(w.param->GetValueAsString(), "lz4");
    w.param->SetValueAsString("zlib");
    EXPECT_EQ(w.param->GetValue(), 3);
    w.param->SetValueAsString("zlib"); // same: no notification
    EXPECT_EQ(w.Notified(), 1u);
    w.param->SetValueAsString("ZLIB"); // case-sensitive: refused
    EXPECT_EQ(w.param->GetValue(), 3);
    ASSERT_EQ(log.Entries().size(), 1u);
    EXPECT_EQ(log.Entries()[0].text, "Filter parameter 'Codec' does not support value ZLIB");
    EXPECT_EQ(log.Entries()[0].level, VornCommon::LogLevel::Error);
    w.param->SetValue(7);
    EXPECT_EQ(log.Entries()[1].text, "Filter parameter 'Codec' does not support value 7");
    w.param->SetValue(2);
    EXPECT_EQ(w.param->GetValueAsString(), "lz4");
    EXPECT_EQ(w.Notified(), 2u);
    EXPECT_TRUE(w.param->CanHaveValue(3));
    EXPECT_FALSE(w.param->CanHaveValue(4));
    EXPECT_TRUE(w.param->CanHaveValue("LZ4"));
    EXPECT_FALSE(w.param->CanHaveValue("Lz4"));

    // Two lists pair by position up to the shorter; the mismatch is logged.
    log.Clear();
    auto paired = std::make_shared<FilterParamStringChoices>("p", 0u, 1, std::vector<std::string>{"a", "b", "c"},
                                                             std::vector<int>{1, 2});
    EXPECT_EQ(paired->GetChoices().size(), 2u);
    EXPECT_FALSE(paired->CanHaveValue("c"));
    EXPECT_TRUE(log.Contains("Vectors must have same size."));
    log.Clear();
    auto none = std::make_shared<FilterParamStringChoices>("n", 0u, 1, std::vector<FilterParamStringChoices::Choice>{});
    EXPECT_TRUE(log.Contains("At least one choice value required"));
    EXPECT_EQ(none->GetValueAsString(), "");
    auto stranger =
        std::make_shared<FilterParamStringChoices>("s", 0u, 9, std::vector<FilterParamStringChoices::Choice>{{"a", 1}});
    EXPECT_TRUE(log.Contains("Initial choice value is not allowed"));
}

TEST(FilterParamChoice, GuidSelection)
{
    CapturedLog log;
    Watched<FilterParamGuid> w(std::make_shared<FilterParamGuid>("Purpose", 0u, std::vector<Guid>{kA, kB}));
    EXPECT_EQ(w.param->GetValueIndex(), 0);
    EXPECT_EQ(w.param->GetValue(), kA);
    EXPECT_EQ(w.param->GetValueAsString(), "0");
    w.param->SetValueAsString("1");
    EXPECT_EQ(w.param->GetValue(), kB);
    // An index outside the list is refused: no out-of-bounds selection.
    w.param->SetValueAsString("9");
    w.param->SetValueAsString("-1");
    EXPECT_EQ(w.param->GetValueIndex(), 1);
    EXPECT_EQ(log.Entries().size(), 2u);
    EXPECT_EQ(log.Entries()[0].text, "Filter parameter 'Purpose' does not support value 9");
    w.param->SetSelectedGuid(kA);
    EXPECT_EQ(w.param->GetValueIndex(), 0);
    w.param->SetSelectedGuid(kC); // not listed: unchanged
    EXPECT_EQ(w.param->GetValueIndex(), 0);
    EXPECT_EQ(w.Notified(), 2u);

    auto empty = std::make_shared<FilterParamGuid>("None", 0u, std::vector<Guid>{});
    EXPECT_EQ(empty->GetValueIndex(), -1);
    EXPECT_TRUE(empty->GetValue().IsNil());
    EXPECT_EQ(empty->GetValueAsString(), "-1");
    empty->SetValueAsString("0");
    EXPECT_EQ(empty->GetValueIndex(), -1);
}

TEST(FilterParamChoice, InputProfileSelection)
{
    CapturedLog log;
    auto first = std::make_shared<Profile>(kA, kB);
    auto second = std::make_shared<Profile>(kC, kB);
    Watched<FilterParamInputProfiles> w(
        std::make_shared<FilterParamInputProfiles>("Input Profile", FilterParam::FLAG_REQUIRES_PREINITIALIZE,
                                                   std::vector<std::shared_ptr<Profile>>{first, second}));
    EXPECT_EQ(w.param->GetValue(), first);
    w.param->SetValueAsString("9"); // two candidates: refused, no crash
    EXPECT_EQ(w.param->GetValue(), first);
    EXPECT_EQ(w.Notified(), 0u);
    // Selected by equal text, not by object.
    w.param->SetSelectedProfile(std::make_shared<Profile>(kC, kB));
    EXPECT_EQ(w.param->GetValue(), second);
    EXPECT_EQ(w.param->GetValueAsString(), "1");
    w.param->SetSelectedProfile(std::make_shared<Profile>(kA, kA));
    w.param->SetSelectedProfile(nullptr);
    EXPECT_EQ(w.param->GetValueIndex(), 1);
    EXPECT_EQ(w.Notified(), 1u);

    auto empty =
        std::make_shared<FilterParamInputProfiles>("Input Profile", 1u, std::vector<std::shared_ptr<Profile>>{});
    EXPECT_EQ(empty->GetValue(), nullptr);
}
