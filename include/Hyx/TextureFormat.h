#pragma once

// Pixel formats of texture layers: the one numbering shared by the texture classes, the
// format converter and the conversion filters, with display names and byte sizes.
//
// Contract:
// - Format values 0 to 24 are stored in files and compared as integers; they never change.
// - The byte size of a pixel block is width * height * bytes-per-pixel, computed exactly
//   in 64-bit integers and truncated (a DXT1 block of 3 x 3 pixels holds 4 bytes). Only
//   the IR format looks at the depth (1 byte per pixel at 8 bit, 2 at 16 bit).
// - The run-length formats (DXT1RLE, ETC2RLE, ASTCRLE) and values outside 0-24 have no
//   derivable size: TextureFormatHasSize is false and ComputeTextureSizeInBytes gives 0.
// - YUV 4:2:0 textures store luma and chroma rows in one height; GetYUVStoredHeight and
//   GetYUVLumaHeight convert between the two for every height, odd ones included.
// - Pure functions without state: callable from any thread.

#include <Hyx/Export.h>

#include <cstdint>

namespace Hyx {

/// Pixel format of a texture layer.
enum class TextureFormat : int32_t {
    YUV_NVX = 0, ///< "8-Bit-YUV-NVX": luma, then per chroma row W/2 U and W/2 V samples
    YUV_NV21 = 1, ///< "8-Bit-YUV-NV21": luma, then interleaved V, U pairs
    YUV_NV12 = 2, ///< "8-Bit-YUV-NV12": luma, then interleaved U, V pairs
    IR = 3, ///< "IR": 1 byte per pixel at depth 8 bit, 2 (little-endian) at 16 bit
    DepthMap16Bit = 4, ///< "16-Bit-DepthMap"
    BGR = 5, ///< "24-Bit-BGR"
    RGB = 6, ///< "24-Bit-RGB"
    IR16Bit = 7, ///< "16-Bit-IR"
    BayerRGGB = 8, ///< "8-Bit-Bayer-RGGB"
    BayerBGGR = 9, ///< "8-Bit-Bayer-BGGR"
    BayerGRBG = 10, ///< "8-Bit-Bayer-GRBG"
    BayerGBRG = 11, ///< "8-Bit-Bayer-GBRG"
    RGB30 = 12, ///< "32-Bit-RGB (3x10 Bit)": R bits 0-9, G 10-19, B 20-29
    HSL24 = 13, ///< "24-Bit-HSL": bytes H, S, L
    HSL30 = 14, ///< "32-Bit-HSL (3x10 Bit)": H bits 0-9, S 10-19, L 20-29
    DXT5YCOCG = 15, ///< "DXT5 YCOCG"
    PaletteBased8bit = 16, ///< "8-Bit-PaletteBased"
    PaletteBased16bit = 17, ///< "16-Bit-PaletteBased"
    RGBA = 18, ///< "32-Bit-RGBA"
    DXT1 = 19, ///< "DXT1": half a byte per pixel
    DXT1RLE = 20, ///< "DXT1-RLE": no derivable size
    ETC2 = 21, ///< "ETC2": half a byte per pixel
    ETC2RLE = 22, ///< "ETC2-RLE": no derivable size
    ASTC = 23, ///< "ASTC": a quarter byte per pixel
    ASTCRLE = 24, ///< "ASTC-RLE": no derivable size
};

/// Number of texture formats (values 0 to TextureFormatCount - 1).
inline constexpr int32_t TextureFormatCount = 25;

/// Sample depth; only IR textures give it meaning.
enum class TextureDepth : uint8_t {
    Depth8Bit = 0, ///< "8-Bit"
    Depth16Bit = 1, ///< "16-Bit"
};

/// The display name of a format, for example "24-Bit-RGB"; "Unknown" outside 0-24.
HYX_API const char* GetTextureFormatName(TextureFormat format);

/// The display name of a depth, "8-Bit" or "16-Bit"; "Unknown" for other values.
HYX_API const char* GetTextureDepthName(TextureDepth depth);

/// True when the pixel-block size follows from the dimensions (every format in 0-24 except
/// the three run-length formats).
HYX_API bool TextureFormatHasSize(TextureFormat format);

/// Exact byte size of a pixel block of width x height pixels; 0 for a format without size.
/// depth matters for IR only (16 bit doubles the size; any other value counts as 8 bit).
HYX_API uint64_t ComputeTextureSizeInBytes(TextureFormat format, TextureDepth depth, uint16_t width, uint16_t height);

/// Stored height of a YUV 4:2:0 texture with lumaHeight rows: luma plus (lumaHeight + 1) / 2
/// chroma rows. Equals lumaHeight * 3 / 2 for even heights; for odd ones it keeps the last
/// luma row's chroma and maps back exactly through GetYUVLumaHeight. Writers must check that
/// the result fits the 16-bit stored height (lumaHeight <= 43690).
constexpr uint32_t GetYUVStoredHeight(uint32_t lumaHeight)
{
    return lumaHeight + (lumaHeight + 1) / 2;
}

/// Luma height of a YUV texture of storedHeight rows: storedHeight * 2 / 3, rounded down.
constexpr uint32_t GetYUVLumaHeight(uint32_t storedHeight)
{
    return storedHeight * 2 / 3;
}

} // namespace Hyx
