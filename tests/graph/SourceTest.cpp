#include "GraphFixtures.h"

#include <CapturedLog.h>

#include <Hyx/Connection.h>
#include <Hyx/FrameOrderProvider.h>

#include <gtest/gtest.h>

using namespace GraphFixtures;
using Hyx::ActionResult;
using Hyx::FrameOrderAuto;
using Hyx::FrameOrderManual;
using Hyx::PlaybackMode;
using Hyx::Stream;

namespace {

using Frames = std::vector<unsigned>;

// Source (numFrames) -> target, playing in `mode`.
struct SourceChain : TestGraph {
    explicit SourceChain(unsigned numFrames, PlaybackMode mode = PlaybackMode::ForwardOnce,
                         std::function<void(ScriptedStream&)> setUpStream = {})
    {
        source = std::make_shared<TestSource>(numFrames);
        source->setUpStream = std::move(setUpStream);
        add(source);
        target = make<TestTarget>();
        EXPECT_EQ(graph->SetPlaybackMode(mode, true), ActionResult::Success) << graph->GetLastError(false).CStr();
    }
    void play() { ASSERT_EQ(graph->Play(), ActionResult::Success) << graph->GetLastError(false).CStr(); }

    std::shared_ptr<TestSource> source;
    std::shared_ptr<TestTarget> target;
};

} // namespace

TEST(SourceUpdate, HeldBackFrameIsAskedForAgain)
{
    SourceChain chain(6, PlaybackMode::ForwardOnce, [](ScriptedStream& s) { s.holdBack = {2, 2}; });
    chain.play();

    ASSERT_TRUE(chain.update(2));
    const float progress = chain.source->GetProgress();
    EXPECT_FLOAT_EQ(progress, 2.0f / 6.0f);
    // Frame 2 is held back twice: the source reports no data and does not advance.
    EXPECT_EQ(chain.source->Update(), Hyx::HyxErrorCode::NoDataAvailable);
    EXPECT_EQ(chain.source->Update(), Hyx::HyxErrorCode::NoDataAvailable);
    EXPECT_FLOAT_EQ(chain.source->GetProgress(), progress);
    EXPECT_TRUE(chain.runToEnd());
    EXPECT_EQ(chain.target->frames(), Range(6));
    EXPECT_EQ(chain.source->stream()->asked, (Frames{0, 1, 2, 2, 2, 3, 4, 5}));
}

TEST(SourceUpdate, LastFrameHeldBackIsStillEmitted)
{
    for (PlaybackMode mode : {PlaybackMode::ForwardOnce, PlaybackMode::BackwardOnce}) {
        TestGraph chain;
        auto source = std::make_shared<TestSource>(5);
        source->setUpStream = [mode](ScriptedStream& s) { s.holdBack = {mode == PlaybackMode::ForwardOnce ? 4u : 0u}; };
        chain.add(source);
        auto target = chain.make<TestTarget>();
        ASSERT_EQ(chain.graph->Play(mode), ActionResult::Success);
        ASSERT_TRUE(chain.update(5));
        // Four frames are out; the fifth was held back, so the graph is not done.
        EXPECT_EQ(target->frames().size(), 4u);
        EXPECT_FALSE(chain.graph->IsDone());
        EXPECT_TRUE(chain.runToEnd());
        EXPECT_EQ(target->frames().size(), 5u);
        EXPECT_EQ(target->frames().back(), mode == PlaybackMode::ForwardOnce ? 4u : 0u);
        chain.graph->Stop();
    }
}

