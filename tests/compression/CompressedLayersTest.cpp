#include <Hyx/BloscCompressor.h>
#include <Hyx/CompressedLayers.h>
#include <Hyx/DataTypeTextureBayer.h>
#include <Hyx/DataTypeTextureBlock.h>
#include <Hyx/DataTypeTextureHSL.h>
#include <Hyx/DataTypeTextureIR.h>
#include <Hyx/DataTypeTextureRGB.h>
#include <Hyx/DataTypeTextureYUV.h>
#include <Hyx/DataTypeVertex.h>
#include <Hyx/HYXPurposeGuids.h>
#include <Hyx/Vector3DNormalizer.h>

#include "FailingAllocation.h"
#include "LargestAllocation.h"
#include "ThrownText.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace Hyx;

namespace {

using Bytes = std::vector<uint8_t>;

const uint8_t DXT1_PATTERN[8] = {0, 0, 0, 0, 0xAA, 0xAA, 0xAA, 0xAA};
const uint8_t ETC2_PATTERN[8] = {0, 0, 0, 2, 0xFF, 0xFF, 0xFF, 0xFF};
const uint8_t ASTC_PATTERN[16] = {0xFC, 0xFD, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};

Bytes payloadOf(DataLayer& layer)
{
    uint32_t size = 0;
    const uint8_t* data = layer.Serialize(size);
    return Bytes(data, data + size);
}

/// The coded bytes of a compressed texture (after its 10-byte header).
Bytes codedOf(DataTypeCompressedTexture& layer)
{
    const Bytes payload = payloadOf(layer);
    return Bytes(payload.begin() + 10, payload.end());
}

/// A texture of T with the given block bytes.
template <typename T>
std::shared_ptr<T> texture(uint16_t w, uint16_t h, const Bytes& pixels)
{
    auto layer = std::make_shared<T>();
    layer->SetTexture(w, h, pixels.data());
    return layer;
}

Bytes repeat(const uint8_t* block, size_t size, size_t count)
{
    Bytes out;
    for (size_t i = 0; i < count; ++i)
        out.insert(out.end(), block, block + size);
    return out;
}

/// A compressed layer read back from its payload and compression fields, as a reader does.
template <typename T>
std::shared_ptr<T> reread(T& source, uint16_t payloadVersion)
{
    auto copy = std::make_shared<T>();
    copy->InitializeHeader(source.GetPurposeGuid(), payloadVersion);
    copy->InitializeCompressionInfo(source.GetCompressedBlobTypeGuid(), source.GetCompressedBlobVersion(),
                                    source.GetCompressionType());
    Bytes payload = payloadOf(source);
    copy->InitializeData(payload.data(), static_cast<uint32_t>(payload.size()));
    return copy;
}

/// A layer whose payload has been replaced by the given bytes (same fields).
template <typename T>
std::shared_ptr<T> withPayload(T& source, Bytes payload, uint16_t version)
{
    auto copy = std::make_shared<T>();
    copy->InitializeHeader(source.GetPurposeGuid(), version);
    copy->InitializeCompressionInfo(source.GetCompressedBlobTypeGuid(), source.GetCompressedBlobVersion(),
                                    source.GetCompressionType());
    copy->InitializeData(payload.data(), static_cast<uint32_t>(payload.size()));
    return copy;
}

Bytes smoothImage(size_t w, size_t h, size_t channels)
{
    Bytes out(w * h * channels);
    for (size_t y = 0; y < h; ++y)
        for (size_t x = 0; x < w; ++x)
            for (size_t c = 0; c < channels; ++c)
                out[(y * w + x) * channels + c] = static_cast<uint8_t>((x + y + c * 40) & 0xFF);
    return out;
}

} // namespace

TEST(CompressedVertexLayers, PayloadSizesOfFixedRateCodes)
{
    auto uvs = std::make_shared<DataTypeVertexTextureUVs>();
    uvs->Allocate(3);
    for (int i = 0; i < 6; ++i)
        uvs->GetUVs()[i] = 0.1f * i;
    auto indices = std::make_shared<DataTypeVertexIndices>();
    indices->Allocate(5);
    std::iota(indices->GetIndices(), indices->GetIndices() + 5, 60000u);
    const struct {
        std::shared_ptr<DataLayer> plain;
        std::shared_ptr<DataTypeCompressedBlob> coded;
        uint8_t code;
        size_t size;
    } cases[] = {
        {uvs, std::make_shared<DataTypeCompressedVertexTextureUVs>(), 128, 16},
        {uvs, std::make_shared<DataTypeCompressedVertexTextureUVs>(), 129, 13},
        {uvs, std::make_shared<DataTypeCompressedVertexTextureUVs>(), 0, 28},
        {indices, std::make_shared<DataTypeCompressedVertexIndices>(), 128, 19},
        {indices, std::make_shared<DataTypeCompressedVertexIndices>(), 129, 14},
        {indices, std::make_shared<DataTypeCompressedVertexIndices>(), 2, 0},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(c.coded->compress(c.plain, c.code));
        if (c.size) {
            EXPECT_EQ(payloadOf(*c.coded).size(), c.size) << int(c.code);
        }
        auto back = c.coded->decompress();
        ASSERT_TRUE(back);
        EXPECT_EQ(back->TypeGuid(), c.plain->TypeGuid());
        const Bytes original = payloadOf(*c.plain), decoded = payloadOf(*back);
        if (c.plain == indices) {
            EXPECT_EQ(decoded, original) << int(c.code);
            continue;
        }
        for (int i = 0; i < 6; ++i)
            EXPECT_NEAR(uvs->GetUVs()[i], std::static_pointer_cast<DataTypeVertexTextureUVs>(back)->GetUVs()[i],
                        1.0 / 4000);
    }
}

TEST(CompressedVertexLayers, EmptyUVsIgnoreTheCode)
{
    auto uvs = std::make_shared<DataTypeVertexTextureUVs>();
    uvs->Allocate(0);
    DataTypeCompressedVertexTextureUVs coded;
    ASSERT_TRUE(coded.compress(uvs, 77));
    EXPECT_EQ(payloadOf(coded).size(), 4u);
    auto back = std::dynamic_pointer_cast<DataTypeVertexTextureUVs>(coded.decompress());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->GetNumVertices(), 0u);
}

TEST(CompressedVertexLayers, PositionsOnTheBoxFaces)
{
    auto positions = std::make_shared<DataTypeVertexPositions>();
    float* p = positions->Allocate(4, false);
    const float points[12] = {-1000, -1000, -1000, 1000, 1000, 1000, -1000, 1000, 0, 1000, -1000, 500};
    std::memcpy(p, points, sizeof(points));
    positions->CalculateBoundingBoxFromVertexPositions();
    positions->ChangePurposeGuid(HYXPurposeGuids::CAMERA_PRIMARY);
    for (uint8_t code : {0, 1, 2}) {
        DataTypeCompressedVertexPositions coded;
        coded.InitializeHeader(positions->GetPurposeGuid());
        ASSERT_TRUE(coded.compress(positions, code));
        auto back = std::dynamic_pointer_cast<DataTypeVertexPositions>(reread(coded, 0)->decompress());
        ASSERT_TRUE(back);
        EXPECT_EQ(back->GetPurposeGuid(), HYXPurposeGuids::CAMERA_PRIMARY);
        EXPECT_EQ(0, std::memcmp(back->GetBoundingBox(), positions->GetBoundingBox(), 24));
        const float step = code == 0 ? 0.0f : code == 1 ? 2000.002f / 65536 : 2000.002f / 1024;
        for (int i = 0; i < 12; ++i)
            EXPECT_NEAR(back->GetVertexPositions()[i], points[i], step * 1.01f) << int(code) << " " << i;
    }
}

