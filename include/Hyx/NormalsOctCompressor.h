#pragma once

// Octahedral coding of unit normals into two signed 8- or 16-bit numbers (u then v,
// little-endian). A normal (x, y, z) is projected onto the octahedron |x|+|y|+|z| = 1;
// the lower half (z < 0) is folded outwards by u := s(u) - u, v := s(v) - v with s(t) = -1
// for t < 0 and +1 otherwise.
//
// Contract:
// - The coder picks, of the nearest codes, one on the correct side of the fold (|a| + |b|
//   above q exactly for folded normals), and the decoder folds back exactly when |a| + |b|
//   exceeds q; so normals near the equator keep their side and every unit normal decodes
//   within 1 degree with OCT_16 and 0.01 degree with OCT_32.
// - A zero or NaN normal codes as (0, 0), which decodes to (0, 0, 1).
// - Unsupported precisions throw std::invalid_argument: "Precision is not supported." when
//   coding, "Precision is not supported" when decoding.
// - Stateless; the static functions are reentrant.

#include <Hyx/Export.h>

#include <cstdint>

namespace Hyx {

/// Precision of coded normals; the value is also the compression code of compressed normals.
enum class NormalsPrecision : uint8_t {
    UNCOMPRESSED = 0, ///< the three floats as they are (12 bytes)
    NONE = 1, ///< name only, refused by the codec
    OCT_16 = 2, ///< two signed 8-bit numbers, q = 127
    OCT_24 = 3, ///< name only, refused by the codec
    OCT_32 = 4, ///< two signed 16-bit numbers, q = 32767
};

class HYX_API NormalsOctCompressor {
public:
    virtual ~NormalsOctCompressor();

    /// Codes count normals (3 floats each) into out, getCompressedSizeinBytes bytes.
    void compressNorms(const float* normals, uint8_t* out, uint32_t count, NormalsPrecision precision) const;
    /// Decodes count normals from in (getCompressedSizeinBytes bytes) into 3 floats each.
    void decompressNorms(const uint8_t* in, float* normals, uint32_t count, NormalsPrecision precision) const;

    /// 12 x count for UNCOMPRESSED, otherwise the precision's value x count. Throws
    /// std::length_error when the size does not fit in 32 bits.
    static uint32_t getCompressedSizeinBytes(NormalsPrecision precision, uint32_t count);
    /// 12 x count (std::length_error when that does not fit in 32 bits).
    static uint32_t getUncompressedSizeinBytes(NormalsPrecision precision, uint32_t count);

protected:
    /// One normal to two signed 8-bit numbers, and back.
    static void f96_to_oct16(const float* normal, int8_t* out2);
    static void oct16_to_f96(const int8_t* in2, float* normal);
    /// One normal to two signed 16-bit numbers, and back.
    static void f96_to_oct32(const float* normal, int16_t* out2);
    static void oct32_to_f96(const int16_t* in2, float* normal);

    /// round(clamp(f, -1, 1) x 127), halves away from zero; NaN gives 0.
    static int8_t f_snorm8(float f);
    /// round(clamp(f, -1, 1) x 32767), halves away from zero; NaN gives 0.
    static int16_t f_snorm16(float f);
    /// clamp(c / 127, -1, 1).
    static float snorm8_f(int8_t c);
    /// clamp(c / 32767, -1, 1).
    static float snorm16_f(int16_t c);
};

} // namespace Hyx
