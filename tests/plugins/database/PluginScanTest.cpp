#include "PluginDatabaseTestSupport.h"

#include <Hyx/DataLayer.h>
#include <Hyx/PluginDatabase.h>

#include <unistd.h>

using namespace DatabasePlugins;
using Hyx::PluginDatabase;
using VornCommon::LogLevel;

namespace {

std::string doneScanning(int plugins0, ClassCounts c0, int plugins1, ClassCounts c1, int plugins2, ClassCounts c2)
{
    auto triple = [](int plugins, ClassCounts c) {
        return std::to_string(plugins) + "/" + std::to_string(c.filters) + "/" + std::to_string(c.dataLayers);
    };
    return "Done scanning for plugins. Count of plugins/filters/data layers: original " + triple(plugins0, c0) +
           ", after cache check " + triple(plugins1, c1) + ", after scan " + triple(plugins2, c2);
}

ClassCounts plus(ClassCounts counts, int classesEach)
{
    return {counts.filters + classesEach, counts.dataLayers + classesEach};
}

std::string versionOf(const Hyx::SharedDataLayerPtr& layer)
{
    return layer->GetPropertyValue("version");
}

Hyx::SharedDataLayerPtr createLayer(Plugin plugin)
{
    return Hyx::DataLayerFactory::CreateDataLayer(LayerGuid(plugin), VornCommon::Guid());
}

} // namespace

using PluginScan = PluginTest;

TEST_F(PluginScan, RegistersOnceKeepsUnchangedAndReloadsTouchedFiles)
{
    const fs::path folder = FreshFolder();
    Install(ALPHA_BUILD, folder / "alpha_vornp.dll", T0);
    Install(BETA_BUILD, folder / "beta_vornp.dll", T0);
    WriteText(folder / "readme.txt", "not a plug-in");
    const ClassCounts builtIn = CountClasses();
    const ClassCounts loaded = plus(builtIn, 2);

    PluginDatabase::ScanFolderForPlugins(folder.string(), false, false, false);
    EXPECT_EQ(log.Count(LogLevel::Info, "Scanning folder '" + folder.string() + "' for plugins"), 1);
    EXPECT_EQ(log.Count(LogLevel::Info, "Unregistered plugin found: 'alpha_vornp.dll"), 1);
    EXPECT_EQ(log.Count(LogLevel::Info, "Unregistered plugin found: 'beta_vornp.dll"), 1);
    EXPECT_EQ(log.Count(LogLevel::Info, "Plugin 'alpha_vornp.dll' loaded: name 'Alpha' version 1"), 1);
    EXPECT_EQ(log.Count(LogLevel::Info, "Plugin 'beta_vornp.dll' loaded: name 'Beta' version 1"), 1);
    EXPECT_EQ(log.Count(LogLevel::Info, doneScanning(0, builtIn, 0, builtIn, 2, loaded)), 1);
    EXPECT_EQ(CountClasses(), loaded);

    // The classes are those of the libraries, with their names and categories.
    auto layer = createLayer(Alpha);
    ASSERT_TRUE(layer);
    EXPECT_EQ(versionOf(layer), "1");
    EXPECT_EQ(layer->GetDataLayerClassInfo().GetNiceClassName(), "TestAlpha");
    const auto beta = Hyx::FilterFactory::GetFilterClassInfo(FilterGuid(Beta));
    EXPECT_EQ(beta.GetClassName(), "MutateTestBeta");
    EXPECT_EQ(beta.GetCategory(), Hyx::FilterCategory::Compressor);
    EXPECT_EQ(Hyx::FilterFactory::CreateInstance(FilterGuid(Beta)), nullptr);
    EXPECT_EQ(FilterCreations(folder / "beta_vornp.dll"), 1);
    layer = nullptr;

    // Unchanged files are recognised and nothing is loaded again.
    log.Clear();
    PluginDatabase::ScanFolderForPlugins(folder.string(), false, false, false);
    EXPECT_EQ(log.Count(LogLevel::Info, "Registered up-to-date plugin found: 'alpha_vornp.dll'"), 1);
    EXPECT_EQ(log.Count(LogLevel::Info, "Registered up-to-date plugin found: 'beta_vornp.dll'"), 1);
    EXPECT_FALSE(log.Contains("loaded: name"));
    EXPECT_EQ(log.Count(LogLevel::Info, doneScanning(2, loaded, 2, loaded, 2, loaded)), 1);

    // A touched file is unloaded and loaded afresh: its classes register again.
    log.Clear();
    fs::last_write_time(folder / "alpha_vornp.dll", T0 + 10);
    PluginDatabase::ScanFolderForPlugins(folder.string(), false, false, false);
    EXPECT_EQ(log.Count(LogLevel::Info, "Updated plugin found: alpha_vornp.dll"), 1);
    EXPECT_EQ(log.Count(LogLevel::Info, "Plugin 'alpha_vornp.dll' loaded: name 'Alpha' version 1"), 1);
    EXPECT_EQ(log.Count(LogLevel::Info, "Registered up-to-date plugin found: 'beta_vornp.dll'"), 1);
    EXPECT_FALSE(log.Contains("Multiple"));
    EXPECT_EQ(CountClasses(), loaded);
    layer = createLayer(Alpha);
    ASSERT_TRUE(layer);
    EXPECT_EQ(versionOf(layer), "1");
}

