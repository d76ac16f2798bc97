// Cost of handing an atom through a filter queue (push + pull), on one thread and between a
// producer and a consumer thread, beside the bare platform queue in the same run.

#include <Hyx/Atom.h>
#include <Hyx/Queue.h>

#include <VornCommon/BlockingBoundedQueue.h>

#include <benchmark/benchmark.h>

#include <memory>
#include <thread>

namespace {

using AtomPtr = std::shared_ptr<Hyx::Atom>;
constexpr int kSlots = 1000; // the graph's connection size

using BareQueue = VornCommon::BlockingBoundedQueue<AtomPtr>;

// One thread pushes and pulls in turn: the cost of the pair without any waiting.
template <class Q>
void BM_OneThread(benchmark::State& state)
{
    Q queue(kSlots);
    const AtomPtr atom = std::make_shared<Hyx::Atom>(0u, 0u, uint64_t{0});
    for (auto _ : state) {
        queue.Push(atom);
        benchmark::DoNotOptimize(queue.Pull());
    }
}
BENCHMARK_TEMPLATE(BM_OneThread, BareQueue);
BENCHMARK_TEMPLATE(BM_OneThread, Hyx::Queue);

// The consumer is the timed thread; the producer pushes exactly as many atoms as it pulls.
void BM_BareQueue_TwoThreads(benchmark::State& state)
{
    BareQueue queue(kSlots);
    const AtomPtr atom = std::make_shared<Hyx::Atom>(0u, 0u, uint64_t{0});
    const benchmark::IterationCount count = state.max_iterations;
    std::thread producer([&] {
        for (benchmark::IterationCount i = 0; i < count; ++i)
            queue.Push(atom);
    });
    for (auto _ : state)
        benchmark::DoNotOptimize(queue.Pull());
    producer.join();
}
BENCHMARK(BM_BareQueue_TwoThreads)->UseRealTime();

void BM_HyxQueue_TwoThreads(benchmark::State& state)
{
    Hyx::Queue queue(kSlots);
    const AtomPtr atom = std::make_shared<Hyx::Atom>(0u, 0u, uint64_t{0});
    const benchmark::IterationCount count = state.max_iterations;
    std::thread producer([&] {
        // Push never waits: a full queue is retried, as a filter retries on its next update.
        for (benchmark::IterationCount i = 0; i < count;) {
            if (queue.Push(atom))
                ++i;
            else
                std::this_thread::yield();
        }
    });
    for (auto _ : state)
        benchmark::DoNotOptimize(queue.Pull());
    producer.join();
}
BENCHMARK(BM_HyxQueue_TwoThreads)->UseRealTime();

} // namespace
