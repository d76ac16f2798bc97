// Host threads push into a live source while an asynchronous graph's worker pulls: every
// frame arrives once, whole, numbered in arrival order. Host threads call an offline source
// while it joins a graph: a push either plays or is refused.

#include "FilterTestUtil.h"

#include <Hyx/AsyncGraph.h>
#include <Hyx/SourceManual.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <thread>

using namespace Hyx;
using namespace FilterTest;

TEST(ManualSourceThreads, HostThreadsPushWhileTheAsyncGraphPulls)
{
    constexpr unsigned kStreams = 2;
    constexpr int kThreads = 2;
    constexpr int kFramesPerThread = 150;
    auto source = Make<SourceManualLiveSource>();
    ASSERT_TRUE(source->ClearCacheAndReinitializeProperties(MakeAtom(0, 0, {StreamInfo(), Positions(0.0f, 1)}),
                                                            kStreams, 1000.0f, true));
    auto target = Make<TargetCallback>();
    RecordingListener listener;
    target->SetAtomsListener(&listener);
    auto graph = Chain<AsyncGraph>({source, target});
    ASSERT_EQ(graph->SetPlaybackMode(PlaybackMode::Realtime, 0.0f), ActionResult::Success);
    ASSERT_EQ(graph->Play(), ActionResult::Success);

    // Frame i of thread t carries the value t * 1000 + i in every stream.
    std::vector<std::thread> hosts;
    for (int t = 0; t < kThreads; ++t) {
        hosts.emplace_back([&, t] {
            for (int i = 0; i < kFramesPerThread; ++i) {
                Frame frame;
                for (unsigned s = 0; s < kStreams; ++s)
                    frame.push_back(MakeAtom(s, 0, {StreamInfo(), Positions(float(t * 1000 + i), 1)}));
                EXPECT_TRUE(source->PushFrame(frame));
            }
        });
    }
    for (std::thread& host : hosts)
        host.join();
    const size_t total = kThreads * kFramesPerThread;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (listener.Count() < total && std::chrono::steady_clock::now() < deadline && graph->IsPlaying())
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(graph->Stop(), ActionResult::Success);

    const auto frames = listener.Frames();
    ASSERT_EQ(frames.size(), total) << graph->GetLastError(false).CStr();
    std::set<float> seen;
    std::vector<int> nextOfThread(kThreads, 0);
    for (size_t f = 0; f < frames.size(); ++f) {
        ASSERT_EQ(frames[f].size(), kStreams);
        const float value = BaseOf(frames[f][0]);
        for (unsigned s = 0; s < kStreams; ++s) {
            EXPECT_EQ((std::tuple{frames[f][s]->GetFrameNr(), frames[f][s]->GetStreamId()}), std::tuple(f, s));
            EXPECT_EQ(BaseOf(frames[f][s]), value); // never two frames mixed
        }
        EXPECT_TRUE(seen.insert(value).second);
        // Each thread's frames leave in the order it pushed them.
        const int thread = int(value) / 1000;
        EXPECT_EQ(int(value) % 1000, nextOfThread[size_t(thread)]++);
    }
}

namespace {

std::shared_ptr<Atom> offlineTemplate()
{
    return MakeAtom(0, 0, {StreamInfo(), Positions(0.0f, 1)});
}

Frame offlineFrame(float value)
{
    return {MakeAtom(0, 0, {StreamInfo(), Positions(value, 1)})};
}

// Plays an offline source's whole collection through a callback target; the first vertex of
// each frame played, in order.
std::vector<float> playCollection(const std::shared_ptr<SourceManualOfflineSource>& source)
{
    auto target = Make<TargetCallback>();
    RecordingListener listener;
    target->SetAtomsListener(&listener);
    auto graph = Chain({source, target});
    EXPECT_EQ(graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success) << graph->GetLastError(false).CStr();
    EXPECT_TRUE(RunToEnd(*graph));
    graph->Stop();
    graph->RemoveAllFilters();
    std::vector<float> values;
    for (const Frame& frame : listener.Frames())
        values.push_back(BaseOf(frame.at(0)));
    return values;
}

// Runs a host call on another thread in the step where initialisation has counted the frames
// and the filter's state does not yet say so.
class OfflineCalledWhileJoining : public SourceManualOfflineSource {
public:
    std::function<bool(SourceManualOfflineSource&)> hostCall;
    std::optional<bool> answer;
    std::string error;

protected:
    HyxErrorCode onInitialize(Filter* upstream) override
    {
        const HyxErrorCode result = SourceManualOfflineSource::onInitialize(upstream);
        if (hostCall && !answer) {
            std::thread host([this] {
                answer = hostCall(*this);
                error = GetLastError(false).StdString();
            });
            host.join();
        }
        return result;
    }
};

struct JoiningCall {
    const char* name;
    std::function<bool(SourceManualOfflineSource&)> call;
    const char* refusal;
};

void PrintTo(const JoiningCall& row, std::ostream* out)
{
    *out << row.name;
}

class ManualOfflineThreads : public ::testing::TestWithParam<JoiningCall> {};

} // namespace

