// The automatic compressor and decompressor over a realistic frame (1 M positions, normals
// and indices, a 2048x2048 RGB texture) inside MutateAtomMultiThread at 1 and 4 workers,
// beside the same compress and decompress calls on the same layers in a plain loop (the
// baseline). Also the block run-length coder on all-distinct DXT1 blocks beside memcpy.

#include "ThreadedMutateRun.h"

#include <Hyx/CompressedLayers.h>
#include <Hyx/DataTypeTextureBlock.h>
#include <Hyx/DataTypeTextureRGB.h>
#include <Hyx/DataTypeVertex.h>
#include <Hyx/MutateCompressor.h>
#include <Hyx/MutateMultiThread.h>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr uint32_t kVertices = 1u << 20;
constexpr uint16_t kTextureSize = 2048;
constexpr unsigned kFrames = 8;

using Layers = std::vector<std::shared_ptr<Hyx::DataLayer>>;

const Layers& frameLayers()
{
    static const Layers layers = [] {
        auto positions = std::make_shared<Hyx::DataTypeVertexPositions>();
        float* p = positions->Allocate(kVertices, false);
        auto normals = std::make_shared<Hyx::DataTypeVertexNormals>();
        float* n = normals->Allocate(kVertices);
        for (uint32_t i = 0; i < kVertices; ++i) {
            const float theta = float(i) * 2.39996f, z = 1.0f - 2.0f * (float(i) + 0.5f) / float(kVertices);
            const float r = std::sqrt(1.0f - z * z);
            n[3 * i] = r * std::cos(theta);
            n[3 * i + 1] = r * std::sin(theta);
            n[3 * i + 2] = z;
            for (int c = 0; c < 3; ++c)
                p[3 * i + c] = n[3 * i + c] * 0.8f;
        }
        positions->CalculateBoundingBoxFromVertexPositions();
        auto indices = std::make_shared<Hyx::DataTypeVertexIndices>();
        indices->Allocate(kVertices);
        for (uint32_t i = 0; i < kVertices; ++i)
            indices->GetIndices()[i] = (i * 7919u) % kVertices;
        auto texture = std::make_shared<Hyx::DataTypeTextureRGB>();
        uint8_t* t = texture->AllocateTexture(kTextureSize, kTextureSize);
        for (size_t y = 0; y < kTextureSize; ++y)
            for (size_t x = 0; x < kTextureSize; ++x, t += 3) {
                t[0] = uint8_t(x >> 3);
                t[1] = uint8_t(y >> 3);
                t[2] = uint8_t((x * y) >> 12);
            }
        return Layers{positions, normals, indices, texture};
    }();
    return layers;
}

/// The filters' frame steps, opened up.
template <typename F>
struct Opened : F {
    Opened()
    {
        F::Instantiate();
        F::onInitializeParams(nullptr);
    }
    using F::onCreateFrame;
};

/// Compresses and decompresses the realistic frame for every atom it is given.
class RoundTripMutate : public Hyx::MutateAtomMultiThread {
public:
    VornCommon::Guid TypeGuid() const override { return GraphFixtures::kMutateGuid; }
    Hyx::FilterClassInfo GetFilterClassInfo() const override
    {
        return Hyx::FilterClassInfo("MutateRoundTrip", Hyx::FilterCategory::Transform);
    }

protected:
    std::shared_ptr<Hyx::Atom> onProcessAtom(void*, std::shared_ptr<Hyx::Atom> atom) override
    {
        auto frame = std::make_shared<Hyx::Atom>(1, atom->GetFrameNr(), 0);
        for (const auto& layer : frameLayers())
            frame->AddDataLayer(layer, false);
        std::shared_ptr<Hyx::Atom> coded, plain;
        _compressor.onCreateFrame(frame, coded);
        _decompressor.onCreateFrame(coded, plain);
        benchmark::DoNotOptimize(plain);
        return atom;
    }

private:
    Opened<Hyx::MutateAutoCompressor> _compressor;
    Opened<Hyx::MutateAutoDecompressor> _decompressor;
};

