// README "Receiving frames in a callback".

#include "Consumer.h"

namespace {

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

} // namespace
