#include <Hyx/HYX2Reader.h>
#include <Hyx/HYXPurposeGuids.h>
#include <Hyx/HyxLookupTable.h>
#include <Hyx/SerializeToHyx.h>

#include "CapturedLog.h"
#include "ContainerTestUtil.h"
#include "FileSizeLimit.h"
#include "TempDir.h"
#include "ThrownText.h"
#include "Unprivileged.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace HyxTest;
using Hyx::HyxErrorCode;

namespace {

uint32_t u32At(const Bytes& b, size_t at)
{
    uint32_t v = 0;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

std::string text(const Bytes& b)
{
    return std::string(b.begin(), b.end());
}

/// The uncut atom stream of frames 0 to count - 1 of stream 0, and where the header and each
/// record end.
struct WholeStream {
    Bytes bytes;
    std::vector<size_t> ends;
};

WholeStream StreamOfFrames(uint32_t count, uint32_t payload = 8)
{
    Hyx::SerializeToMemory full;
    full.pack_hyxheader();
    std::vector<size_t> ends{full.GetPackedDataSize()};
    for (uint32_t frame = 0; frame < count; ++frame) {
        full.pack_atom(ContainerFrame(0, frame, payload));
        ends.push_back(full.GetPackedDataSize());
    }
    return {PackedBytes(full), std::move(ends)};
}

/// A container without its table: a reader indexes exactly frames 0 to count - 1 by walking,
/// each byte-equal to the frame written.
void ExpectWholeRecords(const std::string& path, uint32_t count, uint32_t payload = 8)
{
    Hyx::ReadHYX2File reader(path.c_str());
    EXPECT_NO_THROW({
        EXPECT_EQ(reader.GetNumFrames(0), count);
        for (uint32_t frame = 0; frame < count; ++frame)
            EXPECT_EQ(RecordBytes(reader.GetFrameAtom(0, frame)), RecordBytes(ContainerFrame(0, frame, payload)))
                << frame;
    });
}

} // namespace

TEST(ContainerWriter, ExtensionPicksTheFiles)
{
    const size_t records = 15 + 2 * RecordBytes(ContainerFrame(0, 0)).size();
    const std::string tableElement =
        "TYPE=\"LookupTable\" STREAMID=\"0\" FRAME=\"0-1\" TS=\"0-1000\">\n  </ATOM>\n</HYX>";
    const struct {
        const char* name;
        bool table, noContainer;
        HyxErrorCode result;
        size_t hyxSize; // 0: no file
        const char* xmlEnd; // null: no file
    } cases[] = {
        {"take.HYX", true, false, HyxErrorCode::Success, records + 28 + 3 * 16 + 6 + 2 * (29 + 2 * 14), nullptr},
        {"take.hyx", false, false, HyxErrorCode::Success, records, nullptr},
        {"take.xml", true, true, HyxErrorCode::Success, 0, "  </ATOM>\n</HYX>"},
        {"take.xml", false, false, HyxErrorCode::FailedToWriteToFile, 0, "<HYX VERSION=\"2000\">\n</HYX>"},
        {"take.hyxxml", true, false, HyxErrorCode::Success, records + 28 + 3 * 16 + 6 + 2 * (29 + 2 * 14),
         tableElement.c_str()},
        {"take.bin", true, false, HyxErrorCode::FailedToWriteToFile, 0, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        {
            Hyx::SerializeToHyx writer(dir.file(c.name).c_str(), c.table, Hyx::HYX_FORMAT_VERSION_2000, c.noContainer);
            for (uint32_t frame = 0; frame < 2; ++frame)
                EXPECT_EQ(writer.pack_atom(ContainerFrame(0, frame)), c.result);
        }
        const Bytes hyx = ReadFileBytes(dir.file("take.hyx")), xml = ReadFileBytes(dir.file("take.xml"));
        EXPECT_EQ(hyx.size(), c.hyxSize);
        if (c.table && c.hyxSize) { // the file ends with 5778 and the table's size
            EXPECT_EQ(u32At(hyx, hyx.size() - 8) + u32At(hyx, hyx.size() - 4), 5778 + c.hyxSize - records);
        }
        EXPECT_EQ(std::filesystem::exists(dir.file("take.xml")), c.xmlEnd != nullptr);
        EXPECT_TRUE(!c.xmlEnd || text(xml).ends_with(c.xmlEnd)) << text(xml);
    }
}

TEST(ContainerWriter, XmlDumpMatchesTheHandWrittenFile)
{
    RegisterStreamTestLayers();
    const VornCommon::Guid purpose = TestGuid("A1B2C3D4-0006-4000-8000-00000000A006");
    Hyx::HYXPurposeGuids::RegisterPurposeGuidAlias(purpose, "Take <1> & \"2\"");
    TempDir dir;
    {
        Hyx::SerializeToHyx writer(dir.file("dump.hyxxml").c_str(), true);
        auto first = std::make_shared<Hyx::Atom>(0u, 0u);
        auto plain = std::make_shared<StreamTestPlainLayer>();
        plain->InitializeHeader(purpose);
        first->AddDataLayer(plain, false);
        auto second = ContainerFrame(0, 1);
        second->RemoveDataLayers(StreamTestPlainType());
        second->SetTimeStamp(33);
        for (const auto& atom : {first, second, std::make_shared<Hyx::Atom>(2u, 0u, 0u)})
            ASSERT_EQ(writer.pack_atom(atom), HyxErrorCode::Success);
    }
    const Bytes golden = ReadFileBytes(HYX_TEST_DATA_DIR "/io/container_dump.xml");
    ASSERT_FALSE(golden.empty());
    EXPECT_EQ(text(ReadFileBytes(dir.file("dump.xml"))), text(golden));
}

TEST(ContainerWriter, RefusedAtomsLeaveTheFileAsItWas)
{
    TempDir dir;
    const std::string path = dir.file("take.hyx");
    Hyx::SerializeToHyx writer(path.c_str(), true);
    ASSERT_EQ(writer.pack_atom(ContainerFrame(3, 0)), HyxErrorCode::Success);
    ASSERT_EQ(writer.pack_atom(ContainerFrame(3, 1)), HyxErrorCode::Success);
    EXPECT_THROW(writer.pack_atom(ContainerFrame(3, 1)), std::logic_error);
    // A table entry counts its blocks in one byte.
    auto wide = ContainerFrame(3, 2);
    for (int i = 0; i < 254; ++i)
        wide->AddDataLayer(std::make_shared<StreamTestPlainLayer>(), false);
    EXPECT_EQ(writer.pack_atom(wide), HyxErrorCode::FailedToPackAtom);
    ASSERT_TRUE(writer.CloseFile());
    const Bytes finished = ReadFileBytes(path);
    // Finished means finished: no second header, no table for another file.
    EXPECT_EQ((std::tuple{writer.pack_atom(ContainerFrame(3, 2)), ReadFileBytes(path)}),
              std::tuple(HyxErrorCode::FailedToWriteToFile, finished));
    EXPECT_EQ(finished.size(),
              15 + 2 * RecordBytes(ContainerFrame(3, 0)).size() + u32At(finished, finished.size() - 4));
    EXPECT_EQ(Hyx::ReadHYX2File(path.c_str()).GetNumFrames(3), 2u);
}

TEST(ContainerWriter, AtomsPastTheIdentityWordsRangeAreRefused)
{
    // Frame numbers run from 0 to 4194303 and stream ids from 0 to 63. Each row: the frames
    // written first, the atom refused with 36 and its line, the frames a reader then finds.
    const auto framed = [](uint32_t stream, uint32_t frame) { return ContainerFrame(stream, frame); };
    const auto word = [](uint32_t id) {
        auto atom = ContainerFrame(0, 0);
        atom->SetId(id);
        return atom;
    };
    const std::string lastFrame = "Hyx failed to pack atom. (frame numbers run from 0 to 4194303: stream ";
    const std::string notAFrame = " is not a frame's: frame numbers run from 0 to 4194303 and stream ids from 0 to 63)";
    const struct {
        std::vector<std::shared_ptr<Hyx::Atom>> before;
        std::shared_ptr<Hyx::Atom> refused;
        std::string line;
    } rows[] = {
        // The constructor cuts frame 4194304 to 0: it would be filed as frame 0 again.
        {{framed(0, 4194303)}, framed(0, 4194304), lastFrame + "0 already holds frame 4194303)"},
        {{framed(5, 4194302), framed(5, 4194303)}, framed(5, 4194310), lastFrame + "5 already holds frame 4194303)"},
        {{framed(2, 4194303)}, framed(2, 4194303), lastFrame + "2 already holds frame 4194303)"},
        // Frame 4194304 packed into the word by hand spills into the type bits.
        {{framed(0, 0)}, word(4194304u << 6), "Hyx failed to pack atom. (identity word 0x10000000" + notAFrame},
        {{}, word(0x20000041u), "Hyx failed to pack atom. (identity word 0x20000041" + notAFrame},
    };
    TempDir dir;
    for (const bool withTable : {true, false}) {
        for (const auto& row : rows) {
            SCOPED_TRACE(row.line);
            const std::string path = dir.file("range.hyx");
            std::filesystem::remove(path);
            Hyx::SerializeToHyx writer(path.c_str(), withTable);
            for (const auto& atom : row.before)
                ASSERT_EQ(writer.pack_atom(atom), HyxErrorCode::Success);
            {
                CapturedLog log;
                EXPECT_EQ(writer.pack_atom(row.refused), HyxErrorCode::FailedToPackAtom);
                EXPECT_EQ(log.Count(VornCommon::LogLevel::Error, row.line), 1);
                EXPECT_EQ(log.Entries().size(), 1u);
            }
            // The frames written before stay, and the take reads.
            ASSERT_TRUE(writer.CloseFile());
            Hyx::ReadHYX2File reader(path.c_str());
            EXPECT_NO_THROW({
                const uint16_t stream = row.before.empty() ? 0 : row.before[0]->GetStreamId();
                EXPECT_EQ(reader.GetNumFrames(stream), row.before.size());
                for (uint32_t n = 0; n < row.before.size(); ++n)
                    EXPECT_EQ(RecordBytes(reader.GetFrameAtom(stream, n)), RecordBytes(row.before[n])) << n;
            });
        }
    }
}

TEST(ContainerWriter, AtomNeedingOneGuidTooManyIsRefused)
{
    auto table = std::make_shared<Hyx::HyxLookupTable>();
    for (uint32_t i = 0; i < Hyx::HyxLookupTable::MAX_GUIDS - 1; ++i)
        table->GetGuidIndex(VornCommon::Guid(VornCommon::Guid::Bytes{0x77, uint8_t(i >> 8), uint8_t(i)}));
    Hyx::SerializeToMemory writer;
    EXPECT_EQ(
        (std::tuple{writer.pack_atom(ContainerFrame(0, 0), table), writer.GetPackedDataSize(), table->GetNumFrames(0)}),
        std::tuple(HyxErrorCode::FailedToPackAtom, 0u, 0u));
}

TEST(ContainerWriter, UnwritableFiles)
{
    CapturedLog log;
    TempDir dir;
    std::filesystem::create_directories(dir.file("take.hyx")); // a folder where the file should go
    Hyx::SerializeToHyx writer(dir.file("take.hyx").c_str(), true);
    EXPECT_EQ((std::tuple{writer.pack_atom(ContainerFrame(0, 0)),
                          log.Count(VornCommon::LogLevel::Error,
                                    "Can't write file '" + dir.file("take.hyx") + "' (Is a folder)")}),
              std::tuple(HyxErrorCode::FailedToWriteToFile, 1));
    std::filesystem::remove(dir.file("take.hyx"));
    EXPECT_EQ(writer.pack_atom(ContainerFrame(0, 0)), HyxErrorCode::Success); // tried again
    EXPECT_TRUE(writer.CloseFile());

    // The XML dump's folder is a file.
    const std::string xml = dir.file("take.hyx/take.xml");
    Hyx::SerializeToHyx dump(xml.c_str(), false, Hyx::HYX_FORMAT_VERSION_2000, true);
    try {
        dump.pack_atom(ContainerFrame(0, 0));
        ADD_FAILURE() << "no error";
    } catch (const std::logic_error& e) {
        EXPECT_EQ(std::string(e.what()), "Can't write file '" + xml + "' (No such folder).");
    }
}

TEST(ContainerWriter, WriteCutShortEndsTheContainer)
{
    // The file size limit cuts a write `into` bytes past the end of the first `whole` atoms
    // (the header's end for 0) and is lifted after the first refused atom.
    constexpr uint32_t kFrames = 5;
    const struct {
        const char* name;
        bool table;
        uint32_t payload;
        size_t whole;
        int into;
    } cases[] = {
        {"take.hyx", true, 8, 2, 9},
        {"take.hyx", false, 8, 2, 9},
        {"take.hyx", true, 8, 1, 0}, // the write of atom 1 fails before its first byte
        {"take.hyx", true, 8, 0, -8},
        // The dump, far smaller than the records, keeps what the container took, without the
        // table element.
        {"take.hyxxml", true, 4096, 3, 100},
        {"take.hyxxml", false, 4096, 3, 100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.table) + " " + std::to_string(c.whole));
        const auto [stream, ends] = StreamOfFrames(kFrames, c.payload);
        const uint64_t cut = ends[c.whole] + c.into;

        TempDir dir;
        const std::string path = dir.file("take.hyx");
        std::vector<HyxErrorCode> results;
        bool limited = false;
        uint64_t sizeAtLift = 0, sizeAfterAtoms = 0, sizeAfterClose = 0;
        bool closed = true;
        CapturedLog log;
        {
            Hyx::SerializeToHyx writer(dir.file(c.name).c_str(), c.table);
            {
                FileSizeLimit limit(cut); // no test output while it stands
                limited = limit.active;
                while (results.empty() || (results.back() == HyxErrorCode::Success && results.size() < kFrames))
                    results.push_back(writer.pack_atom(ContainerFrame(0, uint32_t(results.size()), c.payload)));
            }
            sizeAtLift = std::filesystem::file_size(path);
            while (results.size() < kFrames)
                results.push_back(writer.pack_atom(ContainerFrame(0, uint32_t(results.size()), c.payload)));
            sizeAfterAtoms = std::filesystem::file_size(path);
            log.Clear();
            closed = writer.CloseFile();
            sizeAfterClose = std::filesystem::file_size(path);
        }
        ASSERT_TRUE(limited);
        std::vector<HyxErrorCode> expected(kFrames, HyxErrorCode::FailedToWriteToFile);
        std::fill_n(expected.begin(), c.whole, HyxErrorCode::Success);
        const std::string closeLine =
            "Failed to write to file '" + path + (c.table ? "'; the lookup table is not appended." : "'.");
        EXPECT_EQ((std::tuple{results, sizeAtLift, sizeAfterAtoms, closed, sizeAfterClose,
                              CountAtLevel(log, VornCommon::LogLevel::Error),
                              log.Count(VornCommon::LogLevel::Error, closeLine)}),
                  std::tuple(expected, cut, cut, false, cut, size_t{1}, 1));
        EXPECT_EQ(ReadFileBytes(path), Bytes(stream.begin(), stream.begin() + static_cast<ptrdiff_t>(cut)));

        ExpectWholeRecords(path, uint32_t(c.whole), c.payload);
        if (std::string(c.name).ends_with("xml")) {
            const std::string xml = text(ReadFileBytes(dir.file("take.xml")));
            size_t atoms = 0;
            for (size_t at = xml.find("<ATOM"); at != std::string::npos; at = xml.find("<ATOM", at + 1))
                ++atoms;
            EXPECT_EQ((std::tuple{atoms, xml.find("LookupTable"), xml.ends_with("  </ATOM>\n</HYX>")}),
                      std::tuple(c.whole, std::string::npos, true));
        }
    }
}

TEST(ContainerWriter, DumpWriteCutShortEndsTheDump)
{
    // The limit cuts the element of atom 1 and is lifted before atom 2.
    TempDir dir;
    std::filesystem::create_directories(dir.path);
    const std::string path = dir.file("take.xml");
    {
        Hyx::SerializeToHyxXml whole(dir.file("whole.xml").c_str(), Hyx::HYX_FORMAT_VERSION_2000);
        for (uint32_t frame = 0; frame < 3; ++frame)
            whole.pack_atom(ContainerFrame(0, frame));
    }
    const std::string whole = text(ReadFileBytes(dir.file("whole.xml")));
    const size_t cut = whole.find("<ATOM", whole.find("<ATOM") + 1) + 20;

    std::vector<HyxErrorCode> results;
    bool limited = false;
    uint64_t sizeAtLift = 0, sizeAfterAtoms = 0;
    uint32_t pendingAtLift = 0, pendingAfterAtoms = 0;
    CapturedLog log;
    {
        Hyx::SerializeToHyxXml dump(path.c_str(), Hyx::HYX_FORMAT_VERSION_2000);
        {
            FileSizeLimit limit(cut); // no test output while it stands
            limited = limit.active;
            for (uint32_t frame = 0; frame < 2; ++frame)
                results.push_back(dump.pack_atom(ContainerFrame(0, frame)));
        }
        sizeAtLift = std::filesystem::file_size(path);
        pendingAtLift = dump.GetPackedDataSize();
        results.push_back(dump.pack_atom(ContainerFrame(0, 2)));
        sizeAfterAtoms = std::filesystem::file_size(path);
        pendingAfterAtoms = dump.GetPackedDataSize();
    }
    ASSERT_TRUE(limited);
    EXPECT_EQ(
        (std::tuple{results, sizeAtLift, sizeAfterAtoms, pendingAfterAtoms - pendingAtLift, text(ReadFileBytes(path))}),
        std::tuple(
            std::vector{HyxErrorCode::Success, HyxErrorCode::FailedToWriteToFile, HyxErrorCode::FailedToWriteToFile},
            cut, cut, 0u, whole.substr(0, cut)));
    // Closed at its destruction, it names its file.
    EXPECT_EQ((std::tuple{CountAtLevel(log, VornCommon::LogLevel::Error),
                          log.Count(VornCommon::LogLevel::Error, "Failed to write to file '" + path + "'.")}),
              std::tuple(size_t{1}, 1));
}

TEST(ContainerWriter, DumpCutFirstEndsTheTake)
{
    // An element of the dump is far larger than the atom's record, so the file size limit,
    // set `into` bytes past the end of the first `whole` elements (the head's end for 0),
    // cuts the dump first; it is lifted after the first refused atom. The container keeps
    // `kept` records: the one whose element failed stays, as it was written whole before.
    // Without `close` the take is closed by its destruction.
    constexpr uint32_t kFrames = 5;
    const struct {
        const char* name;
        bool table, noContainer;
        size_t whole;
        int into;
        size_t kept;
        bool close;
    } cases[] = {
        {"take.hyxxml", true, false, 2, 30, 3, true}, // mid-element
        {"take.hyxxml", false, false, 2, 30, 3, true}, // mid-element, no table
        {"take.hyxxml", true, false, 2, 0, 3, true}, // the element of atom 2 fails before its first byte
        {"take.hyxxml", true, false, 0, -20, 0, true}, // the head is cut: atom 0 reaches neither file
        {"take.hyxxml", false, false, 0, -20, 0, true}, // the head is cut, no table
        {"take.hyxxml", true, false, 2, 30, 3, false}, // closed by its destruction
        {"take.xml", true, true, 2, 30, 0, true}, // XML only, mid-element
        {"take.xml", false, true, 0, -20, 0, true}, // XML only, the head is cut
        {"take.xml", false, true, 2, 30, 0, false}, // XML only, closed by its destruction
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.table) + " " + std::to_string(c.whole) + " " +
                     std::to_string(c.into) + " " + std::to_string(c.close));
        TempDir dir;
        std::filesystem::create_directories(dir.path);
        // The whole dump and the whole container stream of the take, with the ends of the
        // head and of each element, and of each record.
        {
            Hyx::SerializeToHyxXml whole(dir.file("whole.xml").c_str(), Hyx::HYX_FORMAT_VERSION_2000);
            for (uint32_t frame = 0; frame < kFrames; ++frame)
                whole.pack_atom(ContainerFrame(0, frame));
        }
        const std::string dump = text(ReadFileBytes(dir.file("whole.xml")));
        std::vector<size_t> elementEnds{dump.find("  <ATOM")};
        for (size_t at = dump.find("  </ATOM>\n"); at != std::string::npos; at = dump.find("  </ATOM>\n", at + 1))
            elementEnds.push_back(at + 10);
        ASSERT_EQ(elementEnds.size(), kFrames + 1);
        const auto [stream, recordEnds] = StreamOfFrames(kFrames);
        const uint64_t cut = elementEnds[c.whole] + c.into;
        ASSERT_LT(recordEnds[c.kept], cut); // the container stays below the limit

