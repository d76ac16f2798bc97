// Host calls on an asynchronous graph from several threads, a failed update that meets a
// Pause or a Stop, a Play or Pause whose put-back fails too (and what its listeners call while
// that run ends), and the stop request as a hook on the worker reads it. Gates inside hooks
// hold one call in its window, so each case takes the same path every time.

#include "GraphFixtures.h"

#include <Hyx/MutateCompressor.h>
#include <Hyx/SourceEmpty.h>
#include <Hyx/TargetCallback.h>

#include <FailingAllocation.h>

#include <functional>
#include <future>
#include <optional>
#include <utility>

using namespace GraphFixtures;

namespace {

/// A source whose GetStreamInfo waits at a gate once, when armed.
class GatedInfoSource : public TestSource {
public:
    using TestSource::TestSource;
    std::atomic<bool> armed{false};
    Gate entered, leave;
    std::shared_ptr<DataTypeStreamInfo> GetStreamInfo() override
    {
        if (armed.exchange(false)) {
            entered.open();
            EXPECT_TRUE(leave.pass());
        }
        return TestSource::GetStreamInfo();
    }
};

/// A transform whose onPause fails while `pauseResult` says so.
class PauseRefusingTransform : public TestTransform {
public:
    HyxErrorCode pauseResult = HyxErrorCode::Success;

protected:
    HyxErrorCode onPause() override
    {
        return pauseResult == HyxErrorCode::Success ? pauseResult : ReportError(pauseResult);
    }
};

/// A target whose onPause fails while `pauseResult` says so.
class PauseRefusingTarget : public TestTarget {
public:
    HyxErrorCode pauseResult = HyxErrorCode::Success;
    /// Runs inside onPause, before it answers.
    std::function<void()> onPauseHook;

protected:
    HyxErrorCode onPause() override
    {
        if (onPauseHook)
            onPauseHook();
        return pauseResult == HyxErrorCode::Success ? pauseResult : ReportError(pauseResult);
    }
};

/// The first `count` frames a looping walk over `frames` delivers: 0..frames-1, again and again.
Frames Looped(unsigned frames, unsigned count)
{
    Frames result;
    for (unsigned i = 0; i < count; ++i)
        result.push_back(i % frames);
    return result;
}

template <class T>
std::vector<T> FirstOf(const std::vector<T>& items, size_t count)
{
    return std::vector<T>(items.begin(), items.begin() + static_cast<long>(std::min(count, items.size())));
}

// A call that waits for another host call is let through once the other has left its window;
// what the waiting call did meanwhile is read after a short grace.
constexpr std::chrono::milliseconds kGrace{50};

} // namespace

namespace {

/// Host A's call waits inside the source's GetStreamInfo while host B makes its own; a grace
/// after B started, `meanwhile` is told whether B's call has returned, then A goes on and both
/// are joined.
void OneCallHeldWhileAnotherComes(GatedInfoSource& source, const std::function<void()>& a,
                                  const std::function<void()>& b, const std::function<void(bool)>& meanwhile)
{
    source.armed = true;
    std::thread first(a);
    EXPECT_TRUE(source.entered.pass());
    std::atomic<bool> answered{false};
    std::thread second([&] {
        b();
        answered = true;
    });
    std::this_thread::sleep_for(kGrace);
    if (meanwhile)
        meanwhile(answered.load());
    source.leave.open();
    first.join();
    second.join();
}

} // namespace

TEST(HostCallThreads, AModeSetThatMeetsAnotherHostsPlayIsOneStep)
{
    // Host A sets a looping mode (Play(mode), or the base's SetPlaybackMode through a Graph&)
    // and is inside the source's GetStreamInfo when host B's Play() comes: B waits for A, so
    // the one run that plays loops from its start and is never rewound.
    const std::pair<const char*, std::function<ActionResult(AsyncGraph&)>> rows[] = {
        {"Play(mode)", [](AsyncGraph& graph) { return graph.Play(PlaybackMode::ForwardLoop); }},
        {"the base's SetPlaybackMode",
         [](AsyncGraph& graph) { return static_cast<Graph&>(graph).SetPlaybackMode(PlaybackMode::ForwardLoop, true); }},
    };
    for (const auto& [name, setMode] : rows) {
        SCOPED_TRACE(name);
        AsyncTestGraph chain;
        auto source = chain.make<GatedInfoSource>(10);
        auto target = chain.make<TestTarget>();
        ASSERT_EQ(chain.async->SetPlaybackMode(PlaybackMode::ForwardOnce, 0.0f), ActionResult::Success);
        std::optional<ActionResult> first, second;
        OneCallHeldWhileAnotherComes(
            *source, [&] { first = setMode(*chain.async); }, [&] { second = chain.async->Play(); },
            [&](bool answered) {
                EXPECT_FALSE(answered);
                EXPECT_TRUE(target->frames().empty());
            });
        EXPECT_EQ(first, ActionResult::Success);
        EXPECT_EQ(second, ActionResult::Success);
        ASSERT_TRUE(Eventually([&] { return target->frames().size() >= 25; }));
        EXPECT_EQ(FirstOf(target->frames(), 25), Looped(10, 25));
        EXPECT_EQ(chain.async->Stop(), ActionResult::Success);
    }
}

TEST(HostCallThreads, PlayModeThatWaitedForAnotherHostsPlayFindsItPlaying)
{
    // Host A's Play() is inside GetStreamInfo when host B's Play(ForwardOnce) comes; once A's
    // run plays (its worker inside a pass), B finds a playing graph: Success, mode unchanged.
    AsyncTestGraph chain;
    auto source = chain.make<GatedInfoSource>(10);
    auto target = chain.make<TestTarget>();
    Gate inPass, leavePass;
    target->process = [&](TestTarget&, const Atom& atom) {
        if (atom.GetFrameNr() == 1) {
            inPass.open();
            EXPECT_TRUE(leavePass.pass());
        }
        return HyxErrorCode::Success;
    };
    ASSERT_EQ(chain.async->SetPlaybackMode(PlaybackMode::ForwardLoop, 0.0f), ActionResult::Success);
    std::optional<ActionResult> first, second;
    OneCallHeldWhileAnotherComes(
        *source, [&] { first = chain.async->Play(); }, [&] { second = chain.async->Play(PlaybackMode::ForwardOnce); },
        nullptr);
    EXPECT_TRUE(inPass.pass());
    leavePass.open();
    EXPECT_EQ(first, ActionResult::Success);
    EXPECT_EQ(second, ActionResult::Success) << chain.error();
    const auto order = std::dynamic_pointer_cast<FrameOrderAuto>(chain.async->GetFrameOrderProvider());
    ASSERT_TRUE(order);
    EXPECT_EQ(order->GetPlaybackMode(), PlaybackMode::ForwardLoop);
    EXPECT_EQ(chain.async->Stop(), ActionResult::Success);
}

TEST(HostCallThreads, RateSetWhilePlayAsksTheSourceIsTheOneTheWorkerPacesTo)
{
    // Host A's Play() asks the source for its rate while host B sets a new one: B's rate
    // stands, and its period is the one the worker paces to.
    AsyncTestGraph chain;
    auto source = chain.make<GatedInfoSource>(10);
    chain.make<TestTarget>();
    ASSERT_EQ(chain.async->SetPlaybackMode(PlaybackMode::ForwardLoop, 2.0f), ActionResult::Success);
    OneCallHeldWhileAnotherComes(
        *source, [&] { EXPECT_EQ(chain.async->Play(), ActionResult::Success); },
        [&] { EXPECT_EQ(chain.async->SetGraphFps(500.0f), ActionResult::Success); }, nullptr);
    float fps = 0.0f;
    chain.async->GetGraphFps(fps);
    EXPECT_EQ(fps, 500.0f);
    EXPECT_EQ(chain.async->GetFramePeriodMs(), 2u);
    EXPECT_EQ(chain.async->Stop(), ActionResult::Success);
}

namespace {

enum class Meets {
    ListenerPause, // a listener of Error pauses, on the worker
    ListenerStop, // a listener of Error stops, on the worker
    HostPause, // the host's Pause comes while the update fails
    HostStop // the host's Stop comes while the update fails
};

struct FailedRunRow {
    const char* name;
    Meets meets;
    ActionResult answer; // of the Pause or Stop
    const char* text; // the graph's text right after it; null: the update's
};

const FailedRunRow kFailedRunRows[] = {
    {"listener's Pause", Meets::ListenerPause, ActionResult::Failure, "Graph failed to pause(it is changing state)"},
    {"listener's Stop", Meets::ListenerStop, ActionResult::Success, nullptr},
    {"host's Pause", Meets::HostPause, ActionResult::Failure, "Graph failed to pause(it is not playing)"},
    {"host's Stop", Meets::HostStop, ActionResult::Success, nullptr},
};

} // namespace

