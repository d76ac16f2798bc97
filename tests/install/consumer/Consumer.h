// README "Install a logger first" (CapturedLog), and what the checks of several sections share.
//
// The host's checks run each README example against the installed library and the README's
// plug-in, check what the README says of them, and fail when one does not hold. The install test
// joins the README's host examples, Consumer.cpp, one file per README section and Main.cpp, in the
// order RunInstallTest.cmake lists, into the host's main.cpp, and puts this header beside it: one
// translation unit, so what the files share is declared here, in the unnamed namespace, and defined
// once, and what one file alone uses stays in that file. Every "README quote: <text>" line the host
// prints is a text the library gave, which the test finds word for word in the README.

#pragma once

#include <Hyx/Atom.h>
#include <Hyx/CompressedLayers.h>
#include <Hyx/DataTypeByteArray.h>
#include <Hyx/DataTypeCameraParams.h>
#include <Hyx/DataTypeStreamInfo.h>
#include <Hyx/DataTypeTextureHSL.h>
#include <Hyx/DataTypeTextureIR.h>
#include <Hyx/DataTypeVertex.h>
#include <Hyx/FilterParamChoice.h>
#include <Hyx/FrameOrderProvider.h>
#include <Hyx/GeometryTransforms.h>
#include <Hyx/GuidAlias.h>
#include <Hyx/GuidLiteral.h>
#include <Hyx/HYXPurposeGuids.h>
#include <Hyx/ImageSequenceWriter.h>
#include <Hyx/MutateBlock.h>
#include <Hyx/MutateDataLayers.h>
#include <Hyx/Profile.h>
#include <Hyx/Source.h>
#include <Hyx/SourceManual.h>
#include <Hyx/Stream.h>
#include <Hyx/TargetCallback.h>
#include <Hyx/TextureFormat.h>
#include <Hyx/Transform.h>

#include <VornCommon/HostSettings.h>

#include <Hyx/DataTypeTextureYUV.h>
#include <Hyx/HYXFormatVersion.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <map>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <type_traits>
#include <typeinfo>
#include <utility>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Failed checks so far; the exit status tells whether there were any.
extern int failures;

// Checks, the texts the README quotes, and the log.
void check(bool ok, const char* what);
void quote(const std::string& text);
bool contains(const std::string& text, const std::string& part);

// Keeps every log line while it lives, then gives the host's logger back; every line has the
// library's tag and one of the levels the README names.
class CapturedLog {
public:
    explicit CapturedLog(std::shared_ptr<VornCommon::Logger> host) : _host(std::move(host))
    {
        Hyx::SetHYXLoggerInstance(_lines);
    }
    ~CapturedLog()
    {
        Hyx::SetHYXLoggerInstance(_host);
        for (const auto& entry : _lines->Entries())
            check(entry.tag == "HYX2" &&
                      (entry.level == VornCommon::LogLevel::Error || entry.level == VornCommon::LogLevel::Warning ||
                       entry.level == VornCommon::LogLevel::Info),
                  "the library logs with the tag HYX2 at Error, Warning or Info");
    }

    // The texts of the lines of that level.
    std::vector<std::string> At(VornCommon::LogLevel level) const
    {
        std::vector<std::string> texts;
        for (const auto& entry : _lines->Entries())
            if (entry.level == level)
                texts.push_back(entry.text);
        return texts;
    }
    size_t Count() const { return _lines->Count(); }
    void Clear() { _lines->Clear(); }

private:
    std::shared_ptr<VornCommon::Logger> _host;
    std::shared_ptr<VornCommon::MemoryLogger> _lines = std::make_shared<VornCommon::MemoryLogger>();
};

// Frames and layers.
std::shared_ptr<Hyx::Atom> makeFrame(uint32_t frame, const std::optional<VornCommon::Guid>& second = {});
std::shared_ptr<Hyx::DataTypeVertexPositions> positionsOf(const std::shared_ptr<Hyx::Atom>& atom,
                                                          const VornCommon::Guid& purpose);
