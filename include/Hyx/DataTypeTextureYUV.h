#pragma once

// 8-bit YUV 4:2:0 textures: a luma plane of width x height bytes, then a chroma plane of
// (height + 1) / 2 rows of width bytes, one U and one V sample per 2 x 2 luma pixels. The
// stored height counts both planes; GetHeight is the luma height (stored * 2 / 3).
//
// Contract:
// - Chroma layouts: NV12 pairs U, V; NV21 pairs V, U; NVX per chroma row width / 2 U
//   samples, then width / 2 V samples. The U and V offsets (from the start of the pixel
//   block) are recomputed on every load.
// - Writers allocate (width, GetYUVStoredHeight(lumaHeight)) and fill both planes.
// - Accessors read inside the pixel block for every size: with an odd width the last
//   column uses the last complete chroma sample; below a width of 2 there is no chroma
//   sample and U = V = 128.
// - The preview is the 8-bit grey one over the stored rows (chroma rows appear below).

#include <Hyx/DataTypeTextureBase.h>

namespace Hyx {

class HYX_API DataTypeTextureYUV : public DataTypeTexture8Bit {
public:
    /// The luma height: stored height * 2 / 3, rounded down.
    uint16_t GetHeight() const override;
    /// BT.601 limited-range conversion of the pixel, 8 bits per channel.
    uint32_t GetPixelAsRGB24BitValue(int x, int y) const override;
    /// The same conversion with 10 bits per channel.
    uint32_t GetPixelAsRGB30BitValue(int x, int y) const override;
    /// Y | U << 8 | V << 16 of the pixel.
    uint32_t GetPixelAsYUV24BitValue(int x, int y) const override;

    /// Offset of the first U sample from the start of the pixel block.
    uint32_t GetUOffset() const { return _uOffset; }
    /// Offset of the first V sample from the start of the pixel block.
    uint32_t GetVOffset() const { return _vOffset; }

protected:
    using DataTypeTexture8Bit::DataTypeTexture8Bit;
    /// The texture load, then the chroma offsets of the class's layout.
    bool deserializeAndMigrate(uint8_t* data, uint32_t size) override;

private:
    /// Y, U and V of a pixel inside the image into yuv[0..2]; false outside or when empty.
    bool readYuv(int x, int y, int32_t yuv[3]) const;

    uint32_t _uOffset = 0;
    uint32_t _vOffset = 0;
};

/// Luma, then chroma rows of W / 2 U samples followed by W / 2 V samples.
class HYX_API DataTypeTextureYUV_NVX : public DataTypeTextureYUV {
    HYX_TEXTURE_CLASS_IDENTITY(DataTypeTextureYUV_NVX, YUV_NVX)
};

/// Luma, then interleaved V, U pairs.
class HYX_API DataTypeTextureYUV_NV21 : public DataTypeTextureYUV {
    HYX_TEXTURE_CLASS_IDENTITY(DataTypeTextureYUV_NV21, YUV_NV21)
};

/// Luma, then interleaved U, V pairs.
class HYX_API DataTypeTextureYUV_NV12 : public DataTypeTextureYUV {
    HYX_TEXTURE_CLASS_IDENTITY(DataTypeTextureYUV_NV12, YUV_NV12)
};

/// New empty textures that the caller owns.
HYX_API DataLayer* DataTypeTextureYUV_NVXDataLayerCreator();
HYX_API DataLayer* DataTypeTextureYUV_NV21DataLayerCreator();
HYX_API DataLayer* DataTypeTextureYUV_NV12DataLayerCreator();

} // namespace Hyx
