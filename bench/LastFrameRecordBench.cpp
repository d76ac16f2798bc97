// What recording each filter's last processed frame costs: one graph update pass on the host's
// thread through source -> N transforms -> target, carrying a new atom of 4 layers every frame.
//
// The chain of none (N = 0) is the baseline of the same run: (time at N - time at 0) / N is the
// cost of one filter per frame. "PassThrough" transforms change nothing; "AddLayer" transforms
// add a layer to the atom in place, so whatever keeps a host's record apart from the changed
// atom is paid there; "HeldFrame" hands the same atom out every frame, unchanged.

#include "BenchChain.h"

#include <Hyx/Atom.h>
#include <Hyx/DataTypeStreamInfo.h>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

using namespace BenchChain;

// Adds one prepared layer of its own to every atom it is handed.
class AddLayer : public Hyx::Transform {
public:
    explicit AddLayer(uint32_t n) : _purpose(numbered(8, n)), _layer(std::make_shared<Hyx::DataTypeStreamInfo>())
    {
        _requestedInputProfile = std::make_shared<Hyx::Profile>(kLayerPurpose, kLayerType);
        _layer->InitializeHeader(_purpose);
    }
    Guid TypeGuid() const override { return numbered(4, 1); }
    Hyx::FilterClassInfo GetFilterClassInfo() const override
    {
        return Hyx::FilterClassInfo("TransformAddLayer", Hyx::FilterCategory::Transform);
    }

protected:
    std::shared_ptr<Hyx::Profile> onGenerateOutputProfile(Hyx::Filter*, std::shared_ptr<Hyx::Profile>) override
    {
        return std::make_shared<Hyx::Profile>(_purpose, Hyx::DataTypeStreamInfo::TheTypeGuid());
    }
    HyxErrorCode onProcessFrame(std::shared_ptr<Hyx::Atom> atom) override
    {
        atom->AddDataLayer(_layer);
        return HyxErrorCode::Success;
    }

private:
    const Guid _purpose;
    const std::shared_ptr<Hyx::DataTypeStreamInfo> _layer;
};

enum class Kind {
    PassThrough,
    AddLayer,
    HeldFrame
};

void BM_LastFrameRecord(benchmark::State& state, Kind kind)
{
    const int count = static_cast<int>(state.range(0));
    std::vector<std::shared_ptr<Hyx::Filter>> middle;
    for (int i = 0; i < count; ++i) {
        if (kind == Kind::AddLayer)
            middle.push_back(std::make_shared<AddLayer>(static_cast<uint32_t>(i)));
        else
            middle.push_back(std::make_shared<PassThrough>(static_cast<uint32_t>(i)));
    }
    // Without layers the source hands out its one prepared atom every frame.
    Chain chain(middle, true, kind == Kind::HeldFrame ? 0 : 4);
    TimePasses(state, chain);
}

} // namespace

BENCHMARK_CAPTURE(BM_LastFrameRecord, PassThrough, Kind::PassThrough)->Arg(0)->Arg(30);
BENCHMARK_CAPTURE(BM_LastFrameRecord, AddLayer, Kind::AddLayer)->Arg(0)->Arg(30);
BENCHMARK_CAPTURE(BM_LastFrameRecord, HeldFrame, Kind::HeldFrame)->Arg(0)->Arg(30);
