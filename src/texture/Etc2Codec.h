#pragma once

// ETC2 RGB8 block coding of 24-bit RGB images, our own encoder and decoder.
//
// Contract:
// - 4 x 4 blocks in raster order, each 64-bit block stored most significant byte first;
//   W x H / 2 bytes. W and H must be multiples of 4 (callers check).
// - The encoder keeps, per block, the candidate of lowest perceptual error (weights 0.299,
//   0.587, 0.114) among the individual, differential, T, H and planar modes; one-colour
//   blocks take a differential block with one index everywhere (black: 00 00 00 02 FF FF FF
//   FF). The fast search starts every mode from one estimate; the thorough search also
//   tries the neighbouring base colours and walks the T and H colours.
// - Every block decodes to exactly the colours the encoder measured its error on.
// - Stateless; blocks are independent, so an image may be spread over threads.
// - Exported for the tests and benchmarks only; not part of the installed headers.

#include <Hyx/Export.h>

#include <cstdint>

namespace Hyx {

class HYX_API Etc2Codec {
public:
    /// Block modes; Best lets the encoder choose.
    enum class Mode {
        Best,
        Individual,
        Differential,
        T,
        H,
        Planar
    };

    /// Encodes width x height RGB bytes into width * height / 2 bytes of blocks, block rows
    /// spread over threads (at least 1) workers.
    static void Encode(const uint8_t* rgb, uint32_t width, uint32_t height, uint8_t* blocks, bool thorough = false,
                       unsigned threads = 1);

    /// Encodes one block of 16 texels (RGB, rows top to bottom) in a mode: Individual and
    /// Differential both give the better of the two. Returns the block as a 64-bit value
    /// and its perceptual error in *error; a mode that cannot code the texels (T or H of a
    /// one-colour block) gives error UINT32_MAX.
    static uint64_t EncodeBlock(const uint8_t* rgb, Mode mode, bool thorough, uint32_t* error);

    /// Decodes the 64-bit block into 16 texels (RGB, rows top to bottom, rowStride bytes
    /// apart) and tells its mode.
    static Mode DecodeBlock(uint64_t block, uint8_t* rgb, uint32_t rowStride);

    /// Decodes width * height / 2 bytes of blocks into width x height RGB bytes.
    static void Decode(const uint8_t* blocks, uint32_t width, uint32_t height, uint8_t* rgb);

    /// Perceptual error of 16 decoded texels against 16 source texels (both RGB, packed).
    static uint32_t BlockError(const uint8_t* source, const uint8_t* decoded);
};

} // namespace Hyx
