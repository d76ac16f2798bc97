#include "ThreadedFixtures.h"

#include <CapturedLog.h>

#include <Hyx/FilterParamNumeric.h>
#include <Hyx/MutateMultiThread.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <random>
#include <set>
#include <stdexcept>
#include <type_traits>

using namespace GraphFixtures;
using namespace ThreadedFixtures;
using Hyx::ActionResult;
using Hyx::Atom;
using Hyx::MutateAtomMultiThread;
using Hyx::MutateFrameMultiThread;
using Hyx::PlaybackMode;
using VornCommon::LogLevel;

namespace {

void* ResourceOf(unsigned worker)
{
    return reinterpret_cast<void*>(static_cast<uintptr_t>(0x1000 + worker));
}

/// Records what the life cycle and the workers do with the per-worker resources.
struct ResourceBook {
    std::vector<unsigned> allocated; // life-cycle thread only
    std::vector<void*> released; // life-cycle thread only

    void seen(void* resource)
    {
        std::lock_guard<std::mutex> lock(mutex);
        byThread[std::this_thread::get_id()].insert(resource);
    }
    /// Every worker thread always got one and the same resource of the allocated ones.
    bool consistent()
    {
        std::lock_guard<std::mutex> lock(mutex);
        for (const auto& [thread, resources] : byThread) {
            if (resources.size() != 1)
                return false;
            const auto index = reinterpret_cast<uintptr_t>(*resources.begin()) - 0x1000;
            if (index >= allocated.size())
                return false;
        }
        return true;
    }

    std::mutex mutex;
    std::map<std::thread::id, std::set<void*>> byThread;
};

/// A threaded mutate of the test, recording what happens to the per-worker resources.
template <class Leaf>
class Recording : public Leaf {
public:
    Guid TypeGuid() const override { return kMutateGuid; }
    Hyx::FilterClassInfo GetFilterClassInfo() const override
    {
        return Hyx::FilterClassInfo("MutateWork", Hyx::FilterCategory::Transform);
    }
    ResourceBook book;

protected:
    void* AllocateThreadResource(unsigned worker) override
    {
        book.allocated.push_back(worker);
        return ResourceOf(worker);
    }
    void ReleaseThreadResource(void* resource) override { book.released.push_back(resource); }
};

class AtomWork : public Recording<MutateAtomMultiThread> {
public:
    /// The work; passes the atom on when not set. Set before play.
    std::function<std::shared_ptr<Atom>(std::shared_ptr<Atom>)> work;
    std::atomic<int> inWork{0};

protected:
    std::shared_ptr<Atom> onProcessAtom(void* resource, std::shared_ptr<Atom> atom) override
    {
        book.seen(resource);
        ++inWork;
        std::shared_ptr<Atom> result = work ? work(atom) : atom;
        --inWork;
        return result;
    }
};

class FrameWork : public Recording<MutateFrameMultiThread> {
public:
    std::function<Frame(Frame&)> work;
    std::mutex sizesMutex;
    std::vector<size_t> frameSizes;

protected:
    Frame onProcessFrameAtoms(void* resource, Frame& frame) override
    {
        book.seen(resource);
        {
            std::lock_guard<std::mutex> lock(sizesMutex);
            frameSizes.push_back(frame.size());
        }
        return work ? work(frame) : frame;
    }
};

/// "Threads count" and the drop parameter of the variant.
template <class Work>
Settings Threads(const char* count, bool drop)
{
    const char* dropName = std::is_base_of_v<MutateAtomMultiThread, Work>
                               ? MutateAtomMultiThread::DROP_ATOMS_WHEN_OCCUPIED_PARAMNAME
                               : MutateFrameMultiThread::DROP_FRAMES_WHEN_OCCUPIED_PARAMNAME;
    return {{"Threads count", count}, {dropName, drop ? "True" : "False"}};
}

std::vector<unsigned> Range(unsigned count)
{
    std::vector<unsigned> frames;
    for (unsigned i = 0; i < count; ++i)
        frames.push_back(i);
    return frames;
}

void SleepMicroseconds(unsigned us)
{
    std::this_thread::sleep_for(std::chrono::microseconds(us));
}

} // namespace

