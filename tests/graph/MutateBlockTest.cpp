// Block mutates: frames released by the host or at a rate, drops when full, waits for room.

#include "GraphFixtures.h"

using namespace GraphFixtures;

TEST(MutateBlock, DropsFramesWhenFullCountsAndLogsThem)
{
    CapturedLog log;
    HostChain<MutateBlockManual> chain(std::make_shared<TestSource>(4), Block("0", true)); // 0: one frame
    ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
    ASSERT_TRUE(chain.update(4));
    EXPECT_EQ(chain.middle->getParameterValue("Dropped frames count"), "3");
    EXPECT_EQ(log.Count(LogLevel::Info, "Dropping a frame since the buffer is full (id: 64, timestamp: 40000000)"), 1);
    EXPECT_EQ(log.Count(LogLevel::Info, "Dropping a frame since the buffer is full (id: 192, timestamp: 120000000)"),
              1);
    // Resuming keeps the buffered frame and the count.
    ASSERT_EQ(chain.graph->Pause(), ActionResult::Success);
    ASSERT_EQ(chain.graph->Play(), ActionResult::Success);
    EXPECT_EQ(chain.middle->getParameterValue("Dropped frames count"), "3");
    chain.middle->PullNextProcessedFrame();
    ASSERT_TRUE(chain.runToEnd());
    EXPECT_EQ(chain.target->frames(), (Frames{0}));
    ASSERT_TRUE(chain.middle->setParameterValue("Reset dropped frames counter", "go"));
    EXPECT_EQ(chain.middle->getParameterValue("Dropped frames count"), "0");
}

TEST(MutateBlock, ReleasedFramesWaitForRoomDownstream)
{
    HostChain<MutateBlockManual> chain(std::make_shared<TestSource>(1100), Block("2000", false));
    ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
    ASSERT_TRUE(chain.update(1100));
    chain.target->stalled = true;
    for (int i = 0; i < 1100; ++i) {
        chain.middle->PullNextProcessedFrame();
        ASSERT_TRUE(chain.update(1));
    }
    EXPECT_FALSE(chain.middle->IsDone()); // 1000 in the queue, the rest waits
    chain.target->stalled = false;
    ASSERT_TRUE(chain.runToEnd());
    EXPECT_EQ(chain.target->frames(), Range(1100));
}

TEST(MutateBlockThreads, FpsPacesTheFramesItReleases)
{
    AsyncChain<MutateBlockFPS> chain(std::make_shared<TestSource>(12), Block("2", false));
    ASSERT_TRUE(chain.middle->setParameterValue("Framerate", "25"));
    std::vector<std::chrono::steady_clock::time_point> arrivals;
    chain.target->process = [&](TestTarget&, const Atom&) {
        arrivals.push_back(std::chrono::steady_clock::now()); // the graph's worker only
        return HyxErrorCode::Success;
    };
    ASSERT_TRUE(chain.play(PlaybackMode::ForwardOnce, MutateBlockFPS::FPS_MAX));
    ASSERT_TRUE(chain.log.waitFor(State::Stopped));
    EXPECT_EQ(chain.target->frames(), Range(12));
    ASSERT_EQ(arrivals.size(), 12u);
    // One-sided: 11 release periods of 40 ms, less a little for the push after a release.
    EXPECT_GE(arrivals.back() - arrivals.front(), std::chrono::milliseconds(11 * 40 - 20));
}

