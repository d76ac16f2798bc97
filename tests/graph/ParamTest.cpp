// Parameters: text forms and parse rules of every kind, notification only on change, the
// filter's parameter list (stored values, replacement, listeners) and path parameters.

#include "GraphFixtures.h"

#include <VornCommon/VarManager.h>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <limits>
#include <locale>
#include <stdexcept>

using namespace Hyx;
using FilterFixtures::TestFilter;
using FilterFixtures::Watched;
using VornCommon::Guid;
using Code = HyxErrorCode;
using Texts = std::vector<std::string>;
namespace fs = std::filesystem;

namespace {

// Exposes the protected change flag.
class ProbeBool : public FilterParamBool {
public:
    using FilterParamBool::FilterParamBool;
    using FilterParamBool::ValueChanged;
};

struct CommaDecimal : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
};

} // namespace

TEST(FilterParam, BaseNotificationAndCachedText)
{
    auto p = std::make_shared<ProbeBool>("Enabled", 5u, false);
    EXPECT_EQ(p->GetFlags(), 5u);
    EXPECT_EQ(p->GetStatus(), "");
    // Fresh: changed once, then not until a setter changes the value.
    EXPECT_TRUE(p->ValueChanged());
    EXPECT_FALSE(p->ValueChanged());
    // ToString shows the cached text, which nothing has produced yet.
    EXPECT_EQ(p->ToString(), "name=\"Enabled\" value=\"\"");

    // No callback installed: the events still fire.
    FilterFixtures::EventRecorder events;
    p->_events.Add(&events);
    p->SetValue(true);
    EXPECT_EQ(events.Values(), Texts{"True"});
    EXPECT_TRUE(p->ValueChanged());
    EXPECT_EQ(p->ToString(), "name=\"Enabled\" value=\"True\"");
    p->_events.Remove(&events);

    // With a callback: the callback gets the parameter itself and the text.
    FilterFixtures::CallbackRecorder callback;
    p->SetParameterValueChangedCallback(&callback);
    p->SetValueAsString("False");
    p->SetParameterValueChangedCallback(nullptr);
    p->SetValue(true);
    using Call = std::pair<const FilterParam*, std::string>;
    EXPECT_EQ(callback.Calls(), (std::vector<Call>{{p.get(), "False"}}));
    EXPECT_EQ(std::make_shared<FilterParamBool>(nullptr, 0u, true)->GetName(), "");
}

TEST(FilterParam, BoolTextsAndEqualValues)
{
    Watched<FilterParamBool> w(std::make_shared<FilterParamBool>("b", 0u, false));
    for (const char* text : {"TRUE", "yes", "", "0", "tRue", static_cast<const char*>(nullptr)}) {
        w->SetValueAsString(text);
        EXPECT_FALSE(w->GetValue()) << text;
    }
    EXPECT_EQ(w.Notified(), 0u);
    w->SetValueAsString("1");
    EXPECT_EQ(w->GetValueAsString(), "True");
    w->SetValueAsString("true");
    w->SetValueAsString("True");
    EXPECT_EQ(w.Notified(), 1u); // equal values notify nobody
    w->SetValue(false);
    EXPECT_EQ(w->GetValueAsString(), "False");
    EXPECT_EQ(w.events.Values(), (Texts{"True", "False"}));
    EXPECT_TRUE(FilterParamBool::StringToValue("true"));
    EXPECT_FALSE(FilterParamBool::StringToValue(nullptr));
}

TEST(FilterParam, NumberTextsParseStrictlyOrLenientlyByType)
{
    // One text set on a fresh number parameter: the value text after it, or the exception
    // text (the value then stays at its default).
    struct Case {
        char type; // 'i' int32, 'u' uint32, 'l' int64, 'f' float
        const char* text;
        const char* after;
        const char* error = nullptr;
    };
    const auto make = [](char type) -> std::shared_ptr<FilterParam> {
        switch (type) {
        case 'i': return std::make_shared<FilterParamInt32>("i", 0u, 4, 1, 64);
        case 'u': return std::make_shared<FilterParamUInt32>("u", 0u, 1u, 0u, 10u);
        case 'l': return std::make_shared<FilterParamInt64>("l", 0u, 0, 0, 9223372036854775807LL);
        default: return std::make_shared<FilterParamFloat>("f", 0u, 1.5f, 0.0f, 10.0f);
        }
    };
    const Case cases[] = {{'i', "12abc", "12"},
                          {'i', "0x10", "0"}, // the "x" ends the number, silently
                          {'i', "1e3", "1"},
                          {'i', "  -7", "-7"},
                          {'i', "+1000", "1000"}, // not clamped to the maximum
                          {'i', "2147483647", "2147483647"},
                          {'i', "-2147483648", "-2147483648"},
                          {'i', "abc", "4", "invalid stoi argument"},
                          {'i', "", "4", "invalid stoi argument"},
                          {'i', "- 1", "4", "invalid stoi argument"},
                          {'i', nullptr, "4", "invalid stoi argument"},
                          {'i', "2147483648", "4", "stoi argument out of range"},
                          {'i', "-99999999999999999999999", "4", "stoi argument out of range"},
                          // Unsigned wraps negative texts as the 32-bit strtoul does.
                          {'u', "4294967295", "4294967295"},
                          {'u', "-1", "4294967295"},
                          {'u', "-4294967295", "1"},
                          {'u', "4294967296", "1", "stoul argument out of range"},
                          {'u', "-4294967296", "1", "stoul argument out of range"},
                          {'u', "x1", "1", "invalid stoul argument"},
                          {'l', "9223372036854775807", "9223372036854775807"},
                          {'l', "-9223372036854775808", "-9223372036854775808"},
                          {'l', " 42x", "42"},
                          {'l', "9223372036854775808", "0", "stoll argument out of range"},
                          {'l', "18446744073709551616", "0", "stoll argument out of range"},
                          {'l', "abc", "0", "invalid stoll argument"},
                          // Floats read leniently (no number is 0) and print in the default stream format.
                          {'f', "abc", "0"},
                          {'f', " 12.5kg", "12.5"},
                          {'f', "-2.5e2", "-250"},
                          {'f', "2.0", "2"},
                          {'f', "0.1", "0.1"},
                          {'f', "1e7", "1e+07"},
                          {'f', "0.33333333", "0.333333"},
                          {'f', "0x10", "16"},
                          {'f', "inf", "inf"},
                          {'f', "1e40", "inf"},
                          {'f', "nan", "nan"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(1, c.type) + " '" + (c.text ? c.text : "null") + "'");
        Watched<FilterParam> w(make(c.type));
        try {
            w->SetValueAsString(c.text);
            EXPECT_EQ(c.error, nullptr);
        } catch (const std::logic_error& e) { // invalid_argument or out_of_range, as the text says
            EXPECT_STREQ(e.what(), c.error);
        }
        EXPECT_EQ(w->GetValueAsString(), c.after);
        const bool changed = !c.error && w->GetValueAsString() != make(c.type)->GetValueAsString();
        EXPECT_EQ(w.Notified(), changed ? 1u : 0u);
    }
}

