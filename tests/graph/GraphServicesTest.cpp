#include "GraphFixtures.h"

#include <CapturedLog.h>

#include <Hyx/FilterFactory.h>
#include <Hyx/FilterParams.h>
#include <Hyx/FrameOrderProvider.h>
#include <Hyx/TargetRenderer.h>

#include <gtest/gtest.h>

using namespace GraphFixtures;
using Hyx::ActionResult;
using Hyx::FrameOrderAuto;
using Hyx::Graph;
using Hyx::PlaybackMode;
using VornCommon::LogLevel;

namespace {

std::shared_ptr<FrameOrderAuto> autoOrder(const Graph& graph)
{
    return std::dynamic_pointer_cast<FrameOrderAuto>(graph.GetFrameOrderProvider());
}

// A target with an "Enable Recording" switch, as recording plug-ins have.
std::shared_ptr<TestTarget> recordingTarget(bool recording)
{
    auto target = std::make_shared<TestTarget>();
    target->makeParams = [recording](TestTarget& t) {
        t.addParam(std::make_shared<Hyx::FilterParamBool>("Enable Recording", 0u, recording));
    };
    return target;
}

} // namespace

TEST(GraphPlaybackMode, InstallsAWalkOverTheSourceFrames)
{
    auto empty = std::make_shared<Graph>();
    EXPECT_EQ(empty->SetPlaybackMode(PlaybackMode::ForwardOnce, true), ActionResult::Failure);
    EXPECT_EQ(empty->GetLastError(false).StdString(), "Graph lacks a source filter");

    TestGraph chain;
    chain.make<TestSource>(40);
    chain.make<TestTarget>();
    ASSERT_EQ(chain.graph->SetPlaybackMode(PlaybackMode::BackwardLoop, true), ActionResult::Success);
    ASSERT_TRUE(autoOrder(*chain.graph));
    EXPECT_EQ(autoOrder(*chain.graph)->GetRangeSize(), 40u);
    EXPECT_EQ(autoOrder(*chain.graph)->GetPlaybackMode(), PlaybackMode::BackwardLoop);

    ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
    EXPECT_EQ(chain.graph->SetPlaybackMode(PlaybackMode::ForwardLoop, true), ActionResult::Failure);
    EXPECT_EQ(chain.graph->GetLastError(false).StdString(),
              "Graph failed to set a playback mode(graph must be stopped first)");
    // Playing with an automatic order: Success, the mode stays.
    EXPECT_EQ(chain.graph->Play(PlaybackMode::BackwardOnce), ActionResult::Success);
    EXPECT_EQ(autoOrder(*chain.graph)->GetPlaybackMode(), PlaybackMode::ForwardOnce);
    // Paused: allowed.
    ASSERT_EQ(chain.graph->Pause(), ActionResult::Success);
    EXPECT_EQ(chain.graph->SetPlaybackMode(PlaybackMode::Pingpong, false), ActionResult::Success);
    EXPECT_EQ(autoOrder(*chain.graph)->GetPlaybackMode(), PlaybackMode::Pingpong);
    ASSERT_EQ(chain.graph->Stop(), ActionResult::Success);

    // Playing with a host-fed order: the mode cannot be taken.
    ASSERT_EQ(chain.graph->SetFrameOrderProvider(std::make_shared<Hyx::FrameOrderManual>()), ActionResult::Success);
    ASSERT_EQ(chain.graph->Play(), ActionResult::Success);
    EXPECT_EQ(chain.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Failure);
    EXPECT_EQ(chain.graph->GetLastError(false).StdString(),
              "Graph failed to start playing(Source filter '$filter$' lacks a valid frame order provider.)");
    ASSERT_EQ(chain.graph->Stop(), ActionResult::Success);
}

