// Calls that a filter's hook or a graph listener makes while the graph walks its filters (a
// new run's Play, a resume, a Pause, a Stop of a playing, paused or stopped graph, the stop a
// Play makes of a filter left running, a put-back, a run's end): a Stop is folded in and ends
// the run once after the walk, a Pause or a Play is refused, and both kinds of graph answer
// alike. Then what an asynchronous graph's stop request reads, also while its worker ends a
// run itself and a filter's onStop waits there for another thread.

#include "GraphFixtures.h"

#include <optional>
#include <stdexcept>
#include <utility>

using namespace GraphFixtures;

namespace {

enum class Hook {
    Play,
    Pause,
    Stop,
    DeInitialize
};

/// What the chain's hooks share: the one call back a row makes, and whether any hook was
/// entered while it ran.
struct HookBoard {
    /// Runs at the entry of every hook once armed: (the filter's position, the hook).
    std::function<void(int, Hook)> onHook;
    std::atomic<bool> armed{false};
    std::atomic<bool> callingBack{false};
    std::atomic<int> enteredDuringCall{0};
};

/// A test filter whose onPlay, onPause and onStop tell the board, and refuse once when asked.
template <class Base>
class Hooked : public Base {
public:
    template <class... Args>
    Hooked(HookBoard& board, int position, Args&&... args)
        : Base(std::forward<Args>(args)...), _board(board), _position(position)
    {
    }
    std::atomic<bool> refusePlay{false}, refusePause{false}, refuseStop{false}, refuseDeInitialize{false};
    using Filter::IsGraphStopRequested;

protected:
    HyxErrorCode onPlay() override
    {
        return run(Hook::Play, refusePlay, [this] { return Base::onPlay(); });
    }
    HyxErrorCode onPause() override
    {
        return run(Hook::Pause, refusePause, [this] { return Base::onPause(); });
    }
    HyxErrorCode onStop() override
    {
        return run(Hook::Stop, refuseStop, [this] { return Base::onStop(); });
    }
    HyxErrorCode onDeInitialize() override
    {
        return run(Hook::DeInitialize, refuseDeInitialize, [this] { return Base::onDeInitialize(); });
    }

private:
    template <class Step>
    HyxErrorCode run(Hook hook, std::atomic<bool>& refuse, Step step)
    {
        if (_board.callingBack.load())
            ++_board.enteredDuringCall;
        if (_board.armed.load())
            _board.onHook(_position, hook);
        if (refuse.exchange(false))
            return this->ReportError(HyxErrorCode::FilterError);
        return step();
    }

    HookBoard& _board;
    const int _position;
};

enum class Walk {
    NewPlay,
    Resume,
    Pause,
    StopPlaying,
    StopPaused,
    StopLeftover, // a Stop of a stopped graph that a failed stop left a filter running in
    PlayLeftover, // the stop a new run's Play makes of that filter first
    PutBackOfPause, // the last filter refuses to pause: the others play again
    PutBackOfResume, // the last filter refuses to play: the others pause again
    PutBackOfNewPlay, // the last filter refuses to play: the others stop again
    EndAfterPutBack, // a Pause whose put-back fails too ends the run on the host's thread
    EndOfDoneRun, // an asynchronous graph's worker ends a run that is done
    EndOfFailedRun, // and one whose update failed
    Removal // RemoveAllFilters of a stopped graph
};

struct WalkCase {
    Walk walk;
    const char* name;
    Hook hook; // the hook the walk enters at a caller's position
    std::vector<int> positions; // the filters whose hook it enters
    std::vector<State> listened; // the states it tells, whose listeners call back
    bool onWorker; // the walk runs on an asynchronous graph's worker (and only there)
    std::vector<State> told; // what the walk tells
    ActionResult answer; // the outer call's answer
    State left; // the graph's state after it
};

const WalkCase kWalks[] = {
    {Walk::NewPlay,
     "a new run's Play",
     Hook::Play,
     {0, 1, 2},
     {State::Playing},
     false,
     {State::Playing},
     ActionResult::Success,
     State::Playing},
    {Walk::Resume,
     "a resume",
     Hook::Play,
     {0, 1, 2},
     {State::Playing},
     false,
     {State::Playing},
     ActionResult::Success,
     State::Playing},
    {Walk::Pause,
     "a Pause",
     Hook::Pause,
     {0, 1, 2},
     {State::Paused},
     false,
     {State::Paused},
     ActionResult::Success,
     State::Paused},
    {Walk::StopPlaying,
     "a Stop of a playing graph",
     Hook::Stop,
     {0, 1, 2},
     {State::Stopped},
     false,
     {State::Stopped},
     ActionResult::Success,
     State::Stopped},
    {Walk::StopPaused,
     "a Stop of a paused graph",
     Hook::Stop,
     {0, 1, 2},
     {State::Stopped},
     false,
     {State::Stopped},
     ActionResult::Success,
     State::Stopped},
    {Walk::StopLeftover,
     "a Stop of a stopped graph",
     Hook::Stop,
     {0, 1, 2},
     {},
     false,
     {},
     ActionResult::Success,
     State::Stopped},
    {Walk::PlayLeftover,
     "the stop a Play makes first",
     Hook::Stop,
     {0, 1, 2},
     {State::Playing},
     false,
     {State::Playing},
     ActionResult::Success,
     State::Playing},
    {Walk::PutBackOfPause,
     "a Pause's put-back",
     Hook::Play,
     {0, 1},
     {},
     false,
     {},
     ActionResult::Failure,
     State::Playing},
    {Walk::PutBackOfResume,
     "a resume's put-back",
     Hook::Pause,
     {0, 1},
     {},
     false,
     {},
     ActionResult::Failure,
     State::Paused},
    {Walk::PutBackOfNewPlay,
     "a new run's put-back",
     Hook::Stop,
     {0, 1},
     {},
     false,
     {},
     ActionResult::Failure,
     State::Stopped},
    {Walk::EndAfterPutBack,
     "the end after a failed put-back",
     Hook::Stop,
     {0, 1, 2},
     {State::Error, State::Stopped},
     false,
     {State::Error, State::Stopped},
     ActionResult::Failure,
     State::Stopped},
    {Walk::EndOfDoneRun,
     "the worker's end of a done run",
     Hook::Stop,
     {0, 1, 2},
     {State::Stopped},
     true,
     {State::Playing, State::Stopped},
     ActionResult::Success,
     State::Stopped},
    {Walk::EndOfFailedRun,
     "the worker's end of a failed run",
     Hook::Stop,
     {0, 1, 2},
     {State::Error, State::Stopped},
     true,
     {State::Playing, State::Error, State::Stopped},
     ActionResult::Success,
     State::Stopped},
};

const char* NameOf(Hook hook)
{
    switch (hook) {
    case Hook::Play: return "onPlay";
    case Hook::Pause: return "onPause";
    case Hook::Stop: return "onStop";
    case Hook::DeInitialize: return "onDeInitialize";
    }
    return "";
}

/// The filter state that agrees with a graph state.
Filter::FilterState Agreeing(State state)
{
    switch (state) {
    case State::Playing: return Filter::FilterState::Playing;
    case State::Paused: return Filter::FilterState::Paused;
    default: return Filter::FilterState::Connected;
    }
}

/// Source -> transform -> target, each hooked to one board, on either kind of graph.
struct WalkChain {
    explicit WalkChain(bool async) : either(async)
    {
        source = chain().add(std::make_shared<Hooked<TestSource>>(board, 0, 10u));
        transform = chain().add(std::make_shared<Hooked<TestTransform>>(board, 1));
        target = chain().add(std::make_shared<Hooked<TestTarget>>(board, 2));
    }
    ~WalkChain() { board.armed = false; }
    TestGraph& chain() { return *either.chain(); }
    Graph& graph() { return *either.chain()->graph; }
    StateLog& log() { return either.log(); }
    bool async() const { return either.asyncChain != nullptr; }
    /// Lets the graph deliver `count` frames more.
    bool deliver(size_t count) { return DeliverUntil(chain(), async(), *target, target->frames().size() + count); }
    PlaybackMode mode()
    {
        const auto order = std::dynamic_pointer_cast<FrameOrderAuto>(graph().GetFrameOrderProvider());
        return order ? order->GetPlaybackMode() : PlaybackMode::Realtime;
    }
    Filter& at(int position)
    {
        return position == 0   ? static_cast<Filter&>(*source)
               : position == 1 ? static_cast<Filter&>(*transform)
                               : static_cast<Filter&>(*target);
    }

