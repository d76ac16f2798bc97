// Sources, their streams and the frame orders that drive them: held-back frames, pause and
// resume, host-fed orders, full queues, multi-stream frames, and the walks of every mode.

#include "GraphFixtures.h"

#include <optional>
#include <stdexcept>

using namespace GraphFixtures;
using Frames32 = std::vector<uint32_t>;

namespace {

// Source (numFrames) -> target, playing in `mode`.
struct SourceChain : TestGraph {
    explicit SourceChain(unsigned numFrames, PlaybackMode mode = PlaybackMode::ForwardOnce,
                         std::function<void(ScriptedStream&)> setUpStream = {})
    {
        source = std::make_shared<TestSource>(numFrames);
        source->setUpStream = std::move(setUpStream);
        add(source);
        target = make<TestTarget>();
        EXPECT_EQ(graph->SetPlaybackMode(mode, true), ActionResult::Success) << error();
    }
    void play() { ASSERT_EQ(graph->Play(), ActionResult::Success) << error(); }

    std::shared_ptr<TestSource> source;
    std::shared_ptr<TestTarget> target;
};

// Drives a provider the way a source does: advance before reading once play started and
// after every emitted frame.
Frames32 walk(FrameOrderProvider& provider, int updates)
{
    Frames32 frames;
    for (int i = 0; i < updates && provider.HasNextFrameID(); ++i) {
        provider.AdvanceFrameID();
        frames.push_back(provider.GetFrameID());
    }
    return frames;
}

} // namespace

TEST(SourceUpdate, HeldBackFramesAreAskedForAgain)
{
    SourceChain chain(6, PlaybackMode::ForwardOnce, [](ScriptedStream& s) { s.holdBack = {2, 2}; });
    chain.play();
    ASSERT_TRUE(chain.update(2));
    const float progress = chain.source->GetProgress();
    EXPECT_FLOAT_EQ(progress, 2.0f / 6.0f);
    // Frame 2 is held back twice: the source reports no data and does not advance.
    EXPECT_EQ(chain.source->Update(), HyxErrorCode::NoDataAvailable);
    EXPECT_EQ(chain.source->Update(), HyxErrorCode::NoDataAvailable);
    EXPECT_FLOAT_EQ(chain.source->GetProgress(), progress);
    EXPECT_TRUE(chain.runToEnd());
    EXPECT_EQ(chain.target->frames(), Range(6));
    EXPECT_EQ(chain.source->stream()->asked, (Frames{0, 1, 2, 2, 2, 3, 4, 5}));

    // The last frame held back is still emitted, in either direction.
    for (PlaybackMode mode : {PlaybackMode::ForwardOnce, PlaybackMode::BackwardOnce}) {
        const unsigned last = mode == PlaybackMode::ForwardOnce ? 4u : 0u;
        SourceChain five(5, mode, [last](ScriptedStream& s) { s.holdBack = {last}; });
        five.play();
        ASSERT_TRUE(five.update(5));
        // Four frames are out; the fifth was held back, so the graph is not done.
        EXPECT_EQ(five.target->frames().size(), 4u);
        EXPECT_FALSE(five.graph->IsDone());
        EXPECT_TRUE(five.runToEnd());
        EXPECT_EQ(five.target->frames().size(), 5u);
        EXPECT_EQ(five.target->frames().back(), last);
        five.graph->Stop();
    }
}

TEST(SourceUpdate, HostFedOrderEmitsEveryPushedFrameOnce)
{
    SourceChain chain(100);
    auto order = std::make_shared<FrameOrderManual>();
    ASSERT_EQ(chain.graph->SetFrameOrderProvider(order), ActionResult::Success);
    chain.play();
    // Nothing queued yet: no data, and certainly no frame 0.
    ASSERT_TRUE(chain.update(3));
    EXPECT_TRUE(chain.target->frames().empty());
    order->PushBackNextFrameID(7);
    ASSERT_TRUE(chain.update(1));
    order->PushBackNextFrameID(8);
    order->PushBackNextFrameID(3);
    ASSERT_TRUE(chain.update(4)); // the host is slow: extra passes find an empty queue
    order->PushBackNextFrameID(50);
    ASSERT_TRUE(chain.update(1));
    order->JumpToFrameID(20);
    ASSERT_TRUE(chain.update(3));
    EXPECT_EQ(chain.target->frames(), (Frames{7, 8, 3, 50, 20}));
}

TEST(SourceUpdate, FullOutputQueueAndStreamFailuresFailTheUpdate)
{
    SourceChain chain(2000, PlaybackMode::ForwardLoop);
    chain.play();
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(chain.source->Update(), HyxErrorCode::Success);
    EXPECT_EQ(chain.source->Update(), HyxErrorCode::FilterError);
    const std::string sourceText = chain.source->GetLastError(false).StdString();
    EXPECT_EQ(sourceText, FilterText("Test", HyxErrorCode::FilterError) + "(Source::Update failed.)");
    const int targetUpdates = chain.target->updates;
    EXPECT_EQ(chain.graph->Update(), ActionResult::Failure);
    EXPECT_EQ(chain.error(), "Graph update failed(" + sourceText + ")");
    EXPECT_EQ(chain.target->updates, targetUpdates);

    SourceChain failing(10);
    failing.source->stream()->failFrame = 1;
    failing.source->stream()->failCode = HyxErrorCode::FailedToReadFromFile;
    failing.play();
    ASSERT_TRUE(failing.update(1));
    EXPECT_EQ(failing.source->Update(), HyxErrorCode::FailedToReadFromFile);
    EXPECT_EQ(failing.source->GetLastError(false).StdString(),
              FilterText("Test", HyxErrorCode::FailedToReadFromFile) + "()");
}

TEST(SourceUpdate, WrongStateMissingOrderAndFailedStart)
{
    TestGraph chain;
    auto source = chain.make<TestSource>(5);
    EXPECT_EQ(source->Update(), HyxErrorCode::FilterWrongStateToUpdate);
    EXPECT_EQ(chain.graph->Play(), ActionResult::Failure);
    EXPECT_EQ(chain.error(), "Graph is missing frame order provider");
    EXPECT_EQ(source->GetFilterState(), Filter::FilterState::Connected);
    EXPECT_TRUE(source->IsDone()); // no provider

    // A failed start is undone and can be retried.
    SourceChain retried(10);
    retried.source->stream()->playResult = HyxErrorCode::FailedToReadFromFile;
    EXPECT_EQ(retried.graph->Play(), ActionResult::Failure);
    EXPECT_EQ(retried.source->stream()->GetPlayState(), Stream::PlayState::NeverPlayed);
    retried.source->stream()->playResult = HyxErrorCode::Success;
    retried.play();
    ASSERT_TRUE(retried.update(1));
    EXPECT_EQ(retried.target->frames(), Frames{0});
}

