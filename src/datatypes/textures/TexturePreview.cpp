#include "datatypes/textures/TexturePreview.h"

#include "datatypes/textures/PixelConversion.h"

#include "datatypes/textures/VectorClones.h"

#include <cstring>

namespace Hyx::TexturePreview {

namespace {

constexpr uint32_t kOpaque = 0xFF000000u;

inline void store(uint8_t* rgba, size_t i, uint32_t pixel)
{
    std::memcpy(rgba + 4 * i, &pixel, 4); // bytes R, G, B, A on a little-endian host
}

// Shifts, not a multiplication: SSE2 has no 32-bit vector multiply, and the loops vectorise.
inline uint32_t greyPixel(uint32_t value)
{
    return value | value << 8 | value << 16 | kOpaque;
}

inline uint32_t sample16(const uint8_t* samples, size_t i)
{
    return uint32_t(samples[2 * i]) | uint32_t(samples[2 * i + 1]) << 8;
}

inline uint32_t word32(const uint8_t* words, size_t i)
{
    uint32_t value;
    std::memcpy(&value, words + 4 * i, 4);
    return value;
}

} // namespace

HYX_VECTOR_CLONES void GreyToRgba(const uint8_t* grey, uint8_t* rgba, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        store(rgba, i, greyPixel(grey[i]));
}

HYX_VECTOR_CLONES void Grey16ToRgba(const uint8_t* samples, uint8_t* rgba, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        store(rgba, i, greyPixel(samples[2 * i + 1]));
}

HYX_VECTOR_CLONES void DepthMapToRgba(const uint8_t* samples, uint8_t* rgba, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        const uint32_t v = sample16(samples, i);
        const uint32_t t = v & 0x1FF;
        const uint32_t blue = t < 256 ? t : 511 - t;
        store(rgba, i, kOpaque | blue << 16 | (v >> 8) << 8 | v >> 8);
    }
}

HYX_VECTOR_CLONES void Rgb24ToRgba(const uint8_t* rgb, uint8_t* rgba, size_t count)
{
    // Four pixels are three little-endian words: R0 G0 B0 R1 | G1 B1 R2 G2 | B2 R3 G3 B3.
    size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const uint32_t w0 = word32(rgb + 3 * i, 0), w1 = word32(rgb + 3 * i, 1), w2 = word32(rgb + 3 * i, 2);
        store(rgba, i, (w0 & 0xFFFFFF) | kOpaque);
        store(rgba, i + 1, ((w0 >> 24 | w1 << 8) & 0xFFFFFF) | kOpaque);
        store(rgba, i + 2, ((w1 >> 16 | w2 << 16) & 0xFFFFFF) | kOpaque);
        store(rgba, i + 3, w2 >> 8 | kOpaque);
    }
    for (; i < count; ++i) {
        const uint8_t* p = rgb + 3 * i;
        store(rgba, i, uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | kOpaque);
    }
}

void Rgb30ToRgba(const uint8_t* rgb30, uint8_t* rgba, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        const uint32_t v = word32(rgb30, i);
        store(rgba, i, (v >> 2 & 0xFF) | (v >> 12 & 0xFF) << 8 | (v >> 22 & 0xFF) << 16 | kOpaque);
    }
}

void Hsl24ToRgba(const uint8_t* hsl, uint8_t* rgba, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = hsl + 3 * i;
        store(rgba, i, PixelConversion::Hsl24ToRgb24(p[0], p[1], p[2]) | kOpaque);
    }
}

void Hsl30ToRgba(const uint8_t* hsl30, uint8_t* rgba, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        store(rgba, i, PixelConversion::Hsl30ToRgb24(word32(hsl30, i)) | kOpaque);
}

void FillOpaqueBlack(uint8_t* rgba, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        store(rgba, i, kOpaque);
}

} // namespace Hyx::TexturePreview
