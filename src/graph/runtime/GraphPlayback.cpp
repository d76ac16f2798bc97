// The graph's running side: frame order, play, pause, stop, the update pass and events.

#include "graph/filters/InputSide.h"
#include "graph/runtime/Thrown.h"
#include "graph/runtime/WalkMark.h"

#include <Hyx/Connection.h>
#include <Hyx/Filter.h>
#include <Hyx/Graph.h>
#include <Hyx/LoggerInstance.h>

#include <VornCommon/Profiler.h>

#include <exception>

namespace Hyx {

using VornCommon::LogLevel;

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

/// Marks an update pass for its whole length, the recording event included, for every
/// thread: a Play then is refused wherever it comes from.
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
    tellState(state);
}

void Graph::tellState(GraphState state)
{
    // A listener that throws does not keep the others from hearing of the change.
    std::exception_ptr first;
    _graphEvents.Emit([&](Events& listener) {
        try {
            listener.onGraphStateChanged(state);
        } catch (...) {
            if (!first)
                first = std::current_exception();
        }
    });
    if (first)
        std::rethrow_exception(first);
}

bool Graph::refusesPlayInsidePass() const
{
    if (!_inPass.load())
        return false;
    const std::string detail = "it cannot be started inside an update pass";
    fail("Graph failed to start playing", &detail);
    return true;
}

bool Graph::refusesPlayWhileWalking() const
{
    if (!walksHere())
        return false;
    // A walk inside an update pass (a step's Stop) is refused as the pass's Play is.
    if (!refusesPlayInsidePass())
        fail("Graph failed to start playing", &WalkMark::kRefusal);
    return true;
}

bool Graph::refusesPlayNow()
{
    return refusesPlayWhileWalking() || refusesPlayInsidePass();
}

void Graph::settleState()
{
}

bool Graph::refusesPlayOn()
{
    return refusesPlayWhileWalking();
}

bool Graph::waitShouldEnd(long) const
{
    return false;
}

template <class Step, class Undo>
bool Graph::walkFilters(Step step, Undo undo, const char* prefix)
{
    // The filters before the failing one go back, last first; what they throw then is
    // dropped, as the first failure is the one the caller hears of. When one cannot go back,
    // the graph's state no longer describes its filters: a run under way ends. A new run's
    // filters are put back to stopped, and one that could not stop is stopped again by the
    // next Play: the graph reads Stopped already.
    const auto putBack = [&](size_t walked) noexcept {
        bool whole = true;
        for (size_t k = walked; k-- > 0;) {
            try {
                if (undo(*_filters[k]) != HyxErrorCode::Success)
                    whole = false;
            } catch (...) {
                whole = false;
            }
        }
        return whole;
    };
    for (size_t i = 0; i < _filters.size(); ++i) {
        HyxErrorCode result;
        try {
            result = step(*_filters[i]);
        } catch (...) {
            noteThrow(_filters[i].get());
            const std::string detail = DescribeThrown(NiceName(*_filters[i]));
            const bool whole = putBack(i);
            fail(prefix, &detail);
            if (!whole && !IsStopped()) {
                // The filter's exception is the one the caller hears of.
                static_cast<void>(endRun(true, nullptr));
                noteThrow(_filters[i].get()); // the stop walk may have noted another exception
            }
            throw;
        }
        if (result != HyxErrorCode::Success) {
            const std::string detail = errorOf(_filters[i]);
            const bool whole = putBack(i);
            fail(prefix, &detail);
            if (!whole && !IsStopped()) {
                if (const std::exception_ptr listenerThrew = endRun(true, nullptr))
                    std::rethrow_exception(listenerThrew);
            }
            return false;
        }
    }
    return true;
}

template <class Body>
ActionResult Graph::changeState(Body body)
{
    WalkMark walk(*this, false);
    ActionResult result = ActionResult::Failure;
    try {
        result = body();
    } catch (...) {
        // The Stop a hook or listener was answered Success for still ends the run; what the
        // walk threw passes on.
        static_cast<void>(walk.endFoldedStop());
        throw;
    }
    if (const std::exception_ptr listenerThrew = walk.endFoldedStop())
        std::rethrow_exception(listenerThrew);
    return result;
}

