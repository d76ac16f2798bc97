#pragma once

// The shared-pointer wrappers through which hosts hold layers, filters and graphs. Each
// holds one heap-allocated std::shared_ptr, so its own size never changes.
//
// Contract:
// - From a raw pointer: takes ownership (and sets the object's enable_shared_from_this).
// - From a std::shared_ptr, by copy and by copy assignment: shares ownership.
// - Assigning the raw pointer already held changes nothing.
// - Not synchronised: one wrapper object is used by one thread at a time; copies on other
//   threads are independent.
// The members are templates of the base, so the wrappers work with the object types only
// forward-declared until a member that needs them is used.

#include <concepts>
#include <cstddef>
#include <memory>

namespace Hyx {

class DataLayer;
class Filter;
class Graph;

template <class T>
class SharedObjectPtr {
public:
    /// Holds nothing.
    SharedObjectPtr() : _ptr(new std::shared_ptr<T>()) {}
    SharedObjectPtr(std::nullptr_t) : SharedObjectPtr() {}
    /// Takes ownership of a new object.
    template <class U>
    requires std::derived_from<U, T>
    explicit SharedObjectPtr(U* raw) : _ptr(new std::shared_ptr<T>(raw)) {}
    /// Shares ownership.
    template <class U>
    requires std::derived_from<U, T> || std::same_as<U, T> SharedObjectPtr(std::shared_ptr<U> shared)
        : _ptr(new std::shared_ptr<T>(std::move(shared)))
    {
    }
    SharedObjectPtr(const SharedObjectPtr& other) : _ptr(new std::shared_ptr<T>(*other._ptr)) {}
    ~SharedObjectPtr() { delete _ptr; }

    SharedObjectPtr& operator=(const SharedObjectPtr& other)
    {
        *_ptr = *other._ptr;
        return *this;
    }
    /// Takes ownership of raw, releasing the old object, unless raw is already held.
    template <class U>
    requires std::derived_from<U, T> SharedObjectPtr& operator=(U* raw)
    {
        if (raw != _ptr->get())
            _ptr->reset(raw);
        return *this;
    }
    SharedObjectPtr& operator=(std::nullptr_t)
    {
        _ptr->reset();
        return *this;
    }

    explicit operator bool() const { return static_cast<bool>(*_ptr); }
    T* operator->() const { return _ptr->get(); }
    T& operator*() const { return **_ptr; }
    T* Get() const { return _ptr->get(); }

protected:
    std::shared_ptr<T>* _ptr;
};

/// A host's handle of a data layer.
class SharedDataLayerPtr : public SharedObjectPtr<DataLayer> {
public:
    using SharedObjectPtr::SharedObjectPtr;
    using SharedObjectPtr::operator=;
    /// A copy of the held shared pointer.
    std::shared_ptr<DataLayer> ToStdSharedPtr() const { return *_ptr; }
};

/// A host's handle of a filter.
class SharedFilterPtr : public SharedObjectPtr<Filter> {
public:
    using SharedObjectPtr::SharedObjectPtr;
    using SharedObjectPtr::operator=;
    /// A copy of the held shared pointer.
    std::shared_ptr<Filter> ToStdSharedPtr() const { return *_ptr; }
};

/// A host's handle of a graph.
class SharedGraphPtr : public SharedObjectPtr<Graph> {
public:
    using SharedObjectPtr::SharedObjectPtr;
    using SharedObjectPtr::operator=;
};

} // namespace Hyx
