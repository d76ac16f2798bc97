#include "GeometryProbe.h"

#include <Hyx/DataLayerFactory.h>
#include <Hyx/DataTypeTextureHSL.h>
#include <Hyx/DataTypeTextureRGB.h>
#include <Hyx/DataTypeTextureYUV.h>
#include <Hyx/FilterFactory.h>

#include <gtest/gtest.h>

#include <functional>
#include <limits>

using namespace GeometryTest;
using Hyx::HyxErrorCode;

namespace {

const Guid kPurposeA = Hyx::GuidLiteral("A0000000-0000-0000-0000-00000000000A");
const Guid kPurposeB = Hyx::GuidLiteral("B0000000-0000-0000-0000-00000000000B");
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

const Guid kPositions = Hyx::DataTypeVertexPositions::TheTypeGuid();
const Guid kCamera = Hyx::DataTypeCameraParams::TheTypeGuid();

// Colour camera W x H with F = (1, 1), C = (0, 0), identity pose: the vertex (-px, -py, 1)
// projects to pixel (px, py).
std::shared_ptr<Hyx::DataTypeCameraParams> identityColor(uint32_t w, uint32_t h)
{
    return Cameras(Camera(w, h, 1, 0, 0), Camera(4, 4, 1, 0, 0));
}

std::shared_ptr<Hyx::DataTypeTextureRGB> rgb(uint16_t w, uint16_t h)
{
    auto texture = std::make_shared<Hyx::DataTypeTextureRGB>();
    uint8_t* p = texture->AllocateTexture(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x, p += 3)
            p[0] = uint8_t(x), p[1] = uint8_t(y), p[2] = 7;
    return texture;
}

std::vector<uint8_t> colorsOf(const Hyx::Atom& atom)
{
    const auto colors = Output<Hyx::DataTypeVertexColors>(atom);
    if (!colors)
        return {};
    return std::vector<uint8_t>(colors->GetColors(), colors->GetColors() + 3 * colors->GetNumVertices());
}

// An 8 x 8 checkerboard of 2 x 2 cells in every colour leaf's format.
bool whiteCell(int x, int y)
{
    return (x / 2 + y / 2) % 2 != 0;
}

std::shared_ptr<Hyx::DataTypeTextureBase> checkerboard(const Guid& type)
{
    auto texture = std::dynamic_pointer_cast<Hyx::DataTypeTextureBase>(
        Hyx::DataLayerFactory::CreateDataLayer(type, Guid()).ToStdSharedPtr());
    const bool yuv = dynamic_cast<Hyx::DataTypeTextureYUV*>(texture.get()) != nullptr;
    uint8_t* p = texture->AllocateTexture(8, yuv ? 12 : 8);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            const bool white = whiteCell(x, y);
            switch (texture->GetTextureFormat()) {
            case Hyx::TextureFormat::HSL24: // H, S, L
                p[(y * 8 + x) * 3 + 2] = white ? 255 : 0, p[(y * 8 + x) * 3] = p[(y * 8 + x) * 3 + 1] = 0;
                break;
            case Hyx::TextureFormat::HSL30: {
                const uint32_t v = white ? 1023u << 20 : 0;
                std::memcpy(p + (y * 8 + x) * 4, &v, 4);
                break;
            }
            case Hyx::TextureFormat::RGB:
            case Hyx::TextureFormat::BGR: std::memset(p + (y * 8 + x) * 3, white ? 255 : 0, 3); break;
            default: p[y * 8 + x] = white ? 235 : 16; // luma
            }
        }
    }
    if (yuv)
        std::memset(p + 64, 128, 32); // neutral chroma
    return texture;
}

} // namespace

