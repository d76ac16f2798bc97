#pragma once

// Text forms of the float value types: numbers as the default output stream writes them (six
// significant digits, general notation), independent of the process locale.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace VornCommon::FloatText {

/// Appends `value` in default stream format ("1", "0.5", "1e-07", "inf", "nan").
void Append(std::string& out, float value);

/// Appends "(a, b, ...)" for `count` values.
void AppendTuple(std::string& out, const float* values, std::size_t count);

/// Reads every number of `text`, numbers being separated by any of blank, tab, CR, LF, ",",
/// "/", ";", "(" and ")". Throws std::invalid_argument naming `what` and the text when a token
/// is not a number.
std::vector<float> ParseNumbers(std::string_view text, const char* what);

} // namespace VornCommon::FloatText
