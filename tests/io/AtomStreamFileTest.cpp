#include <Hyx/Atom.h>
#include <Hyx/DeserializeFromFile.h>
#include <Hyx/HYX2Reader.h>
#include <Hyx/SerializeToFile.h>

#include <VornCommon/FileHelper.h>

#include "ContainerTestUtil.h"
#include "FileSizeLimit.h"
#include "StreamTestLayers.h"
#include "StreamTestUtil.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

using namespace HyxTest;
using Hyx::Atom;
using Hyx::HyxErrorCode;
using VornCommon::LogLevel;

namespace fs = std::filesystem;

namespace {

std::shared_ptr<Atom> smallAtom(uint32_t frame)
{
    auto atom = std::make_shared<Atom>(Hyx::AtomId::Create(0, 1, frame), frame);
    atom->AddDataLayer(StreamTestLayer<StreamTestPlainLayer>(Bytes(frame + 1, static_cast<uint8_t>(frame))), false);
    return atom;
}

// Exposes the protected file reads.
class FileReader : public Hyx::DeserializeFromFile {
public:
    using DeserializeFromFile::DeserializeFromFile;
    using DeserializeFromFile::readFromFile;
};

} // namespace

TEST(AtomStreamFile, WritesThroughFlushesAndReadsBack)
{
    TempDir dir;
    const std::string path = dir.file("sub/dir/take.hyx"); // directories are created
    Bytes expected;
    {
        Hyx::SerializeToFile writer(path.c_str(), true);
        ASSERT_TRUE(writer.IsReady());
        EXPECT_EQ(writer.GetFilePath(), path);
        writer.pack_hyxheader();
        for (uint32_t frame = 0; frame < 3; ++frame) {
            ASSERT_EQ(writer.pack_atom(smallAtom(frame)), HyxErrorCode::Success);
            if (frame == 1)
                continue; // left for the next flush
            const Bytes chunk = PackedBytes(writer);
            expected.insert(expected.end(), chunk.begin(), chunk.end());
            ASSERT_TRUE(writer.Flush());
        }
        ASSERT_EQ(writer.pack_atom(smallAtom(3)), HyxErrorCode::Success);
        const Bytes last = PackedBytes(writer);
        expected.insert(expected.end(), last.begin(), last.end());
        EXPECT_TRUE(writer.CloseFile()); // writes what is pending
        EXPECT_FALSE(writer.IsReady());
    }
    EXPECT_EQ(ReadFileBytes(path), expected);

    FileReader reader(path.c_str());
    ASSERT_TRUE(reader.IsValid());
    EXPECT_EQ(reader.GetFileSize(), expected.size());
    ASSERT_EQ(reader.readFromFile(15), HyxErrorCode::Success);
    EXPECT_TRUE(reader.unpack_hyxheader());
    ASSERT_EQ(reader.readFromFile(static_cast<unsigned>(expected.size() - 15)), HyxErrorCode::Success);
    for (uint32_t frame = 0; frame < 4; ++frame) {
        auto atom = reader.unpack_atom();
        ASSERT_TRUE(atom);
        EXPECT_EQ(atom->GetFrameNr(), frame);
    }
    // At the end of the file, and beyond it, nothing is read or allocated.
    const auto failed = HyxErrorCode::FailedToReadFromFile;
    EXPECT_EQ((std::tuple{reader.readFromFile(1), reader.GetRemainingDataSize(), reader.readFromFile(0xFFFFFFFFu, 0),
                          reader.GetBuffer()->capacity() < 0xFFFFFFFFu, reader.readFromFile(4, expected.size() - 3),
                          reader.readFromFile(1, expected.size() + 1)}),
              std::tuple(failed, 0u, failed, true, failed, failed));
    ASSERT_EQ(reader.readFromFile(16, 15), HyxErrorCode::Success);
    unsigned int id = 0;
    unsigned long long ts = 0;
    EXPECT_EQ(reader.unpack_atomheader(id, ts), 16u + 46u);
}

