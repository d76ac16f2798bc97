#include <Hyx/CylinderCropParamsSingleton.h>
#include <Hyx/DataTypeCylinderCrop.h>
#include <Hyx/HYXPurposeGuids.h>

#include <VornCommon/VarManager.h>

#include "StreamTestLayers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using Hyx::CylinderCropParamsSingleton;
using Hyx::DataTypeCylinderCrop;
using VornCommon::Vector3f;
using VornCommon::Versorf;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes payloadOf(DataTypeCylinderCrop& layer)
{
    uint32_t size = 0;
    const uint8_t* data = layer.Serialize(size);
    return Bytes(data, data + size);
}

Bytes floats(std::initializer_list<float> values)
{
    Bytes bytes(values.size() * 4);
    std::memcpy(bytes.data(), values.begin(), bytes.size());
    return bytes;
}

bool loadText(DataTypeCylinderCrop& layer, const std::string& text)
{
    return layer.LoadFromASCIIMemory(reinterpret_cast<const uint8_t*>(text.data()), uint32_t(text.size()));
}

std::filesystem::path testDir()
{
    const auto dir = std::filesystem::path(HYX_TEST_BINARY_DIR) / "cylinder_crop_files";
    std::filesystem::create_directories(dir);
    return dir;
}

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

const Versorf QUARTER_TURN = Versorf::FromElementsVector({0, 0, 0.70710677f, 0.70710677f});

} // namespace

TEST(DataTypeCylinderCrop, PayloadVersions)
{
    DataTypeCylinderCrop layer;
    Bytes expected = floats({0, 0, 0, 1000, 2000, 0, 0, 0, 1, 0, 0, 0});
    expected.insert(expected.end(), {0, 0});
    EXPECT_EQ(payloadOf(layer), expected);
    EXPECT_EQ(layer.GetVersion(), 2);

    layer.SetApplyCroppingInDecoder(true);
    const struct {
        int version;
        Bytes bytes;
        Vector3f translation;
        bool decoder;
    } cases[] = {
        {0, floats({1, 2, 3, 10, 20, 0, 0, 0, 4, 5, 6}), {4, 5, 6}, true},
        {1, floats({1, 2, 3, 10, 20, 0, 0, 0, 1, 4, 5, 6}), {4, 5, 6}, true},
        {2, floats({1, 2, 3, 10, 20, 0, 0, 0, 0, 4, 5}), {4, 5, 0}, false}, // short, rotation of zeros
    };
    for (const auto& k : cases) {
        layer.InitializeHeader(VornCommon::Guid::Nil, uint16_t(k.version));
        HyxTest::SetPayload(layer, k.bytes);
        EXPECT_EQ(layer.GetCenterPosition(), Vector3f(1, 2, 3)) << k.version;
        EXPECT_EQ(layer.GetHeight(), 20.0f);
        EXPECT_EQ(layer.GetQuaternionRotation(), Versorf()) << k.version;
        EXPECT_EQ(layer.GetTranslation(), k.translation) << k.version;
        EXPECT_EQ(layer.GetApplyCroppingInDecoder(), k.decoder) << k.version;
        EXPECT_EQ(layer.GetVersion(), k.version) << "old payloads stay until the next setter";
    }
    layer.InitializeHeader(VornCommon::Guid::Nil, 3);
    EXPECT_FALSE(layer.InitializeData(expected.data(), uint32_t(expected.size())));
}