TEST(FilterParam, FloatsNotifyByComparisonNotByText)
{
    // A float set from `from` to `to` (by value and by text): the notifications and the text
    // after. NaN is unequal to itself; -0 equals 0.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        float from, to;
        const char* toText;
        size_t notified;
        const char* after;
    } cases[] = {
        {0.0f, -0.0f, "-0", 0, "-0"}, // changed without a notice
        {-0.0f, 0.0f, "0", 0, "0"},   {nan, nan, "nan", 1, "nan"}, // notified though nothing changed
        {1.0f, nan, "nan", 1, "nan"}, {1.0f, 1.0f, "1", 0, "1"},   {1.0f, 2.0f, "2", 1, "2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.toText);
        for (const bool byText : {false, true}) {
            Watched<FilterParamFloat> w(std::make_shared<FilterParamFloat>("f", 0u, c.from, 0.0f, 1.0f));
            if (byText)
                w->SetValueAsString(c.toText);
            else
                w->SetValue(c.to);
            EXPECT_EQ(w.Notified(), c.notified);
            EXPECT_EQ(w->GetValueAsString(), c.after);
        }
    }
    // Vectors compare their components alike, but keep an equal value: -0 for 0 changes
    // nothing, a NaN component notifies at every setting.
    Watched<FilterParamVector2> v(std::make_shared<FilterParamVector2>("v", 0u, 0.0f, 0.0f));
    v->SetValueAsString("-0/0");
    EXPECT_EQ(v.Notified(), 0u);
    EXPECT_EQ(v->GetValueAsString(), "0/0");
    v->SetValueAsString("nan/0");
    v->SetValueAsString("nan/0");
    EXPECT_EQ(v.Notified(), 2u);
    EXPECT_EQ(v->GetValueAsString(), "nan/0");
}

TEST(FilterParam, NumberTextsIgnoreTheGlobalStreamLocale)
{
    const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaDecimal));
    auto p = std::make_shared<FilterParamFloat>("f", 0u, 0.0f, 0.0f, 1.0f);
    p->SetValueAsString("12.5");
    const std::string text = p->GetValueAsString();
    const std::string vectorText = std::make_shared<FilterParamVector3>("v", 0u, 0.5f, 1.5f, 2.0f)->GetValueAsString();
    std::locale::global(previous);
    EXPECT_EQ(p->GetValue(), 12.5f);
    EXPECT_EQ(text, "12.5");
    EXPECT_EQ(vectorText, "0.5/1.5/2");
}

TEST(FilterParam, NumberTextsIgnoreTheHostLocale)
{
    auto p = std::make_shared<FilterParamFloat>("f", 0u, 0.0f, 0.0f, 1.0f);
    const std::string host = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr && std::setlocale(LC_ALL, "de_DE") == nullptr)
        GTEST_SKIP() << "no comma locale installed";
    p->SetValueAsString("2.5");
    const float value = p->GetValue();
    const std::string hostText = p->GetValueAsString();
    std::setlocale(LC_ALL, host.c_str());
    EXPECT_EQ(value, 2.5f);
    EXPECT_EQ(hostText, "2.5");
}

TEST(FilterParamVector, TextFormsAndPartCounts)
{
    Watched<FilterParamVector3> w(std::make_shared<FilterParamVector3>("Scale", 0u, 0.5f, 1.0f, 2.0f));
    EXPECT_EQ(w->GetValueAsString(), "0.5/1/2");
    EXPECT_EQ(w->GetNumComponents(), 3u);
    w->SetValueAsString("1/2/3");
    EXPECT_EQ(w->GetValue(), (std::array<float, 3>{1.0f, 2.0f, 3.0f}));
    // Any other part count leaves the value.
    for (const char* text : {"1/2", "1/2/3/4", "", "1//2/3", "4", static_cast<const char*>(nullptr), "1/2/3"}) {
        w->SetValueAsString(text);
        EXPECT_EQ(w->GetValueAsString(), "1/2/3") << text;
    }
    EXPECT_EQ(w.Notified(), 1u); // the equal text notified nobody
    w->SetValueAsString("a/2.5/-1e3"); // parts are lenient numbers
    EXPECT_EQ(w->GetValueAsString(), "0/2.5/-1000");
    w->SetValue(0.0f, 2.5f, -1000.0f);
    EXPECT_EQ(w.Notified(), 2u);

    const float two[2] = {7.0f, 8.0f};
    auto v2 = std::make_shared<FilterParamVector2>("v2", 0u, two);
    v2->SetValueAsString("1/2/3");
    EXPECT_EQ(v2->GetValueAsString(), "7/8");
    v2->SetValue(1.0f, 2.0f);
    EXPECT_EQ(v2->GetValueAsString(), "1/2");
    auto v4 = std::make_shared<FilterParamVector4>("v4", 0u, nullptr);
    EXPECT_EQ(v4->GetValueAsString(), "0/0/0/0");
    v4->SetValueAsString("1/2/3/4");
    EXPECT_EQ(v4->GetValue(), (std::array<float, 4>{1.0f, 2.0f, 3.0f, 4.0f}));
}

