// The host-driven sources: declarations, the checks of pushed frames with their texts, what
// a queued atom carries, renumbering, the frozen offline collection and whole frames only.

#include "FilterTestUtil.h"

#include <CapturedLog.h>

#include <Hyx/AsyncGraph.h>
#include <Hyx/Connection.h>
#include <Hyx/FrameOrderProvider.h>
#include <Hyx/SourceManual.h>

#include <functional>
#include <limits>
#include <string>
#include <tuple>

using namespace Hyx;
using namespace FilterTest;

namespace {

std::shared_ptr<Atom> templateAtom()
{
    return MakeAtom(0, 0, {StreamInfo(), Positions(0.0f)});
}

/// One atom per stream, each with stream information and positions based on `base`.
Frame frameOf(unsigned streams, uint32_t frameNr, float base)
{
    Frame frame;
    for (unsigned s = 0; s < streams; ++s)
        frame.push_back(MakeAtom(s, frameNr, {StreamInfo(), Positions(base + float(s) / 10.0f)}));
    return frame;
}

/// A declared live source feeding a callback target in a realtime graph on the test's
/// thread.
struct LiveRig {
    explicit LiveRig(unsigned streams, bool renumber = true)
    {
        EXPECT_TRUE(source->ClearCacheAndReinitializeProperties(templateAtom(), streams, 25.0f, renumber));
        target->SetAtomsListener(&listener);
        graph = Chain({source, target});
    }
    void Play() { ASSERT_EQ(graph->Play(PlaybackMode::Realtime), ActionResult::Success); }

    std::shared_ptr<SourceManualLiveSource> source = Make<SourceManualLiveSource>();
    std::shared_ptr<TargetCallback> target = Make<TargetCallback>();
    RecordingListener listener;
    std::shared_ptr<Graph> graph;
};

} // namespace

TEST(ManualSource, ARenumberingLiveSourceRefusesPastTheLastFrameNumber)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    // Four million pushes take minutes under a sanitizer; the plain build runs them.
    GTEST_SKIP() << "too slow under a sanitizer";
#endif
    // A source that has numbered every frame the identity word can hold refuses the next one;
    // the frames of the last 4096 pushes stay queued, numbered as given.
    LiveRig counted(1);
    counted.Play();
    const Frame frame = frameOf(1, 0, 1.0f);
    for (uint32_t i = 0; i <= AtomId::FRAME_NR_MASK; ++i) {
        if (i % 4096 == 0)
            counted.source->ClearCache(false);
        ASSERT_TRUE(counted.source->PushFrame(frame)) << "push " << i;
    }
    counted.source->ResetError();
    EXPECT_FALSE(counted.source->PushFrame(frame));
    EXPECT_EQ(counted.source->GetLastError(false).StdString(),
              "Frame rejected - frame numbers run from 0 to 4194303, and the source has numbered 4194304 frames");
    ASSERT_EQ(counted.graph->Update(), ActionResult::Success);
    ASSERT_EQ(counted.listener.Count(), 1u);
    EXPECT_EQ(counted.listener.Frames()[0][0]->GetFrameNr(), AtomId::FRAME_NR_MASK + 1 - 4096);
}

