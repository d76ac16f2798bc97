// The asynchronous graph: its worker plays, pauses and stops by itself and at the request of
// listeners and filters; pacing, suspension and the profiler record.

#include "GraphFixtures.h"

#include <VornCommon/Profiler.h>

#include <cmath>
#include <limits>
#include <tuple>

using namespace GraphFixtures;

namespace {

// Source -> mutate -> target on an asynchronous graph, in forward-once order at `fps`.
struct Chain : AsyncTestGraph {
    explicit Chain(unsigned frames = 100, float fps = MutateBlockFPS::FPS_MAX)
    {
        source = make<TestSource>(frames);
        mutate = make<TestMutate>();
        target = make<TestTarget>();
        EXPECT_EQ(async->SetPlaybackMode(PlaybackMode::ForwardOnce, fps), ActionResult::Success);
    }
    std::shared_ptr<TestSource> source;
    std::shared_ptr<TestMutate> mutate;
    std::shared_ptr<TestTarget> target;
};

} // namespace

TEST(AsyncGraph, PlayNeedsAProviderAndPauseNeedsPlay)
{
    AsyncTestGraph chain;
    chain.make<TestSource>(10);
    EXPECT_EQ(chain.async->Play(), ActionResult::Failure);
    EXPECT_EQ(chain.error(), "Source filter '$filter$' lacks a valid frame order provider.");
    EXPECT_TRUE(chain.async->IsStopped());
    EXPECT_EQ(chain.async->Pause(), ActionResult::Failure);
    EXPECT_EQ(chain.error(), "Graph failed to pause(it is not playing)");
    EXPECT_EQ(chain.async->Stop(), ActionResult::Success);
    EXPECT_TRUE(chain.log.states().empty());

    // A paused graph pauses again with Success, as Graph.h says.
    chain.make<TestTarget>();
    ASSERT_TRUE(chain.play(PlaybackMode::ForwardLoop));
    ASSERT_EQ(chain.async->Pause(), ActionResult::Success);
    chain.graph->ResetError();
    EXPECT_EQ(chain.async->Pause(), ActionResult::Success);
    EXPECT_EQ(chain.error(), "");
    EXPECT_EQ(chain.async->Stop(), ActionResult::Success);
}

TEST(AsyncGraphThreads, PlaysEveryFrameInOrderAndStopsByItself)
{
    Chain chain;
    ASSERT_EQ(chain.async->Play(), ActionResult::Success);
    ASSERT_TRUE(chain.log.waitFor(State::Stopped));
    EXPECT_TRUE(chain.async->IsStopped()); // no host call
    EXPECT_EQ(chain.target->frames(), Range(100));
    EXPECT_EQ(chain.log.states(), (std::vector<State>{State::Playing, State::Stopped}));
    const auto threads = chain.log.threads();
    EXPECT_EQ(threads[0], std::this_thread::get_id());
    EXPECT_NE(threads[1], std::this_thread::get_id()); // the worker

    // A second Play starts again from the first frame.
    ASSERT_EQ(chain.async->Play(), ActionResult::Success);
    ASSERT_TRUE(chain.log.waitFor(State::Stopped, 2));
    EXPECT_EQ(chain.target->frames().size(), 200u);
    EXPECT_EQ(chain.target->frames()[100], 0u);
}

TEST(AsyncGraphThreads, FailingFilterIsHeardAsErrorThenStopped)
{
    Chain chain;
    chain.mutate->create = [](const Atom& atom, bool&) {
        return atom.GetFrameNr() == 10 ? HyxErrorCode::FilterError : HyxErrorCode::Success;
    };
    ASSERT_EQ(chain.async->Play(), ActionResult::Success);
    ASSERT_TRUE(chain.log.waitFor(State::Stopped));
    EXPECT_EQ(chain.log.states(), (std::vector<State>{State::Playing, State::Error, State::Stopped}));
    EXPECT_TRUE(chain.async->IsStopped());
    EXPECT_EQ(chain.target->frames(), Range(10));
    EXPECT_EQ(chain.error().rfind("Graph update failed(", 0), 0u);
}

