// An asynchronous graph driven by a hostile host: stops, pauses, plays and the release of
// the last reference, from the host, from a listener and from a filter during the worker's
// turn. Every frame arrives exactly once per run, in order; no false Error is heard; a
// released graph is destroyed.

#include "GraphFixtures.h"

#include <optional>

using namespace GraphFixtures;

namespace {

/// A filter that counts its own destruction.
template <class F>
class Counted : public F {
public:
    template <class... Args>
    explicit Counted(std::atomic<int>& gone, Args&&... args) : F(std::forward<Args>(args)...), _gone(gone)
    {
    }
    ~Counted() override { ++_gone; }

private:
    std::atomic<int>& _gone;
};

enum class Middle {
    Transform,
    Mutate,
    AtomThreads,
    FrameThreads,
    BlockFps,
    BlockManual
};

/// Source -> middle -> target on an asynchronous graph in forward-once order, unpaced. The
/// filters belong to the graph alone; `gone` counts them out. What the target sees is kept
/// here, so it outlives a released graph, and so does the state log.
class Rig {
public:
    Rig(Middle kind, unsigned frames) : Rig(std::vector<Middle>{kind}, frames) {}
    /// Source -> each middle in turn -> target; `middle` is the first. The threaded middles
    /// run `threads` workers.
    Rig(const std::vector<Middle>& kinds, unsigned frames, const char* threads = "3") : _filters(2 + kinds.size())
    {
        graph = std::make_shared<AsyncGraph>();
        auto source = std::make_shared<Counted<TestSource>>(gone, frames);
        this->source = source;
        add(source);
        for (const Middle kind : kinds)
            addMiddle(kind, threads);
        auto target = std::make_shared<Counted<TestTarget>>(gone);
        target->process = [this](TestTarget&, const Atom& atom) {
            {
                std::lock_guard<std::mutex> lock(_mutex);
                _frames.push_back(atom.GetFrameNr());
            }
            if (onFrame)
                onFrame(atom.GetFrameNr());
            return HyxErrorCode::Success;
        };
        add(target);
        EXPECT_EQ(graph->SetPlaybackMode(PlaybackMode::ForwardOnce, 0.0f), ActionResult::Success);
        graph->_graphEvents.Add(&log);
    }
    ~Rig()
    {
        if (graph) {
            graph->Stop();
            graph->_graphEvents.Remove(&log);
            graph.reset();
        }
        // A released graph may still be on its way out on the worker thread, telling the log.
        EXPECT_TRUE(destroyed());
    }

    bool destroyed() const
    {
        return Eventually([this] { return gone.load() == static_cast<int>(_filters); });
    }
    Frames frames() const
    {
        std::lock_guard<std::mutex> lock(_mutex);
        return _frames;
    }
    bool heardError() const
    {
        const std::vector<State> states = log.states();
        return std::find(states.begin(), states.end(), State::Error) != states.end();
    }

    std::atomic<int> gone{0};
    StateLog log;
    std::shared_ptr<AsyncGraph> graph;
    std::weak_ptr<TestSource> source;
    std::weak_ptr<Filter> middle;
    /// Runs on the worker for each frame the target takes; set before Play.
    std::function<void(unsigned)> onFrame;

private:
    void add(const std::shared_ptr<Filter>& filter)
    {
        EXPECT_EQ(graph->AddAndConnect(filter), ActionResult::Success) << graph->GetLastError(false).CStr();
    }
    void addMiddle(Middle kind, const char* threads)
    {
        std::shared_ptr<Filter> filter;
        Settings settings;
        switch (kind) {
        case Middle::Transform: filter = std::make_shared<Counted<TestTransform>>(gone); break;
        case Middle::Mutate: filter = std::make_shared<Counted<TestMutate>>(gone); break;
        case Middle::AtomThreads:
            filter = std::make_shared<Counted<AtomWork>>(gone);
            settings = Threads<AtomWork>(threads, false);
            break;
        case Middle::FrameThreads:
            filter = std::make_shared<Counted<FrameWork>>(gone);
            settings = Threads<FrameWork>(threads, false);
            break;
        case Middle::BlockFps:
            filter = std::make_shared<Counted<MutateBlockFPS>>(gone);
            settings = Block("2", false);
            settings.emplace_back(MutateBlockFPS::FRAMERATE_PARAMNAME, "0");
            break;
        case Middle::BlockManual:
            filter = std::make_shared<Counted<MutateBlockManual>>(gone);
            settings = Block("1", false);
            break;
        }
        add(filter);
        for (const auto& [name, value] : settings)
            EXPECT_TRUE(filter->setParameterValue(name.c_str(), value.c_str())) << name;
        if (middle.expired())
            middle = filter;
    }

