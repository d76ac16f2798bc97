#include <Hyx/PluginDatabase.h>

#include "core/LogLevelEnabled.h"
#include "impl/core/datalayers/DataLayerClassRegistry.h"
#include "impl/core/filters/FilterClassRegistry.h"
#include "impl/plugins/PluginDatabaseInternal.h"
#include "impl/plugins/PluginDatabaseXMLSerializer.h"
#include "impl/plugins/PluginFolderScan.h"

#include <Hyx/PluginModule.h>

#include <boost/filesystem/operations.hpp>

#include <map>
#include <mutex>
#include <stdexcept>
#include <unordered_map>

namespace Hyx {

namespace fs = boost::filesystem;

namespace {

using VornCommon::LogLevel;
using ModuleMap = std::map<std::string, std::shared_ptr<PluginModule>>;
using Serializer = PluginDatabaseXMLSerializer;

/// The module map and its mutex. Recursive, so that a plug-in whose start-up code calls
/// back into the database has its nested load refused instead of deadlocking.
struct Database {
    std::recursive_mutex mutex;
    ModuleMap modules;
};

Database& database()
{
    static Database db;
    return db;
}

struct Counts {
    int plugins;
    int filters;
    int dataLayers;
};

Counts countAll(const Database& db)
{
    Counts counts{static_cast<int>(db.modules.size()), 0, 0};
    {
        std::lock_guard lock(FilterFactory::GetFilterClassRegistryMutex());
        counts.filters = static_cast<int>(FilterFactory::GetFilterClassRegistry().size());
    }
    {
        std::lock_guard lock(DataLayerFactory::GetDataLayerClassRegistryMutex());
        counts.dataLayers = static_cast<int>(DataLayerFactory::GetDataLayerClassRegistry().size());
    }
    return counts;
}

/// Number of class descriptors of one registry bound to the module; the caller holds the
/// registry lock.
template <class Registry>
long descriptorsOf(const Registry& registry, const std::shared_ptr<PluginModule>& module)
{
    long count = 0;
    for (const auto& entry : registry)
        count += entry.second->module == module ? 1 : 0;
    return count;
}

/// Removes the module of the map entry and its classes, unless something beyond the map and
/// the class descriptors still holds it: objects made from its classes keep their module,
/// and a library still in use must neither be unloaded under them nor be "reloaded" (the
/// system would hand back the same, still mapped library, whose classes never register
/// again). False, logged, when the module stays.
bool dropModule(Database& db, ModuleMap::iterator entry)
{
    const std::shared_ptr<PluginModule>& module = entry->second;
    {
        std::scoped_lock registries(FilterFactory::GetFilterClassRegistryMutex(),
                                    DataLayerFactory::GetDataLayerClassRegistryMutex());
        const long holders = 1 + descriptorsOf(FilterFactory::GetFilterClassRegistry(), module) +
                             descriptorsOf(DataLayerFactory::GetDataLayerClassRegistry(), module);
        if (module.use_count() > holders) {
            LogLine(LogLevel::Warning,
                    "Plugin '%s' is still in use, keeping the loaded version until its objects are released",
                    module->GetPath().c_str());
            return false;
        }
        FilterFactory::UnregisterFilterClassesOfModule(module);
        DataLayerFactory::UnregisterDataLayerClassesOfModule(module);
    }
    db.modules.erase(entry); // the last holder: the library unloads here
    return true;
}

/// Takes one library file (canonical path) into the database: loads it when it is new or
/// changed since it was recorded.
void takeIn(Database& db, const fs::path& file)
{
    const std::string key = file.native();
    const std::string name = file.filename().native();
    boost::system::error_code error;
    const std::time_t written = fs::last_write_time(file, error);
    if (error) {
        LogLine(LogLevel::Warning, "Failed to read the last write time of plugin '%s': %s", key.c_str(),
                error.message().c_str());
        return;
    }
    const auto timestamp = static_cast<uint64_t>(written);

    const auto known = db.modules.find(key);
    if (known == db.modules.end()) {
        LogLine(LogLevel::Info, "Unregistered plugin found: '%s", name.c_str());
    } else if (known->second->GetTimestamp() == timestamp) {
        LogLine(LogLevel::Info, "Registered up-to-date plugin found: '%s'", name.c_str());
        return;
    } else {
        LogLine(LogLevel::Info, "Updated plugin found: %s", name.c_str());
        if (!dropModule(db, known))
            return;
    }
    // The library's classes register themselves during the load, bound to this module.
    auto module = std::make_shared<PluginModule>(key, timestamp);
    if (module->Load())
        db.modules.emplace(key, std::move(module));
}

/// The module of a cache record: the known module of its file when the timestamps agree, a
/// new unloaded one for a file not known yet; null when the file does not exist or is known
/// with another timestamp (one path, one module).
std::shared_ptr<PluginModule> resolveModule(Database& db, const fs::path& cacheFolder,
                                            const Serializer::ModuleRecord& record)
{
    const fs::path recorded(record.path);
    boost::system::error_code error;
    // Absolute paths are made canonical too: a second spelling of a known file must not
    // become a second module of the same library.
    const fs::path file = fs::canonical(recorded.is_absolute() ? recorded : cacheFolder / recorded, error);
    if (error || !fs::is_regular_file(file, error))
        return nullptr;
    auto [entry, added] = db.modules.try_emplace(file.native());
    if (added)
        entry->second = std::make_shared<PluginModule>(file.native(), record.timestamp);
    else if (entry->second->GetTimestamp() != record.timestamp)
        return nullptr;
    return entry->second;
}

/// The GUID of a cache record; logs the parser's text and gives false when it is refused.
bool parseGuid(const std::string& text, const char* message, VornCommon::Guid& guid)
{
    try {
        guid = VornCommon::Guid::FromHexString(text);
        return true;
    } catch (const std::exception& e) {
        LogLine(LogLevel::Error, message, e.what());
        return false;
    }
}

void loadCache(Database& db, const std::string& path)
{
    boost::system::error_code error;
    const fs::path file = fs::canonical(path, error);
    if (error) {
        LogLine(LogLevel::Info, "Plugins database cache file '%s' not found", path.c_str());
        return;
    }
    LogLine(LogLevel::Info, "Loading plugins database from '%s'", file.c_str());
    Serializer cache;
    if (!cache.Read(file.native())) {
        LogLine(LogLevel::Error, "Failed to load plugins database cache file");
        return;
    }

    std::unordered_map<const Serializer::ModuleRecord*, std::shared_ptr<PluginModule>> modules;
    for (const auto& record : cache.modules) {
        if (auto module = resolveModule(db, file.parent_path(), *record))
            modules.emplace(record.get(), std::move(module));
        else
            LogLine(LogLevel::Warning, "A module '%s' recorded in plugins database cache file not found, skipping",
                    record->path.c_str());
    }

    for (const auto& record : cache.filters) {
        const auto module = modules.find(record->module.get());
        VornCommon::Guid guid;
        if (module == modules.end() ||
            !parseGuid(record->guid, "Skipping filter because of the invalid guid: %s", guid))
            continue;
        FilterFactory::DeclareFilterClass(
            guid, FilterClassInfo(record->className, static_cast<FilterCategory>(record->type)), module->second);
    }
    for (const auto& record : cache.dataLayers) {
        const auto module = modules.find(record->module.get());
        VornCommon::Guid guid;
        if (module == modules.end() ||
            !parseGuid(record->guid, "Skipping data layer because of the invalid guid: %s", guid))
            continue;
        DataLayerFactory::DeclareDataLayerClass(guid, DataLayerClassInfo(record->className), module->second);
    }
    LogLine(LogLevel::Info, "Done loading plugins database cache file");
}

/// A module's path as the cache records it: relative to the cache's folder where possible;
/// a file that has disappeared keeps the path it was known by.
std::string recordedPath(const std::string& modulePath, const fs::path& cacheFolder)
{
    boost::system::error_code error;
    const fs::path file = fs::canonical(modulePath, error);
    if (error)
        return modulePath;
    const fs::path relative = fs::relative(file, cacheFolder, error);
    return error || relative.empty() ? file.native() : relative.native();
}

void saveCache(const Database& db, const std::string& path)
{
    boost::system::error_code error;
    const fs::path file = fs::absolute(path, error);
    if (error) {
        LogLine(LogLevel::Error, "Failed to save plugins database cache file");
        return;
    }
    LogLine(LogLevel::Info, "Saving plugins database to '%s'", file.c_str());

    Serializer cache;
    std::unordered_map<const PluginModule*, std::shared_ptr<Serializer::ModuleRecord>> records;
    for (const auto& [key, module] : db.modules) {
        auto record = std::make_shared<Serializer::ModuleRecord>(
            Serializer::ModuleRecord{recordedPath(module->GetPath(), file.parent_path()), module->GetTimestamp()});
        records.emplace(module.get(), record);
        cache.modules.push_back(std::move(record));
    }
    // Built-in classes have no module, and classes of a module the map no longer holds have
    // no record to refer to: neither is written.
    {
        std::lock_guard lock(FilterFactory::GetFilterClassRegistryMutex());
        for (const auto& [guid, descriptor] : FilterFactory::GetFilterClassRegistry()) {
            const auto record = records.find(descriptor->module.get());
            if (descriptor->module && record != records.end())
                cache.filters.push_back(std::make_shared<Serializer::FilterRecord>(
                    Serializer::FilterRecord{guid.ToHexString(), descriptor->classInfo.GetClassName(), record->second,
                                             static_cast<int32_t>(descriptor->classInfo.GetCategory())}));
        }
    }
    {
        std::lock_guard lock(DataLayerFactory::GetDataLayerClassRegistryMutex());
        for (const auto& [guid, descriptor] : DataLayerFactory::GetDataLayerClassRegistry()) {
            const auto record = records.find(descriptor->module.get());
            if (descriptor->module && record != records.end())
                cache.dataLayers.push_back(std::make_shared<Serializer::DataLayerRecord>(Serializer::DataLayerRecord{
                    guid.ToHexString(), descriptor->classInfo.GetClassName(), record->second}));
        }
    }
    if (cache.Write(file.native()))
        LogLine(LogLevel::Info, "Done saving plugins database cache file");
    else
        LogLine(LogLevel::Error, "Failed to save plugins database cache file");
}

} // namespace

void PluginDatabase::ScanFolderForPlugins(const VornCommon::String& folder, bool loadCacheFile, bool saveCacheFile,
                                          bool recursive)
{
    Database& db = database();
    std::lock_guard lock(db.mutex);
    boost::system::error_code error;
    if (!fs::is_directory(folder.StdString(), error)) {
        LogLine(LogLevel::Error, "Failed to scan folder '%s' for plugins - the folder does not exist", folder.CStr());
        return;
    }
    const std::string cacheFile = folder.StdString() + "/" + CACHE_FILE_NAME;

    const Counts original = countAll(db);
    if (loadCacheFile)
        loadCache(db, cacheFile);
    const Counts afterCache = countAll(db);

    LogLine(LogLevel::Info, "Scanning folder '%s' for plugins", folder.CStr());
    for (const fs::path& file : FindPluginLibraries(folder.StdString(), recursive))
        takeIn(db, file);
    const Counts afterScan = countAll(db);

    if (saveCacheFile)
        saveCache(db, cacheFile);
    LogLine(LogLevel::Info,
            "Done scanning for plugins. Count of plugins/filters/data layers: original %d/%d/%d, after cache "
            "check %d/%d/%d, after scan %d/%d/%d",
            original.plugins, original.filters, original.dataLayers, afterCache.plugins, afterCache.filters,
            afterCache.dataLayers, afterScan.plugins, afterScan.filters, afterScan.dataLayers);
}

void PluginDatabase::AddPlugin(const VornCommon::String& path)
{
    Database& db = database();
    std::lock_guard lock(db.mutex);
    boost::system::error_code error;
    const fs::path file = fs::canonical(path.StdString(), error);
    if (error) {
        LogLine(LogLevel::Error, "Plugin '%s' does not exist", path.CStr());
        return;
    }
    if (!fs::is_regular_file(file, error)) {
        LogLine(LogLevel::Error, "Failed to add a plugin '%s' - not a regular file", file.c_str());
        return;
    }
    const Counts original = countAll(db);
    LogLine(LogLevel::Info, "Adding plugin '%s'", file.c_str());
    takeIn(db, file);
    const Counts now = countAll(db);
    LogLine(LogLevel::Info, "Done adding plugin. Count of plugins/filters/data layers: original %d/%d/%d, new %d/%d/%d",
            original.plugins, original.filters, original.dataLayers, now.plugins, now.filters, now.dataLayers);
}

void PluginDatabase::LoadPluginsFromCacheFile(const VornCommon::String& path)
{
    Database& db = database();
    std::lock_guard lock(db.mutex);
    loadCache(db, path.StdString());
}

void PluginDatabase::SavePluginsToCacheFile(const VornCommon::String& path)
{
    Database& db = database();
    std::lock_guard lock(db.mutex);
    saveCache(db, path.StdString());
}

bool ReleaseUnusedPlugins()
{
    Database& db = database();
    std::lock_guard lock(db.mutex);
    bool all = true;
    for (auto entry = db.modules.begin(); entry != db.modules.end();) {
        auto next = std::next(entry);
        all = dropModule(db, entry) && all;
        entry = next;
    }
    return all;
}

} // namespace Hyx
