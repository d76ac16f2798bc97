#pragma once

// Payloads made of a u32 element count followed by the packed elements, as the geometry
// layers store them. All sizes are formed in 64 bits, so a stored count can never make an
// array appear to fit when it does not.

#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace Hyx::CountedArray {

/// The u32 at offset, 0 when it does not lie within size bytes.
inline uint32_t CountAt(const uint8_t* data, uint32_t size, uint32_t offset)
{
    uint32_t count = 0;
    if (data && uint64_t(offset) + 4 <= size)
        std::memcpy(&count, data + offset, 4);
    return count;
}

/// The array of count elements at offset, or null when it is empty or does not lie entirely
/// within size bytes.
inline uint8_t* ElementsAt(uint8_t* data, uint32_t size, uint32_t offset, uint32_t count, uint32_t elementSize)
{
    const uint64_t bytes = uint64_t(count) * elementSize;
    if (!data || bytes == 0 || uint64_t(offset) + bytes > size)
        return nullptr;
    return data + offset;
}

/// headerSize + count * elementSize; std::length_error when that does not fit in 32 bits.
inline uint32_t PayloadSize(uint32_t headerSize, uint32_t count, uint32_t elementSize)
{
    const uint64_t bytes = uint64_t(headerSize) + uint64_t(count) * elementSize;
    if (bytes > UINT32_MAX)
        throw std::length_error("Too many elements for one payload.");
    return static_cast<uint32_t>(bytes);
}

/// The count and array of a version-0 payload with a 4-byte count header; count 0 and null,
/// and false, for any other version.
template <class Element>
bool Load(uint16_t version, uint8_t* data, uint32_t size, uint32_t elementSize, uint32_t& count, Element*& elements)
{
    count = 0;
    elements = nullptr;
    if (version != 0)
        return false;
    count = CountAt(data, size, 0);
    elements = reinterpret_cast<Element*>(ElementsAt(data, size, 4, count, elementSize));
    return true;
}

} // namespace Hyx::CountedArray
