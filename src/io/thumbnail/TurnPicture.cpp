#include "io/thumbnail/PictureKernels.h"

#include <cstring>

namespace Hyx::ThumbnailKernels {

void TurnCounterClockwise(const uint8_t* in, uint32_t width, uint32_t height, uint8_t* out)
{
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            std::memcpy(out + (size_t(width - 1 - x) * height + y) * 4, in + (size_t(y) * width + x) * 4, 4);
}

void TurnClockwise(const uint8_t* in, uint32_t width, uint32_t height, uint8_t* out)
{
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            std::memcpy(out + (size_t(x) * height + (height - 1 - y)) * 4, in + (size_t(y) * width + x) * 4, 4);
}

void TurnHalf(const uint8_t* in, uint32_t width, uint32_t height, uint8_t* out)
{
    const size_t pixels = size_t(width) * height;
    for (size_t i = 0; i < pixels; ++i)
        std::memcpy(out + i * 4, in + (pixels - 1 - i) * 4, 4);
}

} // namespace Hyx::ThumbnailKernels
