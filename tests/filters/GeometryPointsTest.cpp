#include "GeometryProbe.h"

#include <cmath>

using namespace GeometryTest;
using Hyx::HyxErrorCode;

namespace {

using Plain = Probe<Hyx::TransformVertexPositionsFromDepthMap>;
using Super = Probe<Hyx::TransformVertexPositionsFromSupersampledDepthMap>;

// A 4 x 4 infrared camera, f = 1 camera pixel per map pixel for 4-wide maps.
std::shared_ptr<Hyx::DataTypeCameraParams> camera(float fx = 2, float fy = 2)
{
    VornCommon::CameraParams ir = Camera(4, 4, fx, 1, 1);
    ir.F.y = fy;
    return Cameras(Camera(4, 4, 1, 0, 0), ir);
}

template <class F>
std::vector<float> run(F& filter, std::shared_ptr<Hyx::DataLayer> map, std::shared_ptr<Hyx::DataLayer> cam = camera())
{
    auto atom = MakeAtom({cam, map});
    EXPECT_EQ(filter.Run(atom), HyxErrorCode::Success) << filter.Error();
    const auto points = Output<Hyx::DataTypeVertexPositions>(*atom);
    if (!points)
        return {};
    EXPECT_EQ(points->GetPurposeGuid(), filter.TypeGuid());
    const float* p = points->GetVertexPositions();
    return std::vector<float>(p, p + 3 * points->GetNumVertices());
}

std::vector<float> depths(const std::vector<float>& xyz)
{
    std::vector<float> z;
    for (size_t i = 2; i < xyz.size(); i += 3)
        z.push_back(xyz[i]);
    return z;
}

} // namespace

TEST(GeometryPoints, PlainIsColumnMajorWithFxAndFy)
{
    Plain filter;
    // 4 x 2 map; f = 1, C = (1, 1), fx = 2, fy = 4: a point is (-d(u-1)/2, -d(v-1)/4, d).
    const auto points = run(filter, DepthMap(4, 2, {10, 0, 0, 40, 0, 20, 0, 80}), camera(2, 4));
    EXPECT_EQ(points, (std::vector<float>{5, 2.5f, 10, 0, 0, 20, -40, 10, 40, -80, 0, 80}));
    EXPECT_TRUE(run(filter, DepthMap(4, 2, std::vector<uint16_t>(8, 0))).empty());
}

TEST(GeometryPoints, RandomSamplesRepeatAndComeFromTheMap)
{
    // "Num Points" is listed once random sampling was on when the parameters were made.
    auto randomFilter = [](Plain& filter) {
        EXPECT_EQ(filter.getParameterByName("Num Points"), nullptr);
        filter.setParameterValue("Random Sampling", "1");
        filter.RecreateParams();
    };
    Plain filter;
    randomFilter(filter);
    const struct {
        const char* numPoints;
        size_t expected;
    } cases[] = {{"300", 300}, {"-5", 100}, {"2000000000", 1000000}};
    for (const auto& c : cases) {
        ASSERT_TRUE(filter.setParameterValue("Num Points", c.numPoints));
        const auto points = run(filter, DepthMap(4, 2, {0, 7, 7, 7, 7, 7, 7, 0}));
        ASSERT_EQ(points.size(), 3 * c.expected) << c.numPoints;
        for (size_t i = 0; i < points.size(); i += 3) {
            const bool fromMap = points[i + 2] == 7;
            ASSERT_TRUE(fromMap || (points[i] == 0 && points[i + 1] == 0 && points[i + 2] == 0));
        }
    }
    // The generator belongs to the filter: two filters make the same points.
    Plain one, two;
    randomFilter(one);
    randomFilter(two);
    const auto map = DepthMap(4, 2, {0, 7, 1, 2, 3, 4, 5, 6});
    EXPECT_EQ(run(one, map), run(two, map));
}

