// Every file the io writers make, on a disk that fills up and on a file system whose close
// reports a lost write: the writer answers with its failure and logs it, never success.

#include <Hyx/ImageSequenceWriter.h>
#include <Hyx/SerializeToHyx.h>

#include "CapturedLog.h"
#include "ContainerTestUtil.h"
#include "FailingClose.h"
#include "SmallDisk.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

using Hyx::HyxErrorCode;
using HyxTest::ContainerFrame;
using HyxTest::SmallDisk;

enum class Cause {
    None, // the file system takes every byte
    DiskFull, // the disk has no byte left when the writer starts
    CutShort, // the writer's file is larger than the whole disk
    CloseFails // every write succeeds, the close reports a lost write
};

const char* Name(Cause cause)
{
    switch (cause) {
    case Cause::None: return "no failure";
    case Cause::DiskFull: return "disk full";
    case Cause::CutShort: return "cut short";
    case Cause::CloseFails: return "close fails";
    }
    return "";
}

// One writer's run into a folder: its answers, then " | " and each level-2 line, each ':'
// followed by the folder standing as %s.
using Writing = std::function<std::string(const std::string& folder)>;

std::string Answer(bool ok)
{
    return ok ? "true" : "false";
}

std::string Answer(HyxErrorCode code)
{
    return std::to_string(static_cast<int>(code));
}

std::vector<uint8_t> RandomPixels(size_t bytes)
{
    std::mt19937 random(46);
    std::vector<uint8_t> pixels(bytes);
    for (auto& p : pixels)
        p = static_cast<uint8_t>(random());
    return pixels;
}

// Two images: a PNG of random pixels does not shrink, so 128 x 128 of them outgrow a disk of
// 16 KiB; the second finds it full.
Writing Images(uint32_t bitsPerPixel)
{
    return [bitsPerPixel](const std::string& folder) {
        const auto pixels = RandomPixels(size_t(128) * 128 * bitsPerPixel / 8);
        const Hyx::ImageSequenceWriter writer(folder.c_str());
        const bool first = writer.WriteImage(pixels.data(), 128, 128, bitsPerPixel, "a.png");
        return Answer(first) + " " + Answer(writer.WriteImage(pixels.data(), 128, 128, bitsPerPixel, "b.png"));
    };
}

// Two atoms of 20 KiB, then the close and a second close.
Writing Take(const std::string& name, bool table, bool noContainer)
{
    return [=](const std::string& folder) {
        Hyx::SerializeToHyx writer((folder + "/" + name).c_str(), table, Hyx::HYX_FORMAT_VERSION_2000, noContainer);
        std::string seen;
        for (uint32_t frame = 0; frame < 2; ++frame)
            seen += Answer(writer.pack_atom(ContainerFrame(0, frame, 20000))) + " ";
        const bool closed = writer.CloseFile();
        return seen + Answer(closed) + " " + Answer(writer.CloseFile());
    };
}

Writing Dump()
{
    return [](const std::string& folder) {
        Hyx::SerializeToHyxXml dump((folder + "/dump.xml").c_str(), Hyx::HYX_FORMAT_VERSION_2000);
        std::string seen;
        for (uint32_t frame = 0; frame < 2; ++frame)
            seen += Answer(dump.pack_atom(ContainerFrame(0, frame, 20000))) + " ";
        const bool closed = dump.CloseFile();
        return seen + Answer(closed) + " " + Answer(dump.CloseFile());
    };
}

std::string Observe(const Writing& run, const std::string& folder)
{
    CapturedLog log;
    std::string seen = run(folder);
    for (const auto& e : log.Entries())
        if (e.level == VornCommon::LogLevel::Error)
            seen += " | " + e.text;
    for (size_t at; (at = seen.find(folder)) != std::string::npos;)
        seen.replace(at, folder.size(), "%s");
    return seen;
}

} // namespace

