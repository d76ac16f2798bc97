#pragma once

// Graph descriptions: the editable, storable form of a processing graph. A VisualFilter
// names a filter class by its type GUID and holds parameter values as texts; a VisualGraph
// is a chain of them with a playback mode and a frame rate; VisualGraphs is the content of
// one graph file.
//
// Contract:
// - Plain value holders without locks, used from the host's thread; always held by shared
//   pointers. List positions are 0-based ints; a position outside the list gives an empty
//   pointer (SetVisualFilter also accepts the count, which appends). A graph asked of a
//   VisualGraphs at such a position (GetVisualGraph, InstantiateHyxGraph) also logs one
//   level-2 line naming where the list came from and how many graphs it holds, "No graph
//   at index 0 in graph file 'g.xml', which holds 0 graphs": a file whose "graph" elements
//   are misspelt loads as an empty list, since unknown elements are ignored.
// - Instantiation creates every described filter through the filter factory, hands it its
//   stored values by name and adds it to a new graph in list order. Any failure gives an
//   empty pointer (logged at level 2) and leaves no filter in the discarded graph; nothing
//   is thrown.
// - A description keeps the filter made from it (its attached filter) and reuses it at the
//   next instantiation, unless that filter still works in a graph: then a fresh filter is
//   created and attached, so one filter object never sits in two graphs.
// - Parameter values are ordered by byte-wise comparison of their names, one per name.

#include <Hyx/Export.h>
#include <Hyx/FrameOrderProvider.h>

#include <VornCommon/Guid.h>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace Hyx {

class AsyncGraph;
class Filter;
class Graph;

/// The description of one filter: class, editor flags and parameter values.
class HYX_API VisualFilter {
public:
    /// Nil GUID, both flags false, nothing attached, no values.
    VisualFilter();
    VisualFilter(const VornCommon::Guid& type, bool selected, bool rendered);
    virtual ~VisualFilter();

    /// The filter class's type GUID.
    const VornCommon::Guid& GetGuid() const { return _type; }
    void SetGuid(const VornCommon::Guid& type) { _type = type; }

    /// The GUID's alias: the class name of a registered filter class, "NIL" for the nil
    /// GUID, else the GUID's hexadecimal text.
    std::string GetName() const;

    /// Editor flags, stored and restored only.
    void SetSelect(bool selected) { _selected = selected; }
    bool IsSelected() const { return _selected; }
    void SetRendered(bool rendered) { _rendered = rendered; }
    bool IsRendered() const { return _rendered; }

    /// Stores a value under a name, replacing an earlier one; never touches an attached
    /// filter. A null name is ignored; a null value stores the empty text.
    void SetParamValue(const char* name, const char* value);
    /// Without an attached filter (or with one that has no parameters yet, being Created)
    /// the stored values; otherwise every parameter of the live filter with its current
    /// text (stored values are not merged in).
    std::map<std::string, std::string> GetParamValueMap() const;

    /// Attaches a filter (empty detaches); one made with its constructor is instantiated by
    /// its first pre-initialisation, as a factory-made one is by the factory.
    void SetHyxFilter(std::shared_ptr<Filter> filter) { _filter = std::move(filter); }
    /// The attached filter; empty when none.
    std::shared_ptr<Filter> GetHyxFilter() const { return _filter; }

    /// Makes the filter for a graph: reuses the attached filter (pre-initialised again) or
    /// creates one through the factory, then applies the stored values, rebuilding the
    /// filter once when a value reshapes it. Empty for a nil or unknown GUID, logged
    /// "Failed to instantiate filter '<GetName()>'" (after the factory's own line for an
    /// unknown one). The result is not added to the graph.
    std::shared_ptr<Filter> InstantiateHyxFilter(std::shared_ptr<Filter> previous, std::shared_ptr<Graph> graph);

private:
    /// True when the attached filter cannot be pre-initialised for another graph.
    bool attachedFilterInUse() const;
    /// Applies the stored values; true when a changed parameter reshapes the filter.
    bool applyParameterValues() const;

