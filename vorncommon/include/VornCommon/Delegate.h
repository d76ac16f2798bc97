#pragma once

// Multicast event: a list of raw listener pointers, owned by nobody.
//
// The list is guarded by a recursive mutex. An emission takes a snapshot of the list under the
// mutex and calls every listener of the snapshot, in the order they were added, without holding
// the mutex. A listener may therefore add or remove listeners (or emit again) during an
// emission; the change takes effect from the next emission, so a listener removed meanwhile is
// still called once in the running one and must stay alive until that emission ends. Adding a
// null or an already present listener does nothing. The snapshot is shared and copied only when
// the list changes, so an emission does not allocate.

#include <cstddef>
#include <memory>
#include <mutex>
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

    /// Removes a listener; false when it was not present.
    bool Remove(Listener* listener)
    {
        std::lock_guard<std::recursive_mutex> lock(_mutex);
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
        return true;
    }

    /// Removes every listener.
    void Clear()
    {
        std::lock_guard<std::recursive_mutex> lock(_mutex);
        _listeners.reset();
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
        std::shared_ptr<const List> snapshot;
        {
            std::lock_guard<std::recursive_mutex> lock(_mutex);
            snapshot = _listeners;
        }
        if (!snapshot) {
            return;
        }
        for (Listener* listener : *snapshot) {
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
    // Never changed in place: an emission may be reading it without the mutex.
    std::shared_ptr<const List> _listeners;
};

} // namespace signali
} // namespace VornCommon
