// What a filter pays per frame to forward an atom: a copy that shares the blocks, and a
// lookup of a layer by type, beside copying a bare vector of the same shared pointers.

#include <Hyx/Atom.h>
#include <Hyx/DataTypeStreamInfo.h>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

constexpr int LAYERS = 8;

std::shared_ptr<Hyx::Atom> frame()
{
    auto atom = std::make_shared<Hyx::Atom>(3, 100, 0);
    for (int i = 0; i < LAYERS; ++i)
        atom->AddDataLayer(std::make_shared<Hyx::DataTypeStreamInfo>());
    return atom;
}

void BM_BaselineCopyVectorOfSharedPointers(benchmark::State& state)
{
    std::vector<std::shared_ptr<Hyx::DataBlockBlob>> blocks = frame()->GetAllDataBlocks();
    for (auto _ : state) {
        auto copy = std::make_shared<std::vector<std::shared_ptr<Hyx::DataBlockBlob>>>(blocks);
        benchmark::DoNotOptimize(copy);
    }
}
BENCHMARK(BM_BaselineCopyVectorOfSharedPointers);

void BM_AtomCopyWithBlocks(benchmark::State& state)
{
    auto atom = frame();
    for (auto _ : state) {
        auto copy = Hyx::Atom::Copy(atom, -1, true);
        benchmark::DoNotOptimize(copy);
    }
}
BENCHMARK(BM_AtomCopyWithBlocks);

void BM_AtomLastLayerByType(benchmark::State& state)
{
    auto atom = frame();
    const auto type = Hyx::DataTypeStreamInfo::TheTypeGuid();
    for (auto _ : state)
        benchmark::DoNotOptimize(atom->GetDataLayerByType(type, true));
}
BENCHMARK(BM_AtomLastLayerByType);

} // namespace
