#pragma once
// Loading a stretch of a file into a stream reader's buffer, shared by the file readers.

#include <Hyx/HyxErrorCode.h>

#include <cstdint>

namespace Hyx {

class DeserializeFromMemory;

/// How LoadFromFile reads: from the file's own position, which moves on (given as position),
/// or at position, leaving the file's own position alone.
enum class FileRead {
    Sequential,
    Positioned
};

/// Reads n bytes at position into the reader's buffer and sets its cursor to 0. Sizes come
/// from file data, so the bytes are checked to lie inside the file of fileSize bytes before
/// anything is allocated. Returns 34 (FailedToReadFromFile), with the buffer emptied, when
/// they do not, when the read fails or when it comes back short.
HyxErrorCode LoadFromFile(DeserializeFromMemory& reader, int file, uint64_t fileSize, uint64_t position, uint32_t n,
                          FileRead how);

} // namespace Hyx
