#pragma once

// Colour textures: 24-bit RGB and BGR, 32-bit RGBA, and RGB with 10 bits per channel.
//
// Contract:
// - RGB pixels are the bytes R, G, B; BGR pixels B, G, R; RGBA pixels R, G, B, A. RGB30
//   pixels are little-endian u32 values R | G << 10 | B << 20.
// - Accessors: RGB24 values R | G << 8 | B << 16; RGB30 values of the 8-bit classes shift
//   each channel left by 2; YUV values use the integer BT.601 limited-range formulas.
// - Previews: RGB and BGR show their bytes in stored order as R, G, B (a BGR texture shows
//   red and blue exchanged); RGBA copies its bytes, alpha included; RGB30 shows the top 8
//   bits of each channel.
// - LoadFromFile reads PNG and JPEG files (endings ".png", ".jpg", ".jpeg" in any case).
//   A file that cannot be read or decoded, or another ending, returns false and leaves the
//   layer as it was; a header claiming more pixels than the file or a texture can hold is
//   refused before anything is allocated. Any thread may load (JPEG codecs are per thread).

#include <Hyx/DataTypeTextureBase.h>

namespace Hyx {

/// Bytes R, G, B per pixel.
class HYX_API DataTypeTextureRGB : public DataTypeTexture24Bit {
    HYX_TEXTURE_CLASS_IDENTITY(DataTypeTextureRGB, RGB)

public:
    /// R | G << 8 | B << 16.
    uint32_t GetPixelAsRGB24BitValue(int x, int y) const override;
    /// Each byte shifted left by 2 into 10-bit fields.
    uint32_t GetPixelAsRGB30BitValue(int x, int y) const override;
    /// Y | U << 8 | V << 16 of the pixel.
    uint32_t GetPixelAsYUV24BitValue(int x, int y) const override;
    /// Replaces the texture by the PNG or JPEG image at path; false leaves it as it was.
    bool LoadFromFile(const char* path);
    /// Turns the image upside down in place.
    void FlipImageVertically();
};

/// Bytes B, G, R per pixel.
class HYX_API DataTypeTextureBGR : public DataTypeTexture24Bit {
    HYX_TEXTURE_CLASS_IDENTITY(DataTypeTextureBGR, BGR)

public:
    /// R | G << 8 | B << 16 (bytes reordered).
    uint32_t GetPixelAsRGB24BitValue(int x, int y) const override;
    /// Each channel shifted left by 2 into 10-bit fields.
    uint32_t GetPixelAsRGB30BitValue(int x, int y) const override;
    /// Y | U << 8 | V << 16 of the pixel.
    uint32_t GetPixelAsYUV24BitValue(int x, int y) const override;
    /// Replaces the texture by the PNG or JPEG image at path, in B, G, R order; false leaves
    /// it as it was.
    bool LoadFromFile(const char* path);
};

/// Bytes R, G, B, A per pixel.
class HYX_API DataTypeTextureRGBA : public DataTypeTextureBase {
    HYX_TEXTURE_CLASS_IDENTITY(DataTypeTextureRGBA, RGBA)

public:
    /// The pixel bytes.
    uint8_t* GetTextureData() const { return _pixels; }
    /// The stored bytes unchanged, alpha included.
    void RenderTo2dRgbaBuffer(uint8_t* rgba) override;
};

/// Little-endian u32 R | G << 10 | B << 20 per pixel.
class HYX_API DataTypeTextureRGB30 : public DataTypeTextureBase {
    HYX_TEXTURE_CLASS_IDENTITY(DataTypeTextureRGB30, RGB30)

public:
    /// The pixels; the pointer may be unaligned when the payload is borrowed.
    uint32_t* GetTextureData() const { return reinterpret_cast<uint32_t*>(_pixels); }
    /// The top 8 bits of each channel.
    uint32_t GetPixelAsRGB24BitValue(int x, int y) const override;
    /// The stored value.
    uint32_t GetPixelAsRGB30BitValue(int x, int y) const override;
    /// Y | U << 8 | V << 16 from the 10-bit channels.
    uint32_t GetPixelAsYUV24BitValue(int x, int y) const override;
    /// The top 8 bits of each channel.
    void RenderTo2dRgbaBuffer(uint8_t* rgba) override;
};

/// New empty textures that the caller owns.
HYX_API DataLayer* DataTypeTextureRGBDataLayerCreator();
HYX_API DataLayer* DataTypeTextureBGRDataLayerCreator();
HYX_API DataLayer* DataTypeTextureRGBADataLayerCreator();
HYX_API DataLayer* DataTypeTextureRGB30DataLayerCreator();

} // namespace Hyx
