#include <Hyx/FilterParamChoice.h>

#include <Hyx/Profile.h>

#include "core/LogLevelEnabled.h"
#include "graph/params/ParamText.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace Hyx {

using VornCommon::LogLevel;

namespace {

// A broken invariant gets the graph runtime's line, through the library's own entry point: a
// host's logger that throws must not leave a constructor.
void checkInvariant(bool holds, const char* text, int line)
{
    if (!holds)
        LogLine(LogLevel::Error, "Assertion failed: %s, file %s, line %d", text, __FILE__, line);
}

std::vector<FilterParamStringChoices::Choice> pairChoices(const std::vector<std::string>& texts,
                                                          const std::vector<int>& values)
{
    checkInvariant(texts.size() == values.size(), "Vectors must have same size.", __LINE__);
    std::vector<FilterParamStringChoices::Choice> choices;
    const size_t count = std::min(texts.size(), values.size());
    choices.reserve(count);
    for (size_t i = 0; i < count; ++i)
        choices.emplace_back(texts[i], values[i]);
    return choices;
}

} // namespace

// --- FilterParamEnumIndexed ---

FilterParamEnumIndexed::FilterParamEnumIndexed(const char* name, unsigned flags, int value,
                                               const std::vector<std::string>& labels, const std::vector<int>& values)
    : FilterParam(name, flags), _value(value), _labels(labels), _values(values)
{
    if (labels.size() != values.size())
        throw std::invalid_argument("Invalid index enum map");
    for (size_t i = 0; i < _values.size(); ++i)
        _positionOfValue.emplace(_values[i], static_cast<int>(i)); // keeps the first position
}

void FilterParamEnumIndexed::SetValueAsString(const char* value)
{
    if (_values.empty())
        return;
    const int last = static_cast<int>(_values.size()) - 1;
    const int position = std::clamp(ParamText::ToLenientInt(value), 0, last);
    const int selected = _values[static_cast<size_t>(position)];
    if (_value.exchange(selected) != selected)
        NotifyValueChanged();
}

std::string FilterParamEnumIndexed::valueToString() const
{
    const auto it = _positionOfValue.find(_value.load());
    return it != _positionOfValue.end() ? std::to_string(it->second) : "0";
}

// --- FilterParamStringChoices ---

FilterParamStringChoices::FilterParamStringChoices(const char* name, unsigned flags, int value,
                                                   const std::vector<Choice>& choices)
    : FilterParam(name, flags), _choices(choices), _value(value)
{
    checkInvariants();
}

FilterParamStringChoices::FilterParamStringChoices(const char* name, unsigned flags, int value,
                                                   const std::vector<std::string>& texts,
                                                   const std::vector<int>& values)
    : FilterParam(name, flags), _choices(pairChoices(texts, values)), _value(value)
{
    checkInvariants();
}

void FilterParamStringChoices::checkInvariants() const
{
    checkInvariant(!_choices.empty(), "At least one choice value required", __LINE__);
    checkInvariant(CanHaveValue(_value.load()), "Initial choice value is not allowed", __LINE__);
}

void FilterParamStringChoices::SetValueAsString(const char* value)
{
    const char* text = value != nullptr ? value : "";
    for (const Choice& choice : _choices) {
        if (choice.first == text) {
            store(choice.second);
            return;
        }
    }
    LogLine(LogLevel::Error, "Filter parameter '%s' does not support value %s", GetName().c_str(), text);
}

void FilterParamStringChoices::SetValue(int value)
{
    if (!CanHaveValue(value)) {
        LogLine(LogLevel::Error, "Filter parameter '%s' does not support value %d", GetName().c_str(), value);
        return;
    }
    store(value);
}

void FilterParamStringChoices::store(int value)
{
    if (_value.exchange(value) != value)
        NotifyValueChanged();
}

bool FilterParamStringChoices::CanHaveValue(int value) const
{
    return std::any_of(_choices.begin(), _choices.end(), [&](const Choice& c) { return c.second == value; });
}

bool FilterParamStringChoices::CanHaveValue(const char* text) const
{
    const char* wanted = text != nullptr ? text : "";
    return std::any_of(_choices.begin(), _choices.end(), [&](const Choice& c) { return c.first == wanted; });
}

std::string FilterParamStringChoices::valueToString() const
{
    const int value = _value.load();
    for (const Choice& choice : _choices) {
        if (choice.second == value)
            return choice.first;
    }
    return std::string();
}

// --- FilterParamSelection ---

FilterParamSelection::FilterParamSelection(const char* name, unsigned flags, size_t count)
    : FilterParam(name, flags),
      _count(static_cast<int>(std::min<size_t>(count, 0x7FFFFFFF))),
      _index(count > 0 ? 0 : -1)
{
}

void FilterParamSelection::SetValueAsString(const char* value)
{
    const int index = ParamText::ToLenientInt(value);
    if (index < 0 || index >= _count) {
        // An index outside the list would select nothing that exists.
        LogLine(LogLevel::Error, "Filter parameter '%s' does not support value %s", GetName().c_str(),
                value != nullptr ? value : "");
        return;
    }
    selectIndex(index);
}

void FilterParamSelection::selectIndex(int index)
{
    if (_index.exchange(index) != index)
        NotifyValueChanged();
}

std::string FilterParamSelection::valueToString() const
{
    return std::to_string(_index.load());
}

// --- FilterParamGuid ---

FilterParamGuid::FilterParamGuid(const char* name, unsigned flags, const std::vector<VornCommon::Guid>& guids)
    : FilterParamSelection(name, flags, guids.size()), _guids(guids)
{
}

VornCommon::Guid FilterParamGuid::GetValue() const
{
    const int index = GetValueIndex();
    return index >= 0 ? _guids[static_cast<size_t>(index)] : VornCommon::Guid();
}

void FilterParamGuid::SetSelectedGuid(const VornCommon::Guid& guid)
{
    const auto it = std::find(_guids.begin(), _guids.end(), guid);
    if (it != _guids.end())
        selectIndex(static_cast<int>(it - _guids.begin()));
}

// --- FilterParamInputProfiles ---

FilterParamInputProfiles::FilterParamInputProfiles(const char* name, unsigned flags,
                                                   const std::vector<std::shared_ptr<Profile>>& profiles)
    : FilterParamSelection(name, flags, profiles.size()), _profiles(profiles)
{
}

std::shared_ptr<Profile> FilterParamInputProfiles::GetValue() const
{
    const int index = GetValueIndex();
    return index >= 0 ? _profiles[static_cast<size_t>(index)] : std::shared_ptr<Profile>();
}

void FilterParamInputProfiles::SetSelectedProfile(const std::shared_ptr<Profile>& profile)
{
    if (!profile)
        return;
    const std::string wanted = profile->ToString();
    for (size_t i = 0; i < _profiles.size(); ++i) {
        if (_profiles[i] && std::string(_profiles[i]->ToString()) == wanted) {
            selectIndex(static_cast<int>(i));
            return;
        }
    }
}

} // namespace Hyx
