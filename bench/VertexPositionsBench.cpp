// Bounding box and top-view preview of 1 M vertex positions, beside a plain min/max loop
// over the same floats.

#include <Hyx/DataTypeVertex.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

constexpr uint32_t VertexCount = 1u << 20;

struct Positions {
    Hyx::DataTypeVertexPositions layer;

    Positions()
    {
        float* p = layer.Allocate(VertexCount, true);
        uint32_t state = 12345;
        for (uint32_t i = 0; i < VertexCount * 3; ++i) {
            state = state * 1664525u + 1013904223u;
            p[i] = float(state >> 8) * (2.0f / 16777216.0f) - 1.0f;
        }
    }
};

Positions& positions()
{
    static Positions instance;
    return instance;
}

void BM_PlainMinMax(benchmark::State& state)
{
    const float* p = positions().layer.GetVertexPositions();
    for (auto _ : state) {
        float lo[3] = {p[0], p[1], p[2]};
        float hi[3] = {p[0], p[1], p[2]};
        for (uint32_t i = 0; i < VertexCount; ++i) {
            for (int a = 0; a < 3; ++a) {
                lo[a] = std::min(lo[a], p[i * 3 + a]);
                hi[a] = std::max(hi[a], p[i * 3 + a]);
            }
        }
        benchmark::DoNotOptimize(lo);
        benchmark::DoNotOptimize(hi);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * VertexCount);
}

void BM_BoundingBox(benchmark::State& state)
{
    Hyx::DataTypeVertexPositions& layer = positions().layer;
    for (auto _ : state) {
        layer.CalculateBoundingBoxFromVertexPositions();
        benchmark::DoNotOptimize(layer.GetBoundingBox());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * VertexCount);
}

void BM_PositionsPreview(benchmark::State& state)
{
    Hyx::DataTypeVertexPositions& layer = positions().layer;
    int width = 0, height = 0;
    layer.CanRenderTo2dRgbaBuffer(width, height);
    std::vector<uint8_t> rgba(size_t(width) * height * 4);
    for (auto _ : state) {
        layer.CanRenderTo2dRgbaBuffer(width, height);
        layer.RenderTo2dRgbaBuffer(rgba.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * VertexCount);
}

} // namespace

BENCHMARK(BM_PlainMinMax)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BoundingBox)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PositionsPreview)->Unit(benchmark::kMillisecond);
