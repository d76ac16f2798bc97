#include <Hyx/TextureFormatConverter.h>

#include "texture/ConverterSupport.h"
#include "texture/PixelKernels.h"
#include "texture/RGBDXT5Convertor.h"

#include <cstring>
#include <vector>

namespace Hyx {

namespace {

using namespace ConverterSupport;

using Encode = void (RGBDXT5Convertor::*)(const uint8_t*, uint32_t, uint32_t);

// Blocks of 24-bit pixels laid out as Encoder expects.
template <class Result>
std::shared_ptr<Result> encode(const uint8_t* pixels, uint16_t width, uint16_t height, Encode encoder,
                               const VornCommon::Guid& purpose)
{
    RequireBlocks(width, height);
    uint8_t* blocks;
    auto result = MakeResult<Result>(purpose, width, height, blocks);
    if (!result)
        return nullptr;
    RGBDXT5Convertor convertor;
    (convertor.*encoder)(pixels, width, height);
    std::memcpy(blocks, convertor.GetOutput().data(), result->GetTextureSizeInBytes());
    return result;
}

template <class Result, class Source>
std::shared_ptr<Result> encodeColour(const std::shared_ptr<Source>& source, Encode encoder,
                                     const VornCommon::Guid& purpose)
{
    if (!HasPixels(source))
        return nullptr;
    return encode<Result>(source->GetDataPtr(), source->GetWidth(), source->GetHeight(), encoder, purpose);
}

// YUV sources go through RGB bytes and the RGB encoder, so their colours come out as an RGB
// texture's would.
template <class Result, class Source>
std::shared_ptr<Result> encodeYuv(const std::shared_ptr<Source>& source, Encode rgbEncoder,
                                  const VornCommon::Guid& purpose)
{
    if (!HasPixels(source))
        return nullptr;
    const uint16_t width = source->GetWidth(), height = source->GetHeight();
    RequireBlocks(width, height);
    std::vector<uint8_t> rgb(size_t(width) * height * 3);
    TextureKernels::YUV420ToRGB24(source->GetDataPtr(), rgb.data(), uint32_t(source->GetTextureFormat()), width,
                                  height);
    return encode<Result>(rgb.data(), width, height, rgbEncoder, purpose);
}

using Decode = void (*)(std::vector<uint8_t>&, const uint8_t*, uint32_t, uint32_t);

template <class Source>
std::shared_ptr<DataTypeTextureRGB> decode(const std::shared_ptr<Source>& source, Decode decoder)
{
    if (!HasPixels(source))
        return nullptr;
    const uint16_t width = source->GetWidth(), height = source->GetHeight();
    RequireBlocks(width, height);
    uint8_t* pixels;
    auto result = MakeResult<DataTypeTextureRGB>(source->GetPurposeGuid(), width, height, pixels);
    if (!result)
        return nullptr;
    std::vector<uint8_t> rgb;
    decoder(rgb, source->GetDataPtr(), width, height);
    std::memcpy(pixels, rgb.data(), rgb.size());
    return result;
}

constexpr Encode DXT1_RGB = &RGBDXT5Convertor::EncodeDXT1FromRGB;
constexpr Encode DXT1_BGR = &RGBDXT5Convertor::EncodeDXT1FromBGR;
constexpr Encode YCOCG_RGB = &RGBDXT5Convertor::EncodeDXT5YCoCgFromRGB;
constexpr Encode YCOCG_BGR = &RGBDXT5Convertor::EncodeDXT5YCoCgFromBGR;

} // namespace

using Converter = TextureFormatConverter;

Converter::Ptr<DataTypeTextureDXT5YCOCG> Converter::ConvertFromRGBtoDXT5YCOCG(const Ptr<DataTypeTextureRGB>& source,
                                                                              const Guid& purpose)
{
    return encodeColour<DataTypeTextureDXT5YCOCG>(source, YCOCG_RGB, purpose);
}

Converter::Ptr<DataTypeTextureDXT5YCOCG> Converter::ConvertFromBGRtoDXT5YCOCG(const Ptr<DataTypeTextureBGR>& source,
                                                                              const Guid& purpose)
{
    return encodeColour<DataTypeTextureDXT5YCOCG>(source, YCOCG_BGR, purpose);
}

Converter::Ptr<DataTypeTextureDXT5YCOCG> Converter::ConvertFromNVXtoDXT5YCOCG(const Ptr<DataTypeTextureYUV_NVX>& source,
                                                                              const Guid& purpose)
{
    return encodeYuv<DataTypeTextureDXT5YCOCG>(source, YCOCG_RGB, purpose);
}

Converter::Ptr<DataTypeTextureDXT5YCOCG>
Converter::ConvertFromNV12toDXT5YCOCG(const Ptr<DataTypeTextureYUV_NV12>& source, const Guid& purpose)
{
    return encodeYuv<DataTypeTextureDXT5YCOCG>(source, YCOCG_RGB, purpose);
}

Converter::Ptr<DataTypeTextureDXT5YCOCG>
Converter::ConvertFromNV21toDXT5YCOCG(const Ptr<DataTypeTextureYUV_NV21>& source, const Guid& purpose)
{
    return encodeYuv<DataTypeTextureDXT5YCOCG>(source, YCOCG_RGB, purpose);
}

Converter::Ptr<DataTypeTextureDXT1> Converter::ConvertFromRGBtoDXT1(const Ptr<DataTypeTextureRGB>& source,
                                                                    const Guid& purpose)
{
    return encodeColour<DataTypeTextureDXT1>(source, DXT1_RGB, purpose);
}

Converter::Ptr<DataTypeTextureDXT1> Converter::ConvertFromBGRtoDXT1(const Ptr<DataTypeTextureBGR>& source,
                                                                    const Guid& purpose)
{
    return encodeColour<DataTypeTextureDXT1>(source, DXT1_BGR, purpose);
}

Converter::Ptr<DataTypeTextureDXT1> Converter::ConvertFromNVXtoDXT1(const Ptr<DataTypeTextureYUV_NVX>& source,
                                                                    const Guid& purpose)
{
    return encodeYuv<DataTypeTextureDXT1>(source, DXT1_RGB, purpose);
}

Converter::Ptr<DataTypeTextureDXT1> Converter::ConvertFromNV12toDXT1(const Ptr<DataTypeTextureYUV_NV12>& source,
                                                                     const Guid& purpose)
{
    return encodeYuv<DataTypeTextureDXT1>(source, DXT1_RGB, purpose);
}

Converter::Ptr<DataTypeTextureDXT1> Converter::ConvertFromNV21toDXT1(const Ptr<DataTypeTextureYUV_NV21>& source,
                                                                     const Guid& purpose)
{
    return encodeYuv<DataTypeTextureDXT1>(source, DXT1_RGB, purpose);
}

Converter::Ptr<DataTypeTextureRGB> Converter::ConvertFromDXT5YCOCGtoRGB(const Ptr<DataTypeTextureDXT5YCOCG>& source)
{
    return decode(source, &RGBDXT5Convertor::DecodeDXT5YCoCgToRGB);
}

Converter::Ptr<DataTypeTextureRGB> Converter::ConvertFromDXT1toRGB(const Ptr<DataTypeTextureDXT1>& source)
{
    return decode(source, &RGBDXT5Convertor::DecodeDXT1ToRGB);
}

} // namespace Hyx
