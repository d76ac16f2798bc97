#include <Hyx/DataTypeGroupInfo.h>

#include <Hyx/DataReader.h>
#include <Hyx/StatusProperty.h>

#include "impl/core/BuiltInRegistration.h"

#include <stdexcept>

namespace Hyx {

HYX_BUILTIN_DATA_LAYER(DataTypeGroupInfo);

DataTypeGroupInfo::DataTypeGroupInfo() : DataLayer(CLASS_VERSION)
{
    writePayload();
}

DataTypeGroupInfo::~DataTypeGroupInfo() = default;

void DataTypeGroupInfo::SetGroupInfo(uint16_t groupId)
{
    _groupId = groupId;
    writePayload();
}

void DataTypeGroupInfo::SetGroupName(std::string groupName)
{
    // The stored name ends at its NUL; a longer member would disagree with the payload.
    groupName.resize(std::char_traits<char>::length(groupName.c_str()));
    if (uint64_t(groupName.size()) + 3 > UINT32_MAX)
        throw std::length_error("DataTypeGroupInfo: group name too long.");
    _groupName = std::move(groupName);
    writePayload();
}

void DataTypeGroupInfo::writePayload()
{
    DataWriter writer = preparePayload(uint32_t(_groupName.size() + 3));
    writer.write(static_cast<unsigned short>(_groupId));
    writer.write(_groupName.c_str());
    initialize();
}

bool DataTypeGroupInfo::deserializeAndMigrate(uint8_t* data, uint32_t size)
{
    if (_payloadVersion > CLASS_VERSION)
        return false;
    DataReader reader(data, size);
    _groupId = reader.read_uint16();
    if (_payloadVersion == 1) {
        // The name starts at offset 2 whether or not the id fit.
        _groupName = size > 2 ? DataReader(data + 2, size - 2).read_string() : std::string();
    }
    return true;
}

std::string DataTypeGroupInfo::ToString(bool friendly) const
{
    return DataLayer::ToString(friendly) + ", GroupID=" + std::to_string(_groupId) + ", GroupName=" + _groupName;
}

void DataTypeGroupInfo::onUpdateStatusProperties()
{
    addStatusProperty(std::make_shared<StatusPropertyInt>("Group id", int(_groupId)));
    addStatusProperty(std::make_shared<StatusPropertyString>("Group Name", _groupName.c_str()));
}

} // namespace Hyx
