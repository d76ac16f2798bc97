#include "texture/PixelKernels.h"

#include "datatypes/textures/VectorClones.h"

#include <algorithm>

namespace Hyx::TextureKernels {

namespace {

// Pixels per chunk: the planar scratch rows stay in L1 and every loop below has a fixed
// shape (no branch, no call), so the compiler vectorises each of them.
constexpr size_t CHUNK_PAIRS = 64;

inline uint8_t clamp8(int32_t value)
{
    return uint8_t(std::clamp(value, 0, 255));
}

struct Planes {
    uint8_t r[2 * CHUNK_PAIRS], g[2 * CHUNK_PAIRS], b[2 * CHUNK_PAIRS];
};

// The BT.601 limited-range sums of the YUV accessors (e = 1192 (Y - 16); R = e + 1634 V',
// G = e - 400 U' - 832 V', B = e + 2066 U', each >> 10 and clamped), with each 2 x 2
// block's chroma terms formed once and added to its four lumas.
inline void chunk(const uint8_t* __restrict lumaTop, const uint8_t* __restrict lumaBottom, const uint8_t* __restrict u,
                  const uint8_t* __restrict v, size_t step, Planes& top, Planes& bottom, size_t pairs)
{
    for (size_t i = 0; i < pairs; ++i) {
        const int32_t cu = u[step * i] - 128, cv = v[step * i] - 128;
        const int32_t rr = 1634 * cv, gg = -400 * cu - 832 * cv, bb = 2066 * cu;
        const int32_t e0 = (lumaTop[2 * i] - 16) * 1192, e1 = (lumaTop[2 * i + 1] - 16) * 1192;
        const int32_t e2 = (lumaBottom[2 * i] - 16) * 1192, e3 = (lumaBottom[2 * i + 1] - 16) * 1192;
        top.r[2 * i] = clamp8((e0 + rr) >> 10), top.r[2 * i + 1] = clamp8((e1 + rr) >> 10);
        top.g[2 * i] = clamp8((e0 + gg) >> 10), top.g[2 * i + 1] = clamp8((e1 + gg) >> 10);
        top.b[2 * i] = clamp8((e0 + bb) >> 10), top.b[2 * i + 1] = clamp8((e1 + bb) >> 10);
        bottom.r[2 * i] = clamp8((e2 + rr) >> 10), bottom.r[2 * i + 1] = clamp8((e3 + rr) >> 10);
        bottom.g[2 * i] = clamp8((e2 + gg) >> 10), bottom.g[2 * i + 1] = clamp8((e3 + gg) >> 10);
        bottom.b[2 * i] = clamp8((e2 + bb) >> 10), bottom.b[2 * i + 1] = clamp8((e3 + bb) >> 10);
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
    for (uint32_t y = 0; y + 1 < height; y += 2) {
        const uint8_t* lumaTop = yuv + size_t(width) * y;
        const uint8_t* row = chroma + size_t(width) * (y / 2);
        uint8_t* outTop = out + rowBytes * y;
        for (size_t first = 0; first < width / 2; first += CHUNK_PAIRS) {
            const size_t pairs = std::min(CHUNK_PAIRS, width / 2 - first);
            chunk(lumaTop + 2 * first, lumaTop + width + 2 * first, row + layout.uOffset + Step * first,
                  row + layout.vOffset + Step * first, Step, top, bottom, pairs);
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
