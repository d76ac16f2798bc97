#include <Hyx/FloatCompressor.h>

#include <cstring>
#include <stdexcept>

namespace Hyx {

namespace {

constexpr float kInverse16 = 1.0f / 65535.0f;
constexpr float kInverse12 = 1.0f / 4095.0f;

std::unique_ptr<uint8_t[]> allocate(uint64_t bytes)
{
    if (bytes > UINT32_MAX)
        throw std::length_error("packed values do not fit in 32 bits");
    return std::unique_ptr<uint8_t[]>(new uint8_t[bytes == 0 ? 1 : bytes]);
}

} // namespace

std::unique_ptr<uint8_t[]> FloatCompressor::CompressFloatsTo16Bit(const float* values, uint32_t count)
{
    auto out = allocate(2ull * count);
    for (uint32_t i = 0; i < count; ++i) {
        float v = values[i] * 65535.0f;
        v = v > 0.0f ? v : 0.0f; // NaN too
        v = v < 65535.0f ? v : 65535.0f;
        const auto code = static_cast<uint16_t>(static_cast<int32_t>(v));
        std::memcpy(out.get() + 2 * size_t(i), &code, 2);
    }
    return out;
}

void FloatCompressor::DecompressFloatsFrom16Bit(const uint8_t* in, uint32_t count, float* values)
{
    for (uint32_t i = 0; i < count; ++i) {
        uint16_t code;
        std::memcpy(&code, in + 2 * size_t(i), 2);
        values[i] = float(code) * kInverse16;
    }
}

std::unique_ptr<uint8_t[]> FloatCompressor::CompressFloatsTo12Bit(const float* values, uint32_t count)
{
    if (count % 2 != 0)
        throw std::invalid_argument("12-bit packing needs an even count of values");
    bool inside = true;
    for (uint32_t i = 0; i < count; ++i)
        inside &= values[i] >= 0.0f && values[i] <= 1.0f;
    if (!inside)
        throw std::out_of_range("12-bit packing takes values of 0 to 1 only");
    auto out = allocate(3ull * (count / 2));
    for (uint32_t i = 0; i < count / 2; ++i) {
        const auto a = static_cast<uint32_t>(static_cast<int32_t>(values[2 * size_t(i)] * 4095.0f));
        const auto b = static_cast<uint32_t>(static_cast<int32_t>(values[2 * size_t(i) + 1] * 4095.0f));
        uint8_t* o = out.get() + 3 * size_t(i);
        o[0] = static_cast<uint8_t>(a);
        o[1] = static_cast<uint8_t>(b);
        o[2] = static_cast<uint8_t>((a >> 8 & 0x0F) | (b >> 8 & 0x0F) << 4);
    }
    return out;
}

void FloatCompressor::DecompressFloatsFrom12Bit(const uint8_t* in, uint32_t count, float* values)
{
    if (count % 2 != 0)
        throw std::invalid_argument("12-bit packing needs an even count of values");
    for (uint32_t i = 0; i < count / 2; ++i) {
        const uint8_t* s = in + 3 * size_t(i);
        values[2 * size_t(i)] = float(uint32_t(s[2] & 0x0F) << 8 | s[0]) * kInverse12;
        values[2 * size_t(i) + 1] = float(uint32_t(s[2] & 0xF0) << 4 | s[1]) * kInverse12;
    }
}

} // namespace Hyx
