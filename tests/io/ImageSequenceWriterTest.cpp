#include <Hyx/ImageSequenceWriter.h>

#include "CapturedLog.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <lodepng.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

using HyxTest::TempDir;

namespace {

// The file decoded in its own colour type and depth; empty when it does not decode.
std::vector<uint8_t> decodePng(const std::string& path, LodePNGColorType type, unsigned depth, size_t bytesPerPixel,
                               unsigned& w, unsigned& h)
{
    unsigned char* out = nullptr;
    std::vector<uint8_t> pixels;
    if (lodepng_decode_file(&out, &w, &h, path.c_str(), type, depth) == 0)
        pixels.assign(out, out + size_t(w) * h * bytesPerPixel);
    std::free(out);
    return pixels;
}

} // namespace

TEST(ImageSequenceWriter, EveryDepthDecodesToTheSamePixels)
{
    const struct {
        uint32_t bpp;
        LodePNGColorType type;
        unsigned depth;
        std::vector<uint8_t> input, decoded; // decoded empty: same as input
    } cases[] = {
        {8, LCT_GREY, 8, {0, 1, 127, 255, 9, 200}, {}},
        {16,
         LCT_GREY,
         16,
         {0x01, 0x02, 0x03, 0x04, 0xFF, 0x00, 0x00, 0xFF, 7, 8, 9, 10},
         {0x02, 0x01, 0x04, 0x03, 0x00, 0xFF, 0xFF, 0x00, 8, 7, 10, 9}},
        {24, LCT_RGB, 8, {255, 0, 0, 0, 255, 0, 0, 0, 255, 1, 2, 3, 4, 5, 6, 7, 8, 9}, {}},
        {32, LCT_RGBA, 8, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 0}, {}},
    };
    TempDir dir;
    std::filesystem::create_directories(dir.path);
    const Hyx::ImageSequenceWriter writer(dir.path.c_str());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bpp);
        const std::string name = "frame" + std::to_string(c.bpp) + ".png";
        ASSERT_TRUE(writer.WriteImage(c.input.data(), 3, 2, c.bpp, name.c_str()));
        unsigned w = 0, h = 0;
        EXPECT_EQ(decodePng(dir.file(name), c.type, c.depth, c.bpp / 8, w, h), c.decoded.empty() ? c.input : c.decoded);
        EXPECT_EQ(w, 3u);
        EXPECT_EQ(h, 2u);
    }
}

TEST(ImageSequenceWriter, RefusedWritesLeaveNoFile)
{
    TempDir dir;
    std::filesystem::create_directories(dir.path);
    const uint8_t pixels[16] = {};
    const Hyx::ImageSequenceWriter writer(dir.path.c_str()), noFolder(nullptr);
    CapturedLog log;
    EXPECT_FALSE(writer.WriteImage(pixels, 2, 2, 12, "a.png"));
    EXPECT_FALSE(writer.WriteImage(pixels, 2, 2, 0, "a.png"));
    EXPECT_FALSE(writer.WriteImage(nullptr, 2, 2, 8, "a.png"));
    EXPECT_FALSE(writer.WriteImage(pixels, 2, 2, 8, nullptr));
    EXPECT_FALSE(noFolder.WriteImage(pixels, 2, 2, 8, "a.png"));
    EXPECT_TRUE(std::filesystem::is_empty(dir.path));
    EXPECT_TRUE(log.Entries().empty());

    const std::string missing = (dir.path / "missing").string();
    EXPECT_FALSE(Hyx::ImageSequenceWriter(missing.c_str()).WriteImage(pixels, 2, 2, 8, "a.png"));
    EXPECT_EQ(log.Count(VornCommon::LogLevel::Error, "Can't write file '" + missing + "/a.png'"), 1);
}
