#include "impl/core/filters/FilterClassRegistry.h"

#include <stdexcept>

// CreateFilter takes a new filter through its first life-cycle steps, so it is defined
// with the filter life cycle; it creates the instance with CreateInstance below.

namespace Hyx::FilterFactory {

void* RegisterFilterClass(const VornCommon::Guid& guid, const FilterClassInfo& info, FilterCreator creator)
{
    FilterRegistry::Get().Register(guid, info, creator);
    return nullptr;
}

void* RegisterFilterClassUnlocked(const VornCommon::Guid& guid, const FilterClassInfo& info, FilterCreator creator)
{
    FilterRegistry::Get().RegisterUnlocked(guid, info, creator);
    return nullptr;
}

void DeclareFilterClass(const VornCommon::Guid& guid, const FilterClassInfo& info, std::shared_ptr<PluginModule> module)
{
    FilterRegistry::Get().Declare(guid, info, std::move(module));
}

void UnregisterFilterClassesOfModule(const std::shared_ptr<PluginModule>& module)
{
    FilterRegistry::Get().UnregisterModule(module);
}

FilterClassRegistry& GetFilterClassRegistry()
{
    return FilterRegistry::Get().Entries();
}

std::recursive_mutex& GetFilterClassRegistryMutex()
{
    return FilterRegistry::Get().Mutex();
}

bool TryGetFilterClassInfo(const VornCommon::Guid& guid, FilterClassInfo& info)
{
    return FilterRegistry::Get().TryGetInfo(guid, info);
}

FilterClassInfo GetFilterClassInfo(const VornCommon::Guid& guid)
{
    FilterClassInfo info;
    if (!FilterRegistry::Get().TryGetInfo(guid, info))
        throw std::invalid_argument("No filter class with guid '" + guid.ToHexString().StdString() + "' registered");
    return info;
}

Filter* CreateInstance(const VornCommon::Guid& type)
{
    return FilterRegistry::Get().Create(type);
}

Filter* CreateInstance(const VornCommon::Guid& type, std::shared_ptr<PluginModule>& module)
{
    return FilterRegistry::Get().Create(type, &module);
}

} // namespace Hyx::FilterFactory
