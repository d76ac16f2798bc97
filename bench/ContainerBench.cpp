// Container files on tmpfs (/dev/shm), each beside its baseline in the same run:
// - writing 600 atoms of one 1 MiB layer with the indexed writer, against write() of the
//   same 600 payloads to a plain file (bytes_per_second of each);
// - GetFrameAtom of random frames of a 10,000-frame file (16 KiB layers), against pread()
//   of the same payloads; the argument picks the frames: 0 the first hundred, 1 the last
//   hundred, 2 any (the time per frame should not depend on where it lies);
// - GetFrameAtom of the same frames from the file's image in memory, against memcpy of the
//   same payloads out of that image;
// - opening the 10,000-frame file with its table, and a copy without one (walk), in ms.

#include <Hyx/Atom.h>
#include <Hyx/DataLayerPlaceholder.h>
#include <Hyx/HYX2Reader.h>
#include <Hyx/SerializeToHyx.h>

#include <VornCommon/FileHelper.h>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kBigPayload = 1u << 20;
constexpr int kBigAtoms = 600;
constexpr uint32_t kSmallPayload = 16u << 10;
constexpr uint32_t kFrames = 10000;

std::string shmPath(const char* name)
{
    return "/dev/shm/hyx_bench_" + std::to_string(::getpid()) + "_" + name;
}

std::shared_ptr<Hyx::Atom> payloadAtom(uint32_t frame, uint32_t size)
{
    // A type no class has: the reader keeps it as a placeholder, so only the container is timed.
    auto layer = std::make_shared<Hyx::DataLayerPlaceholder>(
        VornCommon::Guid::FromHexString("B3E1A0C2-5D4F-4E6A-9B8C-7D6E5F4A3B2D"));
    uint8_t* data = layer->AllocateData(size);
    for (uint32_t i = 0; i < size; ++i)
        data[i] = static_cast<uint8_t>(i * 131u + frame);
    layer->InitializeData(data, size);
    auto atom = std::make_shared<Hyx::Atom>(0u, frame, uint64_t{frame} * 40000000u);
    atom->AddDataLayer(layer, false);
    return atom;
}

void BM_RawWrite600x1MiB(benchmark::State& state)
{
    const std::string path = shmPath("raw");
    const std::vector<uint8_t> payload(kBigPayload, 7);
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        for (int i = 0; i < kBigAtoms; ++i) {
            if (::write(fd, payload.data(), payload.size()) != static_cast<ssize_t>(payload.size()))
                state.SkipWithError("write failed");
        }
        ::close(fd);
        state.PauseTiming();
        std::remove(path.c_str());
        state.ResumeTiming();
    }
    state.SetBytesProcessed(int64_t{state.iterations()} * kBigAtoms * kBigPayload);
}

void BM_ContainerWrite600x1MiB(benchmark::State& state)
{
    const std::string path = shmPath("write.hyx");
    const auto atom = payloadAtom(0, kBigPayload);
    for (auto _ : state) {
        Hyx::SerializeToHyx writer(path.c_str(), true);
        for (int i = 0; i < kBigAtoms; ++i) {
            atom->SetFrameNr(static_cast<uint32_t>(i));
            if (writer.pack_atom(atom) != Hyx::HyxErrorCode::Success)
                state.SkipWithError("pack_atom failed");
        }
        writer.CloseFile();
        state.PauseTiming();
        std::remove(path.c_str());
        state.ResumeTiming();
    }
    state.SetBytesProcessed(int64_t{state.iterations()} * kBigAtoms * kBigPayload);
}

// The 10,000-frame files, written once per run and removed at exit.
struct FrameFiles {
    FrameFiles() : indexed(shmPath("indexed.hyx")), walked(shmPath("walked.hyx"))
    {
        Hyx::SerializeToHyx withTable(indexed.c_str(), true), without(walked.c_str(), false);
        for (uint32_t frame = 0; frame < kFrames; ++frame) {
            const auto atom = payloadAtom(frame, kSmallPayload);
            withTable.pack_atom(atom);
            without.pack_atom(atom);
        }
        withTable.CloseFile();
        without.CloseFile();
    }
    ~FrameFiles()
    {
        std::remove(indexed.c_str());
        std::remove(walked.c_str());
    }
    // Every record has the same size, so payload n starts at a computable offset.
    static constexpr uint32_t recordSize =
        Hyx::HYX_ATOM_HEADER_SIZE + Hyx::HYX_BLOCK_HEADER_SIZE + Hyx::HYX_BLOB_HEADER_SIZE + 4 + kSmallPayload;
    static uint64_t payloadOffset(uint32_t frame)
    {
        return Hyx::HYX_STREAM_HEADER_SIZE + uint64_t{frame} * recordSize + Hyx::HYX_ATOM_HEADER_SIZE;
    }

    std::string indexed, walked;
};

const FrameFiles& frameFiles()
{
    static const FrameFiles files;
    return files;
}