TEST(AsyncGraphThreads, ListenersMayStopPauseAndPlayFromTheWorker)
{
    // Stop from the error event: no self-join, no second Stopped event.
    {
        Chain chain;
        chain.mutate->create = [](const Atom& atom, bool&) {
            return atom.GetFrameNr() == 3 ? HyxErrorCode::FilterError : HyxErrorCode::Success;
        };
        ActionResult fromListener = ActionResult::Failure;
        chain.log.onState = [&](State state) {
            if (state == State::Error)
                fromListener = chain.async->Stop();
        };
        ASSERT_EQ(chain.async->Play(), ActionResult::Success);
        ASSERT_TRUE(chain.log.waitFor(State::Stopped));
        EXPECT_EQ(chain.async->Stop(), ActionResult::Success); // joins the worker
        EXPECT_EQ(fromListener, ActionResult::Success);
        EXPECT_EQ(chain.log.states(), (std::vector<State>{State::Playing, State::Error, State::Stopped}));
    }
    // Play from the completion event fails (the worker cannot wait for itself); the host can.
    {
        Chain chain(5);
        std::atomic<int> playFromWorker{-1};
        chain.log.onState = [&](State state) {
            if (state == State::Stopped && playFromWorker.load() < 0)
                playFromWorker = static_cast<int>(chain.async->Play());
        };
        ASSERT_EQ(chain.async->Play(), ActionResult::Success);
        ASSERT_TRUE(chain.log.waitFor(State::Stopped));
        ASSERT_EQ(chain.async->Stop(), ActionResult::Success);
        EXPECT_EQ(playFromWorker.load(), static_cast<int>(ActionResult::Failure));
        EXPECT_EQ(chain.error(), "Graph failed to start playing(it cannot be started from its own worker thread)");
    }
    // Pause from a filter during the worker's turn; the host plays on from the paused frame.
    {
        Chain chain(40);
        chain.target->process = [&](TestTarget&, const Atom& atom) {
            if (atom.GetFrameNr() == 10)
                chain.async->Pause();
            return HyxErrorCode::Success;
        };
        ASSERT_EQ(chain.async->Play(), ActionResult::Success);
        ASSERT_TRUE(chain.log.waitFor(State::Paused));
        ASSERT_TRUE(Eventually([&] { return chain.target->frames().size() == 11; }));
        EXPECT_TRUE(chain.async->IsPaused());
        ASSERT_EQ(chain.async->Play(), ActionResult::Success);
        ASSERT_TRUE(chain.log.waitFor(State::Stopped));
        EXPECT_EQ(chain.target->frames(), Range(40));
    }
}

TEST(AsyncGraphThreads, ListenerMayDropTheLastReference)
{
    std::weak_ptr<AsyncGraph> watch;
    StateLog log;
    {
        auto graph = std::make_shared<AsyncGraph>();
        auto holder = std::make_shared<std::shared_ptr<AsyncGraph>>(graph);
        graph->AddAndConnect(std::make_shared<TestSource>(5));
        graph->AddAndConnect(std::make_shared<TestTarget>());
        ASSERT_EQ(graph->SetPlaybackMode(PlaybackMode::ForwardOnce, 0.0f), ActionResult::Success);
        log.onState = [holder](State state) {
            if (state == State::Stopped)
                holder->reset(); // the worker's own reference is the last one now
        };
        graph->_graphEvents.Add(&log);
        watch = graph;
        ASSERT_EQ(graph->Play(), ActionResult::Success);
    }
    ASSERT_TRUE(log.waitFor(State::Stopped));
    // Destroyed on the worker thread, which lets itself run out instead of joining itself.
    EXPECT_TRUE(Eventually([&] { return watch.expired(); }));
}

TEST(AsyncGraphThreads, PlayRightAfterEachSelfStopDeliversEveryFrame)
{
    Chain chain(5);
    constexpr int kRuns = 200;
    for (int run = 1; run <= kRuns; ++run) {
        ASSERT_EQ(chain.async->Play(), ActionResult::Success) << chain.error();
        ASSERT_TRUE(chain.log.waitFor(State::Stopped, static_cast<size_t>(run)));
    }
    const Frames frames = chain.target->frames();
    ASSERT_EQ(frames.size(), 5u * kRuns);
    for (size_t i = 0; i < frames.size(); ++i)
        ASSERT_EQ(frames[i], i % 5) << i;
}

TEST(AsyncGraphThreads, StopEndsPacedSuspendedAndRunningWorkers)
{
    // Paced at 2 fps and looping: Stop does not wait out the period.
    Chain chain(10, 2.0f);
    ASSERT_TRUE(chain.play(PlaybackMode::ForwardLoop, 2.0f));
    ASSERT_TRUE(Eventually([&] { return !chain.target->frames().empty(); }));
    EXPECT_EQ(chain.async->Stop(), ActionResult::Success);
    EXPECT_TRUE(chain.async->IsStopped());
    EXPECT_TRUE(chain.async->IsStopRequested());

    // Suspended: no update until Resume; Stop still ends it.
    chain.async->Suspend();
    ASSERT_EQ(chain.async->SetGraphFps(0.0f), ActionResult::Success);
    ASSERT_EQ(chain.async->Play(), ActionResult::Success);
    EXPECT_FALSE(chain.async->IsStopRequested());
    const size_t before = chain.target->frames().size();
    EXPECT_EQ(chain.async->SetGraphFps(0.0f), ActionResult::Success);
    EXPECT_TRUE(chain.async->IsSuspended()); // a rate change keeps the host's suspension
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(chain.target->frames().size(), before);
    chain.async->Resume();
    ASSERT_TRUE(Eventually([&] { return chain.target->frames().size() > before; }));
    chain.async->Suspend();
    EXPECT_EQ(chain.async->Stop(), ActionResult::Success);

    // Destroyed while playing: the destructor ends the worker.
    chain.async->Resume();
    ASSERT_EQ(chain.async->Play(), ActionResult::Success);
    chain.async->_graphEvents.Remove(&chain.log);
    chain.async.reset();
    chain.graph.reset();
}