        const std::string hyxPath = dir.file("take.hyx"), xmlPath = dir.file("take.xml");
        const auto sizes = [&] {
            return std::tuple{std::filesystem::exists(hyxPath) ? std::filesystem::file_size(hyxPath) : 0,
                              std::filesystem::file_size(xmlPath)};
        };
        std::vector<HyxErrorCode> results;
        bool limited = false, closed = false;
        std::vector<std::tuple<uint64_t, uint64_t>> sizesSeen;
        std::vector<size_t> linesSeen;
        CapturedLog log;
        {
            Hyx::SerializeToHyx writer(dir.file(c.name).c_str(), c.table, Hyx::HYX_FORMAT_VERSION_2000, c.noContainer);
            {
                FileSizeLimit limit(cut); // no test output while it stands
                limited = limit.active;
                while (results.empty() || (results.back() == HyxErrorCode::Success && results.size() < kFrames))
                    results.push_back(writer.pack_atom(ContainerFrame(0, uint32_t(results.size()))));
            }
            sizesSeen.push_back(sizes());
            while (results.size() < kFrames)
                results.push_back(writer.pack_atom(ContainerFrame(0, uint32_t(results.size()))));
            sizesSeen.push_back(sizes());
            linesSeen.push_back(CountAtLevel(log, VornCommon::LogLevel::Error));
            if (c.close)
                closed = writer.CloseFile();
            sizesSeen.push_back(sizes());
            linesSeen.push_back(CountAtLevel(log, VornCommon::LogLevel::Error));
        }
        sizesSeen.push_back(sizes());
        linesSeen.push_back(CountAtLevel(log, VornCommon::LogLevel::Error));
        ASSERT_TRUE(limited);

