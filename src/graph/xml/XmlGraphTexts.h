#pragma once

// Value texts of the XML graph files: play-mode names and speed texts of the "hyx" dialect,
// speed codes of the "quendra" dialect, and the integer attributes. Everything is read and
// written in the classic locale.

#include <Hyx/FrameOrderProvider.h>

#include <optional>
#include <string>

namespace Hyx::XmlGraphTexts {

/// "forward once" ... "pingpong inverse" for modes 0 to 5, "realtime" for any other.
const char* PlayModeName(PlaybackMode mode);
/// The mode whose name equals the text exactly (case-sensitive); Realtime otherwise.
PlaybackMode PlayModeFromName(const char* text);

/// "max", "orig", "orig/2", "orig*2" for the rate codes, else the float with six
/// significant digits ("25", "12.5").
std::string FpsText(float fps);
/// The rate of a speed text: the four names, else the text's leading number as a float (0
/// for one too small for a float, an infinity for one too large: "1e40"); 0.0 ("max") when
/// the text does not begin with a number. Whether it is a rate (RateFault) is the caller's
/// to check.
float FpsFromText(const char* text);

/// The integer speed code: 0 to 3 for the rate codes, else the rate truncated toward zero
/// (clamped to the int range); 0 ("max") for NaN and the infinities, which give no rate.
int SpeedCode(float fps);
/// The rate of a speed code: 0 to 3 are the rate codes, any other n is n frames per second.
float FpsFromSpeedCode(int code);

/// The decimal integer that makes up the whole text (blanks around it allowed); empty for
/// a null text, any other character, or a value beyond the int range.
std::optional<int> ParseInt(const char* text);

} // namespace Hyx::XmlGraphTexts
