#include <Hyx/FactoryIterator.h>

#include "impl/core/datalayers/DataLayerClassRegistry.h"
#include "impl/core/filters/FilterClassRegistry.h"

#include <stdexcept>

namespace Hyx {

namespace {
template <class Info>
struct RegistryOf;
template <>
struct RegistryOf<DataLayerClassInfo> {
    using type = DataLayerRegistry;
};
template <>
struct RegistryOf<FilterClassInfo> {
    using type = FilterRegistry;
};
} // namespace

template <class Info>
struct FactoryIterator<Info>::Position {
    using Registry = typename RegistryOf<Info>::type;
    typename Registry::Map::const_iterator it;

    static typename Registry::Map::const_iterator end() { return Registry::Get().Entries().cend(); }
};

template <class Info>
FactoryIterator<Info>::FactoryIterator(const FactoryIterator& other) : _position(new Position(*other._position))
{
}

template <class Info>
FactoryIterator<Info>::FactoryIterator(FactoryIterator&& other) noexcept : _position(new Position(*other._position))
{
}

template <class Info>
FactoryIterator<Info>::~FactoryIterator()
{
    delete _position;
}

template <class Info>
typename FactoryIterator<Info>::value_type FactoryIterator<Info>::operator*() const
{
    // The end has no entry; reading it would touch the map's sentinel.
    if (_position->it == Position::end())
        throw std::out_of_range("Factory iterator at the end has no entry");
    return value_type(_position->it->first, _position->it->second->classInfo);
}

template <class Info>
FactoryIterator<Info>& FactoryIterator<Info>::operator++()
{
    if (_position->it != Position::end())
        ++_position->it;
    return *this;
}

template <class Info>
bool FactoryIterator<Info>::operator==(const FactoryIterator& other) const
{
    return _position->it == other._position->it;
}

template class FactoryIterator<DataLayerClassInfo>;
template class FactoryIterator<FilterClassInfo>;

namespace {
template <class Info, bool atEnd>
FactoryIterator<Info> positionOf()
{
    auto& registry = RegistryOf<Info>::type::Get();
    std::lock_guard lock(registry.Mutex());
    auto it = atEnd ? registry.Entries().cend() : registry.Entries().cbegin();
    return FactoryIterator<Info>(new typename FactoryIterator<Info>::Position{it});
}
} // namespace

DataLayerFactoryIterator DataLayerFactory::Begin()
{
    return positionOf<DataLayerClassInfo, false>();
}
DataLayerFactoryIterator DataLayerFactory::End()
{
    return positionOf<DataLayerClassInfo, true>();
}
FilterFactoryIterator FilterFactory::Begin()
{
    return positionOf<FilterClassInfo, false>();
}
FilterFactoryIterator FilterFactory::End()
{
    return positionOf<FilterClassInfo, true>();
}

} // namespace Hyx
