#include <Hyx/DataLayerPlaceholder.h>

namespace Hyx {

DataLayerPlaceholder::DataLayerPlaceholder(const VornCommon::Guid& typeGuid) : DataLayer(0), _typeGuid(typeGuid)
{
}

DataLayerPlaceholder::~DataLayerPlaceholder() = default;

DataLayerClassInfo DataLayerPlaceholder::TheDataLayerClassInfo()
{
    static const DataLayerClassInfo info(VornCommon::String("Unknown"));
    return info;
}

VornCommon::Guid DataLayerPlaceholder::TypeGuid() const
{
    return _typeGuid;
}

DataLayerClassInfo DataLayerPlaceholder::GetDataLayerClassInfo() const
{
    return TheDataLayerClassInfo();
}

bool DataLayerPlaceholder::deserializeAndMigrate(uint8_t*, uint32_t)
{
    return true;
}

DataLayerCompressedPlaceholder::DataLayerCompressedPlaceholder(const VornCommon::Guid& typeGuid)
    : DataTypeCompressedBlob(0), _typeGuid(typeGuid)
{
}

DataLayerCompressedPlaceholder::~DataLayerCompressedPlaceholder() = default;

VornCommon::Guid DataLayerCompressedPlaceholder::TypeGuid() const
{
    return _typeGuid;
}

DataLayerClassInfo DataLayerCompressedPlaceholder::GetDataLayerClassInfo() const
{
    return DataLayerPlaceholder::TheDataLayerClassInfo();
}

bool DataLayerCompressedPlaceholder::deserializeAndMigrate(uint8_t*, uint32_t)
{
    return true;
}

} // namespace Hyx
