// Cost of carrying a frame's layers inside a nested atom layer instead of directly in the
// atom: one frame of metadata layers (skeleton, 3840 bytes of PCM audio, a 64 KiB
// attachment, recording and group info) written and read both ways in the same run. The
// ratios of the Nested benchmarks to their Direct baselines are what matters.

#include <Hyx/Atom.h>
#include <Hyx/DataTypeAtom.h>
#include <Hyx/DataTypeBinary.h>
#include <Hyx/DataTypeCaptureMetadata.h>
#include <Hyx/DataTypeGroupInfo.h>
#include <Hyx/DataTypePCMSample.h>
#include <Hyx/DataTypeSkeleton.h>
#include <Hyx/DeserializeFromMemory.h>
#include <Hyx/SerializeToMemory.h>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

std::vector<std::shared_ptr<Hyx::DataLayer>> frameLayers()
{
    std::vector<uint8_t> bytes(64 << 10);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = uint8_t(i * 31);
    auto skeleton = std::make_shared<Hyx::DataTypeSkeleton>();
    skeleton->InitWithDefaultValues();
    auto pcm = std::make_shared<Hyx::DataTypePCMSample>();
    pcm->SetValues(2, 16, 48000, bytes.data(), 3840, 0);
    auto binary = std::make_shared<Hyx::DataTypeBinary>();
    binary->AddBinaryData("calibration.bin", bytes.data(), uint32_t(bytes.size()), false);
    auto recording = std::make_shared<Hyx::DataTypeRecordingInfo>();
    recording->SetValues("session", "take 1", {1, 2, 3, 4}, "live");
    auto group = std::make_shared<Hyx::DataTypeGroupInfo>();
    group->SetGroupName("group");
    return {skeleton, pcm, binary, recording, group};
}

std::shared_ptr<Hyx::Atom> directAtom()
{
    auto atom = std::make_shared<Hyx::Atom>(0u, 0u);
    for (const auto& layer : frameLayers())
        atom->AddDataLayer(layer, false);
    return atom;
}

std::shared_ptr<Hyx::DataTypeAtom> nestedLayer()
{
    auto nested = std::make_shared<Hyx::DataTypeAtom>();
    for (const auto& layer : frameLayers())
        nested->Add(layer);
    return nested;
}

std::vector<uint8_t> packed(const std::shared_ptr<Hyx::Atom>& atom)
{
    Hyx::SerializeToMemory writer;
    writer.pack_atom(atom);
    return std::vector<uint8_t>(writer.GetPackedDataPtr(), writer.GetPackedDataPtr() + writer.GetPackedDataSize());
}

void BM_WriteFrameDirect(benchmark::State& state)
{
    const auto atom = directAtom();
    Hyx::SerializeToMemory writer;
    for (auto _ : state) {
        writer.pack_atom(atom);
        benchmark::DoNotOptimize(writer.GetPackedDataPtr());
        writer.Flush();
    }
}

void BM_WriteFrameNested(benchmark::State& state)
{
    const auto nested = nestedLayer();
    auto atom = std::make_shared<Hyx::Atom>(0u, 0u);
    atom->AddDataLayer(nested, false);
    Hyx::SerializeToMemory writer;
    for (auto _ : state) {
        writer.pack_atom(atom); // packs the nested atom anew on every write
        benchmark::DoNotOptimize(writer.GetPackedDataPtr());
        writer.Flush();
    }
}

void readFrames(benchmark::State& state, std::vector<uint8_t> stream)
{
    Hyx::DeserializeFromMemory reader;
    for (auto _ : state) {
        reader.setPackedDataWithoutResponsibilityToDelete(stream.data(), uint32_t(stream.size()));
        auto atom = reader.unpack_atom();
        benchmark::DoNotOptimize(atom.get());
    }
}

void BM_ReadFrameDirect(benchmark::State& state)
{
    readFrames(state, packed(directAtom()));
}

void BM_ReadFrameNested(benchmark::State& state)
{
    auto atom = std::make_shared<Hyx::Atom>(0u, 0u);
    atom->AddDataLayer(nestedLayer(), false);
    readFrames(state, packed(atom));
}

BENCHMARK(BM_WriteFrameDirect)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WriteFrameNested)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadFrameDirect)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadFrameNested)->Unit(benchmark::kMicrosecond);

} // namespace
