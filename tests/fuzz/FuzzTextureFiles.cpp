// Fuzz entry for the PNG and JPEG texture loaders, decoding from memory as LoadFromFile does
// after reading the file. Whatever the bytes, the decoder refuses them or fills exactly
// offset + 3 x width x height bytes; it never reads or writes out of bounds, and never
// allocates more than the bytes can describe.
//
// Input: byte 0 picks the format (bit 0: JPEG, else PNG) and the channel order (bit 1: BGR);
// the rest is the file.

#include <Hyx/FlatMemory.h>

#include "datatypes/textures/TextureImageFile.h"

#include <cstdint>
#include <cstdlib>

namespace {

// Images past this many pixels only cost memory and time: they are skipped after the
// header has been read, so every run stays within the fuzzer's memory limit.
constexpr uint64_t kPixelBudget = uint64_t(1) << 22;
constexpr uint32_t kOffset = 4;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    using Hyx::TextureImageFile::Kind;
    const Kind kind = data[0] & 1 ? Kind::Jpeg : Kind::Png;
    Hyx::FlatMemoryUInt8 buffer;
    uint16_t width = 0, height = 0;
    if (Hyx::TextureImageFile::Decode(data + 1, size - 1, kind, data[0] & 2, kPixelBudget, buffer, kOffset, width,
                                      height) &&
        buffer.size() != kOffset + 3ull * width * height)
        std::abort();
    return 0;
}
