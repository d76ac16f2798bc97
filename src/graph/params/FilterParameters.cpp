// The parameter side of Filter: the named parameter list, values handed in before the
// parameters exist, and the host's change listeners.
//
// Lock order: the filter's parameter mutex, then a parameter's own mutexes. Parameter values
// are set, and the logger is called, with no filter mutex held: a change calls back into the
// filter and its listeners, which may look parameters up again.

#include <Hyx/Filter.h>

#include "core/LogLevelEnabled.h"

#include <Hyx/FilterParamText.h>

#include <algorithm>
#include <exception>

namespace Hyx {

using VornCommon::LogLevel;

int Filter::findParameterIndex(const char* name) const
{
    const std::string wanted = name != nullptr ? name : "";
    for (size_t i = 0; i < _params.size(); ++i) {
        if (_params[i]->GetName() == wanted)
            return static_cast<int>(i);
    }
    return -1;
}

void Filter::logUnknownParameter(const char* name) const
{
    LogLine(LogLevel::Warning, "Invalid filter parameter: | filter name - %s | name - %s |",
            GetFilterClassInfo().GetNiceClassName().CStr(), name != nullptr ? name : "");
}

std::vector<std::shared_ptr<FilterParam>> Filter::getParameters() const
{
    std::lock_guard<std::mutex> lock(_paramMutex);
    return _params;
}

std::shared_ptr<FilterParam> Filter::findParameter(const char* name) const
{
    std::lock_guard<std::mutex> lock(_paramMutex);
    const int index = findParameterIndex(name);
    return index >= 0 ? _params[static_cast<size_t>(index)] : std::shared_ptr<FilterParam>();
}

std::shared_ptr<FilterParam> Filter::getParameterByName(const char* name) const
{
    std::shared_ptr<FilterParam> param = findParameter(name);
    if (!param) {
        // A miss is reported twice: once by the lookup, once by the getter.
        logUnknownParameter(name);
        logUnknownParameter(name);
    }
    return param;
}

bool Filter::setParameterValue(const char* name, const char* value)
{
    const std::shared_ptr<FilterParam> param = findParameter(name);
    if (!param) {
        logUnknownParameter(name);
        return false;
    }
    param->SetValueAsString(value);
    return true;
}

std::string Filter::getParameterValue(const char* name) const
{
    const std::shared_ptr<FilterParam> param = getParameterByName(name);
    return param ? param->GetValueAsString() : std::string();
}

std::string Filter::getParameterStatus(const char* name) const
{
    const std::shared_ptr<FilterParam> param = getParameterByName(name);
    return param ? param->GetStatus() : std::string();
}

bool Filter::setParameterValues(const std::map<std::string, std::string>& values)
{
    {
        std::lock_guard<std::mutex> lock(_paramMutex);
        if (&values != &_storedParamValues)
            _storedParamValues = values;
    }
    const FilterState state = _state.load();
    // Parameters of a filter still Created are cleared by a PreInitialize that fails: the
    // values they take stay stored until one succeeds.
    const bool needsPreInitialize = applyParameterValues(state != FilterState::Created);
    if (state != FilterState::Created && state != FilterState::PreInitialized)
        reportUnusedParameterValues();
    return needsPreInitialize;
}

void Filter::reportUnusedParameterValues()
{
    if (!IsHYXLogLevelEnabled(LogLevel::Error))
        return;
    std::string names;
    {
        std::lock_guard<std::mutex> lock(_paramMutex);
        for (const auto& entry : _storedParamValues)
            names += (names.empty() ? "'" : ", '") + entry.first + "'";
        // The same names again (a filter initialised anew) were told already.
        if (names == _reportedUnusedValues)
            return;
        _reportedUnusedValues = names;
    }
    if (!names.empty())
        LogLine(LogLevel::Error, "Filter '%s' has no parameter named %s; the values stay stored",
                GetFilterClassInfo().GetNiceClassName().CStr(), names.c_str());
}

bool Filter::applyParameterValues(bool useUp)
{
    const std::vector<std::shared_ptr<FilterParam>> params = getParameters();
    bool needsPreInitialize = false;
    for (const std::shared_ptr<FilterParam>& param : params) {
        const std::string name = param->GetName();
        std::string value;
        {
            std::lock_guard<std::mutex> lock(_paramMutex);
            const auto it = _storedParamValues.find(name);
            if (it == _storedParamValues.end())
                continue;
            if (!useUp) {
                value = it->second;
            } else {
                value = std::move(it->second);
                _storedParamValues.erase(it);
            }
        }
        // A trigger is never fired by stored values.
        if (dynamic_cast<FilterParamCallback*>(param.get()) != nullptr)
            continue;
        try {
            if (param->GetValueAsString() == value)
                continue;
            param->SetValueAsString(value.c_str());
            if ((param->GetFlags() & FilterParam::FLAG_REQUIRES_PREINITIALIZE) != 0)
                needsPreInitialize = true;
        } catch (const std::exception& e) {
            // A refused text (graph file, host map) must not abort building the graph.
            LogLine(LogLevel::Error, "Filter parameter '%s' does not support value %s (%s)", name.c_str(),
                    value.c_str(), e.what());
        }
    }
    return needsPreInitialize;
}

void Filter::useUpAppliedParameterValues()
{
    std::lock_guard<std::mutex> lock(_paramMutex);
    for (const std::shared_ptr<FilterParam>& param : _params)
        _storedParamValues.erase(param->GetName());
}

void Filter::addParam(std::shared_ptr<FilterParam> param, bool append)
{
    if (!param)
        return;
    removeParam(param->GetName().c_str());
    std::lock_guard<std::mutex> lock(_paramMutex);
    if (append)
        _params.push_back(param);
    else
        _params.insert(_params.begin(), param);
    param->SetParameterValueChangedCallback(this, weak_from_this());
}

void Filter::removeParam(const char* name)
{
    std::lock_guard<std::mutex> lock(_paramMutex);
    const int index = findParameterIndex(name);
    if (index < 0)
        return;
    _params[static_cast<size_t>(index)]->SetParameterValueChangedCallback(nullptr);
    _params.erase(_params.begin() + index);
}

void Filter::clearParams()
{
    std::lock_guard<std::mutex> lock(_paramMutex);
    for (const std::shared_ptr<FilterParam>& param : _params)
        param->SetParameterValueChangedCallback(nullptr);
    _params.clear();
}

void Filter::addParamGroup(std::shared_ptr<ParamGroup> group)
{
    if (!group || std::find(_paramGroups.begin(), _paramGroups.end(), group) != _paramGroups.end())
        return;
    _paramGroups.push_back(std::move(group));
}

void Filter::clearParamGroups()
{
    _paramGroups.clear();
}

void Filter::AddParameterValueChangedListener(IFilterParameterValueChanged* listener)
{
    std::lock_guard<std::mutex> lock(_listenerMutex);
    if (std::find(_listeners.begin(), _listeners.end(), listener) == _listeners.end())
        _listeners.push_back(listener);
}

void Filter::RemoveParameterValueChangedListener(IFilterParameterValueChanged* listener)
{
    std::lock_guard<std::mutex> lock(_listenerMutex);
    _listeners.erase(std::remove(_listeners.begin(), _listeners.end(), listener), _listeners.end());
}

void Filter::cbiParameterValueChanged(std::shared_ptr<FilterParam> param, const char* value)
{
    std::deque<IFilterParameterValueChanged*> listeners;
    {
        std::lock_guard<std::mutex> lock(_listenerMutex);
        listeners = _listeners;
    }
    if (listeners.empty())
        return;
    // Empty while the filter is not (yet) owned by a shared pointer.
    const std::shared_ptr<Filter> self = weak_from_this().lock();
    const std::string name = param ? param->GetName() : std::string();
    for (IFilterParameterValueChanged* listener : listeners) {
        if (listener != nullptr)
            listener->cbiFilterParameterValueChanged(self, name.c_str(), value);
    }
}

} // namespace Hyx
