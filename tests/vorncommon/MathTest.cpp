#include <VornCommon/CameraParams.h>
#include <VornCommon/Math.h>
#include <VornCommon/Matrix4x4f.h>
#include <VornCommon/Vector.h>
#include <VornCommon/Versorf.h>

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <random>
#include <stdexcept>
#include <vector>

using namespace VornCommon;

TEST(Math, BoundingBox)
{
    const float points[] = {1, -2, 3, -4, 5, 0.5f, 2, 2, -6};
    float lo[3] = {9, 9, 9}, hi[3] = {9, 9, 9};
    calculateBoundingBox(points, 3, lo, hi);
    EXPECT_EQ((std::tuple{std::vector<float>(lo, lo + 3), std::vector<float>(hi, hi + 3)}),
              std::tuple((std::vector<float>{-4, -2, -6}), (std::vector<float>{2, 5, 3})));

    calculateBoundingBox(nullptr, 0, lo, hi);
    EXPECT_EQ((std::tuple{std::vector<float>(lo, lo + 3), std::vector<float>(hi, hi + 3)}),
              std::tuple((std::vector<float>{0, 0, 0}), (std::vector<float>{0, 0, 0})));

    // NaN coordinates stay out of the box, wherever they stand.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float withNan[] = {nan, 1, nan, 3, nan, nan};
    calculateBoundingBox(withNan, 2, lo, hi);
    EXPECT_EQ((std::tuple{std::vector<float>(lo, lo + 3), std::vector<float>(hi, hi + 3)}),
              std::tuple((std::vector<float>{3, 1, 0}), (std::vector<float>{3, 1, 0})));
}

TEST(Math, Points48bit)
{
    const float two32 = 4294967296.0f;
    // The documented example: box (0,0,0)-(1,1,1), point (0.5, 0.25, 0).
    const float point[] = {0.5f, 0.25f, 0.0f};
    uint8_t packed[6] = {};
    compressPoints48bit(point, packed, Vector3f(two32, two32, two32), Vector3f(0, 0, 0), 1);
    EXPECT_EQ(std::vector<uint8_t>(packed, packed + 6), (std::vector<uint8_t>{0x00, 0x80, 0x00, 0x40, 0x00, 0x00}));

    // Round trip in an uneven box: error below box extent × 2^-16 per axis. The points fill
    // a slightly smaller range, as callers widen the box so the maximum stays below 2^32.
    const float lo[3] = {-2.5f, 10.0f, -0.001f};
    const float extent[3] = {5.0f, 0.75f, 300.0f};
    const float boxExtent[3] = {extent[0] * 1.0001f, extent[1] * 1.0001f, extent[2] * 1.0001f};
    const Vector3f scale(two32 / boxExtent[0], two32 / boxExtent[1], two32 / boxExtent[2]);
    const Vector3f inverse(1.0f / scale.x, 1.0f / scale.y, 1.0f / scale.z);
    std::mt19937 random(3);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    const uint32_t count = 500;
    std::vector<float> points(3 * count);
    for (uint32_t i = 0; i < count; ++i)
        for (int a = 0; a < 3; ++a)
            points[3 * i + a] = lo[a] + extent[a] * (i == 0 ? 0.0f : i == 1 ? 1.0f : unit(random));
    std::vector<uint8_t> bytes(6 * count + 1, 0xEE);
    compressPoints48bit(points.data(), bytes.data(), scale, Vector3f(lo[0], lo[1], lo[2]), count);
    EXPECT_EQ(bytes.back(), 0xEE) << "exactly 6 bytes per point";
    std::vector<float> back(3 * count);
    uncompressPoints48bit(bytes.data(), back.data(), inverse, Vector3f(lo[0], lo[1], lo[2]), count);
    for (uint32_t i = 0; i < count; ++i)
        for (int a = 0; a < 3; ++a)
            EXPECT_LT(std::fabs(back[3 * i + a] - points[3 * i + a]), boxExtent[a] * (1.0f / 65536.0f))
                << "point " << i << " axis " << a;

    // Garbage coordinates pack to something, without undefined conversions.
    const float odd[] = {std::numeric_limits<float>::quiet_NaN(), 1e30f, -1e30f};
    compressPoints48bit(odd, packed, scale, Vector3f(0, 0, 0), 1);
    EXPECT_EQ((std::tuple{packed[0], packed[1]}), std::tuple(0, 0));
}

namespace {

const float kHalfSqrt2 = std::sqrt(0.5f);

} // namespace

