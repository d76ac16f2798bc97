#pragma once

// One plug-in library file. It is loaded on demand; while its start-up code runs, the
// factories bind every class it registers to this module. A library must export the data
// object "hyx_plugin" (PluginInfo, see HYX_DEFINE_PLUGIN_INFO); one without it is refused,
// its classes are unregistered and it is unloaded again. The library is unloaded when the
// last holder of the module lets go.
//
// Contract:
// - Loads are serialised by one process-wide load mutex; Load from a plug-in's own start-up
//   code (a nested load) is refused.
// - GetPluginModuleBeingLoaded gives the module only to the thread that is loading it.
// - Lock order: plug-in database, load mutex, class registries. No library is loaded while
//   a class registry lock is held.

#include <Hyx/Export.h>

#include <VornCommon/String.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace VornCommon {
class SharedLibrary;
}

namespace Hyx {

/// The identity a plug-in library exports as the data symbol "hyx_plugin".
struct PluginInfo {
    VornCommon::String name;
    VornCommon::String version;
};

/// The name of the data symbol every plug-in library exports.
inline constexpr const char* PLUGIN_INFO_SYMBOL = "hyx_plugin";

class HYX_API PluginModule : public std::enable_shared_from_this<PluginModule> {
public:
    /// An unloaded module for a library file; timestamp is its last-write time in seconds
    /// since 1970.
    PluginModule(const std::string& path, uint64_t timestamp);
    /// Unloads the library when it is loaded.
    ~PluginModule();

    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    /// Loads the library unless it is loaded; true when it is loaded afterwards. Must be
    /// called on a module held by a shared pointer.
    bool Load();
    /// True once Load has succeeded.
    bool IsLoaded() const { return _loaded.load(std::memory_order_acquire); }

    /// The library file's path.
    const std::string& GetPath() const { return _path; }
    /// The last-write time given at construction.
    uint64_t GetTimestamp() const { return _timestamp; }
    /// The library's "hyx_plugin" data; null until loaded.
    const PluginInfo* GetPluginInfo() const { return _info; }

    /// The module whose library the calling thread is loading; empty outside a load.
    static std::shared_ptr<PluginModule> GetPluginModuleBeingLoaded();

private:
    std::string _path;
    uint64_t _timestamp;
    std::unique_ptr<VornCommon::SharedLibrary> _library;
    const PluginInfo* _info = nullptr;
    std::atomic<bool> _loaded{false};
};

} // namespace Hyx

/// Defines the "hyx_plugin" data symbol of a plug-in library, at namespace scope of one of
/// its source files: HYX_DEFINE_PLUGIN_INFO("My plug-in", "1.0");
#define HYX_DEFINE_PLUGIN_INFO(pluginName, pluginVersion)                                                              \
    extern "C" __attribute__((visibility("default"))) const ::Hyx::PluginInfo hyx_plugin;                              \
    const ::Hyx::PluginInfo hyx_plugin                                                                                 \
    {                                                                                                                  \
        pluginName, pluginVersion                                                                                      \
    }
