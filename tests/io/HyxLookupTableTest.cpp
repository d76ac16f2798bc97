#include <Hyx/AtomInfo.h>
#include <Hyx/HyxLookupTable.h>

#include <ThrownText.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <type_traits>

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

TEST(AtomInfo, IdWordFields)
{
    const AtomInfo record(idWord(1, 5, 100), 77, 31, 12, 3);
    static_assert(std::is_same_v<decltype(record.GetAtomType()), Hyx::AtomType>);
    EXPECT_EQ(record.GetAtomType(), Hyx::AtomType::LookupTable);
    EXPECT_EQ(record.GetStreamId(), 5);
    EXPECT_EQ(record.GetFrame(), 100u);
    EXPECT_EQ(record.GetTimeStamp(), 77u);
    EXPECT_EQ(record.GetId(), idWord(1, 5, 100));
    EXPECT_EQ(record.payloadOffset, 31u);
    EXPECT_EQ(record.payloadSize, 12u);
    EXPECT_EQ(record.segmentId, 3u);
    EXPECT_TRUE(record.layers.empty());
}

TEST(HyxLookupTable, GuidIndicesCountFromZeroInOrderOfFirstUse)
{
    HyxLookupTable table;
    const Guid a = guidNumber(1), b = guidNumber(2);
    EXPECT_EQ(table.GetGuidIndex(a), 0);
    EXPECT_EQ(table.GetGuidIndex(b), 1);
    EXPECT_EQ(table.GetGuidIndex(a), 0);
    EXPECT_EQ(table.GetGuidIndex(Guid::Nil), 2);
    EXPECT_EQ(table.GetGuidCount(), 3u);
    EXPECT_EQ(table.GetGuid(1), b);
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
    EXPECT_EQ(table.GetStreams()[0]->streamId, 2);
    EXPECT_EQ(table.GetStreams()[1]->streamId, 0);
    EXPECT_EQ(table.GetNumFrames(2), 2u);
    EXPECT_EQ(table.GetNumFrames(0), 1u);
    EXPECT_EQ(table.GetNumFrames(9), 0u);
    EXPECT_THROW(table.AddAtomInfo(nullptr), std::invalid_argument);
}

TEST(HyxLookupTable, GapsInFrameNumbersAreStoredByPosition)
{
    HyxLookupTable table;
    for (uint32_t frame : {0u, 2u, 5u})
        table.AddAtomInfo(info(4, frame));
    EXPECT_EQ(table.GetNumFrames(4), 3u);
    ASSERT_TRUE(table.GetAtomInfo(4, 2));
    EXPECT_EQ(table.GetAtomInfo(4, 2)->GetFrame(), 5u);
    EXPECT_FALSE(table.GetAtomInfo(4, 3));
    EXPECT_FALSE(table.GetAtomInfo(1, 0));
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