TEST(MutateBlockThreads, StopAndPauseReturnWhileTheUpdateWaitsForARelease)
{
    // Nobody releases: the graph's worker waits in the full buffer until it is asked to stop.
    AsyncChain<MutateBlockManual> chain(std::make_shared<TestSource>(30), Block("1", false));
    ASSERT_TRUE(chain.play(PlaybackMode::ForwardLoop));
    // The first frame fills the buffer; once the source has handed on the second, the update
    // that waits for room is under way, and the Stop meets it.
    const std::shared_ptr<Filter> source = chain.graph->GetFilter(0u);
    ASSERT_TRUE(Eventually([&] { return source->GetNumAtomsProcessed() >= 2; }));
    EXPECT_EQ(chain.async->Stop(), ActionResult::Success);
    EXPECT_TRUE(chain.target->frames().empty());

    // Pausing while the update waits keeps the waiting frame: nothing is lost or repeated.
    ASSERT_TRUE(chain.play(PlaybackMode::ForwardOnce));
    for (int i = 0; !chain.async->IsStopped(); ++i) {
        ASSERT_LT(i, 100000);
        if (i % 3 == 0) {
            if (chain.async->Pause() != ActionResult::Success) {
                ASSERT_TRUE(chain.async->IsStopped()); // it finished meanwhile
                break;
            }
            ASSERT_EQ(chain.async->Play(), ActionResult::Success);
        }
        chain.middle->PullNextProcessedFrame();
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    EXPECT_EQ(chain.target->frames(), Range(30));
}

TEST(MutateBlockThreads, FrameOrderResetsWhileReleasingAndUpdatingNeverDeadlock)
{
    for (const bool drop : {false, true}) {
        Settings settings = Block("1", drop);
        settings.emplace_back(MutateBlockFPS::FRAMERATE_PARAMNAME, "0");
        AsyncChain<MutateBlockFPS> chain(std::make_shared<TestMultiSource>(Frames{40, 40}), settings);
        ASSERT_TRUE(chain.play(PlaybackMode::ForwardLoop));
        auto order = chain.async->GetFrameOrderProvider();
        for (int i = 0; i < 100; ++i) {
            order->JumpToFrameID(static_cast<uint32_t>(i % 40));
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
        const size_t seen = chain.target->seen().size();
        ASSERT_TRUE(Eventually([&] { return chain.target->seen().size() > seen + 10; })) << drop;
        EXPECT_EQ(chain.async->Stop(), ActionResult::Success);
        // Whole frames only: the two streams of a frame leave together.
        const auto atoms = chain.target->seen();
        EXPECT_EQ(atoms.size() % 2, 0u);
    }
}

TEST(MutateBlockThreads, PausesResetsAndPullsInAnyOrderNeverHang)
{
    AsyncChain<MutateBlockManual> chain(std::make_shared<TestMultiSource>(Frames{50, 50}), Block("1", false));
    ASSERT_TRUE(chain.play(PlaybackMode::ForwardLoop));
    auto order = chain.async->GetFrameOrderProvider();
    std::minstd_rand random(7);
    for (int i = 0; i < 300; ++i) {
        switch (random() % 4) {
        case 0:
            ASSERT_EQ(chain.async->Pause(), ActionResult::Success);
            if (random() % 2)
                order->JumpToFrameID(static_cast<uint32_t>(random() % 50)); // forgets kept frames
            ASSERT_EQ(chain.async->Play(), ActionResult::Success);
            break;
        case 1:
            order->JumpToFrameID(static_cast<uint32_t>(random() % 50)); // while the update may wait
            break;
        default: chain.middle->PullNextProcessedFrame(); break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 300));
    }
    EXPECT_EQ(chain.async->Stop(), ActionResult::Success);
    EXPECT_EQ(chain.target->seen().size() % 2, 0u); // whole frames only
}

TEST(MutateBlockThreads, DestroyedWhileReleasingJoinsItsWorker)
{
    struct OpenFps : MutateBlockFPS {
        using MutateBlockFPS::onStartRelease;
    };
    auto fps = std::make_shared<OpenFps>();
    fps->onStartRelease(); // a running worker, as if the filter were never stopped
    fps.reset(); // must not end the process
    SUCCEED();
}

TEST(MutateBlock, FramerateGivesAPeriodOrRefusesThePlay)
{
    // The source announces 25 frames a second. Each "Framerate" text with the release period
    // it gives, or the text its refused play leaves.
    const std::string noNumber = " is not a number of frames a second";
    const struct {
        const char* text;
        uint32_t periodMs;
        std::string refusal;
    } rates[] = {
        {"25", 40, ""},
        {"2000", 0, ""},
        {"0.5", 2000, ""},
        {"0.25", 4000, ""},
        {"0", 0, ""}, // no pacing
        {"-1", 40, ""}, // the stream's rate
        {"-2", 80, ""}, // half of it
        {"-3", 20, ""}, // double it
        {"-7.5", 40, ""}, // any other negative number: the stream's rate
        {"-1e30", 40, ""},
        {"nan", 0, "Framerate nan" + noNumber},
        {"inf", 0, "Framerate inf" + noNumber},
        {"-inf", 0, "Framerate -inf" + noNumber},
        {"1e-30", 0, "Framerate 1e-30 gives a release period past 4294967295 ms"},
        {"1e-7", 0, "Framerate 1e-07 gives a release period past 4294967295 ms"},
        // The last rate refused, named in full, and the first taken, one float apart.
        {"2.3283064e-07", 0, "Framerate 2.3283064e-07 gives a release period past 4294967295 ms"},
        {"2.3283066e-07", 4294967040u, ""},
    };
    for (const auto& rate : rates) {
        SCOPED_TRACE(rate.text);
        HostChain<MutateBlockFPS> chain(std::make_shared<TestSource>(3), {{"Framerate", rate.text}});
        const ActionResult played = chain.graph->Play(PlaybackMode::ForwardOnce);
        EXPECT_EQ(played, rate.refusal.empty() ? ActionResult::Success : ActionResult::Failure);
        if (rate.refusal.empty()) {
            EXPECT_EQ(chain.middle->GetReleasePeriodMs(), rate.periodMs);
        } else {
            EXPECT_NE(std::string(chain.graph->GetLastError(false).CStr()).find("(" + rate.refusal + ")"),
                      std::string::npos)
                << chain.graph->GetLastError(false).CStr();
            EXPECT_TRUE(AllStopped(*chain.graph));
        }
        chain.graph->Stop();
    }

    // A source without a rate above 0, or one whose period (or its half's, its double's) does
    // not fit, gives the codes no pacing.
    for (const float sourceFps : {0.0f, 1e-30f}) {
        for (const char* code : {"-1", "-2", "-3"}) {
            SCOPED_TRACE(testing::Message() << sourceFps << ' ' << code);
            auto source = std::make_shared<TestSource>(3);
            HostChain<MutateBlockFPS> chain(source, {{"Framerate", code}});
            source->stream()->GetStreamInfo()->SetFPS(sourceFps);
            ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
            EXPECT_EQ(chain.middle->GetReleasePeriodMs(), 0u);
            chain.graph->Stop();
        }
    }

    // A change while it plays keeps the period, with one line; the value reads back as set.
    HostChain<MutateBlockFPS> chain(std::make_shared<TestSource>(3), {{"Framerate", "25"}});
    ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
    CapturedLog log;
    EXPECT_TRUE(chain.middle->setParameterValue("Framerate", "nan"));
    EXPECT_EQ(chain.middle->GetReleasePeriodMs(), 40u);
    EXPECT_EQ(chain.middle->getParameterValue("Framerate"), "nan");
    EXPECT_EQ(
        log.Count(LogLevel::Error, "Filter '#BlockFPS': Framerate nan" + noNumber + "; the release period stays 40 ms"),
        1);
    chain.graph->Stop();
}
