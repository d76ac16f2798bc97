#include <Hyx/FilterParamNumeric.h>

#include "graph/ParamText.h"

#include <cstring>
#include <string>

namespace Hyx {

// --- FilterParamBool ---

FilterParamBool::FilterParamBool(const char* name, unsigned flags, bool value)
    : FilterParam(name, flags)
    , _value(value)
{
}

bool FilterParamBool::StringToValue(const char* text)
{
    if (text == nullptr)
        return false;
    return std::strcmp(text, "True") == 0 || std::strcmp(text, "true") == 0 || std::strcmp(text, "1") == 0;
}

void FilterParamBool::SetValueAsString(const char* value)
{
    SetValue(StringToValue(value));
}

void FilterParamBool::SetValue(bool value)
{
    if (_value.exchange(value) != value)
        NotifyValueChanged();
}

std::string FilterParamBool::valueToString() const
{
    return _value.load() ? "True" : "False";
}

// --- FilterParamInt32 ---

FilterParamInt32::FilterParamInt32(const char* name, unsigned flags, int value, int minValue, int maxValue)
    : FilterParam(name, flags)
    , _value(value)
    , _min(minValue)
    , _max(maxValue)
{
}

int FilterParamInt32::StringToValue(const char* text)
{
    return ParamText::ToInt32(text);
}

void FilterParamInt32::SetValueAsString(const char* value)
{
    SetValue(StringToValue(value));
}

void FilterParamInt32::SetValue(int value)
{
    if (_value.exchange(value) != value)
        NotifyValueChanged();
}

std::string FilterParamInt32::valueToString() const
{
    return std::to_string(_value.load());
}

// --- FilterParamUInt32 ---

FilterParamUInt32::FilterParamUInt32(const char* name, unsigned flags, uint32_t value, uint32_t minValue,
                                     uint32_t maxValue)
    : FilterParam(name, flags)
    , _value(value)
    , _min(minValue)
    , _max(maxValue)
{
}

uint32_t FilterParamUInt32::StringToValue(const char* text)
{
    return ParamText::ToUInt32(text);
}

void FilterParamUInt32::SetValueAsString(const char* value)
{
    SetValue(StringToValue(value));
}

void FilterParamUInt32::SetValue(uint32_t value)
{
    if (_value.exchange(value) != value)
        NotifyValueChanged();
}

std::string FilterParamUInt32::valueToString() const
{
    return std::to_string(_value.load());
}

// --- FilterParamInt64 ---

FilterParamInt64::FilterParamInt64(const char* name, unsigned flags, long long value, long long minValue,
                                   long long maxValue)
    : FilterParam(name, flags)
    , _value(value)
    , _min(minValue)
    , _max(maxValue)
{
}

long long FilterParamInt64::StringToValue(const char* text)
{
    return ParamText::ToInt64(text);
}

void FilterParamInt64::SetValueAsString(const char* value)
{
    SetValue(StringToValue(value));
}

void FilterParamInt64::SetValue(long long value)
{
    if (_value.exchange(value) != value)
        NotifyValueChanged();
}

std::string FilterParamInt64::valueToString() const
{
    return std::to_string(_value.load());
}

// --- FilterParamFloat ---

FilterParamFloat::FilterParamFloat(const char* name, unsigned flags, float value, float minValue, float maxValue)
    : FilterParam(name, flags)
    , _value(value)
    , _min(minValue)
    , _max(maxValue)
{
}

float FilterParamFloat::StringToValue(const char* text)
{
    return static_cast<float>(ParamText::ToNumber(text));
}

void FilterParamFloat::SetValueAsString(const char* value)
{
    SetValue(StringToValue(value));
}

void FilterParamFloat::SetValue(float value)
{
    if (_value.exchange(value) != value)
        NotifyValueChanged();
}

std::string FilterParamFloat::valueToString() const
{
    return ParamText::FromFloat(_value.load());
}

} // namespace Hyx
