// The lock-free reads and the spin-then-sleep waits of the queue and the thread pool: sizes
// read while other threads push and pull, and wake-ups that are never lost whether the waiting
// thread is still spinning or already asleep.

#include <VornCommon/BlockingBoundedQueue.h>
#include <VornCommon/Concurrency.h>
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

// The pool's next job comes after a pause shorter than, about as long as, or far longer than
// the time an idle worker stays awake: it must run every time, never wait for another job.
TEST(SpinHandOffConcurrency, PoolJobsAfterAnyPauseRunWithoutAnotherJob)
{
    const std::chrono::microseconds pauses[] = {std::chrono::microseconds(0), std::chrono::microseconds(3),
                                                std::chrono::microseconds(8), std::chrono::microseconds(300)};
    for (unsigned workers : {1u, 3u}) {
        ThreadPool pool(workers);
        std::atomic<int> ran{0};
        int submitted = 0;
        for (int round = 0; round < 40; ++round) {
            for (const auto pause : pauses) {
                std::this_thread::sleep_for(pause);
                pool.DoJob([&ran](unsigned) { ++ran; });
                ++submitted;
                const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
                while (ran.load() < submitted && std::chrono::steady_clock::now() < deadline)
                    std::this_thread::yield();
                ASSERT_EQ(ran.load(), submitted) << "a job waited with " << workers << " workers";
            }
        }
        pool.WaitUntilIdle();
    }
}

TEST(SpinHandOffConcurrency, LockBrieflyExcludesLikeTheMutex)
{
    std::mutex mutex;
    long long counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 20000; ++i) {
                std::unique_lock<std::mutex> lock(mutex, std::defer_lock);
                concurrency::LockBriefly(lock);
                ++counter;
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(counter, 60000);
}
