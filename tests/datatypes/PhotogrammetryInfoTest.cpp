#include <Hyx/DataTypePhotogrammetryInfo.h>
#include <Hyx/HYXPurposeGuids.h>

#include "LayerTestUtil.h"

#include <gtest/gtest.h>

using namespace Hyx;
using namespace HyxTest;
using VornCommon::Guid;

namespace {

Bytes raw(const Guid& guid)
{
    Bytes bytes(16);
    guid.ToRawBytes(bytes.data());
    return bytes;
}

/// Translation 1, 2, 3 and rotation 10 .. 18.
PayloadBuilder geometry()
{
    PayloadBuilder b;
    for (int v : {1, 2, 3, 10, 11, 12, 13, 14, 15, 16, 17, 18})
        b.f32(float(v));
    return b;
}

const Guid OTHER = Guid::FromHexString("0F0E0D0C-0B0A-0908-0706-050403020100");

} // namespace

TEST(DataTypePhotogrammetryInfo, DefaultPayloadAndText)
{
    DataTypePhotogrammetryInfo layer;
    PayloadBuilder expected;
    for (float v : {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1})
        expected.f32(v);
    expected.u32(0).raw(raw(HYXPurposeGuids::PHOTOGRAMMETRY)).u32(0).raw(raw(HYXPurposeGuids::VORN4D));
    EXPECT_EQ(PayloadOf(layer), expected.bytes);
    EXPECT_TRUE(EndsWith(layer.ToString(false),
                         ", translation=0 0 0, rotation=1 0 0 0 1 0 0 0 1, StreamIdSourceCam=0, "
                         "GuidSourceCam=PHOTOGRAMMETRY, StreamIdTargetCam=0, GuidTargetCam=VORN4D"));
}

TEST(DataTypePhotogrammetryInfo, OlderVersionsMigrateAndUpgradeOnWrite)
{
    const Bytes v1 = PayloadBuilder().u32(7).raw(geometry().bytes).bytes;
    const struct {
        uint16_t version;
        Bytes payload;
        Guid source;
    } cases[] = {{1, v1, HYXPurposeGuids::CAMERA_PRIMARY}, {2, PayloadBuilder().raw(v1).raw(raw(OTHER)).bytes, OTHER}};
    for (const auto& c : cases) {
        auto layer = Loaded<DataTypePhotogrammetryInfo>(c.payload, c.version);
        EXPECT_EQ(layer->GetStreamIdTargetCamera(), 7u);
        EXPECT_EQ(layer->GetGuidSourceCamera(), c.source);
        EXPECT_EQ(layer->GetGuidTargetCamera(), HYXPurposeGuids::SECONDARY_COLOR);
        EXPECT_EQ(PayloadOf(*layer), c.payload); // not rewritten by loading
        layer->SetSourceCameraGuid(OTHER);
        EXPECT_EQ(PayloadOf(*layer),
                  geometry().u32(7).raw(raw(OTHER)).u32(7).raw(raw(HYXPurposeGuids::SECONDARY_COLOR)).bytes);
    }
}

// Fields sit at fixed offsets: a short payload yields what it holds, never one field read
// out of another's bytes.
TEST(DataTypePhotogrammetryInfo, TruncatedPayloadsKeepFieldsInPlace)
{
    const Bytes full = geometry().u32(5).raw(raw(OTHER)).u32(6).raw(raw(OTHER)).bytes;
    for (uint32_t n = 0; n <= 88; ++n) {
        auto layer = Loaded<DataTypePhotogrammetryInfo>(Bytes(full.begin(), full.begin() + n), 3);
        EXPECT_EQ(layer->GetTranslation() != nullptr, n >= 12) << n;
        EXPECT_EQ(layer->GetRotation() != nullptr, n >= 48) << n;
        EXPECT_EQ(layer->GetStreamIdSourceCamera(), n >= 52 ? 5u : 0u) << n;
        EXPECT_EQ(layer->GetGuidSourceCamera(), n >= 68 ? OTHER : Guid::Nil) << n;
        EXPECT_EQ(layer->GetStreamIdTargetCamera(), n >= 72 ? 6u : 0u) << n;
        EXPECT_EQ(layer->GetGuidTargetCamera(), n >= 88 ? OTHER : Guid::Nil) << n;
    }
    auto tooShort = Loaded<DataTypePhotogrammetryInfo>(Bytes(10), 3);
    EXPECT_NE(tooShort->ToString(false).find("translation=0 0 0, rotation=0 0 0 0 0 0 0 0 0"), std::string::npos);
    EXPECT_FALSE(LoadExact(*tooShort, full, 4));
}

// Setters carry the geometry over, also from the layer itself.
TEST(DataTypePhotogrammetryInfo, SettersKeepGeometry)
{
    auto layer = std::make_shared<DataTypePhotogrammetryInfo>();
    layer->GetTranslation()[1] = 2.5f;
    layer->SetTargetCameraGuid(OTHER);
    layer->CopyValuesFrom(layer);
    EXPECT_EQ((std::tuple{layer->GetTranslation()[1], layer->GetGuidTargetCamera()}), std::tuple(2.5f, OTHER));
}
