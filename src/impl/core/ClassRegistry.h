#pragma once

// The registry behind both class factories: an ordered map from type GUID to class
// descriptor under one recursive mutex, created on first use so that registrations from
// static initialisers work whatever the order in which files are initialised.
//
// A descriptor is declared (module, no creator) or creatable (creator). Creation never
// loads a library while the registry lock is held: it copies the descriptor under the lock,
// loads the module without it and looks the class up again, so a plug-in that registers
// classes of both kinds cannot deadlock against another thread.

#include <Hyx/GuidAlias.h>
#include <Hyx/PluginModule.h>

#include "core/LogLevelEnabled.h"

#include <VornCommon/Guid.h>

#include <map>
#include <memory>
#include <mutex>

namespace Hyx::detail {

/// Class info, module and creator of one registered or declared class.
template <class Info, class Instance>
struct ClassDescriptor {
    using Creator = Instance* (*)();

    Info classInfo;
    std::shared_ptr<PluginModule> module; ///< null for classes registered outside a plug-in load
    Creator creator = nullptr; ///< null while the class is only declared
};

/// Traits supply: Info, Instance, the alias of an info (`Alias`), and the message texts.
template <class Traits>
class ClassRegistry {
public:
    using Info = typename Traits::Info;
    using Instance = typename Traits::Instance;
    using Descriptor = ClassDescriptor<Info, Instance>;
    using Creator = typename Descriptor::Creator;
    using Map = std::map<VornCommon::Guid, std::shared_ptr<Descriptor>>;

    /// The process-wide registry of this kind.
    static ClassRegistry& Get()
    {
        static ClassRegistry registry;
        return registry;
    }

    std::recursive_mutex& Mutex() { return _mutex; }
    /// The map; callers hold Mutex() while they use it.
    Map& Entries() { return _entries; }

    /// Registration without the lock, bound to the module being loaded (if any).
    void RegisterUnlocked(const VornCommon::Guid& guid, const Info& info, Creator creator)
    {
        auto module = PluginModule::GetPluginModuleBeingLoaded();
        auto it = _entries.find(guid);
        if (it == _entries.end()) {
            _entries.emplace(guid, std::make_shared<Descriptor>(Descriptor{info, module, creator}));
            registerAlias(guid, info);
            return;
        }
        Descriptor& entry = *it->second;
        if (entry.classInfo == info && entry.module == module) {
            if (!entry.creator) {
                // A class declared from the cache gets its creator while its library loads.
                entry.creator = creator;
                registerAlias(guid, info);
                return;
            }
            if (entry.creator == creator)
                return; // the very same registration again: nothing to change
        }
        LogLine(VornCommon::LogLevel::Error, Traits::REGISTERED_TWICE, guid.ToHexString().CStr());
    }

    void Register(const VornCommon::Guid& guid, const Info& info, Creator creator)
    {
        std::lock_guard lock(_mutex);
        RegisterUnlocked(guid, info, creator);
    }

    /// Enters a class known from the plug-in cache without loading its library.
    void Declare(const VornCommon::Guid& guid, const Info& info, std::shared_ptr<PluginModule> module)
    {
        std::lock_guard lock(_mutex);
        auto it = _entries.find(guid);
        if (it == _entries.end()) {
            _entries.emplace(guid, std::make_shared<Descriptor>(Descriptor{info, std::move(module), nullptr}));
            registerAlias(guid, info);
            return;
        }
        if (it->second->classInfo == info && it->second->module == module)
            return;
        LogLine(VornCommon::LogLevel::Error, Traits::DECLARED_TWICE, guid.ToHexString().CStr());
    }

    /// Removes every class bound to the module; a null module removes nothing.
    void UnregisterModule(const std::shared_ptr<PluginModule>& module)
    {
        if (!module)
            return;
        std::lock_guard lock(_mutex);
        std::erase_if(_entries, [&](const auto& entry) { return entry.second->module == module; });
    }

    bool TryGetInfo(const VornCommon::Guid& guid, Info& info)
    {
        std::lock_guard lock(_mutex);
        auto it = _entries.find(guid);
        if (it == _entries.end())
            return false;
        info = it->second->classInfo;
        return true;
    }

    /// A new instance of the class, loading its module first when the class is only
    /// declared; null (logged) for an unknown GUID or a class without a creator. moduleOut,
    /// when given, receives the class's module (null for built-in classes).
    Instance* Create(const VornCommon::Guid& guid, std::shared_ptr<PluginModule>* moduleOut = nullptr)
    {
        std::shared_ptr<Descriptor> descriptor;
        Creator creator = nullptr;
        std::shared_ptr<PluginModule> module;
        {
            std::lock_guard lock(_mutex);
            auto it = _entries.find(guid);
            if (it == _entries.end()) {
                if (IsHYXLogLevelEnabled(Traits::UNKNOWN_CLASS_LEVEL)) // readers ask once a stored layer
                    LogLine(Traits::UNKNOWN_CLASS_LEVEL, Traits::UNKNOWN_CLASS, guid.ToHexString().CStr());
                return nullptr;
            }
            descriptor = it->second;
            creator = descriptor->creator;
            module = descriptor->module;
        }
        if (!creator && module) {
            module->Load(); // its result is not needed: the registry tells whether it worked
            std::lock_guard lock(_mutex);
            // The load may have removed the class (a library without "hyx_plugin"), so look
            // it up again instead of trusting the old descriptor.
            auto it = _entries.find(guid);
            descriptor = it == _entries.end() ? nullptr : it->second;
            creator = descriptor ? descriptor->creator : nullptr;
        }
        if (!creator) {
            LogLine(VornCommon::LogLevel::Error, "%s", Traits::MISSING_CREATOR);
            return nullptr;
        }
        if (moduleOut)
            *moduleOut = descriptor->module;
        // The descriptor copy keeps the module, and with it the creator's code, loaded.
        return creator();
    }

private:
    ClassRegistry() = default;

    static void registerAlias(const VornCommon::Guid& guid, const Info& info)
    {
        Utils::GetHYXGuidAliasDatabase()->RegisterGuidAlias(guid, Traits::Alias(info));
    }

    std::recursive_mutex _mutex;
    Map _entries;
};

/// Shares a new instance so that it keeps its plug-in module, and with it the instance's
/// code, loaded for as long as it lives; without a module, a plain shared pointer.
template <class T>
std::shared_ptr<T> ShareKeepingModule(T* instance, std::shared_ptr<PluginModule> module)
{
    if (!instance)
        return {}; // a null raw pointer would still get a control block
    if (!module)
        return std::shared_ptr<T>(instance);
    return std::shared_ptr<T>(instance, [module = std::move(module)](T* object) { delete object; });
}

} // namespace Hyx::detail
