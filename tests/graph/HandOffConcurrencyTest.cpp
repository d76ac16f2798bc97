// The fast paths of the frame's road: the worker permits taken without a lock (and slept on
// only after a brief spin), the last-atom cache read by a host thread while the graph
// updates, the target's refilled copies, and the source's one-step frame question answered
// exactly as the single queries answer it.

#include "GraphFixtures.h"

#include <Hyx/Atom.h>
#include <Hyx/FrameOrderProvider.h>

#include <VornCommon/HostSettings.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <thread>
#include <vector>

using namespace GraphFixtures;
using Hyx::FrameTake;

// One worker, one permit: every frame waits for the one before. Work shorter than the graph
// thread's spin and work it has to sleep through both hand the permit back.
TEST(HandOffConcurrency, PermitsComeBackWhetherTheTakerSpinsOrSleeps)
{
    HostChain<AtomWork> chain(std::make_shared<TestSource>(300u), Threads<AtomWork>("1", false));
    int n = 0; // one worker: the jobs never overlap
    chain.middle->work = [&n](std::shared_ptr<Hyx::Atom> atom) {
        const int i = n++;
        std::this_thread::sleep_for(std::chrono::microseconds(i % 5 == 4 ? 150 : i % 5));
        return atom;
    };
    ASSERT_EQ(chain.graph->Play(Hyx::PlaybackMode::ForwardOnce), Hyx::ActionResult::Success);
    ASSERT_TRUE(UpdateUntilDone(*chain.graph));
    EXPECT_EQ(chain.target->frames(), Range(300));
    chain.graph->Stop();
}

// Fresh atoms swap the cache; an atom handed on again (a held frame) leaves it alone.
TEST(HandOffConcurrency, LastAtomReadByAHostThreadWhileTheGraphUpdates)
{
    for (const unsigned repeat : {1u, 3u}) {
        SCOPED_TRACE(repeat);
        TestGraph g;
        auto source = g.make<TestSource>(3000u);
        source->stream()->repeat = repeat;
        auto target = g.make<TestTarget>();
        ASSERT_EQ(g.graph->Play(Hyx::PlaybackMode::ForwardOnce), Hyx::ActionResult::Success);
        std::atomic<bool> done{false};
        std::atomic<bool> backwards{false};
        std::thread reader([&] {
            unsigned last[2] = {0, 0};
            while (!done.load()) {
                const std::shared_ptr<Hyx::Atom> atoms[2] = {source->GetLastProcessedFrame(),
                                                             target->GetLastProcessedFrame()};
                for (int i = 0; i < 2; ++i) {
                    if (atoms[i]) {
                        backwards = backwards || atoms[i]->GetFrameNr() < last[i];
                        last[i] = atoms[i]->GetFrameNr();
                    }
                }
            }
        });
        EXPECT_TRUE(g.runToEnd());
        done = true;
        reader.join();
        EXPECT_FALSE(backwards.load());
        for (const std::shared_ptr<Hyx::Filter>& filter :
             {std::shared_ptr<Hyx::Filter>(source), std::shared_ptr<Hyx::Filter>(target)}) {
            ASSERT_NE(filter->GetLastProcessedFrame(), nullptr);
            EXPECT_EQ(filter->GetLastProcessedFrame()->GetFrameNr(), 3000u - repeat);
            EXPECT_EQ(filter->GetNumFramesProcessed(), 3000u);
        }
        g.graph->Stop();
        EXPECT_EQ(target->GetLastProcessedFrame(), nullptr);
        EXPECT_EQ(source->GetLastProcessedFrame(), nullptr);
    }
}

