#include <Hyx/FloatCompressor.h>
#include <Hyx/NormalsOctCompressor.h>
#include <Hyx/UInt32Compressor.h>
#include <Hyx/Vector3DNormalizer.h>

#include "compression/OctahedralKernels.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <stdexcept>
#include <vector>

using Hyx::FloatCompressor;
using Hyx::NormalsOctCompressor;
using Hyx::NormalsPrecision;
using Hyx::UInt32Compressor;
using Hyx::Vector3DNormalizer;
using Hyx::XYZPrecision;
using testing::StrEq;
using testing::ThrowsMessage;

namespace {

// Angle in degrees, exact also for tiny angles.
double degreesBetween(const float* a, const float* b)
{
    const double cx = double(a[1]) * b[2] - double(a[2]) * b[1], cy = double(a[2]) * b[0] - double(a[0]) * b[2],
                 cz = double(a[0]) * b[1] - double(a[1]) * b[0];
    const double dot = double(a[0]) * b[0] + double(a[1]) * b[1] + double(a[2]) * b[2];
    return std::atan2(std::sqrt(cx * cx + cy * cy + cz * cz), dot) * 180.0 / M_PI;
}

} // namespace

TEST(NormalsOctCompressor, ExampleNormals)
{
    struct Case {
        float normal[3];
        NormalsPrecision precision;
        int code[2];
        float decoded[3];
    };
    const Case cases[] = {
        {{0, 0, 1}, NormalsPrecision::OCT_16, {0, 0}, {0, 0, 1}},
        {{0, 0, 1}, NormalsPrecision::OCT_32, {0, 0}, {0, 0, 1}},
        {{0, 0, -1}, NormalsPrecision::OCT_16, {127, 127}, {0, 0, -1}},
        {{0, 0, -1}, NormalsPrecision::OCT_32, {32767, 32767}, {0, 0, -1}},
        {{-0.6f, 0.8f, 0}, NormalsPrecision::OCT_16, {-54, 73}, {-0.5947f, 0.8040f, 0}},
        {{0, 0, 0}, NormalsPrecision::OCT_16, {0, 0}, {0, 0, 1}},
    };
    NormalsOctCompressor octs;
    for (const Case& c : cases) {
        uint8_t code[4] = {};
        octs.compressNorms(c.normal, code, 1, c.precision);
        int16_t wide[2];
        std::memcpy(wide, code, 4);
        const bool is32 = c.precision == NormalsPrecision::OCT_32;
        EXPECT_EQ(is32 ? wide[0] : int8_t(code[0]), c.code[0]);
        EXPECT_EQ(is32 ? wide[1] : int8_t(code[1]), c.code[1]);
        float back[3];
        octs.decompressNorms(code, back, 1, c.precision);
        for (int a = 0; a < 3; ++a)
            EXPECT_NEAR(back[a], c.decoded[a], 1e-3f);
    }
}

TEST(NormalsOctCompressor, RandomNormalsDecodeWithinTheirPrecision)
{
    // Every other normal lies within a hair of the equator, where the fold is decided.
    const uint32_t count = 200000;
    std::mt19937 random(11);
    std::normal_distribution<float> gauss;
    std::vector<float> normals(3 * size_t(count));
    for (uint32_t i = 0; i < count; ++i) {
        float* n = &normals[3 * size_t(i)];
        n[0] = gauss(random), n[1] = gauss(random), n[2] = gauss(random) * (i % 2 ? 1e-3f : 1.0f);
        const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        n[0] /= length, n[1] /= length, n[2] /= length;
    }
    NormalsOctCompressor octs;
    for (auto [precision, limit] : {std::pair{NormalsPrecision::OCT_16, 1.0},
                                    {NormalsPrecision::OCT_32, 0.01},
                                    {NormalsPrecision::UNCOMPRESSED, 0.0}}) {
        std::vector<uint8_t> code(NormalsOctCompressor::getCompressedSizeinBytes(precision, count));
        std::vector<float> back(normals.size());
        octs.compressNorms(normals.data(), code.data(), count, precision);
        octs.decompressNorms(code.data(), back.data(), count, precision);
        double worst = 0;
        for (size_t i = 0; i < normals.size(); i += 3)
            worst = std::max(worst, degreesBetween(&normals[i], &back[i]));
        EXPECT_LE(worst, limit) << int(precision);
    }
}

