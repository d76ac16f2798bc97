#pragma once

// Clocks and sleep of the platform.

#include <VornCommon/Export.h>

#include <cstdint>

namespace VornCommon {

/// Milliseconds of a steady clock, wrapping at 2^32: take differences as unsigned 32-bit.
VORN_API uint32_t TickCountMs();

/// Wall-clock time in 100-nanosecond units since 1 January 1970 (UTC); 0 before that.
VORN_API uint64_t UnixTime100ns();

/// Sleeps the calling thread for at least `milliseconds`.
VORN_API void SleepMs(uint32_t milliseconds);

} // namespace VornCommon
