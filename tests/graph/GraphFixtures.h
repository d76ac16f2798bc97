#pragma once

// Sources, streams, transforms, mutates and targets for the graph tests. Each records what
// passes through it and returns what the test scripts.

#include <Hyx/Atom.h>
#include <Hyx/ClassInfo.h>
#include <Hyx/DataLayer.h>
#include <Hyx/DataProfile.h>
#include <Hyx/DataTypeStreamInfo.h>
#include <Hyx/FrameOrderProvider.h>
#include <Hyx/Graph.h>
#include <Hyx/GuidLiteral.h>
#include <Hyx/Mutate.h>
#include <Hyx/Profile.h>
#include <Hyx/Source.h>
#include <Hyx/Target.h>
#include <Hyx/Transform.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace GraphFixtures {

using Hyx::HyxErrorCode;
using VornCommon::Guid;
using State = Hyx::Graph::GraphState;

/// Long enough for a sanitizer build on a busy machine; a correct run never gets near it.
inline constexpr std::chrono::seconds kPatience{60};

/// Records every state change with the reporting thread, and the recording changes; can run
/// a hook on each state.
class StateLog : public Hyx::Graph::Events {
public:
    void onGraphStateChanged(State state) override
    {
        std::function<void(State)> hook;
        {
            std::lock_guard<std::mutex> lock(_mutex);
            _states.push_back(state);
            _threads.push_back(std::this_thread::get_id());
            hook = onState;
        }
        if (hook)
            hook(state);
        // Under the lock: a waiter that wakes may destroy the log as soon as it can lock.
        std::lock_guard<std::mutex> lock(_mutex);
        ++_notified;
        _changed.notify_all();
    }

