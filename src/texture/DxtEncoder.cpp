#include "texture/RGBDXT5Convertor.h"

#include <stb_dxt.h>

#include <algorithm>

namespace Hyx {

namespace {

// Rows or columns of a block: the first index plus the edge pattern of the remaining count.
void blockOffsets(uint32_t first, uint32_t size, uint32_t offsets[4])
{
    static constexpr uint32_t patterns[4][4] = {{0, 0, 0, 0}, {0, 1, 0, 1}, {0, 1, 2, 0}, {0, 1, 2, 3}};
    const uint32_t remaining = std::min<uint32_t>(size - first, 4);
    for (int i = 0; i < 4; ++i)
        offsets[i] = first + patterns[remaining - 1][i];
}

// Co, Cg, scale 0 and luma in alpha, from prepared channels a, b, c (p0, p1, p2).
void toYCoCg(uint8_t rgba[64])
{
    for (int i = 0; i < 16; ++i) {
        uint8_t* p = rgba + 4 * i;
        const int32_t a = p[0], b = p[1], c = p[2];
        p[0] = uint8_t(std::min(((a - c + 1) >> 1) + 128, 255));
        p[1] = uint8_t(std::min(((b + 1) >> 1) - ((a + c + 2) >> 2) + 128, 255));
        p[2] = 0; // the 5-bit scale 0, as (scale << 3) | (scale >> 2)
        p[3] = uint8_t(std::min(((a + c + 2) >> 2) + ((b + 1) >> 1), 255));
    }
}

// One source pixel into four prepared bytes: colours clamped to 254, alpha 255.
template <int Red>
inline void preparePixel(const uint8_t* __restrict s, uint8_t* __restrict p)
{
    ClampColour254<Red>(s, p);
    p[3] = 255;
}

// A whole block, rows stride bytes apart.
template <int Red>
inline void prepare(const uint8_t* first, size_t stride, uint8_t* block)
{
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i)
            preparePixel<Red>(first + stride * j + 3 * i, block + 16 * j + 4 * i);
}

// A partial block: rows and columns picked through the edge patterns.
template <int Red>
void prepareEdge(const uint8_t* pixels, uint32_t width, const uint32_t xs[4], const uint32_t ys[4], uint8_t* block)
{
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i)
            preparePixel<Red>(pixels + (size_t(width) * ys[j] + xs[i]) * 3, block + 16 * j + 4 * i);
}

} // namespace

// Red is the source byte that becomes prepared channel 0: DXT1 works on R, G, B and
// DXT5-YCoCg on B, G, R, so each routine names where that byte lies in its source.
template <int Red, bool YCoCg>
void RGBDXT5Convertor::encode(const uint8_t* pixels, uint32_t width, uint32_t height)
{
    constexpr size_t blockBytes = YCoCg ? 16 : 8;
    _width = width;
    _height = height;
    const uint32_t columns = (width + 3) / 4, rows = (height + 3) / 4;
    _output.assign(size_t(columns) * rows * blockBytes, 0);
    uint8_t* out = _output.data();
    uint8_t block[64];
    for (uint32_t y = 0; y < height; y += 4) {
        uint32_t ys[4];
        blockOffsets(y, height, ys);
        for (uint32_t x = 0; x < width; x += 4) {
            uint32_t xs[4];
            blockOffsets(x, width, xs);
            if (x + 4 <= width && y + 4 <= height)
                prepare<Red>(pixels + (size_t(width) * y + x) * 3, size_t(width) * 3, block);
            else
                prepareEdge<Red>(pixels, width, xs, ys, block);
            if constexpr (YCoCg)
                toYCoCg(block);
            stb_compress_dxt_block(out, block, YCoCg ? 1 : 0, STB_DXT_HIGHQUAL);
            out += blockBytes;
        }
    }
}

void RGBDXT5Convertor::EncodeDXT1FromRGB(const uint8_t* pixels, uint32_t width, uint32_t height)
{
    encode<0, false>(pixels, width, height);
}

void RGBDXT5Convertor::EncodeDXT1FromBGR(const uint8_t* pixels, uint32_t width, uint32_t height)
{
    encode<2, false>(pixels, width, height);
}

void RGBDXT5Convertor::EncodeDXT5YCoCgFromRGB(const uint8_t* pixels, uint32_t width, uint32_t height)
{
    encode<2, true>(pixels, width, height);
}

void RGBDXT5Convertor::EncodeDXT5YCoCgFromBGR(const uint8_t* pixels, uint32_t width, uint32_t height)
{
    encode<0, true>(pixels, width, height);
}

} // namespace Hyx
