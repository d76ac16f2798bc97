#include "texture/PixelKernels.h"

#include "datatypes/textures/VectorClones.h"

#include <algorithm>

#ifdef HYX_AVX2_KERNELS
#include <immintrin.h>
#endif

namespace Hyx::TextureKernels {

namespace {

// Pixels per chunk: planar scratch rows in L1, each loop of a fixed shape so that the
// compiler vectorises it (three-byte pixels are split into planes first).
constexpr size_t CHUNK_PAIRS = 64;

struct Planes {
    uint8_t r[2 * CHUNK_PAIRS], g[2 * CHUNK_PAIRS], b[2 * CHUNK_PAIRS];
};

template <int Red>
inline void deinterleave(const uint8_t* __restrict in, Planes& planes, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        planes.r[i] = in[3 * i + Red];
        planes.g[i] = in[3 * i + 1];
        planes.b[i] = in[3 * i + 2 - Red];
    }
}

// Luma ((66 R + 129 G + 25 B + 128) >> 8) + 16 of every pixel; the sum stays below 65536,
// so it runs in 16-bit lanes.
inline void luma(const Planes& planes, uint8_t* __restrict out, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        const uint16_t sum = uint16_t(66 * planes.r[i] + 129 * planes.g[i] + 25 * planes.b[i] + 128);
        out[i] = uint8_t((sum >> 8) + 16);
    }
}

// U and V of each 2 x 2 block from its channel sums, written Step bytes apart.
template <size_t Step>
inline void chroma(const Planes& top, const Planes& bottom, uint8_t* __restrict u, uint8_t* __restrict v, size_t pairs)
{
    for (size_t i = 0; i < pairs; ++i) {
        const int32_t rs = top.r[2 * i] + top.r[2 * i + 1] + bottom.r[2 * i] + bottom.r[2 * i + 1];
        const int32_t gs = top.g[2 * i] + top.g[2 * i + 1] + bottom.g[2 * i] + bottom.g[2 * i + 1];
        const int32_t bs = top.b[2 * i] + top.b[2 * i + 1] + bottom.b[2 * i] + bottom.b[2 * i + 1];
        u[Step * i] = uint8_t(((448 * bs - 296 * gs - 152 * rs + 512) >> 12) + 128);
        v[Step * i] = uint8_t(((448 * rs - 376 * gs - 72 * bs + 512) >> 12) + 128);
    }
}

// The columns from pair firstPair on, of every row pair.
template <int Red, size_t Step>
HYX_VECTOR_CLONES void convert(const uint8_t* source, uint8_t* yuv, ChromaLayout layout, uint32_t width,
                               uint32_t height, size_t firstPair)
{
    const size_t rowBytes = size_t(width) * 3;
    uint8_t* chromaPlane = yuv + size_t(width) * height;
    Planes top, bottom;
    for (uint32_t y = 0; y + 1 < height; y += 2) {
        const uint8_t* inTop = source + rowBytes * y;
        uint8_t* lumaTop = yuv + size_t(width) * y;
        uint8_t* row = chromaPlane + size_t(width) * (y / 2);
        for (size_t first = firstPair; first < width / 2; first += CHUNK_PAIRS) {
            const size_t pairs = std::min(CHUNK_PAIRS, width / 2 - first);
            deinterleave<Red>(inTop + 6 * first, top, 2 * pairs);
            deinterleave<Red>(inTop + rowBytes + 6 * first, bottom, 2 * pairs);
            luma(top, lumaTop + 2 * first, 2 * pairs);
            luma(bottom, lumaTop + width + 2 * first, 2 * pairs);
            chroma<Step>(top, bottom, row + layout.uOffset + Step * first, row + layout.vOffset + Step * first, pairs);
        }
    }
}

