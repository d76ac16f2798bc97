#pragma once

// Vertex indices packed into 3 or 2 bytes each (little-endian).
//
// Contract:
// - 24-bit: indices in groups of four (a, b, c, d) become the three words a | d0 << 24,
//   b | d1 << 24, c | d2 << 24 (dN the bytes of d, low first); the last count % 4 indices
//   follow as 3 bytes each, low byte first. 16-bit: each index as a u16, in order.
// - An index that does not fit (2^24 or more, 65536 or more) is refused with
//   std::out_of_range before anything is written, rather than spoiling its neighbours.
// - Compression returns a new buffer of exactly `size` bytes, owned by the caller (its
//   storage comes from new[], so a payload buffer may adopt it through release()).
// - Decompression reads exactly 3 x count (2 x count) bytes; the caller checks that many
//   are there. All functions are reentrant.

#include <Hyx/Export.h>

#include <cstdint>
#include <memory>

namespace Hyx {

class HYX_API UInt32Compressor {
public:
    UInt32Compressor() = delete;

    /// Packs count indices below 2^24 into 3 x count bytes (size receives that count).
    static std::unique_ptr<uint8_t[]> Compress24Bit(const uint32_t* indices, uint32_t count, uint32_t& size);
    /// Unpacks count indices from 3 x count bytes.
    static void Decompress24Bit(const uint8_t* in, uint32_t count, uint32_t* indices);
    /// Packs count indices below 65536 into 2 x count bytes (size receives that count).
    static std::unique_ptr<uint8_t[]> Compress16Bit(const uint32_t* indices, uint32_t count, uint32_t& size);
    /// Unpacks count indices from 2 x count bytes.
    static void Decompress16Bit(const uint8_t* in, uint32_t count, uint32_t* indices);
};

} // namespace Hyx
