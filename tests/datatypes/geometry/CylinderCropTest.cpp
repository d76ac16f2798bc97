#include <Hyx/CylinderCropParamsSingleton.h>
#include <Hyx/DataTypeCylinderCrop.h>
#include <Hyx/HYXPurposeGuids.h>

#include <VornCommon/VarManager.h>

#include "GeometryTestUtil.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

using Hyx::CylinderCropParamsSingleton;
using Hyx::DataTypeCylinderCrop;
using namespace GeometryTest;
using VornCommon::Vector3f;
using VornCommon::Versorf;

namespace {

const Versorf QUARTER_TURN = Versorf::FromElementsVector({0, 0, 0.70710677f, 0.70710677f});

} // namespace

TEST(DataTypeCylinderCrop, PayloadVersions)
{
    DataTypeCylinderCrop layer;
    Bytes expected = Floats({0, 0, 0, 1000, 2000, 0, 0, 0, 1, 0, 0, 0});
    expected.insert(expected.end(), {0, 0});
    EXPECT_EQ((std::tuple{PayloadOf(layer), layer.GetVersion()}), std::tuple(expected, 2));

    layer.SetApplyCroppingInDecoder(true);
    const struct {
        int version;
        Bytes bytes;
        Vector3f translation;
        bool decoder;
    } cases[] = {
        {0, Floats({1, 2, 3, 10, 20, 0, 0, 0, 4, 5, 6}), {4, 5, 6}, true},
        {1, Floats({1, 2, 3, 10, 20, 0, 0, 0, 1, 4, 5, 6}), {4, 5, 6}, true},
        {2, Floats({1, 2, 3, 10, 20, 0, 0, 0, 0, 4, 5}), {4, 5, 0}, false}, // short, rotation of zeros
    };
    for (const auto& k : cases) {
        ASSERT_TRUE(Load(layer, k.version, k.bytes));
        EXPECT_EQ(layer.GetCenterPosition(), Vector3f(1, 2, 3)) << k.version;
        EXPECT_EQ(layer.GetHeight(), 20.0f);
        EXPECT_EQ(layer.GetQuaternionRotation(), Versorf()) << k.version;
        EXPECT_EQ(layer.GetTranslation(), k.translation) << k.version;
        EXPECT_EQ(layer.GetApplyCroppingInDecoder(), k.decoder) << k.version;
        EXPECT_EQ(layer.GetVersion(), k.version) << "old payloads stay until the next setter";
    }
    EXPECT_FALSE(Load(layer, 3, expected));
}

TEST(DataTypeCylinderCrop, ResetTouchesOnlyTheMembers)
{
    DataTypeCylinderCrop layer;
    layer.SetValues({1, 2, 3}, 5, 6, QUARTER_TURN, {7, 8, 9}, true, true);
    const Bytes before = PayloadOf(layer);
    layer.Reset();
    EXPECT_EQ((std::tuple{layer.GetRadius(), PayloadOf(layer)}), std::tuple(1000.0f, before));
    layer.SetRadius(250);
    DataTypeCylinderCrop expected;
    expected.SetRadius(250);
    EXPECT_EQ(PayloadOf(layer), PayloadOf(expected));

    layer.CopyValuesFrom(&expected);
    layer.SetTranslation({7, 8, 9});
    const std::string text = layer.ToString(false);
    // Rot0..Rot8 walk the 4x4 rows: Rot3 is the x translation, Rot8 row 2 element 0.
    EXPECT_EQ(text.substr(text.find(", Rot3=")),
              ", Rot3=7, Rot4=0, Rot5=1, Rot6=0, Rot7=8, Rot8=0, CropInDecoder=no, CropInPreview=no");
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
        ASSERT_TRUE(LoadText(layer, k.text)) << k.text;
        EXPECT_EQ(layer.GetRadius(), k.radius) << k.text;
        EXPECT_EQ(layer.GetHeight(), 2000.0f);
        EXPECT_EQ(layer.GetCenterPosition(), k.centre) << k.text;
        EXPECT_EQ(layer.GetQuaternionRotation(), k.rotation) << k.text;
        EXPECT_EQ(
            (std::tuple{layer.GetTranslation(), layer.GetApplyCroppingInDecoder() || layer.GetApplyCroppingInPreview(),
                        layer.GetVersion()}),
            std::tuple(Vector3f(), false, 2));
    }
    DataTypeCylinderCrop layer;
    layer.SetRadius(5);
    for (const char* text : {"", "\n", "1 0 0 5\n0 1 0 6\n", "CylindricalCutter_Radius:\n"}) {
        EXPECT_FALSE(LoadText(layer, text)) << text;
        EXPECT_EQ(layer.GetRadius(), 5.0f);
    }
}

