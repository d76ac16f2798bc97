#pragma once

// Fixtures of the graph tests. FilterFixtures: bare filters whose hooks record their calls and return
// what the test scripts, and parameter listeners. GraphFixtures: sources, streams, transforms,
// mutates and targets that record what passes through them, graphs built from them, and the
// helpers of the threaded tests (bounded waits, a stalling target, threaded mutates).

#include <Hyx/AsyncGraph.h>
#include <Hyx/Atom.h>
#include <Hyx/Connection.h>
#include <Hyx/DataLayer.h>
#include <Hyx/DataProfile.h>
#include <Hyx/DataTypeStreamInfo.h>
#include <Hyx/FilterFactory.h>
#include <Hyx/FilterParams.h>
#include <Hyx/FrameOrderProvider.h>
#include <Hyx/Graph.h>
#include <Hyx/GuidAlias.h>
#include <Hyx/GuidLiteral.h>
#include <Hyx/Mutate.h>
#include <Hyx/MutateBlock.h>
#include <Hyx/MutateMultiThread.h>
#include <Hyx/MutateWithBuffering.h>
#include <Hyx/Profile.h>
#include <Hyx/Queue.h>
#include <Hyx/Source.h>
#include <Hyx/Target.h>
#include <Hyx/TargetRenderer.h>
#include <Hyx/Transform.h>
#include <Hyx/VisualGraph.h>
#include <Hyx/XmlGraph.h>

#include <CapturedLog.h>
#include <ThrownText.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

namespace FilterFixtures {

/// Hook results and a call log shared by the test filters.
struct HookScript {
    Hyx::HyxErrorCode initializeParams{}, initialize{}, deInitialize{}, inputConnection{}, play{}, pause{}, stop{};
    /// When set, a failing hook reports its code itself before returning it.
    bool reportOwnFailure = false;
    std::vector<std::string> calls;
};

/// Exposes the protected operations of Filter and implements the pure ones with scripts.
template <class Base>
class ScriptedFilter : public Base {
public:
    using Base::Base;

    HookScript script;
    /// Parameters created by onInitializeParams.
    std::function<void(ScriptedFilter&)> makeParams;

    VornCommon::Guid TypeGuid() const override { return VornCommon::Guid(); }
    Hyx::FilterClassInfo GetFilterClassInfo() const override
    {
        return Hyx::FilterClassInfo(VornCommon::String("Example"), Hyx::FilterCategory::Transform);
    }
    bool IsDone() const override
    {
        if constexpr (std::is_base_of_v<Hyx::FilterWithInput, Base>)
            return Base::IsDone();
        else
            return true;
    }
    std::shared_ptr<Hyx::Profile> GetOutputProfile() override { return std::make_shared<Hyx::Profile>(); }
    std::shared_ptr<Hyx::Profile> GetAggregatedOutputProfile() override { return std::make_shared<Hyx::Profile>(); }

    using Base::addParam, Base::addParamGroup, Base::addToCachedAtoms, Base::getInputConnection,
        Base::getOutputConnection, Base::IncrementAtomsProcessed, Base::pushToOutputQueue, Base::removeParam,
        Base::ReportError, Base::SetProgress, Base::SetProgressInfo, Base::SetProgressWeight;

protected:
    Hyx::HyxErrorCode run(const char* name, Hyx::HyxErrorCode result)
    {
        script.calls.emplace_back(name);
        if (result != Hyx::HyxErrorCode::Success && script.reportOwnFailure)
            return this->ReportError(result);
        return result;
    }
    Hyx::HyxErrorCode onInitializeParams(Hyx::Filter*) override
    {
        if (makeParams)
            makeParams(*this);
        return run("onInitializeParams", script.initializeParams);
    }
    Hyx::HyxErrorCode onInitialize(Hyx::Filter*) override { return run("onInitialize", script.initialize); }
    Hyx::HyxErrorCode onDeInitialize() override { return run("onDeInitialize", script.deInitialize); }
    Hyx::HyxErrorCode onPlay() override { return run("onPlay", script.play); }
    Hyx::HyxErrorCode onPause() override { return run("onPause", script.pause); }
    Hyx::HyxErrorCode onStop() override { return run("onStop", script.stop); }
    Hyx::HyxErrorCode onInputConnection(std::weak_ptr<Hyx::Connection>) override
    {
        return run("onInputConnection", script.inputConnection);
    }
};

/// A filter at the head of a chain.
class TestSourceBase : public Hyx::Filter {
public:
    TestSourceBase() : Hyx::Filter(true) {}
};

/// A filter with an input.
class TestFilterBase : public Hyx::FilterWithInput {
public:
    Hyx::HyxErrorCode SetInputProfile(Hyx::Filter*, std::shared_ptr<Hyx::Profile> profile) override
    {
        _inputProfile = std::move(profile);
        return Hyx::HyxErrorCode::Success;
    }
};

using TestSource = ScriptedFilter<TestSourceBase>;
using TestFilter = ScriptedFilter<TestFilterBase>;

/// A source and a filter joined in a graph (the filter Connected); with a playable source the
/// graph plays too.
template <class Source>
struct SourceAndFilter {
    std::shared_ptr<Hyx::Graph> graph = std::make_shared<Hyx::Graph>();
    std::shared_ptr<Source> source = std::make_shared<Source>();
    std::shared_ptr<TestFilter> filter = std::make_shared<TestFilter>();

