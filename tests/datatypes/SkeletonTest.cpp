#include <Hyx/DataTypeSkeleton.h>

#include "LayerTestUtil.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace Hyx;
using namespace HyxTest;

namespace {

/// Byte offsets of the eight getters' arrays; -1 for null.
std::vector<ptrdiff_t> offsets(const DataTypeSkeleton& l)
{
    std::vector<ptrdiff_t> result;
    for (const float* p : {l.getLeftHand(), l.getRightHand(), l.getPose(), l.getFace(), l.getLeftHandConfidence(),
                           l.getRightHandConfidence(), l.getPoseConfidence(), l.getFaceConfidence()})
        result.push_back(p ? reinterpret_cast<const uint8_t*>(p) - l.GetRawDataPtr()->data() : -1);
    return result;
}

const std::vector<ptrdiff_t> OFFSETS = {0, 252, 504, 720, 1524, 1608, 1692, 1764};
const std::vector<ptrdiff_t> ENDS = {252, 504, 720, 1524, 1608, 1692, 1764, 2032};

} // namespace

TEST(DataTypeSkeleton, LayoutAndPartialValues)
{
    DataTypeSkeleton layer;
    EXPECT_EQ(layer.getFace(), nullptr);
    layer.InitWithDefaultValues();
    EXPECT_EQ((std::tuple{PayloadOf(layer), offsets(layer)}), std::tuple(Bytes(2032, 0), OFFSETS));

    std::vector<float> pose(54, 0.5f), poseConfidence(18, 1.0f);
    layer.SetValues(nullptr, nullptr, pose.data(), nullptr, nullptr, nullptr, poseConfidence.data(), nullptr);
    const Bytes payload = PayloadOf(layer);
    EXPECT_EQ(Bytes(payload.begin(), payload.begin() + 504), Bytes(504, 0));
    auto back = Loaded<DataTypeSkeleton>(payload, 0);
    EXPECT_EQ((std::tuple{std::vector<float>(back->getPose(), back->getPose() + 54), back->getPoseConfidence()[17]}),
              std::tuple(pose, 1.0f));
}

// Arrays sit at fixed offsets: a short payload keeps exactly the arrays it holds whole.
TEST(DataTypeSkeleton, TruncatedPayloadsKeepArraysInPlace)
{
    for (uint32_t n : {0u, 251u, 504u, 800u, 1600u, 2031u, 2032u}) {
        auto layer = Loaded<DataTypeSkeleton>(Bytes(n, 0), 0);
        for (size_t i = 0; i < 8; ++i)
            EXPECT_EQ(offsets(*layer)[i], ENDS[i] <= n ? OFFSETS[i] : -1) << n << " " << i;
    }
    const std::string text = Loaded<DataTypeSkeleton>(Bytes(504, 0), 0)->ToString(false);
    const size_t hands = text.find(", Left Hand= 0 0 ");
    ASSERT_NE(hands, std::string::npos);
    EXPECT_EQ(text.substr(hands + 13 + 63 * 2, 14), ", Right Hand= ");
    EXPECT_EQ(text.size(), hands + 13 + 63 * 2 + 14 + 63 * 2); // nothing of the missing arrays
    EXPECT_FALSE(LoadExact(*Loaded<DataTypeSkeleton>({}, 0), Bytes(2032), 1));
}

// The layer's own arrays as sources, from a payload that must be replaced to grow.
TEST(DataTypeSkeleton, OwnArraysAsSourcesAndCopies)
{
    auto layer = Loaded<DataTypeSkeleton>(Bytes(1700, 0), 0);
    layer->getFace()[200] = 7;
    layer->SetValues(layer->getLeftHand(), layer->getRightHand(), layer->getPose(), layer->getFace(),
                     layer->getLeftHandConfidence(), layer->getRightHandConfidence(), layer->getPoseConfidence(),
                     layer->getFaceConfidence());
    EXPECT_EQ((std::tuple{layer->getFace()[200], layer->getPoseConfidence()[0]}), std::tuple(7.0f, 0.0f));
    DataTypeSkeleton copy;
    copy.CopyValuesFrom(layer);
    EXPECT_EQ(PayloadOf(copy), PayloadOf(*layer));
}

TEST(DataTypeSkeleton, PrintOut)
{
    DataTypeSkeleton layer;
    testing::internal::CaptureStdout();
    layer.printSkeleton(); // no arrays: zeros, no crash
    testing::internal::GetCapturedStdout();
    layer.InitWithDefaultValues();
    layer.getLeftHand()[0] = 0.5f;
    layer.getLeftHandConfidence()[0] = 1;
    testing::internal::CaptureStdout();
    layer.printSkeleton();
    std::istringstream out(testing::internal::GetCapturedStdout());
    std::vector<std::string> lines;
    for (std::string line; std::getline(out, line);)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 127u);
    EXPECT_EQ(lines[0], "LHand 0: [0.5, 0, 0] Confidence: [1]");
    EXPECT_EQ(lines[21], "RHand 0: [0, 0, 0] Confidence: [0]");
    EXPECT_EQ(lines[42], "Face 0: [0, 0, 0] Confidence: [0]");
    EXPECT_EQ(lines[126], "Pose 17: [0, 0, 0] Confidence: [0]");
}
