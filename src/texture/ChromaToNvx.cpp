#include "texture/PixelKernels.h"

#include "datatypes/textures/VectorClones.h"

namespace Hyx::TextureKernels {

namespace {

HYX_VECTOR_CLONES void splitRow(const uint8_t* __restrict pairs, uint8_t* __restrict first, uint8_t* __restrict second,
                                uint32_t count)
{
    for (size_t i = 0; i < count; ++i) {
        first[i] = pairs[2 * i];
        second[i] = pairs[2 * i + 1];
    }
}

} // namespace

void InterleavedChromaToNVX(const uint8_t* chroma, uint8_t* nvx, uint32_t width, uint32_t rows, bool vFirst)
{
    const uint32_t half = width / 2;
    for (uint32_t r = 0; r < rows; ++r) {
        const uint8_t* in = chroma + size_t(width) * r;
        uint8_t* out = nvx + size_t(width) * r;
        // NVX rows hold U first: NV21 pairs start with V, so their halves change places.
        if (vFirst)
            splitRow(in, out + half, out, half);
        else
            splitRow(in, out, out + half, half);
    }
}

} // namespace Hyx::TextureKernels
