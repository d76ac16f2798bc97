#include <Hyx/DataTypeTextureBlock.h>
#include <Hyx/DataTypeTextureIR.h>
#include <Hyx/DataTypeTextureRGB.h>
#include <Hyx/TextureFormat.h>

#include "StreamTestLayers.h"
#include "TextureTestUtil.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace Hyx;
using HyxTest::PayloadOf;
using HyxTest::SetPayload;

namespace {

std::vector<std::string> statusNames(DataLayer& layer)
{
    layer.updateStatusProperties();
    std::vector<std::string> names;
    for (int i = 0; i < layer.getNumStatusProperties(); ++i)
        names.push_back(layer.getStatusPropertyName(i) + "=" + layer.getStatusPropertyValue(i));
    return names;
}

} // namespace

TEST(TextureBase, ShortAndExactPayloadsLoad)
{
    struct Row {
        std::vector<uint8_t> payload;
        uint16_t width, height;
        bool pixels;
    };
    const Row rows[] = {
        {{}, 0, 0, false},
        {{7}, 0, 0, false},
        {{3, 0, 2}, 3, 0, false},
        {{3, 0, 2, 0}, 3, 2, false},
        {{1, 0, 1, 0, 9, 8}, 1, 1, false},
        {{1, 0, 1, 0, 9, 8, 7}, 1, 1, true},
        {{1, 0, 1, 0, 9, 8, 7, 6, 5}, 1, 1, true}, // bytes past the block are kept
    };
    for (const Row& r : rows) {
        DataTypeTextureRGB texture;
        SetPayload(texture, r.payload);
        EXPECT_EQ(texture.GetWidth(), r.width);
        EXPECT_EQ(texture.GetHeight(), r.height);
        EXPECT_EQ(texture.GetDataPtr() != nullptr, r.pixels) << r.payload.size();
    }
    DataTypeTextureRGB texture;
    texture.InitializeHeader(VornCommon::Guid::Nil, 1);
    const std::vector<uint8_t> valid = {1, 0, 1, 0, 1, 2, 3};
    EXPECT_FALSE(texture.InitializeData(const_cast<uint8_t*>(valid.data()), 7)); // unknown version
    EXPECT_EQ(texture.GetDataPtr(), nullptr);
}

TEST(TextureBase, WritersLayOutThePayload)
{
    DataTypeTextureRGB texture;
    uint8_t* pixels = texture.AllocateTexture(3, 2);
    ASSERT_EQ(pixels, texture.GetDataPtr());
    EXPECT_EQ(pixels - texture.GetRawDataPtr()->data(), 4);
    for (int i = 0; i < 18; ++i)
        pixels[i] = uint8_t(i);
    texture.SetTexture(3, 2, pixels); // the caller hands back the allocated block
    EXPECT_EQ((std::tuple{PayloadOf(texture)[0], PayloadOf(texture)[21]}), std::tuple(3, 17));

    // Pixels taken from the layer's own payload at another offset are copied first.
    texture.SetTexture(2, 2, texture.GetDataPtr() + 2);
    EXPECT_EQ(PayloadOf(texture), (std::vector<uint8_t>{2, 0, 2, 0, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}));
    texture.SetTexture(4, 4, texture.GetDataPtr()); // growing from its own pixels: reads 12 bytes only
    EXPECT_EQ(texture.GetTextureSizeInBytes(), 48u);

    const uint8_t* plain = texture.AllocateTexture(5, 3);
    const ptrdiff_t plainOffset = plain - texture.GetRawDataPtr()->data();
    uint8_t* withExtra = texture.AllocateTextureWithAdditionalBytes(5, 3, 7);
    EXPECT_EQ((std::tuple{PayloadOf(texture).size(), withExtra - texture.GetRawDataPtr()->data()}),
              std::tuple(4u + 45u + 7u, plainOffset));
    texture.SetTexture(0, 0, nullptr);
    EXPECT_EQ((std::tuple{PayloadOf(texture).size(), texture.GetDataPtr()}), std::tuple(4u, nullptr));
}

TEST(TextureBase, RunLengthFormatsLoadButRefuseWrites)
{
    const std::vector<uint8_t> payload = {16, 0, 8, 0, 0xAA, 0xBB, 0xCC};
    DataTypeTextureDXT1RLE dxt1;
    DataTypeTextureETC2RLE etc2;
    DataTypeTextureASTCRLE astc;
    for (DataTypeTextureBase* texture : std::initializer_list<DataTypeTextureBase*>{&dxt1, &etc2, &astc}) {
        SetPayload(*texture, payload);
        EXPECT_EQ((std::tuple{texture->GetWidth(), texture->GetHeight(), texture->GetDataPtr()}),
                  std::tuple(16, 8, nullptr));
        texture->updateStatusProperties();
        EXPECT_EQ(texture->getStatusPropertyValue("Size"), "0");
        int w = 0, h = 0;
        EXPECT_FALSE(texture->CanRenderTo2dRgbaBuffer(w, h));
        for (auto write : {+[](DataTypeTextureBase& t) { t.AllocateTexture(4, 4); },
                           +[](DataTypeTextureBase& t) { t.AllocateTextureWithAdditionalBytes(4, 4, 4); },
                           +[](DataTypeTextureBase& t) { t.SetTexture(4, 4, nullptr); }}) {
            try {
                write(*texture);
                ADD_FAILURE() << "no exception";
            } catch (const std::exception& e) {
                EXPECT_STREQ(e.what(), "Texture format not supported.");
            }
        }
        EXPECT_EQ(PayloadOf(*texture), payload); // unchanged by the refused writes
    }
}

