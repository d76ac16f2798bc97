#include "XmlGraphFiles.h"

#include <Hyx/VisualGraph.h>
#include <Hyx/XmlGraph.h>

#include <gtest/gtest.h>

#include <locale>
#include <memory>
#include <string>

using Hyx::PlaybackMode;
using Hyx::VisualGraph;
using Hyx::VisualGraphs;
using Hyx::XmlGraph;
using namespace HyxTest;

namespace {

// The descriptions that the golden files hold: three filters in a looping graph, then an
// empty graph.
std::shared_ptr<VisualGraphs> GoldenGraphs()
{
    RegisterXmlTestAliases();
    auto graphs = std::make_shared<VisualGraphs>();
    auto graph = std::make_shared<VisualGraph>();
    graph->SetPlaybackMode(PlaybackMode::ForwardLoop);
    graph->SetFps(12.5f);
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
    graphs->AddVisualGraph(graph);

    auto empty = std::make_shared<VisualGraph>();
    empty->SetPlaybackMode(PlaybackMode::Realtime);
    empty->SetFps(-2.0f);
    graphs->AddVisualGraph(empty);
    return graphs;
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

std::shared_ptr<VisualGraphs> LoadText(const std::string& text)
{
    return XmlGraph().LoadFromDataBuffer(text.data(), text.size());
}

// Mode and rate of a graph after saving it alone in a dialect and loading it back.
std::string RoundTrip(PlaybackMode mode, float fps, bool quendra)
{
    const std::string path = OutputPath(quendra ? "roundtrip_quendra.xml" : "roundtrip_hyx.xml");
    const auto graphs = OneGraph(mode, fps);
    EXPECT_TRUE(quendra ? XmlGraph::SaveToQuendraXml(path.c_str(), graphs)
                        : XmlGraph::SaveToHyxXml(path.c_str(), graphs));
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
    const std::string hyxPath = OutputPath("golden_hyx.xml");
    const std::string quendraPath = OutputPath("golden_quendra.xml");
    ASSERT_TRUE(XmlGraph::SaveToHyxXml(hyxPath.c_str(), graphs));
    ASSERT_TRUE(XmlGraph::SaveToQuendraXml(quendraPath.c_str(), graphs));
    EXPECT_EQ(ReadFile(XmlDataPath("three_filters_hyx.xml")), ReadFile(hyxPath));
    EXPECT_EQ(ReadFile(XmlDataPath("three_filters_quendra.xml")), ReadFile(quendraPath));

    // Loading a golden file and saving it again reproduces it.
    const auto loaded = XmlGraph::LoadFromXml(XmlDataPath("three_filters_hyx.xml").c_str());
    ASSERT_TRUE(XmlGraph::SaveToHyxXml(hyxPath.c_str(), loaded));
    EXPECT_EQ(ReadFile(XmlDataPath("three_filters_hyx.xml")), ReadFile(hyxPath));
}

TEST(XmlGraph, EmptyListWritesOnlyTheRoot)
{
    using Save = bool (*)(const char*, std::shared_ptr<VisualGraphs>);
    const std::string path = OutputPath("empty.xml");
    const std::pair<Save, const char*> dialects[] = {{&XmlGraph::SaveToHyxXml, "<hyx version=\"1.0\"/>\n"},
                                                     {&XmlGraph::SaveToQuendraXml, "<quendra version=\"1.0\"/>\n"}};
    for (const auto& [save, text] : dialects) {
        ASSERT_TRUE(save(path.c_str(), std::make_shared<VisualGraphs>()));
        EXPECT_EQ(text, ReadFile(path));
        const auto loaded = XmlGraph::LoadFromXml(path.c_str());
        ASSERT_NE(nullptr, loaded);
        EXPECT_EQ(0, loaded->GetNumVisualGraphs());
    }
}

TEST(XmlGraph, HyxRoundTripKeepsModesRatesFlagsAndParameters)
{
    for (int mode : {0, 1, 2, 3, 4, 5, 255})
        EXPECT_EQ(std::to_string(mode) + " 25:", RoundTrip(static_cast<PlaybackMode>(mode), 25.0f, false));
    EXPECT_EQ("255 0:", RoundTrip(static_cast<PlaybackMode>(7), 0.0f, false));
    EXPECT_EQ("255 0:", RoundTrip(static_cast<PlaybackMode>(-1), 0.0f, false));
    EXPECT_EQ("4 -1:", RoundTrip(PlaybackMode::Pingpong, -1.0f, false));
    EXPECT_EQ("4 -2:", RoundTrip(PlaybackMode::Pingpong, -2.0f, false));
    EXPECT_EQ("4 -3:", RoundTrip(PlaybackMode::Pingpong, -3.0f, false));
    EXPECT_EQ("4 12.5:", RoundTrip(PlaybackMode::Pingpong, 12.5f, false));
    EXPECT_EQ("4 -7.25:", RoundTrip(PlaybackMode::Pingpong, -7.25f, false));
    // Six significant digits survive.
    const std::string path = OutputPath("third.xml");
    ASSERT_TRUE(XmlGraph::SaveToHyxXml(path.c_str(), OneGraph(PlaybackMode::Pingpong, 1.0f / 3.0f)));
    EXPECT_NE(std::string::npos, ReadFile(path).find("fps=\"0.333333\""));
    EXPECT_FLOAT_EQ(0.333333f, XmlGraph::LoadFromXml(path.c_str())->GetVisualGraph(0)->GetFps());
    ASSERT_TRUE(XmlGraph::SaveToHyxXml(path.c_str(), OneGraph(PlaybackMode::Pingpong, 1e7f)));
    EXPECT_NE(std::string::npos, ReadFile(path).find("fps=\"1e+07\""));
    EXPECT_EQ(1e7f, XmlGraph::LoadFromXml(path.c_str())->GetVisualGraph(0)->GetFps());

    // Flags and parameters of the golden descriptions, through both dialects.
    const auto graphs = GoldenGraphs();
    const std::string expected = "1 12.5: 01{Buffer size=16;Note=a&b <c> \"d\" 'e';lower=x;} 02S{} "
                                 "03R{Keep Mesh=True;Threads count=4;}";
    ASSERT_TRUE(XmlGraph::SaveToHyxXml(path.c_str(), graphs));
    EXPECT_EQ(expected + " | 255 -2:", Summary(XmlGraph::LoadFromXml(path.c_str())));
    ASSERT_TRUE(XmlGraph::SaveToQuendraXml(path.c_str(), graphs));
    EXPECT_EQ("1 12: 01{Buffer size=16;Note=a&b <c> \"d\" 'e';lower=x;} 02S{} 03R{Keep Mesh=True;Threads count=4;}",
              Summary(XmlGraph::LoadFromXml(path.c_str())));
}

TEST(XmlGraph, ControlCharactersInValuesSurviveSaveLoadSave)
{
    RegisterXmlTestAliases();
    using Save = bool (*)(const char*, std::shared_ptr<VisualGraphs>);
    const std::string first = OutputPath("controls1.xml");
    const std::string second = OutputPath("controls2.xml");
    for (const Save save : {Save(&XmlGraph::SaveToHyxXml), Save(&XmlGraph::SaveToQuendraXml)}) {
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

TEST(XmlGraph, QuendraKeepsFirstGraphAndTurnsSmallRatesIntoCodes)
{
    EXPECT_EQ("4 0:", RoundTrip(PlaybackMode::Pingpong, 0.0f, true));
    EXPECT_EQ("4 -1:", RoundTrip(PlaybackMode::Pingpong, -1.0f, true));
    EXPECT_EQ("4 -2:", RoundTrip(PlaybackMode::Pingpong, 2.0f, true));
    EXPECT_EQ("4 -1:", RoundTrip(PlaybackMode::Pingpong, 1.0f, true));
    EXPECT_EQ("4 -3:", RoundTrip(PlaybackMode::Pingpong, 3.9f, true));
    EXPECT_EQ("4 12:", RoundTrip(PlaybackMode::Pingpong, 12.5f, true));
    EXPECT_EQ("4 -5:", RoundTrip(PlaybackMode::Pingpong, -5.5f, true));
    EXPECT_EQ("4 0:", RoundTrip(PlaybackMode::Pingpong, 0.5f, true));
    EXPECT_EQ("4 2.14748e+09:", RoundTrip(PlaybackMode::Pingpong, 1e20f, true));
    // Mode numbers come back unchanged, known or not.
    EXPECT_EQ("7 25:", RoundTrip(static_cast<PlaybackMode>(7), 25.0f, true));
    EXPECT_EQ("-3 25:", RoundTrip(static_cast<PlaybackMode>(-3), 25.0f, true));

    EXPECT_EQ("2 -3: 01{}", Summary(LoadText("<quendra version=\"1.0\">"
                                             "<hyxpipeline playmode=\"2\" playspeed=\"3\">"
                                             "<filter guid=\"3C1F5A20-1B7E-4D2A-9E61-0A5B7C3D9E01\"/>"
                                             "</hyxpipeline>"
                                             "<hyxpipeline playmode=\"1\" playspeed=\"0\"/></quendra>")));
}

TEST(XmlGraph, ReadsPlayNamesAndSpeedTextsExactly)
{
    auto fpsOf = [](const char* fps) {
        const auto graphs =
            LoadText(std::string("<hyx version=\"1.0\"><graph play=\"pingpong\" fps=\"") + fps + "\"/></hyx>");
        return graphs->GetVisualGraph(0)->GetFps();
    };
    EXPECT_EQ(12.5f, fpsOf("12.5"));
    EXPECT_EQ(-2.0f, fpsOf("orig/2"));
    EXPECT_EQ(-3.0f, fpsOf("orig*2"));
    EXPECT_EQ(-1.0f, fpsOf("orig"));
    EXPECT_EQ(0.0f, fpsOf("max"));
    EXPECT_EQ(0.0f, fpsOf("abc"));
    EXPECT_EQ(30.0f, fpsOf("30fps"));
    EXPECT_EQ(0.0f, fpsOf("Max"));
    EXPECT_EQ(0.0f, fpsOf("nan"));
    EXPECT_EQ(0.0f, fpsOf("0x19")); // decimal only
    EXPECT_EQ(0.0f, fpsOf("1e999"));
    EXPECT_EQ(25.0f, fpsOf(" +25"));
    EXPECT_EQ(-4.5f, fpsOf("-4.5x"));
    EXPECT_EQ(2500.0f, fpsOf("2.5e3"));

    auto modeOf = [](const char* play) {
        const auto graphs =
            LoadText(std::string("<hyx version=\"1.0\"><graph play=\"") + play + "\" fps=\"max\"/></hyx>");
        return static_cast<int>(graphs->GetVisualGraph(0)->GetPlaybackMode());
    };
    EXPECT_EQ(0, modeOf("forward once"));
    EXPECT_EQ(3, modeOf("backward loop"));
    EXPECT_EQ(5, modeOf("pingpong inverse"));
    EXPECT_EQ(255, modeOf("Pingpong"));
    EXPECT_EQ(255, modeOf("realtime"));
    EXPECT_EQ(255, modeOf("forward  once"));
}

TEST(XmlGraph, SaveReportsFilesNotWritten)
{
    const auto graphs = GoldenGraphs();
    const std::string missingFolder = OutputPath("no such folder/graph.xml");
    EXPECT_FALSE(XmlGraph::SaveToHyxXml(missingFolder.c_str(), graphs));
    EXPECT_FALSE(XmlGraph::SaveToQuendraXml(missingFolder.c_str(), graphs));
    EXPECT_FALSE(XmlGraph::SaveToHyxXml(HYX_TEST_BINARY_DIR, graphs)); // a folder
    EXPECT_FALSE(XmlGraph::SaveToHyxXml("/dev/full", graphs)); // no room
    EXPECT_FALSE(XmlGraph::SaveToQuendraXml("/dev/full", graphs));
    EXPECT_FALSE(XmlGraph::SaveToHyxXml(nullptr, graphs));
    EXPECT_FALSE(XmlGraph::SaveToHyxXml(OutputPath("null.xml").c_str(), nullptr));
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
