#pragma once

// Infrared and depth textures: the IR texture with its depth byte, the 16-bit infrared
// texture and the 16-bit depth map.
//
// Contract:
// - DataTypeTextureIR, class version 1: payload width (u16), height (u16), depth (u8: 0 is
//   8 bit, 1 is 16 bit), then the pixels at offset 5 (16-bit samples little-endian).
//   Version 0 payloads carry no depth byte: pixels at offset 4, depth 8 bit. A version-1
//   payload with another depth value is refused (the stream keeps it as a placeholder).
// - Writers call SetDepth before allocating; they write version 1.
// - Grey accessors and previews: the byte at 8 bit, the high byte of the sample at 16 bit.
// - The depth-map preview shows each sample as R = G = its high byte and B = a saw-tooth
//   over its low 9 bits, so that depth steps stay visible.

#include <Hyx/DataTypeTextureBase.h>

namespace Hyx {

/// Infrared image of 8 or 16 bits per pixel.
class HYX_API DataTypeTextureIR : public DataTypeTextureBase {
    HYX_TEXTURE_CLASS_IDENTITY(DataTypeTextureIR, IR)

public:
    /// The base text, then ", Depth=8-Bit" or ", Depth=16-Bit".
    std::string ToString(bool friendly) const override;
    void SetTexture(uint16_t width, uint16_t height, const uint8_t* pixels) override;
    uint8_t* AllocateTexture(uint16_t width, uint16_t height) override;
    uint8_t* AllocateTextureWithAdditionalBytes(uint16_t width, uint16_t height, uint32_t additional) override;
    /// Grey v | v << 8 | v << 16 with v the byte (8 bit) or the sample's high byte (16 bit).
    uint32_t GetPixelAsRGB24BitValue(int x, int y) const override;
    /// Grey preview of the bytes or of the samples' high bytes.
    void RenderTo2dRgbaBuffer(uint8_t* rgba) override;

    /// Same as GetDepth.
    TextureDepth GetTextureDepth() const { return GetDepth(); }
    /// Same as SetDepth.
    void SetTextureDepth(TextureDepth depth) { SetDepth(depth); }
    /// The pixel bytes.
    uint8_t* GetTextureData() const { return _pixels; }

protected:
    /// Versions 0 (no depth byte) and 1.
    bool deserializeAndMigrate(uint8_t* data, uint32_t size) override;
};

/// 16-bit infrared image.
class HYX_API DataTypeTexture16BitIR : public DataTypeTexture16Bit {
    HYX_TEXTURE_CLASS_IDENTITY(DataTypeTexture16BitIR, IR16Bit)
};

/// 16-bit depth map.
class HYX_API DataTypeTexture16BitDepthMap : public DataTypeTexture16Bit {
    HYX_TEXTURE_CLASS_IDENTITY(DataTypeTexture16BitDepthMap, DepthMap16Bit)

public:
    /// Grey ramp of the high byte with a blue saw-tooth of the low 9 bits.
    void RenderTo2dRgbaBuffer(uint8_t* rgba) override;
};

/// New empty textures that the caller owns.
HYX_API DataLayer* DataTypeTextureIRDataLayerCreator();
HYX_API DataLayer* DataTypeTexture16BitIRDataLayerCreator();
HYX_API DataLayer* DataTypeTexture16BitDepthMapDataLayerCreator();

} // namespace Hyx
