#pragma once

// XML graph files: graph descriptions (VisualGraphs) saved to and loaded from XML in two
// dialects.
//
// Dialect one, root "hyx" version "1.0": one "graph" (play, fps) per graph, one "filter"
// (name, guid, selected, rendered) per filter, one "param" (name, value) per value.
// Dialect two, root "quendra" version "1.0": one "hyxpipeline" (playmode, playspeed) per
// graph, "filter" with layout attributes and exactly one "parameters" holding "parameter"
// (name, value). Dialect two keeps only the first graph on reading, and its integer speed
// codes turn rates of 1, 2 and 3 into the source-rate codes and drop fractions.
//
// Contract:
// - Writers return true only when the file was written; a false comes with one level-2
//   line: "Can't write file '<path>' (<cause>)", or "Failed to save a graph file: no path",
//   or "Failed to save graph file '<path>': no graphs given". A graph whose rate is no rate,
//   which the loader or InstantiateHyxGraph would refuse (no number: NaN, an infinity; or a
//   rate above 0 whose frame period does not fit, as AsyncGraph::SetGraphFps says), is
//   refused before anything is written (a file at the path stays as it was): "Failed to save
//   graph file '<path>': graph <index> of <GetOrigin()> has no rate (nan is not a number of
//   frames a second)", "inf" or "-inf" in place of "nan" for an infinity, "(1e-30 gives a
//   frame period past 4294967295 ms)" for such a rate. Dialect two checks only the first
//   graph, the one its loader reads back: a later graph's rate is written as the speed code 0
//   ("max") when it is no rate.
// - Loaders never throw and never crash on malformed documents: an unreadable or unparsable
//   document, an unknown root, a version other than "1.0" or a filter without a valid
//   "guid" gives an empty pointer. Each logs one line at level 2 with the cause: the GUID
//   case "Invalid filter guid: <why> (filter at line <n> of graph file '<path>')", <why>
//   being "no 'guid' attribute" or the GUID parser's text ("Invalid GUID text 'zz'"); the
//   others "Failed to load graph file '<path>': ..." with "No such file", the XML error's
//   line, the version found, the missing root or "out of memory" ("graph buffer" stands for
//   the file with LoadFromDataBuffer). A parameter without "name" is skipped, one without
//   "value" reads as the empty text.
// - Elements and attributes the dialect does not know are ignored, a misspelt one too: a
//   file whose "graph" elements are misspelt loads as an empty list, and asking it for a
//   graph then logs where and how many (VisualGraph.h). The loaded list's GetOrigin names
//   the file ("graph file '<path>'") or "graph buffer".
// - Graph settings: a missing attribute keeps the description's default (mode pingpong,
//   rate 0, "max"). Dialect one reads the seven mode names ("forward once" ... "pingpong
//   inverse", "realtime", matched exactly) and every other "play" text, a misspelt one
//   included, as realtime (255); an "fps" text that is no speed name as its leading decimal
//   number, or 0 ("max") when it has none. A number that gives no rate fails the load: NaN,
//   or no finite float ("inf", "1e40"), with "Failed to load <document>: 'fps' text '<text>'
//   of the graph at line <n> is not a number of frames a second"; a number above 0 whose
//   frame period does not fit ("1e-30") with "... of the graph at line <n> gives a
//   frame period past 4294967295 ms". Dialect two reads "playmode" and "playspeed" only as
//   whole integers; any other text keeps the default. A "playmode" number outside
//   PlaybackMode is kept as it is, and InstantiateHyxGraph refuses it (VisualGraph.h).
// - A "guid" that names no registered filter class does not fail the load (a plug-in may
//   register it before the graph is made); it logs "Unknown filter class '<name>' (guid
//   '<guid>') in ..." at level 2 with the element's "name".
// - Numbers are written and read in the classic locale, whatever the host's locale.
// - Stateless: calls on different documents are independent.

#include <Hyx/Export.h>

#include <cstddef>
#include <memory>

namespace Hyx {

class VisualGraphs;

class HYX_API XmlGraph {
public:
    /// Writes dialect one ("hyx"); true when the file was written.
    static bool SaveToHyxXml(const char* path, std::shared_ptr<VisualGraphs> graphs);
    /// Writes dialect two ("quendra"); true when the file was written.
    static bool SaveToQuendraXml(const char* path, std::shared_ptr<VisualGraphs> graphs);
    /// Reads a file of either dialect; empty on failure.
    static std::shared_ptr<VisualGraphs> LoadFromXml(const char* path);
    /// Reads a document of either dialect held in memory (size bytes, no terminating zero
    /// needed); empty on failure.
    std::shared_ptr<VisualGraphs> LoadFromDataBuffer(const char* data, size_t size);
};

} // namespace Hyx