TEST(AsyncGraphThreads, RateChangesRacingSuspendAndResumeLeaveTheHostsLastCall)
{
    // One thread changes the rate over and over while another suspends and resumes: the last
    // Suspend or Resume stands, and after a last Resume frames flow again.
    Chain chain(10, 500.0f);
    ASSERT_TRUE(chain.play(PlaybackMode::ForwardLoop, 500.0f));
    for (int round = 0; round < 100; ++round) {
        const bool endSuspended = round % 2 == 0;
        std::atomic<bool> done{false};
        std::thread rate([&] {
            while (!done.load())
                chain.async->SetGraphFps(500.0f);
        });
        std::thread host([&] {
            for (int i = 0; i < 20; ++i) {
                chain.async->Suspend();
                chain.async->Resume();
            }
            if (endSuspended)
                chain.async->Suspend();
            else
                chain.async->Resume();
            done = true;
        });
        host.join();
        rate.join();
        ASSERT_EQ(chain.async->IsSuspended(), endSuspended) << "round " << round;
        if (!endSuspended) {
            // Two frames: the first may come from an update that began before the last Resume.
            const size_t before = chain.target->frames().size();
            ASSERT_TRUE(Eventually([&] { return chain.target->frames().size() > before + 1; })) << "round " << round;
        }
    }
    EXPECT_EQ(chain.async->Stop(), ActionResult::Success);
}

TEST(AsyncGraphThreads, NoUpdateStartsWhileTheRateChanges)
{
    // The rate change stalls where it reads the source's rate: meanwhile the worker starts no
    // update, and afterwards it updates again on its own, with the host's suspension unset.
    struct StallingInfo : TestSource {
        StallingInfo() : TestSource(10) {}
        std::atomic<std::thread::id> stallOn{}; // the thread whose call stalls, once
        Gate entered, leave;
        std::shared_ptr<DataTypeStreamInfo> GetStreamInfo() override
        {
            std::thread::id self = std::this_thread::get_id();
            if (stallOn.compare_exchange_strong(self, std::thread::id())) {
                entered.open();
                EXPECT_TRUE(leave.pass());
            }
            return TestSource::GetStreamInfo();
        }
    };
    AsyncTestGraph chain;
    auto source = chain.make<StallingInfo>();
    auto target = chain.make<TestTarget>();
    // Once armed, the worker's pass waits in the target's step until the rate change is under
    // way: the update that is under way as it begins is known, and so is its frame.
    std::atomic<bool> holdPass{false};
    Gate inPass, leavePass;
    target->process = [&](TestTarget&, const Atom&) {
        if (holdPass.exchange(false)) {
            inPass.open();
            EXPECT_TRUE(leavePass.pass());
        }
        return HyxErrorCode::Success;
    };
    ASSERT_TRUE(chain.play(PlaybackMode::ForwardLoop, 500.0f));
    ASSERT_TRUE(Eventually([&] { return !target->frames().empty(); }));
    holdPass = true;
    ASSERT_TRUE(inPass.pass());
    const size_t before = target->frames().size(); // the held pass's frame is in
    std::thread rate([&] {
        source->stallOn = std::this_thread::get_id();
        chain.async->SetGraphFps(-1.0f);
    });
    ASSERT_TRUE(source->entered.pass());
    leavePass.open(); // that update ends; no other may start while the rate changes
    // Only gives an update that ignored the rate change time to deliver: whenever the worker
    // gets here, a correct one has delivered nothing more.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(target->frames().size(), before);
    EXPECT_FALSE(chain.async->IsSuspended());
    source->leave.open();
    rate.join();
    EXPECT_FALSE(chain.async->IsSuspended());
    ASSERT_TRUE(Eventually([&] { return target->frames().size() > before; }));
    EXPECT_EQ(chain.async->Stop(), ActionResult::Success);
}

TEST(AsyncGraphThreads, RefusedPauseKeepsTheWorkerRunning)
{
    struct PauseRefuser : TestSource {
        PauseRefuser() : TestSource(60) {}
        HyxErrorCode onPause() override { return ReportError(HyxErrorCode::FilterError); }
    };
    AsyncTestGraph chain;
    chain.make<PauseRefuser>();
    auto target = chain.make<TestTarget>();
    ASSERT_TRUE(chain.play(PlaybackMode::ForwardOnce, 500.0f));
    EXPECT_EQ(chain.async->Pause(), ActionResult::Failure);
    // The graph is not left playing without a worker: the walk goes on to its end.
    ASSERT_TRUE(chain.log.waitFor(State::Stopped));
    EXPECT_EQ(chain.log.states(), (std::vector<State>{State::Playing, State::Stopped}));
    EXPECT_EQ(target->frames(), Range(60));
}

