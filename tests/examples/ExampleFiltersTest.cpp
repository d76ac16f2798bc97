// The example host's record graph, driven as a host drives it: pauses, resumes and new runs
// must leave each run's frames in its take, once each and in order.

#include "ExampleFilters.h"

#include <Hyx/Graph.h>
#include <Hyx/HYX2Reader.h>
#include <Hyx/MutateCompressor.h>

#include "TempDir.h"

#include <gtest/gtest.h>

#include <memory>
#include <numeric>
#include <string>
#include <vector>

namespace {

constexpr unsigned kFrames = 12; // the wave source's length

// One run of the graph, from stopped to stopped.
struct HostRun {
    std::vector<unsigned> resumeAfter; // numbers of updates after which the host pauses and plays on
    unsigned stopPausedAfter = 0; // number of updates after which the host pauses and stops; 0: plays to the end
};

// The frame numbers of the take's atoms, in file order.
std::vector<uint32_t> framesInTake(const std::string& path)
{
    Hyx::ReadHYX2File reader(path.c_str());
    if (reader.Initialize() != Hyx::HyxErrorCode::Success) {
        ADD_FAILURE() << "the take does not read: " << path;
        return {};
    }
    EXPECT_EQ(reader.GetNumStreams(), 1);
    const uint16_t stream = reader.GetFirstStreamId();
    std::vector<uint32_t> frames;
    for (uint32_t i = 0; i < reader.GetNumFrames(stream); ++i) {
        const std::shared_ptr<Hyx::Atom> atom = reader.GetFrameAtom(stream, i);
        if (!atom) {
            ADD_FAILURE() << "atom " << i << " does not read";
            break;
        }
        frames.push_back(atom->GetFrameNr());
    }
    return frames;
}

// Plays one run forward once on this thread.
void play(Hyx::Graph& graph, const HostRun& run)
{
    ASSERT_EQ(graph.Play(Hyx::PlaybackMode::ForwardOnce), Hyx::ActionResult::Success) << graph.GetLastError(false);
    auto resume = run.resumeAfter.begin();
    for (unsigned updates = 0; !graph.IsDone(); ++updates) {
        ASSERT_LE(updates, kFrames) << "the run does not end";
        if (run.stopPausedAfter != 0 && updates == run.stopPausedAfter) {
            ASSERT_EQ(graph.Pause(), Hyx::ActionResult::Success) << graph.GetLastError(false);
            break;
        }
        for (; resume != run.resumeAfter.end() && *resume == updates; ++resume) {
            ASSERT_EQ(graph.Pause(), Hyx::ActionResult::Success) << graph.GetLastError(false);
            ASSERT_EQ(graph.Play(), Hyx::ActionResult::Success) << graph.GetLastError(false);
        }
        ASSERT_EQ(graph.Update(), Hyx::ActionResult::Success) << graph.GetLastError(false);
    }
    ASSERT_EQ(graph.Stop(), Hyx::ActionResult::Success) << graph.GetLastError(false);
}

} // namespace

TEST(ExampleRecordTarget, EachRunRecordsItsFramesOnceThroughPauses)
{
    struct Row {
        const char* name;
        bool compressed;
        std::vector<HostRun> runs;
    };
    const Row rows[] = {
        {"pause midway", false, {{{6}}}},
        {"pause before the first frame", false, {{{0}}}},
        {"pause before the last frame", false, {{{11}}}},
        {"two pauses", false, {{{3, 9}}}},
        {"two pauses in a row", false, {{{5, 5}}}},
        {"pause midway, compressed", true, {{{6}}}},
        {"a second run starts a new take", false, {{{6}}, {{4}}}},
        {"a second run starts a new take, compressed", true, {{{6}}, {{4}}}},
        {"stopped while paused, then a new run", false, {{{2}, 6}, {{6}}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        HyxTest::TempDir dir;
        const std::string path = dir.file("take.hyx");
        auto graph = std::make_shared<Hyx::Graph>();
        std::vector<std::shared_ptr<Hyx::Filter>> chain = {std::make_shared<Example::WaveSource>(),
                                                           std::make_shared<Example::AmplifyTransform>()};
        if (row.compressed)
            chain.push_back(std::make_shared<Hyx::MutateAutoCompressor>());
        auto record = std::make_shared<Example::RecordTarget>();
        chain.push_back(record);
        for (const std::shared_ptr<Hyx::Filter>& filter : chain)
            ASSERT_EQ(graph->AddAndConnect(filter), Hyx::ActionResult::Success) << graph->GetLastError(false);
        ASSERT_TRUE(record->setParameterValue("File", path.c_str()));

        for (size_t r = 0; r < row.runs.size(); ++r) {
            SCOPED_TRACE("run " + std::to_string(r));
            play(*graph, row.runs[r]);
            if (HasFatalFailure())
                return;
            std::vector<uint32_t> expected(row.runs[r].stopPausedAfter != 0 ? row.runs[r].stopPausedAfter : kFrames);
            std::iota(expected.begin(), expected.end(), 0u);
            EXPECT_EQ(framesInTake(path), expected);
            EXPECT_EQ(record->recorded.load(), static_cast<int>(expected.size()));
        }
        graph->RemoveAllFilters();
    }
}