    SourceAndFilter()
    {
        EXPECT_EQ(graph->AddAndConnect(source), Hyx::ActionResult::Success);
        EXPECT_EQ(graph->AddAndConnect(filter), Hyx::ActionResult::Success) << graph->GetLastError(false).StdString();
    }
};

/// "Filter 'Example' error: " followed by the message of the code.
inline std::string ExampleError(Hyx::HyxErrorCode code)
{
    return std::string("Filter 'Example' error: ") + Hyx::GetHyxErrorMessage(code);
}

/// Runs `f` under `mutex` and returns what it gives.
template <class F>
auto Locked(std::mutex& mutex, F&& f)
{
    std::lock_guard<std::mutex> lock(mutex);
    return f();
}

/// Records the texts of FilterParam events.
class EventRecorder : public Hyx::FilterParam::Events {
public:
    void onValueChanged(std::shared_ptr<Hyx::FilterParam>, std::string value) override
    {
        Locked(_mutex, [&] { _values.push_back(std::move(value)); });
    }
    std::vector<std::string> Values() const
    {
        return Locked(_mutex, [&] { return _values; });
    }
    size_t Count() const { return Values().size(); }

private:
    mutable std::mutex _mutex;
    std::vector<std::string> _values;
};

/// Records the calls a parameter makes to its owning filter's callback.
class CallbackRecorder : public Hyx::IParameterValueChanged {
public:
    void cbiParameterValueChanged(std::shared_ptr<Hyx::FilterParam> param, const char* value) override
    {
        Locked(_mutex, [&] { _calls.emplace_back(param.get(), value); });
    }
    std::vector<std::pair<const Hyx::FilterParam*, std::string>> Calls() const
    {
        return Locked(_mutex, [&] { return _calls; });
    }

private:
    mutable std::mutex _mutex;
    std::vector<std::pair<const Hyx::FilterParam*, std::string>> _calls;
};

/// Installs both recorders on a parameter for the length of a test.
template <class P>
struct Watched {
    std::shared_ptr<P> param;
    EventRecorder events;
    CallbackRecorder callback;

    explicit Watched(std::shared_ptr<P> p) : param(std::move(p))
    {
        param->_events.Add(&events);
        param->SetParameterValueChangedCallback(&callback);
    }
    ~Watched()
    {
        param->_events.Remove(&events);
        param->SetParameterValueChangedCallback(nullptr);
    }
    size_t Notified() const { return events.Count(); }
    P* operator->() const { return param.get(); }
};

} // namespace FilterFixtures

