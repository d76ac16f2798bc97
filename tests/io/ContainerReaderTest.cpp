#include <Hyx/DataLayerPlaceholder.h>
#include <Hyx/HYX2Reader.h>
#include <Hyx/HyxLookupTable.h>

#include "ContainerTestUtil.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
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
    for (const bool withTable : {true, false}) {
        const std::string path = dir.file(withTable ? "indexed.hyx" : "plain.hyx");
        WriteTake(path, 3, 100, withTable);
        const Bytes image = ReadFileBytes(path);
        Hyx::ReadHYX2File file(path.c_str());
        TableReader memory(image.data(), static_cast<uint32_t>(image.size()));
        for (Hyx::HYX2Reader* reader : {static_cast<Hyx::HYX2Reader*>(&file), static_cast<Hyx::HYX2Reader*>(&memory)}) {
            ASSERT_EQ(reader->GetNumStreams(), 3);
            EXPECT_EQ((std::tuple{reader->GetStreamId(2), reader->GetStreamId(3), reader->GetNumFrames(1)}),
                      std::tuple(2, 0, 100u));
            const auto atom = reader->GetFrameAtom(2, 57);
            ASSERT_TRUE(atom);
            EXPECT_EQ((std::tuple{RecordBytes(atom), bool(reader->GetFrameAtom(2, 100))}),
                      std::tuple(RecordBytes(ContainerFrame(2, 57)), false));
        }
        // One block read alone: the compressed layer stays compressed.
        const auto entry = memory.Table()->GetAtomInfo(1, 3);
        const auto layer = std::dynamic_pointer_cast<StreamTestCompressedLayer>(
            memory.ReadDataLayer(entry->payloadOffset, entry->layers[1]));
        ASSERT_TRUE(layer);
        EXPECT_EQ((std::tuple{layer->GetCompressionType(),
                              bool(memory.ReadDataLayer(entry->payloadOffset + 1, entry->layers[1]))}),
                  std::tuple(2, false));
    }
}

