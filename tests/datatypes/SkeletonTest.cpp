#include <Hyx/DataTypeSkeleton.h>

#include "LayerTestUtil.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

using namespace Hyx;
using HyxTest::Bytes;
using HyxTest::Loaded;
using HyxTest::PayloadOf;

namespace {

ptrdiff_t offsetOf(const DataTypeSkeleton& layer, const float* p)
{
    return p ? reinterpret_cast<const uint8_t*>(p) - layer.GetRawDataPtr()->data() : -1;
}

/// The eight getters in payload order.
std::vector<float*> arrays(const DataTypeSkeleton& l)
{
    return {l.getLeftHand(),           l.getRightHand(),           l.getPose(),           l.getFace(),
            l.getLeftHandConfidence(), l.getRightHandConfidence(), l.getPoseConfidence(), l.getFaceConfidence()};
}

constexpr ptrdiff_t OFFSETS[8] = {0, 252, 504, 720, 1524, 1608, 1692, 1764};
constexpr ptrdiff_t ENDS[8] = {252, 504, 720, 1524, 1608, 1692, 1764, 2032};

} // namespace

TEST(DataTypeSkeleton, LayoutAndPartialValues)
{
    DataTypeSkeleton layer;
    for (float* p : arrays(layer))
        EXPECT_EQ(p, nullptr);
    EXPECT_EQ(layer.ToString(false).find("Hand"), std::string::npos);

    layer.InitWithDefaultValues();
    EXPECT_EQ(PayloadOf(layer), Bytes(2032, 0));
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(offsetOf(layer, arrays(layer)[size_t(i)]), OFFSETS[i]);

    std::vector<float> pose(54), poseConfidence(18);
    for (size_t i = 0; i < pose.size(); ++i)
        pose[i] = float(i) + 0.5f;
    poseConfidence[17] = 1;
    layer.SetValues(nullptr, nullptr, pose.data(), nullptr, nullptr, nullptr, poseConfidence.data(), nullptr);
    auto back = Loaded<DataTypeSkeleton>(PayloadOf(layer), 0);
    EXPECT_EQ(std::memcmp(back->getPose(), pose.data(), 54 * 4), 0);
    EXPECT_EQ(back->getPoseConfidence()[17], 1.0f);
    const Bytes payload = PayloadOf(*back);
    EXPECT_EQ(Bytes(payload.begin(), payload.begin() + 504), Bytes(504, 0));
}

// Arrays sit at fixed offsets: a short payload keeps exactly those that it holds whole.
TEST(DataTypeSkeleton, TruncatedPayloadsKeepArraysInPlace)
{
    for (uint32_t n : {0u, 251u, 504u, 800u, 1600u, 2031u, 2032u}) {
        auto layer = Loaded<DataTypeSkeleton>(Bytes(n, 0), 0);
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(offsetOf(*layer, arrays(*layer)[size_t(i)]), ENDS[i] <= n ? OFFSETS[i] : -1) << n << " " << i;
        layer->ToString(false);
    }
    auto hands = Loaded<DataTypeSkeleton>(Bytes(504, 0), 0);
    const std::string text = hands->ToString(false);
    EXPECT_NE(text.find(", Left Hand= 0 0 "), std::string::npos);
    EXPECT_NE(text.find(", Right Hand= "), std::string::npos);
    EXPECT_EQ(text.find("Pose"), std::string::npos);
    EXPECT_EQ(text.size() - text.find(", Left Hand= "), 13 + 63 * 2 + 14 + 63 * 2);
    bool ok = true;
    Loaded<DataTypeSkeleton>(Bytes(2032), 1, &ok);
    EXPECT_FALSE(ok);
}

// The layer's own arrays as sources, also from a payload that must be replaced.
TEST(DataTypeSkeleton, OwnArraysAsSourcesAndCopies)
{
    auto layer = Loaded<DataTypeSkeleton>(Bytes(1700, 0), 0);
    layer->getFace()[200] = 7;
    layer->getRightHandConfidence()[0] = 3;
    layer->SetValues(layer->getLeftHand(), layer->getRightHand(), layer->getPose(), layer->getFace(),
                     layer->getLeftHandConfidence(), layer->getRightHandConfidence(), layer->getPoseConfidence(),
                     layer->getFaceConfidence());
    EXPECT_EQ(PayloadOf(*layer).size(), 2032u);
    EXPECT_EQ(layer->getFace()[200], 7.0f);
    EXPECT_EQ(layer->getRightHandConfidence()[0], 3.0f);
    EXPECT_EQ(layer->getPoseConfidence()[0], 0.0f);

    DataTypeSkeleton copy;
    copy.CopyValuesFrom(layer);
    EXPECT_EQ(PayloadOf(copy), PayloadOf(*layer));
}

TEST(DataTypeSkeleton, PrintOut)
{
    DataTypeSkeleton layer;
    layer.InitWithDefaultValues();
    layer.getLeftHand()[0] = 0.5f;
    layer.getLeftHandConfidence()[0] = 1;
    testing::internal::CaptureStdout();
    layer.printSkeleton();
    std::istringstream lines(testing::internal::GetCapturedStdout());
    std::vector<std::string> all;
    for (std::string line; std::getline(lines, line);)
        all.push_back(line);
    ASSERT_EQ(all.size(), 127u);
    EXPECT_EQ(all[0], "LHand 0: [0.5, 0, 0] Confidence: [1]");
    EXPECT_EQ(all[21], "RHand 0: [0, 0, 0] Confidence: [0]");
    EXPECT_EQ(all[42], "Face 0: [0, 0, 0] Confidence: [0]");
    EXPECT_EQ(all[126], "Pose 17: [0, 0, 0] Confidence: [0]");

    DataTypeSkeleton empty; // no arrays: zeros, no crash
    testing::internal::CaptureStdout();
    empty.printSkeleton();
    EXPECT_NE(testing::internal::GetCapturedStdout().find("Pose 17: [0, 0, 0] Confidence: [0]"), std::string::npos);
}
