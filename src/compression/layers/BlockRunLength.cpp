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

void Encode(const uint8_t* data, uint64_t n, Pattern pattern, std::vector<uint8_t>& out)
{
    const uint32_t b = pattern.size;
    const uint64_t whole = n / b;
    const uint64_t rest = n % b;
    out.clear();
    // Worst case: every block a literal.
    out.reserve(static_cast<size_t>((whole + (rest ? 1 : 0)) * (b + 1)));
    uint32_t run = 0;
    for (uint64_t i = 0; i < whole; ++i) {
        const uint8_t* block = data + i * b;
        if (std::memcmp(block, pattern.block, b) == 0) {
            if (++run == MAX_RUN) {
                out.push_back(static_cast<uint8_t>(run));
                run = 0;
            }
            continue;
        }
        if (run) {
            out.push_back(static_cast<uint8_t>(run));
            run = 0;
        }
        out.push_back(0);
        out.insert(out.end(), block, block + b);
    }
    if (run)
        out.push_back(static_cast<uint8_t>(run));
    if (rest) {
        out.push_back(0);
        const size_t at = out.size();
        out.resize(at + b, 0);
        std::memcpy(out.data() + at, data + whole * b, static_cast<size_t>(rest));
    }
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
        const uint64_t take = std::min<uint64_t>(b, n - p);
        // Only a trailing partial block may be clipped.
        if (take < b && p + take != n)
            throw std::runtime_error("run-length stream is longer than the texture");
        std::memcpy(out + p, coded + i, static_cast<size_t>(take));
        p += take;
        i += b;
    }
    if (p != n)
        throw std::runtime_error("run-length stream is shorter than the texture");
}

} // namespace Hyx::BlockRunLength