TEST(VersorMatrix, FromElementsVectorRejectsKeepsAndNormalises)
{
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (const Vector4f& bad : {Vector4f(0, 0, 0, 0), Vector4f(nan, 0, 0, 1), Vector4f(0, inf, 0, 1)})
        EXPECT_THROW(Versorf::FromElementsVector(bad), std::invalid_argument);
    EXPECT_EQ(Versorf::FromElementsVector(Vector4f(0, 0, 0, 1.0f)), Versorf());

    // Near-unit elements stay bit-identical, so values from payloads round-trip.
    const Vector4f nearUnit(0.1f, 0.2f, 0.3f, 0.927361f);
    const Vector4f kept = Versorf::FromElementsVector(nearUnit).ToElementsVector();
    EXPECT_EQ(std::bit_cast<uint32_t>(kept.w), std::bit_cast<uint32_t>(nearUnit.w));
    EXPECT_EQ(kept, nearUnit);

    const Vector4f scaled = Versorf::FromElementsVector(Vector4f(0, 0, 3, 4)).ToElementsVector();
    EXPECT_FLOAT_EQ(scaled.z, 0.6f);
    EXPECT_FLOAT_EQ(scaled.w, 0.8f);
    // Huge but finite elements must not overflow into a rejection or NaN.
    const Vector4f big = Versorf::FromElementsVector(Vector4f(3e38f, 0, 0, 3e38f)).ToElementsVector();
    EXPECT_NEAR(big.x, kHalfSqrt2, 1e-6f);
    EXPECT_NEAR(big.w, kHalfSqrt2, 1e-6f);
}

TEST(TextForms, MatrixRoundTripAndErrors)
{
    const Matrix4x4f m(1, -2.5f, 3, 5, 0.125f, 6, 7, 1e-05f, 9, 10, 11, 12, 13, 14, 15, -1000000);
    const std::string text = m.ToString();
    EXPECT_EQ(text, "((1, -2.5, 3, 5), (0.125, 6, 7, 1e-05), (9, 10, 11, 12), (13, 14, 15, -1e+06))");
    EXPECT_EQ((std::tuple{Matrix4x4f::FromString(text), Matrix4x4f::FromString(Matrix4x4f().ToString())}),
              std::tuple(m, Matrix4x4f()));

    // Any of the separators, repeated, and CR LF line ends.
    EXPECT_EQ(Matrix4x4f::FromString("1 -2.5 3 +5\r\n0.125/6/7/1e-05\r\n9;10;11;12\n\t13,14,  15 ,-1e6"), m);

    const std::string sixteen = "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 ";
    for (const std::string& bad :
         {std::string(), std::string("1 2 3"), text + ", 17", sixteen + "x", sixteen + "16abc", sixteen + "1e99"})
        EXPECT_THROW(Matrix4x4f::FromString(bad), std::invalid_argument) << bad;
    try {
        Matrix4x4f::FromString("1 2 3");
    } catch (const std::invalid_argument& e) {
        EXPECT_NE(std::string(e.what()).find("1 2 3"), std::string::npos);
    }
}

TEST(CameraParams, UndistortPoint)
{
    CameraParams camera(640, 480, Vector2f(500, 400));
    camera.C = Vector2f(320, 240);
    camera.distortionC = Vector2f(310, 250);
    // Zero coefficients: the very same bits, also for values the arithmetic would round.
    for (const Vector2f p : {Vector2f(-3.2f, 500.7f), Vector2f(0.1f, 1e-30f), Vector2f(123.456f, 789.012f)}) {
        const Vector2f q = camera.UndistortPoint(p);
        EXPECT_EQ(std::bit_cast<uint32_t>(q.x), std::bit_cast<uint32_t>(p.x));
        EXPECT_EQ(std::bit_cast<uint32_t>(q.y), std::bit_cast<uint32_t>(p.y));
    }

    // k1 alone, by hand: x = (560 - 310) / 500 = 0.5, y = (450 - 250) / 400 = 0.5, r² = 0.5,
    // factor 1 + 0.1 × 0.5 = 1.05, so (0.525 × 500 + 310, 0.525 × 400 + 250) = (572.5, 460).
    camera.distortion[0] = 0.1f;
    const Vector2f radial = camera.UndistortPoint(Vector2f(560, 450));
    EXPECT_NEAR(radial.x, 572.5f, 1e-3f);
    EXPECT_NEAR(radial.y, 460.0f, 1e-3f);
    // The distortion centre itself does not move.
    EXPECT_EQ(camera.UndistortPoint(camera.distortionC), camera.distortionC);

    // Tangential p1 alone at the same point: x' = x + 2·p1·x·y, y' = y + p1·(r² + 2y²).
    camera.distortion[0] = 0.0f;
    camera.distortion[2] = 0.01f;
    const Vector2f tangential = camera.UndistortPoint(Vector2f(560, 450));
    EXPECT_NEAR(tangential.x, (0.5f + 2 * 0.01f * 0.25f) * 500 + 310, 1e-3f);
    EXPECT_NEAR(tangential.y, (0.5f + 0.01f * (0.5f + 0.5f)) * 400 + 250, 1e-3f);
}
