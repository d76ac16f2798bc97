// README "Filters are made through `FilterFactory`": no call inside another walk (a building call
// from an add's hooks too); several host threads (list readers beside rebuilds).

#include "Consumer.h"

namespace {

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
        const float progress = graph->GetProgress();
        static_cast<void>(graph->GetProgressInfo());
        static_cast<void>(graph->IsDone());
        check(!graph->IsPaused() && !graph->IsStopRequested() && graph->GetFrameOrderProvider() &&
                  graph->GetNumFilters() == 2 && graph->GetFilter(0u) == source &&
                  graph->GetLastFilter() == graph->GetFilter(Hyx::TargetCallback::TheTypeGuid()) &&
                  graph->GetRenderers().empty() && graph->GetFilterParam("Atom listener ptr") &&
                  graph->GetFilterParam(Hyx::TargetCallback::TheTypeGuid(), "Atom listener ptr", 1) &&
                  progress >= 0.0f && progress <= 1.0f && graph->GetSourceStreamInfo() &&
                  graph->GetSourceAggregatedOutputProfile(),
              "so do those that read the filter list, the source's own answers included: none waits for the "
              "Play");
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
    // GetSourceStreamInfo and GetSourceAggregatedOutputProfile ask the source itself, and
    // never wait for a Play (above, held in the source's own GetStreamInfo; here in a filter's
    // onPlay) or a Stop (waiting for the worker held in its pass).
    for (const bool stop : {false, true}) {
        Gate held, release;
        std::atomic<bool> hold{true}, heldTooLong{false};
        FrameList frames;
        const auto flush = std::make_shared<TransformFlush>();
        const auto graph = flushGraph<Hyx::AsyncGraph>(6, {flush}, frames);
        const std::function<void()> holdHere = [&] {
            if (hold.exchange(false)) {
                held.Open();
                if (!release.Pass())
                    heldTooLong = true;
            }
        };
        check(graph->SetPlaybackMode(Hyx::PlaybackMode::ForwardLoop, 200) == Hyx::ActionResult::Success,
              "the graph loops at 200 frames a second");
        std::thread other;
        if (stop) {
            flush->beforeFrame = [&holdHere](uint32_t) { holdHere(); };
            check(graph->Play() == Hyx::ActionResult::Success && held.Pass(), "the worker's pass is held");
            other = std::thread([&graph] { graph->Stop(); });
            check(waitFor([&] { return graph->IsStopRequested(); }), "the Stop waits for the worker");
        } else {
            flush->play.call = holdHere;
            other = std::thread([&graph] { graph->Play(); });
            check(held.Pass(), "the Play is held in a filter's onPlay");
        }
        const auto info = graph->GetSourceStreamInfo();
        const auto profile = graph->GetSourceAggregatedOutputProfile();
        release.Open();
        other.join();
        check(info && info->GetFPS() == 30.0f && profile && !heldTooLong,
              "GetSourceStreamInfo and GetSourceAggregatedOutputProfile answer while a Play or a Stop is under way");
        flush->play.call = nullptr;
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

// One host thread rebuilds an AsyncGraph with the README's AddFilter, round after round; another
// reads it meanwhile through every getter the README names. Each filter read is one of the
// chain's and alive (read through it). Then two threads rebuild it, each keeping its sequence
// apart from the other's with a lock of its own, as the README says: every step answers
// Success. Without that lock each call is still one step: answers vary, nothing breaks.
void runListReadersBesideRebuilds(const std::shared_ptr<VornCommon::Logger>& logger)
{
    using Result = Hyx::ActionResult;
    const VornCommon::Guid chain[] = {Hyx::SourceEmptySource::TheTypeGuid(), Hyx::MutateAutoCompressor::TheTypeGuid(),
                                      Hyx::TargetCallback::TheTypeGuid()};
    const auto ofChain = [&chain](const std::shared_ptr<Hyx::Filter>& filter) {
        return std::find(std::begin(chain), std::end(chain), filter->TypeGuid()) != std::end(chain) &&
               filter->GetFilterState() != Hyx::Filter::FilterState::Created;
    };
    const auto graph = std::make_shared<Hyx::AsyncGraph>();
    const auto rebuild = [&graph] {
        return graph->Stop() == Result::Success && graph->RemoveAllFilters() == Result::Success &&
               AddFilter(graph, Hyx::SourceEmptySource::TheTypeGuid(), {{"Framerate", "30"}}) &&
               AddFilter(graph, Hyx::MutateAutoCompressor::TheTypeGuid()) &&
               AddFilter(graph, Hyx::TargetCallback::TheTypeGuid()) &&
               graph->Play(Hyx::PlaybackMode::Realtime) == Result::Success;
    };
    {
        std::atomic<bool> done{false}, strange{false};
        std::atomic<int> reads{0};
        Gate reading;
        std::thread reader([&] {
            const auto expect = [&strange](bool ok) {
                if (!ok)
                    strange = true;
            };
            do {
                ++reads;
                expect(graph->GetNumFilters() <= 3);
                for (unsigned i = 0; i <= 3; ++i)
                    if (const auto filter = graph->GetFilter(i))
                        expect(i < 3 && ofChain(filter));
                if (const auto last = graph->GetLastFilter())
                    expect(ofChain(last));
                for (const VornCommon::Guid& type : chain)
                    if (const auto filter = graph->GetFilter(type))
                        expect(filter->TypeGuid() == type && ofChain(filter));
                expect(graph->GetRenderers().empty());
                if (const auto param = graph->GetFilterParam("Framerate"))
                    expect(param->GetValueAsString() == "30");
                if (const auto param = graph->GetFilterParam(chain[0], "Framerate", 1))
                    expect(param->GetValueAsString() == "30");
                if (const auto info = graph->GetSourceStreamInfo())
                    expect(info->GetFPS() == 30.0f);
                if (const auto profile = graph->GetSourceAggregatedOutputProfile())
                    expect(profile->GetDataProfileCount() == 1);
                static_cast<void>(graph->IsDone());
                float fps = -1.0f;
                expect(graph->GetGraphFps(fps) == Result::Success && fps == 0.0f && graph->GetFramePeriodMs() == 0);
                static_cast<void>(graph->IsPlaying() || graph->IsPaused() || graph->IsStopped());
                expect(!graph->IsSuspended());
                static_cast<void>(graph->IsStopRequested());
                expect(graph->GetLastError(false).StdString().empty());
                const float progress = graph->GetProgress();
                expect(progress >= 0.0f && progress <= 1.0f);
                static_cast<void>(graph->GetProgressInfo());
                static_cast<void>(graph->GetFrameOrderProvider());
                if (reads == 1)
                    reading.Open();
            } while (!done);
        });
        bool rebuilt = reading.Pass();
        for (int round = 0; rebuilt && round < 100; ++round)
            rebuilt = rebuild();
        done = true;
        reader.join();
        check(rebuilt, "a host thread rebuilds the graph with AddFilter while another reads it");
        check(!strange, "every getter read beside the rebuilds gives a filter of the chain, alive, or none");
    }
    // Two rebuilding threads, each sequence under the host's own lock.
    {
        std::mutex sequence;
        std::atomic<bool> allRebuilt{true};
        const auto rebuilder = [&] {
            for (int round = 0; round < 30; ++round) {
                const std::lock_guard<std::mutex> lock(sequence);
                if (!rebuild())
                    allRebuilt = false;
            }
        };
        std::thread other(rebuilder);
        rebuilder();
        other.join();
        check(allRebuilt && graph->GetNumFilters() == 3, "two threads whose sequences are kept apart rebuild at will");
    }
    // Without that lock: one step at a time, some refused; the graph empties and builds again.
    {
        CapturedLog log(logger); // the refused connections' lines
        const auto stepper = [&] {
            for (int round = 0; round < 30; ++round) {
                graph->Stop();
                graph->RemoveAllFilters();
                for (const VornCommon::Guid& type : chain) {
                    const std::shared_ptr<Hyx::Filter> filter = Hyx::AsyncGraph::CreateFilter(type, graph);
                    if (filter && graph->AddAndConnect(filter) != Result::Success &&
                        filter->GetFilterState() == Hyx::Filter::FilterState::Initialized)
                        filter->DeInitialize(); // a refused filter the host lets go
                }
            }
        };
        std::thread other(stepper);
        stepper();
        other.join();
    }
    check(rebuild() && graph->GetNumFilters() == 3 && graph->IsPlaying(),
          "after two unlocked rebuilders the graph rebuilds as before");
    check(graph->Stop() == Result::Success && graph->RemoveAllFilters() == Result::Success, "the graph empties");
}

constexpr VornCommon::Guid kHookedTarget = Hyx::GuidLiteral("5C0A7E51-0000-4000-8000-0000000000FB");

// A target of the host's whose onInitializeParams or onInitialize runs a call first.
class HookedTarget : public Hyx::TargetCallback {
public:
    VornCommon::Guid TypeGuid() const override { return kHookedTarget; }
    Hyx::FilterClassInfo GetFilterClassInfo() const override
    {
        return Hyx::FilterClassInfo("TargetHooked", Hyx::FilterCategory::Target);
    }
    std::function<void()> onPreInitialize, onInit;

protected:
    Hyx::HyxErrorCode onInitializeParams(Hyx::Filter* upstream) override
    {
        if (onPreInitialize)
            onPreInitialize();
        return Hyx::TargetCallback::onInitializeParams(upstream);
    }
    Hyx::HyxErrorCode onInitialize(Hyx::Filter* upstream) override
    {
        if (onInit)
            onInit();
        return Hyx::TargetCallback::onInitialize(upstream);
    }
};

// What the factory's HookedTarget runs as it is pre-initialised.
std::function<void()> hookOfTheMade;

// The host registers its target class once, as a plug-in would.
bool registerHookedTarget()
{
    static const bool registered = [] {
        Hyx::FilterFactory::RegisterFilterClass(kHookedTarget,
                                                Hyx::FilterClassInfo("TargetHooked", Hyx::FilterCategory::Target), [] {
                                                    auto* target = new HookedTarget();
                                                    target->onPreInitialize = hookOfTheMade;
                                                    return static_cast<Hyx::Filter*>(target);
                                                });
        return true;
    }();
    return registered;
}

// A building call, an Update or a filter's Disconnect from the onInitializeParams or onInitialize
// of the filter AddAndConnect takes in (or that AsyncGraph::CreateFilter makes) is refused with
// the walk's text; the add goes on as if none was made, and the graph plays. A Stop from there
// acts as from outside, and so does a Play on a Graph: the add of the graph it played is then
// refused. (An AsyncGraph whose last filter is a transform would end such a run at once.)
template <class G>
void runBuildingFromAnAddsHooks()
{
    using Result = Hyx::ActionResult;
    const bool async = std::is_same_v<G, Hyx::AsyncGraph>;
    check(registerHookedTarget(), "the host registers its target class");
    enum class Where {
        PreInitializeInAdd,
        InitializeInAdd,
        PreInitializeInCreateFilter
    };
    enum class Call {
        Add,
        RemoveAll,
        Update,
        Disconnect,
        Stop,
        Play
    };
    for (const Where where : {Where::PreInitializeInAdd, Where::InitializeInAdd, Where::PreInitializeInCreateFilter}) {
        if (where == Where::PreInitializeInCreateFilter && !async)
            continue;
        for (const Call call : {Call::Add, Call::RemoveAll, Call::Update, Call::Disconnect, Call::Stop, Call::Play}) {
            if (call == Call::Play && async)
                continue;
            FrameList frames;
            const auto flush = std::make_shared<TransformFlush>();
            const auto graph = std::make_shared<G>();
            const auto source = std::dynamic_pointer_cast<Hyx::SourceManualOfflineSource>(
                Hyx::FilterFactory::CreateFilter(Hyx::SourceManualOfflineSource::TheTypeGuid(), {},
                                                 Hyx::SharedGraphPtr(graph))
                    .ToStdSharedPtr());
            bool built = source && source->ClearCacheAndReinitializeProperties(makeFrame(0), 1, 30.0f, true);
            for (uint32_t i = 0; built && i < 6; ++i)
                built = source->PushFrame({makeFrame(i)});
            built = built && graph->AddAndConnect(source) == Result::Success &&
                    graph->AddAndConnect(flush) == Result::Success;
            const std::shared_ptr<Hyx::Filter> extra =
                Hyx::FilterFactory::CreateFilter(Hyx::TargetEmpty::TheTypeGuid(), {}, {}).ToStdSharedPtr();
            const Hyx::Filter::FilterState offered =
                extra ? extra->GetFilterState() : Hyx::Filter::FilterState::Created;
            std::optional<Result> answer;
            std::string text;
            G* const raw = graph.get();
            const auto hook = [&, raw] {
                if (answer)
                    return;
                answer = call == Call::Add                                   ? raw->AddAndConnect(extra)
                         : call == Call::RemoveAll                           ? raw->RemoveAllFilters()
                         : call == Call::Update                              ? raw->Update()
                         : call == Call::Stop                                ? raw->Stop()
                         : call == Call::Play                                ? raw->Play(Hyx::PlaybackMode::ForwardLoop)
                         : flush->Disconnect() == Hyx::HyxErrorCode::Success ? Result::Success
                                                                             : Result::Failure;
                text = raw->GetLastError(false).StdString();
            };
            std::shared_ptr<HookedTarget> joining;
            if (where == Where::PreInitializeInCreateFilter) {
                hookOfTheMade = hook;
                if constexpr (std::is_same_v<G, Hyx::AsyncGraph>)
                    joining =
                        std::dynamic_pointer_cast<HookedTarget>(Hyx::AsyncGraph::CreateFilter(kHookedTarget, graph));
                hookOfTheMade = nullptr;
            } else {
                joining = std::make_shared<HookedTarget>();
                (where == Where::PreInitializeInAdd ? joining->onPreInitialize : joining->onInit) = hook;
            }
            if (!built || !joining || !extra) {
                check(false, "a graph of an offline source and a transform, and a target of the host's");
                continue;
            }
            const Result added = graph->AddAndConnect(joining);
            const std::string addText = graph->GetLastError(false).StdString();
            const char* refusal = call == Call::Add         ? "Graph failed to add a filter(it is changing state)"
                                  : call == Call::RemoveAll ? "Graph failed to remove a filter(it is changing state)"
                                  : call == Call::Update    ? "Graph update failed(it is changing state)"
                                                         : "Graph failed to disconnect a filter(it is changing state)";
            if (call == Call::Play) {
                const std::string notStopped = "Graph failed to add a filter(graph must be stopped first)";
                check(answer == Result::Success && added == Result::Failure && addText == notStopped &&
                          graph->GetNumFilters() == 2,
                      "a Play from an add's hook plays the graph, and the add is then refused as not stopped");
                quote("(an add of a graph that a hook played is then refused as not stopped)");
                check(StopGraph(*graph), "StopGraph stops it");
                if (joining->GetFilterState() == Hyx::Filter::FilterState::Initialized)
                    joining->DeInitialize();
            } else {
                check(call == Call::Stop
                          ? answer == Result::Success
                          : answer == Result::Failure && text == refusal && extra->GetFilterState() == offered,
                      "a building call, an Update or a Disconnect from an add's hook is refused with the walk's "
                      "text; a Stop acts as from outside");
                if (call == Call::Disconnect && where == Where::InitializeInAdd)
                    quote(text);
                check(added == Result::Success && graph->GetNumFilters() == 3 && graph->GetLastFilter() == joining &&
                          allStopped(*graph),
                      "the add goes on as if no call was made");
                joining->SetAtomsListener(&frames);
                check(playLooping(*graph, frames) && firstOf(frames.Take()) == 0, "the graph plays");
                check(StopGraph(*graph), "StopGraph stops it");
                joining->SetAtomsListener(nullptr);
            }
            graph->RemoveAllFilters();
        }
    }
}

// A listener of the Stopped that the worker tells at the end of a done run disconnects the
// stopped target through the graph: refused, as the other building calls are on the worker.
// The chain plays again whole.
void runDisconnectFromTheWorker()
{
    using State = Hyx::Graph::GraphState;
    FrameList frames;
    ActOn states;
    const auto graph = flushGraph<Hyx::AsyncGraph>(6, {}, frames);
    const auto target = graph->GetLastFilter();
    states.when = State::Stopped;
    states.graph = graph.get();
    states.act = [target] {
        return target->Disconnect() == Hyx::HyxErrorCode::Success ? Hyx::ActionResult::Success
                                                                  : Hyx::ActionResult::Failure;
    };
    graph->_graphEvents.Add(&states);
    check(graph->SetPlaybackMode(Hyx::PlaybackMode::ForwardOnce, 0) == Hyx::ActionResult::Success &&
              graph->Play() == Hyx::ActionResult::Success && waitFor([&] { return states.Heard(State::Stopped); }),
          "a forward-once run ends on the worker");
    check(states.answer == Hyx::ActionResult::Failure &&
              states.text == "Graph failed to disconnect a filter(it is changing state)" &&
              target->GetFilterState() == Hyx::Filter::FilterState::Connected,
          "a filter's Disconnect from a listener on the worker is refused");
    frames.Take();
    states.Take();
    check(graph->Play(Hyx::PlaybackMode::ForwardOnce) == Hyx::ActionResult::Success &&
              waitFor([&] { return states.Heard(State::Stopped); }) &&
              frames.Take() == std::vector<uint32_t>{0, 1, 2, 3, 4, 5},
          "the chain plays again whole");
    graph->_graphEvents.Remove(&states);
    graph->RemoveAllFilters();
}

} // namespace
