// Host threads push into a live source while an asynchronous graph's worker pulls: every
// frame arrives once, whole, numbered in arrival order.

#include "FilterTestUtil.h"

#include <Hyx/AsyncGraph.h>
#include <Hyx/SourceManual.h>

#include <chrono>
#include <set>
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
