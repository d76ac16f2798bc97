// README "Changing a layer a filter is given" (under "Writing a plug-in").
// A transform whose output profile names no layer is checked with the other profiles, in
// Plugins.cpp.

#include "Consumer.h"

namespace {

// The pixels of the frame's first RGB texture, as bytes; none without one.
std::vector<uint8_t> pixelsOf(const std::shared_ptr<Hyx::Atom>& frame)
{
    const auto rgb = frame ? std::dynamic_pointer_cast<Hyx::DataTypeTextureRGB>(
                                 frame->GetDataLayerByType(Hyx::DataTypeTextureRGB::TheTypeGuid(), false))
                           : nullptr;
    return rgb && rgb->GetDataPtr()
               ? std::vector<uint8_t>(rgb->GetDataPtr(), rgb->GetDataPtr() + rgb->GetTextureSizeInBytes())
               : std::vector<uint8_t>();
}

// MutateBrighten's way changes what the target gets, never the source's record; a filter that
// changes the texture in place changes the record too.
class BrightenInPlace : public MutateBrighten {
protected:
    Hyx::HyxErrorCode onCreateFrame(std::shared_ptr<Hyx::Atom> input, std::shared_ptr<Hyx::Atom>& output) override
    {
        output = Hyx::Atom::Copy(input, -1, true);
        for (const auto& layer : output->GetDataLayersByType(Hyx::DataTypeTextureRGB::TheTypeGuid())) {
            const auto texture = std::static_pointer_cast<Hyx::DataTypeTextureRGB>(layer);
            std::fill_n(texture->GetDataPtr(), texture->GetTextureSizeInBytes(), uint8_t(192));
        }
        return Hyx::HyxErrorCode::Success;
    }
};

void runLayerCopies()
{
    for (const bool inPlace : {false, true}) {
        auto graph = std::make_shared<Hyx::Graph>();
        const auto source = std::dynamic_pointer_cast<Hyx::SourceManualLiveSource>(
            Hyx::FilterFactory::CreateFilter(Hyx::SourceManualLiveSource::TheTypeGuid(), {}, Hyx::SharedGraphPtr(graph))
                .ToStdSharedPtr());
        const std::shared_ptr<MutateBrighten> brighten =
            inPlace ? std::make_shared<BrightenInPlace>() : std::make_shared<MutateBrighten>();
        LastFrame listener;
        bool ok = source && source->ClearCacheAndReinitializeProperties(MakeTextureFrame(0, 8, 8), 1, 30.0f, true) &&
                  graph->AddAndConnect(source) == Hyx::ActionResult::Success &&
                  graph->AddAndConnect(brighten) == Hyx::ActionResult::Success &&
                  AddFilter(graph, Hyx::TargetCallback::TheTypeGuid());
        const auto target = std::dynamic_pointer_cast<Hyx::TargetCallback>(graph->GetLastFilter());
        ok = ok && target;
        if (ok)
            target->SetAtomsListener(&listener);
        ok = ok && graph->Play(Hyx::PlaybackMode::Realtime) == Hyx::ActionResult::Success &&
             source->PushFrame({MakeTextureFrame(1, 8, 8)});
        for (int i = 0; ok && !listener.last && i < 8; ++i)
            ok = graph->Update() == Hyx::ActionResult::Success;
        const std::vector<uint8_t> grey(8 * 8 * 3, 128), brighter(8 * 8 * 3, 192);
        const std::vector<uint8_t> recorded = ok ? pixelsOf(source->GetLastProcessedFrame()) : std::vector<uint8_t>();
        check(ok && pixelsOf(listener.last) == brighter && recorded == (inPlace ? brighter : grey),
              inPlace ? "a filter that changes a layer in place changes the source's record too"
                      : "MutateBrighten hands on brighter pixels while the source's record keeps its own");
        graph->Stop();
        check(brighten->stops == 1, "its onStop ran, and the base hook through its qualified name");
        check(!source->GetLastProcessedFrame(), "a stop forgets every filter's last frame");
        if (target)
            target->SetAtomsListener(nullptr);
        graph->RemoveAllFilters();
    }
    quote("the target pixels of 192, while the source's `GetLastProcessedFrame()` still shows 128");
    // A copy keeps class, purpose, version and bytes; a layer of an unregistered class has none.
    const auto texture = rgbOf(MakeTextureFrame(0, 8, 8));
    const auto copy = std::dynamic_pointer_cast<Hyx::DataTypeTextureRGB>(CopyLayer(texture));
    check(copy && copy != texture && copy->GetPurposeGuid() == texture->GetPurposeGuid() &&
              copy->GetVersion() == texture->GetVersion() && copy->GetWidth() == 8 && copy->GetHeight() == 8 &&
              copy->GetDataPtr() != texture->GetDataPtr() &&
              std::equal(copy->GetDataPtr(), copy->GetDataPtr() + 192, texture->GetDataPtr()),
          "CopyLayer gives a texture of its own with the same purpose, version and pixels");
    auto cameras = std::make_shared<Hyx::DataTypeCameraParams>();
    cameras->GetColorCameraParams().width = 640;
    const auto cameraCopy = std::dynamic_pointer_cast<Hyx::DataTypeCameraParams>(CopyLayer(cameras));
    check(cameraCopy && cameraCopy->GetColorCameraParams().width == 640, "CopyLayer copies camera parameters");
    auto readOnly = std::make_shared<Hyx::DataTypeCameraParams>();
    readOnly->CopyValuesFrom(cameras);
    check(readOnly->GetColorCameraParams().width == 640, "CopyValuesFrom copies camera parameters too");

    // Compressed layers: a copy keeps the three compression fields and decodes as the original
    // does; one given the bytes alone names no layer to decode into.
    auto codedTexture = std::make_shared<Hyx::DataTypeCompressedTexture>();
    codedTexture->InitializeHeader(texture->GetPurposeGuid());
    auto codedPositions = std::make_shared<Hyx::DataTypeCompressedVertexPositions>();
    codedPositions->InitializeHeader(Hyx::HYXPurposeGuids::VORN4D);
    bool coded = false;
    try {
        coded = codedTexture->compress(texture, codedTexture->GetRecommendedCompression(texture)) &&
                codedPositions->compress(somePositions().front(), 1);
    } catch (const std::exception& e) {
        check(false, e.what());
    }
    check(coded, "a texture and positions compress");
    const auto bytesOf = [](const std::shared_ptr<Hyx::DataLayer>& layer) {
        uint32_t size = 0;
        const uint8_t* data = layer ? layer->Serialize(size) : nullptr;
        return data ? std::vector<uint8_t>(data, data + size) : std::vector<uint8_t>();
    };
    for (const std::shared_ptr<Hyx::DataTypeCompressedBlob>& original :
         {std::shared_ptr<Hyx::DataTypeCompressedBlob>(codedTexture),
          std::shared_ptr<Hyx::DataTypeCompressedBlob>(codedPositions)}) {
        const auto copy = std::dynamic_pointer_cast<Hyx::DataTypeCompressedBlob>(CopyLayer(original));
        check(copy && copy != original && copy->TypeGuid() == original->TypeGuid() &&
                  !original->GetCompressedBlobTypeGuid().IsNil() &&
                  copy->GetCompressedBlobTypeGuid() == original->GetCompressedBlobTypeGuid() &&
                  copy->GetCompressedBlobVersion() == original->GetCompressedBlobVersion() &&
                  copy->GetCompressionType() == original->GetCompressionType() && copy->GetCompressionType() != 0,
              "CopyLayer keeps a compressed layer's three compression fields");
        std::shared_ptr<Hyx::DataLayer> decoded, expected;
        try {
            expected = original->decompress();
            decoded = copy ? copy->decompress() : nullptr;
        } catch (const std::exception& e) {
            check(false, e.what());
        }
        check(decoded && expected && decoded->TypeGuid() == original->GetCompressedBlobTypeGuid() &&
                  decoded->TypeGuid() == expected->TypeGuid() && !bytesOf(decoded).empty() &&
                  bytesOf(decoded) == bytesOf(expected),
              "a compressed layer's copy decodes as the original does");
        // The bytes alone, without the three fields.
        const auto bare = std::dynamic_pointer_cast<Hyx::DataTypeCompressedBlob>(
            Hyx::DataLayerFactory::CreateDataLayer(original->TypeGuid(), original->GetPurposeGuid(),
                                                   original->GetVersion())
                .ToStdSharedPtr());
        const std::vector<uint8_t> bytes = bytesOf(original);
        bool loaded = false, thrown = false;
        if (uint8_t* into = bare ? bare->AllocateData(uint32_t(bytes.size())) : nullptr) {
            std::copy(bytes.begin(), bytes.end(), into);
            loaded = bare->InitializeData(into, uint32_t(bytes.size()));
            try {
                bare->decompress();
            } catch (const std::exception&) {
                thrown = true;
            }
        }
        check(loaded && bare->GetCompressedBlobTypeGuid().IsNil() && thrown,
              "a compressed layer's copy without its fields names no layer to decode into and its decompress() throws");
    }
}

// An AsyncGraph's IsStopRequested() and a filter's wait for another thread in the onStop of a
// run the worker ends itself: only a stop asked of the run ends the wait, and a host's call
// that comes meanwhile asks it and returns.
void runStopRequests()
{
    using State = Hyx::Graph::GraphState;
    using Result = Hyx::ActionResult;
    const std::vector<uint32_t> everyFrame = {0, 1, 2, 3, 4, 5};
    const struct {
        std::function<Result(Hyx::AsyncGraph&)> make;
        Result answer;
        const char* text; // the graph's text after the call; empty: not looked at
        bool plays; // the call plays a new run
    } calls[] = {
        {[](Hyx::AsyncGraph& graph) { return graph.Stop(); }, Result::Success, "", false},
        {[](Hyx::AsyncGraph& graph) { return graph.Pause(); }, Result::Failure,
         "Graph failed to pause(it is not playing)", false},
        {[](Hyx::AsyncGraph& graph) { return graph.Play(); }, Result::Success, "", true},
        {[](Hyx::AsyncGraph& graph) { return graph.Play(Hyx::PlaybackMode::ForwardOnce); }, Result::Success, "", true},
    };
    for (const bool updateFails : {false, true}) {
        for (const auto& call : calls) {
            FrameList frames;
            StateList states;
            const auto flush = std::make_shared<TransformFlush>();
            const auto graph = flushGraph<Hyx::AsyncGraph>(6, {flush}, frames);
            if (updateFails)
                flush->failFrame = 3;
            flush->stopWaits = true;
            graph->_graphEvents.Add(&states);
            check(graph->SetPlaybackMode(Hyx::PlaybackMode::ForwardOnce, 0) == Result::Success &&
                      graph->Play() == Result::Success,
                  "a forward-once run plays on the worker");
            check(flush->waiting.Pass(), "the worker ends the run itself, and a filter's onStop waits");
            frames.Take();
            const Result answer = call.make(*graph);
            const std::string text = graph->GetLastError(false).StdString();
            check(flush->waitSawStop, "the host's call ends the wait: IsGraphStopRequested() reads true");
            check(answer == call.answer && (*call.text == '\0' || text == call.text),
                  "the host's call that comes while the filter waits returns with its answer");
            if (*call.text != '\0')
                quote(text);
            std::vector<State> heard = updateFails ? std::vector<State>{State::Playing, State::Error, State::Stopped}
                                                   : std::vector<State>{State::Playing, State::Stopped};
            if (call.plays) {
                check(!graph->IsStopRequested(), "a Play begins: IsStopRequested() reads false");
                heard.insert(heard.end(), {State::Playing, State::Stopped});
                check(waitFor([&] { return states.Peek() == heard; }) && frames.Take() == everyFrame,
                      "the Play plays a new run from the start, which ends by itself");
                check(!graph->IsStopRequested(), "a run that ends by itself with nobody asking leaves it false");
            } else {
                check(graph->IsStopRequested(), "after the Stop or Pause, IsStopRequested() reads true");
                check(states.Take() == heard && graph->IsStopped() && allStopped(*graph),
                      "the run ended stopped, as the listeners heard");
            }
            graph->_graphEvents.Remove(&states);
            graph->RemoveAllFilters();
        }
    }
    // A Stop of a stopped graph, the next Play and its run, a Pause a filter refuses, a Pause,
    // a resuming Play and a Stop.
    {
        std::optional<bool> inOnPlay, inListener;
        std::atomic<bool> passRead{false};
        FrameList frames;
        ActOn states;
        const auto flush = std::make_shared<TransformFlush>();
        const auto graph = flushGraph<Hyx::AsyncGraph>(6, {flush}, frames);
        Hyx::AsyncGraph* const raw = graph.get();
        flush->play.call = [raw, &inOnPlay] {
            if (!inOnPlay)
                inOnPlay = raw->IsStopRequested();
        };
        flush->beforeFrame = [raw, &passRead](uint32_t) {
            if (raw->IsStopRequested())
                passRead = true;
        };
        states.when = State::Playing;
        states.graph = raw;
        states.act = [raw, &inListener] {
            inListener = raw->IsStopRequested();
            return Result::Success;
        };
        graph->_graphEvents.Add(&states);
        check(graph->Stop() == Result::Success && graph->IsStopped() && graph->IsStopRequested(),
              "a Stop of a stopped graph asks a stop: IsStopRequested() reads true");
        check(graph->SetPlaybackMode(Hyx::PlaybackMode::ForwardOnce, 0) == Result::Success &&
                  graph->Play() == Result::Success && waitFor([&] {
                      return states.Peek() == std::vector<State>{State::Playing, State::Stopped};
                  }) &&
                  frames.Take() == everyFrame,
              "the next Play plays a run that ends by itself");
        check(inOnPlay == false && inListener == false && !passRead,
              "inside the Play a filter's onPlay, a listener of Playing and the passes read false");
        check(!graph->IsStopRequested(), "a run that ends by itself with nobody asking leaves it false");
        check(playLooping(*graph, frames), "the graph plays looping");
        flush->pause.how = TransformFlush::How::Refuses;
        flush->pause.times = 1;
        check(graph->Pause() == Result::Failure && graph->IsPlaying() && !graph->IsStopRequested() &&
                  framesFlow(*graph, frames),
              "a Pause that a filter refused leaves it false, and the run plays on");
        check(graph->Pause() == Result::Success && graph->IsStopRequested(), "a Pause asks a stop: true");
        check(graph->Play() == Result::Success && !graph->IsStopRequested() && framesFlow(*graph, frames),
              "the resuming Play begins: false");
        check(graph->Stop() == Result::Success && graph->IsStopRequested(), "a Stop asks a stop: true");
        graph->_graphEvents.Remove(&states);
        graph->RemoveAllFilters();
    }
}

} // namespace