std::shared_ptr<Hyx::Atom> frameWith(uint32_t frame, const std::vector<std::shared_ptr<Hyx::DataLayer>>& layers);
std::vector<std::shared_ptr<Hyx::DataLayer>> somePositions();
std::vector<std::shared_ptr<Hyx::DataLayer>> someIndices();
std::shared_ptr<Hyx::DataTypeTextureRGB> rgbOf(const std::shared_ptr<Hyx::Atom>& frame);
std::string textOf(const char* path);

using LayerMaker = std::function<std::vector<std::shared_ptr<Hyx::DataLayer>>()>;
using FilterChain = std::vector<std::pair<VornCommon::Guid, std::map<std::string, std::string>>>;

// One frame through a graph the host updates.

// Keeps the last frame the callback target hands over.
class LastFrame : public Hyx::IAtomsListener {
public:
    void OnAtomsReceived(std::vector<std::shared_ptr<Hyx::Atom>>& atoms) override { last = atoms.back(); }
    std::shared_ptr<Hyx::Atom> last;
};

std::shared_ptr<Hyx::Atom> playForOneFrame(Hyx::Graph& graph);
std::shared_ptr<Hyx::Atom> pushOneFrameOf(Hyx::Graph& graph, std::shared_ptr<Hyx::Atom> frame);
std::shared_ptr<Hyx::Atom> throughFilters(const LayerMaker& layers, const FilterChain& chain,
                                          std::string* error = nullptr);

// The plug-in's filter and purpose, and a transform of given profiles.
const VornCommon::Guid kBoxCenterFilter = Hyx::GuidLiteral("5C0A7E51-0000-4000-8000-0000000000F1");
const VornCommon::Guid kBoxCenterPurpose = Hyx::GuidLiteral("5C0A7E51-0000-4000-8000-0000000000B1");

// A transform with the requested input profile and output profile it is given.
class ProfileProbe : public Hyx::Transform {
public:
    ProfileProbe(std::shared_ptr<Hyx::Profile> requested, std::shared_ptr<Hyx::Profile> produced)
        : _produced(std::move(produced))
    {
        _requestedInputProfile = std::move(requested);
    }
    VornCommon::Guid TypeGuid() const override { return Hyx::GuidLiteral("5C0A7E51-0000-4000-8000-0000000000F9"); }
    Hyx::FilterClassInfo GetFilterClassInfo() const override
    {
        return Hyx::FilterClassInfo("TransformProbe", Hyx::FilterCategory::Transform);
    }

protected:
    std::shared_ptr<Hyx::Profile> onGenerateOutputProfile(Hyx::Filter*, std::shared_ptr<Hyx::Profile>) override
    {
        return _produced;
    }
    Hyx::HyxErrorCode onProcessFrame(std::shared_ptr<Hyx::Atom>) override { return Hyx::HyxErrorCode::Success; }

private:
    std::shared_ptr<Hyx::Profile> _produced;
};

// Graphs whose filters fail or call back, and what their listeners hear.

// Opens once; a pass waits for it ten seconds at most, so a fault fails instead of hanging.
class Gate {
public:
    void Open()
    {
        {
            std::lock_guard<std::mutex> lock(_mutex);
            _open = true;
        }
        _opened.notify_all();
    }
    bool Pass()
    {
        std::unique_lock<std::mutex> lock(_mutex);
        return _opened.wait_for(lock, std::chrono::seconds(10), [&] { return _open; });
    }

private:
    std::mutex _mutex;
    std::condition_variable _opened;
    bool _open = false;
};

// A transform whose onPlay, onPause or onStop refuses (a failure code) or throws once it is
// armed, or first runs a call of the host's, and that may fail a frame; it names itself as the
// class it is given. Its onStop may wait for another thread as a waiting hook does.
class TransformFlush : public Hyx::Transform {
public:
    enum class How {
        Works,
        Throws,
        Refuses
    };
    struct Arm {
        std::atomic<How> how{How::Works};
        std::atomic<int> times{0};
        std::function<void()> call; // runs first in each such hook; set while no walk runs
    };