TEST(FilterParamVector, ColourAndMatrixThroughTheirTextForms)
{
    Watched<FilterParamColorRgba> c(std::make_shared<FilterParamColorRgba>("Colour", 0u, VornCommon::Color()));
    const std::string initial = c->GetValueAsString();
    const VornCommon::Color red(1.0f, 0.0f, 0.0f, 0.5f);
    c->SetValueAsString(std::string(red.ToString()).c_str());
    EXPECT_TRUE(c->GetValue() == red);
    c->SetValue(red); // equal: no notification
    EXPECT_EQ(c.Notified(), 1u);
    EXPECT_THROW(c->SetValueAsString("not a colour"), std::invalid_argument);
    EXPECT_TRUE(c->GetValue() == red);
    EXPECT_NE(c->GetValueAsString(), initial);

    Watched<FilterParamMatrix4x4f> m(std::make_shared<FilterParamMatrix4x4f>("M", 0u, VornCommon::Matrix4x4f()));
    const auto moved = VornCommon::Matrix4x4f::CreateTranslation(VornCommon::Vector3f(5.0f, 6.0f, 7.0f));
    m->SetValueAsString(std::string(moved.ToString()).c_str());
    m->SetValueAsString(std::string(moved.ToString()).c_str());
    EXPECT_TRUE(m->GetValue() == moved);
    EXPECT_EQ(m.Notified(), 1u);
    EXPECT_THROW(m->SetValueAsString("1 2 3"), std::invalid_argument);
    EXPECT_TRUE(m->GetValue() == moved);
}

TEST(FilterParamImage, BufferAndNotification)
{
    Watched<FilterParamImage> img(std::make_shared<FilterParamImage>("Preview", 0u, 3, 2));
    EXPECT_EQ(img->GetWidth(), 3);
    EXPECT_EQ(img->GetHeight(), 2);
    uint8_t* pixels = img->GetRGBABuffer();
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(std::vector<uint8_t>(pixels, pixels + 24), std::vector<uint8_t>(24, 0));
    pixels[23] = 255;
    img->CommitChanges();
    img->SetValueAsString("anything");
    img->SetValueAsString(nullptr);
    EXPECT_EQ(img.events.Values(), (Texts{"", "", ""}));
    EXPECT_EQ(img->GetValueAsString(), "");

    auto empty = std::make_shared<FilterParamImage>("Empty", 0u, -4, 10);
    EXPECT_EQ(empty->GetWidth(), 0);
    EXPECT_EQ(empty->GetRGBABuffer(), nullptr);
    EXPECT_THROW(FilterParamImage("Huge", 0u, 65536, 65536), std::length_error);
}

namespace {

const Guid kA = Guid::FromHexString("6F0022F4-A3D5-4CCA-8DAC-ADCC3B37C839");
const Guid kB = Guid::FromHexString("9533AA0B-403E-49F3-9A2E-7D44BDBB3E95");
const Guid kC = Guid::FromHexString("45370842-2AB3-41C7-8440-09533B283FC6");

} // namespace

TEST(FilterParamChoice, EnumIndexedPositions)
{
    Watched<FilterParamEnumIndexed> w(std::make_shared<FilterParamEnumIndexed>(
        "Unit", 0u, 20, std::vector<std::string>{"mm", "cm", "m"}, std::vector<int>{10, 20, 30}));
    EXPECT_EQ(w->GetValueAsString(), "1");
    w->SetValueAsString("7"); // clamped to the last position
    EXPECT_EQ(w->GetValue(), 30);
    EXPECT_EQ(w->GetValueAsString(), "2");
    w->SetValueAsString("-3");
    EXPECT_EQ(w->GetValue(), 10);
    w->SetValueAsString("abc"); // lenient: position 0, unchanged value
    w->SetValueAsString("0");
    EXPECT_EQ(w.Notified(), 2u);
    EXPECT_EQ(w->GetEnumStrings(), (Texts{"mm", "cm", "m"}));

    // An unlisted value reads as position 0; a value listed twice maps to its first position.
    EXPECT_EQ(FilterParamEnumIndexed("u", 0u, 99, {"a", "b"}, {1, 2}).GetValueAsString(), "0");
    EXPECT_EQ(FilterParamEnumIndexed("t", 0u, 5, {"a", "b", "c"}, {1, 5, 5}).GetValueAsString(), "1");
    auto empty = std::make_shared<FilterParamEnumIndexed>("e", 0u, 3, Texts{}, std::vector<int>{});
    empty->SetValueAsString("1");
    EXPECT_EQ(empty->GetValue(), 3);
    EXPECT_EQ(ThrownText([&] { FilterParamEnumIndexed("bad", 0u, 0, {"a"}, {1, 2}); }), "Invalid index enum map");
}

TEST(FilterParamChoice, StringChoicesTakeOnlyListedEntries)
{
    CapturedLog log;
    using Choices = std::vector<FilterParamStringChoices::Choice>;
    Watched<FilterParamStringChoices> w(
        std::make_shared<FilterParamStringChoices>("Codec", 0u, 2, Choices{{"lz4", 2}, {"zlib", 3}, {"LZ4", 2}}));
    EXPECT_EQ(w->GetValueAsString(), "lz4");
    w->SetValueAsString("zlib");
    EXPECT_EQ(w->GetValue(), 3);
    w->SetValueAsString("zlib"); // same: no notification
    EXPECT_EQ(w.Notified(), 1u);
    w->SetValueAsString("ZLIB"); // case-sensitive: refused
    EXPECT_EQ(w->GetValue(), 3);
    ASSERT_EQ(log.Entries().size(), 1u);
    EXPECT_EQ(log.Count(VornCommon::LogLevel::Error, "Filter parameter 'Codec' does not support value ZLIB"), 1);
    w->SetValue(7);
    EXPECT_EQ(log.Entries()[1].text, "Filter parameter 'Codec' does not support value 7");
    w->SetValue(2);
    EXPECT_EQ(w->GetValueAsString(), "lz4");
    EXPECT_EQ(w.Notified(), 2u);
    EXPECT_TRUE(w->CanHaveValue(3));
    EXPECT_FALSE(w->CanHaveValue(4));
    EXPECT_TRUE(w->CanHaveValue("LZ4"));
    EXPECT_FALSE(w->CanHaveValue("Lz4"));
    // A listed value written as text is no listed text: refused, while SetValue takes it; a
    // choice named by digits is taken by its name.
    w->SetValueAsString("3");
    EXPECT_EQ(w->GetValue(), 2);
    EXPECT_EQ(log.Count(VornCommon::LogLevel::Error, "Filter parameter 'Codec' does not support value 3"), 1);
    w->SetValue(3);
    EXPECT_EQ(w->GetValue(), 3);
    EXPECT_EQ(w.Notified(), 3u);
    auto digits = std::make_shared<FilterParamStringChoices>("d", 0u, 7, Choices{{"1", 7}, {"7", 1}});
    digits->SetValueAsString("7");
    EXPECT_EQ(digits->GetValue(), 1);
    digits->SetValueAsString("1");
    EXPECT_EQ(digits->GetValue(), 7);

    // Two lists pair by position up to the shorter; the mismatch is logged.
    log.Clear();
    FilterParamStringChoices paired("p", 0u, 1, Texts{"a", "b", "c"}, std::vector<int>{1, 2});
    EXPECT_EQ(paired.GetChoices().size(), 2u);
    EXPECT_FALSE(paired.CanHaveValue("c"));
    EXPECT_TRUE(log.Contains("Vectors must have same size."));
    EXPECT_EQ(FilterParamStringChoices("n", 0u, 1, Choices{}).GetValueAsString(), "");
    EXPECT_TRUE(log.Contains("At least one choice value required"));
    FilterParamStringChoices stranger("s", 0u, 9, Choices{{"a", 1}});
    EXPECT_TRUE(log.Contains("Initial choice value is not allowed"));
}

