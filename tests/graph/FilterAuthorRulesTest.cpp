// What the filter headers promise authors and hosts: which calls empty a filter's error text,
// so a host knows how long a failure's text lasts, and that a layer replaced by a copy before
// it is changed leaves every earlier record as it was.

#include "GraphFixtures.h"

#include <Hyx/DataLayerFactory.h>
#include <Hyx/DataTypeCameraParams.h>
#include <Hyx/DataTypeTextureRGB.h>
#include <Hyx/HYXPurposeGuids.h>

#include <algorithm>

using namespace Hyx;
using FilterFixtures::TestFilter;
using FilterFixtures::TestSource;
using Code = HyxErrorCode;

namespace {

using Chain = FilterFixtures::SourceAndFilter<TestSource>;
using PlayableChain = FilterFixtures::SourceAndFilter<GraphFixtures::TestSource>;

// A call on a connected filter, from the state it needs; whether it empties the text left
// before it.
struct TextRow {
    const char* name;
    std::function<void(PlayableChain&)> prepare;
    std::function<Code(PlayableChain&)> call;
    bool empties;
};

const TextRow kTextRows[] = {
    {"Play", [](PlayableChain&) {}, [](PlayableChain& c) { return c.filter->Play(); }, true},
    {"Pause", [](PlayableChain& c) { c.filter->Play(); }, [](PlayableChain& c) { return c.filter->Pause(); }, true},
    {"StopFromPlaying", [](PlayableChain& c) { c.filter->Play(); }, [](PlayableChain& c) { return c.filter->Stop(); },
     true},
    {"StopFromPaused",
     [](PlayableChain& c) {
         c.filter->Play();
         c.filter->Pause();
     },
     [](PlayableChain& c) { return c.filter->Stop(); }, true},
    {"GraphStop", [](PlayableChain& c) { c.graph->Play(PlaybackMode::ForwardOnce); },
     [](PlayableChain& c) { return c.graph->Stop() == ActionResult::Success ? Code::Success : Code::FilterError; },
     true},
    {"GraphPlay", [](PlayableChain&) {},
     [](PlayableChain& c) {
         return c.graph->Play(PlaybackMode::ForwardOnce) == ActionResult::Success ? Code::Success : Code::FilterError;
     },
     true},
    {"SetOutputConnection", [](PlayableChain&) {},
     [](PlayableChain& c) { return c.filter->SetOutputConnection(std::weak_ptr<Connection>()); }, false},
    {"Disconnect", [](PlayableChain&) {}, [](PlayableChain& c) { return c.filter->Disconnect(); }, false},
    {"ReadingIt", [](PlayableChain&) {},
     [](PlayableChain& c) { return c.filter->GetLastError(false).IsEmpty() ? Code::FilterError : Code::Success; },
     false},
};

class FilterErrorText : public ::testing::TestWithParam<TextRow> {};

} // namespace

// A failure's text stays until the filter's next step that runs a hook: the filter's own Play,
// Pause and Stop, and a graph's, which walk them. Calls without a hook leave it.
TEST_P(FilterErrorText, LastsUntilTheFiltersNextStep)
{
    const TextRow& row = GetParam();
    PlayableChain chain;
    row.prepare(chain);
    chain.filter->ReportError(Code::FilterError, "refused value");
    const std::string text = chain.filter->GetLastError(false).StdString();
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(row.call(chain), Code::Success) << chain.filter->GetLastError(false).StdString();
    EXPECT_EQ(chain.filter->GetLastError(false).StdString(), row.empties ? std::string() : text);
    chain.graph->Stop();
}

INSTANTIATE_TEST_SUITE_P(EveryCall, FilterErrorText, ::testing::ValuesIn(kTextRows),
                         [](const ::testing::TestParamInfo<TextRow>& info) { return std::string(info.param.name); });

// A failing onStop leaves its own text: Stop empties the text before the hook, not after.
TEST(FilterErrorText, AFailingStopKeepsItsOwnText)
{
    Chain chain;
    ASSERT_EQ(chain.filter->Play(), Code::Success);
    chain.filter->script.stop = Code::FilterError;
    chain.filter->script.reportOwnFailure = true;
    chain.filter->ReportError(Code::FilterFailedToGetDataLayer, "earlier");
    EXPECT_EQ(chain.filter->Stop(), Code::FilterError);
    const std::string text = chain.filter->GetLastError(false).StdString();
    EXPECT_EQ(text.find("earlier"), std::string::npos) << text;
    EXPECT_NE(text.find(GetHyxErrorMessage(Code::FilterError)), std::string::npos) << text;
    chain.filter->script.stop = Code::Success;
    EXPECT_EQ(chain.filter->Stop(), Code::Success);
}

