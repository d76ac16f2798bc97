#include "filters/geometry/DepthmapPoints.h"

#include <cmath>
#include <cstdlib>

namespace Hyx::DepthmapPoints {

uint32_t CountNonZero(const uint8_t* samples, uint32_t width, uint32_t height)
{
    const uint64_t n = uint64_t(width) * height;
    uint32_t count = 0;
    for (uint64_t i = 0; i < n; ++i)
        count += SampleAt(samples, i) != 0;
    return count;
}

void Plain(const uint8_t* samples, uint32_t width, uint32_t height, const Camera& camera, float* out)
{
    for (uint32_t x = 0; x < width; ++x) {
        const float u = std::round(float(x) * camera.f);
        for (uint32_t y = 0; y < height; ++y) {
            const uint16_t d = SampleAt(samples, uint64_t(y) * width + x);
            if (d == 0)
                continue;
            Emit(out, camera, float(d), u, std::round(float(y) * camera.f));
            out += 3;
        }
    }
}

void Random(const uint8_t* samples, uint32_t width, uint32_t height, const Camera& camera, const float* ab,
            uint32_t count, float* out)
{
    const float w1 = float(width - 1), h1 = float(height - 1);
    const float wf = float(width) * camera.f, hf = float(height) * camera.f;
    for (uint32_t i = 0; i < count; ++i, out += 3) {
        const float a = ab[2 * i], b = ab[2 * i + 1];
        const uint16_t d = SampleAt(samples, uint64_t(uint32_t(h1 * b)) * width + uint32_t(w1 * a));
        Emit(out, camera, float(d), std::round(a * wf), std::round(b * hf));
    }
}

namespace {

// Number of values 0, step, 2 step, ... below limit, counted the way the grid loop adds.
uint64_t gridCount(float limit, float step)
{
    uint64_t n = 0;
    for (float v = 0.0f; v < limit; v += step)
        ++n;
    return n;
}

} // namespace

uint64_t SupersampledCapacity(uint32_t width, uint32_t height, float step)
{
    if (width < 2 || height < 2)
        return 0;
    return gridCount(float(width - 1), step) * gridCount(float(height - 1), step);
}

uint32_t Supersampled(const uint8_t* samples, uint32_t width, uint32_t height, const Camera& camera,
                      const Supersampling& grid, float* out)
{
    if (width < 2 || height < 2)
        return 0;
    const float xEnd = float(width - 1), yEnd = float(height - 1);
    const float t = grid.maxDistance;
    uint32_t count = 0;
    int64_t lastX = -100, lastY = -100;
    int32_t d00 = 0, d10 = 0, d01 = 0, d11 = 0;
    for (float y = 0.0f; y < yEnd; y += grid.step) {
        const int64_t iy = int64_t(y);
        const float ay = y - float(iy);
        for (float x = 0.0f; x < xEnd; x += grid.step) {
            const int64_t ix = int64_t(x);
            const float ax = x - float(ix);
            if (ix != lastX || iy != lastY) {
                lastX = ix;
                lastY = iy;
                const uint64_t i = uint64_t(iy) * width + uint64_t(ix);
                d00 = SampleAt(samples, i);
                if (d00 != 0) {
                    d10 = SampleAt(samples, i + 1);
                    d01 = SampleAt(samples, i + width);
                    d11 = SampleAt(samples, i + width + 1);
                }
            }
            if (d00 == 0)
                continue;
            const float top = float(std::abs(d00 - d10)) > t ? float(d00) : float(d00) + float(d10 - d00) * ax;
            const float bottom = float(std::abs(d01 - d11)) > t ? float(d01) : float(d01) + float(d11 - d01) * ax;
            const int64_t d = std::fabs(top - bottom) > t ? d00 : int64_t(top + (bottom - top) * ay) & 0xFFFF;
            if (d < grid.nearDepth || d > grid.farDepth)
                continue;
            Emit(out, camera, float(d), x * camera.f, y * camera.f);
            out += 3;
            ++count;
        }
    }
    return count;
}

} // namespace Hyx::DepthmapPoints
