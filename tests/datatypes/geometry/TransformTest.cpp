#include <Hyx/DataTypeTransform.h>

#include "GeometryTestUtil.h"

#include <gtest/gtest.h>

#include <memory>

using Hyx::DataTypeTransform;
using VornCommon::Matrix4x4f;
using namespace GeometryTest;

namespace {

constexpr Matrix4x4f SHIFT(1, 0, 0, 5, 0, 1, 0, 6, 0, 0, 1, 7, 0, 0, 0, 1);

Bytes rawOf(const Matrix4x4f& m)
{
    Bytes bytes(64);
    m.ToRawBytes(bytes.data());
    return bytes;
}

} // namespace

TEST(DataTypeTransform, PayloadFollowsTheMatrix)
{
    DataTypeTransform layer;
    EXPECT_TRUE(PayloadOf(layer).empty());
    layer.Allocate(true);
    EXPECT_EQ(PayloadOf(layer), rawOf(Matrix4x4f()));
    layer.SetTransformMatrix(SHIFT);
    EXPECT_EQ(PayloadOf(layer), rawOf(SHIFT));
    layer.Allocate(false);
    EXPECT_EQ(layer.GetTransformMatrix(), SHIFT) << "Allocate(false) keeps the bytes";
    layer.updateStatusProperties();
    EXPECT_EQ(layer.getStatusPropertyValue("Transform"), SHIFT.ToString().StdString());
}

TEST(DataTypeTransform, ShortPayloadsReadZerosAndAreRewrittenBeforeWriting)
{
    // 10 bytes cut M[0][2] in half: it reads as 0, not as its low bytes.
    const Matrix4x4f tenth(1, 0, 0.1f, 5, 0, 1, 0, 6, 0, 0, 1, 7, 0, 0, 0, 1);
    auto layer = std::make_shared<DataTypeTransform>();
    Bytes stored = rawOf(tenth);
    stored.resize(10);
    ASSERT_TRUE(Load(*layer, 0, stored));
    EXPECT_EQ(layer->GetTransformMatrix(), Matrix4x4f(1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0));
    stored = rawOf(tenth);
    stored.resize(20); // M[0][0..3] and M[1][0]
    ASSERT_TRUE(Load(*layer, 0, stored));
    EXPECT_EQ(layer->GetTransformMatrix(), Matrix4x4f(1, 0, 0.1f, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0));

    DataTypeTransform copy;
    copy.CopyValuesFrom(layer);
    EXPECT_EQ(PayloadOf(copy), rawOf(layer->GetTransformMatrix()));
    layer->SetTransformMatrix(SHIFT); // wrote past the 20 bytes before
    EXPECT_EQ(PayloadOf(*layer), rawOf(SHIFT));
    layer->CopyValuesFrom(layer);
    EXPECT_EQ(PayloadOf(*layer), rawOf(SHIFT));
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
        ASSERT_TRUE(LoadText(layer, k.text)) << k.text;
        EXPECT_EQ(PayloadOf(layer), rawOf(k.expected)) << k.text;
    }
    DataTypeTransform layer;
    layer.Allocate(true);
    for (const char* text : {"", "\n\n", "Units: mm\nnothing here\n"}) {
        EXPECT_FALSE(LoadText(layer, text)) << text;
        EXPECT_EQ(PayloadOf(layer), rawOf(Matrix4x4f()));
    }
}

TEST(DataTypeTransform, FileSaveAndLoad)
{
    const auto dir = TestDir("transform_files");
    const std::string path = (dir / "shift.txt").string();
    DataTypeTransform layer;
    layer.SetTransformMatrix(SHIFT);
    ASSERT_TRUE(layer.SaveToASCIIFile(path.c_str()));
    EXPECT_EQ(ReadFile(path), "1 0 0 5\n0 1 0 6\n0 0 1 7\n0 0 0 1\n");
    layer.SetTransformMatrix(Matrix4x4f(0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1e-7f));
    ASSERT_TRUE(layer.SaveToASCIIFile(path.c_str()));
    EXPECT_EQ(ReadFile(path), "0.5 0 0 0\n0 1 0 0\n0 0 1 0\n0 0 0 1e-07\n");

    DataTypeTransform loaded;
    ASSERT_TRUE(loaded.LoadFromASCIIFile(path.c_str()));
    EXPECT_EQ(loaded.GetTransformMatrix(), layer.GetTransformMatrix());
    EXPECT_FALSE(loaded.LoadFromASCIIFile((dir / "missing.txt").string().c_str()));
    EXPECT_EQ(loaded.GetTransformMatrix(), layer.GetTransformMatrix());
    EXPECT_FALSE(layer.SaveToASCIIFile((dir / "no" / "such.txt").string().c_str()));
}
