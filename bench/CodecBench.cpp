// The codec front ends beside the bare library calls they wrap, on the same data in the same
// run: Blosc lz4 on 64 MiB (blosc_compress_ctx), JPEG of 1920x1080 RGB at quality 90
// (tjCompress2), octahedral normals of 1 M normals (meshopt_encodeFilterOct and
// meshopt_decodeFilterOct at 8 bits) and 16-bit position quantisation of 1 M points (memcpy
// of the same floats).

#include <Hyx/BloscCompressor.h>
#include <Hyx/JpegCodec.h>
#include <Hyx/NormalsOctCompressor.h>
#include <Hyx/Vector3DNormalizer.h>

#include <benchmark/benchmark.h>
#include <blosc.h>
#include <meshoptimizer.h>
#include <turbojpeg.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr size_t kBloscBytes = 64u << 20;
constexpr int kWidth = 1920, kHeight = 1080;
constexpr uint32_t kCount = 1u << 20;

// Vertex-like floats: compressible, but not trivially.
const std::vector<char>& bloscInput()
{
    static const std::vector<char> bytes = [] {
        std::vector<float> values(kBloscBytes / 4);
        for (size_t i = 0; i < values.size(); ++i)
            values[i] = std::floor(std::sin(float(i) * 0.001f) * 1000.0f) * 0.01f;
        std::vector<char> raw(kBloscBytes);
        std::memcpy(raw.data(), values.data(), kBloscBytes);
        return raw;
    }();
    return bytes;
}

const std::vector<uint8_t>& image()
{
    static const std::vector<uint8_t> pixels = [] {
        std::vector<uint8_t> p(size_t(kWidth) * kHeight * 3);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                for (int c = 0; c < 3; ++c)
                    p[(size_t(y) * kWidth + x) * 3 + c] = uint8_t((x * (c + 1) + y * 3 + ((x * y) >> 7)) & 0xFF);
        return p;
    }();
    return pixels;
}

// Unit normals, with a fourth float per normal for the peer's layout.
struct Normals {
    std::vector<float> xyz, xyzw;
    Normals() : xyz(3 * size_t(kCount)), xyzw(4 * size_t(kCount))
    {
        for (uint32_t i = 0; i < kCount; ++i) {
            const float theta = float(i) * 2.39996f, z = 1.0f - 2.0f * (float(i) + 0.5f) / float(kCount);
            const float r = std::sqrt(1.0f - z * z);
            const float n[3] = {r * std::cos(theta), r * std::sin(theta), z};
            std::memcpy(&xyz[3 * size_t(i)], n, 12);
            std::memcpy(&xyzw[4 * size_t(i)], n, 12);
            xyzw[4 * size_t(i) + 3] = 1.0f;
        }
    }
};

const Normals& normals()
{
    static const Normals instance;
    return instance;
}

void BM_BloscLz4_Raw(benchmark::State& state)
{
    const auto& input = bloscInput();
    std::vector<char> output(kBloscBytes + BLOSC_MAX_OVERHEAD);
    for (auto _ : state) {
        const int size = blosc_compress_ctx(1, BLOSC_NOSHUFFLE, 2, input.size(), input.data(), output.data(),
                                            output.size(), "lz4", 0, 4);
        benchmark::DoNotOptimize(size);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kBloscBytes));
}

void BM_BloscLz4_Hyx(benchmark::State& state)
{
    const auto& input = bloscInput();
    Hyx::BloscCompressor blosc;
    for (auto _ : state) {
        uint64_t size = input.size() + 16;
        benchmark::DoNotOptimize(
            blosc.RawCompress(input.data(), input.size(), &size, Hyx::CompressionBaseTypes::LZ4, 1));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kBloscBytes));
}

void BM_Jpeg1080pQ90_Raw(benchmark::State& state)
{
    tjhandle handle = tjInitCompress();
    std::vector<unsigned char> output(tjBufSize(kWidth, kHeight, TJSAMP_420));
    for (auto _ : state) {
        unsigned char* stream = output.data();
        unsigned long size = output.size();
        tjCompress2(handle, image().data(), kWidth, 3 * kWidth, kHeight, TJPF_RGB, &stream, &size, TJSAMP_420, 90,
                    TJFLAG_NOREALLOC);
        benchmark::DoNotOptimize(size);
    }
    tjDestroy(handle);
    state.SetItemsProcessed(state.iterations());
}