TEST(ManualSource, RefusalsReplaceTheErrorTextWithTheirMessage)
{
    auto live = Make<SourceManualLiveSource>();
    auto offline = Make<SourceManualOfflineSource>();
    // Declared at 25 frames a second, not yet in a graph: a refused rate changes nothing.
    auto declaredLive = Make<SourceManualLiveSource>();
    ASSERT_TRUE(declaredLive->ClearCacheAndReinitializeProperties(templateAtom(), 1, 25.0f, true));
    auto declaredOffline = Make<SourceManualOfflineSource>();
    ASSERT_TRUE(declaredOffline->ClearCacheAndReinitializeProperties(templateAtom(), 1, 25.0f, true));
    ASSERT_TRUE(declaredOffline->PushFrame(frameOf(1, 0, 1.0f)));
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    auto joined = Make<SourceManualOfflineSource>();
    ASSERT_TRUE(joined->ClearCacheAndReinitializeProperties(templateAtom(), 1, 25.0f, true));
    ASSERT_TRUE(joined->PushFrame(frameOf(1, 0, 1.0f)));
    auto graph = Chain({joined});
    auto liveJoined = Make<SourceManualLiveSource>();
    ASSERT_TRUE(liveJoined->ClearCacheAndReinitializeProperties(templateAtom(), 2, 25.0f, true));
    auto liveGraph = Chain({liveJoined});

    auto withoutPositions = frameOf(2, 0, 1.0f);
    withoutPositions[1] = MakeAtom(1, 0, {StreamInfo()});
    auto withExtraLayer = frameOf(2, 0, 1.0f);
    withExtraLayer[0]->AddDataLayer(Positions(5.0f, 1, kPurposeB));
    auto withoutInfo = frameOf(2, 0, 1.0f);
    withoutInfo[0]->RemoveDataLayers(DataTypeStreamInfo::TheTypeGuid());
    auto withNull = frameOf(2, 0, 1.0f);
    withNull[1] = nullptr;
    // Frame 4194304 packed into the word by hand spills into the type bits.
    auto wordPastFrames = frameOf(2, 0, 1.0f);
    wordPastFrames[1]->SetId(4194304u << 6 | 1u);
    auto oneWordPastFrames = frameOf(1, 0, 1.0f);
    oneWordPastFrames[0]->SetId(4194304u << 6);

    const std::string profileText = "Frame rejected - a stream of the frame does not satisfy declared output profile";
    const std::string wordText = "Frame rejected - an atom's identity word is not a frame's: frame numbers run from 0 "
                                 "to 4194303 and stream ids from 0 to 63";
    struct Case {
        std::shared_ptr<Filter> filter;
        std::function<bool()> call;
        std::string text;
    };
    const Case cases[] = {
        {live, [&] { return live->PushFrame(frameOf(1, 0, 1.0f)); },
         "Frame rejected - properties of the manual live source have not yet been initialized"},
        {offline, [&] { return offline->PushFrame(frameOf(1, 0, 1.0f)); },
         "Frame rejected - properties of the manual offline source have not yet been initialized"},
        {liveJoined, [&] { return liveJoined->PushFrame(frameOf(1, 0, 1.0f)); },
         "Frame rejected - it has different number of streams than was declared"},
        {liveJoined, [&] { return liveJoined->PushFrame(withoutPositions); }, profileText},
        {liveJoined, [&] { return liveJoined->PushFrame(withExtraLayer); }, profileText},
        {liveJoined, [&] { return liveJoined->PushFrame(withoutInfo); }, profileText},
        {liveJoined, [&] { return liveJoined->PushFrame(withNull); }, profileText},
        // Past the identity word's range.
        {liveJoined, [&] { return liveJoined->PushFrame(wordPastFrames); }, wordText},
        {declaredOffline, [&] { return declaredOffline->PushFrame(oneWordPastFrames); }, wordText},
        {liveJoined, [&] { return liveJoined->ClearCacheAndReinitializeProperties(templateAtom(), 1, 5.0f, true); },
         "Can not reinitialize properties of manual live source after it was added to a graph"},
        {joined, [&] { return joined->PushFrame(frameOf(1, 1, 1.0f)); },
         "Can not push a frame to the manual offline source's collection after it was added to a graph"},
        {joined, [&] { return joined->ClearCache(); },
         "Can not clear manual offline source's collection of atoms after it was added to a graph"},
        {joined, [&] { return joined->ClearCacheAndReinitializeProperties(templateAtom(), 1, 5.0f, true); },
         "Can not reinitialize properties of manual offline source after it was added to a graph"},
        // A declaration that cannot hold: refused before anything changes.
        {offline, [&] { return offline->ClearCacheAndReinitializeProperties(nullptr, 1, 5.0f, true); },
         "Properties rejected - no template atom given"},
        {offline,
         [&] { return offline->ClearCacheAndReinitializeProperties(MakeAtom(0, 0, {Positions(1)}), 1, 5.0f, true); },
         "Properties rejected - the template atom carries no stream information"},
        {live, [&] { return live->ClearCacheAndReinitializeProperties(templateAtom(), 0, 5.0f, true); },
         "Properties rejected - the number of streams must be at least 1"},
        // A rate that is no number, as the graph's rate calls refuse it.
        {live, [&] { return live->ClearCacheAndReinitializeProperties(templateAtom(), 1, nan, true); },
         "Properties rejected - nan is not a number of frames a second"},
        {declaredLive, [&] { return declaredLive->ClearCacheAndReinitializeProperties(templateAtom(), 1, inf, true); },
         "Properties rejected - inf is not a number of frames a second"},
        {offline, [&] { return offline->ClearCacheAndReinitializeProperties(templateAtom(), 1, -inf, true); },
         "Properties rejected - -inf is not a number of frames a second"},
        {declaredOffline,
         [&] { return declaredOffline->ClearCacheAndReinitializeProperties(templateAtom(), 1, nan, false); },
         "Properties rejected - nan is not a number of frames a second"},
        // A rate whose frame period does not fit in 32 bits, as the graph's rate calls refuse it.
        {live, [&] { return live->ClearCacheAndReinitializeProperties(templateAtom(), 1, 1e-30f, true); },
         "Properties rejected - 1e-30 gives a frame period past 4294967295 ms"},
        {declaredLive,
         [&] { return declaredLive->ClearCacheAndReinitializeProperties(templateAtom(), 1, 2.32830644e-07f, true); },
         "Properties rejected - 2.3283064e-07 gives a frame period past 4294967295 ms"},
        {offline, [&] { return offline->ClearCacheAndReinitializeProperties(templateAtom(), 1, 1e-9f, true); },
         "Properties rejected - 1e-09 gives a frame period past 4294967295 ms"},
        {declaredOffline,
         [&] {
             return declaredOffline->ClearCacheAndReinitializeProperties(
                 templateAtom(), 1, std::numeric_limits<float>::denorm_min(), false);
         },
         "Properties rejected - 1e-45 gives a frame period past 4294967295 ms"},
    };
    for (const Case& c : cases) {
        c.filter->ResetError();
        EXPECT_FALSE(c.call()) << c.text;
        EXPECT_EQ(c.filter->GetLastError(false).StdString(), c.text);
    }
    EXPECT_EQ((std::tuple{bool(live->PropertiesAreInitialized()), bool(offline->PropertiesAreInitialized())}),
              std::tuple(false, false));
    EXPECT_EQ(joined->GetStreamInfo()->GetFPS(), 25.0f); // the refused declarations changed nothing
    EXPECT_EQ(std::tuple(declaredLive->GetStreamInfo()->GetFPS(), declaredOffline->GetStreamInfo()->GetFPS()),
              std::tuple(25.0f, 25.0f));
    // The offline collection keeps its frame.
    auto kept = Chain({declaredOffline});
    EXPECT_EQ(declaredOffline->GetStreamInfo()->GetNumFrames(), 1u);

    // Nothing of the refused frames was queued: the first frame out is the valid one.
    RecordingListener listener;
    auto target = Make<TargetCallback>();
    target->SetAtomsListener(&listener);
    ASSERT_EQ(liveGraph->AddAndConnect(target), ActionResult::Success);
    ASSERT_EQ(liveGraph->Play(PlaybackMode::Realtime), ActionResult::Success);
    ASSERT_TRUE(liveJoined->PushFrame(frameOf(2, 0, 9.0f)));
    ASSERT_EQ(liveGraph->Update(), ActionResult::Success);
    ASSERT_EQ(listener.Count(), 1u);
    EXPECT_EQ(BaseOf(listener.Frames()[0][0]), 9.0f);
}

