#include "GeometryProbe.h"

#include <Hyx/DataTypeTextureRGB.h>
#include <Hyx/DataTypeTextureYUV.h>

#include <gtest/gtest.h>

#include <limits>

using namespace GeometryTest;
using namespace Hyx;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
const Guid kPositions = DataTypeVertexPositions::TheTypeGuid();
const Guid kCamera = DataTypeCameraParams::TheTypeGuid();
const Guid kRGB = DataTypeTextureRGB::TheTypeGuid();
const Guid kUVs = DataTypeVertexTextureUVs::TheTypeGuid();

// Colour camera W x H with F = 1, C = 0 and no pose: vertex (-px, -py, 1) shows at (px, py).
std::shared_ptr<DataTypeCameraParams> identityColor(uint32_t w, uint32_t h)
{
    return Cameras(Camera(w, h, 1, 0, 0), Camera(4, 4, 1, 0, 0));
}

// Pixel (x, y) holds R = x, G = y, B = 7.
std::shared_ptr<DataTypeTextureRGB> rgb(uint16_t w, uint16_t h)
{
    auto texture = std::make_shared<DataTypeTextureRGB>();
    uint8_t* p = texture->AllocateTexture(w, h);
    for (int i = 0; i < w * h; ++i, p += 3)
        p[0] = uint8_t(i % w), p[1] = uint8_t(i / w), p[2] = 7;
    return texture;
}

std::vector<uint8_t> colorsOf(const Atom& atom)
{
    const auto colors = Output<DataTypeVertexColors>(atom);
    return colors ? std::vector<uint8_t>(colors->GetColors(), colors->GetColors() + 3 * colors->GetNumVertices())
                  : std::vector<uint8_t>{};
}

} // namespace

TEST(GeometryColors, IndexUVsLookUpEachCorner)
{
    Probe<TransformIndexUVs> filter;
    ASSERT_EQ(filter.Select({DataTypeVertexIndices::TheTypeGuid(), kUVs}), HyxErrorCode::Success);
    auto coords = [](const Guid& purpose) {
        auto layer = std::make_shared<DataTypeVertexTextureUVs>();
        layer->Allocate(3);
        const float values[6] = {.1f, .2f, .3f, .4f, .5f, .6f};
        std::copy(values, values + 6, layer->GetUVs());
        return WithPurpose(layer, purpose);
    };
    auto indices = [](std::vector<uint32_t> list) {
        auto layer = std::make_shared<DataTypeVertexIndices>();
        layer->Allocate(uint32_t(list.size()));
        std::copy(list.begin(), list.end(), layer->GetIndices());
        return WithPurpose(layer, kPurposeA);
    };
    auto atom = MakeAtom({indices({0, 2, 1}), coords(kPurposeA)});
    ASSERT_EQ(filter.Run(atom), HyxErrorCode::Success);
    const auto corners = Output<DataTypeIndexUVs>(*atom);
    EXPECT_EQ((std::tuple{corners->GetPurposeGuid(), std::vector<float>(corners->GetUVs(), corners->GetUVs() + 6)}),
              std::tuple(kPurposeA, (std::vector<float>{.1f, .2f, .5f, .6f, .3f, .4f})));
    ExpectFailures<DataTypeIndexUVs>(
        filter,
        {{{indices({0, 99, 1}), coords(kPurposeA)}, "(VertexTextureUVs)"},
         {{indices({3}), coords(kPurposeA)}, "(VertexTextureUVs)"},
         {{indices({0}), coords(kPurposeB)}, "(VertexTextureUVs)"},
         {{indices({0}), WithPurpose(Truncated<DataTypeVertexTextureUVs>(0, 5), kPurposeA)}, "(VertexTextureUVs)"},
         {{WithPurpose(Truncated<DataTypeVertexIndices>(0, 5), kPurposeA), coords(kPurposeA)}, "(VertexIndices)"}});
}

TEST(GeometryColors, CameraUVsAreClampedPixelCorners)
{
    // Colour 640 x 480, F 100, C (320, 240), moved by (0.5, 0, 0); infrared 512 x 424, F 100.
    auto cameras = WithPurpose(Cameras(Camera(640, 480, 100, 320, 240), Camera(512, 424, 100, 0, 0)), kPurposeB);
    cameras->GetColorCameraParams().translation = VornCommon::Vector3f(0.5f, 0, 0);
    const struct {
        bool colour;
        std::vector<float> vertex;
        int px, py; // u = px / W, v = py / H
    } cases[] = {
        {true, {0, 0, 1}, 370, 240},
        {true, {10, 10, 1}, 0, 0},
        {true, {-10, -10, 1}, 639, 479},
        {true, {kNaN, 0, 1}, 0, 0},
        {true, {-1e30f, 0, 1}, 639, 240},
        {true, {0, 0, 0}, 639, 0},
        {false, {5.116f, 0.102f, -1}, 511, 10},
        {false, {-1, -1, -1}, 0, 0},
    };
    Probe<TransformVertexTextureUVsColor> colour;
    Probe<TransformVertexTextureUVsIr> ir;
    ASSERT_EQ(colour.Select({kPositions, kCamera}, {kPurposeA, kPurposeB}), HyxErrorCode::Success);
    ASSERT_EQ(ir.Select({kPositions, kCamera}, {kPurposeA, kPurposeB}), HyxErrorCode::Success);
    for (const auto& c : cases) {
        auto atom = MakeAtom({WithPurpose(Positions(c.vertex), kPurposeA), cameras});
        ASSERT_EQ(c.colour ? colour.Run(atom) : ir.Run(atom), HyxErrorCode::Success);
        const auto uvs = Output<DataTypeVertexTextureUVs>(*atom);
        EXPECT_EQ(uvs->GetPurposeGuid(), c.colour ? kRGB : DataTypeTextureIR::TheTypeGuid());
        const float w = c.colour ? 640 : 512, h = c.colour ? 480 : 424;
        EXPECT_EQ(uvs->GetUVs()[0], float(c.px) * (1 / w)) << c.vertex[0] << " " << c.vertex[1];
        EXPECT_EQ(uvs->GetUVs()[1], float(c.py) * (1 / h)) << c.vertex[0] << " " << c.vertex[1];
    }
    ExpectFailures<DataTypeVertexTextureUVs>(
        ir, {{{WithPurpose(Positions({0, 0, 1}), kPurposeB), cameras}, "(VertexPositions)"},
             {{WithPurpose(Truncated<DataTypeVertexPositions>(24, 3), kPurposeA), cameras}, "(VertexPositions)"},
             {{WithPurpose(Positions({0, 0, 1}), kPurposeA)}, "(CameraParams)"}});
}

TEST(GeometryColors, TextureColoursFollowTheClampedProjection)
{
    Probe<TransformVertexColorsFromTextureRGB> filter;
    ASSERT_EQ(filter.Select({kPositions, kCamera, kRGB}), HyxErrorCode::Success);
    // (3.2, -500.7, 1) projects to (-3.2, 500.7): pixel (0, 479); not a number: (0, 0).
    auto atom = MakeAtom({Positions({3.2f, -500.7f, 1, kNaN, 0, 1}), identityColor(640, 480), rgb(640, 480)});
    ASSERT_EQ(filter.Run(atom), HyxErrorCode::Success);
    EXPECT_EQ(colorsOf(*atom), (std::vector<uint8_t>{0, 479 & 255, 7, 0, 0, 7}));
    auto empty = MakeAtom({Positions({}), identityColor(640, 480), rgb(640, 480)});
    ASSERT_EQ(filter.Run(empty), HyxErrorCode::Success);
    EXPECT_TRUE(Output<DataTypeVertexColors>(*empty) && colorsOf(*empty).empty());

    // A YUV texture stored as 640 x 720 is 640 x 480.
    Probe<TransformVertexColorsFromTextureYUV_NV12> yuv;
    ASSERT_EQ(yuv.Select({kPositions, kCamera, DataTypeTextureYUV_NV12::TheTypeGuid()}), HyxErrorCode::Success);
    auto nv12 = std::make_shared<DataTypeTextureYUV_NV12>();
    std::fill_n(nv12->AllocateTexture(640, 720), 640 * 720, uint8_t(128));
    EXPECT_EQ(yuv.Run(MakeAtom({Positions({0, 0, 1}), identityColor(640, 480), nv12})), HyxErrorCode::Success);

    auto noPixels = Truncated<DataTypeTextureRGB>(0, 640 | 480 << 16);
    ExpectFailures<DataTypeVertexColors>(
        filter,
        {{{Positions({0, 0, 1}), rgb(640, 480)}, "(CameraParams)"},
         {{Positions({0, 0, 1}), identityColor(640, 480)}, "(TextureRGB)"},
         {{Positions({0, 0, 1}), identityColor(640, 480), noPixels}, "(TextureRGB)"},
         {{identityColor(640, 480), rgb(640, 480)}, "(VertexPositions)"},
         {{Truncated<DataTypeVertexPositions>(24, 3), identityColor(640, 480), rgb(640, 480)}, "(VertexPositions)"}});
    ExpectFailures<DataTypeVertexColors>(filter,
                                         {{{Positions({0, 0, 1}), identityColor(640, 481), rgb(640, 480)},
                                           "(Width/Height mismatch between ColorTexture and CameraParams!)"}},
                                         HyxErrorCode::FilterError);
}

TEST(GeometryColors, ColoursFromUVsTruncateAndClamp)
{
    const auto texture = rgb(100, 50);
    const float uvs[] = {1, 1, 0.999f, 0.5f, -0.3f, -2, kNaN, 0.02f, 5, kNaN};
    uint8_t colors[15] = {};
    TransformVertexColorsFromUVs::GetVertexColorsFromUVs(5, colors, uvs, texture);
    EXPECT_EQ(std::vector<uint8_t>(colors, colors + 15),
              (std::vector<uint8_t>{99, 49, 7, 98, 24, 7, 0, 0, 7, 0, 0, 7, 99, 0, 7}));
    for (auto none : {std::make_shared<DataTypeTextureRGB>(), std::shared_ptr<DataTypeTextureRGB>()}) {
        std::fill_n(colors, 15, uint8_t(1));
        TransformVertexColorsFromUVs::GetVertexColorsFromUVs(5, colors, uvs, none);
        EXPECT_EQ(std::vector<uint8_t>(colors, colors + 15), std::vector<uint8_t>(15, 0)); // black
    }

    Probe<TransformVertexColorsFromUVs> filter;
    ASSERT_EQ(filter.Select({kUVs, kRGB}, {kPurposeB, kPurposeA}), HyxErrorCode::Success);
    auto layer = std::make_shared<DataTypeVertexTextureUVs>();
    layer->Allocate(2);
    std::copy(uvs, uvs + 4, layer->GetUVs());
    auto atom = MakeAtom({layer, texture});
    ASSERT_EQ(filter.Run(atom), HyxErrorCode::Success);
    EXPECT_EQ((std::tuple{colorsOf(*atom), Output<DataTypeVertexColors>(*atom)->GetPurposeGuid()}),
              std::tuple((std::vector<uint8_t>{99, 49, 7, 98, 24, 7}), kPurposeB));
    ExpectFailures<DataTypeVertexColors>(filter,
                                         {{{texture}, "(VertexTextureUVs)"},
                                          {{Truncated<DataTypeVertexTextureUVs>(0, 4), texture}, "(VertexTextureUVs)"},
                                          {{layer}, "(TextureRGB)"}});
}
