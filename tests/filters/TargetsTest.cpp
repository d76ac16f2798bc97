// The callback and empty targets: grouping by count, frame-order resets, play after pause,
// and listener addresses that must never be called.

#include "FilterTestUtil.h"

#include <CapturedLog.h>

#include <Hyx/AsyncGraph.h>
#include <Hyx/DataProfile.h>
#include <Hyx/FilterParamNumeric.h>
#include <Hyx/MutateDataLayers.h>
#include <Hyx/SourceEmpty.h>
#include <Hyx/SourceManual.h>

#include <chrono>
#include <limits>
#include <map>
#include <stdexcept>
#include <string>
#include <thread>

using namespace Hyx;
using namespace FilterTest;

namespace {

// The targets with their hooks reachable, so a test hands atoms over one by one.
struct OpenCallback : TargetCallback {
    using TargetCallback::onProcessFrame;
};
struct OpenEmpty : TargetEmpty {
    using TargetEmpty::onPostUpdate;
    using TargetEmpty::onProcessFrame;
};

/// A live source of 3 streams feeding the target, playing in realtime.
template <class T>
struct Rig {
    Rig()
    {
        EXPECT_TRUE(source->ClearCacheAndReinitializeProperties(MakeAtom(0, 0, {StreamInfo()}), 3, 25.0f, true));
        graph = Chain({source, target});
        EXPECT_EQ(graph->Play(PlaybackMode::Realtime), ActionResult::Success);
    }
    /// Hands n new atoms to the target; returns them.
    Frame Feed(int n)
    {
        Frame atoms;
        for (int i = 0; i < n; ++i) {
            atoms.push_back(MakeAtom(uint32_t(i), uint32_t(fed++), {StreamInfo()}));
            EXPECT_EQ(target->onProcessFrame(atoms.back()), HyxErrorCode::Success);
        }
        return atoms;
    }
    /// The stream-information objects of the atoms, to compare frames by their layers.
    static std::vector<std::shared_ptr<DataLayer>> Layers(const Frame& atoms)
    {
        std::vector<std::shared_ptr<DataLayer>> layers;
        for (const auto& atom : atoms)
            layers.push_back(atom->GetAllDataLayers().at(0));
        return layers;
    }

    int fed = 0;
    std::shared_ptr<SourceManualLiveSource> source = Make<SourceManualLiveSource>();
    std::shared_ptr<T> target = Make<T>();
    std::shared_ptr<Graph> graph;
};

} // namespace

TEST(TargetCallback, GroupsByCountAndForgetsHalfFramesOnResetAndRestart)
{
    Rig<OpenCallback> rig;
    RecordingListener listener;
    rig.target->SetAtomsListener(&listener);

    const Frame first = rig.Feed(3);
    rig.Feed(2);
    rig.graph->GetFrameOrderProvider()->Reset(); // drops the 2
    const Frame second = rig.Feed(3);
    rig.Feed(2);
    ASSERT_EQ(rig.graph->Pause(), ActionResult::Success);
    ASSERT_EQ(rig.graph->Play(), ActionResult::Success); // resuming keeps the 2
    const Frame third = rig.Feed(1);
    rig.Feed(1);
    ASSERT_EQ(rig.graph->Stop(), ActionResult::Success);
    ASSERT_EQ(rig.graph->Play(PlaybackMode::Realtime), ActionResult::Success); // a restart drops it
    const Frame fourth = rig.Feed(3);

    const auto frames = listener.Frames();
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(rig.Layers(frames[0]), rig.Layers(first)); // in arrival order, the same layers
    EXPECT_EQ(rig.Layers(frames[1]), rig.Layers(second));
    EXPECT_EQ(frames[2].size(), 3u);
    EXPECT_EQ(rig.Layers(frames[2])[2], rig.Layers(third)[0]);
    EXPECT_EQ(rig.Layers(frames[3]), rig.Layers(fourth));
}

