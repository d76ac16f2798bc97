#include <Hyx/FilterParamText.h>

namespace Hyx {

FilterParamString::FilterParamString(const char* name, unsigned flags, const char* value)
    : FilterParam(name, flags), _value(value != nullptr ? value : "")
{
}

void FilterParamString::SetValueAsString(const char* value)
{
    storeAndNotify(_mutex, _value, std::string(value != nullptr ? value : ""));
}

std::string FilterParamString::GetValue() const
{
    return readGuarded(_mutex, _value);
}

std::string FilterParamString::valueToString() const
{
    return GetValue();
}

FilterParamCallback::FilterParamCallback(const char* name, unsigned flags) : FilterParam(name, flags)
{
}

void FilterParamCallback::SetValueAsString(const char* value)
{
    {
        std::lock_guard<std::mutex> lock(_mutex);
        _value = value != nullptr ? value : "";
    }
    NotifyValueChanged();
}

std::string FilterParamCallback::valueToString() const
{
    return readGuarded(_mutex, _value);
}

} // namespace Hyx