// Every rate whose frame period fits is declared as given, the rate codes and the largest
// floats too; so is the smallest such rate, one float above the largest refused.
TEST(ManualSource, EveryRateAGraphTakesIsDeclared)
{
    for (const float fps : {0.0f, -1.0f, -2.0f, -3.0f, -7.5f, 0.001f, 1e30f, -1e30f, std::numeric_limits<float>::max(),
                            -std::numeric_limits<float>::denorm_min(), 2.32830658e-07f}) {
        SCOPED_TRACE(fps);
        auto live = Make<SourceManualLiveSource>();
        auto offline = Make<SourceManualOfflineSource>();
        EXPECT_TRUE(live->ClearCacheAndReinitializeProperties(templateAtom(), 1, fps, true));
        EXPECT_TRUE(offline->ClearCacheAndReinitializeProperties(templateAtom(), 1, fps, true));
        EXPECT_EQ(std::tuple(live->GetStreamInfo()->GetFPS(), offline->GetStreamInfo()->GetFPS()),
                  std::tuple(fps, fps));
    }
}

TEST(ManualSource, QueuedAtomsShareTheHostsLayersAndCarryOneDeclaredStreamInfoLast)
{
    LiveRig rig(1);
    rig.Play();
    auto positions = Positions(3.0f);
    // Stream information first, twice: the pushed atom's own layers, replaced on the way.
    auto hostAtom = MakeAtom(0, 4, {StreamInfo(60.0f, 9), StreamInfo(60.0f, 9), positions});
    ASSERT_TRUE(rig.source->PushFrame({hostAtom}));
    ASSERT_EQ(rig.graph->Update(), ActionResult::Success);

    ASSERT_EQ(rig.listener.Count(), 1u);
    const std::shared_ptr<Atom> out = rig.listener.Frames()[0].at(0);
    const auto layers = out->GetAllDataLayers();
    ASSERT_EQ(layers.size(), 2u);
    EXPECT_EQ(layers[0], positions); // the very object the host pushed
    auto info = std::dynamic_pointer_cast<DataTypeStreamInfo>(layers[1]);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ((std::tuple{info->GetFPS(), info->GetNumFrames()}),
              std::tuple(25.0f, DataTypeStreamInfo::NUM_FRAMES_AUTO));
    EXPECT_NE(info, rig.source->GetStreamInfo()); // a copy of the declared one
    EXPECT_EQ(hostAtom->GetAllDataLayers().size(), 3u); // the host's atom is untouched
}