TEST(DataTypeCylinderCrop, ResetTouchesOnlyTheMembers)
{
    DataTypeCylinderCrop layer;
    layer.SetValues({1, 2, 3}, 5, 6, QUARTER_TURN, {7, 8, 9}, true, true);
    const Bytes before = payloadOf(layer);
    layer.Reset();
    EXPECT_EQ(layer.GetRadius(), 1000.0f);
    EXPECT_EQ(payloadOf(layer), before);
    layer.SetRadius(250);
    DataTypeCylinderCrop expected;
    expected.SetRadius(250);
    EXPECT_EQ(payloadOf(layer), payloadOf(expected));

    layer.CopyValuesFrom(&expected);
    layer.SetTranslation({7, 8, 9});
    layer.SetQuaternionRotation(QUARTER_TURN);
    const std::string text = layer.ToString(false);
    // Rot0..Rot8 walk the 4x4 rows: Rot3 is the x translation, Rot8 row 2 element 0.
    EXPECT_NE(text.find(", Radius=250, Height=2000, QuaternionRotX=0, QuaternionRotY=0, QuaternionRotZ=0.707107, "
                        "QuaternionRotW=0.707107, TranslationX=7"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find(", Rot3=7, Rot4=1, "), std::string::npos) << text;
    EXPECT_EQ(text.substr(text.find(", Rot8=")), ", Rot8=0, CropInDecoder=no, CropInPreview=no");
}

TEST(DataTypeCylinderCrop, TextLoad)
{
    const struct {
        const char* text;
        float radius;
        Vector3f centre;
        Versorf rotation;
    } cases[] = {
        {"CylindricalCutter_Radius: 250", 250, {}, {}},
        {"CylindricalCutter_Position: 1 2\nCylindricalCutter_Radius: 250\n", 250, {}, {}},
        {"Units: mm\r\nCylindricalCutter_Position:  1 2 3\r\nQuaternion_Rotation: 0 0 0.70710677 0.70710677\r\n",
         1000,
         {1, 2, 3},
         QUARTER_TURN},
        {"Quaternion_Rotation: 0 0 0 0\nPost_Scale: 3\n", 1000, {}, {}},
    };
    for (const auto& k : cases) {
        DataTypeCylinderCrop layer;
        layer.SetValues({9, 9, 9}, 1, 1, QUARTER_TURN, {9, 9, 9}, true, true);
        ASSERT_TRUE(loadText(layer, k.text)) << k.text;
        EXPECT_EQ(layer.GetRadius(), k.radius) << k.text;
        EXPECT_EQ(layer.GetHeight(), 2000.0f);
        EXPECT_EQ(layer.GetCenterPosition(), k.centre) << k.text;
        EXPECT_EQ(layer.GetQuaternionRotation(), k.rotation) << k.text;
        EXPECT_EQ(layer.GetTranslation(), Vector3f());
        EXPECT_FALSE(layer.GetApplyCroppingInDecoder() || layer.GetApplyCroppingInPreview());
        EXPECT_EQ(layer.GetVersion(), 2);
    }
    DataTypeCylinderCrop layer;
    layer.SetRadius(5);
    for (const char* text : {"", "\n", "1 0 0 5\n0 1 0 6\n", "CylindricalCutter_Radius:\n"}) {
        EXPECT_FALSE(loadText(layer, text)) << text;
        EXPECT_EQ(layer.GetRadius(), 5.0f);
    }
}

TEST(DataTypeCylinderCrop, FileRoundTripInTheSettingsFolder)
{
    const auto dir = testDir();
    VornCommon::VarManager::setSettingsValue(dir.string());
    DataTypeCylinderCrop layer;
    ASSERT_TRUE(layer.SaveToASCIIFile(""));
    const std::string saved = readFile(dir / "CylinderCropParams.cfg");
    EXPECT_EQ(saved, "Units: mm\n"
                     "CylindricalCutter_Position: 0 0 0\n"
                     "CylindricalCutter_Radius: 1000\n"
                     "CylindricalCutter_Height: 2000\n"
                     "Object_Transformation_Matrix: 1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1 \n"
                     "Quaternion_Rotation: 0 0 0 1\n"
                     "Post_Translation: 0 0 0\n"
                     "Post_Scale: 1\n");

    // Values that six digits carry exactly.
    layer.SetValues({1.5f, -2, 3}, 250, 1800, Versorf::FromElementsVector({0, 0, 0.6f, 0.8f}), {10, 20, 30}, true,
                    false);
    VornCommon::VarManager::getInstance()->setVar("CROPDIR", dir.string());
    ASSERT_TRUE(layer.SaveToASCIIFile("$(CROPDIR)/crop.cfg"));
    DataTypeCylinderCrop loaded;
    ASSERT_TRUE(loaded.LoadFromASCIIFile((dir / "crop.cfg").string().c_str()));
    layer.SetApplyCroppingInDecoder(false);
    EXPECT_EQ(payloadOf(loaded), payloadOf(layer));
    ASSERT_TRUE(loaded.LoadFromASCIIFile(".cfg"));
    EXPECT_EQ(loaded.GetRadius(), 1000.0f);
    EXPECT_FALSE(loaded.LoadFromASCIIFile((dir / "missing.cfg").string().c_str()));
    VornCommon::VarManager::getInstance()->removeVar("CROPDIR");
    VornCommon::VarManager::setSettingsValue("");
}

TEST(CylinderCropParamsSingleton, HandlesAndFlags)
{
    CylinderCropParamsSingleton s;
    int first = s.GetHandle();
    int second = s.GetHandle();
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 2);
    EXPECT_TRUE(s.GetFlagValuesLoaded(1) && s.GetFlagValuesLoaded(2));
    EXPECT_FALSE(s.GetFlagValuesChanged(1) || s.GetFlagValuesChanged(2));

    const auto params = s.GetParams();
    EXPECT_EQ(params->GetPurposeGuid(), Hyx::HYXPurposeGuids::VORN4D);
    EXPECT_EQ(s.GetParams(), params);
    s.SetParams(std::make_shared<DataTypeCylinderCrop>());
    EXPECT_TRUE(s.GetFlagValuesChanged(1) && s.GetFlagValuesChanged(2));
    s.ClearFlagValuesChanged(1);
    EXPECT_FALSE(s.GetFlagValuesChanged(1));
    EXPECT_TRUE(s.GetFlagValuesChanged(2));
    s.ClearFlagValuesChanged(0);
    EXPECT_FALSE(s.GetFlagValuesChanged(2));
    s.ClearFlagValuesLoaded(0);
    EXPECT_TRUE(s.GetFlagValuesLoaded(1) && s.GetFlagValuesLoaded(2));
    s.ClearFlagValuesLoaded(1);

    s.SetFlagValuesChanged();
    EXPECT_FALSE(s.LoadFromFile((testDir() / "missing.cfg").string().c_str()));
    EXPECT_FALSE(s.GetFlagValuesLoaded(1));
    EXPECT_TRUE(s.GetFlagValuesChanged(1));
    ASSERT_TRUE(s.GetParams()->SaveToASCIIFile((testDir() / "singleton.cfg").string().c_str()));
    EXPECT_TRUE(s.LoadFromFile((testDir() / "singleton.cfg").string().c_str()));
    EXPECT_TRUE(s.GetFlagValuesLoaded(1));
    EXPECT_FALSE(s.GetFlagValuesChanged(1));

    s.ReleaseHandle(second);
    EXPECT_EQ(second, 0);
    EXPECT_FALSE(s.GetFlagValuesChanged(2));
    s.SetFlagValuesChanged();
    EXPECT_TRUE(s.GetFlagValuesChanged(2)) << "the query entered handle 2 again";
    s.SetParams(nullptr);
    EXPECT_NE(s.GetParams(), nullptr);
    EXPECT_EQ(CylinderCropParamsSingleton::getInstance(), CylinderCropParamsSingleton::getInstance());
}

TEST(CylinderCropParamsSingleton, ConcurrentClients)
{
    CylinderCropParamsSingleton s;
    std::vector<std::thread> clients;
    for (int t = 0; t < 4; ++t) {
        clients.emplace_back([&s] {
            for (int i = 0; i < 200; ++i) {
                int handle = s.GetHandle();
                s.SetParams(s.GetParams());
                s.GetFlagValuesChanged(handle);
                s.ClearFlagValuesChanged(0);
                s.Reset();
                s.ReleaseHandle(handle);
            }
        });
    }
    for (auto& client : clients)
        client.join();
    EXPECT_EQ(s.GetHandle(), 801);
}
