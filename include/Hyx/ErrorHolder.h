#pragma once

// Keeps an object's last error text. Graphs and filters derive from it. The text is
// changed through const operations (the field is mutable) and has no lock of its own: the
// deriving class guards it.

#include <Hyx/Export.h>

#include <VornCommon/String.h>

namespace Hyx {

class HYX_API ErrorHolder {
public:
    /// Empties the text.
    void ResetError() const;
    /// A copy of the text; with clear set the stored text is emptied afterwards.
    VornCommon::String GetLastError(bool clear) const;

protected:
    /// Starts with an empty text.
    ErrorHolder() = default;
    /// Replaces the text.
    void SetError(const VornCommon::String& text) const;

private:
    mutable VornCommon::String _lastError;
};

} // namespace Hyx
