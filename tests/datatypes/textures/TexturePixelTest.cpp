#include <Hyx/DataTypeTextureBayer.h>
#include <Hyx/DataTypeTextureHSL.h>
#include <Hyx/DataTypeTextureIR.h>
#include <Hyx/DataTypeTextureRGB.h>

#include "TextureTestUtil.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace Hyx;

namespace {

uint32_t rgb(uint32_t r, uint32_t g, uint32_t b)
{
    return r | g << 8 | b << 16;
}

// The preview of a texture into a buffer of exactly the reported size (overruns show under
// the sanitizer), as u32 pixels A << 24 | B << 16 | G << 8 | R.
std::vector<uint32_t> preview(DataTypeTextureBase& texture)
{
    int w = 0, h = 0;
    if (!texture.CanRenderTo2dRgbaBuffer(w, h))
        return {};
    std::vector<uint8_t> bytes(size_t(w) * h * 4, 0x5A);
    texture.RenderTo2dRgbaBuffer(bytes.data());
    std::vector<uint32_t> pixels(size_t(w) * h);
    std::memcpy(pixels.data(), bytes.data(), bytes.size());
    return pixels;
}

} // namespace

TEST(TexturePixels, HslConversions)
{
    struct Row {
        uint8_t hsl[3];
        uint8_t rgb[3];
    };
    const Row rows[] = {
        {{0, 255, 128}, {255, 0, 0}},       {{84, 255, 128}, {0, 255, 0}},
        {{168, 255, 128}, {0, 0, 255}},     {{17, 0, 77}, {77, 77, 77}},
        {{200, 0, 77}, {77, 77, 77}},       {{252, 255, 128}, {0, 0, 0}}, // past the sixth sector: grey at the offset
        {{255, 255, 200}, {144, 144, 144}}, {{21, 255, 255}, {255, 254, 253}},
        {{30, 200, 100}, {177, 133, 22}},
    };
    for (const Row& r : rows) {
        uint8_t out[3];
        DataTypeTextureHSL24::HSL24toRGB24(r.hsl, out);
        EXPECT_EQ(rgb(out[0], out[1], out[2]), rgb(r.rgb[0], r.rgb[1], r.rgb[2])) << int(r.hsl[0]);
    }
    uint32_t out = 0;
    DataTypeTextureHSL30::HSL30toRGB24(1023u << 20, out);
    EXPECT_EQ(out, 0xFFFFFFu);
    DataTypeTextureHSL30::HSL30toRGB30(1023u << 20, out);
    EXPECT_EQ(out, 1023u | 1023u << 10 | 1023u << 20);
    DataTypeTextureHSL30::HSL30toRGB24(0 | 1023 << 10 | 512u << 20, out); // full red
    EXPECT_EQ(out, 0x0000FFu);
    DataTypeTextureHSL30::HSL30toRGB24(1020 | 1023 << 10 | 512u << 20, out); // past the sixth sector
    EXPECT_EQ((std::tuple{out & 0xFF, out & 0xFF}), std::tuple(out >> 8 & 0xFF, out >> 16));
}

TEST(TexturePixels, ColourAccessors)
{
    const uint32_t white10 = 1023u | 1023u << 10 | 1023u << 20;
    struct Row {
        std::shared_ptr<DataTypeTextureBase> texture;
        std::vector<uint8_t> pixel;
        uint32_t rgb24, rgb30, yuv;
    };
    const Row rows[] = {
        {std::make_shared<DataTypeTextureBGR>(), {10, 20, 30}, 0x0A141E, 30 << 2 | 20 << 12 | 10 << 22, 0x857A23},
        {std::make_shared<DataTypeTextureRGB>(), {255, 255, 255}, 0xFFFFFF, 1020 | 1020 << 10 | 1020 << 20, 0x8080EB},
        {std::make_shared<DataTypeTextureRGB30>(), {0xFF, 0xFF, 0xFF, 0x3F}, 0xFFFFFF, white10, 0x8080EC},
        {std::make_shared<DataTypeTextureHSL24>(), {0, 255, 128}, 0xFF, 0x3FC, 0xF05A52},
        {std::make_shared<DataTypeTextureHSL30>(), {0x00, 0xFC, 0x0F, 0x20}, 0xFF, 0x3FF, 0xF05A52}, // red
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(GetTextureFormatName(r.texture->GetTextureFormat()));
        r.texture->SetTexture(1, 1, r.pixel.data());
        EXPECT_EQ(r.texture->GetPixelAsRGB24BitValue(0, 0), r.rgb24);
        EXPECT_EQ(r.texture->GetPixelAsRGB30BitValue(0, 0), r.rgb30);
        EXPECT_EQ(r.texture->GetPixelAsYUV24BitValue(0, 0) & 0xFFFFFF, r.yuv);
        EXPECT_EQ(r.texture->GetPixelAsRGB24BitValue(1, 0) | r.texture->GetPixelAsYUV24BitValue(0, -1), 0u);
    }
}

