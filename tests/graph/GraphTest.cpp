// The graph: playback and its roll-backs, playback modes and frame orders, building, filter
// parameters by name and type, recording, and a host reading while it updates.

#include "GraphFixtures.h"

using namespace GraphFixtures;
using FilterState = Filter::FilterState;

namespace {

// Source (100 frames) -> transform -> mutate -> target.
struct FullChain : TestGraph {
    FullChain()
    {
        source = make<TestSource>(100);
        transform = make<TestTransform>();
        mutate = make<TestMutate>();
        target = make<TestTarget>();
    }
    std::shared_ptr<TestSource> source;
    std::shared_ptr<TestTransform> transform;
    std::shared_ptr<TestMutate> mutate;
    std::shared_ptr<TestTarget> target;
    std::vector<FilterState> states() const
    {
        return {source->GetFilterState(), transform->GetFilterState(), mutate->GetFilterState(),
                target->GetFilterState()};
    }
};

std::shared_ptr<FrameOrderAuto> autoOrder(const Graph& graph)
{
    return std::dynamic_pointer_cast<FrameOrderAuto>(graph.GetFrameOrderProvider());
}

// A target with an integer parameter or an "Enable Recording" switch, as recording plug-ins have.
std::shared_ptr<TestTarget> targetWith(std::shared_ptr<FilterParam> param)
{
    auto target = std::make_shared<TestTarget>(false);
    target->makeParams = [param](TestTarget& t) { t.addParam(param); };
    return target;
}

} // namespace

TEST(GraphPlayback, FailedPlayIsRolledBack)
{
    FullChain chain;
    chain.transform->playResult = HyxErrorCode::FilterError;
    EXPECT_EQ(chain.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Failure);
    const std::string inner = FilterText("Test", HyxErrorCode::FilterError);
    EXPECT_EQ(chain.error(), "Graph failed to start playing(" + inner + "(" + inner + "))");
    EXPECT_TRUE(chain.graph->IsStopped());
    // The source that had started is stopped again, so the graph is not stuck half-played.
    EXPECT_EQ(chain.source->GetFilterState(), FilterState::Connected);
    EXPECT_EQ(chain.source->stream()->GetPlayState(), Stream::PlayState::Stopped);
    chain.transform->playResult = HyxErrorCode::Success;
    ASSERT_EQ(chain.graph->Play(), ActionResult::Success) << chain.error();
    ASSERT_TRUE(chain.update(3));
    EXPECT_EQ(chain.target->frames(), Range(3));

    // Resuming: filters already resumed are paused again.
    ASSERT_EQ(chain.graph->Pause(), ActionResult::Success);
    chain.transform->playResult = HyxErrorCode::FilterError;
    EXPECT_EQ(chain.graph->Play(), ActionResult::Failure);
    EXPECT_TRUE(chain.graph->IsPaused());
    EXPECT_EQ(chain.source->GetFilterState(), FilterState::Paused);
    chain.transform->playResult = HyxErrorCode::Success;
    EXPECT_EQ(chain.graph->Play(), ActionResult::Success);

    // A failed stop still stops the others.
    chain.transform->stopResult = HyxErrorCode::FilterError;
    EXPECT_EQ(chain.graph->Stop(), ActionResult::Failure);
    EXPECT_TRUE(chain.error().starts_with("Graph failed to stop("));
    EXPECT_TRUE(chain.graph->IsPlaying());
    EXPECT_EQ(chain.states(), (std::vector{FilterState::Connected, FilterState::Playing, FilterState::Connected,
                                           FilterState::Connected}));
    chain.transform->stopResult = HyxErrorCode::Success;
    EXPECT_EQ(chain.graph->Stop(), ActionResult::Success) << chain.error();
    EXPECT_EQ(chain.transform->GetFilterState(), FilterState::Connected);
}

TEST(GraphPlayback, DestroyingAPlayingGraph)
{
    std::shared_ptr<TestSource> source;
    std::shared_ptr<TestTarget> target;
    StateLog log;
    {
        FullChain chain;
        source = chain.source;
        target = chain.target;
        chain.graph->_graphEvents.Add(&log);
        ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardLoop), ActionResult::Success);
        ASSERT_TRUE(chain.update(5));
    }
    EXPECT_EQ(log.states(), (std::vector<State>{State::Playing, State::Stopped}));
    EXPECT_EQ(source->GetFilterState(), FilterState::PreInitialized);
    EXPECT_EQ(target->GetFilterState(), FilterState::PreInitialized);
}