// The results of a frame live until the frame ends, as they do inside the frames the
// mutates make, so both sides see the same allocations.
void BM_LayerCallsInPlainLoop(benchmark::State& state)
{
    frameLayers();
    for (auto _ : state)
        for (unsigned f = 0; f < kFrames; ++f) {
            Layers coded, plain;
            for (const auto& layer : frameLayers()) {
                std::shared_ptr<Hyx::DataTypeCompressedBlob> c;
                if (std::dynamic_pointer_cast<Hyx::DataTypeVertexNormals>(layer))
                    continue; // the automatic compressor leaves normals alone
                if (std::dynamic_pointer_cast<Hyx::DataTypeVertexPositions>(layer))
                    c = std::make_shared<Hyx::DataTypeCompressedVertexPositions>();
                else if (std::dynamic_pointer_cast<Hyx::DataTypeVertexIndices>(layer))
                    c = std::make_shared<Hyx::DataTypeCompressedVertexIndices>();
                else
                    c = std::make_shared<Hyx::DataTypeCompressedTexture>();
                c->compress(layer, c->GetRecommendedCompression(layer));
                coded.push_back(c);
            }
            for (const auto& layer : coded)
                plain.push_back(std::static_pointer_cast<Hyx::DataTypeCompressedBlob>(layer)->decompress());
            benchmark::DoNotOptimize(plain);
        }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kFrames);
}
BENCHMARK(BM_LayerCallsInPlainLoop)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_AutoMutatesInPlainLoop(benchmark::State& state)
{
    frameLayers();
    Opened<Hyx::MutateAutoCompressor> compressor;
    Opened<Hyx::MutateAutoDecompressor> decompressor;
    for (auto _ : state)
        for (unsigned f = 0; f < kFrames; ++f) {
            auto frame = std::make_shared<Hyx::Atom>(1, f, 0);
            for (const auto& layer : frameLayers())
                frame->AddDataLayer(layer, false);
            std::shared_ptr<Hyx::Atom> coded, plain;
            compressor.onCreateFrame(frame, coded);
            decompressor.onCreateFrame(coded, plain);
            benchmark::DoNotOptimize(plain);
        }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kFrames);
}
BENCHMARK(BM_AutoMutatesInPlainLoop)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_AutoMutatesInMutateAtomMultiThread(benchmark::State& state)
{
    frameLayers();
    RunThreadedMutate(state, std::make_shared<RoundTripMutate>(), kFrames);
}
BENCHMARK(BM_AutoMutatesInMutateAtomMultiThread)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond)->UseRealTime();

// All-distinct DXT1 blocks of a 2048x2048 texture: every block becomes a literal.
std::shared_ptr<Hyx::DataTypeTextureDXT1> distinctBlocks()
{
    auto texture = std::make_shared<Hyx::DataTypeTextureDXT1>();
    uint8_t* p = texture->AllocateTexture(kTextureSize, kTextureSize);
    for (uint32_t i = 0; i < texture->GetTextureSizeInBytes(); ++i)
        p[i] = uint8_t(i * 131 + (i >> 8));
    return texture;
}

void BM_MemcpyOfDxt1(benchmark::State& state)
{
    auto texture = distinctBlocks();
    std::vector<uint8_t> out(texture->GetTextureSizeInBytes());
    for (auto _ : state) {
        std::memcpy(out.data(), texture->GetDataPtr(), out.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * out.size());
}
BENCHMARK(BM_MemcpyOfDxt1);

void BM_RunLengthCoderOnDistinctDxt1(benchmark::State& state)
{
    auto texture = distinctBlocks();
    Hyx::DataTypeCompressedTexture coded;
    for (auto _ : state)
        benchmark::DoNotOptimize(coded.compress(texture, 5));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * texture->GetTextureSizeInBytes());
}
BENCHMARK(BM_RunLengthCoderOnDistinctDxt1);

} // namespace