    const size_t _filters;
    mutable std::mutex _mutex;
    Frames _frames;
};

} // namespace

TEST(InterferenceThreads, StopOrPauseFromAFilterStepLeavesNothingOfThatTurn)
{
    struct Row {
        Middle middle;
        bool stop;
        Frames frames; // over both runs
        std::vector<State> states;
    };
    const Frames again = {0, 1, 0, 1, 2, 3, 4, 5};
    const std::vector<State> stopped = {State::Playing, State::Stopped, State::Playing, State::Stopped};
    const std::vector<State> paused = {State::Playing, State::Paused, State::Playing, State::Stopped};
    const Row rows[] = {{Middle::Transform, true, again, stopped},
                        {Middle::Mutate, true, again, stopped},
                        {Middle::Transform, false, Range(6), paused},
                        {Middle::Mutate, false, Range(6), paused}};
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << static_cast<int>(row.middle) << (row.stop ? " stop" : " pause"));
        Rig rig(row.middle, 6);
        // The step of frame 2, in the first run only, stops or pauses the graph it runs in.
        std::atomic<bool> asked{false};
        auto interfere = [&](unsigned frame) {
            if (frame == 2 && !asked.exchange(true)) {
                EXPECT_EQ(row.stop ? rig.graph->Stop() : rig.graph->Pause(), ActionResult::Success);
            }
        };
        if (auto transform = std::dynamic_pointer_cast<TestTransform>(rig.middle.lock())) {
            transform->process = [&](TestTransform&, const Atom& atom) {
                interfere(atom.GetFrameNr());
                return HyxErrorCode::Success;
            };
        } else {
            std::static_pointer_cast<TestMutate>(rig.middle.lock())->create = [&](const Atom& atom, bool&) {
                interfere(atom.GetFrameNr());
                return HyxErrorCode::Success;
            };
        }
        ASSERT_EQ(rig.graph->Play(), ActionResult::Success);
        ASSERT_TRUE(rig.log.waitFor(row.stop ? State::Stopped : State::Paused));
        EXPECT_EQ(rig.frames(), Range(2));
        ASSERT_EQ(rig.graph->Play(), ActionResult::Success);
        ASSERT_TRUE(rig.log.waitFor(State::Stopped, row.stop ? 2 : 1));
        EXPECT_EQ(rig.frames(), row.frames);
        EXPECT_EQ(rig.log.states(), row.states);
        EXPECT_STREQ(rig.graph->GetLastError(false).CStr(), "");
    }
}