TEST(StreamState, PlayPauseStopTable)
{
    ScriptedStream stream(4, 10, MakeProfile({{kPurposeA, kType1}}));
    std::shared_ptr<Atom> atom;
    EXPECT_EQ(stream.Stop(), HyxErrorCode::Success);
    EXPECT_TRUE(stream.hooks.empty());
    // Each call with its code; Pause from stopped refuses but leaves the stream paused, and the
    // next Play resumes.
    const std::pair<std::function<HyxErrorCode()>, HyxErrorCode> calls[] = {
        {[&] { return stream.Update(0, atom); }, HyxErrorCode::StreamNotPlaying},
        {[&] { return stream.Play(); }, HyxErrorCode::Success},
        {[&] { return stream.Play(); }, HyxErrorCode::StreamAlreadyPlaying},
        {[&] { return stream.Update(3, atom); }, HyxErrorCode::Success},
        {[&] { return stream.Pause(); }, HyxErrorCode::Success},
        {[&] { return stream.Pause(); }, HyxErrorCode::Success},
        {[&] { return stream.Update(3, atom); }, HyxErrorCode::StreamNotPlaying},
        {[&] { return stream.Play(); }, HyxErrorCode::Success},
        {[&] { return stream.Stop(); }, HyxErrorCode::Success},
        {[&] { return stream.Pause(); }, HyxErrorCode::StreamNotPaused}};
    for (size_t i = 0; i < std::size(calls); ++i)
        EXPECT_EQ(calls[i].first(), calls[i].second) << i;
    ASSERT_TRUE(atom);
    EXPECT_EQ(std::tuple(atom->GetFrameNr(), atom->GetStreamId()), std::tuple(3u, 4u));
    EXPECT_EQ(stream.GetPlayState(), Stream::PlayState::Paused);
    EXPECT_EQ(stream.Play(), HyxErrorCode::Success);
    EXPECT_EQ(stream.Stop(), HyxErrorCode::Success);
    EXPECT_EQ(stream.hooks,
              (std::vector<std::string>{"play(first)", "pause", "play(resume)", "stop", "play(resume)", "stop"}));
    // A stream that failed to start is not playing.
    stream.playResult = HyxErrorCode::FailedToReadFromFile;
    EXPECT_EQ(stream.Play(), HyxErrorCode::FailedToReadFromFile);
    EXPECT_EQ(stream.GetPlayState(), Stream::PlayState::Stopped);

    // The time of a frame.
    const std::tuple<float, unsigned, uint64_t> times[] = {{30.0f, 3, 100000000u},
                                                           {0.0f, 5, 0u},
                                                           {-25.0f, 5, 0u},
                                                           {25.0f, 1, 40000000u},
                                                           {1e-30f, 4000000000u, UINT64_MAX}};
    for (const auto& [fps, frame, nanoseconds] : times)
        EXPECT_EQ(Stream::GetTimeInNanoSecondsForFrame(fps, frame), nanoseconds) << fps << ' ' << frame;
}

TEST(StreamState, AStateFollowsItsHook)
{
    // onPause or onStop that refuses or throws leaves the stream as it was: the next Pause or
    // Stop runs the hook again.
    for (const bool throws : {false, true}) {
        SCOPED_TRACE(throws ? "throws" : "refuses");
        ScriptedStream stream(0, 10, MakeProfile({{kPurposeA, kType1}}));
        stream.throws = throws;
        // nullopt: the hook threw.
        const auto call = [&](HyxErrorCode (Stream::*step)()) -> std::optional<HyxErrorCode> {
            try {
                return (stream.*step)();
            } catch (const std::runtime_error&) {
                return std::nullopt;
            }
        };
        const std::optional<HyxErrorCode> refused =
            throws ? std::nullopt : std::optional<HyxErrorCode>(HyxErrorCode::FilterError);
        using Play = Stream::PlayState;
        const struct {
            HyxErrorCode (Stream::*step)();
            int refuse; // 1: onPause refuses once, 2: onStop refuses once
            std::optional<HyxErrorCode> answer;
            Play after;
        } steps[] = {
            {&Stream::Play, 0, HyxErrorCode::Success, Play::Playing}, {&Stream::Pause, 1, refused, Play::Playing},
            {&Stream::Pause, 0, HyxErrorCode::Success, Play::Paused}, {&Stream::Stop, 2, refused, Play::Paused},
            {&Stream::Play, 0, HyxErrorCode::Success, Play::Playing}, {&Stream::Stop, 2, refused, Play::Playing},
            {&Stream::Stop, 0, HyxErrorCode::Success, Play::Stopped},
        };
        for (size_t i = 0; i < std::size(steps); ++i) {
            (steps[i].refuse == 1 ? stream.pauseRefusals : stream.stopRefusals) = steps[i].refuse ? 1 : 0;
            EXPECT_EQ(call(steps[i].step), steps[i].answer) << i;
            EXPECT_EQ(stream.GetPlayState(), steps[i].after) << i;
        }
        EXPECT_EQ(stream.hooks,
                  (std::vector<std::string>{"play(first)", "pause", "pause", "stop", "play(resume)", "stop", "stop"}));
    }
}

TEST(StreamState, DestroyedWhilePlayingIsReported)
{
    struct BareStream : Stream {
        BareStream() : Stream(7) {}
        std::shared_ptr<DataTypeStreamInfo> GetStreamInfo() override { return nullptr; }
        std::shared_ptr<Profile> GetOutputProfile() override { return nullptr; }
        HyxErrorCode onUpdate(unsigned, std::shared_ptr<Atom>&) override { return HyxErrorCode::Success; }
    };
    CapturedLog log;
    {
        BareStream stopped;
        stopped.Play();
        stopped.Stop();
    }
    EXPECT_TRUE(log.Entries().empty());
    BareStream().Play();
    EXPECT_EQ(log.Count(LogLevel::Error, "Stream '7' not stopped!"), 1);
}

