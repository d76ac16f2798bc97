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