// A host call made while the graph initialises the source either takes effect before the
// frames are counted or is refused: never accepted and then left out of the playback.
TEST_P(ManualOfflineThreads, HostCallsWhileTheSourceJoinsAGraphAreRefusedOnceTheFramesAreCounted)
{
    auto source = Make<OfflineCalledWhileJoining>();
    ASSERT_TRUE(source->ClearCacheAndReinitializeProperties(offlineTemplate(), 1, 25.0f, true));
    for (int f = 0; f < 3; ++f)
        ASSERT_TRUE(source->PushFrame(offlineFrame(float(f))));
    source->hostCall = GetParam().call;
    EXPECT_EQ(playCollection(source), (std::vector<float>{0.0f, 1.0f, 2.0f}));
    ASSERT_TRUE(source->answer.has_value());
    EXPECT_FALSE(*source->answer);
    EXPECT_EQ(source->error, GetParam().refusal);

    // Out of the graph the collection opens again, as it always did, and is counted anew.
    ASSERT_EQ(source->GetFilterState(), Filter::FilterState::PreInitialized);
    EXPECT_TRUE(source->PushFrame(offlineFrame(3.0f)));
    EXPECT_EQ(playCollection(source), (std::vector<float>{0.0f, 1.0f, 2.0f, 3.0f}));
    EXPECT_TRUE(source->ClearCache());
    EXPECT_TRUE(source->ClearCacheAndReinitializeProperties(offlineTemplate(), 1, 25.0f, true));
}

INSTANTIATE_TEST_SUITE_P(
    Calls, ManualOfflineThreads,
    ::testing::Values(
        JoiningCall{"Push", [](SourceManualOfflineSource& s) { return s.PushFrame(offlineFrame(100.0f)); },
                    "Can not push a frame to the manual offline source's collection after it was added to a graph"},
        JoiningCall{"Clear", [](SourceManualOfflineSource& s) { return s.ClearCache(); },
                    "Can not clear manual offline source's collection of atoms after it was added to a graph"},
        JoiningCall{"Redeclare",
                    [](SourceManualOfflineSource& s) {
                        return s.ClearCacheAndReinitializeProperties(offlineTemplate(), 1, 50.0f, false);
                    },
                    "Can not reinitialize properties of manual offline source after it was added to a graph"}),
    [](const ::testing::TestParamInfo<JoiningCall>& info) { return std::string(info.param.name); });

// Two host threads push while the host adds the source to a graph: every push answered true
// is played once, and no refused one is.
TEST(ManualOfflineJoinThreads, PushesRacingTheJoinEitherPlayOrAreRefused)
{
    constexpr int kRounds = 100;
    constexpr int kThreads = 2;
    constexpr int kPushesPerThread = 40;
    for (int round = 0; round < kRounds; ++round) {
        auto source = Make<SourceManualOfflineSource>();
        ASSERT_TRUE(source->ClearCacheAndReinitializeProperties(offlineTemplate(), 1, 25.0f, true));
        auto graph = std::make_shared<Graph>();
        std::atomic<bool> go{false};
        std::vector<std::vector<float>> accepted(kThreads);
        std::vector<std::thread> hosts;
        for (int t = 0; t < kThreads; ++t) {
            hosts.emplace_back([&, t] {
                while (!go.load())
                    std::this_thread::yield();
                for (int i = 0; i < kPushesPerThread; ++i) {
                    const float value = float(t * 1000 + i);
                    if (source->PushFrame(offlineFrame(value)))
                        accepted[size_t(t)].push_back(value);
                }
            });
        }
        go = true;
        ASSERT_EQ(graph->AddAndConnect(source), ActionResult::Success);
        for (std::thread& host : hosts)
            host.join();
        std::multiset<float> expected;
        for (const auto& values : accepted)
            expected.insert(values.begin(), values.end());
        auto target = Make<TargetCallback>();
        RecordingListener listener;
        target->SetAtomsListener(&listener);
        ASSERT_EQ(graph->AddAndConnect(target), ActionResult::Success);
        if (!expected.empty()) {
            ASSERT_EQ(graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
            ASSERT_TRUE(RunToEnd(*graph));
            graph->Stop();
        }
        std::multiset<float> played;
        for (const Frame& frame : listener.Frames())
            played.insert(BaseOf(frame.at(0)));
        ASSERT_EQ(played, expected) << "round " << round;
        graph->RemoveAllFilters();
    }
}
