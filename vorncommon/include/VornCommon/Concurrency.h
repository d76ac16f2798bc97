#pragma once

// Thread helpers and the counting semaphore.
//
// Thread: names and priority of the calling thread. Linux addresses a thread by its kernel id,
// which only the thread itself knows cheaply, so every call acts on the calling thread.
// CountingSemaphore: a mutex, a condition variable and an unsigned count. Acquire waits while
// the count is 0 and then takes one; Release adds to the count and wakes waiters.

#include <VornCommon/Export.h>

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>

namespace VornCommon {
namespace concurrency {

class VORN_API Thread {
public:
    /// Longest name the kernel keeps (bytes, without the terminating NUL).
    static constexpr std::size_t MaxNameLength = 15;

    Thread() = delete;

    /// Names the calling thread. Longer names are cut to MaxNameLength bytes (never inside a
    /// UTF-8 sequence); a null name is ignored.
    static void setCurrentThreadName(const char* name);
    static void setCurrentThreadName(const std::string& name);

    /// The calling thread's name as the kernel holds it ("" when it cannot be read).
    static std::string GetCurrentThreadName();

    /// Best effort: lowers the calling thread's nice value by 2 (floor -20). Never switches to
    /// a real-time policy. Returns false when the system refused (unprivileged users usually
    /// cannot lower a nice value); the thread then runs on unchanged.
    static bool raiseCurrentThreadPriority();
};

} // namespace concurrency

class VORN_API CountingSemaphore {
public:
    explicit CountingSemaphore(unsigned initialCount = 0);
    CountingSemaphore(const CountingSemaphore&) = delete;
    CountingSemaphore& operator=(const CountingSemaphore&) = delete;

    /// Waits while the count is 0, then takes one.
    void Acquire();
    /// Takes one when the count is above 0; never waits.
    bool TryAcquire();
    /// Adds n to the count (saturating) and wakes as many waiters.
    void Release(unsigned n = 1);
    /// The current count (a snapshot).
    unsigned Count() const;

private:
    mutable std::mutex _mutex;
    std::condition_variable _available;
    unsigned _count;
};

} // namespace VornCommon
