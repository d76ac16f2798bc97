// Seeded stress of an asynchronous graph: two or three host threads call Play, Play(mode),
// Pause, Stop, SetGraphFps, SetPlaybackMode, Suspend and Resume at random while the filters'
// hooks and updates fail or throw at random and listeners call back from the worker, and from
// a host thread whose Pause or resuming Play ends the run because a put-back failed too. After
// each call settles, and at meeting points where no host call is under way, the rules the
// headers give a host are checked; a seed ends with a last Play, Stop and the destructor, or
// with the destructor of a playing graph. Every choice comes from the seed, so a failing seed
// runs the same mix again (the threads' timing differs from run to run):
//   HYX_STRESS_SEED=<first seed> HYX_STRESS_SEEDS=<count> test_graph
//       --gtest_filter='AsyncGraphStressThreads.*'
// HYX_STRESS_SEED alone runs that one seed; HYX_STRESS_SEEDS alone counts from seed 1. A run
// that names its count has no time budget; a hung seed ends the program with its number, as a
// crash does.

#include "GraphFixtures.h"

#include <barrier>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <utility>

#include <unistd.h>

using namespace GraphFixtures;

namespace {

#if defined(__SANITIZE_THREAD__)
constexpr bool kThreadSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
constexpr bool kThreadSanitizer = true;
#else
constexpr bool kThreadSanitizer = false;
#endif
#else
constexpr bool kThreadSanitizer = false;
#endif

// Seeds of a default run: each takes about 0.1 s of calls (the hosts mostly sleep), so about
// 14 s plain and, under ThreadSanitizer on two cores, about 12 s.
constexpr unsigned kDefaultSeeds = kThreadSanitizer ? 100 : 120;
// What a settled call may wait for (a state told, a frame): far beyond a correct run.
constexpr std::chrono::seconds kSettle{kThreadSanitizer ? 10 : 5};
// A seed that takes longer has hung: the watchdog ends the program with the seed.
constexpr std::chrono::seconds kSeedLimit{kThreadSanitizer ? 30 : 20};
// No seed starts after this much of a default run (CTest gives the test 120 s).
constexpr std::chrono::seconds kBudget{70};

using Clock = std::chrono::steady_clock;
using Micros = std::chrono::microseconds;

uint64_t Mix(uint64_t x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

/// Seeded draws for any thread: the n-th draw of a seed is always the same number.
class Dice {
public:
    explicit Dice(uint64_t seed) : _seed(Mix(seed)) {}
    uint64_t next() { return Mix(_seed ^ Mix(_count.fetch_add(1) + 1)); }
    bool chance(double p) { return p > 0 && static_cast<double>(next() >> 11) * 0x1.0p-53 < p; }
    unsigned below(unsigned n) { return static_cast<unsigned>(next() % n); }

private:
    const uint64_t _seed;
    std::atomic<uint64_t> _count{0};
};

/// The rates a host asks for, and the period each gives with the source's 25 fps (AsyncGraph.h:
/// the codes of MutateBlockFPS; 0 no pacing, -3 the source's double).
constexpr std::pair<float, uint32_t> kRates[] = {{0.0f, 0}, {500.0f, 2}, {200.0f, 5}, {100.0f, 10}, {-3.0f, 20}};

std::optional<uint32_t> PeriodOf(float fps)
{
    for (const auto& [rate, period] : kRates)
        if (rate == fps)
            return period;
    return std::nullopt;
}

/// What one seed does: the graph, the faults, the hosts and their pace.
struct Plan {
    explicit Plan(uint64_t seed) : seed(seed)
    {
        std::mt19937_64 rng(Mix(seed));
        auto pick = [&rng](std::initializer_list<double> values) { return *(values.begin() + rng() % values.size()); };
        frames = static_cast<unsigned>(pick({12, 30, 60}));
        hosts = 2 + static_cast<int>(rng() % 2);
        withMutate = rng() % 2 == 0;
        hookFault = pick({0.0, 0.08, 0.2, 0.3});
        throwShare = pick({0.0, 0.3});
        updateFault = pick({0.0, 0.004, 0.03});
        sleepy = pick({0.0, 0.3, 0.6});
        rounds = 2 + static_cast<int>(rng() % 3);
        round = Micros(15000 + rng() % 35000);
        keepRecords = rng() % 5 != 0;
        destroyPlaying = rng() % 5 == 0;
        errorReaction = static_cast<unsigned>(rng() % 6);
        playingReaction = pick({0.0, 0.05, 0.15});
        startRate = kRates[rng() % std::size(kRates)].first;
        lastRoundStops = rng() % 3 != 0;
        // Drawn after the rest, so the choices above stay what they were for each seed.
        endReaction = static_cast<unsigned>(rng() % 6);
        stoppedReaction = rng() % 2 == 0;
        putBackFault = pick({0.0, 0.5, 0.9});
        walkRefusal = putBackFault > 0 ? pick({0.15, 0.3}) : 0.0;
        suspendBeforeResume = rng() % 3 == 0;
    }
    uint64_t seed;
    unsigned frames;
    int hosts;
    bool withMutate;
    double hookFault; // each onPlay, onPause, onStop (and a rare GetStreamInfo) fails
    double throwShare; // of the faults, those that throw
    double updateFault; // each frame's step fails
    double sleepy; // hooks and GetStreamInfo sleep a little, widening every window
    int rounds;
    Micros round;
    bool keepRecords; // the first host keeps weak references to last frames
    bool destroyPlaying; // the seed ends by destroying a graph that may play
    unsigned errorReaction; // 0-4: a listener of Error does that alone; 5: any, at random
    double playingReaction; // a listener of Playing pauses or stops
    float startRate;
    bool lastRoundStops; // else the hosts' last round leaves out Stop, so the end meets what
        // the calls before left
    unsigned endReaction; // a listener of Error on a host thread whose call ends the run: 0
        // nothing, 1 Stop, 2 Pause, 3 Play, 4 Play(mode); 5: any, at random
    bool stoppedReaction; // the same listener calls back on hearing that run's Stopped too
    double putBackFault; // the put-back after a refused Pause or resume fails, or throws
    double walkRefusal; // at least this often a filter after the source refuses a Pause or a
        // resume (or throws), so that a put-back follows
    bool suspendBeforeResume; // a host may Suspend the graph before it resumes it
};

/// The problems one seed met, by the rule they break.
class Problems {
public:
    void add(const std::string& tag, const std::string& text)
    {
        std::lock_guard<std::mutex> lock(_mutex);
        auto& list = _byTag[tag];
        if (list.size() < 3)
            list.push_back(text);
        ++_counts[tag];
    }
    std::string report() const
    {
        std::lock_guard<std::mutex> lock(_mutex);
        std::ostringstream out;
        for (const auto& [tag, list] : _byTag) {
            out << "  [" << tag << "] x" << _counts.at(tag) << "\n";
            for (const std::string& text : list)
                out << "    " << text << "\n";
        }
        return out.str();
    }
    /// A check that waits for what may never come waits once a seed.
    bool has(const std::string& tag) const
    {
        std::lock_guard<std::mutex> lock(_mutex);
        return _byTag.count(tag) != 0;
    }
    bool empty() const
    {
        std::lock_guard<std::mutex> lock(_mutex);
        return _byTag.empty();
    }

private:
    mutable std::mutex _mutex;
    std::map<std::string, std::vector<std::string>> _byTag;
    std::map<std::string, size_t> _counts;
};

const char* NameOf(State state)
{
    switch (state) {
    case State::Stopped: return "Stopped";
    case State::Playing: return "Playing";
    case State::Paused: return "Paused";
    case State::Error: return "Error";
    }
    return "?";
}

/// Texts no call of an asynchronous graph driven only by its worker and host threads gives;
/// the text read after `call` may be another thread's call's, which breaks the rule as well.
void CheckText(Problems& problems, const std::string& text, const char* call)
{
    static const std::pair<const char*, const char*> forbidden[] = {
        // Graph.h: on an AsyncGraph a Play from any other thread than the worker is not refused
        // while the worker's pass runs.
        {"it cannot be started inside an update pass", "play refused"},
        // Graph.h: Play(mode) of a playing graph is Success with the mode unchanged.
        {"failed to set a playback mode(graph must be stopped first)", "play refused"},
        // Graph.h: a Play or Pause that fails part way leaves no filter half-walked.
        {"is in wrong state to play", "half walked"},
        {"is in wrong state to update", "half walked"},
    };
    for (const auto& [piece, tag] : forbidden)
        if (text.find(piece) != std::string::npos)
            problems.add(tag, std::string("after ") + call + " the graph's text read \"" + text + "\"");
}

/// The life-cycle hooks that fail at random.
enum class Hook {
    Play,
    Pause,
    Stop
};

// On the thread whose Play or Pause walk a filter has just refused: the hook that puts the
// filters before it back (Pause after a refused resume, Play after a refused pause). The next
// hook on the thread takes it; a new run's put-back (Stop) lets it go.
thread_local std::optional<Hook> t_putBack;

/// Hook faults and the sleeps that widen windows; off outside the seed's calls.
struct Faults {
    explicit Faults(const Plan& plan) : plan(plan), dice(plan.seed ^ 0xFA17) {}
    enum class Outcome {
        Pass,
        Fail,
        Throw
    };
    Outcome draw(double p)
    {
        if (!on.load() || !dice.chance(p))
            return Outcome::Pass;
        return dice.chance(plan.throwShare) ? Outcome::Throw : Outcome::Fail;
    }
    /// A hook's fault. A Pause or resume walk with a put-back to make (`walked`: the filter is
    /// not the first) is refused at least at the walk's rate, and the put-back after a refusal
    /// fails at its own, so that runs end on host threads often in some seeds.
    Outcome draw(Hook hook, bool walked)
    {
        const std::optional<Hook> putBack = std::exchange(t_putBack, std::nullopt);
        if (putBack == hook)
            return draw(plan.putBackFault);
        const Outcome outcome = draw(walked ? std::max(plan.hookFault, plan.walkRefusal) : plan.hookFault);
        if (outcome != Outcome::Pass && hook != Hook::Stop)
            t_putBack = hook == Hook::Pause ? Hook::Play : Hook::Pause;
        return outcome;
    }
    void nap(unsigned longest = 1500)
    {
        if (on.load() && dice.chance(plan.sleepy))
            std::this_thread::sleep_for(Micros(100 + dice.below(longest - 100)));
    }
    const Plan& plan;
    Dice dice;
    std::atomic<bool> on{false};
};

/// Whether a filter's last stop failed: only such a filter may still run in a stopped graph
/// (the next Play or Stop stops it again). A play that passes clears it.
struct StopRecord {
    std::atomic<bool> stopFailed{false};
};

/// A filter whose onPlay, onPause and onStop fail or throw at random (and sleep a little).
template <class Base>
class Faulty : public Base, public StopRecord {
public:
    template <class... Args>
    explicit Faulty(Faults& faults, Args&&... args) : Base(std::forward<Args>(args)...), _faults(faults)
    {
    }

protected:
    HyxErrorCode onPlay() override
    {
        _faults.nap();
        return hook(Hook::Play, [this] { return Base::onPlay(); });
    }
    HyxErrorCode onPause() override
    {
        return hook(Hook::Pause, [this] { return Base::onPause(); });
    }
    HyxErrorCode onStop() override
    {
        return hook(Hook::Stop, [this] { return Base::onStop(); });
    }
    Faults& _faults;

private:
    template <class Call>
    HyxErrorCode hook(Hook kind, Call base)
    {
        // The source comes first in the walks: nothing is put back after it refuses.
        const bool walked =
            !std::is_base_of_v<Source, Base> &&
            (kind == Hook::Pause || (kind == Hook::Play && this->GetFilterState() == Filter::FilterState::Paused));
        const Faults::Outcome outcome = _faults.draw(kind, walked);
        if (kind == Hook::Stop)
            stopFailed = outcome != Faults::Outcome::Pass;
        else if (kind == Hook::Play && outcome == Faults::Outcome::Pass)
            stopFailed = false;
        switch (outcome) {
        case Faults::Outcome::Fail: return this->ReportError(HyxErrorCode::FilterError);
        case Faults::Outcome::Throw: throw std::runtime_error("hook fault");
        case Faults::Outcome::Pass: break;
        }
        return base();
    }
};

// Set on the host threads of a seed.
thread_local bool t_host = false;
// Set while a host thread is inside Play(mode).
thread_local bool t_inPlayMode = false;
// Set on a host thread from Error until Stopped is told there: its Play or Pause ends the run
// (the put-back failed too), and its listeners hear the end on this thread.
thread_local bool t_runEnding = false;

struct InPlayMode {
    InPlayMode() { t_inPlayMode = true; }
    ~InPlayMode() { t_inPlayMode = false; }
    InPlayMode(const InPlayMode&) = delete;
    InPlayMode& operator=(const InPlayMode&) = delete;
};

/// The source: its stream information also sleeps (a host's Play and rate change read it) and
/// rarely throws. Asked by a host's Play(mode) it may sleep longer, so that another host's
/// Play falls inside more often.
class StressSource : public Faulty<TestSource> {
public:
    StressSource(Faults& faults, unsigned frames) : Faulty<TestSource>(faults, frames) {}
    std::shared_ptr<DataTypeStreamInfo> GetStreamInfo() override
    {
        _faults.nap(t_inPlayMode ? 5000 : 1500);
        if (_faults.draw(_faults.plan.hookFault / 10) != Faults::Outcome::Pass)
            throw std::runtime_error("stream information fault");
        return TestSource::GetStreamInfo();
    }
};

/// Every state told and every frame the target got, in the order they happened, checked as
/// they come; a listener of Error or Playing may call the graph back.
class Journal : public Graph::Events {
public:
    Journal(unsigned frames, Problems& problems) : _frames(frames), _problems(problems) {}

    void onGraphStateChanged(State state) override
    {
        {
            std::lock_guard<std::mutex> lock(_mutex);
            _states.push_back(state);
            // AsyncGraph.h: a failed update (or the worker's own failed stop) is heard as
            // Error, then Stopped.
            if (_afterError && state != State::Stopped && state != State::Error)
                _problems.add("failed run", std::string("listeners heard Error, then ") + NameOf(state));
            _afterError = state == State::Error;
            // Graph.h, AsyncGraph.h: a run that ends is told Stopped once, also when a listener
            // of its end stops the graph again; only a Play starts the next.
            if (state == State::Stopped && _stoppedSincePlaying)
                _problems.add("Stopped twice",
                              "listeners heard Stopped again with no Playing between; heard: " + historyLocked());
            if (state == State::Stopped)
                _stoppedSincePlaying = true;
            else if (state == State::Playing)
                _stoppedSincePlaying = false;
            // A run ends Stopped; a paused run may be played again in a mode, from the start.
            if (state == State::Stopped || state == State::Paused)
                _last.reset();
        }
        _changed.notify_all();
        if (reaction)
            reaction(state);
    }

    /// The target got `frame`: within a run frames only move forward, wrapping only from the
    /// last frame of a loop (Graph.h: a Play of a playing graph leaves the run as it is).
    void frame(unsigned frame)
    {
        std::lock_guard<std::mutex> lock(_mutex);
        // AsyncGraph.h: the graph reads Playing only while its worker runs; a run that ended
        // (told Stopped) sends nothing until a Play starts the next.
        if (_stoppedSincePlaying)
            _problems.add("frame after Stopped",
                          "the target got frame " + std::to_string(frame) +
                              " after Stopped was told, with no Playing since; heard: " + historyLocked());
        if (_last && !(frame > *_last || (*_last + 1 == _frames && frame == 0)))
            _problems.add("run restarted", "frame " + std::to_string(frame) + " after frame " + std::to_string(*_last) +
                                               " within one run (no Stopped or Paused between)");
        _last = frame;
        ++_frameCount;
        _changed.notify_all();
    }

    /// The number of states told so far (the position of the next).
    size_t told() const
    {
        std::lock_guard<std::mutex> lock(_mutex);
        return _states.size();
    }
    uint64_t frames() const
    {
        std::lock_guard<std::mutex> lock(_mutex);
        return _frameCount;
    }
    /// Waits until one of `states` was told at or after `position`.
    bool heardSince(size_t position, std::initializer_list<State> states)
    {
        std::unique_lock<std::mutex> lock(_mutex);
        return _changed.wait_for(lock, kSettle, [&] {
            return std::any_of(_states.begin() + static_cast<std::ptrdiff_t>(std::min(position, _states.size())),
                               _states.end(),
                               [&](State s) { return std::find(states.begin(), states.end(), s) != states.end(); });
        });
    }
    /// Waits until Playing was told at or after `position` and Paused or Stopped after it: a
    /// run that began since and has ended (or paused) since.
    bool heardRunSince(size_t position)
    {
        std::unique_lock<std::mutex> lock(_mutex);
        return _changed.wait_for(lock, kSettle, [&] {
            const auto from = _states.begin() + static_cast<std::ptrdiff_t>(std::min(position, _states.size()));
            const auto playing = std::find(from, _states.end(), State::Playing);
            return playing != _states.end() && std::any_of(playing + 1, _states.end(), [](State s) {
                       return s == State::Paused || s == State::Stopped;
                   });
        });
    }
    /// Waits until a frame arrives or a state is told after the counts given.
    bool movesOn(uint64_t frames, size_t states)
    {
        std::unique_lock<std::mutex> lock(_mutex);
        return _changed.wait_for(lock, kSettle, [&] { return _frameCount > frames || _states.size() > states; });
    }
    std::string history() const
    {
        std::lock_guard<std::mutex> lock(_mutex);
        return historyLocked();
    }

    /// Runs on the telling thread after the state was recorded; set before any call.
    std::function<void(State)> reaction;

private:
    std::string historyLocked() const
    {
        std::string text;
        const size_t from = _states.size() > 12 ? _states.size() - 12 : 0;
        for (size_t i = from; i < _states.size(); ++i)
            text += std::string(i == from ? "" : " ") + NameOf(_states[i]);
        return text;
    }

    const unsigned _frames;
    Problems& _problems;
    mutable std::mutex _mutex;
    std::condition_variable _changed;
    std::vector<State> _states;
    uint64_t _frameCount = 0;
    std::optional<unsigned> _last;
    bool _afterError = false;
    bool _stoppedSincePlaying = false;
};

/// A host's weak reference to a last frame, with what the frame held when it was read.
struct KeptRecord {
    std::weak_ptr<Atom> record;
    size_t layers;
    unsigned frame;
    size_t filter;
};

/// One seed: the graph, its filters, the journal and the checks.
class Rig {
public:
    explicit Rig(uint64_t seed) : plan(seed), faults(plan), dice(seed ^ 0x11573), journal(plan.frames, problems)
    {
        graph = std::make_shared<AsyncGraph>();
        _self = graph.get();
        graph->_graphEvents.Add(&journal);
        source = add(std::make_shared<StressSource>(faults, plan.frames));
        transform = add(std::make_shared<Faulty<TestTransform>>(faults));
        if (plan.withMutate)
            add(std::make_shared<TestMutate>());
        target = add(std::make_shared<Faulty<TestTarget>>(faults));
        transform->process = [this](TestTransform& filter, const Atom&) { return step(filter, 1.0); };
        target->process = [this](TestTarget& filter, const Atom& atom) {
            journal.frame(atom.GetFrameNr());
            return step(filter, 0.5);
        };
        journal.reaction = [this](State state) { react(state); };
        if (graph->SetPlaybackMode(PlaybackMode::ForwardOnce, plan.startRate) != ActionResult::Success)
            problems.add("setup", "SetPlaybackMode: " + text());
    }

    std::string text() const { return graph->GetLastError(false).StdString(); }

    void run()
    {
        faults.on = true;
        std::barrier meeting(plan.hosts);
        std::vector<std::thread> hosts;
        for (int index = 0; index < plan.hosts; ++index)
            hosts.emplace_back([this, index, &meeting] { host(index, meeting); });
        for (std::thread& thread : hosts)
            thread.join();
        faults.on = false;
        quiet = true;
        if (plan.destroyPlaying)
            destroyWhilePlaying();
        else
            finish();
    }

    Plan plan;
    Problems problems;
    CapturedLog lines; // the worker's own lines stay out of the test's output
    Faults faults;
    Dice dice;
    Journal journal;
    std::shared_ptr<AsyncGraph> graph;
    std::vector<std::shared_ptr<Filter>> filters;
    std::vector<const StopRecord*> stopRecords; // by filter; none for a filter that never fails
    std::shared_ptr<StressSource> source;
    std::shared_ptr<Faulty<TestTransform>> transform;
    std::shared_ptr<Faulty<TestTarget>> target;
    std::atomic<bool> quiet{false};

private:
    AsyncGraph* _self = nullptr;
    template <class F>
    std::shared_ptr<F> add(std::shared_ptr<F> filter)
    {
        if (graph->AddAndConnect(filter) != ActionResult::Success)
            problems.add("setup", "AddAndConnect: " + text());
        filters.push_back(filter);
        if constexpr (std::is_base_of_v<StopRecord, F>)
            stopRecords.push_back(filter.get());
        else
            stopRecords.push_back(nullptr);
        return filter;
    }

    /// A frame's step: fails or throws at random.
    template <class F>
    HyxErrorCode step(F& filter, double share)
    {
        switch (faults.draw(plan.updateFault * share)) {
        case Faults::Outcome::Fail: return filter.ReportError(HyxErrorCode::FilterError);
        case Faults::Outcome::Throw: throw std::runtime_error("update fault");
        case Faults::Outcome::Pass: break;
        }
        return HyxErrorCode::Success;
    }

    /// A listener's call back: from Error on the worker Stop, Pause, Play or Play(mode); the
    /// same from Error on a host thread whose Pause or resume ends the run (and from that run's
    /// Stopped); from Playing (on the host thread that plays) Pause or Stop.
    void react(State state)
    {
        // The graph as the worker may hold it last: never the host's reference.
        AsyncGraph* const self = _self;
        if (state == State::Error)
            CheckText(problems, self->GetLastError(false).StdString(), "the failed run");
        // A host thread hears Error only when its own call ends the run, which then ends there
        // with Stopped.
        const bool ending = t_host && (state == State::Error || (state == State::Stopped && t_runEnding));
        if (t_host && state == State::Error)
            t_runEnding = true;
        else if (t_host && state == State::Stopped)
            t_runEnding = false;
        if (quiet.load())
            return;
        try {
            if (ending) {
                if (state == State::Error || plan.stoppedReaction)
                    callWhileRunEnds(*self, state, plan.endReaction);
            } else if (state == State::Error) {
                callWhileRunEnds(*self, state, plan.errorReaction);
            } else if (state == State::Playing && dice.chance(plan.playingReaction)) {
                dice.chance(0.5) ? self->Pause() : self->Stop();
            }
        } catch (...) {
            // A hook's exception passes on to the listener, which lets it go.
        }
    }

    /// What a listener's call answers while the run ends (from Error until Stopped was told),
    /// on the worker (its update or its stop failed) or on the host thread whose Play or Pause
    /// failed to put the filters back (Graph.h, AsyncGraph.h): Stop is folded into the end
    /// (Success, no second Stopped), Pause is refused as the run is ending, and Play and
    /// Play(mode) are refused (on the worker as called from it), the mode left as it was. None
    /// walks the filters, so none throws.
    struct EndCall {
        const char* name;
        ActionResult answer;
        const char* hostText; // none: not looked at
        const char* workerText;
    };
    static constexpr const char* kPauseEnding = "Graph failed to pause(it is changing state)";
    static constexpr const char* kPlayEnding = "Graph failed to start playing(it is changing state)";
    static constexpr const char* kPlayFromWorker =
        "Graph failed to start playing(it cannot be started from its own worker thread)";
    static constexpr EndCall kEndCalls[] = {
        {"Stop", ActionResult::Success, nullptr, nullptr},
        {"Pause", ActionResult::Failure, kPauseEnding, kPauseEnding},
        {"Play", ActionResult::Failure, kPlayEnding, kPlayFromWorker},
        {"Play(mode)", ActionResult::Failure, kPlayEnding, kPlayFromWorker},
    };

    /// The texts the other calls of a seed can leave meanwhile: the hosts' Play, Play(mode),
    /// Pause, Stop and SetPlaybackMode (SetGraphFps is given known rates only), their
    /// listeners' calls, and the worker's failed updates and stops. A failed walk, update or
    /// stop ends in a filter's text.
    static const TextsLeft& LeftByOtherCalls()
    {
        static const TextsLeft texts{{kPauseEnding, "Graph failed to pause(it is not playing)", kPlayEnding,
                                      kPlayFromWorker,
                                      "Graph failed to set a frame order provider(graph must be stopped first)"},
                                     {"Graph failed to start playing(Filter '", "Graph failed to pause(Filter '",
                                      "Graph failed to stop(Filter '", "Graph update failed(Filter '"}};
        return texts;
    }

    /// A listener of `heard` calls back while the run ends: `reaction` 1-4 picks the call (a
    /// row above), 0 none, 5 any at random.
    void callWhileRunEnds(AsyncGraph& self, State heard, unsigned reaction)
    {
        const unsigned what = reaction < 5 ? reaction : dice.below(5);
        if (what == 0)
            return;
        const EndCall& call = kEndCalls[what - 1];
        // On a host thread the control lock is held: nobody else changes the order meanwhile.
        const std::shared_ptr<FrameOrderProvider> order = self.GetFrameOrderProvider();
        const auto* const automatic = dynamic_cast<const FrameOrderAuto*>(order.get());
        const std::optional<PlaybackMode> mode =
            automatic ? std::optional<PlaybackMode>(automatic->GetPlaybackMode()) : std::nullopt;
        std::optional<ActionResult> answer;
        std::string thrown;
        try {
            switch (what) {
            case 1: answer = self.Stop(); break;
            case 2: answer = self.Pause(); break;
            case 3: answer = self.Play(); break;
            default:
                answer = self.Play(mode == PlaybackMode::ForwardOnce ? PlaybackMode::ForwardLoop
                                                                     : PlaybackMode::ForwardOnce);
                break;
            }
        } catch (const std::exception& e) {
            thrown = e.what();
        } catch (...) {
            thrown = "?";
        }
        // The graph's text is every thread's: another host's call, or the worker's, may have
        // failed since this one did, and left its own.
        const std::string text = self.GetLastError(false).StdString();
        const char* const expected = t_host ? call.hostText : call.workerText;
        const std::string where = std::string(call.name) + " from a listener of " + NameOf(heard) + " on " +
                                  (t_host ? "the host thread whose call ends the run" : "the worker");
        if (answer != call.answer || (expected && text != expected && !LeftByOtherCalls().has(text)))
            problems.add(t_host ? "call while the run ends" : "listener",
                         where + " answered " +
                             (answer ? (*answer == ActionResult::Success ? "Success" : "Failure")
                                     : "by throwing \"" + thrown + "\"") +
                             ", text \"" + text + "\"" +
                             (expected ? std::string(" (its own: \"") + expected + "\")" : std::string()) +
                             "; heard: " + journal.history());
        if (what == 4 && t_host &&
            (self.GetFrameOrderProvider() != order || (automatic && automatic->GetPlaybackMode() != mode)))
            problems.add("call while the run ends", where + " changed the frame order or its mode");
    }

    template <class Call>
    std::optional<ActionResult> attempt(Call call)
    {
        try {
            return call();
        } catch (...) {
            return std::nullopt;
        }
    }

    /// Play or Play(mode) answered: Success means a run, which reads Playing or has been
    /// paused or stopped since the call began (AsyncGraph.h: "a Play either starts a run that
    /// plays or answers Failure with a text, never Success with no run"). A graph that did not
    /// read Playing as the call began (read after `before` was counted) had its run started by
    /// this call, so a Stopped told only by the run before it, which the call joined, is no
    /// answer.
    void afterPlay(std::optional<ActionResult> answer, size_t before, bool playingAtStart, const char* call)
    {
        if (answer == ActionResult::Failure)
            CheckText(problems, text(), call);
        if (answer != ActionResult::Success || graph->IsPlaying() || problems.has("run"))
            return;
        if (playingAtStart ? !journal.heardSince(before, {State::Stopped, State::Paused})
                           : !journal.heardRunSince(before))
            problems.add("run", std::string(call) + " answered Success, but the graph reads " +
                                    (graph->IsPaused() ? "Paused" : "Stopped") + " and no run " +
                                    (playingAtStart ? "" : "started since ") +
                                    "was paused or stopped since; heard: " + journal.history());
    }

    void host(int index, std::barrier<>& meeting)
    {
        t_host = true;
        std::mt19937_64 rng(Mix(plan.seed * 31 + static_cast<uint64_t>(index)));
        std::optional<KeptRecord> kept;
        for (int round = 0; round < plan.rounds; ++round) {
            const Clock::time_point end = Clock::now() + plan.round;
            const bool stops = plan.lastRoundStops || round + 1 < plan.rounds;
            while (Clock::now() < end) {
                act(index, rng, kept, stops);
                if (rng() % 10 < 6)
                    std::this_thread::sleep_for(Micros(rng() % 400));
            }
            kept.reset();
            meeting.arrive_and_wait();
            if (index == 0)
                settled("meeting " + std::to_string(round));
            meeting.arrive_and_wait();
        }
    }

    void act(int index, std::mt19937_64& rng, std::optional<KeptRecord>& kept, bool stops)
    {
        t_runEnding = false;
        t_putBack.reset();
        const size_t before = journal.told();
        const bool playingAtStart = graph->IsPlaying();
        const unsigned roll = static_cast<unsigned>(rng() % 100);
        const bool keeper = index == 0 && plan.keepRecords;
        // A suspended graph resumed: a worker started while it ends its run would sleep on.
        if (roll < 28 && plan.suspendBeforeResume && graph->IsPaused() && rng() % 2 == 0)
            graph->Suspend();
        if (roll < 16) {
            afterPlay(attempt([&] { return graph->Play(); }), before, playingAtStart, "Play");
        } else if (roll < 28) {
            const PlaybackMode mode = rng() % 2 ? PlaybackMode::ForwardOnce : PlaybackMode::ForwardLoop;
            const auto answer = attempt([&] {
                const InPlayMode marked;
                return graph->Play(mode);
            });
            afterPlay(answer, before, playingAtStart, "Play(mode)");
        } else if (roll < 42) {
            const auto answer = attempt([&] { return graph->Pause(); });
            // Pause of a playing graph pauses it, or is refused and it plays on.
            if (answer == ActionResult::Success && !graph->IsPaused() && !problems.has("pause") &&
                !journal.heardSince(before, {State::Playing, State::Stopped}))
                problems.add("pause",
                             "Pause answered Success but the graph does not read Paused; heard: " + journal.history());
        } else if (roll < 52 && stops) {
            attempt([&] { return graph->Stop(); });
            // AsyncGraph.h: the graph reads Stopped after Stop also when a filter refuses or
            // throws; only another thread's Play may have played it since.
            if (!graph->IsStopped() && !problems.has("stop") && !journal.heardSince(before, {State::Playing}))
                problems.add("stop", std::string("after Stop the graph reads ") +
                                         (graph->IsPlaying() ? "Playing" : "Paused") +
                                         " and no Play was told since; heard: " + journal.history());
        } else if (roll < 52) {
            graph->IsStopped();
        } else if (roll < 64) {
            const float rate = kRates[rng() % std::size(kRates)].first;
            attempt([&] { return graph->SetGraphFps(rate); });
        } else if (roll < 68) {
            const float rate = kRates[rng() % std::size(kRates)].first;
            const PlaybackMode mode = rng() % 2 ? PlaybackMode::ForwardOnce : PlaybackMode::ForwardLoop;
            attempt([&] { return graph->SetPlaybackMode(mode, rate); });
        } else if (roll < 71) {
            graph->Suspend();
        } else if (roll < 77) {
            graph->Resume();
        } else if (keeper && roll < 92) {
            if (kept)
                relock(kept);
            else
                keep(rng, kept);
        } else {
            graph->IsPlaying();
        }
    }

    void keep(std::mt19937_64& rng, std::optional<KeptRecord>& kept)
    {
        const size_t index = rng() % filters.size();
        if (const std::shared_ptr<Atom> record = filters[index]->GetLastProcessedFrame())
            kept = KeptRecord{record, record->GetAllDataLayers().size(), record->GetFrameNr(), index};
    }

    /// Filter.h: a last processed atom is "never changed afterwards": a host's weak reference
    /// locks to the record as it was read, or to nothing.
    void relock(std::optional<KeptRecord>& kept)
    {
        if (const std::shared_ptr<Atom> record = kept->record.lock()) {
            const size_t layers = record->GetAllDataLayers().size();
            const unsigned frame = record->GetFrameNr();
            if (layers != kept->layers || frame != kept->frame)
                problems.add("record", "a last frame of filter " + std::to_string(kept->filter) + " read as frame " +
                                           std::to_string(kept->frame) + " with " + std::to_string(kept->layers) +
                                           " layers was locked again as frame " + std::to_string(frame) + " with " +
                                           std::to_string(layers) + " layers");
        }
        kept.reset();
    }

    /// What a host sees of the graph and its filters, for a report.
    std::string describe() const
    {
        std::string text = "filters";
        for (const std::shared_ptr<Filter>& filter : filters)
            text += " " + std::to_string(static_cast<int>(filter->GetFilterState()));
        text += std::string(graph->IsStopRequested() ? ", stop requested" : "") + ", text \"" + this->text() +
                "\", heard: " + journal.history();
        return text;
    }

    /// No host call is under way.
    void settled(const std::string& where)
    {
        // AsyncGraph.h: SetGraphFps "sets the requested rate and recomputes the period; the
        // worker takes it at once": the period paced to is the requested rate's.
        float fps = -99.0f;
        graph->GetGraphFps(fps);
        const std::optional<uint32_t> period = PeriodOf(fps);
        if (!period || graph->GetFramePeriodMs() != *period)
            problems.add("period", where + ": GetGraphFps reads " + std::to_string(fps) + " but the worker paces to " +
                                       std::to_string(graph->GetFramePeriodMs()) + " ms");
        // AsyncGraph.h: the graph reads Playing only while its worker runs: frames come, or the
        // run ends and says so.
        // Counted before the state is read: a run that ends by itself in between is told after
        // the counts, so it counts as moving on.
        const uint64_t frames = journal.frames();
        const size_t told = journal.told();
        if (graph->IsPlaying() && !graph->IsSuspended() && !problems.has("flow")) {
            if (!journal.movesOn(frames, told))
                problems.add("flow", where + ": the graph reads Playing, but no frame came and no state was told; " +
                                         describe());
        }
        // Graph.h, AsyncGraph.h: a graph that reads Stopped (also after a run that ended on a
        // failed put-back) runs no filter but one whose stop failed, which the next Play or
        // Stop stops again.
        if (graph->IsStopped()) {
            for (size_t i = 0; i < filters.size(); ++i) {
                const Filter::FilterState state = filters[i]->GetFilterState();
                if ((state == Filter::FilterState::Playing || state == Filter::FilterState::Paused) &&
                    !(stopRecords[i] && stopRecords[i]->stopFailed.load()))
                    problems.add("filters", where + ": the graph reads Stopped, but filter " + std::to_string(i) +
                                                " reads " +
                                                (state == Filter::FilterState::Playing ? "Playing" : "Paused") +
                                                " and its last stop did not fail; " + describe());
            }
        }
    }

    /// Faults off: a Play plays (whatever a failed put-back left), Stop stops every filter, and
    /// the destructor returns.
    void finish()
    {
        graph->Resume();
        std::optional<ActionResult> answer;
        std::string refusal;
        size_t before = 0;
        // AsyncGraph.h: whatever ends the worker or fails to start it "leaves a state the next
        // call acts on"; a filter left running is stopped by the next Play first.
        bool playingAtStart = false;
        for (int tries = 0; tries < 2 && answer != ActionResult::Success; ++tries) {
            before = journal.told();
            playingAtStart = graph->IsPlaying();
            answer = attempt([&] { return graph->Play(); });
            if (answer != ActionResult::Success)
                refusal = answer ? text() : std::string("it threw");
        }
        if (answer != ActionResult::Success)
            problems.add("last Play",
                         "with the faults off Play does not play: " + refusal + "; heard: " + journal.history());
        else
            afterPlay(answer, before, playingAtStart, "the last Play");
        settled("the end");
        const auto stopped = attempt([&] { return graph->Stop(); });
        if (stopped != ActionResult::Success || !graph->IsStopped())
            problems.add("final", "with the faults off Stop answered " +
                                      std::string(stopped ? (*stopped == ActionResult::Success ? "Success" : "Failure")
                                                          : "by throwing") +
                                      ": " + text());
        // AsyncGraph.h Stop: "stops every filter that can stop".
        for (size_t i = 0; i < filters.size(); ++i) {
            const Filter::FilterState state = filters[i]->GetFilterState();
            if (state == Filter::FilterState::Playing || state == Filter::FilterState::Paused)
                problems.add("final", "after the last Stop filter " + std::to_string(i) + " reads " +
                                          (state == Filter::FilterState::Playing ? "Playing" : "Paused"));
        }
        destroy();
    }

    /// The host lets go of a graph that may play: the graph stops and releases its filters.
    void destroyWhilePlaying()
    {
        graph->Resume();
        if (dice.chance(0.7))
            attempt([&] { return graph->Play(); });
        destroy();
    }

    /// Graph.h: destroying the graph stops it, then resets and releases every filter. The
    /// worker may be the one that destroys it, after the host let go.
    void destroy()
    {
        const std::weak_ptr<AsyncGraph> watch = graph;
        graph.reset();
        const auto reset = [this] {
            return std::all_of(filters.begin(), filters.end(), [](const std::shared_ptr<Filter>& filter) {
                return filter->GetFilterState() == Filter::FilterState::PreInitialized;
            });
        };
        const Clock::time_point deadline = Clock::now() + kSettle;
        while (!(watch.expired() && reset()) && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (!watch.expired())
            problems.add("destructor", "the graph was not destroyed");
        for (size_t i = 0; i < filters.size(); ++i)
            if (filters[i]->GetFilterState() != Filter::FilterState::PreInitialized)
                problems.add("destructor", "filter " + std::to_string(i) + " was not reset by the destructor: state " +
                                               std::to_string(static_cast<int>(filters[i]->GetFilterState())));
    }
};

/// Ends the program with the seed when a seed runs past its limit.
class Watchdog {
public:
    explicit Watchdog(uint64_t seed)
        : _thread([this, seed] {
              std::unique_lock<std::mutex> lock(_mutex);
              if (_done.wait_for(lock, kSeedLimit, [this] { return _finished; }))
                  return;
              std::fprintf(stderr, "AsyncGraphStress: seed %llu hung (rerun: HYX_STRESS_SEED=%llu)\n",
                           static_cast<unsigned long long>(seed), static_cast<unsigned long long>(seed));
              std::fflush(stderr);
              std::abort();
          })
    {
    }
    ~Watchdog()
    {
        {
            std::lock_guard<std::mutex> lock(_mutex);
            _finished = true;
        }
        _done.notify_all();
        _thread.join();
    }

private:
    std::mutex _mutex;
    std::condition_variable _done;
    bool _finished = false;
    std::thread _thread;
};

// The seed under way, for a crash.
std::atomic<uint64_t> g_seed{0};

void ReportSeedAndDie(int signal)
{
    char text[96] = "AsyncGraphStress: crashed in seed ";
    size_t length = std::strlen(text);
    char digits[24];
    size_t count = 0;
    uint64_t seed = g_seed.load();
    do {
        digits[count++] = static_cast<char>('0' + seed % 10);
        seed /= 10;
    } while (seed != 0);
    while (count > 0)
        text[length++] = digits[--count];
    text[length++] = '\n';
    [[maybe_unused]] const ssize_t written = write(2, text, length);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

/// A crash names the seed; the handlers before are restored at the end.
class CrashReport {
public:
    CrashReport()
    {
        for (size_t i = 0; i < std::size(kSignals); ++i)
            _before[i] = std::signal(kSignals[i], ReportSeedAndDie);
    }
    ~CrashReport()
    {
        for (size_t i = 0; i < std::size(kSignals); ++i)
            std::signal(kSignals[i], _before[i]);
    }

private:
    static constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGABRT, SIGFPE, SIGILL};
    void (*_before[std::size(kSignals)])(int);
};

uint64_t FromEnvironment(const char* name, uint64_t otherwise)
{
    const char* text = std::getenv(name);
    return text && *text ? std::strtoull(text, nullptr, 10) : otherwise;
}

} // namespace

TEST(AsyncGraphStressThreads, HostThreadsFaultsAndListenersKeepTheHeadersRules)
{
    const bool chosen = std::getenv("HYX_STRESS_SEED") != nullptr;
    const uint64_t first = FromEnvironment("HYX_STRESS_SEED", 1);
    const uint64_t count = FromEnvironment("HYX_STRESS_SEEDS", chosen ? 1 : kDefaultSeeds);
    const bool bounded = std::getenv("HYX_STRESS_SEEDS") == nullptr;
    const CrashReport crashes;
    const Clock::time_point started = Clock::now();
    unsigned failed = 0;
    uint64_t ran = 0;
    for (uint64_t seed = first; seed < first + count; ++seed, ++ran) {
        // Seeds that fail may wait for what never comes: the default run stops in time.
        if (bounded && Clock::now() - started > kBudget) {
            std::printf("AsyncGraphStress: stopped after %llu seeds, at the time budget\n",
                        static_cast<unsigned long long>(ran));
            break;
        }
        g_seed = seed;
        const Watchdog watchdog(seed);
        Rig rig(seed);
        rig.run();
        if (!rig.problems.empty()) {
            ++failed;
            ADD_FAILURE() << "seed " << seed << " (rerun: HYX_STRESS_SEED=" << seed << ")\n" << rig.problems.report();
        }
    }
    RecordProperty("seeds", static_cast<int>(ran));
    EXPECT_EQ(failed, 0u) << "of " << ran << " seeds from " << first;
}
