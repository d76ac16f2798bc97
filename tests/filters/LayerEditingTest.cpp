// The layer dropper and keeper and the units converter, each between an offline source and
// a callback target.

#include "FilterTestUtil.h"

#include <Hyx/DataLayerPlaceholder.h>
#include <Hyx/DataProfile.h>
#include <Hyx/DataTypeTextureRGB.h>
#include <Hyx/MutateDataLayers.h>
#include <Hyx/MutateVertexPositionsUnitsConvertor.h>
#include <Hyx/Profile.h>
#include <Hyx/SourceManual.h>

#include <cstring>
#include <map>
#include <string>

using namespace Hyx;
using namespace FilterTest;

namespace {

struct OpenDropper : MutateDataLayersDropper {
    using MutateDataLayersDropper::onCreateFrame;
};
struct OpenKeeper : MutateDataLayersKeeper {
    using MutateDataLayersKeeper::onCreateFrame;
};
struct OpenConvertor : MutateVertexPositionsUnitsConvertor {
    using MutateVertexPositionsUnitsConvertor::onCreateFrame;
};

std::shared_ptr<DataTypeTextureRGB> texture()
{
    auto rgb = std::make_shared<DataTypeTextureRGB>();
    rgb->InitializeHeader(kPurposeA);
    std::memset(rgb->AllocateTexture(2, 2), 7, 12);
    return rgb;
}

/// stream information, positions A, RGB, positions B.
std::shared_ptr<Atom> frameAtom()
{
    return MakeAtom(0, 0, {StreamInfo(), Positions(1.5f), texture(), Positions(-4.0f, 2, kPurposeB)});
}

/// Offline source (one frame) -> filter -> callback, playing forward once; the frame out.
struct EditRig {
    EditRig(std::shared_ptr<Filter> filter, const std::map<std::string, std::string>& params) : filter(filter)
    {
        EXPECT_TRUE(source->ClearCacheAndReinitializeProperties(frameAtom(), 1, 25.0f, true));
        EXPECT_TRUE(source->PushFrame({input}));
        filter->setParameterValues(params);
        target->SetAtomsListener(&listener);
        graph = Chain({source, filter, target});
        EXPECT_EQ(graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
    }
    std::vector<std::shared_ptr<DataLayer>> Run()
    {
        EXPECT_TRUE(RunToEnd(*graph));
        EXPECT_EQ(listener.Count(), 1u);
        return listener.Count() ? listener.Frames()[0][0]->GetAllDataLayers()
                                : std::vector<std::shared_ptr<DataLayer>>{};
    }

    std::shared_ptr<Atom> input = frameAtom();
    std::shared_ptr<SourceManualOfflineSource> source = Make<SourceManualOfflineSource>();
    std::shared_ptr<Filter> filter;
    std::shared_ptr<TargetCallback> target = Make<TargetCallback>();
    RecordingListener listener;
    std::shared_ptr<Graph> graph;
};

std::string friendly(const std::shared_ptr<DataLayer>& layer)
{
    return layer->GetDataProfile()->ToFriendlyString();
}

} // namespace

TEST(LayerEditing, DropperAndKeeperFollowTheirSwitches)
{
    const std::string rgb = friendly(texture());
    const std::string a = friendly(Positions(0.0f));
    const std::string b = friendly(Positions(0.0f, 1, kPurposeB));
    const std::string info = friendly(StreamInfo());
    struct Case {
        bool keeper;
        std::vector<std::string> switchedOn;
        std::vector<std::string> out; // in the queued order: A, RGB, B, stream information
        int profileEntries;
    };
    const Case cases[] = {
        {false, {}, {a, rgb, b, info}, 4},
        {false, {rgb}, {a, b, info}, 3},
        {true, {}, {}, 1}, // no layer, yet the profile keeps the first input entry
        {true, {a, info}, {a, info}, 2},
    };
    for (const Case& c : cases) {
        std::shared_ptr<Filter> filter;
        if (c.keeper)
            filter = Make<MutateDataLayersKeeper>();
        else
            filter = Make<MutateDataLayersDropper>();
        std::map<std::string, std::string> params;
        for (const std::string& name : c.switchedOn)
            params[(c.keeper ? "Keep " : "Drop ") + name] = "true";
        EditRig rig(filter, params);
        EXPECT_EQ(filter->getParameters().size(), 4u);
        EXPECT_EQ(filter->GetOutputProfile()->GetDataProfileCount(), c.profileEntries);
        std::vector<std::string> out;
        for (const auto& layer : rig.Run())
            out.push_back(friendly(layer));
        EXPECT_EQ(out, c.out);
    }
}

TEST(LayerEditing, ALayerWithoutASwitchStaysInTheDropperAndGoesInTheKeeper)
{
    auto dropper = Make<OpenDropper>();
    auto keeper = Make<OpenKeeper>();
    EditRig dropRig(dropper, {});
    EditRig keepRig(keeper, {{"Keep " + friendly(texture()), "true"}});
    auto atom = frameAtom();
    auto stray = Positions(0.0f, 1, Hyx::GuidLiteral("C0000000-0000-4000-8000-00000000000C"));
    atom->AddDataLayer(stray);
    std::shared_ptr<Atom> out;
    ASSERT_EQ(dropper->onCreateFrame(atom, out), HyxErrorCode::Success);
    EXPECT_EQ(out->GetAllDataLayers().size(), 5u);
    ASSERT_EQ(keeper->onCreateFrame(atom, out), HyxErrorCode::Success);
    ASSERT_EQ(out->GetAllDataLayers().size(), 1u);
    EXPECT_EQ(out->GetAllDataLayers()[0]->TypeGuid(), DataTypeTextureRGB::TheTypeGuid());
    EXPECT_EQ(atom->GetAllDataLayers().size(), 5u); // the incoming atom is not changed
}

TEST(LayerEditing, UnitsConverterScalesEveryPositionsLayerAndMovesItLast)
{
    struct Case {
        const char* source;
        const char* output;
        float factor;
    };
    const Case cases[] = {
        {"2", "1", 100.0f}, // m -> cm
        {"3", "0", 25.4f}, // in -> mm
        {"4", "3", 304.8f * 0.03937008f}, // ft -> in
        {"1", "1", 1.0f}, // equal units: an unchanged copy
        {"9", "0", 304.8f}, // a position past the list is clamped: ft
    };
    for (const Case& c : cases) {
        EditRig rig(Make<MutateVertexPositionsUnitsConvertor>(),
                    {{"Source units", c.source}, {"Output units", c.output}});
        const auto layers = rig.Run();
        const auto in = rig.input->GetAllDataLayers(); // info, positions A, RGB, positions B
        ASSERT_EQ(layers.size(), 4u);
        // Unchanged: the queued order (A, RGB, B, info); converted: RGB, info, then A and B.
        if (c.factor == 1.0f) {
            EXPECT_EQ(layers[0], in[1]);
            EXPECT_EQ(layers[1], in[2]);
            EXPECT_EQ(layers[2], in[3]);
            continue;
        }
        EXPECT_EQ(layers[0], in[2]);
        for (int k = 0; k < 2; ++k) {
            const auto before = std::static_pointer_cast<DataTypeVertexPositions>(in[size_t(1 + 2 * k)]);
            const auto after = std::dynamic_pointer_cast<DataTypeVertexPositions>(layers[size_t(2 + k)]);
            ASSERT_NE(after, nullptr);
            EXPECT_EQ(after->GetPurposeGuid(), before->GetPurposeGuid());
            ASSERT_EQ(after->GetNumVertices(), before->GetNumVertices());
            float box[6];
            DataTypeVertexPositions::CalculateBoundingBoxFromVertexPositions(after->GetVertexPositions(),
                                                                             after->GetNumVertices(), box);
            for (uint32_t i = 0; i < 3 * before->GetNumVertices(); ++i)
                EXPECT_FLOAT_EQ(after->GetVertexPositions()[i], before->GetVertexPositions()[i] * c.factor);
            for (int i = 0; i < 6; ++i)
                EXPECT_FLOAT_EQ(after->GetBoundingBox()[i], box[i]);
        }
    }
}

TEST(LayerEditing, UnitsConverterRefusesPositionsItCannotRead)
{
    auto convertor = Make<OpenConvertor>();
    EditRig rig(convertor, {{"Source units", "2"}, {"Output units", "1"}});
    // A payload declaring 10 vertices but holding none: loads without an array.
    auto truncated = std::make_shared<DataTypeVertexPositions>();
    uint8_t payload[28] = {};
    payload[24] = 10;
    ASSERT_TRUE(truncated->InitializeData(payload, sizeof payload));
    ASSERT_EQ(truncated->GetVertexPositions(), nullptr);
    for (const std::shared_ptr<DataLayer>& layer : std::vector<std::shared_ptr<DataLayer>>{
             truncated, std::make_shared<DataLayerPlaceholder>(DataTypeVertexPositions::TheTypeGuid())}) {
        std::shared_ptr<Atom> out;
        EXPECT_EQ(convertor->onCreateFrame(MakeAtom(0, 0, {layer}), out), HyxErrorCode::FilterFailedToGetDataLayer);
        EXPECT_NE(convertor->GetLastError(false).StdString().find("VertexPositions"), std::string::npos);
    }
}

TEST(LayerEditing, OfflineFramesThroughDropperAndConverterReachTheHost)
{
    auto source = Make<SourceManualOfflineSource>();
    ASSERT_TRUE(source->ClearCacheAndReinitializeProperties(MakeAtom(0, 0, {StreamInfo(), Positions(0), texture()}), 2,
                                                            30.0f, true));
    for (uint32_t f = 0; f < 5; ++f)
        ASSERT_TRUE(source->PushFrame({MakeAtom(0, 40 + f, {StreamInfo(), Positions(float(f)), texture()}),
                                       MakeAtom(1, 40 + f, {StreamInfo(), Positions(float(f) + 0.5f), texture()})}));
    auto dropper = Make<MutateDataLayersDropper>();
    dropper->setParameterValues({{"Drop " + friendly(texture()), "true"}});
    auto convertor = Make<MutateVertexPositionsUnitsConvertor>();
    convertor->setParameterValues({{"Source units", "2"}, {"Output units", "1"}});
    auto target = Make<TargetCallback>();
    RecordingListener listener;
    target->SetAtomsListener(&listener);
    auto graph = Chain({source, dropper, convertor, target});
    ASSERT_EQ(graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
    ASSERT_TRUE(RunToEnd(*graph));

    const auto frames = listener.Frames();
    ASSERT_EQ(frames.size(), 5u);
    for (uint32_t f = 0; f < 5; ++f) {
        ASSERT_EQ(frames[f].size(), 2u);
        for (uint32_t s = 0; s < 2; ++s) {
            const auto& atom = frames[f][s];
            EXPECT_EQ(atom->GetFrameNr(), f);
            EXPECT_EQ(atom->GetStreamId(), s);
            EXPECT_EQ(atom->GetDataLayerByType(DataTypeTextureRGB::TheTypeGuid(), false), nullptr);
            const auto infos = atom->GetDataLayersByType(DataTypeStreamInfo::TheTypeGuid());
            ASSERT_EQ(infos.size(), 1u);
            EXPECT_EQ(std::static_pointer_cast<DataTypeStreamInfo>(infos[0])->GetNumFrames(), 5u);
            const auto positions = std::static_pointer_cast<DataTypeVertexPositions>(
                atom->GetDataLayerByType(DataTypeVertexPositions::TheTypeGuid(), false));
            const auto original = Positions(float(f) + 0.5f * float(s));
            for (uint32_t i = 0; i < 9; ++i)
                EXPECT_FLOAT_EQ(positions->GetVertexPositions()[i], original->GetVertexPositions()[i] * 100.0f);
            for (uint32_t i = 0; i < 6; ++i)
                EXPECT_FLOAT_EQ(positions->GetBoundingBox()[i], original->GetBoundingBox()[i] * 100.0f);
        }
    }
}
