#include "graph/params/ParamText.h"

#include <charconv>
#include <clocale>
#include <cstdlib>
#include <limits>
#include <locale.h>
#include <stdexcept>

namespace Hyx::ParamText {

namespace {

// The classic "C" locale, made once: number texts never follow the host's locale.
locale_t classicLocale()
{
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Sign and magnitude of the leading decimal number; `overflow` when it exceeds 64 bits.
struct Magnitude {
    bool negative = false;
    bool overflow = false;
    uint64_t value = 0;
};

// Throws invalid_argument(invalidText) when no digit follows the blanks and the sign.
Magnitude readMagnitude(const char* text, const char* invalidText)
{
    Magnitude m;
    const char* p = text != nullptr ? text : "";
    while (isBlank(*p))
        ++p;
    if (*p == '+' || *p == '-') {
        m.negative = (*p == '-');
        ++p;
    }
    if (*p < '0' || *p > '9')
        throw std::invalid_argument(invalidText);
    for (; *p >= '0' && *p <= '9'; ++p) {
        const uint64_t digit = static_cast<uint64_t>(*p - '0');
        if (m.value > (std::numeric_limits<uint64_t>::max() - digit) / 10)
            m.overflow = true;
        else
            m.value = m.value * 10 + digit;
    }
    return m;
}

// Signed conversion of `bits` width: the range is [-2^(bits-1), 2^(bits-1) - 1].
int64_t toSigned(const char* text, unsigned bits, const char* invalidText, const char* rangeText)
{
    const Magnitude m = readMagnitude(text, invalidText);
    const uint64_t limit = uint64_t{1} << (bits - 1);
    if (m.overflow || m.value > (m.negative ? limit : limit - 1))
        throw std::out_of_range(rangeText);
    if (!m.negative)
        return static_cast<int64_t>(m.value);
    // Negating in unsigned arithmetic keeps -2^63 representable.
    return static_cast<int64_t>(uint64_t{0} - m.value);
}

} // namespace

int32_t ToInt32(const char* text)
{
    return static_cast<int32_t>(toSigned(text, 32, "invalid stoi argument", "stoi argument out of range"));
}

int64_t ToInt64(const char* text)
{
    return toSigned(text, 64, "invalid stoll argument", "stoll argument out of range");
}

uint32_t ToUInt32(const char* text)
{
    const Magnitude m = readMagnitude(text, "invalid stoul argument");
    if (m.overflow || m.value > std::numeric_limits<uint32_t>::max())
        throw std::out_of_range("stoul argument out of range");
    // A minus sign negates modulo 2^32, as the 32-bit strtoul does.
    const uint32_t value = static_cast<uint32_t>(m.value);
    return m.negative ? static_cast<uint32_t>(0u - value) : value;
}

double ToNumber(const char* text)
{
    if (text == nullptr)
        return 0.0;
    return strtod_l(text, nullptr, classicLocale());
}

int32_t ToLenientInt(const char* text)
{
    if (text == nullptr)
        return 0;
    const long long value = strtoll_l(text, nullptr, 10, classicLocale());
    if (value > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

std::string FromFloat(float value)
{
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof(buffer), static_cast<double>(value), std::chars_format::general, 6);
    return std::string(buffer, result.ptr);
}

} // namespace Hyx::ParamText
