#pragma once

// Per-pixel colour arithmetic shared by the accessors and the previews, inline so that the
// preview loops see through it. Integer only; right shifts of negative values round
// towards minus infinity.

#include <algorithm>
#include <cstdint>

namespace Hyx::PixelConversion {

/// BT.601 limited-range YUV to RGB, scaled by 1024; shift 10 gives 8-bit channels, shift 8
/// 10-bit ones. Each channel clamped to 0..maximum, packed with channelBits per channel.
template <int Shift, int32_t Maximum, int ChannelBits>
inline uint32_t YuvToRgb(int32_t y, int32_t u, int32_t v)
{
    const int32_t e = (y - 16) * 1192;
    const int32_t r = std::clamp((e + (v - 128) * 1634) >> Shift, 0, Maximum);
    const int32_t g = std::clamp((e - 400 * u - 832 * v + 157696) >> Shift, 0, Maximum);
    const int32_t b = std::clamp((e + (u - 128) * 2066) >> Shift, 0, Maximum);
    return uint32_t(r) | uint32_t(g) << ChannelBits | uint32_t(b) << (2 * ChannelBits);
}

/// Y | U << 8 | V << 16 of an RGB colour with channelBits-bit channels (8 or 10).
template <int ChannelBits>
inline uint32_t RgbToYuv(int32_t r, int32_t g, int32_t b)
{
    constexpr int shift = ChannelBits;
    constexpr int32_t round = 1 << (ChannelBits - 1);
    const int32_t y = ((66 * r + 129 * g + 25 * b + round) >> shift) + 16;
    const int32_t u = ((-38 * r - 74 * g + 112 * b + round) >> shift) + 128;
    const int32_t v = ((112 * r - 94 * g - 18 * b + round) >> shift) + 128;
    return uint32_t(y) | uint32_t(u) << 8 | uint32_t(v) << 16;
}

/// Y | U << 8 | V << 16 of a packed RGB24 value.
inline uint32_t Rgb24ToYuv(uint32_t rgb)
{
    return RgbToYuv<8>(rgb & 0xFF, rgb >> 8 & 0xFF, rgb >> 16 & 0xFF);
}

/// Y | U << 8 | V << 16 of a packed RGB30 value (bits 24-31 undefined).
inline uint32_t Rgb30ToYuv(uint32_t rgb)
{
    return RgbToYuv<10>(rgb & 0x3FF, rgb >> 10 & 0x3FF, rgb >> 20 & 0x3FF);
}

/// Fixed-point HSL to RGB. Inputs of inputBits bits (8: HSL24, 10: HSL30); the three
/// channels are scaled to 0..maximum (255 or 1023) and stored into out[0..2].
template <int InputBits>
inline void HslToRgb(uint32_t hue, uint32_t saturation, uint32_t lightness, uint32_t maximum, uint32_t out[3])
{
    constexpr uint32_t scale = 1u << (16 - InputBits);
    constexpr uint32_t sector = InputBits == 8 ? 42 : 170;
    const uint32_t s = saturation * scale;
    const uint32_t l = lightness * scale;
    const uint32_t h = (hue * 65536) / sector;
    const uint32_t p = l <= 32768 ? 2 * l * s : 2 * (65536 - l) * s;
    const uint32_t c = p >> 16;
    const uint32_t m = l - (p >> 17);
    uint32_t r = 0, g = 0, b = 0;
    switch (hue / sector) {
    case 0: r = c, g = (h * c) >> 16; break;
    case 1: r = ((0x20000 - h) * c) >> 16, g = c; break;
    case 2: g = c, b = ((h - 0x20000) * c) >> 16; break;
    case 3: g = ((0x40000 - h) * c) >> 16, b = c; break;
    case 4: r = ((h - 0x40000) * c) >> 16, b = c; break;
    case 5: r = c, b = ((0x60000 - h) * c) >> 16; break;
    default: // hues past the sixth sector: grey at the offset
        break;
    }
    out[0] = ((r + m) * maximum + 32768) >> 16;
    out[1] = ((g + m) * maximum + 32768) >> 16;
    out[2] = ((b + m) * maximum + 32768) >> 16;
}

/// R | G << 8 | B << 16 of the HSL24 bytes (H, S, L).
inline uint32_t Hsl24ToRgb24(uint8_t hue, uint8_t saturation, uint8_t lightness)
{
    if (saturation == 0)
        return lightness * 0x010101u;
    uint32_t c[3];
    HslToRgb<8>(hue, saturation, lightness, 255, c);
    return c[0] | c[1] << 8 | c[2] << 16;
}

/// R | G << 8 | B << 16 of a packed HSL30 value.
inline uint32_t Hsl30ToRgb24(uint32_t hsl)
{
    const uint32_t hue = hsl & 0x3FF, saturation = hsl >> 10 & 0x3FF, lightness = hsl >> 20 & 0x3FF;
    if (saturation == 0)
        return (lightness >> 2) * 0x010101u;
    uint32_t c[3];
    HslToRgb<10>(hue, saturation, lightness, 255, c);
    return c[0] | c[1] << 8 | c[2] << 16;
}

/// R | G << 10 | B << 20 of a packed HSL30 value.
inline uint32_t Hsl30ToRgb30(uint32_t hsl)
{
    const uint32_t hue = hsl & 0x3FF, saturation = hsl >> 10 & 0x3FF, lightness = hsl >> 20 & 0x3FF;
    if (saturation == 0)
        return lightness | lightness << 10 | lightness << 20;
    uint32_t c[3];
    HslToRgb<10>(hue, saturation, lightness, 1023, c);
    return c[0] | c[1] << 10 | c[2] << 20;
}

} // namespace Hyx::PixelConversion