namespace GraphFixtures {

using namespace Hyx;
using FilterFixtures::Locked;
using VornCommon::Guid;
using VornCommon::LogLevel;
using State = Hyx::Graph::GraphState;
using Frames = std::vector<unsigned>;

/// Long enough for a sanitizer build on a busy machine; a correct run never gets near it.
inline constexpr std::chrono::seconds kPatience{60};

/// Records every state change with the reporting thread, and the recording changes; can run
/// a hook on each state.
class StateLog : public Hyx::Graph::Events {
public:
    void onGraphStateChanged(State state) override
    {
        const auto hook = Locked(_mutex, [&] {
            _states.push_back(state);
            _threads.push_back(std::this_thread::get_id());
            return onState;
        });
        if (hook)
            hook(state);
        // Under the lock: a waiter that wakes may destroy the log as soon as it can lock.
        std::lock_guard<std::mutex> lock(_mutex);
        ++_notified;
        _changed.notify_all();
    }
    void onGraphRecordingStateChanged(bool on) override
    {
        Locked(_mutex, [&] { _recordings.push_back(on); });
    }
    std::vector<bool> recordings() const
    {
        return Locked(_mutex, [&] { return _recordings; });
    }
    std::vector<State> states() const
    {
        return Locked(_mutex, [&] { return _states; });
    }
    std::vector<std::thread::id> threads() const
    {
        return Locked(_mutex, [&] { return _threads; });
    }
    /// Waits until `state` was reported `times` times in all.
    bool waitFor(State state, size_t times = 1)
    {
        std::unique_lock<std::mutex> lock(_mutex);
        return _changed.wait_for(lock, kPatience, [&] {
            return static_cast<size_t>(std::count(_states.begin(), _states.begin() + _notified, state)) >= times;
        });
    }
    /// Runs on the reporting thread after recording; set before the graph plays.
    std::function<void(State)> onState;

private:
    mutable std::mutex _mutex;
    std::condition_variable _changed;
    std::vector<State> _states;
    std::vector<std::thread::id> _threads;
    std::vector<bool> _recordings;
    long _notified = 0; // states whose hook has run
};

/// Counts frame order resets.
struct ResetCounter : Hyx::IFrameOrderResetListener {
    void OnFrameOrderReset() override { ++count; }
    std::atomic<int> count{0};
};

inline constexpr Guid kPurposeA = Hyx::GuidLiteral("A0000000-0000-0000-0000-00000000000A");
inline constexpr Guid kPurposeB = Hyx::GuidLiteral("B0000000-0000-0000-0000-00000000000B");
inline constexpr Guid kPurposeC = Hyx::GuidLiteral("C0000000-0000-0000-0000-00000000000C");
inline constexpr Guid kType1 = Hyx::GuidLiteral("00000000-0000-0000-0000-0000000000F1");
inline constexpr Guid kType2 = Hyx::GuidLiteral("00000000-0000-0000-0000-0000000000F2");
inline constexpr Guid kType3 = Hyx::GuidLiteral("00000000-0000-0000-0000-0000000000F3");
inline constexpr Guid kMadeType = Hyx::GuidLiteral("00000000-0000-0000-0000-0000000000F9");

inline constexpr Guid kSourceGuid = Hyx::GuidLiteral("5C000000-0000-0000-0000-000000000001");
inline constexpr Guid kTransformGuid = Hyx::GuidLiteral("5C000000-0000-0000-0000-000000000002");
inline constexpr Guid kMutateGuid = Hyx::GuidLiteral("5C000000-0000-0000-0000-000000000003");
inline constexpr Guid kTargetGuid = Hyx::GuidLiteral("5C000000-0000-0000-0000-000000000004");

/// A layer of any type and purpose; its payload is the frame number it was made for.
class PayloadLayer : public Hyx::DataLayer {
public:
    PayloadLayer(const Guid& purpose, const Guid& type, uint32_t frame = 0) : DataLayer(1), _type(type), frame(frame)
    {
        InitializeHeader(purpose);
    }
    Guid TypeGuid() const override { return _type; }
    DataLayerClassInfo GetDataLayerClassInfo() const override { return DataLayerClassInfo("DataTypePayload"); }

    const Guid _type;
    const uint32_t frame;

protected:
    bool deserializeAndMigrate(uint8_t*, uint32_t) override { return true; }
};

/// 0, 1, ..., count - 1.
inline Frames Range(unsigned count)
{
    Frames frames(count);
    for (unsigned i = 0; i < count; ++i)
        frames[i] = i;
    return frames;
}

/// A profile of (purpose, type) pairs.
inline std::shared_ptr<Profile> MakeProfile(std::initializer_list<std::pair<Guid, Guid>> entries)
{
    auto profile = std::make_shared<Profile>();
    for (const auto& [purpose, type] : entries)
        profile->Add(purpose, type);
    return profile;
}

/// A stream over frames 0..numFrames-1 whose atoms carry one layer per profile entry.
class ScriptedStream : public Stream {
public:
    ScriptedStream(unsigned short id, unsigned numFrames, std::shared_ptr<Profile> profile, bool withInfo = true)
        : Stream(id), _profile(std::move(profile))
    {
        if (withInfo) {
            _info = std::make_shared<DataTypeStreamInfo>();
            _info->SetFPS(25.0f);
            _info->SetNumFrames(numFrames);
        }
    }
    ~ScriptedStream() override
    {
        stopRefusals = 0;
        Stop(); // tests may drop a playing stream
    }

    std::shared_ptr<DataTypeStreamInfo> GetStreamInfo() override { return _info; }
    std::shared_ptr<Profile> GetOutputProfile() override { return _profile; }