namespace {

/// A transform whose onPause or onStop throws once when armed, or refuses once.
class Balky : public TestTransform {
public:
    using TestTransform::TestTransform;
    std::atomic<bool> throwOnce{false}, refuseOnce{false};
    // Every call fails so, from then on.
    std::atomic<bool> throwAlways{false}, refuseAlways{false};

protected:
    HyxErrorCode onPlay() override { return balk(); }
    HyxErrorCode onPause() override { return balk(); }
    HyxErrorCode onStop() override { return balk(); }

private:
    HyxErrorCode balk()
    {
        if (throwOnce.exchange(false) || throwAlways)
            throw std::runtime_error("boom");
        if (refuseOnce.exchange(false) || refuseAlways)
            return ReportError(HyxErrorCode::FilterError);
        return HyxErrorCode::Success;
    }
};

std::string NiceName(const Filter& filter)
{
    return filter.GetFilterClassInfo().GetNiceClassName().StdString();
}

} // namespace

TEST(GraphPlayback, AStopGoesOnPastFailingFiltersAndReportsTheFirstFailure)
{
    // Two filters fail to stop, one refusing and one throwing, in either order: every other
    // filter stops, the text is the first failure, the exception reaches the caller after the
    // walk, and the graph stays as it was until a second Stop stops what was left.
    for (const bool throwFirst : {false, true}) {
        SCOPED_TRACE(throwFirst ? "throw first" : "refusal first");
        TestGraph chain;
        auto source = chain.make<TestSource>(10);
        auto first = chain.make<Balky>();
        auto second = chain.make<Balky>(MakeProfile({{Guid(), kType1}}), MakeProfile({{kPurposeB, kType2}}));
        auto target = chain.make<TestTarget>();
        ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
        ASSERT_TRUE(chain.update(3));
        (throwFirst ? first : second)->throwOnce = true;
        (throwFirst ? second : first)->refuseOnce = true;
        EXPECT_EQ(ThrownText<std::runtime_error>([&] { chain.graph->Stop(); }), "boom");
        const std::string name = NiceName(*first);
        EXPECT_EQ(chain.error(), "Graph failed to stop(" +
                                     (throwFirst ? "Filter '" + name + "' threw: boom"
                                                 : Nested(name.c_str(), HyxErrorCode::FilterError)) +
                                     ")");
        EXPECT_TRUE(chain.graph->IsPlaying());
        EXPECT_EQ(source->GetFilterState(), FilterState::Connected);
        EXPECT_EQ(first->GetFilterState(), FilterState::Playing);
        EXPECT_EQ(second->GetFilterState(), FilterState::Playing);
        EXPECT_EQ(target->GetFilterState(), FilterState::Connected);
        EXPECT_EQ(chain.graph->Stop(), ActionResult::Success) << chain.error();
        EXPECT_TRUE(chain.graph->IsStopped());
        EXPECT_EQ(first->GetFilterState(), FilterState::Connected);
        EXPECT_EQ(second->GetFilterState(), FilterState::Connected);
    }
}

TEST(GraphPlayback, DestroyingAGraphWhoseFilterKeepsFailingLogsEachStepThatFails)
{
    // Nothing leaves the destructor: its stop and the removal of the filter each fail and
    // are logged, whether the filter throws or refuses, and the filter goes unreset.
    for (const bool throws : {true, false}) {
        SCOPED_TRACE(throws ? "throws" : "refuses");
        CapturedLog log;
        std::string name;
        {
            TestGraph chain;
            chain.make<TestSource>(10);
            auto balky = chain.make<Balky>();
            chain.make<TestTarget>();
            name = NiceName(*balky);
            ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
            ASSERT_TRUE(chain.update(3));
            (throws ? balky->throwAlways : balky->refuseAlways) = true;
        }
        const std::string cause =
            throws ? "Filter '" + name + "' threw: boom" : Nested(name.c_str(), HyxErrorCode::FilterError);
        std::vector<std::string> lines;
        for (const auto& entry : log.Entries())
            if (entry.level == VornCommon::LogLevel::Error)
                lines.push_back(entry.text);
        EXPECT_EQ(lines, (std::vector<std::string>{"Graph failed to stop(" + cause + ")",
                                                   "Graph failed to remove a filter(" + cause + ")",
                                                   "Filter not properly deinitialized!"}));
    }
}