TEST(GeometryColors, IndexUVsLookUpEachCorner)
{
    Probe<Hyx::TransformIndexUVs> filter;
    ASSERT_EQ(filter.Select({{kPurposeA, Hyx::DataTypeVertexIndices::TheTypeGuid()},
                             {kPurposeA, Hyx::DataTypeVertexTextureUVs::TheTypeGuid()}}),
              HyxErrorCode::Success);
    auto coords = [](const Guid& purpose) {
        auto layer = std::make_shared<Hyx::DataTypeVertexTextureUVs>();
        layer->Allocate(3);
        const float values[6] = {.1f, .2f, .3f, .4f, .5f, .6f};
        std::memcpy(layer->GetUVs(), values, sizeof values);
        return WithPurpose(layer, purpose);
    };
    auto indices = [](std::vector<uint32_t> list) {
        auto layer = std::make_shared<Hyx::DataTypeVertexIndices>();
        layer->Allocate(uint32_t(list.size()));
        std::copy(list.begin(), list.end(), layer->GetIndices());
        return WithPurpose(layer, kPurposeA);
    };
    auto atom = MakeAtom({indices({0, 2, 1}), coords(kPurposeA)});
    ASSERT_EQ(filter.Run(atom), HyxErrorCode::Success);
    const auto corners = Output<Hyx::DataTypeIndexUVs>(*atom);
    EXPECT_EQ(corners->GetPurposeGuid(), kPurposeA);
    EXPECT_EQ(std::vector<float>(corners->GetUVs(), corners->GetUVs() + 6),
              (std::vector<float>{.1f, .2f, .5f, .6f, .3f, .4f}));

    const struct {
        std::shared_ptr<Hyx::DataLayer> indices, uvs;
        const char* missing;
    } failures[] = {
        {indices({0, 99, 1}), coords(kPurposeA), "VertexTextureUVs"},
        {indices({3}), coords(kPurposeA), "VertexTextureUVs"},
        {indices({0}), coords(kPurposeB), "VertexTextureUVs"},
        {indices({0}), WithPurpose(Truncated<Hyx::DataTypeVertexTextureUVs>(0, 5), kPurposeA), "VertexTextureUVs"},
        {WithPurpose(Truncated<Hyx::DataTypeVertexIndices>(0, 5), kPurposeA), coords(kPurposeA), "VertexIndices"},
    };
    for (const auto& f : failures) {
        auto frame = MakeAtom({f.indices, f.uvs});
        EXPECT_EQ(filter.Run(frame), HyxErrorCode::FilterFailedToGetDataLayer);
        EXPECT_NE(filter.Error().find(std::string("(") + f.missing + ")"), std::string::npos) << filter.Error();
        EXPECT_FALSE(Output<Hyx::DataTypeIndexUVs>(*frame));
    }
}

TEST(GeometryColors, CameraUVsAreClampedPixelCorners)
{
    // Colour camera 640 x 480, F = 100, C = (320, 240), translation (0.5, 0, 0); infrared
    // camera 512 x 424, F = 100, C = 0.
    auto cameras = Cameras(Camera(640, 480, 100, 320, 240), Camera(512, 424, 100, 0, 0));
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
    Probe<Hyx::TransformVertexTextureUVsColor> colour;
    Probe<Hyx::TransformVertexTextureUVsIr> ir;
    for (auto* filter : std::initializer_list<Hyx::TransformVertexTextureUVsBase*>{&colour, &ir})
        ASSERT_EQ(filter->SetInputProfile(nullptr,
                                          [] {
                                              auto p = std::make_shared<Hyx::Profile>(kPurposeA, kPositions);
                                              p->Add(kPurposeB, kCamera);
                                              return p;
                                          }()),
                  HyxErrorCode::Success);
    for (const auto& c : cases) {
        auto atom = MakeAtom({WithPurpose(Positions(c.vertex), kPurposeA), WithPurpose(cameras, kPurposeB)});
        const HyxErrorCode code = c.colour ? colour.Run(atom) : ir.Run(atom);
        ASSERT_EQ(code, HyxErrorCode::Success);
        const auto uvs = Output<Hyx::DataTypeVertexTextureUVs>(*atom);
        EXPECT_EQ(uvs->GetPurposeGuid(),
                  c.colour ? Hyx::DataTypeTextureRGB::TheTypeGuid() : Hyx::DataTypeTextureIR::TheTypeGuid());
        const float w = c.colour ? 640 : 512, h = c.colour ? 480 : 424;
        EXPECT_EQ(uvs->GetUVs()[0], float(c.px) * (1 / w)) << c.vertex[0] << " " << c.vertex[1] << " " << c.vertex[2];
        EXPECT_EQ(uvs->GetUVs()[1], float(c.py) * (1 / h)) << c.vertex[0] << " " << c.vertex[1] << " " << c.vertex[2];
    }
    // Inputs are found by their own purposes.
    auto wrong = MakeAtom({WithPurpose(Positions({0, 0, 1}), kPurposeB), WithPurpose(cameras, kPurposeB)});
    EXPECT_EQ(colour.Run(wrong), HyxErrorCode::FilterFailedToGetDataLayer);
    auto noCamera = MakeAtom({WithPurpose(Positions({0, 0, 1}), kPurposeA), WithPurpose(cameras, kPurposeA)});
    EXPECT_EQ(ir.Run(noCamera), HyxErrorCode::FilterFailedToGetDataLayer);
    EXPECT_NE(ir.Error().find("(CameraParams)"), std::string::npos);
}