TEST(InterferenceThreads, AtomsOfAStoppedRunNeverReachTheNext)
{
    // The transform pauses the graph from the worker while it hands on frame 5: that frame
    // lands in the next queue, and the filters after it sit out the pass. The run is then
    // stopped, by the host while paused or by the transform at frame 6 after the host
    // resumed. The next run starts from empty queues: every frame once, in order.
    struct Row {
        bool threads; // a one-worker atom mutate between the transform and the target
        bool stopFromWorker;
    };
    constexpr unsigned kFrames = 12;
    const Row rows[] = {{false, false}, {false, true}, {true, false}, {true, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << (row.threads ? "threads" : "plain")
                                        << (row.stopFromWorker ? ", stop from the worker" : ", stop from the host"));
        std::vector<Middle> middles{Middle::Transform};
        if (row.threads)
            middles.push_back(Middle::AtomThreads);
        Rig rig(middles, kFrames, "1");
        std::atomic<bool> paused{false}, stopped{false};
        std::static_pointer_cast<TestTransform>(rig.middle.lock())->process = [&](TestTransform&, const Atom& atom) {
            if (atom.GetFrameNr() == 5 && !paused.exchange(true)) {
                EXPECT_EQ(rig.graph->Pause(), ActionResult::Success);
            }
            if (row.stopFromWorker && atom.GetFrameNr() == 6 && !stopped.exchange(true)) {
                EXPECT_EQ(rig.graph->Stop(), ActionResult::Success);
            }
            return HyxErrorCode::Success;
        };
        ASSERT_EQ(rig.graph->Play(), ActionResult::Success);
        ASSERT_TRUE(rig.log.waitFor(State::Paused));
        if (row.stopFromWorker) {
            ASSERT_EQ(rig.graph->Play(), ActionResult::Success);
            ASSERT_TRUE(rig.log.waitFor(State::Stopped));
        } else {
            ASSERT_EQ(rig.graph->Stop(), ActionResult::Success);
        }
        // The worker has ended: the target heard the frames before 5 (fewer when the threaded
        // mutate still held some), never frame 5 or 6.
        const size_t firstRun = rig.frames().size();
        EXPECT_EQ(rig.frames(), Range(row.threads ? static_cast<unsigned>(firstRun) : 5u));
        ASSERT_LE(firstRun, 5u);

        ASSERT_EQ(rig.graph->Play(), ActionResult::Success);
        ASSERT_TRUE(Eventually([&] { return rig.graph->IsStopped(); }));
        ASSERT_EQ(rig.graph->Stop(), ActionResult::Success); // joins the worker that ended itself
        const Frames frames = rig.frames();
        EXPECT_EQ(Frames(frames.begin() + static_cast<long>(firstRun), frames.end()), Range(kFrames));
        EXPECT_FALSE(rig.heardError());
        EXPECT_STREQ(rig.graph->GetLastError(false).CStr(), "");
    }
}

TEST(InterferenceThreads, HostDrivenPassEndsQuietlyOnAStopFromAFilter)
{
    TestGraph chain;
    chain.make<TestSource>(6);
    auto transform = chain.make<TestTransform>();
    auto target = chain.make<TestTarget>();
    ASSERT_EQ(chain.graph->SetPlaybackMode(PlaybackMode::ForwardOnce, true), ActionResult::Success);
    transform->process = [&](TestTransform&, const Atom& atom) {
        if (atom.GetFrameNr() == 2)
            chain.graph->Stop();
        return HyxErrorCode::Success;
    };
    ASSERT_EQ(chain.graph->Play(), ActionResult::Success);
    EXPECT_TRUE(chain.update(3));
    EXPECT_TRUE(chain.graph->IsStopped());
    EXPECT_EQ(target->frames(), Range(2));
    EXPECT_EQ(transform->getOutputConnection()->NumPendingData(), 0); // frame 2 went nowhere
}

TEST(InterferenceThreads, HostDrivenRunStartsFromEmptyQueues)
{
    // Frame 2, pushed while paused, waits for the target. A resume hands it on; a stop
    // ends it with its run.
    for (const bool stop : {false, true}) {
        SCOPED_TRACE(stop ? "stopped" : "resumed");
        TestGraph chain;
        chain.make<TestSource>(4);
        auto transform = chain.make<TestTransform>();
        auto target = chain.make<TestTarget>();
        ASSERT_EQ(chain.graph->SetPlaybackMode(PlaybackMode::ForwardOnce, true), ActionResult::Success);
        bool paused = false;
        transform->process = [&](TestTransform&, const Atom& atom) {
            if (atom.GetFrameNr() == 2 && !std::exchange(paused, true))
                chain.graph->Pause();
            return HyxErrorCode::Success;
        };
        ASSERT_EQ(chain.graph->Play(), ActionResult::Success);
        EXPECT_TRUE(chain.update(3));
        ASSERT_TRUE(chain.graph->IsPaused());
        EXPECT_EQ(transform->getOutputConnection()->NumPendingData(), 1);
        if (stop) {
            ASSERT_EQ(chain.graph->Stop(), ActionResult::Success);
            ASSERT_EQ(chain.graph->SetPlaybackMode(PlaybackMode::ForwardOnce, true), ActionResult::Success);
        }
        ASSERT_EQ(chain.graph->Play(), ActionResult::Success);
        ASSERT_TRUE(chain.runToEnd());
        Frames expected = Range(stop ? 2 : 4);
        if (stop) {
            const Frames second = Range(4);
            expected.insert(expected.end(), second.begin(), second.end());
        }
        EXPECT_EQ(target->frames(), expected);
    }
}

