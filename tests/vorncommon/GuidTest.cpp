#include <VornCommon/Guid.h>
#include <VornCommon/String.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <unordered_set>
#include <vector>

using VornCommon::Guid;
using VornCommon::String;

namespace {

// A spread of class and purpose GUIDs as they are written in the library's sources.
const char* const kBuiltInGuids[] = {
    "00DE29CB-A7AE-4529-B875-A48676D8561F", "3282920E-FB92-41C6-9B25-193C96A3C9A5",
    "6F0022F4-A3D5-4CCA-8DAC-ADCC3B37C839", "6F46D3FA-E24A-477D-8C50-A9F105EC5482",
    "9A4363B9-1B19-4E07-BB7A-7A4B959BD127", "B9EBEBB9-2CBC-4AB2-AAC0-D52F6206955B",
    "EFDE696B-60E9-4E52-A9F5-DF065FDDE8F6", "FF0983B8-37C1-40A6-A6EB-79CB46418489",
};

std::string ToLower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

TEST(Guid, TextRoundTripOfEveryBuiltInGuid)
{
    std::unordered_set<Guid> seen;
    for (const char* text : kBuiltInGuids) {
        const Guid guid = Guid::FromHexString(text);
        EXPECT_EQ((std::tuple{guid.ToHexString(), guid.IsNil()}), std::tuple(text, false));
        // Lower-case input parses to the same GUID and still prints upper-case.
        EXPECT_EQ((std::tuple{Guid::FromHexString(ToLower(text)), Guid::FromHexString(ToLower(text)).ToHexString()}),
                  std::tuple(guid, text));
        EXPECT_TRUE(seen.insert(guid).second) << text;
    }
}

TEST(Guid, RejectsMalformedTextNamingIt)
{
    const std::string good = "6F0022F4-A3D5-4CCA-8DAC-ADCC3B37C839";
    const std::vector<std::string> bad = {
        "",
        "6F0022F4-A3D5-4CCA-8DAC-ADCC3B37C83", // one short
        "6F0022F4-A3D5-4CCA-8DAC-ADCC3B37C8399", // one long
        "6F0022F4-A3D5-4CCA-8DAC-ADCC3B37C83G", // not a hex digit
        "6F0022F4-A3D5-4CCA-8DAC-ADCC3B37C8 9", // blank
        "6F0022F4A-3D5-4CCA-8DAC-ADCC3B37C839", // dash out of place
        "6F0022F4-A3D5-4CCA-8DACAADCC3B37C839", // dash missing
        "{6F0022F4-A3D5-4CCA-8DAC-ADCC3B37C839}", // braces
        "6F0022F4-A3D5-4CCA-8DAC-ADCC3B37C839 ", // trailing blank
        "-6F0022F4A3D5-4CCA-8DAC-ADCC3B37C839",
        std::string(1000, 'A'),
    };
    EXPECT_NO_THROW(Guid::FromHexString(good));
    for (const std::string& text : bad) {
        try {
            Guid::FromHexString(text);
            ADD_FAILURE() << "accepted '" << text << "'";
        } catch (const std::invalid_argument& e) {
            const std::string message = e.what();
            EXPECT_FALSE(message.empty());
            EXPECT_NE(message.find(text.substr(0, 20)), std::string::npos) << message;
            EXPECT_LT(message.size(), 200u) << "message stays bounded";
        }
    }
    // Embedded NUL: the std::string length counts it, so it is rejected rather than cut.
    std::string withNul = good;
    withNul[10] = '\0';
    EXPECT_THROW(Guid::FromHexString(withNul), std::invalid_argument);
}

TEST(Guid, RawFormIsPinned)
{
    const Guid guid = Guid::FromHexString("6F0022F4-A3D5-4CCA-8DAC-ADCC3B37C839");
    const std::array<uint8_t, 16> expected = {0xF4, 0x22, 0x00, 0x6F, 0xD5, 0xA3, 0xCA, 0x4C,
                                              0x8D, 0xAC, 0xAD, 0xCC, 0x3B, 0x37, 0xC8, 0x39};
    std::array<uint8_t, 16> raw{};
    guid.ToRawBytes(raw.data());
    EXPECT_EQ(raw, expected);
    EXPECT_EQ((std::tuple{Guid::FromRawBytes(expected.data()), Guid::FromRawBytes(expected.data(), false)}),
              std::tuple(guid, guid));

    // With the text-order flag the bytes are read as the text shows them.
    const std::array<uint8_t, 16> textOrder = {0x6F, 0x00, 0x22, 0xF4, 0xA3, 0xD5, 0x4C, 0xCA,
                                               0x8D, 0xAC, 0xAD, 0xCC, 0x3B, 0x37, 0xC8, 0x39};
    EXPECT_EQ((std::tuple{Guid::FromRawBytes(textOrder.data(), true), guid.TextOrderBytes()}),
              std::tuple(guid, textOrder));
}

TEST(String, ValueBehaviour)
{
    EXPECT_TRUE(String(static_cast<const char*>(nullptr)).IsEmpty());
    EXPECT_STREQ(String().CStr(), "");
    String a("abc");
    const std::string& asStd = a;
    EXPECT_EQ(asStd, "abc");
    EXPECT_EQ((std::tuple{a.Length(), a + "def", "x" + a, std::string("y") + a}),
              std::tuple(3u, "abcdef", String("xabc"), "yabc"));
    a += String("!");
    EXPECT_EQ(a, "abc!");
    EXPECT_NE(a, "abc");
    EXPECT_LT(String("Alpha"), String("Beta"));
    EXPECT_EQ(std::string("No guid '") + Guid::Nil.ToHexString() + "'",
              "No guid '00000000-0000-0000-0000-000000000000'");
}
