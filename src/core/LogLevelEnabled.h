#pragma once
// The library's own ways into the logger instance: whether a line would be written now, for
// callers whose message arguments cost more than the check (texts built per call on hot
// paths), and the entry point of the library's own lines.

#include <VornCommon/Logger.h>

namespace Hyx {

/// True when a logger instance is set and alive and lets the level through.
bool IsHYXLogLevelEnabled(VornCommon::LogLevel level);

/// LogMessage for a line of the library's own: a host's logger that throws loses the line and
/// nothing else, so no library call fails, throws or ends the process because of it.
/// (LogMessage itself passes the logger's exception on, for filters that log from a hook.)
void LogLine(VornCommon::LogLevel level, const char* format, ...) noexcept __attribute__((format(printf, 2, 3)));

} // namespace Hyx
