#pragma once

// Shared steps of the compressed layer classes.

#include <Hyx/DataLayer.h>
#include <Hyx/DataLayerFactory.h>
#include <Hyx/FlatMemory.h>

#include <VornCommon/Guid.h>

#include <cstdint>
#include <memory>
#include <stdexcept>

namespace Hyx::CompressedSupport {

/// The plain layer for a decompress: created through the factory with the stored type,
/// the compressed layer's purpose and the stored payload version, viewed as T. Throws when
/// the stored type is no class of T.
template <typename T>
std::shared_ptr<T> CreatePlain(const VornCommon::Guid& type, const VornCommon::Guid& purpose, uint16_t version)
{
    std::shared_ptr<DataLayer> layer = DataLayerFactory::CreateDataLayer(type, purpose, version).ToStdSharedPtr();
    auto plain = std::dynamic_pointer_cast<T>(layer);
    if (!plain)
        throw std::runtime_error("compressed layer names a type it cannot decode into");
    return plain;
}

/// What decompress says of coded bytes that cannot be the data its header states, of a layer
/// whose last payload was refused, and of a payload that no longer holds what it reads.
inline constexpr const char* UNEXPECTED_SIZE = "compressed data does not have the expected size";

/// Throws unless the coded bytes are there and exactly expected bytes long.
inline void RequireSize(const uint8_t* coded, uint64_t codedSize, uint64_t expected)
{
    if (codedSize != expected || (expected && !coded))
        throw std::runtime_error(UNEXPECTED_SIZE);
}

/// Throws when the layer's last payload was refused (or it never read one): its view then
/// holds nothing, and decoding it would give an empty layer in place of the data it lost.
inline void RequireLoaded(bool loaded)
{
    if (!loaded)
        throw std::runtime_error(UNEXPECTED_SIZE);
}

/// True when size bytes from view lie inside the payload as it is now. A layer's view points
/// into the payload of its last load; a payload resized or replaced since without a new load
/// (AllocateData, the raw buffer) may no longer hold it, or no longer be the storage it
/// points into.
inline bool InPayload(const FlatMemoryUInt8* payload, const uint8_t* view, uint64_t size)
{
    if (size == 0)
        return true;
    if (!payload || !payload->data() || !view)
        return false;
    // Addresses, not pointer arithmetic: the view may point into storage that is gone.
    const uintptr_t begin = reinterpret_cast<uintptr_t>(payload->data());
    const uintptr_t at = reinterpret_cast<uintptr_t>(view);
    return at >= begin && at - begin <= payload->size() && size <= payload->size() - (at - begin);
}

/// Throws unless size bytes from view lie inside the payload, before any of them is read.
inline void RequireInPayload(const FlatMemoryUInt8* payload, const uint8_t* view, uint64_t size)
{
    if (!InPayload(payload, view, size))
        throw std::runtime_error(UNEXPECTED_SIZE);
}

} // namespace Hyx::CompressedSupport