TEST(DataTypeCylinderCrop, FileRoundTripInTheSettingsFolder)
{
    const auto dir = TestDir("cylinder_crop_files");
    VornCommon::VarManager::setSettingsValue(dir.string());
    DataTypeCylinderCrop layer;
    ASSERT_TRUE(layer.SaveToASCIIFile(""));
    const std::string saved = ReadFile(dir / "CylinderCropParams.cfg");
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
    EXPECT_EQ(PayloadOf(loaded), PayloadOf(layer));
    ASSERT_TRUE(loaded.LoadFromASCIIFile(".cfg"));
    EXPECT_EQ((std::tuple{loaded.GetRadius(), bool(loaded.LoadFromASCIIFile((dir / "missing.cfg").string().c_str()))}),
              std::tuple(1000.0f, false));
    VornCommon::VarManager::getInstance()->removeVar("CROPDIR");
    VornCommon::VarManager::setSettingsValue("");
}

TEST(CylinderCropParamsSingleton, HandlesAndFlags)
{
    using Flags = std::pair<bool, bool>; // changed, loaded
    CylinderCropParamsSingleton s;
    const auto flags = [&s](int h) { return Flags(s.GetFlagValuesChanged(h), s.GetFlagValuesLoaded(h)); };
    EXPECT_EQ(s.GetHandle(), 1);
    int second = s.GetHandle();
    EXPECT_EQ(second, 2);
    EXPECT_EQ(flags(1), Flags(false, true));

    const auto params = s.GetParams();
    EXPECT_EQ((std::tuple{params->GetPurposeGuid(), s.GetParams()}), std::tuple(Hyx::HYXPurposeGuids::VORN4D, params));
    s.SetParams(std::make_shared<DataTypeCylinderCrop>());
    s.ClearFlagValuesChanged(1);
    EXPECT_EQ((std::tuple{flags(1), flags(2)}), std::tuple(Flags(false, true), Flags(true, true)));
    s.ClearFlagValuesChanged(0);
    s.ClearFlagValuesLoaded(0);
    EXPECT_EQ(flags(2), Flags(false, true)) << "0 clears every changed flag but only its own loaded flag";

    s.ClearFlagValuesLoaded(1);
    s.SetFlagValuesChanged();
    const auto dir = TestDir("cylinder_crop_files");
    EXPECT_EQ((std::tuple{bool(s.LoadFromFile((dir / "missing.cfg").string().c_str())), flags(1)}),
              std::tuple(false, Flags(true, false)));
    ASSERT_TRUE(s.SaveToFile((dir / "singleton.cfg").string().c_str()));
    EXPECT_EQ((std::tuple{bool(s.LoadFromFile((dir / "singleton.cfg").string().c_str())), flags(1)}),
              std::tuple(true, Flags(false, true)));

    s.ReleaseHandle(second);
    EXPECT_EQ(second, 0);
    EXPECT_FALSE(s.GetFlagValuesChanged(2));
    s.SetFlagValuesChanged();
    EXPECT_TRUE(s.GetFlagValuesChanged(2)) << "the query entered handle 2 again";
    s.SetParams(nullptr);
    EXPECT_NE(s.GetParams(), nullptr);
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
