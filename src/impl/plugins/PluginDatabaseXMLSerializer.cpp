#include "impl/plugins/PluginDatabaseXMLSerializer.h"

#include "core/LogLevelEnabled.h"

#include <VornCommon/Xml.h>

#include <charconv>
#include <map>
#include <string_view>
#include <unordered_map>

namespace Hyx {

namespace {

using tinyxml2::XMLElement;
using VornCommon::LogLevel;

constexpr int32_t MAX_FILTER_CATEGORY = 8;

/// Text of the named child; null when the child is missing or has no text, so that an
/// empty value counts as a missing one.
const char* childText(const XMLElement& element, const char* name)
{
    const XMLElement* child = element.FirstChildElement(name);
    const char* text = child ? child->GetText() : nullptr;
    return text && *text ? text : nullptr;
}

/// Strict decimal parse of the whole text (blanks around it allowed): unlike the lenient
/// helpers, "abc", "12x" or an out-of-range value is refused instead of read as a number.
template <class T>
bool parseNumber(const char* text, T& value)
{
    std::string_view view(text);
    const auto first = view.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return false;
    view = view.substr(first, view.find_last_not_of(" \t\r\n") - first + 1);
    if (!view.empty() && view.front() == '+')
        view.remove_prefix(1);
    const auto [end, error] = std::from_chars(view.data(), view.data() + view.size(), value);
    return error == std::errc() && end == view.data() + view.size() && !view.empty();
}

/// The first element named firstName and every element after it, whatever its name: a
/// section lists one kind of element, so a renamed one is still read as that kind.
template <class Visit>
void forEachRecordElement(const XMLElement* section, const char* firstName, Visit visit)
{
    if (!section)
        return;
    for (const XMLElement* element = section->FirstChildElement(firstName); element;
         element = element->NextSiblingElement())
        visit(*element);
}

using ModuleIdTable = std::map<uint32_t, std::shared_ptr<PluginDatabaseXMLSerializer::ModuleRecord>>;

/// The module record of a class element's "module" text, or null (logged).
std::shared_ptr<PluginDatabaseXMLSerializer::ModuleRecord> moduleOf(const ModuleIdTable& ids, int32_t id)
{
    const auto it = id < 0 ? ids.end() : ids.find(static_cast<uint32_t>(id));
    if (it != ids.end())
        return it->second;
    LogLine(LogLevel::Warning, "A module with id '%d' not present in the XML file", id);
    return nullptr;
}

/// A filter or data-layer element with its first three children.
XMLElement* appendClass(XMLElement& section, const char* name, const std::string& guid, uint32_t moduleId,
                        const std::string& className)
{
    XMLElement* element = section.InsertNewChildElement(name);
    element->InsertNewChildElement("guid")->SetText(guid.c_str());
    element->InsertNewChildElement("module")->SetText(moduleId);
    element->InsertNewChildElement("classname")->SetText(className.c_str());
    return element;
}

} // namespace

bool PluginDatabaseXMLSerializer::Read(const std::string& path)
{
    modules.clear();
    filters.clear();
    dataLayers.clear();

    auto doc = VornCommon::MakeXmlDocument();
    if (doc.LoadFile(path.c_str()) != tinyxml2::XML_SUCCESS)
        return false;
    const XMLElement* root = doc.RootElement();
    if (!root || std::string_view(root->Name()) != "hyxplugins")
        return false;

    ModuleIdTable ids;
    forEachRecordElement(root->FirstChildElement("modules"), "module", [&](const XMLElement& element) {
        const char* idText = childText(element, "id");
        const char* pathText = childText(element, "path");
        const char* timestampText = childText(element, "timestamp");
        auto record = std::make_shared<ModuleRecord>();
        uint32_t id = 0;
        if (!idText || !pathText || !timestampText || !parseNumber(idText, id) ||
            !parseNumber(timestampText, record->timestamp)) {
            LogLine(LogLevel::Warning, "Invalid XML format of a module element, skipping");
            return;
        }
        record->path = pathText;
        modules.push_back(record);
        ids[id] = std::move(record); // a later duplicate id wins
    });

    forEachRecordElement(root->FirstChildElement("filters"), "filter", [&](const XMLElement& element) {
        const char* guidText = childText(element, "guid");
        const char* moduleText = childText(element, "module");
        const char* classText = childText(element, "classname");
        const char* typeText = childText(element, "type");
        int32_t moduleId = 0;
        int32_t type = 0;
        if (!guidText || !moduleText || !classText || !typeText || !parseNumber(moduleText, moduleId) ||
            !parseNumber(typeText, type) || type < 0 || type > MAX_FILTER_CATEGORY) {
            LogLine(LogLevel::Warning, "Invalid XML format of a filter element, skipping");
            return;
        }
        auto module = moduleOf(ids, moduleId);
        if (module)
            filters.push_back(std::make_shared<FilterRecord>(FilterRecord{guidText, classText, module, type}));
    });

    forEachRecordElement(root->FirstChildElement("datalayers"), "datalayer", [&](const XMLElement& element) {
        const char* guidText = childText(element, "guid");
        const char* moduleText = childText(element, "module");
        const char* classText = childText(element, "classname");
        int32_t moduleId = 0;
        if (!guidText || !moduleText || !classText || !parseNumber(moduleText, moduleId)) {
            LogLine(LogLevel::Warning, "Invalid XML format of a data layer element, skipping");
            return;
        }
        auto module = moduleOf(ids, moduleId);
        if (module)
            dataLayers.push_back(std::make_shared<DataLayerRecord>(DataLayerRecord{guidText, classText, module}));
    });
    return true;
}

bool PluginDatabaseXMLSerializer::Write(const std::string& path) const
{
    auto doc = VornCommon::MakeXmlDocument();
    doc.InsertEndChild(doc.NewDeclaration());
    XMLElement* root = doc.NewElement("hyxplugins");
    doc.InsertEndChild(root);

    std::unordered_map<const ModuleRecord*, uint32_t> ids;
    XMLElement* modulesElement = root->InsertNewChildElement("modules");
    for (const auto& module : modules) {
        const auto id = static_cast<uint32_t>(ids.size());
        if (!ids.emplace(module.get(), id).second)
            continue; // listed twice: one record is enough
        XMLElement* element = modulesElement->InsertNewChildElement("module");
        element->InsertNewChildElement("id")->SetText(id);
        element->InsertNewChildElement("path")->SetText(module->path.c_str());
        element->InsertNewChildElement("timestamp")->SetText(module->timestamp);
    }

    XMLElement* filtersElement = root->InsertNewChildElement("filters");
    for (const auto& filter : filters) {
        const auto id = ids.find(filter->module.get());
        if (id == ids.end())
            continue;
        appendClass(*filtersElement, "filter", filter->guid, id->second, filter->className)
            ->InsertNewChildElement("type")
            ->SetText(filter->type);
    }

    XMLElement* dataLayersElement = root->InsertNewChildElement("datalayers");
    for (const auto& dataLayer : dataLayers) {
        const auto id = ids.find(dataLayer->module.get());
        if (id == ids.end())
            continue;
        appendClass(*dataLayersElement, "datalayer", dataLayer->guid, id->second, dataLayer->className);
    }
    return VornCommon::SaveXmlDocument(doc, path);
}

} // namespace Hyx