TEST(GraphPlayback, AFailedPausePlaysWhatItPausedAgain)
{
    // The second filter refuses or throws: the source it paused plays again, the graph plays
    // on whole, and a refusal is a Failure with the text while a throw reaches the caller.
    for (const bool throws : {false, true}) {
        SCOPED_TRACE(throws ? "throws" : "refuses");
        TestGraph chain;
        auto source = chain.make<TestSource>(10);
        auto balky = chain.make<Balky>();
        auto target = chain.make<TestTarget>();
        ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
        ASSERT_TRUE(chain.update(3));
        const std::string name = NiceName(*balky);
        if (throws) {
            balky->throwOnce = true;
            EXPECT_EQ(ThrownText<std::runtime_error>([&] { chain.graph->Pause(); }), "boom");
            EXPECT_EQ(chain.error(), "Graph failed to pause(Filter '" + name + "' threw: boom)");
        } else {
            balky->refuseOnce = true;
            EXPECT_EQ(chain.graph->Pause(), ActionResult::Failure);
            EXPECT_EQ(chain.error(), "Graph failed to pause(" + Nested(name.c_str(), HyxErrorCode::FilterError) + ")");
        }
        EXPECT_TRUE(chain.graph->IsPlaying());
        EXPECT_EQ(source->GetFilterState(), FilterState::Playing);
        ASSERT_TRUE(chain.runToEnd());
        EXPECT_EQ(target->frames(), Range(10));
    }
}

TEST(GraphPlayback, APlayThatMeetsAThrowPutsBackWhatItStarted)
{
    // The second filter throws as it starts: the source started before it is stopped again
    // (paused again when resuming), the text names the thrower, the exception reaches the
    // caller and the graph stays as it was.
    TestGraph chain;
    auto source = chain.make<TestSource>(10);
    auto balky = chain.make<Balky>();
    auto target = chain.make<TestTarget>();
    const std::string text = "Graph failed to start playing(Filter '" + NiceName(*balky) + "' threw: boom)";
    balky->throwOnce = true;
    EXPECT_EQ(ThrownText<std::runtime_error>([&] { chain.graph->Play(PlaybackMode::ForwardOnce); }), "boom");
    EXPECT_EQ(chain.error(), text);
    EXPECT_TRUE(chain.graph->IsStopped());
    EXPECT_EQ(source->GetFilterState(), FilterState::Connected);
    ASSERT_EQ(chain.graph->Play(), ActionResult::Success) << chain.error();
    ASSERT_TRUE(chain.update(3));
    ASSERT_EQ(chain.graph->Pause(), ActionResult::Success);
    balky->throwOnce = true;
    EXPECT_EQ(ThrownText<std::runtime_error>([&] { chain.graph->Play(); }), "boom");
    EXPECT_EQ(chain.error(), text);
    EXPECT_TRUE(chain.graph->IsPaused());
    EXPECT_EQ(source->GetFilterState(), FilterState::Paused);
    ASSERT_EQ(chain.graph->Play(), ActionResult::Success) << chain.error();
    ASSERT_TRUE(chain.runToEnd());
    EXPECT_EQ(target->frames(), Range(10));
}

TEST(GraphPlayback, EveryListenerHearsAChangeWhenOneThrows)
{
    // The first listener throws as it hears Playing: the second hears it all the same, the
    // graph plays, and the exception reaches the caller.
    struct Thrower : Graph::Events {
        void onGraphStateChanged(State state) override
        {
            if (state == State::Playing)
                throw std::runtime_error("boom");
        }
    } thrower;
    FullChain chain;
    StateLog log;
    chain.graph->_graphEvents.Add(&thrower);
    chain.graph->_graphEvents.Add(&log);
    EXPECT_EQ(ThrownText<std::runtime_error>([&] { chain.graph->Play(PlaybackMode::ForwardOnce); }), "boom");
    EXPECT_TRUE(chain.graph->IsPlaying());
    EXPECT_EQ(log.states(), std::vector<State>{State::Playing});
    ASSERT_TRUE(chain.runToEnd());
    EXPECT_EQ(chain.target->frames(), Range(100));
    chain.graph->_graphEvents.Remove(&log);
    chain.graph->_graphEvents.Remove(&thrower);
}

