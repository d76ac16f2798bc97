// One graph update pass through a chain of pass-through transforms, against a bare loop that
// moves the same atom through the same number of queues (the connections of the chain).
//
// The chain is source -> N transforms -> target, so it has N + 1 connections. "Idle" passes
// find every queue empty; "Flowing" passes carry one atom from the source to the target (the
// same atom every frame); "FreshFrames" passes carry a new atom of 4 layers every frame.
// A graph's Pause and resume walk the same chain against the bare calls of its filters' own
// Pause and Play: the difference is what the graph adds around a walk. Likewise the graph's
// IsDone, which an asynchronous graph's worker asks after every pass, against its filters'.

#include "BenchChain.h"

#include <Hyx/Atom.h>
#include <Hyx/Filter.h>
#include <Hyx/Queue.h>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

using namespace BenchChain;

void BM_GraphUpdate(benchmark::State& state, bool flowing, int layers = 0)
{
    const int transforms = static_cast<int>(state.range(0));
    Chain chain(transforms, flowing, layers);
    TimePasses(state, chain);
}

// The bare hand-off: the atom goes through N + 1 queues, each pull after a pending test, as
// the filters do.
void BM_BareQueues(benchmark::State& state, bool flowing)
{
    const int transforms = static_cast<int>(state.range(0));
    std::vector<std::unique_ptr<Hyx::Queue>> queues;
    for (int i = 0; i <= transforms; ++i)
        queues.push_back(std::make_unique<Hyx::Queue>(1000));
    const auto atom = std::make_shared<Hyx::Atom>(0, 0, 0);
    for (auto _ : state) {
        if (flowing)
            queues.front()->Push(atom);
        for (size_t i = 0; i < queues.size(); ++i) {
            if (!queues[i]->HasPendingData())
                continue;
            std::shared_ptr<Hyx::Atom> moved = queues[i]->Pull();
            if (i + 1 < queues.size())
                queues[i + 1]->Push(std::move(moved));
            else
                benchmark::DoNotOptimize(moved.get());
        }
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_GraphPauseResume(benchmark::State& state)
{
    const Chain chain(static_cast<int>(state.range(0)), false);
    Hyx::Graph& graph = *chain.graph;
    for (auto _ : state) {
        if (graph.Pause() != Hyx::ActionResult::Success || graph.Play() != Hyx::ActionResult::Success) {
            state.SkipWithError(graph.GetLastError(false).CStr());
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}

// The bare calls: every filter's Pause, then every filter's Play, in list order.
void BM_FiltersPauseResume(benchmark::State& state)
{
    const Chain chain(static_cast<int>(state.range(0)), false);
    const std::vector<std::shared_ptr<Hyx::Filter>> filters = chain.filters();
    for (auto _ : state) {
        for (const std::shared_ptr<Hyx::Filter>& filter : filters)
            benchmark::DoNotOptimize(filter->Pause());
        for (const std::shared_ptr<Hyx::Filter>& filter : filters)
            benchmark::DoNotOptimize(filter->Play());
    }
    state.SetItemsProcessed(state.iterations());
}

// The graph's IsDone of a playing chain: every filter's ForceGraphStop, then IsDone up to the
// first that is not done (the realtime source).
void BM_GraphIsDone(benchmark::State& state)
{
    const Chain chain(static_cast<int>(state.range(0)), true);
    for (auto _ : state)
        benchmark::DoNotOptimize(chain.graph->IsDone());
    state.SetItemsProcessed(state.iterations());
}

// The bare calls, in the same order.
void BM_FiltersIsDone(benchmark::State& state)
{
    const Chain chain(static_cast<int>(state.range(0)), true);
    const std::vector<std::shared_ptr<Hyx::Filter>> filters = chain.filters();
    for (auto _ : state) {
        bool forced = false;
        for (const std::shared_ptr<Hyx::Filter>& filter : filters)
            forced = filter->ForceGraphStop() || forced;
        bool done = true;
        for (const std::shared_ptr<Hyx::Filter>& filter : filters) {
            if (!filter->IsDone()) {
                done = false;
                break;
            }
        }
        benchmark::DoNotOptimize(forced || done);
    }
    state.SetItemsProcessed(state.iterations());
}

} // namespace

BENCHMARK(BM_GraphIsDone)->Arg(3)->Arg(10)->Arg(30);
BENCHMARK(BM_FiltersIsDone)->Arg(3)->Arg(10)->Arg(30);
BENCHMARK(BM_GraphPauseResume)->Arg(3)->Arg(10)->Arg(30);
BENCHMARK(BM_FiltersPauseResume)->Arg(3)->Arg(10)->Arg(30);
BENCHMARK_CAPTURE(BM_GraphUpdate, Idle, false)->Arg(3)->Arg(10)->Arg(30);
BENCHMARK_CAPTURE(BM_BareQueues, Idle, false)->Arg(3)->Arg(10)->Arg(30);
BENCHMARK_CAPTURE(BM_GraphUpdate, Flowing, true)->Arg(3)->Arg(10)->Arg(30);
BENCHMARK_CAPTURE(BM_BareQueues, Flowing, true)->Arg(3)->Arg(10)->Arg(30);
BENCHMARK_CAPTURE(BM_GraphUpdate, FreshFrames, true, 4)->Arg(3)->Arg(10)->Arg(30);
