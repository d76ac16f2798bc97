#pragma once

// An ordered chain of filters (one source first, targets last) joined by connections of
// 1000 slots.
//
// Contract:
// - A graph is owned by a shared pointer: filters and connections keep weak references.
// - Building (add, connect, disconnect, remove) needs a stopped graph and must not overlap
//   an update or a walk on another thread: the list those go through is not locked. On an
//   AsyncGraph the building calls are host calls under its control lock, and a worker that
//   ended its run itself is joined first, so a graph read Stopped can be rebuilt at once from
//   any host thread (AsyncGraph.h).
// - The calls that read the list (GetNumFilters, GetFilter by index and by type,
//   GetLastFilter, GetRenderers, both GetFilterParam, SetFilterParamValue, IsDone, the
//   progress, the recording calls, GetSourceStreamInfo, GetSourceAggregatedOutputProfile)
//   read it as the last building step left it: a filter that was listed, or none, held by
//   its own reference. They take no lock another call holds for long, and never wait for
//   one. GetSourceStreamInfo and GetSourceAggregatedOutputProfile ask the source itself:
//   the library's sources answer beside their own reset (Source.h). A filter a removal lets
//   go goes with its last reference, which may be a reader's on another thread. On an
//   AsyncGraph they may be called from any host thread while another builds; on a Graph the
//   host keeps its calls apart. Update and the walks go through the list unlocked: on an
//   AsyncGraph they are the worker's, which a building call joins first, and a host that
//   calls Update itself keeps it apart from building.
// - Failures return ActionResult::Failure with the reason in the graph's error text: a fixed
//   prefix, then "(" detail ")" with no blank when there is a detail. A Play without a
//   frame-order provider gives no "Graph failed to start playing(...)": a Graph's text is
//   "Graph is missing frame order provider" alone, an AsyncGraph's the bare message of code
//   25 (AsyncGraph.h).
// - The computed progress and its text are guarded: filters report from the updating thread
//   while hosts read.
// - Destroying the graph stops it unless it reads Stopped (listeners are told), then resets
//   and releases every filter; the reset stops again a filter the stop left running. A
//   filter that still cannot stop is released as it is (a host that holds it sees it
//   Playing or Paused; its own destructor logs "Filter not properly deinitialized!").
//   Nothing leaves the destructor: a stop that fails or throws is logged as one level-2
//   line, "Graph failed to stop(...)", and a reset that throws or that the filter refuses
//   by code as another, "Graph failed to remove a filter(...)".
// - Playing needs a frame-order provider; the graph is its reset listener and passes every jump or
//   reset on to _frameOrderResetEvents. A Play, Pause or Stop that fails part way, because a
//   filter's hook refuses or throws, leaves no filter half-walked: Play and Pause put back the
//   filters they had changed, Stop goes on and stops every other filter. When a filter cannot be
//   put back either (a resume whose pause back fails, a pause whose play back fails), the run ends
//   as a run whose update failed ends on an AsyncGraph: listeners hear Error, every running filter
//   stops, then listeners hear Stopped, once; afterwards every filter is stopped and the next Play
//   plays a new run. A new run's Play whose stop back fails leaves that filter to the next Play, as
//   a failed Stop does. The first failure in list order is the text (the filter's text, or "Filter
//   '<nice class name>' threw: <what()>"); when a filter threw, the first exception is thrown to the
//   caller after the walk, else the call answers Failure. A failed Stop leaves the graph as it was
//   (a second Stop tries again what is left); an AsyncGraph ends stopped all the same (AsyncGraph.h).
// - A call never runs inside another walk over the filters. Every walk (a Play, a resume, a
//   Pause, a Stop of a playing, paused or stopped graph, the stop a Play makes of a filter left
//   running, a put-back, a run's end, a removal of filters), the telling of its state included,
//   marks its thread. From that thread (a filter's hook, a listener) Stop answers Success and is
//   folded in: once the walk is done the run ends (listeners hear the walk's state, then Stopped,
//   once). Pause, Play and Play(mode) are refused: "Graph failed to pause(it is changing state)",
//   "Graph failed to start playing(it is changing state)" (inside an update pass, or on an
//   AsyncGraph's worker, the Play texts below), the mode unchanged; AddAndConnect and
//   RemoveAllFilters fail with "...(it is changing state)". The outer call answers for its own
//   walk: Success when it completed, Failure when it was undone. A Stop folded into a Stop that
//   fails still ends the run once that walk is done (every filter that can stop stops, Stopped
//   is told once); the outer Stop answers Failure with its own text all the same. What a walk
//   marks belongs to its thread: walks on two threads, beginning and ending in any order,
//   never see, change or clear each other's marks, and a finished walk leaves nothing behind.
// - An update pass marks its thread too, and so does a building step: the pre-initialise and
//   initialise of the filter that AddAndConnect takes in (or that AsyncGraph::CreateFilter
//   makes). From a hook or listener of a walk, of a pass (also after its Stop or Pause,
//   whatever the graph reads) or of a building step, AddAndConnect, RemoveAllFilters and
//   Update are refused: "Graph failed to add a filter(it is changing state)" (the filter is
//   left as it came: not initialised), "Graph failed to remove a filter(it is changing
//   state)", "Graph update failed(it is changing state)"; the list a walk or pass goes through
//   never changes under it. A stopped filter's Disconnect from inside a pass or a building
//   step is refused alike ("Graph failed to disconnect a filter(it is changing state)"): the
//   pass keeps its connections, the add its upstream. Once a hook or listener of a pass pauses or stops the graph, no
//   filter takes another frame in that pass: after a pause the queues keep what is left for
//   the resume, after a stop it is dropped. A building step walks no filters: its hooks'
//   Play, Pause and Stop act as from outside it, and the outer call then goes on as if no
//   refused call was made (an add of a graph they played is refused as not stopped).
// - A hook or listener must not wait for another thread that calls the same graph (on an
//   AsyncGraph that call waits for the control lock the waiting caller's host call holds: both
//   wait for ever). It may hand a call to another thread without waiting for it: on an
//   AsyncGraph that call acts once the host call it came from has returned; a Graph has no
//   lock, and calls from two threads are the host's to keep apart.
// - Every listener hears each state change, also after one throws: the first exception
//   passes on to the caller once all have heard, and the change stands.
// - Update calls every filter's Update once, in list order; 0 and 1 go on, the first
//   failure ends the pass with "Graph update failed(<filter's text>)". A stop or pause
//   asked during the pass (by a filter or a listener) ends it after the asking filter with
//   Success. The graph has no thread: the host (or an asynchronous graph's worker) calls
//   Update.
// - An exception that a filter or a listener throws inside Update is not caught: it leaves
//   Update to its caller, the pass ends there and the graph keeps working (the next Update
//   goes on with what is queued; Stop and Play start a new run). An asynchronous graph's
//   worker, which has no caller, ends its run instead (AsyncGraph.h).
// - A Play asked while a pass runs is refused without waiting when it comes from a thread
//   that may not wait for the pass: on a graph the host updates, from any thread (a
//   filter's hook, a listener, a filter's worker): "Graph failed to start playing(it cannot
//   be started inside an update pass)"; on an AsyncGraph, from its worker (a hook or a
//   listener of the worker's pass): "Graph failed to start playing(it cannot be started
//   from its own worker thread)". Play(mode) is refused alike and leaves the mode as it
//   was. This refuses a Play that would start the graph (stopped or paused): a Play or
//   Play(mode) of a graph that plays, from another thread than the pass's, is Success (the
//   mode unchanged), also while the pass runs. On an AsyncGraph a Play from any other thread while the worker's pass runs is not
//   refused: while the graph plays it is Success at once; when a hook or listener of the
//   pass has stopped or paused the graph, it waits for that pass (the join) and then plays,
//   so a thread that the pass waits for (a filter's own worker) must not call it
//   (AsyncGraph.h). A Play of a playing graph is still Success (outside a walk; for
//   Play(mode), given a value of PlaybackMode). The run a hook stopped stays
//   stopped until the host plays it after the pass: what the ended run still held or pushed
//   within the pass never reaches the new one. Stop and Pause are taken inside a pass.
// - Events are told on the thread that causes them. The state, the progress, the error
//   text and the provider pointer may be read from any thread while another updates.
// - Filters and connections reach the graph only through IGraphLinks.