TEST(FilterParamChoice, GuidAndInputProfileSelection)
{
    CapturedLog log;
    Watched<FilterParamGuid> w(std::make_shared<FilterParamGuid>("Purpose", 0u, std::vector<Guid>{kA, kB}));
    EXPECT_EQ(w->GetValueIndex(), 0);
    EXPECT_EQ(w->GetValue(), kA);
    EXPECT_EQ(w->GetValueAsString(), "0");
    w->SetValueAsString("1");
    EXPECT_EQ(w->GetValue(), kB);
    // An index outside the list is refused: no out-of-bounds selection.
    w->SetValueAsString("9");
    w->SetValueAsString("-1");
    EXPECT_EQ(w->GetValueIndex(), 1);
    EXPECT_EQ(log.Entries().size(), 2u);
    EXPECT_EQ(log.Entries()[0].text, "Filter parameter 'Purpose' does not support value 9");
    w->SetSelectedGuid(kA);
    EXPECT_EQ(w->GetValueIndex(), 0);
    w->SetSelectedGuid(kC); // not listed: unchanged
    EXPECT_EQ(w->GetValueIndex(), 0);
    EXPECT_EQ(w.Notified(), 2u);

    FilterParamGuid empty("None", 0u, std::vector<Guid>{});
    EXPECT_EQ(empty.GetValueIndex(), -1);
    EXPECT_TRUE(empty.GetValue().IsNil());
    EXPECT_EQ(empty.GetValueAsString(), "-1");
    empty.SetValueAsString("0");
    EXPECT_EQ(empty.GetValueIndex(), -1);

    using Profiles = std::vector<std::shared_ptr<Profile>>;
    auto first = std::make_shared<Profile>(kA, kB), second = std::make_shared<Profile>(kC, kB);
    Watched<FilterParamInputProfiles> p(std::make_shared<FilterParamInputProfiles>(
        "Input Profile", FilterParam::FLAG_REQUIRES_PREINITIALIZE, Profiles{first, second}));
    EXPECT_EQ(p->GetValue(), first);
    p->SetValueAsString("9"); // two candidates: refused, no crash
    EXPECT_EQ(p->GetValue(), first);
    EXPECT_EQ(p.Notified(), 0u);
    // Selected by equal text, not by object.
    p->SetSelectedProfile(std::make_shared<Profile>(kC, kB));
    EXPECT_EQ(p->GetValue(), second);
    EXPECT_EQ(p->GetValueAsString(), "1");
    p->SetSelectedProfile(std::make_shared<Profile>(kA, kA));
    p->SetSelectedProfile(nullptr);
    EXPECT_EQ(p->GetValueIndex(), 1);
    EXPECT_EQ(p.Notified(), 1u);
    EXPECT_EQ(FilterParamInputProfiles("Input Profile", 1u, Profiles{}).GetValue(), nullptr);
}

namespace {

class FilterParamPath : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::remove_all(_root);
        fs::create_directories(_root);
        VornCommon::VarManager::getInstance()->setVar("HYXTESTROOT", _root.string());
    }
    void TearDown() override
    {
        VornCommon::VarManager::getInstance()->removeVar("HYXTESTROOT");
        fs::remove_all(_root);
    }
    std::string path(const std::string& name) const { return (_root / name).string(); }

    const fs::path _root =
        fs::temp_directory_path() /
        ("hyx_param_path_" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
};

} // namespace

TEST_F(FilterParamPath, DirectoryIsCreatedAndRefusedWhenImpossible)
{
    Watched<FilterParamDirPath> w(std::make_shared<FilterParamDirPath>("Folder", 0u, "$(HYXTESTROOT)/out/a"));
    // The value keeps the variable; the directory was made from the translation.
    EXPECT_EQ(w->GetValueAsString(), "$(HYXTESTROOT)/out/a");
    EXPECT_EQ(w->GetAbsoluteDirPath(), path("out/a"));
    EXPECT_TRUE(fs::is_directory(path("out/a")));
    w->SetValueAsString(path("b").c_str());
    w->SetValueAsString(path("b").c_str());
    EXPECT_TRUE(fs::is_directory(path("b")));
    EXPECT_EQ(w->GetValue(), path("b"));
    EXPECT_EQ(w.Notified(), 1u);

    // A directory below a plain file cannot be made: the value stays.
    std::ofstream(path("file")) << "x";
    w->SetValueAsString(path("file/sub").c_str());
    EXPECT_EQ(w->GetValue(), path("b"));
    EXPECT_EQ(w.Notified(), 1u);

    // Empty text empties the path silently.
    w->SetValueAsString("");
    EXPECT_EQ(w->GetValue(), "");
    w->SetValueAsString(path("b").c_str());
    w->SetValueAsString(nullptr);
    EXPECT_EQ(w->GetValue(), "");
    EXPECT_EQ(w.Notified(), 2u);
    EXPECT_EQ(FilterParamDirPath("None", 0u, nullptr).GetValue(), "");
}

