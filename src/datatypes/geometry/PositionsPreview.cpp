#include "datatypes/geometry/PositionsPreview.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace Hyx::PositionsPreview {

namespace {

/// trunc(part * limit / whole) for 0 < part <= whole, within 0..limit even where the
/// product overflows.
uint32_t scaledSide(float part, float whole, uint32_t limit)
{
    const float side = float(limit);
    float scaled = part * side / whole;
    if (!std::isfinite(scaled))
        scaled = part / whole * side;
    return static_cast<uint32_t>(std::clamp(scaled, 0.0f, side));
}

} // namespace

bool SizeForBox(const float* box, float minExtent, uint32_t maxWidth, uint32_t maxHeight, uint32_t& width,
                uint32_t& height)
{
    const float dx = box[3] - box[0];
    const float dy = box[4] - box[1];
    if (!(dx >= minExtent && dy >= minExtent) || !std::isfinite(dx) || !std::isfinite(dy))
        return false;
    if (dx > dy) {
        width = maxWidth;
        height = scaledSide(dy, dx, maxWidth);
    } else {
        height = maxHeight;
        width = scaledSide(dx, dy, maxHeight);
    }
    return true;
}

void Render(const float* positions, uint32_t count, const float* box, uint32_t width, uint32_t height,
            const uint32_t* hueColors, uint8_t* rgba)
{
    std::memset(rgba, 0, size_t(width) * height * 4);
    if (!positions || width == 0 || height == 0)
        return;
    const float minX = box[0], minY = box[1], minZ = box[2];
    const float sx = float(width - 1) / (box[3] - minX);
    const float sy = float(height - 1) / (box[4] - minY);
    const float dz = box[5] - minZ;
    float sz = float(MAX_HUE) / dz;
    if (!(dz >= MIN_HUE_EXTENT) || !std::isfinite(sz))
        sz = 0.0f;
    const float columns = float(width);
    const float rows = float(height);
    const uint32_t lastRow = height - 1;
    for (uint32_t i = 0; i < count; ++i) {
        const float* p = positions + size_t(i) * 3;
        const float fx = (p[0] - minX) * sx;
        const float fy = (p[1] - minY) * sy;
        const float fz = (p[2] - minZ) * sz;
        // The negated comparisons also reject NaN, so the conversions below stay defined.
        if (!(fx >= 0.0f && fx < columns && fy >= 0.0f && fy < rows && fz == fz))
            continue;
        const uint32_t column = static_cast<uint32_t>(fx);
        const uint32_t row = lastRow - static_cast<uint32_t>(fy);
        const uint32_t hue = static_cast<uint32_t>(std::clamp(fz, 0.0f, float(MAX_HUE)));
        std::memcpy(rgba + (size_t(row) * width + column) * 4, hueColors + hue, 4);
    }
}

} // namespace Hyx::PositionsPreview
