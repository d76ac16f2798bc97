#include <Hyx/AsyncGraph.h>

#include "graph/runtime/FramePeriod.h"
#include "graph/runtime/Invariant.h"
#include "graph/runtime/PlaybackModes.h"
#include "graph/runtime/ScopeExit.h"
#include "graph/runtime/Thrown.h"

#include <Hyx/DataTypeStreamInfo.h>
#include <Hyx/Filter.h>
#include <Hyx/FilterFactory.h>
#include <Hyx/LoggerInstance.h>
#include <Hyx/Source.h>

#include <VornCommon/Concurrency.h>
#include <VornCommon/Profiler.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <initializer_list>
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
// Lines the worker logs of a run no caller hears of.
constexpr const char* kLogPrefix = "AsyncGraph: ";

// A broken rule is logged, never thrown: it may be checked while an exception leaves.
void checkRule(bool holds, const char* rule) noexcept
{
    try {
        static_cast<void>(HYX_CHECK_INVARIANT(holds, rule));
    } catch (...) {
    }
}

/// The life of an asynchronous graph's worker. The graph reads Playing only while its worker
/// is Running (suspended or not) or StoppingItself.
enum class Phase : uint8_t {
    None, // no worker: none started yet, or the last one stopped the graph itself
    Running, // plays the graph
    EndingAfterTurn, // its own thread (a hook, a listener) paused or stopped the graph
    AskedToEnd, // the host (Stop, Pause, destructor) ends it and settles the graph; or it never started
    StoppingItself // left its loop (done or failed) to stop the graph itself
};

} // namespace

// What the worker shares with the graph. The worker holds its own reference, so it may
// outlive a graph destroyed on the worker thread.
struct AsyncGraph::WorkerState {
    /// Holds the worker off starting an update for the lifetime of the hold.
    class RateHold {
    public:
        RateHold(WorkerState& state, bool active) : _state(active ? &state : nullptr)
        {
            if (_state)
                ++_state->rateHolds;
        }
        ~RateHold()
        {
            if (_state) {
                --_state->rateHolds;
                _state->poke();
            }
        }
        RateHold(const RateHold&) = delete;
        RateHold& operator=(const RateHold&) = delete;

    private:
        WorkerState* const _state;
    };

    std::atomic<Phase> phase{Phase::None};
    // IsStopRequested: a Stop, a Pause or the destructor asked the run to end, or a host call
    // waits for the worker's own stop. Set with the phase, under `mutex`; cleared when a Play
    // begins or a worker plays on.
    std::atomic<bool> stopAsked{false};
    // The host's own Suspend and Resume; nothing else writes it.
    std::atomic<bool> suspended{false};
    // SetGraphFps calls under way (RateHold): the worker sleeps as while suspended.
    std::atomic<int> rateHolds{0};
    std::atomic<uint32_t> periodMs{0};
    std::mutex mutex;
    std::condition_variable wake;

    /// The one place the phase changes, under `mutex` so that a sleeping worker cannot miss
    /// it: to `to` when the phase is one of `from`; false when it is not (another thread
    /// moved it first). A pair outside the life of a worker is a broken rule.
    bool move(std::initializer_list<Phase> from, Phase to)
    {
        for (const Phase f : from)
            checkRule(legal(f, to), "a legal move of the asynchronous graph's worker");
        {
            std::lock_guard<std::mutex> lock(mutex);
            const Phase now = phase.load();
            if (std::find(from.begin(), from.end(), now) == from.end() || !legal(now, to))
                return false;
            if (to == Phase::Running)
                stopAsked.store(false);
            else if (to == Phase::AskedToEnd || to == Phase::EndingAfterTurn)
                stopAsked.store(true);
            phase.store(to);
        }
        wake.notify_all();
        return true;
    }

