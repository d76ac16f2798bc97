#include "texture/PixelKernels.h"

#include <cmath>
#include <vector>

namespace Hyx::TextureKernels {

const uint32_t* BayerLumaGammaTable()
{
    // Long double keeps the exact ends exact (0 and 65535) and every floor on its side.
    static const std::vector<uint32_t> table = [] {
        std::vector<uint32_t> entries(65536);
        for (uint32_t i = 0; i < entries.size(); ++i)
            entries[i] = uint32_t(std::floor(65535.0L * std::pow(i / 65535.0L, 16.0L / 11.0L)));
        return entries;
    }();
    return table.data();
}

} // namespace Hyx::TextureKernels