TEST_F(FilterParamPath, ExtensionRule)
{
    Watched<FilterParamWriteFilePath> w(std::make_shared<FilterParamWriteFilePath>("Out", 0u, "take", "abc"));
    EXPECT_EQ(w->GetValue(), "take.abc");
    EXPECT_EQ(w->GetExtension(), "abc");
    const std::pair<const char*, const char*> cases[] = {{"clip", "clip.abc"},
                                                         {"clip.", "clip.abc"},
                                                         {"clip.abc", "clip.abc"},
                                                         {"clip.ABC", "clip.ABC"},
                                                         {"dir.v2/clip", "dir.v2/clip.abc"},
                                                         {"", ""},
                                                         {"clipabc", "clipabc"},
                                                         {nullptr, ""}};
    for (const auto& [text, expected] : cases) {
        w->SetValueAsString(text);
        EXPECT_EQ(w->GetValueAsString(), expected) << (text ? text : "null");
    }
    FilterParamWriteFilePath noExtension("Out", 0u, nullptr, nullptr);
    EXPECT_EQ(noExtension.GetValue(), "");
    noExtension.SetValueAsString("clip");
    EXPECT_EQ(noExtension.GetValue(), "clip");
}

TEST_F(FilterParamPath, ReadPathExistenceAndStatus)
{
    std::ofstream(path("present.hyx")) << "x";
    FilterParamReadFilePath present("In", 0u, "$(HYXTESTROOT)/present", "hyx");
    EXPECT_EQ(present.GetValue(), "$(HYXTESTROOT)/present.hyx");
    EXPECT_EQ(present.GetAbsoluteFilePath(), path("present.hyx"));
    EXPECT_EQ(present.GetStatus(), "");
    // A missing default leaves the path empty.
    EXPECT_EQ(FilterParamReadFilePath("In", 0u, path("missing").c_str(), "hyx").GetValue(), "");

    // Setting a missing file stores it; the status names the absolute path.
    Watched<FilterParamReadFilePath> w(std::make_shared<FilterParamReadFilePath>("In", 0u, nullptr, "hyx"));
    w->SetValueAsString("$(HYXTESTROOT)/gone");
    EXPECT_EQ(w->GetValue(), "$(HYXTESTROOT)/gone.hyx");
    EXPECT_EQ(w->GetStatus(), "File '" + path("gone.hyx") + "' does not exist.");
    EXPECT_EQ(w.Notified(), 1u);
}

namespace {

class Listener : public IFilterParameterValueChanged {
public:
    explicit Listener(Texts* log) : _log(log) {}
    void cbiFilterParameterValueChanged(std::shared_ptr<Filter> filter, const char* name, const char* value) override
    {
        _log->push_back(std::string(name) + "=" + value + (filter ? "" : " (no filter)"));
    }

private:
    Texts* _log;
};

// A filter with "Threads count" (int), "Mode" (flag 1), "Name" (text) and "Reset" (trigger);
// "Later" exists only once `withLater` is set.
struct ParamFilter {
    std::shared_ptr<TestFilter> filter = std::make_shared<TestFilter>();
    bool withLater = false;
    FilterFixtures::EventRecorder resetEvents, threadsEvents;

    ParamFilter()
    {
        filter->makeParams = [this](TestFilter& self) {
            auto threads = std::make_shared<FilterParamInt32>("Threads count", 0u, 4, 1, 64);
            threads->_events.Add(&threadsEvents);
            self.addParam(threads);
            self.addParam(
                std::make_shared<FilterParamInt32>("Mode", FilterParam::FLAG_REQUIRES_PREINITIALIZE, 0, 0, 3));
            self.addParam(std::make_shared<FilterParamString>("Name", 0u, "a"));
            auto reset = std::make_shared<FilterParamCallback>("Reset", 0u);
            reset->_events.Add(&resetEvents);
            self.addParam(reset);
            if (withLater)
                self.addParam(std::make_shared<FilterParamInt32>("Later", 0u, 0, 0, 9));
        };
        EXPECT_EQ(filter->PreInitialize(nullptr, nullptr), Code::Success);
    }
    TestFilter* operator->() { return filter.get(); }
};

// A host logger that looks at the filter's parameters while it writes.
class ReenteringLogger : public VornCommon::Logger {
public:
    std::shared_ptr<Filter> filter;
    int writes = 0;

protected:
    void Write(VornCommon::LogLevel, const char*, const std::string&) override
    {
        ++writes;
        (void)filter->getParameters();
    }
};

} // namespace

TEST(FilterParameters, StoredValuesWaitForTheirParameters)
{
    ParamFilter f;
    ASSERT_EQ(f->DePreInitialize(), Code::Success);
    // Handed in before any parameter exists: kept.
    EXPECT_FALSE(f->setParameterValues({{"Threads count", "8"}, {"Mode", "2"}, {"Later", "5"}, {"Reset", "x"}}));
    EXPECT_TRUE(f->getParameters().empty());
    ASSERT_EQ(f->PreInitialize(nullptr, nullptr), Code::Success);
    EXPECT_EQ(f->getParameterValue("Threads count"), "8");
    EXPECT_EQ(f->getParameterValue("Mode"), "2");
    EXPECT_EQ(f.resetEvents.Count(), 0u); // the trigger was not fired by a stored value

    // "Later" did not exist: its value waits for the next PreInitialize.
    ASSERT_EQ(f->DePreInitialize(), Code::Success);
    f.withLater = true;
    ASSERT_EQ(f->PreInitialize(nullptr, nullptr), Code::Success);
    EXPECT_EQ(f->getParameterValue("Later"), "5");
    // Applied values were used up: the new parameters keep their defaults.
    EXPECT_EQ(f->getParameterValue("Threads count"), "4");

    // A changed flag-1 parameter asks for pre-initialising again; an equal value does not
    // even call the setter.
    EXPECT_TRUE(f->setParameterValues({{"Mode", "1"}}));
    EXPECT_FALSE(f->setParameterValues({{"Mode", "1"}}));
    EXPECT_FALSE(f->setParameterValues({{"Threads count", "4"}}));
    EXPECT_EQ(f.threadsEvents.Count(), 1u); // only the "8" applied at the first PreInitialize
    EXPECT_FALSE(f->setParameterValues({{"Threads count", "16"}, {"Name", "b"}}));
    EXPECT_EQ(f->getParameterValue("Name"), "b");
    EXPECT_FALSE(f->setParameterValues({{"Reset", "go"}}));
    EXPECT_EQ(f.resetEvents.Count(), 0u);
}