        std::vector<HyxErrorCode> expected(kFrames, HyxErrorCode::FailedToWriteToFile);
        std::fill_n(expected.begin(), c.whole, HyxErrorCode::Success);
        const uint64_t hyxSize = c.noContainer ? 0 : recordEnds[c.kept];
        const std::string closeLine = "Failed to write to file '" + xmlPath +
                                      (c.table && !c.noContainer ? "'; the lookup table is not appended." : "'.");
        EXPECT_EQ(
            (std::tuple{results, closed, sizesSeen, linesSeen, log.Count(VornCommon::LogLevel::Error, closeLine)}),
            std::tuple(expected, false, std::vector(4, std::tuple{hyxSize, cut}),
                       std::vector<size_t>{0, c.close ? 1u : 0u, 1}, 1));
        // No table element, no end tag: the dump stops where it was cut.
        EXPECT_EQ(text(ReadFileBytes(xmlPath)), dump.substr(0, cut));
        if (c.noContainer) {
            EXPECT_FALSE(std::filesystem::exists(hyxPath));
            continue;
        }
        // No table: the reader indexes the whole records by walking.
        EXPECT_EQ(ReadFileBytes(hyxPath), Bytes(stream.begin(), stream.begin() + static_cast<ptrdiff_t>(hyxSize)));
        ExpectWholeRecords(hyxPath, uint32_t(c.kept));
    }
}

