#include "ConverterTestUtil.h"

#include "texture/PixelKernels.h"
#include "texture/RGBDXT5Convertor.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>

using namespace Hyx;
using namespace HyxTest;
using Converter = TextureFormatConverter;

namespace {

const std::vector<uint8_t> kBlackDxt1 = {0x00, 0x00, 0x00, 0x00, 0xAA, 0xAA, 0xAA, 0xAA};

std::vector<uint8_t> dxt1RoundTrip(const std::vector<uint8_t>& rgb, uint16_t w, uint16_t h)
{
    auto dxt = Converter::ConvertFromRGBtoDXT1(MakeTexture<DataTypeTextureRGB>(w, h, rgb), kResultPurpose);
    return Pixels(Converter::ConvertFromDXT1toRGB(dxt));
}

std::vector<uint8_t> ycocgRoundTrip(const std::vector<uint8_t>& rgb, uint16_t w, uint16_t h)
{
    auto dxt = Converter::ConvertFromRGBtoDXT5YCOCG(MakeTexture<DataTypeTextureRGB>(w, h, rgb), kResultPurpose);
    return Pixels(Converter::ConvertFromDXT5YCOCGtoRGB(dxt));
}

} // namespace

TEST(DxtCoding, GreyKeepsNeutralChromaAndZeroScale)
{
    for (uint8_t grey : {uint8_t(0), uint8_t(76), uint8_t(77), uint8_t(200), uint8_t(253)}) {
        auto dxt = Converter::ConvertFromRGBtoDXT5YCOCG(
            MakeTexture<DataTypeTextureRGB>(4, 4, solidImage(4, 4, grey, grey, grey)), kResultPurpose);
        const std::vector<uint8_t> block = Pixels(dxt);
        ASSERT_EQ(block.size(), 16u);
        // Colour endpoints (RGB565 at bytes 8-11): blue, the scale, is 0.
        EXPECT_EQ(block[8] & 0x1F, 0) << int(grey);
        EXPECT_EQ(block[10] & 0x1F, 0) << int(grey);
        const uint8_t luma = uint8_t(grey % 2 ? grey + 1 : grey); // the +1 bias of odd greys
        const std::vector<uint8_t> decoded = Pixels(Converter::ConvertFromDXT5YCOCGtoRGB(dxt));
        for (uint8_t value : decoded)
            EXPECT_NEAR(value, luma, 2) << int(grey);
    }
}

TEST(DxtCoding, SolidBlocksRunLeftToRightThenDown)
{
    // 8 x 8: top-left black, top-right white, bottom row red.
    const std::vector<uint8_t> rgb = RgbImage(8, 8, [](uint32_t x, uint32_t y) {
        return y >= 4 ? std::array{255, 0, 0} : x < 4 ? std::array{0, 0, 0} : std::array{255, 255, 255};
    });
    const std::vector<uint8_t> blocks =
        Pixels(Converter::ConvertFromRGBtoDXT1(MakeTexture<DataTypeTextureRGB>(8, 8, rgb), kResultPurpose));
    ASSERT_EQ(blocks.size(), 32u);
    EXPECT_EQ(std::vector<uint8_t>(blocks.begin(), blocks.begin() + 8), kBlackDxt1);
    auto blockOf = [](uint8_t r, uint8_t g, uint8_t b) {
        return Pixels(Converter::ConvertFromRGBtoDXT1(MakeTexture<DataTypeTextureRGB>(4, 4, solidImage(4, 4, r, g, b)),
                                                      kResultPurpose));
    };
    EXPECT_EQ((std::tuple{std::vector<uint8_t>(blocks.begin() + 8, blocks.begin() + 16),
                          std::vector<uint8_t>(blocks.begin() + 24, blocks.end())}),
              std::tuple(blockOf(255, 255, 255), blockOf(255, 0, 0)));
    EXPECT_EQ(blockOf(255, 255, 255), blockOf(254, 254, 254)); // white is coded as 254
    // Black from YUV (16, 128, 128) codes to the run-length pattern too.
    std::vector<uint8_t> nv12(16, 16);
    nv12.insert(nv12.end(), 8, 128);
    EXPECT_EQ(
        Pixels(Converter::ConvertFromNV12toDXT1(MakeTexture<DataTypeTextureYUV_NV12>(4, 6, nv12), kResultPurpose)),
        kBlackDxt1);
}

