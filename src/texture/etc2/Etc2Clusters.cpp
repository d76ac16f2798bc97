// Two-colour splits of a block for the T and H modes: a split across the principal axis or
// around the two texels farthest apart, then a few rounds of 2-means.

#include "texture/etc2/Etc2Block.h"

namespace Hyx::Etc2 {

namespace {

// Texels on the side of the texel farthest from the centre, against the one farthest from it.
bool farthestPair(const Texels& t, const float centre[3], int side[16])
{
    auto distance = [&](int i, const int32_t* to) { return TexelError(t, i, to[0], to[1], to[2]); };
    const int32_t middle[3] = {int32_t(centre[0]), int32_t(centre[1]), int32_t(centre[2])};
    int a = 0;
    for (int i = 1; i < 16; ++i)
        if (distance(i, middle) > distance(a, middle))
            a = i;
    const int32_t first[3] = {t.c[0][a], t.c[1][a], t.c[2][a]};
    int b = a;
    for (int i = 0; i < 16; ++i)
        if (distance(i, first) > distance(b, first))
            b = i;
    if (b == a)
        return false;
    const int32_t second[3] = {t.c[0][b], t.c[1][b], t.c[2][b]};
    for (int i = 0; i < 16; ++i)
        side[i] = distance(i, second) < distance(i, first) ? 1 : 0;
    return true;
}

// One split from a seed; false when there is none.
bool split(const Texels& t, int seed, int32_t mean[2][3])
{
    float centre[3];
    for (int c = 0; c < 3; ++c) {
        int32_t sum = 0;
        for (int i = 0; i < 16; ++i)
            sum += t.c[c][i];
        centre[c] = float(sum) / 16.0f;
    }
    int side[16];
    if (seed == 1 && !farthestPair(t, centre, side))
        return false;
    float cov[3][3] = {};
    for (int i = 0; i < 16 && seed == 0; ++i) {
        const float d[3] = {float(t.c[0][i]) - centre[0], float(t.c[1][i]) - centre[1], float(t.c[2][i]) - centre[2]};
        for (int a = 0; a < 3; ++a)
            for (int b = 0; b < 3; ++b)
                cov[a][b] += d[a] * d[b];
    }
    float axis[3] = {1, 1, 1};
    for (int round = 0; round < 4 && seed == 0; ++round) {
        float next[3];
        for (int a = 0; a < 3; ++a)
            next[a] = cov[a][0] * axis[0] + cov[a][1] * axis[1] + cov[a][2] * axis[2];
        float largest = 0;
        for (float v : next)
            largest = v > largest ? v : (-v > largest ? -v : largest);
        if (largest == 0)
            return false;
        for (int a = 0; a < 3; ++a)
            axis[a] = next[a] / largest;
    }
    for (int i = 0; i < 16 && seed == 0; ++i) {
        float p = 0;
        for (int c = 0; c < 3; ++c)
            p += (float(t.c[c][i]) - centre[c]) * axis[c];
        side[i] = p > 0 ? 1 : 0;
    }
    for (int round = 0; round < 3; ++round) {
        int32_t sum[2][3] = {}, count[2] = {};
        for (int i = 0; i < 16; ++i) {
            ++count[side[i]];
            for (int c = 0; c < 3; ++c)
                sum[side[i]][c] += t.c[c][i];
        }
        if (!count[0] || !count[1])
            return false;
        for (int k = 0; k < 2; ++k)
            for (int c = 0; c < 3; ++c)
                mean[k][c] = (sum[k][c] + count[k] / 2) / count[k];
        for (int i = 0; i < 16; ++i)
            side[i] = TexelError(t, i, mean[1][0], mean[1][1], mean[1][2]) <
                              TexelError(t, i, mean[0][0], mean[0][1], mean[0][2])
                          ? 1
                          : 0;
    }
    return true;
}

} // namespace

Splits SplitClusters(const Texels& t, Search search)
{
    // The fast search starts from the farthest pair only.
    Splits splits;
    for (int seed = search == Search::Fast ? 1 : 0; seed < 2; ++seed)
        if (split(t, seed, splits.mean[splits.count]))
            ++splits.count;
    return splits;
}

} // namespace Hyx::Etc2