TEST(FilterParameters, StoredValuesNoParameterTookAreLoggedOncePerFilter)
{
    const char* const kTypo = "Filter 'Example' has no parameter named 'Thresold'; the values stay stored";
    // afterInitialize: the values are handed to a filter that is initialised already.
    const struct {
        const char* what;
        std::map<std::string, std::string> values;
        bool afterInitialize;
        const char* line; // null: no line
    } cases[] = {
        {"typo before initialising", {{"Thresold", "3"}, {"Name", "b"}}, false, kTypo},
        {"typo on an initialised filter", {{"Thresold", "3"}}, true, kTypo},
        {"two names, one line",
         {{"Zoom", "2"}, {"Later", "5"}},
         false,
         "Filter 'Example' has no parameter named 'Later', 'Zoom'; the values stay stored"},
        {"known names and a trigger", {{"Name", "b"}, {"Reset", "x"}}, false, nullptr},
        {"known names on an initialised filter", {{"Threads count", "9"}}, true, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CapturedLog log;
        ParamFilter f;
        if (!c.afterInitialize)
            f->setParameterValues(c.values);
        EXPECT_TRUE(log.Entries().empty()); // not yet initialised: a parameter may still come
        ASSERT_EQ(f->Initialize(nullptr), Code::Success);
        if (c.afterInitialize)
            f->setParameterValues(c.values);
        EXPECT_EQ(log.Count(VornCommon::LogLevel::Error, c.line ? c.line : ""), c.line ? 1 : 0);
        EXPECT_EQ(log.Entries().size(), c.line ? 1u : 0u);
        // Once per filter: initialised again, or the same values again, tell nothing new.
        ASSERT_EQ(f->DeInitialize(), Code::Success);
        ASSERT_EQ(f->Initialize(nullptr), Code::Success);
        f->setParameterValues(c.values);
        EXPECT_EQ(log.Entries().size(), c.line ? 1u : 0u);
    }

    // The values stay stored: a parameter created later takes its value.
    ParamFilter f;
    f->setParameterValues({{"Later", "5"}});
    ASSERT_EQ(f->Initialize(nullptr), Code::Success);
    ASSERT_EQ(f->DeInitialize(), Code::Success);
    ASSERT_EQ(f->DePreInitialize(), Code::Success);
    f.withLater = true;
    ASSERT_EQ(f->PreInitialize(nullptr, nullptr), Code::Success);
    EXPECT_EQ(f->getParameterValue("Later"), "5");
    ASSERT_EQ(f->DePreInitialize(), Code::Success);
}

TEST(FilterParameters, RefusedTextsDoNotEscapeStoredValues)
{
    CapturedLog log;
    ParamFilter f;
    EXPECT_NO_THROW(EXPECT_FALSE(f->setParameterValues({{"Threads count", "abc"}, {"Name", "c"}})));
    EXPECT_EQ(f->getParameterValue("Threads count"), "4");
    EXPECT_EQ(f->getParameterValue("Name"), "c"); // the next entry was still applied
    const auto entries = log.Entries();
    EXPECT_TRUE(std::any_of(entries.begin(), entries.end(), [](const auto& e) {
        return e.level == VornCommon::LogLevel::Error && e.text.find("Threads count") != std::string::npos &&
               e.text.find("invalid stoi argument") != std::string::npos;
    }));

    // Stored before PreInitialize: PreInitialize does not throw either.
    ParamFilter g;
    ASSERT_EQ(g->DePreInitialize(), Code::Success);
    g->setParameterValues({{"Threads count", "99999999999"}});
    EXPECT_EQ(g->PreInitialize(nullptr, nullptr), Code::Success);
    EXPECT_EQ(g->getParameterValue("Threads count"), "4");
    // A host's direct setting keeps throwing.
    EXPECT_THROW(f->setParameterValue("Threads count", "abc"), std::invalid_argument);
}

namespace {

const Guid kFlakyGuid = Guid::FromHexString("6D0E2B71-3A94-4C58-8F17-2E9B5C4A7D31");

// Pre-initialisations that a filter made by the factory refuses, read by its creator.
int g_refusalsAtCreation = 0;

// A source whose onInitializeParams makes "N" (0 to 100, default 7) and then refuses while
// refusals are left; with failEarly it refuses before making "N". Without withN it never
// makes "N".
class FlakyFilter : public FilterFixtures::TestSource {
public:
    int refusals = 0;
    bool failEarly = false;
    bool withN = true;

    static Filter* Create()
    {
        auto* filter = new FlakyFilter();
        filter->refusals = g_refusalsAtCreation;
        return filter;
    }

protected:
    HyxErrorCode onInitializeParams(Filter*) override
    {
        const bool refuse = refusals > 0;
        refusals -= refuse ? 1 : 0;
        if (withN && !(refuse && failEarly))
            addParam(std::make_shared<FilterParamInt32>("N", 0u, 7, 0, 100));
        return refuse ? Code::FilterFailedToPreinitialize : Code::Success;
    }
};

} // namespace

// A value handed in is kept until a parameter has taken it for good: applied by a
// PreInitialize that succeeds, or to a parameter of a filter that is pre-initialised already.
// A PreInitialize that fails keeps every value, also one it applied to a parameter that it then
// cleared, on every path that pre-initialises a filter. A name that no parameter has is still
// logged once the filter is initialised, and the kept value never is.
TEST(FilterParameters, AFailedPreInitializeKeepsTheStoredValues)
{
    static const bool registered = [] {
        FilterFactory::RegisterFilterClass(kFlakyGuid, FilterClassInfo("Example", FilterCategory::Source),
                                           &FlakyFilter::Create);
        return true;
    }();
    ASSERT_TRUE(registered);
    enum class Path {
        Host, // the host calls PreInitialize
        Factory, // made by the factory, whose PreInitialize fails, then the host's
        AddAndConnect, // Graph::AddAndConnect pre-initialises it
        Description, // attached to a graph description that fails to instantiate, then added by the host
        DescriptionAgain, // the same, then the description instantiated once more
        XmlFile, // made from a graph file through the factory, then added by the host
        DePreInitialize, // stored while pre-initialised without "N", then taken down and up again
        SecondPreInitialize, // the same, with a refused second PreInitialize first
        ParamBeforePreInitialize, // "N" exists before PreInitialize and takes the value at once
        PreInitialized, // handed to a pre-initialised filter, which takes it for good, then taken down
    };
    const struct {
        const char* name;
        Path path;
        int refusals; // failing pre-initialisations after the values are handed in
        bool failEarly;
        const char* n; // "N" once pre-initialised at last
    } cases[] = {
        {"host, refused after making N", Path::Host, 1, false, "42"},
        {"host, refused before making N", Path::Host, 1, true, "42"},
        {"host, refused twice", Path::Host, 2, false, "42"},
        {"factory", Path::Factory, 1, false, "42"},
        {"add and connect", Path::AddAndConnect, 1, false, "42"},
        {"add and connect, refused before making N", Path::AddAndConnect, 1, true, "42"},
        {"graph description", Path::Description, 1, false, "42"},
        {"graph description instantiated again", Path::DescriptionAgain, 1, false, "42"},
        {"graph file", Path::XmlFile, 1, false, "42"},
        {"de-pre-initialised", Path::DePreInitialize, 1, false, "42"},
        {"second PreInitialize refused", Path::SecondPreInitialize, 1, false, "42"},
        {"parameter made before PreInitialize", Path::ParamBeforePreInitialize, 1, false, "42"},
        {"de-pre-initialised, no refusal", Path::DePreInitialize, 0, false, "42"},
        // Gone with the parameter that took it.
        {"taken by a pre-initialised filter", Path::PreInitialized, 1, false, "7"},
    };
    const std::map<std::string, std::string> values = {{"N", "42"}, {"Typo", "1"}};
    const char* const kTypo = "Filter 'Example' has no parameter named 'Typo'; the values stay stored";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CapturedLog log;
        auto graph = std::make_shared<Graph>();
        std::shared_ptr<FlakyFilter> filter;
        auto description = std::make_shared<VisualGraph>();
        std::shared_ptr<VisualGraphs> file;
        const bool described = c.path == Path::Description || c.path == Path::DescriptionAgain;
        switch (c.path) {
        case Path::Factory:
            // Refused at creation: the factory's PreInitialize meets no stored value yet.
            g_refusalsAtCreation = 1;
            filter = std::dynamic_pointer_cast<FlakyFilter>(
                FilterFactory::CreateFilter(kFlakyGuid, SharedFilterPtr(), SharedGraphPtr()).ToStdSharedPtr());
            g_refusalsAtCreation = 0;
            ASSERT_NE(filter, nullptr);
            ASSERT_EQ(filter->GetFilterState(), Filter::FilterState::Created);
            break;
        case Path::XmlFile: {
            // The factory's PreInitialize and the add's are both refused.
            g_refusalsAtCreation = 1 + c.refusals;
            const std::string text =
                "<hyx version=\"1.0\"><graph play=\"forward once\" fps=\"0\"><filter "
                "name=\"Example\" guid=\"6D0E2B71-3A94-4C58-8F17-2E9B5C4A7D31\"><param "
                "name=\"N\" value=\"42\"/><param name=\"Typo\" value=\"1\"/></filter></graph></hyx>";
            file = XmlGraph().LoadFromDataBuffer(text.data(), text.size());
            ASSERT_NE(file, nullptr);
            EXPECT_EQ(file->GetVisualGraph(0)->InstantiateSimpleHyxGraph(), nullptr);
            g_refusalsAtCreation = 0;
            filter =
                std::dynamic_pointer_cast<FlakyFilter>(file->GetVisualGraph(0)->GetVisualFilter(0)->GetHyxFilter());
            ASSERT_NE(filter, nullptr);
            break;
        }
        default: filter = std::make_shared<FlakyFilter>(); break;
        }
        if (c.path == Path::DePreInitialize || c.path == Path::SecondPreInitialize || c.path == Path::PreInitialized) {
            filter->withN = c.path == Path::PreInitialized;
            ASSERT_EQ(filter->PreInitialize(nullptr, nullptr), Code::Success);
        }
        if (c.path == Path::ParamBeforePreInitialize)
            filter->addParam(std::make_shared<FilterParamInt32>("N", 0u, 7, 0, 100));

        // The values handed in.
        if (described) {
            auto visual = description->AddVisualFilter(kFlakyGuid, false, false);
            visual->SetHyxFilter(filter);
            for (const auto& [name, value] : values)
                visual->SetParamValue(name.c_str(), value.c_str());
        } else if (c.path != Path::XmlFile) {
            filter->setParameterValues(values);
        }
        if (c.path == Path::ParamBeforePreInitialize || c.path == Path::PreInitialized) {
            EXPECT_EQ(filter->getParameterValue("N"), "42");
        }
        if (c.path == Path::SecondPreInitialize) {
            EXPECT_EQ(filter->PreInitialize(nullptr, nullptr), Code::FilterWrongStateToPreinitialize);
            EXPECT_EQ(filter->GetFilterState(), Filter::FilterState::PreInitialized);
        }
        if (c.path == Path::DePreInitialize || c.path == Path::SecondPreInitialize || c.path == Path::PreInitialized) {
            ASSERT_EQ(filter->DePreInitialize(), Code::Success);
            filter->withN = true;
        }

        // The refused pre-initialisations, by the row's path.
        filter->failEarly = c.failEarly;
        if (c.path != Path::XmlFile)
            filter->refusals = described ? 1 + c.refusals : c.refusals; // a description pre-initialises first
        for (int i = 0; i < c.refusals; ++i) {
            switch (c.path) {
            case Path::AddAndConnect: EXPECT_EQ(graph->AddAndConnect(filter), ActionResult::Failure); break;
            case Path::Description:
            case Path::DescriptionAgain: EXPECT_EQ(description->InstantiateSimpleHyxGraph(), nullptr); break;
            case Path::XmlFile: break; // refused above
            default: EXPECT_EQ(filter->PreInitialize(nullptr, nullptr), Code::FilterFailedToPreinitialize); break;
            }
            EXPECT_EQ(filter->GetFilterState(), Filter::FilterState::Created);
            EXPECT_TRUE(filter->getParameters().empty());
        }
        EXPECT_EQ(filter->refusals, 0);

        // The pre-initialisation that succeeds applies a kept value, and the filter is
        // initialised.
        switch (c.path) {
        case Path::AddAndConnect:
        case Path::Description:
        case Path::XmlFile:
            ASSERT_EQ(graph->AddAndConnect(filter), ActionResult::Success) << graph->GetLastError(false).StdString();
            break;
        case Path::DescriptionAgain:
            graph = description->InstantiateSimpleHyxGraph();
            ASSERT_NE(graph, nullptr);
            break;
        default:
            ASSERT_EQ(filter->PreInitialize(nullptr, nullptr), Code::Success);
            ASSERT_EQ(filter->Initialize(nullptr), Code::Success);
            break;
        }
        EXPECT_EQ(filter->getParameterValue("N"), c.n);
        // Only the name that no parameter has is logged, once.
        EXPECT_EQ(log.Count(VornCommon::LogLevel::Error, kTypo), 1);
        const auto entries = log.Entries();
        EXPECT_EQ(
            std::count_if(entries.begin(), entries.end(),
                          [](const auto& e) { return e.text.find("has no parameter named") != std::string::npos; }),
            1);

        // Taken for good: built again, "N" starts from its default.
        if (graph->GetNumFilters() > 0) {
            ASSERT_EQ(graph->RemoveAllFilters(), ActionResult::Success);
        } else {
            ASSERT_EQ(filter->DeInitialize(), Code::Success);
        }
        ASSERT_EQ(filter->DePreInitialize(), Code::Success);
        ASSERT_EQ(filter->PreInitialize(nullptr, nullptr), Code::Success);
        EXPECT_EQ(filter->getParameterValue("N"), "7");
        ASSERT_EQ(filter->DePreInitialize(), Code::Success);
    }
}

