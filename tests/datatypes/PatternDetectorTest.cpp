#include <Hyx/DataTypePatternDetector.h>

#include "LayerTestUtil.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace Hyx;
using namespace HyxTest;

namespace {

// Fields in structure order: reprojError, scale, averageLength, varianceLength, frames,
// averageColorError, varianceColorError, colorFrames.
const CirclesStatistics STATISTICS = {1.5f, 2, 3, 4, 5, 6, 7, 3};

ptrdiff_t offsetOf(const DataLayer& layer, const float* p)
{
    return p ? reinterpret_cast<const uint8_t*>(p) - layer.GetRawDataPtr()->data() : -1;
}

} // namespace

TEST(DataTypePatternDetector, AllocateLaysOutAreasAndStatistics)
{
    DataTypePatternDetector layer;
    layer.Allocate(2, 3, 4, 0, 1, STATISTICS);
    const Bytes payload = PayloadOf(layer);
    ASSERT_EQ(payload.size(), 164u);
    EXPECT_EQ((std::tuple{offsetOf(layer, layer.GetCirclesCamVec()), offsetOf(layer, layer.Get2DColor()),
                          layer.Get2DColorSec(), offsetOf(layer, layer.Get2DIR()),
                          layer.GetNum2DColor() * 100 + layer.GetNum2DColorSec() * 10 + layer.GetNum2DIR()}),
              std::tuple(8, 84, nullptr, 124, 401u));
    EXPECT_EQ(Bytes(payload.begin() + 8, payload.begin() + 80), Bytes(72, 0)); // a new buffer is zeroed
    EXPECT_EQ(Bytes(payload.end() - 32, payload.end()), // alphabetical order
              PayloadBuilder().f32(6).f32(3).u32(3).u32(5).f32(1.5f).f32(2).f32(7).f32(4).bytes);

    const float circle[3] = {0.5f, -1, 2};
    std::memcpy(layer.GetCirclesCamVec(), circle, sizeof circle);
    auto back = Loaded<DataTypePatternDetector>(PayloadOf(layer), 0);
    const CirclesStatistics s = back->GetCirclesStatistics();
    EXPECT_EQ((std::tuple{
                  std::memcmp(&s, &STATISTICS, sizeof s),
                  EndsWith(back->ToString(false),
                           ", numRowOfCircles=2, numColOfCircles=3, firstCircleX=0.5, firstCircleY=-1, firstCircleZ=2, "
                           "averageColorErrorPerCam=6, averageLengthPerCam=3, detectedColorFrameCountPerCam=3, "
                           "detectedFrameCountPerCam=5, reprojError=1.5, scale=2, varianceColorErrorPerCam=7, "
                           "varianceLengthPerCam=4")}),
              std::tuple(0, true));
}

// Reading stops at the first area that does not fit; nothing after it is read out of it.
TEST(DataTypePatternDetector, TruncatedPayloadsStopAtTheFirstMissingArea)
{
    DataTypePatternDetector layer;
    layer.Allocate(1, 1, 1, 1, 1, STATISTICS); // R C | circle | nc pt | ns pt | ni pt | stats
    const Bytes full = PayloadOf(layer);
    for (uint32_t n = 0; n <= full.size(); ++n) {
        auto part = Loaded<DataTypePatternDetector>(Bytes(full.begin(), full.begin() + n), 0);
        EXPECT_EQ(part->GetCirclesCamVec() != nullptr, n >= 20) << n;
        EXPECT_EQ(part->Get2DColorSec() != nullptr, n >= 44) << n;
        EXPECT_EQ(part->Get2DIR() != nullptr, n >= 56) << n;
        // A count comes only with its points (a count read before missing points is 0).
        EXPECT_EQ(part->GetNum2DColor() + part->GetNum2DColorSec() + part->GetNum2DIR(),
                  uint32_t((n >= 32) + (n >= 44) + (n >= 56)))
            << n;
        EXPECT_EQ(part->GetAverageColorErrorPerCam(), n >= 60 ? 6.0f : 0.0f) << n;
        EXPECT_EQ(part->GetVarianceLengthPerCam(), n >= 88 ? 4.0f : 0.0f) << n;
    }
    // 10 x 10 circles announced in 8 bytes; a grid whose byte size would wrap 32 bits.
    for (uint32_t side : {10u, 0x40000000u}) {
        auto part = Loaded<DataTypePatternDetector>(PayloadBuilder().u32(side).u32(side).u32(0).bytes, 0);
        EXPECT_EQ((std::tuple{part->GetNumRowCircles(), part->GetCirclesCamVec()}), std::tuple(int(side), nullptr));
        EXPECT_NE(part->ToString(false).find("firstCircleX=0, firstCircleY=0, firstCircleZ=0"), std::string::npos);
    }
}

TEST(DataTypePatternDetector, AllocateRefusesSizesThatDoNotFit)
{
    DataTypePatternDetector layer;
    EXPECT_THROW(layer.Allocate(-1, 1, 0, 0, 0, {}), std::invalid_argument);
    EXPECT_THROW(layer.Allocate(0x10000, 0x10000, 0, 0, 0, {}), std::length_error);
    EXPECT_THROW(layer.Allocate(0, 0, 0x7FFFFFFF, 0x7FFFFFFF, 0, {}), std::length_error);
    EXPECT_EQ((std::tuple{PayloadOf(layer).empty(), bool(LoadExact(layer, Bytes(52), 1))}), std::tuple(true, false));
}
