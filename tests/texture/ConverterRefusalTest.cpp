#include "ConverterTestUtil.h"
#include "LargestAllocation.h"

#include <gtest/gtest.h>

#include <functional>

using namespace Hyx;
using namespace HyxTest;
using Converter = TextureFormatConverter;

TEST(ConverterRefusal, SizesTheKernelsCannotHandleAreRefusedBeforeAnyWrite)
{
    struct Row {
        const char* name;
        std::function<void()> convert;
    };
    const Row rows[] = {
        {"RGB 3x2 to NVX",
         [] { Converter::ConvertFromRGBtoNVX(MakeTexture<DataTypeTextureRGB>(3, 2), kResultPurpose); }},
        {"BGR 2x3 to NVX",
         [] { Converter::ConvertFromBGRtoNVX(MakeTexture<DataTypeTextureBGR>(2, 3), kResultPurpose); }},
        {"RGB 2x43692 to NVX (stored height past 16 bits)",
         [] { Converter::ConvertFromRGBtoNVX(MakeTexture<DataTypeTextureRGB>(2, 43692), kResultPurpose); }},
        {"NV12 width 3 to RGB", [] { Converter::ConvertFromNV12toRGB(MakeTexture<DataTypeTextureYUV_NV12>(3, 3)); }},
        {"NVX luma height 3 to BGR", [] { Converter::ConvertFromNVXtoBGR(MakeTexture<DataTypeTextureYUV_NVX>(2, 5)); }},
        {"NV21 width 5 to NVX",
         [] { Converter::ConvertFromNV21toNVX(MakeTexture<DataTypeTextureYUV_NV21>(5, 3), kResultPurpose); }},
        {"Bayer 7x8 to NVX",
         [] { Converter::ConvertFromBayerRGGBtoNVX(MakeTexture<DataTypeTextureBayerRGGB>(7, 8), kResultPurpose); }},
        {"Bayer 2x2 to NVX",
         [] { Converter::ConvertFromBayerGBRGtoNVX(MakeTexture<DataTypeTextureBayerGBRG>(2, 2), kResultPurpose); }},
        {"Bayer 8x5 to RGB30",
         [] { Converter::ConvertFromBayerBGGRtoRGB30(MakeTexture<DataTypeTextureBayerBGGR>(8, 5)); }},
        {"Bayer 4x2 to RGB30",
         [] { Converter::ConvertFromBayerGRBGtoRGB30(MakeTexture<DataTypeTextureBayerGRBG>(4, 2)); }},
        {"RGB 6x4 to DXT1",
         [] { Converter::ConvertFromRGBtoDXT1(MakeTexture<DataTypeTextureRGB>(6, 4), kResultPurpose); }},
        {"BGR 4x6 to DXT5-YCoCg",
         [] { Converter::ConvertFromBGRtoDXT5YCOCG(MakeTexture<DataTypeTextureBGR>(4, 6), kResultPurpose); }},
        {"NV12 6x4 to DXT1",
         [] { Converter::ConvertFromNV12toDXT1(MakeTexture<DataTypeTextureYUV_NV12>(6, 6), kResultPurpose); }},
        {"DXT1 6x4 to RGB", [] { Converter::ConvertFromDXT1toRGB(MakeTexture<DataTypeTextureDXT1>(6, 4)); }},
        {"DXT5-YCoCg 4x2 to RGB",
         [] { Converter::ConvertFromDXT5YCOCGtoRGB(MakeTexture<DataTypeTextureDXT5YCOCG>(4, 2)); }},
    };
    for (const Row& row : rows) {
        try {
            row.convert();
            ADD_FAILURE() << row.name << ": no exception";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "Texture format conversion not supported.") << row.name;
        }
    }
}

