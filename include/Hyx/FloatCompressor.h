#pragma once

// Values of 0 to 1 (texture coordinates) packed into 16 or 12 bits each (little-endian).
//
// Contract:
// - 16-bit: v becomes the u16 trunc(65535 x v) clamped to 0..65535 (NaN gives 0); decoding
//   multiplies by the float nearest to 1/65535.
// - 12-bit: values are taken in pairs (a, b) as A = trunc(4095 x a), B = trunc(4095 x b),
//   3 bytes a pair: A & 0xFF, B & 0xFF, (A >> 8 & 0xF) | (B >> 8 & 0xF) << 4; decoding
//   multiplies by the float nearest to 1/4095. A value outside 0..1 (or NaN) and an odd
//   count are refused with std::out_of_range / std::invalid_argument before anything is
//   written, rather than wrapping.
// - Compression returns a new buffer owned by the caller (storage from new[]) of 2 x count
//   or 3 x count / 2 bytes; decompression reads exactly that many. All functions are
//   reentrant.

#include <Hyx/Export.h>

#include <cstdint>
#include <memory>

namespace Hyx {

class HYX_API FloatCompressor {
public:
    FloatCompressor() = delete;

    /// Packs count values into 2 x count bytes.
    static std::unique_ptr<uint8_t[]> CompressFloatsTo16Bit(const float* values, uint32_t count);
    /// Unpacks count values from 2 x count bytes.
    static void DecompressFloatsFrom16Bit(const uint8_t* in, uint32_t count, float* values);
    /// Packs an even count of values of 0 to 1 into 3 x count / 2 bytes.
    static std::unique_ptr<uint8_t[]> CompressFloatsTo12Bit(const float* values, uint32_t count);
    /// Unpacks an even count of values from 3 x count / 2 bytes.
    static void DecompressFloatsFrom12Bit(const uint8_t* in, uint32_t count, float* values);
};

} // namespace Hyx
