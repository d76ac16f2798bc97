#include <Hyx/UInt32Compressor.h>

#include <cstring>
#include <stdexcept>

namespace Hyx {

namespace {

// One pass that the compiler turns into a vector OR: the largest index decides.
void requireBelow(const uint32_t* indices, uint32_t count, uint32_t limit, const char* text)
{
    uint32_t all = 0;
    for (uint32_t i = 0; i < count; ++i)
        all |= indices[i];
    if (all >= limit)
        throw std::out_of_range(text);
}

inline void storeWord(uint8_t* p, uint32_t w)
{
    std::memcpy(p, &w, 4);
}

inline uint32_t loadWord(const uint8_t* p)
{
    uint32_t w;
    std::memcpy(&w, p, 4);
    return w;
}

} // namespace

std::unique_ptr<uint8_t[]> UInt32Compressor::Compress24Bit(const uint32_t* indices, uint32_t count, uint32_t& size)
{
    requireBelow(indices, count, 1u << 24, "index does not fit in 24 bits");
    const uint64_t bytes = 3ull * count;
    if (bytes > UINT32_MAX)
        throw std::length_error("packed indices do not fit in 32 bits");
    size = static_cast<uint32_t>(bytes);
    std::unique_ptr<uint8_t[]> out(new uint8_t[bytes == 0 ? 1 : bytes]);
    const uint32_t groups = count / 4;
    for (uint32_t g = 0; g < groups; ++g) {
        const uint32_t* s = indices + 4 * size_t(g);
        uint8_t* o = out.get() + 12 * size_t(g);
        storeWord(o, s[0] | s[3] << 24);
        storeWord(o + 4, s[1] | (s[3] >> 8) << 24);
        storeWord(o + 8, s[2] | (s[3] >> 16) << 24);
    }
    for (uint32_t i = 4 * groups; i < count; ++i) {
        uint8_t* o = out.get() + 3 * size_t(i);
        o[0] = static_cast<uint8_t>(indices[i]);
        o[1] = static_cast<uint8_t>(indices[i] >> 8);
        o[2] = static_cast<uint8_t>(indices[i] >> 16);
    }
    return out;
}

void UInt32Compressor::Decompress24Bit(const uint8_t* in, uint32_t count, uint32_t* indices)
{
    const uint32_t groups = count / 4;
    for (uint32_t g = 0; g < groups; ++g) {
        const uint8_t* s = in + 12 * size_t(g);
        const uint32_t a = loadWord(s), b = loadWord(s + 4), c = loadWord(s + 8);
        uint32_t* o = indices + 4 * size_t(g);
        o[0] = a & 0xFFFFFFu;
        o[1] = b & 0xFFFFFFu;
        o[2] = c & 0xFFFFFFu;
        o[3] = a >> 24 | (b >> 24) << 8 | (c >> 24) << 16;
    }
    for (uint32_t i = 4 * groups; i < count; ++i) {
        const uint8_t* s = in + 3 * size_t(i);
        indices[i] = uint32_t(s[0]) | uint32_t(s[1]) << 8 | uint32_t(s[2]) << 16;
    }
}

std::unique_ptr<uint8_t[]> UInt32Compressor::Compress16Bit(const uint32_t* indices, uint32_t count, uint32_t& size)
{
    requireBelow(indices, count, 1u << 16, "index does not fit in 16 bits");
    const uint64_t bytes = 2ull * count;
    if (bytes > UINT32_MAX)
        throw std::length_error("packed indices do not fit in 32 bits");
    size = static_cast<uint32_t>(bytes);
    std::unique_ptr<uint8_t[]> out(new uint8_t[bytes == 0 ? 1 : bytes]);
    for (uint32_t i = 0; i < count; ++i) {
        const auto v = static_cast<uint16_t>(indices[i]);
        std::memcpy(out.get() + 2 * size_t(i), &v, 2);
    }
    return out;
}

void UInt32Compressor::Decompress16Bit(const uint8_t* in, uint32_t count, uint32_t* indices)
{
    for (uint32_t i = 0; i < count; ++i) {
        uint16_t v;
        std::memcpy(&v, in + 2 * size_t(i), 2);
        indices[i] = v;
    }
}

} // namespace Hyx
