#include <VornCommon/Math.h>

#include <cmath>

namespace VornCommon {

void calculateBoundingBox(const float* points, uint32_t count, float* min3, float* max3) noexcept
{
    float lo[3] = {INFINITY, INFINITY, INFINITY};
    float hi[3] = {-INFINITY, -INFINITY, -INFINITY};
    for (uint32_t i = 0; i < count; ++i) {
        const float* p = points + 3 * static_cast<std::size_t>(i);
        for (int a = 0; a < 3; ++a) {
            // Comparisons with NaN are false, so NaN coordinates never enter the box.
            if (p[a] < lo[a])
                lo[a] = p[a];
            if (p[a] > hi[a])
                hi[a] = p[a];
        }
    }
    for (int a = 0; a < 3; ++a) {
        // The box is serialised and printed: an empty axis is 0, not the infinities.
        const bool empty = lo[a] > hi[a];
        min3[a] = empty ? 0.0f : lo[a];
        max3[a] = empty ? 0.0f : hi[a];
    }
}

void compressPoints48bit(const float* points, uint8_t* out, const Vector3f& scale, const Vector3f& min,
                         uint32_t count) noexcept
{
    const float k[3] = {scale.x, scale.y, scale.z};
    const float m[3] = {min.x, min.y, min.z};
    for (uint32_t i = 0; i < count; ++i) {
        const float* p = points + 3 * static_cast<std::size_t>(i);
        uint8_t* o = out + 6 * static_cast<std::size_t>(i);
        for (int a = 0; a < 3; ++a) {
            const auto q = Math::FixedPointFraction32((p[a] - m[a]) * k[a]);
            o[2 * a] = static_cast<uint8_t>(q >> 16);
            o[2 * a + 1] = static_cast<uint8_t>(q >> 24);
        }
    }
}

void uncompressPoints48bit(const uint8_t* in, float* points, const Vector3f& invScale, const Vector3f& min,
                           uint32_t count) noexcept
{
    const float k[3] = {invScale.x, invScale.y, invScale.z};
    const float m[3] = {min.x, min.y, min.z};
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* s = in + 6 * static_cast<std::size_t>(i);
        float* p = points + 3 * static_cast<std::size_t>(i);
        for (int a = 0; a < 3; ++a) {
            const uint32_t q = (static_cast<uint32_t>(s[2 * a]) | static_cast<uint32_t>(s[2 * a + 1]) << 8) << 16;
            p[a] = static_cast<float>(q) * k[a] + m[a];
        }
    }
}

} // namespace VornCommon
