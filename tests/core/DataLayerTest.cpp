#include <Hyx/DataLayer.h>
#include <Hyx/DataProfile.h>
#include <Hyx/DataReader.h>
#include <Hyx/GuidAlias.h>

#include <CapturedLog.h>

#include <ThrownText.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace Hyx;
using VornCommon::Guid;

namespace {

const Guid TestType = Guid::FromHexString("11111111-2222-3333-4444-555555555555");
const Guid PurposeA = Guid::FromHexString("AAAAAAAA-0000-0000-0000-000000000001");
const Guid PurposeB = Guid::FromHexString("BBBBBBBB-0000-0000-0000-000000000002");
const Guid PurposeC = Guid::FromHexString("CCCCCCCC-0000-0000-0000-000000000003");

// A layer with a versioned payload. Version 2: u32 count, count floats, NUL-terminated
// name. Version 1 lacks the name, which migrates to "v1". Other versions are refused.
class TestLayer : public DataLayer {
public:
    TestLayer() : DataLayer(2) {}

    Guid TypeGuid() const override { return TestType; }
    DataLayerClassInfo GetDataLayerClassInfo() const override
    {
        return DataLayerClassInfo(VornCommon::String("DataTypeTest"));
    }

    bool Set(const std::vector<float>& newValues, const std::string& newName)
    {
        const uint32_t count = uint32_t(newValues.size());
        DataWriter writer = preparePayload(4 + 4 * count + uint32_t(newName.size()) + 1);
        writer.write(count);
        writer.write(newValues.data(), count);
        writer.write(newName.c_str());
        return initialize();
    }

    void DropPayload() { _payload.reset(); }

    std::vector<float> values;
    std::string name;
    int parses = 0;

protected:
    bool deserializeAndMigrate(uint8_t* data, uint32_t size) override
    {
        ++parses;
        if (GetVersion() < 1 || GetVersion() > 2)
            return false;
        DataReader reader(data, size);
        uint32_t count = 0;
        if (!reader.read(count))
            return false;
        const float* floats = reader.get_floatptr(count);
        if (count != 0 && floats == nullptr)
            return false;
        values.resize(count);
        if (count != 0)
            std::memcpy(values.data(), floats, size_t(count) * 4);
        if (GetVersion() == 1) {
            name = "v1";
            return true;
        }
        const uint32_t before = reader.GetReaderPos();
        name = reader.read_string();
        return reader.GetReaderPos() != before;
    }

    void onUpdateStatusProperties() override
    {
        addStatusProperty(std::make_shared<StatusPropertyInt>("Count", int(values.size())));
        addStatusProperty(std::make_shared<StatusPropertyString>("Name", name.c_str()));
        addStatusProperty(std::make_shared<StatusPropertyString>("Name", "shadowed"));
    }
};

} // namespace

TEST(DataLayer, PayloadRoundTripsThroughAllocateAndInitializeData)
{
    TestLayer source;
    ASSERT_TRUE(source.Set({1.5f, -2.0f, 3.25f}, "abc"));
    source.InitializeHeader(PurposeA);
    uint32_t size = 0;
    const uint8_t* bytes = source.Serialize(size);
    ASSERT_EQ(size, 4u + 12u + 4u);
    EXPECT_EQ(bytes, source.GetRawDataPtr()->data()); // no copy

    // As the stream reader does: header, storage from AllocateData, the same pointer back.
    TestLayer loaded;
    loaded.InitializeHeader(source.GetPurposeGuid(), source.GetVersion());
    uint8_t* storage = loaded.AllocateData(size);
    std::memcpy(storage, bytes, size);
    const int parsesBefore = loaded.parses;
    ASSERT_TRUE(loaded.InitializeData(storage, size));
    // Nothing was copied.
    EXPECT_EQ(
        (std::tuple{loaded.GetRawDataPtr()->data(), loaded.parses, loaded.values, loaded.name, loaded.Equals(&source)}),
        std::tuple(storage, parsesBefore + 1, std::vector<float>{1.5f, -2.0f, 3.25f}, "abc", true));

    // Bytes from elsewhere are copied into an owned payload.
    std::vector<uint8_t> version1 = {2, 0, 0, 0, 0, 0, 0x80, 0x3F, 0, 0, 0, 0x40};
    TestLayer migrated;
    migrated.InitializeHeader(PurposeB, 1);
    ASSERT_TRUE(migrated.InitializeData(version1.data(), uint32_t(version1.size())));
    EXPECT_NE(migrated.GetRawDataPtr()->data(), version1.data());
    EXPECT_EQ((std::tuple{migrated.GetRawDataPtr()->owns(), migrated.values, migrated.name, migrated.GetVersion()}),
              std::tuple(true, std::vector<float>{1.0f, 2.0f}, "v1", 1));
    ASSERT_TRUE(migrated.Set({4.0f}, "new"));
    EXPECT_EQ(migrated.GetVersion(), 2); // a setter writes the class version
}