TEST(HostCallThreads, AFailedUpdateEndsItsRunStoppedWhateverMeetsIt)
{
    for (const FailedRunRow& row : kFailedRunRows) {
        SCOPED_TRACE(row.name);
        AsyncTestGraph chain;
        auto source = chain.make<TestSource>(10);
        auto transform = chain.make<TestTransform>();
        auto target = chain.make<TestTarget>();
        Gate failing, fail;
        const bool host = row.meets == Meets::HostPause || row.meets == Meets::HostStop;
        const bool pause = row.meets == Meets::ListenerPause || row.meets == Meets::HostPause;
        transform->process = [&](TestTransform&, const Atom& atom) {
            if (atom.GetFrameNr() != 5 || transform->frames.size() > 6)
                return HyxErrorCode::Success;
            if (host) {
                failing.open();
                fail.passUnless([&] { return chain.async->IsStopRequested(); });
            }
            return HyxErrorCode::FilterError;
        };
        std::optional<ActionResult> answer;
        std::string text;
        chain.log.onState = [&](State state) {
            if (state != State::Error || host || answer)
                return;
            answer = pause ? chain.async->Pause() : chain.async->Stop();
            text = chain.error();
        };
        ASSERT_TRUE(chain.play(PlaybackMode::ForwardOnce));
        if (host) {
            ASSERT_TRUE(failing.pass());
            answer = pause ? chain.async->Pause() : chain.async->Stop();
            text = chain.error();
        }
        ASSERT_TRUE(chain.log.waitFor(State::Stopped));
        EXPECT_EQ(answer, row.answer);
        if (row.text)
            EXPECT_EQ(text, row.text);
        else
            EXPECT_EQ(text.rfind("Graph update failed(", 0), 0u) << text;
        EXPECT_EQ(chain.log.states(), (std::vector<State>{State::Playing, State::Error, State::Stopped}));
        EXPECT_TRUE(chain.async->IsStopped());
        EXPECT_TRUE(AllStopped(*chain.async));
        // A Stop, or the host's Pause, asked the worker to end: that stands until a new run.
        EXPECT_EQ(chain.async->IsStopRequested(), row.meets != Meets::ListenerPause);
        // The next Play starts a new run from the order's start, not from frame 6.
        const size_t before = target->frames().size();
        ASSERT_EQ(chain.async->Play(), ActionResult::Success);
        EXPECT_FALSE(chain.async->IsStopRequested());
        ASSERT_TRUE(chain.log.waitFor(State::Stopped, 2));
        const Frames all = target->frames();
        EXPECT_EQ(Frames(all.begin() + static_cast<long>(before), all.end()), Range(10));
    }
}

namespace {

enum class Walk {
    Resume, // Play from Paused: the transform's onPlay fails, and pausing the first one back too
    Pause // the target refuses its pause, and playing the transform back fails too
};

struct PutBackRow {
    const char* name;
    Walk walk;
    bool async;
};

const PutBackRow kPutBackRows[] = {
    {"resume, asynchronous", Walk::Resume, true},
    {"resume, host-driven", Walk::Resume, false},
    {"pause, asynchronous", Walk::Pause, true},
    {"pause, host-driven", Walk::Pause, false},
};

} // namespace

TEST(HostCallThreads, APutBackThatFailsTooStopsEveryFilter)
{
    for (const PutBackRow& row : kPutBackRows) {
        SCOPED_TRACE(row.name);
        EitherGraph either(row.async);
        TestGraph* const chain = either.chain();
        StateLog& log = either.log();
        chain->make<TestSource>(10);
        auto first = chain->make<PauseRefusingTransform>();
        auto second = chain->make<TestTransform>(MakeProfile({{Guid(), kType1}}), MakeProfile({{kPurposeB, kType2}}));
        auto target = chain->make<PauseRefusingTarget>();
        ASSERT_EQ(chain->graph->SetPlaybackMode(PlaybackMode::ForwardLoop, true), ActionResult::Success);
        ASSERT_EQ(chain->graph->Play(), ActionResult::Success);
        if (!row.async)
            ASSERT_TRUE(chain->update(3));
        else
            ASSERT_TRUE(Eventually([&] { return target->frames().size() >= 3; }));

        std::string expected;
        ActionResult answer = ActionResult::Success;
        if (row.walk == Walk::Resume) {
            ASSERT_EQ(chain->graph->Pause(), ActionResult::Success);
            second->playResult = HyxErrorCode::FilterError;
            first->pauseResult = HyxErrorCode::FilterError;
            answer = chain->graph->Play();
            expected = "Graph failed to start playing(" + Nested("Test", HyxErrorCode::FilterError) + ")";
        } else {
            target->pauseResult = HyxErrorCode::FilterError;
            second->playResult = HyxErrorCode::FilterError;
            answer = chain->graph->Pause();
            expected = "Graph failed to pause(" + Nested("Test", HyxErrorCode::FilterError) + ")";
        }
        EXPECT_EQ(answer, ActionResult::Failure);
        EXPECT_EQ(chain->error(), expected);
        EXPECT_TRUE(chain->graph->IsStopped());
        EXPECT_TRUE(AllStopped(*chain->graph));
        const std::vector<State> states = log.states();
        ASSERT_GE(states.size(), 3u);
        EXPECT_EQ(std::vector<State>(states.end() - 2, states.end()),
                  (std::vector<State>{State::Error, State::Stopped}));

        // With the faults gone the next Play plays a new run from the start.
        first->pauseResult = target->pauseResult = HyxErrorCode::Success;
        second->playResult = HyxErrorCode::Success;
        const size_t before = target->frames().size();
        ASSERT_EQ(chain->graph->Play(), ActionResult::Success) << chain->error();
        if (!row.async)
            ASSERT_TRUE(chain->update(3));
        else
            ASSERT_TRUE(Eventually([&] { return target->frames().size() >= before + 3; }));
        // An asynchronous graph's Play from Stopped starts the order again; a host-driven
        // graph's walks on (its Play(mode) starts it again).
        const Frames all = target->frames();
        const Frames next(all.begin() + static_cast<long>(before), all.begin() + static_cast<long>(before) + 3);
        if (row.async)
            EXPECT_EQ(next, Range(3));
        else
            EXPECT_TRUE(next[1] == next[0] + 1 && next[2] == next[1] + 1);
        EXPECT_EQ(chain->graph->Stop(), ActionResult::Success);
    }
}

TEST(HostCallThreads, ARefusedPauseWhoseWorkerCannotStartAgainSaysTheGraphStopped)
{
    // The target refuses the host's Pause; the filters play again, but no worker can start:
    // the graph stops, and the answer and the text say so. The last allocation of the Pause
    // is the worker's start: a first Pause finds its size, a second fails the next of it.
    AsyncTestGraph chain;
    chain.make<TestSource>(100000);
    auto target = chain.make<PauseRefusingTarget>();
    target->pauseResult = HyxErrorCode::FilterError;
    std::atomic<size_t> failSize{0};
    target->onPauseHook = [&] {
        if (failSize.load() == 0)
            FailingAllocation::CountOnThisThread();
        else
            FailingAllocation::FailNextOfSizeOnThisThread(failSize.load());
    };
    ASSERT_TRUE(chain.play(PlaybackMode::ForwardLoop));
    EXPECT_EQ(chain.async->Pause(), ActionResult::Failure);
    ASSERT_GT(FailingAllocation::StopCountingOnThisThread(), 0);
    failSize = FailingAllocation::LastCountedSize();
    ASSERT_TRUE(chain.async->IsPlaying());

    EXPECT_EQ(chain.async->Pause(), ActionResult::Failure);
    FailingAllocation::FailNextOfSizeOnThisThread(0);
    EXPECT_EQ(chain.error(), "Graph failed to pause(" + Nested("Test", HyxErrorCode::FilterError) +
                                 "; the graph stopped: cannot start the worker thread)");
    EXPECT_TRUE(chain.async->IsStopped());
    EXPECT_TRUE(AllStopped(*chain.async));
    EXPECT_EQ(chain.log.states().back(), State::Stopped);
    target->pauseResult = HyxErrorCode::Success;
    EXPECT_EQ(chain.async->Play(), ActionResult::Success) << chain.error();
    EXPECT_TRUE(chain.async->IsPlaying());
}

TEST(HostCallThreads, ANewRunsPlayWhoseStopBackFailsLeavesThatFilterToTheNextPlay)
{
    // From Stopped nothing ran yet: the graph stays stopped and its listeners hear nothing;
    // the filter that could not stop back is stopped by the next Play, which then plays.
    for (const bool async : {true, false}) {
        SCOPED_TRACE(async ? "asynchronous" : "host-driven");
        EitherGraph either(async);
        TestGraph* const chain = either.chain();
        StateLog& log = either.log();
        chain->make<TestSource>(10);
        auto first = chain->make<TestTransform>();
        auto second = chain->make<TestTransform>(MakeProfile({{Guid(), kType1}}), MakeProfile({{kPurposeB, kType2}}));
        auto target = chain->make<TestTarget>();
        ASSERT_EQ(chain->graph->SetPlaybackMode(PlaybackMode::ForwardLoop, true), ActionResult::Success);
        second->playResult = HyxErrorCode::FilterError;
        first->stopResult = HyxErrorCode::FilterError;
        EXPECT_EQ(chain->graph->Play(), ActionResult::Failure);
        EXPECT_EQ(chain->error(), "Graph failed to start playing(" + Nested("Test", HyxErrorCode::FilterError) + ")");
        EXPECT_TRUE(chain->graph->IsStopped());
        EXPECT_EQ(first->GetFilterState(), Filter::FilterState::Playing);
        EXPECT_TRUE(log.states().empty());

        second->playResult = first->stopResult = HyxErrorCode::Success;
        ASSERT_EQ(chain->graph->Play(), ActionResult::Success) << chain->error();
        if (!async)
            ASSERT_TRUE(chain->update(3));
        else
            ASSERT_TRUE(Eventually([&] { return target->frames().size() >= 3; }));
        EXPECT_EQ(FirstOf(target->frames(), 3), Range(3));
        EXPECT_EQ(chain->graph->Stop(), ActionResult::Success);
        EXPECT_TRUE(AllStopped(*chain->graph));
    }
}

