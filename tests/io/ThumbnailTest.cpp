// The fast reader, the render information and thumbnails, over container files written by
// the container writer; golden thumbnails are worked out by hand from the sampling rules.

#include <Hyx/Atom.h>
#include <Hyx/CompressedLayers.h>
#include <Hyx/DataTypeBinary.h>
#include <Hyx/DataTypePCMSample.h>
#include <Hyx/DataTypeStreamInfo.h>
#include <Hyx/DataTypeTextureBayer.h>
#include <Hyx/DataTypeTextureBlock.h>
#include <Hyx/DataTypeTextureHSL.h>
#include <Hyx/DataTypeTextureIR.h>
#include <Hyx/DataTypeTextureRGB.h>
#include <Hyx/DataTypeTextureYUV.h>
#include <Hyx/DataTypeVertex.h>
#include <Hyx/GuidLiteral.h>
#include <Hyx/HYX2FileFastReader.h>
#include <Hyx/HYXPurposeGuids.h>
#include <Hyx/HyxLookupTable.h>
#include <Hyx/SerializeToHyx.h>
#include <Hyx/ThumbnailHelper.h>

#include <VornCommon/Image.h>

#include "CapturedLog.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>

using namespace HyxTest;
using namespace Hyx;
using VornCommon::Guid;

namespace {

using Layers = std::vector<std::shared_ptr<DataLayer>>;
using Rgb = std::array<uint8_t, 3>;
constexpr VornCommon::Guid kCloud = GuidLiteral("C1000000-0000-4000-8000-0000000000C1");

template <class Layer>
std::shared_ptr<Layer> Made(const VornCommon::Guid& purpose = kCloud)
{
    auto layer = std::make_shared<Layer>();
    layer->InitializeHeader(purpose);
    return layer;
}

/// A texture of the class (3 bytes written per pixel) with pixel (x, y) = colour(x, y).
template <class Texture = DataTypeTextureRGB>
std::shared_ptr<Texture> Picture(uint16_t width, uint16_t height, const std::function<Rgb(int, int)>& colour,
                                 const VornCommon::Guid& purpose = kCloud)
{
    auto texture = Made<Texture>(purpose);
    uint8_t* p = texture->AllocateTexture(width, height);
    for (int i = 0; i < width * height; ++i, p += 3) {
        const Rgb c = colour(i % width, i / width);
        std::copy(c.begin(), c.end(), p);
    }
    return texture;
}

struct Point {
    float x, y, z;
    Rgb colour;
};

/// Positions (box computed) and colours of the points, one purpose.
Layers Cloud(const std::vector<Point>& points, const VornCommon::Guid& purpose = kCloud)
{
    auto positions = Made<DataTypeVertexPositions>(purpose);
    auto colors = Made<DataTypeVertexColors>(purpose);
    float* p = positions->Allocate(uint32_t(points.size()), false);
    uint8_t* c = colors->Allocate(uint32_t(points.size()));
    for (const Point& q : points)
        *p++ = q.x, *p++ = q.y, *p++ = q.z, c = std::copy(q.colour.begin(), q.colour.end(), c);
    positions->CalculateBoundingBoxFromVertexPositions();
    return {positions, colors};
}

/// Stream information at fps, turned about z so that the versor's third element is z.
std::shared_ptr<DataTypeStreamInfo> StreamInfo(float fps, float z = 0.0f)
{
    auto info = Made<DataTypeStreamInfo>();
    info->setValues(fps, 0, VornCommon::Versorf::FromElementsVector({0, 0, z, std::sqrt(1.0f - z * z)}), 0, nullptr);
    return info;
}

std::shared_ptr<Atom> Frame(const Layers& layers, uint32_t stream = 0, uint32_t frame = 0)
{
    auto atom = std::make_shared<Atom>(stream, frame, 5000u + 40u * frame);
    for (const auto& layer : layers)
        atom->AddDataLayer(layer, false);
    return atom;
}

/// A container with a lookup table holding the frames in order.
void WriteFrames(const std::string& path, const std::vector<std::shared_ptr<Atom>>& frames)
{
    SerializeToHyx writer(path.c_str(), true);
    for (const auto& atom : frames)
        writer.pack_atom(atom);
    writer.CloseFile();
}

// The nine flags as letters: Depth, Ir, Texture, Points, Normals, Colours, Uvs, indiCes, Audio.
std::string Flags(const HYX2FileRenderInfo& info)
{
    const bool flags[] = {info.HasDepthMap(), info.HasIR(),  info.HasTexture(), info.HasPointCloud(), info.HasNormals(),
                          info.HasColors(),   info.HasUVs(), info.HasIndices(), info.HasAudio()};
    std::string text = "DITPNCUXA";
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = flags[i] ? text[i] : '-';
    return text;
}

const Rgb kBlack{0, 0, 0};

// A point on raster pixel (column, row) of a cloud spanning 0..640 x 0..320 (a 640 x 320
// raster, larger x further left, larger y higher up); column and row 0 lie on the maximum.
Point OnRaster(int column, int row, float z, Rgb colour)
{
    return {column == 0 ? 640.0f : float((639.5 - column) * 640.0 / 639.0),
            row == 0 ? 320.0f : float((319.5 - row) * 320.0 / 319.0), z, colour};
}

Rgb Cell(int c, int r)
{
    return {uint8_t(4 * c), uint8_t(8 * r), 200};
}

// Pixel (x, y) of an RGBA picture as one word.
uint32_t At(const DataTypeTextureRGBA& picture, int x, int y)
{
    uint32_t v = 0;
    std::memcpy(&v, picture.GetTextureData() + (size_t(y) * picture.GetWidth() + x) * 4, 4);
    return v;
}

} // namespace

