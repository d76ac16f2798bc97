#include "texture/PixelKernels.h"

#include "datatypes/textures/VectorClones.h"
#include "texture/BayerSites.h"

#include <cstring>

namespace Hyx::TextureKernels {

namespace {

using namespace Bayer;

inline void storeWord(uint8_t* out, size_t index, const int32_t rgb[3])
{
    const uint32_t word = uint32_t(rgb[0]) | uint32_t(rgb[1]) << 10 | uint32_t(rgb[2]) << 20;
    std::memcpy(out + 4 * index, &word, 4);
}

// Interior pixels of row y (parity Py), columns 1 to width - 2: pairs of an odd and the
// following even column.
template <TextureFormat Format, int Py>
HYX_VECTOR_CLONES void interiorRow(const uint8_t* row, uint8_t* out, uint32_t width)
{
    const ptrdiff_t stride = width;
    for (uint32_t x = 1; x + 2 < width; x += 2) {
        int32_t odd[3], even[3];
        EstimateAt<Format, 1, Py>(row + x, stride, odd);
        EstimateAt<Format, 0, Py>(row + x + 1, stride, even);
        storeWord(out, x, odd);
        storeWord(out, x + 1, even);
    }
}

// A pixel of the outer ring: each missing colour from neighbours inside the image, the
// horizontal one on the left (else the right), the vertical one below (else above), the
// diagonal where the two meet. One neighbour counts x 4, two (G at R and B sites) x 2 each.
void ringPixel(const uint8_t* mosaic, uint8_t* out, Cell cell, uint32_t x, uint32_t y, uint32_t width, uint32_t height)
{
    const uint32_t hx = x > 0 ? x - 1 : x + 1;
    const uint32_t vy = y + 1 < height ? y + 1 : y - 1;
    auto at = [&](uint32_t sx, uint32_t sy) { return int32_t(mosaic[size_t(width) * sy + sx]); };
    const Colour site = SiteColour(cell, x & 1, y & 1);
    int32_t rgb[3];
    rgb[site] = at(x, y) * 4;
    if (site == Green) {
        rgb[SiteColour(cell, hx & 1, y & 1)] = at(hx, y) * 4;
        rgb[SiteColour(cell, x & 1, vy & 1)] = at(x, vy) * 4;
    } else {
        rgb[Green] = (at(hx, y) + at(x, vy)) * 2;
        rgb[2 - site] = at(hx, vy) * 4;
    }
    storeWord(out, size_t(width) * y + x, rgb);
}

template <TextureFormat Format>
void convert(const uint8_t* mosaic, uint8_t* out, uint32_t width, uint32_t height)
{
    for (uint32_t y = 1; y + 1 < height; ++y) {
        const size_t offset = size_t(width) * y;
        if (y & 1)
            interiorRow<Format, 1>(mosaic + offset, out + 4 * offset, width);
        else
            interiorRow<Format, 0>(mosaic + offset, out + 4 * offset, width);
    }
    constexpr Cell cell = CellOf(Format);
    for (uint32_t x = 0; x < width; ++x) {
        ringPixel(mosaic, out, cell, x, 0, width, height);
        ringPixel(mosaic, out, cell, x, height - 1, width, height);
    }
    for (uint32_t y = 1; y + 1 < height; ++y) {
        ringPixel(mosaic, out, cell, 0, y, width, height);
        ringPixel(mosaic, out, cell, width - 1, y, width, height);
    }
}

} // namespace

void BayerToRGB30(const uint8_t* mosaic, uint8_t* rgb30, TextureFormat format, uint32_t width, uint32_t height)
{
    switch (format) {
    case TextureFormat::BayerBGGR: convert<TextureFormat::BayerBGGR>(mosaic, rgb30, width, height); break;
    case TextureFormat::BayerGRBG: convert<TextureFormat::BayerGRBG>(mosaic, rgb30, width, height); break;
    case TextureFormat::BayerGBRG: convert<TextureFormat::BayerGBRG>(mosaic, rgb30, width, height); break;
    default: convert<TextureFormat::BayerRGGB>(mosaic, rgb30, width, height); break;
    }
}

} // namespace Hyx::TextureKernels
