#include "impl/core/datalayers/DataLayerClassRegistry.h"

#include <Hyx/DataLayer.h>

#include <stdexcept>

namespace Hyx::DataLayerFactory {

void* RegisterDataLayerClass(const VornCommon::Guid& guid, const DataLayerClassInfo& info, DataLayerCreator creator)
{
    DataLayerRegistry::Get().Register(guid, info, creator);
    return nullptr;
}

void* RegisterDataLayerClassUnlocked(const VornCommon::Guid& guid, const DataLayerClassInfo& info,
                                     DataLayerCreator creator)
{
    DataLayerRegistry::Get().RegisterUnlocked(guid, info, creator);
    return nullptr;
}

void DeclareDataLayerClass(const VornCommon::Guid& guid, const DataLayerClassInfo& info,
                           std::shared_ptr<PluginModule> module)
{
    DataLayerRegistry::Get().Declare(guid, info, std::move(module));
}

void UnregisterDataLayerClassesOfModule(const std::shared_ptr<PluginModule>& module)
{
    DataLayerRegistry::Get().UnregisterModule(module);
}

DataLayerClassRegistry& GetDataLayerClassRegistry()
{
    return DataLayerRegistry::Get().Entries();
}

std::recursive_mutex& GetDataLayerClassRegistryMutex()
{
    return DataLayerRegistry::Get().Mutex();
}

bool TryGetDataLayerClassInfo(const VornCommon::Guid& guid, DataLayerClassInfo& info)
{
    return DataLayerRegistry::Get().TryGetInfo(guid, info);
}

DataLayerClassInfo GetDataLayerClassInfo(const VornCommon::Guid& guid)
{
    DataLayerClassInfo info;
    if (!DataLayerRegistry::Get().TryGetInfo(guid, info))
        throw std::invalid_argument("No data layer class with guid '" + guid.ToHexString().StdString() +
                                    "' registered");
    return info;
}

DataLayer* CreateInstance(const VornCommon::Guid& type)
{
    return DataLayerRegistry::Get().Create(type);
}

namespace {

/// A new layer that keeps its plug-in module loaded while it lives.
std::shared_ptr<DataLayer> createShared(const VornCommon::Guid& type)
{
    std::shared_ptr<PluginModule> module;
    DataLayer* layer = DataLayerRegistry::Get().Create(type, &module);
    return detail::ShareKeepingModule(layer, std::move(module));
}

} // namespace

std::shared_ptr<DataLayer> CreateSharedDataLayer(const VornCommon::Guid& type, const VornCommon::Guid& purpose,
                                                 uint16_t version)
{
    std::shared_ptr<DataLayer> layer = createShared(type);
    if (layer)
        layer->InitializeHeader(purpose, version);
    return layer;
}

SharedDataLayerPtr CreateDataLayer(const VornCommon::Guid& type, const VornCommon::Guid& purpose)
{
    SharedDataLayerPtr layer(createShared(type));
    if (layer)
        layer->InitializeHeader(purpose);
    return layer;
}

SharedDataLayerPtr CreateDataLayer(const VornCommon::Guid& type, const VornCommon::Guid& purpose, int version)
{
    return SharedDataLayerPtr(CreateSharedDataLayer(type, purpose, static_cast<uint16_t>(version & 0xFFFF)));
}

} // namespace Hyx::DataLayerFactory
