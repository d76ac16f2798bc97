#include <Hyx/AsyncGraph.h>
#include <Hyx/VisualGraph.h>

#include "core/LogLevelEnabled.h"
#include "graph/runtime/FramePeriod.h"
#include "graph/runtime/PlaybackModes.h"

// Instantiation into an asynchronous graph, which also takes the description's playback
// mode and frame rate.

namespace Hyx {

std::shared_ptr<AsyncGraph> VisualGraph::InstantiateHyxGraph()
{
    // A mode or rate the graph refuses would leave it without its frame order: refused up
    // front. A file of the second dialect carries its mode number as it is.
    if (const std::string why = WhyNoMode(_mode); !why.empty()) {
        LogLine(VornCommon::LogLevel::Error, "Failed to make a graph: its mode %s", why.c_str());
        return nullptr;
    }
    if (const std::string why = WhyNoRate(_fps); !why.empty()) {
        LogLine(VornCommon::LogLevel::Error, "Failed to make a graph: its rate %s", why.c_str());
        return nullptr;
    }
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