    explicit TransformFlush(const char* className = "TransformFlush",
                            VornCommon::Guid purpose = Hyx::GuidLiteral("5C0A7E51-0000-4000-8000-0000000000D1"),
                            const char* stopText = "cannot flush")
        : _className(className), _purpose(purpose), _stopText(stopText)
    {
        _requestedInputProfile =
            std::make_shared<Hyx::Profile>(VornCommon::Guid(), Hyx::DataTypeVertexPositions::TheTypeGuid());
    }
    VornCommon::Guid TypeGuid() const override { return Hyx::GuidLiteral("5C0A7E51-0000-4000-8000-0000000000F7"); }
    Hyx::FilterClassInfo GetFilterClassInfo() const override
    {
        return Hyx::FilterClassInfo(_className.c_str(), Hyx::FilterCategory::Transform);
    }

    Arm play, pause, stop;
    std::atomic<int> failFrame{-1}; // the frame number whose processing fails, once
    std::atomic<int> pauseFrame{-1}; // the frame number at which it pauses its graph, once
    std::atomic<int> stopFrame{-1}; // the frame number at which it stops its graph, once
    std::function<void(uint32_t)> beforeFrame; // runs first for each frame; set before playing
    std::atomic<bool> stopWaits{false}; // the next onStop waits for a result that never comes
    Gate waiting; // opened as that wait begins
    std::atomic<bool> waitSawStop{false}; // the wait ended because IsGraphStopRequested() read true

protected:
    std::shared_ptr<Hyx::Profile> onGenerateOutputProfile(Hyx::Filter*, std::shared_ptr<Hyx::Profile>) override
    {
        return std::make_shared<Hyx::Profile>(_purpose, Hyx::DataTypeByteArray::TheTypeGuid());
    }
    Hyx::HyxErrorCode onProcessFrame(std::shared_ptr<Hyx::Atom> atom) override
    {
        if (beforeFrame)
            beforeFrame(atom->GetFrameNr());
        int frame = int(atom->GetFrameNr());
        if (failFrame.compare_exchange_strong(frame, -1))
            return ReportError(Hyx::HyxErrorCode::FilterError, "bad frame");
        frame = int(atom->GetFrameNr());
        if (pauseFrame.compare_exchange_strong(frame, -1))
            GetGraph()->Pause(); // what it throws leaves the pass
        frame = int(atom->GetFrameNr());
        if (stopFrame.compare_exchange_strong(frame, -1))
            GetGraph()->Stop(); // what it throws leaves the pass
        return Hyx::HyxErrorCode::Success;
    }
    Hyx::HyxErrorCode onPlay() override { return fire(play, "cannot open"); }
    Hyx::HyxErrorCode onPause() override { return fire(pause, "cannot hold"); }
    Hyx::HyxErrorCode onStop() override
    {
        if (stopWaits.exchange(false)) {
            // Nothing delivers the result: only a stop asked of the graph ends the wait. The
            // ten seconds are the test's, so that a wait nothing ends fails instead of hanging.
            waiting.Open();
            const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            bool asked = false;
            while (!(asked = IsGraphStopRequested()) && std::chrono::steady_clock::now() < limit)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            waitSawStop = asked;
        }
        return fire(stop, _stopText.c_str());
    }

private:
    Hyx::HyxErrorCode fire(Arm& arm, const char* what)
    {
        if (arm.call)
            arm.call();
        if (arm.how == How::Works || arm.times.fetch_sub(1) <= 0)
            return Hyx::HyxErrorCode::Success;
        if (arm.how == How::Throws)
            throw std::runtime_error(what);
        return ReportError(Hyx::HyxErrorCode::FilterError, what);
    }
    const std::string _className;
    const VornCommon::Guid _purpose;
    const std::string _stopText;
};

// The frame numbers a callback target hands over, from any thread.
class FrameList : public Hyx::IAtomsListener {
public:
    void OnAtomsReceived(std::vector<std::shared_ptr<Hyx::Atom>>& atoms) override
    {
        std::lock_guard<std::mutex> lock(_mutex);
        _frames.push_back(atoms.front()->GetFrameNr());
    }
    std::vector<uint32_t> Take()
    {
        std::lock_guard<std::mutex> lock(_mutex);
        return std::exchange(_frames, {});
    }
    size_t Count()
    {
        std::lock_guard<std::mutex> lock(_mutex);
        return _frames.size();
    }

private:
    std::mutex _mutex;
    std::vector<uint32_t> _frames;
};

