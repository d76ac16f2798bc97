#include <Hyx/DataTypeTextureYUV.h>

#include "StreamTestLayers.h"
#include "TextureTestUtil.h"

#include <gtest/gtest.h>

using namespace Hyx;

namespace {

template <class Texture>
std::unique_ptr<Texture> numbered(uint16_t width, uint16_t lumaHeight)
{
    auto texture = std::make_unique<Texture>();
    uint8_t* pixels = texture->AllocateTexture(width, uint16_t(GetYUVStoredHeight(lumaHeight)));
    for (uint32_t i = 0; i < texture->GetTextureSizeInBytes(); ++i)
        pixels[i] = uint8_t(i);
    return texture;
}

} // namespace

TEST(TextureYUV, PlaneOffsetsAndSamples)
{
    struct Row {
        std::unique_ptr<DataTypeTextureYUV> texture;
        uint32_t uOffset, vOffset;
        int x, y;
        uint32_t yuv; // Y | U << 8 | V << 16 read from the numbered bytes
    };
    Row rows[] = {
        {numbered<DataTypeTextureYUV_NV12>(4, 2), 8, 9, 2, 1, 6 | 10 << 8 | 11 << 16},
        {numbered<DataTypeTextureYUV_NV21>(4, 2), 9, 8, 2, 1, 6 | 11 << 8 | 10 << 16},
        {numbered<DataTypeTextureYUV_NVX>(4, 2), 8, 10, 2, 1, 6 | 9 << 8 | 11 << 16},
        // Odd width: the last column takes the last complete pair of its own row.
        {numbered<DataTypeTextureYUV_NV12>(3, 2), 6, 7, 2, 1, 5 | 6 << 8 | 7 << 16},
        {numbered<DataTypeTextureYUV_NV12>(3, 4), 12, 13, 2, 3, 11 | 15 << 8 | 16 << 16},
        {numbered<DataTypeTextureYUV_NVX>(3, 2), 6, 7, 2, 0, 2 | 6 << 8 | 7 << 16},
        // Odd height: the last luma row has its own chroma row.
        {numbered<DataTypeTextureYUV_NV21>(2, 3), 7, 6, 1, 2, 5 | 9 << 8 | 8 << 16},
        // Width 1: no complete chroma sample, neutral chroma.
        {numbered<DataTypeTextureYUV_NV12>(1, 2), 2, 3, 0, 1, 1 | 128 << 8 | 128 << 16},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(GetTextureFormatName(r.texture->GetTextureFormat()) + std::string(" ") +
                     std::to_string(r.texture->GetWidth()) + "x" + std::to_string(r.texture->GetHeight()));
        EXPECT_EQ(r.texture->GetUOffset(), r.uOffset);
        EXPECT_EQ(r.texture->GetVOffset(), r.vOffset);
        EXPECT_EQ(r.texture->GetPixelAsYUV24BitValue(r.x, r.y), r.yuv);
    }
}

TEST(TextureYUV, EveryPixelOfOddSizesStaysInsideTheBlock)
{
    // The payload is exactly as long as the block: any read past it shows under the sanitizer.
    for (uint16_t w = 1; w <= 6; ++w)
        for (uint16_t h = 1; h <= 6; ++h)
            for (auto texture : std::initializer_list<std::shared_ptr<DataTypeTextureYUV>>{
                     numbered<DataTypeTextureYUV_NV12>(w, h), numbered<DataTypeTextureYUV_NV21>(w, h),
                     numbered<DataTypeTextureYUV_NVX>(w, h)}) {
                ASSERT_EQ(texture->GetHeight(), h);
                for (int y = -1; y <= h; ++y)
                    for (int x = -1; x <= w; ++x) {
                        const bool inside = x >= 0 && y >= 0 && x < w && y < h;
                        const uint32_t yuv = texture->GetPixelAsYUV24BitValue(x, y);
                        EXPECT_EQ(yuv != 0, inside);
                        texture->GetPixelAsRGB24BitValue(x, y);
                        texture->GetPixelAsRGB30BitValue(x, y);
                    }
            }
}

TEST(TextureYUV, ConversionValues)
{
    struct Row {
        uint8_t y, u, v;
        uint32_t rgb24, rgb30;
    };
    const Row rows[] = {
        {16, 128, 128, 0, 0},
        {235, 128, 128, 0xFEFEFE, 1019 | 1019 << 10 | 1019u << 20}, // the shift rounds down
        {0x50, 0x60, 0x70, 0x096430, 195 | 400 << 10 | 39 << 20},
        {255, 255, 255, 0xFF7DFF, 1023 | 501 << 10 | 1023u << 20}, // clamped
    };
    for (const Row& r : rows) {
        DataTypeTextureYUV_NV12 texture;
        uint8_t* p = texture.AllocateTexture(2, 3);
        p[0] = p[1] = p[2] = p[3] = r.y;
        p[4] = r.u;
        p[5] = r.v;
        EXPECT_EQ(texture.GetPixelAsYUV24BitValue(1, 1), uint32_t(r.y | r.u << 8 | r.v << 16));
        EXPECT_EQ(texture.GetPixelAsRGB24BitValue(1, 1), r.rgb24) << int(r.y);
        EXPECT_EQ(texture.GetPixelAsRGB30BitValue(1, 1), r.rgb30);
    }
}
