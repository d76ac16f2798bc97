#pragma once

// The data-layer registry's operations for the library itself (start-up registration, the
// plug-in database and plug-in modules). Exported for the tests only; hosts use
// <Hyx/DataLayerFactory.h>.

#include "impl/core/ClassRegistry.h"

#include <Hyx/DataLayerFactory.h>

#include <map>
#include <memory>
#include <mutex>

namespace Hyx {

struct DataLayerRegistryTraits {
    using Info = DataLayerClassInfo;
    using Instance = DataLayer;

    static constexpr const char* REGISTERED_TWICE = "Multiple data layer classes registered with the same guid '%s'";
    static constexpr const char* DECLARED_TWICE = "Multiple data layer classes declared with the same guid '%s'";
    static constexpr const char* MISSING_CREATOR = "Failed to create a data layer, missing creator function";
    static constexpr const char* UNKNOWN_CLASS =
        "Failed to create a data layer with guid '%s', no such data layer class registered";
    static constexpr VornCommon::LogLevel UNKNOWN_CLASS_LEVEL = VornCommon::LogLevel::Warning;

    /// A data-layer class is known by its nice name.
    static VornCommon::String Alias(const Info& info) { return info.GetNiceClassName(); }
};

/// The registry itself. Only the library's own sources may use it: in another binary
/// this template would make a second, separate registry.
using DataLayerRegistry = detail::ClassRegistry<DataLayerRegistryTraits>;

using DataLayerClassDescriptor = detail::ClassDescriptor<DataLayerClassInfo, DataLayer>;
using DataLayerClassRegistry = std::map<VornCommon::Guid, std::shared_ptr<DataLayerClassDescriptor>>;

namespace DataLayerFactory {

/// Registration without taking the registry lock.
HYX_API void* RegisterDataLayerClassUnlocked(const VornCommon::Guid& guid, const DataLayerClassInfo& info,
                                             DataLayerCreator creator);
/// Enters a class of a plug-in library without loading it; the library loads on first use.
HYX_API void DeclareDataLayerClass(const VornCommon::Guid& guid, const DataLayerClassInfo& info,
                                   std::shared_ptr<PluginModule> module);
/// Removes every class bound to the module.
HYX_API void UnregisterDataLayerClassesOfModule(const std::shared_ptr<PluginModule>& module);
/// The registry map; hold GetDataLayerClassRegistryMutex() while using it.
HYX_API DataLayerClassRegistry& GetDataLayerClassRegistry();
HYX_API std::recursive_mutex& GetDataLayerClassRegistryMutex();
/// A new instance of the class (no header set), loading its module when it is only
/// declared; null, logged, on failure.
HYX_API DataLayer* CreateInstance(const VornCommon::Guid& type);
/// CreateDataLayer for the library's own readers, without the host's handle around the
/// layer (one allocation less a layer read).
std::shared_ptr<DataLayer> CreateSharedDataLayer(const VornCommon::Guid& type, const VornCommon::Guid& purpose,
                                                 uint16_t version);

} // namespace DataLayerFactory
} // namespace Hyx
