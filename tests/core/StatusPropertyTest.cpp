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

TEST(StatusProperty, NullNamesAndTextsCountAsEmpty)
{
    EXPECT_EQ((std::tuple{StatusPropertyString(nullptr, nullptr).GetName(),
                          StatusPropertyString("s", nullptr).GetValueAsString(),
                          StatusPropertyVector5("v", nullptr).GetValueAsString(),
                          StatusPropertyMatrix3x3("m", nullptr).GetValueAsString()}),
              std::tuple("", "", "0/0/0/0/0", "0/0/0\n0/0/0\n0/0/0"));
}

TEST(StatusProperty, NumbersIgnoreTheHostsGlobalLocale)
{
    const GlobalLocale comma(std::locale(std::locale::classic(), new CommaDecimals));
    EXPECT_EQ((std::tuple{floatText(0.1f), StatusPropertyInt("i", 1234567).GetValueAsString()}),
              std::tuple("0.1", "1234567"));
    const float five[] = {1.5f, 2, 3, 4, 5};
    EXPECT_EQ(StatusPropertyVector5("v", five).GetValueAsString(), "1.5/2/3/4/5");
}
