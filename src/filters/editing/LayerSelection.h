#pragma once

// The per-data-profile switches of the layer dropper and keeper: making them (with the
// earlier choices carried over), and applying them to a profile and to a frame.

#include <Hyx/HyxErrorCode.h>

#include <memory>
#include <vector>

namespace Hyx {

class Atom;
class FilterParamBoolDataProfile;
class Profile;

namespace LayerSelection {

using Switches = std::vector<std::shared_ptr<FilterParamBoolDataProfile>>;

/// What a true switch means.
enum class Mode {
    Drop,
    Keep
};

/// One switch per data profile of the offer, named prefix + friendly text, false by
/// default; each takes the value of the first old switch with the same friendly text.
Switches MakeSwitches(const std::shared_ptr<Profile>& offer, const char* prefix, const Switches& old);

/// Copies of the switches holding their values now, owned by no filter.
Switches Freeze(const Switches& switches);

/// The input's data profiles that pass; the input's first one is added when the result is
/// not fully specified.
std::shared_ptr<Profile> SelectProfile(const std::shared_ptr<Profile>& input, const Switches& switches, Mode mode);

/// A copy of the atom (sharing its blocks) without the layers that do not pass.
std::shared_ptr<Atom> SelectLayers(const std::shared_ptr<Atom>& input, const Switches& switches, Mode mode);

} // namespace LayerSelection
} // namespace Hyx
