#pragma once

// The generic codes 1-3 of the compressed layers over the calling thread's Blosc instance.

#include <Hyx/DataTypeCompressedBlob.h>

#include <cstdint>
#include <vector>

namespace Hyx::BlobCoding {

/// True for codes 1-3.
inline bool IsBlosc(uint8_t code)
{
    return code >= 1 && code <= 3;
}

/// Blosc (level 1) of size bytes into out (replaced). Codes other than 1-3 throw
/// "compression type is not supported!".
void Compress(const uint8_t* data, uint64_t size, uint8_t code, std::vector<uint8_t>& out);

/// Throws unless codedSize bytes at coded can decode to exactly plainSize bytes as far as
/// the stream's header tells: called before the plain layer is allocated, so a forged size
/// costs no allocation.
void RequirePlainSize(const uint8_t* coded, uint64_t codedSize, uint8_t code, uint64_t plainSize);

/// The plain size the stream's header states (0 without a header), for a caller that takes
/// one of several sizes; RequirePlainSize still checks the one it picks.
uint64_t StatedPlainSize(const uint8_t* coded, uint64_t codedSize);

/// Decodes codedSize bytes into exactly plainSize bytes at out; throws when the stream
/// does not hold exactly that many.
void Decompress(const uint8_t* coded, uint64_t codedSize, uint8_t code, uint8_t* out, uint64_t plainSize);

} // namespace Hyx::BlobCoding