namespace {

// Replaces its own layer in every atom it is handed: an atom handed on again comes back with
// the layer it added last time, which is swapped for a new one.
class LayerSwapping : public TestTransform {
protected:
    HyxErrorCode onProcessFrame(std::shared_ptr<Hyx::Atom> atom) override
    {
        atom->RemoveDataLayers(kTransformGuid, kMadeType);
        atom->AddDataLayer(std::make_shared<PayloadLayer>(kTransformGuid, kMadeType, atom->GetFrameNr()));
        return HyxErrorCode::Success;
    }
};

// A held frame passes the swapping transform again and again while a host thread reads the
// last frames of the transform and of the target at the end. Exit code 0 when every frame
// read kept its layers for as long as it was held.
[[noreturn]] void readHeldFramesWhileTheyAreChangedAgain()
{
    TestGraph g;
    auto source = g.make<TestSource>(30000u);
    source->stream()->repeat = 3;
    auto swapping = g.make<LayerSwapping>();
    auto target = g.make<TestTarget>();
    if (g.graph->Play(Hyx::PlaybackMode::ForwardOnce) != Hyx::ActionResult::Success)
        std::exit(2);
    std::atomic<bool> done{false};
    std::atomic<bool> reading{false};
    std::atomic<int> wrong{0};
    std::thread reader([&] {
        reading = true;
        while (!done.load()) {
            for (const Hyx::Filter* filter :
                 {static_cast<const Hyx::Filter*>(swapping.get()), static_cast<const Hyx::Filter*>(target.get())}) {
                const std::shared_ptr<Hyx::Atom> atom = filter->GetLastProcessedFrame();
                if (!atom)
                    continue;
                const std::vector<std::shared_ptr<Hyx::DataLayer>> layers = atom->GetAllDataLayers();
                std::this_thread::yield(); // the graph moves on meanwhile
                if (atom->GetAllDataLayers() != layers)
                    ++wrong;
            }
        }
    });
    while (!reading.load())
        std::this_thread::yield();
    const bool ran = g.runToEnd(100000);
    done = true;
    reader.join();
    g.graph->Stop();
    std::exit(wrong.load() != 0 ? 1 : ran ? 0 : 3);
}

} // namespace

TEST(HandOffConcurrency, HeldFramesChangedAgainLeaveTheLastFramesAHostReadAlone)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(readHeldFramesWhileTheyAreChangedAgain(), ::testing::ExitedWithCode(0), "");
}

