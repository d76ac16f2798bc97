#include <VornCommon/Matrix4x4f.h>
#include <VornCommon/Vector.h>
#include <VornCommon/Versorf.h>

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <stdexcept>

using namespace VornCommon;

namespace {

void ExpectNear(const Vector3f& actual, const Vector3f& expected, float tolerance = 1e-6f)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

const float kHalfSqrt2 = std::sqrt(0.5f);

} // namespace

TEST(VersorMatrix, FromElementsVectorRejectsKeepsAndNormalises)
{
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_THROW(Versorf::FromElementsVector(Vector4f(0, 0, 0, 0)), std::invalid_argument);
    EXPECT_THROW(Versorf::FromElementsVector(Vector4f(nan, 0, 0, 1)), std::invalid_argument);
    EXPECT_THROW(Versorf::FromElementsVector(Vector4f(0, inf, 0, 1)), std::invalid_argument);
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

TEST(VersorMatrix, RotationTranslationAndDefaults)
{
    EXPECT_EQ(Matrix4x4f(), Matrix4x4f(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1));
    EXPECT_EQ(Matrix4x4f::CreateRotationFromVersor(Versorf()), Matrix4x4f());
    EXPECT_EQ(Versorf().ToElementsVector(), Vector4f(0, 0, 0, 1));

    // 90 degrees about z.
    const Versorf quarterZ = Versorf::FromElementsVector(Vector4f(0, 0, kHalfSqrt2, kHalfSqrt2));
    const Matrix4x4f rotation = Matrix4x4f::CreateRotationFromVersor(quarterZ);
    ExpectNear(rotation * Vector3f(1, 0, 0), Vector3f(0, 1, 0));
    ExpectNear(rotation * Vector3f(0, 1, 0), Vector3f(-1, 0, 0));
    EXPECT_EQ(rotation[3], Vector4f(0, 0, 0, 1));

    const Matrix4x4f translation = Matrix4x4f::CreateTranslation(Vector3f(5, 6, 7));
    EXPECT_EQ(translation[0][3], 5.0f);
    EXPECT_EQ(translation[2][3], 7.0f);
    EXPECT_EQ(translation * Vector3f(1, 1, 1), Vector3f(6, 7, 8)) << "vectors are points";

    // T x R rotates first, then translates.
    ExpectNear((translation * rotation) * Vector3f(1, 0, 0), Vector3f(5, 7, 7));
    ExpectNear((rotation * translation) * Vector3f(1, 0, 0), Vector3f(-6, 6, 7));
    EXPECT_EQ(translation * Matrix4x4f(), translation);

    Matrix4x4f m;
    m[1][2] = 4.0f;
    EXPECT_EQ(m[1].z, 4.0f);
    EXPECT_THROW(m[4], std::out_of_range);
    EXPECT_THROW(m[0][-1], std::out_of_range);
}
