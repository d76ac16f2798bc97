// The per-vertex layers that are a count and one packed array: normals, colours, texture
// coordinates and accuracies.

#include <Hyx/DataTypeVertex.h>

#include "datatypes/geometry/CountedArray.h"
#include "impl/core/BuiltInRegistration.h"

namespace Hyx {

HYX_BUILTIN_DATA_LAYER(DataTypeVertexNormals);
HYX_BUILTIN_DATA_LAYER(DataTypeVertexColors);
HYX_BUILTIN_DATA_LAYER(DataTypeVertexTextureUVs);
HYX_BUILTIN_DATA_LAYER(DataTypeVertexAccuracies);

namespace {

constexpr uint32_t HEADER_SIZE = 4;
constexpr uint32_t NORMAL_SIZE = 12;
constexpr uint32_t COLOR_SIZE = 3;
constexpr uint32_t UV_SIZE = 8;
constexpr uint32_t ACCURACY_SIZE = 4;

} // namespace

DataTypeVertexNormals::DataTypeVertexNormals() : DataTypeVertexBase(CLASS_VERSION)
{
}

DataTypeVertexNormals::~DataTypeVertexNormals() = default;

float* DataTypeVertexNormals::Allocate(uint32_t count)
{
    preparePayload(CountedArray::PayloadSize(HEADER_SIZE, count, NORMAL_SIZE)).write(count);
    initialize();
    return _normals;
}

bool DataTypeVertexNormals::deserializeAndMigrate(uint8_t* data, uint32_t size)
{
    return CountedArray::Load(_payloadVersion, data, size, NORMAL_SIZE, _numVertices, _normals);
}

DataTypeVertexColors::DataTypeVertexColors() : DataTypeVertexBase(CLASS_VERSION)
{
}

DataTypeVertexColors::~DataTypeVertexColors() = default;

uint8_t* DataTypeVertexColors::Allocate(uint32_t count)
{
    preparePayload(CountedArray::PayloadSize(HEADER_SIZE, count, COLOR_SIZE)).write(count);
    initialize();
    return _colors;
}

bool DataTypeVertexColors::deserializeAndMigrate(uint8_t* data, uint32_t size)
{
    return CountedArray::Load(_payloadVersion, data, size, COLOR_SIZE, _numVertices, _colors);
}

DataTypeVertexTextureUVs::DataTypeVertexTextureUVs() : DataTypeVertexBase(CLASS_VERSION)
{
}

DataTypeVertexTextureUVs::~DataTypeVertexTextureUVs() = default;

void DataTypeVertexTextureUVs::Allocate(uint32_t count)
{
    preparePayload(CountedArray::PayloadSize(HEADER_SIZE, count, UV_SIZE)).write(count);
    initialize();
}

bool DataTypeVertexTextureUVs::deserializeAndMigrate(uint8_t* data, uint32_t size)
{
    return CountedArray::Load(_payloadVersion, data, size, UV_SIZE, _numVertices, _uvs);
}

DataTypeVertexAccuracies::DataTypeVertexAccuracies() : DataTypeVertexBase(CLASS_VERSION)
{
}

DataTypeVertexAccuracies::~DataTypeVertexAccuracies() = default;

float* DataTypeVertexAccuracies::Allocate(uint32_t count)
{
    preparePayload(CountedArray::PayloadSize(HEADER_SIZE, count, ACCURACY_SIZE)).write(count);
    initialize();
    return _accuracies;
}

bool DataTypeVertexAccuracies::deserializeAndMigrate(uint8_t* data, uint32_t size)
{
    return CountedArray::Load(_payloadVersion, data, size, ACCURACY_SIZE, _numVertices, _accuracies);
}

} // namespace Hyx
