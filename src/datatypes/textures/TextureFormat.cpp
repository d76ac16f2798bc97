#include <Hyx/TextureFormat.h>

namespace Hyx {

namespace {

// Bytes per pixel as a fraction; a zero numerator marks a format without size.
struct BytesPerPixel {
    uint32_t numerator;
    uint32_t denominator;
};

struct FormatRow {
    const char* name;
    BytesPerPixel bytes;
};

constexpr FormatRow kFormats[TextureFormatCount] = {
    {"8-Bit-YUV-NVX", {1, 1}},
    {"8-Bit-YUV-NV21", {1, 1}},
    {"8-Bit-YUV-NV12", {1, 1}},
    {"IR", {1, 1}}, // 2 at depth 16 bit
    {"16-Bit-DepthMap", {2, 1}},
    {"24-Bit-BGR", {3, 1}},
    {"24-Bit-RGB", {3, 1}},
    {"16-Bit-IR", {2, 1}},
    {"8-Bit-Bayer-RGGB", {1, 1}},
    {"8-Bit-Bayer-BGGR", {1, 1}},
    {"8-Bit-Bayer-GRBG", {1, 1}},
    {"8-Bit-Bayer-GBRG", {1, 1}},
    {"32-Bit-RGB (3x10 Bit)", {4, 1}},
    {"24-Bit-HSL", {3, 1}},
    {"32-Bit-HSL (3x10 Bit)", {4, 1}},
    {"DXT5 YCOCG", {1, 1}},
    {"8-Bit-PaletteBased", {1, 1}},
    {"16-Bit-PaletteBased", {2, 1}},
    {"32-Bit-RGBA", {4, 1}},
    {"DXT1", {1, 2}},
    {"DXT1-RLE", {0, 1}},
    {"ETC2", {1, 2}},
    {"ETC2-RLE", {0, 1}},
    {"ASTC", {1, 4}},
    {"ASTC-RLE", {0, 1}},
};

const FormatRow* row(TextureFormat format)
{
    const auto value = static_cast<int32_t>(format);
    return value >= 0 && value < TextureFormatCount ? &kFormats[value] : nullptr;
}

} // namespace

const char* GetTextureFormatName(TextureFormat format)
{
    const FormatRow* r = row(format);
    return r ? r->name : "Unknown";
}

const char* GetTextureDepthName(TextureDepth depth)
{
    switch (depth) {
    case TextureDepth::Depth8Bit: return "8-Bit";
    case TextureDepth::Depth16Bit: return "16-Bit";
    }
    return "Unknown";
}

bool TextureFormatHasSize(TextureFormat format)
{
    const FormatRow* r = row(format);
    return r && r->bytes.numerator != 0;
}

uint64_t ComputeTextureSizeInBytes(TextureFormat format, TextureDepth depth, uint16_t width, uint16_t height)
{
    const FormatRow* r = row(format);
    if (!r)
        return 0;
    uint64_t numerator = r->bytes.numerator;
    if (format == TextureFormat::IR && depth == TextureDepth::Depth16Bit)
        numerator = 2;
    // At most 65535^2 * 2 bytes: exact in 64 bits.
    return uint64_t(width) * height * numerator / r->bytes.denominator;
}

} // namespace Hyx
