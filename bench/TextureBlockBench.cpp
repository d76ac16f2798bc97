// Block coders on 1024 x 1024 images. Our ETC2 encoder (fast and thorough search, one and
// four threads) beside the DXT1 encoder on the same image, with the PSNR of each; the ASTC
// driver beside a raw astc-encoder call with the same configuration, threads and kept
// context, and the context creation the driver pays once.

#include "../tests/texture/ConverterTestUtil.h"

#include "texture/AstcDriver.h"
#include "texture/Etc2Codec.h"
#include "texture/RGBDXT5Convertor.h"

#include <astcenc.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <thread>
#include <vector>

namespace {

constexpr uint32_t SIZE = 1024;

const std::vector<uint8_t>& image(int kind)
{
    static const std::vector<uint8_t> smooth = HyxTest::smoothImage(SIZE, SIZE);
    static const std::vector<uint8_t> textured = HyxTest::texturedImage(SIZE, SIZE);
    return kind ? textured : smooth;
}

// state.range(0): 0 smooth, 1 textured; range(1): thorough; range(2): threads.
void BM_Etc2Encode(benchmark::State& state)
{
    const auto& rgb = image(int(state.range(0)));
    std::vector<uint8_t> blocks(rgb.size() / 6), decoded(rgb.size());
    for (auto _ : state)
        Hyx::Etc2Codec::Encode(rgb.data(), SIZE, SIZE, blocks.data(), state.range(1) != 0, unsigned(state.range(2)));
    Hyx::Etc2Codec::Decode(blocks.data(), SIZE, SIZE, decoded.data());
    state.counters["PSNR"] = HyxTest::Psnr(rgb, decoded);
}
BENCHMARK(BM_Etc2Encode)
    ->ArgsProduct({{0, 1}, {0}, {1, 4}})
    ->Args({1, 1, 4})
    ->Args({0, 1, 4})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_Dxt1EncodeBaseline(benchmark::State& state)
{
    const auto& rgb = image(int(state.range(0)));
    Hyx::RGBDXT5Convertor convertor;
    std::vector<uint8_t> decoded;
    for (auto _ : state)
        convertor.EncodeDXT1FromRGB(rgb.data(), SIZE, SIZE);
    Hyx::RGBDXT5Convertor::DecodeDXT1ToRGB(decoded, convertor.GetOutput().data(), SIZE, SIZE);
    state.counters["PSNR"] = HyxTest::Psnr(rgb, decoded);
}
BENCHMARK(BM_Dxt1EncodeBaseline)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_AstcDriver(benchmark::State& state)
{
    const auto& rgb = image(1);
    Hyx::RGBDXT5Convertor convertor;
    convertor.EncodeASTCFromBGR(rgb.data(), SIZE, SIZE, 0); // the context is made here, once
    for (auto _ : state)
        convertor.EncodeASTCFromBGR(rgb.data(), SIZE, SIZE, 0);
}
BENCHMARK(BM_AstcDriver)->Unit(benchmark::kMillisecond)->UseRealTime();

// What the driver does, called on the library directly with the driver's configuration:
// clamp, four threads, reset.
void BM_AstcRawBaseline(benchmark::State& state)
{
    const auto& rgb = image(1);
    astcenc_config config;
    astcenc_context* context = nullptr;
    Hyx::MakeAstcDriverConfig(0, config);
    astcenc_context_alloc(&config, 4, &context);
    std::vector<uint8_t> rgba(size_t(SIZE) * SIZE * 4), out(size_t(SIZE) * SIZE / 4);
    void* planes[1] = {rgba.data()};
    astcenc_image img{SIZE, SIZE, 1, ASTCENC_TYPE_U8, planes};
    const astcenc_swizzle swizzle{ASTCENC_SWZ_R, ASTCENC_SWZ_G, ASTCENC_SWZ_B, ASTCENC_SWZ_A};
    for (auto _ : state) {
        for (size_t i = 0; i < size_t(SIZE) * SIZE; ++i) {
            for (int c = 0; c < 3; ++c)
                rgba[4 * i + c] = std::min<uint8_t>(rgb[3 * i + 2 - c], 254);
            rgba[4 * i + 3] = 255;
        }
        std::vector<std::thread> workers;
        for (unsigned t = 0; t < 4; ++t)
            workers.emplace_back(
                [&, t] { astcenc_compress_image(context, &img, &swizzle, out.data(), out.size(), t); });
        for (auto& worker : workers)
            worker.join();
        astcenc_compress_reset(context);
    }
    astcenc_context_free(context);
}
BENCHMARK(BM_AstcRawBaseline)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_AstcContextCreation(benchmark::State& state)
{
    for (auto _ : state) {
        astcenc_config config;
        astcenc_context* context = nullptr;
        Hyx::MakeAstcDriverConfig(0, config);
        astcenc_context_alloc(&config, 4, &context);
        astcenc_context_free(context);
    }
}
BENCHMARK(BM_AstcContextCreation)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
