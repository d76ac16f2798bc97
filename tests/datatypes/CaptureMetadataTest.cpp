#include <Hyx/DataTypeCaptureMetadata.h>

#include "LayerTestUtil.h"

#include <gtest/gtest.h>

using namespace Hyx;
using HyxTest::Bytes;
using HyxTest::EndsWith;
using HyxTest::Loaded;
using HyxTest::PayloadBuilder;
using HyxTest::PayloadOf;

TEST(DataTypeRecordingInfo, DefaultPayloadAndRoundTrip)
{
    DataTypeRecordingInfo layer;
    EXPECT_EQ(PayloadOf(layer), Bytes(5, 0));
    EXPECT_EQ(layer.GetVersion(), 3);

    layer.SetValues("S", "T1", {3, 7, 12}, "live");
    const Bytes expected = PayloadBuilder().text("S").text("T1").u16(3).u16(3).u16(7).u16(12).text("live").bytes;
    EXPECT_EQ(PayloadOf(layer), expected);
    EXPECT_TRUE(EndsWith(layer.ToString(false), ", SessionName=S, TakeId=T1, EnabledNucs=3,7,12, OperationMode=live"))
        << layer.ToString(false);
    layer.updateStatusProperties();
    EXPECT_EQ(layer.getStatusPropertyValue("EnabledNucs"), "3,7,12");

    auto back = Loaded<DataTypeRecordingInfo>(expected, 3);
    EXPECT_EQ(back->GetEnabledNucs(), (std::vector<int>{3, 7, 12}));
    EXPECT_EQ(back->GetOperationMode(), "live");
}

TEST(DataTypeRecordingInfo, OlderVersionsMigrateWithoutRewrite)
{
    const Bytes names = PayloadBuilder().text("S").text("T").bytes;
    const Bytes v2 = PayloadBuilder().raw(names).u16(1).u16(9).bytes;
    std::vector<int> zeroTo63(64);
    for (int i = 0; i < 64; ++i)
        zeroTo63[size_t(i)] = i;
    const struct {
        uint16_t version;
        Bytes payload;
        std::vector<int> nucs;
    } cases[] = {{0, names, {}}, {1, names, zeroTo63}, {2, v2, {9}}};
    for (const auto& c : cases) {
        bool ok = false;
        auto layer = Loaded<DataTypeRecordingInfo>(c.payload, c.version, &ok);
        ASSERT_TRUE(ok) << c.version;
        EXPECT_EQ(layer->GetSessionName(), "S");
        EXPECT_EQ(layer->GetTakeId(), "T");
        EXPECT_EQ(layer->GetEnabledNucs(), c.nucs) << c.version;
        EXPECT_EQ(layer->GetOperationMode(), "");
        EXPECT_EQ(layer->GetVersion(), c.version);
        EXPECT_EQ(PayloadOf(*layer), c.payload);
    }
    bool ok = true;
    Loaded<DataTypeRecordingInfo>(names, 4, &ok);
    EXPECT_FALSE(ok);
}

TEST(DataTypeRecordingInfo, TruncatedPayloadStopsAtFirstMissingField)
{
    // Session "S", take without its NUL: nothing after it may be read from the take's bytes
    // (they would make count 0x0101 and a list).
    Bytes payload = PayloadBuilder().text("S").bytes;
    payload.insert(payload.end(), 600, 1);
    auto layer = Loaded<DataTypeRecordingInfo>(payload, 3);
    EXPECT_EQ(layer->GetSessionName(), "S");
    EXPECT_EQ(layer->GetTakeId(), "");
    EXPECT_TRUE(layer->GetEnabledNucs().empty());

    // A list that does not fit: no mode is read out of it.
    const Bytes shortList = PayloadBuilder().text("S").text("T").u16(3).u16(65).text("X").bytes;
    layer = Loaded<DataTypeRecordingInfo>(shortList, 3);
    EXPECT_TRUE(layer->GetEnabledNucs().empty());
    EXPECT_EQ(layer->GetOperationMode(), "");
}

