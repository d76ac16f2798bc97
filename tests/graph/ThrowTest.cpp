// Exceptions thrown by filters and listeners while a graph runs. On the host's thread they leave
// the call the host made and the graph keeps working; on an asynchronous graph's worker, which
// has no caller, they end the run as a failing filter does. Either way a new run then plays
// every frame once, in order. Each case runs in a child process: an exception that ends the
// process fails its case, not the test program.

#include "GraphFixtures.h"

#include <Hyx/CompressedLayers.h>
#include <Hyx/DataLayerFactory.h>
#include <Hyx/DeserializeFromFile.h>
#include <Hyx/FilterParamChoice.h>
#include <Hyx/HYX2Reader.h>
#include <Hyx/JpegCodec.h>
#include <Hyx/PluginDatabase.h>
#include <Hyx/SerializeToHyx.h>
#include <Hyx/SourceEmpty.h>
#include <Hyx/TargetCallback.h>

#include <VornCommon/HostSettings.h>

#include "graph/runtime/ScopeExit.h"

#include <TempDir.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>

using namespace GraphFixtures;

namespace {

constexpr unsigned kFrames = 12;
constexpr unsigned kThrowAt = 4;

/// Where the exception comes from.
enum class Where {
    AtomsListener, // the host's IAtomsListener on a TargetCallback
    ProcessFrame, // a transform's onProcessFrame
    FilterUpdate, // a filter's Update
    FilterIsDone, // a filter's IsDone, asked after the pass
    ErrorListener, // a graph listener hearing Error after a failed update (worker only)
    FilterStop, // a filter's onStop, in the stop at the end of the run
    StoppedListener, // a graph listener hearing Stopped
    PausedInPass, // a graph listener hearing the Paused that a transform's hook asked for
    StoppedInPass // a graph listener hearing the Stopped that a transform's hook asked for
};

struct Row {
    const char* name;
    Where where;
    bool standard; // a std::runtime_error("boom"); otherwise an int
    bool throwingLogger; // the host's logger throws on every level-2 line
};

const Row kRows[] = {
    {"atoms listener", Where::AtomsListener, true, false},
    {"atoms listener, logger throws too", Where::AtomsListener, true, true},
    {"onProcessFrame", Where::ProcessFrame, true, false},
    {"onProcessFrame, no std::exception", Where::ProcessFrame, false, false},
    {"Update", Where::FilterUpdate, true, false},
    {"Update, no std::exception", Where::FilterUpdate, false, false},
    {"IsDone", Where::FilterIsDone, true, false},
    {"Error listener", Where::ErrorListener, true, false},
    {"onStop", Where::FilterStop, false, false},
    {"Stopped listener", Where::StoppedListener, true, false},
    {"Paused listener inside the pass", Where::PausedInPass, true, false},
    {"Stopped listener inside the pass", Where::StoppedInPass, true, false},
};

/// Throws once, what the row asks for.
struct Thrower {
    std::atomic<bool> armed{true};
    bool standard = true;
    void fire()
    {
        if (!armed.exchange(false))
            return;
        if (standard)
            throw std::runtime_error("boom");
        throw 42;
    }
};

/// Records the frames it receives; throws at kThrowAt when it is the row's thrower.
class Listener : public IAtomsListener {
public:
    explicit Listener(Thrower* thrower) : _thrower(thrower) {}
    void OnAtomsReceived(std::vector<std::shared_ptr<Atom>>& atoms) override
    {
        const unsigned frame = atoms.front()->GetFrameNr();
        if (_thrower && frame == kThrowAt)
            _thrower->fire();
        Locked(_mutex, [&] { _frames.push_back(frame); });
    }
    Frames frames() const
    {
        return Locked(_mutex, [&] { return _frames; });
    }

private:
    Thrower* const _thrower;
    mutable std::mutex _mutex;
    Frames _frames;
};

/// A transform whose Update, IsDone or onStop throws when the row says so.
class Hooked : public TestTransform {
public:
    Hooked(Where where, Thrower& thrower) : _where(where), _thrower(thrower)
    {
        process = [this](TestTransform&, const Atom& atom) {
            if (atom.GetFrameNr() != kThrowAt)
                return HyxErrorCode::Success;
            if (_where == Where::ProcessFrame)
                _thrower.fire();
            // Once: the new run plays through.
            if (_where == Where::PausedInPass && _thrower.armed)
                GetGraph()->Pause();
            if (_where == Where::StoppedInPass && _thrower.armed)
                GetGraph()->Stop();
            if (_where == Where::ErrorListener && std::exchange(_failOnce, false))
                return ReportError(HyxErrorCode::FilterError);
            return HyxErrorCode::Success;
        };
    }
    HyxErrorCode Update() override
    {
        if (_where == Where::FilterUpdate && frames.size() == kThrowAt)
            _thrower.fire();
        return TestTransform::Update();
    }
    bool IsDone() const override
    {
        if (_where == Where::FilterIsDone && frames.size() > kThrowAt)
            _thrower.fire();
        return TestTransform::IsDone();
    }

protected:
    HyxErrorCode onStop() override
    {
        if (_where == Where::FilterStop)
            _thrower.fire();
        return TestTransform::onStop();
    }

private:
    const Where _where;
    Thrower& _thrower;
    bool _failOnce = true;
};

/// A graph listener that throws when it hears one state.
struct StateThrower : Graph::Events {
    Thrower* thrower = nullptr;
    State on = State::Error;
    void onGraphStateChanged(State state) override
    {
        if (thrower && state == on)
            thrower->fire();
    }
};

/// Keeps the lines; throws on each level-2 line (or on every line) after keeping it, when asked to.
class HostLogger : public VornCommon::MemoryLogger {
public:
    explicit HostLogger(bool throwing, bool everyLine = false) : _throwing(throwing), _everyLine(everyLine) {}
    /// The level-2 lines.
    std::vector<std::string> errors() const
    {
        std::vector<std::string> lines;
        for (const Entry& entry : Entries())
            if (entry.level == LogLevel::Error)
                lines.push_back(entry.text);
        return lines;
    }

protected:
    void Write(LogLevel level, const char* tag, const std::string& text) override
    {
        MemoryLogger::Write(level, tag, text);
        if (_throwing && (_everyLine || level == LogLevel::Error))
            throw std::runtime_error("logger broke");
    }

private:
    const bool _throwing;
    const bool _everyLine;
};

std::ostream& operator<<(std::ostream& out, State state)
{
    return out << static_cast<int>(state);
}

/// The checks of a case run in the child; what failed goes to standard error.
class Problems {
public:
    template <class A, class B>
    void equal(const A& actual, const B& expected, const char* what)
    {
        if (actual == expected)
            return;
        std::ostringstream out;
        out << what << ": got " << show(actual) << ", expected " << show(expected) << "\n";
        _text += out.str();
    }
    void check(bool ok, const char* what)
    {
        if (!ok)
            _text += std::string(what) + "\n";
    }
    /// What failed, one line each; empty when every check held.
    const std::string& text() const { return _text; }

private:
    template <class T>
    static std::string show(const T& value)
    {
        std::ostringstream out;
        if constexpr (std::is_same_v<T, Frames> || std::is_same_v<T, std::vector<State>> ||
                      std::is_same_v<T, std::vector<std::string>>) {
            out << "{";
            for (const auto& item : value)
                out << " " << item;
            out << " }";
        } else if constexpr (std::is_enum_v<T>) {
            out << static_cast<int>(value);
        } else {
            out << value;
        }
        return out.str();
    }
    std::string _text;
};

/// Source -> Hooked -> TargetCallback with a listener, on `graph`; the logger is set for the
/// lifetime of the chain.
struct ThrowChain {
    ThrowChain(const Row& row, std::shared_ptr<Graph> g)
        : graph(std::move(g)),
          logger(std::make_shared<HostLogger>(row.throwingLogger)),
          listener(row.where == Where::AtomsListener ? &thrower : nullptr)
    {
        thrower.standard = row.standard;
        SetHYXLoggerInstance(VornCommon::WeakLoggerPtr(logger));
        hooked = std::make_shared<Hooked>(row.where, thrower);
        for (const std::shared_ptr<Filter>& filter :
             {std::static_pointer_cast<Filter>(std::make_shared<TestSource>(kFrames)),
              std::static_pointer_cast<Filter>(hooked), std::static_pointer_cast<Filter>(target)})
            problems.equal(graph->AddAndConnect(filter), ActionResult::Success, "AddAndConnect");
        target->SetAtomsListener(&listener);
        graph->_graphEvents.Add(&log);
        if (row.where == Where::ErrorListener || row.where == Where::StoppedListener ||
            row.where == Where::PausedInPass || row.where == Where::StoppedInPass) {
            stateThrower.thrower = &thrower;
            stateThrower.on = row.where == Where::ErrorListener  ? State::Error
                              : row.where == Where::PausedInPass ? State::Paused
                                                                 : State::Stopped;
            graph->_graphEvents.Add(&stateThrower); // after the log, which hears every state
        }
        problems.equal(graph->SetPlaybackMode(PlaybackMode::ForwardOnce, true), ActionResult::Success, "mode");
    }
    ~ThrowChain()
    {
        graph->_graphEvents.Remove(&stateThrower);
        graph->_graphEvents.Remove(&log);
        target->SetAtomsListener(nullptr);
        graph.reset();
        ResetHYXLoggerInstance();
    }
    std::string error() const { return graph->GetLastError(false).StdString(); }

