#pragma once

// Data blocks: the entries of an atom. A plain blob holds a data layer, a compressed blob a
// compressed layer (DataTypeCompressedBlob). Blocks are shared between copies of an atom.
// The binary atom stream writes and reads them through the onSerialize/onDeserialize hooks.
//
// Contract:
// - The kind never changes after construction.
// - A blob made without a layer (for the stream reader to fill) compares equal only to
//   another blob without a layer and prints as "".
// - Not synchronised: see Atom.

#include <Hyx/Export.h>

#include <cstdint>
#include <memory>
#include <string>

namespace Hyx {

class DataLayer;
class DataTypeCompressedBlob;
class SerializeToMemory;
class DeserializeFromMemory;

/// The kind of a data block; one byte in the binary atom stream.
enum class DataType : uint8_t {
    Blob = 0,
    CompressedBlob = 1,
};

/// "Blob", "CompressedBlob", or "Unknown" for any other value.
HYX_API const char* GetDataTypeName(DataType kind);

class HYX_API DataBlock {
public:
    virtual ~DataBlock();

    /// Text of the block's content; "" here.
    virtual std::string ToString(bool friendly) const;
    /// True when the other block is of the same kind.
    virtual bool Equals(const DataBlock* other) const;

    /// Appends the block record (u32 size, u8 kind, body from onSerialize) to the writer.
    void Serialize(std::shared_ptr<SerializeToMemory> writer);
    /// Reads a block body of that kind at the reader's cursor; empty when the body does not
    /// read. Throws std::logic_error "DataBlock::Deserialize: data-type not supported." for a
    /// kind other than Blob and CompressedBlob.
    static std::shared_ptr<DataBlock> Deserialize(DeserializeFromMemory* reader, uint32_t bodySize, DataType kind);

    /// The kind.
    DataType GetDataType() const { return _dataType; }
    /// "Blob" or "CompressedBlob".
    std::string GetDataTypeName() const { return Hyx::GetDataTypeName(_dataType); }

protected:
    explicit DataBlock(DataType kind) : _dataType(kind) {}

    /// Appends the block's record; throws std::runtime_error "Serialization not supported."
    /// here.
    virtual void onSerialize(std::shared_ptr<SerializeToMemory> writer);
    /// Reads the block's body; throws std::runtime_error "De-serialization not supported."
    /// here.
    virtual bool onDeserialize(DeserializeFromMemory* reader, uint32_t size);

    DataType _dataType;
};

class HYX_API DataBlockBlob : public DataBlock {
public:
    /// A block of that kind without a layer.
    explicit DataBlockBlob(DataType kind);
    /// A block of that kind holding the layer.
    DataBlockBlob(DataType kind, std::shared_ptr<DataLayer> layer);
    ~DataBlockBlob() override;

    /// The layer (shared); empty for a block made without one.
    std::shared_ptr<DataLayer> GetDataLayer() const { return _dataLayer; }

    /// The layer's ToString(friendly), or "" without a layer.
    std::string ToString(bool friendly) const override;
    /// Same kind and equal layers (both absent counts as equal).
    bool Equals(const DataBlock* other) const override;

protected:
    /// Appends the layer's blob body.
    void onSerialize(std::shared_ptr<SerializeToMemory> writer) override;
    /// Reads the layer from a blob body of this block's kind; false when it does not read.
    bool onDeserialize(DeserializeFromMemory* reader, uint32_t size) override;

    std::shared_ptr<DataLayer> _dataLayer;
};

class HYX_API DataBlockCompressedBlob : public DataBlockBlob {
public:
    /// A compressed block without a layer.
    DataBlockCompressedBlob();
    /// A compressed block holding the compressed layer.
    explicit DataBlockCompressedBlob(std::shared_ptr<DataTypeCompressedBlob> layer);
    ~DataBlockCompressedBlob() override;
};

} // namespace Hyx
