// The host's main(): appended to the README's host examples, which the install test puts in
// front of it as main.cpp. It runs each example against the installed library and the README's
// plug-in, and fails when one does not do what the README says of it.
// Arguments: the folder of the built plug-in, a scratch folder (the working directory).

#include <Hyx/Atom.h>
#include <Hyx/DataTypeStreamInfo.h>
#include <Hyx/DataTypeVertex.h>
#include <Hyx/FilterParamChoice.h>
#include <Hyx/GuidAlias.h>
#include <Hyx/HYXPurposeGuids.h>
#include <Hyx/SourceManual.h>

#include <cstdio>
#include <string>

namespace {

int failures = 0;

void check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "README example failed: %s\n", what);
        ++failures;
    }
}

// A frame of one stream: its stream information and a vertex-positions layer of two points.
std::shared_ptr<Hyx::Atom> makeFrame(uint32_t frame)
{
    auto info = std::make_shared<Hyx::DataTypeStreamInfo>();
    info->InitializeHeader(Hyx::HYXPurposeGuids::VORN4D);
    info->setValues(30.0f, 0, VornCommon::Versorf(), 0, "install");
    auto positions = std::make_shared<Hyx::DataTypeVertexPositions>();
    positions->InitializeHeader(Hyx::HYXPurposeGuids::VORN4D);
    float* xyz = positions->Allocate(2, false);
    const float points[] = {0.0f, 0.0f, 0.0f, 2.0f, 4.0f, 6.0f + float(frame)};
    std::copy(std::begin(points), std::end(points), xyz);
    positions->CalculateBoundingBoxFromVertexPositions();
    auto atom = std::make_shared<Hyx::Atom>(0u, frame, uint64_t(frame) * 333333u);
    atom->AddDataLayer(info);
    atom->AddDataLayer(positions);
    return atom;
}

std::shared_ptr<Hyx::DataTypeVertexPositions> positionsOf(const std::shared_ptr<Hyx::Atom>& atom,
                                                          const VornCommon::Guid& purpose)
{
    return atom ? std::dynamic_pointer_cast<Hyx::DataTypeVertexPositions>(
                      atom->GetDataLayer(purpose, Hyx::DataTypeVertexPositions::TheTypeGuid(), false))
                : nullptr;
}

// Keeps the last frame the callback target hands over.
class LastFrame : public Hyx::IAtomsListener {
public:
    void OnAtomsReceived(std::vector<std::shared_ptr<Hyx::Atom>>& atoms) override { last = atoms.back(); }
    std::shared_ptr<Hyx::Atom> last;
};

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
    LastFrame listener;
    auto target = std::static_pointer_cast<Hyx::TargetCallback>(graph->GetLastFilter());
    target->SetAtomsListener(&listener);
    bool played = graph->Play(Hyx::PlaybackMode::Realtime) == Hyx::ActionResult::Success;
    for (int i = 0; played && !listener.last && i < 8; ++i)
        played = graph->Update() == Hyx::ActionResult::Success;
    graph->Stop();
    target->SetAtomsListener(nullptr);
    check(played && fpsOf(listener.last) == 30.0f, "the built graph's frames carry 30 fps");
    graph->RemoveAllFilters();
}

void runTake(const std::string& folder)
{
    const std::string path = folder + "/take.hyx";
    check(WriteTake(path.c_str(), {makeFrame(0), makeFrame(1), makeFrame(2)}), "WriteTake");
    const auto positions = positionsOf(ReadFrame(path.c_str(), 2), Hyx::HYXPurposeGuids::VORN4D);
    check(positions && positions->GetNumVertices() == 2 && positions->GetVertexPositions()[5] == 8.0f,
          "ReadFrame gives the frame written");
    check(!ReadFrame((folder + "/missing.hyx").c_str(), 0), "ReadFrame of a missing file is empty");
    const auto second = positionsOf(WriteAndReadBack({makeFrame(0), makeFrame(1)}), Hyx::HYXPurposeGuids::VORN4D);
    check(second && second->GetVertexPositions()[5] == 7.0f,
          "WriteAndReadBack gives frame 1 (the test finds the file)");
    // A bare name: written beside the executable (the test looks), not found in the working directory.
    check(WriteTake("bare-name.hyx", {makeFrame(0)}) && !ReadFrame("bare-name.hyx", 0),
          "a bare file name is written beside the executable and read from the working directory");
}

