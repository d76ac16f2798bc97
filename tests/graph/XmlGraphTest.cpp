// Graph files in both dialects: byte-exact saving, round trips of modes, rates and values,
// malformed and truncated files, and files that turn into running graphs.

#include "GraphFixtures.h"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <locale>
#include <sstream>

using namespace GraphFixtures;
using Save = bool (*)(const char*, std::shared_ptr<VisualGraphs>);

namespace {

const Guid kXmlSource = Guid::FromHexString("3C1F5A20-1B7E-4D2A-9E61-0A5B7C3D9E01");
const Guid kXmlMutate = Guid::FromHexString("3C1F5A20-1B7E-4D2A-9E61-0A5B7C3D9E02");
// Never given an alias: its name is its hexadecimal text.
const Guid kXmlUnnamed = Guid::FromHexString("3C1F5A20-1B7E-4D2A-9E61-0A5B7C3D9E03");
const Save kSaves[] = {&XmlGraph::SaveToHyxXml, &XmlGraph::SaveToQuendraXml};

std::string DataPath(const std::string& name)
{
    return std::string(HYX_TEST_DATA_DIR) + "/xmlgraph/" + name;
}

std::string OutputPath(const std::string& name)
{
    return std::string(HYX_TEST_BINARY_DIR) + "/" + name;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

/// "null" for no result; otherwise one "mode fps:" group per graph, separated by " | ",
/// each filter as " <last two GUID digits><S if selected><R if rendered>{name=value;...}".
std::string Summary(const std::shared_ptr<VisualGraphs>& graphs)
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

std::shared_ptr<VisualGraphs> OneGraph(PlaybackMode mode, float fps)
{
    auto graphs = std::make_shared<VisualGraphs>();
    auto graph = std::make_shared<VisualGraph>();
    graph->SetPlaybackMode(mode);
    graph->SetFps(fps);
    graphs->AddVisualGraph(graph);
    return graphs;
}

// The descriptions that the golden files hold: three filters in a looping graph, then an
// empty graph.
std::shared_ptr<VisualGraphs> GoldenGraphs()
{
    auto aliases = Utils::GetHYXGuidAliasDatabase();
    aliases->RegisterGuidAlias(kXmlSource, "XmlTestSource");
    aliases->RegisterGuidAlias(kXmlMutate, "XmlTestMutate");
    auto graphs = OneGraph(PlaybackMode::ForwardLoop, 12.5f);
    auto graph = graphs->GetVisualGraph(0);
    auto source = graph->AddVisualFilter(kXmlSource, false, false);
    source->SetParamValue("lower", "x");
    source->SetParamValue("Note", "a&b <c> \"d\" 'e'");
    source->SetParamValue("Buffer size", "8");
    source->SetParamValue("Buffer size", "16"); // replaces
    graph->AddVisualFilter(kXmlMutate, true, false);
    auto target = graph->AddVisualFilter(kXmlUnnamed, false, true);
    target->SetParamValue("Threads count", "4");
    target->SetParamValue("Keep Mesh", "True");
    graph->SetVisualFilter(4, nullptr); // beyond the count: ignored
    graphs->AddVisualGraph(OneGraph(PlaybackMode::Realtime, -2.0f)->GetVisualGraph(0));
    return graphs;
}

std::shared_ptr<VisualGraphs> LoadText(const std::string& text)
{
    return XmlGraph().LoadFromDataBuffer(text.data(), text.size());
}

// A heap copy of exactly `size` bytes, so that any read beyond it is caught.
std::shared_ptr<VisualGraphs> LoadExactBuffer(const std::string& text, size_t size)
{
    std::vector<char> buffer(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(size));
    return XmlGraph().LoadFromDataBuffer(buffer.data(), buffer.size());
}

// Mode and rate of a graph after saving it alone in a dialect and loading it back.
std::string RoundTrip(PlaybackMode mode, float fps, bool quendra)
{
    const std::string path = OutputPath("roundtrip.xml");
    EXPECT_TRUE(kSaves[quendra](path.c_str(), OneGraph(mode, fps)));
    return Summary(XmlGraph::LoadFromXml(path.c_str()));
}

struct CommaDecimal : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    std::string do_grouping() const override { return "\3"; }
    char do_thousands_sep() const override { return '.'; }
};

} // namespace

TEST(XmlGraph, SavesBothDialectsByteForByte)
{
    const auto graphs = GoldenGraphs();
    const std::string path = OutputPath("golden.xml");
    const char* golden[] = {"three_filters_hyx.xml", "three_filters_quendra.xml"};
    for (int quendra = 0; quendra < 2; ++quendra) {
        ASSERT_TRUE(kSaves[quendra](path.c_str(), graphs));
        EXPECT_EQ(ReadFile(DataPath(golden[quendra])), ReadFile(path));
    }
    // Loading a golden file and saving it again reproduces it.
    ASSERT_TRUE(XmlGraph::SaveToHyxXml(path.c_str(), XmlGraph::LoadFromXml(DataPath(golden[0]).c_str())));
    EXPECT_EQ(ReadFile(DataPath(golden[0])), ReadFile(path));

    // An empty list writes only the root.
    const char* emptyTexts[] = {"<hyx version=\"1.0\"/>\n", "<quendra version=\"1.0\"/>\n"};
    for (int quendra = 0; quendra < 2; ++quendra) {
        ASSERT_TRUE(kSaves[quendra](path.c_str(), std::make_shared<VisualGraphs>()));
        EXPECT_EQ(emptyTexts[quendra], ReadFile(path));
        EXPECT_EQ("", Summary(XmlGraph::LoadFromXml(path.c_str())));
    }
}

