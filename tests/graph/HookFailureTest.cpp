// Every way a run ends or fails to start, against every hook that can fail there and every way
// it can fail, on an asynchronous graph and on one the host updates. Each row checks what a
// host relies on: the process lives, a graph that reads Playing moves frames, the next Play
// plays or says why not, listeners hear how a run ended, and Stop then Play plays every frame
// once, in order. Each row runs in a child process: a crash fails its row, not the program.

#include "FailingAllocation.h"
#include "GraphFixtures.h"

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <stdexcept>

using namespace GraphFixtures;

namespace {

constexpr unsigned kFrames = 12;
constexpr unsigned kAt = 4; // the frame whose step acts in the first run

/// What ends the run, or fails to start it.
enum class Trigger {
    WorkerEnd, // the worker stops the graph itself at the end of a forward-once run
    HookPause, // the target's step pauses the graph inside the pass
    HookStop, // the target's step stops the graph inside the pass
    HostPlay, // the host plays the stopped graph
    HostPause, // the host pauses the playing graph
    HostStop, // the host stops the playing graph
    RateChange, // the host changes the rate of the playing graph
    PlayMode, // the host plays the stopped graph with a mode
    HostDrop, // the host drops its last reference to the playing graph, between turns
    WorkerDrop // the host drops its last reference inside the worker's pass: the worker destroys it
};

/// What fails there, once.
enum class Hook {
    OnPlay, // the transform's onPlay
    OnPause, // the transform's onPause
    OnStop, // the transform's onStop
    StreamInfo, // the source's GetStreamInfo
    Listener, // a graph listener hearing the state the trigger brings
    WorkerStart // the system, while the worker thread starts
};

enum class How {
    Throws, // std::runtime_error("boom")
    ThrowsOther, // the int 42
    Fails, // returns a failure code
    OutOfMemory // std::bad_alloc
};

enum class Kind {
    Async,
    Host
};

struct Row {
    Trigger trigger;
    Hook hook;
    How how;
    Kind kind;
};

// Combinations that cannot occur, left out of the table:
// - on a graph the host updates there is no worker: no worker's end, rate change or drop by
//   the worker, and nothing starts a thread;
// - only the system fails a thread's start, by running out of memory, and nothing else does;
// - listeners and GetStreamInfo have no result code: they fail only by throwing;
// - a rate change tells no state;
// - a hook runs only where the trigger calls it: onPlay in a Play (a pause that fails plays
//   the filters it paused again, but that needs a second failure), onPause in a Pause,
//   onStop in a stop or destruction, GetStreamInfo where a rate or a mode is worked out
//   (the host's own graph reads none when it plays).
bool Possible(const Row& row)
{
    const bool async = row.kind == Kind::Async;
    const Trigger t = row.trigger;
    if (!async && (t == Trigger::WorkerEnd || t == Trigger::RateChange || t == Trigger::WorkerDrop))
        return false;
    if ((row.hook == Hook::WorkerStart) != (row.how == How::OutOfMemory))
        return false;
    if (row.how == How::Fails && (row.hook == Hook::Listener || row.hook == Hook::StreamInfo))
        return false;
    switch (row.hook) {
    case Hook::WorkerStart: return async && (t == Trigger::HostPlay || t == Trigger::PlayMode);
    case Hook::OnPlay: return t == Trigger::HostPlay || t == Trigger::PlayMode;
    case Hook::OnPause: return t == Trigger::HookPause || t == Trigger::HostPause;
    case Hook::OnStop:
        return t == Trigger::WorkerEnd || t == Trigger::HookStop || t == Trigger::HostStop || t == Trigger::HostDrop ||
               t == Trigger::WorkerDrop;
    case Hook::StreamInfo:
        return t == Trigger::RateChange || t == Trigger::PlayMode || (t == Trigger::HostPlay && async);
    case Hook::Listener: return t != Trigger::RateChange;
    }
    return false;
}

std::vector<Row> RowsOf(Trigger trigger)
{
    std::vector<Row> rows;
    for (const Kind kind : {Kind::Async, Kind::Host})
        for (const Hook hook :
             {Hook::OnPlay, Hook::OnPause, Hook::OnStop, Hook::StreamInfo, Hook::Listener, Hook::WorkerStart})
            for (const How how : {How::Throws, How::ThrowsOther, How::Fails, How::OutOfMemory}) {
                const Row row{trigger, hook, how, kind};
                if (Possible(row))
                    rows.push_back(row);
            }
    return rows;
}

std::string NameOf(const Row& row)
{
    static const char* const triggers[] = {"worker's end", "hook's Pause", "hook's Stop", "host's Play",
                                           "host's Pause", "host's Stop",  "rate change", "Play(mode)",
                                           "host's drop",  "worker's drop"};
    static const char* const hooks[] = {"onPlay",        "onPause",        "onStop",
                                        "GetStreamInfo", "state listener", "worker start"};
    static const char* const hows[] = {"throws", "throws an int", "fails", "runs out of memory"};
    return std::string(triggers[static_cast<int>(row.trigger)]) + ", " + hooks[static_cast<int>(row.hook)] + " " +
           hows[static_cast<int>(row.how)] + (row.kind == Kind::Async ? ", asynchronous" : ", host's thread");
}

bool Throwing(How how)
{
    return how == How::Throws || how == How::ThrowsOther;
}

/// Fails once, as the row says, when armed.
struct Fault {
    std::atomic<bool> armed{false};
    How how = How::Throws;
    /// Throws, or answers true for a failure to return.
    bool fire()
    {
        if (!armed.exchange(false))
            return false;
        if (how == How::Throws)
            throw std::runtime_error("boom");
        if (how == How::ThrowsOther)
            throw 42;
        return true;
    }
};

/// A source whose GetStreamInfo fails when armed.
class InfoSource : public TestSource {
public:
    explicit InfoSource(Fault& fault) : TestSource(kFrames), _fault(fault) {}
    std::shared_ptr<DataTypeStreamInfo> GetStreamInfo() override
    {
        _fault.fire();
        return TestSource::GetStreamInfo();
    }

private:
    Fault& _fault;
};

/// A transform whose onPlay, onPause or onStop fails when armed.
class Hooked : public TestTransform {
public:
    Hooked(Hook hook, Fault& fault) : _hook(hook), _fault(fault) {}

protected:
    HyxErrorCode onPlay() override
    {
        return run(Hook::OnPlay, [this] { return TestTransform::onPlay(); });
    }
    HyxErrorCode onPause() override
    {
        return run(Hook::OnPause, [this] { return TestTransform::onPause(); });
    }
    HyxErrorCode onStop() override
    {
        return run(Hook::OnStop, [this] { return TestTransform::onStop(); });
    }

private:
    template <class Base>
    HyxErrorCode run(Hook hook, Base base)
    {
        if (hook == _hook && _fault.fire())
            return ReportError(HyxErrorCode::FilterError);
        return base();
    }
    const Hook _hook;
    Fault& _fault;
};

/// A graph listener that fails when it hears one state, and one that makes the next
/// allocation of the thread that tells Playing fail.
struct StateHooks : Graph::Events {
    Fault* fault = nullptr;
    State on = State::Stopped;
    std::atomic<bool> failAllocation{false};
    void onGraphStateChanged(State state) override
    {
        if (fault && state == on)
            fault->fire();
        // Last of all: the next allocation is the worker's start.
        if (state == State::Playing && failAllocation.exchange(false))
            FailingAllocation::FailNextOnThisThread();
    }
};

/// The checks of a row, in the child; what failed goes to standard error.
class Problems {
public:
    void check(bool ok, const std::string& what)
    {
        if (!ok)
            _text += what + "\n";
    }
    template <class A, class B>
    void equal(const A& actual, const B& expected, const char* what)
    {
        if (actual == expected)
            return;
        std::ostringstream out;
        out << what << ": got ";
        show(out, actual);
        out << ", expected ";
        show(out, expected);
        _text += out.str() + "\n";
    }
    const std::string& text() const { return _text; }

private:
    template <class T>
    static void show(std::ostream& out, const T& value)
    {
        if constexpr (std::is_same_v<T, Frames>) {
            out << "{";
            for (const auto& item : value)
                out << " " << item;
            out << " }";
        } else {
            out << static_cast<int>(value);
        }
    }
    std::string _text;
};

/// InfoSource -> Hooked -> target on the row's kind of graph, forward once over kFrames; the
/// target records the frames and acts at frame kAt of the first run.
class Chain {
public:
    explicit Chain(const Row& row) : _row(row)
    {
        fault.how = row.how;
        if (row.kind == Kind::Async) {
            auto graph = std::make_shared<AsyncGraph>();
            async = graph.get();
            _graph = std::move(graph);
        } else {
            _graph = std::make_shared<Graph>();
        }
        source = std::make_shared<InfoSource>(row.hook == Hook::StreamInfo ? fault : _idle);
        hooked = std::make_shared<Hooked>(row.hook, fault);
        target = std::make_shared<TestTarget>();
        for (const std::shared_ptr<Filter>& filter : std::vector<std::shared_ptr<Filter>>{source, hooked, target})
            problems.equal(_graph->AddAndConnect(filter), ActionResult::Success, "AddAndConnect");
        target->process = [this](TestTarget&, const Atom& atom) {
            if (atom.GetFrameNr() == kAt && !_acted.exchange(true))
                act();
            return HyxErrorCode::Success;
        };
        _graph->_graphEvents.Add(&log);
        _graph->_graphEvents.Add(&hooks); // after the log
        if (row.hook == Hook::Listener) {
            hooks.fault = &fault;
            const Trigger t = row.trigger;
            hooks.on = t == Trigger::HostPlay || t == Trigger::PlayMode     ? State::Playing
                       : t == Trigger::HookPause || t == Trigger::HostPause ? State::Paused
                                                                            : State::Stopped;
        }
        problems.equal(_graph->SetPlaybackMode(PlaybackMode::ForwardOnce, true), ActionResult::Success, "mode");
    }
    ~Chain()
    {
        fault.armed = false;
        if (_graph) {
            try {
                _graph->Stop();
            } catch (...) {
            }
            _graph->_graphEvents.Remove(&hooks);
            _graph->_graphEvents.Remove(&log);
            _graph.reset();
        }
        // A graph the worker destroys may still be on its way out.
        destroyed();
    }

