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

#include <algorithm>
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
const char* const POINTS_OUTSIDE_BOX = "vertex positions lie outside their bounding box or are not finite";

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

/// How a counted array of one element type is coded: bytes per element under code 0,
/// FIXED_WIDE and FIXED_NARROW, its fixed-rate packers, and its texts.
struct CountedCodec {
    uint32_t rawBytes, wideBytes, narrowBytes;
    const char* wideName;
    const char* narrowName;
    const char* unsupported;
    const char* empty;
    std::unique_ptr<uint8_t[]> (*packWide)(const uint8_t* elements, uint32_t count);
    std::unique_ptr<uint8_t[]> (*packNarrow)(const uint8_t* elements, uint32_t count);
    void (*unpackWide)(const uint8_t* coded, uint32_t count, uint8_t* out);
    void (*unpackNarrow)(const uint8_t* coded, uint32_t count, uint8_t* out);
};

const CountedCodec UVS_CODEC{
    8,
    4,
    3,
    "16BIT",
    "12BIT",
    UVS_UNSUPPORTED,
    "texture coordinates layer holds no data",
    [](const uint8_t* e, uint32_t n) {
        return FloatCompressor::CompressFloatsTo16Bit(reinterpret_cast<const float*>(e), n * 2);
    },
    [](const uint8_t* e, uint32_t n) {
        return FloatCompressor::CompressFloatsTo12Bit(reinterpret_cast<const float*>(e), n * 2);
    },
    [](const uint8_t* c, uint32_t n, uint8_t* out) {
        FloatCompressor::DecompressFloatsFrom16Bit(c, n * 2, reinterpret_cast<float*>(out));
    },
    [](const uint8_t* c, uint32_t n, uint8_t* out) {
        FloatCompressor::DecompressFloatsFrom12Bit(c, n * 2, reinterpret_cast<float*>(out));
    }};

const CountedCodec INDICES_CODEC{
    4,
    3,
    2,
    "24BIT",
    "16BIT",
    INDICES_UNSUPPORTED,
    "indices layer holds no data",
    [](const uint8_t* e, uint32_t n) {
        uint32_t size = 0;
        return UInt32Compressor::Compress24Bit(reinterpret_cast<const uint32_t*>(e), n, size);
    },
    [](const uint8_t* e, uint32_t n) {
        uint32_t size = 0;
        return UInt32Compressor::Compress16Bit(reinterpret_cast<const uint32_t*>(e), n, size);
    },
    [](const uint8_t* c, uint32_t n, uint8_t* out) {
        UInt32Compressor::Decompress24Bit(c, n, reinterpret_cast<uint32_t*>(out));
    },
    [](const uint8_t* c, uint32_t n, uint8_t* out) {
        UInt32Compressor::Decompress16Bit(c, n, reinterpret_cast<uint32_t*>(out));
    }};

/// Codes count elements under code; the result borrows the elements for code 0.
Coded codeCounted(const uint8_t* elements, uint32_t count, uint8_t code, const CountedCodec& codec)
{
    Coded coded;
    if (count == 0)
        return coded;
    if (!elements)
        throw std::runtime_error(codec.empty);
    if (code == 0) {
        coded.data = elements;
        coded.size = uint64_t(count) * codec.rawBytes;
    } else if (BlobCoding::IsBlosc(code)) {
        BlobCoding::Compress(elements, uint64_t(count) * codec.rawBytes, code, coded.blosc);
        coded.data = coded.blosc.data();
        coded.size = coded.blosc.size();
    } else if (code == FIXED_WIDE) {
        coded.packed = codec.packWide(elements, count);
        coded.size = uint64_t(count) * codec.wideBytes;
    } else if (code == FIXED_NARROW) {
        coded.packed = codec.packNarrow(elements, count);
        coded.size = uint64_t(count) * codec.narrowBytes;
    } else {
        throw std::invalid_argument(codec.unsupported);
    }
    if (coded.packed)
        coded.data = coded.packed.get();
    return coded;
}

/// Refuses a stored code or coded size that cannot give count elements, before the plain
/// layer grows.
void checkCounted(const uint8_t* coded, uint64_t codedSize, uint32_t count, uint8_t code, const CountedCodec& codec)
{
    if (count > 0 && code != 0 && !BlobCoding::IsBlosc(code) && code != FIXED_WIDE && code != FIXED_NARROW)
        throw std::invalid_argument(codec.unsupported);
    requireCodedSize(coded, codedSize, count, code, codec.rawBytes, codec.wideBytes, codec.narrowBytes);
}

/// Decodes count checked elements into out.
void decodeCounted(const uint8_t* coded, uint64_t codedSize, uint32_t count, uint8_t code, const CountedCodec& codec,
                   uint8_t* out)
{
    if (count == 0)
        return;
    if (code == 0)
        std::memcpy(out, coded, uint64_t(count) * codec.rawBytes);
    else if (code == FIXED_WIDE)
        codec.unpackWide(coded, count, out);
    else if (code == FIXED_NARROW)
        codec.unpackNarrow(coded, count, out);
    else
        BlobCoding::Decompress(coded, codedSize, code, out, uint64_t(count) * codec.rawBytes);
}

