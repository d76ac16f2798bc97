#include "graph/xml/XmlGraphTexts.h"

#include "graph/params/ParamText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace Hyx::XmlGraphTexts {

namespace {

// Indexed by mode number 0 to 5; reading compares in this order.
constexpr const char* kPlayModeNames[] = {"forward once",  "forward loop", "backward once",
                                          "backward loop", "pingpong",     "pingpong inverse"};
constexpr int kNumPlayModeNames = 6;
constexpr const char* kRealtimeName = "realtime";

// The rate codes and their speed names; the index is the speed code of the other dialect.
constexpr float kRateCodes[] = {0.0f, -1.0f, -2.0f, -3.0f};
constexpr const char* kFpsNames[] = {"max", "orig", "orig/2", "orig*2"};
constexpr int kNumRateCodes = 4;

// Index of a rate code (0 to 3), or -1 for a plain rate.
int rateCodeIndex(float fps)
{
    for (int i = 0; i < kNumRateCodes; ++i) {
        if (fps == kRateCodes[i])
            return i;
    }
    return -1;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

const char* PlayModeName(PlaybackMode mode)
{
    const int number = static_cast<int>(mode);
    return number >= 0 && number < kNumPlayModeNames ? kPlayModeNames[number] : kRealtimeName;
}

PlaybackMode PlayModeFromName(const char* text)
{
    if (text != nullptr) {
        for (int i = 0; i < kNumPlayModeNames; ++i) {
            if (std::strcmp(text, kPlayModeNames[i]) == 0)
                return static_cast<PlaybackMode>(i);
        }
    }
    return PlaybackMode::Realtime;
}

std::string FpsText(float fps)
{
    const int code = rateCodeIndex(fps);
    return code >= 0 ? std::string(kFpsNames[code]) : ParamText::FromFloat(fps);
}

float FpsFromText(const char* text)
{
    if (text == nullptr)
        return 0.0f;
    for (int i = 0; i < kNumRateCodes; ++i) {
        if (std::strcmp(text, kFpsNames[i]) == 0)
            return kRateCodes[i];
    }
    // Only a decimal number counts ("0x10" reads as 0). Its float is what counts, as for a
    // "Framerate" text: a number too small for one reads as 0, one too large as an infinity.
    // The caller refuses the infinities, NaN and the rates whose period does not fit.
    const char* begin = text;
    const char* end = text + std::strlen(text);
    while (begin < end && isBlank(*begin))
        ++begin;
    if (begin + 1 < end && *begin == '+' && begin[1] != '-' && begin[1] != '+')
        ++begin;
    double value = 0.0;
    const std::from_chars_result read = std::from_chars(begin, end, value, std::chars_format::general);
    if (read.ec == std::errc::result_out_of_range) {
        const char* exponent = std::find_if(begin, read.ptr, [](char c) { return c == 'e' || c == 'E'; });
        if (exponent + 1 < read.ptr && exponent[1] == '-')
            return 0.0f;
        return *begin == '-' ? -std::numeric_limits<float>::infinity() : std::numeric_limits<float>::infinity();
    }
    if (read.ec != std::errc())
        return 0.0f;
    return static_cast<float>(value);
}

int SpeedCode(float fps)
{
    const int code = rateCodeIndex(fps);
    if (code >= 0)
        return code;
    if (!std::isfinite(fps))
        return 0;
    const float truncated = std::trunc(fps);
    if (truncated >= static_cast<float>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (truncated <= static_cast<float>(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return static_cast<int>(truncated);
}

float FpsFromSpeedCode(int code)
{
    return code >= 0 && code < kNumRateCodes ? kRateCodes[code] : static_cast<float>(code);
}

std::optional<int> ParseInt(const char* text)
{
    if (text == nullptr)
        return std::nullopt;
    const char* begin = text;
    const char* end = text + std::strlen(text);
    while (begin < end && isBlank(*begin))
        ++begin;
    while (end > begin && isBlank(end[-1]))
        --end;
    if (begin < end && *begin == '+' && end - begin > 1 && begin[1] != '-')
        ++begin;
    int value = 0;
    const auto result = std::from_chars(begin, end, value, 10);
    if (result.ec != std::errc() || result.ptr != end)
        return std::nullopt;
    return value;
}

} // namespace Hyx::XmlGraphTexts
