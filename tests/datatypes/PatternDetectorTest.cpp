#include <Hyx/DataTypePatternDetector.h>

#include "LayerTestUtil.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace Hyx;
using HyxTest::Bytes;
using HyxTest::EndsWith;
using HyxTest::Loaded;
using HyxTest::PayloadBuilder;
using HyxTest::PayloadOf;

namespace {

CirclesStatistics sampleStatistics()
{
    CirclesStatistics s;
    s.reprojError = 1.5f;
    s.scale = 2;
    s.averageLengthPerCam = 3;
    s.varianceLengthPerCam = 4;
    s.detectedFrameCountPerCam = 5;
    s.averageColorErrorPerCam = 6;
    s.varianceColorErrorPerCam = 7;
    s.detectedColorFrameCountPerCam = 3;
    return s;
}

ptrdiff_t offsetOf(const DataTypePatternDetector& layer, const float* p)
{
    return p ? reinterpret_cast<const uint8_t*>(p) - layer.GetRawDataPtr()->data() : -1;
}

} // namespace

TEST(DataTypePatternDetector, AllocateLaysOutAreasAndStatistics)
{
    DataTypePatternDetector layer;
    EXPECT_TRUE(PayloadOf(layer).empty());
    layer.Allocate(2, 3, 4, 0, 1, sampleStatistics());
    const Bytes payload = PayloadOf(layer);
    ASSERT_EQ(payload.size(), 164u);
    EXPECT_EQ(offsetOf(layer, layer.GetCirclesCamVec()), 8);
    EXPECT_EQ(offsetOf(layer, layer.Get2DColor()), 84);
    EXPECT_EQ(layer.Get2DColorSec(), nullptr);
    EXPECT_EQ(offsetOf(layer, layer.Get2DIR()), 124);
    // A new buffer is zeroed; the statistics go in alphabetical order.
    EXPECT_EQ(Bytes(payload.begin() + 8, payload.begin() + 80), Bytes(72, 0));
    EXPECT_EQ(Bytes(payload.end() - 32, payload.end()),
              PayloadBuilder().f32(6).f32(3).u32(3).u32(5).f32(1.5f).f32(2).f32(7).f32(4).bytes);

    const float circle[3] = {0.5f, -1, 2};
    std::memcpy(layer.GetCirclesCamVec(), circle, sizeof circle);
    auto back = Loaded<DataTypePatternDetector>(PayloadOf(layer), 0);
    const CirclesStatistics s = back->GetCirclesStatistics();
    const CirclesStatistics expected = sampleStatistics();
    EXPECT_EQ(std::memcmp(&s, &expected, sizeof s), 0);
    EXPECT_EQ(back->GetDetectedColorFrameCountPerCam(), 3.0f);
    EXPECT_TRUE(EndsWith(back->ToString(false),
                         ", numRowOfCircles=2, numColOfCircles=3, firstCircleX=0.5, firstCircleY=-1, firstCircleZ=2, "
                         "averageColorErrorPerCam=6, averageLengthPerCam=3, detectedColorFrameCountPerCam=3, "
                         "detectedFrameCountPerCam=5, reprojError=1.5, scale=2, varianceColorErrorPerCam=7, "
                         "varianceLengthPerCam=4"))
        << back->ToString(false);
}

// Reading stops at the first area that does not fit; nothing after it is read out of it.
TEST(DataTypePatternDetector, TruncatedPayloadsStopAtTheFirstMissingArea)
{
    DataTypePatternDetector layer;
    layer.Allocate(1, 1, 1, 1, 1, sampleStatistics());
    const Bytes full = PayloadOf(layer); // R C | circle 12 | nc pt | ns pt | ni pt | stats
    ASSERT_EQ(full.size(), 88u);
    for (uint32_t n = 0; n <= full.size(); ++n) {
        auto part = Loaded<DataTypePatternDetector>(Bytes(full.begin(), full.begin() + n), 0);
        EXPECT_EQ(part->GetCirclesCamVec() != nullptr, n >= 20) << n;
        EXPECT_EQ(part->Get2DColor() != nullptr, n >= 32) << n;
        EXPECT_EQ(part->Get2DColorSec() != nullptr, n >= 44) << n;
        EXPECT_EQ(part->Get2DIR() != nullptr, n >= 56) << n;
        EXPECT_EQ(part->GetAverageColorErrorPerCam(), n >= 60 ? 6.0f : 0.0f) << n;
        EXPECT_EQ(part->GetVarianceLengthPerCam(), n >= 88 ? 4.0f : 0.0f) << n;
        part->ToString(false);
    }

    // 10 x 10 circles announced in 8 bytes; and a huge grid whose size would wrap 32 bits.
    const Bytes cases[] = {PayloadBuilder().u32(10).u32(10).bytes,
                           PayloadBuilder().u32(0x40000000).u32(0x40000000).u32(0).bytes};
    for (const Bytes& payload : cases) {
        auto part = Loaded<DataTypePatternDetector>(payload, 0);
        EXPECT_EQ(part->GetCirclesCamVec(), nullptr);
        EXPECT_EQ(part->Get2DColor(), nullptr);
        EXPECT_EQ(part->GetScale(), 0.0f);
        EXPECT_NE(part->ToString(false).find("firstCircleX=0, firstCircleY=0, firstCircleZ=0"), std::string::npos);
    }
    EXPECT_EQ(Loaded<DataTypePatternDetector>(cases[1], 0)->GetNumRowCircles(), 0x40000000);
}

TEST(DataTypePatternDetector, AllocateRefusesSizesThatDoNotFit)
{
    DataTypePatternDetector layer;
    EXPECT_THROW(layer.Allocate(-1, 1, 0, 0, 0, {}), std::invalid_argument);
    EXPECT_THROW(layer.Allocate(0x10000, 0x10000, 0, 0, 0, {}), std::length_error);
    EXPECT_THROW(layer.Allocate(0, 0, 0x7FFFFFFF, 0x7FFFFFFF, 0, {}), std::length_error);
    EXPECT_TRUE(PayloadOf(layer).empty());
    bool ok = true;
    Loaded<DataTypePatternDetector>(Bytes(52), 1, &ok);
    EXPECT_FALSE(ok);
}
