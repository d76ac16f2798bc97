#include <VornCommon/Image.h>

namespace VornCommon {

Image::Image(uint32_t width, uint32_t height)
    : m_width(width), m_height(height), m_pixels(static_cast<std::size_t>(uint64_t(width) * height * 4), 0)
{
}

} // namespace VornCommon
