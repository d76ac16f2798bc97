#pragma once

// A graph that runs its own main loop on one worker thread per run.
//
// Contract:
// - Play starts a worker (named "AsyncGraph", priority raised where the system allows) that
//   calls Update repeatedly, paced to the frame period of the requested rate (the codes of
//   MutateBlockFPS: 0 no pacing, -1/-2/-3 the source stream's rate, its half, its double).
//   Updates start one period apart, planned from deadlines so late wake-ups do not add up;
//   an update that takes longer than the period is followed at once by the next one.
// - The worker stops the graph itself when an update fails (listeners hear Error, then
//   Stopped) or when the graph is done (listeners hear Stopped). Graph events therefore
//   arrive on the worker thread. A failed update always ends its run stopped, whatever Pause
//   or Stop meets it: from a listener of Error, or from the host while the update fails (the
//   host's call waits for the worker's stop, then a Pause fails with "Graph failed to
//   pause(it is not playing)" and a Stop is Success); the next Play starts a new run from the
//   order's start.
// - The rule: the graph reads Playing only while its worker runs (suspended or not), so a
//   Play either starts a run that plays or answers Failure with a text, never Success with
//   no run. Whatever ends the worker or fails to start it leaves a state the next call acts
//   on:
//   - A stop (the worker's own, the host's Stop, a Stop from a hook or listener, the
//     destructor's) goes on past a filter whose onStop fails or throws and ends Stopped all
//     the same: every other filter is stopped, the first failure is the text ("Graph failed
//     to stop(<filter's text>)", or "...(Filter '<nice class name>' threw: <what()>)"), and
//     the filter that could not stop is stopped again by the next Play (or Stop) before
//     anything else; a Play that cannot stop it fails with "Graph failed to start
//     playing(...)". When the worker's own stop fails, listeners hear Error, then Stopped,
//     and the text is the stop's unless the run had failed already (then Error was told
//     once, for the run).
//   - A Pause that a filter refuses or throws in plays the filters it paused again and the
//     worker plays on. When the worker cannot start again, the filters stop (listeners hear
//     Stopped) and the text ends "; the graph stopped: cannot start the worker thread)". A
//     Play or Pause whose put-back fails too ends the run as Graph.h says (Error, then
//     Stopped, told once, whatever its listeners call meanwhile): the next Play plays a new
//     run. No host call waits for a worker that nothing ends: one that would run on under a
//     graph that no longer plays is asked to end (which wakes it when suspended) before it
//     is joined.
//   - A Play whose worker cannot start (no thread, no memory) stops the filters again and
//     fails with "Graph failed to start playing(cannot start the worker thread)".
//   - A host's call that met an exception (a filter's hook, a listener, the source's
//     GetStreamInfo) passes it on to the host after the walk, as a graph the host updates
//     does; the graph is left as above, and a state its listeners were told stands (a
//     listener of Playing that throws leaves a playing graph with its worker).
// - An exception on the worker has no caller to reach, so it never ends the process. One
//   that leaves an update (a filter's hook, an IAtomsListener, any listener called inside
//   the pass) or a filter's IsDone ends the run as a failing update does: listeners hear
//   Error, then Stopped, and the worker ends. The error text is "Graph update
//   failed(Filter '<nice class name>' threw: <what()>)"; "threw an exception of unknown
//   type" stands for anything that is no std::exception, and "a graph listener" for the
//   filter when none was being called; the filter is the one the exception came from, also
//   when it came through a hook's Pause or Stop. One level-2 line, "AsyncGraph: " and that
//   text, is logged. The host may then Stop and Play a new run. When the pass had already
//   paused or stopped the graph (a hook's Pause or Stop, whose listener threw), listeners
//   hear Error after that Paused or Stopped; a paused graph is then stopped (Stopped
//   follows), a stopped one is not told Stopped again. A
//   listener of the Error event that throws is logged alike and the stop goes on; an
//   exception from the worker's own stop (a filter's onStop, a listener of Stopped) is
//   logged alike as "AsyncGraph: Graph failed to stop(...)". When a listener of that Stopped
//   threw, the stop is done (every filter stopped, every listener told) and the text is
//   "Graph failed to stop(a graph listener threw: ...)" unless the run had failed; the
//   listeners then hear Error after Stopped, as when a listener of a Stopped told inside
//   the pass throws. Error is told once a run. A logger that throws on a line
//   the worker logs itself (these lines, its start) is ignored; one that throws on a line
//   logged inside the pass (by a filter) is an exception of that pass, as above. The
//   library's other threads run no host code unguarded: the multi-threaded mutates' workers
//   catch what a work hook throws (that item gives no result; logged), and the frame-rate
//   block mutate's release thread runs no filter or host code.
// - Nothing leaves the destructor, whether the host or the worker (the host let go during
//   the pass) runs it: the graph is stopped as above unless it reads Stopped, and a stop
//   that failed or threw is logged as one level-2 line, "AsyncGraph: Graph failed to
//   stop(...)"; the filters are then reset and released as Graph.h says (a reset that
//   throws or is refused is logged there without "AsyncGraph: ").
// - Pause, Stop and the destructor end the worker before the filters change state; a worker
//   that ended by itself is waited for by the next Play (Play(mode) too), Pause, Stop,
//   SetPlaybackMode, AddAndConnect or RemoveAllFilters before they look at the state (or, for
//   the building calls, act on a state read Stopped), so host and worker never drive the
//   filters at once and a graph read Stopped has no worker touching its filters by the time
//   its list changes. Play(mode) thus plays a new run also when it comes while the worker is
//   still inside the stop it makes itself.
// - Called from the worker itself (a graph listener or a filter during the worker's turn),
//   Stop and Pause only ask the worker to end and change the state without waiting; Play of a
//   graph that is not playing fails without waiting ("Graph failed to start playing(it cannot
//   be started from its own worker thread)"), and Play(mode) fails so before it changes the
//   mode. AddAndConnect and RemoveAllFilters fail with Graph.h's walk text ("...(it is
//   changing state)"), the filter left as it came, and so do Update and a filter's
//   disconnection through the graph ("Graph failed to disconnect a filter(it is changing
//   state)"): the worker takes no control lock, so it would change the connections beside a
//   host's building call. Inside a walk on the
//   worker (its own stop, or a Pause or Stop that a hook or listener asked for during the
//   turn) Graph.h's rule holds: Stop is folded in, Pause fails
//   with "Graph failed to pause(it is changing state)", and Play and Play(mode) fail with the
//   text above, also while the graph still reads Playing. A destructor running there lets the
//   worker finish on its own. A host call that waits for the worker while it ends its run
//   itself (Stop, Pause, Play, Play(mode), SetPlaybackMode, AddAndConnect, RemoveAllFilters)
//   asks it to end at once:
//   IsStopRequested and Filter::IsGraphStopRequested read true, so a filter's hook that waits
//   inside that stop gives up, and the call returns as the bounds below say. The worker holds
//   a reference to the graph during each turn, so a listener may drop the last one. A host that drops its last reference is seen
//   as a stop: no turn starts after the destructor has begun, and a filter's wait in a turn
//   ends (Filter::IsGraphStopRequested), so the graph is destroyed. When: a host's reset
//   between turns destroys the graph on the host's thread (it waits for the worker to end,
//   as Stop does); one during a turn returns at once, and the worker ends the turn, then
//   stops and destroys the graph on its own thread (the filters' stops and the destructor's
//   log lines come after the reset has returned). A host that needs the graph gone before it
//   goes on stops it first.
// - Play (or Play(mode)) from any other thread while the worker's pass runs: Success
//   without waiting for the pass while the graph plays (it waits only for another host
//   call, as below); when a hook or listener of that pass has stopped or paused
//   the graph, it waits for the pass to end (the join) and then plays. So a thread that the
//   worker waits for (a filter's own worker, which a pass or a stop waits for) must not call
//   Play, Pause or Stop.
// - Stop returns within one update and about one frame period at most (the worker's sleep
//   ends as soon as it is asked to stop), or about 30 ms while suspended.
// - Host calls are serialised: Play, Play(mode), Pause, Stop, SetGraphFps, SetPlaybackMode
//   (also Graph's, with reset), AddAndConnect, RemoveAllFilters (and a filter's disconnection
//   through the graph), CreateFilter, Suspend, Resume and the destructor, called from any
//   thread but the
//   worker, each decide and act under one control lock, so a call never sees another
//   half done (the source's GetStreamInfo, the mode's rewind and the period are all inside
//   the one call). A call that waited for another acts on the state that one left and answers
//   as this header says for that state: a Play that waited for another host's Play answers
//   Success for its run with the mode unchanged, a rate set while a Play asked the source for
//   its rate is the one the worker paces to, a Play after a Stop plays a new run. The worker
//   never waits for the lock: a hook's or listener's call on the worker keeps the rules
//   above, and a thread the worker waits for (a filter's own worker) must not make these
//   calls. CreateFilter is one host step too: it reads the last filter and pre-initialises
//   the new one against it under the control lock, so no other host call resets that
//   upstream meanwhile. A sequence of steps is not one step: a host that builds from two
//   threads (CreateFilter, AddAndConnect, GetLastFilter) keeps its sequences apart, or one
//   thread's filter may meet a list the other has changed (its AddAndConnect initialises it
//   against the last filter then listed, and may refuse it). These may be called from any
//   thread at any time, beside any host call, and never wait for one (Graph.h names what
//   the list getters give): GetNumFilters, GetFilter (by index and by type), GetLastFilter,
//   GetRenderers, both GetFilterParam, IsDone, IsPlaying, IsPaused, IsStopped, GetProgress,
//   GetProgressInfo, GetLastError, GetFrameOrderProvider, GetCrossFilterInfo,
//   GetOriginalFps, GetNumFrames, GetGraphFps, GetFramePeriodMs, IsSuspended and
//   IsStopRequested, and GetSourceStreamInfo and GetSourceAggregatedOutputProfile, which ask
//   the source itself (Graph.h). The last Suspend or Resume
//   always stands: SetGraphFps holds the worker off only while it runs (however it leaves:
//   when the source's GetStreamInfo throws, the rate is left as it was) and never touches the
//   suspension.

