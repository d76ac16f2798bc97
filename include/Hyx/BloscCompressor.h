#pragma once

// Blosc front end for the generic compression codes of the compressed layers: 1 "snappy",
// 2 "lz4", 3 "zlib". Code 4 ("zstd") is refused: the library never writes it.
//
// Contract:
// - Blosc is always called through its context functions (no environment, no global
//   lock) with no shuffle, automatic block size and a type size taken from the byte count
//   n: 3 when n % 3 == 0, else 2 when n is even, else 1.
// - Every failure throws a std::runtime_error with a fixed text; nothing is logged.
// - Decompression trusts nothing in the compressed buffer: the stored compressed size must
//   equal the given one and the stored plain size the destination's, and Blosc is never
//   allowed to write past the destination.
// - Inputs are limited to Blosc's maximum of 2^31 - 1 - 16 bytes.
// - An instance is used by one thread at a time (ThreadLocal); each member call lets Blosc
//   run up to 4 short-lived workers of its own, the static form runs on the caller alone.

#include <Hyx/DataTypeCompressedBlob.h>
#include <Hyx/Export.h>
#include <Hyx/FlatMemory.h>

#include <cstdint>
#include <memory>

namespace Hyx {

class HYX_API BloscCompressor {
public:
    /// Empty scratch buffer, 4 worker threads.
    BloscCompressor();
    virtual ~BloscCompressor();

    /// Compresses size bytes into the instance's scratch buffer. capacityAndResult gives the
    /// capacity to allow (callers pass size + 16, with which Blosc always succeeds) and
    /// receives the compressed size. Codes 0 and 4 return null and leave capacityAndResult
    /// alone; codes above 4 throw "compression type not supported!"; a Blosc failure throws
    /// "compression failed!". The bytes stay valid until the next call on this instance.
    uint8_t* RawCompress(const char* src, uint64_t size, uint64_t* capacityAndResult, CompressionBaseTypes code,
                         int level) const;

    /// Compresses into the caller's destination of *capacityAndResult bytes with one thread
    /// and stores the compressed size there. Code 0 does nothing; codes other than 1-3 throw
    /// "compression type is not supported!"; a Blosc failure throws "compression failed!".
    static void RawCompress(const char* src, uint64_t size, uint8_t* destination, uint64_t* capacityAndResult,
                            CompressionBaseTypes code, int level);

    /// Largest compressed size of size bytes: 0 for code 0, size + 16 for codes 1-4; other
    /// codes throw "compression type is not supported!".
    static uint64_t GetWorstCaseSizeInBytes(uint64_t size, CompressionBaseTypes code);

    /// Decompresses compressedSize bytes of src into destination, which holds exactly
    /// destinationSize bytes (the plain size the caller expects). Code 0 does nothing;
    /// codes other than 1-3 throw "compression type not supported!". Throws
    /// "uncompressedSizeInBytes is not equal size stored in buffer" when src is shorter than
    /// a Blosc header or its stored compressed size differs from compressedSize,
    /// "uncompressed size stored in buffer differs from the expected size" when the stored
    /// plain size differs from destinationSize, and "uncompressedSizeInBytes too small for
    /// data" when Blosc cannot decode the data.
    void DecompressData(const char* src, uint64_t compressedSize, char* destination, uint64_t destinationSize,
                        CompressionBaseTypes code) const;

private:
    std::shared_ptr<FlatMemoryUInt8> _scratch;
    int _threads = 4;
};

} // namespace Hyx