namespace {

/// A multi-stream source -> a transform that interferes at frame 2 of stream 0 -> (a
/// one-worker atom mutate) -> target, played forward once on the host's thread or on an
/// asynchronous graph's worker.
struct InterferingChain : TestGraph {
    InterferingChain(unsigned streams, bool threads, bool worker = false)
    {
        if (worker) {
            auto async = std::make_shared<AsyncGraph>();
            async->SetGraphFps(0.0f); // unpaced
            graph = async;
        }
        make<TestMultiSource>(Frames(streams, kFrames));
        transform = make<TestTransform>();
        if (threads) {
            auto work = make<AtomWork>();
            for (const auto& [name, value] : Threads<AtomWork>("1", false))
                EXPECT_TRUE(work->setParameterValue(name.c_str(), value.c_str())) << name;
        }
        target = make<TestTarget>();
        graph->_graphEvents.Add(&log);
    }
    ~InterferingChain()
    {
        graph->Stop();
        graph->_graphEvents.Remove(&log);
    }
    /// Runs `interfere` once, in the step of frame 2 of stream 0.
    void interfereAtFrame2(std::function<void()> interfere)
    {
        transform->process = [this, interfere = std::move(interfere)](TestTransform&, const Atom& atom) {
            if (atom.GetFrameNr() == 2 && atom.GetStreamId() == 0 && !std::exchange(_interfered, true))
                interfere();
            return HyxErrorCode::Success;
        };
    }
    /// The frames the target saw of each stream, from its `from`-th atom on.
    std::vector<Frames> framesByStream(size_t from = 0) const
    {
        std::vector<Frames> result;
        const std::vector<SeenAtom> seen = target->seen();
        for (size_t i = from; i < seen.size(); ++i) {
            result.resize(std::max<size_t>(result.size(), seen[i].stream + 1u));
            result[seen[i].stream].push_back(seen[i].frame);
        }
        return result;
    }

    static constexpr unsigned kFrames = 6;
    std::shared_ptr<TestTransform> transform;
    std::shared_ptr<TestTarget> target;
    StateLog log;

private:
    bool _interfered = false;
};

const char* const kRefusedInsidePass = "Graph failed to start playing(it cannot be started inside an update pass)";

} // namespace

TEST(InterferenceThreads, PlayInsideAPassIsRefused)
{
    // A hook stops the run and plays again, or a listener plays again when it hears the stop
    // (a host that loops its graph). Neither waits: the Play is refused, the pass ends, and
    // the host's own Play starts a run that holds every frame of every stream once, in order.
    // An asynchronous graph refuses it as a Play from its worker.
    struct Row {
        bool worker, listener;
        unsigned streams;
        bool threads;
    };
    std::vector<Row> rows;
    for (const bool worker : {false, true})
        for (const bool listener : {false, true})
            for (const unsigned streams : {1u, 2u})
                for (const bool threads : {false, true})
                    rows.push_back({worker, listener, streams, threads});
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << (row.worker ? "worker, " : "host, ") << (row.listener ? "listener" : "hook")
                                        << ", " << row.streams << " streams" << (row.threads ? ", threads" : ""));
        InterferingChain chain(row.streams, row.threads, row.worker);
        std::optional<ActionResult> restarted;
        std::string text;
        const auto restart = [&] {
            restarted = chain.graph->Play();
            text = chain.error();
        };
        chain.interfereAtFrame2([&] {
            EXPECT_EQ(chain.graph->Stop(), ActionResult::Success);
            if (!row.listener)
                restart();
        });
        if (row.listener) {
            chain.log.onState = [&](State state) {
                if (state == State::Stopped && !restarted)
                    restart();
            };
        }
        // Plays a run to its end; on the worker, waits for it and joins the worker.
        const auto playToEnd = [&] {
            ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success) << chain.error();
            if (row.worker) {
                ASSERT_TRUE(Eventually([&] { return chain.graph->IsStopped(); }));
                ASSERT_EQ(chain.graph->Stop(), ActionResult::Success);
            } else {
                ASSERT_TRUE(UpdateUntilDone(*chain.graph));
            }
        };
        playToEnd();
        ASSERT_TRUE(restarted.has_value());
        EXPECT_EQ(*restarted, ActionResult::Failure);
        EXPECT_EQ(text, row.worker ? "Graph failed to start playing(it cannot be started from its own worker thread)"
                                   : kRefusedInsidePass);
        EXPECT_TRUE(chain.graph->IsStopped());
        const size_t firstRun = chain.target->seen().size();
        for (const Frames& frames : chain.framesByStream())
            EXPECT_EQ(frames, Range(static_cast<unsigned>(frames.size())));

        playToEnd();
        EXPECT_EQ(chain.framesByStream(firstRun), std::vector<Frames>(row.streams, Range(InterferingChain::kFrames)));
    }
}

