#pragma once

// An atom: one record of a stream (usually one frame of one stream), made of an identity
// word (AtomId), a timestamp and an ordered list of data blocks, each holding one layer.
//
// Contract:
// - Copies share blocks, and through them layers: a change to a layer is seen through
//   every copy; adding or removing blocks on a copy leaves the source's list unchanged.
// - Identity fields are masked to their widths (see AtomId): frame numbers run from 0 to
//   4194303 (22 bits) and stream ids from 0 to 63 (6 bits). The constructors and setters cut
//   a larger value to its low bits without a word, so Atom(64, 4194309, t) is frame 5 of
//   stream 0: a host keeps its numbers in range. The calls that take a frame from a host
//   refuse one they can tell lies past the range (see SourceManual.h and SerializeToHyx.h).
// - Lookups scan the blocks from first to last and return empty results when nothing
//   matches; an empty argument pointer finds nothing.
// - Not synchronised: filled by one thread, then handed on; afterwards readers may share
//   it, and only a sole holder changes it.
// - Records: a filter's record of an atom (its last processed frame, see Filter.h) shares the
//   atom until the atom next changes or is destroyed. Every operation below that changes the
//   atom, assignment to it and its destruction first give the record the atom as it was.
//   Calls that leave the atom as it is (a removal that finds nothing, a setter given the
//   current value, an empty layer or block) leave the record shared. Copies of an atom never
//   take its record over.

#include <Hyx/AtomId.h>
#include <Hyx/DataBlock.h>
#include <Hyx/Export.h>
#include <Hyx/HyxErrorCode.h>

#include <VornCommon/Guid.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Hyx {

class AtomRecord;
class DataLayer;
class DataProfile;
class Profile;

class HYX_API Atom {
public:
    /// A frame atom (type 0) of that stream and frame; no blocks.
    Atom(uint32_t streamId, uint32_t frameNr, uint64_t timestamp);
    /// An atom with that identity word; no blocks.
    Atom(uint32_t id, uint64_t timestamp);
    /// Identity, timestamp and blocks (shared); not the record.
    Atom(const Atom& other);
    /// Takes identity, timestamp and blocks (shared); a change like any other.
    Atom& operator=(const Atom& other);
    virtual ~Atom();

    uint32_t GetId() const { return _id; }
    void SetId(uint32_t id) { setId(id); }
    AtomType GetAtomType() const { return static_cast<AtomType>(AtomId::GetAtomType(_id)); }
    uint16_t GetStreamId() const { return static_cast<uint16_t>(AtomId::GetStreamId(_id)); }
    /// Replaces the stream id, cut to 6 bits.
    void SetStreamId(uint16_t streamId) { setId(AtomId::SetStreamId(_id, streamId)); }
    uint32_t GetFrameNr() const { return AtomId::GetFrameNr(_id); }
    /// Replaces the frame number, cut to 22 bits; type and stream stay.
    void SetFrameNr(uint32_t frameNr) { setId(AtomId::SetFrame(_id, frameNr)); }
    uint64_t GetTimeStamp() const { return _timestamp; }
    void SetTimeStamp(uint64_t timestamp)
    {
        if (timestamp != _timestamp) {
            beforeChange();
            _timestamp = timestamp;
        }
    }

    /// "stream" + the own stream id in three zero-padded digits + "_".
    std::string GetStreamPrefix() const;
    /// "stream" + the stream id in three zero-padded digits + "_", e.g. "stream007_".
    static std::string GetStreamPrefix(uint16_t streamId);

    /// Wraps the layer in a new block (a compressed blob for a DataTypeCompressedBlob) and
    /// puts it before all blocks (front) or after them. An empty layer is ignored.
    void AddDataLayer(std::shared_ptr<DataLayer> layer, bool front = false);

    /// Appends a block as it is (the stream reader keeps each block's kind). An empty block
    /// is ignored.
    void AddDataBlock(std::shared_ptr<DataBlockBlob> block);

