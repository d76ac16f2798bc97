#include <Hyx/CompressedLayers.h>
#include <Hyx/HYX2FileFastReader.h>
#include <Hyx/HYXPurposeGuids.h>
#include <Hyx/ThumbnailHelper.h>

#include <VornCommon/Image.h>

#include "CapturedLog.h"
#include "FrameFiles.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

using namespace HyxTest;
using Hyx::ThumbnailHelper;

namespace {

constexpr int kSide = 64;
const Rgb kBlack{0, 0, 0};

// The 64 x 64 thumbnail of the file, rendered through the host's image.
std::vector<Rgb> Thumbnail(const std::string& path, bool imagesOnly = false)
{
    Hyx::HYX2FileRenderInfo info(path.c_str());
    VornCommon::Image image(kSide, kSide);
    info.RenderThumbnail(&image, imagesOnly);
    std::vector<Rgb> pixels;
    for (int i = 0; i < kSide * kSide; ++i) {
        const uint8_t* p = image.GetData() + 4 * i;
        EXPECT_EQ(p[3], 255);
        pixels.push_back({p[0], p[1], p[2]});
    }
    return pixels;
}

// The golden picture: expected(column, row).
std::vector<Rgb> Golden(const std::function<Rgb(int, int)>& expected)
{
    std::vector<Rgb> pixels;
    for (int r = 0; r < kSide; ++r)
        for (int c = 0; c < kSide; ++c)
            pixels.push_back(expected(c, r));
    return pixels;
}

// A point that lands on raster pixel (column, row) of a cloud spanning 0..640 x 0..320 (a
// 640 x 320 raster): larger x further left, larger y higher up; column and row 0 only at
// the box's maximum.
Point OnRaster(int column, int row, float z, Rgb colour)
{
    const float x = column == 0 ? 640.0f : float((639.5 - column) * 640.0 / 639.0);
    const float y = row == 0 ? 320.0f : float((319.5 - row) * 320.0 / 319.0);
    return {x, y, z, colour};
}

// The box corners at the largest z, which the raster never draws.
std::vector<Point> Corners()
{
    return {{0, 0, 1, {255, 255, 255}}, {640, 320, 1, {255, 255, 255}}};
}

// Pixel (x, y) of an RGBA picture as R | G << 8 | B << 16 | A << 24.
uint32_t At(const Hyx::DataTypeTextureRGBA& picture, int x, int y)
{
    uint32_t v = 0;
    std::memcpy(&v, picture.GetTextureData() + (size_t(y) * picture.GetWidth() + x) * 4, 4);
    return v;
}

Rgb Cell(int c, int r)
{
    return {uint8_t(4 * c), uint8_t(8 * r), 200};
}

} // namespace