TEST(TargetCallback, CallsOnlyLiveRegisteredListeners)
{
    CapturedLog log;
    Rig<OpenCallback> rig;
    auto param = std::dynamic_pointer_cast<FilterParamInt64>(
        rig.target->getParameterByName(TargetCallback::ATOM_LISTENER_PTR_PARAMNAME));
    ASSERT_NE(param, nullptr);
    EXPECT_EQ(param->GetMaxValue(), std::numeric_limits<long long>::max()); // real addresses fit

    // A live listener set as decimal text, as a graph file does, is called.
    RecordingListener listener;
    const std::string address = std::to_string(reinterpret_cast<uintptr_t>(static_cast<IAtomsListener*>(&listener)));
    ASSERT_TRUE(rig.target->setParameterValue(TargetCallback::ATOM_LISTENER_PTR_PARAMNAME, address.c_str()));
    rig.Feed(3);
    EXPECT_EQ(listener.Count(), 1u);

    // A garbage address and a destroyed listener's address are never called; each is logged
    // once, however many frames come.
    auto gone = std::make_unique<RecordingListener>();
    const std::string goneAddress =
        std::to_string(reinterpret_cast<uintptr_t>(static_cast<IAtomsListener*>(gone.get())));
    gone.reset();
    for (const std::string& bad : {std::string("123456789"), goneAddress}) {
        ASSERT_TRUE(rig.target->setParameterValue(TargetCallback::ATOM_LISTENER_PTR_PARAMNAME, bad.c_str()));
        rig.Feed(6);
        EXPECT_EQ(log.Count(VornCommon::LogLevel::Error,
                            "Callback target: no atoms listener lives at " + bad + "; frames are dropped"),
                  1);
    }
    rig.target->SetAtomsListener(nullptr);
    rig.Feed(3); // no listener: dropped silently
    EXPECT_EQ(listener.Count(), 1u);
}

TEST(TargetCallback, EachRefusedValueIsLoggedOncePerTarget)
{
    // Values in the order they are set, with how many lines each has given after them all:
    // a value coming back after another is not told again, one coming back after 16 others
    // were refused is.
    std::vector<long long> values = {12345, 777, 12345, 777};
    for (long long v = 1; v <= 16; ++v)
        values.push_back(1000 + v);
    values.push_back(12345); // pushed out by the 16 after it: told again
    values.push_back(1016); // still remembered
    const std::pair<long long, int> told[] = {{12345, 2}, {777, 1}, {1001, 1}, {1016, 1}};

    CapturedLog log;
    Rig<OpenCallback> rig;
    for (const long long value : values) {
        ASSERT_TRUE(
            rig.target->setParameterValue(TargetCallback::ATOM_LISTENER_PTR_PARAMNAME, std::to_string(value).c_str()));
        rig.Feed(6); // two frames each
    }
    for (const auto& [value, lines] : told)
        EXPECT_EQ(log.Count(VornCommon::LogLevel::Error, "Callback target: no atoms listener lives at " +
                                                             std::to_string(value) + "; frames are dropped"),
                  lines)
            << value;
    EXPECT_EQ(log.Entries().size(), 19u); // 18 values, one of them twice

    // Another target keeps its own memory.
    Rig<OpenCallback> other;
    ASSERT_TRUE(other.target->setParameterValue(TargetCallback::ATOM_LISTENER_PTR_PARAMNAME, "777"));
    other.Feed(3);
    EXPECT_EQ(
        log.Count(VornCommon::LogLevel::Error, "Callback target: no atoms listener lives at 777; frames are dropped"),
        2);
}

namespace {

/// Throws std::runtime_error on the frame numbered `throwAt` (of its first atom).
struct ThrowingListener : RecordingListener {
    explicit ThrowingListener(uint32_t at) : throwAt(at) {}
    void OnAtomsReceived(Frame& atoms) override
    {
        RecordingListener::OnAtomsReceived(atoms);
        if (atoms.at(0)->GetFrameNr() == throwAt)
            throw std::runtime_error("no room");
    }
    const uint32_t throwAt;
};

/// An offline source of `frames` frames of `streams` atoms (stream information, and positions
/// when asked) -> an editing filter, when given, with its switches -> a callback target whose
/// listener is made of `listenerArgs`, on a host-driven or an asynchronous graph.
template <class G, class Listener>
struct OfflineRig {
    struct Setup {
        unsigned streams;
        uint32_t frames;
        bool positions = false;
        std::shared_ptr<Filter> editor = nullptr;
        std::map<std::string, std::string> switches = {};
    };
    template <class... ListenerArgs>
    explicit OfflineRig(const Setup& setup, ListenerArgs&&... listenerArgs)
        : listener(std::forward<ListenerArgs>(listenerArgs)...)
    {
        const auto atom = [&](uint32_t stream, uint32_t frame) {
            return setup.positions ? MakeAtom(stream, frame, {StreamInfo(), Positions(1.0f + float(stream))})
                                   : MakeAtom(stream, frame, {StreamInfo()});
        };
        EXPECT_TRUE(source->ClearCacheAndReinitializeProperties(atom(0, 0), setup.streams, 25.0f, true));
        for (uint32_t f = 0; f < setup.frames; ++f) {
            Frame frame;
            for (unsigned s = 0; s < setup.streams; ++s)
                frame.push_back(atom(s, f));
            EXPECT_TRUE(source->PushFrame(frame));
        }
        target->SetAtomsListener(&listener);
        if (setup.editor) {
            setup.editor->setParameterValues(setup.switches);
            graph = Chain<G>({source, setup.editor, target});
        } else {
            graph = Chain<G>({source, target});
        }
    }
    ~OfflineRig()
    {
        graph->Stop();
        target->SetAtomsListener(nullptr);
    }

