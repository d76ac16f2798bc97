// Frames per second from a manual live source to the callback target's listener: on the
// host's thread (push, then one graph update per frame) and under the asynchronous graph
// (the host pushes, the worker drains). Baseline: the bare queue hand-off of QueueBench in
// the same run (BM_OneThread<BareQueue>, one atom per item).

#include <Hyx/AsyncGraph.h>
#include <Hyx/Atom.h>
#include <Hyx/DataTypeStreamInfo.h>
#include <Hyx/HYXPurposeGuids.h>
#include <Hyx/SourceManual.h>
#include <Hyx/TargetCallback.h>

#include <benchmark/benchmark.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace {

constexpr int kFrames = 100000;

class CountingListener : public Hyx::IAtomsListener {
public:
    void OnAtomsReceived(std::vector<std::shared_ptr<Hyx::Atom>>&) override { received.fetch_add(1); }
    std::atomic<int> received{0};
};

// A small frame: one atom with its stream information.
std::shared_ptr<Hyx::Atom> smallFrame()
{
    auto atom = std::make_shared<Hyx::Atom>(0u, 0u, uint64_t{0});
    auto info = std::make_shared<Hyx::DataTypeStreamInfo>();
    info->InitializeHeader(Hyx::HYXPurposeGuids::TALO);
    info->SetFPS(30.0f);
    atom->AddDataLayer(info);
    return atom;
}

template <class G>
struct Road {
    Road()
    {
        source->ClearCacheAndReinitializeProperties(smallFrame(), 1, 30.0f, true);
        graph->AddAndConnect(source);
        target->SetAtomsListener(&listener);
        graph->AddAndConnect(target);
    }
    ~Road()
    {
        graph->Stop();
        target->SetAtomsListener(nullptr);
        graph->RemoveAllFilters();
    }
    std::shared_ptr<G> graph = std::make_shared<G>();
    std::shared_ptr<Hyx::SourceManualLiveSource> source = std::make_shared<Hyx::SourceManualLiveSource>();
    std::shared_ptr<Hyx::TargetCallback> target = std::make_shared<Hyx::TargetCallback>();
    CountingListener listener;
};

// One frame per iteration: push, then one update of the graph on the host's thread.
void BM_ManualSource_HostThread(benchmark::State& state)
{
    Road<Hyx::Graph> road;
    road.graph->Play(Hyx::PlaybackMode::Realtime);
    const std::shared_ptr<Hyx::Atom> frame = smallFrame();
    for (auto _ : state) {
        road.source->PushFrame({frame});
        road.graph->Update();
    }
    if (road.listener.received != static_cast<int>(state.iterations()))
        state.SkipWithError("frames lost");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ManualSource_HostThread);

// 100,000 frames per iteration: the host pushes them all while the worker (unpaced) drains.
void BM_ManualSource_AsyncGraph(benchmark::State& state)
{
    const std::shared_ptr<Hyx::Atom> frame = smallFrame();
    for (auto _ : state) {
        Road<Hyx::AsyncGraph> road;
        road.graph->SetPlaybackMode(Hyx::PlaybackMode::Realtime, 0.0f);
        road.graph->Play();
        for (int i = 0; i < kFrames; ++i)
            road.source->PushFrame({frame});
        while (road.listener.received < kFrames && road.graph->IsPlaying())
            std::this_thread::yield();
        if (road.listener.received != kFrames)
            state.SkipWithError("frames lost");
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
}
BENCHMARK(BM_ManualSource_AsyncGraph)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace
