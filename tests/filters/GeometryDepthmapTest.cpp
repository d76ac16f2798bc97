#include "GeometryProbe.h"

#include <algorithm>
#include <cmath>
#include <limits>

using namespace GeometryTest;
using Hyx::DepthmapHelper;
using Hyx::HyxErrorCode;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
const Guid kPositions = Hyx::DataTypeVertexPositions::TheTypeGuid();
const Guid kCamera = Hyx::DataTypeCameraParams::TheTypeGuid();

// An infrared camera of the map's own size with F = (1, 1) and C = (0, 0): the vertex
// (-col z, -row z, z) lands on sample (row, col).
std::shared_ptr<Hyx::DataTypeCameraParams> unitCamera(uint32_t w, uint32_t h)
{
    return Cameras(Camera(w, h, 1, 0, 0), Camera(w, h, 1, 0, 0));
}

std::vector<float> at(int row, int col, float z)
{
    return {-float(col) * z, -float(row) * z, z};
}

std::vector<uint16_t> rasterise(const std::vector<float>& xyz, uint32_t w, uint32_t h,
                                std::shared_ptr<Hyx::DataTypeCameraParams> camera)
{
    std::vector<uint16_t> map(size_t(w) * h, 0xABCD);
    DepthmapHelper::CreateDepthmap(xyz.data(), uint32_t(xyz.size() / 3), map.data(), w, h, camera);
    return map;
}

// The synthetic capture: a 640 x 576 infrared camera, F = 500, centred.
std::shared_ptr<Hyx::DataTypeCameraParams> capture()
{
    return Cameras(Camera(640, 480, 500, 320, 240), Camera(640, 576, 500, 320, 288));
}

} // namespace

TEST(GeometryDepthmap, StampGrowsWithTheMapSize)
{
    const struct {
        uint32_t w, h;
        int written;
    } cases[] = {{160, 180, 1}, {161, 180, 3}, {480, 240, 3}, {481, 240, 9}};
    for (const auto& c : cases) {
        const auto map = rasterise(at(50, 60, 700), c.w, c.h, unitCamera(c.w, c.h));
        EXPECT_EQ(std::count(map.begin(), map.end(), 700), c.written) << c.w << "x" << c.h;
        EXPECT_EQ(map[50 * c.w + 60], 700);
        if (c.written == 3) { // (row, col + 1) stays empty
            EXPECT_EQ(map[51 * c.w + 61] + map[51 * c.w + 60] - map[50 * c.w + 61], 1400);
        }
    }
}

TEST(GeometryDepthmap, KeepsOnlyInnerSamplesAndRepresentableDepths)
{
    const struct {
        std::vector<float> vertex;
        int row, col; // where the sample would go
        uint16_t stored;
    } cases[] = {
        {at(1, 1, 5), 1, 1, 5},       {at(8, 8, 5), 8, 8, 5},         {at(0, 4, 5), 0, 4, 0},
        {at(9, 4, 5), 9, 4, 0},       {at(4, 0, 5), 4, 0, 0},         {at(4, 9, 5), 4, 9, 0},
        {at(4, 4, 1), 4, 4, 1},       {at(4, 4, 65535), 4, 4, 65535}, {at(4, 4, 70000), 4, 4, 0},
        {at(4, 4, 0.5f), 4, 4, 0},    {{-5, -5, 0}, 4, 4, 0},         {{kNaN, -5, 1}, 4, 4, 0},
        {{-5, -5, kNaN}, 4, 4, 0},    {{-5, -5, kInf}, 4, 4, 0},      {{-1e30f, -5, 1}, 4, 4, 0},
        {{1e30f, 1e30f, 1}, 4, 4, 0}, {{-5, -5, -3}, 4, 4, 0},
    };
    for (const auto& c : cases) {
        const auto map = rasterise(c.vertex, 10, 10, unitCamera(10, 10));
        EXPECT_EQ(map[c.row * 10 + c.col], c.stored) << c.vertex[0] << " " << c.vertex[1] << " " << c.vertex[2];
        EXPECT_EQ(std::count(map.begin(), map.end(), 0), c.stored ? 99 : 100);
    }
    // No camera size, or no map: nothing is written beyond the cleared samples.
    EXPECT_EQ(rasterise(at(4, 4, 5), 10, 10, unitCamera(0, 0)), std::vector<uint16_t>(100, 0));
    std::shared_ptr<Hyx::DataTypeCameraParams> none;
    DepthmapHelper::CreateDepthmap(at(4, 4, 5).data(), 1, nullptr, 10, 10, none);
}