TEST(HostCallThreads, SuspendAndResumeWaitForAnotherHostsCall)
{
    // Host A's Play() is inside GetStreamInfo: host B's Suspend (or Resume) waits for it, then
    // stands.
    for (const bool suspend : {true, false}) {
        SCOPED_TRACE(suspend ? "Suspend" : "Resume");
        AsyncTestGraph chain;
        auto source = chain.make<GatedInfoSource>(10);
        chain.make<TestTarget>();
        ASSERT_EQ(chain.async->SetPlaybackMode(PlaybackMode::ForwardLoop, 0.0f), ActionResult::Success);
        if (!suspend)
            chain.async->Suspend();
        OneCallHeldWhileAnotherComes(
            *source, [&] { EXPECT_EQ(chain.async->Play(), ActionResult::Success); },
            [&] { suspend ? chain.async->Suspend() : chain.async->Resume(); },
            [&](bool answered) {
                EXPECT_FALSE(answered);
                EXPECT_EQ(chain.async->IsSuspended(), !suspend);
            });
        EXPECT_EQ(chain.async->IsSuspended(), suspend);
        EXPECT_TRUE(chain.async->IsPlaying());
        chain.async->Resume();
        EXPECT_EQ(chain.async->Stop(), ActionResult::Success);
    }
}

TEST(HostCallThreads, TheWorkersCallsNeverWaitForAHostCall)
{
    // A host's Stop holds the control lock while it waits for the worker's pass; a filter's
    // step in that pass sets the rate, suspends and resumes without waiting for it.
    AsyncTestGraph chain;
    chain.make<TestSource>(10);
    auto target = chain.make<TestTarget>();
    Gate inPass, leavePass;
    std::atomic<bool> called{false};
    target->process = [&](TestTarget&, const Atom& atom) {
        if (atom.GetFrameNr() == 1 && !called) {
            inPass.open();
            leavePass.passUnless([&] { return chain.async->IsStopRequested(); });
            chain.async->SetGraphFps(500.0f);
            chain.async->Suspend();
            chain.async->Resume();
            called = true;
        }
        return HyxErrorCode::Success;
    };
    ASSERT_TRUE(chain.play(PlaybackMode::ForwardLoop));
    ASSERT_TRUE(inPass.pass());
    EXPECT_EQ(chain.async->Stop(), ActionResult::Success);
    EXPECT_TRUE(called.load());
    EXPECT_EQ(chain.async->GetFramePeriodMs(), 2u);
    EXPECT_FALSE(chain.async->IsSuspended());
}

namespace {

/// A transform that runs a hook inside its onStop.
class StopHookTransform : public TestTransform {
public:
    std::function<void()> onStopHook;

protected:
    HyxErrorCode onStop() override
    {
        if (onStopHook)
            onStopHook();
        return TestTransform::onStop();
    }
};

} // namespace

TEST(HostCallThreads, APauseOrStopInsideTheWorkersOwnStopLeavesItToEndTheRun)
{
    // The worker stops a run that is done or whose update failed; a listener of Stopped, or a
    // filter's onStop inside that stop, asks for a Pause (refused: the run is ending) or a
    // Stop (Success, and no second walk): the run ends Stopped, told once, and the next Play
    // plays from the start.
    for (const bool failed : {false, true}) {
        for (const bool inHook : {false, true}) {
            for (const bool pause : {true, false}) {
                SCOPED_TRACE(std::string(failed ? "failed" : "done") + (inHook ? ", onStop, " : ", listener, ") +
                             (pause ? "Pause" : "Stop"));
                AsyncTestGraph chain;
                chain.make<TestSource>(5);
                auto transform = chain.make<StopHookTransform>();
                auto target = chain.make<TestTarget>();
                if (failed) {
                    transform->process = [](TestTransform& self, const Atom& atom) {
                        return atom.GetFrameNr() == 3 && self.frames.size() == 4 ? HyxErrorCode::FilterError
                                                                                 : HyxErrorCode::Success;
                    };
                }
                std::optional<ActionResult> answer;
                std::string text;
                const auto ask = [&] {
                    if (answer)
                        return;
                    answer = pause ? chain.async->Pause() : chain.async->Stop();
                    text = chain.error();
                };
                if (inHook)
                    transform->onStopHook = ask;
                else
                    chain.log.onState = [&](State state) {
                        if (state == State::Stopped)
                            ask();
                    };
                ASSERT_TRUE(chain.play(PlaybackMode::ForwardOnce));
                ASSERT_TRUE(chain.log.waitFor(State::Stopped));
                transform->onStopHook = nullptr;
                chain.log.onState = nullptr;
                EXPECT_EQ(answer, pause ? ActionResult::Failure : ActionResult::Success);
                if (pause) {
                    EXPECT_EQ(text, "Graph failed to pause(it is changing state)");
                }
                const std::vector<State> heard = failed
                                                     ? std::vector<State>{State::Playing, State::Error, State::Stopped}
                                                     : std::vector<State>{State::Playing, State::Stopped};
                EXPECT_EQ(chain.log.states(), heard);
                EXPECT_TRUE(chain.async->IsStopped());
                EXPECT_TRUE(AllStopped(*chain.async));
                const size_t before = target->frames().size();
                ASSERT_EQ(chain.async->Play(), ActionResult::Success);
                ASSERT_TRUE(chain.log.waitFor(State::Stopped, 2));
                const Frames all = target->frames();
                EXPECT_EQ(Frames(all.begin() + static_cast<long>(before), all.end()), Range(5));
            }
        }
    }
}

namespace {

/// How a filter's hook on the worker reaches its graph: (the hook's filter, the host's own
/// pointer, a raw pointer) -> IsStopRequested.
using StopReader = std::function<bool(TestTarget&, const std::shared_ptr<AsyncGraph>&, AsyncGraph*)>;

} // namespace

TEST(HostCallThreads, IsStopRequestedOnTheWorkerReadsOnlyWhetherAStopWasAsked)
{
    // A target's update hook on the worker asks, while the host holds the graph (through one
    // reference or two) and asked for nothing: false, however the hook reaches the graph. The
    // hook then waits until the host's Stop or Pause has asked the worker to end, seen through
    // the same pointer: true, and true until the next Play.
    const std::pair<const char*, StopReader> readers[] = {
        {"a raw pointer",
         [](TestTarget&, const std::shared_ptr<AsyncGraph>&, AsyncGraph* raw) { return raw->IsStopRequested(); }},
        {"the host's own pointer",
         [](TestTarget&, const std::shared_ptr<AsyncGraph>& host, AsyncGraph*) { return host->IsStopRequested(); }},
        {"GetGraph kept, then cast",
         [](TestTarget& self, const std::shared_ptr<AsyncGraph>&, AsyncGraph*) {
             const std::shared_ptr<Graph> kept = self.GetGraph();
             const std::shared_ptr<AsyncGraph> cast = std::dynamic_pointer_cast<AsyncGraph>(kept);
             return cast->IsStopRequested();
         }},
        {"GetGraph cast",
         [](TestTarget& self, const std::shared_ptr<AsyncGraph>&, AsyncGraph*) {
             return std::dynamic_pointer_cast<AsyncGraph>(self.GetGraph())->IsStopRequested();
         }},
    };
    for (const bool twoReferences : {true, false}) {
        for (const bool stop : {true, false}) {
            for (const auto& [name, read] : readers) {
                SCOPED_TRACE(std::string(twoReferences ? "two host references, " : "one host reference, ") +
                             (stop ? "Stop, " : "Pause, ") + name);
                std::shared_ptr<AsyncGraph> graph = std::make_shared<AsyncGraph>();
                const std::shared_ptr<Graph> secondReference = twoReferences ? graph : nullptr;
                AsyncGraph* const raw = graph.get();
                ASSERT_EQ(graph->AddAndConnect(std::make_shared<TestSource>(10)), ActionResult::Success);
                auto target = std::make_shared<TestTarget>();
                ASSERT_EQ(graph->AddAndConnect(target), ActionResult::Success);
                ASSERT_EQ(graph->SetPlaybackMode(PlaybackMode::ForwardLoop, 0.0f), ActionResult::Success);
                Gate inHook;
                bool asked = false;
                std::optional<bool> before, after;
                target->process = [&, &read = read](TestTarget& self, const Atom&) {
                    if (asked || self.frames().size() < 2)
                        return HyxErrorCode::Success;
                    asked = true;
                    before = read(self, graph, raw);
                    inHook.open();
                    // Nobody opens it: the hook leaves once it sees the stop asked.
                    Gate stopAsked;
                    stopAsked.passUnless([&] { return read(self, graph, raw); });
                    after = read(self, graph, raw);
                    return HyxErrorCode::Success;
                };
                ASSERT_EQ(graph->Play(), ActionResult::Success);
                ASSERT_TRUE(inHook.pass());
                EXPECT_FALSE(graph->IsStopRequested()); // the same on the host's thread
                EXPECT_EQ(stop ? graph->Stop() : graph->Pause(), ActionResult::Success)
                    << graph->GetLastError(false).StdString();
                EXPECT_EQ(before, false);
                EXPECT_EQ(after, true);
                EXPECT_TRUE(graph->IsStopRequested());
                ASSERT_EQ(graph->Play(), ActionResult::Success);
                EXPECT_FALSE(graph->IsStopRequested());
                EXPECT_EQ(graph->Stop(), ActionResult::Success);
            }
        }
    }
}

