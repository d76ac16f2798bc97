#pragma once

// Writer of the binary atom stream into a growable byte buffer.
//
// Contract:
// - Numbers are little-endian and unaligned; GUIDs are their 16-byte raw form; strings carry
//   no terminating zero. Every pack_ primitive appends to the buffer (pack_uint32 with a
//   position overwrites in place).
// - Positions (GetPackedDataSize, back-patch positions) are relative to the current buffer;
//   GetFlushedDataSize counts the bytes already handed to the flush hook, so a stream
//   position is GetFlushedDataSize() + buffer position.
// - pack_atom appends one whole atom record or nothing: a null atom, a block without a layer,
//   a record that would not fit the 32-bit size fields or a string longer than its length
//   field leave the buffer as it was and return 36 (FailedToPackAtom). With a lookup table,
//   a frame out of chronological order raises the table's std::logic_error before anything
//   is written, and an atom the table cannot index (more than 255 blocks, or a GUID beyond
//   the 65,535 the table can list) is refused with 36.
// - A subclass whose output may have taken part of a flush stops the stream (stopStream):
//   from then on both pack_atom forms return 35 (FailedToWriteToFile) and append nothing,
//   since no later record could stand at a known stream position.
// - Flush hands the buffer to onFlush. On success the buffer is emptied (its capacity kept)
//   and its bytes count as flushed; on failure the bytes stay in the buffer, are not
//   counted, and Flush returns false. Flush only between atoms.
// - A writer need not be owned by a shared pointer; blocks receive a shared reference to it
//   that is only valid during the call.
// - Not synchronised: one thread at a time.

#include <Hyx/Export.h>
#include <Hyx/FlatMemory.h>
#include <Hyx/HYXFormatVersion.h>
#include <Hyx/HyxErrorCode.h>

#include <VornCommon/Guid.h>

#include <cstdint>
#include <memory>
#include <string>

namespace Hyx {

class Atom;
class AtomInfo;
class DataLayer;
class HyxLookupTable;

/// Appends atom records to a byte buffer.
class HYX_API SerializeToMemory : public std::enable_shared_from_this<SerializeToMemory> {
public:
    /// Writes into the given buffer, or into a new empty one.
    explicit SerializeToMemory(HYXFormatVersion version = HYX_FORMAT_VERSION_2000,
                               std::shared_ptr<FlatMemoryUInt8> buffer = {});
    virtual ~SerializeToMemory();

    SerializeToMemory(const SerializeToMemory&) = delete;
    SerializeToMemory& operator=(const SerializeToMemory&) = delete;

    /// Appends one atom record (no stream header). Returns 0, 36 when refused, 35 once the
    /// stream is stopped.
    virtual HyxErrorCode pack_atom(std::shared_ptr<Atom> atom);
    /// Appends one atom record and, with a table, files its AtomInfo there. Returns 0, 36 or
    /// 35 as the one-argument form; the table's order error passes to the caller with
    /// nothing written.
    HyxErrorCode pack_atom(std::shared_ptr<Atom> atom, std::shared_ptr<HyxLookupTable> table);
    /// Bytes now in the buffer.
    virtual uint32_t GetPackedDataSize() const;
    /// The bytes now in the buffer (null when it holds no storage).
    uint8_t* GetPackedDataPtr() const;
    /// Bytes handed to the flush hook so far.
    uint64_t GetFlushedDataSize() const { return _flushed; }
    /// The format version written by pack_hyxheader.
    HYXFormatVersion GetHyxFormatVersion() const { return _version; }
    /// The output buffer (shared).
    std::shared_ptr<FlatMemoryUInt8> GetBuffer() const { return _buffer; }

    /// Appends the 15-byte stream header with this writer's format version.
    void pack_hyxheader() const;
    /// Appends a blob body: purpose, type, u16 0, version, [compression fields], size, payload.
    /// Throws std::invalid_argument for a null layer and std::length_error when the body would
    /// not fit the buffer's 32-bit size.
    void pack_blobData(std::shared_ptr<DataLayer> layer) const;

    /// Hands the buffer to onFlush; see the contract.
    bool Flush();

    // Primitives: each appends the value's little-endian bytes.
    void pack_bool(const bool& value) const;
    void pack_uint8(const unsigned char& value) const;
    void pack_uint8_(unsigned char value) const;
    void pack_int16(short value) const;
    void pack_uint16(unsigned short value) const;
    /// The value's three low bytes, lowest first.
    void pack_uint24(unsigned int value) const;
    void pack_int32(const int& value) const;
    void pack_uint32(unsigned int value) const;
    void pack_float(const float& value) const;
    void pack_int64(const long long& value) const;
    void pack_uint64(const unsigned long long& value) const;
    void pack_uint64_(unsigned long long value) const;
    void pack_double(const double& value) const;
    /// Two, three or four floats from the pointer.
    void pack_float2(const float* values) const;
    void pack_float3(const float* values) const;
    void pack_float4(const float* values) const;
    /// The GUID's 16 raw bytes.
    void pack_guid(const VornCommon::Guid& guid) const;
    /// Optional u32 element count, then n bytes.
    void pack_array(const unsigned char* data, unsigned int n, bool withCount) const;
    /// Optional u32 element count, then the elements.
    void pack_uint16array(const unsigned short* data, unsigned int n, bool withCount) const;
    void pack_floatarray(const float* data, unsigned int n, bool withCount) const;
    void pack_uint32array(const unsigned int* data, unsigned int n, bool withCount) const;
    void pack_doublearray(const double* data, unsigned int n, bool withCount) const;
    /// The string's bytes without length.
    void pack_string(const std::string& text) const;
    /// u8, u16 or u32 length, then the bytes. A string longer than its length field can count
    /// raises std::length_error and appends nothing.
    void pack_shortstring(const std::string& text) const;
    void pack_normalstring(const std::string& text) const;
    void pack_longstring(const std::string& text) const;
    /// Overwrites 4 bytes at a buffer position; std::out_of_range when they are not all inside.
    void pack_uint32(const unsigned int& value, unsigned int position) const;

protected:
    /// Flush hook: receives the buffer's bytes; true when they were taken. Base: true.
    virtual bool onFlush();

    /// Cuts the buffer back to size bytes, keeping what lies before.
    void truncateBuffer(uint32_t size) const;

    /// Ends the stream for good: every later atom is refused with 35. For subclasses whose
    /// flush failed after its output may have taken part of the bytes.
    void stopStream() { _stopped = true; }
    /// True once stopStream was called.
    bool streamStopped() const { return _stopped; }

private:
    void append(const void* data, uint64_t n) const;
    void appendArray(const void* data, unsigned int n, unsigned int elementSize, bool withCount) const;
    template <class Length>
    void appendCountedString(const std::string& text) const;
    HyxErrorCode packRecord(const std::shared_ptr<Atom>& atom);
    std::shared_ptr<AtomInfo> indexRecord(const Atom& atom, uint32_t start, HyxLookupTable& table) const;

    HYXFormatVersion _version;
    std::shared_ptr<FlatMemoryUInt8> _buffer;
    uint64_t _flushed = 0;
    bool _stopped = false;
};

} // namespace Hyx
