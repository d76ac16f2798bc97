#include "texture/filters/ConversionSupport.h"

namespace Hyx {

using namespace ConversionSupport;
using Converter = TextureFormatConverter;

std::shared_ptr<Profile> TransformTextureASTC::onGenerateOutputProfile(Filter*, std::shared_ptr<Profile>)
{
    return makeOutputProfile(TypeGuid(), DataTypeTextureASTC::TheTypeGuid());
}

HyxErrorCode TransformTextureASTC::onProcessFrame(std::shared_ptr<Atom> atom)
{
    static constexpr const char* failure = "Failed to convert texture to ASTC-RLE.";
    // Within multiples of 4, an 8 x 8 block stream fits the texture only for multiples of 8.
    if (const auto layer =
            std::dynamic_pointer_cast<DataTypeTextureBase>(atom->GetDataLayer(GetInputDataProfile(0, false), true));
        layer && layer->GetWidth() % 4 == 0 && layer->GetHeight() % 4 == 0 &&
        (layer->GetWidth() % 8 || layer->GetHeight() % 8))
        return ReportError(HyxErrorCode::FilterError,
                           "Unable to convert texture to ASTC-, dimension not divisible by 8!");
    return convertFrame(
        *atom, 4, "Unable to convert texture to ASTC-, dimension not divisible by 4!", failure,
        [this](const std::shared_ptr<DataTypeTextureBase>& source) -> std::shared_ptr<DataLayer> {
            const VornCommon::Guid purpose = TypeGuid();
            switch (source->GetTextureFormat()) {
            case TextureFormat::YUV_NVX:
                return Converter::ConvertFromNVXtoASTC(As<DataTypeTextureYUV_NVX>(source), purpose, 0);
            case TextureFormat::YUV_NV21:
                return Converter::ConvertFromNV21toASTC(As<DataTypeTextureYUV_NV21>(source), purpose, 0);
            case TextureFormat::YUV_NV12:
                return Converter::ConvertFromNV12toASTC(As<DataTypeTextureYUV_NV12>(source), purpose, 0);
            case TextureFormat::BGR: return Converter::ConvertFromBGRtoASTC(As<DataTypeTextureBGR>(source), purpose, 0);
            case TextureFormat::RGB: return Converter::ConvertFromRGBtoASTC(As<DataTypeTextureRGB>(source), purpose, 0);
            default: Unsupported();
            }
        });
}

HYX_TEXTURE_CONVERSION_LEAF(TransformTextureRGBtoASTC, DataTypeTextureRGB)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureBGRtoASTC, DataTypeTextureBGR)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureYUV_NVXtoASTC, DataTypeTextureYUV_NVX)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureYUV_NV12toASTC, DataTypeTextureYUV_NV12)
HYX_TEXTURE_CONVERSION_LEAF(TransformTextureYUV_NV21toASTC, DataTypeTextureYUV_NV21)

} // namespace Hyx
