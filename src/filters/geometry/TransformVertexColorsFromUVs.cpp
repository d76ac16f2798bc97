#include "filters/geometry/CameraProjection.h"
#include "filters/geometry/LayerLookup.h"
#include "impl/core/BuiltInRegistration.h"

#include <Hyx/DataTypeTextureRGB.h>
#include <Hyx/GeometryTransforms.h>
#include <Hyx/Profile.h>

#include <algorithm>

namespace Hyx {

HYX_BUILTIN_FILTER(TransformVertexColorsFromUVs);

TransformVertexColorsFromUVs::TransformVertexColorsFromUVs() : Transform(true)
{
}

TransformVertexColorsFromUVs::~TransformVertexColorsFromUVs() = default;

void TransformVertexColorsFromUVs::Instantiate()
{
    _requestedInputProfile = std::make_shared<Profile>();
    _requestedInputProfile->Add(VornCommon::Guid(), DataTypeVertexTextureUVs::TheTypeGuid());
    _requestedInputProfile->Add(VornCommon::Guid(), DataTypeTextureRGB::TheTypeGuid());
}

std::shared_ptr<Profile> TransformVertexColorsFromUVs::onGenerateOutputProfile(Filter*, std::shared_ptr<Profile> input)
{
    _outputPurpose = getPurposeGuidForInputProfile(input, 0);
    return std::make_shared<Profile>(_outputPurpose, DataTypeVertexColors::TheTypeGuid());
}

void TransformVertexColorsFromUVs::GetVertexColorsFromUVs(uint32_t count, uint8_t* colors, const float* uvs,
                                                          std::shared_ptr<DataTypeTextureRGB> texture)
{
    if (!colors || count == 0)
        return;
    const uint8_t* pixels = texture ? texture->GetTextureData() : nullptr;
    const int32_t width = texture ? texture->GetWidth() : 0;
    const int32_t height = texture ? texture->GetHeight() : 0;
    if (!uvs || !pixels || width == 0 || height == 0) {
        std::fill_n(colors, uint64_t(count) * 3, uint8_t(0));
        return;
    }
    // Bytes R, G, B per pixel, rows top to bottom: read in place.
    const float wm1 = float(width - 1), hm1 = float(height - 1);
    for (uint64_t i = 0; i < count; ++i) {
        const int32_t px = CameraProjection::TruncToPixel(wm1 * uvs[2 * i], width - 1);
        const int32_t py = CameraProjection::TruncToPixel(hm1 * uvs[2 * i + 1], height - 1);
        const uint8_t* p = pixels + (int64_t(py) * width + px) * 3;
        colors[3 * i] = p[0];
        colors[3 * i + 1] = p[1];
        colors[3 * i + 2] = p[2];
    }
}

HyxErrorCode TransformVertexColorsFromUVs::onProcessFrame(std::shared_ptr<Atom> atom)
{
    const auto uvs = LayerLookup::Last<DataTypeVertexTextureUVs>(*atom);
    if (!uvs)
        return ReportError(HyxErrorCode::FilterFailedToGetDataLayer,
                           GetDataLayerName(DataTypeVertexTextureUVs::TheTypeGuid()).c_str());
    const auto texture = LayerLookup::Last<DataTypeTextureRGB>(*atom);
    if (!texture)
        return ReportError(HyxErrorCode::FilterFailedToGetDataLayer,
                           GetDataLayerName(DataTypeTextureRGB::TheTypeGuid()).c_str());
    auto colors = LayerLookup::Create<DataTypeVertexColors>(_outputPurpose);
    if (!colors)
        return ReportError(HyxErrorCode::FilterFailedToCreateBlob,
                           DataTypeVertexColors::TheDataLayerClassInfo().GetClassName().CStr());
    const uint32_t n = uvs->GetNumVertices();
    GetVertexColorsFromUVs(n, colors->Allocate(n), uvs->GetUVs(), texture);
    atom->AddDataLayer(colors, false);
    return HyxErrorCode::Success;
}

} // namespace Hyx
