#pragma once

// Stand-ins for layers that the stream reader cannot represent by a registered class: the
// type GUID has no class, or the class refused the stored payload.
//
// Contract:
// - A placeholder keeps the type GUID it was given, the purpose and payload version set by
//   InitializeHeader, and the payload bytes unread, so writing it again reproduces the block.
// - DataLayerCompressedPlaceholder is a DataTypeCompressedBlob and keeps the compression
//   fields of a compressed-blob block as well.
// - Class version 0, class info "Unknown"/"Unknown"; neither class is registered.

#include <Hyx/DataLayer.h>
#include <Hyx/DataTypeCompressedBlob.h>
#include <Hyx/Export.h>

#include <VornCommon/Guid.h>

namespace Hyx {

/// Keeps a plain layer of an unknown or refused class as it was stored.
class HYX_API DataLayerPlaceholder : public DataLayer {
public:
    /// A placeholder for layers of the given type GUID.
    explicit DataLayerPlaceholder(const VornCommon::Guid& typeGuid);
    ~DataLayerPlaceholder() override;

    /// The class info of every placeholder: "Unknown"/"Unknown".
    static DataLayerClassInfo TheDataLayerClassInfo();

    VornCommon::Guid TypeGuid() const override;
    DataLayerClassInfo GetDataLayerClassInfo() const override;
    /// Accepts any payload and any version without reading it.
    bool deserializeAndMigrate(uint8_t* data, uint32_t size) override;

private:
    VornCommon::Guid _typeGuid;
};

/// Keeps a compressed layer of an unknown or refused class, with its compression fields.
class HYX_API DataLayerCompressedPlaceholder : public DataTypeCompressedBlob {
public:
    /// A placeholder for compressed layers of the given type GUID.
    explicit DataLayerCompressedPlaceholder(const VornCommon::Guid& typeGuid);
    ~DataLayerCompressedPlaceholder() override;

    VornCommon::Guid TypeGuid() const override;
    DataLayerClassInfo GetDataLayerClassInfo() const override;
    /// Accepts any payload and any version without reading it.
    bool deserializeAndMigrate(uint8_t* data, uint32_t size) override;

private:
    VornCommon::Guid _typeGuid;
};

} // namespace Hyx
