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
// - Not synchronised: one thread at a time.

#include <Hyx/AtomInfo.h>
#include <Hyx/Export.h>

#include <VornCommon/Guid.h>

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

namespace Hyx {

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

private:
    std::vector<VornCommon::Guid> _guids;
    std::unordered_map<VornCommon::Guid, uint16_t> _guidIndex; // same answers as a linear search
    std::vector<std::shared_ptr<StreamFrames>> _streams;
};

} // namespace Hyx