    Problems problems;
    std::shared_ptr<Graph> graph;
    const std::shared_ptr<HostLogger> logger;
    Thrower thrower;
    Listener listener;
    std::shared_ptr<Hooked> hooked;
    const std::shared_ptr<TargetCallback> target = std::make_shared<TargetCallback>();
    StateLog log;
    StateThrower stateThrower;
};

/// The filter's text in the worker's error text and line.
std::string Threw(const char* filter, bool standard)
{
    return std::string("Filter '") + filter + (standard ? "' threw: boom" : "' threw an exception of unknown type");
}

std::string OnWorker(const Row& row)
{
    ThrowChain chain(row, std::make_shared<AsyncGraph>());
    AsyncGraph* const async = static_cast<AsyncGraph*>(chain.graph.get());
    const std::string callback = TargetCallback::TheFilterClassInfo().GetNiceClassName().StdString();
    const std::string hooked = chain.hooked->GetFilterClassInfo().GetNiceClassName().StdString();
    const std::string thrower = row.where == Where::AtomsListener ? callback : hooked;
    std::string text = "Graph update failed(" + Threw(thrower.c_str(), row.standard) + ")";
    std::string line = "AsyncGraph: " + text;
    std::vector<State> states{State::Playing, State::Error, State::Stopped};
    if (row.where == Where::ErrorListener) {
        text = "Graph update failed(" + Nested(hooked.c_str(), HyxErrorCode::FilterError) + ")";
        line = "AsyncGraph: Graph update failed(a graph listener threw: boom)";
    } else if (row.where == Where::FilterStop) {
        text = "Graph failed to stop(" + Threw(hooked.c_str(), row.standard) + ")";
        line = "AsyncGraph: " + text;
        // The stop goes on past the filter and ends the run: listeners hear it failed.
        states = {State::Playing, State::Error, State::Stopped};
    } else if (row.where == Where::StoppedListener) {
        text = "Graph failed to stop(a graph listener threw: boom)";
        line = "AsyncGraph: " + text;
        // No caller hears of it: Error follows the Stopped it was told with, as inside a pass.
        states = {State::Playing, State::Stopped, State::Error};
    } else if (row.where == Where::PausedInPass) {
        // A failed pass always ends its run: a pause the pass made is stopped after Error.
        states = {State::Playing, State::Paused, State::Error, State::Stopped};
    } else if (row.where == Where::StoppedInPass) {
        // The pass had stopped the run already: Error follows, and Stopped is not told twice.
        states = {State::Playing, State::Stopped, State::Error};
    }

    chain.problems.equal(async->Play(), ActionResult::Success, "Play");
    // A listener's throw of Stopped is told after the stop's events: Error comes last.
    if (row.where == Where::StoppedListener || row.where == Where::StoppedInPass)
        chain.problems.check(chain.log.waitFor(State::Error), "no Error was told");
    else
        chain.problems.check(chain.log.waitFor(State::Stopped, 1), "the run never stopped");
    chain.problems.equal(chain.log.states(), states, "states");
    if (row.where == Where::PausedInPass)
        chain.problems.check(Eventually([&] { return async->IsStopped(); }), "not left stopped");
    chain.problems.equal(chain.error(), text, "error text");
    chain.problems.equal(chain.logger->errors(), std::vector<std::string>{line}, "level-2 lines");
    const Frames firstRun = chain.listener.frames();
    chain.problems.check(std::is_sorted(firstRun.begin(), firstRun.end()), "first run out of order");

    // The host stops and plays a new run: every frame once, in order.
    chain.problems.equal(async->Stop(), ActionResult::Success, "Stop");
    chain.problems.check(async->IsStopped(), "not stopped");
    chain.problems.equal(async->Play(), ActionResult::Success, "second Play");
    chain.problems.check(chain.log.waitFor(State::Stopped, 2), "the second run never stopped");
    chain.problems.equal(async->Stop(), ActionResult::Success, "second Stop");
    const Frames all = chain.listener.frames();
    chain.problems.equal(Frames(all.begin() + static_cast<long>(firstRun.size()), all.end()), Range(kFrames),
                         "second run");
    chain.problems.equal(chain.logger->errors().size(), size_t{1}, "level-2 lines in all");
    return chain.problems.text();
}

std::string OnHost(const Row& row)
{
    ThrowChain chain(row, std::make_shared<Graph>());
    int thrown = 0;
    const auto call = [&](const std::function<void()>& f) {
        try {
            f();
        } catch (const std::runtime_error& e) {
            ++thrown;
            chain.problems.check(row.standard && std::string(e.what()) == "boom", "a std::runtime_error");
        } catch (int value) {
            ++thrown;
            chain.problems.check(!row.standard && value == 42, "an int");
        }
    };
    chain.problems.equal(chain.graph->Play(), ActionResult::Success, "Play");
    bool done = false;
    for (int pass = 0; pass < 1000 && !done; ++pass)
        call([&] {
            chain.problems.equal(chain.graph->Update(), ActionResult::Success, "Update");
            done = chain.graph->IsDone();
        });
    chain.problems.check(done, "the run never got done");
    // The run went on after the exception, to its last frame.
    const Frames firstRun = chain.listener.frames();
    chain.problems.check(std::is_sorted(firstRun.begin(), firstRun.end()), "first run out of order");
    chain.problems.check(!firstRun.empty() && firstRun.back() == kFrames - 1, "the run stopped short");
    call([&] { chain.graph->Stop(); });
    chain.problems.equal(thrown, 1, "exceptions that reached the host");
    chain.problems.equal(chain.graph->Stop(), ActionResult::Success, "Stop");
    // A graph the host updates starts its order again through the mode.
    chain.problems.equal(chain.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success, "second Play");
    chain.problems.check(UpdateUntilDone(*chain.graph), "the second run never got done");
    chain.problems.equal(chain.graph->Stop(), ActionResult::Success, "second Stop");
    const Frames all = chain.listener.frames();
    chain.problems.equal(Frames(all.begin() + static_cast<long>(firstRun.size()), all.end()), Range(kFrames),
                         "second run");
    // Nothing was told as an error: the host took the exception.
    chain.problems.equal(chain.log.states(),
                         (std::vector<State>{State::Playing, State::Stopped, State::Playing, State::Stopped}),
                         "states");
    chain.problems.check(chain.logger->errors().empty(), "a level-2 line");
    return chain.problems.text();
}

/// A threaded mutate whose work throws at frame 2 while the host's logger throws too.
template <class Work>
std::string OnPoolWorker(bool standard)
{
    Problems problems;
    const auto logger = std::make_shared<HostLogger>(true);
    SetHYXLoggerInstance(VornCommon::WeakLoggerPtr(logger));
    {
        HostChain<Work> chain(std::make_shared<TestSource>(6), Threads<Work>("2", false));
        const auto fire = [standard](unsigned frame) {
            if (frame != 2)
                return;
            if (standard)
                throw std::runtime_error("bad frame");
            throw 42;
        };
        if constexpr (std::is_same_v<Work, AtomWork>) {
            chain.middle->work = [fire](std::shared_ptr<Atom> atom) {
                fire(atom->GetFrameNr());
                return atom;
            };
        } else {
            chain.middle->work = [fire](MutateFrameMultiThread::Frame& frame) {
                fire(frame.front()->GetFrameNr());
                return frame;
            };
        }
        problems.equal(chain.graph->Play(PlaybackMode::ForwardOnce), ActionResult::Success, "Play");
        problems.check(UpdateUntilDone(*chain.graph), "the run never got done");
        problems.equal(chain.target->frames(), (Frames{0, 1, 3, 4, 5}), "frames");
        problems.equal(logger->errors().size(), size_t{1}, "level-2 lines");
        problems.equal(chain.graph->Stop(), ActionResult::Success, "Stop");
    }
    ResetHYXLoggerInstance();
    return problems.text();
}

/// A target logs a level-2 line inside the worker's pass while the host's logger throws on
/// every such line: the logger's exception is one of that pass and ends the run; the worker's
/// own line about it is kept, and its throw ignored.
std::string LoggedInsideThePass()
{
    Problems problems;
    const auto logger = std::make_shared<HostLogger>(true);
    SetHYXLoggerInstance(VornCommon::WeakLoggerPtr(logger));
    {
        AsyncTestGraph chain;
        chain.make<TestSource>(kFrames);
        auto target = chain.make<TestTarget>();
        target->process = [](TestTarget&, const Atom& atom) {
            if (atom.GetFrameNr() == kThrowAt)
                LogMessage(LogLevel::Error, "frame %u looks odd", atom.GetFrameNr());
            return HyxErrorCode::Success;
        };
        const std::string text = "Graph update failed(Filter '" +
                                 target->GetFilterClassInfo().GetNiceClassName().StdString() + "' threw: logger broke)";
        problems.check(chain.play(PlaybackMode::ForwardOnce), "Play");
        problems.check(chain.log.waitFor(State::Stopped), "the run never stopped");
        problems.equal(chain.log.states(), (std::vector<State>{State::Playing, State::Error, State::Stopped}),
                       "states");
        problems.equal(chain.error(), text, "error text");
        problems.equal(logger->errors(), (std::vector<std::string>{"frame 4 looks odd", "AsyncGraph: " + text}),
                       "level-2 lines");
    }
    ResetHYXLoggerInstance();
    return problems.text();
}

/// A call of the library that logs a line (a level-2 line where it can) on the host's thread,
/// and what it gave, as text.
struct LoggingCall {
    const char* name;
    std::function<std::string()> call;
    bool passesOn; // a filter's line, which passes the logger's exception on
};

/// The call under a logger that keeps its lines, then under one that throws on every line: a
/// library line loses only itself (the same result, nothing thrown); a line that passes the
/// exception on throws the logger's exception out of the call.
std::string UnderAThrowingLogger(const LoggingCall& row)
{
    Problems problems;
    const auto kept = std::make_shared<HostLogger>(false);
    SetHYXLoggerInstance(VornCommon::WeakLoggerPtr(kept));
    const std::string expected = row.call();
    ResetHYXLoggerInstance();
    problems.check(kept->Count() > 0, "the call logs no line");
    const auto throwing = std::make_shared<HostLogger>(true, true);
    SetHYXLoggerInstance(VornCommon::WeakLoggerPtr(throwing));
    std::string result, thrown;
    try {
        result = row.call();
    } catch (const std::exception& e) {
        thrown = e.what();
    }
    ResetHYXLoggerInstance();
    problems.check(throwing->Count() > 0, "the logger was not called");
    if (row.passesOn) {
        problems.equal(thrown, std::string("logger broke"), "exception out of the call");
    } else {
        problems.equal(thrown, std::string(), "exception out of the call");
        problems.equal(result, expected, "result");
    }
    return problems.text();
}

/// A stream that is played and dropped unstopped.
struct BareStream : Stream {
    BareStream() : Stream(7) {}
    std::shared_ptr<DataTypeStreamInfo> GetStreamInfo() override { return nullptr; }
    std::shared_ptr<Profile> GetOutputProfile() override { return nullptr; }
    HyxErrorCode onUpdate(unsigned, std::shared_ptr<Atom>&) override { return HyxErrorCode::Success; }
};

std::string Code(HyxErrorCode code)
{
    return std::to_string(static_cast<int>(code));
}

std::vector<LoggingCall> LoggingCalls(const HyxTest::TempDir& dir)
{
    const std::string notAFolder = dir.file("file");
    const std::string taken = dir.file("open.hyx");
    const std::string junk = dir.file("junk.xml");
    std::filesystem::create_directories(dir.path);
    std::ofstream(notAFolder) << "a file, not a folder";
    std::ofstream(junk) << "<hyx version=";
    return {
        {"a reader's constructor and queries, no such file",
         [] {
             ReadHYX2File reader("/no/such/folder/take.hyx");
             return Code(reader.Initialize());
         },
         false},
        {"a reader of bytes that are no container",
         [] {
             const uint8_t bytes[40] = {1, 2, 3};
             HYX2Reader reader(bytes, sizeof bytes);
             return Code(reader.Initialize()) + " " + std::to_string(reader.GetNumStreams());
         },
         false},
        {"a stream reader's constructor, no such file",
         [] {
             DeserializeFromFile reader("/no/such/folder/atoms.bin");
             return std::string("made");
         },
         false},
        {"a writer that cannot open its file",
         [notAFolder] {
             SerializeToHyx writer((notAFolder + "/take.hyx").c_str(), true);
             return Code(writer.pack_atom(std::make_shared<Atom>(0u, 0u, uint64_t{1})));
         },
         false},
        {"a writer's destructor, its file still open",
         [taken] {
             {
                 SerializeToFile writer(taken.c_str(), true);
                 writer.pack_hyxheader();
             }
             return std::to_string(HyxTest::ReadFileBytes(taken).size());
         },
         false},
        {"packing no atom",
         [] {
             SerializeToMemory memory(HYX_FORMAT_VERSION_2000);
             return Code(memory.pack_atom(nullptr));
         },
         false},
        {"a codec given no picture",
         [] {
             JpegCompressor coder;
             uint32_t size = 7;
             return std::to_string(coder.CompressRGB(nullptr, 0, 0, 85, size) == nullptr) + " " + std::to_string(size);
         },
         false},
        {"a layer refusing a payload",
         [] {
             DataTypeCompressedVertexIndices layer;
             uint8_t byte = 1;
             return std::to_string(layer.InitializeData(&byte, 1));
         },
         false},
        {"the layer factory asked for an unknown class",
         [] {
             return std::to_string(
                 DataLayerFactory::CreateDataLayer(GuidLiteral("0BADC0DE-0000-4000-8000-000000000001"), Guid())
                     .ToStdSharedPtr() == nullptr);
         },
         false},
        {"the filter factory asked for an unknown class",
         [] {
             return std::to_string(FilterFactory::CreateFilter(GuidLiteral("0BADC0DE-0000-4000-8000-000000000002"),
                                                               SharedFilterPtr(), SharedGraphPtr())
                                       .ToStdSharedPtr() == nullptr);
         },
         false},
        {"a choice parameter's constructor and a value it does not offer",
         [] {
             FilterParamStringChoices choice("Mode", 0u, 5, std::vector<FilterParamStringChoices::Choice>{{"one", 1}});
             choice.SetValueAsString("two");
             return choice.GetValueAsString();
         },
         false},
        {"a graph file that is no XML",
         [junk] { return std::to_string(XmlGraph::LoadFromXml(junk.c_str()) == nullptr); }, false},
        {"a graph file saved with no path",
         [] { return std::to_string(XmlGraph::SaveToHyxXml(nullptr, std::make_shared<VisualGraphs>())); }, false},
        {"the plug-in database scanning a folder that is not there",
         [] {
             PluginDatabase::ScanFolderForPlugins("/no/such/plugin/folder", false, false, false);
             return std::string("scanned");
         },
         false},
        {"a filter's destructor, the filter initialised",
         [] {
             auto filter = std::make_shared<FilterFixtures::TestFilter>();
             std::string made = Code(filter->PreInitialize(nullptr, nullptr));
             made += Code(filter->Initialize(nullptr));
             filter.reset();
             return made;
         },
         false},
        {"a stream's destructor, the stream playing", [] { return Code(BareStream().Play()); }, false},
        // The lines of the library's filters pass it on as those of any filter: here from a
        // hook of AddAndConnect, to the host.
        {"a library filter's line in its hook",
         [] {
             VornCommon::HostSettings::GetInstance()->SetHostId(70); // past 6 bits: a warning
             const ScopeExit restore([] { VornCommon::HostSettings::GetInstance()->SetHostId(0); });
             auto graph = std::make_shared<Graph>();
             return std::to_string(static_cast<int>(graph->AddAndConnect(std::make_shared<SourceEmptySource>())));
         },
         true},
        // The graph's own lines drop it too: its calls answer as under a logger that keeps them.
        {"a filter that cannot be connected",
         [] {
             TestGraph chain;
             chain.make<TestSource>(kFrames);
             auto transform = std::make_shared<TestTransform>(MakeProfile({{Guid(), kMadeType}}));
             const int answer = static_cast<int>(chain.graph->AddAndConnect(transform));
             // The refused filter is taken off the list again.
             return std::to_string(answer) + " " + std::to_string(chain.graph->GetNumFilters());
         },
         false},
        {"a filter type text that is no GUID",
         [] { return std::to_string(std::make_shared<Graph>()->SetFilterParamValue("zz", "a", "b", 0)); }, false},
        {"recording without a recording switch",
         [] {
             auto graph = std::make_shared<Graph>();
             graph->AddAndConnect(std::make_shared<SourceEmptySource>());
             graph->Play(PlaybackMode::Realtime);
             return std::to_string(static_cast<int>(graph->StartRecording()));
         },
         false},
        {"a graph list asked for a graph it does not hold",
         [] { return std::to_string(VisualGraphs().GetVisualGraph(0) == nullptr); }, false},
        {"a graph description whose mode is none",
         [] {
             VisualGraph description;
             description.SetPlaybackMode(static_cast<PlaybackMode>(77));
             return std::to_string(description.InstantiateHyxGraph() == nullptr);
         },
         false},
    };
}

/// Ends the child with the case's problems on standard error: status 0 when there are none.
[[noreturn]] void ExitWith(const std::string& problems)
{
    std::fputs(problems.c_str(), stderr);
    std::exit(problems.empty() ? 0 : 1);
}

} // namespace

