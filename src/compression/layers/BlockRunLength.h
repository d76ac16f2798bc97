#pragma once

// Run-length coding of GPU block textures against one fixed block (the encoding of a black
// block). Tokens: a byte t of 1..255 stands for t pattern blocks (the coder writes 1..251),
// a byte 0 is followed by one literal block. No header or terminator.
//
// Contract:
// - The coder codes whole blocks; a trailing partial block (n not a multiple of the block
//   size) is written as a literal padded with zeros, which the decoder clips to n.
// - The decoder fills exactly n bytes: a stream that would write past them, ends inside a
//   literal or leaves bytes unfilled throws std::runtime_error.

#include <cstdint>

namespace Hyx::BlockRunLength {

/// One block format: its block size and pattern block.
struct Pattern {
    const uint8_t* block;
    uint32_t size;
};

/// DXT1 (8 bytes), ETC2 (8 bytes) and ASTC (16 bytes) black blocks.
Pattern Dxt1();
Pattern Etc2();
Pattern Astc();

/// Largest coded size of n bytes: every block a literal.
uint64_t EncodedBound(uint64_t n, Pattern pattern);

/// Largest plain size codedSize bytes can decode to: every byte a longest run.
uint64_t DecodedBound(uint64_t codedSize, Pattern pattern);

/// Codes n bytes of blocks into out, which holds EncodedBound bytes; returns the coded size.
uint64_t Encode(const uint8_t* data, uint64_t n, Pattern pattern, uint8_t* out);

/// Decodes codedSize bytes into exactly n bytes at out.
void Decode(const uint8_t* coded, uint64_t codedSize, Pattern pattern, uint8_t* out, uint64_t n);

} // namespace Hyx::BlockRunLength
