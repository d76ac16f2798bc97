#include "texture/filters/ConversionSupport.h"

namespace Hyx {

using namespace ConversionSupport;
using Converter = TextureFormatConverter;

std::shared_ptr<Profile> TransformTextureETC2::onGenerateOutputProfile(Filter*, std::shared_ptr<Profile>)
{
    return makeOutputProfile(TypeGuid(), DataTypeTextureETC2::TheTypeGuid());
}

HyxErrorCode TransformTextureETC2::onProcessFrame(std::shared_ptr<Atom> atom)
{
    static constexpr const char* failure = "Failed to convert texture to ETC2-RLE.";
    return convertFrame(*atom, 4, "Unable to convert texture to ETC2-, dimension not divisible by 4!", failure,
                        [this](const std::shared_ptr<DataTypeTextureBase>& source) -> std::shared_ptr<DataLayer> {
                            const VornCommon::Guid purpose = TypeGuid();
                            switch (source->GetTextureFormat()) {
                            case TextureFormat::YUV_NVX:
                                return Converter::ConvertFromNVXtoETC2(As<DataTypeTextureYUV_NVX>(source), purpose);
                            case TextureFormat::YUV_NV21:
                                return Converter::ConvertFromNV21toETC2(As<DataTypeTextureYUV_NV21>(source), purpose);
                            case TextureFormat::YUV_NV12:
                                return Converter::ConvertFromNV12toETC2(As<DataTypeTextureYUV_NV12>(source), purpose);
                            case TextureFormat::BGR:
                                return Converter::ConvertFromBGRtoETC2(As<DataTypeTextureBGR>(source), purpose);
                            case TextureFormat::RGB:
                                return Converter::ConvertFromRGBtoETC2(As<DataTypeTextureRGB>(source), purpose);
                            default: Unsupported();
                            }
                        });
}

HYX_TEXTURE_CONVERSION_LEAF(TransformTextureRGBtoETC2, DataTypeTextureRGB)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureBGRtoETC2, DataTypeTextureBGR)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureYUV_NVXtoETC2, DataTypeTextureYUV_NVX)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureYUV_NV12toETC2, DataTypeTextureYUV_NV12)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureYUV_NV21toETC2, DataTypeTextureYUV_NV21)

} // namespace Hyx
