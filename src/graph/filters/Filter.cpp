#include "core/AtomRecord.h"
#include "core/LogLevelEnabled.h"
#include "graph/filters/InputSide.h"
#include "graph/runtime/ChainTopology.h"

#include <Hyx/Filter.h>

#include <Hyx/Atom.h>
#include <Hyx/Connection.h>
#include <Hyx/Graph.h>
#include <Hyx/GuidAlias.h>

#include <VornCommon/HostSettings.h>

#include <string>

namespace Hyx {

using VornCommon::LogLevel;
using State = Filter::FilterState;

namespace {

constexpr HyxErrorCode kSuccess = HyxErrorCode::Success;

// Process-wide source of instance ids, from 0 up.
std::atomic<int> g_nextInstanceId{0};

} // namespace

IFilterParameterValueChanged::~IFilterParameterValueChanged() = default;

Filter::Filter(bool isSource) : _isSource(isSource)
{
}

Filter::~Filter()
{
    const State state = _state.load();
    if (state == State::PreInitialized) {
        clearParams();
        clearParamGroups();
        _state.store(State::Created);
    } else if (state != State::Created) {
        LogLine(LogLevel::Error, "Filter not properly deinitialized!");
    }
}

// --- Hooks and defaults ---

void Filter::Instantiate()
{
}

bool Filter::ForceGraphStop() const
{
    return false;
}

int Filter::GetOutputNumStreams() const
{
    return 1;
}

std::vector<int> Filter::GetStreamIds() const
{
    return std::vector<int>();
}

HyxErrorCode Filter::onInitializeParams(Filter*)
{
    return kSuccess;
}

HyxErrorCode Filter::onDeInitialize()
{
    return kSuccess;
}

HyxErrorCode Filter::onPlay()
{
    return kSuccess;
}

HyxErrorCode Filter::onPause()
{
    return kSuccess;
}

HyxErrorCode Filter::onStop()
{
    return kSuccess;
}

// --- Error text ---

VornCommon::String Filter::GetLastError(bool clear) const
{
    std::lock_guard<std::mutex> lock(_errorMutex);
    if (clear)
        _hasError.store(false, std::memory_order_relaxed);
    return ErrorHolder::GetLastError(clear);
}

void Filter::clearError() const
{
    std::lock_guard<std::mutex> lock(_errorMutex);
    _hasError.store(false, std::memory_order_relaxed);
    ErrorHolder::ResetError();
}

void Filter::SetError(const VornCommon::String& text) const
{
    std::lock_guard<std::mutex> lock(_errorMutex);
    _hasError.store(!text.IsEmpty(), std::memory_order_relaxed);
    ErrorHolder::SetError(text);
}

HyxErrorCode Filter::ReportError(HyxErrorCode code, const char* info) const
{
    std::string text = "Filter '";
    text += GetFilterClassInfo().GetNiceClassName().StdString();
    text += "' error: ";
    text += GetHyxErrorMessage(code);
    if (info != nullptr) {
        text += '(';
        text += info;
        text += ')';
    }
    SetError(VornCommon::String(std::move(text)));
    return code;
}

HyxErrorCode Filter::hookFailed(HyxErrorCode code)
{
    const VornCommon::String hookText = GetLastError(true);
    return ReportError(code, hookText.CStr());
}

HyxErrorCode Filter::finishStep(HyxErrorCode hookResult, FilterState next)
{
    if (hookResult != kSuccess)
        return hookFailed(hookResult);
    _state.store(next);
    return kSuccess;
}

void Filter::resetProgress()
{
    std::lock_guard<std::mutex> lock(_progressMutex);
    _progress.store(0.0f, std::memory_order_relaxed);
    _progressInfo.clear();
}

void Filter::forgetProcessedAtoms()
{
    storeLastAtom(nullptr);
    forgetStreamAtoms();
}

void Filter::forgetStreamAtoms()
{
    std::map<int, std::shared_ptr<AtomRecord>> forgotten;
    {
        std::lock_guard<std::mutex> lock(_cacheMutex);
        forgotten.swap(_lastProcessedAtoms);
        _keepsStreamAtoms.store(false, std::memory_order_relaxed);
    }
    // Released outside the lock.
}

// --- Life cycle ---

HyxErrorCode Filter::PreInitialize(Filter* upstream, std::shared_ptr<Graph> graph)
{
    // Made for a graph (by a factory, a graph description, the host): its hooks run as a
    // building step of that graph, which refuses a building call or an Update from them.
    if (graph) {
        IGraphLinks& links = *graph;
        return links.asBuildingStep([&] { return preInitialize(upstream, graph); });
    }
    return preInitialize(upstream, nullptr);
}

HyxErrorCode Filter::preInitialize(Filter* upstream, const std::shared_ptr<Graph>& graph)
{
    _graph.reset();
    _graphPtr = nullptr;
    if (_state.load() != State::Created)
        return ReportError(HyxErrorCode::FilterWrongStateToPreinitialize);
    // Every path to a filter's first use passes here, also for one made with its constructor
    // and pre-initialised by its host or a graph description: its creation is completed
    // before its parameters exist. Never twice: not after the factory, a failed attempt or
    // DePreInitialize.
    instantiateOnce();
    ResetError();
    const HyxErrorCode result = onInitializeParams(upstream);
    // Applied whatever the hook returned, but used up only by a step that keeps its
    // parameters: a failed one clears them, and its values wait for the next attempt.
    applyParameterValues(false);
    if (result != kSuccess) {
        clearParams();
        clearParamGroups();
        return hookFailed(result);
    }
    useUpAppliedParameterValues();
    _graph = graph;
    _graphPtr = graph.get();
    _state.store(State::PreInitialized);
    return kSuccess;
}

HyxErrorCode Filter::DePreInitialize()
{
    const State state = _state.load();
    if (state == State::Created)
        return kSuccess;
    if (state != State::PreInitialized)
        return ReportError(HyxErrorCode::FilterWrongStateToDepreinitialize);
    clearParams();
    clearParamGroups();
    _state.store(State::Created);
    return kSuccess;
}

HyxErrorCode Filter::Initialize(Filter* upstream)
{
    if (_state.load() != State::PreInitialized)
        return ReportError(HyxErrorCode::FilterWrongStateToInitialize);
    ResetError();
    forgetProcessedAtoms();
    const HyxErrorCode result = finishStep(onInitialize(upstream), State::Initialized);
    if (result == kSuccess)
        reportUnusedParameterValues(); // a typo in a graph file would otherwise pass unseen
    return result;
}

HyxErrorCode Filter::DeInitialize()
{
    if (_state.load() != State::Initialized)
        return ReportError(HyxErrorCode::FilterWrongStateToDeinitialize);
    ResetError();
    return finishStep(onDeInitialize(), State::PreInitialized);
}

HyxErrorCode Filter::SetInputConnection(std::weak_ptr<Connection> connection)
{
    const std::shared_ptr<Connection> live = connection.lock();
    const State state = _state.load();
    if (state == State::Connected && !live) {
        // How a connection being dismantled clears the downstream end.
        {
            std::lock_guard<std::mutex> lock(_connectionMutex);
            _inputConnection = connection;
            _inputConnectionPtr = nullptr;
        }
        ChainTopologyChanged();
        return kSuccess;
    }
    if (state != State::Initialized)
        return ReportError(HyxErrorCode::FilterWrongStateToConnectInput);
    if (_isSource) {
        _state.store(State::Connected);
        return kSuccess;
    }
    ResetError();
    const HyxErrorCode result = onInputConnection(connection);
    if (result == kSuccess) {
        {
            std::lock_guard<std::mutex> lock(_connectionMutex);
            _inputConnection = connection;
            _inputConnectionPtr = live.get();
        }
        ChainTopologyChanged();
    }
    return finishStep(result, State::Connected);
}

HyxErrorCode Filter::SetOutputConnection(std::weak_ptr<Connection> connection)
{
    if (_state.load() != State::Connected)
        return ReportError(HyxErrorCode::FilterWrongStateToConnectOutput);
    std::lock_guard<std::mutex> lock(_connectionMutex);
    _outputConnection = connection;
    _outputConnectionPtr = connection.lock().get();
    return kSuccess;
}

HyxErrorCode Filter::Disconnect()
{
    const HyxErrorCode result = disconnectOutput();
    if (result != kSuccess)
        return ReportError(result);
    return disconnectInput();
}

HyxErrorCode Filter::disconnectOutput()
{
    // The connection is locked once, so it cannot vanish between the test and its use.
    const std::shared_ptr<Connection> output = getOutputConnection();
    const std::shared_ptr<Filter> downstream = output ? output->GetOutputFilter() : std::shared_ptr<Filter>();
    if (!downstream || !downstream->IsInputConnected())
        return kSuccess;
    return output->Disconnect() ? kSuccess : HyxErrorCode::FilterError;
}

HyxErrorCode Filter::disconnectInput()
{
    if (_state.load() != State::Connected)
        return ReportError(HyxErrorCode::FilterWrongStateToDisconnectInput);
    if (!_isSource && IsInputConnected()) {
        const std::shared_ptr<Connection> input = getInputConnection();
        if (input && !input->Disconnect())
            return ReportError(HyxErrorCode::FilterError);
    }
    _state.store(State::Initialized);
    return kSuccess;
}

HyxErrorCode Filter::Play()
{
    const State state = _state.load();
    if (state != State::Connected && state != State::Paused)
        return ReportError(HyxErrorCode::FilterWrongStateToPlay);
    // A filter plays only inside a graph; without one there is nothing to report progress to.
    if (!_graph.lock())
        return ReportError(HyxErrorCode::FilterWrongStateToPlay, "Missing graph reference");
    _numAtomsProcessed.store(0);
    ResetError();
    resetProgress();
    return finishStep(onPlay(), State::Playing);
}

HyxErrorCode Filter::Pause()
{
    if (_state.load() != State::Playing)
        return ReportError(HyxErrorCode::FilterWrongStateToPause);
    ResetError();
    return finishStep(onPause(), State::Paused);
}

HyxErrorCode Filter::Stop()
{
    const State state = _state.load();
    if (state != State::Playing && state != State::Paused)
        return ReportError(HyxErrorCode::FilterWrongStateToStop);
    // No graph needed: a graph being destroyed stops its filters after its own reference
    // has expired.
    ResetError();
    const HyxErrorCode result = onStop();
    if (result == kSuccess) {
        resetProgress();
        forgetProcessedAtoms();
    }
    return finishStep(result, State::Connected);
}

HyxErrorCode Filter::Reset()
{
    State state = _state.load();
    if (state == State::Playing || state == State::Paused) {
        const HyxErrorCode result = Stop();
        if (result != kSuccess)
            return result;
    }
    if (_state.load() == State::Connected) {
        HyxErrorCode result = disconnectOutput();
        if (result != kSuccess)
            return ReportError(result);
        result = disconnectInput();
        if (result != kSuccess)
            return result;
    }
    if (_state.load() == State::Initialized) {
        const HyxErrorCode result = DeInitialize();
        if (result != kSuccess)
            return result;
    }
    return kSuccess;
}

HyxErrorCode Filter::Update()
{
    if (_state.load() != State::Playing)
        return ReportError(HyxErrorCode::FilterWrongStateToUpdate);
    return kSuccess;
}

bool Filter::SetGraph(std::weak_ptr<Graph> graph)
{
    const std::shared_ptr<Graph> current = _graph.lock();
    const std::shared_ptr<Graph> next = graph.lock();
    if (current && next && current != next) {
        LogLine(LogLevel::Error, "Setting a graph to filter which differs from previously set graph");
        return false;
    }
    _graph = graph;
    _graphPtr = next.get();
    return true;
}

// --- Connection queries ---

bool Filter::IsInputConnected() const
{
    return _isSource || static_cast<bool>(getInputConnection());
}

bool Filter::IsOutputConnected() const
{
    const std::shared_ptr<Filter> output = GetOutputFilter();
    return output && output->IsInputConnected();
}

std::shared_ptr<Filter> Filter::GetInputFilter() const
{
    const std::shared_ptr<Connection> input = getInputConnection();
    return input ? input->GetInputFilter() : std::shared_ptr<Filter>();
}

std::shared_ptr<Filter> Filter::GetOutputFilter() const
{
    const std::shared_ptr<Connection> output = getOutputConnection();
    return output ? output->GetOutputFilter() : std::shared_ptr<Filter>();
}

std::shared_ptr<Filter> Filter::GetSourceFilter() const
{
    if (_isSource)
        return std::const_pointer_cast<Filter>(weak_from_this().lock());
    const std::shared_ptr<Filter> input = GetInputFilter();
    return input ? input->GetSourceFilter() : std::shared_ptr<Filter>();
}

// --- Counters and processed atoms ---

int Filter::GetInstanceId() const
{
    int id = _instanceId.load();
    if (id >= 0)
        return id;
    const int candidate = g_nextInstanceId.fetch_add(1);
    // Two first callers race: the first store wins and the other's number is never used.
    if (_instanceId.compare_exchange_strong(id, candidate))
        return candidate;
    return id;
}

unsigned Filter::GetNumFramesProcessed() const
{
    const int streams = GetOutputNumStreams();
    if (streams < 1)
        return 0;
    return _numAtomsProcessed.load() / static_cast<unsigned>(streams);
}

std::shared_ptr<Atom> Filter::GetLastProcessedFrame() const
{
    std::shared_ptr<AtomRecord> record;
    {
        std::lock_guard<VornCommon::concurrency::SpinLock> lock(_lastAtomLock);
        record = _lastProcessedAtom;
    }
    if (!record)
        return nullptr;
    // Outside the pointer lock: a record still standing for its atom is filled here.
    record->Settle();
    // The host's own handle: the filter reuses a record only once no handle on it lives.
    return AtomRecord::Lend(std::move(record));
}

std::map<int, std::shared_ptr<Atom>> Filter::GetLastProcessedFrames() const
{
    // Empty from the switch on, though the entries go only with the filter's next frame.
    if (!VornCommon::HostSettings::GetInstance()->GetEnableStreamSelection())
        return {};
    std::map<int, std::shared_ptr<AtomRecord>> records;
    {
        std::lock_guard<std::mutex> lock(_cacheMutex);
        records = _lastProcessedAtoms;
    }
    std::map<int, std::shared_ptr<Atom>> frames;
    for (auto& [stream, record] : records) {
        record->Settle();
        frames.emplace_hint(frames.end(), stream, AtomRecord::Lend(std::move(record)));
    }
    return frames;
}

std::shared_ptr<AtomRecord> Filter::storeLastAtom(std::shared_ptr<AtomRecord> record)
{
    {
        std::lock_guard<VornCommon::concurrency::SpinLock> lock(_lastAtomLock);
        _lastProcessedAtom.swap(record);
        _lastRecordObject.store(_lastProcessedAtom.get(), std::memory_order_relaxed);
    }
    // `record` now holds the one before.
    return record;
}

HyxErrorCode Filter::pushToOutputQueue(std::shared_ptr<Atom> atom)
{
    if (!atom)
        return ReportError(HyxErrorCode::FilterFailedToPushAtom);
    Connection* const output = outputConnectionForUpdate();
    // The settings object lives as long as the process: asked for once.
    static const VornCommon::HostSettings* const settings = VornCommon::HostSettings::GetInstance();
    const bool perStream = settings->GetEnableStreamSelection();
    // Switched off since the last frame: the entries of each stream go with this one.
    if (!perStream && _keepsStreamAtoms.load(std::memory_order_relaxed))
        forgetStreamAtoms();
    // An atom handed on again unchanged (a held frame) still has the record made when it last
    // left: when that is this filter's, nothing needs recording (no lock, no count changes).
    // Only this thread stores records; a concurrent forget is as if it came after.
    const AtomRecord* const current = AtomRecord::Current(*atom);
    if (!perStream && current != nullptr && current == _lastRecordObject.load(std::memory_order_relaxed)) {
        if (output != nullptr && !output->PushToQueue(std::move(atom)))
            return ReportError(HyxErrorCode::FilterFailedToPushAtom);
        _numAtomsProcessed.store(_numAtomsProcessed.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
        return kSuccess;
    }
    // Whoever pulls the atom may change it, also on another thread: its record is taken before
    // it leaves. The record stands for the atom until the atom changes, which copies the atom
    // into it first, so nothing is copied while no filter changes the atom.
    std::shared_ptr<AtomRecord> record = AtomRecord::Take(*atom, _spareRecord);
    // The queue refuses a push at once when it has no free slot. A refused atom keeps its
    // record, which stands for it as it is.
    if (output != nullptr && !output->PushToQueue(std::move(atom)))
        return ReportError(HyxErrorCode::FilterFailedToPushAtom);
    // Without an output the atom ends here when nothing else holds it; its blocks move into
    // the record before the record is published.
    atom.reset();
    AtomRecord::Recycle(perStream ? cacheAtom(std::move(record)) : storeLastAtom(std::move(record)), _spareRecord);
    // Only the updating thread counts here: a plain store, no locked add.
    _numAtomsProcessed.store(_numAtomsProcessed.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    return kSuccess;
}

HyxErrorCode Filter::pushFromUpdate(std::shared_ptr<Atom> atom)
{
    // Stopped meanwhile (a stop asked from inside this very update): the atom in hand belongs
    // to the run that ended and must not meet the next one in the queue.
    if (!IsRunning(*this))
        return kSuccess;
    return pushToOutputQueue(std::move(atom));
}

void Filter::addToCachedAtoms(std::shared_ptr<Atom> atom)
{
    if (!atom)
        return;
    // The caller may hand the atom on afterwards and change it: the record stands for it as
    // it is now.
    AtomRecord::Recycle(cacheAtom(AtomRecord::Take(*atom, _spareRecord)), _spareRecord);
}

std::shared_ptr<AtomRecord> Filter::cacheAtom(std::shared_ptr<AtomRecord> record)
{
    // The record carries the atom's identity from when it was taken.
    const int stream = static_cast<int>(record->GetStreamId());
    std::shared_ptr<AtomRecord> replaced;
    {
        std::lock_guard<std::mutex> lock(_cacheMutex);
        std::shared_ptr<AtomRecord>& entry = _lastProcessedAtoms[stream];
        replaced = std::move(entry);
        entry = record;
        _keepsStreamAtoms.store(true, std::memory_order_relaxed);
    }
    replaced.reset(); // the map's hold on it, if the record before was this one
    return storeLastAtom(std::move(record));
}

// --- Progress ---

float Filter::GetProgressWeight() const
{
    std::lock_guard<std::mutex> lock(_progressMutex);
    return _progressWeight;
}

float Filter::GetProgress() const
{
    return _progress.load(std::memory_order_relaxed);
}

std::string Filter::GetProgressInfo() const
{
    std::lock_guard<std::mutex> lock(_progressMutex);
    return _progressInfo;
}

void Filter::SetProgress(float progress)
{
    _progress.store(progress, std::memory_order_relaxed);
    recomputeGraphProgress();
}

void Filter::SetProgress(float progress, const char* info)
{
    {
        std::lock_guard<std::mutex> lock(_progressMutex);
        _progress.store(progress, std::memory_order_relaxed);
        _progressInfo = info != nullptr ? info : "";
    }
    recomputeGraphProgress();
}

void Filter::SetProgressInfo(const char* info)
{
    {
        std::lock_guard<std::mutex> lock(_progressMutex);
        _progressInfo = info != nullptr ? info : "";
    }
    recomputeGraphProgress();
}

void Filter::SetProgressWeight(float weight)
{
    std::lock_guard<std::mutex> lock(_progressMutex);
    _progressWeight = weight;
}

bool Filter::IsGraphStopRequested() const
{
    const std::shared_ptr<IGraphLinks> graph = _graph.lock();
    return !graph || graph->waitShouldEnd(1);
}

void Filter::recomputeGraphProgress() const
{
    IGraphLinks* const graph = graphForUpdate();
    if (graph != nullptr && !graph->computesProgressOnRead())
        graph->updateProgress();
}

std::string Filter::GetDataLayerName(const VornCommon::Guid& type)
{
    return Utils::GetGuidAlias(type).StdString();
}

} // namespace Hyx
