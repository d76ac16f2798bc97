#include "graph/filters/InputSide.h"

#include <Hyx/Connection.h>
#include <Hyx/DataProfile.h>
#include <Hyx/FilterParamChoice.h>
#include <Hyx/GuidAlias.h>
#include <Hyx/Profile.h>
#include <Hyx/Transform.h>

#include <VornCommon/Profiler.h>

#include <vector>

namespace Hyx {

namespace {

using ProfileList = std::vector<std::shared_ptr<Profile>>;
using Options = std::vector<std::shared_ptr<DataProfile>>;

// The ordered cartesian product of the options per position: the first position varies
// slowest. No position, or a position without options, gives no candidate.
ProfileList candidateProfiles(const std::vector<Options>& positions)
{
    if (positions.empty()) {
        return {};
    }
    ProfileList prefixes{std::make_shared<Profile>()};
    for (const Options& options : positions) {
        ProfileList extended;
        extended.reserve(prefixes.size() * options.size());
        for (const std::shared_ptr<Profile>& prefix : prefixes) {
            for (const std::shared_ptr<DataProfile>& option : options) {
                auto candidate = std::make_shared<Profile>(*prefix);
                candidate->Add(option);
                extended.push_back(std::move(candidate));
            }
        }
        prefixes = std::move(extended);
    }
    return prefixes;
}

} // namespace

Transform::Transform(bool offerInputProfiles) : _offerInputProfiles(offerInputProfiles)
{
}

Transform::~Transform() = default;

HyxErrorCode Transform::onInitializeParams(Filter* upstream)
{
    if (!_offerInputProfiles) {
        return HyxErrorCode::Success;
    }
    ProfileList candidates;
    if (upstream != nullptr) {
        const std::shared_ptr<Profile> offer = upstream->GetAggregatedOutputProfile();
        if (!offer) {
            return ReportError(HyxErrorCode::FailedToGetAggregatedOutputProfile);
        }
        std::vector<Options> positions;
        const int requested = _requestedInputProfile ? _requestedInputProfile->GetDataProfileCount() : 0;
        for (int i = 0; i < requested; ++i) {
            const std::shared_ptr<DataProfile> wanted = _requestedInputProfile->GetDataProfileByIndex(i);
            Options options;
            if (!wanted->GetPurposeGuid().IsNil()) {
                options.push_back(std::make_shared<DataProfile>(wanted));
            } else {
                for (const std::shared_ptr<DataProfile>& match : offer->GetDataProfiles(wanted)) {
                    options.push_back(std::make_shared<DataProfile>(match));
                }
            }
            positions.push_back(std::move(options));
        }
        candidates = candidateProfiles(positions);
    }

    std::shared_ptr<Profile> remembered;
    if (_inputProfileParam) {
        remembered = _inputProfileParam->GetValue();
        _inputProfileParam.reset();
    }
    if (!candidates.empty()) {
        _inputProfileParam = std::make_shared<FilterParamInputProfiles>("Input Profile", 1u, candidates);
        addParam(_inputProfileParam, false);
        _inputProfileParam->SetSelectedProfile(remembered ? remembered : candidates.back());
    }
    return HyxErrorCode::Success;
}

HyxErrorCode Transform::onInitialize(Filter* upstream)
{
    if (_offerInputProfiles && _inputProfileParam) {
        return SetInputProfile(upstream, _inputProfileParam->GetValue());
    }
    return HyxErrorCode::Success;
}

HyxErrorCode Transform::SetInputProfile(Filter* upstream, std::shared_ptr<Profile> profile)
{
    const HyxErrorCode result = GenerateOutputProfile(upstream, profile);
    if (result == HyxErrorCode::Success) {
        _inputProfile = std::move(profile);
    }
    return result;
}

HyxErrorCode Transform::GenerateOutputProfile(Filter* upstream, std::shared_ptr<Profile> inputProfile)
{
    _outputProfile.reset();
    if (!inputProfile || !inputProfile->IsFullySpecified()) {
        return ReportError(HyxErrorCode::FailedToGenerateOutputProfile);
    }
    std::shared_ptr<Profile> output = onGenerateOutputProfile(upstream, std::move(inputProfile));
    if (!output || !output->IsFullySpecified()) {
        return ReportError(HyxErrorCode::FailedToGenerateOutputProfile);
    }
    _outputProfile = std::move(output);
    return HyxErrorCode::Success;
}

HyxErrorCode Transform::onInputConnection(std::weak_ptr<Connection> connection)
{
    InputOfferCheck check = CheckInputOffer(_inputProfile, connection);
    if (check.code != HyxErrorCode::Success) {
        return ReportError(check.code, check.hasInfo ? check.info.c_str() : nullptr);
    }
    return onSetupAggregatedOutputProfile(check.upstream.get(), std::move(check.upstreamAggregate));
}

HyxErrorCode Transform::onSetupAggregatedOutputProfile(Filter*, std::shared_ptr<Profile> upstreamAggregate)
{
    _aggregatedOutputProfile = std::make_shared<Profile>(upstreamAggregate);
    const int count = _outputProfile ? _outputProfile->GetDataProfileCount() : 0;
    for (int i = 0; i < count; ++i) {
        const std::shared_ptr<DataProfile> entry = _outputProfile->GetDataProfileByIndex(i);
        const HyxErrorCode result = _aggregatedOutputProfile->Add(entry);
        if (result != HyxErrorCode::Success) {
            return ReportError(result, Utils::GetGuidAlias(entry->GetTypeGuid()).CStr());
        }
    }
    return HyxErrorCode::Success;
}

std::shared_ptr<Profile> Transform::GetOutputProfile()
{
    return _outputProfile ? std::make_shared<Profile>(*_outputProfile) : nullptr;
}

std::shared_ptr<Profile> Transform::GetAggregatedOutputProfile()
{
    return _aggregatedOutputProfile ? std::make_shared<Profile>(*_aggregatedOutputProfile) : nullptr;
}

std::shared_ptr<DataProfile> Transform::GetInputDataProfile(int index, bool applyPurpose)
{
    if (!_inputProfile) {
        return nullptr;
    }
    std::shared_ptr<DataProfile> entry = _inputProfile->GetDataProfileByIndex(index);
    if (entry && applyPurpose && !_purposeGuid.IsNil() && entry->GetPurposeGuid().IsNil()) {
        entry->SetPurposeGuid(_purposeGuid);
    }
    return entry;
}

VornCommon::Guid Transform::getPurposeGuidForInputProfile(std::shared_ptr<Profile> profile, int index) const
{
    if (!_purposeGuid.IsNil()) {
        return _purposeGuid;
    }
    const std::shared_ptr<DataProfile> entry = profile ? profile->GetDataProfileByIndex(index) : nullptr;
    return entry ? entry->GetPurposeGuid() : VornCommon::Guid();
}

HyxErrorCode Transform::onPostUpdate()
{
    return HyxErrorCode::Success;
}

HyxErrorCode Transform::Update()
{
    static const VornCommon::ProfilerZone zone("HYX::Transform::Update");
    static constexpr UpdateCycle cycle{
        [](FilterWithInput& filter, std::shared_ptr<Atom>& atom, bool&) {
            const HyxErrorCode result = static_cast<Transform&>(filter).onProcessFrame(atom);
            if (result != HyxErrorCode::Success)
                atom.reset(); // 1 drops it
            return result;
        },
        UpdateCycle::OnFailure::End, UpdateCycle::Links::Required,
        [](FilterWithInput& filter) { return static_cast<Transform&>(filter).onPostUpdate(); }};
    return runUpdateCycle(zone, cycle);
}

HyxErrorCode Transform::finishUpdate(HyxErrorCode bodyResult)
{
    return finishCycle(bodyResult,
                       [](FilterWithInput& filter) { return static_cast<Transform&>(filter).onPostUpdate(); });
}

} // namespace Hyx
