// README "Failures: codes, error texts and log lines".
// Also checked under this section: a callback listener's throw on the worker (Callbacks.cpp) and
// StartRecording without a recording filter (FilterFactory.cpp).

#include "Consumer.h"

namespace {

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

} // namespace