TEST(DataTypeRecordingInfo, SettersRewriteOnlyOnChange)
{
    DataTypeRecordingInfo layer;
    layer.SetValues("S", "T", {1}, "M");
    const auto before = layer.GetRawDataPtr()->data();
    layer.SetSessionName("S");
    layer.SetEnabledNucs({1});
    EXPECT_EQ(layer.GetRawDataPtr()->data(), before);
    EXPECT_EQ(PayloadOf(layer), PayloadBuilder().text("S").text("T").u16(1).u16(1).text("M").bytes);

    // The list is written at once, not at the next text change.
    layer.SetEnabledNucs({70000, -1});
    EXPECT_EQ(PayloadOf(layer), PayloadBuilder().text("S").text("T").u16(2).u16(4464).u16(65535).text("M").bytes);
    EXPECT_EQ(layer.GetEnabledNucs(), (std::vector<int>{4464, 65535}));

    layer.SetTakeId(layer.GetSessionName().c_str());
    EXPECT_EQ(layer.GetTakeId(), "S");
    EXPECT_THROW(layer.SetEnabledNucs(std::vector<int>(65536, 1)), std::length_error);
    EXPECT_EQ(layer.GetEnabledNucs().size(), 2u);
}

TEST(DataTypeRecordingSettings, FlagsTextAndStoredHighBits)
{
    DataTypeRecordingSettings layer;
    EXPECT_EQ(PayloadOf(layer), Bytes{31});
    EXPECT_TRUE(EndsWith(layer.ToString(false), ", RecIR=Yes, RecCOL=Yes, RecPC=Yes, RecN=Yes, RecDM=Yes"))
        << layer.ToString(false);
    layer.SetRecordPointCloud(false);
    layer.SetRecordIr(false);
    EXPECT_EQ(PayloadOf(layer), Bytes{26});
    layer.updateStatusProperties();
    EXPECT_EQ(layer.getStatusPropertyValue("Record IR"), "False");
    EXPECT_EQ(layer.getStatusPropertyValue("Record DepthMap"), "True");

    auto stored = Loaded<DataTypeRecordingSettings>(Bytes{0xE2}, 0);
    EXPECT_TRUE(stored->GetRecordCol());
    EXPECT_EQ(PayloadOf(*stored), Bytes{0xE2}); // kept as stored
    stored->SetRecordNormals(true);
    EXPECT_EQ(PayloadOf(*stored), Bytes{0x0A}); // writes clear bits 5-7
    EXPECT_FALSE(Loaded<DataTypeRecordingSettings>(Bytes{}, 0)->GetRecordIr());
}

TEST(DataTypeStaticInfo, TypeTexts)
{
    const std::pair<int, const char*> texts[] = {{0, "RAW"},
                                                 {1, "DECODED"},
                                                 {3, "SPAWN_MESH"},
                                                 {4, "STATICTYPE_SPAWN_MESH_NO_TEXTURE"},
                                                 {7, "STATICTYPE_SPAWN_MESH_COLORED"},
                                                 {9, "RAW"}};
    for (const auto& [value, text] : texts)
        EXPECT_EQ(DataTypeStaticInfo::StaticTypeToString(StaticType(value)), text);
    auto layer = Loaded<DataTypeStaticInfo>(Bytes{200}, 0);
    EXPECT_EQ(int(layer->GetStaticType()), 200);
    EXPECT_TRUE(EndsWith(layer->ToString(false), ", StaticType=RAW")) << layer->ToString(false);
}

// The one-field classes: short payloads read as 0, extra bytes are ignored, version 1 is
// refused.
TEST(CaptureMetadata, OneFieldClassesLoadShortAndRefuseVersions)
{
    const auto check = [](auto make, const Bytes& full, float value, auto get) {
        using Layer = typename decltype(make())::element_type;
        for (size_t n = 0; n < full.size(); ++n)
            EXPECT_EQ(float(get(*Loaded<Layer>(Bytes(full.begin(), full.begin() + long(n)), 0))), 0.0f);
        Bytes longer = full;
        longer.push_back(0xFF);
        EXPECT_EQ(float(get(*Loaded<Layer>(longer, 0))), value);
        bool ok = true;
        Loaded<Layer>(full, 1, &ok);
        EXPECT_FALSE(ok);
    };
    check([] { return std::make_shared<DataTypeStaticInfo>(); }, Bytes{5}, 5.0f,
          [](DataTypeStaticInfo& l) { return l.GetStaticType(); });
    check([] { return std::make_shared<DataTypeSegmentInfo>(); }, Bytes{2, 1}, 258.0f,
          [](DataTypeSegmentInfo& l) { return l.GetSegmentId(); });
    check([] { return std::make_shared<DataTypeSequentialConfidence>(); }, PayloadBuilder().f32(0.5f).bytes, 0.5f,
          [](DataTypeSequentialConfidence& l) { return l.GetConfidenceLevel(); });

    DataTypeSequentialConfidence confidence;
    confidence.SetConfidenceLevel(1.0f);
    EXPECT_TRUE(EndsWith(confidence.ToString(false), ", ConfidenceLevel=1")) << confidence.ToString(false);
}
