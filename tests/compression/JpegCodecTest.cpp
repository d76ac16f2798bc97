#include <Hyx/JpegCodec.h>

#include "CapturedLog.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <unistd.h>
#include <vector>

using Hyx::FlatMemoryUInt8;
using Hyx::JpegCompressor;
using Hyx::JpegDecompressor;

namespace {

// Smooth colour ramps code well, as camera images do.
std::vector<uint8_t> gradient(int w, int h, int channels)
{
    std::vector<uint8_t> pixels(size_t(w) * h * channels);
    for (size_t i = 0; i < pixels.size(); ++i) {
        const size_t x = (i / channels) % w, y = i / channels / w;
        pixels[i] = uint8_t(40 + (x * 150) / w + (y * 50) / h + (i % channels) * 10);
    }
    return pixels;
}

double psnr(const std::vector<uint8_t>& a, const uint8_t* b)
{
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i)
        sum += (a[i] - b[i]) * double(a[i] - b[i]);
    return sum == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 * a.size() / sum);
}

} // namespace

TEST(JpegCodec, QualityIsFixedForGrayAndBgr)
{
    const auto pixels = gradient(64, 48, 3);
    JpegCompressor jpeg;
    uint32_t size = 0;
    // Copies the stream only after the call has set size.
    auto take = [&size](const uint8_t* bytes) { return std::vector<uint8_t>(bytes, bytes + size); };
    EXPECT_EQ(take(jpeg.CompressBGR(pixels.data(), 64, 48, 10, size)),
              take(jpeg.CompressBGR(pixels.data(), 64, 48, 85, size)));
    EXPECT_EQ(take(jpeg.CompressGray(pixels.data(), 64, 48, 10, size)),
              take(jpeg.CompressGray(pixels.data(), 64, 48, 85, size)));
    const auto rgb10 = take(jpeg.CompressRGB(pixels.data(), 64, 48, 10, size));
    EXPECT_LT(rgb10.size(), take(jpeg.CompressRGB(pixels.data(), 64, 48, 85, size)).size());
}

TEST(JpegCodec, RoundTrips)
{
    struct Case {
        uint16_t w, h;
        char layout; // 'G'ray, 'R'GB, 'B'GR
        double minPsnr;
    };
    for (const Case& c : {Case{4, 4, 'G', 40}, Case{16, 16, 'R', 35}, Case{7, 5, 'R', 30}, Case{16, 16, 'B', 35},
                          Case{33, 17, 'G', 35}}) {
        auto pixels = gradient(c.w, c.h, c.layout == 'G' ? 1 : 3);
        if (c.w == 4) // a gentle ramp, as 4 x 4 pixels of a real image would be
            for (size_t i = 0; i < pixels.size(); ++i)
                pixels[i] = uint8_t(100 + i);
        JpegCompressor coder;
        JpegDecompressor decoder;
        uint32_t size = 0;
        const uint8_t* bytes = c.layout == 'G'   ? coder.CompressGray(pixels.data(), c.w, c.h, 10, size)
                               : c.layout == 'B' ? coder.CompressBGR(pixels.data(), c.w, c.h, 10, size)
                                                 : coder.CompressRGB(pixels.data(), c.w, c.h, 90, size);
        std::vector<uint8_t> back(pixels.size());
        if (c.layout == 'G')
            decoder.DecompressGray(bytes, size, c.w, c.h, back.data());
        else if (c.layout == 'B')
            decoder.DecompressBGR(bytes, size, c.w, c.h, back.data());
        else
            decoder.DecompressRGB(bytes, size, c.w, c.h, back.data());
        EXPECT_GE(psnr(pixels, back.data()), c.minPsnr) << c.w << "x" << c.h << c.layout;
        for (size_t i = 0; c.w == 4 && i < back.size(); ++i)
            EXPECT_NEAR(back[i], pixels[i], 2);
    }
}

