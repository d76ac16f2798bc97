#include "filters/geometry/LayerLookup.h"
#include "impl/core/BuiltInRegistration.h"

#include <Hyx/GeometryTransforms.h>
#include <Hyx/Profile.h>

namespace Hyx {

HYX_BUILTIN_FILTER(TransformIndexUVs);

TransformIndexUVs::TransformIndexUVs() : Transform(true)
{
}

TransformIndexUVs::~TransformIndexUVs() = default;

void TransformIndexUVs::Instantiate()
{
    _requestedInputProfile = std::make_shared<Profile>();
    _requestedInputProfile->Add(VornCommon::Guid(), DataTypeVertexIndices::TheTypeGuid());
    _requestedInputProfile->Add(VornCommon::Guid(), DataTypeVertexTextureUVs::TheTypeGuid());
}

std::shared_ptr<Profile> TransformIndexUVs::onGenerateOutputProfile(Filter*, std::shared_ptr<Profile> input)
{
    return std::make_shared<Profile>(getPurposeGuidForInputProfile(input, 0), DataTypeIndexUVs::TheTypeGuid());
}

HyxErrorCode TransformIndexUVs::onProcessFrame(std::shared_ptr<Atom> atom)
{
    const VornCommon::Guid purpose = getPurposeGuidForInputProfile(_inputProfile, 0);
    const auto indices = LayerLookup::ByPurpose<DataTypeVertexIndices>(*atom, purpose);
    if (!indices)
        return ReportError(HyxErrorCode::FilterFailedToGetDataLayer,
                           GetDataLayerName(DataTypeVertexIndices::TheTypeGuid()).c_str());
    const auto uvs = LayerLookup::ByPurpose<DataTypeVertexTextureUVs>(*atom, purpose);
    const uint32_t n = indices->GetNumIndices();
    const uint32_t* index = indices->GetIndices();
    // An index past the coordinates has nothing to look up: refuse the frame as if they
    // were missing.
    bool inRange = uvs != nullptr;
    if (inRange) {
        const uint32_t limit = uvs->GetNumVertices();
        for (uint32_t i = 0; i < n; ++i)
            inRange &= index[i] < limit;
    }
    if (!inRange)
        return ReportError(HyxErrorCode::FilterFailedToGetDataLayer,
                           GetDataLayerName(DataTypeVertexTextureUVs::TheTypeGuid()).c_str());

    auto corners = LayerLookup::Create<DataTypeIndexUVs>(purpose);
    if (!corners)
        return ReportError(HyxErrorCode::FilterFailedToCreateBlob,
                           DataTypeIndexUVs::TheDataLayerClassInfo().GetClassName().CStr());
    float* out = corners->Allocate(n);
    const float* uv = uvs->GetUVs();
    for (uint32_t i = 0; i < n; ++i) {
        out[2 * uint64_t(i)] = uv[2 * uint64_t(index[i])];
        out[2 * uint64_t(i) + 1] = uv[2 * uint64_t(index[i]) + 1];
    }
    atom->AddDataLayer(corners, false);
    return HyxErrorCode::Success;
}

} // namespace Hyx