TEST(RenderInfo, FlagsAndFrameRateComeFromTheFirstFrameOnly)
{
    const auto jpeg = Made<DataTypeCompressedTexture>();
    jpeg->compress(Picture(16, 8, [](int x, int y) { return Rgb{uint8_t(x * 9), uint8_t(y * 20), 7}; }), 130);
    const struct {
        Layers first;
        std::string flags;
        float fps;
    } cases[] = {
        {{jpeg, Made<DataTypeVertexPositions>()}, "--TP-----", -1.0f},
        {{Made<DataTypeTextureRGBA>(), Made<DataTypeTextureYUV_NV12>(), Made<DataTypeTextureBayerRGGB>(),
          Made<DataTypeTextureHSL24>(), Made<DataTypeTextureDXT1RLE>()},
         "---------",
         -1.0f},
        {{StreamInfo(30.0f), Made<DataTypeTexture16BitDepthMap>(), Made<DataTypeTextureIR>(),
          Made<DataTypeVertexNormals>(), Made<DataTypeVertexColors>(), Made<DataTypeVertexTextureUVs>(),
          Made<DataTypeVertexIndices>(), Made<DataTypePCMSample>(), StreamInfo(12.5f)},
         "DI--NCUXA",
         12.5f},
        {{Made<DataTypeTexture16BitIR>(), Made<DataTypeCompressedVertexNormals>(),
          Made<DataTypeCompressedVertexTextureUVs>(), Made<DataTypeCompressedVertexIndices>(),
          Made<DataTypeCompressedVertexPositions>()},
         "-I-PN-UX-",
         -1.0f},
    };
    TempDir dir;
    const std::string path = dir.file("take.hyx");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.flags);
        // A later frame's attachments show in the table, not in the flags.
        WriteFrames(path, {Frame(c.first), Frame({Made<DataTypeBinary>()}, 0, 1)});
        HYX2FileRenderInfo info(path.c_str());
        ASSERT_TRUE(info.IsValid());
        EXPECT_EQ(Flags(info), c.flags);
        EXPECT_EQ(info.GetFPS(), c.fps);
        EXPECT_EQ(info.CanRenderThumbnail(), c.flags.find_first_of("DTP") != std::string::npos);
        EXPECT_TRUE(info.GetReader()->HasEmbeddedFiles());
    }
}