TEST(AsyncGraphThreads, WorkerShowsInTheProfilerWhileItRuns)
{
    const auto manager = VornCommon::Profiler::createManager();
    auto workerRecord = [&]() -> std::shared_ptr<VornCommon::ProfilerCpuThread> {
        for (const auto& record : manager->GetCpuThreads())
            if (record->GetName() == "AsyncGraph")
                return record;
        return nullptr;
    };
    {
        Chain chain(10);
        ASSERT_TRUE(chain.play(PlaybackMode::ForwardLoop));
        ASSERT_TRUE(Eventually([&] {
            const auto record = workerRecord();
            return record && record->GetFrameCount() > 3;
        }));
        EXPECT_EQ(chain.async->Stop(), ActionResult::Success);
    }
    EXPECT_FALSE(workerRecord()); // unregistered when it ended
    VornCommon::Profiler::destroyManager();
}

TEST(AsyncGraph, RequestedRateGivesThePeriod)
{
    auto lone = std::make_shared<AsyncGraph>();
    float fps = 1.0f;
    EXPECT_EQ(lone->GetGraphFps(fps), ActionResult::Success);
    EXPECT_EQ(fps, 0.0f);
    EXPECT_EQ(lone->GetFramePeriodMs(), 0u);
    EXPECT_EQ(lone->SetGraphFps(25.0f), ActionResult::Success);
    EXPECT_EQ(lone->GetFramePeriodMs(), 40u);
    // No source: the source-derived codes give no pacing, the request itself is kept.
    EXPECT_EQ(lone->SetGraphFps(MutateBlockFPS::FPS_FROM_SOURCE), ActionResult::Success);
    EXPECT_EQ(lone->GetFramePeriodMs(), 0u);
    EXPECT_EQ(lone->GetGraphFps(fps), ActionResult::Success);
    EXPECT_EQ(fps, -1.0f);

    AsyncTestGraph chain;
    auto source = chain.make<TestSource>(100);
    source->stream()->GetStreamInfo()->SetFPS(30.0f);
    const std::pair<float, uint32_t> table[] = {{-1.0f, 33u}, {-2.0f, 66u}, {-3.0f, 16u}, {25.0f, 40u}, {0.0f, 0u}};
    for (const auto& [requested, period] : table) {
        EXPECT_EQ(chain.async->SetGraphFps(requested), ActionResult::Success);
        EXPECT_EQ(chain.async->GetFramePeriodMs(), period) << requested;
    }
    // Any other negative value takes the source rate; one above 1000 fps is no pacing. NaN
    // and a rate too small for its period to fit in 32 bits are refused: the period stays.
    // The last rate refused and the first taken lie one float apart.
    const float outside = 2.32830644e-07f, inside = 2.32830658e-07f;
    ASSERT_EQ(std::nextafter(outside, 1.0f), inside);
    const std::tuple<float, uint32_t, bool> edges[] = {{-7.5f, 33u, true},
                                                       {std::nanf(""), 33u, false},
                                                       {1e-12f, 33u, false},
                                                       {2000.0f, 0u, true},
                                                       {0.5f, 2000u, true},
                                                       {outside, 2000u, false},
                                                       {1e-30f, 2000u, false},
                                                       {inside, 4294967040u, true},
                                                       {1e-9f, 4294967040u, false},
                                                       {0.0f, 0u, true},
                                                       {MutateBlockFPS::FPS_FROM_SOURCE, 33u, true}};
    for (const auto& [requested, period, taken] : edges) {
        EXPECT_EQ(chain.async->SetGraphFps(requested), taken ? ActionResult::Success : ActionResult::Failure)
            << requested;
        EXPECT_EQ(chain.async->GetFramePeriodMs(), period) << requested;
    }
    // A source that announces no rate, or one whose period (or its half's, its double's) does
    // not fit, gives the codes no pacing.
    const std::tuple<float, float, uint32_t> sourceRates[] = {
        {0.0f, MutateBlockFPS::FPS_HALF_FROM_SOURCE, 0u},
        {1e-30f, MutateBlockFPS::FPS_FROM_SOURCE, 0u},
        {4e-7f, MutateBlockFPS::FPS_FROM_SOURCE, 2500000000u},
        {4e-7f, MutateBlockFPS::FPS_HALF_FROM_SOURCE, 0u},
        {4e-7f, MutateBlockFPS::FPS_DOUBLE_FROM_SOURCE, 1250000000u}};
    for (const auto& [sourceFps, requested, period] : sourceRates) {
        source->stream()->GetStreamInfo()->SetFPS(sourceFps);
        EXPECT_EQ(chain.async->SetGraphFps(requested), ActionResult::Success);
        EXPECT_EQ(chain.async->GetFramePeriodMs(), period) << sourceFps << ' ' << requested;
    }
}