TEST(SourceUpdate, PauseAndPlayBetweenUpdates)
{
    SourceChain chain(10);
    chain.play();
    ASSERT_TRUE(chain.update(2));
    ASSERT_EQ(chain.graph->Pause(), ActionResult::Success);
    chain.play();
    ASSERT_TRUE(chain.update(1));
    EXPECT_EQ(chain.target->frames(), (Frames{0, 1, 2}));

    // A frame held back when the graph pauses is skipped on resume: play asks for a new one.
    chain.source->stream()->holdBack = {3};
    ASSERT_TRUE(chain.update(1));
    ASSERT_EQ(chain.graph->Pause(), ActionResult::Success);
    chain.play();
    ASSERT_TRUE(chain.update(1));
    EXPECT_EQ(chain.target->frames(), (Frames{0, 1, 2, 4}));
    EXPECT_EQ(chain.source->stream()->hooks,
              (std::vector<std::string>{"play(first)", "pause", "play(resume)", "pause", "play(resume)"}));
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

TEST(SourceUpdate, FullOutputQueueFailsTheUpdate)
{
    SourceChain chain(2000, PlaybackMode::ForwardLoop);
    chain.play();
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(chain.source->Update(), Hyx::HyxErrorCode::Success);
    EXPECT_EQ(chain.source->Update(), Hyx::HyxErrorCode::FilterError);
    const std::string sourceText = chain.source->GetLastError(false).StdString();
    EXPECT_EQ(sourceText, FilterText("Test", Hyx::HyxErrorCode::FilterError) + "(Source::Update failed.)");
    const int targetUpdates = chain.target->updates;
    EXPECT_EQ(chain.graph->Update(), ActionResult::Failure);
    EXPECT_EQ(chain.graph->GetLastError(false).StdString(), "Graph update failed(" + sourceText + ")");
    EXPECT_EQ(chain.target->updates, targetUpdates);
}

TEST(SourceUpdate, StreamFailureIsReportedWithItsText)
{
    SourceChain chain(10);
    chain.source->stream()->failFrame = 1;
    chain.source->stream()->failCode = Hyx::HyxErrorCode::FailedToReadFromFile;
    chain.play();
    ASSERT_TRUE(chain.update(1));
    EXPECT_EQ(chain.source->Update(), Hyx::HyxErrorCode::FailedToReadFromFile);
    EXPECT_EQ(chain.source->GetLastError(false).StdString(),
              FilterText("Test", Hyx::HyxErrorCode::FailedToReadFromFile) + "()");
}

TEST(SourceUpdate, WrongStateAndMissingOrder)
{
    TestGraph chain;
    auto source = chain.make<TestSource>(5);
    EXPECT_EQ(source->Update(), Hyx::HyxErrorCode::FilterWrongStateToUpdate);
    EXPECT_EQ(chain.graph->Play(), ActionResult::Failure);
    EXPECT_EQ(chain.graph->GetLastError(false).StdString(), "Graph is missing frame order provider");
    EXPECT_EQ(source->GetFilterState(), Hyx::Filter::FilterState::Connected);
    EXPECT_TRUE(source->IsDone()); // no provider
}

TEST(StreamState, PlayPauseStopTable)
{
    ScriptedStream stream(4, 10, MakeProfile({{kPurposeA, kType1}}));
    std::shared_ptr<Hyx::Atom> atom;
    EXPECT_EQ(stream.Update(0, atom), Hyx::HyxErrorCode::StreamNotPlaying);
    EXPECT_EQ(stream.Stop(), Hyx::HyxErrorCode::Success);
    EXPECT_TRUE(stream.hooks.empty());
    EXPECT_EQ(stream.Play(), Hyx::HyxErrorCode::Success);
    EXPECT_EQ(stream.Play(), Hyx::HyxErrorCode::StreamAlreadyPlaying);
    EXPECT_EQ(stream.Update(3, atom), Hyx::HyxErrorCode::Success);
    ASSERT_TRUE(atom);
    EXPECT_EQ(atom->GetFrameNr(), 3u);
    EXPECT_EQ(atom->GetStreamId(), 4u);
    EXPECT_EQ(stream.Pause(), Hyx::HyxErrorCode::Success);
    EXPECT_EQ(stream.Pause(), Hyx::HyxErrorCode::Success);
    EXPECT_EQ(stream.Update(3, atom), Hyx::HyxErrorCode::StreamNotPlaying);
    EXPECT_EQ(stream.Play(), Hyx::HyxErrorCode::Success);
    EXPECT_EQ(stream.Stop(), Hyx::HyxErrorCode::Success);
    // Pause from stopped refuses but leaves the stream paused; the next Play resumes.
    EXPECT_EQ(stream.Pause(), Hyx::HyxErrorCode::StreamNotPaused);
    EXPECT_EQ(stream.GetPlayState(), Stream::PlayState::Paused);
    EXPECT_EQ(stream.Play(), Hyx::HyxErrorCode::Success);
    EXPECT_EQ(stream.Stop(), Hyx::HyxErrorCode::Success);
    EXPECT_EQ(stream.hooks,
              (std::vector<std::string>{"play(first)", "pause", "play(resume)", "stop", "play(resume)", "stop"}));

    // A stream that failed to start is not playing.
    stream.playResult = Hyx::HyxErrorCode::FailedToReadFromFile;
    EXPECT_EQ(stream.Play(), Hyx::HyxErrorCode::FailedToReadFromFile);
    EXPECT_EQ(stream.GetPlayState(), Stream::PlayState::Stopped);
}

TEST(StreamState, DestroyedWhilePlayingIsReported)
{
    struct BareStream : Stream {
        BareStream() : Stream(7) {}
        std::shared_ptr<Hyx::DataTypeStreamInfo> GetStreamInfo() override { return nullptr; }
        std::shared_ptr<Hyx::Profile> GetOutputProfile() override { return nullptr; }
        Hyx::HyxErrorCode onUpdate(unsigned, std::shared_ptr<Hyx::Atom>&) override
        {
            return Hyx::HyxErrorCode::Success;
        }
    };
    CapturedLog log;
    {
        BareStream stopped;
        stopped.Play();
        stopped.Stop();
    }
    EXPECT_TRUE(log.Entries().empty());
    {
        BareStream playing;
        playing.Play();
    }
    EXPECT_EQ(log.Count(VornCommon::LogLevel::Error, "Stream '7' not stopped!"), 1);
}

TEST(StreamState, TimeOfAFrame)
{
    EXPECT_EQ(Stream::GetTimeInNanoSecondsForFrame(30.0f, 3), 100000000u);
    EXPECT_EQ(Stream::GetTimeInNanoSecondsForFrame(0.0f, 5), 0u);
    EXPECT_EQ(Stream::GetTimeInNanoSecondsForFrame(-25.0f, 5), 0u);
    EXPECT_EQ(Stream::GetTimeInNanoSecondsForFrame(25.0f, 1), 40000000u);
    EXPECT_EQ(Stream::GetTimeInNanoSecondsForFrame(1e-30f, 4000000000u), UINT64_MAX);
}

TEST(SourceStreams, FailedStartIsUndoneAndCanBeRetried)
{
    SourceChain chain(10);
    chain.source->stream()->playResult = Hyx::HyxErrorCode::FailedToReadFromFile;
    EXPECT_EQ(chain.graph->Play(), ActionResult::Failure);
    EXPECT_EQ(chain.source->stream()->GetPlayState(), Stream::PlayState::NeverPlayed);
    chain.source->stream()->playResult = Hyx::HyxErrorCode::Success;
    chain.play();
    ASSERT_TRUE(chain.update(1));
    EXPECT_EQ(chain.target->frames(), Frames{0});
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
    EXPECT_EQ(source->Update(), Hyx::HyxErrorCode::NoDataAvailable);
    ASSERT_TRUE(chain.update(1));
    const std::vector<SeenAtom> seen = target->seen();
    ASSERT_EQ(seen.size(), 6u);
    for (size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i].frame, i / 3);
        EXPECT_EQ(seen[i].stream, i % 3);
    }
    EXPECT_EQ(source->stream(0)->asked, (Frames{0, 1, 1}));
    EXPECT_EQ(target->GetNumFramesProcessed(), 2u);
}

