#include "filters/geometry/CameraCheck.h"
#include "filters/geometry/CameraProjection.h"
#include "filters/geometry/LayerLookup.h"
#include "impl/core/BuiltInRegistration.h"

#include <Hyx/DataTypeTextureIR.h>
#include <Hyx/DataTypeTextureRGB.h>
#include <Hyx/GeometryTransforms.h>
#include <Hyx/Profile.h>

namespace Hyx {

HYX_BUILTIN_FILTER(TransformVertexTextureUVsColor);
HYX_BUILTIN_FILTER(TransformVertexTextureUVsIr);

namespace {

// u = px / W and v = py / H for each vertex: corners of a 1/W by 1/H grid, never 1.0.
template <bool Colour>
void projectUVs(const float* positions, uint32_t count, const VornCommon::CameraParams& camera, float* uvs)
{
    const float invW = 1.0f / float(camera.width);
    const float invH = 1.0f / float(camera.height);
    for (uint64_t i = 0; i < count; ++i) {
        int32_t px, py;
        if constexpr (Colour)
            CameraProjection::ColorPixel(camera, positions + 3 * i, px, py);
        else
            CameraProjection::InfraredPixel(camera, positions + 3 * i, px, py);
        uvs[2 * i] = float(px) * invW;
        uvs[2 * i + 1] = float(py) * invH;
    }
}

} // namespace

TransformVertexTextureUVsBase::TransformVertexTextureUVsBase(const VornCommon::Guid& label, bool colour)
    : Transform(true), _label(label), _colour(colour)
{
}

TransformVertexTextureUVsBase::~TransformVertexTextureUVsBase() = default;

void TransformVertexTextureUVsBase::Instantiate()
{
    _requestedInputProfile = std::make_shared<Profile>();
    _requestedInputProfile->Add(VornCommon::Guid(), DataTypeVertexPositions::TheTypeGuid());
    _requestedInputProfile->Add(VornCommon::Guid(), DataTypeCameraParams::TheTypeGuid());
}

std::shared_ptr<Profile> TransformVertexTextureUVsBase::onGenerateOutputProfile(Filter*, std::shared_ptr<Profile>)
{
    return std::make_shared<Profile>(_label, DataTypeVertexTextureUVs::TheTypeGuid());
}

HyxErrorCode TransformVertexTextureUVsBase::onProcessFrame(std::shared_ptr<Atom> atom)
{
    const auto positions =
        LayerLookup::ByPurpose<DataTypeVertexPositions>(*atom, getPurposeGuidForInputProfile(_inputProfile, 0));
    if (!positions)
        return ReportError(HyxErrorCode::FilterFailedToGetDataLayer,
                           GetDataLayerName(DataTypeVertexPositions::TheTypeGuid()).c_str());
    const auto camera =
        LayerLookup::ByPurpose<DataTypeCameraParams>(*atom, getPurposeGuidForInputProfile(_inputProfile, 1));
    if (!camera)
        return ReportError(HyxErrorCode::FilterFailedToGetDataLayer,
                           GetDataLayerName(DataTypeCameraParams::TheTypeGuid()).c_str());
    const std::string unusable =
        _colour ? CameraCheck::Problem(camera->GetColorCameraParams(), "Color",
                                       CameraCheck::Width | CameraCheck::Height | CameraCheck::Lens | CameraCheck::Pose)
                : CameraCheck::Problem(camera->GetIRCameraParams(), "IR",
                                       CameraCheck::Width | CameraCheck::Height | CameraCheck::Lens);
    if (!unusable.empty())
        return ReportError(HyxErrorCode::FilterError, unusable.c_str());

    auto uvs = LayerLookup::Create<DataTypeVertexTextureUVs>(_label);
    if (!uvs)
        return ReportError(HyxErrorCode::FilterFailedToCreateBlob,
                           DataTypeVertexTextureUVs::TheDataLayerClassInfo().GetClassName().CStr());
    const uint32_t n = positions->GetNumVertices();
    uvs->Allocate(n);
    if (_colour)
        projectUVs<true>(positions->GetVertexPositions(), n, camera->GetColorCameraParams(), uvs->GetUVs());
    else
        projectUVs<false>(positions->GetVertexPositions(), n, camera->GetIRCameraParams(), uvs->GetUVs());
    atom->AddDataLayer(uvs, false);
    return HyxErrorCode::Success;
}

TransformVertexTextureUVsColor::TransformVertexTextureUVsColor()
    : TransformVertexTextureUVsBase(DataTypeTextureRGB::TheTypeGuid(), true)
{
}

TransformVertexTextureUVsColor::~TransformVertexTextureUVsColor() = default;

TransformVertexTextureUVsIr::TransformVertexTextureUVsIr()
    : TransformVertexTextureUVsBase(DataTypeTextureIR::TheTypeGuid(), false)
{
}

TransformVertexTextureUVsIr::~TransformVertexTextureUVsIr() = default;

} // namespace Hyx
