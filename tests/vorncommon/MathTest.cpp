#include <VornCommon/Color.h>
#include <VornCommon/Image.h>
#include <VornCommon/Math.h>

#include <gtest/gtest.h>

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
