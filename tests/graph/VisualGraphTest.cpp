// Graph descriptions that turn into graphs: filters made by the factory with the stored
// values, reshaping values, refused texts, and failures that leave nothing connected.

#include "GraphFixtures.h"

using namespace Hyx;
using FilterFixtures::TestFilter;
using FilterFixtures::TestSource;
using VornCommon::Guid;
using VornCommon::LogLevel;
using State = Filter::FilterState;
using Values = std::map<std::string, std::string>;

namespace {

const Guid kInstSource = Guid::FromHexString("5E7A3B10-2C4D-4E8F-A1B2-C3D4E5F60701");
const Guid kInstMiddle = Guid::FromHexString("5E7A3B10-2C4D-4E8F-A1B2-C3D4E5F60702");
const Guid kInstTarget = Guid::FromHexString("5E7A3B10-2C4D-4E8F-A1B2-C3D4E5F60703");
const Guid kInstBroken = Guid::FromHexString("5E7A3B10-2C4D-4E8F-A1B2-C3D4E5F60704");
const Guid kInstNoParams = Guid::FromHexString("5E7A3B10-2C4D-4E8F-A1B2-C3D4E5F60705");
const Guid kInstUnknown = Guid::FromHexString("5E7A3B10-2C4D-4E8F-A1B2-C3D4E5F607FF"); // never registered

// A source, a middle filter with a reshaping parameter, a target, a filter that cannot
// initialise and one that cannot pre-initialise; each counts its pre-initialisations.
enum class Inst {
    Source,
    Middle,
    Target,
    Broken,
    NoParams
};
const std::tuple<const Guid&, const char*, FilterCategory> kInstClasses[] = {
    {kInstSource, "XmlInstSource", FilterCategory::Source},
    {kInstMiddle, "XmlInstMiddle", FilterCategory::Transform},
    {kInstTarget, "XmlInstTarget", FilterCategory::Target},
    {kInstBroken, "XmlInstBroken", FilterCategory::Target},
    {kInstNoParams, "XmlInstNoParams", FilterCategory::Target}};

template <Inst K, class Base = std::conditional_t<K == Inst::Source, TestSource, TestFilter>>
class InstFilter : public Base {
public:
    InstFilter()
    {
        if (K == Inst::Broken)
            this->script.initialize = HyxErrorCode::FailedToGenerateOutputProfile;
        if (K == Inst::NoParams)
            this->script.initializeParams = HyxErrorCode::FilterFailedToPreinitialize;
    }
    static Filter* Create() { return new InstFilter(); }
    Guid TypeGuid() const override { return std::get<0>(kInstClasses[int(K)]); }
    FilterClassInfo GetFilterClassInfo() const override
    {
        return FilterClassInfo(std::get<1>(kInstClasses[int(K)]), std::get<2>(kInstClasses[int(K)]));
    }
    int PreInitializations() const
    {
        return static_cast<int>(std::count(this->script.calls.begin(), this->script.calls.end(), "onInitializeParams"));
    }

protected:
    HyxErrorCode onInitializeParams(Filter* upstream) override
    {
        if (K == Inst::Source) {
            this->addParam(std::make_shared<FilterParamInt32>("Threads count", 0u, 1, 1, 64));
            this->addParam(std::make_shared<FilterParamString>("Label", 0u, "none"));
        } else if (K == Inst::Middle) {
            // Choosing another input reshapes the filter (flag bit 0).
            this->addParam(
                std::make_shared<FilterParamInt32>("Input Profile", FilterParam::FLAG_REQUIRES_PREINITIALIZE, 2, 0, 9));
            this->addParam(std::make_shared<FilterParamBool>("Keep Mesh", 0u, true));
        }
        return Base::onInitializeParams(upstream);
    }
};

using InstSource = InstFilter<Inst::Source>;
using InstMiddle = InstFilter<Inst::Middle>;

// Source, middle and target descriptions with a few values; registers the classes once.
std::shared_ptr<VisualGraph> Chain()
{
    static const bool registered = [] {
        Filter* (*const creators[])() = {&InstSource::Create, &InstMiddle::Create, &InstFilter<Inst::Target>::Create,
                                         &InstFilter<Inst::Broken>::Create, &InstFilter<Inst::NoParams>::Create};
        for (size_t i = 0; i < std::size(kInstClasses); ++i) {
            const auto& [guid, name, category] = kInstClasses[i];
            FilterFactory::RegisterFilterClass(guid, FilterClassInfo(name, category), creators[i]);
        }
        return true;
    }();
    EXPECT_TRUE(registered);
    auto graph = std::make_shared<VisualGraph>();
    auto source = graph->AddVisualFilter(kInstSource, false, false);
    source->SetParamValue("Threads count", "4");
    source->SetParamValue("Not a parameter", "x");
    graph->AddVisualFilter(kInstMiddle, true, false)->SetParamValue("Keep Mesh", "False");
    graph->AddVisualFilter(kInstTarget, false, true);
    return graph;
}

template <class T>
T* As(const std::shared_ptr<Filter>& filter)
{
    return dynamic_cast<T*>(filter.get());
}

State StateOf(const std::shared_ptr<VisualGraph>& description, int i)
{
    return description->GetVisualFilter(i)->GetHyxFilter()->GetFilterState();
}

} // namespace

