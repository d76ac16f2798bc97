// The example host: registers its own classes, then follows the main road of a frame: it
// builds manual live source -> transform -> callback target, plays the graph on the graph's
// worker thread, pushes the frames it makes into the source and receives them back through
// its atoms listener. Then it loads the same chain from the graph file shipped beside it
// ("example_graph.xml", or the file named on the command line) and plays that on the
// graph's own worker thread, at the file's mode and rate, giving up when its frames stop
// coming (ExampleGraphFile.h). Last it records a take of generated frames into a container
// file ("example_take.hyx" beside the program), compressed on the way in, and plays that
// file back through a graph that decompresses them. It ends by writing the take's thumbnail
// as a PNG file beside it ("example_take.png"), for a person to look at.

#include "ExampleFilters.h"
#include "ExampleGraphFile.h"

#include <Hyx/AsyncGraph.h>
#include <Hyx/DataLayerFactory.h>
#include <Hyx/FilterFactory.h>
#include <Hyx/Graph.h>
#include <Hyx/HYX2FileFastReader.h>
#include <Hyx/HYXPurposeGuids.h>
#include <Hyx/ImageSequenceWriter.h>
#include <Hyx/LoggerInstance.h>
#include <Hyx/MutateCompressor.h>
#include <Hyx/SourceManual.h>
#include <Hyx/TargetCallback.h>
#include <Hyx/VisualGraph.h>
#include <Hyx/XmlGraph.h>

#include <VornCommon/FileHelper.h>
#include <VornCommon/Image.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

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

// The host's receiver of frames: prints each frame's wave and its amplified copy.
class FrameListener : public Hyx::IAtomsListener {
public:
    void OnAtomsReceived(std::vector<std::shared_ptr<Hyx::Atom>>& atoms) override
    {
        for (const std::shared_ptr<Hyx::Atom>& atom : atoms) {
            std::printf("frame %2u  received", atom->GetFrameNr());
            for (const std::shared_ptr<Hyx::DataLayer>& layer :
                 atom->GetDataLayersByType(Example::WaveLayer::TheTypeGuid))
                std::printf("  %s %+.3f", Hyx::Utils::GetGuidAlias(layer->GetPurposeGuid()).CStr(),
                            static_cast<double>(std::static_pointer_cast<Example::WaveLayer>(layer)->GetValue()));
            std::printf("\n");
        }
        ++received;
    }
    std::atomic<int> received{0};
};

// One frame as the host holds it: its stream information and the wave's value.
std::shared_ptr<Hyx::Atom> makeFrame(uint32_t frame, float fps)
{
    auto info = std::make_shared<Hyx::DataTypeStreamInfo>();
    info->InitializeHeader(Example::kWave);
    info->setValues(fps, 0, VornCommon::Versorf(), 0, "example");
    auto atom = std::make_shared<Hyx::Atom>(0u, frame, static_cast<uint64_t>(frame) * 400000u);
    atom->AddDataLayer(info);
    atom->AddDataLayer(std::make_shared<Example::WaveLayer>(Example::kWave, frame, std::sin(float(frame) * 0.5f)));
    return atom;
}

// Creates a filter of the class for the asynchronous graph and adds it; empty, with the
// reason printed, on failure.
std::shared_ptr<Hyx::Filter> addAsyncFilter(const std::shared_ptr<Hyx::AsyncGraph>& graph, const VornCommon::Guid& type)
{
    std::shared_ptr<Hyx::Filter> filter = Hyx::AsyncGraph::CreateFilter(type, graph);
    if (!filter || graph->AddAndConnect(filter) != Hyx::ActionResult::Success) {
        std::fprintf(stderr, "cannot add filter %s: %s\n", type.ToHexString().CStr(),
                     graph->GetLastError(false).CStr());
        return nullptr;
    }
    return filter;
}

