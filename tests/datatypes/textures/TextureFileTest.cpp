#include <Hyx/DataTypeTextureRGB.h>
#include <Hyx/HYXPurposeGuids.h>
#include <Hyx/ImageSequenceReader.h>
#include <Hyx/ImageSequenceWriter.h>
#include <Hyx/JpegCodec.h>

#include "CapturedLog.h"
#include "TempDir.h"
#include "datatypes/textures/TextureImageFile.h"

#include <gtest/gtest.h>

#include <lodepng.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <thread>

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
    unsigned char* out = nullptr;
    size_t size = 0;
    EXPECT_EQ(lodepng_encode_memory(&out, &size, pixels.data(), w, h, type, 8), 0u);
    Bytes bytes(out, out + size);
    std::free(out);
    return bytes;
}

Bytes jpeg(const Bytes& rgb, uint16_t w, uint16_t h)
{
    Hyx::JpegCompressor coder; // owns the stream
    uint32_t size = 0;
    const uint8_t* bytes = coder.CompressRGB(rgb.data(), w, h, 95, size);
    return Bytes(bytes, bytes + size);
}

// The PNG with other dimensions in its header (checksum kept valid).
Bytes pngClaiming(Bytes file, uint32_t w, uint32_t h)
{
    for (int i = 0; i < 4; ++i) {
        file[16 + i] = uint8_t(w >> (24 - 8 * i));
        file[20 + i] = uint8_t(h >> (24 - 8 * i));
    }
    lodepng_chunk_generate_crc(file.data() + 8);
    return file;
}

// The baseline JPEG with other dimensions in its frame header.
Bytes jpegClaiming(Bytes file, uint16_t w, uint16_t h)
{
    for (size_t i = 2; i + 9 < file.size(); ++i) {
        if (file[i] == 0xFF && file[i + 1] == 0xC0) {
            file[i + 5] = uint8_t(h >> 8), file[i + 6] = uint8_t(h);
            file[i + 7] = uint8_t(w >> 8), file[i + 8] = uint8_t(w);
            break;
        }
    }
    return file;
}

void writeFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

Bytes pixelsOf(const Hyx::DataTypeTexture24Bit& t)
{
    return t.GetTextureData() ? Bytes(t.GetTextureData(), t.GetTextureData() + t.GetTextureSizeInBytes()) : Bytes();
}

Bytes swapRedBlue(Bytes pixels)
{
    for (size_t i = 0; i + 2 < pixels.size(); i += 3)
        std::swap(pixels[i], pixels[i + 2]);
    return pixels;
}

} // namespace

TEST(TextureFile, PngAndJpegLoadIntoRgbAndBgr)
{
    const Bytes small = pattern(3, 2), wide = pattern(32, 16), flat(512 * 512, 77);
    const uint8_t samples16[] = {0x34, 0x12, 0xFF, 0xAB}; // little-endian 0x1234, 0xABFF
    const struct {
        const char* name;
        Bytes file;
        uint16_t w, h;
        Bytes rgb;
        int tolerance; // JPEG is lossy
    } cases[] = {
        {"a.png", png(small, 3, 2), 3, 2, small, 0},
        {"b.PNG", png(small, 3, 2), 3, 2, small, 0},
        {"flat.png", png(flat, 512, 512, LCT_GREY), 512, 512, Bytes(512 * 512 * 3, 77), 0},
        {"c.jpg", jpeg(wide, 32, 16), 32, 16, wide, 6},
        {"d.JPEG", jpeg(wide, 32, 16), 32, 16, wide, 6},
        {"e.jpeg", jpeg(wide, 32, 16), 32, 16, wide, 6},
    };
    TempDir dir;
    std::filesystem::create_directories(dir.path);
    // 16-bit grey from the sequence writer loads with the high byte of every sample.
    ASSERT_TRUE(Hyx::ImageSequenceWriter(dir.path.c_str()).WriteImage(samples16, 2, 1, 16, "grey16.png"));
    Hyx::DataTypeTextureRGB grey;
    ASSERT_TRUE(grey.LoadFromFile(dir.file("grey16.png").c_str()));
    EXPECT_EQ(pixelsOf(grey), (Bytes{0x12, 0x12, 0x12, 0xAB, 0xAB, 0xAB}));

    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(dir.file(c.name), c.file);
        Hyx::DataTypeTextureRGB rgb;
        Hyx::DataTypeTextureBGR bgr;
        ASSERT_TRUE(rgb.LoadFromFile(dir.file(c.name).c_str()));
        ASSERT_TRUE(bgr.LoadFromFile(dir.file(c.name).c_str()));
        EXPECT_EQ(rgb.GetWidth() * 100000 + rgb.GetHeight(), c.w * 100000 + c.h);
        const Bytes got = pixelsOf(rgb);
        ASSERT_EQ(got.size(), c.rgb.size());
        int worst = 0;
        for (size_t i = 0; i < got.size(); ++i)
            worst = std::max(worst, std::abs(got[i] - c.rgb[i]));
        EXPECT_LE(worst, c.tolerance);
        EXPECT_EQ(pixelsOf(bgr), swapRedBlue(got));
        uint32_t size = 0;
        EXPECT_EQ(bgr.Serialize(size) != nullptr ? size : 0, 4 + c.rgb.size());
        EXPECT_EQ(bgr.GetVersion(), 0);
    }
}