TEST(FastReader, AnswersFromTheTable)
{
    TempDir dir;
    const std::string path = dir.file("take.hyx"), empty = dir.file("empty.hyx");
    const auto compressed = Made<DataTypeCompressedVertexPositions>();
    compressed->compress(Cloud({{0, 0, 0, {}}, {1, 1, 1, {}}})[0], 1);
    const Guid colors = DataTypeVertexColors::TheTypeGuid(), binary = DataTypeBinary::TheTypeGuid();
    WriteFrames(path, {Frame({StreamInfo(25)}, 3), Frame({Made<DataTypeVertexColors>()}, 1),
                       Frame({compressed, Made<DataTypeVertexColors>()}, 3, 1)});
    WriteFrames(empty, {});
    HYX2FileFastReader reader(path.c_str()), none(empty.c_str());
    EXPECT_EQ(reader.GetNumFrames(), 2u);
    EXPECT_FALSE(reader.IsSingleFrame());
    EXPECT_EQ(reader.GetTimeStamp(), 5000u);
    EXPECT_TRUE(reader.GetFirstStreamHas(kCloud, colors));
    EXPECT_FALSE(reader.GetFirstStreamHas(colors, kCloud)); // purpose comes first
    EXPECT_TRUE(reader.GetFirstStreamHasOneGuidOf({binary, colors}));
    // Read from its block alone: still compressed.
    const auto layer = std::dynamic_pointer_cast<DataTypeCompressedVertexPositions>(
        reader.GetFirstStreamLayer(kCloud, DataTypeCompressedVertexPositions::TheTypeGuid()));
    ASSERT_TRUE(layer);
    EXPECT_EQ(layer->GetNumVertices(), 2u);
    ASSERT_TRUE(reader.GetFirstStream());
    EXPECT_TRUE(reader.GetLayer(reader.GetFirstStream()->atoms[1], colors)); // only the later frame has them
    EXPECT_EQ(none.GetTimeStamp(), 0u);
    EXPECT_EQ(none.GetNumFrames(), 0u);
    EXPECT_FALSE(none.IsSingleFrame());
}

TEST(RenderInfo, DecodesTheFirstFrameAndKeepsLayersThatDoNotDecode)
{
    TempDir dir;
    const std::string path = dir.file("take.hyx");
    const auto compressed = Made<DataTypeCompressedVertexPositions>();
    compressed->compress(Cloud(std::vector<Point>(4, {1, 2, 3, {}}))[0], 0);
    // Four normals stated, two bytes held.
    auto broken = Made<DataTypeCompressedVertexNormals>();
    broken->InitializeCompressionInfo(DataTypeVertexNormals::TheTypeGuid(), 0, 0);
    uint8_t payload[] = {4, 0, 0, 0, 1, 2};
    broken->InitializeData(payload, sizeof payload);
    WriteFrames(path, {Frame({compressed, Picture(2, 2, [](int, int) { return Rgb{}; }), broken})});

    CapturedLog log;
    HYX2FileRenderInfo info(path.c_str());
    const auto atom = info.GetFirstAtomDecompressed();
    ASSERT_TRUE(atom);
    std::vector<Guid> types;
    for (const auto& layer : atom->GetAllDataLayers())
        types.push_back(layer->TypeGuid());
    EXPECT_EQ(types,
              (std::vector<Guid>{DataTypeTextureRGB::TheTypeGuid(), DataTypeCompressedVertexNormals::TheTypeGuid(),
                                 DataTypeVertexPositions::TheTypeGuid()}));
    EXPECT_EQ(std::static_pointer_cast<DataTypeVertexPositions>(atom->GetAllDataLayers()[2])->GetNumVertices(), 4u);
    EXPECT_TRUE(log.Contains("Cannot decode DataTypeCompressedVertexNormals"));
    EXPECT_EQ(info.GetFirstAtomDecompressed(), atom);
}

