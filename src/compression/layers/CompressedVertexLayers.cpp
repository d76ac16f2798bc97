// The four compressed vertex layers: texture coordinates, indices, normals and positions.

#include <Hyx/CompressedLayers.h>

#include "compression/layers/BlobCoding.h"
#include "compression/layers/CompressedSupport.h"
#include "datatypes/geometry/CountedArray.h"
#include "impl/core/BuiltInRegistration.h"

#include <Hyx/DataTypeVertex.h>
#include <Hyx/FloatCompressor.h>
#include <Hyx/NormalsOctCompressor.h>
#include <Hyx/StatusProperty.h>
#include <Hyx/ThreadLocal.h>
#include <Hyx/UInt32Compressor.h>
#include <Hyx/Vector3DNormalizer.h>

#include <cstring>
#include <sstream>

namespace Hyx {

HYX_BUILTIN_DATA_LAYER(DataTypeCompressedVertexTextureUVs);
HYX_BUILTIN_DATA_LAYER(DataTypeCompressedVertexIndices);
HYX_BUILTIN_DATA_LAYER(DataTypeCompressedVertexNormals);
HYX_BUILTIN_DATA_LAYER(DataTypeCompressedVertexPositions);

namespace {

constexpr uint16_t CLASS_VERSION = 0;
constexpr uint32_t COUNT_SIZE = 4;
constexpr uint32_t BOX_SIZE = 24;
constexpr uint32_t POSITIONS_HEADER = BOX_SIZE + COUNT_SIZE;
constexpr float BOX_MARGIN = 0.001f;

const char* const UVS_UNSUPPORTED = "DataTypeCompressedTextureUVs UVs Compression not supported!";
const char* const INDICES_UNSUPPORTED = "DataTypeCompressedIndices Indices Compression not supported!";
const char* const NORMALS_UNSUPPORTED = "DataTypeCompressedNormals Compression not supported!";
const char* const POSITIONS_UNSUPPORTED = "DataTypeCompressedVertices Compression not supported!";

enum : uint8_t {
    FIXED_WIDE = 128,
    FIXED_NARROW = 129
};

/// Coded bytes, either borrowed from the source or owned here.
struct Coded {
    const uint8_t* data = nullptr;
    uint64_t size = 0;
    std::vector<uint8_t> blosc;
    std::unique_ptr<uint8_t[]> packed;
};

/// Checks the coded bytes of a counted array before the plain layer grows, so a forged count
/// allocates nothing. raw, wide and narrow are the bytes per element under code 0, FIXED_WIDE
/// and FIXED_NARROW; a Blosc stream's header must state the plain size.
void requireCodedSize(const uint8_t* coded, uint64_t codedSize, uint32_t count, uint8_t code, uint64_t raw,
                      uint64_t wide, uint64_t narrow)
{
    if (count == 0)
        return;
    if (code == 0)
        CompressedSupport::RequireSize(coded, codedSize, uint64_t(count) * raw);
    else if (code == FIXED_WIDE)
        CompressedSupport::RequireSize(coded, codedSize, uint64_t(count) * wide);
    else if (code == FIXED_NARROW)
        CompressedSupport::RequireSize(coded, codedSize, uint64_t(count) * narrow);
    else
        BlobCoding::RequirePlainSize(coded, codedSize, code, uint64_t(count) * raw);
}

/// Count then coded bytes, the payload of texture coordinates and indices.
void readCountAndRest(uint8_t* data, uint32_t size, uint32_t& count, uint32_t& codedSize, uint8_t*& coded)
{
    count = CountedArray::CountAt(data, size, 0);
    codedSize = size > COUNT_SIZE ? size - COUNT_SIZE : 0;
    coded = codedSize ? data + COUNT_SIZE : nullptr;
}

/// Per-normal coded size of a stored code; 0 for an unknown one.
uint32_t bytesPerNormal(uint8_t code)
{
    switch (code) {
    case 0: return 12;
    case 2: return 2;
    case 4: return 4;
    default: return 0;
    }
}

/// Point precision of a stored positions code; false for an unknown one.
bool positionsPrecision(uint8_t code, XYZPrecision& precision)
{
    static constexpr XYZPrecision table[] = {XYZPrecision::QSPACE_32_32_32, XYZPrecision::QSPACE_16_16_16,
                                             XYZPrecision::QSPACE_11_11_10};
    if (code >= std::size(table))
        return false;
    precision = table[code];
    return true;
}

uint64_t positionsCodedSize(XYZPrecision precision, uint32_t count)
{
    // Per point in 64 bits, so a forged count cannot overflow.
    const uint64_t perPoint =
        precision == XYZPrecision::QSPACE_32_32_32 ? 12 : Vector3DNormalizer::CalcSizeForCompressedPoints(precision, 1);
    return perPoint * count;
}

void widenBox(const float* box, float* widened)
{
    for (int i = 0; i < 3; ++i) {
        widened[i] = box[i] - BOX_MARGIN;
        widened[i + 3] = box[i + 3] + BOX_MARGIN;
    }
}

std::string positionsCodeName(uint8_t code)
{
    static const char* const names[] = {"UNCOMPRESSED", "QSPACE-16/16/16", "QSPACE-11/11/10"};
    return code < std::size(names) ? names[code] : "";
}

} // namespace

// ---- texture coordinates --------------------------------------------------------------

DataTypeCompressedVertexTextureUVs::DataTypeCompressedVertexTextureUVs() : DataTypeCompressedBlob(CLASS_VERSION)
{
}

DataTypeCompressedVertexTextureUVs::~DataTypeCompressedVertexTextureUVs() = default;

bool DataTypeCompressedVertexTextureUVs::compress(std::shared_ptr<DataLayer> source, uint8_t code)
{
    auto plain = std::dynamic_pointer_cast<DataTypeVertexTextureUVs>(source);
    if (!plain)
        return false;
    const uint32_t count = plain->GetNumVertices();
    const float* uvs = plain->GetUVs();
    Coded coded;
    if (count > 0) {
        if (!uvs)
            throw std::runtime_error("texture coordinates layer holds no data");
        const uint64_t raw = uint64_t(count) * 8;
        if (code == 0) {
            coded.data = reinterpret_cast<const uint8_t*>(uvs);
            coded.size = raw;
        } else if (BlobCoding::IsBlosc(code)) {
            BlobCoding::Compress(reinterpret_cast<const uint8_t*>(uvs), raw, code, coded.blosc);
            coded.data = coded.blosc.data();
            coded.size = coded.blosc.size();
        } else if (code == FIXED_WIDE) {
            coded.packed = FloatCompressor::CompressFloatsTo16Bit(uvs, count * 2);
            coded.size = uint64_t(count) * 4;
        } else if (code == FIXED_NARROW) {
            coded.packed = FloatCompressor::CompressFloatsTo12Bit(uvs, count * 2);
            coded.size = uint64_t(count) * 3;
        } else {
            throw std::invalid_argument(UVS_UNSUPPORTED);
        }
        if (coded.packed)
            coded.data = coded.packed.get();
    }
    compressBase(*plain);
    _compressionType = code;
    DataWriter writer = preparePayload(CountedArray::PayloadSize(COUNT_SIZE, 1, static_cast<uint32_t>(coded.size)));
    writer.write(count);
    writer.write(coded.data, static_cast<uint32_t>(coded.size));
    initialize();
    return true;
}

uint8_t DataTypeCompressedVertexTextureUVs::GetRecommendedCompression(std::shared_ptr<DataLayer> source)
{
    return std::dynamic_pointer_cast<DataTypeVertexTextureUVs>(source) ? FIXED_WIDE : 0;
}

std::shared_ptr<DataLayer> DataTypeCompressedVertexTextureUVs::decompress()
{
    auto plain = CompressedSupport::CreatePlain<DataTypeVertexTextureUVs>(_uncompressedTypeGuid, _purposeGuid,
                                                                          _compressedBlobVersion);
    const uint8_t code = _compressionType;
    if (_count > 0 && code != 0 && !BlobCoding::IsBlosc(code) && code != FIXED_WIDE && code != FIXED_NARROW)
        throw std::invalid_argument(UVS_UNSUPPORTED);
    const uint64_t raw = uint64_t(_count) * 8;
    requireCodedSize(_coded, _codedSize, _count, code, 8, 4, 3);
    plain->Allocate(_count);
    float* uvs = plain->GetUVs();
    if (_count == 0)
        return plain;
    if (code == 0)
        std::memcpy(uvs, _coded, raw);
    else if (code == FIXED_WIDE)
        FloatCompressor::DecompressFloatsFrom16Bit(_coded, _count * 2, uvs);
    else if (code == FIXED_NARROW)
        FloatCompressor::DecompressFloatsFrom12Bit(_coded, _count * 2, uvs);
    else
        BlobCoding::Decompress(_coded, _codedSize, code, reinterpret_cast<uint8_t*>(uvs), raw);
    return plain;
}

std::string DataTypeCompressedVertexTextureUVs::GetCompressionTypeAsString() const
{
    if (_compressionType == FIXED_WIDE)
        return "16BIT";
    if (_compressionType == FIXED_NARROW)
        return "12BIT";
    return CompressionBase::GetAsString(_compressionType);
}

void DataTypeCompressedVertexTextureUVs::onUpdateStatusProperties()
{
    DataTypeCompressedBlob::onUpdateStatusProperties();
    addStatusProperty(std::make_shared<StatusPropertyInt>("Num UVs", static_cast<int>(_count)));
}

bool DataTypeCompressedVertexTextureUVs::deserializeAndMigrate(uint8_t* data, uint32_t size)
{
    _count = 0;
    _codedSize = 0;
    _coded = nullptr;
    if (_payloadVersion != CLASS_VERSION || size < COUNT_SIZE)
        return false;
    readCountAndRest(data, size, _count, _codedSize, _coded);
    return true;
}

// ---- indices --------------------------------------------------------------------------

DataTypeCompressedVertexIndices::DataTypeCompressedVertexIndices() : DataTypeCompressedBlob(CLASS_VERSION)
{
}

DataTypeCompressedVertexIndices::~DataTypeCompressedVertexIndices() = default;

bool DataTypeCompressedVertexIndices::compress(std::shared_ptr<DataLayer> source, uint8_t code)
{
    auto plain = std::dynamic_pointer_cast<DataTypeVertexIndices>(source);
    if (!plain)
        return false;
    const uint32_t count = plain->GetNumIndices();
    const uint32_t* indices = plain->GetIndices();
    Coded coded;
    if (count > 0) {
        if (!indices)
            throw std::runtime_error("indices layer holds no data");
        const uint64_t raw = uint64_t(count) * 4;
        uint32_t packedSize = 0;
        if (code == 0) {
            coded.data = reinterpret_cast<const uint8_t*>(indices);
            coded.size = raw;
        } else if (BlobCoding::IsBlosc(code)) {
            BlobCoding::Compress(reinterpret_cast<const uint8_t*>(indices), raw, code, coded.blosc);
            coded.data = coded.blosc.data();
            coded.size = coded.blosc.size();
        } else if (code == FIXED_WIDE) {
            coded.packed = UInt32Compressor::Compress24Bit(indices, count, packedSize);
            coded.size = packedSize;
        } else if (code == FIXED_NARROW) {
            coded.packed = UInt32Compressor::Compress16Bit(indices, count, packedSize);
            coded.size = packedSize;
        } else {
            throw std::invalid_argument(INDICES_UNSUPPORTED);
        }
        if (coded.packed)
            coded.data = coded.packed.get();
    }
    compressBase(*plain);
    _compressionType = code;
    DataWriter writer = preparePayload(CountedArray::PayloadSize(COUNT_SIZE, 1, static_cast<uint32_t>(coded.size)));
    writer.write(count);
    writer.write(coded.data, static_cast<uint32_t>(coded.size));
    initialize();
    return true;
}

uint8_t DataTypeCompressedVertexIndices::GetRecommendedCompression(std::shared_ptr<DataLayer> source)
{
    return std::dynamic_pointer_cast<DataTypeVertexIndices>(source) ? FIXED_WIDE : 0;
}

std::shared_ptr<DataLayer> DataTypeCompressedVertexIndices::decompress()
{
    auto plain = CompressedSupport::CreatePlain<DataTypeVertexIndices>(_uncompressedTypeGuid, _purposeGuid,
                                                                       _compressedBlobVersion);
    const uint8_t code = _compressionType;
    if (_count > 0 && code != 0 && !BlobCoding::IsBlosc(code) && code != FIXED_WIDE && code != FIXED_NARROW)
        throw std::invalid_argument(INDICES_UNSUPPORTED);
    const uint64_t raw = uint64_t(_count) * 4;
    requireCodedSize(_coded, _codedSize, _count, code, 4, 3, 2);
    plain->Allocate(_count);
    uint32_t* indices = plain->GetIndices();
    if (_count == 0)
        return plain;
    if (code == 0)
        std::memcpy(indices, _coded, raw);
    else if (code == FIXED_WIDE)
        UInt32Compressor::Decompress24Bit(_coded, _count, indices);
    else if (code == FIXED_NARROW)
        UInt32Compressor::Decompress16Bit(_coded, _count, indices);
    else
        BlobCoding::Decompress(_coded, _codedSize, code, reinterpret_cast<uint8_t*>(indices), raw);
    return plain;
}

std::string DataTypeCompressedVertexIndices::ToString(bool friendly) const
{
    return DataTypeCompressedBlob::ToString(friendly) + ", NumVertexIndices=" + std::to_string(_count);
}

std::string DataTypeCompressedVertexIndices::GetCompressionTypeAsString() const
{
    if (_compressionType == FIXED_WIDE)
        return "24BIT";
    if (_compressionType == FIXED_NARROW)
        return "16BIT";
    return CompressionBase::GetAsString(_compressionType);
}

void DataTypeCompressedVertexIndices::onUpdateStatusProperties()
{
    DataTypeCompressedBlob::onUpdateStatusProperties();
    addStatusProperty(std::make_shared<StatusPropertyInt>("Num indices", static_cast<int>(_count)));
}

bool DataTypeCompressedVertexIndices::deserializeAndMigrate(uint8_t* data, uint32_t size)
{
    _count = 0;
    _codedSize = 0;
    _coded = nullptr;
    if (_payloadVersion != CLASS_VERSION || size < COUNT_SIZE)
        return false;
    readCountAndRest(data, size, _count, _codedSize, _coded);
    return true;
}

// ---- normals --------------------------------------------------------------------------

DataTypeCompressedVertexNormals::DataTypeCompressedVertexNormals() : DataTypeCompressedBlob(CLASS_VERSION)
{
}

DataTypeCompressedVertexNormals::~DataTypeCompressedVertexNormals() = default;

bool DataTypeCompressedVertexNormals::compress(std::shared_ptr<DataLayer> source, uint8_t code)
{
    auto plain = std::dynamic_pointer_cast<DataTypeVertexNormals>(source);
    if (!plain)
        return false;
    const uint32_t perNormal = bytesPerNormal(code);
    if (!perNormal)
        throw std::invalid_argument(NORMALS_UNSUPPORTED);
    const uint32_t count = plain->GetNumVertices();
    const float* normals = plain->GetNormals();
    if (count > 0 && !normals)
        throw std::runtime_error("normals layer holds no data");
    const uint32_t payloadSize = CountedArray::PayloadSize(COUNT_SIZE, count, perNormal);
    compressBase(*plain);
    _compressionType = code;
    preparePayload(payloadSize).write(count);
    initialize();
    if (_coded && code == 0)
        std::memcpy(_coded, normals, uint64_t(count) * 12);
    else if (_coded)
        ThreadLocal<NormalsOctCompressor>::ThreadInstance().compressNorms(normals, _coded, count,
                                                                          static_cast<NormalsPrecision>(code));
    return true;
}

uint8_t DataTypeCompressedVertexNormals::GetRecommendedCompression(std::shared_ptr<DataLayer> source)
{
    return std::dynamic_pointer_cast<DataTypeVertexNormals>(source) ? static_cast<uint8_t>(NormalsPrecision::OCT_16)
                                                                    : 0;
}

std::shared_ptr<DataLayer> DataTypeCompressedVertexNormals::decompress()
{
    auto plain = CompressedSupport::CreatePlain<DataTypeVertexNormals>(_uncompressedTypeGuid, _purposeGuid,
                                                                       _compressedBlobVersion);
    if (!bytesPerNormal(_compressionType))
        throw std::invalid_argument(NORMALS_UNSUPPORTED);
    if (_count > 0 && !_coded)
        throw std::runtime_error("compressed data does not have the expected size");
    float* normals = plain->Allocate(_count);
    if (_count == 0)
        return plain;
    if (_compressionType == 0)
        std::memcpy(normals, _coded, uint64_t(_count) * 12);
    else
        ThreadLocal<NormalsOctCompressor>::ThreadInstance().decompressNorms(
            _coded, normals, _count, static_cast<NormalsPrecision>(_compressionType));
    return plain;
}

std::string DataTypeCompressedVertexNormals::ToString(bool friendly) const
{
    return DataTypeCompressedBlob::ToString(friendly) + ", NumNormals=" + std::to_string(_count);
}

std::string DataTypeCompressedVertexNormals::GetCompressionTypeAsString() const
{
    static const char* const names[] = {"UNCOMPRESSED", "NONE", "OCT_16", "OCT_24", "OCT_32"};
    return _compressionType < std::size(names) ? names[_compressionType] : "";
}

void DataTypeCompressedVertexNormals::onUpdateStatusProperties()
{
    DataTypeCompressedBlob::onUpdateStatusProperties();
    addStatusProperty(std::make_shared<StatusPropertyInt>("Num normals", static_cast<int>(_count)));
}

bool DataTypeCompressedVertexNormals::deserializeAndMigrate(uint8_t* data, uint32_t size)
{
    _count = 0;
    _coded = nullptr;
    // An unknown code is refused here rather than thrown, so the reader keeps the block.
    const uint32_t perNormal = bytesPerNormal(_compressionType);
    if (_payloadVersion != CLASS_VERSION || size < COUNT_SIZE || !perNormal)
        return false;
    _count = CountedArray::CountAt(data, size, 0);
    _coded = CountedArray::ElementsAt(data, size, COUNT_SIZE, _count, perNormal);
    return true;
}

// ---- positions ------------------------------------------------------------------------

DataTypeCompressedVertexPositions::DataTypeCompressedVertexPositions() : DataTypeCompressedBlob(CLASS_VERSION)
{
}

DataTypeCompressedVertexPositions::~DataTypeCompressedVertexPositions() = default;

bool DataTypeCompressedVertexPositions::compress(std::shared_ptr<DataLayer> source, uint8_t code)
{
    auto plain = std::dynamic_pointer_cast<DataTypeVertexPositions>(source);
    if (!plain)
        return false;
    XYZPrecision precision;
    if (!positionsPrecision(code, precision))
        throw std::invalid_argument(POSITIONS_UNSUPPORTED);
    const uint32_t count = plain->GetNumVertices();
    const float* points = plain->GetVertexPositions();
    if (count > 0 && !points)
        throw std::runtime_error("positions layer holds no data");
    const uint64_t codedSize = positionsCodedSize(precision, count);
    if (codedSize + POSITIONS_HEADER > UINT32_MAX)
        throw std::length_error("Too many elements for one payload.");
    float box[6] = {0, 0, 0, 0, 0, 0};
    if (plain->GetBoundingBox())
        std::memcpy(box, plain->GetBoundingBox(), sizeof(box));
    compressBase(*plain);
    _compressionType = code;
    DataWriter writer = preparePayload(static_cast<uint32_t>(POSITIONS_HEADER + codedSize));
    writer.write(box, 6);
    writer.write(count);
    initialize();
    if (!_coded)
        return true;
    if (precision == XYZPrecision::QSPACE_32_32_32) {
        std::memcpy(_coded, points, codedSize);
        return true;
    }
    float widened[6];
    widenBox(box, widened);
    ThreadLocal<Vector3DNormalizer>::ThreadInstance().CompressPoints(widened, precision, points, _coded, count);
    return true;
}

uint8_t DataTypeCompressedVertexPositions::GetRecommendedCompression(std::shared_ptr<DataLayer> source)
{
    return std::dynamic_pointer_cast<DataTypeVertexPositions>(source) ? 1 : 0;
}

std::shared_ptr<DataLayer> DataTypeCompressedVertexPositions::decompress()
{
    auto plain = CompressedSupport::CreatePlain<DataTypeVertexPositions>(_uncompressedTypeGuid, _purposeGuid,
                                                                         _compressedBlobVersion);
    XYZPrecision precision;
    if (!positionsPrecision(_compressionType, precision))
        throw std::invalid_argument(POSITIONS_UNSUPPORTED);
    if (!_box || (_count > 0 && !_coded))
        throw std::runtime_error("compressed data does not have the expected size");
    float box[6];
    std::memcpy(box, _box, sizeof(box));
    float* points = plain->Allocate(_count, false);
    std::memcpy(plain->GetBoundingBox(), box, sizeof(box));
    if (_count == 0)
        return plain;
    if (precision == XYZPrecision::QSPACE_32_32_32) {
        std::memcpy(points, _coded, uint64_t(_count) * 12);
        return plain;
    }
    float widened[6];
    widenBox(box, widened);
    ThreadLocal<Vector3DNormalizer>::ThreadInstance().DecompressPoints(widened, precision, _coded, points, _count);
    return plain;
}

std::string DataTypeCompressedVertexPositions::ToString(bool friendly) const
{
    std::ostringstream text;
    text << DataTypeCompressedBlob::ToString(friendly) << ", NumVertices=" << _count << ", BoundingBox=";
    float box[6] = {0, 0, 0, 0, 0, 0};
    if (_box)
        std::memcpy(box, _box, sizeof(box));
    for (int i = 0; i < 6; ++i)
        text << (i ? ", " : "") << box[i];
    return text.str();
}

std::string DataTypeCompressedVertexPositions::GetCompressionTypeAsString() const
{
    return positionsCodeName(_compressionType);
}

void DataTypeCompressedVertexPositions::onUpdateStatusProperties()
{
    DataTypeCompressedBlob::onUpdateStatusProperties();
    float box[6] = {0, 0, 0, 0, 0, 0};
    if (_box)
        std::memcpy(box, _box, sizeof(box));
    addStatusProperty(std::make_shared<StatusPropertyInt>("Num vertices", static_cast<int>(_count)));
    addStatusProperty(
        std::make_shared<StatusPropertyVector3>("Bounding box min", VornCommon::Vector3f(box[0], box[1], box[2])));
    addStatusProperty(
        std::make_shared<StatusPropertyVector3>("Bounding box max", VornCommon::Vector3f(box[3], box[4], box[5])));
}

bool DataTypeCompressedVertexPositions::deserializeAndMigrate(uint8_t* data, uint32_t size)
{
    _count = 0;
    _box = nullptr;
    _coded = nullptr;
    XYZPrecision precision;
    if (_payloadVersion != CLASS_VERSION || size < POSITIONS_HEADER || !positionsPrecision(_compressionType, precision))
        return false;
    _box = data;
    _count = CountedArray::CountAt(data, size, BOX_SIZE);
    const uint64_t codedSize = positionsCodedSize(precision, _count);
    if (codedSize && POSITIONS_HEADER + codedSize <= size)
        _coded = data + POSITIONS_HEADER;
    return true;
}

} // namespace Hyx
