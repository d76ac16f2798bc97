#include <VornCommon/StringHelper.h>

#include <cstdio>
#include <limits>

namespace VornCommon {

namespace {

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Parses [blanks][sign][digits]; the magnitude saturates at limit so callers can clamp.
struct ParsedNumber {
    bool negative = false;
    uint64_t magnitude = 0;
};

ParsedNumber ParseDecimal(std::string_view text, uint64_t limit)
{
    ParsedNumber result;
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        result.negative = text[i] == '-';
        ++i;
    }
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const uint64_t digit = static_cast<uint64_t>(text[i] - '0');
        if (result.magnitude > (limit - digit) / 10) {
            result.magnitude = limit; // saturated; the caller clamps
            return result;
        }
        result.magnitude = result.magnitude * 10 + digit;
    }
    return result;
}

} // namespace

std::string StringHelper::to_string(long long value, int width)
{
    if (width < 0)
        width = 0;
    if (width > 64)
        width = 64;
    char buffer[96];
    const int length = std::snprintf(buffer, sizeof buffer, "%0*lld", width, value);
    return std::string(buffer, static_cast<size_t>(length));
}

bool StringHelper::endsWith_CaseSensitive(std::string_view text, std::string_view ending)
{
    return text.size() >= ending.size() && text.substr(text.size() - ending.size()) == ending;
}

bool StringHelper::endsWith(std::string_view text, std::string_view ending)
{
    if (text.size() < ending.size())
        return false;
    const std::string_view tail = text.substr(text.size() - ending.size());
    for (size_t i = 0; i < tail.size(); ++i)
        if (LowerAscii(tail[i]) != LowerAscii(ending[i]))
            return false;
    return true;
}

unsigned int StringHelper::toUInt(std::string_view text)
{
    const uint64_t value = toUInt64(text);
    return value > std::numeric_limits<unsigned int>::max() ? std::numeric_limits<unsigned int>::max()
                                                            : static_cast<unsigned int>(value);
}

unsigned int StringHelper::toUInt(const char* text)
{
    return toUInt(text ? std::string_view(text) : std::string_view());
}

uint64_t StringHelper::toUInt64(std::string_view text)
{
    const ParsedNumber parsed = ParseDecimal(text, std::numeric_limits<uint64_t>::max());
    return parsed.negative ? 0 : parsed.magnitude;
}

uint64_t StringHelper::toUInt64(const char* text)
{
    return toUInt64(text ? std::string_view(text) : std::string_view());
}

int StringHelper::toInt(std::string_view text)
{
    constexpr uint64_t maxMagnitude = static_cast<uint64_t>(std::numeric_limits<int>::max()) + 1;
    const ParsedNumber parsed = ParseDecimal(text, maxMagnitude);
    if (parsed.negative)
        return static_cast<int>(-static_cast<long long>(parsed.magnitude));
    return parsed.magnitude >= maxMagnitude ? std::numeric_limits<int>::max() : static_cast<int>(parsed.magnitude);
}

int StringHelper::toInt(const char* text)
{
    return toInt(text ? std::string_view(text) : std::string_view());
}

std::vector<std::string> StringHelper::split(std::string_view text, std::string_view separator)
{
    std::vector<std::string> parts;
    if (separator.empty()) {
        parts.emplace_back(text);
        return parts;
    }
    size_t start = 0;
    for (;;) {
        const size_t found = text.find(separator, start);
        if (found == std::string_view::npos) {
            parts.emplace_back(text.substr(start));
            return parts;
        }
        parts.emplace_back(text.substr(start, found - start));
        start = found + separator.size();
    }
}

std::vector<std::string> StringHelper::split(std::string_view text, char separator)
{
    return split(text, std::string_view(&separator, 1));
}

std::string StringHelper::toLower(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower)
        c = LowerAscii(c);
    return lower;
}

std::vector<std::string> StringHelper::ReadLine(std::string& text, char separator, bool skipEmpty, bool keepText)
{
    const size_t lineFeed = text.find('\n');
    std::string_view line(text.data(), lineFeed == std::string::npos ? text.size() : lineFeed);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);

    std::vector<std::string> tokens;
    size_t start = 0;
    for (;;) {
        const size_t found = line.find(separator, start);
        const std::string_view token =
            line.substr(start, found == std::string_view::npos ? std::string_view::npos : found - start);
        if (!skipEmpty || !token.empty())
            tokens.emplace_back(token);
        if (found == std::string_view::npos)
            break;
        start = found + 1;
    }

    if (!keepText)
        text.erase(0, lineFeed == std::string::npos ? text.size() : lineFeed + 1);
    return tokens;
}

} // namespace VornCommon
