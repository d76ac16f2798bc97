#include <Hyx/DataTypeCaptureMetadata.h>

#include <Hyx/DataReader.h>
#include <Hyx/StatusProperty.h>

#include "impl/core/BuiltInRegistration.h"

namespace Hyx {

HYX_BUILTIN_DATA_LAYER(DataTypeStaticInfo);

DataTypeStaticInfo::DataTypeStaticInfo() : DataLayer(CLASS_VERSION)
{
    SetStaticType(STATICTYPE_RAW);
}

DataTypeStaticInfo::~DataTypeStaticInfo() = default;

void DataTypeStaticInfo::SetStaticType(StaticType type)
{
    _type = type;
    preparePayload(1).write(static_cast<unsigned char>(type));
    initialize();
}

std::string DataTypeStaticInfo::StaticTypeToString(StaticType type)
{
    // The first four texts lack the prefix of the others; stored files show them so.
    switch (type) {
    case STATICTYPE_DECODED: return "DECODED";
    case STATICTYPE_REGISTERED: return "REGISTERED";
    case STATICTYPE_SPAWN_MESH: return "SPAWN_MESH";
    case STATICTYPE_SPAWN_MESH_NO_TEXTURE: return "STATICTYPE_SPAWN_MESH_NO_TEXTURE";
    case STATICTYPE_SPAWN_PCL: return "STATICTYPE_SPAWN_PCL";
    case STATICTYPE_SPAWN_PCL_NO_COLORS: return "STATICTYPE_SPAWN_PCL_NO_COLORS";
    case STATICTYPE_SPAWN_MESH_COLORED: return "STATICTYPE_SPAWN_MESH_COLORED";
    default: return "RAW";
    }
}

bool DataTypeStaticInfo::deserializeAndMigrate(uint8_t* data, uint32_t size)
{
    if (_payloadVersion != CLASS_VERSION)
        return false;
    _type = static_cast<StaticType>(DataReader(data, size).read_uint8());
    return true;
}

std::string DataTypeStaticInfo::ToString(bool friendly) const
{
    return DataLayer::ToString(friendly) + ", StaticType=" + StaticTypeToString(_type);
}

void DataTypeStaticInfo::onUpdateStatusProperties()
{
    addStatusProperty(std::make_shared<StatusPropertyString>("Static type", StaticTypeToString(_type).c_str()));
}

} // namespace Hyx
