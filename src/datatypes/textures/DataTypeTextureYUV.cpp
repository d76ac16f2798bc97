#include <Hyx/DataTypeTextureYUV.h>

#include "datatypes/textures/PixelConversion.h"
#include "impl/core/BuiltInRegistration.h"

namespace Hyx {

HYX_BUILTIN_DATA_LAYER(DataTypeTextureYUV_NVX);
HYX_BUILTIN_DATA_LAYER(DataTypeTextureYUV_NV21);
HYX_BUILTIN_DATA_LAYER(DataTypeTextureYUV_NV12);

DataTypeTextureYUV_NVX::DataTypeTextureYUV_NVX() : DataTypeTextureYUV(0)
{
}
DataTypeTextureYUV_NVX::~DataTypeTextureYUV_NVX() = default;

DataTypeTextureYUV_NV21::DataTypeTextureYUV_NV21() : DataTypeTextureYUV(0)
{
}
DataTypeTextureYUV_NV21::~DataTypeTextureYUV_NV21() = default;

DataTypeTextureYUV_NV12::DataTypeTextureYUV_NV12() : DataTypeTextureYUV(0)
{
}
DataTypeTextureYUV_NV12::~DataTypeTextureYUV_NV12() = default;

uint16_t DataTypeTextureYUV::GetHeight() const
{
    return uint16_t(GetYUVLumaHeight(_height));
}

bool DataTypeTextureYUV::deserializeAndMigrate(uint8_t* data, uint32_t size)
{
    if (!DataTypeTexture8Bit::deserializeAndMigrate(data, size))
        return false;
    const uint32_t chroma = uint32_t(_width) * GetHeight();
    _uOffset = chroma;
    _vOffset = chroma;
    switch (GetTextureFormat()) {
    case TextureFormat::YUV_NV21: _uOffset += 1; break;
    case TextureFormat::YUV_NVX: _vOffset += _width / 2u; break;
    default: // NV12
        _vOffset += 1;
        break;
    }
    return true;
}

bool DataTypeTextureYUV::readYuv(int x, int y, int32_t yuv[3]) const
{
    if (!_pixels || x < 0 || y < 0 || x >= _width || y >= GetHeight())
        return false;
    const uint32_t width = _width;
    yuv[0] = _pixels[width * uint32_t(y) + uint32_t(x)];
    yuv[1] = yuv[2] = 128;
    const uint32_t samples = width / 2; // complete chroma samples per row
    if (samples == 0)
        return true;
    const uint32_t step = GetTextureFormat() == TextureFormat::YUV_NVX ? 1 : 2;
    const uint32_t column = std::min(uint32_t(x) / 2, samples - 1);
    const uint32_t c = uint32_t(y) / 2 * width + step * column;
    // Stays inside the block: luma rows + chroma rows of a stored height cover every y / 2.
    const uint32_t size = GetTextureSizeInBytes();
    if (_uOffset + c < size && _vOffset + c < size) {
        yuv[1] = _pixels[_uOffset + c];
        yuv[2] = _pixels[_vOffset + c];
    }
    return true;
}

uint32_t DataTypeTextureYUV::GetPixelAsRGB24BitValue(int x, int y) const
{
    int32_t yuv[3];
    return readYuv(x, y, yuv) ? PixelConversion::YuvToRgb<10, 255, 8>(yuv[0], yuv[1], yuv[2]) : 0;
}

uint32_t DataTypeTextureYUV::GetPixelAsRGB30BitValue(int x, int y) const
{
    int32_t yuv[3];
    return readYuv(x, y, yuv) ? PixelConversion::YuvToRgb<8, 1023, 10>(yuv[0], yuv[1], yuv[2]) : 0;
}

uint32_t DataTypeTextureYUV::GetPixelAsYUV24BitValue(int x, int y) const
{
    int32_t yuv[3];
    return readYuv(x, y, yuv) ? uint32_t(yuv[0]) | uint32_t(yuv[1]) << 8 | uint32_t(yuv[2]) << 16 : 0;
}

} // namespace Hyx
