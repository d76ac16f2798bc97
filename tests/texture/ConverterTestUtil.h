#pragma once

// Textures for the converter tests: made through the factory with a purpose, filled from
// bytes or from a per-pixel function, and compared by PSNR.

#include <Hyx/DataLayerFactory.h>
#include <Hyx/TextureFormatConverter.h>

#include <VornCommon/Guid.h>

#include <algorithm>
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

/// The image with bytes 0 and 2 of every pixel exchanged.
inline std::vector<uint8_t> swapRedBlue(std::vector<uint8_t> rgb)
{
    Hyx::TextureFormatConverter::RGB24_to_BGR24(rgb.data(), rgb.data(), uint32_t(rgb.size() / 3));
    return rgb;
}

/// Smooth gradients of all three channels.
inline std::vector<uint8_t> smoothImage(uint32_t w, uint32_t h)
{
    return RgbImage(w, h, [&](uint32_t x, uint32_t y) {
        return std::array{x * 255 / (w - 1), y * 255 / (h - 1), (x + y) * 255 / (w + h - 2)};
    });
}

// A photograph-like scene: per channel, hashed value noise over cells of 1 to 33 pixels
// (energy falling with cell size as in natural images, edges off the 4 x 4 grid), green
// partly following red, lit by a slow gradient, with hard-edged stripes.
inline std::vector<uint8_t> texturedImage(uint32_t w, uint32_t h)
{
    auto noise = [](uint32_t x, uint32_t y, uint32_t seed) {
        uint32_t v = x * 374761393u + y * 668265263u + seed * 2246822519u;
        v = (v ^ (v >> 13)) * 1274126177u;
        return float(v >> 16 & 1023) / 1023.f;
    };
    auto field = [&](uint32_t channel, uint32_t x, uint32_t y) {
        float sum = 0.f;
        for (uint32_t k = 0, cell = 1; cell <= 33; ++k, cell = cell * 2 + 1)
            sum += noise(x / cell, y / cell, channel * 8 + k) * 0.048f * float(k + 1);
        return sum;
    };
    return RgbImage(w, h, [&](uint32_t x, uint32_t y) {
        const float light = 0.6f + 0.4f * float(x) / float(w), red = (x / 24 + y / 40) % 3 ? field(0, x, y) : 0.9f;
        auto to8 = [&](float v) { return uint32_t(std::clamp(light * v, 0.f, 1.f) * 255.f); };
        return std::array{to8(red), to8(0.5f * (field(0, x, y) + field(1, x, y))), to8(field(2, x, y))};
    });
}

} // namespace HyxTest
