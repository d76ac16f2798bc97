#pragma once

// Projection of vertex positions to pixels of a camera image, shared by the texture
// coordinate and vertex colour filters. Inline, so each per-vertex loop sees through it.

#include <VornCommon/CameraParams.h>
#include <VornCommon/Matrix4x4f.h>

#include <cmath>
#include <cstdint>

namespace Hyx::CameraProjection {

/// floor(value + 0.5) clamped to 0 .. size - 1, decided in floating point so that no
/// out-of-range value reaches the integer conversion; not a number gives 0, as does an
/// empty axis.
inline int32_t RoundToPixel(float value, int64_t size)
{
    const float rounded = std::floor(value + 0.5f);
    if (!(rounded > 0.0f) || size <= 0)
        return 0;
    if (rounded >= float(size - 1))
        return int32_t(size - 1);
    return int32_t(rounded);
}

/// trunc(value) clamped to 0 .. maximum (maximum >= 0); not a number gives 0.
inline int32_t TruncToPixel(float value, int32_t maximum)
{
    if (!(value > 0.0f))
        return 0;
    if (value >= float(maximum))
        return maximum;
    return int32_t(value);
}

/// The pixel that a normalised image point shows at: denormalised, then moved by the lens
/// model, then rounded and clamped to the camera's image.
inline void PixelOf(const VornCommon::CameraParams& camera, VornCommon::Vector2f normalized, int32_t& px, int32_t& py)
{
    const VornCommon::Vector2f pixel = camera.UndistortPoint(camera.DenormalizePoint(normalized));
    px = RoundToPixel(pixel.x, camera.width);
    py = RoundToPixel(pixel.y, camera.height);
}

/// Pixel of a vertex in the colour camera: (-x, -y, z) moved by the camera's pose.
inline void ColorPixel(const VornCommon::CameraParams& camera, const float* vertex, int32_t& px, int32_t& py)
{
    const VornCommon::Vector3f q =
        camera.rotation * VornCommon::Vector3f(-vertex[0], -vertex[1], vertex[2]) + camera.translation;
    PixelOf(camera, VornCommon::Vector2f(q.x / q.z, q.y / q.z), px, py);
}

/// Pixel of a vertex in the infrared camera, the reference frame of the positions: (x, y, -z).
inline void InfraredPixel(const VornCommon::CameraParams& camera, const float* vertex, int32_t& px, int32_t& py)
{
    const float z = -vertex[2];
    PixelOf(camera, VornCommon::Vector2f(vertex[0] / z, vertex[1] / z), px, py);
}

} // namespace Hyx::CameraProjection
