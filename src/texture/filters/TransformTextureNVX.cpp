#include "texture/filters/ConversionSupport.h"

namespace Hyx {

using namespace ConversionSupport;
using Converter = TextureFormatConverter;

std::shared_ptr<Profile> TransformTextureNVX::onGenerateOutputProfile(Filter*, std::shared_ptr<Profile>)
{
    return makeOutputProfile(TypeGuid(), DataTypeTextureYUV_NVX::TheTypeGuid());
}

// No size check of its own: the converter refuses odd sizes and Bayer mosaics below 4 x 4.
HyxErrorCode TransformTextureNVX::onProcessFrame(std::shared_ptr<Atom> atom)
{
    return convertFrame(
        *atom, 0, nullptr, "Failed to convert texture to YUV-NVX.",
        [this](const std::shared_ptr<DataTypeTextureBase>& source) -> std::shared_ptr<DataLayer> {
            const VornCommon::Guid purpose = TypeGuid();
            switch (source->GetTextureFormat()) {
            case TextureFormat::YUV_NV21:
                return Converter::ConvertFromNV21toNVX(As<DataTypeTextureYUV_NV21>(source), purpose);
            case TextureFormat::YUV_NV12:
                return Converter::ConvertFromNV12toNVX(As<DataTypeTextureYUV_NV12>(source), purpose);
            case TextureFormat::BGR: return Converter::ConvertFromBGRtoNVX(As<DataTypeTextureBGR>(source), purpose);
            case TextureFormat::RGB: return Converter::ConvertFromRGBtoNVX(As<DataTypeTextureRGB>(source), purpose);
            case TextureFormat::BayerRGGB:
                return Converter::ConvertFromBayerRGGBtoNVX(As<DataTypeTextureBayerRGGB>(source), purpose);
            case TextureFormat::BayerBGGR:
                return Converter::ConvertFromBayerBGGRtoNVX(As<DataTypeTextureBayerBGGR>(source), purpose);
            case TextureFormat::BayerGRBG:
                return Converter::ConvertFromBayerGRBGtoNVX(As<DataTypeTextureBayerGRBG>(source), purpose);
            case TextureFormat::BayerGBRG:
                return Converter::ConvertFromBayerGBRGtoNVX(As<DataTypeTextureBayerGBRG>(source), purpose);
            default: Unsupported();
            }
        });
}

HYX_TEXTURE_CONVERSION_LEAF(TransformTextureRGBtoNVX, DataTypeTextureRGB)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureBGRtoNVX, DataTypeTextureBGR)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureNV12toNVX, DataTypeTextureYUV_NV12)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureNV21toNVX, DataTypeTextureYUV_NV21)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureBayerRGGBtoNVX, DataTypeTextureBayerRGGB)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureBayerBGGRtoNVX, DataTypeTextureBayerBGGR)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureBayerGRBGtoNVX, DataTypeTextureBayerGRBG)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureBayerGBRGtoNVX, DataTypeTextureBayerGBRG)

} // namespace Hyx
