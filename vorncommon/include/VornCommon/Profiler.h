#pragma once

// A light CPU profiler, off unless a host creates the manager.
//
// Profiler: the process-wide manager, absent until createManager and after destroyManager.
// ProfilerManager: one ProfilerCpuThread record per registered thread; a thread registers and
// unregisters itself, before it ends (records are keyed by thread id, which the system reuses). ProfilerCpuThread: counts frames (flip) and, per zone, entries and the
// steady-clock time spent inside, with a stack for nested zones. Records are shared, so a
// thread that still holds its record stays safe when the manager goes away.
// ProfilerZone: a named zone, created once (usually a function-local static) and identified
// by its address. ProfilerZoneScope: enters a zone when a manager exists and has a record for
// the calling thread, and leaves it in its destructor.

#include <VornCommon/Export.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace VornCommon {

class VORN_API ProfilerZone {
public:
    explicit ProfilerZone(const char* name);
    ProfilerZone(const ProfilerZone&) = delete;
    ProfilerZone& operator=(const ProfilerZone&) = delete;

    const std::string& GetName() const { return _name; }

private:
    std::string _name;
};

/// What one thread recorded for one zone.
struct ProfilerZoneStats {
    std::string name;
    uint64_t enterCount = 0;
    uint64_t leaveCount = 0;
    std::chrono::nanoseconds totalTime{0};
};

class VORN_API ProfilerCpuThread {
public:
    explicit ProfilerCpuThread(std::string name);
    ProfilerCpuThread(const ProfilerCpuThread&) = delete;
    ProfilerCpuThread& operator=(const ProfilerCpuThread&) = delete;

    /// Enters a zone (nested inside the zones already entered).
    void enterZone(const ProfilerZone& zone);
    /// Leaves the innermost zone when it is `zone`; an unbalanced leave is ignored.
    void leaveZone(const ProfilerZone& zone);
    /// Ends one frame of this thread.
    void flip();

    const std::string& GetName() const { return _name; }
    uint64_t GetFrameCount() const;
    /// The record of one zone; counts 0 when the zone was never entered here.
    ProfilerZoneStats GetZoneStats(const ProfilerZone& zone) const;
    /// The records of every zone entered here, in no particular order.
    std::vector<ProfilerZoneStats> GetAllZoneStats() const;

private:
    struct OpenZone {
        const ProfilerZone* zone;
        std::chrono::steady_clock::time_point start;
    };

    const std::string _name;
    // Taken by the owning thread on every call and by readers on other threads.
    mutable std::mutex _mutex;
    uint64_t _frames = 0;
    std::vector<OpenZone> _open;
    std::map<const ProfilerZone*, ProfilerZoneStats> _zones;
};

class VORN_API ProfilerManager {
public:
    ProfilerManager() = default;
    ProfilerManager(const ProfilerManager&) = delete;
    ProfilerManager& operator=(const ProfilerManager&) = delete;

    /// Registers the calling thread under `name` and returns its record; a thread registered
    /// already keeps (and gets) its record.
    std::shared_ptr<ProfilerCpuThread> addThisCpuThread(const char* name);
    /// The calling thread's record, or null when it is not registered.
    std::shared_ptr<ProfilerCpuThread> getCpuThread() const;
    /// Unregisters the calling thread; nothing happens when it is not registered.
    void removeThisCpuThread();
    /// The records of every registered thread, in no particular order.
    std::vector<std::shared_ptr<ProfilerCpuThread>> GetCpuThreads() const;

private:
    mutable std::mutex _mutex;
    std::map<std::thread::id, std::shared_ptr<ProfilerCpuThread>> _threads;
};

class VORN_API Profiler {
public:
    Profiler() = delete;

    /// The process-wide manager, or null when profiling is off.
    static std::shared_ptr<ProfilerManager> getManager();
    /// Turns profiling on; returns the existing manager when there is one.
    static std::shared_ptr<ProfilerManager> createManager();
    /// Turns profiling off. Records still held by threads stay valid until released.
    static void destroyManager();
    /// True while a manager exists; a test without lock or call, for hot paths.
    static bool isActive() noexcept { return s_active.load(std::memory_order_acquire); }

private:
    static std::atomic<bool> s_active;
};

class VORN_API ProfilerZoneScope {
public:
    // Inline, so that a scope costs one test while profiling is off.
    explicit ProfilerZoneScope(const ProfilerZone& zone) : _zone(zone)
    {
        if (Profiler::isActive()) {
            enter();
        }
    }
    ~ProfilerZoneScope()
    {
        if (_thread) {
            _thread->leaveZone(_zone);
        }
    }
    ProfilerZoneScope(const ProfilerZoneScope&) = delete;
    ProfilerZoneScope& operator=(const ProfilerZoneScope&) = delete;

private:
    void enter();

    const ProfilerZone& _zone;
    std::shared_ptr<ProfilerCpuThread> _thread;
};

} // namespace VornCommon
