// README "A graph from a graph file".

#include "Consumer.h"

namespace {

// A graph file's "play" and "fps" texts are read leniently, without a line.
void runLenientGraphFile(const std::shared_ptr<VornCommon::Logger>& logger)
{
    const struct {
        const char* attributes;
        Hyx::PlaybackMode mode;
        float fps;
    } graphs[] = {
        {" play=\"forward-once\" fps=\"orig\"", Hyx::PlaybackMode::Realtime, -1.0f},
        {" play=\"Realtime\" fps=\"fast\"", Hyx::PlaybackMode::Realtime, 0.0f},
        {" play=\"forward once\" fps=\"fast\"", Hyx::PlaybackMode::ForwardOnce, 0.0f},
        {" play=\"backward loop\"", Hyx::PlaybackMode::BackwardLoop, 0.0f},
        {" fps=\"orig\"", Hyx::PlaybackMode::Pingpong, -1.0f},
        {" fps=\"12abc\"", Hyx::PlaybackMode::Pingpong, 12.0f},
        {" fps=\"-2\"", Hyx::PlaybackMode::Pingpong, -2.0f},
        {" fps=\"-5\"", Hyx::PlaybackMode::Pingpong, -5.0f},
        {"", Hyx::PlaybackMode::Pingpong, 0.0f},
    };
    std::map<float, uint32_t> periods; // by stored rate
    for (const auto& graph : graphs) {
        std::ofstream("lenient.xml") << "<hyx version=\"1.0\">\n<graph" << graph.attributes
                                     << ">\n<filter name=\"SourceEmptySource\" "
                                        "guid=\"63D460B5-A18E-4727-AD96-99E5ABA4907E\"/>\n</graph>\n</hyx>\n";
        CapturedLog log(logger);
        const auto loaded = Hyx::XmlGraph::LoadFromXml("lenient.xml");
        const auto description = loaded ? loaded->GetVisualGraph(0) : nullptr;
        check(description && description->GetPlaybackMode() == graph.mode && description->GetFps() == graph.fps,
              "a graph file's play and fps texts read as the README says");
        const auto async = loaded ? loaded->InstantiateHyxGraph(0) : nullptr;
        const auto order =
            async ? std::dynamic_pointer_cast<Hyx::FrameOrderAuto>(async->GetFrameOrderProvider()) : nullptr;
        check(order && order->GetPlaybackMode() == graph.mode, "the graph made from it plays in that mode");
        check(!async || graph.fps != 0.0f || async->GetFramePeriodMs() == 0, "\"max\" paces nothing");
        if (async) {
            periods[graph.fps] = async->GetFramePeriodMs();
            float stored = 1.0f;
            async->GetGraphFps(stored);
            check(stored == graph.fps, "the graph keeps its rate as given");
        }
        if (async)
            async->RemoveAllFilters();
        check(log.Count() == 0, "a lenient read logs nothing");
    }
    check(periods.size() == 5 && periods[-5.0f] == periods[-1.0f] && periods[12.0f] == 83,
          "a negative rate other than -2 and -3 paces as \"orig\", \"12abc\" as 12 a second");
    quote("(\"12abc\" as 12)");
    // A number that gives no rate fails the load, with one line.
    const std::string noNumber = "is not a number of frames a second";
    const std::string tooSmall = "gives a frame period past 4294967295 ms";
    for (const auto& [text, why] : {std::pair{"nan", noNumber}, std::pair{"inf", noNumber}, std::pair{"1e40", noNumber},
                                    std::pair{"-1e40", noNumber}, std::pair{"1e-30", tooSmall}}) {
        std::ofstream("g.xml") << "<hyx version=\"1.0\">\n<graph fps=\"" << text << "\"/>\n</hyx>\n";
        CapturedLog log(logger);
        const std::string line =
            std::string("Failed to load graph file 'g.xml': 'fps' text '") + text + "' of the graph at line 2 " + why;
        check(!Hyx::XmlGraph::LoadFromXml("g.xml") && log.At(VornCommon::LogLevel::Error) == std::vector{line},
              "a graph file whose fps gives no rate fails the load with the README's line");
        if (std::string(text) == "nan" || std::string(text) == "1e-30")
            quote(line);
    }
}

// The README's graph file, which the test writes into the working directory as graph.xml.
void runGraphFile()
{
    FrameCounter counter;
    check(PlayGraphFile("graph.xml", 3, counter) && counter.frames >= 3, "PlayGraphFile gets three frames");
    const auto graphs = Hyx::XmlGraph::LoadFromXml("graph.xml");
    const auto graph = graphs ? graphs->InstantiateHyxGraph(0) : nullptr;
    check(graph && graph->GetOriginalFps() == 100.0f && graph->GetFramePeriodMs() == 10,
          "the graph file's source runs at 100 frames a second, the worker at its rate");
    if (graph)
        graph->RemoveAllFilters();
}

// The README's graph file made into a graph the host updates itself, its callback target last.
std::pair<std::shared_ptr<Hyx::VisualGraphs>, std::shared_ptr<Hyx::Graph>> callbackGraphOf(const char* path)
{
    const auto graphs = Hyx::XmlGraph::LoadFromXml(path);
    const auto description = graphs ? graphs->GetVisualGraph(0) : nullptr;
    return {graphs, description ? description->InstantiateSimpleHyxGraph() : nullptr};
}

// This program run again with a graph file saved with a listener's address: no listener lives
// at it in this process, so the target drops the frames and tells it once. Exit status 0 when
// it did.
int playWithoutTheListener(const char* path)
{
    CapturedLog log(InstallLogger());
    const auto graph = callbackGraphOf(path).second;
    const auto target = graph ? graph->GetLastFilter() : nullptr;
    const auto param = target ? target->getParameterByName(Hyx::TargetCallback::ATOM_LISTENER_PTR_PARAMNAME) : nullptr;
    if (!param || graph->Play(Hyx::PlaybackMode::Realtime) != Hyx::ActionResult::Success)
        return 1;
    for (int i = 0; i < 100 && target->GetNumAtomsProcessed() < 3; ++i)
        if (graph->Update() != Hyx::ActionResult::Success)
            return 1;
    graph->Stop();
    const std::string address = param->GetValueAsString();
    const std::string line = "Callback target: no atoms listener lives at " + address + "; frames are dropped";
    const bool told = target->GetNumAtomsProcessed() >= 3 && address != "0" &&
                      log.At(VornCommon::LogLevel::Error) == std::vector<std::string>{line};
    graph->RemoveAllFilters();
    if (told)
        quote("`Callback target: no atoms listener lives at <address>; frames are dropped`");
    return told ? 0 : 1;
}

// The callback target's listener address in a saved graph file: another process (this program
// run again) finds no listener at it; this one, while the listener lives, calls it.
void runListenerAddress(const std::shared_ptr<VornCommon::Logger>& logger, const char* program, const char* folder)
{
    const auto [graphs, graph] = callbackGraphOf("graph.xml");
    const auto target = graph ? std::dynamic_pointer_cast<Hyx::TargetCallback>(graph->GetLastFilter()) : nullptr;
    if (!target) {
        check(false, "the README's graph file makes a graph");
        return;
    }
    FrameCounter counter;
    target->SetAtomsListener(&counter);
    const std::string address =
        std::to_string(reinterpret_cast<uintptr_t>(static_cast<Hyx::IAtomsListener*>(&counter)));
    check(Hyx::XmlGraph::SaveToHyxXml("listener.xml", graphs) &&
              textOf("listener.xml").find("<param name=\"Atom listener ptr\" value=\"" + address + "\"/>") !=
                  std::string::npos,
          "a saved graph file holds the listener's address in decimal");
    quote("\"Atom listener ptr\"");

    // This process, while the listener lives: the loaded graph's target calls it.
    const auto second = callbackGraphOf("listener.xml").second;
    bool ok = second && second->Play(Hyx::PlaybackMode::Realtime) == Hyx::ActionResult::Success;
    for (int i = 0; ok && counter.frames == 0 && i < 100; ++i)
        ok = second->Update() == Hyx::ActionResult::Success;
    check(ok && counter.frames > 0, "a graph loaded in the same process hands its frames to the listener that lives");
    if (second) {
        second->Stop();
        second->RemoveAllFilters();
    }

    // Another process.
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        execl("/proc/self/exe", program, folder, "listener.xml", static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = -1;
    check(child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0,
          "a graph loaded in another process drops the frames and tells it once");

    // Cleared before saving, the file holds 0, and a target with 0 drops frames without a line.
    target->SetAtomsListener(nullptr);
    check(Hyx::XmlGraph::SaveToHyxXml("listener.xml", graphs) &&
              textOf("listener.xml").find("<param name=\"Atom listener ptr\" value=\"0\"/>") != std::string::npos,
          "a graph file saved after SetAtomsListener(nullptr) holds 0");
    {
        CapturedLog log(logger);
        const auto cleared = callbackGraphOf("listener.xml").second;
        const auto last = cleared ? cleared->GetLastFilter() : nullptr;
        ok = last && cleared->Play(Hyx::PlaybackMode::Realtime) == Hyx::ActionResult::Success;
        for (int i = 0; ok && last->GetNumAtomsProcessed() < 3 && i < 100; ++i)
            ok = cleared->Update() == Hyx::ActionResult::Success;
        check(ok && last->GetNumAtomsProcessed() >= 3 && log.Count() == 0 && counter.frames > 0,
              "a target with 0 drops frames without a line");
        if (cleared) {
            cleared->Stop();
            cleared->RemoveAllFilters();
        }
    }
    graph->RemoveAllFilters();
}

// Misspelt names in the README's graph file, saved as g.xml: each is ignored, and gives what
// the README's table says, with its lines.
void runMisspeltGraphFile(const std::shared_ptr<VornCommon::Logger>& logger)
{
    std::string file;
    {
        std::ifstream in("graph.xml");
        file.assign(std::istreambuf_iterator<char>(in), {});
    }
    // Writes g.xml: the file with the first of each `from` replaced by its `to`.
    const auto misspelt = [&](const std::vector<std::pair<std::string, std::string>>& changes) {
        std::string text = file;
        for (const auto& [from, to] : changes) {
            const size_t at = text.find(from);
            check(at != std::string::npos, "the misspelt name is in the README's graph file");
            if (at != std::string::npos)
                text.replace(at, from.size(), to);
        }
        std::ofstream("g.xml") << text;
    };
    using Lines = std::vector<std::string>;
    const std::string goodGuid = "63D460B5-A18E-4727-AD96-99E5ABA4907E";
    const std::string badGuid = "63D460B5-A18E-4727-AD96-99E5ABA4907F";

    // Loads g.xml and makes its graph 0; the lines of each step.
    struct Result {
        std::shared_ptr<Hyx::VisualGraphs> graphs;
        std::shared_ptr<Hyx::AsyncGraph> graph;
        Lines loadLines, makeLines;
    };
    const auto load = [&]() {
        CapturedLog log(logger);
        Result result;
        result.graphs = Hyx::XmlGraph::LoadFromXml("g.xml");
        result.loadLines = log.At(VornCommon::LogLevel::Error);
        check(log.Count() == result.loadLines.size(), "a graph file logs at level 2 only");
        log.Clear();
        if (result.graphs)
            result.graph = result.graphs->InstantiateHyxGraph(0);
        result.makeLines = log.At(VornCommon::LogLevel::Error);
        return result;
    };
    const auto quoteAll = [](const Lines& lines) {
        for (const std::string& line : lines)
            quote(line);
    };
    const auto release = [](const Result& result) {
        if (result.graph)
            result.graph->RemoveAllFilters();
    };

    {
        misspelt({{"<graph ", "<grph "}, {"</graph>", "</grph>"}});
        const Result r = load();
        const Lines lines = {"No graph at index 0 in graph file 'g.xml', which holds 0 graphs"};
        check(r.graphs && r.graphs->GetNumVisualGraphs() == 0 && r.loadLines.empty() && !r.graph &&
                  r.makeLines == lines,
              "<grph> loads an empty list, and asking it for graph 0 logs where and how many");
        quoteAll(lines);
    }
    for (const auto& [from, to] : {std::pair<std::string, std::string>{" play=", " plya="}, {" fps=", " fsp="}}) {
        misspelt({{from, to}});
        const Result r = load();
        const auto description = r.graphs ? r.graphs->GetVisualGraph(0) : nullptr;
        check(description && r.loadLines.empty() && r.makeLines.empty() &&
                  description->GetPlaybackMode() ==
                      (to == " plya=" ? Hyx::PlaybackMode::Pingpong : Hyx::PlaybackMode::Realtime) &&
                  description->GetFps() == (to == " fsp=" ? 0.0f : -1.0f),
              "plya= plays pingpong, fsp= as \"max\", without a line");
        release(r);
    }
    const struct {
        std::string from, to;
        Lines loadLines;
    } guids[] = {
        {" guid=", " gid=", {"Invalid filter guid: no 'guid' attribute (filter at line 3 of graph file 'g.xml')"}},
        {goodGuid, "zz", {"Invalid filter guid: Invalid GUID text 'zz' (filter at line 3 of graph file 'g.xml')"}},
    };
    for (const auto& guid : guids) {
        misspelt({{guid.from, guid.to}});
        const Result r = load();
        check(!r.graphs && r.loadLines == guid.loadLines,
              "a filter without a readable guid fails the load, naming its line");
        quoteAll(guid.loadLines);
    }
    {
        misspelt({{goodGuid, badGuid}});
        const Result r = load();
        const Lines loadLines = {"Unknown filter class 'SourceEmptySource' (guid '" + badGuid +
                                 "') in graph file 'g.xml'"};
        const Lines makeLines = {"Failed to create a filter with guid '" + badGuid +
                                     "', no such filter class registered",
                                 "Failed to instantiate filter '" + badGuid + "'"};
        check(r.graphs && r.loadLines == loadLines && !r.graph && r.makeLines == makeLines,
              "an unknown class loads with one line and fails to instantiate with two more");
        quoteAll(loadLines);
        quoteAll(makeLines);
    }
    const struct {
        std::string from, to;
        const char* value; // "Framerate" as the made graph reads it
        float fps; // the source's stream rate
        Lines lines;
    } params[] = {
        {"<param ", "<parm ", "1", 1.0f, {}},
        {" name=\"Framerate\"", " nme=\"Framerate\"", "1", 1.0f, {}},
        {" value=\"100\"", " vlue=\"100\"", "0", 0.01f, {}},
        {" name=\"Framerate\"",
         " name=\"Framrate\"",
         "1",
         1.0f,
         {"Filter 'EmptySource' has no parameter named 'Framrate'; the values stay stored"}},
    };
    for (const auto& param : params) {
        misspelt({{param.from, param.to}});
        const Result r = load();
        const auto parameter = r.graph ? r.graph->GetFilterParam("Framerate") : nullptr;
        check(r.graph && parameter && parameter->GetValueAsString() == param.value &&
                  r.graph->GetOriginalFps() == param.fps && r.loadLines.empty() && r.makeLines == param.lines,
              "a misspelt parameter element or attribute gives the README's value and lines");
        // Paced to the source: 1 s a frame at 1 a second, 100 s at 0.01.
        check(!r.graph || r.graph->GetFramePeriodMs() == (param.fps == 1.0f ? 1000u : 100000u),
              "the graph waits as long as the source's rate says");
        quoteAll(param.lines);
        release(r);
    }

    // The file as written: an index it does not hold, and a save into a missing folder.
    std::ofstream("g.xml") << file;
    CapturedLog log(logger);
    const auto graphs = Hyx::XmlGraph::LoadFromXml("g.xml");
    check(graphs && !graphs->InstantiateHyxGraph(1) && !Hyx::XmlGraph::SaveToHyxXml("no-folder/g.xml", graphs),
          "an index past the list and a save into a missing folder fail");
    const Lines lines = {"No graph at index 1 in graph file 'g.xml', which holds 1 graph",
                         "Can't write file 'no-folder/g.xml' (No such folder)"};
    check(log.At(VornCommon::LogLevel::Error) == lines, "each logs one level-2 line");
    quoteAll(lines);

    // A rate that is no rate is saved in neither dialect; a file at the path stays.
    if (graphs) {
        const float kept = graphs->GetVisualGraph(0)->GetFps();
        const float inf = std::numeric_limits<float>::infinity();
        for (const auto& [rate, why] :
             {std::pair{std::numeric_limits<float>::quiet_NaN(), std::string("nan is not a number of frames a second")},
              std::pair{inf, std::string("inf is not a number of frames a second")},
              std::pair{-inf, std::string("-inf is not a number of frames a second")},
              std::pair{1e-30f, std::string("1e-30 gives a frame period past 4294967295 ms")}}) {
            graphs->GetVisualGraph(0)->SetFps(rate);
            const std::string line =
                "Failed to save graph file 'nan.xml': graph 0 of graph file 'g.xml' has no rate (" + why + ")";
            for (const auto save : {&Hyx::XmlGraph::SaveToHyxXml, &Hyx::XmlGraph::SaveToQuendraXml}) {
                std::filesystem::remove("nan.xml");
                log.Clear();
                check(!save("nan.xml", graphs) && !std::filesystem::exists("nan.xml") &&
                          log.At(VornCommon::LogLevel::Error) == Lines{line},
                      "a graph whose rate is no number is not saved, with one level-2 line");
                std::ofstream("nan.xml") << "before";
                std::string after;
                const bool saved = save("nan.xml", graphs);
                std::getline(std::ifstream("nan.xml"), after);
                check(!saved && after == "before", "a file already at the path stays as it was");
            }
            if (std::isnan(rate))
                quote(line);
            if (rate == 1e-30f)
                quote("(" + why + ")");
        }
        graphs->GetVisualGraph(0)->SetFps(kept);
    }
}

// The quendra dialect checks only the graph its loader reads back, and writes a later graph's
// rate that is no rate as 0. A mode or rate that is none fails InstantiateHyxGraph before any
// filter is made, with one line; a quendra file keeps the mode number it holds.
void runQuendraFirstGraph(const std::shared_ptr<VornCommon::Logger>& logger)
{
    const float inf = std::numeric_limits<float>::infinity();
    for (const float later : {std::numeric_limits<float>::quiet_NaN(), inf, -inf, 1e-30f}) {
        auto graphs = std::make_shared<Hyx::VisualGraphs>();
        for (const float fps : {5.0f, later}) {
            auto graph = std::make_shared<Hyx::VisualGraph>();
            graph->SetFps(fps);
            graphs->AddVisualGraph(graph);
        }
        std::filesystem::remove("two.xml");
        CapturedLog log(logger);
        check(!Hyx::XmlGraph::SaveToHyxXml("two.xml", graphs) && Hyx::XmlGraph::SaveToQuendraXml("two.xml", graphs),
              "the list [5 fps, a rate that is no rate] is saved in the quendra dialect alone");
        const std::string text = textOf("two.xml");
        const auto loaded = Hyx::XmlGraph::LoadFromXml("two.xml");
        check(loaded && loaded->GetNumVisualGraphs() == 1 && loaded->GetVisualGraph(0)->GetFps() == 5.0f,
              "the quendra file reads back its first graph");
        check(contains(text, "playspeed=\"5\"") && contains(text, "playspeed=\"0\""),
              "the quendra saver writes the later graph's rate that is no rate as 0");
    }
    std::ofstream("seven.xml") << "<quendra version=\"1.0\"><hyxpipeline playmode=\"7\" playspeed=\"25\"/></quendra>\n";
    CapturedLog log(logger);
    const auto seven = Hyx::XmlGraph::LoadFromXml("seven.xml");
    const std::string modeLine = "Failed to make a graph: its mode 7 is not a playback mode";
    check(seven && int(seven->GetVisualGraph(0)->GetPlaybackMode()) == 7 && !seven->InstantiateHyxGraph(0) &&
              log.At(VornCommon::LogLevel::Error) == std::vector{modeLine},
          "a quendra file keeps its mode 7, and InstantiateHyxGraph refuses it with one line");
    quote(modeLine);
    log.Clear();
    Hyx::VisualGraph slow;
    slow.SetFps(1e-30f);
    check(!slow.InstantiateHyxGraph() &&
              log.At(VornCommon::LogLevel::Error) ==
                  std::vector<std::string>{
                      "Failed to make a graph: its rate 1e-30 gives a frame period past 4294967295 ms"},
          "InstantiateHyxGraph refuses a rate whose period does not fit, with one line");
}

} // namespace
