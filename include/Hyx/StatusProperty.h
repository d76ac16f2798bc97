#pragma once

// Status properties: named, immutable display values that a data layer exposes. Each kind
// keeps a copy of its value and turns it into text on request. Numbers are formatted in
// the classic locale (general notation, 6 significant digits), whatever the host's global
// locale. A null name or text counts as the empty text; a null array as zeros.

#include <Hyx/Export.h>

#include <VornCommon/Matrix4x4f.h>
#include <VornCommon/Vector.h>
#include <VornCommon/Versorf.h>

#include <array>
#include <string>

namespace Hyx {

class HYX_API StatusProperty {
public:
    /// The name is copied.
    explicit StatusProperty(const char* name);
    virtual ~StatusProperty();

    /// A copy of the name.
    std::string GetName() const { return _name; }
    /// The value as display text.
    virtual std::string GetValueAsString() const = 0;

private:
    std::string _name;
};

/// A property whose text is the platform value's own ToString.
template <typename Value>
class HYX_API StatusPropertyValueText : public StatusProperty {
public:
    StatusPropertyValueText(const char* name, const Value& value) : StatusProperty(name), _value(value) {}
    std::string GetValueAsString() const override { return std::string(_value.ToString()); }

private:
    Value _value;
};

/// "True" or "False".
class HYX_API StatusPropertyBool : public StatusProperty {
public:
    StatusPropertyBool(const char* name, bool value);
    std::string GetValueAsString() const override;

private:
    bool _value;
};

/// The text unchanged.
class HYX_API StatusPropertyString : public StatusProperty {
public:
    StatusPropertyString(const char* name, const char* value);
    std::string GetValueAsString() const override;

private:
    std::string _value;
};

/// Signed decimal.
class HYX_API StatusPropertyInt : public StatusProperty {
public:
    StatusPropertyInt(const char* name, int value);
    std::string GetValueAsString() const override;

private:
    int _value;
};

/// General notation with 6 significant digits: 2 gives "2", 0.1 gives "0.1".
class HYX_API StatusPropertyFloat : public StatusProperty {
public:
    StatusPropertyFloat(const char* name, float value);
    std::string GetValueAsString() const override;

private:
    float _value;
};

/// The vector's own text form.
class HYX_API StatusPropertyVector2 : public StatusPropertyValueText<VornCommon::Vector2f> {
public:
    using StatusPropertyValueText::StatusPropertyValueText;
};

/// The vector's own text form.
class HYX_API StatusPropertyVector3 : public StatusPropertyValueText<VornCommon::Vector3f> {
public:
    using StatusPropertyValueText::StatusPropertyValueText;
};

/// The vector's own text form.
class HYX_API StatusPropertyVector4 : public StatusPropertyValueText<VornCommon::Vector4f> {
public:
    using StatusPropertyValueText::StatusPropertyValueText;
};

/// Five floats (read from values) joined by "/".
class HYX_API StatusPropertyVector5 : public StatusProperty {
public:
    StatusPropertyVector5(const char* name, const float* values);
    std::string GetValueAsString() const override;

private:
    std::array<float, 5> _values{};
};

/// The versor's own text form.
class HYX_API StatusPropertyVersor : public StatusPropertyValueText<VornCommon::Versorf> {
public:
    using StatusPropertyValueText::StatusPropertyValueText;
};

/// Nine floats (read from values, row by row) as three lines "a/b/c" joined by "\n".
class HYX_API StatusPropertyMatrix3x3 : public StatusProperty {
public:
    StatusPropertyMatrix3x3(const char* name, const float* values);
    std::string GetValueAsString() const override;

private:
    std::array<float, 9> _values{};
};

/// The matrix's own text form.
class HYX_API StatusPropertyMatrix4x4 : public StatusPropertyValueText<VornCommon::Matrix4x4f> {
public:
    using StatusPropertyValueText::StatusPropertyValueText;
};

} // namespace Hyx