    static bool legal(Phase from, Phase to)
    {
        switch (to) {
        case Phase::Running:
            // Started by the host where no worker runs; or back to playing after its own
            // thread's pause was refused.
            return from == Phase::None || from == Phase::AskedToEnd || from == Phase::EndingAfterTurn;
        case Phase::EndingAfterTurn: return from == Phase::Running;
        case Phase::StoppingItself:
            // Done: only from playing. Failed: whatever met the failure (the host's Stop or
            // Pause waiting for the worker, a hook's Pause or Stop during the turn), the worker
            // ends the run itself.
            return from == Phase::Running || from == Phase::AskedToEnd || from == Phase::EndingAfterTurn;
        case Phase::AskedToEnd: return from == Phase::Running || from == Phase::EndingAfterTurn;
        case Phase::None: return from == Phase::StoppingItself;
        }
        return false;
    }

    bool running() const { return phase.load() == Phase::Running; }

    /// Asks the run to end: a worker that plays ends after its turn; one that stops the run
    /// itself hears it (a hook that waits inside that stop gives up); with no worker the ask is
    /// only recorded. It stands until a Play begins.
    void askToEnd()
    {
        if (move({Phase::Running, Phase::EndingAfterTurn}, Phase::AskedToEnd))
            return;
        std::lock_guard<std::mutex> lock(mutex);
        stopAsked.store(true);
    }

    /// A host call is about to wait for a worker that stops the run itself: the worker hears it
    /// (its hooks poll the request; nothing sleeps on it).
    void hearWaiter()
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (phase.load() == Phase::StoppingItself)
            stopAsked.store(true);
    }

    /// A Play begins: no stop is asked of the run it starts.
    void playBegins()
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopAsked.store(false);
    }
    bool holding() const { return suspended.load() || rateHolds.load() > 0; }

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
        return PaceFrom(lock, wake, start, periodMs, [this] { return !running(); });
    }

    void sleepWhileSuspended()
    {
        std::unique_lock<std::mutex> lock(mutex);
        wake.wait_for(lock, kSuspendedSleep, [this] { return !running() || !holding(); });
    }
};

AsyncGraph::AsyncGraph() : _state(std::make_shared<WorkerState>())
{
}

AsyncGraph::~AsyncGraph()
{
    if (onWorkerThread()) {
        // The last reference went away during the worker's own turn: it cannot wait for
        // itself. The worker ends after this turn without touching the graph again.
        _state->move({Phase::Running, Phase::EndingAfterTurn}, Phase::AskedToEnd);
        if (_worker.joinable())
            _worker.detach();
    } else {
        std::lock_guard<std::recursive_mutex> lock(_controlMutex);
        endWorker();
    }
    // Stopped here, so that a failure is logged as this graph's.
    stopOnDestruction(kLogPrefix);
}

bool AsyncGraph::onWorkerThread() const
{
    return t_workerGraph == this;
}

std::unique_lock<std::recursive_mutex> AsyncGraph::hostLock()
{
    std::unique_lock<std::recursive_mutex> lock(_controlMutex, std::defer_lock);
    if (!onWorkerThread())
        lock.lock();
    return lock;
}

void AsyncGraph::endWorker()
{
    _state->askToEnd();
    if (_worker.joinable())
        _worker.join();
}

bool AsyncGraph::joinEndedWorker()
{
    if (!_worker.joinable())
        return false;
    // The phase is read before the state: the worker moves it before it changes the state.
    // While a pause of its own thread is under way (or refused) the graph still plays and the
    // worker runs on, unless that pause ends the run (a put-back failed). A graph that no
    // longer plays has a worker that is ending (its own stop, or its own thread's pause or
    // stop), also when the phase still read Running a moment ago.
    const Phase phase = _state->phase.load();
    if ((phase == Phase::Running || phase == Phase::EndingAfterTurn) && IsPlaying() && _runEndingWalks.load() == 0)
        return true;
    // Only a worker that ends is joined, so the join never waits for one that nothing ends: a
    // worker still running under a graph that no longer plays breaks the rule, and is asked
    // to end (which wakes it when suspended). One that stops the run itself hears the wait.
    if (_state->move({Phase::Running}, Phase::AskedToEnd))
        checkRule(false, "an asynchronous graph's worker runs only while the graph plays");
    _state->hearWaiter();
    _worker.join();
    return false;
}