// Quantised codes refuse points their stored box does not hold, wherever the point lies in the
// layer (the whole blocks of four points and the rest after them); raw floats take anything.
TEST(CompressedVertexLayers, QuantisedPositionsMustLieInsideTheirBox)
{
    const float nan = std::nanf("");
    const float inf = INFINITY;
    const struct {
        const char* name;
        float value; // put at every coordinate in turn, box computed from the others
        bool boxFromValue; // the box is computed after the value is put
        bool refused;
    } cases[] = {
        {"inside", 2.0f, false, false},
        {"on a face of the box", 50.0f, true, false},
        {"below the box", 0.5f, false, true},
        {"above the box", 100.0f, false, true},
        {"NaN", nan, false, true},
        {"infinity", inf, false, true},
        {"minus infinity", -inf, false, true},
        {"infinity in the box too", inf, true, true},
        {"NaN in the box too", nan, true, true},
    };
    constexpr uint32_t COUNT = 10; // two blocks of four points, then two points
    for (const auto& c : cases) {
        for (uint32_t at = 0; at < COUNT * 3; ++at) {
            auto positions = std::make_shared<DataTypeVertexPositions>();
            float* p = positions->Allocate(COUNT, false);
            for (uint32_t i = 0; i < COUNT * 3; ++i)
                p[i] = 1.0f + 0.1f * float(i);
            if (!c.boxFromValue)
                positions->CalculateBoundingBoxFromVertexPositions();
            p[at] = c.value;
            if (c.boxFromValue)
                positions->CalculateBoundingBoxFromVertexPositions();
            for (uint8_t code : {1, 2}) {
                DataTypeCompressedVertexPositions coded;
                if (c.refused) {
                    EXPECT_EQ(ThrownText<std::out_of_range>([&] { coded.compress(positions, code); }),
                              "vertex positions lie outside their bounding box or are not finite")
                        << c.name << " at " << at << ", code " << int(code);
                } else {
                    EXPECT_TRUE(coded.compress(positions, code)) << c.name << " at " << at;
                }
            }
            DataTypeCompressedVertexPositions raw;
            EXPECT_TRUE(raw.compress(positions, 0)) << c.name << " at " << at;
        }
    }
    // Past the first thousand points too; a refused layer is left as it was.
    auto many = std::make_shared<DataTypeVertexPositions>();
    float* m = many->Allocate(5000, false);
    for (uint32_t i = 0; i < 15000; ++i)
        m[i] = float(i % 97);
    many->CalculateBoundingBoxFromVertexPositions();
    for (const uint32_t at : {1023u * 3, 1024u * 3 + 1, 4999u * 3 + 2}) {
        const float kept = m[at];
        m[at] = nan;
        DataTypeCompressedVertexPositions coded;
        EXPECT_THROW(coded.compress(many, 1), std::out_of_range) << at;
        EXPECT_NE(coded.ToString(false).find(", NumVertices=0,"), std::string::npos) << coded.ToString(false);
        m[at] = kept;
    }
    DataTypeCompressedVertexPositions whole;
    ASSERT_TRUE(whole.compress(many, 2));
    auto back = std::dynamic_pointer_cast<DataTypeVertexPositions>(whole.decompress());
    ASSERT_TRUE(back);
    ASSERT_EQ(back->GetNumVertices(), 5000u);
    for (uint32_t i = 0; i < 15000; ++i)
        ASSERT_NEAR(back->GetVertexPositions()[i], m[i], 0.1f) << i;

    // No points: nothing is quantised, whatever the box.
    auto none = std::make_shared<DataTypeVertexPositions>();
    none->Allocate(0, false);
    ASSERT_TRUE(none->GetBoundingBox());
    std::fill(none->GetBoundingBox(), none->GetBoundingBox() + 6, nan);
    DataTypeCompressedVertexPositions empty;
    EXPECT_TRUE(empty.compress(none, 1));

    // A box never computed holds only the origin.
    auto unboxed = std::make_shared<DataTypeVertexPositions>();
    float* p = unboxed->Allocate(3, false);
    std::fill(p, p + 9, 0.0f);
    DataTypeCompressedVertexPositions atOrigin;
    EXPECT_TRUE(atOrigin.compress(unboxed, 1));
    p[4] = 0.5f;
    DataTypeCompressedVertexPositions away;
    EXPECT_THROW(away.compress(unboxed, 1), std::out_of_range);
}

namespace {

/// Positions of count points spread over the box with its corners among them, box stored.
std::shared_ptr<DataTypeVertexPositions> positionsIn(const float* box, uint32_t count, uint32_t seed)
{
    auto layer = std::make_shared<DataTypeVertexPositions>();
    float* p = layer->Allocate(count, false);
    uint32_t state = seed;
    for (uint32_t i = 0; i < count * 3; ++i) {
        state = state * 1664525u + 1013904223u;
        const float t = i < 3 ? 0.0f : i < 6 ? 1.0f : float(state >> 8) / float(1u << 24);
        p[i] = box[i % 3] + (box[3 + i % 3] - box[i % 3]) * t;
        p[i] = std::min(std::max(p[i], box[i % 3]), box[3 + i % 3]);
    }
    std::memcpy(layer->GetBoundingBox(), box, 24);
    layer->ChangePurposeGuid(HYXPurposeGuids::CAMERA_PRIMARY);
    return layer;
}

std::shared_ptr<DataTypeVertexPositions> decoded(const std::shared_ptr<DataTypeVertexPositions>& plain, uint8_t code)
{
    DataTypeCompressedVertexPositions coded;
    coded.InitializeHeader(plain->GetPurposeGuid());
    EXPECT_TRUE(coded.compress(plain, code));
    return std::dynamic_pointer_cast<DataTypeVertexPositions>(reread(coded, 0)->decompress());
}

} // namespace

// A decoded layer carries its stored box while its points lie up to the codec's margin outside
// it: it compresses again under the same code, and decoding that gives the first decode's
// points within one step and two float spacings per axis (not always the same: a decoded
// point's float sum may fall just below its step, which coding truncates).
TEST(CompressedVertexLayers, DecodedPositionsCompressAgain)
{
    const struct {
        const char* name;
        float box[6];
    } boxes[] = {
        {"unit box", {0, 0, 0, 1, 1, 1}},
        {"wide box, steps above the margin", {-1000, -1000, -1000, 1000, 1000, 1000}},
        {"far from the origin, a flat axis", {1000, -5, 0.25f, 1001, 5, 0.25f}},
        {"smaller than the margin", {-0.0004f, 0.01f, 3, 0.0004f, 0.0102f, 3.5f}},
        {"extent near the float range", {-1e38f, -1e38f, -1e38f, 1e38f, 1e38f, 1e38f}},
    };
    int outside = 0; // decoded coordinates outside the stored box: the case in point
    for (const auto& b : boxes) {
        for (const uint8_t code : {1, 2}) {
            SCOPED_TRACE(std::string(b.name) + ", code " + std::to_string(code));
            const int bits[3] = {code == 1 ? 16 : 11, code == 1 ? 16 : 11, code == 1 ? 16 : 10};
            const auto plain = positionsIn(b.box, 1001, 7);
            const auto first = decoded(plain, code);
            ASSERT_TRUE(first);
            EXPECT_EQ(0, std::memcmp(first->GetBoundingBox(), b.box, 24));
            for (uint32_t i = 0; i < 1001 * 3; ++i)
                outside += !(first->GetVertexPositions()[i] >= b.box[i % 3] &&
                             first->GetVertexPositions()[i] <= b.box[3 + i % 3]);
            const auto second = decoded(first, code);
            ASSERT_TRUE(second);
            EXPECT_EQ(0, std::memcmp(second->GetBoundingBox(), b.box, 24));
            for (uint32_t i = 0; i < 1001 * 3; ++i) {
                const int a = int(i % 3);
                const float extent = (b.box[3 + a] + 0.001f) - (b.box[a] - 0.001f);
                const float step = std::ldexp(extent, -bits[a]);
                // One step, and the float rounding of the codec's sums (of box-sized values).
                const float v = std::max({std::fabs(b.box[a]), std::fabs(b.box[3 + a]), extent});
                const float ulp = std::nextafter(v, INFINITY) - v;
                ASSERT_NEAR(second->GetVertexPositions()[i], first->GetVertexPositions()[i], step + 2 * ulp) << i;
            }
        }
    }
    EXPECT_GT(outside, 0);
}

// Where the float spacing near the box is close to a step, a decoded point's rounding moves it
// below its step by up to a spacing, and the next coding truncates it a whole step lower: the
// second decode then lies more than one step from the first, never more than one step and two
// spacings of the widened box's largest bound or extent.
TEST(CompressedVertexLayers, TranscodingStaysWithinAStepAndTwoFloatSpacings)
{
    const struct {
        const char* name;
        float lo, hi;
        uint8_t code;
    } rows[] = {
        {"[5000, 5001.5], 11/11/10", 5000.0f, 5001.5f, 2},
        {"[2000, 2000.7], 11/11/10", 2000.0f, 2000.7f, 2},
        {"[100, 100.4], 16/16/16", 100.0f, 100.4f, 1},
        {"[-5001.5, -5000], 11/11/10", -5001.5f, -5000.0f, 2},
    };
    constexpr uint32_t count = 100000;
    int beyondOneStep = 0; // the case in point: the bound needs its two spacings
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const float box[6] = {r.lo, r.lo, r.lo, r.hi, r.hi, r.hi};
        const int bits[3] = {r.code == 1 ? 16 : 11, r.code == 1 ? 16 : 11, r.code == 1 ? 16 : 10};
        const auto first = decoded(positionsIn(box, count, 52), r.code);
        ASSERT_TRUE(first);
        const auto second = decoded(first, r.code);
        ASSERT_TRUE(second);
        ASSERT_EQ(second->GetNumVertices(), count);
        for (int a = 0; a < 3; ++a) {
            const float lo = box[a] - 0.001f, hi = box[3 + a] + 0.001f, extent = hi - lo;
            const float step = std::ldexp(extent, -bits[a]);
            const float v = std::max({std::fabs(lo), std::fabs(hi), extent});
            const float spacing = std::nextafter(v, INFINITY) - v;
            ASSERT_GT(spacing, step / 8) << a; // the boxes of the case in point
            for (uint32_t i = a; i < count * 3; i += 3) {
                const double moved =
                    std::fabs(double(second->GetVertexPositions()[i]) - double(first->GetVertexPositions()[i]));
                beyondOneStep += moved > step;
                ASSERT_LE(moved, double(step) + 2.0 * spacing) << i;
            }
        }
    }
    EXPECT_GT(beyondOneStep, 0);
}

