#pragma once

// Number texts of the filter parameters, independent of the host's locale.
//
// Strict conversions read like the standard integer conversions of the original platform:
// leading blanks, an optional sign, then decimal digits up to the first other character.
// They raise std::invalid_argument when no digit follows and std::out_of_range when the
// number does not fit, with that platform's texts ("invalid stoi argument", "stoi argument
// out of range", and the stoul / stoll forms). Its unsigned long has 32 bits, so the
// unsigned form refuses 4294967296 and wraps "-1" to 4294967295.
//
// Lenient conversions read the longest leading number and give 0 when there is none; they
// never raise.

#include <cstdint>
#include <string>

namespace Hyx::ParamText {

/// Strict 32-bit signed conversion; a null text counts as empty.
int32_t ToInt32(const char* text);
/// Strict 32-bit unsigned conversion; a null text counts as empty.
uint32_t ToUInt32(const char* text);
/// Strict 64-bit signed conversion; a null text counts as empty.
int64_t ToInt64(const char* text);

/// Lenient decimal (or hexadecimal, "inf", "nan") number; 0 when there is none.
double ToNumber(const char* text);
/// Lenient integer, clamped to the 32-bit range; 0 when there is none.
int32_t ToLenientInt(const char* text);

/// Default stream formatting of a float: six significant digits, shortest of fixed and
/// exponent notation ("0.5", "1e+07").
std::string FromFloat(float value);

} // namespace Hyx::ParamText
