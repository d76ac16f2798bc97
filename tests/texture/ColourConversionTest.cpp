#include "ConverterTestUtil.h"

#include "datatypes/textures/PixelConversion.h"
#include "texture/PixelKernels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

using namespace Hyx;
using namespace HyxTest;
using Converter = TextureFormatConverter;

TEST(ColourConversion, RgbAndBgrToNvxVectors)
{
    struct Row {
        uint8_t r, g, b;
        uint8_t luma, u, v;
    };
    const Row rows[] = {{255, 255, 255, 235, 128, 128}, {0, 0, 0, 16, 128, 128}, {255, 0, 0, 82, 90, 239}};
    for (const Row& row : rows) {
        const std::vector<uint8_t> rgb = RgbImage(2, 2, [&](auto, auto) { return std::array{row.r, row.g, row.b}; });
        const std::vector<uint8_t> bgr = RgbImage(2, 2, [&](auto, auto) { return std::array{row.b, row.g, row.r}; });
        auto fromRgb = Converter::ConvertFromRGBtoNVX(MakeTexture<DataTypeTextureRGB>(2, 2, rgb), kResultPurpose);
        auto fromBgr = Converter::ConvertFromBGRtoNVX(MakeTexture<DataTypeTextureBGR>(2, 2, bgr), kResultPurpose);
        const std::vector<uint8_t> expected = {row.luma, row.luma, row.luma, row.luma, row.u, row.v};
        EXPECT_EQ(Pixels(fromRgb), expected) << int(row.r) << "," << int(row.g) << "," << int(row.b);
        EXPECT_EQ((std::tuple{Pixels(fromBgr), fromRgb->GetPurposeGuid(), fromRgb->GetInternalHeight()}),
                  std::tuple(expected, kResultPurpose, 3));
    }
}

TEST(ColourConversion, ChromaLayoutsPlaceUAndV)
{
    // A 4 x 2 image: left half red, right half blue; one chroma row of two samples each.
    const std::vector<uint8_t> rgb = RgbImage(4, 2, [](uint32_t x, auto) {
        return x < 2 ? std::array{255, 0, 0} : std::array{0, 0, 255};
    });
    const uint8_t uRed = 90, vRed = 239, uBlue = 239, vBlue = 110;
    struct Row {
        uint32_t layout;
        std::vector<uint8_t> chroma;
    };
    const Row rows[] = {
        {0, {uRed, uBlue, vRed, vBlue}}, {1, {vRed, uRed, vBlue, uBlue}}, {2, {uRed, vRed, uBlue, vBlue}}};
    for (const Row& row : rows) {
        std::vector<uint8_t> yuv(12);
        TextureKernels::RGB24ToYUV420(rgb.data(), yuv.data(), row.layout, 4, 2);
        EXPECT_EQ(std::vector<uint8_t>(yuv.begin() + 8, yuv.end()), row.chroma) << row.layout;
        std::vector<uint8_t> back(24);
        TextureKernels::YUV420ToRGB24(yuv.data(), back.data(), row.layout, 4, 2);
        EXPECT_NEAR(back[0], 255, 3);
        EXPECT_NEAR(back[11], 255, 3);
    }
    std::vector<uint8_t> yuv(12);
    EXPECT_THROW(TextureKernels::RGB24ToYUV420(rgb.data(), yuv.data(), 3, 4, 2), std::runtime_error);
    EXPECT_THROW(TextureKernels::YUV420ToBGR24(yuv.data(), yuv.data(), 6, 4, 2), std::runtime_error);
}