TEST(GraphPlaybackMode, RealtimeNeedsNoStreamInformation)
{
    TestGraph chain;
    chain.make<TestSource>(40, MakeProfile({{kPurposeA, kType1}}), false);
    chain.make<TestTarget>();
    ASSERT_EQ(chain.graph->SetPlaybackMode(PlaybackMode::Realtime, true), ActionResult::Success);
    EXPECT_EQ(autoOrder(*chain.graph)->GetRangeSize(), 4294967295u);
    // The automatic order is there, so another mode reuses it.
    EXPECT_EQ(chain.graph->SetPlaybackMode(PlaybackMode::ForwardOnce, true), ActionResult::Success);

    ASSERT_EQ(chain.graph->SetFrameOrderProvider(nullptr), ActionResult::Success);
    EXPECT_EQ(chain.graph->SetPlaybackMode(PlaybackMode::ForwardOnce, true), ActionResult::Failure);
    EXPECT_EQ(chain.graph->GetLastError(false).StdString(), "Graph failed to get stream info from source");
}

TEST(GraphPlaybackMode, SourceWithoutFramesIsRefused)
{
    TestGraph chain;
    chain.make<TestSource>(0);
    chain.make<TestTarget>();
    EXPECT_EQ(chain.graph->SetPlaybackMode(PlaybackMode::ForwardOnce, true), ActionResult::Failure);
    EXPECT_EQ(chain.graph->GetLastError(false).StdString(),
              "Graph failed to set a playback mode(source reports no frames)");
    EXPECT_EQ(chain.graph->GetFrameOrderProvider(), nullptr);
    EXPECT_EQ(chain.graph->Play(PlaybackMode::BackwardOnce), ActionResult::Failure);
    EXPECT_TRUE(chain.graph->IsStopped());
}

TEST(GraphPlaybackMode, RangeFollowsANewSource)
{
    TestGraph chain;
    chain.make<TestSource>(40);
    ASSERT_EQ(chain.graph->SetPlaybackMode(PlaybackMode::ForwardOnce, true), ActionResult::Success);
    const auto first = autoOrder(*chain.graph);
    ASSERT_EQ(chain.graph->SetPlaybackMode(PlaybackMode::ForwardLoop, true), ActionResult::Success);
    EXPECT_EQ(autoOrder(*chain.graph), first); // same count: the order is kept
    // Realtime needs no frame count: the order over the source's frames stays in place.
    ASSERT_EQ(chain.graph->SetPlaybackMode(PlaybackMode::Realtime, true), ActionResult::Success);
    EXPECT_EQ(autoOrder(*chain.graph), first);
    EXPECT_EQ(first->GetRangeSize(), 40u);
    EXPECT_EQ(first->GetPlaybackMode(), PlaybackMode::Realtime);

    ASSERT_EQ(chain.graph->RemoveAllFilters(), ActionResult::Success);
    chain.make<TestSource>(7);
    auto target = chain.make<TestTarget>();
    ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
    EXPECT_EQ(autoOrder(*chain.graph)->GetRangeSize(), 7u);
    EXPECT_TRUE(chain.runToEnd());
    EXPECT_EQ(target->frames().size(), 7u);
}

TEST(GraphParameters, ByNameAndByFilterType)
{
    CapturedLog log;
    TestGraph chain;
    chain.make<TestSource>(10);
    auto first = std::make_shared<TestTarget>(false);
    first->makeParams = [](TestTarget& t) {
        t.addParam(std::make_shared<Hyx::FilterParamInt32>("Level", 0u, 1, 0, 10));
    };
    chain.add(first);
    auto second = std::make_shared<TestTarget>(false);
    second->makeParams = [](TestTarget& t) {
        t.addParam(std::make_shared<Hyx::FilterParamInt32>("Level", 0u, 2, 0, 10));
    };
    chain.add(second);

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
    EXPECT_EQ(log.Entries()[0].text.rfind("Invalid filter guid: ", 0), 0u);
    log.Clear();
    EXPECT_FALSE(chain.graph->SetFilterParamValue(guidText.c_str(), "Level", "abc", 1));
    EXPECT_EQ(log.Count(LogLevel::Error, "Invalid filter guid: invalid stoi argument"), 1);
    EXPECT_EQ(first->getParameterValue("Level"), "5");
    EXPECT_EQ(chain.graph->GetLastError(false).StdString(), "");
}