TEST(DataLayer, InitializeDataFromInsideTheOwnPayloadIsSafe)
{
    TestLayer layer;
    ASSERT_TRUE(layer.Set({1.0f, 2.0f, 3.0f, 4.0f}, "x"));
    // Build a version-1 payload (count 1, then the float 3.0) at offset 8 of the current
    // payload, then load it from there: the copy overlaps its own destination.
    uint8_t* payload = layer.GetRawDataPtr()->data();
    const uint32_t one = 1;
    std::memcpy(payload + 8, &one, 4);
    layer.InitializeHeader(PurposeA, 1);
    ASSERT_TRUE(layer.InitializeData(payload + 8, 8)); // count 1, then the float 3.0
    EXPECT_EQ(std::tuple(layer.values, layer.GetRawDataPtr()->size()), std::tuple(std::vector<float>{3.0f}, 8u));

    // A borrowed payload is copied into owned storage, even from its own bytes.
    std::vector<uint8_t> callers = {1, 0, 0, 0, 0, 0, 0x20, 0x41, 0xEE};
    layer.GetRawDataPtr()->SetWithoutCopyAndDoNotTakeResponsibilityToDelete(callers.data(), 9);
    ASSERT_TRUE(layer.InitializeData(callers.data(), 8));
    EXPECT_EQ((std::tuple{layer.GetRawDataPtr()->owns(), layer.values, callers.back()}),
              std::tuple(true, std::vector<float>{10.0f}, 0xEE));
    EXPECT_FALSE(layer.InitializeData(nullptr, 4));
}

TEST(DataLayer, DroppedPayloadIsRecreatedOnDemand)
{
    TestLayer layer;
    layer.DropPayload();
    uint32_t size = 99;
    EXPECT_EQ((std::tuple{layer.GetRawDataPtr(), layer.Serialize(size), size}), std::tuple(nullptr, nullptr, 0u));
    ASSERT_NE(layer.AllocateData(8), nullptr);
    EXPECT_EQ(layer.GetRawDataPtr()->size(), 8u);
    layer.DropPayload();
    const uint8_t bytes[] = {0, 0, 0, 0, 'n', 0};
    EXPECT_EQ((std::tuple{layer.InitializeData(const_cast<uint8_t*>(bytes), 6), layer.name}), std::tuple(true, "n"));
}

TEST(DataLayer, RefusedPayloadLogsOneExactLine)
{
    CapturedLog log;
    TestLayer layer;
    // An unknown version, then malformed bytes of a known version: refused the same way.
    layer.InitializeHeader(PurposeA, 7);
    uint8_t bytes[] = {0, 0, 0, 0, 0};
    EXPECT_FALSE(layer.InitializeData(bytes, 5));
    layer.InitializeHeader(PurposeA, 2);
    uint8_t truncated[] = {9, 0, 0, 0, 1, 2};
    EXPECT_FALSE(layer.InitializeData(truncated, 6));
    ASSERT_EQ(log.Entries().size(), 2u);
    for (const char* version : {"7", "2"})
        EXPECT_EQ(
            log.Count(VornCommon::LogLevel::Error, std::string("Unable to deserialize data layer with guid: "
                                                               "11111111-2222-3333-4444-555555555555 (version: ") +
                                                       version + ")"),
            1);
}