TEST(ColourConversion, YuvToRgbAndBgrVectors)
{
    // Rows: Y, U, V, then the expected R, G, B of the 2 x 2 block, through each layout.
    const std::array<uint8_t, 6> rows[] = {
        {16, 128, 128, 0, 0, 0}, {235, 128, 128, 254, 254, 254}, {82, 90, 239, 253, 1, 0}};
    for (const auto& [y, u, v, r, g, b] : rows) {
        const std::vector<uint8_t> rgb = solidImage(2, 2, r, g, b), bgr = solidImage(2, 2, b, g, r);
        auto nvx = MakeTexture<DataTypeTextureYUV_NVX>(2, 3, {y, y, y, y, u, v});
        auto nv21 = MakeTexture<DataTypeTextureYUV_NV21>(2, 3, {y, y, y, y, v, u});
        EXPECT_EQ(Pixels(Converter::ConvertFromNVXtoRGB(nvx)), rgb) << int(y);
        EXPECT_EQ(
            Pixels(Converter::ConvertFromNV12toBGR(MakeTexture<DataTypeTextureYUV_NV12>(2, 3, {y, y, y, y, u, v}))),
            bgr);
        auto fromNv21 = Converter::ConvertFromNV21toBGR(nv21);
        EXPECT_EQ((std::tuple{Pixels(fromNv21), fromNv21->GetPurposeGuid()}), std::tuple(bgr, kSourcePurpose));
    }
}

TEST(ColourConversion, InterleavedChromaSplitsIntoNvxHalves)
{
    // Width 16: the chroma row holds 8 pairs (first 100 + i, second 200 + i); NVX wants U, then V.
    std::vector<uint8_t> block(32, 7), firsts, seconds;
    for (uint8_t i = 0; i < 8; ++i) {
        block.insert(block.end(), {uint8_t(100 + i), uint8_t(200 + i)});
        firsts.push_back(uint8_t(100 + i)), seconds.push_back(uint8_t(200 + i));
    }
    auto chromaOf = [](const std::shared_ptr<DataTypeTextureYUV_NVX>& nvx) {
        const std::vector<uint8_t> bytes = Pixels(nvx);
        return std::pair(std::vector<uint8_t>(bytes.begin() + 32, bytes.begin() + 40),
                         std::vector<uint8_t>(bytes.begin() + 40, bytes.end()));
    };
    auto nv12 = MakeTexture<DataTypeTextureYUV_NV12>(16, 3, block);
    auto fromNv12 = Converter::ConvertFromNV12toNVX(nv12, kResultPurpose);
    EXPECT_EQ((std::tuple{chromaOf(fromNv12),
                          chromaOf(Converter::ConvertFromNV21toNVX(MakeTexture<DataTypeTextureYUV_NV21>(16, 3, block),
                                                                   kResultPurpose)),
                          Pixels(Converter::ConvertFromNVXtoRGB(fromNv12))}),
              std::tuple(std::pair(firsts, seconds), std::pair(seconds, firsts),
                         Pixels(Converter::ConvertFromNV12toRGB(nv12))));
}

TEST(ColourConversion, SwapsRedAndBlue)
{
    std::vector<uint8_t> pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}, out(15);
    const std::vector<uint8_t> original = pixels, swapped = {3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10, 15, 14, 13};
    Converter::RGB24_to_BGR24(pixels.data(), out.data(), 5);
    EXPECT_EQ(out, swapped);
    Converter::BGR24_to_RGB24(pixels.data(), pixels.data(), 5); // in place
    EXPECT_EQ(pixels, swapped);
    auto bgr = Converter::ConvertFromRGBtoBGR(MakeTexture<DataTypeTextureRGB>(5, 1, out));
    EXPECT_EQ((std::tuple{Pixels(bgr), Pixels(Converter::ConvertFromBGRtoRGB(bgr))}), std::tuple(original, out));
}

