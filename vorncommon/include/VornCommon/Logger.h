#pragma once

// Logging sink of the platform layer. The host owns a Logger and hands the library a weak
// handle to it; log calls lock the handle and do nothing once the host's logger is gone.
// A Logger formats printf-style text and passes level, tag and text to its Write hook.
// LogMessage may be called from any thread; subclasses make Write thread-safe.

#include <VornCommon/Export.h>

#include <atomic>
#include <concepts>
#include <cstdarg>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace VornCommon {

/// Severity of a message; smaller is more severe. The library logs 2, 3 and 4.
enum class LogLevel : int {
    Fatal = 1,
    Error = 2,
    Warning = 3,
    Info = 4,
    Debug = 5
};

/// Upper-case name of a level ("ERROR"); values outside the enum give "LOG".
VORN_API const char* LogLevelName(LogLevel level);

/// Base of every log sink.
class VORN_API Logger {
public:
    virtual ~Logger();

    /// Formats the printf-style text (any length) and hands it to Write, unless the level
    /// is above the threshold, in which case nothing is formatted.
    void LogMessage(LogLevel level, const char* tag, const char* format, ...) __attribute__((format(printf, 4, 5)));

    /// LogMessage for callers that already hold a va_list.
    void LogMessageV(LogLevel level, const char* tag, const char* format, va_list args)
        __attribute__((format(printf, 4, 0)));

    /// Hands ready text to Write without formatting (no '%' interpretation).
    void LogText(LogLevel level, const char* tag, const std::string& text);

    /// Messages with a level above this one are dropped; default Debug (keep all).
    void SetMaxLevel(LogLevel level) { m_maxLevel.store(static_cast<int>(level), std::memory_order_relaxed); }
    /// The current threshold.
    LogLevel GetMaxLevel() const { return static_cast<LogLevel>(m_maxLevel.load(std::memory_order_relaxed)); }
    /// True when a message of this level would be written.
    bool IsEnabled(LogLevel level) const
    {
        return static_cast<int>(level) <= m_maxLevel.load(std::memory_order_relaxed);
    }

protected:
    /// Receives every message that passed the threshold; tag may be empty, never null.
    virtual void Write(LogLevel level, const char* tag, const std::string& text) = 0;

private:
    std::atomic<int> m_maxLevel{static_cast<int>(LogLevel::Debug)};
};

/// Owning handle of a logger (held by the host).
using SharedLoggerPtr = std::shared_ptr<Logger>;

/// Non-owning handle that the library keeps; Lock gives an empty pointer once the logger
/// is destroyed.
class WeakLoggerPtr {
public:
    WeakLoggerPtr() = default;
    /// From any shared pointer to a Logger or a subclass.
    template <class L>
    requires std::derived_from<L, Logger> WeakLoggerPtr(const std::shared_ptr<L>& logger) : m_logger(logger) {}

    /// A strong pointer for the duration of one call; empty when the logger is gone.
    SharedLoggerPtr Lock() const { return m_logger.lock(); }
    /// Forgets the logger.
    void Reset() { m_logger.reset(); }
    /// True when no logger is set or it has been destroyed.
    bool Expired() const { return m_logger.expired(); }

private:
    std::weak_ptr<Logger> m_logger;
};

/// Writes "LEVEL [tag] text" lines to standard error, one write per message.
class VORN_API ConsoleLogger : public Logger {
protected:
    void Write(LogLevel level, const char* tag, const std::string& text) override;
};

/// Keeps every message in memory (tests, hosts that show a log window). Thread-safe.
class VORN_API MemoryLogger : public Logger {
public:
    /// One recorded message.
    struct Entry {
        LogLevel level;
        std::string tag;
        std::string text;
    };

    /// A copy of the messages so far, oldest first.
    std::vector<Entry> Entries() const;
    /// Number of messages so far.
    size_t Count() const;
    /// True when some message's text contains the given fragment.
    bool Contains(std::string_view fragment) const;
    /// Forgets every message.
    void Clear();

protected:
    void Write(LogLevel level, const char* tag, const std::string& text) override;

private:
    mutable std::mutex m_mutex;
    std::vector<Entry> m_entries;
};

} // namespace VornCommon
