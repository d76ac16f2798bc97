#include <VornCommon/CameraParams.h>

#include <gtest/gtest.h>

#include <bit>

using namespace VornCommon;

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
