// The callback and empty targets: grouping by count, frame-order resets, play after pause,
// and listener addresses that must never be called.

#include "FilterTestUtil.h"

#include <CapturedLog.h>

#include <Hyx/AsyncGraph.h>
#include <Hyx/FilterParamNumeric.h>
#include <Hyx/SourceEmpty.h>
#include <Hyx/SourceManual.h>

#include <chrono>
#include <limits>
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
    for (int i = 0; i < 100 || (received == 0 && i < 5000); ++i) {
        auto listener = std::make_unique<RecordingListener>();
        target->SetAtomsListener(listener.get());
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        target->SetAtomsListener(nullptr);
        received += listener->Count();
    }
    EXPECT_EQ(graph->Stop(), ActionResult::Success);
    EXPECT_GT(received, 0u);
}