TEST(ManualSource, LiveRenumberingAndRewind)
{
    struct Case {
        bool renumber;
        std::vector<uint32_t> expected;
    };
    for (const Case& c : {Case{true, {0, 1, 2}}, Case{false, {7, 3, 9}}}) {
        LiveRig rig(1, c.renumber);
        rig.Play();
        for (uint32_t frame : {7u, 3u, 9u})
            ASSERT_TRUE(rig.source->PushFrame(frameOf(1, frame, float(frame))));
        for (int i = 0; i < 4; ++i) // one pass more than frames: nothing left to emit
            ASSERT_EQ(rig.graph->Update(), ActionResult::Success);
        std::vector<uint32_t> numbers;
        for (const Frame& frame : rig.listener.Frames())
            numbers.push_back(frame[0]->GetFrameNr());
        EXPECT_EQ(numbers, c.expected);
    }

    // Frames 1 and 2 still queued when the cache is cleared: the next push takes 1 again.
    LiveRig rig(1);
    rig.Play();
    for (uint32_t frame = 0; frame < 3; ++frame)
        ASSERT_TRUE(rig.source->PushFrame(frameOf(1, 50, float(frame))));
    ASSERT_EQ(rig.graph->Update(), ActionResult::Success);
    rig.source->ClearCache(true);
    ASSERT_EQ(rig.graph->Update(), ActionResult::Success); // nothing queued
    ASSERT_TRUE(rig.source->PushFrame(frameOf(1, 50, 8.0f)));
    ASSERT_EQ(rig.graph->Update(), ActionResult::Success);
    const auto frames = rig.listener.Frames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ((std::tuple{frames[1][0]->GetFrameNr(), BaseOf(frames[1][0])}), std::tuple(1u, 8.0f));
}

