#include <Hyx/FilterParamImage.h>

#include <cstring>
#include <limits>
#include <stdexcept>

namespace Hyx {

namespace {

uint32_t byteCount(int width, int height)
{
    const uint64_t bytes = uint64_t(width > 0 ? width : 0) * uint64_t(height > 0 ? height : 0) * 4u;
    if (bytes > std::numeric_limits<uint32_t>::max())
        throw std::length_error("FilterParamImage: image too large");
    return static_cast<uint32_t>(bytes);
}

} // namespace

FilterParamImage::FilterParamImage(const char* name, unsigned flags, int width, int height)
    : FilterParam(name, flags), _width(width > 0 ? width : 0), _height(height > 0 ? height : 0)
{
    const uint32_t bytes = byteCount(_width, _height);
    uint8_t* data = _pixels.resize(bytes);
    if (bytes > 0)
        std::memset(data, 0, bytes);
}

void FilterParamImage::SetValueAsString(const char*)
{
    NotifyValueChanged();
}

void FilterParamImage::CommitChanges()
{
    NotifyValueChanged();
}

std::string FilterParamImage::valueToString() const
{
    return std::string();
}

} // namespace Hyx
