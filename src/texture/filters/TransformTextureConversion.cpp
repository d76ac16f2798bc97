#include <Hyx/TransformTextureConversion.h>

#include <Hyx/Atom.h>
#include <Hyx/DataProfile.h>
#include <Hyx/DataTypeTextureBase.h>
#include <Hyx/Profile.h>

#include <exception>

namespace Hyx {

TransformTextureConversion::TransformTextureConversion() : Transform(true)
{
}

TransformTextureConversion::~TransformTextureConversion() = default;

void TransformTextureConversion::requestSource(const VornCommon::Guid& sourceType)
{
    _requestedInputProfile = std::make_shared<Profile>(VornCommon::Guid(), sourceType);
}

std::shared_ptr<Profile> TransformTextureConversion::makeOutputProfile(const VornCommon::Guid& purpose,
                                                                       const VornCommon::Guid& resultType)
{
    return std::make_shared<Profile>(purpose, resultType);
}

HyxErrorCode TransformTextureConversion::convertFrame(Atom& atom, uint32_t multiple, const char* dimensionText,
                                                      const char* failureText, const Convert& convert)
{
    const auto wanted = GetInputDataProfile(0, false);
    const auto source =
        wanted ? std::dynamic_pointer_cast<DataTypeTextureBase>(atom.GetDataLayer(wanted, true)) : nullptr;
    if (!source)
        return ReportError(HyxErrorCode::FilterError, failureText);
    if (multiple && (source->GetWidth() % multiple || source->GetHeight() % multiple))
        return ReportError(HyxErrorCode::FilterError, dimensionText);
    std::shared_ptr<DataLayer> result;
    try {
        result = convert(source);
    } catch (const std::exception&) {
        // Formats outside the dispatch and sizes the converter refuses end here, not on the
        // graph's thread.
    }
    if (!result)
        return ReportError(HyxErrorCode::FilterError, failureText);
    atom.AddDataLayer(result, false);
    return HyxErrorCode::Success;
}

} // namespace Hyx
