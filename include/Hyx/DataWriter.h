#pragma once

// Cursor writer over a payload, in the encoding DataReader reads: little-endian scalars,
// unaligned, no padding; a string is its bytes and a NUL; a GUID is its 16 raw bytes;
// arrays carry no count.
//
// Contract:
// - A write happens whole or not at all: one that does not fit is dropped and leaves the
//   cursor where it was; a later, smaller write may still fit.
// - Bound tests are done in 64 bits and cannot wrap; seekforwards saturates, so a huge
//   seek never brings the cursor back over earlier fields.
// - Array writes copy nothing when the source already is the destination, so a caller may
//   fill the payload in place through getPtr and then write only to advance the cursor.
// - The writer never owns, grows or keeps alive the memory it covers.

#include <Hyx/Export.h>
#include <Hyx/FlatMemory.h>

#include <VornCommon/Guid.h>

#include <cstdint>
#include <cstring>
#include <memory>

namespace Hyx {

class HYX_API DataWriter {
public:
    /// Cursor at 0 over data[0, size).
    DataWriter(uint8_t* data, uint32_t size) : _data(data), _size(data ? size : 0) {}
    /// Cursor at 0 over the buffer's storage; the writable size is the buffer's size, not
    /// its capacity. An empty pointer gives a writer that writes nothing.
    explicit DataWriter(const std::shared_ptr<FlatMemoryUInt8>& buffer)
        : DataWriter(buffer ? buffer->data() : nullptr, buffer ? buffer->size() : 0)
    {
    }
    // Inline, so a local cursor never escapes and its position stays in a register.
    virtual ~DataWriter() = default;

    /// Stores the value at the cursor and advances; true when it fit.
    bool write(unsigned char value) { return put(value); }
    bool write(unsigned short value) { return put(value); }
    bool write(unsigned int value) { return put(value); }
    bool write(unsigned long value) { return put(uint64_t(value)); }
    bool write(unsigned long long value) { return put(uint64_t(value)); }
    bool write(float value) { return put(value); }

    /// The characters of s and its NUL (a null s counts as the empty text).
    bool write(const char* s);
    /// The 16 raw bytes of the GUID.
    bool write(const VornCommon::Guid& guid);

    /// n elements back to back, all or nothing.
    bool write(const unsigned char* p, uint32_t n) { return putArray(p, n); }
    bool write(const unsigned short* p, uint32_t n) { return putArray(p, uint64_t(n) * 2); }
    bool write(const unsigned int* p, uint32_t n) { return putArray(p, uint64_t(n) * 4); }
    bool write(const float* p, uint32_t n) { return putArray(p, uint64_t(n) * 4); }

    /// Moves the cursor n bytes forwards without a bound test (saturating at 2^32 - 1).
    void seekforwards(uint32_t n)
    {
        const uint64_t target = uint64_t(_position) + n;
        _position = target > 0xFFFFFFFFull ? 0xFFFFFFFFu : uint32_t(target);
    }
    /// Where the next write goes (may lie past the end after seekforwards: do not write
    /// through it then).
    uint8_t* getPtr() const { return _data ? _data + _position : nullptr; }
    /// The cursor.
    uint32_t getPos() const { return _position; }

private:
    bool fits(uint64_t n) const { return uint64_t(_position) + n <= _size; }

    template <typename V>
    bool put(V value)
    {
        if (!fits(sizeof(V)))
            return false;
        std::memcpy(_data + _position, &value, sizeof(V));
        _position += uint32_t(sizeof(V));
        return true;
    }

    bool putArray(const void* p, uint64_t bytes)
    {
        if (!fits(bytes))
            return false;
        uint8_t* destination = _data + _position;
        if (bytes != 0 && p != destination)
            std::memmove(destination, p, bytes);
        _position += uint32_t(bytes);
        return true;
    }

    uint8_t* _data;
    uint32_t _size;
    uint32_t _position = 0;
};

} // namespace Hyx
