#include <Hyx/AtomInfo.h>
#include <Hyx/HyxLookupTable.h>

#include <ThrownText.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

using Hyx::AtomInfo;
using Hyx::HyxLookupTable;
using VornCommon::Guid;

namespace {

uint32_t idWord(uint32_t type, uint32_t stream, uint32_t frame)
{
    return type << 28 | frame << 6 | stream;
}

std::shared_ptr<AtomInfo> info(uint32_t stream, uint32_t frame)
{
    return std::make_shared<AtomInfo>(idWord(0, stream, frame), 1000 + frame, 31, 0, 0);
}

Guid guidNumber(uint32_t n)
{
    Guid::Bytes bytes{};
    bytes[12] = static_cast<uint8_t>(n >> 24);
    bytes[13] = static_cast<uint8_t>(n >> 16);
    bytes[14] = static_cast<uint8_t>(n >> 8);
    bytes[15] = static_cast<uint8_t>(n);
    bytes[0] = 0x5A;
    return Guid(bytes);
}

void expectNonChronological(HyxLookupTable& table, std::shared_ptr<AtomInfo> record)
{
    EXPECT_EQ(ThrownText<std::logic_error>([&] { table.AddAtomInfo(std::move(record)); }),
              "Frames in non-chronological order not (yet) supported.");
}

} // namespace

TEST(HyxLookupTable, GuidIndicesCountFromZeroInOrderOfFirstUse)
{
    HyxLookupTable table;
    const Guid a = guidNumber(1), b = guidNumber(2);
    EXPECT_EQ((std::tuple{table.GetGuidIndex(a), table.GetGuidIndex(b), table.GetGuidIndex(a),
                          table.GetGuidIndex(Guid::Nil), table.GetGuidCount(), table.GetGuid(1)}),
              std::tuple(0, 1, 0, 2, 3u, b));
    EXPECT_THROW(table.GetGuid(3), std::out_of_range);
}

TEST(HyxLookupTable, GuidListRefusesToWrapPast65535Entries)
{
    HyxLookupTable table;
    for (uint32_t i = 0; i < HyxLookupTable::MAX_GUIDS; ++i)
        ASSERT_EQ(table.GetGuidIndex(guidNumber(i)), i);
    EXPECT_EQ(table.GetGuidIndex(guidNumber(65534)), 65534);
    EXPECT_THROW(table.GetGuidIndex(guidNumber(70000)), std::length_error);
    EXPECT_EQ(table.GetGuidCount(), HyxLookupTable::MAX_GUIDS);
}

TEST(HyxLookupTable, FilesRecordsByStreamInOrderOfFirstAppearance)
{
    HyxLookupTable table;
    EXPECT_FALSE(table.FindStream(2));
    table.AddAtomInfo(info(2, 0));
    table.AddAtomInfo(info(0, 0));
    table.AddAtomInfo(info(2, 1));
    ASSERT_EQ(table.GetStreams().size(), 2u);
    EXPECT_EQ((std::tuple{table.GetStreams()[0]->streamId, table.GetStreams()[1]->streamId, table.GetNumFrames(2),
                          table.GetNumFrames(0), table.GetNumFrames(9)}),
              std::tuple(2, 0, 2u, 1u, 0u));
    EXPECT_THROW(table.AddAtomInfo(nullptr), std::invalid_argument);
}

TEST(HyxLookupTable, GapsInFrameNumbersAreStoredByPosition)
{
    HyxLookupTable table;
    for (uint32_t frame : {0u, 2u, 5u})
        table.AddAtomInfo(info(4, frame));
    ASSERT_TRUE(table.GetAtomInfo(4, 2));
    EXPECT_EQ((std::tuple{table.GetNumFrames(4), table.GetAtomInfo(4, 2)->GetFrame(), table.GetAtomInfo(4, 3),
                          table.GetAtomInfo(1, 0)}),
              std::tuple(3u, 5u, nullptr, nullptr));
}

TEST(HyxLookupTable, NonChronologicalFrameIsRefusedAndLeavesTableUnchanged)
{
    HyxLookupTable table;
    table.AddAtomInfo(info(3, 0));
    expectNonChronological(table, info(3, 0));
    EXPECT_EQ(table.GetNumFrames(3), 1u);

    HyxLookupTable other;
    other.AddAtomInfo(info(1, 0));
    other.AddAtomInfo(info(1, 1));
    expectNonChronological(other, info(1, 1));
    EXPECT_EQ(other.GetNumFrames(1), 2u);
    // Frames 0, 5, 3 pass: the test compares with the count, not the previous frame.
    HyxLookupTable loose;
    for (uint32_t frame : {0u, 5u, 3u})
        loose.AddAtomInfo(info(0, frame));
    EXPECT_EQ(loose.GetNumFrames(0), 3u);
    EXPECT_NO_THROW(loose.ThrowIfNotChronological(idWord(0, 0, 3)));
    EXPECT_THROW(loose.ThrowIfNotChronological(idWord(0, 0, 2)), std::logic_error);
}

