#include "filters/editing/LayerSelection.h"
#include "impl/core/BuiltInRegistration.h"

#include <Hyx/FilterParamDataProfile.h>
#include <Hyx/MutateDataLayers.h>
#include <Hyx/Profile.h>

namespace Hyx {

HYX_BUILTIN_FILTER(MutateDataLayersDropper);
HYX_BUILTIN_FILTER(MutateDataLayersKeeper);

namespace {

// Replaces the switches by those of the upstream offer and lists them.
template <class AddParam>
HyxErrorCode remakeSwitches(Filter* upstream, const char* prefix, LayerSelection::Switches& switches, AddParam addParam)
{
    if (upstream == nullptr)
        return HyxErrorCode::Success;
    switches = LayerSelection::MakeSwitches(upstream->GetAggregatedOutputProfile(), prefix, switches);
    for (const std::shared_ptr<FilterParamBoolDataProfile>& entry : switches)
        addParam(entry);
    return HyxErrorCode::Success;
}

} // namespace

MutateDataLayersDropper::MutateDataLayersDropper() : Mutate(false)
{
}

MutateDataLayersDropper::~MutateDataLayersDropper() = default;

HyxErrorCode MutateDataLayersDropper::onInitializeParams(Filter* upstream)
{
    const HyxErrorCode result = Mutate::onInitializeParams(upstream);
    if (result != HyxErrorCode::Success)
        return result;
    return remakeSwitches(upstream, "Drop ", _dropParams, [this](auto entry) { addParam(entry, true); });
}

std::shared_ptr<Profile> MutateDataLayersDropper::onGenerateOutputProfile(Filter*,
                                                                          std::shared_ptr<Profile> inputProfile)
{
    return LayerSelection::SelectProfile(inputProfile, _dropParams, LayerSelection::Mode::Drop);
}

HyxErrorCode MutateDataLayersDropper::onCreateFrame(std::shared_ptr<Atom> input, std::shared_ptr<Atom>& output)
{
    output = LayerSelection::SelectLayers(input, _dropParams, LayerSelection::Mode::Drop);
    return HyxErrorCode::Success;
}

MutateDataLayersKeeper::MutateDataLayersKeeper() : Mutate(false)
{
}

MutateDataLayersKeeper::~MutateDataLayersKeeper() = default;

HyxErrorCode MutateDataLayersKeeper::onInitializeParams(Filter* upstream)
{
    const HyxErrorCode result = Mutate::onInitializeParams(upstream);
    if (result != HyxErrorCode::Success)
        return result;
    return remakeSwitches(upstream, "Keep ", _keepParams, [this](auto entry) { addParam(entry, true); });
}

std::shared_ptr<Profile> MutateDataLayersKeeper::onGenerateOutputProfile(Filter*, std::shared_ptr<Profile> inputProfile)
{
    return LayerSelection::SelectProfile(inputProfile, _keepParams, LayerSelection::Mode::Keep);
}

HyxErrorCode MutateDataLayersKeeper::onCreateFrame(std::shared_ptr<Atom> input, std::shared_ptr<Atom>& output)
{
    output = LayerSelection::SelectLayers(input, _keepParams, LayerSelection::Mode::Keep);
    return HyxErrorCode::Success;
}

} // namespace Hyx
