#include <Hyx/DataTypeCameraParams.h>

#include "CapturedLog.h"
#include "GeometryTestUtil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

using Hyx::DataTypeCameraParams;
using VornCommon::CameraParams;
using VornCommon::Vector2f;
using namespace GeometryTest;

namespace {

/// A camera with distinct values in every field an old layout stores.
CameraParams sampleCamera(float base)
{
    CameraParams c(640 + uint32_t(base), 480, Vector2f(500 + base, 501 + base));
    c.C = Vector2f(320 + base, 240 + base);
    for (int i = 0; i < 5; ++i)
        c.distortion[i] = 0.01f * float(i + 1) + base;
    c.translation = VornCommon::Vector3f(1 + base, 2 + base, 3 + base);
    c.rotation = VornCommon::Matrix4x4f(0, -1, 0, 0, 1, 0, 0, 0, 0, 0, base, 0, 0, 0, 0, 1);
    return c;
}

/// One camera in a version 0 to 3 layout.
void putOld(Bytes& bytes, const CameraParams& c, bool distortionCentre, bool pose)
{
    const uint32_t size[2] = {c.width, c.height};
    bytes.insert(bytes.end(), reinterpret_cast<const uint8_t*>(size), reinterpret_cast<const uint8_t*>(size + 2));
    std::vector<float> values = {c.F.x, c.F.y, c.C.x, c.C.y};
    if (distortionCentre)
        values.insert(values.end(), {c.distortionC.x, c.distortionC.y});
    values.insert(values.end(), c.distortion, c.distortion + 5);
    if (pose) {
        values.insert(values.end(), {c.translation.x, c.translation.y, c.translation.z});
        for (int r = 0; r < 3; ++r)
            values.insert(values.end(), {c.rotation[r][0], c.rotation[r][1], c.rotation[r][2]});
    }
    const auto* raw = reinterpret_cast<const uint8_t*>(values.data());
    bytes.insert(bytes.end(), raw, raw + values.size() * 4);
}

Bytes oldPayload(int version, const CameraParams& color, const CameraParams& ir)
{
    Bytes bytes;
    putOld(bytes, color, version == 3, true);
    putOld(bytes, ir, false, version > 0);
    return bytes;
}

} // namespace

TEST(DataTypeCameraParams, OldVersionsMigrateToVersionFour)
{
    const CameraParams color = sampleCamera(1);
    const CameraParams ir = sampleCamera(2);
    for (int version = 0; version <= 3; ++version) {
        DataTypeCameraParams layer;
        ASSERT_TRUE(Load(layer, version, oldPayload(version, color, ir))) << version;
        EXPECT_EQ(layer.GetVersion(), 4);
        CameraParams expectedColor = color;
        expectedColor.distortionC = color.C; // version 3 stores 0, too far from C
        CameraParams expectedIr = ir;
        expectedIr.distortionC = ir.C;
        if (version == 0) {
            expectedIr.translation = color.translation;
            expectedIr.rotation = color.rotation;
        }
        EXPECT_EQ(layer.GetColorCameraParams(), expectedColor) << version;
        EXPECT_EQ(layer.GetIRCameraParams(), expectedIr) << version;
    }
}

TEST(DataTypeCameraParams, VersionThreeDistortionCentreWithinTenPercentIsKept)
{
    const struct {
        Vector2f c;
        Vector2f stored;
        Vector2f expected;
    } cases[] = {
        {{100, 200}, {105, 210}, {105, 210}},
        {{100, 200}, {115, 200}, {100, 200}},
        {{100, 200}, {100, 179}, {100, 200}},
        {{-100, 200}, {-300, 200}, {-300, 200}}, // a negative C never counts as far on x
    };
    for (const auto& k : cases) {
        CameraParams color = sampleCamera(0);
        color.C = k.c;
        color.distortionC = k.stored;
        DataTypeCameraParams layer;
        ASSERT_TRUE(Load(layer, 3, oldPayload(3, color, sampleCamera(1))));
        EXPECT_EQ(layer.GetColorCameraParams().distortionC, k.expected) << k.stored.x << ", " << k.stored.y;
    }
}

TEST(DataTypeCameraParams, ShortAndUnknownPayloadsAreRefusedAndChangeNothing)
{
    DataTypeCameraParams layer;
    layer.GetColorCameraParams() = sampleCamera(3);
    const Bytes before = PayloadOf(layer);
    CapturedLog log;
    const std::pair<int, size_t> cases[] = {{4, 255}, {4, 0}, {0, 135}, {1, 183}, {2, 183}, {3, 191}, {5, 256}};
    for (const auto& [version, size] : cases) {
        EXPECT_FALSE(Load(layer, version, Bytes(size, 1))) << version << " / " << size;
        EXPECT_EQ(PayloadOf(layer), before);
        EXPECT_EQ(layer.GetVersion(), 4) << "the written bytes are version 4";
    }
}

TEST(DataTypeCameraParams, DepthmapSizingAndCopy)
{
    auto layer = std::make_shared<DataTypeCameraParams>();
    EXPECT_EQ(layer->GetDepthmapScale(320), 0.0f) << "no infrared width yet";
    layer->GetIRCameraParams() = CameraParams(640, 576, Vector2f(1, 1));
    EXPECT_EQ(layer->GetDepthmapScale(320), 0.5f);
    uint32_t width = 0, height = 0;
    layer->GetDepthmapDimensions(0.5f, width, height);
    EXPECT_EQ(std::make_pair(width, height), std::make_pair(320u, 288u));
    for (float scale : {-1.0f, NAN, 1e30f, std::numeric_limits<float>::infinity()}) {
        layer->GetDepthmapDimensions(scale, width, height);
        EXPECT_EQ(width + height, 0u) << scale;
    }

    DataTypeCameraParams other;
    other.CopyValuesFrom(layer);
    other.CopyValuesFrom(nullptr);
    EXPECT_EQ(other.GetIRCameraParams(), layer->GetIRCameraParams());
    EXPECT_NE(other.ToString(false).find(", Color={W=0, H=0"), std::string::npos);
}
