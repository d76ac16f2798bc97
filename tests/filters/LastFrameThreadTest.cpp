// A host thread reads the filters' last processed frames while an asynchronous graph's worker
// hands the same frames on to transforms that add layers in place: what the host got never
// changes under it. Each case runs in a child process, so a crash fails the case alone.

#include "FilterTestUtil.h"

#include <Hyx/AsyncGraph.h>
#include <Hyx/DataTypeByteArray.h>
#include <Hyx/SourceManual.h>
#include <Hyx/TransformInjectData.h>

#include <VornCommon/HostSettings.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

using namespace Hyx;
using namespace FilterTest;

namespace {

constexpr const char* kFirstPurpose = "C0000000-0000-4000-8000-00000000000C";
constexpr const char* kSecondPurpose = "D0000000-0000-4000-8000-00000000000D";
constexpr unsigned kFrames = 3000;

struct ReadCase {
    const char* name;
    bool streamSelection; // read through GetLastProcessedFrames instead of GetLastProcessedFrame
};

void PrintTo(const ReadCase& row, std::ostream* out)
{
    *out << row.name;
}

// The byte-array layers an atom carries (the injected ones).
size_t injectedLayers(const Atom& atom)
{
    return atom.GetDataLayersByType(DataTypeByteArray::TheTypeGuid()).size();
}

std::shared_ptr<Atom> lastFrameOf(const Filter& filter, bool streamSelection)
{
    if (!streamSelection)
        return filter.GetLastProcessedFrame();
    const std::map<int, std::shared_ptr<Atom>> frames = filter.GetLastProcessedFrames();
    return frames.empty() ? nullptr : frames.begin()->second;
}

// Live source -> inject -> inject -> empty target on an asynchronous graph. One host thread
// pushes frames, another reads the last frames of the source and of the first injection.
// Exit code 0 when every read frame held exactly the layers its filter let out (none injected
// after the source, one after the first injection) and kept them for as long as it was held.
[[noreturn]] void readWhileFramesFlow(bool streamSelection)
{
    VornCommon::HostSettings::GetInstance()->SetEnableStreamSelection(streamSelection);
    auto source = Make<SourceManualLiveSource>();
    auto first = Make<TransformInjectMemoryData>();
    auto second = Make<TransformInjectMemoryData>();
    first->setParameterValues({{TransformInjectData::BYTEARRAY_PURPOSE_GUID_PARAMNAME, kFirstPurpose}});
    second->setParameterValues({{TransformInjectData::BYTEARRAY_PURPOSE_GUID_PARAMNAME, kSecondPurpose}});
    if (!source->ClearCacheAndReinitializeProperties(MakeAtom(0, 0, {StreamInfo(), Positions(0.0f, 1)}), 1, 1000.0f,
                                                     true))
        std::exit(2);
    auto graph = Chain<AsyncGraph>({source, first, second, Make<TargetEmpty>()});
    if (graph->SetPlaybackMode(PlaybackMode::Realtime, 0.0f) != ActionResult::Success ||
        graph->Play() != ActionResult::Success)
        std::exit(3);

    std::atomic<bool> done{false};
    std::atomic<int> wrong{0};
    std::thread reader([&] {
        const std::pair<const Filter*, size_t> watched[] = {{source.get(), 0u}, {first.get(), 1u}};
        while (!done.load()) {
            for (const auto& [filter, expected] : watched) {
                const std::shared_ptr<Atom> atom = lastFrameOf(*filter, streamSelection);
                if (!atom)
                    continue;
                const size_t layers = atom->GetAllDataLayers().size();
                const size_t injected = injectedLayers(*atom);
                std::this_thread::yield(); // the worker moves on meanwhile
                if (injected != expected || atom->GetAllDataLayers().size() != layers ||
                    injectedLayers(*atom) != injected)
                    ++wrong;
            }
        }
    });
    for (unsigned i = 0; i < kFrames; ++i) {
        source->PushFrame({MakeAtom(0, 0, {StreamInfo(), Positions(float(i), 1)})});
        // Keeps the queue short, so frames keep flowing while the host reads.
        while (source->GetNumAtomsProcessed() + 64 < i && graph->IsPlaying())
            std::this_thread::yield();
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (source->GetNumAtomsProcessed() < kFrames && graph->IsPlaying() &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    done = true;
    reader.join();
    const bool allFlowed = source->GetNumAtomsProcessed() == kFrames;
    graph->Stop();
    std::exit(wrong.load() != 0 ? 1 : allFlowed ? 0 : 4);
}

class LastFrameThreads : public ::testing::TestWithParam<ReadCase> {};

} // namespace

TEST_P(LastFrameThreads, HostReadsLastFramesWhileLaterFiltersChangeThem)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(readWhileFramesFlow(GetParam().streamSelection), ::testing::ExitedWithCode(0), "");
}

INSTANTIATE_TEST_SUITE_P(ReadPaths, LastFrameThreads,
                         ::testing::Values(ReadCase{"LastFrame", false}, ReadCase{"LastFramesByStream", true}),
                         [](const ::testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });
