#pragma once

// Little-endian packing of the 32-bit fields of raw forms, and the ByteArray side of them. Floats go through their bit pattern,
// so every value (NaN payloads included) reads back bit-identical.

#include <VornCommon/ByteArray.h>

#include <bit>
#include <cstdint>

namespace VornCommon::Raw {

inline void PutU32(uint8_t* out, uint32_t value) noexcept
{
    out[0] = static_cast<uint8_t>(value);
    out[1] = static_cast<uint8_t>(value >> 8);
    out[2] = static_cast<uint8_t>(value >> 16);
    out[3] = static_cast<uint8_t>(value >> 24);
}

inline uint32_t GetU32(const uint8_t* in) noexcept
{
    return static_cast<uint32_t>(in[0]) | static_cast<uint32_t>(in[1]) << 8 | static_cast<uint32_t>(in[2]) << 16 |
           static_cast<uint32_t>(in[3]) << 24;
}

inline void PutF32(uint8_t* out, float value) noexcept
{
    PutU32(out, std::bit_cast<uint32_t>(value));
}

inline float GetF32(const uint8_t* in) noexcept
{
    return std::bit_cast<float>(GetU32(in));
}

/// Appends the raw form of a value type that writes RAW_BYTES_SIZE bytes to a pointer.
template <class T>
void AppendTo(ByteArray& out, const T& value)
{
    uint8_t raw[T::RAW_BYTES_SIZE];
    value.ToRawBytes(raw);
    out.Append(raw, T::RAW_BYTES_SIZE);
}

/// Reads a value type's raw form from the front of `in`, missing bytes as zero; `consume`
/// removes the bytes read.
template <class T>
T ReadFront(ByteArray& in, bool consume)
{
    uint8_t raw[T::RAW_BYTES_SIZE];
    in.ReadFront(raw, T::RAW_BYTES_SIZE, consume);
    return T::FromRawBytes(raw);
}

} // namespace VornCommon::Raw
