// The geometry transforms per frame on one thread, each beside a plain loop over the same
// vertices or samples: a depth map from 1 M vertices, positions from a 320 x 288 map (plain
// and supersampled at 2), colours of 500 k vertices from a camera texture and colours of
// 1 M vertices from texture coordinates.

#include <Hyx/Atom.h>
#include <Hyx/DataTypeCameraParams.h>
#include <Hyx/DataTypeTextureIR.h>
#include <Hyx/DataTypeTextureRGB.h>
#include <Hyx/DataTypeVertex.h>
#include <Hyx/GeometryTransforms.h>
#include <Hyx/Profile.h>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

constexpr uint32_t kMillion = 1u << 20;
constexpr uint32_t kHalfMillion = 500000;

// Frames go through the protected hook, as the transform update calls it.
template <class F>
struct Bench : F {
    // PreInitialize instantiates the filter first.
    Bench() { this->PreInitialize(nullptr, nullptr); }
    ~Bench() override { this->DePreInitialize(); }
    Hyx::HyxErrorCode Run(const std::shared_ptr<Hyx::Atom>& atom) { return this->onProcessFrame(atom); }
};

uint32_t nextRandom(uint32_t& state)
{
    state = state * 1664525u + 1013904223u;
    return state >> 8;
}

// A capture: infrared 640 x 576 (F 500), colour 1280 x 720 (F 900); a surface 0.9-2.3 m in
// front of both.
struct Scene {
    std::shared_ptr<Hyx::DataTypeCameraParams> cameras = std::make_shared<Hyx::DataTypeCameraParams>();
    std::shared_ptr<Hyx::DataTypeVertexPositions> positions = std::make_shared<Hyx::DataTypeVertexPositions>();
    std::shared_ptr<Hyx::DataTypeVertexPositions> halfPositions = std::make_shared<Hyx::DataTypeVertexPositions>();
    std::shared_ptr<Hyx::DataTypeTextureRGB> colour = std::make_shared<Hyx::DataTypeTextureRGB>();
    std::shared_ptr<Hyx::DataTypeVertexTextureUVs> uvs = std::make_shared<Hyx::DataTypeVertexTextureUVs>();
    std::shared_ptr<Hyx::DataTypeTexture16BitDepthMap> depth = std::make_shared<Hyx::DataTypeTexture16BitDepthMap>();

    Scene()
    {
        auto& ir = cameras->GetIRCameraParams();
        ir = VornCommon::CameraParams(640, 576, VornCommon::Vector2f(500, 500));
        ir.C = ir.distortionC = VornCommon::Vector2f(320, 288);
        auto& c = cameras->GetColorCameraParams();
        c = VornCommon::CameraParams(1280, 720, VornCommon::Vector2f(900, 900));
        c.C = c.distortionC = VornCommon::Vector2f(640, 360);
        c.translation = VornCommon::Vector3f(30, 0, 0);

        uint32_t state = 12345;
        // A wavy surface in scan order, as a depth camera delivers it.
        float* p = positions->Allocate(kMillion, true);
        for (uint32_t i = 0; i < kMillion; ++i) {
            const float col = float(i % 1024), row = float(i / 1024);
            const float z = 1600.0f + 700.0f * std::sin(col * 0.01f) * std::cos(row * 0.013f);
            p[3 * i] = (col / 1024.0f - 0.5f) * 1.2f * z;
            p[3 * i + 1] = (row / 1024.0f - 0.5f) * z;
            p[3 * i + 2] = z;
        }
        std::copy(p, p + 3 * kHalfMillion, halfPositions->Allocate(kHalfMillion, true));
        uint8_t* rgb = colour->AllocateTexture(1280, 720);
        for (uint32_t i = 0; i < 1280u * 720 * 3; ++i)
            rgb[i] = uint8_t(nextRandom(state));
        uvs->Allocate(kMillion);
        for (uint32_t i = 0; i < 2 * kMillion; ++i)
            uvs->GetUVs()[i] = float(nextRandom(state) % 10000) / 10000.0f;
        uint16_t* d = depth->AllocateTexture(320, 288) ? depth->GetTextureData() : nullptr;
        for (uint32_t i = 0; i < 320u * 288; ++i)
            d[i] = uint16_t(800 + nextRandom(state) % 50);
    }
};