TEST(ContainerWriter, WriteCutShortAtCloseFailsTheClose)
{
    // Every atom is written; the file size limit, 10 bytes past the size of `cutFile` after
    // the atoms, cuts the table record or the dump's table element at close; with
    // `intoEndTag` it falls that many bytes into the dump's closing "</HYX>".
    constexpr uint32_t kFrames = 5;
    const struct {
        const char* name;
        const char* cutFile;
        const char* lineEnd;
        bool noContainer = false;
        int intoEndTag = -1;
    } cases[] = {
        {"take.hyx", "take.hyx", "'; the lookup table is not appended."},
        // The container's table is written before the dump's element and stays.
        {"take.hyxxml", "take.xml", "'."},
        {"take.hyxxml", "take.xml", "'.", false, 3},
        {"take.hyxxml", "take.xml", "'.", false, 0},
        {"take.xml", "take.xml", "'.", true, 3},
        {"take.xml", "take.xml", "'.", true, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.intoEndTag));
        TempDir whole, dir;
        std::filesystem::create_directories(whole.path);
        {
            Hyx::SerializeToHyx writer(whole.file(c.name).c_str(), true, Hyx::HYX_FORMAT_VERSION_2000, c.noContainer);
            for (uint32_t frame = 0; frame < kFrames; ++frame)
                ASSERT_EQ(writer.pack_atom(ContainerFrame(0, frame)), HyxErrorCode::Success);
            ASSERT_TRUE(writer.CloseFile());
        }
        const Bytes expectedCut = ReadFileBytes(whole.file(c.cutFile));
        const std::string cutPath = dir.file(c.cutFile);
        std::vector<HyxErrorCode> results;
        bool limited = false, closed = true;
        uint64_t cut = 0;
        std::vector<size_t> linesSeen;
        CapturedLog log;
        {
            Hyx::SerializeToHyx writer(dir.file(c.name).c_str(), true, Hyx::HYX_FORMAT_VERSION_2000, c.noContainer);
            for (uint32_t frame = 0; frame < kFrames; ++frame)
                results.push_back(writer.pack_atom(ContainerFrame(0, frame)));
            cut = c.intoEndTag < 0 ? std::filesystem::file_size(cutPath) + 10
                                   : expectedCut.size() - std::strlen("</HYX>") + c.intoEndTag;
            {
                FileSizeLimit limit(cut); // no test output while it stands
                limited = limit.active;
                closed = writer.CloseFile();
            }
            linesSeen.push_back(CountAtLevel(log, VornCommon::LogLevel::Error));
        }
        linesSeen.push_back(CountAtLevel(log, VornCommon::LogLevel::Error));
        ASSERT_TRUE(limited);
        ASSERT_GT(expectedCut.size(), cut);
        if (std::string(c.cutFile) != "take.hyx") { // the container stays below the limit
            ASSERT_LT(ReadFileBytes(whole.file("take.hyx")).size(), cut);
        }
        EXPECT_EQ((std::tuple{results, closed, linesSeen,
                              log.Count(VornCommon::LogLevel::Error, "Failed to write to file '" + cutPath + c.lineEnd),
                              ReadFileBytes(cutPath)}),
                  std::tuple(std::vector(kFrames, HyxErrorCode::Success), false, std::vector<size_t>{1, 1}, 1,
                             Bytes(expectedCut.begin(), expectedCut.begin() + static_cast<ptrdiff_t>(cut))));
        if (std::string(c.cutFile) != "take.hyx") {
            EXPECT_EQ(ReadFileBytes(dir.file("take.hyx")), ReadFileBytes(whole.file("take.hyx")));
        }
        if (!c.noContainer) {
            Hyx::ReadHYX2File reader(dir.file("take.hyx").c_str());
            EXPECT_EQ(reader.GetNumFrames(0), kFrames);
        }
    }
}