TEST(SourceStreams, MultiStreamFramesAreAllOrNothing)
{
    TestGraph chain;
    auto source = chain.make<TestMultiSource>(std::vector<unsigned>{300, 250, 250});
    auto target = chain.make<TestTarget>();
    EXPECT_EQ(source->GetOutputNumStreams(), 3);
    EXPECT_EQ(source->GetStreamIds(), (std::vector<int>{0, 1, 2}));
    // The shortest stream's information; the later one on a tie.
    EXPECT_EQ(source->GetStreamInfo(), source->stream(2)->GetStreamInfo());
    ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
    ASSERT_TRUE(chain.update(1));
    EXPECT_EQ(target->seen().size(), 3u);
    source->stream(1)->holdBack = {1};
    EXPECT_EQ(source->Update(), HyxErrorCode::NoDataAvailable);
    ASSERT_TRUE(chain.update(1));
    const std::vector<SeenAtom> seen = target->seen();
    ASSERT_EQ(seen.size(), 6u);
    for (size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i].frame, i / 3);
        EXPECT_EQ(seen[i].stream, i % 3);
    }
    EXPECT_EQ(source->stream(0)->asked, (Frames{0, 1, 1}));
    EXPECT_EQ(target->GetNumFramesProcessed(), 2u);

    // A frame needs room for all its atoms: one slot left for three is a failed push.
    TestGraph full;
    auto big = full.make<TestMultiSource>(std::vector<unsigned>{1000, 1000, 1000});
    full.make<TestTarget>();
    ASSERT_EQ(full.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
    for (int i = 0; i < 333; ++i)
        ASSERT_EQ(big->Update(), HyxErrorCode::Success);
    EXPECT_EQ(big->Update(), HyxErrorCode::FilterFailedToPushAtom);
    EXPECT_EQ(big->GetNumAtomsProcessed(), 999u);
}

TEST(SourceStreams, MultiStreamStartFailureStopsTheStartedStreams)
{
    TestGraph chain;
    auto source = std::make_shared<TestMultiSource>(std::vector<unsigned>{10, 10, 10});
    source->afterInitialize = [](TestMultiSource& s) { s.stream(2)->playResult = HyxErrorCode::FailedToReadFromFile; };
    chain.add(source);
    chain.make<TestTarget>();
    ASSERT_EQ(chain.graph->SetPlaybackMode(PlaybackMode::ForwardOnce, true), ActionResult::Success);
    EXPECT_EQ(chain.graph->Play(), ActionResult::Failure);
    for (int i = 0; i < 3; ++i)
        EXPECT_NE(source->stream(i)->GetPlayState(), Stream::PlayState::Playing) << i;
    source->stream(2)->playResult = HyxErrorCode::Success;
    EXPECT_EQ(chain.graph->Play(), ActionResult::Success) << chain.error();

    // Empty entries and no streams: no information, no ids, the default profile.
    TestGraph empty;
    auto none = std::make_shared<TestMultiSource>(std::vector<unsigned>{});
    none->afterInitialize = [](TestMultiSource& s) { s.streams().push_back(nullptr); };
    empty.add(none);
    EXPECT_EQ(none->GetStreamInfo(), nullptr);
    EXPECT_TRUE(none->GetStreamIds().empty());
    EXPECT_EQ(none->GetNumFramesProcessed(), 0u);
    ASSERT_TRUE(none->GetOutputProfile());
    EXPECT_TRUE(none->GetOutputProfile()->Contains(kPurposeC, kType3, Guid()));
}

TEST(SourceStreams, AStreamThatRefusesOrThrowsOncePlaysOnOrIsStoppedAgain)
{
    // A single-stream source's stream refuses (or throws in) onPause once: the graph's Pause
    // fails, and the graph plays on whole. It refuses onStop once: a graph the host updates
    // stays playing and its second Stop stops the stream; an asynchronous graph reads Stopped
    // and its next Stop (or Play) stops the stream.
    enum class Hook {
        Pause,
        Stop,
        StopThenPlay
    };
    for (const bool async : {false, true}) {
        for (const Hook hook : {Hook::Pause, Hook::Stop, Hook::StopThenPlay}) {
            for (const bool throws : {false, true}) {
                if (hook == Hook::StopThenPlay && !async)
                    continue;
                SCOPED_TRACE(std::string(async ? "asynchronous, " : "host-driven, ") +
                             (hook == Hook::Pause  ? "onPause "
                              : hook == Hook::Stop ? "onStop "
                                                   : "onStop, then Play, ") +
                             (throws ? "throws" : "refuses"));
                EitherGraph either(async);
                TestGraph& chain = *either.chain();
                auto source = chain.make<TestSource>(1000);
                auto target = chain.make<TestTarget>();
                ASSERT_EQ(chain.graph->SetPlaybackMode(PlaybackMode::ForwardLoop, true), ActionResult::Success);
                ASSERT_EQ(chain.graph->Play(), ActionResult::Success);
                ASSERT_TRUE(DeliverUntil(chain, async, *target, 2));
                const std::shared_ptr<ScriptedStream> stream = source->stream();
                stream->throws = throws;
                (hook == Hook::Pause ? stream->pauseRefusals : stream->stopRefusals) = 1;
                const auto call = [&] { return hook == Hook::Pause ? chain.graph->Pause() : chain.graph->Stop(); };
                if (throws) {
                    EXPECT_THROW(call(), std::runtime_error);
                } else {
                    EXPECT_EQ(call(), ActionResult::Failure);
                }
                if (hook == Hook::Pause) {
                    EXPECT_TRUE(chain.graph->IsPlaying());
                    EXPECT_EQ(source->GetFilterState(), Filter::FilterState::Playing);
                    EXPECT_EQ(target->GetFilterState(), Filter::FilterState::Playing);
                    EXPECT_EQ(stream->GetPlayState(), Stream::PlayState::Playing);
                    if (chain.graph->IsPlaying()) {
                        EXPECT_TRUE(DeliverUntil(chain, async, *target, target->frames().size() + 3)) << chain.error();
                    }
                    EXPECT_EQ(Names(either.log().states()), Names({State::Playing}));
                    EXPECT_EQ(chain.graph->Stop(), ActionResult::Success);
                    continue;
                }
                EXPECT_EQ(chain.graph->IsStopped(), async);
                if (hook == Hook::StopThenPlay) {
                    EXPECT_EQ(chain.graph->Play(), ActionResult::Success) << chain.error();
                    EXPECT_EQ(chain.graph->Stop(), ActionResult::Success) << chain.error();
                    EXPECT_EQ(stream->hooks,
                              (std::vector<std::string>{"play(first)", "stop", "stop", "play(first)", "stop"}));
                    continue;
                }
                EXPECT_EQ(chain.graph->Stop(), ActionResult::Success) << chain.error();
                EXPECT_EQ(std::count(stream->hooks.begin(), stream->hooks.end(), "stop"), 2);
                EXPECT_EQ(stream->GetPlayState(), Stream::PlayState::Stopped);
                EXPECT_EQ(source->GetFilterState(), Filter::FilterState::Connected);
                EXPECT_TRUE(chain.graph->IsStopped());
            }
        }
    }
}

