#pragma once

// Color: an RGBA colour of four floats in 0..1; the default is opaque black (0, 0, 0, 1).
// Text form: "(r, g, b, a)" in default stream float format.

#include <VornCommon/Export.h>
#include <VornCommon/String.h>

#include <string>

namespace VornCommon {

struct VORN_API Color {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    float a = 1.0f;

    constexpr Color() noexcept = default;
    constexpr Color(float r_, float g_, float b_, float a_ = 1.0f) noexcept : r(r_), g(g_), b(b_), a(a_) {}

    String ToString() const;
    /// Reads 4 numbers (3 give alpha 1), separated as in Matrix4x4f::FromString. Throws
    /// std::invalid_argument for any other count or a token that is not a number.
    static Color FromString(const std::string& text);

    friend constexpr bool operator==(const Color&, const Color&) noexcept = default;
};

} // namespace VornCommon
