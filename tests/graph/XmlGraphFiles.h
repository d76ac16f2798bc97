#pragma once

// Helpers of the graph-file tests: files in and out, a one-line summary of loaded graph
// descriptions, and the test GUIDs with their aliases.

#include <Hyx/GuidAlias.h>
#include <Hyx/VisualGraph.h>

#include <VornCommon/Guid.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>

namespace HyxTest {

inline const VornCommon::Guid kXmlSource = VornCommon::Guid::FromHexString("3C1F5A20-1B7E-4D2A-9E61-0A5B7C3D9E01");
inline const VornCommon::Guid kXmlMutate = VornCommon::Guid::FromHexString("3C1F5A20-1B7E-4D2A-9E61-0A5B7C3D9E02");
// Never given an alias: its name is its hexadecimal text.
inline const VornCommon::Guid kXmlUnnamed = VornCommon::Guid::FromHexString("3C1F5A20-1B7E-4D2A-9E61-0A5B7C3D9E03");

inline void RegisterXmlTestAliases()
{
    auto aliases = Hyx::Utils::GetHYXGuidAliasDatabase();
    aliases->RegisterGuidAlias(kXmlSource, "XmlTestSource");
    aliases->RegisterGuidAlias(kXmlMutate, "XmlTestMutate");
}

inline std::string XmlDataPath(const std::string& name)
{
    return std::string(HYX_TEST_DATA_DIR) + "/xmlgraph/" + name;
}

inline std::string OutputPath(const std::string& name)
{
    return std::string(HYX_TEST_BINARY_DIR) + "/" + name;
}

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

/// "null" for no result; otherwise one "mode fps:" group per graph, separated by " | ",
/// each filter as " <last two GUID digits><S if selected><R if rendered>{name=value;...}".
inline std::string Summary(const std::shared_ptr<Hyx::VisualGraphs>& graphs)
{
    if (!graphs)
        return "null";
    std::ostringstream out;
    for (int g = 0; g < graphs->GetNumVisualGraphs(); ++g) {
        const auto graph = graphs->GetVisualGraph(g);
        out << (g > 0 ? " | " : "") << static_cast<int>(graph->GetPlaybackMode()) << ' ' << graph->GetFps() << ':';
        for (int f = 0; f < graph->GetNumVisualFilters(); ++f) {
            const auto filter = graph->GetVisualFilter(f);
            const std::string guid = filter->GetGuid().ToHexString().StdString();
            out << ' ' << guid.substr(guid.size() - 2) << (filter->IsSelected() ? "S" : "")
                << (filter->IsRendered() ? "R" : "") << '{';
            for (const auto& [name, value] : filter->GetParamValueMap())
                out << name << '=' << value << ';';
            out << '}';
        }
    }
    return out.str();
}

} // namespace HyxTest