TEST(AsyncGraph, CreateFilterMakesAPreInitialisedFilterWithoutAddingIt)
{
    AsyncTestGraph chain;
    auto source = chain.make<TestSource>(10);
    auto filter = AsyncGraph::CreateFilter(MutateBlockManual::TheTypeGuid(), chain.async);
    ASSERT_TRUE(filter);
    EXPECT_EQ(filter->GetFilterState(), Filter::FilterState::PreInitialized);
    EXPECT_EQ(filter->GetGraph(), chain.graph);
    EXPECT_EQ(chain.async->GetNumFilters(), 1u);
    EXPECT_EQ(chain.async->AddAndConnect(filter), ActionResult::Success);
    EXPECT_EQ(filter->GetInputFilter(), source);
    EXPECT_FALSE(AsyncGraph::CreateFilter(kTargetGuid, chain.async)); // not registered
}

TEST(AsyncGraphThreads, FramesArriveNoFasterThanTheRate)
{
    Chain chain(8, 25.0f);
    std::vector<std::chrono::steady_clock::time_point> arrivals;
    chain.target->process = [&](TestTarget&, const Atom&) {
        arrivals.push_back(std::chrono::steady_clock::now()); // worker only; read after the stop
        return HyxErrorCode::Success;
    };
    ASSERT_EQ(chain.async->Play(), ActionResult::Success);
    ASSERT_TRUE(chain.log.waitFor(State::Stopped));
    ASSERT_EQ(arrivals.size(), 8u);
    // One-sided: pacing never delivers early; 7 periods of 40 ms, less one update's length.
    EXPECT_GE(arrivals.back() - arrivals.front(), std::chrono::milliseconds(7 * 40 - 20));
}

TEST(AsyncGraphThreads, AFilterThatRefusesToStopIsStoppedAgainBeforeEachRun)
{
    // The transform refuses every stop. The worker's own stop ends the run all the same
    // (Error with the stop's text, then Stopped); Stop and Play try the filter again first and
    // fail with its text while it refuses, and tell nothing; once it stops, a run plays.
    AsyncTestGraph chain;
    chain.make<TestSource>(5);
    auto transform = chain.make<TestTransform>();
    auto target = chain.make<TestTarget>();
    transform->stopResult = HyxErrorCode::FilterError;
    const std::string name = transform->GetFilterClassInfo().GetNiceClassName().StdString();
    const std::string refusal = Nested(name.c_str(), HyxErrorCode::FilterError);
    ASSERT_TRUE(chain.play(PlaybackMode::ForwardOnce));
    ASSERT_TRUE(chain.log.waitFor(State::Stopped));
    EXPECT_EQ(chain.log.states(), (std::vector<State>{State::Playing, State::Error, State::Stopped}));
    EXPECT_EQ(chain.error(), "Graph failed to stop(" + refusal + ")");
    EXPECT_TRUE(chain.async->IsStopped());
    EXPECT_EQ(target->GetFilterState(), Filter::FilterState::Connected);
    EXPECT_EQ(transform->GetFilterState(), Filter::FilterState::Playing);
    EXPECT_EQ(chain.async->Stop(), ActionResult::Failure);
    EXPECT_EQ(chain.error(), "Graph failed to stop(" + refusal + ")");
    EXPECT_EQ(chain.async->Play(), ActionResult::Failure);
    EXPECT_EQ(chain.error(), "Graph failed to start playing(" + refusal + ")");
    EXPECT_TRUE(chain.async->IsStopped());
    EXPECT_EQ(chain.log.states().size(), 3u);

    transform->stopResult = HyxErrorCode::Success;
    ASSERT_EQ(chain.async->Play(), ActionResult::Success) << chain.error();
    ASSERT_TRUE(chain.log.waitFor(State::Stopped, 2));
    Frames twice = Range(5);
    twice.insert(twice.end(), twice.begin(), twice.end());
    EXPECT_EQ(target->frames(), twice);

    // A run that failed and whose stop fails too: Error is told once, and the run's text stays.
    ASSERT_EQ(chain.async->Stop(), ActionResult::Success);
    transform->stopResult = HyxErrorCode::FilterError;
    transform->process = [](TestTransform& t, const Atom& atom) {
        return atom.GetFrameNr() == 2 ? t.ReportError(HyxErrorCode::FilterError) : HyxErrorCode::Success;
    };
    ASSERT_EQ(chain.async->Play(), ActionResult::Success);
    ASSERT_TRUE(chain.log.waitFor(State::Stopped, 3));
    const std::vector<State> states = chain.log.states();
    EXPECT_EQ(std::vector<State>(states.begin() + 5, states.end()),
              (std::vector<State>{State::Playing, State::Error, State::Stopped}));
    EXPECT_EQ(chain.error().rfind("Graph update failed(", 0), 0u) << chain.error();
    transform->stopResult = HyxErrorCode::Success;
}

