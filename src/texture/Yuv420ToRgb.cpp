#include "texture/PixelKernels.h"

#include "datatypes/textures/VectorClones.h"

#include <algorithm>

#ifdef HYX_AVX2_KERNELS
#include <immintrin.h>
#endif

namespace Hyx::TextureKernels {

namespace {

// Pixels per chunk: the planar scratch rows stay in L1 and every loop below has a fixed
// shape (no branch, no call), so the compiler vectorises each of them.
constexpr size_t CHUNK_PAIRS = 64;

inline uint8_t clamp8(int16_t value)
{
    return uint8_t(std::clamp<int16_t>(value, 0, 255));
}

struct Planes {
    uint8_t r[2 * CHUNK_PAIRS], g[2 * CHUNK_PAIRS], b[2 * CHUNK_PAIRS];
};

// The BT.601 limited-range sums of the YUV accessors, R = (1192 (Y - 16) + 1634 V') >> 10,
// G = (1192 (Y - 16) - 400 U' - 832 V') >> 10, B = (1192 (Y - 16) + 2066 U') >> 10, clamped,
// rearranged so that the per-pixel part fits 16-bit lanes exactly: with a block's chroma
// term C = 1024 q + r (0 <= r < 1024), the channel is Y + q - 19 + ((168 Y + r + 384) >> 10),
// where 168 Y + r + 384 stays below 65536.
// Per block: the three chroma terms split into their 16-bit parts.
struct Terms {
    uint16_t rest[3][CHUNK_PAIRS]; // r + 384 of R, G, B
    int16_t base[3][CHUNK_PAIRS]; // q - 19 of R, G, B
};

inline void terms(const uint8_t* __restrict u, const uint8_t* __restrict v, size_t step, Terms& t, size_t pairs)
{
    for (size_t i = 0; i < pairs; ++i) {
        const int32_t cu = u[step * i] - 128, cv = v[step * i] - 128;
        const int32_t red = 1634 * cv, green = -400 * cu - 832 * cv, blue = 2066 * cu;
        t.rest[0][i] = uint16_t((red & 1023) + 384), t.base[0][i] = int16_t((red >> 10) - 19);
        t.rest[1][i] = uint16_t((green & 1023) + 384), t.base[1][i] = int16_t((green >> 10) - 19);
        t.rest[2][i] = uint16_t((blue & 1023) + 384), t.base[2][i] = int16_t((blue >> 10) - 19);
    }
}

inline uint8_t channel(uint16_t luma, uint16_t scaled, uint16_t rest, int16_t base)
{
    const uint16_t fraction = uint16_t(uint16_t(scaled + rest) >> 10);
    return clamp8(int16_t(luma + base + fraction));
}

// One luma row of the chunk into planes: pixel 2i and 2i + 1 share block i's terms.
inline void lumaRow(const uint8_t* __restrict luma, const Terms& t, Planes& out, size_t pairs)
{
    for (size_t i = 0; i < pairs; ++i) {
        const uint16_t y0 = luma[2 * i], y1 = luma[2 * i + 1];
        const uint16_t m0 = uint16_t(168 * y0), m1 = uint16_t(168 * y1);
        out.r[2 * i] = channel(y0, m0, t.rest[0][i], t.base[0][i]);
        out.r[2 * i + 1] = channel(y1, m1, t.rest[0][i], t.base[0][i]);
        out.g[2 * i] = channel(y0, m0, t.rest[1][i], t.base[1][i]);
        out.g[2 * i + 1] = channel(y1, m1, t.rest[1][i], t.base[1][i]);
        out.b[2 * i] = channel(y0, m0, t.rest[2][i], t.base[2][i]);
        out.b[2 * i + 1] = channel(y1, m1, t.rest[2][i], t.base[2][i]);
    }
}

template <int Red>
inline void interleave(const Planes& planes, uint8_t* __restrict out, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        out[3 * i + Red] = planes.r[i];
        out[3 * i + 1] = planes.g[i];
        out[3 * i + 2 - Red] = planes.b[i];
    }
}

// The columns from pair firstPair on, of every row pair.
template <int Red, size_t Step>
HYX_VECTOR_CLONES void convert(const uint8_t* yuv, uint8_t* out, ChromaLayout layout, uint32_t width, uint32_t height,
                               size_t firstPair)
{
    const size_t rowBytes = size_t(width) * 3;
    const uint8_t* chroma = yuv + size_t(width) * height;
    Planes top, bottom;
    Terms t;
    for (uint32_t y = 0; y + 1 < height; y += 2) {
        const uint8_t* lumaTop = yuv + size_t(width) * y;
        const uint8_t* row = chroma + size_t(width) * (y / 2);
        uint8_t* outTop = out + rowBytes * y;
        for (size_t first = firstPair; first < width / 2; first += CHUNK_PAIRS) {
            const size_t pairs = std::min(CHUNK_PAIRS, width / 2 - first);
            terms(row + layout.uOffset + Step * first, row + layout.vOffset + Step * first, Step, t, pairs);
            lumaRow(lumaTop + 2 * first, t, top, pairs);
            lumaRow(lumaTop + width + 2 * first, t, bottom, pairs);
            interleave<Red>(top, outTop + 6 * first, 2 * pairs);
            interleave<Red>(bottom, outTop + rowBytes + 6 * first, 2 * pairs);
        }
    }
}

#ifdef HYX_AVX2_KERNELS
// The same sums, 32 pixels of a row pair per step. Luma widens to 16-bit lanes in each
// 128-bit lane's order (pixels 0-7 and 16-23, then 8-15 and 24-31); the chroma pairs widen in
// the same order, so that duplicating each pair's terms into two lanes lines them up.
namespace avx2 {

// (first, second) 16-bit factors of madd over a chroma byte pair.
HYX_TARGET_AVX2 inline __m256i factors(int16_t first, int16_t second)
{
    return _mm256_set1_epi32(int32_t(uint32_t(uint16_t(first)) | uint32_t(uint16_t(second)) << 16));
}

// Per lane, byte b of each 32-bit term twice, then byte b + 1 twice per 16-bit lane.
HYX_TARGET_AVX2 inline __m256i duplicateWords(int8_t b)
{
    return _mm256_setr_epi8(
        b, int8_t(b + 1), b, int8_t(b + 1), int8_t(b + 4), int8_t(b + 5), int8_t(b + 4), int8_t(b + 5), int8_t(b + 8),
        int8_t(b + 9), int8_t(b + 8), int8_t(b + 9), int8_t(b + 12), int8_t(b + 13), int8_t(b + 12), int8_t(b + 13), b,
        int8_t(b + 1), b, int8_t(b + 1), int8_t(b + 4), int8_t(b + 5), int8_t(b + 4), int8_t(b + 5), int8_t(b + 8),
        int8_t(b + 9), int8_t(b + 8), int8_t(b + 9), int8_t(b + 12), int8_t(b + 13), int8_t(b + 12), int8_t(b + 13));
}

// Masks that interleave the packed planes P1 = (R0-7, G0-7), P2 = (B0-7, R8-15),
// P3 = (G8-15, B8-15) of each lane into its 48 output bytes, 16 per chunk.
struct InterleaveMasks {
    int8_t mask[3][3][32];
};

constexpr InterleaveMasks makeInterleaveMasks()
{
    InterleaveMasks m{};
    for (int chunk = 0; chunk < 3; ++chunk)
        for (int source = 0; source < 3; ++source)
            for (int j = 0; j < 32; ++j) {
                const int o = 16 * chunk + j % 16, p = o / 3, c = o % 3;
                const int from = c == 0 ? (p < 8 ? 0 : 1) : c == 1 ? (p < 8 ? 0 : 2) : (p < 8 ? 1 : 2);
                const int index = c == 1 ? (p < 8 ? 8 + p : p - 8) : p;
                m.mask[chunk][source][j] = int8_t(from == source ? index : -128);
            }
    return m;
}

constexpr InterleaveMasks INTERLEAVE = makeInterleaveMasks();

HYX_TARGET_AVX2 inline __m256i interleaveMask(int chunk, int source)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(INTERLEAVE.mask[chunk][source]));
}

