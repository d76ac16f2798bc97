#include <Hyx/FilterParamDataProfile.h>

#include <Hyx/DataProfile.h>
#include <Hyx/Profile.h>

#include <string>

namespace Hyx {

namespace {

std::string switchName(const std::shared_ptr<DataProfile>& dataProfile, const char* prefix)
{
    std::string name = prefix != nullptr ? prefix : "";
    if (dataProfile)
        name += dataProfile->ToFriendlyString();
    return name;
}

} // namespace

FilterParamBoolDataProfile::FilterParamBoolDataProfile(std::shared_ptr<DataProfile> dataProfile, const char* prefix,
                                                       unsigned flags, bool value)
    : FilterParamBool(switchName(dataProfile, prefix).c_str(), flags, value), _dataProfile(std::move(dataProfile))
{
}

std::vector<std::shared_ptr<FilterParamBoolDataProfile>>
FilterParamsHelper::GetDataProfileParams(const std::shared_ptr<Profile>& profile, const char* prefix, bool value)
{
    std::vector<std::shared_ptr<FilterParamBoolDataProfile>> params;
    if (!profile)
        return params;
    const int count = profile->GetDataProfileCount();
    params.reserve(static_cast<size_t>(count > 0 ? count : 0));
    for (int i = 0; i < count; ++i) {
        params.push_back(std::make_shared<FilterParamBoolDataProfile>(profile->GetDataProfileByIndex(i), prefix,
                                                                      FilterParam::FLAG_REQUIRES_PREINITIALIZE, value));
    }
    return params;
}

} // namespace Hyx
