#include <Hyx/DataTypeTextureBase.h>

#include <Hyx/DataReader.h>
#include <Hyx/StatusProperty.h>

#include "datatypes/textures/PayloadAlias.h"
#include "datatypes/textures/TextureImageFile.h"
#include "datatypes/textures/TexturePreview.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace Hyx {

namespace {

// Classes whose pixels the library cannot show: the GPU block formats other than DXT1 and
// DXT5-YCoCg, and the run-length forms.
bool hasPreview(TextureFormat format)
{
    switch (format) {
    case TextureFormat::DXT1RLE:
    case TextureFormat::ETC2:
    case TextureFormat::ETC2RLE:
    case TextureFormat::ASTC:
    case TextureFormat::ASTCRLE: return false;
    default: return true;
    }
}

} // namespace

DataTypeTextureBase::DataTypeTextureBase(uint16_t classVersion) : DataLayer(classVersion)
{
}

DataTypeTextureBase::~DataTypeTextureBase() = default;

std::string DataTypeTextureBase::ToString(bool friendly) const
{
    return DataLayer::ToString(friendly) + ", Width=" + std::to_string(GetWidth()) +
           ", Height=" + std::to_string(GetHeight()) + ", Format=" + GetTextureFormatName(GetTextureFormat());
}

bool DataTypeTextureBase::CanRenderTo2dRgbaBuffer(int& width, int& height)
{
    width = _width;
    height = _height;
    return _pixels != nullptr && hasPreview(GetTextureFormat());
}

uint16_t DataTypeTextureBase::GetWidth() const
{
    return _width;
}

uint16_t DataTypeTextureBase::GetHeight() const
{
    return _height;
}

TextureDepth DataTypeTextureBase::GetDepth() const
{
    return _depth;
}

void DataTypeTextureBase::SetDepth(TextureDepth depth)
{
    if (depth != TextureDepth::Depth8Bit && depth != TextureDepth::Depth16Bit)
        throw std::invalid_argument("Texture depth not supported!");
    _depth = depth;
    // The block of the new depth may not fit the payload that the pixels were found in.
    locatePixels(_payload ? _payload->data() : nullptr, _payload ? _payload->size() : 0);
}

void DataTypeTextureBase::SetTexture(uint16_t width, uint16_t height, const uint8_t* pixels)
{
    writeTexture(width, height, 0, pixels, 4);
}

uint8_t* DataTypeTextureBase::AllocateTexture(uint16_t width, uint16_t height)
{
    return writeTexture(width, height, 0, nullptr, 4);
}

uint8_t* DataTypeTextureBase::AllocateTextureWithAdditionalBytes(uint16_t width, uint16_t height, uint32_t additional)
{
    return writeTexture(width, height, additional, nullptr, 4);
}

uint32_t DataTypeTextureBase::GetPixelAsRGB24BitValue(int, int) const
{
    return 0;
}

uint32_t DataTypeTextureBase::GetPixelAsRGB30BitValue(int, int) const
{
    return 0;
}

uint32_t DataTypeTextureBase::GetPixelAsYUV24BitValue(int, int) const
{
    return 0;
}

uint32_t DataTypeTextureBase::GetTextureSizeInBytes() const
{
    const uint64_t size = ComputeTextureSizeInBytes(GetTextureFormat(), _depth, _width, _height);
    // Only headers that no payload can hold reach past 32 bits; their pixel pointer is null.
    return size > UINT32_MAX ? UINT32_MAX : uint32_t(size);
}

void DataTypeTextureBase::onUpdateStatusProperties()
{
    const int size = int(GetTextureSizeInBytes());
    addStatusProperty(std::make_shared<StatusPropertyString>("Format", GetTextureFormatName(GetTextureFormat())));
    if (GetTextureFormat() == TextureFormat::IR)
        addStatusProperty(
            std::make_shared<StatusPropertyString>("Depth", _depth == TextureDepth::Depth16Bit ? "16 Bit" : "8 Bit"));
    addStatusProperty(std::make_shared<StatusPropertyInt>("Size", size));
    addStatusProperty(std::make_shared<StatusPropertyInt>("Width", GetWidth()));
    addStatusProperty(std::make_shared<StatusPropertyInt>("Height", GetHeight()));
    addStatusProperty(std::make_shared<StatusPropertyInt>("Internal width", _width));
    addStatusProperty(std::make_shared<StatusPropertyInt>("Internal height", _height));
    addStatusProperty(std::make_shared<StatusPropertyInt>("Size", size));
}