TEST_F(PluginScan, UpdateWaitsUntilObjectsOfTheOldLibraryAreGone)
{
    const fs::path folder = FreshFolder();
    const fs::path alpha = Install(ALPHA_BUILD, folder / "alpha_vornp.dll", T0);
    PluginDatabase::ScanFolderForPlugins(folder.string(), false, false, false);
    auto layer = createLayer(Alpha);
    ASSERT_TRUE(layer);

    // A new build replaces the file while a layer of the old one lives: the old library
    // stays, with its classes, and the layer keeps working.
    Replace(ALPHA_UPDATE_BUILD, alpha, T0 + 10);
    log.Clear();
    PluginDatabase::ScanFolderForPlugins(folder.string(), false, false, false);
    EXPECT_EQ(log.Count(LogLevel::Info, "Updated plugin found: alpha_vornp.dll"), 1);
    EXPECT_EQ(log.Count(LogLevel::Warning, "Plugin '" + alpha.string() +
                                               "' is still in use, keeping the loaded version until its objects "
                                               "are released"),
              1);
    EXPECT_FALSE(log.Contains("loaded: name"));
    EXPECT_EQ(versionOf(layer), "1");
    auto another = createLayer(Alpha);
    ASSERT_TRUE(another);
    EXPECT_EQ(versionOf(another), "1");

    // Every object counts; once the last is gone, the next scan loads the new build.
    EXPECT_FALSE(Hyx::ReleaseUnusedPlugins());
    another = nullptr;
    log.Clear();
    PluginDatabase::ScanFolderForPlugins(folder.string(), false, false, false);
    EXPECT_TRUE(log.Contains("is still in use"));
    layer = nullptr;
    log.Clear();
    PluginDatabase::ScanFolderForPlugins(folder.string(), false, false, false);
    EXPECT_EQ(log.Count(LogLevel::Info, "Updated plugin found: alpha_vornp.dll"), 1);
    EXPECT_EQ(log.Count(LogLevel::Info, "Plugin 'alpha_vornp.dll' loaded: name 'Alpha' version 2"), 1);
    layer = createLayer(Alpha);
    ASSERT_TRUE(layer);
    EXPECT_EQ(versionOf(layer), "2");
}

