#pragma once

// Point quantiser: points inside a box become fixed-point fractions of it, of which 8 to
// 16 bits per axis are kept and packed into 3 to 6 bytes a point (little-endian).
//
// Contract:
// - A box is six floats: minimum x, y, z, then maximum x, y, z. For a coordinate c on an
//   axis with minimum m and scale k = 2^32 / extent, Q = trunc((c - m) x k) (float
//   product), clamped to [0, 2^32 - 1]; NaN gives 0. A coordinate on
//   the box maximum or outside the box thus packs as the nearest face. An axis of zero or
//   non-finite extent has scale 0: all its coordinates pack as the minimum.
// - Decoding gives c = float(Q & mask) x extent x 2^-32 + m.
// - Precisions 8-10 all pack 16 bits per axis (the 48-bit packing of the platform layer).
// - Unknown precisions throw std::invalid_argument with the texts of each function.
// - An instance keeps the box of its last Initialize and the precision of its last
//   SetPrecision; it is used by one thread at a time (ThreadLocal).

#include <Hyx/Export.h>

#include <cstdint>

namespace Hyx {

/// Bits per axis of the point quantiser, and with them the packed size of one point.
enum class XYZPrecision : uint8_t {
    QSPACE_8_8_8 = 0, ///< 3 bytes
    QSPACE_9_9_9 = 1, ///< 4 bytes
    QSPACE_10_10_10 = 2, ///< 4 bytes
    QSPACE_11_11_10 = 3, ///< 4 bytes
    QSPACE_11_11_11 = 4, ///< 5 bytes
    QSPACE_12_12_12 = 5, ///< 5 bytes
    QSPACE_13_13_13 = 6, ///< 5 bytes
    QSPACE_14_13_13 = 7, ///< 5 bytes
    QSPACE_14_14_14 = 8, ///< 6 bytes
    QSPACE_15_15_15 = 9, ///< 6 bytes
    QSPACE_16_16_16 = 10, ///< 6 bytes
    QSPACE_32_32_32 = 255 ///< raw floats (12 bytes), copied by the callers
};

class HYX_API Vector3DNormalizer {
public:
    /// Empty box, 11/11/10 bits.
    Vector3DNormalizer();
    virtual ~Vector3DNormalizer();

    /// Takes the box: minimum, scale 2^32 / extent and inverse scale extent x 2^-32 per axis.
    void Initialize(const float* box);
    /// Takes the bit counts of a precision (32/32/32 for 255); values outside the table
    /// throw "precisionXYZ not supported.".
    void SetPrecision(XYZPrecision precision);

    /// Packed bytes of count points; precisions outside the table throw
    /// "CalcSizeForCompressedPoints for this precisionXYZ not supported.", a size beyond 32
    /// bits std::length_error.
    static uint32_t CalcSizeForCompressedPoints(XYZPrecision precision, uint32_t count);

    /// True when the box (minimum x, y, z, maximum x, y, z) is finite, its extent on every
    /// axis (maximum minus minimum, in float) is finite, and it holds every coordinate of the
    /// count points, its faces included; a NaN lies nowhere. Packing assumes this and does
    /// not check it: a point outside packs as the nearest face, and every point of an axis
    /// whose extent overflows packs as the minimum. One pass without branches.
    static bool BoxHoldsPoints(const float* box, const float* points, uint32_t count);

    /// Initialize(box), SetPrecision(precision), then packs count points (3 floats each) into
    /// CalcSizeForCompressedPoints bytes at out. Precision 255 throws
    /// "CalcSizeForCompressedPoints for this precisionXYZ not supported." (raw floats are
    /// copied by the callers), values outside the table "precisionXYZ not supported.".
    void CompressPoints(const float* box, XYZPrecision precision, const float* points, uint8_t* out, uint32_t count);
    /// Initialize(box), SetPrecision(precision), then unpacks count points. Precision 255
    /// throws "UncompressPoints for this precisionXYZ not supported.".
    void DecompressPoints(const float* box, XYZPrecision precision, const uint8_t* in, float* points, uint32_t count);

    /// Initialize(box), SetPrecision(precision), then ApplyPrecision(points, count).
    void ApplyPrecision(const float* box, XYZPrecision precision, float* points, uint32_t count);
    /// Replaces each coordinate c in place by float(Q & mask) x inverse scale + minimum with
    /// the current box and bit counts: the value packing keeps (precisions 8 and 9 apply
    /// their 14 and 15 bits, though the 48-bit packing keeps 16).
    void ApplyPrecision(float* points, uint32_t count) const;

protected:
    void setPrecision(uint32_t bitsX, uint32_t bitsY, uint32_t bitsZ);
    /// The top `bits` bits of a 32-bit word (all of them for 32 or more).
    static uint32_t createBitMask(uint32_t bits);

    void compressPoints_24bit(const float* points, uint8_t* out, uint32_t count) const;
    void compressPoints_32bit(const float* points, uint8_t* out, uint32_t count) const;
    void compressPoints_40bit(const float* points, uint8_t* out, uint32_t count) const;
    void compressPoints_48bit(const float* points, uint8_t* out, uint32_t count) const;
    void uncompressPoints_24bit(const uint8_t* in, float* points, uint32_t count) const;
    void uncompressPoints_32bit(const uint8_t* in, float* points, uint32_t count) const;
    void uncompressPoints_40bit(const uint8_t* in, float* points, uint32_t count) const;
    void uncompressPoints_48bit(const uint8_t* in, float* points, uint32_t count) const;

    float _min[3] = {0, 0, 0};
    float _scale[3] = {0, 0, 0};
    float _inverseScale[3] = {0, 0, 0};
    uint32_t _bits[3] = {0, 0, 0};
    uint32_t _masks[3] = {0, 0, 0};
};

} // namespace Hyx
