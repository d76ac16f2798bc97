// BlockingBoundedQueue hand-off against a plain mutex-guarded deque doing the same work.

#include <VornCommon/BlockingBoundedQueue.h>

#include <benchmark/benchmark.h>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace {

using Item = std::shared_ptr<int>;
constexpr uint32_t kCapacity = 1000; // what the graph gives every connection
constexpr int kItemsPerRun = 20000;

// Baseline: unbounded deque, one mutex, a condition variable for the consumer only.
class MutexDequeBaseline {
public:
    explicit MutexDequeBaseline(uint32_t /*unbounded*/) {}
    void Push(Item item)
    {
        {
            std::lock_guard<std::mutex> lock(_mutex);
            _items.push_back(std::move(item));
        }
        _notEmpty.notify_one();
    }
    Item Pull()
    {
        std::unique_lock<std::mutex> lock(_mutex);
        _notEmpty.wait(lock, [this] { return !_items.empty(); });
        Item item = std::move(_items.front());
        _items.pop_front();
        return item;
    }

private:
    std::mutex _mutex;
    std::condition_variable _notEmpty;
    std::deque<Item> _items;
};

template <class Queue>
void BM_HandOffOneThread(benchmark::State& state)
{
    Queue queue(kCapacity);
    const Item item = std::make_shared<int>(1);
    for (auto _ : state) {
        queue.Push(item);
        Item out = queue.Pull();
        benchmark::DoNotOptimize(out);
    }
    state.SetItemsProcessed(state.iterations());
}

template <class Queue>
void BM_ProducerConsumer(benchmark::State& state)
{
    Queue queue(kCapacity);
    const Item item = std::make_shared<int>(1);
    for (auto _ : state) {
        std::thread producer([&] {
            for (int i = 0; i < kItemsPerRun; ++i) {
                queue.Push(item);
            }
        });
        for (int i = 0; i < kItemsPerRun; ++i) {
            Item out = queue.Pull();
            benchmark::DoNotOptimize(out);
        }
        producer.join();
    }
    state.SetItemsProcessed(state.iterations() * kItemsPerRun);
}

using Bounded = VornCommon::BlockingBoundedQueue<Item>;

} // namespace

BENCHMARK_TEMPLATE(BM_HandOffOneThread, Bounded);
BENCHMARK_TEMPLATE(BM_HandOffOneThread, MutexDequeBaseline);
BENCHMARK_TEMPLATE(BM_ProducerConsumer, Bounded)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_ProducerConsumer, MutexDequeBaseline)->UseRealTime()->Unit(benchmark::kMillisecond);
