#include <Hyx/BloscCompressor.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <vector>

using Hyx::BloscCompressor;
using Code = Hyx::CompressionBaseTypes;
using testing::StrEq;
using testing::ThrowsMessage;

namespace {

std::vector<char> packed(const std::vector<char>& plain, Code code, int level = 1)
{
    BloscCompressor blosc;
    uint64_t size = plain.size() + 16;
    const uint8_t* bytes = blosc.RawCompress(plain.data(), plain.size(), &size, code, level);
    return std::vector<char>(bytes, bytes + size);
}

std::vector<char> randomBytes(size_t n)
{
    std::mt19937 random(7);
    std::vector<char> bytes(n);
    for (char& b : bytes)
        b = static_cast<char>(random());
    return bytes;
}

} // namespace

TEST(BloscCompressor, RoundTripsEveryCodecAndLevel)
{
    // Byte 3 of a Blosc header is the type size.
    for (auto [n, typeSize] : {std::pair{9, 3}, {8, 2}, {7, 1}, {12, 3}, {6, 3}})
        EXPECT_EQ(packed(std::vector<char>(n, 'a'), Code::LZ4)[3], typeSize) << n;

    const std::vector<std::vector<char>> inputs = {{'z'}, std::vector<char>(1 << 20, 0), randomBytes(1 << 20)};
    for (Code code : {Code::SNAPPY, Code::LZ4, Code::ZLIB}) {
        for (int level : {1, 5, 9}) {
            for (const auto& plain : inputs) {
                const auto stream = packed(plain, code, level);
                EXPECT_LE(stream.size(), plain.size() + 16);
                std::vector<char> back(plain.size());
                BloscCompressor().DecompressData(stream.data(), stream.size(), back.data(), back.size(), code);
                EXPECT_EQ(back, plain) << int(code) << " level " << level << " size " << plain.size();
            }
        }
    }
    // The static form writes the same format into the caller's buffer.
    const auto plain = randomBytes(5000);
    std::vector<char> destination(plain.size() + 16), back(plain.size());
    uint64_t size = destination.size();
    BloscCompressor::RawCompress(plain.data(), plain.size(), reinterpret_cast<uint8_t*>(destination.data()), &size,
                                 Code::ZLIB, 1);
    BloscCompressor().DecompressData(destination.data(), size, back.data(), back.size(), Code::ZLIB);
    EXPECT_EQ(back, plain);
}

TEST(BloscCompressor, CodesOutsideTheBloscCodecsAreRefused)
{
    BloscCompressor blosc;
    const auto plain = randomBytes(100);
    uint64_t size = 116;
    EXPECT_EQ((std::tuple{blosc.RawCompress(plain.data(), plain.size(), &size, Code::ZSTD, 1),
                          blosc.RawCompress(plain.data(), plain.size(), &size, Code::NONE, 1), size}),
              std::tuple(nullptr, nullptr, 116u));
    EXPECT_THAT([&] { blosc.RawCompress(plain.data(), plain.size(), &size, Code(8), 1); },
                ThrowsMessage<std::runtime_error>(StrEq("compression type not supported!")));
    std::vector<uint8_t> destination(116);
    for (Code code : {Code::ZSTD, Code(5)})
        EXPECT_THAT([&] { BloscCompressor::RawCompress(plain.data(), 100, destination.data(), &size, code, 1); },
                    ThrowsMessage<std::runtime_error>(StrEq("compression type is not supported!")));
    EXPECT_EQ((std::tuple{BloscCompressor::GetWorstCaseSizeInBytes(1000, Code::LZ4),
                          BloscCompressor::GetWorstCaseSizeInBytes(1000, Code::NONE)}),
              std::tuple(1016u, 0u));
    EXPECT_THAT([] { BloscCompressor::GetWorstCaseSizeInBytes(1000, Code(9)); },
                ThrowsMessage<std::runtime_error>(StrEq("compression type is not supported!")));
    // A capacity too small for the data is a failure, not a size.
    size = 20;
    EXPECT_THAT([&] { blosc.RawCompress(plain.data(), plain.size(), &size, Code::LZ4, 1); },
                ThrowsMessage<std::runtime_error>(StrEq("compression failed!")));
}

TEST(BloscCompressor, MalformedStreamsAreRefused)
{
    const std::vector<char> plain(4096, 'k');
    const auto stream = packed(plain, Code::LZ4);
    auto damaged = stream;
    std::fill(damaged.begin() + 16, damaged.end(), char(0xFF));
    struct Case {
        const std::vector<char>& bytes;
        size_t compressedSize, plainSize;
        Code code;
        const char* text;
    };
    const char* sizeText = "uncompressedSizeInBytes is not equal size stored in buffer";
    const char* plainText = "uncompressed size stored in buffer differs from the expected size";
    const Case cases[] = {
        {stream, stream.size() - 1, plain.size(), Code::LZ4, sizeText},
        {stream, stream.size() + 1, plain.size(), Code::LZ4, sizeText},
        {stream, 15, plain.size(), Code::LZ4, sizeText}, // shorter than a header
        {stream, stream.size(), plain.size() - 1, Code::LZ4, plainText},
        {stream, stream.size(), plain.size() + 1, Code::LZ4, plainText},
        {stream, stream.size(), plain.size(), Code::ZSTD, "compression type not supported!"},
        {stream, stream.size(), plain.size(), Code(9), "compression type not supported!"},
        {damaged, damaged.size(), plain.size(), Code::LZ4, "uncompressedSizeInBytes too small for data"},
    };
    BloscCompressor blosc;
    for (const Case& c : cases) {
        // Exact-size copies, so that any over-read shows under the sanitizers.
        std::vector<char> source(c.bytes.begin(), c.bytes.begin() + std::min(c.bytes.size(), c.compressedSize));
        std::vector<char> back(c.plainSize);
        EXPECT_THAT([&] { blosc.DecompressData(source.data(), c.compressedSize, back.data(), c.plainSize, c.code); },
                    ThrowsMessage<std::runtime_error>(StrEq(c.text)))
            << c.compressedSize << " " << c.plainSize;
    }
}
