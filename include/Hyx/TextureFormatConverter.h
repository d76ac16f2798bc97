#pragma once

// Conversions of texture layers between pixel formats: RGB and BGR, the YUV 4:2:0 layouts
// (NVX, NV12, NV21), RGB30, HSL24 and HSL30, the four Bayer mosaics, and the DXT1,
// DXT5-YCoCg, ETC2 and ASTC block formats (ETC2 and ASTC are encoded only).
//
// Contract:
// - Every conversion makes a new layer through the data-layer factory and never modifies
//   its source. Operations with a purpose argument give the result that purpose; the others
//   give it the source's purpose.
// - Result sizes: the source's width and height; NVX from RGB, BGR or Bayer stores
//   height * 3 / 2 rows; NVX from NV12 or NV21 keeps the source's stored size.
// - An empty source pointer, a source without pixels, an image of width or height 0 (a YUV
//   texture of one stored row has no luma row) or a result class the factory cannot make
//   gives an empty pointer.
// - Sizes a conversion cannot handle throw std::runtime_error "Texture format conversion not
//   supported." before anything is allocated: odd widths or heights for YUV 4:2:0 and
//   Bayer, Bayer mosaics below 4 x 4, NVX results taller than 65535 stored rows, and block
//   formats whose width or height is not a multiple of 4 (of 8 for ASTC).
// - YUV and BGR sources are encoded in the channel order of the RGB source: a YUV texture
//   and its RGB conversion give the same blocks, and so do BGR (b, g, r) and RGB (r, g, b).
// - ETC2 and ASTC code every colour byte clamped to at most 254. ASTC runs four threads and
//   prints to standard output "<n> blocks to process .." (n: the 8 x 8 blocks) for every
//   texture; only an RGB source prints "compression type <quality>" before it, so BGR and
//   YUV sources print the one line.
// - Stateless: conversions of different layers may run on any threads at once.

#include <Hyx/DataTypeTextureBayer.h>
#include <Hyx/DataTypeTextureBlock.h>
#include <Hyx/DataTypeTextureHSL.h>
#include <Hyx/DataTypeTextureRGB.h>
#include <Hyx/DataTypeTextureYUV.h>
#include <Hyx/Export.h>

#include <VornCommon/Guid.h>

#include <cstdint>
#include <memory>

namespace Hyx {

class HYX_API TextureFormatConverter {
public:
    template <class T>
    using Ptr = std::shared_ptr<T>;
    using Guid = VornCommon::Guid;

    // ---- Block formats (result purpose: the argument) ----

