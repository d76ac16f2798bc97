#pragma once

// Base of every filter of a graph (sources, transforms, mutates, targets).
//
// Contract:
// - One explicit life cycle, driven by the graph:
//     Created -PreInitialize-> PreInitialized -Initialize-> Initialized
//     -SetInputConnection-> Connected -Play-> Playing <-Pause/Play-> Paused
//     Playing/Paused -Stop-> Connected; back down through Disconnect, DeInitialize and
//     DePreInitialize (Reset walks down to PreInitialized).
//   A call in the wrong state changes nothing and returns its own code (6-17); the error
//   text is then the code's message with the filter's readable name in front.
// - Each step that runs a hook (PreInitialize, Initialize, DeInitialize, SetInputConnection
//   of a filter with an input, Play, Pause, Stop) empties the error text once the state
//   allows it, then prepares and runs the hook (`onX`); an update empties it as it gets to
//   its work. So a failure's text lasts until the filter's next such step or update: a
//   graph's Stop or Play empties the text of every filter it walks. A failing hook
//   keeps the state; its own text becomes the extra information of the step's error, so
//   texts nest: "Filter 'X' error: <message>(Filter 'X' error: <hook message>(...))".
// - The tokens "$filter$" and "$info$" of the messages are never filled in.
// - Parameters: named FilterParam objects created by onInitializeParams. A value handed in
//   is kept until a parameter has taken it for good: applied by a PreInitialize that
//   succeeds, or to a parameter of a filter pre-initialised already. A PreInitialize that
//   fails keeps every value, also one it applied to a parameter that it then cleared, and so
//   does a filter still Created whose parameter takes a value. A value taken goes with its
//   parameter (DePreInitialize). Values that no parameter has taken once the filter is
//   initialised are logged at level 2, one line per filter naming them ("Filter '<name>'
//   has no parameter named 'a', 'b'; ..."), again only when the names change. Host listeners
//   hear every parameter change, on the thread that made it.
// - Threads: the life cycle and the graph links are driven by the thread that builds and
//   plays the graph. Error text, progress, the last processed atoms, the parameter list and
//   the listener list are guarded, so host threads may read them while a worker updates. The
//   last processed atoms are records of the atoms as they left: later filters changing an atom
//   never change what a host reads. A record shares the atom until the atom first changes,
//   which copies it into the record (see Atom.h), so filters that change nothing copy
//   nothing, and filters handing one atom on unchanged share one record. A host is handed
//   a handle of its own on a record at each read; the filter empties a record for reuse only
//   once no handle on it lives, so a host that locks a weak reference to a handle again finds
//   the record as it was read, or nothing.
// - The filter holds weak references to its graph and connections; it owns neither. The
//   graph reaches the filter only through IFilterLinks.
// - For filter authors: an atom's layers are shared by the records above, by copies of the
//   atom and by what hosts keep, so a filter never changes a layer's contents in place
//   (pixels, camera parameters, bytes) while an earlier record may share it. It replaces the
//   layer with a copy first and changes the copy: DataLayerFactory::CreateDataLayer with the
//   layer's type, purpose and version, the bytes of its Serialize through AllocateData and
//   InitializeData, then Atom::RemoveDataLayer and Atom::AddDataLayer. Records keep the layer
//   as it was. The hooks are protected: an override reaches the base's by its qualified name
//   (Transform::onStop()). A hook that waits on the updating thread for another thread (a
//   free slot, a result) polls IsGraphStopRequested and gives up once it reads true, so that
//   a Stop, a Pause or the host letting go of an AsyncGraph always ends the wait.

#include <Hyx/ClassInfo.h>
#include <Hyx/ErrorHolder.h>
#include <Hyx/FilterParam.h>
#include <Hyx/HyxErrorCode.h>

#include <VornCommon/Concurrency.h>
#include <VornCommon/Guid.h>
#include <VornCommon/String.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace VornCommon {
class ProfilerZone;
} // namespace VornCommon