TEST(XmlGraph, RoundTripsKeepModesRatesFlagsAndParameters)
{
    // Hyx keeps known modes and rates, codes included; quendra keeps every mode number and
    // the first graph, and turns small rates into codes.
    struct Case {
        int mode;
        float fps;
        bool quendra;
        const char* expected;
    };
    const Case cases[] = {{0, 25, false, "0 25:"},
                          {1, 25, false, "1 25:"},
                          {2, 25, false, "2 25:"},
                          {3, 25, false, "3 25:"},
                          {4, 25, false, "4 25:"},
                          {5, 25, false, "5 25:"},
                          {255, 25, false, "255 25:"},
                          {7, 0, false, "255 0:"},
                          {-1, 0, false, "255 0:"},
                          {4, -1, false, "4 -1:"},
                          {4, -2, false, "4 -2:"},
                          {4, -3, false, "4 -3:"},
                          {4, 12.5f, false, "4 12.5:"},
                          {4, -7.25f, false, "4 -7.25:"},
                          {4, 0, true, "4 0:"},
                          {4, -1, true, "4 -1:"},
                          {4, 2, true, "4 -2:"},
                          {4, 1, true, "4 -1:"},
                          {4, 3.9f, true, "4 -3:"},
                          {4, 12.5f, true, "4 12:"},
                          {4, -5.5f, true, "4 -5:"},
                          {4, 0.5f, true, "4 0:"},
                          {4, 2.32830658e-07f, true, "4 0:"}, // the smallest rate taken: its fraction too
                          {4, 1e20f, true, "4 2.14748e+09:"},
                          {7, 25, true, "7 25:"},
                          {-3, 25, true, "-3 25:"}};
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, RoundTrip(static_cast<PlaybackMode>(c.mode), c.fps, c.quendra)) << c.mode << ' ' << c.fps;
    EXPECT_EQ("2 -3: 01{}", Summary(LoadText("<quendra version=\"1.0\"><hyxpipeline playmode=\"2\" playspeed=\"3\">"
                                             "<filter guid=\"3C1F5A20-1B7E-4D2A-9E61-0A5B7C3D9E01\"/>"
                                             "</hyxpipeline><hyxpipeline playmode=\"1\" playspeed=\"0\"/></quendra>")));

    // Six significant digits survive.
    const std::string path = OutputPath("third.xml");
    const std::tuple<float, const char*, float> texts[] = {
        {1.0f / 3.0f, "fps=\"0.333333\"", 0.333333f},
        {1e7f, "fps=\"1e+07\"", 1e7f},
        {2.32830658e-07f, "fps=\"2.32831e-07\"", 2.32831e-07f}}; // the smallest rate taken stays one
    for (const auto& [fps, text, loaded] : texts) {
        ASSERT_TRUE(XmlGraph::SaveToHyxXml(path.c_str(), OneGraph(PlaybackMode::Pingpong, fps)));
        EXPECT_NE(std::string::npos, ReadFile(path).find(text));
        EXPECT_FLOAT_EQ(loaded, XmlGraph::LoadFromXml(path.c_str())->GetVisualGraph(0)->GetFps());
    }

    // Flags and parameters of the golden descriptions, through both dialects.
    const std::string filters = " 01{Buffer size=16;Note=a&b <c> \"d\" 'e';lower=x;} 02S{} "
                                "03R{Keep Mesh=True;Threads count=4;}";
    const std::string expected[] = {"1 12.5:" + filters + " | 255 -2:", "1 12:" + filters};
    for (int quendra = 0; quendra < 2; ++quendra) {
        ASSERT_TRUE(kSaves[quendra](path.c_str(), GoldenGraphs()));
        EXPECT_EQ(expected[quendra], Summary(XmlGraph::LoadFromXml(path.c_str())));
    }
}

TEST(XmlGraph, ControlCharactersInValuesSurviveSaveLoadSave)
{
    const std::string first = OutputPath("controls1.xml"), second = OutputPath("controls2.xml");
    for (const Save save : kSaves) {
        for (const char* value : {"a\rb", "a\r\nb", "a\nb", "a\tb", "\r", " \r\n\t "}) {
            auto graphs = OneGraph(PlaybackMode::ForwardOnce, 25.0f);
            graphs->GetVisualGraph(0)->AddVisualFilter(kXmlSource, false, false)->SetParamValue("Note", value);
            ASSERT_TRUE(save(first.c_str(), graphs));
            const auto loaded = XmlGraph::LoadFromXml(first.c_str());
            ASSERT_NE(loaded, nullptr);
            EXPECT_EQ(loaded->GetVisualGraph(0)->GetVisualFilter(0)->GetParamValueMap().at("Note"), value);
            ASSERT_TRUE(save(second.c_str(), loaded));
            EXPECT_EQ(ReadFile(first), ReadFile(second)); // a fixed point
        }
    }
}

