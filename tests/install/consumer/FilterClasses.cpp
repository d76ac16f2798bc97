// README "Filter classes, their names and parameters".

#include "Consumer.h"

namespace {

// The empty source bounds "Framerate" when it is initialised, silently, from a graph file too.
void runRanges(const std::shared_ptr<VornCommon::Logger>& logger)
{
    const struct {
        const char* text;
        float fps;
    } rates[] = {{"20000", 10000.0f}, {"fast", 0.01f}, {"-5", 0.01f}, {"nan", 0.01f}, {"30", 30.0f}};
    for (const auto& rate : rates) {
        CapturedLog log(logger);
        auto graph = std::make_shared<Hyx::Graph>();
        check(AddFilter(graph, Hyx::SourceEmptySource::TheTypeGuid(), {{"Framerate", rate.text}}),
              "an empty source is added");
        const std::string readBack = graph->GetFilterParam("Framerate")->GetValueAsString();
        check(readBack == (std::string(rate.text) == "fast" ? "0" : rate.text), "\"Framerate\" reads back as set");
        const auto info = graph->GetSourceStreamInfo();
        check(info && info->GetFPS() == rate.fps && graph->GetOriginalFps() == rate.fps,
              "the empty source plays at its bounded rate");
        graph->RemoveAllFilters();

        const std::string file = std::string("<hyx version=\"1.0\">\n<graph play=\"realtime\" fps=\"orig\">\n"
                                             "<filter name=\"SourceEmptySource\" "
                                             "guid=\"63D460B5-A18E-4727-AD96-99E5ABA4907E\">\n"
                                             "<param name=\"Framerate\" value=\"") +
                                 rate.text + "\"/>\n</filter>\n</graph>\n</hyx>\n";
        std::ofstream("rate.xml") << file;
        const auto graphs = Hyx::XmlGraph::LoadFromXml("rate.xml");
        const auto async = graphs ? graphs->InstantiateHyxGraph(0) : nullptr;
        const auto asyncInfo = async ? async->GetSourceStreamInfo() : nullptr;
        check(asyncInfo && asyncInfo->GetFPS() == rate.fps &&
                  async->GetFilterParam("Framerate")->GetValueAsString() == readBack,
              "a graph file's \"Framerate\" is bounded the same way");
        // Whole milliseconds between frames: none above 1000 frames a second.
        check(!async || async->GetFramePeriodMs() == uint32_t(1000.0f / rate.fps),
              "the worker waits 1000 / rate milliseconds, cut to a whole number");
        if (async)
            async->RemoveAllFilters();
        check(log.Count() == 0, "bounding a rate logs nothing");
    }
}

// "Num Points" exists only when "Random Sampling" was on as the parameters were made.
void runNumPoints()
{
    const std::shared_ptr<Hyx::Filter> filter =
        Hyx::FilterFactory::CreateFilter(Hyx::TransformVertexPositionsFromDepthMap::TheTypeGuid(), {}, {})
            .ToStdSharedPtr();
    check(filter && !filter->getParameterByName("Num Points"), "a made depth-map filter has no \"Num Points\"");
    check(filter && filter->setParameterValue("Random Sampling", "True") &&
              filter->DePreInitialize() == Hyx::HyxErrorCode::Success &&
              filter->PreInitialize(nullptr, nullptr) == Hyx::HyxErrorCode::Success &&
              filter->getParameterByName("Num Points"),
          "\"Num Points\" appears once the parameters are made again with \"Random Sampling\" on");
}

} // namespace
