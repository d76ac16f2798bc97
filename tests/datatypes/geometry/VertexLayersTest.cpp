#include <Hyx/Atom.h>
#include <Hyx/DataLayerFactory.h>
#include <Hyx/DataTypeVertex.h>

#include "StreamTestLayers.h"
#include "StreamTestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

using namespace Hyx;
using HyxTest::Bytes;

namespace {

struct ArrayClass {
    const char* name;
    std::function<std::shared_ptr<DataLayer>()> create;
    uint32_t header;
    uint32_t elementSize;
    std::function<void(DataLayer&, uint32_t)> allocate;
    std::function<const void*(DataLayer&)> elements;
    std::function<uint32_t(DataLayer&)> count;
};

template <class T>
T& as(DataLayer& layer)
{
    return dynamic_cast<T&>(layer);
}

std::vector<ArrayClass> arrayClasses()
{
    const auto vertices = [](DataLayer& l) { return as<DataTypeVertexBase>(l).GetNumVertices(); };
    return {
        {"VertexPositions", [] { return std::make_shared<DataTypeVertexPositions>(); }, 28, 12,
         [](DataLayer& l, uint32_t n) { as<DataTypeVertexPositions>(l).Allocate(n, true); },
         [](DataLayer& l) -> const void* { return as<DataTypeVertexPositions>(l).GetVertexPositions(); }, vertices},
        {"VertexNormals", [] { return std::make_shared<DataTypeVertexNormals>(); }, 4, 12,
         [](DataLayer& l, uint32_t n) { as<DataTypeVertexNormals>(l).Allocate(n); },
         [](DataLayer& l) -> const void* { return as<DataTypeVertexNormals>(l).GetNormals(); }, vertices},
        {"VertexColors", [] { return std::make_shared<DataTypeVertexColors>(); }, 4, 3,
         [](DataLayer& l, uint32_t n) { as<DataTypeVertexColors>(l).Allocate(n); },
         [](DataLayer& l) -> const void* { return as<DataTypeVertexColors>(l).GetColors(); }, vertices},
        {"VertexTextureUVs", [] { return std::make_shared<DataTypeVertexTextureUVs>(); }, 4, 8,
         [](DataLayer& l, uint32_t n) { as<DataTypeVertexTextureUVs>(l).Allocate(n); },
         [](DataLayer& l) -> const void* { return as<DataTypeVertexTextureUVs>(l).GetUVs(); }, vertices},
        {"VertexAccuracies", [] { return std::make_shared<DataTypeVertexAccuracies>(); }, 4, 4,
         [](DataLayer& l, uint32_t n) { as<DataTypeVertexAccuracies>(l).Allocate(n); },
         [](DataLayer& l) -> const void* { return as<DataTypeVertexAccuracies>(l).GetAccuracies(); }, vertices},
        {"VertexIndices", [] { return std::make_shared<DataTypeVertexIndices>(); }, 4, 4,
         [](DataLayer& l, uint32_t n) { as<DataTypeVertexIndices>(l).Allocate(n); },
         [](DataLayer& l) -> const void* { return as<DataTypeVertexIndices>(l).GetIndices(); },
         [](DataLayer& l) { return as<DataTypeVertexIndices>(l).GetNumIndices(); }},
        {"IndexUVs", [] { return std::make_shared<DataTypeIndexUVs>(); }, 4, 8,
         [](DataLayer& l, uint32_t n) { as<DataTypeIndexUVs>(l).Allocate(n); },
         [](DataLayer& l) -> const void* { return as<DataTypeIndexUVs>(l).GetUVs(); },
         [](DataLayer& l) { return as<DataTypeIndexUVs>(l).GetNumIndices(); }},
    };
}

Bytes payloadOf(DataLayer& layer)
{
    uint32_t size = 0;
    const uint8_t* data = layer.Serialize(size);
    return data ? Bytes(data, data + size) : Bytes();
}

uint32_t u32At(const Bytes& bytes, size_t offset)
{
    uint32_t value = 0;
    std::memcpy(&value, bytes.data() + offset, 4);
    return value;
}

/// A payload with count at offset and the given total size.
Bytes payloadWithCount(uint32_t header, uint32_t count, uint32_t size)
{
    Bytes bytes(size, 0);
    if (header <= size)
        std::memcpy(bytes.data() + header - 4, &count, 4);
    return bytes;
}

} // namespace

