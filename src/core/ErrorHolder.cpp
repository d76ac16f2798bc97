#include <Hyx/ErrorHolder.h>

#include <utility>

namespace Hyx {

void ErrorHolder::ResetError() const
{
    _lastError = VornCommon::String();
}

VornCommon::String ErrorHolder::GetLastError(bool clear) const
{
    if (!clear)
        return _lastError;
    VornCommon::String text = std::move(_lastError);
    _lastError = VornCommon::String();
    return text;
}

void ErrorHolder::SetError(const VornCommon::String& text) const
{
    _lastError = text;
}

} // namespace Hyx
