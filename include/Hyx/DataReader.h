#pragma once

// Cursor reader over a payload: little-endian scalars, unaligned, no padding; a string is
// its bytes and a NUL; a GUID is its 16 raw bytes; arrays carry no count.
//
// Contract:
// - A read that does not fit yields 0 (0.0, "", the nil GUID, a null pointer) and leaves
//   the cursor where it was, so callers detect a shortfall by comparing GetReaderPos with
//   GetDataSize.
// - Bound tests are done in 64 bits and cannot wrap.
// - Pointers handed out point into the payload and may be unaligned: copy through them
//   with memcpy, never dereference them as float or uint32_t.
// - The reader owns nothing and must not outlive the bytes it covers.

#include <Hyx/Export.h>

#include <VornCommon/Guid.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace Hyx {

class HYX_API DataReader {
public:
    /// Cursor at 0 over data[0, size).
    DataReader(uint8_t* data, uint32_t size) : _data(data), _size(data ? size : 0) {}
    // Inline, so a local cursor never escapes and its position stays in a register.
    virtual ~DataReader() = default;

    /// The value at the cursor, cursor advanced; 0 and cursor unchanged when too short.
    uint8_t read_uint8() { return take<uint8_t>(); }
    uint16_t read_uint16() { return take<uint16_t>(); }
    uint32_t read_uint32() { return take<uint32_t>(); }
    uint64_t read_uint64() { return take<uint64_t>(); }
    float read_float() { return take<float>(); }

    /// The same into an out-parameter (0 on failure); true when the value was read.
    bool read(uint8_t& value) { return takeInto(value); }
    bool read(uint16_t& value) { return takeInto(value); }
    bool read(uint32_t& value) { return takeInto(value); }
    bool read(uint64_t& value) { return takeInto(value); }
    bool read(unsigned long long& value) { return takeInto(value); }
    bool read(float& value) { return takeInto(value); }

    /// The NUL-terminated text at the cursor, cursor moved past the NUL; "" and cursor
    /// unchanged when no NUL lies before the end.
    std::string read_string();
    /// Assigns read_string(); true when a terminated text was found.
    bool read(std::string& text);

    /// 16 raw bytes as a GUID, cursor advanced by 16; nil and cursor unchanged when short.
    VornCommon::Guid read_guid();

    /// Pointer to the next n bytes (n floats, n u32), cursor advanced; null and cursor
    /// unchanged when n is 0 or too few bytes remain. The pointer may be unaligned.
    uint8_t* get_byteptr(uint32_t n) { return static_cast<uint8_t*>(takeBytes(n)); }
    float* get_floatptr(uint32_t n) { return static_cast<float*>(takeBytes(uint64_t(n) * 4)); }
    uint32_t* get_uint32ptr(uint32_t n) { return static_cast<uint32_t*>(takeBytes(uint64_t(n) * 4)); }
    /// The same results delivered in the out-parameter.
    void getptr(uint8_t*& p, uint32_t n) { p = get_byteptr(n); }
    void getptr(float*& p, uint32_t n) { p = get_floatptr(n); }
    void getptr(uint32_t*& p, uint32_t n) { p = get_uint32ptr(n); }

    /// The cursor.
    uint32_t GetReaderPos() const { return _position; }
    /// The number of bytes covered.
    uint32_t GetDataSize() const { return _size; }

private:
    bool fits(uint64_t n) const { return uint64_t(_position) + n <= _size; }

    template <typename V>
    bool takeInto(V& value)
    {
        if (!fits(sizeof(V))) {
            value = V(0);
            return false;
        }
        std::memcpy(&value, _data + _position, sizeof(V));
        _position += uint32_t(sizeof(V));
        return true;
    }

    template <typename V>
    V take()
    {
        V value;
        takeInto(value);
        return value;
    }

    void* takeBytes(uint64_t n)
    {
        if (n == 0 || !fits(n))
            return nullptr;
        void* p = _data + _position;
        _position += uint32_t(n);
        return p;
    }

    uint8_t* _data;
    uint32_t _size;
    uint32_t _position = 0;
};

} // namespace Hyx
