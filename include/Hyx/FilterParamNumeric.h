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
    FilterParamBool(const char* name, unsigned flags, bool value);

    void SetValueAsString(const char* value) override;
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

class HYX_API FilterParamInt32 : public FilterParam {
public:
    FilterParamInt32(const char* name, unsigned flags, int value, int minValue, int maxValue);

    /// Throws on text that is not a 32-bit number; the value is then unchanged.
    void SetValueAsString(const char* value) override;
    int GetValue() const { return _value.load(); }
    void SetValue(int value);
    int GetMinValue() const { return _min; }
    int GetMaxValue() const { return _max; }
    /// Strict conversion ("invalid stoi argument", "stoi argument out of range").
    static int StringToValue(const char* text);

protected:
    std::string valueToString() const override;

private:
    std::atomic<int> _value;
    const int _min;
    const int _max;
};

class HYX_API FilterParamUInt32 : public FilterParam {
public:
    FilterParamUInt32(const char* name, unsigned flags, uint32_t value, uint32_t minValue, uint32_t maxValue);

    /// Throws on text that is not a 32-bit unsigned number; the value is then unchanged.
    void SetValueAsString(const char* value) override;
    uint32_t GetValue() const { return _value.load(); }
    void SetValue(uint32_t value);
    uint32_t GetMinValue() const { return _min; }
    uint32_t GetMaxValue() const { return _max; }
    /// Strict conversion ("invalid stoul argument", "stoul argument out of range").
    static uint32_t StringToValue(const char* text);

protected:
    std::string valueToString() const override;

private:
    std::atomic<uint32_t> _value;
    const uint32_t _min;
    const uint32_t _max;
};

class HYX_API FilterParamInt64 : public FilterParam {
public:
    FilterParamInt64(const char* name, unsigned flags, long long value, long long minValue, long long maxValue);

    /// Throws on text that is not a 64-bit number; the value is then unchanged.
    void SetValueAsString(const char* value) override;
    long long GetValue() const { return _value.load(); }
    void SetValue(long long value);
    long long GetMinValue() const { return _min; }
    long long GetMaxValue() const { return _max; }
    /// Strict conversion ("invalid stoll argument", "stoll argument out of range").
    static long long StringToValue(const char* text);

protected:
    std::string valueToString() const override;

private:
    std::atomic<long long> _value;
    const long long _min;
    const long long _max;
};

class HYX_API FilterParamFloat : public FilterParam {
public:
    FilterParamFloat(const char* name, unsigned flags, float value, float minValue, float maxValue);

    void SetValueAsString(const char* value) override;
    float GetValue() const { return _value.load(); }
    void SetValue(float value);
    float GetMinValue() const { return _min; }
    float GetMaxValue() const { return _max; }
    /// Lenient conversion: the leading number, 0 when there is none.
    static float StringToValue(const char* text);

protected:
    std::string valueToString() const override;

private:
    std::atomic<float> _value;
    const float _min;
    const float _max;
};

} // namespace Hyx