TEST(InterferenceThreads, CallsInsideAHostDrivenPassNeverWait)
{
    // Each row: what the hook asks at frame 2 of stream 0, with two streams and a threaded
    // mutate in the chain; then the host plays on (a resume after a pause, a new run after a
    // stop) and every frame of each stream is seen once, in order, in the last run.
    enum class Call {
        Stop,
        Pause,
        Play,
        PlayMode
    };
    struct Row {
        Call first, second;
        ActionResult result; // of the second call
        State state; // after the pass
    };
    const Row rows[] = {{Call::Stop, Call::Stop, ActionResult::Success, State::Stopped},
                        {Call::Stop, Call::PlayMode, ActionResult::Failure, State::Stopped},
                        {Call::Pause, Call::Play, ActionResult::Failure, State::Paused},
                        {Call::Pause, Call::PlayMode, ActionResult::Failure, State::Paused},
                        {Call::Pause, Call::Pause, ActionResult::Success, State::Paused}};
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << static_cast<int>(row.first) << " then " << static_cast<int>(row.second));
        InterferingChain chain(2, true);
        const auto call = [&](Call what) {
            switch (what) {
            case Call::Stop: return chain.graph->Stop();
            case Call::Pause: return chain.graph->Pause();
            case Call::Play: return chain.graph->Play();
            case Call::PlayMode: return chain.graph->Play(PlaybackMode::ForwardLoop);
            }
            return ActionResult::Failure;
        };
        std::optional<ActionResult> second;
        chain.interfereAtFrame2([&] {
            EXPECT_EQ(call(row.first), ActionResult::Success);
            second = call(row.second);
        });
        ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
        EXPECT_TRUE(chain.update(3));
        ASSERT_TRUE(second.has_value());
        EXPECT_EQ(*second, row.result);
        if (row.result == ActionResult::Failure) {
            EXPECT_EQ(chain.error(), kRefusedInsidePass);
        }
        EXPECT_EQ(chain.log.states().back(), row.state);

        size_t lastRun = 0;
        if (row.state == State::Stopped) {
            lastRun = chain.target->seen().size();
            ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success) << chain.error();
        } else {
            ASSERT_EQ(chain.graph->Play(), ActionResult::Success) << chain.error(); // forward once still
        }
        ASSERT_TRUE(UpdateUntilDone(*chain.graph));
        EXPECT_EQ(chain.framesByStream(lastRun), std::vector<Frames>(2, Range(InterferingChain::kFrames)));
    }
}

