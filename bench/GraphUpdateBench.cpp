// One graph update pass through a chain of pass-through transforms, against a bare loop that
// moves the same atom through the same number of queues (the connections of the chain).
//
// The chain is source -> N transforms -> target, so it has N + 1 connections. "Idle" passes
// find every queue empty; "Flowing" passes carry one atom from the source to the target.

#include <Hyx/Atom.h>
#include <Hyx/ClassInfo.h>
#include <Hyx/DataTypeStreamInfo.h>
#include <Hyx/FrameOrderProvider.h>
#include <Hyx/Graph.h>
#include <Hyx/Profile.h>
#include <Hyx/Queue.h>
#include <Hyx/Source.h>
#include <Hyx/Target.h>
#include <Hyx/Transform.h>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

using Hyx::HyxErrorCode;
using VornCommon::Guid;

Guid numbered(uint8_t kind, uint32_t n)
{
    Guid::Bytes bytes{};
    bytes[0] = kind;
    bytes[12] = static_cast<uint8_t>(n >> 24);
    bytes[13] = static_cast<uint8_t>(n >> 16);
    bytes[14] = static_cast<uint8_t>(n >> 8);
    bytes[15] = static_cast<uint8_t>(n);
    return Guid(bytes);
}

const Guid kLayerPurpose = numbered(1, 1);
const Guid kLayerType = numbered(2, 1);

// Hands out one prepared atom for every frame: the pass measures the graph, not atom making.
class FixedStream : public Hyx::Stream {
public:
    FixedStream() : Stream(0), _profile(std::make_shared<Hyx::Profile>(kLayerPurpose, kLayerType))
    {
        _info = std::make_shared<Hyx::DataTypeStreamInfo>();
        _info->SetNumFrames(1000);
        _atom = std::make_shared<Hyx::Atom>(0, 0, 0);
    }
    ~FixedStream() override { Stop(); }
    std::shared_ptr<Hyx::DataTypeStreamInfo> GetStreamInfo() override { return _info; }
    std::shared_ptr<Hyx::Profile> GetOutputProfile() override { return _profile; }

protected:
    HyxErrorCode onUpdate(unsigned, std::shared_ptr<Hyx::Atom>& atom) override
    {
        atom = _atom;
        return HyxErrorCode::Success;
    }

private:
    std::shared_ptr<Hyx::Profile> _profile;
    std::shared_ptr<Hyx::DataTypeStreamInfo> _info;
    std::shared_ptr<Hyx::Atom> _atom;
};

class BenchSource : public Hyx::SingleStreamSource {
public:
    Guid TypeGuid() const override { return numbered(3, 0); }
    Hyx::FilterClassInfo GetFilterClassInfo() const override
    {
        return Hyx::FilterClassInfo("SourceBench", Hyx::FilterCategory::Source);
    }

protected:
    HyxErrorCode onInitialize(Hyx::Filter*) override
    {
        _stream = std::make_shared<FixedStream>();
        return HyxErrorCode::Success;
    }
};

class PassThrough : public Hyx::Transform {
public:
    explicit PassThrough(uint32_t n) : _n(n)
    {
        _requestedInputProfile = std::make_shared<Hyx::Profile>(kLayerPurpose, kLayerType);
    }
    Guid TypeGuid() const override { return numbered(4, 0); }
    Hyx::FilterClassInfo GetFilterClassInfo() const override
    {
        return Hyx::FilterClassInfo("TransformPassThrough", Hyx::FilterCategory::Transform);
    }

protected:
    std::shared_ptr<Hyx::Profile> onGenerateOutputProfile(Hyx::Filter*, std::shared_ptr<Hyx::Profile>) override
    {
        return std::make_shared<Hyx::Profile>(numbered(5, _n), kLayerType);
    }
    HyxErrorCode onProcessFrame(std::shared_ptr<Hyx::Atom>) override { return HyxErrorCode::Success; }

private:
    const uint32_t _n;
};

class Sink : public Hyx::Target {
public:
    Sink() : Target(false) {}
    Guid TypeGuid() const override { return numbered(6, 0); }
    Hyx::FilterClassInfo GetFilterClassInfo() const override
    {
        return Hyx::FilterClassInfo("TargetSink", Hyx::FilterCategory::Target);
    }

protected:
    HyxErrorCode onProcessFrame(std::shared_ptr<Hyx::Atom> atom) override
    {
        benchmark::DoNotOptimize(atom.get());
        return HyxErrorCode::Success;
    }
};

struct Chain {
    Chain(int transforms, bool flowing)
    {
        graph = std::make_shared<Hyx::Graph>();
        graph->AddAndConnect(std::make_shared<BenchSource>());
        for (int i = 0; i < transforms; ++i)
            graph->AddAndConnect(std::make_shared<PassThrough>(static_cast<uint32_t>(i)));
        graph->AddAndConnect(std::make_shared<Sink>());
        if (flowing) {
            graph->Play(Hyx::PlaybackMode::Realtime);
        } else {
            // A host-fed order with nothing queued: the source has no frame to emit.
            graph->SetFrameOrderProvider(std::make_shared<Hyx::FrameOrderManual>());
            graph->Play();
        }
    }
    ~Chain() { graph->Stop(); }
    std::shared_ptr<Hyx::Graph> graph;
};

void BM_GraphUpdate(benchmark::State& state, bool flowing)
{
    const int transforms = static_cast<int>(state.range(0));
    Chain chain(transforms, flowing);
    if (!chain.graph->IsPlaying()) {
        state.SkipWithError(chain.graph->GetLastError(false).CStr());
        return;
    }
    for (auto _ : state) {
        if (chain.graph->Update() != Hyx::ActionResult::Success) {
            state.SkipWithError(chain.graph->GetLastError(false).CStr());
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}

// The bare hand-off: the atom goes through N + 1 queues, each pull after a pending test, as
// the filters do.
void BM_BareQueues(benchmark::State& state, bool flowing)
{
    const int transforms = static_cast<int>(state.range(0));
    std::vector<std::unique_ptr<Hyx::Queue>> queues;
    for (int i = 0; i <= transforms; ++i)
        queues.push_back(std::make_unique<Hyx::Queue>(1000));
    const auto atom = std::make_shared<Hyx::Atom>(0, 0, 0);
    for (auto _ : state) {
        if (flowing)
            queues.front()->Push(atom);
        for (size_t i = 0; i < queues.size(); ++i) {
            if (!queues[i]->HasPendingData())
                continue;
            std::shared_ptr<Hyx::Atom> moved = queues[i]->Pull();
            if (i + 1 < queues.size())
                queues[i + 1]->Push(std::move(moved));
            else
                benchmark::DoNotOptimize(moved.get());
        }
    }
    state.SetItemsProcessed(state.iterations());
}

} // namespace

BENCHMARK_CAPTURE(BM_GraphUpdate, Idle, false)->Arg(3)->Arg(10)->Arg(30);
BENCHMARK_CAPTURE(BM_BareQueues, Idle, false)->Arg(3)->Arg(10)->Arg(30);
BENCHMARK_CAPTURE(BM_GraphUpdate, Flowing, true)->Arg(3)->Arg(10)->Arg(30);
BENCHMARK_CAPTURE(BM_BareQueues, Flowing, true)->Arg(3)->Arg(10)->Arg(30);