TEST(ContainerWriter, CloseFileFinishesTheTakeAndItsDump)
{
    // Right after CloseFile both files hold what a writer destroyed without it leaves; later
    // atoms and the destruction change nothing. With no frames nothing is ever opened.
    const struct {
        const char* name;
        bool table, noContainer;
        uint32_t frames;
    } cases[] = {
        {"take.xml", false, true, 2},     {"take.xml", false, true, 0},    {"take.hyxxml", true, false, 2},
        {"take.hyxxml", false, false, 2}, {"take.hyxxml", true, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.table) + " " + std::to_string(c.frames));
        const auto files = [](const TempDir& d) {
            return std::tuple{std::filesystem::exists(d.file("take.hyx")), ReadFileBytes(d.file("take.hyx")),
                              std::filesystem::exists(d.file("take.xml")), text(ReadFileBytes(d.file("take.xml")))};
        };
        const auto take = [&](const TempDir& d) {
            auto writer = std::make_unique<Hyx::SerializeToHyx>(d.file(c.name).c_str(), c.table,
                                                                Hyx::HYX_FORMAT_VERSION_2000, c.noContainer);
            for (uint32_t frame = 0; frame < c.frames; ++frame)
                EXPECT_EQ(writer->pack_atom(ContainerFrame(0, frame)), HyxErrorCode::Success);
            return writer;
        };
        TempDir destroyed, dir;
        take(destroyed).reset();
        CapturedLog log;
        std::vector<HyxErrorCode> results;
        auto writer = take(dir);
        const bool closed = writer->CloseFile();
        std::vector seen{files(dir)};
        for (uint32_t frame = c.frames; frame < c.frames + 2; ++frame)
            results.push_back(writer->pack_atom(ContainerFrame(0, frame)));
        seen.push_back(files(dir));
        writer.reset();
        seen.push_back(files(dir));
        EXPECT_EQ((std::tuple{closed, results, seen, CountAtLevel(log, VornCommon::LogLevel::Error)}),
                  std::tuple(true, std::vector(2, HyxErrorCode::FailedToWriteToFile), std::vector(3, files(destroyed)),
                             size_t{0}));
    }
}

