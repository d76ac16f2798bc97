#include <Hyx/DataTypePhotogrammetryInfo.h>

#include <Hyx/DataReader.h>
#include <Hyx/GuidAlias.h>
#include <Hyx/HYXPurposeGuids.h>
#include <Hyx/StatusProperty.h>

#include "datatypes/LayerText.h"
#include "impl/core/BuiltInRegistration.h"

#include <algorithm>
#include <cstring>

namespace Hyx {

HYX_BUILTIN_DATA_LAYER(DataTypePhotogrammetryInfo);

namespace {

constexpr float IDENTITY[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};

/// A field at a fixed offset, when the payload holds all of it.
uint8_t* fieldAt(uint8_t* data, uint32_t size, uint32_t offset, uint32_t width)
{
    return data != nullptr && uint64_t(offset) + width <= size ? data + offset : nullptr;
}

uint32_t u32At(uint8_t* data, uint32_t size, uint32_t offset)
{
    return DataReader(fieldAt(data, size, offset, 4), 4).read_uint32();
}

VornCommon::Guid guidAt(uint8_t* data, uint32_t size, uint32_t offset)
{
    return DataReader(fieldAt(data, size, offset, 16), 16).read_guid();
}

float* floatsAt(uint8_t* data, uint32_t size, uint32_t offset, uint32_t count)
{
    return reinterpret_cast<float*>(fieldAt(data, size, offset, count * 4));
}

/// count floats from p, or zeros when p is null. The payload may not be 4-byte aligned in
/// memory a caller lent it, so the floats are copied, not dereferenced.
template <size_t N>
void copyFloats(const float* p, float (&out)[N])
{
    if (p)
        std::memcpy(out, p, sizeof out);
    else
        std::fill_n(out, N, 0.0f);
}

void appendFloats(std::ostringstream& text, const float* values, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        text << (i == 0 ? "" : " ") << values[i];
}

} // namespace

DataTypePhotogrammetryInfo::DataTypePhotogrammetryInfo() : DataLayer(CLASS_VERSION)
{
    InitWithDefaultValues();
}

DataTypePhotogrammetryInfo::~DataTypePhotogrammetryInfo() = default;

void DataTypePhotogrammetryInfo::InitWithDefaultValues()
{
    writePayload(nullptr, nullptr, 0, HYXPurposeGuids::PHOTOGRAMMETRY, 0, HYXPurposeGuids::VORN4D);
}

void DataTypePhotogrammetryInfo::SetStreamIdSourceCamera(uint32_t streamId)
{
    if (streamId != _sourceStreamId)
        writePayload(_translation, _rotation, streamId, _sourceGuid, _targetStreamId, _targetGuid);
}

void DataTypePhotogrammetryInfo::SetStreamIdTargetCamera(uint32_t streamId)
{
    if (streamId != _targetStreamId)
        writePayload(_translation, _rotation, _sourceStreamId, _sourceGuid, streamId, _targetGuid);
}

void DataTypePhotogrammetryInfo::SetSourceCameraGuid(const VornCommon::Guid& guid)
{
    writePayload(_translation, _rotation, _sourceStreamId, guid, _targetStreamId, _targetGuid);
}

void DataTypePhotogrammetryInfo::SetTargetCameraGuid(const VornCommon::Guid& guid)
{
    writePayload(_translation, _rotation, _sourceStreamId, _sourceGuid, _targetStreamId, guid);
}

void DataTypePhotogrammetryInfo::CopyValuesFrom(const std::shared_ptr<DataTypePhotogrammetryInfo>& other)
{
    if (other)
        writePayload(other->_translation, other->_rotation, other->_sourceStreamId, other->_sourceGuid,
                     other->_targetStreamId, other->_targetGuid);
}

void DataTypePhotogrammetryInfo::writePayload(const float* translation, const float* rotation, uint32_t sourceStreamId,
                                              const VornCommon::Guid& sourceGuid, uint32_t targetStreamId,
                                              const VornCommon::Guid& targetGuid)
{
    // Taken before the payload is resized: the sources usually are this payload.
    float t[3];
    float r[9];
    copyFloats(translation, t);
    if (rotation)
        copyFloats(rotation, r);
    else
        std::copy_n(IDENTITY, 9, r);
    const VornCommon::Guid source = sourceGuid;
    const VornCommon::Guid target = targetGuid;

    DataWriter writer = preparePayload(PAYLOAD_SIZE);
    writer.write(t, 3);
    writer.write(r, 9);
    writer.write(sourceStreamId);
    writer.write(source);
    writer.write(targetStreamId);
    writer.write(target);
    initialize();
}

bool DataTypePhotogrammetryInfo::deserializeAndMigrate(uint8_t* data, uint32_t size)
{
    switch (_payloadVersion) {
    case 3:
        _translation = floatsAt(data, size, 0, 3);
        _rotation = floatsAt(data, size, 12, 9);
        _sourceStreamId = u32At(data, size, 48);
        _sourceGuid = guidAt(data, size, 52);
        _targetStreamId = u32At(data, size, 68);
        _targetGuid = guidAt(data, size, 72);
        return true;
    case 2:
    case 1:
        _sourceStreamId = u32At(data, size, 0);
        _translation = floatsAt(data, size, 4, 3);
        _rotation = floatsAt(data, size, 16, 9);
        _sourceGuid = _payloadVersion == 2 ? guidAt(data, size, 52) : HYXPurposeGuids::CAMERA_PRIMARY;
        _targetStreamId = _sourceStreamId;
        _targetGuid = HYXPurposeGuids::SECONDARY_COLOR;
        return true;
    default: return false;
    }
}

std::string DataTypePhotogrammetryInfo::ToString(bool friendly) const
{
    float t[3];
    float r[9];
    copyFloats(_translation, t);
    copyFloats(_rotation, r);
    std::ostringstream text = LayerText::ClassicStream();
    text << DataLayer::ToString(friendly) << ", translation=";
    appendFloats(text, t, 3);
    text << ", rotation=";
    appendFloats(text, r, 9);
    text << ", StreamIdSourceCam=" << _sourceStreamId << ", GuidSourceCam=" << Utils::GetGuidAlias(_sourceGuid)
         << ", StreamIdTargetCam=" << _targetStreamId << ", GuidTargetCam=" << Utils::GetGuidAlias(_targetGuid);
    return text.str();
}

void DataTypePhotogrammetryInfo::onUpdateStatusProperties()
{
    float t[3];
    float r[9];
    copyFloats(_translation, t);
    copyFloats(_rotation, r);
    addStatusProperty(std::make_shared<StatusPropertyVector3>("Translation", VornCommon::Vector3f(t[0], t[1], t[2])));
    addStatusProperty(std::make_shared<StatusPropertyMatrix3x3>("Rotation", r));
    addStatusProperty(std::make_shared<StatusPropertyInt>("StreamId source cam", int(_sourceStreamId)));
    addStatusProperty(
        std::make_shared<StatusPropertyString>("Guid source cam", Utils::GetGuidAlias(_sourceGuid).CStr()));
    addStatusProperty(std::make_shared<StatusPropertyInt>("StreamId target cam", int(_targetStreamId)));
    addStatusProperty(
        std::make_shared<StatusPropertyString>("Guid target cam", Utils::GetGuidAlias(_targetGuid).CStr()));
}

} // namespace Hyx
