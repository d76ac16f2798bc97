#include "GraphFixtures.h"

#include <Hyx/FrameOrderProvider.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace GraphFixtures;
using Hyx::ActionResult;
using Hyx::Filter;
using Hyx::FrameOrderAuto;
using Hyx::Graph;
using Hyx::PlaybackMode;

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
};

} // namespace

TEST(GraphUpdate, NoDataDoesNotEndThePass)
{
    FullChain chain;
    ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
    ASSERT_TRUE(chain.runToEnd());
    const int targetUpdates = chain.target->updates;
    // The source has no frame left (1); the pass goes on to the target.
    EXPECT_EQ(chain.graph->Update(), ActionResult::Success);
    EXPECT_EQ(chain.target->updates, targetUpdates + 1);
}

TEST(GraphUpdate, EmptyAndStoppedGraphs)
{
    auto graph = std::make_shared<Graph>();
    EXPECT_EQ(graph->Update(), ActionResult::Success);
    EXPECT_TRUE(graph->IsDone());

    FullChain chain;
    EXPECT_TRUE(chain.graph->IsDone()); // stopped
    EXPECT_EQ(chain.graph->Update(), ActionResult::Failure);
    EXPECT_EQ(chain.graph->GetLastError(false).StdString(),
              "Graph update failed(" + FilterText("Test", Hyx::HyxErrorCode::FilterWrongStateToUpdate) + ")");
}

TEST(GraphPlayback, FailedPlayIsRolledBack)
{
    FullChain chain;
    chain.transform->playResult = Hyx::HyxErrorCode::FilterError;
    EXPECT_EQ(chain.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Failure);
    const std::string inner = FilterText("Test", Hyx::HyxErrorCode::FilterError);
    EXPECT_EQ(chain.graph->GetLastError(false).StdString(),
              "Graph failed to start playing(" + inner + "(" + inner + "))");
    EXPECT_TRUE(chain.graph->IsStopped());
    // The source that had started is stopped again, so the graph is not stuck half-played.
    EXPECT_EQ(chain.source->GetFilterState(), Filter::FilterState::Connected);
    EXPECT_EQ(chain.source->stream()->GetPlayState(), Hyx::Stream::PlayState::Stopped);
    chain.transform->playResult = Hyx::HyxErrorCode::Success;
    ASSERT_EQ(chain.graph->Play(), ActionResult::Success) << chain.graph->GetLastError(false).CStr();
    ASSERT_TRUE(chain.update(3));
    EXPECT_EQ(chain.target->frames(), (std::vector<unsigned>{0, 1, 2}));

    // Resuming: filters already resumed are paused again.
    ASSERT_EQ(chain.graph->Pause(), ActionResult::Success);
    chain.transform->playResult = Hyx::HyxErrorCode::FilterError;
    EXPECT_EQ(chain.graph->Play(), ActionResult::Failure);
    EXPECT_TRUE(chain.graph->IsPaused());
    EXPECT_EQ(chain.source->GetFilterState(), Filter::FilterState::Paused);
    chain.transform->playResult = Hyx::HyxErrorCode::Success;
    EXPECT_EQ(chain.graph->Play(), ActionResult::Success);
    EXPECT_EQ(chain.graph->Stop(), ActionResult::Success);
}

TEST(GraphPlayback, FailedStopStillStopsTheOthers)
{
    FullChain chain;
    ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
    chain.transform->stopResult = Hyx::HyxErrorCode::FilterError;
    EXPECT_EQ(chain.graph->Stop(), ActionResult::Failure);
    EXPECT_EQ(chain.graph->GetLastError(false).StdString().rfind("Graph failed to stop(", 0), 0u);
    EXPECT_TRUE(chain.graph->IsPlaying());
    EXPECT_EQ(chain.source->GetFilterState(), Filter::FilterState::Connected);
    EXPECT_EQ(chain.target->GetFilterState(), Filter::FilterState::Connected);
    EXPECT_EQ(chain.transform->GetFilterState(), Filter::FilterState::Playing);
    chain.transform->stopResult = Hyx::HyxErrorCode::Success;
    EXPECT_EQ(chain.graph->Stop(), ActionResult::Success) << chain.graph->GetLastError(false).CStr();
    EXPECT_EQ(chain.transform->GetFilterState(), Filter::FilterState::Connected);
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
    EXPECT_EQ(source->GetFilterState(), Filter::FilterState::PreInitialized);
    EXPECT_EQ(target->GetFilterState(), Filter::FilterState::PreInitialized);
}

