#include <VornCommon/StringHelper.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using VornCommon::StringHelper;
using Parts = std::vector<std::string>;

TEST(StringHelper, LenientNumbers)
{
    EXPECT_EQ(StringHelper::toUInt("12abc"), 12u);
    EXPECT_EQ(StringHelper::toUInt(""), 0u);
    EXPECT_EQ(StringHelper::toUInt(static_cast<const char*>(nullptr)), 0u);
    EXPECT_EQ(StringHelper::toUInt("  +42"), 42u);
    EXPECT_EQ(StringHelper::toUInt("-5"), 0u);
    EXPECT_EQ(StringHelper::toUInt("abc"), 0u);
    EXPECT_EQ(StringHelper::toUInt("99999999999"), 4294967295u); // clamped
    EXPECT_EQ(StringHelper::toUInt64("18446744073709551615"), 18446744073709551615ull);
    EXPECT_EQ(StringHelper::toUInt64("18446744073709551616"), 18446744073709551615ull);
    EXPECT_EQ(StringHelper::toUInt64("133000000000000000 "), 133000000000000000ull);
    EXPECT_EQ(StringHelper::toInt("-17x"), -17);
    EXPECT_EQ(StringHelper::toInt("\t3"), 3);
    EXPECT_EQ(StringHelper::toInt("2147483647"), 2147483647);
    EXPECT_EQ(StringHelper::toInt("2147483648"), 2147483647);
    EXPECT_EQ(StringHelper::toInt("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(StringHelper::toInt("-99999999999"), -2147483647 - 1);
    EXPECT_EQ(StringHelper::toInt("- 3"), 0);
}

TEST(StringHelper, SplitKeepsEmptyParts)
{
    EXPECT_EQ(StringHelper::split("1/2/3", '/'), (Parts{"1", "2", "3"}));
    EXPECT_EQ(StringHelper::split("1//3/", "/"), (Parts{"1", "", "3", ""}));
    EXPECT_EQ(StringHelper::split("", '/'), (Parts{""}));
    EXPECT_EQ(StringHelper::split("/", '/'), (Parts{"", ""}));
    EXPECT_EQ(StringHelper::split("a::b", "::"), (Parts{"a", "b"}));
    EXPECT_EQ(StringHelper::split("a/b", ""), (Parts{"a/b"}));
    EXPECT_EQ(StringHelper::toLower("Photo.JPG-Ä"), "photo.jpg-Ä");
}

TEST(StringHelper, ReadLineConsumesOneLineAndStripsCarriageReturn)
{
    std::string text = "Center: 1 2  3 \r\nsecond line\n\nlast";
    EXPECT_EQ(StringHelper::ReadLine(text, ' ', true, false), (Parts{"Center:", "1", "2", "3"}));
    EXPECT_EQ(text, "second line\n\nlast");

    // keepText leaves the text alone; without skipEmpty empty tokens stay.
    EXPECT_EQ(StringHelper::ReadLine(text, ' ', false, true), (Parts{"second", "line"}));
    EXPECT_EQ(text, "second line\n\nlast");
    StringHelper::ReadLine(text, ' ', true, false);
    EXPECT_EQ(StringHelper::ReadLine(text, ' ', true, false), Parts{});
    EXPECT_EQ(text, "last");
    EXPECT_EQ(StringHelper::ReadLine(text, ' ', true, false), Parts{"last"});
    EXPECT_EQ(text, "");

    std::string blanks = "a  b \n";
    EXPECT_EQ(StringHelper::ReadLine(blanks, ' ', false, false), (Parts{"a", "", "b", ""}));
    EXPECT_TRUE(blanks.empty());

    // A matrix line ending in a blank must still give exactly its 17 tokens.
    std::string matrix = "Matrix: 1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1 \r\n";
    EXPECT_EQ(StringHelper::ReadLine(matrix, ' ', true, false).size(), 17u);
}
