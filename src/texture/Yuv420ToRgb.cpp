#include "texture/PixelKernels.h"

#include "datatypes/textures/VectorClones.h"

#include <algorithm>

namespace Hyx::TextureKernels {

namespace {

// Pixels per chunk: the planar scratch rows stay in L1 and every loop below has a fixed
// shape (no branch, no call), so the compiler vectorises each of them.
constexpr size_t CHUNK_PAIRS = 64;

inline uint8_t clamp8(int16_t value)
{
    return uint8_t(std::clamp<int16_t>(value, 0, 255));
}

struct Planes {
    uint8_t r[2 * CHUNK_PAIRS], g[2 * CHUNK_PAIRS], b[2 * CHUNK_PAIRS];
};

// The BT.601 limited-range sums of the YUV accessors, R = (1192 (Y - 16) + 1634 V') >> 10,
// G = (1192 (Y - 16) - 400 U' - 832 V') >> 10, B = (1192 (Y - 16) + 2066 U') >> 10, clamped,
// rearranged so that the per-pixel part fits 16-bit lanes exactly: with a block's chroma
// term C = 1024 q + r (0 <= r < 1024), the channel is Y + q - 19 + ((168 Y + r + 384) >> 10),
// where 168 Y + r + 384 stays below 65536.
// Per block: the three chroma terms split into their 16-bit parts.
struct Terms {
    uint16_t rest[3][CHUNK_PAIRS]; // r + 384 of R, G, B
    int16_t base[3][CHUNK_PAIRS]; // q - 19 of R, G, B
};

inline void terms(const uint8_t* __restrict u, const uint8_t* __restrict v, size_t step, Terms& t, size_t pairs)
{
    for (size_t i = 0; i < pairs; ++i) {
        const int32_t cu = u[step * i] - 128, cv = v[step * i] - 128;
        const int32_t red = 1634 * cv, green = -400 * cu - 832 * cv, blue = 2066 * cu;
        t.rest[0][i] = uint16_t((red & 1023) + 384), t.base[0][i] = int16_t((red >> 10) - 19);
        t.rest[1][i] = uint16_t((green & 1023) + 384), t.base[1][i] = int16_t((green >> 10) - 19);
        t.rest[2][i] = uint16_t((blue & 1023) + 384), t.base[2][i] = int16_t((blue >> 10) - 19);
    }
}

inline uint8_t channel(uint16_t luma, uint16_t scaled, uint16_t rest, int16_t base)
{
    const uint16_t fraction = uint16_t(uint16_t(scaled + rest) >> 10);
    return clamp8(int16_t(luma + base + fraction));
}

// One luma row of the chunk into planes: pixel 2i and 2i + 1 share block i's terms.
inline void lumaRow(const uint8_t* __restrict luma, const Terms& t, Planes& out, size_t pairs)
{
    for (size_t i = 0; i < pairs; ++i) {
        const uint16_t y0 = luma[2 * i], y1 = luma[2 * i + 1];
        const uint16_t m0 = uint16_t(168 * y0), m1 = uint16_t(168 * y1);
        out.r[2 * i] = channel(y0, m0, t.rest[0][i], t.base[0][i]);
        out.r[2 * i + 1] = channel(y1, m1, t.rest[0][i], t.base[0][i]);
        out.g[2 * i] = channel(y0, m0, t.rest[1][i], t.base[1][i]);
        out.g[2 * i + 1] = channel(y1, m1, t.rest[1][i], t.base[1][i]);
        out.b[2 * i] = channel(y0, m0, t.rest[2][i], t.base[2][i]);
        out.b[2 * i + 1] = channel(y1, m1, t.rest[2][i], t.base[2][i]);
    }
}

template <int Red>
inline void interleave(const Planes& planes, uint8_t* __restrict out, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        out[3 * i + Red] = planes.r[i];
        out[3 * i + 1] = planes.g[i];
        out[3 * i + 2 - Red] = planes.b[i];
    }
}

template <int Red, size_t Step>
HYX_VECTOR_CLONES void convert(const uint8_t* yuv, uint8_t* out, ChromaLayout layout, uint32_t width, uint32_t height)
{
    const size_t rowBytes = size_t(width) * 3;
    const uint8_t* chroma = yuv + size_t(width) * height;
    Planes top, bottom;
    Terms t;
    for (uint32_t y = 0; y + 1 < height; y += 2) {
        const uint8_t* lumaTop = yuv + size_t(width) * y;
        const uint8_t* row = chroma + size_t(width) * (y / 2);
        uint8_t* outTop = out + rowBytes * y;
        for (size_t first = 0; first < width / 2; first += CHUNK_PAIRS) {
            const size_t pairs = std::min(CHUNK_PAIRS, width / 2 - first);
            terms(row + layout.uOffset + Step * first, row + layout.vOffset + Step * first, Step, t, pairs);
            lumaRow(lumaTop + 2 * first, t, top, pairs);
            lumaRow(lumaTop + width + 2 * first, t, bottom, pairs);
            interleave<Red>(top, outTop + 6 * first, 2 * pairs);
            interleave<Red>(bottom, outTop + rowBytes + 6 * first, 2 * pairs);
        }
    }
}

template <int Red>
void dispatch(const uint8_t* yuv, uint8_t* out, uint32_t layoutValue, uint32_t width, uint32_t height)
{
    const ChromaLayout layout = GetChromaLayout(layoutValue, width);
    if (layout.step == 1)
        convert<Red, 1>(yuv, out, layout, width, height);
    else
        convert<Red, 2>(yuv, out, layout, width, height);
}

} // namespace

void YUV420ToRGB24(const uint8_t* yuv, uint8_t* rgb, uint32_t layout, uint32_t width, uint32_t height)
{
    dispatch<0>(yuv, rgb, layout, width, height);
}

void YUV420ToBGR24(const uint8_t* yuv, uint8_t* bgr, uint32_t layout, uint32_t width, uint32_t height)
{
    dispatch<2>(yuv, bgr, layout, width, height);
}

} // namespace Hyx::TextureKernels