namespace Hyx {

class Atom;
class AtomRecord;
class Connection;
class Filter;
class Graph;
class Profile;

/// What a graph asks of the filters it holds, and no more (library-internal: the filter
/// implements it and hosts do not call it).
class IFilterLinks {
public:
    /// Joins the filter to the graph; refuses (false, logged) a different live graph while a
    /// live one is set.
    virtual bool SetGraph(std::weak_ptr<Graph> graph) = 0;

protected:
    ~IFilterLinks() = default;
};

/// The host's listener for parameter changes of a filter.
class HYX_API IFilterParameterValueChanged {
public:
    virtual ~IFilterParameterValueChanged();
    /// Receives the filter, the parameter's name and its new text form.
    virtual void cbiFilterParameterValueChanged(std::shared_ptr<Filter> filter, const char* parameterName,
                                                const char* value) = 0;
};

class HYX_API Filter : public IParameterValueChanged,
                       public ErrorHolder,
                       public std::enable_shared_from_this<Filter>,
                       public IFilterLinks {
public:
    /// Life-cycle state; no operation enters the value 3.
    enum class FilterState : int32_t {
        Created = 0,
        PreInitialized = 1,
        Initialized = 2,
        Connected = 4,
        Playing = 5,
        Paused = 6,
    };

    /// Reports (does not throw) when the filter is destroyed beyond PreInitialized.
    ~Filter() override;
    Filter(const Filter&) = delete;
    Filter& operator=(const Filter&) = delete;

    /// Passes a parameter change on to the host's listeners, in registration order.
    void cbiParameterValueChanged(std::shared_ptr<FilterParam> param, const char* value) override;

    /// The class's type GUID.
    virtual VornCommon::Guid TypeGuid() const = 0;
    /// The class's names and category.
    virtual FilterClassInfo GetFilterClassInfo() const = 0;
    /// The last step of creation, run once by the first PreInitialize, whoever calls it: the
    /// filter factory right after creating the filter, or, for a filter made with its
    /// constructor, Graph::AddAndConnect, a graph description or the host. A class prepares here what it needs before its
    /// parameters exist (its requested input profile, its declared layer types). Nothing in
    /// the base. The library calls it; a host does not.
    virtual void Instantiate();
    /// True once Instantiate has run (through the first PreInitialize).
    bool IsInstantiated() const { return _instantiated.load(); }
    /// Initialized from PreInitialized (else 8); empties the last processed atoms, then
    /// runs onInitialize.
    virtual HyxErrorCode Initialize(Filter* upstream);
    /// 0 while Playing, else 17.
    virtual HyxErrorCode Update();
    /// True when the filter has nothing more to do.
    virtual bool IsDone() const = 0;
    /// True asks the graph to stop at once; false by default.
    virtual bool ForceGraphStop() const;
    /// The filter's own output profile.
    virtual std::shared_ptr<Profile> GetOutputProfile() = 0;
    /// Everything the filter's output atoms carry.
    virtual std::shared_ptr<Profile> GetAggregatedOutputProfile() = 0;
    /// Number of output streams; 1 by default.
    virtual int GetOutputNumStreams() const;
    /// Ids of the output streams; none by default.
    virtual std::vector<int> GetStreamIds() const;
    /// Weight of this filter in the graph's progress.
    virtual float GetProgressWeight() const;
    /// The last progress value set.
    virtual float GetProgress() const;
    /// A copy of the progress text.
    virtual std::string GetProgressInfo() const;

    // --- Life cycle ---

    /// PreInitialized from Created (else 6): forgets the graph first (also when refused),
    /// runs Instantiate if it never ran (a filter made with its constructor), then
    /// onInitializeParams, then applies the stored parameter values whatever the hook
    /// returned. On failure the parameters and groups are cleared again and every value
    /// stays stored; on success those applied are used up. With a graph, the hooks run as a
    /// building step of it: a building call or an Update of that graph from them is refused
    /// (Graph.h).
    HyxErrorCode PreInitialize(Filter* upstream, std::shared_ptr<Graph> graph);
    /// Created from PreInitialized, clearing parameters and groups; 0 in Created; else 7.
    HyxErrorCode DePreInitialize();
    /// PreInitialized from Initialized (else 9) through onDeInitialize.
    HyxErrorCode DeInitialize();
    /// Connected from Initialized (else 10) through onInputConnection; a source is only
    /// marked connected. In Connected an empty or expired connection clears the input end.
    HyxErrorCode SetInputConnection(std::weak_ptr<Connection> connection);
    /// Stores the output connection while Connected (else 12); an empty one clears it.
    HyxErrorCode SetOutputConnection(std::weak_ptr<Connection> connection);
    /// Drops the output connection, then the input connection (Connected, else 11),
    /// entering Initialized; a refused disconnection gives 4.
    HyxErrorCode Disconnect();
    /// Playing from Connected or Paused (else 14); needs a live graph. Resets the processed
    /// counter, error text and progress, then runs onPlay.
    HyxErrorCode Play();
    /// Paused from Playing (else 15): empties the error text, then runs onPause.
    HyxErrorCode Pause();
    /// Connected from Playing or Paused (else 16): empties the error text, then runs onStop;
    /// then progress 0 and the last processed atoms forgotten. Works also when the graph is
    /// already gone.
    HyxErrorCode Stop();
    /// Walks down to PreInitialized (stop, disconnect, de-initialise), returning the first
    /// failure; does nothing in Created or PreInitialized.
    HyxErrorCode Reset();

    // --- Queries ---

    /// The life-cycle state.
    FilterState GetFilterState() const { return _state.load(); }
    /// True for the head of a chain.
    bool IsSource() const { return _isSource; }
    /// True for a source; otherwise true while the input connection exists.
    bool IsInputConnected() const;
    /// True when the downstream filter exists and is input-connected.
    bool IsOutputConnected() const;
    /// Either end connected.
    bool IsConnected() const { return IsInputConnected() || IsOutputConnected(); }
    /// The upstream filter; empty when there is none.
    std::shared_ptr<Filter> GetInputFilter() const;
    /// The downstream filter; empty when there is none.
    std::shared_ptr<Filter> GetOutputFilter() const;
    /// The source at the head of the chain (a source returns itself); empty when unknown.
    std::shared_ptr<Filter> GetSourceFilter() const;
    /// The graph; empty when none was set or it is gone.
    std::shared_ptr<Graph> GetGraph() const { return _graph.lock(); }
    /// A process-wide number assigned on first request (from 0 up).
    int GetInstanceId() const;
    /// Atoms pushed (or counted) since the last Play.
    unsigned GetNumAtomsProcessed() const { return _numAtomsProcessed.load(); }
    /// Atoms processed divided by the number of output streams; 0 without streams.
    unsigned GetNumFramesProcessed() const;
    /// The last atom pushed, as it left: an atom of its own sharing the pushed atom's layers,
    /// since later filters may change the atom itself; never changed afterwards. Filters that
    /// handed the same atom on unchanged return the same record, so hosts only read it. Each
    /// call hands out a new handle on the record, the caller's own: while it or a copy of it
    /// lives, also after the filter is gone, the record stays as it was; a weak reference to
    /// it expires with the last copy, even while the filter still keeps the record.
    std::shared_ptr<Atom> GetLastProcessedFrame() const;
    /// The last atom of each stream, kept only while the host has stream selection on
    /// (VornCommon::HostSettings::GetInstance()->SetEnableStreamSelection(true)), recorded and
    /// handed out as GetLastProcessedFrame records and hands out its atom; empty otherwise.
    /// It reads empty from the moment the host switches selection off; the filter lets the
    /// entries go with its next frame, so switched on again before that frame it shows them
    /// again, and after it only the frames from then on.
    std::map<int, std::shared_ptr<Atom>> GetLastProcessedFrames() const;

    // --- Error text (guarded versions of the ErrorHolder operations) ---

    /// A copy of the error text; with clear set it is emptied afterwards.
    VornCommon::String GetLastError(bool clear) const;
    /// Empties the error text.
    void ResetError() const
    {
        // Every update empties the text, which is nearly always empty already: no lock then.
        if (_hasError.load(std::memory_order_relaxed))
            clearError();
    }

    // --- Parameters ---

    /// A copy of the parameter list, in display order.
    std::vector<std::shared_ptr<FilterParam>> getParameters() const;
    /// The parameter groups.
    const std::vector<std::shared_ptr<ParamGroup>>& getParamGroups() const { return _paramGroups; }
    /// The parameter of that name; empty (and logged) when there is none.
    std::shared_ptr<FilterParam> getParameterByName(const char* name) const;
    /// Sets a parameter from text; true when the name was found, whatever the parameter made
    /// of the text. Parse errors of the parameter propagate.
    bool setParameterValue(const char* name, const char* value);
    /// The parameter's text form; empty (and logged) for an unknown name.
    std::string getParameterValue(const char* name) const;
    /// The parameter's status text; empty (and logged) for an unknown name.
    std::string getParameterStatus(const char* name) const;
    /// Replaces the stored values and applies those whose parameters exist; true when a
    /// changed parameter requires pre-initialising again. Values of parameters that do not
    /// exist yet, and on a filter still Created every value, wait for a PreInitialize that
    /// succeeds (logged when the filter is initialised already). Never throws for a refused
    /// text: it is logged and the parameter keeps its value.
    bool setParameterValues(const std::map<std::string, std::string>& values);
    /// Adds a host listener once (not owned).
    void AddParameterValueChangedListener(IFilterParameterValueChanged* listener);
    /// Removes every occurrence of a host listener.
    void RemoveParameterValueChangedListener(IFilterParameterValueChanged* listener);

protected:
    /// isSource marks the head of a chain (no input connection).
    explicit Filter(bool isSource);

    /// Parameters are created here (PreInitialize); 0 by default.
    virtual HyxErrorCode onInitializeParams(Filter* upstream);
    /// Sets up the profiles (Initialize).
    virtual HyxErrorCode onInitialize(Filter* upstream) = 0;
    /// Releases what onInitialize set up (DeInitialize); 0 by default.
    virtual HyxErrorCode onDeInitialize();
    /// Play start or resume; 0 by default.
    virtual HyxErrorCode onPlay();
    /// Pause; 0 by default.
    virtual HyxErrorCode onPause();
    /// Stop; 0 by default.
    virtual HyxErrorCode onStop();
    /// Checks and accepts the input connection (not called for sources).
    virtual HyxErrorCode onInputConnection(std::weak_ptr<Connection> connection) = 0;

    /// Stores "Filter '<nice name>' error: <message>" plus "(<info>)" when info is given;
    /// returns the code.
    HyxErrorCode ReportError(HyxErrorCode code, const char* info = nullptr) const;
    /// Replaces the error text (guarded).
    void SetError(const VornCommon::String& text) const;

    /// Pushes into the output queue (21 when it is full or the atom is empty; nothing is
    /// recorded then), counts the atom and records it as the last processed one, in every
    /// state: the record, taken before the atom leaves, shows it as it left (see
    /// GetLastProcessedFrame). Without an output connection the atom counts as done. An atom
    /// pushed again unchanged since it was last recorded (a held frame) keeps that record; one
    /// changed since is recorded as it now is.
    HyxErrorCode pushToOutputQueue(std::shared_ptr<Atom> atom);
    /// pushToOutputQueue for the library's own update paths (the update cycle after its
    /// per-atom step, the mutates' post-update pushes, the sources): a filter stopped during
    /// this very update (by its step, a stream or a listener) drops the atom in hand, which
    /// belongs to the run that ended: Success, nothing pushed, counted or recorded.
    HYX_INTERNAL HyxErrorCode pushFromUpdate(std::shared_ptr<Atom> atom);
    /// Records the atom as it is now (as pushToOutputQueue records it) as the last processed
    /// one, also under its stream id.
    void addToCachedAtoms(std::shared_ptr<Atom> atom);
    /// Counts an atom as processed without pushing it.
    void IncrementAtomsProcessed() { ++_numAtomsProcessed; }

    /// These three store and let the graph recompute its progress.
    void SetProgress(float progress);
    void SetProgress(float progress, const char* info);
    void SetProgressInfo(const char* info);
    /// Stores the weight only.
    void SetProgressWeight(float weight);

    /// The input connection; empty when it is gone. Safe from any thread, also beside a
    /// building call that connects or disconnects the filter.
    std::shared_ptr<Connection> getInputConnection() const
    {
        std::lock_guard<std::mutex> lock(_connectionMutex);
        return _inputConnection.lock();
    }
    /// The output connection; empty when it is gone. Safe from any thread, as above.
    std::shared_ptr<Connection> getOutputConnection() const
    {
        std::lock_guard<std::mutex> lock(_connectionMutex);
        return _outputConnection.lock();
    }
    /// The input and output connections for the thread that updates the filter, without
    /// taking a reference; null when gone. Valid for the update: connections are released only
    /// by building operations, which never overlap an update.
    Connection* inputConnectionForUpdate() const { return _inputConnection.expired() ? nullptr : _inputConnectionPtr; }
    Connection* outputConnectionForUpdate() const
    {
        return _outputConnection.expired() ? nullptr : _outputConnectionPtr;
    }
    /// The graph, likewise for the updating thread; null when none was set or it is gone.
    Graph* graphForUpdate() const { return _graph.expired() ? nullptr : _graphPtr; }
    /// For a hook that waits on the updating thread for another thread (a slot, a result):
    /// poll this and give up once it is true. True when the graph is gone (or none was set),
    /// when an AsyncGraph was asked to stop (AsyncGraph::IsStopRequested: also inside the
    /// worker's own stop of its run, once a host's call waits for it) or, on its worker
    /// thread, once the host has let go of its last reference during the turn (the graph is
    /// destroyed as the turn ends). It counts references and takes its own: hold none of your
    /// own while you wait (let a GetGraph() result go first). False on a graph the host
    /// updates itself while that graph lives.
    bool IsGraphStopRequested() const;

    /// The readable name of a data-layer class (its GUID alias, else the GUID text).
    static std::string GetDataLayerName(const VornCommon::Guid& type);

    /// Replaces a parameter of the same name; appends it or puts it first. The filter
    /// becomes the parameter's callback.
    void addParam(std::shared_ptr<FilterParam> param, bool append = true);
    /// Removes the first parameter of that name and detaches it.
    void removeParam(const char* name);
    /// Detaches and removes every parameter.
    void clearParams();
    /// Appends a group unless the same object is listed.
    void addParamGroup(std::shared_ptr<ParamGroup> group);
    /// Removes every group.
    void clearParamGroups();

private:
    // What the graph asks of the filter (IFilterLinks).
    bool SetGraph(std::weak_ptr<Graph> graph) final;
    /// Runs Instantiate unless it already ran.
    void instantiateOnce();
    /// PreInitialize's work.
    HyxErrorCode preInitialize(Filter* upstream, const std::shared_ptr<Graph>& graph);

    HyxErrorCode disconnectOutput();
    HyxErrorCode disconnectInput();
    /// Nests the text a failing hook left into the step's error.
    HyxErrorCode hookFailed(HyxErrorCode code);
    /// Ends a step: enters `next` after a successful hook, else reports the nested failure.
    HyxErrorCode finishStep(HyxErrorCode hookResult, FilterState next);
    void resetProgress();
    void forgetProcessedAtoms();
    /// Empties the map by stream.
    void forgetStreamAtoms();
    /// Empties the error text under its lock.
    void clearError() const;
    /// Makes `record` the last processed atom; returns the record before, released by the
    /// caller outside the lock.
    std::shared_ptr<AtomRecord> storeLastAtom(std::shared_ptr<AtomRecord> record);
    /// Records `record` as the last one and under its stream id; returns the record before.
    std::shared_ptr<AtomRecord> cacheAtom(std::shared_ptr<AtomRecord> record);
    /// Index of the first parameter of that name, -1 when none; caller holds the mutex.
    int findParameterIndex(const char* name) const;
    /// The parameter of that name (looked up under the mutex); empty when none.
    std::shared_ptr<FilterParam> findParameter(const char* name) const;
    void logUnknownParameter(const char* name) const;
    /// Applies the stored values whose parameters exist; true when a changed parameter
    /// requires pre-initialising again. With useUp the entries it handled are erased, else
    /// they stay stored.
    bool applyParameterValues(bool useUp);
    /// Erases the stored values that name a parameter: the PreInitialize that succeeded has
    /// applied them.
    void useUpAppliedParameterValues();
    /// Logs the stored values that no parameter took, once per set of names.
    HYX_INTERNAL void reportUnusedParameterValues();
    void recomputeGraphProgress() const;

    std::atomic<unsigned> _numAtomsProcessed{0};

    // Guards the progress text; the value is read without it.
    mutable std::mutex _progressMutex;
    std::atomic<float> _progress{0.0f};
    float _progressWeight = 1.0f;
    std::string _progressInfo;

    // Guards the two references below for readers on other threads (a host asking IsDone or
    // a filter's source while another thread builds); held for a copy or an assignment alone.
    // The updating thread's reads (inputConnectionForUpdate) need none: building never
    // overlaps an update.
    mutable std::mutex _connectionMutex;
    std::weak_ptr<Connection> _inputConnection;
    std::weak_ptr<Connection> _outputConnection;
    // The objects of the two references above, set with them.
    Connection* _inputConnectionPtr = nullptr;
    Connection* _outputConnectionPtr = nullptr;
    std::atomic<FilterState> _state{FilterState::Created};
    // False while the error text is certainly empty; changed under _errorMutex. Beside the
    // state, which every update reads too.
    mutable std::atomic<bool> _hasError{false};

    // The last record is swapped in under a spin lock held for the pointer swap alone (no mutex
    // on the update path); the mutex guards the per-stream map. Hosts get a handle of their own
    // on the record (AtomRecord::Lend), filled before they do; the atom it stands for may
    // travel on and be changed downstream.
    mutable VornCommon::concurrency::SpinLock _lastAtomLock;
    std::shared_ptr<AtomRecord> _lastProcessedAtom;
    // The object of _lastProcessedAtom, stored with it under the lock: the updating thread
    // compares an atom's record against it without the lock.
    std::atomic<const AtomRecord*> _lastRecordObject{nullptr};
    // An emptied record nobody else holds, made into the next new record (pushing thread only).
    std::shared_ptr<AtomRecord> _spareRecord;
    mutable std::mutex _cacheMutex;
    std::map<int, std::shared_ptr<AtomRecord>> _lastProcessedAtoms;
    // Whether the map may hold entries, read without the lock by the pushing thread, which
    // empties it once stream selection is off.
    std::atomic<bool> _keepsStreamAtoms{false};

    std::weak_ptr<Graph> _graph;
    // The object of _graph, set with it.
    Graph* _graphPtr = nullptr;

    mutable std::mutex _paramMutex;
    std::vector<std::shared_ptr<FilterParam>> _params;
    std::vector<std::shared_ptr<ParamGroup>> _paramGroups;
    std::map<std::string, std::string> _storedParamValues;
    // The names of the stored values last logged as taken by no parameter.
    std::string _reportedUnusedValues;

    mutable std::atomic<int> _instanceId{-1};
    const bool _isSource;
    // Set when Instantiate runs through instantiateOnce.
    std::atomic<bool> _instantiated{false};

    mutable std::mutex _listenerMutex;
    std::deque<IFilterParameterValueChanged*> _listeners;

    mutable std::mutex _errorMutex;
};

/// A filter fed by an upstream filter: transforms, mutates and targets. The three families
/// share one update cycle (runUpdateCycle); each supplies only its per-atom step and its
/// failure policy (UpdateCycle).
class HYX_API FilterWithInput : public Filter {
public:
    /// Not a source.
    FilterWithInput();
    ~FilterWithInput() override;

