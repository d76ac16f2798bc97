// RGBA previews of full-HD textures beside baselines on the same bytes: libyuv's NV12 to
// ARGB conversion for the NV12 preview (when libyuv is installed), memcpy of the pixel
// bytes for the RGB and BGR previews.

#include <Hyx/DataTypeTextureRGB.h>
#include <Hyx/DataTypeTextureYUV.h>

#include <benchmark/benchmark.h>

#ifdef HYX_BENCH_HAVE_LIBYUV
#include <libyuv/convert_argb.h>
#endif

#include <cstring>
#include <vector>

namespace {

constexpr uint16_t WIDTH = 1920;
constexpr uint16_t HEIGHT = 1080;

template <class Texture>
void fill(Texture& texture, uint16_t storedHeight)
{
    uint8_t* pixels = texture.AllocateTexture(WIDTH, storedHeight);
    for (uint32_t i = 0; i < texture.GetTextureSizeInBytes(); ++i)
        pixels[i] = uint8_t(i * 131 + (i >> 11));
}

void setBytes(benchmark::State& state, size_t bytesPerIteration)
{
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytesPerIteration));
}

void BM_NV12Preview(benchmark::State& state)
{
    Hyx::DataTypeTextureYUV_NV12 texture;
    fill(texture, uint16_t(Hyx::GetYUVStoredHeight(HEIGHT)));
    int w = 0, h = 0;
    texture.CanRenderTo2dRgbaBuffer(w, h);
    std::vector<uint8_t> rgba(size_t(w) * h * 4);
    for (auto _ : state) {
        texture.RenderTo2dRgbaBuffer(rgba.data());
        benchmark::ClobberMemory();
    }
    setBytes(state, texture.GetTextureSizeInBytes());
}
BENCHMARK(BM_NV12Preview);

#ifdef HYX_BENCH_HAVE_LIBYUV
void BM_BaselineLibyuvNV12ToARGB(benchmark::State& state)
{
    Hyx::DataTypeTextureYUV_NV12 texture;
    fill(texture, uint16_t(Hyx::GetYUVStoredHeight(HEIGHT)));
    const uint8_t* luma = texture.GetTextureData();
    const uint8_t* chroma = luma + texture.GetUOffset();
    std::vector<uint8_t> argb(size_t(WIDTH) * HEIGHT * 4);
    for (auto _ : state) {
        libyuv::NV12ToARGB(luma, WIDTH, chroma, WIDTH, argb.data(), WIDTH * 4, WIDTH, HEIGHT);
        benchmark::ClobberMemory();
    }
    setBytes(state, texture.GetTextureSizeInBytes());
}
BENCHMARK(BM_BaselineLibyuvNV12ToARGB);
#endif

template <class Texture>
void BM_24BitPreview(benchmark::State& state)
{
    Texture texture;
    fill(texture, HEIGHT);
    std::vector<uint8_t> rgba(size_t(WIDTH) * HEIGHT * 4);
    for (auto _ : state) {
        texture.RenderTo2dRgbaBuffer(rgba.data());
        benchmark::ClobberMemory();
    }
    setBytes(state, texture.GetTextureSizeInBytes());
}
BENCHMARK(BM_24BitPreview<Hyx::DataTypeTextureRGB>)->Name("BM_RGBPreview");
BENCHMARK(BM_24BitPreview<Hyx::DataTypeTextureBGR>)->Name("BM_BGRPreview");

void BM_BaselineMemcpyRGBBytes(benchmark::State& state)
{
    Hyx::DataTypeTextureRGB texture;
    fill(texture, HEIGHT);
    std::vector<uint8_t> copy(texture.GetTextureSizeInBytes());
    for (auto _ : state) {
        std::memcpy(copy.data(), texture.GetTextureData(), copy.size());
        benchmark::ClobberMemory();
    }
    setBytes(state, copy.size());
}
BENCHMARK(BM_BaselineMemcpyRGBBytes);

} // namespace
