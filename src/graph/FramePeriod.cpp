#include "FramePeriod.h"

namespace Hyx {

uint32_t FramePeriodMs(float requestedFps, float sourceFps)
{
    if (requestedFps == 0.0f)
        return 0;
    float rate = requestedFps;
    // Written so that NaN falls to the source-derived branch, like any other negative code.
    if (!(requestedFps > 0.0f)) {
        if (!(sourceFps > 0.0f))
            return 0;
        rate = requestedFps == -2.0f ? sourceFps * 0.5f : requestedFps == -3.0f ? sourceFps * 2.0f : sourceFps;
    }
    const float period = 1000.0f / rate;
    if (!(period < 4294967295.0f))
        return 0xFFFFFFFFu;
    return static_cast<uint32_t>(period);
}

} // namespace Hyx
