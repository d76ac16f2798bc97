#include <Hyx/DataTypeSegmentInfo.h>

#include <Hyx/DataReader.h>
#include <Hyx/StatusProperty.h>

#include "impl/core/BuiltInRegistration.h"

namespace Hyx {

HYX_BUILTIN_DATA_LAYER(DataTypeSegmentInfo);

DataTypeSegmentInfo::DataTypeSegmentInfo() : DataLayer(CLASS_VERSION)
{
    SetSegmentInfo(0);
}

DataTypeSegmentInfo::~DataTypeSegmentInfo() = default;

void DataTypeSegmentInfo::SetSegmentInfo(uint16_t segmentId)
{
    _segmentId = segmentId;
    preparePayload(2).write(static_cast<unsigned short>(segmentId));
    initialize();
}

bool DataTypeSegmentInfo::deserializeAndMigrate(uint8_t* data, uint32_t size)
{
    if (_payloadVersion != CLASS_VERSION)
        return false;
    _segmentId = DataReader(data, size).read_uint16();
    return true;
}

std::string DataTypeSegmentInfo::ToString(bool friendly) const
{
    return DataLayer::ToString(friendly) + ", SegmentID=" + std::to_string(_segmentId);
}

void DataTypeSegmentInfo::onUpdateStatusProperties()
{
    addStatusProperty(std::make_shared<StatusPropertyInt>("Segment id", static_cast<int>(_segmentId)));
}

} // namespace Hyx