// The main road: frames pushed into a manual live source while the graph's worker plays,
// received back through the callback target; true when every frame came back.
bool pushAndReceive(int numFrames)
{
    constexpr float kFps = 25.0f;
    auto graph = std::make_shared<Hyx::AsyncGraph>();
    auto source = std::static_pointer_cast<Hyx::SourceManualLiveSource>(
        Hyx::AsyncGraph::CreateFilter(Hyx::SourceManualLiveSource::TheTypeGuid(), graph));
    // The declaration comes first: one stream of frames shaped like this one.
    if (!source || !source->ClearCacheAndReinitializeProperties(makeFrame(0, kFps), 1, kFps, true) ||
        graph->AddAndConnect(source) != Hyx::ActionResult::Success) {
        std::fprintf(stderr, "cannot set up the manual source\n");
        return false;
    }
    FrameListener listener;
    std::shared_ptr<Hyx::Filter> target;
    if (!addAsyncFilter(graph, Example::AmplifyTransform::TheTypeGuid) ||
        !(target = addAsyncFilter(graph, Hyx::TargetCallback::TheTypeGuid())))
        return false;
    std::static_pointer_cast<Hyx::TargetCallback>(target)->SetAtomsListener(&listener);
    graph->SetFilterParamValue(Example::AmplifyTransform::TheTypeGuid, "Gain", "3", 1);

    std::printf("Graph:");
    for (unsigned i = 0; i < graph->GetNumFilters(); ++i)
        std::printf("%s %s", i == 0 ? "" : " ->", graph->GetFilter(i)->GetFilterClassInfo().GetNiceClassName().CStr());
    std::printf("\n");
    // Realtime: the source emits whatever the host pushed, paced to the declared rate.
    if (graph->SetPlaybackMode(Hyx::PlaybackMode::Realtime, -1.0f) != Hyx::ActionResult::Success ||
        graph->Play() != Hyx::ActionResult::Success) {
        std::fprintf(stderr, "%s\n", graph->GetLastError(false).CStr());
        return false;
    }
    for (int f = 0; f < numFrames; ++f) {
        if (!source->PushFrame({makeFrame(uint32_t(f), kFps)}))
            std::fprintf(stderr, "%s\n", source->GetLastError(false).CStr());
        std::this_thread::sleep_for(std::chrono::milliseconds(40)); // the host's own capture pace
    }
    for (int wait = 0; wait < 200 && listener.received < numFrames && graph->IsPlaying(); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    graph->Stop();
    std::static_pointer_cast<Hyx::TargetCallback>(target)->SetAtomsListener(nullptr);
    graph->RemoveAllFilters();
    std::printf("Done: %d of %d pushed frames came back\n", listener.received.load(), numFrames);
    return listener.received == numFrames;
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
    const int recorded = std::static_pointer_cast<RecordTarget>(recording->GetLastFilter())->recorded.load();
    recording->RemoveAllFilters();
    std::printf("\nRecorded %d compressed frames into %s\n", recorded, path.c_str());

    auto replay = std::make_shared<Hyx::Graph>();
    if (!addFilter(replay, ContainerSource::TheTypeGuid, path) ||
        !addFilter(replay, Hyx::MutateAutoDecompressor::TheTypeGuid()) ||
        !addFilter(replay, SummaryMutate::TheTypeGuid) || !addFilter(replay, PrintTarget::TheTypeGuid) ||
        !playForwardOnce(replay))
        return false;
    const int replayed = std::static_pointer_cast<PrintTarget>(replay->GetLastFilter())->received.load();
    replay->RemoveAllFilters();
    std::printf("Done: %d frames played back from the file\n", replayed);
    return recorded > 0 && replayed == recorded;
}

// Renders the thumbnail of the take in folder and writes it beside the take as a PNG file;
// true when the take had a picture and the file was written.
bool writeThumbnail(const std::string& folder, const std::string& take, const std::string& png)
{
    constexpr uint32_t kSide = 128;
    Hyx::HYX2FileRenderInfo info(VornCommon::FileHelper::CombinePath(folder, take).c_str());
    VornCommon::Image image(kSide, kSide);
    info.RenderThumbnail(&image, false);
    if (!info.CanRenderThumbnail() ||
        !Hyx::ImageSequenceWriter(folder.c_str()).WriteImage(image.GetData(), kSide, kSide, 32, png.c_str())) {
        std::fprintf(stderr, "cannot write the thumbnail of %s\n", take.c_str());
        return false;
    }
    std::printf("Thumbnail of %s (%u x %u) written to %s\n", take.c_str(), kSide, kSide,
                VornCommon::FileHelper::CombinePath(folder, png).c_str());
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    using namespace Example;
    auto logger = std::make_shared<VornCommon::ConsoleLogger>();
    Hyx::SetHYXLoggerInstance(VornCommon::WeakLoggerPtr(logger));
    registerClasses();

    const bool allReceived = pushAndReceive(12);

    const std::string graphFile =
        argc > 1
            ? argv[1]
            : VornCommon::FileHelper::CombinePath(VornCommon::FileHelper::GetAppExeDirectory(), "example_graph.xml");
    const bool fileReceived = playGraphFile(graphFile);
    const std::string folder = VornCommon::FileHelper::GetAppExeDirectory();
    const bool takeReplayed = recordAndReplayTake(VornCommon::FileHelper::CombinePath(folder, "example_take.hyx"));
    const bool thumbnailWritten = takeReplayed && writeThumbnail(folder, "example_take.hyx", "example_take.png");
    Hyx::ResetHYXLoggerInstance();
    return allReceived && fileReceived && takeReplayed && thumbnailWritten ? 0 : 1;
}
