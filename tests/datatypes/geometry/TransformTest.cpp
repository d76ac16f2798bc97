#include <Hyx/DataTypeTransform.h>

#include "StreamTestLayers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

using Hyx::DataTypeTransform;
using VornCommon::Matrix4x4f;

namespace {

using Bytes = std::vector<uint8_t>;

constexpr Matrix4x4f SHIFT(1, 0, 0, 5, 0, 1, 0, 6, 0, 0, 1, 7, 0, 0, 0, 1);

Bytes payloadOf(DataTypeTransform& layer)
{
    uint32_t size = 0;
    const uint8_t* data = layer.Serialize(size);
    return data ? Bytes(data, data + size) : Bytes();
}

Bytes rawOf(const Matrix4x4f& m)
{
    Bytes bytes(64);
    m.ToRawBytes(bytes.data());
    return bytes;
}

bool loadText(DataTypeTransform& layer, const std::string& text)
{
    return layer.LoadFromASCIIMemory(reinterpret_cast<const uint8_t*>(text.data()), uint32_t(text.size()));
}

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

} // namespace

TEST(DataTypeTransform, PayloadFollowsTheMatrix)
{
    DataTypeTransform layer;
    EXPECT_TRUE(payloadOf(layer).empty());
    layer.Allocate(true);
    EXPECT_EQ(payloadOf(layer), rawOf(Matrix4x4f()));
    EXPECT_EQ(layer.GetVersion(), 0);

    layer.SetTransformMatrix(SHIFT);
    EXPECT_EQ(payloadOf(layer), rawOf(SHIFT));
    layer.Allocate(false);
    EXPECT_EQ(layer.GetTransformMatrix(), SHIFT) << "Allocate(false) keeps the bytes";
    layer.updateStatusProperties();
    EXPECT_EQ(layer.getStatusPropertyValue("Transform"), SHIFT.ToString().StdString());
}

TEST(DataTypeTransform, ShortPayloadsReadZerosAndAreRewrittenBeforeWriting)
{
    Bytes stored = rawOf(SHIFT);
    stored.resize(20); // M[0][0..3] and M[1][0]
    auto layer = std::make_shared<DataTypeTransform>();
    HyxTest::SetPayload(*layer, stored);
    EXPECT_EQ(layer->GetTransformMatrix(), Matrix4x4f(1, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0));

    DataTypeTransform copy;
    copy.CopyValuesFrom(layer);
    EXPECT_EQ(copy.GetTransformMatrix(), layer->GetTransformMatrix());
    EXPECT_EQ(payloadOf(copy).size(), 64u);

    layer->SetTransformMatrix(SHIFT); // wrote past the 20 bytes before
    EXPECT_EQ(payloadOf(*layer), rawOf(SHIFT));
    layer->CopyValuesFrom(layer);
    EXPECT_EQ(payloadOf(*layer), rawOf(SHIFT));
}

TEST(DataTypeTransform, TextLoadsAsWritten)
{
    const struct {
        const char* text;
        Matrix4x4f expected;
    } cases[] = {
        {"1 0 0 5\n0 1 0 6\n0 0 1 7\n0 0 0 1\n", SHIFT},
        {"1 0 0 5\r\n0 1 0 6\r\n0 0 1 7\r\n0 0 0 1\r\n", SHIFT},
        {"1  0 0 5 99\n0 1 0 6\n0 0 1 7\n0 0 0 1\n8 8 8 8\n", SHIFT},
        {"1 0 0\n0 1 0 6", Matrix4x4f(1, 0, 0, 0, 0, 1, 0, 6, 0, 0, 0, 0, 0, 0, 0, 0)},
        {"x 2 y 3\n", Matrix4x4f(0, 2, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0)},
    };
    for (const auto& k : cases) {
        DataTypeTransform layer;
        ASSERT_TRUE(loadText(layer, k.text)) << k.text;
        EXPECT_EQ(layer.GetTransformMatrix(), k.expected) << k.text;
        EXPECT_EQ(payloadOf(layer), rawOf(k.expected));
    }

    DataTypeTransform layer;
    layer.Allocate(true);
    for (const char* text : {"", "\n\n", "Units: mm\nnothing here\n"}) {
        EXPECT_FALSE(loadText(layer, text)) << text;
        EXPECT_EQ(payloadOf(layer), rawOf(Matrix4x4f()));
    }
}

TEST(DataTypeTransform, FileSaveAndLoad)
{
    const auto dir = std::filesystem::path(HYX_TEST_BINARY_DIR) / "transform_files";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "shift.txt").string();

    DataTypeTransform layer;
    ASSERT_TRUE(loadText(layer, "1 0 0 5\n0 1 0 6\n0 0 1 7\n0 0 0 1\n"));
    ASSERT_TRUE(layer.SaveToASCIIFile(path.c_str()));
    EXPECT_EQ(readFile(path), "1 0 0 5\n0 1 0 6\n0 0 1 7\n0 0 0 1\n");
    layer.SetTransformMatrix(Matrix4x4f(0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1));
    ASSERT_TRUE(layer.SaveToASCIIFile(path.c_str()));
    EXPECT_EQ(readFile(path).substr(0, 9), "0.5 0 0 0");

    DataTypeTransform loaded;
    ASSERT_TRUE(loaded.LoadFromASCIIFile(path.c_str()));
    EXPECT_EQ(loaded.GetTransformMatrix(), layer.GetTransformMatrix());
    EXPECT_FALSE(loaded.LoadFromASCIIFile((dir / "missing.txt").string().c_str()));
    EXPECT_EQ(loaded.GetTransformMatrix(), layer.GetTransformMatrix());
    EXPECT_FALSE(layer.SaveToASCIIFile((dir / "no" / "such" / "dir.txt").string().c_str()));
}
