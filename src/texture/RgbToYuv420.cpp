#include "texture/PixelKernels.h"

#include "datatypes/textures/PixelConversion.h"
#include "datatypes/textures/VectorClones.h"

namespace Hyx::TextureKernels {

namespace {

inline uint8_t luma(int32_t r, int32_t g, int32_t b)
{
    return uint8_t(PixelConversion::RgbToYuv<8>(r, g, b));
}

// One row pair. R sits at byte Red of each pixel and B at byte 2 - Red; Step is the
// distance between chroma samples of the layout (1 planar, 2 interleaved).
template <int Red, int Step>
inline void rowPair(const uint8_t* __restrict top, const uint8_t* __restrict bottom, uint8_t* __restrict lumaTop,
                    uint8_t* __restrict lumaBottom, uint8_t* __restrict u, uint8_t* __restrict v, uint32_t pairs)
{
    constexpr int Blue = 2 - Red;
    for (uint32_t i = 0; i < pairs; ++i) {
        const uint8_t* a = top + 6 * i;
        const uint8_t* b = bottom + 6 * i;
        const int32_t r0 = a[Red], g0 = a[1], b0 = a[Blue], r1 = a[3 + Red], g1 = a[4], b1 = a[3 + Blue];
        const int32_t r2 = b[Red], g2 = b[1], b2 = b[Blue], r3 = b[3 + Red], g3 = b[4], b3 = b[3 + Blue];
        lumaTop[2 * i] = luma(r0, g0, b0);
        lumaTop[2 * i + 1] = luma(r1, g1, b1);
        lumaBottom[2 * i] = luma(r2, g2, b2);
        lumaBottom[2 * i + 1] = luma(r3, g3, b3);
        const int32_t rs = r0 + r1 + r2 + r3, gs = g0 + g1 + g2 + g3, bs = b0 + b1 + b2 + b3;
        u[Step * i] = uint8_t(((448 * bs - 296 * gs - 152 * rs + 512) >> 12) + 128);
        v[Step * i] = uint8_t(((448 * rs - 376 * gs - 72 * bs + 512) >> 12) + 128);
    }
}

template <int Red, int Step>
HYX_VECTOR_CLONES void convert(const uint8_t* source, uint8_t* yuv, ChromaLayout layout, uint32_t width,
                               uint32_t height)
{
    const size_t rowBytes = size_t(width) * 3;
    uint8_t* chroma = yuv + size_t(width) * height;
    for (uint32_t y = 0; y + 1 < height; y += 2) {
        const uint8_t* top = source + rowBytes * y;
        uint8_t* lumaTop = yuv + size_t(width) * y;
        uint8_t* row = chroma + size_t(width) * (y / 2);
        rowPair<Red, Step>(top, top + rowBytes, lumaTop, lumaTop + width, row + layout.uOffset, row + layout.vOffset,
                           width / 2);
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
