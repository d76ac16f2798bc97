#include <Hyx/DataTypeByteArray.h>

#include <Hyx/StatusProperty.h>

#include "impl/core/BuiltInRegistration.h"

#include <climits>
#include <stdexcept>

namespace Hyx {

HYX_BUILTIN_DATA_LAYER(DataTypeByteArray);

DataTypeByteArray::DataTypeByteArray() : DataLayer(CLASS_VERSION)
{
}

DataTypeByteArray::~DataTypeByteArray() = default;

const uint8_t* DataTypeByteArray::Serialize(uint32_t& size)
{
    // A shortened size field would corrupt every block after this one.
    if (_array.Size() > UINT32_MAX)
        throw std::length_error("DataTypeByteArray: array of 4 GiB or more cannot be serialized.");
    size = uint32_t(_array.Size());
    return _array.Data();
}

bool DataTypeByteArray::deserializeAndMigrate(uint8_t* data, uint32_t size)
{
    if (_payloadVersion != CLASS_VERSION)
        return false;
    _array = VornCommon::ByteArray(data, size);
    return true;
}

std::string DataTypeByteArray::ToString(bool friendly) const
{
    return DataLayer::ToString(friendly) + ", Size=" + std::to_string(_array.Size());
}

void DataTypeByteArray::onUpdateStatusProperties()
{
    addStatusProperty(
        std::make_shared<StatusPropertyInt>("Size", _array.Size() > INT_MAX ? INT_MAX : int(_array.Size())));
}

} // namespace Hyx