TEST(InterferenceThreads, HostPlayModeWaitsForAWorkerThatStoppedItself)
{
    // The worker's hook stops or pauses the graph and holds its pass open. The host, told of
    // the new state, plays with a mode from its own thread: it waits for the worker to end,
    // as Play does, and starts the run.
    for (const bool stop : {true, false}) {
        SCOPED_TRACE(stop ? "stop" : "pause");
        InterferingChain chain(2, false, true);
        Gate passEnds;
        chain.interfereAtFrame2([&] {
            EXPECT_EQ(stop ? chain.graph->Stop() : chain.graph->Pause(), ActionResult::Success);
            EXPECT_TRUE(passEnds.pass());
        });
        ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
        ASSERT_TRUE(chain.log.waitFor(stop ? State::Stopped : State::Paused));
        const size_t firstRun = chain.target->seen().size();
        std::optional<ActionResult> played;
        std::thread host([&] { played = chain.graph->Play(PlaybackMode::ForwardOnce); });
        std::this_thread::sleep_for(std::chrono::milliseconds(50)); // the host waits meanwhile
        passEnds.open();
        host.join();
        ASSERT_EQ(played, ActionResult::Success) << chain.error();
        ASSERT_TRUE(Eventually([&] { return chain.graph->IsStopped(); }));
        ASSERT_EQ(chain.graph->Stop(), ActionResult::Success);
        if (stop) {
            EXPECT_EQ(chain.framesByStream(firstRun), std::vector<Frames>(2, Range(InterferingChain::kFrames)));
        }
    }
}

TEST(InterferenceThreads, PlayModeWhileTheWorkerEndsItsRunPlaysANewRun)
{
    // A forward-once run reaches its end. While the worker is inside the stop it makes itself
    // (a target whose onStop takes a while) the graph still reads Playing; the host plays with
    // a mode meanwhile: the worker is joined first, and a second run really plays.
    struct SlowStop : TestTarget {
        Gate entered, leave;
        std::atomic<bool> slow{true};
        HyxErrorCode onStop() override
        {
            if (slow.exchange(false)) {
                entered.open();
                EXPECT_TRUE(leave.pass());
            }
            return TestTarget::onStop();
        }
    };
    AsyncTestGraph chain;
    chain.make<TestSource>(5);
    auto target = chain.make<SlowStop>();
    ASSERT_TRUE(chain.play(PlaybackMode::ForwardOnce));
    ASSERT_TRUE(target->entered.pass());
    EXPECT_TRUE(chain.async->IsPlaying());
    std::optional<ActionResult> played;
    std::thread host([&] { played = chain.async->Play(PlaybackMode::ForwardOnce); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50)); // the call meets the stop under way
    target->leave.open();
    host.join();
    ASSERT_EQ(played, ActionResult::Success) << chain.error();
    // The second run began within the call.
    const std::vector<State> told = chain.log.states();
    ASSERT_EQ(std::count(told.begin(), told.end(), State::Playing), 2);
    ASSERT_TRUE(chain.log.waitFor(State::Stopped, 2));
    EXPECT_EQ(chain.log.states(), (std::vector<State>{State::Playing, State::Stopped, State::Playing, State::Stopped}));
    Frames twice = Range(5);
    twice.insert(twice.end(), twice.begin(), twice.end());
    EXPECT_EQ(target->frames(), twice);
}

namespace {

/// A forward-once run of five frames whose worker's pass is held open inside the target's
/// hook, at frame 1, until `leave` opens.
struct HeldPass {
    AsyncTestGraph chain;
    std::shared_ptr<TestTarget> target;
    Gate entered, leave;
    HeldPass()
    {
        chain.make<TestSource>(5);
        target = chain.make<TestTarget>();
        target->process = [this](TestTarget&, const Atom& atom) {
            if (atom.GetFrameNr() == 1) {
                entered.open();
                EXPECT_TRUE(leave.pass());
            }
            return HyxErrorCode::Success;
        };
    }
    /// Plays; true once the worker is inside the held pass.
    bool start() { return chain.play(PlaybackMode::ForwardOnce) && entered.pass(); }
};

} // namespace

TEST(InterferenceThreads, HostPlayWhileTheWorkersPassRunsIsSuccessAtOnce)
{
    // The worker's pass is held open inside a hook while the graph plays: a Play and a
    // Play(mode) from the host answer Success without waiting for the pass.
    HeldPass held;
    AsyncTestGraph& chain = held.chain;
    ASSERT_TRUE(held.start());
    std::atomic<int> answered{0};
    std::thread host([&] {
        EXPECT_EQ(chain.async->Play(), ActionResult::Success);
        EXPECT_EQ(chain.async->Play(PlaybackMode::ForwardLoop), ActionResult::Success);
        answered = 1;
    });
    EXPECT_TRUE(Eventually([&] { return answered.load() == 1; })); // with the pass still open
    held.leave.open();
    host.join();
    ASSERT_TRUE(chain.log.waitFor(State::Stopped));
    EXPECT_EQ(held.target->frames(), Range(5)); // the mode stayed forward once
}

