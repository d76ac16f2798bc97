#include "texture/filters/ConversionSupport.h"

#include <Hyx/DataProfile.h>

namespace Hyx {

using namespace ConversionSupport;
using Converter = TextureFormatConverter;

// RGB results keep their source's purpose, so the profile takes that of the input.
std::shared_ptr<Profile> TransformTextureRGB::onGenerateOutputProfile(Filter*, std::shared_ptr<Profile> inputProfile)
{
    const auto first = inputProfile ? inputProfile->GetDataProfileByIndex(0) : nullptr;
    if (!first)
        return nullptr;
    return makeOutputProfile(first->GetPurposeGuid(), DataTypeTextureRGB::TheTypeGuid());
}

HyxErrorCode TransformTextureRGB::onProcessFrame(std::shared_ptr<Atom> atom)
{
    return convertFrame(*atom, 0, nullptr, "Failed to convert texture to RGB.",
                        [](const std::shared_ptr<DataTypeTextureBase>& source) -> std::shared_ptr<DataLayer> {
                            switch (source->GetTextureFormat()) {
                            case TextureFormat::YUV_NVX:
                                return Converter::ConvertFromNVXtoRGB(As<DataTypeTextureYUV_NVX>(source));
                            case TextureFormat::YUV_NV21:
                                return Converter::ConvertFromNV21toRGB(As<DataTypeTextureYUV_NV21>(source));
                            case TextureFormat::YUV_NV12:
                                return Converter::ConvertFromNV12toRGB(As<DataTypeTextureYUV_NV12>(source));
                            case TextureFormat::BGR:
                                return Converter::ConvertFromBGRtoRGB(As<DataTypeTextureBGR>(source));
                            case TextureFormat::HSL24:
                                return Converter::ConvertFromHSL24toRGB24(As<DataTypeTextureHSL24>(source));
                            case TextureFormat::HSL30:
                                return Converter::ConvertFromHSL30toRGB24(As<DataTypeTextureHSL30>(source));
                            case TextureFormat::DXT5YCOCG:
                                return Converter::ConvertFromDXT5YCOCGtoRGB(As<DataTypeTextureDXT5YCOCG>(source));
                            case TextureFormat::DXT1:
                                return Converter::ConvertFromDXT1toRGB(As<DataTypeTextureDXT1>(source));
                            default: Unsupported();
                            }
                        });
}

HYX_TEXTURE_CONVERSION_LEAF(TransformTextureBGRtoRGB, DataTypeTextureBGR)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureYUV_NV12toRGB, DataTypeTextureYUV_NV12)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureYUV_NV21toRGB, DataTypeTextureYUV_NV21)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureYUV_NVXtoRGB, DataTypeTextureYUV_NVX)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureHSL24toRGB, DataTypeTextureHSL24)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureDXT5YCOCGtoRGB, DataTypeTextureDXT5YCOCG)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureDXT1toRGB, DataTypeTextureDXT1)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureHSL30toRGB, DataTypeTextureHSL30)

} // namespace Hyx