#include <Hyx/CrossFilterInfo.h>
#include <Hyx/ErrorHolder.h>
#include <Hyx/Export.h>
#include <Hyx/FrameOrderProvider.h>
#include <Hyx/HyxErrorCode.h>

#include <VornCommon/Delegate.h>
#include <VornCommon/Guid.h>
#include <VornCommon/String.h>

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace Hyx {

class Connection;
class DataTypeStreamInfo;
class Filter;
class FilterParam;
class Profile;
class Source;
class TargetRenderer;

/// Result of graph operations.
enum class ActionResult : int32_t {
    Failure = 0,
    Success = 1
};

/// What the filters and connections of a graph ask of it, and no more (library-internal: the
/// graph implements it and hosts do not call it).
class IGraphLinks {
public:
    /// True while the graph runs: readers compute the progress then, so a filter's report needs
    /// no updateProgress. Inline: every update asks it.
    bool computesProgressOnRead() const { return _running.load(); }
    /// A filter's progress changed: the weighted progress and the joined texts are computed
    /// again (nothing while the graph runs).
    virtual void updateProgress() = 0;
    /// Clears both ends of the connection from input to output and drops it.
    virtual ActionResult disconnectFilters(const std::shared_ptr<Filter>& input,
                                           const std::shared_ptr<Filter>& output) = 0;
    /// Adds a listener of the frame-order resets (listen), or removes it.
    virtual void listenToFrameOrderResets(IFrameOrderResetListener* listener, bool listen) = 0;
    /// The installed provider for a source's update, without a reference or a lock; null when
    /// none. Valid while the graph plays: the provider is replaced only while it is stopped.
    FrameOrderProvider* frameOrderProviderForUpdate() const
    {
        return _providerForUpdate.load(std::memory_order_acquire);
    }
    /// True when a filter waiting on the updating thread for another thread gives up: the
    /// graph's stop was asked or, on an asynchronous graph's worker, the host has let go of its
    /// last reference during the turn; the caller holds `callerReferences` of its own.
    virtual bool waitShouldEnd(long callerReferences) const = 0;
    /// Runs a filter's pre-initialisation with this graph as a building step of the graph: a
    /// building call or an Update from its hooks is refused (Graph.h).
    virtual HyxErrorCode asBuildingStep(const std::function<HyxErrorCode()>& step) = 0;

protected:
    ~IGraphLinks() = default;

    /// The object of the installed provider, set with it.
    std::atomic<FrameOrderProvider*> _providerForUpdate{nullptr};

    /// Set while the graph plays or pauses.
    std::atomic<bool> _running{false};
};

class HYX_API Graph : public ErrorHolder,
                      public std::enable_shared_from_this<Graph>,
                      public IFrameOrderResetListener,
                      public IGraphLinks {
public:
    /// Playback state; Error is only announced to listeners, never stored.
    enum class GraphState : int32_t {
        Stopped = 0,
        Playing = 1,
        Paused = 2,
        Error = 3
    };

    /// Listener of a graph's events; both do nothing by default.
    class HYX_API Events {
    public:
        virtual ~Events();
        virtual void onGraphStateChanged(GraphState state);
        virtual void onGraphRecordingStateChanged(bool recording);
    };

    /// An empty, stopped graph.
    Graph();
    /// Stops the graph (with its own Stop), removes every filter, detaches the provider;
    /// throws nothing.
    ~Graph() override;
    Graph(const Graph&) = delete;
    Graph& operator=(const Graph&) = delete;

    /// Pre-initialises (when Created) and initialises the filter against the last filter,
    /// appends it and connects it to the previous one; a source gets an empty input
    /// connection instead.
    /// A filter made with its constructor (std::make_shared or its creator function) rather
    /// than by FilterFactory::CreateFilter or AsyncGraph::CreateFilter has its creation
    /// completed by its first PreInitialize, here or wherever it was pre-initialised before
    /// (a graph description, the host): its Instantiate runs once before its parameters are
    /// made, so it works as a factory-made one (a compressor declares the layer types it
    /// compresses there). Instantiate never runs twice: not for a factory-made filter, nor for
    /// one added again. One thing differs: such a filter has no graph yet while it
    /// initialises here, so a source added so leaves the graph's GetOriginalFps at 10 and
    /// GetNumFrames at -1, which a source made with the graph sets as it initialises; the
    /// frame order, the pacing and GetSourceStreamInfo ask the source itself and are the same.
    /// Refused from a hook or listener of a walk or an update pass (see the contract above),
    /// the filter is left as it came. Any other refused add (a graph that is not stopped, a
    /// filter of another live graph) leaves the filter initialised: a host DeInitializes it
    /// before it lets it go (else its destructor logs "Filter not properly deinitialized!"). A filter belongs to the first graph it
    /// joined, also once removed from it, until that graph is gone or the filter is
    /// DePreInitialized (DeInitialize first where it is initialised): then another graph's
    /// AddAndConnect takes it.
    virtual ActionResult AddAndConnect(std::shared_ptr<Filter> filter);
    /// Removes every filter, last first (each is reset to PreInitialized). Needs a stopped
    /// graph; refused inside a walk or an update pass (see the contract above).
    virtual ActionResult RemoveAllFilters();

    /// The last filter; empty when there is none.
    std::shared_ptr<Filter> GetLastFilter() const;
    /// Number of filters.
    unsigned GetNumFilters() const;
    /// The filter at that position; empty when the index is not below the count.
    std::shared_ptr<Filter> GetFilter(unsigned index) const;
    /// The first filter of that type; empty when there is none.
    std::shared_ptr<Filter> GetFilter(const VornCommon::Guid& type) const;
    /// The information the graph's filters share about the streams they write.
    std::shared_ptr<CrossFilterInfo> GetCrossFilterInfo() const { return _crossFilterInfo; }

    // --- Frame order and playing ---

    /// Installs the provider (empty for none) while stopped; the graph becomes its reset
    /// listener and the old one is detached.
    ActionResult SetFrameOrderProvider(std::shared_ptr<FrameOrderProvider> provider);
    /// The installed provider; empty when there is none.
    std::shared_ptr<FrameOrderProvider> GetFrameOrderProvider() const;
    /// Passes a jump or reset of the frame order on to _frameOrderResetEvents.
    void OnFrameOrderReset() override;

    /// Plays every filter in list order (needs a provider); Success when playing already.
    /// Starting from stopped, the queues are emptied first: atoms a stopped run left in them
    /// (one pushed while paused, say) never reach the new run. Resuming keeps them. A start
    /// (from stopped or paused) is refused while an update pass runs; any Play inside a walk
    /// (see the contract above).
    virtual ActionResult Play();
    /// Pauses every filter; Success when paused already, Failure when stopped. A filter that
    /// refuses or throws has the filters paused before it play again; when one of them cannot
    /// play again, the run ends (see the contract above). Refused inside a walk.
    virtual ActionResult Pause();
    /// Stops every running filter, also past one that refuses or throws; Success when
    /// stopped already (and nothing is left running). Inside a walk: Success, and the run ends
    /// once the walk is done, also when that walk is a Stop that fails.
    virtual ActionResult Stop();
    /// The state tests.
    virtual bool IsPlaying() const { return _state.load() == GraphState::Playing; }
    virtual bool IsPaused() const { return _state.load() == GraphState::Paused; }
    virtual bool IsStopped() const { return _state.load() == GraphState::Stopped; }
    /// One pass of the main loop; refused inside a walk or another pass (see the contract).
    virtual ActionResult Update();
    /// True when stopped or empty, when a filter forces a stop, or when every filter is done.
    bool IsDone() const;

    /// Sets the walk of the automatic frame order (stopped or paused; playing: "Graph failed
    /// to set a playback mode(graph must be stopped first)"). An automatic order
    /// over the source's frames is installed when there is none, and built again while
    /// stopped when the source's frame count changed; Realtime needs no stream information
    /// (with no order yet, it installs one over 4294967295 frames). A paused graph leaving
    /// Realtime walks the source's frames too, from where Realtime stands (see
    /// FrameOrderAuto::SetPlaybackMode).
    /// A source without frames is refused. On an asynchronous graph it is one host call under
    /// the graph's control lock, as Play(mode) is (AsyncGraph.h). A value outside PlaybackMode
    /// is refused at once, the order and its mode unchanged: "Graph failed to set a playback
    /// mode(77 is not a playback mode)".
    ActionResult SetPlaybackMode(PlaybackMode mode, bool reset);
    /// A pointer, also one to a member, is no reset flag, though it would convert to one: such
    /// a call (a text as the second argument) does not compile. A number still converts to the
    /// flag here (0 false, any other true), also through a Graph pointer or reference to an
    /// AsyncGraph: only AsyncGraph's own SetPlaybackMode(mode, fps) takes it as a rate.
    template <class T>
    ActionResult SetPlaybackMode(PlaybackMode mode, T* notAFlag) = delete;
    template <class T, class Class>
    ActionResult SetPlaybackMode(PlaybackMode mode, T Class::*notAFlag) = delete;
    /// Stopped or paused: sets the mode (from the start) and plays; refused, the mode
    /// unchanged, while an update pass runs. Playing: Success with an automatic order, the
    /// mode unchanged (also while a pass runs, from another thread); with another order
    /// "Graph failed to start playing(" and code 25's message ")". A value outside
    /// PlaybackMode is refused at once in every state, the state and the mode unchanged:
    /// "Graph failed to start playing(77 is not a playback mode)". Refused inside a walk (see
    /// the contract above). An asynchronous graph's worker that is stopping the
    /// graph itself is joined first, so the call then plays a new run; there the whole call
    /// is one step under the graph's control lock (AsyncGraph.h).
    virtual ActionResult Play(PlaybackMode mode);

    // --- Recording ---

    /// Switches every "Enable Recording" from "False" to "True" and tells listeners at once.
    /// Failure, "Graph failed to start recording", on a graph that is not playing (stopped or
    /// paused), and when no filter's "Enable Recording" reads "False" (then with the level-2
    /// line "Failed to set active filter param 'Enable Recording'").
    virtual ActionResult StartRecording();
    /// Switches every "Enable Recording" from "True" to "False"; listeners hear of it at the
    /// end of the next update pass. Failure, "Graph failed to stop recording", on a graph that
    /// is not playing, and when none reads "True" (with the line "Failed to get active filter
    /// param 'Enable Recording'").
    virtual ActionResult StopRecording();

    // --- Progress ---

    /// The weighted progress of all filters (recomputed while running).
    float GetProgress();
    /// The progress texts of all filters, one per line (recomputed while running).
    std::string GetProgressInfo();

    // --- Source information and renderers ---

    /// The source's stream information; empty without a source.
    std::shared_ptr<DataTypeStreamInfo> GetSourceStreamInfo() const;
    /// The source's aggregated output profile; empty without a source.
    std::shared_ptr<Profile> GetSourceAggregatedOutputProfile() const;
    /// The source's frame rate; 10 until a source sets it.
    float GetOriginalFps() const { return _originalFps.load(); }
    /// Stores the source's frame rate (a source does so as it initialises).
    void SetOriginalFPS(float fps) { _originalFps = fps; }
    /// The source's frame count; -1 when unknown.
    int GetNumFrames() const { return _numFrames.load(); }
    /// Stores the source's frame count (a source does so as it initialises).
    void SetNumFrames(int numFrames) { _numFrames = numFrames; }
    /// The filters registered as renderers, in list order.
    std::vector<std::shared_ptr<TargetRenderer>> GetRenderers() const;

    // --- Parameters by name ---

    /// The parameter of that name of the first filter that has one.
    std::shared_ptr<FilterParam> GetFilterParam(const char* name) const;
    /// The parameter of the index-th filter of that type, counting from 1.
    std::shared_ptr<FilterParam> GetFilterParam(const VornCommon::Guid& filterType, const char* name, int index) const;
    /// Sets the parameter from text; true when it was found. Parse errors pass through.
    bool SetFilterParamValue(const VornCommon::Guid& filterType, const char* name, const char* value, int index);
    /// As above with the type as GUID text; any exception is logged and gives false.
    bool SetFilterParamValue(const char* filterType, const char* name, const char* value, int index);

    // --- Error text (guarded versions of the ErrorHolder operations) ---

    /// A copy of the error text; with clear set it is emptied afterwards.
    VornCommon::String GetLastError(bool clear) const;
    /// Empties the error text.
    void ResetError() const;

    /// Told of state and recording changes (not owned).
    VornCommon::signali::Delegate<Events> _graphEvents;
    /// Told of every jump or reset of the frame order (not owned).
    VornCommon::signali::Delegate<IFrameOrderResetListener> _frameOrderResetEvents;

protected:
    /// Joins two listed filters through a new connection of the graph's slot count.
    ActionResult connectFilters(const std::shared_ptr<Filter>& upstream, const std::shared_ptr<Filter>& downstream);
    /// Resets the filter and removes it from the list.
    ActionResult removeFilter(const std::shared_ptr<Filter>& filter);
    /// Resets a listed filter of a stopped graph, leaving it listed.
    ActionResult resetListed(const std::shared_ptr<Filter>& filter);
    // What filters and connections ask of the graph (IGraphLinks).
    void updateProgress() override;
    ActionResult disconnectFilters(const std::shared_ptr<Filter>& input,
                                   const std::shared_ptr<Filter>& output) override;
    void listenToFrameOrderResets(IFrameOrderResetListener* listener, bool listen) override;
    /// Here: false; a graph the host updates has no stop to ask while a filter waits.
    bool waitShouldEnd(long callerReferences) const override;
    HyxErrorCode asBuildingStep(const std::function<HyxErrorCode()>& step) override;
    /// Computes and stores the weighted progress and the joined progress text.
    void computeProgress();
    /// The first filter's source; empty when there is none.
    std::shared_ptr<Source> getSource() const;
    /// How a stop whose walk failed leaves the graph: as it was (the graph's own Stop), or
    /// stopped all the same (an asynchronous graph, a destructor).
    enum class FailedStop {
        KeepState,
        Finish
    };
    /// What a walk that stops the running filters met first: the failure (a filter's text, or
    /// "<who> threw: <what>") and, when any threw, the first exception.
    struct StopWalk {
        bool failed = false;
        std::string detail;
        std::exception_ptr thrown;
        /// "<who> threw: <what>" of `thrown`.
        std::string thrownDetail;
    };
    /// Stops every running (playing or paused) filter in list order, also past one that
    /// fails or throws; catches what they throw.
    StopWalk stopRunningFilters();
    /// The walk of a stop: clears the running flag, computes the progress once more and stops
    /// the running filters; catches what filters throw. The state is left to the caller.
    StopWalk stopFilters();
    /// The graph's own Stop. Every running filter is stopped that can be; the first failure
    /// is the text, and the first exception, when one was thrown, is thrown after the walk.
    /// Also stops the filters a stop that did not finish left running in a stopped graph.
    ActionResult stopGraph(FailedStop end = FailedStop::KeepState);
    /// Ends a run that ends by itself, one path whatever ended it (its update failed, it is
    /// done, a put-back failed, a Stop folded into a walk): listeners hear Error when it failed,
    /// every running filter stops, then listeners hear Stopped once and the graph reads Stopped
    /// (a graph that reads Stopped already is only told the Error). A stop walk that fails is
    /// told as Error, with its text, unless the run had failed. It is a walk (WalkMark). With a
    /// `logPrefix`, what listeners and filters throw is logged as level-2 lines after it; without
    /// one, the walk's failures are dropped and the first exception a listener threw is
    /// returned for the caller to pass on.
    std::exception_ptr endRun(bool failed, const char* logPrefix) noexcept;
    /// Inside a handler of an exception that no caller takes: "<prefix>(<who> threw: <what>)"
    /// becomes the error text (when setText) and one level-2 line after `logPrefix`. `who` is
    /// the filter noted for it, or a graph listener (byListener, or none noted).
    void logThrow(const char* logPrefix, const char* prefix, bool setText, bool byListener) const noexcept;
    /// True while the calling thread walks the filters (WalkMark): the caller is a filter's hook
    /// or a listener of that walk.
    bool walksHere() const;
    /// True, with "<prefix>(it is changing state)" as the text, when the calling thread walks
    /// the filters or runs an update pass: a building call or an Update would change what that
    /// walk or pass goes through.
    bool refusesInsideWalkOrPass(const char* prefix) const;
    /// Sets "<prefix>(it is changing state)" as the text; returns Failure.
    ActionResult refuseInsideWalk(const char* prefix) const;
    /// True, with the text set, when a Play comes from inside a walk.
    bool refusesPlayWhileWalking() const;
    /// A destructor's stop: catches what it throws; a failure becomes one level-2 line,
    /// `linePrefix` and "Graph failed to stop(...)".
    void stopOnDestruction(const char* linePrefix) noexcept;
    /// Stores the state and tells the listeners (tellState).
    void setState(GraphState state);
    /// Tells every listener, also when one throws: the first exception passes on after all
    /// have heard it.
    void tellState(GraphState state);
    /// Switches every "Enable Recording" reading `from` to `to`; the number switched.
    int switchRecording(const char* from, const char* to);
    /// Replaces the error text (guarded).
    void SetError(const VornCommon::String& text) const;

    /// Sets "<prefix>" or "<prefix>(<detail>)" as the error text; returns Failure.
    ActionResult fail(const char* prefix, const std::string* detail = nullptr) const;
    /// True, with the error text set, when a Play would start filters inside an update pass.
    bool refusesPlayInsidePass() const;
    /// True, with the error text set, when a Play of this graph (not playing) may not start
    /// from the calling thread now; Play(mode) asks before it touches the mode. Here: inside
    /// an update pass, or inside a walk of this thread.
    virtual bool refusesPlayNow();
    /// Play(mode) calls it before it reads the state; an asynchronous graph joins a worker
    /// that is stopping the graph itself. Here: nothing.
    virtual void settleState();
    /// The work of SetPlaybackMode(mode, reset); an asynchronous graph makes it one host step.
    virtual ActionResult setPlaybackMode(PlaybackMode mode, bool reset);
    /// True, with the error text set, when a Play of this graph (still playing) would answer
    /// Success inside a walk or while its run is ending. Here: inside a walk of this thread.
    virtual bool refusesPlayOn();
    /// Read by the building calls: true when the graph reads Stopped, and then stays so for
    /// the call. An asynchronous graph joins a worker that ended its run itself first.
    virtual bool stoppedToBuild();
    bool isListed(const std::shared_ptr<Filter>& filter) const;
    using FilterList = std::vector<std::shared_ptr<Filter>>;
    /// The filter list as last published: what a getter reads, from any thread, while the
    /// building thread changes `_filters`. Held in a local while gone through (a range-for
    /// over `*listed()` would free it first).
    std::shared_ptr<const FilterList> listed() const;
    /// Appends to `_filters` and publishes it, both or (out of memory) neither; the building
    /// thread only.
    void appendFilter(const std::shared_ptr<Filter>& filter);
    /// Makes `list` the one getters read.
    void publish(std::shared_ptr<const FilterList> list) noexcept;
    /// Inside a handler of an exception that leaves Update, IsDone or a life-cycle walk:
    /// records the filter it came from (null: from a listener of the graph). The first note
    /// of an exception stands: an outer handler of the same exception keeps it.
    void noteThrow(const Filter* filter) const noexcept;
    /// Inside a handler: the nice class name noted for the exception in flight, empty when
    /// none was (a listener threw); forgets the note.
    std::string takeThrownBy() const;

    /// The list the building calls change and the walks and passes go through; never both at
    /// once (the host keeps them apart; an asynchronous graph's control lock and worker do).
    std::vector<std::shared_ptr<Filter>> _filters;
    std::vector<std::shared_ptr<Connection>> _connections;
    /// Guards `_listed`, held for a pointer copy or swap alone: no getter waits for filter code.
    mutable std::mutex _listMutex;
    std::shared_ptr<const FilterList> _listed;
    const int _numSlots = 1000;
    std::atomic<GraphState> _state{GraphState::Stopped};
    const std::shared_ptr<CrossFilterInfo> _crossFilterInfo = std::make_shared<CrossFilterInfo>();

    std::mutex _progressMutex;
    float _progress = 0.0f;
    std::string _progressInfo;

    std::atomic<float> _originalFps{10.0f};
    std::atomic<int> _numFrames{-1};
    std::atomic<bool> _recordingStop{false};
    /// Set while Update runs: a Play then would empty queues that the pass still pulls from.
    std::atomic<bool> _inPass{false};
    mutable std::mutex _providerMutex;
    std::shared_ptr<FrameOrderProvider> _frameOrderProvider;
    mutable std::mutex _errorMutex;
    /// The nice class name of the filter that `_thrown` came from; empty when a listener
    /// threw. Both guarded by the error mutex.
    mutable std::string _thrownBy;
    mutable std::exception_ptr _thrown;
    /// The walks under way, on any thread, that end the run (a stop of a running graph,
    /// endRun): a worker that runs one is ending. Each walk counts itself in and out.
    std::atomic<int> _runEndingWalks{0};

private:
    /// The marks of the calling thread's walks, passes and building steps (WalkMark.h).
    class WalkMark;
    /// A Play's or a Pause's walk: `body` walks and tells the state; then a Stop folded into it
    /// ends the run (endRun), also when `body` throws.
    template <class Body>
    ActionResult changeState(Body body);
    /// Walks every filter through `step` in list order. At the first that refuses or throws,
    /// `undo` puts back each filter before it, last first (what it throws is dropped), and
    /// the text becomes "<prefix>(<its failure>)"; a throw then passes on, a refusal gives
    /// false. When a filter cannot be put back, a run under way ends (endRun): the filter's
    /// exception passes on, or else a listener's first.
    template <class Step, class Undo>
    bool walkFilters(Step step, Undo undo, const char* prefix);
};

} // namespace Hyx
