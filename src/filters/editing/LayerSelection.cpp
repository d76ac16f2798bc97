#include "filters/editing/LayerSelection.h"

#include <Hyx/Atom.h>
#include <Hyx/DataLayer.h>
#include <Hyx/DataProfile.h>
#include <Hyx/FilterParamDataProfile.h>
#include <Hyx/Profile.h>

namespace Hyx::LayerSelection {

namespace {

bool passes(const DataProfile& dataProfile, const Switches& switches, Mode mode)
{
    for (const std::shared_ptr<FilterParamBoolDataProfile>& entry : switches) {
        if (*entry->GetDataProfile() == dataProfile)
            return entry->GetValue() == (mode == Mode::Keep);
    }
    // A plain layer without a switch of its own, whose compressed form has one: a compressor
    // that could not compress it passed it on plain, in place of that form, so it goes or
    // stays as that form would. Left to the target, it would follow the target's profile,
    // which depends on the other layers.
    if (dataProfile.GetCompressedTypeGuid().IsNil()) {
        for (const std::shared_ptr<FilterParamBoolDataProfile>& entry : switches) {
            const DataProfile& coded = *entry->GetDataProfile();
            if (coded.GetCompressedTypeGuid() == dataProfile.GetTypeGuid() &&
                coded.GetPurposeGuid() == dataProfile.GetPurposeGuid())
                return entry->GetValue() == (mode == Mode::Keep);
        }
    }
    return mode == Mode::Drop;
}

} // namespace

Switches MakeSwitches(const std::shared_ptr<Profile>& offer, const char* prefix, const Switches& old)
{
    Switches switches = FilterParamsHelper::GetDataProfileParams(offer, prefix, false);
    for (const std::shared_ptr<FilterParamBoolDataProfile>& entry : switches) {
        const std::string friendly = entry->GetDataProfile()->ToFriendlyString();
        for (const std::shared_ptr<FilterParamBoolDataProfile>& before : old) {
            if (before->GetDataProfile()->ToFriendlyString() == friendly) {
                entry->SetValue(before->GetValue());
                break;
            }
        }
    }
    return switches;
}

Switches Freeze(const Switches& switches)
{
    Switches frozen;
    frozen.reserve(switches.size());
    for (const std::shared_ptr<FilterParamBoolDataProfile>& entry : switches)
        frozen.push_back(std::make_shared<FilterParamBoolDataProfile>(entry->GetDataProfile(), "", entry->GetFlags(),
                                                                      entry->GetValue()));
    return frozen;
}

std::shared_ptr<Profile> SelectProfile(const std::shared_ptr<Profile>& input, const Switches& switches, Mode mode)
{
    auto output = std::make_shared<Profile>();
    const int count = input ? input->GetDataProfileCount() : 0;
    for (int i = 0; i < count; ++i) {
        const std::shared_ptr<DataProfile> entry = input->GetDataProfileByIndex(i);
        if (passes(*entry, switches, mode))
            output->Add(entry);
    }
    if (!output->IsFullySpecified() && count > 0)
        output->Add(input->GetDataProfileByIndex(0));
    return output;
}

std::shared_ptr<Atom> SelectLayers(const std::shared_ptr<Atom>& input, const Switches& switches, Mode mode)
{
    std::shared_ptr<Atom> output = Atom::Copy(input, -1, true);
    for (const std::shared_ptr<DataLayer>& layer : output->GetAllDataLayers()) {
        if (layer &&
            !passes(DataProfile(layer->GetPurposeGuid(), layer->TypeGuid(), layer->GetCompressedBlobTypeGuid()),
                    switches, mode))
            output->RemoveDataLayer(layer);
    }
    return output;
}

} // namespace Hyx::LayerSelection