void BM_Jpeg1080pQ90_Hyx(benchmark::State& state)
{
    Hyx::JpegCompressor jpeg;
    for (auto _ : state) {
        uint32_t size = 0;
        benchmark::DoNotOptimize(jpeg.CompressRGB(image().data(), kWidth, kHeight, 90, size));
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_OctEncode8_Meshopt(benchmark::State& state)
{
    std::vector<int8_t> out(4 * size_t(kCount));
    for (auto _ : state) {
        meshopt_encodeFilterOct(out.data(), kCount, 4, 8, normals().xyzw.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kCount);
}

void BM_OctEncode16_Hyx(benchmark::State& state)
{
    std::vector<uint8_t> out(2 * size_t(kCount));
    Hyx::NormalsOctCompressor octs;
    for (auto _ : state) {
        octs.compressNorms(normals().xyz.data(), out.data(), kCount, Hyx::NormalsPrecision::OCT_16);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kCount);
}

// The peer decodes in place; decoding its own output again each round costs the same.
void BM_OctDecode8_Meshopt(benchmark::State& state)
{
    std::vector<int8_t> coded(4 * size_t(kCount));
    meshopt_encodeFilterOct(coded.data(), kCount, 4, 8, normals().xyzw.data());
    for (auto _ : state) {
        meshopt_decodeFilterOct(coded.data(), kCount, 4);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kCount);
}

void BM_OctDecode16_Hyx(benchmark::State& state)
{
    std::vector<uint8_t> coded(2 * size_t(kCount));
    std::vector<float> back(3 * size_t(kCount));
    Hyx::NormalsOctCompressor octs;
    octs.compressNorms(normals().xyz.data(), coded.data(), kCount, Hyx::NormalsPrecision::OCT_16);
    for (auto _ : state) {
        octs.decompressNorms(coded.data(), back.data(), kCount, Hyx::NormalsPrecision::OCT_16);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kCount);
}

void BM_Points16_Memcpy(benchmark::State& state)
{
    std::vector<float> out(normals().xyz.size());
    for (auto _ : state) {
        std::memcpy(out.data(), normals().xyz.data(), out.size() * 4);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kCount);
}

const float kBox[6] = {-1.0f, -1.0f, -1.0f, 1.001f, 1.001f, 1.001f};

void BM_Points16Compress_Hyx(benchmark::State& state)
{
    std::vector<uint8_t> out(6 * size_t(kCount));
    Hyx::Vector3DNormalizer quantiser;
    for (auto _ : state) {
        quantiser.CompressPoints(kBox, Hyx::XYZPrecision::QSPACE_16_16_16, normals().xyz.data(), out.data(), kCount);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kCount);
}

void BM_Points16Decompress_Hyx(benchmark::State& state)
{
    std::vector<uint8_t> coded(6 * size_t(kCount));
    std::vector<float> back(3 * size_t(kCount));
    Hyx::Vector3DNormalizer quantiser;
    quantiser.CompressPoints(kBox, Hyx::XYZPrecision::QSPACE_16_16_16, normals().xyz.data(), coded.data(), kCount);
    for (auto _ : state) {
        quantiser.DecompressPoints(kBox, Hyx::XYZPrecision::QSPACE_16_16_16, coded.data(), back.data(), kCount);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kCount);
}

} // namespace

BENCHMARK(BM_BloscLz4_Raw)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BloscLz4_Hyx)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Jpeg1080pQ90_Raw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Jpeg1080pQ90_Hyx)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OctEncode8_Meshopt)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OctEncode16_Hyx)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OctDecode8_Meshopt)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OctDecode16_Hyx)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Points16_Memcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Points16Compress_Hyx)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Points16Decompress_Hyx)->Unit(benchmark::kMillisecond);