TEST(JpegCodec, FailedCompressionIsReported)
{
    CapturedLog log;
    JpegCompressor jpeg;
    uint32_t size = 123;
    const std::vector<uint8_t> pixels(16);
    EXPECT_EQ((std::tuple{jpeg.CompressRGB(pixels.data(), 0, 4, 90, size), size}), std::tuple(nullptr, 0u));
    EXPECT_TRUE(log.Contains("jpeg-turbo error: "));
}

TEST(JpegCodec, DamagedOrMismatchedStreamsAreRefused)
{
    const auto pixels = gradient(32, 32, 3);
    JpegCompressor coder;
    uint32_t size = 0;
    const uint8_t* bytes = coder.CompressRGB(pixels.data(), 32, 32, 90, size);
    const std::vector<uint8_t> good(bytes, bytes + size);
    struct Case {
        std::vector<uint8_t> stream;
        uint16_t w, h;
    };
    const Case cases[] = {
        {good, 16, 16}, // TurboJPEG would scale it down
        {good, 32, 31},
        {std::vector<uint8_t>(good.begin(), good.begin() + good.size() / 2), 32, 32},
        {std::vector<uint8_t>(good.begin(), good.begin() + 20), 32, 32},
        {std::vector<uint8_t>(500, 0x5A), 32, 32},
        {{}, 32, 32},
    };
    JpegDecompressor decoder;
    std::vector<uint8_t> back(pixels.size());
    decoder.DecompressRGB(good.data(), uint32_t(good.size()), 32, 32, back.data());
    for (const Case& c : cases)
        EXPECT_THROW(decoder.DecompressRGB(c.stream.data(), uint32_t(c.stream.size()), c.w, c.h, back.data()),
                     std::runtime_error)
            << c.stream.size() << " " << c.w << "x" << c.h;

    // A header the library refuses (width 65535 > 65500) leaves the decoder usable.
    std::vector<uint8_t> wide = good;
    for (size_t i = 2; i + 9 < wide.size(); ++i)
        if (wide[i] == 0xFF && wide[i + 1] == 0xC0) {
            wide[i + 7] = wide[i + 8] = 0xFF;
            break;
        }
    EXPECT_THROW(decoder.DecompressRGB(wide.data(), uint32_t(wide.size()), 32, 32, back.data()), std::runtime_error);
    EXPECT_NO_THROW(decoder.DecompressRGB(good.data(), uint32_t(good.size()), 32, 32, back.data()));
}

TEST(JpegCodec, FileLoader)
{
    const auto dir = std::filesystem::temp_directory_path() / ("hyx_jpeg_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto pixels = gradient(640, 480, 3);
    JpegCompressor coder;
    uint32_t size = 0;
    const uint8_t* bytes = coder.CompressRGB(pixels.data(), 640, 480, 90, size);
    std::ofstream(dir / "frame.jpg", std::ios::binary).write(reinterpret_cast<const char*>(bytes), size);
    std::ofstream(dir / "text.jpg") << "not a picture";

    JpegDecompressor decoder;
    uint32_t w = 7, h = 9;
    auto buffer = std::make_shared<FlatMemoryUInt8>();
    for (const char* name : {"missing.jpg", "text.jpg"}) {
        EXPECT_FALSE(decoder.DecompressFileRGB((dir / name).c_str(), w, h, buffer, 4)) << name;
        EXPECT_EQ(w * 100 + h + buffer->size(), 709u); // all unchanged
    }
    ASSERT_TRUE(decoder.DecompressFileRGB((dir / "frame.jpg").c_str(), w, h, buffer, 4));
    EXPECT_EQ((std::tuple{w * 1000 + h, buffer->size()}), std::tuple(640480u, 921604u));
    EXPECT_GE(psnr(pixels, buffer->data() + 4), 35);
    ASSERT_TRUE(decoder.DecompressFileBGR((dir / "frame.jpg").c_str(), w, h, buffer, 0));
    EXPECT_NEAR(buffer->data()[0], pixels[2], 3);
    std::filesystem::remove_all(dir);
}