TEST(NormalsOctCompressor, EquatorCornersKeepTheirSide)
{
    // Folded normals whose code lands on a corner of the fold's edge, and half-NaN normals.
    const float tiny = -1e-9f;
    const float normals[][3] = {{0, 1, tiny}, {0, -1, tiny}, {1, 0, tiny}, {-1, 0, tiny}, {-0.0f, -1, tiny}};
    NormalsOctCompressor octs;
    for (auto [precision, limit] : {std::pair{NormalsPrecision::OCT_16, 1.0}, {NormalsPrecision::OCT_32, 0.01}}) {
        for (const auto& normal : normals) {
            uint8_t code[4];
            float back[3];
            octs.compressNorms(normal, code, 1, precision);
            octs.decompressNorms(code, back, 1, precision);
            EXPECT_LE(degreesBetween(normal, back), limit) << normal[0] << " " << normal[1] << " at " << int(precision);
        }
        const float halfNan[3] = {NAN, 0.5f, -1};
        uint8_t code[4] = {1, 1, 1, 1};
        octs.compressNorms(halfNan, code, 1, precision);
        const int untouched = precision == NormalsPrecision::OCT_16 ? 1 : 0;
        EXPECT_THAT(code, testing::ElementsAre(0, 0, untouched, untouched));
    }
}

TEST(NormalsOctCompressor, SizesRoundingAndRefusedPrecisions)
{
    EXPECT_EQ((std::tuple{NormalsOctCompressor::getCompressedSizeinBytes(NormalsPrecision::UNCOMPRESSED, 10),
                          NormalsOctCompressor::getCompressedSizeinBytes(NormalsPrecision::OCT_32, 10)}),
              std::tuple(120u, 40u));
    EXPECT_THROW(NormalsOctCompressor::getUncompressedSizeinBytes(NormalsPrecision::OCT_16, 400000000u),
                 std::length_error);
    NormalsOctCompressor octs;
    float normal[3] = {0, 0, 1};
    uint8_t code[12];
    for (auto precision : {NormalsPrecision::NONE, NormalsPrecision::OCT_24, NormalsPrecision(9)}) {
        EXPECT_THAT([&] { octs.compressNorms(normal, code, 1, precision); },
                    ThrowsMessage<std::invalid_argument>(StrEq("Precision is not supported.")));
        EXPECT_THAT([&] { octs.decompressNorms(code, normal, 1, precision); },
                    ThrowsMessage<std::invalid_argument>(StrEq("Precision is not supported")));
    }
    // Halves away from zero, also just below a half where adding 0.5 would round up.
    for (float t : {0.5f, std::nextafter(0.5f, 0.0f), 2.5f, std::nextafter(2.5f, 0.0f), 32766.5f, 0.0f})
        for (float s : {1.0f, -1.0f})
            EXPECT_EQ(Hyx::oct::roundAway(s * t), std::lround(s * t)) << s * t;
}

