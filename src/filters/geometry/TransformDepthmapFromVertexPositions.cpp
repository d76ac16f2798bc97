#include "filters/geometry/CameraCheck.h"
#include "filters/geometry/LayerLookup.h"
#include "impl/core/BuiltInRegistration.h"

#include <Hyx/DataTypeTextureIR.h>
#include <Hyx/GeometryTransforms.h>
#include <Hyx/Profile.h>

namespace Hyx {

HYX_BUILTIN_FILTER(TransformDepthmapFromVertexPositions);

TransformDepthmapFromVertexPositions::TransformDepthmapFromVertexPositions() : Transform(true)
{
}

TransformDepthmapFromVertexPositions::~TransformDepthmapFromVertexPositions() = default;

void TransformDepthmapFromVertexPositions::Instantiate()
{
    _requestedInputProfile = std::make_shared<Profile>();
    _requestedInputProfile->Add(VornCommon::Guid(), DataTypeVertexPositions::TheTypeGuid());
    _requestedInputProfile->Add(VornCommon::Guid(), DataTypeCameraParams::TheTypeGuid());
}

std::shared_ptr<Profile> TransformDepthmapFromVertexPositions::onGenerateOutputProfile(Filter*,
                                                                                       std::shared_ptr<Profile> input)
{
    return std::make_shared<Profile>(getPurposeGuidForInputProfile(input, 0),
                                     DataTypeTexture16BitDepthMap::TheTypeGuid());
}

HyxErrorCode TransformDepthmapFromVertexPositions::onProcessFrame(std::shared_ptr<Atom> atom)
{
    const VornCommon::Guid purpose = getPurposeGuidForInputProfile(_inputProfile, 0);
    const auto positions = LayerLookup::ByPurpose<DataTypeVertexPositions>(*atom, purpose);
    if (!positions)
        return ReportError(HyxErrorCode::FilterFailedToGetDataLayer,
                           GetDataLayerName(DataTypeVertexPositions::TheTypeGuid()).c_str());
    // The camera by the purpose of its own input, as the texture coordinate filters do.
    auto camera = LayerLookup::ByPurpose<DataTypeCameraParams>(*atom, getPurposeGuidForInputProfile(_inputProfile, 1));
    if (!camera)
        return ReportError(HyxErrorCode::FilterFailedToGetDataLayer,
                           GetDataLayerName(DataTypeCameraParams::TheTypeGuid()).c_str());
    const std::string unusable =
        CameraCheck::Problem(camera->GetIRCameraParams(), "IR", CameraCheck::Width | CameraCheck::Height);
    if (!unusable.empty())
        return ReportError(HyxErrorCode::FilterError, unusable.c_str());

    auto depth = LayerLookup::Create<DataTypeTexture16BitDepthMap>(purpose);
    if (!depth)
        return ReportError(HyxErrorCode::FilterFailedToCreateBlob,
                           DataTypeTexture16BitDepthMap::TheDataLayerClassInfo().GetClassName().CStr());
    uint32_t width = 0, height = 0;
    DepthmapHelper::GetDepthmapDimensions(width, height, camera, 0.5f);
    depth->AllocateTexture(uint16_t(width), uint16_t(height));
    DepthmapHelper::CreateDepthmap(positions->GetVertexPositions(), positions->GetNumVertices(),
                                   depth->GetTextureData(), depth->GetWidth(), depth->GetHeight(), camera);
    atom->AddDataLayer(depth, false);
    return HyxErrorCode::Success;
}

} // namespace Hyx
