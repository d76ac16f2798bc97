// Atom stream throughput: 1,000 atoms, each one layer of 4 MiB, written to and read from
// memory, beside memcpy of the same bytes in the same run. Each benchmark moves about 4 GB;
// the ratios to BM_Memcpy4MiB are what matters (bytes_per_second of each).

#include <Hyx/Atom.h>
#include <Hyx/DataLayerPlaceholder.h>
#include <Hyx/DeserializeFromMemory.h>
#include <Hyx/SerializeToMemory.h>

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr uint32_t kPayload = 4u << 20;
constexpr int kAtoms = 1000;

std::shared_ptr<Hyx::Atom> payloadAtom()
{
    // A type no class has: the reader keeps it as a placeholder, so only the stream is timed.
    auto layer = std::make_shared<Hyx::DataLayerPlaceholder>(
        VornCommon::Guid::FromHexString("B3E1A0C2-5D4F-4E6A-9B8C-7D6E5F4A3B2C"));
    uint8_t* data = layer->AllocateData(kPayload);
    for (uint32_t i = 0; i < kPayload; ++i)
        data[i] = static_cast<uint8_t>(i * 131u);
    layer->InitializeData(data, kPayload);
    auto atom = std::make_shared<Hyx::Atom>(0u, 0u);
    atom->AddDataLayer(layer, false);
    return atom;
}

void BM_Memcpy4MiB(benchmark::State& state)
{
    std::vector<uint8_t> source(kPayload, 1), target(kPayload, 0);
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), kPayload);
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t{state.iterations()} * kPayload);
}

void BM_WriteAtom4MiB(benchmark::State& state)
{
    const auto atom = payloadAtom();
    Hyx::SerializeToMemory writer;
    for (auto _ : state) {
        writer.pack_atom(atom);
        benchmark::DoNotOptimize(writer.GetPackedDataPtr());
        writer.Flush(); // empties the buffer, keeps its capacity
    }
    state.SetBytesProcessed(int64_t{state.iterations()} * kPayload);
}

void BM_ReadAtom4MiB(benchmark::State& state)
{
    Hyx::SerializeToMemory writer;
    writer.pack_atom(payloadAtom());
    std::vector<uint8_t> stream(writer.GetPackedDataPtr(), writer.GetPackedDataPtr() + writer.GetPackedDataSize());
    Hyx::DeserializeFromMemory reader;
    for (auto _ : state) {
        reader.setPackedDataWithoutResponsibilityToDelete(stream.data(), static_cast<uint32_t>(stream.size()));
        auto atom = reader.unpack_atom();
        benchmark::DoNotOptimize(atom.get());
    }
    state.SetBytesProcessed(int64_t{state.iterations()} * kPayload);
}

BENCHMARK(BM_Memcpy4MiB)->Iterations(kAtoms)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WriteAtom4MiB)->Iterations(kAtoms)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadAtom4MiB)->Iterations(kAtoms)->Unit(benchmark::kMicrosecond);

} // namespace