namespace {

using Bytes = std::vector<uint8_t>;

Bytes serialize(HyxLookupTable& table)
{
    uint32_t size = 0;
    const uint8_t* bytes = table.Serialize(size);
    return bytes ? Bytes(bytes, bytes + size) : Bytes();
}

// Streams 2, 0, 2; stream s's atoms have s + 1 blocks. GUIDs 0, 9, 1, 2 in order of first use.
HyxLookupTable sampleTable()
{
    HyxLookupTable table;
    for (uint32_t stream : {2u, 0u, 2u}) {
        auto entry = std::make_shared<AtomInfo>(idWord(0, stream, table.GetNumFrames(stream)), 5, 31, 135, 4);
        for (uint32_t l = 0; l <= stream; ++l)
            entry->layers.push_back(std::make_shared<Hyx::LayerInfo>(45 * l, 45, table.GetGuidIndex(guidNumber(l)),
                                                                     table.GetGuidIndex(guidNumber(9)), 0));
        table.AddAtomInfo(entry);
    }
    return table;
}

} // namespace

TEST(HyxLookupTableRecord, EmptyTableAndRoundTrip)
{
    HyxLookupTable empty;
    const Bytes expected = {0x1C, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x92, 0x16, 0x00, 0x00, 0x01, 0x00,
                            0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x92, 0x16, 0x00, 0x00, 0x1C, 0x00, 0x00, 0x00};
    EXPECT_EQ(serialize(empty), expected);

    HyxLookupTable table = sampleTable();
    const Bytes bytes = serialize(table);
    // S = 28 + 16 G + sum over streams (6 + sum over atoms (29 + 14 L)).
    EXPECT_EQ(bytes.size(), 28u + 16 * 4 + (6 + 2 * (29 + 14 * 3)) + (6 + 29 + 14));
    const auto back = HyxLookupTable::Deserialize(bytes.data(), static_cast<uint32_t>(bytes.size()));
    ASSERT_TRUE(back);
    EXPECT_EQ((std::tuple{serialize(*back), back->GetGuid(3), back->GetAtomInfo(2, 1)->layers[2]->offset,
                          back->FitsContainer(31 + 135), back->FitsContainer(31 + 134)}),
              std::tuple(bytes, guidNumber(2), 90u, true, false));
}

TEST(HyxLookupTableRecord, MalformedRecordsGiveNoTable)
{
    // Offsets into the sample record: G at 16, the GUID list at 18, the stream count at 82,
    // stream 2 at 84 (id, count), its first entry at 90 with its layer count at 118 and its
    // first layer entry at 119 (purpose index at 127); the trailer in the last 8 bytes.
    const struct {
        long at; // from the end when negative
        uint32_t value, width;
    } cases[] = {
        {0, 1, 4},    {-4, 1, 4},  {-8, 5779, 4}, {7, 0x20, 1},  {8, 5779, 4}, {12, 2, 4}, {16, 500, 2},
        {82, 900, 2}, {84, 64, 2}, {86, 90, 4},   {118, 200, 1}, {127, 4, 2},  {90, 0, 1}, {93, 0x10, 1},
    };
    HyxLookupTable table = sampleTable();
    const Bytes good = serialize(table);
    for (const auto& c : cases) {
        // An exact-size copy, so that a read past the end shows under ASan.
        const size_t at = c.at < 0 ? good.size() - static_cast<size_t>(-c.at) : static_cast<size_t>(c.at);
        std::unique_ptr<uint8_t[]> bytes(new uint8_t[good.size()]);
        std::copy(good.begin(), good.end(), bytes.get());
        std::memcpy(bytes.get() + at, &c.value, c.width);
        EXPECT_FALSE(HyxLookupTable::Deserialize(bytes.get(), static_cast<uint32_t>(good.size()))) << at;
    }
    EXPECT_FALSE(HyxLookupTable::Deserialize(good.data(), static_cast<uint32_t>(good.size() - 1)));
}

TEST(HyxLookupTableRecord, IndexTheRecordCannotHoldGivesNoRecord)
{
    HyxLookupTable table;
    auto entry = std::make_shared<AtomInfo>(idWord(0, 0, 0), 0, 31, 0, 0);
    entry->layers.assign(HyxLookupTable::MAX_LAYERS_PER_ATOM + 1, std::make_shared<Hyx::LayerInfo>(0, 45, 0, 0, 0));
    table.AddAtomInfo(entry);
    uint32_t size = 1;
    EXPECT_EQ((std::tuple{table.Serialize(size), size}), std::tuple(nullptr, 0u));
}