    /// Frames for which onUpdate gives no atom the next time it is asked (once each).
    std::multiset<unsigned> holdBack;
    /// Frame on which onUpdate fails, with its code (or throws, when `throws` is set).
    unsigned failFrame = ~0u;
    HyxErrorCode failCode = HyxErrorCode::FilterError;
    /// Result of onPlay; a failing one throws instead when `throws` is set.
    HyxErrorCode playResult = HyxErrorCode::Success;
    Frames asked;
    /// The atom onUpdate made last.
    std::weak_ptr<Atom> made;
    std::vector<std::string> hooks;
    /// Each atom made is handed out again for the frames after it, this many in all (a held frame).
    unsigned repeat = 1;
    /// The next this many onPause / onStop refuse with FilterError, or throw std::runtime_error
    /// ("stream hook failed") when `throws` is set.
    std::atomic<int> pauseRefusals{0}, stopRefusals{0};
    bool throws = false;

protected:
    HyxErrorCode onPlay(bool firstStart) override
    {
        hooks.push_back(firstStart ? "play(first)" : "play(resume)");
        if (throws && playResult != HyxErrorCode::Success)
            throw std::runtime_error("stream hook failed");
        return playResult;
    }
    HyxErrorCode onPause() override { return hooks.push_back("pause"), refuseOnce(pauseRefusals); }
    HyxErrorCode onStop() override { return hooks.push_back("stop"), refuseOnce(stopRefusals); }
    HyxErrorCode refuseOnce(std::atomic<int>& left)
    {
        if (left.load() <= 0)
            return HyxErrorCode::Success;
        --left;
        if (throws)
            throw std::runtime_error("stream hook failed");
        return HyxErrorCode::FilterError;
    }
    HyxErrorCode onUpdate(unsigned frame, std::shared_ptr<Atom>& atom) override
    {
        asked.push_back(frame);
        if (frame == failFrame) {
            if (throws)
                throw std::runtime_error("stream hook failed");
            return failCode;
        }
        if (auto it = holdBack.find(frame); it != holdBack.end()) {
            holdBack.erase(it);
            return HyxErrorCode::Success;
        }
        if (_held && frame % repeat != 0) {
            atom = _held;
            return HyxErrorCode::Success;
        }
        atom = std::make_shared<Atom>(GetStreamId(), frame, GetTimeInNanoSecondsForFrame(25.0f, frame));
        for (int i = 0; i < _profile->GetDataProfileCount(); ++i) {
            const auto entry = _profile->GetDataProfileByIndex(i);
            atom->AddDataLayer(std::make_shared<PayloadLayer>(entry->GetPurposeGuid(), entry->GetTypeGuid(), frame));
        }
        if (repeat > 1)
            _held = atom;
        made = atom;
        return HyxErrorCode::Success;
    }

private:
    std::shared_ptr<Profile> _profile;
    std::shared_ptr<DataTypeStreamInfo> _info;
    std::shared_ptr<Atom> _held;
};

/// A single-stream source whose stream is made at initialisation.
class TestSource : public SingleStreamSource {
public:
    explicit TestSource(unsigned numFrames = 100, std::shared_ptr<Profile> profile = MakeProfile({{kPurposeA, kType1}}),
                        bool withInfo = true)
        : _numFrames(numFrames), _profile(std::move(profile)), _withInfo(withInfo)
    {
    }
    Guid TypeGuid() const override { return kSourceGuid; }
    FilterClassInfo GetFilterClassInfo() const override
    {
        return FilterClassInfo("SourceTest", FilterCategory::Source);
    }
    /// The stream of the current initialisation.
    std::shared_ptr<ScriptedStream> stream() const { return std::static_pointer_cast<ScriptedStream>(_stream); }
    /// Applied to every new stream.
    std::function<void(ScriptedStream&)> setUpStream;

protected:
    HyxErrorCode onInitialize(Filter*) override
    {
        auto stream = std::make_shared<ScriptedStream>(0, _numFrames, _profile, _withInfo);
        if (setUpStream)
            setUpStream(*stream);
        _stream = std::move(stream);
        return HyxErrorCode::Success;
    }

private:
    unsigned _numFrames;
    std::shared_ptr<Profile> _profile;
    bool _withInfo;
};

/// A stream whose every frame carries the given layers (the same objects); it keeps the last
/// atom it made.
class LayerStream : public ScriptedStream {
public:
    explicit LayerStream(std::vector<std::shared_ptr<DataLayer>> layers, unsigned numFrames = 1)
        : ScriptedStream(0, numFrames, profileOf(layers)), _layers(std::move(layers))
    {
    }
    std::shared_ptr<Atom> made;

protected:
    HyxErrorCode onUpdate(unsigned frame, std::shared_ptr<Atom>& atom) override
    {
        atom = std::make_shared<Atom>(GetStreamId(), frame, 0);
        for (const auto& layer : _layers)
            atom->AddDataLayer(layer);
        made = atom;
        return HyxErrorCode::Success;
    }

private:
    static std::shared_ptr<Profile> profileOf(const std::vector<std::shared_ptr<DataLayer>>& layers)
    {
        auto profile = std::make_shared<Profile>();
        for (const auto& layer : layers)
            profile->Add(layer);
        return profile;
    }
    std::vector<std::shared_ptr<DataLayer>> _layers;
};

/// A source over one LayerStream.
class LayerSource : public TestSource {
public:
    explicit LayerSource(std::vector<std::shared_ptr<DataLayer>> layers, unsigned numFrames = 1)
        : _layers(std::move(layers)), _frames(numFrames)
    {
    }
    std::shared_ptr<LayerStream> stream() const { return std::static_pointer_cast<LayerStream>(_stream); }

protected:
    HyxErrorCode onInitialize(Filter*) override
    {
        _stream = std::make_shared<LayerStream>(_layers, _frames);
        return HyxErrorCode::Success;
    }

private:
    std::vector<std::shared_ptr<DataLayer>> _layers;
    unsigned _frames;
};

/// A source over several streams, all with the same layers.
class TestMultiSource : public MultiStreamSource {
public:
    explicit TestMultiSource(std::vector<unsigned> frameCounts) : _frameCounts(std::move(frameCounts)) {}
    Guid TypeGuid() const override { return kSourceGuid; }
    FilterClassInfo GetFilterClassInfo() const override
    {
        return FilterClassInfo("SourceMultiTest", FilterCategory::Source);
    }
    std::shared_ptr<Profile> GetDefaultOutputProfile() override { return MakeProfile({{kPurposeC, kType3}}); }
    std::shared_ptr<ScriptedStream> stream(int i) const
    {
        return std::static_pointer_cast<ScriptedStream>(GetStream(i));
    }
    std::function<void(TestMultiSource&)> afterInitialize;
    std::vector<std::shared_ptr<Stream>>& streams() { return _streams; }

protected:
    HyxErrorCode onInitialize(Filter*) override
    {
        for (size_t i = 0; i < _frameCounts.size(); ++i)
            _streams.push_back(std::make_shared<ScriptedStream>(static_cast<unsigned short>(i), _frameCounts[i],
                                                                MakeProfile({{kPurposeA, kType1}})));
        if (afterInitialize)
            afterInitialize(*this);
        return HyxErrorCode::Success;
    }

private:
    std::vector<unsigned> _frameCounts;
};

/// A transform that asks for `requested`, produces `produces` and runs a per-atom script.
class TestTransform : public Transform {
public:
    explicit TestTransform(std::shared_ptr<Profile> requested = MakeProfile({{Guid(), kType1}}),
                           std::shared_ptr<Profile> produces = nullptr, bool offer = true)
        : Transform(offer)
    {
        _requestedInputProfile = std::move(requested);
        _produces = produces ? std::move(produces) : MakeProfile({{kTransformGuid, kMadeType}});
    }
    Guid TypeGuid() const override { return kTransformGuid; }
    FilterClassInfo GetFilterClassInfo() const override
    {
        return FilterClassInfo("TransformTest", FilterCategory::Transform);
    }

