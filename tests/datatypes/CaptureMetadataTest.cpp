#include <Hyx/DataTypeCaptureMetadata.h>

#include "LayerTestUtil.h"

#include <gtest/gtest.h>

#include <numeric>

using namespace Hyx;
using namespace HyxTest;

TEST(DataTypeRecordingInfo, PayloadTextAndRoundTrip)
{
    DataTypeRecordingInfo layer;
    EXPECT_EQ(PayloadOf(layer), Bytes(5, 0));
    layer.SetValues("S", "T1", {3, 7, 12}, "live");
    const Bytes expected = PayloadBuilder().text("S").text("T1").u16(3).u16(3).u16(7).u16(12).text("live").bytes;
    EXPECT_EQ(
        (std::tuple{PayloadOf(layer), EndsWith(layer.ToString(false),
                                               ", SessionName=S, TakeId=T1, EnabledNucs=3,7,12, OperationMode=live")}),
        std::tuple(expected, true));
}

TEST(DataTypeRecordingInfo, OlderVersionsMigrateWithoutRewrite)
{
    const Bytes names = PayloadBuilder().text("S").text("T").bytes;
    std::vector<int> zeroTo63(64);
    std::iota(zeroTo63.begin(), zeroTo63.end(), 0);
    const struct {
        uint16_t version;
        Bytes payload;
        std::vector<int> nucs;
    } cases[] = {{0, names, {}}, {1, names, zeroTo63}, {2, PayloadBuilder().raw(names).u16(1).u16(9).bytes, {9}}};
    for (const auto& c : cases) {
        auto layer = Loaded<DataTypeRecordingInfo>(c.payload, c.version);
        EXPECT_EQ(layer->GetTakeId(), "T");
        EXPECT_EQ(layer->GetEnabledNucs(), c.nucs) << c.version;
        EXPECT_EQ(PayloadOf(*layer), c.payload);
    }
    EXPECT_FALSE(LoadExact(*Loaded<DataTypeRecordingInfo>({}, 3), names, 4));
}

// Nothing is read past a field that does not fit.
TEST(DataTypeRecordingInfo, TruncatedPayloadStopsAtFirstMissingField)
{
    Bytes takeWithoutNul = PayloadBuilder().text("S").bytes; // its bytes would read as count 0x0101
    takeWithoutNul.insert(takeWithoutNul.end(), 600, 1);
    EXPECT_TRUE(Loaded<DataTypeRecordingInfo>(takeWithoutNul, 3)->GetEnabledNucs().empty());
    const Bytes shortList = PayloadBuilder().text("S").text("T").u16(3).u16(65).text("X").bytes;
    auto layer = Loaded<DataTypeRecordingInfo>(shortList, 3);
    EXPECT_EQ((std::tuple{layer->GetEnabledNucs().empty(), layer->GetOperationMode()}), std::tuple(true, ""));
}

TEST(DataTypeRecordingInfo, SettersRewriteOnlyOnChange)
{
    DataTypeRecordingInfo layer; // a version-2 payload stays so until a value changes
    LoadExact(layer, PayloadBuilder().text("S").text("T").u16(1).u16(1).bytes, 2);
    layer.SetSessionName("S");
    layer.SetEnabledNucs({1});
    EXPECT_EQ(layer.GetVersion(), 2);
    layer.SetOperationMode("M");
    layer.SetEnabledNucs({70000, -1}); // written at once, as low 16 bits
    EXPECT_EQ(PayloadOf(layer), PayloadBuilder().text("S").text("T").u16(2).u16(4464).u16(65535).text("M").bytes);
    layer.SetTakeId(layer.GetSessionName().c_str());
    EXPECT_EQ(layer.GetTakeId(), "S");
    EXPECT_THROW(layer.SetEnabledNucs(std::vector<int>(65536, 1)), std::length_error);
    EXPECT_EQ(layer.GetEnabledNucs().size(), 2u);
}

TEST(DataTypeRecordingSettings, FlagsTextAndStoredHighBits)
{
    DataTypeRecordingSettings layer;
    EXPECT_EQ((std::tuple{PayloadOf(layer),
                          EndsWith(layer.ToString(false), ", RecIR=Yes, RecCOL=Yes, RecPC=Yes, RecN=Yes, RecDM=Yes")}),
              std::tuple(Bytes{31}, true));
    layer.SetRecordPointCloud(false);
    layer.SetRecordIr(false);
    EXPECT_EQ(PayloadOf(layer), Bytes{26});
    auto stored = Loaded<DataTypeRecordingSettings>(Bytes{0xE2}, 0);
    EXPECT_EQ(PayloadOf(*stored), Bytes{0xE2}); // kept as stored
    stored->SetRecordNormals(true);
    EXPECT_EQ(PayloadOf(*stored), Bytes{0x0A}); // writes clear bits 5-7
}

// Short payloads read as 0, extra bytes are ignored, version 1 is refused.
TEST(CaptureMetadata, OneFieldClasses)
{
    const auto check = [](auto layer, const Bytes& full, float value, auto get) {
        for (size_t n = 0; n <= full.size() + 1; ++n) {
            Bytes bytes = full;
            bytes.resize(n, 0xFF);
            LoadExact(*layer, bytes, 0);
            EXPECT_EQ(float(get(*layer)), n < full.size() ? 0.0f : value);
        }
        EXPECT_FALSE(LoadExact(*layer, full, 1));
    };
    check(std::make_shared<DataTypeStaticInfo>(), Bytes{200}, 200.0f, [](auto& l) { return l.GetStaticType(); });
    check(std::make_shared<DataTypeSegmentInfo>(), Bytes{2, 1}, 258.0f, [](auto& l) { return l.GetSegmentId(); });
    check(std::make_shared<DataTypeSequentialConfidence>(), PayloadBuilder().f32(0.5f).bytes, 0.5f,
          [](auto& l) { return l.GetConfidenceLevel(); });
    check(std::make_shared<DataTypeRecordingSettings>(), Bytes{4}, 1.0f,
          [](auto& l) { return l.GetRecordPointCloud(); });
    EXPECT_TRUE(EndsWith(Loaded<DataTypeStaticInfo>(Bytes{200}, 0)->ToString(false), ", StaticType=RAW"));
}
