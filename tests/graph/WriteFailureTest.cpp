// Graph files on a full disk, cut short by the disk's end, and on a file system whose close
// reports a lost write: the save answers false, never success.

#include <Hyx/VisualGraph.h>
#include <Hyx/XmlGraph.h>

#include "FailingClose.h"
#include "SmallDisk.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

namespace {

// One graph of one filter whose value is `valueSize` characters long.
std::shared_ptr<Hyx::VisualGraphs> Graphs(size_t valueSize)
{
    auto graphs = std::make_shared<Hyx::VisualGraphs>();
    auto graph = std::make_shared<Hyx::VisualGraph>();
    graph->AddVisualFilter(VornCommon::Guid::FromHexString("3C1F5A20-1B7E-4D2A-9E61-0A5B7C3D9E46"), false, false)
        ->SetParamValue("Note", std::string(valueSize, 'v').c_str());
    graphs->AddVisualGraph(graph);
    return graphs;
}

} // namespace

TEST(WriteFailure, GraphFilesTellAFailedWrite)
{
    using Save = bool (*)(const char*, std::shared_ptr<Hyx::VisualGraphs>);
    const std::pair<const char*, Save> dialects[] = {{"hyx", &Hyx::XmlGraph::SaveToHyxXml},
                                                     {"quendra", &Hyx::XmlGraph::SaveToQuendraXml}};
    std::string skipped; // the full-disk rows run only where a small disk can be mounted
    for (const auto& [dialect, save] : dialects) {
        SCOPED_TRACE(dialect);
        {
            HyxTest::TempDir dir;
            std::filesystem::create_directories(dir.path);
            EXPECT_TRUE(save(dir.file("graph.xml").c_str(), Graphs(40000))); // the file system takes it
            HyxTest::FailingClose failing(dir.path);
            EXPECT_FALSE(save(dir.file("closed.xml").c_str(), Graphs(10))) << "close fails";
            EXPECT_EQ(failing.Failed(), 1);
        }
        for (const bool full : {true, false}) {
            HyxTest::SmallDisk disk(16 * 1024);
            if (!disk.mounted) {
                skipped = disk.why;
                continue;
            }
            if (full) {
                ASSERT_TRUE(disk.FillUp());
            }
            // A disk full from the start, or one the file outgrows.
            EXPECT_FALSE(save(disk.file("graph.xml").c_str(), Graphs(full ? 10 : 40000))) << full;
        }
    }
    if (!skipped.empty())
        GTEST_SKIP() << skipped;
}