    /// 17 outside Playing; otherwise mirrors the source's progress.
    HyxErrorCode Update() override;
    /// True without an input connection or when the input queue is empty.
    bool IsDone() const override;
    /// The upstream filter's stream count (0 without one).
    int GetOutputNumStreams() const override;
    /// The upstream filter's stream ids (none without one).
    std::vector<int> GetStreamIds() const override;

    /// The input profile; empty until set.
    virtual std::shared_ptr<Profile> GetInputProfile() const;
    /// Sets the input profile from what the upstream filter offers.
    virtual HyxErrorCode SetInputProfile(Filter* upstream, std::shared_ptr<Profile> profile) = 0;
    /// The upstream filter's output stream count; 0 without one.
    virtual int GetInputNumStreams() const;
    /// The upstream filter's stream ids; none without one.
    virtual std::vector<int> GetInputStreamIds() const;

protected:
    /// What a family of filters (transforms, mutates, targets) adds to the one update cycle
    /// they share: its per-atom step and its failure policy.
    struct UpdateCycle {
        /// What a failing step does to the rest of the cycle.
        enum class OnFailure : int32_t {
            /// The failure ends the cycle.
            End,
            /// Every pending atom is still handled; the first failure, with the text it left,
            /// is the result.
            ConsumeRest,
        };
        /// How missing connections are met.
        enum class Links : int32_t {
            /// Both are needed; a missing one is the body's bare result (reported by the finish).
            Required,
            /// Both are needed, the output only while input is pending; a missing one is
            /// reported at once (and the finish nests that report).
            RequiredReported,
            /// The input is needed (reported at once); without an output every pending atom is
            /// handled and the accepted ones only counted.
            OutputOptional,
        };
        /// Gets the pulled atom and leaves in it what is to be pushed (empty: nothing). 0 and 1
        /// go on; a failure is met as `onFailure` says; clearing `more` ends the cycle quietly
        /// after this atom.
        HyxErrorCode (*step)(FilterWithInput& filter, std::shared_ptr<Atom>& atom, bool& more);
        OnFailure onFailure;
        Links links;
        /// Runs after every cycle whose body did not fail (the family's onPostUpdate).
        HyxErrorCode (*post)(FilterWithInput& filter);
        /// When set, runs in place of the state check and pullPending, doing both itself; any
        /// failure of it, the state check's too, is nested by the finish (a mutate's onUpdate).
        HyxErrorCode (*body)(FilterWithInput& filter) = nullptr;
    };

