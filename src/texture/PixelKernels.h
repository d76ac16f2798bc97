#pragma once

// Whole-image pixel kernels of the texture format converter: plain byte arrays in and out,
// rows top to bottom without padding, little-endian 32-bit pixels read and written without
// alignment. No allocation and no branch on the format inside the loops: the format
// arguments pick a specialised loop before it starts.
//
// Contract:
// - Callers pass sizes the kernel handles: the YUV 4:2:0 and Bayer kernels need even
//   widths and heights, the Bayer kernels at least 4 x 4. TextureFormatConverter checks
//   this before it allocates; the kernels do not check again.
// - The YUV kernels take the chroma layout as a TextureFormat value (0 NVX, 1 NV21, 2 NV12)
//   and throw std::runtime_error "Texture format conversion not supported." for any other.
// - Source and destination never overlap, except for SwapRedBlue, which may work in place.
// - Where the processor has AVX2 the YUV kernels run 32-pixel vector steps and the
//   portable loops take the remaining columns; the bytes are the same either way.
// - Stateless (the gamma table is built once, thread-safely): callable from any thread.
// - Exported for the tests and benchmarks only; not part of the installed headers.

#include <Hyx/Export.h>
#include <Hyx/TextureFormat.h>

#include <cstddef>
#include <cstdint>

namespace Hyx::TextureKernels {

/// Where the chroma samples of a YUV 4:2:0 layout lie, from the start of the chroma plane.
struct ChromaLayout {
    uint32_t uOffset; ///< first U sample
    uint32_t vOffset; ///< first V sample
    uint32_t step; ///< between successive samples of one chroma row
};

/// The placement for layout 0 (NVX), 1 (NV21) or 2 (NV12) at the given width; throws for
/// any other layout value.
HYX_API ChromaLayout GetChromaLayout(uint32_t layout, uint32_t width);

/// RGB (bytes R, G, B) to YUV 4:2:0: width x height luma bytes, then height / 2 chroma rows.
HYX_API void RGB24ToYUV420(const uint8_t* rgb, uint8_t* yuv, uint32_t layout, uint32_t width, uint32_t height);
/// BGR (bytes B, G, R) to YUV 4:2:0.
HYX_API void BGR24ToYUV420(const uint8_t* bgr, uint8_t* yuv, uint32_t layout, uint32_t width, uint32_t height);
/// YUV 4:2:0 to bytes R, G, B.
HYX_API void YUV420ToRGB24(const uint8_t* yuv, uint8_t* rgb, uint32_t layout, uint32_t width, uint32_t height);
/// YUV 4:2:0 to bytes B, G, R.
HYX_API void YUV420ToBGR24(const uint8_t* yuv, uint8_t* bgr, uint32_t layout, uint32_t width, uint32_t height);

/// NV12 (vFirst false) or NV21 (vFirst true) chroma rows to NVX rows: each row's pairs split
/// into width / 2 U samples followed by width / 2 V samples, pair order kept.
HYX_API void InterleavedChromaToNVX(const uint8_t* chroma, uint8_t* nvx, uint32_t width, uint32_t rows, bool vFirst);

/// Exchanges bytes 0 and 2 of count 3-byte pixels; source and destination may be the same.
HYX_API void SwapRedBlue(const uint8_t* source, uint8_t* destination, size_t count);

/// The 65,536 entries floor(65535 * (i / 65535)^(16/11)) that shape Bayer luma.
HYX_API const uint32_t* BayerLumaGammaTable();

/// Bayer mosaic (mosaic is BayerRGGB, BayerBGGR, BayerGRBG or BayerGBRG) to YUV 4:2:0:
/// every 2 x 2 block at least two pixels from the border is demosaiced; luma outside those
/// blocks and chroma of the outer ring of blocks are left as they are. Then a median of
/// five over the luma plane, rows and columns 1 to size - 2.
HYX_API void BayerToYUV420(const uint8_t* mosaic, uint8_t* yuv, TextureFormat format, uint32_t layout, uint32_t width,
                           uint32_t height);
/// Bayer mosaic to RGB30 words (10-bit R | G << 10 | B << 20), every pixel written; the
/// outer ring takes its missing colours from neighbours inside the image only.
HYX_API void BayerToRGB30(const uint8_t* mosaic, uint8_t* rgb30, TextureFormat format, uint32_t width, uint32_t height);

/// The in-place raster median of five on a luma plane (exposed for its tie rule).
HYX_API void BayerLumaMedian(uint8_t* luma, uint32_t width, uint32_t height);

/// RGB bytes to HSL24 bytes (H capped at 255).
HYX_API void RGB24ToHSL24(const uint8_t* rgb, uint8_t* hsl, size_t count);
/// RGB bytes to HSL30 words (channels widened to 10 bits first; H capped at 1019).
HYX_API void RGB24ToHSL30(const uint8_t* rgb, uint8_t* hsl30, size_t count);
/// RGB30 words to HSL30 words (H capped at 1019).
HYX_API void RGB30ToHSL30(const uint8_t* rgb30, uint8_t* hsl30, size_t count);
/// HSL24 bytes to RGB bytes.
HYX_API void HSL24ToRGB24(const uint8_t* hsl, uint8_t* rgb, size_t count);
/// HSL30 words to RGB30 words.
HYX_API void HSL30ToRGB30(const uint8_t* hsl30, uint8_t* rgb30, size_t count);
/// HSL30 words to RGB bytes.
HYX_API void HSL30ToRGB24(const uint8_t* hsl30, uint8_t* rgb, size_t count);

} // namespace Hyx::TextureKernels
