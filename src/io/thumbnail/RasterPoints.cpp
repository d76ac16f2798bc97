#include "io/thumbnail/PictureKernels.h"

#include <algorithm>
#include <cfloat>
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
    const float sx = float(width - 1) / rx, sy = float(height - 1) / ry;
    const float columns = float(width), rows = float(height);
    for (uint32_t i = 0; i < count; ++i) {
        const float* p = positions + size_t(i) * 3;
        const float fx = (p[0] - minX) * sx, fy = (p[1] - minY) * sy, z = p[2];
        // Inside (-1, W) the mirrored column |trunc(fx) - (W - 1)| is W - 1 - trunc(fx);
        // anything else, not-a-number included, lies outside the picture.
        if (!(fx > -1.0f && fx < columns && fy > -1.0f && fy < rows && std::fabs(z) <= FLT_MAX))
            continue;
        const size_t at = size_t(height - 1 - uint32_t(int32_t(fy))) * width + (width - 1 - uint32_t(int32_t(fx)));
        if (z < depth[at]) {
            depth[at] = z;
            std::memcpy(rgb + at * 3, colors + size_t(i) * 3, 3);
        }
    }
    return true;
}

} // namespace Hyx::ThumbnailKernels