TEST(GraphPlayback, FrameOrderResetsReachSubscribers)
{
    FullChain chain;
    ResetCounter counter;
    chain.graph->_frameOrderResetEvents.Add(&counter);
    ASSERT_EQ(chain.graph->SetPlaybackMode(PlaybackMode::ForwardOnce, true), ActionResult::Success);
    EXPECT_EQ(counter.count, 1);
    const std::shared_ptr<FrameOrderProvider> first = chain.graph->GetFrameOrderProvider();
    first->JumpToFrameID(5);
    first->Reset();
    EXPECT_EQ(counter.count, 3);

    ASSERT_EQ(chain.graph->Play(), ActionResult::Success);
    EXPECT_EQ(chain.graph->SetFrameOrderProvider(std::make_shared<FrameOrderAuto>(0, 10)), ActionResult::Failure);
    EXPECT_EQ(chain.error(), "Graph failed to set a frame order provider(graph must be stopped first)");
    ASSERT_EQ(chain.graph->Stop(), ActionResult::Success);

    // A replaced provider is detached from the graph.
    ASSERT_EQ(chain.graph->SetFrameOrderProvider(std::make_shared<FrameOrderAuto>(0, 10)), ActionResult::Success);
    first->Reset();
    EXPECT_EQ(counter.count, 3);
    chain.graph->GetFrameOrderProvider()->Reset();
    EXPECT_EQ(counter.count, 4);
    EXPECT_EQ(chain.graph->SetFrameOrderProvider(nullptr), ActionResult::Success);
    EXPECT_EQ(chain.graph->GetFrameOrderProvider(), nullptr);
    chain.graph->_frameOrderResetEvents.Remove(&counter);
}

TEST(GraphConcurrency, HostReadsWhileTheGraphUpdates)
{
    FullChain chain;
    ResetCounter counter;
    chain.graph->_frameOrderResetEvents.Add(&counter);
    ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardLoop), ActionResult::Success);
    std::atomic<bool> done{false};
    std::thread host([&] {
        for (int i = 1; !done; ++i) {
            (void)chain.graph->GetProgress(), (void)chain.graph->GetProgressInfo(), (void)chain.graph->IsPlaying();
            (void)chain.graph->GetLastError(false), (void)chain.target->GetNumAtomsProcessed();
            if (i % 10 == 0)
                chain.graph->GetFrameOrderProvider()->JumpToFrameID(static_cast<uint32_t>(i % 100));
            std::this_thread::yield();
        }
    });
    for (int pass = 0; pass < 300; ++pass)
        ASSERT_EQ(chain.graph->Update(), ActionResult::Success) << chain.error();
    done = true;
    host.join();
    EXPECT_EQ(chain.target->frames().size(), 300u);
    EXPECT_GT(counter.count, 0);
    EXPECT_EQ(chain.graph->Stop(), ActionResult::Success);
    chain.graph->_frameOrderResetEvents.Remove(&counter);
}