// One channel's chroma term x = C - 19072 of every pair, split into x >> 10 and x & 1023,
// each duplicated to both pixels of its pair.
struct Term {
    __m256i base, rest;
};

struct Constants {
    __m256i factor[3], offset[3];
    __m256i low, high, mask, scale, zero;
    __m256i interleave[3][3];
};

HYX_TARGET_AVX2 inline Term term(__m256i pairs, int c, const Constants& k)
{
    const __m256i x = _mm256_add_epi32(_mm256_madd_epi16(pairs, k.factor[c]), k.offset[c]);
    return {_mm256_srai_epi16(_mm256_shuffle_epi8(x, k.high), 2),
            _mm256_and_si256(_mm256_shuffle_epi8(x, k.low), k.mask)};
}

// Y + (x >> 10) + ((168 Y + (x & 1023)) >> 10), unclamped.
HYX_TARGET_AVX2 inline __m256i channel(__m256i luma, __m256i scaled, const Term& t)
{
    return _mm256_add_epi16(_mm256_add_epi16(luma, t.base), _mm256_srli_epi16(_mm256_add_epi16(scaled, t.rest), 10));
}

// 32 pixels: the first, second and third output byte of each, low and high halves in
// 16-bit lanes; clamped by the packs.
HYX_TARGET_AVX2 inline void store(uint8_t* out, const __m256i (&lo)[3], const __m256i (&hi)[3], const Constants& k)
{
    const __m256i p[3] = {_mm256_packus_epi16(lo[0], lo[1]), _mm256_packus_epi16(lo[2], hi[0]),
                          _mm256_packus_epi16(hi[1], hi[2])};
    const __m256i c0 =
        _mm256_or_si256(_mm256_shuffle_epi8(p[0], k.interleave[0][0]), _mm256_shuffle_epi8(p[1], k.interleave[0][1]));
    const __m256i c1 = _mm256_or_si256(
        _mm256_or_si256(_mm256_shuffle_epi8(p[0], k.interleave[1][0]), _mm256_shuffle_epi8(p[1], k.interleave[1][1])),
        _mm256_shuffle_epi8(p[2], k.interleave[1][2]));
    const __m256i c2 =
        _mm256_or_si256(_mm256_shuffle_epi8(p[1], k.interleave[2][1]), _mm256_shuffle_epi8(p[2], k.interleave[2][2]));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_permute2x128_si256(c0, c1, 0x20));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 32), _mm256_permute2x128_si256(c2, c0, 0x30));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 64), _mm256_permute2x128_si256(c1, c2, 0x31));
}