#ifdef HYX_AVX2_KERNELS
// The same sums, 32 pixels of a row pair per step. Each register holds four pixels per
// 128-bit lane (pixels 4k-4k+3 and 16+4k-16+4k+3), so that byte shuffles reach a whole pixel
// and the packs put luma back in order. Luma: maddubs over (R, G, B, G) with 129 G split
// as 62 + 67 (no 16-bit pair saturates), summed to 32 bits. Chroma: maddubs over each
// block row's (R0 R1 G0 G1 B0 B1) gives the 2 x 2 sums, madd their weighted sums.
namespace avx2 {

// Per lane, pixels p-p+3 of a lane starting at byte offset 3p + skip: the luma order
// (R G B G of each pixel, in the source's byte order) and the chroma order (the two
// pixels of a block per channel, then two zero bytes, twice).
HYX_TARGET_AVX2 inline __m256i lumaOrder(int8_t skip)
{
    const int8_t s = skip;
    return _mm256_setr_epi8(0, 1, 2, 1, 3, 4, 5, 4, 6, 7, 8, 7, 9, 10, 11, 10, int8_t(s), int8_t(s + 1), int8_t(s + 2),
                            int8_t(s + 1), int8_t(s + 3), int8_t(s + 4), int8_t(s + 5), int8_t(s + 4), int8_t(s + 6),
                            int8_t(s + 7), int8_t(s + 8), int8_t(s + 7), int8_t(s + 9), int8_t(s + 10), int8_t(s + 11),
                            int8_t(s + 10));
}

HYX_TARGET_AVX2 inline __m256i chromaOrder(int8_t skip)
{
    const int8_t s = skip, z = -128;
    return _mm256_setr_epi8(0, 3, 1, 4, 2, 5, z, z, 6, 9, 7, 10, 8, 11, z, z, int8_t(s), int8_t(s + 3), int8_t(s + 1),
                            int8_t(s + 4), int8_t(s + 2), int8_t(s + 5), z, z, int8_t(s + 6), int8_t(s + 9),
                            int8_t(s + 7), int8_t(s + 10), int8_t(s + 8), int8_t(s + 11), z, z);
}

// (a, b, c, 0) 16-bit factors, repeated.
HYX_TARGET_AVX2 inline __m256i factors(int16_t a, int16_t b, int16_t c)
{
    return _mm256_setr_epi16(a, b, c, 0, a, b, c, 0, a, b, c, 0, a, b, c, 0);
}

struct Constants {
    __m256i lumaOrder, lumaOrderLast, chromaOrder, chromaOrderLast;
    __m256i lumaWeights, ones8, ones16, lumaOffset;
    __m256i first, second, chromaOffset, split;
};

// Four pixels per lane: lane 0 from p, lane 1 from p + 48 (the last register of a step
// loads lane 1 from four bytes earlier, so nothing past the step is read).
HYX_TARGET_AVX2 inline __m256i load(const uint8_t* p, int k)
{
    const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 12 * k));
    const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + (k < 3 ? 48 + 12 * k : 80)));
    return _mm256_setr_m128i(lo, hi);
}

// 32 luma bytes of one row from its four registers.
HYX_TARGET_AVX2 inline __m256i luma(const __m256i (&v)[4], const Constants& k)
{
    __m256i sums[4];
    for (int i = 0; i < 4; ++i) {
        const __m256i pixels = _mm256_shuffle_epi8(v[i], i < 3 ? k.lumaOrder : k.lumaOrderLast);
        sums[i] = _mm256_madd_epi16(_mm256_maddubs_epi16(pixels, k.lumaWeights), k.ones16);
    }
    const __m256i a = _mm256_srli_epi16(_mm256_add_epi16(_mm256_packus_epi32(sums[0], sums[1]), k.lumaOffset), 8);
    const __m256i b = _mm256_srli_epi16(_mm256_add_epi16(_mm256_packus_epi32(sums[2], sums[3]), k.lumaOffset), 8);
    return _mm256_packus_epi16(a, b);
}

// The 16 chroma pairs of a step, in the first/second order of the layout, as 32 bytes.
HYX_TARGET_AVX2 inline __m256i chroma(const __m256i (&top)[4], const __m256i (&bottom)[4], const Constants& k)
{
    __m256i pairs[4];
    for (int i = 0; i < 4; ++i) {
        const __m256i order = i < 3 ? k.chromaOrder : k.chromaOrderLast;
        const __m256i sums = _mm256_add_epi16(_mm256_maddubs_epi16(_mm256_shuffle_epi8(top[i], order), k.ones8),
                                              _mm256_maddubs_epi16(_mm256_shuffle_epi8(bottom[i], order), k.ones8));
        // Per block two 32-bit halves of each sample's sum: (a, b) and (c, d) become
        // (a + b, c + d) through two blends and a swap.
        const __m256i f = _mm256_madd_epi16(sums, k.first), s = _mm256_madd_epi16(sums, k.second);
        const __m256i both = _mm256_add_epi32(_mm256_blend_epi32(f, s, 0xAA),
                                              _mm256_shuffle_epi32(_mm256_blend_epi32(s, f, 0xAA), 0xB1));
        pairs[i] = _mm256_srai_epi32(_mm256_add_epi32(both, k.chromaOffset), 12);
    }
    return _mm256_packus_epi16(_mm256_packs_epi32(pairs[0], pairs[1]), _mm256_packs_epi32(pairs[2], pairs[3]));
}

