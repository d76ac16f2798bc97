#include <Hyx/DataTypeTextureRGB.h>
#include <Hyx/HYXPurposeGuids.h>
#include <Hyx/ImageSequenceReader.h>
#include <Hyx/JpegCodec.h>

#include "CapturedLog.h"
#include "TempDir.h"
#include "datatypes/textures/TextureImageFile.h"

#include <gtest/gtest.h>

#include <lodepng.h>

#include <fstream>

using HyxTest::TempDir;
using Bytes = std::vector<uint8_t>;

namespace {

Bytes pattern(uint16_t w, uint16_t h)
{
    Bytes rgb(size_t(w) * h * 3);
    for (size_t i = 0; i < rgb.size(); ++i)
        rgb[i] = uint8_t(60 + (i / 3 % w) * 90 / w + (i / 3 / w) * 60 / h + i % 3 * 20);
    return rgb;
}

Bytes png(const Bytes& pixels, unsigned w, unsigned h, LodePNGColorType type = LCT_RGB)
{
    Bytes file;
    lodepng::encode(file, pixels.data(), w, h, type, 8);
    return file;
}

Bytes jpeg(const Bytes& rgb, uint16_t w, uint16_t h)
{
    Hyx::JpegCompressor coder; // owns the stream
    uint32_t size = 0;
    const uint8_t* bytes = coder.CompressRGB(rgb.data(), w, h, 95, size);
    return Bytes(bytes, bytes + size);
}

// The baseline JPEG with other dimensions in its frame header.
Bytes claiming(Bytes file, uint16_t w, uint16_t h)
{
    for (size_t i = 2; i + 9 < file.size(); ++i)
        if (file[i] == 0xFF && file[i + 1] == 0xC0) {
            const uint8_t sides[4] = {uint8_t(h >> 8), uint8_t(h), uint8_t(w >> 8), uint8_t(w)};
            std::copy(sides, sides + 4, file.begin() + ptrdiff_t(i) + 5);
            break;
        }
    return file;
}

void writeFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// The pixels as R, G, B whatever the class's byte order.
Bytes rgbOf(const Hyx::DataTypeTextureBase& t)
{
    Bytes rgb;
    for (int y = 0; y < t.GetHeight(); ++y)
        for (int x = 0; x < t.GetWidth(); ++x)
            for (int shift : {0, 8, 16})
                rgb.push_back(uint8_t(t.GetPixelAsRGB24BitValue(x, y) >> shift));
    return rgb;
}

} // namespace