TEST(ThrowThreads, OnTheWorkerTheRunEndsAndANewRunPlaysEveryFrame)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.name);
        EXPECT_EXIT(ExitWith(OnWorker(row)), testing::ExitedWithCode(0), "");
    }
}

TEST(Throw, OnTheHostsThreadTheCallThrowsAndTheGraphKeepsWorking)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (const Row& row : kRows) {
        if (row.where == Where::ErrorListener || row.throwingLogger || row.where == Where::PausedInPass ||
            row.where == Where::StoppedInPass)
            continue; // only a worker tells Error; the host logs nothing here; a hook's pause or
                // stop ends the host's run
        SCOPED_TRACE(row.name);
        EXPECT_EXIT(ExitWith(OnHost(row)), testing::ExitedWithCode(0), "");
    }
}

TEST(ThrowThreads, ThrowingWorkOnAMutatesPoolWithAThrowingLoggerLosesOnlyItsItem)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (const bool standard : {true, false}) {
        SCOPED_TRACE(standard ? "std::exception" : "int");
        EXPECT_EXIT(ExitWith(OnPoolWorker<AtomWork>(standard)), testing::ExitedWithCode(0), "");
        EXPECT_EXIT(ExitWith(OnPoolWorker<FrameWork>(standard)), testing::ExitedWithCode(0), "");
    }
}

TEST(ThrowThreads, ALoggerThatThrowsOnAFiltersLineInsideTheWorkersPassEndsTheRun)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(ExitWith(LoggedInsideThePass()), testing::ExitedWithCode(0), "");
}

// Each kind of library call that logs a line, under a host's logger that throws on every line:
// the library's own lines (the graph's included) lose only themselves, its filters' lines pass
// the exception on. Each row runs in a child: a logger's exception
// out of a destructor ends the process.
TEST(Throw, ALoggerThatThrowsLosesOnlyTheLibrarysOwnLine)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const HyxTest::TempDir dir;
    for (const LoggingCall& row : LoggingCalls(dir)) {
        SCOPED_TRACE(row.name);
        EXPECT_EXIT(ExitWith(UnderAThrowingLogger(row)), testing::ExitedWithCode(0), "");
    }
}