    std::shared_ptr<SourceManualOfflineSource> source = Make<SourceManualOfflineSource>();
    std::shared_ptr<TargetCallback> target = Make<TargetCallback>();
    Listener listener;
    std::shared_ptr<G> graph;
};

template <class G>
using ThrowRig = OfflineRig<G, ThrowingListener>;

} // namespace

TEST(TargetCallback, AFrameWhoseListenerThrowsCountsAsHandedOut)
{
    // 6 frames, the listener throwing on frame 2: every atom counts, thrown frame included.
    for (const unsigned streams : {1u, 3u}) {
        SCOPED_TRACE(streams);
        ThrowRig<Graph> rig({streams, 6}, 2);
        ASSERT_EQ(rig.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
        int thrown = 0;
        for (int i = 0; i < 20 && !rig.graph->IsDone(); ++i) {
            try {
                ASSERT_EQ(rig.graph->Update(), ActionResult::Success);
            } catch (const std::runtime_error&) {
                ++thrown;
            }
        }
        EXPECT_EQ(thrown, 1);
        EXPECT_EQ(rig.listener.Count(), 6u);
        EXPECT_EQ(rig.target->GetNumAtomsProcessed(), 6u * streams);
        EXPECT_EQ(rig.target->GetNumFramesProcessed(), 6u);
    }
}

TEST(TargetCallbackThreads, AFrameWhoseListenerThrowsOnTheWorkerCountsAsHandedOut)
{
    // The throw ends the worker's run: frames 0, 1 and 2 were handed out, 2 to the thrower.
    for (const unsigned streams : {1u, 3u}) {
        SCOPED_TRACE(streams);
        ThrowRig<AsyncGraph> rig({streams, 6}, 2);
        ASSERT_EQ(rig.graph->SetPlaybackMode(PlaybackMode::ForwardOnce, 0.0f), ActionResult::Success);
        ASSERT_EQ(rig.graph->Play(), ActionResult::Success);
        for (int i = 0; i < 10000 && !rig.graph->IsStopped(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_TRUE(rig.graph->IsStopped());
        EXPECT_EQ(rig.listener.Count(), 3u);
        EXPECT_EQ(rig.target->GetNumAtomsProcessed(), 3u * streams);
    }
}

TEST(TargetEmpty, KeepsTheLastFrameOnlyWhileFramesArrive)
{
    Rig<OpenEmpty> rig;
    rig.Feed(2);
    EXPECT_EQ(rig.target->onPostUpdate(), HyxErrorCode::Success);
    EXPECT_TRUE(rig.target->GetRecentCachedAtoms().empty()); // no complete frame yet
    const Frame frame = rig.Feed(4);
    EXPECT_EQ(rig.target->onPostUpdate(), HyxErrorCode::Success);
    const Frame recent = rig.target->GetRecentCachedAtoms();
    ASSERT_EQ(recent.size(), 3u);
    EXPECT_EQ(rig.Layers(recent)[0], rig.Layers(frame)[1]); // the 2 earlier atoms completed it

    rig.graph->GetFrameOrderProvider()->Reset(); // the pending one goes, the recent frame stays
    EXPECT_EQ(rig.target->GetRecentCachedAtoms().size(), 3u);
    rig.Feed(2);
    EXPECT_EQ((std::tuple{rig.target->onPostUpdate(), rig.target->GetRecentCachedAtoms().size()}),
              std::tuple(HyxErrorCode::Success, 3u));
    EXPECT_EQ(rig.target->onPostUpdate(), HyxErrorCode::Success); // an update without arrivals
    EXPECT_TRUE(rig.target->GetRecentCachedAtoms().empty());
}

TEST(TargetCallbackThreads, AListenerClearedOnTheHostIsOutOfUseAndMayGo)
{
    // The empty source feeds the callback target on the asynchronous graph's worker while the
    // host keeps replacing and destroying listeners.
    auto target = Make<TargetCallback>();
    auto graph = Chain<AsyncGraph>({Make<SourceEmptySource>(), target});
    ASSERT_EQ(graph->SetPlaybackMode(PlaybackMode::Realtime, 0.0f), ActionResult::Success);
    ASSERT_EQ(graph->Play(), ActionResult::Success);
    size_t received = 0;
    // A hundred listeners at least, and more until one got a frame (bounded, so that a worker
    // that delivers nothing fails instead of hanging).
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (int i = 0; i < 100 || (received == 0 && std::chrono::steady_clock::now() < deadline); ++i) {
        auto listener = std::make_unique<RecordingListener>();
        target->SetAtomsListener(listener.get());
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        target->SetAtomsListener(nullptr);
        received += listener->Count();
    }
    EXPECT_EQ(graph->Stop(), ActionResult::Success);
    EXPECT_GT(received, 0u);
}

namespace {

/// 2 frames of 3 atoms (stream information and positions) -> a layer keeper or dropper -> a
/// callback target.
template <class G>
using EditedRig = OfflineRig<G, RecordingListener>;

std::string FriendlyOf(const std::shared_ptr<DataLayer>& layer)
{
    return layer->GetDataProfile()->ToFriendlyString();
}

struct EmptiedRow {
    const char* name;
    bool keeper;
};
// A keeper with every switch off and a dropper with every switch on leave no layer.
const EmptiedRow kEmptiedRows[] = {{"keeper keeping nothing", true}, {"dropper dropping everything", false}};

std::shared_ptr<Filter> Editor(const EmptiedRow& row, std::map<std::string, std::string>& switches)
{
    if (row.keeper)
        return Make<MutateDataLayersKeeper>();
    switches = {{"Drop " + FriendlyOf(StreamInfo()), "True"}, {"Drop " + FriendlyOf(Positions(0.0f)), "True"}};
    return Make<MutateDataLayersDropper>();
}

// Each frame arrives whole, its atoms in stream order, each without a layer.
template <class G>
void ExpectTwoWholeFramesWithoutLayers(const EditedRig<G>& rig)
{
    const auto frames = rig.listener.Frames();
    ASSERT_EQ(frames.size(), 2u);
    for (uint32_t f = 0; f < 2; ++f) {
        ASSERT_EQ(frames[f].size(), 3u);
        for (uint32_t s = 0; s < 3; ++s) {
            EXPECT_EQ(frames[f][s]->GetFrameNr(), f);
            EXPECT_EQ(frames[f][s]->GetStreamId(), s);
            EXPECT_TRUE(frames[f][s]->GetAllDataLayers().empty());
        }
    }
    EXPECT_EQ(rig.target->GetNumAtomsProcessed(), 6u);
}

} // namespace

TEST(TargetCallback, FramesLeftWithoutLayersStillReachTheListenerWhole)
{
    for (const EmptiedRow& row : kEmptiedRows) {
        SCOPED_TRACE(row.name);
        std::map<std::string, std::string> switches;
        std::shared_ptr<Filter> editor = Editor(row, switches);
        EditedRig<Graph> rig({3, 2, true, editor, switches});
        ASSERT_EQ(rig.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
        EXPECT_TRUE(RunToEnd(*rig.graph));
        ExpectTwoWholeFramesWithoutLayers(rig);
    }
}

TEST(TargetCallbackThreads, FramesLeftWithoutLayersStillReachTheListenerWholeOnTheWorker)
{
    for (const EmptiedRow& row : kEmptiedRows) {
        SCOPED_TRACE(row.name);
        std::map<std::string, std::string> switches;
        std::shared_ptr<Filter> editor = Editor(row, switches);
        EditedRig<AsyncGraph> rig({3, 2, true, editor, switches});
        ASSERT_EQ(rig.graph->SetPlaybackMode(PlaybackMode::ForwardOnce, 0.0f), ActionResult::Success);
        ASSERT_EQ(rig.graph->Play(), ActionResult::Success);
        for (int i = 0; i < 10000 && !rig.graph->IsStopped(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_TRUE(rig.graph->IsStopped());
        ExpectTwoWholeFramesWithoutLayers(rig);
    }
}
