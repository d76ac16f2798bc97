#include <Hyx/FilterParamNumeric.h>

#include "graph/params/ParamText.h"

#include <cstring>
#include <string>
#include <type_traits>

namespace Hyx {

// --- FilterParamBool ---

FilterParamBool::FilterParamBool(const char* name, unsigned flags, bool value) : FilterParam(name, flags), _value(value)
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

// --- FilterParamNumber ---

template <class T>
FilterParamNumber<T>::FilterParamNumber(const char* name, unsigned flags, T value, T minValue, T maxValue)
    : FilterParam(name, flags), _value(value), _min(minValue), _max(maxValue)
{
}

template <class T>
FilterParamNumber<T>::~FilterParamNumber() = default;

template <class T>
T FilterParamNumber<T>::StringToValue(const char* text)
{
    if constexpr (std::is_same_v<T, int>)
        return ParamText::ToInt32(text);
    else if constexpr (std::is_same_v<T, uint32_t>)
        return ParamText::ToUInt32(text);
    else if constexpr (std::is_same_v<T, long long>)
        return ParamText::ToInt64(text);
    else
        return static_cast<T>(ParamText::ToNumber(text));
}

template <class T>
void FilterParamNumber<T>::SetValueAsString(const char* value)
{
    SetValue(StringToValue(value));
}

template <class T>
void FilterParamNumber<T>::SetValue(T value)
{
    if (_value.exchange(value) != value)
        NotifyValueChanged();
}

template <class T>
std::string FilterParamNumber<T>::valueToString() const
{
    if constexpr (std::is_floating_point_v<T>)
        return ParamText::FromFloat(_value.load());
    else
        return std::to_string(_value.load());
}

template class FilterParamNumber<int>;
template class FilterParamNumber<uint32_t>;
template class FilterParamNumber<long long>;
template class FilterParamNumber<float>;

FilterParamInt32::~FilterParamInt32() = default;
FilterParamUInt32::~FilterParamUInt32() = default;
FilterParamInt64::~FilterParamInt64() = default;
FilterParamFloat::~FilterParamFloat() = default;

} // namespace Hyx
