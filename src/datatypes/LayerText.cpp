#include "datatypes/LayerText.h"

#include <clocale>
#include <cstdlib>

#include <locale.h>

namespace Hyx::LayerText {

std::string Float(float value)
{
    std::ostringstream stream = ClassicStream();
    stream << value;
    return stream.str();
}

std::string Floats(const float* values, int count, const char* separator)
{
    std::ostringstream stream = ClassicStream();
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            stream << separator;
        stream << values[i];
    }
    return stream.str();
}

float ParseFloat(const std::string& token, bool& found)
{
    // Created once and kept for the process: the host may change the global locale.
    static const locale_t classic = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(nullptr));
    const char* begin = token.c_str();
    char* end = nullptr;
    const double value = strtod_l(begin, &end, classic);
    found = end != begin;
    return static_cast<float>(value);
}

} // namespace Hyx::LayerText
