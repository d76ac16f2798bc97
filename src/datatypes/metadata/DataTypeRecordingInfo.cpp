#include <Hyx/DataTypeCaptureMetadata.h>

#include <Hyx/DataReader.h>
#include <Hyx/StatusProperty.h>

#include "impl/core/BuiltInRegistration.h"

#include <cstring>
#include <numeric>
#include <stdexcept>

namespace Hyx {

HYX_BUILTIN_DATA_LAYER(DataTypeRecordingInfo);

namespace {

/// Number of list entries that version 1 implies.
constexpr int VERSION1_NUC_COUNT = 64;

std::string textOrEmpty(const char* text)
{
    return text ? std::string(text) : std::string();
}

} // namespace

DataTypeRecordingInfo::DataTypeRecordingInfo() : DataLayer(CLASS_VERSION)
{
    SetValues("", "", {}, "");
}

DataTypeRecordingInfo::~DataTypeRecordingInfo() = default;

void DataTypeRecordingInfo::SetValues(const char* sessionName, const char* takeId, std::vector<int> enabledNucs,
                                      const char* operationMode)
{
    if (enabledNucs.size() > MAX_ENABLED_NUCS)
        throw std::length_error("DataTypeRecordingInfo: more enabled NUCs than the count field can hold.");
    // Copies first: the texts may be this layer's own members.
    std::string session = textOrEmpty(sessionName);
    std::string take = textOrEmpty(takeId);
    std::string mode = textOrEmpty(operationMode);
    const uint64_t size = uint64_t(session.size()) + take.size() + mode.size() + 2 * enabledNucs.size() + 5;
    if (size > UINT32_MAX)
        throw std::length_error("DataTypeRecordingInfo: payload would exceed 4 GiB.");

    _sessionName = std::move(session);
    _takeId = std::move(take);
    _enabledNucs = std::move(enabledNucs);
    _operationMode = std::move(mode);

    DataWriter writer = preparePayload(uint32_t(size));
    writer.write(_sessionName.c_str());
    writer.write(_takeId.c_str());
    writer.write(static_cast<unsigned short>(_enabledNucs.size()));
    for (int nuc : _enabledNucs)
        writer.write(static_cast<unsigned short>(nuc));
    writer.write(_operationMode.c_str());
    initialize();
}

void DataTypeRecordingInfo::SetSessionName(const char* sessionName)
{
    if (textOrEmpty(sessionName) != _sessionName)
        SetValues(sessionName, _takeId.c_str(), _enabledNucs, _operationMode.c_str());
}

void DataTypeRecordingInfo::SetTakeId(const char* takeId)
{
    if (textOrEmpty(takeId) != _takeId)
        SetValues(_sessionName.c_str(), takeId, _enabledNucs, _operationMode.c_str());
}

void DataTypeRecordingInfo::SetOperationMode(const char* operationMode)
{
    if (textOrEmpty(operationMode) != _operationMode)
        SetValues(_sessionName.c_str(), _takeId.c_str(), _enabledNucs, operationMode);
}

void DataTypeRecordingInfo::SetEnabledNucs(std::vector<int> enabledNucs)
{
    if (enabledNucs != _enabledNucs)
        SetValues(_sessionName.c_str(), _takeId.c_str(), std::move(enabledNucs), _operationMode.c_str());
}

void DataTypeRecordingInfo::CopyValues(const std::shared_ptr<DataTypeRecordingInfo>& other)
{
    if (other)
        SetValues(other->_sessionName.c_str(), other->_takeId.c_str(), other->_enabledNucs,
                  other->_operationMode.c_str());
}

std::string DataTypeRecordingInfo::GetEnabledNucsAsString() const
{
    std::string text;
    for (size_t i = 0; i < _enabledNucs.size(); ++i) {
        if (i != 0)
            text += ',';
        text += std::to_string(_enabledNucs[i]);
    }
    return text;
}

bool DataTypeRecordingInfo::deserializeAndMigrate(uint8_t* data, uint32_t size)
{
    if (_payloadVersion > CLASS_VERSION)
        return false;
    _sessionName.clear();
    _takeId.clear();
    _enabledNucs.clear();
    _operationMode.clear();
    if (_payloadVersion == 1) {
        _enabledNucs.resize(VERSION1_NUC_COUNT);
        std::iota(_enabledNucs.begin(), _enabledNucs.end(), 0);
    }

    // Reading stops at the first field that does not fit: every later field stays empty
    // instead of being read from the wrong place.
    DataReader reader(data, size);
    if (!reader.read(_sessionName) || !reader.read(_takeId) || _payloadVersion < 2)
        return true;
    uint16_t count = 0;
    if (!reader.read(count))
        return true;
    const uint8_t* list = reader.get_byteptr(uint32_t(count) * 2);
    if (count != 0 && list == nullptr)
        return true;
    _enabledNucs.resize(count);
    for (uint32_t i = 0; i < count; ++i) {
        uint16_t nuc;
        std::memcpy(&nuc, list + 2 * i, 2);
        _enabledNucs[i] = nuc;
    }
    if (_payloadVersion >= 3)
        reader.read(_operationMode);
    return true;
}

std::string DataTypeRecordingInfo::ToString(bool friendly) const
{
    return DataLayer::ToString(friendly) + ", SessionName=" + _sessionName + ", TakeId=" + _takeId +
           ", EnabledNucs=" + GetEnabledNucsAsString() + ", OperationMode=" + _operationMode;
}

void DataTypeRecordingInfo::onUpdateStatusProperties()
{
    addStatusProperty(std::make_shared<StatusPropertyString>("SessionName", _sessionName.c_str()));
    addStatusProperty(std::make_shared<StatusPropertyString>("TakeId", _takeId.c_str()));
    addStatusProperty(std::make_shared<StatusPropertyString>("EnabledNucs", GetEnabledNucsAsString().c_str()));
    addStatusProperty(std::make_shared<StatusPropertyString>("OperationMode", _operationMode.c_str()));
}

} // namespace Hyx
