#include <Hyx/DataBlock.h>

#include <Hyx/DataLayer.h>
#include <Hyx/DataTypeCompressedBlob.h>

#include <stdexcept>

namespace Hyx {

const char* GetDataTypeName(DataType kind)
{
    switch (kind) {
    case DataType::Blob: return "Blob";
    case DataType::CompressedBlob: return "CompressedBlob";
    }
    return "Unknown";
}

DataBlock::~DataBlock() = default;

std::string DataBlock::ToString(bool) const
{
    return {};
}

bool DataBlock::Equals(const DataBlock* other) const
{
    return other && other->_dataType == _dataType;
}

void DataBlock::onSerialize(std::shared_ptr<SerializeToMemory>)
{
    throw std::runtime_error("Serialization not supported.");
}

bool DataBlock::onDeserialize(DeserializeFromMemory*, uint32_t)
{
    throw std::runtime_error("De-serialization not supported.");
}

DataBlockBlob::DataBlockBlob(DataType kind) : DataBlock(kind)
{
}

DataBlockBlob::DataBlockBlob(DataType kind, std::shared_ptr<DataLayer> layer)
    : DataBlock(kind), _dataLayer(std::move(layer))
{
}

DataBlockBlob::~DataBlockBlob() = default;

std::string DataBlockBlob::ToString(bool friendly) const
{
    return _dataLayer ? _dataLayer->ToString(friendly) : std::string();
}

bool DataBlockBlob::Equals(const DataBlock* other) const
{
    if (!DataBlock::Equals(other))
        return false;
    const auto* blob = dynamic_cast<const DataBlockBlob*>(other);
    if (!blob)
        return false;
    if (!_dataLayer || !blob->_dataLayer)
        return !_dataLayer && !blob->_dataLayer;
    return _dataLayer->Equals(blob->_dataLayer.get());
}

DataBlockCompressedBlob::DataBlockCompressedBlob() : DataBlockBlob(DataType::CompressedBlob)
{
}

DataBlockCompressedBlob::DataBlockCompressedBlob(std::shared_ptr<DataTypeCompressedBlob> layer)
    : DataBlockBlob(DataType::CompressedBlob, std::move(layer))
{
}

DataBlockCompressedBlob::~DataBlockCompressedBlob() = default;

} // namespace Hyx
