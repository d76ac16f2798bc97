#include <Hyx/DataTypePhotogrammetryInfo.h>
#include <Hyx/HYXPurposeGuids.h>

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

Bytes guidBytes(const VornCommon::Guid& guid)
{
    Bytes raw(16);
    guid.ToRawBytes(raw.data());
    return raw;
}

/// Translation 1, 2, 3 and rotation 10 .. 18.
PayloadBuilder geometry()
{
    PayloadBuilder b;
    for (int i = 1; i <= 3; ++i)
        b.f32(float(i));
    for (int i = 10; i <= 18; ++i)
        b.f32(float(i));
    return b;
}

const VornCommon::Guid OTHER = VornCommon::Guid::FromHexString("0F0E0D0C-0B0A-0908-0706-050403020100");

} // namespace

TEST(DataTypePhotogrammetryInfo, DefaultPayloadAndText)
{
    DataTypePhotogrammetryInfo layer;
    PayloadBuilder expected;
    for (float v : {0.f, 0.f, 0.f, 1.f, 0.f, 0.f, 0.f, 1.f, 0.f, 0.f, 0.f, 1.f})
        expected.f32(v);
    expected.u32(0).raw(guidBytes(HYXPurposeGuids::PHOTOGRAMMETRY)).u32(0).raw(guidBytes(HYXPurposeGuids::VORN4D));
    EXPECT_EQ(PayloadOf(layer), expected.bytes);
    EXPECT_EQ(layer.GetVersion(), 3);
    EXPECT_TRUE(EndsWith(layer.ToString(false),
                         ", translation=0 0 0, rotation=1 0 0 0 1 0 0 0 1, StreamIdSourceCam=0, "
                         "GuidSourceCam=PHOTOGRAMMETRY, StreamIdTargetCam=0, GuidTargetCam=VORN4D"))
        << layer.ToString(false);
    layer.updateStatusProperties();
    EXPECT_EQ(layer.getStatusPropertyValue("Guid target cam"), "VORN4D");
}

TEST(DataTypePhotogrammetryInfo, OlderVersionsMigrateAndUpgradeOnWrite)
{
    const Bytes v1 = PayloadBuilder().u32(7).raw(geometry().bytes).bytes;
    const Bytes v2 = PayloadBuilder().raw(v1).raw(guidBytes(OTHER)).bytes;
    const struct {
        uint16_t version;
        Bytes payload;
        VornCommon::Guid source;
    } cases[] = {{1, v1, HYXPurposeGuids::CAMERA_PRIMARY}, {2, v2, OTHER}};
    for (const auto& c : cases) {
        auto layer = Loaded<DataTypePhotogrammetryInfo>(c.payload, c.version);
        EXPECT_EQ(layer->GetStreamIdSourceCamera(), 7u);
        EXPECT_EQ(layer->GetStreamIdTargetCamera(), 7u);
        EXPECT_EQ(layer->GetGuidSourceCamera(), c.source);
        EXPECT_EQ(layer->GetGuidTargetCamera(), HYXPurposeGuids::SECONDARY_COLOR);
        EXPECT_EQ(reinterpret_cast<uint8_t*>(layer->GetTranslation()), layer->GetRawDataPtr()->data() + 4);
        EXPECT_EQ(PayloadOf(*layer), c.payload); // not rewritten by loading

        layer->SetSourceCameraGuid(OTHER);
        const Bytes expected =
            geometry().u32(7).raw(guidBytes(OTHER)).u32(7).raw(guidBytes(HYXPurposeGuids::SECONDARY_COLOR)).bytes;
        EXPECT_EQ(PayloadOf(*layer), expected);
        EXPECT_EQ(layer->GetVersion(), 3);
    }
}

// Every field sits at a fixed offset: a short payload yields what it holds and never reads
// one field out of another's bytes.
TEST(DataTypePhotogrammetryInfo, TruncatedPayloadsKeepFieldsInPlace)
{
    const Bytes full = geometry().u32(5).raw(guidBytes(OTHER)).u32(6).raw(guidBytes(OTHER)).bytes;
    ASSERT_EQ(full.size(), 88u);
    for (uint32_t n = 0; n <= 88; ++n) {
        auto layer = Loaded<DataTypePhotogrammetryInfo>(Bytes(full.begin(), full.begin() + n), 3);
        EXPECT_EQ(layer->GetTranslation() != nullptr, n >= 12) << n;
        EXPECT_EQ(layer->GetRotation() != nullptr, n >= 48) << n;
        EXPECT_EQ(layer->GetStreamIdSourceCamera(), n >= 52 ? 5u : 0u) << n;
        EXPECT_EQ(layer->GetGuidSourceCamera(), n >= 68 ? OTHER : VornCommon::Guid::Nil) << n;
        EXPECT_EQ(layer->GetStreamIdTargetCamera(), n >= 72 ? 6u : 0u) << n;
        EXPECT_EQ(layer->GetGuidTargetCamera(), n >= 88 ? OTHER : VornCommon::Guid::Nil) << n;
        layer->updateStatusProperties();
        layer->ToString(true);
    }
    auto tooShort = Loaded<DataTypePhotogrammetryInfo>(Bytes(full.begin(), full.begin() + 10), 3);
    EXPECT_NE(tooShort->ToString(false).find("translation=0 0 0, rotation=0 0 0 0 0 0 0 0 0"), std::string::npos);
    bool ok = true;
    Loaded<DataTypePhotogrammetryInfo>(full, 4, &ok);
    EXPECT_FALSE(ok);
}

TEST(DataTypePhotogrammetryInfo, SettersKeepGeometryAndCopy)
{
    DataTypePhotogrammetryInfo layer;
    layer.GetTranslation()[1] = 2.5f;
    const auto before = layer.GetRawDataPtr()->data();
    layer.SetStreamIdTargetCamera(0); // unchanged: untouched
    EXPECT_EQ(layer.GetRawDataPtr()->data(), before);
    layer.SetStreamIdTargetCamera(9);
    layer.SetTargetCameraGuid(OTHER);
    EXPECT_EQ(layer.GetTranslation()[1], 2.5f);

    auto copy = std::make_shared<DataTypePhotogrammetryInfo>();
    copy->CopyValuesFrom(std::make_shared<DataTypePhotogrammetryInfo>());
    auto source = std::shared_ptr<DataTypePhotogrammetryInfo>(&layer, [](auto*) {});
    copy->CopyValuesFrom(source);
    EXPECT_EQ(PayloadOf(*copy), PayloadOf(layer));
    layer.CopyValuesFrom(source);
    EXPECT_EQ(PayloadOf(*copy), PayloadOf(layer));
}
