// README "When a play, pause or stop fails".

#include "Consumer.h"

namespace {

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

// The worker's own end of a run, whose listener of Stopped throws: the stop is done, every
// filter stopped; the listeners hear Error after Stopped, once a run. The text and the line name
// the listener, unless the run had failed: then the text stays the update's. The next Play
// plays the whole run again.
void runWorkerEndListenerThrows(const std::shared_ptr<VornCommon::Logger>& logger)
{
    using State = Hyx::Graph::GraphState;
    const std::string listenerText = "Graph failed to stop(a graph listener threw: listener says no)";
    const struct {
        bool updateFails;
        const char* textStart;
        std::vector<State> heard;
    } ends[] = {
        {false, listenerText.c_str(), {State::Playing, State::Stopped, State::Error}},
        {true, "Graph update failed(Filter 'Flush' error: ", {State::Playing, State::Error, State::Stopped}},
    };
    const std::vector<uint32_t> everyFrame = {0, 1, 2, 3, 4, 5};
    for (const auto& end : ends) {
        CapturedLog log(logger);
        FrameList frames;
        StateList states;
        const auto flush = std::make_shared<TransformFlush>();
        const auto graph = flushGraph<Hyx::AsyncGraph>(6, {flush}, frames);
        graph->_graphEvents.Add(&states);
        states.throwOnStopped = true;
        if (end.updateFails)
            flush->failFrame = 3;
        check(graph->SetPlaybackMode(Hyx::PlaybackMode::ForwardOnce, 0) == Hyx::ActionResult::Success &&
                  graph->Play() == Hyx::ActionResult::Success &&
                  waitFor([&] { return states.Peek().size() >= end.heard.size(); }),
              "a forward-once run on the worker ends");
        const std::string text = graph->GetLastError(false).StdString();
        const std::vector<std::string> lines = log.At(VornCommon::LogLevel::Error);
        check(states.Take() == end.heard && graph->IsStopped() && allStopped(*graph),
              "a listener that throws as it hears the worker's Stopped leaves the stop done; Error is told once, "
              "after Stopped when the run had not failed");
        check(text.rfind(end.textStart, 0) == 0 &&
                  std::find(lines.begin(), lines.end(), "AsyncGraph: " + listenerText) != lines.end(),
              "the text names the listener unless the run had failed; the line does");
        if (!end.updateFails) {
            quote(text.substr(0, text.find("threw: ") + 7)); // the README gives <what()> for the rest
        }
        frames.Take();
        check(graph->Play() == Hyx::ActionResult::Success && waitFor([&] { return states.Heard(State::Stopped); }) &&
                  frames.Take() == everyFrame && states.Take() == std::vector<State>{State::Playing, State::Stopped},
              "the next Play plays the whole run again");
        graph->_graphEvents.Remove(&states);
        graph->RemoveAllFilters();
    }
}

} // namespace
