#include <Hyx/DataTypeVertex.h>

#include "CapturedLog.h"
#include "GeometryTestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>

using namespace Hyx;
using namespace GeometryTest;

namespace {

/// One array class: its layout, and its Allocate and getters behind one shape.
struct ArrayClass {
    const char* name;
    uint32_t header;
    uint32_t elementSize;
    std::function<std::shared_ptr<DataLayer>()> create;
    std::function<void(DataLayer&, uint32_t)> allocate;
    std::function<std::pair<uint32_t, const void*>(DataLayer&)> view; ///< count and array
};

template <class T, class Allocate, class View>
ArrayClass entry(const char* name, uint32_t header, uint32_t elementSize, Allocate allocate, View view)
{
    return {name,
            header,
            elementSize,
            [] { return std::make_shared<T>(); },
            [allocate](DataLayer& l, uint32_t n) { allocate(dynamic_cast<T&>(l), n); },
            [view](DataLayer& l) { return view(dynamic_cast<T&>(l)); }};
}

template <class T>
std::pair<uint32_t, const void*> vertices(T& l, const void* array)
{
    return {l.GetNumVertices(), array};
}

const std::vector<ArrayClass>& arrayClasses()
{
    static const std::vector<ArrayClass> classes = {
        entry<DataTypeVertexPositions>(
            "VertexPositions", 28, 12, [](auto& l, uint32_t n) { l.Allocate(n, true); },
            [](auto& l) { return vertices(l, l.GetVertexPositions()); }),
        entry<DataTypeVertexNormals>(
            "VertexNormals", 4, 12, [](auto& l, uint32_t n) { l.Allocate(n); },
            [](auto& l) { return vertices(l, l.GetNormals()); }),
        entry<DataTypeVertexColors>(
            "VertexColors", 4, 3, [](auto& l, uint32_t n) { l.Allocate(n); },
            [](auto& l) { return vertices(l, l.GetColors()); }),
        entry<DataTypeVertexTextureUVs>(
            "VertexTextureUVs", 4, 8, [](auto& l, uint32_t n) { l.Allocate(n); },
            [](auto& l) { return vertices(l, l.GetUVs()); }),
        entry<DataTypeVertexAccuracies>(
            "VertexAccuracies", 4, 4, [](auto& l, uint32_t n) { l.Allocate(n); },
            [](auto& l) { return vertices(l, l.GetAccuracies()); }),
        entry<DataTypeVertexIndices>(
            "VertexIndices", 4, 4, [](auto& l, uint32_t n) { l.Allocate(n); },
            [](auto& l) { return std::pair<uint32_t, const void*>(l.GetNumIndices(), l.GetIndices()); }),
        entry<DataTypeIndexUVs>(
            "IndexUVs", 4, 8, [](auto& l, uint32_t n) { l.Allocate(n); },
            [](auto& l) { return std::pair<uint32_t, const void*>(l.GetNumIndices(), l.GetUVs()); }),
    };
    return classes;
}

} // namespace

TEST(VertexLayers, AllocateSizesTheArray)
{
    for (const ArrayClass& c : arrayClasses()) {
        auto layer = c.create();
        c.allocate(*layer, 5);
        const Bytes bytes = PayloadOf(*layer);
        ASSERT_EQ(bytes.size(), c.header + 5 * c.elementSize) << c.name;
        EXPECT_EQ(bytes[c.header - 4], 5);
        EXPECT_EQ(c.view(*layer), std::make_pair(5u, (const void*)(layer->GetRawDataPtr()->data() + c.header)));
        const bool perIndex = !dynamic_cast<DataTypeVertexBase*>(layer.get());
        EXPECT_NE(layer->ToString(false).find(perIndex ? ", NumIndices=5" : ", NumVertices=5"), std::string::npos);

        c.allocate(*layer, 0);
        EXPECT_EQ(c.view(*layer).second, nullptr) << c.name;
        EXPECT_THROW(c.allocate(*layer, 0xFFFFFFFFu), std::length_error) << c.name;
        EXPECT_EQ(PayloadOf(*layer).size(), c.header) << "a refused Allocate changes nothing";
    }
}

TEST(VertexLayers, ShortPayloadsKeepTheCountAndGiveNoArray)
{
    for (const ArrayClass& c : arrayClasses()) {
        const struct {
            uint32_t count;
            uint32_t size;
            uint32_t expectedCount;
            bool array;
        } cases[] = {
            {2, c.header + 2 * c.elementSize, 2, true},
            {10, c.header + 10 * c.elementSize - 1, 10, false},
            {0xFFFFFFFFu, c.header + 8, 0xFFFFFFFFu, false}, // the product must not wrap
            {7, c.header - 1, 0, false},
        };
        for (const auto& k : cases) {
            auto layer = c.create(); // a fresh payload of exactly the size, for the sanitizer
            Bytes bytes(k.size, 0);
            if (c.header <= k.size)
                std::memcpy(bytes.data() + c.header - 4, &k.count, 4);
            ASSERT_TRUE(Load(*layer, 0, bytes));
            EXPECT_EQ(c.view(*layer).first, k.expectedCount) << c.name << " size " << k.size;
            EXPECT_EQ(c.view(*layer).second != nullptr, k.array) << c.name << " size " << k.size;
            layer->updateStatusProperties();
        }
        auto layer = c.create();
        c.allocate(*layer, 3);
        CapturedLog log;
        EXPECT_FALSE(Load(*layer, 1, PayloadOf(*layer)));
        EXPECT_EQ(c.view(*layer).second, nullptr) << c.name << ": no pointer into a refused payload";
    }
}

