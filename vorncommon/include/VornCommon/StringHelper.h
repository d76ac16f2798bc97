#pragma once

// Text helpers of the platform layer: padding, endings, lenient number parsing, splitting
// and line reading. All are ASCII-only and never throw (beyond std::bad_alloc).

#include <VornCommon/Export.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace VornCommon {

/// Static text functions.
class VORN_API StringHelper {
public:
    StringHelper() = delete;

    /// Decimal text of value, left-padded with '0' to at least width characters (after the
    /// sign): to_string(7, 3) is "007"; wider values are never cut.
    static std::string to_string(long long value, int width = 0);

    /// True when text ends with ending, byte for byte.
    static bool endsWith_CaseSensitive(std::string_view text, std::string_view ending);
    /// True when text ends with ending, ASCII letters compared case-insensitively.
    static bool endsWith(std::string_view text, std::string_view ending);

    /// Lenient decimal parse: leading blanks, optional '+' (a '-' gives 0), the longest digit
    /// prefix; 0 when there is none; clamped to the type's range. Null reads as "".
    static unsigned int toUInt(std::string_view text);
    static unsigned int toUInt(const char* text);
    /// toUInt for 64 bits.
    static uint64_t toUInt64(std::string_view text);
    static uint64_t toUInt64(const char* text);
    /// Lenient signed decimal parse: as toUInt, with an optional '-'; clamped to int.
    static int toInt(std::string_view text);
    static int toInt(const char* text);

    /// Splits at every separator and keeps empty parts: k separators give k + 1 parts, ""
    /// gives one empty part. An empty separator gives the whole text as one part.
    static std::vector<std::string> split(std::string_view text, std::string_view separator);
    static std::vector<std::string> split(std::string_view text, char separator);

    /// ASCII lower case of text.
    static std::string toLower(std::string_view text);

    /// Takes the first line of text (up to the first LF; one trailing CR dropped) and splits it
    /// at separator. skipEmpty drops empty tokens (repeated or trailing separators).
    /// keepText false removes the line and its LF from text; true leaves text untouched.
    static std::vector<std::string> ReadLine(std::string& text, char separator, bool skipEmpty, bool keepText);
};

} // namespace VornCommon
