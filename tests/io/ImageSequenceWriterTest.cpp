#include <Hyx/ImageSequenceWriter.h>

#include "CapturedLog.h"
#include "TempDir.h"
#include "Unprivileged.h"

#include <gtest/gtest.h>

#include <lodepng.h>

#include <filesystem>
#include <fstream>

using Bytes = std::vector<uint8_t>;

TEST(ImageSequenceWriter, PixelsDecodeBackAndRefusedWritesLeaveNoFile)
{
    const struct {
        uint32_t bpp;
        LodePNGColorType type;
        unsigned depth;
        Bytes input, decoded; // decoded empty: no file
    } cases[] = {
        {8, LCT_GREY, 8, {0, 1, 127, 255}, {0, 1, 127, 255}},
        {16, LCT_GREY, 16, {1, 2, 3, 4, 0xFF, 0, 0, 0xFF}, {2, 1, 4, 3, 0, 0xFF, 0xFF, 0}}, // stored MSB first
        {24, LCT_RGB, 8, {255, 0, 0, 0, 255, 0, 0, 0, 255, 1, 2, 3}, {255, 0, 0, 0, 255, 0, 0, 0, 255, 1, 2, 3}},
        {32, LCT_RGBA, 8, Bytes(16, 9), Bytes(16, 9)},
        {12, LCT_GREY, 8, Bytes(16, 9), {}},
        {0, LCT_GREY, 8, Bytes(16, 9), {}},
    };
    HyxTest::TempDir dir;
    std::filesystem::create_directories(dir.path);
    CapturedLog log;
    for (const auto& c : cases) {
        const std::string name = std::to_string(c.bpp) + ".png";
        EXPECT_EQ(Hyx::ImageSequenceWriter(dir.path.c_str()).WriteImage(c.input.data(), 2, 2, c.bpp, name.c_str()),
                  !c.decoded.empty());
        Bytes decoded;
        unsigned w = 0, h = 0;
        lodepng::decode(decoded, w, h, dir.file(name), c.type, c.depth);
        EXPECT_EQ(decoded, c.decoded) << c.bpp;
        EXPECT_EQ(w * 10 + h, c.decoded.empty() ? 0u : 22u) << c.bpp;
    }
    const uint8_t* pixels = cases[0].input.data();
    EXPECT_FALSE(Hyx::ImageSequenceWriter(dir.path.c_str()).WriteImage(nullptr, 2, 2, 8, "a.png"));
    EXPECT_FALSE(Hyx::ImageSequenceWriter(dir.path.c_str()).WriteImage(pixels, 2, 2, 8, nullptr));
    EXPECT_FALSE(Hyx::ImageSequenceWriter(nullptr).WriteImage(pixels, 2, 2, 8, "a.png"));
    EXPECT_TRUE(log.Entries().empty() && !std::filesystem::exists(dir.path / "a.png"));
    const std::string missing = (dir.path / "missing").string();
    EXPECT_FALSE(Hyx::ImageSequenceWriter(missing.c_str()).WriteImage(pixels, 2, 2, 8, "a.png"));
    EXPECT_EQ(log.Count(VornCommon::LogLevel::Error, "Can't write file '" + missing + "/a.png' (No such folder)"), 1);
}

TEST(ImageSequenceWriter, UnwritableFileNamesItsCause)
{
    // `folder` (in the test's folder) is missing, a file, or may not be written; or a folder
    // stands where the image goes; or the image's name is too long for any file; or `folder`
    // is missing in a folder that may not be written (the writer makes no folder: it is
    // missing all the same).
    enum Obstacle {
        Missing,
        FileForFolder,
        FolderForFile,
        Locked,
        TooLong,
        MissingInLocked
    };
    const struct {
        Obstacle obstacle;
        const char* cause;
    } cases[] = {
        {Missing, "No such folder"},   {FileForFolder, "No such folder"}, {FolderForFile, "Is a folder"},
        {Locked, "Permission denied"}, {TooLong, "Cannot be written"},    {MissingInLocked, "No such folder"},
    };
    const Bytes pixels(16, 9);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cause);
        HyxTest::TempDir dir;
        const std::string folder = dir.file("images");
        const bool missing = c.obstacle == FileForFolder || c.obstacle == Missing || c.obstacle == MissingInLocked;
        std::filesystem::create_directories(missing ? dir.path.string() : folder);
        const std::string locked = c.obstacle == MissingInLocked ? dir.path.string() : folder;
        if (c.obstacle == FileForFolder)
            std::ofstream(folder) << "a file";
        if (c.obstacle == FolderForFile)
            std::filesystem::create_directories(folder + "/a.png");
        const std::string image = c.obstacle == TooLong ? std::string(300, 'n') + ".png" : "a.png";
        const auto written = [&] {
            CapturedLog log;
            const bool ok = Hyx::ImageSequenceWriter(folder.c_str()).WriteImage(pixels.data(), 2, 2, 8, image.c_str());
            std::string seen = ok ? "written" : "refused";
            for (const auto& e : log.Entries())
                seen += " | " + std::to_string(static_cast<int>(e.level)) + " " + e.text;
            return seen;
        };
        const std::string expected = "refused | " + std::to_string(static_cast<int>(VornCommon::LogLevel::Error)) +
                                     " Can't write file '" + folder + "/" + image + "' (" + c.cause + ")";
        if (c.obstacle != Locked && c.obstacle != MissingInLocked) {
            EXPECT_EQ(written(), expected);
            continue;
        }
        using std::filesystem::perms;
        std::filesystem::permissions(locked, perms::owner_read | perms::owner_exec | perms::group_read |
                                                 perms::group_exec | perms::others_read | perms::others_exec);
        const std::string unprivileged = HyxTest::RunUnprivileged(written);
        std::filesystem::permissions(locked, perms::owner_all, std::filesystem::perm_options::add);
        EXPECT_EQ(unprivileged, expected);
    }
}

TEST(ImageSequenceWriter, AnImageWithoutPixelsIsNotEncoded)
{
    // A PNG holds at least one pixel: each size with a 0 is refused for every bit count, and
    // no file is made.
    const struct {
        uint32_t width, height;
    } sizes[] = {{0, 2}, {2, 0}, {0, 0}};
    HyxTest::TempDir dir;
    std::filesystem::create_directories(dir.path);
    const Bytes pixels(64, 7);
    for (const auto& size : sizes) {
        for (const uint32_t bpp : {8u, 16u, 24u, 32u}) {
            CapturedLog log;
            const std::string name =
                std::to_string(size.width) + "x" + std::to_string(size.height) + "-" + std::to_string(bpp) + ".png";
            EXPECT_FALSE(Hyx::ImageSequenceWriter(dir.path.c_str())
                             .WriteImage(pixels.data(), size.width, size.height, bpp, name.c_str()))
                << name;
            EXPECT_EQ(
                log.Count(VornCommon::LogLevel::Error, "Can't write file '" + dir.file(name) + "' (Cannot be encoded)"),
                1)
                << name;
            EXPECT_FALSE(std::filesystem::exists(dir.path / name)) << name;
        }
    }
}

TEST(ImageSequenceWriter, AnEmptyFolderWritesIntoTheWorkingDirectory)
{
    HyxTest::TempDir dir;
    std::filesystem::create_directories(dir.path);
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir.path);
    const Bytes pixels(4, 7);
    const bool written = Hyx::ImageSequenceWriter("").WriteImage(pixels.data(), 2, 2, 8, "e.png");
    std::filesystem::current_path(before);
    EXPECT_TRUE(written);
    EXPECT_TRUE(std::filesystem::exists(dir.path / "e.png"));
}