TEST(MutateMultiThreadThreads, HundredAtomsOnFourWorkersArriveInOrderBeforeTheGraphIsDone)
{
    for (const bool drop : {false, true}) {
        AsyncChain<AtomWork> chain(std::make_shared<TestSource>(100), Threads<AtomWork>("4", drop));
        auto atoms = chain.middle;
        auto target = chain.target;
        atoms->work = [](std::shared_ptr<Atom> atom) {
            thread_local std::minstd_rand random(std::hash<std::thread::id>()(std::this_thread::get_id()));
            SleepMicroseconds(random() % 2000);
            return atom;
        };
        ASSERT_EQ(chain.async->SetPlaybackMode(PlaybackMode::ForwardOnce, 0.0f), ActionResult::Success);
        ASSERT_EQ(chain.async->Play(), ActionResult::Success);
        ASSERT_TRUE(chain.log.waitFor(State::Stopped));
        const std::vector<unsigned> frames = target->frames();
        if (!drop) {
            EXPECT_EQ(frames, Range(100)); // nothing lost at the end of the stream
            EXPECT_EQ(atoms->getParameterValue("Dropped atoms count"), "0");
        } else {
            // Dropped atoms leave no gap: what arrives is in order.
            EXPECT_TRUE(std::is_sorted(frames.begin(), frames.end()));
            EXPECT_EQ(std::adjacent_find(frames.begin(), frames.end()), frames.end());
            EXPECT_FALSE(frames.empty());
        }
        EXPECT_TRUE(atoms->book.consistent());
        EXPECT_EQ(atoms->book.released.size(), 4u);
    }
}

TEST(MutateMultiThreadThreads, DroppingNeverWaitsAndCountsEveryDrop)
{
    CapturedLog log;
    HostChain<AtomWork> chain(std::make_shared<TestSource>(5), Threads<AtomWork>("1", true));
    auto atoms = chain.middle;
    auto target = chain.target;
    Gate gate;
    atoms->work = [&](std::shared_ptr<Atom> atom) {
        gate.pass();
        return atom;
    };
    ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
    // Frame 0 occupies the only worker; frames 1 to 4 find it busy.
    ASSERT_TRUE(chain.update(5));
    EXPECT_EQ(atoms->getParameterValue("Dropped atoms count"), "4");
    EXPECT_EQ(log.Count(LogLevel::Info, "Dropping an atom (id: 64, stream: 0, timestamp: 40000000)"), 1);
    EXPECT_EQ(log.Count(LogLevel::Info, "Dropping an atom (id: 256, stream: 0, timestamp: 160000000)"), 1);
    EXPECT_FALSE(chain.graph->IsDone());
    gate.open();
    ASSERT_TRUE(UpdateUntilDone(*chain.graph));
    EXPECT_EQ(target->frames(), (std::vector<unsigned>{0}));
    // Any text resets the counter.
    ASSERT_TRUE(atoms->setParameterValue("Reset dropped atoms counter", "whatever"));
    EXPECT_EQ(atoms->getParameterValue("Dropped atoms count"), "0");
    EXPECT_EQ(chain.graph->Stop(), ActionResult::Success);
}

