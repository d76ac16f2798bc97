#include <Hyx/DataTypeVertex.h>

#include <Hyx/StatusProperty.h>

namespace Hyx {

DataTypeVertexBase::DataTypeVertexBase(uint16_t classVersion) : DataLayer(classVersion)
{
}

DataTypeVertexBase::~DataTypeVertexBase() = default;

std::string DataTypeVertexBase::ToString(bool friendly) const
{
    return DataLayer::ToString(friendly) + ", NumVertices=" + std::to_string(_numVertices);
}

void DataTypeVertexBase::onUpdateStatusProperties()
{
    addStatusProperty(std::make_shared<StatusPropertyInt>("Num vertices", static_cast<int>(_numVertices)));
}

} // namespace Hyx
