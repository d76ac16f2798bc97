#pragma once

// Bytes that a setter copies into its own layer's payload. Resizing the payload may free
// its storage, so a source lying inside that storage (a getter's pointer handed back to a
// setter) is copied aside first; any other source is used in place.

#include <Hyx/FlatMemory.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace Hyx {

class PayloadSource {
public:
    /// Covers size bytes at data; payload may be null (a dropped payload).
    PayloadSource(const FlatMemoryUInt8* payload, const void* data, size_t size)
        : _data(static_cast<const uint8_t*>(data))
    {
        if (payload == nullptr || _data == nullptr || size == 0 || payload->data() == nullptr)
            return;
        const uint8_t* begin = payload->data();
        const uint8_t* end = begin + payload->capacity();
        // std::less gives a total order even for pointers into different objects.
        const std::less<const uint8_t*> before;
        if (before(_data, end) && before(begin, _data + size)) {
            _copy.assign(_data, _data + size);
            _data = _copy.data();
        }
    }

    /// The bytes to read from.
    const uint8_t* data() const { return _data; }

private:
    std::vector<uint8_t> _copy;
    const uint8_t* _data;
};

} // namespace Hyx
