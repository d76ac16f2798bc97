#include <Hyx/TextureFormat.h>

#include <gtest/gtest.h>

using namespace Hyx;

TEST(TextureFormat, NamesAndSizes)
{
    struct Row {
        TextureFormat format;
        TextureDepth depth;
        uint16_t width, height;
        uint64_t size;
        const char* name;
    };
    const Row rows[] = {
        {TextureFormat::YUV_NVX, TextureDepth::Depth8Bit, 4, 3, 12, "8-Bit-YUV-NVX"},
        {TextureFormat::IR, TextureDepth::Depth8Bit, 640, 480, 307200, "IR"},
        {TextureFormat::IR, TextureDepth::Depth16Bit, 640, 480, 614400, "IR"},
        {TextureFormat::IR, static_cast<TextureDepth>(7), 640, 480, 307200, "IR"},
        // 16787457 bytes: single-precision arithmetic would give 16787456.
        {TextureFormat::RGB, TextureDepth::Depth8Bit, 2731, 2049, 16787457, "24-Bit-RGB"},
        {TextureFormat::HSL30, TextureDepth::Depth8Bit, 65535, 65535, 17179344900ull, "32-Bit-HSL (3x10 Bit)"},
        {TextureFormat::DXT1, TextureDepth::Depth8Bit, 3, 3, 4, "DXT1"},
        {TextureFormat::ETC2, TextureDepth::Depth8Bit, 1, 1, 0, "ETC2"},
        {TextureFormat::ASTC, TextureDepth::Depth8Bit, 5, 5, 6, "ASTC"},
        {TextureFormat::DXT1RLE, TextureDepth::Depth8Bit, 64, 64, 0, "DXT1-RLE"},
        {static_cast<TextureFormat>(25), TextureDepth::Depth8Bit, 64, 64, 0, "Unknown"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(ComputeTextureSizeInBytes(r.format, r.depth, r.width, r.height), r.size);
        EXPECT_STREQ(GetTextureFormatName(r.format), r.name);
    }
    for (int32_t f = -1; f <= TextureFormatCount; ++f) {
        const bool runLength = f == 20 || f == 22 || f == 24;
        EXPECT_EQ(TextureFormatHasSize(static_cast<TextureFormat>(f)), f >= 0 && f < 25 && !runLength) << f;
    }
    EXPECT_STREQ(GetTextureDepthName(TextureDepth::Depth8Bit), "8-Bit");
    EXPECT_STREQ(GetTextureDepthName(TextureDepth::Depth16Bit), "16-Bit");
    EXPECT_STREQ(GetTextureDepthName(static_cast<TextureDepth>(2)), "Unknown");
}

TEST(TextureFormat, YUVStoredHeightMapsBackForEveryHeight)
{
    EXPECT_EQ(GetYUVLumaHeight(720), 480u);
    EXPECT_EQ(GetYUVLumaHeight(721), 480u);
    EXPECT_EQ(GetYUVStoredHeight(3), 5u);
    for (uint32_t h = 0; h <= 43690; ++h) {
        const uint32_t stored = GetYUVStoredHeight(h);
        ASSERT_EQ(GetYUVLumaHeight(stored), h);
        if (h % 2 == 0) {
            ASSERT_EQ(stored, h * 3 / 2);
        }
    }
    EXPECT_LE(GetYUVStoredHeight(43690), 65535u);
    EXPECT_GT(GetYUVStoredHeight(43691), 65535u);
}