namespace {

/// Where a run ends after a failed put-back.
enum class Ending {
    HostPause, // the host's Pause: the target refuses, the second transform does not play again
    Resume, // the host's Play from Paused: the second transform refuses, the first does not pause again
    OwnTurnPause // the target's update hook pauses its graph on the worker, refused as the host's Pause
};

const char* NameOf(Ending ending)
{
    switch (ending) {
    case Ending::HostPause: return "host's Pause";
    case Ending::Resume: return "resume";
    case Ending::OwnTurnPause: return "Pause from the worker's turn";
    }
    return "";
}

} // namespace

TEST(HostCallThreads, AFailedPutBackEndsItsRunOnceWhateverAListenerOfErrorCalls)
{
    // A run ends after a failed put-back; a listener of Error (on the thread that ends it)
    // heals the filters and calls Stop, Pause, Play or Play(mode). Stop is folded in, the
    // others are refused: the run ends as a failed update's does (Error, then Stopped once),
    // the filters are stopped, the mode stands, nothing reaches the target until the next
    // Play, which plays a new run.
    const std::string walkFailure = "(" + Nested("Test", HyxErrorCode::FilterError) + ")";
    for (const Ending ending : {Ending::HostPause, Ending::Resume, Ending::OwnTurnPause}) {
        for (const CallBack call : {CallBack::Stop, CallBack::Pause, CallBack::Play, CallBack::PlayMode}) {
            for (const bool async : {true, false}) {
                if (ending == Ending::OwnTurnPause && !async)
                    continue; // a graph the host updates has no worker
                SCOPED_TRACE(std::string(NameOf(ending)) + ", listener's " + NameOf(call) +
                             (async ? ", asynchronous" : ", host-driven"));
                EitherGraph either(async);
                TestGraph* const chain = either.chain();
                StateLog& log = either.log();
                Graph* const graph = chain->graph.get();
                chain->make<TestSource>(10);
                auto first = chain->make<PauseRefusingTransform>();
                auto second =
                    chain->make<TestTransform>(MakeProfile({{Guid(), kType1}}), MakeProfile({{kPurposeB, kType2}}));
                auto target = chain->make<PauseRefusingTarget>();
                ASSERT_EQ(graph->SetPlaybackMode(PlaybackMode::Pingpong, true), ActionResult::Success);

                // The listener's call would work were it let through: the faults are gone by then.
                std::optional<ActionResult> heard;
                std::string heardText;
                log.onState = [&](State state) {
                    if (state != State::Error || heard)
                        return;
                    first->pauseResult = target->pauseResult = HyxErrorCode::Success;
                    second->playResult = HyxErrorCode::Success;
                    heard = Call(*graph, call, PlaybackMode::ForwardLoop);
                    heardText = chain->error();
                };
                std::optional<ActionResult> answer;
                size_t atEnd = 0;
                Gate ended;
                if (ending == Ending::OwnTurnPause) {
                    target->process = [&](TestTarget& self, const Atom&) {
                        if (answer || self.frames().size() < 3)
                            return HyxErrorCode::Success;
                        target->pauseResult = HyxErrorCode::FilterError;
                        second->playResult = HyxErrorCode::FilterError;
                        answer = graph->Pause();
                        atEnd = self.frames().size();
                        ended.open();
                        return HyxErrorCode::Success;
                    };
                }
                ASSERT_EQ(graph->Play(), ActionResult::Success);
                ASSERT_TRUE(DeliverUntil(*chain, async, *target, 3));
                std::string walk;
                std::vector<State> states{State::Playing};
                switch (ending) {
                case Ending::HostPause:
                    target->pauseResult = HyxErrorCode::FilterError;
                    second->playResult = HyxErrorCode::FilterError;
                    answer = graph->Pause();
                    atEnd = target->frames().size();
                    walk = "Graph failed to pause" + walkFailure;
                    break;
                case Ending::Resume:
                    ASSERT_EQ(graph->Pause(), ActionResult::Success);
                    states.push_back(State::Paused);
                    second->playResult = HyxErrorCode::FilterError;
                    first->pauseResult = HyxErrorCode::FilterError;
                    answer = graph->Play();
                    atEnd = target->frames().size();
                    walk = "Graph failed to start playing" + walkFailure;
                    break;
                case Ending::OwnTurnPause:
                    ASSERT_TRUE(ended.pass());
                    walk = "Graph failed to pause" + walkFailure;
                    break;
                }
                log.onState = nullptr;

                EXPECT_EQ(answer, ActionResult::Failure);
                switch (call) {
                case CallBack::Stop:
                    EXPECT_EQ(heard, ActionResult::Success);
                    EXPECT_EQ(heardText, walk);
                    EXPECT_EQ(chain->error(), walk);
                    break;
                case CallBack::Pause:
                    EXPECT_EQ(heard, ActionResult::Failure);
                    EXPECT_EQ(heardText, "Graph failed to pause(it is changing state)");
                    EXPECT_EQ(chain->error(), heardText); // a refusal's text replaces the walk's
                    break;
                case CallBack::Play:
                case CallBack::PlayMode:
                    EXPECT_EQ(heard, ActionResult::Failure);
                    EXPECT_EQ(heardText, ending == Ending::OwnTurnPause
                                             ? "Graph failed to start playing(it cannot be started from its own "
                                               "worker thread)"
                                             : "Graph failed to start playing(it is changing state)");
                    EXPECT_EQ(chain->error(), heardText); // a refusal's text replaces the walk's
                    break;
                }
                // Heard so far; that nothing follows shows once the next Play has started.
                states.push_back(State::Error);
                states.push_back(State::Stopped);
                const std::vector<State> heardByNow = log.states();
                EXPECT_EQ(Names(FirstOf(heardByNow, states.size())), Names(states));
                EXPECT_TRUE(graph->IsStopped());
                EXPECT_TRUE(AllStopped(*graph));
                const auto order = std::dynamic_pointer_cast<FrameOrderAuto>(graph->GetFrameOrderProvider());
                ASSERT_TRUE(order);
                EXPECT_EQ(order->GetPlaybackMode(), PlaybackMode::Pingpong);
                if (!async) {
                    // A host that goes on updating the ended run: nothing reaches the target.
                    static_cast<void>(graph->Update());
                    static_cast<void>(graph->Update());
                    EXPECT_EQ(target->frames().size(), atEnd);
                }

                // The next Play plays a new run (an asynchronous graph's from the order's start,
                // with nothing of the ended run before it); the test's Stop then ends it cleanly.
                ASSERT_EQ(graph->Play(), ActionResult::Success) << chain->error();
                ASSERT_TRUE(DeliverUntil(*chain, async, *target, atEnd + 3));
                if (async) {
                    const Frames all = target->frames();
                    EXPECT_EQ(FirstOf(Frames(all.begin() + static_cast<long>(atEnd), all.end()), 3), Range(3));
                }
                EXPECT_EQ(graph->Stop(), ActionResult::Success) << chain->error();
                EXPECT_TRUE(graph->IsStopped());
                EXPECT_TRUE(AllStopped(*graph));
                states.push_back(State::Playing);
                states.push_back(State::Stopped);
                EXPECT_EQ(Names(log.states()), Names(states));
            }
        }
    }
}

namespace {

/// Set on the host thread whose Play the test watches.
thread_local bool t_watchedHost = false;

/// An asynchronous graph that opens `readByWatchedHost` when the watched host thread reads
/// whether it plays: that host's Play is under way and decides under the control lock.
class WatchedAsyncGraph : public AsyncGraph {
public:
    bool IsPlaying() const override
    {
        if (t_watchedHost)
            readByWatchedHost.open();
        return AsyncGraph::IsPlaying();
    }
    mutable Gate readByWatchedHost;
};

/// A suspended graph whose resume fails to put back; held by the test and by the host threads
/// it starts, so that threads that never return keep what they use alive.
struct SuspendedResumeRig {
    SuspendedResumeRig()
    {
        graph->_graphEvents.Add(&log);
        const auto add = [&](const std::shared_ptr<Filter>& filter) {
            EXPECT_EQ(graph->AddAndConnect(filter), ActionResult::Success) << graph->GetLastError(false).StdString();
        };
        add(std::make_shared<TestSource>(10));
        add(first);
        add(second);
        add(target);
    }
    ~SuspendedResumeRig()
    {
        graph->Stop();
        graph->_graphEvents.Remove(&log);
    }

    StateLog log; // outlives the graph
    std::shared_ptr<WatchedAsyncGraph> graph = std::make_shared<WatchedAsyncGraph>();
    std::shared_ptr<PauseRefusingTransform> first = std::make_shared<PauseRefusingTransform>();
    std::shared_ptr<TestTransform> second =
        std::make_shared<TestTransform>(MakeProfile({{Guid(), kType1}}), MakeProfile({{kPurposeB, kType2}}));
    std::shared_ptr<PauseRefusingTarget> target = std::make_shared<PauseRefusingTarget>();
    std::atomic<bool> playReturned{false}, resumeReturned{false};
    std::atomic<ActionResult> playAnswer{ActionResult::Failure};
};

} // namespace

