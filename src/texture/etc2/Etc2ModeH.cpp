// H mode: two colours, each with one distance either way, 4 bits per channel. The low bit of
// the distance index is the order of the two colours, so the encoder swaps them to reach it.

#include "texture/etc2/Etc2Block.h"

#include <utility>

namespace Hyx::Etc2 {

namespace {

int32_t packed(const int32_t c[3])
{
    return c[0] << 8 | c[1] << 4 | c[2];
}

// Best distance for the two colours (4-bit), in the order each distance needs.
Candidate bestDistance(const Texels& t, const int32_t first[3], const int32_t second[3], Search search)
{
    // Texels lie a distance either side of their colour: their mean offset estimates it.
    const int32_t a[3] = {Expand4(first[0]), Expand4(first[1]), Expand4(first[2])};
    const int32_t b[3] = {Expand4(second[0]), Expand4(second[1]), Expand4(second[2])};
    int32_t spread = 0;
    for (int i = 0; i < 16; ++i) {
        const int32_t offset = TexelError(t, i, a[0], a[1], a[2]) < TexelError(t, i, b[0], b[1], b[2])
                                   ? GreyOffset(t, i, a)
                                   : GreyOffset(t, i, b);
        spread += offset < 0 ? -offset : offset;
    }
    uint32_t low, high;
    SearchRange(search, kDistance, spread / 16000, low, high);
    Candidate best;
    for (uint32_t di = low; di <= high; ++di) {
        const int32_t *c1 = first, *c2 = second;
        if ((packed(c1) >= packed(c2)) != bool(di & 1))
            std::swap(c1, c2);
        if ((packed(c1) >= packed(c2)) != bool(di & 1))
            continue; // equal colours reach odd distances only
        // Each texel takes the nearer of its best step around either colour; errors are exact.
        const int32_t d = kDistance[di];
        const int32_t e1[3] = {Expand4(c1[0]), Expand4(c1[1]), Expand4(c1[2])};
        const int32_t e2[3] = {Expand4(c2[0]), Expand4(c2[1]), Expand4(c2[2])};
        int32_t paint[4][3];
        for (int c = 0; c < 3; ++c) {
            paint[0][c] = Clamp255(e1[c] + d), paint[1][c] = Clamp255(e1[c] - d);
            paint[2][c] = Clamp255(e2[c] + d), paint[3][c] = Clamp255(e2[c] - d);
        }
        uint32_t error = 0;
        uint64_t indices = 0;
        for (int i = 0; i < 16; ++i) {
            const uint32_t k1 = GreyOffset(t, i, e1) >= 0 ? 0 : 1, k2 = GreyOffset(t, i, e2) >= 0 ? 2 : 3;
            const uint32_t first = TexelError(t, i, paint[k1][0], paint[k1][1], paint[k1][2]);
            const uint32_t second = TexelError(t, i, paint[k2][0], paint[k2][1], paint[k2][2]);
            error += first <= second ? first : second;
            indices |= IndexBits(i, first <= second ? k1 : k2);
        }
        if (error >= best.error)
            continue;
        const uint32_t r1 = c1[0], g1 = c1[1], b1 = c1[2];
        uint64_t bits = indices | uint64_t(1) << 33 | Field(di >> 2, 34, 1) | Field(di >> 1, 32, 1);
        bits |= Field(r1, 59, 4) | Field(g1 >> 1, 56, 3) | Field(g1, 52, 1);
        bits |= Field(b1 >> 3, 51, 1) | Field(b1, 47, 3);
        bits |= Field(c2[0], 43, 4) | Field(c2[1], 39, 4) | Field(c2[2], 35, 4);
        // Red stays inside its range and green leaves it: that marks H.
        bits |= Field(KeepFiller(r1, g1 >> 1), 63, 1);
        const uint32_t filler = OverflowFiller((g1 & 1) << 1 | b1 >> 3, (b1 & 7) >> 1);
        bits |= Field(filler >> 1, 53, 3) | Field(filler, 50, 1);
        best = {bits, error};
    }
    return best;
}

} // namespace

Candidate EncodeH(const Texels& t, const Splits& splits, Search search)
{
    Candidate best;
    for (int n = 0; n < splits.count; ++n) {
        const int32_t(&mean)[2][3] = splits.mean[n];
        int32_t colour[2][3];
        for (int k = 0; k < 2; ++k)
            for (int c = 0; c < 3; ++c)
                colour[k][c] = Quantise4(mean[k][c]);
        Candidate found = bestDistance(t, colour[0], colour[1], search);
        if (search == Search::Thorough)
            found = RefineColourPair(colour, found,
                                     [&](const int32_t(&c)[2][3]) { return bestDistance(t, c[0], c[1], search); });
        if (found.error < best.error)
            best = found;
    }
    return best;
}

} // namespace Hyx::Etc2