TEST(ManualSource, LiveAndOfflinePlayOnlyUnderTheirFrameOrders)
{
    // The live source needs the realtime automatic order.
    for (auto provider : std::vector<std::shared_ptr<FrameOrderProvider>>{std::make_shared<FrameOrderManual>(),
                                                                          std::make_shared<FrameOrderAuto>(0, 10)}) {
        LiveRig rig(1);
        ASSERT_EQ(rig.graph->SetFrameOrderProvider(provider), ActionResult::Success);
        EXPECT_EQ(rig.graph->Play(), ActionResult::Failure);
        EXPECT_NE(rig.graph->GetLastError(false).StdString().find(
                      "Manual live source can only run with automatic frame-order provider in 'realtime' mode"),
                  std::string::npos);
    }
    // The offline source plays every walk but realtime, which counts past its last frame: a
    // graph of either kind refuses to play it there, and stays stopped.
    for (const bool async : {false, true}) {
        SCOPED_TRACE(async ? "AsyncGraph" : "Graph");
        auto offline = Make<SourceManualOfflineSource>();
        ASSERT_TRUE(offline->ClearCacheAndReinitializeProperties(templateAtom(), 1, 25.0f, true));
        for (uint32_t f = 0; f < 3; ++f)
            ASSERT_TRUE(offline->PushFrame(frameOf(1, f, float(f))));
        std::shared_ptr<Graph> realtime = async ? std::make_shared<AsyncGraph>() : std::make_shared<Graph>();
        ASSERT_EQ(realtime->AddAndConnect(offline), ActionResult::Success);
        ASSERT_EQ(realtime->AddAndConnect(Make<TargetCallback>()), ActionResult::Success);
        // The hook's text nests in the step's, as every failing hook's does.
        const std::string step =
            "Filter 'ManualOfflineSource' error: Source filter '$filter$' lacks a valid frame order provider.";
        const std::string nested =
            step + "(" + step + "(Manual offline source cannot run in 'realtime' mode: its 3 frames would run out))";
        EXPECT_EQ(realtime->Play(PlaybackMode::Realtime), ActionResult::Failure);
        EXPECT_EQ(realtime->GetLastError(false).StdString(), "Graph failed to start playing(" + nested + ")");
        EXPECT_TRUE(realtime->IsStopped());
        EXPECT_EQ(realtime->Play(PlaybackMode::ForwardLoop), ActionResult::Success); // any other walk plays
        EXPECT_EQ(realtime->Stop(), ActionResult::Success);
    }
    // Without a declaration nothing initialises (8).
    auto graph = std::make_shared<Graph>();
    EXPECT_EQ((std::tuple{graph->AddAndConnect(Make<SourceManualLiveSource>()),
                          graph->AddAndConnect(Make<SourceManualOfflineSource>())}),
              std::tuple(ActionResult::Failure, ActionResult::Failure));

    // An offline source without frames publishes 0 frames; the graph refuses to play it.
    auto empty = Make<SourceManualOfflineSource>();
    ASSERT_TRUE(empty->ClearCacheAndReinitializeProperties(templateAtom(), 2, 25.0f, true));
    auto emptyGraph = Chain({empty, Make<TargetCallback>()});
    EXPECT_EQ((std::tuple{empty->GetStreamInfo()->GetNumFrames(), emptyGraph->Play(PlaybackMode::ForwardOnce)}),
              std::tuple(0u, ActionResult::Failure));
}

