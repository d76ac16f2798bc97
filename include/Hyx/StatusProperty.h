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
class HYX_API StatusPropertyVector2 : public StatusProperty {
public:
    StatusPropertyVector2(const char* name, const VornCommon::Vector2f& value);
    std::string GetValueAsString() const override;

private:
    VornCommon::Vector2f _value;
};

/// The vector's own text form.
class HYX_API StatusPropertyVector3 : public StatusProperty {
public:
    StatusPropertyVector3(const char* name, const VornCommon::Vector3f& value);
    std::string GetValueAsString() const override;

private:
    VornCommon::Vector3f _value;
};

/// The vector's own text form.
class HYX_API StatusPropertyVector4 : public StatusProperty {
public:
    StatusPropertyVector4(const char* name, const VornCommon::Vector4f& value);
    std::string GetValueAsString() const override;

private:
    VornCommon::Vector4f _value;
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
class HYX_API StatusPropertyVersor : public StatusProperty {
public:
    StatusPropertyVersor(const char* name, const VornCommon::Versorf& value);
    std::string GetValueAsString() const override;

private:
    VornCommon::Versorf _value;
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
class HYX_API StatusPropertyMatrix4x4 : public StatusProperty {
public:
    StatusPropertyMatrix4x4(const char* name, const VornCommon::Matrix4x4f& value);
    std::string GetValueAsString() const override;

private:
    VornCommon::Matrix4x4f _value;
};

} // namespace Hyx
