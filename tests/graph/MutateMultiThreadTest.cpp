// Threaded mutates: order kept over workers, drops, resets with work in flight, per-worker
// resources.

#include "GraphFixtures.h"

using namespace GraphFixtures;

namespace {

void SleepMicroseconds(unsigned us)
{
    std::this_thread::sleep_for(std::chrono::microseconds(us));
}

} // namespace

TEST(MutateMultiThreadThreads, HundredAtomsOnFourWorkersArriveInOrderBeforeTheGraphIsDone)
{
    for (const bool drop : {false, true}) {
        AsyncChain<AtomWork> chain(std::make_shared<TestSource>(100), Threads<AtomWork>("4", drop));
        chain.middle->work = [](std::shared_ptr<Atom> atom) {
            thread_local std::minstd_rand random(std::hash<std::thread::id>()(std::this_thread::get_id()));
            SleepMicroseconds(random() % 2000);
            return atom;
        };
        ASSERT_TRUE(chain.play(PlaybackMode::ForwardOnce));
        ASSERT_TRUE(chain.log.waitFor(State::Stopped));
        const Frames frames = chain.target->frames();
        if (!drop) {
            EXPECT_EQ(frames, Range(100)); // nothing lost at the end of the stream
            EXPECT_EQ(chain.middle->getParameterValue("Dropped atoms count"), "0");
        } else {
            // Dropped atoms leave no gap: what arrives is in order.
            EXPECT_TRUE(std::is_sorted(frames.begin(), frames.end()));
            EXPECT_EQ(std::adjacent_find(frames.begin(), frames.end()), frames.end());
            EXPECT_FALSE(frames.empty());
        }
        EXPECT_TRUE(chain.middle->book.consistent());
        EXPECT_EQ(chain.middle->book.released.size(), 4u);
    }
}

TEST(MutateMultiThreadThreads, DroppingNeverWaitsAndCountsEveryDrop)
{
    CapturedLog log;
    HostChain<AtomWork> chain(std::make_shared<TestSource>(5), Threads<AtomWork>("1", true));
    Gate gate;
    chain.middle->work = [&](std::shared_ptr<Atom> atom) {
        gate.pass();
        return atom;
    };
    ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
    // Frame 0 occupies the only worker; frames 1 to 4 find it busy.
    ASSERT_TRUE(chain.update(5));
    EXPECT_EQ(chain.middle->getParameterValue("Dropped atoms count"), "4");
    EXPECT_EQ(log.Count(LogLevel::Info, "Dropping an atom (id: 64, stream: 0, timestamp: 40000000)"), 1);
    EXPECT_EQ(log.Count(LogLevel::Info, "Dropping an atom (id: 256, stream: 0, timestamp: 160000000)"), 1);
    EXPECT_FALSE(chain.graph->IsDone());
    gate.open();
    ASSERT_TRUE(UpdateUntilDone(*chain.graph));
    EXPECT_EQ(chain.target->frames(), (Frames{0}));
    // Any text resets the counter.
    ASSERT_TRUE(chain.middle->setParameterValue("Reset dropped atoms counter", "whatever"));
    EXPECT_EQ(chain.middle->getParameterValue("Dropped atoms count"), "0");
    EXPECT_EQ(chain.graph->Stop(), ActionResult::Success);
}

TEST(MutateMultiThreadThreads, FrameOrderResetsWithWorkInFlightNeverDeadlock)
{
    for (const bool drop : {false, true}) {
        AsyncChain<AtomWork> chain(std::make_shared<TestSource>(50), Threads<AtomWork>("4", drop));
        chain.middle->work = [](std::shared_ptr<Atom> atom) {
            thread_local std::minstd_rand random(std::hash<std::thread::id>()(std::this_thread::get_id()));
            SleepMicroseconds(random() % 1000);
            return random() % 7 == 0 ? nullptr : atom; // some results emit nothing
        };
        ASSERT_TRUE(chain.play(PlaybackMode::ForwardLoop));
        auto order = chain.async->GetFrameOrderProvider();
        for (int i = 0; i < 20; ++i) {
            ASSERT_TRUE(Eventually([&] { return chain.middle->inWork.load() >= 1; }));
            order->JumpToFrameID(static_cast<uint32_t>(i)); // resets the mutate from this thread
            const size_t seen = chain.target->frames().size();
            // Work goes on after the reset: no permit was lost.
            ASSERT_TRUE(Eventually([&] { return chain.target->frames().size() > seen + 4; }));
        }
        EXPECT_EQ(chain.async->Stop(), ActionResult::Success);
        EXPECT_EQ(chain.middle->book.released.size(), 4u);
    }
}

