#include <Hyx/ImageSequenceWriter.h>

#include <Hyx/LoggerInstance.h>

#include <VornCommon/FileHelper.h>

#include "core/FileProblem.h"

#include <lodepng.h>

#include <memory>

namespace Hyx {

ImageSequenceWriter::ImageSequenceWriter(const char* folder) : _folder(folder ? folder : ""), _hasFolder(folder)
{
}

ImageSequenceWriter::~ImageSequenceWriter() = default;

bool ImageSequenceWriter::WriteImage(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t bitsPerPixel,
                                     const char* fileName) const
{
    if (!pixels || !fileName || !_hasFolder)
        return false;
    const std::string path = VornCommon::FileHelper::CombinePath(_folder, fileName);
    unsigned result = 0;
    switch (bitsPerPixel) {
    case 8: result = lodepng_encode_file(path.c_str(), pixels, width, height, LCT_GREY, 8); break;
    case 24: result = lodepng_encode_file(path.c_str(), pixels, width, height, LCT_RGB, 8); break;
    case 32: result = lodepng_encode_file(path.c_str(), pixels, width, height, LCT_RGBA, 8); break;
    case 16: {
        // PNG stores 16-bit samples most significant byte first.
        const size_t bytes = size_t(width) * size_t(height) * 2;
        std::unique_ptr<uint8_t[]> swapped(new uint8_t[bytes == 0 ? 1 : bytes]);
        for (size_t i = 0; i < bytes; i += 2) {
            swapped[i] = pixels[i + 1];
            swapped[i + 1] = pixels[i];
        }
        result = lodepng_encode_file(path.c_str(), swapped.get(), width, height, LCT_GREY, 16);
        break;
    }
    default: return false;
    }
    if (result == 0)
        return true;
    constexpr unsigned kFileNotOpened = 79; // the encoder's code for a file it could not create
    LogMessage(VornCommon::LogLevel::Error, "Can't write file '%s' (%s)", path.c_str(),
               result == kFileNotOpened ? DescribeUnwritableFile(path) : "Cannot be encoded");
    return false;
}

} // namespace Hyx
