// Fuzz entry for the codec decoders that read stored bytes: Blosc and JPEG streams, and
// the fixed-rate normal, point and index codes. Whatever the bytes, a decoder either
// refuses them with an exception or fills exactly its destination; it never reads or
// writes out of bounds.
//
// Input: byte 0 picks the decoder, bytes 1-5 its parameters, the rest is the stream.

#include <Hyx/BloscCompressor.h>
#include <Hyx/JpegCodec.h>
#include <Hyx/NormalsOctCompressor.h>
#include <Hyx/UInt32Compressor.h>
#include <Hyx/Vector3DNormalizer.h>

#include <cstdint>
#include <exception>
#include <vector>

namespace {

constexpr size_t kHeader = 6;

void decodeBlosc(const uint8_t* p, const uint8_t* stream, size_t size)
{
    const auto code = static_cast<Hyx::CompressionBaseTypes>(1 + p[0] % 4);
    const size_t expected = (p[1] | p[2] << 8 | p[3] << 16) % (1u << 20);
    std::vector<char> destination(expected);
    Hyx::BloscCompressor().DecompressData(reinterpret_cast<const char*>(stream), size, destination.data(),
                                          destination.size(), code);
}

void decodeJpeg(const uint8_t* p, const uint8_t* stream, size_t size)
{
    const uint16_t width = uint16_t(1 + (p[1] | p[2] << 8) % 512), height = uint16_t(1 + (p[3] | p[4] << 8) % 512);
    const int channels = p[0] % 3 == 0 ? 1 : 3;
    std::vector<uint8_t> destination(size_t(width) * height * channels);
    Hyx::JpegDecompressor decoder;
    const auto length = static_cast<uint32_t>(size);
    if (p[0] % 3 == 0)
        decoder.DecompressGray(stream, length, width, height, destination.data());
    else if (p[0] % 3 == 1)
        decoder.DecompressRGB(stream, length, width, height, destination.data());
    else
        decoder.DecompressBGR(stream, length, width, height, destination.data());
}

void decodeFixedRate(const uint8_t* p, const uint8_t* stream, size_t size)
{
    const auto count = static_cast<uint32_t>(size / 6);
    std::vector<float> floats(3 * size_t(count));
    std::vector<uint32_t> indices(count);
    Hyx::NormalsOctCompressor().decompressNorms(stream, floats.data(), count, Hyx::NormalsPrecision::OCT_32);
    Hyx::NormalsOctCompressor().decompressNorms(stream, floats.data(), count, Hyx::NormalsPrecision::OCT_16);
    const float box[6] = {-1, -2, -3, float(p[1]), float(p[2]), float(p[3])};
    Hyx::Vector3DNormalizer().DecompressPoints(box, Hyx::XYZPrecision(p[0] % 11), stream, floats.data(), count);
    Hyx::UInt32Compressor::Decompress24Bit(stream, count, indices.data());
    Hyx::UInt32Compressor::Decompress16Bit(stream, count, indices.data());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < kHeader || size > 0xFFFFFFFFu)
        return 0;
    const uint8_t* stream = data + kHeader;
    const size_t length = size - kHeader;
    try {
        switch (data[0] % 3) {
        case 0: decodeBlosc(data + 1, stream, length); break;
        case 1: decodeJpeg(data + 1, stream, length); break;
        default: decodeFixedRate(data + 1, stream, length); break;
        }
    } catch (const std::exception&) {
        // refused: expected for most inputs
    }
    return 0;
}
