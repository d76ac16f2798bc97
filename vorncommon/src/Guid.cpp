#include <VornCommon/Guid.h>

#include <algorithm>
#include <ostream>
#include <stdexcept>

namespace VornCommon {

namespace {

// The one place that fixes the raw byte order. The mapping swaps bytes within the first three
// groups, so it is its own inverse and serves reading and writing alike.
void SwapRawAndTextOrder(const uint8_t* in, uint8_t* out) noexcept
{
    static constexpr uint8_t kOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    for (int i = 0; i < 16; ++i)
        out[i] = in[kOrder[i]];
}

int HexValue(char c) noexcept
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

constexpr bool IsDashPosition(std::size_t i) noexcept
{
    return i == 8 || i == 13 || i == 18 || i == 23;
}

[[noreturn]] void ThrowInvalidText(const std::string& text)
{
    // Name the text, but keep the message bounded when someone passes a whole document.
    constexpr std::size_t kMaxShown = 64;
    std::string shown = text.size() > kMaxShown ? text.substr(0, kMaxShown) + "..." : text;
    throw std::invalid_argument("Invalid GUID text '" + shown + "'");
}

} // namespace

Guid Guid::FromHexString(const std::string& text)
{
    if (text.size() != TEXT_LENGTH)
        ThrowInvalidText(text);
    Bytes bytes{};
    std::size_t byteIndex = 0;
    for (std::size_t i = 0; i < TEXT_LENGTH;) {
        if (IsDashPosition(i)) {
            if (text[i] != '-')
                ThrowInvalidText(text);
            ++i;
            continue;
        }
        const int high = HexValue(text[i]);
        const int low = IsDashPosition(i + 1) ? -1 : HexValue(text[i + 1]);
        if (high < 0 || low < 0)
            ThrowInvalidText(text);
        bytes[byteIndex++] = static_cast<uint8_t>(high << 4 | low);
        i += 2;
    }
    return Guid(bytes);
}

String Guid::ToHexString() const
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text(TEXT_LENGTH, '-');
    std::size_t byteIndex = 0;
    for (std::size_t i = 0; i < TEXT_LENGTH;) {
        if (IsDashPosition(i)) {
            ++i;
            continue;
        }
        text[i] = kDigits[m_bytes[byteIndex] >> 4];
        text[i + 1] = kDigits[m_bytes[byteIndex] & 0xF];
        ++byteIndex;
        i += 2;
    }
    return String(std::move(text));
}

Guid Guid::FromRawBytes(const uint8_t* bytes, bool textOrder) noexcept
{
    Guid guid;
    if (textOrder)
        std::copy(bytes, bytes + RAW_BYTES_SIZE, guid.m_bytes.begin());
    else
        SwapRawAndTextOrder(bytes, guid.m_bytes.data());
    return guid;
}

void Guid::ToRawBytes(uint8_t* dest) const noexcept
{
    SwapRawAndTextOrder(m_bytes.data(), dest);
}

std::ostream& operator<<(std::ostream& out, const Guid& guid)
{
    return out << guid.ToHexString();
}

} // namespace VornCommon
