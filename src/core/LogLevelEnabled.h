#pragma once
// Whether a log line would be written now, for the library's callers whose message
// arguments cost more than the check (texts built per call on hot paths).

#include <VornCommon/Logger.h>

namespace Hyx {

/// True when a logger instance is set and alive and lets the level through.
bool IsHYXLogLevelEnabled(VornCommon::LogLevel level);

} // namespace Hyx
