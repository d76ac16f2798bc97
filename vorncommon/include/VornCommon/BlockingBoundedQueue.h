#pragma once

// First-in-first-out queue of at most `capacity` elements between threads.
//
// Push waits for a free slot, Pull waits for an element; TryPush and TryPull never wait.
// Close ends every wait for good: pending and later pushes fail without appending, pulls take
// the elements still held and then return an empty element without waiting. A queue of
// capacity 0 holds nothing: its blocking Push waits until Close. T must be default
// constructible (the empty element) and movable; std::shared_ptr and std::vector are typical.
// Size never locks: the count is kept in an atomic that changes only under the lock, beside
// the elements, so a reader sees a count the queue really had.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <utility>

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
        std::unique_lock<std::mutex> lock(_mutex);
        if (!_closed && _items.size() >= _capacity) {
            ++_waitingPushers;
            _notFull.wait(lock, [this] { return _closed || _items.size() < _capacity; });
            --_waitingPushers;
        }
        if (_closed) {
            return false;
        }
        _items.push_back(std::move(value));
        countItems();
        wakePuller(lock);
        return true;
    }

    /// Appends when a slot is free and the queue is open; never waits.
    bool TryPush(T value)
    {
        std::unique_lock<std::mutex> lock(_mutex);
        if (_closed || _items.size() >= _capacity) {
            return false;
        }
        _items.push_back(std::move(value));
        countItems();
        wakePuller(lock);
        return true;
    }

    /// Waits for an element and takes it; on a closed and empty queue returns an empty element.
    T Pull()
    {
        std::unique_lock<std::mutex> lock(_mutex);
        if (!_closed && _items.empty()) {
            ++_waitingPullers;
            _notEmpty.wait(lock, [this] { return _closed || !_items.empty(); });
            --_waitingPullers;
        }
        if (_items.empty()) {
            return T{};
        }
        T value = std::move(_items.front());
        _items.pop_front();
        countItems();
        wakePusher(lock);
        return value;
    }

    /// Takes the front element when there is one; never waits.
    bool TryPull(T& out)
    {
        std::unique_lock<std::mutex> lock(_mutex);
        if (_items.empty()) {
            return false;
        }
        out = std::move(_items.front());
        _items.pop_front();
        countItems();
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
        std::deque<T> dropped;
        {
            std::lock_guard<std::mutex> lock(_mutex);
            dropped.swap(_items);
            if (!_closed && _capacity > 0) {
                _items.emplace_back();
            }
            countItems();
        }
        _notFull.notify_all();
        _notEmpty.notify_one();
        // `dropped` is released here, outside the lock.
    }

    /// Wakes every waiter; from now on pushes fail and pulls never wait.
    void Close()
    {
        {
            std::lock_guard<std::mutex> lock(_mutex);
            _closed = true;
        }
        _notFull.notify_all();
        _notEmpty.notify_all();
    }

    bool IsClosed() const
    {
        std::lock_guard<std::mutex> lock(_mutex);
        return _closed;
    }

private:
    // Caller holds the lock.
    void countItems() { _size.store(static_cast<uint32_t>(_items.size()), std::memory_order_release); }

    // Signals only when someone waits, after unlocking, so an uncontended hand-off makes no
    // condition-variable call at all.
    void wakePuller(std::unique_lock<std::mutex>& lock)
    {
        const bool waiting = _waitingPullers > 0;
        lock.unlock();
        if (waiting) {
            _notEmpty.notify_one();
        }
    }
    void wakePusher(std::unique_lock<std::mutex>& lock)
    {
        const bool waiting = _waitingPushers > 0;
        lock.unlock();
        if (waiting) {
            _notFull.notify_one();
        }
    }

    const uint32_t _capacity;
    mutable std::mutex _mutex;
    std::condition_variable _notFull;
    std::condition_variable _notEmpty;
    std::deque<T> _items;
    std::atomic<uint32_t> _size{0};
    uint32_t _waitingPushers = 0;
    uint32_t _waitingPullers = 0;
    bool _closed = false;
};

} // namespace VornCommon
