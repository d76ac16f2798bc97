#include <Hyx/DataTypeCylinderCrop.h>

#include <Hyx/DataReader.h>
#include <Hyx/StatusProperty.h>

#include <VornCommon/FileHelper.h>
#include <VornCommon/FileWriter.h>
#include <VornCommon/StringHelper.h>
#include <VornCommon/VarManager.h>

#include "datatypes/LayerText.h"
#include "impl/core/BuiltInRegistration.h"

#include <array>
#include <memory>
#include <stdexcept>
#include <vector>

namespace Hyx {

HYX_BUILTIN_DATA_LAYER(DataTypeCylinderCrop);

namespace {

using VornCommon::Matrix4x4f;
using VornCommon::Vector3f;
using VornCommon::Vector4f;
using VornCommon::Versorf;

constexpr uint32_t PAYLOAD_SIZE = 50;

const std::string& defaultFileName()
{
    static const std::string name = DataTypeCylinderCrop::DEFAULT_FILE_NAME;
    return name;
}

/// The versor of stored or read elements; the default rotation for elements that make none.
Versorf versorOrDefault(const Vector4f& elements)
{
    try {
        return Versorf::FromElementsVector(elements);
    } catch (const std::invalid_argument&) {
        return Versorf();
    }
}

Vector3f readVector3(DataReader& reader)
{
    const float x = reader.read_float();
    const float y = reader.read_float();
    return Vector3f(x, y, reader.read_float());
}

std::string resolvePath(const char* path)
{
    std::string resolved = path ? path : "";
    if (resolved.empty() || resolved == ".cfg")
        resolved = VornCommon::FileHelper::CombinePath(VornCommon::VarManager::getSettingsValue(), defaultFileName());
    return VornCommon::VarManager::getInstance()->translateFromVars(resolved);
}

/// Numbers 1.. of a text line, as floats.
template <size_t N>
std::array<float, N> numbers(const std::vector<std::string>& tokens)
{
    std::array<float, N> values{};
    bool found = false;
    for (size_t i = 0; i < N; ++i)
        values[i] = LayerText::ParseFloat(tokens[i + 1], found);
    return values;
}

const char* yesNo(bool value)
{
    return value ? "yes" : "no";
}

} // namespace

DataTypeCylinderCrop::DataTypeCylinderCrop() : DataLayer(CLASS_VERSION)
{
    rewrite();
}

DataTypeCylinderCrop::~DataTypeCylinderCrop() = default;

std::string DataTypeCylinderCrop::GetVORN4DCylinderCropParamsFileName()
{
    return defaultFileName();
}

void DataTypeCylinderCrop::SetValues(const Vector3f& centre, float radius, float height, const Versorf& rotation,
                                     const Vector3f& translation, bool applyInDecoder, bool applyInPreview)
{
    const Vector4f elements = rotation.ToElementsVector();
    DataWriter writer = preparePayload(PAYLOAD_SIZE);
    writer.write(centre.x);
    writer.write(centre.y);
    writer.write(centre.z);
    writer.write(radius);
    writer.write(height);
    writer.write(elements.x);
    writer.write(elements.y);
    writer.write(elements.z);
    writer.write(elements.w);
    writer.write(translation.x);
    writer.write(translation.y);
    writer.write(translation.z);
    writer.write(static_cast<unsigned char>(applyInDecoder ? 1 : 0));
    writer.write(static_cast<unsigned char>(applyInPreview ? 1 : 0));
    initialize();
}

void DataTypeCylinderCrop::CopyValuesFrom(const DataTypeCylinderCrop* other)
{
    if (other)
        SetValues(other->_centre, other->_radius, other->_height, other->_rotation, other->_translation,
                  other->_applyInDecoder, other->_applyInPreview);
}

void DataTypeCylinderCrop::Reset()
{
    _centre = Vector3f();
    _radius = DEFAULT_RADIUS;
    _height = DEFAULT_HEIGHT;
    _rotation = Versorf();
    _translation = Vector3f();
    _applyInDecoder = false;
    _applyInPreview = false;
}

void DataTypeCylinderCrop::rewrite()
{
    SetValues(_centre, _radius, _height, _rotation, _translation, _applyInDecoder, _applyInPreview);
}

void DataTypeCylinderCrop::SetRadius(float radius)
{
    _radius = radius;
    rewrite();
}

void DataTypeCylinderCrop::SetHeight(float height)
{
    _height = height;
    rewrite();
}

void DataTypeCylinderCrop::SetQuaternionRotation(const Versorf& rotation)
{
    _rotation = rotation;
    rewrite();
}

void DataTypeCylinderCrop::SetTranslation(const Vector3f& translation)
{
    _translation = translation;
    rewrite();
}

void DataTypeCylinderCrop::SetApplyCroppingInDecoder(bool apply)
{
    _applyInDecoder = apply;
    rewrite();
}

void DataTypeCylinderCrop::SetApplyCroppingInPreview(bool apply)
{
    _applyInPreview = apply;
    rewrite();
}

Matrix4x4f DataTypeCylinderCrop::GetRotTransMatrix() const
{
    return Matrix4x4f::CreateTranslation(_translation) * Matrix4x4f::CreateRotationFromVersor(_rotation);
}

bool DataTypeCylinderCrop::LoadFromASCIIFile(const char* path)
{
    uint32_t size = 0;
    const std::unique_ptr<uint8_t[]> content(
        VornCommon::FileHelper::ReadFileContentToByteArray(resolvePath(path), size, false));
    if (!content)
        return false;
    return LoadFromASCIIMemory(content.get(), size);
}

bool DataTypeCylinderCrop::LoadFromASCIIMemory(const uint8_t* text, uint32_t size)
{
    if (!text)
        return false;
    std::string content(reinterpret_cast<const char*>(text), size);
    Vector3f centre;
    float radius = DEFAULT_RADIUS;
    float height = DEFAULT_HEIGHT;
    Versorf rotation;
    Vector3f translation;
    bool recognised = false;
    while (!content.empty()) {
        const std::vector<std::string> tokens = VornCommon::StringHelper::ReadLine(content, ' ', true, false);
        if (tokens.empty())
            continue;
        const std::string& key = tokens[0];
        const size_t count = tokens.size();
        bool known = true;
        if (key == "Units:" && count == 2) {
        } else if (key == "CylindricalCutter_Position:" && count == 4) {
            const auto v = numbers<3>(tokens);
            centre = Vector3f(v[0], v[1], v[2]);
        } else if (key == "CylindricalCutter_Radius:" && count == 2) {
            radius = numbers<1>(tokens)[0];
        } else if (key == "CylindricalCutter_Height:" && count == 2) {
            height = numbers<1>(tokens)[0];
        } else if (key == "Object_Transformation_Matrix:" && count == 17) {
        } else if (key == "Quaternion_Rotation:" && count == 5) {
            const auto v = numbers<4>(tokens);
            rotation = versorOrDefault(Vector4f(v[0], v[1], v[2], v[3]));
        } else if (key == "Post_Translation:" && count == 4) {
            const auto v = numbers<3>(tokens);
            translation = Vector3f(v[0], v[1], v[2]);
        } else {
            known = key == "Post_Scale:";
        }
        recognised |= known;
    }
    if (!recognised)
        return false;
    SetValues(centre, radius, height, rotation, translation, false, false);
    return true;
}

bool DataTypeCylinderCrop::SaveToASCIIFile(const char* path) const
{
    const Matrix4x4f matrix = GetRotTransMatrix();
    const Vector4f q = _rotation.ToElementsVector();
    const float position[3] = {_centre.x, _centre.y, _centre.z};
    const float rotation[4] = {q.x, q.y, q.z, q.w};
    const float translation[3] = {_translation.x, _translation.y, _translation.z};
    std::string matrixLine = "Object_Transformation_Matrix: ";
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column)
            matrixLine += LayerText::Float(matrix[row][column]) + " ";
    const std::string lines[] = {
        "Units: mm",
        "CylindricalCutter_Position: " + LayerText::Floats(position, 3, " "),
        "CylindricalCutter_Radius: " + LayerText::Float(_radius),
        "CylindricalCutter_Height: " + LayerText::Float(_height),
        matrixLine,
        "Quaternion_Rotation: " + LayerText::Floats(rotation, 4, " "),
        "Post_Translation: " + LayerText::Floats(translation, 3, " "),
        "Post_Scale: 1",
    };
    VornCommon::ASCIIFileWriter writer(resolvePath(path), "\n");
    bool written = writer.IsOpen();
    for (const std::string& line : lines)
        written = written && writer.WriteLine(line);
    const bool closed = writer.CloseFile();
    return written && closed;
}

