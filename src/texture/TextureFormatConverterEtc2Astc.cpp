#include <Hyx/TextureFormatConverter.h>

#include "texture/ConverterSupport.h"
#include "texture/PixelKernels.h"
#include "texture/RGBDXT5Convertor.h"

#include <cstring>
#include <vector>

namespace Hyx {

namespace {

using namespace ConverterSupport;

enum class Target {
    Etc2,
    Astc
};

// Refuses a size the blocks of target cannot tile, before anything is allocated.
template <Target target>
void requireSize(uint16_t width, uint16_t height)
{
    RequireBlocks(width, height);
    // An 8 x 8 block stream only fits W x H / 4 bytes when both sizes are multiples of 8.
    if (target == Target::Astc && (width % 8 || height % 8))
        Refuse();
}

// Runs the encoder of target on 24-bit pixels (red at byte Red) into a new Result layer.
template <class Result, Target target, int Red>
std::shared_ptr<Result> encode(const uint8_t* pixels, uint16_t width, uint16_t height, const VornCommon::Guid& purpose,
                               int quality)
{
    requireSize<target>(width, height);
    uint8_t* blocks;
    auto result = MakeResult<Result>(purpose, width, height, blocks);
    if (!result)
        return nullptr;
    RGBDXT5Convertor convertor;
    if constexpr (target == Target::Etc2) {
        (void)quality;
        if constexpr (Red == 0)
            convertor.EncodeETC2FromRGB(pixels, width, height);
        else
            convertor.EncodeETC2FromBGR(pixels, width, height);
    } else if constexpr (Red == 0) {
        convertor.EncodeASTCFromRGB(pixels, width, height, quality);
    } else {
        convertor.EncodeASTCFromBGR(pixels, width, height, quality);
    }
    std::memcpy(blocks, convertor.GetOutput().data(), result->GetTextureSizeInBytes());
    return result;
}

template <class Result, Target target, int Red, class Source>
std::shared_ptr<Result> encodeColour(const std::shared_ptr<Source>& source, const VornCommon::Guid& purpose,
                                     int quality = 0)
{
    if (!HasPixels(source))
        return nullptr;
    return encode<Result, target, Red>(source->GetDataPtr(), source->GetWidth(), source->GetHeight(), purpose, quality);
}

// YUV sources go through BGR bytes and the BGR routine (which prints no line), whose swap
// to R, G, B keeps their colours those of the RGB conversion.
template <class Result, Target target, class Source>
std::shared_ptr<Result> encodeYuv(const std::shared_ptr<Source>& source, const VornCommon::Guid& purpose,
                                  int quality = 0)
{
    if (!HasPixels(source))
        return nullptr;
    const uint16_t width = source->GetWidth(), height = source->GetHeight();
    requireSize<target>(width, height);
    std::vector<uint8_t> bgr(size_t(width) * height * 3);
    TextureKernels::YUV420ToBGR24(source->GetDataPtr(), bgr.data(), uint32_t(source->GetTextureFormat()), width,
                                  height);
    return encode<Result, target, 2>(bgr.data(), width, height, purpose, quality);
}

using ETC2 = DataTypeTextureETC2;
using ASTC = DataTypeTextureASTC;

} // namespace

using Converter = TextureFormatConverter;

Converter::Ptr<ETC2> Converter::ConvertFromRGBtoETC2(const Ptr<DataTypeTextureRGB>& source, const Guid& purpose)
{
    return encodeColour<ETC2, Target::Etc2, 0>(source, purpose);
}

Converter::Ptr<ETC2> Converter::ConvertFromBGRtoETC2(const Ptr<DataTypeTextureBGR>& source, const Guid& purpose)
{
    return encodeColour<ETC2, Target::Etc2, 2>(source, purpose);
}

Converter::Ptr<ETC2> Converter::ConvertFromNVXtoETC2(const Ptr<DataTypeTextureYUV_NVX>& source, const Guid& purpose)
{
    return encodeYuv<ETC2, Target::Etc2>(source, purpose);
}

Converter::Ptr<ETC2> Converter::ConvertFromNV12toETC2(const Ptr<DataTypeTextureYUV_NV12>& source, const Guid& purpose)
{
    return encodeYuv<ETC2, Target::Etc2>(source, purpose);
}

Converter::Ptr<ETC2> Converter::ConvertFromNV21toETC2(const Ptr<DataTypeTextureYUV_NV21>& source, const Guid& purpose)
{
    return encodeYuv<ETC2, Target::Etc2>(source, purpose);
}

Converter::Ptr<ASTC> Converter::ConvertFromRGBtoASTC(const Ptr<DataTypeTextureRGB>& source, const Guid& purpose,
                                                     int quality)
{
    return encodeColour<ASTC, Target::Astc, 0>(source, purpose, quality);
}

Converter::Ptr<ASTC> Converter::ConvertFromBGRtoASTC(const Ptr<DataTypeTextureBGR>& source, const Guid& purpose,
                                                     int quality)
{
    return encodeColour<ASTC, Target::Astc, 2>(source, purpose, quality);
}

Converter::Ptr<ASTC> Converter::ConvertFromNVXtoASTC(const Ptr<DataTypeTextureYUV_NVX>& source, const Guid& purpose,
                                                     int quality)
{
    return encodeYuv<ASTC, Target::Astc>(source, purpose, quality);
}

Converter::Ptr<ASTC> Converter::ConvertFromNV12toASTC(const Ptr<DataTypeTextureYUV_NV12>& source, const Guid& purpose,
                                                      int quality)
{
    return encodeYuv<ASTC, Target::Astc>(source, purpose, quality);
}

Converter::Ptr<ASTC> Converter::ConvertFromNV21toASTC(const Ptr<DataTypeTextureYUV_NV21>& source, const Guid& purpose,
                                                      int quality)
{
    return encodeYuv<ASTC, Target::Astc>(source, purpose, quality);
}

} // namespace Hyx
