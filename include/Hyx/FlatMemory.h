#pragma once

// Payload buffers: a flat array of elements that either owns its storage or borrows a
// caller's memory.
//
// Contract:
// - size and capacity count elements, never bytes; size never exceeds capacity.
// - Owned storage is allocated with new T[] and released with delete[]; storage adopted
//   with SetWithoutCopyAndTakeResponsibilityToDelete must come from new T[] as well. Adopted
//   storage may start some elements into its allocation (data read together with what
//   precedes it); the allocation is what gets released.
// - resize never preserves contents across a reallocation, and never writes into
//   borrowed storage.
// - Every size computation is done in 64 bits; a size that does not fit in 32 bits raises
//   std::length_error instead of producing a short buffer.
// - Copy sources may lie inside the buffer's own storage: they are read before the old
//   storage is released, and overlapping moves use memmove.
// - Not synchronised: one thread at a time.

#include <Hyx/Export.h>

#include <cstdint>
#include <memory>
#include <type_traits>

namespace Hyx {

template <typename T>
class HYX_API FlatMemory {
    static_assert(std::is_trivially_copyable_v<T>, "FlatMemory holds plain values only");

public:
    using value_type = T;

    /// Empty owning buffer without storage.
    FlatMemory() = default;
    /// Owning buffer of n elements with undefined contents (no storage when n is 0).
    explicit FlatMemory(uint32_t n);
    /// Frees the storage when owned.
    virtual ~FlatMemory();

    FlatMemory(const FlatMemory&) = delete;
    FlatMemory& operator=(const FlatMemory&) = delete;

    /// Sets the size to n. Owned storage of sufficient capacity is kept with its leading
    /// contents; otherwise fresh owned storage of exactly n elements replaces it (contents
    /// undefined). Returns the data pointer.
    T* resize(uint32_t n);

    /// resize(n), then copies n elements from source (which may lie inside this buffer).
    void CopyFrom(const T* source, uint32_t n);

    /// Adopts p (allocated with new T[]) as owned storage of n elements.
    void SetWithoutCopyAndTakeResponsibilityToDelete(T* p, uint32_t n);
    /// Adopts the n elements from allocation + offset as owned storage; allocation (non-null,
    /// from new T[]) is released with it.
    void SetWithoutCopyAndTakeResponsibilityToDelete(T* allocation, uint32_t offset, uint32_t n);
    /// Borrows p as storage of n elements; the caller keeps it alive and frees it.
    void SetWithoutCopyAndDoNotTakeResponsibilityToDelete(T* p, uint32_t n);

    /// Size := 0; storage, capacity and ownership stay.
    void clear() { _size = 0; }

    /// Number of elements in use.
    uint32_t size() const { return _size; }
    /// Number of elements the storage holds.
    uint32_t capacity() const { return _capacity; }
    /// True when the buffer frees its storage.
    bool owns() const { return _owns; }
    /// The storage (null when there is none).
    T* data() const { return _data; }
    /// Same as data().
    T* begin() const { return _data; }
    /// One past the last element in use.
    T* end() const { return _data + _size; }

    /// Appends n bytes; the first append reserves at least 1024 bytes, later growth
    /// reserves twice the needed size. Appends into borrowed storage while it has room.
    void push_back(const unsigned char* p, uint32_t n) requires std::is_same_v<T, uint8_t>;
    /// Appends the value's native bytes.
    void push_back(unsigned char value) requires std::is_same_v<T, uint8_t>;
    void push_back(unsigned short value) requires std::is_same_v<T, uint8_t>;
    void push_back(unsigned int value) requires std::is_same_v<T, uint8_t>;
    void push_back(float value) requires std::is_same_v<T, uint8_t>;
    /// Appends the characters of s and its NUL (a null s counts as the empty text).
    void push_back(const char* s) requires std::is_same_v<T, uint8_t>;

private:
    void release();
    void adopt(T* p, uint32_t n, bool owns);

    bool _owns = true;
    T* _data = nullptr;
    uint32_t _offset = 0; // elements from the owned allocation's start to _data
    uint32_t _size = 0;
    uint32_t _capacity = 0;
};

extern template class FlatMemory<uint8_t>;
extern template class FlatMemory<uint16_t>;
extern template class FlatMemory<uint32_t>;
extern template class FlatMemory<float>;

using FlatMemoryUInt8 = FlatMemory<uint8_t>;
using FlatMemoryUInt16 = FlatMemory<uint16_t>;
using FlatMemoryUInt32 = FlatMemory<uint32_t>;
using FlatMemoryFloat = FlatMemory<float>;

} // namespace Hyx
