#pragma once

// Setters that copy caller bytes into a freshly sized payload may be handed bytes of that
// very payload; the resize would free or overwrite them first.

#include <Hyx/FlatMemory.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace Hyx::PayloadAlias {

/// The bytes to copy n bytes from after the payload is resized to newSize and the source
/// goes to destinationOffset: source itself unless it lies in the payload's storage; then
/// a copy in aside (the part beyond the payload's used bytes reads as 0, never past them),
/// except when source already is the destination of storage that the resize keeps.
inline const uint8_t* Stabilize(const FlatMemoryUInt8* payload, const uint8_t* source, uint64_t n,
                                uint32_t destinationOffset, uint64_t newSize, std::vector<uint8_t>& aside)
{
    if (!payload || !source || n == 0 || !payload->data())
        return source;
    const uintptr_t from = reinterpret_cast<uintptr_t>(source);
    const uintptr_t begin = reinterpret_cast<uintptr_t>(payload->data());
    if (from + n <= begin || from >= begin + payload->capacity())
        return source;
    if (from == begin + destinationOffset && payload->owns() && payload->capacity() >= newSize)
        return source;
    const uintptr_t used = begin + payload->size();
    aside.assign(n, 0);
    std::copy_n(source, std::min<uint64_t>(n, from < used ? used - from : 0), aside.begin());
    return aside.data();
}

} // namespace Hyx::PayloadAlias
