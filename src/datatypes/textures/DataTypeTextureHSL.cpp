#include <Hyx/DataTypeTextureHSL.h>

#include "datatypes/textures/PixelConversion.h"
#include "datatypes/textures/TexturePreview.h"
#include "impl/core/BuiltInRegistration.h"

#include <cstring>

namespace Hyx {

HYX_BUILTIN_DATA_LAYER(DataTypeTextureHSL24);
HYX_BUILTIN_DATA_LAYER(DataTypeTextureHSL30);

namespace {

uint32_t widen24To30(uint32_t value)
{
    return (value & 0xFF) << 2 | (value >> 8 & 0xFF) << 12 | (value >> 16 & 0xFF) << 22;
}

} // namespace

// ---- HSL24 ----

DataTypeTextureHSL24::DataTypeTextureHSL24() : DataTypeTextureBase(0)
{
}

DataTypeTextureHSL24::~DataTypeTextureHSL24() = default;

void DataTypeTextureHSL24::HSL24toRGB24(const uint8_t* hsl, uint8_t* rgb)
{
    const uint32_t value = PixelConversion::Hsl24ToRgb24(hsl[0], hsl[1], hsl[2]);
    rgb[0] = uint8_t(value);
    rgb[1] = uint8_t(value >> 8);
    rgb[2] = uint8_t(value >> 16);
}

uint32_t DataTypeTextureHSL24::GetPixelAsHSL24BitValue(int x, int y) const
{
    if (!_pixels || x < 0 || y < 0 || x >= _width || y >= _height)
        return 0;
    const uint8_t* p = _pixels + (size_t(_width) * size_t(y) + size_t(x)) * 3;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
}

uint32_t DataTypeTextureHSL24::GetPixelAsHSL30BitValue(int x, int y) const
{
    return widen24To30(GetPixelAsHSL24BitValue(x, y));
}

uint32_t DataTypeTextureHSL24::GetPixelAsRGB24BitValue(int x, int y) const
{
    if (!_pixels || x < 0 || y < 0 || x >= _width || y >= _height)
        return 0;
    const uint32_t hsl = GetPixelAsHSL24BitValue(x, y);
    return PixelConversion::Hsl24ToRgb24(uint8_t(hsl), uint8_t(hsl >> 8), uint8_t(hsl >> 16));
}

uint32_t DataTypeTextureHSL24::GetPixelAsRGB30BitValue(int x, int y) const
{
    return widen24To30(GetPixelAsRGB24BitValue(x, y));
}

uint32_t DataTypeTextureHSL24::GetPixelAsYUV24BitValue(int x, int y) const
{
    if (!_pixels || x < 0 || y < 0 || x >= _width || y >= _height)
        return 0;
    return PixelConversion::Rgb24ToYuv(GetPixelAsRGB24BitValue(x, y));
}

void DataTypeTextureHSL24::RenderTo2dRgbaBuffer(uint8_t* rgba)
{
    if (_pixels && rgba)
        TexturePreview::Hsl24ToRgba(_pixels, rgba, size_t(_width) * _height);
}

// ---- HSL30 ----

DataTypeTextureHSL30::DataTypeTextureHSL30() : DataTypeTextureBase(0)
{
}

DataTypeTextureHSL30::~DataTypeTextureHSL30() = default;

void DataTypeTextureHSL30::HSL30toRGB30(uint32_t hsl, uint32_t& rgb)
{
    rgb = PixelConversion::Hsl30ToRgb30(hsl);
}

void DataTypeTextureHSL30::HSL30toRGB24(uint32_t hsl, uint32_t& rgb)
{
    rgb = PixelConversion::Hsl30ToRgb24(hsl);
}

bool DataTypeTextureHSL30::pixelAt(int x, int y, uint32_t& value) const
{
    value = 0;
    if (!_pixels || x < 0 || y < 0 || x >= _width || y >= _height)
        return false;
    std::memcpy(&value, _pixels + (size_t(_width) * size_t(y) + size_t(x)) * 4, 4);
    return true;
}

uint32_t DataTypeTextureHSL30::GetPixelAsHSL30BitValue(int x, int y) const
{
    uint32_t value;
    pixelAt(x, y, value);
    return value;
}

uint32_t DataTypeTextureHSL30::GetPixelAsHSL24BitValue(int x, int y) const
{
    uint32_t v;
    return pixelAt(x, y, v) ? (v >> 2 & 0xFF) | (v >> 12 & 0xFF) << 8 | (v >> 22 & 0xFF) << 16 : 0;
}

uint32_t DataTypeTextureHSL30::GetPixelAsRGB24BitValue(int x, int y) const
{
    uint32_t v;
    return pixelAt(x, y, v) ? PixelConversion::Hsl30ToRgb24(v) : 0;
}

uint32_t DataTypeTextureHSL30::GetPixelAsRGB30BitValue(int x, int y) const
{
    uint32_t v;
    return pixelAt(x, y, v) ? PixelConversion::Hsl30ToRgb30(v) : 0;
}

uint32_t DataTypeTextureHSL30::GetPixelAsYUV24BitValue(int x, int y) const
{
    uint32_t v;
    return pixelAt(x, y, v) ? PixelConversion::Rgb24ToYuv(PixelConversion::Hsl30ToRgb24(v)) : 0;
}

void DataTypeTextureHSL30::RenderTo2dRgbaBuffer(uint8_t* rgba)
{
    if (_pixels && rgba)
        TexturePreview::Hsl30ToRgba(_pixels, rgba, size_t(_width) * _height);
}

} // namespace Hyx
