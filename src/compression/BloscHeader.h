#pragma once

// The size checks of a Blosc stream's header, made before anything is allocated for it.

#include <cstdint>

namespace Hyx::BloscHeader {

/// Throws unless src holds a Blosc header whose stored compressed size is compressedSize and
/// whose stored plain size is plainSize, within what Blosc can decode. The messages are the
/// decompressor's own.
void RequireSizes(const char* src, uint64_t compressedSize, uint64_t plainSize);

/// The plain size src's header states; 0 when compressedSize cannot hold a header. Reads
/// the header only.
uint64_t StatedPlainSize(const char* src, uint64_t compressedSize);

} // namespace Hyx::BloscHeader