bool AsyncGraph::startWorker()
{
    // Decided here, while the caller's own reference surely lives: an owned graph is held by
    // the worker for each turn.
    const bool owned = !weak_from_this().expired();
    if (!_state->move({Phase::None, Phase::AskedToEnd, Phase::EndingAfterTurn}, Phase::Running))
        return false;
    try {
        _worker = std::thread(&AsyncGraph::workerMain, _state, weak_from_this(), this, owned);
    } catch (const std::exception& e) {
        _state->move({Phase::Running}, Phase::AskedToEnd);
        try {
            LogMessage(VornCommon::LogLevel::Error, "AsyncGraph: cannot start the worker thread: %s", e.what());
        } catch (...) {
        }
        return false;
    }
    return true;
}

bool AsyncGraph::settle() noexcept
{
    bool started = true;
    if (IsPlaying() && !_worker.joinable()) {
        started = startWorker();
        if (!started) {
            // No run without a worker: the filters stop again.
            try {
                stopGraph(FailedStop::Finish);
            } catch (...) {
                logThrow(kLogPrefix, "Graph failed to stop", false, false);
            }
        }
    }
    // The rule, where the host has settled the worker (no other host call meanwhile): with
    // no worker the graph does not read Playing.
    checkRule(_worker.joinable() || !IsPlaying(), "an asynchronous graph reads Playing only while its worker runs");
    return started;
}

uint32_t AsyncGraph::periodFor(float fps) const
{
    const std::shared_ptr<DataTypeStreamInfo> info = GetSourceStreamInfo();
    return FramePeriodMs(fps, info ? info->GetFPS() : 0.0f);
}

void AsyncGraph::setRate(float fps, uint32_t periodMs)
{
    {
        // One pair: a call on the worker (which takes no control lock) and a host's never mix
        // their halves.
        std::lock_guard<std::mutex> lock(_state->mutex);
        _requestedFps = fps;
        _state->periodMs = periodMs;
    }
    _state->wake.notify_all();
}

ActionResult AsyncGraph::Play()
{
    if (onWorkerThread()) {
        if (!IsPlaying())
            return fail("Graph failed to start playing", &kPlayFromWorker);
        return refusesPlayOn() ? ActionResult::Failure : ActionResult::Success;
    }
    std::lock_guard<std::recursive_mutex> lock(_controlMutex);
    // A hook or listener of a walk on this thread (the host's own call) never plays inside it.
    if (refusesPlayWhileWalking())
        return ActionResult::Failure;
    // The state is read with the worker, or after it ended: a worker that stops the graph
    // itself between two looks would leave a Play that read Stopped with no worker.
    if (joinEndedWorker() || IsPlaying())
        return ActionResult::Success;
    // No worker runs now: only a pass the host drives itself can be under way.
    if (refusesPlayInsidePass())
        return ActionResult::Failure;
    const std::shared_ptr<FrameOrderProvider> provider = GetFrameOrderProvider();
    if (!provider) {
        SetError(VornCommon::String(GetHyxErrorMessage(HyxErrorCode::MissingFrameOrderProvider)));
        return ActionResult::Failure;
    }
    _state->playBegins();
    if (!IsPaused())
        provider->Reset();
    // Under the control lock, which SetGraphFps takes too: no rate set meanwhile is lost.
    const float fps = _requestedFps.load();
    setRate(fps, periodFor(fps));
    ActionResult result = ActionResult::Failure;
    bool started = true;
    {
        // However the walk leaves (a listener of Playing may throw), a graph that reads
        // Playing gets its worker, or is stopped again when none can start.
        const ScopeExit settled([&]() noexcept { started = settle(); });
        result = Graph::Play();
    }
    if (!started) {
        const std::string detail = "cannot start the worker thread";
        return fail("Graph failed to start playing", &detail);
    }
    // A listener of the play event may have stopped the graph again.
    return result;
}