TEST(VertexPositions, AllocateWritesOrKeepsTheBox)
{
    DataTypeVertexPositions layer;
    EXPECT_EQ(layer.ToString(false).substr(layer.ToString(false).find(", Num")),
              ", NumVertices=0, BoundingBox=0, 0, 0, 0, 0, 0");
    layer.Allocate(2, true);
    ASSERT_EQ(PayloadOf(layer).size(), 52u);
    const auto box = [&layer] {
        const auto* b = reinterpret_cast<const uint8_t*>(layer.GetBoundingBox());
        return Bytes(b, b + 24);
    };
    EXPECT_EQ(box(), Floats({-0.5f, -0.5f, -0.5f, 0.5f, 0.5f, 0.5f}));

    const float points[6] = {1, 2, 3, -4, 5, 6};
    std::copy_n(points, 6, layer.GetVertexPositions());
    layer.CalculateBoundingBoxFromVertexPositions();
    layer.Allocate(1000, false);
    EXPECT_EQ(box(), Floats({-4, 2, 3, 1, 5, 6}));
    const std::string text = layer.ToString(false);
    EXPECT_EQ(text.substr(text.find(", Num")), ", NumVertices=1000, BoundingBox=-4, 2, 3, 1, 5, 6");
    layer.updateStatusProperties();
    EXPECT_EQ(layer.getStatusPropertyValue("Bounding box max"), "(1, 5, 6)");
}

TEST(VertexPositions, PreviewSizeFollowsTheBox)
{
    const float inf = std::numeric_limits<float>::infinity();
    const struct {
        Bytes box;
        int width;
        int height;
    } cases[] = {
        {Floats({0, 0, 0, 2, 1, 1}), 640, 320},
        {Floats({0, 0, 0, 0.0005f, 1, 1}), 640, 320}, // too thin: the previous size stays
        {Floats({0, 0, 0, inf, 1, 1}), 640, 320},
        {Floats({0, 0, 0, NAN, 1, 1}), 640, 320},
        {Floats({0, 0, 0, 1, 2, 1}), 240, 480},
        {Floats({0, 0, 0, 1, 1, 0}), 480, 480},
        {Floats({0, 0, 0, 3e38f, 2e38f, 0}), 640, 426}, // the product overflows
    };
    DataTypeVertexPositions layer;
    for (const auto& k : cases) {
        ASSERT_TRUE(Load(layer, 0, k.box)); // no positions: CanRender keeps this box
        int width = -1, height = -1;
        layer.CanRenderTo2dRgbaBuffer(width, height);
        EXPECT_EQ(std::make_pair(width, height), std::make_pair(k.width, k.height)) << ::testing::PrintToString(k.box);
    }
}

TEST(VertexPositions, PreviewDrawsWithinTheImage)
{
    DataTypeVertexPositions layer;
    int width = 0, height = 0;
    EXPECT_FALSE(layer.CanRenderTo2dRgbaBuffer(width, height)) << "a new layer has no preview";
    Bytes single(40, 0); // zero box, one point at the origin
    single[24] = 1;
    ASSERT_TRUE(Load(layer, 0, single));
    EXPECT_FALSE(layer.CanRenderTo2dRgbaBuffer(width, height)) << "a single point has no extent";

    float* p = layer.Allocate(1, true);
    p[0] = p[1] = p[2] = 1.0f;
    ASSERT_TRUE(layer.CanRenderTo2dRgbaBuffer(width, height)) << "the size of the previous box stays";
    std::vector<uint8_t> stale(size_t(width) * height * 4, 0xAB);
    layer.RenderTo2dRgbaBuffer(stale.data());
    EXPECT_EQ(std::count(stale.begin(), stale.end(), 0), ptrdiff_t(stale.size())) << "nothing drawn, all cleared";

    p = layer.Allocate(5, true);
    const float points[15] = {0, 0, 0, 2, 1, 10, 1, 0.5f, 5, NAN, 0.5f, 5, 1, 0.5f, NAN};
    std::copy_n(points, 15, p);
    ASSERT_TRUE(layer.CanRenderTo2dRgbaBuffer(width, height));
    ASSERT_EQ(std::make_pair(width, height), std::make_pair(640, 320));
    auto rgba = std::make_unique<uint8_t[]>(size_t(width) * height * 4);
    const auto pixel = [&](int column, int row) {
        const uint8_t* at = rgba.get() + (size_t(row) * width + column) * 4;
        return std::vector<int>(at, at + 4);
    };
    layer.RenderTo2dRgbaBuffer(rgba.get());
    EXPECT_EQ(pixel(0, height - 1), std::vector<int>({254, 0, 0, 255})) << "lowest z red, at the bottom left";
    EXPECT_EQ(pixel(width - 1, 0), std::vector<int>({0, 0, 0, 255})) << "highest z black, at the top right";
    // A stale box after moving that point far outside it: drawing must stay inside.
    p[3] = 1e9f;
    p[4] = -1e9f;
    layer.RenderTo2dRgbaBuffer(rgba.get());
    EXPECT_EQ(pixel(319, 160)[3], 255) << "middle point";
    size_t drawn = 0;
    for (int i = 0; i < width * height; ++i)
        drawn += rgba[size_t(i) * 4 + 3] == 255;
    EXPECT_EQ(drawn, 2u) << "NaN coordinates and points outside the box are skipped";
}