TEST(GraphBuilding, ChangesNeedAStoppedGraph)
{
    FullChain chain;
    EXPECT_EQ(chain.graph->GetFilter(kMutateGuid), chain.mutate);
    EXPECT_EQ(chain.graph->GetFilter(Guid()), nullptr);
    EXPECT_EQ(chain.graph->GetFilter(3u), chain.target);
    EXPECT_EQ(chain.graph->GetFilter(4u), nullptr);
    EXPECT_EQ(chain.graph->GetLastFilter(), chain.target);
    EXPECT_TRUE(chain.graph->GetCrossFilterInfo());
    EXPECT_EQ(chain.graph->GetCrossFilterInfo(), chain.graph->GetCrossFilterInfo());

    ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardLoop), ActionResult::Success);
    auto late = std::make_shared<TestTarget>();
    EXPECT_EQ(chain.graph->AddAndConnect(late), ActionResult::Failure);
    EXPECT_EQ(chain.error(), "Graph failed to add a filter(graph must be stopped first)");
    EXPECT_EQ(late->GetFilterState(), FilterState::Initialized); // initialised before the refusal
    EXPECT_EQ(chain.graph->RemoveAllFilters(), ActionResult::Failure);
    EXPECT_EQ(chain.error(), "Graph failed to remove a filter(graph must be stopped first)");
    ASSERT_EQ(chain.graph->Stop(), ActionResult::Success);
    late->Reset();

    // A source added second is not joined to the filter before it.
    auto second = chain.make<TestSource>(5);
    EXPECT_EQ(second->GetFilterState(), FilterState::Connected);
    EXPECT_EQ(second->GetInputFilter(), nullptr);
    EXPECT_EQ(chain.target->GetOutputFilter(), nullptr);
    EXPECT_EQ(chain.graph->RemoveAllFilters(), ActionResult::Success);
    EXPECT_EQ(chain.graph->GetNumFilters(), 0u);
    EXPECT_EQ(chain.source->GetFilterState(), FilterState::PreInitialized);
}

TEST(GraphPlaybackMode, ASourceKnowsItsGraphAsItInitialisesOnlyWhenMadeWithIt)
{
    // A source made with its constructor initialises inside AddAndConnect before it joins the
    // graph: the graph's own rate and count stay unset, while everything that asks the source
    // (its stream information, the walk over its frames) is the same.
    for (const bool madeWithGraph : {false, true}) {
        SCOPED_TRACE(madeWithGraph ? "made with the graph" : "made with its constructor");
        TestGraph chain;
        auto source = std::make_shared<TestSource>(40);
        if (madeWithGraph) {
            ASSERT_EQ(source->PreInitialize(nullptr, chain.graph), HyxErrorCode::Success);
        }
        chain.add(source);
        chain.make<TestTarget>();
        const float rate = chain.graph->GetSourceStreamInfo()->GetFPS();
        EXPECT_EQ(chain.graph->GetOriginalFps(), madeWithGraph ? rate : 10.0f);
        EXPECT_EQ(chain.graph->GetNumFrames(), madeWithGraph ? 40 : -1);
        EXPECT_EQ(chain.graph->GetSourceStreamInfo()->GetNumFrames(), 40u);
        ASSERT_EQ(chain.graph->SetPlaybackMode(PlaybackMode::ForwardOnce, true), ActionResult::Success);
        EXPECT_EQ(autoOrder(*chain.graph)->GetRangeSize(), 40u);
    }
}

