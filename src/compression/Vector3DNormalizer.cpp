#include <Hyx/Vector3DNormalizer.h>

#include <VornCommon/Math.h>

#include <cmath>
#include <cstring>
#include <stdexcept>

namespace Hyx {

namespace {

struct PrecisionRow {
    uint32_t bits[3];
    uint32_t bytes;
};

// Indexed by the precision's value (0-10).
constexpr PrecisionRow kPrecisions[] = {
    {{8, 8, 8}, 3},    {{9, 9, 9}, 4},    {{10, 10, 10}, 4}, {{11, 11, 10}, 4}, {{11, 11, 11}, 5}, {{12, 12, 12}, 5},
    {{13, 13, 13}, 5}, {{14, 13, 13}, 5}, {{14, 14, 14}, 6}, {{15, 15, 15}, 6}, {{16, 16, 16}, 6},
};
constexpr uint8_t kRows = sizeof(kPrecisions) / sizeof(kPrecisions[0]);
constexpr float kTwo32 = 4294967296.0f;
constexpr float kTwoMinus32 = 1.0f / 4294967296.0f;

// The packed fraction of one coordinate (see the header).
inline uint32_t fixedPoint(float c, float minimum, float scale)
{
    return VornCommon::Math::FixedPointFraction32((c - minimum) * scale);
}

inline float fromFixedPoint(uint32_t q, float inverseScale, float minimum)
{
    return static_cast<float>(q) * inverseScale + minimum;
}

inline uint32_t loadWord(const uint8_t* p)
{
    uint32_t w;
    std::memcpy(&w, p, 4);
    return w;
}

inline void storeWord(uint8_t* p, uint32_t w)
{
    std::memcpy(p, &w, 4);
}

} // namespace

Vector3DNormalizer::Vector3DNormalizer()
{
    setPrecision(11, 11, 10);
}

Vector3DNormalizer::~Vector3DNormalizer() = default;

void Vector3DNormalizer::Initialize(const float* box)
{
    for (int a = 0; a < 3; ++a) {
        const float extent = box[3 + a] - box[a];
        // A flat or unbounded axis keeps every point on the minimum.
        const bool usable = extent != 0.0f && std::isfinite(extent);
        _min[a] = box[a];
        _scale[a] = usable ? kTwo32 / extent : 0.0f;
        _inverseScale[a] = usable ? extent * kTwoMinus32 : 0.0f;
    }
}

void Vector3DNormalizer::SetPrecision(XYZPrecision precision)
{
    const auto row = static_cast<uint8_t>(precision);
    if (precision == XYZPrecision::QSPACE_32_32_32)
        return setPrecision(32, 32, 32);
    if (row >= kRows)
        throw std::invalid_argument("precisionXYZ not supported.");
    const uint32_t* bits = kPrecisions[row].bits;
    setPrecision(bits[0], bits[1], bits[2]);
}

void Vector3DNormalizer::setPrecision(uint32_t bitsX, uint32_t bitsY, uint32_t bitsZ)
{
    _bits[0] = bitsX;
    _bits[1] = bitsY;
    _bits[2] = bitsZ;
    for (int a = 0; a < 3; ++a)
        _masks[a] = createBitMask(_bits[a]);
}

uint32_t Vector3DNormalizer::createBitMask(uint32_t bits)
{
    return bits >= 32 ? 0xFFFFFFFFu : (bits == 0 ? 0u : ~((1u << (32 - bits)) - 1u));
}

uint32_t Vector3DNormalizer::CalcSizeForCompressedPoints(XYZPrecision precision, uint32_t count)
{
    const auto row = static_cast<uint8_t>(precision);
    uint64_t bytes = 0;
    if (row < kRows)
        bytes = kPrecisions[row].bytes;
    else if (precision == XYZPrecision::QSPACE_32_32_32)
        bytes = 12;
    else
        throw std::invalid_argument("CalcSizeForCompressedPoints for this precisionXYZ not supported.");
    if (bytes * count > UINT32_MAX)
        throw std::length_error("compressed points size does not fit in 32 bits");
    return static_cast<uint32_t>(bytes * count);
}

bool Vector3DNormalizer::BoxHoldsPoints(const float* box, const float* points, uint32_t count)
{
    for (int a = 0; a < 6; ++a)
        if (!std::isfinite(box[a]))
            return false;
    // Initialize gives an axis of overflowing extent scale 0: each point would come back as
    // the minimum.
    for (int a = 0; a < 3; ++a)
        if (!std::isfinite(box[3 + a] - box[a]))
            return false;
    // Four points are twelve floats whose bounds repeat x, y, z: each block is three vector
    // compares into twelve lanes that stay in registers.
    constexpr size_t BLOCK = 12;
    float lo[BLOCK], hi[BLOCK];
    for (size_t j = 0; j < BLOCK; ++j) {
        lo[j] = box[j % 3];
        hi[j] = box[3 + j % 3];
    }
    const size_t n = size_t(count) * 3;
    const size_t whole = n - n % BLOCK;
    int lanes[BLOCK] = {};
    for (size_t i = 0; i < whole; i += BLOCK) {
#pragma GCC unroll 12
        for (size_t j = 0; j < BLOCK; ++j)
            lanes[j] |= int(!(points[i + j] >= lo[j])) | int(!(points[i + j] <= hi[j]));
    }
    int outside = 0;
    for (size_t i = whole; i < n; ++i)
        outside |= int(!(points[i] >= lo[i % 3])) | int(!(points[i] <= hi[i % 3]));
    for (int lane : lanes)
        outside |= lane;
    return outside == 0;
}

void Vector3DNormalizer::CompressPoints(const float* box, XYZPrecision precision, const float* points, uint8_t* out,
                                        uint32_t count)
{
    Initialize(box);
    SetPrecision(precision);
    if (precision == XYZPrecision::QSPACE_32_32_32)
        throw std::invalid_argument("CalcSizeForCompressedPoints for this precisionXYZ not supported.");
    const auto row = static_cast<uint8_t>(precision);
    if (row == 0)
        compressPoints_24bit(points, out, count);
    else if (row <= 3)
        compressPoints_32bit(points, out, count);
    else if (row <= 7)
        compressPoints_40bit(points, out, count);
    else
        compressPoints_48bit(points, out, count);
}

void Vector3DNormalizer::DecompressPoints(const float* box, XYZPrecision precision, const uint8_t* in, float* points,
                                          uint32_t count)
{
    Initialize(box);
    SetPrecision(precision);
    if (precision == XYZPrecision::QSPACE_32_32_32)
        throw std::invalid_argument("UncompressPoints for this precisionXYZ not supported.");
    const auto row = static_cast<uint8_t>(precision);
    if (row == 0)
        uncompressPoints_24bit(in, points, count);
    else if (row <= 3)
        uncompressPoints_32bit(in, points, count);
    else if (row <= 7)
        uncompressPoints_40bit(in, points, count);
    else
        uncompressPoints_48bit(in, points, count);
}

void Vector3DNormalizer::ApplyPrecision(const float* box, XYZPrecision precision, float* points, uint32_t count)
{
    Initialize(box);
    SetPrecision(precision);
    ApplyPrecision(points, count);
}

void Vector3DNormalizer::ApplyPrecision(float* points, uint32_t count) const
{
    for (uint32_t i = 0; i < count; ++i) {
        float* p = points + 3 * size_t(i);
        for (int a = 0; a < 3; ++a)
            p[a] = fromFixedPoint(fixedPoint(p[a], _min[a], _scale[a]) & _masks[a], _inverseScale[a], _min[a]);
    }
}

void Vector3DNormalizer::compressPoints_24bit(const float* points, uint8_t* out, uint32_t count) const
{
    for (size_t i = 0; i < 3 * size_t(count); i += 3)
        for (int a = 0; a < 3; ++a)
            out[i + a] = static_cast<uint8_t>(fixedPoint(points[i + a], _min[a], _scale[a]) >> 24);
}

void Vector3DNormalizer::uncompressPoints_24bit(const uint8_t* in, float* points, uint32_t count) const
{
    for (size_t i = 0; i < 3 * size_t(count); i += 3)
        for (int a = 0; a < 3; ++a)
            points[i + a] = fromFixedPoint(uint32_t(in[i + a]) << 24, _inverseScale[a], _min[a]);
}

void Vector3DNormalizer::compressPoints_32bit(const float* points, uint8_t* out, uint32_t count) const
{
    for (uint32_t i = 0; i < count; ++i) {
        const float* p = points + 3 * size_t(i);
        const uint32_t qx = fixedPoint(p[0], _min[0], _scale[0]) & _masks[0];
        const uint32_t qy = fixedPoint(p[1], _min[1], _scale[1]) & _masks[1];
        const uint32_t qz = fixedPoint(p[2], _min[2], _scale[2]) & _masks[2];
        storeWord(out + 4 * size_t(i), qx | ((qy | (qz >> _bits[1])) >> _bits[0]));
    }
}

void Vector3DNormalizer::uncompressPoints_32bit(const uint8_t* in, float* points, uint32_t count) const
{
    const uint32_t shiftZ = _bits[0] + _bits[1];
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t w = loadWord(in + 4 * size_t(i));
        float* p = points + 3 * size_t(i);
        p[0] = fromFixedPoint(w & _masks[0], _inverseScale[0], _min[0]);
        p[1] = fromFixedPoint((w << _bits[0]) & _masks[1], _inverseScale[1], _min[1]);
        p[2] = fromFixedPoint(w << shiftZ, _inverseScale[2], _min[2]);
    }
}