ActionResult AsyncGraph::Play(PlaybackMode mode)
{
    // A value that is no mode is refused at once, without waiting for another host call.
    if (const std::string why = WhyNoMode(mode); !why.empty())
        return fail("Graph failed to start playing", &why);
    // One step: the state read, the mode set and the start, with no other host call between.
    const std::unique_lock<std::recursive_mutex> lock = hostLock();
    return Graph::Play(mode);
}

void AsyncGraph::settleState()
{
    // On a host thread, under the control lock its caller holds (taken again, for a caller
    // that reached the base's Play(mode) directly): a worker that ended or is ending is
    // joined, so the state read next is final.
    if (onWorkerThread())
        return;
    const std::unique_lock<std::recursive_mutex> lock = hostLock();
    joinEndedWorker();
}

ActionResult AsyncGraph::setPlaybackMode(PlaybackMode mode, bool reset)
{
    // Reached through the base too: no host's Play starts a run between the state check and
    // the rewind, and no ending pass still reads the order.
    const std::unique_lock<std::recursive_mutex> lock = hostLock();
    settleState();
    return Graph::setPlaybackMode(mode, reset);
}

bool AsyncGraph::refusesPlayOn()
{
    if (!onWorkerThread())
        return Graph::refusesPlayOn();
    // A failed update moves the phase before it tells Error, and a pause or stop of the
    // worker's own turn before it walks: the phase tells a run that is ending.
    if (_state->phase.load() == Phase::Running && !walksHere())
        return false;
    fail("Graph failed to start playing", &kPlayFromWorker);
    return true;
}

bool AsyncGraph::refusesPlayNow()
{
    if (onWorkerThread()) {
        fail("Graph failed to start playing", &kPlayFromWorker);
        return true;
    }
    settleState();
    return Graph::refusesPlayNow();
}

ActionResult AsyncGraph::Pause()
{
    if (walksHere()) {
        // A hook or listener of a walk on this thread: refused, as Graph's is.
        return Graph::Pause();
    }
    if (onWorkerThread())
        return fromOwnTurn([this] { return Graph::Pause(); });
    std::lock_guard<std::recursive_mutex> lock(_controlMutex);
    if (joinEndedWorker())
        endWorker();
    // Refused, or thrown: the filters play on whole, and so does a worker; when none can
    // start again the graph stops, and the text says so.
    const ScopeExit settled([this]() noexcept {
        if (!settle())
            noteStoppedWithoutWorker();
    });
    return Graph::Pause();
}

void AsyncGraph::noteStoppedWithoutWorker() const noexcept
{
    try {
        std::string text = GetLastError(false).StdString();
        const char* const note = "the graph stopped: cannot start the worker thread";
        if (!text.empty() && text.back() == ')') {
            text.insert(text.size() - 1, std::string("; ") + note);
        } else {
            text += '(';
            text += note;
            text += ')';
        }
        SetError(VornCommon::String(text));
    } catch (...) {
        // Out of memory while reporting: the graph is stopped all the same.
    }
}

ActionResult AsyncGraph::Stop()
{
    if (walksHere()) {
        // A hook or listener of a walk on this thread: folded into it, the run ends once after
        // it (Graph's Stop); a waiting hook of the run sees the stop asked.
        _state->askToEnd();
        return Graph::Stop();
    }
    if (onWorkerThread())
        return fromOwnTurn([this] { return stopGraph(FailedStop::Finish); });
    std::lock_guard<std::recursive_mutex> lock(_controlMutex);
    endWorker();
    // A stop that fails still ends the run: the graph reads Stopped, and the filters that
    // could not stop are stopped again by the next Play or Stop.
    const ScopeExit settled([this]() noexcept { settle(); });
    return stopGraph(FailedStop::Finish);
}

