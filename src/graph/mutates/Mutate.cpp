#include "graph/filters/InputSide.h"

#include <Hyx/Connection.h>
#include <Hyx/DataProfile.h>
#include <Hyx/Mutate.h>
#include <Hyx/Profile.h>

#include <VornCommon/Profiler.h>

namespace Hyx {

Mutate::Mutate(bool offerInputProfiles) : Transform(offerInputProfiles)
{
}

Mutate::~Mutate() = default;

HyxErrorCode Mutate::onInitialize(Filter* upstream)
{
    if (upstream == nullptr) {
        return Transform::onInitialize(upstream);
    }
    const std::shared_ptr<Profile> offer = upstream->GetAggregatedOutputProfile();
    if (!offer) {
        return ReportError(HyxErrorCode::InputProfileNotFullySpecified);
    }
    const std::shared_ptr<Profile>& reference = _requestedInputProfile ? _requestedInputProfile : offer;
    auto input = std::make_shared<Profile>();
    for (int i = 0; i < reference->GetDataProfileCount(); ++i) {
        const std::shared_ptr<DataProfile> wanted = reference->GetDataProfileByIndex(i);
        const std::vector<std::shared_ptr<DataProfile>> matches = offer->GetDataProfilesByType(wanted->GetTypeGuid());
        if (matches.empty()) {
            return ReportError(HyxErrorCode::FilterFailedToGetDataLayer, wanted->ToFriendlyString().c_str());
        }
        for (const std::shared_ptr<DataProfile>& match : matches) {
            input->Add(match); // repeats are refused and ignored
        }
    }
    const HyxErrorCode result = Transform::SetInputProfile(upstream, input);
    if (result != HyxErrorCode::Success) {
        return result;
    }
    return Transform::onInitialize(upstream);
}

HyxErrorCode Mutate::onSetupAggregatedOutputProfile(Filter* upstream, std::shared_ptr<Profile> upstreamAggregate)
{
    const HyxErrorCode result = GenerateOutputProfile(upstream, std::move(upstreamAggregate));
    if (result != HyxErrorCode::Success) {
        return result;
    }
    _aggregatedOutputProfile = GetOutputProfile();
    return HyxErrorCode::Success;
}

HyxErrorCode Mutate::onProcessFrame(std::shared_ptr<Atom>)
{
    return ReportError(HyxErrorCode::FilterError, "Mutate filters must create new frames.");
}

HyxErrorCode Mutate::Update()
{
    static const VornCommon::ProfilerZone zone("HYX::Mutate::Update");
    const VornCommon::ProfilerZoneScope scope(zone);

    ResetError();
    return finishUpdate(onUpdate());
}

HyxErrorCode Mutate::onUpdate()
{
    const HyxErrorCode state = FilterWithInput::Update();
    if (state != HyxErrorCode::Success) {
        return state;
    }
    Connection* const input = inputConnectionForUpdate();
    if (!input) {
        return ReportError(HyxErrorCode::FilterLacksInputConnection);
    }
    if (!input->HasPendingData()) {
        return HyxErrorCode::NoDataAvailable;
    }
    Connection* const output = outputConnectionForUpdate();
    if (!output) {
        return ReportError(HyxErrorCode::FilterLacksOutputConnection);
    }
    const int count = GateCount(*input, *output);
    bool pushed = false;
    for (int i = 0; i < count; ++i) {
        const std::shared_ptr<Atom> atom = input->Pull();
        if (!atom || !IsRunning(*this)) {
            continue; // the sentinel a flush leaves behind, or an atom of a run stopped meanwhile
        }
        std::shared_ptr<Atom> created;
        const HyxErrorCode result = onCreateFrame(atom, created);
        if (IsFailure(result)) {
            return result;
        }
        if (created) {
            const HyxErrorCode push = pushToOutputQueue(std::move(created));
            if (push != HyxErrorCode::Success) {
                return push;
            }
            pushed = true;
        }
    }
    return pushed ? HyxErrorCode::Success : HyxErrorCode::NoDataAvailable;
}

} // namespace Hyx
