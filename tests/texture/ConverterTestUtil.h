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
#include <random>
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

/// PSNR in dB of two byte images of the same size.
inline double Psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i)
        sum += double(a[i] - b[i]) * double(a[i] - b[i]);
    return sum == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 * double(a.size()) / sum);
}

/// A one-colour RGB image.
inline std::vector<uint8_t> solid(uint32_t w, uint32_t h, uint8_t r, uint8_t g, uint8_t b)
{
    return RgbImage(w, h, [&](auto, auto) { return std::array{r, g, b}; });
}

/// The image with bytes 0 and 2 of every pixel exchanged.
inline std::vector<uint8_t> swapRedBlue(std::vector<uint8_t> rgb)
{
    Hyx::TextureFormatConverter::RGB24_to_BGR24(rgb.data(), rgb.data(), uint32_t(rgb.size() / 3));
    return rgb;
}

// Smooth gradients of all three channels.
inline std::vector<uint8_t> smoothImage(uint32_t w, uint32_t h)
{
    return RgbImage(w, h, [&](uint32_t x, uint32_t y) {
        return std::array{x * 255 / (w - 1), y * 255 / (h - 1), (x + y) * 255 / (w + h - 2)};
    });
}

// Fractal value noise: octaves from 64-pixel cells down to single pixels, energy falling
// with frequency as in natural images; values about 0..1.
inline std::vector<float> noiseField(uint32_t w, uint32_t h, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<float> field(size_t(w) * h, 0.f);
    for (uint32_t cell = 64, octave = 0; cell >= 1; cell /= 2, ++octave) {
        const uint32_t gw = w / cell + 2, gh = h / cell + 2;
        std::vector<float> grid(size_t(gw) * gh);
        for (float& g : grid)
            g = float(random() % 1000) / 1000.f;
        const float amplitude = 0.6f / float(1 + octave);
        for (uint32_t y = 0; y < h; ++y)
            for (uint32_t x = 0; x < w; ++x) {
                const float fx = float(x) / float(cell), fy = float(y) / float(cell);
                const uint32_t ix = uint32_t(fx), iy = uint32_t(fy);
                const float tx = fx - float(ix), ty = fy - float(iy);
                const float top = grid[iy * gw + ix] * (1 - tx) + grid[iy * gw + ix + 1] * tx;
                const float bottom = grid[(iy + 1) * gw + ix] * (1 - tx) + grid[(iy + 1) * gw + ix + 1] * tx;
                field[size_t(w) * y + x] += amplitude * (top * (1 - ty) + bottom * ty);
            }
    }
    return field;
}

// A photograph-like scene: three partly correlated noise fields (detail in every channel),
// lit by a slow gradient, with hard-edged stripes.
inline std::vector<uint8_t> texturedImage(uint32_t w, uint32_t h)
{
    const std::vector<float> a = noiseField(w, h, 11), b = noiseField(w, h, 12), c = noiseField(w, h, 13);
    return RgbImage(w, h, [&](uint32_t x, uint32_t y) {
        const size_t i = size_t(w) * y + x;
        const float light = 0.6f + 0.4f * float(x) / float(w);
        const bool stripe = (x / 24 + y / 40) % 3 == 0;
        const float r = light * (stripe ? 0.9f : a[i]), g = light * (0.5f * a[i] + 0.5f * b[i]), bl = light * c[i];
        auto to8 = [](float v) { return uint32_t(std::clamp(v, 0.f, 1.f) * 255.f); };
        return std::array{to8(r), to8(g), to8(bl)};
    });
}

} // namespace HyxTest