TEST(GraphPlaybackMode, InstallsAWalkOverTheSourceFrames)
{
    auto empty = std::make_shared<Graph>();
    EXPECT_EQ(empty->SetPlaybackMode(PlaybackMode::ForwardOnce, true), ActionResult::Failure);
    EXPECT_EQ(empty->GetLastError(false).StdString(), "Graph lacks a source filter");
    EXPECT_EQ(empty->GetSourceStreamInfo(), nullptr);
    EXPECT_EQ(empty->GetSourceAggregatedOutputProfile(), nullptr);

    TestGraph chain;
    chain.make<TestSource>(40, MakeProfile({{kPurposeA, kType1}, {kPurposeB, kType2}}));
    chain.make<TestTarget>();
    EXPECT_EQ(chain.graph->GetSourceStreamInfo()->GetNumFrames(), 40u);
    EXPECT_EQ(chain.graph->GetSourceAggregatedOutputProfile()->GetDataProfileCount(), 2);
    EXPECT_TRUE(chain.graph->GetRenderers().empty());
    ASSERT_EQ(chain.graph->SetPlaybackMode(PlaybackMode::BackwardLoop, true), ActionResult::Success);
    ASSERT_TRUE(autoOrder(*chain.graph));
    EXPECT_EQ(autoOrder(*chain.graph)->GetRangeSize(), 40u);
    EXPECT_EQ(autoOrder(*chain.graph)->GetPlaybackMode(), PlaybackMode::BackwardLoop);

    ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
    EXPECT_EQ(chain.graph->SetPlaybackMode(PlaybackMode::ForwardLoop, true), ActionResult::Failure);
    EXPECT_EQ(chain.error(), "Graph failed to set a playback mode(graph must be stopped first)");
    // Playing with an automatic order: Success, the mode stays.
    EXPECT_EQ(chain.graph->Play(PlaybackMode::BackwardOnce), ActionResult::Success);
    EXPECT_EQ(autoOrder(*chain.graph)->GetPlaybackMode(), PlaybackMode::ForwardOnce);
    // Paused: allowed.
    ASSERT_EQ(chain.graph->Pause(), ActionResult::Success);
    EXPECT_EQ(chain.graph->SetPlaybackMode(PlaybackMode::Pingpong, false), ActionResult::Success);
    EXPECT_EQ(autoOrder(*chain.graph)->GetPlaybackMode(), PlaybackMode::Pingpong);
    ASSERT_EQ(chain.graph->Stop(), ActionResult::Success);

    // Playing with a host-fed order: the mode cannot be taken.
    ASSERT_EQ(chain.graph->SetFrameOrderProvider(std::make_shared<FrameOrderManual>()), ActionResult::Success);
    ASSERT_EQ(chain.graph->Play(), ActionResult::Success);
    EXPECT_EQ(chain.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Failure);
    EXPECT_EQ(chain.error(),
              "Graph failed to start playing(Source filter '$filter$' lacks a valid frame order provider.)");
    ASSERT_EQ(chain.graph->Stop(), ActionResult::Success);
}

TEST(GraphPlaybackMode, SourceWithoutFramesIsRefused)
{
    TestGraph none;
    none.make<TestSource>(0);
    none.make<TestTarget>();
    EXPECT_EQ(none.graph->SetPlaybackMode(PlaybackMode::ForwardOnce, true), ActionResult::Failure);
    EXPECT_EQ(none.error(), "Graph failed to set a playback mode(source reports no frames)");
    EXPECT_EQ(none.graph->GetFrameOrderProvider(), nullptr);
    EXPECT_EQ(none.graph->Play(PlaybackMode::BackwardOnce), ActionResult::Failure);
    EXPECT_TRUE(none.graph->IsStopped());

    // Realtime needs no frames; a paused graph leaving it is refused all the same.
    ASSERT_EQ(none.graph->Play(PlaybackMode::Realtime), ActionResult::Success);
    ASSERT_TRUE(none.update(2));
    ASSERT_EQ(none.graph->Pause(), ActionResult::Success);
    EXPECT_EQ(none.graph->SetPlaybackMode(PlaybackMode::ForwardLoop, false), ActionResult::Failure);
    EXPECT_EQ(none.error(), "Graph failed to set a playback mode(source reports no frames)");
    EXPECT_EQ(autoOrder(*none.graph)->GetPlaybackMode(), PlaybackMode::Realtime);
    EXPECT_EQ(none.graph->Stop(), ActionResult::Success);
}