TEST(VisualGraph, InstantiatesTheChainInOrderWithItsValues)
{
    const auto description = Chain();
    EXPECT_EQ((Values{{"Not a parameter", "x"}, {"Threads count", "4"}}),
              description->GetVisualFilter(0)->GetParamValueMap());
    std::shared_ptr<Graph> graph = description->InstantiateSimpleHyxGraph();
    ASSERT_NE(nullptr, graph);
    ASSERT_EQ(3u, graph->GetNumFilters());
    for (int i = 0; i < 3; ++i) {
        const auto filter = description->GetVisualFilter(i)->GetHyxFilter();
        EXPECT_EQ(filter, graph->GetFilter(static_cast<unsigned>(i)));
        EXPECT_EQ(State::Connected, filter->GetFilterState());
        EXPECT_EQ(graph, filter->GetGraph());
    }
    EXPECT_EQ(graph->GetFilter(0), graph->GetFilter(2)->GetSourceFilter());

    // Now the live filter's parameters with their texts, defaults included, and nothing
    // that the filter lacks.
    EXPECT_EQ((Values{{"Label", "none"}, {"Threads count", "4"}}), description->GetVisualFilter(0)->GetParamValueMap());
    EXPECT_EQ((Values{{"Input Profile", "2"}, {"Keep Mesh", "False"}}),
              description->GetVisualFilter(1)->GetParamValueMap());
    EXPECT_EQ(Values{}, description->GetVisualFilter(2)->GetParamValueMap());
    EXPECT_EQ(1, As<InstMiddle>(graph->GetFilter(1))->PreInitializations());

    // An empty description list gives a graph without filters; an empty entry is skipped.
    EXPECT_EQ(0u, VisualGraph().InstantiateSimpleHyxGraph()->GetNumFilters());
    description->AddVisualFilter(nullptr);
    graph.reset();
    EXPECT_EQ(3u, description->InstantiateSimpleHyxGraph()->GetNumFilters());
}