TEST(Vector3DNormalizer, ExamplesAndRefusedPrecisions)
{
    EXPECT_EQ((std::tuple{Vector3DNormalizer::CalcSizeForCompressedPoints(XYZPrecision::QSPACE_11_11_10, 10),
                          Vector3DNormalizer::CalcSizeForCompressedPoints(XYZPrecision::QSPACE_32_32_32, 10)}),
              std::tuple(40u, 120u));
    const auto calcText = "CalcSizeForCompressedPoints for this precisionXYZ not supported.";
    EXPECT_THAT([] { Vector3DNormalizer::CalcSizeForCompressedPoints(XYZPrecision(11), 10); },
                ThrowsMessage<std::invalid_argument>(StrEq(calcText)));

    const float box[6] = {0, 0, 0, 1, 1, 1};
    Vector3DNormalizer quantiser;
    const float point[3] = {0.5f, 0.25f, 0}, half[3] = {0.5f, 0.5f, 0.5f};
    uint8_t out[6] = {};
    quantiser.CompressPoints(box, XYZPrecision::QSPACE_8_8_8, point, out, 1);
    EXPECT_THAT(std::vector<int>(out, out + 3), testing::ElementsAre(128, 64, 0));
    quantiser.CompressPoints(box, XYZPrecision::QSPACE_11_11_10, half, out, 1);
    uint32_t word;
    std::memcpy(&word, out, 4);
    EXPECT_EQ(word, 0x80100200u);

    float back[3];
    EXPECT_THAT([&] { quantiser.CompressPoints(box, XYZPrecision(255), point, out, 1); },
                ThrowsMessage<std::invalid_argument>(StrEq(calcText)));
    EXPECT_THAT([&] { quantiser.DecompressPoints(box, XYZPrecision(255), out, back, 1); },
                ThrowsMessage<std::invalid_argument>(StrEq("UncompressPoints for this precisionXYZ not supported.")));
    EXPECT_THAT([&] { quantiser.CompressPoints(box, XYZPrecision(11), point, out, 1); },
                ThrowsMessage<std::invalid_argument>(StrEq("precisionXYZ not supported.")));

    // The maximum face and points outside stay on the nearest face, NaN gives 0; a flat
    // axis packs everything as its minimum.
    const float outside[9] = {1.25f, -0.25f, NAN, 1, 1, 1, 0.5f, 0.5f, 7};
    const float flat[6] = {0, 0, 7, 1, 1, 7};
    uint8_t clamped[18];
    quantiser.CompressPoints(box, XYZPrecision::QSPACE_16_16_16, outside, clamped, 2);
    quantiser.CompressPoints(flat, XYZPrecision::QSPACE_16_16_16, outside + 6, clamped + 12, 1);
    EXPECT_THAT(clamped, testing::ElementsAre(0xFF, 0xFF, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0x80, 0,
                                              0x80, 0, 0));
    quantiser.DecompressPoints(flat, XYZPrecision::QSPACE_16_16_16, clamped + 12, back, 1);
    EXPECT_EQ(back[2], 7.0f);
    quantiser.CompressPoints(box, XYZPrecision::QSPACE_11_11_10, outside + 3, out, 1);
    std::memcpy(&word, out, 4);
    EXPECT_EQ(word, 0xFFFFFFFFu) << "the maximum face does not wrap to the minimum";

    // An axis whose extent overflows a float packs every point as its minimum; the box check
    // refuses such a box though each of its floats is finite.
    const float overflowing[6] = {-2e38f, 0, 0, 2e38f, 1, 1};
    const float far[3] = {1e38f, 0.5f, 0.5f};
    quantiser.CompressPoints(overflowing, XYZPrecision::QSPACE_16_16_16, far, out, 1);
    quantiser.DecompressPoints(overflowing, XYZPrecision::QSPACE_16_16_16, out, back, 1);
    EXPECT_EQ(back[0], -2e38f);
    EXPECT_FALSE(Vector3DNormalizer::BoxHoldsPoints(overflowing, far, 1));
    EXPECT_TRUE(Vector3DNormalizer::BoxHoldsPoints(box, half, 1));
}

TEST(Vector3DNormalizer, EveryPrecisionRoundTripsWithinItsBits)
{
    const uint32_t count = 1001;
    const float box[6] = {-2, 0, 10, 2, 0.5f, 13};
    std::mt19937 random(3);
    std::uniform_real_distribution<float> inside(0, 1);
    std::vector<float> points(3 * count);
    for (size_t i = 0; i < points.size(); ++i)
        points[i] = i < 3 ? box[3 + i] : box[i % 3] + (box[3 + i % 3] - box[i % 3]) * inside(random);
    // Bits kept per axis; the 48-bit packing keeps 16 for precisions 8-10.
    const int bits[11][3] = {{8, 8, 8},    {9, 9, 9},    {10, 10, 10}, {11, 11, 10}, {11, 11, 11}, {12, 12, 12},
                             {13, 13, 13}, {14, 13, 13}, {16, 16, 16}, {16, 16, 16}, {16, 16, 16}};
    std::vector<uint8_t> packed16;
    for (int p = 0; p <= 10; ++p) {
        const auto precision = XYZPrecision(p);
        std::vector<uint8_t> packed(Vector3DNormalizer::CalcSizeForCompressedPoints(precision, count));
        std::vector<float> back(points.size()), applied = points;
        Vector3DNormalizer quantiser;
        quantiser.CompressPoints(box, precision, points.data(), packed.data(), count);
        quantiser.DecompressPoints(box, precision, packed.data(), back.data(), count);
        quantiser.ApplyPrecision(box, precision, applied.data(), count);
        for (size_t i = 0; i < points.size(); ++i) {
            const float extent = box[3 + i % 3] - box[i % 3];
            // At or below the original, less than one step below (float rounding aside).
            const float step = extent * std::ldexp(1.0f, -bits[p][i % 3]);
            ASSERT_LE(back[i], points[i] + 2e-6f) << p << " " << i;
            ASSERT_GT(back[i], points[i] - step - 2e-6f) << p << " " << i;
            ASSERT_TRUE(p == 8 || p == 9 || applied[i] == back[i]) << p << " " << i;
        }
        if (p == 8)
            packed16 = packed;
        EXPECT_TRUE(p < 8 || packed == packed16) << p;
    }
}