TEST(XmlGraph, ReadsPlayNamesAndSpeedTextsExactly)
{
    const std::pair<const char*, float> rates[] = {{"12.5", 12.5f},
                                                   {"orig/2", -2.0f},
                                                   {"orig*2", -3.0f},
                                                   {"orig", -1.0f},
                                                   {"max", 0.0f},
                                                   {"abc", 0.0f},
                                                   {"30fps", 30.0f},
                                                   {"Max", 0.0f},
                                                   {"0x19", 0.0f}, // decimal only
                                                   {" +25", 25.0f},
                                                   {"-4.5x", -4.5f},
                                                   {"2.5e3", 2500.0f},
                                                   // The float is what counts: one too small for
                                                   // a float is 0; the smallest rate taken.
                                                   {"1e-50", 0.0f},
                                                   {"1e-999", 0.0f},
                                                   {"2.3283066e-07", 2.32830658e-07f},
                                                   {"0", 0.0f},
                                                   {"-1", -1.0f},
                                                   {"-1e-30", -1e-30f}};
    for (const auto& [text, fps] : rates) {
        const auto graphs =
            LoadText(std::string("<hyx version=\"1.0\"><graph play=\"pingpong\" fps=\"") + text + "\"/></hyx>");
        EXPECT_EQ(fps, graphs->GetVisualGraph(0)->GetFps()) << text;
    }
    const std::pair<const char*, int> modes[] = {{"forward once", 0}, {"backward loop", 3}, {"pingpong inverse", 5},
                                                 {"Pingpong", 255},   {"realtime", 255},    {"forward  once", 255}};
    for (const auto& [text, mode] : modes) {
        const auto graphs =
            LoadText(std::string("<hyx version=\"1.0\"><graph play=\"") + text + "\" fps=\"max\"/></hyx>");
        EXPECT_EQ(mode, static_cast<int>(graphs->GetVisualGraph(0)->GetPlaybackMode())) << text;
    }
}

TEST(XmlGraph, RefusesATextThatGivesNoRate)
{
    // A number that is no rate would pace as none, a rate whose period does not fit in 32 bits
    // about 49.7 days a frame: the load is refused, with one line.
    const std::string noNumber = "is not a number of frames a second";
    const std::string tooSmall = "gives a frame period past 4294967295 ms";
    const std::pair<const char*, std::string> rows[] = {
        {"nan", noNumber},       {"-nan", noNumber},  {"inf", noNumber},      {"-inf", noNumber},
        {"1e999", noNumber},     {"-1e40", noNumber}, {"infinity", noNumber}, {"1e400x", noNumber},
        {"1e-30", tooSmall},     {"1e-9", tooSmall},  {"1e-40", tooSmall},    {"2.3283064e-07", tooSmall},
        {" +1e-30fps", tooSmall}};
    for (const auto& [text, why] : rows) {
        SCOPED_TRACE(text);
        CapturedLog log;
        EXPECT_EQ(LoadText(std::string("<hyx version=\"1.0\">\n<graph play=\"pingpong\" fps=\"") + text + "\"/></hyx>"),
                  nullptr);
        EXPECT_EQ(log.Entries().size(), 1u);
        EXPECT_TRUE(log.Contains(std::string("Failed to load graph buffer: 'fps' text '") + text +
                                 "' of the graph at line 2 " + why));
    }
}

