#include <Hyx/AtomId.h>

#include <gtest/gtest.h>

using Hyx::AtomId;

TEST(AtomId, OutOfRangeValuesNeverSpillIntoNeighbours)
{
    // Stream 64 is 0 in six bits; it must not turn into frame 1.
    EXPECT_EQ((std::tuple{AtomId::Create(0, 64, 0), AtomId::SetStreamId(AtomId::Create(0, 3, 9), 64)}),
              std::tuple(0u, AtomId::Create(0, 0, 9)));
    // Frame -2 (0xFFFFFFFE) keeps the type bits 0.
    const uint32_t id = AtomId::SetFrame(AtomId::Create(0, 4, 0), static_cast<uint32_t>(-2));
    EXPECT_EQ((std::tuple{AtomId::GetAtomType(id), AtomId::GetStreamId(id), AtomId::GetFrameNr(id),
                          AtomId::GetAtomType(AtomId::Create(0, 0, 0x400000)), AtomId::SetAtomType(0x0FFFFFFFu, 0x11)}),
              std::tuple(0u, 4u, 0x3FFFFEu, 0u, 0x1FFFFFFFu));
}
