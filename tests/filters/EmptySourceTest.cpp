// The empty source: published rate and frame count, one shared layer per atom, stream id from
// the host id (cut to 6 bits), system timestamps, and the realtime frame order it needs.

#include "FilterTestUtil.h"

#include <CapturedLog.h>

#include <Hyx/AsyncGraph.h>
#include <Hyx/AtomId.h>
#include <Hyx/FrameOrderProvider.h>
#include <Hyx/SourceEmpty.h>

#include <VornCommon/Clock.h>
#include <VornCommon/HostSettings.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

using namespace Hyx;
using namespace FilterTest;

TEST(EmptySource, EmitsOneSharedStreamInfoPerAtomWithTheHostIdAsStream)
{
    struct Case {
        int hostId;
        uint16_t streamId;
        const char* hostName;
        bool warned;
    };
    const Case cases[] = {
        {0, 0, DataTypeStreamInfo::DEFAULT_HOST_NAME, false},
        {3, 3, DataTypeStreamInfo::DEFAULT_REMOTE_HOST_NAME, false},
        {70, 6, DataTypeStreamInfo::DEFAULT_REMOTE_HOST_NAME, true}, // 70 does not fit 6 bits
    };
    for (const Case& c : cases) {
        CapturedLog log;
        VornCommon::HostSettings::GetInstance()->SetHostId(c.hostId);
        auto source = Make<SourceEmptySource>();
        auto target = Make<TargetCallback>();
        RecordingListener listener;
        target->SetAtomsListener(&listener);
        source->setParameterValues({{SourceEmptySource::FRAMERATE_PARAMNAME, "25"}});
        auto graph = Chain({source, target});
        VornCommon::HostSettings::GetInstance()->SetHostId(0);
        const auto info = source->GetStreamInfo();
        EXPECT_EQ((std::tuple{info->GetFPS(), info->GetNumFrames()}),
                  std::tuple(25.0f, DataTypeStreamInfo::NUM_FRAMES_AUTO));
        EXPECT_EQ(info->GetHostName(), c.hostName);
        EXPECT_EQ(log.Contains("is used as stream id"), c.warned);

        const uint64_t before = VornCommon::UnixTime100ns();
        ASSERT_EQ(graph->Play(PlaybackMode::Realtime), ActionResult::Success);
        for (int i = 0; i < 3; ++i)
            ASSERT_EQ(graph->Update(), ActionResult::Success);
        const uint64_t after = VornCommon::UnixTime100ns();
        const auto frames = listener.Frames();
        ASSERT_EQ(frames.size(), 3u);
        uint64_t last = before;
        for (uint32_t f = 0; f < 3; ++f) {
            const auto& atom = frames[f][0];
            EXPECT_EQ(atom->GetStreamId(), c.streamId);
            EXPECT_EQ(atom->GetFrameNr(), f);
            ASSERT_EQ(atom->GetAllDataLayers().size(), 1u);
            EXPECT_EQ(atom->GetAllDataLayers()[0], info); // the one shared layer
            EXPECT_GE(atom->GetTimeStamp(), last); // system time, not derived from the frame
            EXPECT_LE(atom->GetTimeStamp(), after);
            last = atom->GetTimeStamp();
        }
    }
}

