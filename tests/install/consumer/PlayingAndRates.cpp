// README "Filters are made through `FilterFactory`": playing a graph, its rates and modes, leaving
// Realtime, the block mutates.

#include "Consumer.h"

namespace {

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
    // A NaN or an infinity is no rate, nor is one whose period does not fit in 32 bits:
    // refused, nothing changed.
    check(graph->SetPlaybackMode(Hyx::PlaybackMode::Realtime, 250) == Hyx::ActionResult::Success, "a rate is set");
    const std::pair<double, std::string> refusals[] = {
        {std::numeric_limits<double>::quiet_NaN(), "nan is not a number of frames a second"},
        {std::numeric_limits<double>::infinity(), "inf is not a number of frames a second"},
        {1e-30, "1e-30 gives a frame period past 4294967295 ms"},
        {2.3e-7, "2.3e-07 gives a frame period past 4294967295 ms"}};
    for (const auto& [rate, why] : refusals) {
        const std::string refused = "Graph failed to set a frame rate(" + why + ")";
        float kept = 0.0f;
        check(graph->SetGraphFps(float(rate)) == Hyx::ActionResult::Failure &&
                  graph->GetLastError(true).StdString() == refused &&
                  graph->SetPlaybackMode(Hyx::PlaybackMode::ForwardOnce, float(rate)) == Hyx::ActionResult::Failure &&
                  graph->GetLastError(true).StdString() == refused &&
                  graph->SetPlaybackMode(Hyx::PlaybackMode::ForwardOnce, rate) == Hyx::ActionResult::Failure &&
                  graph->GetLastError(true).StdString() == refused &&
                  graph->GetGraphFps(kept) == Hyx::ActionResult::Success && kept == 250.0f &&
                  graph->GetFramePeriodMs() == 4,
              "SetGraphFps and SetPlaybackMode refuse a NaN, an infinity or a rate whose period does not fit, "
              "and change nothing");
        if (!std::isinf(rate) && rate != 2.3e-7)
            quote(refused);
    }
    check(graph->SetGraphFps(2.4e-7f) == Hyx::ActionResult::Success && graph->GetFramePeriodMs() == 4166666752u,
          "a rate just above about 2.3e-7 is taken, its period worked out in single precision: 4166666752");
    {
        // Through a Graph pointer to the same AsyncGraph a number is the reset flag: the rate stays.
        check(graph->SetGraphFps(25.0f) == Hyx::ActionResult::Success, "the graph paces at 25");
        const std::shared_ptr<Hyx::Graph> asGraph = graph;
        float kept = 0.0f;
        check(asGraph->SetPlaybackMode(Hyx::PlaybackMode::ForwardLoop, -1) == Hyx::ActionResult::Success &&
                  graph->GetGraphFps(kept) == Hyx::ActionResult::Success && kept == 25.0f &&
                  graph->GetFramePeriodMs() == 40,
              "through a Graph pointer, even to an AsyncGraph, a number is the reset flag and the rate stays");
    }
    graph->RemoveAllFilters();

    // A code paces nothing while the source announces no rate above 0, or one whose period,
    // for the code's half or double, does not fit.
    const struct {
        float announced, code;
        uint32_t periodMs;
    } codes[] = {{0.0f, -1, 0}, {4e-7f, -1, 2500000000u}, {4e-7f, -2, 0}, {4e-7f, -3, 1250000000u}};
    for (const auto& c : codes) {
        auto announcing = std::make_shared<Hyx::AsyncGraph>();
        const auto live = std::make_shared<Hyx::SourceManualLiveSource>();
        check(live->ClearCacheAndReinitializeProperties(MakeTextureFrame(0, 4, 4), 1, c.announced, true) &&
                  announcing->AddAndConnect(live) == Hyx::ActionResult::Success &&
                  announcing->SetGraphFps(c.code) == Hyx::ActionResult::Success &&
                  announcing->GetFramePeriodMs() == c.periodMs,
              "a code paces nothing while the source announces no usable rate");
        announcing->RemoveAllFilters();
    }
}

