#include "ConverterTestUtil.h"

#include "texture/PixelKernels.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

using namespace Hyx;
using namespace HyxTest;
using Converter = TextureFormatConverter;

namespace {

std::vector<uint8_t> randomBytes(size_t count, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<uint8_t> bytes(count);
    for (uint8_t& b : bytes)
        b = uint8_t(random());
    return bytes;
}

uint32_t word(const std::vector<uint8_t>& bytes, size_t index)
{
    uint32_t value;
    std::memcpy(&value, bytes.data() + 4 * index, 4);
    return value;
}

uint32_t rgb30(uint32_t r, uint32_t g, uint32_t b)
{
    return r | g << 10 | b << 20;
}

// Each mosaic's conversions, so one table covers all four.
struct Mosaic {
    const char* name;
    std::function<std::shared_ptr<DataTypeTextureBase>(uint16_t, uint16_t, const std::vector<uint8_t>&)> make;
    std::function<std::shared_ptr<DataTypeTextureBase>(const std::shared_ptr<DataTypeTextureBase>&)> toRgb30;
    std::function<std::shared_ptr<DataTypeTextureBase>(const std::shared_ptr<DataTypeTextureBase>&)> toNvx;
};

template <class T, auto Rgb30, auto Nvx>
Mosaic mosaic(const char* name)
{
    return {name, [](uint16_t w, uint16_t h, const std::vector<uint8_t>& b) { return MakeTexture<T>(w, h, b); },
            [](const std::shared_ptr<DataTypeTextureBase>& s) { return Rgb30(std::static_pointer_cast<T>(s)); },
            [](const std::shared_ptr<DataTypeTextureBase>& s) {
                return Nvx(std::static_pointer_cast<T>(s), kResultPurpose);
            }};
}

const Mosaic& mosaicAt(int i)
{
    static const Mosaic mosaics[] = {
        mosaic<DataTypeTextureBayerRGGB, Converter::ConvertFromBayerRGGBtoRGB30, Converter::ConvertFromBayerRGGBtoNVX>(
            "RGGB"),
        mosaic<DataTypeTextureBayerBGGR, Converter::ConvertFromBayerBGGRtoRGB30, Converter::ConvertFromBayerBGGRtoNVX>(
            "BGGR"),
        mosaic<DataTypeTextureBayerGRBG, Converter::ConvertFromBayerGRBGtoRGB30, Converter::ConvertFromBayerGRBGtoNVX>(
            "GRBG"),
        mosaic<DataTypeTextureBayerGBRG, Converter::ConvertFromBayerGBRGtoRGB30, Converter::ConvertFromBayerGBRGtoNVX>(
            "GBRG"),
    };
    return mosaics[i];
}

} // namespace

TEST(BayerConversion, GammaTableEntries)
{
    const uint32_t* table = TextureKernels::BayerLumaGammaTable();
    const std::pair<uint32_t, uint32_t> entries[] = {{0, 0},      {31, 0},       {32, 1},        {255, 20},
                                                     {1000, 149}, {10000, 4254}, {32768, 23912}, {65535, 65535}};
    for (auto [index, value] : entries)
        EXPECT_EQ(table[index], value) << index;
}

TEST(BayerConversion, MedianKeepsTiesAndTakesTheMiddle)
{
    struct Row {
        uint8_t above, left, centre, right, below;
        uint8_t expected;
    };
    const Row rows[] = {
        {50, 50, 50, 50, 50, 50}, // five equal values
        {10, 10, 50, 10, 10, 50}, // ties: nothing is >= exactly two others
        {1, 2, 9, 3, 4, 3}, // right is the first >= exactly two others
        {5, 1, 9, 7, 3, 5}, // above qualifies first
    };
    for (const Row& row : rows) {
        // 3 x 3 plane: only the centre is filtered.
        uint8_t plane[9] = {0, row.above, 0, row.left, row.centre, row.right, 0, row.below, 0};
        TextureKernels::BayerLumaMedian(plane, 3, 3);
        EXPECT_EQ(plane[4], row.expected) << int(row.centre);
    }
}

