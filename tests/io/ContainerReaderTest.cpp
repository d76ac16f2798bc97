#include <Hyx/HYX2Reader.h>
#include <Hyx/HyxLookupTable.h>

#include "ContainerTestUtil.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

using namespace HyxTest;
using Hyx::HyxErrorCode;

namespace {

// Exposes the index, which the fast reader builds on.
class TableReader : public Hyx::HYX2Reader {
public:
    using HYX2Reader::HYX2Reader;
    std::shared_ptr<Hyx::HyxLookupTable> Table() { return Initialize() == HyxErrorCode::Success ? _table : nullptr; }
};

// A stream without a table, written atom by atom.
Bytes streamOf(const std::vector<std::shared_ptr<Hyx::Atom>>& atoms)
{
    Hyx::SerializeToMemory writer;
    writer.pack_hyxheader();
    for (const auto& atom : atoms)
        writer.pack_atom(atom);
    return PackedBytes(writer);
}

} // namespace

TEST(ContainerReader, ReadsAnyFrameFromFileAndMemoryWithAndWithoutTable)
{
    TempDir dir;
    const Bytes frame57 = RecordBytes(ContainerFrame(2, 57));
    for (const bool withTable : {true, false}) {
        const std::string path = dir.file(withTable ? "indexed.hyx" : "plain.hyx");
        WriteTake(path, 3, 100, withTable);
        const Bytes image = ReadFileBytes(path);
        Hyx::ReadHYX2File file(path.c_str());
        TableReader memory(image.data(), static_cast<uint32_t>(image.size()));
        for (Hyx::HYX2Reader* reader : {static_cast<Hyx::HYX2Reader*>(&file), static_cast<Hyx::HYX2Reader*>(&memory)}) {
            EXPECT_FALSE(reader->IsValid());
            ASSERT_EQ(reader->GetNumStreams(), 3);
            EXPECT_TRUE(reader->IsValid());
            for (int s = 0; s < 3; ++s) {
                EXPECT_EQ(reader->GetStreamId(s), s);
                EXPECT_EQ(reader->GetNumFrames(static_cast<uint16_t>(s)), 100u);
            }
            EXPECT_EQ(reader->GetStreamId(3), 0);
            EXPECT_EQ(reader->GetStreamId(-1), 0);
            const auto atom = reader->GetFrameAtom(2, 57);
            ASSERT_TRUE(atom);
            EXPECT_EQ(RecordBytes(atom), frame57);
            EXPECT_EQ(RecordBytes(reader->GetFirstFrameAtom(1)), RecordBytes(ContainerFrame(1, 0)));
            EXPECT_FALSE(reader->GetFrameAtom(2, 100));
            EXPECT_FALSE(reader->GetFrameAtom(3, 0));
        }
        // One block read alone: the compressed layer stays compressed.
        const auto entry = memory.Table()->GetAtomInfo(1, 3);
        const auto layer = std::dynamic_pointer_cast<StreamTestCompressedLayer>(
            memory.ReadDataLayer(entry->payloadOffset, entry->layers[1]));
        ASSERT_TRUE(layer);
        EXPECT_EQ(layer->GetCompressionType(), 2);
        EXPECT_FALSE(memory.ReadDataLayer(entry->payloadOffset + 1, entry->layers[1]));
        EXPECT_FALSE(memory.ReadDataLayer(entry->payloadOffset, nullptr));
    }
}

