#include <Hyx/StatusProperty.h>

#include <algorithm>
#include <locale>
#include <sstream>

namespace Hyx {

namespace {

std::string textOrEmpty(const char* text)
{
    return text ? std::string(text) : std::string();
}

// A default-state stream in the classic locale: a host's comma locale must not turn 0.1
// into "0,1".
std::ostringstream classicStream()
{
    std::ostringstream stream;
    stream.imbue(std::locale::classic());
    return stream;
}

template <size_t N>
std::array<float, N> copyValues(const float* values)
{
    std::array<float, N> copy{};
    if (values)
        std::copy_n(values, N, copy.begin());
    return copy;
}

template <typename Value>
std::string platformText(const Value& value)
{
    return std::string(value.ToString());
}

} // namespace

StatusProperty::StatusProperty(const char* name) : _name(textOrEmpty(name)) {}

StatusProperty::~StatusProperty() = default;

StatusPropertyBool::StatusPropertyBool(const char* name, bool value)
    : StatusProperty(name), _value(value)
{
}

std::string StatusPropertyBool::GetValueAsString() const
{
    return _value ? "True" : "False";
}

StatusPropertyString::StatusPropertyString(const char* name, const char* value)
    : StatusProperty(name), _value(textOrEmpty(value))
{
}

std::string StatusPropertyString::GetValueAsString() const
{
    return _value;
}

StatusPropertyInt::StatusPropertyInt(const char* name, int value)
    : StatusProperty(name), _value(value)
{
}

std::string StatusPropertyInt::GetValueAsString() const
{
    std::ostringstream stream = classicStream();
    stream << _value;
    return stream.str();
}

StatusPropertyFloat::StatusPropertyFloat(const char* name, float value)
    : StatusProperty(name), _value(value)
{
}

std::string StatusPropertyFloat::GetValueAsString() const
{
    std::ostringstream stream = classicStream();
    stream << _value;
    return stream.str();
}

StatusPropertyVector2::StatusPropertyVector2(const char* name, const VornCommon::Vector2f& value)
    : StatusProperty(name), _value(value)
{
}

std::string StatusPropertyVector2::GetValueAsString() const
{
    return platformText(_value);
}

StatusPropertyVector3::StatusPropertyVector3(const char* name, const VornCommon::Vector3f& value)
    : StatusProperty(name), _value(value)
{
}

std::string StatusPropertyVector3::GetValueAsString() const
{
    return platformText(_value);
}

StatusPropertyVector4::StatusPropertyVector4(const char* name, const VornCommon::Vector4f& value)
    : StatusProperty(name), _value(value)
{
}

std::string StatusPropertyVector4::GetValueAsString() const
{
    return platformText(_value);
}

StatusPropertyVector5::StatusPropertyVector5(const char* name, const float* values)
    : StatusProperty(name), _values(copyValues<5>(values))
{
}

std::string StatusPropertyVector5::GetValueAsString() const
{
    std::ostringstream stream = classicStream();
    for (size_t i = 0; i < _values.size(); ++i)
        stream << (i ? "/" : "") << _values[i];
    return stream.str();
}

StatusPropertyVersor::StatusPropertyVersor(const char* name, const VornCommon::Versorf& value)
    : StatusProperty(name), _value(value)
{
}

std::string StatusPropertyVersor::GetValueAsString() const
{
    return platformText(_value);
}

StatusPropertyMatrix3x3::StatusPropertyMatrix3x3(const char* name, const float* values)
    : StatusProperty(name), _values(copyValues<9>(values))
{
}

std::string StatusPropertyMatrix3x3::GetValueAsString() const
{
    std::ostringstream stream = classicStream();
    for (size_t row = 0; row < 3; ++row) {
        if (row)
            stream << '\n';
        for (size_t column = 0; column < 3; ++column)
            stream << (column ? "/" : "") << _values[row * 3 + column];
    }
    return stream.str();
}

StatusPropertyMatrix4x4::StatusPropertyMatrix4x4(const char* name, const VornCommon::Matrix4x4f& value)
    : StatusProperty(name), _value(value)
{
}

std::string StatusPropertyMatrix4x4::GetValueAsString() const
{
    return platformText(_value);
}

} // namespace Hyx
