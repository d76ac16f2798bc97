#include "FloatText.h"

#include <charconv>
#include <stdexcept>

namespace VornCommon::FloatText {

void Append(std::string& out, float value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
    out.append(buffer, result.ptr);
}

void AppendTuple(std::string& out, const float* values, std::size_t count)
{
    out += '(';
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0)
            out += ", ";
        Append(out, values[i]);
    }
    out += ')';
}

namespace {

constexpr bool IsSeparator(char c) noexcept
{
    switch (c) {
    case ' ':
    case '\t':
    case '\r':
    case '\n':
    case ',':
    case '/':
    case ';':
    case '(':
    case ')': return true;
    default: return false;
    }
}

[[noreturn]] void ThrowNotANumber(std::string_view text, const char* what)
{
    constexpr std::size_t kMaxShown = 200;
    std::string shown(text.substr(0, kMaxShown));
    if (text.size() > kMaxShown)
        shown += "...";
    throw std::invalid_argument(std::string("Invalid ") + what + " text '" + shown + "'");
}

} // namespace

std::vector<float> ParseNumbers(std::string_view text, const char* what)
{
    std::vector<float> numbers;
    std::size_t i = 0;
    while (i < text.size()) {
        if (IsSeparator(text[i])) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && !IsSeparator(text[end]))
            ++end;
        std::string_view token = text.substr(i, end - i);
        // from_chars takes no leading '+', the stream readers do.
        if (token.size() > 1 && token[0] == '+' && token[1] != '-')
            token.remove_prefix(1);
        float value = 0.0f;
        const auto result = std::from_chars(token.data(), token.data() + token.size(), value);
        // Out-of-range values are refused too: a silently clamped matrix element is worse.
        if (result.ec != std::errc() || result.ptr != token.data() + token.size())
            ThrowNotANumber(text, what);
        numbers.push_back(value);
        i = end;
    }
    return numbers;
}

} // namespace VornCommon::FloatText
