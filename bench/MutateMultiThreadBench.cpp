// Throughput of MutateAtomMultiThread with a fixed 2 ms CPU-bound hook at 1, 2, 4 and 8
// workers, beside the same hook called in a plain loop on one thread (the baseline). The
// items/s counter of each row gives the speed-up over the baseline and over 1 worker.

#include "ThreadedMutateRun.h"

#include <Hyx/MutateMultiThread.h>

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

constexpr unsigned kAtoms = 64;
constexpr auto kHookTime = std::chrono::milliseconds(2);

/// Keeps the CPU busy for kHookTime.
void Spin()
{
    const auto end = std::chrono::steady_clock::now() + kHookTime;
    unsigned x = 1;
    while (std::chrono::steady_clock::now() < end)
        benchmark::DoNotOptimize(x = x * 1664525u + 1013904223u);
}

class SpinMutate : public Hyx::MutateAtomMultiThread {
public:
    VornCommon::Guid TypeGuid() const override { return GraphFixtures::kMutateGuid; }
    Hyx::FilterClassInfo GetFilterClassInfo() const override
    {
        return Hyx::FilterClassInfo("MutateSpin", Hyx::FilterCategory::Transform);
    }

protected:
    std::shared_ptr<Hyx::Atom> onProcessAtom(void*, std::shared_ptr<Hyx::Atom> atom) override
    {
        Spin();
        return atom;
    }
};

void BM_HookInPlainLoop(benchmark::State& state)
{
    for (auto _ : state)
        for (unsigned i = 0; i < kAtoms; ++i)
            Spin();
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kAtoms);
}
BENCHMARK(BM_HookInPlainLoop)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MutateAtomMultiThread(benchmark::State& state)
{
    RunThreadedMutate(state, std::make_shared<SpinMutate>(), kAtoms);
}
BENCHMARK(BM_MutateAtomMultiThread)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
