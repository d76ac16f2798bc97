#pragma once

// 8-bit Bayer mosaics, named after the colours of their top-left 2 x 2 cell (RGGB: R at
// even columns of even rows, B at odd columns of odd rows).
//
// Contract:
// - Accessors demosaic bilinearly from the 3 x 3 neighbourhood: the centre sample gives its
//   own channel, the two or four nearest samples of another colour are averaged. RGB30
//   values carry the sums unrounded (10 bits), RGB24 values their top 8 bits; YUV values
//   come from the RGB30 value.
// - Pixels on the border (and outside the image) give 0.
// - The preview is the 8-bit grey one of the raw samples.

#include <Hyx/DataTypeTextureBase.h>

namespace Hyx {

/// R G / G B cells.
class HYX_API DataTypeTextureBayerRGGB : public DataTypeTexture8Bit {
    HYX_TEXTURE_CLASS_IDENTITY(DataTypeTextureBayerRGGB, BayerRGGB)

public:
    /// Demosaiced R | G << 8 | B << 16; 0 on the border.
    uint32_t GetPixelAsRGB24BitValue(int x, int y) const override;
    /// Demosaiced 10-bit R | G << 10 | B << 20; 0 on the border.
    uint32_t GetPixelAsRGB30BitValue(int x, int y) const override;
    /// Y | U << 8 | V << 16 of the RGB30 value; 0 on the border.
    uint32_t GetPixelAsYUV24BitValue(int x, int y) const override;
};

/// B G / G R cells.
class HYX_API DataTypeTextureBayerBGGR : public DataTypeTexture8Bit {
    HYX_TEXTURE_CLASS_IDENTITY(DataTypeTextureBayerBGGR, BayerBGGR)

public:
    uint32_t GetPixelAsRGB24BitValue(int x, int y) const override;
    uint32_t GetPixelAsRGB30BitValue(int x, int y) const override;
    uint32_t GetPixelAsYUV24BitValue(int x, int y) const override;
};

/// G R / B G cells.
class HYX_API DataTypeTextureBayerGRBG : public DataTypeTexture8Bit {
    HYX_TEXTURE_CLASS_IDENTITY(DataTypeTextureBayerGRBG, BayerGRBG)

public:
    uint32_t GetPixelAsRGB24BitValue(int x, int y) const override;
    uint32_t GetPixelAsRGB30BitValue(int x, int y) const override;
    uint32_t GetPixelAsYUV24BitValue(int x, int y) const override;
};

/// G B / R G cells.
class HYX_API DataTypeTextureBayerGBRG : public DataTypeTexture8Bit {
    HYX_TEXTURE_CLASS_IDENTITY(DataTypeTextureBayerGBRG, BayerGBRG)

public:
    uint32_t GetPixelAsRGB24BitValue(int x, int y) const override;
    uint32_t GetPixelAsRGB30BitValue(int x, int y) const override;
    uint32_t GetPixelAsYUV24BitValue(int x, int y) const override;
};

/// New empty textures that the caller owns.
HYX_API DataLayer* DataTypeTextureBayerRGGBDataLayerCreator();
HYX_API DataLayer* DataTypeTextureBayerBGGRDataLayerCreator();
HYX_API DataLayer* DataTypeTextureBayerGRBGDataLayerCreator();
HYX_API DataLayer* DataTypeTextureBayerGBRGDataLayerCreator();

} // namespace Hyx
