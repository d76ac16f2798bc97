// The lock-free reads and the spin-then-sleep waits of the queue and the thread pool: sizes
// read while other threads push and pull, and wake-ups that are never lost whether the waiting
// thread is still spinning or already asleep.

#include <VornCommon/BlockingBoundedQueue.h>
#include <VornCommon/ThreadPool.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

using namespace VornCommon;

TEST(SpinHandOffConcurrency, QueueSizeReadsStayInBoundsWhileThreadsPushAndPull)
{
    constexpr uint32_t kCapacity = 4;
    constexpr int kPerProducer = 5000;
    BlockingBoundedQueue<int> queue(kCapacity);
    std::atomic<bool> done{false};
    std::atomic<uint32_t> largest{0};
    std::thread reader([&] {
        while (!done.load())
            largest = std::max(largest.load(), queue.Size());
    });
    std::vector<std::thread> threads;
    std::atomic<long long> sum{0};
    for (int p = 0; p < 2; ++p)
        threads.emplace_back([&] {
            for (int i = 1; i <= kPerProducer; ++i)
                ASSERT_TRUE(queue.Push(i));
        });
    for (int c = 0; c < 2; ++c)
        threads.emplace_back([&] {
            for (int i = 0; i < kPerProducer; ++i)
                sum += queue.Pull();
        });
    for (std::thread& thread : threads)
        thread.join();
    done = true;
    reader.join();
    EXPECT_EQ(sum.load(), 2LL * kPerProducer * (kPerProducer + 1) / 2); // each element once
    EXPECT_LE(largest.load(), kCapacity);
    EXPECT_EQ(queue.Size(), 0u);
}

// The pool's next job comes after no pause or pauses far longer than an idle worker stays
// awake: it must run every time, never wait for another job.
TEST(SpinHandOffConcurrency, PoolJobsAfterAnyPauseRunWithoutAnotherJob)
{
    for (unsigned workers : {1u, 3u}) {
        ThreadPool pool(workers);
        std::atomic<int> ran{0};
        for (int submitted = 1; submitted <= 160; ++submitted) {
            std::this_thread::sleep_for(std::chrono::microseconds((submitted % 4) * (submitted % 4) * 30));
            pool.DoJob([&ran](unsigned) { ++ran; });
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (ran.load() < submitted && std::chrono::steady_clock::now() < deadline)
                std::this_thread::yield();
            ASSERT_EQ(ran.load(), submitted) << "a job waited with " << workers << " workers";
        }
        pool.WaitUntilIdle();
    }
}
