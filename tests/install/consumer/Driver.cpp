// The host's main(): appended to the README's host examples, which the install test puts in
// front of it as main.cpp. It runs each example against the installed library and the README's
// plug-in, checks what the README says of them, and fails when one does not hold.
// Argument: the scratch folder, which is also the working directory; the test has copied the
// plug-in into its "plugins" folder with the README's command.
// Every "README quote: <text>" line it prints is a text the library gave, which the test
// finds word for word in the README.

#include <Hyx/Atom.h>
#include <Hyx/CompressedLayers.h>
#include <Hyx/DataTypeByteArray.h>
#include <Hyx/DataTypeCameraParams.h>
#include <Hyx/DataTypeStreamInfo.h>
#include <Hyx/DataTypeTextureIR.h>
#include <Hyx/DataTypeVertex.h>
#include <Hyx/FilterParamChoice.h>
#include <Hyx/GeometryTransforms.h>
#include <Hyx/GuidAlias.h>
#include <Hyx/GuidLiteral.h>
#include <Hyx/HYXPurposeGuids.h>
#include <Hyx/ImageSequenceWriter.h>
#include <Hyx/MutateBlock.h>
#include <Hyx/MutateDataLayers.h>
#include <Hyx/Profile.h>
#include <Hyx/SourceManual.h>
#include <Hyx/TargetCallback.h>
#include <Hyx/Transform.h>

#include <VornCommon/HostSettings.h>

#include <Hyx/DataTypeTextureYUV.h>
#include <Hyx/HYXFormatVersion.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <map>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <type_traits>
#include <typeinfo>
#include <utility>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

int failures = 0;

void check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "README example failed: %s\n", what);
        ++failures;
    }
}

// A text the README quotes; the test looks for it there.
void quote(const std::string& text)
{
    std::printf("README quote: %s\n", text.c_str());
}

// The levels the README names by number.
static_assert(int(VornCommon::LogLevel::Error) == 2 && int(VornCommon::LogLevel::Warning) == 3 &&
              int(VornCommon::LogLevel::Info) == 4);

// Keeps every log line while it lives, then gives the host's logger back; every line has the
// library's tag and one of the levels the README names.
class CapturedLog {
public:
    explicit CapturedLog(std::shared_ptr<VornCommon::Logger> host) : _host(std::move(host))
    {
        Hyx::SetHYXLoggerInstance(_lines);
    }
    ~CapturedLog()
    {
        Hyx::SetHYXLoggerInstance(_host);
        for (const auto& entry : _lines->Entries())
            check(entry.tag == "HYX2" &&
                      (entry.level == VornCommon::LogLevel::Error || entry.level == VornCommon::LogLevel::Warning ||
                       entry.level == VornCommon::LogLevel::Info),
                  "the library logs with the tag HYX2 at Error, Warning or Info");
    }

    // The texts of the lines of that level.
    std::vector<std::string> At(VornCommon::LogLevel level) const
    {
        std::vector<std::string> texts;
        for (const auto& entry : _lines->Entries())
            if (entry.level == level)
                texts.push_back(entry.text);
        return texts;
    }
    size_t Count() const { return _lines->Count(); }
    void Clear() { _lines->Clear(); }

private:
    std::shared_ptr<VornCommon::Logger> _host;
    std::shared_ptr<VornCommon::MemoryLogger> _lines = std::make_shared<VornCommon::MemoryLogger>();
};

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// A frame of one stream: its stream information and a vertex-positions layer of two points;
// with a second purpose, a second positions layer of that purpose, centred on (15, 15, 15).
std::shared_ptr<Hyx::Atom> makeFrame(uint32_t frame, const std::optional<VornCommon::Guid>& second = {})
{
    auto info = std::make_shared<Hyx::DataTypeStreamInfo>();
    info->InitializeHeader(Hyx::HYXPurposeGuids::VORN4D);
    info->setValues(30.0f, 0, VornCommon::Versorf(), 0, "install");
    auto atom = std::make_shared<Hyx::Atom>(0u, frame, uint64_t(frame) * 333333u);
    atom->AddDataLayer(info);
    const auto addPositions = [&](const VornCommon::Guid& purpose, const std::vector<float>& points) {
        auto positions = std::make_shared<Hyx::DataTypeVertexPositions>();
        positions->InitializeHeader(purpose);
        std::copy(points.begin(), points.end(), positions->Allocate(uint32_t(points.size() / 3), false));
        positions->CalculateBoundingBoxFromVertexPositions();
        atom->AddDataLayer(positions);
    };
    addPositions(Hyx::HYXPurposeGuids::VORN4D, {0.0f, 0.0f, 0.0f, 2.0f, 4.0f, 6.0f + float(frame)});
    if (second)
        addPositions(*second, {10.0f, 10.0f, 10.0f, 20.0f, 20.0f, 20.0f});
    return atom;
}

std::shared_ptr<Hyx::DataTypeVertexPositions> positionsOf(const std::shared_ptr<Hyx::Atom>& atom,
                                                          const VornCommon::Guid& purpose)
{
    return atom ? std::dynamic_pointer_cast<Hyx::DataTypeVertexPositions>(
                      atom->GetDataLayer(purpose, Hyx::DataTypeVertexPositions::TheTypeGuid(), false))
                : nullptr;
}

// Keeps the last frame the callback target hands over.
class LastFrame : public Hyx::IAtomsListener {
public:
    void OnAtomsReceived(std::vector<std::shared_ptr<Hyx::Atom>>& atoms) override { last = atoms.back(); }
    std::shared_ptr<Hyx::Atom> last;
};

float fpsOf(const std::shared_ptr<Hyx::Atom>& atom)
{
    const auto info = atom ? std::dynamic_pointer_cast<Hyx::DataTypeStreamInfo>(
                                 atom->GetDataLayerByType(Hyx::DataTypeStreamInfo::TheTypeGuid(), false))
                           : nullptr;
    return info ? info->GetFPS() : 0.0f;
}

// Plays the graph in Realtime on this thread until its callback target has a frame.
std::shared_ptr<Hyx::Atom> playForOneFrame(Hyx::Graph& graph)
{
    LastFrame listener;
    auto target = std::dynamic_pointer_cast<Hyx::TargetCallback>(graph.GetLastFilter());
    if (!target)
        return nullptr;
    target->SetAtomsListener(&listener);
    bool played = graph.Play(Hyx::PlaybackMode::Realtime) == Hyx::ActionResult::Success;
    for (int i = 0; played && !listener.last && i < 8; ++i)
        played = graph.Update() == Hyx::ActionResult::Success;
    graph.Stop();
    target->SetAtomsListener(nullptr);
    return played ? listener.last : nullptr;
}

void runBuiltGraph()
{
    const std::shared_ptr<Hyx::Graph> graph = BuildGraph();
    check(graph && graph->GetNumFilters() == 3, "BuildGraph makes three filters");
    if (!graph)
        return;
    // The rate the source publishes, not only the parameter's text.
    check(graph->GetFilterParam("Framerate")->GetValueAsString() == "30", "\"Framerate\" reads 30");
    check(graph->GetOriginalFps() == 30.0f, "the graph takes the source's 30 fps");
    const auto info = graph->GetSourceStreamInfo();
    check(info && info->GetFPS() == 30.0f, "the source's stream information carries 30 fps");
    check(fpsOf(playForOneFrame(*graph)) == 30.0f, "the built graph's frames carry 30 fps");
    graph->RemoveAllFilters();
}

// The callback runs inside Update on the host's thread for a Graph, on the worker for an
// AsyncGraph; both reach the frames and clear the listener.
void runCallbacks()
{
    const std::shared_ptr<Hyx::Graph> graph = BuildGraph();
    FrameCounter onHost;
    check(graph && ReceiveFrames(*graph, 3, onHost) && onHost.frames == 3,
          "ReceiveFrames gets three frames through the target found by GetFilter");
    check(onHost.thread.load() == std::this_thread::get_id(), "a Graph calls the listener on the host's thread");
    if (graph)
        graph->RemoveAllFilters();
    FrameCounter onWorker;
    check(ReceiveFramesOnWorker(3, onWorker) && onWorker.frames >= 3, "ReceiveFramesOnWorker gets three frames");
    check(onWorker.thread.load() != std::this_thread::get_id() && onWorker.thread.load() != std::thread::id(),
          "an AsyncGraph calls the listener on its worker thread");
}

// A listener that throws: on the host's thread the exception leaves Update and the graph
// plays on, its text unchanged; on the worker the run ends with the text and one line.
void runThrows(const std::shared_ptr<VornCommon::Logger>& logger)
{
    const std::shared_ptr<Hyx::Graph> graph = BuildGraph();
    const std::string before = graph ? graph->GetLastError(false).StdString() : std::string("none");
    check(graph && ThrowOnHostThread(*graph) == "no room for frame 2" &&
              graph->GetLastError(false).StdString() == before,
          "on the host's thread the exception leaves Update and three frames come");
    if (graph)
        graph->RemoveAllFilters();
    CapturedLog log(logger);
    const std::string text = "Graph update failed(Filter 'Callback' threw: no room for frame 2)";
    check(ThrowOnWorker() == text, "on the worker the run ends with the README's text");
    const std::vector<std::string> lines = log.At(VornCommon::LogLevel::Error);
    check(lines == std::vector<std::string>{"AsyncGraph: " + text}, "the worker logs one level-2 line");
    quote(text);
    quote(lines.empty() ? std::string() : lines.front());
    quote("no room for frame 2");
}

// Only graphs and filters carry an error text.
template <class T>
constexpr bool hasErrorText = requires(const T& object)
{
    object.GetLastError(false);
};
static_assert(hasErrorText<Hyx::Graph> && hasErrorText<Hyx::AsyncGraph> && hasErrorText<Hyx::Filter>);
static_assert(!hasErrorText<Hyx::ReadHYX2File> && !hasErrorText<Hyx::SerializeToHyx> && !hasErrorText<Hyx::XmlGraph> &&
              !hasErrorText<Hyx::PluginDatabase>);

void runErrorTexts(const std::shared_ptr<VornCommon::Logger>& logger)
{
    auto graph = std::make_shared<Hyx::Graph>();
    check(AddFilter(graph, Hyx::SourceEmptySource::TheTypeGuid()) &&
              AddFilter(graph, Hyx::TargetCallback::TheTypeGuid()),
          "an empty source and a callback target are added");
    check(graph->Play(Hyx::PlaybackMode::ForwardOnce) == Hyx::ActionResult::Failure,
          "an empty source does not play forward once");
    const std::string text = graph->GetLastError(false).StdString();
    check(contains(text, "Filter 'EmptySource' error: ") && contains(text, "'$filter$'"),
          "the error text names the filter in its prefix and keeps the token");
    quote(text);
    graph->RemoveAllFilters();

    // The factory: an empty pointer and a level-2 line.
    CapturedLog log(logger);
    check(!Hyx::FilterFactory::CreateFilter(Hyx::GuidLiteral("5C0A7E51-0000-4000-8000-0000000000FF"), {}, {}) &&
              log.At(VornCommon::LogLevel::Error).size() == 1,
          "the factory logs a class it does not know");

    // The take reader: codes only, a level-2 line naming the file.
    const std::string good = "takes/for-codes.hyx";
    check(WriteTake(good.c_str(), {makeFrame(0)}), "a take to spoil is written");
    std::string otherVersion;
    {
        std::ifstream in(good, std::ios::binary);
        otherVersion.assign(std::istreambuf_iterator<char>(in), {});
    }
    if (otherVersion.size() > 15)
        otherVersion[11] = char(otherVersion[11] + 1); // the format version after the magic
    const struct {
        const char* file;
        std::string content; // none: the file is not written
        Hyx::HyxErrorCode code;
    } takes[] = {
        {"takes/missing.hyx", "", Hyx::HyxErrorCode::ReaderNotValid},
        {"takes/not-a-take.hyx", "this is a text, not a take", Hyx::HyxErrorCode::ReaderFailedToUnpackHeader},
        {"takes/other-version.hyx", otherVersion, Hyx::HyxErrorCode::ReaderFailedToUnpackHeader},
        {"takes/short.hyx", "HYX", Hyx::HyxErrorCode::FailedToReadFromFile},
    };
    for (const auto& take : takes) {
        if (!take.content.empty())
            std::ofstream(take.file, std::ios::binary) << take.content;
        log.Clear();
        Hyx::ReadHYX2File reader(take.file);
        const Hyx::HyxErrorCode code = reader.Initialize();
        const auto lines = log.At(VornCommon::LogLevel::Error);
        check(code == take.code && lines.size() == 1 && contains(lines.front(), take.file),
              "ReadHYX2File returns its code and logs one line naming the file");
    }

    // A graph file that is not well-formed: the line of the unmatched element's start tag,
    // or where the parser stopped.
    const struct {
        const char* text;
        const char* line;
    } files[] = {
        {"<hyx version=\"1.0\">\n<graph>\n<filter name=\"a\">\n\n</graph>\n</hyx>\n",
         "Failed to load graph file 'broken.xml': malformed XML at line 3 (XML_ERROR_MISMATCHED_ELEMENT)"},
        {"<hyx version=\"1.0\">\n<graph>\n<filter name=\"a\"/>\n\n\n",
         "Failed to load graph file 'broken.xml': malformed XML at line 2 (XML_ERROR_PARSING)"},
        {"<hyx version=\"1.0\">\n<graph>\n<filter\n name=\"a\"\n bad>\n</filter>\n</graph>\n</hyx>\n",
         "Failed to load graph file 'broken.xml': malformed XML at line 5 (XML_ERROR_PARSING_ATTRIBUTE)"},
    };
    for (const auto& file : files) {
        std::ofstream("broken.xml") << file.text;
        log.Clear();
        check(!Hyx::XmlGraph::LoadFromXml("broken.xml") &&
                  log.At(VornCommon::LogLevel::Error) == std::vector<std::string>{file.line},
              "a malformed graph file logs the line of the element or where the parser stopped");
    }
    quote(files[0].line);
}

// The empty source bounds "Framerate" when it is initialised, silently, from a graph file too.
void runRanges(const std::shared_ptr<VornCommon::Logger>& logger)
{
    const struct {
        const char* text;
        float fps;
    } rates[] = {{"20000", 10000.0f}, {"fast", 0.01f}, {"-5", 0.01f}, {"nan", 0.01f}, {"30", 30.0f}};
    for (const auto& rate : rates) {
        CapturedLog log(logger);
        auto graph = std::make_shared<Hyx::Graph>();
        check(AddFilter(graph, Hyx::SourceEmptySource::TheTypeGuid(), {{"Framerate", rate.text}}),
              "an empty source is added");
        const std::string readBack = graph->GetFilterParam("Framerate")->GetValueAsString();
        check(readBack == (std::string(rate.text) == "fast" ? "0" : rate.text), "\"Framerate\" reads back as set");
        const auto info = graph->GetSourceStreamInfo();
        check(info && info->GetFPS() == rate.fps && graph->GetOriginalFps() == rate.fps,
              "the empty source plays at its bounded rate");
        graph->RemoveAllFilters();

        const std::string file = std::string("<hyx version=\"1.0\">\n<graph play=\"realtime\" fps=\"orig\">\n"
                                             "<filter name=\"SourceEmptySource\" "
                                             "guid=\"63D460B5-A18E-4727-AD96-99E5ABA4907E\">\n"
                                             "<param name=\"Framerate\" value=\"") +
                                 rate.text + "\"/>\n</filter>\n</graph>\n</hyx>\n";
        std::ofstream("rate.xml") << file;
        const auto graphs = Hyx::XmlGraph::LoadFromXml("rate.xml");
        const auto async = graphs ? graphs->InstantiateHyxGraph(0) : nullptr;
        const auto asyncInfo = async ? async->GetSourceStreamInfo() : nullptr;
        check(asyncInfo && asyncInfo->GetFPS() == rate.fps &&
                  async->GetFilterParam("Framerate")->GetValueAsString() == readBack,
              "a graph file's \"Framerate\" is bounded the same way");
        // Whole milliseconds between frames: none above 1000 frames a second.
        check(!async || async->GetFramePeriodMs() == uint32_t(1000.0f / rate.fps),
              "the worker waits 1000 / rate milliseconds, cut to a whole number");
        if (async)
            async->RemoveAllFilters();
        check(log.Count() == 0, "bounding a rate logs nothing");
    }
}

// TransformInjectFileData: the bytes on every frame; a missing file; no purpose.
void runInjection(const std::shared_ptr<VornCommon::Logger>& logger)
{
    std::ofstream("calibration.bin", std::ios::binary) << "calibration";
    auto graph = std::make_shared<Hyx::Graph>();
    check(AddFilter(graph, Hyx::SourceEmptySource::TheTypeGuid()) && AddFileBytes(graph, "calibration.bin") &&
              AddFilter(graph, Hyx::TargetCallback::TheTypeGuid()),
          "AddFileBytes adds the injection");
    const auto frame = playForOneFrame(*graph);
    const auto bytes = frame ? std::dynamic_pointer_cast<Hyx::DataTypeByteArray>(
                                   frame->GetDataLayer(Hyx::GuidLiteral("5C0A7E51-0000-4000-8000-0000000000C1"),
                                                       Hyx::DataTypeByteArray::TheTypeGuid(), false))
                             : nullptr;
    check(bytes && std::string(reinterpret_cast<const char*>(bytes->GetByteArray().Data()),
                               bytes->GetByteArray().Size()) == "calibration",
          "the frames carry the file's bytes");
    graph->RemoveAllFilters();

    CapturedLog log(logger);
    graph = std::make_shared<Hyx::Graph>();
    check(AddFilter(graph, Hyx::SourceEmptySource::TheTypeGuid()) && AddFileBytes(graph, "missing.bin") &&
              AddFilter(graph, Hyx::TargetCallback::TheTypeGuid()),
          "AddFileBytes adds the injection of a missing file");
    check(contains(graph->GetFilter(1)->getParameterStatus("File path"), "missing.bin"),
          "the status of \"File path\" names the missing file");
    check(graph->Play(Hyx::PlaybackMode::Realtime) == Hyx::ActionResult::Success, "the graph plays");
    std::string updateText;
    for (int i = 0; i < 3; ++i) {
        check(graph->Update() == Hyx::ActionResult::Failure, "every frame fails");
        updateText = graph->GetLastError(true).StdString();
    }
    graph->Stop();
    graph->RemoveAllFilters();
    const auto lines = log.At(VornCommon::LogLevel::Error);
    check(lines == std::vector<std::string>{"Failed to open a file for reading"} && log.Count() == 1,
          "a missing file is told once by a line without its path");
    quote(lines.empty() ? std::string() : lines.front());
    check(contains(updateText, "No data for injection available"), "the frame's error says there is no data");
    quote(updateText);

    graph = std::make_shared<Hyx::Graph>();
    check(AddFilter(graph, Hyx::SourceEmptySource::TheTypeGuid()) &&
              !AddFilter(graph, Hyx::TransformInjectFileData::TheTypeGuid(), {{"File path", "calibration.bin"}}),
          "an injection without a purpose is not added");
    quote(graph->GetLastError(false).StdString());
    graph->RemoveAllFilters();
}

void runTake(const std::string& folder)
{
    const std::string path = folder + "/take.hyx";
    check(WriteTake(path.c_str(), {makeFrame(0), makeFrame(1), makeFrame(2)}), "WriteTake");
    const auto positions = positionsOf(ReadFrame(path.c_str(), 2), Hyx::HYXPurposeGuids::VORN4D);
    check(positions && positions->GetNumVertices() == 2 && positions->GetVertexPositions()[5] == 8.0f,
          "ReadFrame gives the frame written");
    check(!ReadFrame((folder + "/missing.hyx").c_str(), 0), "ReadFrame of a missing file is empty");
    const auto second = WriteAndReadBack({MakeFrame(0, "first"), MakeFrame(1, "second")});
    const auto bytes = second ? std::dynamic_pointer_cast<Hyx::DataTypeByteArray>(
                                    second->GetDataLayerByType(Hyx::DataTypeByteArray::TheTypeGuid(), false))
                              : nullptr;
    check(bytes && second->GetFrameNr() == 1 &&
              std::string(reinterpret_cast<const char*>(bytes->GetByteArray().Data()), bytes->GetByteArray().Size()) ==
                  "second",
          "WriteAndReadBack gives frame 1 as MakeFrame made it (the test finds the file)");
    try {
        WriteTake((folder + "/backwards.hyx").c_str(), {MakeFrame(0, "a"), MakeFrame(1, "b"), MakeFrame(0, "c")});
        check(false, "a frame number below the count written raises");
    } catch (const std::logic_error& e) {
        quote(e.what());
    }
    // A bare name: written beside the executable (the test looks), not found in the working directory.
    check(WriteTake("bare-name.hyx", {makeFrame(0)}) && !ReadFrame("bare-name.hyx", 0),
          "a bare file name is written beside the executable and read from the working directory");
}

bool exists(const std::string& path)
{
    return std::filesystem::exists(path);
}

// The reader counts a stream's frames by position, not by number.
void runFramePositions()
{
    check(WriteTake("takes/gaps.hyx", {MakeFrame(0, "zero"), MakeFrame(2, "two"), MakeFrame(5, "five")}),
          "frames 0, 2 and 5 are written");
    const auto second = ReadFrame("takes/gaps.hyx", 1);
    const auto third = ReadFrame("takes/gaps.hyx", 2);
    check(second && second->GetFrameNr() == 2 && third && third->GetFrameNr() == 5 && !ReadFrame("takes/gaps.hyx", 5),
          "of frames 0, 2 and 5, position 1 is frame 2, and position 5 is nothing");
    check(WriteTake("takes/from-five.hyx", {MakeFrame(5, "five"), MakeFrame(6, "six")}), "frames 5 and 6 are written");
    const auto first = ReadFrame("takes/from-five.hyx", 0);
    check(first && first->GetFrameNr() == 5 && !ReadFrame("takes/from-five.hyx", 5),
          "a stream written from frame 5 gives it at position 0 and nothing at 5");
}

// Which files a path writes, the case of the name, and what pack_atom and CloseFile answer.
void runTakeFiles(const std::shared_ptr<VornCommon::Logger>& logger)
{
    const struct {
        const char* path;
        bool noContainer;
        const char* base;
        bool take, dump;
        Hyx::HyxErrorCode code; // of each pack_atom
    } paths[] = {
        {"takes/files-a.hyx", false, "takes/files-a", true, false, Hyx::HyxErrorCode::Success},
        {"takes/files-b.hyxxml", false, "takes/files-b", true, true, Hyx::HyxErrorCode::Success},
        {"takes/files-c.HyxXml", false, "takes/files-c", true, true, Hyx::HyxErrorCode::Success},
        {"takes/files-d.xml", true, "takes/files-d", false, true, Hyx::HyxErrorCode::Success},
        {"takes/files-e.hyxxml", true, "takes/files-e", false, true, Hyx::HyxErrorCode::Success},
        // Without the flag a dump alone is made but gets no atom.
        {"takes/files-f.xml", false, "takes/files-f", false, true, Hyx::HyxErrorCode::FailedToWriteToFile},
    };
    for (const auto& path : paths) {
        {
            Hyx::SerializeToHyx writer(path.path, true, Hyx::HYX_FORMAT_VERSION_2000, path.noContainer);
            CapturedLog log(logger);
            check(writer.pack_atom(MakeFrame(0, "a")) == path.code && writer.pack_atom(MakeFrame(1, "b")) == path.code,
                  "each atom of a take, a dump or both answers as the README says");
            check(writer.CloseFile(), "a take, a dump or both closes true");
            check(log.At(VornCommon::LogLevel::Error).size() == (path.code == Hyx::HyxErrorCode::Success ? 0u : 1u),
                  "a take that writes its atoms logs nothing, one that writes none one line");
        }
        const std::string take = std::string(path.base) + ".hyx", dump = std::string(path.base) + ".xml";
        check(exists(take) == path.take && exists(dump) == path.dump, "the extension names the files written");
        if (path.take) {
            const auto frame = ReadFrame(take.c_str(), 1);
            check(frame && frame->GetFrameNr() == 1, "the take reads back");
        }
        if (path.dump) {
            std::ifstream in(dump);
            const std::string text{std::istreambuf_iterator<char>(in), {}};
            const bool holdsAtoms = contains(text, "<ATOM");
            check(holdsAtoms == (path.code == Hyx::HyxErrorCode::Success) && contains(text, "</HYX>"),
                  "the dump holds the atoms written, and its end");
            CapturedLog log(logger);
            Hyx::ReadHYX2File reader(dump.c_str());
            check(reader.Initialize() != Hyx::HyxErrorCode::Success, "a reader does not read the dump");
        }
    }

    // A path that names no file the take may write: every atom 35, one line, CloseFile true.
    const struct {
        const char* path;
        bool noContainer;
        const char* why;
        bool quoted;
    } unnamed[] = {
        {"takes/rec.take", false, "the extension names neither a container, \"hyx\", nor a dump, \"xml\"", true},
        {"takes/rec", false, "the extension names neither a container, \"hyx\", nor a dump, \"xml\"", false},
        {"takes/rec.xml", false,
         "the extension names no container, \"hyx\": only a take made without a container writes a dump alone", true},
        {"takes/rec.hyx", true, "without a container the extension must name a dump, \"xml\"", true},
        {"takes/rec.take", true, "without a container the extension must name a dump, \"xml\"", false},
    };
    for (const auto& path : unnamed) {
        CapturedLog log(logger);
        Hyx::SerializeToHyx writer(path.path, true, Hyx::HYX_FORMAT_VERSION_2000, path.noContainer);
        check(writer.pack_atom(MakeFrame(0, "a")) == Hyx::HyxErrorCode::FailedToWriteToFile &&
                  writer.pack_atom(MakeFrame(1, "b")) == Hyx::HyxErrorCode::FailedToWriteToFile && writer.CloseFile(),
              "a path naming no file the take may write refuses every atom with 35 and closes true");
        const std::string line = "Can't write file '" + std::string(path.path) + "' (" + path.why + ")";
        check(log.At(VornCommon::LogLevel::Error) == std::vector<std::string>{line}, "such a take logs one line");
        if (path.quoted)
            quote(line);
    }
    {
        std::ifstream in("takes/rec.xml");
        const std::string text{std::istreambuf_iterator<char>(in), {}};
        check(!contains(text, "<ATOM") && contains(text, "</HYX>"), "the dump of takes/rec.xml has its head and end");
    }
    std::filesystem::remove("takes/rec.xml");
    check(!exists("takes/rec.take") && !exists("takes/rec.hyx") && !exists("takes/rec"),
          "a path naming neither file writes nothing");

    // The writer lower-cases the take's extension; the reader opens the path as given.
    check(WriteTake("takes/rec.HYX", {MakeFrame(0, "a")}) && exists("takes/rec.hyx") && !exists("takes/rec.HYX"),
          "takes/rec.HYX is written as takes/rec.hyx");
    {
        CapturedLog log(logger);
        Hyx::ReadHYX2File reader("takes/rec.HYX");
        const Hyx::HyxErrorCode code = reader.Initialize();
        const auto lines = log.At(VornCommon::LogLevel::Error);
        check(code == Hyx::HyxErrorCode::ReaderNotValid && lines.size() == 1 && contains(lines.front(), "No such file"),
              "the reader answers 46 for takes/rec.HYX, its line saying \"No such file\"");
        quote(lines.empty() ? std::string() : lines.front());
    }
    check(ReadFrame("takes/rec.hyx", 0) != nullptr, "the reader reads takes/rec.hyx");
    std::filesystem::remove("takes/rec.hyx");

    // A file that cannot be made: each atom answers 35 with a line naming its cause, CloseFile true.
    std::filesystem::create_directories("takes/rec.hyx");
    std::ofstream("takes/plain") << "a file where a folder goes";
    std::vector<std::pair<std::string, std::string>> blocked = {
        {"takes/rec.hyx", "Is a folder"},
        {"takes/plain/rec.hyx", "No such folder"},
        {"takes/" + std::string(300, 'n') + ".hyx", "Cannot be written"},
    };
    if (geteuid() != 0) { // the superuser writes in any folder
        std::filesystem::create_directories("takes/read-only");
        chmod("takes/read-only", 0555);
        blocked.emplace_back("takes/read-only/rec.hyx", "Permission denied");
        // A folder the take would make there.
        blocked.emplace_back("takes/read-only/sub/rec.hyx", "Permission denied");
    }
    for (const auto& [path, cause] : blocked) {
        CapturedLog log(logger);
        Hyx::SerializeToHyx writer(path.c_str(), true);
        check(writer.pack_atom(MakeFrame(0, "a")) == Hyx::HyxErrorCode::FailedToWriteToFile &&
                  writer.pack_atom(MakeFrame(1, "b")) == Hyx::HyxErrorCode::FailedToWriteToFile,
              "a file that cannot be made refuses each atom with 35");
        const std::string line = "Can't write file '" + path + "' (" + cause + ")";
        check(log.At(VornCommon::LogLevel::Error) == std::vector<std::string>{line, line},
              "each refused atom logs \"Can't write file '<path>' (<cause>)\"");
        check(writer.CloseFile(), "CloseFile answers true when no file could be made");
        quote(path == "takes/rec.hyx" ? line : "(" + cause + ")");
    }
    chmod("takes/read-only", 0755);
    std::filesystem::create_directories("takes/rec.xml");
    try {
        Hyx::SerializeToHyx writer("takes/rec.xml", true);
        writer.pack_atom(MakeFrame(0, "a"));
        check(false, "a dump that cannot be made raises");
    } catch (const std::logic_error& e) {
        const std::string text = "Can't write file 'takes/rec.xml' (Is a folder).";
        check(e.what() == text, "the dump's exception names its file and cause");
        quote(text);
    }
    // With a container the take then ends: the container keeps its header alone.
    std::filesystem::remove_all("takes/rec.hyx"); // the folder standing there above
    {
        CapturedLog log(logger);
        Hyx::SerializeToHyx writer("takes/rec.hyxxml", true);
        bool raised = false;
        try {
            writer.pack_atom(MakeFrame(0, "a"));
        } catch (const std::logic_error&) {
            raised = true;
        }
        check(raised && writer.pack_atom(MakeFrame(1, "b")) == Hyx::HyxErrorCode::FailedToWriteToFile,
              "after the dump's exception a take with a container refuses every atom");
        log.Clear();
        check(!writer.CloseFile(), "CloseFile answers false for a take whose dump could not be made");
        const std::string line = "Failed to write to file 'takes/rec.xml'; the lookup table is not appended.";
        check(log.At(VornCommon::LogLevel::Error) == std::vector<std::string>{line}, "one line names the dump");
        check(std::filesystem::file_size("takes/rec.hyx") == 15, "the container keeps its header alone");
        quote(line);
    }

    // A write that fails ends the take; CloseFile answers false with a line naming the file.
    std::filesystem::create_symlink("/dev/full", "takes/full.hyx");
    {
        CapturedLog log(logger);
        Hyx::SerializeToHyx writer("takes/full.hyx", true);
        check(writer.pack_atom(MakeFrame(0, "a")) == Hyx::HyxErrorCode::FailedToWriteToFile &&
                  writer.pack_atom(MakeFrame(1, "b")) == Hyx::HyxErrorCode::FailedToWriteToFile,
              "a failed write refuses that atom and every later one");
        log.Clear();
        check(!writer.CloseFile(), "CloseFile answers false after a failed write");
        const auto lines = log.At(VornCommon::LogLevel::Error);
        check(lines.size() == 1 && contains(lines.front(), "takes/full.hyx") &&
                  contains(lines.front(), "the lookup table is not appended"),
              "CloseFile logs one line naming the file");
    }
}