    void onGraphRecordingStateChanged(bool recording) override
    {
        std::lock_guard<std::mutex> lock(_mutex);
        _recordings.push_back(recording);
    }
    std::vector<bool> recordings() const
    {
        std::lock_guard<std::mutex> lock(_mutex);
        return _recordings;
    }
    std::vector<State> states() const
    {
        std::lock_guard<std::mutex> lock(_mutex);
        return _states;
    }
    std::vector<std::thread::id> threads() const
    {
        std::lock_guard<std::mutex> lock(_mutex);
        return _threads;
    }
    /// Waits until `state` was reported `times` times in all.
    bool waitFor(State state, size_t times = 1)
    {
        std::unique_lock<std::mutex> lock(_mutex);
        return _changed.wait_for(lock, kPatience, [&] {
            size_t n = 0;
            for (size_t i = 0; i < _notified; ++i)
                n += _states[i] == state;
            return n >= times;
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
    size_t _notified = 0; // states whose hook has run
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
    Hyx::DataLayerClassInfo GetDataLayerClassInfo() const override
    {
        return Hyx::DataLayerClassInfo("DataTypePayload");
    }

    const Guid _type;
    const uint32_t frame;

protected:
    bool deserializeAndMigrate(uint8_t*, uint32_t) override { return true; }
};

/// 0, 1, ..., count - 1.
inline std::vector<unsigned> Range(unsigned count)
{
    std::vector<unsigned> frames(count);
    for (unsigned i = 0; i < count; ++i)
        frames[i] = i;
    return frames;
}

/// A profile of (purpose, type) pairs.
inline std::shared_ptr<Hyx::Profile> MakeProfile(std::initializer_list<std::pair<Guid, Guid>> entries)
{
    auto profile = std::make_shared<Hyx::Profile>();
    for (const auto& [purpose, type] : entries)
        profile->Add(purpose, type);
    return profile;
}

/// A stream over frames 0..numFrames-1 whose atoms carry one layer per profile entry.
class ScriptedStream : public Hyx::Stream {
public:
    ScriptedStream(unsigned short id, unsigned numFrames, std::shared_ptr<Hyx::Profile> profile, bool withInfo = true)
        : Stream(id), _profile(std::move(profile))
    {
        if (withInfo) {
            _info = std::make_shared<Hyx::DataTypeStreamInfo>();
            _info->SetFPS(25.0f);
            _info->SetNumFrames(numFrames);
        }
    }
    ~ScriptedStream() override
    {
        Stop(); // tests may drop a playing stream
    }

    std::shared_ptr<Hyx::DataTypeStreamInfo> GetStreamInfo() override { return _info; }
    std::shared_ptr<Hyx::Profile> GetOutputProfile() override { return _profile; }

    /// Frames for which onUpdate gives no atom the next time it is asked (once each).
    std::multiset<unsigned> holdBack;
    /// Frame on which onUpdate fails, with its code.
    unsigned failFrame = ~0u;
    HyxErrorCode failCode = HyxErrorCode::FilterError;
    /// Result of onPlay.
    HyxErrorCode playResult = HyxErrorCode::Success;
    std::vector<unsigned> asked;
    std::vector<std::string> hooks;

protected:
    HyxErrorCode onPlay(bool firstStart) override
    {
        hooks.push_back(firstStart ? "play(first)" : "play(resume)");
        return playResult;
    }
    HyxErrorCode onPause() override
    {
        hooks.push_back("pause");
        return HyxErrorCode::Success;
    }
    HyxErrorCode onStop() override
    {
        hooks.push_back("stop");
        return HyxErrorCode::Success;
    }
    HyxErrorCode onUpdate(unsigned frame, std::shared_ptr<Hyx::Atom>& atom) override
    {
        asked.push_back(frame);
        if (frame == failFrame)
            return failCode;
        if (auto it = holdBack.find(frame); it != holdBack.end()) {
            holdBack.erase(it);
            return HyxErrorCode::Success;
        }
        atom = std::make_shared<Hyx::Atom>(GetStreamId(), frame, GetTimeInNanoSecondsForFrame(25.0f, frame));
        for (int i = 0; i < _profile->GetDataProfileCount(); ++i) {
            const auto entry = _profile->GetDataProfileByIndex(i);
            atom->AddDataLayer(std::make_shared<PayloadLayer>(entry->GetPurposeGuid(), entry->GetTypeGuid(), frame));
        }
        return HyxErrorCode::Success;
    }

private:
    std::shared_ptr<Hyx::Profile> _profile;
    std::shared_ptr<Hyx::DataTypeStreamInfo> _info;
};

/// A single-stream source whose stream is made at initialisation.
class TestSource : public Hyx::SingleStreamSource {
public:
    explicit TestSource(unsigned numFrames = 100,
                        std::shared_ptr<Hyx::Profile> profile = MakeProfile({{kPurposeA, kType1}}),
                        bool withInfo = true)
        : _numFrames(numFrames), _profile(std::move(profile)), _withInfo(withInfo)
    {
    }
    Guid TypeGuid() const override { return kSourceGuid; }
    Hyx::FilterClassInfo GetFilterClassInfo() const override
    {
        return Hyx::FilterClassInfo("SourceTest", Hyx::FilterCategory::Source);
    }
    /// The stream of the current initialisation.
    std::shared_ptr<ScriptedStream> stream() const { return std::static_pointer_cast<ScriptedStream>(_stream); }
    /// Applied to every new stream.
    std::function<void(ScriptedStream&)> setUpStream;

    using Source::SetProgressWeight;

protected:
    HyxErrorCode onInitialize(Hyx::Filter*) override
    {
        auto stream = std::make_shared<ScriptedStream>(0, _numFrames, _profile, _withInfo);
        if (setUpStream)
            setUpStream(*stream);
        _stream = std::move(stream);
        return HyxErrorCode::Success;
    }

private:
    unsigned _numFrames;
    std::shared_ptr<Hyx::Profile> _profile;
    bool _withInfo;
};

/// A source over several streams, all with the same layers.
class TestMultiSource : public Hyx::MultiStreamSource {
public:
    explicit TestMultiSource(std::vector<unsigned> frameCounts) : _frameCounts(std::move(frameCounts)) {}
    Guid TypeGuid() const override { return kSourceGuid; }
    Hyx::FilterClassInfo GetFilterClassInfo() const override
    {
        return Hyx::FilterClassInfo("SourceMultiTest", Hyx::FilterCategory::Source);
    }
    std::shared_ptr<Hyx::Profile> GetDefaultOutputProfile() override { return MakeProfile({{kPurposeC, kType3}}); }
    std::shared_ptr<ScriptedStream> stream(int i) const
    {
        return std::static_pointer_cast<ScriptedStream>(GetStream(i));
    }
    std::function<void(TestMultiSource&)> afterInitialize;
    std::vector<std::shared_ptr<Hyx::Stream>>& streams() { return _streams; }

protected:
    HyxErrorCode onInitialize(Hyx::Filter*) override
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
class TestTransform : public Hyx::Transform {
public:
    explicit TestTransform(std::shared_ptr<Hyx::Profile> requested = MakeProfile({{Guid(), kType1}}),
                           std::shared_ptr<Hyx::Profile> produces = nullptr, bool offer = true)
        : Transform(offer)
    {
        _requestedInputProfile = std::move(requested);
        _produces = produces ? std::move(produces) : MakeProfile({{kTransformGuid, kMadeType}});
    }
    Guid TypeGuid() const override { return kTransformGuid; }
    Hyx::FilterClassInfo GetFilterClassInfo() const override
    {
        return Hyx::FilterClassInfo("TransformTest", Hyx::FilterCategory::Transform);
    }

    /// Result per atom (by the atom's frame number); 0 when absent.
    std::function<HyxErrorCode(TestTransform&, const Hyx::Atom&)> process;
    std::vector<unsigned> frames;
    int updates = 0;

    HyxErrorCode Update() override
    {
        ++updates;
        return Transform::Update();
    }

    HyxErrorCode playResult = HyxErrorCode::Success;
    HyxErrorCode stopResult = HyxErrorCode::Success;

    using Transform::getInputConnection;
    using Transform::GetInputDataProfile;
    using Transform::getOutputConnection;
    using Transform::getPurposeGuidForInputProfile;
    using Transform::ReportError;
    using Transform::SetInputProfile;
    std::shared_ptr<Hyx::FilterParamInputProfiles> inputProfileParam() const { return _inputProfileParam; }

protected:
    std::shared_ptr<Hyx::Profile> onGenerateOutputProfile(Hyx::Filter*, std::shared_ptr<Hyx::Profile>) override
    {
        return _produces ? std::make_shared<Hyx::Profile>(_produces) : nullptr;
    }
    HyxErrorCode onProcessFrame(std::shared_ptr<Hyx::Atom> atom) override
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

public:
    std::shared_ptr<Hyx::Profile> _produces;
};

/// A mutate that makes an atom holding one layer of its own type per input atom.
class TestMutate : public Hyx::Mutate {
public:
    explicit TestMutate(std::shared_ptr<Hyx::Profile> requested = nullptr, bool offer = true) : Mutate(offer)
    {
        _requestedInputProfile = std::move(requested);
    }
    Guid TypeGuid() const override { return kMutateGuid; }
    Hyx::FilterClassInfo GetFilterClassInfo() const override
    {
        return Hyx::FilterClassInfo("MutateTest", Hyx::FilterCategory::Transform);
    }

    /// Optional script: the result, and whether to emit the new atom.
    std::function<HyxErrorCode(const Hyx::Atom&, bool& emit)> create;
    std::vector<unsigned> frames;

    using Mutate::getOutputConnection;
    using Mutate::onProcessFrame;
    using Mutate::onUpdate;
    using Mutate::ReportError;

protected:
    std::shared_ptr<Hyx::Profile> onGenerateOutputProfile(Hyx::Filter*, std::shared_ptr<Hyx::Profile>) override
    {
        return MakeProfile({{kMutateGuid, kMadeType}});
    }
    HyxErrorCode onCreateFrame(std::shared_ptr<Hyx::Atom> input, std::shared_ptr<Hyx::Atom>& output) override
    {
        frames.push_back(input->GetFrameNr());
        bool emit = true;
        const HyxErrorCode result = create ? create(*input, emit) : HyxErrorCode::Success;
        if (emit) {
            output = Hyx::Atom::Copy(input, -1, false);
            output->AddDataLayer(std::make_shared<PayloadLayer>(kMutateGuid, kMadeType, input->GetFrameNr()));
        }
        return result;
    }
};

/// What a target saw of one atom.
struct SeenAtom {
    unsigned frame;
    unsigned stream;
    std::vector<Guid> types;
};

/// A target that records each atom handed to onProcessFrame.
class TestTarget : public Hyx::Target {
public:
    explicit TestTarget(bool keep = true) : Target(keep) {}
    Guid TypeGuid() const override { return kTargetGuid; }
    Hyx::FilterClassInfo GetFilterClassInfo() const override
    {
        return Hyx::FilterClassInfo("TargetTest", Hyx::FilterCategory::Target);
    }

    /// Result per atom; 0 when absent.
    std::function<HyxErrorCode(TestTarget&, const Hyx::Atom&)> process;
    int updates = 0;

    HyxErrorCode Update() override
    {
        ++updates;
        return Target::Update();
    }

    std::vector<SeenAtom> seen() const
    {
        std::lock_guard<std::mutex> lock(_mutex);
        return _seen;
    }
    std::vector<unsigned> frames() const
    {
        std::vector<unsigned> result;
        for (const SeenAtom& atom : seen())
            result.push_back(atom.frame);
        return result;
    }
    /// Extra parameters made after the keep parameters.
    std::function<void(TestTarget&)> makeParams;

    using Target::addParam;
    using Target::ReportError;
    using Target::SetProgress;
    using Target::SetProgressInfo;
    using Target::SetProgressWeight;

protected:
    HyxErrorCode onInitializeParams(Hyx::Filter* upstream) override
    {
        const HyxErrorCode result = Target::onInitializeParams(upstream);
        if (makeParams)
            makeParams(*this);
        return result;
    }
    HyxErrorCode onProcessFrame(std::shared_ptr<Hyx::Atom> atom) override
    {
        SeenAtom seenAtom{atom->GetFrameNr(), atom->GetStreamId(), {}};
        for (const auto& layer : atom->GetAllDataLayers())
            seenAtom.types.push_back(layer->TypeGuid());
        {
            std::lock_guard<std::mutex> lock(_mutex);
            _seen.push_back(seenAtom);
        }
        return process ? process(*this, *atom) : HyxErrorCode::Success;
    }

private:
    mutable std::mutex _mutex;
    std::vector<SeenAtom> _seen;
};

/// "Filter '<nice name>' error: " followed by the message of the code.
inline std::string FilterText(const char* niceName, HyxErrorCode code)
{
    return std::string("Filter '") + niceName + "' error: " + Hyx::GetHyxErrorMessage(code);
}

} // namespace GraphFixtures

namespace GraphFixtures {

/// A graph built filter by filter; every add must succeed.
struct TestGraph {
    std::shared_ptr<Hyx::Graph> graph = std::make_shared<Hyx::Graph>();

    template <class F>
    std::shared_ptr<F> add(std::shared_ptr<F> filter)
    {
        const Hyx::ActionResult result = graph->AddAndConnect(filter);
        if (result != Hyx::ActionResult::Success)
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
            if (graph->Update() != Hyx::ActionResult::Success) {
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
            if (graph->Update() != Hyx::ActionResult::Success)
                return false;
        return true;
    }
};

} // namespace GraphFixtures
