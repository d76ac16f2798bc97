#include "ConverterTestUtil.h"

#include "texture/AstcDriver.h"
#include "texture/RGBDXT5Convertor.h"

#include <astcenc.h>
#include <gtest/gtest.h>

#include <cstring>
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

TEST(AstcCoding, ConfigurationHoldsOurSettingsOverThePreset)
{
    struct Case {
        int quality;
        float preset;
        unsigned partitions, blockModes, refinements;
        float correlation, oneToTwo, dbLimit;
    };
    const Case cases[] = {
        {0, ASTCENC_PRE_MEDIUM, 25, 75, 2, 0.75f, 1.2f, 35.682579f},
        {1, ASTCENC_PRE_THOROUGH, 100, 95, 4, 0.95f, 2.5f, 42.682579f},
        {-3, ASTCENC_PRE_THOROUGH, 100, 95, 4, 0.95f, 2.5f, 42.682579f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.quality);
        astcenc_config config, expected;
        ASSERT_EQ(MakeAstcDriverConfig(c.quality, config), ASTCENC_SUCCESS);
        ASSERT_EQ(astcenc_config_init(ASTCENC_PRF_LDR, 8, 8, 1, c.preset, 0, &expected), ASTCENC_SUCCESS);
        EXPECT_EQ((std::tuple{config.tune_2partition_index_limit, config.tune_3partition_index_limit,
                              config.tune_4partition_index_limit, config.tune_block_mode_limit,
                              config.tune_refinement_limit, config.tune_2_plane_early_out_limit_correlation,
                              config.tune_2_partition_early_out_limit_factor}),
                  std::tuple(c.partitions, c.partitions, c.partitions, c.blockModes, c.refinements, c.correlation,
                             c.oneToTwo));
        EXPECT_FLOAT_EQ(config.tune_db_limit, c.dbLimit);
        EXPECT_EQ((std::array{config.cw_r_weight, config.cw_g_weight, config.cw_b_weight, config.cw_a_weight}),
                  (std::array{1.f, 1.f, 1.f, 1.f}));
        // Everything else as the preset makes it.
        expected.tune_2partition_index_limit = expected.tune_3partition_index_limit =
            expected.tune_4partition_index_limit = c.partitions;
        expected.tune_block_mode_limit = c.blockModes;
        expected.tune_refinement_limit = c.refinements;
        expected.tune_2_plane_early_out_limit_correlation = c.correlation;
        expected.tune_2_partition_early_out_limit_factor = c.oneToTwo;
        expected.tune_db_limit = config.tune_db_limit;
        EXPECT_EQ(std::memcmp(&config, &expected, sizeof config), 0);
    }
}

TEST(AstcCoding, DriverBlocksEqualTheCodecCalledWithItsConfiguration)
{
    constexpr uint32_t w = 64, h = 32;
    const auto rgb = texturedImage(w, h);
    std::vector<uint8_t> rgba(size_t(w) * h * 4, 255);
    for (size_t i = 0; i < size_t(w) * h; ++i)
        ClampColour254<0>(&rgb[3 * i], &rgba[4 * i]);
    void* planes[1] = {rgba.data()};
    astcenc_image image{w, h, 1, ASTCENC_TYPE_U8, planes};
    const astcenc_swizzle swizzle{ASTCENC_SWZ_R, ASTCENC_SWZ_G, ASTCENC_SWZ_B, ASTCENC_SWZ_A};
    auto code = [&](const astcenc_config& config) {
        astcenc_context* context = nullptr;
        std::vector<uint8_t> blocks(size_t(w) * h / 4);
        EXPECT_EQ((std::tuple{astcenc_context_alloc(&config, 1, &context),
                              astcenc_compress_image(context, &image, &swizzle, blocks.data(), blocks.size(), 0)}),
                  std::tuple(ASTCENC_SUCCESS, ASTCENC_SUCCESS));
        astcenc_context_free(context);
        return blocks;
    };
    for (const auto& [quality, preset] : {std::pair{0, ASTCENC_PRE_MEDIUM}, std::pair{1, ASTCENC_PRE_THOROUGH}}) {
        SCOPED_TRACE(quality);
        astcenc_config config, bare;
        ASSERT_EQ(MakeAstcDriverConfig(quality, config), ASTCENC_SUCCESS);
        ASSERT_EQ(astcenc_config_init(ASTCENC_PRF_LDR, 8, 8, 1, preset, 0, &bare), ASTCENC_SUCCESS);
        testing::internal::CaptureStdout();
        const auto driver = Pixels(
            Converter::ConvertFromRGBtoASTC(MakeTexture<DataTypeTextureRGB>(w, h, rgb), kResultPurpose, quality));
        testing::internal::GetCapturedStdout();
        // The settings change the coding of this image, so the driver must hand them over.
        EXPECT_EQ(driver, code(config));
        EXPECT_NE(driver, code(bare));
    }
}