Scene& scene()
{
    static Scene instance;
    return instance;
}

std::shared_ptr<Hyx::Atom> frame(std::vector<std::shared_ptr<Hyx::DataLayer>> layers)
{
    auto atom = std::make_shared<Hyx::Atom>(0, 0, 0);
    for (auto& layer : layers)
        atom->AddDataLayer(layer);
    return atom;
}

template <class F>
void runFilter(benchmark::State& state, std::vector<std::shared_ptr<Hyx::DataLayer>> layers, int64_t items,
               const char* superSampling = nullptr)
{
    Bench<F> filter;
    if (superSampling)
        filter.setParameterValue("SuperSampling (1.0 normal)", superSampling);
    auto input = std::make_shared<Hyx::Profile>();
    for (auto& layer : layers)
        input->Add(VornCommon::Guid(), layer->TypeGuid());
    input->ChangePurposeGuid(VornCommon::Guid::FromHexString("A0000000-0000-0000-0000-00000000000A"));
    for (auto& layer : layers)
        layer->InitializeHeader(VornCommon::Guid::FromHexString("A0000000-0000-0000-0000-00000000000A"));
    filter.SetInputProfile(nullptr, input);
    for (auto _ : state) {
        auto atom = frame(layers);
        if (filter.Run(atom) != Hyx::HyxErrorCode::Success)
            state.SkipWithError(filter.GetLastError(false).CStr());
        benchmark::DoNotOptimize(atom);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * items);
}

// Baseline: one pass over the vertices, reading every coordinate.
void BM_PlainVertexLoop(benchmark::State& state)
{
    const uint32_t n = uint32_t(state.range(0));
    const float* p = scene().positions->GetVertexPositions();
    for (auto _ : state) {
        float sum = 0;
        for (uint32_t i = 0; i < n; ++i)
            sum += p[3 * i] / p[3 * i + 2] + p[3 * i + 1];
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * n);
}

// Baseline: one pass over the depth samples.
void BM_PlainDepthmapLoop(benchmark::State& state)
{
    const uint16_t* d = scene().depth->GetTextureData();
    for (auto _ : state) {
        uint64_t sum = 0;
        for (uint32_t i = 0; i < 320u * 288; ++i)
            sum += d[i];
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * 320 * 288);
}

void BM_DepthmapFromVertexPositions(benchmark::State& state)
{
    runFilter<Hyx::TransformDepthmapFromVertexPositions>(state, {scene().positions, scene().cameras}, kMillion);
}

void BM_VertexPositionsFromDepthMap(benchmark::State& state)
{
    runFilter<Hyx::TransformVertexPositionsFromDepthMap>(state, {scene().cameras, scene().depth}, 320 * 288);
}

void BM_VertexPositionsFromSupersampledDepthMap(benchmark::State& state)
{
    runFilter<Hyx::TransformVertexPositionsFromSupersampledDepthMap>(state, {scene().cameras, scene().depth}, 320 * 288,
                                                                     "2");
}

void BM_VertexColorsFromTextureRGB(benchmark::State& state)
{
    runFilter<Hyx::TransformVertexColorsFromTextureRGB>(state, {scene().halfPositions, scene().cameras, scene().colour},
                                                        kHalfMillion);
}

void BM_GetVertexColorsFromUVs(benchmark::State& state)
{
    std::vector<uint8_t> colors(3 * kMillion);
    for (auto _ : state) {
        Hyx::TransformVertexColorsFromUVs::GetVertexColorsFromUVs(kMillion, colors.data(), scene().uvs->GetUVs(),
                                                                  scene().colour);
        benchmark::DoNotOptimize(colors.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kMillion);
}

} // namespace

BENCHMARK(BM_PlainVertexLoop)->Arg(kMillion)->Arg(kHalfMillion)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainDepthmapLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DepthmapFromVertexPositions)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VertexPositionsFromDepthMap)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VertexPositionsFromSupersampledDepthMap)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VertexColorsFromTextureRGB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetVertexColorsFromUVs)->Unit(benchmark::kMillisecond);
