#pragma once

// Boolean and number parameters. Values are atomic: a filter reads them on its worker
// thread while a host sets them. Minimum and maximum are informational; no setter clamps.
//
// Text forms: bool "True"/"False"; integers in decimal; float in the default stream format
// (six significant digits). Parse rules: bool is true exactly for "True", "true" or "1";
// integers are strict (std::invalid_argument / std::out_of_range with the stoi, stoul and
// stoll texts, value unchanged); float is lenient (no number reads as 0).

#include <Hyx/FilterParam.h>

#include <atomic>
#include <cstdint>

namespace Hyx {

class HYX_API FilterParamBool : public FilterParam {
public:
    /// Starts with the value.
    FilterParamBool(const char* name, unsigned flags, bool value);

    void SetValueAsString(const char* value) override;
    /// The value.
    bool GetValue() const { return _value.load(); }
    /// Stores and notifies when the value differs.
    void SetValue(bool value);
    /// True exactly for "True", "true" and "1".
    static bool StringToValue(const char* text);

protected:
    std::string valueToString() const override;

private:
    std::atomic<bool> _value;
};

/// Shared implementation of the number parameters (atomic value, informational range).
template <class T>
class HYX_API FilterParamNumber : public FilterParam {
public:
    /// Starts with the value; the range is informational.
    FilterParamNumber(const char* name, unsigned flags, T value, T minValue, T maxValue);
    ~FilterParamNumber() override;

    /// Parses with StringToValue (integers throw on bad text, the value then unchanged).
    void SetValueAsString(const char* value) override;
    /// The value.
    T GetValue() const { return _value.load(); }
    /// Stores and notifies when the value differs.
    void SetValue(T value);
    /// The informational minimum.
    T GetMinValue() const { return _min; }
    /// The informational maximum.
    T GetMaxValue() const { return _max; }
    /// The type's parse rule (strict for integers, lenient for float).
    static T StringToValue(const char* text);

protected:
    std::string valueToString() const override;

private:
    std::atomic<T> _value;
    const T _min;
    const T _max;
};

extern template class FilterParamNumber<int>;
extern template class FilterParamNumber<uint32_t>;
extern template class FilterParamNumber<long long>;
extern template class FilterParamNumber<float>;

/// 32-bit signed; strict parse ("invalid stoi argument", "stoi argument out of range").
class HYX_API FilterParamInt32 : public FilterParamNumber<int> {
public:
    using FilterParamNumber::FilterParamNumber;
    ~FilterParamInt32() override;
};

/// 32-bit unsigned; strict parse ("invalid stoul argument", "stoul argument out of range").
class HYX_API FilterParamUInt32 : public FilterParamNumber<uint32_t> {
public:
    using FilterParamNumber::FilterParamNumber;
    ~FilterParamUInt32() override;
};

/// 64-bit signed; strict parse ("invalid stoll argument", "stoll argument out of range").
class HYX_API FilterParamInt64 : public FilterParamNumber<long long> {
public:
    using FilterParamNumber::FilterParamNumber;
    ~FilterParamInt64() override;
};

/// Float; lenient parse, default stream text form.
class HYX_API FilterParamFloat : public FilterParamNumber<float> {
public:
    using FilterParamNumber::FilterParamNumber;
    ~FilterParamFloat() override;
};

} // namespace Hyx
