#pragma once
// Byte positions inside the records of the binary atom stream, shared by the writer, its
// indexing and the reader so that none of them spells a position as a bare number.
//
// Block record:  u32 size (header included) | u8 kind | blob body
// Blob body:     purpose Guid | type Guid | reserved u16 | version u16
//                [compression fields, kind 1 or compressed layers] | u32 payload size | payload
// Compression:   source type Guid | source version u16 | reserved u16 | u8 compression type

#include <Hyx/HYXFormatVersion.h>

#include <cstdint>

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

static_assert(kVersion + 2 == HYX_BLOB_HEADER_SIZE);
static_assert(kCompressionType + 1 == HYX_BLOB_COMPRESSION_FIELDS_SIZE);

} // namespace Hyx::BlockRecordLayout
