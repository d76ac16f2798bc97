#include <VornCommon/StringHelper.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using VornCommon::StringHelper;
using Parts = std::vector<std::string>;

TEST(StringHelper, LenientNumbers)
{
    EXPECT_EQ((std::tuple{StringHelper::toUInt("12abc"), StringHelper::toUInt(""),
                          StringHelper::toUInt(static_cast<const char*>(nullptr)), StringHelper::toUInt("  +42"),
                          StringHelper::toUInt("-5"), StringHelper::toUInt("abc")}),
              std::tuple(12u, 0u, 0u, 42u, 0u, 0u));
    EXPECT_EQ(StringHelper::toUInt("99999999999"), 4294967295u); // clamped
    EXPECT_EQ((std::tuple{StringHelper::toUInt64("18446744073709551615"),
                          StringHelper::toUInt64("18446744073709551616"), StringHelper::toUInt64("133000000000000000 "),
                          StringHelper::toInt("-17x"), StringHelper::toInt("\t3"), StringHelper::toInt("2147483647"),
                          StringHelper::toInt("2147483648"), StringHelper::toInt("-2147483648"),
                          StringHelper::toInt("-99999999999"), StringHelper::toInt("- 3")}),
              std::tuple(18446744073709551615ull, 18446744073709551615ull, 133000000000000000ull, -17, 3, 2147483647,
                         2147483647, -2147483647 - 1, -2147483647 - 1, 0));
}

TEST(StringHelper, SplitKeepsEmptyParts)
{
    EXPECT_EQ(StringHelper::split("1/2/3", '/'), (Parts{"1", "2", "3"}));
    EXPECT_EQ(StringHelper::split("1//3/", "/"), (Parts{"1", "", "3", ""}));
    EXPECT_EQ((std::tuple{StringHelper::split("", '/'), StringHelper::split("/", '/'),
                          StringHelper::split("a::b", "::"), StringHelper::split("a/b", "")}),
              std::tuple((Parts{""}), (Parts{"", ""}), (Parts{"a", "b"}), (Parts{"a/b"})));
    EXPECT_EQ(StringHelper::toLower("Photo.JPG-Ä"), "photo.jpg-Ä");
}

TEST(StringHelper, ReadLineConsumesOneLineAndStripsCarriageReturn)
{
    std::string text = "Center: 1 2  3 \r\nsecond line\n\nlast";
    EXPECT_EQ((std::tuple{StringHelper::ReadLine(text, ' ', true, false), text}),
              std::tuple((Parts{"Center:", "1", "2", "3"}), "second line\n\nlast"));

    // keepText leaves the text alone; without skipEmpty empty tokens stay.
    EXPECT_EQ((std::tuple{StringHelper::ReadLine(text, ' ', false, true), text}),
              std::tuple((Parts{"second", "line"}), "second line\n\nlast"));
    StringHelper::ReadLine(text, ' ', true, false);
    EXPECT_EQ((std::tuple{StringHelper::ReadLine(text, ' ', true, false), text}), std::tuple(Parts{}, "last"));
    EXPECT_EQ((std::tuple{StringHelper::ReadLine(text, ' ', true, false), text}), std::tuple(Parts{"last"}, ""));

    std::string blanks = "a  b \n";
    EXPECT_EQ((std::tuple{StringHelper::ReadLine(blanks, ' ', false, false), blanks.empty()}),
              std::tuple((Parts{"a", "", "b", ""}), true));

    // A matrix line ending in a blank must still give exactly its 17 tokens.
    std::string matrix = "Matrix: 1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1 \r\n";
    EXPECT_EQ(StringHelper::ReadLine(matrix, ' ', true, false).size(), 17u);
}