TEST(VisualGraph, ValuesOfAGraphFileThatNoParameterTookAreLoggedOncePerFilter)
{
    CapturedLog log;
    auto description = Chain(); // its source holds "Not a parameter"
    description->GetVisualFilter(1)->SetParamValue("Keep Mesh ", "True");
    auto files = std::make_shared<VisualGraphs>();
    files->AddVisualGraph(description);
    const std::string path = std::string(HYX_TEST_BINARY_DIR) + "/typos.xml";
    ASSERT_TRUE(XmlGraph::SaveToHyxXml(path.c_str(), files));
    const auto loaded = XmlGraph::LoadFromXml(path.c_str());
    ASSERT_NE(nullptr, loaded);
    const auto graph = loaded->GetVisualGraph(0)->InstantiateSimpleHyxGraph();
    ASSERT_NE(nullptr, graph);
    const std::string texts[] = {"Filter 'XmlInst' has no parameter named 'Not a parameter'",
                                 "Filter 'XmlInstMiddle' has no parameter named 'Keep Mesh '"};
    for (const std::string& text : texts)
        EXPECT_EQ(1, log.Count(VornCommon::LogLevel::Error, text + "; the values stay stored"));
    EXPECT_EQ(2u, log.Entries().size());

    // The same filters made into a graph again: told already.
    graph->RemoveAllFilters();
    ASSERT_NE(nullptr, loaded->GetVisualGraph(0)->InstantiateSimpleHyxGraph());
    EXPECT_EQ(2u, log.Entries().size());
}

TEST(VisualGraph, RefusedParameterTextLeavesTheDefault)
{
    auto description = Chain();
    std::shared_ptr<Graph> graph;
    description->GetVisualFilter(0)->SetParamValue("Threads count", "abc");
    description->GetVisualFilter(1)->SetParamValue("Input Profile", "99999999999");
    ASSERT_NO_THROW(graph = description->InstantiateSimpleHyxGraph());
    ASSERT_NE(nullptr, graph);
    EXPECT_EQ("1", graph->GetFilter(0)->getParameterValue("Threads count"));
    EXPECT_EQ("2", graph->GetFilter(1)->getParameterValue("Input Profile"));
}

