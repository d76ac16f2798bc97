// Plug-in modules with real libraries. Each test loads its own library once, so the tests
// also pass when they share one process.

#include "CapturedLog.h"
#include "TestPluginClasses.h"

#include "impl/core/datalayers/DataLayerClassRegistry.h"
#include "impl/core/filters/FilterClassRegistry.h"

#include <Hyx/DataLayerFactory.h>
#include <Hyx/DataTypeStreamInfo.h>
#include <Hyx/FilterFactory.h>
#include <Hyx/PluginModule.h>

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

using namespace Hyx;
using VornCommon::Guid;
using VornCommon::LogLevel;

namespace {

std::string pluginPath(const char* name)
{
    return std::string(HYX_TEST_PLUGIN_DIR) + "/" + name + "_vornp.dll";
}

/// A function a loaded test plug-in exports.
template <class Function>
Function pluginFunction(const std::string& path, const char* name)
{
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (!handle)
        return nullptr;
    auto* function = reinterpret_cast<Function>(dlsym(handle, name));
    dlclose(handle); // the module keeps its own reference
    return function;
}

/// The module a registry binds the class to.
template <class Mutex, class Registry>
std::shared_ptr<PluginModule> moduleIn(Mutex& mutex, Registry& registry, const Guid& guid)
{
    std::lock_guard lock(mutex);
    auto it = registry.find(guid);
    return it == registry.end() ? nullptr : it->second->module;
}
std::shared_ptr<PluginModule> moduleOfLayer(const Guid& guid)
{
    return moduleIn(DataLayerFactory::GetDataLayerClassRegistryMutex(), DataLayerFactory::GetDataLayerClassRegistry(),
                    guid);
}
std::shared_ptr<PluginModule> moduleOfFilter(const Guid& guid)
{
    return moduleIn(FilterFactory::GetFilterClassRegistryMutex(), FilterFactory::GetFilterClassRegistry(), guid);
}

} // namespace

TEST(PluginModule, LoadsAndBindsItsClasses)
{
    EXPECT_EQ(PluginModule::GetPluginModuleBeingLoaded(), nullptr);
    CapturedLog log;
    const std::string path = pluginPath("hyxtest_good");
    auto module = std::make_shared<PluginModule>(path, 42);
    EXPECT_EQ(module->GetTimestamp(), 42u);
    EXPECT_EQ(module->GetPath(), path);
    ASSERT_TRUE(module->Load());
    EXPECT_TRUE(module->IsLoaded());
    EXPECT_EQ(PluginModule::GetPluginModuleBeingLoaded(), nullptr);
    ASSERT_NE(module->GetPluginInfo(), nullptr);
    EXPECT_EQ(module->GetPluginInfo()->name, "Good test plug-in");
    EXPECT_EQ(
        log.Count(LogLevel::Info, "Plugin 'hyxtest_good_vornp.dll' loaded: name 'Good test plug-in' version 1.2.3"), 1);

    // Its start-up code saw this module, and could not load another plug-in.
    auto seen = pluginFunction<const void* (*)()>(path, "hyxtest_module_seen_at_startup");
    ASSERT_NE(seen, nullptr);
    EXPECT_EQ(seen(), module.get());
    auto nested = pluginFunction<bool (*)()>(path, "hyxtest_nested_load_result");
    ASSERT_NE(nested, nullptr);
    EXPECT_FALSE(nested());
    EXPECT_TRUE(log.Contains("nested_vornp.dll"));

    // Its classes are bound to it and creatable.
    EXPECT_EQ(moduleOfLayer(TestPlugin::GOOD_LAYER), module);
    EXPECT_EQ(moduleOfFilter(TestPlugin::GOOD_FILTER), module);
    auto layer = DataLayerFactory::CreateDataLayer(TestPlugin::GOOD_LAYER, Guid::Nil);
    ASSERT_TRUE(layer);
    EXPECT_EQ(layer->GetDataLayerClassInfo().GetClassName(), "DataTypeGoodPluginLayer");
    EXPECT_EQ(FilterFactory::GetFilterClassInfo(TestPlugin::GOOD_FILTER).GetClassName(), "TransformGoodPlugin");

    // The built-in it tried to take over is still the built-in.
    EXPECT_EQ(log.Count(LogLevel::Error, "Multiple data layer classes registered with the same guid '" +
                                             DataTypeStreamInfo::TheTypeGuid().ToHexString().StdString() + "'"),
              1);
    EXPECT_EQ(DataLayerFactory::GetDataLayerClassInfo(DataTypeStreamInfo::TheTypeGuid()).GetClassName(),
              "DataTypeStreamInfo");
    EXPECT_EQ(moduleOfLayer(DataTypeStreamInfo::TheTypeGuid()), nullptr);

    // A loaded module loads at once.
    log.Clear();
    EXPECT_TRUE(module->Load());
    EXPECT_TRUE(log.Entries().empty());
}