// The states a graph-event listener hears, from any thread; one that throws on Stopped when
// told to.
class StateList : public Hyx::Graph::Events {
public:
    using State = Hyx::Graph::GraphState;
    void onGraphStateChanged(State state) override
    {
        {
            std::lock_guard<std::mutex> lock(_mutex);
            _states.push_back(state);
        }
        if ((state == State::Stopped && throwOnStopped.exchange(false)) ||
            (state == State::Paused && throwOnPaused.exchange(false)))
            throw std::runtime_error("listener says no");
    }
    std::vector<State> Take()
    {
        std::lock_guard<std::mutex> lock(_mutex);
        return std::exchange(_states, {});
    }
    std::vector<State> Peek()
    {
        std::lock_guard<std::mutex> lock(_mutex);
        return _states;
    }
    bool Heard(State state)
    {
        std::lock_guard<std::mutex> lock(_mutex);
        return std::find(_states.begin(), _states.end(), state) != _states.end();
    }
    std::atomic<bool> throwOnStopped{false};
    std::atomic<bool> throwOnPaused{false};

private:
    std::mutex _mutex;
    std::vector<State> _states;
};

// Notes the states like StateList, and the first time it hears `when` calls `act` on the
// thread that tells it (the worker for Error) and notes its answer and the graph's text right
// after.
class ActOn : public StateList {
public:
    void onGraphStateChanged(State state) override
    {
        StateList::onGraphStateChanged(state);
        if (state == when && act && !answer) {
            answer = act();
            text = graph->GetLastError(false).StdString();
        }
    }
    State when = State::Error;
    Hyx::Graph* graph = nullptr;
    std::function<Hyx::ActionResult()> act;
    // Written as the listener hears `when`: read on that thread, or once the call that told it
    // has returned, or once the listener has heard what follows.
    std::optional<Hyx::ActionResult> answer;
    std::string text;
};

// Adds offline source of `frames` frames -> the transforms -> callback target (into `list`) to
// the graph; true when all joined. The source is the factory's unless one of the host's own is
// given.
template <class G>
bool addFlushChain(const std::shared_ptr<G>& graph, unsigned frames,
                   const std::vector<std::shared_ptr<TransformFlush>>& transforms, FrameList& list,
                   std::shared_ptr<Hyx::SourceManualOfflineSource> source = {})
{
    if (!source)
        source = std::dynamic_pointer_cast<Hyx::SourceManualOfflineSource>(
            Hyx::FilterFactory::CreateFilter(Hyx::SourceManualOfflineSource::TheTypeGuid(), {},
                                             Hyx::SharedGraphPtr(graph))
                .ToStdSharedPtr());
    bool ok = source && source->ClearCacheAndReinitializeProperties(makeFrame(0), 1, 30.0f, true);
    for (unsigned i = 0; ok && i < frames; ++i)
        ok = source->PushFrame({makeFrame(i)});
    ok = ok && graph->AddAndConnect(source) == Hyx::ActionResult::Success;
    for (const auto& transform : transforms)
        ok = ok && graph->AddAndConnect(transform) == Hyx::ActionResult::Success;
    ok = ok && AddFilter(graph, Hyx::TargetCallback::TheTypeGuid());
    const auto target = std::dynamic_pointer_cast<Hyx::TargetCallback>(graph->GetLastFilter());
    if (target)
        target->SetAtomsListener(&list);
    return ok && target;
}

// A new graph of either kind (an AsyncGraph when `async`) of `source` and a callback target
// that hands its frames to `listener`; empty, after a failed check, when either is refused.
// Without a source, an empty source at 30 frames a second.
std::shared_ptr<Hyx::Graph> sourceToCallback(bool async, const std::shared_ptr<Hyx::Filter>& source,
                                             Hyx::IAtomsListener& listener);

