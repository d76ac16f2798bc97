#pragma once

// JPEG coding of textures over TurboJPEG: packed RGB or BGR with 4:2:0 chroma, and single
// 8-bit planes. Each instance keeps one TurboJPEG handle, made on first use.
//
// Contract:
// - Compression writes into the instance's output buffer, sized beforehand to TurboJPEG's
//   bound and never reallocated by TurboJPEG. The returned bytes stay valid until the next
//   compression on the same instance.
// - Gray and BGR always code at quality 85 whatever the caller passes; RGB codes at the
//   caller's quality.
// - A failed compression (TurboJPEG error, empty image) logs "jpeg-turbo error: %s" at
//   level 2 and returns null with size 0: nothing unfinished is handed out.
// - Decoding trusts nothing in the stream: its dimensions must equal the ones the caller
//   stores beside it, and any TurboJPEG error or warning (a truncated stream among them)
//   throws std::runtime_error. The destination is never written beyond width x height
//   pixels.
// - An instance is used by one thread at a time (ThreadLocal).

#include <Hyx/Export.h>
#include <Hyx/FlatMemory.h>

#include <cstdint>
#include <memory>
#include <stdexcept>

namespace Hyx {

class HYX_API JpegCompressor {
public:
    /// No handle and an empty output buffer.
    JpegCompressor();
    /// Releases the handle.
    virtual ~JpegCompressor();
    JpegCompressor(const JpegCompressor&) = delete;
    JpegCompressor& operator=(const JpegCompressor&) = delete;

    /// Codes one 8-bit plane of width x height bytes (quality 85, whatever is passed).
    /// Returns the stream and its length in size, or null and 0 on failure.
    uint8_t* CompressGray(const uint8_t* pixels, uint16_t width, uint16_t height, int quality, uint32_t& size);
    /// Codes packed RGB (3 bytes a pixel) with 4:2:0 chroma at the given quality.
    uint8_t* CompressRGB(const uint8_t* pixels, uint16_t width, uint16_t height, int quality, uint32_t& size);
    /// Codes packed BGR with 4:2:0 chroma (quality 85, whatever is passed).
    uint8_t* CompressBGR(const uint8_t* pixels, uint16_t width, uint16_t height, int quality, uint32_t& size);

private:
    uint8_t* compress(const uint8_t* pixels, uint16_t width, uint16_t height, int pitch, int pixelFormat,
                      int subsampling, int quality, uint32_t& size);

    void* _handle = nullptr;
    std::shared_ptr<FlatMemoryUInt8> _output;
};

class HYX_API JpegDecompressor {
public:
    /// No handle.
    JpegDecompressor() = default;
    /// Releases the handle.
    virtual ~JpegDecompressor();
    JpegDecompressor(const JpegDecompressor&) = delete;
    JpegDecompressor& operator=(const JpegDecompressor&) = delete;

    /// Decodes jpegSize bytes into width x height 8-bit gray pixels at destination. Throws
    /// std::runtime_error when the stream is unreadable, damaged or of another size.
    void DecompressGray(const uint8_t* jpeg, uint32_t jpegSize, uint16_t width, uint16_t height, uint8_t* destination);
    /// The same into packed RGB (3 bytes a pixel).
    void DecompressRGB(const uint8_t* jpeg, uint32_t jpegSize, uint16_t width, uint16_t height, uint8_t* destination);
    /// The same into packed BGR.
    void DecompressBGR(const uint8_t* jpeg, uint32_t jpegSize, uint16_t width, uint16_t height, uint8_t* destination);

    /// Loads a JPEG file as packed RGB behind offset bytes of buffer: buffer is resized to
    /// offset + 3 x width x height bytes and width and height receive the image size. False
    /// when the file cannot be read, is no decodable JPEG, claims more pixels than its bytes
    /// can code or is too large for a texture; width, height and buffer are then unchanged,
    /// except that a stream found damaged while decoding leaves buffer resized with
    /// undefined contents.
    bool DecompressFileRGB(const char* path, uint32_t& width, uint32_t& height, std::shared_ptr<FlatMemoryUInt8> buffer,
                           int offset);
    /// The same as packed BGR.
    bool DecompressFileBGR(const char* path, uint32_t& width, uint32_t& height, std::shared_ptr<FlatMemoryUInt8> buffer,
                           int offset);
    /// Decodes the jpegSize bytes of a whole JPEG file as packed RGB, or BGR when bgr, behind
    /// offset bytes of buffer, as the file loaders do. A header that claims more pixels than
    /// jpegSize bytes can code (MaxPixelsPerByte) or than maxPixels is refused before
    /// anything is allocated.
    HYX_INTERNAL bool DecompressImage(const uint8_t* jpeg, size_t jpegSize, bool bgr, uint64_t maxPixels,
                                      uint32_t& width, uint32_t& height, FlatMemoryUInt8& buffer, uint32_t offset);

    /// Huffman coding spends at least one bit on each 8 x 8 block of a component.
    static constexpr uint64_t MaxPixelsPerByte = 8 * 64;

private:
    void* handle();
    std::runtime_error failed();
    void dropHandle();
    void decompress(const uint8_t* jpeg, uint32_t jpegSize, uint16_t width, uint16_t height, uint8_t* destination,
                    int pixelFormat, int bytesPerPixel);
    bool decompressFile(const char* path, uint32_t& width, uint32_t& height,
                        const std::shared_ptr<FlatMemoryUInt8>& buffer, int offset, bool bgr);

    void* _handle = nullptr;
};

} // namespace Hyx