    /// All blocks, in order.
    std::vector<std::shared_ptr<DataBlockBlob>> GetAllDataBlocks() const;
    /// The layers of all blocks, in order.
    std::vector<std::shared_ptr<DataLayer>> GetAllDataLayers() const;
    /// Every layer of that type GUID, in order.
    std::vector<std::shared_ptr<DataLayer>> GetDataLayersByType(const VornCommon::Guid& type) const;
    /// The first (last false) or last layer of that type GUID.
    std::shared_ptr<DataLayer> GetDataLayerByType(const VornCommon::Guid& type, bool last) const;
    /// The first (last false) or last layer with that purpose and type GUID.
    std::shared_ptr<DataLayer> GetDataLayer(const VornCommon::Guid& purpose, const VornCommon::Guid& type,
                                            bool last) const;
    /// The last layer whose data profile matches: fulfils the wanted profile when its
    /// purpose is nil (nil GUIDs are wildcards), equals it otherwise. The flag selects
    /// nothing; the last match is always returned.
    std::shared_ptr<DataLayer> GetDataLayer(const std::shared_ptr<DataProfile>& wanted, bool last) const;
    /// GetDataLayer of the profile's last data profile of that type.
    std::shared_ptr<DataLayer> GetDataLayerByTypeForProfile(const VornCommon::Guid& type,
                                                            const std::shared_ptr<Profile>& profile) const;
    /// The first block whose layer's data profile equals the given one.
    std::shared_ptr<DataBlockBlob> GetDataBlock(const std::shared_ptr<DataProfile>& dataProfile) const;
    /// GetDataBlock of each data profile of the profile, in the profile's order, skipping
    /// those that find nothing.
    std::vector<std::shared_ptr<DataBlockBlob>> GetDataBlocks(const std::shared_ptr<Profile>& profile) const;
    /// GetDataLayer(data profile, true) of each data profile of the profile, in the
    /// profile's order, skipping those that find nothing.
    std::vector<std::shared_ptr<DataLayer>> GetDataLayers(const std::shared_ptr<Profile>& profile) const;

    /// Index of the first block holding this very layer object; -1 when none.
    int GetIndexOfDataLayer(const std::shared_ptr<DataLayer>& layer) const;
    /// Removes the first block holding this very layer object; its index, or -1.
    int RemoveDataLayer(const std::shared_ptr<DataLayer>& layer);
    /// Removes every block whose layer has that type GUID.
    void RemoveDataLayers(const VornCommon::Guid& type);
    /// Removes every block whose layer has that purpose and type GUID.
    void RemoveDataLayers(const VornCommon::Guid& purpose, const VornCommon::Guid& type);
    /// Removes every block whose layer has that type and for which the predicate holds; the
    /// predicate is called only for layers of that type (an empty one throws
    /// std::bad_function_call then).
    void RemoveDataLayers(const VornCommon::Guid& type,
                          const std::function<bool(std::shared_ptr<const DataLayer>)>& predicate);
    /// Removes all blocks.
    void RemoveAllDataLayers();
    /// Removes every block of that kind; always Success.
    HyxErrorCode Remove(DataType kind);

    /// A new profile, owned by the caller, with the data profile of every layer in order
    /// (duplicates once).
    Profile* GenerateProfile() const;
    /// Same block count and block i equal to block i for every i; identity and timestamp
    /// are not compared.
    bool Equals(const Atom* other) const;

    /// A new atom owned by the caller: the source's stream and timestamp, the source's
    /// frame (frameNr -1) or frameNr, type 0, and with withBlocks the source's blocks
    /// (shared). Null for a null source.
    static Atom* Copy(const Atom* source, int frameNr, bool withBlocks);
    /// The same as a shared atom.
    static std::shared_ptr<Atom> Copy(const std::shared_ptr<Atom>& source, int frameNr, bool withBlocks);
    /// A copy holding only the blocks whose layers the profile describes; empty when source
    /// or profile is empty.
    static std::shared_ptr<Atom> Copy(const std::shared_ptr<Atom>& source, const std::shared_ptr<Profile>& profile,
                                      int frameNr);
    /// Makes `copy` what that Copy returns, reusing its block storage: no allocation once it
    /// has held as many blocks. `copy` may be `source` itself; left as it was (its own frame,
    /// type 0, every block described), it keeps its record.
    static void CopyInto(Atom& copy, const Atom& source, const Profile& profile, int frameNr);

private:
    friend class AtomRecord;

    /// The identity word of a copy: the source's stream, the chosen frame, type 0.
    static uint32_t copyId(const Atom& source, int frameNr);
    /// CopyInto of an atom into itself.
    static void copyIntoItself(Atom& atom, const Profile& profile, int frameNr);
    void setId(uint32_t id)
    {
        if (id != _id) {
            beforeChange();
            _id = id;
        }
    }
    /// Called by every change before it changes anything: a record still standing for the
    /// atom gets its copy of the atom first.
    void beforeChange()
    {
        if (_recordObject.load(std::memory_order_relaxed) != nullptr)
            releaseRecord(false);
    }
    /// Fills the record from the atom (moving the blocks when the atom is dying) unless nobody
    /// else holds it, and lets it go.
    void releaseRecord(bool dying);
    /// Removes every block that matches, after beforeChange when there is one.
    template <class Match>
    void removeBlocks(Match matches);

    std::vector<std::shared_ptr<DataBlockBlob>> _blocks;
    uint64_t _timestamp;
    uint32_t _id;
    // The record standing for the atom as it is (see AtomRecord), shared by every filter that
    // recorded it since it last changed; empty when there is none.
    std::shared_ptr<AtomRecord> _record;
    // _record's object, published once _record is set: the atom's holders look for a record
    // without a lock, and two threads recording a shared atom find one record.
    std::atomic<AtomRecord*> _recordObject{nullptr};
};

} // namespace Hyx
