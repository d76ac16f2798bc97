// The YUV 4:2:0 kernels (vector steps plus their tails) against a plain per-pixel reference,
// byte for byte: every even width up to 130 (so every tail length of the 32-pixel steps),
// each chroma layout, both byte orders, random images and the extremes.

#include "texture/PixelKernels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

using namespace Hyx;

namespace {

// Offsets of the first U and V and the step between samples, per layout 0 (NVX), 1, 2.
struct Places {
    size_t u, v, step;
};

Places places(uint32_t layout, uint32_t width)
{
    return layout == 0 ? Places{0, width / 2, 1} : layout == 1 ? Places{1, 0, 2} : Places{0, 1, 2};
}

// red is the byte index of R in each 3-byte pixel (0 for RGB, 2 for BGR).
std::vector<uint8_t> referenceToYuv(const std::vector<uint8_t>& in, int red, uint32_t layout, uint32_t w, uint32_t h)
{
    std::vector<uint8_t> yuv(size_t(w) * h * 3 / 2);
    auto at = [&](uint32_t x, uint32_t y, int c) { return int32_t(in[(size_t(w) * y + x) * 3 + c]); };
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            yuv[size_t(w) * y + x] =
                uint8_t(((66 * at(x, y, red) + 129 * at(x, y, 1) + 25 * at(x, y, 2 - red) + 128) >> 8) + 16);
    const Places p = places(layout, w);
    for (uint32_t y = 0; y < h; y += 2)
        for (uint32_t x = 0; x < w; x += 2) {
            int32_t s[3] = {};
            for (int c = 0; c < 3; ++c)
                s[c] = at(x, y, c) + at(x + 1, y, c) + at(x, y + 1, c) + at(x + 1, y + 1, c);
            const int32_t r = s[red], g = s[1], b = s[2 - red];
            uint8_t* row = yuv.data() + size_t(w) * h + size_t(w) * (y / 2);
            row[p.u + p.step * (x / 2)] = uint8_t(((448 * b - 296 * g - 152 * r + 512) >> 12) + 128);
            row[p.v + p.step * (x / 2)] = uint8_t(((448 * r - 376 * g - 72 * b + 512) >> 12) + 128);
        }
    return yuv;
}

std::vector<uint8_t> referenceFromYuv(const std::vector<uint8_t>& yuv, int red, uint32_t layout, uint32_t w, uint32_t h)
{
    std::vector<uint8_t> out(size_t(w) * h * 3);
    const Places p = places(layout, w);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            const uint8_t* row = yuv.data() + size_t(w) * h + size_t(w) * (y / 2);
            const int32_t e = 1192 * (yuv[size_t(w) * y + x] - 16);
            const int32_t u = row[p.u + p.step * (x / 2)] - 128, v = row[p.v + p.step * (x / 2)] - 128;
            uint8_t* pixel = out.data() + (size_t(w) * y + x) * 3;
            pixel[red] = uint8_t(std::clamp((e + 1634 * v) >> 10, 0, 255));
            pixel[1] = uint8_t(std::clamp((e - 400 * u - 832 * v) >> 10, 0, 255));
            pixel[2 - red] = uint8_t(std::clamp((e + 2066 * u) >> 10, 0, 255));
        }
    return out;
}

void checkBothWays(const std::vector<uint8_t>& rgb, const std::vector<uint8_t>& yuv, uint32_t w, uint32_t h)
{
    using ToYuv = void (*)(const uint8_t*, uint8_t*, uint32_t, uint32_t, uint32_t);
    const struct {
        int red;
        ToYuv toYuv, fromYuv;
    } orders[] = {{0, TextureKernels::RGB24ToYUV420, TextureKernels::YUV420ToRGB24},
                  {2, TextureKernels::BGR24ToYUV420, TextureKernels::YUV420ToBGR24}};
    for (const auto& order : orders)
        for (uint32_t layout = 0; layout < 3; ++layout) {
            std::vector<uint8_t> gotYuv(yuv.size()), gotRgb(rgb.size());
            order.toYuv(rgb.data(), gotYuv.data(), layout, w, h);
            order.fromYuv(yuv.data(), gotRgb.data(), layout, w, h);
            ASSERT_EQ(gotYuv, referenceToYuv(rgb, order.red, layout, w, h))
                << w << " x " << h << " layout " << layout << " red " << order.red;
            ASSERT_EQ(gotRgb, referenceFromYuv(yuv, order.red, layout, w, h))
                << w << " x " << h << " layout " << layout << " red " << order.red;
        }
}

} // namespace

TEST(YuvKernelReference, RandomImagesOfEveryEvenWidth)
{
    std::mt19937 random(23);
    for (uint32_t h : {2u, 4u})
        for (uint32_t w = 2; w <= 130; w += 2) {
            std::vector<uint8_t> rgb(size_t(w) * h * 3), yuv(size_t(w) * h * 3 / 2);
            for (uint8_t& b : rgb)
                b = uint8_t(random());
            for (uint8_t& b : yuv)
                b = uint8_t(random());
            checkBothWays(rgb, yuv, w, h);
        }
}

TEST(YuvKernelReference, ExtremesAndEveryValue)
{
    // Every byte value in every position of a 96 x 2 image (each row a shifted ramp), and
    // the corners of the colour cube in blocks of mixed extremes.
    const uint32_t w = 96, h = 2;
    std::vector<uint8_t> ramp(size_t(w) * h * 3), extremes(ramp.size());
    for (uint32_t shift = 0; shift < 256; shift += 5) {
        for (size_t i = 0; i < ramp.size(); ++i)
            ramp[i] = uint8_t(i * 7 + shift);
        checkBothWays(ramp, std::vector<uint8_t>(ramp.begin(), ramp.begin() + ramp.size() / 2), w, h);
    }
    for (uint32_t pattern = 0; pattern < 64; ++pattern) {
        for (size_t i = 0; i < extremes.size(); ++i)
            extremes[i] = (pattern >> (i * 5 % 6) & 1) ? 255 : (i % 7 == 0 ? 16 : 0);
        checkBothWays(extremes, std::vector<uint8_t>(extremes.begin() + extremes.size() / 2, extremes.end()), w, h);
    }
}
