#include <Hyx/Filter.h>
#include <Hyx/Graph.h>
#include <Hyx/VisualGraph.h>

#include "core/LogLevelEnabled.h"

namespace Hyx {

VisualGraph::VisualGraph() = default;
VisualGraph::~VisualGraph() = default;

void VisualGraph::AddVisualFilter(std::shared_ptr<VisualFilter> filter)
{
    _filters.push_back(std::move(filter));
}

std::shared_ptr<VisualFilter> VisualGraph::AddVisualFilter(const VornCommon::Guid& type, bool selected, bool rendered)
{
    auto filter = std::make_shared<VisualFilter>(type, selected, rendered);
    _filters.push_back(filter);
    return filter;
}

std::shared_ptr<VisualFilter> VisualGraph::GetVisualFilter(int index) const
{
    if (index < 0 || index >= GetNumVisualFilters())
        return nullptr;
    return _filters[static_cast<size_t>(index)];
}

void VisualGraph::SetVisualFilter(int index, std::shared_ptr<VisualFilter> filter)
{
    if (index == GetNumVisualFilters())
        _filters.push_back(std::move(filter));
    else if (index >= 0 && index < GetNumVisualFilters())
        _filters[static_cast<size_t>(index)] = std::move(filter);
}

bool VisualGraph::instantiateInto(const std::shared_ptr<Graph>& graph)
{
    std::shared_ptr<Filter> previous;
    for (const std::shared_ptr<VisualFilter>& description : _filters) {
        if (!description)
            continue; // an empty entry describes no filter; the files skip it too
        std::shared_ptr<Filter> filter = description->InstantiateHyxFilter(previous, graph);
        if (!filter) {
            graph->RemoveAllFilters(); // InstantiateHyxFilter told why
            return false;
        }
        if (graph->AddAndConnect(filter) != ActionResult::Success) {
            LogLine(VornCommon::LogLevel::Error, "Failed to add filter '%s' to the graph: %s",
                    description->GetName().c_str(), graph->GetLastError(false).CStr());
            filter->Reset();
            graph->RemoveAllFilters();
            return false;
        }
        previous = std::move(filter);
    }
    return true;
}

std::shared_ptr<Graph> VisualGraph::InstantiateSimpleHyxGraph()
{
    std::shared_ptr<Graph> graph(new Graph());
    if (!instantiateInto(graph))
        return nullptr;
    return graph;
}

VisualGraphs::VisualGraphs() = default;
VisualGraphs::~VisualGraphs() = default;

void VisualGraphs::AddVisualGraph(std::shared_ptr<VisualGraph> graph)
{
    _graphs.push_back(std::move(graph));
}

std::shared_ptr<VisualGraph> VisualGraphs::GetVisualGraph(int index) const
{
    if (index < 0 || index >= GetNumVisualGraphs()) {
        // A file whose graph elements are misspelt loads as an empty list: this line is the
        // only word about it.
        const int count = GetNumVisualGraphs();
        LogLine(VornCommon::LogLevel::Error, "No graph at index %d in %s, which holds %d graph%s", index,
                _origin.c_str(), count, count == 1 ? "" : "s");
        return nullptr;
    }
    return _graphs[static_cast<size_t>(index)];
}

} // namespace Hyx
