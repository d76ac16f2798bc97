#include "filters/geometry/CameraCheck.h"
#include "filters/geometry/CameraProjection.h"
#include "filters/geometry/LayerLookup.h"
#include "impl/core/BuiltInRegistration.h"

#include <Hyx/DataTypeTextureHSL.h>
#include <Hyx/DataTypeTextureRGB.h>
#include <Hyx/DataTypeTextureYUV.h>
#include <Hyx/GeometryTransforms.h>
#include <Hyx/Profile.h>

namespace Hyx {

namespace {

// Colours each vertex from the pixel it projects to. The accessor is called on the exact
// class, so the loop makes no virtual call.
template <class Texture>
void colorFromTexture(const float* positions, uint32_t count, const DataTypeTextureBase& base,
                      const VornCommon::CameraParams& camera, uint8_t* colors)
{
    const Texture& texture = static_cast<const Texture&>(base);
    for (uint64_t i = 0; i < count; ++i) {
        int32_t px, py;
        CameraProjection::ColorPixel(camera, positions + 3 * i, px, py);
        const uint32_t c = texture.Texture::GetPixelAsRGB24BitValue(px, py);
        colors[3 * i] = uint8_t(c);
        colors[3 * i + 1] = uint8_t(c >> 8);
        colors[3 * i + 2] = uint8_t(c >> 16);
    }
}

} // namespace

TransformVertexColorsFromTexture::TransformVertexColorsFromTexture(const VornCommon::Guid& textureType)
    : Transform(true), _textureType(textureType)
{
}

TransformVertexColorsFromTexture::~TransformVertexColorsFromTexture() = default;

void TransformVertexColorsFromTexture::Instantiate()
{
    _requestedInputProfile = std::make_shared<Profile>();
    _requestedInputProfile->Add(VornCommon::Guid(), DataTypeVertexPositions::TheTypeGuid());
    _requestedInputProfile->Add(VornCommon::Guid(), DataTypeCameraParams::TheTypeGuid());
    _requestedInputProfile->Add(VornCommon::Guid(), _textureType);
}

std::shared_ptr<Profile> TransformVertexColorsFromTexture::onGenerateOutputProfile(Filter*,
                                                                                   std::shared_ptr<Profile> input)
{
    _outputPurpose = getPurposeGuidForInputProfile(input, 0);
    return std::make_shared<Profile>(_outputPurpose, DataTypeVertexColors::TheTypeGuid());
}

HyxErrorCode TransformVertexColorsFromTexture::onProcessFrame(std::shared_ptr<Atom> atom)
{
    const auto camera = LayerLookup::Last<DataTypeCameraParams>(*atom);
    if (!camera)
        return ReportError(HyxErrorCode::FilterFailedToGetDataLayer,
                           GetDataLayerName(DataTypeCameraParams::TheTypeGuid()).c_str());
    const auto texture = LayerLookup::Complete<DataTypeTextureBase>(atom->GetDataLayerByType(_textureType, true));
    if (!texture)
        return ReportError(HyxErrorCode::FilterFailedToGetDataLayer, GetDataLayerName(_textureType).c_str());
    const VornCommon::CameraParams& colour = camera->GetColorCameraParams();
    if (texture->GetWidth() != colour.width || texture->GetHeight() != colour.height)
        return ReportError(HyxErrorCode::FilterError, "Width/Height mismatch between ColorTexture and CameraParams!");
    const auto positions = LayerLookup::Last<DataTypeVertexPositions>(*atom);
    if (!positions)
        return ReportError(HyxErrorCode::FilterFailedToGetDataLayer,
                           GetDataLayerName(DataTypeVertexPositions::TheTypeGuid()).c_str());
    const std::string unusable = CameraCheck::Problem(
        colour, "Color", CameraCheck::Width | CameraCheck::Height | CameraCheck::Lens | CameraCheck::Pose);
    if (!unusable.empty())
        return ReportError(HyxErrorCode::FilterError, unusable.c_str());

    auto colors = LayerLookup::Create<DataTypeVertexColors>(_outputPurpose);
    if (!colors)
        return ReportError(HyxErrorCode::FilterFailedToCreateBlob,
                           DataTypeVertexColors::TheDataLayerClassInfo().GetClassName().CStr());
    const uint32_t n = positions->GetNumVertices();
    uint8_t* out = colors->Allocate(n);
    colorVertices(positions->GetVertexPositions(), n, *texture, *camera, out);
    atom->AddDataLayer(colors, false);
    return HyxErrorCode::Success;
}

#define HYX_VERTEX_COLORS_LEAF(Leaf)                                                                                   \
    HYX_BUILTIN_FILTER(TransformVertexColorsFromTexture##Leaf);                                                        \
    TransformVertexColorsFromTexture##Leaf::TransformVertexColorsFromTexture##Leaf()                                   \
        : TransformVertexColorsFromTexture(DataTypeTexture##Leaf::TheTypeGuid())                                       \
    {                                                                                                                  \
    }                                                                                                                  \
    TransformVertexColorsFromTexture##Leaf::~TransformVertexColorsFromTexture##Leaf() = default;                       \
    void TransformVertexColorsFromTexture##Leaf::colorVertices(const float* positions, uint32_t count,                 \
                                                               const DataTypeTextureBase& texture,                     \
                                                               DataTypeCameraParams& camera, uint8_t* colors) const    \
    {                                                                                                                  \
        colorFromTexture<DataTypeTexture##Leaf>(positions, count, texture, camera.GetColorCameraParams(), colors);     \
    }

HYX_VERTEX_COLORS_LEAF(RGB)
HYX_VERTEX_COLORS_LEAF(BGR)
HYX_VERTEX_COLORS_LEAF(YUV_NV12)
HYX_VERTEX_COLORS_LEAF(YUV_NV21)
HYX_VERTEX_COLORS_LEAF(YUV_NVX)
HYX_VERTEX_COLORS_LEAF(HSL24)
HYX_VERTEX_COLORS_LEAF(HSL30)

#undef HYX_VERTEX_COLORS_LEAF

} // namespace Hyx