namespace {

// Marks the timestamp of every atom it is handed and swaps its own layer in: it changes the
// atom in place, after filters that only handed it on.
class Restamping : public TestTransform {
public:
    static constexpr uint64_t kMark = uint64_t{1} << 62;

protected:
    HyxErrorCode onProcessFrame(std::shared_ptr<Hyx::Atom> atom) override
    {
        atom->SetTimeStamp(atom->GetTimeStamp() | kMark);
        atom->RemoveDataLayers(kTransformGuid, kMadeType);
        atom->AddDataLayer(std::make_shared<PayloadLayer>(kTransformGuid, kMadeType, atom->GetFrameNr()));
        return HyxErrorCode::Success;
    }
};

// What a host sees of a record: identity, timestamp and layers.
struct Seen {
    uint32_t id;
    uint64_t timestamp;
    std::vector<std::shared_ptr<Hyx::DataLayer>> layers;
    bool operator==(const Seen&) const = default;
};

Seen seen(const Hyx::Atom& atom)
{
    return {atom.GetId(), atom.GetTimeStamp(), atom.GetAllDataLayers()};
}

// Whether a record is whole: its layers were made for its frame, and it carries the mark
// exactly when it carries the restamping filter's layer (one at most). `changed`: it left a
// filter after the restamping one (fresh frames only); unknown for held frames, which come
// back changed.
bool whole(const Seen& record, std::optional<bool> changed)
{
    size_t made = 0;
    for (const std::shared_ptr<Hyx::DataLayer>& layer : record.layers) {
        const auto* payload = dynamic_cast<const PayloadLayer*>(layer.get());
        if (!payload || payload->frame != Hyx::AtomId::GetFrameNr(record.id))
            return false;
        made += payload->TypeGuid() == kMadeType ? 1 : 0;
    }
    const bool marked = (record.timestamp & Restamping::kMark) != 0;
    return made <= 1 && marked == (made == 1) && (!changed || *changed == marked);
}

// Reads every filter's last frame on a host thread for as long as `run` updates the graph; the
// number of records read that were not whole (see whole, with `changed` of the filter's index)
// or changed while held. `run` answers whether the graph ran to its end.
int wrongReadsWhile(const std::vector<std::shared_ptr<Hyx::Filter>>& filters,
                    const std::function<std::optional<bool>(size_t)>& changed, bool& ran,
                    const std::function<bool()>& run)
{
    std::atomic<bool> done{false};
    std::atomic<bool> reading{false};
    std::atomic<int> wrong{0};
    std::thread reader([&] {
        reading = true;
        while (!done.load()) {
            for (size_t i = 0; i < filters.size(); ++i) {
                const std::shared_ptr<Hyx::Atom> atom = filters[i]->GetLastProcessedFrame();
                if (!atom)
                    continue;
                const Seen first = seen(*atom);
                std::this_thread::yield(); // the graph moves on meanwhile
                if (!whole(first, changed(i)) || seen(*atom) != first)
                    ++wrong;
            }
        }
    });
    while (!reading.load())
        std::this_thread::yield();
    ran = run();
    done = true;
    reader.join();
    return wrong.load();
}

// Source -> two filters handing atoms on -> the restamping filter -> one more handing on ->
// target, with `repeat` as the source's held frames. A host thread reads every filter's last
// frame while the graph updates: the records the first filters share stand for an atom that
// the restamping filter then changes, or that dies at the target. Exit code 0 when every record
// read was whole and stayed as it was while it was held.
[[noreturn]] void readSharedRecordsWhileALaterFilterChangesTheAtom(unsigned repeat)
{
    constexpr unsigned kFrames = 3000;
    TestGraph g;
    const auto passing = [&g](uint8_t n) {
        Guid::Bytes purpose{};
        purpose[0] = 0xD0;
        purpose[15] = n;
        return g.make<TestTransform>(MakeProfile({{Guid(), kType1}}), MakeProfile({{Guid(purpose), kType2}}));
    };
    auto source = g.make<TestSource>(kFrames);
    source->stream()->repeat = repeat;
    const std::vector<std::shared_ptr<Hyx::Filter>> filters{
        source, passing(1), passing(2), g.make<Restamping>(), passing(3), g.make<TestTarget>()};
    if (g.graph->Play(Hyx::PlaybackMode::ForwardOnce) != Hyx::ActionResult::Success)
        std::exit(2);
    bool ran = false;
    const int wrong = wrongReadsWhile(
        filters, [repeat](size_t i) { return repeat == 1 ? std::optional<bool>(i >= 3) : std::nullopt; }, ran,
        [&g] { return g.runToEnd(100000); });
    Frames expected = Range(kFrames);
    for (unsigned& frame : expected)
        frame -= frame % repeat; // a held frame keeps the number it was made for
    const bool allArrived = std::static_pointer_cast<TestTarget>(filters[5])->frames() == expected;
    g.graph->Stop();
    std::exit(wrong != 0 ? 1 : ran && allArrived ? 0 : 3);
}

/// Source -> a filter handing atoms on -> a frame mutate whose four workers mark and change the
/// atoms of the frame they are handed in place (the upstream atoms themselves) -> target.
struct ChangingChain {
    explicit ChangingChain(unsigned frames) : frames(frames)
    {
        source = g.make<TestSource>(frames);
        passing = g.make<TestTransform>();
        work = g.make<FrameWork>();
        for (const auto& [name, value] : Threads<FrameWork>("4", false))
            if (!work->setParameterValue(name.c_str(), value.c_str()))
                std::exit(2);
        work->work = [](FrameWork::Frame& frame) {
            for (const std::shared_ptr<Hyx::Atom>& atom : frame) {
                atom->SetTimeStamp(atom->GetTimeStamp() | Restamping::kMark);
                atom->RemoveDataLayers(kTransformGuid, kMadeType);
                atom->AddDataLayer(std::make_shared<PayloadLayer>(kTransformGuid, kMadeType, atom->GetFrameNr()));
            }
            return frame;
        };
        target = g.make<TestTarget>();
        if (g.graph->Play(Hyx::PlaybackMode::ForwardOnce) != Hyx::ActionResult::Success)
            std::exit(2);
    }
    std::vector<std::shared_ptr<Hyx::Filter>> filters() const { return {source, passing, work, target}; }
    /// Stops the graph; true when every frame arrived, once.
    bool stopWithAllArrived()
    {
        Frames arrived = target->frames();
        std::sort(arrived.begin(), arrived.end());
        g.graph->Stop();
        return arrived == Range(frames);
    }
    const unsigned frames;
    TestGraph g;
    std::shared_ptr<TestSource> source;
    std::shared_ptr<TestTransform> passing;
    std::shared_ptr<FrameWork> work;
    std::shared_ptr<TestTarget> target;
};

// Source -> a filter handing atoms on -> a frame mutate whose four workers mark and change the
// atoms of the frame they are handed in place (the upstream atoms themselves) -> target. A host
// thread reads the last frames meanwhile: the record the first two filters share is filled on
// a mutate's worker as it changes the atom. Exit code 0 when every record read was whole,
// showed the atom as it left that filter, and stayed as it was while it was held.
[[noreturn]] void readRecordsWhileAMutatesWorkersChangeTheAtom()
{
    ChangingChain chain(3000);
    bool ran = false;
    const int wrong = wrongReadsWhile(
        chain.filters(), [](size_t i) { return std::optional<bool>(i >= 2); }, ran,
        [&chain] { return UpdateUntilDone(*chain.g.graph); });
    const bool allArrived = chain.stopWithAllArrived();
    std::exit(wrong != 0 ? 1 : ran && allArrived ? 0 : 3);
}

// Source -> a filter handing atoms on -> a frame mutate whose four workers change the atoms in
// place -> target. A host thread reads every filter's last frame (through GetLastProcessedFrames
// when `perStream`), keeps a weak reference to it, every other time the handle too, lets the
// graph move on and locks the weak reference again. Exit code 0 when every record locked again
// was as it was read, and one whose handle was kept could always be locked.
[[noreturn]] void relockRecordsWhileAMutatesWorkersChangeTheAtom(bool perStream)
{
    VornCommon::HostSettings::GetInstance()->SetEnableStreamSelection(perStream);
    ChangingChain chain(2000);
    const std::vector<std::shared_ptr<Hyx::Filter>> filters = chain.filters();
    const auto read = [perStream](const Hyx::Filter& filter) {
        if (!perStream)
            return filter.GetLastProcessedFrame();
        const std::map<int, std::shared_ptr<Hyx::Atom>> frames = filter.GetLastProcessedFrames();
        return frames.empty() ? std::shared_ptr<Hyx::Atom>() : frames.begin()->second;
    };
    std::atomic<bool> done{false};
    std::atomic<bool> reading{false};
    std::atomic<int> wrong{0};
    std::thread reader([&] {
        reading = true;
        for (unsigned n = 0; !done.load(); ++n) {
            for (const std::shared_ptr<Hyx::Filter>& filter : filters) {
                std::shared_ptr<Hyx::Atom> atom = read(*filter);
                if (!atom)
                    continue;
                const Seen first = seen(*atom);
                const std::weak_ptr<Hyx::Atom> weak = atom;
                const std::shared_ptr<Hyx::Atom> kept = n % 2 == 0 ? std::move(atom) : nullptr;
                atom.reset();
                std::this_thread::sleep_for(std::chrono::microseconds(50)); // the graph moves on
                const std::shared_ptr<Hyx::Atom> again = weak.lock();
                if ((kept && !again) || (again && seen(*again) != first))
                    ++wrong;
            }
        }
    });
    while (!reading.load())
        std::this_thread::yield();
    const bool ran = UpdateUntilDone(*chain.g.graph);
    done = true;
    reader.join();
    const bool allArrived = chain.stopWithAllArrived();
    std::exit(wrong != 0 ? 1 : ran && allArrived ? 0 : 3);
}

class SharedRecords : public ::testing::TestWithParam<unsigned> {};
class RelockedRecords : public ::testing::TestWithParam<bool> {};

} // namespace

