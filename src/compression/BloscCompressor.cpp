#include <Hyx/BloscCompressor.h>

#include "compression/BloscHeader.h"

#include <blosc.h>

#include <algorithm>
#include <stdexcept>

namespace Hyx {

namespace {

constexpr uint64_t kOverhead = BLOSC_MAX_OVERHEAD;
constexpr uint64_t kMaxInput = BLOSC_MAX_BUFFERSIZE;

// The codec of a code, or null for codes this front end does not write or read.
const char* codecName(CompressionBaseTypes code)
{
    switch (code) {
    case CompressionBaseTypes::SNAPPY: return "snappy";
    case CompressionBaseTypes::LZ4: return "lz4";
    case CompressionBaseTypes::ZLIB: return "zlib";
    default: return nullptr;
    }
}

size_t typeSize(uint64_t n)
{
    return n % 3 == 0 ? 3 : (n % 2 == 0 ? 2 : 1);
}

// One context call; the compressed size, or a throw when Blosc reports nothing or an error.
uint64_t compress(const char* src, uint64_t size, void* destination, uint64_t capacity, const char* codec, int level,
                  int threads)
{
    if (size > kMaxInput)
        throw std::runtime_error("compression failed!");
    const int result =
        blosc_compress_ctx(level, BLOSC_NOSHUFFLE, typeSize(size), size, src, destination, capacity, codec, 0, threads);
    if (result <= 0)
        throw std::runtime_error("compression failed!");
    return static_cast<uint64_t>(result);
}

} // namespace

BloscCompressor::BloscCompressor() : _scratch(std::make_shared<FlatMemoryUInt8>())
{
}

BloscCompressor::~BloscCompressor() = default;

uint8_t* BloscCompressor::RawCompress(const char* src, uint64_t size, uint64_t* capacityAndResult,
                                      CompressionBaseTypes code, int level) const
{
    if (code == CompressionBaseTypes::NONE || code == CompressionBaseTypes::ZSTD)
        return nullptr;
    const char* codec = codecName(code);
    if (!codec)
        throw std::runtime_error("compression type not supported!");
    // More room than the worst case is never used; this also keeps the scratch within 32 bits.
    const uint64_t capacity = std::min(*capacityAndResult, std::min(size, kMaxInput) + kOverhead);
    uint8_t* destination = _scratch->resize(static_cast<uint32_t>(capacity));
    *capacityAndResult = compress(src, size, destination, capacity, codec, level, _threads);
    return destination;
}

void BloscCompressor::RawCompress(const char* src, uint64_t size, uint8_t* destination, uint64_t* capacityAndResult,
                                  CompressionBaseTypes code, int level)
{
    if (code == CompressionBaseTypes::NONE)
        return;
    const char* codec = codecName(code);
    if (!codec)
        throw std::runtime_error("compression type is not supported!");
    *capacityAndResult = compress(src, size, destination, *capacityAndResult, codec, level, 1);
}

uint64_t BloscCompressor::GetWorstCaseSizeInBytes(uint64_t size, CompressionBaseTypes code)
{
    if (code == CompressionBaseTypes::NONE)
        return 0;
    if (static_cast<uint8_t>(code) > static_cast<uint8_t>(CompressionBaseTypes::ZSTD))
        throw std::runtime_error("compression type is not supported!");
    return size + kOverhead;
}

void BloscCompressor::DecompressData(const char* src, uint64_t compressedSize, char* destination,
                                     uint64_t destinationSize, CompressionBaseTypes code) const
{
    if (code == CompressionBaseTypes::NONE)
        return;
    if (!codecName(code))
        throw std::runtime_error("compression type not supported!");
    BloscHeader::RequireSizes(src, compressedSize, destinationSize);
    const int result = blosc_decompress_ctx(src, destination, destinationSize, _threads);
    if (result < 0 || static_cast<uint64_t>(result) != destinationSize)
        throw std::runtime_error("uncompressedSizeInBytes too small for data");
}

namespace BloscHeader {

void RequireSizes(const char* src, uint64_t compressedSize, uint64_t plainSize)
{
    if (compressedSize < kOverhead)
        throw std::runtime_error("uncompressedSizeInBytes is not equal size stored in buffer");
    size_t plain = 0, stored = 0, blockSize = 0;
    blosc_cbuffer_sizes(src, &plain, &stored, &blockSize);
    if (stored != compressedSize)
        throw std::runtime_error("uncompressedSizeInBytes is not equal size stored in buffer");
    if (plain != plainSize || plain > kMaxInput)
        throw std::runtime_error("uncompressed size stored in buffer differs from the expected size");
}

uint64_t StatedPlainSize(const char* src, uint64_t compressedSize)
{
    if (!src || compressedSize < kOverhead)
        return 0;
    size_t plain = 0, stored = 0, blockSize = 0;
    blosc_cbuffer_sizes(src, &plain, &stored, &blockSize);
    return plain;
}

} // namespace BloscHeader

} // namespace Hyx
