#include <Hyx/BloscCompressor.h>

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

using Hyx::BloscCompressor;
using Code = Hyx::CompressionBaseTypes;

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

template <typename F>
std::string thrownText(F&& f)
{
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "";
}

} // namespace

TEST(BloscCompressor, TypeSizeFollowsTheByteCount)
{
    // Byte 3 of a Blosc header is the type size.
    for (auto [n, typeSize] : {std::pair{9, 3}, {8, 2}, {7, 1}, {12, 3}, {6, 3}})
        EXPECT_EQ(packed(std::vector<char>(n, 'a'), Code::LZ4)[3], typeSize) << n;
}

TEST(BloscCompressor, RoundTripsEveryCodecAndLevel)
{
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
    std::vector<uint8_t> destination(plain.size() + 16);
    uint64_t size = destination.size();
    BloscCompressor::RawCompress(plain.data(), plain.size(), destination.data(), &size, Code::ZLIB, 1);
    std::vector<char> back(plain.size());
    BloscCompressor().DecompressData(reinterpret_cast<const char*>(destination.data()), size, back.data(), back.size(),
                                     Code::ZLIB);
    EXPECT_EQ(back, plain);
}

TEST(BloscCompressor, CodesOutsideTheBloscCodecsAreRefused)
{
    BloscCompressor blosc;
    const std::vector<char> plain(100, 'q');
    uint64_t size = 116;
    EXPECT_EQ(blosc.RawCompress(plain.data(), plain.size(), &size, Code::ZSTD, 1), nullptr);
    EXPECT_EQ(blosc.RawCompress(plain.data(), plain.size(), &size, Code::NONE, 1), nullptr);
    EXPECT_EQ(size, 116u);
    EXPECT_EQ(thrownText([&] { blosc.RawCompress(plain.data(), plain.size(), &size, Code(8), 1); }),
              "compression type not supported!");
    std::vector<uint8_t> destination(116);
    for (Code code : {Code::ZSTD, Code(5)})
        EXPECT_EQ(thrownText([&] {
                      BloscCompressor::RawCompress(plain.data(), plain.size(), destination.data(), &size, code, 1);
                  }),
                  "compression type is not supported!");
    EXPECT_EQ(BloscCompressor::GetWorstCaseSizeInBytes(1000, Code::LZ4), 1016u);
    EXPECT_EQ(BloscCompressor::GetWorstCaseSizeInBytes(1000, Code::NONE), 0u);
    EXPECT_EQ(thrownText([] { BloscCompressor::GetWorstCaseSizeInBytes(1000, Code(9)); }),
              "compression type is not supported!");
    // A capacity too small for the data is a failure, not a size.
    size = 20;
    EXPECT_EQ(thrownText([&] { blosc.RawCompress(randomBytes(100).data(), 100, &size, Code::LZ4, 1); }),
              "compression failed!");
}

TEST(BloscCompressor, MalformedStreamsAreRefused)
{
    const auto plain = std::vector<char>(4096, 'k');
    const auto stream = packed(plain, Code::LZ4);
    std::vector<char> back(plain.size());
    BloscCompressor blosc;
    auto decode = [&](const std::vector<char>& bytes, size_t csize, size_t expected, Code code = Code::LZ4) {
        return thrownText([&] { blosc.DecompressData(bytes.data(), csize, back.data(), expected, code); });
    };
    const std::string sizeText = "uncompressedSizeInBytes is not equal size stored in buffer";
    EXPECT_EQ(decode(stream, stream.size() - 1, plain.size()), sizeText);
    EXPECT_EQ(decode(stream, stream.size() + 1, plain.size()), sizeText);
    EXPECT_EQ(decode(std::vector<char>(stream.begin(), stream.begin() + 15), 15, plain.size()), sizeText);
    // A header claiming more (or less) than the destination holds.
    EXPECT_EQ(decode(stream, stream.size(), plain.size() - 1),
              "uncompressed size stored in buffer differs from the expected size");
    EXPECT_EQ(decode(stream, stream.size(), plain.size() + 1),
              "uncompressed size stored in buffer differs from the expected size");
    EXPECT_EQ(decode(stream, stream.size(), plain.size(), Code::ZSTD), "compression type not supported!");
    EXPECT_EQ(decode(stream, stream.size(), plain.size(), Code(9)), "compression type not supported!");
    // A damaged body.
    auto damaged = stream;
    for (size_t i = 16; i < damaged.size(); ++i)
        damaged[i] = static_cast<char>(0xFF);
    EXPECT_EQ(decode(damaged, damaged.size(), plain.size()), "uncompressedSizeInBytes too small for data");
}