TEST(PluginModule, LibraryWithoutPluginInfoLeavesNothingCreatable)
{
    CapturedLog log;
    const std::string path = pluginPath("hyxtest_noinfo");
    auto module = std::make_shared<PluginModule>(path, 0);
    EXPECT_FALSE(module->Load());
    EXPECT_FALSE(module->IsLoaded());
    EXPECT_EQ(module->GetPluginInfo(), nullptr);
    EXPECT_EQ(log.Count(LogLevel::Info, "No plugin info found in '" + path + "'"), 1);

    DataLayerClassInfo layerInfo;
    FilterClassInfo filterInfo;
    EXPECT_FALSE(DataLayerFactory::TryGetDataLayerClassInfo(TestPlugin::NOINFO_LAYER, layerInfo));
    EXPECT_FALSE(FilterFactory::TryGetFilterClassInfo(TestPlugin::NOINFO_FILTER, filterInfo));
    EXPECT_FALSE(DataLayerFactory::CreateDataLayer(TestPlugin::NOINFO_LAYER, Guid::Nil));
    EXPECT_EQ(moduleOfLayer(TestPlugin::NOINFO_LAYER), nullptr);
}

TEST(PluginModule, FileThatIsNoLibrary)
{
    const auto path =
        std::filesystem::temp_directory_path() / ("hyxtest_junk_" + std::to_string(getpid()) + "_vornp.dll");
    std::ofstream(path) << "not a shared library\n";
    CapturedLog log;
    auto module = std::make_shared<PluginModule>(path.string(), 0);
    EXPECT_FALSE(module->Load());
    const auto entries = log.Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].level, LogLevel::Error);
    const std::string prefix = "Error loading plugin '" + path.string() + "': ";
    EXPECT_TRUE(entries[0].text.starts_with(prefix)) << entries[0].text;
    EXPECT_GT(entries[0].text.size(), prefix.size()); // the loader's own reason follows
    std::filesystem::remove(path);

    EXPECT_FALSE(std::make_shared<PluginModule>("/nonexistent/missing_vornp.dll", 0)->Load());
}

TEST(PluginLoadConcurrency, DeclaredClassesOfBothKindsLoadOnceFromManyThreads)
{
    const std::string path = pluginPath("hyxtest_declared");
    auto module = std::make_shared<PluginModule>(path, 7);
    DataLayerFactory::DeclareDataLayerClass(TestPlugin::DECLARED_LAYER, TestPlugin::LayerInfo("DataTypeDeclaredLayer"),
                                            module);
    FilterFactory::DeclareFilterClass(TestPlugin::DECLARED_FILTER, TestPlugin::FilterInfo("TransformDeclared"), module);
    EXPECT_FALSE(module->IsLoaded()); // declaring loads nothing

    constexpr int THREADS = 6;
    constexpr int ROUNDS = 20;
    std::atomic<int> layersCreated{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < THREADS; ++t)
        threads.emplace_back([t, &layersCreated] {
            for (int i = 0; i < ROUNDS; ++i) {
                if (t % 2 == 0) {
                    if (DataLayerFactory::CreateDataLayer(TestPlugin::DECLARED_LAYER, Guid::Nil))
                        ++layersCreated;
                } else {
                    FilterFactory::CreateInstance(TestPlugin::DECLARED_FILTER); // its creator gives null
                }
                FilterClassInfo info;
                FilterFactory::TryGetFilterClassInfo(TestPlugin::DECLARED_FILTER, info);
            }
        });
    for (auto& thread : threads)
        thread.join();

    EXPECT_TRUE(module->IsLoaded());
    EXPECT_EQ(layersCreated.load(), THREADS / 2 * ROUNDS);
    auto startUps = pluginFunction<int (*)()>(path, "hyxtest_startups");
    auto filtersCreated = pluginFunction<int (*)()>(path, "hyxtest_filters_created");
    ASSERT_NE(startUps, nullptr);
    ASSERT_NE(filtersCreated, nullptr);
    EXPECT_EQ(startUps(), 1); // loaded once; later creations call the creators directly
    EXPECT_EQ(filtersCreated(), THREADS / 2 * ROUNDS);
    EXPECT_EQ(moduleOfLayer(TestPlugin::DECLARED_LAYER), module);
}
