// Writes the seed corpus of the codec fuzz target: valid Blosc streams of every codec and
// JPEG streams of every pixel layout, each behind the parameters that decode it.
// Usage: hyx_fuzz_codec_seeds <output folder>

#include "SeedFolder.h"

#include <Hyx/BloscCompressor.h>
#include <Hyx/JpegCodec.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

void write(const std::filesystem::path& file, std::vector<uint8_t> header, const uint8_t* bytes, size_t size)
{
    std::ofstream out(file, std::ios::binary);
    header.resize(6, 0);
    out.write(reinterpret_cast<const char*>(header.data()), std::streamsize(header.size()));
    out.write(reinterpret_cast<const char*>(bytes), std::streamsize(size));
}

} // namespace

int main(int argc, char** argv)
{
    const std::filesystem::path folder = SeedFolder(argc, argv);

    std::vector<char> plain(3000);
    for (size_t i = 0; i < plain.size(); ++i)
        plain[i] = static_cast<char>((i * i) % 7 + (i / 100));
    Hyx::BloscCompressor blosc;
    for (uint8_t code = 1; code <= 3; ++code) {
        uint64_t size = plain.size() + 16;
        const uint8_t* bytes =
            blosc.RawCompress(plain.data(), plain.size(), &size, static_cast<Hyx::CompressionBaseTypes>(code), 1);
        const auto n = static_cast<uint32_t>(plain.size());
        write(folder / ("blosc" + std::to_string(code)), {0, uint8_t(code - 1), uint8_t(n), uint8_t(n >> 8), 0}, bytes,
              size);
    }

    const uint16_t w = 24, h = 16;
    std::vector<uint8_t> pixels(size_t(w) * h * 3);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<uint8_t>(i * 3 + i / 50);
    Hyx::JpegCompressor jpeg;
    const uint8_t dims[4] = {uint8_t(w - 1), 0, uint8_t(h - 1), 0};
    for (uint8_t layout = 0; layout < 3; ++layout) {
        uint32_t size = 0;
        const uint8_t* bytes = layout == 0   ? jpeg.CompressGray(pixels.data(), w, h, 85, size)
                               : layout == 1 ? jpeg.CompressRGB(pixels.data(), w, h, 85, size)
                                             : jpeg.CompressBGR(pixels.data(), w, h, 85, size);
        // byte 0 % 3 == 1 picks JPEG, byte 1 % 3 the layout.
        write(folder / ("jpeg" + std::to_string(layout)), {1, layout, dims[0], dims[1], dims[2], dims[3]}, bytes, size);
    }
    std::vector<uint8_t> codes(600);
    for (size_t i = 0; i < codes.size(); ++i)
        codes[i] = static_cast<uint8_t>(i * 37);
    write(folder / "fixed", {2, 3, 4, 5, 6}, codes.data(), codes.size());
    return 0;
}