#include <Hyx/Export.h>
#include <Hyx/FrameOrderProvider.h>
#include <Hyx/Graph.h>

#include <VornCommon/Guid.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <type_traits>

namespace Hyx {

class Filter;

class HYX_API AsyncGraph : public Graph {
public:
    /// Stopped, rate 0 (no pacing), not suspended.
    AsyncGraph();
    /// Ends the worker, then the graph stops and removes its filters; throws nothing.
    ~AsyncGraph() override;

    /// Starts the filters and the worker. From the stopped state the frame order restarts at
    /// its beginning; from Paused it resumes. Without a frame-order provider it fails with
    /// the bare message of code 25 as the table holds it ("Source filter '$filter$' lacks a
    /// valid frame order provider."): no prefix, no detail.
    ActionResult Play() override;
    /// Graph::Play(mode) as one step under the control lock (see the contract above).
    ActionResult Play(PlaybackMode mode) override;
    /// Ends the worker, then pauses the filters; Success when paused already, "Graph failed to
    /// pause(it is not playing)" when stopped (also when its failed run ended meanwhile). When a filter
    /// refuses or throws, the filters it paused play again and the worker runs on (see the
    /// contract for a put-back or a worker start that fails).
    ActionResult Pause() override;
    /// Ends the worker, then stops every filter that can stop. The graph reads Stopped also
    /// when one refuses (Failure, "Graph failed to stop(...)") or throws (passed on after the
    /// walk); that filter is stopped again by the next Play or Stop.
    ActionResult Stop() override;