template <class Operation>
ActionResult AsyncGraph::fromOwnTurn(Operation operation)
{
    // The worker cannot wait for itself: it ends after this turn. A pause refused (or one
    // that threw) leaves the graph playing, and then the worker plays on.
    if (!_state->move({Phase::Running}, Phase::EndingAfterTurn))
        return operation();
    const ScopeExit playOn([this]() noexcept {
        if (IsPlaying())
            _state->move({Phase::EndingAfterTurn}, Phase::Running);
        else
            checkRule(_state->phase.load() != Phase::Running, "a worker whose turn ended the run ends");
    });
    return operation();
}

ActionResult AsyncGraph::AddAndConnect(std::shared_ptr<Filter> filter)
{
    // The worker's hooks and listeners run inside its pass or its stop: the list is closed.
    if (onWorkerThread())
        return refuseInsideWalk("Graph failed to add a filter");
    const std::unique_lock<std::recursive_mutex> lock = hostLock();
    return Graph::AddAndConnect(std::move(filter));
}

ActionResult AsyncGraph::RemoveAllFilters()
{
    if (onWorkerThread())
        return refuseInsideWalk("Graph failed to remove a filter");
    const std::unique_lock<std::recursive_mutex> lock = hostLock();
    return Graph::RemoveAllFilters();
}

ActionResult AsyncGraph::disconnectFilters(const std::shared_ptr<Filter>& input, const std::shared_ptr<Filter>& output)
{
    // As the other building calls: the worker takes no control lock, so it would change the
    // connections beside a host's building call.
    if (onWorkerThread())
        return refuseInsideWalk("Graph failed to disconnect a filter");
    const std::unique_lock<std::recursive_mutex> lock = hostLock();
    return Graph::disconnectFilters(input, output);
}

bool AsyncGraph::stoppedToBuild()
{
    if (!IsStopped())
        return false;
    // A worker that stopped its run itself may still be inside that stop: it is joined before
    // the list changes, and with none left nothing but this host call changes the state.
    settleState();
    return true;
}

void AsyncGraph::Suspend()
{
    const std::unique_lock<std::recursive_mutex> lock = hostLock();
    _state->suspended = true;
}

void AsyncGraph::Resume()
{
    const std::unique_lock<std::recursive_mutex> lock = hostLock();
    _state->suspended = false;
    _state->poke();
}

bool AsyncGraph::IsSuspended() const
{
    return _state->suspended.load();
}

bool AsyncGraph::IsStopRequested() const
{
    return _state->stopAsked.load();
}

bool AsyncGraph::waitShouldEnd(long callerReferences) const
{
    if (IsStopRequested())
        return true;
    // On the worker thread of an owned graph the worker holds one reference for the turn and
    // the waiting filter its own: the host has let go when no other is left. The turn then
    // ends and the worker's reference, the last, destroys the graph.
    if (!onWorkerThread())
        return false;
    const long references = weak_from_this().use_count();
    return references > 0 && references <= 1 + callerReferences;
}

bool AsyncGraph::refusesRate(float fps) const
{
    const std::string why = WhyNoRate(fps);
    if (why.empty())
        return false;
    fail("Graph failed to set a frame rate", &why);
    return true;
}

