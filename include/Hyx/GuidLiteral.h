#pragma once

// Compile-time GUIDs from their text, for the library's fixed type and purpose GUIDs: they
// are constants before any static initialiser runs, and a malformed text does not compile.

#include <VornCommon/Guid.h>

#include <string_view>

namespace Hyx {

namespace detail {
consteval uint8_t HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return static_cast<uint8_t>(c - '0');
    if (c >= 'A' && c <= 'F')
        return static_cast<uint8_t>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f')
        return static_cast<uint8_t>(c - 'a' + 10);
    throw "invalid hex digit in a GUID literal";
}
} // namespace detail

/// The GUID of a 36-character text "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX", at compile time.
consteval VornCommon::Guid GuidLiteral(std::string_view text)
{
    if (text.size() != VornCommon::Guid::TEXT_LENGTH)
        throw "a GUID literal has 36 characters";
    VornCommon::Guid::Bytes bytes{};
    std::size_t b = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (text[i] != '-')
                throw "misplaced dash in a GUID literal";
            ++i;
            continue;
        }
        bytes[b++] = static_cast<uint8_t>(detail::HexDigitValue(text[i]) << 4 | detail::HexDigitValue(text[i + 1]));
        i += 2;
    }
    return VornCommon::Guid(bytes);
}

} // namespace Hyx