TEST(GeometryDepthmap, LastVertexWins)
{
    EXPECT_EQ(rasterise({-3 * 900, -3 * 900, 900, -3 * 400, -3 * 400, 400}, 10, 10, unitCamera(10, 10))[33], 400);
}

TEST(GeometryDepthmap, BoundingBoxOfTheInnerSamples)
{
    const float initial[6] = {100000 - 0.001f,  100000 - 0.001f,  100000 - 0.001f,
                              -100000 + 0.001f, -100000 + 0.001f, -100000 + 0.001f};
    std::vector<uint16_t> map(64, 0);
    map[2 * 8 + 3] = 10; // (x 3, y 2)
    map[0] = 99; // outside the visited rows and columns
    const struct {
        uint32_t w;
        int32_t h;
        int step;
        bool found;
    } cases[] = {{8, 8, 1, true},  {8, 8, 0, true},  {8, 8, -3, true}, {8, 8, 2, false}, {4, 4, 1, false},
                 {1, 5, 1, false}, {5, 1, 1, false}, {0, 0, 1, false}, {8, -8, 1, false}};
    auto camera = unitCamera(8, 8);
    for (const auto& c : cases) {
        float box[6] = {};
        DepthmapHelper::CalculateBoundingBox(box, map.data(), c.w, c.h, camera, c.step);
        const float expected[6] = {30 - 0.001f, 20 - 0.001f, 10 - 0.001f, 30 + 0.001f, 20 + 0.001f, 10 + 0.001f};
        for (int i = 0; i < 6; ++i)
            EXPECT_FLOAT_EQ(box[i], c.found ? expected[i] : initial[i]) << c.w << "x" << c.h << " step " << c.step;
    }
}

