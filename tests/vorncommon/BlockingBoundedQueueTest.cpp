#include "StillBlocked.h"

#include <VornCommon/BlockingBoundedQueue.h>

#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <thread>
#include <vector>

using VornCommon::BlockingBoundedQueue;
using VornTest::IsStillBlocked;

namespace {

using Item = std::shared_ptr<int>;

Item make(int value)
{
    return std::make_shared<int>(value);
}

} // namespace

TEST(BlockingBoundedQueue, FlushLeavesExactlyOneEmptyElement)
{
    BlockingBoundedQueue<Item> queue(4);
    queue.Push(make(1));
    queue.Push(make(2));
    queue.Flush();
    EXPECT_EQ((std::tuple{queue.Size(), queue.Pull(), queue.Size()}), std::tuple(1u, nullptr, 0u));

    queue.Flush();
    EXPECT_EQ(queue.Size(), 1u) << "flushing an empty queue also leaves one empty element";

    BlockingBoundedQueue<std::vector<Item>> frames(2);
    frames.Push({make(1), make(2)});
    frames.Flush();
    EXPECT_TRUE(frames.Pull().empty());
}

TEST(BlockingBoundedQueue, CloseFailsPushesAndDrainsPulls)
{
    BlockingBoundedQueue<Item> queue(4);
    queue.Push(make(1));
    queue.Push(make(2));
    queue.Close();
    EXPECT_EQ((std::tuple{queue.IsClosed(), bool(queue.Push(make(3))), bool(queue.TryPush(make(3))), *queue.Pull(),
                          *queue.Pull()}),
              std::tuple(true, false, false, 1, 2));
    EXPECT_EQ(queue.Pull(), nullptr) << "a closed, empty queue returns at once";
    queue.Flush();
    EXPECT_EQ(queue.Size(), 0u);
}

TEST(BlockingBoundedQueue, CapacityZeroHoldsNothing)
{
    BlockingBoundedQueue<Item> queue(0);
    EXPECT_FALSE(queue.TryPush(make(1)));
    queue.Flush(); // must not wait for a slot that never comes
    EXPECT_EQ((std::tuple{queue.Size(), queue.TryPull()}), std::tuple(0u, nullptr));
}

TEST(BlockingBoundedQueueConcurrency, PushOnFullQueueBlocksUntilPull)
{
    BlockingBoundedQueue<Item> queue(1);
    ASSERT_TRUE(queue.Push(make(1)));
    auto pusher = std::async(std::launch::async, [&] { return queue.Push(make(2)); });
    EXPECT_EQ((std::tuple{IsStillBlocked(pusher), queue.Size()}), std::tuple(true, 1u));

    EXPECT_EQ((std::tuple{*queue.Pull(), bool(pusher.get()), *queue.Pull()}), std::tuple(1, true, 2));
}

TEST(BlockingBoundedQueueConcurrency, PullOnEmptyQueueBlocksUntilPush)
{
    BlockingBoundedQueue<Item> queue(2);
    auto puller = std::async(std::launch::async, [&] { return queue.Pull(); });
    EXPECT_TRUE(IsStillBlocked(puller));

    queue.Push(make(7));
    Item pulled = puller.get();
    ASSERT_NE(pulled, nullptr);
    EXPECT_EQ(*pulled, 7);
}

TEST(BlockingBoundedQueueConcurrency, CloseReleasesBlockedPusherAndPuller)
{
    BlockingBoundedQueue<Item> full(1);
    full.Push(make(1));
    auto pusher = std::async(std::launch::async, [&] { return full.Push(make(2)); });
    EXPECT_TRUE(IsStillBlocked(pusher));
    full.Close();
    EXPECT_FALSE(pusher.get());
    EXPECT_EQ(*full.Pull(), 1) << "what was queued before Close still comes out";
    EXPECT_EQ(full.Pull(), nullptr);

    BlockingBoundedQueue<Item> empty(1);
    auto puller = std::async(std::launch::async, [&] { return empty.Pull(); });
    EXPECT_TRUE(IsStillBlocked(puller));
    empty.Close();
    EXPECT_EQ(puller.get(), nullptr);
}

TEST(BlockingBoundedQueueConcurrency, CapacityZeroPushBlocksUntilClose)
{
    BlockingBoundedQueue<Item> queue(0);
    auto pusher = std::async(std::launch::async, [&] { return queue.Push(make(1)); });
    EXPECT_TRUE(IsStillBlocked(pusher));
    queue.Close();
    EXPECT_EQ((std::tuple{bool(pusher.get()), queue.Size()}), std::tuple(false, 0u));
}

TEST(BlockingBoundedQueueConcurrency, ProducersAndConsumersLoseNothing)
{
    constexpr int kProducers = 2;
    constexpr int kPerProducer = 5000;
    BlockingBoundedQueue<std::pair<int, int>> queue(8);

    std::vector<std::thread> producers;
    for (int p = 0; p < kProducers; ++p) {
        producers.emplace_back([&queue, p] {
            for (int i = 1; i <= kPerProducer; ++i)
                queue.Push({p, i});
        });
    }
    // Each consumer sees every producer's items in increasing order.
    auto consume = [&queue] {
        std::vector<int> last(kProducers, 0);
        int taken = 0;
        bool ordered = true;
        for (;;) {
            const auto [producer, number] = queue.Pull();
            if (number == 0) {
                return std::make_pair(taken, ordered); // closed and drained
            }
            ordered = ordered && number > last[producer];
            last[producer] = number;
            ++taken;
        }
    };
    auto first = std::async(std::launch::async, consume);
    auto second = std::async(std::launch::async, consume);
    for (std::thread& producer : producers)
        producer.join();
    queue.Close();
    const auto a = first.get();
    const auto b = second.get();
    EXPECT_EQ((std::tuple{a.first + b.first, bool(a.second), bool(b.second)}),
              std::tuple(kProducers * kPerProducer, true, true));
}