    /// One update cycle: inside the profiler zone, the state check and progress of Update (a
    /// failure is returned bare), the error text emptied, pullPending, then finishCycle.
    HYX_INTERNAL HyxErrorCode runUpdateCycle(const VornCommon::ProfilerZone& zone, const UpdateCycle& cycle);
    /// Pulls the pending atoms the output can take at once (the count seen at the gate) and
    /// runs the step on each, pushing what it leaves. 0 when an atom was pushed, else 1, or the
    /// failure. A flush's empty sentinel is skipped.
    HYX_INTERNAL HyxErrorCode pullPending(const UpdateCycle& cycle);
    /// Ends a cycle: a failing body is reported with the text it left as extra information;
    /// otherwise the text is emptied and post runs, its failure reported the same way.
    HYX_INTERNAL HyxErrorCode finishCycle(HyxErrorCode body, HyxErrorCode (*post)(FilterWithInput& filter));

    /// The data profiles the filter needs on its input (set by Instantiate or earlier).
    std::shared_ptr<Profile> _requestedInputProfile;
    /// The input profile chosen at initialisation.
    std::shared_ptr<Profile> _inputProfile;

private:
    /// `code` reported at once when the cycle says so, else bare.
    HYX_INTERNAL HyxErrorCode missingLink(const UpdateCycle& cycle, HyxErrorCode code) const;

    // The source found by the last update and the chain topology it was found in (used by
    // the updating thread only).
    std::weak_ptr<Filter> _updateSource;
    Filter* _updateSourcePtr = nullptr;
    uint64_t _updateSourceTopology = 0;
};

} // namespace Hyx
