#pragma once

// The process-wide inventory of plug-in libraries: it finds them by scanning folders, loads
// new or changed ones, and keeps a cache file ("plugins.xml") through which a later process
// declares every plug-in class without loading a library; a declared class's library loads
// the first time an instance of the class is created.
//
// Contract:
// - Every operation takes the plug-in database mutex for its whole run. Lock order: the
//   plug-in database, then the plug-in load mutex, then the class registries; no library is
//   loaded while a registry lock is held.
// - Failures are logged (tag "HYX2"), never thrown or returned.
// - A library file is known by its canonical path and its last-write time (seconds since
//   1970). A file whose time changed is reloaded on the next scan or AddPlugin, unless
//   objects made from its classes are still alive: then the loaded version stays (level-3
//   warning) and a later scan retries.
// - The cache records module paths relative to the cache file's folder, and only classes of
//   plug-in libraries. Malformed cache elements are skipped one by one (level 3).

#include <Hyx/Export.h>

#include <VornCommon/String.h>

namespace Hyx {

class HYX_API PluginDatabase {
public:
    PluginDatabase() = delete;

    /// A scanned file is a plug-in library when its path ends with this, byte for byte.
    static constexpr const char* PLUGIN_FILE_ENDING = "_vornp.dll";
    /// Name of the cache file that ScanFolderForPlugins reads and writes in the folder.
    static constexpr const char* CACHE_FILE_NAME = "plugins.xml";

    /// Optionally loads folder + "/plugins.xml", takes in every plug-in library of the folder
    /// (and of its subfolders with recursive), then optionally saves that cache file.
    static void ScanFolderForPlugins(const VornCommon::String& folder, bool loadCacheFile, bool saveCacheFile,
                                     bool recursive);
    /// Takes in one library file, whatever its name.
    static void AddPlugin(const VornCommon::String& path);
    /// Reads a cache file and declares its classes, bound to modules that are not loaded.
    static void LoadPluginsFromCacheFile(const VornCommon::String& path);
    /// Writes every known module and every class of a plug-in library to a cache file.
    static void SavePluginsToCacheFile(const VornCommon::String& path);
};

} // namespace Hyx
