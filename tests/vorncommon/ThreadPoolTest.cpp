#include "StillBlocked.h"

#include <VornCommon/ThreadPool.h>

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <latch>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <vector>

using VornCommon::ThreadPool;
using VornTest::IsStillBlocked;

namespace {

// Signals when the job that captured it is released, run or discarded.
struct ReleaseSignal {
    explicit ReleaseSignal(std::latch& latch) : latch(latch) {}
    ~ReleaseSignal() { latch.count_down(); }
    std::latch& latch;
};

} // namespace

TEST(ThreadPoolConcurrency, JobsSeeTheirWorkerIndexAndNeverOverlapOnAWorker)
{
    constexpr unsigned kWorkers = 4;
    constexpr int kJobs = 400;
    ThreadPool pool(kWorkers);
    EXPECT_EQ(pool.GetThreadsCount(), kWorkers);

    std::atomic<bool> busy[kWorkers] = {};
    std::atomic<int> ran{0}, badIndex{0}, overlaps{0};
    for (int i = 0; i < kJobs; ++i) {
        pool.DoJob([&](unsigned worker) {
            if (worker >= kWorkers) {
                ++badIndex;
                return;
            }
            if (busy[worker].exchange(true))
                ++overlaps;
            ++ran;
            busy[worker].store(false);
        });
    }
    pool.WaitUntilIdle();
    EXPECT_EQ((std::tuple{ran.load(), badIndex.load(), overlaps.load(), pool.GetUnoccupiedThreadsCount()}),
              std::tuple(kJobs, 0, 0, kWorkers));
}

TEST(ThreadPoolConcurrency, OneWorkerRunsJobsInSubmissionOrder)
{
    ThreadPool pool(0); // taken as 1
    ASSERT_EQ(pool.GetThreadsCount(), 1u);
    std::vector<int> order;
    for (int i = 0; i < 100; ++i)
        pool.DoJob([&order, i](unsigned worker) { order.push_back(worker == 0 ? i : -1); });
    pool.WaitUntilIdle();
    ASSERT_EQ(order.size(), 100u);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(order[i], i);
    }
}

TEST(ThreadPoolConcurrency, RunningAndWaitingJobsOccupyWorkers)
{
    ThreadPool pool(2);
    EXPECT_EQ((std::tuple{pool.GetUnoccupiedThreadsCount(), pool.HasUnoccupiedThreads()}), std::tuple(2u, true));

    std::latch started(1), gate(1);
    pool.DoJob([&](unsigned) {
        started.count_down();
        gate.wait();
    });
    started.wait();
    EXPECT_EQ((std::tuple{pool.GetUnoccupiedThreadsCount(), pool.HasUnoccupiedThreads()}), std::tuple(1u, true));

    // Two more: whether the second worker has taken one yet or not, nothing is free.
    pool.DoJob([&](unsigned) { gate.wait(); });
    pool.DoJob([&](unsigned) { gate.wait(); });
    EXPECT_EQ((std::tuple{pool.GetUnoccupiedThreadsCount(), pool.HasUnoccupiedThreads()}), std::tuple(0u, false));

    gate.count_down();
    pool.WaitUntilIdle();
    EXPECT_EQ(pool.GetUnoccupiedThreadsCount(), 2u);
}

TEST(ThreadPoolConcurrency, ResetJobsDiscardsWaitingJobsAndCountsThem)
{
    ThreadPool pool(1);
    std::latch started(1), gate(1);
    std::atomic<bool> firstDone{false};
    std::atomic<int> discardedRan{0};
    pool.DoJob([&](unsigned) {
        started.count_down();
        gate.wait();
        firstDone = true;
    });
    started.wait();
    for (int i = 0; i < 3; ++i)
        pool.DoJob([&](unsigned) { ++discardedRan; });
    EXPECT_EQ((std::tuple{pool.ResetJobs(), pool.ResetJobs()}), std::tuple(3u, 0u));
    EXPECT_EQ(pool.GetUnoccupiedThreadsCount(), 0u) << "the running job still occupies";

    gate.count_down();
    pool.WaitUntilIdle();
    EXPECT_EQ((std::tuple{bool(firstDone.load()), discardedRan.load()}), std::tuple(true, 0));

    std::atomic<bool> later{false};
    pool.DoJob([&](unsigned) { later = true; });
    pool.WaitUntilIdle();
    EXPECT_TRUE(later.load()) << "the pool keeps working after a reset";
}

TEST(ThreadPoolConcurrency, DestructionWaitsForRunningJobAndDropsWaitingOnes)
{
    auto pool = std::make_unique<ThreadPool>(1);
    std::latch started(1), gate(1), waitingReleased(1);
    std::atomic<bool> runningDone{false}, waitingRan{false};
    pool->DoJob([&](unsigned) {
        started.count_down();
        gate.wait();
        runningDone = true;
    });
    started.wait();
    auto signal = std::make_shared<ReleaseSignal>(waitingReleased);
    pool->DoJob([&, signal](unsigned) { waitingRan = true; });
    signal.reset();

    // The waiting job can only be released by the destructor discarding it; then the gate opens.
    auto opener = std::async(std::launch::async, [&] {
        waitingReleased.wait();
        gate.count_down();
    });
    pool.reset();
    opener.get();
    EXPECT_EQ((std::tuple{bool(runningDone.load()), bool(waitingRan.load())}), std::tuple(true, false));
}

TEST(ThreadPoolConcurrency, ThrowingJobDoesNotKillItsWorker)
{
    ThreadPool pool(1);
    pool.DoJob([](unsigned) { throw std::runtime_error("job failed"); });
    pool.DoJob([](unsigned) { throw 42; });
    std::atomic<bool> ran{false};
    pool.DoJob([&](unsigned) { ran = true; });
    pool.WaitUntilIdle();
    EXPECT_EQ((std::tuple{bool(ran.load()), pool.GetUnoccupiedThreadsCount()}), std::tuple(true, 1u));
}

TEST(ThreadPoolConcurrency, WaitUntilIdleBlocksWhileAJobRuns)
{
    ThreadPool pool(2);
    std::latch gate(1);
    pool.DoJob([&](unsigned) { gate.wait(); });
    auto waiter = std::async(std::launch::async, [&] { pool.WaitUntilIdle(); });
    EXPECT_TRUE(IsStillBlocked(waiter));
    gate.count_down();
    waiter.get();
}
