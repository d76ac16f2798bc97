// The thumbnail of a container's first frame holding 1 M points with texture coordinates
// and a JPEG-compressed 1920 x 1080 texture (colours come from the decoded texture), beside
// decoding that JPEG texture alone. The file path reads the frame from disk as a host's
// file browser would; the frame path starts from the frame already in memory.

#include <Hyx/Atom.h>
#include <Hyx/CompressedLayers.h>
#include <Hyx/DataTypeTextureRGB.h>
#include <Hyx/DataTypeVertex.h>
#include <Hyx/HYX2FileFastReader.h>
#include <Hyx/SerializeToHyx.h>
#include <Hyx/ThumbnailHelper.h>

#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr uint32_t POINTS = 1000000;
constexpr uint16_t WIDTH = 1920;
constexpr uint16_t HEIGHT = 1080;

struct Take {
    std::shared_ptr<Hyx::Atom> frame;
    std::shared_ptr<Hyx::DataTypeCompressedTexture> jpeg;
    std::string path;

    Take()
    {
        auto texture = std::make_shared<Hyx::DataTypeTextureRGB>();
        uint8_t* p = texture->AllocateTexture(WIDTH, HEIGHT);
        for (uint32_t y = 0; y < HEIGHT; ++y)
            for (uint32_t x = 0; x < WIDTH; ++x, p += 3) {
                p[0] = uint8_t(x / 8), p[1] = uint8_t(y / 5), p[2] = uint8_t((x + y) / 12);
            }
        jpeg = std::make_shared<Hyx::DataTypeCompressedTexture>();
        jpeg->compress(texture, static_cast<uint8_t>(Hyx::CompressionTextureTypes::JPG_RGB));
        // A wavy sheet seen from the front, its coordinates spread over the texture.
        auto positions = std::make_shared<Hyx::DataTypeVertexPositions>();
        auto uvs = std::make_shared<Hyx::DataTypeVertexTextureUVs>();
        float* xyz = positions->Allocate(POINTS, false);
        uvs->Allocate(POINTS);
        float* uv = uvs->GetUVs();
        for (uint32_t i = 0; i < POINTS; ++i) {
            const float u = float(i % 1000) / 999.0f, v = float(i / 1000) / 999.0f;
            xyz[3 * i] = u * 2.0f - 1.0f;
            xyz[3 * i + 1] = v * 1.2f - 0.6f;
            xyz[3 * i + 2] = 2.0f + 0.1f * std::sin(u * 20.0f) * std::cos(v * 15.0f);
            uv[2 * i] = u, uv[2 * i + 1] = 1.0f - v;
        }
        positions->CalculateBoundingBoxFromVertexPositions();
        frame = std::make_shared<Hyx::Atom>(0u, 0u, 0u);
        frame->AddDataLayer(positions);
        frame->AddDataLayer(uvs);
        frame->AddDataLayer(jpeg);
        path = (std::filesystem::temp_directory_path() / ("hyx_thumbnail_bench_" + std::to_string(::getpid()) + ".hyx"))
                   .string();
        Hyx::SerializeToHyx writer(path.c_str(), true);
        writer.pack_atom(frame);
        writer.CloseFile();
    }
    ~Take() { std::filesystem::remove(path); }
};

Take& take()
{
    static Take t;
    return t;
}

void BM_ThumbnailOfFile(benchmark::State& state)
{
    Hyx::HYX2FileRenderInfo info(take().path.c_str());
    std::vector<uint8_t> rgba(64 * 64 * 4);
    for (auto _ : state) {
        info.RenderThumbnail(rgba.data(), 64, 64, false);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ThumbnailOfFile)->Unit(benchmark::kMillisecond);

void BM_ThumbnailOfFrame(benchmark::State& state)
{
    const std::vector<std::shared_ptr<Hyx::Atom>> atoms = {take().frame};
    for (auto _ : state)
        benchmark::DoNotOptimize(Hyx::ThumbnailHelper::getThumbnail(atoms, false, false));
}
BENCHMARK(BM_ThumbnailOfFrame)->Unit(benchmark::kMillisecond);

void BM_BaselineJpegDecodeAlone(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(take().jpeg->decompress());
}
BENCHMARK(BM_BaselineJpegDecodeAlone)->Unit(benchmark::kMillisecond);

} // namespace