TEST(GeometryPoints, SupersamplingInterpolatesOnlyCloseNeighbours)
{
    const struct {
        const char* s;
        const char* nearCut;
        std::vector<uint16_t> map; // 2 x 2 unless width says otherwise
        uint16_t width;
        std::vector<float> expectedDepths;
    } cases[] = {
        {"1", "0", {500, 500, 500, 500}, 2, {500}},
        {"2", "0", {500, 500, 500, 500}, 2, {500, 500, 500, 500}},
        {"2", "0", {1000, 0, 1000, 0}, 2, {1000, 1000, 1000, 1000}},
        {"2", "0", {1000, 1200, 1000, 1200}, 2, {1000, 1100, 1000, 1100}},
        {"1", "50", {30000, 40000, 0, 30000, 40000, 0}, 3, {40000}},
        {"1", "0", {0, 0, 0, 0}, 2, {0}},
        {"1", "0", {9, 9}, 2, {0}}, // one row: no grid, the origin point
        {"-1", "0", {500, 500, 500, 500}, 2, {500}},
        {"1e30", "0", {500, 500, 500, 500}, 2, std::vector<float>(100, 500)},
        {"nan", "0", {500, 500, 500, 500}, 2, {500}},
    };
    for (const auto& c : cases) {
        Super filter;
        ASSERT_TRUE(filter.setParameterValue("SuperSampling (1.0 normal)", c.s));
        ASSERT_TRUE(filter.setParameterValue("Near plane cutter (%)", c.nearCut));
        const uint16_t height = uint16_t(c.map.size() / c.width);
        const auto points = run(filter, DepthMap(c.width, height, c.map));
        EXPECT_EQ(depths(points), c.expectedDepths) << "s " << c.s << ", near " << c.nearCut;
        if (c.expectedDepths == std::vector<float>{0}) {
            EXPECT_EQ(points, (std::vector<float>{0, 0, 0}));
        }
    }
}

TEST(GeometryPoints, SupersampledPointsUseTheUnroundedPixel)
{
    Super filter;
    filter.setParameterValue("SuperSampling (1.0 normal)", "2");
    // f = 1, C = (1, 1), fx = fy = 2: the sample at x = 0.5 is at u = 0.5.
    const auto points =
        run(filter, DepthMap(2, 2, {400, 400, 400, 400}), Cameras(Camera(4, 4, 1, 0, 0), Camera(2, 2, 2, 1, 1)));
    ASSERT_EQ(points.size(), 12u);
    EXPECT_EQ((std::vector<float>(points.begin(), points.begin() + 6)),
              (std::vector<float>{200, 200, 400, 100, 200, 400}));
}

TEST(GeometryPoints, UnusableInputsDropTheAtom)
{
    auto noPixels = Truncated<Hyx::DataTypeTexture16BitDepthMap>(0, 4 | 2 << 16); // 4 x 2, no samples
    const struct {
        std::shared_ptr<Hyx::DataLayer> map, camera;
    } cases[] = {
        {nullptr, camera()},
        {DepthMap(2, 2, {1, 1, 1, 1}), nullptr},
        {noPixels, camera()},
        {DepthMap(0, 0, {}), camera()},
    };
    Plain plain;
    Super super;
    for (const auto& c : cases) {
        auto atom = MakeAtom({c.camera, c.map});
        EXPECT_EQ((std::tuple{plain.Run(atom), super.Run(atom), bool(Output<Hyx::DataTypeVertexPositions>(*atom)),
                              plain.Error()}),
                  std::tuple(HyxErrorCode::NoDataAvailable, HyxErrorCode::NoDataAvailable, false, ""));
    }
    // A camera that is there but cannot project is an error with its text, not a dropped atom.
    const struct {
        std::shared_ptr<Hyx::DataLayer> camera;
        const char* text;
    } unusable[] = {
        {camera(0, 2), "(CameraParams 'IR F' must be finite and at least 2^-32 in magnitude: (0, 2))"},
        {camera(2, 0), "(CameraParams 'IR F' must be finite and at least 2^-32 in magnitude: (2, 0))"},
        {Cameras(Camera(4, 4, 1, 0, 0), Camera(0, 4, 1, 0, 0)), "(CameraParams 'IR width' must be above 0: 0)"},
    };
    for (const auto& c : unusable) {
        auto atom = MakeAtom({c.camera, DepthMap(2, 2, {1, 1, 1, 1})});
        EXPECT_EQ((std::tuple{plain.Run(atom), super.Run(atom), bool(Output<Hyx::DataTypeVertexPositions>(*atom))}),
                  std::tuple(HyxErrorCode::FilterError, HyxErrorCode::FilterError, false));
        EXPECT_NE(plain.Error().find(c.text), std::string::npos) << plain.Error();
        EXPECT_NE(super.Error().find(c.text), std::string::npos) << super.Error();
    }
}
