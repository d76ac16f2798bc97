// Individual and differential modes: two halves (side by side or stacked), each one base
// colour plus a modifier table with a per-texel index.

#include "texture/etc2/Etc2Block.h"

namespace Hyx::Etc2 {

namespace {

// Texels of half h for the flip bit: columns 0-1 | 2-3 or rows 0-1 | 2-3.
constexpr int kHalf[2][2][8] = {{{0, 1, 2, 3, 4, 5, 6, 7}, {8, 9, 10, 11, 12, 13, 14, 15}},
                                {{0, 1, 4, 5, 8, 9, 12, 13}, {2, 3, 6, 7, 10, 11, 14, 15}}};

struct Half {
    uint32_t error = UINT32_MAX;
    uint32_t table = 0;
    uint64_t indices = 0;
};

// Best table and indices for one half around the expanded base colour. A modifier moves all
// three channels alike, so each texel's index is the modifier nearest its weighted offset
// from the base (exact where nothing clamps); the error is measured exactly.
// The fast search tries the tables whose mean modifier is nearest the texels' mean offset.
Half bestHalf(const Texels& t, const int* texel, const int32_t base[3], Search search)
{
    static constexpr int32_t kMeanModifier[8] = {5, 11, 19, 27, 39, 52, 69, 115};
    int32_t offset[8], spread = 0;
    for (int j = 0; j < 8; ++j) {
        const int i = texel[j];
        offset[j] = kWeight[0] * (t.c[0][i] - base[0]) + kWeight[1] * (t.c[1][i] - base[1]) +
                    kWeight[2] * (t.c[2][i] - base[2]);
        spread += offset[j] < 0 ? -offset[j] : offset[j];
    }
    uint32_t first, last;
    SearchRange(search, kMeanModifier, spread / 8000, first, last);
    Half best;
    for (uint32_t table = first; table <= last; ++table) {
        const int32_t a = kModifier[table][0], b = kModifier[table][1];
        const int32_t modifier[4] = {a, b, -a, -b};
        int32_t colour[4][3];
        for (int k = 0; k < 4; ++k)
            for (int c = 0; c < 3; ++c)
                colour[k][c] = Clamp255(base[c] + modifier[k]);
        uint32_t sum = 0;
        uint64_t indices = 0;
        for (int j = 0; j < 8; ++j) {
            // Unclamped error of modifier m, less the common part: 1000 m^2 - 2 m offset.
            uint32_t k = 0;
            int32_t cost = modifier[0] * (1000 * modifier[0] - 2 * offset[j]);
            for (uint32_t m = 1; m < 4; ++m) {
                const int32_t c = modifier[m] * (1000 * modifier[m] - 2 * offset[j]);
                if (c < cost)
                    cost = c, k = m;
            }
            sum += TexelError(t, texel[j], colour[k][0], colour[k][1], colour[k][2]);
            indices |= IndexBits(texel[j], k);
        }
        if (sum < best.error)
            best = {sum, table, indices};
    }
    return best;
}

// Channel means of a half quantised to levels + 1 steps.
void quantisedMean(const Texels& t, const int* texel, int32_t levels, int32_t out[3])
{
    for (int c = 0; c < 3; ++c) {
        int32_t sum = 0;
        for (int j = 0; j < 8; ++j)
            sum += t.c[c][texel[j]];
        out[c] = (sum * levels + 1020) / 2040;
    }
}

// The 27 colours within one step of q per channel (or q alone), kept inside 0..levels.
int neighbours(const int32_t q[3], int32_t levels, Search search, int32_t out[27][3])
{
    const int reach = search == Search::Thorough ? 1 : 0;
    int n = 0;
    for (int dr = -reach; dr <= reach; ++dr)
        for (int dg = -reach; dg <= reach; ++dg)
            for (int db = -reach; db <= reach; ++db) {
                const int32_t v[3] = {q[0] + dr, q[1] + dg, q[2] + db};
                if (v[0] < 0 || v[1] < 0 || v[2] < 0 || v[0] > levels || v[1] > levels || v[2] > levels)
                    continue;
                out[n][0] = v[0], out[n][1] = v[1], out[n][2] = v[2];
                ++n;
            }
    return n;
}

void individual(const Texels& t, uint32_t flip, Search search, Candidate& best)
{
    uint64_t bits = uint64_t(flip) << 32;
    uint32_t error = 0;
    for (int h = 0; h < 2; ++h) {
        int32_t q[3], colours[27][3];
        quantisedMean(t, kHalf[flip][h], 15, q);
        const int n = neighbours(q, 15, search, colours);
        Half found;
        int chosen = 0;
        for (int k = 0; k < n; ++k) {
            const int32_t base[3] = {Expand4(colours[k][0]), Expand4(colours[k][1]), Expand4(colours[k][2])};
            const Half half = bestHalf(t, kHalf[flip][h], base, search);
            if (half.error < found.error)
                found = half, chosen = k;
        }
        error += found.error;
        const int shift = h ? 0 : 4;
        bits |= Field(colours[chosen][0], 56 + shift, 4) | Field(colours[chosen][1], 48 + shift, 4) |
                Field(colours[chosen][2], 40 + shift, 4) | Field(found.table, h ? 34 : 37, 3) | found.indices;
    }
    if (error < best.error)
        best = {bits, error};
}

// Returns whether the two halves' colours fit a 3-bit delta.
bool differential(const Texels& t, uint32_t flip, Search search, Candidate& best)
{
    int32_t colours[2][27][3];
    Half halves[2][27];
    int n[2];
    for (int h = 0; h < 2; ++h) {
        int32_t q[3];
        quantisedMean(t, kHalf[flip][h], 31, q);
        n[h] = neighbours(q, 31, search, colours[h]);
        for (int k = 0; k < n[h]; ++k) {
            const int32_t base[3] = {Expand5(colours[h][k][0]), Expand5(colours[h][k][1]), Expand5(colours[h][k][2])};
            halves[h][k] = bestHalf(t, kHalf[flip][h], base, search);
        }
    }
    // Pairs whose delta fits 3 bits; when none does, the second half moves into range.
    uint32_t error = UINT32_MAX;
    int pick[2] = {0, 0};
    for (int i = 0; i < n[0]; ++i)
        for (int j = 0; j < n[1]; ++j) {
            bool fits = true;
            for (int c = 0; c < 3; ++c) {
                const int32_t d = colours[1][j][c] - colours[0][i][c];
                fits = fits && d >= -4 && d <= 3;
            }
            if (fits && halves[0][i].error + halves[1][j].error < error)
                error = halves[0][i].error + halves[1][j].error, pick[0] = i, pick[1] = j;
        }
    const bool fitted = error != UINT32_MAX;
    Half second = halves[1][pick[1]];
    const int32_t* first = colours[0][pick[0]];
    int32_t moved[3];
    if (error == UINT32_MAX) {
        for (int c = 0; c < 3; ++c) {
            const int32_t d = colours[1][0][c] - first[c];
            moved[c] = first[c] + (d < -4 ? -4 : (d > 3 ? 3 : d));
        }
        const int32_t base[3] = {Expand5(moved[0]), Expand5(moved[1]), Expand5(moved[2])};
        second = bestHalf(t, kHalf[flip][1], base, search);
        error = halves[0][pick[0]].error + second.error;
    } else {
        for (int c = 0; c < 3; ++c)
            moved[c] = colours[1][pick[1]][c];
    }
    if (error >= best.error)
        return fitted;
    const Half& head = halves[0][pick[0]];
    uint64_t bits = uint64_t(1) << 33 | uint64_t(flip) << 32;
    for (int c = 0; c < 3; ++c)
        bits |= Field(first[c], 59 - 8 * c, 5) | Field(uint32_t(moved[c] - first[c]), 56 - 8 * c, 3);
    bits |= Field(head.table, 37, 3) | Field(second.table, 34, 3) | head.indices | second.indices;
    best = {bits, error};
    return fitted;
}

} // namespace

Candidate EncodeIndividualDifferential(const Texels& texels, Search search)
{
    Candidate best;
    for (uint32_t flip = 0; flip < 2; ++flip) {
        // Halves that fit a delta are coded more finely by the differential mode; the fast
        // search tries individual colours only for halves too far apart.
        if (!differential(texels, flip, search, best) || search == Search::Thorough)
            individual(texels, flip, search, best);
    }
    return best;
}

// A one-colour block: every texel the same index, the base chosen per channel for it.
// Ties keep the lowest table and the highest index, so black gives table 0 and index 3.
Candidate EncodeUniform(const Texels& t)
{
    Candidate best;
    for (uint32_t table = 0; table < 8; ++table)
        for (int k = 3; k >= 0; --k) {
            const int32_t m = (k & 1 ? kModifier[table][1] : kModifier[table][0]) * (k & 2 ? -1 : 1);
            int32_t base[3];
            uint32_t error = 0;
            for (int c = 0; c < 3; ++c) {
                int32_t bestDistance = INT32_MAX;
                for (int32_t v = 0; v < 32; ++v) {
                    const int32_t d = Clamp255(Expand5(v) + m) - t.c[c][0];
                    if (d * d < bestDistance)
                        bestDistance = d * d, base[c] = v;
                }
                error += uint32_t(kWeight[c] * bestDistance) * 16;
            }
            if (error >= best.error)
                continue;
            uint64_t bits = uint64_t(1) << 33;
            for (int c = 0; c < 3; ++c)
                bits |= Field(base[c], 59 - 8 * c, 5);
            bits |= Field(table, 37, 3) | Field(table, 34, 3);
            for (int i = 0; i < 16; ++i)
                bits |= IndexBits(i, uint32_t(k));
            best = {bits, error};
        }
    return best;
}

} // namespace Hyx::Etc2
