// The example host's graph-file part and its recorder, driven on the graph's worker thread
// while the host waits and reads their counts.

#include "ExampleGraphFile.h"

#include <Hyx/AsyncGraph.h>
#include <Hyx/HYX2Reader.h>

#include "TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

void registerOnce()
{
    static const bool registered = (Example::registerClasses(), true);
    (void)registered;
}

// A graph file of one graph of the wave source, `middle` (filter elements) and the print
// target, in that mode and at that rate.
std::string graphFile(const std::string& play, const std::string& fps, const std::string& middle)
{
    return "<hyx version=\"1.0\"><graph play=\"" + play + "\" fps=\"" + fps +
           "\"><filter name=\"SourceWave\" guid=\"E0A70003-0000-4000-8000-00000000F001\" selected=\"false\" "
           "rendered=\"false\"/>" +
           middle +
           "<filter name=\"TargetPrint\" guid=\"E0A70003-0000-4000-8000-00000000F004\" selected=\"false\" "
           "rendered=\"true\"/></graph></hyx>";
}

const std::string kBlockManual = "<filter name=\"MutateBlockManual\" guid=\"F20E9A17-27ED-4850-A41B-1320C7842F76\" "
                                 "selected=\"false\" rendered=\"false\"/>";

} // namespace

TEST(ExampleGraphFileThread, GivesUpWithOneLineWhenNoFrameComes)
{
    // A chain that holds every frame back (a block mutate nobody releases) gives up after the
    // longer of the shortest wait and 100 frame periods (20 ms at twice the stream's 25 fps);
    // the shipped graph file plays through with the example's own wait.
    registerOnce();
    const struct {
        const char* name;
        std::string file; // empty: the shipped graph file
        std::chrono::milliseconds shortestGiveUp;
        bool played;
        const char* line; // after "<path>: "; empty: nothing on stderr
        const char* done;
    } cases[] = {
        {"held back, as fast as possible", graphFile("forward once", "max", kBlockManual),
         std::chrono::milliseconds(300), false,
         "no new frame reached PrintTarget for 300 ms (0 of 12 came); giving up\n",
         "Done: 0 frames reached the target\n"},
        {"held back, at twice the stream's rate", graphFile("forward once", "orig*2", kBlockManual),
         std::chrono::milliseconds(0), false,
         "no new frame reached PrintTarget for 2000 ms (0 of 12 came); giving up\n",
         "Done: 0 frames reached the target\n"},
        {"held back, looping", graphFile("forward loop", "max", kBlockManual), std::chrono::milliseconds(300), false,
         "no new frame reached PrintTarget for 300 ms (0 of 12 came); giving up\n",
         "Done: 0 frames reached the target\n"},
        {"the shipped graph file", "", Example::kLongestWaitForAFrame, true, "",
         "Done: 12 frames reached the target\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HyxTest::TempDir dir;
        std::filesystem::create_directories(dir.path);
        std::string path = HYX_EXAMPLE_DIR "/example_graph.xml";
        if (!c.file.empty()) {
            path = dir.file("graph.xml");
            std::ofstream(path) << c.file;
        }
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const bool played = Example::playGraphFile(path, c.shortestGiveUp);
        const std::string out = testing::internal::GetCapturedStdout();
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ((std::tuple{played, err, out.ends_with(c.done)}),
                  std::tuple(c.played, *c.line ? path + ": " + c.line : std::string(), true))
            << out;
    }
}

TEST(ExampleRecordTargetThread, HostReadsTheCountWhileTheWorkerRecords)
{
    // The host watches the count grow while the worker records; each count it reads is one
    // the take reached, and the last is the whole take.
    HyxTest::TempDir dir;
    const std::string path = dir.file("take.hyx");
    auto graph = std::make_shared<Hyx::AsyncGraph>();
    auto record = std::make_shared<Example::RecordTarget>();
    for (const std::shared_ptr<Hyx::Filter>& filter :
         std::vector<std::shared_ptr<Hyx::Filter>>{std::make_shared<Example::WaveSource>(), record})
        ASSERT_EQ(graph->AddAndConnect(filter), Hyx::ActionResult::Success) << graph->GetLastError(false);
    ASSERT_TRUE(record->setParameterValue("File", path.c_str()));
    ASSERT_EQ(graph->Play(Hyx::PlaybackMode::ForwardOnce), Hyx::ActionResult::Success) << graph->GetLastError(false);
    std::vector<int> counts{0};
    // Until the worker stops the graph itself; bounded, so that a run that never ends fails.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!graph->IsStopped() && std::chrono::steady_clock::now() < deadline) {
        if (const int count = record->recorded; count != counts.back())
            counts.push_back(count);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(graph->IsStopped()) << "the take never ended";
    ASSERT_EQ(graph->Stop(), Hyx::ActionResult::Success) << graph->GetLastError(false);
    counts.push_back(record->recorded);
    graph->RemoveAllFilters();
    EXPECT_TRUE(std::is_sorted(counts.begin(), counts.end()));
    EXPECT_EQ(counts.back(), 12);
    Hyx::ReadHYX2File reader(path.c_str());
    ASSERT_EQ(reader.Initialize(), Hyx::HyxErrorCode::Success);
    EXPECT_EQ(reader.GetNumFrames(reader.GetFirstStreamId()), 12u);
}
