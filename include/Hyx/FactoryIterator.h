#pragma once

// A position in one of the two class registries (DataLayerFactoryIterator,
// FilterFactoryIterator), moving in GUID order. Dereferencing gives a copy of the entry.
// Moving past the end stays at the end; dereferencing at the end throws std::out_of_range.
// Not guarded: the registry must not change while a host iterates.

#include <Hyx/ClassInfo.h>
#include <Hyx/Export.h>

#include <VornCommon/Guid.h>
#include <VornCommon/Vector.h>

#include <utility>

namespace Hyx {

template <class Info>
class FactoryIterator {
public:
    /// Opaque registry position.
    struct Position;
    /// What dereferencing gives: the type GUID and the class info.
    using value_type = VornCommon::Pair<VornCommon::Guid, const Info>;

    explicit FactoryIterator(Position* position) : _position(position) {}
    FactoryIterator(const FactoryIterator& other);
    FactoryIterator(FactoryIterator&& other) noexcept;
    /// By value: exchanges positions with the argument.
    FactoryIterator& operator=(FactoryIterator other) noexcept
    {
        std::swap(_position, other._position);
        return *this;
    }
    virtual ~FactoryIterator();

    /// A copy of the entry; throws std::out_of_range at the end.
    value_type operator*() const;
    /// The next entry; stays at the end.
    FactoryIterator& operator++();
    FactoryIterator operator++(int)
    {
        FactoryIterator old(*this);
        ++*this;
        return old;
    }

    bool operator==(const FactoryIterator& other) const;
    bool operator!=(const FactoryIterator& other) const { return !(*this == other); }

private:
    Position* _position;
};

extern template class HYX_API FactoryIterator<DataLayerClassInfo>;
extern template class HYX_API FactoryIterator<FilterClassInfo>;

using DataLayerFactoryIterator = FactoryIterator<DataLayerClassInfo>;
using FilterFactoryIterator = FactoryIterator<FilterClassInfo>;

} // namespace Hyx
