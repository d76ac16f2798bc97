#pragma once

// Thread helpers and the counting semaphore.
//
// Thread: names and priority of the calling thread. Linux addresses a thread by its kernel id,
// which only the thread itself knows cheaply, so every call acts on the calling thread.
// CountingSemaphore: a mutex, a condition variable and an unsigned count. Acquire waits while
// the count is 0 and then takes one; Release adds to the count and wakes waiters.
// SpinBriefly: the few microseconds a thread about to sleep waits awake first, so a hand-off
// that comes soon costs neither a sleep nor a wake-up.

#include <VornCommon/Export.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>

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

/// Tests `ready` until it holds or about `limit` has passed, hinting the CPU between tests and
/// yielding it between rounds; returns the last result. Meant for a condition another thread
/// brings about soon.
template <class Ready>
bool SpinBriefly(Ready&& ready, std::chrono::nanoseconds limit = std::chrono::microseconds(5))
{
    const auto end = std::chrono::steady_clock::now() + limit;
    for (bool first = true;; first = false) {
        for (int i = 0; i < 32; ++i) {
            if (ready())
                return true;
#if defined(__x86_64__) || defined(__i386__)
            __builtin_ia32_pause();
#endif
        }
        if (std::chrono::steady_clock::now() >= end)
            return ready();
        // Past the first round the other thread may be waiting for this very CPU.
        if (!first)
            std::this_thread::yield();
    }
}

/// A lock for sections of a few instructions (the queues between filters): taking it is one
/// exchange and releasing it one store, with no call into the system. A contended locker
/// spins, then yields its CPU between tries, so a holder that was preempted still gets on.
class SpinLock {
public:
    void lock()
    {
        if (!_held.exchange(true, std::memory_order_acquire))
            return;
        for (unsigned tries = 0;; ++tries) {
            while (_held.load(std::memory_order_relaxed)) {
                if (++tries < 64) {
#if defined(__x86_64__) || defined(__i386__)
                    __builtin_ia32_pause();
#endif
                } else {
                    std::this_thread::yield();
                }
            }
            if (!_held.exchange(true, std::memory_order_acquire))
                return;
        }
    }
    bool try_lock()
    {
        return !_held.load(std::memory_order_relaxed) && !_held.exchange(true, std::memory_order_acquire);
    }
    void unlock()
    {
        _held.store(false, std::memory_order_release);
    }

private:
    std::atomic<bool> _held{false};
};

/// Locks the (unlocked) lock's mutex, trying for a few microseconds before it blocks: on a
/// hand-off between threads the holder lets go within a microsecond, and a blocked locker would
/// cost both threads a trip through the kernel.
template <class Lock>
void LockBriefly(Lock& lock)
{
    if (!SpinBriefly([&lock] { return lock.try_lock(); }))
        lock.lock();
}

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