TEST(ManualSource, OfflinePlaysTheCollectionByFrameId)
{
    auto source = Make<SourceManualOfflineSource>();
    ASSERT_TRUE(source->ClearCacheAndReinitializeProperties(templateAtom(), 2, 25.0f, true));
    for (uint32_t f = 0; f < 5; ++f)
        ASSERT_TRUE(source->PushFrame(frameOf(2, 100 + f, float(f))));
    auto target = Make<TargetCallback>();
    RecordingListener listener;
    target->SetAtomsListener(&listener);
    auto graph = Chain({source, target});
    ASSERT_EQ(graph->SetFrameOrderProvider(std::make_shared<FrameOrderManual>()), ActionResult::Success);
    auto order = std::static_pointer_cast<FrameOrderManual>(graph->GetFrameOrderProvider());
    ASSERT_EQ(graph->Play(), ActionResult::Success);
    for (uint32_t f : {3u, 3u, 0u}) // any frame, any number of times
        order->PushBackNextFrameID(f);
    ASSERT_TRUE(RunToEnd(*graph));
    const auto frames = listener.Frames();
    ASSERT_EQ(frames.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        const float expected = i < 2 ? 3.0f : 0.0f; // frame 3: the 7th and 8th atoms pushed
        EXPECT_EQ((std::tuple{BaseOf(frames[i][0]), BaseOf(frames[i].at(1))}), std::tuple(expected, expected + 0.1f));
    }

    // A frame outside the collection fails with 4 instead of reading past it.
    order->PushBackNextFrameID(5);
    EXPECT_EQ(graph->Update(), ActionResult::Failure);
    EXPECT_NE(graph->GetLastError(false).StdString().find("Frame 5 is outside the 5 frames"), std::string::npos);
}

TEST(ManualSource, AFrameLeavesWholeOrNotAtAll)
{
    // 3 streams into 1000 slots: after 333 frames one slot is left, too few for a frame.
    LiveRig rig(3);
    rig.Play();
    for (uint32_t f = 0; f < 335; ++f)
        ASSERT_TRUE(rig.source->PushFrame(frameOf(3, 0, float(f))));
    for (int i = 0; i < 333; ++i)
        ASSERT_EQ(rig.source->Update(), HyxErrorCode::Success);
    EXPECT_EQ(rig.source->Update(), HyxErrorCode::FilterFailedToPushAtom);

    // Drained, the held frame leaves whole, and so do those after it.
    ASSERT_EQ(rig.target->Update(), HyxErrorCode::Success);
    ASSERT_EQ(rig.graph->Update(), ActionResult::Success);
    ASSERT_EQ(rig.graph->Update(), ActionResult::Success);
    const auto frames = rig.listener.Frames();
    ASSERT_EQ(frames.size(), 335u);
    for (size_t f = 0; f < frames.size(); ++f) {
        for (size_t s = 0; s < 3; ++s) {
            EXPECT_EQ(frames[f][s]->GetFrameNr(), f);
            EXPECT_FLOAT_EQ(BaseOf(frames[f][s]), float(f) + float(s) / 10.0f);
        }
    }
}