TEST(SourceStreams, AMultiStreamStepThatFailsPartWayHandlesEveryStream)
{
    // One of three streams refuses (or throws in) a step once, on either kind of graph:
    // - Pause: the graph's Pause fails, the streams it paused play again, the graph plays on;
    // - Stop: every other stream stops all the same; the failing stream and the source filter
    //   stay playing, and the graph's next Stop stops them;
    // - Play: the streams started before it go back to where they were; the next Play plays;
    // - Update (a host-driven graph; the source updated directly): the frame's atoms are let
    //   go and nothing is pushed; the next update asks for the same frame.
    enum class Step {
        Pause,
        Stop,
        Play,
        Update
    };
    using Play = Stream::PlayState;
    for (const bool async : {false, true}) {
        for (const Step step : {Step::Pause, Step::Stop, Step::Play, Step::Update}) {
            for (int failing = 0; failing < 3; ++failing) {
                for (const bool throws : {false, true}) {
                    if (step == Step::Update && async)
                        continue;
                    SCOPED_TRACE(std::string(async ? "asynchronous, " : "host-driven, ") +
                                 (step == Step::Pause  ? "pause"
                                  : step == Step::Stop ? "stop"
                                  : step == Step::Play ? "play"
                                                       : "update") +
                                 " of stream " + std::to_string(failing) + (throws ? " throws" : " refuses"));
                    [&] { // a row that fails leaves the others to run
                        EitherGraph either(async);
                        TestGraph& chain = *either.chain();
                        auto source = std::make_shared<TestMultiSource>(std::vector<unsigned>{1000, 1000, 1000});
                        source->afterInitialize = [=](TestMultiSource& s) {
                            ScriptedStream& stream = *s.stream(failing);
                            stream.throws = throws;
                            switch (step) {
                            case Step::Pause: stream.pauseRefusals = 1; break;
                            case Step::Stop: stream.stopRefusals = 1; break;
                            case Step::Play: stream.playResult = HyxErrorCode::FilterError; break;
                            case Step::Update: stream.failFrame = 1; break;
                            }
                        };
                        chain.add(source);
                        auto target = chain.make<TestTarget>();
                        Graph& graph = *chain.graph;
                        ASSERT_EQ(graph.SetPlaybackMode(PlaybackMode::ForwardLoop, true), ActionResult::Success);
                        const auto fails = [throws](const std::function<ActionResult()>& call) {
                            if (throws) {
                                EXPECT_THROW(call(), std::runtime_error);
                            } else {
                                EXPECT_EQ(call(), ActionResult::Failure);
                            }
                        };
                        const auto states = [&] {
                            std::vector<Play> result;
                            for (int i = 0; i < 3; ++i)
                                result.push_back(source->stream(i)->GetPlayState());
                            return result;
                        };
                        if (step == Step::Play) {
                            fails([&] { return graph.Play(); });
                            for (int i = 0; i < 3; ++i)
                                EXPECT_NE(source->stream(i)->GetPlayState(), Play::Playing) << i;
                            EXPECT_EQ(source->GetFilterState(), Filter::FilterState::Connected);
                            source->stream(failing)->playResult = HyxErrorCode::Success;
                        }
                        ASSERT_EQ(graph.Play(), ActionResult::Success) << chain.error();
                        ASSERT_TRUE(DeliverUntil(chain, async, *target, 3)) << chain.error();
                        switch (step) {
                        case Step::Play: break;
                        case Step::Pause:
                            fails([&] { return graph.Pause(); });
                            EXPECT_TRUE(graph.IsPlaying());
                            EXPECT_EQ(states(), std::vector<Play>(3, Play::Playing));
                            EXPECT_TRUE(DeliverUntil(chain, async, *target, target->seen().size() + 3))
                                << chain.error();
                            break;
                        case Step::Stop: {
                            fails([&] { return graph.Stop(); });
                            std::vector<Play> expected(3, Play::Stopped);
                            expected[static_cast<size_t>(failing)] = Play::Playing;
                            EXPECT_EQ(states(), expected);
                            EXPECT_EQ(source->GetFilterState(), Filter::FilterState::Playing);
                            EXPECT_EQ(graph.IsStopped(), async);
                            break;
                        }
                        case Step::Update:
                            if (throws) {
                                EXPECT_THROW(source->Update(), std::runtime_error);
                            } else {
                                EXPECT_EQ(source->Update(), HyxErrorCode::FilterError);
                            }
                            for (int i = 0; i < failing; ++i)
                                EXPECT_TRUE(source->stream(i)->made.expired()) << i;
                            EXPECT_EQ(target->seen().size(), 3u);
                            source->stream(failing)->failFrame = ~0u;
                            ASSERT_TRUE(chain.update(1)) << chain.error();
                            EXPECT_EQ(target->frames(), (Frames{0, 0, 0, 1, 1, 1}));
                            break;
                        }
                        EXPECT_EQ(graph.Stop(), ActionResult::Success) << chain.error();
                        EXPECT_EQ(states(), std::vector<Play>(3, Play::Stopped));
                        EXPECT_EQ(source->GetFilterState(), Filter::FilterState::Connected);
                        EXPECT_TRUE(graph.IsStopped());
                    }();
                }
            }
        }
    }
}

TEST(FrameOrderAuto, WalksOfEveryMode)
{
    struct Case {
        int mode;
        uint32_t first, range;
        int updates;
        Frames32 frames;
    };
    const Case cases[] = {
        {0, 0, 3, 10, {0, 1, 2}},
        {1, 0, 3, 7, {0, 1, 2, 0, 1, 2, 0}},
        {2, 0, 3, 10, {2, 1, 0}},
        {3, 0, 3, 7, {2, 1, 0, 2, 1, 0, 2}},
        {4, 0, 3, 8, {0, 1, 2, 1, 0, 1, 2, 1}},
        {5, 0, 3, 8, {2, 1, 0, 1, 2, 1, 0, 1}},
        {255, 0, 4294967295u, 5, {0, 1, 2, 3, 4}},
        {0, 10, 3, 10, {10, 11, 12}}, // an offset range walks its own numbers
        {2, 10, 3, 10, {12, 11, 10}},
        {7, 0, 3, 3, {0, 0, 0}}, // an unknown mode stands on one frame
    };
    ASSERT_EQ(static_cast<int>(PlaybackMode::Realtime), 255);
    for (const Case& c : cases) {
        FrameOrderAuto order(c.first, c.range);
        order.SetPlaybackMode(static_cast<PlaybackMode>(c.mode), true);
        EXPECT_EQ(walk(order, c.updates), c.frames) << c.mode << ' ' << c.first;
    }
    // An empty range has no frame in any mode.
    for (int mode : {0, 1, 2, 3, 4, 5, 255}) {
        FrameOrderAuto order(0, 0);
        order.SetPlaybackMode(static_cast<PlaybackMode>(mode), true);
        EXPECT_FALSE(order.HasNextFrameID()) << mode;
        EXPECT_FALSE(order.HasCurrentFrameID()) << mode;
        EXPECT_TRUE(order.IsDone()) << mode;
        order.AdvanceFrameID();
        order.JumpToFrameID(3);
        EXPECT_FALSE(order.HasNextFrameID()) << mode;
        EXPECT_EQ(order.GetProgress(), 0.0f) << mode;
    }
}

