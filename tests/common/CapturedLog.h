#pragma once

// Captures the library's log lines for the lifetime of the object.

#include <Hyx/LoggerInstance.h>

#include <VornCommon/Logger.h>

#include <memory>
#include <string>
#include <vector>

class CapturedLog {
public:
    CapturedLog() : _logger(std::make_shared<VornCommon::MemoryLogger>())
    {
        Hyx::SetHYXLoggerInstance(VornCommon::WeakLoggerPtr(_logger));
    }
    ~CapturedLog() { Hyx::ResetHYXLoggerInstance(); }
    CapturedLog(const CapturedLog&) = delete;
    CapturedLog& operator=(const CapturedLog&) = delete;

    std::vector<VornCommon::MemoryLogger::Entry> Entries() const { return _logger->Entries(); }
    /// Number of lines with exactly this level and text.
    int Count(VornCommon::LogLevel level, const std::string& text) const
    {
        int n = 0;
        for (const auto& e : _logger->Entries())
            n += e.level == level && e.text == text && e.tag == "HYX2";
        return n;
    }
    bool Contains(const std::string& piece) const { return _logger->Contains(piece); }
    void Clear() { _logger->Clear(); }

private:
    std::shared_ptr<VornCommon::MemoryLogger> _logger;
};
