#include "texture/PixelKernels.h"

#include "datatypes/textures/PixelConversion.h"
#include "datatypes/textures/VectorClones.h"

namespace Hyx::TextureKernels {

namespace {

template <int Red>
inline void store(uint8_t* out, int32_t y, int32_t u, int32_t v)
{
    const uint32_t rgb = PixelConversion::YuvToRgb<10, 255, 8>(y, u, v);
    out[Red] = uint8_t(rgb);
    out[1] = uint8_t(rgb >> 8);
    out[2 - Red] = uint8_t(rgb >> 16);
}

// One row pair: each 2 x 2 block shares the U and V at its chroma position.
template <int Red, int Step>
inline void rowPair(const uint8_t* __restrict lumaTop, const uint8_t* __restrict lumaBottom,
                    const uint8_t* __restrict u, const uint8_t* __restrict v, uint8_t* __restrict top,
                    uint8_t* __restrict bottom, uint32_t pairs)
{
    for (uint32_t i = 0; i < pairs; ++i) {
        const int32_t cu = u[Step * i], cv = v[Step * i];
        store<Red>(top + 6 * i, lumaTop[2 * i], cu, cv);
        store<Red>(top + 6 * i + 3, lumaTop[2 * i + 1], cu, cv);
        store<Red>(bottom + 6 * i, lumaBottom[2 * i], cu, cv);
        store<Red>(bottom + 6 * i + 3, lumaBottom[2 * i + 1], cu, cv);
    }
}

template <int Red, int Step>
HYX_VECTOR_CLONES void convert(const uint8_t* yuv, uint8_t* out, ChromaLayout layout, uint32_t width, uint32_t height)
{
    const size_t rowBytes = size_t(width) * 3;
    const uint8_t* chroma = yuv + size_t(width) * height;
    for (uint32_t y = 0; y + 1 < height; y += 2) {
        const uint8_t* lumaTop = yuv + size_t(width) * y;
        const uint8_t* row = chroma + size_t(width) * (y / 2);
        uint8_t* top = out + rowBytes * y;
        rowPair<Red, Step>(lumaTop, lumaTop + width, row + layout.uOffset, row + layout.vOffset, top, top + rowBytes,
                           width / 2);
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
