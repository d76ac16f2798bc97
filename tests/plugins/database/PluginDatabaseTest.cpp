// The plug-in database in one process: scans of folders, the cache file it saves and reads
// (byte-exact layout, malformed files and records), updates of loaded libraries, and
// creations, scans and saves from several threads.

#include "PluginDatabaseTestSupport.h"

#include <thread>

#include <unistd.h>

using namespace DatabasePlugins;

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
    ExpectLogged(LogLevel::Info,
                 {"Updated plugin found: alpha_vornp.dll", "Plugin 'alpha_vornp.dll' loaded: name 'Alpha' version 2"});
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
    ExpectLogged(LogLevel::Info,
                 {"Adding plugin '" + upper.string() + "'", "Plugin 'ALPHA_VORNP.DLL' loaded: name 'Alpha' version 1"});
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

namespace {

/// A cache with one module and one filter and data-layer record per element text given.
std::string cacheWith(const std::string& modules, const std::string& filters, const std::string& layers)
{
    return "<?xml version=\"1.0\"?>\n<hyxplugins><modules>" + modules + "</modules><filters>" + filters +
           "</filters><datalayers>" + layers + "</datalayers></hyxplugins>\n";
}

std::string module(const std::string& id, const std::string& path, const std::string& timestamp)
{
    return "<module><id>" + id + "</id><path>" + path + "</path><timestamp>" + timestamp + "</timestamp></module>";
}

std::string filter(const std::string& guid, const std::string& moduleId, const std::string& className,
                   const std::string& type)
{
    return "<filter><guid>" + guid + "</guid><module>" + moduleId + "</module><classname>" + className +
           "</classname><type>" + type + "</type></filter>";
}

std::string layer(const std::string& guid, const std::string& moduleId, const std::string& className)
{
    return "<datalayer><guid>" + guid + "</guid><module>" + moduleId + "</module><classname>" + className +
           "</classname></datalayer>";
}

bool isFilterClass(const char* guid)
{
    Hyx::FilterClassInfo info;
    return Hyx::FilterFactory::TryGetFilterClassInfo(VornCommon::Guid::FromHexString(guid), info);
}

bool isLayerClass(const char* guid)
{
    Hyx::DataLayerClassInfo info;
    return Hyx::DataLayerFactory::TryGetDataLayerClassInfo(VornCommon::Guid::FromHexString(guid), info);
}

const std::string T0_TEXT = std::to_string(T0);
constexpr const char* OTHER_FILTER = "7E57F117-0000-4000-8000-0000000000C3";
constexpr const char* OTHER_LAYER = "7E57A1FA-0000-4000-8000-0000000000C3";

} // namespace

using PluginCacheFile = PluginTest;

TEST_F(PluginCacheFile, SaveWritesTheExactLayoutWithRelativePaths)
{
    const fs::path folder = FreshFolder();
    Install(ALPHA_BUILD, folder / "alpha_vornp.dll", T0);
    const fs::path beta = Install(BETA_BUILD, folder / "sub <&>" / "beta_vornp.dll", T0 + 100);
    PluginDatabase::ScanFolderForPlugins(folder.string(), false, true, true);
    const ClassCounts loaded = CountClasses();

    // Ids in path order, paths relative to the cache's folder, no built-in class.
    ExpectLogged(LogLevel::Info, {"Saving plugins database to '" + (folder / "plugins.xml").string() + "'",
                                  "Done saving plugins database cache file"});
    EXPECT_EQ(ReadText(folder / "plugins.xml"),
              CacheText({{Alpha, "alpha_vornp.dll", T0}, {Beta, "sub <&>/beta_vornp.dll", T0 + 100}}));

    // Read back, every record names a known module with its time: nothing changes.
    log.Clear();
    PluginDatabase::LoadPluginsFromCacheFile((folder / "plugins.xml").string());
    EXPECT_FALSE(log.Contains("skipping"));
    EXPECT_FALSE(log.Contains("Multiple"));
    EXPECT_EQ(CountClasses(), loaded);

    // Elsewhere the paths climb out of the cache's folder.
    fs::create_directory(folder / "elsewhere");
    PluginDatabase::SavePluginsToCacheFile((folder / "elsewhere" / "cache.xml").string());
    EXPECT_EQ(ReadText(folder / "elsewhere" / "cache.xml"),
              CacheText({{Alpha, "../alpha_vornp.dll", T0}, {Beta, "../sub <&>/beta_vornp.dll", T0 + 100}}));

    // A library file that has disappeared keeps the path it was known by.
    fs::remove(beta);
    PluginDatabase::SavePluginsToCacheFile((folder / "vanished.xml").string());
    EXPECT_EQ(ReadText(folder / "vanished.xml"),
              CacheText({{Alpha, "alpha_vornp.dll", T0}, {Beta, beta.string(), T0 + 100}}));

    log.Clear();
    PluginDatabase::SavePluginsToCacheFile((folder / "no-such-folder" / "plugins.xml").string());
    EXPECT_EQ(log.Count(LogLevel::Error, "Failed to save plugins database cache file"), 1);
}

