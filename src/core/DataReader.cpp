#include <Hyx/DataReader.h>

namespace Hyx {

std::string DataReader::read_string()
{
    if (_position >= _size)
        return {};
    const uint8_t* start = _data + _position;
    const void* nul = std::memchr(start, 0, _size - _position);
    if (nul == nullptr)
        return {};
    const size_t length = static_cast<const uint8_t*>(nul) - start;
    _position += uint32_t(length + 1);
    return std::string(reinterpret_cast<const char*>(start), length);
}

bool DataReader::read(std::string& text)
{
    const uint32_t before = _position;
    text = read_string();
    return _position != before;
}

VornCommon::Guid DataReader::read_guid()
{
    const uint8_t* bytes = static_cast<const uint8_t*>(takeBytes(VornCommon::Guid::RAW_BYTES_SIZE));
    if (bytes == nullptr)
        return VornCommon::Guid::Nil;
    return VornCommon::Guid::FromRawBytes(bytes, false);
}

} // namespace Hyx
