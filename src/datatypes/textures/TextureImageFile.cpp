#include "datatypes/textures/TextureImageFile.h"

#include <Hyx/JpegCodec.h>
#include <Hyx/TextureFormatConverter.h>
#include <Hyx/ThreadLocal.h>

#include "core/LogLevelEnabled.h"

#include <VornCommon/FileHelper.h>
#include <VornCommon/StringHelper.h>

#include <lodepng.h>

#include <cstdlib>
#include <cstring>

namespace Hyx::TextureImageFile {

namespace {

using VornCommon::StringHelper;

constexpr uint32_t kMaxSide = 65535; // a texture stores its sides as u16
constexpr uint64_t kMaxInflateRatio = 1032; // deflate codes at most 258 bytes in 2 bits
constexpr uint32_t kHeaderSize = 4;

struct FreeDeleter {
    void operator()(unsigned char* p) const { std::free(p); }
};

bool decodePng(const uint8_t* bytes, size_t size, bool bgr, uint64_t maxPixels, FlatMemoryUInt8& buffer,
               uint32_t offset, uint16_t& width, uint16_t& height)
{
    lodepng::State state;
    unsigned w = 0, h = 0;
    if (lodepng_inspect(&w, &h, &state, bytes, size) != 0 || w == 0 || h == 0 || w > kMaxSide || h > kMaxSide)
        return false;
    // The filtered rows must fit what the compressed bytes can inflate to.
    const uint64_t pixels = uint64_t(w) * h;
    const uint64_t rows = uint64_t(h) * (1 + (uint64_t(w) * lodepng_get_bpp(&state.info_png.color) + 7) / 8);
    const uint64_t total = offset + 3 * pixels;
    if (rows > kMaxInflateRatio * size || pixels > maxPixels || total > UINT32_MAX)
        return false;
    state.info_raw.colortype = LCT_RGB;
    state.info_raw.bitdepth = 8;
    // Interlaced passes carry more filter and padding bytes than the plain rows, never thrice.
    state.decoder.zlibsettings.max_output_size = 3 * rows + 64;
    state.decoder.read_text_chunks = 0;
    state.decoder.remember_unknown_chunks = 0;
    unsigned char* decoded = nullptr;
    const unsigned error = lodepng_decode(&decoded, &w, &h, &state, bytes, size);
    const std::unique_ptr<unsigned char, FreeDeleter> owner(decoded);
    if (error != 0 || !decoded || uint64_t(w) * h != pixels)
        return false;
    uint8_t* destination = buffer.resize(uint32_t(total)) + offset;
    if (bgr)
        TextureFormatConverter::RGB24_to_BGR24(decoded, destination, uint32_t(pixels));
    else
        std::memcpy(destination, decoded, size_t(3 * pixels));
    width = uint16_t(w);
    height = uint16_t(h);
    return true;
}

bool decodeJpeg(const uint8_t* bytes, size_t size, bool bgr, uint64_t maxPixels, FlatMemoryUInt8& buffer,
                uint32_t offset, uint16_t& width, uint16_t& height)
{
    uint32_t w = 0, h = 0;
    JpegDecompressor& decoder = ThreadLocal<JpegDecompressor>::ThreadInstance();
    if (!decoder.DecompressImage(bytes, size, bgr, maxPixels, w, h, buffer, offset))
        return false;
    // JPEG sides are 16-bit, as a texture's.
    width = uint16_t(w);
    height = uint16_t(h);
    return true;
}

} // namespace

Kind KindOfPath(const char* path)
{
    if (!path)
        return Kind::Unknown;
    if (StringHelper::endsWith(path, ".png"))
        return Kind::Png;
    if (StringHelper::endsWith(path, ".jpg") || StringHelper::endsWith(path, ".jpeg"))
        return Kind::Jpeg;
    return Kind::Unknown;
}

bool Decode(const uint8_t* bytes, size_t size, Kind kind, bool bgr, uint64_t maxPixels, FlatMemoryUInt8& buffer,
            uint32_t offset, uint16_t& width, uint16_t& height)
{
    if (!bytes || size == 0)
        return false;
    switch (kind) {
    case Kind::Png: return decodePng(bytes, size, bgr, maxPixels, buffer, offset, width, height);
    case Kind::Jpeg: return decodeJpeg(bytes, size, bgr, maxPixels, buffer, offset, width, height);
    default: return false;
    }
}

std::shared_ptr<FlatMemoryUInt8> Load(const char* path, bool bgr, uint16_t& width, uint16_t& height)
{
    const Kind kind = KindOfPath(path);
    if (kind == Kind::Unknown)
        return nullptr;
    uint32_t size = 0;
    const std::unique_ptr<uint8_t[]> file(VornCommon::FileHelper::ReadFileContentToByteArray(path, size));
    if (!file && kind == Kind::Png)
        LogLine(VornCommon::LogLevel::Error, "Could not open PNG!\n%s", path);
    if (!file)
        return nullptr;
    auto buffer = std::make_shared<FlatMemoryUInt8>();
    if (Decode(file.get(), size, kind, bgr, UINT64_MAX, *buffer, kHeaderSize, width, height))
        return buffer;
    if (kind == Kind::Png)
        LogLine(VornCommon::LogLevel::Error, "PNG size mismatch!\n%s", path);
    return nullptr;
}

} // namespace Hyx::TextureImageFile
