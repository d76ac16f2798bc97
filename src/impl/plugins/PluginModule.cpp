#include <Hyx/PluginModule.h>

#include "core/LogLevelEnabled.h"
#include "impl/core/datalayers/DataLayerClassRegistry.h"
#include "impl/core/filters/FilterClassRegistry.h"

#include <VornCommon/SharedLibrary.h>

#include <mutex>

namespace Hyx {

namespace {

/// The one load in progress. The load mutex serialises loads; the slot has its own small
/// lock because registrations read it while the load mutex is held by the loading thread.
struct LoadState {
    std::mutex loadMutex;
    std::mutex slotMutex;
    std::shared_ptr<PluginModule> moduleBeingLoaded;
};

LoadState& loadState()
{
    static LoadState state;
    return state;
}

/// True on the thread that is running a library's start-up code.
thread_local bool t_loadingOnThisThread = false;

/// Publishes the module as being loaded on this thread for the lifetime of the guard.
class LoadingSlot {
public:
    explicit LoadingSlot(std::shared_ptr<PluginModule> module)
    {
        std::lock_guard lock(loadState().slotMutex);
        loadState().moduleBeingLoaded = std::move(module);
        t_loadingOnThisThread = true;
    }
    ~LoadingSlot()
    {
        std::lock_guard lock(loadState().slotMutex);
        loadState().moduleBeingLoaded.reset();
        t_loadingOnThisThread = false;
    }
    LoadingSlot(const LoadingSlot&) = delete;
    LoadingSlot& operator=(const LoadingSlot&) = delete;
};

std::string fileNameOf(const std::string& path)
{
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

PluginModule::PluginModule(const std::string& path, uint64_t timestamp)
    : _path(path), _timestamp(timestamp), _library(std::make_unique<VornCommon::SharedLibrary>())
{
}

PluginModule::~PluginModule() = default; // the library unloads itself

bool PluginModule::Load()
{
    if (IsLoaded())
        return true;
    if (t_loadingOnThisThread) {
        // A plug-in's start-up code asks for another library: the load mutex is ours already.
        LogLine(VornCommon::LogLevel::Error, "Refused to load plugin '%s' while another plugin is being loaded",
                _path.c_str());
        return false;
    }
    std::lock_guard loadLock(loadState().loadMutex);
    if (IsLoaded())
        return true; // another thread loaded it while we waited

    bool opened = false;
    {
        LoadingSlot slot(shared_from_this());
        opened = _library->Load(_path);
    }
    if (!opened) {
        LogLine(VornCommon::LogLevel::Error, "Error loading plugin '%s': %s", _path.c_str(),
                _library->LastError().c_str());
        return false;
    }
    const auto* info = static_cast<const PluginInfo*>(_library->Symbol(PLUGIN_INFO_SYMBOL));
    if (!info) {
        LogLine(VornCommon::LogLevel::Info, "No plugin info found in '%s'", _path.c_str());
        // Nothing may stay creatable with its code in a library about to be unloaded.
        auto self = shared_from_this();
        FilterFactory::UnregisterFilterClassesOfModule(self);
        DataLayerFactory::UnregisterDataLayerClassesOfModule(self);
        _library->Unload();
        return false;
    }
    _info = info;
    _loaded.store(true, std::memory_order_release);
    LogLine(VornCommon::LogLevel::Info, "Plugin '%s' loaded: name '%s' version %s", fileNameOf(_path).c_str(),
            info->name.CStr(), info->version.CStr());
    return true;
}

std::shared_ptr<PluginModule> PluginModule::GetPluginModuleBeingLoaded()
{
    if (!t_loadingOnThisThread)
        return nullptr;
    std::lock_guard lock(loadState().slotMutex);
    return loadState().moduleBeingLoaded;
}

} // namespace Hyx