TEST(ContainerWriter, DumpThatCannotBeCreatedEndsTheTake)
{
    // A folder where the dump goes: the first atom gets the dump's error after the container
    // got its header, which is all the container keeps. Without `close` the destruction closes.
    const struct {
        bool table, close;
    } cases[] = {{true, true}, {false, true}, {true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.table) + " " + std::to_string(c.close));
        TempDir dir;
        const std::string hyx = dir.file("take.hyx"), xml = dir.file("take.xml");
        std::filesystem::create_directories(xml);
        CapturedLog log;
        std::vector<HyxErrorCode> results;
        std::vector<Bytes> seen;
        bool closed = false;
        {
            Hyx::SerializeToHyx writer(dir.file("take.hyxxml").c_str(), c.table);
            EXPECT_EQ(ThrownText<std::logic_error>([&] { writer.pack_atom(ContainerFrame(0, 0)); }),
                      "Can't write file '" + xml + "' (Is a folder).");
            for (uint32_t frame = 1; frame < 3; ++frame)
                results.push_back(writer.pack_atom(ContainerFrame(0, frame)));
            seen.push_back(ReadFileBytes(hyx));
            if (c.close)
                closed = writer.CloseFile();
            seen.push_back(ReadFileBytes(hyx));
        }
        seen.push_back(ReadFileBytes(hyx));
        const std::string line =
            "Failed to write to file '" + xml + (c.table ? "'; the lookup table is not appended." : "'.");
        EXPECT_EQ((std::tuple{results, closed, seen, CountAtLevel(log, VornCommon::LogLevel::Error),
                              log.Count(VornCommon::LogLevel::Error, line)}),
                  std::tuple(std::vector(2, HyxErrorCode::FailedToWriteToFile), false,
                             std::vector(3, StreamOfFrames(0).bytes), size_t{1}, 1));
    }
}