TEST(HostCallThreads, APlayAndAResumeAfterAFailedResumeOfASuspendedGraphBothReturn)
{
    // The host suspends a paused graph and resumes it; the resume fails and so does its
    // put-back, and the run ends. Then the host plays on one thread and, once that Play is
    // under way, resumes on another: both return, and the new run plays from the order's
    // start. When a listener of Error plays the ended run, its Play is refused and leaves no
    // worker behind for the host's Play to wait for.
    for (const bool listenerPlays : {false, true}) {
        SCOPED_TRACE(listenerPlays ? "a listener of Error plays" : "nothing calls back");
        const auto rig = std::make_shared<SuspendedResumeRig>();
        AsyncGraph& graph = *rig->graph;
        ASSERT_EQ(graph.SetPlaybackMode(PlaybackMode::Pingpong, 0.0f), ActionResult::Success);
        ASSERT_EQ(graph.Play(), ActionResult::Success);
        ASSERT_TRUE(Eventually([&] { return rig->target->frames().size() >= 3; }));
        ASSERT_EQ(graph.Pause(), ActionResult::Success);
        graph.Suspend();

        std::optional<ActionResult> heard;
        std::string heardText;
        if (listenerPlays) {
            rig->log.onState = [&, raw = rig.get()](State state) {
                if (state != State::Error || heard)
                    return;
                raw->first->pauseResult = HyxErrorCode::Success;
                raw->second->playResult = HyxErrorCode::Success;
                heard = raw->graph->Play();
                heardText = raw->graph->GetLastError(false).StdString();
            };
        }
        rig->second->playResult = HyxErrorCode::FilterError;
        rig->first->pauseResult = HyxErrorCode::FilterError;
        EXPECT_EQ(graph.Play(), ActionResult::Failure);
        rig->log.onState = nullptr;
        if (listenerPlays) {
            EXPECT_EQ(heard, ActionResult::Failure);
            EXPECT_EQ(heardText, "Graph failed to start playing(it is changing state)");
        } else {
            EXPECT_EQ(graph.GetLastError(false).StdString(),
                      "Graph failed to start playing(" + Nested("Test", HyxErrorCode::FilterError) + ")");
        }
        EXPECT_EQ(Names(rig->log.states()), Names({State::Playing, State::Paused, State::Error, State::Stopped}));
        EXPECT_TRUE(graph.IsStopped());
        EXPECT_TRUE(AllStopped(graph));
        EXPECT_TRUE(graph.IsSuspended());
        rig->first->pauseResult = HyxErrorCode::Success;
        rig->second->playResult = HyxErrorCode::Success;
        const size_t atEnd = rig->target->frames().size();

        std::thread player([rig] {
            t_watchedHost = true;
            rig->playAnswer = rig->graph->Play();
            rig->playReturned = true;
            rig->graph->readByWatchedHost.open(); // a Play that never read the state lets the Resume go
        });
        std::thread resumer([rig] {
            EXPECT_TRUE(rig->graph->readByWatchedHost.pass());
            rig->graph->Resume();
            rig->resumeReturned = true;
        });
        const bool returned = Eventually([&] { return rig->playReturned && rig->resumeReturned; });
        EXPECT_TRUE(rig->playReturned.load()) << "the host's Play did not return";
        EXPECT_TRUE(rig->resumeReturned.load()) << "the host's Resume did not return";
        if (!returned) {
            // They wait for the control lock or for a worker that nothing ends, and no call
            // of this thread can reach either. They hold the rig: it stays alive with them
            // until the process ends.
            player.detach();
            resumer.detach();
            continue;
        }
        player.join();
        resumer.join();
        EXPECT_EQ(rig->playAnswer.load(), ActionResult::Success) << graph.GetLastError(false).StdString();
        EXPECT_FALSE(graph.IsSuspended());
        ASSERT_TRUE(Eventually([&] { return rig->target->frames().size() >= atEnd + 3; }));
        const Frames all = rig->target->frames();
        EXPECT_EQ(FirstOf(Frames(all.begin() + static_cast<long>(atEnd), all.end()), 3), Range(3));
        EXPECT_EQ(graph.Stop(), ActionResult::Success);
        EXPECT_TRUE(AllStopped(graph));
    }
}

namespace {

enum class FromOnStop {
    Stop,
    Pause,
    Play,
    PlayMode
};

} // namespace

TEST(HostCallThreads, ACallFromAFiltersOnStopDuringAStopFindsTheRunEnding)
{
    // The host stops the graph, or a filter's step does (on the worker of an asynchronous
    // graph); a filter's onStop asks for a Stop (folded in: no second walk), a Pause or a Play
    // (refused: the run is ending, the mode left as it was). The graph ends Stopped, told
    // once, and the next Play plays.
    const std::pair<const char*, FromOnStop> calls[] = {
        {"Stop", FromOnStop::Stop},
        {"Pause", FromOnStop::Pause},
        {"Play", FromOnStop::Play},
        {"Play(mode)", FromOnStop::PlayMode},
    };
    for (const bool async : {true, false}) {
        for (const bool byHook : {false, true}) {
            for (const auto& [name, call] : calls) {
                SCOPED_TRACE(std::string(async ? "asynchronous, " : "host-driven, ") +
                             (byHook ? "a step's Stop, " : "the host's Stop, ") + name);
                EitherGraph either(async);
                TestGraph* const chain = either.chain();
                StateLog& log = either.log();
                chain->make<TestSource>(10);
                auto transform = chain->make<StopHookTransform>();
                auto target = chain->make<TestTarget>();
                std::atomic<bool> stopInStep{false};
                std::optional<ActionResult> stepStopped;
                Gate stepDone;
                target->process = [&](TestTarget&, const Atom&) {
                    if (stopInStep.exchange(false)) {
                        stepStopped = chain->graph->Stop();
                        stepDone.open();
                    }
                    return HyxErrorCode::Success;
                };
                ASSERT_EQ(chain->graph->SetPlaybackMode(PlaybackMode::Pingpong, true), ActionResult::Success);
                ASSERT_EQ(chain->graph->Play(), ActionResult::Success);
                if (async) {
                    ASSERT_TRUE(Eventually([&] { return !target->frames().empty(); }));
                } else {
                    ASSERT_TRUE(chain->update(2));
                }
                std::optional<ActionResult> answer;
                std::string text;
                transform->onStopHook = [&, call = call] {
                    if (answer)
                        return;
                    Graph& graph = *chain->graph;
                    answer = call == FromOnStop::Stop    ? graph.Stop()
                             : call == FromOnStop::Pause ? graph.Pause()
                             : call == FromOnStop::Play  ? graph.Play()
                                                         : graph.Play(PlaybackMode::ForwardLoop);
                    text = chain->error();
                };
                if (!byHook) {
                    EXPECT_EQ(chain->graph->Stop(), ActionResult::Success) << chain->error();
                } else {
                    stopInStep = true;
                    if (async) {
                        ASSERT_TRUE(stepDone.pass());
                    } else {
                        // The pass in which the target's step stops the graph ends with Success.
                        for (int pass = 0; pass < 10 && !stepStopped; ++pass)
                            ASSERT_EQ(chain->graph->Update(), ActionResult::Success) << chain->error();
                    }
                    EXPECT_EQ(stepStopped, ActionResult::Success);
                }
                transform->onStopHook = nullptr;
                EXPECT_EQ(answer, call == FromOnStop::Stop ? ActionResult::Success : ActionResult::Failure);
                if (call == FromOnStop::Pause) {
                    EXPECT_EQ(text, "Graph failed to pause(it is changing state)");
                } else if (call != FromOnStop::Stop) {
                    // A step's Stop runs inside the update pass, whose own refusal names it.
                    EXPECT_EQ(text, !byHook ? "Graph failed to start playing(it is changing state)"
                                    : async ? "Graph failed to start playing(it cannot be started from its own worker "
                                              "thread)"
                                            : "Graph failed to start playing(it cannot be started inside an update "
                                              "pass)");
                }
                EXPECT_TRUE(chain->graph->IsStopped());
                EXPECT_TRUE(AllStopped(*chain->graph));
                EXPECT_EQ(log.states(), (std::vector<State>{State::Playing, State::Stopped}));
                const auto order = std::dynamic_pointer_cast<FrameOrderAuto>(chain->graph->GetFrameOrderProvider());
                ASSERT_TRUE(order);
                EXPECT_EQ(order->GetPlaybackMode(), PlaybackMode::Pingpong);
                ASSERT_EQ(chain->graph->Play(), ActionResult::Success) << chain->error();
                EXPECT_EQ(chain->graph->Stop(), ActionResult::Success);
            }
        }
    }
}