// The box's extent is what the quantiser divides by: one that overflows a float would bring
// every point back as the minimum, so it is refused like a box that is not finite.
TEST(CompressedVertexLayers, BoxWhoseExtentOverflowsIsRefused)
{
    for (int axis = 0; axis < 3; ++axis) {
        auto positions = std::make_shared<DataTypeVertexPositions>();
        float* p = positions->Allocate(3, false);
        std::fill(p, p + 9, 1.0f);
        p[axis] = -2e38f;
        p[3 + axis] = 2e38f;
        positions->CalculateBoundingBoxFromVertexPositions();
        ASSERT_TRUE(std::isfinite(positions->GetBoundingBox()[axis]) &&
                    std::isfinite(positions->GetBoundingBox()[3 + axis]));
        EXPECT_FALSE(Vector3DNormalizer::BoxHoldsPoints(positions->GetBoundingBox(), p, 3)) << axis;
        for (const uint8_t code : {1, 2}) {
            DataTypeCompressedVertexPositions coded;
            EXPECT_EQ(ThrownText<std::out_of_range>([&] { coded.compress(positions, code); }),
                      "vertex positions lie outside their bounding box or are not finite")
                << "axis " << axis << ", code " << int(code);
        }
        DataTypeCompressedVertexPositions raw;
        EXPECT_TRUE(raw.compress(positions, 0)) << axis;
    }
}

// The check takes exactly the box the quantiser codes: the stored box widened by 0.001.
TEST(CompressedVertexLayers, QuantisedPositionsMayLieWithinTheMargin)
{
    const float box[6] = {0, 10, -4, 1, 12, -2};
    const struct {
        const char* name;
        float offset; // from the face, outwards
        bool refused;
    } cases[] = {
        {"on the face", 0, false},
        {"half the margin outside", 0.0005f, false},
        {"on the widened face", 0.001f, false},
        {"twice the margin outside", 0.002f, true},
    };
    for (const auto& c : cases) {
        for (int face = 0; face < 6; ++face) {
            auto positions = positionsIn(box, 5, 3);
            float* p = positions->GetVertexPositions();
            const int axis = face % 3;
            // Computed as the codec widens the face, so "on the widened face" is on it.
            p[3 * 4 + axis] = face < 3 ? box[axis] - c.offset : box[3 + axis] + c.offset;
            for (const uint8_t code : {1, 2}) {
                DataTypeCompressedVertexPositions coded;
                if (c.refused)
                    EXPECT_THROW(coded.compress(positions, code), std::out_of_range) << c.name << ", face " << face;
                else
                    EXPECT_TRUE(coded.compress(positions, code)) << c.name << ", face " << face;
            }
        }
    }
}

TEST(CompressedVertexLayers, MalformedPayloadsAreRefused)
{
    auto indices = std::make_shared<DataTypeVertexIndices>();
    indices->Allocate(100);
    std::iota(indices->GetIndices(), indices->GetIndices() + 100, 0u);
    auto normals = std::make_shared<DataTypeVertexNormals>();
    normals->Allocate(100);
    auto positions = std::make_shared<DataTypeVertexPositions>();
    float* points = positions->Allocate(100, true);
    std::fill(points, points + 300, 0.25f); // inside the box -0.5 .. 0.5
    const struct {
        std::shared_ptr<DataLayer> plain;
        std::shared_ptr<DataTypeCompressedBlob> coded;
        uint8_t code;
    } cases[] = {
        {indices, std::make_shared<DataTypeCompressedVertexIndices>(), 0},
        {indices, std::make_shared<DataTypeCompressedVertexIndices>(), 128},
        {indices, std::make_shared<DataTypeCompressedVertexIndices>(), 2},
        {normals, std::make_shared<DataTypeCompressedVertexNormals>(), 2},
        {positions, std::make_shared<DataTypeCompressedVertexPositions>(), 1},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(c.coded->compress(c.plain, c.code));
        Bytes payload = payloadOf(*c.coded);
        ASSERT_GT(payload.size(), 3u);
        payload.erase(payload.end() - 3, payload.end());
        std::shared_ptr<DataTypeCompressedBlob> cut;
        if (auto i = std::dynamic_pointer_cast<DataTypeCompressedVertexIndices>(c.coded))
            cut = withPayload(*i, payload, 0);
        else if (auto n = std::dynamic_pointer_cast<DataTypeCompressedVertexNormals>(c.coded))
            cut = withPayload(*n, payload, 0);
        else
            cut = withPayload(*std::static_pointer_cast<DataTypeCompressedVertexPositions>(c.coded), payload, 0);
        EXPECT_THROW(cut->decompress(), std::exception) << int(c.code);
    }
}

namespace {

template <typename T>
std::shared_ptr<DataTypeCompressedBlob> makeCompressed()
{
    return std::make_shared<T>();
}

/// Loads the payload into layer as a reader does, with the compression fields of `fields`.
bool load(DataTypeCompressedBlob& layer, const DataTypeCompressedBlob& fields, Bytes payload, uint16_t version)
{
    layer.InitializeHeader(fields.GetPurposeGuid(), version);
    layer.InitializeCompressionInfo(fields.GetCompressedBlobTypeGuid(), fields.GetCompressedBlobVersion(),
                                    fields.GetCompressionType());
    return layer.InitializeData(payload.data(), static_cast<uint32_t>(payload.size()));
}

/// One plain layer of each vertex class, with data every code takes.
struct VertexSources {
    std::shared_ptr<DataTypeVertexTextureUVs> uvs = std::make_shared<DataTypeVertexTextureUVs>();
    std::shared_ptr<DataTypeVertexIndices> indices = std::make_shared<DataTypeVertexIndices>();
    std::shared_ptr<DataTypeVertexNormals> normals = std::make_shared<DataTypeVertexNormals>();
    std::shared_ptr<DataTypeVertexPositions> positions = std::make_shared<DataTypeVertexPositions>();

    VertexSources()
    {
        uvs->Allocate(5);
        for (int i = 0; i < 10; ++i)
            uvs->GetUVs()[i] = 0.1f * i;
        indices->Allocate(7);
        std::iota(indices->GetIndices(), indices->GetIndices() + 7, 1000u);
        float* n = normals->Allocate(3);
        const float axes[9] = {1, 0, 0, 0, 1, 0, 0, 0, -1};
        std::copy(axes, axes + 9, n);
        float* p = positions->Allocate(4, false);
        for (int i = 0; i < 12; ++i)
            p[i] = 0.5f * i - 2.0f;
        positions->CalculateBoundingBoxFromVertexPositions();
    }
};

} // namespace

// A payload a vertex layer refuses leaves nothing that decodes: decompress throws rather than
// hand out an empty layer for data that was lost, whether the layer was new or held valid data
// before. A valid payload loaded afterwards decodes to the byte again.
TEST(CompressedVertexLayers, RefusedLoadIsRefusedByDecompress)
{
    const VertexSources sources;
    struct Row {
        const char* name;
        std::shared_ptr<DataLayer> plain;
        std::shared_ptr<DataTypeCompressedBlob> (*make)();
        uint8_t code;
        size_t header; // payload bytes before the coded data
        bool lossless;
    };
    const Row rows[] = {
        {"UVs, 16 bits", sources.uvs, &makeCompressed<DataTypeCompressedVertexTextureUVs>, 128, 4, false},
        {"UVs, raw", sources.uvs, &makeCompressed<DataTypeCompressedVertexTextureUVs>, 0, 4, true},
        {"UVs, LZ4", sources.uvs, &makeCompressed<DataTypeCompressedVertexTextureUVs>, 2, 4, true},
        {"indices, 24 bits", sources.indices, &makeCompressed<DataTypeCompressedVertexIndices>, 128, 4, true},
        {"indices, 16 bits", sources.indices, &makeCompressed<DataTypeCompressedVertexIndices>, 129, 4, true},
        {"indices, zlib", sources.indices, &makeCompressed<DataTypeCompressedVertexIndices>, 3, 4, true},
        {"normals, OCT_16", sources.normals, &makeCompressed<DataTypeCompressedVertexNormals>, 2, 4, false},
        {"normals, raw", sources.normals, &makeCompressed<DataTypeCompressedVertexNormals>, 0, 4, true},
        {"positions, 16/16/16", sources.positions, &makeCompressed<DataTypeCompressedVertexPositions>, 1, 28, false},
        {"positions, raw", sources.positions, &makeCompressed<DataTypeCompressedVertexPositions>, 0, 28, true},
    };
    const struct {
        const char* name;
        size_t (*keep)(size_t header, size_t whole); // bytes of the valid payload kept
        uint16_t version;
    } causes[] = {
        {"no bytes", [](size_t, size_t) -> size_t { return 0; }, 0},
        {"one byte", [](size_t, size_t) -> size_t { return 1; }, 0},
        {"one byte short of the header", [](size_t header, size_t) { return header - 1; }, 0},
        {"another version", [](size_t, size_t whole) { return whole; }, 1},
    };
    for (const Row& row : rows) {
        const std::shared_ptr<DataTypeCompressedBlob> valid = row.make();
        valid->InitializeHeader(HYXPurposeGuids::CAMERA_PRIMARY);
        ASSERT_TRUE(valid->compress(row.plain, row.code)) << row.name;
        const Bytes payload = payloadOf(*valid);
        ASSERT_GT(payload.size(), row.header) << row.name;
        const Bytes decoded = payloadOf(*valid->decompress());
        if (row.lossless) {
            EXPECT_EQ(decoded, payloadOf(*row.plain)) << row.name;
        }
        for (const auto& cause : causes) {
            Bytes refused = payload;
            refused.resize(cause.keep(row.header, payload.size()));
            for (const bool heldData : {false, true}) {
                SCOPED_TRACE(std::string(row.name) + ", " + cause.name + (heldData ? ", over valid data" : ", new"));
                std::shared_ptr<DataTypeCompressedBlob> layer = row.make();
                if (heldData) {
                    ASSERT_TRUE(load(*layer, *valid, payload, 0));
                    ASSERT_EQ(payloadOf(*layer->decompress()), decoded);
                }
                EXPECT_FALSE(load(*layer, *valid, refused, cause.version));
                EXPECT_EQ(ThrownText([&] { layer->decompress(); }), "compressed data does not have the expected size");
                // The same layer takes a valid payload again.
                ASSERT_TRUE(load(*layer, *valid, payload, 0));
                EXPECT_EQ(payloadOf(*layer->decompress()), decoded);
            }
        }
    }
}