// The second argument of SetPlaybackMode: a flag or a number, never a text or another pointer.
template <class G, class Second>
concept TakesAsSecondArgument = requires(G& graph, Second second)
{
    graph.SetPlaybackMode(Hyx::PlaybackMode::ForwardLoop, second);
};
template <class G>
concept TakesATextAsSecondArgument = requires(G& graph)
{
    graph.SetPlaybackMode(Hyx::PlaybackMode::ForwardLoop, "25");
};
static_assert(!TakesATextAsSecondArgument<Hyx::AsyncGraph> && !TakesATextAsSecondArgument<Hyx::Graph> &&
              !TakesAsSecondArgument<Hyx::AsyncGraph, int*> && !TakesAsSecondArgument<Hyx::Graph, void*>);
static_assert(TakesAsSecondArgument<Hyx::AsyncGraph, bool> && TakesAsSecondArgument<Hyx::AsyncGraph, float> &&
              TakesAsSecondArgument<Hyx::AsyncGraph, int> && TakesAsSecondArgument<Hyx::Graph, bool>);

// A value outside PlaybackMode is refused by SetPlaybackMode and Play(mode) in every state, on
// both kinds of graph, with a text that names it; the state, the mode and the rate stay.
void runModesOutsidePlaybackMode()
{
    using Result = Hyx::ActionResult;
    using State = Hyx::Graph::GraphState;
    const auto notAMode = static_cast<Hyx::PlaybackMode>(77);
    for (const bool async : {false, true}) {
        for (const State state : {State::Stopped, State::Paused, State::Playing}) {
            FrameList frames;
            std::shared_ptr<Hyx::Graph> graph;
            if (async)
                graph = flushGraph<Hyx::AsyncGraph>(6, {}, frames);
            else
                graph = flushGraph<Hyx::Graph>(6, {}, frames);
            const auto asyncGraph = std::dynamic_pointer_cast<Hyx::AsyncGraph>(graph);
            check((asyncGraph ? asyncGraph->SetPlaybackMode(Hyx::PlaybackMode::ForwardLoop, 25.0f)
                              : graph->SetPlaybackMode(Hyx::PlaybackMode::ForwardLoop, true)) == Result::Success &&
                      (state == State::Stopped || graph->Play() == Result::Success) &&
                      (state != State::Paused || graph->Pause() == Result::Success),
                  "the graph loops, stopped, paused or playing");
            const auto order = graph->GetFrameOrderProvider();
            const auto stays = [&] {
                const auto automatic = std::dynamic_pointer_cast<Hyx::FrameOrderAuto>(order);
                float fps = 0.0f;
                return graph->IsStopped() == (state == State::Stopped) &&
                       graph->IsPaused() == (state == State::Paused) &&
                       graph->IsPlaying() == (state == State::Playing) && graph->GetFrameOrderProvider() == order &&
                       automatic && automatic->GetPlaybackMode() == Hyx::PlaybackMode::ForwardLoop &&
                       (!asyncGraph || (asyncGraph->GetGraphFps(fps) == Result::Success && fps == 25.0f &&
                                        asyncGraph->GetFramePeriodMs() == 40));
            };
            const std::string setRefused = "Graph failed to set a playback mode(77 is not a playback mode)";
            const std::string playRefused = "Graph failed to start playing(77 is not a playback mode)";
            check(graph->SetPlaybackMode(notAMode, true) == Result::Failure &&
                      graph->GetLastError(true).StdString() == setRefused && stays(),
                  "SetPlaybackMode refuses a value outside PlaybackMode and changes nothing");
            check(!asyncGraph || (asyncGraph->SetPlaybackMode(notAMode, 30.0f) == Result::Failure &&
                                  graph->GetLastError(true).StdString() == setRefused && stays()),
                  "an AsyncGraph's SetPlaybackMode with a rate refuses it too, and keeps the rate");
            check(graph->Play(notAMode) == Result::Failure && graph->GetLastError(true).StdString() == playRefused &&
                      stays(),
                  "Play(mode) refuses a value outside PlaybackMode in every state and changes nothing");
            quote(setRefused);
            quote(playRefused);
            check(StopGraph(*graph), "StopGraph stops it");
            graph->RemoveAllFilters();
        }
    }
}