TEST(UInt32Compressor, PacksAndRefusesWideIndices)
{
    const uint32_t example[4] = {1, 2, 3, 0x00030201};
    uint32_t size = 0, words[3];
    std::memcpy(words, UInt32Compressor::Compress24Bit(example, 4, size).get(), 12);
    EXPECT_EQ(size, 12u);
    EXPECT_THAT(words, testing::ElementsAre(0x01000001u, 0x02000002u, 0x03000003u));

    std::mt19937 random(5);
    for (uint32_t count = 0; count <= 9; ++count) {
        std::vector<uint32_t> indices(count), back(count);
        for (auto& i : indices)
            i = random() & 0xFFFFFF;
        UInt32Compressor::Decompress24Bit(UInt32Compressor::Compress24Bit(indices.data(), count, size).get(), count,
                                          back.data());
        EXPECT_EQ((std::tuple{size, back}), std::tuple(3 * count, indices));
        for (auto& i : indices)
            i &= 0xFFFF;
        UInt32Compressor::Decompress16Bit(UInt32Compressor::Compress16Bit(indices.data(), count, size).get(), count,
                                          back.data());
        EXPECT_EQ((std::tuple{size, back}), std::tuple(2 * count, indices));
    }
    const uint32_t wide[5] = {0, 1, 2, 3, 1u << 24};
    EXPECT_THROW(UInt32Compressor::Compress24Bit(wide, 5, size), std::out_of_range);
    EXPECT_THROW(UInt32Compressor::Compress16Bit(wide, 5, size), std::out_of_range);
}

TEST(FloatCompressor, PacksAndRefusesValuesOutsideTheRange)
{
    // Clamped, then truncated: 0.5 x 65535 = 32767.5 codes to 32767.
    const float clamped[4] = {1.5f, -0.5f, NAN, 0.5f}, pair[2] = {1.0f, 0.0f};
    auto packed = FloatCompressor::CompressFloatsTo16Bit(clamped, 4);
    EXPECT_THAT(std::vector<int>(packed.get(), packed.get() + 8),
                testing::ElementsAre(0xFF, 0xFF, 0, 0, 0, 0, 0xFF, 0x7F));
    packed = FloatCompressor::CompressFloatsTo12Bit(pair, 2);
    EXPECT_THAT(std::vector<int>(packed.get(), packed.get() + 3), testing::ElementsAre(0xFF, 0x00, 0x0F));

    std::vector<float> values(1000), back(1000);
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = float(i) / 999.0f;
    FloatCompressor::DecompressFloatsFrom16Bit(FloatCompressor::CompressFloatsTo16Bit(values.data(), 1000).get(), 1000,
                                               back.data());
    EXPECT_THAT(back, testing::Pointwise(testing::FloatNear(1.0f / 65535), values));
    FloatCompressor::DecompressFloatsFrom12Bit(FloatCompressor::CompressFloatsTo12Bit(values.data(), 1000).get(), 1000,
                                               back.data());
    EXPECT_THAT(back, testing::Pointwise(testing::FloatNear(1.0f / 4095), values));

    for (float bad : {1.0001f, -0.0001f, NAN}) {
        const float outside[2] = {0.5f, bad};
        EXPECT_THROW(FloatCompressor::CompressFloatsTo12Bit(outside, 2), std::out_of_range) << bad;
    }
    EXPECT_THROW(FloatCompressor::CompressFloatsTo12Bit(values.data(), 3), std::invalid_argument);
    EXPECT_THROW(FloatCompressor::DecompressFloatsFrom12Bit(packed.get(), 3, back.data()), std::invalid_argument);
}
