#include "texture/filters/ConversionSupport.h"

namespace Hyx {

using namespace ConversionSupport;
using Converter = TextureFormatConverter;

std::shared_ptr<Profile> TransformTextureDXT1::onGenerateOutputProfile(Filter*, std::shared_ptr<Profile>)
{
    return makeOutputProfile(TypeGuid(), DataTypeTextureDXT1::TheTypeGuid());
}

HyxErrorCode TransformTextureDXT1::onProcessFrame(std::shared_ptr<Atom> atom)
{
    static constexpr const char* failure = "Failed to convert texture to DXT1-RLE.";
    return convertFrame(*atom, 4, "Unable to convert texture to DXT1-, dimension not divisible by 4!", failure,
                        [this](const std::shared_ptr<DataTypeTextureBase>& source) -> std::shared_ptr<DataLayer> {
                            const VornCommon::Guid purpose = TypeGuid();
                            switch (source->GetTextureFormat()) {
                            case TextureFormat::YUV_NVX:
                                return Converter::ConvertFromNVXtoDXT1(As<DataTypeTextureYUV_NVX>(source), purpose);
                            case TextureFormat::YUV_NV21:
                                return Converter::ConvertFromNV21toDXT1(As<DataTypeTextureYUV_NV21>(source), purpose);
                            case TextureFormat::YUV_NV12:
                                return Converter::ConvertFromNV12toDXT1(As<DataTypeTextureYUV_NV12>(source), purpose);
                            case TextureFormat::BGR:
                                return Converter::ConvertFromBGRtoDXT1(As<DataTypeTextureBGR>(source), purpose);
                            case TextureFormat::RGB:
                                return Converter::ConvertFromRGBtoDXT1(As<DataTypeTextureRGB>(source), purpose);
                            default: Unsupported();
                            }
                        });
}

HYX_TEXTURE_CONVERSION_LEAF(TransformTextureRGBtoDXT1, DataTypeTextureRGB)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureBGRtoDXT1, DataTypeTextureBGR)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureYUV_NVXtoDXT1, DataTypeTextureYUV_NVX)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureYUV_NV12toDXT1, DataTypeTextureYUV_NV12)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureYUV_NV21toDXT1, DataTypeTextureYUV_NV21)

} // namespace Hyx
