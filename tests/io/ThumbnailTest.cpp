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
    // Output pixels drawn from a 640 x 320 raster: (c, 16 + r) unturned, (16 + c, r) turned
    // a quarter; each shows the raster pixel that at(c, r) names, where a point of colour
    // Cell(c, r) lies. The box corners lie at the largest z, which is never drawn.
    using At = std::pair<int, int> (*)(int, int);
    const auto sampled = [](int columns, int rows, At at, float z, std::vector<Point> points = {}) {
        points.insert(points.end(), {{0, 0, 1, kBlack}, {640, 320, 1, kBlack}});
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c)
                points.push_back(OnRaster(at(c, r).first, at(c, r).second, 0.5f, Cell(c, r)));
        Layers layers = Cloud(points);
        layers.push_back(StreamInfo(30.0f, z));
        return layers;
    };
    const At straight = [](int c, int r) { return std::make_pair(10 * c, 10 * r); };
    const At left = [](int c, int r) { return std::make_pair(639 - 10 * r, 10 * c); };
    const At right = [](int c, int r) { return std::make_pair(10 * r, 319 - 10 * c); };
    const At half = [](int c, int r) { return std::make_pair(639 - 10 * c, 319 - 10 * r); };
    // Drawn after the grid: a nearer point wins, a farther one loses, points that are not
    // finite are skipped (the last would land on a sampled pixel).
    const float inf = std::numeric_limits<float>::infinity();
    auto corrupt = Made<DataTypeCompressedTexture>();
    corrupt->InitializeCompressionInfo(DataTypeTextureRGB::TheTypeGuid(), 0, 130);
    uint8_t notJpeg[] = {8, 0, 8, 0, 8, 0, 8, 0, 1, 1, 0xFF, 0xD8, 0xFF, 0x00, 0x13, 0x37};
    corrupt->InitializeData(notJpeg, sizeof notJpeg);

    const auto pattern = [](int x, int y) { return Rgb{uint8_t(x), uint8_t(y), uint8_t(x >> 2)}; };
    const auto rows = [](int c, int r) { return r < 16 || r >= 48 ? kBlack : Cell(c, r - 16); };
    const auto columns = [](int c, int r) { return c < 16 || c >= 48 ? kBlack : Cell(c - 16, r); };
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
         [](int c, int r) {
             return r < 16 || r >= 48 ? kBlack
                                      : Rgb{uint8_t(std::min(4 * c, 224)), uint8_t(std::min(8 * r - 128, 192)), 10};
         }},
        {"640 x 320 texture",
         {Picture(640, 320, pattern)},
         [&](int c, int r) { return r < 16 || r >= 48 ? kBlack : pattern(10 * c, 10 * r - 160); }},
        {"coloured point cloud",
         sampled(64, 32, straight, 0.0f,
                 {OnRaster(30, 20, 0.25f, {1, 2, 3}),
                  OnRaster(50, 40, 0.75f, {4, 5, 6}),
                  {std::nanf(""), 10, 0.1f, kBlack},
                  {10, 10, -inf, kBlack}}),
         [&](int c, int r) {
             return c == 3 && r == 18 ? Rgb{1, 2, 3} : rows(c, r);
         }},
        {"quarter turn left (true versor)", sampled(32, 64, left, 0.70710678f), columns},
        {"quarter turn left (0.7)", sampled(32, 64, left, 0.7f), columns},
        {"quarter turn right", sampled(32, 64, right, -0.70710678f), columns},
        {"half turn", sampled(64, 32, half, -1.0f), rows},
        {"0.68 does not turn", sampled(64, 32, straight, 0.68f), rows},
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
    const char *kRgb = "DataTypeTextureRGB", *kPreview = "DataTypeVertexPositions";
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
        {"1000 points: the texture", {few[0], few[1], rgb}, kRgb, 6, 3},
        {"1001 coloured points: the raster", cloud, kRgb, 640, 410},
        {"colours of another purpose", {cloud[0], Cloud(grid, HYXPurposeGuids::TALO)[1]}, kPreview, 640, 410},
        {"colours from coordinates", {cloud[0], uvs, rgb}, kRgb, 640, 410},
        {"coordinates of another count", {cloud[0], shortUvs, rgb}, kPreview, 640, 410},
        {"flat in x", Cloud(flat), kPreview, 0, 0},
        {"a thumbnail RGBA is skipped", {thumbnail, bgr, rgb}, "DataTypeTextureBGR", 5, 2},
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
    EXPECT_EQ(std::vector<uint8_t>(grey->GetTextureData(), grey->GetTextureData() + 4),
              (std::vector<uint8_t>{70, 70, 70, 255})); // (120 + 60 + 30) / 3
}
