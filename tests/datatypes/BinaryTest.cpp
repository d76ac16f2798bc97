#include <Hyx/DataTypeBinary.h>

#include "CapturedLog.h"
#include "LayerTestUtil.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace Hyx;
using namespace HyxTest;
namespace fs = std::filesystem;

namespace {

const uint8_t ABC[3] = {'a', 'b', 'c'};

std::string names(const DataTypeBinary& layer)
{
    std::string all;
    for (const auto& name : layer.GetFileNames())
        all += name + ";";
    return all;
}

} // namespace

TEST(DataTypeBinary, AddReplaceAndRemove)
{
    DataTypeBinary layer;
    layer.AddBinaryData("Calib.TXT", ABC, 3, false);
    EXPECT_EQ(PayloadOf(layer), PayloadBuilder().put(uint8_t(1)).text("calib.txt").u32(3).raw({'a', 'b', 'c'}).bytes);
    EXPECT_EQ(layer.GetIndexByName("CALIB.txt"), 0);

    layer.AddBinaryData("b", ABC, 1, false);
    layer.AddBinaryData("c", ABC, 1, false);
    layer.AddBinaryData("CALIB.TXT", ABC + 1, 2, true); // replaced: one entry, now last
    layer.AddBinaryData("b", ABC, 2, false); // without replace: a second "b"
    EXPECT_EQ(names(layer), "b;c;calib.txt;b;");
    layer.RemoveBinaryData(1);
    layer.RemoveBinaryData("B");
    layer.RemoveBinaryData(5);
    const Bytes two = PayloadBuilder().put(uint8_t(2)).text("calib.txt").u32(2).raw({'b', 'c'}).bytes;
    EXPECT_EQ(PayloadOf(layer), PayloadBuilder().raw(two).text("b").u32(2).raw({'a', 'b'}).bytes);
    EXPECT_EQ(
        (std::tuple{EndsWith(layer.ToString(false), ", Name_1=calib.txt, SizeInBytes_1=2, Name_2=b, SizeInBytes_2=2"),
                    layer.GetData(-1)}),
        std::tuple(true, nullptr));
    layer.RemoveBinaryData(0);
    layer.RemoveBinaryData(0);
    EXPECT_TRUE(PayloadOf(layer).empty());

    for (int i = 0; i < 255; ++i)
        layer.AddBinaryData(std::to_string(i).c_str(), ABC, 1, false);
    EXPECT_THROW(layer.AddBinaryData("x", ABC, 1, false), std::length_error); // the count is one byte
    EXPECT_EQ(PayloadOf(layer)[0], 255);
    EXPECT_THROW(layer.AddBinaryData("x", nullptr, 1, false), std::invalid_argument);
}

// Entries handed back to their own layer: the old payload stays readable while the new one
// is written.
TEST(DataTypeBinary, OwnEntriesAsSources)
{
    auto layer = std::make_shared<DataTypeBinary>();
    layer->AddBinaryData("a", ABC, 3, false);
    layer->AddBinaryData("b", ABC, 2, false);
    layer->AddBinaryData("a", layer->GetData(0), 3, true);
    layer->AddBinaryData(layer->GetBinaryData(0)); // "b" replaced by itself
    EXPECT_EQ((std::tuple{names(*layer), Bytes(layer->GetData(0), layer->GetData(0) + 3)}),
              std::tuple("a;b;", (Bytes{'a', 'b', 'c'})));
    const Bytes before = PayloadOf(*layer);
    layer->CopyValuesFrom(layer);
    EXPECT_EQ(PayloadOf(*layer), before);
}

TEST(DataTypeBinary, TruncatedPayloadsStopAtTheFirstMissingField)
{
    const Bytes full = PayloadBuilder().put(uint8_t(3)).text("a").u32(2).raw({1, 2}).text("b").u32(1).raw({3}).bytes;
    for (uint32_t n = 1; n <= full.size(); ++n) {
        auto layer = Loaded<DataTypeBinary>(Bytes(full.begin(), full.begin() + n), 0);
        EXPECT_EQ(layer->NumBinData(), 3);
        EXPECT_EQ(layer->GetData(0) != nullptr, n >= 9) << n;
        EXPECT_EQ(layer->GetName(1), n >= 11 ? "b" : "") << n;
        EXPECT_EQ(layer->GetData(1) != nullptr, n >= 16) << n;
        EXPECT_EQ(layer->GetName(2), "");
    }
    // A size whose bytes are missing is kept without bytes; nothing after it is read.
    auto layer = Loaded<DataTypeBinary>(PayloadBuilder().put(uint8_t(2)).text("a").u32(900).text("b").u32(1).bytes, 0);
    EXPECT_EQ((std::tuple{layer->SizeInBytes(0), layer->GetName(1)}), std::tuple(900u, ""));
    layer->AddBinaryData("c", ABC, 1, false); // rewritten without the missing bytes
    EXPECT_EQ((std::tuple{layer->SizeInBytes(0), bool(LoadExact(*layer, full, 1))}), std::tuple(0u, false));
}

TEST(DataTypeBinary, FilesInAndOut)
{
    TempDir dir;
    fs::create_directories(dir.path);
    const std::string source = dir.file("Input.BIN");
    std::ofstream(source, std::ios::binary) << "hello";
    DataTypeBinary layer;
    EXPECT_EQ((std::tuple{bool(layer.AddFile(dir.file("missing").c_str(), nullptr)),
                          bool(layer.AddFile(dir.path.c_str(), nullptr))}),
              std::tuple(false, false));
    ASSERT_TRUE(layer.AddFile(source.c_str(), nullptr));
    ASSERT_TRUE(layer.AddFile(source.c_str(), "second"));
    layer.AddBinaryData("empty", ABC, 0, false);
    EXPECT_EQ(names(layer), "input.bin;second;empty;");

    CapturedLog log;
    const std::string out = (dir.path / "out" / "deeper").string();
    EXPECT_EQ((std::tuple{bool(layer.SaveToFile(1, out.c_str(), "p_", true)), ReadFileBytes(out + "/p_second"),
                          log.Contains("Exported file '" + out + "/p_second'")}),
              std::tuple(true, (Bytes{'h', 'e', 'l', 'l', 'o'}), true));
    layer.ExportFiles(out.c_str(), nullptr, false);
    EXPECT_EQ(ReadFileBytes(out + "/input.bin").size(), 5u);
    EXPECT_FALSE(fs::exists(out + "/empty")); // size 0: no file
}

// Names from a stream must not lead out of the export folder.
TEST(DataTypeBinary, HostileNamesAreNotExported)
{
    TempDir dir;
    const std::string out = (dir.path / "out").string();
    DataTypeBinary layer;
    for (const char* name : {"../escape", "..", ".", "", "/tmp/hyx_absolute", "a/b", "a\\b"})
        layer.AddBinaryData(name, ABC, 3, false);
    for (int i = 0; i < layer.NumBinData(); ++i)
        EXPECT_FALSE(layer.SaveToFile(i, out.c_str(), nullptr, false)) << layer.GetName(i);
    layer.AddBinaryData("fine", ABC, 3, false);
    EXPECT_EQ((std::tuple{bool(layer.SaveToFile(layer.NumBinData() - 1, out.c_str(), "../", false)),
                          fs::exists(dir.path / "escape") || fs::exists("/tmp/hyx_absolute"),
                          !fs::exists(out) || fs::is_empty(out)}),
              std::tuple(false, false, true));
}