TEST(GraphPlaybackMode, AValueOutsideTheModesIsRefusedWhereItIsGiven)
{
    // Each value through each call that takes a mode, on both kinds of graph, stopped, paused
    // and playing: refused with a text that names it; the state, the order, its mode and the
    // rate stay as they were.
    enum class Call {
        SetMode,
        SetModeAndRate,
        PlayMode
    };
    const Graph::GraphState states[] = {Graph::GraphState::Stopped, Graph::GraphState::Paused,
                                        Graph::GraphState::Playing};
    for (const bool async : {false, true}) {
        for (const Graph::GraphState state : states) {
            for (const int value : {77, -3, 6, 254}) {
                for (const Call call : {Call::SetMode, Call::SetModeAndRate, Call::PlayMode}) {
                    if (call == Call::SetModeAndRate && !async)
                        continue;
                    SCOPED_TRACE(testing::Message() << (async ? "async " : "plain ") << static_cast<int>(state) << ' '
                                                    << value << " call " << static_cast<int>(call));
                    AsyncTestGraph asyncChain;
                    TestGraph plainChain;
                    TestGraph& chain = async ? static_cast<TestGraph&>(asyncChain) : plainChain;
                    chain.make<TestSource>(10);
                    chain.make<TestTarget>();
                    const ActionResult set = async ? asyncChain.async->SetPlaybackMode(PlaybackMode::ForwardLoop, 25.0f)
                                                   : chain.graph->SetPlaybackMode(PlaybackMode::ForwardLoop, true);
                    ASSERT_EQ(set, ActionResult::Success);
                    ASSERT_EQ(state == Graph::GraphState::Stopped ? ActionResult::Success : chain.graph->Play(),
                              ActionResult::Success);
                    ASSERT_EQ(state == Graph::GraphState::Paused ? chain.graph->Pause() : ActionResult::Success,
                              ActionResult::Success);
                    const auto order = chain.graph->GetFrameOrderProvider();

                    const auto mode = static_cast<PlaybackMode>(value);
                    const std::string named = "(" + std::to_string(value) + " is not a playback mode)";
                    ActionResult answer = ActionResult::Success;
                    std::string expected = "Graph failed to set a playback mode" + named;
                    if (call == Call::SetMode)
                        answer = chain.graph->SetPlaybackMode(mode, true);
                    else if (call == Call::SetModeAndRate)
                        answer = asyncChain.async->SetPlaybackMode(mode, 30.0f);
                    else {
                        answer = chain.graph->Play(mode);
                        expected = "Graph failed to start playing" + named;
                    }
                    EXPECT_EQ(answer, ActionResult::Failure);
                    EXPECT_EQ(chain.error(), expected);
                    EXPECT_EQ(chain.graph->IsStopped(), state == Graph::GraphState::Stopped);
                    EXPECT_EQ(chain.graph->IsPaused(), state == Graph::GraphState::Paused);
                    EXPECT_EQ(chain.graph->IsPlaying(), state == Graph::GraphState::Playing);
                    EXPECT_EQ(chain.graph->GetFrameOrderProvider(), order);
                    EXPECT_EQ(autoOrder(*chain.graph)->GetPlaybackMode(), PlaybackMode::ForwardLoop);
                    if (async) {
                        float fps = 0.0f;
                        asyncChain.async->GetGraphFps(fps);
                        EXPECT_EQ(fps, 25.0f);
                        EXPECT_EQ(asyncChain.async->GetFramePeriodMs(), 40u);
                    }
                    chain.graph->Stop();
                }
            }
        }
    }
}

TEST(GraphParameters, ByNameAndByFilterType)
{
    CapturedLog log;
    TestGraph chain;
    chain.make<TestSource>(10);
    auto first = chain.add(targetWith(std::make_shared<FilterParamInt32>("Level", 0u, 1, 0, 10)));
    auto second = chain.add(targetWith(std::make_shared<FilterParamInt32>("Level", 0u, 2, 0, 10)));
    EXPECT_EQ(chain.graph->GetFilterParam("Level")->GetValueAsString(), "1");
    EXPECT_EQ(chain.graph->GetFilterParam("Nothing"), nullptr);
    EXPECT_EQ(chain.graph->GetFilterParam(kTargetGuid, "Level", 1)->GetValueAsString(), "1");
    EXPECT_EQ(chain.graph->GetFilterParam(kTargetGuid, "Level", 2)->GetValueAsString(), "2");
    EXPECT_EQ(chain.graph->GetFilterParam(kTargetGuid, "Level", 0), nullptr);
    EXPECT_EQ(chain.graph->GetFilterParam(kTargetGuid, "Level", 3), nullptr);

    EXPECT_TRUE(chain.graph->SetFilterParamValue(kTargetGuid, "Level", "7", 2));
    EXPECT_EQ(second->getParameterValue("Level"), "7");
    EXPECT_FALSE(chain.graph->SetFilterParamValue(kTargetGuid, "Level", "7", 3));
    EXPECT_THROW(chain.graph->SetFilterParamValue(kTargetGuid, "Level", "abc", 1), std::invalid_argument);

    const std::string guidText = kTargetGuid.ToHexString().StdString();
    EXPECT_TRUE(chain.graph->SetFilterParamValue(guidText.c_str(), "Level", "5", 1));
    EXPECT_EQ(first->getParameterValue("Level"), "5");
    log.Clear();
    EXPECT_FALSE(chain.graph->SetFilterParamValue("not-a-guid", "Level", "5", 1));
    ASSERT_EQ(log.Entries().size(), 1u);
    EXPECT_EQ(log.Entries()[0].level, LogLevel::Error);
    EXPECT_TRUE(log.Entries()[0].text.starts_with("Invalid filter guid: "));
    log.Clear();
    EXPECT_FALSE(chain.graph->SetFilterParamValue(guidText.c_str(), "Level", "abc", 1));
    EXPECT_EQ(log.Count(LogLevel::Error, "Invalid filter guid: invalid stoi argument"), 1);
    EXPECT_EQ(first->getParameterValue("Level"), "5");
    EXPECT_EQ(chain.error(), "");
}