std::string DataTypeCylinderCrop::ToString(bool friendly) const
{
    const Vector4f q = _rotation.ToElementsVector();
    const Matrix4x4f matrix = GetRotTransMatrix();
    const std::pair<const char*, float> fields[] = {
        {"PosX", _centre.x},
        {"PosY", _centre.y},
        {"PosZ", _centre.z},
        {"Radius", _radius},
        {"Height", _height},
        {"QuaternionRotX", q.x},
        {"QuaternionRotY", q.y},
        {"QuaternionRotZ", q.z},
        {"QuaternionRotW", q.w},
        {"TranslationX", _translation.x},
        {"TranslationY", _translation.y},
        {"TranslationZ", _translation.z},
    };
    std::string text = DataLayer::ToString(friendly);
    for (const auto& [name, value] : fields)
        text += std::string(", ") + name + "=" + LayerText::Float(value);
    // Nine elements taken row by row through the 4x4 matrix, not a 3x3 block.
    for (int i = 0; i < 9; ++i)
        text += ", Rot" + std::to_string(i) + "=" + LayerText::Float(matrix[i / 4][i % 4]);
    text += std::string(", CropInDecoder=") + yesNo(_applyInDecoder);
    text += std::string(", CropInPreview=") + yesNo(_applyInPreview);
    return text;
}

