#include "texture/PixelKernels.h"

namespace Hyx::TextureKernels {

void SwapRedBlue(const uint8_t* source, uint8_t* destination, size_t count)
{
    // Each pixel is read whole before it is written, so the swap also works in place.
    for (size_t i = 0; i < count; ++i) {
        const uint8_t r = source[3 * i], g = source[3 * i + 1], b = source[3 * i + 2];
        destination[3 * i] = b;
        destination[3 * i + 1] = g;
        destination[3 * i + 2] = r;
    }
}

} // namespace Hyx::TextureKernels
