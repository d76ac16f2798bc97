// The graph's running side: frame order, play, pause, stop, the update pass and events.

#include "graph/filters/InputSide.h"

#include <Hyx/Connection.h>
#include <Hyx/Filter.h>
#include <Hyx/Graph.h>

#include <VornCommon/Profiler.h>

namespace Hyx {

namespace {

std::string errorOf(const std::shared_ptr<Filter>& filter)
{
    return filter->GetLastError(false).StdString();
}

/// Drops what a stopped run left in the queues: an atom pushed while paused, or one whose
/// downstream filters sat out the pass in which the run was stopped. Nothing updates now, so
/// no pull waits.
void emptyQueues(const std::vector<std::shared_ptr<Connection>>& connections)
{
    for (const std::shared_ptr<Connection>& connection : connections) {
        while (connection->HasPendingData())
            connection->Pull();
    }
}

/// Marks an update pass for its whole length, the recording event included; a pass nested
/// in another (a filter updating its own graph) leaves the mark to the outer one.
class PassScope {
public:
    explicit PassScope(std::atomic<bool>& inPass) : _inPass(inPass), _outer(inPass.exchange(true)) {}
    ~PassScope() { _inPass.store(_outer); }
    PassScope(const PassScope&) = delete;
    PassScope& operator=(const PassScope&) = delete;

private:
    std::atomic<bool>& _inPass;
    const bool _outer;
};

} // namespace

Graph::Events::~Events() = default;

void Graph::Events::onGraphStateChanged(GraphState)
{
}

void Graph::Events::onGraphRecordingStateChanged(bool)
{
}

void Graph::OnFrameOrderReset()
{
    _frameOrderResetEvents.Emit(&IFrameOrderResetListener::OnFrameOrderReset);
}

void Graph::listenToFrameOrderResets(IFrameOrderResetListener* listener, bool listen)
{
    if (listen)
        _frameOrderResetEvents.Add(listener);
    else
        _frameOrderResetEvents.Remove(listener);
}

ActionResult Graph::SetFrameOrderProvider(std::shared_ptr<FrameOrderProvider> provider)
{
    if (!IsStopped()) {
        const std::string detail = "graph must be stopped first";
        return fail("Graph failed to set a frame order provider", &detail);
    }
    std::lock_guard<std::mutex> lock(_providerMutex);
    if (_frameOrderProvider) {
        _frameOrderProvider->SetFrameOrderResetListener(nullptr);
    }
    _frameOrderProvider = std::move(provider);
    _providerForUpdate.store(_frameOrderProvider.get(), std::memory_order_release);
    if (_frameOrderProvider) {
        _frameOrderProvider->SetFrameOrderResetListener(this);
    }
    return ActionResult::Success;
}

std::shared_ptr<FrameOrderProvider> Graph::GetFrameOrderProvider() const
{
    std::lock_guard<std::mutex> lock(_providerMutex);
    return _frameOrderProvider;
}

void Graph::setState(GraphState state)
{
    _state = state;
    _graphEvents.Emit(&Events::onGraphStateChanged, state);
}

bool Graph::refusesPlayInsidePass() const
{
    if (!_inPass.load())
        return false;
    const std::string detail = "it cannot be started inside an update pass";
    fail("Graph failed to start playing", &detail);
    return true;
}

bool Graph::refusesPlayNow()
{
    return refusesPlayInsidePass();
}

void Graph::settleState()
{
}

ActionResult Graph::Play()
{
    if (IsPlaying()) {
        return ActionResult::Success;
    }
    if (refusesPlayInsidePass()) {
        return ActionResult::Failure;
    }
    if (!GetFrameOrderProvider()) {
        return fail("Graph is missing frame order provider");
    }
    const bool resuming = IsPaused();
    // A new run starts from empty queues: no atom of the run that ended reaches it.
    if (!resuming)
        emptyQueues(_connections);
    for (size_t i = 0; i < _filters.size(); ++i) {
        if (_filters[i]->Play() == HyxErrorCode::Success) {
            continue;
        }
        const std::string detail = errorOf(_filters[i]);
        // Put the filters already started back where they were, so the graph is never left
        // half-played and the next Play can succeed.
        for (size_t k = i; k-- > 0;) {
            if (resuming) {
                _filters[k]->Pause();
            } else {
                _filters[k]->Stop();
            }
        }
        return fail("Graph failed to start playing", &detail);
    }
    _running = true;
    setState(GraphState::Playing);
    return ActionResult::Success;
}

ActionResult Graph::Pause()
{
    if (IsPaused()) {
        return ActionResult::Success;
    }
    if (!IsPlaying()) {
        const std::string detail = "it is not playing";
        return fail("Graph failed to pause", &detail);
    }
    for (const std::shared_ptr<Filter>& filter : _filters) {
        if (filter->Pause() != HyxErrorCode::Success) {
            const std::string detail = errorOf(filter);
            return fail("Graph failed to pause", &detail);
        }
    }
    setState(GraphState::Paused);
    return ActionResult::Success;
}

ActionResult Graph::Stop()
{
    return stopGraph();
}

ActionResult Graph::stopGraph()
{
    if (IsStopped()) {
        return ActionResult::Success;
    }
    computeProgress();
    _running = false;
    // Every running filter is stopped, also after a failure, so a second Stop can finish
    // the job instead of failing on the filters already stopped.
    bool failed = false;
    std::string detail;
    const Filter* stopping = nullptr;
    try {
        for (const std::shared_ptr<Filter>& filter : _filters) {
            if (!IsRunning(*filter)) {
                continue;
            }
            stopping = filter.get();
            if (filter->Stop() != HyxErrorCode::Success && !failed) {
                failed = true;
                detail = errorOf(filter);
            }
        }
        stopping = nullptr;
        if (failed) {
            return fail("Graph failed to stop", &detail);
        }
        setState(GraphState::Stopped);
    } catch (...) {
        noteThrow(stopping);
        throw;
    }
    return ActionResult::Success;
}

ActionResult Graph::Update()
{
    static const VornCommon::ProfilerZone zone("HYX::Graph::Update");
    const VornCommon::ProfilerZoneScope scope(zone);

    // A stop or pause asked from inside the pass (by a filter or a listener) ends it quietly:
    // the filters after the asking one no longer play, and that is no failure.
    const bool playing = IsPlaying();
    const PassScope pass(_inPass);
    const std::shared_ptr<Filter>* failed = nullptr;
    // An exception goes on to the caller; the graph only notes which filter it left.
    const Filter* updating = nullptr;
    try {
        for (const std::shared_ptr<Filter>& filter : _filters) {
            updating = filter.get();
            const HyxErrorCode result = filter->Update();
            if (playing && !IsPlaying())
                break;
            if (IsFailure(result)) {
                failed = &filter;
                break;
            }
        }
        updating = nullptr;
        // Read first: the exchange is a locked write, and a stop is rarely pending.
        if (_recordingStop.load(std::memory_order_relaxed) && _recordingStop.exchange(false)) {
            _graphEvents.Emit(&Events::onGraphRecordingStateChanged, false);
        }
    } catch (...) {
        noteThrow(updating);
        throw;
    }
    if (failed != nullptr) {
        const std::string detail = errorOf(*failed);
        return fail("Graph update failed", &detail);
    }
    return ActionResult::Success;
}

bool Graph::IsDone() const
{
    if (IsStopped() || _filters.empty()) {
        return true;
    }
    const Filter* asked = nullptr;
    try {
        for (const std::shared_ptr<Filter>& filter : _filters) {
            asked = filter.get();
            if (filter->ForceGraphStop()) {
                return true;
            }
        }
        for (const std::shared_ptr<Filter>& filter : _filters) {
            asked = filter.get();
            if (!filter->IsDone()) {
                return false;
            }
        }
    } catch (...) {
        noteThrow(asked);
        throw;
    }
    return true;
}

void Graph::noteThrow(const Filter* filter) const noexcept
{
    std::string name;
    try {
        if (filter)
            name = filter->GetFilterClassInfo().GetNiceClassName().StdString();
    } catch (...) {
        name.clear(); // the exception in flight matters, not this one
    }
    std::lock_guard<std::mutex> lock(_errorMutex);
    _thrownBy.swap(name);
}

std::string Graph::takeThrownBy() const
{
    std::string name;
    std::lock_guard<std::mutex> lock(_errorMutex);
    name.swap(_thrownBy);
    return name;
}

} // namespace Hyx
