#pragma once

// The colour estimates of one Bayer site, in 10-bit scale: the site's own sample x 4, the
// sum of a pair of neighbours x 2, or the plain sum of four. Shared by the two Bayer
// kernels; the mosaic is a template argument so the colours are known at compile time.

#include <Hyx/TextureFormat.h>

#include <cstddef>
#include <cstdint>

namespace Hyx::TextureKernels::Bayer {

enum Colour : int {
    Red = 0,
    Green = 1,
    Blue = 2
};

/// The colours of one mosaic's top-left 2 x 2 cell, row by row.
struct Cell {
    Colour c00, c10, c01, c11;
};

constexpr Cell CellOf(TextureFormat format)
{
    switch (format) {
    case TextureFormat::BayerBGGR: return {Blue, Green, Green, Red};
    case TextureFormat::BayerGRBG: return {Green, Red, Blue, Green};
    case TextureFormat::BayerGBRG: return {Green, Blue, Red, Green};
    default: return {Red, Green, Green, Blue};
    }
}

/// Colour of the site at column parity px, row parity py.
constexpr Colour SiteColour(Cell cell, int px, int py)
{
    return py == 0 ? (px == 0 ? cell.c00 : cell.c10) : (px == 0 ? cell.c01 : cell.c11);
}

/// R, G and B of the interior site p (stride bytes per row). Site is the site's colour,
/// Across the colour of its horizontal neighbours, Along that of the vertical ones.
template <Colour Site, Colour Across, Colour Along>
inline void Estimate(const uint8_t* p, ptrdiff_t stride, int32_t rgb[3])
{
    const int32_t left = p[-1], right = p[1], above = p[-stride], below = p[stride];
    if constexpr (Site == Green) {
        rgb[Green] = p[0] * 4;
        rgb[Across] = (left + right) * 2;
        rgb[Along] = (above + below) * 2;
    } else {
        rgb[Site] = p[0] * 4;
        rgb[Green] = left + right + above + below;
        rgb[2 - Site] = p[-stride - 1] + p[-stride + 1] + p[stride - 1] + p[stride + 1];
    }
}

/// Estimate for the site at column parity Px, row parity Py of the mosaic.
template <TextureFormat Format, int Px, int Py>
inline void EstimateAt(const uint8_t* p, ptrdiff_t stride, int32_t rgb[3])
{
    constexpr Cell cell = CellOf(Format);
    Estimate<SiteColour(cell, Px, Py), SiteColour(cell, 1 - Px, Py), SiteColour(cell, Px, 1 - Py)>(p, stride, rgb);
}

} // namespace Hyx::TextureKernels::Bayer
