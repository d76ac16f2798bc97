// Compressing 1 M vertex positions into a compressed positions layer (quantised 16/16/16 and
// 11/11/10 bits, with the check that the box holds every point), beside the bare quantiser
// over the same points and box (the work of the layer without its check and payload) and
// the check alone.

#include <Hyx/CompressedLayers.h>
#include <Hyx/DataTypeVertex.h>
#include <Hyx/Vector3DNormalizer.h>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace {

constexpr uint32_t kVertices = 1u << 20;

std::shared_ptr<Hyx::DataTypeVertexPositions> cloud()
{
    static const std::shared_ptr<Hyx::DataTypeVertexPositions> layer = [] {
        auto positions = std::make_shared<Hyx::DataTypeVertexPositions>();
        float* p = positions->Allocate(kVertices, false);
        uint32_t state = 12345;
        for (uint32_t i = 0; i < kVertices * 3; ++i) {
            state = state * 1664525u + 1013904223u;
            p[i] = float(state >> 8) * (2000.0f / 16777216.0f) - 1000.0f;
        }
        positions->CalculateBoundingBoxFromVertexPositions();
        return positions;
    }();
    return layer;
}

void BM_PositionsQuantiser_Bare(benchmark::State& state)
{
    const auto precision = static_cast<Hyx::XYZPrecision>(state.range(0));
    const float* b = cloud()->GetBoundingBox();
    const float widened[6] = {b[0] - 0.001f, b[1] - 0.001f, b[2] - 0.001f, b[3] + 0.001f, b[4] + 0.001f, b[5] + 0.001f};
    std::vector<uint8_t> out(Hyx::Vector3DNormalizer::CalcSizeForCompressedPoints(precision, kVertices));
    Hyx::Vector3DNormalizer quantiser;
    for (auto _ : state) {
        quantiser.CompressPoints(widened, precision, cloud()->GetVertexPositions(), out.data(), kVertices);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kVertices);
}

void BM_PositionsLayerCompress_Hyx(benchmark::State& state)
{
    const auto code = static_cast<uint8_t>(state.range(0));
    Hyx::DataTypeCompressedVertexPositions coded;
    for (auto _ : state) {
        benchmark::DoNotOptimize(coded.compress(cloud(), code));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kVertices);
}

} // namespace

// Precision 10 is the layer's code 1, precision 3 its code 2.
BENCHMARK(BM_PositionsQuantiser_Bare)->Arg(10)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PositionsLayerCompress_Hyx)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

namespace {

void BM_PositionsBoxCheck_Hyx(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(Hyx::Vector3DNormalizer::BoxHoldsPoints(cloud()->GetBoundingBox(),
                                                                         cloud()->GetVertexPositions(), kVertices));
    state.SetItemsProcessed(int64_t(state.iterations()) * kVertices);
}

} // namespace

BENCHMARK(BM_PositionsBoxCheck_Hyx)->Unit(benchmark::kMillisecond);