std::vector<uint32_t> randomFrames(int64_t region)
{
    std::mt19937 random(42);
    const uint32_t low = region == 1 ? kFrames - 100 : 0;
    const uint32_t high = region == 0 ? 99 : kFrames - 1;
    std::uniform_int_distribution<uint32_t> pick(low, high);
    std::vector<uint32_t> frames(4096);
    for (auto& f : frames)
        f = pick(random);
    return frames;
}

void BM_PreadPayload16KiB(benchmark::State& state)
{
    const FrameFiles& files = frameFiles();
    const std::vector<uint32_t> frames = randomFrames(state.range(0));
    const int fd = ::open(files.indexed.c_str(), O_RDONLY);
    std::vector<uint8_t> buffer(FrameFiles::recordSize - Hyx::HYX_ATOM_HEADER_SIZE);
    size_t i = 0;
    for (auto _ : state) {
        const uint32_t frame = frames[i++ % frames.size()];
        if (::pread(fd, buffer.data(), buffer.size(), static_cast<off_t>(FrameFiles::payloadOffset(frame))) !=
            static_cast<ssize_t>(buffer.size()))
            state.SkipWithError("pread failed");
        benchmark::DoNotOptimize(buffer.data());
    }
    ::close(fd);
    state.SetBytesProcessed(int64_t{state.iterations()} * kSmallPayload);
}

void BM_GetFrameAtom16KiB(benchmark::State& state)
{
    const FrameFiles& files = frameFiles();
    const std::vector<uint32_t> frames = randomFrames(state.range(0));
    Hyx::ReadHYX2File reader(files.indexed.c_str());
    reader.Initialize();
    size_t i = 0;
    for (auto _ : state) {
        auto atom = reader.GetFrameAtom(0, frames[i++ % frames.size()]);
        if (!atom)
            state.SkipWithError("GetFrameAtom failed");
        benchmark::DoNotOptimize(atom.get());
    }
    state.SetBytesProcessed(int64_t{state.iterations()} * kSmallPayload);
}

// The indexed file's bytes, read once.
const std::vector<uint8_t>& fileImage()
{
    static const std::vector<uint8_t> image = [] {
        uint32_t size = 0;
        std::unique_ptr<uint8_t[]> bytes(
            VornCommon::FileHelper::ReadFileContentToByteArray(frameFiles().indexed, size));
        return std::vector<uint8_t>(bytes.get(), bytes.get() + size);
    }();
    return image;
}

void BM_MemcpyPayload16KiB(benchmark::State& state)
{
    const std::vector<uint8_t>& image = fileImage();
    const std::vector<uint32_t> frames = randomFrames(2);
    std::vector<uint8_t> target(FrameFiles::recordSize - Hyx::HYX_ATOM_HEADER_SIZE);
    size_t i = 0;
    for (auto _ : state) {
        std::memcpy(target.data(), image.data() + FrameFiles::payloadOffset(frames[i++ % frames.size()]),
                    target.size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t{state.iterations()} * kSmallPayload);
}

void BM_GetFrameAtomFromMemory16KiB(benchmark::State& state)
{
    const std::vector<uint8_t>& image = fileImage();
    const std::vector<uint32_t> frames = randomFrames(2);
    Hyx::HYX2Reader reader(image.data(), static_cast<uint32_t>(image.size()));
    reader.Initialize();
    size_t i = 0;
    for (auto _ : state) {
        auto atom = reader.GetFrameAtom(0, frames[i++ % frames.size()]);
        if (!atom)
            state.SkipWithError("GetFrameAtom failed");
        benchmark::DoNotOptimize(atom.get());
    }
    state.SetBytesProcessed(int64_t{state.iterations()} * kSmallPayload);
}

void BM_OpenWithTable10000Frames(benchmark::State& state)
{
    const FrameFiles& files = frameFiles();
    for (auto _ : state) {
        Hyx::ReadHYX2File reader(files.indexed.c_str());
        if (reader.Initialize() != Hyx::HyxErrorCode::Success || reader.GetNumFrames(0) != kFrames)
            state.SkipWithError("open failed");
    }
}

void BM_OpenByWalk10000Frames(benchmark::State& state)
{
    const FrameFiles& files = frameFiles();
    for (auto _ : state) {
        Hyx::ReadHYX2File reader(files.walked.c_str());
        if (reader.Initialize() != Hyx::HyxErrorCode::Success || reader.GetNumFrames(0) != kFrames)
            state.SkipWithError("walk failed");
    }
}

BENCHMARK(BM_RawWrite600x1MiB)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ContainerWrite600x1MiB)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_PreadPayload16KiB)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GetFrameAtom16KiB)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MemcpyPayload16KiB)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GetFrameAtomFromMemory16KiB)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OpenWithTable10000Frames)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenByWalk10000Frames)->Unit(benchmark::kMillisecond);

} // namespace
