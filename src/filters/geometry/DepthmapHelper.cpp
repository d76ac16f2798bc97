#include "filters/geometry/CameraCheck.h"

#include <Hyx/DataTypeCameraParams.h>
#include <Hyx/GeometryTransforms.h>

#include <VornCommon/Math.h>

#include <algorithm>
#include <cmath>

namespace Hyx {

namespace {

enum class Stamp {
    Single,
    Three,
    Block
};

// Writes d at the centre and, by stamp, at its neighbours. Callers keep the centre at least
// one sample inside the border, so every neighbour lies in the map.
template <Stamp S>
inline void stamp(uint16_t* map, int64_t width, int64_t row, int64_t col, uint16_t d)
{
    uint16_t* centre = map + row * width + col;
    if constexpr (S == Stamp::Block) {
        for (int64_t dy = -1; dy <= 1; ++dy)
            for (int64_t dx = -1; dx <= 1; ++dx)
                centre[dy * width + dx] = d;
    } else {
        centre[0] = d;
        if constexpr (S == Stamp::Three) {
            centre[width] = d;
            centre[width + 1] = d;
        }
    }
}

template <Stamp S>
void rasterise(const float* positions, uint32_t count, uint16_t* map, int64_t width, int64_t height,
               const VornCommon::CameraParams& camera)
{
    const float s = float(width) / float(camera.width);
    const float ox = float(camera.width) - 2.0f * camera.C.x + 0.5f;
    const float oy = float(camera.height) - 2.0f * camera.C.y + 0.5f;
    // Beyond this a column or row is outside any map; keeps the conversion defined.
    constexpr float kFar = 1.0e9f;
    for (uint32_t i = 0; i < count; ++i) {
        const float* v = positions + uint64_t(i) * 3;
        const float z = v[2];
        // trunc(z) must be a depth of 1 .. 65535: 0 means no depth, larger ones would wrap.
        if (!(z >= 1.0f) || !(z < 65536.0f))
            continue;
        const float inv = 1.0f / z;
        const VornCommon::Vector2f p = camera.DenormalizePoint(VornCommon::Vector2f(v[0] * inv, v[1] * inv));
        const float sx = s * (p.x + ox);
        const float sy = s * (p.y + oy);
        if (!(std::fabs(sx) < kFar) || !(std::fabs(sy) < kFar))
            continue;
        const int64_t col = width - int64_t(sx);
        const int64_t row = height - int64_t(sy);
        if (col < 1 || col > width - 2 || row < 1 || row > height - 2)
            continue;
        stamp<S>(map, width, row, col, uint16_t(z));
    }
}

} // namespace

DepthmapHelper::~DepthmapHelper() = default;

void DepthmapHelper::GetDepthmapDimensions(uint32_t& width, uint32_t& height,
                                           std::shared_ptr<DataTypeCameraParams>& camera, float scale)
{
    width = height = 0;
    if (camera)
        camera->GetDepthmapDimensions(scale, width, height);
}

void DepthmapHelper::CreateDepthmap(const float* positions, uint32_t numVertices, uint16_t* depthmap, uint32_t width,
                                    uint32_t height, std::shared_ptr<DataTypeCameraParams>& camera)
{
    const uint64_t samples = uint64_t(width) * height;
    if (!depthmap || samples == 0)
        return;
    std::fill_n(depthmap, samples, uint16_t(0));
    if (!camera || !positions || numVertices == 0)
        return;
    const VornCommon::CameraParams& ir = camera->GetIRCameraParams();
    // A camera that cannot project draws nothing, rather than every vertex on one sample.
    if (!CameraCheck::Problem(ir, "IR", CameraCheck::Width | CameraCheck::Height).empty())
        return;
    if (samples > 115200)
        rasterise<Stamp::Block>(positions, numVertices, depthmap, width, height, ir);
    else if (samples > 28800)
        rasterise<Stamp::Three>(positions, numVertices, depthmap, width, height, ir);
    else
        rasterise<Stamp::Single>(positions, numVertices, depthmap, width, height, ir);
}

void DepthmapHelper::CalculateBoundingBox(float* box, const uint16_t* depthmap, uint32_t width, int32_t height,
                                          std::shared_ptr<DataTypeCameraParams>& camera, int step)
{
    if (!box)
        return;
    float lo[3] = {100000.0f, 100000.0f, 100000.0f};
    float hi[3] = {-100000.0f, -100000.0f, -100000.0f};
    // A camera that cannot project places no point: the box of an empty map.
    if (depthmap && camera && width != 0 &&
        CameraCheck::Problem(camera->GetIRCameraParams(), "IR", CameraCheck::Width).empty()) {
        const VornCommon::CameraParams& ir = camera->GetIRCameraParams();
        const float f = 1.0f / (float(width) / float(ir.width));
        const int64_t stride = std::max(step, 1);
        // Signed bounds: a map narrower than 5 samples has no inner sample.
        for (int64_t y = 2; y < int64_t(height) - 2; y += stride) {
            for (int64_t x = 2; x < int64_t(width) - 2; x += stride) {
                const float d = depthmap[y * int64_t(width) + x];
                if (d == 0.0f)
                    continue;
                const VornCommon::Vector2f q = ir.NormalizePoint(VornCommon::Vector2f(float(x) * f, float(y) * f));
                const float point[3] = {d * q.x, d * q.y, d};
                for (int a = 0; a < 3; ++a) {
                    lo[a] = std::min(lo[a], point[a]);
                    hi[a] = std::max(hi[a], point[a]);
                }
            }
        }
    }
    for (int a = 0; a < 3; ++a) {
        box[a] = lo[a] - 0.001f;
        box[a + 3] = hi[a] + 0.001f;
    }
}

} // namespace Hyx
