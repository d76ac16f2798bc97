#include "texture/PixelKernels.h"

#include <algorithm>
#include <cstring>

namespace Hyx::TextureKernels {

namespace {

// H, S and L of one colour with channels 0..Maximum; the hue scale is 42 (8 bit) or 170
// (10 bit) steps per sector and H is capped at HueCap.
template <uint32_t Maximum, uint32_t Sector, uint32_t HueCap>
inline void hsl(uint32_t r, uint32_t g, uint32_t b, uint32_t& h, uint32_t& s, uint32_t& l)
{
    const uint32_t mx = std::max({r, g, b}), mn = std::min({r, g, b});
    const uint32_t sum = mx + mn, d = mx - mn;
    l = sum >> 1;
    if (d == 0) {
        h = s = 0;
        return;
    }
    const uint32_t s16 = sum <= Maximum ? (d << 16) / sum : (d << 16) / (2 * Maximum - sum);
    uint32_t h16;
    if (r == mx)
        h16 = g >= b ? ((g - b) << 16) / d : 0x60000 - ((b - g) << 16) / d;
    else if (g == mx)
        h16 = b >= r ? 0x20000 + ((b - r) << 16) / d : 0x20000 - ((r - b) << 16) / d;
    else
        h16 = r >= g ? 0x40000 + ((r - g) << 16) / d : 0x40000 - ((g - r) << 16) / d;
    h = std::min((h16 * Sector + 32768) >> 16, HueCap);
    s = std::min((s16 * Maximum + 32768) >> 16, Maximum);
}

inline void storeWord(uint8_t* out, size_t i, uint32_t word)
{
    std::memcpy(out + 4 * i, &word, 4);
}

inline uint32_t hsl30Word(uint32_t r, uint32_t g, uint32_t b)
{
    uint32_t h, s, l;
    hsl<1023, 170, 1019>(r, g, b, h, s, l);
    return h | s << 10 | l << 20;
}

} // namespace

void RGB24ToHSL24(const uint8_t* rgb, uint8_t* out, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        uint32_t h, s, l;
        hsl<255, 42, 255>(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2], h, s, l);
        out[3 * i] = uint8_t(h);
        out[3 * i + 1] = uint8_t(s);
        out[3 * i + 2] = uint8_t(l);
    }
}

void RGB24ToHSL30(const uint8_t* rgb, uint8_t* out, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        const uint32_t r = rgb[3 * i] * 1023u / 255, g = rgb[3 * i + 1] * 1023u / 255, b = rgb[3 * i + 2] * 1023u / 255;
        storeWord(out, i, hsl30Word(r, g, b));
    }
}

void RGB30ToHSL30(const uint8_t* rgb30, uint8_t* out, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        uint32_t v;
        std::memcpy(&v, rgb30 + 4 * i, 4);
        storeWord(out, i, hsl30Word(v & 0x3FF, v >> 10 & 0x3FF, v >> 20 & 0x3FF));
    }
}

} // namespace Hyx::TextureKernels
