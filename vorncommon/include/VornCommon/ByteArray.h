#pragma once

// ByteArray: an owned, resizable run of bytes. Raw forms of the value types append to one and
// read from its front, so several values can travel one after another in a single array.

#include <VornCommon/Export.h>

#include <cstdint>
#include <vector>

namespace VornCommon {

class VORN_API ByteArray {
public:
    ByteArray() = default;
    /// Copies `size` bytes from `data`; throws std::invalid_argument for null data with a size.
    ByteArray(const uint8_t* data, uint64_t size);
    /// `size` zero bytes.
    explicit ByteArray(uint64_t size);

    uint64_t Size() const noexcept { return m_bytes.size(); }
    bool IsEmpty() const noexcept { return m_bytes.empty(); }
    uint8_t* Data() noexcept { return m_bytes.data(); }
    const uint8_t* Data() const noexcept { return m_bytes.data(); }

    void Clear() noexcept { m_bytes.clear(); }
    /// New bytes are zero.
    void Resize(uint64_t size);
    /// Appends `size` bytes from `data`; throws std::invalid_argument for null data with a size.
    void Append(const uint8_t* data, uint64_t size);
    void Append(const ByteArray& other);
    /// Removes up to `count` bytes from the front (all of them when fewer are held).
    void RemoveFront(uint64_t count) noexcept;
    /// Copies up to `count` bytes from the front into `dest`, zero-filling what the array lacks,
    /// and returns how many bytes were present. With `consume` those bytes are removed.
    uint64_t ReadFront(uint8_t* dest, uint64_t count, bool consume);

    friend bool operator==(const ByteArray&, const ByteArray&) = default;

private:
    std::vector<uint8_t> m_bytes;
};

} // namespace VornCommon