TEST(FrameOrderAuto, EveryModeAfterAFinishedOnceWalkOrRealtimeStaysInItsRange)
{
    // A once-walk is walked to its end, or Realtime hands out some frames (past the range or
    // not), then the mode is switched without a reset: loop modes wrap (after Realtime as if
    // it had looped), once modes step on from where the walk stands (Realtime past the range
    // stands on the last frame), pingpong modes turn; no id ever leaves the range. Both ways
    // a source asks (the single queries and TakeFrame) agree.
    using M = PlaybackMode;
    struct Before {
        M mode;
        int frames; // handed out before the switch; a once-walk goes to its end
    };
    const Before befores[] = {{M::ForwardOnce, 20}, {M::BackwardOnce, 20}, {M::Realtime, 3},
                              {M::Realtime, 5},     {M::Realtime, 8},      {M::Realtime, 11}};
    const struct {
        M before;
        int frames;
        M next;
        Frames32 start; // the first ids, counted from the range's first; the whole walk for once modes
    } known[] = {
        {M::ForwardOnce, 20, M::ForwardLoop, {0, 1, 2, 3, 4, 0, 1}},
        {M::BackwardOnce, 20, M::BackwardLoop, {4, 3, 2, 1, 0, 4, 3}},
        {M::BackwardOnce, 20, M::ForwardOnce, {1, 2, 3, 4}},
        {M::ForwardOnce, 20, M::BackwardOnce, {3, 2, 1, 0}},
        {M::ForwardOnce, 20, M::ForwardOnce, {}},
        {M::BackwardOnce, 20, M::BackwardOnce, {}},
        {M::ForwardOnce, 20, M::Pingpong, {3, 2, 1, 0, 1}},
        {M::ForwardOnce, 20, M::PingpongInverse, {3, 2, 1, 0, 1}},
        {M::BackwardOnce, 20, M::Pingpong, {1, 2, 3, 4, 3}},
        {M::BackwardOnce, 20, M::PingpongInverse, {1, 2, 3, 4, 3}},
        // Realtime inside the range: its next frame comes, then the new mode's steps.
        {M::Realtime, 3, M::ForwardLoop, {3, 4, 0, 1}},
        {M::Realtime, 3, M::BackwardLoop, {3, 2, 1, 0, 4}},
        {M::Realtime, 3, M::ForwardOnce, {3, 4}},
        {M::Realtime, 3, M::BackwardOnce, {3, 2, 1, 0}},
        {M::Realtime, 3, M::Pingpong, {3, 4, 3, 2, 1, 0, 1}},
        {M::Realtime, 3, M::PingpongInverse, {3, 4, 3, 2, 1, 0, 1}},
        // Realtime up to the last frame: as after a finished forward walk.
        {M::Realtime, 5, M::ForwardLoop, {0, 1, 2, 3, 4, 0}},
        {M::Realtime, 5, M::BackwardLoop, {3, 2, 1, 0, 4}},
        {M::Realtime, 5, M::ForwardOnce, {}},
        {M::Realtime, 5, M::BackwardOnce, {3, 2, 1, 0}},
        {M::Realtime, 5, M::Pingpong, {3, 2, 1, 0, 1}},
        // Realtime past the range (0..7, then 0..10): loops go on as if it had looped, the
        // others from the last frame.
        {M::Realtime, 8, M::ForwardLoop, {3, 4, 0, 1, 2, 3}},
        {M::Realtime, 8, M::BackwardLoop, {1, 0, 4, 3, 2}},
        {M::Realtime, 8, M::ForwardOnce, {}},
        {M::Realtime, 8, M::BackwardOnce, {3, 2, 1, 0}},
        {M::Realtime, 8, M::Pingpong, {3, 2, 1, 0, 1, 2}},
        {M::Realtime, 8, M::PingpongInverse, {3, 2, 1, 0, 1, 2}},
        {M::Realtime, 11, M::ForwardLoop, {1, 2, 3, 4, 0}},
        {M::Realtime, 11, M::BackwardLoop, {4, 3, 2, 1, 0, 4}},
        {M::Realtime, 11, M::BackwardOnce, {3, 2, 1, 0}},
    };
    for (const uint32_t first : {0u, 10u}) {
        for (const Before& before : befores) {
            for (const M next :
                 {M::ForwardOnce, M::ForwardLoop, M::BackwardOnce, M::BackwardLoop, M::Pingpong, M::PingpongInverse}) {
                SCOPED_TRACE(std::to_string(first) + ": " + std::to_string(static_cast<int>(before.mode)) + " for " +
                             std::to_string(before.frames) + ", then " + std::to_string(static_cast<int>(next)));
                [&] { // a row that fails leaves the others to run
                    const auto inRange = [&](uint32_t frame) { return frame >= first && frame < first + 5; };
                    FrameOrderAuto asked(first, 5), taken(first, 5), jumped(first, 5);
                    Frames32 byTake;
                    for (FrameOrderAuto* order : {&asked, &taken, &jumped}) {
                        order->SetPlaybackMode(before.mode, true);
                        ASSERT_EQ(walk(*order, before.frames).size(),
                                  before.mode == M::Realtime ? static_cast<size_t>(before.frames) : 5u);
                        order->SetPlaybackMode(next, false);
                    }
                    // What the order reports before it moves on stays in the range too.
                    EXPECT_TRUE(inRange(asked.GetFrameID())) << asked.GetFrameID();
                    const float progress = asked.GetProgress();
                    EXPECT_TRUE(progress >= 0.0f && progress <= 1.0f) << progress;
                    EXPECT_EQ(asked.IsDone(), !asked.HasNextFrameID());
                    const Frames32 frames = walk(asked, 20);
                    for (int i = 0; i < 20; ++i) {
                        const FrameTake take = taken.TakeFrame(true, false);
                        if (take.outcome != FrameTake::Outcome::Frame)
                            break;
                        EXPECT_TRUE(take.progress >= 0.0f && take.progress <= 1.0f) << take.progress;
                        byTake.push_back(take.frame);
                    }
                    EXPECT_EQ(byTake, frames);
                    EXPECT_TRUE(std::all_of(frames.begin(), frames.end(), inRange)) << testing::PrintToString(frames);
                    // A jump past the range lands on its last frame.
                    jumped.JumpToFrameID(first + 100);
                    jumped.AdvanceFrameID();
                    EXPECT_EQ(jumped.GetFrameID(), first + 4);
                    for (const auto& k : known) {
                        if (k.before != before.mode || k.frames != before.frames || k.next != next)
                            continue;
                        Frames32 expected;
                        for (const uint32_t frame : k.start)
                            expected.push_back(first + frame);
                        const bool once = next == M::ForwardOnce || next == M::BackwardOnce;
                        EXPECT_EQ(once ? frames
                                       : Frames32(frames.begin(),
                                                  frames.begin() +
                                                      static_cast<long>(std::min(frames.size(), expected.size()))),
                                  expected);
                        if (once && expected.empty()) {
                            EXPECT_TRUE(asked.IsDone());
                            EXPECT_EQ(asked.GetProgress(), next == M::ForwardOnce ? 1.0f : 0.0f);
                        }
                    }
                }();
            }
        }
    }
}

