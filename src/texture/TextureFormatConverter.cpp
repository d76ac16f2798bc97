#include <Hyx/TextureFormatConverter.h>

#include "texture/ConverterSupport.h"
#include "texture/PixelKernels.h"

#include <cstring>

namespace Hyx {

namespace {

using namespace ConverterSupport;
namespace K = TextureKernels;

using PixelKernel = void (*)(const uint8_t*, uint8_t*, size_t);
using YuvKernel = void (*)(const uint8_t*, uint8_t*, uint32_t, uint32_t, uint32_t);

// Same size, one pixel in, one pixel out.
template <class Result, PixelKernel Kernel, class Source>
std::shared_ptr<Result> perPixel(const std::shared_ptr<Source>& source)
{
    if (!HasPixels(source))
        return nullptr;
    const uint16_t width = source->GetWidth(), height = source->GetHeight();
    uint8_t* pixels;
    auto result = MakeResult<Result>(source->GetPurposeGuid(), width, height, pixels);
    if (result)
        Kernel(source->GetDataPtr(), pixels, size_t(width) * height);
    return result;
}

// YUV 4:2:0 to RGB or BGR, the layout taken from the source's format.
template <class Result, YuvKernel Kernel, class Source>
std::shared_ptr<Result> fromYuv(const std::shared_ptr<Source>& source)
{
    if (!HasPixels(source))
        return nullptr;
    const uint16_t width = source->GetWidth(), height = source->GetHeight();
    RequireEven(width, height);
    uint8_t* pixels;
    auto result = MakeResult<Result>(source->GetPurposeGuid(), width, height, pixels);
    if (result)
        Kernel(source->GetDataPtr(), pixels, uint32_t(source->GetTextureFormat()), width, height);
    return result;
}

template <YuvKernel Kernel, class Source>
std::shared_ptr<DataTypeTextureYUV_NVX> colourToNvx(const std::shared_ptr<Source>& source,
                                                    const VornCommon::Guid& purpose)
{
    if (!HasPixels(source))
        return nullptr;
    const uint16_t width = source->GetWidth(), height = source->GetHeight();
    RequireEven(width, height);
    uint8_t* pixels;
    auto result = MakeResult<DataTypeTextureYUV_NVX>(purpose, width, NvxStoredHeight(height), pixels);
    if (result)
        Kernel(source->GetDataPtr(), pixels, uint32_t(TextureFormat::YUV_NVX), width, height);
    return result;
}

template <class Source>
std::shared_ptr<DataTypeTextureYUV_NVX> interleavedToNvx(const std::shared_ptr<Source>& source,
                                                         const VornCommon::Guid& purpose)
{
    if (!HasPixels(source))
        return nullptr;
    const uint16_t width = source->GetWidth(), height = source->GetHeight();
    // One stored row holds pixels but no luma row: an empty image, which converts to
    // nothing here as in every other conversion.
    if (width == 0 || height == 0)
        return nullptr;
    RequireEven(width, height);
    const uint16_t stored = source->GetInternalHeight();
    uint8_t* pixels;
    auto result = MakeResult<DataTypeTextureYUV_NVX>(purpose, width, stored, pixels);
    if (!result)
        return nullptr;
    const size_t luma = size_t(width) * height;
    std::memcpy(pixels, source->GetDataPtr(), luma);
    K::InterleavedChromaToNVX(source->GetDataPtr() + luma, pixels + luma, width, stored - height,
                              source->GetTextureFormat() == TextureFormat::YUV_NV21);
    return result;
}

template <class Source>
std::shared_ptr<DataTypeTextureYUV_NVX> bayerToNvx(const std::shared_ptr<Source>& source,
                                                   const VornCommon::Guid& purpose)
{
    if (!HasPixels(source))
        return nullptr;
    const uint16_t width = source->GetWidth(), height = source->GetHeight();
    RequireBayer(width, height);
    uint8_t* pixels;
    auto result = MakeResult<DataTypeTextureYUV_NVX>(purpose, width, NvxStoredHeight(height), pixels);
    if (!result)
        return nullptr;
    // The demosaic leaves a border: black, not whatever the fresh block held.
    const size_t luma = size_t(width) * height;
    std::memset(pixels, 16, luma);
    std::memset(pixels + luma, 128, size_t(width) * (height / 2));
    K::BayerToYUV420(source->GetDataPtr(), pixels, source->GetTextureFormat(), uint32_t(TextureFormat::YUV_NVX), width,
                     height);
    return result;
}

template <class Source>
std::shared_ptr<DataTypeTextureRGB30> bayerToRgb30(const std::shared_ptr<Source>& source)
{
    if (!HasPixels(source))
        return nullptr;
    const uint16_t width = source->GetWidth(), height = source->GetHeight();
    RequireBayer(width, height);
    uint8_t* pixels;
    auto result = MakeResult<DataTypeTextureRGB30>(source->GetPurposeGuid(), width, height, pixels);
    if (result)
        K::BayerToRGB30(source->GetDataPtr(), pixels, source->GetTextureFormat(), width, height);
    return result;
}

} // namespace

using Converter = TextureFormatConverter;

// ---- To NVX ----

Converter::Ptr<DataTypeTextureYUV_NVX> Converter::ConvertFromRGBtoNVX(const Ptr<DataTypeTextureRGB>& source,
                                                                      const Guid& purpose)
{
    return colourToNvx<K::RGB24ToYUV420>(source, purpose);
}

Converter::Ptr<DataTypeTextureYUV_NVX> Converter::ConvertFromBGRtoNVX(const Ptr<DataTypeTextureBGR>& source,
                                                                      const Guid& purpose)
{
    return colourToNvx<K::BGR24ToYUV420>(source, purpose);
}

Converter::Ptr<DataTypeTextureYUV_NVX> Converter::ConvertFromNV12toNVX(const Ptr<DataTypeTextureYUV_NV12>& source,
                                                                       const Guid& purpose)
{
    return interleavedToNvx(source, purpose);
}

Converter::Ptr<DataTypeTextureYUV_NVX> Converter::ConvertFromNV21toNVX(const Ptr<DataTypeTextureYUV_NV21>& source,
                                                                       const Guid& purpose)
{
    return interleavedToNvx(source, purpose);
}

Converter::Ptr<DataTypeTextureYUV_NVX> Converter::ConvertFromBayerRGGBtoNVX(const Ptr<DataTypeTextureBayerRGGB>& source,
                                                                            const Guid& purpose)
{
    return bayerToNvx(source, purpose);
}

Converter::Ptr<DataTypeTextureYUV_NVX> Converter::ConvertFromBayerBGGRtoNVX(const Ptr<DataTypeTextureBayerBGGR>& source,
                                                                            const Guid& purpose)
{
    return bayerToNvx(source, purpose);
}

Converter::Ptr<DataTypeTextureYUV_NVX> Converter::ConvertFromBayerGRBGtoNVX(const Ptr<DataTypeTextureBayerGRBG>& source,
                                                                            const Guid& purpose)
{
    return bayerToNvx(source, purpose);
}

Converter::Ptr<DataTypeTextureYUV_NVX> Converter::ConvertFromBayerGBRGtoNVX(const Ptr<DataTypeTextureBayerGBRG>& source,
                                                                            const Guid& purpose)
{
    return bayerToNvx(source, purpose);
}

// ---- YUV to RGB and BGR ----

Converter::Ptr<DataTypeTextureRGB> Converter::ConvertFromNVXtoRGB(const Ptr<DataTypeTextureYUV_NVX>& source)
{
    return fromYuv<DataTypeTextureRGB, K::YUV420ToRGB24>(source);
}

Converter::Ptr<DataTypeTextureRGB> Converter::ConvertFromNV12toRGB(const Ptr<DataTypeTextureYUV_NV12>& source)
{
    return fromYuv<DataTypeTextureRGB, K::YUV420ToRGB24>(source);
}

Converter::Ptr<DataTypeTextureRGB> Converter::ConvertFromNV21toRGB(const Ptr<DataTypeTextureYUV_NV21>& source)
{
    return fromYuv<DataTypeTextureRGB, K::YUV420ToRGB24>(source);
}

Converter::Ptr<DataTypeTextureBGR> Converter::ConvertFromNVXtoBGR(const Ptr<DataTypeTextureYUV_NVX>& source)
{
    return fromYuv<DataTypeTextureBGR, K::YUV420ToBGR24>(source);
}

Converter::Ptr<DataTypeTextureBGR> Converter::ConvertFromNV12toBGR(const Ptr<DataTypeTextureYUV_NV12>& source)
{
    return fromYuv<DataTypeTextureBGR, K::YUV420ToBGR24>(source);
}

Converter::Ptr<DataTypeTextureBGR> Converter::ConvertFromNV21toBGR(const Ptr<DataTypeTextureYUV_NV21>& source)
{
    return fromYuv<DataTypeTextureBGR, K::YUV420ToBGR24>(source);
}

// ---- Swaps, Bayer to RGB30, HSL ----

Converter::Ptr<DataTypeTextureRGB> Converter::ConvertFromBGRtoRGB(const Ptr<DataTypeTextureBGR>& source)
{
    return perPixel<DataTypeTextureRGB, K::SwapRedBlue>(source);
}

Converter::Ptr<DataTypeTextureBGR> Converter::ConvertFromRGBtoBGR(const Ptr<DataTypeTextureRGB>& source)
{
    return perPixel<DataTypeTextureBGR, K::SwapRedBlue>(source);
}

Converter::Ptr<DataTypeTextureRGB30> Converter::ConvertFromBayerRGGBtoRGB30(const Ptr<DataTypeTextureBayerRGGB>& source)
{
    return bayerToRgb30(source);
}

Converter::Ptr<DataTypeTextureRGB30> Converter::ConvertFromBayerBGGRtoRGB30(const Ptr<DataTypeTextureBayerBGGR>& source)
{
    return bayerToRgb30(source);
}

Converter::Ptr<DataTypeTextureRGB30> Converter::ConvertFromBayerGRBGtoRGB30(const Ptr<DataTypeTextureBayerGRBG>& source)
{
    return bayerToRgb30(source);
}

Converter::Ptr<DataTypeTextureRGB30> Converter::ConvertFromBayerGBRGtoRGB30(const Ptr<DataTypeTextureBayerGBRG>& source)
{
    return bayerToRgb30(source);
}

Converter::Ptr<DataTypeTextureRGB> Converter::ConvertFromHSL24toRGB24(const Ptr<DataTypeTextureHSL24>& source)
{
    return perPixel<DataTypeTextureRGB, K::HSL24ToRGB24>(source);
}

Converter::Ptr<DataTypeTextureRGB30> Converter::ConvertFromHSL30toRGB30(const Ptr<DataTypeTextureHSL30>& source)
{
    return perPixel<DataTypeTextureRGB30, K::HSL30ToRGB30>(source);
}

Converter::Ptr<DataTypeTextureRGB> Converter::ConvertFromHSL30toRGB24(const Ptr<DataTypeTextureHSL30>& source)
{
    return perPixel<DataTypeTextureRGB, K::HSL30ToRGB24>(source);
}

Converter::Ptr<DataTypeTextureHSL24> Converter::ConvertFromRGB24toHSL24(const Ptr<DataTypeTextureRGB>& source)
{
    return perPixel<DataTypeTextureHSL24, K::RGB24ToHSL24>(source);
}

Converter::Ptr<DataTypeTextureHSL30> Converter::ConvertFromRGB24toHSL30(const Ptr<DataTypeTextureRGB>& source)
{
    return perPixel<DataTypeTextureHSL30, K::RGB24ToHSL30>(source);
}

Converter::Ptr<DataTypeTextureHSL30> Converter::ConvertFromRGB30toHSL30(const Ptr<DataTypeTextureRGB30>& source)
{
    return perPixel<DataTypeTextureHSL30, K::RGB30ToHSL30>(source);
}

void Converter::RGB24_to_BGR24(uint8_t* source, uint8_t* destination, uint32_t pixelCount)
{
    K::SwapRedBlue(source, destination, pixelCount);
}

void Converter::BGR24_to_RGB24(uint8_t* source, uint8_t* destination, uint32_t pixelCount)
{
    K::SwapRedBlue(source, destination, pixelCount);
}

} // namespace Hyx