TEST(MutateMultiThreadThreads, FrameOrderResetsWithWorkInFlightNeverDeadlock)
{
    for (const bool drop : {false, true}) {
        AsyncChain<AtomWork> chain(std::make_shared<TestSource>(50), Threads<AtomWork>("4", drop));
        auto atoms = chain.middle;
        auto target = chain.target;
        atoms->work = [](std::shared_ptr<Atom> atom) {
            thread_local std::minstd_rand random(std::hash<std::thread::id>()(std::this_thread::get_id()));
            SleepMicroseconds(random() % 1000);
            return random() % 7 == 0 ? nullptr : atom; // some results emit nothing
        };
        ASSERT_EQ(chain.async->SetPlaybackMode(PlaybackMode::ForwardLoop, 0.0f), ActionResult::Success);
        ASSERT_EQ(chain.async->Play(), ActionResult::Success);
        auto order = chain.async->GetFrameOrderProvider();
        for (int i = 0; i < 20; ++i) {
            ASSERT_TRUE(Eventually([&] { return atoms->inWork.load() >= 1; }));
            order->JumpToFrameID(static_cast<uint32_t>(i)); // resets the mutate from this thread
            const size_t seen = target->frames().size();
            // Work goes on after the reset: no permit was lost.
            ASSERT_TRUE(Eventually([&] { return target->frames().size() > seen + 4; }));
        }
        EXPECT_EQ(chain.async->Stop(), ActionResult::Success);
        EXPECT_EQ(atoms->book.released.size(), 4u);
    }
}

TEST(MutateMultiThreadThreads, StopWhileWorkersAreBusyJoinsAndReleases)
{
    AsyncChain<AtomWork> chain(std::make_shared<TestSource>(1000), Threads<AtomWork>("3", true));
    auto atoms = chain.middle;
    Gate gate;
    atoms->work = [&](std::shared_ptr<Atom> atom) {
        gate.pass();
        return atom;
    };
    ASSERT_EQ(chain.async->SetPlaybackMode(PlaybackMode::ForwardLoop, 0.0f), ActionResult::Success);
    ASSERT_EQ(chain.async->Play(), ActionResult::Success);
    ASSERT_TRUE(Eventually([&] { return atoms->inWork.load() == 3; }));
    ASSERT_TRUE(Eventually([&] { return atoms->getParameterValue("Dropped atoms count") != "0"; }));
    std::thread opener([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        gate.open(); // Stop waits for the running jobs
    });
    EXPECT_EQ(chain.async->Stop(), ActionResult::Success);
    opener.join();
    EXPECT_EQ(atoms->inWork.load(), 0);
    EXPECT_EQ(atoms->book.released, (std::vector<void*>{ResourceOf(0), ResourceOf(1), ResourceOf(2)}));
    EXPECT_EQ(atoms->getParameterValue("Dropped atoms count"), "0");
}

TEST(MutateMultiThreadThreads, PauseKeepsPoolResourcesAndCount)
{
    HostChain<AtomWork> chain(std::make_shared<TestSource>(6), Threads<AtomWork>("0", false)); // 0 gives one worker
    auto atoms = chain.middle;
    auto target = chain.target;
    ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
    ASSERT_TRUE(chain.update(3));
    ASSERT_EQ(chain.graph->Pause(), ActionResult::Success);
    ASSERT_EQ(chain.graph->Play(), ActionResult::Success);
    ASSERT_TRUE(UpdateUntilDone(*chain.graph));
    EXPECT_EQ(target->frames(), Range(6));
    EXPECT_EQ(atoms->book.allocated, (std::vector<unsigned>{0}));
    EXPECT_TRUE(atoms->book.released.empty());
    EXPECT_EQ(chain.graph->Stop(), ActionResult::Success);
    EXPECT_EQ(atoms->book.released, (std::vector<void*>{ResourceOf(0)}));
}

TEST(MutateMultiThreadThreads, ThrowingWorkEmitsNothingAndTheOrderGoesOn)
{
    CapturedLog log;
    HostChain<AtomWork> chain(std::make_shared<TestSource>(6), Threads<AtomWork>("2", false));
    auto atoms = chain.middle;
    auto target = chain.target;
    atoms->work = [](std::shared_ptr<Atom> atom) {
        if (atom->GetFrameNr() == 2)
            throw std::runtime_error("bad frame");
        return atom;
    };
    ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
    ASSERT_TRUE(UpdateUntilDone(*chain.graph));
    EXPECT_EQ(target->frames(), (std::vector<unsigned>{0, 1, 3, 4, 5}));
    EXPECT_EQ(log.Count(LogLevel::Error, "MutateAtomMultiThread: processing failed: bad frame"), 1);
    EXPECT_EQ(chain.graph->Stop(), ActionResult::Success);
}