namespace {

/// Keeps a state log on a graph for a scope.
struct Listening {
    Listening(Graph& graph, StateLog& log) : graph(graph), log(log) { graph._graphEvents.Add(&log); }
    ~Listening() { graph._graphEvents.Remove(&log); }
    Graph& graph;
    StateLog& log;
};

/// A target that runs a hook inside its onDeInitialize.
class DeInitHookTarget : public TestTarget {
public:
    std::function<void()> onDeInitializeHook;

protected:
    HyxErrorCode onDeInitialize() override
    {
        if (onDeInitializeHook)
            onDeInitializeHook();
        return TestTarget::onDeInitialize();
    }
};

/// What a target whose frame hook stops its graph at the first frame saw.
struct StoppingRun {
    Gate played; // both of the host's Plays have returned
    Gate arrived;
    std::optional<ActionResult> stopped;
};

/// Adds source (`frames`) -> transform -> a target whose frame hook stops the graph at its
/// first frame, once the host's Plays have returned, and then opens `run.arrived`.
std::shared_ptr<TestTarget> AddStoppingChain(AsyncGraph& graph, unsigned frames,
                                             const std::shared_ptr<StoppingRun>& run)
{
    EXPECT_EQ(graph.AddAndConnect(std::make_shared<TestSource>(frames)), ActionResult::Success);
    EXPECT_EQ(graph.AddAndConnect(std::make_shared<TestTransform>()), ActionResult::Success);
    auto target = std::make_shared<TestTarget>();
    target->process = [run, &graph](TestTarget&, const Atom&) {
        if (!run->stopped) {
            // A Play after this Stop would rightly play a second run.
            if (!run->played.pass())
                return HyxErrorCode::FilterError;
            run->stopped = graph.Stop();
            run->arrived.open();
        }
        return HyxErrorCode::Success;
    };
    EXPECT_EQ(graph.AddAndConnect(target), ActionResult::Success) << graph.GetLastError(false).StdString();
    return target;
}

/// Plays the graph twice (both Success); the target's first frame arrives and its Stop ends
/// the run after that one frame, the `stops`-th Stopped the log hears.
void PlayTwiceAndStopFromTheHook(AsyncGraph& graph, StateLog& log, size_t stops,
                                 const std::shared_ptr<StoppingRun>& run, const TestTarget& target)
{
    EXPECT_EQ(graph.Play(), ActionResult::Success) << graph.GetLastError(false).StdString();
    EXPECT_EQ(graph.Play(), ActionResult::Success) << graph.GetLastError(false).StdString();
    run->played.open();
    ASSERT_TRUE(run->arrived.pass()) << "no worker delivers";
    EXPECT_EQ(run->stopped, ActionResult::Success);
    ASSERT_TRUE(log.waitFor(State::Stopped, stops));
    EXPECT_TRUE(graph.IsStopped());
    EXPECT_EQ(target.frames(), Frames{0}) << "the hook's Stop was lost";
}

} // namespace

