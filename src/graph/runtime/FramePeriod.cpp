#include "graph/runtime/FramePeriod.h"

#include "graph/params/ParamText.h"

#include <cmath>

namespace Hyx {

std::string WhyNoRate(float requestedFps)
{
    return std::isfinite(requestedFps) ? std::string()
                                       : ParamText::FromFloat(requestedFps) + " is not a number of frames a second";
}

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

std::chrono::steady_clock::time_point PaceFrom(std::unique_lock<std::mutex>& lock, std::condition_variable& wake,
                                               std::chrono::steady_clock::time_point start,
                                               const std::atomic<uint32_t>& periodMs,
                                               const std::function<bool()>& ending)
{
    using Clock = std::chrono::steady_clock;
    for (;;) {
        const Clock::time_point now = Clock::now();
        const uint32_t period = periodMs.load();
        const Clock::time_point deadline = start + std::chrono::milliseconds(period);
        if (ending() || period == 0 || now >= deadline)
            return now;
        if (wake.wait_until(lock, deadline) == std::cv_status::timeout && periodMs.load() == period && !ending())
            return deadline;
    }
}

} // namespace Hyx
