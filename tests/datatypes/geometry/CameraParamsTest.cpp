#include <Hyx/DataTypeCameraParams.h>

#include "CapturedLog.h"
#include "StreamTestLayers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

using Hyx::DataTypeCameraParams;
using VornCommon::CameraParams;
using VornCommon::Matrix4x4f;
using VornCommon::Vector2f;
using VornCommon::Vector3f;

namespace {

using Bytes = std::vector<uint8_t>;

void put(Bytes& bytes, uint32_t value)
{
    const size_t at = bytes.size();
    bytes.resize(at + 4);
    std::memcpy(bytes.data() + at, &value, 4);
}

void put(Bytes& bytes, float value)
{
    uint32_t raw = 0;
    std::memcpy(&raw, &value, 4);
    put(bytes, raw);
}

/// A camera with distinct values in every stored field.
CameraParams sampleCamera(float base)
{
    CameraParams c(640 + uint32_t(base), 480, Vector2f(500 + base, 501 + base));
    c.C = Vector2f(320 + base, 240 + base);
    for (int i = 0; i < 5; ++i)
        c.distortion[i] = 0.01f * float(i + 1) + base;
    c.translation = Vector3f(1 + base, 2 + base, 3 + base);
    c.rotation = Matrix4x4f(0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    c.rotation[2][2] = base;
    return c;
}

/// One camera in a version 0 to 3 layout.
void putOld(Bytes& bytes, const CameraParams& c, bool distortionCentre, bool pose)
{
    put(bytes, c.width);
    put(bytes, c.height);
    for (float v : {c.F.x, c.F.y, c.C.x, c.C.y})
        put(bytes, v);
    if (distortionCentre) {
        put(bytes, c.distortionC.x);
        put(bytes, c.distortionC.y);
    }
    for (float k : c.distortion)
        put(bytes, k);
    if (!pose)
        return;
    for (int a = 0; a < 3; ++a)
        put(bytes, c.translation[a]);
    for (int r = 0; r < 3; ++r)
        for (int col = 0; col < 3; ++col)
            put(bytes, c.rotation[r][col]);
}

Bytes oldPayload(int version, const CameraParams& color, const CameraParams& ir)
{
    Bytes bytes;
    putOld(bytes, color, version == 3, true);
    putOld(bytes, ir, false, version > 0);
    return bytes;
}

Bytes serialized(DataTypeCameraParams& layer)
{
    uint32_t size = 0;
    const uint8_t* data = layer.Serialize(size);
    return Bytes(data, data + size);
}

bool load(DataTypeCameraParams& layer, int version, const Bytes& bytes)
{
    layer.InitializeHeader(VornCommon::Guid::Nil, uint16_t(version));
    return layer.InitializeData(const_cast<uint8_t*>(bytes.data()), uint32_t(bytes.size()));
}

} // namespace

TEST(DataTypeCameraParams, NewLayerSerialisesTwoDefaultCameras)
{
    DataTypeCameraParams layer;
    const Bytes bytes = serialized(layer);
    ASSERT_EQ(bytes.size(), 256u);
    EXPECT_EQ(layer.GetVersion(), 4);
    EXPECT_EQ(CameraParams::FromRawBytes(bytes.data()), CameraParams(0, 0, Vector2f(1, 1)));

    layer.GetIRCameraParams() = sampleCamera(7);
    DataTypeCameraParams copy;
    ASSERT_TRUE(load(copy, 4, serialized(layer)));
    EXPECT_EQ(copy.GetIRCameraParams(), sampleCamera(7));
    EXPECT_EQ(serialized(copy), serialized(layer));
    layer.updateStatusProperties();
    ASSERT_EQ(layer.getNumStatusProperties(), 16);
    EXPECT_EQ(layer.getStatusPropertyName(5), "Color distortion");
    EXPECT_EQ(layer.getStatusPropertyName(15), "IR rotation");
    EXPECT_EQ(layer.getStatusPropertyValue("IR width"), "647");
}

TEST(DataTypeCameraParams, OldVersionsMigrateToVersionFour)
{
    const CameraParams color = sampleCamera(1);
    const CameraParams ir = sampleCamera(2);
    for (int version = 0; version <= 3; ++version) {
        DataTypeCameraParams layer;
        ASSERT_TRUE(load(layer, version, oldPayload(version, color, ir))) << version;
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
        DataTypeCameraParams again;
        ASSERT_TRUE(load(again, layer.GetVersion(), serialized(layer)));
        EXPECT_EQ(again.GetColorCameraParams(), expectedColor);
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
        ASSERT_TRUE(load(layer, 3, oldPayload(3, color, sampleCamera(1))));
        EXPECT_EQ(layer.GetColorCameraParams().distortionC, k.expected) << k.stored.x << ", " << k.stored.y;
    }
}

TEST(DataTypeCameraParams, ShortAndUnknownPayloadsAreRefusedAndChangeNothing)
{
    DataTypeCameraParams layer;
    layer.GetColorCameraParams() = sampleCamera(3);
    const Bytes before = serialized(layer);
    CapturedLog log;
    const struct {
        int version;
        Bytes bytes;
    } cases[] = {
        {4, Bytes(255, 1)}, {0, Bytes(135, 1)}, {1, Bytes(183, 1)}, {2, Bytes(183, 1)},
        {3, Bytes(191, 1)}, {5, Bytes(256, 1)}, {4, Bytes()},
    };
    for (const auto& k : cases) {
        EXPECT_FALSE(load(layer, k.version, k.bytes)) << k.version << " / " << k.bytes.size();
        EXPECT_EQ(serialized(layer), before);
        EXPECT_EQ(layer.GetVersion(), 4) << "the written bytes are version 4";
    }
}

TEST(DataTypeCameraParams, DepthmapSizingAndCopy)
{
    auto layer = std::make_shared<DataTypeCameraParams>();
    EXPECT_EQ(layer->GetDepthmapScale(320), 0.0f) << "no infrared width yet";
    uint32_t width = 9, height = 9;
    layer->GetDepthmapDimensions(std::numeric_limits<float>::infinity(), width, height);
    EXPECT_EQ(width, 0u);
    layer->GetIRCameraParams() = CameraParams(640, 576, Vector2f(1, 1));
    EXPECT_EQ(layer->GetDepthmapScale(320), 0.5f);
    layer->GetDepthmapDimensions(0.5f, width, height);
    EXPECT_EQ(width, 320u);
    EXPECT_EQ(height, 288u);
    for (float scale : {-1.0f, NAN, 1e30f}) {
        layer->GetDepthmapDimensions(scale, width, height);
        EXPECT_EQ(width + height, 0u) << scale;
    }

    DataTypeCameraParams other;
    other.CopyValuesFrom(layer);
    EXPECT_EQ(other.GetIRCameraParams(), layer->GetIRCameraParams());
    other.CopyValuesFrom(nullptr);
    EXPECT_EQ(other.GetIRCameraParams().width, 640u);
    EXPECT_NE(other.ToString(false).find(", Color={W=0, H=0"), std::string::npos);
}