TEST(TextureFile, RefusedFilesLeaveTheTextureAsItWas)
{
    const Bytes image = png(pattern(3, 2), 3, 2), frame = jpeg(pattern(32, 16), 32, 16);
    const struct {
        const char* name;
        Bytes file; // empty: no file
        const char* log; // level-2 line before the path, or null
    } cases[] = {
        {"picture.bmp", image, nullptr},
        {"picture", image, nullptr},
        {"missing.png", {}, "Could not open PNG!\n"},
        {"text.png", Bytes(100, 'x'), "PNG size mismatch!\n"},
        {"cut.png", Bytes(image.begin(), image.end() - 20), "PNG size mismatch!\n"},
        {"wide.png", pngClaiming(image, 65536, 1), "PNG size mismatch!\n"},
        {"text.jpg", Bytes(100, 'x'), nullptr},
        {"cut.jpg", Bytes(frame.begin(), frame.begin() + frame.size() * 2 / 3), nullptr},
        {"tall.jpeg", jpegClaiming(frame, 32, 4000), nullptr},
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
        ASSERT_TRUE(rgb.LoadFromFile(dir.file("before.png").c_str()));
        ASSERT_TRUE(bgr.LoadFromFile(dir.file("before.png").c_str()));
        const uint8_t* pixels = rgb.GetDataPtr();
        const Bytes before = pixelsOf(rgb);
        log.Clear();
        EXPECT_FALSE(rgb.LoadFromFile(path.c_str()));
        EXPECT_FALSE(bgr.LoadFromFile(path.c_str()));
        EXPECT_EQ(rgb.GetDataPtr(), pixels);
        EXPECT_EQ(pixelsOf(rgb), before);
        EXPECT_EQ(pixelsOf(bgr), swapRedBlue(before));
        EXPECT_EQ(log.Count(VornCommon::LogLevel::Error, std::string(c.log ? c.log : "") + path), c.log ? 2 : 0);
    }
    EXPECT_FALSE(Hyx::DataTypeTextureRGB().LoadFromFile(nullptr));
}

TEST(TextureFile, HeadersClaimingMoreThanTheFileHoldsAreRefusedBeforeAllocating)
{
    using Hyx::TextureImageFile::Kind;
    const Bytes image = png(pattern(3, 2), 3, 2), frame = jpeg(pattern(32, 16), 32, 16);
    const struct {
        const char* name;
        Bytes file;
        Kind kind;
        uint64_t budget = UINT64_MAX;
    } cases[] = {
        {"PNG past the texture side", pngClaiming(image, 1, 65536), Kind::Png},
        {"PNG of 60000 x 60000", pngClaiming(image, 60000, 60000), Kind::Png},
        {"PNG of 1000 x 1000", pngClaiming(image, 1000, 1000), Kind::Png},
        {"PNG over the budget", image, Kind::Png, 5},
        {"JPEG of 8000 x 8000", jpegClaiming(frame, 8000, 8000), Kind::Jpeg},
        {"JPEG of 65535 x 65535", jpegClaiming(frame, 65535, 65535), Kind::Jpeg},
        {"JPEG over the budget", frame, Kind::Jpeg, 511},
        {"PNG read as JPEG", image, Kind::Jpeg},
        {"anything of no kind", image, Kind::Unknown},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Hyx::FlatMemoryUInt8 buffer;
        uint16_t w = 7, h = 9;
        EXPECT_FALSE(
            Hyx::TextureImageFile::Decode(c.file.data(), c.file.size(), c.kind, false, c.budget, buffer, 4, w, h));
        EXPECT_EQ(buffer.capacity(), 0u);
        EXPECT_EQ(w * 10 + h, 79);
    }
    // The refusals above leave the thread's decoders usable.
    Hyx::FlatMemoryUInt8 buffer;
    uint16_t w = 0, h = 0;
    EXPECT_TRUE(
        Hyx::TextureImageFile::Decode(frame.data(), frame.size(), Kind::Jpeg, false, UINT64_MAX, buffer, 4, w, h));
}

