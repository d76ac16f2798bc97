#include <Hyx/ImageSequenceWriter.h>

#include <VornCommon/FileHelper.h>

#include "core/FileProblem.h"
#include "core/LogLevelEnabled.h"

#include <lodepng.h>

#include <cstdlib>
#include <memory>

namespace Hyx {

ImageSequenceWriter::ImageSequenceWriter(const char* folder) : _folder(folder ? folder : ""), _hasFolder(folder)
{
}

ImageSequenceWriter::~ImageSequenceWriter() = default;

namespace {

// Encodes into a buffer the encoder allocates; its error code, 0 when encoded. bitsPerPixel
// is one of 8, 16, 24 and 32.
unsigned encodePng(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t bitsPerPixel,
                   unsigned char*& encoded, size_t& size)
{
    switch (bitsPerPixel) {
    case 8: return lodepng_encode_memory(&encoded, &size, pixels, width, height, LCT_GREY, 8);
    case 24: return lodepng_encode_memory(&encoded, &size, pixels, width, height, LCT_RGB, 8);
    case 32: return lodepng_encode_memory(&encoded, &size, pixels, width, height, LCT_RGBA, 8);
    case 16:
    default: {
        // PNG stores 16-bit samples most significant byte first.
        const size_t bytes = size_t(width) * size_t(height) * 2;
        std::unique_ptr<uint8_t[]> swapped(new uint8_t[bytes]);
        for (size_t i = 0; i < bytes; i += 2) {
            swapped[i] = pixels[i + 1];
            swapped[i + 1] = pixels[i];
        }
        return lodepng_encode_memory(&encoded, &size, swapped.get(), width, height, LCT_GREY, 16);
    }
    }
}

} // namespace

bool ImageSequenceWriter::WriteImage(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t bitsPerPixel,
                                     const char* fileName) const
{
    if (!pixels || !fileName || !_hasFolder)
        return false;
    if (bitsPerPixel != 8 && bitsPerPixel != 16 && bitsPerPixel != 24 && bitsPerPixel != 32)
        return false;
    const std::string path = VornCommon::FileHelper::CombinePath(_folder, fileName);
    unsigned char* encoded = nullptr;
    size_t size = 0;
    // A PNG holds at least one pixel: the encoder would write a file no reader takes.
    const bool encodable =
        width != 0 && height != 0 && encodePng(pixels, width, height, bitsPerPixel, encoded, size) == 0;
    // The encoder allocates with malloc, also when it fails part way.
    const std::unique_ptr<unsigned char, void (*)(void*)> png(encoded, std::free);
    // Written with checked calls: the encoder's own file output reports success for a write
    // that failed (a full disk), leaving a cut file behind.
    if (encodable && VornCommon::FileHelper::WriteFile(path, png.get(), size))
        return true;
    const char* cause = encodable ? DescribeUnwritableFile(path, FoldersMade::No) : "Cannot be encoded";
    LogLine(VornCommon::LogLevel::Error, "Can't write file '%s' (%s)", path.c_str(), cause);
    return false;
}

} // namespace Hyx
