#include "VisualGraphFilters.h"

#include "CapturedLog.h"

#include <Hyx/Filter.h>
#include <Hyx/Graph.h>
#include <Hyx/VisualGraph.h>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

using Hyx::Filter;
using Hyx::Graph;
using Hyx::PlaybackMode;
using Hyx::VisualFilter;
using Hyx::VisualGraph;
using Hyx::VisualGraphs;
using State = Hyx::Filter::FilterState;
using Values = std::map<std::string, std::string>;
using namespace HyxTest;

namespace {

// Source, middle and target descriptions with a few values.
std::shared_ptr<VisualGraph> Chain()
{
    RegisterInstantiationFilters();
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

} // namespace

TEST(VisualGraph, InstantiatesTheChainInOrderWithItsValues)
{
    const auto description = Chain();
    const Values stored = description->GetVisualFilter(0)->GetParamValueMap();
    EXPECT_EQ((Values{{"Not a parameter", "x"}, {"Threads count", "4"}}), stored);

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

TEST(VisualGraph, ReshapingValueRebuildsTheFilterAndStaysSet)
{
    const auto description = Chain();
    description->GetVisualFilter(1)->SetParamValue("Input Profile", "0");
    const auto graph = description->InstantiateSimpleHyxGraph();
    ASSERT_NE(nullptr, graph);
    auto* middle = As<InstMiddle>(graph->GetFilter(1));
    ASSERT_NE(nullptr, middle);
    EXPECT_EQ(2, middle->PreInitializations());
    EXPECT_EQ("0", middle->getParameterValue("Input Profile"));
    EXPECT_EQ("False", middle->getParameterValue("Keep Mesh"));
    EXPECT_EQ(State::Connected, middle->GetFilterState());
    // The value it already has changes nothing.
    auto* source = As<InstSource>(graph->GetFilter(0));
    EXPECT_EQ(1, source->PreInitializations());
}

TEST(VisualGraph, RefusedParameterTextLeavesTheDefault)
{
    const auto description = Chain();
    description->GetVisualFilter(0)->SetParamValue("Threads count", "abc");
    description->GetVisualFilter(1)->SetParamValue("Input Profile", "99999999999");
    std::shared_ptr<Graph> graph;
    ASSERT_NO_THROW(graph = description->InstantiateSimpleHyxGraph());
    ASSERT_NE(nullptr, graph);
    EXPECT_EQ("1", graph->GetFilter(0)->getParameterValue("Threads count"));
    EXPECT_EQ("2", graph->GetFilter(1)->getParameterValue("Input Profile"));
}

TEST(VisualGraph, FailuresGiveNothingAndLeaveNoFilterConnected)
{
    CapturedLog log;
    // Nil type: no filter, no graph.
    {
        auto description = Chain();
        auto nil = std::make_shared<VisualFilter>();
        EXPECT_EQ(nullptr, nil->InstantiateHyxFilter(nullptr, std::make_shared<Graph>()));
        description->SetVisualFilter(1, nil);
        EXPECT_EQ(nullptr, description->InstantiateSimpleHyxGraph());
        EXPECT_EQ(State::PreInitialized, description->GetVisualFilter(0)->GetHyxFilter()->GetFilterState());
    }
    // An unknown class in the middle: the factory's message, then an empty result.
    {
        auto description = Chain();
        description->SetVisualFilter(1, std::make_shared<VisualFilter>(kInstUnknown, false, false));
        EXPECT_EQ(nullptr, description->InstantiateSimpleHyxGraph());
        EXPECT_TRUE(log.Contains("Failed to create a filter with guid '5E7A3B10-2C4D-4E8F-A1B2-C3D4E5F607FF'"));
        const auto source = description->GetVisualFilter(0)->GetHyxFilter();
        EXPECT_EQ(State::PreInitialized, source->GetFilterState());
        EXPECT_FALSE(source->IsOutputConnected());
        EXPECT_EQ(nullptr, description->GetVisualFilter(2)->GetHyxFilter());
    }
    // A filter that cannot initialise: walked back with the others.
    {
        auto description = Chain();
        description->SetVisualFilter(2, std::make_shared<VisualFilter>(kInstBroken, false, false));
        log.Clear();
        EXPECT_EQ(nullptr, description->InstantiateSimpleHyxGraph());
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(State::PreInitialized, description->GetVisualFilter(i)->GetHyxFilter()->GetFilterState());
        EXPECT_TRUE(
            log.Contains("Failed to add filter 'XmlInstBroken' to the graph: Graph failed to initialize a filter("));
    }
    // A filter without parameters (pre-initialisation failed) keeps the stored values for
    // saving.
    {
        auto description = Chain();
        auto noParams = std::make_shared<VisualFilter>(kInstNoParams, false, false);
        noParams->SetParamValue("Threads count", "3");
        description->SetVisualFilter(1, noParams);
        EXPECT_EQ(nullptr, description->InstantiateSimpleHyxGraph());
        ASSERT_NE(nullptr, noParams->GetHyxFilter());
        EXPECT_EQ(State::Created, noParams->GetHyxFilter()->GetFilterState());
        EXPECT_EQ((Values{{"Threads count", "3"}}), noParams->GetParamValueMap());
    }
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
    second->SetParamValue("b", "1");
    second->SetParamValue("B", "2");
    second->SetParamValue("b", "3");
    second->SetParamValue(nullptr, "ignored");
    second->SetParamValue("empty", nullptr);
    EXPECT_EQ((Values{{"B", "2"}, {"b", "3"}, {"empty", ""}}), second->GetParamValueMap());
}