TEST(GeometryDepthmap, UnusableCameraDrawsNothingAndBoundsNothing)
{
    const float initial[6] = {100000 - 0.001f,  100000 - 0.001f,  100000 - 0.001f,
                              -100000 + 0.001f, -100000 + 0.001f, -100000 + 0.001f};
    std::vector<uint16_t> map(100, 0);
    map[4 * 10 + 4] = 10;
    const struct {
        const char* name;
        float fx, fy, cx, cy;
    } cases[] = {{"focal 0", 0, 1, 0, 0},
                 {"focal y 0", 1, 0, 0, 0},
                 {"focal NaN", kNaN, 1, 0, 0},
                 {"focal inf", 1, kInf, 0, 0},
                 {"centre NaN", 1, 1, kNaN, 0},
                 {"centre inf", 1, 1, 0, -kInf},
                 // Finite, but 1 / F or d (u - cx) / F leaves the float range.
                 {"focal denormal", 1e-40f, 1, 0, 0},
                 {"focal tiny", 1, -1e-36f, 0, 0},
                 {"focal just below 2^-32", std::nextafter(0x1p-32f, 0.0f), 1, 0, 0},
                 {"centre huge", 1, 1, 3e38f, 0},
                 {"centre hugely negative", 1, 1, 0, -3e38f},
                 {"centre just beyond 2^32", 1, 1, std::nextafter(0x1p32f, kInf), 0}};
    for (const auto& c : cases) {
        auto camera = unitCamera(10, 10);
        camera->GetIRCameraParams().F = VornCommon::Vector2f(c.fx, c.fy);
        camera->GetIRCameraParams().C = VornCommon::Vector2f(c.cx, c.cy);
        EXPECT_EQ(rasterise(at(4, 4, 5), 10, 10, camera), std::vector<uint16_t>(100, 0)) << c.name;
        float box[6] = {};
        DepthmapHelper::CalculateBoundingBox(box, map.data(), 10, 10, camera, 1);
        for (int i = 0; i < 6; ++i)
            EXPECT_FLOAT_EQ(box[i], initial[i]) << c.name;
    }
    // At the bounds, and with a focal length as large as a float holds, the box is finite.
    const struct {
        const char* name;
        float fx, fy, cx, cy;
    } usable[] = {{"focal 2^-32", 0x1p-32f, -0x1p-32f, 0, 0},
                  {"focal huge", 3e38f, -3e38f, 0, 0},
                  {"centre 2^32", 1, 1, 0x1p32f, -0x1p32f},
                  {"everything at its bound", 0x1p-32f, 0x1p-32f, -0x1p32f, 0x1p32f}};
    for (const auto& c : usable) {
        auto camera = unitCamera(10, 10);
        camera->GetIRCameraParams().F = VornCommon::Vector2f(c.fx, c.fy);
        camera->GetIRCameraParams().C = VornCommon::Vector2f(c.cx, c.cy);
        float box[6] = {};
        DepthmapHelper::CalculateBoundingBox(box, map.data(), 10, 10, camera, 1);
        for (int i = 0; i < 6; ++i)
            EXPECT_TRUE(std::isfinite(box[i])) << c.name << " " << i << ": " << box[i];
        EXPECT_NE(box[2], initial[2]) << c.name; // the sample was placed
    }
    // A flipped axis still draws.
    auto flipped = unitCamera(10, 10);
    flipped->GetIRCameraParams().F = VornCommon::Vector2f(-1, -1);
    const auto drawn = rasterise({4 * 5.0f, 4 * 5.0f, 5}, 10, 10, flipped);
    EXPECT_EQ(std::count(drawn.begin(), drawn.end(), 5), 1);
}

// Without a point the box is inverted, at exactly 100000 and -100000: the 0.001 it is widened
// by is below the float spacing there.
TEST(GeometryDepthmap, BoxWithoutAPointIsInvertedAtExactly100000)
{
    std::vector<uint16_t> zeros(100, 0), set(100, 0);
    set[4 * 10 + 4] = 10;
    auto refused = unitCamera(10, 10);
    refused->GetIRCameraParams().F = VornCommon::Vector2f(0, 1);
    std::shared_ptr<Hyx::DataTypeCameraParams> none;
    const struct {
        const char* name;
        const uint16_t* map;
        uint32_t w;
        int32_t h;
        std::shared_ptr<Hyx::DataTypeCameraParams> camera;
    } cases[] = {
        {"no sample set", zeros.data(), 10, 10, unitCamera(10, 10)},
        {"no map", nullptr, 10, 10, unitCamera(10, 10)},
        {"no camera", set.data(), 10, 10, none},
        {"camera of width 0", set.data(), 10, 10, unitCamera(0, 10)},
        {"refused focal length", set.data(), 10, 10, refused},
        {"map without inner samples", set.data(), 4, 4, unitCamera(10, 10)},
    };
    const float inverted[6] = {100000, 100000, 100000, -100000, -100000, -100000};
    for (auto c : cases) {
        float box[6] = {1, 2, 3, 4, 5, 6};
        DepthmapHelper::CalculateBoundingBox(box, c.map, c.w, c.h, c.camera, 1);
        for (int a = 0; a < 3; ++a) {
            EXPECT_EQ(box[a], inverted[a]) << c.name << " " << a;
            EXPECT_EQ(box[a + 3], inverted[a + 3]) << c.name << " " << a;
            EXPECT_GT(box[a], box[a + 3]) << c.name << " " << a;
        }
    }
    // One point gives a box the right way round.
    auto camera = unitCamera(10, 10);
    float box[6] = {};
    DepthmapHelper::CalculateBoundingBox(box, set.data(), 10, 10, camera, 1);
    for (int a = 0; a < 3; ++a)
        EXPECT_LT(box[a], box[a + 3]) << a;
}

