// Writes the seed corpus of the texture file fuzz target: PNG files of every colour type and
// bit depth, plain and interlaced, and baseline and progressive JPEG files, each behind the
// byte that selects its decoder.
// Usage: hyx_fuzz_texture_file_seeds <output folder>

#include "SeedFolder.h"

#include <lodepng.h>
#include <turbojpeg.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

void write(const std::filesystem::path& file, uint8_t selector, const unsigned char* bytes, size_t size)
{
    std::ofstream out(file, std::ios::binary);
    out.put(static_cast<char>(selector));
    out.write(reinterpret_cast<const char*>(bytes), std::streamsize(size));
}

} // namespace

int main(int argc, char** argv)
{
    const std::filesystem::path folder = SeedFolder(argc, argv);
    const unsigned w = 24, h = 16;
    std::vector<unsigned char> rgba(size_t(w) * h * 8);
    for (size_t i = 0; i < rgba.size(); ++i)
        rgba[i] = static_cast<unsigned char>(i * 7 + i / 40);

    const struct {
        LodePNGColorType type;
        unsigned depth;
    } pngModes[] = {{LCT_GREY, 1}, {LCT_GREY, 4},       {LCT_GREY, 8},        {LCT_GREY, 16},
                    {LCT_RGB, 8},  {LCT_RGB, 16},       {LCT_PALETTE, 2},     {LCT_PALETTE, 8},
                    {LCT_RGBA, 8}, {LCT_GREY_ALPHA, 8}, {LCT_GREY_ALPHA, 16}, {LCT_RGBA, 16}};
    int n = 0;
    for (const auto& mode : pngModes) {
        for (unsigned interlace = 0; interlace < 2; ++interlace) {
            LodePNGState state;
            lodepng_state_init(&state);
            state.info_raw.colortype = mode.type;
            state.info_raw.bitdepth = mode.depth;
            state.info_png.color.colortype = mode.type;
            state.info_png.color.bitdepth = mode.depth;
            state.info_png.interlace_method = interlace;
            state.encoder.auto_convert = 0;
            if (mode.type == LCT_PALETTE)
                for (unsigned c = 0; c < (1u << mode.depth); ++c)
                    lodepng_palette_add(&state.info_png.color, c, 255 - c, c * 3, 255);
            if (mode.type == LCT_PALETTE)
                lodepng_color_mode_copy(&state.info_raw, &state.info_png.color);
            unsigned char* png = nullptr;
            size_t size = 0;
            if (lodepng_encode(&png, &size, rgba.data(), w, h, &state) == 0)
                write(folder / ("png" + std::to_string(n++)), interlace << 1, png, size);
            std::free(png);
            lodepng_state_cleanup(&state);
        }
    }

    const struct {
        int pixelFormat, subsampling, flags;
    } jpegModes[] = {{TJPF_RGB, TJSAMP_420, 0},
                     {TJPF_RGB, TJSAMP_444, 0},
                     {TJPF_GRAY, TJSAMP_GRAY, 0},
                     {TJPF_RGB, TJSAMP_422, TJFLAG_PROGRESSIVE},
                     {TJPF_GRAY, TJSAMP_GRAY, TJFLAG_PROGRESSIVE}};
    tjhandle coder = tjInitCompress();
    n = 0;
    for (const auto& mode : jpegModes) {
        unsigned char* jpeg = nullptr;
        unsigned long size = 0;
        if (coder && tjCompress2(coder, rgba.data(), int(w), 0, int(h), mode.pixelFormat, &jpeg, &size,
                                 mode.subsampling, 90, mode.flags) == 0)
            write(folder / ("jpeg" + std::to_string(n)), uint8_t(1 | (n & 1) << 1), jpeg, size);
        tjFree(jpeg);
        ++n;
    }
    if (coder)
        tjDestroy(coder);
    return 0;
}
