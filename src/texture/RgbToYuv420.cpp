#include "texture/PixelKernels.h"

#include "datatypes/textures/VectorClones.h"

#include <algorithm>

namespace Hyx::TextureKernels {

namespace {

// Pixels per chunk: planar scratch rows in L1, each loop of a fixed shape so that the
// compiler vectorises it (three-byte pixels are split into planes first).
constexpr size_t CHUNK_PAIRS = 64;

struct Planes {
    uint8_t r[2 * CHUNK_PAIRS], g[2 * CHUNK_PAIRS], b[2 * CHUNK_PAIRS];
};

template <int Red>
inline void deinterleave(const uint8_t* __restrict in, Planes& planes, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        planes.r[i] = in[3 * i + Red];
        planes.g[i] = in[3 * i + 1];
        planes.b[i] = in[3 * i + 2 - Red];
    }
}

// Luma ((66 R + 129 G + 25 B + 128) >> 8) + 16 of every pixel; the sum stays below 65536,
// so it runs in 16-bit lanes.
inline void luma(const Planes& planes, uint8_t* __restrict out, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        const uint16_t sum = uint16_t(66 * planes.r[i] + 129 * planes.g[i] + 25 * planes.b[i] + 128);
        out[i] = uint8_t((sum >> 8) + 16);
    }
}

// U and V of each 2 x 2 block from its channel sums, written Step bytes apart.
template <size_t Step>
inline void chroma(const Planes& top, const Planes& bottom, uint8_t* __restrict u, uint8_t* __restrict v, size_t pairs)
{
    for (size_t i = 0; i < pairs; ++i) {
        const int32_t rs = top.r[2 * i] + top.r[2 * i + 1] + bottom.r[2 * i] + bottom.r[2 * i + 1];
        const int32_t gs = top.g[2 * i] + top.g[2 * i + 1] + bottom.g[2 * i] + bottom.g[2 * i + 1];
        const int32_t bs = top.b[2 * i] + top.b[2 * i + 1] + bottom.b[2 * i] + bottom.b[2 * i + 1];
        u[Step * i] = uint8_t(((448 * bs - 296 * gs - 152 * rs + 512) >> 12) + 128);
        v[Step * i] = uint8_t(((448 * rs - 376 * gs - 72 * bs + 512) >> 12) + 128);
    }
}

template <int Red, size_t Step>
HYX_VECTOR_CLONES void convert(const uint8_t* source, uint8_t* yuv, ChromaLayout layout, uint32_t width,
                               uint32_t height)
{
    const size_t rowBytes = size_t(width) * 3;
    uint8_t* chromaPlane = yuv + size_t(width) * height;
    Planes top, bottom;
    for (uint32_t y = 0; y + 1 < height; y += 2) {
        const uint8_t* inTop = source + rowBytes * y;
        uint8_t* lumaTop = yuv + size_t(width) * y;
        uint8_t* row = chromaPlane + size_t(width) * (y / 2);
        for (size_t first = 0; first < width / 2; first += CHUNK_PAIRS) {
            const size_t pairs = std::min(CHUNK_PAIRS, width / 2 - first);
            deinterleave<Red>(inTop + 6 * first, top, 2 * pairs);
            deinterleave<Red>(inTop + rowBytes + 6 * first, bottom, 2 * pairs);
            luma(top, lumaTop + 2 * first, 2 * pairs);
            luma(bottom, lumaTop + width + 2 * first, 2 * pairs);
            chroma<Step>(top, bottom, row + layout.uOffset + Step * first, row + layout.vOffset + Step * first, pairs);
        }
    }
}

template <int Red>
void dispatch(const uint8_t* source, uint8_t* yuv, uint32_t layoutValue, uint32_t width, uint32_t height)
{
    const ChromaLayout layout = GetChromaLayout(layoutValue, width);
    if (layout.step == 1)
        convert<Red, 1>(source, yuv, layout, width, height);
    else
        convert<Red, 2>(source, yuv, layout, width, height);
}

} // namespace

void RGB24ToYUV420(const uint8_t* rgb, uint8_t* yuv, uint32_t layout, uint32_t width, uint32_t height)
{
    dispatch<0>(rgb, yuv, layout, width, height);
}

void BGR24ToYUV420(const uint8_t* bgr, uint8_t* yuv, uint32_t layout, uint32_t width, uint32_t height)
{
    dispatch<2>(bgr, yuv, layout, width, height);
}

} // namespace Hyx::TextureKernels
