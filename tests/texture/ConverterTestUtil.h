#pragma once

// Textures for the converter tests: made through the factory with a purpose, filled from
// bytes or from a per-pixel function, and compared by PSNR.

#include <Hyx/DataLayerFactory.h>
#include <Hyx/TextureFormatConverter.h>

#include <VornCommon/Guid.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace HyxTest {

inline const VornCommon::Guid kSourcePurpose = VornCommon::Guid::FromHexString("6F0022F4-A3D5-4CCA-8DAC-ADCC3B37C839");
inline const VornCommon::Guid kResultPurpose = VornCommon::Guid::FromHexString("64645F07-91BB-4DAB-A7AD-1B50F1C1D1F0");

/// A texture of class T (purpose kSourcePurpose) of width x stored height holding bytes
/// (copied; zero-filled when bytes is shorter than the block).
template <class T>
std::shared_ptr<T> MakeTexture(uint16_t width, uint16_t storedHeight, const std::vector<uint8_t>& bytes = {})
{
    auto layer = std::dynamic_pointer_cast<T>(
        Hyx::DataLayerFactory::CreateDataLayer(T::TheTypeGuid(), kSourcePurpose).ToStdSharedPtr());
    uint8_t* pixels = layer->AllocateTexture(width, storedHeight);
    const size_t size = layer->GetTextureSizeInBytes();
    if (pixels)
        std::memset(pixels, 0, size);
    if (pixels && !bytes.empty())
        std::memcpy(pixels, bytes.data(), std::min(size, bytes.size()));
    return layer;
}

/// The pixel block of a texture as bytes.
inline std::vector<uint8_t> Pixels(const std::shared_ptr<Hyx::DataTypeTextureBase>& texture)
{
    const uint8_t* p = texture->GetDataPtr();
    return std::vector<uint8_t>(p, p + texture->GetTextureSizeInBytes());
}

/// An RGB image of width x height from colour(x, y) -> {r, g, b}.
template <class Colour>
std::vector<uint8_t> RgbImage(uint32_t width, uint32_t height, Colour colour)
{
    std::vector<uint8_t> rgb(size_t(width) * height * 3);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            const auto c = colour(x, y);
            for (int k = 0; k < 3; ++k)
                rgb[(size_t(width) * y + x) * 3 + k] = uint8_t(c[k]);
        }
    return rgb;
}

/// A width x height image of one colour.
inline std::vector<uint8_t> solidImage(uint32_t width, uint32_t height, uint8_t r, uint8_t g, uint8_t b)
{
    return RgbImage(width, height, [&](auto, auto) { return std::array{r, g, b}; });
}

/// PSNR in dB of two byte images of the same size.
inline double Psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i)
        sum += double(a[i] - b[i]) * double(a[i] - b[i]);
    return sum == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 * double(a.size()) / sum);
}

} // namespace HyxTest