TEST_P(RelockedRecords, AreAsTheyWereOrGoneWhileAMutatesWorkersChangeTheAtom)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(relockRecordsWhileAMutatesWorkersChangeTheAtom(GetParam()), ::testing::ExitedWithCode(0), "");
}

INSTANTIATE_TEST_SUITE_P(HandOffConcurrency, RelockedRecords, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? std::string("GetLastProcessedFrames")
                                               : std::string("GetLastProcessedFrame");
                         });

TEST_P(SharedRecords, StayAsTheyLeftWhileALaterFilterChangesTheAtom)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(readSharedRecordsWhileALaterFilterChangesTheAtom(GetParam()), ::testing::ExitedWithCode(0), "");
}

TEST(HandOffConcurrency, RecordsStayAsTheyLeftWhileAMutatesWorkersChangeTheAtom)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(readRecordsWhileAMutatesWorkersChangeTheAtom(), ::testing::ExitedWithCode(0), "");
}

INSTANTIATE_TEST_SUITE_P(HandOffConcurrency, SharedRecords, ::testing::Values(1u, 3u),
                         [](const ::testing::TestParamInfo<unsigned>& info) {
                             return info.param == 1 ? std::string("FreshFrames") : std::string("HeldFrames");
                         });

namespace {

// Keeps every other copy it is handed, so copies are both refilled and left alone.
class KeepingTarget : public Hyx::Target {
public:
    Guid TypeGuid() const override { return kTargetGuid; }
    Hyx::FilterClassInfo GetFilterClassInfo() const override
    {
        return Hyx::FilterClassInfo("TargetKeeping", Hyx::FilterCategory::Target);
    }
    std::vector<std::shared_ptr<Hyx::Atom>> kept;
    std::vector<const Hyx::Atom*> handed;

protected:
    HyxErrorCode onProcessFrame(std::shared_ptr<Hyx::Atom> atom) override
    {
        handed.push_back(atom.get());
        if (atom->GetFrameNr() % 2 == 0)
            kept.push_back(std::move(atom));
        return HyxErrorCode::Success;
    }
};

} // namespace