TEST(XmlGraph, SaveAndLoadReportFilesNotWritten)
{
    const auto graphs = GoldenGraphs();
    const std::string missingFolder = OutputPath("no such folder/graph.xml");
    const std::string folder = HYX_TEST_BINARY_DIR;
    const std::string nullGraphs = OutputPath("null.xml");
    // A rate the loader would refuse: the golden graphs with that graph at that rate.
    const auto withRate = [](float fps, int graph = 0) {
        auto list = GoldenGraphs();
        list->GetVisualGraph(graph)->SetFps(fps);
        list->SetOrigin("graph file 'golden.xml'");
        return list;
    };
    const std::string noRate = OutputPath("no rate.xml");
    const std::string kept = OutputPath("kept.xml");
    const std::string rateLine =
        "Failed to save graph file '" + noRate + "': graph 0 of graph file 'golden.xml' has no rate (";
    // Each refused save, the graphs it is given and the one line it gives.
    const std::tuple<const char*, std::shared_ptr<VisualGraphs>, std::string> refusals[] = {
        {missingFolder.c_str(), graphs, "Can't write file '" + missingFolder + "' (No such folder)"},
        {"/dev/full", graphs, "Can't write file '/dev/full' (Cannot be written)"}, // no room
        {folder.c_str(), graphs, "Can't write file '" + folder + "' (Is a folder)"},
        {nullptr, graphs, "Failed to save a graph file: no path"},
        {nullGraphs.c_str(), nullptr, "Failed to save graph file '" + nullGraphs + "': no graphs given"},
        {noRate.c_str(), withRate(std::nanf("")), rateLine + "nan is not a number of frames a second)"},
        {noRate.c_str(), withRate(INFINITY), rateLine + "inf is not a number of frames a second)"},
        {noRate.c_str(), withRate(-INFINITY), rateLine + "-inf is not a number of frames a second)"},
        // A rate whose period does not fit: the loader would refuse it too.
        {noRate.c_str(), withRate(1e-30f), rateLine + "1e-30 gives a frame period past 4294967295 ms)"},
        {noRate.c_str(), withRate(1e-9f), rateLine + "1e-09 gives a frame period past 4294967295 ms)"},
        {noRate.c_str(), withRate(2.32830644e-07f),
         rateLine + "2.3283064e-07 gives a frame period past 4294967295 ms)"},
        // A file already at the path stays as it was.
        {kept.c_str(), withRate(std::nanf("")),
         "Failed to save graph file '" + kept +
             "': graph 0 of graph file 'golden.xml' has no rate (nan is not a number of frames a second)"},
    };
    std::filesystem::remove(noRate);
    for (const Save save : kSaves) {
        std::ofstream(kept, std::ios::binary | std::ios::trunc) << "as it was";
        for (const auto& [path, given, line] : refusals) {
            SCOPED_TRACE(line);
            CapturedLog log;
            EXPECT_FALSE(save(path, given));
            EXPECT_EQ(1, log.Count(LogLevel::Error, line));
            EXPECT_EQ(1u, log.Entries().size());
        }
        EXPECT_FALSE(std::filesystem::exists(noRate));
        EXPECT_EQ(ReadFile(kept), "as it was");
    }
    // A later graph without a rate: the "hyx" dialect reads it back and refuses it, the
    // "quendra" dialect reads back the first graph alone and checks that one only; it writes
    // the later one's rate as the speed code 0 ("max").
    const std::string laterLine =
        "Failed to save graph file '" + noRate + "': graph 1 of graph file 'golden.xml' has no rate (";
    const std::tuple<Save, float, bool, std::string> laterGraphs[] = {
        {&XmlGraph::SaveToHyxXml, std::nanf(""), false, laterLine + "nan is not a number of frames a second)"},
        {&XmlGraph::SaveToHyxXml, 1e-30f, false, laterLine + "1e-30 gives a frame period past 4294967295 ms)"},
        {&XmlGraph::SaveToQuendraXml, std::nanf(""), true, ""},
        {&XmlGraph::SaveToQuendraXml, INFINITY, true, ""},
        {&XmlGraph::SaveToQuendraXml, -INFINITY, true, ""},
        {&XmlGraph::SaveToQuendraXml, 1e-30f, true, ""},
    };
    for (const auto& [save, fps, saved, line] : laterGraphs) {
        SCOPED_TRACE(testing::Message() << fps << ' ' << line);
        std::filesystem::remove(noRate);
        {
            CapturedLog log;
            EXPECT_EQ(save(noRate.c_str(), withRate(fps, 1)), saved);
            EXPECT_EQ(log.Entries().size(), line.empty() ? 0u : 1u);
            EXPECT_EQ(line.empty() ? 0 : 1, log.Count(LogLevel::Error, line));
        }
        // The first graph's 12.5 frames a second come back whole.
        const auto loaded = saved ? XmlGraph::LoadFromXml(noRate.c_str()) : nullptr;
        EXPECT_EQ(saved, loaded && loaded->GetNumVisualGraphs() == 1 && loaded->GetVisualGraph(0)->GetFps() == 12.0f);
        const std::string text = saved ? ReadFile(noRate) : std::string();
        EXPECT_EQ(saved, text.find("<hyxpipeline playmode=\"255\" playspeed=\"0\"/>") != std::string::npos) << text;
    }
    EXPECT_EQ(nullptr, XmlGraph::LoadFromXml(nullptr));
    EXPECT_EQ(nullptr, XmlGraph::LoadFromXml(missingFolder.c_str()));
    EXPECT_EQ(nullptr, XmlGraph::LoadFromXml(HYX_TEST_BINARY_DIR));
}

TEST(XmlGraph, NumberTextsIgnoreTheGlobalLocale)
{
    const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaDecimal));
    const std::string path = OutputPath("locale.xml");
    const bool saved = XmlGraph::SaveToHyxXml(path.c_str(), OneGraph(PlaybackMode::Pingpong, 12.5f));
    const std::string text = ReadFile(path);
    const auto loaded = LoadText("<hyx version=\"1.0\"><graph play=\"pingpong\" fps=\"1234.5\"/></hyx>");
    std::locale::global(previous);
    ASSERT_TRUE(saved);
    EXPECT_NE(std::string::npos, text.find("fps=\"12.5\""));
    EXPECT_EQ(1234.5f, loaded->GetVisualGraph(0)->GetFps());
}

