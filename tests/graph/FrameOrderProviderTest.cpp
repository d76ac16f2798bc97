#include "GraphFixtures.h"

#include <Hyx/FrameOrderProvider.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using Hyx::FrameOrderAuto;
using Hyx::FrameOrderManual;
using Hyx::FrameOrderProvider;
using Hyx::PlaybackMode;

namespace {

// Drives a provider the way a source does: advance before reading once play started and
// after every emitted frame.
std::vector<uint32_t> walk(FrameOrderProvider& provider, int updates)
{
    std::vector<uint32_t> frames;
    for (int i = 0; i < updates && provider.HasNextFrameID(); ++i) {
        provider.AdvanceFrameID();
        frames.push_back(provider.GetFrameID());
    }
    return frames;
}

std::vector<uint32_t> walkMode(PlaybackMode mode, uint32_t first, uint32_t range, int updates)
{
    FrameOrderAuto order(first, range);
    order.SetPlaybackMode(mode, true);
    return walk(order, updates);
}

using Frames = std::vector<uint32_t>;

} // namespace

TEST(FrameOrderAuto, WalksOfEveryMode)
{
    EXPECT_EQ(walkMode(PlaybackMode::ForwardOnce, 0, 3, 10), (Frames{0, 1, 2}));
    EXPECT_EQ(walkMode(PlaybackMode::ForwardLoop, 0, 3, 7), (Frames{0, 1, 2, 0, 1, 2, 0}));
    EXPECT_EQ(walkMode(PlaybackMode::BackwardOnce, 0, 3, 10), (Frames{2, 1, 0}));
    EXPECT_EQ(walkMode(PlaybackMode::BackwardLoop, 0, 3, 7), (Frames{2, 1, 0, 2, 1, 0, 2}));
    EXPECT_EQ(walkMode(PlaybackMode::Pingpong, 0, 3, 8), (Frames{0, 1, 2, 1, 0, 1, 2, 1}));
    EXPECT_EQ(walkMode(PlaybackMode::PingpongInverse, 0, 3, 8), (Frames{2, 1, 0, 1, 2, 1, 0, 1}));
    EXPECT_EQ(walkMode(PlaybackMode::Realtime, 0, 4294967295u, 5), (Frames{0, 1, 2, 3, 4}));
    // An offset range walks its own numbers.
    EXPECT_EQ(walkMode(PlaybackMode::ForwardOnce, 10, 3, 10), (Frames{10, 11, 12}));
    EXPECT_EQ(walkMode(PlaybackMode::BackwardOnce, 10, 3, 10), (Frames{12, 11, 10}));
    // An unknown mode stands on one frame.
    EXPECT_EQ(walkMode(static_cast<PlaybackMode>(7), 0, 3, 3), (Frames{0, 0, 0}));
}

TEST(FrameOrderAuto, JumpsClampAndTakeEffectAtTheNextAdvance)
{
    FrameOrderAuto order(10, 10); // 10..19
    GraphFixtures::ResetCounter listener;
    order.SetFrameOrderResetListener(&listener);
    order.SetPlaybackMode(PlaybackMode::ForwardOnce, true);
    EXPECT_EQ(listener.count, 1);

    order.AdvanceFrameID();
    order.JumpToFrameID(100);
    EXPECT_EQ(listener.count, 2);
    EXPECT_EQ(order.GetFrameID(), 10u); // current unchanged until the advance
    order.AdvanceFrameID();
    EXPECT_EQ(order.GetFrameID(), 19u);
    EXPECT_FALSE(order.HasNextFrameID());

    // After the end, a jump does not revive the walk: the test looks at the current frame.
    order.JumpToFrameID(12);
    EXPECT_FALSE(order.HasNextFrameID());

    order.JumpToFrameID(0);
    order.AdvanceFrameID();
    EXPECT_EQ(order.GetFrameID(), 10u);
    order.SetFrameOrderResetListener(nullptr);
}

