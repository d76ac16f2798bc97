#include <Hyx/DataTypeCompressedBlob.h>

#include <Hyx/StatusProperty.h>

namespace Hyx {

DataTypeCompressedBlob::DataTypeCompressedBlob(uint16_t version) : DataLayer(version)
{
}

DataTypeCompressedBlob::~DataTypeCompressedBlob() = default;

void DataTypeCompressedBlob::InitializeCompressionInfo(const VornCommon::Guid& uncompressedType, uint16_t version,
                                                       uint8_t compressionType)
{
    _uncompressedTypeGuid = uncompressedType;
    _compressedBlobVersion = version;
    _compressionType = compressionType;
}

bool DataTypeCompressedBlob::compress(std::shared_ptr<DataLayer>, uint8_t)
{
    return false;
}

uint8_t DataTypeCompressedBlob::GetRecommendedCompression(std::shared_ptr<DataLayer>)
{
    return 0;
}

std::shared_ptr<DataLayer> DataTypeCompressedBlob::decompress()
{
    return {};
}

void DataTypeCompressedBlob::compressBase(const DataLayer& source)
{
    _uncompressedTypeGuid = source.TypeGuid();
    _compressedBlobVersion = source.GetVersion();
}

std::string DataTypeCompressedBlob::ToString(bool friendly) const
{
    return DataLayer::ToString(friendly) + ", CompressedVersion=" + std::to_string(_compressedBlobVersion) +
           ", Compression=" + GetCompressionTypeAsString();
}

std::string DataTypeCompressedBlob::GetCompressionTypeAsString() const
{
    static const char* const names[] = {"none", "snappy", "lz4", "zlib", "zstd"};
    return _compressionType < std::size(names) ? names[_compressionType] : "";
}

void DataTypeCompressedBlob::onUpdateStatusProperties()
{
    addStatusProperty(std::make_shared<StatusPropertyInt>("Compressed Version", _compressedBlobVersion));
    addStatusProperty(std::make_shared<StatusPropertyString>("Compression", GetCompressionTypeAsString().c_str()));
}

} // namespace Hyx