TEST(ContainerWriter, ExtensionNamingNoFileRefusesEveryAtomWithOneLine)
{
    // Nothing can be written: every atom is refused, the take says why once, and nothing is
    // made, neither file nor folder. Without `close` the destruction closes.
    const std::string neither =
        "Can't write file '%s' (the extension names neither a container, \"hyx\", nor a dump, \"xml\")";
    const std::string noDump = "Can't write file '%s' (without a container the extension must name a dump, \"xml\")";
    const struct {
        const char* name;
        bool noContainer, close;
        const std::string& line;
    } cases[] = {
        {"takes/rec.take", false, true, neither},  {"takes/rec", false, true, neither},
        {"takes/rec.take", false, false, neither}, {"takes/rec.take", true, true, noDump},
        {"takes/take.hyx", true, true, noDump},    {"takes/take.HYX", true, false, noDump},
        {"takes/rec", true, false, noDump},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.noContainer) + " " + std::to_string(c.close));
        TempDir dir;
        const std::string path = dir.file(c.name);
        std::string line = c.line;
        line.replace(line.find("%s"), 2, path);
        CapturedLog log;
        std::vector<HyxErrorCode> results;
        bool closed = false;
        {
            Hyx::SerializeToHyx writer(path.c_str(), true, Hyx::HYX_FORMAT_VERSION_2000, c.noContainer);
            for (uint32_t frame = 0; frame < 3; ++frame)
                results.push_back(writer.pack_atom(ContainerFrame(0, frame)));
            if (c.close) {
                closed = writer.CloseFile();
                results.push_back(writer.pack_atom(ContainerFrame(0, 3)));
            }
        }
        EXPECT_EQ(
            (std::tuple{results, closed, CountAtLevel(log, VornCommon::LogLevel::Error),
                        log.Count(VornCommon::LogLevel::Error, line), std::filesystem::exists(dir.path)}),
            std::tuple(std::vector(c.close ? 4 : 3, HyxErrorCode::FailedToWriteToFile), c.close, size_t{1}, 1, false));
    }
}

TEST(ContainerWriter, DumpExtensionWithoutTheFlagRefusesEveryAtomWithOneLine)
{
    // The dump is made with its head, but every atom is refused before it: the take says why
    // once, by either close.
    for (const bool close : {true, false}) {
        SCOPED_TRACE(close);
        TempDir dir;
        const std::string path = dir.file("take.XML");
        CapturedLog log;
        std::vector<HyxErrorCode> results;
        {
            Hyx::SerializeToHyx writer(path.c_str(), true, Hyx::HYX_FORMAT_VERSION_2000, false);
            for (uint32_t frame = 0; frame < 3; ++frame)
                results.push_back(writer.pack_atom(ContainerFrame(0, frame)));
            if (close) {
                EXPECT_TRUE(writer.CloseFile());
            }
        }
        const std::string line = "Can't write file '" + path +
                                 "' (the extension names no container, \"hyx\": only a take made without a container "
                                 "writes a dump alone)";
        EXPECT_EQ((std::tuple{results, CountAtLevel(log, VornCommon::LogLevel::Error),
                              log.Count(VornCommon::LogLevel::Error, line), text(ReadFileBytes(dir.file("take.xml"))),
                              std::filesystem::exists(dir.file("take.hyx"))}),
                  std::tuple(std::vector(3, HyxErrorCode::FailedToWriteToFile), size_t{1}, 1,
                             std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\" ?>\n<HYX "
                                         "VERSION=\"2000\">\n</HYX>"),
                             false));
    }
}

namespace {

// What a take observes on its first atom when a file cannot be made: the atom's code or the
// exception's text, then its level-2 lines up to its close (by CloseFile or destruction).
std::string ObserveUnwritableTake(const std::string& path, bool noContainer, bool close)
{
    CapturedLog log;
    std::string seen;
    {
        Hyx::SerializeToHyx writer(path.c_str(), true, Hyx::HYX_FORMAT_VERSION_2000, noContainer);
        try {
            seen = "code " + std::to_string(static_cast<int>(writer.pack_atom(ContainerFrame(0, 0))));
        } catch (const std::logic_error& e) {
            seen = std::string("thrown ") + e.what();
        }
        if (close)
            writer.CloseFile();
    }
    for (const auto& e : log.Entries())
        if (e.level == VornCommon::LogLevel::Error)
            seen += " | " + e.text;
    return seen;
}

} // namespace

