#include <Hyx/FilterParamVector.h>

#include "graph/params/ParamText.h"

#include <VornCommon/StringHelper.h>

#include <string>
#include <vector>

namespace Hyx {

// --- FilterParamFloatVector ---

FilterParamFloatVector::FilterParamFloatVector(const char* name, unsigned flags, const float* values, unsigned count)
    : FilterParam(name, flags), _count(count <= 4 ? count : 4)
{
    if (values != nullptr) {
        for (unsigned i = 0; i < _count; ++i)
            _values[i] = values[i];
    }
}

void FilterParamFloatVector::SetValueAsString(const char* value)
{
    const std::vector<std::string> parts = VornCommon::StringHelper::split(value != nullptr ? value : "", '/');
    if (parts.size() != _count)
        return;
    float values[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    for (unsigned i = 0; i < _count; ++i)
        values[i] = static_cast<float>(ParamText::ToNumber(parts[i].c_str()));
    setValues(values);
}

void FilterParamFloatVector::setValues(const float* values)
{
    std::array<float, 4> next{};
    for (unsigned i = 0; i < _count; ++i)
        next[i] = values[i];
    storeAndNotify(_mutex, _values, next);
}

void FilterParamFloatVector::getValues(float* out) const
{
    const std::array<float, 4> values = readGuarded(_mutex, _values);
    for (unsigned i = 0; i < _count; ++i)
        out[i] = values[i];
}

std::string FilterParamFloatVector::valueToString() const
{
    float values[4];
    getValues(values);
    std::string text;
    for (unsigned i = 0; i < _count; ++i) {
        if (i > 0)
            text += '/';
        text += ParamText::FromFloat(values[i]);
    }
    return text;
}

// --- FilterParamVector2/3/4 ---

FilterParamVector2::FilterParamVector2(const char* name, unsigned flags, float x, float y)
    : FilterParamFloatVector(name, flags, std::array<float, 2>{x, y}.data(), 2)
{
}

FilterParamVector2::FilterParamVector2(const char* name, unsigned flags, const float* values)
    : FilterParamFloatVector(name, flags, values, 2)
{
}

std::array<float, 2> FilterParamVector2::GetValue() const
{
    std::array<float, 2> values;
    getValues(values.data());
    return values;
}

void FilterParamVector2::SetValue(float x, float y)
{
    const float values[2] = {x, y};
    setValues(values);
}

FilterParamVector3::FilterParamVector3(const char* name, unsigned flags, float x, float y, float z)
    : FilterParamFloatVector(name, flags, std::array<float, 3>{x, y, z}.data(), 3)
{
}

FilterParamVector3::FilterParamVector3(const char* name, unsigned flags, const float* values)
    : FilterParamFloatVector(name, flags, values, 3)
{
}

std::array<float, 3> FilterParamVector3::GetValue() const
{
    std::array<float, 3> values;
    getValues(values.data());
    return values;
}

void FilterParamVector3::SetValue(float x, float y, float z)
{
    const float values[3] = {x, y, z};
    setValues(values);
}

FilterParamVector4::FilterParamVector4(const char* name, unsigned flags, float x, float y, float z, float w)
    : FilterParamFloatVector(name, flags, std::array<float, 4>{x, y, z, w}.data(), 4)
{
}

FilterParamVector4::FilterParamVector4(const char* name, unsigned flags, const float* values)
    : FilterParamFloatVector(name, flags, values, 4)
{
}

std::array<float, 4> FilterParamVector4::GetValue() const
{
    std::array<float, 4> values;
    getValues(values.data());
    return values;
}

void FilterParamVector4::SetValue(float x, float y, float z, float w)
{
    const float values[4] = {x, y, z, w};
    setValues(values);
}

// --- FilterParamColorRgba ---

FilterParamColorRgba::FilterParamColorRgba(const char* name, unsigned flags, const VornCommon::Color& value)
    : FilterParam(name, flags), _value(value)
{
}

void FilterParamColorRgba::SetValueAsString(const char* value)
{
    SetValue(VornCommon::Color::FromString(value != nullptr ? value : ""));
}

VornCommon::Color FilterParamColorRgba::GetValue() const
{
    return readGuarded(_mutex, _value);
}

void FilterParamColorRgba::SetValue(const VornCommon::Color& value)
{
    storeAndNotify(_mutex, _value, value);
}

std::string FilterParamColorRgba::valueToString() const
{
    return GetValue().ToString();
}

// --- FilterParamMatrix4x4f ---

FilterParamMatrix4x4f::FilterParamMatrix4x4f(const char* name, unsigned flags, const VornCommon::Matrix4x4f& value)
    : FilterParam(name, flags), _value(value)
{
}

void FilterParamMatrix4x4f::SetValueAsString(const char* value)
{
    SetValue(VornCommon::Matrix4x4f::FromString(value != nullptr ? value : ""));
}

VornCommon::Matrix4x4f FilterParamMatrix4x4f::GetValue() const
{
    return readGuarded(_mutex, _value);
}

void FilterParamMatrix4x4f::SetValue(const VornCommon::Matrix4x4f& value)
{
    storeAndNotify(_mutex, _value, value);
}

std::string FilterParamMatrix4x4f::valueToString() const
{
    return GetValue().ToString();
}

} // namespace Hyx