namespace {

// A layer of its own with the layer's class, purpose, version and bytes: the way Filter.h
// names.
std::shared_ptr<DataLayer> copyOf(const std::shared_ptr<DataLayer>& layer)
{
    const std::shared_ptr<DataLayer> copy =
        DataLayerFactory::CreateDataLayer(layer->TypeGuid(), layer->GetPurposeGuid(), layer->GetVersion())
            .ToStdSharedPtr();
    uint32_t size = 0;
    const uint8_t* bytes = layer->Serialize(size);
    uint8_t* into = copy->AllocateData(size);
    std::copy_n(bytes, size, into);
    EXPECT_TRUE(copy->InitializeData(into, size));
    return copy;
}

std::shared_ptr<DataTypeTextureRGB> greyTexture()
{
    auto texture = std::make_shared<DataTypeTextureRGB>();
    texture->InitializeHeader(HYXPurposeGuids::VORN4D);
    std::fill_n(texture->AllocateTexture(4, 2), 4 * 2 * 3, uint8_t(100));
    return texture;
}

std::shared_ptr<DataTypeCameraParams> cameras()
{
    auto layer = std::make_shared<DataTypeCameraParams>();
    layer->InitializeHeader(HYXPurposeGuids::VORN4D);
    layer->GetColorCameraParams().width = 640;
    return layer;
}

// How a later filter changes a layer's contents: in place, or in a copy it puts in the layer's
// place first. The check reads what the earlier record's layer shows.
struct LayerChangeRow {
    const char* name;
    std::function<std::shared_ptr<DataLayer>()> make;
    std::function<void(DataLayer&)> change;
    std::function<bool(DataLayer&)> changed;
};

const LayerChangeRow kLayerChanges[] = {
    {"TexturePixels", [] { return greyTexture(); },
     [](DataLayer& layer) {
         auto& texture = static_cast<DataTypeTextureRGB&>(layer);
         std::fill_n(texture.GetDataPtr(), texture.GetTextureSizeInBytes(), uint8_t(200));
     },
     [](DataLayer& layer) { return static_cast<DataTypeTextureRGB&>(layer).GetDataPtr()[0] == 200; }},
    {"FlippedTexture",
     [] {
         auto texture = greyTexture();
         texture->GetDataPtr()[0] = 7; // first row differs from the last
         return texture;
     },
     [](DataLayer& layer) { static_cast<DataTypeTextureRGB&>(layer).FlipImageVertically(); },
     [](DataLayer& layer) { return static_cast<DataTypeTextureRGB&>(layer).GetDataPtr()[0] != 7; }},
    {"CameraWidth", [] { return cameras(); },
     [](DataLayer& layer) { static_cast<DataTypeCameraParams&>(layer).GetColorCameraParams().width = 320; },
     [](DataLayer& layer) { return static_cast<DataTypeCameraParams&>(layer).GetColorCameraParams().width == 320; }},
};

class LayerChanges : public ::testing::TestWithParam<std::pair<LayerChangeRow, bool>> {};

std::vector<std::pair<LayerChangeRow, bool>> layerChangeCases()
{
    std::vector<std::pair<LayerChangeRow, bool>> cases;
    for (const LayerChangeRow& row : kLayerChanges)
        for (const bool copyFirst : {false, true})
            cases.emplace_back(row, copyFirst);
    return cases;
}

} // namespace

// The source records an atom; the next filter changes one of its layers. In place, the source's
// record shows the change; replaced by a copy first, the record keeps the layer as it was and
// the atom carries the changed copy.
TEST_P(LayerChanges, ACopyPutInPlaceLeavesEarlierRecordsAsTheyWere)
{
    const auto& [row, copyFirst] = GetParam();
    Chain chain;
    const std::shared_ptr<Connection> queue = chain.filter->getInputConnection();
    const std::shared_ptr<DataLayer> layer = row.make();
    auto atom = std::make_shared<Atom>(0u, 3u, 30u);
    atom->AddDataLayer(layer);
    ASSERT_EQ(chain.source->pushToOutputQueue(atom), Code::Success);
    ASSERT_EQ(queue->Pull(), atom);

    std::shared_ptr<DataLayer> changing = layer;
    if (copyFirst) {
        changing = copyOf(layer);
        ASSERT_NE(changing, layer);
        ASSERT_GE(atom->RemoveDataLayer(layer), 0);
        atom->AddDataLayer(changing);
    }
    row.change(*changing);
    ASSERT_EQ(chain.filter->pushToOutputQueue(atom), Code::Success);

    const std::shared_ptr<Atom> record = chain.source->GetLastProcessedFrame();
    ASSERT_TRUE(record);
    const std::vector<std::shared_ptr<DataLayer>> recorded = record->GetAllDataLayers();
    ASSERT_EQ(recorded.size(), 1u);
    EXPECT_EQ(row.changed(*recorded[0]), !copyFirst);
    EXPECT_EQ(recorded[0], layer);
    const std::vector<std::shared_ptr<DataLayer>> passed = chain.filter->GetLastProcessedFrame()->GetAllDataLayers();
    ASSERT_EQ(passed.size(), 1u);
    EXPECT_TRUE(row.changed(*passed[0]));
}

INSTANTIATE_TEST_SUITE_P(EveryWay, LayerChanges, ::testing::ValuesIn(layerChangeCases()),
                         [](const ::testing::TestParamInfo<std::pair<LayerChangeRow, bool>>& info) {
                             return std::string(info.param.first.name) + (info.param.second ? "_CopyFirst" : "");
                         });