ActionResult AsyncGraph::SetGraphFps(float fps)
{
    if (refusesRate(fps))
        return ActionResult::Failure;
    // A host's call is one step under the control lock, as a Play computing the period is.
    // The worker sleeps instead of starting an update while the rate changes, however the
    // source's answer leaves. The host's suspension flag is left alone.
    const std::unique_lock<std::recursive_mutex> lock = hostLock();
    const WorkerState::RateHold hold(*_state, IsPlaying());
    setRate(fps, periodFor(fps));
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
    // Both values are checked before anything changes or waits.
    if (const std::string why = WhyNoMode(mode); !why.empty())
        return fail("Graph failed to set a playback mode", &why);
    if (refusesRate(fps))
        return ActionResult::Failure;
    const std::unique_lock<std::recursive_mutex> lock = hostLock();
    settleState();
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

std::shared_ptr<Filter> AsyncGraph::CreateFilter(const VornCommon::Guid& type, std::shared_ptr<AsyncGraph> graph)
{
    if (!graph)
        return FilterFactory::CreateFilter(type, SharedFilterPtr(), SharedGraphPtr()).ToStdSharedPtr();
    // One host step: the upstream is read and the new filter pre-initialised against it while
    // no other host call resets it (a building call from its hooks is refused: Filter.h).
    const std::unique_lock<std::recursive_mutex> lock = graph->hostLock();
    SharedFilterPtr upstream(graph->GetLastFilter());
    SharedGraphPtr owner(std::static_pointer_cast<Graph>(graph));
    return FilterFactory::CreateFilter(type, upstream, owner).ToStdSharedPtr();
}

void AsyncGraph::workerMain(std::shared_ptr<WorkerState> state, std::weak_ptr<Graph> owner, AsyncGraph* graph,
                            bool owned)
{
    t_workerGraph = graph;
    const ScopeExit unmark([]() noexcept { t_workerGraph = nullptr; });
    VornCommon::concurrency::Thread::setCurrentThreadName("AsyncGraph");
    if (!VornCommon::concurrency::Thread::raiseCurrentThreadPriority())
        LogQuietly(VornCommon::LogLevel::Info, "AsyncGraph: the worker thread runs at normal priority");
    // A profiler that cannot take the thread (out of memory) only loses its record of it.
    try {
        if (const auto manager = VornCommon::Profiler::getManager())
            manager->addThisCpuThread("AsyncGraph");
    } catch (...) {
    }

    // A graph that is not owned by a shared pointer is used as it is; one that is owned is
    // held for each turn, so that a listener may drop the last reference meanwhile. Once
    // the last reference is gone the destructor has begun: no turn starts any more.
    std::optional<Clock::time_point> planned; // start of the next turn, once pacing runs
    for (;;) {
        if (state->holding()) {
            state->sleepWhileSuspended();
            planned.reset();
        } else {
            std::shared_ptr<Graph> hold =
                owned ? owner.lock() : std::shared_ptr<Graph>(std::shared_ptr<Graph>(), graph);
            if (!hold) {
                // Being destroyed: the destructor ends the worker and stops the graph.
                state->move({Phase::Running}, Phase::AskedToEnd);
                break;
            }
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
                graph->logThrow(kLogPrefix, "Graph update failed", true, false);
                failed = true;
            }
            // A failed run always ends stopped, whatever met it: the phase moves before Error is
            // told, so that a host's Pause or Stop finds the run ending. A done run is stopped
            // here unless somebody asked the worker to end.
            if (failed) {
                const bool ending =
                    state->move({Phase::Running, Phase::AskedToEnd, Phase::EndingAfterTurn}, Phase::StoppingItself);
                checkRule(ending, "a failed run ends stopped");
                leave = true;
            }
            if (leave) {
                if (failed || state->move({Phase::Running}, Phase::StoppingItself)) {
                    static_cast<void>(graph->endRun(failed, kLogPrefix));
                    checkRule(!hold->IsPlaying() && !hold->IsPaused(),
                              "a worker that stopped its graph leaves it stopped");
                    state->move({Phase::StoppingItself}, Phase::None);
                }
                break; // `hold` goes last: the graph may be destroyed here, on this thread
            }
            hold.reset(); // may destroy the graph; only `state` is used from here on
            planned = state->paceFrom(start);
        }
        if (const auto manager = VornCommon::Profiler::getManager()) {
            if (const auto record = manager->getCpuThread())
                record->flip();
        }
        if (!state->running())
            break;
    }
    if (const auto manager = VornCommon::Profiler::getManager())
        manager->removeThisCpuThread();
}

} // namespace Hyx