    /// Result per atom (by the atom's frame number); 0 when absent.
    std::function<HyxErrorCode(TestTransform&, const Atom&)> process;
    Frames frames;

    HyxErrorCode playResult = HyxErrorCode::Success;
    HyxErrorCode stopResult = HyxErrorCode::Success;

    using Transform::getInputConnection, Transform::GetInputDataProfile, Transform::getOutputConnection,
        Transform::getPurposeGuidForInputProfile, Transform::ReportError, Transform::SetInputProfile;
    std::shared_ptr<FilterParamInputProfiles> inputProfileParam() const { return _inputProfileParam; }
    std::shared_ptr<Profile> _produces;

protected:
    std::shared_ptr<Profile> onGenerateOutputProfile(Filter*, std::shared_ptr<Profile>) override
    {
        return _produces ? std::make_shared<Profile>(_produces) : nullptr;
    }
    HyxErrorCode onProcessFrame(std::shared_ptr<Atom> atom) override
    {
        frames.push_back(atom->GetFrameNr());
        return process ? process(*this, *atom) : HyxErrorCode::Success;
    }
    HyxErrorCode onPlay() override
    {
        return playResult == HyxErrorCode::Success ? playResult : ReportError(playResult);
    }
    HyxErrorCode onStop() override
    {
        return stopResult == HyxErrorCode::Success ? stopResult : ReportError(stopResult);
    }
};

/// A mutate that makes an atom holding one layer of its own type per input atom.
class TestMutate : public Mutate {
public:
    explicit TestMutate(std::shared_ptr<Profile> requested = nullptr, bool offer = true) : Mutate(offer)
    {
        _requestedInputProfile = std::move(requested);
    }
    Guid TypeGuid() const override { return kMutateGuid; }
    FilterClassInfo GetFilterClassInfo() const override
    {
        return FilterClassInfo("MutateTest", FilterCategory::Transform);
    }