TEST(InterferenceThreads, PlayModeWhileAnotherHostThreadStopsWaitsAndPlaysANewRun)
{
    // One host thread stops the graph and waits for the worker's pass, held open inside a
    // hook; a Play(mode) from another host thread meanwhile waits for that Stop (each host
    // call is one step) and then plays a new run of the stopped graph in its own mode.
    HeldPass held;
    AsyncTestGraph& chain = held.chain;
    ASSERT_TRUE(held.start());
    std::thread stopper([&] { EXPECT_EQ(chain.async->Stop(), ActionResult::Success); });
    EXPECT_TRUE(Eventually([&] { return chain.async->IsStopRequested(); })); // the stop waits now
    std::atomic<bool> answered{false};
    std::optional<ActionResult> result;
    std::thread host([&] {
        result = chain.async->Play(PlaybackMode::ForwardLoop);
        answered = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(answered.load()); // behind the Stop, whose pass is still open
    held.leave.open();
    host.join();
    stopper.join();
    EXPECT_EQ(result, ActionResult::Success);
    EXPECT_TRUE(chain.async->IsPlaying());
    const auto order = std::dynamic_pointer_cast<FrameOrderAuto>(chain.async->GetFrameOrderProvider());
    ASSERT_TRUE(order);
    EXPECT_EQ(order->GetPlaybackMode(), PlaybackMode::ForwardLoop);
    EXPECT_EQ(chain.async->Stop(), ActionResult::Success);
}

TEST(InterferenceThreads, PlayModeFromTheWorkerLeavesTheMode)
{
    // A listener that loops its graph asks for another mode when the worker stops the ended
    // run: refused before the mode changes.
    InterferingChain chain(1, false, true);
    std::optional<ActionResult> replayed;
    std::string text;
    chain.log.onState = [&](State state) {
        if (state == State::Stopped && !replayed) {
            replayed = chain.graph->Play(PlaybackMode::ForwardLoop);
            text = chain.error();
        }
    };
    ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
    ASSERT_TRUE(chain.log.waitFor(State::Stopped));
    ASSERT_EQ(chain.graph->Stop(), ActionResult::Success);
    EXPECT_EQ(replayed, ActionResult::Failure);
    EXPECT_EQ(text, "Graph failed to start playing(it cannot be started from its own worker thread)");
    const auto order = std::dynamic_pointer_cast<FrameOrderAuto>(chain.graph->GetFrameOrderProvider());
    ASSERT_TRUE(order);
    EXPECT_EQ(order->GetPlaybackMode(), PlaybackMode::ForwardOnce);
}

TEST(InterferenceThreads, DroppingTheGraphRightAfterPlayIsAStop)
{
    for (int i = 0; i < 300; ++i) {
        Rig rig(Middle::Transform, 1000);
        ASSERT_EQ(rig.graph->Play(), ActionResult::Success);
        rig.graph.reset(); // the last reference; the destructor may begin before the worker
        ASSERT_TRUE(rig.destroyed());
        ASSERT_FALSE(rig.heardError()) << i;
        const Frames frames = rig.frames();
        ASSERT_EQ(frames, Range(static_cast<unsigned>(frames.size())));
    }
}

TEST(InterferenceThreads, DroppingTheGraphEndsAWaitForAFullBuffer)
{
    // Nobody pulls: the worker waits in the full buffer with the graph in hand.
    Rig rig(Middle::BlockManual, 30);
    ASSERT_EQ(rig.graph->Play(), ActionResult::Success);
    ASSERT_TRUE(Eventually([&] {
        const std::shared_ptr<TestSource> source = rig.source.lock();
        return source && source->GetNumAtomsProcessed() >= 2;
    }));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    rig.graph.reset();
    EXPECT_TRUE(rig.destroyed()); // the filters' destructors ran
    EXPECT_FALSE(rig.heardError());
    EXPECT_TRUE(rig.frames().empty());
}

TEST(InterferenceThreads, StressEveryFrameOnceUnderInterference)
{
    enum class Move {
        HostPause,
        HostStop,
        WorkerPause,
        WorkerStop,
        HostRelease,
        WorkerRelease,
        ListenerRelease
    };
    constexpr unsigned kFrames = 10;
    std::mt19937 random(13);
    for (const Middle middle : {Middle::Transform, Middle::AtomThreads, Middle::FrameThreads, Middle::BlockFps}) {
        for (int cycle = 0; cycle < 42; ++cycle) {
            const Move move = static_cast<Move>(cycle % 7);
            SCOPED_TRACE(testing::Message() << static_cast<int>(middle) << " move " << cycle % 7);
            const unsigned at = random() % kFrames;
            const auto pause = std::chrono::microseconds(random() % 300);
            std::shared_ptr<AsyncGraph> holder; // the host's reference, when a release is planned
            std::atomic<bool> asked{false};
            Rig rig(middle, kFrames);
            rig.onFrame = [&](unsigned frame) {
                if (frame != at || asked.exchange(true))
                    return;
                if (move == Move::WorkerPause)
                    rig.graph->Pause();
                else if (move == Move::WorkerStop)
                    rig.graph->Stop();
                else if (move == Move::WorkerRelease)
                    holder.reset();
            };
            if (move == Move::ListenerRelease) {
                rig.log.onState = [&](State state) {
                    if (state == State::Stopped)
                        holder.reset();
                };
            }
            if (move >= Move::HostRelease)
                holder = rig.graph;
            ASSERT_EQ(rig.graph->Play(), ActionResult::Success);
            if (move >= Move::HostRelease) {
                rig.graph.reset();
                if (move == Move::HostRelease) {
                    std::this_thread::sleep_for(pause);
                    holder.reset();
                }
                ASSERT_TRUE(rig.destroyed());
                EXPECT_FALSE(rig.heardError());
                const Frames frames = rig.frames();
                EXPECT_EQ(frames, Range(static_cast<unsigned>(frames.size())));
                if (move == Move::ListenerRelease) {
                    EXPECT_EQ(frames, Range(kFrames));
                }
                continue;
            }
            size_t firstRun = 0;
            if (move == Move::HostStop) {
                std::this_thread::sleep_for(pause);
                ASSERT_EQ(rig.graph->Stop(), ActionResult::Success);
                firstRun = rig.frames().size(); // the worker has ended
                ASSERT_EQ(rig.graph->Play(), ActionResult::Success);
            } else if (move == Move::HostPause) {
                std::this_thread::sleep_for(pause);
                // Fails when the run has finished by itself meanwhile.
                if (rig.graph->Pause() == ActionResult::Success) {
                    ASSERT_EQ(rig.graph->Play(), ActionResult::Success);
                }
            } else {
                ASSERT_TRUE(rig.log.waitFor(move == Move::WorkerStop ? State::Stopped : State::Paused));
                // A stop drops the atoms the target still holds; a pause hands them on.
                if (move == Move::WorkerStop) {
                    ASSERT_EQ(rig.frames().size(), at + 1u);
                    firstRun = at + 1u;
                }
                ASSERT_EQ(rig.graph->Play(), ActionResult::Success);
            }
            ASSERT_TRUE(Eventually([&] { return rig.graph->IsStopped(); }));
            ASSERT_EQ(rig.graph->Stop(), ActionResult::Success); // joins a worker that ended itself
            EXPECT_FALSE(rig.heardError());
            const Frames frames = rig.frames();
            ASSERT_GE(frames.size(), firstRun);
            EXPECT_EQ(Frames(frames.begin(), frames.begin() + static_cast<long>(firstRun)),
                      Range(static_cast<unsigned>(firstRun)));
            EXPECT_EQ(Frames(frames.begin() + static_cast<long>(firstRun), frames.end()), Range(kFrames));
        }
    }
}