/// The name of a stored code.
std::string countedName(uint8_t code, const CountedCodec& codec)
{
    if (code == FIXED_WIDE)
        return codec.wideName;
    if (code == FIXED_NARROW)
        return codec.narrowName;
    return CompressionBase::GetAsString(code);
}

/// Count then coded bytes, the payload of texture coordinates and indices: false, and all
/// empty, for another version or a payload shorter than its count.
bool readCountAndRest(uint16_t version, uint8_t* data, uint32_t size, uint32_t& count, uint32_t& codedSize,
                      uint8_t*& coded)
{
    count = 0;
    codedSize = 0;
    coded = nullptr;
    if (version != CLASS_VERSION || size < COUNT_SIZE)
        return false;
    count = CountedArray::CountAt(data, size, 0);
    codedSize = size > COUNT_SIZE ? size - COUNT_SIZE : 0;
    coded = codedSize ? data + COUNT_SIZE : nullptr;
    return true;
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

/// The stored box, or zeros when there is none or the payload no longer holds it.
void storedBox(const FlatMemoryUInt8* payload, const uint8_t* stored, float* box)
{
    std::fill(box, box + 6, 0.0f);
    if (stored && CompressedSupport::InPayload(payload, stored, BOX_SIZE))
        std::memcpy(box, stored, BOX_SIZE);
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
    const Coded coded = codeCounted(reinterpret_cast<const uint8_t*>(plain->GetUVs()), count, code, UVS_CODEC);
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
    // Nothing loaded holds nothing to decode, whatever type the fields name.
    CompressedSupport::RequireLoaded(_loaded);
    auto plain = CompressedSupport::CreatePlain<DataTypeVertexTextureUVs>(_uncompressedTypeGuid, _purposeGuid,
                                                                          _compressedBlobVersion);
    if (_count > 0)
        CompressedSupport::RequireInPayload(_payload.get(), _coded, _codedSize);
    checkCounted(_coded, _codedSize, _count, _compressionType, UVS_CODEC);
    plain->Allocate(_count);
    decodeCounted(_coded, _codedSize, _count, _compressionType, UVS_CODEC, reinterpret_cast<uint8_t*>(plain->GetUVs()));
    return plain;
}

std::string DataTypeCompressedVertexTextureUVs::GetCompressionTypeAsString() const
{
    return countedName(_compressionType, UVS_CODEC);
}

void DataTypeCompressedVertexTextureUVs::onUpdateStatusProperties()
{
    DataTypeCompressedBlob::onUpdateStatusProperties();
    addStatusProperty(std::make_shared<StatusPropertyInt>("Num UVs", static_cast<int>(_count)));
}

bool DataTypeCompressedVertexTextureUVs::deserializeAndMigrate(uint8_t* data, uint32_t size)
{
    _loaded = readCountAndRest(_payloadVersion, data, size, _count, _codedSize, _coded);
    return _loaded;
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
    const Coded coded = codeCounted(reinterpret_cast<const uint8_t*>(plain->GetIndices()), count, code, INDICES_CODEC);
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
    // Nothing loaded holds nothing to decode, whatever type the fields name.
    CompressedSupport::RequireLoaded(_loaded);
    auto plain = CompressedSupport::CreatePlain<DataTypeVertexIndices>(_uncompressedTypeGuid, _purposeGuid,
                                                                       _compressedBlobVersion);
    if (_count > 0)
        CompressedSupport::RequireInPayload(_payload.get(), _coded, _codedSize);
    checkCounted(_coded, _codedSize, _count, _compressionType, INDICES_CODEC);
    plain->Allocate(_count);
    decodeCounted(_coded, _codedSize, _count, _compressionType, INDICES_CODEC,
                  reinterpret_cast<uint8_t*>(plain->GetIndices()));
    return plain;
}

std::string DataTypeCompressedVertexIndices::ToString(bool friendly) const
{
    return DataTypeCompressedBlob::ToString(friendly) + ", NumVertexIndices=" + std::to_string(_count);
}

std::string DataTypeCompressedVertexIndices::GetCompressionTypeAsString() const
{
    return countedName(_compressionType, INDICES_CODEC);
}

void DataTypeCompressedVertexIndices::onUpdateStatusProperties()
{
    DataTypeCompressedBlob::onUpdateStatusProperties();
    addStatusProperty(std::make_shared<StatusPropertyInt>("Num indices", static_cast<int>(_count)));
}

bool DataTypeCompressedVertexIndices::deserializeAndMigrate(uint8_t* data, uint32_t size)
{
    _loaded = readCountAndRest(_payloadVersion, data, size, _count, _codedSize, _coded);
    return _loaded;
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
    const uint32_t perNormal = bytesPerNormal(_compressionType);
    if (!perNormal)
        throw std::invalid_argument(NORMALS_UNSUPPORTED);
    CompressedSupport::RequireLoaded(_loaded);
    auto plain = CompressedSupport::CreatePlain<DataTypeVertexNormals>(_uncompressedTypeGuid, _purposeGuid,
                                                                       _compressedBlobVersion);
    // The code may have changed since the load: what it needs is checked against what the
    // payload holds, not against the code the payload was read under.
    const uint64_t codedSize = uint64_t(_count) * perNormal;
    if (codedSize > _codedSize)
        throw std::runtime_error(CompressedSupport::UNEXPECTED_SIZE);
    CompressedSupport::RequireInPayload(_payload.get(), _coded, codedSize);
    float* normals = plain->Allocate(_count);
    if (_count == 0)
        return plain;
    if (_compressionType == 0)
        std::memcpy(normals, _coded, codedSize);
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
    _codedSize = 0;
    _coded = nullptr;
    _loaded = false;
    // An unknown code is refused here rather than thrown, so the reader keeps the block.
    if (_payloadVersion != CLASS_VERSION || size < COUNT_SIZE || !bytesPerNormal(_compressionType))
        return false;
    _count = CountedArray::CountAt(data, size, 0);
    // All the rest, whatever the code: decompress checks it against the code it decodes with.
    _codedSize = size - COUNT_SIZE;
    _coded = _codedSize ? data + COUNT_SIZE : nullptr;
    _loaded = true;
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
    float widened[6];
    widenBox(box, widened);
    // The quantiser codes exactly the widened box: a point beyond it would come back on its
    // face. Decoded points lie inside it, so a decoded layer compresses again. An empty layer
    // quantises nothing, whatever its box.
    if (count > 0 && precision != XYZPrecision::QSPACE_32_32_32 &&
        !Vector3DNormalizer::BoxHoldsPoints(widened, points, count))
        throw std::out_of_range(POINTS_OUTSIDE_BOX);
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
    ThreadLocal<Vector3DNormalizer>::ThreadInstance().CompressPoints(widened, precision, points, _coded, count);
    return true;
}

uint8_t DataTypeCompressedVertexPositions::GetRecommendedCompression(std::shared_ptr<DataLayer> source)
{
    return std::dynamic_pointer_cast<DataTypeVertexPositions>(source) ? 1 : 0;
}

std::shared_ptr<DataLayer> DataTypeCompressedVertexPositions::decompress()
{
    XYZPrecision precision;
    if (!positionsPrecision(_compressionType, precision))
        throw std::invalid_argument(POSITIONS_UNSUPPORTED);
    // Only a load that was taken sets the box.
    CompressedSupport::RequireLoaded(_box != nullptr);
    auto plain = CompressedSupport::CreatePlain<DataTypeVertexPositions>(_uncompressedTypeGuid, _purposeGuid,
                                                                         _compressedBlobVersion);
    // The code may have changed since the load: what it needs is checked against what the
    // payload holds, not against the code the payload was read under.
    const uint64_t codedSize = positionsCodedSize(precision, _count);
    if (codedSize > _codedSize)
        throw std::runtime_error(CompressedSupport::UNEXPECTED_SIZE);
    CompressedSupport::RequireInPayload(_payload.get(), _box, BOX_SIZE);
    CompressedSupport::RequireInPayload(_payload.get(), _coded, codedSize);
    float box[6];
    std::memcpy(box, _box, sizeof(box));
    float* points = plain->Allocate(_count, false);
    std::memcpy(plain->GetBoundingBox(), box, sizeof(box));
    if (_count == 0)
        return plain;
    if (precision == XYZPrecision::QSPACE_32_32_32) {
        std::memcpy(points, _coded, codedSize);
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
    float box[6];
    storedBox(_payload.get(), _box, box);
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
    float box[6];
    storedBox(_payload.get(), _box, box);
    addStatusProperty(std::make_shared<StatusPropertyInt>("Num vertices", static_cast<int>(_count)));
    addStatusProperty(
        std::make_shared<StatusPropertyVector3>("Bounding box min", VornCommon::Vector3f(box[0], box[1], box[2])));
    addStatusProperty(
        std::make_shared<StatusPropertyVector3>("Bounding box max", VornCommon::Vector3f(box[3], box[4], box[5])));
}

bool DataTypeCompressedVertexPositions::deserializeAndMigrate(uint8_t* data, uint32_t size)
{
    _count = 0;
    _codedSize = 0;
    _box = nullptr;
    _coded = nullptr;
    XYZPrecision precision;
    if (_payloadVersion != CLASS_VERSION || size < POSITIONS_HEADER || !positionsPrecision(_compressionType, precision))
        return false;
    _box = data;
    _count = CountedArray::CountAt(data, size, BOX_SIZE);
    // All the rest, whatever the code: decompress checks it against the code it decodes with.
    _codedSize = size - POSITIONS_HEADER;
    _coded = _codedSize ? data + POSITIONS_HEADER : nullptr;
    return true;
}

} // namespace Hyx