TEST(VertexLayers, AllocateSizesTheArrayAndRegistersTheClass)
{
    for (const ArrayClass& c : arrayClasses()) {
        auto layer = c.create();
        EXPECT_EQ(layer->GetDataLayerClassInfo().GetNiceClassName().StdString(), c.name);
        auto made = DataLayerFactory::CreateDataLayer(layer->TypeGuid(), VornCommon::Guid::Nil).ToStdSharedPtr();
        ASSERT_TRUE(made) << c.name;
        EXPECT_EQ(typeid(*made), typeid(*layer)) << c.name;

        c.allocate(*layer, 5);
        const Bytes bytes = payloadOf(*layer);
        ASSERT_EQ(bytes.size(), c.header + 5 * c.elementSize) << c.name;
        EXPECT_EQ(u32At(bytes, c.header - 4), 5u) << c.name;
        EXPECT_EQ(c.count(*layer), 5u);
        EXPECT_EQ(c.elements(*layer), layer->GetRawDataPtr()->data() + c.header) << c.name;
        EXPECT_EQ(layer->GetVersion(), 0);
        const bool perIndex = !dynamic_cast<DataTypeVertexBase*>(layer.get());
        EXPECT_NE(layer->ToString(false).find(perIndex ? ", NumIndices=5" : ", NumVertices=5"), std::string::npos);

        c.allocate(*layer, 0);
        EXPECT_EQ(c.elements(*layer), nullptr) << c.name;
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
            auto layer = c.create();
            // An exact-size heap copy, so that an over-read shows under the sanitizer.
            HyxTest::SetPayload(*layer, payloadWithCount(c.header, k.count, k.size));
            EXPECT_EQ(c.count(*layer), k.expectedCount) << c.name << " size " << k.size;
            EXPECT_EQ(c.elements(*layer) != nullptr, k.array) << c.name << " size " << k.size;
            layer->updateStatusProperties();
            EXPECT_FALSE(layer->ToString(false).empty());
        }
        auto layer = c.create();
        c.allocate(*layer, 3);
        layer->InitializeHeader(VornCommon::Guid::Nil, 1);
        CapturedLog log;
        EXPECT_FALSE(layer->InitializeData(layer->GetRawDataPtr()->data(), layer->GetRawDataPtr()->size()));
        EXPECT_EQ(c.elements(*layer), nullptr) << c.name << ": no pointer into a refused payload";
    }
}

TEST(VertexLayers, AllocateRefusesCountsBeyondOnePayload)
{
    for (const ArrayClass& c : arrayClasses()) {
        auto layer = c.create();
        c.allocate(*layer, 2);
        const Bytes before = payloadOf(*layer);
        EXPECT_THROW(c.allocate(*layer, 0xFFFFFFFFu), std::length_error) << c.name;
        EXPECT_EQ(payloadOf(*layer), before);
        EXPECT_EQ(c.count(*layer), 2u);
    }
}

TEST(VertexPositions, AllocateWritesOrKeepsTheBox)
{
    DataTypeVertexPositions layer;
    EXPECT_EQ(layer.GetBoundingBox(), nullptr);
    layer.Allocate(2, true);
    const float unit[6] = {-0.5f, -0.5f, -0.5f, 0.5f, 0.5f, 0.5f};
    ASSERT_EQ(payloadOf(layer).size(), 52u);
    EXPECT_EQ(std::memcmp(layer.GetBoundingBox(), unit, sizeof unit), 0);

    float* p = layer.GetVertexPositions();
    const float points[6] = {1, 2, 3, -4, 5, 6};
    std::memcpy(p, points, sizeof points);
    layer.CalculateBoundingBoxFromVertexPositions();
    const float box[6] = {-4, 2, 3, 1, 5, 6};
    EXPECT_EQ(std::memcmp(layer.GetBoundingBox(), box, sizeof box), 0);
    layer.Allocate(1000, false);
    EXPECT_EQ(std::memcmp(layer.GetBoundingBox(), box, sizeof box), 0);

    const std::string text = layer.ToString(false);
    EXPECT_EQ(text.substr(text.find(", NumVertices")), ", NumVertices=1000, BoundingBox=-4, 2, 3, 1, 5, 6");
    layer.updateStatusProperties();
    EXPECT_EQ(layer.getStatusPropertyValue("Bounding box min"), "(-4, 2, 3)");
    EXPECT_EQ(layer.getStatusPropertyValue("Bounding box max"), "(1, 5, 6)");

    float empty[6] = {9, 9, 9, 9, 9, 9};
    DataTypeVertexPositions::CalculateBoundingBoxFromVertexPositions(nullptr, 3, empty);
    EXPECT_EQ(empty[0], 0.0f);
    EXPECT_EQ(empty[5], 0.0f);
}

