// README "Install a logger first": the levels it names, a logger that throws; and the helpers
// Consumer.h declares.

#include "Consumer.h"

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

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// A frame of one stream: its stream information and a vertex-positions layer of two points;
// with a second purpose, a second positions layer of that purpose, centred on (15, 15, 15).
std::shared_ptr<Hyx::Atom> makeFrame(uint32_t frame, const std::optional<VornCommon::Guid>& second)
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

std::shared_ptr<Hyx::DataTypeTextureRGB> rgbOf(const std::shared_ptr<Hyx::Atom>& frame)
{
    return std::dynamic_pointer_cast<Hyx::DataTypeTextureRGB>(
        frame->GetDataLayerByType(Hyx::DataTypeTextureRGB::TheTypeGuid(), false));
}

std::string textOf(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
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

// Manual source (frames of the maker's layers) -> the filters, each given its values -> callback
// target; one frame through on this thread. Empty when a filter was refused or the frame
// failed (the graph's text then in error).
std::shared_ptr<Hyx::Atom> throughFilters(const LayerMaker& layers, const FilterChain& chain, std::string* error)
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

std::vector<std::shared_ptr<Hyx::DataLayer>> somePositions()
{
    auto positions = std::make_shared<Hyx::DataTypeVertexPositions>();
    const float points[] = {0.5f, -1.25f, 3.0f, 2.75f, 4.0f, -6.5f, 1.0f / 3.0f, 2.0f / 3.0f, 0.1f, -0.7f, 1.9f, 5.3f};
    std::copy(std::begin(points), std::end(points), positions->Allocate(4, false));
    positions->CalculateBoundingBoxFromVertexPositions();
    return {positions};
}

std::vector<std::shared_ptr<Hyx::DataLayer>> someIndices()
{
    auto indices = std::make_shared<Hyx::DataTypeVertexIndices>();
    indices->Allocate(3);
    const uint32_t corners[] = {0, 1, 2};
    std::copy(std::begin(corners), std::end(corners), indices->GetIndices());
    return {indices};
}

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
std::string thrownBy(const std::function<Hyx::ActionResult()>& call, Hyx::ActionResult* result)
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

// Keeps each line, then throws.
class ThrowingLogger : public VornCommon::MemoryLogger {
protected:
    void Write(VornCommon::LogLevel level, const char* tag, const std::string& text) override
    {
        VornCommon::MemoryLogger::Write(level, tag, text);
        throw std::runtime_error("logger broke");
    }
};

// A logger that throws loses the line of a reader, and the reader answers as under any logger;
// the lines a filter logs, with LogMessage from its hook or a built-in filter's own, pass its
// exception on to the call that ran the filter.
void runThrowingLogger(const std::shared_ptr<VornCommon::Logger>& logger)
{
    const auto throwing = std::make_shared<ThrowingLogger>();
    Hyx::SetHYXLoggerInstance(throwing);
    Hyx::HyxErrorCode code = Hyx::HyxErrorCode::Success;
    const std::string fromReader = thrownBy([&] {
        Hyx::ReadHYX2File reader("takes/missing.hyx");
        code = reader.Initialize();
        return Hyx::ActionResult::Success;
    });
    check(fromReader.empty() && code == Hyx::HyxErrorCode::ReaderNotValid && throwing->Count() == 1,
          "a logger that throws loses a reader's line, and the reader answers 46 as under any logger");

    // A filter's line from its frame hook leaves the host's Update; the graph plays on.
    FrameList frames;
    const auto flush = std::make_shared<TransformFlush>();
    const auto graph = flushGraph<Hyx::Graph>(6, {flush}, frames);
    std::atomic<bool> logs{true};
    flush->beforeFrame = [&logs](uint32_t frame) {
        if (frame == 1 && logs.exchange(false))
            Hyx::LogMessage(VornCommon::LogLevel::Warning, "frame %u", unsigned(frame));
    };
    std::string fromHook;
    bool played = graph->Play(Hyx::PlaybackMode::ForwardLoop) == Hyx::ActionResult::Success;
    for (int i = 0; played && fromHook.empty() && i < 6; ++i)
        fromHook = thrownBy([&] { return graph->Update(); });
    check(played && fromHook == "logger broke", "a line a filter logs from its hook passes the exception on");
    check(framesFlow(*graph, frames), "the graph plays on");
    graph->Stop();
    graph->RemoveAllFilters();

    // A built-in filter's own line: a "Framerate" the frame-rate block mutate refuses while it
    // plays, set by the host.
    auto paced = std::make_shared<Hyx::Graph>();
    const bool built = AddFilter(paced, Hyx::SourceEmptySource::TheTypeGuid(), {{"Framerate", "25"}}) &&
                       AddFilter(paced, Hyx::MutateBlockFPS::TheTypeGuid(), {{"Framerate", "25"}}) &&
                       AddFilter(paced, Hyx::TargetCallback::TheTypeGuid()) &&
                       paced->Play(Hyx::PlaybackMode::Realtime) == Hyx::ActionResult::Success;
    const auto fps = std::dynamic_pointer_cast<Hyx::MutateBlockFPS>(paced->GetFilter(1u));
    const std::string fromFilter = thrownBy([&] {
        if (fps)
            fps->setParameterValue("Framerate", "nan");
        return Hyx::ActionResult::Success;
    });
    check(built && fps && fromFilter == "logger broke",
          "a built-in filter's own line passes the exception on to the host's call");
    // setParameterValues takes it as a value its parameter refuses, though the value was set.
    const std::string fromValues = thrownBy([&] {
        if (fps && fps->setParameterValue("Framerate", "25"))
            fps->setParameterValues({{"Framerate", "nan"}});
        return Hyx::ActionResult::Success;
    });
    const std::string misread = "Filter parameter 'Framerate' does not support value nan (logger broke)";
    check(fps && fromValues.empty() && throwing->Contains(misread) && fps->getParameterValue("Framerate") == "nan",
          "setParameterValues logs the filter's exception as a value refused, and the value is set");
    quote(misread);
    // Graph::SetFilterParamValue: the form that takes a Guid lets the line out, the value
    // set; the form that takes the GUID as text answers false, the value set all the same.
    const VornCommon::Guid blockType = Hyx::MutateBlockFPS::TheTypeGuid();
    bool found = false;
    const std::string fromGraph = thrownBy([&] {
        found = paced->SetFilterParamValue(blockType, "Framerate", "inf", 1);
        return Hyx::ActionResult::Success;
    });
    check(fps && fromGraph == "logger broke" && fps->getParameterValue("Framerate") == "inf",
          "Graph::SetFilterParamValue with a Guid passes the filter's exception on, the value set");
    const std::string guidLine = "Invalid filter guid: logger broke";
    const std::string fromText = thrownBy([&] {
        found = paced->SetFilterParamValue(blockType.ToHexString().CStr(), "Framerate", "-inf", 1);
        return Hyx::ActionResult::Success;
    });
    check(fps && fromText.empty() && !found && fps->getParameterValue("Framerate") == "-inf" &&
              throwing->Contains(guidLine),
          "the form that takes the GUID as text answers false for it and logs it, the value set");
    quote(guidLine);
    paced->Stop();
    paced->RemoveAllFilters();
    Hyx::SetHYXLoggerInstance(logger);
}

std::shared_ptr<Hyx::Graph> sourceToCallback(bool async, const std::shared_ptr<Hyx::Filter>& source,
                                             Hyx::IAtomsListener& listener)
{
    std::shared_ptr<Hyx::Graph> graph;
    if (async)
        graph = std::make_shared<Hyx::AsyncGraph>();
    else
        graph = std::make_shared<Hyx::Graph>();
    const bool sourced = source ? graph->AddAndConnect(source) == Hyx::ActionResult::Success
                                : AddFilter(graph, Hyx::SourceEmptySource::TheTypeGuid(), {{"Framerate", "30"}});
    const bool built = sourced && AddFilter(graph, Hyx::TargetCallback::TheTypeGuid());
    const auto target = std::dynamic_pointer_cast<Hyx::TargetCallback>(graph->GetLastFilter());
    check(built && target, "a source and a callback target are added");
    if (!built || !target)
        return nullptr;
    target->SetAtomsListener(&listener);
    return graph;
}

} // namespace
