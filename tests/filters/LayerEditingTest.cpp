// The layer dropper and keeper and the units converter, between an offline source and a
// callback target.

#include "FilterTestUtil.h"

#include <Hyx/DataLayerPlaceholder.h>
#include <Hyx/DataProfile.h>
#include <Hyx/DataTypeTextureRGB.h>
#include <Hyx/MutateDataLayers.h>
#include <Hyx/MutateVertexPositionsUnitsConvertor.h>
#include <Hyx/Profile.h>
#include <Hyx/SourceManual.h>

#include <algorithm>
#include <cmath>
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

std::string friendly(const std::shared_ptr<DataLayer>& layer)
{
    return layer->GetDataProfile()->ToFriendlyString();
}

/// Offline source (one frame: stream information, positions A, RGB, positions B) -> filter
/// -> callback, playing forward once. Queued, the frame's order is A, RGB, B, information.
struct EditRig {
    EditRig(std::shared_ptr<Filter> filter, const std::map<std::string, std::string>& params)
    {
        EXPECT_EQ((std::tuple{bool(source->ClearCacheAndReinitializeProperties(input, 1, 25.0f, true)),
                              bool(source->PushFrame({input}))}),
                  std::tuple(true, true));
        filter->setParameterValues(params);
        target->SetAtomsListener(&listener);
        graph = Chain({source, filter, target});
        EXPECT_EQ(graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
    }
    std::vector<std::shared_ptr<DataLayer>> Run()
    {
        EXPECT_TRUE(RunToEnd(*graph));
        return listener.Count() == 1 ? listener.Frames()[0][0]->GetAllDataLayers()
                                     : std::vector<std::shared_ptr<DataLayer>>{};
    }

    std::shared_ptr<Atom> input =
        MakeAtom(0, 0, {StreamInfo(), Positions(1.5f), texture(), Positions(-4.0f, 2, kPurposeB)});
    std::shared_ptr<SourceManualOfflineSource> source = Make<SourceManualOfflineSource>();
    std::shared_ptr<TargetCallback> target = Make<TargetCallback>();
    RecordingListener listener;
    std::shared_ptr<Graph> graph;
};

} // namespace

TEST(LayerEditing, DropperAndKeeperFollowTheirSwitches)
{
    const std::string rgb = friendly(texture()), a = friendly(Positions(0.0f)), info = friendly(StreamInfo());
    const std::string b = friendly(Positions(0.0f, 1, kPurposeB));
    struct Case {
        bool keeper;
        std::vector<std::string> switchedOn;
        std::vector<std::string> out;
        int profileEntries;
    };
    const Case cases[] = {
        {false, {}, {a, rgb, b, info}, 4},
        {false, {rgb}, {a, b, info}, 3},
        {true, {}, {}, 1}, // no layer, yet the profile keeps the first input entry
        {true, {a, info}, {a, info}, 2},
    };
    for (const Case& c : cases) {
        std::shared_ptr<Filter> filter =
            c.keeper ? std::shared_ptr<Filter>(Make<OpenKeeper>()) : std::shared_ptr<Filter>(Make<OpenDropper>());
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

        // A layer that no switch names stays in the dropper and goes in the keeper.
        auto atom = MakeAtom(0, 0, {Positions(0.0f, 1, {})});
        std::shared_ptr<Atom> made;
        auto* dropper = dynamic_cast<OpenDropper*>(filter.get());
        auto* keeper = dynamic_cast<OpenKeeper*>(filter.get());
        ASSERT_EQ(dropper ? dropper->onCreateFrame(atom, made) : keeper->onCreateFrame(atom, made),
                  HyxErrorCode::Success);
        EXPECT_EQ(made->GetAllDataLayers().size(), c.keeper ? 0u : 1u);
        EXPECT_EQ(atom->GetAllDataLayers().size(), 1u); // the incoming atom is not changed
    }
}

TEST(LayerEditing, UnitsConverterScalesEveryPositionsLayerAndMovesItLast)
{
    struct Case {
        const char* source;
        const char* output;
        float factor;
    };
    const Case cases[] = {
        {"3", "0", 25.4f}, // in -> mm
        {"4", "3", 304.8f * 0.03937008f}, // ft -> in
        {"9", "0", 304.8f}, // a position past the list is clamped: ft
        {"1", "1", 1.0f}, // equal units: an unchanged copy
    };
    for (const Case& c : cases) {
        EditRig rig(Make<MutateVertexPositionsUnitsConvertor>(),
                    {{"Source units", c.source}, {"Output units", c.output}});
        const auto layers = rig.Run();
        const auto in = rig.input->GetAllDataLayers(); // information, A, RGB, B
        ASSERT_EQ(layers.size(), 4u);
        if (c.factor == 1.0f) {
            EXPECT_EQ(layers, (std::vector<std::shared_ptr<DataLayer>>{in[1], in[2], in[3], layers[3]}));
            continue;
        }
        EXPECT_EQ(layers[0], in[2]); // RGB, information, then the converted A and B
        for (int k = 0; k < 2; ++k) {
            const auto before = std::static_pointer_cast<DataTypeVertexPositions>(in[size_t(1 + 2 * k)]);
            const auto after = std::dynamic_pointer_cast<DataTypeVertexPositions>(layers[size_t(2 + k)]);
            ASSERT_NE(after, nullptr);
            EXPECT_EQ(after->GetPurposeGuid(), before->GetPurposeGuid());
            ASSERT_EQ(after->GetNumVertices(), before->GetNumVertices());
            std::vector<float> box = {INFINITY, INFINITY, INFINITY, -INFINITY, -INFINITY, -INFINITY};
            for (uint32_t i = 0; i < 3 * before->GetNumVertices(); ++i) {
                const float scaled = after->GetVertexPositions()[i];
                EXPECT_FLOAT_EQ(scaled, before->GetVertexPositions()[i] * c.factor);
                box[i % 3] = std::min(box[i % 3], scaled);
                box[3 + i % 3] = std::max(box[3 + i % 3], scaled);
            }
            EXPECT_EQ(std::vector<float>(after->GetBoundingBox(), after->GetBoundingBox() + 6), box);
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
    for (const std::shared_ptr<DataLayer>& layer : std::vector<std::shared_ptr<DataLayer>>{
             truncated, std::make_shared<DataLayerPlaceholder>(DataTypeVertexPositions::TheTypeGuid())}) {
        std::shared_ptr<Atom> out;
        EXPECT_EQ(convertor->onCreateFrame(MakeAtom(0, 0, {layer}), out), HyxErrorCode::FilterFailedToGetDataLayer);
        EXPECT_NE(convertor->GetLastError(false).StdString().find("VertexPositions"), std::string::npos);
    }
}
