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
