// README "Filters are made through `FilterFactory`": making and adding filters, parameters set as text.
// The boolean texts are checked with the block mutate, in PlayingAndRates.cpp.

#include "Consumer.h"

namespace {

float fpsOf(const std::shared_ptr<Hyx::Atom>& atom)
{
    const auto info = atom ? std::dynamic_pointer_cast<Hyx::DataTypeStreamInfo>(
                                 atom->GetDataLayerByType(Hyx::DataTypeStreamInfo::TheTypeGuid(), false))
                           : nullptr;
    return info ? info->GetFPS() : 0.0f;
}

void runBuiltGraph()
{
    const std::shared_ptr<Hyx::Graph> graph = BuildGraph();
    check(graph && graph->GetNumFilters() == 3, "BuildGraph makes three filters");
    if (!graph)
        return;
    // The rate the source publishes, not only the parameter's text.
    check(graph->GetFilterParam("Framerate")->GetValueAsString() == "30", "\"Framerate\" reads 30");
    check(graph->GetOriginalFps() == 30.0f, "the graph takes the source's 30 fps");
    const auto info = graph->GetSourceStreamInfo();
    check(info && info->GetFPS() == 30.0f, "the source's stream information carries 30 fps");
    check(fpsOf(playForOneFrame(*graph)) == 30.0f, "the built graph's frames carry 30 fps");
    graph->RemoveAllFilters();
}

// A refused add leaves the filter initialised: deinitialised it goes quietly, and once made
// again it joins another graph.
void runFilterMoves(const std::shared_ptr<VornCommon::Logger>& logger)
{
    auto first = std::make_shared<Hyx::Graph>();
    auto second = std::make_shared<Hyx::Graph>();
    const std::shared_ptr<Hyx::Filter> made =
        Hyx::FilterFactory::CreateFilter(Hyx::SourceEmptySource::TheTypeGuid(), {}, Hyx::SharedGraphPtr(first))
            .ToStdSharedPtr();
    const std::string belongs = "Graph failed to add a filter(it belongs to another graph)";
    {
        CapturedLog log(logger);
        check(made && made->setParameterValue("Framerate", "50") &&
                  second->AddAndConnect(made) == Hyx::ActionResult::Failure &&
                  second->GetLastError(false).StdString() == belongs &&
                  log.At(VornCommon::LogLevel::Error) ==
                      std::vector<std::string>{"Setting a graph to filter which differs from previously set graph"},
              "a filter made with one live graph is refused by another, with one line");
    }
    quote(belongs);
    // A filter made with its constructor has no parameters until its first PreInitialize:
    // setParameterValue answers false, setParameterValues waits for it. A filter the graph
    // holds already is refused.
    {
        auto graph = std::make_shared<Hyx::Graph>();
        const auto source = std::make_shared<Hyx::SourceEmptySource>();
        const bool none = !source->setParameterValue("Framerate", "25") && source->getParameters().empty();
        static_cast<void>(source->setParameterValues({{"Framerate", "25"}}));
        check(none && graph->AddAndConnect(source) == Hyx::ActionResult::Success &&
                  source->getParameterValue("Framerate") == "25",
              "a filter made with its constructor takes handed-in values at its first PreInitialize");
        const std::string twice = "Graph failed to add a filter(it was already added)";
        check(graph->AddAndConnect(source) == Hyx::ActionResult::Failure &&
                  graph->GetLastError(false).StdString() == twice && graph->GetNumFilters() == 1,
              "a filter the graph holds already is refused");
        quote(twice);
        graph->RemoveAllFilters();
    }
    // A source made by the factory without the graph leaves the graph's rate and count unset;
    // added again after it was removed, it has the graph as it initialises and sets them.
    {
        auto third = std::make_shared<Hyx::Graph>();
        const auto loose = std::dynamic_pointer_cast<Hyx::SourceManualOfflineSource>(
            Hyx::FilterFactory::CreateFilter(Hyx::SourceManualOfflineSource::TheTypeGuid(), {}, {}).ToStdSharedPtr());
        const bool declared =
            loose && loose->ClearCacheAndReinitializeProperties(MakeTextureFrame(0, 8, 8), 1, 30.0f, true) &&
            loose->PushFrame({MakeTextureFrame(0, 8, 8)}) && loose->PushFrame({MakeTextureFrame(1, 8, 8)});
        const bool unset = declared && third->AddAndConnect(loose) == Hyx::ActionResult::Success &&
                           third->GetOriginalFps() == 10.0f && third->GetNumFrames() == -1;
        const bool set = unset && third->RemoveAllFilters() == Hyx::ActionResult::Success &&
                         third->AddAndConnect(loose) == Hyx::ActionResult::Success &&
                         third->GetOriginalFps() == 30.0f && third->GetNumFrames() == 2;
        check(unset && set, "a source without the graph as it initialises leaves the graph's rate and count unset");
        third->RemoveAllFilters();
    }
    check(made && made->DeInitialize() == Hyx::HyxErrorCode::Success &&
              made->DePreInitialize() == Hyx::HyxErrorCode::Success && made->getParameters().empty() &&
              !made->setParameterValues({{"Framerate", "40"}}) &&
              second->AddAndConnect(made) == Hyx::ActionResult::Success && made->GetGraph() == second &&
              made->getParameterValue("Framerate") == "40",
          "de-pre-initialised it drops its parameters, takes the values handed in again and joins the other graph");
    // The empty source keeps its "Framerate" across a DePreInitialize: added again with no
    // value handed in, it reads as it did.
    check(second->RemoveAllFilters() == Hyx::ActionResult::Success &&
              made->DePreInitialize() == Hyx::HyxErrorCode::Success && made->getParameters().empty() &&
              second->AddAndConnect(made) == Hyx::ActionResult::Success && made->getParameterValue("Framerate") == "40",
          "a parameter the filter keeps reads as it did once the filter is pre-initialised again");
    check(AddFilter(second, Hyx::TargetEmpty::TheTypeGuid()), "a target joins it");
    // A playing graph refuses a filter; let go deinitialised, it logs nothing.
    check(second->Play(Hyx::PlaybackMode::Realtime) == Hyx::ActionResult::Success, "the second graph plays");
    // Refused by a playing graph, a filter is taken as it is once the graph is stopped.
    {
        const std::shared_ptr<Hyx::Filter> again =
            Hyx::FilterFactory::CreateFilter(Hyx::TargetEmpty::TheTypeGuid(), {}, Hyx::SharedGraphPtr(second))
                .ToStdSharedPtr();
        const bool refused = again && second->AddAndConnect(again) == Hyx::ActionResult::Failure;
        check(refused && second->Stop() == Hyx::ActionResult::Success &&
                  second->AddAndConnect(again) == Hyx::ActionResult::Success &&
                  second->Play(Hyx::PlaybackMode::Realtime) == Hyx::ActionResult::Success,
              "a filter a playing graph refused is taken as it is once the graph is stopped");
        // No built-in filter has "Enable Recording": recording cannot start.
        check(second->StartRecording() == Hyx::ActionResult::Failure,
              "no built-in filter records: StartRecording answers Failure");
    }
    for (const bool deinitialise : {true, false}) {
        CapturedLog log(logger);
        {
            const std::shared_ptr<Hyx::Filter> late =
                Hyx::FilterFactory::CreateFilter(Hyx::TargetEmpty::TheTypeGuid(), {}, Hyx::SharedGraphPtr(second))
                    .ToStdSharedPtr();
            check(late && second->AddAndConnect(late) == Hyx::ActionResult::Failure &&
                      late->GetFilterState() == Hyx::Filter::FilterState::Initialized,
                  "a refused add leaves the filter initialised");
            if (late && deinitialise)
                late->DeInitialize();
        }
        const std::vector<std::string> lines = log.At(VornCommon::LogLevel::Error);
        check(deinitialise ? lines.empty() : lines == std::vector<std::string>{"Filter not properly deinitialized!"},
              "a filter a refused add initialised goes quietly once deinitialised, and logs otherwise");
    }
    second->Stop();
    second->RemoveAllFilters();
}

// Number parameters read a text's leading number.
void runNumberTexts()
{
    Hyx::FilterParamFloat real("float", 0, 1.0f, 0.0f, 10.0f);
    for (const auto& [text, read] : {std::pair<const char*, const char*>{"0x10", "16"},
                                     {"inf", "inf"},
                                     {"nan", "nan"},
                                     {"fast", "0"},
                                     {"12abc", "12"}}) {
        real.SetValueAsString(text);
        check(real.GetValueAsString() == read, "a float parameter reads a text's leading number");
    }
    Hyx::FilterParamInt32 integer("int32", 0, 5, 0, 100);
    for (const auto& [text, read] : {std::pair<const char*, int>{"12abc", 12}, {"0x10", 0}, {"1e3", 1}, {"-1", -1}}) {
        integer.SetValueAsString(text);
        check(integer.GetValue() == read, "an integer parameter reads a text's leading whole number");
    }
    Hyx::FilterParamUInt32 natural("uint32", 0, 5, 0, 100);
    natural.SetValueAsString("-1");
    check(natural.GetValue() == 4294967295u, "an unsigned parameter reads \"-1\" as 4294967295");
    const auto raises = [&](const char* text, const auto& exception) {
        try {
            natural.SetValueAsString(text);
        } catch (const std::exception& e) {
            return typeid(e) == typeid(exception) && natural.GetValue() == 4294967295u;
        }
        return false;
    };
    check(raises("abc", std::invalid_argument("")) && raises("99999999999", std::out_of_range("")),
          "an integer parameter refuses a text without a digit and a number beyond its type");
    quote("\"12abc\" as 12, \"0x10\" as 0 and \"1e3\" as 1");
    quote("\"-1\" as 4294967295");
}

// A graph whose last filter is not a target fails every update.
void runTargetLast()
{
    std::ofstream("calibration.bin", std::ios::binary) << "calibration";
    auto graph = std::make_shared<Hyx::Graph>();
    check(AddFilter(graph, Hyx::SourceEmptySource::TheTypeGuid()) && AddFileBytes(graph, "calibration.bin") &&
              graph->Play(Hyx::PlaybackMode::Realtime) == Hyx::ActionResult::Success,
          "a graph without a target plays");
    const std::string expected =
        "Graph update failed(Filter 'InjectFileData' error: Filter '$filter$' lacks output connection.())";
    for (int i = 0; i < 3; ++i)
        check(graph->Update() == Hyx::ActionResult::Failure && graph->GetLastError(true).StdString() == expected,
              "every update of a graph without a target fails");
    quote(expected);
    graph->Stop();
    graph->RemoveAllFilters();
    // AddAndConnect takes a transform or a mutate after a target; the graph plays, and every
    // update fails.
    for (const bool mutate : {false, true}) {
        graph = std::make_shared<Hyx::Graph>();
        check(AddFilter(graph, Hyx::SourceEmptySource::TheTypeGuid()) &&
                  AddFilter(graph, Hyx::TargetCallback::TheTypeGuid()) &&
                  (mutate ? AddFilter(graph, Hyx::MutateAutoCompressor::TheTypeGuid())
                          : AddFileBytes(graph, "calibration.bin")),
              "AddAndConnect takes a transform or a mutate after a target");
        check(graph->Play(Hyx::PlaybackMode::Realtime) == Hyx::ActionResult::Success,
              "a graph whose last filter comes after its target plays");
        for (int i = 0; i < 3; ++i) {
            const bool failed = graph->Update() == Hyx::ActionResult::Failure;
            const std::string text = graph->GetLastError(true).StdString();
            check(failed &&
                      (mutate ? text.rfind("Graph update failed(", 0) == 0 && contains(text, "lacks output connection.")
                              : text == expected),
                  "every update of a graph whose last filter comes after its target fails");
        }
        graph->Stop();
        graph->RemoveAllFilters();
    }
}

} // namespace
