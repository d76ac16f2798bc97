#include <Hyx/NormalsOctCompressor.h>

#include "compression/OctahedralKernels.h"

#include <cstring>
#include <stdexcept>

namespace Hyx {

namespace {

constexpr int kQ8 = 127;
constexpr int kQ16 = 32767;

uint32_t checkedSize(uint64_t bytes)
{
    if (bytes > UINT32_MAX)
        throw std::length_error("normals size does not fit in 32 bits");
    return static_cast<uint32_t>(bytes);
}

// Plain loops over arrays: the kernels inline and the stores are byte copies, so the
// compiler can vectorise them.
template <typename Int, int Q>
void encodeAll(const float* normals, uint8_t* out, uint32_t count)
{
    for (uint32_t i = 0; i < count; ++i) {
        const float* n = normals + 3 * size_t(i);
        int32_t a, b;
        oct::encode<Q>(n[0], n[1], n[2], a, b);
        const Int pair[2] = {static_cast<Int>(a), static_cast<Int>(b)};
        std::memcpy(out + sizeof(pair) * i, pair, sizeof(pair));
    }
}

template <typename Int, int Q>
void decodeAll(const uint8_t* in, float* normals, uint32_t count)
{
    for (uint32_t i = 0; i < count; ++i) {
        Int pair[2];
        std::memcpy(pair, in + sizeof(pair) * i, sizeof(pair));
        oct::decode<Q>(pair[0], pair[1], normals + 3 * size_t(i));
    }
}

} // namespace

NormalsOctCompressor::~NormalsOctCompressor() = default;

void NormalsOctCompressor::compressNorms(const float* normals, uint8_t* out, uint32_t count,
                                         NormalsPrecision precision) const
{
    switch (precision) {
    case NormalsPrecision::UNCOMPRESSED: std::memcpy(out, normals, 12 * size_t(count)); return;
    case NormalsPrecision::OCT_16: encodeAll<int8_t, kQ8>(normals, out, count); return;
    case NormalsPrecision::OCT_32: encodeAll<int16_t, kQ16>(normals, out, count); return;
    default: throw std::invalid_argument("Precision is not supported.");
    }
}

void NormalsOctCompressor::decompressNorms(const uint8_t* in, float* normals, uint32_t count,
                                           NormalsPrecision precision) const
{
    switch (precision) {
    case NormalsPrecision::UNCOMPRESSED: std::memcpy(normals, in, 12 * size_t(count)); return;
    case NormalsPrecision::OCT_16: decodeAll<int8_t, kQ8>(in, normals, count); return;
    case NormalsPrecision::OCT_32: decodeAll<int16_t, kQ16>(in, normals, count); return;
    default: throw std::invalid_argument("Precision is not supported");
    }
}

uint32_t NormalsOctCompressor::getCompressedSizeinBytes(NormalsPrecision precision, uint32_t count)
{
    const uint64_t perNormal = precision == NormalsPrecision::UNCOMPRESSED ? 12 : static_cast<uint64_t>(precision);
    return checkedSize(perNormal * count);
}

uint32_t NormalsOctCompressor::getUncompressedSizeinBytes(NormalsPrecision, uint32_t count)
{
    return checkedSize(12ull * count);
}

void NormalsOctCompressor::f96_to_oct16(const float* normal, int8_t* out2)
{
    int32_t a, b;
    oct::encode<kQ8>(normal[0], normal[1], normal[2], a, b);
    out2[0] = static_cast<int8_t>(a);
    out2[1] = static_cast<int8_t>(b);
}

void NormalsOctCompressor::oct16_to_f96(const int8_t* in2, float* normal)
{
    oct::decode<kQ8>(in2[0], in2[1], normal);
}

void NormalsOctCompressor::f96_to_oct32(const float* normal, int16_t* out2)
{
    int32_t a, b;
    oct::encode<kQ16>(normal[0], normal[1], normal[2], a, b);
    out2[0] = static_cast<int16_t>(a);
    out2[1] = static_cast<int16_t>(b);
}

void NormalsOctCompressor::oct32_to_f96(const int16_t* in2, float* normal)
{
    oct::decode<kQ16>(in2[0], in2[1], normal);
}

namespace {

float clampUnit(float f)
{
    return f > 1.0f ? 1.0f : (f < -1.0f ? -1.0f : (f == f ? f : 0.0f));
}

} // namespace

int8_t NormalsOctCompressor::f_snorm8(float f)
{
    return static_cast<int8_t>(oct::roundAway(clampUnit(f) * kQ8));
}

int16_t NormalsOctCompressor::f_snorm16(float f)
{
    return static_cast<int16_t>(oct::roundAway(clampUnit(f) * kQ16));
}

float NormalsOctCompressor::snorm8_f(int8_t c)
{
    return clampUnit(float(c) / kQ8);
}

float NormalsOctCompressor::snorm16_f(int16_t c)
{
    return clampUnit(float(c) / kQ16);
}

} // namespace Hyx
