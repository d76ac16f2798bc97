// Block records of the binary atom stream: u32 size (header included), u8 kind, blob body.

#include <Hyx/DataBlock.h>

#include <Hyx/DataTypeCompressedBlob.h>
#include <Hyx/DeserializeFromMemory.h>
#include <Hyx/SerializeToMemory.h>

#include <stdexcept>

namespace Hyx {

void DataBlock::Serialize(std::shared_ptr<SerializeToMemory> writer)
{
    if (!writer)
        throw std::invalid_argument("DataBlock::Serialize: no writer.");
    const uint32_t start = writer->GetPackedDataSize();
    writer->pack_uint32(0u);
    writer->pack_uint8_(static_cast<unsigned char>(_dataType));
    onSerialize(writer);
    writer->pack_uint32(writer->GetPackedDataSize() - start, start);
}

std::shared_ptr<DataBlock> DataBlock::Deserialize(DeserializeFromMemory* reader, uint32_t bodySize, DataType kind)
{
    std::shared_ptr<DataBlock> block;
    switch (kind) {
    case DataType::Blob: block = std::make_shared<DataBlockBlob>(DataType::Blob); break;
    case DataType::CompressedBlob: block = std::make_shared<DataBlockCompressedBlob>(); break;
    default: throw std::logic_error("DataBlock::Deserialize: data-type not supported.");
    }
    if (!reader || !block->onDeserialize(reader, bodySize))
        return {};
    return block;
}

void DataBlockBlob::onSerialize(std::shared_ptr<SerializeToMemory> writer)
{
    // A compressed-blob record always carries the compression fields, and only a compressed
    // layer has them: anything else would be written in a form that cannot be read back.
    if (_dataType == DataType::CompressedBlob && !dynamic_cast<const DataTypeCompressedBlob*>(_dataLayer.get()))
        throw std::invalid_argument("Compressed data block without a compressed layer.");
    writer->pack_blobData(_dataLayer);
}

bool DataBlockBlob::onDeserialize(DeserializeFromMemory* reader, uint32_t size)
{
    _dataLayer = reader->unpack_blobData(size, _dataType);
    return static_cast<bool>(_dataLayer);
}

} // namespace Hyx
