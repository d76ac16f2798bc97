#pragma once
// Byte positions inside the records of the binary atom stream, shared by the writer, its
// indexing and the reader so that none of them spells a position as a bare number.
//
// Stream header: u8 magic length | magic text | u32 format version
// Block record:  u32 size (header included) | u8 kind | blob body
// Blob body:     purpose Guid | type Guid | reserved u16 | version u16
//                [compression fields, kind 1 or compressed layers] | u32 payload size | payload
// Compression:   source type Guid | source version u16 | reserved u16 | u8 compression type

#include <Hyx/HYXFormatVersion.h>

#include <cstdint>
#include <cstring>

namespace Hyx::BlockRecordLayout {

// Offsets from the start of a block record.
inline constexpr uint32_t kSize = 0;
inline constexpr uint32_t kKind = 4;
inline constexpr uint32_t kBody = HYX_BLOCK_HEADER_SIZE;

// Offsets from the start of a blob body.
inline constexpr uint32_t kPurpose = 0;
inline constexpr uint32_t kType = 16;
inline constexpr uint32_t kVersion = 34;
inline constexpr uint32_t kCompressionFields = HYX_BLOB_HEADER_SIZE;

// Offsets from the start of the compression fields.
inline constexpr uint32_t kSourceType = 0;
inline constexpr uint32_t kSourceVersion = 16;
inline constexpr uint32_t kCompressionType = 20;

// Offsets from the start of a block record, as the lookup table's indexing reads them.
inline constexpr uint32_t kRecordPurpose = kBody + kPurpose;
inline constexpr uint32_t kRecordType = kBody + kType;
inline constexpr uint32_t kRecordSourceType = kBody + kCompressionFields + kSourceType;

inline constexpr uint32_t kGuidSize = 16;

/// True when the bytes at p start with the stream header's magic (its length byte, then the
/// text). p must hold 1 byte, and 1 + p[0] bytes when p[0] is the magic's length.
inline bool StartsWithStreamMagic(const uint8_t* p)
{
    return p[0] == HYX_STREAM_MAGIC_LENGTH && std::memcmp(p + 1, HYX_STREAM_MAGIC, HYX_STREAM_MAGIC_LENGTH) == 0;
}

static_assert(kVersion + 2 == HYX_BLOB_HEADER_SIZE);
static_assert(kCompressionType + 1 == HYX_BLOB_COMPRESSION_FIELDS_SIZE);

} // namespace Hyx::BlockRecordLayout
