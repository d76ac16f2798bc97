#include <Hyx/Atom.h>
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
    // The state check runs inside onUpdate, so its failure nests like any other.
    static const VornCommon::ProfilerZone zone("HYX::Mutate::Update");
    static constexpr UpdateCycle cycle{
        nullptr, UpdateCycle::OnFailure::End, UpdateCycle::Links::RequiredReported,
        [](FilterWithInput& filter) { return static_cast<Mutate&>(filter).onPostUpdate(); },
        [](FilterWithInput& filter) { return static_cast<Mutate&>(filter).onUpdate(); }};
    return runUpdateCycle(zone, cycle);
}

HyxErrorCode Mutate::onUpdate()
{
    static constexpr UpdateCycle cycle{[](FilterWithInput& filter, std::shared_ptr<Atom>& atom, bool&) {
                                           // Whatever is created is pushed, also with result 1.
                                           std::shared_ptr<Atom> created;
                                           const HyxErrorCode result =
                                               static_cast<Mutate&>(filter).onCreateFrame(std::move(atom), created);
                                           atom = std::move(created);
                                           return result;
                                       },
                                       UpdateCycle::OnFailure::End, UpdateCycle::Links::RequiredReported, nullptr};
    const HyxErrorCode state = FilterWithInput::Update();
    if (state != HyxErrorCode::Success) {
        return state;
    }
    return pullPending(cycle);
}

} // namespace Hyx