std::exception_ptr Graph::endRun(bool failed, const char* logPrefix) noexcept
{
    const WalkMark mark(*this, true);
    std::exception_ptr first;
    // Inside a handler of what a listener threw.
    const auto listenerThrew = [&](const char* prefix, bool setText) noexcept {
        if (logPrefix)
            logThrow(logPrefix, prefix, setText, true);
        else if (!first)
            first = std::current_exception();
    };
    const auto tellError = [&](const char* prefix) noexcept {
        try {
            tellState(GraphState::Error);
        } catch (...) {
            listenerThrew(prefix, false);
        }
    };
    if (failed)
        tellError("Graph update failed");
    // A graph that a hook of the failed pass stopped already is not told Stopped twice.
    if (IsStopped())
        return first;
    try {
        // Every running filter stops, also past one that fails: the graph reads Stopped
        // whatever the walk met, and the next Play or Stop tries that filter again.
        const StopWalk walk = stopFilters();
        if (logPrefix && walk.thrown)
            LogQuietly(LogLevel::Error, logPrefix + ("Graph failed to stop(" + walk.thrownDetail + ")"));
        if (walk.failed && !failed) {
            SetError(VornCommon::String("Graph failed to stop(" + walk.detail + ")"));
            tellError("Graph failed to stop");
        }
        failed = failed || walk.failed;
    } catch (...) {
        // Out of memory in the walk's report: the graph is stopped all the same.
        failed = true;
    }
    try {
        setState(GraphState::Stopped);
    } catch (...) {
        // The first cause of a failed run stays the graph's text.
        listenerThrew("Graph failed to stop", !failed);
        // No caller hears of it on the worker: listeners hear Error after Stopped, as when a
        // listener of a Stopped told inside the pass throws; once a run.
        if (logPrefix && !failed)
            tellError("Graph failed to stop");
    }
    return first;
}

ActionResult Graph::Play()
{
    // Inside a walk a Play would start filters that the walk is changing: even a playing
    // graph's Success could name a run that is ending.
    if (refusesPlayWhileWalking()) {
        return ActionResult::Failure;
    }
    if (IsPlaying()) {
        return ActionResult::Success;
    }
    if (refusesPlayInsidePass()) {
        return ActionResult::Failure;
    }
    if (!GetFrameOrderProvider()) {
        return fail("Graph is missing frame order provider");
    }
    return changeState([this] {
        const bool resuming = IsPaused();
        if (!resuming) {
            // A stop that did not finish left filters running: they stop before the new run.
            const StopWalk leftover = stopRunningFilters();
            if (leftover.failed) {
                fail("Graph failed to start playing", &leftover.detail);
                if (leftover.thrown)
                    std::rethrow_exception(leftover.thrown);
                return ActionResult::Failure;
            }
            // A new run starts from empty queues: no atom of the run that ended reaches it.
            emptyQueues(_connections);
        }
        // Put the filters already started back where they were, so the graph is never left
        // half-played and the next Play can succeed.
        const auto putBack = [resuming](Filter& filter) { return resuming ? filter.Pause() : filter.Stop(); };
        if (!walkFilters([](Filter& filter) { return filter.Play(); }, putBack, "Graph failed to start playing")) {
            return ActionResult::Failure;
        }
        _running = true;
        // Listeners that throw do not undo the change they are told of.
        setState(GraphState::Playing);
        return ActionResult::Success;
    });
}

ActionResult Graph::Pause()
{
    if (walksHere()) {
        return fail("Graph failed to pause", &WalkMark::kRefusal);
    }
    if (IsPaused()) {
        return ActionResult::Success;
    }
    if (!IsPlaying()) {
        const std::string detail = "it is not playing";
        return fail("Graph failed to pause", &detail);
    }
    return changeState([this] {
        // A pause that fails part way plays the filters it paused again: the graph plays on whole.
        const auto resume = [](Filter& filter) { return filter.Play(); };
        if (!walkFilters([](Filter& filter) { return filter.Pause(); }, resume, "Graph failed to pause")) {
            return ActionResult::Failure;
        }
        setState(GraphState::Paused);
        return ActionResult::Success;
    });
}

ActionResult Graph::Stop()
{
    // Folded into the walk under way on this thread: the run ends once, after it.
    if (WalkMark::foldStop(*this))
        return ActionResult::Success;
    return stopGraph();
}

Graph::StopWalk Graph::stopRunningFilters()
{
    StopWalk walk;
    for (const std::shared_ptr<Filter>& filter : _filters) {
        if (!IsRunning(*filter)) {
            continue;
        }
        try {
            if (filter->Stop() != HyxErrorCode::Success && !walk.failed) {
                walk.failed = true;
                walk.detail = errorOf(filter);
            }
        } catch (...) {
            if (!walk.thrown) {
                noteThrow(filter.get());
                walk.thrown = std::current_exception();
                walk.thrownDetail = DescribeThrown(NiceName(*filter));
                if (!walk.failed) {
                    walk.failed = true;
                    walk.detail = walk.thrownDetail;
                }
            }
        }
    }
    return walk;
}

