#include <VornCommon/Matrix4x4f.h>
#include <VornCommon/Vector.h>
#include <VornCommon/Versorf.h>

#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>

using namespace VornCommon;

TEST(TextForms, MatrixRoundTripAndErrors)
{
    const Matrix4x4f m(1, -2.5f, 3, 5, 0.125f, 6, 7, 1e-05f, 9, 10, 11, 12, 13, 14, 15, -1000000);
    const std::string text = m.ToString();
    EXPECT_EQ(text, "((1, -2.5, 3, 5), (0.125, 6, 7, 1e-05), (9, 10, 11, 12), (13, 14, 15, -1e+06))");
    EXPECT_EQ((std::tuple{Matrix4x4f::FromString(text), Matrix4x4f::FromString(Matrix4x4f().ToString())}),
              std::tuple(m, Matrix4x4f()));

    // Any of the separators, repeated, and CR LF line ends.
    EXPECT_EQ(Matrix4x4f::FromString("1 -2.5 3 +5\r\n0.125/6/7/1e-05\r\n9;10;11;12\n\t13,14,  15 ,-1e6"), m);

    EXPECT_THROW(Matrix4x4f::FromString(""), std::invalid_argument);
    EXPECT_THROW(Matrix4x4f::FromString("1 2 3"), std::invalid_argument);
    EXPECT_THROW(Matrix4x4f::FromString(text + ", 17"), std::invalid_argument);
    EXPECT_THROW(Matrix4x4f::FromString("1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 x"), std::invalid_argument);
    EXPECT_THROW(Matrix4x4f::FromString("1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16abc"), std::invalid_argument);
    EXPECT_THROW(Matrix4x4f::FromString("1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 1e99"), std::invalid_argument);
    try {
        Matrix4x4f::FromString("1 2 3");
    } catch (const std::invalid_argument& e) {
        EXPECT_NE(std::string(e.what()).find("1 2 3"), std::string::npos);
    }
}