// Whole 32-pixel steps of every row pair; returns the pairs done per row.
template <int Red, uint32_t Layout>
HYX_TARGET_AVX2 size_t convert(const uint8_t* yuv, uint8_t* out, uint32_t width, uint32_t height)
{
    // Chroma bytes come as (U, V) pairs, or (V, U) for NV21; the offsets hold -128 on
    // both samples and the -19072 of 1192 (Y - 16).
    constexpr bool vFirst = Layout == uint32_t(TextureFormat::YUV_NV21);
    Constants k;
    k.factor[0] = vFirst ? factors(1634, 0) : factors(0, 1634);
    k.factor[1] = vFirst ? factors(-832, -400) : factors(-400, -832);
    k.factor[2] = vFirst ? factors(0, 2066) : factors(2066, 0);
    k.offset[0] = _mm256_set1_epi32(-1634 * 128 - 19072);
    k.offset[1] = _mm256_set1_epi32((400 + 832) * 128 - 19072);
    k.offset[2] = _mm256_set1_epi32(-2066 * 128 - 19072);
    k.low = duplicateWords(0), k.high = duplicateWords(1);
    k.mask = _mm256_set1_epi16(1023), k.scale = _mm256_set1_epi16(168), k.zero = _mm256_setzero_si256();
    for (int chunk = 0; chunk < 3; ++chunk)
        for (int source = 0; source < 3; ++source)
            k.interleave[chunk][source] = interleaveMask(chunk, source);
    constexpr int first = Red == 0 ? 0 : 2, third = 2 - first;

    const size_t steps = width / 32, rowBytes = size_t(width) * 3;
    const uint8_t* chroma = yuv + size_t(width) * height;
    for (uint32_t y = 0; y + 1 < height; y += 2) {
        const uint8_t* luma = yuv + size_t(width) * y;
        const uint8_t* row = chroma + size_t(width) * (y / 2);
        uint8_t* outTop = out + rowBytes * y;
        for (size_t s = 0; s < steps; ++s) {
            __m256i pairs;
            if constexpr (Layout == uint32_t(TextureFormat::YUV_NVX)) {
                const __m128i u = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 16 * s));
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + width / 2 + 16 * s));
                pairs = _mm256_setr_m128i(_mm_unpacklo_epi8(u, v), _mm_unpackhi_epi8(u, v));
            } else {
                pairs = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + 32 * s));
            }
            const __m256i pairsLo = _mm256_unpacklo_epi8(pairs, k.zero), pairsHi = _mm256_unpackhi_epi8(pairs, k.zero);
            Term lo[3], hi[3];
            for (int c = 0; c < 3; ++c)
                lo[c] = term(pairsLo, c, k), hi[c] = term(pairsHi, c, k);
            for (size_t r = 0; r < 2; ++r) {
                const __m256i y8 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(luma + r * width + 32 * s));
                const __m256i yLo = _mm256_unpacklo_epi8(y8, k.zero), yHi = _mm256_unpackhi_epi8(y8, k.zero);
                const __m256i mLo = _mm256_mullo_epi16(yLo, k.scale), mHi = _mm256_mullo_epi16(yHi, k.scale);
                const __m256i outLo[3] = {channel(yLo, mLo, lo[first]), channel(yLo, mLo, lo[1]),
                                          channel(yLo, mLo, lo[third])};
                const __m256i outHi[3] = {channel(yHi, mHi, hi[first]), channel(yHi, mHi, hi[1]),
                                          channel(yHi, mHi, hi[third])};
                store(outTop + r * rowBytes + 96 * s, outLo, outHi, k);
            }
        }
    }
    return steps * 16;
}

} // namespace avx2
#endif