TEST(SourceStreams, MultiStreamNeedsRoomForTheWholeFrame)
{
    TestGraph chain;
    auto source = chain.make<TestMultiSource>(std::vector<unsigned>{1000, 1000, 1000});
    chain.make<TestTarget>();
    ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
    for (int i = 0; i < 333; ++i)
        ASSERT_EQ(source->Update(), Hyx::HyxErrorCode::Success);
    // One slot left for three atoms.
    EXPECT_EQ(source->Update(), Hyx::HyxErrorCode::FilterFailedToPushAtom);
    EXPECT_EQ(source->GetNumAtomsProcessed(), 999u);
}

TEST(SourceStreams, MultiStreamStartFailureStopsTheStartedStreams)
{
    TestGraph chain;
    auto source = std::make_shared<TestMultiSource>(std::vector<unsigned>{10, 10, 10});
    source->afterInitialize = [](TestMultiSource& s) {
        s.stream(2)->playResult = Hyx::HyxErrorCode::FailedToReadFromFile;
    };
    chain.add(source);
    chain.make<TestTarget>();
    ASSERT_EQ(chain.graph->SetPlaybackMode(PlaybackMode::ForwardOnce, true), ActionResult::Success);
    EXPECT_EQ(chain.graph->Play(), ActionResult::Failure);
    for (int i = 0; i < 3; ++i)
        EXPECT_NE(source->stream(i)->GetPlayState(), Stream::PlayState::Playing) << i;
    source->stream(2)->playResult = Hyx::HyxErrorCode::Success;
    EXPECT_EQ(chain.graph->Play(), ActionResult::Success) << chain.graph->GetLastError(false).CStr();
}

TEST(SourceStreams, EmptyEntriesAndNoStreams)
{
    TestGraph chain;
    auto source = std::make_shared<TestMultiSource>(std::vector<unsigned>{});
    source->afterInitialize = [](TestMultiSource& s) { s.streams().push_back(nullptr); };
    chain.add(source);
    EXPECT_EQ(source->GetStreamInfo(), nullptr);
    EXPECT_TRUE(source->GetStreamIds().empty());
    EXPECT_EQ(source->GetNumFramesProcessed(), 0u);
    // No stream gives a profile: the default one.
    ASSERT_TRUE(source->GetOutputProfile());
    EXPECT_TRUE(source->GetOutputProfile()->Contains(kPurposeC, kType3, Guid()));
}