TEST(XmlGraphMalformed, CorpusLoadsWithExpectedResult)
{
    // Every file of tests/data/xmlgraph/malformed with the summary of its load; null: loads,
    // values not checked (the parser passes unknown entities on as text of its own making).
    const std::pair<const char*, const char*> corpus[] = {
        {"version_1_1.xml", "null"},
        {"version_missing.xml", "null"},
        {"version_with_blank.xml", "null"},
        {"root_unknown.xml", "null"},
        {"root_upper_case.xml", "null"},
        {"guid_bad.xml", "null"},
        {"guid_missing.xml", "null"},
        {"guid_braced.xml", "null"},
        {"quendra_guid_bad.xml", "null"},
        {"quendra_version_2.xml", "null"},
        {"truncated_inside_filter.xml", "null"},
        {"truncated_closing_tag.xml", "null"},
        {"attribute_quote_open.xml", "null"},
        {"tags_mismatched.xml", "null"},
        {"empty.xml", "null"},
        {"binary.xml", "null"},
        {"nesting_too_deep.xml", "null"},
        {"graph_attributes_missing.xml", "4 0: 01{}"},
        {"graph_attributes_unreadable.xml", "255 0: 01R{} | 255 0: | 255 0: | 3 -7.25:"},
        {"graph_rate_not_a_number.xml", "null"},
        {"param_attributes_missing.xml", "0 0: 01{kept=last wins;no value=;}"},
        {"quendra_numbers_unreadable.xml", "4 0: 01{}"},
        {"quendra_numbers_out_of_range.xml", "4 7: 01{}"},
        {"quendra_attributes_missing.xml", "4 0: 01{a=1;}"},
        {"quendra_no_pipeline.xml", ""},
        {"roots_quendra_then_hyx.xml", "2 -1:"},
        {"declaration_and_entities.xml", "0 -3: 01{e=A&<;}"},
        {"entities_unknown.xml", nullptr}};
    for (const auto& [file, expected] : corpus) {
        SCOPED_TRACE(file);
        const std::string path = DataPath(std::string("malformed/") + file);
        const std::string text = ReadFile(path);
        for (const auto& loaded : {XmlGraph::LoadFromXml(path.c_str()), LoadExactBuffer(text, text.size())}) {
            EXPECT_TRUE(expected ? Summary(loaded) == expected : loaded != nullptr) << Summary(loaded);
        }
    }
}

TEST(XmlGraphMalformed, InvalidGuidIsLoggedAndDropsEveryGraph)
{
    CapturedLog log;
    const std::pair<const char*, const char*> guids[] = {{"guid_bad.xml", "Invalid GUID text 'not-a-guid'"},
                                                         {"guid_missing.xml", "no 'guid' attribute"},
                                                         {"quendra_guid_bad.xml", "Invalid GUID text 'zz'"}};
    for (const auto& [file, why] : guids) {
        const std::string path = DataPath(std::string("malformed/") + file);
        EXPECT_EQ(nullptr, XmlGraph::LoadFromXml(path.c_str()));
        EXPECT_EQ(1, log.Count(LogLevel::Error, std::string("Invalid filter guid: ") + why +
                                                    " (filter at line 1 of graph file '" + path + "')"));
    }
    // Beside them only the unregistered class of guid_bad.xml's first filter.
    EXPECT_EQ(4u, log.Entries().size());
    EXPECT_TRUE(log.Contains("Unknown filter class 'A'"));
}

