#include <Hyx/NormalsOctCompressor.h>

#include "compression/OctahedralKernels.h"

#include <algorithm>
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

// Normals go through the kernels in blocks of plain arrays, one per axis and code, so that
// the kernel loops vectorise; only the copies in and out touch the packed layouts.
constexpr uint32_t kBlock = 256;

template <typename Int, int Q>
void encodeAll(const float* normals, uint8_t* out, uint32_t count)
{
    float x[kBlock], y[kBlock], z[kBlock];
    int32_t a[kBlock], b[kBlock];
    for (uint32_t start = 0; start < count; start += kBlock) {
        const uint32_t n = std::min(kBlock, count - start);
        const float* source = normals + 3 * size_t(start);
        for (uint32_t i = 0; i < n; ++i) {
            x[i] = source[3 * i];
            y[i] = source[3 * i + 1];
            z[i] = source[3 * i + 2];
        }
        for (uint32_t i = 0; i < n; ++i)
            oct::encode<Q>(x[i], y[i], z[i], a[i], b[i]);
        uint8_t* target = out + 2 * sizeof(Int) * size_t(start);
        for (uint32_t i = 0; i < n; ++i) {
            const Int pair[2] = {static_cast<Int>(a[i]), static_cast<Int>(b[i])};
            std::memcpy(target + sizeof(pair) * i, pair, sizeof(pair));
        }
    }
}

template <typename Int, int Q>
void decodeAll(const uint8_t* in, float* normals, uint32_t count)
{
    int32_t a[kBlock], b[kBlock];
    float x[kBlock], y[kBlock], z[kBlock];
    for (uint32_t start = 0; start < count; start += kBlock) {
        const uint32_t n = std::min(kBlock, count - start);
        const uint8_t* source = in + 2 * sizeof(Int) * size_t(start);
        for (uint32_t i = 0; i < n; ++i) {
            Int pair[2];
            std::memcpy(pair, source + sizeof(pair) * i, sizeof(pair));
            a[i] = pair[0];
            b[i] = pair[1];
        }
        for (uint32_t i = 0; i < n; ++i)
            oct::decode<Q>(a[i], b[i], x[i], y[i], z[i]);
        float* target = normals + 3 * size_t(start);
        for (uint32_t i = 0; i < n; ++i) {
            target[3 * i] = x[i];
            target[3 * i + 1] = y[i];
            target[3 * i + 2] = z[i];
        }
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
    oct::decode<kQ8>(in2[0], in2[1], normal[0], normal[1], normal[2]);
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
    oct::decode<kQ16>(in2[0], in2[1], normal[0], normal[1], normal[2]);
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