// A new graph of addFlushChain's chain.
template <class G>
std::shared_ptr<G> flushGraph(unsigned frames, const std::vector<std::shared_ptr<TransformFlush>>& transforms,
                              FrameList& list, std::shared_ptr<Hyx::SourceManualOfflineSource> source = {})
{
    auto graph = std::make_shared<G>();
    check(addFlushChain(graph, frames, transforms, list, std::move(source)),
          "a graph of an offline source, the transforms and a callback target is built");
    return graph;
}

// A stream of the host's: `frames` frames (at 30 a second), each an atom of its stream
// information alone, numbered as asked; its onPlay or onStop throws or refuses once when armed.
class HostStream : public Hyx::Stream {
public:
    HostStream(unsigned short id, uint32_t frames) : Stream(id)
    {
        _info->InitializeHeader(Hyx::HYXPurposeGuids::VORN4D);
        _info->setValues(30.0f, frames, VornCommon::Versorf(), 0, "host");
        _profile->Add(Hyx::HYXPurposeGuids::VORN4D, Hyx::DataTypeStreamInfo::TheTypeGuid());
    }
    ~HostStream() override
    {
        throwOnPlay = false;
        throwOnStop = refuseStop = false;
        Stop(); // a stream is stopped before it goes
    }
    std::shared_ptr<Hyx::DataTypeStreamInfo> GetStreamInfo() override { return _info; }
    std::shared_ptr<Hyx::Profile> GetOutputProfile() override { return _profile; }

    std::atomic<bool> throwOnPlay{false}, throwOnStop{false}, refuseStop{false};

protected:
    Hyx::HyxErrorCode onPlay(bool) override
    {
        if (throwOnPlay.exchange(false))
            throw std::runtime_error("stream hook failed");
        return Hyx::HyxErrorCode::Success;
    }
    Hyx::HyxErrorCode onStop() override
    {
        if (throwOnStop.exchange(false))
            throw std::runtime_error("stream hook failed");
        return refuseStop.exchange(false) ? Hyx::HyxErrorCode::FilterError : Hyx::HyxErrorCode::Success;
    }
    Hyx::HyxErrorCode onUpdate(unsigned frame, std::shared_ptr<Hyx::Atom>& atom) override
    {
        atom = std::make_shared<Hyx::Atom>(unsigned(GetStreamId()), frame, uint64_t(frame) * 333333u);
        atom->AddDataLayer(_info);
        return Hyx::HyxErrorCode::Success;
    }

private:
    const std::shared_ptr<Hyx::DataTypeStreamInfo> _info = std::make_shared<Hyx::DataTypeStreamInfo>();
    const std::shared_ptr<Hyx::Profile> _profile = std::make_shared<Hyx::Profile>();
};

// A source of the host's over its streams, one atom of each for every frame.
class HostSource : public Hyx::MultiStreamSource {
public:
    explicit HostSource(std::vector<std::shared_ptr<HostStream>> streams) : _mine(std::move(streams)) {}
    VornCommon::Guid TypeGuid() const override { return Hyx::GuidLiteral("5C0A7E51-0000-4000-8000-0000000000FA"); }
    Hyx::FilterClassInfo GetFilterClassInfo() const override
    {
        return Hyx::FilterClassInfo("SourceHost", Hyx::FilterCategory::Source);
    }
    std::shared_ptr<Hyx::Profile> GetDefaultOutputProfile() override { return _mine.front()->GetOutputProfile(); }

protected:
    Hyx::HyxErrorCode onInitialize(Hyx::Filter*) override
    {
        _streams.assign(_mine.begin(), _mine.end());
        return Hyx::HyxErrorCode::Success;
    }

private:
    const std::vector<std::shared_ptr<HostStream>> _mine;
};

bool waitFor(const std::function<bool()>& done);
bool playLooping(Hyx::Graph& graph, FrameList& list);
bool framesFlow(Hyx::Graph& graph, FrameList& list);
std::string thrownBy(const std::function<Hyx::ActionResult()>& call, Hyx::ActionResult* result = nullptr);
int64_t firstOf(const std::vector<uint32_t>& frames);
std::optional<Hyx::Graph::GraphState> lastOf(const std::vector<Hyx::Graph::GraphState>& states);
bool allStopped(const Hyx::Graph& graph);

