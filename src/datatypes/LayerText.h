#pragma once

// Text forms of data layers and their small ASCII files: numbers as a default-state output
// stream writes them (floats with six significant digits, 1.0 as "1", 0.5 as "0.5"),
// whatever the host's locale; numbers are read back the same way.

#include <locale>
#include <sstream>
#include <string>

namespace Hyx::LayerText {

/// A default-state output stream in the classic locale. Widen u8 values to int before
/// streaming them, or they come out as characters.
inline std::ostringstream ClassicStream()
{
    std::ostringstream stream;
    stream.imbue(std::locale::classic());
    return stream;
}

/// value in default stream format.
std::string Float(float value);

/// The values in default stream format, separated by separator.
std::string Floats(const float* values, int count, const char* separator);

/// The number at the start of token as atof reads it in the classic locale, narrowed to
/// float (0 when the token does not start with one). found := whether it did.
float ParseFloat(const std::string& token, bool& found);

} // namespace Hyx::LayerText
