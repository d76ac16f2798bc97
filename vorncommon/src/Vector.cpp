#include <VornCommon/Vector.h>

#include "FloatText.h"

namespace VornCommon {

String Vector2f::ToString() const
{
    const float values[] = {x, y};
    std::string text;
    FloatText::AppendTuple(text, values, 2);
    return String(std::move(text));
}

String Vector3f::ToString() const
{
    const float values[] = {x, y, z};
    std::string text;
    FloatText::AppendTuple(text, values, 3);
    return String(std::move(text));
}

String Vector4f::ToString() const
{
    const float values[] = {x, y, z, w};
    std::string text;
    FloatText::AppendTuple(text, values, 4);
    return String(std::move(text));
}

} // namespace VornCommon
