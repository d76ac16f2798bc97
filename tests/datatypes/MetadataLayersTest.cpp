#include <Hyx/DataLayerFactory.h>
#include <Hyx/DataLayerPlaceholder.h>
#include <Hyx/DataTypeByteArray.h>
#include <Hyx/DataTypeCaptureMetadata.h>
#include <Hyx/DataTypeGroupInfo.h>
#include <Hyx/DataTypePCMSample.h>
#include <Hyx/DataTypeSegmentInfo.h>

#include "CapturedLog.h"
#include "LayerTestUtil.h"
#include "MetadataSamples.h"

#include <gtest/gtest.h>

#include <cstring>
#include <numeric>

using namespace Hyx;
using namespace HyxTest;
using VornCommon::Guid;

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

TEST(DataTypeGroupInfo, PayloadVersionsAndNames)
{
    DataTypeGroupInfo layer;
    EXPECT_EQ(PayloadOf(layer), (Bytes{0, 0, 0}));
    layer.SetGroupInfo(7);
    layer.SetGroupName(std::string("A\0C", 3)); // the name ends at its NUL, as stored
    EXPECT_EQ((std::tuple{PayloadOf(layer), layer.GetGroupName(),
                          EndsWith(layer.ToString(false), ", GroupID=7, GroupName=A")}),
              std::tuple((Bytes{7, 0, 'A', 0}), "A", true));

    const struct {
        uint16_t version;
        Bytes payload;
        uint16_t id;
        const char* name;
    } cases[] = {
        {0, {9, 1}, 0x0109, "A"}, // version 0 keeps the current name
        {1, {9, 1, 'x', 0}, 0x0109, "x"},
        {1, {9, 1, 'x'}, 0x0109, ""},
        {1, {9}, 0, ""},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(LoadExact(layer, c.payload, c.version));
        EXPECT_EQ(layer.GetGroupId(), c.id);
        EXPECT_EQ(layer.GetGroupName(), c.name);
        layer.SetGroupName("A");
    }
    EXPECT_FALSE(LoadExact(layer, {9, 1}, 2));
}

TEST(DataTypeByteArray, SerialisesTheArray)
{
    const Bytes five = {1, 2, 3, 4, 5};
    auto layer = Loaded<DataTypeByteArray>(five, 0);
    EXPECT_EQ((std::tuple{EndsWith(layer->ToString(false), ", Size=5"), PayloadOf(*layer)}), std::tuple(true, five));
    const uint8_t more[] = {6};
    layer->GetByteArray().Append(more, 1); // Serialize gives the array, not the loaded payload
    EXPECT_EQ((std::tuple{PayloadOf(*layer), bool(LoadExact(*layer, five, 1))}),
              std::tuple((Bytes{1, 2, 3, 4, 5, 6}), false));
}

TEST(DataTypePCMSample, PayloadLayoutAndArgumentOrder)
{
    DataTypePCMSample layer;
    EXPECT_TRUE(PayloadOf(layer).empty());
    Bytes samples(3840);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = uint8_t(i * 7);
    layer.SetValues(2, 16, 48000, samples.data(), 3840, 96000);
    EXPECT_EQ(PayloadOf(layer), PayloadBuilder().u32(2).u32(16).u32(48000).u32(96000).u32(3840).raw(samples).bytes);
    EXPECT_EQ(layer.GetPCMData(), layer.GetRawDataPtr()->data() + 20);
    layer.SetValues(1, 8, 8000, nullptr, 0, 0);
    EXPECT_EQ((std::tuple{PayloadOf(layer).size(), layer.GetPCMData()}), std::tuple(20u, nullptr));
}

TEST(DataTypePCMSample, SizesThatDoNotFit)
{
    for (uint32_t announced : {8u, 0xFFFFFFFFu, 0xFFFFFFECu}) {
        auto layer =
            Loaded<DataTypePCMSample>(PayloadBuilder().u32(1).u32(8).u32(8).u32(0).u32(announced).u32(0).bytes, 0);
        EXPECT_EQ(layer->GetPCMDataSize(), announced);
        EXPECT_EQ(layer->GetPCMData(), nullptr) << announced;
    }
    DataTypePCMSample layer;
    const uint8_t byte = 1;
    EXPECT_THROW(layer.SetValues(1, 8, 8000, &byte, 0xFFFFFFECu, 0), std::length_error);
    EXPECT_THROW(layer.SetValues(1, 8, 8000, nullptr, 4, 0), std::invalid_argument);
    EXPECT_EQ((std::tuple{PayloadOf(layer).empty(), bool(LoadExact(layer, Bytes(24), 1))}), std::tuple(true, false));
}

