#include "compression/layers/BlockRunLength.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace Hyx::BlockRunLength {

namespace {

constexpr uint8_t DXT1_BLOCK[8] = {0x00, 0x00, 0x00, 0x00, 0xAA, 0xAA, 0xAA, 0xAA};
constexpr uint8_t ETC2_BLOCK[8] = {0x00, 0x00, 0x00, 0x02, 0xFF, 0xFF, 0xFF, 0xFF};
constexpr uint8_t ASTC_BLOCK[16] = {0xFC, 0xFD, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF};
constexpr uint32_t MAX_RUN = 251;

} // namespace

Pattern Dxt1()
{
    return {DXT1_BLOCK, 8};
}

Pattern Etc2()
{
    return {ETC2_BLOCK, 8};
}

Pattern Astc()
{
    return {ASTC_BLOCK, 16};
}

uint64_t EncodedBound(uint64_t n, Pattern pattern)
{
    return (n + pattern.size - 1) / pattern.size * (pattern.size + 1);
}

uint64_t DecodedBound(uint64_t codedSize, Pattern pattern)
{
    return codedSize * MAX_RUN * pattern.size;
}

namespace {

/// The coder for one block size: blocks are compared as whole words, literals copied at once.
template <uint32_t B>
uint8_t* encodeBlocks(const uint8_t* data, uint64_t blocks, const uint8_t* patternBlock, uint8_t* w)
{
    uint64_t pattern[B / 8];
    std::memcpy(pattern, patternBlock, B);
    uint32_t run = 0;
    for (uint64_t i = 0; i < blocks; ++i) {
        const uint8_t* block = data + i * B;
        uint64_t words[B / 8];
        std::memcpy(words, block, B);
        bool same = true;
        for (uint32_t k = 0; k < B / 8; ++k)
            same &= words[k] == pattern[k];
        if (same) {
            if (++run == MAX_RUN) {
                *w++ = static_cast<uint8_t>(run);
                run = 0;
            }
            continue;
        }
        if (run) {
            *w++ = static_cast<uint8_t>(run);
            run = 0;
        }
        *w++ = 0;
        std::memcpy(w, words, B);
        w += B;
    }
    if (run)
        *w++ = static_cast<uint8_t>(run);
    return w;
}

} // namespace

uint64_t Encode(const uint8_t* data, uint64_t n, Pattern pattern, uint8_t* out)
{
    const uint32_t b = pattern.size;
    const uint64_t whole = n / b;
    const uint64_t rest = n % b;
    uint8_t* w =
        b == 16 ? encodeBlocks<16>(data, whole, pattern.block, out) : encodeBlocks<8>(data, whole, pattern.block, out);
    if (rest) {
        *w++ = 0;
        std::memset(w, 0, b);
        std::memcpy(w, data + whole * b, static_cast<size_t>(rest));
        w += b;
    }
    return static_cast<uint64_t>(w - out);
}

void Decode(const uint8_t* coded, uint64_t codedSize, Pattern pattern, uint8_t* out, uint64_t n)
{
    const uint32_t b = pattern.size;
    uint64_t p = 0;
    uint64_t i = 0;
    while (i < codedSize) {
        if (p >= n)
            throw std::runtime_error("run-length stream is longer than the texture");
        const uint8_t t = coded[i++];
        if (t) {
            if (uint64_t(t) * b > n - p)
                throw std::runtime_error("run-length stream is longer than the texture");
            for (uint8_t k = 0; k < t; ++k, p += b)
                std::memcpy(out + p, pattern.block, b);
            continue;
        }
        if (codedSize - i < b)
            throw std::runtime_error("run-length stream ends inside a block");
        // A trailing partial block is clipped to the texture.
        const uint64_t take = std::min<uint64_t>(b, n - p);
        std::memcpy(out + p, coded + i, static_cast<size_t>(take));
        p += take;
        i += b;
    }
    if (p != n)
        throw std::runtime_error("run-length stream is shorter than the texture");
}

} // namespace Hyx::BlockRunLength