TEST(HandOffConcurrency, TargetCopiesKeptByTheTargetStayAsTheyWere)
{
    TestGraph g;
    g.make<TestSource>(8u);
    auto target = g.make<KeepingTarget>();
    ASSERT_EQ(g.graph->Play(Hyx::PlaybackMode::ForwardOnce), Hyx::ActionResult::Success);
    ASSERT_TRUE(g.runToEnd());
    ASSERT_EQ(target->kept.size(), 4u);
    for (size_t i = 0; i < target->kept.size(); ++i) {
        EXPECT_EQ(target->kept[i]->GetFrameNr(), 2 * i);
        EXPECT_EQ(target->kept[i]->GetAllDataLayers().size(), 1u);
        EXPECT_NE(target->kept[i].get(), target->GetLastProcessedFrame().get()); // a copy, not the atom
    }
    // A copy the target let go is refilled for the next frame rather than made anew.
    ASSERT_EQ(target->handed.size(), 8u);
    EXPECT_EQ(target->handed[1], target->handed[2]);
    g.graph->Stop();
}

namespace {

// The same walk answered through the single queries (the composed default).
class ComposedAuto : public Hyx::FrameOrderAuto {
public:
    using FrameOrderAuto::FrameOrderAuto;
};
class ComposedManual : public Hyx::FrameOrderManual {};

std::string describe(const FrameTake& take)
{
    return std::to_string(static_cast<int>(take.outcome)) + "/" + std::to_string(take.advanced) + "/" +
           std::to_string(take.frame) + "/" + std::to_string(take.progress);
}

// Steps both providers alike: advance pending after every handed-on frame, the output full on
// every third step.
void expectSameWalk(Hyx::FrameOrderProvider& fast, Hyx::FrameOrderProvider& composed, const char* name)
{
    bool pendingFast = true;
    bool pendingComposed = true;
    for (int step = 0; step < 14; ++step) {
        const bool full = step % 3 == 2;
        const FrameTake a = fast.TakeFrame(pendingFast, full);
        const FrameTake b = composed.TakeFrame(pendingComposed, full);
        EXPECT_EQ(describe(a), describe(b)) << name << " step " << step;
        pendingFast = a.outcome == FrameTake::Outcome::Frame ? step % 4 != 1 : pendingFast && !a.advanced;
        pendingComposed = b.outcome == FrameTake::Outcome::Frame ? step % 4 != 1 : pendingComposed && !b.advanced;
    }
}

} // namespace

TEST(FrameTake, OneStepAnswersAsTheSingleQueries)
{
    using Hyx::PlaybackMode;
    const struct {
        PlaybackMode mode;
        uint32_t first;
        uint32_t range;
    } walks[] = {
        {PlaybackMode::ForwardOnce, 5, 4},     {PlaybackMode::ForwardLoop, 0, 3}, {PlaybackMode::BackwardOnce, 2, 4},
        {PlaybackMode::BackwardLoop, 0, 3},    {PlaybackMode::Pingpong, 0, 3},    {PlaybackMode::PingpongInverse, 1, 3},
        {PlaybackMode::Realtime, 0, 2},        {PlaybackMode::ForwardOnce, 7, 1}, {PlaybackMode::ForwardOnce, 0, 0},
        {static_cast<PlaybackMode>(99), 3, 5},
    };
    for (const auto& walk : walks) {
        Hyx::FrameOrderAuto fast(walk.first, walk.range);
        ComposedAuto composed(walk.first, walk.range);
        fast.SetPlaybackMode(walk.mode, true);
        composed.SetPlaybackMode(walk.mode, true);
        expectSameWalk(fast, composed, ("mode " + std::to_string(static_cast<int>(walk.mode))).c_str());
    }
    Hyx::FrameOrderManual fast;
    ComposedManual composed;
    for (uint32_t frame : {4u, 9u, 9u, 2u, 7u}) {
        fast.PushBackNextFrameID(frame);
        composed.PushBackNextFrameID(frame);
    }
    expectSameWalk(fast, composed, "manual");
}
