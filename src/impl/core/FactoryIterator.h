#pragma once

// The registry position behind both factory iterators: one map iterator. Moving past the
// end stays at the end; reading at the end throws instead of touching the map's sentinel.

#include <stdexcept>

namespace Hyx::detail {

template <class Registry>
struct FactoryIteration {
    struct Position {
        typename Registry::Map::const_iterator it;
    };

    static typename Registry::Map::const_iterator Begin()
    {
        auto& registry = Registry::Get();
        std::lock_guard lock(registry.Mutex());
        return registry.Entries().cbegin();
    }

    static typename Registry::Map::const_iterator End()
    {
        auto& registry = Registry::Get();
        std::lock_guard lock(registry.Mutex());
        return registry.Entries().cend();
    }

    static void Advance(Position& position)
    {
        if (position.it != Registry::Get().Entries().cend())
            ++position.it;
    }

    template <class Value = VornCommon::Pair<VornCommon::Guid, const typename Registry::Info>>
    static Value Dereference(const Position& position)
    {
        if (position.it == Registry::Get().Entries().cend())
            throw std::out_of_range("Factory iterator at the end has no entry");
        return Value(position.it->first, position.it->second->classInfo);
    }
};

} // namespace Hyx::detail
