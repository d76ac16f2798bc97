#include "ConverterTestUtil.h"

#include <astcenc.h>
#include <gtest/gtest.h>

#include <thread>

using namespace Hyx;
using namespace HyxTest;
using Converter = TextureFormatConverter;

namespace {

std::vector<uint8_t> astc(const std::vector<uint8_t>& rgb, uint16_t w, uint16_t h)
{
    return Pixels(Converter::ConvertFromRGBtoASTC(MakeTexture<DataTypeTextureRGB>(w, h, rgb), kResultPurpose, 0));
}

// RGB of 8 x 8 blocks, decoded by the codec.
std::vector<uint8_t> decode(const std::vector<uint8_t>& blocks, uint32_t w, uint32_t h)
{
    astcenc_config config;
    astcenc_context* context = nullptr;
    EXPECT_EQ((std::tuple{astcenc_config_init(ASTCENC_PRF_LDR, 8, 8, 1, ASTCENC_PRE_MEDIUM, ASTCENC_FLG_DECOMPRESS_ONLY,
                                              &config),
                          astcenc_context_alloc(&config, 1, &context)}),
              std::tuple(ASTCENC_SUCCESS, ASTCENC_SUCCESS));
    std::vector<uint8_t> rgba(size_t(w) * h * 4);
    void* planes[1] = {rgba.data()};
    astcenc_image image{w, h, 1, ASTCENC_TYPE_U8, planes};
    const astcenc_swizzle swizzle{ASTCENC_SWZ_R, ASTCENC_SWZ_G, ASTCENC_SWZ_B, ASTCENC_SWZ_A};
    EXPECT_EQ(astcenc_decompress_image(context, blocks.data(), blocks.size(), &image, &swizzle, 0), ASTCENC_SUCCESS);
    astcenc_context_free(context);
    std::vector<uint8_t> rgb(size_t(w) * h * 3);
    for (size_t i = 0; i < size_t(w) * h; ++i)
        std::copy_n(&rgba[4 * i], 3, &rgb[3 * i]);
    return rgb;
}

const std::vector<uint8_t> kBlack = {0xFC, 0xFD, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                     0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF};

} // namespace

TEST(AstcCoding, SolidBlackBlockAndThePrintedLines)
{
    testing::internal::CaptureStdout();
    const auto blocks = astc(solidImage(8, 8, 0, 0, 0), 8, 8);
    EXPECT_EQ((std::tuple{testing::internal::GetCapturedStdout(), blocks}),
              std::tuple("compression type 0 \n1 blocks to process ..\n", kBlack));
    // The BGR and YUV routines print the block count only; YUV black gives the same block.
    testing::internal::CaptureStdout();
    Converter::ConvertFromBGRtoASTC(MakeTexture<DataTypeTextureBGR>(8, 8, solidImage(8, 8, 0, 0, 0)), kResultPurpose,
                                    1);
    std::vector<uint8_t> nv12(64, 16);
    nv12.insert(nv12.end(), 32, 128);
    EXPECT_EQ((std::tuple{Pixels(Converter::ConvertFromNV12toASTC(MakeTexture<DataTypeTextureYUV_NV12>(8, 12, nv12),
                                                                  kResultPurpose, 0)),
                          testing::internal::GetCapturedStdout()}),
              std::tuple(kBlack, "1 blocks to process ..\n1 blocks to process ..\n"));
}

TEST(AstcCoding, BlocksInRasterOrderChannelsAndTheCap)
{
    // Black over (or left of) white: the black block comes first.
    for (auto [w, h] : {std::pair{16, 8}, std::pair{8, 16}}) {
        const auto rgb = RgbImage(w, h, [&](int x, int y) {
            const uint8_t v = (w > h ? x : y) < 8 ? 0 : 200;
            return std::array{v, v, v};
        });
        const auto blocks = astc(rgb, uint16_t(w), uint16_t(h));
        ASSERT_EQ(blocks.size(), 32u);
        EXPECT_EQ(std::vector<uint8_t>(blocks.begin(), blocks.begin() + 16), kBlack);
        EXPECT_NE(std::vector<uint8_t>(blocks.begin() + 16, blocks.end()), kBlack);
    }
    const auto rgb = texturedImage(16, 16);
    EXPECT_EQ((std::tuple{Pixels(Converter::ConvertFromBGRtoASTC(
                              MakeTexture<DataTypeTextureBGR>(16, 16, swapRedBlue(rgb)), kResultPurpose, 0)),
                          astc(solidImage(8, 8, 255, 255, 255), 8, 8)}),
              std::tuple(astc(rgb, 16, 16), astc(solidImage(8, 8, 254, 254, 254), 8, 8)));
    // 12 x 8 blocks would not fit W x H / 4 bytes.
    EXPECT_THROW(astc({}, 12, 8), std::runtime_error);
    EXPECT_THROW(astc({}, 8, 12), std::runtime_error);
}

TEST(AstcCoding, PsnrFloorOnTheSmoothImage)
{
    const auto smooth = smoothImage(128, 64);
    EXPECT_GE(Psnr(smooth, decode(astc(smooth, 128, 64), 128, 64)), 30.0);
}

TEST(AstcCoding, ConcurrentConversionsShareTheContextSafely)
{
    const auto rgb = texturedImage(64, 32);
    const auto expected = astc(rgb, 64, 32);
    std::vector<std::vector<uint8_t>> results(3);
    std::vector<std::thread> threads;
    for (auto& result : results)
        threads.emplace_back([&] { result = astc(rgb, 64, 32); });
    for (auto& thread : threads)
        thread.join();
    for (const auto& result : results)
        EXPECT_EQ(result, expected);
}
