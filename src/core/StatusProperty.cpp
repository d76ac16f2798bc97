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

template <typename Number>
std::string classicText(Number value)
{
    std::ostringstream stream = classicStream();
    stream << value;
    return stream.str();
}

template <size_t N>
std::array<float, N> copyValues(const float* values)
{
    std::array<float, N> copy{};
    if (values)
        std::copy_n(values, N, copy.begin());
    return copy;
}

} // namespace

StatusProperty::StatusProperty(const char* name) : _name(textOrEmpty(name))
{
}

StatusProperty::~StatusProperty() = default;

StatusPropertyBool::StatusPropertyBool(const char* name, bool value) : StatusProperty(name), _value(value)
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

StatusPropertyInt::StatusPropertyInt(const char* name, int value) : StatusProperty(name), _value(value)
{
}

std::string StatusPropertyInt::GetValueAsString() const
{
    return classicText(_value);
}

StatusPropertyFloat::StatusPropertyFloat(const char* name, float value) : StatusProperty(name), _value(value)
{
}

std::string StatusPropertyFloat::GetValueAsString() const
{
    return classicText(_value);
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

} // namespace Hyx
