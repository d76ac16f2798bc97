#pragma once

// Float helpers: tolerance comparison, bounding boxes and the 6-byte point packing.
//
// 48-bit packing, per point x, y, z: Q = FixedPointFraction32((c - min) × scale) (the float
// product truncated and clamped to 32 bits), stored as the u16 Q >> 16, little-endian.
// Decoding: c = float(u16 << 16) × inverse scale + min. With scale = 2^32 / extent the error
// per axis stays below extent × 2^-16.

#include <VornCommon/Export.h>
#include <VornCommon/Vector.h>

#include <cfloat>
#include <cstdint>

namespace VornCommon {

namespace Math {

inline constexpr float SINGLE_EPSILON = FLT_EPSILON;

/// True when a equals b or they differ by at most epsilon (absolute).
constexpr bool AlmostEqual(float a, float b, float epsilon = SINGLE_EPSILON) noexcept
{
    const float difference = a > b ? a - b : b - a;
    return a == b || difference <= epsilon;
}

/// trunc(value) clamped to [0, 2^32 - 1], NaN as 0: the 32-bit fixed-point fraction of a
/// box coordinate. A coordinate on the box's maximum (2^32) or outside the box stays on the
/// nearest face rather than wrapping round to the far one.
inline uint32_t FixedPointFraction32(float value) noexcept
{
    constexpr float kTwo32 = 4294967296.0f;
    if (!(value > 0.0f))
        return 0;
    if (value >= kTwo32)
        return 0xFFFFFFFFu;
    return static_cast<uint32_t>(value);
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
