#include <Hyx/AtomId.h>

#include <gtest/gtest.h>

using Hyx::AtomId;

TEST(AtomId, OutOfRangeValuesNeverSpillIntoNeighbours)
{
    // Stream 64 is 0 in six bits; it must not turn into frame 1.
    EXPECT_EQ(AtomId::Create(0, 64, 0), 0u);
    EXPECT_EQ(AtomId::SetStreamId(AtomId::Create(0, 3, 9), 64), AtomId::Create(0, 0, 9));
    // Frame -2 (0xFFFFFFFE) keeps the type bits 0.
    const uint32_t id = AtomId::SetFrame(AtomId::Create(0, 4, 0), static_cast<uint32_t>(-2));
    EXPECT_EQ(AtomId::GetAtomType(id), 0u);
    EXPECT_EQ(AtomId::GetStreamId(id), 4u);
    EXPECT_EQ(AtomId::GetFrameNr(id), 0x3FFFFEu);
    EXPECT_EQ(AtomId::GetAtomType(AtomId::Create(0, 0, 0x400000)), 0u);
    EXPECT_EQ(AtomId::SetAtomType(0x0FFFFFFFu, 0x11), 0x1FFFFFFFu);
}