TEST(EmptySource, ClampsTheRateAndNeedsTheRealtimeOrder)
{
    // "Framerate" text: what the parameter reads back and the rate the stream publishes.
    const struct {
        const char* text;
        const char* readBack;
        float published;
    } rates[] = {
        {"25", "25", 25.0f},       {"1e9", "1e+09", 10000.0f}, {"inf", "inf", 10000.0f}, {"20000", "20000", 10000.0f},
        {"0.001", "0.001", 0.01f}, {"0", "0", 0.01f},          {"-inf", "-inf", 0.01f},  {"fast", "0", 0.01f},
    };
    for (const auto& r : rates) {
        auto source = Make<SourceEmptySource>();
        source->setParameterValues({{SourceEmptySource::FRAMERATE_PARAMNAME, r.text}});
        auto graph = Chain({source});
        EXPECT_EQ(source->getParameterValue(SourceEmptySource::FRAMERATE_PARAMNAME), r.readBack) << r.text;
        EXPECT_EQ(source->GetStreamInfo()->GetFPS(), r.published) << r.text;
    }
    for (const char* rate : {"-5", "nan"}) {
        auto source = Make<SourceEmptySource>();
        source->setParameterValues({{SourceEmptySource::FRAMERATE_PARAMNAME, rate}});
        auto graph = Chain({source});
        EXPECT_EQ(source->GetStreamInfo()->GetFPS(), 0.01f) << rate;
    }
    auto source = Make<SourceEmptySource>();
    auto graph = Chain({source, Make<TargetEmpty>()});
    ASSERT_EQ(graph->SetFrameOrderProvider(std::make_shared<FrameOrderAuto>(0, 10)), ActionResult::Success);
    EXPECT_EQ(graph->Play(), ActionResult::Failure);
    EXPECT_NE(graph->GetLastError(false).StdString().find(
                  "Empty source can only run with automatic frame-order provider in 'realtime' mode"),
              std::string::npos);
}

namespace {

/// The states a graph's listeners hear.
class StateLog : public Graph::Events {
public:
    void onGraphStateChanged(Graph::GraphState state) override
    {
        std::lock_guard<std::mutex> lock(_mutex);
        _states.push_back(state);
    }
    std::vector<Graph::GraphState> States() const
    {
        std::lock_guard<std::mutex> lock(_mutex);
        return _states;
    }

private:
    mutable std::mutex _mutex;
    std::vector<Graph::GraphState> _states;
};

} // namespace

// An atom's id holds frame numbers 0 to 4194303: the realtime order counts on past them, and
// the endless stream numbers the frame after 4194303 as 0 again, on a graph the host updates
// and on the worker; the run goes on.
TEST(EmptySourceThreads, FramesPastTwentyTwoBitsStartAgainAtZeroOnBothKinds)
{
    const uint32_t last = AtomId::FRAME_NR_MASK;
    for (const bool async : {false, true}) {
        SCOPED_TRACE(async ? "AsyncGraph" : "Graph");
        auto source = Make<SourceEmptySource>();
        auto target = Make<TargetCallback>();
        RecordingListener listener;
        target->SetAtomsListener(&listener);
        // A realtime order that starts three frames before the end of the id's range.
        auto graph =
            async ? std::static_pointer_cast<Graph>(Chain<AsyncGraph>({source, target})) : Chain({source, target});
        ASSERT_EQ(graph->SetFrameOrderProvider(std::make_shared<FrameOrderAuto>(last - 2, 0xFFFFFFFFu)),
                  ActionResult::Success);
        StateLog log;
        graph->_graphEvents.Add(&log);
        ASSERT_EQ(graph->Play(PlaybackMode::Realtime), ActionResult::Success);
        if (async) {
            ASSERT_TRUE(listener.WaitFor(5)) << "no five frames";
        } else {
            for (int i = 0; i < 5; ++i)
                ASSERT_EQ(graph->Update(), ActionResult::Success) << graph->GetLastError(false).StdString();
        }
        EXPECT_TRUE(graph->IsPlaying());
        ASSERT_EQ(graph->Stop(), ActionResult::Success);
        std::vector<uint32_t> frames;
        for (const auto& frame : listener.Frames())
            frames.push_back(frame[0]->GetFrameNr());
        frames.resize(std::min<size_t>(frames.size(), 5));
        EXPECT_EQ(frames, (std::vector<uint32_t>{last - 2, last - 1, last, 0, 1}));
        EXPECT_EQ(log.States(),
                  (std::vector<Graph::GraphState>{Graph::GraphState::Playing, Graph::GraphState::Stopped}));
        graph->_graphEvents.Remove(&log);
    }
}
