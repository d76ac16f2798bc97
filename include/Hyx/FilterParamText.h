#pragma once

// Text parameters. FilterParamString holds a text and notifies on a change;
// FilterParamCallback is a trigger: every setting notifies, also with the same text, and the
// owning filter acts on the notification. A null text counts as empty. Values sit behind the
// parameter's own mutex; readers get copies.

#include <Hyx/FilterParam.h>

#include <mutex>
#include <string>

namespace Hyx {

class HYX_API FilterParamString : public FilterParam {
public:
    /// A null default gives the empty text.
    FilterParamString(const char* name, unsigned flags, const char* value);

    /// Stores and notifies when the text differs.
    void SetValueAsString(const char* value) override;
    /// A copy of the text.
    std::string GetValue() const;

protected:
    std::string valueToString() const override;

private:
    mutable std::mutex _mutex;
    std::string _value;
};

class HYX_API FilterParamCallback : public FilterParam {
public:
    /// Starts with the empty text.
    FilterParamCallback(const char* name, unsigned flags);

    /// Stores the text and always notifies.
    void SetValueAsString(const char* value) override;

protected:
    std::string valueToString() const override;

private:
    mutable std::mutex _mutex;
    std::string _value;
};

} // namespace Hyx
