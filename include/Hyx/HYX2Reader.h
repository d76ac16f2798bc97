#pragma once

// Readers of container files: HYX2Reader over a container image in memory, ReadHYX2File
// over a file on disk. Both find the lookup table on first use (or rebuild it by walking
// the atom records) and then read any frame of any stream straight from its byte range.
//
// Contract:
// - Frames are addressed by position: frame n of a stream is the n-th atom indexed for it,
//   whatever frame number its id word holds (frames 0, 2, 5 are reached as 0, 1, 2).
// - Initialize (run by every query) reads the header from the start of the source, then uses
//   the stored table when it is well-formed and every entry lies inside the container;
//   otherwise it walks the records. Results: 0; 34 when a read fails or comes back short;
//   46 when the source is not usable; 47 for a wrong header. After any of these codes
//   nothing is kept and the next call starts over. After success the index never changes.
// - A refused header logs one line at level 2 per reader, naming the file ("Container file
//   '<path>'", or "Container in memory") and the cause: too short for a header, not a
//   container (its first bytes are not the header), or an unsupported format version.
// - The walk indexes every complete atom record. A record that runs past the end of the
//   source, or one whose size is below 16, ends the walk: that tail is ignored with a
//   level-3 log line, so a file whose writing was cut off opens with its complete frames.
//   A record whose blocks do not frame is indexed with the blocks before the bad one.
// - Logic errors reach the caller of the query that initialises and leave the reader
//   permanently invalid (46): "Unknown Atom Type." for a record of type 2 or more,
//   "Frames in non-chronological order not (yet) supported." for frames out of order.
// - Every read is checked against the source; nothing is read outside it. GetFrameAtom
//   checks the record header against the table entry and returns a whole atom or nothing.
//   Queries on a reader that cannot initialise return empty pointers or 0. A block kind
//   other than 0 and 1 raises the stream reader's std::logic_error ("DataBlock::Deserialize:
//   data-type not supported.").
// - Frame and layer reads copy each payload byte once: each block is read straight into a
//   buffer whose payload its layer then owns (for a file, one positioned system call). A
//   record not laid out as its entry implies is read whole and parsed as the stream reader
//   does.
// - The memory reader borrows the caller's bytes: they must stay alive and unchanged while
//   the reader is used.
// - Not synchronised: one thread at a time.

#include <Hyx/DeserializeFromMemory.h>
#include <Hyx/Export.h>
#include <Hyx/HyxErrorCode.h>

#include <VornCommon/FileHelper.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Hyx {

class Atom;
class AtomInfo;
class DataBlockBlob;
class DataLayer;
class HyxLookupTable;
class LayerInfo;

/// Reader of a container held in memory.
class HYX_API HYX2Reader : public DeserializeFromMemory {
public:
    /// A reader over the caller's size bytes (borrowed, not copied).
    HYX2Reader(const uint8_t* bytes, uint32_t size);
    ~HYX2Reader() override;

    /// Finds or builds the index once; see the contract for the codes.
    HyxErrorCode Initialize();
    /// True after a successful Initialize (does not initialise).
    bool IsValid() const { return _valid; }

    /// The frame-th atom of the stream (by position); empty when there is none or it does
    /// not read.
    std::shared_ptr<Atom> GetFrameAtom(uint16_t streamId, uint32_t frame);
    /// GetFrameAtom(streamId, 0).
    std::shared_ptr<Atom> GetFirstFrameAtom(uint16_t streamId);
    /// Number of atoms of the stream; 0 when it is absent.
    uint32_t GetNumFrames(uint16_t streamId);
    /// Number of streams.
    int GetNumStreams();
    /// Id of the first stream (in order of first appearance); 0 when there is none.
    uint16_t GetFirstStreamId();
    /// Id of the stream at that position of the stream list; 0 outside the list.
    uint16_t GetStreamId(int index);
    /// The layer of one indexed block of the atom whose payload starts at payloadOffset (a
    /// compressed layer stays compressed); empty when it does not read.
    std::shared_ptr<DataLayer> ReadDataLayer(uint64_t payloadOffset, const std::shared_ptr<LayerInfo>& layer);

protected:
    /// For subclasses that fill the buffer from elsewhere.
    HYX2Reader();

    /// Whether the source can be read: 0 here.
    virtual HyxErrorCode onInitialize();
    /// Moves to a source position and returns the position reached.
    virtual uint64_t seekAbsolute(uint64_t position);
    /// Makes count bytes from the current position readable at the cursor; 34 when they are
    /// not all inside the source or the read fails.
    virtual HyxErrorCode readFromSource(uint32_t count);
    /// Copies the source bytes from position on into the targets, one after the other; 34
    /// when they are not all inside the source or the read fails. Here through readAt.
    virtual HyxErrorCode readScattered(uint64_t position, const VornCommon::FileHelper::ReadTarget* targets,
                                       size_t count);

    uint64_t _sourceSize = 0; ///< bytes of the container
    std::string _path; ///< the file's path; empty for a container in memory
    std::shared_ptr<HyxLookupTable> _table; ///< empty until found or built
    bool _valid = false;

private:
    enum class HeaderRefusal {
        TooShort,
        Unreadable,
        NotContainer,
        Version
    };

    HyxErrorCode readAt(uint64_t position, uint32_t count);
    /// One level-2 line per reader naming the container and why its header was refused.
    HYX_INTERNAL void logHeaderRefusal(HeaderRefusal why, unsigned long long value = 0);
    std::shared_ptr<HyxLookupTable> findStoredTable();
    HyxErrorCode walkRecords();
    bool indexBlocks(uint64_t payloadOffset, AtomInfo& info);
    std::shared_ptr<Atom> readWholeRecord(const AtomInfo& info);
    std::shared_ptr<Atom> readPayloadsInPlace(const AtomInfo& info);
    void planBlock(const LayerInfo& layer, uint32_t leading);
    std::shared_ptr<DataBlockBlob> loadBlock(const LayerInfo& layer, uint64_t position,
                                             std::unique_ptr<uint8_t[]> bytes, uint32_t leading);

    // Reused by every frame read: where each piece of the record goes, and the buffers (one a
    // block, each with the block's head before the payload) whose payloads the layers take over.
    std::vector<VornCommon::FileHelper::ReadTarget> _targets;
    std::vector<std::unique_ptr<uint8_t[]>> _blocks;
    bool _headerRefusalLogged = false;
};

/// Reader of a container file.
class HYX_API ReadHYX2File : public HYX2Reader {
public:
    /// Opens the file read-only; a file that cannot be opened logs "ReadHYX2File::
    /// ReadHYX2File(): Invalid file '<path>' (<cause>)" at level 2, the cause being "No such
    /// file", "Is a folder" or "Cannot be read", and every query then fails (46).
    explicit ReadHYX2File(const char* path);
    ~ReadHYX2File() override;

    /// The path as given.
    std::string GetFilePath() const { return _path; }

protected:
    /// 46 for an empty path, a path that is just ".hyx" (any case), or a file not open.
    HyxErrorCode onInitialize() override;
    uint64_t seekAbsolute(uint64_t position) override;
    HyxErrorCode readFromSource(uint32_t count) override;
    /// One positioned system call for all targets.
    HyxErrorCode readScattered(uint64_t position, const VornCommon::FileHelper::ReadTarget* targets,
                               size_t count) override;

    int _file = -1;

private:
    uint64_t _position = 0; // where the next read starts
};

} // namespace Hyx
