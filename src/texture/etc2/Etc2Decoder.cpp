// ETC2 RGB8 block decoding, for the tests and benchmarks.

#include "texture/Etc2Codec.h"
#include "texture/etc2/Etc2Block.h"

#include <cstddef>

namespace Hyx {

namespace {

using namespace Etc2;

uint32_t bitsAt(uint64_t block, int low, int count)
{
    return uint32_t(block >> low) & ((1u << count) - 1);
}

void put(uint8_t* rgb, uint32_t stride, int i, int32_t r, int32_t g, int32_t b)
{
    uint8_t* p = rgb + (i & 3) * stride + (i >> 2) * 3;
    p[0] = uint8_t(Clamp255(r)), p[1] = uint8_t(Clamp255(g)), p[2] = uint8_t(Clamp255(b));
}

uint32_t index(uint64_t block, int i)
{
    return bitsAt(block, 16 + i, 1) << 1 | bitsAt(block, i, 1);
}

void paints(uint64_t block, uint8_t* rgb, uint32_t stride, const int32_t paint[4][3])
{
    for (int i = 0; i < 16; ++i) {
        const int32_t* p = paint[index(block, i)];
        put(rgb, stride, i, p[0], p[1], p[2]);
    }
}

void etc1(uint64_t block, bool differential, uint8_t* rgb, uint32_t stride)
{
    int32_t base[2][3];
    for (int c = 0; c < 3; ++c) {
        if (differential) {
            const int32_t first = int32_t(bitsAt(block, 59 - 8 * c, 5));
            base[0][c] = Expand5(first);
            base[1][c] = Expand5(first + SignExtend3(bitsAt(block, 56 - 8 * c, 3)));
        } else {
            base[0][c] = Expand4(int32_t(bitsAt(block, 60 - 8 * c, 4)));
            base[1][c] = Expand4(int32_t(bitsAt(block, 56 - 8 * c, 4)));
        }
    }
    const uint32_t table[2] = {bitsAt(block, 37, 3), bitsAt(block, 34, 3)};
    const bool flip = bitsAt(block, 32, 1);
    for (int i = 0; i < 16; ++i) {
        const int half = flip ? ((i & 3) >= 2) : (i >= 8);
        const uint32_t k = index(block, i);
        const int32_t m = kModifier[table[half]][k & 1] * (k & 2 ? -1 : 1);
        put(rgb, stride, i, base[half][0] + m, base[half][1] + m, base[half][2] + m);
    }
}

void modeT(uint64_t block, uint8_t* rgb, uint32_t stride)
{
    const int32_t c1[3] = {Expand4(int32_t(bitsAt(block, 59, 2) << 2 | bitsAt(block, 56, 2))),
                           Expand4(int32_t(bitsAt(block, 52, 4))), Expand4(int32_t(bitsAt(block, 48, 4)))};
    const int32_t c2[3] = {Expand4(int32_t(bitsAt(block, 44, 4))), Expand4(int32_t(bitsAt(block, 40, 4))),
                           Expand4(int32_t(bitsAt(block, 36, 4)))};
    const int32_t d = kDistance[bitsAt(block, 34, 2) << 1 | bitsAt(block, 32, 1)];
    int32_t paint[4][3];
    for (int c = 0; c < 3; ++c)
        paint[0][c] = c1[c], paint[1][c] = Clamp255(c2[c] + d), paint[2][c] = c2[c], paint[3][c] = Clamp255(c2[c] - d);
    paints(block, rgb, stride, paint);
}

void modeH(uint64_t block, uint8_t* rgb, uint32_t stride)
{
    const int32_t q1[3] = {int32_t(bitsAt(block, 59, 4)), int32_t(bitsAt(block, 56, 3) << 1 | bitsAt(block, 52, 1)),
                           int32_t(bitsAt(block, 51, 1) << 3 | bitsAt(block, 47, 3))};
    const int32_t q2[3] = {int32_t(bitsAt(block, 43, 4)), int32_t(bitsAt(block, 39, 4)), int32_t(bitsAt(block, 35, 4))};
    const uint32_t order = (q1[0] << 8 | q1[1] << 4 | q1[2]) >= (q2[0] << 8 | q2[1] << 4 | q2[2]) ? 1 : 0;
    const int32_t d = kDistance[bitsAt(block, 34, 1) << 2 | bitsAt(block, 32, 1) << 1 | order];
    int32_t paint[4][3];
    for (int c = 0; c < 3; ++c) {
        paint[0][c] = Clamp255(Expand4(q1[c]) + d), paint[1][c] = Clamp255(Expand4(q1[c]) - d);
        paint[2][c] = Clamp255(Expand4(q2[c]) + d), paint[3][c] = Clamp255(Expand4(q2[c]) - d);
    }
    paints(block, rgb, stride, paint);
}

void planar(uint64_t block, uint8_t* rgb, uint32_t stride)
{
    const int32_t o[3] = {
        Expand6(int32_t(bitsAt(block, 57, 6))), Expand7(int32_t(bitsAt(block, 56, 1) << 6 | bitsAt(block, 49, 6))),
        Expand6(int32_t(bitsAt(block, 48, 1) << 5 | bitsAt(block, 43, 2) << 3 | bitsAt(block, 39, 3)))};
    const int32_t h[3] = {Expand6(int32_t(bitsAt(block, 34, 5) << 1 | bitsAt(block, 32, 1))),
                          Expand7(int32_t(bitsAt(block, 25, 7))), Expand6(int32_t(bitsAt(block, 19, 6)))};
    const int32_t v[3] = {Expand6(int32_t(bitsAt(block, 13, 6))), Expand7(int32_t(bitsAt(block, 6, 7))),
                          Expand6(int32_t(bitsAt(block, 0, 6)))};
    for (int i = 0; i < 16; ++i) {
        const int32_t x = i >> 2, y = i & 3;
        int32_t out[3];
        for (int c = 0; c < 3; ++c)
            out[c] = (x * (h[c] - o[c]) + y * (v[c] - o[c]) + 4 * o[c] + 2) >> 2;
        put(rgb, stride, i, out[0], out[1], out[2]);
    }
}

bool overflows(uint64_t block, int low)
{
    const int32_t sum = int32_t(bitsAt(block, low + 3, 5)) + SignExtend3(bitsAt(block, low, 3));
    return sum < 0 || sum > 31;
}

} // namespace

Etc2Codec::Mode Etc2Codec::DecodeBlock(uint64_t block, uint8_t* rgb, uint32_t stride)
{
    if (!bitsAt(block, 33, 1)) {
        etc1(block, false, rgb, stride);
        return Mode::Individual;
    }
    if (overflows(block, 56)) {
        modeT(block, rgb, stride);
        return Mode::T;
    }
    if (overflows(block, 48)) {
        modeH(block, rgb, stride);
        return Mode::H;
    }
    if (overflows(block, 40)) {
        planar(block, rgb, stride);
        return Mode::Planar;
    }
    etc1(block, true, rgb, stride);
    return Mode::Differential;
}

void Etc2Codec::Decode(const uint8_t* blocks, uint32_t width, uint32_t height, uint8_t* rgb)
{
    const uint32_t stride = width * 3;
    for (uint32_t by = 0; by < height / 4; ++by)
        for (uint32_t bx = 0; bx < width / 4; ++bx) {
            uint64_t block = 0;
            for (int k = 0; k < 8; ++k)
                block = block << 8 | *blocks++;
            DecodeBlock(block, rgb + size_t(by) * 4 * stride + bx * 12, stride);
        }
}

} // namespace Hyx
