#pragma once

// Numbers in layer texts and small ASCII files: floats exactly as a default-state output
// stream writes them (six significant digits: 1.0 gives "1", 0.5 gives "0.5"), in the
// classic locale whatever the host's global locale is. Numbers are read back the same way.

#include <string>

namespace Hyx::LayerText {

/// value in default stream format.
std::string Float(float value);

/// The values in default stream format, separated by separator.
std::string Floats(const float* values, int count, const char* separator);

/// The number at the start of token as atof reads it in the classic locale, narrowed to
/// float (0 when the token does not start with one). found := whether it did.
float ParseFloat(const std::string& token, bool& found);

} // namespace Hyx::LayerText
