// Delegate emission against a plain loop over a vector of the same listeners.

#include <VornCommon/Delegate.h>

#include <benchmark/benchmark.h>

#include <vector>

namespace {

struct Events {
    virtual ~Events() = default;
    virtual void onEvent(int value) = 0;
};

struct Counter : Events {
    void onEvent(int value) override { total += value; }
    long total = 0;
};

void BM_Emit_Delegate(benchmark::State& state)
{
    std::vector<Counter> counters(static_cast<size_t>(state.range(0)));
    VornCommon::signali::Delegate<Events> events;
    for (Counter& counter : counters) {
        events.Add(&counter);
    }
    for (auto _ : state) {
        events.Emit(&Events::onEvent, 1);
    }
    benchmark::DoNotOptimize(counters.data());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_Emit_PlainLoopBaseline(benchmark::State& state)
{
    std::vector<Counter> counters(static_cast<size_t>(state.range(0)));
    std::vector<Events*> listeners;
    for (Counter& counter : counters) {
        listeners.push_back(&counter);
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(listeners.data());
        for (Events* listener : listeners) {
            listener->onEvent(1);
        }
    }
    benchmark::DoNotOptimize(counters.data());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

} // namespace

BENCHMARK(BM_Emit_Delegate)->Arg(1)->Arg(4)->Arg(16);
BENCHMARK(BM_Emit_PlainLoopBaseline)->Arg(1)->Arg(4)->Arg(16);
