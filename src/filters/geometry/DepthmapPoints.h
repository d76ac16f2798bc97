#pragma once

// Points from a 16-bit depth map of the infrared camera: plain, randomly placed and
// supersampled. Plain arrays in and out; the samples are read bytewise, since a loaded
// payload may leave them unaligned.

#include <cstdint>
#include <cstring>

namespace Hyx::DepthmapPoints {

/// What the kernels need of the infrared camera and the map.
struct Camera {
    float f; ///< camera pixels per map pixel (W / w)
    float cx; ///< principal point
    float cy;
    float invFx; ///< 1 / fx
    float invFy; ///< 1 / fy
};

/// The sample at index i of a map given as bytes.
inline uint16_t SampleAt(const uint8_t* samples, uint64_t i)
{
    uint16_t d;
    std::memcpy(&d, samples + 2 * i, 2);
    return d;
}

/// Writes the point of depth d at camera pixel (u, v).
inline void Emit(float* out, const Camera& c, float d, float u, float v)
{
    out[0] = -(d * ((u - c.cx) * c.invFx));
    out[1] = -(d * ((v - c.cy) * c.invFy));
    out[2] = d;
}

/// Number of non-zero samples.
uint32_t CountNonZero(const uint8_t* samples, uint32_t width, uint32_t height);

/// One point per non-zero sample, column after column, at the rounded camera pixel; out
/// holds CountNonZero points.
void Plain(const uint8_t* samples, uint32_t width, uint32_t height, const Camera& camera, float* out);

/// One point per pair (a, b) of fractions in 0 .. 0.9999 (ab holds count pairs): the
/// sample at (trunc((w-1)a), trunc((h-1)b)); zero samples give the origin. width and height
/// are at least 1.
void Random(const uint8_t* samples, uint32_t width, uint32_t height, const Camera& camera, const float* ab,
            uint32_t count, float* out);

/// Parameters of the supersampled grid, already clamped.
struct Supersampling {
    float step; ///< grid step in map pixels (1 / supersampling)
    float maxDistance; ///< neighbours further apart are not interpolated
    int64_t nearDepth; ///< kept depths: nearDepth .. farDepth
    int64_t farDepth;
};

/// Upper bound of the points Supersampled may write.
uint64_t SupersampledCapacity(uint32_t width, uint32_t height, float step);

/// Points on the grid x, y = 0, step, ... below w - 1 and h - 1, row after row, depth
/// interpolated bilinearly between neighbours no further apart than maxDistance; returns
/// the number written (no origin point added).
uint32_t Supersampled(const uint8_t* samples, uint32_t width, uint32_t height, const Camera& camera,
                      const Supersampling& grid, float* out);

} // namespace Hyx::DepthmapPoints