// A frame reads as the stream reader reads its record, whether its payloads can go straight
// into their layers or the record has to be read whole.
TEST(ContainerReader, FramesReadAsTheStreamReaderReadsTheirRecords)
{
    auto refused = std::make_shared<Hyx::DataLayerPlaceholder>(StreamTestPlainType());
    refused->InitializeHeader(StreamTestPurpose(), 1);
    SetPayload(*refused, {0xEE, 1, 2}); // the class refuses it, so a placeholder keeps it
    auto withRefused = std::make_shared<Hyx::Atom>(0u, 0u, 5u);
    withRefused->AddDataLayer(refused, false);
    const size_t plainCount = 15 + 16 + 5 + 36; // payload size field of the first block
    const struct {
        const char* what;
        std::shared_ptr<Hyx::Atom> atom;
        size_t shortenAt; // a payload size to make one byte shorter than its block holds, or 0
    } cases[] = {
        {"plain and compressed blocks", ContainerFrame(0, 0, 3000), 0},
        {"a payload its class refuses", withRefused, 0},
        {"a block longer than its payload", ContainerFrame(0, 0), plainCount},
        {"no blocks", std::make_shared<Hyx::Atom>(0u, 0u, 5u), 0},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.file("frame.hyx");
        {
            Hyx::SerializeToHyx writer(path.c_str(), true);
            ASSERT_EQ(writer.pack_atom(c.atom), HyxErrorCode::Success);
            ASSERT_TRUE(writer.CloseFile());
        }
        Bytes image = ReadFileBytes(path);
        if (c.shortenAt)
            PutU32(image, c.shortenAt, U32At(image, c.shortenAt) - 1);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
        ExactReader stream(Bytes(image.begin() + 15, image.end()));
        const auto expected = stream->unpack_atom();
        ASSERT_TRUE(expected);

        Hyx::ReadHYX2File file(path.c_str());
        TableReader memory(image.data(), static_cast<uint32_t>(image.size()));
        const auto entry = memory.Table()->GetAtomInfo(0, 0);
        for (Hyx::HYX2Reader* reader : {static_cast<Hyx::HYX2Reader*>(&file), static_cast<Hyx::HYX2Reader*>(&memory)}) {
            const auto atom = reader->GetFrameAtom(0, 0);
            ASSERT_TRUE(atom);
            EXPECT_EQ(RecordBytes(atom), RecordBytes(expected));
            const auto layers = expected->GetAllDataLayers();
            ASSERT_EQ(entry->layers.size(), layers.size());
            for (size_t i = 0; i < layers.size(); ++i) {
                const auto layer = reader->ReadDataLayer(entry->payloadOffset, entry->layers[i]);
                ASSERT_TRUE(layer);
                uint32_t n = 0, m = 0;
                const uint8_t* got = layer->Serialize(n);
                const uint8_t* want = layers[i]->Serialize(m);
                EXPECT_EQ(Bytes(got, got + n), Bytes(want, want + m));
                EXPECT_EQ(layer->TypeGuid(), layers[i]->TypeGuid());
                // Layers view payloads as float arrays: they start as aligned as an allocation.
                for (const uint8_t* payload : {got, atom->GetAllDataLayers()[i]->Serialize(n)})
                    EXPECT_EQ(reinterpret_cast<uintptr_t>(payload) % alignof(std::max_align_t), 0u);
            }
        }
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
        uint32_t frames, lastFrameNr; // of stream 1
    } cases[] = {
        {"header only", header, HyxErrorCode::Success, 0, 0},
        {"shorter than a header", Bytes(header.begin(), header.end() - 1), HyxErrorCode::FailedToReadFromFile, 0, 0},
        {"wrong magic", badMagic, HyxErrorCode::ReaderFailedToUnpackHeader, 0, 0},
        // A bare 16-byte record that ends the file is indexed too.
        {"last atom without blocks", streamOf({ContainerFrame(1, 0), std::make_shared<Hyx::Atom>(1u, 1u, 9u)}),
         HyxErrorCode::Success, 2, 1},
        {"frames 0, 2, 5 by position", streamOf({ContainerFrame(1, 0), ContainerFrame(1, 2), ContainerFrame(1, 5)}),
         HyxErrorCode::Success, 3, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Hyx::HYX2Reader reader(c.image.data(), static_cast<uint32_t>(c.image.size()));
        EXPECT_EQ(reader.Initialize(), c.result);
        EXPECT_EQ(reader.Initialize(), c.result); // a failure is retried from the start, not stuck
        EXPECT_EQ(reader.GetNumFrames(1), c.frames);
        const auto last = reader.GetFrameAtom(1, c.frames - 1);
        EXPECT_EQ(last ? last->GetFrameNr() : 0u, c.lastFrameNr);
        EXPECT_EQ(reader.GetFirstStreamId(), c.frames ? 1 : 0);
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
        EXPECT_EQ((std::tuple{reader.Initialize(), reader.IsValid()}), std::tuple(HyxErrorCode::ReaderNotValid, false));
    }

    CapturedLog log;
    TempDir dir;
    EXPECT_EQ((std::tuple{Hyx::ReadHYX2File(dir.file("missing.hyx").c_str()).Initialize(),
                          log.Count(VornCommon::LogLevel::Error, "ReadHYX2File::ReadHYX2File(): Invalid file '" +
                                                                     dir.file("missing.hyx") + "' (No such file)")}),
              std::tuple(HyxErrorCode::ReaderNotValid, 1));
    // A file named just ".HYX" opens, but is not taken for a container.
    WriteTake(dir.file("x.hyx"), 1, 1, true);
    std::filesystem::copy_file(dir.file("x.hyx"), ".HYX", std::filesystem::copy_options::overwrite_existing);
    EXPECT_EQ(Hyx::ReadHYX2File(".HYX").Initialize(), HyxErrorCode::ReaderNotValid);
    std::filesystem::remove(".HYX");
    EXPECT_EQ(Hyx::ReadHYX2File(dir.file("x.hyx").c_str()).Initialize(), HyxErrorCode::Success);
}

TEST(ContainerReader, RefusalsLogOneLineNamingTheContainerAndTheCause)
{
    TempDir dir;
    std::filesystem::create_directories(dir.path / "folder.hyx");
    Bytes oldVersion = streamOf({});
    oldVersion[11] = 0xEA; // 1002
    oldVersion[12] = 0x03;
    const Bytes header = streamOf({});
    const Bytes cutHeader(header.begin(), header.end() - 1);
    Bytes wrongMagic = streamOf({ContainerFrame(0, 0)});
    wrongMagic[4] = 'x';
    // name: a file written with bytes (or a missing file or a folder); %s stands for the
    // container's name in the expected line.
    const struct {
        const char* name;
        std::optional<Bytes> bytes;
        HyxErrorCode code;
        const char* line;
    } cases[] = {
        {"missing.hyx", std::nullopt, HyxErrorCode::ReaderNotValid,
         "ReadHYX2File::ReadHYX2File(): Invalid file '%s' (No such file)"},
        {"folder.hyx", std::nullopt, HyxErrorCode::ReaderNotValid,
         "ReadHYX2File::ReadHYX2File(): Invalid file '%s' (Is a folder)"},
        {"empty.hyx", Bytes{}, HyxErrorCode::FailedToReadFromFile, "%s is too short for a header (0 bytes)"},
        {"short.hyx", cutHeader, HyxErrorCode::FailedToReadFromFile, "%s is too short for a header (14 bytes)"},
        {"text.hyx", Bytes{'n', 'o', 't', ' ', 'a', ' ', 'c', 'o', 'n', 't', 'a', 'i', 'n', 'e', 'r', '\n'},
         HyxErrorCode::ReaderFailedToUnpackHeader, "%s is not a container (no header)"},
        {"magic.hyx", wrongMagic, HyxErrorCode::ReaderFailedToUnpackHeader, "%s is not a container (no header)"},
        {"old.hyx", oldVersion, HyxErrorCode::ReaderFailedToUnpackHeader, "%s has the unsupported format version 1002"},
    };
    const auto expectedLine = [](const char* format, const std::string& name) {
        std::string line = format;
        return line.replace(line.find("%s"), 2, name);
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file(c.name);
        if (c.bytes)
            std::ofstream(path, std::ios::binary)
                .write(reinterpret_cast<const char*>(c.bytes->data()), static_cast<std::streamsize>(c.bytes->size()));
        CapturedLog log;
        Hyx::ReadHYX2File file(path.c_str());
        EXPECT_EQ(file.Initialize(), c.code);
        EXPECT_EQ(file.Initialize(), c.code); // retried, but told once
        EXPECT_EQ(file.GetNumStreams(), 0);
        const bool opened = c.bytes.has_value();
        EXPECT_EQ(log.Count(VornCommon::LogLevel::Error,
                            expectedLine(c.line, opened ? "Container file '" + path + "'" : path)),
                  1);
        EXPECT_EQ(log.Entries().size(), 1u);
        if (!opened)
            continue;
        // The same bytes in memory: the same code and cause.
        log.Clear();
        Hyx::HYX2Reader memory(c.bytes->data(), static_cast<uint32_t>(c.bytes->size()));
        EXPECT_EQ(memory.Initialize(), c.code);
        EXPECT_EQ(memory.Initialize(), c.code);
        EXPECT_EQ(log.Count(VornCommon::LogLevel::Error, expectedLine(c.line, "Container in memory")), 1);
        EXPECT_EQ(log.Entries().size(), 1u);
    }
    // A file cut short after it was opened: its header does not read.
    {
        const std::string path = dir.file("shrinks.hyx");
        WriteTake(path, 1, 1, true);
        Hyx::ReadHYX2File shrinking(path.c_str());
        std::filesystem::resize_file(path, 5);
        CapturedLog log;
        EXPECT_EQ(shrinking.Initialize(), HyxErrorCode::FailedToReadFromFile);
        EXPECT_EQ(log.Count(VornCommon::LogLevel::Error, "Container file '" + path + "': failed to read the header"),
                  1);
    }
    // A refusal nobody heard is told once a logger is set.
    Hyx::ReadHYX2File unheard(dir.file("text.hyx").c_str());
    EXPECT_EQ(unheard.Initialize(), HyxErrorCode::ReaderFailedToUnpackHeader);
    CapturedLog log;
    EXPECT_EQ(unheard.Initialize(), HyxErrorCode::ReaderFailedToUnpackHeader);
    EXPECT_EQ(log.Entries().size(), 1u);
}
