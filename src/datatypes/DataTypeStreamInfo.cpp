#include <Hyx/DataTypeStreamInfo.h>

#include "datatypes/LayerText.h"
#include "impl/core/BuiltInRegistration.h"

#include <Hyx/DataReader.h>
#include <Hyx/StatusProperty.h>

#include <VornCommon/FileWriter.h>

namespace Hyx {

HYX_BUILTIN_DATA_LAYER(DataTypeStreamInfo);

namespace {

/// Bytes of the version-9 payload besides the host name.
constexpr uint32_t FIXED_PAYLOAD_SIZE = 4 + 4 + 1 + 1 + VornCommon::Versorf::RAW_BYTES_SIZE;

std::string formatFloat(float value)
{
    std::ostringstream stream = LayerText::ClassicStream();
    stream << value;
    return stream.str();
}

void skipString(DataReader& reader)
{
    reader.read_string();
}

} // namespace

DataTypeStreamInfo::DataTypeStreamInfo() : DataLayer(CLASS_VERSION)
{
    setValues(0.0f, 0, VornCommon::Versorf(), 0, "");
}

DataTypeStreamInfo::~DataTypeStreamInfo() = default;

void DataTypeStreamInfo::SetFPS(float fps)
{
    if (fps != _fps)
        setValues(fps, _numFrames, _orientation, _hostId, _hostName.c_str());
}

void DataTypeStreamInfo::SetNumFrames(unsigned int numFrames)
{
    if (numFrames != _numFrames)
        setValues(_fps, numFrames, _orientation, _hostId, _hostName.c_str());
}

void DataTypeStreamInfo::SetOrientation(const VornCommon::Versorf& orientation)
{
    setValues(_fps, _numFrames, orientation, _hostId, _hostName.c_str());
}

void DataTypeStreamInfo::SetHostName(const char* hostName)
{
    if ((hostName ? hostName : "") != _hostName)
        setValues(_fps, _numFrames, _orientation, _hostId, hostName);
}

void DataTypeStreamInfo::SetHostId(unsigned char hostId)
{
    if (hostId != _hostId)
        setValues(_fps, _numFrames, _orientation, hostId, _hostName.c_str());
}

void DataTypeStreamInfo::setValues(float fps, unsigned int numFrames, const VornCommon::Versorf& orientation,
                                   unsigned char hostId, const char* hostName)
{
    // Copies first: the arguments may be this layer's own fields, which the parse at the
    // end rebuilds.
    std::string name = hostName ? hostName : "";
    if (name.empty())
        name = hostId == 0 ? DEFAULT_HOST_NAME : DEFAULT_REMOTE_HOST_NAME;
    const VornCommon::Versorf rotation = orientation;
    _fps = fps;
    _numFrames = numFrames;
    _orientation = rotation;
    _hostId = hostId;
    _hostName = name;

    uint8_t rawOrientation[VornCommon::Versorf::RAW_BYTES_SIZE];
    rotation.ToRawBytes(rawOrientation);
    DataWriter writer = preparePayload(static_cast<uint32_t>(name.size()) + FIXED_PAYLOAD_SIZE);
    writer.write(fps);
    writer.write(numFrames);
    writer.write(name.c_str());
    writer.write(hostId);
    writer.write(rawOrientation, VornCommon::Versorf::RAW_BYTES_SIZE);
    initialize();
}

void DataTypeStreamInfo::CopyValuesFrom(const std::shared_ptr<DataTypeStreamInfo>& other)
{
    if (other)
        setValues(other->_fps, other->_numFrames, other->_orientation, other->_hostId, other->_hostName.c_str());
}

bool DataTypeStreamInfo::deserializeAndMigrate(uint8_t* data, uint32_t size)
{
    const uint16_t version = GetVersion();
    if (version > CLASS_VERSION)
        return false;
    DataReader reader(data, size);
    _fps = reader.read_float();
    _numFrames = reader.read_uint32();
    if (version == 0)
        return true;
    _hostName = reader.read_string();
    _hostId = reader.read_uint8();
    switch (version) {
    case 1:
    case 7: return true;
    case 2: skipString(reader); return true;
    case 3:
    case 4:
    case 5:
        skipString(reader);
        skipString(reader);
        return true;
    case 6: {
        skipString(reader);
        skipString(reader);
        reader.read_uint8();
        reader.read_uint32();
        reader.read_uint8();
        reader.read_uint8();
        const uint8_t count = reader.read_uint8();
        reader.get_byteptr(count);
        return true;
    }
    default: break;
    }
    // Versions 8 and 9 end with the orientation; some version-8 writers put seven more
    // bytes before it, which the rewrite below drops.
    const bool exactLayout = reader.GetDataSize() - reader.GetReaderPos() == VornCommon::Versorf::RAW_BYTES_SIZE;
    if (!exactLayout) {
        reader.read_uint8();
        reader.read_uint32();
        reader.read_uint8();
        reader.read_uint8();
    }
    const uint8_t* raw = reader.get_byteptr(VornCommon::Versorf::RAW_BYTES_SIZE);
    _orientation = raw ? VornCommon::Versorf::FromRawBytes(raw) : VornCommon::Versorf();
    if (!exactLayout) {
        // Everything is read: the rewrite may reuse the storage the reader covered, and its
        // own parse sets the fields again.
        setValues(_fps, _numFrames, _orientation, _hostId, _hostName.c_str());
    }
    return true;
}

std::string DataTypeStreamInfo::ToString(bool friendly) const
{
    std::string text = DataLayer::ToString(friendly);
    text += ", FPS=" + formatFloat(_fps);
    text +=
        _numFrames == NUM_FRAMES_AUTO ? std::string(", NumFrames=auto") : ", NumFrames=" + std::to_string(_numFrames);
    text += ", Orientation=" + _orientation.ToString().StdString();
    text += ", HostId=" + std::to_string(_hostId);
    text += ", HostName=" + _hostName;
    return text;
}

bool DataTypeStreamInfo::SaveToASCIIFile(const char* path) const
{
    if (!path)
        return false;
    const std::string text = ToString(true);
    std::string lines;
    lines.reserve(text.size() + 1);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, ", ") == 0) {
            lines += '\n';
            ++i;
        } else {
            lines += text[i];
        }
    }
    lines += '\n';
    VornCommon::ASCIIFileWriter writer(path, "\n");
    const bool written = writer.Write(lines);
    const bool closed = writer.CloseFile();
    return written && closed;
}

void DataTypeStreamInfo::onUpdateStatusProperties()
{
    addStatusProperty(std::make_shared<StatusPropertyFloat>("FPS", _fps));
    addStatusProperty(std::make_shared<StatusPropertyInt>("Num frames", static_cast<int>(_numFrames)));
    addStatusProperty(std::make_shared<StatusPropertyVersor>("Orientation", _orientation));
    addStatusProperty(std::make_shared<StatusPropertyString>("Host name", _hostName.c_str()));
    addStatusProperty(std::make_shared<StatusPropertyInt>("Host ID", _hostId));
}

} // namespace Hyx
