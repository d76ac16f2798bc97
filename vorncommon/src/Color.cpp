#include <VornCommon/Color.h>

#include "FloatText.h"

#include <stdexcept>

namespace VornCommon {

String Color::ToString() const
{
    const float values[] = {r, g, b, a};
    std::string text;
    FloatText::AppendTuple(text, values, 4);
    return String(std::move(text));
}

Color Color::FromString(const std::string& text)
{
    const std::vector<float> n = FloatText::ParseNumbers(text, "colour");
    if (n.size() == 3)
        return Color(n[0], n[1], n[2]);
    if (n.size() == 4)
        return Color(n[0], n[1], n[2], n[3]);
    throw std::invalid_argument("Colour text needs 3 or 4 numbers, has " + std::to_string(n.size()) + ": '" +
                                text.substr(0, 200) + "'");
}

} // namespace VornCommon