    std::shared_ptr<Filter> _filter;
    VornCommon::Guid _type;
    bool _selected = false;
    bool _rendered = false;
    std::map<std::string, std::string> _values;
};

/// The description of one chain of filters with its playback settings.
class HYX_API VisualGraph {
public:
    /// Mode Pingpong, frame rate 0.0 ("max"), no filters.
    VisualGraph();
    virtual ~VisualGraph();

    /// Appends a description.
    void AddVisualFilter(std::shared_ptr<VisualFilter> filter);
    /// Appends a new description with these values and returns it.
    std::shared_ptr<VisualFilter> AddVisualFilter(const VornCommon::Guid& type, bool selected, bool rendered);
    int GetNumVisualFilters() const { return static_cast<int>(_filters.size()); }
    /// The description at index; empty for an index outside the list.
    std::shared_ptr<VisualFilter> GetVisualFilter(int index) const;
    /// Index equal to the count appends; a valid index replaces; others change nothing.
    void SetVisualFilter(int index, std::shared_ptr<VisualFilter> filter);

    /// Any value is stored; one outside PlaybackMode (a file of the second dialect keeps the
    /// number it holds) is refused by InstantiateHyxGraph.
    void SetPlaybackMode(PlaybackMode mode) { _mode = mode; }
    PlaybackMode GetPlaybackMode() const { return _mode; }
    /// 0.0 max, -1.0 source rate, -2.0 half, -3.0 double, above 0 frames per second. Any
    /// value is stored; one that is no rate (NaN, an infinity, or a rate whose period does
    /// not fit, as AsyncGraph::SetGraphFps says) is refused by InstantiateHyxGraph and by the
    /// XmlGraph savers (XmlGraph.h).
    void SetFps(float fps) { _fps = fps; }
    float GetFps() const { return _fps; }

    /// A new asynchronous graph holding the described filters, set to this mode and frame
    /// rate; empty on failure. A mode outside PlaybackMode, or a rate that is no rate, is
    /// refused before any filter is made, with one level-2 line: "Failed to make a graph: its
    /// mode 77 is not a playback mode", "Failed to make a graph: its rate nan is not a number
    /// of frames a second" ("...its rate 1e-30 gives a frame period past 4294967295 ms").
    std::shared_ptr<AsyncGraph> InstantiateHyxGraph();
    /// A new plain graph holding the described filters (mode and rate are left to the
    /// caller); empty on failure.
    std::shared_ptr<Graph> InstantiateSimpleHyxGraph();

private:
    /// Fills graph with the described filters; false (graph emptied) on failure.
    bool instantiateInto(const std::shared_ptr<Graph>& graph);

    PlaybackMode _mode = PlaybackMode::Pingpong;
    float _fps = 0.0f;
    std::vector<std::shared_ptr<VisualFilter>> _filters;
};

/// The graphs of one graph file.
class HYX_API VisualGraphs {
public:
    VisualGraphs();
    virtual ~VisualGraphs();

    /// Appends a graph description.
    void AddVisualGraph(std::shared_ptr<VisualGraph> graph);
    int GetNumVisualGraphs() const { return static_cast<int>(_graphs.size()); }
    /// The graph description at index; empty, with a level-2 line (see the contract), for
    /// an index outside the list.
    std::shared_ptr<VisualGraph> GetVisualGraph(int index) const;
    /// InstantiateHyxGraph of the graph at index; empty, with the same one line, for an
    /// index outside the list.
    std::shared_ptr<AsyncGraph> InstantiateHyxGraph(int index);

    /// What log lines call the list: "graph file '<path>'" or "graph buffer" for a list the
    /// loaders made, "graph list" for one made otherwise; a host may name its own.
    const std::string& GetOrigin() const { return _origin; }
    void SetOrigin(std::string origin) { _origin = std::move(origin); }

private:
    std::vector<std::shared_ptr<VisualGraph>> _graphs;
    std::string _origin = "graph list";
};

} // namespace Hyx