TEST(GeometryDepthmap, FilterAddsHalfSizeMapWithThePositionsPurpose)
{
    Probe<Hyx::TransformDepthmapFromVertexPositions> filter;
    ASSERT_EQ(filter.Select({kPositions, kCamera}, {kPurposeA, kPurposeB}), HyxErrorCode::Success);
    EXPECT_EQ(filter.GetOutputProfile()->ToString(),
              Hyx::Profile(kPurposeA, Hyx::DataTypeTexture16BitDepthMap::TheTypeGuid()).ToString());
    // The camera is found by the purpose of its own input.
    auto atom = MakeAtom({WithPurpose(Positions({0, 0, 1000}), kPurposeA), WithPurpose(capture(), kPurposeB)});
    ASSERT_EQ(filter.Run(atom), HyxErrorCode::Success) << filter.Error();
    const auto map = Output<Hyx::DataTypeTexture16BitDepthMap>(*atom);
    ASSERT_TRUE(map);
    EXPECT_EQ((std::tuple{map->GetPurposeGuid(), map->GetWidth(), map->GetHeight(),
                          std::count(map->GetTextureData(), map->GetTextureData() + 320 * 288, 1000)}),
              std::tuple(kPurposeA, 320, 288, 3));

    ExpectFailures<Hyx::DataTypeTexture16BitDepthMap>(
        filter,
        {{{WithPurpose(capture(), kPurposeB)}, "(VertexPositions)"},
         {{WithPurpose(Truncated<Hyx::DataTypeVertexPositions>(24, 10), kPurposeA), WithPurpose(capture(), kPurposeB)},
          "(VertexPositions)"},
         {{WithPurpose(Positions({}), kPurposeA), WithPurpose(capture(), kPurposeA)}, "(CameraParams)"}});
}

TEST(GeometryDepthmap, PlaneSurvivesTheRoundTrip)
{
    std::vector<float> plane;
    for (float y = -200; y <= 200; y += 8)
        for (float x = -300; x <= 300; x += 8)
            plane.insert(plane.end(), {x, y, 1000});
    Probe<Hyx::TransformDepthmapFromVertexPositions> toMap;
    ASSERT_EQ(toMap.Select({kPositions, kCamera}), HyxErrorCode::Success);
    auto atom = MakeAtom({WithPurpose(Positions(plane), kPurposeA), WithPurpose(capture(), kPurposeA)});
    ASSERT_EQ(toMap.Run(atom), HyxErrorCode::Success) << toMap.Error();
    Probe<Hyx::TransformVertexPositionsFromDepthMap> back;
    ASSERT_EQ(back.Run(atom), HyxErrorCode::Success);
    const auto points = Output<Hyx::DataTypeVertexPositions>(*atom);
    ASSERT_GE(points->GetNumVertices(), plane.size() / 3);

    // One map pixel is two camera pixels: 4 units at depth 1000.
    const float footprint = 2 * 1000.0f / 500.0f;
    const float* p = points->GetVertexPositions();
    for (uint32_t i = 0; i < points->GetNumVertices(); ++i) {
        EXPECT_NEAR(p[3 * i + 2], 1000, 1);
        EXPECT_TRUE(p[3 * i] >= -300 - 2 * footprint && p[3 * i] <= 300 + 2 * footprint) << p[3 * i];
    }
    for (size_t v = 0; v < plane.size(); v += 3) {
        float best = 1e9f;
        for (uint32_t i = 0; i < points->GetNumVertices(); ++i)
            best = std::min(best, std::max(std::fabs(p[3 * i] - plane[v]), std::fabs(p[3 * i + 1] - plane[v + 1])));
        ASSERT_LE(best, footprint) << plane[v] << ", " << plane[v + 1];
    }
}
