#include <Hyx/DataTypeTextureRGB.h>

#include "datatypes/textures/PixelConversion.h"
#include "datatypes/textures/TextureImageFile.h"
#include "datatypes/textures/TexturePreview.h"
#include "impl/core/BuiltInRegistration.h"

#include <cstring>
#include <vector>

namespace Hyx {

HYX_BUILTIN_DATA_LAYER(DataTypeTextureRGB);
HYX_BUILTIN_DATA_LAYER(DataTypeTextureBGR);
HYX_BUILTIN_DATA_LAYER(DataTypeTextureRGBA);
HYX_BUILTIN_DATA_LAYER(DataTypeTextureRGB30);

namespace {

// The pixel's first byte, or null outside the image or on an empty texture.
const uint8_t* pixelAt(const DataTypeTextureBase& texture, int x, int y, uint32_t bytesPerPixel)
{
    const uint8_t* pixels = texture.GetDataPtr();
    if (!pixels || x < 0 || y < 0 || x >= texture.GetWidth() || y >= texture.GetHeight())
        return nullptr;
    return pixels + (size_t(texture.GetInternalWidth()) * size_t(y) + size_t(x)) * bytesPerPixel;
}

uint32_t pack24(uint32_t r, uint32_t g, uint32_t b)
{
    return r | g << 8 | b << 16;
}

uint32_t widen24To30(uint32_t rgb)
{
    return (rgb & 0xFF) << 2 | (rgb >> 8 & 0xFF) << 12 | (rgb >> 16 & 0xFF) << 22;
}

uint32_t rgb30At(const DataTypeTextureBase& texture, int x, int y, bool& inside)
{
    const uint8_t* p = pixelAt(texture, x, y, 4);
    inside = p != nullptr;
    uint32_t value = 0;
    if (p)
        std::memcpy(&value, p, 4);
    return value;
}

} // namespace

// ---- RGB ----

DataTypeTextureRGB::DataTypeTextureRGB() : DataTypeTexture24Bit(0)
{
}

DataTypeTextureRGB::~DataTypeTextureRGB() = default;

uint32_t DataTypeTextureRGB::GetPixelAsRGB24BitValue(int x, int y) const
{
    const uint8_t* p = pixelAt(*this, x, y, 3);
    return p ? pack24(p[0], p[1], p[2]) : 0;
}

uint32_t DataTypeTextureRGB::GetPixelAsRGB30BitValue(int x, int y) const
{
    return widen24To30(GetPixelAsRGB24BitValue(x, y));
}

uint32_t DataTypeTextureRGB::GetPixelAsYUV24BitValue(int x, int y) const
{
    const uint8_t* p = pixelAt(*this, x, y, 3);
    return p ? PixelConversion::Rgb24ToYuv(pack24(p[0], p[1], p[2])) : 0;
}

bool DataTypeTextureRGB::LoadFromFile(const char* path)
{
    return loadImageFile(path, false);
}

void DataTypeTextureRGB::FlipImageVertically()
{
    if (!_pixels || _height < 2)
        return;
    const size_t row = size_t(_width) * 3;
    std::vector<uint8_t> scratch(row);
    for (size_t top = 0, bottom = _height - 1u; top < bottom; ++top, --bottom) {
        uint8_t* a = _pixels + top * row;
        uint8_t* b = _pixels + bottom * row;
        std::memcpy(scratch.data(), a, row);
        std::memcpy(a, b, row);
        std::memcpy(b, scratch.data(), row);
    }
}

// ---- BGR ----

DataTypeTextureBGR::DataTypeTextureBGR() : DataTypeTexture24Bit(0)
{
}

DataTypeTextureBGR::~DataTypeTextureBGR() = default;

uint32_t DataTypeTextureBGR::GetPixelAsRGB24BitValue(int x, int y) const
{
    const uint8_t* p = pixelAt(*this, x, y, 3);
    return p ? pack24(p[2], p[1], p[0]) : 0;
}

uint32_t DataTypeTextureBGR::GetPixelAsRGB30BitValue(int x, int y) const
{
    return widen24To30(GetPixelAsRGB24BitValue(x, y));
}

uint32_t DataTypeTextureBGR::GetPixelAsYUV24BitValue(int x, int y) const
{
    const uint8_t* p = pixelAt(*this, x, y, 3);
    return p ? PixelConversion::Rgb24ToYuv(pack24(p[2], p[1], p[0])) : 0;
}

bool DataTypeTextureBGR::LoadFromFile(const char* path)
{
    return loadImageFile(path, true);
}

// ---- RGBA ----

DataTypeTextureRGBA::DataTypeTextureRGBA() : DataTypeTextureBase(0)
{
}

DataTypeTextureRGBA::~DataTypeTextureRGBA() = default;

void DataTypeTextureRGBA::RenderTo2dRgbaBuffer(uint8_t* rgba)
{
    if (_pixels && rgba)
        std::memcpy(rgba, _pixels, size_t(_width) * _height * 4);
}

// ---- RGB30 ----

DataTypeTextureRGB30::DataTypeTextureRGB30() : DataTypeTextureBase(0)
{
}

DataTypeTextureRGB30::~DataTypeTextureRGB30() = default;

uint32_t DataTypeTextureRGB30::GetPixelAsRGB24BitValue(int x, int y) const
{
    bool inside = false;
    const uint32_t v = rgb30At(*this, x, y, inside);
    return inside ? pack24(v >> 2 & 0xFF, v >> 12 & 0xFF, v >> 22 & 0xFF) : 0;
}

uint32_t DataTypeTextureRGB30::GetPixelAsRGB30BitValue(int x, int y) const
{
    bool inside = false;
    return rgb30At(*this, x, y, inside);
}

uint32_t DataTypeTextureRGB30::GetPixelAsYUV24BitValue(int x, int y) const
{
    bool inside = false;
    const uint32_t v = rgb30At(*this, x, y, inside);
    return inside ? PixelConversion::Rgb30ToYuv(v) : 0;
}

void DataTypeTextureRGB30::RenderTo2dRgbaBuffer(uint8_t* rgba)
{
    if (_pixels && rgba)
        TexturePreview::Rgb30ToRgba(_pixels, rgba, size_t(_width) * _height);
}

} // namespace Hyx
