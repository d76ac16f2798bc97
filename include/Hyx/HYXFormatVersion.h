#pragma once

// Version numbers and fixed sizes of the binary atom stream.
//
// Stream header: u8 magic length (10), the magic "HYX_Quorel", u32 format version.
// Atom record: u32 record size (header included), u32 id word, u64 timestamp, blocks.
// Block record: u32 block size (header included), u8 kind, blob body.
// Writers write any version number but always the same records; readers read only 2000.

#include <cstdint>

namespace Hyx {

/// Format version of the binary atom stream.
enum HYXFormatVersion : uint32_t {
    HYX_FORMAT_VERSION_0 = 0,
    HYX_FORMAT_VERSION_1000 = 1000,
    HYX_FORMAT_VERSION_1001 = 1001,
    HYX_FORMAT_VERSION_1002 = 1002,
    HYX_FORMAT_VERSION_2000 = 2000,
};

/// Magic text of the stream header (no terminator in the stream).
inline constexpr char HYX_STREAM_MAGIC[] = "HYX_Quorel";
/// Length of the magic text.
inline constexpr uint32_t HYX_STREAM_MAGIC_LENGTH = sizeof(HYX_STREAM_MAGIC) - 1;
/// Bytes of the stream header: length byte, magic, u32 version.
inline constexpr uint32_t HYX_STREAM_HEADER_SIZE = 1 + HYX_STREAM_MAGIC_LENGTH + 4;
/// Bytes of an atom record's header: size, id word, timestamp.
inline constexpr uint32_t HYX_ATOM_HEADER_SIZE = 16;
/// Bytes of a block record's header under version 2000: size, kind.
inline constexpr uint32_t HYX_BLOCK_HEADER_SIZE = 5;
/// Bytes of a blob body before the payload size: purpose, type, reserved u16, version.
inline constexpr uint32_t HYX_BLOB_HEADER_SIZE = 36;
/// Bytes of the compression fields of a compressed layer: source type, version, reserved, type.
inline constexpr uint32_t HYX_BLOB_COMPRESSION_FIELDS_SIZE = 21;

} // namespace Hyx
