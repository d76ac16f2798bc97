#pragma once

// The example host's registration of its own classes and its playing of a graph file: a
// graph file names filters by class, so the classes are registered before it is loaded.

#include "ExampleFilters.h"

#include <Hyx/AsyncGraph.h>
#include <Hyx/DataLayerFactory.h>
#include <Hyx/FilterFactory.h>
#include <Hyx/HYXPurposeGuids.h>
#include <Hyx/VisualGraph.h>
#include <Hyx/XmlGraph.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

namespace Example {

/// Registers the example's layer and filter classes and the aliases of its purposes.
inline void registerClasses()
{
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

/// How long the host waits for a new frame before it gives up on a graph file: the longer of
/// this and 100 of the graph's frame periods. Far beyond any pause of a working graph, even
/// on a slow, loaded machine.
inline constexpr std::chrono::milliseconds kLongestWaitForAFrame{10000};

/// Loads a graph file, instantiates its first graph into an asynchronous graph and waits
/// until the graph's worker has played it through; true when every frame arrived. When no
/// new frame arrives for the longer of shortestGiveUp and 100 frame periods, prints one line
/// saying so, stops the graph and answers false.
inline bool playGraphFile(const std::string& path, std::chrono::milliseconds shortestGiveUp = kLongestWaitForAFrame)
{
    const std::shared_ptr<Hyx::VisualGraphs> graphs = Hyx::XmlGraph::LoadFromXml(path.c_str());
    const std::shared_ptr<Hyx::AsyncGraph> graph = graphs ? graphs->InstantiateHyxGraph(0) : nullptr;
    if (!graph) {
        std::fprintf(stderr, "cannot load a graph from %s\n", path.c_str());
        return false;
    }
    // The frames are counted where they arrive, so the chain must end in the example's target.
    const auto target = std::dynamic_pointer_cast<PrintTarget>(graph->GetLastFilter());
    if (!target || graph->GetNumFrames() <= 0) {
        std::fprintf(stderr, "%s: the example plays a graph of a stream with frames that ends in PrintTarget\n",
                     path.c_str());
        return false;
    }
    const std::shared_ptr<Hyx::FilterParam> gain = graph->GetFilterParam("Gain");
    // The frames' timestamps follow the stream's rate; the worker updates at the file's rate.
    std::printf("\nGraph file %s: %u filters, gain %s, a %g fps stream played at one frame every %u ms\n", path.c_str(),
                graph->GetNumFilters(), gain ? gain->GetValueAsString().c_str() : "none",
                static_cast<double>(graph->GetOriginalFps()), graph->GetFramePeriodMs());
    if (graph->Play() != Hyx::ActionResult::Success) {
        std::fprintf(stderr, "%s\n", graph->GetLastError(false).CStr());
        return false;
    }
    // The worker stops the graph itself once the last frame is through; a looping order ends
    // once every frame came. A chain that holds its frames back (a block mutate nobody
    // releases) would keep the host waiting: it gives up when the frames stop coming.
    const std::chrono::milliseconds giveUp =
        std::max(shortestGiveUp, std::chrono::milliseconds(int64_t{100} * graph->GetFramePeriodMs()));
    int seen = 0;
    auto lastNew = std::chrono::steady_clock::now();
    bool stalled = false;
    while (!graph->IsStopped() && target->received < graph->GetNumFrames()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const auto now = std::chrono::steady_clock::now();
        if (const int received = target->received.load(); received != seen) {
            seen = received;
            lastNew = now;
        } else if (now - lastNew >= giveUp) {
            std::fprintf(stderr, "%s: no new frame reached PrintTarget for %lld ms (%d of %d came); giving up\n",
                         path.c_str(), static_cast<long long>(giveUp.count()), received, graph->GetNumFrames());
            stalled = true;
            break;
        }
    }
    graph->Stop(); // waits for the worker to end
    std::printf("Done: %d frames reached the target\n", target->received.load());
    return !stalled && target->received >= graph->GetNumFrames();
}

} // namespace Example