// A layer that never loaded a payload has nothing to decode either, whatever type its fields
// name (none, or the plain layer's), and neither has a texture whose last load was refused.
TEST(CompressedLayers, LayerThatNeverLoadedIsRefusedByDecompress)
{
    const VertexSources sources;
    const std::shared_ptr<DataLayer> rgb = texture<DataTypeTextureRGB>(4, 4, Bytes(48, 7));
    const struct {
        const char* name;
        std::shared_ptr<DataLayer> plain;
        std::shared_ptr<DataTypeCompressedBlob> (*make)();
        uint8_t code;
    } rows[] = {
        {"UVs", sources.uvs, &makeCompressed<DataTypeCompressedVertexTextureUVs>, 128},
        {"indices", sources.indices, &makeCompressed<DataTypeCompressedVertexIndices>, 128},
        {"normals", sources.normals, &makeCompressed<DataTypeCompressedVertexNormals>, 2},
        {"positions", sources.positions, &makeCompressed<DataTypeCompressedVertexPositions>, 1},
        {"texture", rgb, &makeCompressed<DataTypeCompressedTexture>, 130},
    };
    for (const auto& row : rows) {
        for (const bool fields : {true, false}) {
            SCOPED_TRACE(std::string(row.name) + (fields ? ", fields of the plain layer" : ", no fields"));
            const std::shared_ptr<DataTypeCompressedBlob> layer = row.make();
            if (fields)
                layer->InitializeCompressionInfo(row.plain->TypeGuid(), row.plain->GetVersion(), row.code);
            EXPECT_EQ(ThrownText<std::runtime_error>([&] { layer->decompress(); }),
                      "compressed data does not have the expected size");
        }
    }
    // The texture refuses only a payload of a later version; what it held before is gone.
    DataTypeCompressedTexture valid;
    ASSERT_TRUE(valid.compress(rgb, 130));
    const Bytes payload = payloadOf(valid);
    DataTypeCompressedTexture layer;
    ASSERT_TRUE(load(layer, valid, payload, 2));
    EXPECT_FALSE(load(layer, valid, payload, 3));
    EXPECT_EQ(ThrownText<std::runtime_error>([&] { layer.decompress(); }),
              "compressed data does not have the expected size");
    ASSERT_TRUE(load(layer, valid, payload, 2));
    EXPECT_EQ(payloadOf(*layer.decompress()), payloadOf(*valid.decompress()));

    // A texture payload cut inside its header loads, its missing fields read as 0, but holds
    // no texture: zeros there name an empty YUV_NVX texture (format 0), which it must not
    // decode into. A whole header of zeros is such an empty texture.
    const VornCommon::Guid nvx = DataTypeTextureYUV_NVX::TheTypeGuid();
    const struct {
        const char* name;
        Bytes payload;
        uint16_t version;
        bool decodes;
    } cuts[] = {
        {"no bytes", {}, 2, false},
        {"16 x 16 without its internal height", {16, 0, 16, 0, 16, 0}, 2, false},
        {"a version-2 header without its depth", {0, 0, 0, 0, 0, 0, 0, 0, 0}, 2, false},
        {"a version-1 header without its format", {0, 0, 0, 0, 0, 0, 0, 0}, 1, false},
        {"an empty texture's whole header", Bytes(10, 0), 2, true},
        {"an empty version-1 texture's whole header", Bytes(9, 0), 1, true},
    };
    for (const auto& cut : cuts) {
        SCOPED_TRACE(cut.name);
        auto texture = std::make_shared<DataTypeCompressedTexture>();
        texture->InitializeHeader(valid.GetPurposeGuid(), cut.version);
        texture->InitializeCompressionInfo(nvx, 0, 128);
        Bytes bytes = cut.payload;
        ASSERT_TRUE(texture->InitializeData(bytes.data(), static_cast<uint32_t>(bytes.size())));
        if (cut.decodes) {
            EXPECT_EQ(std::dynamic_pointer_cast<DataTypeTextureBase>(texture->decompress())->GetTextureSizeInBytes(),
                      0u);
        } else {
            EXPECT_EQ(ThrownText<std::runtime_error>([&] { texture->decompress(); }),
                      "compressed data does not have the expected size");
        }
    }
}