TEST(TextureFile, LoadsIntoRgbAndBgrOrLeavesTheTextureAsItWas)
{
    const Bytes small = pattern(3, 2), wide = pattern(32, 16), image = png(small, 3, 2), frame = jpeg(wide, 32, 16);
    const struct {
        const char* name;
        Bytes file; // empty: no file
        Bytes rgb; // empty: refused
        int tolerance; // JPEG is lossy
        const char* log = nullptr; // level-2 line before the path
        bool bounded = false; // refused before the pixels are allocated
    } cases[] = {
        {"a.png", image, small, 0},
        {"flat.PNG", png(Bytes(512 * 512, 77), 512, 512, LCT_GREY), Bytes(512 * 512 * 3, 77), 0},
        {"side.jpg", claiming(frame, 65535, 16), {}, 0, nullptr, true}, // past TurboJPEG's limit: later
        {"c.jpg", frame, wide, 6}, // decodes on the same thread still work
        {"d.JPEG", frame, wide, 6},
        {"picture.bmp", image, {}, 0},
        {"missing.png", {}, {}, 0, "Could not open PNG!\n"},
        {"text.png", Bytes(100, 'x'), {}, 0, "PNG size mismatch!\n"},
        {"cut.png", Bytes(image.begin(), image.end() - 20), {}, 0, "PNG size mismatch!\n"},
        {"wide.png", png(Bytes(65536, 0), 65536, 1, LCT_GREY), {}, 0, "PNG size mismatch!\n", true}, // past u16
        {"text.jpg", Bytes(100, 'x'), {}, 0},
        {"cut.jpg", Bytes(frame.begin(), frame.begin() + frame.size() * 2 / 3), {}, 0},
        {"big.jpeg", claiming(frame, 4000, 4000), {}, 0, nullptr, true},
    };
    TempDir dir;
    std::filesystem::create_directories(dir.path);
    writeFile(dir.file("before.png"), png(pattern(5, 4), 5, 4));
    CapturedLog log;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file(c.name);
        if (!c.file.empty())
            writeFile(path, c.file);
        Hyx::DataTypeTextureRGB rgb;
        Hyx::DataTypeTextureBGR bgr;
        ASSERT_TRUE(rgb.LoadFromFile(dir.file("before.png").c_str()) &&
                    bgr.LoadFromFile(dir.file("before.png").c_str()));
        const Bytes before = rgbOf(rgb);
        const uint8_t* pixels = rgb.GetDataPtr();
        log.Clear();
        EXPECT_EQ(rgb.LoadFromFile(path.c_str()), !c.rgb.empty());
        EXPECT_EQ(bgr.LoadFromFile(path.c_str()), !c.rgb.empty());
        EXPECT_EQ(log.Count(VornCommon::LogLevel::Error, std::string(c.log ? c.log : "") + path), c.log ? 2 : 0);
        const Bytes got = rgbOf(rgb);
        EXPECT_EQ(rgbOf(bgr), got);
        if (c.rgb.empty()) {
            EXPECT_TRUE(rgb.GetDataPtr() == pixels && got == before);
            Hyx::FlatMemoryUInt8 buffer;
            uint16_t w = 0, h = 0;
            const auto kind = Hyx::TextureImageFile::KindOfPath(c.name);
            Hyx::TextureImageFile::Decode(c.file.data(), c.file.size(), kind, false, UINT64_MAX, buffer, 4, w, h);
            EXPECT_TRUE(!c.bounded || buffer.capacity() == 0);
            continue;
        }
        uint32_t size = 0;
        ASSERT_TRUE(bgr.Serialize(size) && size == 4 + c.rgb.size() && got.size() == c.rgb.size());
        EXPECT_EQ(bgr.GetDataPtr()[0], got[2]); // stored B, G, R
        for (size_t i = 0; i < got.size(); ++i)
            ASSERT_NEAR(got[i], c.rgb[i], c.tolerance) << i;
    }
}

TEST(TextureFile, FlipImageVerticallyExchangesRows)
{
    for (const auto& [w, h] : {std::pair<uint16_t, uint16_t>{1, 3}, {2, 4}, {3, 1}, {0, 0}}) {
        Hyx::DataTypeTextureRGB t;
        const Bytes rows = pattern(w, h);
        t.SetTexture(w, h, rows.data());
        t.FlipImageVertically();
        for (size_t y = 0, row = size_t(w) * 3; y < h; ++y)
            EXPECT_TRUE(std::equal(rows.begin() + y * row, rows.begin() + (y + 1) * row,
                                   t.GetTextureData() + (h - 1 - y) * row));
    }
}

TEST(ImageSequenceReader, MapsIndicesToLayersWithoutStaleImages)
{
    TempDir dir;
    std::filesystem::create_directories(dir.path);
    writeFile(dir.file("000.png"), png(pattern(3, 2), 3, 2));
    writeFile(dir.file("001.JPG"), jpeg(pattern(16, 8), 16, 8));
    writeFile(dir.file("002.png"), Bytes(40, 'x'));
    Hyx::ImageSequenceReader reader(dir.path.c_str(), false);
    EXPECT_EQ(reader.GetNumFiles(), 3);
    // Index, width (-1: no layer), same layer as the step before.
    const int steps[][3] = {{0, 3, 0}, {0, 3, 1}, {1, 16, 0}, {0, 3, 0}, {2, 0, 0}, {9, -1, 0}, {9, -1, 0}, {1, 16, 0}};
    std::shared_ptr<Hyx::DataTypeTextureBGR> previous;
    for (const auto& [index, width, same] : steps) {
        const auto image = reader.GetImage(index);
        EXPECT_EQ(image ? image->GetWidth() : -1, width) << index;
        EXPECT_EQ(image && image == previous, bool(same)) << index;
        EXPECT_TRUE(!image || image->GetPurposeGuid() == Hyx::HYXPurposeGuids::VORN4D);
        previous = image;
    }
}