TEST(XmlGraphMalformed, EachRefusalLogsOneLineNamingTheDocumentAndTheCause)
{
    const std::string folder = HYX_TEST_BINARY_DIR;
    const std::string missing = OutputPath("no_such_graph.xml");
    std::filesystem::remove(missing);
    // text: the document, loaded from a file and from a buffer; without text, path names the
    // file. %s stands for the document's name in the expected line.
    const struct {
        const char* text;
        const std::string* path;
        bool loads;
        const char* line;
    } cases[] = {
        {nullptr, &missing, false, "Failed to load %s: No such file"},
        {nullptr, &folder, false, "Failed to load %s: Is a folder"},
        {"<hyx version=\"1.0\">\n<graph>\n</filter>\n</hyx>", nullptr, false,
         "Failed to load %s: malformed XML at line 2 (XML_ERROR_MISMATCHED_ELEMENT)"},
        {"<hyx version=\"1.0\"><graph play=\"pingpong\"", nullptr, false,
         "Failed to load %s: malformed XML at line 1 (XML_ERROR_PARSING_ELEMENT)"},
        {"", nullptr, false, "Failed to load %s: malformed XML (XML_ERROR_EMPTY_DOCUMENT)"},
        {"<hyx version=\"1.1\"/>", nullptr, false, "Failed to load %s: unsupported version '1.1'"},
        {"<quendra version=\"2.0\"/>", nullptr, false, "Failed to load %s: unsupported version '2.0'"},
        {"<hyx/>", nullptr, false, "Failed to load %s: no version"},
        {"<graphs version=\"1.0\"/>", nullptr, false, "Failed to load %s: no 'hyx' or 'quendra' root element"},
        {"<hyx version=\"1.0\"><graph><filter name=\"TargetCalback\" "
         "guid=\"3C1F5A20-1B7E-4D2A-9E61-0A5B7C3D9E77\"/></graph></hyx>",
         nullptr, true, "Unknown filter class 'TargetCalback' (guid '3C1F5A20-1B7E-4D2A-9E61-0A5B7C3D9E77') in %s"},
        {"<quendra version=\"1.0\"><hyxpipeline><filter guid=\"3C1F5A20-1B7E-4D2A-9E61-0A5B7C3D9E77\"/>"
         "</hyxpipeline></quendra>",
         nullptr, true, "Unknown filter class '' (guid '3C1F5A20-1B7E-4D2A-9E61-0A5B7C3D9E77') in %s"},
        // Already told by its own line: no second one.
        {"<hyx version=\"1.0\"><graph><filter guid=\"zz\"/></graph></hyx>", nullptr, false,
         "Invalid filter guid: Invalid GUID text 'zz' (filter at line 1 of %s)"},
    };
    const auto expectedLine = [](const char* format, const std::string& name) {
        std::string line = format;
        const size_t at = line.find("%s");
        return at == std::string::npos ? line : line.replace(at, 2, name);
    };
    const std::string written = OutputPath("refused.xml");
    {
        CapturedLog log;
        EXPECT_EQ(nullptr, XmlGraph::LoadFromXml(nullptr));
        EXPECT_EQ(nullptr, XmlGraph().LoadFromDataBuffer(nullptr, 10));
        EXPECT_EQ(1, log.Count(LogLevel::Error, "Failed to load a graph file: no path"));
        EXPECT_EQ(1, log.Count(LogLevel::Error, "Failed to load graph buffer: no data"));
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const std::string path = c.path ? *c.path : written;
        if (c.text)
            std::ofstream(path, std::ios::binary) << c.text;
        CapturedLog log;
        EXPECT_EQ(c.loads, XmlGraph::LoadFromXml(path.c_str()) != nullptr);
        EXPECT_EQ(1, log.Count(LogLevel::Error, expectedLine(c.line, "graph file '" + path + "'")));
        EXPECT_EQ(1u, log.Entries().size());
        if (!c.text)
            continue;
        log.Clear();
        EXPECT_EQ(c.loads, XmlGraph().LoadFromDataBuffer(c.text, std::strlen(c.text)) != nullptr);
        EXPECT_EQ(1, log.Count(LogLevel::Error, expectedLine(c.line, "graph buffer")));
        EXPECT_EQ(1u, log.Entries().size());
    }
}

