// Planar mode: per channel a plane through the colours at (0, 0), (4, 0) and (0, 4), fitted
// by least squares, quantised to 6/7/6 bits and refined a step at a time (fast) or over all
// combinations one step around (thorough).

#include "texture/etc2/Etc2Block.h"

namespace Hyx::Etc2 {

namespace {

constexpr int kBits[3] = {6, 7, 6};

int32_t quantise(float v, int bits)
{
    const int32_t top = (1 << bits) - 1;
    const int32_t q = int32_t(v * float(top) / 255.0f + 0.5f);
    return q < 0 ? 0 : (q > top ? top : q);
}

// Weighted error of one channel's plane, expanded values o, h, v.
uint32_t planeError(const int32_t* texel, int32_t o, int32_t h, int32_t v, int32_t weight)
{
    int32_t sum = 0;
    for (int i = 0; i < 16; ++i) {
        const int32_t x = i >> 2, y = i & 3;
        const int32_t d = Clamp255((x * (h - o) + y * (v - o) + 4 * o + 2) >> 2) - texel[i];
        sum += d * d;
    }
    return uint32_t(sum * weight);
}

} // namespace

Candidate EncodePlanar(const Texels& t, Search search)
{
    int32_t q[3][3]; // channel, (O, H, V)
    uint32_t error = 0;
    for (int c = 0; c < 3; ++c) {
        float mean = 0, sx = 0, sy = 0;
        for (int i = 0; i < 16; ++i) {
            const float p = float(t.c[c][i]);
            mean += p;
            sx += (float(i >> 2) - 1.5f) * p;
            sy += (float(i & 3) - 1.5f) * p;
        }
        const float bx = sx / 20.0f, by = sy / 20.0f, o = mean / 16.0f - 1.5f * (bx + by);
        const int bits = kBits[c];
        const int32_t top = (1 << bits) - 1;
        const int32_t start[3] = {quantise(o, bits), quantise(o + 4 * bx, bits), quantise(o + 4 * by, bits)};
        const auto expand = bits == 7 ? Expand7 : Expand6;
        auto measure = [&](const int32_t* v) {
            return planeError(t.c[c], expand(v[0]), expand(v[1]), expand(v[2]), kWeight[c]);
        };
        int32_t at[3] = {start[0], start[1], start[2]};
        uint32_t best = measure(at);
        if (search == Search::Thorough) {
            // Every combination one step around the rounded fit.
            for (int n = 0; n < 27; ++n) {
                const int32_t v[3] = {start[0] + n % 3 - 1, start[1] + n / 3 % 3 - 1, start[2] + n / 9 - 1};
                if (v[0] < 0 || v[1] < 0 || v[2] < 0 || v[0] > top || v[1] > top || v[2] > top)
                    continue;
                if (const uint32_t e = measure(v); e < best)
                    best = e, at[0] = v[0], at[1] = v[1], at[2] = v[2];
            }
        } else {
            // One end at a time, a step either way, while that helps.
            for (bool moved = true; moved;) {
                moved = false;
                for (int n = 0; n < 6; ++n) {
                    int32_t v[3] = {at[0], at[1], at[2]};
                    v[n / 2] += n % 2 ? 1 : -1;
                    if (v[n / 2] < 0 || v[n / 2] > top)
                        continue;
                    if (const uint32_t e = measure(v); e < best)
                        best = e, at[0] = v[0], at[1] = v[1], at[2] = v[2], moved = true;
                }
            }
        }
        q[c][0] = at[0], q[c][1] = at[1], q[c][2] = at[2];
        error += best;
    }
    const uint32_t ro = q[0][0], go = q[1][0], bo = q[2][0];
    uint64_t bits = uint64_t(1) << 33;
    bits |= Field(ro, 57, 6) | Field(go >> 6, 56, 1) | Field(go, 49, 6);
    bits |= Field(bo >> 5, 48, 1) | Field(bo >> 3, 43, 2) | Field(bo, 39, 3);
    bits |= Field(q[0][1] >> 1, 34, 5) | Field(q[0][1], 32, 1) | Field(q[1][1], 25, 7) | Field(q[2][1], 19, 6);
    bits |= Field(q[0][2], 13, 6) | Field(q[1][2], 6, 7) | Field(q[2][2], 0, 6);
    // Red and green stay inside their ranges, blue leaves its range: that marks planar.
    bits |= Field(KeepFiller(ro >> 2, (ro & 3) << 1 | go >> 6), 63, 1);
    bits |= Field(KeepFiller((go & 63) >> 2, (go & 3) << 1 | bo >> 5), 55, 1);
    const uint32_t filler = OverflowFiller((bo >> 3) & 3, (bo & 7) >> 1);
    bits |= Field(filler >> 1, 45, 3) | Field(filler, 42, 1);
    return {bits, error};
}

} // namespace Hyx::Etc2
