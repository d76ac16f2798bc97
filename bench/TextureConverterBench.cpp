// Texture converter kernels beside peers on the same full-HD image in the same run:
// NV12/NV21 to RGB and RGB to NV12 beside libyuv (when installed; its RAW is our RGB byte
// order, and RAW to I420 stands in for RGB to NV12: the same samples, planar chroma), and
// DXT1 encoding beside the raw stb_dxt block call and libsquish. Kernels and peers write
// into buffers made before the loop.

#include <Hyx/TextureFormat.h>

#include "texture/PixelKernels.h"
#include "texture/RGBDXT5Convertor.h"

#include <benchmark/benchmark.h>
#include <squish.h>
#include <stb_dxt.h>

#ifdef HYX_BENCH_HAVE_LIBYUV
#include <libyuv/convert.h>
#include <libyuv/convert_argb.h>
#endif

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

constexpr uint32_t WIDTH = 1920;
constexpr uint32_t HEIGHT = 1080;
constexpr size_t PIXELS = size_t(WIDTH) * HEIGHT;

// Smooth gradients with a fine pattern on top, so blocks are neither flat nor noise.
const std::vector<uint8_t>& rgbImage()
{
    static const std::vector<uint8_t> rgb = [] {
        std::vector<uint8_t> bytes(PIXELS * 3);
        for (uint32_t y = 0; y < HEIGHT; ++y)
            for (uint32_t x = 0; x < WIDTH; ++x) {
                uint8_t* p = bytes.data() + (size_t(WIDTH) * y + x) * 3;
                const uint32_t detail = (x * 7 + y * 13) % 23;
                p[0] = uint8_t(x * 255 / WIDTH + detail);
                p[1] = uint8_t(y * 200 / HEIGHT + (x ^ y) % 17);
                p[2] = uint8_t((x + y) * 255 / (WIDTH + HEIGHT) + detail / 2);
            }
        return bytes;
    }();
    return rgb;
}

std::vector<uint8_t> yuvImage(Hyx::TextureFormat layout)
{
    std::vector<uint8_t> yuv(PIXELS * 3 / 2);
    Hyx::TextureKernels::RGB24ToYUV420(rgbImage().data(), yuv.data(), uint32_t(layout), WIDTH, HEIGHT);
    return yuv;
}

void setPixels(benchmark::State& state)
{
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(PIXELS));
}

// ---- YUV to RGB ----

template <Hyx::TextureFormat Layout>
void BM_YUVToRGB(benchmark::State& state)
{
    const std::vector<uint8_t> yuv = yuvImage(Layout);
    std::vector<uint8_t> rgb(PIXELS * 3);
    for (auto _ : state) {
        Hyx::TextureKernels::YUV420ToRGB24(yuv.data(), rgb.data(), uint32_t(Layout), WIDTH, HEIGHT);
        benchmark::ClobberMemory();
    }
    setPixels(state);
}
BENCHMARK(BM_YUVToRGB<Hyx::TextureFormat::YUV_NV12>)->Name("BM_NV12ToRGB");
BENCHMARK(BM_YUVToRGB<Hyx::TextureFormat::YUV_NV21>)->Name("BM_NV21ToRGB");

#ifdef HYX_BENCH_HAVE_LIBYUV
template <Hyx::TextureFormat Layout>
void BM_BaselineLibyuvToRAW(benchmark::State& state)
{
    const std::vector<uint8_t> yuv = yuvImage(Layout);
    std::vector<uint8_t> rgb(PIXELS * 3);
    const uint8_t* chroma = yuv.data() + PIXELS;
    for (auto _ : state) {
        if (Layout == Hyx::TextureFormat::YUV_NV12)
            libyuv::NV12ToRAW(yuv.data(), WIDTH, chroma, WIDTH, rgb.data(), WIDTH * 3, WIDTH, HEIGHT);
        else
            libyuv::NV21ToRAW(yuv.data(), WIDTH, chroma, WIDTH, rgb.data(), WIDTH * 3, WIDTH, HEIGHT);
        benchmark::ClobberMemory();
    }
    setPixels(state);
}
BENCHMARK(BM_BaselineLibyuvToRAW<Hyx::TextureFormat::YUV_NV12>)->Name("BM_BaselineLibyuvNV12ToRAW");
BENCHMARK(BM_BaselineLibyuvToRAW<Hyx::TextureFormat::YUV_NV21>)->Name("BM_BaselineLibyuvNV21ToRAW");
#endif

// ---- RGB to YUV ----