// A size the blocks cannot tile is refused before anything is allocated, from every source:
// a YUV source's colour conversion (three bytes a pixel) comes after the check.
TEST(ConverterRefusal, BlockSizesAreRefusedBeforeTheColourConversion)
{
    constexpr uint16_t W = 1020, H = 1020; // multiples of 4, not of 8
    constexpr uint16_t STORED = H * 3 / 2;
    const auto nv12 = MakeTexture<DataTypeTextureYUV_NV12>(W, STORED);
    const auto nv21 = MakeTexture<DataTypeTextureYUV_NV21>(W, STORED);
    const auto nvx = MakeTexture<DataTypeTextureYUV_NVX>(W, STORED);
    const auto rgb = MakeTexture<DataTypeTextureRGB>(W, H);
    const auto bgr = MakeTexture<DataTypeTextureBGR>(W, H);
    const auto oddNv12 = MakeTexture<DataTypeTextureYUV_NV12>(W + 2, STORED);
    struct Row {
        const char* name;
        std::function<void()> convert;
    };
    const Row rows[] = {
        {"NV12 to ASTC", [&] { Converter::ConvertFromNV12toASTC(nv12, kResultPurpose, 0); }},
        {"NV21 to ASTC", [&] { Converter::ConvertFromNV21toASTC(nv21, kResultPurpose, 0); }},
        {"NVX to ASTC", [&] { Converter::ConvertFromNVXtoASTC(nvx, kResultPurpose, 0); }},
        {"RGB to ASTC", [&] { Converter::ConvertFromRGBtoASTC(rgb, kResultPurpose, 0); }},
        {"BGR to ASTC", [&] { Converter::ConvertFromBGRtoASTC(bgr, kResultPurpose, 0); }},
        {"NV12 width 1022 to ETC2", [&] { Converter::ConvertFromNV12toETC2(oddNv12, kResultPurpose); }},
        {"NV12 width 1022 to DXT1", [&] { Converter::ConvertFromNV12toDXT1(oddNv12, kResultPurpose); }},
        {"NV12 width 1022 to DXT5-YCoCg", [&] { Converter::ConvertFromNV12toDXT5YCOCG(oddNv12, kResultPurpose); }},
    };
    for (const Row& row : rows) {
        LargestAllocation::Reset();
        try {
            row.convert();
            ADD_FAILURE() << row.name << ": no exception";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "Texture format conversion not supported.") << row.name;
        }
        EXPECT_LT(LargestAllocation::Get(), size_t(W) * H) << row.name;
    }
}

TEST(ConverterRefusal, MissingSourcesOrPixelsGiveEmptyResults)
{
    auto shortPayload = std::make_shared<DataTypeTextureRGB>();
    uint8_t header[] = {4, 0, 4, 0, 1, 2, 3}; // 4 x 4 announced, 3 bytes present
    shortPayload->InitializeData(header, sizeof header);
    ASSERT_EQ(shortPayload->GetDataPtr(), nullptr);
    EXPECT_EQ((std::tuple{Converter::ConvertFromRGBtoDXT1(shortPayload, kResultPurpose),
                          Converter::ConvertFromRGBtoNVX(shortPayload, kResultPurpose),
                          Converter::ConvertFromRGB24toHSL24(shortPayload), Converter::ConvertFromRGBtoBGR(nullptr),
                          Converter::ConvertFromNV12toNVX(nullptr, kResultPurpose),
                          Converter::ConvertFromBayerRGGBtoRGB30(std::make_shared<DataTypeTextureBayerRGGB>()),
                          Converter::ConvertFromDXT1toRGB(std::make_shared<DataTypeTextureDXT1>())}),
              std::tuple(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
}

TEST(ConverterRefusal, ImagesWithoutLumaRowsGiveEmptyResultsLikeEveryOtherEmptyImage)
{
    // One stored row of a YUV texture holds bytes but no luma row: an 8 x 0 image.
    auto nv12 = MakeTexture<DataTypeTextureYUV_NV12>(8, 1);
    auto nv21 = MakeTexture<DataTypeTextureYUV_NV21>(8, 1);
    auto nvx = MakeTexture<DataTypeTextureYUV_NVX>(8, 1);
    ASSERT_TRUE(nv12->GetDataPtr() && nv21->GetDataPtr() && nvx->GetDataPtr());
    ASSERT_EQ((std::tuple{nv12->GetWidth(), nv12->GetHeight()}), std::tuple(8, 0));
    struct Row {
        const char* name;
        std::function<std::shared_ptr<DataTypeTextureBase>()> convert;
    };
    const Row rows[] = {
        {"NV12 to NVX", [&] { return Converter::ConvertFromNV12toNVX(nv12, kResultPurpose); }},
        {"NV21 to NVX", [&] { return Converter::ConvertFromNV21toNVX(nv21, kResultPurpose); }},
        // The siblings already answered so.
        {"NV12 to RGB", [&] { return Converter::ConvertFromNV12toRGB(nv12); }},
        {"NV21 to BGR", [&] { return Converter::ConvertFromNV21toBGR(nv21); }},
        {"NVX to RGB", [&] { return Converter::ConvertFromNVXtoRGB(nvx); }},
        {"RGB 8x0 to NVX",
         [] { return Converter::ConvertFromRGBtoNVX(MakeTexture<DataTypeTextureRGB>(8, 0), kResultPurpose); }},
        {"RGB 0x8 to NVX",
         [] { return Converter::ConvertFromRGBtoNVX(MakeTexture<DataTypeTextureRGB>(0, 8), kResultPurpose); }},
        {"NV12 0x12 to NVX",
         [] { return Converter::ConvertFromNV12toNVX(MakeTexture<DataTypeTextureYUV_NV12>(0, 12), kResultPurpose); }},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.convert(), nullptr) << row.name;
}