void DataTypeCylinderCrop::onUpdateStatusProperties()
{
    addStatusProperty(std::make_shared<StatusPropertyVector3>("Position", _centre));
    addStatusProperty(std::make_shared<StatusPropertyFloat>("Radius", _radius));
    addStatusProperty(std::make_shared<StatusPropertyFloat>("Height", _height));
    addStatusProperty(std::make_shared<StatusPropertyVersor>("Quat rot", _rotation));
    addStatusProperty(std::make_shared<StatusPropertyVector3>("_translation", _translation));
    addStatusProperty(std::make_shared<StatusPropertyBool>("Apply cropping in decoder", _applyInDecoder));
    addStatusProperty(std::make_shared<StatusPropertyBool>("Apply cropping in preview", _applyInPreview));
}

bool DataTypeCylinderCrop::deserializeAndMigrate(uint8_t* data, uint32_t size)
{
    const uint16_t version = _payloadVersion;
    if (version > CLASS_VERSION)
        return false;
    DataReader reader(data, size);
    _centre = readVector3(reader);
    _radius = reader.read_float();
    _height = reader.read_float();
    Vector4f elements;
    elements.x = reader.read_float();
    elements.y = reader.read_float();
    elements.z = reader.read_float();
    elements.w = version == 0 ? 1.0f : reader.read_float();
    _rotation = versorOrDefault(elements);
    _translation = readVector3(reader);
    if (version == 2) {
        _applyInDecoder = reader.read_uint8() != 0;
        _applyInPreview = reader.read_uint8() != 0;
    }
    return true;
}

} // namespace Hyx