TEST_F(PluginCacheFile, UnreadableFilesDeclareNothing)
{
    const fs::path folder = FreshFolder();
    Install(ALPHA_BUILD, folder / "alpha_vornp.dll", T0);
    const std::string valid = CacheText({{Alpha, "alpha_vornp.dll", T0}});
    const ClassCounts builtIn = CountClasses();

    PluginDatabase::LoadPluginsFromCacheFile((folder / "absent.xml").string());
    EXPECT_EQ(
        log.Count(LogLevel::Info, "Plugins database cache file '" + (folder / "absent.xml").string() + "' not found"),
        1);

    std::string deep = "<hyxplugins>";
    for (int i = 0; i < 5000; ++i)
        deep += "<modules>";
    const std::vector<std::string> broken = {
        "",
        valid.substr(0, valid.size() * 2 / 3), // truncated
        "<plugins>" + valid.substr(valid.find("<modules>")), // wrong root
        "<?xml version=\"1.0\"?>\n<plugins><modules/></plugins>\n", // wrong root, well formed
        deep, // nested past any limit
        std::string("<hyxplugins>\0<modules/></hyxplugins>", 36), // embedded NUL
    };
    for (const std::string& text : broken) {
        WriteText(folder / "plugins.xml", text);
        log.Clear();
        PluginDatabase::LoadPluginsFromCacheFile((folder / "plugins.xml").string());
        EXPECT_EQ(log.Count(LogLevel::Error, "Failed to load plugins database cache file"), 1) << text.substr(0, 80);
        EXPECT_EQ(CountClasses(), builtIn);
    }
    EXPECT_FALSE(IsLoaded(folder / "alpha_vornp.dll"));
}

TEST_F(PluginCacheFile, MalformedElementsAreSkippedOneByOne)
{
    const fs::path folder = FreshFolder();
    const fs::path alpha = Install(ALPHA_BUILD, folder / "alpha_vornp.dll", T0);
    WriteText(folder / "text_vornp.dll", "not a library");
    fs::create_directory(folder / "dir_vornp.dll");
    const Classes& a = CLASSES[Alpha];
    const ClassCounts builtIn = CountClasses();

    const std::string modules =
        module("0", "alpha_vornp.dll", T0_TEXT) + // the good one
        "<renamed><id>1</id><path>text_vornp.dll</path><timestamp>5</timestamp></renamed>" + // read as a module
        module("abc", "alpha_vornp.dll", T0_TEXT) + // id not a number
        module("2", "", T0_TEXT) + // empty path
        module("3", "alpha_vornp.dll", "-5") + // negative timestamp
        module("4", "alpha_vornp.dll", "99999999999999999999") + // timestamp beyond 64 bits
        "<module><id>5</id><path>alpha_vornp.dll</path></module>" + // no timestamp
        module("6", "../../../nowhere_vornp.dll", "1") + // outside the folder, missing
        module("8", "/no/such/dir/x_vornp.dll", "1") + // absolute, missing
        module("9", "dir_vornp.dll", "1"); // not a file
    const std::string filters = filter(a.filterGuid, "0", a.filterClass, "2") + "<filter><guid>" + OTHER_FILTER +
                                "</guid><module>0</module><classname>X</classname></filter>" + // no type
                                filter(OTHER_FILTER, "7", "TransformOther", "2") + // unknown module id
                                filter(OTHER_FILTER, "-1", "TransformOther", "2") + // negative module id
                                filter(OTHER_FILTER, "0", "TransformOther", "9") + // category out of range
                                filter(OTHER_FILTER, "0", "TransformOther", "x") + // category not a number
                                filter(OTHER_FILTER, "0x0", "TransformOther", "1") + // module id not a number
                                filter(OTHER_FILTER, "0", "", "1") + // empty class name
                                filter("not-a-guid", "0", "TransformOther", "1") + // refused by the GUID parser
                                filter(OTHER_FILTER, "6", "TransformOther", "1"); // module not found: skipped silently
    const std::string layers = layer(a.layerGuid, "0", a.layerClass) + "<datalayer><guid>" + OTHER_LAYER +
                               "</guid><module>0</module></datalayer>" + layer(OTHER_LAYER, "12", "DataTypeOther") + //
                               layer("", "0", "DataTypeOther") + //
                               layer("7E57A1FA-0000-4000-8000-0000000000C", "0", "DataTypeOther") +
                               layer(OTHER_LAYER, "1", "DataTypeInText"); // module of a file that is no library
    WriteText(folder / "plugins.xml", cacheWith(modules, filters, layers));
    PluginDatabase::LoadPluginsFromCacheFile((folder / "plugins.xml").string());

    EXPECT_EQ(log.Count(LogLevel::Info, "Loading plugins database from '" + (folder / "plugins.xml").string() + "'"),
              1);
    EXPECT_EQ(log.Count(LogLevel::Warning, "Invalid XML format of a module element, skipping"), 5);
    EXPECT_EQ(log.Count(LogLevel::Warning, "Invalid XML format of a filter element, skipping"), 5);
    EXPECT_EQ(log.Count(LogLevel::Warning, "Invalid XML format of a data layer element, skipping"), 2);
    ExpectLogged(LogLevel::Warning,
                 {"A module '../../../nowhere_vornp.dll' recorded in plugins database cache file not found, skipping",
                  "A module '/no/such/dir/x_vornp.dll' recorded in plugins database cache file not found, skipping",
                  "A module 'dir_vornp.dll' recorded in plugins database cache file not found, skipping",
                  "A module with id '7' not present in the XML file",
                  "A module with id '-1' not present in the XML file",
                  "A module with id '12' not present in the XML file"});
    EXPECT_TRUE(log.Contains("Skipping filter because of the invalid guid: "));
    EXPECT_TRUE(log.Contains("Skipping data layer because of the invalid guid: "));
    EXPECT_EQ(log.Count(LogLevel::Info, "Done loading plugins database cache file"), 1);

    // Declared: alpha's two classes and the class of the file that is no library; nothing loaded.
    EXPECT_EQ(CountClasses(), (ClassCounts{builtIn.filters + 1, builtIn.dataLayers + 2}));
    EXPECT_TRUE(isFilterClass(a.filterGuid));
    EXPECT_TRUE(isLayerClass(a.layerGuid));
    EXPECT_FALSE(isFilterClass(OTHER_FILTER));
    EXPECT_EQ(Hyx::DataLayerFactory::GetDataLayerClassInfo(VornCommon::Guid::FromHexString(OTHER_LAYER)).GetClassName(),
              "DataTypeInText");
    EXPECT_EQ(Hyx::FilterFactory::GetFilterClassInfo(VornCommon::Guid::FromHexString(a.filterGuid)).GetNiceClassName(),
              "TestAlpha");
    EXPECT_FALSE(IsLoaded(alpha));

    // Creating the class of the file that is no library fails cleanly; alpha's loads its library.
    log.Clear();
    EXPECT_FALSE(Hyx::DataLayerFactory::CreateDataLayer(VornCommon::Guid::FromHexString(OTHER_LAYER), {}));
    EXPECT_TRUE(log.Contains("Error loading plugin '" + (folder / "text_vornp.dll").string() + "': "));
    EXPECT_EQ(log.Count(LogLevel::Error, "Failed to create a data layer, missing creator function"), 1);
    auto made = Hyx::DataLayerFactory::CreateDataLayer(LayerGuid(Alpha), {});
    ASSERT_TRUE(made);
    EXPECT_EQ(made->GetPropertyValue("version"), "1");
    EXPECT_TRUE(IsLoaded(alpha));
}

