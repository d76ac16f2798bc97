#pragma once

// First-in-first-out queue of at most `capacity` elements between threads.
//
// Push waits for a free slot, Pull waits for an element; TryPush and TryPull never wait.
// Close ends every wait for good: pending and later pushes fail without appending, pulls take
// the elements still held and then return an empty element without waiting. A queue of
// capacity 0 holds nothing: its blocking Push waits until Close. T must be default
// constructible (the empty element) and movable; std::shared_ptr and std::vector are typical.
// Size never locks: the count is kept in an atomic that changes only under the lock, beside
// the elements, so a reader sees a count the queue really had. The elements live in a ring
// that grows (up to the capacity) only when full, so a steady flow allocates nothing. The lock
// is a spin lock (every section is short); only the waits sleep.

#include <VornCommon/Concurrency.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <utility>
#include <vector>

namespace VornCommon {

template <class T>
class BlockingBoundedQueue {
public:
    explicit BlockingBoundedQueue(uint32_t capacity) : _capacity(capacity) {}
    BlockingBoundedQueue(const BlockingBoundedQueue&) = delete;
    BlockingBoundedQueue& operator=(const BlockingBoundedQueue&) = delete;

    uint32_t Capacity() const { return _capacity; }

    /// Number of elements held (a snapshot).
    uint32_t Size() const { return _size.load(std::memory_order_acquire); }

    /// Waits for a free slot and appends; false (nothing appended) once the queue is closed.
    bool Push(T value)
    {
        std::unique_lock<concurrency::SpinLock> lock(_mutex);
        if (!_closed && _count >= _capacity) {
            ++_waitingPushers;
            _notFull.wait(lock, [this] { return _closed || _count < _capacity; });
            --_waitingPushers;
        }
        if (_closed) {
            return false;
        }
        pushBack(std::move(value));
        wakePuller(lock);
        return true;
    }

    /// Appends when a slot is free and the queue is open; never waits.
    bool TryPush(T value)
    {
        std::unique_lock<concurrency::SpinLock> lock(_mutex);
        if (_closed || _count >= _capacity) {
            return false;
        }
        pushBack(std::move(value));
        wakePuller(lock);
        return true;
    }

    /// Waits for an element and takes it; on a closed and empty queue returns an empty element.
    T Pull()
    {
        std::unique_lock<concurrency::SpinLock> lock(_mutex);
        if (!_closed && _count == 0) {
            ++_waitingPullers;
            _notEmpty.wait(lock, [this] { return _closed || _count > 0; });
            --_waitingPullers;
        }
        if (_count == 0) {
            return T{};
        }
        T value = popFront();
        wakePusher(lock);
        return value;
    }

    /// Takes the front element when there is one; never waits.
    bool TryPull(T& out)
    {
        std::unique_lock<concurrency::SpinLock> lock(_mutex);
        if (_count == 0) {
            return false;
        }
        out = popFront();
        wakePusher(lock);
        return true;
    }

    /// Takes the front element, or returns an empty element when there is none; never waits.
    T TryPull()
    {
        T value{};
        TryPull(value);
        return value;
    }

    /// Drops every element and leaves one empty element, which the next pull returns. On a
    /// closed queue or one of capacity 0 nothing is left (nothing could be pushed either).
    void Flush()
    {
        std::vector<T> dropped;
        {
            std::lock_guard<concurrency::SpinLock> lock(_mutex);
            dropped.swap(_ring);
            _head = 0;
            _count = 0;
            if (!_closed && _capacity > 0) {
                pushBack(T{});
            } else {
                countItems();
            }
        }
        _notFull.notify_all();
        _notEmpty.notify_one();
        // `dropped` is released here, outside the lock.
    }

    /// Wakes every waiter; from now on pushes fail and pulls never wait.
    void Close()
    {
        {
            std::lock_guard<concurrency::SpinLock> lock(_mutex);
            _closed = true;
        }
        _notFull.notify_all();
        _notEmpty.notify_all();
    }

    bool IsClosed() const
    {
        std::lock_guard<concurrency::SpinLock> lock(_mutex);
        return _closed;
    }

private:
    // These three: the caller holds the lock.
    void countItems() { _size.store(_count, std::memory_order_release); }
    void pushBack(T&& value)
    {
        if (_count == _ring.size()) {
            // Full ring, not full queue: double it (at most to the capacity), oldest first.
            const std::size_t grown = std::min<std::size_t>(_capacity, std::max<std::size_t>(4, 2 * _ring.size()));
            std::vector<T> ring(grown);
            for (uint32_t i = 0; i < _count; ++i) {
                ring[i] = std::move(_ring[(_head + i) % _ring.size()]);
            }
            _ring.swap(ring);
            _head = 0;
        }
        std::size_t tail = _head + _count;
        if (tail >= _ring.size()) {
            tail -= _ring.size();
        }
        _ring[tail] = std::move(value);
        ++_count;
        countItems();
    }
    T popFront()
    {
        T value = std::move(_ring[_head]);
        if (++_head == _ring.size()) {
            _head = 0;
        }
        --_count;
        countItems();
        return value;
    }

    // Signals only when someone waits, after unlocking, so an uncontended hand-off makes no
    // condition-variable call at all.
    void wakePuller(std::unique_lock<concurrency::SpinLock>& lock)
    {
        const bool waiting = _waitingPullers > 0;
        lock.unlock();
        if (waiting) {
            _notEmpty.notify_one();
        }
    }
    void wakePusher(std::unique_lock<concurrency::SpinLock>& lock)
    {
        const bool waiting = _waitingPushers > 0;
        lock.unlock();
        if (waiting) {
            _notFull.notify_one();
        }
    }

    const uint32_t _capacity;
    // Held for a few instructions at a time; waits sleep on the condition variables.
    mutable concurrency::SpinLock _mutex;
    std::condition_variable_any _notFull;
    std::condition_variable_any _notEmpty;
    std::vector<T> _ring;
    std::size_t _head = 0; // the front element's slot
    uint32_t _count = 0;
    std::atomic<uint32_t> _size{0};
    uint32_t _waitingPushers = 0;
    uint32_t _waitingPullers = 0;
    bool _closed = false;
};

} // namespace VornCommon
