// README "Filters are made through `FilterFactory`": playing a graph, its rates, the block mutates.

#include "Consumer.h"

namespace {

// The rate codes of SetPlaybackMode and SetGraphFps, read back by GetGraphFps, and the period
// the worker waits, for a source of 100 frames a second and for a graph without a source.
void runPacing()
{
    auto graph = std::make_shared<Hyx::AsyncGraph>();
    float fps = -99.0f;
    check(graph->GetGraphFps(fps) == Hyx::ActionResult::Success && fps == 0.0f && graph->GetFramePeriodMs() == 0,
          "a new AsyncGraph does not pace");
    graph->SetGraphFps(-1.0f);
    check(graph->GetFramePeriodMs() == 0, "without a source a code paces nothing");
    check(AddFilter(graph, Hyx::SourceEmptySource::TheTypeGuid(), {{"Framerate", "100"}}), "the source is added");
    const struct {
        float fps;
        uint32_t periodMs;
    } rates[] = {{0, 0}, {-1, 10}, {-2, 20}, {-3, 5}, {-7, 10}, {-0.5f, 10}, {250, 4}, {2000, 0}};
    for (const auto& rate : rates) {
        fps = -99.0f;
        check(graph->SetPlaybackMode(Hyx::PlaybackMode::Realtime, rate.fps) == Hyx::ActionResult::Success &&
                  graph->GetFramePeriodMs() == rate.periodMs && graph->GetGraphFps(fps) == Hyx::ActionResult::Success &&
                  fps == rate.fps,
              "SetPlaybackMode's rate or code gives the README's period, and GetGraphFps gives it back as given");
        graph->SetGraphFps(0.0f);
        check(graph->SetGraphFps(rate.fps) == Hyx::ActionResult::Success && graph->GetFramePeriodMs() == rate.periodMs,
              "SetGraphFps reads the rate the same way");
    }
    // A NaN or an infinity is no rate: refused, nothing changed.
    check(graph->SetPlaybackMode(Hyx::PlaybackMode::Realtime, 250) == Hyx::ActionResult::Success, "a rate is set");
    for (const float fps : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
        float kept = 0.0f;
        check(graph->SetGraphFps(fps) == Hyx::ActionResult::Failure &&
                  graph->SetPlaybackMode(Hyx::PlaybackMode::ForwardOnce, fps) == Hyx::ActionResult::Failure &&
                  graph->GetGraphFps(kept) == Hyx::ActionResult::Success && kept == 250.0f &&
                  graph->GetFramePeriodMs() == 4,
              "SetGraphFps and SetPlaybackMode refuse a NaN or an infinity and change nothing");
        if (std::isnan(fps)) {
            const std::string refused = graph->GetLastError(false).StdString();
            check(refused == "Graph failed to set a frame rate(nan is not a number of frames a second)",
                  "the refused rate's text");
            quote(refused);
        }
    }
    graph->RemoveAllFilters();
}

// A Play with no mode on a graph that has no frame order yet answers Failure with a bare text.
void runPlayWithoutOrder()
{
    for (const bool async : {false, true}) {
        std::shared_ptr<Hyx::Graph> graph;
        if (async)
            graph = std::make_shared<Hyx::AsyncGraph>();
        else
            graph = std::make_shared<Hyx::Graph>();
        check(AddFilter(graph, Hyx::SourceEmptySource::TheTypeGuid()) &&
                  AddFilter(graph, Hyx::TargetCallback::TheTypeGuid()),
              "an empty source and a callback target are added");
        const std::string expected = async ? "Source filter '$filter$' lacks a valid frame order provider."
                                           : "Graph is missing frame order provider";
        check(graph->Play() == Hyx::ActionResult::Failure && graph->GetLastError(false).StdString() == expected &&
                  graph->IsStopped(),
              "a Play with no mode and no frame order answers Failure with the bare text");
        quote(expected);
        graph->RemoveAllFilters();
    }
}

// Boolean texts, and a block mutate that keeps every frame on a graph the host updates.
void runBlockMutateWait()
{
    const std::string drop = Hyx::MutateBlock::DROP_FRAMES_WHEN_FULL_PARAMNAME;
    check(drop == "Drop frames when occupied", "the parameter's name");
    const auto block = std::make_shared<Hyx::MutateBlockManual>();
    auto graph = std::make_shared<Hyx::Graph>();
    check(AddFilter(graph, Hyx::SourceEmptySource::TheTypeGuid()) &&
              graph->AddAndConnect(block) == Hyx::ActionResult::Success &&
              AddFilter(graph, Hyx::TargetCallback::TheTypeGuid()),
          "empty source, block mutate, callback target");
    check(block->getParameterValue(drop.c_str()) == "True", "a block mutate drops frames by default");
    for (const auto& [text, value] : std::vector<std::pair<std::string, std::string>>{
             {"True", "True"}, {"true", "True"}, {"1", "True"}, {"TRUE", "False"}, {"yes", "False"}, {"", "False"}}) {
        check(block->setParameterValue(drop.c_str(), "True") && block->setParameterValue(drop.c_str(), text.c_str()) &&
                  block->getParameterValue(drop.c_str()) == value,
              "a boolean parameter reads true only for \"True\", \"true\" and \"1\"");
    }
    // Dropping: every update returns, and the frames past the one buffered are dropped.
    check(block->setParameterValue(drop.c_str(), "True") &&
              graph->Play(Hyx::PlaybackMode::Realtime) == Hyx::ActionResult::Success,
          "the dropping graph plays");
    bool updated = true;
    for (int i = 0; i < 5; ++i)
        updated = updated && graph->Update() == Hyx::ActionResult::Success;
    check(updated && block->getParameterValue("Dropped frames count") == "4", "with \"True\" every update returns");
    graph->Stop();
    // Keeping: another thread pulls, so every update of this thread returns with a frame.
    FrameCounter counter;
    const auto target = std::dynamic_pointer_cast<Hyx::TargetCallback>(graph->GetLastFilter());
    target->SetAtomsListener(&counter);
    check(block->setParameterValue(drop.c_str(), "False") &&
              graph->Play(Hyx::PlaybackMode::Realtime) == Hyx::ActionResult::Success,
          "the keeping graph plays");
    std::atomic<bool> done{false};
    std::thread puller([&] {
        while (!done)
            block->PullNextProcessedFrame();
    });
    updated = true;
    for (int i = 0; i < 5; ++i)
        updated = updated && graph->Update() == Hyx::ActionResult::Success;
    done = true;
    puller.join();
    check(updated && block->getParameterValue("Dropped frames count") == "0",
          "with \"False\" and a pulling thread every update returns and nothing is dropped");
    graph->Stop();
    target->SetAtomsListener(nullptr);
    graph->RemoveAllFilters();
}

// MutateBlockFPS refuses a "Framerate" that is no number or whose period does not fit.
void runBlockFpsRates(const std::shared_ptr<VornCommon::Logger>& logger)
{
    const auto graphWith = [](const char* rate) {
        auto graph = std::make_shared<Hyx::Graph>();
        const bool built = AddFilter(graph, Hyx::SourceEmptySource::TheTypeGuid(), {{"Framerate", "25"}}) &&
                           AddFilter(graph, Hyx::MutateBlockFPS::TheTypeGuid(), {{"Framerate", rate}}) &&
                           AddFilter(graph, Hyx::TargetCallback::TheTypeGuid());
        return built ? graph : nullptr;
    };
    for (const auto& [rate, ending] : std::vector<std::pair<const char*, std::string>>{
             {"nan", "(Framerate nan is not a number of frames a second)))"},
             {"inf", "(Framerate inf is not a number of frames a second)))"},
             {"-inf", "(Framerate -inf is not a number of frames a second)))"},
             {"1e-30", "(Framerate 1e-30 gives a release period past 4294967295 ms)))"}}) {
        CapturedLog log(logger);
        const auto graph = graphWith(rate);
        const std::string text = graph && graph->Play(Hyx::PlaybackMode::Realtime) == Hyx::ActionResult::Failure
                                     ? graph->GetLastError(false).StdString()
                                     : std::string();
        check(text.size() > ending.size() && text.rfind("Graph failed to start playing(", 0) == 0 &&
                  text.compare(text.size() - ending.size(), ending.size(), ending) == 0,
              "MutateBlockFPS refuses the play of a rate that gives no period");
        if (std::string(rate) != "inf" && std::string(rate) != "-inf")
            quote(ending);
        if (graph)
            graph->RemoveAllFilters();
    }
    for (const auto& [rate, period] :
         std::vector<std::pair<const char*, uint32_t>>{{"25", 40}, {"0", 0}, {"-1", 40}, {"-2", 80}, {"-3", 20}}) {
        const auto graph = graphWith(rate);
        const auto fps = graph ? std::dynamic_pointer_cast<Hyx::MutateBlockFPS>(graph->GetFilter(1u)) : nullptr;
        check(fps && graph->Play(Hyx::PlaybackMode::Realtime) == Hyx::ActionResult::Success &&
                  fps->GetReleasePeriodMs() == period,
              "MutateBlockFPS takes a rate, 0 and the codes");
        if (fps && std::string(rate) == "25") {
            CapturedLog log(logger);
            const std::string line =
                "Filter '#BlockFPS': Framerate nan is not a number of frames a second; the release period stays 40 ms";
            check(fps->setParameterValue("Framerate", "nan") && fps->GetReleasePeriodMs() == 40 &&
                      log.At(VornCommon::LogLevel::Error) == std::vector<std::string>{line},
                  "a rate that is no number set while it plays keeps the pace, with one line");
            quote(line);
        }
        if (graph) {
            graph->Stop();
            graph->RemoveAllFilters();
        }
    }
}

} // namespace