Graph::StopWalk Graph::stopFilters()
{
    _running = false;
    StopWalk progress;
    try {
        computeProgress();
    } catch (...) {
        progress.failed = true;
        progress.thrown = std::current_exception();
        progress.thrownDetail = DescribeThrownBy("a filter's progress");
        progress.detail = progress.thrownDetail;
    }
    // Every running filter is stopped, also after a failure, so that nothing of the run goes
    // on (a filter's own thread) and a second Stop can finish the job.
    StopWalk walk = stopRunningFilters();
    return progress.failed ? progress : walk;
}

ActionResult Graph::stopGraph(FailedStop end)
{
    // A stopped graph still stops what a stop that did not finish left running.
    const bool running = !IsStopped();
    WalkMark mark(*this, running);
    const StopWalk walk = running ? stopFilters() : stopRunningFilters();
    if (walk.failed) {
        fail("Graph failed to stop", &walk.detail);
    }
    if (running && (!walk.failed || end == FailedStop::Finish)) {
        try {
            setState(GraphState::Stopped);
        } catch (...) {
            if (!walk.thrown) {
                throw;
            }
            // The first failure is what the caller hears of; this one is only logged.
            try {
                LogQuietly(LogLevel::Error, "Graph failed to stop(" + DescribeThrown(std::string()) + ")");
            } catch (...) {
                // Out of memory while reporting: the first failure still passes on.
            }
        }
    }
    // A Stop folded into this one was answered Success: the run ends also when this walk
    // failed (a graph that reads Stopped all the same has what the walk left stopped again,
    // as a second Stop would), and the caller still hears of its own failure first.
    std::exception_ptr listenerThrew;
    if (mark.takeFoldedStop()) {
        if (!IsStopped())
            listenerThrew = endRun(false, nullptr);
        else if (walk.failed)
            static_cast<void>(stopRunningFilters());
    }
    if (walk.thrown) {
        std::rethrow_exception(walk.thrown);
    }
    if (listenerThrew) {
        std::rethrow_exception(listenerThrew);
    }
    return walk.failed ? ActionResult::Failure : ActionResult::Success;
}

ActionResult Graph::Update()
{
    static const VornCommon::ProfilerZone zone("HYX::Graph::Update");
    const VornCommon::ProfilerZoneScope scope(zone);

    // From a hook or listener of a walk or of this very pass: the list is being gone through.
    if (refusesInsideWalkOrPass("Graph update failed"))
        return ActionResult::Failure;
    // A stop or pause asked from inside the pass (by a filter or a listener) ends it quietly:
    // the filters after the asking one no longer play, and that is no failure.
    const bool playing = IsPlaying();
    const PassScope pass(_inPass);
    const WalkMark passMark(*this, false, WalkMark::Kind::Pass);
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
    // The list as published: a host may ask while another thread builds.
    const std::shared_ptr<const FilterList> list = listed();
    if (IsStopped() || list->empty()) {
        return true;
    }
    const Filter* asked = nullptr;
    try {
        for (const std::shared_ptr<Filter>& filter : *list) {
            asked = filter.get();
            if (filter->ForceGraphStop()) {
                return true;
            }
        }
        for (const std::shared_ptr<Filter>& filter : *list) {
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

void Graph::logThrow(const char* logPrefix, const char* prefix, bool setText, bool byListener) const noexcept
{
    try {
        const std::string thrower = takeThrownBy();
        // Appended piece by piece: "(" + a temporary trips a false -Wrestrict in optimised builds.
        std::string text = prefix;
        text += '(';
        text += DescribeThrown(byListener ? std::string() : thrower);
        text += ')';
        if (setText)
            SetError(VornCommon::String(text));
        LogQuietly(LogLevel::Error, logPrefix + text);
    } catch (...) {
        // Out of memory while reporting: the caller goes on.
    }
}

void Graph::noteThrow(const Filter* filter) const noexcept
{
    std::exception_ptr current = std::current_exception();
    std::string name;
    try {
        if (filter)
            name = NiceName(*filter);
    } catch (...) {
        name.clear(); // the exception in flight matters, not this one
    }
    std::lock_guard<std::mutex> lock(_errorMutex);
    if (current && current == _thrown)
        return; // noted where it was first caught
    _thrown = std::move(current);
    _thrownBy.swap(name);
}

std::string Graph::takeThrownBy() const
{
    const std::exception_ptr current = std::current_exception();
    std::string name;
    std::lock_guard<std::mutex> lock(_errorMutex);
    if (current && current == _thrown)
        name.swap(_thrownBy);
    _thrown = nullptr;
    _thrownBy.clear();
    return name;
}

} // namespace Hyx
