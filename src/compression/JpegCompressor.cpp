#include <Hyx/JpegCodec.h>

#include "core/LogLevelEnabled.h"

#include <turbojpeg.h>

#include <cstdint>

namespace Hyx {

namespace {

constexpr int kFixedQuality = 85;

void logFailure(const char* text)
{
    LogLine(VornCommon::LogLevel::Error, "jpeg-turbo error: %s", text);
}

} // namespace

JpegCompressor::JpegCompressor() : _output(std::make_shared<FlatMemoryUInt8>())
{
}

JpegCompressor::~JpegCompressor()
{
    if (_handle)
        tjDestroy(_handle);
}

uint8_t* JpegCompressor::CompressGray(const uint8_t* pixels, uint16_t width, uint16_t height, int, uint32_t& size)
{
    return compress(pixels, width, height, width, TJPF_GRAY, TJSAMP_GRAY, kFixedQuality, size);
}

uint8_t* JpegCompressor::CompressRGB(const uint8_t* pixels, uint16_t width, uint16_t height, int quality,
                                     uint32_t& size)
{
    return compress(pixels, width, height, 3 * width, TJPF_RGB, TJSAMP_420, quality, size);
}

uint8_t* JpegCompressor::CompressBGR(const uint8_t* pixels, uint16_t width, uint16_t height, int, uint32_t& size)
{
    return compress(pixels, width, height, 3 * width, TJPF_BGR, TJSAMP_420, kFixedQuality, size);
}

uint8_t* JpegCompressor::compress(const uint8_t* pixels, uint16_t width, uint16_t height, int pitch, int pixelFormat,
                                  int subsampling, int quality, uint32_t& size)
{
    size = 0;
    // An empty image has no bound (TurboJPEG answers -1), and nothing to code.
    if (width == 0 || height == 0 || !pixels) {
        logFailure("image without pixels");
        return nullptr;
    }
    if (!_handle && !(_handle = tjInitCompress())) {
        logFailure(tjGetErrorStr2(nullptr));
        return nullptr;
    }
    const unsigned long bound = tjBufSize(width, height, subsampling);
    if (bound == static_cast<unsigned long>(-1) || bound > UINT32_MAX) {
        logFailure("image too large");
        return nullptr;
    }
    unsigned char* stream = _output->resize(static_cast<uint32_t>(bound));
    unsigned long length = bound;
    if (tjCompress2(_handle, pixels, width, pitch, height, pixelFormat, &stream, &length, subsampling, quality,
                    TJFLAG_NOREALLOC) != 0) {
        logFailure(tjGetErrorStr2(_handle));
        return nullptr;
    }
    size = static_cast<uint32_t>(length);
    return stream;
}

} // namespace Hyx
