#include <Hyx/AsyncGraph.h>
#include <Hyx/VisualGraph.h>

// Instantiation into an asynchronous graph, which also takes the description's playback
// mode and frame rate.

namespace Hyx {

std::shared_ptr<AsyncGraph> VisualGraph::InstantiateHyxGraph()
{
    std::shared_ptr<AsyncGraph> graph(new AsyncGraph());
    if (!instantiateInto(graph))
        return nullptr;
    graph->SetPlaybackMode(_mode, _fps);
    return graph;
}

std::shared_ptr<AsyncGraph> VisualGraphs::InstantiateHyxGraph(int index)
{
    const std::shared_ptr<VisualGraph> graph = GetVisualGraph(index);
    return graph ? graph->InstantiateHyxGraph() : nullptr;
}

} // namespace Hyx
