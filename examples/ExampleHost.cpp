// The example host: registers its own classes, builds source -> transform -> mutate ->
// target filter by filter, plays the graph forward once on its own thread and prints what
// reaches the target. Then it loads the same chain from the graph file shipped beside it
// ("example_graph.xml", or the file named on the command line) and plays that on the
// graph's own worker thread, at the file's mode and rate. Last it records a take of
// generated frames into a container file ("example_take.hyx" beside the program) and plays
// that file back through a graph.

#include "ExampleFilters.h"

#include <Hyx/AsyncGraph.h>
#include <Hyx/DataLayerFactory.h>
#include <Hyx/FilterFactory.h>
#include <Hyx/Graph.h>
#include <Hyx/HYXPurposeGuids.h>
#include <Hyx/LoggerInstance.h>
#include <Hyx/MutateCompressor.h>
#include <Hyx/VisualGraph.h>
#include <Hyx/XmlGraph.h>

#include <VornCommon/FileHelper.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

namespace {

void registerClasses()
{
    using namespace Example;
    Hyx::DataLayerFactory::RegisterDataLayerClass(WaveLayer::TheTypeGuid, Hyx::DataLayerClassInfo("DataTypeWave"),
                                                  &WaveLayer::Create);
    Hyx::FilterFactory::RegisterFilterClass(WaveSource::TheTypeGuid, WaveSource::TheFilterClassInfo(),
                                            &WaveSource::Create);
    Hyx::FilterFactory::RegisterFilterClass(AmplifyTransform::TheTypeGuid, AmplifyTransform::TheFilterClassInfo(),
                                            &AmplifyTransform::Create);
    Hyx::FilterFactory::RegisterFilterClass(SummaryMutate::TheTypeGuid, SummaryMutate::TheFilterClassInfo(),
                                            &SummaryMutate::Create);
    Hyx::FilterFactory::RegisterFilterClass(PrintTarget::TheTypeGuid, PrintTarget::TheFilterClassInfo(),
                                            &PrintTarget::Create);
    Hyx::FilterFactory::RegisterFilterClass(RecordTarget::TheTypeGuid, RecordTarget::TheFilterClassInfo(),
                                            &RecordTarget::Create);
    Hyx::FilterFactory::RegisterFilterClass(ContainerSource::TheTypeGuid, ContainerSource::TheFilterClassInfo(),
                                            &ContainerSource::Create);
    Hyx::HYXPurposeGuids::RegisterPurposeGuidAlias(kWave, "WAVE");
    Hyx::HYXPurposeGuids::RegisterPurposeGuidAlias(kAmplified, "AMPLIFIED");
    Hyx::HYXPurposeGuids::RegisterPurposeGuidAlias(kSummary, "SUMMARY");
}

// Creates a filter of the class through the factory (pre-initialised against the graph's
// last filter), sets its "File" when one is given, and adds it; false, with the graph's
// reason printed, on failure.
bool addFilter(const std::shared_ptr<Hyx::Graph>& graph, const VornCommon::Guid& type, const std::string& file = {})
{
    Hyx::SharedFilterPtr filter = Hyx::FilterFactory::CreateFilter(type, Hyx::SharedFilterPtr(graph->GetLastFilter()),
                                                                   Hyx::SharedGraphPtr(graph));
    if (!filter) {
        std::fprintf(stderr, "cannot create filter %s\n", type.ToHexString().CStr());
        return false;
    }
    if (!file.empty())
        filter->setParameterValue("File", file.c_str());
    if (graph->AddAndConnect(filter.ToStdSharedPtr()) != Hyx::ActionResult::Success) {
        std::fprintf(stderr, "%s\n", graph->GetLastError(false).CStr());
        return false;
    }
    return true;
}

// Loads a graph file, instantiates its first graph into an asynchronous graph and waits
// until the graph's worker has played it through; true when every frame arrived.
bool playGraphFile(const std::string& path)
{
    const std::shared_ptr<Hyx::VisualGraphs> graphs = Hyx::XmlGraph::LoadFromXml(path.c_str());
    const std::shared_ptr<Hyx::AsyncGraph> graph = graphs ? graphs->InstantiateHyxGraph(0) : nullptr;
    if (!graph) {
        std::fprintf(stderr, "cannot load a graph from %s\n", path.c_str());
        return false;
    }
    std::printf("\nGraph file %s: %u filters, gain %s, one frame every %u ms\n", path.c_str(), graph->GetNumFilters(),
                graph->GetFilterParam("Gain")->GetValueAsString().c_str(), graph->GetFramePeriodMs());
    if (graph->Play() != Hyx::ActionResult::Success) {
        std::fprintf(stderr, "%s\n", graph->GetLastError(false).CStr());
        return false;
    }
    // The worker stops the graph itself once the last frame is through.
    while (!graph->IsStopped())
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    graph->Stop(); // waits for the worker to end
    const auto target = std::static_pointer_cast<Example::PrintTarget>(graph->GetLastFilter());
    std::printf("Done: %d frames reached the target\n", target->received);
    return target->received == graph->GetNumFrames();
}

// Plays a graph forward once on the host's thread; false, with the reason printed, when an
// update fails.
bool playForwardOnce(const std::shared_ptr<Hyx::Graph>& graph)
{
    bool ok = graph->Play(Hyx::PlaybackMode::ForwardOnce) == Hyx::ActionResult::Success;
    while (ok && !graph->IsDone())
        ok = graph->Update() == Hyx::ActionResult::Success;
    if (!ok)
        std::fprintf(stderr, "%s\n", graph->GetLastError(false).CStr());
    graph->Stop();
    return ok;
}

// Records the generated, amplified frames compressed into a container file, then plays the
// file back through a graph that decompresses them and sums both waves; true when every
// recorded frame came back.
bool recordAndReplayTake(const std::string& path)
{
    using namespace Example;
    auto recording = std::make_shared<Hyx::Graph>();
    if (!addFilter(recording, WaveSource::TheTypeGuid) || !addFilter(recording, AmplifyTransform::TheTypeGuid) ||
        !addFilter(recording, Hyx::MutateAutoCompressor::TheTypeGuid()) ||
        !addFilter(recording, RecordTarget::TheTypeGuid, path) || !playForwardOnce(recording))
        return false;
    const int recorded = std::static_pointer_cast<RecordTarget>(recording->GetLastFilter())->recorded;
    recording->RemoveAllFilters();
    std::printf("\nRecorded %d compressed frames into %s\n", recorded, path.c_str());

    auto replay = std::make_shared<Hyx::Graph>();
    if (!addFilter(replay, ContainerSource::TheTypeGuid, path) ||
        !addFilter(replay, Hyx::MutateAutoDecompressor::TheTypeGuid()) ||
        !addFilter(replay, SummaryMutate::TheTypeGuid) || !addFilter(replay, PrintTarget::TheTypeGuid) ||
        !playForwardOnce(replay))
        return false;
    const int replayed = std::static_pointer_cast<PrintTarget>(replay->GetLastFilter())->received;
    replay->RemoveAllFilters();
    std::printf("Done: %d frames played back from the file\n", replayed);
    return recorded > 0 && replayed == recorded;
}

} // namespace

