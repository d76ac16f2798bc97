#include <Hyx/FlatMemory.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace Hyx {

namespace {

constexpr uint64_t MaxElements = 0xFFFFFFFFull;
constexpr uint32_t FirstAppendCapacity = 1024;

template <typename T>
T* allocateElements(uint64_t n)
{
    if (n > MaxElements)
        throw std::length_error("FlatMemory: size does not fit in 32 bits");
    return n == 0 ? nullptr : new T[n];
}

template <typename Value>
void appendNative(FlatMemory<uint8_t>& buffer, Value value)
{
    unsigned char bytes[sizeof value];
    std::memcpy(bytes, &value, sizeof value);
    buffer.push_back(bytes, uint32_t(sizeof value));
}

} // namespace

template <typename T>
FlatMemory<T>::FlatMemory(uint32_t n) : _data(allocateElements<T>(n)), _size(n), _capacity(n)
{
}

template <typename T>
FlatMemory<T>::~FlatMemory()
{
    release();
}

template <typename T>
void FlatMemory<T>::release()
{
    if (_owns)
        delete[](_data - _offset);
    _data = nullptr;
    _offset = 0;
}

template <typename T>
T* FlatMemory<T>::resize(uint32_t n)
{
    if (_owns && n <= _capacity) {
        _size = n;
        return _data;
    }
    T* fresh = allocateElements<T>(n);
    release();
    _data = fresh;
    _size = _capacity = n;
    _owns = true;
    return _data;
}

template <typename T>
void FlatMemory<T>::CopyFrom(const T* source, uint32_t n)
{
    if (_owns && n <= _capacity) {
        // The source may overlap our own storage.
        if (n != 0 && source != _data)
            std::memmove(_data, source, size_t(n) * sizeof(T));
        _size = n;
        return;
    }
    // Copy into the new storage before the old one (which may hold the source) is freed.
    T* fresh = allocateElements<T>(n);
    if (n != 0)
        std::memcpy(fresh, source, size_t(n) * sizeof(T));
    release();
    _data = fresh;
    _size = _capacity = n;
    _owns = true;
}

template <typename T>
void FlatMemory<T>::adopt(T* p, uint32_t n, bool owns)
{
    if (p != _data) // re-adopting the current storage must not free it
        release();
    _data = p;
    _size = _capacity = n;
    _owns = owns;
}

template <typename T>
void FlatMemory<T>::SetWithoutCopyAndTakeResponsibilityToDelete(T* p, uint32_t n)
{
    adopt(p, n, true);
}

template <typename T>
void FlatMemory<T>::SetWithoutCopyAndTakeResponsibilityToDelete(T* allocation, uint32_t offset, uint32_t n)
{
    adopt(allocation + offset, n, true);
    _offset = offset;
}

template <typename T>
void FlatMemory<T>::SetWithoutCopyAndDoNotTakeResponsibilityToDelete(T* p, uint32_t n)
{
    adopt(p, n, false);
}

template <typename T>
void FlatMemory<T>::push_back(const unsigned char* p, uint32_t n) requires std::is_same_v<T, uint8_t>
{
    const uint64_t needed = uint64_t(_size) + n;
    if (_data == nullptr) {
        const uint32_t reserved = std::max(n, FirstAppendCapacity);
        _data = allocateElements<T>(reserved);
        _capacity = reserved;
        _size = 0;
        _owns = true;
    } else if (needed > _capacity) {
        if (needed > MaxElements)
            throw std::length_error("FlatMemory: size does not fit in 32 bits");
        const uint64_t grown = std::min(2 * needed, MaxElements);
        T* fresh = allocateElements<T>(grown);
        std::memcpy(fresh, _data, _size);
        // p may point into the old storage: append before releasing it.
        if (n != 0)
            std::memcpy(fresh + _size, p, n);
        release();
        _data = fresh;
        _capacity = uint32_t(grown);
        _size = uint32_t(needed);
        _owns = true;
        return;
    }
    if (n != 0 && static_cast<const void*>(p) != static_cast<const void*>(_data + _size))
        std::memmove(_data + _size, p, n);
    _size = uint32_t(needed);
}

template <typename T>
void FlatMemory<T>::push_back(unsigned char value) requires std::is_same_v<T, uint8_t>
{
    if constexpr (std::is_same_v<T, uint8_t>) // clang 14 instantiates it for every T
        push_back(&value, 1);
}

template <typename T>
void FlatMemory<T>::push_back(unsigned short value) requires std::is_same_v<T, uint8_t>
{
    if constexpr (std::is_same_v<T, uint8_t>)
        appendNative(*this, value);
}

template <typename T>
void FlatMemory<T>::push_back(unsigned int value) requires std::is_same_v<T, uint8_t>
{
    if constexpr (std::is_same_v<T, uint8_t>)
        appendNative(*this, value);
}

template <typename T>
void FlatMemory<T>::push_back(float value) requires std::is_same_v<T, uint8_t>
{
    if constexpr (std::is_same_v<T, uint8_t>)
        appendNative(*this, value);
}

template <typename T>
void FlatMemory<T>::push_back(const char* s) requires std::is_same_v<T, uint8_t>
{
    static const char empty = '\0';
    if (s == nullptr)
        s = &empty;
    const size_t length = std::strlen(s) + 1;
    if (length > MaxElements)
        throw std::length_error("FlatMemory: size does not fit in 32 bits");
    if constexpr (std::is_same_v<T, uint8_t>)
        push_back(reinterpret_cast<const unsigned char*>(s), uint32_t(length));
}

template class FlatMemory<uint8_t>;
template class FlatMemory<uint16_t>;
template class FlatMemory<uint32_t>;
template class FlatMemory<float>;

} // namespace Hyx