bool DataTypeTextureBase::deserializeAndMigrate(uint8_t* data, uint32_t size)
{
    clearTexture();
    if (_payloadVersion != 0)
        return false;
    loadTexture(data, size, 4);
    return true;
}

void DataTypeTextureBase::clearTexture()
{
    _width = 0;
    _height = 0;
    _pixels = nullptr;
}

void DataTypeTextureBase::loadTexture(uint8_t* data, uint32_t size, uint32_t pixelOffset)
{
    DataReader reader(data, size);
    _width = reader.read_uint16();
    _height = size >= 4 ? reader.read_uint16() : 0;
    _pixelOffset = pixelOffset;
    locatePixels(data, size);
}

void DataTypeTextureBase::locatePixels(uint8_t* data, uint32_t size)
{
    const uint64_t bytes = ComputeTextureSizeInBytes(GetTextureFormat(), _depth, _width, _height);
    _pixels = data && bytes != 0 && _pixelOffset + bytes <= size ? data + _pixelOffset : nullptr;
}

uint8_t* DataTypeTextureBase::writeTexture(uint16_t width, uint16_t height, uint32_t additional, const uint8_t* pixels,
                                           uint32_t headerSize)
{
    const TextureFormat format = GetTextureFormat();
    if (!TextureFormatHasSize(format))
        throw std::runtime_error("Texture format not supported.");
    const uint64_t size = ComputeTextureSizeInBytes(format, _depth, width, height);
    const uint64_t total = headerSize + size + additional;
    if (total > UINT32_MAX)
        throw std::length_error("Texture too large.");

    std::vector<uint8_t> aside;
    pixels = PayloadAlias::Stabilize(_payload.get(), pixels, size, headerSize, total, aside);
    _width = width;
    _height = height;
    DataWriter writer = preparePayload(uint32_t(total));
    writer.write(width);
    writer.write(height);
    if (headerSize == 5)
        writer.write(static_cast<uint8_t>(_depth));
    uint8_t* block = _payload->data() + headerSize;
    if (pixels && size && pixels != block)
        std::memcpy(block, pixels, size);
    initialize();
    return _pixels;
}

// ---- Intermediate bases: the shared previews ----

void DataTypeTexture8Bit::RenderTo2dRgbaBuffer(uint8_t* rgba)
{
    if (!_pixels || !rgba)
        return;
    const size_t count = size_t(_width) * _height;
    const size_t stored = std::min<size_t>(count, GetTextureSizeInBytes());
    TexturePreview::GreyToRgba(_pixels, rgba, stored);
    TexturePreview::FillOpaqueBlack(rgba + stored * 4, count - stored);
}

void DataTypeTexture16Bit::RenderTo2dRgbaBuffer(uint8_t* rgba)
{
    if (_pixels && rgba)
        TexturePreview::Grey16ToRgba(_pixels, rgba, size_t(_width) * _height);
}

void DataTypeTexture24Bit::RenderTo2dRgbaBuffer(uint8_t* rgba)
{
    if (_pixels && rgba)
        TexturePreview::Rgb24ToRgba(_pixels, rgba, size_t(_width) * _height);
}

bool DataTypeTexture24Bit::loadImageFile(const char* path, bool bgr)
{
    uint16_t width = 0, height = 0;
    std::shared_ptr<FlatMemoryUInt8> decoded = TextureImageFile::Load(path, bgr, width, height);
    if (!decoded)
        return false;
    // The pixels already sit where the texture keeps them: SetTexture writes the header only.
    _payload = std::move(decoded);
    SetTexture(width, height, _payload->data() + GetHeaderSize());
    return true;
}

} // namespace Hyx
