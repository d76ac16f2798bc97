#pragma once

// The walks a graph plays: the values of PlaybackMode and no other. The automatic frame order
// itself keeps any value (it stands still on one frame); a graph refuses one where it is given.

#include <Hyx/FrameOrderProvider.h>

#include <string>

namespace Hyx {

/// "<value> is not a playback mode" for a value outside PlaybackMode (0 to 5 and 255); empty
/// for a mode.
inline std::string WhyNoMode(PlaybackMode mode)
{
    const int32_t value = static_cast<int32_t>(mode);
    if ((value >= static_cast<int32_t>(PlaybackMode::ForwardOnce) &&
         value <= static_cast<int32_t>(PlaybackMode::PingpongInverse)) ||
        mode == PlaybackMode::Realtime)
        return {};
    return std::to_string(value) + " is not a playback mode";
}

} // namespace Hyx
