#include <Hyx/DataTypeTransform.h>

#include <Hyx/StatusProperty.h>

#include <VornCommon/FileHelper.h>
#include <VornCommon/FileWriter.h>
#include <VornCommon/StringHelper.h>

#include "datatypes/LayerText.h"
#include "impl/core/BuiltInRegistration.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace Hyx {

HYX_BUILTIN_DATA_LAYER(DataTypeTransform);

namespace {

using VornCommon::Matrix4x4f;

constexpr uint32_t PAYLOAD_SIZE = Matrix4x4f::RAW_BYTES_SIZE;
constexpr int ROWS = 4;
constexpr int COLUMNS = 4;

constexpr Matrix4x4f ZERO(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);

/// The matrix of up to 64 payload bytes; missing elements, and a cut-off last one, are 0.
Matrix4x4f matrixFromPayload(const uint8_t* data, uint32_t size)
{
    uint8_t raw[PAYLOAD_SIZE] = {};
    if (data)
        std::memcpy(raw, data, std::min(size, PAYLOAD_SIZE) / sizeof(float) * sizeof(float));
    return Matrix4x4f::FromRawBytes(raw);
}

} // namespace

DataTypeTransform::DataTypeTransform() : DataLayer(CLASS_VERSION)
{
}

DataTypeTransform::~DataTypeTransform() = default;

void DataTypeTransform::Allocate(bool identity)
{
    uint8_t raw[PAYLOAD_SIZE] = {};
    if (identity) {
        Matrix4x4f().ToRawBytes(raw);
    } else if (_payload && _payload->data()) {
        // The resize may move the payload; what it held survives it.
        std::memcpy(raw, _payload->data(), std::min(_payload->size(), PAYLOAD_SIZE));
    }
    preparePayload(PAYLOAD_SIZE).write(raw, PAYLOAD_SIZE);
    initialize();
}

void DataTypeTransform::SetTransformMatrix(const Matrix4x4f& m)
{
    const Matrix4x4f matrix = m;
    if (!_payload || _payload->size() < PAYLOAD_SIZE)
        Allocate(false);
    _matrix = matrix;
    matrix.ToRawBytes(_payload->data());
}

void DataTypeTransform::CopyValuesFrom(std::shared_ptr<DataTypeTransform> other)
{
    if (!other)
        return;
    // The other layer's matrix, not its payload, which may be short.
    const Matrix4x4f matrix = other->_matrix;
    Allocate(false);
    SetTransformMatrix(matrix);
}

bool DataTypeTransform::LoadFromASCIIFile(const char* path)
{
    uint32_t size = 0;
    const std::unique_ptr<uint8_t[]> content(
        VornCommon::FileHelper::ReadFileContentToByteArray(path ? path : "", size, false));
    if (!content)
        return false;
    return LoadFromASCIIMemory(content.get(), size);
}

bool DataTypeTransform::LoadFromASCIIMemory(const uint8_t* text, uint32_t size)
{
    if (!text)
        return false;
    std::string content(reinterpret_cast<const char*>(text), size);
    Matrix4x4f matrix = ZERO;
    bool anyNumber = false;
    for (int row = 0; row < ROWS; ++row) {
        const std::vector<std::string> tokens = VornCommon::StringHelper::ReadLine(content, ' ', true, false);
        for (int column = 0; column < COLUMNS && size_t(column) < tokens.size(); ++column) {
            bool found = false;
            matrix[row][column] = LayerText::ParseFloat(tokens[size_t(column)], found);
            anyNumber |= found;
        }
    }
    if (!anyNumber)
        return false;
    Allocate(false);
    SetTransformMatrix(matrix);
    return true;
}

bool DataTypeTransform::SaveToASCIIFile(const char* path) const
{
    VornCommon::ASCIIFileWriter writer(path ? path : "", "\n");
    bool written = writer.IsOpen();
    for (int row = 0; row < ROWS && written; ++row) {
        float values[COLUMNS];
        for (int column = 0; column < COLUMNS; ++column)
            values[column] = _matrix[row][column];
        written = writer.WriteLine(LayerText::Floats(values, COLUMNS, " "));
    }
    const bool closed = writer.CloseFile();
    return written && closed;
}

std::string DataTypeTransform::ToString(bool friendly) const
{
    return DataLayer::ToString(friendly) + ", Transform=" + _matrix.ToString().StdString();
}

void DataTypeTransform::onUpdateStatusProperties()
{
    addStatusProperty(std::make_shared<StatusPropertyMatrix4x4>("Transform", _matrix));
}

bool DataTypeTransform::deserializeAndMigrate(uint8_t* data, uint32_t size)
{
    if (_payloadVersion != CLASS_VERSION)
        return false;
    _matrix = matrixFromPayload(data, size);
    return true;
}

} // namespace Hyx
