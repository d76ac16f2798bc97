// README "Writing a plug-in": its input profile and new layer's purpose, where it goes, using it.

#include "Consumer.h"

namespace {

// A graph whose manual live source declares the frames of makeFrame(0, second).
std::shared_ptr<Hyx::Graph> manualSourceGraph(const std::optional<VornCommon::Guid>& second = {})
{
    auto graph = std::make_shared<Hyx::Graph>();
    auto source = std::static_pointer_cast<Hyx::SourceManualLiveSource>(
        Hyx::FilterFactory::CreateFilter(Hyx::SourceManualLiveSource::TheTypeGuid(), {}, Hyx::SharedGraphPtr(graph))
            .ToStdSharedPtr());
    check(source && source->ClearCacheAndReinitializeProperties(makeFrame(0, second), 1, 30.0f, true) &&
              graph->AddAndConnect(source) == Hyx::ActionResult::Success,
          "the manual source is added");
    return graph;
}

// A transform without a requested input profile, or whose output repeats an upstream layer,
// is refused as it is added.
void runTransformProfiles()
{
    const VornCommon::Guid positions = Hyx::DataTypeVertexPositions::TheTypeGuid();
    const struct {
        std::shared_ptr<Hyx::Profile> requested, produced;
        const char* text;
    } probes[] = {
        {nullptr, std::make_shared<Hyx::Profile>(kBoxCenterPurpose, positions),
         "Unassigned input profile for filter '$filter$'."},
        {std::make_shared<Hyx::Profile>(VornCommon::Guid(), positions),
         std::make_shared<Hyx::Profile>(Hyx::HYXPurposeGuids::VORN4D, positions),
         "Hyx failed to add data profile '$info$' because it already exists."},
    };
    for (const auto& probe : probes) {
        const auto graph = manualSourceGraph();
        check(graph->AddAndConnect(std::make_shared<ProfileProbe>(probe.requested, probe.produced)) ==
                      Hyx::ActionResult::Failure &&
                  graph->GetLastError(false).StdString() == probe.text,
              "a transform with an unfit profile is refused with the bare message");
        quote(probe.text);
        graph->RemoveAllFilters();
    }
    // A transform that names no layer it adds is refused too.
    const auto graph = manualSourceGraph();
    const std::string text = "Failed to generate a valid output profile for filter '$filter$'.";
    check(graph->AddAndConnect(std::make_shared<ProfileProbe>(
              std::make_shared<Hyx::Profile>(VornCommon::Guid(), positions), std::make_shared<Hyx::Profile>())) ==
                  Hyx::ActionResult::Failure &&
              contains(graph->GetLastError(false).StdString(), "Filter 'Probe' error: " + text),
          "a transform whose output profile is empty is refused");
    quote(text);
    graph->RemoveAllFilters();
}

// Pushes frame 4 (with the second layer, if any) and plays until the callback target has it.
std::shared_ptr<Hyx::Atom> pushOneFrame(Hyx::Graph& graph, const std::optional<VornCommon::Guid>& second = {})
{
    return pushOneFrameOf(graph, makeFrame(4, second));
}

// The x of the box centre the plug-in adds to a frame of two positions layers (VORN4D with
// centre x 1, CROP with 15), with "Input Profile" set to text before AddAndConnect (none:
// the default). Checks the setter's result and the level-2 lines.
float centreWithInputProfile(const std::shared_ptr<VornCommon::Logger>& logger, const char* text,
                             const std::vector<std::string>& lines, const char* expectedValue)
{
    const VornCommon::Guid crop = Hyx::HYXPurposeGuids::CROP;
    const std::shared_ptr<Hyx::Graph> graph = manualSourceGraph(crop);
    const Hyx::SharedFilterPtr filter = Hyx::FilterFactory::CreateFilter(
        kBoxCenterFilter, Hyx::SharedFilterPtr(graph->GetLastFilter()), Hyx::SharedGraphPtr(graph));
    if (!filter) {
        check(false, "the plug-in's filter is made");
        return 0.0f;
    }
    {
        CapturedLog log(logger);
        check(!text || filter->setParameterValue("Input Profile", text), "setting \"Input Profile\" returns true");
        check(log.At(VornCommon::LogLevel::Error) == lines, "\"Input Profile\" logs as the README says");
        check(filter->getParameterValue("Input Profile") == expectedValue, "\"Input Profile\" reads back its index");
    }
    check(graph->AddAndConnect(filter.ToStdSharedPtr()) == Hyx::ActionResult::Success &&
              AddFilter(graph, Hyx::TargetCallback::TheTypeGuid()),
          "the plug-in's filter and a callback target are added");
    if (text && std::string(text) == "5") {
        CapturedLog log(logger);
        check(graph->SetFilterParamValue(kBoxCenterFilter, "Input Profile", "5", 1) &&
                  log.At(VornCommon::LogLevel::Error) == lines,
              "Graph::SetFilterParamValue returns true for a refused index too");
    }
    const auto center = positionsOf(pushOneFrame(*graph, crop), kBoxCenterPurpose);
    graph->RemoveAllFilters();
    return center && center->GetNumVertices() == 1 ? center->GetVertexPositions()[0] : 0.0f;
}

// The README's copy command put the plug-in into "plugins" below the working directory:
// manual source -> the README's plug-in filter -> callback target, one frame through.
void runPlugin(const std::shared_ptr<VornCommon::Logger>& logger, const std::string& folder)
{
    {
        CapturedLog log(logger);
        const std::shared_ptr<Hyx::Graph> graph = manualSourceGraph();
        check(AddBoxCenter("plugins", graph), "AddBoxCenter finds the plug-in in the relative folder \"plugins\"");
        const std::string found = "Unregistered plugin found: 'box_center_vornp.dll";
        const auto lines = log.At(VornCommon::LogLevel::Info);
        check(std::find(lines.begin(), lines.end(), found) != lines.end(), "the scan tells of the new library");
        quote(found);
        check(AddFilter(graph, Hyx::TargetCallback::TheTypeGuid()), "the callback target is added");
        const auto center = positionsOf(pushOneFrame(*graph), kBoxCenterPurpose);
        graph->RemoveAllFilters();
        check(center && center->GetNumVertices() == 1 && center->GetVertexPositions()[0] == 1.0f &&
                  center->GetVertexPositions()[2] == 5.0f,
              "the plug-in's filter adds the box centre");
        check(Hyx::Utils::GetGuidAlias(kBoxCenterPurpose) == "BOX_CENTER", "the plug-in registered its purpose alias");

        // A second scan finds the library it loaded; a folder that is not there is an error.
        log.Clear();
        Hyx::PluginDatabase::ScanFolderForPlugins("plugins", true, true, false);
        const std::string again = "Registered up-to-date plugin found: 'box_center_vornp.dll'";
        const auto rescan = log.At(VornCommon::LogLevel::Info);
        check(std::find(rescan.begin(), rescan.end(), again) != rescan.end(), "a second scan finds it up to date");
        quote(again);
        log.Clear();
        Hyx::PluginDatabase::ScanFolderForPlugins((folder + "/no-such-folder").c_str(), true, true, false);
        check(log.At(VornCommon::LogLevel::Error).size() == 1, "a missing folder gives a level-2 line");
    }
    {
        // The filter needs vertex positions from the graph's last filter; an empty source has none.
        auto graph = std::make_shared<Hyx::Graph>();
        const std::string refusal = "Unassigned input profile for filter '$filter$'.";
        check(AddFilter(graph, Hyx::SourceEmptySource::TheTypeGuid()) && !AddBoxCenter("plugins", graph) &&
                  graph->GetLastError(false).StdString() == refusal && graph->GetNumFilters() == 1,
              "AddBoxCenter after a source without vertex positions is refused with the bare text");
        quote(refusal);
        graph->RemoveAllFilters();
    }

    // "Input Profile" over two positions layers: index 0 is VORN4D (centre x 1), 1 is CROP (15).
    const std::string refused = "Filter parameter 'Input Profile' does not support value 5";
    check(centreWithInputProfile(logger, nullptr, {}, "1") == 15.0f, "the last layer by default");
    check(centreWithInputProfile(logger, "0", {}, "0") == 1.0f, "index 0 is the first layer");
    check(centreWithInputProfile(logger, "abc", {}, "0") == 1.0f, "a text that is no number selects index 0");
    check(centreWithInputProfile(logger, "5", {refused}, "1") == 15.0f,
          "an index past the last is refused, and the last layer is used");
    check(centreWithInputProfile(logger, "-1", {"Filter parameter 'Input Profile' does not support value -1"}, "1") ==
              15.0f,
          "an index below 0 is refused");
    quote(refused);
}

// A source of several streams of the host's: a stop goes on past a stream that refuses or
// throws and passes the first failure on once every stream was handled (that stream stays as it
// was, for the next stop); a start that throws part way stops again the streams it had started.
// On both kinds of graph.
void runMultiStreamSource()
{
    using Play = Hyx::Stream::PlayState;
    const auto states = [](const std::vector<std::shared_ptr<HostStream>>& streams) {
        std::vector<Play> each;
        for (const auto& stream : streams)
            each.push_back(stream->GetPlayState());
        return each;
    };
    for (const bool async : {false, true}) {
        for (const bool throws : {true, false}) {
            const std::vector<std::shared_ptr<HostStream>> streams = {std::make_shared<HostStream>(0, 6),
                                                                      std::make_shared<HostStream>(1, 6),
                                                                      std::make_shared<HostStream>(2, 6)};
            FrameList frames;
            const std::shared_ptr<Hyx::Graph> graph =
                sourceToCallback(async, std::make_shared<HostSource>(streams), frames);
            if (!graph)
                continue;
            check(playLooping(*graph, frames) && states(streams) == std::vector<Play>(3, Play::Playing),
                  "the three streams play with the source");
            (throws ? streams[1]->throwOnStop : streams[1]->refuseStop) = true;
            Hyx::ActionResult stopped = Hyx::ActionResult::Success;
            const std::string thrown = thrownBy([&] { return graph->Stop(); }, &stopped);
            check((throws ? thrown == "stream hook failed" : thrown.empty() && stopped == Hyx::ActionResult::Failure) &&
                      states(streams) == std::vector<Play>{Play::Stopped, Play::Playing, Play::Stopped},
                  "a stop goes on past a stream that throws or refuses, whose failure passes on after all");
            check(StopGraph(*graph) && states(streams) == std::vector<Play>(3, Play::Stopped),
                  "the next stop stops that stream");
            streams[2]->throwOnPlay = true;
            const std::string started = thrownBy([&] { return graph->Play(Hyx::PlaybackMode::ForwardLoop); });
            check(started == "stream hook failed" && graph->IsStopped() &&
                      states(streams) == std::vector<Play>(3, Play::Stopped),
                  "a start that throws part way stops again the streams it had started");
            frames.Take();
            check(playLooping(*graph, frames) && firstOf(frames.Take()) == 0, "the next Play plays");
            check(StopGraph(*graph), "StopGraph stops it");
            graph->RemoveAllFilters();
        }
    }
}

} // namespace
