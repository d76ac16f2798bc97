#pragma once

// The chain the graph benchmarks run: a source that hands out one prepared atom per frame, N
// pass-through transforms and a target, played in real-time order (one frame per pass).

#include <Hyx/Atom.h>
#include <Hyx/ClassInfo.h>
#include <Hyx/DataTypeStreamInfo.h>
#include <Hyx/FrameOrderProvider.h>
#include <Hyx/Graph.h>
#include <Hyx/Profile.h>
#include <Hyx/Source.h>
#include <Hyx/Target.h>
#include <Hyx/Transform.h>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace BenchChain {

using Hyx::HyxErrorCode;
using VornCommon::Guid;

inline Guid numbered(uint8_t kind, uint32_t n)
{
    Guid::Bytes bytes{};
    bytes[0] = kind;
    bytes[12] = static_cast<uint8_t>(n >> 24);
    bytes[13] = static_cast<uint8_t>(n >> 16);
    bytes[14] = static_cast<uint8_t>(n >> 8);
    bytes[15] = static_cast<uint8_t>(n);
    return Guid(bytes);
}

inline const Guid kLayerPurpose = numbered(1, 1);
inline const Guid kLayerType = numbered(2, 1);

// Hands out one prepared atom for every frame: the pass measures the graph, not atom making.
// With layers, every frame is a new atom sharing that many prepared layers, as a real source's
// frames are.
class FixedStream : public Hyx::Stream {
public:
    explicit FixedStream(int layers = 0)
        : Stream(0), _profile(std::make_shared<Hyx::Profile>(kLayerPurpose, kLayerType)), _fresh(layers > 0)
    {
        _info = std::make_shared<Hyx::DataTypeStreamInfo>();
        _info->SetNumFrames(1000);
        _atom = std::make_shared<Hyx::Atom>(0, 0, 0);
        for (int i = 0; i < layers; ++i) {
            auto layer = std::make_shared<Hyx::DataTypeStreamInfo>();
            layer->InitializeHeader(numbered(7, static_cast<uint32_t>(i)));
            _atom->AddDataLayer(layer);
        }
    }
    ~FixedStream() override { Stop(); }
    std::shared_ptr<Hyx::DataTypeStreamInfo> GetStreamInfo() override { return _info; }
    std::shared_ptr<Hyx::Profile> GetOutputProfile() override { return _profile; }

protected:
    HyxErrorCode onUpdate(unsigned, std::shared_ptr<Hyx::Atom>& atom) override
    {
        atom = _fresh ? Hyx::Atom::Copy(_atom, -1, true) : _atom;
        return HyxErrorCode::Success;
    }

private:
    std::shared_ptr<Hyx::Profile> _profile;
    const bool _fresh;
    std::shared_ptr<Hyx::DataTypeStreamInfo> _info;
    std::shared_ptr<Hyx::Atom> _atom;
};

class BenchSource : public Hyx::SingleStreamSource {
public:
    explicit BenchSource(int layers = 0) : _layers(layers) {}
    Guid TypeGuid() const override { return numbered(3, 0); }
    Hyx::FilterClassInfo GetFilterClassInfo() const override
    {
        return Hyx::FilterClassInfo("SourceBench", Hyx::FilterCategory::Source);
    }

protected:
    HyxErrorCode onInitialize(Hyx::Filter*) override
    {
        _stream = std::make_shared<FixedStream>(_layers);
        return HyxErrorCode::Success;
    }

private:
    const int _layers;
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

inline std::vector<std::shared_ptr<Hyx::Filter>> PassThroughs(int count)
{
    std::vector<std::shared_ptr<Hyx::Filter>> filters;
    for (int i = 0; i < count; ++i)
        filters.push_back(std::make_shared<PassThrough>(static_cast<uint32_t>(i)));
    return filters;
}

struct Chain {
    /// With layers, each frame is a new atom carrying that many layers.
    Chain(int transforms, bool flowing, int layers = 0) : Chain(PassThroughs(transforms), flowing, layers) {}
    /// source -> middle... -> sink.
    Chain(const std::vector<std::shared_ptr<Hyx::Filter>>& middle, bool flowing, int layers = 0)
    {
        graph = std::make_shared<Hyx::Graph>();
        graph->AddAndConnect(std::make_shared<BenchSource>(layers));
        for (const std::shared_ptr<Hyx::Filter>& filter : middle)
            graph->AddAndConnect(filter);
        graph->AddAndConnect(sink);
        if (flowing) {
            graph->Play(Hyx::PlaybackMode::Realtime);
        } else {
            // A host-fed order with nothing queued: the source has no frame to emit.
            graph->SetFrameOrderProvider(std::make_shared<Hyx::FrameOrderManual>());
            graph->Play();
        }
    }
    ~Chain() { graph->Stop(); }
    /// The graph's filters in list order, for timing their own calls beside the graph's.
    std::vector<std::shared_ptr<Hyx::Filter>> filters() const
    {
        std::vector<std::shared_ptr<Hyx::Filter>> list;
        for (unsigned i = 0; i < graph->GetNumFilters(); ++i)
            list.push_back(graph->GetFilter(i));
        return list;
    }
    std::shared_ptr<Hyx::Graph> graph;
    std::shared_ptr<Sink> sink = std::make_shared<Sink>();
};

/// Times one update pass per iteration, one item each; a chain that does not play, or a pass
/// that fails, skips the benchmark with the graph's text.
inline void TimePasses(benchmark::State& state, const Chain& chain)
{
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

} // namespace BenchChain