template <Hyx::TextureFormat Layout>
void BM_RGBToYUV(benchmark::State& state)
{
    std::vector<uint8_t> yuv(PIXELS * 3 / 2);
    for (auto _ : state) {
        Hyx::TextureKernels::RGB24ToYUV420(rgbImage().data(), yuv.data(), uint32_t(Layout), WIDTH, HEIGHT);
        benchmark::ClobberMemory();
    }
    setPixels(state);
}
BENCHMARK(BM_RGBToYUV<Hyx::TextureFormat::YUV_NV12>)->Name("BM_RGBToNV12");
BENCHMARK(BM_RGBToYUV<Hyx::TextureFormat::YUV_NVX>)->Name("BM_RGBToNVX");

#ifdef HYX_BENCH_HAVE_LIBYUV
void BM_BaselineLibyuvRAWToI420(benchmark::State& state)
{
    std::vector<uint8_t> yuv(PIXELS * 3 / 2);
    uint8_t* u = yuv.data() + PIXELS;
    uint8_t* v = u + PIXELS / 4;
    for (auto _ : state) {
        libyuv::RAWToI420(rgbImage().data(), WIDTH * 3, yuv.data(), WIDTH, u, WIDTH / 2, v, WIDTH / 2, WIDTH, HEIGHT);
        benchmark::ClobberMemory();
    }
    setPixels(state);
}
BENCHMARK(BM_BaselineLibyuvRAWToI420);
#endif

// ---- DXT1 encoding ----

void BM_DXT1Encode(benchmark::State& state)
{
    Hyx::RGBDXT5Convertor convertor;
    for (auto _ : state) {
        convertor.EncodeDXT1FromRGB(rgbImage().data(), WIDTH, HEIGHT);
        benchmark::DoNotOptimize(convertor.GetOutput().data());
    }
    setPixels(state);
}
BENCHMARK(BM_DXT1Encode)->Unit(benchmark::kMillisecond);

void BM_DXT5YCoCgEncode(benchmark::State& state)
{
    Hyx::RGBDXT5Convertor convertor;
    for (auto _ : state) {
        convertor.EncodeDXT5YCoCgFromRGB(rgbImage().data(), WIDTH, HEIGHT);
        benchmark::DoNotOptimize(convertor.GetOutput().data());
    }
    setPixels(state);
}
BENCHMARK(BM_DXT5YCoCgEncode)->Unit(benchmark::kMillisecond);

// The block call alone: gather each 4 x 4 block to RGBA and compress it, high quality.
void BM_BaselineStbDxtBlocks(benchmark::State& state)
{
    const std::vector<uint8_t>& rgb = rgbImage();
    std::vector<uint8_t> blocks(PIXELS / 2);
    for (auto _ : state) {
        uint8_t* out = blocks.data();
        uint8_t block[64];
        for (uint32_t y = 0; y < HEIGHT; y += 4)
            for (uint32_t x = 0; x < WIDTH; x += 4, out += 8) {
                for (uint32_t j = 0; j < 4; ++j)
                    for (uint32_t i = 0; i < 4; ++i) {
                        const uint8_t* s = rgb.data() + (size_t(WIDTH) * (y + j) + x + i) * 3;
                        uint8_t* p = block + 16 * j + 4 * i;
                        p[0] = s[0], p[1] = s[1], p[2] = s[2], p[3] = 255;
                    }
                stb_compress_dxt_block(out, block, 0, STB_DXT_HIGHQUAL);
            }
        benchmark::DoNotOptimize(blocks.data());
    }
    setPixels(state);
}
BENCHMARK(BM_BaselineStbDxtBlocks)->Unit(benchmark::kMillisecond);

// libsquish over an RGBA copy made before the loop: its fast range fit and its default
// cluster fit.
void BM_BaselineSquishDXT1(benchmark::State& state)
{
    const std::vector<uint8_t>& rgb = rgbImage();
    std::vector<uint8_t> rgba(PIXELS * 4);
    for (size_t i = 0; i < PIXELS; ++i)
        std::copy_n(rgb.data() + 3 * i, 3, rgba.data() + 4 * i), rgba[4 * i + 3] = 255;
    std::vector<uint8_t> blocks(PIXELS / 2);
    const int flags = squish::kDxt1 | int(state.range(0));
    for (auto _ : state) {
        squish::CompressImage(rgba.data(), WIDTH, HEIGHT, blocks.data(), flags);
        benchmark::DoNotOptimize(blocks.data());
    }
    setPixels(state);
}
BENCHMARK(BM_BaselineSquishDXT1)->Arg(squish::kColourRangeFit)->ArgName("rangeFit")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BaselineSquishDXT1)->Arg(squish::kColourClusterFit)->ArgName("clusterFit")->Unit(benchmark::kMillisecond);

} // namespace
