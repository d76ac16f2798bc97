#pragma once

// What every conversion of TextureFormatConverter does around its kernel: the checks of the
// source and its size, and the result layer made through the factory.

#include <Hyx/DataLayerFactory.h>
#include <Hyx/DataTypeTextureBase.h>

#include <VornCommon/Guid.h>

#include <cstdint>
#include <memory>
#include <stdexcept>

namespace Hyx::ConverterSupport {

/// Throws the one refusal text of the converter.
[[noreturn]] inline void Refuse()
{
    throw std::runtime_error("Texture format conversion not supported.");
}

/// True when there is a source with a complete pixel block.
inline bool HasPixels(const std::shared_ptr<DataTypeTextureBase>& source)
{
    return source && source->GetDataPtr();
}

/// YUV 4:2:0 works on 2 x 2 blocks.
inline void RequireEven(uint32_t width, uint32_t height)
{
    if (width % 2 || height % 2)
        Refuse();
}

/// Bayer kernels need whole 2 x 2 cells and a 4 x 4 neighbourhood.
inline void RequireBayer(uint32_t width, uint32_t height)
{
    RequireEven(width, height);
    if (width < 4 || height < 4)
        Refuse();
}

/// Block formats code whole 4 x 4 blocks.
inline void RequireBlocks(uint32_t width, uint32_t height)
{
    if (width % 4 || height % 4)
        Refuse();
}

/// Stored height of an NVX result of lumaHeight rows; refused past the 16-bit height.
inline uint16_t NvxStoredHeight(uint32_t lumaHeight)
{
    const uint32_t stored = GetYUVStoredHeight(lumaHeight);
    if (stored > UINT16_MAX)
        Refuse();
    return uint16_t(stored);
}

/// A new Result layer with the purpose, its pixel block allocated at width x height; empty
/// when the factory cannot make the class.
template <class Result>
std::shared_ptr<Result> MakeResult(const VornCommon::Guid& purpose, uint16_t width, uint16_t height, uint8_t*& pixels)
{
    auto result = std::dynamic_pointer_cast<Result>(
        DataLayerFactory::CreateDataLayer(Result::TheTypeGuid(), purpose).ToStdSharedPtr());
    pixels = result ? result->AllocateTexture(width, height) : nullptr;
    return pixels ? result : nullptr;
}

} // namespace Hyx::ConverterSupport