namespace {

// Runs one frame through a new leaf given (positions, camera, texture) with purpose A.
using LeafRun = std::function<HyxErrorCode(const std::shared_ptr<Hyx::Atom>&, std::string& error)>;

template <class Leaf>
LeafRun leaf(const Guid& textureType)
{
    auto filter = std::make_shared<Probe<Leaf>>();
    auto profile = std::make_shared<Hyx::Profile>(kPurposeA, kPositions);
    profile->Add(kPurposeA, kCamera);
    profile->Add(kPurposeA, textureType);
    EXPECT_EQ(filter->SetInputProfile(nullptr, profile), HyxErrorCode::Success);
    return [filter](const std::shared_ptr<Hyx::Atom>& atom, std::string& error) {
        const HyxErrorCode code = filter->Run(atom);
        error = filter->Error();
        return code;
    };
}

} // namespace

TEST(GeometryColors, EveryLeafColoursACheckerboard)
{
    using namespace Hyx;
    const struct {
        LeafRun run;
        Guid texture;
    } leaves[] = {
        {leaf<TransformVertexColorsFromTextureRGB>(DataTypeTextureRGB::TheTypeGuid()),
         DataTypeTextureRGB::TheTypeGuid()},
        {leaf<TransformVertexColorsFromTextureBGR>(DataTypeTextureBGR::TheTypeGuid()),
         DataTypeTextureBGR::TheTypeGuid()},
        {leaf<TransformVertexColorsFromTextureYUV_NV12>(DataTypeTextureYUV_NV12::TheTypeGuid()),
         DataTypeTextureYUV_NV12::TheTypeGuid()},
        {leaf<TransformVertexColorsFromTextureYUV_NV21>(DataTypeTextureYUV_NV21::TheTypeGuid()),
         DataTypeTextureYUV_NV21::TheTypeGuid()},
        {leaf<TransformVertexColorsFromTextureYUV_NVX>(DataTypeTextureYUV_NVX::TheTypeGuid()),
         DataTypeTextureYUV_NVX::TheTypeGuid()},
        {leaf<TransformVertexColorsFromTextureHSL24>(DataTypeTextureHSL24::TheTypeGuid()),
         DataTypeTextureHSL24::TheTypeGuid()},
        {leaf<TransformVertexColorsFromTextureHSL30>(DataTypeTextureHSL30::TheTypeGuid()),
         DataTypeTextureHSL30::TheTypeGuid()},
    };
    std::vector<float> grid;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            grid.insert(grid.end(), {-float(x), -float(y), 1});
    for (const auto& l : leaves) {
        // A spoilt texture first: the one added last is used.
        auto stale = checkerboard(l.texture);
        std::fill_n(stale->GetDataPtr(), 8, uint8_t(90));
        auto atom =
            MakeAtom({WithPurpose(Positions(grid), kPurposeA), identityColor(8, 8), stale, checkerboard(l.texture)});
        std::string error;
        ASSERT_EQ(l.run(atom, error), HyxErrorCode::Success) << error;
        const auto colors = colorsOf(*atom);
        ASSERT_EQ(colors.size(), 64u * 3);
        EXPECT_EQ(Output<DataTypeVertexColors>(*atom)->GetPurposeGuid(), kPurposeA);
        for (int i = 0; i < 64 * 3; ++i) {
            const bool white = whiteCell(i / 3 % 8, i / 24);
            ASSERT_TRUE(white ? colors[i] >= 250 : colors[i] <= 5)
                << l.texture.ToHexString().StdString() << " byte " << i;
        }
    }
}

