#pragma once

// Decoding of PNG and JPEG files into packed 8-bit RGB or BGR pixels, for the texture
// loaders. Exported for the tests and the fuzz target only; not an installed header.
//
// Contract:
// - The kind of file follows from the path's ending: ".png", ".jpg" or ".jpeg", letters in
//   any case.
// - Decoding trusts nothing in the bytes: a header whose dimensions exceed a texture's
//   (65535 x 65535), or that claims more pixels than the bytes could code, is refused before
//   anything is allocated, and every decoder result is checked.
// - A stream found damaged only while decoding leaves the target buffer resized with
//   undefined contents: callers decode into a buffer of their own and adopt it on success.
// - JPEG goes through the calling thread's decompressor, so any thread may decode.

#include <Hyx/Export.h>
#include <Hyx/FlatMemory.h>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace Hyx::TextureImageFile {

/// The file formats the loaders read.
enum class Kind {
    Unknown,
    Png,
    Jpeg
};

/// The kind named by the path's ending; Unknown for a null path or another ending.
HYX_API Kind KindOfPath(const char* path);

/// Decodes size bytes of a file of the given kind into packed RGB (or BGR when bgr) behind
/// offset bytes of buffer, resized to offset + 3 x width x height. False when refused, and
/// for images of more than maxPixels pixels (a caller's memory budget).
HYX_API bool Decode(const uint8_t* bytes, size_t size, Kind kind, bool bgr, uint64_t maxPixels, FlatMemoryUInt8& buffer,
                    uint32_t offset, uint16_t& width, uint16_t& height);

/// Reads and decodes the file at path into a new buffer with the pixels at offset 4, the
/// size of a texture header; null when the file cannot be read or decoded (PNG failures are
/// logged at level 2 as "Could not open PNG!\n<path>" and "PNG size mismatch!\n<path>").
std::shared_ptr<FlatMemoryUInt8> Load(const char* path, bool bgr, uint16_t& width, uint16_t& height);

} // namespace Hyx::TextureImageFile