TEST(AtomStreamFile, MissingFilesAndFailedWrites)
{
    CapturedLog log;
    TempDir dir;
    const std::string missing = dir.file("missing.hyx");
    FileReader reader(missing.c_str());
    EXPECT_FALSE(reader.IsValid());
    ASSERT_EQ(log.Entries().size(), 1u);
    EXPECT_EQ((std::tuple{log.Entries()[0].text, log.Entries()[0].level, reader.readFromFile(1)}),
              std::tuple("DeserializeFromFile::DeserializeFromFile(): Invalid file '" + missing + "'", LogLevel::Error,
                         HyxErrorCode::FailedToReadFromFile));

    // A writer that never opened keeps its bytes and reports them lost.
    Hyx::SerializeToFile closed(dir.file("later.hyx").c_str(), false);
    EXPECT_FALSE(closed.IsReady());
    closed.pack_hyxheader();
    EXPECT_EQ((std::tuple{closed.Flush(), closed.GetPackedDataSize(), closed.GetFlushedDataSize(), closed.CloseFile()}),
              std::tuple(false, 15u, 0u, false));

    if (VornCommon::FileHelper::DoesFileExist("/dev/full")) {
        log.Clear();
        Hyx::SerializeToFile full("/dev/full", true);
        ASSERT_TRUE(full.IsReady());
        full.pack_hyxheader();
        EXPECT_EQ((std::tuple{full.Flush(), full.GetPackedDataSize(), full.GetFlushedDataSize(), full.CloseFile(),
                              log.Contains("Failed to write to file.")}),
                  std::tuple(false, 15u, 0u, false, true));
    }
}

TEST(AtomStreamFile, DestroyedOpenWriterReportsAndStillWrites)
{
    CapturedLog log;
    TempDir dir;
    const std::string path = dir.file("open.hyx");
    fs::create_directories(dir.path);
    {
        Hyx::SerializeToFile writer(path.c_str(), true);
        writer.pack_hyxheader();
    }
    EXPECT_EQ((std::tuple{log.Contains("File '" + path + "' not closed!"), ReadFileBytes(path).size()}),
              std::tuple(true, 15u));
}

TEST(AtomStreamFile, WriteCutShortEndsTheStream)
{
    // The header and atom 0 go out in one flush, atoms 1 to 3 in the next; the file size
    // limit cuts a write `into` bytes past the end of the first `whole` atoms (the header's
    // end for 0) and is lifted before atom 4.
    Bytes stream;
    std::vector<size_t> ends; // end of the header, then of each record
    {
        Hyx::SerializeToMemory full;
        full.pack_hyxheader();
        ends.push_back(full.GetPackedDataSize());
        for (uint32_t frame = 0; frame < 4; ++frame) {
            full.pack_atom(smallAtom(frame));
            ends.push_back(full.GetPackedDataSize());
        }
        stream = PackedBytes(full);
    }
    const struct {
        const char* where;
        size_t whole;
        int into;
    } cases[] = {
        {"in the header", 0, -8},
        {"in atom 0, the first flush", 0, 10},
        {"right after atom 1, the first of the second flush", 2, 0},
        {"in atom 2, mid-flush", 2, 9},
        {"in atom 3, the last of the second flush", 3, 30},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.where);
        TempDir dir;
        const std::string path = dir.file("cut.hyx");
        const uint64_t cut = ends[c.whole] + c.into;
        Hyx::SerializeToFile writer(path.c_str(), true);
        ASSERT_TRUE(writer.IsReady());
        bool limited = false, flushed = true;
        {
            FileSizeLimit limit(cut); // no test output while it stands
            limited = limit.active;
            writer.pack_hyxheader();
            writer.pack_atom(smallAtom(0));
            flushed = writer.Flush();
            for (uint32_t frame = 1; frame < 4; ++frame)
                writer.pack_atom(smallAtom(frame));
            flushed = writer.Flush() && flushed;
        }
        ASSERT_TRUE(limited);
        ASSERT_FALSE(flushed);

        CapturedLog log;
        const uint32_t pending = writer.GetPackedDataSize();
        EXPECT_EQ((std::tuple{fs::file_size(path), writer.pack_atom(smallAtom(4)), writer.GetPackedDataSize(),
                              writer.Flush(), fs::file_size(path)}),
                  std::tuple(cut, HyxErrorCode::FailedToWriteToFile, pending, false, cut));
        EXPECT_EQ((std::tuple{writer.CloseFile(), fs::file_size(path), CountAtLevel(log, LogLevel::Error),
                              log.Count(LogLevel::Error, "Failed to write to file.")}),
                  std::tuple(false, cut, size_t{1}, 1));
        EXPECT_EQ(ReadFileBytes(path), Bytes(stream.begin(), stream.begin() + static_cast<ptrdiff_t>(cut)));

        // Read back: the whole atoms, and nothing of the cut one.
        Hyx::ReadHYX2File reader(path.c_str());
        EXPECT_NO_THROW({
            EXPECT_EQ(reader.GetNumFrames(1), c.whole);
            for (uint32_t frame = 0; frame < c.whole; ++frame)
                EXPECT_EQ(RecordBytes(reader.GetFrameAtom(1, frame)), RecordBytes(smallAtom(frame))) << frame;
        });
    }
}