TEST(FrameOrderManual, EachQueuedFrameOnceAndNothingWhenEmpty)
{
    FrameOrderManual order;
    EXPECT_FALSE(order.HasNextFrameID());
    EXPECT_TRUE(order.IsDone());
    EXPECT_FALSE(order.HasCurrentFrameID());
    EXPECT_EQ(order.GetFrameID(), 0u);

    order.PushBackNextFrameID(7);
    order.PushBackNextFrameID(3);
    EXPECT_EQ(walk(order, 10), (Frames{7, 3}));
    // The last frame handed out stays current, but is not handed out again.
    EXPECT_FALSE(order.HasNextFrameID());
    EXPECT_TRUE(order.HasCurrentFrameID());
    EXPECT_EQ(order.GetFrameID(), 3u);
    order.AdvanceFrameID();
    EXPECT_EQ(order.GetFrameID(), 3u);

    GraphFixtures::ResetCounter listener;
    order.SetFrameOrderResetListener(&listener);
    order.PushBackNextFrameID(1);
    order.JumpToFrameID(42);
    EXPECT_EQ(listener.count, 1);
    EXPECT_FALSE(order.HasCurrentFrameID());
    EXPECT_EQ(walk(order, 10), (Frames{42}));

    order.PushBackNextFrameID(5);
    order.Reset();
    EXPECT_EQ(listener.count, 2);
    EXPECT_FALSE(order.HasNextFrameID());
    EXPECT_FALSE(order.HasCurrentFrameID());
    order.SetFrameOrderResetListener(nullptr);
}

TEST(FrameOrderConcurrency, HostJumpsWhileTheGraphAdvances)
{
    FrameOrderAuto order(0, 100);
    order.SetPlaybackMode(PlaybackMode::ForwardLoop, true);
    GraphFixtures::ResetCounter listener;
    order.SetFrameOrderResetListener(&listener);
    std::atomic<bool> stop{false};
    std::thread host([&] {
        for (uint32_t i = 0; i < 2000; ++i) {
            order.JumpToFrameID(i % 150);
            if (i % 100 == 0)
                order.Reset();
        }
        stop = true;
    });
    uint32_t steps = 0;
    while (!stop || steps < 100) {
        ASSERT_TRUE(order.HasNextFrameID());
        order.AdvanceFrameID();
        EXPECT_LT(order.GetFrameID(), 100u);
        ++steps;
    }
    host.join();
    EXPECT_EQ(listener.count, 2000 + 20);
    order.SetFrameOrderResetListener(nullptr);
}

TEST(FrameOrderConcurrency, HostPushesWhileTheGraphTakes)
{
    FrameOrderManual order;
    std::thread host([&] {
        for (uint32_t i = 1; i <= 5000; ++i)
            order.PushBackNextFrameID(i);
    });
    std::vector<uint32_t> taken;
    while (taken.size() < 5000) {
        if (order.HasNextFrameID()) {
            order.AdvanceFrameID();
            taken.push_back(order.GetFrameID());
        } else {
            std::this_thread::yield();
        }
    }
    host.join();
    for (uint32_t i = 0; i < 5000; ++i) {
        ASSERT_EQ(taken[i], i + 1);
    }
}

TEST(FrameOrderAuto, EmptyRangeHasNoFrame)
{
    for (int mode : {0, 1, 2, 3, 4, 5, 255}) {
        FrameOrderAuto order(0, 0);
        order.SetPlaybackMode(static_cast<PlaybackMode>(mode), true);
        EXPECT_FALSE(order.HasNextFrameID()) << mode;
        EXPECT_FALSE(order.HasCurrentFrameID()) << mode;
        EXPECT_TRUE(order.IsDone()) << mode;
        order.AdvanceFrameID();
        order.JumpToFrameID(3);
        EXPECT_FALSE(order.HasNextFrameID()) << mode;
        EXPECT_EQ(order.GetProgress(), 0.0f) << mode;
    }
}
