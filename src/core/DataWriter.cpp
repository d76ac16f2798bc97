#include <Hyx/DataWriter.h>

namespace Hyx {

bool DataWriter::write(const char* s)
{
    if (s == nullptr)
        return put(uint8_t(0));
    return putArray(s, uint64_t(std::strlen(s)) + 1);
}

bool DataWriter::write(const VornCommon::Guid& guid)
{
    if (!fits(VornCommon::Guid::RAW_BYTES_SIZE))
        return false;
    guid.ToRawBytes(_data + _position);
    _position += uint32_t(VornCommon::Guid::RAW_BYTES_SIZE);
    return true;
}

} // namespace Hyx