// Runs the call with standard output going to a file; what it printed there.
std::string printedBy(const std::function<void()>& call)
{
    std::fflush(stdout);
    FILE* file = std::tmpfile();
    const int saved = dup(1);
    if (!file || saved == -1)
        return "cannot capture standard output";
    dup2(fileno(file), 1);
    call();
    std::fflush(stdout);
    dup2(saved, 1);
    close(saved);
    std::string text;
    std::rewind(file);
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file))
        text.push_back(char(c));
    std::fclose(file);
    return text;
}

std::shared_ptr<Hyx::DataTypeTextureRGB> rgbOf(const std::shared_ptr<Hyx::Atom>& frame)
{
    return std::dynamic_pointer_cast<Hyx::DataTypeTextureRGB>(
        frame->GetDataLayerByType(Hyx::DataTypeTextureRGB::TheTypeGuid(), false));
}

// A texture through a conversion filter and through the converter; the sizes each block form
// refuses, with their texts; what the ASTC conversion prints.
void runTextures()
{
    {
        const auto graph = BuildConversionGraph(Hyx::TransformTextureRGBtoDXT1::TheTypeGuid());
        const auto frame = graph ? ConvertFrame(*graph, MakeTextureFrame(0, 64, 48)) : nullptr;
        const auto dxt1 = Dxt1Of(frame);
        check(dxt1 && dxt1->GetTextureFormat() == Hyx::TextureFormat::DXT1 && dxt1->GetWidth() == 64 &&
                  dxt1->GetHeight() == 48 && dxt1->GetTextureSizeInBytes() == 1536,
              "the RGB-to-DXT1 filter adds a 64 x 48 DXT1 texture of 1536 bytes");
        check(frame && rgbOf(frame), "the frame keeps its RGB texture");
        if (graph)
            graph->RemoveAllFilters();
    }
    const auto etc2 = ToEtc2(MakeTextureFrame(0, 64, 48));
    check(etc2 && etc2->GetTextureFormat() == Hyx::TextureFormat::ETC2 && etc2->GetTextureSizeInBytes() == 1536 &&
              etc2->GetPurposeGuid() == Hyx::HYXPurposeGuids::VORN4D,
          "ToEtc2 gives an ETC2 texture of 1536 bytes");

    using Rgb = std::shared_ptr<Hyx::DataTypeTextureRGB>;
    const VornCommon::Guid purpose = Hyx::HYXPurposeGuids::VORN4D;
    using Converter = Hyx::TextureFormatConverter;
    const struct {
        VornCommon::Guid filter, result;
        std::function<bool(const Rgb&)> convert; // true when the converter gave a texture
        uint32_t multiple; // 4 for DXT1, DXT5-YCoCg and ETC2, 8 for ASTC
        uint32_t bytesPer64; // bytes of 8 x 8 pixels
        const char* family;
        const char* empty;
    } forms[] = {
        {Hyx::TransformTextureRGBtoDXT1::TheTypeGuid(), Hyx::DataTypeTextureDXT1::TheTypeGuid(),
         [&](const Rgb& rgb) { return Converter::ConvertFromRGBtoDXT1(rgb, purpose) != nullptr; }, 4, 32, "DXT1-",
         "Failed to convert texture to DXT1-RLE."},
        {Hyx::TransformTextureRGBtoDXT5YCOCG::TheTypeGuid(), Hyx::DataTypeTextureDXT5YCOCG::TheTypeGuid(),
         [&](const Rgb& rgb) { return Converter::ConvertFromRGBtoDXT5YCOCG(rgb, purpose) != nullptr; }, 4, 64,
         "DXT5-YCOCG", "Failed to convert texture to DXT5-YCOCG."},
        {Hyx::TransformTextureRGBtoETC2::TheTypeGuid(), Hyx::DataTypeTextureETC2::TheTypeGuid(),
         [&](const Rgb& rgb) { return Converter::ConvertFromRGBtoETC2(rgb, purpose) != nullptr; }, 4, 32, "ETC2-",
         "Failed to convert texture to ETC2-RLE."},
        {Hyx::TransformTextureRGBtoASTC::TheTypeGuid(), Hyx::DataTypeTextureASTC::TheTypeGuid(),
         [&](const Rgb& rgb) { return Converter::ConvertFromRGBtoASTC(rgb, purpose, 0) != nullptr; }, 8, 16, "ASTC-",
         "Failed to convert texture to ASTC-RLE."},
    };
    const struct {
        uint16_t width, height;
    } sizes[] = {{64, 48}, {62, 48}, {64, 46}, {60, 48}, {64, 44}, {4, 4}, {0, 8}, {8, 0}};
    for (const auto& form : forms) {
        for (const auto& size : sizes) {
            const bool empty = size.width == 0 || size.height == 0;
            const bool byFour = size.width % 4 == 0 && size.height % 4 == 0;
            const bool byEight = size.width % 8 == 0 && size.height % 8 == 0;
            const bool fits = !empty && (form.multiple == 4 ? byFour : byEight);
            const std::string text =
                empty ? std::string(form.empty)
                : !byFour
                    ? std::string("Unable to convert texture to ") + form.family + ", dimension not divisible by 4!"
                    : std::string("Unable to convert texture to ") + form.family + ", dimension not divisible by 8!";
            const auto graph = BuildConversionGraph(form.filter);
            std::shared_ptr<Hyx::Atom> frame;
            printedBy(
                [&] { frame = graph ? ConvertFrame(*graph, MakeTextureFrame(0, size.width, size.height)) : nullptr; });
            const std::string error = graph ? graph->GetLastError(false).StdString() : std::string();
            if (fits) {
                const auto blocks = frame ? std::dynamic_pointer_cast<Hyx::DataTypeTextureBase>(
                                                frame->GetDataLayer(form.filter, form.result, false))
                                          : nullptr;
                check(blocks &&
                          blocks->GetTextureSizeInBytes() == uint32_t(size.width) * size.height * form.bytesPer64 / 64,
                      "a conversion filter gives a block texture of the README's byte size");
            } else {
                check(!frame && contains(error, "(" + text + ")"),
                      "a conversion filter refuses the size with its text");
                quote(text);
            }
            if (graph)
                graph->RemoveAllFilters();
            // The converter: a texture, an empty pointer, or the exception.
            const Rgb rgb = rgbOf(MakeTextureFrame(0, size.width, size.height));
            std::string thrown;
            bool converted = false;
            printedBy([&] {
                try {
                    converted = form.convert(rgb);
                } catch (const std::runtime_error& e) {
                    thrown = e.what();
                }
            });
            check(converted == fits && thrown == (fits || empty ? "" : "Texture format conversion not supported."),
                  "the converter converts, gives an empty pointer or throws as the README says");
        }
    }
    quote("Texture format conversion not supported.");
    {
        const auto graph = BuildConversionGraph(Hyx::TransformTextureRGBtoDXT1::TheTypeGuid());
        std::string refusal;
        check(graph && !ConvertFrame(*graph, MakeTextureFrame(0, 64, 62), &refusal), "64 x 62 is refused");
        const std::string error = graph ? graph->GetLastError(false).StdString() : std::string();
        quote(error);
        // The filter's own text reached refusal before Stop emptied it; the graph's stays.
        check(refusal.rfind("Filter 'TextureRGBtoDXT1' error: ", 0) == 0 &&
                  contains(refusal, "(Unable to convert texture to DXT1-, dimension not divisible by 4!)") &&
                  error == "Graph update failed(" + refusal + ")",
              "ConvertFrame hands the refusing filter's text over; the graph keeps its own after Stop");
        check(graph && graph->GetFilter(1u) && graph->GetFilter(1u)->GetLastError(false).IsEmpty(),
              "the graph's Stop emptied the filter's text");
        if (graph)
            graph->RemoveAllFilters();
    }

    // What ASTC prints: two lines for an RGB texture (also through the filter), one for BGR and YUV.
    const Rgb rgb = rgbOf(MakeTextureFrame(0, 32, 16));
    const std::string rgbLines = "compression type 0 \n8 blocks to process ..\n";
    check(printedBy([&] { Converter::ConvertFromRGBtoASTC(rgb, purpose, 0); }) == rgbLines,
          "ASTC of an RGB texture prints two lines");
    check(printedBy([&] { Converter::ConvertFromBGRtoASTC(Converter::ConvertFromRGBtoBGR(rgb), purpose, 0); }) ==
              "8 blocks to process ..\n",
          "ASTC of a BGR texture prints one line");
    check(printedBy([&] {
              Converter::ConvertFromNVXtoASTC(Converter::ConvertFromRGBtoNVX(rgb, purpose), purpose, 0);
          }) == "8 blocks to process ..\n",
          "ASTC of a YUV texture prints one line");
    const auto graph = BuildConversionGraph(Hyx::TransformTextureRGBtoASTC::TheTypeGuid());
    check(graph && printedBy([&] { ConvertFrame(*graph, MakeTextureFrame(0, 32, 16)); }) == rgbLines,
          "the RGB-to-ASTC filter prints the two lines");
    if (graph)
        graph->RemoveAllFilters();
    quote("\"compression type 0 \" (with a");
    quote("8 blocks to process ..");
}

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
    for (const char* text : {"nan", "inf", "1e40", "-1e40"}) {
        std::ofstream("g.xml") << "<hyx version=\"1.0\">\n<graph fps=\"" << text << "\"/>\n</hyx>\n";
        CapturedLog log(logger);
        const std::string line = std::string("Failed to load graph file 'g.xml': 'fps' text '") + text +
                                 "' of the graph at line 2 is not a number of frames a second";
        check(!Hyx::XmlGraph::LoadFromXml("g.xml") && log.At(VornCommon::LogLevel::Error) == std::vector{line},
              "a graph file whose fps gives no rate fails the load with the README's line");
        if (std::string(text) == "nan")
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

std::string textOf(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
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

// "Num Points" exists only when "Random Sampling" was on as the parameters were made.
void runNumPoints()
{
    const std::shared_ptr<Hyx::Filter> filter =
        Hyx::FilterFactory::CreateFilter(Hyx::TransformVertexPositionsFromDepthMap::TheTypeGuid(), {}, {})
            .ToStdSharedPtr();
    check(filter && !filter->getParameterByName("Num Points"), "a made depth-map filter has no \"Num Points\"");
    check(filter && filter->setParameterValue("Random Sampling", "True") &&
              filter->DePreInitialize() == Hyx::HyxErrorCode::Success &&
              filter->PreInitialize(nullptr, nullptr) == Hyx::HyxErrorCode::Success &&
              filter->getParameterByName("Num Points"),
          "\"Num Points\" appears once the parameters are made again with \"Random Sampling\" on");
}

void runCompressionChoice()
{
    auto graph = std::make_shared<Hyx::Graph>();
    check(AddFilter(graph, Hyx::SourceEmptySource::TheTypeGuid()) &&
              AddFilter(graph, Hyx::MutateVertexPositionsCompressor::TheTypeGuid()),
          "a positions compressor is added");
    check(UseSmallPositions(*graph), "UseSmallPositions finds \"Compression\"");
    auto compression = std::dynamic_pointer_cast<Hyx::FilterParamEnumIndexed>(
        graph->GetFilterParam(Hyx::MutateVertexPositionsCompressor::TheTypeGuid(), "Compression", 1));
    check(compression && compression->GetValue() == 2, "\"Compression\" 1 is the code of QSPACE-11/11/10");
    compression->SetValueAsString("QSPACE-11/11/10");
    check(compression->GetValue() == 1, "a choice's text reads as index 0");
    compression->SetValueAsString("7");
    check(compression->GetValue() == 2, "an index past the end selects the last choice");
    compression->SetValueAsString("16BIT");
    check(compression->GetValue() == 2 && compression->GetValueAsString() == "1",
          "a text with a leading number reads as that number, past the end the last choice");
    compression->SetValueAsString("-1");
    check(compression->GetValue() == 1 && compression->GetValueAsString() == "0", "an index below 0 selects the first");
    graph->RemoveAllFilters();
}

const VornCommon::Guid kBoxCenterFilter = Hyx::GuidLiteral("5C0A7E51-0000-4000-8000-0000000000F1");
const VornCommon::Guid kBoxCenterPurpose = Hyx::GuidLiteral("5C0A7E51-0000-4000-8000-0000000000B1");

// A graph whose manual live source declares the frames of makeFrame(0, second).
std::shared_ptr<Hyx::Graph> manualSourceGraph(const std::optional<VornCommon::Guid>& second = {})
{
    auto graph = std::make_shared<Hyx::Graph>();
    auto source = std::static_pointer_cast<Hyx::SourceManualLiveSource>(
        Hyx::FilterFactory::CreateFilter(Hyx::SourceManualLiveSource::TheTypeGuid(), {}, Hyx::SharedGraphPtr(graph))
            .ToStdSharedPtr());
    check(source && source->ClearCacheAndReinitializeProperties(makeFrame(0, second), 1, 30.0f, true) &&
              graph->AddAndConnect(source) == Hyx::ActionResult::Success,
          "the manual source is added");
    return graph;
}

// A transform with the requested input profile and output profile it is given.
class ProfileProbe : public Hyx::Transform {
public:
    ProfileProbe(std::shared_ptr<Hyx::Profile> requested, std::shared_ptr<Hyx::Profile> produced)
        : _produced(std::move(produced))
    {
        _requestedInputProfile = std::move(requested);
    }
    VornCommon::Guid TypeGuid() const override { return Hyx::GuidLiteral("5C0A7E51-0000-4000-8000-0000000000F9"); }
    Hyx::FilterClassInfo GetFilterClassInfo() const override
    {
        return Hyx::FilterClassInfo("TransformProbe", Hyx::FilterCategory::Transform);
    }

protected:
    std::shared_ptr<Hyx::Profile> onGenerateOutputProfile(Hyx::Filter*, std::shared_ptr<Hyx::Profile>) override
    {
        return _produced;
    }
    Hyx::HyxErrorCode onProcessFrame(std::shared_ptr<Hyx::Atom>) override { return Hyx::HyxErrorCode::Success; }

private:
    std::shared_ptr<Hyx::Profile> _produced;
};

// A transform without a requested input profile, or whose output repeats an upstream layer,
// is refused as it is added.
void runTransformProfiles()
{
    const VornCommon::Guid positions = Hyx::DataTypeVertexPositions::TheTypeGuid();
    const struct {
        std::shared_ptr<Hyx::Profile> requested, produced;
        const char* text;
    } probes[] = {
        {nullptr, std::make_shared<Hyx::Profile>(kBoxCenterPurpose, positions),
         "Unassigned input profile for filter '$filter$'."},
        {std::make_shared<Hyx::Profile>(VornCommon::Guid(), positions),
         std::make_shared<Hyx::Profile>(Hyx::HYXPurposeGuids::VORN4D, positions),
         "Hyx failed to add data profile '$info$' because it already exists."},
    };
    for (const auto& probe : probes) {
        const auto graph = manualSourceGraph();
        check(graph->AddAndConnect(std::make_shared<ProfileProbe>(probe.requested, probe.produced)) ==
                      Hyx::ActionResult::Failure &&
                  graph->GetLastError(false).StdString() == probe.text,
              "a transform with an unfit profile is refused with the bare message");
        quote(probe.text);
        graph->RemoveAllFilters();
    }
    // A transform that names no layer it adds is refused too.
    const auto graph = manualSourceGraph();
    const std::string text = "Failed to generate a valid output profile for filter '$filter$'.";
    check(graph->AddAndConnect(std::make_shared<ProfileProbe>(
              std::make_shared<Hyx::Profile>(VornCommon::Guid(), positions), std::make_shared<Hyx::Profile>())) ==
                  Hyx::ActionResult::Failure &&
              contains(graph->GetLastError(false).StdString(), "Filter 'Probe' error: " + text),
          "a transform whose output profile is empty is refused");
    quote(text);
    graph->RemoveAllFilters();
}

// Pushes the frame and plays until the callback target has it.
std::shared_ptr<Hyx::Atom> pushOneFrameOf(Hyx::Graph& graph, std::shared_ptr<Hyx::Atom> frame)
{
    LastFrame listener;
    auto source = std::dynamic_pointer_cast<Hyx::SourceManualLiveSource>(graph.GetFilter(0u));
    auto target = std::dynamic_pointer_cast<Hyx::TargetCallback>(graph.GetLastFilter());
    if (!source || !target)
        return nullptr;
    target->SetAtomsListener(&listener);
    bool played = graph.Play(Hyx::PlaybackMode::Realtime) == Hyx::ActionResult::Success && source->PushFrame({frame});
    for (int i = 0; played && !listener.last && i < 8; ++i)
        played = graph.Update() == Hyx::ActionResult::Success;
    graph.Stop();
    target->SetAtomsListener(nullptr);
    return played ? listener.last : nullptr;
}

// Pushes frame 4 (with the second layer, if any) and plays until the callback target has it.
std::shared_ptr<Hyx::Atom> pushOneFrame(Hyx::Graph& graph, const std::optional<VornCommon::Guid>& second = {})
{
    return pushOneFrameOf(graph, makeFrame(4, second));
}

// The x of the box centre the plug-in adds to a frame of two positions layers (VORN4D with
// centre x 1, CROP with 15), with "Input Profile" set to text before AddAndConnect (none:
// the default). Checks the setter's result and the level-2 lines.
float centreWithInputProfile(const std::shared_ptr<VornCommon::Logger>& logger, const char* text,
                             const std::vector<std::string>& lines, const char* expectedValue)
{
    const VornCommon::Guid crop = Hyx::HYXPurposeGuids::CROP;
    const std::shared_ptr<Hyx::Graph> graph = manualSourceGraph(crop);
    const Hyx::SharedFilterPtr filter = Hyx::FilterFactory::CreateFilter(
        kBoxCenterFilter, Hyx::SharedFilterPtr(graph->GetLastFilter()), Hyx::SharedGraphPtr(graph));
    if (!filter) {
        check(false, "the plug-in's filter is made");
        return 0.0f;
    }
    {
        CapturedLog log(logger);
        check(!text || filter->setParameterValue("Input Profile", text), "setting \"Input Profile\" returns true");
        check(log.At(VornCommon::LogLevel::Error) == lines, "\"Input Profile\" logs as the README says");
        check(filter->getParameterValue("Input Profile") == expectedValue, "\"Input Profile\" reads back its index");
    }
    check(graph->AddAndConnect(filter.ToStdSharedPtr()) == Hyx::ActionResult::Success &&
              AddFilter(graph, Hyx::TargetCallback::TheTypeGuid()),
          "the plug-in's filter and a callback target are added");
    if (text && std::string(text) == "5") {
        CapturedLog log(logger);
        check(graph->SetFilterParamValue(kBoxCenterFilter, "Input Profile", "5", 1) &&
                  log.At(VornCommon::LogLevel::Error) == lines,
              "Graph::SetFilterParamValue returns true for a refused index too");
    }
    const auto center = positionsOf(pushOneFrame(*graph, crop), kBoxCenterPurpose);
    graph->RemoveAllFilters();
    return center && center->GetNumVertices() == 1 ? center->GetVertexPositions()[0] : 0.0f;
}

// The README's copy command put the plug-in into "plugins" below the working directory:
// manual source -> the README's plug-in filter -> callback target, one frame through.
void runPlugin(const std::shared_ptr<VornCommon::Logger>& logger, const std::string& folder)
{
    {
        CapturedLog log(logger);
        const std::shared_ptr<Hyx::Graph> graph = manualSourceGraph();
        check(AddBoxCenter("plugins", graph), "AddBoxCenter finds the plug-in in the relative folder \"plugins\"");
        const std::string found = "Unregistered plugin found: 'box_center_vornp.dll";
        const auto lines = log.At(VornCommon::LogLevel::Info);
        check(std::find(lines.begin(), lines.end(), found) != lines.end(), "the scan tells of the new library");
        quote(found);
        check(AddFilter(graph, Hyx::TargetCallback::TheTypeGuid()), "the callback target is added");
        const auto center = positionsOf(pushOneFrame(*graph), kBoxCenterPurpose);
        graph->RemoveAllFilters();
        check(center && center->GetNumVertices() == 1 && center->GetVertexPositions()[0] == 1.0f &&
                  center->GetVertexPositions()[2] == 5.0f,
              "the plug-in's filter adds the box centre");
        check(Hyx::Utils::GetGuidAlias(kBoxCenterPurpose) == "BOX_CENTER", "the plug-in registered its purpose alias");

        // A second scan finds the library it loaded; a folder that is not there is an error.
        log.Clear();
        Hyx::PluginDatabase::ScanFolderForPlugins("plugins", true, true, false);
        const std::string again = "Registered up-to-date plugin found: 'box_center_vornp.dll'";
        const auto rescan = log.At(VornCommon::LogLevel::Info);
        check(std::find(rescan.begin(), rescan.end(), again) != rescan.end(), "a second scan finds it up to date");
        quote(again);
        log.Clear();
        Hyx::PluginDatabase::ScanFolderForPlugins((folder + "/no-such-folder").c_str(), true, true, false);
        check(log.At(VornCommon::LogLevel::Error).size() == 1, "a missing folder gives a level-2 line");
    }
    {
        // The filter needs vertex positions from the graph's last filter; an empty source has none.
        auto graph = std::make_shared<Hyx::Graph>();
        const std::string refusal = "Unassigned input profile for filter '$filter$'.";
        check(AddFilter(graph, Hyx::SourceEmptySource::TheTypeGuid()) && !AddBoxCenter("plugins", graph) &&
                  graph->GetLastError(false).StdString() == refusal && graph->GetNumFilters() == 1,
              "AddBoxCenter after a source without vertex positions is refused with the bare text");
        quote(refusal);
        graph->RemoveAllFilters();
    }

    // "Input Profile" over two positions layers: index 0 is VORN4D (centre x 1), 1 is CROP (15).
    const std::string refused = "Filter parameter 'Input Profile' does not support value 5";
    check(centreWithInputProfile(logger, nullptr, {}, "1") == 15.0f, "the last layer by default");
    check(centreWithInputProfile(logger, "0", {}, "0") == 1.0f, "index 0 is the first layer");
    check(centreWithInputProfile(logger, "abc", {}, "0") == 1.0f, "a text that is no number selects index 0");
    check(centreWithInputProfile(logger, "5", {refused}, "1") == 15.0f,
          "an index past the last is refused, and the last layer is used");
    check(centreWithInputProfile(logger, "-1", {"Filter parameter 'Input Profile' does not support value -1"}, "1") ==
              15.0f,
          "an index below 0 is refused");
    quote(refused);
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

    // A rate that is no number is saved in neither dialect; a file at the path stays.
    if (graphs) {
        const float kept = graphs->GetVisualGraph(0)->GetFps();
        for (const float rate : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                                 -std::numeric_limits<float>::infinity()}) {
            graphs->GetVisualGraph(0)->SetFps(rate);
            const std::string text = std::isnan(rate) ? "nan" : rate > 0 ? "inf" : "-inf";
            const std::string line =
                "Failed to save graph file 'nan.xml': graph 0 of graph file 'g.xml' has no rate (" + text +
                " is not a number of frames a second)";
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
        }
        graphs->GetVisualGraph(0)->SetFps(kept);
    }
}

// A frame of stream 0 with its stream information and the given layers, all of purpose VORN4D.
std::shared_ptr<Hyx::Atom> frameWith(uint32_t frame, const std::vector<std::shared_ptr<Hyx::DataLayer>>& layers)
{
    auto info = std::make_shared<Hyx::DataTypeStreamInfo>();
    info->InitializeHeader(Hyx::HYXPurposeGuids::VORN4D);
    info->setValues(30.0f, 0, VornCommon::Versorf(), 0, "install");
    auto atom = std::make_shared<Hyx::Atom>(0u, frame, uint64_t(frame) * 333333u);
    atom->AddDataLayer(info);
    for (const auto& layer : layers) {
        layer->InitializeHeader(Hyx::HYXPurposeGuids::VORN4D);
        atom->AddDataLayer(layer);
    }
    return atom;
}

using LayerMaker = std::function<std::vector<std::shared_ptr<Hyx::DataLayer>>()>;
using FilterChain = std::vector<std::pair<VornCommon::Guid, std::map<std::string, std::string>>>;

// Manual source (frames of the maker's layers) -> the filters, each given its values -> callback
// target; one frame through on this thread. Empty when a filter was refused or the frame
// failed (the graph's text then in error).
std::shared_ptr<Hyx::Atom> throughFilters(const LayerMaker& layers, const FilterChain& chain,
                                          std::string* error = nullptr)
{
    auto graph = std::make_shared<Hyx::Graph>();
    const auto source = std::dynamic_pointer_cast<Hyx::SourceManualLiveSource>(
        Hyx::FilterFactory::CreateFilter(Hyx::SourceManualLiveSource::TheTypeGuid(), {}, Hyx::SharedGraphPtr(graph))
            .ToStdSharedPtr());
    bool ok = source && source->ClearCacheAndReinitializeProperties(frameWith(0, layers()), 1, 30.0f, true) &&
              graph->AddAndConnect(source) == Hyx::ActionResult::Success;
    for (const auto& [type, values] : chain)
        ok = ok && AddFilter(graph, type, values);
    ok = ok && AddFilter(graph, Hyx::TargetCallback::TheTypeGuid());
    std::shared_ptr<Hyx::Atom> frame = ok ? pushOneFrameOf(*graph, frameWith(1, layers())) : nullptr;
    if (error)
        *error = graph->GetLastError(false).StdString();
    graph->RemoveAllFilters();
    return frame;
}

// The frame's last compressed layer; empty when it has none.
std::shared_ptr<Hyx::DataTypeCompressedBlob> compressedOf(const std::shared_ptr<Hyx::Atom>& atom)
{
    std::shared_ptr<Hyx::DataTypeCompressedBlob> found;
    for (const auto& layer : atom ? atom->GetAllDataLayers() : std::vector<std::shared_ptr<Hyx::DataLayer>>())
        if (auto compressed = std::dynamic_pointer_cast<Hyx::DataTypeCompressedBlob>(layer))
            found = compressed;
    return found;
}

std::vector<std::shared_ptr<Hyx::DataLayer>> somePositions()
{
    auto positions = std::make_shared<Hyx::DataTypeVertexPositions>();
    const float points[] = {0.5f, -1.25f, 3.0f, 2.75f, 4.0f, -6.5f, 1.0f / 3.0f, 2.0f / 3.0f, 0.1f, -0.7f, 1.9f, 5.3f};
    std::copy(std::begin(points), std::end(points), positions->Allocate(4, false));
    positions->CalculateBoundingBoxFromVertexPositions();
    return {positions};
}

std::vector<std::shared_ptr<Hyx::DataLayer>> someUVs()
{
    auto uvs = std::make_shared<Hyx::DataTypeVertexTextureUVs>();
    uvs->Allocate(2);
    const float coordinates[] = {0.1f, 0.2f, 0.3f, 0.4f};
    std::copy(std::begin(coordinates), std::end(coordinates), uvs->GetUVs());
    return {uvs};
}

std::vector<std::shared_ptr<Hyx::DataLayer>> someIndices()
{
    auto indices = std::make_shared<Hyx::DataTypeVertexIndices>();
    indices->Allocate(3);
    const uint32_t corners[] = {0, 1, 2};
    std::copy(std::begin(corners), std::end(corners), indices->GetIndices());
    return {indices};
}

// A compressed layer whose bytes are short of its count is refused as it loads and as it
// decodes, and a decompressor fails the frame with code 30 and one line.
void runShortCompressedLayer(const std::shared_ptr<VornCommon::Logger>& logger)
{
    const std::string expected = "compressed data does not have the expected size";
    // The payload of three indices at 24 bits, one byte short: it loads, and decoding refuses.
    const auto shortOf = [](uint32_t cut, bool& loaded) {
        auto coded = std::make_shared<Hyx::DataTypeCompressedVertexIndices>();
        coded->InitializeHeader(Hyx::HYXPurposeGuids::VORN4D);
        uint32_t size = 0;
        std::vector<uint8_t> bytes;
        if (coded->compress(someIndices().front(), 128)) {
            const uint8_t* data = coded->Serialize(size);
            bytes.assign(data, data + size);
        }
        auto layer = std::make_shared<Hyx::DataTypeCompressedVertexIndices>();
        layer->InitializeHeader(Hyx::HYXPurposeGuids::VORN4D);
        layer->InitializeCompressionInfo(Hyx::DataTypeVertexIndices::TheTypeGuid(), coded->GetCompressedBlobVersion(),
                                         128);
        loaded = !bytes.empty() && layer->InitializeData(bytes.data(), cut < size ? size - cut : 0);
        return layer;
    };
    for (const uint32_t cut : {1u, 1000u}) {
        bool loaded = false;
        const auto layer = shortOf(cut, loaded);
        std::string thrown;
        try {
            layer->decompress();
        } catch (const std::runtime_error& e) {
            thrown = e.what();
        }
        check(loaded == (cut == 1) && thrown == expected,
              "a payload short of its count loads, one short of its header does not; decoding refuses both");
    }
    quote(expected);
    const LayerMaker refused = [&] {
        bool loaded = false;
        return std::vector<std::shared_ptr<Hyx::DataLayer>>{shortOf(1, loaded)};
    };
    CapturedLog log(logger);
    std::string error;
    const auto frame = throughFilters(refused, {{Hyx::MutateAutoDecompressor::TheTypeGuid(), {}}}, &error);
    const std::vector<std::string> lines = log.At(VornCommon::LogLevel::Error);
    const std::string line = "Filter '#AutoDecompressor' could not decompress layer '";

    check(!frame &&
              error.find(Hyx::GetHyxErrorMessage(Hyx::HyxErrorCode::FilterFailedToDecompressLayer)) !=
                  std::string::npos &&
              std::any_of(lines.begin(), lines.end(),
                          [&](const std::string& l) {
                              return l.rfind(line, 0) == 0 && l.size() > expected.size() &&
                                     l.compare(l.size() - expected.size(), expected.size(), expected) == 0;
                          }),
          "a decompressor fails the frame with code 30 and the README's line");
}

// The automatic compressor passes the layers it leaves first, in their order, then the
// compressed ones; the automatic decompressor orders its frame alike.
void runCompressorOrder()
{
    const LayerMaker layers = [] {
        auto normals = std::make_shared<Hyx::DataTypeVertexNormals>();
        const float up[] = {0.0f, 0.0f, 1.0f, 0.0f, 1.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f};
        std::copy(std::begin(up), std::end(up), normals->Allocate(4));
        return std::vector<std::shared_ptr<Hyx::DataLayer>>{somePositions().front(), normals,
                                                            rgbOf(MakeTextureFrame(0, 8, 8))};
    };
    const auto typesOf = [](const std::shared_ptr<Hyx::Atom>& frame) {
        std::vector<VornCommon::Guid> types;
        for (const auto& layer : frame ? frame->GetAllDataLayers() : std::vector<std::shared_ptr<Hyx::DataLayer>>())
            types.push_back(layer->TypeGuid());
        return types;
    };
    const VornCommon::Guid info = Hyx::DataTypeStreamInfo::TheTypeGuid(),
                           positions = Hyx::DataTypeVertexPositions::TheTypeGuid(),
                           normals = Hyx::DataTypeVertexNormals::TheTypeGuid(),
                           rgb = Hyx::DataTypeTextureRGB::TheTypeGuid(),
                           codedPositions = Hyx::DataTypeCompressedVertexPositions::TheTypeGuid(),
                           codedTexture = Hyx::DataTypeCompressedTexture::TheTypeGuid();
    const VornCommon::Guid compressor = Hyx::MutateAutoCompressor::TheTypeGuid(),
                           decompressor = Hyx::MutateAutoDecompressor::TheTypeGuid();
    const struct {
        FilterChain chain;
        std::vector<VornCommon::Guid> types;
        const char* what;
    } rows[] = {
        {{{compressor, {}}},
         {normals, info, codedPositions, codedTexture},
         "the automatic compressor passes the layers it leaves first, then the compressed ones"},
        {{{compressor, {{"Drop uncompressed input", "False"}}}},
         {positions, normals, rgb, info, codedPositions, codedTexture},
         "with \"Drop uncompressed input\" false the coded layers stay in their places"},
        {{{compressor, {}}, {decompressor, {}}},
         {normals, info, positions, rgb},
         "the automatic decompressor passes the layers it leaves first, then the decoded ones"},
    };
    for (const auto& row : rows)
        check(typesOf(throughFilters(layers, row.chain)) == row.types, row.what);
}

// Each single-type compressor's index, choice and the code its compressed layer reports, as
// the README's table rows; index 0's code is the automatic compressor's.
void runCompressionCodes()
{
    const struct {
        VornCommon::Guid compressor;
        LayerMaker layers;
        std::vector<uint8_t> codes; // by index, as the README's table gives them
    } compressors[] = {
        {Hyx::MutateVertexPositionsCompressor::TheTypeGuid(), somePositions, {1, 2}},
        {Hyx::MutateVertexTextureUVsCompressor::TheTypeGuid(), someUVs, {128, 129}},
        {Hyx::MutateVertexIndicesCompressor::TheTypeGuid(), someIndices, {128, 129}},
    };
    for (const auto& compressor : compressors) {
        const Hyx::SharedFilterPtr filter = Hyx::FilterFactory::CreateFilter(compressor.compressor, {}, {});
        const auto choice =
            filter ? std::dynamic_pointer_cast<Hyx::FilterParamEnumIndexed>(filter->getParameterByName("Compression"))
                   : nullptr;
        if (!choice) {
            check(false, "a single-type compressor has \"Compression\"");
            continue;
        }
        const std::string name = filter->GetFilterClassInfo().GetClassName().StdString();
        check(choice->GetEnumStrings().size() == compressor.codes.size(), "each choice has its code in the README");
        for (size_t index = 0; index < choice->GetEnumStrings().size(); ++index) {
            const auto frame =
                throughFilters(compressor.layers, {{compressor.compressor, {{"Compression", std::to_string(index)}}}});
            const auto blob = compressedOf(frame);
            const int code = blob ? blob->GetCompressionType() : -1;
            check(index < compressor.codes.size() && code == compressor.codes[index],
                  "the compressed layer reports the README's code");
            choice->SetValueAsString(std::to_string(index).c_str());
            check(choice->GetValue() == code, "the parameter's GetValue gives the same code");
            quote("| `" + name + "` | " + std::to_string(index) + " | \"" + choice->GetEnumStrings()[index] + "\" | " +
                  std::to_string(code) + " |");
            if (index == 0) {
                const auto automatic =
                    compressedOf(throughFilters(compressor.layers, {{Hyx::MutateAutoCompressor::TheTypeGuid(), {}}}));
                check(automatic && automatic->GetCompressionType() == code,
                      "the automatic compressor uses the code of index 0");
            }
        }
    }
}

// Decoded positions compress again: in a graph (compressor -> decompressor -> compressor)
// without a line, and directly, the second decode within one step plus two float spacings
// (at the widened box's largest bound or extent) per axis of the first.
void runTranscoding(const std::shared_ptr<VornCommon::Logger>& logger)
{
    const struct {
        int index;
        uint8_t code;
        float steps[3]; // per axis: 2^bits
    } codes[] = {{0, 1, {65536.0f, 65536.0f, 65536.0f}}, {1, 2, {2048.0f, 2048.0f, 1024.0f}}};
    for (const auto& code : codes) {
        CapturedLog log(logger);
        const std::map<std::string, std::string> choice = {{"Compression", std::to_string(code.index)}};
        const auto frame =
            throughFilters(somePositions, {{Hyx::MutateVertexPositionsCompressor::TheTypeGuid(), choice},
                                           {Hyx::MutateVertexPositionsDecompressor::TheTypeGuid(), {}},
                                           {Hyx::MutateVertexPositionsCompressor::TheTypeGuid(), choice}});
        const auto coded = std::dynamic_pointer_cast<Hyx::DataTypeCompressedVertexPositions>(compressedOf(frame));
        check(coded && coded->GetCompressionType() == code.code && log.Count() == 0,
              "a transcoding chain delivers compressed positions without a line");

        const auto plain = std::static_pointer_cast<Hyx::DataTypeVertexPositions>(somePositions().front());
        auto once = std::make_shared<Hyx::DataTypeCompressedVertexPositions>();
        auto twice = std::make_shared<Hyx::DataTypeCompressedVertexPositions>();
        std::shared_ptr<Hyx::DataTypeVertexPositions> first, second;
        try {
            if (once->compress(plain, code.code))
                first = std::dynamic_pointer_cast<Hyx::DataTypeVertexPositions>(once->decompress());
            if (first && twice->compress(first, code.code))
                second = std::dynamic_pointer_cast<Hyx::DataTypeVertexPositions>(twice->decompress());
        } catch (const std::exception& e) {
            check(false, e.what());
        }
        bool near = first && second && second->GetNumVertices() == first->GetNumVertices();
        const float* box = plain->GetBoundingBox();
        bool inside = first != nullptr;
        for (uint32_t i = 0; inside && i < first->GetNumVertices() * 3; ++i) {
            const int axis = int(i % 3);
            inside = first->GetVertexPositions()[i] >= box[axis] - 0.001f &&
                     first->GetVertexPositions()[i] <= box[axis + 3] + 0.001f;
        }
        check(inside, "decoded points lie inside the box widened by 0.001 on each side");
        for (uint32_t i = 0; near && i < first->GetNumVertices() * 3; ++i) {
            const int axis = int(i % 3);
            const float lo = box[axis] - 0.001f, hi = box[axis + 3] + 0.001f;
            const float step = (hi - lo) / code.steps[axis];
            const float v = std::max({std::fabs(lo), std::fabs(hi), hi - lo});
            const float spacing = std::nextafter(v, INFINITY) - v;
            near = std::fabs(first->GetVertexPositions()[i] - second->GetVertexPositions()[i]) <= step + 2 * spacing;
        }
        check(near, "decoded positions compress again, and decode within one step plus two float spacings per axis");
    }
}

// The keeper's and dropper's switches: "Keep " or "Drop " and each upstream layer's friendly
// text, in the parameter list of a filter made with its upstream; none in one made without,
// also once it is in the graph, where a value set for one is a name no parameter took.
void runLayerSwitches(const std::shared_ptr<VornCommon::Logger>& logger)
{
    const auto layers = [] {
        auto all = somePositions();
        all.push_back(someIndices().front());
        return all;
    };
    const std::vector<std::string> friendly = {"{VORN4D/StreamInfo/NIL}",
                                               "{VORN4D/CompressedVertexPositions/VertexPositions}",
                                               "{VORN4D/CompressedVertexIndices/VertexIndices}"};
    const auto names = [](const std::shared_ptr<Hyx::Filter>& filter) {
        std::vector<std::string> found;
        for (const std::shared_ptr<Hyx::FilterParam>& param : filter->getParameters())
            found.push_back(param->GetName());
        return found;
    };
    for (const bool keeper : {true, false}) {
        const std::string prefix = keeper ? "Keep " : "Drop ";
        const auto selection =
            keeper ? Hyx::MutateDataLayersKeeper::TheTypeGuid() : Hyx::MutateDataLayersDropper::TheTypeGuid();
        auto graph = std::make_shared<Hyx::Graph>();
        const auto source = std::dynamic_pointer_cast<Hyx::SourceManualLiveSource>(
            Hyx::FilterFactory::CreateFilter(Hyx::SourceManualLiveSource::TheTypeGuid(), {}, Hyx::SharedGraphPtr(graph))
                .ToStdSharedPtr());
        const bool built = source &&
                           source->ClearCacheAndReinitializeProperties(frameWith(0, layers()), 1, 30.0f, true) &&
                           graph->AddAndConnect(source) == Hyx::ActionResult::Success &&
                           AddFilter(graph, Hyx::MutateAutoCompressor::TheTypeGuid());
        const Hyx::SharedFilterPtr withUpstream = Hyx::FilterFactory::CreateFilter(
            selection, Hyx::SharedFilterPtr(graph->GetLastFilter()), Hyx::SharedGraphPtr(graph));
        std::vector<std::string> expected;
        for (const std::string& text : friendly)
            expected.push_back(prefix + text);
        check(built && withUpstream && names(withUpstream.ToStdSharedPtr()) == expected,
              "a keeper or dropper made with its upstream lists one switch per layer, by its friendly text");
        if (keeper) {
            quote(expected[0]);
            quote(expected[1]);
        } else {
            quote(expected[2]);
        }

        CapturedLog log(logger);
        const std::shared_ptr<Hyx::Filter> without =
            Hyx::FilterFactory::CreateFilter(selection, {}, Hyx::SharedGraphPtr(graph)).ToStdSharedPtr();
        check(without && names(without).empty(), "one made without its upstream lists no switch");
        if (without) {
            without->setParameterValues({{expected.back(), "True"}});
            check(graph->AddAndConnect(without) == Hyx::ActionResult::Success && names(without).empty() &&
                      log.At(VornCommon::LogLevel::Error) ==
                          std::vector<std::string>{"Filter '#DataLayers" + std::string(keeper ? "Keeper" : "Dropper") +
                                                   "' has no parameter named '" + expected.back() +
                                                   "'; the values stay stored"},
                  "nor once it is in the graph, where the value set for a switch is a name no parameter took");
        }
        graph->RemoveAllFilters();
    }
}

// A compression that fails with "Drop uncompressed input" on: a keeper that keeps the
// compressed layer keeps the plain stand-in, a dropper that drops it drops it, whatever else
// the frame holds.
void runStandIns(const std::shared_ptr<VornCommon::Logger>& logger)
{
    // Positions outside their box: they cannot be compressed.
    const auto outside = [] {
        auto layers = somePositions();
        std::static_pointer_cast<Hyx::DataTypeVertexPositions>(layers.front())->GetVertexPositions()[0] = 100.0f;
        return layers;
    };
    const auto outsideAndUVs = [&] {
        auto layers = outside();
        layers.push_back(someUVs().front());
        return layers;
    };
    const std::string compressedForm = "{VORN4D/CompressedVertexPositions/VertexPositions}";
    for (const LayerMaker& layers : {LayerMaker(outside), LayerMaker(outsideAndUVs)}) {
        for (const bool keeper : {true, false}) {
            CapturedLog log(logger);
            const auto selection =
                keeper ? Hyx::MutateDataLayersKeeper::TheTypeGuid() : Hyx::MutateDataLayersDropper::TheTypeGuid();
            const auto frame =
                throughFilters(layers, {{Hyx::MutateVertexPositionsCompressor::TheTypeGuid(), {}},
                                        {selection, {{(keeper ? "Keep " : "Drop ") + compressedForm, "True"}}}});
            const bool hasPlain =
                frame && frame->GetDataLayerByType(Hyx::DataTypeVertexPositions::TheTypeGuid(), false);
            check(frame && hasPlain == keeper && !compressedOf(frame),
                  "the plain stand-in follows the compressed layer's switch, in a keeper and a dropper");
            check(log.At(VornCommon::LogLevel::Error).size() == 1, "the failed compression logs one line");
        }
    }
}

// The image writer: a write that fails, a missing folder, an image without pixels; a bit
// count it does not take, null pointers.
void runImages(const std::shared_ptr<VornCommon::Logger>& logger)
{
    std::filesystem::create_directories("images");
    std::filesystem::remove("images/full.png");
    std::filesystem::create_symlink("/dev/full", "images/full.png"); // every write fails there
    std::filesystem::create_directories("images/folder.png");
    std::vector<uint8_t> pixels(128 * 128 * 3);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = uint8_t((i * 2654435761u) >> 13);
    const struct {
        const char* folder;
        const char* file;
        const uint8_t* pixels;
        uint32_t width, height, bits;
        const char* line; // none: written, or refused without a line
        bool written;
    } images[] = {
        {"images", "ok.png", pixels.data(), 128, 128, 24, nullptr, true},
        {"images", "full.png", pixels.data(), 128, 128, 24, "Can't write file 'images/full.png' (Cannot be written)",
         false},
        {"images/missing", "a.png", pixels.data(), 128, 128, 24,
         "Can't write file 'images/missing/a.png' (No such folder)", false},
        {"images", "folder.png", pixels.data(), 128, 128, 24, "Can't write file 'images/folder.png' (Is a folder)",
         false},
        {"images", "w0.png", pixels.data(), 0, 128, 24, "Can't write file 'images/w0.png' (Cannot be encoded)", false},
        {"images", "h0.png", pixels.data(), 128, 0, 8, "Can't write file 'images/h0.png' (Cannot be encoded)", false},
        {"images", "twelve.png", pixels.data(), 128, 128, 12, nullptr, false},
        {"images", "null.png", nullptr, 128, 128, 24, nullptr, false},
        {nullptr, "no-folder.png", pixels.data(), 128, 128, 24, nullptr, false},
        {"images", nullptr, pixels.data(), 128, 128, 24, nullptr, false},
    };
    for (const auto& image : images) {
        CapturedLog log(logger);
        const bool written = Hyx::ImageSequenceWriter(image.folder)
                                 .WriteImage(image.pixels, image.width, image.height, image.bits, image.file);
        check(written == image.written &&
                  log.At(VornCommon::LogLevel::Error) ==
                      (image.line ? std::vector<std::string>{image.line} : std::vector<std::string>{}),
              "the image writer answers and logs as the README says");
        check(written || !image.file || std::string(image.file) == "full.png" ||
                  std::string(image.file) == "folder.png" ||
                  !exists(std::string(image.folder ? image.folder : "") + "/" + image.file),
              "a refused image makes no file");
        if (image.line)
            quote(std::string(image.line).substr(std::string(image.line).find('(')));
    }
    quote("Can't write file 'images/full.png' (Cannot be written)");
    quote("Can't write file 'images/w0.png' (Cannot be encoded)");
    if (geteuid() != 0) { // the superuser writes in any folder
        std::filesystem::create_directories("images/read-only");
        chmod("images/read-only", 0555);
        const struct {
            const char* folder;
            const char* line;
        } refused[] = {
            {"images/read-only", "Can't write file 'images/read-only/a.png' (Permission denied)"},
            {"images/read-only/sub", "Can't write file 'images/read-only/sub/a.png' (No such folder)"},
        };
        for (const auto& folder : refused) {
            CapturedLog log(logger);
            check(!Hyx::ImageSequenceWriter(folder.folder).WriteImage(pixels.data(), 128, 128, 24, "a.png") &&
                      log.At(VornCommon::LogLevel::Error) == std::vector<std::string>{folder.line},
                  "the image writer names a folder it may not write in, and makes none");
        }
        chmod("images/read-only", 0755);
    }
}

// A camera the geometry filters refuse, through a graph and through the exported helpers; the
// vertex colour filters compare the texture's size with the colour camera's first.
void runCameras()
{
    // Two positions and the cameras; with a texture width, also a 16 high RGB texture.
    const auto cameraFrame = [](float irFocalX, uint32_t colourWidth = 16, std::optional<uint16_t> textureWidth = {}) {
        return [=] {
            VornCommon::CameraParams camera(16, 16, VornCommon::Vector2f(8, 8));
            camera.C = camera.distortionC = VornCommon::Vector2f(8, 8);
            auto cameras = std::make_shared<Hyx::DataTypeCameraParams>();
            cameras->GetColorCameraParams() = camera;
            cameras->GetColorCameraParams().width = colourWidth;
            camera.F.x = irFocalX;
            cameras->GetIRCameraParams() = camera;
            auto positions = std::make_shared<Hyx::DataTypeVertexPositions>();
            const float points[] = {0, 0, 10, 1, 2, 20};
            std::copy(std::begin(points), std::end(points), positions->Allocate(2, false));
            positions->CalculateBoundingBoxFromVertexPositions();
            std::vector<std::shared_ptr<Hyx::DataLayer>> layers{positions, cameras};
            if (textureWidth) {
                auto texture = std::make_shared<Hyx::DataTypeTextureRGB>();
                if (uint8_t* pixels = texture->AllocateTexture(*textureWidth, 16))
                    std::fill_n(pixels, size_t(*textureWidth) * 16 * 3, uint8_t(100));
                layers.push_back(texture);
            }
            return layers;
        };
    };
    const VornCommon::Guid depthmap = Hyx::TransformDepthmapFromVertexPositions::TheTypeGuid();
    std::string error;
    const auto good = throughFilters(cameraFrame(8), {{depthmap, {}}}, &error);
    check(good && good->GetDataLayerByType(Hyx::DataTypeTexture16BitDepthMap::TheTypeGuid(), false),
          "a usable camera gives a depth map");
    check(!throughFilters(cameraFrame(1e-40f), {{depthmap, {}}}, &error), "a focal length of 1e-40 is refused");
    const std::string text = "CameraParams 'IR F' must be finite and at least 2^-32 in magnitude: (9.99995e-41, 8)";
    check(contains(error, "(" + text + ")") && contains(error, "Filter 'DepthmapFromVertexPositions' error: "),
          "the refusal names the filter and the value");
    quote(error);

    // The host sees a failed Update; code 4 shows only as its message in the graph's and the
    // filter's texts.
    {
        auto graph = std::make_shared<Hyx::Graph>();
        const auto source = std::dynamic_pointer_cast<Hyx::SourceManualLiveSource>(
            Hyx::FilterFactory::CreateFilter(Hyx::SourceManualLiveSource::TheTypeGuid(), {}, Hyx::SharedGraphPtr(graph))
                .ToStdSharedPtr());
        const auto layers = cameraFrame(1e-40f);
        bool ok = source && source->ClearCacheAndReinitializeProperties(frameWith(0, layers()), 1, 30.0f, true) &&
                  graph->AddAndConnect(source) == Hyx::ActionResult::Success && AddFilter(graph, depthmap) &&
                  AddFilter(graph, Hyx::TargetCallback::TheTypeGuid()) &&
                  graph->Play(Hyx::PlaybackMode::Realtime) == Hyx::ActionResult::Success &&
                  source->PushFrame({frameWith(1, layers())});
        Hyx::ActionResult result = Hyx::ActionResult::Success;
        for (int i = 0; ok && i < 4 && result == Hyx::ActionResult::Success; ++i)
            result = graph->Update();
        const std::string message = Hyx::GetHyxErrorMessage(Hyx::HyxErrorCode::FilterError);
        const std::string filterText =
            graph->GetFilter(1u) ? graph->GetFilter(1u)->GetLastError(false).StdString() : "";
        check(ok && result == Hyx::ActionResult::Failure && message == "Error in filter '$filter$': $info$" &&
                  contains(graph->GetLastError(false).StdString(), message + "(" + text + ")") &&
                  contains(filterText, message + "(" + text + ")"),
              "a refused camera fails Update; code 4 shows as its message in the graph's and the filter's texts");
        quote(message);
        // A Stop empties every filter's text; the graph keeps its own.
        graph->Stop();
        check(graph->GetFilter(1u) && graph->GetFilter(1u)->GetLastError(false).IsEmpty() &&
                  contains(graph->GetLastError(false).StdString(), message + "(" + text + ")"),
              "after Stop the filter's text is empty and the graph's still names the value");
        graph->RemoveAllFilters();
    }

    // A colour camera of width 0: the vertex colour filter refuses the size difference first;
    // a filter without that comparison names the width.
    check(throughFilters(cameraFrame(8, 16, 16), {{Hyx::TransformVertexColorsFromTextureRGB::TheTypeGuid(), {}}}) !=
              nullptr,
          "a usable colour camera gives vertex colours");
    const struct {
        VornCommon::Guid filter;
        const char* text;
    } widths[] = {
        {Hyx::TransformVertexColorsFromTextureRGB::TheTypeGuid(),
         "Width/Height mismatch between ColorTexture and CameraParams!"},
        {Hyx::TransformVertexTextureUVsColor::TheTypeGuid(), "CameraParams 'Color width' must be above 0: 0"},
    };
    for (const auto& width : widths) {
        check(!throughFilters(cameraFrame(8, 0, 16), {{width.filter, {}}}, &error) &&
                  contains(error, std::string("(") + width.text + ")"),
              "a colour camera of width 0: the size comparison first, where the filter makes it");
    }
    quote(widths[0].text);

    auto cameras = std::make_shared<Hyx::DataTypeCameraParams>();
    VornCommon::CameraParams camera(16, 16, VornCommon::Vector2f(1e-40f, 8));
    camera.C = VornCommon::Vector2f(8, 8);
    cameras->GetIRCameraParams() = camera;
    const float points[] = {0, 0, 10, 1, 2, 20};
    std::vector<uint16_t> samples(64, 7);
    Hyx::DepthmapHelper::CreateDepthmap(points, 2, samples.data(), 8, 8, cameras);
    check(std::all_of(samples.begin(), samples.end(), [](uint16_t s) { return s == 0; }),
          "CreateDepthmap leaves every sample 0 with a refused camera");
    std::fill(samples.begin(), samples.end(), uint16_t(500));
    float box[6] = {};
    Hyx::DepthmapHelper::CalculateBoundingBox(box, samples.data(), 8, 8, cameras, 1);
    const float empty[6] = {100000, 100000, 100000, -100000, -100000, -100000};
    check(std::equal(box, box + 6, empty), "CalculateBoundingBox gives the empty map's box with a refused camera");
}

// A manual source needs stream information in its example frame and frames like it.
void runManualSourceFrames()
{
    Hyx::SourceManualLiveSource live;
    Hyx::SourceManualOfflineSource offline;
    const std::string rejected = "Properties rejected - the template atom carries no stream information";
    check(!live.ClearCacheAndReinitializeProperties(MakeFrame(0, "a"), 1, 30.0f, true) &&
              live.GetLastError(false).StdString() == rejected &&
              !offline.ClearCacheAndReinitializeProperties(MakeFrame(0, "a"), 1, 30.0f, true) &&
              offline.GetLastError(false).StdString() == rejected,
          "a manual source refuses an example frame without stream information");
    quote(rejected);
    // A rate that is no number is refused; the declaration before stays.
    const float inf = std::numeric_limits<float>::infinity();
    const std::pair<float, std::string> rates[] = {
        {std::numeric_limits<float>::quiet_NaN(), "Properties rejected - nan is not a number of frames a second"},
        {inf, "Properties rejected - inf is not a number of frames a second"},
        {-inf, "Properties rejected - -inf is not a number of frames a second"}};
    for (const auto& [rate, text] : rates) {
        check(live.ClearCacheAndReinitializeProperties(MakeTextureFrame(0, 8, 8), 1, 30.0f, true) &&
                  !live.ClearCacheAndReinitializeProperties(MakeTextureFrame(0, 8, 8), 1, rate, true) &&
                  live.GetLastError(false).StdString() == text && live.GetStreamInfo()->GetFPS() == 30.0f &&
                  offline.ClearCacheAndReinitializeProperties(MakeTextureFrame(0, 8, 8), 1, 30.0f, true) &&
                  !offline.ClearCacheAndReinitializeProperties(MakeTextureFrame(0, 8, 8), 1, rate, true) &&
                  offline.GetLastError(false).StdString() == text && offline.GetStreamInfo()->GetFPS() == 30.0f,
              "a manual source refuses a rate that is no number and keeps its declaration");
    }
    quote(rates[0].second);
    for (const float rate : {0.0f, -1.0f, 0.5f, 1e30f})
        check(live.ClearCacheAndReinitializeProperties(MakeTextureFrame(0, 8, 8), 1, rate, true) &&
                  live.GetStreamInfo()->GetFPS() == rate,
              "a manual source takes any finite rate");
    const std::string other = "Frame rejected - a stream of the frame does not satisfy declared output profile";
    check(live.ClearCacheAndReinitializeProperties(MakeTextureFrame(0, 8, 8), 1, 30.0f, true) &&
              live.PushFrame({MakeTextureFrame(1, 8, 8)}) && !live.PushFrame({MakeFrame(2, "b")}) &&
              live.GetLastError(false).StdString() == other,
          "a manual source takes frames like its example frame and refuses another");
    quote(other);
    // An offline source takes frames only before it joins a graph.
    auto graph = std::make_shared<Hyx::Graph>();
    const auto joined = std::dynamic_pointer_cast<Hyx::SourceManualOfflineSource>(
        Hyx::FilterFactory::CreateFilter(Hyx::SourceManualOfflineSource::TheTypeGuid(), {}, Hyx::SharedGraphPtr(graph))
            .ToStdSharedPtr());
    const std::string late =
        "Can not push a frame to the manual offline source's collection after it was added to a graph";
    check(joined && joined->ClearCacheAndReinitializeProperties(MakeTextureFrame(0, 8, 8), 1, 30.0f, true) &&
              joined->PushFrame({MakeTextureFrame(1, 8, 8)}) &&
              graph->AddAndConnect(joined) == Hyx::ActionResult::Success &&
              !joined->PushFrame({MakeTextureFrame(2, 8, 8)}) && joined->GetLastError(false).StdString() == late,
          "an offline source refuses a frame pushed after it joined a graph");
    quote(late);
    graph->RemoveAllFilters();
    // It plays in every mode but Realtime, which counts past its last frame.
    auto offlineGraph = std::make_shared<Hyx::AsyncGraph>();
    const auto three = std::dynamic_pointer_cast<Hyx::SourceManualOfflineSource>(
        Hyx::FilterFactory::CreateFilter(Hyx::SourceManualOfflineSource::TheTypeGuid(), {},
                                         Hyx::SharedGraphPtr(offlineGraph))
            .ToStdSharedPtr());
    bool pushed = three && three->ClearCacheAndReinitializeProperties(MakeTextureFrame(0, 8, 8), 1, 30.0f, true);
    for (uint32_t f = 0; pushed && f < 3; ++f)
        pushed = three->PushFrame({MakeTextureFrame(f, 8, 8)});
    const std::string ending = "(Manual offline source cannot run in 'realtime' mode: its 3 frames would run out)))";
    const bool refused = pushed && offlineGraph->AddAndConnect(three) == Hyx::ActionResult::Success &&
                         offlineGraph->Play(Hyx::PlaybackMode::Realtime) == Hyx::ActionResult::Failure;
    const std::string text = offlineGraph->GetLastError(false).StdString();
    check(refused && offlineGraph->IsStopped() && text.size() > ending.size() &&
              text.compare(text.size() - ending.size(), ending.size(), ending) == 0,
          "Play(Realtime) of an offline source of 3 frames is refused with the README's text");
    quote(ending);
    check(offlineGraph->Play(Hyx::PlaybackMode::ForwardOnce) == Hyx::ActionResult::Success, "another mode plays");
    offlineGraph->Stop();
    offlineGraph->RemoveAllFilters();
}

// A refused add leaves the filter initialised: deinitialised it goes quietly, and once made
// again it joins another graph.
void runFilterMoves(const std::shared_ptr<VornCommon::Logger>& logger)
{
    auto first = std::make_shared<Hyx::Graph>();
    auto second = std::make_shared<Hyx::Graph>();
    const std::shared_ptr<Hyx::Filter> made =
        Hyx::FilterFactory::CreateFilter(Hyx::SourceEmptySource::TheTypeGuid(), {}, Hyx::SharedGraphPtr(first))
            .ToStdSharedPtr();
    const std::string belongs = "Graph failed to add a filter(it belongs to another graph)";
    {
        CapturedLog log(logger);
        check(made && made->setParameterValue("Framerate", "50") &&
                  second->AddAndConnect(made) == Hyx::ActionResult::Failure &&
                  second->GetLastError(false).StdString() == belongs &&
                  log.At(VornCommon::LogLevel::Error) ==
                      std::vector<std::string>{"Setting a graph to filter which differs from previously set graph"},
              "a filter made with one live graph is refused by another, with one line");
    }
    quote(belongs);
    // A filter made with its constructor has no parameters until its first PreInitialize:
    // setParameterValue answers false, setParameterValues waits for it. A filter the graph
    // holds already is refused.
    {
        auto graph = std::make_shared<Hyx::Graph>();
        const auto source = std::make_shared<Hyx::SourceEmptySource>();
        const bool none = !source->setParameterValue("Framerate", "25") && source->getParameters().empty();
        static_cast<void>(source->setParameterValues({{"Framerate", "25"}}));
        check(none && graph->AddAndConnect(source) == Hyx::ActionResult::Success &&
                  source->getParameterValue("Framerate") == "25",
              "a filter made with its constructor takes handed-in values at its first PreInitialize");
        const std::string twice = "Graph failed to add a filter(it was already added)";
        check(graph->AddAndConnect(source) == Hyx::ActionResult::Failure &&
                  graph->GetLastError(false).StdString() == twice && graph->GetNumFilters() == 1,
              "a filter the graph holds already is refused");
        quote(twice);
        graph->RemoveAllFilters();
    }
    // A source made by the factory without the graph leaves the graph's rate and count unset;
    // added again after it was removed, it has the graph as it initialises and sets them.
    {
        auto third = std::make_shared<Hyx::Graph>();
        const auto loose = std::dynamic_pointer_cast<Hyx::SourceManualOfflineSource>(
            Hyx::FilterFactory::CreateFilter(Hyx::SourceManualOfflineSource::TheTypeGuid(), {}, {}).ToStdSharedPtr());
        const bool declared =
            loose && loose->ClearCacheAndReinitializeProperties(MakeTextureFrame(0, 8, 8), 1, 30.0f, true) &&
            loose->PushFrame({MakeTextureFrame(0, 8, 8)}) && loose->PushFrame({MakeTextureFrame(1, 8, 8)});
        const bool unset = declared && third->AddAndConnect(loose) == Hyx::ActionResult::Success &&
                           third->GetOriginalFps() == 10.0f && third->GetNumFrames() == -1;
        const bool set = unset && third->RemoveAllFilters() == Hyx::ActionResult::Success &&
                         third->AddAndConnect(loose) == Hyx::ActionResult::Success &&
                         third->GetOriginalFps() == 30.0f && third->GetNumFrames() == 2;
        check(unset && set, "a source without the graph as it initialises leaves the graph's rate and count unset");
        third->RemoveAllFilters();
    }
    check(made && made->DeInitialize() == Hyx::HyxErrorCode::Success &&
              made->DePreInitialize() == Hyx::HyxErrorCode::Success && made->getParameters().empty() &&
              !made->setParameterValues({{"Framerate", "40"}}) &&
              second->AddAndConnect(made) == Hyx::ActionResult::Success && made->GetGraph() == second &&
              made->getParameterValue("Framerate") == "40",
          "de-pre-initialised it drops its parameters, takes the values handed in again and joins the other graph");
    // The empty source keeps its "Framerate" across a DePreInitialize: added again with no
    // value handed in, it reads as it did.
    check(second->RemoveAllFilters() == Hyx::ActionResult::Success &&
              made->DePreInitialize() == Hyx::HyxErrorCode::Success && made->getParameters().empty() &&
              second->AddAndConnect(made) == Hyx::ActionResult::Success && made->getParameterValue("Framerate") == "40",
          "a parameter the filter keeps reads as it did once the filter is pre-initialised again");
    check(AddFilter(second, Hyx::TargetEmpty::TheTypeGuid()), "a target joins it");
    // A playing graph refuses a filter; let go deinitialised, it logs nothing.
    check(second->Play(Hyx::PlaybackMode::Realtime) == Hyx::ActionResult::Success, "the second graph plays");
    // Refused by a playing graph, a filter is taken as it is once the graph is stopped.
    {
        const std::shared_ptr<Hyx::Filter> again =
            Hyx::FilterFactory::CreateFilter(Hyx::TargetEmpty::TheTypeGuid(), {}, Hyx::SharedGraphPtr(second))
                .ToStdSharedPtr();
        const bool refused = again && second->AddAndConnect(again) == Hyx::ActionResult::Failure;
        check(refused && second->Stop() == Hyx::ActionResult::Success &&
                  second->AddAndConnect(again) == Hyx::ActionResult::Success &&
                  second->Play(Hyx::PlaybackMode::Realtime) == Hyx::ActionResult::Success,
              "a filter a playing graph refused is taken as it is once the graph is stopped");
        // No built-in filter has "Enable Recording": recording cannot start.
        check(second->StartRecording() == Hyx::ActionResult::Failure,
              "no built-in filter records: StartRecording answers Failure");
    }
    for (const bool deinitialise : {true, false}) {
        CapturedLog log(logger);
        {
            const std::shared_ptr<Hyx::Filter> late =
                Hyx::FilterFactory::CreateFilter(Hyx::TargetEmpty::TheTypeGuid(), {}, Hyx::SharedGraphPtr(second))
                    .ToStdSharedPtr();
            check(late && second->AddAndConnect(late) == Hyx::ActionResult::Failure &&
                      late->GetFilterState() == Hyx::Filter::FilterState::Initialized,
                  "a refused add leaves the filter initialised");
            if (late && deinitialise)
                late->DeInitialize();
        }
        const std::vector<std::string> lines = log.At(VornCommon::LogLevel::Error);
        check(deinitialise ? lines.empty() : lines == std::vector<std::string>{"Filter not properly deinitialized!"},
              "a filter a refused add initialised goes quietly once deinitialised, and logs otherwise");
    }
    second->Stop();
    second->RemoveAllFilters();
}

// The last frame of each stream is kept only while the host has stream selection on.
void runStreamSelection()
{
    auto graph = std::make_shared<Hyx::Graph>();
    check(AddFilter(graph, Hyx::SourceEmptySource::TheTypeGuid()) && AddFilter(graph, Hyx::TargetEmpty::TheTypeGuid()),
          "an empty source into an empty target");
    const std::shared_ptr<Hyx::Filter> source = graph->GetFilter(0u);
    VornCommon::HostSettings* const settings = VornCommon::HostSettings::GetInstance();
    check(graph->Play(Hyx::PlaybackMode::Realtime) == Hyx::ActionResult::Success &&
              graph->Update() == Hyx::ActionResult::Success && source->GetLastProcessedFrame() &&
              source->GetLastProcessedFrames().empty(),
          "stream selection is off by default: no frame per stream");
    settings->SetEnableStreamSelection(true);
    check(graph->Update() == Hyx::ActionResult::Success && source->GetLastProcessedFrames().size() == 1,
          "with stream selection on, one frame per stream");
    const std::map<int, std::shared_ptr<Hyx::Atom>> first = source->GetLastProcessedFrames();
    const std::shared_ptr<Hyx::Atom> kept = first.empty() ? nullptr : first.begin()->second;
    settings->SetEnableStreamSelection(false);
    check(source->GetLastProcessedFrames().empty(), "switched off, empty at once");
    settings->SetEnableStreamSelection(true);
    check(source->GetLastProcessedFrames().size() == 1 && source->GetLastProcessedFrames().begin()->second == kept,
          "switched on again before a frame passed, the frames kept before");
    settings->SetEnableStreamSelection(false);
    check(graph->Update() == Hyx::ActionResult::Success && source->GetLastProcessedFrames().empty() &&
              source->GetLastProcessedFrame() && source->GetLastProcessedFrame() != kept,
          "switched off, empty after the next frame too");
    settings->SetEnableStreamSelection(true);
    check(source->GetLastProcessedFrames().empty(), "switched on after a frame passed: nothing kept from before");
    check(graph->Update() == Hyx::ActionResult::Success && source->GetLastProcessedFrames().size() == 1 &&
              source->GetLastProcessedFrames().begin()->second == source->GetLastProcessedFrame(),
          "then the frames from then on");
    settings->SetEnableStreamSelection(false);
    quote("`VornCommon::HostSettings::GetInstance()->SetEnableStreamSelection(true)`");
    graph->Stop();
    graph->RemoveAllFilters();
}

// The rate codes of SetPlaybackMode and SetGraphFps, read back by GetGraphFps, and the period
// the worker waits, for a source of 100 frames a second and for a graph without a source.
void runPacing()
{
    auto graph = std::make_shared<Hyx::AsyncGraph>();
    float fps = -99.0f;
    check(graph->GetGraphFps(fps) == Hyx::ActionResult::Success && fps == 0.0f && graph->GetFramePeriodMs() == 0,
          "a new AsyncGraph does not pace");
    graph->SetGraphFps(-1.0f);
    check(graph->GetFramePeriodMs() == 0, "without a source a code paces nothing");
    check(AddFilter(graph, Hyx::SourceEmptySource::TheTypeGuid(), {{"Framerate", "100"}}), "the source is added");
    const struct {
        float fps;
        uint32_t periodMs;
    } rates[] = {{0, 0}, {-1, 10}, {-2, 20}, {-3, 5}, {-7, 10}, {-0.5f, 10}, {250, 4}, {2000, 0}};
    for (const auto& rate : rates) {
        fps = -99.0f;
        check(graph->SetPlaybackMode(Hyx::PlaybackMode::Realtime, rate.fps) == Hyx::ActionResult::Success &&
                  graph->GetFramePeriodMs() == rate.periodMs && graph->GetGraphFps(fps) == Hyx::ActionResult::Success &&
                  fps == rate.fps,
              "SetPlaybackMode's rate or code gives the README's period, and GetGraphFps gives it back as given");
        graph->SetGraphFps(0.0f);
        check(graph->SetGraphFps(rate.fps) == Hyx::ActionResult::Success && graph->GetFramePeriodMs() == rate.periodMs,
              "SetGraphFps reads the rate the same way");
    }
    // A NaN or an infinity is no rate: refused, nothing changed.
    check(graph->SetPlaybackMode(Hyx::PlaybackMode::Realtime, 250) == Hyx::ActionResult::Success, "a rate is set");
    for (const float fps : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
        float kept = 0.0f;
        check(graph->SetGraphFps(fps) == Hyx::ActionResult::Failure &&
                  graph->SetPlaybackMode(Hyx::PlaybackMode::ForwardOnce, fps) == Hyx::ActionResult::Failure &&
                  graph->GetGraphFps(kept) == Hyx::ActionResult::Success && kept == 250.0f &&
                  graph->GetFramePeriodMs() == 4,
              "SetGraphFps and SetPlaybackMode refuse a NaN or an infinity and change nothing");
        if (std::isnan(fps)) {
            const std::string refused = graph->GetLastError(false).StdString();
            check(refused == "Graph failed to set a frame rate(nan is not a number of frames a second)",
                  "the refused rate's text");
            quote(refused);
        }
    }
    graph->RemoveAllFilters();
}

// A missing file's line comes as the reader is made; a refused header's with the first
// Initialize, once per reader.
void runReaderLines(const std::shared_ptr<VornCommon::Logger>& logger)
{
    CapturedLog log(logger);
    Hyx::ReadHYX2File missing("takes/missing.hyx");
    const size_t made = log.Count();
    check(made == 1 && missing.Initialize() == Hyx::HyxErrorCode::ReaderNotValid && log.Count() == made,
          "a missing file's line comes as the reader is made, not in Initialize");
    std::ofstream("takes/not-a-take.hyx") << std::string(4096, 'x');
    log.Clear();
    Hyx::ReadHYX2File refused("takes/not-a-take.hyx");
    const size_t beforeInitialize = log.Count();
    const Hyx::HyxErrorCode first = refused.Initialize();
    const size_t afterFirst = log.Count();
    const Hyx::HyxErrorCode second = refused.Initialize();
    check(beforeInitialize == 0 && first == Hyx::HyxErrorCode::ReaderFailedToUnpackHeader && afterFirst == 1 &&
              second == first && log.Count() == 1,
          "a refused header's line comes from the first Initialize, once per reader");

    // A take of another format version is written, and refused by the reader.
    bool written = true;
    for (const auto& [path, version] : {std::pair{"takes/v1000.hyx", Hyx::HYX_FORMAT_VERSION_1000},
                                        std::pair{"takes/v2000.hyx", Hyx::HYX_FORMAT_VERSION_2000}}) {
        Hyx::SerializeToHyx writer(path, true, version);
        written = written && writer.pack_atom(MakeFrame(0, "a")) == Hyx::HyxErrorCode::Success && writer.CloseFile();
    }
    // The same bytes but the version in the header (after the magic's length byte and text).
    std::string v1000 = textOf("takes/v1000.hyx"), v2000 = textOf("takes/v2000.hyx");
    const size_t at = 1 + std::strlen(Hyx::HYX_STREAM_MAGIC);
    check(v1000.size() == v2000.size() && v1000.size() > at + 4 && v1000.compare(at, 4, "\xE8\x03\0\0", 4) == 0 &&
              v1000.replace(at, 4, v2000, at, 4) == v2000,
          "a take of another version holds that number in its header and the same records");
    log.Clear();
    Hyx::ReadHYX2File old("takes/v1000.hyx");
    const Hyx::HyxErrorCode code = old.Initialize();
    const std::string message = Hyx::GetHyxErrorMessage(code);
    const std::string line = "Container file 'takes/v1000.hyx' has the unsupported format version 1000";
    check(written && code == Hyx::HyxErrorCode::ReaderFailedToUnpackHeader && int(code) == 47 &&
              message == "Hyx reader failed to unpack hyx header." &&
              log.At(VornCommon::LogLevel::Error) == std::vector<std::string>{line},
          "a take written with version 1000 is written, and the reader refuses it with 47 and one line");
    quote("(\"" + message + "\")");
    quote("`" + line + "`");
}

// A keeper with every switch off still offers its upstream's first layer: a dropper after it
// has that switch alone.
void runKeeperOffersOneLayer()
{
    // Manual source (stream information and positions) -> keeper, every switch off.
    const auto keeperGraph = [] {
        auto graph = std::make_shared<Hyx::Graph>();
        const auto source = std::dynamic_pointer_cast<Hyx::SourceManualLiveSource>(
            Hyx::FilterFactory::CreateFilter(Hyx::SourceManualLiveSource::TheTypeGuid(), {}, Hyx::SharedGraphPtr(graph))
                .ToStdSharedPtr());
        const bool built = source &&
                           source->ClearCacheAndReinitializeProperties(frameWith(0, somePositions()), 1, 30.0f, true) &&
                           graph->AddAndConnect(source) == Hyx::ActionResult::Success &&
                           AddFilter(graph, Hyx::MutateDataLayersKeeper::TheTypeGuid());
        return built ? graph : nullptr;
    };
    const auto graph = keeperGraph();
    const bool built = graph && AddFilter(graph, Hyx::MutateDataLayersDropper::TheTypeGuid());
    std::vector<std::string> names;
    if (built)
        for (const std::shared_ptr<Hyx::FilterParam>& param : graph->GetLastFilter()->getParameters())
            names.push_back(param->GetName());
    const std::string only = "Drop {VORN4D/StreamInfo/NIL}";
    check(built && names == std::vector<std::string>{only},
          "a dropper after a keeper with every switch off has the first layer's switch alone");
    quote(only);
    const auto offered = built ? graph->GetFilter(1u)->GetAggregatedOutputProfile() : nullptr;
    check(offered && offered->GetDataProfileCount() == 1, "the keeper offers one layer");
    if (graph)
        graph->RemoveAllFilters();

    // A filter that asks for the positions the keeper does not offer is refused.
    const auto other = keeperGraph();
    const VornCommon::Guid positions = Hyx::DataTypeVertexPositions::TheTypeGuid();
    check(other && other->AddAndConnect(std::make_shared<ProfileProbe>(
                       std::make_shared<Hyx::Profile>(VornCommon::Guid(), positions),
                       std::make_shared<Hyx::Profile>(kBoxCenterPurpose, positions))) == Hyx::ActionResult::Failure,
          "after a keeper with every switch off, a filter that asks for another layer is refused");
    const std::string refusal = other ? other->GetLastError(false).StdString() : std::string();
    check(refusal == "Unassigned input profile for filter '$filter$'.", "the refusal is the bare text");
    quote("\"" + refusal + "\"");
    if (other)
        other->RemoveAllFilters();
}

// The pixels of the frame's first RGB texture, as bytes; none without one.
std::vector<uint8_t> pixelsOf(const std::shared_ptr<Hyx::Atom>& frame)
{
    const auto rgb = frame ? std::dynamic_pointer_cast<Hyx::DataTypeTextureRGB>(
                                 frame->GetDataLayerByType(Hyx::DataTypeTextureRGB::TheTypeGuid(), false))
                           : nullptr;
    return rgb && rgb->GetDataPtr()
               ? std::vector<uint8_t>(rgb->GetDataPtr(), rgb->GetDataPtr() + rgb->GetTextureSizeInBytes())
               : std::vector<uint8_t>();
}

// MutateBrighten's way changes what the target gets, never the source's record; a filter that
// changes the texture in place changes the record too.
class BrightenInPlace : public MutateBrighten {
protected:
    Hyx::HyxErrorCode onCreateFrame(std::shared_ptr<Hyx::Atom> input, std::shared_ptr<Hyx::Atom>& output) override
    {
        output = Hyx::Atom::Copy(input, -1, true);
        for (const auto& layer : output->GetDataLayersByType(Hyx::DataTypeTextureRGB::TheTypeGuid())) {
            const auto texture = std::static_pointer_cast<Hyx::DataTypeTextureRGB>(layer);
            std::fill_n(texture->GetDataPtr(), texture->GetTextureSizeInBytes(), uint8_t(192));
        }
        return Hyx::HyxErrorCode::Success;
    }
};

// A host's read of a filter's last frame is a handle of its own: a weak reference to it gives
// the frame as it was read, or nothing; never an emptied or a later one.
void runKeptLastFrames()
{
    auto graph = std::make_shared<Hyx::Graph>();
    const auto source = std::dynamic_pointer_cast<Hyx::SourceManualLiveSource>(
        Hyx::FilterFactory::CreateFilter(Hyx::SourceManualLiveSource::TheTypeGuid(), {}, Hyx::SharedGraphPtr(graph))
            .ToStdSharedPtr());
    bool ok = source && source->ClearCacheAndReinitializeProperties(MakeTextureFrame(0, 8, 8), 1, 30.0f, true) &&
              graph->AddAndConnect(source) == Hyx::ActionResult::Success &&
              AddFilter(graph, Hyx::TargetCallback::TheTypeGuid()) &&
              graph->Play(Hyx::PlaybackMode::Realtime) == Hyx::ActionResult::Success;
    const auto pushAndUpdate = [&](uint32_t frame) {
        ok = ok && source->PushFrame({MakeTextureFrame(frame, 8, 8)});
        for (int i = 0; ok && i < 4; ++i)
            ok = graph->Update() == Hyx::ActionResult::Success;
    };
    pushAndUpdate(1);
    std::shared_ptr<Hyx::Atom> kept = ok ? source->GetLastProcessedFrame() : nullptr;
    const std::weak_ptr<Hyx::Atom> weakKept = kept;
    const std::weak_ptr<Hyx::Atom> weakOnly = ok ? source->GetLastProcessedFrame() : nullptr;
    const uint32_t frame = kept ? kept->GetFrameNr() : 0;
    const size_t layers = kept ? kept->GetAllDataLayers().size() : 0;
    pushAndUpdate(2);
    pushAndUpdate(3);
    std::shared_ptr<Hyx::Atom> again = weakKept.lock();
    check(ok && kept && layers > 0 && again && again->GetFrameNr() == frame &&
              again->GetAllDataLayers().size() == layers,
          "a weak reference beside a kept handle gives the frame as it was read after later frames");
    check(weakOnly.expired(), "a weak reference made from a read that was not kept has expired");
    graph->Stop();
    graph->RemoveAllFilters();
    graph.reset();
    check(kept && kept->GetFrameNr() == frame && kept->GetAllDataLayers().size() == layers,
          "a kept handle stays as it was read after the graph is gone");
    kept.reset();
    check(!weakKept.expired(), "the frame lives while any copy of the handle does");
    again.reset();
    check(weakKept.expired(), "a weak reference expires with the host's last copy of the handle");
    quote("locking it again gives the frame as it was read or nothing, never an emptied or a later frame");
}

void runLayerCopies()
{
    for (const bool inPlace : {false, true}) {
        auto graph = std::make_shared<Hyx::Graph>();
        const auto source = std::dynamic_pointer_cast<Hyx::SourceManualLiveSource>(
            Hyx::FilterFactory::CreateFilter(Hyx::SourceManualLiveSource::TheTypeGuid(), {}, Hyx::SharedGraphPtr(graph))
                .ToStdSharedPtr());
        const std::shared_ptr<MutateBrighten> brighten =
            inPlace ? std::make_shared<BrightenInPlace>() : std::make_shared<MutateBrighten>();
        LastFrame listener;
        bool ok = source && source->ClearCacheAndReinitializeProperties(MakeTextureFrame(0, 8, 8), 1, 30.0f, true) &&
                  graph->AddAndConnect(source) == Hyx::ActionResult::Success &&
                  graph->AddAndConnect(brighten) == Hyx::ActionResult::Success &&
                  AddFilter(graph, Hyx::TargetCallback::TheTypeGuid());
        const auto target = std::dynamic_pointer_cast<Hyx::TargetCallback>(graph->GetLastFilter());
        ok = ok && target;
        if (ok)
            target->SetAtomsListener(&listener);
        ok = ok && graph->Play(Hyx::PlaybackMode::Realtime) == Hyx::ActionResult::Success &&
             source->PushFrame({MakeTextureFrame(1, 8, 8)});
        for (int i = 0; ok && !listener.last && i < 8; ++i)
            ok = graph->Update() == Hyx::ActionResult::Success;
        const std::vector<uint8_t> grey(8 * 8 * 3, 128), brighter(8 * 8 * 3, 192);
        const std::vector<uint8_t> recorded = ok ? pixelsOf(source->GetLastProcessedFrame()) : std::vector<uint8_t>();
        check(ok && pixelsOf(listener.last) == brighter && recorded == (inPlace ? brighter : grey),
              inPlace ? "a filter that changes a layer in place changes the source's record too"
                      : "MutateBrighten hands on brighter pixels while the source's record keeps its own");
        graph->Stop();
        check(brighten->stops == 1, "its onStop ran, and the base hook through its qualified name");
        check(!source->GetLastProcessedFrame(), "a stop forgets every filter's last frame");
        if (target)
            target->SetAtomsListener(nullptr);
        graph->RemoveAllFilters();
    }
    quote("the target pixels of 192, while the source's `GetLastProcessedFrame()` still shows 128");
    // A copy keeps class, purpose, version and bytes; a layer of an unregistered class has none.
    const auto texture = rgbOf(MakeTextureFrame(0, 8, 8));
    const auto copy = std::dynamic_pointer_cast<Hyx::DataTypeTextureRGB>(CopyLayer(texture));
    check(copy && copy != texture && copy->GetPurposeGuid() == texture->GetPurposeGuid() &&
              copy->GetVersion() == texture->GetVersion() && copy->GetWidth() == 8 && copy->GetHeight() == 8 &&
              copy->GetDataPtr() != texture->GetDataPtr() &&
              std::equal(copy->GetDataPtr(), copy->GetDataPtr() + 192, texture->GetDataPtr()),
          "CopyLayer gives a texture of its own with the same purpose, version and pixels");
    auto cameras = std::make_shared<Hyx::DataTypeCameraParams>();
    cameras->GetColorCameraParams().width = 640;
    const auto cameraCopy = std::dynamic_pointer_cast<Hyx::DataTypeCameraParams>(CopyLayer(cameras));
    check(cameraCopy && cameraCopy->GetColorCameraParams().width == 640, "CopyLayer copies camera parameters");
    auto readOnly = std::make_shared<Hyx::DataTypeCameraParams>();
    readOnly->CopyValuesFrom(cameras);
    check(readOnly->GetColorCameraParams().width == 640, "CopyValuesFrom copies camera parameters too");

    // Compressed layers: a copy keeps the three compression fields and decodes as the original
    // does; one given the bytes alone names no layer to decode into.
    auto codedTexture = std::make_shared<Hyx::DataTypeCompressedTexture>();
    codedTexture->InitializeHeader(texture->GetPurposeGuid());
    auto codedPositions = std::make_shared<Hyx::DataTypeCompressedVertexPositions>();
    codedPositions->InitializeHeader(Hyx::HYXPurposeGuids::VORN4D);
    bool coded = false;
    try {
        coded = codedTexture->compress(texture, codedTexture->GetRecommendedCompression(texture)) &&
                codedPositions->compress(somePositions().front(), 1);
    } catch (const std::exception& e) {
        check(false, e.what());
    }
    check(coded, "a texture and positions compress");
    const auto bytesOf = [](const std::shared_ptr<Hyx::DataLayer>& layer) {
        uint32_t size = 0;
        const uint8_t* data = layer ? layer->Serialize(size) : nullptr;
        return data ? std::vector<uint8_t>(data, data + size) : std::vector<uint8_t>();
    };
    for (const std::shared_ptr<Hyx::DataTypeCompressedBlob>& original :
         {std::shared_ptr<Hyx::DataTypeCompressedBlob>(codedTexture),
          std::shared_ptr<Hyx::DataTypeCompressedBlob>(codedPositions)}) {
        const auto copy = std::dynamic_pointer_cast<Hyx::DataTypeCompressedBlob>(CopyLayer(original));
        check(copy && copy != original && copy->TypeGuid() == original->TypeGuid() &&
                  !original->GetCompressedBlobTypeGuid().IsNil() &&
                  copy->GetCompressedBlobTypeGuid() == original->GetCompressedBlobTypeGuid() &&
                  copy->GetCompressedBlobVersion() == original->GetCompressedBlobVersion() &&
                  copy->GetCompressionType() == original->GetCompressionType() && copy->GetCompressionType() != 0,
              "CopyLayer keeps a compressed layer's three compression fields");
        std::shared_ptr<Hyx::DataLayer> decoded, expected;
        try {
            expected = original->decompress();
            decoded = copy ? copy->decompress() : nullptr;
        } catch (const std::exception& e) {
            check(false, e.what());
        }
        check(decoded && expected && decoded->TypeGuid() == original->GetCompressedBlobTypeGuid() &&
                  decoded->TypeGuid() == expected->TypeGuid() && !bytesOf(decoded).empty() &&
                  bytesOf(decoded) == bytesOf(expected),
              "a compressed layer's copy decodes as the original does");
        // The bytes alone, without the three fields.
        const auto bare = std::dynamic_pointer_cast<Hyx::DataTypeCompressedBlob>(
            Hyx::DataLayerFactory::CreateDataLayer(original->TypeGuid(), original->GetPurposeGuid(),
                                                   original->GetVersion())
                .ToStdSharedPtr());
        const std::vector<uint8_t> bytes = bytesOf(original);
        bool loaded = false, thrown = false;
        if (uint8_t* into = bare ? bare->AllocateData(uint32_t(bytes.size())) : nullptr) {
            std::copy(bytes.begin(), bytes.end(), into);
            loaded = bare->InitializeData(into, uint32_t(bytes.size()));
            try {
                bare->decompress();
            } catch (const std::exception&) {
                thrown = true;
            }
        }
        check(loaded && bare->GetCompressedBlobTypeGuid().IsNil() && thrown,
              "a compressed layer's copy without its fields names no layer to decode into and its decompress() throws");
    }
}

// Number parameters read a text's leading number.
void runNumberTexts()
{
    Hyx::FilterParamFloat real("float", 0, 1.0f, 0.0f, 10.0f);
    for (const auto& [text, read] : {std::pair<const char*, const char*>{"0x10", "16"},
                                     {"inf", "inf"},
                                     {"nan", "nan"},
                                     {"fast", "0"},
                                     {"12abc", "12"}}) {
        real.SetValueAsString(text);
        check(real.GetValueAsString() == read, "a float parameter reads a text's leading number");
    }
    Hyx::FilterParamInt32 integer("int32", 0, 5, 0, 100);
    for (const auto& [text, read] : {std::pair<const char*, int>{"12abc", 12}, {"0x10", 0}, {"1e3", 1}, {"-1", -1}}) {
        integer.SetValueAsString(text);
        check(integer.GetValue() == read, "an integer parameter reads a text's leading whole number");
    }
    Hyx::FilterParamUInt32 natural("uint32", 0, 5, 0, 100);
    natural.SetValueAsString("-1");
    check(natural.GetValue() == 4294967295u, "an unsigned parameter reads \"-1\" as 4294967295");
    const auto raises = [&](const char* text, const auto& exception) {
        try {
            natural.SetValueAsString(text);
        } catch (const std::exception& e) {
            return typeid(e) == typeid(exception) && natural.GetValue() == 4294967295u;
        }
        return false;
    };
    check(raises("abc", std::invalid_argument("")) && raises("99999999999", std::out_of_range("")),
          "an integer parameter refuses a text without a digit and a number beyond its type");
    quote("\"12abc\" as 12, \"0x10\" as 0 and \"1e3\" as 1");
    quote("\"-1\" as 4294967295");
}

// Opens once; a pass waits for it ten seconds at most, so a fault fails instead of hanging.
class Gate {
public:
    void Open()
    {
        {
            std::lock_guard<std::mutex> lock(_mutex);
            _open = true;
        }
        _opened.notify_all();
    }
    bool Pass()
    {
        std::unique_lock<std::mutex> lock(_mutex);
        return _opened.wait_for(lock, std::chrono::seconds(10), [&] { return _open; });
    }

private:
    std::mutex _mutex;
    std::condition_variable _opened;
    bool _open = false;
};

// A transform whose onPlay, onPause or onStop refuses (a failure code) or throws once it is
// armed, or first runs a call of the host's, and that may fail a frame; it names itself as the
// class it is given. Its onStop may wait for another thread as a waiting hook does.
class TransformFlush : public Hyx::Transform {
public:
    enum class How {
        Works,
        Throws,
        Refuses
    };
    struct Arm {
        std::atomic<How> how{How::Works};
        std::atomic<int> times{0};
        std::function<void()> call; // runs first in each such hook; set while no walk runs
    };

    explicit TransformFlush(const char* className = "TransformFlush",
                            VornCommon::Guid purpose = Hyx::GuidLiteral("5C0A7E51-0000-4000-8000-0000000000D1"),
                            const char* stopText = "cannot flush")
        : _className(className), _purpose(purpose), _stopText(stopText)
    {
        _requestedInputProfile =
            std::make_shared<Hyx::Profile>(VornCommon::Guid(), Hyx::DataTypeVertexPositions::TheTypeGuid());
    }
    VornCommon::Guid TypeGuid() const override { return Hyx::GuidLiteral("5C0A7E51-0000-4000-8000-0000000000F7"); }
    Hyx::FilterClassInfo GetFilterClassInfo() const override
    {
        return Hyx::FilterClassInfo(_className.c_str(), Hyx::FilterCategory::Transform);
    }

    Arm play, pause, stop;
    std::atomic<int> failFrame{-1}; // the frame number whose processing fails, once
    std::atomic<int> pauseFrame{-1}; // the frame number at which it pauses its graph, once
    std::atomic<int> stopFrame{-1}; // the frame number at which it stops its graph, once
    std::function<void(uint32_t)> beforeFrame; // runs first for each frame; set before playing
    std::atomic<bool> stopWaits{false}; // the next onStop waits for a result that never comes
    Gate waiting; // opened as that wait begins
    std::atomic<bool> waitSawStop{false}; // the wait ended because IsGraphStopRequested() read true

protected:
    std::shared_ptr<Hyx::Profile> onGenerateOutputProfile(Hyx::Filter*, std::shared_ptr<Hyx::Profile>) override
    {
        return std::make_shared<Hyx::Profile>(_purpose, Hyx::DataTypeByteArray::TheTypeGuid());
    }
    Hyx::HyxErrorCode onProcessFrame(std::shared_ptr<Hyx::Atom> atom) override
    {
        if (beforeFrame)
            beforeFrame(atom->GetFrameNr());
        int frame = int(atom->GetFrameNr());
        if (failFrame.compare_exchange_strong(frame, -1))
            return ReportError(Hyx::HyxErrorCode::FilterError, "bad frame");
        frame = int(atom->GetFrameNr());
        if (pauseFrame.compare_exchange_strong(frame, -1))
            GetGraph()->Pause(); // what it throws leaves the pass
        frame = int(atom->GetFrameNr());
        if (stopFrame.compare_exchange_strong(frame, -1))
            GetGraph()->Stop(); // what it throws leaves the pass
        return Hyx::HyxErrorCode::Success;
    }
    Hyx::HyxErrorCode onPlay() override { return fire(play, "cannot open"); }
    Hyx::HyxErrorCode onPause() override { return fire(pause, "cannot hold"); }
    Hyx::HyxErrorCode onStop() override
    {
        if (stopWaits.exchange(false)) {
            // Nothing delivers the result: only a stop asked of the graph ends the wait. The
            // ten seconds are the test's, so that a wait nothing ends fails instead of hanging.
            waiting.Open();
            const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            bool asked = false;
            while (!(asked = IsGraphStopRequested()) && std::chrono::steady_clock::now() < limit)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            waitSawStop = asked;
        }
        return fire(stop, _stopText.c_str());
    }

private:
    Hyx::HyxErrorCode fire(Arm& arm, const char* what)
    {
        if (arm.call)
            arm.call();
        if (arm.how == How::Works || arm.times.fetch_sub(1) <= 0)
            return Hyx::HyxErrorCode::Success;
        if (arm.how == How::Throws)
            throw std::runtime_error(what);
        return ReportError(Hyx::HyxErrorCode::FilterError, what);
    }
    const std::string _className;
    const VornCommon::Guid _purpose;
    const std::string _stopText;
};

// The frame numbers a callback target hands over, from any thread.
class FrameList : public Hyx::IAtomsListener {
public:
    void OnAtomsReceived(std::vector<std::shared_ptr<Hyx::Atom>>& atoms) override
    {
        std::lock_guard<std::mutex> lock(_mutex);
        _frames.push_back(atoms.front()->GetFrameNr());
    }
    std::vector<uint32_t> Take()
    {
        std::lock_guard<std::mutex> lock(_mutex);
        return std::exchange(_frames, {});
    }
    size_t Count()
    {
        std::lock_guard<std::mutex> lock(_mutex);
        return _frames.size();
    }

private:
    std::mutex _mutex;
    std::vector<uint32_t> _frames;
};

// The states a graph-event listener hears, from any thread; one that throws on Stopped when
// told to.
class StateList : public Hyx::Graph::Events {
public:
    using State = Hyx::Graph::GraphState;
    void onGraphStateChanged(State state) override
    {
        {
            std::lock_guard<std::mutex> lock(_mutex);
            _states.push_back(state);
        }
        if ((state == State::Stopped && throwOnStopped.exchange(false)) ||
            (state == State::Paused && throwOnPaused.exchange(false)))
            throw std::runtime_error("listener says no");
    }
    std::vector<State> Take()
    {
        std::lock_guard<std::mutex> lock(_mutex);
        return std::exchange(_states, {});
    }
    std::vector<State> Peek()
    {
        std::lock_guard<std::mutex> lock(_mutex);
        return _states;
    }
    bool Heard(State state)
    {
        std::lock_guard<std::mutex> lock(_mutex);
        return std::find(_states.begin(), _states.end(), state) != _states.end();
    }
    std::atomic<bool> throwOnStopped{false};
    std::atomic<bool> throwOnPaused{false};

private:
    std::mutex _mutex;
    std::vector<State> _states;
};

// The first frame of a list; -1 for none.
int64_t firstOf(const std::vector<uint32_t>& frames)
{
    return frames.empty() ? -1 : int64_t(frames.front());
}

// The last state of a list; none when it is empty.
std::optional<Hyx::Graph::GraphState> lastOf(const std::vector<Hyx::Graph::GraphState>& states)
{
    return states.empty() ? std::nullopt : std::optional(states.back());
}

bool waitFor(const std::function<bool()>& done)
{
    for (int i = 0; i < 1000 && !done(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return done();
}

// Adds offline source of `frames` frames -> the transforms -> callback target (into `list`) to
// the graph; true when all joined. The source is the factory's unless one of the host's own is
// given.
template <class G>
bool addFlushChain(const std::shared_ptr<G>& graph, unsigned frames,
                   const std::vector<std::shared_ptr<TransformFlush>>& transforms, FrameList& list,
                   std::shared_ptr<Hyx::SourceManualOfflineSource> source = {})
{
    if (!source)
        source = std::dynamic_pointer_cast<Hyx::SourceManualOfflineSource>(
            Hyx::FilterFactory::CreateFilter(Hyx::SourceManualOfflineSource::TheTypeGuid(), {},
                                             Hyx::SharedGraphPtr(graph))
                .ToStdSharedPtr());
    bool ok = source && source->ClearCacheAndReinitializeProperties(makeFrame(0), 1, 30.0f, true);
    for (unsigned i = 0; ok && i < frames; ++i)
        ok = source->PushFrame({makeFrame(i)});
    ok = ok && graph->AddAndConnect(source) == Hyx::ActionResult::Success;
    for (const auto& transform : transforms)
        ok = ok && graph->AddAndConnect(transform) == Hyx::ActionResult::Success;
    ok = ok && AddFilter(graph, Hyx::TargetCallback::TheTypeGuid());
    const auto target = std::dynamic_pointer_cast<Hyx::TargetCallback>(graph->GetLastFilter());
    if (target)
        target->SetAtomsListener(&list);
    return ok && target;
}

// A new graph of addFlushChain's chain.
template <class G>
std::shared_ptr<G> flushGraph(unsigned frames, const std::vector<std::shared_ptr<TransformFlush>>& transforms,
                              FrameList& list, std::shared_ptr<Hyx::SourceManualOfflineSource> source = {})
{
    auto graph = std::make_shared<G>();
    check(addFlushChain(graph, frames, transforms, list, std::move(source)),
          "a graph of an offline source, the transforms and a callback target is built");
    return graph;
}

bool isAsync(const Hyx::Graph& graph)
{
    return dynamic_cast<const Hyx::AsyncGraph*>(&graph) != nullptr;
}

// Plays the graph looping over its frames until some came: on a worker paced to 200 frames a
// second, or by three updates on this thread.
bool playLooping(Hyx::Graph& graph, FrameList& list)
{
    if (auto async = dynamic_cast<Hyx::AsyncGraph*>(&graph)) {
        return async->SetPlaybackMode(Hyx::PlaybackMode::ForwardLoop, 200) == Hyx::ActionResult::Success &&
               async->Play() == Hyx::ActionResult::Success && waitFor([&] { return list.Count() >= 3; });
    }
    bool ok = graph.Play(Hyx::PlaybackMode::ForwardLoop) == Hyx::ActionResult::Success;
    for (int i = 0; ok && i < 3; ++i)
        ok = graph.Update() == Hyx::ActionResult::Success;
    return ok;
}

// True when frames flow from a playing graph: three more come.
bool framesFlow(Hyx::Graph& graph, FrameList& list)
{
    const size_t before = list.Count();
    if (isAsync(graph))
        return waitFor([&] { return list.Count() >= before + 3; });
    for (int i = 0; i < 3; ++i)
        if (graph.Update() != Hyx::ActionResult::Success)
            return false;
    return list.Count() >= before + 3;
}

// Runs the call; what it threw (empty when it threw nothing), and its answer.
std::string thrownBy(const std::function<Hyx::ActionResult()>& call, Hyx::ActionResult* result = nullptr)
{
    try {
        const Hyx::ActionResult answer = call();
        if (result)
            *result = answer;
        return {};
    } catch (const std::exception& e) {
        return e.what();
    }
}

// The worker's own end, whose stop meets an onStop that throws or refuses (after a run that
// was done, or failed): listeners hear Error then Stopped, the graph keeps the text. While the
// filter keeps failing, each Play and Play(mode) plays nothing: it throws or answers Failure
// with its text, the graph stays Stopped and listeners hear nothing. Once it stops, the next
// Play and Play(mode) play every frame again.
void runWorkerEnds(const std::shared_ptr<VornCommon::Logger>& logger)
{
    using State = Hyx::Graph::GraphState;
    using How = TransformFlush::How;
    const std::string thrownText = "Graph failed to stop(Filter 'Flush' threw: cannot flush)";
    const struct {
        How how;
        int times; // the onStop calls that fail
        bool updateFails;
        const char* textStart;
        std::vector<std::string> lines;
    } ends[] = {
        {How::Throws, 1, false, thrownText.c_str(), {"AsyncGraph: " + thrownText}},
        {How::Refuses, 1, false, "Graph failed to stop(Filter 'Flush' error: ", {}},
        {How::Throws, 1, true, "Graph update failed(Filter 'Flush' error: ", {"AsyncGraph: " + thrownText}},
        {How::Throws, 1000, false, thrownText.c_str(), {"AsyncGraph: " + thrownText}},
        {How::Refuses, 1000, false, "Graph failed to stop(Filter 'Flush' error: ", {}},
    };
    const std::vector<uint32_t> everyFrame = {0, 1, 2, 3, 4, 5};
    for (const auto& end : ends) {
        CapturedLog log(logger);
        FrameList frames;
        StateList states;
        const auto flush = std::make_shared<TransformFlush>();
        const auto graph = flushGraph<Hyx::AsyncGraph>(6, {flush}, frames);
        graph->_graphEvents.Add(&states);
        flush->stop.how = end.how;
        flush->stop.times = end.times;
        if (end.updateFails)
            flush->failFrame = 3;
        check(graph->SetPlaybackMode(Hyx::PlaybackMode::ForwardOnce, 0) == Hyx::ActionResult::Success &&
                  graph->Play() == Hyx::ActionResult::Success && waitFor([&] { return states.Heard(State::Stopped); }),
              "a forward-once run on the worker ends");
        const std::string text = graph->GetLastError(false).StdString();
        check(states.Take() == std::vector<State>{State::Playing, State::Error, State::Stopped} && graph->IsStopped(),
              "when the worker's own stop fails, listeners hear Error, then Stopped, and the graph reads Stopped");
        check(text.rfind(end.textStart, 0) == 0, "the graph keeps the stop's text, or the failed update's");
        check(log.At(VornCommon::LogLevel::Error) == end.lines, "a filter that threw in the stop gives one line");
        if (!end.updateFails && end.how == How::Throws) {
            quote(text);
            quote(end.lines.front());
        }
        frames.Take();
        for (int i = 0; end.times > 1 && i < 2; ++i) {
            Hyx::ActionResult result = Hyx::ActionResult::Success;
            const std::string thrown =
                thrownBy([&] { return i == 0 ? graph->Play() : graph->Play(Hyx::PlaybackMode::ForwardOnce); }, &result);
            const std::string playText = graph->GetLastError(false).StdString();
            const std::string expected = end.how == How::Throws
                                             ? "Graph failed to start playing(Filter 'Flush' threw: cannot flush)"
                                             : "Graph failed to start playing(Filter 'Flush' error: ";
            check((end.how == How::Throws ? thrown == "cannot flush"
                                          : thrown.empty() && result == Hyx::ActionResult::Failure) &&
                      playText.rfind(expected, 0) == 0 && graph->IsStopped(),
                  "while the filter keeps failing, Play throws its exception on or answers Failure, and the graph "
                  "stays Stopped");
            if (end.how == How::Throws)
                quote(playText);
        }
        if (end.times > 1) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            check(states.Take().empty() && frames.Take().empty(), "a Play that failed so plays nothing, told nothing");
            flush->stop.times = 0; // the filter stops from now on
        }
        check(graph->Play() == Hyx::ActionResult::Success && waitFor([&] { return states.Heard(State::Stopped); }) &&
                  frames.Take() == everyFrame && states.Take() == std::vector<State>{State::Playing, State::Stopped},
              "after the failed stop the next Play plays the whole run again");
        check(graph->Play(Hyx::PlaybackMode::ForwardOnce) == Hyx::ActionResult::Success &&
                  waitFor([&] { return states.Heard(State::Stopped); }) && frames.Take() == everyFrame,
              "so does Play with a mode");
        graph->_graphEvents.Remove(&states);
        graph->RemoveAllFilters();
    }
}

// The host's Stop, Pause and Play meeting a hook that throws or refuses, on both kinds of
// graph; StopGraph stops either.
template <class G>
void runHostCalls()
{
    using State = Hyx::Graph::GraphState;
    using How = TransformFlush::How;
    const bool async = std::is_same_v<G, Hyx::AsyncGraph>;
    for (const How how : {How::Throws, How::Refuses}) {
        const bool throws = how == How::Throws;
        // Stop.
        {
            FrameList frames;
            StateList states;
            const auto flush = std::make_shared<TransformFlush>();
            const auto graph = flushGraph<G>(6, {flush}, frames);
            graph->_graphEvents.Add(&states);
            check(playLooping(*graph, frames), "the graph plays");
            flush->stop.how = how;
            flush->stop.times = 1;
            Hyx::ActionResult result = Hyx::ActionResult::Success;
            const std::string thrown = thrownBy([&] { return graph->Stop(); }, &result);
            const std::string text = graph->GetLastError(false).StdString();
            check(throws ? thrown == "cannot flush" : thrown.empty() && result == Hyx::ActionResult::Failure,
                  "a Stop whose filter throws passes the exception on, one that refuses answers Failure");
            check(throws ? text == "Graph failed to stop(Filter 'Flush' threw: cannot flush)"
                         : text.rfind("Graph failed to stop(Filter 'Flush' error: ", 0) == 0,
                  "the failed Stop's text names the filter");
            quote(text.substr(0, text.find('(') + 1)); // the call's prefix, as the README lists them
            if (async) {
                check(graph->IsStopped() && lastOf(states.Take()) == State::Stopped,
                      "an AsyncGraph reads Stopped after a failed Stop, and its listeners hear it");
            } else {
                check(graph->IsPlaying() && states.Take() == std::vector<State>{State::Playing},
                      "a Graph keeps its state after a failed Stop, and its listeners hear nothing");
                check(graph->Play() == Hyx::ActionResult::Success && graph->Update() == Hyx::ActionResult::Failure,
                      "a Play then answers Success and plays nothing: Update fails");
                check(graph->Stop() == Hyx::ActionResult::Success && graph->IsStopped(),
                      "a second Stop stops what is left");
            }
            frames.Take();
            check(playLooping(*graph, frames) && firstOf(frames.Take()) == 0, "the next Play plays a new run");
            flush->stop.how = how;
            flush->stop.times = 1;
            check(StopGraph(*graph), "StopGraph stops the graph past a filter that fails once");
            graph->_graphEvents.Remove(&states);
            graph->RemoveAllFilters();
        }
        // Pause: the filters paused play again, and the graph plays on.
        {
            FrameList frames;
            StateList states;
            const auto flush = std::make_shared<TransformFlush>();
            const auto graph = flushGraph<G>(6, {flush}, frames);
            graph->_graphEvents.Add(&states);
            check(playLooping(*graph, frames), "the graph plays");
            flush->pause.how = how;
            flush->pause.times = 1;
            Hyx::ActionResult result = Hyx::ActionResult::Success;
            const std::string thrown = thrownBy([&] { return graph->Pause(); }, &result);
            check(throws ? thrown == "cannot hold" : thrown.empty() && result == Hyx::ActionResult::Failure,
                  "a Pause whose filter throws passes the exception on, one that refuses answers Failure");
            const std::string text = graph->GetLastError(false).StdString();
            check(throws ? text == "Graph failed to pause(Filter 'Flush' threw: cannot hold)"
                         : text.rfind("Graph failed to pause(Filter 'Flush' error: ", 0) == 0,
                  "the failed Pause's text names the filter");
            quote(text.substr(0, text.find('(') + 1)); // the call's prefix, as the README lists them
            check(graph->IsPlaying() && framesFlow(*graph, frames) &&
                      states.Take() == std::vector<State>{State::Playing},
                  "after a failed Pause the graph plays on, and its listeners hear no change");
            check(StopGraph(*graph), "StopGraph stops it");
            graph->_graphEvents.Remove(&states);
            graph->RemoveAllFilters();
        }
        // Play: the filters started stop again, and the graph stays stopped.
        {
            FrameList frames;
            StateList states;
            const auto flush = std::make_shared<TransformFlush>();
            const auto graph = flushGraph<G>(6, {flush}, frames);
            graph->_graphEvents.Add(&states);
            flush->play.how = how;
            flush->play.times = 1;
            Hyx::ActionResult result = Hyx::ActionResult::Success;
            const std::string thrown = thrownBy(
                [&] {
                    if constexpr (std::is_same_v<G, Hyx::AsyncGraph>)
                        graph->SetPlaybackMode(Hyx::PlaybackMode::ForwardLoop, 200);
                    return graph->Play(Hyx::PlaybackMode::ForwardLoop);
                },
                &result);
            check(throws ? thrown == "cannot open" : thrown.empty() && result == Hyx::ActionResult::Failure,
                  "a Play whose filter throws passes the exception on, one that refuses answers Failure");
            const std::string text = graph->GetLastError(false).StdString();
            check(throws ? text == "Graph failed to start playing(Filter 'Flush' threw: cannot open)"
                         : text.rfind("Graph failed to start playing(Filter 'Flush' error: ", 0) == 0,
                  "the failed Play's text names the filter");
            quote(text.substr(0, text.find('(') + 1)); // the call's prefix, as the README lists them
            check(graph->IsStopped() && states.Take().empty() &&
                      graph->GetFilter(0u)->GetFilterState() != Hyx::Filter::FilterState::Playing,
                  "after a failed Play the graph stays stopped, its filters too, and its listeners hear nothing");
            check(playLooping(*graph, frames) && firstOf(frames.Take()) == 0, "the next Play plays");
            check(StopGraph(*graph), "StopGraph stops it");
            graph->_graphEvents.Remove(&states);
            graph->RemoveAllFilters();
        }
    }
    // An AsyncGraph's filter that refuses its stop twice: the next Play fails with its text,
    // and a Stop or Play after that tries again.
    if constexpr (std::is_same_v<G, Hyx::AsyncGraph>) {
        FrameList frames;
        const auto flush = std::make_shared<TransformFlush>();
        const auto graph = flushGraph<G>(6, {flush}, frames);
        check(playLooping(*graph, frames), "the graph plays");
        flush->stop.how = How::Refuses;
        flush->stop.times = 2;
        check(graph->Stop() == Hyx::ActionResult::Failure && graph->IsStopped(), "the first Stop fails, stopped");
        const std::string stopText = graph->GetLastError(false).StdString();
        const std::string filterText = stopText.substr(std::string("Graph failed to stop(").size());
        check(graph->Play() == Hyx::ActionResult::Failure && graph->IsStopped() &&
                  graph->GetLastError(false).StdString() == "Graph failed to start playing(" + filterText,
              "a Play whose leftover filter refuses again fails with its text, and the graph stays stopped");
        frames.Take();
        check(graph->Stop() == Hyx::ActionResult::Success && playLooping(*graph, frames) && firstOf(frames.Take()) == 0,
              "the next Stop stops it, and Play plays a new run");
        check(StopGraph(*graph), "StopGraph stops it");
        graph->RemoveAllFilters();
    }
    // A filter that keeps failing its stop: a second Stop fails again, a Graph still reads
    // Playing and an AsyncGraph Stopped, and StopGraph answers false; once the filter stops,
    // StopGraph answers true and the graph reads Stopped.
    for (const How how : {How::Throws, How::Refuses}) {
        FrameList frames;
        const auto flush = std::make_shared<TransformFlush>();
        const auto graph = flushGraph<G>(6, {flush}, frames);
        check(playLooping(*graph, frames), "the graph plays");
        flush->stop.how = how;
        flush->stop.times = 1000;
        for (int i = 0; i < 2; ++i) {
            Hyx::ActionResult result = Hyx::ActionResult::Success;
            const std::string thrown = thrownBy([&] { return graph->Stop(); }, &result);
            check((how == How::Throws ? thrown == "cannot flush" : result == Hyx::ActionResult::Failure) &&
                      graph->IsStopped() == async && graph->IsPlaying() == !async,
                  "each Stop fails while the filter keeps failing: a Graph reads Playing, an AsyncGraph Stopped");
        }
        check(!StopGraph(*graph) && flush->GetFilterState() == Hyx::Filter::FilterState::Playing,
              "StopGraph answers false while the filter keeps failing");
        flush->stop.times = 0;
        check(StopGraph(*graph) && graph->IsStopped() && flush->GetFilterState() == Hyx::Filter::FilterState::Connected,
              "once the filter stops, StopGraph stops it and answers true");
        graph->RemoveAllFilters();
    }
}

// A Pause a filter calls inside the pass, where another filter's onPause throws: on the
// host's thread the exception leaves Update with the Pause's text and the graph plays on; on
// the worker it ends the run, naming the filter that threw.
template <class G>
void runPauseInsidePass()
{
    using State = Hyx::Graph::GraphState;
    FrameList frames;
    StateList states;
    const auto flush = std::make_shared<TransformFlush>();
    const auto asker =
        std::make_shared<TransformFlush>("TransformAsker", Hyx::GuidLiteral("5C0A7E51-0000-4000-8000-0000000000D5"));
    const auto graph = flushGraph<G>(6, {flush, asker}, frames);
    graph->_graphEvents.Add(&states);
    check(playLooping(*graph, frames), "the graph plays");
    flush->pause.how = TransformFlush::How::Throws;
    flush->pause.times = 1;
    asker->pauseFrame = 4;
    if constexpr (std::is_same_v<G, Hyx::AsyncGraph>) {
        check(waitFor([&] { return states.Heard(State::Stopped); }) && graph->IsStopped() &&
                  graph->GetLastError(false).StdString() == "Graph update failed(Filter 'Flush' threw: cannot hold)" &&
                  states.Take() == std::vector<State>{State::Playing, State::Error, State::Stopped},
              "on the worker a Pause inside the pass that a filter throws in ends the run");
        frames.Take();
        check(graph->Play() == Hyx::ActionResult::Success && waitFor([&] { return frames.Count() >= 3; }) &&
                  firstOf(frames.Take()) == 0,
              "after a run that an exception ended, the next Play plays a new run from the start");
    } else {
        std::string thrown;
        for (int i = 0; i < 6 && thrown.empty(); ++i)
            thrown = thrownBy([&] { return graph->Update(); });
        check(thrown == "cannot hold" &&
                  graph->GetLastError(false).StdString() == "Graph failed to pause(Filter 'Flush' threw: cannot hold)",
              "on the host's thread the exception leaves Update, and the graph keeps the Pause's text");
        check(graph->IsPlaying() && framesFlow(*graph, frames), "the graph plays on");
    }
    check(StopGraph(*graph), "StopGraph stops it");
    graph->_graphEvents.Remove(&states);
    graph->RemoveAllFilters();
}

// A Stop goes on past a filter that refuses and one that throws: every other filter stops,
// the text names the first failure, and the exception thrown is the first one thrown.
template <class G>
void runStopPastFailures()
{
    FrameList frames;
    const auto first =
        std::make_shared<TransformFlush>("TransformFirst", Hyx::GuidLiteral("5C0A7E51-0000-4000-8000-0000000000D2"));
    const auto second = std::make_shared<TransformFlush>(
        "TransformSecond", Hyx::GuidLiteral("5C0A7E51-0000-4000-8000-0000000000D3"), "second cannot flush");
    const auto third =
        std::make_shared<TransformFlush>("TransformThird", Hyx::GuidLiteral("5C0A7E51-0000-4000-8000-0000000000D4"));
    const auto graph = flushGraph<G>(6, {first, second, third}, frames);
    check(playLooping(*graph, frames), "the graph of three transforms plays");
    first->stop.how = TransformFlush::How::Refuses;
    first->stop.times = 1;
    second->stop.how = TransformFlush::How::Throws;
    second->stop.times = 1;
    check(thrownBy([&] { return graph->Stop(); }) == "second cannot flush", "the first exception thrown passes on");
    check(graph->GetLastError(false).StdString().rfind("Graph failed to stop(Filter 'First' error: ", 0) == 0,
          "the text names the first failure in list order");
    const auto connected = Hyx::Filter::FilterState::Connected;
    check(graph->GetFilter(0u)->GetFilterState() == connected && third->GetFilterState() == connected &&
              graph->GetLastFilter()->GetFilterState() == connected,
          "every other filter is stopped");
    check(StopGraph(*graph), "StopGraph stops the rest");
    graph->RemoveAllFilters();
}

// A graph destroyed while it plays: nothing ends the process, and each step that fails gives
// one line: the stop (unless the graph reads Stopped), the removal of a filter that throws
// or refuses again, and the filter that never stopped as it goes; a filter the host holds
// reads Playing.
template <class G>
void runDestroyedWhilePlaying(const std::shared_ptr<VornCommon::Logger>& logger)
{
    using How = TransformFlush::How;
    const bool async = std::is_same_v<G, Hyx::AsyncGraph>;
    const std::string prefix = async ? "AsyncGraph: " : "";
    const std::string thrown = "Graph failed to stop(Filter 'Flush' threw: cannot flush)";
    const std::string refused = "Graph failed to stop(Filter 'Flush' error: ";
    const std::string removal = "Graph failed to remove a filter(Filter 'Flush' threw: cannot flush)";
    const std::string refusedRemoval = "Graph failed to remove a filter(Filter 'Flush' error: ";
    const std::string unstopped = "Filter not properly deinitialized!";
    using Lines = std::vector<std::string>;
    const struct {
        How how;
        int times; // the onStop calls that fail
        bool stopGraphFirst; // the README's StopGraph before the graph goes
        bool hostKeeps; // the host holds the filter past the graph
        Lines lines; // the start of each line, in order, once graph and filter are gone
    } cases[] = {
        {How::Throws, 1, false, true, {prefix + thrown}},
        {How::Throws, 1000, false, true, {prefix + thrown, removal, unstopped}},
        {How::Throws, 1000, false, false, {prefix + thrown, removal, unstopped}},
        {How::Refuses, 1000, false, true, {prefix + refused, refusedRemoval, unstopped}},
        {How::Refuses, 1000, false, false, {prefix + refused, refusedRemoval, unstopped}},
        {How::Throws, 1000, true, false, async ? Lines{removal, unstopped} : Lines{thrown, removal, unstopped}},
        {How::Refuses, 1000, true, false,
         async ? Lines{refusedRemoval, unstopped} : Lines{refused, refusedRemoval, unstopped}},
    };
    for (const auto& c : cases) {
        CapturedLog log(logger);
        FrameList frames;
        auto flush = std::make_shared<TransformFlush>();
        const std::weak_ptr<TransformFlush> watched = flush;
        {
            const auto graph = flushGraph<G>(6, {flush}, frames);
            check(playLooping(*graph, frames), "the graph plays");
            flush->stop.how = c.how;
            flush->stop.times = c.times;
            if (c.stopGraphFirst) {
                check(!StopGraph(*graph) && graph->IsStopped() == async,
                      "StopGraph fails while a filter keeps failing: an AsyncGraph reads Stopped, a Graph Playing");
                log.Clear();
            }
            if (!c.hostKeeps)
                flush.reset();
        } // the worker may hold the graph for its turn, and destroy it then
        const auto errors = [&] { return log.At(VornCommon::LogLevel::Error); };
        const auto match = [](const Lines& got, const Lines& expected) {
            bool same = got.size() == expected.size();
            for (size_t i = 0; same && i < got.size(); ++i)
                same = got[i].rfind(expected[i], 0) == 0;
            return same;
        };
        if (c.hostKeeps && c.times > 1) {
            const Lines beforeFilterGoes(c.lines.begin(), c.lines.end() - 1);
            check(waitFor([&] { return errors().size() >= beforeFilterGoes.size(); }) &&
                      match(errors(), beforeFilterGoes) && flush->GetFilterState() == Hyx::Filter::FilterState::Playing,
                  "a filter that keeps failing is let go as it is: the host's reads Playing after the graph");
            flush.reset();
        } else if (c.hostKeeps) {
            check(waitFor([&] { return flush->GetFilterState() == Hyx::Filter::FilterState::PreInitialized; }),
                  "the removal stops a filter that failed once, and removes it");
            flush.reset();
        }
        check(waitFor([&] { return watched.expired() && errors().size() >= c.lines.size(); }) &&
                  match(errors(), c.lines),
              "a graph destroyed while playing logs one line per step that fails");
    }
    quote(thrown);
    quote(removal);
    quote(unstopped);
}

// Every listener hears a change, also after one throws; the exception passes on.
template <class G>
void runThrowingListener()
{
    using State = Hyx::Graph::GraphState;
    FrameList frames;
    StateList throwing, other;
    const auto graph = flushGraph<G>(6, {}, frames);
    graph->_graphEvents.Add(&throwing);
    graph->_graphEvents.Add(&other);
    check(playLooping(*graph, frames), "the graph plays");
    throwing.throwOnStopped = true;
    check(thrownBy([&] { return graph->Stop(); }) == "listener says no" && graph->IsStopped() &&
              lastOf(throwing.Take()) == State::Stopped && lastOf(other.Take()) == State::Stopped,
          "every listener hears Stopped, the first exception passes on, and the change stands");
    graph->_graphEvents.Remove(&throwing);
    graph->_graphEvents.Remove(&other);
    graph->RemoveAllFilters();
}

// True when no filter of the graph reads Playing or Paused.
bool allStopped(const Hyx::Graph& graph)
{
    for (unsigned i = 0; i < graph.GetNumFilters(); ++i) {
        const Hyx::Filter::FilterState state = graph.GetFilter(i)->GetFilterState();
        if (state == Hyx::Filter::FilterState::Playing || state == Hyx::Filter::FilterState::Paused)
            return false;
    }
    return true;
}

// An offline source of the host's own whose GetStreamInfo, once armed, waits at a gate: it
// holds a host's call that asks the source inside that call.
class GatedSource : public Hyx::SourceManualOfflineSource {
public:
    std::shared_ptr<Hyx::DataTypeStreamInfo> GetStreamInfo() override
    {
        if (armed.exchange(false)) {
            entered.Open();
            if (!leave.Pass())
                heldTooLong = true;
        }
        return SourceManualOfflineSource::GetStreamInfo();
    }
    std::atomic<bool> armed{false};
    std::atomic<bool> heldTooLong{false};
    Gate entered, leave;
};

// Notes the states like StateList, and the first time it hears `when` calls `act` on the
// thread that tells it (the worker for Error) and notes its answer and the graph's text right
// after.
class ActOn : public StateList {
public:
    void onGraphStateChanged(State state) override
    {
        StateList::onGraphStateChanged(state);
        if (state == when && act && !answer) {
            answer = act();
            text = graph->GetLastError(false).StdString();
        }
    }
    State when = State::Error;
    Hyx::Graph* graph = nullptr;
    std::function<Hyx::ActionResult()> act;
    // Written as the listener hears `when`: read on that thread, or once the call that told it
    // has returned, or once the listener has heard what follows.
    std::optional<Hyx::ActionResult> answer;
    std::string text;
};

// A run whose update fails ends Stopped whatever Pause or Stop meets it: one from a listener
// of Error (on the worker), or the host's while the update fails. Listeners hear Error, then
// Stopped, and the next Play plays a new run from the start.
void runFailedRunMeets()
{
    using State = Hyx::Graph::GraphState;
    const std::string updateFailed = "Graph update failed(Filter 'Flush' error: ";
    const struct {
        bool host; // the host's call while the update fails; else a listener's of Error
        bool pause; // Pause; else Stop
        Hyx::ActionResult answer;
        std::string text; // the start of the graph's text right after the call
    } meets[] = {
        {false, true, Hyx::ActionResult::Failure, "Graph failed to pause(it is changing state)"},
        {false, false, Hyx::ActionResult::Success, updateFailed},
        {true, true, Hyx::ActionResult::Failure, "Graph failed to pause(it is not playing)"},
        {true, false, Hyx::ActionResult::Success, updateFailed},
    };
    const std::vector<uint32_t> everyFrame = {0, 1, 2, 3, 4, 5};
    for (const auto& meet : meets) {
        Gate failing;
        std::atomic<bool> hold{meet.host};
        FrameList frames;
        ActOn states;
        const auto flush = std::make_shared<TransformFlush>();
        const auto graph = flushGraph<Hyx::AsyncGraph>(6, {flush}, frames);
        Hyx::AsyncGraph* const raw = graph.get();
        flush->failFrame = 3;
        // The host's call comes while frame 3 fails: the update fails once the call has
        // asked the worker to end.
        flush->beforeFrame = [&failing, &hold, raw](uint32_t frame) {
            if (frame == 3 && hold.exchange(false)) {
                failing.Open();
                waitFor([raw] { return raw->IsStopRequested(); });
            }
        };
        states.graph = raw;
        if (!meet.host)
            states.act = [raw, pause = meet.pause] { return pause ? raw->Pause() : raw->Stop(); };
        graph->_graphEvents.Add(&states);
        check(graph->SetPlaybackMode(Hyx::PlaybackMode::ForwardOnce, 0) == Hyx::ActionResult::Success &&
                  graph->Play() == Hyx::ActionResult::Success,
              "a forward-once run plays on the worker");
        std::optional<Hyx::ActionResult> answer;
        std::string text;
        if (meet.host) {
            check(failing.Pass(), "the update that fails is under way");
            answer = meet.pause ? graph->Pause() : graph->Stop();
            text = graph->GetLastError(false).StdString();
        }
        check(waitFor([&] { return states.Heard(State::Stopped); }), "the run ends");
        if (!meet.host) {
            answer = states.answer;
            text = states.text;
        }
        check(answer == meet.answer && text.rfind(meet.text, 0) == 0,
              "a Pause that meets a failed update answers Failure with its text, a Stop answers Success");
        if (meet.answer == Hyx::ActionResult::Failure)
            quote(text);
        check(states.Take() == std::vector<State>{State::Playing, State::Error, State::Stopped} && graph->IsStopped() &&
                  allStopped(*graph),
              "a run whose update failed ends Stopped whatever meets it: listeners hear Error, then Stopped");
        frames.Take();
        check(graph->Play() == Hyx::ActionResult::Success && waitFor([&] { return states.Heard(State::Stopped); }) &&
                  frames.Take() == everyFrame && states.Take() == std::vector<State>{State::Playing, State::Stopped},
              "the next Play plays a new run from the start");
        graph->_graphEvents.Remove(&states);
        graph->RemoveAllFilters();
    }
}

// On the worker, a Pause or Stop that a filter calls inside the pass, whose listener of
// Paused or Stopped throws: the run ends as a failed update does. Listeners hear Error after
// that Paused or Stopped; a paused graph is then stopped too (Stopped last), a stopped one is
// not told Stopped again. The next Play plays a new run from the start.
void runPassPausedOrStoppedThenFailed()
{
    using State = Hyx::Graph::GraphState;
    const struct {
        bool pause; // the filter pauses; else it stops
        std::vector<State> heard;
    } cases[] = {
        {true, {State::Playing, State::Paused, State::Error, State::Stopped}},
        {false, {State::Playing, State::Stopped, State::Error}},
    };
    for (const auto& c : cases) {
        FrameList frames;
        StateList states;
        const auto flush = std::make_shared<TransformFlush>();
        const auto asker = std::make_shared<TransformFlush>("TransformAsker",
                                                            Hyx::GuidLiteral("5C0A7E51-0000-4000-8000-0000000000D5"));
        const auto graph = flushGraph<Hyx::AsyncGraph>(6, {flush, asker}, frames);
        graph->_graphEvents.Add(&states);
        (c.pause ? states.throwOnPaused : states.throwOnStopped) = true;
        (c.pause ? asker->pauseFrame : asker->stopFrame) = 2;
        check(graph->SetPlaybackMode(Hyx::PlaybackMode::ForwardLoop, 200) == Hyx::ActionResult::Success &&
                  graph->Play() == Hyx::ActionResult::Success,
              "the graph plays on the worker");
        check(waitFor([&] { return states.Peek() == c.heard; }) && graph->IsStopped(),
              "listeners hear Error after the pass's Paused or Stopped; a paused graph is then stopped");
        check(graph->GetLastError(false).StdString() == "Graph update failed(Filter 'Asker' threw: listener says no)",
              "the text names the filter whose Pause or Stop the listener threw in");
        frames.Take();
        // Play joins the worker that ended: nothing it told is missed.
        check(graph->Play() == Hyx::ActionResult::Success && waitFor([&] { return frames.Count() >= 3; }) &&
                  firstOf(frames.Take()) == 0,
              "the next Play plays a new run from the start");
        std::vector<State> heard = c.heard;
        heard.push_back(State::Playing);
        check(states.Take() == heard, "the ended run told nothing more");
        check(StopGraph(*graph), "StopGraph stops it");
        graph->_graphEvents.Remove(&states);
        graph->RemoveAllFilters();
    }
}

// A resuming Play whose pause back fails, or a Pause whose play back fails: the run ends.
// Every filter stops, listeners hear Error, then Stopped, the graph reads Stopped and keeps
// the walk's failure as its text (its exception passes on), and the next Play plays: an
// AsyncGraph's from the start. A listener of that Error that calls back is folded in or
// refused: its refused call's text replaces the walk's, which it reads first.
template <class G>
void runPutBackFails()
{
    using State = Hyx::Graph::GraphState;
    using How = TransformFlush::How;
    using Result = Hyx::ActionResult;
    const struct {
        bool resume; // a Play of the paused graph; else a Pause
        How walk; // how the second transform fails the walk
        How back; // how the first fails to be put back
        std::function<Result(Hyx::Graph&)> call; // the listener of Error's
        const char* refusal; // the refused call's text; empty: the call answers Success
    } cases[] = {
        {true, How::Refuses, How::Refuses, [](Hyx::Graph& graph) { return graph.Pause(); },
         "Graph failed to pause(it is changing state)"},
        {true, How::Throws, How::Throws, [](Hyx::Graph& graph) { return graph.Stop(); }, ""},
        {false, How::Refuses, How::Throws, [](Hyx::Graph& graph) { return graph.Play(); },
         "Graph failed to start playing(it is changing state)"},
        {false, How::Throws, How::Refuses, [](Hyx::Graph& graph) { return graph.Play(Hyx::PlaybackMode::ForwardOnce); },
         "Graph failed to start playing(it is changing state)"},
    };
    for (const auto& c : cases) {
        std::string walkText;
        FrameList frames;
        ActOn states;
        const auto first = std::make_shared<TransformFlush>("TransformFirst",
                                                            Hyx::GuidLiteral("5C0A7E51-0000-4000-8000-0000000000D2"));
        const auto second = std::make_shared<TransformFlush>("TransformSecond",
                                                             Hyx::GuidLiteral("5C0A7E51-0000-4000-8000-0000000000D3"));
        const auto graph = flushGraph<G>(6, {first, second}, frames);
        states.graph = graph.get();
        states.act = [raw = graph.get(), &c, &walkText] {
            walkText = raw->GetLastError(false).StdString();
            return c.call(*raw);
        };
        graph->_graphEvents.Add(&states);
        check(playLooping(*graph, frames), "the graph plays");
        if (c.resume)
            check(graph->Pause() == Hyx::ActionResult::Success, "the graph pauses");
        TransformFlush::Arm& step = c.resume ? second->play : second->pause;
        TransformFlush::Arm& back = c.resume ? first->pause : first->play;
        step.how = c.walk;
        step.times = 1;
        back.how = c.back;
        back.times = 1;
        Hyx::ActionResult result = Hyx::ActionResult::Success;
        const std::string thrown = thrownBy([&] { return c.resume ? graph->Play() : graph->Pause(); }, &result);
        const std::string what = c.resume ? "cannot open" : "cannot hold";
        const std::string prefix = c.resume ? "Graph failed to start playing(" : "Graph failed to pause(";
        const bool throws = c.walk == How::Throws;
        check(throws ? thrown == what : thrown.empty() && result == Hyx::ActionResult::Failure,
              "the walk's exception passes on, or the call answers Failure");
        check(throws ? walkText == prefix + "Filter 'Second' threw: " + what + ")"
                     : walkText.rfind(prefix + "Filter 'Second' error: ", 0) == 0,
              "the graph keeps the first failure, the walk's, as its text: a listener of Error reads it");
        const bool refused = *c.refusal != '\0';
        const auto order = std::dynamic_pointer_cast<Hyx::FrameOrderAuto>(graph->GetFrameOrderProvider());
        check(states.answer == (refused ? Result::Failure : Result::Success) &&
                  graph->GetLastError(false).StdString() == (refused ? std::string(c.refusal) : walkText) && order &&
                  order->GetPlaybackMode() == Hyx::PlaybackMode::ForwardLoop,
              "a listener of Error while the run ends: a Stop answers Success, a Pause and a Play are refused, "
              "their text replaces the walk's, and the mode stays");
        const std::vector<State> heard =
            c.resume ? std::vector<State>{State::Playing, State::Paused, State::Error, State::Stopped}
                     : std::vector<State>{State::Playing, State::Error, State::Stopped};
        check(graph->IsStopped() && allStopped(*graph) && states.Take() == heard,
              "when a filter cannot be put back either, every filter stops and listeners hear Error, then Stopped");
        frames.Take();
        if constexpr (std::is_same_v<G, Hyx::AsyncGraph>) {
            check(graph->Play() == Hyx::ActionResult::Success && waitFor([&] { return frames.Count() >= 3; }) &&
                      firstOf(frames.Take()) == 0,
                  "the next Play of an AsyncGraph plays a new run from the start");
        } else {
            check(graph->Play() == Hyx::ActionResult::Success && framesFlow(*graph, frames), "the next Play plays");
        }
        check(StopGraph(*graph), "StopGraph stops it");
        graph->_graphEvents.Remove(&states);
        graph->RemoveAllFilters();
    }
}

// Host calls on an AsyncGraph from several threads: each is one step under the graph's lock,
// and one that waited acts on the state the other left; the getters never wait. The calls
// held in a source's GetStreamInfo or a filter's hook make each case take one path.
void runHostThreads()
{
    using State = Hyx::Graph::GraphState;
    // A Play(mode) that comes while another thread's Play is inside GetStreamInfo answers
    // Success, and the run plays in the mode it had: looping, from its start.
    {
        FrameList frames;
        const auto source = std::make_shared<GatedSource>();
        const auto graph = flushGraph<Hyx::AsyncGraph>(6, {}, frames, source);
        check(graph->SetPlaybackMode(Hyx::PlaybackMode::ForwardLoop, 200) == Hyx::ActionResult::Success,
              "the graph loops at 200 frames a second");
        source->armed = true;
        std::atomic<Hyx::ActionResult> first{Hyx::ActionResult::Failure}, second{Hyx::ActionResult::Failure};
        std::atomic<bool> secondAnswered{false};
        std::thread a([&] { first = graph->Play(); });
        check(source->entered.Pass(), "the first Play asks the source for its rate");
        float fps = 0.0f;
        check(!graph->IsPlaying() && graph->GetGraphFps(fps) == Hyx::ActionResult::Success && fps == 200.0f &&
                  graph->GetFramePeriodMs() == 5 && !graph->IsSuspended() &&
                  graph->GetLastError(false).StdString().empty(),
              "the getters answer while a host call holds the graph's lock");
        std::thread b([&] {
            second = graph->Play(Hyx::PlaybackMode::ForwardOnce);
            secondAnswered = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(50)); // lets b come and wait
        check(!secondAnswered && frames.Count() == 0, "the second Play waits for the first");
        source->leave.Open();
        a.join();
        b.join();
        check(first == Hyx::ActionResult::Success && second == Hyx::ActionResult::Success && !source->heldTooLong,
              "both Plays answer Success");
        const std::vector<uint32_t> looped = {0, 1, 2, 3, 4, 5, 0, 1, 2};
        check(waitFor([&] { return frames.Count() >= looped.size(); }), "the run plays on past its last frame");
        std::vector<uint32_t> played = frames.Take();
        played.resize(looped.size());
        check(played == looped, "one run plays, looping from its start: the second Play left its mode");
        check(StopGraph(*graph), "StopGraph stops it");
        graph->RemoveAllFilters();
    }
    // A SetGraphFps that comes while a Play asks the source for its rate is the rate the
    // worker paces to.
    {
        FrameList frames;
        const auto source = std::make_shared<GatedSource>();
        const auto graph = flushGraph<Hyx::AsyncGraph>(6, {}, frames, source);
        check(graph->SetPlaybackMode(Hyx::PlaybackMode::ForwardLoop, -1) == Hyx::ActionResult::Success &&
                  graph->GetFramePeriodMs() == 33,
              "the graph loops at the source's 30 frames a second: 33 ms");
        source->armed = true;
        std::atomic<Hyx::ActionResult> played{Hyx::ActionResult::Failure}, set{Hyx::ActionResult::Failure};
        std::atomic<bool> setAnswered{false};
        std::thread a([&] { played = graph->Play(); });
        check(source->entered.Pass(), "the Play asks the source for its rate");
        std::thread b([&] {
            set = graph->SetGraphFps(500.0f);
            setAnswered = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(50)); // lets b come and wait
        check(!setAnswered, "SetGraphFps waits for the Play");
        source->leave.Open();
        a.join();
        b.join();
        float fps = 0.0f;
        check(played == Hyx::ActionResult::Success && set == Hyx::ActionResult::Success && !source->heldTooLong &&
                  graph->GetGraphFps(fps) == Hyx::ActionResult::Success && fps == 500.0f &&
                  graph->GetFramePeriodMs() == 2,
              "the rate set while the Play asked the source is the one the worker paces to");
        check(waitFor([&] { return frames.Count() >= 3; }), "the graph plays");
        check(StopGraph(*graph), "StopGraph stops it");
        graph->RemoveAllFilters();
    }
    // A Play that comes while another thread's Stop waits for the worker plays a new run once
    // the Stop is done.
    {
        Gate inPass, stopAsked;
        std::atomic<bool> hold{true};
        FrameList frames;
        StateList states;
        const auto flush = std::make_shared<TransformFlush>();
        const auto graph = flushGraph<Hyx::AsyncGraph>(6, {flush}, frames);
        Hyx::AsyncGraph* const raw = graph.get();
        // Frame 4's pass holds the worker until the Stop has asked it to end, and a while after.
        flush->beforeFrame = [&inPass, &stopAsked, &hold, raw](uint32_t frame) {
            if (frame == 4 && hold.exchange(false)) {
                inPass.Open();
                if (waitFor([raw] { return raw->IsStopRequested(); }))
                    stopAsked.Open();
                std::this_thread::sleep_for(std::chrono::milliseconds(50)); // lets the Play come and wait
            }
        };
        graph->_graphEvents.Add(&states);
        check(graph->SetPlaybackMode(Hyx::PlaybackMode::ForwardLoop, 200) == Hyx::ActionResult::Success &&
                  graph->Play() == Hyx::ActionResult::Success && inPass.Pass(),
              "the worker's pass of frame 4 is under way");
        std::atomic<Hyx::ActionResult> stopped{Hyx::ActionResult::Failure}, played{Hyx::ActionResult::Failure};
        std::thread a([&] { stopped = graph->Stop(); });
        check(stopAsked.Pass(), "the Stop asks the worker to end");
        std::thread b([&] { played = graph->Play(); });
        a.join();
        b.join();
        check(stopped == Hyx::ActionResult::Success && played == Hyx::ActionResult::Success && graph->IsPlaying(),
              "the Stop is done, then the Play plays");
        check(waitFor([&] { return frames.Count() >= 8; }), "frames flow");
        const std::vector<uint32_t> all = frames.Take();
        size_t restart = 1;
        while (restart < all.size() && all[restart] != 0)
            ++restart;
        bool fromStart = (restart == 4 || restart == 5) && restart + 3 <= all.size();
        for (size_t i = 0; fromStart && i < restart; ++i)
            fromStart = all[i] == i;
        for (size_t i = 0; fromStart && i < 3; ++i)
            fromStart = all[restart + i] == i;
        check(fromStart && states.Take() == std::vector<State>{State::Playing, State::Stopped, State::Playing},
              "the Play plays a new run from the start once the Stop is done");
        check(StopGraph(*graph), "StopGraph stops it");
        graph->_graphEvents.Remove(&states);
        graph->RemoveAllFilters();
    }
}

// A call from a filter's hook or a graph-event listener inside the host's Play, Pause or Stop:
// a Stop is folded in and ends the run once the walk is done, a Pause, a Play and a change of
// the filter list are refused with their texts, and the host's call answers for its own walk.
template <class G>
void runCallsInsideWalks()
{
    using State = Hyx::Graph::GraphState;
    using Result = Hyx::ActionResult;
    const bool async = std::is_same_v<G, Hyx::AsyncGraph>;
    // A filter's onPause that stops the graph during the host's Pause.
    {
        std::optional<Result> inner;
        FrameList frames;
        StateList states;
        const auto flush = std::make_shared<TransformFlush>();
        const auto graph = flushGraph<G>(6, {flush}, frames);
        G* const raw = graph.get();
        flush->pause.call = [raw, &inner] {
            if (!inner)
                inner = raw->Stop();
        };
        graph->_graphEvents.Add(&states);
        check(playLooping(*graph, frames), "the graph plays");
        check(graph->Pause() == Result::Success && inner == Result::Success,
              "a Stop from a filter's onPause during the host's Pause answers Success, and so does the Pause");
        check(states.Take() == std::vector<State>{State::Playing, State::Paused, State::Stopped} &&
                  graph->IsStopped() && allStopped(*graph),
              "the listeners hear Paused, then Stopped, once, and every filter is stopped");
        frames.Take();
        check(graph->Play() == Result::Success && graph->IsPlaying() &&
                  (async ? waitFor([&] { return frames.Count() >= 3; }) && firstOf(frames.Take()) == 0
                         : framesFlow(*graph, frames)) &&
                  states.Take() == std::vector<State>{State::Playing},
              "the next Play plays a new run, an AsyncGraph's from the order's first frame");
        check(StopGraph(*graph), "StopGraph stops it");
        graph->_graphEvents.Remove(&states);
        graph->RemoveAllFilters();
    }
    // A filter's onPlay that pauses the graph during the host's Play.
    {
        std::optional<Result> inner;
        std::string text;
        FrameList frames;
        StateList states;
        const auto flush = std::make_shared<TransformFlush>();
        const auto graph = flushGraph<G>(6, {flush}, frames);
        G* const raw = graph.get();
        flush->play.call = [raw, &inner, &text] {
            if (!inner) {
                inner = raw->Pause();
                text = raw->GetLastError(false).StdString();
            }
        };
        graph->_graphEvents.Add(&states);
        check(playLooping(*graph, frames) && graph->IsPlaying() && framesFlow(*graph, frames),
              "the host's Play answers Success and the graph plays");
        check(inner == Result::Failure && text == "Graph failed to pause(it is changing state)",
              "a Pause from a filter's onPlay during the host's Play is refused");
        quote(text);
        check(states.Take() == std::vector<State>{State::Playing}, "the listeners hear Playing alone");
        check(StopGraph(*graph), "StopGraph stops it");
        graph->_graphEvents.Remove(&states);
        graph->RemoveAllFilters();
    }
    // A listener of Playing that plays the graph, without a mode or with another one, during
    // the host's Play.
    for (const bool withMode : {false, true}) {
        FrameList frames;
        ActOn states;
        const auto graph = flushGraph<G>(6, {}, frames);
        G* const raw = graph.get();
        states.when = State::Playing;
        states.graph = raw;
        states.act = [raw, withMode] { return withMode ? raw->Play(Hyx::PlaybackMode::ForwardOnce) : raw->Play(); };
        graph->_graphEvents.Add(&states);
        check(playLooping(*graph, frames) && graph->IsPlaying(), "the host's Play answers Success and the graph plays");
        check(states.answer == Result::Failure && states.text == "Graph failed to start playing(it is changing state)",
              "a Play from a listener of Playing during the host's Play is refused");
        quote(states.text);
        const auto order = std::dynamic_pointer_cast<Hyx::FrameOrderAuto>(graph->GetFrameOrderProvider());
        check(order && order->GetPlaybackMode() == Hyx::PlaybackMode::ForwardLoop && framesFlow(*graph, frames) &&
                  states.Take() == std::vector<State>{State::Playing},
              "the listeners hear Playing once, and the run loops in the mode it had");
        check(StopGraph(*graph), "StopGraph stops it");
        graph->_graphEvents.Remove(&states);
        graph->RemoveAllFilters();
    }
    // A listener of Stopped that adds a filter or removes them all during the host's Stop.
    for (const bool add : {true, false}) {
        FrameList frames;
        ActOn states;
        const auto flush = std::make_shared<TransformFlush>();
        const auto graph = flushGraph<G>(6, {flush}, frames);
        G* const raw = graph.get();
        const std::shared_ptr<Hyx::Filter> extra =
            Hyx::FilterFactory::CreateFilter(Hyx::TargetCallback::TheTypeGuid(), {}, {}).ToStdSharedPtr();
        const Hyx::Filter::FilterState offered = extra ? extra->GetFilterState() : Hyx::Filter::FilterState::Created;
        states.when = State::Stopped;
        states.graph = raw;
        states.act = [raw, add, extra] { return add ? raw->AddAndConnect(extra) : raw->RemoveAllFilters(); };
        graph->_graphEvents.Add(&states);
        check(extra && playLooping(*graph, frames), "the graph plays");
        check(graph->Stop() == Result::Success && graph->IsStopped() && allStopped(*graph),
              "the host's Stop answers Success");
        const std::string expected = add ? "Graph failed to add a filter(it is changing state)"
                                         : "Graph failed to remove a filter(it is changing state)";
        check(states.answer == Result::Failure && states.text == expected && graph->GetNumFilters() == 3 &&
                  graph->GetFilter(1u) == flush,
              "an add or a removal from a listener of Stopped is refused, and the graph keeps its filters");
        quote(states.text);
        check(!extra || extra->GetFilterState() == offered, "the refused filter is left as it came");
        graph->_graphEvents.Remove(&states);
        graph->RemoveAllFilters();
    }
}

// An AsyncGraph's IsStopRequested() and a filter's wait for another thread in the onStop of a
// run the worker ends itself: only a stop asked of the run ends the wait, and a host's call
// that comes meanwhile asks it and returns.
void runStopRequests()
{
    using State = Hyx::Graph::GraphState;
    using Result = Hyx::ActionResult;
    const std::vector<uint32_t> everyFrame = {0, 1, 2, 3, 4, 5};
    const struct {
        std::function<Result(Hyx::AsyncGraph&)> make;
        Result answer;
        const char* text; // the graph's text after the call; empty: not looked at
        bool plays; // the call plays a new run
    } calls[] = {
        {[](Hyx::AsyncGraph& graph) { return graph.Stop(); }, Result::Success, "", false},
        {[](Hyx::AsyncGraph& graph) { return graph.Pause(); }, Result::Failure,
         "Graph failed to pause(it is not playing)", false},
        {[](Hyx::AsyncGraph& graph) { return graph.Play(); }, Result::Success, "", true},
        {[](Hyx::AsyncGraph& graph) { return graph.Play(Hyx::PlaybackMode::ForwardOnce); }, Result::Success, "", true},
    };
    for (const bool updateFails : {false, true}) {
        for (const auto& call : calls) {
            FrameList frames;
            StateList states;
            const auto flush = std::make_shared<TransformFlush>();
            const auto graph = flushGraph<Hyx::AsyncGraph>(6, {flush}, frames);
            if (updateFails)
                flush->failFrame = 3;
            flush->stopWaits = true;
            graph->_graphEvents.Add(&states);
            check(graph->SetPlaybackMode(Hyx::PlaybackMode::ForwardOnce, 0) == Result::Success &&
                      graph->Play() == Result::Success,
                  "a forward-once run plays on the worker");
            check(flush->waiting.Pass(), "the worker ends the run itself, and a filter's onStop waits");
            frames.Take();
            const Result answer = call.make(*graph);
            const std::string text = graph->GetLastError(false).StdString();
            check(flush->waitSawStop, "the host's call ends the wait: IsGraphStopRequested() reads true");
            check(answer == call.answer && (*call.text == '\0' || text == call.text),
                  "the host's call that comes while the filter waits returns with its answer");
            if (*call.text != '\0')
                quote(text);
            std::vector<State> heard = updateFails ? std::vector<State>{State::Playing, State::Error, State::Stopped}
                                                   : std::vector<State>{State::Playing, State::Stopped};
            if (call.plays) {
                check(!graph->IsStopRequested(), "a Play begins: IsStopRequested() reads false");
                heard.insert(heard.end(), {State::Playing, State::Stopped});
                check(waitFor([&] { return states.Peek() == heard; }) && frames.Take() == everyFrame,
                      "the Play plays a new run from the start, which ends by itself");
                check(!graph->IsStopRequested(), "a run that ends by itself with nobody asking leaves it false");
            } else {
                check(graph->IsStopRequested(), "after the Stop or Pause, IsStopRequested() reads true");
                check(states.Take() == heard && graph->IsStopped() && allStopped(*graph),
                      "the run ended stopped, as the listeners heard");
            }
            graph->_graphEvents.Remove(&states);
            graph->RemoveAllFilters();
        }
    }
    // A Stop of a stopped graph, the next Play and its run, a Pause a filter refuses, a Pause,
    // a resuming Play and a Stop.
    {
        std::optional<bool> inOnPlay, inListener;
        std::atomic<bool> passRead{false};
        FrameList frames;
        ActOn states;
        const auto flush = std::make_shared<TransformFlush>();
        const auto graph = flushGraph<Hyx::AsyncGraph>(6, {flush}, frames);
        Hyx::AsyncGraph* const raw = graph.get();
        flush->play.call = [raw, &inOnPlay] {
            if (!inOnPlay)
                inOnPlay = raw->IsStopRequested();
        };
        flush->beforeFrame = [raw, &passRead](uint32_t) {
            if (raw->IsStopRequested())
                passRead = true;
        };
        states.when = State::Playing;
        states.graph = raw;
        states.act = [raw, &inListener] {
            inListener = raw->IsStopRequested();
            return Result::Success;
        };
        graph->_graphEvents.Add(&states);
        check(graph->Stop() == Result::Success && graph->IsStopped() && graph->IsStopRequested(),
              "a Stop of a stopped graph asks a stop: IsStopRequested() reads true");
        check(graph->SetPlaybackMode(Hyx::PlaybackMode::ForwardOnce, 0) == Result::Success &&
                  graph->Play() == Result::Success && waitFor([&] {
                      return states.Peek() == std::vector<State>{State::Playing, State::Stopped};
                  }) &&
                  frames.Take() == everyFrame,
              "the next Play plays a run that ends by itself");
        check(inOnPlay == false && inListener == false && !passRead,
              "inside the Play a filter's onPlay, a listener of Playing and the passes read false");
        check(!graph->IsStopRequested(), "a run that ends by itself with nobody asking leaves it false");
        check(playLooping(*graph, frames), "the graph plays looping");
        flush->pause.how = TransformFlush::How::Refuses;
        flush->pause.times = 1;
        check(graph->Pause() == Result::Failure && graph->IsPlaying() && !graph->IsStopRequested() &&
                  framesFlow(*graph, frames),
              "a Pause that a filter refused leaves it false, and the run plays on");
        check(graph->Pause() == Result::Success && graph->IsStopRequested(), "a Pause asks a stop: true");
        check(graph->Play() == Result::Success && !graph->IsStopRequested() && framesFlow(*graph, frames),
              "the resuming Play begins: false");
        check(graph->Stop() == Result::Success && graph->IsStopRequested(), "a Stop asks a stop: true");
        graph->_graphEvents.Remove(&states);
        graph->RemoveAllFilters();
    }
}

// A call that changes the filter list, or an Update, made once from a hook or a listener: its
// answer and the graph's text right after, noted on the calling thread before `made` opens. An
// add offers a callback target the factory made on its own.
struct BuildingCall {
    enum class Kind {
        Add,
        RemoveAll,
        Update
    };
    explicit BuildingCall(Kind kind) : kind(kind) {}
    void make(Hyx::Graph& graph)
    {
        if (started.exchange(true))
            return; // an update it runs may come back here
        answer = kind == Kind::Add         ? graph.AddAndConnect(extra)
                 : kind == Kind::RemoveAll ? graph.RemoveAllFilters()
                                           : graph.Update();
        text = graph.GetLastError(false).StdString();
        made.Open();
    }
    const char* refusal() const
    {
        return kind == Kind::Add         ? "Graph failed to add a filter(it is changing state)"
               : kind == Kind::RemoveAll ? "Graph failed to remove a filter(it is changing state)"
                                         : "Graph update failed(it is changing state)";
    }

    const Kind kind;
    const std::shared_ptr<Hyx::Filter> extra =
        Hyx::FilterFactory::CreateFilter(Hyx::TargetCallback::TheTypeGuid(), {}, {}).ToStdSharedPtr();
    const Hyx::Filter::FilterState offered = extra ? extra->GetFilterState() : Hyx::Filter::FilterState::Created;
    std::atomic<bool> started{false};
    std::optional<Hyx::ActionResult> answer;
    std::string text;
    Gate made;
};

// AddAndConnect, RemoveAllFilters and Update from inside an update pass (a filter's frame hook,
// alone or after its own Stop or Pause, or a listener of the Paused it asked for) and from a
// hook or listener of a walk are refused with their texts; the offered filter is left as it
// came, the graph keeps its filters and state, and the next run plays.
template <class G>
void runBuildingCallsRefused()
{
    using State = Hyx::Graph::GraphState;
    using Result = Hyx::ActionResult;
    using Kind = BuildingCall::Kind;
    const bool async = std::is_same_v<G, Hyx::AsyncGraph>;
    enum class From {
        Frame,
        FrameAfterStop,
        FrameAfterPause,
        PassListener, // a listener of the Paused a filter asked for inside the pass
        WalkHook, // the filter's onPause in the host's Pause
        WalkListener // a listener of Playing in the host's Play
    };
    for (const From from : {From::Frame, From::FrameAfterStop, From::FrameAfterPause, From::PassListener,
                            From::WalkHook, From::WalkListener}) {
        for (const Kind kind : {Kind::Add, Kind::RemoveAll, Kind::Update}) {
            BuildingCall building(kind);
            std::optional<Result> first; // the frame hook's Stop or Pause
            FrameList frames;
            ActOn states;
            const auto flush = std::make_shared<TransformFlush>();
            const auto graph = flushGraph<G>(6, {flush}, frames);
            G* const raw = graph.get();
            states.graph = raw;
            const auto make = [raw, &building] {
                building.make(*raw);
                return building.answer.value_or(Result::Success);
            };
            const bool inPass = from != From::WalkHook && from != From::WalkListener;
            if (from == From::PassListener) {
                flush->pauseFrame = 1;
                states.when = State::Paused;
                states.act = make;
            } else if (from == From::WalkListener) {
                states.when = State::Playing;
                states.act = make;
            } else if (from == From::WalkHook) {
                flush->pause.call = make;
            } else {
                flush->beforeFrame = [raw, from, &building, &first](uint32_t frame) {
                    if (frame != 1 || building.started)
                        return;
                    if (from != From::Frame)
                        first = from == From::FrameAfterStop ? raw->Stop() : raw->Pause();
                    building.make(*raw);
                };
            }
            graph->_graphEvents.Add(&states);
            if (inPass && async) {
                check(graph->SetPlaybackMode(Hyx::PlaybackMode::ForwardLoop, 200) == Result::Success &&
                          graph->Play() == Result::Success && building.made.Pass(),
                      "the worker's pass makes the call");
            } else if (inPass) {
                bool updated = graph->Play(Hyx::PlaybackMode::ForwardLoop) == Result::Success;
                for (int i = 0; updated && i < 6 && !building.started; ++i)
                    updated = graph->Update() == Result::Success;
                check(updated && building.started, "the host's Update makes the call and answers Success");
            } else {
                check(playLooping(*graph, frames), "the graph plays");
                if (from == From::WalkHook)
                    check(graph->Pause() == Result::Success, "the host's Pause answers Success");
            }
            check(building.answer == Result::Failure && building.text == building.refusal(),
                  "AddAndConnect, RemoveAllFilters and Update inside a pass or a walk answer Failure with their "
                  "texts");
            if (from == From::Frame)
                quote(building.text);
            check(building.extra && building.extra->GetFilterState() == building.offered &&
                      int(building.offered) < int(Hyx::Filter::FilterState::Initialized),
                  "the refused filter is left as it came, not initialised");
            check(graph->GetNumFilters() == 3 && graph->GetFilter(1u) == flush, "the graph keeps its filters");
            check(from == From::FrameAfterStop    ? first == Result::Success && graph->IsStopped()
                  : from == From::FrameAfterPause ? first == Result::Success && graph->IsPaused()
                  : from == From::PassListener || from == From::WalkHook ? graph->IsPaused()
                                                                         : graph->IsPlaying(),
                  "the graph reads what the pass or the walk left");
            check(StopGraph(*graph), "StopGraph stops it");
            frames.Take();
            check(playLooping(*graph, frames) && firstOf(frames.Take()) == 0, "the next run plays");
            check(StopGraph(*graph), "StopGraph stops it");
            graph->_graphEvents.Remove(&states);
            graph->RemoveAllFilters();
        }
    }
}

// A Stop that a filter's onStop folds into the host's Stop, which a later filter refuses: the
// host's Stop answers Failure with that filter's text, and the run ends all the same.
template <class G>
void runFoldedStopInFailedStop()
{
    using State = Hyx::Graph::GraphState;
    using Result = Hyx::ActionResult;
    std::optional<Result> folded;
    FrameList frames;
    StateList states;
    const auto first =
        std::make_shared<TransformFlush>("TransformFirst", Hyx::GuidLiteral("5C0A7E51-0000-4000-8000-0000000000D2"));
    const auto second =
        std::make_shared<TransformFlush>("TransformSecond", Hyx::GuidLiteral("5C0A7E51-0000-4000-8000-0000000000D3"));
    const auto graph = flushGraph<G>(6, {first, second}, frames);
    G* const raw = graph.get();
    first->stop.call = [raw, &folded] {
        if (!folded)
            folded = raw->Stop();
    };
    graph->_graphEvents.Add(&states);
    check(playLooping(*graph, frames), "the graph plays");
    second->stop.how = TransformFlush::How::Refuses;
    second->stop.times = 1;
    check(graph->Stop() == Result::Failure &&
              graph->GetLastError(false).StdString().rfind("Graph failed to stop(Filter 'Second' error: ", 0) == 0,
          "the host's Stop answers Failure with the refusing filter's text");
    check(folded == Result::Success, "the Stop folded into it answers Success");
    check(graph->IsStopped() && allStopped(*graph) &&
              states.Take() == std::vector<State>{State::Playing, State::Stopped},
          "the folded Stop ends the run all the same: every filter stops, and the listeners hear Stopped once");
    frames.Take();
    check(playLooping(*graph, frames) && firstOf(frames.Take()) == 0, "the next Play plays a new run");
    check(StopGraph(*graph), "StopGraph stops it");
    graph->_graphEvents.Remove(&states);
    graph->RemoveAllFilters();
}

// A filter's frame hook pauses the graph inside a pass: no filter takes another frame in that
// pass, and what waits in the queues goes on first after the resume, Play(), and after a
// Play(mode), which starts the frame order from its start again.
template <class G>
void runPausedPassQueues()
{
    using State = Hyx::Graph::GraphState;
    using Result = Hyx::ActionResult;
    const bool async = std::is_same_v<G, Hyx::AsyncGraph>;
    std::atomic<bool> takenWhilePaused{false};
    FrameList frames;
    StateList states;
    const auto pauser = std::make_shared<TransformFlush>();
    const auto after =
        std::make_shared<TransformFlush>("TransformAfter", Hyx::GuidLiteral("5C0A7E51-0000-4000-8000-0000000000D5"));
    const auto graph = flushGraph<G>(6, {pauser, after}, frames);
    G* const raw = graph.get();
    after->beforeFrame = [raw, &takenWhilePaused](uint32_t) {
        if (raw->IsPaused())
            takenWhilePaused = true;
    };
    graph->_graphEvents.Add(&states);
    // Plays (or resumes) until `count` frames came, or until the graph pauses.
    const auto playUntil = [&](size_t count) {
        if (async)
            return waitFor([&] { return frames.Count() >= count || states.Heard(State::Paused); });
        bool updated = true;
        for (int i = 0; updated && i < 20 && frames.Count() < count && !graph->IsPaused(); ++i)
            updated = graph->Update() == Result::Success;
        return updated;
    };
    pauser->pauseFrame = 2;
    check((async ? graph->SetPlaybackMode(Hyx::PlaybackMode::ForwardLoop, 200) == Result::Success &&
                       graph->Play() == Result::Success
                 : graph->Play(Hyx::PlaybackMode::ForwardLoop) == Result::Success) &&
              playUntil(100) && graph->IsPaused(),
          "the filter's frame hook pauses the graph in the pass of frame 2");
    check(frames.Take() == std::vector<uint32_t>{0, 1} &&
              states.Take() == std::vector<State>{State::Playing, State::Paused},
          "no filter after it takes frame 2 in that pass");
    check(graph->Play() == Result::Success && playUntil(8), "the resume plays");
    std::vector<uint32_t> played = frames.Take();
    const std::vector<uint32_t> resumed(played.begin(), played.begin() + std::min<ptrdiff_t>(8, played.size()));
    check(resumed == std::vector<uint32_t>{2, 3, 4, 5, 0, 1, 2, 3},
          "after the resume frame 2, which waited in the queues, comes first, then the order where it stood");
    states.Take();
    pauser->pauseFrame = 5;
    check(playUntil(1000) && graph->IsPaused() && states.Take() == std::vector<State>{State::Paused},
          "the filter's frame hook pauses the graph in the pass of frame 5");
    // The worker may have run on past the eight frames above: all since the resume count.
    const std::vector<uint32_t> more = frames.Take();
    played.insert(played.end(), more.begin(), more.end());
    check(!played.empty() && played.back() == 4, "no filter after it takes frame 5 in that pass");
    check(graph->Play(Hyx::PlaybackMode::ForwardLoop) == Result::Success && playUntil(4),
          "Play(mode) on the paused graph plays");
    played = frames.Take();
    played.resize(std::min<size_t>(4, played.size()));
    check(played == std::vector<uint32_t>{5, 0, 1, 2},
          "after Play(mode) frame 5, which the queues kept, arrives first, then the order from its start");
    check(!takenWhilePaused, "no filter took a frame while the graph read Paused");
    check(StopGraph(*graph), "StopGraph stops it");
    graph->_graphEvents.Remove(&states);
    graph->RemoveAllFilters();
}

// An AsyncGraph whose runs end by themselves: a host that waits until IsStopped() reads true
// removes the filters and builds a new chain at once, one round from another thread. The
// reset flag of SetPlaybackMode keeps the rate; any number is a rate.
void runRebuildWhenStopped()
{
    using State = Hyx::Graph::GraphState;
    using Result = Hyx::ActionResult;
    const std::vector<uint32_t> everyFrame = {0, 1, 2, 3, 4, 5};
    FrameList frames;
    StateList states;
    const auto graph = flushGraph<Hyx::AsyncGraph>(6, {}, frames);
    graph->_graphEvents.Add(&states);
    for (int round = 0; round < 4; ++round) {
        check(graph->SetPlaybackMode(Hyx::PlaybackMode::ForwardOnce, 0) == Result::Success &&
                  graph->Play() == Result::Success,
              "a forward-once run plays on the worker");
        // Only the worker's end of the run makes the graph read Stopped.
        check(waitFor([&] { return graph->IsStopped(); }), "the run ends by itself");
        const auto rebuild = [&] {
            return graph->RemoveAllFilters() == Result::Success && graph->GetNumFilters() == 0 &&
                   addFlushChain(graph, 6, {}, frames);
        };
        bool rebuilt = false;
        if (round == 2) {
            std::thread other([&] { rebuilt = rebuild(); });
            other.join();
        } else {
            rebuilt = rebuild();
        }
        check(rebuilt, "the host removes the filters and builds a new chain at once, from any thread");
        check(frames.Take() == everyFrame && states.Take() == std::vector<State>{State::Playing, State::Stopped},
              "the run played every frame, and its end was told before the removal returned");
    }
    check(graph->SetPlaybackMode(Hyx::PlaybackMode::ForwardOnce, 0) == Result::Success &&
              graph->Play() == Result::Success && waitFor([&] { return graph->IsStopped(); }) &&
              frames.Take() == everyFrame,
          "the last chain built plays");

    const auto rate = [&] {
        float fps = -100.0f;
        return graph->GetGraphFps(fps) == Result::Success ? fps : -100.0f;
    };
    const auto mode = [&] {
        const auto order = std::dynamic_pointer_cast<Hyx::FrameOrderAuto>(graph->GetFrameOrderProvider());
        return order ? std::optional(order->GetPlaybackMode()) : std::nullopt;
    };
    check(graph->SetPlaybackMode(Hyx::PlaybackMode::ForwardLoop, 25.0f) == Result::Success && rate() == 25.0f &&
              graph->GetFramePeriodMs() == 40,
          "SetPlaybackMode(mode, 25.0f) sets the rate");
    check(graph->SetPlaybackMode(Hyx::PlaybackMode::BackwardLoop, true) == Result::Success && rate() == 25.0f &&
              graph->GetFramePeriodMs() == 40 && mode() == Hyx::PlaybackMode::BackwardLoop,
          "SetPlaybackMode(mode, true) sets the mode and keeps the rate");
    check(graph->SetPlaybackMode(Hyx::PlaybackMode::ForwardLoop, false) == Result::Success && rate() == 25.0f &&
              graph->GetFramePeriodMs() == 40 && mode() == Hyx::PlaybackMode::ForwardLoop,
          "SetPlaybackMode(mode, false) sets the mode and keeps the rate");
    check(graph->SetPlaybackMode(Hyx::PlaybackMode::ForwardLoop, 0) == Result::Success && rate() == 0.0f &&
              graph->GetFramePeriodMs() == 0,
          "SetPlaybackMode(mode, 0) is the rate 0: no pacing");
    check(graph->SetPlaybackMode(Hyx::PlaybackMode::ForwardLoop, -1) == Result::Success && rate() == -1.0f &&
              graph->GetFramePeriodMs() == 33,
          "SetPlaybackMode(mode, -1) is the stream's rate: 30 frames a second");
    graph->_graphEvents.Remove(&states);
    graph->RemoveAllFilters();
}

// What a hook or listener hands over to another thread: the Stop, its answer, and when it is
// done. Held by that thread too, so that a Stop that never returns cannot outlive it.
struct HandedStop {
    std::atomic<Hyx::ActionResult> answer{Hyx::ActionResult::Failure};
    std::atomic<bool> answered{false};
    Gate done;
};

// A listener of Paused, or a filter's onPause, inside the host's Pause hands a Stop to another
// thread without waiting for it: the Stop acts once the host's Pause has returned, and the
// listeners hear Paused, then Stopped.
void runHandedStop()
{
    using State = Hyx::Graph::GraphState;
    using Result = Hyx::ActionResult;
    for (const bool fromListener : {true, false}) {
        FrameList frames;
        ActOn states;
        const auto flush = std::make_shared<TransformFlush>();
        const auto graph = flushGraph<Hyx::AsyncGraph>(6, {flush}, frames);
        const auto handed = std::make_shared<HandedStop>();
        std::thread other;
        std::optional<bool> actedInside; // noted as the hook or listener returns
        const auto hand = [&graph, &handed, &other, &states, &actedInside] {
            if (other.joinable())
                return Result::Success;
            other = std::thread([graph, handed] {
                handed->answer = graph->Stop();
                handed->answered = true;
                handed->done.Open();
            });
            // A moment for the Stop to act, which it must not do while the host's Pause runs.
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            actedInside = handed->answered || states.Heard(State::Stopped);
            return Result::Success;
        };
        if (fromListener) {
            states.graph = graph.get();
            states.when = State::Paused;
            states.act = hand;
        } else {
            flush->pause.call = hand;
        }
        graph->_graphEvents.Add(&states);
        check(playLooping(*graph, frames), "the graph plays");
        check(graph->Pause() == Result::Success, "the host's Pause answers Success");
        check(actedInside == false, "the handed Stop does not act while the host's Pause runs");
        if (!handed->done.Pass()) {
            check(false, "the handed Stop returns");
            graph->_graphEvents.Remove(&states);
            flush->pause.call = nullptr;
            other.detach(); // it holds what it needs
            continue;
        }
        other.join();
        check(handed->answer == Result::Success && graph->IsStopped() && allStopped(*graph),
              "the handed Stop answers Success and stops the graph");
        check(states.Take() == std::vector<State>{State::Playing, State::Paused, State::Stopped},
              "the listeners hear Paused, then Stopped");
        flush->pause.call = nullptr;
        graph->_graphEvents.Remove(&states);
        graph->RemoveAllFilters();
    }
}

// A Play with no mode on a graph that has no frame order yet answers Failure with a bare text.
void runPlayWithoutOrder()
{
    for (const bool async : {false, true}) {
        std::shared_ptr<Hyx::Graph> graph;
        if (async)
            graph = std::make_shared<Hyx::AsyncGraph>();
        else
            graph = std::make_shared<Hyx::Graph>();
        check(AddFilter(graph, Hyx::SourceEmptySource::TheTypeGuid()) &&
                  AddFilter(graph, Hyx::TargetCallback::TheTypeGuid()),
              "an empty source and a callback target are added");
        const std::string expected = async ? "Source filter '$filter$' lacks a valid frame order provider."
                                           : "Graph is missing frame order provider";
        check(graph->Play() == Hyx::ActionResult::Failure && graph->GetLastError(false).StdString() == expected &&
                  graph->IsStopped(),
              "a Play with no mode and no frame order answers Failure with the bare text");
        quote(expected);
        graph->RemoveAllFilters();
    }
}

// A take with one damaged byte: the reader raises for that frame alone, and ReadFrame catches it.
void runDamagedTake()
{
    const char* path = "takes/damaged.hyx";
    check(WriteTake(path, {MakeFrame(0, "first"), MakeFrame(1, "second")}), "the two frames are written");
    std::vector<char> bytes;
    {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    // Byte 35 is the kind of the first frame's data block.
    check(bytes.size() > 35 && bytes[35] == 0x00, "byte 35 of the take is 0x00");
    if (bytes.size() <= 35)
        return;
    bytes[35] = 0x7f;
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), std::streamsize(bytes.size()));
    const std::string expected = "DataBlock::Deserialize: data-type not supported.";
    Hyx::ReadHYX2File reader(path);
    std::string thrown;
    try {
        check(reader.Initialize() == Hyx::HyxErrorCode::Success, "the damaged take initialises");
        reader.GetFrameAtom(reader.GetFirstStreamId(), 0);
    } catch (const std::logic_error& e) {
        thrown = e.what();
    }
    check(thrown == expected, "GetFrameAtom of the damaged frame raises std::logic_error");
    quote(thrown);
    const auto second = reader.GetFrameAtom(reader.GetFirstStreamId(), 1);
    check(second && second->GetFrameNr() == 1, "the reader's other frame still reads");
    const auto viaReadFrame = ReadFrame(path, 1);
    check(!ReadFrame(path, 0) && viaReadFrame && viaReadFrame->GetFrameNr() == 1,
          "ReadFrame answers empty for the damaged frame and reads the other");
}

// A compressed layer whose stored code or depth byte was changed, loaded again.
template <class Coded>
std::shared_ptr<Coded> recoded(const std::shared_ptr<Coded>& coded, uint8_t code, int byte = -1, uint8_t value = 0)
{
    uint32_t size = 0;
    const uint8_t* data = coded->Serialize(size);
    std::vector<uint8_t> bytes(data, data + size);
    if (byte >= 0 && size_t(byte) < bytes.size())
        bytes[size_t(byte)] = value;
    auto layer = std::make_shared<Coded>();
    layer->InitializeHeader(Hyx::HYXPurposeGuids::VORN4D, coded->GetVersion());
    layer->InitializeCompressionInfo(coded->GetCompressedBlobTypeGuid(), coded->GetCompressedBlobVersion(),
                                     coded->GetCompressionType());
    const bool loaded = layer->InitializeData(bytes.data(), uint32_t(bytes.size()));
    layer->InitializeCompressionInfo(coded->GetCompressedBlobTypeGuid(), coded->GetCompressedBlobVersion(), code);
    return loaded ? layer : nullptr;
}

// What decompress throws: std::invalid_argument for a code or depth its class does not know,
// std::runtime_error for bytes that do not hold what the code needs.
void runDecompressExceptions()
{
    auto indices = std::make_shared<Hyx::DataTypeCompressedVertexIndices>();
    indices->InitializeHeader(Hyx::HYXPurposeGuids::VORN4D);
    auto rgb = std::make_shared<Hyx::DataTypeTextureRGB>();
    rgb->InitializeHeader(Hyx::HYXPurposeGuids::VORN4D);
    std::fill_n(rgb->AllocateTexture(8, 8), 8 * 8 * 3, uint8_t(90));
    auto texture = std::make_shared<Hyx::DataTypeCompressedTexture>();
    texture->InitializeHeader(Hyx::HYXPurposeGuids::VORN4D);
    auto ir = std::make_shared<Hyx::DataTypeTextureIR>();
    ir->InitializeHeader(Hyx::HYXPurposeGuids::VORN4D);
    std::fill_n(ir->AllocateTexture(8, 8), 8 * 8, uint8_t(7));
    auto irCoded = std::make_shared<Hyx::DataTypeCompressedTexture>();
    irCoded->InitializeHeader(Hyx::HYXPurposeGuids::VORN4D);
    check(indices->compress(someIndices().front(), 128) && texture->compress(rgb, 2) && irCoded->compress(ir, 2),
          "the layers compress");
    const auto thrownBy = [](const std::shared_ptr<Hyx::DataTypeCompressedBlob>& layer) {
        if (!layer)
            return std::string("not loaded");
        try {
            layer->decompress();
        } catch (const std::invalid_argument& e) {
            return std::string("invalid_argument: ") + e.what();
        } catch (const std::runtime_error& e) {
            return std::string("runtime_error: ") + e.what();
        }
        return std::string("nothing");
    };
    const struct {
        std::shared_ptr<Hyx::DataTypeCompressedBlob> layer;
        std::string type, text;
    } cases[] = {
        {recoded(indices, 200), "invalid_argument: ", "DataTypeCompressedIndices Indices Compression not supported!"},
        {recoded(indices, 4), "invalid_argument: ", "DataTypeCompressedIndices Indices Compression not supported!"},
        {recoded(texture, 4), "invalid_argument: ", "compression type is not supported!"},
        {recoded(texture, 200), "invalid_argument: ", "compression type is not supported!"},
        // The depth byte follows width, height, the coded width and height and the format.
        {recoded(irCoded, 2, 9, 7), "invalid_argument: ", "Texture depth not supported!"},
        // The plain size a Blosc stream states, after the texture's ten header bytes.
        {recoded(texture, 2, 14, 0x55),
         "runtime_error: ", "uncompressed size stored in buffer differs from the expected size"},
    };
    for (const auto& c : cases) {
        const std::string thrown = thrownBy(c.layer);
        check(thrown.rfind(c.type + c.text, 0) == 0, "decompress throws the README's exception");
        quote(c.text);
    }
}

// The keeper's switches carry the layer's own purpose: TALO after the empty source, VORN4D
// after a manual source of MakeTextureFrame's frames.
void runKeeperNames()
{
    const auto namesAfter = [](const std::shared_ptr<Hyx::Graph>& graph) {
        std::vector<std::string> names;
        const Hyx::SharedFilterPtr keeper =
            Hyx::FilterFactory::CreateFilter(Hyx::MutateDataLayersKeeper::TheTypeGuid(),
                                             Hyx::SharedFilterPtr(graph->GetLastFilter()), Hyx::SharedGraphPtr(graph));
        if (keeper)
            for (const std::shared_ptr<Hyx::FilterParam>& param : keeper.ToStdSharedPtr()->getParameters())
                names.push_back(param->GetName());
        return names;
    };
    auto empty = std::make_shared<Hyx::Graph>();
    check(AddFilter(empty, Hyx::SourceEmptySource::TheTypeGuid()) &&
              namesAfter(empty) == std::vector<std::string>{"Keep {TALO/StreamInfo/NIL}"},
          "after the empty source the keeper's one switch names TALO");
    quote("Keep {TALO/StreamInfo/NIL}");
    empty->RemoveAllFilters();
    auto manual = std::make_shared<Hyx::Graph>();
    const auto source = std::make_shared<Hyx::SourceManualLiveSource>();
    const std::vector<std::string> vorn = {"Keep {VORN4D/StreamInfo/NIL}", "Keep {VORN4D/TextureRGB/NIL}"};
    check(source->ClearCacheAndReinitializeProperties(MakeTextureFrame(0, 8, 8), 1, 30.0f, true) &&
              manual->AddAndConnect(source) == Hyx::ActionResult::Success && namesAfter(manual) == vorn,
          "after a manual source of MakeTextureFrame's frames the switches name VORN4D");
    for (const std::string& name : vorn)
        quote(name);
    manual->RemoveAllFilters();
}

// A graph whose last filter is not a target fails every update.
void runTargetLast()
{
    std::ofstream("calibration.bin", std::ios::binary) << "calibration";
    auto graph = std::make_shared<Hyx::Graph>();
    check(AddFilter(graph, Hyx::SourceEmptySource::TheTypeGuid()) && AddFileBytes(graph, "calibration.bin") &&
              graph->Play(Hyx::PlaybackMode::Realtime) == Hyx::ActionResult::Success,
          "a graph without a target plays");
    const std::string expected =
        "Graph update failed(Filter 'InjectFileData' error: Filter '$filter$' lacks output connection.())";
    for (int i = 0; i < 3; ++i)
        check(graph->Update() == Hyx::ActionResult::Failure && graph->GetLastError(true).StdString() == expected,
              "every update of a graph without a target fails");
    quote(expected);
    graph->Stop();
    graph->RemoveAllFilters();
    // AddAndConnect takes a transform or a mutate after a target; the graph plays, and every
    // update fails.
    for (const bool mutate : {false, true}) {
        graph = std::make_shared<Hyx::Graph>();
        check(AddFilter(graph, Hyx::SourceEmptySource::TheTypeGuid()) &&
                  AddFilter(graph, Hyx::TargetCallback::TheTypeGuid()) &&
                  (mutate ? AddFilter(graph, Hyx::MutateAutoCompressor::TheTypeGuid())
                          : AddFileBytes(graph, "calibration.bin")),
              "AddAndConnect takes a transform or a mutate after a target");
        check(graph->Play(Hyx::PlaybackMode::Realtime) == Hyx::ActionResult::Success,
              "a graph whose last filter comes after its target plays");
        for (int i = 0; i < 3; ++i) {
            const bool failed = graph->Update() == Hyx::ActionResult::Failure;
            const std::string text = graph->GetLastError(true).StdString();
            check(failed &&
                      (mutate ? text.rfind("Graph update failed(", 0) == 0 && contains(text, "lacks output connection.")
                              : text == expected),
                  "every update of a graph whose last filter comes after its target fails");
        }
        graph->Stop();
        graph->RemoveAllFilters();
    }
}

// A success leaves the graph's text; GetLastError(true) empties it.
void runLastErrorAfterSuccess()
{
    auto graph = std::make_shared<Hyx::Graph>();
    check(AddFilter(graph, Hyx::SourceEmptySource::TheTypeGuid()) &&
              AddFilter(graph, Hyx::TargetCallback::TheTypeGuid()),
          "the graph is built");
    check(graph->Play(Hyx::PlaybackMode::ForwardOnce) == Hyx::ActionResult::Failure,
          "the empty source plays only in Realtime");
    const std::string failed = graph->GetLastError(false).StdString();
    check(!failed.empty() && graph->Play(Hyx::PlaybackMode::Realtime) == Hyx::ActionResult::Success &&
              graph->GetLastError(false).StdString() == failed,
          "a Play that succeeds leaves the failure's text");
    check(graph->Update() == Hyx::ActionResult::Success && graph->GetLastError(true).StdString() == failed &&
              graph->GetLastError(false).StdString().empty(),
          "GetLastError(true) gives the text and empties it");
    graph->Stop();
    graph->RemoveAllFilters();
}

// Boolean texts, and a block mutate that keeps every frame on a graph the host updates.
void runBlockMutateWait()
{
    const std::string drop = Hyx::MutateBlock::DROP_FRAMES_WHEN_FULL_PARAMNAME;
    check(drop == "Drop frames when occupied", "the parameter's name");
    const auto block = std::make_shared<Hyx::MutateBlockManual>();
    auto graph = std::make_shared<Hyx::Graph>();
    check(AddFilter(graph, Hyx::SourceEmptySource::TheTypeGuid()) &&
              graph->AddAndConnect(block) == Hyx::ActionResult::Success &&
              AddFilter(graph, Hyx::TargetCallback::TheTypeGuid()),
          "empty source, block mutate, callback target");
    check(block->getParameterValue(drop.c_str()) == "True", "a block mutate drops frames by default");
    for (const auto& [text, value] : std::vector<std::pair<std::string, std::string>>{
             {"True", "True"}, {"true", "True"}, {"1", "True"}, {"TRUE", "False"}, {"yes", "False"}, {"", "False"}}) {
        check(block->setParameterValue(drop.c_str(), "True") && block->setParameterValue(drop.c_str(), text.c_str()) &&
                  block->getParameterValue(drop.c_str()) == value,
              "a boolean parameter reads true only for \"True\", \"true\" and \"1\"");
    }
    // Dropping: every update returns, and the frames past the one buffered are dropped.
    check(block->setParameterValue(drop.c_str(), "True") &&
              graph->Play(Hyx::PlaybackMode::Realtime) == Hyx::ActionResult::Success,
          "the dropping graph plays");
    bool updated = true;
    for (int i = 0; i < 5; ++i)
        updated = updated && graph->Update() == Hyx::ActionResult::Success;
    check(updated && block->getParameterValue("Dropped frames count") == "4", "with \"True\" every update returns");
    graph->Stop();
    // Keeping: another thread pulls, so every update of this thread returns with a frame.
    FrameCounter counter;
    const auto target = std::dynamic_pointer_cast<Hyx::TargetCallback>(graph->GetLastFilter());
    target->SetAtomsListener(&counter);
    check(block->setParameterValue(drop.c_str(), "False") &&
              graph->Play(Hyx::PlaybackMode::Realtime) == Hyx::ActionResult::Success,
          "the keeping graph plays");
    std::atomic<bool> done{false};
    std::thread puller([&] {
        while (!done)
            block->PullNextProcessedFrame();
    });
    updated = true;
    for (int i = 0; i < 5; ++i)
        updated = updated && graph->Update() == Hyx::ActionResult::Success;
    done = true;
    puller.join();
    check(updated && block->getParameterValue("Dropped frames count") == "0",
          "with \"False\" and a pulling thread every update returns and nothing is dropped");
    graph->Stop();
    target->SetAtomsListener(nullptr);
    graph->RemoveAllFilters();
}

// MutateBlockFPS refuses a "Framerate" that is no number or whose period does not fit.
void runBlockFpsRates(const std::shared_ptr<VornCommon::Logger>& logger)
{
    const auto graphWith = [](const char* rate) {
        auto graph = std::make_shared<Hyx::Graph>();
        const bool built = AddFilter(graph, Hyx::SourceEmptySource::TheTypeGuid(), {{"Framerate", "25"}}) &&
                           AddFilter(graph, Hyx::MutateBlockFPS::TheTypeGuid(), {{"Framerate", rate}}) &&
                           AddFilter(graph, Hyx::TargetCallback::TheTypeGuid());
        return built ? graph : nullptr;
    };
    for (const auto& [rate, ending] : std::vector<std::pair<const char*, std::string>>{
             {"nan", "(Framerate nan is not a number of frames a second)))"},
             {"inf", "(Framerate inf is not a number of frames a second)))"},
             {"-inf", "(Framerate -inf is not a number of frames a second)))"},
             {"1e-30", "(Framerate 1e-30 gives a release period past 4294967295 ms)))"}}) {
        CapturedLog log(logger);
        const auto graph = graphWith(rate);
        const std::string text = graph && graph->Play(Hyx::PlaybackMode::Realtime) == Hyx::ActionResult::Failure
                                     ? graph->GetLastError(false).StdString()
                                     : std::string();
        check(text.size() > ending.size() && text.rfind("Graph failed to start playing(", 0) == 0 &&
                  text.compare(text.size() - ending.size(), ending.size(), ending) == 0,
              "MutateBlockFPS refuses the play of a rate that gives no period");
        if (std::string(rate) != "inf" && std::string(rate) != "-inf")
            quote(ending);
        if (graph)
            graph->RemoveAllFilters();
    }
    for (const auto& [rate, period] :
         std::vector<std::pair<const char*, uint32_t>>{{"25", 40}, {"0", 0}, {"-1", 40}, {"-2", 80}, {"-3", 20}}) {
        const auto graph = graphWith(rate);
        const auto fps = graph ? std::dynamic_pointer_cast<Hyx::MutateBlockFPS>(graph->GetFilter(1u)) : nullptr;
        check(fps && graph->Play(Hyx::PlaybackMode::Realtime) == Hyx::ActionResult::Success &&
                  fps->GetReleasePeriodMs() == period,
              "MutateBlockFPS takes a rate, 0 and the codes");
        if (fps && std::string(rate) == "25") {
            CapturedLog log(logger);
            const std::string line =
                "Filter '#BlockFPS': Framerate nan is not a number of frames a second; the release period stays 40 ms";
            check(fps->setParameterValue("Framerate", "nan") && fps->GetReleasePeriodMs() == 40 &&
                      log.At(VornCommon::LogLevel::Error) == std::vector<std::string>{line},
                  "a rate that is no number set while it plays keeps the pace, with one line");
            quote(line);
        }
        if (graph) {
            graph->Stop();
            graph->RemoveAllFilters();
        }
    }
}

// Frame numbers 0 to 4194303, stream ids 0 to 63.
void runFrameRanges(const std::shared_ptr<VornCommon::Logger>& logger)
{
    const Hyx::Atom cut(64u, 4194309u, 0u);
    check(cut.GetStreamId() == 0 && cut.GetFrameNr() == 5, "Atom(64, 4194309, t) is frame 5 of stream 0");
    {
        CapturedLog log(logger);
        Hyx::SerializeToHyx writer("takes/range.hyx", true);
        const std::string line =
            "Hyx failed to pack atom. (frame numbers run from 0 to 4194303: stream 0 already holds frame 4194303)";
        check(writer.pack_atom(MakeFrame(4194303, "last")) == Hyx::HyxErrorCode::Success &&
                  writer.pack_atom(MakeFrame(4194304, "past")) == Hyx::HyxErrorCode::FailedToPackAtom &&
                  log.At(VornCommon::LogLevel::Error) == std::vector<std::string>{line} && writer.CloseFile(),
              "the writer refuses a frame after frame 4194303 with 36 and one line");
        quote(line);
    }
    const auto last = ReadFrame("takes/range.hyx", 0);
    check(last && last->GetFrameNr() == 4194303 && !ReadFrame("takes/range.hyx", 1),
          "the frames written before stay readable");

    // A renumbering live source, cleared now and then so that its queue stays small.
    auto source = std::make_shared<Hyx::SourceManualLiveSource>();
    check(source->ClearCacheAndReinitializeProperties(MakeTextureFrame(0, 4, 4), 1, 30.0f, true),
          "the live source is declared");
    const auto frame = MakeTextureFrame(0, 4, 4);
    bool pushed = true;
    for (uint32_t i = 0; pushed && i <= 4194303u; ++i) {
        if (i % 4096 == 0)
            source->ClearCache(false);
        pushed = source->PushFrame({frame});
    }
    const std::string refusal =
        "Frame rejected - frame numbers run from 0 to 4194303, and the source has numbered 4194304 frames";
    check(pushed && !source->PushFrame({frame}) && source->GetLastError(false).StdString() == refusal,
          "a renumbering source refuses the push that needs frame 4194304");
    quote(refusal);
    // The frames it took before stay queued: the last 4096, from 4190208 on.
    auto graph = std::make_shared<Hyx::Graph>();
    check(graph->AddAndConnect(source) == Hyx::ActionResult::Success &&
              AddFilter(graph, Hyx::TargetCallback::TheTypeGuid()),
          "the source joins a graph");
    const auto first = playForOneFrame(*graph);
    check(first && first->GetFrameNr() == 4190208, "the frames taken before the refusal stay queued");
    graph->RemoveAllFilters();
}

// A live source keeps every frame pushed until an update takes it.
void runLivePushesKept()
{
    auto graph = std::make_shared<Hyx::Graph>();
    auto source = std::make_shared<Hyx::SourceManualLiveSource>();
    check(source->ClearCacheAndReinitializeProperties(MakeTextureFrame(0, 4, 4), 1, 30.0f, true) &&
              graph->AddAndConnect(source) == Hyx::ActionResult::Success &&
              AddFilter(graph, Hyx::TargetCallback::TheTypeGuid()),
          "a live source into a callback target");
    bool pushed = true;
    for (uint32_t i = 0; i < 5000; ++i)
        pushed = pushed && source->PushFrame({MakeTextureFrame(i, 4, 4)});
    struct Numbers : Hyx::IAtomsListener {
        void OnAtomsReceived(std::vector<std::shared_ptr<Hyx::Atom>>& atoms) override
        {
            numbers.push_back(atoms.front()->GetFrameNr());
        }
        std::vector<uint32_t> numbers;
    } listener;
    const auto target = std::dynamic_pointer_cast<Hyx::TargetCallback>(graph->GetLastFilter());
    target->SetAtomsListener(&listener);
    bool updated = graph->Play(Hyx::PlaybackMode::Realtime) == Hyx::ActionResult::Success;
    for (int i = 0; updated && i < 5002; ++i)
        updated = graph->Update() == Hyx::ActionResult::Success;
    graph->Stop();
    target->SetAtomsListener(nullptr);
    graph->RemoveAllFilters();
    bool inOrder = listener.numbers.size() == 5000;
    for (uint32_t i = 0; inOrder && i < 5000; ++i)
        inOrder = listener.numbers[i] == i;
    check(pushed && updated && inOrder, "5,000 pushes without an update are all kept and leave in order");
}

// The quendra dialect checks only the graph its loader reads back.
void runQuendraFirstGraph()
{
    auto graphs = std::make_shared<Hyx::VisualGraphs>();
    for (const float fps : {5.0f, std::numeric_limits<float>::quiet_NaN()}) {
        auto graph = std::make_shared<Hyx::VisualGraph>();
        graph->SetFps(fps);
        graphs->AddVisualGraph(graph);
    }
    std::filesystem::remove("two.xml");
    check(!Hyx::XmlGraph::SaveToHyxXml("two.xml", graphs) && Hyx::XmlGraph::SaveToQuendraXml("two.xml", graphs),
          "the list [5 fps, NaN] is saved in the quendra dialect alone");
    const auto loaded = Hyx::XmlGraph::LoadFromXml("two.xml");
    check(loaded && loaded->GetNumVisualGraphs() == 1 && loaded->GetVisualGraph(0)->GetFps() == 5.0f,
          "the quendra file reads back its first graph");
}

// Stops, pauses and plays that fail, on both kinds of graph.
void runFailedStops(const std::shared_ptr<VornCommon::Logger>& logger)
{
    runWorkerEnds(logger);
    runHostCalls<Hyx::AsyncGraph>();
    runHostCalls<Hyx::Graph>();
    runPauseInsidePass<Hyx::AsyncGraph>();
    runPauseInsidePass<Hyx::Graph>();
    runStopPastFailures<Hyx::AsyncGraph>();
    runStopPastFailures<Hyx::Graph>();
    runDestroyedWhilePlaying<Hyx::AsyncGraph>(logger);
    runDestroyedWhilePlaying<Hyx::Graph>(logger);
    runThrowingListener<Hyx::AsyncGraph>();
    runThrowingListener<Hyx::Graph>();
    runFailedRunMeets();
    runPassPausedOrStoppedThenFailed();
    runPutBackFails<Hyx::AsyncGraph>();
    runPutBackFails<Hyx::Graph>();
    runHostThreads();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3) // run again by runListenerAddress
        return playWithoutTheListener(argv[2]);
    if (argc != 2)
        return 2;
    const std::shared_ptr<VornCommon::Logger> logger = InstallLogger();
    ListFilterClasses(); // the test reads its lines
    runBuiltGraph();
    runCallbacks();
    runThrows(logger);
    runFailedStops(logger);
    runCallsInsideWalks<Hyx::AsyncGraph>();
    runCallsInsideWalks<Hyx::Graph>();
    runStopRequests();
    runBuildingCallsRefused<Hyx::AsyncGraph>();
    runBuildingCallsRefused<Hyx::Graph>();
    runFoldedStopInFailedStop<Hyx::AsyncGraph>();
    runFoldedStopInFailedStop<Hyx::Graph>();
    runPausedPassQueues<Hyx::AsyncGraph>();
    runPausedPassQueues<Hyx::Graph>();
    runRebuildWhenStopped();
    runHandedStop();
    runPlayWithoutOrder();
    runErrorTexts(logger);
    runRanges(logger);
    runInjection(logger);
    runTake(argv[1]);
    runFramePositions();
    runTakeFiles(logger);
    runTextures();
    runLenientGraphFile(logger);
    runCompressionChoice();
    runTransformProfiles();
    runGraphFile();
    runListenerAddress(logger, argv[0], argv[1]);
    runMisspeltGraphFile(logger);
    runCompressionCodes();
    runCompressorOrder();
    runShortCompressedLayer(logger);
    runTranscoding(logger);
    runStandIns(logger);
    runLayerSwitches(logger);
    runImages(logger);
    runCameras();
    runManualSourceFrames();
    runFilterMoves(logger);
    runStreamSelection();
    runPacing();
    runReaderLines(logger);
    runKeeperOffersOneLayer();
    runLayerCopies();
    runKeptLastFrames();
    runNumberTexts();
    runNumPoints();
    runPlugin(logger, argv[1]);
    runDamagedTake();
    runDecompressExceptions();
    runKeeperNames();
    runTargetLast();
    runLastErrorAfterSuccess();
    runBlockMutateWait();
    runBlockFpsRates(logger);
    runFrameRanges(logger);
    runLivePushesKept();
    runQuendraFirstGraph();
    Hyx::ResetHYXLoggerInstance();
    return failures == 0 ? 0 : 1;
}
