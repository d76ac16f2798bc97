#include <Hyx/DataTypeCaptureMetadata.h>

#include <Hyx/DataReader.h>
#include <Hyx/StatusProperty.h>

#include "impl/core/BuiltInRegistration.h"

namespace Hyx {

HYX_BUILTIN_DATA_LAYER(DataTypeRecordingSettings);

namespace {

/// One flag: its bit, status property name and text label.
struct Flag {
    uint8_t mask;
    const char* statusName;
    const char* label;
};

constexpr Flag FLAGS[] = {
    {1, "Record IR", ", RecIR="},     {2, "Record COL", ", RecCOL="},      {4, "Record PointCloud", ", RecPC="},
    {8, "Record Normals", ", RecN="}, {16, "Record DepthMap", ", RecDM="},
};

constexpr uint8_t ALL_FLAGS = 31;

} // namespace

DataTypeRecordingSettings::DataTypeRecordingSettings() : DataLayer(CLASS_VERSION)
{
    writeFlags(ALL_FLAGS);
}

DataTypeRecordingSettings::~DataTypeRecordingSettings() = default;

void DataTypeRecordingSettings::SetValues(bool recordIr, bool recordCol, bool recordPointCloud, bool recordNormals,
                                          bool recordDepthMap)
{
    writeFlags(uint8_t((recordIr ? RECORD_IR : 0) | (recordCol ? RECORD_COL : 0) |
                       (recordPointCloud ? RECORD_POINT_CLOUD : 0) | (recordNormals ? RECORD_NORMALS : 0) |
                       (recordDepthMap ? RECORD_DEPTH_MAP : 0)));
}

void DataTypeRecordingSettings::SetRecordIr(bool value)
{
    setBit(RECORD_IR, value);
}

void DataTypeRecordingSettings::SetRecordCol(bool value)
{
    setBit(RECORD_COL, value);
}

void DataTypeRecordingSettings::SetRecordPointCloud(bool value)
{
    setBit(RECORD_POINT_CLOUD, value);
}

void DataTypeRecordingSettings::SetRecordNormals(bool value)
{
    setBit(RECORD_NORMALS, value);
}

void DataTypeRecordingSettings::SetRecordDepthMap(bool value)
{
    setBit(RECORD_DEPTH_MAP, value);
}

void DataTypeRecordingSettings::CopyValues(const std::shared_ptr<DataTypeRecordingSettings>& other)
{
    if (other)
        writeFlags(other->_flags & ALL_FLAGS);
}

void DataTypeRecordingSettings::setBit(uint8_t mask, bool value)
{
    if (bit(mask) != value)
        writeFlags(uint8_t(((_flags & ~mask) | (value ? mask : 0)) & ALL_FLAGS));
}

void DataTypeRecordingSettings::writeFlags(uint8_t flags)
{
    _flags = flags;
    preparePayload(1).write(static_cast<unsigned char>(flags));
    initialize();
}

bool DataTypeRecordingSettings::deserializeAndMigrate(uint8_t* data, uint32_t size)
{
    if (_payloadVersion != CLASS_VERSION)
        return false;
    _flags = DataReader(data, size).read_uint8();
    return true;
}

std::string DataTypeRecordingSettings::ToString(bool friendly) const
{
    std::string text = DataLayer::ToString(friendly);
    for (const Flag& flag : FLAGS) {
        text += flag.label;
        text += bit(flag.mask) ? "Yes" : "No";
    }
    return text;
}

void DataTypeRecordingSettings::onUpdateStatusProperties()
{
    for (const Flag& flag : FLAGS)
        addStatusProperty(std::make_shared<StatusPropertyBool>(flag.statusName, bit(flag.mask)));
}

} // namespace Hyx