TEST(MutateMultiThreadThreads, FramesGroupByArrivalAndEmitTheirAtoms)
{
    HostChain<FrameWork> chain(std::make_shared<TestMultiSource>(std::vector<unsigned>{10, 10, 10}),
                               Threads<FrameWork>("2", false));
    auto frames = chain.middle;
    auto target = chain.target;
    frames->work = [](MutateFrameMultiThread::Frame& frame) {
        const unsigned number = frame.front()->GetFrameNr();
        if (number == 4)
            return MutateFrameMultiThread::Frame{}; // nothing for this frame
        MutateFrameMultiThread::Frame out = frame;
        out.insert(out.begin() + 1, nullptr); // empty atoms are not emitted
        return out;
    };
    ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
    ASSERT_TRUE(UpdateUntilDone(*chain.graph));
    const std::vector<SeenAtom> seen = target->seen();
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
    EXPECT_EQ(frames->frameSizes, std::vector<size_t>(10, 3u));
    EXPECT_TRUE(frames->book.consistent());
    EXPECT_EQ(chain.graph->Stop(), ActionResult::Success);
    EXPECT_EQ(frames->book.released.size(), 2u);
}

TEST(MutateMultiThreadThreads, FramesDropWhileBusy)
{
    CapturedLog log;
    HostChain<FrameWork> chain(std::make_shared<TestMultiSource>(std::vector<unsigned>{3, 3}),
                               Threads<FrameWork>("1", true));
    auto frames = chain.middle;
    auto target = chain.target;
    Gate gate;
    frames->work = [&](MutateFrameMultiThread::Frame& frame) {
        gate.pass();
        return frame;
    };
    ASSERT_EQ(chain.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
    ASSERT_TRUE(chain.update(3)); // frame 0 in work, frames 1 and 2 dropped
    EXPECT_EQ(frames->getParameterValue("Dropped frames count"), "2");
    EXPECT_EQ(log.Count(LogLevel::Info, "Dropping a frame (id: 128, timestamp: 80000000)"), 1);
    gate.open();
    ASSERT_TRUE(UpdateUntilDone(*chain.graph));
    const std::vector<SeenAtom> seen = target->seen();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].frame, 0u);
    EXPECT_EQ(seen[1].frame, 0u);
    EXPECT_EQ(seen[1].stream, 1u);
    ASSERT_TRUE(frames->setParameterValue("Reset dropped frames counter", ""));
    EXPECT_EQ(frames->getParameterValue("Dropped frames count"), "0");
    EXPECT_EQ(chain.graph->Stop(), ActionResult::Success);
}

TEST(MutateMultiThreadThreads, ResultsLeaveInSubmissionOrder)
{
    HostChain<AtomWork> chain(std::make_shared<TestSource>(3), Threads<AtomWork>("3", false));
    auto atoms = chain.middle;
    auto target = chain.target;
    // A waits for B, B for C: the workers finish C, B, A.
    std::mutex mutex;
    std::condition_variable finished;
    std::vector<unsigned> completion;
    atoms->work = [&](std::shared_ptr<Atom> atom) {
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
    EXPECT_EQ(completion, (std::vector<unsigned>{2, 1, 0}));
    EXPECT_EQ(target->frames(), Range(3));
    EXPECT_TRUE(atoms->book.consistent());
    EXPECT_EQ(chain.graph->Stop(), ActionResult::Success);
    EXPECT_EQ(atoms->book.allocated, (std::vector<unsigned>{0, 1, 2}));
    EXPECT_EQ(atoms->book.released, (std::vector<void*>{ResourceOf(0), ResourceOf(1), ResourceOf(2)}));
}
