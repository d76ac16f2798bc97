// Parameter base behaviour and the bool and number parameters: text forms, parse rules,
// notification only on change.

#include <Hyx/FilterParamNumeric.h>
#include <Hyx/FilterParamVector.h>

#include "ParamRecorder.h"

#include <gtest/gtest.h>

#include <clocale>
#include <locale>
#include <stdexcept>
#include <string>

using namespace Hyx;
using HyxTest::Watched;

namespace {

// Exposes the protected change flag.
class ProbeBool : public FilterParamBool {
public:
    using FilterParamBool::FilterParamBool;
    using FilterParamBool::ValueChanged;
};

} // namespace

TEST(FilterParam, BaseNotificationAndCachedText)
{
    auto p = std::make_shared<ProbeBool>("Enabled", 5u, false);
    EXPECT_EQ(p->GetName(), "Enabled");
    EXPECT_EQ(p->GetFlags(), 5u);
    EXPECT_EQ(p->GetStatus(), "");
    // Fresh: changed once, then not until a setter changes the value.
    EXPECT_TRUE(p->ValueChanged());
    EXPECT_FALSE(p->ValueChanged());
    // ToString shows the cached text, which nothing has produced yet.
    EXPECT_EQ(p->ToString(), "name=\"Enabled\" value=\"\"");

    // No callback installed: the events still fire.
    HyxTest::EventRecorder events;
    p->_events.Add(&events);
    p->SetValue(true);
    EXPECT_EQ(events.Values(), std::vector<std::string>{"True"});
    EXPECT_TRUE(p->ValueChanged());
    EXPECT_EQ(p->ToString(), "name=\"Enabled\" value=\"True\"");
    p->_events.Remove(&events);

    // With a callback: the callback gets the parameter itself and the text.
    HyxTest::CallbackRecorder callback;
    p->SetParameterValueChangedCallback(&callback);
    p->SetValueAsString("False");
    ASSERT_EQ(callback.Count(), 1u);
    EXPECT_EQ(callback.Params()[0], p.get());
    EXPECT_EQ(callback.Values()[0], "False");
    p->SetParameterValueChangedCallback(nullptr);
    p->SetValue(true);
    EXPECT_EQ(callback.Count(), 1u);

    auto unnamed = std::make_shared<FilterParamBool>(nullptr, 0u, true);
    EXPECT_EQ(unnamed->GetName(), "");
}

TEST(FilterParam, BoolTextsAndEqualValues)
{
    Watched<FilterParamBool> w(std::make_shared<FilterParamBool>("b", 0u, false));
    for (const char* text : {"TRUE", "yes", "", "0", "tRue"}) {
        w.param->SetValueAsString(text);
        EXPECT_FALSE(w.param->GetValue()) << text;
    }
    w.param->SetValueAsString(nullptr);
    EXPECT_EQ(w.Notified(), 0u);
    w.param->SetValueAsString("1");
    EXPECT_TRUE(w.param->GetValue());
    EXPECT_EQ(w.param->GetValueAsString(), "True");
    w.param->SetValueAsString("true");
    w.param->SetValueAsString("True");
    EXPECT_EQ(w.Notified(), 1u); // equal values notify nobody
    w.param->SetValue(false);
    EXPECT_EQ(w.param->GetValueAsString(), "False");
    EXPECT_EQ(w.events.Values(), (std::vector<std::string>{"True", "False"}));
    EXPECT_TRUE(FilterParamBool::StringToValue("true"));
    EXPECT_FALSE(FilterParamBool::StringToValue(nullptr));
}

namespace {

// One text set on a fresh number parameter: the value text after it, or the exception text
// (the value then stays at its default).
struct NumberCase {
    char type; // 'i' int32, 'u' uint32, 'l' int64, 'f' float
    const char* text;
    const char* after;
    const char* error = nullptr;
};

std::shared_ptr<FilterParam> MakeNumber(char type)
{
    switch (type) {
    case 'i': return std::make_shared<FilterParamInt32>("i", 0u, 4, 1, 64);
    case 'u': return std::make_shared<FilterParamUInt32>("u", 0u, 1u, 0u, 10u);
    case 'l': return std::make_shared<FilterParamInt64>("l", 0u, 0, 0, 9223372036854775807LL);
    default: return std::make_shared<FilterParamFloat>("f", 0u, 1.5f, 0.0f, 10.0f);
    }
}

} // namespace

TEST(FilterParam, NumberTextsParseStrictlyOrLenientlyByType)
{
    const NumberCase cases[] = {
        {'i', "12abc", "12"},
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
    };
    for (const NumberCase& c : cases) {
        SCOPED_TRACE(std::string(1, c.type) + " '" + (c.text ? c.text : "null") + "'");
        Watched<FilterParam> w(MakeNumber(c.type));
        try {
            w.param->SetValueAsString(c.text);
            EXPECT_EQ(c.error, nullptr);
        } catch (const std::logic_error& e) { // invalid_argument or out_of_range, as the text says
            EXPECT_STREQ(e.what(), c.error);
        }
        EXPECT_EQ(w.param->GetValueAsString(), c.after);
        const bool changed = !c.error && w.param->GetValueAsString() != MakeNumber(c.type)->GetValueAsString();
        EXPECT_EQ(w.Notified(), changed ? 1u : 0u);
    }
}

namespace {

struct CommaDecimal : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
};

} // namespace

TEST(FilterParam, NumberTextsIgnoreTheGlobalStreamLocale)
{
    const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaDecimal));
    auto p = std::make_shared<FilterParamFloat>("f", 0u, 0.0f, 0.0f, 1.0f);
    p->SetValueAsString("12.5");
    const std::string text = p->GetValueAsString();
    auto v = std::make_shared<FilterParamVector3>("v", 0u, 0.5f, 1.5f, 2.0f);
    const std::string vectorText = v->GetValueAsString();
    std::locale::global(previous);
    EXPECT_EQ(p->GetValue(), 12.5f);
    EXPECT_EQ(text, "12.5");
    EXPECT_EQ(vectorText, "0.5/1.5/2");
}

TEST(FilterParam, NumberTextsIgnoreTheHostLocale)
{
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr && std::setlocale(LC_ALL, "de_DE") == nullptr)
        GTEST_SKIP() << "no comma locale installed";
    auto p = std::make_shared<FilterParamFloat>("f", 0u, 0.0f, 0.0f, 1.0f);
    p->SetValueAsString("12.5");
    const float value = p->GetValue();
    const std::string text = p->GetValueAsString();
    std::setlocale(LC_ALL, previous.c_str());
    EXPECT_EQ(value, 12.5f);
    EXPECT_EQ(text, "12.5");
}