void Vector3DNormalizer::compressPoints_40bit(const float* points, uint8_t* out, uint32_t count) const
{
    const uint32_t restZ = 32 - _bits[0] - _bits[1];
    for (uint32_t i = 0; i < count; ++i) {
        const float* p = points + 3 * size_t(i);
        const uint32_t qx = fixedPoint(p[0], _min[0], _scale[0]) & _masks[0];
        const uint32_t qy = fixedPoint(p[1], _min[1], _scale[1]) & _masks[1];
        const uint32_t qz = fixedPoint(p[2], _min[2], _scale[2]) & _masks[2];
        uint8_t* o = out + 5 * size_t(i);
        storeWord(o, qx | ((qy | (qz >> _bits[1])) >> _bits[0]));
        o[4] = static_cast<uint8_t>((qz << restZ) >> 24);
    }
}

void Vector3DNormalizer::uncompressPoints_40bit(const uint8_t* in, float* points, uint32_t count) const
{
    const uint32_t shiftZ = _bits[0] + _bits[1];
    const uint32_t restZ = 32 - shiftZ;
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* s = in + 5 * size_t(i);
        const uint32_t w = loadWord(s);
        float* p = points + 3 * size_t(i);
        p[0] = fromFixedPoint(w & _masks[0], _inverseScale[0], _min[0]);
        p[1] = fromFixedPoint((w << _bits[0]) & _masks[1], _inverseScale[1], _min[1]);
        p[2] = fromFixedPoint((w << shiftZ) | ((uint32_t(s[4]) << 24) >> restZ), _inverseScale[2], _min[2]);
    }
}

void Vector3DNormalizer::compressPoints_48bit(const float* points, uint8_t* out, uint32_t count) const
{
    VornCommon::compressPoints48bit(points, out, {_scale[0], _scale[1], _scale[2]}, {_min[0], _min[1], _min[2]}, count);
}

void Vector3DNormalizer::uncompressPoints_48bit(const uint8_t* in, float* points, uint32_t count) const
{
    VornCommon::uncompressPoints48bit(in, points, {_inverseScale[0], _inverseScale[1], _inverseScale[2]},
                                      {_min[0], _min[1], _min[2]}, count);
}

} // namespace Hyx
