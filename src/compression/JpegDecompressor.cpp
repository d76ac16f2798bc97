#include <Hyx/JpegCodec.h>

#include <VornCommon/FileHelper.h>

#include <turbojpeg.h>

#include <stdexcept>
#include <string>

namespace Hyx {

namespace {

std::runtime_error failure(void* handle)
{
    return std::runtime_error(std::string("jpeg-turbo error: ") + tjGetErrorStr2(handle));
}

} // namespace

JpegDecompressor::~JpegDecompressor()
{
    if (_handle)
        tjDestroy(_handle);
}

void* JpegDecompressor::handle()
{
    if (!_handle && !(_handle = tjInitDecompress()))
        throw failure(nullptr);
    return _handle;
}

std::runtime_error JpegDecompressor::failed()
{
    std::runtime_error error = failure(_handle);
    dropHandle();
    return error;
}

void JpegDecompressor::dropHandle()
{
    // TurboJPEG can leave a handle unusable after a failed header read (every later stream
    // then fails with "two SOI markers"), so a failure starts the next call afresh.
    tjDestroy(_handle);
    _handle = nullptr;
}

void JpegDecompressor::DecompressGray(const uint8_t* jpeg, uint32_t jpegSize, uint16_t width, uint16_t height,
                                      uint8_t* destination)
{
    decompress(jpeg, jpegSize, width, height, destination, TJPF_GRAY, 1);
}

void JpegDecompressor::DecompressRGB(const uint8_t* jpeg, uint32_t jpegSize, uint16_t width, uint16_t height,
                                     uint8_t* destination)
{
    decompress(jpeg, jpegSize, width, height, destination, TJPF_RGB, 3);
}

void JpegDecompressor::DecompressBGR(const uint8_t* jpeg, uint32_t jpegSize, uint16_t width, uint16_t height,
                                     uint8_t* destination)
{
    decompress(jpeg, jpegSize, width, height, destination, TJPF_BGR, 3);
}

void JpegDecompressor::decompress(const uint8_t* jpeg, uint32_t jpegSize, uint16_t width, uint16_t height,
                                  uint8_t* destination, int pixelFormat, int bytesPerPixel)
{
    if (!jpeg || jpegSize == 0)
        throw std::runtime_error("jpeg-turbo error: empty stream");
    void* h = handle();
    int streamWidth = 0, streamHeight = 0, subsampling = 0;
    if (tjDecompressHeader2(h, const_cast<uint8_t*>(jpeg), jpegSize, &streamWidth, &streamHeight, &subsampling) != 0)
        throw failed();
    // TurboJPEG would silently scale a stream of another size into the destination.
    if (streamWidth != width || streamHeight != height)
        throw std::runtime_error("JPEG image size differs from the texture size");
    // Warnings count as failures: a truncated stream decodes with a warning.
    if (tjDecompress2(h, jpeg, jpegSize, destination, width, bytesPerPixel * width, height, pixelFormat, 0) != 0)
        throw failed();
}

bool JpegDecompressor::DecompressFileRGB(const char* path, uint32_t& width, uint32_t& height,
                                         std::shared_ptr<FlatMemoryUInt8> buffer, int offset)
{
    return decompressFile(path, width, height, buffer, offset, false);
}

bool JpegDecompressor::DecompressFileBGR(const char* path, uint32_t& width, uint32_t& height,
                                         std::shared_ptr<FlatMemoryUInt8> buffer, int offset)
{
    return decompressFile(path, width, height, buffer, offset, true);
}

bool JpegDecompressor::decompressFile(const char* path, uint32_t& width, uint32_t& height,
                                      const std::shared_ptr<FlatMemoryUInt8>& buffer, int offset, bool bgr)
{
    if (!path || !buffer || offset < 0)
        return false;
    uint32_t fileSize = 0;
    std::unique_ptr<uint8_t[]> file(VornCommon::FileHelper::ReadFileContentToByteArray(path, fileSize));
    return file && DecompressImage(file.get(), fileSize, bgr, UINT64_MAX, width, height, *buffer, uint32_t(offset));
}

bool JpegDecompressor::DecompressImage(const uint8_t* jpeg, size_t jpegSize, bool bgr, uint64_t maxPixels,
                                       uint32_t& width, uint32_t& height, FlatMemoryUInt8& buffer, uint32_t offset)
{
    if (!jpeg || jpegSize == 0 || jpegSize > UINT32_MAX)
        return false;
    if (!_handle && !(_handle = tjInitDecompress()))
        return false;
    auto* bytes = const_cast<uint8_t*>(jpeg);
    const auto size = static_cast<unsigned long>(jpegSize);
    int w = 0, h = 0, subsampling = 0;
    if (tjDecompressHeader2(_handle, bytes, size, &w, &h, &subsampling) != 0 || w <= 0 || h <= 0) {
        dropHandle();
        return false;
    }
    const uint64_t pixels = uint64_t(w) * uint64_t(h);
    const uint64_t total = uint64_t(offset) + 3 * pixels;
    if (pixels > MaxPixelsPerByte * jpegSize || pixels > maxPixels || total > UINT32_MAX)
        return false;
    uint8_t* destination = buffer.resize(static_cast<uint32_t>(total)) + offset;
    // A warning (a truncated stream among them) ends the decode as a failure; the scan limit
    // keeps a crafted progressive stream from decoding for minutes.
    if (tjDecompress2(_handle, bytes, size, destination, w, 3 * w, h, bgr ? TJPF_BGR : TJPF_RGB,
                      TJFLAG_LIMITSCANS | TJFLAG_STOPONWARNING) != 0) {
        dropHandle();
        return false;
    }
    width = static_cast<uint32_t>(w);
    height = static_cast<uint32_t>(h);
    return true;
}

} // namespace Hyx
