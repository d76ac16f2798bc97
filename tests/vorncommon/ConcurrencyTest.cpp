#include "StillBlocked.h"

#include <VornCommon/Clock.h>
#include <VornCommon/Concurrency.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <ctime>
#include <future>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

using VornCommon::CountingSemaphore;
using VornCommon::concurrency::Thread;
using VornTest::IsStillBlocked;

TEST(ThreadsNaming, LongNamesAreCutTo15Characters)
{
    std::string shortName, longName, utf8Name, unchanged;
    std::thread([&] {
        Thread::setCurrentThreadName("MutateBlockFPS");
        shortName = Thread::GetCurrentThreadName();
        Thread::setCurrentThreadName("MutateFrameMultiThread"); // 22 characters
        longName = Thread::GetCurrentThreadName();
        // 14 ASCII bytes and a two-byte character: the character is not split.
        Thread::setCurrentThreadName(std::string("abcdefghijklmn\xC3\xA9z"));
        utf8Name = Thread::GetCurrentThreadName();
        Thread::setCurrentThreadName(nullptr);
        unchanged = Thread::GetCurrentThreadName();
    }).join();
    EXPECT_EQ((std::tuple{shortName, longName, utf8Name, unchanged}),
              std::tuple("MutateBlockFPS", "MutateFrameMult", "abcdefghijklmn", "abcdefghijklmn"));
}

TEST(ThreadsPriority, RaiseIsBestEffortAndNeverRealTime)
{
    int before = 0, after = 0, policy = -1;
    bool raised = false;
    std::thread([&] {
        before = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
        raised = Thread::raiseCurrentThreadPriority();
        after = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
        policy = sched_getscheduler(0);
    }).join();
    EXPECT_EQ(policy, SCHED_OTHER);
    if (raised) {
        EXPECT_EQ(after, before > -18 ? before - 2 : -20);
    } else {
        EXPECT_EQ(after, before) << "a refused raise leaves the thread as it was";
    }
}

TEST(CountingSemaphoreConcurrency, AcquireWaitsForRelease)
{
    CountingSemaphore permits(2);
    permits.Acquire();
    EXPECT_EQ((std::tuple{bool(permits.TryAcquire()), bool(permits.TryAcquire()), permits.Count()}),
              std::tuple(true, false, 0u));

    auto waiter = std::async(std::launch::async, [&] { permits.Acquire(); });
    EXPECT_TRUE(IsStillBlocked(waiter));
    permits.Release(3);
    waiter.get();
    EXPECT_EQ(permits.Count(), 2u);
    permits.Release(0);
    EXPECT_EQ(permits.Count(), 2u);
}

TEST(Clock, ReadsBothClocksAndSleeps)
{
    const uint64_t wall = VornCommon::UnixTime100ns();
    const uint64_t seconds = static_cast<uint64_t>(std::time(nullptr));
    EXPECT_LE(wall / 10000000u, seconds);
    EXPECT_GE(wall / 10000000u + 5, seconds);

    const uint32_t start = VornCommon::TickCountMs();
    VornCommon::SleepMs(20);
    // A sleep lasts at least its time on the steady clock; differences wrap as unsigned.
    EXPECT_GE(static_cast<uint32_t>(VornCommon::TickCountMs() - start), 20u);
}