TEST(FrameOrderAuto, EitherGraphAfterAFinishedOnceWalkOrRealtimeStaysInTheStream)
{
    // Over 10 frames (or one), on either kind of graph: ForwardOnce to the end and Stop, or
    // Realtime until the target pauses the graph at frame 5 (inside the stream) or 13 (past
    // it); then a mode change without a reset, and Play. Every id after the change is one of
    // the stream's, in the walk of the new mode (from where Realtime stands: past the stream,
    // a loop goes on as if it had looped, any other mode from the last frame); a once walk
    // ends by itself.
    using M = PlaybackMode;
    const struct {
        unsigned numFrames;
        unsigned pauseAt; // 0: ForwardOnce to the end, then Stop
        M next;
        Frames start; // the first ids after the change; the whole walk for once modes
    } rows[] = {
        {10, 0, M::ForwardLoop, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1}},
        {10, 5, M::ForwardLoop, {6, 7, 8, 9, 0, 1}},
        {10, 5, M::BackwardLoop, {6, 5, 4, 3, 2, 1, 0, 9, 8}},
        {10, 5, M::ForwardOnce, {6, 7, 8, 9}},
        {10, 5, M::BackwardOnce, {6, 5, 4, 3, 2, 1, 0}},
        {10, 5, M::Pingpong, {6, 7, 8, 9, 8, 7}},
        {10, 5, M::PingpongInverse, {6, 7, 8, 9, 8, 7}},
        {10, 13, M::ForwardLoop, {4, 5, 6, 7, 8, 9, 0, 1}},
        {10, 13, M::BackwardLoop, {2, 1, 0, 9, 8}},
        {10, 13, M::ForwardOnce, {}},
        {10, 13, M::BackwardOnce, {8, 7, 6, 5, 4, 3, 2, 1, 0}},
        {10, 13, M::Pingpong, {8, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2}},
        {10, 13, M::PingpongInverse, {8, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2}},
        // One frame: Realtime past it, once walks are done, the others stand on it.
        {1, 2, M::ForwardOnce, {}},
        {1, 2, M::BackwardOnce, {}},
        {1, 2, M::ForwardLoop, {0, 0, 0}},
        {1, 2, M::Pingpong, {0, 0, 0}},
    };
    for (const bool async : {false, true}) {
        for (const auto& row : rows) {
            SCOPED_TRACE(std::string(async ? "asynchronous, " : "host-driven, ") + std::to_string(row.numFrames) +
                         " frames, " + (row.pauseAt ? "Realtime to " + std::to_string(row.pauseAt) : "ForwardOnce") +
                         ", then " + std::to_string(static_cast<int>(row.next)));
            [&] { // a row that fails leaves the others to run
                EitherGraph either(async);
                TestGraph& chain = *either.chain();
                chain.make<TestSource>(row.numFrames);
                auto target = chain.make<TestTarget>();
                std::atomic<unsigned> pauseAt{row.pauseAt ? row.pauseAt : ~0u};
                Graph* const graph = chain.graph.get();
                target->process = [&pauseAt, graph](TestTarget&, const Atom& atom) {
                    unsigned frame = atom.GetFrameNr();
                    if (pauseAt.compare_exchange_strong(frame, ~0u)) {
                        EXPECT_EQ(graph->Pause(), ActionResult::Success);
                    }
                    return HyxErrorCode::Success;
                };
                ASSERT_EQ(graph->SetPlaybackMode(row.pauseAt ? M::Realtime : M::ForwardOnce, true),
                          ActionResult::Success);
                ASSERT_EQ(graph->Play(), ActionResult::Success);
                if (row.pauseAt) {
                    if (async) {
                        ASSERT_TRUE(either.log().waitFor(State::Paused));
                    } else {
                        ASSERT_TRUE(DeliverUntil(chain, false, *target, row.pauseAt + 1));
                    }
                    ASSERT_TRUE(graph->IsPaused());
                    ASSERT_EQ(graph->GetFrameOrderProvider()->GetFrameID(), row.pauseAt);
                } else {
                    if (async) {
                        ASSERT_TRUE(either.log().waitFor(State::Stopped));
                    } else {
                        ASSERT_TRUE(chain.runToEnd());
                    }
                    ASSERT_EQ(graph->Stop(), ActionResult::Success);
                }
                const size_t before = target->frames().size();
                ASSERT_EQ(target->frames(), Range(static_cast<unsigned>(before)));
                ASSERT_EQ(graph->SetPlaybackMode(row.next, false), ActionResult::Success) << chain.error();
                ASSERT_EQ(graph->Play(), ActionResult::Success) << chain.error();
                const bool once = row.next == M::ForwardOnce || row.next == M::BackwardOnce;
                if (once && async) {
                    ASSERT_TRUE(either.log().waitFor(State::Stopped));
                } else if (once) {
                    ASSERT_TRUE(chain.runToEnd());
                } else {
                    ASSERT_TRUE(DeliverUntil(chain, async, *target, before + row.start.size())) << chain.error();
                }
                EXPECT_EQ(graph->Stop(), ActionResult::Success);
                const Frames all = target->frames();
                const Frames after(all.begin() + static_cast<long>(before), all.end());
                EXPECT_TRUE(std::all_of(after.begin(), after.end(), [&](unsigned frame) {
                    return frame < row.numFrames;
                })) << testing::PrintToString(after);
                EXPECT_EQ(once ? after : Frames(after.begin(), after.begin() + static_cast<long>(row.start.size())),
                          row.start);
            }();
        }
    }
}

