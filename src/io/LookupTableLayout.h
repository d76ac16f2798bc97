#pragma once
// Sizes and fixed values of a container's lookup-table record, shared by the table's writer
// and parser and by the readers that look for the record at the end of a file.
//
// Record: u32 S | u32 id word | u32 marker | u32 version | u16 G | G x GUID | u16 streams |
//         per stream { u16 id | u32 A | A x atom entry } | u32 marker | u32 S
// Atom entry:  u32 id | u64 timestamp | u64 payload offset | u32 payload size | u32 segment |
//              u8 L | L x layer entry
// Layer entry: u32 block offset | u32 block size | u16 purpose | u16 type | u16 compressed type

#include "io/BlockRecordLayout.h"

#include <Hyx/HYXFormatVersion.h>

#include <cstdint>

namespace Hyx::LookupTableLayout {

/// Marks the start of the record's body and its trailer.
inline constexpr uint32_t kMarker = 5778;
/// The only table version.
inline constexpr uint32_t kVersion = 1;
/// Id word of the record: atom type 1, stream 0, frame 0.
inline constexpr uint32_t kIdWord = 0x10000000u;
/// Bits of the id word that hold the atom type.
inline constexpr uint32_t kAtomTypeBits = 0xF0000000u;

/// S, id word, marker, version, G.
inline constexpr uint32_t kHeadSize = 4 + 4 + 4 + 4 + 2;
/// Stream count.
inline constexpr uint32_t kStreamCountSize = 2;
/// Marker and S at the end.
inline constexpr uint32_t kTrailerSize = 4 + 4;
/// A table without GUIDs and streams.
inline constexpr uint32_t kEmptySize = kHeadSize + kStreamCountSize + kTrailerSize;
/// Stream id and atom count.
inline constexpr uint32_t kStreamHeadSize = 2 + 4;
/// An atom entry without its layer entries.
inline constexpr uint32_t kAtomEntrySize = 4 + 8 + 8 + 4 + 4 + 1;
/// One layer entry.
inline constexpr uint32_t kLayerEntrySize = 4 + 4 + 2 + 2 + 2;

/// Smallest block a blob can be: header, blob body head, payload size.
inline constexpr uint32_t kMinBlobBlockSize = HYX_BLOCK_HEADER_SIZE + HYX_BLOB_HEADER_SIZE + 4;
/// Smallest compressed-blob block: the same with the compression fields.
inline constexpr uint32_t kMinCompressedBlockSize = kMinBlobBlockSize + HYX_BLOB_COMPRESSION_FIELDS_SIZE;
/// Bytes of a block's start that indexing reads: header, purpose, type and, for a
/// compressed blob, the fields up to its source type.
inline constexpr uint32_t kBlobIndexBytes = BlockRecordLayout::kRecordType + BlockRecordLayout::kGuidSize;
inline constexpr uint32_t kCompressedIndexBytes = BlockRecordLayout::kRecordSourceType + BlockRecordLayout::kGuidSize;
/// Stream position of the first atom's payload.
inline constexpr uint64_t kFirstPayloadOffset = HYX_STREAM_HEADER_SIZE + HYX_ATOM_HEADER_SIZE;

static_assert(kEmptySize == 28);
static_assert(kAtomEntrySize == 29 && kLayerEntrySize == 14 && kStreamHeadSize == 6);
static_assert(kMinBlobBlockSize == 45 && kMinCompressedBlockSize == 66);
static_assert(kBlobIndexBytes == 37 && kCompressedIndexBytes == 57);

} // namespace Hyx::LookupTableLayout