namespace {

/// An asynchronous graph whose next IsPlaying on the test's thread, once armed, first lets the
/// worker end its run (opens `gate`) and waits until the worker has told Stopped: the widest
/// form of a worker that stops the graph itself between a host call's looks at the worker
/// and at the state.
class LateLook : public AsyncGraph {
public:
    bool IsPlaying() const override
    {
        if (std::this_thread::get_id() == host && armed.exchange(false)) {
            gate->open();
            stopped = log->waitFor(State::Stopped);
        }
        return AsyncGraph::IsPlaying();
    }
    std::thread::id host = std::this_thread::get_id();
    mutable std::atomic<bool> armed{false};
    mutable bool stopped = false;
    Gate* gate = nullptr;
    StateLog* log = nullptr;
};

} // namespace

TEST(AsyncGraphThreads, APlayThatMeetsTheWorkersOwnStopWaitsForItAndPlaysANewRun)
{
    // The worker ends a forward-once run while the host's Play looks: the Play finds the graph
    // no longer playing and plays a new run with a worker of its own.
    auto graph = std::make_shared<LateLook>();
    StateLog log;
    Gate gate;
    graph->gate = &gate;
    graph->log = &log;
    graph->_graphEvents.Add(&log);
    TestGraph chain;
    chain.graph = graph;
    chain.make<TestSource>(3);
    auto target = chain.make<TestTarget>();
    std::atomic<bool> first{true};
    target->process = [&](TestTarget&, const Atom& atom) {
        // The first run waits at its last frame until the host's Play has looked at the worker.
        if (atom.GetFrameNr() == 2 && first.exchange(false) && !gate.pass())
            ADD_FAILURE() << "the gate stayed shut";
        return HyxErrorCode::Success;
    };
    ASSERT_EQ(graph->SetPlaybackMode(PlaybackMode::ForwardOnce, 0.0f), ActionResult::Success);
    ASSERT_EQ(graph->Play(), ActionResult::Success);
    ASSERT_TRUE(Eventually([&] { return target->frames().size() == 3; }));
    graph->armed = true;
    ASSERT_EQ(graph->Play(), ActionResult::Success) << chain.error();
    EXPECT_TRUE(graph->stopped);
    EXPECT_TRUE(log.waitFor(State::Stopped, 2)) << "the new run never ended";
    Frames twice = Range(3);
    twice.insert(twice.end(), twice.begin(), twice.end());
    EXPECT_EQ(target->frames(), twice);
    EXPECT_EQ(graph->Stop(), ActionResult::Success);
    graph->_graphEvents.Remove(&log);
}

namespace {

// A mutate whose onPause or onStop, on the worker, asks its graph to play, plainly and in a
// mode, and keeps both answers with the error text each left.
class PlayFromHook : public TestMutate {
public:
    std::weak_ptr<AsyncGraph> graph;
    std::thread::id host = std::this_thread::get_id();
    bool onPauseToo = false;
    std::vector<std::pair<ActionResult, std::string>> answers; // written on the worker only

protected:
    HyxErrorCode onPause() override
    {
        if (onPauseToo)
            ask();
        return TestMutate::onPause();
    }
    HyxErrorCode onStop() override
    {
        ask();
        return TestMutate::onStop();
    }

private:
    void ask()
    {
        const std::shared_ptr<AsyncGraph> owner = graph.lock();
        if (!owner || std::this_thread::get_id() == host || !answers.empty())
            return;
        for (const bool withMode : {false, true}) {
            const ActionResult result = withMode ? owner->Play(PlaybackMode::ForwardOnce) : owner->Play();
            answers.emplace_back(result, owner->GetLastError(false).StdString());
        }
    }
};

} // namespace