TEST(Thumbnail, GoldenPicturesOfFiles)
{
    const auto pattern = [](int x, int y) { return Rgb{uint8_t(x), uint8_t(y), uint8_t(x >> 2)}; };
    // The box corners lie at the largest z, which is never drawn. One point on every sampled
    // raster pixel, a nearer one that wins, a farther one that loses, and points that are
    // not finite (the last would land on a sampled pixel).
    std::vector<Point> cloud = {{0, 0, 1, kBlack}, {640, 320, 1, kBlack}}, turned = cloud;
    for (int r = 0; r < 64; ++r)
        for (int c = 0; c < 64; ++c) {
            if (r < 32)
                cloud.push_back(OnRaster(10 * c, 10 * r, 0.5f, Cell(c, r)));
            if (c < 32) // turned a quarter: output (16 + c, r) shows raster (639 - 10 r, 10 c)
                turned.push_back(OnRaster(639 - 10 * r, 10 * c, 0.5f, Cell(c, r)));
        }
    cloud.push_back(OnRaster(30, 20, 0.25f, {1, 2, 3}));
    cloud.push_back(OnRaster(50, 40, 0.75f, {4, 5, 6}));
    cloud.push_back({std::numeric_limits<float>::quiet_NaN(), 10, 0.1f, kBlack});
    cloud.push_back({10, 10, -std::numeric_limits<float>::infinity(), kBlack});
    Layers rotated = Cloud(turned);
    rotated.push_back(StreamInfo(30.0f, 0.70710678f));
    auto corrupt = Made<DataTypeCompressedTexture>();
    corrupt->InitializeCompressionInfo(DataTypeTextureRGB::TheTypeGuid(), 0, 130);
    uint8_t notJpeg[] = {8, 0, 8, 0, 8, 0, 8, 0, 1, 1, 0xFF, 0xD8, 0xFF, 0x00, 0x13, 0x37};
    corrupt->InitializeData(notJpeg, sizeof notJpeg);

    const auto band = [](int r, Rgb inside) { return r < 16 || r >= 48 ? kBlack : inside; };
    const struct {
        const char* what;
        Layers frame;
        std::function<Rgb(int, int)> expected; // (column, row)
    } cases[] = {
        // Scaled up by 8: R and G interpolate, the last source column and row reach the edge.
        {"8 x 4 texture",
         {Picture(8, 4,
                  [](int x, int y) {
                      return Rgb{uint8_t(32 * x), uint8_t(64 * y), 10};
                  })},
         [&](int c, int r) {
             return band(r, {uint8_t(std::min(4 * c, 224)), uint8_t(std::min(8 * (r - 16), 192)), 10});
         }},
        {"640 x 320 texture",
         {Picture(640, 320, pattern)},
         [&](int c, int r) { return band(r, pattern(10 * c, 10 * (r - 16))); }},
        {"coloured point cloud", Cloud(cloud),
         [&](int c, int r) {
             return band(r, c == 3 && r == 18 ? Rgb{1, 2, 3} : Cell(c, r - 16));
         }},
        {"rotated stream", rotated, [](int c, int r) { return c < 16 || c >= 48 ? kBlack : Cell(c - 16, r); }},
        {"corrupt compressed texture", {corrupt}, [](int, int) { return kBlack; }},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.file("take.hyx");
        WriteFrames(path, {Frame(c.frame)});
        HYX2FileRenderInfo info(path.c_str());
        VornCommon::Image image(64, 64);
        info.RenderThumbnail(&image, false);
        int wrong = 0;
        for (int i = 0; i < 64 * 64; ++i) {
            const Rgb want = c.expected(i % 64, i / 64);
            wrong +=
                !std::equal(want.begin(), want.end(), image.GetData() + 4 * i) || image.GetData()[4 * i + 3] != 255;
        }
        EXPECT_EQ(wrong, 0);
    }
}