TEST(TextureIR, DepthByteVersionsAndStatus)
{
    struct Row {
        uint16_t version;
        std::vector<uint8_t> payload;
        bool loads;
        TextureDepth depth;
        uint32_t offset;
        bool pixels;
    };
    const Row rows[] = {
        {0, {2, 0, 1, 0, 0xAB, 0xCD}, true, TextureDepth::Depth8Bit, 4, true},
        {1, {2, 0, 1, 0, 0, 0xAB, 0xCD}, true, TextureDepth::Depth8Bit, 5, true},
        {1, {2, 0, 1, 0, 1, 0xAB, 0xCD}, true, TextureDepth::Depth16Bit, 5, false}, // one sample short
        {1, {2, 0, 1, 0, 1, 0xAB, 0xCD, 1, 2}, true, TextureDepth::Depth16Bit, 5, true},
        {1, {2, 0, 1, 0}, true, TextureDepth::Depth8Bit, 5, false},
        {1, {2, 0, 1, 0, 2, 0xAB, 0xCD, 1, 2}, false, TextureDepth::Depth8Bit, 0, false}, // depth 2 refused
        {2, {2, 0, 1, 0, 0, 0xAB, 0xCD}, false, TextureDepth::Depth8Bit, 0, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::PrintToString(r.payload));
        DataTypeTextureIR layer;
        layer.InitializeHeader(VornCommon::Guid::Nil, r.version);
        std::vector<uint8_t> bytes = r.payload;
        EXPECT_EQ(layer.InitializeData(bytes.data(), uint32_t(bytes.size())), r.loads);
        EXPECT_EQ(layer.GetDataPtr() != nullptr, r.pixels);
        if (!r.loads)
            continue;
        EXPECT_EQ(layer.GetDepth(), r.depth);
        EXPECT_EQ(layer.GetPixelOffset(), r.offset);
        EXPECT_EQ(layer.GetHeaderSize(), 4u);
        if (r.pixels) {
            EXPECT_EQ(layer.GetPixelAsRGB24BitValue(0, 0), r.depth == TextureDepth::Depth16Bit ? 0xCDCDCDu : 0xABABABu);
        }
    }

    // Writers produce version 1 with the depth byte; status and text carry the depth.
    DataTypeTextureIR written;
    written.SetDepth(TextureDepth::Depth16Bit);
    const uint8_t samples[4] = {0xCD, 0xAB, 0x34, 0x12};
    written.SetTexture(2, 1, samples);
    EXPECT_EQ((std::tuple{PayloadOf(written), written.GetVersion(), statusNames(written)}),
              std::tuple((std::vector<uint8_t>{2, 0, 1, 0, 1, 0xCD, 0xAB, 0x34, 0x12}), 1,
                         (std::vector<std::string>{"Format=IR", "Depth=16 Bit", "Size=4", "Width=2", "Height=1",
                                                   "Internal width=2", "Internal height=1", "Size=4"})));
    EXPECT_NE(written.ToString(false).find(", Format=IR, Depth=16-Bit"), std::string::npos);
    // Samples taken from the payload one byte before the new pixel offset are copied first.
    DataTypeTextureIR migrated;
    migrated.InitializeHeader(VornCommon::Guid::Nil, 0);
    std::vector<uint8_t> old = {2, 0, 1, 0, 0x11, 0x22};
    migrated.InitializeData(old.data(), 6);
    migrated.SetTexture(2, 1, migrated.GetDataPtr());
    EXPECT_EQ(PayloadOf(migrated), (std::vector<uint8_t>{2, 0, 1, 0, 0, 0x11, 0x22}));

    // A deeper depth than the payload holds leaves no pixels to read past; back, they return.
    migrated.SetDepth(TextureDepth::Depth16Bit);
    EXPECT_EQ((std::tuple{migrated.GetDataPtr(), migrated.GetPixelAsRGB24BitValue(1, 0)}), std::tuple(nullptr, 0u));
    int w = 0, h = 0;
    EXPECT_FALSE(migrated.CanRenderTo2dRgbaBuffer(w, h));
    migrated.SetDepth(TextureDepth::Depth8Bit);
    EXPECT_EQ(migrated.GetPixelAsRGB24BitValue(1, 0), 0x222222u);
}

TEST(TextureFormat, YUVStoredHeightMapsBackForEveryHeight)
{
    EXPECT_EQ((std::tuple{GetYUVLumaHeight(720), GetYUVLumaHeight(721), GetYUVStoredHeight(3)}),
              std::tuple(480u, 480u, 5u));
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