TEST(XmlGraphMalformed, MisspeltNamesAreIgnoredButNoEmptyResultGoesUntold)
{
    // A misspelt graph element loads as an empty list (unknown elements are ignored, and so
    // are unknown attributes: "colour", "prm"); a misspelt "guid" fails the load. Each empty
    // result, at the load or when a graph is asked for, comes with exactly one line. %s
    // stands for the document's name, "<n> graph(s)" for the count the list holds.
    const char* const kFilter = "guid=\"67AB0FAF-CD7C-4E09-9D13-6EC469026B27\"";
    const std::string hyxOne = std::string("<hyx version=\"1.0\">\n  <graph play=\"realtime\">\n    <filter ") +
                               kFilter + " colour=\"red\">\n      <prm name=\"a\" value=\"1\"/>\n" +
                               "    </filter>\n  </graph>\n</hyx>\n";
    const std::string quendraOne = std::string("<quendra version=\"1.0\">\n  <hyxpipeline playmode=\"255\">\n") +
                                   "    <filter " + kFilter + "/>\n  </hyxpipeline>\n</quendra>\n";
    const struct {
        std::string text;
        int graphs; // -1: the load fails
        const char* loadLine;
        int index; // the graph asked for
        const char* askLine;
    } cases[] = {
        {std::string("<hyx version=\"1.0\">\n  <grph play=\"realtime\">\n    <filter ") + kFilter +
             "/>\n  </grph>\n</hyx>\n",
         0, nullptr, 0, "No graph at index 0 in %s, which holds 0 graphs"},
        {std::string("<quendra version=\"1.0\">\n  <hyxpipelin playmode=\"255\">\n    <filter ") + kFilter +
             "/>\n  </hyxpipelin>\n</quendra>\n",
         0, nullptr, 0, "No graph at index 0 in %s, which holds 0 graphs"},
        {hyxOne, 1, nullptr, 1, "No graph at index 1 in %s, which holds 1 graph"},
        {hyxOne, 1, nullptr, -1, "No graph at index -1 in %s, which holds 1 graph"},
        {quendraOne, 1, nullptr, 1, "No graph at index 1 in %s, which holds 1 graph"},
        {"<hyx version=\"1.0\">\n  <graph>\n    <filter gid=\"67AB0FAF-CD7C-4E09-9D13-6EC469026B27\"/>\n  "
         "</graph>\n</hyx>\n",
         -1, "Invalid filter guid: no 'guid' attribute (filter at line 3 of %s)", 0, nullptr},
        {"<quendra version=\"1.0\">\n  <hyxpipeline>\n    <filter gid=\"67AB0FAF-CD7C-4E09-9D13-6EC469026B27\">\n"
         "      <parameters/>\n    </filter>\n  </hyxpipeline>\n</quendra>\n",
         -1, "Invalid filter guid: no 'guid' attribute (filter at line 3 of %s)", 0, nullptr},
        {std::string("<hyx version=\"1.0\">\n  <graph>\n    <filter ") + kFilter +
             "/>\n    <filter guid=\"nope\"/>\n  </graph>\n</hyx>\n",
         -1, "Invalid filter guid: Invalid GUID text 'nope' (filter at line 4 of %s)", 0, nullptr},
        {"<quendra version=\"1.0\">\n\n\n\n  <hyxpipeline>\n    <filter guid=\"\"/>\n  </hyxpipeline>\n</quendra>\n",
         -1, "Invalid filter guid: Invalid GUID text '' (filter at line 6 of %s)", 0, nullptr},
    };
    const auto named = [](const char* format, const std::string& name) {
        std::string line = format;
        return line.replace(line.find("%s"), 2, name);
    };
    const std::string path = OutputPath("misspelt.xml");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.loadLine ? c.loadLine : c.askLine);
        std::ofstream(path, std::ios::binary) << c.text;
        for (const bool fromFile : {true, false}) {
            const std::string name = fromFile ? "graph file '" + path + "'" : "graph buffer";
            CapturedLog log;
            const auto graphs = fromFile ? XmlGraph::LoadFromXml(path.c_str()) : LoadText(c.text);
            if (c.graphs < 0) {
                EXPECT_EQ(nullptr, graphs);
                EXPECT_EQ(1, log.Count(LogLevel::Error, named(c.loadLine, name)));
                EXPECT_EQ(1u, log.Entries().size());
                continue;
            }
            ASSERT_NE(nullptr, graphs);
            EXPECT_EQ(c.graphs, graphs->GetNumVisualGraphs());
            EXPECT_EQ(name, graphs->GetOrigin());
            EXPECT_EQ(0u, log.Entries().size()) << "the load itself says nothing";
            if (c.graphs > 0) {
                EXPECT_EQ(1, graphs->GetVisualGraph(0)->GetNumVisualFilters());
            }
            // Both ways to a graph: the asynchronous instantiation and the description (which
            // a host instantiates as a plain graph).
            EXPECT_EQ(nullptr, graphs->InstantiateHyxGraph(c.index));
            EXPECT_EQ(1, log.Count(LogLevel::Error, named(c.askLine, name)));
            EXPECT_EQ(1u, log.Entries().size());
            log.Clear();
            EXPECT_EQ(nullptr, graphs->GetVisualGraph(c.index));
            EXPECT_EQ(1, log.Count(LogLevel::Error, named(c.askLine, name)));
            EXPECT_EQ(1u, log.Entries().size());
        }
    }
    // A list the host made: named as such, or as the host names it.
    CapturedLog log;
    VisualGraphs own;
    EXPECT_EQ(nullptr, own.InstantiateHyxGraph(0));
    own.SetOrigin("graph set 'studio'");
    EXPECT_EQ(nullptr, own.GetVisualGraph(2));
    EXPECT_EQ(1, log.Count(LogLevel::Error, "No graph at index 0 in graph list, which holds 0 graphs"));
    EXPECT_EQ(1, log.Count(LogLevel::Error, "No graph at index 2 in graph set 'studio', which holds 0 graphs"));
    EXPECT_EQ(2u, log.Entries().size());
}

TEST(XmlGraphMalformed, EveryTruncationOfAGoldenFileLoadsAsEmpty)
{
    for (const char* name : {"three_filters_hyx.xml", "three_filters_quendra.xml"}) {
        SCOPED_TRACE(name);
        const std::string text = ReadFile(DataPath(name));
        ASSERT_GT(text.size(), 2u);
        // Everything short of the root's closing '>' is incomplete.
        for (size_t size = 0; size + 2 <= text.size(); ++size)
            ASSERT_EQ(nullptr, LoadExactBuffer(text, size)) << "prefix of " << size << " bytes";
        EXPECT_NE(nullptr, LoadExactBuffer(text, text.size() - 1));
    }
    EXPECT_EQ(nullptr, XmlGraph().LoadFromDataBuffer(nullptr, 0));
    EXPECT_EQ(nullptr, XmlGraph().LoadFromDataBuffer(nullptr, 100));
}