TEST_F(PluginScan, FolderEndingRecursionAndFaultyEntries)
{
    const fs::path folder = FreshFolder();
    const ClassCounts builtIn = CountClasses();

    // A missing folder: logged; no cache is read or written.
    PluginDatabase::ScanFolderForPlugins((folder / "missing").string(), true, true, true);
    EXPECT_EQ(log.Count(LogLevel::Error, "Failed to scan folder '" + (folder / "missing").string() +
                                             "' for plugins - the folder does not exist"),
              1);
    EXPECT_FALSE(log.Contains("plugins database"));

    // The ending is compared case-sensitively; files that merely carry it fail cleanly.
    const fs::path upper = Install(ALPHA_BUILD, folder / "ALPHA_VORNP.DLL", T0);
    Install(BETA_BUILD, folder / "sub" / "beta_vornp.dll", T0);
    WriteText(folder / "bogus_vornp.dll", "not a library");
    fs::create_symlink(folder / "nowhere", folder / "dangling_vornp.dll");
    fs::create_directory(folder / "folder_vornp.dll");
    log.Clear();
    PluginDatabase::ScanFolderForPlugins(folder.string(), false, false, false);
    EXPECT_FALSE(log.Contains("ALPHA_VORNP.DLL"));
    EXPECT_FALSE(log.Contains("beta_vornp.dll"));
    EXPECT_EQ(log.Count(LogLevel::Info, "Unregistered plugin found: 'bogus_vornp.dll"), 1);
    EXPECT_TRUE(log.Contains("Error loading plugin '" + (folder / "bogus_vornp.dll").string() + "': "));
    EXPECT_TRUE(log.Contains("Failed to scan '" + (folder / "dangling_vornp.dll").string() + "' for plugins: "));
    EXPECT_FALSE(log.Contains("folder_vornp.dll'"));
    EXPECT_EQ(log.Count(LogLevel::Info, doneScanning(0, builtIn, 0, builtIn, 0, builtIn)), 1);

    // Recursion finds the subfolder's library; an unreadable subfolder is logged and skipped.
    const bool privileged = geteuid() == 0; // permissions do not stop the superuser
    fs::create_directory(folder / "locked");
    fs::permissions(folder / "locked", fs::no_perms);
    log.Clear();
    PluginDatabase::ScanFolderForPlugins(folder.string(), false, false, true);
    fs::permissions(folder / "locked", fs::owner_all);
    EXPECT_EQ(log.Count(LogLevel::Info, "Plugin 'beta_vornp.dll' loaded: name 'Beta' version 1"), 1);
    if (!privileged) {
        EXPECT_TRUE(log.Contains("Failed to scan '" + (folder / "locked").string() + "' for plugins: "));
    }
    EXPECT_EQ(CountClasses(), plus(builtIn, 1));

    // AddPlugin takes any file name.
    log.Clear();
    PluginDatabase::AddPlugin(upper.string());
    EXPECT_EQ(log.Count(LogLevel::Info, "Adding plugin '" + upper.string() + "'"), 1);
    EXPECT_EQ(log.Count(LogLevel::Info, "Plugin 'ALPHA_VORNP.DLL' loaded: name 'Alpha' version 1"), 1);
    const ClassCounts one = plus(builtIn, 1), two = plus(builtIn, 2);
    EXPECT_EQ(log.Count(LogLevel::Info, "Done adding plugin. Count of plugins/filters/data layers: original 1/" +
                                            std::to_string(one.filters) + "/" + std::to_string(one.dataLayers) +
                                            ", new 2/" + std::to_string(two.filters) + "/" +
                                            std::to_string(two.dataLayers)),
              1);
    EXPECT_EQ(CountClasses(), two);

    PluginDatabase::AddPlugin((folder / "none_vornp.dll").string());
    EXPECT_EQ(log.Count(LogLevel::Error, "Plugin '" + (folder / "none_vornp.dll").string() + "' does not exist"), 1);
    PluginDatabase::AddPlugin((folder / "sub" / ".." / "sub").string());
    EXPECT_EQ(
        log.Count(LogLevel::Error, "Failed to add a plugin '" + (folder / "sub").string() + "' - not a regular file"),
        1);
    EXPECT_EQ(CountClasses(), two);
}
