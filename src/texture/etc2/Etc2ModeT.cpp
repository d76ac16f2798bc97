// T mode: one colour alone and a second colour with a distance either way, 4 bits per
// channel each; the lone colour goes to the smaller cluster or the larger, whichever codes
// better.

#include "texture/etc2/Etc2Block.h"

namespace Hyx::Etc2 {

namespace {

// Best distance for colours (4-bit) lone and pair. Each texel takes the lone colour or the
// pair's step nearest its grey offset, whichever is closer; errors are exact.
Candidate bestDistance(const Texels& t, const int32_t lone[3], const int32_t pair[3], Search search)
{
    const int32_t single[3] = {Expand4(lone[0]), Expand4(lone[1]), Expand4(lone[2])};
    const int32_t centre[3] = {Expand4(pair[0]), Expand4(pair[1]), Expand4(pair[2])};
    uint32_t loneError[16];
    int32_t offset[16], spread = 0, paired = 0;
    for (int i = 0; i < 16; ++i) {
        loneError[i] = TexelError(t, i, single[0], single[1], single[2]);
        offset[i] = GreyOffset(t, i, centre);
        if (TexelError(t, i, centre[0], centre[1], centre[2]) < loneError[i])
            spread += offset[i] < 0 ? -offset[i] : offset[i], ++paired;
    }
    // The pair's texels lie at -d, 0 and +d: their mean offset is about 2d / 3.
    uint32_t first, last;
    SearchRange(search, kDistance, paired ? spread * 3 / (2000 * paired) : 0, first, last);
    Candidate best;
    for (uint32_t di = first; di <= last; ++di) {
        const int32_t d = kDistance[di];
        int32_t paint[4][3];
        for (int c = 0; c < 3; ++c)
            paint[1][c] = Clamp255(centre[c] + d), paint[2][c] = centre[c], paint[3][c] = Clamp255(centre[c] - d);
        uint32_t error = 0;
        uint64_t indices = 0;
        for (int i = 0; i < 16; ++i) {
            // 1000 m^2 - 2 m offset for m = d, 0, -d.
            const int32_t up = d * (1000 * d - 2 * offset[i]), down = d * (1000 * d + 2 * offset[i]);
            const uint32_t k = up < 0 && up <= down ? 1 : (down < 0 ? 3 : 2);
            const uint32_t e = TexelError(t, i, paint[k][0], paint[k][1], paint[k][2]);
            const bool alone = loneError[i] < e;
            error += alone ? loneError[i] : e;
            indices |= IndexBits(i, alone ? 0 : k);
        }
        if (error < best.error)
            best = {indices | Field(di >> 1, 34, 2) | Field(di, 32, 1), error};
    }
    return best;
}

Candidate pack(const Candidate& found, const int32_t lone[3], const int32_t pair[3])
{
    const uint32_t r1 = uint32_t(lone[0]);
    uint64_t bits = found.bits | uint64_t(1) << 33;
    bits |= Field(r1 >> 2, 59, 2) | Field(r1, 56, 2) | Field(lone[1], 52, 4) | Field(lone[2], 48, 4);
    bits |= Field(pair[0], 44, 4) | Field(pair[1], 40, 4) | Field(pair[2], 36, 4);
    // Red leaves its range: that marks T.
    const uint32_t filler = OverflowFiller(r1 >> 2, r1 & 3);
    bits |= Field(filler >> 1, 61, 3) | Field(filler, 58, 1);
    return {bits, found.error};
}

} // namespace

Candidate EncodeT(const Texels& t, const Splits& splits, Search search)
{
    Candidate best;
    for (int n = 0; n < splits.count; ++n) {
        const int32_t(&mean)[2][3] = splits.mean[n];
        for (int lone = 0; lone < 2; ++lone) {
            int32_t colour[2][3];
            for (int c = 0; c < 3; ++c)
                colour[0][c] = Quantise4(mean[lone][c]), colour[1][c] = Quantise4(mean[1 - lone][c]);
            Candidate found = bestDistance(t, colour[0], colour[1], search);
            if (search == Search::Thorough)
                found = RefineColourPair(colour, found,
                                         [&](const int32_t(&c)[2][3]) { return bestDistance(t, c[0], c[1], search); });
            if (found.error < best.error)
                best = pack(found, colour[0], colour[1]);
        }
    }
    return best;
}

} // namespace Hyx::Etc2
