#pragma once

// Index records that a container writer collects while it packs atoms.
//
// Contract:
// - AtomInfo describes one atom record of a stream: where its blocks start (counted from the
//   start of the stream, header included), how many bytes they take, and one LayerInfo per
//   block in block order.
// - LayerInfo describes one block record: its offset from the atom's payload offset, its own
//   size field, and the positions of its purpose, type and (kind 1 only) source type GUIDs in
//   the lookup table's GUID list.
// - Plain value records: the fields are public and the lookup table reads them directly.

#include <Hyx/AtomId.h>
#include <Hyx/Export.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace Hyx {

/// Index record of one block record.
class HYX_API LayerInfo {
public:
    /// A record of the given offset (from the atom's payload offset), block size and indices.
    LayerInfo(uint32_t offset, uint32_t size, uint16_t purposeIndex, uint16_t typeIndex, uint16_t compressedTypeIndex);
    virtual ~LayerInfo();

    uint32_t offset; ///< block offset from the atom's payload offset
    uint32_t size; ///< the block's size field, header included
    uint16_t purposeIndex; ///< purpose GUID in the table's GUID list
    uint16_t typeIndex; ///< type GUID in the table's GUID list
    uint16_t compressedTypeIndex; ///< source type GUID of a kind-1 block, else 0
};

/// Index record of one atom record.
class HYX_API AtomInfo {
public:
    /// A record with an empty layer list.
    AtomInfo(uint32_t id, uint64_t timestamp, uint64_t payloadOffset, uint32_t payloadSize, uint32_t segmentId);
    virtual ~AtomInfo();

    /// The atom id word.
    uint32_t GetId() const { return id; }
    /// Atom type (bits 28-31 of the id word): 0 frame, 1 lookup table.
    AtomType GetAtomType() const { return static_cast<AtomType>(id >> 28); }
    /// Frame number (bits 6-27 of the id word).
    uint32_t GetFrame() const { return (id >> 6) & 0x3FFFFFu; }
    /// Stream id (bits 0-5 of the id word).
    uint16_t GetStreamId() const { return static_cast<uint16_t>(id & 63u); }
    /// The atom's timestamp.
    uint64_t GetTimeStamp() const { return timestamp; }

    uint64_t payloadOffset; ///< stream position of the first block
    uint32_t payloadSize; ///< record size minus its 16-byte header
    std::vector<std::shared_ptr<LayerInfo>> layers; ///< one per block, in block order
    uint32_t segmentId; ///< segment of the atom, 0 when none
    uint32_t id; ///< atom id word
    uint64_t timestamp; ///< atom timestamp
};

} // namespace Hyx
