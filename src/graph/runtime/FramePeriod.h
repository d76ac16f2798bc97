#pragma once

// The frame-rate codes shared by the asynchronous graph and the frame-rate block mutate.
//
// A requested rate above 0 is frames per second; 0 means no pacing; a negative value takes
// the source stream's rate: -2 half of it, -3 twice it, -1 and any other negative value the
// rate itself. The period is 1000 / rate milliseconds, truncated, and must fit in 32 bits.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

namespace Hyx {

/// The frame period in whole milliseconds. sourceFps is the source stream's frame rate; for
/// the negative codes a source rate that gives no period (0 or less, none, or one whose
/// period does not fit) gives 0, no pacing. A requested rate that WhyNoRate refuses gives
/// 0xFFFFFFFF: callers refuse it first.
uint32_t FramePeriodMs(float requestedFps, float sourceFps);

/// What keeps a requested rate from being a rate or a code, to follow the rate's text; empty
/// for any other (0 and every negative code included). "is not a number of frames a second"
/// for a NaN or an infinity, which would pace as no rate at all; "gives a <period> past
/// 4294967295 ms" for a rate above 0 whose period does not fit in 32 bits (below about
/// 2.3e-7). `period` names what the caller paces.
std::string RateFault(float requestedFps, const char* period = "frame period");

/// "<rate> <RateFault>", the rate in the fewest digits that read back as the same float
/// ("1e-30"); empty for a rate or a code.
std::string WhyNoRate(float requestedFps, const char* period = "frame period");

/// Paces a loop of turns one period apart. Given the planned start of the turn just made,
/// waits on `wake` (under `lock`) until one period after it and returns the planned start of
/// the next turn. Planning from deadlines rather than from wake-ups keeps the late wake-ups
/// of the system from adding up. A turn that ran past its period is followed at once and the
/// plan starts again from now. The period is read again whenever `wake` is notified, and the
/// wait ends at once when `ending` turns true.
std::chrono::steady_clock::time_point PaceFrom(std::unique_lock<std::mutex>& lock, std::condition_variable& wake,
                                               std::chrono::steady_clock::time_point start,
                                               const std::atomic<uint32_t>& periodMs,
                                               const std::function<bool()>& ending);

} // namespace Hyx
