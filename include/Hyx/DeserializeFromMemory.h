#pragma once

// Reader of the binary atom stream from a byte buffer.
//
// Contract:
// - The reader never reads past the end of its buffer and never loops forever. Every
//   primitive checks what remains first: a read that does not fit returns 0 (an empty text,
//   the nil GUID, a null pointer, false) and leaves the cursor where it was.
// - unpack_atom returns a whole atom or an empty pointer, never a partial atom. A record
//   size below 16 or beyond what remains, a block size below 5 or beyond its atom, or a
//   blob body that does not fit its block make it return empty and log at level 2. A record
//   that cannot be framed moves the cursor to the end of the buffer; a framed record with a
//   bad block moves it past that record.
// - After each block the cursor stands at the block's start plus its size, after each atom at
//   the record's start plus its size, whatever the layers read.
// - Layers of unregistered types, and payloads their class refuses, become placeholders that
//   keep type, purpose, version, compression fields and bytes, so writing the atom again
//   gives the same block bytes. A kind-1 block always carries the compression fields; a
//   kind-0 block carries them when its type is a registered compressed class.
// - Block reading needs format version 2000; other versions raise std::runtime_error("HYX
//   version not supported"). A block kind other than 0 and 1 raises std::logic_error
//   ("DataBlock::Deserialize: data-type not supported."). Both leave the cursor past the atom.
// - The reader's buffer may borrow caller memory (setPackedDataWithoutResponsibilityToDelete);
//   the memory must outlive the reads. Layers always own copies of their payloads.
// - Not synchronised: one thread at a time.

#include <Hyx/DataBlock.h>
#include <Hyx/Export.h>
#include <Hyx/FlatMemory.h>
#include <Hyx/HYXFormatVersion.h>

#include <VornCommon/Guid.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Hyx {

class Atom;
class DataLayer;

/// Reads atom records from a byte buffer through a cursor.
class HYX_API DeserializeFromMemory {
public:
    /// Empty buffer, cursor 0, format version 2000 (atoms can be read without a header).
    DeserializeFromMemory();
    virtual ~DeserializeFromMemory();

    DeserializeFromMemory(const DeserializeFromMemory&) = delete;
    DeserializeFromMemory& operator=(const DeserializeFromMemory&) = delete;

    /// Reads the stream header; true for the magic "HYX_Quorel" (exact, case-sensitive) with
    /// version 2000. The version read is kept even when refused.
    virtual bool unpack_hyxheader();
    /// Sets the format version; true only for 2000.
    bool SetHyxFormatVersion(HYXFormatVersion version);
    /// The format version now set.
    HYXFormatVersion GetHyxFormatVersion() const { return _version; }

    /// Reads one whole atom record at the cursor; empty when malformed (see the contract).
    std::shared_ptr<Atom> unpack_atom();
    /// Reads an atom header; returns the record size (0, with nothing consumed, when fewer
    /// than 16 bytes remain).
    uint32_t unpack_atomheader(unsigned int& id, unsigned long long& timestamp);
    /// Reads the blocksSize bytes of blocks of an atom whose header was read already.
    std::shared_ptr<Atom> unpack_atom_withoutHeader(unsigned int id, unsigned long long timestamp,
                                                    unsigned int blocksSize);
    /// Reads a block header; returns the block size (0 when fewer than 5 bytes remain).
    /// Throws for a format version other than 2000.
    uint32_t unpack_dataheader(unsigned char& dataType);
    /// Reads one blob body of at most size bytes; empty when it does not fit. Compression
    /// fields are read when the type is a registered compressed class.
    std::shared_ptr<DataLayer> unpack_blobData(unsigned int size);
    /// The same for a body of a block of the given kind: a compressed-blob body always
    /// carries the compression fields and always gives a compressed layer.
    std::shared_ptr<DataLayer> unpack_blobData(unsigned int size, DataType kind);

    /// Advances the cursor, stopping at the end of the buffer.
    void SeekForwards(unsigned int n);
    /// Resizes the buffer to n bytes (contents undefined after growth), cursor 0; returns the
    /// bytes to fill.
    uint8_t* allocateSizeForPackedData(unsigned int n);
    /// Makes the buffer borrow the caller's n bytes, cursor 0.
    void setPackedDataWithoutResponsibilityToDelete(unsigned char* data, unsigned int n);
    /// Bytes from the cursor to the end, 0 when the cursor is at or past the end.
    uint32_t GetRemainingDataSize() const;
    /// The cursor.
    uint32_t GetReaderPos() const { return _cursor; }
    /// The input buffer (shared).
    std::shared_ptr<FlatMemoryUInt8> GetBuffer() const { return _buffer; }

    // Primitives: little-endian values at the cursor; see the contract for shortfalls.
    bool unpack_bool();
    unsigned char unpack_uint8();
    short unpack_int16();
    unsigned short unpack_uint16();
    int unpack_int32();
    unsigned int unpack_uint32();
    float unpack_float();
    long long unpack_int64();
    unsigned long long unpack_uint64();
    double unpack_double();
    /// Two, three or four floats; the vector is resized to that count (zeros on shortfall).
    bool unpack_float2(std::vector<float>* values);
    bool unpack_float3(std::vector<float>* values);
    bool unpack_float4(std::vector<float>* values);
    /// 16 raw bytes as a GUID (nil on shortfall).
    bool unpack_guid(VornCommon::Guid& guid);
    /// 16 raw bytes copied to the caller.
    bool unpack_guid(unsigned char* raw);
    /// u32 count, then a pointer to that many bytes inside the buffer (no copy). Null and n 0
    /// when they do not fit, or when the count is 0.
    unsigned char* unpack_array(unsigned int& n);
    /// u32 count, then the bytes; the vector holds exactly them (empty on shortfall).
    bool unpack_array(std::vector<unsigned char>* bytes);
    /// n bytes without a count.
    bool unpack_array(std::vector<unsigned char>* bytes, unsigned int n);
    bool unpack_array(unsigned char* bytes, unsigned int n);
    /// n elements without a count.
    bool unpack_uint16array(unsigned short* values, unsigned int n);
    bool unpack_floatarray(float* values, unsigned int n);
    bool unpack_uint32_tarray(unsigned int* values, unsigned int n);
    /// n bytes as text.
    bool unpack_string(std::string* text, unsigned int n);
    /// u8, u16 or u32 length, then the bytes.
    bool unpack_shortstring(std::string* text);
    bool unpack_normalstring(std::string* text);
    bool unpack_longstring(std::string* text);

protected:
    /// Points the cursor at a buffer position (used by subclasses that refill the buffer).
    void setCursor(uint32_t position) { _cursor = position; }

private:
    bool fits(uint64_t n) const { return n <= GetRemainingDataSize(); }
    bool take(void* out, uint32_t n);
    template <class T>
    T takeValue();
    uint32_t readU32At(uint32_t position) const;
    std::shared_ptr<DataLayer> readBlob(uint32_t size, std::optional<DataType> kind);
    void checkBlockVersion() const;

    uint32_t _cursor = 0;
    std::shared_ptr<FlatMemoryUInt8> _buffer;
    HYXFormatVersion _version = HYX_FORMAT_VERSION_2000;
    uint32_t _blockHeaderSize = HYX_BLOCK_HEADER_SIZE;
};

} // namespace Hyx
