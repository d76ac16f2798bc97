// README "A filter that reads a file".

#include "Consumer.h"

namespace {

// TransformInjectFileData: the bytes on every frame; a missing file; no purpose.
void runInjection(const std::shared_ptr<VornCommon::Logger>& logger)
{
    std::ofstream("calibration.bin", std::ios::binary) << "calibration";
    auto graph = std::make_shared<Hyx::Graph>();
    check(AddFilter(graph, Hyx::SourceEmptySource::TheTypeGuid()) && AddFileBytes(graph, "calibration.bin") &&
              AddFilter(graph, Hyx::TargetCallback::TheTypeGuid()),
          "AddFileBytes adds the injection");
    const auto frame = playForOneFrame(*graph);
    const auto bytes = frame ? std::dynamic_pointer_cast<Hyx::DataTypeByteArray>(
                                   frame->GetDataLayer(Hyx::GuidLiteral("5C0A7E51-0000-4000-8000-0000000000C1"),
                                                       Hyx::DataTypeByteArray::TheTypeGuid(), false))
                             : nullptr;
    check(bytes && std::string(reinterpret_cast<const char*>(bytes->GetByteArray().Data()),
                               bytes->GetByteArray().Size()) == "calibration",
          "the frames carry the file's bytes");
    graph->RemoveAllFilters();

    CapturedLog log(logger);
    graph = std::make_shared<Hyx::Graph>();
    check(AddFilter(graph, Hyx::SourceEmptySource::TheTypeGuid()) && AddFileBytes(graph, "missing.bin") &&
              AddFilter(graph, Hyx::TargetCallback::TheTypeGuid()),
          "AddFileBytes adds the injection of a missing file");
    check(contains(graph->GetFilter(1)->getParameterStatus("File path"), "missing.bin"),
          "the status of \"File path\" names the missing file");
    check(graph->Play(Hyx::PlaybackMode::Realtime) == Hyx::ActionResult::Success, "the graph plays");
    std::string updateText;
    for (int i = 0; i < 3; ++i) {
        check(graph->Update() == Hyx::ActionResult::Failure, "every frame fails");
        updateText = graph->GetLastError(true).StdString();
    }
    graph->Stop();
    graph->RemoveAllFilters();
    const auto lines = log.At(VornCommon::LogLevel::Error);
    check(lines == std::vector<std::string>{"Failed to open a file for reading"} && log.Count() == 1,
          "a missing file is told once by a line without its path");
    quote(lines.empty() ? std::string() : lines.front());
    check(contains(updateText, "No data for injection available"), "the frame's error says there is no data");
    quote(updateText);

    graph = std::make_shared<Hyx::Graph>();
    check(AddFilter(graph, Hyx::SourceEmptySource::TheTypeGuid()) &&
              !AddFilter(graph, Hyx::TransformInjectFileData::TheTypeGuid(), {{"File path", "calibration.bin"}}),
          "an injection without a purpose is not added");
    quote(graph->GetLastError(false).StdString());
    graph->RemoveAllFilters();
}

} // namespace