TEST(GraphRecording, StartAndStopSwitchTheFilters)
{
    TestGraph chain;
    chain.make<TestSource>(100);
    auto a = chain.add(recordingTarget(false));
    auto b = chain.add(recordingTarget(false));
    StateLog events;
    chain.graph->_graphEvents.Add(&events);
    CapturedLog log;

    EXPECT_EQ(chain.graph->StartRecording(), ActionResult::Failure);
    EXPECT_EQ(chain.graph->GetLastError(false).StdString(), "Graph failed to start recording");
    EXPECT_EQ(chain.graph->StopRecording(), ActionResult::Failure);
    EXPECT_EQ(chain.graph->GetLastError(false).StdString(), "Graph failed to stop recording");

    ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardLoop), ActionResult::Success);
    ASSERT_EQ(chain.graph->StartRecording(), ActionResult::Success);
    EXPECT_EQ(events.recordings(), std::vector<bool>{true});
    EXPECT_EQ(a->getParameterValue("Enable Recording"), "True");
    EXPECT_EQ(b->getParameterValue("Enable Recording"), "True");
    // All switched on already: nothing to switch.
    EXPECT_EQ(chain.graph->StartRecording(), ActionResult::Failure);
    EXPECT_EQ(log.Count(LogLevel::Error, "Failed to set active filter param 'Enable Recording'"), 1);

    ASSERT_EQ(chain.graph->StopRecording(), ActionResult::Success);
    EXPECT_EQ(a->getParameterValue("Enable Recording"), "False");
    EXPECT_EQ(events.recordings(), std::vector<bool>{true}); // the stop is told after the next pass
    ASSERT_EQ(chain.graph->Update(), ActionResult::Success);
    EXPECT_EQ(events.recordings(), (std::vector<bool>{true, false}));
    ASSERT_EQ(chain.graph->Update(), ActionResult::Success);
    EXPECT_EQ(events.recordings().size(), 2u);
    EXPECT_EQ(chain.graph->StopRecording(), ActionResult::Failure);
    EXPECT_EQ(log.Count(LogLevel::Error, "Failed to get active filter param 'Enable Recording'"), 1);

    // The stop event comes also at the end of a failed pass.
    ASSERT_EQ(chain.graph->StartRecording(), ActionResult::Success);
    ASSERT_EQ(chain.graph->StopRecording(), ActionResult::Success);
    a->process = [](TestTarget& t, const Hyx::Atom&) { return t.ReportError(Hyx::HyxErrorCode::FailedToWriteToFile); };
    EXPECT_EQ(chain.graph->Update(), ActionResult::Failure);
    EXPECT_EQ(events.recordings(), (std::vector<bool>{true, false, true, false}));
    chain.graph->_graphEvents.Remove(&events);
}

TEST(GraphSourceInformation, StreamInfoProfileAndRenderers)
{
    auto empty = std::make_shared<Graph>();
    EXPECT_EQ(empty->GetSourceStreamInfo(), nullptr);
    EXPECT_EQ(empty->GetSourceAggregatedOutputProfile(), nullptr);

    TestGraph chain;
    auto source = chain.make<TestSource>(12, MakeProfile({{kPurposeA, kType1}, {kPurposeB, kType2}}));
    chain.make<TestTarget>();
    ASSERT_TRUE(chain.graph->GetSourceStreamInfo());
    EXPECT_EQ(chain.graph->GetSourceStreamInfo()->GetNumFrames(), 12u);
    EXPECT_EQ(chain.graph->GetSourceAggregatedOutputProfile()->GetDataProfileCount(), 2);
    EXPECT_TRUE(chain.graph->GetRenderers().empty());
}
