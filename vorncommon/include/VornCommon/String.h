#pragma once

// String: the text value of exported signatures. One std::string and nothing else, with no
// virtual members: plug-ins export data objects holding Strings, so its layout is ABI.

#include <VornCommon/Export.h>

#include <compare>
#include <cstddef>
#include <functional>
#include <iosfwd>
#include <string>
#include <utility>

namespace VornCommon {

class VORN_API String {
public:
    String() = default;
    /// Copies a NUL-terminated text; null gives the empty text.
    String(const char* text);
    String(const std::string& text) : m_text(text) {}
    String(std::string&& text) noexcept : m_text(std::move(text)) {}

    /// The text as a NUL-terminated character pointer, valid while the String lives unchanged.
    const char* CStr() const noexcept { return m_text.c_str(); }
    const std::string& StdString() const noexcept { return m_text; }
    operator const std::string&() const noexcept { return m_text; }

    /// Number of bytes (not characters).
    std::size_t Length() const noexcept { return m_text.size(); }
    bool IsEmpty() const noexcept { return m_text.empty(); }

    String& operator+=(const String& other);

    friend VORN_API String operator+(const String& a, const String& b);
    friend bool operator==(const String& a, const String& b) noexcept { return a.m_text == b.m_text; }
    friend std::strong_ordering operator<=>(const String& a, const String& b) noexcept
    {
        return a.m_text.compare(b.m_text) <=> 0;
    }

private:
    std::string m_text;
};

VORN_API std::ostream& operator<<(std::ostream& out, const String& text);

} // namespace VornCommon

template <>
struct std::hash<VornCommon::String> {
    std::size_t operator()(const VornCommon::String& text) const noexcept
    {
        return std::hash<std::string>{}(text.StdString());
    }
};