TEST(Thumbnail, GoldenPictures)
{
    const auto pattern = [](int x, int y) { return Rgb{uint8_t(x), uint8_t(y), uint8_t(x >> 2)}; };
    // Cloud: a point on every sampled raster pixel, one nearer point that wins, one farther
    // that loses, and points that are not finite.
    std::vector<Point> cloud = Corners();
    for (int r = 0; r < 32; ++r)
        for (int c = 0; c < kSide; ++c)
            cloud.push_back(OnRaster(10 * c, 10 * r, 0.5f, Cell(c, r)));
    cloud.push_back(OnRaster(30, 20, 0.25f, {1, 2, 3}));
    cloud.push_back(OnRaster(50, 40, 0.75f, {4, 5, 6}));
    const float nan = std::numeric_limits<float>::quiet_NaN();
    cloud.push_back({nan, 10, 0.1f, {7, 8, 9}});
    cloud.push_back({10, 10, -std::numeric_limits<float>::infinity(), {7, 8, 9}});
    // Rotated: a true quarter-turn versor turns the 640 x 320 raster into 320 x 640, drawn
    // into columns 16-47; output (16 + c, r) shows raster pixel (639 - 10 r, 10 c).
    std::vector<Point> turned = Corners();
    for (int r = 0; r < kSide; ++r)
        for (int c = 0; c < 32; ++c)
            turned.push_back(OnRaster(639 - 10 * r, 10 * c, 0.5f, Cell(c, r)));
    Layers rotated = Cloud(turned);
    rotated.push_back(StreamInfo(30.0f, {0, 0, 0.70710678f, 0.70710678f}));

    const struct {
        const char* what;
        Layers frame;
        std::function<Rgb(int, int)> expected;
    } cases[] = {
        // 8 x 4 scaled up by 8 into rows 16-47: R and G interpolate, the last source row and
        // column are held to the edge.
        {"texture only",
         {Picture(8, 4,
                  [](int x, int y) {
                      return Rgb{uint8_t(32 * x), uint8_t(64 * y), 10};
                  })},
         [](int c, int r) {
             return r < 16 || r >= 48 ? kBlack
                                      : Rgb{uint8_t(std::min(4 * c, 224)), uint8_t(std::min(8 * (r - 16), 192)), 10};
         }},
        {"640 x 320 between black bands",
         {Picture(640, 320, pattern)},
         [&](int c, int r) { return r < 16 || r >= 48 ? kBlack : pattern(10 * c, 10 * (r - 16)); }},
        {"coloured point cloud", Cloud(cloud),
         [](int c, int r) {
             if (r < 16 || r >= 48)
                 return kBlack;
             return c == 3 && r == 18 ? Rgb{1, 2, 3} : Cell(c, r - 16);
         }},
        {"rotated stream", rotated, [](int c, int r) { return c < 16 || c >= 48 ? kBlack : Cell(c - 16, r); }},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.file("take.hyx");
        WriteFrames(path, {Frame(0, 0, c.frame)});
        EXPECT_EQ(Thumbnail(path), Golden(c.expected));
    }
}