TEST(ContainerWriter, UnwritableFileNamesItsCause)
{
    // `obstacle` stands where `blocked` (in the folder) goes: a folder, a file where its own
    // folder goes, or a folder that may not be written; or the name is too long for any file.
    // %s stands for the folder.
    enum Obstacle {
        Folder,
        FileForFolder,
        Locked,
        None
    };
    const std::string tableLost = "Failed to write to file '%s/take.xml'; the lookup table is not appended.";
    const std::string tooLong(300, 'n');
    const struct {
        std::string name;
        bool noContainer;
        Obstacle obstacle;
        const char* blocked;
        std::string seen;
    } cases[] = {
        {"take.hyx", false, Folder, "take.hyx", "code 35 | Can't write file '%s/take.hyx' (Is a folder)"},
        {"sub/take.hyx", false, FileForFolder, "sub", "code 35 | Can't write file '%s/sub/take.hyx' (No such folder)"},
        {"take.hyx", false, Locked, "", "code 35 | Can't write file '%s/take.hyx' (Permission denied)"},
        // A folder the writer would make where it may not: not a missing folder.
        {"sub/take.hyx", false, Locked, "", "code 35 | Can't write file '%s/sub/take.hyx' (Permission denied)"},
        {"sub/deeper/take.hyx", false, Locked, "",
         "code 35 | Can't write file '%s/sub/deeper/take.hyx' (Permission denied)"},
        {"sub/deeper/take.hyx", false, FileForFolder, "sub",
         "code 35 | Can't write file '%s/sub/deeper/take.hyx' (No such folder)"},
        {tooLong + "/take.hyx", false, None, "",
         "code 35 | Can't write file '%s/" + tooLong + "/take.hyx' (No such folder)"},
        {"take.xml", true, Folder, "take.xml", "thrown Can't write file '%s/take.xml' (Is a folder)."},
        {"sub/take.xml", true, FileForFolder, "sub", "thrown Can't write file '%s/sub/take.xml' (No such folder)."},
        {"take.xml", true, Locked, "", "thrown Can't write file '%s/take.xml' (Permission denied)."},
        {"sub/take.xml", true, Locked, "", "thrown Can't write file '%s/sub/take.xml' (Permission denied)."},
        {tooLong + ".hyx", false, None, "", "code 35 | Can't write file '%s/" + tooLong + ".hyx' (Cannot be written)"},
        {tooLong + ".xml", true, None, "", "thrown Can't write file '%s/" + tooLong + ".xml' (Cannot be written)."},
        // Both files: a container that cannot be made leaves the dump alone; a dump that
        // cannot be made ends the take.
        {"take.hyxxml", false, Folder, "take.hyx", "code 35 | Can't write file '%s/take.hyx' (Is a folder)"},
        {"take.hyxxml", false, Folder, "take.xml",
         "thrown Can't write file '%s/take.xml' (Is a folder). | " + tableLost},
        {"sub/take.hyxxml", false, FileForFolder, "sub",
         "thrown Can't write file '%s/sub/take.xml' (No such folder). | Can't write file '%s/sub/take.hyx' (No such "
         "folder)"},
        {"take.hyxxml", false, Locked, "",
         "thrown Can't write file '%s/take.xml' (Permission denied). | Can't write file '%s/take.hyx' (Permission "
         "denied)"},
        {"sub/take.hyxxml", false, Locked, "",
         "thrown Can't write file '%s/sub/take.xml' (Permission denied). | Can't write file '%s/sub/take.hyx' "
         "(Permission denied)"},
    };
    for (const auto& c : cases) {
        for (const bool close : {true, false}) {
            SCOPED_TRACE(c.name + " " + std::to_string(c.obstacle) + " " + c.blocked + " " + std::to_string(close));
            TempDir dir;
            std::filesystem::create_directories(dir.path);
            const std::string folder = dir.path.string();
            if (c.obstacle == Folder)
                std::filesystem::create_directories(dir.file(c.blocked));
            if (c.obstacle == FileForFolder)
                std::ofstream(dir.file(c.blocked)) << "a file";
            std::string expected = c.seen;
            for (size_t at; (at = expected.find("%s")) != std::string::npos;)
                expected.replace(at, 2, folder);
            const auto seen = [&] { return ObserveUnwritableTake(dir.file(c.name), c.noContainer, close); };
            if (c.obstacle != Locked) {
                EXPECT_EQ(seen(), expected);
                continue;
            }
            std::filesystem::permissions(dir.path,
                                         std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                                             std::filesystem::perms::group_read | std::filesystem::perms::group_exec |
                                             std::filesystem::perms::others_read | std::filesystem::perms::others_exec);
            const std::string unprivileged = RunUnprivileged(seen);
            std::filesystem::permissions(dir.path, std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add);
            EXPECT_EQ(unprivileged, expected);
        }
    }
}

TEST(ContainerWriter, ClosedDumpKeepsNothing)
{
    // A dump of its own: an atom or a table after the close is refused and kept nowhere, so a
    // second close answers as one with nothing between; the file is the whole dump, as its
    // destruction leaves it.
    const struct {
        uint32_t frames;
        bool table;
    } cases[] = {{2, false}, {2, true}, {0, false}, {0, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.frames) + " " + std::to_string(c.table));
        TempDir dir;
        std::filesystem::create_directories(dir.path);
        const std::string path = dir.file("dump.xml"), whole = dir.file("whole.xml");
        {
            Hyx::SerializeToHyxXml dump(whole.c_str(), Hyx::HYX_FORMAT_VERSION_2000);
            for (uint32_t frame = 0; frame < c.frames; ++frame)
                dump.pack_atom(ContainerFrame(0, frame));
        }
        CapturedLog log;
        Hyx::SerializeToHyxXml dump(path.c_str(), Hyx::HYX_FORMAT_VERSION_2000);
        for (uint32_t frame = 0; frame < c.frames; ++frame)
            ASSERT_EQ(dump.pack_atom(ContainerFrame(0, frame)), HyxErrorCode::Success);
        const bool closed = dump.CloseFile();
        Hyx::HyxLookupTable table;
        table.AddAtomInfo(std::make_shared<Hyx::AtomInfo>(7u << 6, 20, 15, 20, 0));
        std::vector<HyxErrorCode> after;
        for (uint32_t frame = c.frames; frame < c.frames + 2; ++frame) {
            after.push_back(dump.pack_atom(ContainerFrame(0, frame)));
            if (c.table)
                dump.pack_lookuptable(table);
        }
        EXPECT_EQ((std::tuple{closed, after, dump.GetPackedDataSize(), dump.CloseFile(), dump.CloseFile(),
                              CountAtLevel(log, VornCommon::LogLevel::Error), ReadFileBytes(path)}),
                  std::tuple(true, std::vector(2, HyxErrorCode::FailedToWriteToFile), 0u, true, true, size_t{0},
                             ReadFileBytes(whole)));
    }
}
