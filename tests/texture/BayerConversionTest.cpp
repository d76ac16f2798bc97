#include "ConverterTestUtil.h"

#include "texture/PixelKernels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace Hyx;
using namespace HyxTest;
using Converter = TextureFormatConverter;

namespace {

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

// Per mosaic: every pixel of a uniform mosaic converts to that grey in RGB30, and in NVX
// to the gamma luma inside and untouched black outside; interior RGB30 pixels of a random
// mosaic equal the layer's own demosaicing accessor.
template <class T, auto ToRgb30, auto ToNvx>
void checkMosaic(const char* name)
{
    const uint16_t w = 12, h = 10;
    const uint32_t grey = 4 * 100;
    auto uniform = MakeTexture<T>(w, h, std::vector<uint8_t>(w * h, 100));
    const std::vector<uint8_t> words = Pixels(ToRgb30(uniform));
    for (size_t i = 0; i < size_t(w) * h; ++i)
        ASSERT_EQ(word(words, i), rgb30(grey, grey, grey)) << name << " pixel " << i;
    auto nvx = ToNvx(uniform, kResultPurpose);
    EXPECT_EQ(nvx->GetPurposeGuid(), kResultPurpose);
    const std::vector<uint8_t> yuv = Pixels(nvx);
    const uint8_t luma = uint8_t((TextureKernels::BayerLumaGammaTable()[(220 * grey + 512) >> 2] >> 8) + 16);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            const bool demosaiced = x >= 2 && x < w - 2u && y >= 2 && y < h - 2u;
            if (demosaiced || x == 0 || y == 0 || x == w - 1u || y == h - 1u) {
                EXPECT_EQ(yuv[w * y + x], demosaiced ? luma : 16) << name << " " << x << "," << y;
            }
        }
    EXPECT_EQ(std::count(yuv.begin() + w * h, yuv.end(), 128), w * h / 2) << name;

    std::mt19937 random(3);
    std::vector<uint8_t> samples(size_t(w) * h);
    for (uint8_t& b : samples)
        b = uint8_t(random());
    auto source = MakeTexture<T>(w, h, samples);
    const std::vector<uint8_t> demosaiced = Pixels(ToRgb30(source));
    for (int y = 1; y < h - 1; ++y)
        for (int x = 1; x < w - 1; ++x)
            ASSERT_EQ(word(demosaiced, size_t(w) * y + x), source->GetPixelAsRGB30BitValue(x, y)) << name;
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

TEST(BayerConversion, EveryMosaic)
{
    checkMosaic<DataTypeTextureBayerRGGB, Converter::ConvertFromBayerRGGBtoRGB30, Converter::ConvertFromBayerRGGBtoNVX>(
        "RGGB");
    checkMosaic<DataTypeTextureBayerBGGR, Converter::ConvertFromBayerBGGRtoRGB30, Converter::ConvertFromBayerBGGRtoNVX>(
        "BGGR");
    checkMosaic<DataTypeTextureBayerGRBG, Converter::ConvertFromBayerGRBGtoRGB30, Converter::ConvertFromBayerGRBGtoNVX>(
        "GRBG");
    checkMosaic<DataTypeTextureBayerGBRG, Converter::ConvertFromBayerGBRGtoRGB30, Converter::ConvertFromBayerGBRGtoNVX>(
        "GBRG");
}

TEST(BayerConversion, RggbBorderFollowsItsOneSidedRules)
{
    const uint16_t w = 12, h = 10;
    std::vector<uint8_t> samples(size_t(w) * h);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = uint8_t(i * 37 + 11);
    auto s = [&](int x, int y) { return uint32_t(samples[size_t(w) * y + x]); };
    const std::vector<uint8_t> rggb =
        Pixels(Converter::ConvertFromBayerRGGBtoRGB30(MakeTexture<DataTypeTextureBayerRGGB>(w, h, samples)));
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
    const std::vector<uint8_t> withReuse = Pixels(
        Converter::ConvertFromBayerRGGBtoNVX(MakeTexture<DataTypeTextureBayerRGGB>(w, h, samples), kResultPurpose));
    const std::vector<uint8_t> reference = Pixels(Converter::ConvertFromBayerRGGBtoNVX(
        MakeTexture<DataTypeTextureBayerRGGB>(w, h, std::vector<uint8_t>(w * h, 40)), kResultPurpose));
    // (2, 2) is a red site whose G quad does not see (4, 3), and (3, 3) reuses it: so the
    // whole block's chroma and (2, 2), (3, 3) luma before the median match the flat image.
    EXPECT_NE(withReuse, reference);
    EXPECT_EQ(withReuse[w * h + w * 1 + 1], reference[w * h + w * 1 + 1]); // U of block (2, 2)
}
