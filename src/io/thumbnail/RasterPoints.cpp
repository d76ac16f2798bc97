#include "io/thumbnail/PictureKernels.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace Hyx::ThumbnailKernels {

bool RasterPoints(const float* positions, const uint8_t* colors, uint32_t count, const float* box, uint32_t width,
                  uint32_t height, float* depth, uint8_t* rgb)
{
    const float minX = box[0], minY = box[1];
    const float rx = box[3] - minX, ry = box[4] - minY;
    if (width == 0 || height == 0 || !(rx != 0.0f) || !(ry != 0.0f) || !std::isfinite(rx) || !std::isfinite(ry))
        return false;
    const size_t pixels = size_t(width) * height;
    std::fill_n(depth, pixels, box[5]);
    std::memset(rgb, 0, pixels * 3);
    const float lastColumn = float(width - 1), lastRow = float(height - 1);
    const float sx = lastColumn / rx, sy = lastRow / ry;
    for (uint32_t i = 0; i < count; ++i) {
        const float* p = positions + size_t(i) * 3;
        const float z = p[2];
        // Every test is false for a value that is not a number, so those are skipped too.
        const float column = std::fabs(std::trunc((p[0] - minX) * sx) - lastColumn);
        const float row = std::fabs(std::trunc((p[1] - minY) * sy) - lastRow);
        if (!(column <= lastColumn && row <= lastRow && std::isfinite(z)))
            continue;
        const size_t at = size_t(row) * width + size_t(column);
        if (z < depth[at]) {
            depth[at] = z;
            std::memcpy(rgb + at * 3, colors + size_t(i) * 3, 3);
        }
    }
    return true;
}

} // namespace Hyx::ThumbnailKernels