TEST(MutateMultiThreadThreads, StopWhileWorkersAreBusyJoinsAndReleases)
{
    AsyncChain<AtomWork> chain(std::make_shared<TestSource>(1000), Threads<AtomWork>("3", true));
    Gate gate;
    chain.middle->work = [&](std::shared_ptr<Atom> atom) {
        gate.pass();
        return atom;
    };
    ASSERT_TRUE(chain.play(PlaybackMode::ForwardLoop));
    ASSERT_TRUE(Eventually([&] { return chain.middle->inWork.load() == 3; }));
    ASSERT_TRUE(Eventually([&] { return chain.middle->getParameterValue("Dropped atoms count") != "0"; }));
    std::thread opener([&] {
        // Opened once the Stop has asked the worker to end: the Stop waits for the running jobs.
        EXPECT_TRUE(Eventually([&] { return chain.async->IsStopRequested(); }));
        gate.open();
    });
    EXPECT_EQ(chain.async->Stop(), ActionResult::Success);
    opener.join();
    EXPECT_EQ(chain.middle->inWork.load(), 0);
    EXPECT_EQ(chain.middle->book.released, (std::vector<void*>{ResourceOf(0), ResourceOf(1), ResourceOf(2)}));
    EXPECT_EQ(chain.middle->getParameterValue("Dropped atoms count"), "0");
}

TEST(MutateMultiThreadThreads, PauseKeepsPoolResourcesAndCount)
{
    HostChain<AtomWork> chain(std::make_shared<TestSource>(6), Threads<AtomWork>("0", false)); // 0 gives one worker
    ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
    ASSERT_TRUE(chain.update(3));
    ASSERT_EQ(chain.graph->Pause(), ActionResult::Success);
    ASSERT_EQ(chain.graph->Play(), ActionResult::Success);
    ASSERT_TRUE(UpdateUntilDone(*chain.graph));
    EXPECT_EQ(chain.target->frames(), Range(6));
    EXPECT_EQ(chain.middle->book.allocated, (Frames{0}));
    EXPECT_TRUE(chain.middle->book.released.empty());
    EXPECT_EQ(chain.graph->Stop(), ActionResult::Success);
    EXPECT_EQ(chain.middle->book.released, (std::vector<void*>{ResourceOf(0)}));
}

TEST(MutateMultiThreadThreads, ThrowingWorkEmitsNothingAndTheOrderGoesOn)
{
    CapturedLog log;
    HostChain<AtomWork> chain(std::make_shared<TestSource>(6), Threads<AtomWork>("2", false));
    chain.middle->work = [](std::shared_ptr<Atom> atom) {
        if (atom->GetFrameNr() == 2)
            throw std::runtime_error("bad frame");
        return atom;
    };
    ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
    ASSERT_TRUE(UpdateUntilDone(*chain.graph));
    EXPECT_EQ(chain.target->frames(), (Frames{0, 1, 3, 4, 5}));
    EXPECT_EQ(log.Count(LogLevel::Error, "MutateAtomMultiThread: processing failed: bad frame"), 1);
    EXPECT_EQ(chain.graph->Stop(), ActionResult::Success);
}

