#pragma once

// HSL textures with 8 bits per channel (bytes H, S, L) or 10 (little-endian u32
// H | S << 10 | L << 20), and the fixed-point HSL-to-RGB conversions.
//
// Contract:
// - The conversions are integer only, without state, callable from any thread. Hues split
//   into six sectors of 42 (8 bit) or 170 (10 bit) steps; hues past the sixth sector (8 bit
//   252-255, 10 bit 1020-1023) give grey at the lightness offset. Zero saturation gives
//   grey L (HSL30toRGB24: L >> 2).
// - Accessors and previews convert each pixel with these functions.

#include <Hyx/DataTypeTextureBase.h>

namespace Hyx {

/// Bytes H, S, L per pixel.
class HYX_API DataTypeTextureHSL24 : public DataTypeTextureBase {
    HYX_TEXTURE_CLASS_IDENTITY(DataTypeTextureHSL24, HSL24)

public:
    /// Three bytes H, S, L in, three bytes R, G, B out.
    static void HSL24toRGB24(const uint8_t* hsl, uint8_t* rgb);

    /// The pixel bytes.
    uint8_t* GetTextureData() const { return _pixels; }
    /// HSL24toRGB24 of the pixel, packed R | G << 8 | B << 16.
    uint32_t GetPixelAsRGB24BitValue(int x, int y) const override;
    /// HSL24toRGB24 of the pixel, each channel shifted left by 2.
    uint32_t GetPixelAsRGB30BitValue(int x, int y) const override;
    /// Y | U << 8 | V << 16 of HSL24toRGB24 of the pixel.
    uint32_t GetPixelAsYUV24BitValue(int x, int y) const override;
    /// The stored bytes packed H | S << 8 | L << 16.
    uint32_t GetPixelAsHSL24BitValue(int x, int y) const;
    /// The stored bytes, each shifted left by 2, packed H | S << 10 | L << 20.
    uint32_t GetPixelAsHSL30BitValue(int x, int y) const;
    /// HSL24toRGB24 of each pixel.
    void RenderTo2dRgbaBuffer(uint8_t* rgba) override;
};

/// Little-endian u32 H | S << 10 | L << 20 per pixel.
class HYX_API DataTypeTextureHSL30 : public DataTypeTextureBase {
    HYX_TEXTURE_CLASS_IDENTITY(DataTypeTextureHSL30, HSL30)

public:
    /// Packed HSL30 in, RGB30 (R | G << 10 | B << 20) out.
    static void HSL30toRGB30(uint32_t hsl, uint32_t& rgb);
    /// Packed HSL30 in, RGB24 (R | G << 8 | B << 16) out.
    static void HSL30toRGB24(uint32_t hsl, uint32_t& rgb);

    /// The pixels; the pointer may be unaligned when the payload is borrowed.
    uint32_t* GetTextureData() const { return reinterpret_cast<uint32_t*>(_pixels); }
    /// HSL30toRGB24 of the pixel.
    uint32_t GetPixelAsRGB24BitValue(int x, int y) const override;
    /// HSL30toRGB30 of the pixel.
    uint32_t GetPixelAsRGB30BitValue(int x, int y) const override;
    /// Y | U << 8 | V << 16 of HSL30toRGB24 of the pixel.
    uint32_t GetPixelAsYUV24BitValue(int x, int y) const override;
    /// The top 8 bits of each field, packed H | S << 8 | L << 16.
    uint32_t GetPixelAsHSL24BitValue(int x, int y) const;
    /// The stored value.
    uint32_t GetPixelAsHSL30BitValue(int x, int y) const;
    /// HSL30toRGB24 of each pixel.
    void RenderTo2dRgbaBuffer(uint8_t* rgba) override;

private:
    /// The stored value into value; false outside the image or when empty.
    bool pixelAt(int x, int y, uint32_t& value) const;
};

/// New empty textures that the caller owns.
HYX_API DataLayer* DataTypeTextureHSL24DataLayerCreator();
HYX_API DataLayer* DataTypeTextureHSL30DataLayerCreator();

} // namespace Hyx
