#include <VornCommon/ByteArray.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace VornCommon {

ByteArray::ByteArray(const uint8_t* data, uint64_t size)
{
    Append(data, size);
}

ByteArray::ByteArray(uint64_t size) : m_bytes(size, 0)
{
}

void ByteArray::Resize(uint64_t size)
{
    m_bytes.resize(size, 0);
}

void ByteArray::Append(const uint8_t* data, uint64_t size)
{
    if (size == 0)
        return;
    if (!data)
        throw std::invalid_argument("ByteArray: null data with a non-zero size");
    m_bytes.insert(m_bytes.end(), data, data + size);
}

void ByteArray::Append(const ByteArray& other)
{
    // Copy first: appending an array to itself would read from storage the insert reallocates.
    if (&other == this) {
        const std::vector<uint8_t> copy = m_bytes;
        m_bytes.insert(m_bytes.end(), copy.begin(), copy.end());
        return;
    }
    m_bytes.insert(m_bytes.end(), other.m_bytes.begin(), other.m_bytes.end());
}

void ByteArray::RemoveFront(uint64_t count) noexcept
{
    const auto n = static_cast<std::ptrdiff_t>(std::min<uint64_t>(count, m_bytes.size()));
    m_bytes.erase(m_bytes.begin(), m_bytes.begin() + n);
}

uint64_t ByteArray::ReadFront(uint8_t* dest, uint64_t count, bool consume)
{
    const uint64_t present = std::min<uint64_t>(count, m_bytes.size());
    if (present > 0)
        std::memcpy(dest, m_bytes.data(), present);
    if (count > present)
        std::memset(dest + present, 0, count - present);
    if (consume)
        RemoveFront(present);
    return present;
}

} // namespace VornCommon
