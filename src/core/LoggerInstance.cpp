#include <Hyx/LoggerInstance.h>

#include "core/LogLevelEnabled.h"

#include <atomic>
#include <cstdarg>
#include <mutex>
#include <set>

namespace Hyx {

namespace {

// Created on first use, so the order of static initialisers across files does not matter,
// and never destroyed, so destructors of other statics may still log at exit.
struct LoggerInstanceState {
    std::mutex registrationMutex; // serialises Set/Reset/Register/Unregister and the listener set
    std::set<IHYXLoggerInstanceListener*> listeners;
    std::mutex handleMutex; // guards only the handle, so listeners may log while being told
    VornCommon::WeakLoggerPtr handle;
    std::atomic<bool> handleSet{false}; // lets a line without a logger skip the lock
};

LoggerInstanceState& state()
{
    static LoggerInstanceState* instance = new LoggerInstanceState;
    return *instance;
}

void storeAndNotify(const VornCommon::WeakLoggerPtr& logger)
{
    LoggerInstanceState& s = state();
    std::lock_guard registration(s.registrationMutex);
    {
        std::lock_guard handle(s.handleMutex);
        s.handle = logger;
        s.handleSet.store(!logger.Expired(), std::memory_order_release);
    }
    for (IHYXLoggerInstanceListener* listener : s.listeners)
        listener->OnLoggerInstanceChanged(logger);
}

} // namespace

IHYXLoggerInstanceListener::~IHYXLoggerInstanceListener() = default;

void SetHYXLoggerInstance(VornCommon::WeakLoggerPtr logger)
{
    storeAndNotify(logger);
}

void ResetHYXLoggerInstance()
{
    storeAndNotify(VornCommon::WeakLoggerPtr());
}

VornCommon::WeakLoggerPtr GetHYXLoggerInstance()
{
    LoggerInstanceState& s = state();
    std::lock_guard handle(s.handleMutex);
    return s.handle;
}

void RegisterHYXLoggerInstanceListener(IHYXLoggerInstanceListener* listener)
{
    if (listener == nullptr)
        return;
    LoggerInstanceState& s = state();
    std::lock_guard registration(s.registrationMutex);
    s.listeners.insert(listener);
}

void UnregisterHYXLoggerInstanceListener(IHYXLoggerInstanceListener* listener)
{
    LoggerInstanceState& s = state();
    std::lock_guard registration(s.registrationMutex);
    s.listeners.erase(listener);
}

bool IsHYXLogLevelEnabled(VornCommon::LogLevel level)
{
    if (!state().handleSet.load(std::memory_order_acquire))
        return false;
    const VornCommon::SharedLoggerPtr logger = GetHYXLoggerInstance().Lock();
    return logger && logger->IsEnabled(level);
}

namespace {

void logV(VornCommon::LogLevel level, const char* format, va_list args)
{
    if (!state().handleSet.load(std::memory_order_acquire))
        return;
    VornCommon::SharedLoggerPtr logger = GetHYXLoggerInstance().Lock();
    if (!logger)
        return;
    logger->LogMessageV(level, "HYX2", format, args);
}

} // namespace

void LogMessage(VornCommon::LogLevel level, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    try {
        logV(level, format, args);
    } catch (...) {
        // Passed on to the caller: a filter's hook that logs throws what the logger threw.
        va_end(args);
        throw;
    }
    va_end(args);
}

void LogLine(VornCommon::LogLevel level, const char* format, ...) noexcept
{
    va_list args;
    va_start(args, format);
    try {
        logV(level, format, args);
    } catch (...) {
        // The host's logger broke on this line: it is lost, the library's call goes on.
    }
    va_end(args);
}

} // namespace Hyx