TEST(GeometryColors, TextureColoursFollowTheClampedProjection)
{
    Probe<Hyx::TransformVertexColorsFromTextureRGB> filter;
    auto profile = std::make_shared<Hyx::Profile>(kPurposeA, kPositions);
    profile->Add(kPurposeA, kCamera);
    profile->Add(kPurposeA, Hyx::DataTypeTextureRGB::TheTypeGuid());
    ASSERT_EQ(filter.SetInputProfile(nullptr, profile), HyxErrorCode::Success);
    // (3.2, -500.7, 1) projects to (-3.2, 500.7): pixel (0, 479).
    auto atom = MakeAtom({Positions({3.2f, -500.7f, 1, kNaN, 0, 1}), identityColor(640, 480), rgb(640, 480)});
    ASSERT_EQ(filter.Run(atom), HyxErrorCode::Success);
    EXPECT_EQ(colorsOf(*atom), (std::vector<uint8_t>{0, 479 & 255, 7, 0, 0, 7}));
    auto empty = MakeAtom({Positions({}), identityColor(640, 480), rgb(640, 480)});
    ASSERT_EQ(filter.Run(empty), HyxErrorCode::Success);
    EXPECT_TRUE(Output<Hyx::DataTypeVertexColors>(*empty));
    EXPECT_TRUE(colorsOf(*empty).empty());

    // A YUV texture stored 640 x 720 is 640 x 480.
    Probe<Hyx::TransformVertexColorsFromTextureYUV_NV12> yuv;
    profile->RemoveAllByType(Hyx::DataTypeTextureRGB::TheTypeGuid());
    profile->Add(kPurposeA, Hyx::DataTypeTextureYUV_NV12::TheTypeGuid());
    ASSERT_EQ(yuv.SetInputProfile(nullptr, profile), HyxErrorCode::Success);
    auto nv12 = std::make_shared<Hyx::DataTypeTextureYUV_NV12>();
    std::fill_n(nv12->AllocateTexture(640, 720), 640 * 720, uint8_t(128));
    EXPECT_EQ(yuv.Run(MakeAtom({Positions({0, 0, 1}), identityColor(640, 480), nv12})), HyxErrorCode::Success);

    auto noPixels = std::make_shared<Hyx::DataTypeTextureRGB>();
    const uint8_t header[4] = {128, 2, 224, 1}; // 640 x 480, no pixels
    noPixels->InitializeData(const_cast<uint8_t*>(header), 4);
    const struct {
        std::vector<std::shared_ptr<Hyx::DataLayer>> layers;
        HyxErrorCode code;
        const char* info;
    } failures[] = {
        {{Positions({0, 0, 1}), rgb(640, 480)}, HyxErrorCode::FilterFailedToGetDataLayer, "(CameraParams)"},
        {{Positions({0, 0, 1}), identityColor(640, 480)}, HyxErrorCode::FilterFailedToGetDataLayer, "(TextureRGB)"},
        {{Positions({0, 0, 1}), identityColor(640, 480), noPixels},
         HyxErrorCode::FilterFailedToGetDataLayer,
         "(TextureRGB)"},
        {{identityColor(640, 480), rgb(640, 480)}, HyxErrorCode::FilterFailedToGetDataLayer, "(VertexPositions)"},
        {{Truncated<Hyx::DataTypeVertexPositions>(24, 3), identityColor(640, 480), rgb(640, 480)},
         HyxErrorCode::FilterFailedToGetDataLayer,
         "(VertexPositions)"},
        {{Positions({0, 0, 1}), identityColor(640, 481), rgb(640, 480)},
         HyxErrorCode::FilterError,
         "Width/Height mismatch between ColorTexture and CameraParams!"},
    };
    for (const auto& f : failures) {
        auto frame = MakeAtom(f.layers);
        EXPECT_EQ(filter.Run(frame), f.code);
        EXPECT_NE(filter.Error().find(f.info), std::string::npos) << filter.Error();
        EXPECT_FALSE(Output<Hyx::DataTypeVertexColors>(*frame));
    }
}

