#include <VornCommon/HostSettings.h>

namespace VornCommon {

HostSettings* HostSettings::GetInstance()
{
    static HostSettings instance;
    return &instance;
}

} // namespace VornCommon
