#include <Hyx/AsyncGraph.h>

#include "graph/runtime/FramePeriod.h"

#include <Hyx/DataTypeStreamInfo.h>
#include <Hyx/Filter.h>
#include <Hyx/FilterFactory.h>
#include <Hyx/LoggerInstance.h>
#include <Hyx/Source.h>

#include <VornCommon/Concurrency.h>
#include <VornCommon/Profiler.h>

#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <system_error>

namespace Hyx {

namespace {

using Clock = std::chrono::steady_clock;

// The graph whose worker runs on this thread, so that calls made from inside the worker's
// turn (listeners, filters) never wait for the worker.
thread_local const AsyncGraph* t_workerGraph = nullptr;

constexpr std::chrono::milliseconds kSuspendedSleep{30};

const std::string kPlayFromWorker = "it cannot be started from its own worker thread";

// Inside a handler: what the exception in flight says, after who threw it.
std::string thrownText(const std::string& thrower)
{
    const std::string who = thrower.empty() ? std::string("a graph listener") : "Filter '" + thrower + "'";
    try {
        throw;
    } catch (const std::exception& e) {
        return who + " threw: " + e.what();
    } catch (...) {
        return who + " threw an exception of unknown type";
    }
}

// The host's logger runs on the worker too; the worker outlives a logger that throws.
void logOnWorker(VornCommon::LogLevel level, const std::string& line) noexcept
{
    try {
        LogMessage(level, "%s", line.c_str());
    } catch (...) {
    }
}

} // namespace

// What the worker shares with the graph. The worker holds its own reference, so it may
// outlive a graph destroyed on the worker thread.
struct AsyncGraph::WorkerState {
    // Asked by the host (Stop, Pause, destructor); written under `mutex` so a sleeping worker
    // cannot miss it.
    std::atomic<bool> stop{false};
    // Asked by the worker's own thread (Stop or Pause from a listener): end after this turn.
    std::atomic<bool> selfEnd{false};
    // The worker has left its loop to stop the graph itself.
    std::atomic<bool> left{false};
    std::atomic<bool> suspended{false};
    // SetGraphFps calls under way: the worker sleeps as while suspended. Kept apart from
    // `suspended`, which only the host's Suspend and Resume write.
    std::atomic<int> rateChanges{0};
    std::atomic<uint32_t> periodMs{0};
    // The graph is owned by shared pointers: the worker holds one for each turn. Decided by
    // the host when it starts the worker, while its own reference surely lives.
    std::atomic<bool> owned{false};
    std::mutex mutex;
    std::condition_variable wake;

    bool ending() const { return stop.load() || selfEnd.load(); }
    bool holding() const { return suspended.load() || rateChanges.load() > 0; }

    void requestStop()
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            stop = true;
        }
        wake.notify_all();
    }

    /// Wakes a sleeping worker so that it looks at the flags and the period again.
    void poke()
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
        }
        wake.notify_all();
    }

    /// Sleeps until the next turn is due; its planned start (see PaceFrom).
    Clock::time_point paceFrom(Clock::time_point start)
    {
        std::unique_lock<std::mutex> lock(mutex);
        return PaceFrom(lock, wake, start, periodMs, [this] { return ending(); });
    }

    void sleepWhileSuspended()
    {
        std::unique_lock<std::mutex> lock(mutex);
        wake.wait_for(lock, kSuspendedSleep, [this] { return ending() || !holding(); });
    }
};

AsyncGraph::AsyncGraph() : _state(std::make_shared<WorkerState>())
{
}

AsyncGraph::~AsyncGraph()
{
    if (onWorkerThread()) {
        // The last reference went away during the worker's own turn: it cannot wait for
        // itself. The worker sees the request and ends without touching the graph again.
        _state->requestStop();
        if (_worker.joinable())
            _worker.detach();
        return;
    }
    std::lock_guard<std::recursive_mutex> lock(_controlMutex);
    endWorker();
}

bool AsyncGraph::onWorkerThread() const
{
    return t_workerGraph == this;
}

void AsyncGraph::endWorker()
{
    if (!_worker.joinable())
        return;
    _state->requestStop();
    _worker.join();
}

void AsyncGraph::joinEndedWorker()
{
    // The state is read before the flag: a worker that stopped the graph set the flag first.
    if (_worker.joinable() && (!IsPlaying() || _state->left.load()))
        endWorker();
}

bool AsyncGraph::startWorker()
{
    _state->stop = false;
    _state->selfEnd = false;
    _state->left = false;
    _state->owned = !weak_from_this().expired();
    try {
        _worker = std::thread(&AsyncGraph::workerMain, _state, weak_from_this(), this);
    } catch (const std::system_error& e) {
        _state->stop = true;
        LogMessage(VornCommon::LogLevel::Error, "AsyncGraph: cannot start the worker thread: %s", e.what());
        return false;
    }
    return true;
}