TEST(BayerConversion, UniformMosaicGivesGreyEverywhereAndBlackBorderLuma)
{
    const uint8_t sample = 100;
    const uint16_t w = 8, h = 8;
    const uint32_t grey = 4 * sample;
    const uint8_t luma = uint8_t((TextureKernels::BayerLumaGammaTable()[(220 * grey + 512) >> 2] >> 8) + 16);
    for (int m = 0; m < 4; ++m) {
        const Mosaic& mosaic = mosaicAt(m);
        auto source = mosaic.make(w, h, std::vector<uint8_t>(w * h, sample));
        const std::vector<uint8_t> words = Pixels(mosaic.toRgb30(source));
        for (size_t i = 0; i < size_t(w) * h; ++i)
            ASSERT_EQ(word(words, i), rgb30(grey, grey, grey)) << mosaic.name << " pixel " << i;

        auto nvx = mosaic.toNvx(source);
        EXPECT_EQ(nvx->GetPurposeGuid(), kResultPurpose);
        const std::vector<uint8_t> yuv = Pixels(nvx);
        ASSERT_EQ(yuv.size(), size_t(w) * h * 3 / 2);
        for (uint32_t y = 0; y < h; ++y)
            for (uint32_t x = 0; x < w; ++x) {
                const bool demosaiced = x >= 2 && x < w - 2u && y >= 2 && y < h - 2u;
                const bool outer = x == 0 || y == 0 || x == w - 1u || y == h - 1u;
                // The outer ring is untouched: the black the converter filled in.
                if (demosaiced || outer) {
                    EXPECT_EQ(yuv[w * y + x], demosaiced ? luma : 16) << mosaic.name << " " << x << "," << y;
                }
            }
        for (size_t i = size_t(w) * h; i < yuv.size(); ++i)
            EXPECT_EQ(yuv[i], 128) << mosaic.name << " chroma " << i;
    }
}

TEST(BayerConversion, InteriorMatchesTheAccessorsAndRggbCornersFollowTheirRules)
{
    const uint16_t w = 12, h = 10;
    const std::vector<uint8_t> samples = randomBytes(size_t(w) * h, 3);
    for (int m = 0; m < 4; ++m) {
        const Mosaic& mosaic = mosaicAt(m);
        auto source = mosaic.make(w, h, samples);
        const std::vector<uint8_t> words = Pixels(mosaic.toRgb30(source));
        for (int y = 1; y < h - 1; ++y)
            for (int x = 1; x < w - 1; ++x)
                ASSERT_EQ(word(words, size_t(w) * y + x), source->GetPixelAsRGB30BitValue(x, y))
                    << mosaic.name << " " << x << "," << y;
    }
    auto s = [&](int x, int y) { return uint32_t(samples[size_t(w) * y + x]); };
    const std::vector<uint8_t> rggb = Pixels(mosaicAt(0).toRgb30(mosaicAt(0).make(w, h, samples)));
    EXPECT_EQ(word(rggb, 0), rgb30(s(0, 0) * 4, (s(1, 0) + s(0, 1)) * 2, s(1, 1) * 4)); // red corner
    EXPECT_EQ(word(rggb, w), rgb30(s(0, 2) * 4, s(0, 1) * 4, s(1, 1) * 4)); // (0, 1): green
    EXPECT_EQ(word(rggb, size_t(w) * (h - 1) + w - 1), // blue corner
              rgb30(s(w - 2, h - 2) * 4, (s(w - 2, h - 1) + s(w - 1, h - 2)) * 2, s(w - 1, h - 1) * 4));
    EXPECT_EQ(word(rggb, 3), rgb30(s(2, 0) * 4, s(3, 0) * 4, s(3, 1) * 4)); // top-row green
}

TEST(BayerConversion, RggbReusesTheTopLeftGreenInItsBlueSite)
{
    // Only the G samples around (3, 3) differ between the two mosaics' views; with the
    // reuse, RGGB's blue site at (3, 3) takes the G quad of (2, 2).
    const uint16_t w = 8, h = 8;
    std::vector<uint8_t> samples(w * h, 40);
    samples[w * 3 + 4] = 240; // right of (3, 3): a G sample in RGGB
    auto source = mosaicAt(0).make(w, h, samples);
    const std::vector<uint8_t> withReuse = Pixels(mosaicAt(0).toNvx(source));
    auto flat = mosaicAt(0).make(w, h, std::vector<uint8_t>(w * h, 40));
    const std::vector<uint8_t> reference = Pixels(mosaicAt(0).toNvx(flat));
    // (2, 2) is a red site whose G quad does not see (4, 3), and (3, 3) reuses it: so the
    // whole block's chroma and (2, 2), (3, 3) luma before the median match the flat image.
    EXPECT_NE(withReuse, reference);
    EXPECT_EQ(withReuse[w * h + w * 1 + 1], reference[w * h + w * 1 + 1]); // U of block (2, 2)
}
