#include "graph/runtime/FramePeriod.h"

#include <charconv>
#include <cmath>
#include <optional>

namespace Hyx {

namespace {

// The period of a rate above 0, when it fits in 32 bits. The float 4294967295.0f is 2^32.
std::optional<uint32_t> periodOf(float rate)
{
    const float period = 1000.0f / rate;
    if (!(period < 4294967295.0f))
        return std::nullopt;
    return static_cast<uint32_t>(period);
}

std::string shortest(float value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value);
    return std::string(buffer, result.ptr);
}

} // namespace

std::string RateFault(float requestedFps, const char* period)
{
    if (!std::isfinite(requestedFps))
        return "is not a number of frames a second";
    if (requestedFps > 0.0f && !periodOf(requestedFps))
        return std::string("gives a ") + period + " past 4294967295 ms";
    return {};
}

std::string WhyNoRate(float requestedFps, const char* period)
{
    const std::string fault = RateFault(requestedFps, period);
    return fault.empty() ? fault : shortest(requestedFps) + " " + fault;
}

uint32_t FramePeriodMs(float requestedFps, float sourceFps)
{
    if (requestedFps == 0.0f)
        return 0;
    // Written so that NaN falls to the source-derived branch, like any other negative code.
    if (requestedFps > 0.0f)
        return periodOf(requestedFps).value_or(0xFFFFFFFFu);
    if (!(sourceFps > 0.0f))
        return 0;
    const float rate = requestedFps == -2.0f ? sourceFps * 0.5f : requestedFps == -3.0f ? sourceFps * 2.0f : sourceFps;
    // A source rate too small to give a period is no rate to pace to, as 0 is.
    return periodOf(rate).value_or(0u);
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