TEST(MutateMultiThreadThreads, FramesGroupByArrivalAndEmitTheirAtoms)
{
    HostChain<FrameWork> chain(std::make_shared<TestMultiSource>(Frames{10, 10, 10}), Threads<FrameWork>("2", false));
    chain.middle->work = [](MutateFrameMultiThread::Frame& frame) {
        const unsigned number = frame.front()->GetFrameNr();
        if (number == 4)
            return MutateFrameMultiThread::Frame{}; // nothing for this frame
        MutateFrameMultiThread::Frame out = frame;
        out.insert(out.begin() + 1, nullptr); // empty atoms are not emitted
        return out;
    };
    ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
    ASSERT_TRUE(UpdateUntilDone(*chain.graph));
    const std::vector<SeenAtom> seen = chain.target->seen();
    ASSERT_EQ(seen.size(), 27u);
    size_t i = 0;
    for (unsigned frame = 0; frame < 10; ++frame) {
        if (frame == 4)
            continue;
        for (unsigned stream = 0; stream < 3; ++stream, ++i) {
            EXPECT_EQ(seen[i].frame, frame);
            EXPECT_EQ(seen[i].stream, stream);
        }
    }
    EXPECT_EQ(chain.middle->frameSizes, std::vector<size_t>(10, 3u));
    EXPECT_TRUE(chain.middle->book.consistent());
    EXPECT_EQ(chain.graph->Stop(), ActionResult::Success);
    EXPECT_EQ(chain.middle->book.released.size(), 2u);
}

TEST(MutateMultiThreadThreads, FramesDropWhileBusy)
{
    CapturedLog log;
    HostChain<FrameWork> chain(std::make_shared<TestMultiSource>(Frames{3, 3}), Threads<FrameWork>("1", true));
    Gate gate;
    chain.middle->work = [&](MutateFrameMultiThread::Frame& frame) {
        gate.pass();
        return frame;
    };
    ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
    ASSERT_TRUE(chain.update(3)); // frame 0 in work, frames 1 and 2 dropped
    EXPECT_EQ(chain.middle->getParameterValue("Dropped frames count"), "2");
    EXPECT_EQ(log.Count(LogLevel::Info, "Dropping a frame (id: 128, timestamp: 80000000)"), 1);
    gate.open();
    ASSERT_TRUE(UpdateUntilDone(*chain.graph));
    const std::vector<SeenAtom> seen = chain.target->seen();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].frame, 0u);
    EXPECT_EQ(seen[1].frame, 0u);
    EXPECT_EQ(seen[1].stream, 1u);
    ASSERT_TRUE(chain.middle->setParameterValue("Reset dropped frames counter", ""));
    EXPECT_EQ(chain.middle->getParameterValue("Dropped frames count"), "0");
    EXPECT_EQ(chain.graph->Stop(), ActionResult::Success);
}

TEST(MutateMultiThreadThreads, ResultsLeaveInSubmissionOrder)
{
    HostChain<AtomWork> chain(std::make_shared<TestSource>(3), Threads<AtomWork>("3", false));
    // A waits for B, B for C: the workers finish C, B, A.
    std::mutex mutex;
    std::condition_variable finished;
    Frames completion;
    chain.middle->work = [&](std::shared_ptr<Atom> atom) {
        const unsigned frame = atom->GetFrameNr();
        std::unique_lock<std::mutex> lock(mutex);
        finished.wait_for(lock, kPatience,
                          [&] { return frame == 2 || (!completion.empty() && completion.back() == frame + 1); });
        completion.push_back(frame);
        finished.notify_all();
        return atom;
    };
    ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
    ASSERT_TRUE(UpdateUntilDone(*chain.graph));
    EXPECT_EQ(completion, (Frames{2, 1, 0}));
    EXPECT_EQ(chain.target->frames(), Range(3));
    EXPECT_TRUE(chain.middle->book.consistent());
    EXPECT_EQ(chain.graph->Stop(), ActionResult::Success);
    EXPECT_EQ(chain.middle->book.allocated, (Frames{0, 1, 2}));
    EXPECT_EQ(chain.middle->book.released, (std::vector<void*>{ResourceOf(0), ResourceOf(1), ResourceOf(2)}));
}