TEST(VertexPositions, PreviewSizeFollowsTheBox)
{
    const float inf = std::numeric_limits<float>::infinity();
    const struct {
        float box[6];
        int width;
        int height;
    } cases[] = {
        {{0, 0, 0, 2, 1, 1}, 640, 320},   {{0, 0, 0, 0.0005f, 1, 1}, 640, 320}, // too thin: the previous size stays
        {{0, 0, 0, inf, 1, 1}, 640, 320}, {{0, 0, 0, NAN, 1, 1}, 640, 320},       {{0, 0, 0, 1, 2, 1}, 240, 480},
        {{0, 0, 0, 1, 1, 0}, 480, 480},   {{0, 0, 0, 3e38f, 2e38f, 0}, 640, 426}, // the product overflows
    };
    DataTypeVertexPositions layer;
    for (const auto& k : cases) {
        Bytes bytes(28, 0);
        std::memcpy(bytes.data(), k.box, 24);
        HyxTest::SetPayload(layer, bytes);
        float* box = layer.GetBoundingBox();
        // CanRender recomputes the box from the positions; without any it keeps the stored one.
        ASSERT_NE(box, nullptr);
        int width = -1, height = -1;
        layer.CanRenderTo2dRgbaBuffer(width, height);
        EXPECT_EQ(width, k.width) << k.box[3] << " x " << k.box[4];
        EXPECT_EQ(height, k.height) << k.box[3] << " x " << k.box[4];
    }
}

TEST(VertexPositions, PreviewDrawsWithinTheImage)
{
    DataTypeVertexPositions layer;
    int width = 0, height = 0;
    EXPECT_FALSE(layer.CanRenderTo2dRgbaBuffer(width, height)) << "a new layer has no preview";

    Bytes single(40, 0); // zero box, one point at the origin
    single[24] = 1;
    HyxTest::SetPayload(layer, single);
    EXPECT_FALSE(layer.CanRenderTo2dRgbaBuffer(width, height)) << "a single point has no extent";
    layer.RenderTo2dRgbaBuffer(nullptr);

    float* p = layer.Allocate(1, true);
    p[0] = p[1] = p[2] = 1.0f;
    ASSERT_TRUE(layer.CanRenderTo2dRgbaBuffer(width, height)) << "the size of the previous box stays";
    std::vector<uint8_t> stale(size_t(width) * height * 4, 0xAB);
    layer.RenderTo2dRgbaBuffer(stale.data());
    EXPECT_EQ(std::count(stale.begin(), stale.end(), 0), ptrdiff_t(stale.size())) << "nothing drawn, all cleared";

    p = layer.Allocate(5, true);
    const float points[15] = {0, 0, 0, 2, 1, 10, 1, 0.5f, 5, NAN, 0.5f, 5, 1, 0.5f, NAN};
    std::memcpy(p, points, sizeof points);
    ASSERT_TRUE(layer.CanRenderTo2dRgbaBuffer(width, height));
    ASSERT_EQ(width, 640);
    ASSERT_EQ(height, 320);
    // A stale box after moving a point far outside it: drawing must stay inside.
    layer.GetVertexPositions()[3] = 1e9f;
    layer.GetVertexPositions()[4] = -1e9f;
    auto rgba = std::make_unique<uint8_t[]>(size_t(width) * height * 4);
    std::memset(rgba.get(), 0xAB, size_t(width) * height * 4);
    layer.RenderTo2dRgbaBuffer(rgba.get());
    const auto pixel = [&](int column, int row) { return rgba.get() + (size_t(row) * width + column) * 4; };
    EXPECT_EQ(pixel(0, height - 1)[3], 255) << "lowest point at the bottom left";
    EXPECT_EQ(pixel(319, 160)[3], 255) << "middle point";
    size_t drawn = 0;
    for (int i = 0; i < width * height; ++i)
        drawn += rgba[size_t(i) * 4 + 3] == 255;
    EXPECT_EQ(drawn, 2u) << "NaN coordinates and points outside the box are skipped";
}

TEST(VertexLayers, RoundTripThroughTheAtomStream)
{
    auto atom = std::make_shared<Atom>(0u, 0u);
    std::vector<Bytes> payloads;
    for (const ArrayClass& c : arrayClasses()) {
        auto layer = c.create();
        c.allocate(*layer, 4);
        uint8_t* data = layer->GetRawDataPtr()->data();
        for (uint32_t i = c.header; i < layer->GetRawDataPtr()->size(); ++i)
            data[i] = uint8_t(i * 7);
        payloads.push_back(payloadOf(*layer));
        atom->AddDataLayer(layer, false);
    }
    SerializeToMemory writer;
    ASSERT_EQ(writer.pack_atom(atom), HyxErrorCode::Success);
    HyxTest::ExactReader reader(HyxTest::PackedBytes(writer));
    const auto again = reader->unpack_atom();
    ASSERT_TRUE(again);
    const auto layers = again->GetAllDataLayers();
    ASSERT_EQ(layers.size(), payloads.size());
    for (size_t i = 0; i < layers.size(); ++i) {
        EXPECT_EQ(payloadOf(*layers[i]), payloads[i]);
        EXPECT_EQ(typeid(*layers[i]), typeid(*atom->GetAllDataLayers()[i]));
    }
}