    /// The worker sleeps (30 ms at a time) instead of updating until Resume.
    void Suspend();
    /// Ends a suspension; the worker updates again at once.
    void Resume();
    /// True from Suspend until Resume.
    bool IsSuspended() const;

    /// Sets the requested rate and recomputes the period; the worker takes it at once. While
    /// it runs on a playing graph the worker sleeps instead of starting an update; the
    /// suspension the host set stays as it is. When the source's GetStreamInfo throws, the
    /// exception passes on and the rate and period stay as they were. A rate is a number
    /// above 0 whose period of 1000 / rate ms, truncated, fits in 32 bits, or a code (0 and
    /// below). Any other is refused, the rate and period unchanged: NaN and infinities
    /// ("Graph failed to set a frame rate(nan is not a number of frames a second)") and rates
    /// below about 2.3e-7 ("Graph failed to set a frame rate(1e-30 gives a frame period past
    /// 4294967295 ms)"). A code paces nothing while the source announces no rate, or one
    /// whose period does not fit.
    ActionResult SetGraphFps(float fps);
    /// Writes the requested rate; always Success.
    ActionResult GetGraphFps(float& fps) const;
    /// The frame period in milliseconds that the worker paces to (0: none).
    uint32_t GetFramePeriodMs() const;
    /// With a source that has stream information: installs a new automatic frame order over
    /// its frames in that mode (its failure is returned and the rate is not applied: a graph
    /// not stopped gives "Graph failed to set a frame order provider(graph must be stopped
    /// first)"). Then sets the rate. Never fails for want of a source. A value outside
    /// PlaybackMode ("Graph failed to set a playback mode(77 is not a playback mode)") and a
    /// rate SetGraphFps refuses are refused first, with nothing changed.
    ActionResult SetPlaybackMode(PlaybackMode mode, float fps);
    /// Any other number is a rate too, as above (an int or a double); a pointer (a text) does
    /// not compile, as with Graph's.
    template <class Rate>
    requires(std::is_arithmetic_v<Rate> && !std::is_same_v<Rate, bool>) ActionResult
        SetPlaybackMode(PlaybackMode mode, Rate fps)
    {
        return SetPlaybackMode(mode, static_cast<float>(fps));
    }
    /// Graph's: with `reset` true the order starts again, the rate stays as it is.
    using Graph::SetPlaybackMode;