TEST(GraphPlayback, FrameOrderResetsReachSubscribers)
{
    FullChain chain;
    ResetCounter counter;
    chain.graph->_frameOrderResetEvents.Add(&counter);
    ASSERT_EQ(chain.graph->SetPlaybackMode(PlaybackMode::ForwardOnce, true), ActionResult::Success);
    EXPECT_EQ(counter.count, 1);
    const std::shared_ptr<Hyx::FrameOrderProvider> first = chain.graph->GetFrameOrderProvider();
    first->JumpToFrameID(5);
    first->Reset();
    EXPECT_EQ(counter.count, 3);

    ASSERT_EQ(chain.graph->Play(), ActionResult::Success);
    EXPECT_EQ(chain.graph->SetFrameOrderProvider(std::make_shared<FrameOrderAuto>(0, 10)), ActionResult::Failure);
    EXPECT_EQ(chain.graph->GetLastError(false).StdString(),
              "Graph failed to set a frame order provider(graph must be stopped first)");
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
        int i = 0;
        while (!done) {
            (void)chain.graph->GetProgress();
            (void)chain.graph->GetProgressInfo();
            (void)chain.graph->IsPlaying();
            (void)chain.graph->GetLastError(false);
            (void)chain.target->GetNumAtomsProcessed();
            if (++i % 10 == 0)
                chain.graph->GetFrameOrderProvider()->JumpToFrameID(static_cast<uint32_t>(i % 100));
            std::this_thread::yield();
        }
    });
    for (int pass = 0; pass < 300; ++pass)
        ASSERT_EQ(chain.graph->Update(), ActionResult::Success) << chain.graph->GetLastError(false).CStr();
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
    ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardLoop), ActionResult::Success);
    auto late = std::make_shared<TestTarget>();
    EXPECT_EQ(chain.graph->AddAndConnect(late), ActionResult::Failure);
    EXPECT_EQ(chain.graph->GetLastError(false).StdString(),
              "Graph failed to add a filter(graph must be stopped first)");
    EXPECT_EQ(late->GetFilterState(), Filter::FilterState::Initialized); // initialised before the refusal
    EXPECT_EQ(chain.graph->RemoveAllFilters(), ActionResult::Failure);
    EXPECT_EQ(chain.graph->GetLastError(false).StdString(),
              "Graph failed to remove a filter(graph must be stopped first)");
    ASSERT_EQ(chain.graph->Stop(), ActionResult::Success);
    late->Reset();

    // A source added second is not joined to the filter before it.
    auto second = std::make_shared<TestSource>(5);
    ASSERT_EQ(chain.graph->AddAndConnect(second), ActionResult::Success);
    EXPECT_EQ(second->GetFilterState(), Filter::FilterState::Connected);
    EXPECT_EQ(second->GetInputFilter(), nullptr);
    EXPECT_EQ(chain.target->GetOutputFilter(), nullptr);
    EXPECT_EQ(chain.graph->RemoveAllFilters(), ActionResult::Success);
    EXPECT_EQ(chain.graph->GetNumFilters(), 0u);
    EXPECT_EQ(chain.source->GetFilterState(), Filter::FilterState::PreInitialized);
}

TEST(GraphPlayback, FilterByTypeAndPosition)
{
    FullChain chain;
    EXPECT_EQ(chain.graph->GetFilter(kMutateGuid), chain.mutate);
    EXPECT_EQ(chain.graph->GetFilter(Guid()), nullptr);
    EXPECT_EQ(chain.graph->GetFilter(3u), chain.target);
    EXPECT_EQ(chain.graph->GetFilter(4u), nullptr);
    EXPECT_EQ(chain.graph->GetLastFilter(), chain.target);
    EXPECT_TRUE(chain.graph->GetCrossFilterInfo());
    EXPECT_EQ(chain.graph->GetCrossFilterInfo(), chain.graph->GetCrossFilterInfo());
}
