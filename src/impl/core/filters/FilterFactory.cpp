#include "impl/core/filters/FilterClassRegistry.h"

#include "impl/core/FactoryIterator.h"

#include <stdexcept>

namespace Hyx {

namespace {

struct FilterTraits {
    using Info = FilterClassInfo;
    using Instance = Filter;

    static constexpr const char* REGISTERED_TWICE = "Multiple filter classes registered with the same guid '%s'";
    static constexpr const char* DECLARED_TWICE = "Multiple filter classes declared with the same guid '%s'";
    static constexpr const char* MISSING_CREATOR = "Failed to create a filter, missing creator function";
    static constexpr const char* UNKNOWN_CLASS =
        "Failed to create a filter with guid '%s', no such filter class registered";
    static constexpr VornCommon::LogLevel UNKNOWN_CLASS_LEVEL = VornCommon::LogLevel::Error;

    /// A filter class is known by its class name (not its nice name).
    static VornCommon::String Alias(const Info& info) { return info.GetClassName(); }
};

using Registry = detail::ClassRegistry<FilterTraits>;
using Iteration = detail::FactoryIteration<Registry>;

} // namespace

struct FilterFactoryIterator::Position : Iteration::Position {};

FilterFactoryIterator::FilterFactoryIterator(Position* position) : _position(position) {}
FilterFactoryIterator::FilterFactoryIterator(const FilterFactoryIterator& other)
    : _position(new Position(*other._position))
{
}
FilterFactoryIterator::FilterFactoryIterator(FilterFactoryIterator&& other) noexcept
    : _position(new Position(*other._position))
{
}
FilterFactoryIterator& FilterFactoryIterator::operator=(FilterFactoryIterator other) noexcept
{
    std::swap(_position, other._position);
    return *this;
}
FilterFactoryIterator::~FilterFactoryIterator() { delete _position; }

FilterFactoryIterator::value_type FilterFactoryIterator::operator*() const
{
    return Iteration::Dereference(*_position);
}
FilterFactoryIterator& FilterFactoryIterator::operator++()
{
    Iteration::Advance(*_position);
    return *this;
}
FilterFactoryIterator FilterFactoryIterator::operator++(int)
{
    FilterFactoryIterator old(*this);
    Iteration::Advance(*_position);
    return old;
}
bool FilterFactoryIterator::operator==(const FilterFactoryIterator& other) const
{
    return _position->it == other._position->it;
}

namespace FilterFactory {

void* RegisterFilterClass(const VornCommon::Guid& guid, const FilterClassInfo& info, FilterCreator creator)
{
    Registry::Get().Register(guid, info, creator);
    return nullptr;
}

void* RegisterFilterClassUnlocked(const VornCommon::Guid& guid, const FilterClassInfo& info,
                                     FilterCreator creator)
{
    Registry::Get().RegisterUnlocked(guid, info, creator);
    return nullptr;
}

void DeclareFilterClass(const VornCommon::Guid& guid, const FilterClassInfo& info,
                           std::shared_ptr<PluginModule> module)
{
    Registry::Get().Declare(guid, info, std::move(module));
}

void UnregisterFilterClassesOfModule(const std::shared_ptr<PluginModule>& module)
{
    Registry::Get().UnregisterModule(module);
}

FilterClassRegistry& GetFilterClassRegistry() { return Registry::Get().Entries(); }

std::recursive_mutex& GetFilterClassRegistryMutex() { return Registry::Get().Mutex(); }

bool TryGetFilterClassInfo(const VornCommon::Guid& guid, FilterClassInfo& info)
{
    return Registry::Get().TryGetInfo(guid, info);
}

FilterClassInfo GetFilterClassInfo(const VornCommon::Guid& guid)
{
    FilterClassInfo info;
    if (!Registry::Get().TryGetInfo(guid, info))
        throw std::invalid_argument("No filter class with guid '" + guid.ToHexString().StdString() +
                                    "' registered");
    return info;
}

FilterFactoryIterator Begin()
{
    return FilterFactoryIterator(new FilterFactoryIterator::Position{Iteration::Begin()});
}

FilterFactoryIterator End()
{
    return FilterFactoryIterator(new FilterFactoryIterator::Position{Iteration::End()});
}

Filter* CreateInstance(const VornCommon::Guid& type) { return Registry::Get().Create(type); }

} // namespace FilterFactory
} // namespace Hyx
