// Block and image drivers of the ETC2 encoder: gather the texels, run the modes, keep the
// best, write the blocks most significant byte first.

#include "texture/Etc2Codec.h"
#include "texture/etc2/Etc2Block.h"

#include <algorithm>
#include <thread>
#include <vector>

namespace Hyx {

namespace {

using namespace Etc2;

// Texels of the block at rgb (row stride bytes apart), column-major.
void gather(const uint8_t* rgb, uint32_t stride, Texels& t)
{
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            for (int c = 0; c < 3; ++c)
                t.c[c][x * 4 + y] = rgb[y * stride + x * 3 + c];
}

bool uniform(const Texels& t)
{
    for (int c = 0; c < 3; ++c)
        for (int i = 1; i < 16; ++i)
            if (t.c[c][i] != t.c[c][0])
                return false;
    return true;
}

// Below this error the fast search keeps what it has (about two levels per channel).
constexpr uint32_t kGoodEnough = 16 * 1000 * 4;

Candidate best(const Texels& t, Search search)
{
    if (uniform(t))
        return EncodeUniform(t);
    Candidate found = EncodePlanar(t, search);
    if (search == Search::Fast && found.error <= kGoodEnough)
        return found;
    if (const Candidate c = EncodeIndividualDifferential(t, search); c.error < found.error)
        found = c;
    if (search == Search::Fast && found.error <= kGoodEnough)
        return found;
    const Splits splits = SplitClusters(t, search);
    for (const Candidate& c : {EncodeT(t, splits, search), EncodeH(t, splits, search)})
        if (c.error < found.error)
            found = c;
    return found;
}

void encodeRows(const uint8_t* rgb, uint32_t width, uint32_t rowBegin, uint32_t rowEnd, uint8_t* blocks, Search search)
{
    Texels t;
    const uint32_t stride = width * 3, blocksPerRow = width / 4;
    for (uint32_t by = rowBegin; by < rowEnd; ++by)
        for (uint32_t bx = 0; bx < blocksPerRow; ++bx) {
            gather(rgb + size_t(by) * 4 * stride + bx * 12, stride, t);
            const uint64_t bits = best(t, search).bits;
            uint8_t* out = blocks + (size_t(by) * blocksPerRow + bx) * 8;
            for (int k = 0; k < 8; ++k)
                out[k] = uint8_t(bits >> (56 - 8 * k));
        }
}

} // namespace

void Etc2Codec::Encode(const uint8_t* rgb, uint32_t width, uint32_t height, uint8_t* blocks, bool thorough,
                       unsigned threads)
{
    const Search search = thorough ? Search::Thorough : Search::Fast;
    const uint32_t rows = height / 4;
    threads = std::clamp(threads, 1u, std::max(rows, 1u));
    if (threads == 1) {
        encodeRows(rgb, width, 0, rows, blocks, search);
        return;
    }
    std::vector<std::thread> workers;
    workers.reserve(threads);
    for (unsigned k = 0; k < threads; ++k)
        workers.emplace_back(encodeRows, rgb, width, rows * k / threads, rows * (k + 1) / threads, blocks, search);
    for (auto& worker : workers)
        worker.join();
}

uint64_t Etc2Codec::EncodeBlock(const uint8_t* rgb, Mode mode, bool thorough, uint32_t* error)
{
    const Search search = thorough ? Search::Thorough : Search::Fast;
    Texels t;
    gather(rgb, 12, t);
    Candidate found;
    switch (mode) {
    case Mode::Best: found = best(t, search); break;
    case Mode::Individual:
    case Mode::Differential: found = EncodeIndividualDifferential(t, search); break;
    case Mode::T: found = EncodeT(t, SplitClusters(t, search), search); break;
    case Mode::H: found = EncodeH(t, SplitClusters(t, search), search); break;
    case Mode::Planar: found = EncodePlanar(t, search); break;
    }
    *error = found.error;
    return found.bits;
}

uint32_t Etc2Codec::BlockError(const uint8_t* source, const uint8_t* decoded)
{
    uint32_t sum = 0;
    for (int i = 0; i < 48; ++i) {
        const int32_t d = int32_t(source[i]) - decoded[i];
        sum += uint32_t(kWeight[i % 3] * d * d);
    }
    return sum;
}

} // namespace Hyx
