#include <Hyx/JpegCodec.h>

#include "CapturedLog.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
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
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < channels; ++c)
                pixels[(size_t(y) * w + x) * channels + c] = uint8_t(40 + (x * 150) / w + (y * 50) / h + c * 10);
    return pixels;
}

// The stream a compression returned; size is read only after the call has set it.
struct Taker {
    const uint32_t& size;
    std::vector<uint8_t> operator()(const uint8_t* bytes) const { return std::vector<uint8_t>(bytes, bytes + size); }
};

double psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
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
    const Taker stream{size};
    const auto bgr10 = stream(jpeg.CompressBGR(pixels.data(), 64, 48, 10, size));
    EXPECT_EQ(stream(jpeg.CompressBGR(pixels.data(), 64, 48, 85, size)), bgr10);
    const auto rgb10 = stream(jpeg.CompressRGB(pixels.data(), 64, 48, 10, size));
    const auto rgb85 = stream(jpeg.CompressRGB(pixels.data(), 64, 48, 85, size));
    EXPECT_LT(rgb10.size(), rgb85.size());
    const auto gray10 = stream(jpeg.CompressGray(pixels.data(), 64, 48, 10, size));
    EXPECT_EQ(stream(jpeg.CompressGray(pixels.data(), 64, 48, 85, size)), gray10);
}

TEST(JpegCodec, RoundTrips)
{
    struct Case {
        int w, h, channels;
        bool bgr;
        double minPsnr;
    };
    for (const Case& c : {Case{4, 4, 1, false, 40}, Case{16, 16, 3, false, 35}, Case{7, 5, 3, false, 30},
                          Case{16, 16, 3, true, 35}, Case{33, 17, 1, false, 35}}) {
        auto pixels = gradient(c.w, c.h, c.channels);
        if (c.w == 4) // a gentle ramp, as 4 x 4 pixels of a real image would be
            for (size_t i = 0; i < pixels.size(); ++i)
                pixels[i] = uint8_t(100 + i);
        JpegCompressor coder;
        JpegDecompressor decoder;
        uint32_t size = 0;
        const uint16_t w = uint16_t(c.w), h = uint16_t(c.h);
        uint8_t* bytes = c.channels == 1 ? coder.CompressGray(pixels.data(), w, h, 10, size)
                         : c.bgr         ? coder.CompressBGR(pixels.data(), w, h, 10, size)
                                         : coder.CompressRGB(pixels.data(), w, h, 90, size);
        ASSERT_NE(bytes, nullptr);
        std::vector<uint8_t> back(pixels.size());
        if (c.channels == 1)
            decoder.DecompressGray(bytes, size, w, h, back.data());
        else if (c.bgr)
            decoder.DecompressBGR(bytes, size, w, h, back.data());
        else
            decoder.DecompressRGB(bytes, size, w, h, back.data());
        EXPECT_GE(psnr(pixels, back), c.minPsnr) << c.w << "x" << c.h;
        if (c.w == 4) {
            for (size_t i = 0; i < back.size(); ++i)
                EXPECT_NEAR(back[i], pixels[i], 2);
        }
        if (c.bgr) { // the same stream read as RGB has the channels swapped
            std::vector<uint8_t> rgb(pixels.size());
            decoder.DecompressRGB(bytes, size, w, h, rgb.data());
            EXPECT_EQ(rgb[0], back[2]);
            EXPECT_EQ(rgb[2], back[0]);
        }
    }
}

TEST(JpegCodec, FailedCompressionIsReported)
{
    CapturedLog log;
    JpegCompressor jpeg;
    uint32_t size = 123;
    const std::vector<uint8_t> pixels(16);
    EXPECT_EQ(jpeg.CompressRGB(pixels.data(), 0, 4, 90, size), nullptr);
    EXPECT_EQ(size, 0u);
    EXPECT_TRUE(log.Contains("jpeg-turbo error: "));
}

TEST(JpegCodec, DamagedOrMismatchedStreamsAreRefused)
{
    const auto pixels = gradient(32, 32, 3);
    JpegCompressor coder;
    uint32_t size = 0;
    const Taker stream{size};
    const auto good = stream(coder.CompressRGB(pixels.data(), 32, 32, 90, size));
    std::vector<uint8_t> back(pixels.size());
    JpegDecompressor decoder;
    auto fails = [&](const std::vector<uint8_t>& bytes, uint16_t w, uint16_t h) {
        try {
            decoder.DecompressRGB(bytes.data(), uint32_t(bytes.size()), w, h, back.data());
        } catch (const std::runtime_error&) {
            return true;
        }
        return false;
    };
    EXPECT_FALSE(fails(good, 32, 32));
    EXPECT_TRUE(fails(good, 16, 16)); // TurboJPEG would scale it down
    EXPECT_TRUE(fails(good, 32, 31));
    EXPECT_TRUE(fails(std::vector<uint8_t>(good.begin(), good.begin() + good.size() / 2), 32, 32));
    EXPECT_TRUE(fails(std::vector<uint8_t>(good.begin(), good.begin() + 20), 32, 32));
    EXPECT_TRUE(fails(std::vector<uint8_t>(500, 0x5A), 32, 32));
    EXPECT_TRUE(fails({}, 32, 32));
}

TEST(JpegCodec, FileLoader)
{
    const auto dir = std::filesystem::temp_directory_path() / ("hyx_jpeg_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto pixels = gradient(640, 480, 3);
    JpegCompressor coder;
    uint32_t size = 0;
    uint8_t* bytes = coder.CompressRGB(pixels.data(), 640, 480, 90, size);
    std::ofstream(dir / "frame.jpg", std::ios::binary).write(reinterpret_cast<const char*>(bytes), size);
    std::ofstream(dir / "text.jpg") << "not a picture";

    JpegDecompressor decoder;
    uint32_t w = 7, h = 9;
    auto buffer = std::make_shared<FlatMemoryUInt8>();
    for (const char* name : {"missing.jpg", "text.jpg"}) {
        EXPECT_FALSE(decoder.DecompressFileRGB((dir / name).c_str(), w, h, buffer, 4)) << name;
        EXPECT_EQ(w, 7u);
        EXPECT_EQ(h, 9u);
        EXPECT_EQ(buffer->size(), 0u);
    }
    ASSERT_TRUE(decoder.DecompressFileRGB((dir / "frame.jpg").c_str(), w, h, buffer, 4));
    EXPECT_EQ(w, 640u);
    EXPECT_EQ(h, 480u);
    EXPECT_EQ(buffer->size(), 921604u);
    EXPECT_GE(psnr(pixels, std::vector<uint8_t>(buffer->data() + 4, buffer->end())), 35);
    ASSERT_TRUE(decoder.DecompressFileBGR((dir / "frame.jpg").c_str(), w, h, buffer, 0));
    EXPECT_NEAR(buffer->data()[0], pixels[2], 3);
    std::filesystem::remove_all(dir);
}
