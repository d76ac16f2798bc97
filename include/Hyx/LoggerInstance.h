#pragma once

// The library-wide logger instance: a weak handle to the host's logger, set by the host,
// through which every log line of the library goes with the tag "HYX2".
//
// Contract:
// - Nothing is logged while no logger is set or after the host's logger is destroyed; the
//   message is then not even formatted.
// - Set and Reset store the handle, then tell every registered listener once, in pointer
//   order, while the registration lock is held: a listener must not call Set, Reset,
//   Register or Unregister from inside OnLoggerInstanceChanged. It may log.
// - The handle is read under its own lock, so logging on many threads while the host sets
//   the logger is safe.
// - The library never owns or deletes a listener.
// - A host's logger that throws: LogMessage passes the exception on to its caller. A filter
//   that logs through it from a hook thus throws from that hook, and the graph takes it as
//   any exception of a hook (Graph.h, AsyncGraph.h). The library's filter classes log their
//   own lines so too (a layer a decompressor cannot decode, a frame a mutate drops, a rate
//   the frame-rate block mutate refuses), to the graph from a hook and to the host's call
//   otherwise.
// - Every other line the library logs drops the logger's exception, and the line is lost:
//   the call goes on and gives what it gives under a logger that does not throw. So none of
//   the readers, writers, codecs, layers, factories, filter parameters, graph file loads and
//   saves, the graph's own calls (AddAndConnect's "Cannot connect ...", SetFilterParamValue,
//   the recording calls, graph descriptions) or the plug-in database lets it out, nor any
//   constructor or destructor or thread of the library.

#include <Hyx/Export.h>

#include <VornCommon/Logger.h>

namespace Hyx {

/// Told of every change of the logger instance.
class HYX_API IHYXLoggerInstanceListener {
public:
    virtual ~IHYXLoggerInstanceListener();
    /// Receives a copy of the new handle (empty after a reset).
    virtual void OnLoggerInstanceChanged(VornCommon::WeakLoggerPtr logger) = 0;
};

/// Stores the handle, then tells every registered listener.
HYX_API void SetHYXLoggerInstance(VornCommon::WeakLoggerPtr logger);
/// Empties the handle, then tells every registered listener.
HYX_API void ResetHYXLoggerInstance();
/// A copy of the stored handle.
HYX_API VornCommon::WeakLoggerPtr GetHYXLoggerInstance();
/// Adds a listener (once); it learns of the next Set or Reset, not of the current handle.
HYX_API void RegisterHYXLoggerInstanceListener(IHYXLoggerInstanceListener* listener);
/// Removes a listener; an absent one is ignored.
HYX_API void UnregisterHYXLoggerInstanceListener(IHYXLoggerInstanceListener* listener);

/// Logs a printf-style message with the tag "HYX2" through the logger instance, when one
/// is set and alive. 64-bit and unsigned arguments are cast to long long, unsigned long
/// long or int. What the logger throws leaves this call.
HYX_API void LogMessage(VornCommon::LogLevel level, const char* format, ...) __attribute__((format(printf, 2, 3)));

} // namespace Hyx