// A count of 0 under a code the class does not know: texture coordinates and indices have
// nothing to decode and give an empty layer, as compressing an empty source under that code
// does; normals and positions refuse it when they load and when they compress.
TEST(CompressedVertexLayers, EmptyCountUnderAnUnknownCode)
{
    Bytes emptyPositions(24, 0);
    emptyPositions.insert(emptyPositions.end(), 4, 0);
    auto uvs = std::make_shared<DataTypeVertexTextureUVs>();
    uvs->Allocate(0);
    auto indices = std::make_shared<DataTypeVertexIndices>();
    indices->Allocate(0);
    auto normals = std::make_shared<DataTypeVertexNormals>();
    normals->Allocate(0);
    auto positions = std::make_shared<DataTypeVertexPositions>();
    positions->Allocate(0, true);
    const struct {
        const char* name;
        std::shared_ptr<DataLayer> plain;
        std::shared_ptr<DataTypeCompressedBlob> (*make)();
        uint8_t code;
        Bytes payload;
        const char* refusal; // null: loads and decodes to an empty plain layer
    } rows[] = {
        {"UVs", uvs, &makeCompressed<DataTypeCompressedVertexTextureUVs>, 77, {0, 0, 0, 0}, nullptr},
        {"UVs, private code", uvs, &makeCompressed<DataTypeCompressedVertexTextureUVs>, 130, {0, 0, 0, 0}, nullptr},
        {"indices", indices, &makeCompressed<DataTypeCompressedVertexIndices>, 77, {0, 0, 0, 0}, nullptr},
        {"normals",
         normals,
         &makeCompressed<DataTypeCompressedVertexNormals>,
         3,
         {0, 0, 0, 0},
         "DataTypeCompressedNormals Compression not supported!"},
        {"positions", positions, &makeCompressed<DataTypeCompressedVertexPositions>, 7, emptyPositions,
         "DataTypeCompressedVertices Compression not supported!"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::shared_ptr<DataTypeCompressedBlob> fields = row.make();
        fields->InitializeCompressionInfo(row.plain->TypeGuid(), row.plain->GetVersion(), row.code);
        const std::shared_ptr<DataTypeCompressedBlob> loaded = row.make();
        EXPECT_EQ(load(*loaded, *fields, row.payload, 0), !row.refusal);
        const std::shared_ptr<DataTypeCompressedBlob> coded = row.make();
        if (row.refusal) {
            EXPECT_EQ(ThrownText([&] { loaded->decompress(); }), row.refusal);
            EXPECT_EQ(ThrownText([&] { coded->compress(row.plain, row.code); }), row.refusal);
            continue;
        }
        const std::shared_ptr<DataLayer> back = loaded->decompress();
        ASSERT_TRUE(back);
        EXPECT_EQ(back->TypeGuid(), row.plain->TypeGuid());
        EXPECT_EQ(payloadOf(*back), payloadOf(*row.plain));
        ASSERT_TRUE(coded->compress(row.plain, row.code));
        EXPECT_EQ(payloadOf(*coded), row.payload);
    }
}

namespace {

const char* const SIZE_TEXT = "compressed data does not have the expected size";

/// Bytes that end where a page that cannot be read begins, so a read past them faults at once
/// in any build. A layer borrows them as its payload and must go before them.
class GuardedBytes {
public:
    explicit GuardedBytes(const Bytes& bytes) : _page(static_cast<size_t>(sysconf(_SC_PAGESIZE)))
    {
        _mapped = ((bytes.size() + _page - 1) / _page + 1) * _page + _page;
        void* map = mmap(nullptr, _mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (map == MAP_FAILED)
            throw std::runtime_error("no memory for guarded bytes");
        _map = static_cast<uint8_t*>(map);
        uint8_t* guard = _map + _mapped - _page;
        if (mprotect(guard, _page, PROT_NONE) != 0)
            throw std::runtime_error("cannot protect the guard page");
        _size = static_cast<uint32_t>(bytes.size());
        _data = guard - _size;
        std::copy(bytes.begin(), bytes.end(), _data);
    }
    ~GuardedBytes() { munmap(_map, _mapped); }
    GuardedBytes(const GuardedBytes&) = delete;
    GuardedBytes& operator=(const GuardedBytes&) = delete;

    /// Loads the bytes into layer in place (no copy), as `load` does.
    bool LoadInto(DataTypeCompressedBlob& layer, const DataTypeCompressedBlob& fields, uint16_t version)
    {
        layer.InitializeHeader(fields.GetPurposeGuid(), version);
        layer.InitializeCompressionInfo(fields.GetCompressedBlobTypeGuid(), fields.GetCompressedBlobVersion(),
                                        fields.GetCompressionType());
        layer.GetRawDataPtr()->SetWithoutCopyAndDoNotTakeResponsibilityToDelete(_data, _size);
        return layer.InitializeData(_data, _size);
    }

private:
    size_t _page;
    size_t _mapped = 0;
    uint8_t* _map = nullptr;
    uint8_t* _data = nullptr;
    uint32_t _size = 0;
};

/// Sets the stored code, keeping the other compression fields.
void setCode(DataTypeCompressedBlob& layer, uint8_t code)
{
    layer.InitializeCompressionInfo(layer.GetCompressedBlobTypeGuid(), layer.GetCompressedBlobVersion(), code);
}

} // namespace

// The bytes decompress reads follow from the code and count the layer holds when it is
// called, also when the code was changed after the payload loaded: a payload that does not
// hold what they need is refused with the size text, an unknown code with the class's text,
// and nothing past the payload is read (it is loaded once into the heap and once in place
// before a page that cannot be read). Normals and positions decode a payload that holds more
// than the code needs; texture coordinates and indices take exactly their size under the
// fixed-rate codes, and a Blosc code reads the stream's own header. Set back to the code it
// was coded with, the layer decodes to the byte again.
TEST(CompressedVertexLayers, CodeChangedAfterTheLoadReadsNothingPastThePayload)
{
    const VertexSources sources;
    const char* const decodes = nullptr;
    struct Row {
        const char* name;
        std::shared_ptr<DataLayer> plain;
        std::shared_ptr<DataTypeCompressedBlob> (*make)();
        uint8_t coded; // the code the payload was made with
        uint8_t later; // the code set after the load
        const char* refusal;
    };
    const auto uvs = &makeCompressed<DataTypeCompressedVertexTextureUVs>;
    const auto indices = &makeCompressed<DataTypeCompressedVertexIndices>;
    const auto normals = &makeCompressed<DataTypeCompressedVertexNormals>;
    const auto positions = &makeCompressed<DataTypeCompressedVertexPositions>;
    const Row rows[] = {
        {"UVs, 12 bits then 16 bits", sources.uvs, uvs, 129, 128, SIZE_TEXT},
        {"UVs, 12 bits then raw", sources.uvs, uvs, 129, 0, SIZE_TEXT},
        {"UVs, 16 bits then raw", sources.uvs, uvs, 128, 0, SIZE_TEXT},
        {"UVs, 16 bits then 12 bits", sources.uvs, uvs, 128, 129, SIZE_TEXT},
        {"UVs, LZ4 then raw", sources.uvs, uvs, 2, 0, SIZE_TEXT},
        {"UVs, 12 bits then LZ4", sources.uvs, uvs, 129, 2,
         "uncompressedSizeInBytes is not equal size stored in buffer"},
        {"UVs, 16 bits then unknown", sources.uvs, uvs, 128, 77,
         "DataTypeCompressedTextureUVs UVs Compression not supported!"},
        {"indices, 16 bits then 24 bits", sources.indices, indices, 129, 128, SIZE_TEXT},
        {"indices, 16 bits then raw", sources.indices, indices, 129, 0, SIZE_TEXT},
        {"indices, 24 bits then raw", sources.indices, indices, 128, 0, SIZE_TEXT},
        {"indices, zlib then raw", sources.indices, indices, 3, 0, SIZE_TEXT},
        {"indices, 24 bits then unknown", sources.indices, indices, 128, 77,
         "DataTypeCompressedIndices Indices Compression not supported!"},
        {"normals, OCT_16 then raw", sources.normals, normals, 2, 0, SIZE_TEXT},
        {"normals, OCT_16 then OCT_32", sources.normals, normals, 2, 4, SIZE_TEXT},
        {"normals, OCT_32 then raw", sources.normals, normals, 4, 0, SIZE_TEXT},
        {"normals, OCT_16 then OCT_24", sources.normals, normals, 2, 3,
         "DataTypeCompressedNormals Compression not supported!"},
        {"normals, raw then OCT_16", sources.normals, normals, 0, 2, decodes},
        {"normals, OCT_32 then OCT_16", sources.normals, normals, 4, 2, decodes},
        {"positions, 11/11/10 then 16/16/16", sources.positions, positions, 2, 1, SIZE_TEXT},
        {"positions, 16/16/16 then raw", sources.positions, positions, 1, 0, SIZE_TEXT},
        {"positions, 11/11/10 then raw", sources.positions, positions, 2, 0, SIZE_TEXT},
        {"positions, 16/16/16 then unknown", sources.positions, positions, 1, 3,
         "DataTypeCompressedVertices Compression not supported!"},
        {"positions, raw then 16/16/16", sources.positions, positions, 0, 1, decodes},
        {"positions, 16/16/16 then 11/11/10", sources.positions, positions, 1, 2, decodes},
    };
    for (const Row& row : rows) {
        const std::shared_ptr<DataTypeCompressedBlob> valid = row.make();
        valid->InitializeHeader(HYXPurposeGuids::CAMERA_PRIMARY);
        ASSERT_TRUE(valid->compress(row.plain, row.coded)) << row.name;
        const Bytes payload = payloadOf(*valid);
        const Bytes decoded = payloadOf(*valid->decompress());
        ASSERT_EQ(decoded.size(), payloadOf(*row.plain).size()) << row.name;
        if (row.make == indices || row.coded == 0 || (row.make == uvs && row.coded < 128)) {
            EXPECT_EQ(decoded, payloadOf(*row.plain)) << row.name;
        }
        for (const bool inPlace : {false, true}) {
            SCOPED_TRACE(std::string(row.name) + (inPlace ? ", in place before a guard page" : ", copied"));
            GuardedBytes guarded(payload);
            const std::shared_ptr<DataTypeCompressedBlob> layer = row.make();
            ASSERT_TRUE(inPlace ? guarded.LoadInto(*layer, *valid, 0) : load(*layer, *valid, payload, 0));
            setCode(*layer, row.later);
            if (row.refusal) {
                EXPECT_EQ(ThrownText([&] { layer->decompress(); }), row.refusal);
            } else {
                const std::shared_ptr<DataLayer> other = layer->decompress();
                ASSERT_TRUE(other);
                EXPECT_EQ(payloadOf(*other).size(), decoded.size());
            }
            setCode(*layer, row.coded);
            EXPECT_EQ(payloadOf(*layer->decompress()), decoded);
        }
    }
}

namespace {

/// A texture of T with internal size w x h (bytes per row as the format has them) from a
/// smooth picture.
template <typename T>
std::shared_ptr<T> smoothTexture(uint16_t w, uint16_t h)
{
    auto layer = std::make_shared<T>();
    uint8_t* pixels = layer->AllocateTexture(w, h);
    const Bytes image = smoothImage(layer->GetTextureSizeInBytes(), 1, 1);
    std::copy(image.begin(), image.end(), pixels);
    return layer;
}

} // namespace

// The compressed texture under a code changed after its payload loaded: every decoder reads
// the coded bytes only (their own size, header or tokens), a code the format has no coding
// for is refused with the class's text, and set back the layer decodes to the byte again.
TEST(CompressedTexture, CodeChangedAfterTheLoadReadsNothingPastThePayload)
{
    const char* const decoderText = ""; // refused with the decoder's own text
    const struct {
        const char* name;
        std::shared_ptr<DataTypeTextureBase> plain;
        uint8_t coded;
        uint8_t later;
        const char* refusal; // null: decodes
    } rows[] = {
        {"YUV, JPEG then LZ4", smoothTexture<DataTypeTextureYUV_NV12>(16, 24), 128, 2, decoderText},
        {"RGB, LZ4 then JPEG", smoothTexture<DataTypeTextureRGB>(16, 16), 2, 130, decoderText},
        {"BGR, JPEG then RGB JPEG", smoothTexture<DataTypeTextureBGR>(16, 16), 129, 130,
         "compression type is not supported!"},
        {"DXT1, DXT1RLE then ETC2RLE", texture<DataTypeTextureDXT1>(8, 4, repeat(DXT1_PATTERN, 8, 2)), 5, 6,
         "compression type is not supported!"},
        {"IR, snappy then zlib", smoothTexture<DataTypeTextureIR>(8, 8), 1, 3, nullptr},
    };
    for (const auto& row : rows) {
        DataTypeCompressedTexture valid;
        ASSERT_TRUE(valid.compress(row.plain, row.coded)) << row.name;
        const Bytes payload = payloadOf(valid);
        const Bytes decoded = payloadOf(*valid.decompress());
        for (const bool inPlace : {false, true}) {
            SCOPED_TRACE(std::string(row.name) + (inPlace ? ", in place before a guard page" : ", copied"));
            GuardedBytes guarded(payload);
            auto layer = std::make_shared<DataTypeCompressedTexture>();
            ASSERT_TRUE(inPlace ? guarded.LoadInto(*layer, valid, 2) : load(*layer, valid, payload, 2));
            setCode(*layer, row.later);
            if (!row.refusal) {
                EXPECT_EQ(payloadOf(*layer->decompress()), decoded);
            } else if (*row.refusal) {
                EXPECT_EQ(ThrownText([&] { layer->decompress(); }), row.refusal);
            } else {
                EXPECT_FALSE(ThrownText([&] { layer->decompress(); }).empty());
            }
            setCode(*layer, row.coded);
            EXPECT_EQ(payloadOf(*layer->decompress()), decoded);
        }
    }
}

// A payload resized or replaced after the load without being read again (AllocateData, the
// raw buffer) no longer holds what the layer read from it: decompress refuses it with the size
// text and reads neither the new bytes nor the storage the load used, which may be gone; the
// text and status of positions show no box then. Loaded again, the layer decodes to the byte.
TEST(CompressedLayers, PayloadChangedAfterTheLoadIsNotRead)
{
    const VertexSources sources;
    const struct {
        const char* name;
        std::shared_ptr<DataLayer> plain;
        std::shared_ptr<DataTypeCompressedBlob> (*make)();
        uint8_t code;
        uint16_t version;
    } rows[] = {
        {"UVs", sources.uvs, &makeCompressed<DataTypeCompressedVertexTextureUVs>, 128, 0},
        {"UVs, LZ4", sources.uvs, &makeCompressed<DataTypeCompressedVertexTextureUVs>, 2, 0},
        {"indices", sources.indices, &makeCompressed<DataTypeCompressedVertexIndices>, 129, 0},
        {"normals", sources.normals, &makeCompressed<DataTypeCompressedVertexNormals>, 0, 0},
        {"positions", sources.positions, &makeCompressed<DataTypeCompressedVertexPositions>, 1, 0},
        {"texture, run-length", texture<DataTypeTextureDXT1>(8, 4, repeat(DXT1_PATTERN, 8, 2)),
         &makeCompressed<DataTypeCompressedTexture>, 5, 2},
        {"texture, snappy", smoothTexture<DataTypeTextureIR>(8, 8), &makeCompressed<DataTypeCompressedTexture>, 1, 2},
    };
    Bytes elsewhere(4096, 0xA5);
    const struct {
        const char* name;
        void (*change)(DataLayer& layer, uint32_t size, Bytes& elsewhere);
        bool boxStays; // the positions' box still lies inside the payload
    } changes[] = {
        {"grown", [](DataLayer& layer, uint32_t size, Bytes&) { layer.AllocateData(size + 64); }, false},
        {"halved", [](DataLayer& layer, uint32_t size, Bytes&) { layer.AllocateData(size / 2); }, true},
        {"emptied", [](DataLayer& layer, uint32_t, Bytes&) { layer.AllocateData(0); }, false},
        {"replaced",
         [](DataLayer& layer, uint32_t size, Bytes& other) {
             layer.GetRawDataPtr()->SetWithoutCopyAndDoNotTakeResponsibilityToDelete(other.data(), size);
         },
         false},
    };
    DataTypeCompressedVertexPositions noBox;
    noBox.updateStatusProperties();
    for (const auto& row : rows) {
        const std::shared_ptr<DataTypeCompressedBlob> valid = row.make();
        ASSERT_TRUE(valid->compress(row.plain, row.code)) << row.name;
        const Bytes payload = payloadOf(*valid);
        ASSERT_LE(payload.size(), elsewhere.size()) << row.name;
        const Bytes decoded = payloadOf(*valid->decompress());
        for (const auto& change : changes) {
            SCOPED_TRACE(std::string(row.name) + ", " + change.name);
            const std::shared_ptr<DataTypeCompressedBlob> layer = row.make();
            ASSERT_TRUE(load(*layer, *valid, payload, row.version));
            change.change(*layer, static_cast<uint32_t>(payload.size()), elsewhere);
            const std::string text = layer->ToString(false);
            layer->updateStatusProperties();
            if (std::dynamic_pointer_cast<DataTypeCompressedVertexPositions>(layer) && change.boxStays) {
                EXPECT_EQ(text, valid->ToString(false));
            } else if (std::dynamic_pointer_cast<DataTypeCompressedVertexPositions>(layer)) {
                EXPECT_NE(text.find("BoundingBox=0, 0, 0, 0, 0, 0"), std::string::npos) << text;
                for (const char* name : {"Bounding box min", "Bounding box max"})
                    EXPECT_EQ(layer->getStatusPropertyValue(name), noBox.getStatusPropertyValue(name)) << name;
            }
            EXPECT_EQ(ThrownText([&] { layer->decompress(); }), SIZE_TEXT);
            ASSERT_TRUE(load(*layer, *valid, payload, row.version));
            EXPECT_EQ(payloadOf(*layer->decompress()), decoded);
        }
    }
}

// At 16 bits, the recommended code, texture coordinates outside 0 to 1 are clamped into that
// range without a word; 12 bits refuse them before the layer changes; the Blosc codes and raw
// floats keep them as they are.
TEST(CompressedVertexLayers, UVsOutsideZeroToOne)
{
    const float inRange[2] = {0.25f, 0.75f};
    auto before = std::make_shared<DataTypeVertexTextureUVs>();
    before->Allocate(1);
    std::copy(inRange, inRange + 2, before->GetUVs());
    const struct {
        const char* name;
        uint8_t code;
        std::vector<float> in;
        std::vector<float> out; // empty: refused
    } rows[] = {
        {"16 bits, below 0", 128, {-0.5f, 0.25f}, {0.0f, 0.25f}},
        {"16 bits, above 1", 128, {1.5f, 0.25f}, {1.0f, 0.25f}},
        {"16 bits, far outside", 128, {-1000.0f, 1000.0f, 1.0f, 0.0f}, {0.0f, 1.0f, 1.0f, 0.0f}},
        {"12 bits, below 0", 129, {-0.5f, 0.25f}, {}},
        {"12 bits, above 1", 129, {1.5f, 0.25f}, {}},
        {"raw", 0, {-0.5f, 1.5f}, {-0.5f, 1.5f}},
        {"snappy", 1, {-0.5f, 1.5f}, {-0.5f, 1.5f}},
        {"LZ4", 2, {-0.5f, 1.5f}, {-0.5f, 1.5f}},
        {"zlib", 3, {-0.5f, 1.5f}, {-0.5f, 1.5f}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto uvs = std::make_shared<DataTypeVertexTextureUVs>();
        uvs->Allocate(static_cast<uint32_t>(row.in.size() / 2));
        std::copy(row.in.begin(), row.in.end(), uvs->GetUVs());
        DataTypeCompressedVertexTextureUVs coded;
        ASSERT_TRUE(coded.compress(before, row.code));
        const Bytes held = payloadOf(coded);
        if (row.out.empty()) {
            EXPECT_EQ(ThrownText<std::out_of_range>([&] { coded.compress(uvs, row.code); }),
                      "12-bit packing takes values of 0 to 1 only");
            EXPECT_EQ(payloadOf(coded), held);
            continue;
        }
        ASSERT_TRUE(coded.compress(uvs, row.code));
        auto back = std::dynamic_pointer_cast<DataTypeVertexTextureUVs>(coded.decompress());
        ASSERT_TRUE(back);
        ASSERT_EQ(back->GetNumVertices(), row.in.size() / 2);
        for (size_t i = 0; i < row.out.size(); ++i) {
            if (row.code != 128) {
                EXPECT_EQ(back->GetUVs()[i], row.out[i]) << i;
            } else if (row.out[i] == 0.0f || row.out[i] == 1.0f) {
                EXPECT_FLOAT_EQ(back->GetUVs()[i], row.out[i]) << i;
            } else {
                EXPECT_NEAR(back->GetUVs()[i], row.out[i], 1.0 / 65535) << i;
            }
        }
    }
}

TEST(CompressedTexture, RunLengthPatterns)
{
    const Bytes other = {1, 2, 3, 4, 5, 6, 7, 8};
    Bytes mixed = repeat(DXT1_PATTERN, 8, 1);
    mixed.insert(mixed.end(), other.begin(), other.end());
    mixed.insert(mixed.end(), DXT1_PATTERN, DXT1_PATTERN + 8);
    mixed.insert(mixed.end(), DXT1_PATTERN, DXT1_PATTERN + 8);
    Bytes mixedCoded = {1, 0};
    mixedCoded.insert(mixedCoded.end(), other.begin(), other.end());
    mixedCoded.push_back(2);
    Bytes otherCoded = {0};
    otherCoded.insert(otherCoded.end(), other.begin(), other.end());
    Bytes etcAsDxt = {0};
    etcAsDxt.insert(etcAsDxt.end(), ETC2_PATTERN, ETC2_PATTERN + 8);
    Bytes dxtAsEtc = {0};
    dxtAsEtc.insert(dxtAsEtc.end(), DXT1_PATTERN, DXT1_PATTERN + 8);
    const struct {
        std::shared_ptr<DataTypeTextureBase> plain;
        Bytes coded;
    } cases[] = {
        {texture<DataTypeTextureDXT1>(4, 4, repeat(DXT1_PATTERN, 8, 1)), {1}},
        {texture<DataTypeTextureDXT1>(4, 4, other), otherCoded},
        {texture<DataTypeTextureDXT1>(4 * 600, 4, repeat(DXT1_PATTERN, 8, 600)), {251, 251, 98}},
        {texture<DataTypeTextureDXT1>(16, 4, mixed), mixedCoded},
        {texture<DataTypeTextureDXT1>(4, 4, repeat(ETC2_PATTERN, 8, 1)), etcAsDxt},
        {texture<DataTypeTextureETC2>(4, 4, repeat(DXT1_PATTERN, 8, 1)), dxtAsEtc},
        {texture<DataTypeTextureETC2>(4, 4, repeat(ETC2_PATTERN, 8, 1)), {1}},
        {texture<DataTypeTextureASTC>(16, 16, repeat(ASTC_PATTERN, 16, 4)), {4}},
    };
    for (const auto& c : cases) {
        DataTypeCompressedTexture coded;
        const uint8_t code = coded.GetRecommendedCompression(c.plain);
        ASSERT_TRUE(coded.compress(c.plain, code));
        EXPECT_EQ(codedOf(coded), c.coded);
        auto back = std::dynamic_pointer_cast<DataTypeTextureBase>(reread(coded, 2)->decompress());
        ASSERT_TRUE(back);
        EXPECT_EQ(payloadOf(*back), payloadOf(*c.plain));
    }
}

TEST(CompressedTexture, AllDistinctBlocksAndPartialBlocks)
{
    Bytes distinct(8 * 128);
    std::iota(distinct.begin(), distinct.end(), uint8_t(1));
    auto plain = texture<DataTypeTextureDXT1>(64, 32, distinct);
    DataTypeCompressedTexture coded;
    ASSERT_TRUE(coded.compress(plain, 5));
    EXPECT_EQ(coded.GetCompressedSizeInBytes(), 128u * 9);
    // 3x3 DXT1 holds 4 bytes: one literal block padded with zeros, clipped on decoding.
    auto small = texture<DataTypeTextureDXT1>(3, 3, Bytes{9, 8, 7, 6});
    ASSERT_TRUE(coded.compress(small, 5));
    EXPECT_EQ((std::tuple{codedOf(coded), payloadOf(*coded.decompress())}),
              std::tuple((Bytes{0, 9, 8, 7, 6, 0, 0, 0, 0}), payloadOf(*small)));
}

TEST(CompressedTexture, MalformedStreamsAreRefused)
{
    auto plain = texture<DataTypeTextureDXT1>(8, 4, repeat(DXT1_PATTERN, 8, 2));
    DataTypeCompressedTexture coded;
    ASSERT_TRUE(coded.compress(plain, 5));
    const Bytes whole = payloadOf(coded);
    const Bytes header(whole.begin(), whole.begin() + 10);
    auto ir = std::make_shared<DataTypeTexture16BitIR>();
    ir->SetTexture(16, 16, smoothImage(16, 16, 2).data());
    DataTypeCompressedTexture codedIr;
    ASSERT_TRUE(codedIr.compress(ir, 2));
    Bytes irPayload = payloadOf(codedIr);
    irPayload[6] = 8; // internal height 8: Blosc holds twice the plain size
    const Bytes streams[] = {{3}, {1}, {0, 1, 2, 3}, {2, 0, 1, 2, 3, 4, 5, 6, 7, 8}, {}};
    for (const Bytes& stream : streams) {
        Bytes payload = header;
        payload.insert(payload.end(), stream.begin(), stream.end());
        EXPECT_THROW(withPayload(coded, payload, 2)->decompress(), std::exception) << stream.size();
    }
    EXPECT_THROW(withPayload(codedIr, irPayload, 2)->decompress(), std::exception);
}

TEST(CompressedTexture, RefusedFormatsAndCodes)
{
    auto bayer = texture<DataTypeTextureBayerRGGB>(4, 4, Bytes(16));
    auto rle = std::make_shared<DataTypeTextureDXT1RLE>();
    auto rgb = texture<DataTypeTextureRGB>(4, 4, Bytes(48));
    auto ir = texture<DataTypeTextureIR>(4, 4, Bytes(16));
    auto dxt = texture<DataTypeTextureDXT1>(4, 4, Bytes(8));
    DataTypeCompressedTexture coded;
    EXPECT_EQ(
        (std::tuple{ThrownText([&] { coded.compress(bayer, 2); }), ThrownText([&] { coded.compress(rle, 5); }),
                    ThrownText([&] { coded.GetRecommendedCompression(bayer); })}),
        std::tuple("Texture format not supported.", "Texture format not supported.", "Texture format not supported."));
    using Case = std::pair<std::shared_ptr<DataTypeTextureBase>, uint8_t>;
    for (auto [layer, code] : {Case{rgb, 129}, Case{rgb, 0}, Case{ir, 4}, Case{dxt, 2}})
        EXPECT_EQ(ThrownText([&] { coded.compress(layer, static_cast<uint8_t>(code)); }),
                  "compression type is not supported!");
}

TEST(CompressedTexture, VersionOnePayloadAndText)
{
    auto ir = texture<DataTypeTextureIR>(8, 2, smoothImage(8, 2, 1));
    DataTypeCompressedTexture coded;
    ASSERT_TRUE(coded.compress(ir, 1));
    Bytes payload = payloadOf(coded);
    payload.erase(payload.begin() + 9); // no depth byte in version 1
    auto old = withPayload(coded, payload, 1);
    EXPECT_NE(old->ToString(false).find(", Depth=16 Bit, Width=8, Height=2"), std::string::npos);
    auto back = std::dynamic_pointer_cast<DataTypeTextureBase>(old->decompress());
    ASSERT_TRUE(back);
    EXPECT_EQ(0, std::memcmp(back->GetDataPtr(), ir->GetDataPtr(), 16));
    EXPECT_NE(coded.ToString(false).find(", Depth=8 Bit"), std::string::npos);
    EXPECT_NE(coded.ToString(false).find(", CompressedVersion=1, Compression=SNAPPY"), std::string::npos);
}

TEST(CompressedTexture, VersionZeroPayloadsDecodeWithoutTheirRoom)
{
    // Version 0 decoded into 4 bytes of room after the pixels, and its Blosc streams may
    // hold them: the plain layer comes back without them, as from version 1.
    const Bytes pixels = smoothImage(32, 32, 2);
    auto ir = texture<DataTypeTexture16BitIR>(32, 32, pixels);
    DataTypeCompressedTexture current;
    ASSERT_TRUE(current.compress(ir, 2));
    Bytes header = payloadOf(current);
    header.resize(9); // no depth byte before version 2
    const auto lz4 = [&](size_t extra) {
        Bytes plain = pixels;
        plain.resize(plain.size() + extra, 0xA5);
        uint64_t size = plain.size() + 16;
        Bytes out = header;
        out.resize(header.size() + size);
        BloscCompressor::RawCompress(reinterpret_cast<const char*>(plain.data()), plain.size(), out.data() + 9, &size,
                                     CompressionBaseTypes::LZ4, 1);
        out.resize(9 + size);
        return out;
    };
    const char* const wrongSize = "uncompressed size stored in buffer differs from the expected size";
    const struct {
        uint16_t version;
        size_t extra; // plain bytes coded after the 2,048 pixel bytes
        const char* text; // null: decodes to the source texture
    } cases[] = {
        {1, 0, nullptr}, {0, 4, nullptr}, {0, 0, nullptr}, {0, 2, wrongSize}, {0, 8, wrongSize}, {1, 4, wrongSize},
    };
    for (const auto& c : cases) {
        auto stored = withPayload(current, lz4(c.extra), c.version);
        if (c.text)
            EXPECT_EQ(ThrownText([&] { stored->decompress(); }), c.text) << c.version << " " << c.extra;
        else
            EXPECT_EQ(payloadOf(*stored->decompress()), payloadOf(*ir)) << c.version << " " << c.extra;
    }

    // Every other coding reads the same from version 0: run-length blocks and JPEG.
    auto dxt = texture<DataTypeTextureDXT1>(8, 4, repeat(DXT1_PATTERN, 8, 2));
    auto rgb = texture<DataTypeTextureRGB>(16, 16, smoothImage(16, 16, 3));
    for (const auto& [plain, code] : {std::pair{std::shared_ptr<DataTypeTextureBase>(dxt), 5},
                                      std::pair{std::shared_ptr<DataTypeTextureBase>(rgb), 130}}) {
        DataTypeCompressedTexture coded;
        ASSERT_TRUE(coded.compress(plain, static_cast<uint8_t>(code)));
        Bytes payload = payloadOf(coded);
        payload.erase(payload.begin() + 9);
        EXPECT_EQ(payloadOf(*withPayload(coded, payload, 0)->decompress()), payloadOf(*coded.decompress())) << code;
    }
}

TEST(CompressedTexture, OneLayerDecodedOnTwoThreadsAtOnce)
{
    // Atoms share layers across copies: each thread must use its own codec instances.
    auto rgb = texture<DataTypeTextureRGB>(128, 96, smoothImage(128, 96, 3));
    auto coded = std::make_shared<DataTypeCompressedTexture>();
    ASSERT_TRUE(coded->compress(rgb, 130));
    const Bytes expected = payloadOf(*coded->decompress());
    std::vector<Bytes> results(2);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < results.size(); ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 20; ++i)
                results[t] = payloadOf(*coded->decompress());
        });
    for (auto& thread : threads)
        thread.join();
    for (const Bytes& result : results)
        EXPECT_EQ(result, expected);
}

