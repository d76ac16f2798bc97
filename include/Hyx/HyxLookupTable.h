#pragma once

// In-memory index of a container: the GUID list that the index records point into, and the
// AtomInfo records of every stream in the order they were filed.
//
// Contract:
// - GUID indices count from 0 in the order of first use; a GUID is listed once. The list
//   holds at most 65,535 GUIDs (its stored count is 16 bits); asking for one more raises
//   std::length_error instead of wrapping.
// - Records are filed under stream id (id word & 63); streams are listed in order of first
//   appearance. Within a stream, frame n of every lookup is the n-th record filed.
// - A record whose frame number is below the number of records its stream already holds is
//   refused with std::logic_error("Frames in non-chronological order not (yet) supported.")
//   and the table is left unchanged.
// - Serialize writes the table record that ends a container file (S = 28 + 16 G + the sum
//   over streams of 6 + the sum over their entries of 29 + 14 L). An index that the record
//   cannot hold (an entry of more than 255 layers, a record of 4 GiB or more) gives no record.
// - Deserialize accepts only a whole, consistent record: leading and trailing S equal to the
//   length, both markers 5778, version 1, every count inside the record, every GUID index
//   below G, every entry of type 0 filed under its own stream in chronological order, no
//   stream listed twice, nothing left over. Anything else gives no table, never a partial one.
// - Not synchronised: one thread at a time.

#include <Hyx/AtomInfo.h>
#include <Hyx/Export.h>

#include <VornCommon/Guid.h>

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

namespace Hyx {

class SerializeToMemory;

/// The records of one stream, in filing order.
class HYX_API StreamFrames {
public:
    explicit StreamFrames(uint16_t streamId);
    virtual ~StreamFrames();

    uint16_t streamId; ///< stream id, 0-63
    std::vector<std::shared_ptr<AtomInfo>> atoms; ///< one per filed atom
};

/// Index of the atoms of a container.
class HYX_API HyxLookupTable {
public:
    /// Most GUIDs the list can hold.
    static constexpr uint32_t MAX_GUIDS = 0xFFFF;
    /// Most layer entries one atom entry can hold (its stored count is 8 bits).
    static constexpr uint32_t MAX_LAYERS_PER_ATOM = 0xFF;

    HyxLookupTable();
    virtual ~HyxLookupTable();

    /// Position of the GUID in the GUID list; an absent GUID is appended first.
    /// Throws std::length_error when the list is full.
    uint16_t GetGuidIndex(const VornCommon::Guid& guid);
    /// The GUID at a list position; throws std::out_of_range past the end.
    VornCommon::Guid GetGuid(uint16_t index) const;
    /// Number of GUIDs in the list.
    uint32_t GetGuidCount() const { return static_cast<uint32_t>(_guids.size()); }

    /// Files the record under its stream (see the contract for the order rule).
    void AddAtomInfo(std::shared_ptr<AtomInfo> info);
    /// Raises the non-chronological error when a record with this id word would be refused.
    void ThrowIfNotChronological(uint32_t id) const;

    /// The stream's records, empty when the stream is not in the table.
    std::shared_ptr<StreamFrames> FindStream(uint16_t streamId) const;
    /// Number of records of the stream, 0 when absent.
    uint32_t GetNumFrames(uint16_t streamId) const;
    /// The n-th record of the stream; empty when absent or n is out of range.
    std::shared_ptr<AtomInfo> GetAtomInfo(uint16_t streamId, uint32_t n) const;
    /// All streams in order of first appearance.
    const std::vector<std::shared_ptr<StreamFrames>>& GetStreams() const { return _streams; }
    /// The first stream of the list, empty when the table has none.
    std::shared_ptr<StreamFrames> GetFirstStream() const;

    /// The table record; size receives S. The bytes belong to the table and stay valid until
    /// the next Serialize or the table's end. Null (size 0) when the index cannot be stored.
    const uint8_t* Serialize(uint32_t& size);
    /// Parses a table record of exactly length bytes; empty unless it is well-formed (see
    /// the contract).
    static std::shared_ptr<HyxLookupTable> Deserialize(const uint8_t* bytes, uint32_t length);
    /// True when every entry lies inside a container whose atom records end at dataEnd:
    /// payloads start at 31 or later and end by dataEnd, every block lies inside its payload
    /// and is at least as large as the smallest blob block (45 bytes).
    bool FitsContainer(uint64_t dataEnd) const;

private:
    uint64_t recordSize() const;

    std::vector<VornCommon::Guid> _guids;
    std::unordered_map<VornCommon::Guid, uint16_t> _guidIndex; // same answers as a linear search
    std::vector<std::shared_ptr<StreamFrames>> _streams;
    std::shared_ptr<SerializeToMemory> _writer; // owns the bytes of the last Serialize
};

} // namespace Hyx
