#pragma once

// Octahedral normal kernels shared by the normals codec: one normal in, one code out and
// back, written branch-free so that the array loops around them vectorise.

#include <cmath>
#include <cstdint>

namespace Hyx::oct {

/// Halves away from zero; exact for |t| < 2^23 (0.5 less one ulp, so 0.49999997 stays 0).
[[gnu::always_inline]] inline int32_t roundAway(float t)
{
    return static_cast<int32_t>(t + std::copysign(0.49999997f, t));
}

[[gnu::always_inline]] inline float sign(float t)
{
    return t < 0.0f ? -1.0f : 1.0f;
}

/// Codes (x, y, z) as the nearest (a, b) on the normal's side of the fold, |a|, |b| <= q.
template <int Q>
[[gnu::always_inline]] inline void encode(float x, float y, float z, int32_t& a, int32_t& b)
{
    const float d = std::fabs(x) + std::fabs(y) + std::fabs(z);
    float u = x / d, v = y / d;
    const bool valid = u == u && v == v; // zero or NaN normals code as (0, 0)
    u = valid ? u : 0.0f;
    v = valid ? v : 0.0f;
    const bool folded = valid && z < 0.0f;
    // The side of each coordinate before the fold: a folded code of 0 (|u| = 1) has none.
    const int32_t sideA = u < 0.0f ? -1 : 1, sideB = v < 0.0f ? -1 : 1;
    const float fu = sign(u) - u, fv = sign(v) - v;
    u = folded ? fu : u;
    v = folded ? fv : v;
    u = u > 1.0f ? 1.0f : (u < -1.0f ? -1.0f : u);
    v = v > 1.0f ? 1.0f : (v < -1.0f ? -1.0f : v);
    const float tu = u * float(Q), tv = v * float(Q);
    int32_t ra = roundAway(tu), rb = roundAway(tv);
    // Rounding may carry a code across the fold's edge |a| + |b| = q, where the decoder
    // would take it for a normal of the other half: move it one step back to its side,
    // along the coordinate whose rounding went furthest that way, never beyond q (a
    // folded code on the corner (q, 0) moves along b instead).
    // In integer arithmetic throughout (dir +1 folded, -1 not), which vectorises.
    const int32_t fold = folded ? 1 : 0, dir = 2 * fold - 1;
    const int32_t sum = std::abs(ra) + std::abs(rb);
    const int32_t step = fold - dir * (sum - Q) > 0 ? dir : 0;
    const float errA = std::fabs(tu) - float(std::abs(ra)), errB = std::fabs(tv) - float(std::abs(rb));
    const int32_t stepA = float(dir) * (errA - errB) >= 0.0f && std::abs(ra) + fold <= Q ? step : 0;
    ra += stepA * sideA;
    rb += (step - stepA) * sideB;
    a = ra;
    b = rb;
}

/// Decodes (a, b) into a unit normal; folds back exactly when |a| + |b| exceeds q.
template <int Q>
[[gnu::always_inline]] inline void decode(int32_t a, int32_t b, float& x, float& y, float& z)
{
    a = a < -Q ? -Q : a;
    b = b < -Q ? -Q : b;
    constexpr float kInverseQ = 1.0f / float(Q);
    float u = float(a) * kInverseQ, v = float(b) * kInverseQ;
    const float w = 1.0f - std::fabs(u) - std::fabs(v);
    const bool folded = std::abs(a) + std::abs(b) > Q;
    const float fu = sign(u) - u, fv = sign(v) - v;
    u = folded ? fu : u;
    v = folded ? fv : v;
    const float inverse = 1.0f / std::sqrt(u * u + v * v + w * w);
    x = u * inverse;
    y = v * inverse;
    z = w * inverse;
}

} // namespace Hyx::oct