TEST(VisualGraph, FailuresGiveNothingAndLeaveNoFilterConnected)
{
    CapturedLog log;
    // Nil type: no filter, no graph; one line each, also when a host asks the description
    // itself.
    auto description = Chain();
    auto nil = std::make_shared<VisualFilter>();
    EXPECT_EQ(nullptr, nil->InstantiateHyxFilter(nullptr, std::make_shared<Graph>()));
    EXPECT_EQ(1, log.Count(LogLevel::Error, "Failed to instantiate filter 'NIL'"));
    description->SetVisualFilter(1, nil);
    EXPECT_EQ(nullptr, description->InstantiateSimpleHyxGraph());
    EXPECT_EQ(State::PreInitialized, StateOf(description, 0));
    EXPECT_EQ(2, log.Count(LogLevel::Error, "Failed to instantiate filter 'NIL'"));

    // A class whose creator makes nothing: the same line, whoever asks.
    static const Guid kInstNull = Guid::FromHexString("5E7A3B10-2C4D-4E8F-A1B2-C3D4E5F60706");
    FilterFactory::RegisterFilterClass(kInstNull, FilterClassInfo("XmlInstNull", FilterCategory::Target),
                                       []() -> Filter* { return nullptr; });
    log.Clear();
    EXPECT_EQ(nullptr, VisualFilter(kInstNull, false, false).InstantiateHyxFilter(nullptr, std::make_shared<Graph>()));
    EXPECT_EQ(1, log.Count(LogLevel::Error, "Failed to instantiate filter 'XmlInstNull'"));
    EXPECT_EQ(1u, log.Entries().size());

    // An unknown class in the middle: the factory's message, then an empty result.
    description = Chain();
    log.Clear();
    description->SetVisualFilter(1, std::make_shared<VisualFilter>(kInstUnknown, false, false));
    EXPECT_EQ(nullptr, description->InstantiateSimpleHyxGraph());
    EXPECT_TRUE(log.Contains("Failed to create a filter with guid '5E7A3B10-2C4D-4E8F-A1B2-C3D4E5F607FF'"));
    EXPECT_EQ(1, log.Count(LogLevel::Error, "Failed to instantiate filter '5E7A3B10-2C4D-4E8F-A1B2-C3D4E5F607FF'"));
    EXPECT_EQ(State::PreInitialized, StateOf(description, 0));
    EXPECT_FALSE(description->GetVisualFilter(0)->GetHyxFilter()->IsOutputConnected());
    EXPECT_EQ(nullptr, description->GetVisualFilter(2)->GetHyxFilter());

    // A filter that cannot initialise: walked back with the others.
    description = Chain();
    description->SetVisualFilter(2, std::make_shared<VisualFilter>(kInstBroken, false, false));
    log.Clear();
    EXPECT_EQ(nullptr, description->InstantiateSimpleHyxGraph());
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(State::PreInitialized, StateOf(description, i));
    EXPECT_TRUE(
        log.Contains("Failed to add filter 'XmlInstBroken' to the graph: Graph failed to initialize a filter("));

    // A filter without parameters (pre-initialisation failed) keeps the stored values for
    // saving.
    description = Chain();
    auto noParams = std::make_shared<VisualFilter>(kInstNoParams, false, false);
    noParams->SetParamValue("Threads count", "3");
    description->SetVisualFilter(1, noParams);
    EXPECT_EQ(nullptr, description->InstantiateSimpleHyxGraph());
    ASSERT_NE(nullptr, noParams->GetHyxFilter());
    EXPECT_EQ(State::Created, noParams->GetHyxFilter()->GetFilterState());
    EXPECT_EQ((Values{{"Threads count", "3"}}), noParams->GetParamValueMap());

    // A mode outside the modes: no filter is made, one line. The plain graph leaves the mode
    // to the host, and is made.
    for (const int value : {77, -3, 6, 254}) {
        SCOPED_TRACE(value);
        description = Chain();
        description->SetPlaybackMode(static_cast<PlaybackMode>(value));
        log.Clear();
        EXPECT_EQ(nullptr, description->InstantiateHyxGraph());
        EXPECT_EQ(1, log.Count(LogLevel::Error, "Failed to make a graph: its mode " + std::to_string(value) +
                                                    " is not a playback mode"));
        EXPECT_EQ(1u, log.Entries().size());
        EXPECT_EQ(nullptr, description->GetVisualFilter(0)->GetHyxFilter());
        EXPECT_NE(nullptr, description->InstantiateSimpleHyxGraph());
    }
    // A file of the second dialect keeps the mode number it holds; the graph is refused alike.
    const std::string text = "<quendra version=\"1.0\"><hyxpipeline playmode=\"7\" playspeed=\"25\"/></quendra>";
    const auto loaded = XmlGraph().LoadFromDataBuffer(text.data(), text.size());
    ASSERT_NE(nullptr, loaded);
    EXPECT_EQ(7, static_cast<int>(loaded->GetVisualGraph(0)->GetPlaybackMode()));
    log.Clear();
    EXPECT_EQ(nullptr, loaded->InstantiateHyxGraph(0));
    EXPECT_EQ(1, log.Count(LogLevel::Error, "Failed to make a graph: its mode 7 is not a playback mode"));
}

TEST(VisualGraph, ListPositionsOutsideTheListAreIgnored)
{
    VisualGraph graph;
    auto first = std::make_shared<VisualFilter>(), second = std::make_shared<VisualFilter>();
    graph.SetVisualFilter(1, first); // beyond the count
    graph.SetVisualFilter(0, first); // the count appends
    graph.SetVisualFilter(0, second);
    graph.SetVisualFilter(-1, first);
    EXPECT_EQ(1, graph.GetNumVisualFilters());
    EXPECT_EQ(second, graph.GetVisualFilter(0));
    EXPECT_EQ(nullptr, graph.GetVisualFilter(1));
    EXPECT_EQ(nullptr, graph.GetVisualFilter(-1));
    // Stored values replace by name and stay sorted byte-wise; null texts are skipped or empty.
    for (const auto& [name, value] : std::vector<std::pair<const char*, const char*>>{
             {"b", "1"}, {"B", "2"}, {"b", "3"}, {nullptr, "ignored"}, {"empty", nullptr}})
        second->SetParamValue(name, value);
    EXPECT_EQ((Values{{"B", "2"}, {"b", "3"}, {"empty", ""}}), second->GetParamValueMap());
}
