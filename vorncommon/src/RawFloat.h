#pragma once

// Little-endian packing of the 32-bit fields of raw forms. Floats go through their bit pattern,
// so every value (NaN payloads included) reads back bit-identical.

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
    return static_cast<uint32_t>(in[0]) | static_cast<uint32_t>(in[1]) << 8 |
           static_cast<uint32_t>(in[2]) << 16 | static_cast<uint32_t>(in[3]) << 24;
}

inline void PutF32(uint8_t* out, float value) noexcept
{
    PutU32(out, std::bit_cast<uint32_t>(value));
}

inline float GetF32(const uint8_t* in) noexcept
{
    return std::bit_cast<float>(GetU32(in));
}

} // namespace VornCommon::Raw
