#include <Hyx/StatusProperty.h>

#include <gtest/gtest.h>

#include <locale>

using namespace Hyx;

namespace {

// A host-installed global locale with a decimal comma.
struct CommaDecimals : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

class GlobalLocale {
public:
    explicit GlobalLocale(const std::locale& locale) : _previous(std::locale::global(locale)) {}
    ~GlobalLocale() { std::locale::global(_previous); }

private:
    std::locale _previous;
};

std::string floatText(float value)
{
    return StatusPropertyFloat("f", value).GetValueAsString();
}

} // namespace

TEST(StatusProperty, ScalarKindsFormatTheirValue)
{
    EXPECT_EQ(StatusPropertyBool("b", true).GetValueAsString(), "True");
    EXPECT_EQ(StatusPropertyBool("b", false).GetValueAsString(), "False");
    EXPECT_EQ(StatusPropertyString("s", "text as is").GetValueAsString(), "text as is");
    EXPECT_EQ(StatusPropertyString("s", "").GetValueAsString(), "");
    EXPECT_EQ(StatusPropertyInt("i", -3).GetValueAsString(), "-3");
    EXPECT_EQ(StatusPropertyInt("i", int(0xFFFFFFFFu)).GetValueAsString(), "-1");
    EXPECT_EQ(floatText(2.0f), "2");
    EXPECT_EQ(floatText(0.1f), "0.1");
    EXPECT_EQ(floatText(1e7f), "1e+07");
    EXPECT_EQ(floatText(123456789.0f), "1.23457e+08");
    EXPECT_EQ(floatText(-0.000012f), "-1.2e-05");

    const StatusPropertyInt named("Width", 640);
    EXPECT_EQ(named.GetName(), "Width");
}

TEST(StatusProperty, NullNamesAndTextsCountAsEmpty)
{
    EXPECT_EQ(StatusPropertyString(nullptr, nullptr).GetName(), "");
    EXPECT_EQ(StatusPropertyString("s", nullptr).GetValueAsString(), "");
    EXPECT_EQ(StatusPropertyVector5("v", nullptr).GetValueAsString(), "0/0/0/0/0");
    EXPECT_EQ(StatusPropertyMatrix3x3("m", nullptr).GetValueAsString(), "0/0/0\n0/0/0\n0/0/0");
}

TEST(StatusProperty, CompoundKinds)
{
    const float five[] = {1, 2, 3, 4, 5};
    EXPECT_EQ(StatusPropertyVector5("v", five).GetValueAsString(), "1/2/3/4/5");
    const float identity[] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    EXPECT_EQ(StatusPropertyMatrix3x3("m", identity).GetValueAsString(), "1/0/0\n0/1/0\n0/0/1");
    const float mixed[] = {0.5f, -2, 1e7f, 0, 0, 0, 0, 0, 3};
    EXPECT_EQ(StatusPropertyMatrix3x3("m", mixed).GetValueAsString(), "0.5/-2/1e+07\n0/0/0\n0/0/3");

    const VornCommon::Vector2f v2(1.0f, 0.5f);
    EXPECT_EQ(StatusPropertyVector2("v2", v2).GetValueAsString(), std::string(v2.ToString()));
    const VornCommon::Vector3f v3(1, 2, 3);
    EXPECT_EQ(StatusPropertyVector3("v3", v3).GetValueAsString(), std::string(v3.ToString()));
    const VornCommon::Vector4f v4(1, 2, 3, 4);
    EXPECT_EQ(StatusPropertyVector4("v4", v4).GetValueAsString(), std::string(v4.ToString()));
    const VornCommon::Versorf q;
    EXPECT_EQ(StatusPropertyVersor("q", q).GetValueAsString(), std::string(q.ToString()));
    const VornCommon::Matrix4x4f m;
    EXPECT_EQ(StatusPropertyMatrix4x4("m4", m).GetValueAsString(), std::string(m.ToString()));
}

TEST(StatusProperty, NumbersIgnoreTheHostsGlobalLocale)
{
    const GlobalLocale comma(std::locale(std::locale::classic(), new CommaDecimals));
    EXPECT_EQ(floatText(0.1f), "0.1");
    EXPECT_EQ(StatusPropertyInt("i", 1234567).GetValueAsString(), "1234567");
    const float five[] = {1.5f, 2, 3, 4, 5};
    EXPECT_EQ(StatusPropertyVector5("v", five).GetValueAsString(), "1.5/2/3/4/5");
}