TEST(HostCallThreads, AHostThatWaitsForStoppedBuildsAgainAtOnce)
{
    // 50 rounds: a 3-frame chain plays once; the host waits until the graph reads Stopped,
    // removes every filter, builds a new chain and plays twice. The new run has a worker, and
    // its target's Stop from its frame hook ends it.
    CapturedLog lines;
    StateLog log;
    const auto graph = std::make_shared<AsyncGraph>();
    const Listening listening(*graph, log);
    for (int round = 0; round < 50; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        ASSERT_EQ(graph->AddAndConnect(std::make_shared<TestSource>(3)), ActionResult::Success);
        ASSERT_EQ(graph->AddAndConnect(std::make_shared<TestTransform>()), ActionResult::Success);
        ASSERT_EQ(graph->AddAndConnect(std::make_shared<TestTarget>()), ActionResult::Success);
        ASSERT_EQ(graph->SetPlaybackMode(PlaybackMode::ForwardOnce, 0.0f), ActionResult::Success);
        ASSERT_EQ(graph->Play(), ActionResult::Success);
        // Only the worker's end sets Stopped: the answer cannot come early. A host that polls
        // closely meets that end still under way.
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        while (!graph->IsStopped() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::yield();
        ASSERT_TRUE(graph->IsStopped());
        ASSERT_EQ(graph->RemoveAllFilters(), ActionResult::Success) << graph->GetLastError(false).StdString();
        const auto run = std::make_shared<StoppingRun>();
        const auto target = AddStoppingChain(*graph, 3, run);
        PlayTwiceAndStopFromTheHook(*graph, log, 2 * static_cast<size_t>(round) + 2, run, *target);
        if (HasFatalFailure())
            return;
        ASSERT_EQ(graph->RemoveAllFilters(), ActionResult::Success) << graph->GetLastError(false).StdString();
    }
    EXPECT_FALSE(lines.Contains("Assertion failed"));
}

TEST(HostCallThreads, AWalkOnTheWorkerAndAHostsRemovalNeverOverlap)
{
    // (a) A listener of Stopped at the worker's end of a done run sleeps while the host, having
    // seen Stopped, removes the filters. (b) The transform's frame hook stops the graph on the
    // worker and stays in its update while the host, having seen Stopped, removes the filters,
    // the last one's onDeInitialize sleeping. Either way the removal waits for the worker, and
    // afterwards a Play has a worker whose hook's Stop ends the run.
    for (const bool fromListener : {true, false}) {
        SCOPED_TRACE(fromListener ? "a listener of Stopped sleeps" : "a frame hook stays after its Stop");
        CapturedLog lines;
        StateLog log;
        const auto graph = std::make_shared<AsyncGraph>();
        const Listening listening(*graph, log);
        ASSERT_EQ(graph->AddAndConnect(std::make_shared<TestSource>(3)), ActionResult::Success);
        const auto transform = std::make_shared<TestTransform>();
        ASSERT_EQ(graph->AddAndConnect(transform), ActionResult::Success);
        const auto target = std::make_shared<DeInitHookTarget>();
        ASSERT_EQ(graph->AddAndConnect(target), ActionResult::Success);
        Gate workerIn;
        std::atomic<bool> workerLeft{false}, armed{true};
        std::optional<bool> leftBeforeRemoval;
        const auto stay = [&] {
            workerIn.open();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            workerLeft = true;
        };
        if (fromListener) {
            log.onState = [&](State state) {
                if (state == State::Stopped && armed.exchange(false))
                    stay();
            };
        } else {
            transform->process = [&](TestTransform&, const Atom&) {
                if (armed.exchange(false)) {
                    EXPECT_EQ(graph->Stop(), ActionResult::Success);
                    stay();
                }
                return HyxErrorCode::Success;
            };
        }
        target->onDeInitializeHook = [&] {
            leftBeforeRemoval = workerLeft.load();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        };
        ASSERT_EQ(graph->SetPlaybackMode(fromListener ? PlaybackMode::ForwardOnce : PlaybackMode::ForwardLoop, 0.0f),
                  ActionResult::Success);
        ASSERT_EQ(graph->Play(), ActionResult::Success);
        ASSERT_TRUE(workerIn.pass());
        EXPECT_TRUE(graph->IsStopped());
        EXPECT_EQ(graph->RemoveAllFilters(), ActionResult::Success) << graph->GetLastError(false).StdString();
        EXPECT_EQ(leftBeforeRemoval, true);
        ASSERT_TRUE(log.waitFor(State::Stopped));
        log.onState = nullptr;

        const auto run = std::make_shared<StoppingRun>();
        const auto next = AddStoppingChain(*graph, 3, run);
        ASSERT_EQ(graph->SetPlaybackMode(PlaybackMode::ForwardLoop, 0.0f), ActionResult::Success);
        PlayTwiceAndStopFromTheHook(*graph, log, 2, run, *next);
        EXPECT_FALSE(lines.Contains("Assertion failed"));
    }
}

TEST(HostCallThreads, AListenerHandsAStopToAnotherThreadWithoutWaiting)
{
    // A listener of the host's Pause may not wait for another thread that calls the graph; it
    // hands the Stop over and returns. That Stop waits for the Pause and then stops: Paused,
    // then Stopped.
    AsyncTestGraph chain;
    chain.make<TestSource>(100);
    auto target = chain.make<TestTarget>();
    ASSERT_TRUE(chain.play(PlaybackMode::ForwardLoop));
    ASSERT_TRUE(Eventually([&] { return target->frames().size() >= 2; }));
    std::promise<ActionResult> stopped;
    std::future<ActionResult> stopAnswer = stopped.get_future();
    std::thread other;
    std::optional<bool> stopReturnedInListener;
    chain.log.onState = [&](State state) {
        if (state != State::Paused || other.joinable())
            return;
        other = std::thread([&] { stopped.set_value(chain.async->Stop()); });
        stopReturnedInListener = stopAnswer.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    };
    EXPECT_EQ(chain.async->Pause(), ActionResult::Success);
    const bool returned = stopAnswer.wait_for(kPatience) == std::future_status::ready;
    chain.log.onState = nullptr;
    ASSERT_TRUE(other.joinable());
    if (!returned) {
        other.detach(); // it waits on a graph no call of this thread can reach
        FAIL() << "the other thread's Stop did not return";
    }
    other.join();
    EXPECT_EQ(stopAnswer.get(), ActionResult::Success);
    EXPECT_EQ(stopReturnedInListener, false);
    EXPECT_EQ(Names(chain.log.states()), Names({State::Playing, State::Paused, State::Stopped}));
    EXPECT_TRUE(chain.async->IsStopped());
}

// A text or another pointer (also to a member) as the second argument would convert to a reset
// flag of true: such a call does not compile, on either kind of graph, while a flag and a
// number still do.
template <class G>
concept TakesATextAsSecondArgument = requires(G& graph)
{
    graph.SetPlaybackMode(PlaybackMode::ForwardLoop, "25");
};
template <class G, class Second>
concept TakesAsSecondArgument = requires(G& graph, Second second)
{
    graph.SetPlaybackMode(PlaybackMode::ForwardLoop, second);
};
static_assert(!TakesATextAsSecondArgument<AsyncGraph> && !TakesATextAsSecondArgument<Graph>);
static_assert(!TakesAsSecondArgument<AsyncGraph, const char*> && !TakesAsSecondArgument<Graph, const char*>);
static_assert(!TakesAsSecondArgument<AsyncGraph, int*> && !TakesAsSecondArgument<Graph, void*>);
struct Members {
    int field;
    void method();
};
static_assert(!TakesAsSecondArgument<AsyncGraph, int Members::*> && !TakesAsSecondArgument<Graph, int Members::*>);
static_assert(!TakesAsSecondArgument<AsyncGraph, void (Members::*)()> &&
              !TakesAsSecondArgument<Graph, void (Members::*)()>);
static_assert(TakesAsSecondArgument<AsyncGraph, bool> && TakesAsSecondArgument<AsyncGraph, float> &&
              TakesAsSecondArgument<AsyncGraph, int> && TakesAsSecondArgument<AsyncGraph, double> &&
              TakesAsSecondArgument<Graph, bool>);

TEST(HostCallThreads, SetPlaybackModeTakesABoolAsAResetAndANumberAsARate)
{
    // Through an AsyncGraph pointer: (mode, true) rewinds the order and keeps the rate, (mode,
    // false) keeps the position; a float, an int or a double is a rate.
    AsyncTestGraph chain;
    chain.make<TestSource>(10);
    chain.make<TestTarget>();
    const std::shared_ptr<AsyncGraph>& graph = chain.async;
    ASSERT_EQ(graph->SetPlaybackMode(PlaybackMode::ForwardLoop, 50.0f), ActionResult::Success);
    const uint32_t period = graph->GetFramePeriodMs();
    const auto rate = [&] {
        float fps = -1.0f;
        graph->GetGraphFps(fps);
        return fps;
    };
    const auto order = [&] { return graph->GetFrameOrderProvider(); };
    for (int i = 0; i < 3; ++i)
        order()->AdvanceFrameID();
    ASSERT_EQ(order()->GetFrameID(), 2u);

    EXPECT_EQ(graph->SetPlaybackMode(PlaybackMode::BackwardLoop, true), ActionResult::Success);
    EXPECT_EQ(rate(), 50.0f);
    EXPECT_EQ(graph->GetFramePeriodMs(), period);
    const auto automatic = std::dynamic_pointer_cast<FrameOrderAuto>(order());
    ASSERT_TRUE(automatic);
    EXPECT_EQ(automatic->GetPlaybackMode(), PlaybackMode::BackwardLoop);
    order()->AdvanceFrameID();
    order()->AdvanceFrameID();
    ASSERT_EQ(order()->GetFrameID(), 8u);

    EXPECT_EQ(graph->SetPlaybackMode(PlaybackMode::ForwardLoop, false), ActionResult::Success);
    EXPECT_EQ(rate(), 50.0f);
    EXPECT_EQ(order()->GetFrameID(), 8u);

    EXPECT_EQ(graph->SetPlaybackMode(PlaybackMode::ForwardLoop, 30.0f), ActionResult::Success);
    EXPECT_EQ(rate(), 30.0f);
    EXPECT_EQ(graph->SetPlaybackMode(PlaybackMode::ForwardLoop, 0), ActionResult::Success);
    EXPECT_EQ(rate(), 0.0f);
    EXPECT_EQ(graph->SetPlaybackMode(PlaybackMode::ForwardLoop, 30.0), ActionResult::Success);
    EXPECT_EQ(rate(), 30.0f);
    EXPECT_EQ(order()->GetFrameID(), 0u) << "a rate installs a new order";

    // So the rate form takes a stopped graph only; the flag form one that is not playing.
    const std::string stopFirst = "(graph must be stopped first)";
    const std::shared_ptr<FrameOrderProvider> installed = order();
    const auto walk = std::dynamic_pointer_cast<FrameOrderAuto>(installed);
    ASSERT_TRUE(walk);
    ASSERT_EQ(graph->Play(), ActionResult::Success);
    for (const bool paused : {false, true}) {
        SCOPED_TRACE(paused ? "paused" : "playing");
        if (paused) {
            ASSERT_EQ(graph->Pause(), ActionResult::Success);
        }
        EXPECT_EQ(graph->SetPlaybackMode(PlaybackMode::BackwardLoop, 25.0f), ActionResult::Failure);
        EXPECT_EQ(chain.error(), "Graph failed to set a frame order provider" + stopFirst);
        EXPECT_EQ(order(), installed);
        EXPECT_EQ(walk->GetPlaybackMode(), PlaybackMode::ForwardLoop);
        EXPECT_EQ(rate(), 30.0f);
        if (!paused) {
            EXPECT_EQ(graph->SetPlaybackMode(PlaybackMode::BackwardLoop, false), ActionResult::Failure);
            EXPECT_EQ(chain.error(), "Graph failed to set a playback mode" + stopFirst);
            EXPECT_EQ(walk->GetPlaybackMode(), PlaybackMode::ForwardLoop);
        }
    }
}

namespace {

/// A chain a rebuilding host makes: its filter types, how each is made (after the graph's
/// last filter) and the mode it plays in.
struct RebuiltChain {
    const char* name;
    std::vector<Guid> types;
    std::function<std::shared_ptr<Filter>(size_t position, const std::shared_ptr<AsyncGraph>& graph)> make;
    PlaybackMode mode;
};

std::vector<RebuiltChain> RebuiltChains()
{
    const std::vector<Guid> builtIn = {SourceEmptySource::TheTypeGuid(), MutateAutoDecompressor::TheTypeGuid(),
                                       TargetCallback::TheTypeGuid()};
    const std::vector<Guid> test = {kSourceGuid, kTransformGuid, kTargetGuid};
    return {
        // Made as a host makes them, one step each.
        {"built-in filters made with AsyncGraph::CreateFilter", builtIn,
         [builtIn](size_t position, const std::shared_ptr<AsyncGraph>& graph) {
             return AsyncGraph::CreateFilter(builtIn[position], graph);
         },
         PlaybackMode::Realtime}, // the empty source's one mode
        {"a single-stream source's chain", test,
         [](size_t position, const std::shared_ptr<AsyncGraph>&) -> std::shared_ptr<Filter> {
             if (position == 0)
                 return std::make_shared<TestSource>(50);
             if (position == 1)
                 return std::make_shared<TestTransform>();
             return std::make_shared<TestTarget>();
         },
         PlaybackMode::ForwardLoop},
        {"a multi-stream source's chain", test,
         [](size_t position, const std::shared_ptr<AsyncGraph>&) -> std::shared_ptr<Filter> {
             if (position == 0)
                 return std::make_shared<TestMultiSource>(std::vector<unsigned>{50, 40});
             if (position == 1)
                 return std::make_shared<TestTransform>();
             return std::make_shared<TestTarget>();
         },
         PlaybackMode::ForwardLoop},
    };
}

bool OfTheChain(const RebuiltChain& chain, const std::shared_ptr<Filter>& filter)
{
    // Read through the filter: a freed one would be met here.
    return std::find(chain.types.begin(), chain.types.end(), filter->TypeGuid()) != chain.types.end() &&
           filter->GetFilterState() != Filter::FilterState::Created;
}

/// Every call that reads the filter list, once; each filter it hands out must be one of the
/// chain's, alive, and at most `most` are listed.
void ReadEveryListGetter(AsyncGraph& graph, const RebuiltChain& chain, unsigned most)
{
    const unsigned count = graph.GetNumFilters();
    EXPECT_LE(count, most);
    for (unsigned i = 0; i <= most; ++i) {
        if (const std::shared_ptr<Filter> filter = graph.GetFilter(i)) {
            EXPECT_TRUE(OfTheChain(chain, filter)) << "GetFilter(" << i << ")";
        }
    }
    if (const std::shared_ptr<Filter> last = graph.GetLastFilter()) {
        EXPECT_TRUE(OfTheChain(chain, last)) << "GetLastFilter";
    }
    for (const Guid& type : chain.types) {
        if (const std::shared_ptr<Filter> filter = graph.GetFilter(type)) {
            EXPECT_EQ(filter->TypeGuid(), type) << "GetFilter(type)";
        }
    }
    if (const std::shared_ptr<DataTypeStreamInfo> info = graph.GetSourceStreamInfo()) {
        EXPECT_GT(info->GetFPS(), 0.0f);
    }
    if (const std::shared_ptr<Profile> profile = graph.GetSourceAggregatedOutputProfile()) {
        EXPECT_LE(profile->GetDataProfileCount(), 1);
    }
    EXPECT_TRUE(graph.GetRenderers().empty());
    if (const std::shared_ptr<FilterParam> param = graph.GetFilterParam(SourceEmptySource::FRAMERATE_PARAMNAME)) {
        EXPECT_FALSE(param->GetValueAsString().empty());
    }
    if (const std::shared_ptr<FilterParam> param =
            graph.GetFilterParam(SourceEmptySource::TheTypeGuid(), SourceEmptySource::FRAMERATE_PARAMNAME, 1)) {
        EXPECT_FALSE(param->GetValueAsString().empty());
    }
    graph.SetFilterParamValue(SourceEmptySource::TheTypeGuid(), SourceEmptySource::FRAMERATE_PARAMNAME, "25", 1);
    static_cast<void>(graph.IsDone());
    const float progress = graph.GetProgress();
    EXPECT_TRUE(progress >= 0.0f && progress <= 1.0f) << progress;
    static_cast<void>(graph.GetProgressInfo());
    static_cast<void>(graph.StopRecording()); // no filter records: Failure, after reading the list
}

/// One rebuild as a host writes it: stop, remove every filter, then make each filter after
/// the last, add it and read it back, and play. With another rebuilder a call may be refused
/// (its list changed between two steps); a filter refused is let go properly.
void Rebuild(const std::shared_ptr<AsyncGraph>& graph, const RebuiltChain& chain, bool alone)
{
    EXPECT_EQ(graph->Stop(), ActionResult::Success);
    const ActionResult removed = graph->RemoveAllFilters();
    if (alone) {
        EXPECT_EQ(removed, ActionResult::Success) << graph->GetLastError(false).StdString();
    }
    for (size_t position = 0; position < chain.types.size(); ++position) {
        const std::shared_ptr<Filter> filter = chain.make(position, graph);
        ASSERT_TRUE(filter);
        if (graph->AddAndConnect(filter) == ActionResult::Success) {
            if (const std::shared_ptr<Filter> last = graph->GetLastFilter()) {
                EXPECT_TRUE(OfTheChain(chain, last));
            }
            continue;
        }
        EXPECT_FALSE(alone) << graph->GetLastError(false).StdString();
        if (filter->GetFilterState() == Filter::FilterState::Initialized) {
            EXPECT_EQ(filter->DeInitialize(), HyxErrorCode::Success);
        }
    }
    const ActionResult played = graph->Play(chain.mode);
    if (alone) {
        EXPECT_EQ(played, ActionResult::Success) << graph->GetLastError(false).StdString();
    }
}

constexpr int kRebuilds = 200;

} // namespace

TEST(HostCallThreads, ListReadersBesideARebuildingHostGetListedFiltersOrNone)
{
    // One host thread rebuilds a chain again and again; another reads the list through every
    // getter meanwhile, until the rebuilder says it is done. Every filter read is one of the
    // chain's and alive; the rebuilder's calls all answer Success.
    for (const RebuiltChain& chain : RebuiltChains()) {
        SCOPED_TRACE(chain.name);
        const auto graph = std::make_shared<AsyncGraph>();
        std::atomic<bool> done{false};
        std::atomic<int> reads{0};
        std::thread reader([&] {
            while (!done.load()) {
                ReadEveryListGetter(*graph, chain, 3);
                ++reads;
            }
        });
        for (int round = 0; round < kRebuilds && !HasFailure(); ++round)
            Rebuild(graph, chain, true);
        done = true;
        reader.join();
        EXPECT_GT(reads.load(), 0);
        EXPECT_EQ(graph->Stop(), ActionResult::Success);
        EXPECT_EQ(graph->RemoveAllFilters(), ActionResult::Success);
    }
}

TEST(HostCallThreads, TwoRebuildingHostsNeverTouchAFilterTheOtherResets)
{
    // Two host threads rebuild the same graph with AsyncGraph::CreateFilter, each a sequence of
    // host calls: each call is one step (some are refused as the other's steps come between),
    // and no filter is made against one the other is resetting. Afterwards the graph empties
    // and builds as before.
    CapturedLog lines;
    const RebuiltChain chain = RebuiltChains().front();
    const auto graph = std::make_shared<AsyncGraph>();
    const auto rebuilder = [&] {
        for (int round = 0; round < kRebuilds / 2; ++round)
            Rebuild(graph, chain, false);
    };
    std::thread other(rebuilder);
    rebuilder();
    other.join();
    EXPECT_EQ(graph->Stop(), ActionResult::Success);
    EXPECT_EQ(graph->RemoveAllFilters(), ActionResult::Success) << graph->GetLastError(false).StdString();
    EXPECT_EQ(graph->GetNumFilters(), 0u);
    Rebuild(graph, chain, true);
    EXPECT_EQ(graph->GetNumFilters(), 3u);
    EXPECT_FALSE(lines.Contains("Assertion failed"));
}

namespace {

/// A transform whose frame hook waits at `leave` once armed, after opening `entered`.
class HeldTransform : public TestTransform {
public:
    std::atomic<bool> armed{false};
    Gate entered, leave;

protected:
    HyxErrorCode onProcessFrame(std::shared_ptr<Atom> atom) override
    {
        if (armed.exchange(false)) {
            entered.open();
            EXPECT_TRUE(leave.pass());
        }
        return TestTransform::onProcessFrame(std::move(atom));
    }
};

} // namespace

TEST(HostCallThreads, ListGettersNeverWaitForAHostCallThatWaits)
{
    // (a) The worker is held inside its pass and a host's Stop waits for it; (b) a removal's
    // onDeInitialize waits. Meanwhile another thread reads the list through every getter,
    // the source's stream information and profile included: each returns while the call
    // still waits (the wait ends only after the reader's own signal).
    for (const bool removal : {false, true}) {
        SCOPED_TRACE(removal ? "a removal's onDeInitialize is held" : "a Stop waits for the worker");
        const auto graph = std::make_shared<AsyncGraph>();
        ASSERT_EQ(graph->AddAndConnect(std::make_shared<TestSource>(5)), ActionResult::Success);
        const auto transform = std::make_shared<HeldTransform>();
        ASSERT_EQ(graph->AddAndConnect(transform), ActionResult::Success);
        const auto target = std::make_shared<DeInitHookTarget>();
        ASSERT_EQ(graph->AddAndConnect(target), ActionResult::Success);
        Gate deInitEntered, deInitLeave;
        target->onDeInitializeHook = [&] {
            deInitEntered.open();
            EXPECT_TRUE(deInitLeave.pass());
        };
        std::thread waiting;
        if (removal) {
            waiting = std::thread([&] { EXPECT_EQ(graph->RemoveAllFilters(), ActionResult::Success); });
            ASSERT_TRUE(deInitEntered.pass());
        } else {
            transform->armed = true;
            ASSERT_EQ(graph->Play(PlaybackMode::ForwardLoop), ActionResult::Success);
            ASSERT_TRUE(transform->entered.pass());
            waiting = std::thread([&] { EXPECT_EQ(graph->Stop(), ActionResult::Success); });
            // The Stop's own mark: it holds the control lock and waits for the worker.
            ASSERT_TRUE(Eventually([&] { return graph->IsStopRequested(); }));
        }
        Gate read;
        std::thread reader([&] {
            EXPECT_LE(graph->GetNumFilters(), 3u);
            for (unsigned i = 0; i < 3; ++i)
                static_cast<void>(graph->GetFilter(i));
            static_cast<void>(graph->GetLastFilter());
            static_cast<void>(graph->GetFilter(kTargetGuid));
            static_cast<void>(graph->GetRenderers());
            static_cast<void>(graph->GetFilterParam("no such parameter"));
            static_cast<void>(graph->GetFilterParam(kTargetGuid, "no such parameter", 1));
            static_cast<void>(graph->IsDone());
            static_cast<void>(graph->GetProgress());
            static_cast<void>(graph->GetProgressInfo());
            static_cast<void>(graph->IsStopped());
            static_cast<void>(graph->GetLastError(false));
            static_cast<void>(graph->GetSourceStreamInfo());
            static_cast<void>(graph->GetSourceAggregatedOutputProfile());
            read.open();
        });
        EXPECT_TRUE(read.pass()) << "a getter waited for the held call";
        transform->leave.open();
        deInitLeave.open();
        reader.join();
        waiting.join();
        target->onDeInitializeHook = nullptr;
    }
}

TEST(HostCallThreads, AFiltersDisconnectFromTheWorkerIsRefused)
{
    // A listener of Stopped at the worker's end of a done run disconnects the stopped target
    // through the graph: refused, as the other building calls are there, since the worker
    // takes no lock a host's building call would wait for. The chain plays again whole.
    StateLog log;
    const auto graph = std::make_shared<AsyncGraph>();
    const Listening listening(*graph, log);
    ASSERT_EQ(graph->AddAndConnect(std::make_shared<TestSource>(3)), ActionResult::Success);
    ASSERT_EQ(graph->AddAndConnect(std::make_shared<TestTransform>()), ActionResult::Success);
    const auto target = std::make_shared<TestTarget>();
    ASSERT_EQ(graph->AddAndConnect(target), ActionResult::Success);
    std::optional<HyxErrorCode> answer;
    std::string text;
    log.onState = [&](State state) {
        if (state == State::Stopped && !answer) {
            answer = target->Disconnect();
            text = graph->GetLastError(false).StdString();
        }
    };
    ASSERT_EQ(graph->SetPlaybackMode(PlaybackMode::ForwardOnce, 0.0f), ActionResult::Success);
    ASSERT_EQ(graph->Play(), ActionResult::Success);
    ASSERT_TRUE(log.waitFor(State::Stopped));
    log.onState = nullptr;
    EXPECT_NE(answer, HyxErrorCode::Success);
    EXPECT_EQ(text, "Graph failed to disconnect a filter(it is changing state)");
    EXPECT_EQ(target->GetFilterState(), Filter::FilterState::Connected);
    ASSERT_EQ(graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
    ASSERT_TRUE(log.waitFor(State::Stopped, 2));
    EXPECT_EQ(target->frames(), (Frames{0, 1, 2, 0, 1, 2}));
}
