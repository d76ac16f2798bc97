#include <Hyx/DataTypeCameraParams.h>

#include <Hyx/DataReader.h>
#include <Hyx/StatusProperty.h>

#include "impl/core/BuiltInRegistration.h"

#include <cmath>
#include <vector>

namespace Hyx {

HYX_BUILTIN_DATA_LAYER(DataTypeCameraParams);

namespace {

using VornCommon::CameraParams;
using VornCommon::Vector2f;

constexpr uint32_t CURRENT_SIZE = 2 * CameraParams::RAW_BYTES_SIZE;

/// Bytes of a stored version 0 to 3.
constexpr uint32_t OLD_SIZES[] = {136, 184, 184, 192};

/// Largest relative distance of the version-3 distortion centre from C that is kept.
constexpr float MAX_DISTORTION_CENTRE_OFFSET = 0.1f;

CameraParams newCamera()
{
    return CameraParams(0, 0, Vector2f(1.0f, 1.0f));
}

Vector2f readVector2(DataReader& reader)
{
    const float x = reader.read_float();
    return Vector2f(x, reader.read_float());
}

/// One camera of a version 0 to 3 layout; the pose only when stored.
CameraParams readOldCamera(DataReader& reader, bool withDistortionCentre, bool withPose)
{
    CameraParams camera = newCamera();
    camera.width = reader.read_uint32();
    camera.height = reader.read_uint32();
    camera.F = readVector2(reader);
    camera.C = readVector2(reader);
    if (withDistortionCentre)
        camera.distortionC = readVector2(reader);
    for (float& k : camera.distortion)
        k = reader.read_float();
    if (withPose) {
        for (int axis = 0; axis < 3; ++axis)
            camera.translation[axis] = reader.read_float();
        for (int row = 0; row < 3; ++row)
            for (int column = 0; column < 3; ++column)
                camera.rotation[row][column] = reader.read_float();
    }
    return camera;
}

bool farFrom(float c, float distortionC)
{
    // Relative to the signed C: a negative C never counts as far.
    return std::fabs(c - distortionC) / c > MAX_DISTORTION_CENTRE_OFFSET;
}

/// The eight status properties of one camera, names starting with prefix.
std::vector<std::shared_ptr<StatusProperty>> cameraProperties(const std::string& prefix, const CameraParams& camera)
{
    const auto name = [&prefix](const char* field) { return prefix + field; };
    return {
        std::make_shared<StatusPropertyInt>(name(" width").c_str(), static_cast<int>(camera.width)),
        std::make_shared<StatusPropertyInt>(name(" height").c_str(), static_cast<int>(camera.height)),
        std::make_shared<StatusPropertyVector2>(name(" F").c_str(), camera.F),
        std::make_shared<StatusPropertyVector2>(name(" C").c_str(), camera.C),
        std::make_shared<StatusPropertyVector2>(name(" distortion C").c_str(), camera.distortionC),
        std::make_shared<StatusPropertyVector5>(name(" distortion").c_str(), camera.distortion),
        std::make_shared<StatusPropertyVector3>(name(" translation").c_str(), camera.translation),
        std::make_shared<StatusPropertyMatrix4x4>(name(" rotation").c_str(), camera.rotation),
    };
}

} // namespace

DataTypeCameraParams::DataTypeCameraParams() : DataLayer(CLASS_VERSION), _color(newCamera()), _ir(newCamera())
{
}

DataTypeCameraParams::~DataTypeCameraParams() = default;

void DataTypeCameraParams::CopyValuesFrom(std::shared_ptr<DataTypeCameraParams> other)
{
    if (!other)
        return;
    _color = other->_color;
    _ir = other->_ir;
}

float DataTypeCameraParams::GetDepthmapScale(uint32_t depthmapWidth) const
{
    if (_ir.width == 0)
        return 0.0f;
    return float(depthmapWidth) / float(_ir.width);
}

void DataTypeCameraParams::GetDepthmapDimensions(float scale, uint32_t& width, uint32_t& height) const
{
    const auto scaled = [scale](uint32_t side) {
        const float product = float(side) * scale;
        // The conversion is defined only for values the target can hold.
        return product >= 0.0f && product < 4294967296.0f ? static_cast<uint32_t>(product) : 0u;
    };
    width = scaled(_ir.width);
    height = scaled(_ir.height);
}

const uint8_t* DataTypeCameraParams::Serialize(uint32_t& size)
{
    _serialized.Clear();
    _color.ToRawBytes(_serialized);
    _ir.ToRawBytes(_serialized);
    size = static_cast<uint32_t>(_serialized.Size());
    // The bytes are version 4 whatever was stored before (a refused load leaves its version).
    _payloadVersion = CLASS_VERSION;
    return _serialized.Data();
}

std::string DataTypeCameraParams::ToString(bool friendly) const
{
    return DataLayer::ToString(friendly) + ", Color={" + _color.ToString().StdString() + "}, IR={" +
           _ir.ToString().StdString() + "}";
}

void DataTypeCameraParams::onUpdateStatusProperties()
{
    for (auto& property : cameraProperties("Color", _color))
        addStatusProperty(std::move(property));
    for (auto& property : cameraProperties("IR", _ir))
        addStatusProperty(std::move(property));
}

bool DataTypeCameraParams::deserializeAndMigrate(uint8_t* data, uint32_t size)
{
    const uint16_t version = _payloadVersion;
    if (version == CLASS_VERSION) {
        if (!data || size < CURRENT_SIZE)
            return false;
        _color = CameraParams::FromRawBytes(data);
        _ir = CameraParams::FromRawBytes(data + CameraParams::RAW_BYTES_SIZE);
        return true;
    }
    // Short old payloads are refused: their cameras would have zero focal lengths.
    if (version > 3 || !data || size < OLD_SIZES[version])
        return false;
    DataReader reader(data, size);
    CameraParams color = readOldCamera(reader, version == 3, true);
    CameraParams ir = readOldCamera(reader, false, version > 0);
    if (version == 0) {
        ir.translation = color.translation;
        ir.rotation = color.rotation;
    }
    if (version < 3 || farFrom(color.C.x, color.distortionC.x) || farFrom(color.C.y, color.distortionC.y))
        color.distortionC = color.C;
    ir.distortionC = ir.C;
    _color = color;
    _ir = ir;
    _payloadVersion = CLASS_VERSION;
    return true;
}

} // namespace Hyx
