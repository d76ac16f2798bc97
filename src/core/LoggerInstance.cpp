#include <Hyx/LoggerInstance.h>

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

void LogMessage(VornCommon::LogLevel level, const char* format, ...)
{
    VornCommon::SharedLoggerPtr logger = GetHYXLoggerInstance().Lock();
    if (!logger)
        return;

    va_list args;
    va_start(args, format);
    logger->LogMessageV(level, "HYX2", format, args);
    va_end(args);
}

} // namespace Hyx