TEST(WriteFailure, IoWritersTellAFailedWrite)
{
    const std::string image = "false false | Can't write file '%s/a.png' (Cannot be written) | Can't write file "
                              "'%s/b.png' (Cannot be written)";
    const std::string takeLost = "35 35 false false | Failed to write to file '%s/take.hyx'; the lookup table is "
                                 "not appended.";
    const std::string takeClose = "0 0 false false | Failed to write to file '%s/take.hyx'.";
    const std::string dumpLost = "35 35 false false | Failed to write to file '%s/dump.xml'.";
    const struct {
        const char* writer;
        Writing run;
        Cause cause;
        std::string seen;
    } cases[] = {
        {"image 8", Images(8), Cause::None, "true true"},
        {"image 8", Images(8), Cause::DiskFull, image},
        {"image 16", Images(16), Cause::DiskFull, image},
        {"image 24", Images(24), Cause::CutShort, image},
        {"image 32", Images(32), Cause::CutShort, image},
        {"image 32", Images(32), Cause::CloseFails, image},
        {"container", Take("take.hyx", true, false), Cause::None, "0 0 true true"},
        {"container", Take("take.hyx", true, false), Cause::DiskFull, takeLost},
        {"container", Take("take.hyx", true, false), Cause::CutShort, takeLost},
        {"container", Take("take.hyx", true, false), Cause::CloseFails, takeClose},
        {"container without table", Take("take.hyx", false, false), Cause::CloseFails, takeClose},
        {"container and dump", Take("take.hyxxml", true, false), Cause::None, "0 0 true true"},
        {"container and dump", Take("take.hyxxml", true, false), Cause::DiskFull, takeLost},
        {"container and dump", Take("take.hyxxml", true, false), Cause::CutShort, takeLost},
        // The dump closes first: its failure is the one told.
        {"container and dump", Take("take.hyxxml", true, false), Cause::CloseFails,
         "0 0 false false | Failed to write to file '%s/take.xml'."},
        {"take of a dump alone", Take("take.xml", true, true), Cause::DiskFull,
         "35 35 false false | Failed to write to file '%s/take.xml'."},
        {"take of a dump alone", Take("take.xml", true, true), Cause::CloseFails,
         "0 0 false false | Failed to write to file '%s/take.xml'."},
        {"dump", Dump(), Cause::None, "0 0 true true"},
        {"dump", Dump(), Cause::DiskFull, dumpLost},
        {"dump", Dump(), Cause::CloseFails, "0 0 false false | Failed to write to file '%s/dump.xml'."},
    };
    std::string skipped; // the full-disk rows run only where a small disk can be mounted
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.writer) + ", " + Name(c.cause));
        if (c.cause == Cause::None) {
            HyxTest::TempDir dir;
            std::filesystem::create_directories(dir.path);
            EXPECT_EQ(Observe(c.run, dir.path.string()), c.seen);
            continue;
        }
        if (c.cause == Cause::CloseFails) {
            HyxTest::TempDir dir;
            std::filesystem::create_directories(dir.path);
            HyxTest::FailingClose failing(dir.path);
            EXPECT_EQ(Observe(c.run, dir.path.string()), c.seen);
            EXPECT_GT(failing.Failed(), 0);
            continue;
        }
        SmallDisk disk(16 * 1024);
        if (!disk.mounted) {
            skipped = disk.why;
            continue;
        }
        if (c.cause == Cause::DiskFull) {
            ASSERT_TRUE(disk.FillUp());
        }
        EXPECT_EQ(Observe(c.run, disk.path.string()), c.seen);
    }
    if (!skipped.empty())
        GTEST_SKIP() << skipped;
}

TEST(WriteFailure, ImageOnAFullDiskLeavesNoWholeFile)
{
    // What the writer left is no image a reader would take as whole: cut at the disk's end
    // (or empty), never a file that was told as written.
    SmallDisk disk(16 * 1024);
    if (!disk.mounted)
        GTEST_SKIP() << disk.why;
    CapturedLog log;
    const auto pixels = RandomPixels(size_t(128) * 128 * 4);
    const Hyx::ImageSequenceWriter writer(disk.path.c_str());
    EXPECT_FALSE(writer.WriteImage(pixels.data(), 128, 128, 32, "a.png"));
    EXPECT_FALSE(writer.WriteImage(pixels.data(), 128, 128, 32, "b.png"));
    EXPECT_LE(std::filesystem::file_size(disk.file("a.png")), 16u * 1024);
    EXPECT_EQ(std::filesystem::file_size(disk.file("b.png")), 0u);
    // Room again: the same writer writes the whole image.
    std::filesystem::remove(disk.file("a.png"));
    const auto small = RandomPixels(16 * 16 * 4);
    EXPECT_TRUE(writer.WriteImage(small.data(), 16, 16, 32, "c.png"));
    EXPECT_EQ(
        log.Count(VornCommon::LogLevel::Error, "Can't write file '" + disk.file("b.png") + "' (Cannot be written)"), 1);
}
