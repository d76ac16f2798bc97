#include <Hyx/DataTypeColorPalette.h>

#include "StreamTestLayers.h"
#include "TextureTestUtil.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace Hyx;

// Entries taken from the layer's own payload survive a rewrite of another size; entries of
// another size than the class's are not handed out.
TEST(ColorPalette, OwnEntriesAndForeignSizes)
{
    DataTypeColorPalette16bit wide;
    uint8_t* small = wide.AllocatePalette(8);
    for (int i = 0; i < 768; ++i)
        small[i] = uint8_t(i);
    EXPECT_EQ(wide.GetPaletteData(), nullptr);
    wide.SetPalette(16, small); // grows from its own bytes
    ASSERT_NE(wide.GetPaletteData(), nullptr);
    EXPECT_EQ((std::tuple{wide.GetPaletteData()[767], wide.GetPaletteData()[768]}), std::tuple(uint8_t(767), 0));
    wide.SetPalette(8, wide.GetPaletteData() + 3); // shrinks from overlapping bytes
    const std::vector<uint8_t> payload = HyxTest::PayloadOf(wide);
    ASSERT_EQ(payload.size(), 770u);
    EXPECT_EQ(payload[2], 3);
    EXPECT_EQ((std::tuple{payload[2 + 764], wide.GetPaletteData()}), std::tuple(uint8_t(767), nullptr));
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
        {{1, 0, 1, 2, 3, 4, 5, 6}, 1, false}, // complete, but not 8 bits
        {{31, 0, 1, 2, 3}, 31, false},
        {{40, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, 40, false},
    };
    for (const Row& r : rows) {
        DataTypeColorPalette8bit palette;
        HyxTest::SetPayload(palette, r.payload);
        EXPECT_EQ(palette.GetStoredBitSize(), r.bitSize);
        EXPECT_EQ(palette.GetPaletteData() != nullptr, r.entries) << r.payload.size();
    }
    DataTypeColorPalette16bit wide; // an 8-bit palette would be read as 65536 entries
    HyxTest::SetPayload(wide, eightBit(770));
    EXPECT_EQ(wide.GetPaletteData(), nullptr);
    DataTypeColorPalette8bit newer;
    newer.InitializeHeader(VornCommon::Guid::Nil, 1);
    EXPECT_FALSE(newer.InitializeData(eightBit(770).data(), 770));
}
