// The example host: registers its own classes, builds source -> transform -> mutate ->
// target filter by filter, plays the graph forward once on its own thread and prints what
// reaches the target.

#include "ExampleFilters.h"

#include <Hyx/DataLayerFactory.h>
#include <Hyx/FilterFactory.h>
#include <Hyx/Graph.h>
#include <Hyx/HYXPurposeGuids.h>
#include <Hyx/LoggerInstance.h>

#include <cstdio>
#include <memory>

namespace {

void registerClasses()
{
    using namespace Example;
    Hyx::DataLayerFactory::RegisterDataLayerClass(WaveLayer::TheTypeGuid, Hyx::DataLayerClassInfo("DataTypeWave"),
                                                  &WaveLayer::Create);
    Hyx::FilterFactory::RegisterFilterClass(WaveSource::TheTypeGuid, WaveSource::TheFilterClassInfo(), &WaveSource::Create);
    Hyx::FilterFactory::RegisterFilterClass(AmplifyTransform::TheTypeGuid, AmplifyTransform::TheFilterClassInfo(),
                                            &AmplifyTransform::Create);
    Hyx::FilterFactory::RegisterFilterClass(SummaryMutate::TheTypeGuid, SummaryMutate::TheFilterClassInfo(),
                                            &SummaryMutate::Create);
    Hyx::FilterFactory::RegisterFilterClass(PrintTarget::TheTypeGuid, PrintTarget::TheFilterClassInfo(), &PrintTarget::Create);
    Hyx::HYXPurposeGuids::RegisterPurposeGuidAlias(kWave, "WAVE");
    Hyx::HYXPurposeGuids::RegisterPurposeGuidAlias(kAmplified, "AMPLIFIED");
    Hyx::HYXPurposeGuids::RegisterPurposeGuidAlias(kSummary, "SUMMARY");
}

// Creates a filter of the class through the factory (pre-initialised against the graph's
// last filter) and adds it; false, with the graph's reason printed, on failure.
bool addFilter(const std::shared_ptr<Hyx::Graph>& graph, const VornCommon::Guid& type)
{
    Hyx::SharedFilterPtr filter =
        Hyx::FilterFactory::CreateFilter(type, Hyx::SharedFilterPtr(graph->GetLastFilter()), Hyx::SharedGraphPtr(graph));
    if (!filter) {
        std::fprintf(stderr, "cannot create filter %s\n", type.ToHexString().CStr());
        return false;
    }
    if (graph->AddAndConnect(filter.ToStdSharedPtr()) != Hyx::ActionResult::Success) {
        std::fprintf(stderr, "%s\n", graph->GetLastError(false).CStr());
        return false;
    }
    return true;
}

} // namespace

int main()
{
    using namespace Example;
    auto logger = std::make_shared<VornCommon::ConsoleLogger>();
    Hyx::SetHYXLoggerInstance(VornCommon::WeakLoggerPtr(logger));
    registerClasses();

    auto graph = std::make_shared<Hyx::Graph>();
    for (const VornCommon::Guid& type : {WaveSource::TheTypeGuid, AmplifyTransform::TheTypeGuid, SummaryMutate::TheTypeGuid,
                                         PrintTarget::TheTypeGuid}) {
        if (!addFilter(graph, type))
            return 1;
    }
    graph->SetFilterParamValue(AmplifyTransform::TheTypeGuid, "Gain", "3", 1);

    std::printf("Graph:");
    for (unsigned i = 0; i < graph->GetNumFilters(); ++i)
        std::printf("%s %s", i == 0 ? "" : " ->", graph->GetFilter(i)->GetFilterClassInfo().GetNiceClassName().CStr());
    std::printf("\nSource: %d frames at %.0f fps; gain %s\n", graph->GetNumFrames(), static_cast<double>(graph->GetOriginalFps()),
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
    std::printf("Done: %d frames reached the target, progress %.0f%%\n", target->received, static_cast<double>(progress * 100.0f));
    graph->RemoveAllFilters();
    Hyx::ResetHYXLoggerInstance();
    return target->received == graph->GetNumFrames() ? 0 : 1;
}
