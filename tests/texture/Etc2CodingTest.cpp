#include "ConverterTestUtil.h"

#include "texture/Etc2Codec.h"

#include <gtest/gtest.h>

#include <array>
#include <random>

using namespace Hyx;
using namespace HyxTest;
using Converter = TextureFormatConverter;
using Mode = Etc2Codec::Mode;

namespace {

using Block = std::array<uint8_t, 48>;

// A block from colour(x, y) -> {r, g, b}.
template <class Colour>
Block block(Colour colour)
{
    Block b{};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const auto c = colour(x, y);
            for (int k = 0; k < 3; ++k)
                b[(y * 4 + x) * 3 + k] = uint8_t(c[k]);
        }
    return b;
}

// Decodes bits, checks the decoder sees the colours the encoder measured; returns the mode.
Mode decodeAndCheck(const Block& source, uint64_t bits, uint32_t error)
{
    Block decoded{};
    const Mode mode = Etc2Codec::DecodeBlock(bits, decoded.data(), 12);
    EXPECT_EQ(Etc2Codec::BlockError(source.data(), decoded.data()), error);
    return mode;
}

std::vector<uint8_t> etc2RoundTrip(const std::vector<uint8_t>& rgb, uint32_t w, uint32_t h, bool thorough,
                                   unsigned threads = 1)
{
    std::vector<uint8_t> blocks(size_t(w) * h / 2), decoded(rgb.size());
    Etc2Codec::Encode(rgb.data(), w, h, blocks.data(), thorough, threads);
    Etc2Codec::Decode(blocks.data(), w, h, decoded.data());
    return decoded;
}

} // namespace

TEST(Etc2Coding, SolidBlackGivesTheRunLengthPattern)
{
    const std::vector<uint8_t> kBlack = {0x00, 0x00, 0x00, 0x02, 0xFF, 0xFF, 0xFF, 0xFF};
    auto etc2 = Converter::ConvertFromRGBtoETC2(MakeTexture<DataTypeTextureRGB>(4, 4, solidImage(4, 4, 0, 0, 0)),
                                                kResultPurpose);
    EXPECT_EQ((std::tuple{Pixels(etc2), etc2->GetPurposeGuid()}), std::tuple(kBlack, kResultPurpose));
}

TEST(Etc2Coding, EveryModeDecodesToTheColoursTheEncoderChose)
{
    struct Row {
        const char* name;
        Block texels;
        Mode mode;
    };
    const Row rows[] = {
        // Halves too far apart for a 3-bit delta.
        {"individual", block([](int x, int y) {
             return std::array{x < 2 ? 10 + y : 240 - y, 30, x < 2 ? 200 : 20};
         }),
         Mode::Individual},
        // Luminance texture over two close base colours.
        {"differential", block([](int x, int y) {
             const int v = (x * 5 + y * 3) % 4 * 6;
             return x < 2 ? std::array{100 + v, 90 + v, 80 + v} : std::array{110 + v, 95 + v, 84 + v};
         }),
         Mode::Differential},
        // A lone 4-bit colour beside three greys a distance apart: exact in T only.
        {"T", block([](int x, int y) {
             const int grey = 136 + 32 * ((x + y) % 3 - 1);
             return x == 0 && y == 0 ? std::array{0xEE, 0x11, 0x22} : std::array{grey, grey, grey};
         }),
         Mode::T},
        // Two 4-bit colours in a checkerboard, each a distance either way: exact in H only.
        {"H", block([](int x, int y) {
             const int d = (x / 2 + y / 2) % 2 ? 11 : -11;
             return (x ^ y) & 1 ? std::array{0xCC + d, 0x44 + d, 0x22 + d} : std::array{0x22 + d, 0x55 + d, 0xCC + d};
         }),
         Mode::H},
        {"planar", block([](int x, int y) {
             return std::array{20 + 13 * x, 200 - 9 * y, 60 + 7 * x + 5 * y};
         }),
         Mode::Planar},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        uint32_t error, bestError;
        const uint64_t bits = Etc2Codec::EncodeBlock(row.texels.data(), row.mode, false, &error);
        EXPECT_EQ(decodeAndCheck(row.texels, bits, error), row.mode);
        const uint64_t best = Etc2Codec::EncodeBlock(row.texels.data(), Mode::Best, false, &bestError);
        EXPECT_EQ(decodeAndCheck(row.texels, best, bestError), row.mode);
    }
}

