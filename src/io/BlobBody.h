#pragma once
// The blob body of a block record, read in two steps so that its payload can come from
// wherever it lies: the head (GUIDs, version, compression fields, payload size) makes the
// layer, then the payload is copied into the layer or handed over to it.
//
// Contract:
// - ReadHead checks the body's size fields before anything is trusted: the head must fit the
//   body, and the payload the rest of it. Only the head's bytes are read.
// - The layer is the registered class of the type GUID, or a placeholder when there is none
//   or the class cannot keep the block's compression fields; a class that refuses its
//   payload is replaced by a placeholder holding the bytes as stored.

#include <Hyx/DataBlock.h>

#include <VornCommon/Guid.h>

#include <cstdint>
#include <memory>
#include <optional>

namespace Hyx {

class DataLayer;

/// One blob body: its head, then its payload.
class BlobBody {
public:
    /// Reads the head of a body of bodySize bytes from the first headBytes of them at body;
    /// kind is the block's kind (none: the layer class decides whether compression fields
    /// follow). False when the sizes do not frame, with a level-2 log line when log is set,
    /// and also (silently) when the head runs past headBytes.
    bool ReadHead(const uint8_t* body, uint32_t headBytes, uint32_t bodySize, std::optional<DataType> kind, bool log);
    /// Where the payload starts, counted from the body's start.
    uint32_t PayloadOffset() const { return _payloadOffset; }
    /// Bytes of payload.
    uint32_t PayloadSize() const { return _payloadSize; }

    /// The layer with a copy of the PayloadSize() bytes at payload.
    std::shared_ptr<DataLayer> LoadCopy(const uint8_t* payload);
    /// The layer owning the PayloadSize() bytes that lie payloadAt bytes into block (from
    /// new[]), or empty when its class refuses them: the bytes are then gone, and the caller
    /// reads them again for MakePlaceholder.
    std::shared_ptr<DataLayer> LoadOwned(std::unique_ptr<uint8_t[]> block, uint32_t payloadAt);
    /// A placeholder for this body's type, purpose, version and compression fields.
    std::shared_ptr<DataLayer> MakePlaceholder() const;

private:
    std::shared_ptr<DataLayer> _layer;
    VornCommon::Guid _purpose, _type, _sourceType;
    uint16_t _version = 0, _sourceVersion = 0;
    uint8_t _compressionType = 0;
    bool _hasFields = false;
    uint32_t _payloadOffset = 0, _payloadSize = 0;
};

} // namespace Hyx