TEST(FilterParameters, LookupByName)
{
    CapturedLog log;
    ParamFilter f;
    const auto params = f->getParameters();
    ASSERT_EQ(params.size(), 4u);
    EXPECT_EQ(params[0]->GetName(), "Threads count");
    EXPECT_EQ(f->getParameterByName("Name"), params[2]);
    EXPECT_TRUE(f->setParameterValue("Threads count", "6"));
    EXPECT_EQ(f->getParameterValue("Threads count"), "6");
    EXPECT_EQ(f->getParameterStatus("Threads count"), "");
    EXPECT_EQ(log.Entries().size(), 0u);

    // Misses: the setter logs once, the getters twice, at level 3.
    EXPECT_FALSE(f->setParameterValue("Nope", "1"));
    EXPECT_EQ(log.Entries().size(), 1u);
    EXPECT_EQ(f->getParameterValue("Nope"), "");
    EXPECT_EQ(f->getParameterStatus("Nope"), "");
    EXPECT_EQ(f->getParameterByName("Nope"), nullptr);
    EXPECT_EQ(log.Entries().size(), 7u);
    EXPECT_EQ(
        log.Count(VornCommon::LogLevel::Warning, "Invalid filter parameter: | filter name - Example | name - Nope |"),
        7); // tag "HYX2"
}

