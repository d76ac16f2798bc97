#pragma once

// The pieces the ETC2 RGB8 mode encoders share: a block's texels, the perceptual error, the
// format's tables and the bit packing of 64-bit blocks.
//
// Texel i of a block is (x, y) with i = x * 4 + y (column-major, the order of the index
// bits). Every mode encoder takes the texels and returns its best block and that block's
// error, which equals the error of the block as the decoder reconstructs it.

#include <cstdint>

namespace Hyx::Etc2 {

/// One 4 x 4 block, channel-major: c[channel][texel].
struct Texels {
    int32_t c[3][16];
};

/// A coded block and its perceptual error.
struct Candidate {
    uint64_t bits = 0;
    uint32_t error = UINT32_MAX;
};

/// How hard the mode searches look around their first estimate.
enum class Search {
    Fast,
    Thorough
};

/// Perceptual weights (sum 1000): a block's error fits 32 bits.
inline constexpr int32_t kWeight[3] = {299, 587, 114};

inline constexpr int32_t kModifier[8][2] = {{2, 8},   {5, 17},  {9, 29},   {13, 42},
                                            {18, 60}, {24, 80}, {33, 106}, {47, 183}};
inline constexpr int32_t kDistance[8] = {3, 6, 11, 16, 23, 32, 41, 64};

inline int32_t Clamp255(int32_t v)
{
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}
inline int32_t Expand4(int32_t v)
{
    return v << 4 | v;
}
inline int32_t Expand5(int32_t v)
{
    return v << 3 | v >> 2;
}
inline int32_t Expand6(int32_t v)
{
    return v << 2 | v >> 4;
}
inline int32_t Expand7(int32_t v)
{
    return v << 1 | v >> 6;
}

/// Weighted squared distance of texel i to (r, g, b).
inline uint32_t TexelError(const Texels& t, int i, int32_t r, int32_t g, int32_t b)
{
    const int32_t dr = t.c[0][i] - r, dg = t.c[1][i] - g, db = t.c[2][i] - b;
    return uint32_t(kWeight[0] * dr * dr + kWeight[1] * dg * dg + kWeight[2] * db * db);
}

/// Puts the 2-bit index v of texel i into its two bit planes.
inline uint64_t IndexBits(int i, uint32_t v)
{
    return uint64_t(v >> 1) << (16 + i) | uint64_t(v & 1) << i;
}

/// value's low count bits placed with their lowest bit at position low.
inline uint64_t Field(uint32_t value, int low, int count)
{
    return uint64_t(value & ((1u << count) - 1)) << low;
}

/// Two's-complement value of a 3-bit field.
inline int32_t SignExtend3(uint32_t v)
{
    return int32_t(v & 7) - (v & 4 ? 8 : 0);
}

/// Filler bits that force a 5-bit field plus 3-bit delta to leave 0..31 (T, H, planar): the
/// field is f3 << 2 | a, the delta f1 << 2 | b. Returns (f3, f1) packed as f3 << 1 | f1.
inline uint32_t OverflowFiller(uint32_t a, uint32_t b)
{
    return a + b >= 4 ? 7u << 1 : 1u;
}

/// Filler bit f of a field f << 4 | r with delta d that keeps the sum inside 0..31.
inline uint32_t KeepFiller(uint32_t r, uint32_t d)
{
    return int32_t(r) + SignExtend3(d) >= 0 ? 0u : 1u;
}

/// Weighted offset of texel i from (r, g, b): its projection on the grey axis, which picks
/// the nearest of several colours that differ by a grey step.
inline int32_t GreyOffset(const Texels& t, int i, const int32_t* colour)
{
    return kWeight[0] * (t.c[0][i] - colour[0]) + kWeight[1] * (t.c[1][i] - colour[1]) +
           kWeight[2] * (t.c[2][i] - colour[2]);
}

/// The range of table or distance indices (of 8) a search tries: all for the thorough
/// search, else the index whose value is nearest the estimate and its two neighbours.
inline void SearchRange(Search search, const int32_t* values, int32_t estimate, uint32_t& first, uint32_t& last)
{
    first = 0, last = 7;
    if (search == Search::Thorough)
        return;
    uint32_t nearest = 0;
    for (uint32_t k = 1; k < 8; ++k)
        if ((values[k] > estimate ? values[k] - estimate : estimate - values[k]) <
            (values[nearest] > estimate ? values[nearest] - estimate : estimate - values[nearest]))
            nearest = k;
    first = nearest ? nearest - 1 : 0;
    last = nearest < 7 ? nearest + 1 : 7;
}

/// Rounds 8-bit colour values to 4 bits.
inline int32_t Quantise4(int32_t v)
{
    return (v * 15 + 127) / 255;
}

/// Thorough search for the T and H modes: moves one channel of one 4-bit colour a step while
/// that lowers the error of `evaluate(colour)`, starting from `found`. Returns the best found.
template <typename Evaluate>
Candidate RefineColourPair(int32_t (&colour)[2][3], Candidate found, Evaluate evaluate)
{
    for (bool moved = true; moved;) {
        moved = false;
        for (int k = 0; k < 6; ++k)
            for (int step = -1; step <= 1; step += 2) {
                int32_t& v = colour[k / 3][k % 3];
                if (v + step < 0 || v + step > 15)
                    continue;
                v += step;
                const Candidate trial = evaluate(colour);
                if (trial.error < found.error)
                    found = trial, moved = true;
                else
                    v -= step;
            }
    }
    return found;
}

/// Two-colour splits of a block that the T and H searches start from.
struct Splits {
    int32_t mean[2][2][3]; // split, cluster, channel
    int count = 0;
};

/// The splits across the principal axis and around the farthest pair, each refined by
/// 2-means; the fast search keeps the tighter one. None for a block of one colour.
Splits SplitClusters(const Texels& texels, Search search);

// Mode encoders; each returns its best block for the texels.
Candidate EncodeUniform(const Texels& texels);
Candidate EncodeIndividualDifferential(const Texels& texels, Search search);
Candidate EncodePlanar(const Texels& texels, Search search);
Candidate EncodeT(const Texels& texels, const Splits& splits, Search search);
Candidate EncodeH(const Texels& texels, const Splits& splits, Search search);

} // namespace Hyx::Etc2