    HookBoard board; // outlives the filters
    EitherGraph either;
    std::shared_ptr<Hooked<TestSource>> source;
    std::shared_ptr<Hooked<TestTransform>> transform;
    std::shared_ptr<Hooked<TestTarget>> target;
};

/// Brings the chain to where `walk` starts and arms its refusals; `leftover` is the filter a
/// failed stop leaves running. False when the set-up went wrong.
bool BringTo(WalkChain& w, Walk walk, int leftover)
{
    const PlaybackMode mode = walk == Walk::EndOfDoneRun ? PlaybackMode::ForwardOnce : PlaybackMode::ForwardLoop;
    if (w.graph().SetPlaybackMode(mode, true) != ActionResult::Success)
        return false;
    if (walk == Walk::EndOfFailedRun) {
        // Once: the next run plays on.
        w.transform->process = [failed = false](TestTransform&, const Atom& atom) mutable {
            if (failed || atom.GetFrameNr() != 3)
                return HyxErrorCode::Success;
            failed = true;
            return HyxErrorCode::FilterError;
        };
    }
    if (walk == Walk::NewPlay || walk == Walk::EndOfDoneRun || walk == Walk::EndOfFailedRun || walk == Walk::Removal)
        return true;
    if (walk == Walk::PutBackOfNewPlay) {
        w.target->refusePlay = true;
        return true;
    }
    if (w.graph().Play() != ActionResult::Success || !w.deliver(2))
        return false;
    switch (walk) {
    case Walk::Resume:
    case Walk::StopPaused: return w.graph().Pause() == ActionResult::Success;
    case Walk::PutBackOfResume: w.target->refusePlay = true; return w.graph().Pause() == ActionResult::Success;
    case Walk::StopLeftover:
    case Walk::PlayLeftover:
        // A Pause whose put-back fails ends the run; its stop leaves one filter running.
        w.target->refusePause = true;
        w.transform->refusePlay = true;
        (leftover == 0 ? w.source->refuseStop : leftover == 1 ? w.transform->refuseStop : w.target->refuseStop) = true;
        return w.graph().Pause() == ActionResult::Failure && w.graph().IsStopped() &&
               w.at(leftover).GetFilterState() != Filter::FilterState::Connected;
    case Walk::PutBackOfPause: w.target->refusePause = true; return true;
    case Walk::EndAfterPutBack:
        w.target->refusePause = true;
        w.transform->refusePlay = true;
        return true;
    default: return true;
    }
}

/// The host's call that makes the walk.
ActionResult Trigger(WalkChain& w, Walk walk)
{
    switch (walk) {
    case Walk::Pause:
    case Walk::PutBackOfPause:
    case Walk::EndAfterPutBack: return w.graph().Pause();
    case Walk::StopPlaying:
    case Walk::StopPaused:
    case Walk::StopLeftover: return w.graph().Stop();
    case Walk::Removal: return w.graph().RemoveAllFilters();
    default: return w.graph().Play();
    }
}

/// One row: the walk, who calls back from inside it (a filter's hook, or a listener of a
/// state), and what.
void WalkRow(bool async, const WalkCase& walk, std::optional<int> position, State listened, CallBack call)
{
    WalkChain w(async);
    const int leftover = position.value_or(1);
    ASSERT_TRUE(BringTo(w, walk.walk, leftover)) << w.chain().error();
    const std::vector<State> before = w.log().states();
    const PlaybackMode mode = w.mode();

    std::optional<ActionResult> heard;
    std::string heardText;
    std::atomic<int> calls{0};
    const auto callBack = [&] {
        if (calls++ > 0)
            return;
        w.board.callingBack = true;
        heard = Call(w.graph(), call, PlaybackMode::Pingpong);
        w.board.callingBack = false;
        heardText = w.chain().error();
    };
    if (position) {
        w.board.onHook = [&, at = *position, hook = walk.hook](int filter, Hook entered) {
            if (filter == at && entered == hook)
                callBack();
        };
        w.board.armed = true;
    } else {
        w.log().onState = [&](State state) {
            if (state == listened)
                callBack();
        };
    }
    const ActionResult answer = Trigger(w, walk.walk);
    if (walk.onWorker) {
        ASSERT_TRUE(w.log().waitFor(State::Stopped));
    }
    w.board.armed = false;
    w.log().onState = nullptr;

    // The call back: a Stop is folded in, the others are refused and enter no hook. (A
    // folded Stop's own walk may enter the caller's hook again, after the walk.)
    EXPECT_GE(calls.load(), 1);
    EXPECT_EQ(w.board.enteredDuringCall.load(), 0);
    if (call == CallBack::Stop) {
        EXPECT_EQ(heard, ActionResult::Success);
    } else {
        EXPECT_EQ(heard, ActionResult::Failure);
        EXPECT_EQ(heardText, call == CallBack::Pause ? "Graph failed to pause(it is changing state)"
                             : walk.onWorker
                                 ? "Graph failed to start playing(it cannot be started from its own worker thread)"
                                 : "Graph failed to start playing(it is changing state)");
    }
    EXPECT_EQ(w.mode(), mode);

    // The outer call: its walk completed (Success) or was undone (Failure); a folded Stop then
    // ends the run, told once.
    EXPECT_EQ(answer, walk.answer) << w.chain().error();
    std::vector<State> told = walk.told;
    State left = walk.left;
    if (call == CallBack::Stop && left != State::Stopped) {
        told.push_back(State::Stopped);
        left = State::Stopped;
    }
    std::vector<State> heardStates = before;
    heardStates.insert(heardStates.end(), told.begin(), told.end());
    EXPECT_EQ(Names(w.log().states()), Names(heardStates));
    const State now = w.graph().IsPlaying() ? State::Playing : w.graph().IsPaused() ? State::Paused : State::Stopped;
    EXPECT_EQ(Names({now}), Names({left}));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(w.at(i).GetFilterState(), Agreeing(left)) << "filter " << i;

    // The next Play after a Stop plays a new run from its first frame.
    if (!w.graph().IsStopped()) {
        ASSERT_EQ(w.graph().Stop(), ActionResult::Success) << w.chain().error();
    }
    ASSERT_EQ(w.graph().SetPlaybackMode(PlaybackMode::ForwardLoop, false), ActionResult::Success);
    const size_t seen = w.target->frames().size();
    ASSERT_EQ(w.graph().Play(), ActionResult::Success) << w.chain().error();
    EXPECT_EQ(w.source->stream()->hooks.back(), "play(first)");
    ASSERT_TRUE(w.deliver(2));
    if (async) {
        EXPECT_EQ(w.target->frames().at(seen), 0u);
    }
    EXPECT_EQ(w.graph().Stop(), ActionResult::Success);
}

class GraphWalkThreads : public testing::TestWithParam<bool> {};

} // namespace

