#include <Hyx/ClassInfo.h>
#include <Hyx/FilterFactory.h>
#include <Hyx/VisualGraph.h>
#include <Hyx/XmlGraph.h>

#include "core/FileProblem.h"
#include "core/LogLevelEnabled.h"
#include "graph/runtime/FramePeriod.h"
#include "graph/xml/XmlGraphTexts.h"

#include <VornCommon/FileHelper.h>
#include <VornCommon/Xml.h>

#include <cstring>
#include <exception>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

// The loader of both dialects. The root element picks the dialect. Attributes that are
// missing or unreadable never reach the descriptions as null texts: graph settings keep
// their defaults, a filter without "guid" counts as one with an invalid GUID, a parameter
// without "name" is skipped.
//
// Every refusal logs one line at level 2 naming the document (the file's path, or "graph
// buffer") and the cause.

namespace Hyx {

namespace {

using tinyxml2::XMLDocument;
using tinyxml2::XMLElement;

// The document being read, for log lines: "graph file '<path>'", or "graph buffer" when it
// came from memory (path null).
std::string documentName(const char* path)
{
    return path != nullptr ? std::string("graph file '") + path + "'" : std::string("graph buffer");
}

bool hasVersion10(const XMLElement& root, const char* path)
{
    const char* version = root.Attribute("version");
    if (version != nullptr && std::strcmp(version, "1.0") == 0)
        return true;
    if (version == nullptr)
        LogLine(VornCommon::LogLevel::Error, "Failed to load %s: no version", documentName(path).c_str());
    else
        LogLine(VornCommon::LogLevel::Error, "Failed to load %s: unsupported version '%s'", documentName(path).c_str(),
                version);
    return false;
}

bool boolAttribute(const XMLElement& element, const char* name)
{
    bool value = false;
    if (element.QueryBoolAttribute(name, &value) != tinyxml2::XML_SUCCESS)
        return false;
    return value;
}

// The load goes on: a plug-in may still register the class before the graph is made. The
// element's "name" is the only hint at what the file meant.
void logUnknownClass(const XMLElement& element, const VornCommon::Guid& type, const char* path)
{
    FilterClassInfo info;
    if (FilterFactory::TryGetFilterClassInfo(type, info))
        return;
    const char* name = element.Attribute("name");
    LogLine(VornCommon::LogLevel::Error, "Unknown filter class '%s' (guid '%s') in %s", name != nullptr ? name : "",
            type.ToHexString().CStr(), documentName(path).c_str());
}

// A filter description with GUID and flags; empty (logged) when "guid" is missing or not
// GUID text, which makes the whole load fail. The line names the document and the filter
// element's line, since the element carries no other name that is sure to be there.
std::shared_ptr<VisualFilter> readFilter(const XMLElement& element, const char* path)
{
    const char* guidText = element.Attribute("guid");
    if (guidText == nullptr) {
        LogLine(VornCommon::LogLevel::Error, "Invalid filter guid: no 'guid' attribute (filter at line %d of %s)",
                element.GetLineNum(), documentName(path).c_str());
        return nullptr;
    }
    VornCommon::Guid type;
    try {
        type = VornCommon::Guid::FromHexString(guidText);
    } catch (const std::exception& e) {
        LogLine(VornCommon::LogLevel::Error, "Invalid filter guid: %s (filter at line %d of %s)", e.what(),
                element.GetLineNum(), documentName(path).c_str());
        return nullptr;
    }
    logUnknownClass(element, type, path);
    return std::make_shared<VisualFilter>(type, boolAttribute(element, "selected"), boolAttribute(element, "rendered"));
}

// SetParamValue for every child of parent with the given name.
void readParams(const XMLElement& parent, const char* elementName, VisualFilter& filter)
{
    for (const XMLElement* param = parent.FirstChildElement(elementName); param != nullptr;
         param = param->NextSiblingElement(elementName)) {
        const char* name = param->Attribute("name");
        if (name == nullptr)
            continue;
        const char* value = param->Attribute("value");
        filter.SetParamValue(name, value != nullptr ? value : "");
    }
}

std::shared_ptr<VisualGraphs> readHyx(const XMLElement& root, const char* path)
{
    if (!hasVersion10(root, path))
        return nullptr;
    auto graphs = std::make_shared<VisualGraphs>();
    for (const XMLElement* graphElement = root.FirstChildElement("graph"); graphElement != nullptr;
         graphElement = graphElement->NextSiblingElement("graph")) {
        auto graph = std::make_shared<VisualGraph>();
        if (const char* play = graphElement->Attribute("play"))
            graph->SetPlaybackMode(XmlGraphTexts::PlayModeFromName(play));
        if (const char* fps = graphElement->Attribute("fps")) {
            const float rate = XmlGraphTexts::FpsFromText(fps);
            // Refused as the graph's rate calls refuse it, naming the text as written.
            if (const std::string fault = RateFault(rate); !fault.empty()) {
                LogLine(VornCommon::LogLevel::Error, "Failed to load %s: 'fps' text '%s' of the graph at line %d %s",
                        documentName(path).c_str(), fps, graphElement->GetLineNum(), fault.c_str());
                return nullptr;
            }
            graph->SetFps(rate);
        }
        for (const XMLElement* filterElement = graphElement->FirstChildElement("filter"); filterElement != nullptr;
             filterElement = filterElement->NextSiblingElement("filter")) {
            std::shared_ptr<VisualFilter> filter = readFilter(*filterElement, path);
            if (!filter)
                return nullptr;
            readParams(*filterElement, "param", *filter);
            graph->AddVisualFilter(filter);
        }
        graphs->AddVisualGraph(graph);
    }
    return graphs;
}

std::shared_ptr<VisualGraphs> readQuendra(const XMLElement& root, const char* path)
{
    if (!hasVersion10(root, path))
        return nullptr;
    auto graphs = std::make_shared<VisualGraphs>();
    const XMLElement* pipeline = root.FirstChildElement("hyxpipeline");
    if (pipeline == nullptr)
        return graphs;
    auto graph = std::make_shared<VisualGraph>();
    if (const std::optional<int> mode = XmlGraphTexts::ParseInt(pipeline->Attribute("playmode")))
        graph->SetPlaybackMode(static_cast<PlaybackMode>(*mode));
    if (const std::optional<int> speed = XmlGraphTexts::ParseInt(pipeline->Attribute("playspeed")))
        graph->SetFps(XmlGraphTexts::FpsFromSpeedCode(*speed));
    for (const XMLElement* filterElement = pipeline->FirstChildElement("filter"); filterElement != nullptr;
         filterElement = filterElement->NextSiblingElement("filter")) {
        std::shared_ptr<VisualFilter> filter = readFilter(*filterElement, path);
        if (!filter)
            return nullptr;
        if (const XMLElement* parameters = filterElement->FirstChildElement("parameters"))
            readParams(*parameters, "parameter", *filter);
        graph->AddVisualFilter(filter);
    }
    graphs->AddVisualGraph(graph);
    return graphs;
}

std::shared_ptr<VisualGraphs> readDocument(const XMLDocument& doc, const char* path)
{
    if (const XMLElement* root = doc.FirstChildElement("hyx"))
        return readHyx(*root, path);
    if (const XMLElement* root = doc.FirstChildElement("quendra"))
        return readQuendra(*root, path);
    LogLine(VornCommon::LogLevel::Error, "Failed to load %s: no 'hyx' or 'quendra' root element",
            documentName(path).c_str());
    return nullptr;
}

// The line itself needs memory: when there is none left it is dropped, as the load still
// must not throw.
void logOutOfMemory(const char* path)
{
    try {
        LogLine(VornCommon::LogLevel::Error, "Failed to load %s: out of memory", documentName(path).c_str());
    } catch (const std::bad_alloc&) {
    }
}

std::shared_ptr<VisualGraphs> load(const char* data, size_t size, const char* path)
{
    // Only memory can run out here; a load reports failure, it does not throw.
    try {
        XMLDocument doc = VornCommon::MakeXmlDocument();
        if (doc.Parse(data, size) != tinyxml2::XML_SUCCESS) {
            if (doc.ErrorLineNum() > 0)
                LogLine(VornCommon::LogLevel::Error, "Failed to load %s: malformed XML at line %d (%s)",
                        documentName(path).c_str(), doc.ErrorLineNum(), doc.ErrorName());
            else
                LogLine(VornCommon::LogLevel::Error, "Failed to load %s: malformed XML (%s)",
                        documentName(path).c_str(), doc.ErrorName());
            return nullptr;
        }
        std::shared_ptr<VisualGraphs> graphs = readDocument(doc, path);
        if (graphs)
            graphs->SetOrigin(documentName(path));
        return graphs;
    } catch (const std::bad_alloc&) {
        logOutOfMemory(path);
        return nullptr;
    }
}

} // namespace

std::shared_ptr<VisualGraphs> XmlGraph::LoadFromXml(const char* path)
{
    if (path == nullptr) {
        LogLine(VornCommon::LogLevel::Error, "Failed to load a graph file: no path");
        return nullptr;
    }
    uint32_t size = 0;
    // Read through the platform layer: it refuses folders and files of 4 GiB or more
    // before allocating.
    const std::unique_ptr<uint8_t[]> content(VornCommon::FileHelper::ReadFileContentToByteArray(path, size));
    if (!content) {
        LogLine(VornCommon::LogLevel::Error, "Failed to load %s: %s", documentName(path).c_str(),
                DescribeUnreadableFile(path));
        return nullptr;
    }
    return load(reinterpret_cast<const char*>(content.get()), size, path);
}

std::shared_ptr<VisualGraphs> XmlGraph::LoadFromDataBuffer(const char* data, size_t size)
{
    if (data == nullptr) {
        LogLine(VornCommon::LogLevel::Error, "Failed to load %s: no data", documentName(nullptr).c_str());
        return nullptr;
    }
    return load(data, size, nullptr);
}

} // namespace Hyx