    /// Optional script: the result, and whether to emit the new atom.
    std::function<HyxErrorCode(const Atom&, bool& emit)> create;
    Frames frames;

protected:
    std::shared_ptr<Profile> onGenerateOutputProfile(Filter*, std::shared_ptr<Profile>) override
    {
        return MakeProfile({{kMutateGuid, kMadeType}});
    }
    HyxErrorCode onCreateFrame(std::shared_ptr<Atom> input, std::shared_ptr<Atom>& output) override
    {
        frames.push_back(input->GetFrameNr());
        bool emit = true;
        const HyxErrorCode result = create ? create(*input, emit) : HyxErrorCode::Success;
        if (emit) {
            output = Atom::Copy(input, -1, false);
            output->AddDataLayer(std::make_shared<PayloadLayer>(kMutateGuid, kMadeType, input->GetFrameNr()));
        }
        return result;
    }
};

/// What a target saw of one atom.
struct SeenAtom {
    unsigned frame, stream;
};

/// A target that records each atom handed to onProcessFrame.
class TestTarget : public Target {
public:
    explicit TestTarget(bool keep = true) : Target(keep) {}
    Guid TypeGuid() const override { return kTargetGuid; }
    FilterClassInfo GetFilterClassInfo() const override
    {
        return FilterClassInfo("TargetTest", FilterCategory::Target);
    }

    /// Result per atom; 0 when absent.
    std::function<HyxErrorCode(TestTarget&, const Atom&)> process;
    int updates = 0;
    HyxErrorCode Update() override { return ++updates, Target::Update(); }

    std::vector<SeenAtom> seen() const
    {
        return Locked(_mutex, [&] { return _seen; });
    }
    Frames frames() const
    {
        Frames result;
        for (const SeenAtom& atom : seen())
            result.push_back(atom.frame);
        return result;
    }
    /// Extra parameters made after the keep parameters.
    std::function<void(TestTarget&)> makeParams;

    using Target::addParam, Target::IsGraphStopRequested, Target::ReportError;

protected:
    HyxErrorCode onInitializeParams(Filter* upstream) override
    {
        const HyxErrorCode result = Target::onInitializeParams(upstream);
        if (makeParams)
            makeParams(*this);
        return result;
    }
    HyxErrorCode onProcessFrame(std::shared_ptr<Atom> atom) override
    {
        Locked(_mutex, [&] { _seen.push_back({atom->GetFrameNr(), atom->GetStreamId()}); });
        return process ? process(*this, *atom) : HyxErrorCode::Success;
    }

private:
    mutable std::mutex _mutex;
    std::vector<SeenAtom> _seen;
};

/// "Filter '<nice name>' error: " followed by the message of the code.
inline std::string FilterText(const char* niceName, HyxErrorCode code)
{
    return std::string("Filter '") + niceName + "' error: " + GetHyxErrorMessage(code);
}

/// The text of a failure reported once by a hook and again by the step that called it.
inline std::string Nested(const char* niceName, HyxErrorCode code)
{
    const std::string inner = FilterText(niceName, code);
    return inner + "(" + inner + ")";
}

/// Texts calls can leave in a graph's text: whole ones, and the beginnings of those that end
/// in a filter's text. The graph's text is one for every thread, so a check that reads it
/// after its own call while other threads call the graph can only ask for one of the texts
/// that call and theirs leave.
struct TextsLeft {
    std::vector<std::string> whole;
    std::vector<std::string> beginnings;

    bool has(const std::string& text) const
    {
        return std::find(whole.begin(), whole.end(), text) != whole.end() ||
               std::any_of(beginnings.begin(), beginnings.end(),
                           [&](const std::string& beginning) { return text.rfind(beginning, 0) == 0; });
    }
};

/// A graph built filter by filter; every add must succeed.
struct TestGraph {
    std::shared_ptr<Graph> graph = std::make_shared<Graph>();