void AsyncGraph::recomputePeriod()
{
    const std::shared_ptr<DataTypeStreamInfo> info = GetSourceStreamInfo();
    _state->periodMs = FramePeriodMs(_requestedFps.load(), info ? info->GetFPS() : 0.0f);
    _state->poke();
}

ActionResult AsyncGraph::Play()
{
    if (onWorkerThread()) {
        if (IsPlaying())
            return ActionResult::Success;
        return fail("Graph failed to start playing", &kPlayFromWorker);
    }
    std::lock_guard<std::recursive_mutex> lock(_controlMutex);
    joinEndedWorker();
    if (IsPlaying())
        return ActionResult::Success;
    // No worker runs now: only a pass the host drives itself can be under way.
    if (refusesPlayInsidePass())
        return ActionResult::Failure;
    const std::shared_ptr<FrameOrderProvider> provider = GetFrameOrderProvider();
    if (!provider) {
        SetError(VornCommon::String(GetHyxErrorMessage(HyxErrorCode::MissingFrameOrderProvider)));
        return ActionResult::Failure;
    }
    if (!IsPaused())
        provider->Reset();
    recomputePeriod();
    const ActionResult result = Graph::Play();
    // A listener of the play event may have stopped the graph again.
    if (result != ActionResult::Success || !IsPlaying())
        return result;
    if (!startWorker()) {
        Graph::Stop();
        const std::string detail = "cannot start the worker thread";
        return fail("Graph failed to start playing", &detail);
    }
    return ActionResult::Success;
}

void AsyncGraph::settleState()
{
    // Only a worker that left its loop to stop the graph itself is waited for: a Play(mode)
    // of a graph that plays on answers at once, also while another host thread holds the
    // control lock.
    if (onWorkerThread() || !_state->left.load())
        return;
    std::lock_guard<std::recursive_mutex> lock(_controlMutex);
    joinEndedWorker();
}

bool AsyncGraph::refusesPlayNow()
{
    if (onWorkerThread()) {
        fail("Graph failed to start playing", &kPlayFromWorker);
        return true;
    }
    std::lock_guard<std::recursive_mutex> lock(_controlMutex);
    joinEndedWorker();
    return refusesPlayInsidePass();
}

ActionResult AsyncGraph::Pause()
{
    return endWorkerThen([this] { return Graph::Pause(); });
}

ActionResult AsyncGraph::Stop()
{
    return endWorkerThen([this] { return Graph::Stop(); });
}

ActionResult AsyncGraph::endWorkerThen(const std::function<ActionResult()>& baseOperation)
{
    if (onWorkerThread()) {
        // The worker cannot wait for itself: it ends after this turn.
        const bool playing = IsPlaying();
        if (playing)
            _state->selfEnd = true;
        const ActionResult result = baseOperation();
        if (playing && result != ActionResult::Success && IsPlaying())
            _state->selfEnd = false;
        return result;
    }
    std::lock_guard<std::recursive_mutex> lock(_controlMutex);
    endWorker();
    const ActionResult result = baseOperation();
    // Refused by a filter: the graph still plays, so it needs its worker back.
    if (result != ActionResult::Success && IsPlaying())
        startWorker();
    return result;
}

void AsyncGraph::Suspend()
{
    _state->suspended = true;
}

void AsyncGraph::Resume()
{
    _state->suspended = false;
    _state->poke();
}

bool AsyncGraph::IsSuspended() const
{
    return _state->suspended.load();
}

bool AsyncGraph::IsStopRequested() const
{
    return _state->ending() || releasedDuringTurn();
}

bool AsyncGraph::releasedDuringTurn() const
{
    // On the worker thread of an owned graph the worker holds one reference for the turn and
    // the asking filter one (GetGraph): the host has let go when no other is left. The turn
    // then ends and the worker's reference, the last, destroys the graph.
    return _state->owned.load() && onWorkerThread() && weak_from_this().use_count() <= 2;
}

ActionResult AsyncGraph::SetGraphFps(float fps)
{
    // The worker sleeps instead of updating while the rate changes. The host's suspension
    // flag is left alone, so a Suspend or Resume from another thread meanwhile stands.
    const bool playing = IsPlaying();
    if (playing)
        ++_state->rateChanges;
    _requestedFps = fps;
    recomputePeriod();
    if (playing) {
        --_state->rateChanges;
        _state->poke();
    }
    return ActionResult::Success;
}

ActionResult AsyncGraph::GetGraphFps(float& fps) const
{
    fps = _requestedFps.load();
    return ActionResult::Success;
}

uint32_t AsyncGraph::GetFramePeriodMs() const
{
    return _state->periodMs.load();
}