// Frames are compared as plain unsigned values: a range ending at 0xFFFFFFFF walks, one that
// crosses it does not.
TEST(FrameOrderAuto, RangesUpToTheLastNumberWalkAndCrossingOnesDoNot)
{
    struct Case {
        int mode;
        uint32_t first, range;
        int updates;
        Frames32 frames;
    };
    const Case cases[] = {
        {0, 0xFFFFFFFDu, 3, 10, {0xFFFFFFFDu, 0xFFFFFFFEu, 0xFFFFFFFFu}},
        {2, 0xFFFFFFFDu, 3, 10, {0xFFFFFFFFu, 0xFFFFFFFEu, 0xFFFFFFFDu}},
        {4, 0xFFFFFFFDu, 3, 6, {0xFFFFFFFDu, 0xFFFFFFFEu, 0xFFFFFFFFu, 0xFFFFFFFEu, 0xFFFFFFFDu, 0xFFFFFFFEu}},
        // 0xFFFFFFFE, 0xFFFFFFFF, 0, 1: no frame once, back and forth over the crossing in pingpong.
        {0, 0xFFFFFFFEu, 4, 10, {}},
        {2, 0xFFFFFFFEu, 4, 10, {}},
        {4, 0xFFFFFFFEu, 4, 6, {0xFFFFFFFEu, 0xFFFFFFFFu, 0u, 0xFFFFFFFFu, 0u, 0xFFFFFFFFu}},
        {5, 0xFFFFFFFEu, 4, 6, {1u, 0u, 0xFFFFFFFFu, 0u, 0xFFFFFFFFu, 0u}},
        {1, 0xFFFFFFFEu, 4, 6, {0xFFFFFFFEu, 0xFFFFFFFFu, 0u, 1u, 0xFFFFFFFEu, 0xFFFFFFFFu}},
    };
    for (const Case& c : cases) {
        FrameOrderAuto order(c.first, c.range);
        order.SetPlaybackMode(static_cast<PlaybackMode>(c.mode), true);
        EXPECT_EQ(walk(order, c.updates), c.frames) << c.mode << ' ' << c.first;
    }
    // A jump to a frame of the crossing range lands on its first or its last frame.
    const struct {
        uint32_t target, landing;
    } jumps[] = {{0u, 0xFFFFFFFEu}, {1u, 0xFFFFFFFEu}, {0xFFFFFFFFu, 1u}, {0xFFFFFFFEu, 1u}};
    for (const auto& jump : jumps) {
        FrameOrderAuto order(0xFFFFFFFEu, 4);
        order.SetPlaybackMode(PlaybackMode::ForwardLoop, true);
        order.AdvanceFrameID();
        order.JumpToFrameID(jump.target);
        order.AdvanceFrameID();
        EXPECT_EQ(order.GetFrameID(), jump.landing) << jump.target;
    }
}

TEST(FrameOrderAuto, JumpsClampAndTakeEffectAtTheNextAdvance)
{
    FrameOrderAuto order(10, 10); // 10..19
    ResetCounter listener;
    order.SetFrameOrderResetListener(&listener);
    order.SetPlaybackMode(PlaybackMode::ForwardOnce, true);
    EXPECT_EQ(listener.count, 1);
    order.AdvanceFrameID();
    order.JumpToFrameID(100);
    EXPECT_EQ(listener.count, 2);
    EXPECT_EQ(order.GetFrameID(), 10u); // current unchanged until the advance
    order.AdvanceFrameID();
    EXPECT_EQ(order.GetFrameID(), 19u);
    EXPECT_FALSE(order.HasNextFrameID());
    // After the end, a jump does not revive the walk: the test looks at the current frame.
    order.JumpToFrameID(12);
    EXPECT_FALSE(order.HasNextFrameID());
    order.JumpToFrameID(0);
    order.AdvanceFrameID();
    EXPECT_EQ(order.GetFrameID(), 10u);
    order.SetFrameOrderResetListener(nullptr);
}