    /// Graph's, as one host call under the control lock: a worker that ended its run itself is
    /// joined first, so a graph read Stopped can be rebuilt at once. From the worker (a hook or
    /// a listener during a turn or its own stop) refused, the filter left as it came: "Graph
    /// failed to add a filter(it is changing state)".
    ActionResult AddAndConnect(std::shared_ptr<Filter> filter) override;
    /// As AddAndConnect: "Graph failed to remove a filter(it is changing state)" from the worker.
    ActionResult RemoveAllFilters() override;

    /// Whether a stop was asked of the run: true from the moment a Stop, a Pause or the
    /// destructor asks it to end (from the host, or a hook's or listener's; a Stop also of a
    /// stopped graph), or a host call waits for the worker that ends the run itself; false
    /// again once a Play begins (its filters' onPlay, its listeners of Playing and its passes
    /// read false), and once a Pause that a filter refused leaves the run playing. A run
    /// that ends by itself with nobody asking leaves it false. The same answer on every
    /// thread, however the graph is reached (a raw pointer, the host's pointer, a filter's
    /// GetGraph). A filter that waits on the worker for another thread polls
    /// Filter::IsGraphStopRequested instead, which also sees the host let go of its last
    /// reference during the turn.
    bool IsStopRequested() const;

    /// A new filter of that class, pre-initialised with the graph's last filter as upstream
    /// and with the graph; not added (pass it to AddAndConnect). Empty when the factory
    /// gives none. One host step under the control lock (see the contract above); from the
    /// new filter's hooks a building call or an Update is refused (Graph.h).
    static std::shared_ptr<Filter> CreateFilter(const VornCommon::Guid& type, std::shared_ptr<AsyncGraph> graph);

protected:
    /// From the worker: refused. From another thread: a worker that ended by itself is
    /// joined first (its pass may still be ending), then the graph's own check.
    bool refusesPlayNow() override;
    /// From another thread than the worker: joins a worker that ended by itself (it may
    /// still be inside the stop it makes), so the state read next is final.
    void settleState() override;
    /// Graph::SetPlaybackMode(mode, reset) as one host step: under the control lock, after a
    /// worker that ended by itself is joined.
    ActionResult setPlaybackMode(PlaybackMode mode, bool reset) override;
    /// On the worker, while the run ends (its update failed, it stops the graph itself, or a
    /// hook or listener paused or stopped it during the turn): refused. Elsewhere as Graph's.
    bool refusesPlayOn() override;
    /// A stop was asked (IsStopRequested) or, on the worker thread, the host has let go of
    /// its last reference during the turn: only the turn's reference and the caller's are
    /// left.
    bool waitShouldEnd(long callerReferences) const override;
    /// Under the control lock on a host thread, as the building calls are.
    ActionResult disconnectFilters(const std::shared_ptr<Filter>& input,
                                   const std::shared_ptr<Filter>& output) override;
    /// Joins a worker that ended its run itself before a building call changes the list.
    bool stoppedToBuild() override;

private:
    struct WorkerState;

    bool onWorkerThread() const;
    /// Joins a worker that has ended or is ending (its pass or its own stop may still run);
    /// true when one is kept, as it plays the graph on. One that would run on under a graph
    /// that no longer plays is asked to end first.
    bool joinEndedWorker();
    /// Asks the worker to end and waits for it.
    void endWorker();
    /// Starts a worker; false (logged) when the system cannot start a thread.
    bool startWorker();
    /// Where a host call that ended or never had a worker leaves (under the control lock): a
    /// graph that reads Playing gets a worker, and is stopped again when none can start
    /// (false then). Checks the rule.
    bool settle() noexcept;
    /// Pause and Stop from the worker's own turn: the worker ends after this turn, or plays
    /// on when the graph still plays afterwards (a refused pause).
    template <class Operation>
    ActionResult fromOwnTurn(Operation operation);
    /// True, with the text set, when `fps` is neither a rate nor a code (not finite).
    bool refusesRate(float fps) const;
    /// The period of a requested rate; asks the source for its rate (which may throw).
    uint32_t periodFor(float fps) const;
    /// Stores the requested rate and its period as one pair and wakes the worker.
    void setRate(float fps, uint32_t periodMs);
    /// The control lock, taken on a host thread; none on the worker, whose pass never waits
    /// for it.
    std::unique_lock<std::recursive_mutex> hostLock();
    /// A refused Pause whose worker could not start again left the graph stopped: the text
    /// says so.
    void noteStoppedWithoutWorker() const noexcept;
    static void workerMain(std::shared_ptr<WorkerState> state, std::weak_ptr<Graph> owner, AsyncGraph* graph,
                           bool owned);

    std::shared_ptr<WorkerState> _state;
    std::thread _worker;
    std::atomic<float> _requestedFps{0.0f};
    // Serialises the host calls: each decides and acts under it. The worker never takes it.
    std::recursive_mutex _controlMutex;
};

} // namespace Hyx