TEST(AsyncGraphThreads, APlayAskedWhileTheRunEndsFailsInsteadOfNamingTheRunThatIsOver)
{
    // Asked on the worker while the graph still reads Playing but its run ends: from a
    // listener of Error, from an onStop of the worker's own stop, and from an onStop or
    // onPause of a Stop or Pause a filter asked for during the turn. Both forms fail with the
    // text, the run ends as it would, and the host's next Play plays every frame.
    enum class End {
        ErrorListener,
        OwnStop,
        HooksStop,
        HooksPause
    };
    const struct {
        const char* name;
        End end;
        std::vector<State> heard;
    } rows[] = {
        {"a listener of Error", End::ErrorListener, {State::Playing, State::Error, State::Stopped}},
        {"the worker's own stop", End::OwnStop, {State::Playing, State::Stopped}},
        {"a Stop a filter asked for", End::HooksStop, {State::Playing, State::Stopped}},
        {"a Pause a filter asked for", End::HooksPause, {State::Playing, State::Paused, State::Stopped}},
    };
    const std::string refused = "Graph failed to start playing(it cannot be started from its own worker thread)";
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        AsyncTestGraph chain;
        chain.make<TestSource>(12);
        const auto mutate = chain.make<PlayFromHook>();
        const auto target = chain.make<TestTarget>();
        mutate->graph = chain.async;
        mutate->onPauseToo = row.end == End::HooksPause;
        ASSERT_EQ(chain.async->SetPlaybackMode(PlaybackMode::ForwardOnce, 0.0f), ActionResult::Success);
        std::vector<std::pair<ActionResult, std::string>> fromListener;
        if (row.end == End::ErrorListener) {
            mutate->create = [](const Atom& atom, bool&) {
                return atom.GetFrameNr() == 5 ? HyxErrorCode::FilterError : HyxErrorCode::Success;
            };
            chain.log.onState = [&](State state) {
                if (state != State::Error)
                    return;
                for (const bool withMode : {false, true}) {
                    const ActionResult result =
                        withMode ? chain.async->Play(PlaybackMode::ForwardOnce) : chain.async->Play();
                    fromListener.emplace_back(result, chain.async->GetLastError(false).StdString());
                }
            };
        }
        if (row.end == End::HooksStop || row.end == End::HooksPause) {
            target->process = [&](TestTarget&, const Atom& atom) {
                if (atom.GetFrameNr() == 5)
                    row.end == End::HooksStop ? chain.async->Stop() : chain.async->Pause();
                return HyxErrorCode::Success;
            };
        }
        ASSERT_EQ(chain.async->Play(), ActionResult::Success);
        ASSERT_TRUE(chain.log.waitFor(row.end == End::HooksPause ? State::Paused : State::Stopped));
        // The host's call joins the worker, so what it wrote is settled.
        ASSERT_EQ(chain.async->Stop(), ActionResult::Success);
        const auto& answers = row.end == End::ErrorListener ? fromListener : mutate->answers;
        ASSERT_EQ(answers.size(), 2u);
        for (const auto& [result, text] : answers) {
            EXPECT_EQ(result, ActionResult::Failure);
            EXPECT_EQ(text, refused);
        }
        EXPECT_EQ(chain.log.states(), row.heard); // the Pause row's Stopped is the host's
        EXPECT_TRUE(chain.async->IsStopped());

        chain.log.onState = nullptr;
        mutate->create = nullptr;
        target->process = nullptr;
        const size_t before = mutate->frames.size();
        ASSERT_EQ(chain.async->Play(), ActionResult::Success);
        ASSERT_TRUE(chain.log.waitFor(State::Stopped, 2));
        EXPECT_EQ(std::vector<unsigned>(mutate->frames.begin() + before, mutate->frames.end()), Range(12));
    }
}

namespace {

/// What ends a filter's wait on the worker, whose gate nobody opens.
enum class EndsTheWait {
    HostStop, // the host's Stop asks the worker to end
    LastReference, // the host lets go of its only reference during the turn
    SecondReferenceThenStop // the host lets go of one of two references (the wait goes on), then stops
};

struct WaitRow {
    const char* name;
    EndsTheWait ends;
};

const WaitRow kWaitRows[] = {
    {"the host's Stop", EndsTheWait::HostStop},
    {"the host's last reference", EndsTheWait::LastReference},
    {"one of two references, then the Stop", EndsTheWait::SecondReferenceThenStop},
};

} // namespace

