#pragma once

// Float helpers: tolerance comparison, bounding boxes and the 6-byte point packing.
//
// 48-bit packing, per point x, y, z: Q = low 32 bits of trunc((c - min) × scale) (the float
// product truncated to a signed 64-bit integer), stored as the u16 Q >> 16, little-endian.
// Decoding: c = float(u16 << 16) × inverse scale + min. With scale = 2^32 / extent the error
// per axis stays below extent × 2^-16.

#include <VornCommon/Export.h>
#include <VornCommon/Vector.h>

#include <cfloat>
#include <cstdint>
#include <limits>

namespace VornCommon {

namespace Math {

inline constexpr float SINGLE_EPSILON = FLT_EPSILON;

/// True when a equals b or they differ by at most epsilon (absolute).
constexpr bool AlmostEqual(float a, float b, float epsilon = SINGLE_EPSILON) noexcept
{
    const float difference = a > b ? a - b : b - a;
    return a == b || difference <= epsilon;
}

/// trunc(value) as a signed 64-bit integer, saturating and with NaN as 0: the plain
/// conversion is undefined for values it cannot hold, and coordinates outside a box may
/// produce them.
inline int64_t TruncateToInt64(float value) noexcept
{
    constexpr float kLimit = 9223372036854775808.0f; // 2^63
    if (!(value == value))
        return 0;
    if (value >= kLimit)
        return std::numeric_limits<int64_t>::max();
    if (value < -kLimit)
        return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(value);
}

} // namespace Math

/// Writes the per-axis minimum and maximum of `count` points (3 floats each) to min3 and max3.
/// NaN coordinates are ignored; an axis without any (and zero points) gives 0 for both.
VORN_API void calculateBoundingBox(const float* points, uint32_t count, float* min3, float* max3) noexcept;

/// Packs `count` points (3 floats each) into 6 bytes each at `out` (see above).
VORN_API void compressPoints48bit(const float* points, uint8_t* out, const Vector3f& scale, const Vector3f& min,
                                  uint32_t count) noexcept;

/// Unpacks `count` points of 6 bytes each from `in` into 3 floats each at `points`.
VORN_API void uncompressPoints48bit(const uint8_t* in, float* points, const Vector3f& invScale, const Vector3f& min,
                                    uint32_t count) noexcept;

} // namespace VornCommon