    template <class F>
    std::shared_ptr<F> add(std::shared_ptr<F> filter)
    {
        if (graph->AddAndConnect(filter) != ActionResult::Success)
            ADD_FAILURE() << "AddAndConnect: " << graph->GetLastError(false).CStr();
        return filter;
    }
    template <class F, class... Args>
    std::shared_ptr<F> make(Args&&... args)
    {
        return add(std::make_shared<F>(std::forward<Args>(args)...));
    }
    /// Updates until the graph is done (at most `limit` passes); false on a failed pass.
    bool runToEnd(int limit = 10000)
    {
        for (int i = 0; i < limit && !graph->IsDone(); ++i) {
            if (graph->Update() != ActionResult::Success) {
                ADD_FAILURE() << graph->GetLastError(false).CStr();
                return false;
            }
        }
        return graph->IsDone();
    }
    /// Updates `passes` times; false on a failed pass.
    bool update(int passes)
    {
        for (int i = 0; i < passes; ++i)
            if (graph->Update() != ActionResult::Success)
                return false;
        return true;
    }
    std::string error() const { return graph->GetLastError(false).StdString(); }
};

/// Polls `condition` until it holds or kPatience passes.
inline bool Eventually(const std::function<bool()>& condition)
{
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

/// A door that worker hooks wait at until the test opens it.
class Gate {
public:
    void open()
    {
        std::lock_guard<std::mutex> lock(_mutex);
        _open = true;
        _opened.notify_all();
    }
    /// False when the door stayed shut for kPatience.
    bool pass()
    {
        std::unique_lock<std::mutex> lock(_mutex);
        return _opened.wait_for(lock, kPatience, [this] { return _open; });
    }
    /// Waits until the door opens, `giveUp` turns true (polled) or kPatience passes.
    void passUnless(const std::function<bool()>& giveUp)
    {
        std::unique_lock<std::mutex> lock(_mutex);
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        while (!_open && !giveUp() && std::chrono::steady_clock::now() < deadline)
            _opened.wait_for(lock, std::chrono::milliseconds(1));
    }

private:
    std::mutex _mutex;
    std::condition_variable _opened;
    bool _open = false;
};

/// Updates a host-driven graph until it is done (or kPatience passes); false on a failed
/// pass or when it never got done.
inline bool UpdateUntilDone(Graph& graph)
{
    return Eventually([&] {
               if (graph.Update() != ActionResult::Success) {
                   ADD_FAILURE() << graph.GetLastError(false).CStr();
                   return true;
               }
               return graph.IsDone();
           }) &&
           graph.IsDone();
}

/// A target that takes nothing while stalled, so its input queue fills up.
struct StallingTarget : TestTarget {
    std::atomic<bool> stalled{false};
    HyxErrorCode Update() override { return stalled ? HyxErrorCode::NoDataAvailable : TestTarget::Update(); }
};

/// Parameter values as (name, text) pairs.
using Settings = std::vector<std::pair<std::string, std::string>>;

/// Source -> the filter under test -> stalling target, on a host-driven graph (TestGraph) or
/// an asynchronous one (AsyncTestGraph); the settings go to the filter under test.
template <class Middle, class Base>
struct FilterChain : Base {
    explicit FilterChain(std::shared_ptr<Filter> source, const Settings& settings = {})
    {
        this->add(std::move(source));
        middle = this->template make<Middle>();
        target = this->template make<StallingTarget>();
        for (const auto& [name, value] : settings)
            EXPECT_TRUE(middle->setParameterValue(name.c_str(), value.c_str())) << name;
    }
    std::shared_ptr<Middle> middle;
    std::shared_ptr<StallingTarget> target;
};

/// A graph test chain on an asynchronous graph.
struct AsyncTestGraph : TestGraph {
    AsyncTestGraph()
    {
        async = std::make_shared<AsyncGraph>();
        graph = async;
        async->_graphEvents.Add(&log);
    }
    ~AsyncTestGraph()
    {
        if (!async)
            return;
        async->Stop();
        async->_graphEvents.Remove(&log);
    }
    /// Sets the order and rate, then plays; false when either fails.
    bool play(PlaybackMode mode, float fps = 0.0f)
    {
        return async->SetPlaybackMode(mode, fps) == ActionResult::Success && async->Play() == ActionResult::Success;
    }
    std::shared_ptr<AsyncGraph> async;
    StateLog log;
};

/// True when no filter of the graph plays or pauses.
inline bool AllStopped(Graph& graph)
{
    for (unsigned i = 0; i < graph.GetNumFilters(); ++i) {
        const Filter::FilterState state = graph.GetFilter(i)->GetFilterState();
        if (state == Filter::FilterState::Playing || state == Filter::FilterState::Paused)
            return false;
    }
    return true;
}

/// A test chain on either kind of graph, with a state log that hears it and lets go of it.
struct EitherGraph {
    explicit EitherGraph(bool async)
    {
        if (async) {
            asyncChain = std::make_unique<AsyncTestGraph>();
        } else {
            hostChain = std::make_unique<TestGraph>();
            hostChain->graph->_graphEvents.Add(&hostLog);
        }
    }
    ~EitherGraph()
    {
        if (hostChain)
            hostChain->graph->_graphEvents.Remove(&hostLog);
    }
    TestGraph* chain() { return asyncChain ? static_cast<TestGraph*>(asyncChain.get()) : hostChain.get(); }
    StateLog& log() { return asyncChain ? asyncChain->log : hostLog; }

    StateLog hostLog;
    std::unique_ptr<AsyncTestGraph> asyncChain;
    std::unique_ptr<TestGraph> hostChain;
};

/// The names of the states, for readable failures.
inline std::vector<std::string> Names(const std::vector<State>& states)
{
    static const char* const kNames[] = {"Stopped", "Playing", "Paused", "Error"};
    std::vector<std::string> names;
    for (const State state : states)
        names.emplace_back(kNames[static_cast<int>(state)]);
    return names;
}

/// What a filter's hook or a graph listener calls back on its graph.
enum class CallBack {
    Stop,
    Pause,
    Play,
    PlayMode
};

/// Makes the call back; Play(mode) asks for `mode`.
inline ActionResult Call(Graph& graph, CallBack call, PlaybackMode mode)
{
    switch (call) {
    case CallBack::Stop: return graph.Stop();
    case CallBack::Pause: return graph.Pause();
    case CallBack::Play: return graph.Play();
    case CallBack::PlayMode: return graph.Play(mode);
    }
    return ActionResult::Failure;
}

inline const char* NameOf(CallBack call)
{
    switch (call) {
    case CallBack::Stop: return "Stop";
    case CallBack::Pause: return "Pause";
    case CallBack::Play: return "Play";
    case CallBack::PlayMode: return "Play(mode)";
    }
    return "";
}

/// Lets the graph deliver until the target has seen `wanted` frames in all: a host-driven
/// graph is updated (100 passes at most), an asynchronous one is waited for.
inline bool DeliverUntil(TestGraph& chain, bool async, const TestTarget& target, size_t wanted)
{
    if (async)
        return Eventually([&] { return target.frames().size() >= wanted; });
    for (int pass = 0; pass < 100 && target.frames().size() < wanted; ++pass) {
        if (chain.graph->Update() != ActionResult::Success)
            return false;
    }
    return target.frames().size() >= wanted;
}

/// "Buffer size" and "Drop frames when full" of the block mutates.
inline Settings Block(const char* bufferSize, bool drop)
{
    return {{MutateBlock::BUFFER_SIZE_PARAMNAME, bufferSize},
            {MutateBlock::DROP_FRAMES_WHEN_FULL_PARAMNAME, drop ? "True" : "False"}};
}

inline void* ResourceOf(unsigned worker)
{
    return reinterpret_cast<void*>(static_cast<uintptr_t>(0x1000 + worker));
}

/// What the life cycle and the workers of a threaded mutate do with the per-worker resources.
struct ResourceBook {
    std::vector<unsigned> allocated; // life-cycle thread only
    std::vector<void*> released; // life-cycle thread only

    void seen(void* resource)
    {
        Locked(mutex, [&] { byThread[std::this_thread::get_id()].insert(resource); });
    }
    /// Every worker thread always got one and the same resource of the allocated ones.
    bool consistent()
    {
        return Locked(mutex, [&] {
            return std::all_of(byThread.begin(), byThread.end(), [&](const auto& entry) {
                return entry.second.size() == 1 &&
                       reinterpret_cast<uintptr_t>(*entry.second.begin()) - 0x1000 < allocated.size();
            });
        });
    }

    std::mutex mutex;
    std::map<std::thread::id, std::set<void*>> byThread;
};

/// A threaded mutate of the test, recording what happens to the per-worker resources.
template <class Leaf>
class Recording : public Leaf {
public:
    Guid TypeGuid() const override { return kMutateGuid; }
    FilterClassInfo GetFilterClassInfo() const override
    {
        return FilterClassInfo("MutateWork", FilterCategory::Transform);
    }
    ResourceBook book;

protected:
    void* AllocateThreadResource(unsigned worker) override
    {
        book.allocated.push_back(worker);
        return ResourceOf(worker);
    }
    void ReleaseThreadResource(void* resource) override { book.released.push_back(resource); }
};

class AtomWork : public Recording<MutateAtomMultiThread> {
public:
    /// The work; passes the atom on when not set. Set before play.
    std::function<std::shared_ptr<Atom>(std::shared_ptr<Atom>)> work;
    std::atomic<int> inWork{0};

protected:
    std::shared_ptr<Atom> onProcessAtom(void* resource, std::shared_ptr<Atom> atom) override
    {
        book.seen(resource);
        ++inWork;
        std::shared_ptr<Atom> result = work ? work(atom) : atom;
        --inWork;
        return result;
    }
};

class FrameWork : public Recording<MutateFrameMultiThread> {
public:
    std::function<Frame(Frame&)> work;
    std::mutex sizesMutex;
    std::vector<size_t> frameSizes;

protected:
    Frame onProcessFrameAtoms(void* resource, Frame& frame) override
    {
        book.seen(resource);
        Locked(sizesMutex, [&] { frameSizes.push_back(frame.size()); });
        return work ? work(frame) : frame;
    }
};

/// "Threads count" and the drop parameter of the variant.
template <class Work>
inline Settings Threads(const char* count, bool drop)
{
    const char* dropName = std::is_base_of_v<MutateAtomMultiThread, Work>
                               ? MutateAtomMultiThread::DROP_ATOMS_WHEN_OCCUPIED_PARAMNAME
                               : MutateFrameMultiThread::DROP_FRAMES_WHEN_OCCUPIED_PARAMNAME;
    return {{"Threads count", count}, {dropName, drop ? "True" : "False"}};
}

template <class Middle>
using HostChain = FilterChain<Middle, TestGraph>;
template <class Middle>
using AsyncChain = FilterChain<Middle, AsyncTestGraph>;

} // namespace GraphFixtures
