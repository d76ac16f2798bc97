#include "texture/filters/ConversionSupport.h"

namespace Hyx {

using namespace ConversionSupport;
using Converter = TextureFormatConverter;

std::shared_ptr<Profile> TransformTextureDXT5YCOCG::onGenerateOutputProfile(Filter*, std::shared_ptr<Profile>)
{
    return makeOutputProfile(TypeGuid(), DataTypeTextureDXT5YCOCG::TheTypeGuid());
}

HyxErrorCode TransformTextureDXT5YCOCG::onProcessFrame(std::shared_ptr<Atom> atom)
{
    static constexpr const char* failure = "Failed to convert texture to DXT5-YCOCG.";
    return convertFrame(
        *atom, 4, "Unable to convert texture to DXT5-YCOCG, dimension not divisible by 4!", failure,
        [this](const std::shared_ptr<DataTypeTextureBase>& source) -> std::shared_ptr<DataLayer> {
            const VornCommon::Guid purpose = TypeGuid();
            switch (source->GetTextureFormat()) {
            case TextureFormat::YUV_NVX:
                return Converter::ConvertFromNVXtoDXT5YCOCG(As<DataTypeTextureYUV_NVX>(source), purpose);
            case TextureFormat::YUV_NV21:
                return Converter::ConvertFromNV21toDXT5YCOCG(As<DataTypeTextureYUV_NV21>(source), purpose);
            case TextureFormat::YUV_NV12:
                return Converter::ConvertFromNV12toDXT5YCOCG(As<DataTypeTextureYUV_NV12>(source), purpose);
            case TextureFormat::BGR:
                return Converter::ConvertFromBGRtoDXT5YCOCG(As<DataTypeTextureBGR>(source), purpose);
            case TextureFormat::RGB:
                return Converter::ConvertFromRGBtoDXT5YCOCG(As<DataTypeTextureRGB>(source), purpose);
            default: Unsupported();
            }
        });
}

HYX_TEXTURE_CONVERSION_LEAF(TransformTextureRGBtoDXT5YCOCG, DataTypeTextureRGB)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureBGRtoDXT5YCOCG, DataTypeTextureBGR)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureYUV_NVXtoDXT5YCOCG, DataTypeTextureYUV_NVX)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureYUV_NV12toDXT5YCOCG, DataTypeTextureYUV_NV12)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureYUV_NV21toDXT5YCOCG, DataTypeTextureYUV_NV21)

} // namespace Hyx
