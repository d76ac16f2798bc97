#pragma once

// A bool parameter bound to one data profile: the "Keep " switches of targets and similar
// per-layer choices. Its name is a prefix followed by the data profile's friendly text.

#include <Hyx/FilterParamNumeric.h>

#include <memory>
#include <vector>

namespace Hyx {

class DataProfile;
class Profile;

class HYX_API FilterParamBoolDataProfile : public FilterParamBool {
public:
    /// Named prefix + DataProfile::ToFriendlyString (an empty data profile adds nothing).
    FilterParamBoolDataProfile(std::shared_ptr<DataProfile> dataProfile, const char* prefix, unsigned flags,
                               bool value);

    /// The data profile the switch belongs to.
    std::shared_ptr<DataProfile> GetDataProfile() const { return _dataProfile; }

private:
    const std::shared_ptr<DataProfile> _dataProfile;
};

class HYX_API FilterParamsHelper {
public:
    /// One switch per data profile of the profile, in order, each with the prefix, flags 1
    /// and the default value; an empty or absent profile gives none.
    static std::vector<std::shared_ptr<FilterParamBoolDataProfile>>
    GetDataProfileParams(const std::shared_ptr<Profile>& profile, const char* prefix, bool value);
};

} // namespace Hyx
