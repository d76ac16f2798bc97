#include <Hyx/DataTypeTextureIR.h>

#include <Hyx/DataReader.h>

#include "datatypes/textures/TexturePreview.h"
#include "impl/core/BuiltInRegistration.h"

namespace Hyx {

HYX_BUILTIN_DATA_LAYER(DataTypeTextureIR);
HYX_BUILTIN_DATA_LAYER(DataTypeTexture16BitIR);
HYX_BUILTIN_DATA_LAYER(DataTypeTexture16BitDepthMap);

// ---- DataTypeTextureIR ----

DataTypeTextureIR::DataTypeTextureIR() : DataTypeTextureBase(1)
{
}

DataTypeTextureIR::~DataTypeTextureIR() = default;

std::string DataTypeTextureIR::ToString(bool friendly) const
{
    return DataTypeTextureBase::ToString(friendly) + ", Depth=" + GetTextureDepthName(_depth);
}

void DataTypeTextureIR::SetTexture(uint16_t width, uint16_t height, const uint8_t* pixels)
{
    writeTexture(width, height, 0, pixels, 5);
}

uint8_t* DataTypeTextureIR::AllocateTexture(uint16_t width, uint16_t height)
{
    return writeTexture(width, height, 0, nullptr, 5);
}

uint8_t* DataTypeTextureIR::AllocateTextureWithAdditionalBytes(uint16_t width, uint16_t height, uint32_t additional)
{
    return writeTexture(width, height, additional, nullptr, 5);
}

bool DataTypeTextureIR::deserializeAndMigrate(uint8_t* data, uint32_t size)
{
    clearTexture();
    if (_payloadVersion == 0) {
        _depth = TextureDepth::Depth8Bit;
        loadTexture(data, size, 4);
        return true;
    }
    if (_payloadVersion != 1)
        return false;
    DataReader reader(data, size);
    reader.read_uint16();
    reader.read_uint16();
    const uint8_t depth = size >= 5 ? reader.read_uint8() : 0;
    if (depth > uint8_t(TextureDepth::Depth16Bit))
        return false;
    _depth = TextureDepth(depth);
    loadTexture(data, size, 5);
    return true;
}

uint32_t DataTypeTextureIR::GetPixelAsRGB24BitValue(int x, int y) const
{
    if (!_pixels || x < 0 || y < 0 || x >= _width || y >= _height)
        return 0;
    const size_t index = size_t(_width) * size_t(y) + size_t(x);
    // At 16 bit the high byte of the little-endian sample equals trunc(sample / 65536 * 256).
    const uint32_t v = _depth == TextureDepth::Depth16Bit ? _pixels[2 * index + 1] : _pixels[index];
    return v * 0x010101u;
}

void DataTypeTextureIR::RenderTo2dRgbaBuffer(uint8_t* rgba)
{
    if (!_pixels || !rgba)
        return;
    const size_t count = size_t(_width) * _height;
    if (_depth == TextureDepth::Depth16Bit)
        TexturePreview::Grey16ToRgba(_pixels, rgba, count);
    else
        TexturePreview::GreyToRgba(_pixels, rgba, count);
}

// ---- 16-bit infrared and depth map ----

DataTypeTexture16BitIR::DataTypeTexture16BitIR() : DataTypeTexture16Bit(0)
{
}

DataTypeTexture16BitIR::~DataTypeTexture16BitIR() = default;

DataTypeTexture16BitDepthMap::DataTypeTexture16BitDepthMap() : DataTypeTexture16Bit(0)
{
}

DataTypeTexture16BitDepthMap::~DataTypeTexture16BitDepthMap() = default;

void DataTypeTexture16BitDepthMap::RenderTo2dRgbaBuffer(uint8_t* rgba)
{
    if (_pixels && rgba)
        TexturePreview::DepthMapToRgba(_pixels, rgba, size_t(_width) * _height);
}

} // namespace Hyx