// A "once" walk's end is read from the current frame alone: after the end a jump changes
// nothing a source looks at, while a direct advance moves onto the jumped frame and the walk
// goes on from there to its end.
TEST(FrameOrderAuto, AfterTheEndOfAOnceWalkOnlyTheCurrentFrameDecides)
{
    struct Case {
        const char* name;
        PlaybackMode mode;
        uint32_t first, range;
        Frames32 played; // the walk to its end
        uint32_t jump;
        Frames32 afterAdvance; // the direct advance, then the walk to its end
    };
    const Case cases[] = {
        {"forward 10..14, jump 12", PlaybackMode::ForwardOnce, 10, 5, {10, 11, 12, 13, 14}, 12, {12, 13, 14}},
        {"backward 10..14, jump 12", PlaybackMode::BackwardOnce, 10, 5, {14, 13, 12, 11, 10}, 12, {12, 11, 10}},
        {"forward, jump onto the last", PlaybackMode::ForwardOnce, 10, 5, {10, 11, 12, 13, 14}, 14, {14}},
        {"backward, jump onto the first", PlaybackMode::BackwardOnce, 10, 5, {14, 13, 12, 11, 10}, 10, {10}},
        {"forward, jump clamped below",
         PlaybackMode::ForwardOnce,
         10,
         5,
         {10, 11, 12, 13, 14},
         0,
         {10, 11, 12, 13, 14}},
        {"backward, jump clamped above",
         PlaybackMode::BackwardOnce,
         10,
         5,
         {14, 13, 12, 11, 10},
         99,
         {14, 13, 12, 11, 10}},
        // One frame: the jump is ignored and the end stays until a reset.
        {"forward, one frame", PlaybackMode::ForwardOnce, 10, 1, {10}, 10, {10}},
        {"backward, one frame", PlaybackMode::BackwardOnce, 10, 1, {10}, 10, {10}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FrameOrderAuto order(c.first, c.range);
        ResetCounter listener;
        order.SetFrameOrderResetListener(&listener);
        order.SetPlaybackMode(c.mode, true);
        EXPECT_EQ(walk(order, 20), c.played);
        ASSERT_FALSE(order.HasNextFrameID());
        EXPECT_TRUE(order.IsDone());

        const int told = listener.count;
        order.JumpToFrameID(c.jump);
        EXPECT_EQ(listener.count, told + (c.range > 1 ? 1 : 0));
        EXPECT_FALSE(order.HasNextFrameID()); // the current frame is still the last
        EXPECT_EQ(order.GetFrameID(), c.played.back());

        // The host's own advance, then on as a source would go.
        order.AdvanceFrameID();
        Frames32 frames{order.GetFrameID()};
        const Frames32 rest = walk(order, 20);
        frames.insert(frames.end(), rest.begin(), rest.end());
        EXPECT_EQ(frames, c.afterAdvance);
        EXPECT_FALSE(order.HasNextFrameID());

        // Reset starts the walk again.
        order.Reset();
        EXPECT_EQ(walk(order, 20), c.played);
        order.SetFrameOrderResetListener(nullptr);
    }
}

TEST(FrameOrderAuto, ASeekAfterTheEndOfAOnceWalkNeedsAResetFirst)
{
    // Forward and backward once over 6 frames, played to the end; then a jump to 2, alone and
    // after a Reset. Alone it plays nothing, though a direct advance would move.
    const struct {
        PlaybackMode mode;
        Frames afterReset;
    } cases[] = {{PlaybackMode::ForwardOnce, {2, 3, 4, 5}}, {PlaybackMode::BackwardOnce, {2, 1, 0}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.mode));
        SourceChain chain(6, c.mode);
        chain.play();
        ASSERT_TRUE(chain.runToEnd());
        const std::shared_ptr<FrameOrderProvider> order = chain.graph->GetFrameOrderProvider();
        ASSERT_FALSE(order->HasNextFrameID());

        order->JumpToFrameID(2);
        EXPECT_FALSE(order->HasNextFrameID()); // an advance would yield frame 2, yet the walk has ended
        ASSERT_TRUE(chain.update(5));
        EXPECT_EQ(chain.target->frames().size(), 6u); // nothing more
        EXPECT_TRUE(chain.graph->IsDone());

        order->Reset();
        order->JumpToFrameID(2);
        EXPECT_TRUE(order->HasNextFrameID());
        ASSERT_TRUE(chain.runToEnd());
        const Frames frames = chain.target->frames();
        EXPECT_EQ(Frames(frames.begin() + 6, frames.end()), c.afterReset);

        // The direct advance moves onto a jump made after the end.
        order->JumpToFrameID(4);
        order->AdvanceFrameID();
        EXPECT_EQ(order->GetFrameID(), 4u);
        chain.graph->Stop();
    }
}

TEST(FrameOrderThreads, AnAsyncGraphsPlayAfterTheEndRestartsTheWalkAndDropsAnEarlierJump)
{
    AsyncTestGraph chain;
    auto target = std::make_shared<TestTarget>();
    chain.make<TestSource>(6);
    chain.add(target);
    ASSERT_EQ(chain.async->SetPlaybackMode(PlaybackMode::ForwardOnce, MutateBlockFPS::FPS_MAX), ActionResult::Success);
    ASSERT_EQ(chain.async->Play(), ActionResult::Success);
    ASSERT_TRUE(chain.log.waitFor(State::Stopped));
    chain.async->GetFrameOrderProvider()->JumpToFrameID(4);
    ASSERT_EQ(chain.async->Play(), ActionResult::Success);
    ASSERT_TRUE(chain.log.waitFor(State::Stopped, 2));
    const Frames frames = target->frames();
    EXPECT_EQ(Frames(frames.begin() + 6, frames.end()), Range(6));
}

TEST(FrameOrderManual, EachQueuedFrameOnceAndNothingWhenEmpty)
{
    FrameOrderManual order;
    EXPECT_FALSE(order.HasNextFrameID());
    EXPECT_TRUE(order.IsDone());
    EXPECT_FALSE(order.HasCurrentFrameID());
    EXPECT_EQ(order.GetFrameID(), 0u);
    order.PushBackNextFrameID(7);
    order.PushBackNextFrameID(3);
    EXPECT_EQ(walk(order, 10), (Frames32{7, 3}));
    // The last frame handed out stays current, but is not handed out again.
    EXPECT_FALSE(order.HasNextFrameID());
    EXPECT_TRUE(order.HasCurrentFrameID());
    order.AdvanceFrameID();
    EXPECT_EQ(order.GetFrameID(), 3u);

    ResetCounter listener;
    order.SetFrameOrderResetListener(&listener);
    order.PushBackNextFrameID(1);
    order.JumpToFrameID(42);
    EXPECT_EQ(listener.count, 1);
    EXPECT_FALSE(order.HasCurrentFrameID());
    EXPECT_EQ(walk(order, 10), (Frames32{42}));
    order.PushBackNextFrameID(5);
    order.Reset();
    EXPECT_EQ(listener.count, 2);
    EXPECT_FALSE(order.HasNextFrameID());
    EXPECT_FALSE(order.HasCurrentFrameID());
    order.SetFrameOrderResetListener(nullptr);
}

TEST(FrameOrderConcurrency, HostJumpsWhileTheGraphAdvances)
{
    FrameOrderAuto order(0, 100);
    order.SetPlaybackMode(PlaybackMode::ForwardLoop, true);
    ResetCounter listener;
    order.SetFrameOrderResetListener(&listener);
    std::atomic<bool> stop{false};
    std::thread host([&] {
        for (uint32_t i = 0; i < 2000; ++i) {
            order.JumpToFrameID(i % 150);
            if (i % 100 == 0)
                order.Reset();
        }
        stop = true;
    });
    for (uint32_t steps = 0; !stop || steps < 100; ++steps) {
        ASSERT_TRUE(order.HasNextFrameID());
        order.AdvanceFrameID();
        EXPECT_LT(order.GetFrameID(), 100u);
    }
    host.join();
    EXPECT_EQ(listener.count, 2000 + 20);
    order.SetFrameOrderResetListener(nullptr);
}

TEST(FrameOrderConcurrency, HostPushesWhileTheGraphTakes)
{
    FrameOrderManual order;
    std::thread host([&] {
        for (uint32_t i = 1; i <= 5000; ++i)
            order.PushBackNextFrameID(i);
    });
    Frames32 taken, expected;
    while (taken.size() < 5000) {
        if (!order.HasNextFrameID()) {
            std::this_thread::yield();
            continue;
        }
        order.AdvanceFrameID();
        taken.push_back(order.GetFrameID());
        expected.push_back(static_cast<uint32_t>(taken.size()));
    }
    host.join();
    EXPECT_EQ(taken, expected);
}
