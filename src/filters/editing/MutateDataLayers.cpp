#include "filters/editing/LayerSelection.h"
#include "impl/core/BuiltInRegistration.h"

#include <Hyx/FilterParamDataProfile.h>
#include <Hyx/MutateDataLayers.h>
#include <Hyx/Profile.h>

namespace Hyx {

HYX_BUILTIN_FILTER(MutateDataLayersDropper);
HYX_BUILTIN_FILTER(MutateDataLayersKeeper);

MutateDataLayersSelection::MutateDataLayersSelection(bool keep) : Mutate(false), _keep(keep)
{
}

MutateDataLayersSelection::~MutateDataLayersSelection() = default;

HyxErrorCode MutateDataLayersSelection::onInitializeParams(Filter* upstream)
{
    const HyxErrorCode result = Mutate::onInitializeParams(upstream);
    if (result != HyxErrorCode::Success || upstream == nullptr)
        return result;
    _switches =
        LayerSelection::MakeSwitches(upstream->GetAggregatedOutputProfile(), _keep ? "Keep " : "Drop ", _switches);
    for (const std::shared_ptr<FilterParamBoolDataProfile>& entry : _switches)
        addParam(entry, true);
    return HyxErrorCode::Success;
}

std::shared_ptr<Profile> MutateDataLayersSelection::onGenerateOutputProfile(Filter*,
                                                                            std::shared_ptr<Profile> inputProfile)
{
    // Frames follow the values this profile is made with, so they always carry what it says.
    _profileSwitches = LayerSelection::Freeze(_switches);
    _profileMade = true;
    return LayerSelection::SelectProfile(inputProfile, _profileSwitches,
                                         _keep ? LayerSelection::Mode::Keep : LayerSelection::Mode::Drop);
}

HyxErrorCode MutateDataLayersSelection::onCreateFrame(std::shared_ptr<Atom> input, std::shared_ptr<Atom>& output)
{
    output = LayerSelection::SelectLayers(input, _profileMade ? _profileSwitches : _switches,
                                          _keep ? LayerSelection::Mode::Keep : LayerSelection::Mode::Drop);
    return HyxErrorCode::Success;
}

MutateDataLayersDropper::MutateDataLayersDropper() : MutateDataLayersSelection(false)
{
}

MutateDataLayersDropper::~MutateDataLayersDropper() = default;

MutateDataLayersKeeper::MutateDataLayersKeeper() : MutateDataLayersSelection(true)
{
}

MutateDataLayersKeeper::~MutateDataLayersKeeper() = default;

} // namespace Hyx