TEST(GraphRecording, StartAndStopSwitchTheFilters)
{
    TestGraph chain;
    chain.make<TestSource>(100);
    auto a = chain.add(targetWith(std::make_shared<FilterParamBool>("Enable Recording", 0u, false)));
    auto b = chain.add(targetWith(std::make_shared<FilterParamBool>("Enable Recording", 0u, false)));
    StateLog events;
    chain.graph->_graphEvents.Add(&events);
    CapturedLog log;
    const auto recording = [&] {
        return a->getParameterValue("Enable Recording") + b->getParameterValue("Enable Recording");
    };

    EXPECT_EQ(chain.graph->StartRecording(), ActionResult::Failure);
    EXPECT_EQ(chain.error(), "Graph failed to start recording");
    EXPECT_EQ(chain.graph->StopRecording(), ActionResult::Failure);
    EXPECT_EQ(chain.error(), "Graph failed to stop recording");
    // Paused is not playing either.
    ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardLoop), ActionResult::Success);
    ASSERT_EQ(chain.graph->Pause(), ActionResult::Success);
    EXPECT_EQ(chain.graph->StartRecording(), ActionResult::Failure);
    EXPECT_EQ(chain.error(), "Graph failed to start recording");
    EXPECT_EQ(chain.graph->StopRecording(), ActionResult::Failure);
    EXPECT_EQ(chain.error(), "Graph failed to stop recording");
    EXPECT_EQ(recording(), "FalseFalse");
    ASSERT_EQ(chain.graph->Stop(), ActionResult::Success);

    ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardLoop), ActionResult::Success);
    ASSERT_EQ(chain.graph->StartRecording(), ActionResult::Success);
    EXPECT_EQ(events.recordings(), std::vector<bool>{true});
    EXPECT_EQ(recording(), "TrueTrue");
    // All switched on already: nothing to switch.
    EXPECT_EQ(chain.graph->StartRecording(), ActionResult::Failure);
    EXPECT_EQ(log.Count(LogLevel::Error, "Failed to set active filter param 'Enable Recording'"), 1);

    ASSERT_EQ(chain.graph->StopRecording(), ActionResult::Success);
    EXPECT_EQ(recording(), "FalseFalse");
    EXPECT_EQ(events.recordings(), std::vector<bool>{true}); // the stop is told after the next pass
    ASSERT_TRUE(chain.update(1));
    EXPECT_EQ(events.recordings(), (std::vector<bool>{true, false}));
    ASSERT_TRUE(chain.update(1));
    EXPECT_EQ(events.recordings().size(), 2u);
    EXPECT_EQ(chain.graph->StopRecording(), ActionResult::Failure);
    EXPECT_EQ(log.Count(LogLevel::Error, "Failed to get active filter param 'Enable Recording'"), 1);

    // The stop event comes also at the end of a failed pass.
    ASSERT_EQ(chain.graph->StartRecording(), ActionResult::Success);
    ASSERT_EQ(chain.graph->StopRecording(), ActionResult::Success);
    a->process = [](TestTarget& t, const Atom&) { return t.ReportError(HyxErrorCode::FailedToWriteToFile); };
    EXPECT_EQ(chain.graph->Update(), ActionResult::Failure);
    EXPECT_EQ(events.recordings(), (std::vector<bool>{true, false, true, false}));
    chain.graph->_graphEvents.Remove(&events);
}
