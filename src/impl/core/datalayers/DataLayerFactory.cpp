#include "impl/core/datalayers/DataLayerClassRegistry.h"

#include "impl/core/FactoryIterator.h"

#include <Hyx/DataLayer.h>

#include <stdexcept>

namespace Hyx {

namespace {

struct DataLayerTraits {
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

using Registry = detail::ClassRegistry<DataLayerTraits>;
using Iteration = detail::FactoryIteration<Registry>;

} // namespace

struct DataLayerFactoryIterator::Position : Iteration::Position {};

DataLayerFactoryIterator::DataLayerFactoryIterator(Position* position) : _position(position) {}
DataLayerFactoryIterator::DataLayerFactoryIterator(const DataLayerFactoryIterator& other)
    : _position(new Position(*other._position))
{
}
DataLayerFactoryIterator::DataLayerFactoryIterator(DataLayerFactoryIterator&& other) noexcept
    : _position(new Position(*other._position))
{
}
DataLayerFactoryIterator& DataLayerFactoryIterator::operator=(DataLayerFactoryIterator other) noexcept
{
    std::swap(_position, other._position);
    return *this;
}
DataLayerFactoryIterator::~DataLayerFactoryIterator() { delete _position; }

DataLayerFactoryIterator::value_type DataLayerFactoryIterator::operator*() const
{
    return Iteration::Dereference(*_position);
}
DataLayerFactoryIterator& DataLayerFactoryIterator::operator++()
{
    Iteration::Advance(*_position);
    return *this;
}
DataLayerFactoryIterator DataLayerFactoryIterator::operator++(int)
{
    DataLayerFactoryIterator old(*this);
    Iteration::Advance(*_position);
    return old;
}
bool DataLayerFactoryIterator::operator==(const DataLayerFactoryIterator& other) const
{
    return _position->it == other._position->it;
}

namespace DataLayerFactory {

void* RegisterDataLayerClass(const VornCommon::Guid& guid, const DataLayerClassInfo& info, DataLayerCreator creator)
{
    Registry::Get().Register(guid, info, creator);
    return nullptr;
}

void* RegisterDataLayerClassUnlocked(const VornCommon::Guid& guid, const DataLayerClassInfo& info,
                                     DataLayerCreator creator)
{
    Registry::Get().RegisterUnlocked(guid, info, creator);
    return nullptr;
}

void DeclareDataLayerClass(const VornCommon::Guid& guid, const DataLayerClassInfo& info,
                           std::shared_ptr<PluginModule> module)
{
    Registry::Get().Declare(guid, info, std::move(module));
}

void UnregisterDataLayerClassesOfModule(const std::shared_ptr<PluginModule>& module)
{
    Registry::Get().UnregisterModule(module);
}

DataLayerClassRegistry& GetDataLayerClassRegistry() { return Registry::Get().Entries(); }

std::recursive_mutex& GetDataLayerClassRegistryMutex() { return Registry::Get().Mutex(); }

bool TryGetDataLayerClassInfo(const VornCommon::Guid& guid, DataLayerClassInfo& info)
{
    return Registry::Get().TryGetInfo(guid, info);
}

DataLayerClassInfo GetDataLayerClassInfo(const VornCommon::Guid& guid)
{
    DataLayerClassInfo info;
    if (!Registry::Get().TryGetInfo(guid, info))
        throw std::invalid_argument("No data layer class with guid '" + guid.ToHexString().StdString() +
                                    "' registered");
    return info;
}

DataLayerFactoryIterator Begin()
{
    return DataLayerFactoryIterator(new DataLayerFactoryIterator::Position{Iteration::Begin()});
}

DataLayerFactoryIterator End()
{
    return DataLayerFactoryIterator(new DataLayerFactoryIterator::Position{Iteration::End()});
}

DataLayer* CreateInstance(const VornCommon::Guid& type) { return Registry::Get().Create(type); }

SharedDataLayerPtr CreateDataLayer(const VornCommon::Guid& type, const VornCommon::Guid& purpose)
{
    SharedDataLayerPtr layer(Registry::Get().Create(type));
    if (layer)
        layer->InitializeHeader(purpose);
    return layer;
}

SharedDataLayerPtr CreateDataLayer(const VornCommon::Guid& type, const VornCommon::Guid& purpose, int version)
{
    SharedDataLayerPtr layer(Registry::Get().Create(type));
    if (layer)
        layer->InitializeHeader(purpose, static_cast<uint16_t>(version & 0xFFFF));
    return layer;
}

} // namespace DataLayerFactory
} // namespace Hyx