namespace {

inline constexpr Guid kPlaySource = GuidLiteral("5E7A3B10-2C4D-4E8F-A1B2-C3D4E5F60801");
inline constexpr Guid kPlayTransform = GuidLiteral("5E7A3B10-2C4D-4E8F-A1B2-C3D4E5F60802");
inline constexpr Guid kPlayTarget = GuidLiteral("5E7A3B10-2C4D-4E8F-A1B2-C3D4E5F60803");

// A test filter under a GUID of its own, for the factory.
template <class F, const Guid& Type>
struct Play : F {
    Guid TypeGuid() const override { return Type; }
    static Filter* Create() { return new Play(); }
};
// Five frames, each with two layers of the type the transform asks for: its "Input Profile"
// offers two combinations.
struct PlaySource : TestSource {
    PlaySource() : TestSource(5, MakeProfile({{kPurposeA, kType1}, {kPurposeB, kType1}})) {}
};
using PlayTarget = Play<TestTarget, kPlayTarget>;

PlaybackMode ProviderMode(const Graph& graph)
{
    auto provider = std::dynamic_pointer_cast<FrameOrderAuto>(graph.GetFrameOrderProvider());
    return provider ? provider->GetPlaybackMode() : static_cast<PlaybackMode>(-1);
}

} // namespace

TEST(XmlGraphPlayThreads, BlockMutateFileInstantiatesIntoAsyncGraphsThatPlayAndStop)
{
    static const bool registered = [] {
        FilterFactory::RegisterFilterClass(kPlaySource, FilterClassInfo("XmlPlaySource", FilterCategory::Source),
                                           &Play<PlaySource, kPlaySource>::Create);
        FilterFactory::RegisterFilterClass(kPlayTransform,
                                           FilterClassInfo("XmlPlayTransform", FilterCategory::Transform),
                                           &Play<TestTransform, kPlayTransform>::Create);
        FilterFactory::RegisterFilterClass(kPlayTarget, FilterClassInfo("XmlPlayTarget", FilterCategory::Target),
                                           &PlayTarget::Create);
        return true;
    }();
    ASSERT_TRUE(registered);
    const auto graphs = XmlGraph::LoadFromXml(DataPath("block_mutates.xml").c_str());
    ASSERT_NE(nullptr, graphs);
    ASSERT_EQ(2, graphs->GetNumVisualGraphs());
    EXPECT_EQ(nullptr, graphs->InstantiateHyxGraph(2));
    EXPECT_EQ(nullptr, graphs->InstantiateHyxGraph(-1));

    // Graph 0 paced at the file's 100 frames per second, looping until stopped; graph 1
    // unpaced, once through, the host releasing each frame. In both a full buffer holds the
    // source back instead of dropping, so every frame arrives however late the release
    // thread runs.
    for (int g = 0; g < 2; ++g) {
        SCOPED_TRACE(g);
        const std::shared_ptr<AsyncGraph> graph = graphs->InstantiateHyxGraph(g);
        ASSERT_NE(nullptr, graph) << "see the log";
        EXPECT_EQ(g ? PlaybackMode::ForwardOnce : PlaybackMode::ForwardLoop, ProviderMode(*graph));
        float fps = -5.0f;
        graph->GetGraphFps(fps);
        EXPECT_EQ(g ? 0.0f : 100.0f, fps);
        EXPECT_EQ(g ? 0u : 10u, graph->GetFramePeriodMs());
        auto target = std::dynamic_pointer_cast<PlayTarget>(graph->GetFilter(2));
        ASSERT_NE(nullptr, target);
        const Guid block = g ? MutateBlockManual::TheTypeGuid() : MutateBlockFPS::TheTypeGuid();
        EXPECT_EQ(g ? "2" : "4", graph->GetFilterParam(block, "Buffer size", 1)->GetValueAsString());
        ASSERT_EQ(ActionResult::Success, graph->Play()) << graph->GetLastError(false).CStr();
        if (g == 0) {
            EXPECT_TRUE(Eventually([&] { return target->frames().size() >= 8; })) << graph->GetLastError(false).CStr();
            EXPECT_EQ(ActionResult::Success, graph->Stop()) << graph->GetLastError(false).CStr();
            EXPECT_TRUE(graph->IsStopped());
            const Frames seen = target->frames();
            for (size_t i = 0; i < seen.size(); ++i)
                EXPECT_EQ(i % 5, seen[i]) << "atom " << i;
            for (unsigned i = 0; i < 3; ++i)
                EXPECT_EQ(Filter::FilterState::Connected, graph->GetFilter(i)->GetFilterState());
            continue;
        }
        for (size_t frames = 1; frames <= 5; ++frames) {
            EXPECT_TRUE(Eventually([&] {
                if (target->frames().size() >= frames)
                    return true;
                graph->SetFilterParamValue(MutateBlockManual::TheTypeGuid(), "Pull next processed frame", "", 1);
                return false;
            })) << "frame "
                << frames;
        }
        // Done once every frame is through: the graph stops itself.
        EXPECT_TRUE(Eventually([&] { return graph->IsStopped(); }));
        EXPECT_EQ(ActionResult::Success, graph->Stop());
        EXPECT_EQ(Range(5), target->frames());
    }
}
