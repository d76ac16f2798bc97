#pragma once

// Multiplies n floats by one factor: a plain loop the compiler vectorises.

#include <cstddef>

namespace Hyx {

/// out[i] = in[i] * factor for i < count; in and out must not overlap.
inline void ScaleCoordinates(const float* __restrict in, float* __restrict out, size_t count, float factor)
{
    for (size_t i = 0; i < count; ++i)
        out[i] = in[i] * factor;
}

} // namespace Hyx
