#pragma once

// DXT1, DXT5-YCoCg, ETC2 and ASTC block coding of 24-bit colour images. The encoder prepares each 4 x 4
// block (every colour byte clamped to at most 254, alpha 255, channels in the encoder's
// order), for DXT5-YCoCg turns it into Co, Cg, scale 0 and luma in alpha, and hands it to
// the stb_dxt block compressor in its high-quality mode without dithering. The decoders use
// libsquish's block decompression.
//
// Contract:
// - Blocks run row by row from the top, left to right within a row. DXT1 blocks are 8
//   bytes; DXT5-YCoCg blocks 16: the alpha block (luma), then the colour block.
// - The encoder writes ceil(W / 4) x ceil(H / 4) blocks; a partial block repeats edge
//   pixels (remaining 1: offsets 0 0 0 0, 2: 0 1 0 1, 3: 0 1 2 0). The converter only
//   hands over multiples of 4, for which this is exactly W x H / 2 (DXT1) or W x H bytes.
// - The decoders read W x H / 2 (DXT1) or W x H bytes and write all 3 x W x H output
//   bytes; W and H must be multiples of 4.
// - ETC2 (our encoder, Etc2Codec) and ASTC 8 x 8 (astc-encoder) take every colour byte
//   clamped to at most 254; BGR sources are swapped to R, G, B first. ETC2 gives W x H / 2
//   bytes, ASTC W x H / 4 (W and H multiples of 8, otherwise the stream would not fit).
// - ASTC runs on four threads with one codec context per preset (our settings over the
//   codec's medium or thorough preset, AstcDriver.h), made once per process and used by one
//   conversion at a time; it prints "compression type %d" (RGB routine)
//   and "%d blocks to process .." on standard output.
// - One instance per call; the stb_dxt tables are constant (no set-up, no shared state),
//   so concurrent conversions are independent.
// - Exported for the tests and benchmarks only; not part of the installed headers.

#include <Hyx/Export.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace Hyx {

/// One source pixel's colour as every encoder here takes it: each byte clamped to at most
/// 254, red first (`Red` 0 for R, G, B sources, 2 for B, G, R). Writes three bytes.
template <int Red>
inline void ClampColour254(const uint8_t* __restrict source, uint8_t* __restrict target)
{
    target[0] = std::min<uint8_t>(source[Red], 254);
    target[1] = std::min<uint8_t>(source[1], 254);
    target[2] = std::min<uint8_t>(source[2 - Red], 254);
}

class HYX_API RGBDXT5Convertor {
public:
    RGBDXT5Convertor() = default;
    virtual ~RGBDXT5Convertor() = default;

    /// DXT1 from bytes R, G, B.
    void EncodeDXT1FromRGB(const uint8_t* pixels, uint32_t width, uint32_t height);
    /// DXT1 from bytes B, G, R.
    void EncodeDXT1FromBGR(const uint8_t* pixels, uint32_t width, uint32_t height);
    /// DXT5-YCoCg from bytes R, G, B.
    void EncodeDXT5YCoCgFromRGB(const uint8_t* pixels, uint32_t width, uint32_t height);
    /// DXT5-YCoCg from bytes B, G, R.
    void EncodeDXT5YCoCgFromBGR(const uint8_t* pixels, uint32_t width, uint32_t height);

    /// ETC2 from bytes R, G, B.
    void EncodeETC2FromRGB(const uint8_t* pixels, uint32_t width, uint32_t height);
    /// ETC2 from bytes B, G, R.
    void EncodeETC2FromBGR(const uint8_t* pixels, uint32_t width, uint32_t height);
    /// ASTC 8 x 8 from bytes R, G, B; quality non-zero takes the thorough preset, zero the
    /// medium one. Throws std::runtime_error when the codec fails.
    void EncodeASTCFromRGB(const uint8_t* pixels, uint32_t width, uint32_t height, int quality);
    /// ASTC 8 x 8 from bytes B, G, R.
    void EncodeASTCFromBGR(const uint8_t* pixels, uint32_t width, uint32_t height, int quality);

    /// The blocks of the last encode.
    const std::vector<uint8_t>& GetOutput() const { return _output; }

    /// DXT1 blocks to 3 x W x H bytes R, G, B (three-colour blocks decode their fourth colour
    /// as black); out is resized.
    static void DecodeDXT1ToRGB(std::vector<uint8_t>& out, const uint8_t* blocks, uint32_t width, uint32_t height);
    /// DXT5-YCoCg blocks to 3 x W x H bytes R, G, B; out is resized.
    static void DecodeDXT5YCoCgToRGB(std::vector<uint8_t>& out, const uint8_t* blocks, uint32_t width, uint32_t height);

private:
    template <int Red>
    void encodeEtc2(const uint8_t* pixels, uint32_t width, uint32_t height);
    template <int Red>
    void encodeAstc(const uint8_t* pixels, uint32_t width, uint32_t height, int quality);
    template <int Red, bool YCoCg>
    void encode(const uint8_t* pixels, uint32_t width, uint32_t height);

    std::vector<uint8_t> _output;
    uint32_t _width = 0;
    uint32_t _height = 0;
    int _extra = 0; // the preset's extra value of the last ASTC encode (10 medium, 5 thorough)
};

} // namespace Hyx
