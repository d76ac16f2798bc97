#pragma once

// The frame-rate codes shared by the asynchronous graph and the frame-rate block mutate.
//
// A requested rate above 0 is frames per second; 0 means no pacing; a negative value takes
// the source stream's rate: -2 half of it, -3 twice it, -1 and any other negative value the
// rate itself. The period is 1000 / rate milliseconds, truncated.

#include <cstdint>

namespace Hyx {

/// The frame period in whole milliseconds. sourceFps is the source stream's frame rate; a
/// value of 0 or less (no source, no stream information) gives 0 for the negative codes.
/// Rates too small to give a countable period saturate at 0xFFFFFFFF.
uint32_t FramePeriodMs(float requestedFps, float sourceFps);

} // namespace Hyx
