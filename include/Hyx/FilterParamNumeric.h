#pragma once

// Boolean and number parameters. Values are atomic: a filter reads them on its worker
// thread while a host sets them. Minimum and maximum are informational; no setter clamps.
//
// Text forms: bool "True"/"False"; integers in decimal; float in the default stream format
// (six significant digits). Parse rules, none of which looks past the number it reads:
// - bool: true exactly for "True", "true" or "1", false for every other text;
// - integers, as the standard integer conversions: leading blanks, a sign, then decimal
//   digits up to the first other character; the rest of the text is ignored without a
//   word, so "12abc" reads 12, "0x10" reads 0 and "1e3" reads 1. The unsigned type takes a
//   minus sign modulo 2^32: "-1" reads 4294967295. Only a text without a leading digit
//   throws std::invalid_argument ("invalid stoi argument", "invalid stoul argument",
//   "invalid stoll argument") and a number beyond the type std::out_of_range ("stoi
//   argument out of range", and the stoul and stoll forms); the value is then unchanged. A
//   host passing text a person typed checks it whole before it sets it;
// - float: the longest leading number, also "inf", "nan" and hexadecimal ("0x10" reads
//   16); a text without one reads 0, without a word.

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
    /// Stores the value and notifies when it compares unequal to the one before. For a float
    /// that is not quite "differs": NaN is unequal to itself, so NaN set again notifies
    /// again, while -0 and 0 are equal, so one replacing the other is stored without a
    /// notice, though the text changes ("0" to "-0").
    void SetValue(T value);
    /// The informational minimum.
    T GetMinValue() const { return _min; }
    /// The informational maximum.
    T GetMaxValue() const { return _max; }
    /// The type's parse rule (see above).
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

/// 32-bit signed; integer parse ("invalid stoi argument", "stoi argument out of range").
class HYX_API FilterParamInt32 : public FilterParamNumber<int> {
public:
    using FilterParamNumber::FilterParamNumber;
    ~FilterParamInt32() override;
};

/// 32-bit unsigned; integer parse, "-1" wrapping ("invalid stoul argument", "stoul argument
/// out of range").
class HYX_API FilterParamUInt32 : public FilterParamNumber<uint32_t> {
public:
    using FilterParamNumber::FilterParamNumber;
    ~FilterParamUInt32() override;
};

/// 64-bit signed; integer parse ("invalid stoll argument", "stoll argument out of range").
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
