// The cache file on a full disk and on a file system whose close reports a lost write: the
// save is told as failed, never as done.

#include "PluginDatabaseTestSupport.h"

#include "FailingClose.h"
#include "SmallDisk.h"
#include "TempDir.h"

namespace DatabasePlugins {

using PluginCacheWrite = PluginTest;

TEST_F(PluginCacheWrite, FileThatCannotBeWrittenIsToldAsFailed)
{
    const std::string failed = "Failed to save plugins database cache file";
    const std::string done = "Done saving plugins database cache file";
    // Each way of saving into the folder: a scan that keeps the cache there, or a save.
    const auto saveBothWays = [&](const std::filesystem::path& folder) {
        log.Clear();
        PluginDatabase::ScanFolderForPlugins(folder.string(), false, true, false);
        PluginDatabase::SavePluginsToCacheFile((folder / "copy.xml").string());
        return std::pair(log.Count(LogLevel::Error, failed), log.Count(LogLevel::Info, done));
    };
    HyxTest::TempDir dir;
    std::filesystem::create_directories(dir.path);
    EXPECT_EQ(saveBothWays(dir.path), std::pair(0, 2));
    {
        HyxTest::FailingClose failing(dir.path);
        EXPECT_EQ(saveBothWays(dir.path), std::pair(2, 0)) << "close fails";
        EXPECT_EQ(failing.Failed(), 2);
    }
    HyxTest::SmallDisk disk(16 * 1024);
    if (!disk.mounted)
        GTEST_SKIP() << disk.why;
    ASSERT_TRUE(disk.FillUp());
    EXPECT_EQ(saveBothWays(disk.path), std::pair(2, 0)) << "disk full";
}

} // namespace DatabasePlugins
