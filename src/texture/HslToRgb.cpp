#include "texture/PixelKernels.h"

#include "datatypes/textures/PixelConversion.h"

#include <cstring>

namespace Hyx::TextureKernels {

namespace {

inline uint32_t loadWord(const uint8_t* in, size_t i)
{
    uint32_t v;
    std::memcpy(&v, in + 4 * i, 4);
    return v;
}

inline void storeRgb(uint8_t* out, size_t i, uint32_t rgb)
{
    out[3 * i] = uint8_t(rgb);
    out[3 * i + 1] = uint8_t(rgb >> 8);
    out[3 * i + 2] = uint8_t(rgb >> 16);
}

} // namespace

void HSL24ToRGB24(const uint8_t* hsl, uint8_t* rgb, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        storeRgb(rgb, i, PixelConversion::Hsl24ToRgb24(hsl[3 * i], hsl[3 * i + 1], hsl[3 * i + 2]));
}

void HSL30ToRGB30(const uint8_t* hsl30, uint8_t* rgb30, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        const uint32_t rgb = PixelConversion::Hsl30ToRgb30(loadWord(hsl30, i));
        std::memcpy(rgb30 + 4 * i, &rgb, 4);
    }
}

void HSL30ToRGB24(const uint8_t* hsl30, uint8_t* rgb, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        storeRgb(rgb, i, PixelConversion::Hsl30ToRgb24(loadWord(hsl30, i)));
}

} // namespace Hyx::TextureKernels