    /// DXT5-YCoCg blocks of an RGB texture (16 bytes per 4 x 4 pixels).
    static Ptr<DataTypeTextureDXT5YCOCG> ConvertFromRGBtoDXT5YCOCG(const Ptr<DataTypeTextureRGB>& source,
                                                                   const Guid& purpose);
    /// DXT5-YCoCg blocks of a BGR texture.
    static Ptr<DataTypeTextureDXT5YCOCG> ConvertFromBGRtoDXT5YCOCG(const Ptr<DataTypeTextureBGR>& source,
                                                                   const Guid& purpose);
    /// DXT5-YCoCg blocks of a YUV texture, through its RGB conversion.
    static Ptr<DataTypeTextureDXT5YCOCG> ConvertFromNVXtoDXT5YCOCG(const Ptr<DataTypeTextureYUV_NVX>& source,
                                                                   const Guid& purpose);
    static Ptr<DataTypeTextureDXT5YCOCG> ConvertFromNV12toDXT5YCOCG(const Ptr<DataTypeTextureYUV_NV12>& source,
                                                                    const Guid& purpose);
    static Ptr<DataTypeTextureDXT5YCOCG> ConvertFromNV21toDXT5YCOCG(const Ptr<DataTypeTextureYUV_NV21>& source,
                                                                    const Guid& purpose);
    /// DXT1 blocks of an RGB texture (8 bytes per 4 x 4 pixels).
    static Ptr<DataTypeTextureDXT1> ConvertFromRGBtoDXT1(const Ptr<DataTypeTextureRGB>& source, const Guid& purpose);
    /// DXT1 blocks of a BGR texture.
    static Ptr<DataTypeTextureDXT1> ConvertFromBGRtoDXT1(const Ptr<DataTypeTextureBGR>& source, const Guid& purpose);
    /// DXT1 blocks of a YUV texture, through its RGB conversion.
    static Ptr<DataTypeTextureDXT1> ConvertFromNVXtoDXT1(const Ptr<DataTypeTextureYUV_NVX>& source,
                                                         const Guid& purpose);
    static Ptr<DataTypeTextureDXT1> ConvertFromNV12toDXT1(const Ptr<DataTypeTextureYUV_NV12>& source,
                                                          const Guid& purpose);
    static Ptr<DataTypeTextureDXT1> ConvertFromNV21toDXT1(const Ptr<DataTypeTextureYUV_NV21>& source,
                                                          const Guid& purpose);
    /// ETC2 RGB blocks of an RGB texture (8 bytes per 4 x 4 pixels).
    static Ptr<DataTypeTextureETC2> ConvertFromRGBtoETC2(const Ptr<DataTypeTextureRGB>& source, const Guid& purpose);
    /// ETC2 RGB blocks of a BGR texture.
    static Ptr<DataTypeTextureETC2> ConvertFromBGRtoETC2(const Ptr<DataTypeTextureBGR>& source, const Guid& purpose);
    /// ETC2 RGB blocks of a YUV texture, through its RGB conversion.
    static Ptr<DataTypeTextureETC2> ConvertFromNVXtoETC2(const Ptr<DataTypeTextureYUV_NVX>& source,
                                                         const Guid& purpose);
    static Ptr<DataTypeTextureETC2> ConvertFromNV12toETC2(const Ptr<DataTypeTextureYUV_NV12>& source,
                                                          const Guid& purpose);
    static Ptr<DataTypeTextureETC2> ConvertFromNV21toETC2(const Ptr<DataTypeTextureYUV_NV21>& source,
                                                          const Guid& purpose);
    /// ASTC 8 x 8 blocks of an RGB texture (16 bytes per 8 x 8 pixels); quality non-zero
    /// takes the thorough preset, zero the medium one.
    static Ptr<DataTypeTextureASTC> ConvertFromRGBtoASTC(const Ptr<DataTypeTextureRGB>& source, const Guid& purpose,
                                                         int quality);
    /// ASTC 8 x 8 blocks of a BGR texture.
    static Ptr<DataTypeTextureASTC> ConvertFromBGRtoASTC(const Ptr<DataTypeTextureBGR>& source, const Guid& purpose,
                                                         int quality);
    /// ASTC 8 x 8 blocks of a YUV texture, through its RGB conversion.
    static Ptr<DataTypeTextureASTC> ConvertFromNVXtoASTC(const Ptr<DataTypeTextureYUV_NVX>& source, const Guid& purpose,
                                                         int quality);
    static Ptr<DataTypeTextureASTC> ConvertFromNV12toASTC(const Ptr<DataTypeTextureYUV_NV12>& source,
                                                          const Guid& purpose, int quality);
    static Ptr<DataTypeTextureASTC> ConvertFromNV21toASTC(const Ptr<DataTypeTextureYUV_NV21>& source,
                                                          const Guid& purpose, int quality);
    /// RGB of decoded DXT5-YCoCg blocks (source purpose).
    static Ptr<DataTypeTextureRGB> ConvertFromDXT5YCOCGtoRGB(const Ptr<DataTypeTextureDXT5YCOCG>& source);
    /// RGB of decoded DXT1 blocks (source purpose).
    static Ptr<DataTypeTextureRGB> ConvertFromDXT1toRGB(const Ptr<DataTypeTextureDXT1>& source);

    // ---- To NVX (result purpose: the argument) ----

    /// BT.601 limited-range YUV 4:2:0 of an RGB texture.
    static Ptr<DataTypeTextureYUV_NVX> ConvertFromRGBtoNVX(const Ptr<DataTypeTextureRGB>& source, const Guid& purpose);
    /// BT.601 limited-range YUV 4:2:0 of a BGR texture.
    static Ptr<DataTypeTextureYUV_NVX> ConvertFromBGRtoNVX(const Ptr<DataTypeTextureBGR>& source, const Guid& purpose);
    /// The same samples with each chroma row split into its U half and its V half.
    static Ptr<DataTypeTextureYUV_NVX> ConvertFromNV12toNVX(const Ptr<DataTypeTextureYUV_NV12>& source,
                                                            const Guid& purpose);
    static Ptr<DataTypeTextureYUV_NVX> ConvertFromNV21toNVX(const Ptr<DataTypeTextureYUV_NV21>& source,
                                                            const Guid& purpose);
    /// Demosaiced YUV 4:2:0: blocks two pixels inside the border, gamma-shaped luma, then a
    /// median of five over the luma; the border keeps black (luma 16, chroma 128).
    static Ptr<DataTypeTextureYUV_NVX> ConvertFromBayerRGGBtoNVX(const Ptr<DataTypeTextureBayerRGGB>& source,
                                                                 const Guid& purpose);
    static Ptr<DataTypeTextureYUV_NVX> ConvertFromBayerBGGRtoNVX(const Ptr<DataTypeTextureBayerBGGR>& source,
                                                                 const Guid& purpose);
    static Ptr<DataTypeTextureYUV_NVX> ConvertFromBayerGRBGtoNVX(const Ptr<DataTypeTextureBayerGRBG>& source,
                                                                 const Guid& purpose);
    static Ptr<DataTypeTextureYUV_NVX> ConvertFromBayerGBRGtoNVX(const Ptr<DataTypeTextureBayerGBRG>& source,
                                                                 const Guid& purpose);