TEST(ContainerReader, SmallAndOddContainers)
{
    const Bytes header = streamOf({});
    Bytes badMagic = header;
    badMagic[1] = 'h';
    const struct {
        const char* what;
        Bytes image;
        HyxErrorCode result;
        std::function<void(TableReader&)> check;
    } cases[] = {
        {"header only", header, HyxErrorCode::Success,
         [](TableReader& r) {
             EXPECT_EQ(r.GetNumStreams(), 0);
             EXPECT_EQ(r.GetFirstStreamId(), 0);
             EXPECT_FALSE(r.GetFirstFrameAtom(0));
         }},
        {"shorter than a header", Bytes(header.begin(), header.begin() + 14), HyxErrorCode::FailedToReadFromFile,
         [](TableReader& r) { EXPECT_EQ(r.Initialize(), HyxErrorCode::FailedToReadFromFile); }},
        {"wrong magic, retried", badMagic, HyxErrorCode::ReaderFailedToUnpackHeader,
         [](TableReader& r) { EXPECT_EQ(r.Initialize(), HyxErrorCode::ReaderFailedToUnpackHeader); }},
        {"last atom is a bare 16-byte record",
         streamOf({ContainerFrame(4, 0), std::make_shared<Hyx::Atom>(4u, 1u, 9u)}), HyxErrorCode::Success,
         [](TableReader& r) {
             ASSERT_EQ(r.GetNumFrames(4), 2u);
             EXPECT_EQ(r.GetFrameAtom(4, 1)->GetTimeStamp(), 9u);
             EXPECT_EQ(r.Table()->GetAtomInfo(4, 1)->payloadSize, 0u);
         }},
        {"frames 0, 2, 5 by position", streamOf({ContainerFrame(1, 0), ContainerFrame(1, 2), ContainerFrame(1, 5)}),
         HyxErrorCode::Success,
         [](TableReader& r) {
             EXPECT_EQ(r.GetNumFrames(1), 3u);
             EXPECT_EQ(r.GetFrameAtom(1, 2)->GetFrameNr(), 5u);
             EXPECT_EQ(r.GetFirstStreamId(), 1);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes& image = c.image;
        TableReader reader(image.data(), static_cast<uint32_t>(image.size()));
        EXPECT_EQ(reader.Initialize(), c.result);
        c.check(reader);
    }
}

TEST(ContainerReader, WalkErrorsStickAndBadPathsAreRefused)
{
    auto foreign = ContainerFrame(0, 1);
    foreign->SetId(Hyx::AtomId::Create(2, 0, 1));
    const struct {
        Bytes image;
        const char* error;
    } cases[] = {
        {streamOf({ContainerFrame(0, 0), foreign}), "Unknown Atom Type."},
        {streamOf({ContainerFrame(0, 0), ContainerFrame(0, 0)}),
         "Frames in non-chronological order not (yet) supported."},
    };
    for (const auto& c : cases) {
        Hyx::HYX2Reader reader(c.image.data(), static_cast<uint32_t>(c.image.size()));
        try {
            reader.GetNumStreams();
            ADD_FAILURE() << "no error";
        } catch (const std::logic_error& e) {
            EXPECT_STREQ(e.what(), c.error);
        }
        EXPECT_EQ(reader.Initialize(), HyxErrorCode::ReaderNotValid);
        EXPECT_EQ(reader.GetNumStreams(), 0);
        EXPECT_FALSE(reader.IsValid());
    }

    CapturedLog log;
    TempDir dir;
    Hyx::ReadHYX2File missing(dir.file("missing.hyx").c_str());
    EXPECT_EQ(missing.Initialize(), HyxErrorCode::ReaderNotValid);
    EXPECT_EQ(log.Count(VornCommon::LogLevel::Error,
                        "ReadHYX2File::ReadHYX2File(): Invalid file '" + dir.file("missing.hyx") + "'"),
              1);
    // A file named just ".HYX" opens, but is not taken for a container.
    WriteTake(dir.file("x.hyx"), 1, 1, true);
    std::filesystem::copy_file(dir.file("x.hyx"), ".HYX", std::filesystem::copy_options::overwrite_existing);
    EXPECT_EQ(Hyx::ReadHYX2File(".HYX").Initialize(), HyxErrorCode::ReaderNotValid);
    std::filesystem::remove(".HYX");
    EXPECT_EQ(Hyx::ReadHYX2File(dir.file("x.hyx").c_str()).Initialize(), HyxErrorCode::Success);
}
