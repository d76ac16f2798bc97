// README "Compression": the layer keeper's and dropper's switches.
// The plain stand-in of a layer that could not be compressed, through a keeper or dropper: Compression.cpp.

#include "Consumer.h"

namespace {

// The keeper's and dropper's switches: "Keep " or "Drop " and each upstream layer's friendly
// text, in the parameter list of a filter made with its upstream; none in one made without,
// also once it is in the graph, where a value set for one is a name no parameter took.
void runLayerSwitches(const std::shared_ptr<VornCommon::Logger>& logger)
{
    const auto layers = [] {
        auto all = somePositions();
        all.push_back(someIndices().front());
        return all;
    };
    const std::vector<std::string> friendly = {"{VORN4D/StreamInfo/NIL}",
                                               "{VORN4D/CompressedVertexPositions/VertexPositions}",
                                               "{VORN4D/CompressedVertexIndices/VertexIndices}"};
    const auto names = [](const std::shared_ptr<Hyx::Filter>& filter) {
        std::vector<std::string> found;
        for (const std::shared_ptr<Hyx::FilterParam>& param : filter->getParameters())
            found.push_back(param->GetName());
        return found;
    };
    for (const bool keeper : {true, false}) {
        const std::string prefix = keeper ? "Keep " : "Drop ";
        const auto selection =
            keeper ? Hyx::MutateDataLayersKeeper::TheTypeGuid() : Hyx::MutateDataLayersDropper::TheTypeGuid();
        auto graph = std::make_shared<Hyx::Graph>();
        const auto source = std::dynamic_pointer_cast<Hyx::SourceManualLiveSource>(
            Hyx::FilterFactory::CreateFilter(Hyx::SourceManualLiveSource::TheTypeGuid(), {}, Hyx::SharedGraphPtr(graph))
                .ToStdSharedPtr());
        const bool built = source &&
                           source->ClearCacheAndReinitializeProperties(frameWith(0, layers()), 1, 30.0f, true) &&
                           graph->AddAndConnect(source) == Hyx::ActionResult::Success &&
                           AddFilter(graph, Hyx::MutateAutoCompressor::TheTypeGuid());
        const Hyx::SharedFilterPtr withUpstream = Hyx::FilterFactory::CreateFilter(
            selection, Hyx::SharedFilterPtr(graph->GetLastFilter()), Hyx::SharedGraphPtr(graph));
        std::vector<std::string> expected;
        for (const std::string& text : friendly)
            expected.push_back(prefix + text);
        check(built && withUpstream && names(withUpstream.ToStdSharedPtr()) == expected,
              "a keeper or dropper made with its upstream lists one switch per layer, by its friendly text");
        if (keeper) {
            quote(expected[0]);
            quote(expected[1]);
        } else {
            quote(expected[2]);
        }

        CapturedLog log(logger);
        const std::shared_ptr<Hyx::Filter> without =
            Hyx::FilterFactory::CreateFilter(selection, {}, Hyx::SharedGraphPtr(graph)).ToStdSharedPtr();
        check(without && names(without).empty(), "one made without its upstream lists no switch");
        if (without) {
            without->setParameterValues({{expected.back(), "True"}});
            check(graph->AddAndConnect(without) == Hyx::ActionResult::Success && names(without).empty() &&
                      log.At(VornCommon::LogLevel::Error) ==
                          std::vector<std::string>{"Filter '#DataLayers" + std::string(keeper ? "Keeper" : "Dropper") +
                                                   "' has no parameter named '" + expected.back() +
                                                   "'; the values stay stored"},
                  "nor once it is in the graph, where the value set for a switch is a name no parameter took");
        }
        graph->RemoveAllFilters();
    }
}

// A keeper with every switch off still offers its upstream's first layer: a dropper after it
// has that switch alone.
void runKeeperOffersOneLayer()
{
    // Manual source (stream information and positions) -> keeper, every switch off.
    const auto keeperGraph = [] {
        auto graph = std::make_shared<Hyx::Graph>();
        const auto source = std::dynamic_pointer_cast<Hyx::SourceManualLiveSource>(
            Hyx::FilterFactory::CreateFilter(Hyx::SourceManualLiveSource::TheTypeGuid(), {}, Hyx::SharedGraphPtr(graph))
                .ToStdSharedPtr());
        const bool built = source &&
                           source->ClearCacheAndReinitializeProperties(frameWith(0, somePositions()), 1, 30.0f, true) &&
                           graph->AddAndConnect(source) == Hyx::ActionResult::Success &&
                           AddFilter(graph, Hyx::MutateDataLayersKeeper::TheTypeGuid());
        return built ? graph : nullptr;
    };
    const auto graph = keeperGraph();
    const bool built = graph && AddFilter(graph, Hyx::MutateDataLayersDropper::TheTypeGuid());
    std::vector<std::string> names;
    if (built)
        for (const std::shared_ptr<Hyx::FilterParam>& param : graph->GetLastFilter()->getParameters())
            names.push_back(param->GetName());
    const std::string only = "Drop {VORN4D/StreamInfo/NIL}";
    check(built && names == std::vector<std::string>{only},
          "a dropper after a keeper with every switch off has the first layer's switch alone");
    quote(only);
    const auto offered = built ? graph->GetFilter(1u)->GetAggregatedOutputProfile() : nullptr;
    check(offered && offered->GetDataProfileCount() == 1, "the keeper offers one layer");
    if (graph)
        graph->RemoveAllFilters();

    // A filter that asks for the positions the keeper does not offer is refused.
    const auto other = keeperGraph();
    const VornCommon::Guid positions = Hyx::DataTypeVertexPositions::TheTypeGuid();
    check(other && other->AddAndConnect(std::make_shared<ProfileProbe>(
                       std::make_shared<Hyx::Profile>(VornCommon::Guid(), positions),
                       std::make_shared<Hyx::Profile>(kBoxCenterPurpose, positions))) == Hyx::ActionResult::Failure,
          "after a keeper with every switch off, a filter that asks for another layer is refused");
    const std::string refusal = other ? other->GetLastError(false).StdString() : std::string();
    check(refusal == "Unassigned input profile for filter '$filter$'.", "the refusal is the bare text");
    quote("\"" + refusal + "\"");
    if (other)
        other->RemoveAllFilters();
}

// The keeper's switches carry the layer's own purpose: TALO after the empty source, VORN4D
// after a manual source of MakeTextureFrame's frames.
void runKeeperNames()
{
    const auto namesAfter = [](const std::shared_ptr<Hyx::Graph>& graph) {
        std::vector<std::string> names;
        const Hyx::SharedFilterPtr keeper =
            Hyx::FilterFactory::CreateFilter(Hyx::MutateDataLayersKeeper::TheTypeGuid(),
                                             Hyx::SharedFilterPtr(graph->GetLastFilter()), Hyx::SharedGraphPtr(graph));
        if (keeper)
            for (const std::shared_ptr<Hyx::FilterParam>& param : keeper.ToStdSharedPtr()->getParameters())
                names.push_back(param->GetName());
        return names;
    };
    auto empty = std::make_shared<Hyx::Graph>();
    check(AddFilter(empty, Hyx::SourceEmptySource::TheTypeGuid()) &&
              namesAfter(empty) == std::vector<std::string>{"Keep {TALO/StreamInfo/NIL}"},
          "after the empty source the keeper's one switch names TALO");
    quote("Keep {TALO/StreamInfo/NIL}");
    empty->RemoveAllFilters();
    auto manual = std::make_shared<Hyx::Graph>();
    const auto source = std::make_shared<Hyx::SourceManualLiveSource>();
    const std::vector<std::string> vorn = {"Keep {VORN4D/StreamInfo/NIL}", "Keep {VORN4D/TextureRGB/NIL}"};
    check(source->ClearCacheAndReinitializeProperties(MakeTextureFrame(0, 8, 8), 1, 30.0f, true) &&
              manual->AddAndConnect(source) == Hyx::ActionResult::Success && namesAfter(manual) == vorn,
          "after a manual source of MakeTextureFrame's frames the switches name VORN4D");
    for (const std::string& name : vorn)
        quote(name);
    manual->RemoveAllFilters();
}

} // namespace
