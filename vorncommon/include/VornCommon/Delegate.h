#pragma once

// Multicast event: a list of raw listener pointers, owned by nobody.
//
// The list is guarded by a recursive mutex. An emission takes a snapshot of the list under the
// mutex and calls every listener of the snapshot, in the order they were added, without holding
// the mutex. A listener may therefore add or remove listeners (or emit again) during an
// emission; the change takes effect from the next emission. Remove and Clear called on a thread
// that is not itself emitting wait until every emission on other threads that may still call the
// removed listeners has ended, so a listener may be destroyed as soon as Remove returns (a
// listener removed from inside an emission may still be called once in the running ones).
// Adding a null or an already present listener does nothing. The snapshot is shared and copied
// only when the list changes, so an emission does not allocate.

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace VornCommon {
namespace signali {

template <class Listener>
class Delegate {
public:
    Delegate() = default;
    Delegate(const Delegate&) = delete;
    Delegate& operator=(const Delegate&) = delete;

    /// Appends a listener; false (and no change) for null or one already present.
    bool Add(Listener* listener)
    {
        if (listener == nullptr) {
            return false;
        }
        std::lock_guard<std::recursive_mutex> lock(_mutex);
        if (contains(listener)) {
            return false;
        }
        auto next = _listeners ? std::make_shared<List>(*_listeners) : std::make_shared<List>();
        next->push_back(listener);
        _listeners = std::move(next);
        return true;
    }

    /// Removes a listener; false when it was not present. Waits for emissions on other threads
    /// that may still call it (not when called from inside an emission).
    bool Remove(Listener* listener)
    {
        std::unique_lock<std::recursive_mutex> lock(_mutex);
        if (listener == nullptr || !contains(listener)) {
            return false;
        }
        auto next = std::make_shared<List>();
        next->reserve(_listeners->size() - 1);
        for (Listener* entry : *_listeners) {
            if (entry != listener) {
                next->push_back(entry);
            }
        }
        _listeners = std::move(next);
        waitForOtherEmissions(lock, listener);
        return true;
    }

    /// Removes every listener; waits as Remove does.
    void Clear()
    {
        std::unique_lock<std::recursive_mutex> lock(_mutex);
        _listeners.reset();
        waitForOtherEmissions(lock, nullptr);
    }

    bool Contains(Listener* listener) const
    {
        std::lock_guard<std::recursive_mutex> lock(_mutex);
        return contains(listener);
    }

    std::size_t Count() const
    {
        std::lock_guard<std::recursive_mutex> lock(_mutex);
        return _listeners ? _listeners->size() : 0;
    }

    /// Calls f(listener) for every listener of the current list, in order of addition.
    template <class F>
    void Emit(F&& f) const
    {
        InFlight self;
        {
            std::lock_guard<std::recursive_mutex> lock(_mutex);
            if (!_listeners) {
                return;
            }
            self.list = _listeners;
            self.next = _inFlight;
            _inFlight = &self;
        }
        // Unlinks the record also when a listener throws.
        struct Unlink {
            const Delegate& delegate;
            InFlight& record;
            ~Unlink() { delegate.endEmission(record); }
        } unlink{*this, self};
        for (Listener* listener : *self.list) {
            f(*listener);
        }
    }

    /// Calls (listener.*method)(args...) for every listener; the arguments are passed to each
    /// listener as lvalues, never moved from.
    template <class... Params, class... Args>
    void Emit(void (Listener::*method)(Params...), const Args&... args) const
    {
        Emit([&](Listener& listener) { (listener.*method)(args...); });
    }

private:
    using List = std::vector<Listener*>;

    // One running emission, linked from the delegate while it runs (lives on the emitter's stack).
    struct InFlight {
        std::thread::id thread = std::this_thread::get_id();
        std::shared_ptr<const List> list;
        InFlight* next = nullptr;
    };

    void endEmission(InFlight& record) const
    {
        std::lock_guard<std::recursive_mutex> lock(_mutex);
        for (InFlight** link = &_inFlight; *link != nullptr; link = &(*link)->next) {
            if (*link == &record) {
                *link = record.next;
                break;
            }
        }
        _emissionEnded.notify_all();
    }

    // True while an emission on another thread may still call the listener (null: any).
    bool othersMayCall(Listener* listener) const
    {
        const std::thread::id self = std::this_thread::get_id();
        for (const InFlight* e = _inFlight; e != nullptr; e = e->next) {
            if (e->thread == self) {
                return false; // called from inside an emission: waiting would never end
            }
        }
        for (const InFlight* e = _inFlight; e != nullptr; e = e->next) {
            for (Listener* entry : *e->list) {
                if (listener == nullptr || entry == listener) {
                    return true;
                }
            }
        }
        return false;
    }

    void waitForOtherEmissions(std::unique_lock<std::recursive_mutex>& lock, Listener* listener) const
    {
        _emissionEnded.wait(lock, [&] { return !othersMayCall(listener); });
    }

    bool contains(Listener* listener) const
    {
        if (!_listeners) {
            return false;
        }
        for (Listener* entry : *_listeners) {
            if (entry == listener) {
                return true;
            }
        }
        return false;
    }

    mutable std::recursive_mutex _mutex;
    mutable std::condition_variable_any _emissionEnded;
    mutable InFlight* _inFlight = nullptr;
    // Never changed in place: an emission may be reading it without the mutex.
    std::shared_ptr<const List> _listeners;
};

} // namespace signali
} // namespace VornCommon
