#include "texture/RGBDXT5Convertor.h"

#include <squish.h>

#include <algorithm>

namespace Hyx {

namespace {

// Walks the blocks of a W x H image (multiples of 4): each block decodes to 16 RGBA pixels,
// which toRgb turns into the three output bytes of its pixel.
template <size_t BlockBytes, class Decode, class ToRgb>
void walkBlocks(std::vector<uint8_t>& out, const uint8_t* blocks, uint32_t width, uint32_t height, Decode decode,
                ToRgb toRgb)
{
    out.assign(size_t(width) * height * 3, 0);
    uint8_t rgba[64];
    for (uint32_t y = 0; y + 4 <= height; y += 4) {
        for (uint32_t x = 0; x + 4 <= width; x += 4, blocks += BlockBytes) {
            decode(rgba, blocks);
            for (uint32_t j = 0; j < 4; ++j) {
                uint8_t* row = out.data() + (size_t(width) * (y + j) + x) * 3;
                for (uint32_t i = 0; i < 4; ++i)
                    toRgb(rgba + 16 * j + 4 * i, row + 3 * i);
            }
        }
    }
}

} // namespace

void RGBDXT5Convertor::DecodeDXT1ToRGB(std::vector<uint8_t>& out, const uint8_t* blocks, uint32_t width,
                                       uint32_t height)
{
    walkBlocks<8>(
        out, blocks, width, height,
        [](uint8_t* rgba, const uint8_t* block) { squish::Decompress(rgba, block, squish::kDxt1); },
        [](const uint8_t* p, uint8_t* rgb) {
            rgb[0] = p[0];
            rgb[1] = p[1];
            rgb[2] = p[2];
        });
}

void RGBDXT5Convertor::DecodeDXT5YCoCgToRGB(std::vector<uint8_t>& out, const uint8_t* blocks, uint32_t width,
                                            uint32_t height)
{
    // kDxt5: DXT5 alpha from bytes 0-7, the colour block (four-colour mode) from bytes 8-15.
    walkBlocks<16>(
        out, blocks, width, height,
        [](uint8_t* rgba, const uint8_t* block) { squish::Decompress(rgba, block, squish::kDxt5); },
        [](const uint8_t* p, uint8_t* rgb) {
            const int32_t co = p[0] - 128, cg = p[1] - 128, y = p[3];
            rgb[0] = uint8_t(std::clamp(y - co - cg, 0, 255));
            rgb[1] = uint8_t(std::clamp(y + cg, 0, 255));
            rgb[2] = uint8_t(std::clamp(y + co - cg, 0, 255));
        });
}

} // namespace Hyx