    // ---- Colour conversions (result purpose: the source's) ----

    /// RGB of a YUV texture.
    static Ptr<DataTypeTextureRGB> ConvertFromNVXtoRGB(const Ptr<DataTypeTextureYUV_NVX>& source);
    static Ptr<DataTypeTextureRGB> ConvertFromNV12toRGB(const Ptr<DataTypeTextureYUV_NV12>& source);
    static Ptr<DataTypeTextureRGB> ConvertFromNV21toRGB(const Ptr<DataTypeTextureYUV_NV21>& source);
    /// BGR of a YUV texture.
    static Ptr<DataTypeTextureBGR> ConvertFromNVXtoBGR(const Ptr<DataTypeTextureYUV_NVX>& source);
    static Ptr<DataTypeTextureBGR> ConvertFromNV12toBGR(const Ptr<DataTypeTextureYUV_NV12>& source);
    static Ptr<DataTypeTextureBGR> ConvertFromNV21toBGR(const Ptr<DataTypeTextureYUV_NV21>& source);
    /// Red and blue exchanged.
    static Ptr<DataTypeTextureRGB> ConvertFromBGRtoRGB(const Ptr<DataTypeTextureBGR>& source);
    static Ptr<DataTypeTextureBGR> ConvertFromRGBtoBGR(const Ptr<DataTypeTextureRGB>& source);
    /// Demosaiced 10-bit RGB of every pixel, the border from neighbours inside the image.
    static Ptr<DataTypeTextureRGB30> ConvertFromBayerRGGBtoRGB30(const Ptr<DataTypeTextureBayerRGGB>& source);
    static Ptr<DataTypeTextureRGB30> ConvertFromBayerBGGRtoRGB30(const Ptr<DataTypeTextureBayerBGGR>& source);
    static Ptr<DataTypeTextureRGB30> ConvertFromBayerGRBGtoRGB30(const Ptr<DataTypeTextureBayerGRBG>& source);
    static Ptr<DataTypeTextureRGB30> ConvertFromBayerGBRGtoRGB30(const Ptr<DataTypeTextureBayerGBRG>& source);
    /// HSL to RGB through the texture classes' fixed-point conversions.
    static Ptr<DataTypeTextureRGB> ConvertFromHSL24toRGB24(const Ptr<DataTypeTextureHSL24>& source);
    static Ptr<DataTypeTextureRGB30> ConvertFromHSL30toRGB30(const Ptr<DataTypeTextureHSL30>& source);
    static Ptr<DataTypeTextureRGB> ConvertFromHSL30toRGB24(const Ptr<DataTypeTextureHSL30>& source);
    /// Fixed-point HSL of RGB: H, S, L bytes (H at most 255), or 10-bit words (H at most
    /// 1019; 8-bit channels widened by c * 1023 / 255 first).
    static Ptr<DataTypeTextureHSL24> ConvertFromRGB24toHSL24(const Ptr<DataTypeTextureRGB>& source);
    static Ptr<DataTypeTextureHSL30> ConvertFromRGB24toHSL30(const Ptr<DataTypeTextureRGB>& source);
    static Ptr<DataTypeTextureHSL30> ConvertFromRGB30toHSL30(const Ptr<DataTypeTextureRGB30>& source);

    // ---- Raw helpers ----

    /// Writes pixelCount 3-byte pixels with bytes 0 and 2 exchanged; source and destination
    /// may be the same buffer.
    static void RGB24_to_BGR24(uint8_t* source, uint8_t* destination, uint32_t pixelCount);
    /// The same exchange.
    static void BGR24_to_RGB24(uint8_t* source, uint8_t* destination, uint32_t pixelCount);
};

} // namespace Hyx