TEST_P(GraphWalkThreads, ACallFromAHookOrListenerNeverRunsInsideAWalk)
{
    const bool async = GetParam();
    for (const WalkCase& walk : kWalks) {
        if (walk.onWorker && !async)
            continue; // a graph the host updates has no worker to end its run
        for (const CallBack call : {CallBack::Stop, CallBack::Pause, CallBack::Play, CallBack::PlayMode}) {
            for (const int position : walk.positions) {
                SCOPED_TRACE(std::string(walk.name) + ", filter " + std::to_string(position) + "'s " +
                             NameOf(walk.hook) + " calls " + NameOf(call));
                WalkRow(async, walk, position, State::Stopped, call);
            }
            for (const State state : walk.listened) {
                SCOPED_TRACE(std::string(walk.name) + ", a listener of " + Names({state})[0] + " calls " +
                             NameOf(call));
                WalkRow(async, walk, std::nullopt, state, call);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(BothKinds, GraphWalkThreads, testing::Bool(), [](const testing::TestParamInfo<bool>& info) {
    return info.param ? "Asynchronous" : "HostDriven";
});

namespace {

/// A target whose onStop, once armed, waits for another thread that never comes: it polls
/// IsGraphStopRequested with no limit of its own (the test's bound only reports a hang).
class WaitingTarget : public TestTarget {
public:
    std::atomic<bool> armed{false};
    Gate entered, left;
    /// Whether the wait ended on the stop request (else on the test's bound), and what the
    /// graph's IsStopRequested read then.
    std::optional<bool> heardTheAsk, stopRequested;
    AsyncGraph* graph = nullptr;

protected:
    HyxErrorCode onStop() override
    {
        if (armed.exchange(false)) {
            entered.open();
            const auto bound = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (!IsGraphStopRequested() && std::chrono::steady_clock::now() < bound)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            heardTheAsk = IsGraphStopRequested();
            stopRequested = graph->IsStopRequested();
            left.open();
        }
        return TestTarget::onStop();
    }
};

enum class HostCall {
    Stop,
    Pause,
    Play,
    PlayMode,
    SetPlaybackMode,
    LastReference
};

} // namespace

TEST(AsyncGraphThreads, TheWorkersOwnStopHearsTheHost)
{
    // The worker ends a run itself (it is done, or its update failed); inside that stop the
    // target's onStop waits, polling IsGraphStopRequested. The host's Stop, Pause, Play,
    // Play(mode), SetPlaybackMode or its last reference asks the run to end at once: the wait gives up, the
    // host's call returns, and IsStopRequested reads true until a Play starts a run.
    const std::pair<const char*, HostCall> calls[] = {{"Stop", HostCall::Stop},
                                                      {"Pause", HostCall::Pause},
                                                      {"Play", HostCall::Play},
                                                      {"Play(mode)", HostCall::PlayMode},
                                                      {"SetPlaybackMode", HostCall::SetPlaybackMode},
                                                      {"the last reference", HostCall::LastReference}};
    for (const bool failed : {false, true}) {
        for (const auto& [name, call] : calls) {
            SCOPED_TRACE(std::string(failed ? "a failed run, " : "a done run, ") + name);
            StateLog log;
            auto graph = std::make_shared<AsyncGraph>();
            graph->_graphEvents.Add(&log);
            ASSERT_EQ(graph->AddAndConnect(std::make_shared<TestSource>(3)), ActionResult::Success);
            auto transform = std::make_shared<TestTransform>();
            ASSERT_EQ(graph->AddAndConnect(transform), ActionResult::Success);
            auto target = std::make_shared<WaitingTarget>();
            target->graph = graph.get();
            ASSERT_EQ(graph->AddAndConnect(target), ActionResult::Success);
            if (failed) {
                transform->process = [](TestTransform&, const Atom& atom) {
                    return atom.GetFrameNr() == 1 ? HyxErrorCode::FilterError : HyxErrorCode::Success;
                };
            }
            ASSERT_EQ(graph->SetPlaybackMode(PlaybackMode::ForwardOnce, 0.0f), ActionResult::Success);
            target->armed = true;
            ASSERT_EQ(graph->Play(), ActionResult::Success);
            ASSERT_TRUE(target->entered.pass());
            EXPECT_FALSE(graph->IsStopRequested()) << "nobody asked yet";

            std::optional<ActionResult> answer;
            switch (call) {
            case HostCall::Stop: answer = graph->Stop(); break;
            case HostCall::Pause: answer = graph->Pause(); break;
            case HostCall::Play: answer = graph->Play(); break;
            case HostCall::PlayMode: answer = graph->Play(PlaybackMode::ForwardOnce); break;
            case HostCall::SetPlaybackMode: answer = graph->SetPlaybackMode(PlaybackMode::ForwardOnce, 0.0f); break;
            case HostCall::LastReference:
                graph->_graphEvents.Remove(&log);
                graph.reset();
                break;
            }
            // Released, the graph goes on the worker once the hook has left.
            ASSERT_TRUE(target->left.pass());
            EXPECT_EQ(target->heardTheAsk, true) << "the wait ended only on the test's bound";
            if (call == HostCall::LastReference)
                continue;
            EXPECT_EQ(target->stopRequested, true);
            std::vector<State> heard{State::Playing};
            if (failed)
                heard.push_back(State::Error);
            heard.push_back(State::Stopped);
            switch (call) {
            case HostCall::Stop:
                EXPECT_EQ(answer, ActionResult::Success) << graph->GetLastError(false).StdString();
                EXPECT_TRUE(graph->IsStopRequested());
                break;
            case HostCall::SetPlaybackMode:
                EXPECT_EQ(answer, ActionResult::Success) << graph->GetLastError(false).StdString();
                EXPECT_TRUE(graph->IsStopRequested());
                break;
            case HostCall::Pause:
                EXPECT_EQ(answer, ActionResult::Failure);
                EXPECT_EQ(graph->GetLastError(false).StdString(), "Graph failed to pause(it is not playing)");
                EXPECT_TRUE(graph->IsStopRequested());
                break;
            case HostCall::Play:
            case HostCall::PlayMode:
                // A new run plays (the target waits no more): no stop is asked of it.
                EXPECT_EQ(answer, ActionResult::Success) << graph->GetLastError(false).StdString();
                EXPECT_TRUE(log.waitFor(State::Stopped, 2));
                heard.push_back(State::Playing);
                if (failed)
                    heard.push_back(State::Error);
                heard.push_back(State::Stopped);
                EXPECT_FALSE(graph->IsStopRequested());
                break;
            case HostCall::LastReference: break;
            }
            EXPECT_TRUE(graph->IsStopped());
            EXPECT_TRUE(AllStopped(*graph));
            EXPECT_EQ(Names(log.states()), Names(heard));
            EXPECT_EQ(graph->Stop(), ActionResult::Success);
            graph->_graphEvents.Remove(&log);
        }
    }
}

namespace {

/// An asynchronous chain whose filters' onPlay, a listener of Playing and the target's first
/// frame of a run read IsStopRequested; its transform fails a frame when told.
struct StopRequestRig {
    StopRequestRig()
    {
        chain.add(std::make_shared<TestSource>(10));
        transform = chain.add(std::make_shared<Hooked<TestTransform>>(board, 1));
        target = chain.add(std::make_shared<Hooked<TestTarget>>(board, 2));
        board.onHook = [this](int, Hook hook) {
            if (hook == Hook::Play)
                reads.push_back(chain.async->IsStopRequested());
        };
        board.armed = true;
        chain.log.onState = [this](State state) {
            if (state == State::Playing)
                reads.push_back(chain.async->IsStopRequested());
        };
        transform->process = [this](TestTransform&, const Atom&) {
            if (waitThenFail.exchange(false)) {
                inPass.open();
                Gate never;
                never.passUnless([this] { return transform->IsGraphStopRequested(); });
                return HyxErrorCode::FilterError;
            }
            return failNext.exchange(false) ? HyxErrorCode::FilterError : HyxErrorCode::Success;
        };
        target->process = [this](TestTarget&, const Atom&) {
            if (readNextFrame.exchange(false)) {
                reads.push_back(chain.async->IsStopRequested());
                ++frameReads;
            }
            return HyxErrorCode::Success;
        };
    }
    ~StopRequestRig()
    {
        chain.log.onState = nullptr;
        board.armed = false;
    }
    /// Plays a new run; the reads inside it (two filters' onPlay, the listener, the first
    /// frame) follow.
    bool playAndRead()
    {
        reads.clear();
        const int before = frameReads.load();
        readNextFrame = true;
        return chain.async->Play() == ActionResult::Success && Eventually([&] { return frameReads.load() > before; });
    }

    HookBoard board;
    AsyncTestGraph chain;
    std::shared_ptr<Hooked<TestTransform>> transform;
    std::shared_ptr<Hooked<TestTarget>> target;
    std::atomic<bool> failNext{false}, waitThenFail{false}, readNextFrame{false};
    std::atomic<int> frameReads{0};
    Gate inPass;
    /// Written on the host's thread and, while the host waits for it, on the worker's.
    std::vector<bool> reads;
};

} // namespace

TEST(AsyncGraphThreads, IsStopRequestedReadsWhetherAStopWasAskedOfTheRun)
{
    // True once a Stop, a Pause or the destructor asked the run to end (or a host call waits
    // for the worker's own stop), until a Play begins; false inside that Play and its first
    // pass, and false while nobody asked (a run that ended by itself, a Pause a filter refused).
    struct Row {
        const char* name;
        std::function<bool(StopRequestRig&)> before; // brings the rig there; false when it cannot
        bool expected;
    };
    const Row rows[] = {
        {"a run nobody asked to stop", [](StopRequestRig&) { return true; }, false},
        {"a Stop of a playing run",
         [](StopRequestRig& rig) { return rig.chain.async->Stop() == ActionResult::Success; }, true},
        {"a Pause", [](StopRequestRig& rig) { return rig.chain.async->Pause() == ActionResult::Success; }, true},
        {"a Pause a filter refused",
         [](StopRequestRig& rig) {
             rig.target->refusePause = true;
             return rig.chain.async->Pause() == ActionResult::Failure && rig.chain.async->IsPlaying();
         },
         false},
        {"a run that failed by itself",
         [](StopRequestRig& rig) {
             rig.failNext = true;
             return rig.chain.log.waitFor(State::Stopped);
         },
         false},
        {"a Stop after a run that failed by itself",
         [](StopRequestRig& rig) {
             rig.failNext = true;
             return rig.chain.log.waitFor(State::Stopped) && rig.chain.async->Stop() == ActionResult::Success;
         },
         true},
        {"a Stop while a failing pass waits",
         [](StopRequestRig& rig) {
             rig.waitThenFail = true;
             return rig.inPass.pass() && rig.chain.async->Stop() == ActionResult::Success;
         },
         true},
        {"a run that is done",
         [](StopRequestRig& rig) {
             return rig.chain.async->Stop() == ActionResult::Success && rig.chain.play(PlaybackMode::ForwardOnce) &&
                    rig.chain.log.waitFor(State::Stopped, 2);
         },
         false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        StopRequestRig rig;
        ASSERT_TRUE(rig.chain.play(PlaybackMode::ForwardLoop));
        ASSERT_TRUE(Eventually([&] { return rig.target->frames().size() >= 2; }));
        ASSERT_TRUE(row.before(rig)) << rig.chain.error();
        EXPECT_EQ(rig.chain.async->IsStopRequested(), row.expected);
        // Inside the next Play and its first pass nothing asks the new run to stop.
        ASSERT_EQ(rig.chain.async->Stop(), ActionResult::Success);
        EXPECT_TRUE(rig.chain.async->IsStopRequested()); // also a Stop of a stopped graph
        ASSERT_TRUE(rig.playAndRead()) << rig.chain.error();
        EXPECT_EQ(rig.reads, std::vector<bool>(4, false));
        EXPECT_FALSE(rig.chain.async->IsStopRequested());
        EXPECT_EQ(rig.chain.async->Stop(), ActionResult::Success);
    }
}

namespace {

/// A call that changes the filter list, or an update pass.
enum class Building {
    Add,
    RemoveAll,
    Update,
    Disconnect // the target's own, through the graph: only a stopped filter gets that far
};

const char* NameOf(Building call)
{
    switch (call) {
    case Building::Add: return "AddAndConnect";
    case Building::RemoveAll: return "RemoveAllFilters";
    case Building::Update: return "Update";
    case Building::Disconnect: return "the target's Disconnect";
    }
    return "";
}

/// The call made once from a hook or a listener: its answer and text (read on the calling
/// thread, which no other thread of the test writes meanwhile) and the frames the target took
/// during it. An add offers a target pre-initialised on its own.
struct BuildingCall {
    explicit BuildingCall(Building call) : call(call)
    {
        EXPECT_EQ(extra->PreInitialize(nullptr, nullptr), HyxErrorCode::Success);
    }
    /// `disconnecting`: the listed filter whose Disconnect the call is; the target by default.
    void make(Graph& graph, TestTarget& target, Filter* disconnecting = nullptr)
    {
        if (started)
            return;
        started = true; // an update it runs may come back here
        const size_t before = target.frames().size();
        Filter& leaving = disconnecting ? *disconnecting : target;
        answer = call == Building::Add                           ? graph.AddAndConnect(extra)
                 : call == Building::RemoveAll                   ? graph.RemoveAllFilters()
                 : call == Building::Update                      ? graph.Update()
                 : leaving.Disconnect() == HyxErrorCode::Success ? ActionResult::Success
                                                                 : ActionResult::Failure;
        text = graph.GetLastError(false).StdString();
        framesDuring = target.frames().size() - before;
    }
    /// Refused with the walk's text, the offered filter as it was, no frame taken.
    void checkRefused() const
    {
        EXPECT_EQ(answer, ActionResult::Failure);
        EXPECT_EQ(text, call == Building::Add         ? "Graph failed to add a filter(it is changing state)"
                        : call == Building::RemoveAll ? "Graph failed to remove a filter(it is changing state)"
                        : call == Building::Update    ? "Graph update failed(it is changing state)"
                                                      : "Graph failed to disconnect a filter(it is changing state)");
        EXPECT_EQ(extra->GetFilterState(), Filter::FilterState::PreInitialized);
        EXPECT_EQ(framesDuring, 0u);
    }

    const Building call;
    const std::shared_ptr<TestTarget> extra = std::make_shared<TestTarget>();
    bool started = false;
    std::optional<ActionResult> answer;
    std::string text;
    size_t framesDuring = 0;
};

} // namespace

TEST(GraphWalks, ABuildingCallInsideAWalkIsRefused)
{
    // A filter's hook or a listener inside a walk finds the filter list closed and no pass to
    // run, whatever the graph reads meanwhile: the add, the removal and the update are refused
    // with the walk's text, the offered filter is left as it was, and the graph keeps its
    // filters.
    struct Row {
        Walk walk;
        std::optional<Hook> hook; // the hook of the filter at `at`; else a listener of `heard`
        int at;
        State heard;
        const char* name;
    };
    const Row rows[] = {
        {Walk::StopLeftover, Hook::Stop, 1, State::Stopped, "onStop in the Stop of a stopped graph"},
        {Walk::StopPlaying, Hook::Stop, 1, State::Stopped, "onStop in the Stop of a playing graph"},
        {Walk::StopPlaying, std::nullopt, 1, State::Stopped, "a listener of Stopped"},
        {Walk::Pause, Hook::Pause, 1, State::Paused, "onPause in a Pause"},
        {Walk::Pause, std::nullopt, 1, State::Paused, "a listener of Paused"},
        {Walk::NewPlay, Hook::Play, 1, State::Playing, "onPlay in a new run's Play"},
        {Walk::NewPlay, std::nullopt, 1, State::Playing, "a listener of Playing"},
        {Walk::EndAfterPutBack, std::nullopt, 1, State::Error, "a listener of Error after a failed put-back"},
        {Walk::EndOfFailedRun, std::nullopt, 1, State::Error, "a listener of Error on the worker's failed run"},
        {Walk::Removal, Hook::DeInitialize, 2, State::Stopped, "the last filter's onDeInitialize in a removal"},
    };
    for (const bool async : {false, true}) {
        for (const Row& row : rows) {
            if (row.walk == Walk::EndOfFailedRun && !async)
                continue;
            for (const Building call : {Building::Add, Building::RemoveAll, Building::Update}) {
                SCOPED_TRACE(std::string(async ? "asynchronous, " : "host-driven, ") + row.name + ", " + NameOf(call));
                WalkChain w(async);
                ASSERT_TRUE(BringTo(w, row.walk, 1)) << w.chain().error();
                BuildingCall building(call);
                if (!row.hook) {
                    w.log().onState = [&](State state) {
                        if (state == row.heard)
                            building.make(w.graph(), *w.target);
                    };
                } else {
                    w.board.onHook = [&](int filter, Hook hook) {
                        if (filter == row.at && hook == *row.hook)
                            building.make(w.graph(), *w.target);
                    };
                    w.board.armed = true;
                }
                EXPECT_EQ(Trigger(w, row.walk),
                          row.walk == Walk::EndAfterPutBack ? ActionResult::Failure : ActionResult::Success)
                    << w.chain().error();
                if (row.walk == Walk::EndOfFailedRun) {
                    EXPECT_TRUE(w.log().waitFor(State::Stopped));
                }
                w.board.armed = false;
                w.log().onState = nullptr;
                building.checkRefused();
                EXPECT_EQ(w.graph().GetNumFilters(), row.walk == Walk::Removal ? 0u : 3u);
                EXPECT_EQ(w.graph().Stop(), ActionResult::Success);
                EXPECT_TRUE(AllStopped(w.graph()));
            }
        }
    }
}

namespace {

/// A target whose onInitializeParams and onInitialize run a callback first.
class InitHookTarget : public TestTarget {
public:
    std::function<void()> onPreInitialize, onInit;

protected:
    HyxErrorCode onInitializeParams(Filter* upstream) override
    {
        if (onPreInitialize)
            onPreInitialize();
        return TestTarget::onInitializeParams(upstream);
    }
    HyxErrorCode onInitialize(Filter* upstream) override
    {
        if (onInit)
            onInit();
        return Target::onInitialize(upstream);
    }
};

/// A transform after a TestTransform whose output would name that one's layer twice, so its
/// connection is refused, and whose onDeInitialize (run when the add is undone) runs a
/// callback first.
class UnconnectableTransform : public TestTransform {
public:
    UnconnectableTransform() : TestTransform(MakeProfile({{Guid(), kMadeType}})) {}
    std::function<void()> onDeInit;

protected:
    HyxErrorCode onDeInitialize() override
    {
        if (onDeInit)
            onDeInit();
        return TestTransform::onDeInitialize();
    }
};

constexpr Guid kInitHookTargetGuid = Hyx::GuidLiteral("B1D00067-0000-4000-8000-000000000001");
// What the factory's InitHookTarget runs as it is pre-initialised.
std::function<void()> g_factoryPreInitialize;

} // namespace

TEST(GraphWalks, ABuildingCallFromAHookOfABuildingCallIsRefused)
{
    // The filter an add takes in (or a factory makes for the graph) makes a building call or
    // an Update from its onInitializeParams or onInitialize, or from its onDeInitialize as the
    // add is undone: refused with the walk's text, the offered filter as it came; the outer
    // call goes on as if none was made, and the graph plays.
    enum class Where {
        PreInitializeInAdd,
        InitializeInAdd,
        PreInitializeInFactory,
        PreInitializeInCreateFilter,
        DeInitializeInUndoneAdd
    };
    const std::pair<Where, const char*> wheres[] = {
        {Where::PreInitializeInAdd, "onInitializeParams in AddAndConnect"},
        {Where::InitializeInAdd, "onInitialize in AddAndConnect"},
        {Where::PreInitializeInFactory, "onInitializeParams in FilterFactory::CreateFilter with the graph"},
        {Where::PreInitializeInCreateFilter, "onInitializeParams in AsyncGraph::CreateFilter"},
        {Where::DeInitializeInUndoneAdd, "onDeInitialize as AddAndConnect undoes a refused connection"}};
    FilterFactory::RegisterFilterClass(kInitHookTargetGuid, FilterClassInfo("TargetInitHook", FilterCategory::Target),
                                       [] {
                                           auto* target = new InitHookTarget();
                                           target->onPreInitialize = g_factoryPreInitialize;
                                           return static_cast<Filter*>(target);
                                       });
    for (const bool async : {false, true}) {
        for (const auto& [where, name] : wheres) {
            if (where == Where::PreInitializeInCreateFilter && !async)
                continue;
            for (const Building call : {Building::Add, Building::RemoveAll, Building::Update, Building::Disconnect}) {
                // An undone add is a removal, whose own disconnections a hook's is one of.
                if (where == Where::DeInitializeInUndoneAdd && call == Building::Disconnect)
                    continue;
                SCOPED_TRACE(std::string(async ? "asynchronous, " : "host-driven, ") + name + ", " + NameOf(call));
                EitherGraph either(async);
                TestGraph& chain = *either.chain();
                Graph& graph = *chain.graph;
                chain.make<TestSource>(10);
                const auto transform = chain.make<TestTransform>();
                BuildingCall building(call);
                TestTarget quiet; // no frame reaches a graph that is being built
                const auto hook = [&] { building.make(graph, quiet, transform.get()); };
                std::shared_ptr<Filter> joining;
                if (where == Where::PreInitializeInFactory || where == Where::PreInitializeInCreateFilter) {
                    g_factoryPreInitialize = hook;
                    joining =
                        where == Where::PreInitializeInCreateFilter
                            ? AsyncGraph::CreateFilter(kInitHookTargetGuid, either.asyncChain->async)
                            : FilterFactory::CreateFilter(kInitHookTargetGuid, SharedFilterPtr(graph.GetLastFilter()),
                                                          SharedGraphPtr(chain.graph))
                                  .ToStdSharedPtr();
                    g_factoryPreInitialize = nullptr;
                    ASSERT_TRUE(joining);
                    EXPECT_EQ(joining->GetFilterState(), Filter::FilterState::PreInitialized);
                } else if (where == Where::DeInitializeInUndoneAdd) {
                    const auto unconnectable = std::make_shared<UnconnectableTransform>();
                    unconnectable->onDeInit = hook;
                    joining = unconnectable;
                } else {
                    const auto target = std::make_shared<InitHookTarget>();
                    (where == Where::PreInitializeInAdd ? target->onPreInitialize : target->onInit) = hook;
                    joining = target;
                }
                const bool undone = where == Where::DeInitializeInUndoneAdd;
                EXPECT_EQ(graph.AddAndConnect(joining), undone ? ActionResult::Failure : ActionResult::Success)
                    << chain.error();
                EXPECT_TRUE(building.started);
                if (!building.started)
                    continue;
                building.checkRefused();
                const unsigned listed = undone ? 2u : 3u;
                EXPECT_EQ(graph.GetNumFilters(), listed);
                if (graph.GetNumFilters() != listed)
                    continue;
                if (undone) {
                    // The outer add answers for its connection, and the filter is let go reset.
                    EXPECT_EQ(chain.error(), GetHyxErrorMessage(HyxErrorCode::DataProfileAlreadyExists));
                    EXPECT_EQ(joining->GetFilterState(), Filter::FilterState::PreInitialized);
                    joining = chain.make<TestTarget>();
                } else {
                    EXPECT_EQ(graph.GetFilter(2u), joining);
                }
                for (unsigned i = 0; i < 3; ++i)
                    EXPECT_EQ(graph.GetFilter(i)->GetFilterState(), Filter::FilterState::Connected) << "filter " << i;
                EXPECT_EQ(graph.Play(PlaybackMode::ForwardLoop), ActionResult::Success) << chain.error();
                EXPECT_TRUE(DeliverUntil(chain, async, static_cast<TestTarget&>(*joining), 2));
                EXPECT_EQ(graph.Stop(), ActionResult::Success);
            }
        }
    }
}

TEST(GraphWalks, AnAddsHooksPlayAndStopTheGraphAsFromOutside)
{
    // A building step walks no filters: the onInitialize of the filter an add takes in plays a
    // stopped graph (the add is then refused as not stopped, the filter left initialised) or
    // stops a playing one (the add then goes on and the filter joins), on both kinds.
    for (const bool async : {false, true}) {
        for (const bool play : {true, false}) {
            SCOPED_TRACE(std::string(async ? "asynchronous, " : "host-driven, ") + (play ? "its Play" : "its Stop"));
            EitherGraph either(async);
            TestGraph& chain = *either.chain();
            Graph& graph = *chain.graph;
            chain.make<TestSource>(10);
            const auto first = chain.make<TestTarget>();
            ASSERT_EQ(graph.SetPlaybackMode(PlaybackMode::ForwardLoop, true), ActionResult::Success);
            if (!play) {
                ASSERT_EQ(graph.Play(), ActionResult::Success);
                ASSERT_TRUE(DeliverUntil(chain, async, *first, 1));
            }
            std::optional<ActionResult> asked;
            const auto joining = std::make_shared<InitHookTarget>();
            joining->onInit = [&] { asked = play ? graph.Play() : graph.Stop(); };
            const ActionResult added = graph.AddAndConnect(joining);
            EXPECT_EQ(asked, ActionResult::Success) << chain.error();
            if (play) {
                EXPECT_EQ(added, ActionResult::Failure);
                EXPECT_EQ(chain.error(), "Graph failed to add a filter(graph must be stopped first)");
                EXPECT_TRUE(graph.IsPlaying());
                EXPECT_EQ(graph.GetNumFilters(), 2u);
                EXPECT_EQ(joining->GetFilterState(), Filter::FilterState::Initialized);
                EXPECT_TRUE(DeliverUntil(chain, async, *first, 2));
                EXPECT_EQ(graph.Stop(), ActionResult::Success);
                EXPECT_EQ(joining->DeInitialize(), HyxErrorCode::Success);
            } else {
                EXPECT_EQ(added, ActionResult::Success) << chain.error();
                EXPECT_TRUE(graph.IsStopped());
                EXPECT_EQ(graph.GetNumFilters(), 3u);
                EXPECT_EQ(joining->GetFilterState(), Filter::FilterState::Connected);
                ASSERT_EQ(graph.Play(), ActionResult::Success) << chain.error();
                EXPECT_TRUE(DeliverUntil(chain, async, *joining, 2));
                EXPECT_EQ(graph.Stop(), ActionResult::Success);
            }
        }
    }
}

TEST(GraphWalks, ABuildingCallOrAnUpdateFromAFrameHookIsRefused)
{
    // The transform's frame hook, inside an update pass (the host's or the worker's), makes a
    // building call or an Update: alone, or after it stopped or paused the graph, which then
    // reads Stopped or Paused. The graph holds the only references to its filters. The call is
    // refused, the pass ends as the hook left it, and the next run plays.
    enum class Before {
        Nothing,
        Stop,
        Pause
    };
    const std::pair<Before, const char*> befores[] = {
        {Before::Nothing, "alone"}, {Before::Stop, "after its Stop"}, {Before::Pause, "after its Pause"}};
    for (const bool async : {false, true}) {
        for (const auto& [before, name] : befores) {
            for (const Building call : {Building::Add, Building::RemoveAll, Building::Update, Building::Disconnect}) {
                // A playing or paused target refuses its Disconnect itself, before the graph.
                if (call == Building::Disconnect && before != Before::Stop)
                    continue;
                SCOPED_TRACE(std::string(async ? "asynchronous, " : "host-driven, ") + name + ", " + NameOf(call));
                EitherGraph either(async);
                TestGraph& chain = *either.chain();
                Graph& graph = *chain.graph;
                BuildingCall building(call);
                std::optional<ActionResult> first;
                Gate called;
                TestTarget* target = nullptr;
                {
                    chain.make<TestSource>(100);
                    const auto transform = chain.make<TestTransform>();
                    target = chain.make<TestTarget>().get();
                    transform->process = [&, before = before](TestTransform&, const Atom&) {
                        if (building.started)
                            return HyxErrorCode::Success;
                        if (before != Before::Nothing)
                            first = before == Before::Stop ? graph.Stop() : graph.Pause();
                        building.make(graph, *target);
                        called.open();
                        return HyxErrorCode::Success;
                    };
                }
                ASSERT_EQ(graph.SetPlaybackMode(PlaybackMode::ForwardLoop, true), ActionResult::Success);
                ASSERT_EQ(graph.Play(), ActionResult::Success);
                if (async) {
                    ASSERT_TRUE(called.pass());
                } else {
                    for (int pass = 0; pass < 10 && !building.started; ++pass)
                        ASSERT_EQ(graph.Update(), ActionResult::Success) << chain.error();
                }
                if (before != Before::Nothing) {
                    EXPECT_EQ(first, ActionResult::Success);
                }
                building.checkRefused();
                EXPECT_EQ(graph.GetNumFilters(), 3u);
                if (graph.GetNumFilters() != 3u)
                    continue;
                EXPECT_EQ(before == Before::Nothing ? graph.IsPlaying()
                          : before == Before::Stop  ? graph.IsStopped()
                                                    : graph.IsPaused(),
                          true);
                EXPECT_EQ(graph.Stop(), ActionResult::Success);
                EXPECT_TRUE(AllStopped(graph));
                ASSERT_EQ(graph.Play(), ActionResult::Success) << chain.error();
                EXPECT_TRUE(DeliverUntil(chain, async, *target, target->frames().size() + 2));
                EXPECT_EQ(graph.Stop(), ActionResult::Success);
            }
        }
    }
}

TEST(GraphWalks, AStopFoldedIntoAStopThatFailsStillEndsTheRun)
{
    // The source's or the middle filter's onStop stops the graph during the host's Stop, and
    // the target refuses its stop once: the host's Stop fails with the target's text, and the
    // folded Stop ends the run all the same (every filter stopped, Stopped told once, no Error).
    for (const bool async : {false, true}) {
        for (const int folder : {0, 1}) {
            SCOPED_TRACE(std::string(async ? "asynchronous, " : "host-driven, ") + "filter " + std::to_string(folder));
            WalkChain w(async);
            ASSERT_TRUE(BringTo(w, Walk::StopPlaying, 1)) << w.chain().error();
            const std::vector<State> before = w.log().states();
            std::optional<ActionResult> folded;
            w.board.onHook = [&](int filter, Hook hook) {
                if (filter == folder && hook == Hook::Stop && !folded)
                    folded = w.graph().Stop();
            };
            w.board.armed = true;
            w.target->refuseStop = true;
            EXPECT_EQ(w.graph().Stop(), ActionResult::Failure);
            w.board.armed = false;
            EXPECT_EQ(w.chain().error(), "Graph failed to stop(" + Nested("Test", HyxErrorCode::FilterError) + ")");
            EXPECT_EQ(folded, ActionResult::Success);
            EXPECT_TRUE(w.graph().IsStopped());
            for (int i = 0; i < 3; ++i)
                EXPECT_EQ(w.at(i).GetFilterState(), Filter::FilterState::Connected) << "filter " << i;
            std::vector<State> heard = before;
            heard.push_back(State::Stopped);
            EXPECT_EQ(Names(w.log().states()), Names(heard));
            ASSERT_EQ(w.graph().Play(), ActionResult::Success) << w.chain().error();
            EXPECT_TRUE(w.deliver(2));
            EXPECT_EQ(w.graph().Stop(), ActionResult::Success);
        }
    }
}

TEST(GraphWalks, NoFrameIsTakenOnceAPassPausedOrStoppedTheGraph)
{
    // A graph the host updates: the transform pauses it in one pass (its atom waits for the
    // target), the host resumes; in the next pass the target has two atoms and its frame hook
    // pauses (or stops) the graph at the first. It takes no second one in that pass. A resumed
    // run goes on with it; after a stop it is dropped.
    for (const bool stop : {false, true}) {
        SCOPED_TRACE(stop ? "the target's Stop" : "the target's Pause");
        TestGraph chain;
        Graph& graph = *chain.graph;
        chain.make<TestSource>(10);
        const auto transform = chain.make<TestTransform>();
        const auto target = chain.make<TestTarget>();
        std::optional<ActionResult> transformPaused, targetHalted;
        transform->process = [&](TestTransform&, const Atom&) {
            if (!transformPaused)
                transformPaused = graph.Pause();
            return HyxErrorCode::Success;
        };
        target->process = [&](TestTarget&, const Atom&) {
            if (!targetHalted)
                targetHalted = stop ? graph.Stop() : graph.Pause();
            return HyxErrorCode::Success;
        };
        ASSERT_EQ(graph.Play(PlaybackMode::ForwardLoop), ActionResult::Success);
        ASSERT_EQ(graph.Update(), ActionResult::Success) << chain.error();
        ASSERT_EQ(transformPaused, ActionResult::Success);
        ASSERT_TRUE(graph.IsPaused());
        ASSERT_TRUE(target->frames().empty());
        ASSERT_EQ(graph.Play(), ActionResult::Success) << chain.error();
        ASSERT_EQ(graph.Update(), ActionResult::Success) << chain.error();
        EXPECT_EQ(targetHalted, ActionResult::Success);
        EXPECT_TRUE(stop ? graph.IsStopped() : graph.IsPaused());
        EXPECT_EQ(target->frames(), Frames{0});
        ASSERT_EQ(graph.Play(), ActionResult::Success) << chain.error();
        ASSERT_TRUE(chain.update(3)) << chain.error();
        const Frames frames = target->frames();
        ASSERT_GE(frames.size(), 2u);
        if (stop) {
            EXPECT_EQ(std::count(frames.begin(), frames.end(), 1u), 0) << "an atom of the stopped run";
        } else {
            EXPECT_EQ(frames[1], 1u);
        }
        EXPECT_EQ(graph.Stop(), ActionResult::Success);
    }
}

TEST(GraphWalks, WhatAPutBackThrowsIsDroppedForTheWalksOwnFailure)
{
    // The last filter refuses to pause (or to resume); the middle one's put-back throws. The
    // call answers Failure with the walk's own text and passes nothing on, and the run ends as
    // one whose put-back failed: Error, then Stopped, every filter stopped.
    for (const bool async : {false, true}) {
        for (const Walk walk : {Walk::PutBackOfPause, Walk::PutBackOfResume}) {
            const bool pause = walk == Walk::PutBackOfPause;
            SCOPED_TRACE(std::string(async ? "asynchronous, " : "host-driven, ") + (pause ? "Pause" : "resume"));
            WalkChain w(async);
            ASSERT_TRUE(BringTo(w, walk, 1)) << w.chain().error();
            const std::vector<State> before = w.log().states();
            w.board.onHook = [put = pause ? Hook::Play : Hook::Pause](int filter, Hook hook) {
                if (filter == 1 && hook == put)
                    throw std::runtime_error("no way back");
            };
            w.board.armed = true;
            ActionResult answer = ActionResult::Success;
            EXPECT_NO_THROW(answer = Trigger(w, walk));
            w.board.armed = false;
            EXPECT_EQ(answer, ActionResult::Failure);
            EXPECT_EQ(w.chain().error(),
                      std::string(pause ? "Graph failed to pause(" : "Graph failed to start playing(") +
                          Nested("Test", HyxErrorCode::FilterError) + ")");
            std::vector<State> heard = before;
            heard.push_back(State::Error);
            heard.push_back(State::Stopped);
            EXPECT_EQ(Names(w.log().states()), Names(heard));
            EXPECT_TRUE(w.graph().IsStopped());
            EXPECT_TRUE(AllStopped(w.graph()));
        }
    }
}

TEST(GraphWalks, ACallFromAFiltersOnStopInARemovalIsFoldedOrRefused)
{
    // RemoveAllFilters resets a filter that a failed stop left running (the last, which it
    // removes first), so its onStop runs in the removal's walk: a Stop from there is folded in, a Pause or a Play is refused, and the
    // removal takes every filter without a state told.
    for (const bool async : {false, true}) {
        for (const CallBack call : {CallBack::Stop, CallBack::Pause, CallBack::Play, CallBack::PlayMode}) {
            SCOPED_TRACE(std::string(async ? "asynchronous, " : "host-driven, ") + NameOf(call));
            WalkChain w(async);
            ASSERT_TRUE(BringTo(w, Walk::StopLeftover, 2)) << w.chain().error();
            const std::vector<State> before = w.log().states();
            std::optional<ActionResult> heard;
            std::string heardText;
            w.board.onHook = [&](int filter, Hook hook) {
                if (filter != 2 || hook != Hook::Stop || heard)
                    return;
                w.board.callingBack = true;
                heard = Call(w.graph(), call, PlaybackMode::Pingpong);
                w.board.callingBack = false;
                heardText = w.chain().error();
            };
            w.board.armed = true;
            EXPECT_EQ(w.graph().RemoveAllFilters(), ActionResult::Success) << w.chain().error();
            w.board.armed = false;
            EXPECT_EQ(w.graph().GetNumFilters(), 0u);
            EXPECT_EQ(w.board.enteredDuringCall.load(), 0);
            if (call == CallBack::Stop) {
                EXPECT_EQ(heard, ActionResult::Success);
            } else {
                EXPECT_EQ(heard, ActionResult::Failure);
                EXPECT_EQ(heardText, call == CallBack::Pause ? "Graph failed to pause(it is changing state)"
                                                             : "Graph failed to start playing(it is changing state)");
            }
            EXPECT_TRUE(w.graph().IsStopped());
            EXPECT_EQ(Names(w.log().states()), Names(before));
        }
    }
}
