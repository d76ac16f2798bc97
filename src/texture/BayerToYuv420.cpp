#include "texture/PixelKernels.h"

#include "datatypes/textures/VectorClones.h"
#include "texture/BayerSites.h"

namespace Hyx::TextureKernels {

namespace {

using namespace Bayer;

inline uint8_t gammaLuma(const uint32_t* gamma, const int32_t rgb[3])
{
    return uint8_t((gamma[(66 * rgb[0] + 129 * rgb[1] + 25 * rgb[2] + 512) >> 2] >> 8) + 16);
}

// One row of interior blocks: top-left pixels (x, y) for x = 2, 4, ... up to width - 4.
template <TextureFormat Format, int Step>
HYX_VECTOR_CLONES void blockRow(const uint8_t* top, uint8_t* lumaTop, uint8_t* u, uint8_t* v, const uint32_t* gamma,
                                uint32_t width)
{
    // RGGB and BGGR: the second non-green site reuses the G of the block's top-left site.
    constexpr bool reuseGreen = CellOf(Format).c00 != Green;
    const ptrdiff_t stride = width;
    for (uint32_t x = 2; x + 4 <= width; x += 2) {
        const uint8_t* p = top + x;
        int32_t c00[3], c10[3], c01[3], c11[3];
        EstimateAt<Format, 0, 0>(p, stride, c00);
        EstimateAt<Format, 1, 0>(p + 1, stride, c10);
        EstimateAt<Format, 0, 1>(p + stride, stride, c01);
        EstimateAt<Format, 1, 1>(p + stride + 1, stride, c11);
        if constexpr (reuseGreen)
            c11[Green] = c00[Green];
        uint8_t* l = lumaTop + x;
        l[0] = gammaLuma(gamma, c00);
        l[1] = gammaLuma(gamma, c10);
        l[stride] = gammaLuma(gamma, c01);
        l[stride + 1] = gammaLuma(gamma, c11);
        const int32_t rs = c00[0] + c10[0] + c01[0] + c11[0];
        const int32_t gs = c00[1] + c10[1] + c01[1] + c11[1];
        const int32_t bs = c00[2] + c10[2] + c01[2] + c11[2];
        u[Step * (x / 2)] = uint8_t(((448 * bs - 296 * gs - 152 * rs + 2056) >> 14) + 128);
        v[Step * (x / 2)] = uint8_t(((448 * rs - 376 * gs - 72 * bs + 2056) >> 14) + 128);
    }
}

template <TextureFormat Format, int Step>
void convert(const uint8_t* mosaic, uint8_t* yuv, ChromaLayout layout, uint32_t width, uint32_t height)
{
    const uint32_t* gamma = BayerLumaGammaTable();
    uint8_t* chroma = yuv + size_t(width) * height;
    for (uint32_t y = 2; y + 4 <= height; y += 2) {
        uint8_t* row = chroma + size_t(width) * (y / 2);
        blockRow<Format, Step>(mosaic + size_t(width) * y, yuv + size_t(width) * y, row + layout.uOffset,
                               row + layout.vOffset, gamma, width);
    }
    BayerLumaMedian(yuv, width, height);
}

template <TextureFormat Format>
void byLayout(const uint8_t* mosaic, uint8_t* yuv, uint32_t layoutValue, uint32_t width, uint32_t height)
{
    const ChromaLayout layout = GetChromaLayout(layoutValue, width);
    if (layout.step == 1)
        convert<Format, 1>(mosaic, yuv, layout, width, height);
    else
        convert<Format, 2>(mosaic, yuv, layout, width, height);
}

} // namespace

void BayerToYUV420(const uint8_t* mosaic, uint8_t* yuv, TextureFormat format, uint32_t layout, uint32_t width,
                   uint32_t height)
{
    switch (format) {
    case TextureFormat::BayerBGGR: byLayout<TextureFormat::BayerBGGR>(mosaic, yuv, layout, width, height); break;
    case TextureFormat::BayerGRBG: byLayout<TextureFormat::BayerGRBG>(mosaic, yuv, layout, width, height); break;
    case TextureFormat::BayerGBRG: byLayout<TextureFormat::BayerGBRG>(mosaic, yuv, layout, width, height); break;
    default: byLayout<TextureFormat::BayerRGGB>(mosaic, yuv, layout, width, height); break;
    }
}

} // namespace Hyx::TextureKernels
