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

// Runs f, expecting exception E with exactly the given text.
template <class E, class F>
void expectThrowWithText(F f, const char* text)
{
    try {
        f();
        ADD_FAILURE() << "no exception, expected '" << text << "'";
    } catch (const E& e) {
        EXPECT_STREQ(e.what(), text);
    }
}

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

TEST(FilterParam, Int32StrictParsing)
{
    Watched<FilterParamInt32> w(std::make_shared<FilterParamInt32>("Threads count", 0u, 4, 1, 64));
    EXPECT_EQ(w.param->GetMinValue(), 1);
    EXPECT_EQ(w.param->GetMaxValue(), 64);
    w.param->SetValueAsString("12abc");
    EXPECT_EQ(w.param->GetValue(), 12);
    w.param->SetValueAsString("  -7");
    EXPECT_EQ(w.param->GetValueAsString(), "-7");
    w.param->SetValueAsString("+1000"); // not clamped to the maximum
    EXPECT_EQ(w.param->GetValue(), 1000);
    EXPECT_EQ(w.Notified(), 3u);

    expectThrowWithText<std::invalid_argument>([&] { w.param->SetValueAsString("abc"); }, "invalid stoi argument");
    expectThrowWithText<std::invalid_argument>([&] { w.param->SetValueAsString(""); }, "invalid stoi argument");
    expectThrowWithText<std::invalid_argument>([&] { w.param->SetValueAsString("- 1"); }, "invalid stoi argument");
    expectThrowWithText<std::invalid_argument>([&] { w.param->SetValueAsString(nullptr); }, "invalid stoi argument");
    expectThrowWithText<std::out_of_range>([&] { w.param->SetValueAsString("99999999999"); },
                                           "stoi argument out of range");
    expectThrowWithText<std::out_of_range>([&] { w.param->SetValueAsString("2147483648"); },
                                           "stoi argument out of range");
    expectThrowWithText<std::out_of_range>([&] { w.param->SetValueAsString("-99999999999999999999999"); },
                                           "stoi argument out of range");
    EXPECT_EQ(w.param->GetValue(), 1000);
    EXPECT_EQ(w.Notified(), 3u);

    EXPECT_EQ(FilterParamInt32::StringToValue("2147483647"), 2147483647);
    EXPECT_EQ(FilterParamInt32::StringToValue("-2147483648"), -2147483647 - 1);
}

TEST(FilterParam, UInt32MatchesThirtyTwoBitUnsignedLong)
{
    Watched<FilterParamUInt32> w(std::make_shared<FilterParamUInt32>("u", 0u, 1u, 0u, 10u));
    w.param->SetValueAsString("4294967295");
    EXPECT_EQ(w.param->GetValue(), 4294967295u);
    EXPECT_EQ(w.param->GetValueAsString(), "4294967295");
    w.param->SetValueAsString("-1"); // wraps as the 32-bit strtoul does
    EXPECT_EQ(w.param->GetValue(), 4294967295u);
    w.param->SetValueAsString("-4294967295");
    EXPECT_EQ(w.param->GetValue(), 1u);
    expectThrowWithText<std::out_of_range>([&] { w.param->SetValueAsString("4294967296"); },
                                           "stoul argument out of range");
    expectThrowWithText<std::out_of_range>([&] { w.param->SetValueAsString("-4294967296"); },
                                           "stoul argument out of range");
    expectThrowWithText<std::invalid_argument>([&] { w.param->SetValueAsString("x1"); }, "invalid stoul argument");
    EXPECT_EQ(w.param->GetValue(), 1u);
    EXPECT_EQ(w.Notified(), 2u);
}

TEST(FilterParam, Int64StrictParsing)
{
    Watched<FilterParamInt64> w(
        std::make_shared<FilterParamInt64>("Dropped atoms count", 4u, 0, 0, 9223372036854775807LL));
    w.param->SetValueAsString("9223372036854775807");
    EXPECT_EQ(w.param->GetValue(), 9223372036854775807LL);
    w.param->SetValueAsString("-9223372036854775808");
    EXPECT_EQ(w.param->GetValueAsString(), "-9223372036854775808");
    expectThrowWithText<std::out_of_range>([&] { w.param->SetValueAsString("9223372036854775808"); },
                                           "stoll argument out of range");
    expectThrowWithText<std::out_of_range>([&] { w.param->SetValueAsString("18446744073709551616"); },
                                           "stoll argument out of range");
    expectThrowWithText<std::invalid_argument>([&] { w.param->SetValueAsString("abc"); }, "invalid stoll argument");
    EXPECT_EQ(w.Notified(), 2u);
    w.param->SetValue(5);
    w.param->SetValue(5);
    EXPECT_EQ(w.Notified(), 3u);
    EXPECT_EQ(FilterParamInt64::StringToValue(" 42x"), 42);
}

TEST(FilterParam, FloatLenientParsingAndStreamFormat)
{
    Watched<FilterParamFloat> w(std::make_shared<FilterParamFloat>("f", 0u, 1.5f, 0.0f, 10.0f));
    EXPECT_EQ(w.param->GetValueAsString(), "1.5");
    w.param->SetValueAsString("abc"); // no number reads as 0
    EXPECT_EQ(w.param->GetValue(), 0.0f);
    EXPECT_EQ(w.Notified(), 1u);
    w.param->SetValueAsString("xyz"); // still 0: no notification
    EXPECT_EQ(w.Notified(), 1u);
    w.param->SetValueAsString(" 12.5kg");
    EXPECT_EQ(w.param->GetValue(), 12.5f);
    w.param->SetValue(2.0f);
    EXPECT_EQ(w.param->GetValueAsString(), "2");
    w.param->SetValue(0.1f);
    EXPECT_EQ(w.param->GetValueAsString(), "0.1");
    w.param->SetValue(1e7f);
    EXPECT_EQ(w.param->GetValueAsString(), "1e+07");
    w.param->SetValue(1.0f / 3.0f);
    EXPECT_EQ(w.param->GetValueAsString(), "0.333333");
    EXPECT_EQ(FilterParamFloat::StringToValue("-2.5e2"), -250.0f);
    EXPECT_EQ(w.param->GetMinValue(), 0.0f);
    EXPECT_EQ(w.param->GetMaxValue(), 10.0f);
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
