#pragma once

// Text forms of data layers: numbers as a default-state output stream writes them (floats
// with six significant digits, 1.0 as "1", 0.5 as "0.5"), whatever the host's locale.

#include <locale>
#include <sstream>

namespace Hyx::LayerText {

/// A default-state output stream in the classic locale. Widen u8 values to int before
/// streaming them, or they come out as characters.
inline std::ostringstream ClassicStream()
{
    std::ostringstream stream;
    stream.imbue(std::locale::classic());
    return stream;
}

} // namespace Hyx::LayerText