TEST(ManualSource, AFullQueueFailsEveryHostDrivenUpdateUntilTheGraphStops)
{
    // 1000 frames updated into the source's queue without the target pulling (as behind a
    // filter that holds frames back): each graph update fails at the source, the target is
    // never updated, and only a new run drains it.
    for (const bool live : {true, false}) {
        SCOPED_TRACE(live ? "live" : "offline");
        std::shared_ptr<Source> source;
        if (live) {
            auto liveSource = Make<SourceManualLiveSource>();
            ASSERT_TRUE(liveSource->ClearCacheAndReinitializeProperties(templateAtom(), 1, 25.0f, true));
            for (uint32_t f = 0; f < 1002; ++f)
                ASSERT_TRUE(liveSource->PushFrame(frameOf(1, f, float(f))));
            source = liveSource;
        } else {
            auto offline = Make<SourceManualOfflineSource>();
            ASSERT_TRUE(offline->ClearCacheAndReinitializeProperties(templateAtom(), 1, 25.0f, true));
            for (uint32_t f = 0; f < 1002; ++f)
                ASSERT_TRUE(offline->PushFrame(frameOf(1, f, float(f))));
            source = offline;
        }
        const PlaybackMode mode = live ? PlaybackMode::Realtime : PlaybackMode::ForwardOnce;
        auto target = Make<TargetCallback>();
        RecordingListener listener;
        target->SetAtomsListener(&listener);
        auto graph = Chain({source, target});
        ASSERT_EQ(graph->Play(mode), ActionResult::Success);
        for (int i = 0; i < 1000; ++i)
            ASSERT_EQ(source->Update(), HyxErrorCode::Success);
        for (int pass = 0; pass < 3; ++pass) {
            EXPECT_EQ(graph->Update(), ActionResult::Failure);
            EXPECT_NE(graph->GetLastError(false).StdString().find("(Source::Update failed.)"), std::string::npos)
                << graph->GetLastError(false).CStr();
        }
        EXPECT_EQ(listener.Count(), 0u);
        EXPECT_EQ(target->GetNumAtomsProcessed(), 0u);

        ASSERT_EQ(graph->Stop(), ActionResult::Success);
        ASSERT_EQ(graph->Play(mode), ActionResult::Success);
        ASSERT_EQ(graph->Update(), ActionResult::Success);
        ASSERT_EQ(listener.Count(), 1u);
        // The live source goes on with the first frame it had not emitted; the offline walk
        // starts again.
        EXPECT_EQ(BaseOf(listener.Frames()[0][0]), live ? 1000.0f : 0.0f);
        graph->Stop();
        target->SetAtomsListener(nullptr);
    }
}

TEST(ManualSource, OfflineFramesAHostHoldsKeepTheirCountWhenTheCollectionGrows)
{
    auto source = Make<SourceManualOfflineSource>();
    ASSERT_TRUE(source->ClearCacheAndReinitializeProperties(templateAtom(), 1, 25.0f, true));
    for (uint32_t f = 0; f < 2; ++f)
        ASSERT_TRUE(source->PushFrame(frameOf(1, f, float(f))));
    const auto countOf = [](const std::shared_ptr<Atom>& atom) {
        return std::static_pointer_cast<DataTypeStreamInfo>(
                   atom->GetDataLayerByType(DataTypeStreamInfo::TheTypeGuid(), true))
            ->GetNumFrames();
    };
    // Plays the collection once; the frames the listener got.
    const auto play = [&source]() {
        auto target = Make<TargetCallback>();
        RecordingListener listener;
        target->SetAtomsListener(&listener);
        auto graph = Chain({source, target});
        EXPECT_EQ(graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success);
        EXPECT_TRUE(RunToEnd(*graph));
        graph->Stop();
        graph->RemoveAllFilters();
        return listener.Frames();
    };
    const auto first = play();
    ASSERT_EQ(first.size(), 2u);
    const std::shared_ptr<Atom> held = first[0][0];
    const size_t layers = held->GetAllDataLayers().size();
    EXPECT_EQ(countOf(held), 2u);

    // Out of the graph the collection grows; counted again, its frames say 3, while the frame
    // the host held since the first run is left as it came.
    ASSERT_TRUE(source->PushFrame(frameOf(1, 2, 2.0f)));
    const auto second = play();
    ASSERT_EQ(second.size(), 3u);
    EXPECT_EQ(countOf(second[0][0]), 3u);
    EXPECT_EQ(second[0][0]->GetAllDataLayers().back()->TypeGuid(), DataTypeStreamInfo::TheTypeGuid());
    EXPECT_EQ(second[0][0]->GetAllDataLayers().size(), layers);
    EXPECT_EQ(countOf(held), 2u);
    EXPECT_EQ(source->GetStreamInfo()->GetNumFrames(), 3u);
}
