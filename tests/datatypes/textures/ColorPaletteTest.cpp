#include <Hyx/DataTypeColorPalette.h>

#include "StreamTestLayers.h"
#include "TextureTestUtil.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace Hyx;

TEST(ColorPalette, PayloadTextAndStatus)
{
    DataTypeColorPalette8bit palette;
    uint8_t* entries = palette.AllocatePalette(8);
    ASSERT_NE(entries, nullptr);
    for (int i = 0; i < 768; ++i)
        entries[i] = uint8_t(i);
    std::vector<uint8_t> payload = HyxTest::PayloadOf(palette);
    ASSERT_EQ(payload.size(), 770u);
    EXPECT_EQ(payload[0], 8);
    EXPECT_EQ(payload[1], 0);
    const std::string text = palette.ToString(false);
    EXPECT_EQ(text.substr(text.find(", BitSize")), ", BitSize=8, Format=8-Bit-Palette");
    palette.updateStatusProperties();
    ASSERT_EQ(palette.getNumStatusProperties(), 2);
    EXPECT_EQ(palette.getStatusPropertyValue("Format"), "8-Bit-Palette");
    EXPECT_EQ(palette.getStatusPropertyValue("Size"), "768");

    // A refused bit size leaves the payload as it was.
    try {
        palette.SetPalette(12, entries);
        ADD_FAILURE() << "no exception";
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "DataTypeColorPalette format is not supported!");
    }
    EXPECT_EQ(HyxTest::PayloadOf(palette), payload);

    // Entries taken from the layer's own payload survive the growth to 16 bits.
    palette.SetPalette(16, palette.GetPaletteData());
    EXPECT_EQ(HyxTest::PayloadOf(palette).size(), 196610u);
    EXPECT_EQ(palette.GetPaletteData()[767], uint8_t(767));
    EXPECT_EQ(palette.GetBitSize(), 8); // the class decides
}

TEST(ColorPalette, LoadsEveryPayload)
{
    struct Row {
        std::vector<uint8_t> payload;
        uint16_t bitSize;
        bool entries;
    };
    auto eightBit = [](size_t size) {
        std::vector<uint8_t> bytes(size, 1);
        bytes[0] = 8;
        bytes[1] = 0;
        return bytes;
    };
    const Row rows[] = {
        {{}, 0, false},
        {{8}, 0, false},
        {eightBit(770), 8, true},
        {eightBit(500), 8, false},
        {{1, 0, 1, 2, 3, 4, 5, 6}, 1, true},
        {{31, 0, 1, 2, 3}, 31, false},
        {{40, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, 40, false},
    };
    for (const Row& r : rows) {
        DataTypeColorPalette8bit palette;
        palette.InitializeHeader(VornCommon::Guid::Nil, 7); // no version is refused
        HyxTest::SetPayload(palette, r.payload);
        EXPECT_EQ(palette.GetStoredBitSize(), r.bitSize);
        EXPECT_EQ(palette.GetPaletteData() != nullptr, r.entries) << r.payload.size();
    }
}