TEST(GeometryColors, ColoursFromUVsTruncateAndClamp)
{
    const auto texture = rgb(100, 50);
    const float uvs[] = {1, 1, 0.999f, 0.5f, -0.3f, -2, kNaN, 0.02f, 5, kNaN};
    uint8_t colors[15] = {};
    Hyx::TransformVertexColorsFromUVs::GetVertexColorsFromUVs(5, colors, uvs, texture);
    EXPECT_EQ(std::vector<uint8_t>(colors, colors + 15),
              (std::vector<uint8_t>{99, 49, 7, 98, 24, 7, 0, 0, 7, 0, 0, 7, 99, 0, 7}));
    // No pixels to sample: black.
    for (auto empty : {std::make_shared<Hyx::DataTypeTextureRGB>(), std::shared_ptr<Hyx::DataTypeTextureRGB>()}) {
        std::fill_n(colors, 15, uint8_t(1));
        Hyx::TransformVertexColorsFromUVs::GetVertexColorsFromUVs(5, colors, uvs, empty);
        EXPECT_EQ(std::vector<uint8_t>(colors, colors + 15), std::vector<uint8_t>(15, 0));
    }

    Probe<Hyx::TransformVertexColorsFromUVs> filter;
    auto profile = std::make_shared<Hyx::Profile>(kPurposeB, Hyx::DataTypeVertexTextureUVs::TheTypeGuid());
    profile->Add(kPurposeA, Hyx::DataTypeTextureRGB::TheTypeGuid());
    ASSERT_EQ(filter.SetInputProfile(nullptr, profile), HyxErrorCode::Success);
    auto layer = std::make_shared<Hyx::DataTypeVertexTextureUVs>();
    layer->Allocate(2);
    std::copy(uvs, uvs + 4, layer->GetUVs());
    auto atom = MakeAtom({layer, texture});
    ASSERT_EQ(filter.Run(atom), HyxErrorCode::Success);
    EXPECT_EQ(colorsOf(*atom), (std::vector<uint8_t>{99, 49, 7, 98, 24, 7}));
    EXPECT_EQ(Output<Hyx::DataTypeVertexColors>(*atom)->GetPurposeGuid(), kPurposeB);
    auto none = std::make_shared<Hyx::DataTypeVertexTextureUVs>();
    none->Allocate(0);
    auto empty = MakeAtom({none, texture});
    ASSERT_EQ(filter.Run(empty), HyxErrorCode::Success);
    EXPECT_TRUE(colorsOf(*empty).empty());

    const struct {
        std::shared_ptr<Hyx::DataLayer> uvs, texture;
        const char* info;
    } failures[] = {{nullptr, texture, "(VertexTextureUVs)"},
                    {Truncated<Hyx::DataTypeVertexTextureUVs>(0, 4), texture, "(VertexTextureUVs)"},
                    {layer, nullptr, "(TextureRGB)"}};
    for (const auto& f : failures) {
        auto frame = MakeAtom({f.uvs, f.texture});
        EXPECT_EQ(filter.Run(frame), HyxErrorCode::FilterFailedToGetDataLayer);
        EXPECT_NE(filter.Error().find(f.info), std::string::npos) << filter.Error();
    }
}

TEST(GeometryColors, RegisteredWithTheirReadableNames)
{
    const struct {
        const char* guid;
        const char* name;
    } classes[] = {
        {"B516A916-D201-4759-ABCC-21F8F734A8C9", "DepthmapFromVertexPositions"},
        {"47996E50-9FD4-428A-BAC0-4CC23BE59132", "VertexPositionsFromDepthMap"},
        {"E50816A6-5278-4BCF-B62D-C567C6137101", "VertexPositionsFromSupersampledDepthMap"},
        {"9001A41B-AA2C-49D3-B185-FD810F21A289", "IndexUVs"},
        {"00DE29CB-A7AE-4529-B875-A48676D8561F", "VertexTextureUVsColor"},
        {"44FC78F5-61F0-4DE7-A678-E3297F8CDC9E", "VertexTextureUVsIr"},
        {"89B0A195-8F5D-475E-8582-C25AF5697C41", "VertexColorsFromTextureRGB"},
        {"0F60D19A-04A0-42D6-B54A-728757D99216", "VertexColorsFromTextureBGR"},
        {"CC13C826-B1D2-438E-9CCB-EB2485AE4E35", "VertexColorsFromTextureYUVNV12"},
        {"8075F1C6-5E52-4B44-B81B-1F267CE3D944", "VertexColorsFromTextureYUVNV21"},
        {"12D20CB7-43FD-42C4-8132-A636BDE95F05", "VertexColorsFromTextureYUVNVX"},
        {"6CDDD0F2-E620-4761-8087-AC9CC350240B", "VertexColorsFromTextureHSL24"},
        {"966B2E46-56FA-41B5-B422-AE553841F56C", "VertexColorsFromTextureHSL30"},
        {"457A117A-267A-4009-B0DB-019C8959F2F7", "VertexColorsFromUVs"},
    };
    for (const auto& c : classes) {
        const Hyx::FilterClassInfo info =
            Hyx::FilterFactory::GetFilterClassInfo(VornCommon::Guid::FromHexString(c.guid));
        EXPECT_EQ(info.GetNiceClassName().StdString(), c.name);
        EXPECT_EQ(info.GetCategory(), Hyx::FilterCategory::Transform);
    }
}