    Graph& graph() const { return *_graph; }
    bool asyncKind() const { return _row.kind == Kind::Async; }
    std::string error() const { return _graph->GetLastError(false).StdString(); }
    void arm()
    {
        if (_row.hook == Hook::WorkerStart)
            hooks.failAllocation = true;
        else
            fault.armed = true;
    }
    /// Runs a host call; an exception is counted (and checked against the row) instead.
    std::optional<ActionResult> call(const std::function<ActionResult()>& f)
    {
        try {
            return f();
        } catch (const std::runtime_error& e) {
            problems.check(_row.how == How::Throws && std::string(e.what()) == "boom",
                           std::string("the host got an unexpected std::runtime_error: ") + e.what());
        } catch (int value) {
            problems.check(_row.how == How::ThrowsOther && value == 42, "the host got an unexpected int");
        } catch (const std::exception& e) {
            problems.check(false, std::string("the host got an unexpected exception: ") + e.what());
        }
        ++thrown;
        return std::nullopt;
    }
    /// The host's graph: one pass, an exception counted as a host's.
    bool update()
    {
        const std::optional<ActionResult> result = call([this] { return _graph->Update(); });
        return result.value_or(ActionResult::Success) == ActionResult::Success;
    }
    /// Lets the host drop its reference; the graph is gone once every filter was reset.
    void drop() { _graph.reset(); }
    bool destroyed() const
    {
        return Eventually([this] {
            return source->GetFilterState() == Filter::FilterState::PreInitialized &&
                   hooked->GetFilterState() == Filter::FilterState::PreInitialized &&
                   target->GetFilterState() == Filter::FilterState::PreInitialized;
        });
    }
    bool acted() const { return _acted.load(); }
    /// The level-2 lines logged so far.
    std::vector<std::string> errorLines() const
    {
        std::vector<std::string> errors;
        for (const auto& entry : lines.Entries())
            if (entry.level == LogLevel::Error)
                errors.push_back(entry.text);
        return errors;
    }

