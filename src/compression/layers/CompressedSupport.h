#pragma once

// Shared steps of the compressed layer classes.

#include <Hyx/DataLayer.h>
#include <Hyx/DataLayerFactory.h>

#include <VornCommon/Guid.h>

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

/// What decompress says of coded bytes that cannot be the data its header states, and of a
/// layer whose last payload was refused.
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

} // namespace Hyx::CompressedSupport