int main(int argc, char** argv)
{
    using namespace Example;
    auto logger = std::make_shared<VornCommon::ConsoleLogger>();
    Hyx::SetHYXLoggerInstance(VornCommon::WeakLoggerPtr(logger));
    registerClasses();

    auto graph = std::make_shared<Hyx::Graph>();
    for (const VornCommon::Guid& type : {WaveSource::TheTypeGuid, AmplifyTransform::TheTypeGuid,
                                         SummaryMutate::TheTypeGuid, PrintTarget::TheTypeGuid}) {
        if (!addFilter(graph, type))
            return 1;
    }
    graph->SetFilterParamValue(AmplifyTransform::TheTypeGuid, "Gain", "3", 1);

    std::printf("Graph:");
    for (unsigned i = 0; i < graph->GetNumFilters(); ++i)
        std::printf("%s %s", i == 0 ? "" : " ->", graph->GetFilter(i)->GetFilterClassInfo().GetNiceClassName().CStr());
    std::printf("\nSource: %d frames at %.0f fps; gain %s\n", graph->GetNumFrames(),
                static_cast<double>(graph->GetOriginalFps()),
                graph->GetFilterParam("Gain")->GetValueAsString().c_str());

    if (graph->Play(Hyx::PlaybackMode::ForwardOnce) != Hyx::ActionResult::Success) {
        std::fprintf(stderr, "%s\n", graph->GetLastError(false).CStr());
        return 1;
    }
    // The host's own loop: one update per frame until every frame has reached the target.
    while (!graph->IsDone()) {
        if (graph->Update() != Hyx::ActionResult::Success) {
            std::fprintf(stderr, "%s\n", graph->GetLastError(false).CStr());
            return 1;
        }
    }
    const float progress = graph->GetProgress();
    graph->Stop();

    const auto target = std::static_pointer_cast<PrintTarget>(graph->GetLastFilter());
    std::printf("Done: %d frames reached the target, progress %.0f%%\n", target->received,
                static_cast<double>(progress * 100.0f));
    const bool allReceived = target->received == graph->GetNumFrames();
    graph->RemoveAllFilters();

    const std::string graphFile =
        argc > 1
            ? argv[1]
            : VornCommon::FileHelper::CombinePath(VornCommon::FileHelper::GetAppExeDirectory(), "example_graph.xml");
    const bool fileReceived = playGraphFile(graphFile);
    const bool takeReplayed = recordAndReplayTake(
        VornCommon::FileHelper::CombinePath(VornCommon::FileHelper::GetAppExeDirectory(), "example_take.hyx"));
    Hyx::ResetHYXLoggerInstance();
    return allReceived && fileReceived && takeReplayed ? 0 : 1;
}
