#include <Hyx/DataTypeBinary.h>

#include "CapturedLog.h"
#include "LayerTestUtil.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

using namespace Hyx;
using HyxTest::Bytes;
using HyxTest::Loaded;
using HyxTest::PayloadBuilder;
using HyxTest::PayloadOf;
using HyxTest::TempDir;

namespace {

const uint8_t ABC[3] = {'a', 'b', 'c'};

Bytes readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> names(const DataTypeBinary& layer)
{
    const auto deque = layer.GetFileNames();
    return std::vector<std::string>(deque.begin(), deque.end());
}

} // namespace

TEST(DataTypeBinary, AddReplaceAndRemove)
{
    DataTypeBinary layer;
    EXPECT_TRUE(PayloadOf(layer).empty());
    layer.AddBinaryData("Calib.TXT", ABC, 3, false);
    EXPECT_EQ(PayloadOf(layer), PayloadBuilder().put(uint8_t(1)).text("calib.txt").u32(3).raw({'a', 'b', 'c'}).bytes);
    EXPECT_EQ(layer.GetIndexByName("CALIB.txt"), 0);
    EXPECT_EQ(layer.GetData(0), layer.GetRawDataPtr()->data() + 15);

    layer.AddBinaryData("b", ABC, 1, false);
    layer.AddBinaryData("c", ABC + 2, 1, false);
    layer.AddBinaryData("CALIB.TXT", ABC + 1, 2, true); // replaced: one entry, now last
    EXPECT_EQ(names(layer), (std::vector<std::string>{"b", "c", "calib.txt"}));
    layer.AddBinaryData("b", ABC, 2, false); // without replace: a second "b"
    EXPECT_EQ(layer.NumBinData(), 4);

    layer.RemoveBinaryData(1);
    layer.RemoveBinaryData("B");
    layer.RemoveBinaryData(5);
    layer.RemoveBinaryData("none");
    EXPECT_EQ(names(layer), (std::vector<std::string>{"calib.txt", "b"}));
    EXPECT_EQ(PayloadOf(layer), PayloadBuilder()
                                    .put(uint8_t(2))
                                    .text("calib.txt")
                                    .u32(2)
                                    .raw({'b', 'c'})
                                    .text("b")
                                    .u32(2)
                                    .raw({'a', 'b'})
                                    .bytes);
    EXPECT_TRUE(
        HyxTest::EndsWith(layer.ToString(false), ", Name_1=calib.txt, SizeInBytes_1=2, Name_2=b, SizeInBytes_2=2"));
    layer.updateStatusProperties();
    EXPECT_EQ(layer.getStatusPropertyValue("Name 2"), "b");
    EXPECT_EQ(layer.getStatusPropertyValue("Size 1"), "2");

    EXPECT_EQ(layer.GetBinaryData(2), nullptr);
    EXPECT_EQ(layer.GetData(-1), nullptr);
    EXPECT_EQ(layer.SizeInBytes(9), 0u);
    layer.RemoveBinaryData(0);
    layer.RemoveBinaryData(0);
    EXPECT_TRUE(PayloadOf(layer).empty());
}

