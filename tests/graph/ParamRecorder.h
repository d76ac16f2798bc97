#pragma once

// Test listeners that record what a parameter announces.

#include <Hyx/FilterParam.h>

#include <mutex>
#include <string>
#include <vector>

namespace HyxTest {

/// Records the texts of FilterParam events.
class EventRecorder : public Hyx::FilterParam::Events {
public:
    void onValueChanged(std::shared_ptr<Hyx::FilterParam>, std::string value) override
    {
        std::lock_guard<std::mutex> lock(_mutex);
        _values.push_back(std::move(value));
    }
    std::vector<std::string> Values() const
    {
        std::lock_guard<std::mutex> lock(_mutex);
        return _values;
    }
    size_t Count() const { return Values().size(); }

private:
    mutable std::mutex _mutex;
    std::vector<std::string> _values;
};

/// Records the calls a parameter makes to its owning filter's callback.
class CallbackRecorder : public Hyx::IParameterValueChanged {
public:
    void cbiParameterValueChanged(std::shared_ptr<Hyx::FilterParam> param, const char* value) override
    {
        std::lock_guard<std::mutex> lock(_mutex);
        _params.push_back(param.get());
        _values.emplace_back(value);
    }
    std::vector<std::string> Values() const
    {
        std::lock_guard<std::mutex> lock(_mutex);
        return _values;
    }
    std::vector<const Hyx::FilterParam*> Params() const
    {
        std::lock_guard<std::mutex> lock(_mutex);
        return _params;
    }
    size_t Count() const { return Values().size(); }

private:
    mutable std::mutex _mutex;
    std::vector<const Hyx::FilterParam*> _params;
    std::vector<std::string> _values;
};

/// Installs both recorders on a parameter for the length of a test.
template <class P>
struct Watched {
    std::shared_ptr<P> param;
    EventRecorder events;
    CallbackRecorder callback;

    explicit Watched(std::shared_ptr<P> p) : param(std::move(p))
    {
        param->_events.Add(&events);
        param->SetParameterValueChangedCallback(&callback);
    }
    ~Watched()
    {
        param->_events.Remove(&events);
        param->SetParameterValueChangedCallback(nullptr);
    }
    size_t Notified() const { return events.Count(); }
};

} // namespace HyxTest