// The checks Main.cpp runs, and those runFailedStops runs from other files, by file.

// Failures.cpp
void runErrorTexts(const std::shared_ptr<VornCommon::Logger>& logger);
void runReaderLines(const std::shared_ptr<VornCommon::Logger>& logger);
template <class G>
void runThrowingListener();
void runPassPausedOrStoppedThenFailed();
void runDamagedTake();
void runLastErrorAfterSuccess();

// Consumer.cpp
void runThrowingLogger(const std::shared_ptr<VornCommon::Logger>& logger);

// FilterClasses.cpp
void runRanges(const std::shared_ptr<VornCommon::Logger>& logger);
void runNumPoints();

// FilterFactory.cpp
void runBuiltGraph();
void runFilterMoves(const std::shared_ptr<VornCommon::Logger>& logger);
void runNumberTexts();
void runTargetLast();

// PlayingAndRates.cpp
void runPacing();
void runPlayWithoutOrder();
void runBlockMutateWait();
void runBlockFpsRates(const std::shared_ptr<VornCommon::Logger>& logger);
void runModesOutsidePlaybackMode();
void runLeavingRealtime();

// ThreadsAndWalks.cpp
void runFailedRunMeets();
void runHostThreads();
template <class G>
void runCallsInsideWalks();
template <class G>
void runBuildingCallsRefused();
template <class G>
void runFoldedStopInFailedStop();
template <class G>
void runPausedPassQueues();
void runRebuildWhenStopped();
void runHandedStop();
void runListReadersBesideRebuilds(const std::shared_ptr<VornCommon::Logger>& logger);
template <class G>
void runBuildingFromAnAddsHooks();
void runDisconnectFromTheWorker();

// PlayPauseStopFailures.cpp
void runFailedStops(const std::shared_ptr<VornCommon::Logger>& logger);
void runWorkerEndListenerThrows(const std::shared_ptr<VornCommon::Logger>& logger);

// Callbacks.cpp
void runCallbacks();
void runThrows(const std::shared_ptr<VornCommon::Logger>& logger);
void runStreamSelection();
void runKeptLastFrames();

// GraphFiles.cpp
void runLenientGraphFile(const std::shared_ptr<VornCommon::Logger>& logger);
void runGraphFile();
int playWithoutTheListener(const char* path);
void runListenerAddress(const std::shared_ptr<VornCommon::Logger>& logger, const char* program, const char* folder);
void runMisspeltGraphFile(const std::shared_ptr<VornCommon::Logger>& logger);
void runQuendraFirstGraph(const std::shared_ptr<VornCommon::Logger>& logger);

// Takes.cpp
void runTake(const std::string& folder);
void runFramePositions();
void runFrameRanges(const std::shared_ptr<VornCommon::Logger>& logger);
void runEmptySourceFrameNumbersWrap();

// Sources.cpp
void runManualSourceFrames();
void runLivePushesKept();

// TakeFiles.cpp
void runTakeFiles(const std::shared_ptr<VornCommon::Logger>& logger);
void runImages(const std::shared_ptr<VornCommon::Logger>& logger);

// FileInjection.cpp
void runInjection(const std::shared_ptr<VornCommon::Logger>& logger);

// Compression.cpp
void runCompressionChoice();
void runShortCompressedLayer(const std::shared_ptr<VornCommon::Logger>& logger);
void runCompressorOrder();
void runCompressionCodes();
void runTranscoding(const std::shared_ptr<VornCommon::Logger>& logger);
void runStandIns(const std::shared_ptr<VornCommon::Logger>& logger);
void runDecompressExceptions();

// LayerKeepers.cpp
void runLayerSwitches(const std::shared_ptr<VornCommon::Logger>& logger);
void runKeeperOffersOneLayer();
void runKeeperNames();

// Textures.cpp
void runTextures();

// Cameras.cpp
void runCameras();

// Plugins.cpp
void runTransformProfiles();
void runPlugin(const std::shared_ptr<VornCommon::Logger>& logger, const std::string& folder);
void runMultiStreamSource();

// ChangingLayers.cpp
void runLayerCopies();
void runStopRequests();

} // namespace