TEST(TextureFile, FlipImageVerticallyExchangesRows)
{
    for (const auto& [w, h] : {std::pair<uint16_t, uint16_t>{1, 3}, {2, 4}, {3, 1}, {0, 0}}) {
        SCOPED_TRACE(w * 10 + h);
        Hyx::DataTypeTextureRGB t;
        const Bytes rows = pattern(w, h);
        t.SetTexture(w, h, rows.data());
        t.FlipImageVertically();
        const Bytes flipped = pixelsOf(t);
        ASSERT_EQ(flipped.size(), rows.size());
        for (size_t y = 0, row = size_t(w) * 3; y < h; ++y)
            EXPECT_TRUE(std::equal(flipped.begin() + y * row, flipped.begin() + (y + 1) * row,
                                   rows.begin() + (h - 1 - y) * row));
    }
}

TEST(ImageSequenceReader, MapsIndicesToLayersWithoutStaleImages)
{
    TempDir dir;
    std::filesystem::create_directories(dir.path);
    writeFile(dir.file("000.png"), png(pattern(3, 2), 3, 2));
    writeFile(dir.file("001.JPG"), jpeg(pattern(16, 8), 16, 8));
    writeFile(dir.file("002.jpeg"), jpeg(pattern(8, 8), 8, 8));
    writeFile(dir.file("003.png"), Bytes(40, 'x'));
    writeFile(dir.file("notes.txt"), Bytes(4, 'x'));
    Hyx::ImageSequenceReader reader(dir.path.c_str(), false);
    ASSERT_EQ(reader.GetNumFiles(), 4);

    const struct {
        int index;
        int width; // -1: empty pointer
        bool sameAsBefore;
    } steps[] = {
        {0, 3, false}, {0, 3, true},   {1, 16, false}, {0, 3, false},   {2, 8, false},
        {3, 0, false}, {9, -1, false}, {9, -1, false}, {-1, -1, false}, {2, 8, false},
    };
    std::shared_ptr<Hyx::DataTypeTextureBGR> previous;
    for (const auto& s : steps) {
        SCOPED_TRACE(s.index);
        const auto image = reader.GetImage(s.index);
        ASSERT_EQ(image == nullptr, s.width < 0);
        if (image) {
            EXPECT_EQ(image->GetWidth(), s.width);
            EXPECT_EQ(image->GetPurposeGuid(), Hyx::HYXPurposeGuids::VORN4D);
            EXPECT_EQ(image == previous, s.sameAsBefore);
        }
        previous = image;
    }
}

TEST(TextureFile, ConcurrentLoadsUseTheirOwnDecoders)
{
    TempDir dir;
    std::filesystem::create_directories(dir.path);
    writeFile(dir.file("a.jpg"), jpeg(pattern(48, 32), 48, 32));
    writeFile(dir.file("b.png"), png(pattern(48, 32), 48, 32));
    writeFile(dir.file("c.jpg"), Bytes(64, 'x'));
    Hyx::DataTypeTextureRGB expected;
    ASSERT_TRUE(expected.LoadFromFile(dir.file("a.jpg").c_str()));
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 20; ++i) {
                Hyx::DataTypeTextureRGB rgb;
                wrong += rgb.LoadFromFile(dir.file("c.jpg").c_str()) || !rgb.LoadFromFile(dir.file("b.png").c_str()) ||
                         !rgb.LoadFromFile(dir.file("a.jpg").c_str()) || pixelsOf(rgb) != pixelsOf(expected);
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(wrong, 0);
}
