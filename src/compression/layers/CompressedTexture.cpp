// The compressed texture layer: JPEG for the colour and YUV layouts, Blosc for the 16-bit
// and infrared formats, block run-length coding for the GPU block formats.

#include <Hyx/CompressedLayers.h>

#include "compression/layers/BlobCoding.h"
#include "compression/layers/BlockRunLength.h"
#include "compression/layers/CompressedSupport.h"
#include "impl/core/BuiltInRegistration.h"

#include <Hyx/DataReader.h>
#include <Hyx/DataTypeTextureBase.h>
#include <Hyx/FlatMemory.h>
#include <Hyx/JpegCodec.h>
#include <Hyx/StatusProperty.h>
#include <Hyx/TextureFormat.h>
#include <Hyx/ThreadLocal.h>

#include <cstring>

namespace Hyx {

HYX_BUILTIN_DATA_LAYER(DataTypeCompressedTexture);

namespace {

constexpr uint16_t CLASS_VERSION = 2;
constexpr uint32_t HEADER_V2 = 10;
constexpr uint32_t HEADER_V1 = 9;
// Version 0 layers were decoded into this many bytes of room after the pixels, which their
// Blosc streams may hold.
constexpr uint32_t V0_ROOM = 4;
constexpr int JPEG_QUALITY = 85;
constexpr uint64_t JPEG_MAX_RATIO = 1024;

const char* const FORMAT_UNSUPPORTED = "Texture format not supported.";
const char* const CODE_UNSUPPORTED = "compression type is not supported!";

enum class Family {
    None,
    Yuv,
    Blosc,
    Bgr,
    Rgb,
    Dxt1,
    Etc2,
    Astc
};

Family familyOf(uint8_t format)
{
    switch (static_cast<TextureFormat>(format)) {
    case TextureFormat::YUV_NVX:
    case TextureFormat::YUV_NV21:
    case TextureFormat::YUV_NV12: return Family::Yuv;
    case TextureFormat::IR:
    case TextureFormat::DepthMap16Bit:
    case TextureFormat::IR16Bit: return Family::Blosc;
    case TextureFormat::BGR: return Family::Bgr;
    case TextureFormat::RGB: return Family::Rgb;
    case TextureFormat::DXT1: return Family::Dxt1;
    case TextureFormat::ETC2: return Family::Etc2;
    case TextureFormat::ASTC: return Family::Astc;
    default: return Family::None;
    }
}

uint8_t recommended(Family family)
{
    switch (family) {
    case Family::Yuv: return 128;
    case Family::Blosc: return 2;
    case Family::Bgr: return 129;
    case Family::Rgb: return 130;
    case Family::Dxt1: return 5;
    case Family::Etc2: return 6;
    case Family::Astc: return 7;
    default: throw std::invalid_argument(FORMAT_UNSUPPORTED);
    }
}

/// The codes that code data for a family: Blosc where the data allows it, else only the
/// family's own code. Anything else would store an undecodable layer.
void requireAllowed(Family family, uint8_t code)
{
    if (family == Family::None)
        throw std::invalid_argument(FORMAT_UNSUPPORTED);
    const bool blockFormat = family == Family::Dxt1 || family == Family::Etc2 || family == Family::Astc;
    if (code == recommended(family) || (!blockFormat && BlobCoding::IsBlosc(code)))
        return;
    throw std::invalid_argument(CODE_UNSUPPORTED);
}

BlockRunLength::Pattern patternOf(Family family)
{
    if (family == Family::Dxt1)
        return BlockRunLength::Dxt1();
    if (family == Family::Etc2)
        return BlockRunLength::Etc2();
    return BlockRunLength::Astc();
}

/// Refuses a plain size the coded bytes cannot hold, before the texture is allocated: Blosc
/// states its plain size, a run-length byte stands for at most one run, and a JPEG stream
/// spends at least a few bits on each 8x8 block (under 1/512 of its plain bytes even for a
/// flat 4:2:0 picture). A Blosc stream may also hold the room bytes after the pixels.
void requirePlausibleSize(const uint8_t* coded, uint32_t codedSize, Family family, uint8_t code, uint64_t n,
                          uint32_t room)
{
    if (n == 0)
        return;
    if (BlobCoding::IsBlosc(code)) {
        BlobCoding::RequirePlainSize(coded, codedSize, code, n + room);
    } else if (family == Family::Dxt1 || family == Family::Etc2 || family == Family::Astc) {
        if (n > BlockRunLength::DecodedBound(codedSize, patternOf(family)))
            throw std::runtime_error("run-length stream is shorter than the texture");
    } else if (n > uint64_t(codedSize) * JPEG_MAX_RATIO) {
        throw std::runtime_error("JPEG stream is too short for the texture size");
    }
}

const char* depthText(uint8_t depth)
{
    return depth == 1 ? "16 Bit" : "8 Bit";
}

} // namespace

DataTypeCompressedTexture::DataTypeCompressedTexture() : DataTypeCompressedBlob(CLASS_VERSION)
{
}

DataTypeCompressedTexture::~DataTypeCompressedTexture() = default;

bool DataTypeCompressedTexture::compress(std::shared_ptr<DataLayer> source, uint8_t code)
{
    auto texture = std::dynamic_pointer_cast<DataTypeTextureBase>(source);
    if (!texture)
        return false;
    const uint8_t format = static_cast<uint8_t>(texture->GetTextureFormat());
    const Family family = familyOf(format);
    requireAllowed(family, code);
    const uint16_t iw = texture->GetInternalWidth();
    const uint16_t ih = texture->GetInternalHeight();
    const uint32_t n = texture->GetTextureSizeInBytes();
    uint8_t* pixels = texture->GetDataPtr();
    if (n > 0 && !pixels)
        throw std::runtime_error("texture layer holds no pixels");

    std::vector<uint8_t> scratch;
    const uint8_t* coded = nullptr;
    uint32_t codedSize = 0;
    if (n == 0) {
        // An empty texture codes to nothing whatever the code.
    } else if (BlobCoding::IsBlosc(code)) {
        BlobCoding::Compress(pixels, n, code, scratch);
    } else if (family == Family::Dxt1 || family == Family::Etc2 || family == Family::Astc) {
        {
            const BlockRunLength::Pattern pattern = patternOf(family);
            return compressBlocks(*texture, pattern.block, pattern.size, code);
        }
    } else {
        if (family == Family::Yuv)
            coded = CompressJpegGray(pixels, iw, ih, JPEG_QUALITY, codedSize);
        else if (family == Family::Bgr)
            coded = CompressJpegBGR(pixels, iw, ih, JPEG_QUALITY, codedSize);
        else
            coded = CompressJpegRGB(pixels, iw, ih, JPEG_QUALITY, codedSize);
        if (!coded)
            throw std::runtime_error("JPEG compression failed");
    }
    if (!coded) {
        coded = scratch.data();
        codedSize = static_cast<uint32_t>(scratch.size());
    }
    if (uint64_t(codedSize) + HEADER_V2 > UINT32_MAX)
        throw std::length_error("Too many elements for one payload.");

    writeHeader(*texture, code, codedSize).write(coded, codedSize);
    initialize();
    return true;
}

DataWriter DataTypeCompressedTexture::writeHeader(const DataTypeTextureBase& texture, uint8_t code, uint32_t codedSize)
{
    compressBase(texture);
    _compressionType = code;
    DataWriter writer = preparePayload(HEADER_V2 + codedSize);
    writer.write(texture.GetWidth());
    writer.write(texture.GetHeight());
    writer.write(texture.GetInternalWidth());
    writer.write(texture.GetInternalHeight());
    writer.write(static_cast<uint8_t>(texture.GetTextureFormat()));
    writer.write(static_cast<uint8_t>(texture.GetDepth()));
    return writer;
}

bool DataTypeCompressedTexture::compressBlocks(const DataTypeTextureBase& texture, const uint8_t* patternBlock,
                                               uint32_t blockSize, uint8_t code)
{
    const BlockRunLength::Pattern pattern{patternBlock, blockSize};
    // Coded straight into the payload, sized for the worst case, then cut to what was written.
    const uint32_t n = texture.GetTextureSizeInBytes();
    const uint64_t bound = BlockRunLength::EncodedBound(n, pattern);
    if (bound + HEADER_V2 > UINT32_MAX)
        throw std::length_error("Too many elements for one payload.");
    writeHeader(texture, code, static_cast<uint32_t>(bound));
    const uint64_t size = BlockRunLength::Encode(texture.GetDataPtr(), n, pattern, _payload->data() + HEADER_V2);
    _payload->resize(static_cast<uint32_t>(HEADER_V2 + size));
    initialize();
    return true;
}

uint8_t DataTypeCompressedTexture::GetRecommendedCompression(std::shared_ptr<DataLayer> source)
{
    auto texture = std::dynamic_pointer_cast<DataTypeTextureBase>(source);
    return texture ? recommended(familyOf(static_cast<uint8_t>(texture->GetTextureFormat()))) : 0;
}

std::shared_ptr<DataLayer> DataTypeCompressedTexture::decompress()
{
    // Nothing loaded, or a header cut short, holds nothing to decode, whatever type the
    // fields name.
    CompressedSupport::RequireLoaded(_loaded);
    auto texture = CompressedSupport::CreatePlain<DataTypeTextureBase>(_uncompressedTypeGuid, _purposeGuid,
                                                                       _compressedBlobVersion);
    const Family family = familyOf(_format);
    const uint8_t code = _compressionType;
    if (static_cast<uint8_t>(texture->GetTextureFormat()) != _format)
        throw std::runtime_error("compressed texture format differs from its class");
    requireAllowed(family, code);
    if (GetVersion() >= 2)
        texture->SetDepth(static_cast<TextureDepth>(_depth));
    // The plain size follows from the stored dimensions; check it before allocating, so a
    // forged header cannot make a large allocation for a stream that will not fill it.
    const uint64_t n =
        ComputeTextureSizeInBytes(texture->GetTextureFormat(), texture->GetDepth(), _internalWidth, _internalHeight);
    if (n > 0 && !_coded)
        throw std::runtime_error("compressed data missing");
    // Every decoder reads the coded bytes only, whatever the code now says; they must still
    // be the payload's.
    if (n > 0)
        CompressedSupport::RequireInPayload(_payload.get(), _coded, _codedSize);
    // A version-0 Blosc stream holds the pixels alone or the pixels and the room.
    const bool version0 = GetVersion() == 0;
    const uint32_t room =
        version0 && n > 0 && BlobCoding::IsBlosc(code) && BlobCoding::StatedPlainSize(_coded, _codedSize) == n + V0_ROOM
            ? V0_ROOM
            : 0;
    requirePlausibleSize(_coded, _codedSize, family, code, n, room);
    uint8_t* pixels = version0 ? texture->AllocateTextureWithAdditionalBytes(_internalWidth, _internalHeight, V0_ROOM)
                               : texture->AllocateTexture(_internalWidth, _internalHeight);
    if (n == 0) {
        // Nothing to decode.
    } else if (BlobCoding::IsBlosc(code)) {
        BlobCoding::Decompress(_coded, _codedSize, code, pixels, n + room);
    } else if (family == Family::Dxt1 || family == Family::Etc2 || family == Family::Astc) {
        BlockRunLength::Decode(_coded, _codedSize, patternOf(family), pixels, n);
    } else if (family == Family::Yuv) {
        DecompressJpegGray(_coded, _codedSize, _internalWidth, _internalHeight, pixels);
    } else if (family == Family::Bgr) {
        DecompressJpegBGR(_coded, _codedSize, _internalWidth, _internalHeight, pixels);
    } else {
        DecompressJpegRGB(_coded, _codedSize, _internalWidth, _internalHeight, pixels);
    }
    if (version0) {
        // The room is no part of the texture; shrinking keeps the storage and the pixels.
        const std::shared_ptr<FlatMemoryUInt8> payload = texture->GetRawDataPtr();
        payload->resize(payload->size() - V0_ROOM);
    }
    return texture;
}

std::string DataTypeCompressedTexture::ToString(bool friendly) const
{
    std::string text = DataTypeCompressedBlob::ToString(friendly);
    if (_format == static_cast<uint8_t>(TextureFormat::IR))
        text += std::string(", Depth=") + depthText(_depth);
    return text + ", Width=" + std::to_string(_width) + ", Height=" + std::to_string(_height) +
           ", InternalWidth=" + std::to_string(_internalWidth) + ", InternalHeight=" + std::to_string(_internalHeight);
}

std::string DataTypeCompressedTexture::GetCompressionTypeAsString() const
{
    return CompressionTexture::GetAsString(_compressionType);
}

void DataTypeCompressedTexture::onUpdateStatusProperties()
{
    DataTypeCompressedBlob::onUpdateStatusProperties();
    addStatusProperty(
        std::make_shared<StatusPropertyString>("Format", GetTextureFormatName(static_cast<TextureFormat>(_format))));
    if (_format == static_cast<uint8_t>(TextureFormat::IR))
        addStatusProperty(std::make_shared<StatusPropertyString>("Depth", depthText(_depth)));
    addStatusProperty(std::make_shared<StatusPropertyInt>("Width", _width));
    addStatusProperty(std::make_shared<StatusPropertyInt>("Height", _height));
    addStatusProperty(std::make_shared<StatusPropertyInt>("Internal width", _internalWidth));
    addStatusProperty(std::make_shared<StatusPropertyInt>("Internal height", _internalHeight));
    addStatusProperty(std::make_shared<StatusPropertyInt>("Texture depth", _depth));
    addStatusProperty(std::make_shared<StatusPropertyInt>("Compressed size", static_cast<int>(_codedSize)));
}

bool DataTypeCompressedTexture::deserializeAndMigrate(uint8_t* data, uint32_t size)
{
    _coded = nullptr;
    _codedSize = 0;
    _width = _height = _internalWidth = _internalHeight = 0;
    _format = 0;
    _depth = 1;
    _loaded = false;
    if (_payloadVersion > CLASS_VERSION)
        return false;
    DataReader reader(data, size);
    _width = reader.read_uint16();
    _height = reader.read_uint16();
    _internalWidth = reader.read_uint16();
    _internalHeight = reader.read_uint16();
    _format = reader.read_uint8();
    uint32_t header = HEADER_V1;
    if (_payloadVersion == CLASS_VERSION) {
        _depth = reader.read_uint8();
        header = HEADER_V2;
    }
    if (size > header) {
        _codedSize = size - header;
        _coded = data + header;
    }
    // A payload cut inside its header still loads (its missing fields read as 0), but holds
    // no texture to decode: those zeros would give an empty one.
    _loaded = size >= header;
    return true;
}

uint8_t* DataTypeCompressedTexture::CompressJpegRGB(uint8_t* pixels, uint16_t width, uint16_t height, int quality,
                                                    uint32_t& size)
{
    return ThreadLocal<JpegCompressor>::ThreadInstance().CompressRGB(pixels, width, height, quality, size);
}

uint8_t* DataTypeCompressedTexture::CompressJpegBGR(uint8_t* pixels, uint16_t width, uint16_t height, int quality,
                                                    uint32_t& size)
{
    return ThreadLocal<JpegCompressor>::ThreadInstance().CompressBGR(pixels, width, height, quality, size);
}

uint8_t* DataTypeCompressedTexture::CompressJpegGray(uint8_t* pixels, uint16_t width, uint16_t height, int quality,
                                                     uint32_t& size)
{
    return ThreadLocal<JpegCompressor>::ThreadInstance().CompressGray(pixels, width, height, quality, size);
}

void DataTypeCompressedTexture::DecompressJpegRGB(uint8_t* jpeg, uint32_t jpegSize, uint16_t width, uint16_t height,
                                                  uint8_t* out)
{
    ThreadLocal<JpegDecompressor>::ThreadInstance().DecompressRGB(jpeg, jpegSize, width, height, out);
}

void DataTypeCompressedTexture::DecompressJpegBGR(uint8_t* jpeg, uint32_t jpegSize, uint16_t width, uint16_t height,
                                                  uint8_t* out)
{
    ThreadLocal<JpegDecompressor>::ThreadInstance().DecompressBGR(jpeg, jpegSize, width, height, out);
}

void DataTypeCompressedTexture::DecompressJpegGray(uint8_t* jpeg, uint32_t jpegSize, uint16_t width, uint16_t height,
                                                   uint8_t* out)
{
    ThreadLocal<JpegDecompressor>::ThreadInstance().DecompressGray(jpeg, jpegSize, width, height, out);
}

std::string CompressionBase::GetAsString(uint8_t code)
{
    static const char* const names[] = {"NONE", "SNAPPY", "LZ4", "ZLIB", "ZSTD", "DXT1RLE", "ETC2RLE", "ASTCRLE"};
    return code < std::size(names) ? names[code] : "";
}

std::string CompressionTexture::GetAsString(uint8_t code)
{
    static const char* const names[] = {"8BIT-JPG-85%", "BGR-JPG-85%", "RGB-JPG-85%"};
    if (IsJpegCompressed(code))
        return names[code - 128];
    return CompressionBase::GetAsString(code);
}

bool CompressionTexture::IsJpegCompressed(uint8_t code)
{
    return code >= 128 && code <= 130;
}

} // namespace Hyx
