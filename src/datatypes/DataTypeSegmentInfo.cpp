#include <Hyx/DataTypeSegmentInfo.h>

#include <Hyx/DataReader.h>
#include <Hyx/StatusProperty.h>

namespace Hyx {

DataTypeSegmentInfo::DataTypeSegmentInfo() : DataLayer(CLASS_VERSION)
{
    SetSegmentInfo(0);
}

DataTypeSegmentInfo::~DataTypeSegmentInfo() = default;

VornCommon::Guid DataTypeSegmentInfo::TheTypeGuid()
{
    // Built on first use: registration may ask for it before this file's statics exist.
    static const VornCommon::Guid guid = VornCommon::Guid::FromHexString("D935D227-BBF3-4CF2-A9BA-A9274F31AADF");
    return guid;
}

DataLayerClassInfo DataTypeSegmentInfo::TheDataLayerClassInfo()
{
    static const DataLayerClassInfo info(VornCommon::String("DataTypeSegmentInfo"));
    return info;
}

VornCommon::Guid DataTypeSegmentInfo::TypeGuid() const
{
    return TheTypeGuid();
}

DataLayerClassInfo DataTypeSegmentInfo::GetDataLayerClassInfo() const
{
    return TheDataLayerClassInfo();
}

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

Hyx::DataLayer* DataTypeSegmentInfoDataLayerCreator()
{
    return new Hyx::DataTypeSegmentInfo();
}
