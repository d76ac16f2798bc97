#pragma once

// The frame-rate codes shared by the asynchronous graph and the frame-rate block mutate.
//
// A requested rate above 0 is frames per second; 0 means no pacing; a negative value takes
// the source stream's rate: -2 half of it, -3 twice it, -1 and any other negative value the
// rate itself. The period is 1000 / rate milliseconds, truncated.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

namespace Hyx {

/// The frame period in whole milliseconds. sourceFps is the source stream's frame rate; a
/// value of 0 or less (no source, no stream information) gives 0 for the negative codes.
/// Rates too small to give a countable period saturate at 0xFFFFFFFF.
uint32_t FramePeriodMs(float requestedFps, float sourceFps);

/// Why a requested rate is neither a rate nor a code, "<rate> is not a number of frames a
/// second" for a NaN or an infinity (which would pace as no rate at all); empty for any other.
std::string WhyNoRate(float requestedFps);

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
