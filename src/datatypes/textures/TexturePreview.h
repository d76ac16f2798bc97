#pragma once

// Kernels of the texture previews: count source pixels in, count RGBA pixels (bytes R, G,
// B, A) out. Sources are byte arrays read without alignment; 16-bit samples are
// little-endian. No allocation, no branch on the format inside the loops.

#include <cstddef>
#include <cstdint>

namespace Hyx::TexturePreview {

/// R = G = B = the byte, A = 255.
void GreyToRgba(const uint8_t* grey, uint8_t* rgba, size_t count);
/// R = G = B = the high byte of each 16-bit sample, A = 255.
void Grey16ToRgba(const uint8_t* samples, uint8_t* rgba, size_t count);
/// R = G = the high byte of each 16-bit sample, B = a saw-tooth of its low 9 bits (t below
/// 256 gives t, else 511 - t), A = 255.
void DepthMapToRgba(const uint8_t* samples, uint8_t* rgba, size_t count);
/// The three bytes in stored order as R, G, B, A = 255.
void Rgb24ToRgba(const uint8_t* rgb, uint8_t* rgba, size_t count);
/// The top 8 bits of each 10-bit channel of a packed u32, A = 255.
void Rgb30ToRgba(const uint8_t* rgb30, uint8_t* rgba, size_t count);
/// HSL24toRGB24 of each 3-byte pixel, A = 255.
void Hsl24ToRgba(const uint8_t* hsl, uint8_t* rgba, size_t count);
/// HSL30toRGB24 of each packed u32, A = 255.
void Hsl30ToRgba(const uint8_t* hsl30, uint8_t* rgba, size_t count);
/// R = G = B = 0, A = 255.
void FillOpaqueBlack(uint8_t* rgba, size_t count);

} // namespace Hyx::TexturePreview
