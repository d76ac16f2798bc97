#pragma once

// Layer that carries whole files: a list of named byte blobs, addressed by index or by
// lower-case name, added from memory or from files and exported back to files.
//
// Payload version 0: u8 count, then per entry the name + NUL, u32 size and the size bytes.
// An empty layer has an empty payload.
//
// Contract:
// - The blobs point into the payload and copy nothing; they stay valid until the next
//   change of the layer. Names are lower case in memory; loading keeps the payload as given.
// - Loading stops at the first entry field that does not fit: that entry and all later ones
//   keep an empty name, size 0 (a size that was read is kept) and a null pointer. Truncated
//   payloads never fail; versions other than 0 are refused.
// - Every change rewrites the payload from the entries into a new buffer; sources may be this
//   layer's own blobs. An entry without bytes is written with size 0.
// - At most 255 entries and a payload below 4 GiB: AddBinaryData and CopyValuesFrom throw
//   std::length_error beyond them, AddFile returns false. Indexes outside the list give
//   empty results and change nothing.
// - Export writes only inside the given folder: a name that is empty, "." or "..", or holds
//   a path separator, is refused. A failed write is reported as a failure.
// - Used by one thread at a time (see DataLayer).

#include <Hyx/DataLayer.h>
#include <Hyx/Export.h>

#include <VornCommon/Guid.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace Hyx {

class DataTypeBinary;

/// One named blob of a DataTypeBinary layer.
class HYX_API BinaryData {
public:
    /// Null pointer, size 0, empty name.
    BinaryData();
    virtual ~BinaryData();

    /// The bytes inside the owning layer's payload, or null.
    uint8_t* GetDataPtr() const { return _data; }
    uint32_t GetSizeInBytes() const { return _size; }
    std::string GetName() const { return _name; }

private:
    friend class DataTypeBinary;

    uint8_t* _data = nullptr;
    uint32_t _size = 0;
    std::string _name;
};

/// A list of named blobs (embedded files).
class HYX_API DataTypeBinary : public DataLayer {
public:
    static constexpr uint16_t CLASS_VERSION = 0;
    /// The most entries the one-byte count can describe.
    static constexpr size_t MAX_ENTRIES = 255;

    /// No entries, empty payload.
    DataTypeBinary();
    ~DataTypeBinary() override;

    /// 11DF544A-FFC9-4D0E-9982-ECD9698F6142.
    static VornCommon::Guid TheTypeGuid();
    /// "DataTypeBinary" / "Binary".
    static DataLayerClassInfo TheDataLayerClassInfo();
    VornCommon::Guid TypeGuid() const override;
    DataLayerClassInfo GetDataLayerClassInfo() const override;

    int NumBinData() const { return int(_entries.size()); }
    /// The entry at index: its name ("" outside the list), bytes (null), size (0), blob (empty).
    std::string GetName(int index) const;
    uint8_t* GetData(int index) const;
    uint32_t SizeInBytes(int index) const;
    std::shared_ptr<BinaryData> GetBinaryData(int index) const;
    /// The blobs and their names in entry order.
    std::deque<std::shared_ptr<BinaryData>> GetBinaryDatas() const { return _entries; }
    std::deque<std::string> GetFileNames() const;
    /// Index of the first entry with the lowered name; -1 when none (or for null).
    int GetIndexByName(const char* name) const;

    /// Appends an entry with the lowered name and a copy of size bytes from data; with replace
    /// the first entry of that name is removed first. Throws std::invalid_argument for null
    /// data with a size.
    void AddBinaryData(const char* name, const uint8_t* data, uint32_t size, bool replace);
    /// Replaces the first entry of the blob's name (or appends) with a copy of the blob;
    /// nothing for a null blob.
    void AddBinaryData(const std::shared_ptr<BinaryData>& blob);
    /// Appends the whole file as an entry named name, or the path's file name when name is
    /// null. False, with the layer unchanged, when the file cannot be read whole or the entry
    /// does not fit the limits.
    bool AddFile(const char* path, const char* name);
    /// Writes the entry at index to folder/(prefix + name), creating the folder when needed.
    /// False for an index outside the list, an entry without bytes, a hostile name, or a file
    /// that cannot be written whole.
    bool SaveToFile(int index, const char* folder, const char* prefix, bool verbose) const;
    /// SaveToFile for every entry, going on after failures.
    void ExportFiles(const char* folder, const char* prefix, bool verbose) const;
    /// Removes the entry at index; nothing outside the list.
    void RemoveBinaryData(int index);
    /// Removes the first entry with the lowered name; nothing when none.
    void RemoveBinaryData(const char* name);
    /// Makes this layer's entries copies of the other layer's, all of them in order; nothing
    /// for a null layer.
    void CopyValuesFrom(const std::shared_ptr<DataTypeBinary>& other);

    /// Base text, then ", Name_<i>=<name>, SizeInBytes_<i>=<size>" for i from 1.
    std::string ToString(bool friendly) const override;

protected:
    void onUpdateStatusProperties() override;
    bool deserializeAndMigrate(uint8_t* data, uint32_t size) override;

private:
    /// An entry to write: lower-case name and size bytes at data (size 0 without data).
    struct Entry {
        std::string name;
        const uint8_t* data;
        uint32_t size;
    };

    std::vector<Entry> currentEntries() const;
    /// Writes the entries into a new payload and re-reads them; the old payload stays alive
    /// until the copy is done.
    void writeEntries(const std::vector<Entry>& entries);

    std::deque<std::shared_ptr<BinaryData>> _entries;
};

/// A new DataTypeBinary that the caller owns.
HYX_API DataLayer* DataTypeBinaryDataLayerCreator();

} // namespace Hyx
