#pragma once

// Helpers of the plug-in database tests: folders of their own with copies of the test
// plug-ins, file times, whether the system has a library loaded, and the classes' GUIDs.

#include "DatabasePluginClasses.h"
#include "impl/core/filters/FilterClassRegistry.h"
#include "impl/plugins/PluginDatabaseInternal.h"

#include <CapturedLog.h>

#include <Hyx/DataLayer.h>
#include <Hyx/DataLayerFactory.h>
#include <Hyx/FilterFactory.h>
#include <Hyx/PluginDatabase.h>

#include <VornCommon/Guid.h>

#include <boost/filesystem.hpp>

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <atomic>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace DatabasePlugins {

namespace fs = boost::filesystem;
using Hyx::PluginDatabase;
using VornCommon::LogLevel;

enum Plugin {
    Alpha = 1,
    Beta = 2
};

/// The built test plug-ins; AlphaUpdate is alpha's second build (version "2").
inline const char* const ALPHA_BUILD = HYXTEST_ALPHA_PATH;
inline const char* const ALPHA_UPDATE_BUILD = HYXTEST_ALPHA2_PATH;
inline const char* const BETA_BUILD = HYXTEST_BETA_PATH;

inline VornCommon::Guid LayerGuid(Plugin plugin)
{
    return VornCommon::Guid::FromHexString(CLASSES[plugin].layerGuid);
}
inline VornCommon::Guid FilterGuid(Plugin plugin)
{
    return VornCommon::Guid::FromHexString(CLASSES[plugin].filterGuid);
}

/// An empty folder for the running test (its name), made anew.
inline fs::path FreshFolder()
{
    const auto* test = testing::UnitTest::GetInstance()->current_test_info();
    const fs::path folder = fs::canonical(HYX_TEST_BINARY_DIR) / "plugin-folders" /
                            (std::string(test->test_suite_name()) + "." + test->name());
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

/// Copies a built plug-in to target (making its folder) and sets its last-write time.
inline fs::path Install(const char* build, const fs::path& target, std::time_t written)
{
    fs::create_directories(target.parent_path());
    fs::copy_file(build, target, fs::copy_options::overwrite_existing);
    fs::last_write_time(target, written);
    return target;
}

/// Replaces a library file by another build the way an installer does: a new file renamed
/// over the old one, so that a process that has the old one mapped keeps its code.
inline void Replace(const char* build, const fs::path& target, std::time_t written)
{
    const fs::path fresh = target.string() + ".new";
    Install(build, fresh, written);
    fs::rename(fresh, target);
}

/// True when the process has the library at path loaded (the check loads nothing).
inline bool IsLoaded(const fs::path& path)
{
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle)
        dlclose(handle);
    return handle != nullptr;
}

/// How often the filter creator of the loaded library at path ran; -1 when not loaded.
inline int FilterCreations(const fs::path& path)
{
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (!handle)
        return -1;
    const auto* count = static_cast<const std::atomic<int>*>(dlsym(handle, FILTER_CREATIONS_SYMBOL));
    const int result = count ? count->load() : -1;
    dlclose(handle);
    return result;
}

inline std::string ReadText(const fs::path& path)
{
    std::ifstream in(path.string(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteText(const fs::path& path, const std::string& text)
{
    std::ofstream(path.string(), std::ios::binary) << text;
}

/// Classes in each factory.
struct ClassCounts {
    int filters = 0;
    int dataLayers = 0;
    bool operator==(const ClassCounts&) const = default;
};

inline ClassCounts CountClasses()
{
    ClassCounts counts;
    for (auto it = Hyx::FilterFactory::Begin(); it != Hyx::FilterFactory::End(); ++it)
        ++counts.filters;
    for (auto it = Hyx::DataLayerFactory::Begin(); it != Hyx::DataLayerFactory::End(); ++it)
        ++counts.dataLayers;
    return counts;
}

/// A time in the past, so that tests set every file time explicitly.
inline constexpr std::time_t T0 = 1700000000;

/// One module of a cache file with the classes of its test plug-in.
struct CacheEntry {
    Plugin plugin;
    std::string path;
    uint64_t timestamp;
};

/// text as an XML element's text: '&', '<' and '>' escaped.
inline std::string XmlText(const std::string& text)
{
    std::string escaped;
    for (char c : text)
        escaped += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : std::string(1, c);
    return escaped;
}

/// An element of the cache file at its depth: children one level deeper, one per line.
inline std::string Element(const char* name, const std::vector<std::pair<const char*, std::string>>& children)
{
    std::string text = std::string("        <") + name + ">\n";
    for (const auto& [child, value] : children)
        text += std::string("            <") + child + ">" + value + "</" + child + ">\n";
    return text + "        </" + name + ">\n";
}

/// The cache file as the database writes it for these modules (ids in the given order; the
/// classes in GUID order, which the entries must follow).
inline std::string CacheText(const std::vector<CacheEntry>& entries)
{
    std::string modules, filters, layers;
    for (size_t id = 0; id < entries.size(); ++id) {
        const CacheEntry& e = entries[id];
        const Classes& c = CLASSES[e.plugin];
        const std::string idText = std::to_string(id);
        modules +=
            Element("module", {{"id", idText}, {"path", XmlText(e.path)}, {"timestamp", std::to_string(e.timestamp)}});
        filters += Element("filter", {{"guid", c.filterGuid},
                                      {"module", idText},
                                      {"classname", c.filterClass},
                                      {"type", std::to_string(c.filterCategory)}});
        layers += Element("datalayer", {{"guid", c.layerGuid}, {"module", idText}, {"classname", c.layerClass}});
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<hyxplugins>\n    <modules>\n" + modules +
           "    </modules>\n    <filters>\n" + filters + "    </filters>\n    <datalayers>\n" + layers +
           "    </datalayers>\n</hyxplugins>\n";
}

/// Captures the log, and forgets every plug-in afterwards, so that the tests of one process
/// do not see each other's libraries.
class PluginTest : public testing::Test {
protected:
    void TearDown() override { EXPECT_TRUE(Hyx::ReleaseUnusedPlugins()); }
    /// Each of `lines` was logged exactly once at `level`.
    void ExpectLogged(LogLevel level, std::initializer_list<std::string> lines)
    {
        for (const std::string& line : lines)
            EXPECT_EQ(log.Count(level, line), 1) << line;
    }

    CapturedLog log;
};

} // namespace DatabasePlugins