    /// What the target's step does at frame kAt.
    void act()
    {
        const Trigger t = _row.trigger;
        if (t == Trigger::HookPause || t == Trigger::HookStop) {
            arm();
            // An exception goes on out of the pass, as from any step.
            hookResult =
                static_cast<int>(t == Trigger::HookPause ? target->GetGraph()->Pause() : target->GetGraph()->Stop());
            return;
        }
        // On the worker, the host acts meanwhile; it may ask the worker to end instead.
        if (async && (t == Trigger::HostPause || t == Trigger::HostStop || t == Trigger::RateChange ||
                      t == Trigger::HostDrop || t == Trigger::WorkerDrop)) {
            entered.open();
            // Asked through a reference of its own, as IsStopRequested wants on the worker.
            leave.passUnless([this] {
                const std::shared_ptr<AsyncGraph> graph = std::dynamic_pointer_cast<AsyncGraph>(target->GetGraph());
                return graph && graph->IsStopRequested();
            });
        }
    }

    /// The frames of the target so far.
    Frames frames() const { return target->frames(); }
    /// Listeners were told what the graph reads: Stopped (or Error) after the last Playing
    /// when it is stopped, Paused when paused, Playing last when it plays.
    bool toldAsItIs() const
    {
        const std::vector<State> states = log.states();
        const auto last = std::find(states.rbegin(), states.rend(), State::Playing);
        const auto after = [&](State s) { return std::find(states.rbegin(), last, s) != last; };
        if (_graph->IsPlaying())
            return !states.empty() && states.back() == State::Playing;
        if (_graph->IsPaused())
            return after(State::Paused);
        return last == states.rend() || after(State::Stopped) || after(State::Error);
    }

private:
    const Row _row;
    Fault _idle; // never armed
    std::atomic<bool> _acted{false};

public:
    Problems problems;
    CapturedLog lines;
    Fault fault;
    StateLog log;
    StateHooks hooks;
    AsyncGraph* async = nullptr;
    std::shared_ptr<InfoSource> source;
    std::shared_ptr<Hooked> hooked;
    std::shared_ptr<TestTarget> target;
    Gate entered, leave;
    /// What the step's Pause or Stop answered (-1: nothing, or it threw).
    std::atomic<int> hookResult{-1};
    int thrown = 0;

private:
    std::shared_ptr<Graph> _graph;
};

/// Plays `chain`'s host graph on until it is done; false on a failed pass or an exception.
bool RunOnHost(Chain& chain)
{
    for (int pass = 0; pass < 1000; ++pass) {
        if (!chain.update())
            return false;
        if (chain.graph().IsDone())
            return true;
    }
    return false;
}

/// Frames flow while the graph reads Playing: on the worker new frames arrive or the run
/// ends; on the host's thread the passes succeed until the run is done.
bool Flows(Chain& chain)
{
    if (!chain.asyncKind())
        return RunOnHost(chain);
    const size_t before = chain.frames().size();
    return Eventually([&] { return chain.frames().size() > before || !chain.graph().IsPlaying(); });
}

std::string Run(const Row& row)
{
    Chain chain(row);
    Problems& problems = chain.problems;
    Graph& graph = chain.graph();
    const bool async = chain.asyncKind();
    const Trigger t = row.trigger;
    const auto play = [&] { return async ? graph.Play() : graph.Play(PlaybackMode::ForwardOnce); };
    std::optional<ActionResult> result; // of the host's call that met the failure
    bool hostCall = true; // the failure met a call the host made on its thread

    // Up to the trigger, and the trigger.
    if (t == Trigger::HostPlay || t == Trigger::PlayMode) {
        chain.arm();
        result =
            chain.call([&] { return t == Trigger::HostPlay ? graph.Play() : graph.Play(PlaybackMode::ForwardOnce); });
    } else if (t == Trigger::WorkerEnd) {
        chain.arm();
        hostCall = false;
        problems.equal(graph.Play(), ActionResult::Success, "Play");
    } else if (t == Trigger::HookPause || t == Trigger::HookStop) {
        hostCall = !async; // the pass runs in the host's Update
        problems.equal(play(), ActionResult::Success, "Play");
        if (!async) {
            for (int pass = 0; pass < 100 && !chain.acted(); ++pass)
                chain.update();
            problems.check(chain.acted(), "the step never acted");
        }
    } else {
        // Mid-run: the worker waits in the step of frame kAt; the host updates up to it.
        problems.equal(play(), ActionResult::Success, "Play");
        if (async) {
            problems.check(chain.entered.pass(), "the worker never reached the frame");
        } else {
            for (int pass = 0; pass < 100 && !chain.acted(); ++pass)
                chain.update();
        }
        if (t == Trigger::HostDrop && async) {
            // Between turns: the worker sleeps and holds no reference.
            chain.async->Suspend();
            chain.leave.open();
            const std::weak_ptr<Graph> watch = graph.weak_from_this();
            problems.check(Eventually([&] { return watch.use_count() == 1; }), "the worker kept the graph");
        }
        chain.arm();
        switch (t) {
        case Trigger::HostPause: result = chain.call([&] { return graph.Pause(); }); break;
        case Trigger::HostStop: result = chain.call([&] { return graph.Stop(); }); break;
        case Trigger::RateChange: result = chain.call([&] { return chain.async->SetGraphFps(500.0f); }); break;
        default: chain.drop(); break;
        }
        chain.leave.open();
    }

    // The host took an exception where it made the call that met one, and only there; a
    // failure code is a Failure with a text.
    const bool dropped = t == Trigger::HostDrop || t == Trigger::WorkerDrop;
    problems.equal(chain.thrown, Throwing(row.how) && hostCall && !dropped ? 1 : 0, "exceptions the host took");
    if (row.how == How::Fails && result) {
        problems.equal(*result, ActionResult::Failure, "the call");
        problems.check(!chain.error().empty(), "a failure without a text");
    }
    if (row.hook == Hook::WorkerStart) {
        problems.equal(result.value_or(ActionResult::Success), ActionResult::Failure, "Play");
        problems.check(chain.error() == "Graph failed to start playing(cannot start the worker thread)",
                       "text: " + chain.error());
    }

    if (dropped) {
        // Nothing leaves the destructor: the process lives, every filter was stopped and
        // removed, the listeners heard the run end, and a throw is one level-2 line.
        problems.check(chain.destroyed(), "the filters were not all removed");
        const std::vector<State> states = chain.log.states();
        problems.check(!states.empty() && states.back() == State::Stopped, "the end was not told");
        const std::vector<std::string> errors = chain.errorLines();
        problems.equal(static_cast<int>(errors.size()), 1, "level-2 lines");
        const std::string line = async ? "AsyncGraph: Graph failed to stop(" : "Graph failed to stop(";
        problems.check(!errors.empty() && errors.front().rfind(line, 0) == 0,
                       "line: " + (errors.empty() ? std::string() : errors.front()));
        return problems.text();
    }

    // A run the worker ends (or a pass paused) comes to rest.
    if (async && !hostCall)
        problems.check(Eventually([&] { return !graph.IsPlaying(); }), "the run never ended");
    if (t == Trigger::WorkerEnd && row.hook == Hook::OnStop) {
        // The worker's own stop failed: listeners hear it, with the stop's text.
        const std::vector<State> told{State::Playing, State::Error, State::Stopped};
        problems.check(Eventually([&] { return chain.log.states() == told; }), "not told Playing, Error, Stopped");
        problems.check(chain.error().rfind("Graph failed to stop(", 0) == 0, "text: " + chain.error());
    }
    if (t == Trigger::WorkerEnd && Throwing(row.how)) {
        // What the worker's own stop threw (a filter's onStop, a listener of Stopped) reaches
        // no caller: one level-2 line tells it.
        problems.check(Eventually([&] {
                           const std::vector<std::string> errors = chain.errorLines();
                           return errors.size() == 1 &&
                                  errors.front().rfind("AsyncGraph: Graph failed to stop(", 0) == 0;
                       }),
                       "the worker's own stop that threw was not logged as one line");
    }
    if (row.hook == Hook::OnPlay || row.hook == Hook::OnPause || row.hook == Hook::OnStop) {
        // The first failure is the text: the filter's, or who threw what. On the worker an
        // exception out of a step's Pause or Stop fails the pass, naming the filter it came from.
        const std::string name = chain.hooked->GetFilterClassInfo().GetNiceClassName().StdString();
        const std::string detail = row.how == How::Throws ? "Filter '" + name + "' threw: boom"
                                   : row.how == How::ThrowsOther
                                       ? "Filter '" + name + "' threw an exception of unknown type"
                                       : Nested(name.c_str(), HyxErrorCode::FilterError);
        const char* prefix = row.hook == Hook::OnPlay    ? "Graph failed to start playing"
                             : row.hook == Hook::OnPause ? "Graph failed to pause"
                                                         : "Graph failed to stop";
        if (async && Throwing(row.how) && (t == Trigger::HookPause || t == Trigger::HookStop))
            prefix = "Graph update failed";
        const std::string text = std::string(prefix) + "(" + detail + ")";
        problems.check(Eventually([&] { return chain.error() == text; }), "text: " + chain.error() + ", not " + text);
    }
    if (t == Trigger::RateChange) {
        // A rate change the source's answer broke off changed nothing.
        float fps = -7.0f;
        chain.async->GetGraphFps(fps);
        problems.check(fps == 0.0f && chain.async->GetFramePeriodMs() == 0, "the rate changed");
    }
    if (row.how == How::Fails && (t == Trigger::HookPause || t == Trigger::HookStop))
        problems.check(Eventually([&] { return chain.hookResult.load() == static_cast<int>(ActionResult::Failure); }),
                       "the step's call did not fail");
    // A stop goes on past the filter that failed: nothing after it runs on.
    if (row.hook == Hook::OnStop)
        problems.check(!graph.IsPlaying() || !async, "an asynchronous stop left the graph playing");
    if (row.hook == Hook::OnStop || graph.IsStopped())
        problems.check(chain.target->GetFilterState() != Filter::FilterState::Playing &&
                           chain.source->GetFilterState() != Filter::FilterState::Playing,
                       "a filter beside the failing one plays on after the stop");
    problems.check(Eventually([&] { return chain.toldAsItIs(); }), "listeners were not told what the graph reads");
    // On the host's thread a stop that a filter refused (or threw in) leaves the graph as it
    // was: the host stops it again. Everywhere else a graph that reads Playing moves frames,
    // and the next Play plays or says why not.
    const bool stopKept = !async && row.hook == Hook::OnStop;
    if (stopKept) {
        problems.check(graph.IsPlaying(), "the host's graph left its state after a failed stop");
        problems.equal(graph.Stop(), ActionResult::Success, "the second Stop");
    } else {
        if (graph.IsPlaying())
            problems.check(Flows(chain), "it reads Playing but no frame moves");
        const size_t before = chain.frames().size();
        const size_t ends = chain.log.states().size();
        // After the worker's own end Play(mode) is tried as well as Play.
        const bool withMode = !async || (t == Trigger::WorkerEnd && row.how != How::Throws);
        const std::optional<ActionResult> next =
            chain.call([&] { return withMode ? graph.Play(PlaybackMode::ForwardOnce) : graph.Play(); });
        problems.check(next.has_value(), "the next Play threw");
        if (next == ActionResult::Success) {
            if (async) {
                problems.check(Eventually([&] {
                                   const std::vector<State> states = chain.log.states();
                                   const bool ended = states.size() > ends && states.back() == State::Stopped;
                                   return chain.frames().size() > before || ended;
                               }),
                               "the next Play answered Success and nothing played");
            } else {
                problems.check(RunOnHost(chain), "the next Play's run failed");
            }
        } else {
            problems.check(!chain.error().empty(), "the next Play failed without a text");
        }
    }
    for (const auto& entry : chain.lines.Entries())
        problems.check(entry.text.rfind("Assertion failed", 0) != 0, entry.text);

    // Stop, then a run of every frame once, in order.
    problems.equal(graph.Stop(), ActionResult::Success, "Stop");
    problems.check(graph.IsStopped(), "not stopped");
    const size_t firstRuns = chain.frames().size();
    problems.equal(play(), ActionResult::Success, "the last Play");
    if (async) {
        problems.check(Eventually([&] { return chain.frames().size() >= firstRuns + kFrames && graph.IsStopped(); }),
                       "the last run never ended");
    } else {
        problems.check(RunOnHost(chain), "the last run failed");
    }
    problems.equal(graph.Stop(), ActionResult::Success, "the last Stop");
    const Frames all = chain.frames();
    problems.equal(Frames(all.begin() + static_cast<long>(std::min(firstRuns, all.size())), all.end()), Range(kFrames),
                   "the last run");
    const std::vector<State> told = chain.log.states();
    problems.check(!told.empty() && told.back() == State::Stopped, "the last state told is not Stopped");
    return problems.text();
}

/// Ends the child with the row's problems on standard error: status 0 when there are none.
[[noreturn]] void ExitWith(const std::string& problems)
{
    std::fputs(problems.c_str(), stderr);
    std::exit(problems.empty() ? 0 : 1);
}

void RunRows(Trigger trigger)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (const Row& row : RowsOf(trigger)) {
        SCOPED_TRACE(NameOf(row));
        EXPECT_EXIT(ExitWith(Run(row)), testing::ExitedWithCode(0), "");
    }
}

} // namespace

TEST(HookFailureThreads, TheWorkersOwnEnd)
{
    RunRows(Trigger::WorkerEnd);
}

TEST(HookFailureThreads, AStepsPauseInsideThePass)
{
    RunRows(Trigger::HookPause);
}

TEST(HookFailureThreads, AStepsStopInsideThePass)
{
    RunRows(Trigger::HookStop);
}

TEST(HookFailureThreads, TheHostsPlay)
{
    RunRows(Trigger::HostPlay);
}

TEST(HookFailureThreads, TheHostsPause)
{
    RunRows(Trigger::HostPause);
}

TEST(HookFailureThreads, TheHostsStop)
{
    RunRows(Trigger::HostStop);
}

TEST(HookFailureThreads, ARateChange)
{
    RunRows(Trigger::RateChange);
}

TEST(HookFailureThreads, PlayWithAMode)
{
    RunRows(Trigger::PlayMode);
}

TEST(HookFailureThreads, DestructionByTheHost)
{
    RunRows(Trigger::HostDrop);
}

TEST(HookFailureThreads, DestructionByTheWorker)
{
    RunRows(Trigger::WorkerDrop);
}