TEST(DxtCoding, ChannelOrderOfEverySourceMatchesRgb)
{
    const uint16_t w = 16, h = 8;
    const std::vector<uint8_t> rgb = texturedImage(w, h);
    auto rgbTexture = MakeTexture<DataTypeTextureRGB>(w, h, rgb);
    auto bgrTexture = MakeTexture<DataTypeTextureBGR>(w, h, swapRedBlue(rgb));
    EXPECT_EQ((std::tuple{Pixels(Converter::ConvertFromBGRtoDXT1(bgrTexture, kResultPurpose)),
                          Pixels(Converter::ConvertFromBGRtoDXT5YCOCG(bgrTexture, kResultPurpose))}),
              std::tuple(Pixels(Converter::ConvertFromRGBtoDXT1(rgbTexture, kResultPurpose)),
                         Pixels(Converter::ConvertFromRGBtoDXT5YCOCG(rgbTexture, kResultPurpose))));

    // YUV sources code as their RGB conversion does, red in the red position.
    auto nvx = Converter::ConvertFromRGBtoNVX(rgbTexture, kResultPurpose);
    auto viaRgb = Converter::ConvertFromNVXtoRGB(nvx);
    EXPECT_EQ((std::tuple{Pixels(Converter::ConvertFromNVXtoDXT1(nvx, kResultPurpose)),
                          Pixels(Converter::ConvertFromNVXtoDXT5YCOCG(nvx, kResultPurpose))}),
              std::tuple(Pixels(Converter::ConvertFromRGBtoDXT1(viaRgb, kResultPurpose)),
                         Pixels(Converter::ConvertFromRGBtoDXT5YCOCG(viaRgb, kResultPurpose))));
    std::vector<uint8_t> nv12(size_t(w) * h * 3 / 2), nv21(nv12.size());
    TextureKernels::RGB24ToYUV420(rgb.data(), nv12.data(), 2, w, h);
    TextureKernels::RGB24ToYUV420(rgb.data(), nv21.data(), 1, w, h);
    EXPECT_EQ((std::tuple{Pixels(Converter::ConvertFromNV12toDXT1(MakeTexture<DataTypeTextureYUV_NV12>(w, 12, nv12),
                                                                  kResultPurpose)),
                          Pixels(Converter::ConvertFromNV21toDXT5YCOCG(
                              MakeTexture<DataTypeTextureYUV_NV21>(w, 12, nv21), kResultPurpose))}),
              std::tuple(Pixels(Converter::ConvertFromNVXtoDXT1(nvx, kResultPurpose)),
                         Pixels(Converter::ConvertFromNVXtoDXT5YCOCG(nvx, kResultPurpose))));
}

TEST(DxtCoding, PsnrFloors)
{
    struct Row {
        const char* name;
        std::vector<uint8_t> image;
        double dxt1Floor;
    };
    const Row rows[] = {{"smooth", smoothImage(128, 64), 32.0}, {"textured", texturedImage(256, 128), 32.0}};
    for (const Row& row : rows) {
        const uint16_t w = row.name[0] == 's' ? 128 : 256, h = uint16_t(row.image.size() / 3 / w);
        const double dxt1 = Psnr(dxt1RoundTrip(row.image, w, h), row.image);
        const double ycocg = Psnr(ycocgRoundTrip(row.image, w, h), row.image);
        EXPECT_GE(dxt1, row.dxt1Floor) << row.name;
        EXPECT_GE(ycocg, dxt1 + 2.0) << row.name;
        std::printf("%s: DXT1 %.2f dB, DXT5-YCoCg %.2f dB\n", row.name, dxt1, ycocg);
    }
}

TEST(DxtCoding, PartialBlocksRepeatEdgePixels)
{
    // Width 5: the second block column holds only column 4, repeated as 0 0 0 0.
    const std::vector<uint8_t> rgb = RgbImage(5, 6, [](uint32_t x, auto) {
        return x == 4 ? std::array{0, 0, 0} : std::array{200, 30, 90};
    });
    RGBDXT5Convertor convertor;
    convertor.EncodeDXT1FromRGB(rgb.data(), 5, 6);
    const std::vector<uint8_t>& out = convertor.GetOutput();
    ASSERT_EQ(out.size(), 4u * 8);
    EXPECT_EQ(std::vector<uint8_t>(out.begin() + 8, out.begin() + 16), kBlackDxt1);
    EXPECT_EQ(std::vector<uint8_t>(out.begin() + 24, out.end()), kBlackDxt1); // rows 4, 5, 4, 5
    convertor.EncodeDXT5YCoCgFromRGB(rgb.data(), 5, 6);
    EXPECT_EQ(convertor.GetOutput().size(), 4u * 16);
}
