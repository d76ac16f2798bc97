#include "graph/filters/InputSide.h"

#include <Hyx/Atom.h>
#include <Hyx/Connection.h>
#include <Hyx/DataProfile.h>
#include <Hyx/FilterParamDataProfile.h>
#include <Hyx/Profile.h>
#include <Hyx/Target.h>

#include <VornCommon/Profiler.h>

namespace Hyx {

namespace {

// True when `held` is the only reference. The reference taken and dropped orders the last use
// by any former holder (on whatever thread) before what the caller does with the object next.
bool SoleOwner(const std::shared_ptr<Atom>& held)
{
    if (held.use_count() != 1)
        return false;
    std::shared_ptr<Atom>(held).reset();
    return true;
}

// The profile plus, for each compressed entry whose plain form the offer does not list (nor
// the profile, without an offer), that plain form: a layer a compressor could not compress
// travels on plain. A plain form the offer lists has its own "Keep " choice.
std::shared_ptr<Profile> WithPlainStandIns(const Profile& profile, const std::shared_ptr<Profile>& offer)
{
    auto result = std::make_shared<Profile>(profile);
    for (int i = 0; i < profile.GetDataProfileCount(); ++i) {
        const std::shared_ptr<DataProfile> entry = profile.GetDataProfileByIndex(i);
        if (entry->GetCompressedTypeGuid().IsNil())
            continue;
        auto plain = std::make_shared<DataProfile>(entry->GetPurposeGuid(), entry->GetCompressedTypeGuid());
        if (!(offer ? *offer : profile).GetDataProfile(plain, false))
            result->Add(plain);
    }
    return result;
}

// Keeps the first layer when no switch keeps any: a target must keep at least one.
void KeepOneLayer(const std::vector<std::shared_ptr<FilterParamBoolDataProfile>>& params)
{
    for (const std::shared_ptr<FilterParamBoolDataProfile>& param : params)
        if (param->GetValue())
            return;
    if (!params.empty())
        params.front()->SetValue(true);
}

} // namespace

Target::Target(bool keepParams) : _keepParamsFlag(keepParams)
{
}

Target::~Target() = default;

HyxErrorCode Target::onInitializeParams(Filter* upstream)
{
    if (upstream == nullptr || !_keepParamsFlag) {
        return HyxErrorCode::Success;
    }
    const std::vector<std::shared_ptr<FilterParamBoolDataProfile>> old = std::move(_keepParams);
    _keepParams = FilterParamsHelper::GetDataProfileParams(upstream->GetAggregatedOutputProfile(), "Keep ", true);

    for (const std::shared_ptr<FilterParamBoolDataProfile>& param : _keepParams) {
        const std::string friendly = param->GetDataProfile()->ToFriendlyString();
        for (const std::shared_ptr<FilterParamBoolDataProfile>& before : old) {
            if (before->GetDataProfile()->ToFriendlyString() == friendly) {
                param->SetValueAsString(before->GetValueAsString().c_str());
                break;
            }
        }
    }
    KeepOneLayer(_keepParams);
    for (const std::shared_ptr<FilterParamBoolDataProfile>& param : _keepParams) {
        addParam(param, true);
    }
    return HyxErrorCode::Success;
}

HyxErrorCode Target::onInitialize(Filter* upstream)
{
    const std::shared_ptr<Profile> offer = upstream ? upstream->GetAggregatedOutputProfile() : nullptr;
    if (!offer) {
        return SetInputProfile(upstream, std::make_shared<Profile>());
    }
    // Values stored before pre-initialisation are applied after the parameters are made, and
    // a host may switch every layer off after that: the rule holds where the profile is built.
    KeepOneLayer(_keepParams);
    auto kept = std::make_shared<Profile>(offer);
    for (const std::shared_ptr<FilterParamBoolDataProfile>& param : _keepParams) {
        if (param->GetValue()) {
            continue;
        }
        const std::string friendly = param->GetDataProfile()->ToFriendlyString();
        for (int i = 0; i < kept->GetDataProfileCount(); ++i) {
            const std::shared_ptr<DataProfile> entry = kept->GetDataProfileByIndex(i);
            if (entry->ToFriendlyString() == friendly) {
                kept->Remove(entry);
                break;
            }
        }
    }
    return SetInputProfile(upstream, kept);
}

HyxErrorCode Target::SetInputProfile(Filter* upstream, std::shared_ptr<Profile> profile)
{
    if (!profile || !profile->IsFullySpecified()) {
        return ReportError(HyxErrorCode::InputProfileNotFullySpecified);
    }
    _inputProfile = std::move(profile);
    _copyProfileFor = _inputProfile;
    _copyProfile = WithPlainStandIns(*_inputProfile, upstream ? upstream->GetAggregatedOutputProfile() : nullptr);
    return HyxErrorCode::Success;
}

HyxErrorCode Target::onInputConnection(std::weak_ptr<Connection> connection)
{
    const InputOfferCheck check = CheckInputOffer(_inputProfile, connection);
    if (check.code != HyxErrorCode::Success) {
        return ReportError(check.code, check.hasInfo ? check.info.c_str() : nullptr);
    }
    return HyxErrorCode::Success;
}

std::shared_ptr<Profile> Target::GetOutputProfile()
{
    return nullptr;
}

std::shared_ptr<Profile> Target::GetAggregatedOutputProfile()
{
    const std::shared_ptr<Filter> upstream = GetInputFilter();
    return upstream ? upstream->GetAggregatedOutputProfile() : nullptr;
}

HyxErrorCode Target::onPostUpdate()
{
    return HyxErrorCode::Success;
}

HyxErrorCode Target::Update()
{
    static const VornCommon::ProfilerZone zone("HYX::Target::Update");
    static constexpr UpdateCycle cycle{
        [](FilterWithInput& filter, std::shared_ptr<Atom>& atom, bool& more) {
            Target& target = static_cast<Target&>(filter);
            if (!target._inputProfile) {
                atom.reset();
                more = false;
                return HyxErrorCode::NoDataAvailable;
            }
            // A copy nobody else holds any more is refilled rather than allocated again.
            std::shared_ptr<Atom>& copy = target._copy;
            if (!copy || !SoleOwner(copy))
                copy = std::make_shared<Atom>(0u, 0u);
            const bool standIns = target._copyProfile && target._copyProfileFor == target._inputProfile;
            Atom::CopyInto(*copy, *atom, standIns ? *target._copyProfile : *target._inputProfile, -1);
            // The copy holds the kept layers; an accepted atom leaves whole (without an output
            // it is only counted).
            const HyxErrorCode result = target.onProcessFrame(copy);
            if (result != HyxErrorCode::Success)
                atom.reset();
            return result;
        },
        UpdateCycle::OnFailure::ConsumeRest, UpdateCycle::Links::OutputOptional,
        [](FilterWithInput& filter) { return static_cast<Target&>(filter).onPostUpdate(); }};
    return runUpdateCycle(zone, cycle);
}

} // namespace Hyx
