#pragma once

// Guid: 16-byte identifier of classes and purposes.
//
// Text form: upper-case "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX". Parsing accepts exactly that
// shape in either case (no braces, no blanks) and raises std::invalid_argument naming the text
// otherwise.
// Raw form (16 bytes, stored in every stream and container): the first group as u32
// little-endian, the second and third groups as u16 little-endian, then the last 8 bytes in
// text order. 6F0022F4-A3D5-4CCA-8DAC-ADCC3B37C839 is F4 22 00 6F D5 A3 CA 4C 8D AC AD CC 3B 37
// C8 39. Stored files depend on this order.
// Order: identical to sorting the upper-case texts. The default value is the nil GUID.

#include <VornCommon/Export.h>
#include <VornCommon/String.h>

#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>

namespace VornCommon {

class VORN_API Guid {
public:
    static constexpr uint32_t RAW_BYTES_SIZE = 16;
    static constexpr std::size_t TEXT_LENGTH = 36;
    /// The nil GUID (all bytes zero); usable during static initialisation.
    static const Guid Nil;

    /// The 16 bytes in the order their hex digits appear in the text.
    using Bytes = std::array<uint8_t, 16>;

    constexpr Guid() noexcept = default;
    constexpr explicit Guid(const Bytes& textOrderBytes) noexcept : m_bytes(textOrderBytes) {}

    /// Parses the 36-character text form; throws std::invalid_argument naming the text.
    static Guid FromHexString(const std::string& text);
    /// Upper-case 36-character text form.
    String ToHexString() const;

    /// Reads the 16-byte raw form from `bytes`; with textOrder true the bytes are taken in
    /// text order instead.
    static Guid FromRawBytes(const uint8_t* bytes, bool textOrder = false) noexcept;
    /// Writes the 16-byte raw form to `dest`.
    void ToRawBytes(uint8_t* dest) const noexcept;

    constexpr bool IsNil() const noexcept { return m_bytes == Bytes{}; }
    constexpr const Bytes& TextOrderBytes() const noexcept { return m_bytes; }

    friend constexpr bool operator==(const Guid&, const Guid&) noexcept = default;
    friend constexpr std::strong_ordering operator<=>(const Guid&, const Guid&) noexcept = default;

private:
    Bytes m_bytes{};
};

inline constexpr Guid Guid::Nil{};

VORN_API std::ostream& operator<<(std::ostream& out, const Guid& guid);

} // namespace VornCommon

template <>
struct std::hash<VornCommon::Guid> {
    std::size_t operator()(const VornCommon::Guid& guid) const noexcept
    {
        // The bytes are already well spread; fold them and mix once.
        uint64_t h = 0xcbf29ce484222325ull;
        for (uint8_t b : guid.TextOrderBytes())
            h = (h ^ b) * 0x100000001b3ull;
        return static_cast<std::size_t>(h ^ (h >> 32));
    }
};