// Entries handed back from the layer itself: the old payload must stay readable while the
// new one is written.
TEST(DataTypeBinary, OwnEntriesAsSources)
{
    DataTypeBinary layer;
    layer.AddBinaryData("a", ABC, 3, false);
    layer.AddBinaryData("b", ABC, 2, false);
    layer.AddBinaryData("a", layer.GetData(0), 3, true);
    layer.AddBinaryData(layer.GetBinaryData(0)); // "b" replaced by itself
    EXPECT_EQ(names(layer), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(Bytes(layer.GetData(0), layer.GetData(0) + 3), (Bytes{'a', 'b', 'c'}));

    auto self = std::shared_ptr<DataTypeBinary>(&layer, [](auto*) {});
    const Bytes before = PayloadOf(layer);
    layer.CopyValuesFrom(self);
    EXPECT_EQ(PayloadOf(layer), before);
    DataTypeBinary copy;
    copy.AddBinaryData("old", ABC, 1, false);
    copy.CopyValuesFrom(self);
    EXPECT_EQ(PayloadOf(copy), before);
}

TEST(DataTypeBinary, TruncatedPayloadsStopAtTheFirstMissingField)
{
    const Bytes full = PayloadBuilder().put(uint8_t(3)).text("a").u32(2).raw({1, 2}).text("b").u32(1).raw({3}).bytes;
    for (uint32_t n = 0; n <= full.size(); ++n) {
        auto layer = Loaded<DataTypeBinary>(Bytes(full.begin(), full.begin() + n), 0);
        EXPECT_EQ(layer->NumBinData(), n == 0 ? 0 : 3);
        EXPECT_EQ(layer->GetData(0) != nullptr, n >= 9) << n;
        EXPECT_EQ(layer->GetName(1), n >= 11 ? "b" : "") << n;
        EXPECT_EQ(layer->GetData(1) != nullptr, n >= 16) << n;
        EXPECT_EQ(layer->GetName(2), "");
        layer->ToString(false);
    }
    // A size that does not fit is kept, with no bytes; nothing after it is read.
    auto layer = Loaded<DataTypeBinary>(PayloadBuilder().put(uint8_t(2)).text("a").u32(900).text("b").u32(1).bytes, 0);
    EXPECT_EQ(layer->SizeInBytes(0), 900u);
    EXPECT_EQ(layer->GetData(0), nullptr);
    EXPECT_EQ(layer->GetName(1), "");
    layer->AddBinaryData("c", ABC, 1, false); // rewritten without the missing bytes
    EXPECT_EQ(layer->SizeInBytes(0), 0u);
    EXPECT_EQ(layer->NumBinData(), 3);
    bool ok = true;
    Loaded<DataTypeBinary>(full, 1, &ok);
    EXPECT_FALSE(ok);
}

TEST(DataTypeBinary, EntryLimits)
{
    DataTypeBinary layer;
    for (int i = 0; i < 255; ++i)
        layer.AddBinaryData(std::to_string(i).c_str(), ABC, 1, false);
    EXPECT_THROW(layer.AddBinaryData("x", ABC, 1, false), std::length_error);
    EXPECT_EQ(layer.NumBinData(), 255);
    EXPECT_EQ(PayloadOf(layer)[0], 255);
    EXPECT_THROW(layer.AddBinaryData("x", nullptr, 1, false), std::invalid_argument);
}

TEST(DataTypeBinary, FilesInAndOut)
{
    TempDir dir;
    std::filesystem::create_directories(dir.path);
    const std::string source = dir.file("Input.BIN");
    std::ofstream(source, std::ios::binary) << "hello";

    DataTypeBinary layer;
    EXPECT_FALSE(layer.AddFile(dir.file("missing").c_str(), nullptr));
    EXPECT_FALSE(layer.AddFile(dir.path.c_str(), nullptr)); // a folder is no file
    ASSERT_TRUE(layer.AddFile(source.c_str(), nullptr));
    ASSERT_TRUE(layer.AddFile(source.c_str(), "second"));
    layer.AddBinaryData("empty", ABC, 0, false);
    EXPECT_EQ(names(layer), (std::vector<std::string>{"input.bin", "second", "empty"}));

    CapturedLog log;
    const std::string out = (dir.path / "out" / "deeper").string();
    EXPECT_TRUE(layer.SaveToFile(1, out.c_str(), "p_", true));
    EXPECT_EQ(readFile(out + "/p_second"), (Bytes{'h', 'e', 'l', 'l', 'o'}));
    EXPECT_TRUE(log.Contains("Exported file '" + out + "/p_second'"));
    EXPECT_FALSE(layer.SaveToFile(2, out.c_str(), nullptr, false)); // size 0: no file
    EXPECT_FALSE(std::filesystem::exists(out + "/empty"));
    EXPECT_FALSE(layer.SaveToFile(3, out.c_str(), nullptr, false));

    layer.ExportFiles(out.c_str(), nullptr, false);
    EXPECT_EQ(readFile(out + "/input.bin").size(), 5u);
    EXPECT_TRUE(log.Contains("DataTypeBinary::ExportFiles"));
}

// Names from a stream must not lead out of the export folder.
TEST(DataTypeBinary, HostileNamesAreNotExported)
{
    TempDir dir;
    const std::string out = (dir.path / "out").string();
    const char* hostile[] = {"../escape", "..", ".", "", "/tmp/absolute", "a/b", "a\\b"};
    DataTypeBinary layer;
    for (const char* name : hostile)
        layer.AddBinaryData(name, ABC, 3, false);
    for (int i = 0; i < layer.NumBinData(); ++i)
        EXPECT_FALSE(layer.SaveToFile(i, out.c_str(), nullptr, false)) << layer.GetName(i);
    layer.AddBinaryData("fine", ABC, 3, false);
    EXPECT_FALSE(layer.SaveToFile(layer.NumBinData() - 1, out.c_str(), "../", false));
    EXPECT_FALSE(std::filesystem::exists(dir.path / "escape"));
    EXPECT_FALSE(std::filesystem::exists("/tmp/absolute"));
    EXPECT_TRUE(!std::filesystem::exists(out) || std::filesystem::is_empty(out));
}
