// The per-index layers: triangle vertex indices and texture coordinates per triangle corner.

#include <Hyx/DataTypeVertex.h>

#include <Hyx/StatusProperty.h>

#include "datatypes/geometry/CountedArray.h"
#include "impl/core/BuiltInRegistration.h"

namespace Hyx {

HYX_BUILTIN_DATA_LAYER(DataTypeVertexIndices);
HYX_BUILTIN_DATA_LAYER(DataTypeIndexUVs);

namespace {

constexpr uint32_t HEADER_SIZE = 4;
constexpr uint32_t INDEX_SIZE = 4;
constexpr uint32_t UV_SIZE = 8;

} // namespace

DataTypeVertexIndices::DataTypeVertexIndices() : DataLayer(CLASS_VERSION)
{
}

DataTypeVertexIndices::~DataTypeVertexIndices() = default;

void DataTypeVertexIndices::Allocate(uint32_t count)
{
    preparePayload(CountedArray::PayloadSize(HEADER_SIZE, count, INDEX_SIZE)).write(count);
    initialize();
}

std::string DataTypeVertexIndices::ToString(bool friendly) const
{
    return DataLayer::ToString(friendly) + ", NumIndices=" + std::to_string(_numIndices);
}

void DataTypeVertexIndices::onUpdateStatusProperties()
{
    addStatusProperty(std::make_shared<StatusPropertyInt>("Num indices", static_cast<int>(_numIndices)));
}

bool DataTypeVertexIndices::deserializeAndMigrate(uint8_t* data, uint32_t size)
{
    return CountedArray::Load(_payloadVersion, data, size, INDEX_SIZE, _numIndices, _indices);
}

DataTypeIndexUVs::DataTypeIndexUVs() : DataLayer(CLASS_VERSION)
{
}

DataTypeIndexUVs::~DataTypeIndexUVs() = default;

float* DataTypeIndexUVs::Allocate(uint32_t count)
{
    preparePayload(CountedArray::PayloadSize(HEADER_SIZE, count, UV_SIZE)).write(count);
    initialize();
    return _uvs;
}

std::string DataTypeIndexUVs::ToString(bool friendly) const
{
    return DataLayer::ToString(friendly) + ", NumIndices=" + std::to_string(_numIndices);
}

bool DataTypeIndexUVs::deserializeAndMigrate(uint8_t* data, uint32_t size)
{
    return CountedArray::Load(_payloadVersion, data, size, UV_SIZE, _numIndices, _uvs);
}

} // namespace Hyx