// Notes each frame's number like FrameList, and pauses the graph as the callback target hands
// over frame `pauseAt`, once.
class PausingList : public FrameList {
public:
    void OnAtomsReceived(std::vector<std::shared_ptr<Hyx::Atom>>& atoms) override
    {
        FrameList::OnAtomsReceived(atoms);
        int64_t frame = atoms.front()->GetFrameNr();
        if (pauseAt.compare_exchange_strong(frame, -1))
            graph->Pause();
    }
    std::atomic<int64_t> pauseAt{-1};
    Hyx::Graph* graph = nullptr;
};

// Realtime counts on past the source's last frame; a change of mode without a reset that
// leaves it goes on inside the source's frames: loops as if the count had looped, the other
// modes from the last frame (ForwardOnce is then done). On the provider, and on a paused
// graph of either kind whose order Realtime made itself, or (an AsyncGraph's SetPlaybackMode
// with a rate) one over the source's frames.
void runLeavingRealtime()
{
    using M = Hyx::PlaybackMode;
    using State = Hyx::Graph::GraphState;
    // The provider over frames 0 to 4, Realtime to frame 7, then each mode.
    const std::pair<M, std::vector<uint32_t>> walks[] = {{M::ForwardLoop, {3, 4, 0, 1, 2, 3}},
                                                         {M::BackwardLoop, {1, 0, 4, 3, 2}},
                                                         {M::ForwardOnce, {}},
                                                         {M::BackwardOnce, {3, 2, 1, 0}},
                                                         {M::Pingpong, {3, 2, 1, 0, 1, 2}},
                                                         {M::PingpongInverse, {3, 2, 1, 0, 1, 2}}};
    for (const auto& [mode, expected] : walks) {
        Hyx::FrameOrderAuto order(0, 5);
        order.SetPlaybackMode(M::Realtime, true);
        for (int i = 0; i < 8; ++i)
            order.AdvanceFrameID();
        const bool counted = order.GetFrameID() == 7;
        order.SetPlaybackMode(mode, false);
        std::vector<uint32_t> walked;
        const bool once = mode == M::ForwardOnce || mode == M::BackwardOnce;
        while (walked.size() < 12 && (once ? order.HasNextFrameID() : walked.size() < expected.size())) {
            order.AdvanceFrameID();
            walked.push_back(order.GetFrameID());
        }
        check(counted && walked == expected, "a walk that leaves Realtime past the range goes on inside it");
    }
    // A source of 10 frames, Realtime to frame 13, paused there by the callback's listener.
    const std::pair<M, std::vector<uint32_t>> resumes[] = {{M::ForwardLoop, {4, 5, 6, 7, 8, 9, 0, 1}},
                                                           {M::BackwardLoop, {2, 1, 0, 9, 8}},
                                                           {M::ForwardOnce, {}},
                                                           {M::BackwardOnce, {8, 7, 6, 5, 4, 3, 2, 1, 0}},
                                                           {M::Pingpong, {8, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2}}};
    for (const int kind : {0, 1, 2}) { // a Graph; an AsyncGraph, its order Realtime's or over the frames
        const bool async = kind > 0;
        for (const auto& [mode, expected] : resumes) {
            PausingList frames;
            StateList states;
            const std::shared_ptr<Hyx::Graph> graph = sourceToCallback(
                async, std::make_shared<HostSource>(std::vector{std::make_shared<HostStream>(0, 10)}), frames);
            if (!graph)
                continue;
            frames.graph = graph.get();
            frames.pauseAt = 13;
            graph->_graphEvents.Add(&states);
            // With no order yet, Realtime makes one over 4294967295 frames; with a rate, an
            // AsyncGraph makes one over the source's frames.
            const auto asyncGraph = std::dynamic_pointer_cast<Hyx::AsyncGraph>(graph);
            bool paused = (kind == 2 ? asyncGraph->SetPlaybackMode(M::Realtime, 0.0f)
                                     : graph->SetPlaybackMode(M::Realtime, true)) == Hyx::ActionResult::Success &&
                          graph->Play() == Hyx::ActionResult::Success;
            if (async) {
                paused = paused && waitFor([&] { return states.Heard(State::Paused); });
            } else {
                for (int i = 0; paused && i < 20 && !graph->IsPaused(); ++i)
                    paused = graph->Update() == Hyx::ActionResult::Success;
            }
            std::vector<uint32_t> before(14);
            for (uint32_t i = 0; i < before.size(); ++i)
                before[i] = i;
            check(paused && graph->IsPaused() && frames.Take() == before,
                  "Realtime counts past the source's 10 frames to frame 13, where the graph pauses");
            const auto order = std::dynamic_pointer_cast<Hyx::FrameOrderAuto>(graph->GetFrameOrderProvider());
            check(order && order->GetRangeSize() == (kind == 2 ? 10u : 4294967295u),
                  "Realtime made the graph's order itself, or the AsyncGraph's rate one over the source's frames");
            if (kind == 2 && mode == M::ForwardLoop) {
                // The rate form installs a new order, so it takes a stopped graph only.
                const std::string refused = "Graph failed to set a frame order provider(graph must be stopped first)";
                float rate = -1.0f;
                check(asyncGraph->SetPlaybackMode(M::BackwardLoop, 25.0f) == Hyx::ActionResult::Failure &&
                          graph->GetLastError(true).CStr() == refused && graph->GetFrameOrderProvider() == order &&
                          order->GetPlaybackMode() == M::Realtime &&
                          asyncGraph->GetGraphFps(rate) == Hyx::ActionResult::Success && rate == 0.0f,
                      "an AsyncGraph's SetPlaybackMode(mode, fps) on a paused graph is refused and changes nothing");
                quote(refused);
            }
            states.Take();
            bool resumed = graph->SetPlaybackMode(mode, false) == Hyx::ActionResult::Success &&
                           graph->Play() == Hyx::ActionResult::Success;
            if (async) {
                resumed =
                    resumed && waitFor([&] {
                        return expected.empty() ? states.Heard(State::Stopped) : frames.Count() >= expected.size();
                    });
            } else {
                for (int i = 0; resumed && i < 20 && frames.Count() < expected.size(); ++i)
                    resumed = graph->Update() == Hyx::ActionResult::Success;
                resumed = resumed && (!expected.empty() || graph->IsDone());
            }
            check(StopGraph(*graph), "StopGraph stops it");
            std::vector<uint32_t> after = frames.Take();
            if (after.size() > expected.size() && !expected.empty())
                after.resize(expected.size());
            check(resumed && after == expected,
                  "a paused graph leaving Realtime goes on inside the source's frames: a loop as if Realtime had "
                  "looped, the other modes from the last frame");
            graph->_graphEvents.Remove(&states);
            graph->RemoveAllFilters();
        }
    }
    // Inside the source's frames the frame the old mode planned next still comes first: paused
    // at frame 5 of a ForwardLoop, a change to BackwardLoop resumes at 6, 5, 4.
    {
        PausingList frames;
        const std::shared_ptr<Hyx::Graph> graph = sourceToCallback(
            false, std::make_shared<HostSource>(std::vector{std::make_shared<HostStream>(0, 10)}), frames);
        if (graph) {
            frames.graph = graph.get();
            frames.pauseAt = 5;
            bool paused = graph->Play(M::ForwardLoop) == Hyx::ActionResult::Success;
            for (int i = 0; paused && i < 20 && !graph->IsPaused(); ++i)
                paused = graph->Update() == Hyx::ActionResult::Success;
            frames.Take();
            bool resumed = paused && graph->SetPlaybackMode(M::BackwardLoop, false) == Hyx::ActionResult::Success &&
                           graph->Play() == Hyx::ActionResult::Success;
            for (int i = 0; resumed && i < 3; ++i)
                resumed = graph->Update() == Hyx::ActionResult::Success;
            check(resumed && frames.Take() == std::vector<uint32_t>{6, 5, 4},
                  "paused at 5 of a ForwardLoop, a change to BackwardLoop resumes at 6, 5, 4");
            const std::string refused = "Graph failed to set a playback mode(graph must be stopped first)";
            check(graph->SetPlaybackMode(M::ForwardLoop, false) == Hyx::ActionResult::Failure &&
                      graph->GetLastError(true).CStr() == refused,
                  "SetPlaybackMode(mode, reset) on a playing graph is refused");
            quote(refused);
            check(StopGraph(*graph), "StopGraph stops it");
            graph->RemoveAllFilters();
        }
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

} // namespace