TEST(FilterParameters, ReplacementAndGroups)
{
    ParamFilter f;
    Texts heard;
    Listener listener(&heard);
    f->AddParameterValueChangedListener(&listener);

    auto old = f->getParameterByName("Name");
    auto replacement = std::make_shared<FilterParamString>("Name", 0u, "z");
    f->addParam(replacement, false);
    ASSERT_EQ(f->getParameters().size(), 4u);
    EXPECT_EQ(f->getParameters()[0], replacement);
    // The old object no longer calls back into the filter.
    old->SetValueAsString("old");
    EXPECT_TRUE(heard.empty());
    replacement->SetValueAsString("new");
    EXPECT_EQ(heard, Texts{"Name=new"});

    f->removeParam("Name");
    EXPECT_EQ(f->getParameters().size(), 3u);
    replacement->SetValueAsString("gone");
    EXPECT_EQ(heard.size(), 1u);
    f->removeParam("Name"); // no match: nothing changes
    EXPECT_EQ(f->getParameters().size(), 3u);

    auto group = std::make_shared<ParamGroup>(0u, 2u, "Threads");
    f->addParamGroup(group);
    f->addParamGroup(group);
    f->addParamGroup(std::make_shared<ParamGroup>(0u, 2u, "Threads"));
    ASSERT_EQ(f->getParamGroups().size(), 2u);
    EXPECT_EQ(f->getParamGroups()[0]->GetLabel(), "Threads");
    EXPECT_EQ(f->getParamGroups()[0]->GetEndPosition(), 2u);

    // DePreInitialize clears parameters and groups; held parameters no longer reach the filter.
    auto threads = f->getParameterByName("Threads count");
    ASSERT_EQ(f->DePreInitialize(), Code::Success);
    EXPECT_TRUE(f->getParameters().empty());
    EXPECT_TRUE(f->getParamGroups().empty());
    threads->SetValueAsString("12");
    EXPECT_EQ(heard.size(), 1u);
    f->RemoveParameterValueChangedListener(&listener);
}

namespace {

/// A filter whose own destructor sets a parameter it was handed, as a host thread may while
/// another thread lets the filter go.
class SettingOnDestruction : public TestFilter {
public:
    std::shared_ptr<FilterParam> held;
    ~SettingOnDestruction() override
    {
        if (held)
            held->SetValueAsString("late");
    }
};

} // namespace

TEST(FilterParameters, AParameterSetWhileItsFilterIsDestroyedTellsItNothing)
{
    Texts heard;
    Listener listener(&heard);
    auto filter = std::make_shared<SettingOnDestruction>();
    filter->makeParams = [](TestFilter& self) { self.addParam(std::make_shared<FilterParamString>("Name", 0u, "a")); };
    ASSERT_EQ(filter->PreInitialize(nullptr, nullptr), Code::Success);
    filter->AddParameterValueChangedListener(&listener);
    const std::shared_ptr<FilterParam> name = filter->getParameterByName("Name");
    name->SetValueAsString("b");
    EXPECT_EQ(heard, Texts{"Name=b"});
    filter->held = name;
    filter.reset();
    EXPECT_EQ(heard, Texts{"Name=b"}); // the filter being destroyed is told nothing
    EXPECT_EQ(name->GetValueAsString(), "late");
}

TEST(FilterParameters, LoggerMayLookAtTheFilter)
{
    ParamFilter f;
    auto logger = std::make_shared<ReenteringLogger>();
    logger->filter = f.filter;
    SetHYXLoggerInstance(VornCommon::WeakLoggerPtr(logger));
    // Each miss is logged with no filter lock held: no self-deadlock.
    EXPECT_FALSE(f->setParameterValue("Nope", "1"));
    EXPECT_EQ(f->getParameterValue("Nope"), "");
    EXPECT_FALSE(f->setParameterValues({{"Threads count", "abc"}}));
    ResetHYXLoggerInstance();
    EXPECT_EQ(logger->writes, 4);
    logger->filter.reset();
}