TEST_F(PluginCacheFile, RecordsOfAKnownFileWithAnotherTimeAreSkipped)
{
    const fs::path folder = FreshFolder();
    Install(ALPHA_BUILD, folder / "alpha_vornp.dll", T0);
    PluginDatabase::AddPlugin((folder / "alpha_vornp.dll").string());
    const ClassCounts loaded = CountClasses();

    // The same file recorded with another time and another class: one path, one module.
    WriteText(folder / "plugins.xml",
              cacheWith(module("0", "alpha_vornp.dll", std::to_string(T0 - 5)),
                        filter(OTHER_FILTER, "0", "TransformOther", "2"), layer(OTHER_LAYER, "0", "DataTypeOther")));
    log.Clear();
    PluginDatabase::LoadPluginsFromCacheFile((folder / "plugins.xml").string());
    EXPECT_EQ(log.Count(LogLevel::Warning,
                        "A module 'alpha_vornp.dll' recorded in plugins database cache file not found, skipping"),
              1);
    EXPECT_EQ(CountClasses(), loaded);

    // With the same time the loaded module is reused: its classes are declared already.
    WriteText(folder / "plugins.xml",
              CacheText({{Alpha, fs::absolute(folder / "." / "alpha_vornp.dll").string(), T0}}));
    log.Clear();
    PluginDatabase::LoadPluginsFromCacheFile((folder / "plugins.xml").string());
    EXPECT_FALSE(log.Contains("Multiple"));
    EXPECT_FALSE(log.Contains("skipping"));
    EXPECT_EQ(CountClasses(), loaded);

    // A scan or cache load before the file changed: the next scan updates the module.
    fs::last_write_time(folder / "alpha_vornp.dll", T0 + 1);
    log.Clear();
    PluginDatabase::ScanFolderForPlugins(folder.string(), true, false, false);
    EXPECT_EQ(log.Count(LogLevel::Info, "Updated plugin found: alpha_vornp.dll"), 1);
    EXPECT_EQ(CountClasses(), loaded);
}

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
    ExpectLogged(LogLevel::Info, {"Plugin 'alpha_vornp.dll' loaded: name 'Alpha' version 1",
                                  "Plugin 'beta_vornp.dll' loaded: name 'Beta' version 1"});
    EXPECT_EQ(FilterCreations(folder / "alpha_vornp.dll") + FilterCreations(folder / "beta_vornp.dll"), 200);
    EXPECT_FALSE(log.Contains("Multiple"));
    EXPECT_EQ(ReadText(folder / "copy.xml"), ReadText(folder / "plugins.xml"));
}
