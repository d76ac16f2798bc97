#include "graph/mutates/MutateSupport.h"
#include "impl/core/BuiltInRegistration.h"

#include <Hyx/Atom.h>
#include <Hyx/DataTypeByteArray.h>
#include <Hyx/FilterParamText.h>
#include <Hyx/LoggerInstance.h>
#include <Hyx/Profile.h>
#include <Hyx/TransformInjectData.h>

#include <exception>

namespace Hyx {

HYX_BUILTIN_FILTER(TransformInjectMemoryData);

TransformInjectData::TransformInjectData() : Transform(false)
{
}

TransformInjectData::~TransformInjectData() = default;

HyxErrorCode TransformInjectData::onInitializeParams(Filter* upstream)
{
    const HyxErrorCode result = Transform::onInitializeParams(upstream);
    if (result != HyxErrorCode::Success)
        return result;
    MutateSupport::CreateOnce(_purposeParam, BYTEARRAY_PURPOSE_GUID_PARAMNAME, 1u,
                              VornCommon::Guid::Nil.ToHexString().CStr());
    addParam(_purposeParam, true);
    return HyxErrorCode::Success;
}

HyxErrorCode TransformInjectData::onInitialize(Filter* upstream)
{
    std::shared_ptr<Profile> offer = upstream ? upstream->GetAggregatedOutputProfile() : nullptr;
    return SetInputProfile(upstream, offer ? std::move(offer) : std::make_shared<Profile>());
}

std::shared_ptr<Profile> TransformInjectData::onGenerateOutputProfile(Filter*, std::shared_ptr<Profile>)
{
    try {
        _injectedPurpose = VornCommon::Guid::FromHexString(_purposeParam ? _purposeParam->GetValue() : std::string());
    } catch (const std::exception& e) {
        LogMessage(VornCommon::LogLevel::Error, "%s",
                   ("Failed to parse string into a valid Guid (" + std::string(e.what()) + ")").c_str());
        return nullptr;
    }
    // A nil purpose leaves the profile not fully specified: the base refuses it (27).
    return std::make_shared<Profile>(_injectedPurpose, DataTypeByteArray::TheTypeGuid());
}

HyxErrorCode TransformInjectData::onSetupAggregatedOutputProfile(Filter*, std::shared_ptr<Profile> upstreamAggregate)
{
    // The injected layer replaces one of the same purpose, so the offer may already list it.
    _aggregatedOutputProfile = std::make_shared<Profile>(upstreamAggregate);
    _aggregatedOutputProfile->Merge(_outputProfile);
    return HyxErrorCode::Success;
}

HyxErrorCode TransformInjectData::onProcessFrame(std::shared_ptr<Atom> atom)
{
    atom->RemoveDataLayers(_injectedPurpose, DataTypeByteArray::TheTypeGuid());
    auto layer = std::make_shared<DataTypeByteArray>();
    layer->InitializeHeader(_injectedPurpose);
    onFillData(layer->GetByteArray());
    atom->AddDataLayer(std::move(layer), false);
    return HyxErrorCode::Success;
}

TransformInjectMemoryData::TransformInjectMemoryData() = default;

TransformInjectMemoryData::~TransformInjectMemoryData() = default;

void TransformInjectMemoryData::SetData(const VornCommon::ByteArray& bytes)
{
    VornCommon::ByteArray copy = bytes; // copied outside the lock
    std::lock_guard<std::mutex> lock(_mutex);
    _bytes = std::move(copy);
}

void TransformInjectMemoryData::onFillData(VornCommon::ByteArray& bytes)
{
    std::lock_guard<std::mutex> lock(_mutex);
    bytes.Append(_bytes);
}

} // namespace Hyx
