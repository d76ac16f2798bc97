// README "The example host, and recording and playing back a take": the manual sources.
// A renumbering source's refusal past frame 4,194,303 is checked with the frame numbers, in Takes.cpp.

#include "Consumer.h"

namespace {

// A manual source needs stream information in its example frame and frames like it.
void runManualSourceFrames()
{
    Hyx::SourceManualLiveSource live;
    Hyx::SourceManualOfflineSource offline;
    const std::string rejected = "Properties rejected - the template atom carries no stream information";
    check(!live.ClearCacheAndReinitializeProperties(MakeFrame(0, "a"), 1, 30.0f, true) &&
              live.GetLastError(false).StdString() == rejected &&
              !offline.ClearCacheAndReinitializeProperties(MakeFrame(0, "a"), 1, 30.0f, true) &&
              offline.GetLastError(false).StdString() == rejected,
          "a manual source refuses an example frame without stream information");
    quote(rejected);
    // A rate the graph's rate calls refuse is refused; the declaration before stays.
    const float inf = std::numeric_limits<float>::infinity();
    const std::pair<float, std::string> rates[] = {
        {std::numeric_limits<float>::quiet_NaN(), "Properties rejected - nan is not a number of frames a second"},
        {inf, "Properties rejected - inf is not a number of frames a second"},
        {-inf, "Properties rejected - -inf is not a number of frames a second"},
        {1e-30f, "Properties rejected - 1e-30 gives a frame period past 4294967295 ms"}};
    for (const auto& [rate, text] : rates) {
        check(live.ClearCacheAndReinitializeProperties(MakeTextureFrame(0, 8, 8), 1, 30.0f, true) &&
                  !live.ClearCacheAndReinitializeProperties(MakeTextureFrame(0, 8, 8), 1, rate, true) &&
                  live.GetLastError(false).StdString() == text && live.GetStreamInfo()->GetFPS() == 30.0f &&
                  offline.ClearCacheAndReinitializeProperties(MakeTextureFrame(0, 8, 8), 1, 30.0f, true) &&
                  !offline.ClearCacheAndReinitializeProperties(MakeTextureFrame(0, 8, 8), 1, rate, true) &&
                  offline.GetLastError(false).StdString() == text && offline.GetStreamInfo()->GetFPS() == 30.0f,
              "a manual source refuses a rate the graph's rate calls refuse and keeps its declaration");
    }
    quote(rates[0].second);
    quote(rates[3].second);
    for (const float rate : {0.0f, -1.0f, -1e-30f, 2.4e-7f, 0.5f, 1e30f})
        check(live.ClearCacheAndReinitializeProperties(MakeTextureFrame(0, 8, 8), 1, rate, true) &&
                  live.GetStreamInfo()->GetFPS() == rate,
              "a manual source takes every rate the graph's rate calls take");
    const std::string other = "Frame rejected - a stream of the frame does not satisfy declared output profile";
    check(live.ClearCacheAndReinitializeProperties(MakeTextureFrame(0, 8, 8), 1, 30.0f, true) &&
              live.PushFrame({MakeTextureFrame(1, 8, 8)}) && !live.PushFrame({MakeFrame(2, "b")}) &&
              live.GetLastError(false).StdString() == other,
          "a manual source takes frames like its example frame and refuses another");
    quote(other);
    // An offline source takes frames only before it joins a graph.
    auto graph = std::make_shared<Hyx::Graph>();
    const auto joined = std::dynamic_pointer_cast<Hyx::SourceManualOfflineSource>(
        Hyx::FilterFactory::CreateFilter(Hyx::SourceManualOfflineSource::TheTypeGuid(), {}, Hyx::SharedGraphPtr(graph))
            .ToStdSharedPtr());
    const std::string late =
        "Can not push a frame to the manual offline source's collection after it was added to a graph";
    check(joined && joined->ClearCacheAndReinitializeProperties(MakeTextureFrame(0, 8, 8), 1, 30.0f, true) &&
              joined->PushFrame({MakeTextureFrame(1, 8, 8)}) &&
              graph->AddAndConnect(joined) == Hyx::ActionResult::Success &&
              !joined->PushFrame({MakeTextureFrame(2, 8, 8)}) && joined->GetLastError(false).StdString() == late,
          "an offline source refuses a frame pushed after it joined a graph");
    quote(late);
    graph->RemoveAllFilters();
    // It plays in every mode but Realtime, which counts past its last frame.
    auto offlineGraph = std::make_shared<Hyx::AsyncGraph>();
    const auto three = std::dynamic_pointer_cast<Hyx::SourceManualOfflineSource>(
        Hyx::FilterFactory::CreateFilter(Hyx::SourceManualOfflineSource::TheTypeGuid(), {},
                                         Hyx::SharedGraphPtr(offlineGraph))
            .ToStdSharedPtr());
    bool pushed = three && three->ClearCacheAndReinitializeProperties(MakeTextureFrame(0, 8, 8), 1, 30.0f, true);
    for (uint32_t f = 0; pushed && f < 3; ++f)
        pushed = three->PushFrame({MakeTextureFrame(f, 8, 8)});
    const std::string ending = "(Manual offline source cannot run in 'realtime' mode: its 3 frames would run out)))";
    const bool refused = pushed && offlineGraph->AddAndConnect(three) == Hyx::ActionResult::Success &&
                         offlineGraph->Play(Hyx::PlaybackMode::Realtime) == Hyx::ActionResult::Failure;
    const std::string text = offlineGraph->GetLastError(false).StdString();
    check(refused && offlineGraph->IsStopped() && text.size() > ending.size() &&
              text.compare(text.size() - ending.size(), ending.size(), ending) == 0,
          "Play(Realtime) of an offline source of 3 frames is refused with the README's text");
    quote(ending);
    check(offlineGraph->Play(Hyx::PlaybackMode::ForwardOnce) == Hyx::ActionResult::Success, "another mode plays");
    offlineGraph->Stop();
    offlineGraph->RemoveAllFilters();
}

// A live source keeps every frame pushed until an update takes it.
void runLivePushesKept()
{
    auto graph = std::make_shared<Hyx::Graph>();
    auto source = std::make_shared<Hyx::SourceManualLiveSource>();
    check(source->ClearCacheAndReinitializeProperties(MakeTextureFrame(0, 4, 4), 1, 30.0f, true) &&
              graph->AddAndConnect(source) == Hyx::ActionResult::Success &&
              AddFilter(graph, Hyx::TargetCallback::TheTypeGuid()),
          "a live source into a callback target");
    bool pushed = true;
    for (uint32_t i = 0; i < 5000; ++i)
        pushed = pushed && source->PushFrame({MakeTextureFrame(i, 4, 4)});
    struct Numbers : Hyx::IAtomsListener {
        void OnAtomsReceived(std::vector<std::shared_ptr<Hyx::Atom>>& atoms) override
        {
            numbers.push_back(atoms.front()->GetFrameNr());
        }
        std::vector<uint32_t> numbers;
    } listener;
    const auto target = std::dynamic_pointer_cast<Hyx::TargetCallback>(graph->GetLastFilter());
    target->SetAtomsListener(&listener);
    bool updated = graph->Play(Hyx::PlaybackMode::Realtime) == Hyx::ActionResult::Success;
    for (int i = 0; updated && i < 5002; ++i)
        updated = graph->Update() == Hyx::ActionResult::Success;
    graph->Stop();
    target->SetAtomsListener(nullptr);
    graph->RemoveAllFilters();
    bool inOrder = listener.numbers.size() == 5000;
    for (uint32_t i = 0; inOrder && i < 5000; ++i)
        inOrder = listener.numbers[i] == i;
    check(pushed && updated && inOrder, "5,000 pushes without an update are all kept and leave in order");
}

} // namespace
