#include <Hyx/DataTypeTextureBayer.h>

#include "datatypes/textures/PixelConversion.h"
#include "impl/core/BuiltInRegistration.h"

#include <cstddef>

namespace Hyx {

HYX_BUILTIN_DATA_LAYER(DataTypeTextureBayerRGGB);
HYX_BUILTIN_DATA_LAYER(DataTypeTextureBayerBGGR);
HYX_BUILTIN_DATA_LAYER(DataTypeTextureBayerGRBG);
HYX_BUILTIN_DATA_LAYER(DataTypeTextureBayerGBRG);

namespace {

// Bilinear demosaic of an interior pixel into 10-bit channels; 0 on the border. (redX,
// redY) is the position of the red sample within each 2 x 2 cell.
uint32_t demosaic30(const DataTypeTextureBase& texture, int x, int y, int redX, int redY)
{
    const uint8_t* pixels = texture.GetDataPtr();
    const int width = texture.GetWidth();
    if (!pixels || x < 1 || y < 1 || x >= width - 1 || y >= texture.GetHeight() - 1)
        return 0;
    const ptrdiff_t stride = width;
    const uint8_t* c = pixels + stride * y + x;
    const uint32_t centre = uint32_t(c[0]) * 4;
    const uint32_t horizontal = (uint32_t(c[-1]) + c[1]) * 2;
    const uint32_t vertical = (uint32_t(c[-stride]) + c[stride]) * 2;
    const uint32_t cross = (horizontal + vertical) / 2;
    const uint32_t diagonal = uint32_t(c[-stride - 1]) + c[-stride + 1] + c[stride - 1] + c[stride + 1];
    const bool redColumn = (x & 1) == redX;
    const bool redRow = (y & 1) == redY;
    uint32_t r, g, b;
    if (redRow && redColumn) {
        r = centre, g = cross, b = diagonal;
    } else if (!redRow && !redColumn) {
        r = diagonal, g = cross, b = centre;
    } else if (redRow) { // green between reds horizontally, blues vertically
        r = horizontal, g = centre, b = vertical;
    } else {
        r = vertical, g = centre, b = horizontal;
    }
    return r | g << 10 | b << 20;
}

uint32_t to24(uint32_t rgb30)
{
    return (rgb30 >> 2 & 0xFF) | (rgb30 >> 12 & 0xFF) << 8 | (rgb30 >> 22 & 0xFF) << 16;
}

uint32_t toYuv(const DataTypeTextureBase& texture, int x, int y, uint32_t rgb30)
{
    // Inside the border a black pixel still has Y 16, so test the position, not the value.
    const bool interior =
        texture.GetDataPtr() && x >= 1 && y >= 1 && x < texture.GetWidth() - 1 && y < texture.GetHeight() - 1;
    return interior ? PixelConversion::Rgb30ToYuv(rgb30) : 0;
}

} // namespace

#define HYX_BAYER_ACCESSORS(ClassName, RedX, RedY)                                                                     \
    ClassName::ClassName() : DataTypeTexture8Bit(0)                                                                    \
    {                                                                                                                  \
    }                                                                                                                  \
    ClassName::~ClassName() = default;                                                                                 \
    uint32_t ClassName::GetPixelAsRGB30BitValue(int x, int y) const                                                    \
    {                                                                                                                  \
        return demosaic30(*this, x, y, RedX, RedY);                                                                    \
    }                                                                                                                  \
    uint32_t ClassName::GetPixelAsRGB24BitValue(int x, int y) const                                                    \
    {                                                                                                                  \
        return to24(demosaic30(*this, x, y, RedX, RedY));                                                              \
    }                                                                                                                  \
    uint32_t ClassName::GetPixelAsYUV24BitValue(int x, int y) const                                                    \
    {                                                                                                                  \
        return toYuv(*this, x, y, demosaic30(*this, x, y, RedX, RedY));                                                \
    }

HYX_BAYER_ACCESSORS(DataTypeTextureBayerRGGB, 0, 0)
HYX_BAYER_ACCESSORS(DataTypeTextureBayerBGGR, 1, 1)
HYX_BAYER_ACCESSORS(DataTypeTextureBayerGRBG, 1, 0)
HYX_BAYER_ACCESSORS(DataTypeTextureBayerGBRG, 0, 1)

} // namespace Hyx