TEST(Thumbnail, PictureChoice)
{
    using namespace Hyx;
    const auto grid = [](uint32_t n, float x0) {
        std::vector<Point> points;
        for (uint32_t i = 0; i < n; ++i)
            points.push_back({x0 + float(i % 40), float(i / 40), float(i % 7), {200, 100, 50}});
        return points;
    };
    const auto rgb = Picture(6, 3, [](int x, int y) { return Rgb{uint8_t(x), uint8_t(y), 1}; });
    const auto bgr = Picture<DataTypeTextureBGR>(5, 2, [](int, int) { return Rgb{30, 60, 120}; });
    const auto thumbnailPurpose = Picture<DataTypeTextureRGBA>(
        4, 4, [](int, int) { return kBlack; }, HYXPurposeGuids::THUMBNAIL);
    const auto otherColours = Cloud(grid(1001, 0), kCloud);
    const auto foreign = Cloud(grid(1001, 0), HYXPurposeGuids::TALO)[1];
    auto uvs = Made<DataTypeVertexTextureUVs>();
    uvs->Allocate(1001);
    std::fill_n(uvs->GetUVs(), 2 * 1001, 0.5f);
    auto shortUvs = Made<DataTypeVertexTextureUVs>();
    shortUvs->Allocate(1000);
    auto flat = grid(1001, 0);
    for (Point& p : flat)
        p.x = 3.0f;
    const struct {
        const char* what;
        Layers frame;
        bool noImageFallback;
        const char* painter; // class of the layer that paints, "" for none
        int width, height;
    } cases[] = {
        {"1000 points fall back to the texture",
         {Cloud(grid(1000, 0))[0], Cloud(grid(1000, 0))[1], rgb},
         false,
         "DataTypeTextureRGB",
         6,
         3},
        {"1001 points with colours give the raster", otherColours, false, "DataTypeTextureRGB", 640, 410},
        {"colours of another purpose give the preview",
         {otherColours[0], foreign},
         false,
         "DataTypeVertexPositions",
         640,
         410},
        {"colours from coordinates and texture", {otherColours[0], uvs, rgb}, false, "DataTypeTextureRGB", 640, 410},
        {"coordinates of another count give the preview",
         {otherColours[0], shortUvs, rgb},
         false,
         "DataTypeVertexPositions",
         640,
         410},
        {"a flat cloud gives the preview", Cloud(flat), false, "DataTypeVertexPositions", 0, 0},
        {"no images wanted", {rgb}, true, "", 0, 0},
        {"a thumbnail RGBA is skipped for BGR", {thumbnailPurpose, bgr, rgb}, false, "DataTypeTextureBGR", 5, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        int w = 0, h = 0;
        const auto layer = ThumbnailHelper::getThumbnailLayer(Frame(0, 0, c.frame), w, h, c.noImageFallback);
        EXPECT_EQ(layer ? layer->GetDataLayerClassInfo().GetClassName().CStr() : "", std::string(c.painter));
        EXPECT_EQ(w, c.width);
        EXPECT_EQ(h, c.height);
    }
    EXPECT_FALSE(ThumbnailHelper::getThumbnail({}, false, false));
    EXPECT_FALSE(ThumbnailHelper::getThumbnail({Frame(0, 0, otherColours)}, true, false));
    // Grey: (R + G + B) / 3 = 70 for (120, 60, 30).
    const auto grey = ThumbnailHelper::getThumbnail({Frame(0, 0, {bgr})}, true, true);
    ASSERT_TRUE(grey);
    EXPECT_EQ(grey->GetPurposeGuid(), HYXPurposeGuids::THUMBNAIL);
    EXPECT_EQ(At(*grey, 4, 1), 0xFF464646u);
}

TEST(Thumbnail, OrientationTurnsAPointCloudPicture)
{
    std::vector<Point> points;
    for (int i = 0; i < 1200; ++i)
        points.push_back({float(i % 40) * 16.0f, float(i / 40) * 16.0f, float(i % 9), kBlack});
    // The positions' own preview: every point drawn in its depth colour.
    const auto picture = [&](float e) {
        Layers frame = {Cloud(points)[0]};
        if (!std::isnan(e))
            frame.push_back(StreamInfo(30.0f, {0, 0, e, std::sqrt(std::max(0.0f, 1.0f - e * e))}));
        return ThumbnailHelper::getThumbnail({Frame(0, 0, frame)}, false, false);
    };
    const auto plain = picture(std::nanf(""));
    ASSERT_TRUE(plain);
    const int w = plain->GetWidth(), h = plain->GetHeight();
    ASSERT_EQ(w, 640); // box 624 x 464
    ASSERT_EQ(h, 475);
    for (const float e : {0.7f, 0.7071f, -0.7071f, -1.0f, 0.5f, 0.68f}) {
        SCOPED_TRACE(e);
        const auto turned = picture(e);
        ASSERT_TRUE(turned);
        const bool across = std::fabs(std::fabs(e) - 0.7f) <= 0.01f;
        ASSERT_EQ(turned->GetWidth(), across ? h : w);
        int wrong = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int tx = !across ? (e < -0.9f ? w - 1 - x : x) : (e > 0 ? y : h - 1 - y);
                const int ty = !across ? (e < -0.9f ? h - 1 - y : y) : (e > 0 ? w - 1 - x : x);
                wrong += At(*turned, tx, ty) != At(*plain, x, y);
            }
        EXPECT_EQ(wrong, 0);
    }
}

TEST(Thumbnail, ACorruptCompressedTextureGivesBlack)
{
    auto layer = Made<Hyx::DataTypeCompressedTexture>();
    layer->InitializeCompressionInfo(Hyx::DataTypeTextureRGB::TheTypeGuid(), 0, 130);
    std::vector<uint8_t> payload = {8, 0, 8, 0, 8, 0, 8, 0, 1, 1, 0xFF, 0xD8, 0xFF, 0x00, 0x13, 0x37};
    layer->InitializeData(payload.data(), uint32_t(payload.size()));
    TempDir dir;
    const std::string path = dir.file("take.hyx");
    WriteFrames(path, {Frame(0, 0, {layer})});
    CapturedLog log;
    EXPECT_EQ(Thumbnail(path), Golden([](int, int) { return kBlack; }));
    EXPECT_TRUE(log.Contains("Cannot decode DataTypeCompressedTexture"));
}