ActionResult AsyncGraph::SetPlaybackMode(PlaybackMode mode, float fps)
{
    std::unique_lock<std::recursive_mutex> lock(_controlMutex, std::defer_lock);
    if (!onWorkerThread()) {
        lock.lock();
        joinEndedWorker();
    }
    const std::shared_ptr<Source> source = getSource();
    if (const std::shared_ptr<DataTypeStreamInfo> info = source ? source->GetStreamInfo() : nullptr) {
        const uint32_t frames = info->GetNumFrames();
        if (frames == 0) {
            // A walk over no frames at all has no first frame to stand on.
            const std::string detail = "source reports no frames";
            return fail("Graph failed to set a playback mode", &detail);
        }
        auto order = std::make_shared<FrameOrderAuto>(0u, frames);
        order->SetPlaybackMode(mode, true);
        if (SetFrameOrderProvider(order) != ActionResult::Success)
            return ActionResult::Failure;
    }
    return SetGraphFps(fps);
}

void AsyncGraph::failOnThrow(const char* prefix, bool setText, bool byListener) const noexcept
{
    try {
        const std::string thrower = takeThrownBy();
        const std::string detail = thrownText(byListener ? std::string() : thrower);
        std::string text = prefix;
        text += "(" + detail + ")";
        if (setText)
            SetError(VornCommon::String(text));
        logOnWorker(VornCommon::LogLevel::Error, "AsyncGraph: " + text);
    } catch (...) {
        // Out of memory while reporting: the run still ends.
    }
}

std::shared_ptr<Filter> AsyncGraph::CreateFilter(const VornCommon::Guid& type, std::shared_ptr<AsyncGraph> graph)
{
    SharedFilterPtr upstream(graph ? graph->GetLastFilter() : std::shared_ptr<Filter>());
    SharedGraphPtr owner(std::static_pointer_cast<Graph>(std::move(graph)));
    return FilterFactory::CreateFilter(type, upstream, owner).ToStdSharedPtr();
}

void AsyncGraph::workerMain(std::shared_ptr<WorkerState> state, std::weak_ptr<Graph> owner, AsyncGraph* graph)
{
    t_workerGraph = graph;
    VornCommon::concurrency::Thread::setCurrentThreadName("AsyncGraph");
    if (!VornCommon::concurrency::Thread::raiseCurrentThreadPriority())
        logOnWorker(VornCommon::LogLevel::Info, "AsyncGraph: the worker thread runs at normal priority");
    if (const auto manager = VornCommon::Profiler::getManager())
        manager->addThisCpuThread("AsyncGraph");

    // A graph that is not owned by a shared pointer is used as it is; one that is owned is
    // held for each turn, so that a listener may drop the last reference meanwhile. Once
    // the last reference is gone the destructor has begun: no turn starts any more.
    const bool owned = state->owned.load();
    std::optional<Clock::time_point> planned; // start of the next turn, once pacing runs
    for (;;) {
        if (state->holding()) {
            state->sleepWhileSuspended();
            planned.reset();
        } else {
            std::shared_ptr<Graph> hold =
                owned ? owner.lock() : std::shared_ptr<Graph>(std::shared_ptr<Graph>(), graph);
            if (!hold)
                break; // being destroyed; the destructor ends the worker
            const Clock::time_point start = planned.value_or(Clock::now());
            bool leave = false;
            bool failed = false;
            // No caller takes an exception here: it fails the run like a failing filter.
            try {
                if (hold->Update() != ActionResult::Success)
                    failed = true;
                else
                    leave = hold->IsDone();
            } catch (...) {
                graph->failOnThrow("Graph update failed", true, false);
                failed = true;
            }
            if (failed) {
                try {
                    hold->_graphEvents.Emit(&Graph::Events::onGraphStateChanged, GraphState::Error);
                } catch (...) {
                    graph->failOnThrow("Graph update failed", false, true);
                }
                leave = true;
            }
            if (leave && !state->ending()) {
                state->left = true;
                try {
                    hold->Graph::Stop();
                } catch (...) {
                    // The first cause of a failed run stays the graph's text.
                    graph->failOnThrow("Graph failed to stop", !failed, false);
                }
                break; // `hold` goes last: the graph may be destroyed here, on this thread
            }
            if (leave)
                break;
            hold.reset(); // may destroy the graph; only `state` is used from here on
            planned = state->paceFrom(start);
        }
        if (const auto manager = VornCommon::Profiler::getManager()) {
            if (const auto record = manager->getCpuThread())
                record->flip();
        }
        if (state->ending())
            break;
    }
    if (const auto manager = VornCommon::Profiler::getManager())
        manager->removeThisCpuThread();
    t_workerGraph = nullptr;
}

} // namespace Hyx
