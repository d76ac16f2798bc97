#include "compression/layers/BlobCoding.h"

#include <Hyx/BloscCompressor.h>
#include <Hyx/ThreadLocal.h>

#include "compression/BloscHeader.h"

#include <stdexcept>

namespace Hyx::BlobCoding {

void Compress(const uint8_t* data, uint64_t size, uint8_t code, std::vector<uint8_t>& out)
{
    if (!IsBlosc(code))
        throw std::invalid_argument("compression type is not supported!");
    uint64_t capacity = size + 16;
    const uint8_t* coded = ThreadLocal<BloscCompressor>::ThreadInstance().RawCompress(
        reinterpret_cast<const char*>(data), size, &capacity, static_cast<CompressionBaseTypes>(code), 1);
    if (!coded)
        throw std::runtime_error("compression failed!");
    out.assign(coded, coded + capacity);
}

void RequirePlainSize(const uint8_t* coded, uint64_t codedSize, uint8_t code, uint64_t plainSize)
{
    if (!IsBlosc(code))
        throw std::invalid_argument("compression type is not supported!");
    if (plainSize == 0 && codedSize == 0)
        return;
    if (!coded)
        throw std::runtime_error("compressed data missing");
    BloscHeader::RequireSizes(reinterpret_cast<const char*>(coded), codedSize, plainSize);
}

uint64_t StatedPlainSize(const uint8_t* coded, uint64_t codedSize)
{
    return BloscHeader::StatedPlainSize(reinterpret_cast<const char*>(coded), codedSize);
}

void Decompress(const uint8_t* coded, uint64_t codedSize, uint8_t code, uint8_t* out, uint64_t plainSize)
{
    RequirePlainSize(coded, codedSize, code, plainSize);
    if (plainSize == 0 && codedSize == 0)
        return;
    ThreadLocal<BloscCompressor>::ThreadInstance().DecompressData(reinterpret_cast<const char*>(coded), codedSize,
                                                                  reinterpret_cast<char*>(out), plainSize,
                                                                  static_cast<CompressionBaseTypes>(code));
}

} // namespace Hyx::BlobCoding