template <int Red, size_t Step, uint32_t Layout>
void convertImage(const uint8_t* yuv, uint8_t* out, ChromaLayout layout, uint32_t width, uint32_t height)
{
    size_t done = 0;
#ifdef HYX_AVX2_KERNELS
    if (CpuHasAvx2())
        done = avx2::convert<Red, Layout>(yuv, out, width, height);
#endif
    convert<Red, Step>(yuv, out, layout, width, height, done);
}

template <int Red>
void dispatch(const uint8_t* yuv, uint8_t* out, uint32_t layoutValue, uint32_t width, uint32_t height)
{
    const ChromaLayout layout = GetChromaLayout(layoutValue, width);
    switch (TextureFormat(layoutValue)) {
    case TextureFormat::YUV_NVX: return convertImage<Red, 1, 0>(yuv, out, layout, width, height);
    case TextureFormat::YUV_NV21: return convertImage<Red, 2, 1>(yuv, out, layout, width, height);
    default: return convertImage<Red, 2, 2>(yuv, out, layout, width, height);
    }
}

} // namespace

void YUV420ToRGB24(const uint8_t* yuv, uint8_t* rgb, uint32_t layout, uint32_t width, uint32_t height)
{
    dispatch<0>(yuv, rgb, layout, width, height);
}

void YUV420ToBGR24(const uint8_t* yuv, uint8_t* bgr, uint32_t layout, uint32_t width, uint32_t height)
{
    dispatch<2>(yuv, bgr, layout, width, height);
}

} // namespace Hyx::TextureKernels
