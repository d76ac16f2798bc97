#pragma once

// Parameters holding several floats: 2-, 3- and 4-component vectors, an RGBA colour and a
// 4x4 matrix. Each value sits behind the parameter's own mutex; readers get copies.
//
// Vector text form: the components in the default stream float format joined by "/"
// ("0.5/1/2"). Parsing splits at every "/"; exactly the component count of parts is
// accepted, each read leniently (no number reads as 0); any other count leaves the value.
// Colour and matrix use the text forms of VornCommon::Color and VornCommon::Matrix4x4f;
// a text those refuse raises their std::invalid_argument and leaves the value.

#include <Hyx/FilterParam.h>

#include <VornCommon/Color.h>
#include <VornCommon/Matrix4x4f.h>

#include <array>
#include <mutex>

namespace Hyx {

/// Shared base of the vector parameters: up to 4 floats.
class HYX_API FilterParamFloatVector : public FilterParam {
public:
    void SetValueAsString(const char* value) override;
    /// Number of components.
    unsigned GetNumComponents() const { return _count; }

protected:
    /// Takes `count` floats (a null pointer gives zeros).
    FilterParamFloatVector(const char* name, unsigned flags, const float* values, unsigned count);

    std::string valueToString() const override;
    /// Stores the components and notifies when any compares unequal: a NaN component
    /// notifies at every setting (NaN is unequal to itself), -0 for 0 changes nothing.
    void setValues(const float* values);
    /// Copies the components out.
    void getValues(float* out) const;

private:
    const unsigned _count;
    mutable std::mutex _mutex;
    std::array<float, 4> _values{}; // components beyond the count stay 0
};

class HYX_API FilterParamVector2 : public FilterParamFloatVector {
public:
    /// Starts with the components.
    FilterParamVector2(const char* name, unsigned flags, float x, float y);
    /// Takes 2 floats; null gives zeros.
    FilterParamVector2(const char* name, unsigned flags, const float* values);

    /// A copy of the components.
    std::array<float, 2> GetValue() const;
    /// Stores and notifies when a component differs.
    void SetValue(float x, float y);
};

class HYX_API FilterParamVector3 : public FilterParamFloatVector {
public:
    /// Starts with the components.
    FilterParamVector3(const char* name, unsigned flags, float x, float y, float z);
    /// Takes 3 floats; null gives zeros.
    FilterParamVector3(const char* name, unsigned flags, const float* values);

    /// A copy of the components.
    std::array<float, 3> GetValue() const;
    /// Stores and notifies when a component differs.
    void SetValue(float x, float y, float z);
};

class HYX_API FilterParamVector4 : public FilterParamFloatVector {
public:
    /// Starts with the components.
    FilterParamVector4(const char* name, unsigned flags, float x, float y, float z, float w);
    /// Takes 4 floats; null gives zeros.
    FilterParamVector4(const char* name, unsigned flags, const float* values);

    /// A copy of the components.
    std::array<float, 4> GetValue() const;
    /// Stores and notifies when a component differs.
    void SetValue(float x, float y, float z, float w);
};

class HYX_API FilterParamColorRgba : public FilterParam {
public:
    /// Starts with the colour.
    FilterParamColorRgba(const char* name, unsigned flags, const VornCommon::Color& value);

    /// Color::FromString of the text; stores and notifies when the colour differs.
    void SetValueAsString(const char* value) override;
    /// A copy of the colour.
    VornCommon::Color GetValue() const;
    /// Stores and notifies when the colour differs.
    void SetValue(const VornCommon::Color& value);

protected:
    std::string valueToString() const override;

private:
    mutable std::mutex _mutex;
    VornCommon::Color _value;
};

class HYX_API FilterParamMatrix4x4f : public FilterParam {
public:
    /// Starts with the matrix.
    FilterParamMatrix4x4f(const char* name, unsigned flags, const VornCommon::Matrix4x4f& value);

    /// Matrix4x4f::FromString of the text; stores and notifies when the matrix differs.
    void SetValueAsString(const char* value) override;
    /// A copy of the matrix.
    VornCommon::Matrix4x4f GetValue() const;
    /// Stores and notifies when the matrix differs.
    void SetValue(const VornCommon::Matrix4x4f& value);

protected:
    std::string valueToString() const override;

private:
    mutable std::mutex _mutex;
    VornCommon::Matrix4x4f _value;
};

} // namespace Hyx
