#include <Hyx/VisualGraph.h>
#include <Hyx/XmlGraph.h>

#include "core/FileProblem.h"
#include "core/LogLevelEnabled.h"
#include "graph/runtime/FramePeriod.h"
#include "graph/xml/XmlGraphTexts.h"

#include <VornCommon/Xml.h>

#include <algorithm>
#include <string>

// Writers of both dialects. Elements are made in the order they are printed; attributes
// are set in their fixed order, which the printer keeps.

namespace Hyx {

namespace {

using tinyxml2::XMLDocument;
using tinyxml2::XMLElement;

// The filter element with the attributes both dialects share, in dialect one's order;
// dialect two inserts its layout attributes after "guid".
XMLElement* newFilterElement(XMLDocument& doc, const VisualFilter& filter)
{
    XMLElement* element = doc.NewElement("filter");
    element->SetAttribute("name", filter.GetName().c_str());
    element->SetAttribute("guid", filter.GetGuid().ToHexString().CStr());
    return element;
}

void setFlags(XMLElement* element, const VisualFilter& filter)
{
    element->SetAttribute("selected", filter.IsSelected());
    element->SetAttribute("rendered", filter.IsRendered());
}

// Appends one element per parameter value to parent, in ascending order of name.
void appendParams(XMLDocument& doc, XMLElement* parent, const VisualFilter& filter, const char* elementName)
{
    for (const auto& [name, value] : filter.GetParamValueMap()) {
        XMLElement* param = doc.NewElement(elementName);
        param->SetAttribute("name", name.c_str());
        param->SetAttribute("value", value.c_str());
        parent->InsertEndChild(param);
    }
}

// The document with its root element and "version" "1.0".
XMLElement* insertRoot(XMLDocument& doc, const char* rootName)
{
    XMLElement* root = doc.NewElement(rootName);
    root->SetAttribute("version", "1.0");
    doc.InsertFirstChild(root);
    return root;
}

XMLElement* hyxGraphElement(XMLDocument& doc, const VisualGraph& graph)
{
    XMLElement* element = doc.NewElement("graph");
    element->SetAttribute("play", XmlGraphTexts::PlayModeName(graph.GetPlaybackMode()));
    element->SetAttribute("fps", XmlGraphTexts::FpsText(graph.GetFps()).c_str());
    for (int i = 0; i < graph.GetNumVisualFilters(); ++i) {
        const std::shared_ptr<VisualFilter> filter = graph.GetVisualFilter(i);
        if (!filter)
            continue;
        XMLElement* filterElement = newFilterElement(doc, *filter);
        setFlags(filterElement, *filter);
        appendParams(doc, filterElement, *filter, "param");
        element->InsertEndChild(filterElement);
    }
    return element;
}

XMLElement* quendraGraphElement(XMLDocument& doc, const VisualGraph& graph)
{
    XMLElement* element = doc.NewElement("hyxpipeline");
    element->SetAttribute("playmode", static_cast<int>(graph.GetPlaybackMode()));
    element->SetAttribute("playspeed", XmlGraphTexts::SpeedCode(graph.GetFps()));
    for (int i = 0; i < graph.GetNumVisualFilters(); ++i) {
        const std::shared_ptr<VisualFilter> filter = graph.GetVisualFilter(i);
        if (!filter)
            continue;
        XMLElement* filterElement = newFilterElement(doc, *filter);
        filterElement->SetAttribute("positionx", 0);
        filterElement->SetAttribute("positiony", i);
        filterElement->SetAttribute("width", 10);
        filterElement->SetAttribute("height", 1);
        setFlags(filterElement, *filter);
        XMLElement* parameters = doc.NewElement("parameters");
        appendParams(doc, parameters, *filter, "parameter");
        filterElement->InsertEndChild(parameters);
        element->InsertEndChild(filterElement);
    }
    return element;
}

// How many of a list's graphs a dialect's loader reads back: all of them, or the first alone.
enum class ReadBack {
    All,
    First
};

template <class MakeGraphElement>
bool save(const char* path, const std::shared_ptr<VisualGraphs>& graphs, const char* rootName,
          MakeGraphElement makeGraphElement, ReadBack readBack)
{
    if (path == nullptr) {
        LogLine(VornCommon::LogLevel::Error, "Failed to save a graph file: no path");
        return false;
    }
    if (!graphs) {
        LogLine(VornCommon::LogLevel::Error, "Failed to save graph file '%s': no graphs given", path);
        return false;
    }
    // The loader refuses a rate that is no rate: such a file is never written, and the file
    // at the path stays as it was. Only the graphs it reads back count. (Dialect one's six
    // digits never make a rate taken read back as one refused: a rate at or above the limit
    // rounds to a text at or above it.)
    const int checked =
        readBack == ReadBack::First ? std::min(graphs->GetNumVisualGraphs(), 1) : graphs->GetNumVisualGraphs();
    for (int i = 0; i < checked; ++i) {
        const std::shared_ptr<VisualGraph> graph = graphs->GetVisualGraph(i);
        const std::string why = graph ? WhyNoRate(graph->GetFps()) : std::string();
        if (!why.empty()) {
            LogLine(VornCommon::LogLevel::Error, "Failed to save graph file '%s': graph %d of %s has no rate (%s)",
                    path, i, graphs->GetOrigin().c_str(), why.c_str());
            return false;
        }
    }
    XMLDocument doc = VornCommon::MakeXmlDocument();
    XMLElement* root = insertRoot(doc, rootName);
    for (int i = 0; i < graphs->GetNumVisualGraphs(); ++i) {
        const std::shared_ptr<VisualGraph> graph = graphs->GetVisualGraph(i);
        if (graph)
            root->InsertEndChild(makeGraphElement(doc, *graph));
    }
    if (VornCommon::SaveXmlDocument(doc, path))
        return true;
    LogLine(VornCommon::LogLevel::Error, "Can't write file '%s' (%s)", path,
            DescribeUnwritableFile(path, FoldersMade::No));
    return false;
}

} // namespace

bool XmlGraph::SaveToHyxXml(const char* path, std::shared_ptr<VisualGraphs> graphs)
{
    return save(path, graphs, "hyx", hyxGraphElement, ReadBack::All);
}

bool XmlGraph::SaveToQuendraXml(const char* path, std::shared_ptr<VisualGraphs> graphs)
{
    return save(path, graphs, "quendra", quendraGraphElement, ReadBack::First);
}

} // namespace Hyx
