// Damaged and cut-off containers: the reader must neither crash, hang nor read outside the
// image (each image is an exact-size heap copy, so ASan sees any over-read), and it must
// never hand back an atom other than the one written at that position.

#include <Hyx/HYX2Reader.h>

#include "ContainerTestUtil.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <set>
#include <tuple>

using namespace HyxTest;
using Hyx::HyxErrorCode;

namespace {

// Three frames of stream 0; records end at ends[f], the table (if any) starts at ends[2].
struct Take {
    explicit Take(bool withTable)
    {
        TempDir dir;
        WriteTake(dir.file("take.hyx"), 1, 3, withTable);
        image = ReadFileBytes(dir.file("take.hyx"));
        for (uint32_t f = 0; f < 3; ++f) {
            frames.push_back(RecordBytes(ContainerFrame(0, f)));
            ends.push_back((f ? ends.back() : 15) + frames.back().size());
        }
    }
    Bytes image;
    std::vector<Bytes> frames;
    std::vector<size_t> ends;
};

// Opens the image from memory and from a file, and checks every frame each yields; returns
// the positions that read empty (the same for both).
std::set<uint32_t> openAndCheck(const Bytes& image, const Take& take, uint32_t expectedFrames)
{
    const std::unique_ptr<uint8_t[]> exact(new uint8_t[image.size()]);
    std::copy(image.begin(), image.end(), exact.get());
    TempDir dir;
    std::filesystem::create_directories(dir.path);
    const std::string path = dir.file("damaged.hyx");
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    Hyx::HYX2Reader memory(exact.get(), static_cast<uint32_t>(image.size()));
    Hyx::ReadHYX2File file(path.c_str());
    std::set<uint32_t> empty[2];
    for (int source = 0; source < 2; ++source) {
        Hyx::HYX2Reader& reader = source ? file : memory;
        EXPECT_EQ((std::tuple{reader.Initialize(), reader.GetNumFrames(0)}),
                  std::tuple(HyxErrorCode::Success, expectedFrames));
        for (uint32_t f = 0; f < reader.GetNumFrames(0); ++f) {
            if (const auto atom = reader.GetFrameAtom(0, f))
                EXPECT_EQ(RecordBytes(atom), take.frames[f]) << "frame " << f;
            else
                empty[source].insert(f);
        }
    }
    EXPECT_EQ(empty[0], empty[1]);
    return empty[0];
}

void put32(Bytes& b, size_t at, uint32_t v)
{
    std::memcpy(b.data() + at, &v, 4);
}

} // namespace

TEST(ContainerCorruption, EveryCutOffFileOpensWithItsCompleteFrames)
{
    const Take take(true);
    for (size_t cut = 0; cut <= take.image.size(); ++cut) {
        SCOPED_TRACE(cut);
        const Bytes image(take.image.begin(), take.image.begin() + static_cast<std::ptrdiff_t>(cut));
        if (cut < 15) {
            EXPECT_EQ(Hyx::HYX2Reader(image.data(), static_cast<uint32_t>(cut)).Initialize(),
                      HyxErrorCode::FailedToReadFromFile);
            continue;
        }
        CapturedLog log;
        const auto complete = static_cast<uint32_t>(
            std::count_if(take.ends.begin(), take.ends.end(), [cut](size_t end) { return end <= cut; }));
        const bool onBoundary = cut == 15 || cut == take.image.size() ||
                                std::find(take.ends.begin(), take.ends.end(), cut) != take.ends.end();
        EXPECT_TRUE(openAndCheck(image, take, complete).empty());
        // A cut-off tail is reported as a warning.
        EXPECT_EQ(CountAtLevel(log, VornCommon::LogLevel::Warning) > 0, !onBoundary);
    }
}

TEST(ContainerCorruption, FlippedTableBytesNeverGiveAWrongFrame)
{
    const Take take(true);
    for (size_t at = take.ends[2]; at < take.image.size(); ++at) {
        SCOPED_TRACE(at);
        Bytes image = take.image;
        image[at] ^= 0xA5;
        try {
            openAndCheck(image, take, 3);
        } catch (const std::logic_error& e) {
            // The record's atom type is no longer 1: the walk cannot skip it.
            EXPECT_EQ(at, take.ends[2] + 7);
            EXPECT_STREQ(e.what(), "Unknown Atom Type.");
        }
    }
}

TEST(ContainerCorruption, DamagedRecordsAndTables)
{
    const Take indexed(true), plain(false);
    // The first atom entry of the table (after 3 GUIDs and the stream head), its first layer.
    const size_t entry = indexed.ends[2] + 18 + 3 * 16 + 2 + 6, layer = entry + 29, second = indexed.ends[0];
    const struct {
        const char* what;
        bool withTable;
        std::function<void(Bytes&)> damage;
        uint32_t frames;
        std::set<uint32_t> empty;
    } cases[] = {
        {"R = 0, walked", false, [&](Bytes& b) { put32(b, second, 0); }, 1, {}},
        {"R past the end, walked", false, [&](Bytes& b) { put32(b, second, 0xFFFFFFF0u); }, 1, {}},
        {"B = 0, walked", false, [&](Bytes& b) { put32(b, second + 16, 0); }, 3, {1}},
        {"B past its atom, walked", false, [&](Bytes& b) { put32(b, second + 16, 0xFFFF); }, 3, {1}},
        {"R = 0 under a table", true, [&](Bytes& b) { put32(b, second, 0); }, 3, {1}},
        {"B = 0 under a table", true, [&](Bytes& b) { put32(b, second + 16, 0); }, 3, {1}},
        {"GUID index out of range", true, [&](Bytes& b) { b[layer + 8] = b[layer + 9] = 0xFF; }, 3, {}},
        {"payload offset past the end", true, [&](Bytes& b) { put32(b, entry + 12, uint32_t(b.size())); }, 3, {}},
        {"payload size past the table", true, [&](Bytes& b) { put32(b, entry + 20, 0x7FFFFFFF); }, 3, {}},
        {"block size below a blob", true, [&](Bytes& b) { put32(b, layer + 4, 44); }, 3, {}},
        {"table size as large as the file", true, [&](Bytes& b) { put32(b, b.size() - 4, uint32_t(b.size())); }, 3, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Take& take = c.withTable ? indexed : plain;
        Bytes image = take.image;
        c.damage(image);
        EXPECT_EQ(openAndCheck(image, take, c.frames), c.empty);
    }
}
