#include "texture/PixelKernels.h"

#include <stdexcept>

namespace Hyx::TextureKernels {

ChromaLayout GetChromaLayout(uint32_t layout, uint32_t width)
{
    switch (TextureFormat(layout)) {
    case TextureFormat::YUV_NVX: return {0, width / 2, 1};
    case TextureFormat::YUV_NV21: return {1, 0, 2};
    case TextureFormat::YUV_NV12: return {0, 1, 2};
    default: throw std::runtime_error("Texture format conversion not supported.");
    }
}

} // namespace Hyx::TextureKernels