TEST(Etc2Coding, RandomBlocksDecodeAsMeasuredAndBestIsTheLeastOfTheModes)
{
    std::mt19937 random(7);
    const Mode modes[] = {Mode::Differential, Mode::T, Mode::H, Mode::Planar};
    for (int n = 0; n < 300; ++n) {
        // Mix noise levels so every mode wins sometimes.
        const int spread = 4 << (n % 6), base = int(random() % 200);
        Block texels;
        for (uint8_t& v : texels)
            v = uint8_t(std::clamp(base + int(random() % uint32_t(spread)) - spread / 2, 0, 255));
        for (bool thorough : {false, true}) {
            uint32_t bestError = 0;
            const uint64_t best = Etc2Codec::EncodeBlock(texels.data(), Mode::Best, thorough, &bestError);
            decodeAndCheck(texels, best, bestError);
            for (Mode mode : modes) {
                uint32_t error;
                const uint64_t bits = Etc2Codec::EncodeBlock(texels.data(), mode, thorough, &error);
                if (error == UINT32_MAX)
                    continue;
                decodeAndCheck(texels, bits, error);
                // The fast search may stop at a good-enough planar block.
                if (thorough) {
                    EXPECT_LE(bestError, error);
                }
            }
        }
    }
}

TEST(Etc2Coding, UniformBlocksKeepTheirColourClosely)
{
    for (int v : {0, 1, 77, 128, 200, 254}) {
        const Block texels = block([&](int, int) { return std::array{v, 255 - v, v / 2}; });
        uint32_t error;
        const uint64_t bits = Etc2Codec::EncodeBlock(texels.data(), Mode::Best, false, &error);
        EXPECT_EQ(decodeAndCheck(texels, bits, error), Mode::Differential);
        EXPECT_LE(error, 16u * 1000u * 9u); // within 3 levels in every channel
    }
}

TEST(Etc2Coding, ConverterKeepsBlockOrderChannelsAndTheCap)
{
    // 16 x 8 and 8 x 16 of solid blocks: blocks in raster order.
    for (auto [w, h] : {std::pair{16u, 8u}, std::pair{8u, 16u}}) {
        const auto rgb = RgbImage(w, h, [&](uint32_t x, uint32_t y) {
            return std::array{x / 4 * 60, y / 4 * 60, 30u};
        });
        auto etc2 = Pixels(Converter::ConvertFromRGBtoETC2(
            MakeTexture<DataTypeTextureRGB>(uint16_t(w), uint16_t(h), rgb), kResultPurpose));
        std::vector<uint8_t> expected;
        for (uint32_t by = 0; by < h / 4; ++by)
            for (uint32_t bx = 0; bx < w / 4; ++bx) {
                const auto& one = Pixels(Converter::ConvertFromRGBtoETC2(
                    MakeTexture<DataTypeTextureRGB>(4, 4, solidImage(4, 4, uint8_t(bx * 60), uint8_t(by * 60), 30)),
                    kResultPurpose));
                expected.insert(expected.end(), one.begin(), one.end());
            }
        EXPECT_EQ(etc2, expected) << w << "x" << h;
    }
    // BGR (b, g, r) codes as RGB (r, g, b); white as 254.
    const auto rgb = texturedImage(32, 16);
    const auto fromRgb =
        Pixels(Converter::ConvertFromRGBtoETC2(MakeTexture<DataTypeTextureRGB>(32, 16, rgb), kResultPurpose));
    EXPECT_EQ(
        (std::tuple{Pixels(Converter::ConvertFromBGRtoETC2(MakeTexture<DataTypeTextureBGR>(32, 16, swapRedBlue(rgb)),
                                                           kResultPurpose)),
                    Pixels(Converter::ConvertFromRGBtoETC2(
                        MakeTexture<DataTypeTextureRGB>(4, 4, solidImage(4, 4, 255, 255, 255)), kResultPurpose))}),
        std::tuple(fromRgb,
                   Pixels(Converter::ConvertFromRGBtoETC2(
                       MakeTexture<DataTypeTextureRGB>(4, 4, solidImage(4, 4, 254, 254, 254)), kResultPurpose))));
    // YUV codes as its RGB conversion.
    auto nvx = Converter::ConvertFromRGBtoNVX(MakeTexture<DataTypeTextureRGB>(32, 16, rgb), kResultPurpose);
    EXPECT_EQ(Pixels(Converter::ConvertFromNVXtoETC2(nvx, kResultPurpose)),
              Pixels(Converter::ConvertFromRGBtoETC2(Converter::ConvertFromNVXtoRGB(nvx), kResultPurpose)));
    EXPECT_THROW(Converter::ConvertFromRGBtoETC2(MakeTexture<DataTypeTextureRGB>(6, 4), kResultPurpose),
                 std::runtime_error);
}

TEST(Etc2Coding, PsnrFloorsAndTheFastSearchNearTheThoroughOne)
{
    const auto smooth = smoothImage(256, 256);
    EXPECT_GE(Psnr(smooth, etc2RoundTrip(smooth, 256, 256, false)), 40.0);
    const auto textured = texturedImage(128, 128);
    const double fast = Psnr(textured, etc2RoundTrip(textured, 128, 128, false, 4));
    const double thorough = Psnr(textured, etc2RoundTrip(textured, 128, 128, true));
    EXPECT_GE(fast, 33.0);
    EXPECT_GE(fast, thorough - 0.5);
}