TEST(Thumbnail, PictureChoice)
{
    using namespace Hyx;
    std::vector<Point> grid; // 40 x 26 apart: a 640 x 410 preview
    for (uint32_t i = 0; i < 1001; ++i)
        grid.push_back({float(i % 40), float(i / 40), float(i % 7), {120, 60, 30}});
    const Layers cloud = Cloud(grid), few = Cloud({grid.begin(), grid.end() - 1});
    auto flat = grid;
    for (Point& p : flat)
        p.x = 3.0f;
    const auto rgb = Picture(6, 3, [](int, int) { return Rgb{}; });
    const auto bgr = Picture<DataTypeTextureBGR>(5, 2, [](int, int) { return Rgb{30, 60, 120}; });
    const auto thumbnail = Picture<DataTypeTextureRGBA>(
        4, 4, [](int, int) { return Rgb{}; }, HYXPurposeGuids::THUMBNAIL);
    auto uvs = Made<DataTypeVertexTextureUVs>(), shortUvs = Made<DataTypeVertexTextureUVs>();
    uvs->Allocate(1001);
    shortUvs->Allocate(1000);
    const struct {
        const char* what;
        Layers frame;
        const char* painter; // class of the painting layer, "" for none
        int width, height;
    } cases[] = {
        {"1000 points fall back to the texture", {few[0], few[1], rgb}, "DataTypeTextureRGB", 6, 3},
        {"1001 points with colours give the raster", cloud, "DataTypeTextureRGB", 640, 410},
        {"colours of another purpose give the preview",
         {cloud[0], Cloud(grid, HYXPurposeGuids::TALO)[1]},
         "DataTypeVertexPositions",
         640,
         410},
        {"colours from coordinates and texture", {cloud[0], uvs, rgb}, "DataTypeTextureRGB", 640, 410},
        {"coordinates of another count give the preview",
         {cloud[0], shortUvs, rgb},
         "DataTypeVertexPositions",
         640,
         410},
        {"a cloud flat in x gives the preview", Cloud(flat), "DataTypeVertexPositions", 0, 0},
        {"a thumbnail RGBA is skipped for BGR", {thumbnail, bgr, rgb}, "DataTypeTextureBGR", 5, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        int w = 0, h = 0;
        const auto layer = ThumbnailHelper::getThumbnailLayer(Frame(c.frame), w, h, false);
        EXPECT_EQ(layer ? layer->GetDataLayerClassInfo().GetClassName().CStr() : "", std::string(c.painter));
        EXPECT_EQ(std::make_pair(w, h), std::make_pair(c.width, c.height));
    }
    int w = 0, h = 0;
    EXPECT_FALSE(ThumbnailHelper::getThumbnailLayer(Frame({rgb}), w, h, true));
    EXPECT_FALSE(ThumbnailHelper::getThumbnail({}, false, false));
    EXPECT_FALSE(ThumbnailHelper::getThumbnail({Frame(cloud)}, true, false));
    const auto grey = ThumbnailHelper::getThumbnail({Frame({bgr})}, true, true);
    ASSERT_TRUE(grey);
    EXPECT_EQ(grey->GetPurposeGuid(), HYXPurposeGuids::THUMBNAIL);
    EXPECT_EQ(At(*grey, 4, 1), 0xFF464646u); // (120 + 60 + 30) / 3
}

TEST(Thumbnail, OrientationTurnsAPointCloudPicture)
{
    std::vector<Point> points; // the positions' own preview, 640 x 475
    for (int i = 0; i < 1200; ++i)
        points.push_back({float(i % 40) * 16.0f, float(i / 40) * 16.0f, float(i % 9), kBlack});
    const auto picture = [&](float z) {
        return ThumbnailHelper::getThumbnail({Frame({Cloud(points)[0], StreamInfo(30.0f, z)})}, false, false);
    };
    const auto plain = picture(0.0f);
    const int w = plain->GetWidth(), h = plain->GetHeight();
    for (const float z : {0.7f, 0.7071f, -0.7071f, -1.0f, 0.5f, 0.68f}) {
        SCOPED_TRACE(z);
        const auto turned = picture(z);
        const bool across = std::fabs(std::fabs(z) - 0.7f) <= 0.01f, half = z < -0.9f;
        ASSERT_EQ(turned->GetWidth(), across ? h : w);
        int wrong = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                wrong += At(*plain, x, y) != (across ? At(*turned, z > 0 ? y : h - 1 - y, z > 0 ? w - 1 - x : x)
                                                     : At(*turned, half ? w - 1 - x : x, half ? h - 1 - y : y));
        EXPECT_EQ(wrong, 0);
    }
}