TEST(CompressedLayers, ForgedPlainSizesAreRefusedBeforeAllocating)
{
    auto dxt = texture<DataTypeTextureDXT1>(4, 4, repeat(DXT1_PATTERN, 8, 1));
    auto rgb = texture<DataTypeTextureRGB>(16, 16, Bytes(16 * 16 * 3, 200));
    auto indices = std::make_shared<DataTypeVertexIndices>();
    indices->Allocate(64);
    const struct {
        std::shared_ptr<DataLayer> plain;
        std::shared_ptr<DataTypeCompressedBlob> coded;
        uint8_t code;
        size_t at; // payload offset of the forged size
        Bytes forged; // little-endian bytes written there
        const char* text;
    } cases[] = {
        // internal size 4096 x 4096 from one run-length byte
        {dxt,
         std::make_shared<DataTypeCompressedTexture>(),
         5,
         4,
         {0, 16, 0, 16},
         "run-length stream is shorter than the texture"},
        {rgb,
         std::make_shared<DataTypeCompressedTexture>(),
         130,
         4,
         {0, 16, 0, 16},
         "JPEG stream is too short for the texture size"},
        // a count of 2^28 indices over a Blosc stream of 64
        {indices,
         std::make_shared<DataTypeCompressedVertexIndices>(),
         2,
         0,
         {0, 0, 0, 16},
         "uncompressed size stored in buffer differs from the expected size"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(c.coded->compress(c.plain, c.code));
        Bytes payload = payloadOf(*c.coded);
        std::copy(c.forged.begin(), c.forged.end(), payload.begin() + static_cast<std::ptrdiff_t>(c.at));
        std::shared_ptr<DataTypeCompressedBlob> forged;
        if (auto t = std::dynamic_pointer_cast<DataTypeCompressedTexture>(c.coded))
            forged = withPayload(*t, payload, 2);
        else
            forged = withPayload(*std::static_pointer_cast<DataTypeCompressedVertexIndices>(c.coded), payload, 0);
        LargestAllocation::Reset();
        EXPECT_EQ(ThrownText([&] { forged->decompress(); }), c.text) << int(c.code);
        EXPECT_LT(LargestAllocation::Get(), size_t(1) << 20) << int(c.code);
    }
}

namespace {

/// What decompress throws, as "<type>: <what()>" with the type the header names for it.
std::string thrownBy(DataTypeCompressedBlob& layer)
{
    try {
        layer.decompress();
    } catch (const std::invalid_argument& e) {
        return std::string("invalid_argument: ") + e.what();
    } catch (const std::runtime_error& e) {
        return std::string("runtime_error: ") + e.what();
    } catch (const std::bad_alloc&) {
        return "bad_alloc";
    } catch (const std::exception& e) {
        return std::string("another std::exception: ") + e.what();
    }
    return "nothing";
}

/// A layer of the class of `valid` loaded from `payload`, with the stored type and code given.
template <typename T>
std::shared_ptr<DataTypeCompressedBlob> reloaded(T& valid, Bytes payload, const VornCommon::Guid& type, uint8_t code,
                                                 uint16_t version)
{
    auto layer = std::make_shared<T>();
    layer->InitializeHeader(valid.GetPurposeGuid(), version);
    layer->InitializeCompressionInfo(type, valid.GetCompressedBlobVersion(), code);
    layer->InitializeData(payload.data(), static_cast<uint32_t>(payload.size()));
    return layer;
}

} // namespace

// Each kind of fault decompress meets, with the exception type and text the header gives it.
TEST(CompressedLayers, DecompressThrowsTheTypesItsHeaderLists)
{
    const VertexSources sources;
    auto indices = std::make_shared<DataTypeCompressedVertexIndices>();
    ASSERT_TRUE(indices->compress(sources.indices, 128));
    auto bloscIndices = std::make_shared<DataTypeCompressedVertexIndices>();
    ASSERT_TRUE(bloscIndices->compress(sources.indices, 2));
    auto rgb = std::make_shared<DataTypeCompressedTexture>();
    ASSERT_TRUE(rgb->compress(smoothTexture<DataTypeTextureRGB>(16, 16), 130));
    auto rgbLz4 = std::make_shared<DataTypeCompressedTexture>();
    ASSERT_TRUE(rgbLz4->compress(smoothTexture<DataTypeTextureRGB>(16, 16), 2));
    auto ir = std::make_shared<DataTypeCompressedTexture>();
    ASSERT_TRUE(ir->compress(smoothTexture<DataTypeTextureIR>(8, 8), 1));
    auto dxt = std::make_shared<DataTypeCompressedTexture>();
    ASSERT_TRUE(dxt->compress(texture<DataTypeTextureDXT1>(8, 4, repeat(DXT1_PATTERN, 8, 2)), 5));
    const VornCommon::Guid indicesType = DataTypeVertexIndices::TheTypeGuid();
    const VornCommon::Guid rgbType = DataTypeTextureRGB::TheTypeGuid();
    const auto edited = [](DataTypeCompressedBlob& layer, size_t at, Bytes bytes) {
        Bytes payload = payloadOf(layer);
        std::copy(bytes.begin(), bytes.end(), payload.begin() + static_cast<std::ptrdiff_t>(at));
        return payload;
    };
    const auto cut = [](DataTypeCompressedBlob& layer, size_t size) {
        Bytes payload = payloadOf(layer);
        payload.resize(size);
        return payload;
    };
    Bytes longerRun = payloadOf(*dxt);
    longerRun.push_back(1); // one pattern block past the texture
    const std::string size = "runtime_error: compressed data does not have the expected size";
    const struct {
        const char* name;
        std::shared_ptr<DataTypeCompressedBlob> layer;
        std::string thrown; // what thrownBy gives, or its start when it ends in ": "
    } rows[] = {
        {"a code the class does not know", reloaded(*indices, payloadOf(*indices), indicesType, 200, 0),
         "invalid_argument: DataTypeCompressedIndices Indices Compression not supported!"},
        {"a code the texture's format is not coded with", reloaded(*rgb, payloadOf(*rgb), rgbType, 129, 2),
         "invalid_argument: compression type is not supported!"},
        // format byte and stored type of a 24-bit HSL texture, which has no coding
        {"a stored texture format with no coding",
         reloaded(*rgbLz4, edited(*rgbLz4, 8, {13}), DataTypeTextureHSL24::TheTypeGuid(), 2, 2),
         "invalid_argument: Texture format not supported."},
        {"a texture depth it does not know", reloaded(*ir, edited(*ir, 9, {7}), DataTypeTextureIR::TheTypeGuid(), 1, 2),
         "invalid_argument: Texture depth not supported!"},
        {"coded bytes short of the count", reloaded(*indices, cut(*indices, 10), indicesType, 128, 0), size},
        {"never loaded", std::make_shared<DataTypeCompressedVertexIndices>(), size},
        {"a texture never loaded", std::make_shared<DataTypeCompressedTexture>(), size},
        {"a Blosc code with no coded bytes", reloaded(*bloscIndices, cut(*bloscIndices, 4), indicesType, 2, 0),
         "runtime_error: compressed data missing"},
        {"a texture with no coded bytes", reloaded(*rgb, cut(*rgb, 10), rgbType, 130, 2),
         "runtime_error: compressed data missing"},
        // a Blosc stream stating another plain size: Blosc's text
        {"the count of another plain size", reloaded(*bloscIndices, edited(*bloscIndices, 0, {8}), indicesType, 2, 0),
         "runtime_error: uncompressed size stored in buffer differs from the expected size"},
        {"a damaged JPEG stream", reloaded(*rgb, edited(*rgb, 12, Bytes(40, 0x55)), rgbType, 130, 2),
         "runtime_error: jpeg-turbo error: "},
        {"run-length tokens past the texture", reloaded(*dxt, longerRun, DataTypeTextureDXT1::TheTypeGuid(), 5, 2),
         "runtime_error: run-length stream is longer than the texture"},
        {"a stored type that is no class it codes",
         reloaded(*indices, payloadOf(*indices), DataTypeVertexNormals::TheTypeGuid(), 128, 0),
         "runtime_error: compressed layer names a type it cannot decode into"},
        {"a texture's stored type that is no texture", reloaded(*rgb, payloadOf(*rgb), indicesType, 130, 2),
         "runtime_error: compressed layer names a type it cannot decode into"},
        {"a stored format that is not its stored type's",
         reloaded(*rgb, payloadOf(*rgb), DataTypeTextureBGR::TheTypeGuid(), 130, 2),
         "runtime_error: compressed texture format differs from its class"},
    };
    for (const auto& row : rows) {
        const std::string thrown = thrownBy(*row.layer);
        if (row.thrown.ends_with(": "))
            EXPECT_TRUE(thrown.starts_with(row.thrown)) << row.name << ": " << thrown;
        else
            EXPECT_EQ(thrown, row.thrown) << row.name;
    }
    // Memory that runs out while the plain layer is made.
    FailingAllocation::FailNextOnThisThread();
    EXPECT_EQ(thrownBy(*indices), "bad_alloc");
    EXPECT_EQ(payloadOf(*indices->decompress()), payloadOf(*sources.indices));
}
