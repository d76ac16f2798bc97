#include "texture/PixelKernels.h"

namespace Hyx::TextureKernels {

void BayerLumaMedian(uint8_t* luma, uint32_t width, uint32_t height)
{
    if (width < 3 || height < 3)
        return;
    // In raster order and in place: above and left already hold filtered values. The first
    // of the five (above, left, centre, right, below) that is >= exactly two others wins;
    // with ties none may, and the centre stays.
    for (uint32_t y = 1; y + 1 < height; ++y) {
        uint8_t* p = luma + size_t(width) * y;
        const ptrdiff_t stride = width;
        for (uint32_t x = 1; x + 1 < width; ++x) {
            uint8_t* c = p + x;
            const uint8_t v[5] = {c[-stride], c[-1], c[0], c[1], c[stride]};
            for (int i = 0; i < 5; ++i) {
                int below = 0;
                for (int j = 0; j < 5; ++j)
                    below += j != i && v[i] >= v[j];
                if (below == 2) {
                    *c = v[i];
                    break;
                }
            }
        }
    }
}

} // namespace Hyx::TextureKernels