TEST(DataLayer, PurposeChangesAndUndo)
{
    TestLayer fresh;
    fresh.UndoChangePurposeGuid();
    EXPECT_EQ(fresh.GetPurposeGuid(), Guid::Nil);

    TestLayer layer;
    layer.InitializeHeader(PurposeA);
    layer.ChangePurposeGuid(PurposeB);
    layer.ChangePurposeGuid(PurposeC);
    layer.UndoChangePurposeGuid();
    EXPECT_EQ(layer.GetPurposeGuid(), PurposeB);
    layer.UndoChangePurposeGuid();
    EXPECT_EQ((std::tuple{layer.GetPurposeGuid(), *layer.GetDataProfile()}),
              std::tuple(PurposeB, DataProfile(PurposeB, TestType, Guid::Nil)));
}

TEST(DataLayerStatusConcurrency, ReadersSeeWholeListsWhileAnotherThreadRefreshes)
{
    TestLayer layer;
    ASSERT_TRUE(layer.Set({1.0f}, "x"));
    layer.updateStatusProperties();
    std::atomic<bool> stop{false};
    std::thread refresher([&] {
        for (int i = 0; i < 2000 && !stop; ++i)
            layer.updateStatusProperties();
    });
    int reads = 0;
    for (; reads < 2000; ++reads) {
        ASSERT_EQ(layer.getNumStatusProperties(), 3);
        ASSERT_EQ(layer.getStatusPropertyName(1), "Name");
        ASSERT_EQ(layer.getStatusPropertyValue("Count"), "1");
    }
    stop = true;
    refresher.join();
}

TEST(DataLayer, StartsEmptyWithClassVersion)
{
    TestLayer layer;
    ASSERT_NE(layer.GetRawDataPtr(), nullptr);
    int width = 5, height = 6;
    EXPECT_EQ((std::tuple{layer.GetVersion(), layer.GetPurposeGuid(), layer.GetRawDataPtr()->size(),
                          layer.GetRawDataPtr()->owns(), layer.GetPropertyValue("anything"),
                          layer.CanRenderTo2dRgbaBuffer(width, height), width, height}),
              std::tuple(2, Guid::Nil, 0u, true, "", false, 0, 0));
    layer.RenderTo2dRgbaBuffer(nullptr);
}

TEST(DataLayer, StatusPropertiesByIndexAndName)
{
    TestLayer layer;
    ASSERT_TRUE(layer.Set({1.0f, 2.0f}, "named"));
    EXPECT_EQ(layer.getNumStatusProperties(), 0); // not refreshed by setters
    layer.updateStatusProperties();
    ASSERT_EQ(layer.getNumStatusProperties(), 3);
    // By name, the first of two.
    EXPECT_EQ((std::tuple{layer.getStatusPropertyName(0), layer.getStatusPropertyValue(0),
                          layer.getStatusPropertyValue("Name"), layer.getStatusPropertyValue(2)}),
              std::tuple("Count", "2", "named", "shadowed"));

    EXPECT_EQ(ThrownText([&] { layer.getStatusPropertyName(3); }), "Invalid status property index");
    EXPECT_THROW(layer.getStatusPropertyValue(-1), std::runtime_error);
    EXPECT_EQ(ThrownText([&] { layer.getStatusPropertyValue("name"); }), "Invalid status property name");
    EXPECT_THROW(layer.getStatusPropertyValue(static_cast<const char*>(nullptr)), std::runtime_error);

    // The lock was released by the throws: refreshing does not deadlock.
    ASSERT_TRUE(layer.Set({}, ""));
    layer.updateStatusProperties();
    EXPECT_EQ(layer.getStatusPropertyValue("Count"), "0");
}
