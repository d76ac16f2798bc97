#pragma once

// The filter registry's operations for the library itself (start-up registration, the
// plug-in database and plug-in modules). Exported for the tests only; hosts use
// <Hyx/FilterFactory.h>.

#include "impl/core/ClassRegistry.h"

#include <Hyx/FilterFactory.h>

#include <map>
#include <memory>
#include <mutex>

namespace Hyx {

struct FilterRegistryTraits {
    using Info = FilterClassInfo;
    using Instance = Filter;

    static constexpr const char* REGISTERED_TWICE = "Multiple filter classes registered with the same guid '%s'";
    static constexpr const char* DECLARED_TWICE = "Multiple filter classes declared with the same guid '%s'";
    static constexpr const char* MISSING_CREATOR = "Failed to create a filter, missing creator function";
    static constexpr const char* UNKNOWN_CLASS =
        "Failed to create a filter with guid '%s', no such filter class registered";
    static constexpr VornCommon::LogLevel UNKNOWN_CLASS_LEVEL = VornCommon::LogLevel::Error;

    /// A filter class is known by its class name, not its nice name.
    static VornCommon::String Alias(const Info& info) { return info.GetClassName(); }
};

/// The registry itself. Only the library's own sources may use it: in another binary
/// this template would make a second, separate registry.
using FilterRegistry = detail::ClassRegistry<FilterRegistryTraits>;

using FilterClassDescriptor = detail::ClassDescriptor<FilterClassInfo, Filter>;
using FilterClassRegistry = std::map<VornCommon::Guid, std::shared_ptr<FilterClassDescriptor>>;

namespace FilterFactory {

/// Registration without taking the registry lock.
HYX_API void* RegisterFilterClassUnlocked(const VornCommon::Guid& guid, const FilterClassInfo& info,
                                          FilterCreator creator);
/// Enters a class of a plug-in library without loading it; the library loads on first use.
HYX_API void DeclareFilterClass(const VornCommon::Guid& guid, const FilterClassInfo& info,
                                std::shared_ptr<PluginModule> module);
/// Removes every class bound to the module.
HYX_API void UnregisterFilterClassesOfModule(const std::shared_ptr<PluginModule>& module);
/// The registry map; hold GetFilterClassRegistryMutex() while using it.
HYX_API FilterClassRegistry& GetFilterClassRegistry();
HYX_API std::recursive_mutex& GetFilterClassRegistryMutex();
/// A new instance of the class (no life-cycle step taken), loading its module when it is only
/// declared; null, logged, on failure.
HYX_API Filter* CreateInstance(const VornCommon::Guid& type);
/// The same, also giving the class's module (null for built-in classes): share the filter
/// with detail::ShareKeepingModule, so that its plug-in library stays loaded while it lives.
HYX_API Filter* CreateInstance(const VornCommon::Guid& type, std::shared_ptr<PluginModule>& module);

} // namespace FilterFactory
} // namespace Hyx
