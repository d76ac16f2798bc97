#include <Hyx/DataLayer.h>

#include "core/LogLevelEnabled.h"

#include <Hyx/DataProfile.h>
#include <Hyx/GuidAlias.h>

#include <stdexcept>

namespace Hyx {

namespace {

std::string guidText(const VornCommon::Guid& guid, bool friendly)
{
    return friendly ? std::string(Utils::GetGuidAlias(guid)) : std::string(guid.ToHexString());
}

} // namespace

DataLayer::DataLayer(uint16_t classVersion)
    : _classVersion(classVersion), _payloadVersion(classVersion), _payload(std::make_shared<FlatMemoryUInt8>())
{
}

DataLayer::~DataLayer() = default;

void DataLayer::InitializeHeader(const VornCommon::Guid& purpose)
{
    _purposeGuid = purpose;
}

void DataLayer::InitializeHeader(const VornCommon::Guid& purpose, uint16_t version)
{
    _purposeGuid = purpose;
    _payloadVersion = version;
}

bool DataLayer::Equals(const DataLayer* other) const
{
    return other && TypeGuid() == other->TypeGuid() && _purposeGuid == other->_purposeGuid;
}

std::string DataLayer::ToString(bool friendly) const
{
    std::string text = "Purpose=";
    text += guidText(_purposeGuid, friendly);
    text += ", Type=";
    text += guidText(TypeGuid(), friendly);
    const VornCommon::Guid compressedType = GetCompressedBlobTypeGuid();
    if (!compressedType.IsNil()) {
        text += ", CompressedType=";
        text += guidText(compressedType, friendly);
    }
    text += ", Version=";
    text += std::to_string(_payloadVersion);
    return text;
}

VornCommon::Guid DataLayer::GetCompressedBlobTypeGuid() const
{
    return VornCommon::Guid::Nil;
}

std::string DataLayer::GetPropertyValue(const char*) const
{
    return {};
}

const uint8_t* DataLayer::Serialize(uint32_t& size)
{
    if (!_payload) {
        size = 0;
        return nullptr;
    }
    size = _payload->size();
    return _payload->data();
}

uint8_t* DataLayer::AllocateData(uint32_t size)
{
    if (!_payload)
        _payload = std::make_shared<FlatMemoryUInt8>();
    return _payload->resize(size);
}

bool DataLayer::InitializeData(uint8_t* data, uint32_t size)
{
    if (data == nullptr && size != 0)
        return false;
    if (!_payload)
        _payload = std::make_shared<FlatMemoryUInt8>();
    // CopyFrom is safe for bytes inside the payload's own storage.
    if (data != _payload->data() || size != _payload->size())
        _payload->CopyFrom(data, size);
    return initialize();
}

bool DataLayer::CanRenderTo2dRgbaBuffer(int& width, int& height)
{
    width = 0;
    height = 0;
    return false;
}

void DataLayer::RenderTo2dRgbaBuffer(uint8_t*)
{
}

void DataLayer::ChangePurposeGuid(const VornCommon::Guid& purpose)
{
    _previousPurposeGuid = _purposeGuid;
    _purposeGuid = purpose;
}

void DataLayer::UndoChangePurposeGuid()
{
    if (!_previousPurposeGuid.IsNil())
        _purposeGuid = _previousPurposeGuid;
}

std::shared_ptr<DataProfile> DataLayer::GetDataProfile() const
{
    return std::make_shared<DataProfile>(_purposeGuid, TypeGuid(), GetCompressedBlobTypeGuid());
}

int DataLayer::getNumStatusProperties() const
{
    std::lock_guard lock(_statusMutex);
    return int(_statusProperties.size());
}

const StatusProperty& DataLayer::statusPropertyAt(int index) const
{
    if (index < 0 || size_t(index) >= _statusProperties.size())
        throw std::runtime_error("Invalid status property index");
    return *_statusProperties[size_t(index)];
}

std::string DataLayer::getStatusPropertyName(int index) const
{
    std::lock_guard lock(_statusMutex);
    return statusPropertyAt(index).GetName();
}

std::string DataLayer::getStatusPropertyValue(int index) const
{
    std::lock_guard lock(_statusMutex);
    return statusPropertyAt(index).GetValueAsString();
}

std::string DataLayer::getStatusPropertyValue(const char* name) const
{
    std::lock_guard lock(_statusMutex);
    const int index = getStatusPropertyIndex(name);
    if (index < 0)
        throw std::runtime_error("Invalid status property name");
    return _statusProperties[size_t(index)]->GetValueAsString();
}

void DataLayer::updateStatusProperties()
{
    std::lock_guard lock(_statusMutex);
    _statusProperties.clear();
    onUpdateStatusProperties();
}

void DataLayer::onUpdateStatusProperties()
{
}

int DataLayer::getStatusPropertyIndex(const char* name) const
{
    if (name == nullptr)
        return -1;
    for (size_t i = 0; i < _statusProperties.size(); ++i)
        if (_statusProperties[i]->GetName() == name)
            return int(i);
    return -1;
}

void DataLayer::addStatusProperty(std::shared_ptr<StatusProperty> property)
{
    if (property)
        _statusProperties.push_back(std::move(property));
}

bool DataLayer::initialize()
{
    uint8_t* data = _payload ? _payload->data() : nullptr;
    const uint32_t size = _payload ? _payload->size() : 0;
    if (deserializeAndMigrate(data, size))
        return true;
    LogLine(VornCommon::LogLevel::Error, "Unable to deserialize data layer with guid: %s (version: %d)",
            std::string(TypeGuid().ToHexString()).c_str(), int(_payloadVersion));
    return false;
}

DataWriter DataLayer::preparePayload(uint32_t size)
{
    uint8_t* data = AllocateData(size);
    _payloadVersion = _classVersion;
    return DataWriter(data, size);
}

} // namespace Hyx