void runCompressionChoice()
{
    auto graph = std::make_shared<Hyx::Graph>();
    check(AddFilter(graph, Hyx::SourceEmptySource::TheTypeGuid()) &&
              AddFilter(graph, Hyx::MutateVertexPositionsCompressor::TheTypeGuid()),
          "a positions compressor is added");
    check(UseSmallPositions(*graph), "UseSmallPositions finds \"Compression\"");
    auto compression = std::dynamic_pointer_cast<Hyx::FilterParamEnumIndexed>(
        graph->GetFilterParam(Hyx::MutateVertexPositionsCompressor::TheTypeGuid(), "Compression", 1));
    check(compression && compression->GetValue() == 2, "\"Compression\" 1 is the code of QSPACE-11/11/10");
    compression->SetValueAsString("QSPACE-11/11/10");
    check(compression->GetValue() == 1, "a choice's text reads as index 0");
    compression->SetValueAsString("7");
    check(compression->GetValue() == 2, "an index past the end selects the last choice");
    graph->RemoveAllFilters();
}

// manual source -> the README's plug-in filter -> callback target, one frame through.
void runPlugin(const char* pluginFolder)
{
    auto graph = std::make_shared<Hyx::Graph>();
    auto source = std::static_pointer_cast<Hyx::SourceManualLiveSource>(
        Hyx::FilterFactory::CreateFilter(Hyx::SourceManualLiveSource::TheTypeGuid(), {}, Hyx::SharedGraphPtr(graph))
            .ToStdSharedPtr());
    check(source && source->ClearCacheAndReinitializeProperties(makeFrame(0), 1, 30.0f, true) &&
              graph->AddAndConnect(source) == Hyx::ActionResult::Success,
          "the manual source is added");
    check(AddBoxCenter(pluginFolder, graph), "AddBoxCenter loads the plug-in and adds its filter");
    check(AddFilter(graph, Hyx::TargetCallback::TheTypeGuid()), "the callback target is added");
    LastFrame listener;
    auto target = std::dynamic_pointer_cast<Hyx::TargetCallback>(graph->GetLastFilter());
    if (!target || failures)
        return;
    target->SetAtomsListener(&listener);
    bool played =
        graph->Play(Hyx::PlaybackMode::Realtime) == Hyx::ActionResult::Success && source->PushFrame({makeFrame(4)});
    for (int i = 0; played && !listener.last && i < 4; ++i)
        played = graph->Update() == Hyx::ActionResult::Success;
    graph->Stop();
    target->SetAtomsListener(nullptr);
    graph->RemoveAllFilters();
    const VornCommon::Guid boxCenter = Hyx::GuidLiteral("5C0A7E51-0000-4000-8000-0000000000B1");
    const auto center = positionsOf(listener.last, boxCenter);
    check(played && center && center->GetNumVertices() == 1 && center->GetVertexPositions()[0] == 1.0f &&
              center->GetVertexPositions()[2] == 5.0f,
          "the plug-in's filter adds the box centre");
    check(Hyx::Utils::GetGuidAlias(boxCenter) == "BOX_CENTER", "the plug-in registered its purpose alias");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    const std::shared_ptr<VornCommon::Logger> logger = InstallLogger();
    ListFilterClasses(); // the test reads its lines
    runBuiltGraph();
    runTake(argv[2]);
    runCompressionChoice();
    runPlugin(argv[1]);
    Hyx::ResetHYXLoggerInstance();
    return failures == 0 ? 0 : 1;
}