// Whole 32-pixel steps of every row pair; returns the pairs done per row.
template <int Red, uint32_t Layout>
HYX_TARGET_AVX2 size_t convert(const uint8_t* source, uint8_t* yuv, uint32_t width, uint32_t height)
{
    Constants k;
    k.lumaOrder = lumaOrder(0), k.lumaOrderLast = lumaOrder(4);
    k.chromaOrder = chromaOrder(0), k.chromaOrderLast = chromaOrder(4);
    // Weights of (byte 0, byte 1, byte 2, byte 1) of each pixel.
    k.lumaWeights = Red == 0 ? _mm256_set1_epi32(66 | 62 << 8 | 25 << 16 | 67 << 24)
                             : _mm256_set1_epi32(25 | 67 << 8 | 66 << 16 | 62 << 24);
    k.ones8 = _mm256_set1_epi8(1), k.ones16 = _mm256_set1_epi16(1);
    k.lumaOffset = _mm256_set1_epi16(128 + (16 << 8));
    const __m256i u = Red == 0 ? factors(-152, -296, 448) : factors(448, -296, -152);
    const __m256i v = Red == 0 ? factors(448, -376, -72) : factors(-72, -376, 448);
    constexpr bool vFirst = Layout == uint32_t(TextureFormat::YUV_NV21);
    k.first = vFirst ? v : u, k.second = vFirst ? u : v;
    k.chromaOffset = _mm256_set1_epi32(512 + (128 << 12));
    k.split = _mm256_setr_epi8(0, 2, 4, 6, 8, 10, 12, 14, 1, 3, 5, 7, 9, 11, 13, 15, 0, 2, 4, 6, 8, 10, 12, 14, 1, 3, 5,
                               7, 9, 11, 13, 15);

    const size_t steps = width / 32, rowBytes = size_t(width) * 3;
    uint8_t* chromaPlane = yuv + size_t(width) * height;
    for (uint32_t y = 0; y + 1 < height; y += 2) {
        const uint8_t* inTop = source + rowBytes * y;
        uint8_t* lumaTop = yuv + size_t(width) * y;
        uint8_t* row = chromaPlane + size_t(width) * (y / 2);
        for (size_t s = 0; s < steps; ++s) {
            __m256i top[4], bottom[4];
            for (int i = 0; i < 4; ++i)
                top[i] = load(inTop + 96 * s, i), bottom[i] = load(inTop + rowBytes + 96 * s, i);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(lumaTop + 32 * s), luma(top, k));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(lumaTop + width + 32 * s), luma(bottom, k));
            const __m256i pairs = chroma(top, bottom, k);
            if constexpr (Layout == uint32_t(TextureFormat::YUV_NVX)) {
                // U U ... V V per lane, then the lanes' halves gathered.
                const __m256i planar = _mm256_permute4x64_epi64(_mm256_shuffle_epi8(pairs, k.split), 0xD8);
                _mm_storeu_si128(reinterpret_cast<__m128i*>(row + 16 * s), _mm256_castsi256_si128(planar));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(row + width / 2 + 16 * s),
                                 _mm256_extracti128_si256(planar, 1));
            } else {
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + 32 * s), pairs);
            }
        }
    }
    return steps * 16;
}

} // namespace avx2
#endif

template <int Red, size_t Step, uint32_t Layout>
void convertImage(const uint8_t* source, uint8_t* yuv, ChromaLayout layout, uint32_t width, uint32_t height)
{
    size_t done = 0;
#ifdef HYX_AVX2_KERNELS
    if (CpuHasAvx2())
        done = avx2::convert<Red, Layout>(source, yuv, width, height);
#endif
    convert<Red, Step>(source, yuv, layout, width, height, done);
}

template <int Red>
void dispatch(const uint8_t* source, uint8_t* yuv, uint32_t layoutValue, uint32_t width, uint32_t height)
{
    const ChromaLayout layout = GetChromaLayout(layoutValue, width);
    switch (TextureFormat(layoutValue)) {
    case TextureFormat::YUV_NVX: return convertImage<Red, 1, 0>(source, yuv, layout, width, height);
    case TextureFormat::YUV_NV21: return convertImage<Red, 2, 1>(source, yuv, layout, width, height);
    default: return convertImage<Red, 2, 2>(source, yuv, layout, width, height);
    }
}

} // namespace

void RGB24ToYUV420(const uint8_t* rgb, uint8_t* yuv, uint32_t layout, uint32_t width, uint32_t height)
{
    dispatch<0>(rgb, yuv, layout, width, height);
}

void BGR24ToYUV420(const uint8_t* bgr, uint8_t* yuv, uint32_t layout, uint32_t width, uint32_t height)
{
    dispatch<2>(bgr, yuv, layout, width, height);
}

} // namespace Hyx::TextureKernels
