#include <VornCommon/Logger.h>

#include <cstdio>

namespace VornCommon {

const char* LogLevelName(LogLevel level)
{
    switch (level) {
    case LogLevel::Fatal: return "FATAL";
    case LogLevel::Error: return "ERROR";
    case LogLevel::Warning: return "WARNING";
    case LogLevel::Info: return "INFO";
    case LogLevel::Debug: return "DEBUG";
    }
    return "LOG";
}

Logger::~Logger() = default;

void Logger::LogMessage(LogLevel level, const char* tag, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    LogMessageV(level, tag, format, args);
    va_end(args);
}

void Logger::LogMessageV(LogLevel level, const char* tag, const char* format, va_list args)
{
    if (!IsEnabled(level))
        return;
    if (!format)
        format = "";
    // Most messages fit the stack buffer; longer ones are formatted a second time into a
    // buffer of the exact size, so nothing is ever cut.
    char small[512];
    va_list again;
    va_copy(again, args);
    const int needed = std::vsnprintf(small, sizeof small, format, args);
    std::string text;
    if (needed < 0) {
        text = format; // invalid conversion: keep the raw format rather than nothing
    } else if (static_cast<size_t>(needed) < sizeof small) {
        text.assign(small, static_cast<size_t>(needed));
    } else {
        text.resize(static_cast<size_t>(needed));
        std::vsnprintf(text.data(), text.size() + 1, format, again);
    }
    va_end(again);
    Write(level, tag ? tag : "", text);
}

void Logger::LogText(LogLevel level, const char* tag, const std::string& text)
{
    if (IsEnabled(level))
        Write(level, tag ? tag : "", text);
}

void ConsoleLogger::Write(LogLevel level, const char* tag, const std::string& text)
{
    std::string line = LogLevelName(level);
    line += " [";
    line += tag;
    line += "] ";
    line += text;
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
}

std::vector<MemoryLogger::Entry> MemoryLogger::Entries() const
{
    std::lock_guard lock(m_mutex);
    return m_entries;
}

size_t MemoryLogger::Count() const
{
    std::lock_guard lock(m_mutex);
    return m_entries.size();
}

bool MemoryLogger::Contains(std::string_view fragment) const
{
    std::lock_guard lock(m_mutex);
    for (const Entry& entry : m_entries)
        if (entry.text.find(fragment) != std::string::npos)
            return true;
    return false;
}

void MemoryLogger::Clear()
{
    std::lock_guard lock(m_mutex);
    m_entries.clear();
}

void MemoryLogger::Write(LogLevel level, const char* tag, const std::string& text)
{
    std::lock_guard lock(m_mutex);
    m_entries.push_back({level, tag, text});
}

} // namespace VornCommon
