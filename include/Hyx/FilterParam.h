#pragma once

// A named, typed filter setting that hosts, graph files and the graph read and write as text
// and filter code reads and writes as a typed value.
//
// Contract:
// - Parameters are always owned by shared pointers: a change hands out a shared pointer to
//   the parameter itself.
// - A typed setter stores a new value only when it differs from the current one and then
//   notifies: first the owning filter (the installed IParameterValueChanged), then the
//   event listeners, on the thread that made the change. Equal values notify nobody (the
//   callback and image parameters are the exceptions).
// - Values, the cached text and the callback pointer are guarded, so a host may set a
//   parameter while the graph's worker reads it, and while another thread removes and
//   destroys its filter: a change keeps the filter alive while it tells it, and tells it
//   nothing once it is being destroyed.
// - Flag bit 0 marks a parameter whose change requires the filter to be pre-initialised
//   again; other bits are kept but not read.

#include <Hyx/Export.h>

#include <VornCommon/Delegate.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace Hyx {

class FilterParam;

/// Told by a parameter that its value changed; the owning filter implements it.
class HYX_API IParameterValueChanged {
public:
    virtual ~IParameterValueChanged();
    /// Receives the parameter and its new text form.
    virtual void cbiParameterValueChanged(std::shared_ptr<FilterParam> param, const char* value) = 0;
};

/// Base of every typed parameter.
class HYX_API FilterParam : public std::enable_shared_from_this<FilterParam> {
public:
    /// Flag bit: a change alters the filter's set-up (pre-initialise again).
    static constexpr unsigned FLAG_REQUIRES_PREINITIALIZE = 1u;

    /// Listener interface of the parameter's events.
    class HYX_API Events {
    public:
        virtual ~Events();
        /// A new value was stored; receives the parameter and its new text form.
        virtual void onValueChanged(std::shared_ptr<FilterParam> param, std::string value);
    };

    virtual ~FilterParam();
    FilterParam(const FilterParam&) = delete;
    FilterParam& operator=(const FilterParam&) = delete;

    /// Parses the text and sets the value (each type has its own rule).
    virtual void SetValueAsString(const char* value) = 0;
    /// Describes a problem with the current value; empty when there is none.
    virtual std::string GetStatus() const;

    /// The name.
    std::string GetName() const { return _name; }
    /// The flags given to the constructor.
    unsigned GetFlags() const { return _flags; }
    /// Refreshes the cached text form from the value and returns it.
    std::string GetValueAsString() const;
    /// `name="<name>" value="<cached text>"`, using the cached text without refreshing it.
    std::string ToString() const;
    /// Installs the owning filter's callback (null removes it). With `owner`, the object the
    /// callback belongs to (the filter, by its shared pointer): a change held elsewhere then
    /// keeps it alive while it tells it, and tells nothing once it is being destroyed, so a
    /// host thread may set a parameter it holds while another thread removes its filter.
    void SetParameterValueChangedCallback(IParameterValueChanged* callback, std::weak_ptr<void> owner = {});

    /// Multicast list of event listeners (not owned).
    VornCommon::signali::Delegate<Events> _events;

protected:
    /// A null name gives an empty name.
    FilterParam(const char* name, unsigned flags);

    /// The value's text form.
    virtual std::string valueToString() const = 0;

    /// True once after construction and after each notified change; clears the flag.
    bool ValueChanged();
    /// Marks the change, refreshes the text and tells the callback, then the listeners.
    void NotifyValueChanged();

    /// Stores the value into the field under the mutex and notifies, unless they are equal.
    template <class T>
    void storeAndNotify(std::mutex& mutex, T& field, const T& value)
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (field == value)
                return;
            field = value;
        }
        NotifyValueChanged();
    }
    /// A copy of the field, read under the mutex.
    template <class T>
    static T readGuarded(std::mutex& mutex, const T& field)
    {
        std::lock_guard<std::mutex> lock(mutex);
        return field;
    }

private:
    const std::string _name;
    const unsigned _flags;
    std::atomic<bool> _changed{true};

    mutable std::mutex _callbackMutex;
    IParameterValueChanged* _callback = nullptr;
    std::weak_ptr<void> _callbackOwner; // empty when none was given
    bool _owned = false;

    mutable std::mutex _textMutex;
    mutable std::string _cachedText;
};

/// A labelled range of a filter's parameter list, for display by hosts.
class HYX_API ParamGroup {
public:
    /// Positions count in the filter's parameter list.
    ParamGroup(unsigned start, unsigned end, const std::string& label);

    /// The label, as given.
    const std::string& GetLabel() const { return _label; }
    /// First position of the range.
    unsigned GetStartPosition() const { return _start; }
    /// Last position of the range.
    unsigned GetEndPosition() const { return _end; }

private:
    std::string _label;
    unsigned _start;
    unsigned _end;
};

} // namespace Hyx