TEST(TexturePixels, BayerDemosaicsEveryPhase)
{
    // A uniform scene of R 200, G 100, B 50 seen through each mosaic gives that colour at
    // every interior pixel, whichever colour the centre sample carries.
    struct Row {
        std::shared_ptr<DataTypeTextureBase> texture;
        const char* cell; // colours of the top-left 2 x 2 cell, row by row
    };
    const Row rows[] = {{std::make_shared<DataTypeTextureBayerRGGB>(), "RGGB"},
                        {std::make_shared<DataTypeTextureBayerBGGR>(), "BGGR"},
                        {std::make_shared<DataTypeTextureBayerGRBG>(), "GRBG"},
                        {std::make_shared<DataTypeTextureBayerGBRG>(), "GBRG"}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.cell);
        const int w = 7, h = 5;
        uint8_t* p = r.texture->AllocateTexture(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const char colour = r.cell[(y % 2) * 2 + x % 2];
                p[y * w + x] = colour == 'R' ? 200 : colour == 'G' ? 100 : 50;
            }
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const bool border = x == 0 || y == 0 || x == w - 1 || y == h - 1;
                EXPECT_EQ(
                    (std::tuple{r.texture->GetPixelAsRGB24BitValue(x, y), r.texture->GetPixelAsRGB30BitValue(x, y),
                                r.texture->GetPixelAsYUV24BitValue(x, y) == 0}),
                    std::tuple(border ? 0 : rgb(200, 100, 50), border ? 0 : 800u | 400u << 10 | 200u << 20, border));
            }
    }
}

TEST(TexturePreviews, EveryRendererStaysInsideItsBuffer)
{
    for (const auto& row : HyxTest::kTextureClasses) {
        if (!TextureFormatHasSize(row.format))
            continue;
        SCOPED_TRACE(row.niceName);
        for (auto [w, h] : {std::pair<uint16_t, uint16_t>{5, 3}, {1, 1}, {3, 7}}) {
            auto texture = HyxTest::MakeTexture(row);
            HyxTest::FillTexture(*texture, w, h, 3);
            const std::vector<uint32_t> pixels = preview(*texture);
            // No preview without a renderer or pixels (a DXT1 image of 1 x 1 holds no byte).
            const bool renders =
                row.format != TextureFormat::ETC2 && row.format != TextureFormat::ASTC && texture->GetDataPtr();
            if (!renders) {
                EXPECT_TRUE(pixels.empty());
                continue;
            }
            ASSERT_EQ(pixels.size(), size_t(w) * h);
            for (size_t i = 0; i < pixels.size(); ++i) {
                if (row.format != TextureFormat::RGBA) {
                    ASSERT_EQ(pixels[i] >> 24, 0xFFu) << i;
                }
                const int x = int(i % w), y = int(i / w);
                // Where a class converts to RGB, its preview shows the same colour.
                if (row.format == TextureFormat::RGB || row.format == TextureFormat::RGB30 ||
                    row.format == TextureFormat::HSL24 || row.format == TextureFormat::HSL30 ||
                    row.format == TextureFormat::IR) {
                    ASSERT_EQ(pixels[i] & 0xFFFFFF, texture->GetPixelAsRGB24BitValue(x, y)) << i;
                }
            }
        }
    }
}

TEST(TexturePreviews, ValuesPerClass)
{
    DataTypeTexture16BitDepthMap depth;
    const uint8_t samples[4] = {0x34, 0x12, 0x80, 0x01};
    depth.SetTexture(2, 1, samples);
    EXPECT_EQ(preview(depth), (std::vector<uint32_t>{0xFF341212u, 0xFF7F0101u}));

    DataTypeTextureBGR bgr;
    const uint8_t bgrPixel[3] = {10, 20, 30};
    bgr.SetTexture(1, 1, bgrPixel);
    EXPECT_EQ(preview(bgr), (std::vector<uint32_t>{0xFF1E140Au})); // stored order as R, G, B

    // DXT1 holds half a byte per pixel: the pixels past its block are opaque black.
    auto dxt1 = HyxTest::MakeTexture(HyxTest::kTextureClasses[19]);
    uint8_t* blocks = dxt1->AllocateTexture(2, 2);
    blocks[0] = 0x40;
    blocks[1] = 0x80;
    EXPECT_EQ(preview(*dxt1), (std::vector<uint32_t>{0xFF404040u, 0xFF808080u, 0xFF000000u, 0xFF000000u}));
}