TEST(ColourConversion, RgbToHslVectors)
{
    struct Row {
        uint8_t r, g, b;
        uint8_t h, s, l;
    };
    const Row rows[] = {
        {255, 0, 0, 0, 255, 127}, {0, 255, 0, 84, 255, 127}, {0, 0, 255, 168, 255, 127}, {77, 77, 77, 0, 0, 77}};
    for (const Row& row : rows) {
        auto rgb = MakeTexture<DataTypeTextureRGB>(1, 1, {row.r, row.g, row.b});
        EXPECT_EQ(Pixels(Converter::ConvertFromRGB24toHSL24(rgb)), (std::vector<uint8_t>{row.h, row.s, row.l}));
    }
    // HSL30: widened channels, hue capped at 1019 where the rounding would give 1020.
    auto toWord = [](const std::vector<uint8_t>& bytes) {
        return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
    };
    auto red = MakeTexture<DataTypeTextureRGB>(1, 1, {255, 0, 0});
    EXPECT_EQ(toWord(Pixels(Converter::ConvertFromRGB24toHSL30(red))), 0u | 1023u << 10 | 511u << 20);
    const uint32_t nearRed = 1023 | 0 << 10 | 1 << 20;
    auto rgb30 = MakeTexture<DataTypeTextureRGB30>(
        1, 1, {uint8_t(nearRed), uint8_t(nearRed >> 8), uint8_t(nearRed >> 16), uint8_t(nearRed >> 24)});
    EXPECT_EQ(toWord(Pixels(Converter::ConvertFromRGB30toHSL30(rgb30))) & 0x3FF, 1019u);
}

TEST(ColourConversion, HslRoundTripsThroughRgb)
{
    const std::vector<uint8_t> rgb = RgbImage(32, 32, [](uint32_t x, uint32_t y) {
        return std::array{x * 8, y * 8, (x * 5 + y * 3) % 256};
    });
    auto source = MakeTexture<DataTypeTextureRGB>(32, 32, rgb);
    EXPECT_GT(Psnr(Pixels(Converter::ConvertFromHSL24toRGB24(Converter::ConvertFromRGB24toHSL24(source))), rgb), 30.0);
    EXPECT_GT(Psnr(Pixels(Converter::ConvertFromHSL30toRGB24(Converter::ConvertFromRGB24toHSL30(source))), rgb), 40.0);
}

TEST(ColourConversion, YuvKernelMatchesTheAccessorSumsForEveryLuma)
{
    // One row pair per (U, V) on a grid of steps of 3; its 64 blocks hold every luma 0-255.
    const uint32_t width = 128;
    std::vector<std::pair<uint8_t, uint8_t>> chroma;
    for (uint32_t u = 0; u < 256; u += 3)
        for (uint32_t v = 0; v < 256; v += 3)
            chroma.emplace_back(uint8_t(u), uint8_t(v));
    const uint32_t height = uint32_t(chroma.size()) * 2;
    std::vector<uint8_t> nvx(size_t(width) * height * 3 / 2);
    for (uint32_t pair = 0; pair < chroma.size(); ++pair) {
        uint8_t* top = nvx.data() + size_t(width) * 2 * pair;
        for (uint32_t block = 0; block < 64; ++block) {
            top[2 * block] = uint8_t(4 * block), top[2 * block + 1] = uint8_t(4 * block + 1);
            top[width + 2 * block] = uint8_t(4 * block + 2), top[width + 2 * block + 1] = uint8_t(4 * block + 3);
        }
        uint8_t* row = nvx.data() + size_t(width) * height + size_t(width) * pair;
        std::fill(row, row + 64, chroma[pair].first);
        std::fill(row + 64, row + 128, chroma[pair].second);
    }
    std::vector<uint8_t> rgb(size_t(width) * height * 3);
    TextureKernels::YUV420ToRGB24(nvx.data(), rgb.data(), 0, width, height);
    for (size_t i = 0; i < size_t(width) * height; ++i) {
        const auto [u, v] = chroma[i / width / 2];
        const uint32_t expected = PixelConversion::YuvToRgb<10, 255, 8>(nvx[i], u, v);
        const uint32_t got = uint32_t(rgb[3 * i]) | uint32_t(rgb[3 * i + 1]) << 8 | uint32_t(rgb[3 * i + 2]) << 16;
        ASSERT_EQ(got, expected) << "Y " << int(nvx[i]) << " U " << int(u) << " V " << int(v);
    }
}
