#pragma once

// Process-wide settings of the host application that the library reads: the host id (used
// as stream id of live atoms) and whether stream selection is on. The host sets them;
// readers on any thread see the latest value.

#include <VornCommon/Export.h>

#include <atomic>

namespace VornCommon {

/// The one settings object of the process.
class VORN_API HostSettings {
public:
    /// The process-wide instance (created on first use, never destroyed before exit).
    static HostSettings* GetInstance();

    /// Whether targets keep their pulled atoms for stream selection; default false.
    bool GetEnableStreamSelection() const { return m_enableStreamSelection.load(std::memory_order_relaxed); }
    /// Sets the stream-selection switch.
    void SetEnableStreamSelection(bool enable) { m_enableStreamSelection.store(enable, std::memory_order_relaxed); }

    /// Id of this capture host; default 0.
    int GetHostId() const { return m_hostId.load(std::memory_order_relaxed); }
    /// Sets the host id.
    void SetHostId(int id) { m_hostId.store(id, std::memory_order_relaxed); }

    HostSettings(const HostSettings&) = delete;
    HostSettings& operator=(const HostSettings&) = delete;

private:
    HostSettings() = default;

    std::atomic<bool> m_enableStreamSelection{false};
    std::atomic<int> m_hostId{0};
};

} // namespace VornCommon