// The layer's own payload as the source: it grows past its storage and its header is
// rewritten, yet the copy sees the old bytes.
TEST(DataTypePCMSample, OwnPayloadAsSource)
{
    DataTypePCMSample layer;
    const uint8_t samples[4] = {1, 2, 3, 4};
    layer.SetValues(1, 8, 8000, samples, 4, 0);
    const Bytes old = PayloadOf(layer);
    layer.SetValues(2, 8, 8000, layer.GetRawDataPtr()->data(), 24, 0);
    EXPECT_EQ(Bytes(layer.GetPCMData(), layer.GetPCMData() + 24), old);
}

TEST(DataTypeSegmentInfo, PayloadTextAndStatus)
{
    DataTypeSegmentInfo layer;
    uint32_t size = 0;
    const uint8_t* payload = layer.Serialize(size);
    ASSERT_EQ(size, 2u);
    EXPECT_EQ((std::tuple{payload[0] | payload[1], layer.GetVersion()}), std::tuple(0, 0));

    layer.SetSegmentInfo(0x1234);
    payload = layer.Serialize(size);
    ASSERT_EQ(size, 2u);
    EXPECT_EQ(payload[0], 0x34);
    EXPECT_EQ(payload[1], 0x12);
    EXPECT_EQ(layer.GetSegmentId(), 0x1234);
    const std::string text = layer.ToString(false);
    EXPECT_EQ(text.substr(text.size() - 16), ", SegmentID=4660");
    layer.updateStatusProperties();
    EXPECT_EQ(layer.getStatusPropertyValue("Segment id"), "4660");

    EXPECT_EQ(
        (std::tuple{DataTypeSegmentInfo::TheTypeGuid().ToHexString(),
                    layer.GetDataLayerClassInfo().GetNiceClassName()}),
        std::tuple(VornCommon::String("D935D227-BBF3-4CF2-A9BA-A9274F31AADF"), VornCommon::String("SegmentInfo")));
}

TEST(DataTypeSegmentInfo, ShortPayloadsAndUnknownVersions)
{
    DataTypeSegmentInfo layer;
    uint8_t one[1] = {7};
    EXPECT_EQ((std::tuple{bool(layer.InitializeData(one, 1)), layer.GetSegmentId()}), std::tuple(true, 0));
    uint8_t three[3] = {5, 0, 9};
    EXPECT_EQ((std::tuple{bool(layer.InitializeData(three, 3)), layer.GetSegmentId()}), std::tuple(true, 5));

    layer.InitializeHeader(VornCommon::Guid::Nil, 1);
    uint8_t two[2] = {1, 0};
    EXPECT_FALSE(layer.InitializeData(two, 2));
}

// Every prefix of every metadata payload, at every version its class reads, loads into a
// fresh layer of exactly that size, and the text form, status properties and serialisation
// run on the result. AddressSanitizer turns any over-read into a failure.
TEST(MetadataLayers, EveryTruncationLoadsWithinItsPayload)
{
    CapturedLog quiet;
    for (const auto& sample : MetadataSampleLayers()) {
        const Bytes payload = PayloadOf(*sample);
        std::vector<uint16_t> versions = {sample->GetVersion()};
        if (sample->TypeGuid() == DataTypeRecordingInfo::TheTypeGuid())
            versions.insert(versions.end(), {0, 1, 2});
        if (sample->TypeGuid() == DataTypePhotogrammetryInfo::TheTypeGuid())
            versions.insert(versions.end(), {1, 2});
        if (sample->TypeGuid() == DataTypeGroupInfo::TheTypeGuid())
            versions.push_back(0);
        for (uint16_t version : versions) {
            for (size_t n = 0; n <= payload.size(); ++n) {
                auto layer =
                    DataLayerFactory::CreateDataLayer(sample->TypeGuid(), VornCommon::Guid::Nil).ToStdSharedPtr();
                ASSERT_TRUE(layer);
                LoadExact(*layer, Bytes(payload.begin(), payload.begin() + long(n)), version);
                layer->ToString(true);
                layer->updateStatusProperties();
                PayloadOf(*layer);
            }
        }
    }
}

TEST(DataLayerPlaceholder, CompressedPlaceholderKeepsCompressionFields)
{
    const Guid type = Guid::FromHexString("0F0E0D0C-0B0A-0908-0706-050403020100");
    const Guid source = Guid::FromHexString("9533AA0B-403E-49F3-9A2E-7D44BDBB3E95");
    Hyx::DataLayerCompressedPlaceholder layer(type);
    layer.InitializeCompressionInfo(source, 3, 129);
    EXPECT_EQ((std::tuple{layer.TypeGuid(), layer.GetCompressedBlobTypeGuid(), layer.GetCompressedBlobVersion(),
                          layer.GetCompressionType(), layer.GetDataLayerClassInfo().GetNiceClassName(),
                          bool(layer.InitializeData(nullptr, 0))}),
              std::tuple(type, source, 3, 129, VornCommon::String("Unknown"), true));
    EXPECT_NE(layer.ToString(false).find(", CompressedType=9533AA0B-403E-49F3-9A2E-7D44BDBB3E95"), std::string::npos);
}
