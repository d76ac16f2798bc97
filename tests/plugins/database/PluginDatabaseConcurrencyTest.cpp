#include "PluginDatabaseTestSupport.h"

#include <Hyx/DataLayer.h>
#include <Hyx/PluginDatabase.h>

#include <atomic>
#include <thread>

using namespace DatabasePlugins;
using Hyx::PluginDatabase;
using VornCommon::LogLevel;

using PluginDatabaseConcurrency = PluginTest;

// Declared classes created on several threads while scans and saves run: the database lock,
// the load lock and the registry locks are always taken in one order, so nothing deadlocks,
// and each library is loaded exactly once.
TEST_F(PluginDatabaseConcurrency, CreationsScansAndSavesInParallel)
{
    const fs::path folder = FreshFolder();
    Install(ALPHA_BUILD, folder / "alpha_vornp.dll", T0);
    Install(BETA_BUILD, folder / "beta_vornp.dll", T0);
    WriteText(folder / "plugins.xml", CacheText({{Alpha, "alpha_vornp.dll", T0}, {Beta, "beta_vornp.dll", T0}}));
    PluginDatabase::LoadPluginsFromCacheFile((folder / "plugins.xml").string());
    ASSERT_FALSE(IsLoaded(folder / "alpha_vornp.dll"));

    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 50; ++i) {
                const Plugin plugin = (t + i) % 2 ? Alpha : Beta;
                if (!Hyx::DataLayerFactory::CreateDataLayer(LayerGuid(plugin), {}))
                    ++failures;
                Hyx::FilterFactory::CreateInstance(FilterGuid(plugin == Alpha ? Beta : Alpha));
            }
        });
    threads.emplace_back([&] {
        for (int i = 0; i < 10; ++i)
            PluginDatabase::ScanFolderForPlugins(folder.string(), i % 2 == 0, true, false);
    });
    threads.emplace_back([&] {
        for (int i = 0; i < 10; ++i)
            PluginDatabase::SavePluginsToCacheFile((folder / "copy.xml").string());
    });
    for (auto& thread : threads)
        thread.join();

    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(log.Count(LogLevel::Info, "Plugin 'alpha_vornp.dll' loaded: name 'Alpha' version 1"), 1);
    EXPECT_EQ(log.Count(LogLevel::Info, "Plugin 'beta_vornp.dll' loaded: name 'Beta' version 1"), 1);
    EXPECT_EQ(FilterCreations(folder / "alpha_vornp.dll") + FilterCreations(folder / "beta_vornp.dll"), 200);
    EXPECT_FALSE(log.Contains("Multiple"));
    EXPECT_EQ(ReadText(folder / "copy.xml"), ReadText(folder / "plugins.xml"));
}