TEST(AsyncGraphThreads, AFiltersWaitOnTheWorkerEndsOnAStopOrTheHostsLastReference)
{
    // A target's step waits on the worker, polling IsGraphStopRequested, for something no
    // one gives: only a stop or the host's letting go ends it. While the host holds the graph
    // and asked for nothing it reads false.
    for (const WaitRow& row : kWaitRows) {
        SCOPED_TRACE(row.name);
        StateLog log; // outlives a graph destroyed on the worker
        auto graph = std::make_shared<AsyncGraph>();
        graph->_graphEvents.Add(&log);
        std::shared_ptr<AsyncGraph> second = row.ends == EndsTheWait::SecondReferenceThenStop ? graph : nullptr;
        const auto source = std::make_shared<TestSource>(10);
        const auto target = std::make_shared<TestTarget>();
        ASSERT_EQ(graph->AddAndConnect(source), ActionResult::Success);
        ASSERT_EQ(graph->AddAndConnect(target), ActionResult::Success);
        Gate waiting, ended;
        std::atomic<bool> beforeWait{true}, stopAskedAtEnd{false};
        target->process = [&](TestTarget& self, const Atom& atom) {
            if (atom.GetFrameNr() != 2 || self.frames().size() != 3)
                return HyxErrorCode::Success;
            beforeWait = self.IsGraphStopRequested();
            waiting.open();
            const auto deadline = std::chrono::steady_clock::now() + kPatience;
            while (!self.IsGraphStopRequested() && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            const std::shared_ptr<Graph> asked = self.GetGraph();
            stopAskedAtEnd = asked && std::static_pointer_cast<AsyncGraph>(asked)->IsStopRequested();
            ended.open();
            return HyxErrorCode::Success;
        };
        const std::weak_ptr<AsyncGraph> watch = graph;
        ASSERT_EQ(graph->SetPlaybackMode(PlaybackMode::ForwardLoop, 0.0f), ActionResult::Success);
        ASSERT_EQ(graph->Play(), ActionResult::Success);
        ASSERT_TRUE(waiting.pass());
        EXPECT_FALSE(beforeWait.load());
        switch (row.ends) {
        case EndsTheWait::HostStop: EXPECT_EQ(graph->Stop(), ActionResult::Success); break;
        case EndsTheWait::LastReference: graph.reset(); break;
        case EndsTheWait::SecondReferenceThenStop:
            graph.reset();
            EXPECT_EQ(second->Stop(), ActionResult::Success);
            break;
        }
        ASSERT_TRUE(ended.pass());
        // A wait the host's letting go ended finds no stop asked; one after a Stop finds it.
        EXPECT_EQ(stopAskedAtEnd.load(), row.ends != EndsTheWait::LastReference);
        if (row.ends == EndsTheWait::LastReference) {
            // Destroyed on the worker once the turn ends, after the host's reset returned:
            // every filter stopped and removed there.
            EXPECT_TRUE(Eventually([&] { return watch.expired(); }));
            EXPECT_TRUE(log.waitFor(State::Stopped));
            EXPECT_NE(log.threads().back(), std::this_thread::get_id());
            // Stopped is heard before the destructor's reset, which the worker then runs.
            EXPECT_TRUE(Eventually([&] { return target->GetFilterState() == Filter::FilterState::PreInitialized; }));
        } else {
            const std::shared_ptr<AsyncGraph> left = graph ? graph : second;
            EXPECT_TRUE(left->IsStopped());
            left->_graphEvents.Remove(&log);
        }
    }
}

TEST(AsyncGraph, AFilterOfAGraphTheHostUpdatesIsNeverAskedToStopItsWait)
{
    // The host's own thread runs the pass: nothing else can stop it meanwhile.
    TestGraph chain;
    chain.make<TestSource>(3);
    auto target = chain.make<TestTarget>();
    std::vector<bool> asked;
    target->process = [&](TestTarget& self, const Atom&) {
        asked.push_back(self.IsGraphStopRequested());
        return HyxErrorCode::Success;
    };
    ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
    ASSERT_TRUE(chain.runToEnd());
    EXPECT_EQ(asked, (std::vector<bool>{false, false, false}));
    EXPECT_EQ(chain.graph->Stop(), ActionResult::Success);
}

TEST(AsyncGraph, ARateThatIsNoRateIsRefusedAndChangesNothing)
{
    // A NaN or an infinity is neither frames a second nor a code: it would pace as no rate. A
    // rate whose period of 1000 / rate ms does not fit in 32 bits would pace the worker to
    // about 49.7 days a frame. Each is named as the float it is.
    const std::string noNumber = " is not a number of frames a second";
    const std::string tooSmall = " gives a frame period past 4294967295 ms";
    const std::pair<double, std::string> rows[] = {
        {std::numeric_limits<double>::quiet_NaN(), "nan" + noNumber},
        {std::numeric_limits<double>::infinity(), "inf" + noNumber},
        {-std::numeric_limits<double>::infinity(), "-inf" + noNumber},
        {1e-30, "1e-30" + tooSmall},
        {1e-9, "1e-09" + tooSmall},
        {2.32830644e-07, "2.3283064e-07" + tooSmall}, // the largest rate refused
    };
    for (const auto& [rate, why] : rows) {
        SCOPED_TRACE(why);
        const auto fps = static_cast<float>(rate);
        AsyncTestGraph chain;
        chain.make<TestSource>(10);
        chain.make<TestTarget>();
        ASSERT_EQ(chain.async->SetPlaybackMode(PlaybackMode::ForwardLoop, 25.0f), ActionResult::Success);
        const auto order = chain.async->GetFrameOrderProvider();
        const std::string refused = "Graph failed to set a frame rate(" + why + ")";
        EXPECT_EQ(chain.async->SetGraphFps(fps), ActionResult::Failure);
        EXPECT_EQ(chain.error(), refused);
        EXPECT_EQ(chain.async->SetPlaybackMode(PlaybackMode::BackwardOnce, fps), ActionResult::Failure);
        EXPECT_EQ(chain.error(), refused);
        EXPECT_EQ(chain.async->SetPlaybackMode(PlaybackMode::BackwardOnce, rate), ActionResult::Failure); // a double
        EXPECT_EQ(chain.error(), refused);
        float kept = 0.0f;
        chain.async->GetGraphFps(kept);
        EXPECT_EQ(kept, 25.0f);
        EXPECT_EQ(chain.async->GetFramePeriodMs(), 40u);
        EXPECT_EQ(chain.async->GetFrameOrderProvider(), order); // the mode was not set either

        // A description with such a rate makes no graph.
        CapturedLog log;
        VisualGraph description;
        description.SetFps(fps);
        EXPECT_EQ(description.InstantiateHyxGraph(), nullptr);
        EXPECT_TRUE(log.Contains("Failed to make a graph: its rate " + why));
    }
}
