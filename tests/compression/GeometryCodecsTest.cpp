#include <Hyx/FloatCompressor.h>
#include <Hyx/NormalsOctCompressor.h>
#include <Hyx/UInt32Compressor.h>
#include <Hyx/Vector3DNormalizer.h>

#include "compression/OctahedralKernels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

using Hyx::FloatCompressor;
using Hyx::NormalsOctCompressor;
using Hyx::NormalsPrecision;
using Hyx::UInt32Compressor;
using Hyx::Vector3DNormalizer;
using Hyx::XYZPrecision;

namespace {

struct OctSteps : NormalsOctCompressor {
    using NormalsOctCompressor::f_snorm16;
    using NormalsOctCompressor::f_snorm8;
};

template <typename F>
std::string thrownText(F&& f)
{
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "";
}

double degreesBetween(const float* a, const float* b)
{
    const double cx = double(a[1]) * b[2] - double(a[2]) * b[1], cy = double(a[2]) * b[0] - double(a[0]) * b[2],
                 cz = double(a[0]) * b[1] - double(a[1]) * b[0];
    const double dot = double(a[0]) * b[0] + double(a[1]) * b[1] + double(a[2]) * b[2];
    return std::atan2(std::sqrt(cx * cx + cy * cy + cz * cz), dot) * 180.0 / M_PI;
}

// Random unit normals; every other one lies within a hair of the equator.
std::vector<float> randomNormals(uint32_t count)
{
    std::mt19937 random(11);
    std::normal_distribution<float> gauss;
    std::vector<float> normals(3 * size_t(count));
    for (uint32_t i = 0; i < count; ++i) {
        float* n = &normals[3 * size_t(i)];
        n[0] = gauss(random), n[1] = gauss(random), n[2] = i % 2 ? gauss(random) * 1e-3f : gauss(random);
        const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        for (int a = 0; a < 3; ++a)
            n[a] /= length;
    }
    return normals;
}

} // namespace

TEST(NormalsOctCompressor, ExampleNormals)
{
    struct Case {
        float normal[3];
        NormalsPrecision precision;
        std::vector<int> code;
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
        const bool wide = c.precision == NormalsPrecision::OCT_32;
        for (int k = 0; k < 2; ++k) {
            int16_t wideValue;
            std::memcpy(&wideValue, code + 2 * k, 2);
            EXPECT_EQ(wide ? int(wideValue) : int(int8_t(code[k])), c.code[k]);
        }
        float back[3];
        octs.decompressNorms(code, back, 1, c.precision);
        for (int a = 0; a < 3; ++a)
            EXPECT_NEAR(back[a], c.decoded[a], 1e-3f);
    }
}

TEST(NormalsOctCompressor, RandomNormalsDecodeWithinTheirPrecision)
{
    const uint32_t count = 200000;
    const auto normals = randomNormals(count);
    NormalsOctCompressor octs;
    for (auto [precision, limit] : {std::pair{NormalsPrecision::OCT_16, 1.0},
                                    {NormalsPrecision::OCT_32, 0.01},
                                    {NormalsPrecision::UNCOMPRESSED, 0.0}}) {
        std::vector<uint8_t> code(NormalsOctCompressor::getCompressedSizeinBytes(precision, count));
        std::vector<float> back(normals.size());
        octs.compressNorms(normals.data(), code.data(), count, precision);
        octs.decompressNorms(code.data(), back.data(), count, precision);
        double worst = 0;
        for (uint32_t i = 0; i < count; ++i)
            worst = std::max(worst, degreesBetween(&normals[3 * size_t(i)], &back[3 * size_t(i)]));
        EXPECT_LE(worst, limit) << int(precision);
    }
}

TEST(NormalsOctCompressor, SizesAndRefusedPrecisions)
{
    EXPECT_EQ(NormalsOctCompressor::getCompressedSizeinBytes(NormalsPrecision::UNCOMPRESSED, 10), 120u);
    EXPECT_EQ(NormalsOctCompressor::getCompressedSizeinBytes(NormalsPrecision::OCT_16, 10), 20u);
    EXPECT_EQ(NormalsOctCompressor::getCompressedSizeinBytes(NormalsPrecision::OCT_32, 10), 40u);
    EXPECT_EQ(NormalsOctCompressor::getUncompressedSizeinBytes(NormalsPrecision::OCT_16, 10), 120u);
    EXPECT_THROW(NormalsOctCompressor::getUncompressedSizeinBytes(NormalsPrecision::OCT_16, 400000000u),
                 std::length_error);
    NormalsOctCompressor octs;
    float normal[3] = {0, 0, 1};
    uint8_t code[12];
    for (auto precision : {NormalsPrecision::NONE, NormalsPrecision::OCT_24, NormalsPrecision(9)}) {
        EXPECT_EQ(thrownText([&] { octs.compressNorms(normal, code, 1, precision); }), "Precision is not supported.");
        EXPECT_EQ(thrownText([&] { octs.decompressNorms(code, normal, 1, precision); }), "Precision is not supported");
    }
}

TEST(NormalsOctCompressor, ScalarsRoundHalvesAwayFromZero)
{
    for (float f = -1.1f; f <= 1.1f; f += 1.0f / 4096) {
        const float c = std::max(-1.0f, std::min(1.0f, f));
        EXPECT_EQ(OctSteps::f_snorm8(f), std::lround(c * 127.0f)) << f;
        EXPECT_EQ(OctSteps::f_snorm16(f), std::lround(c * 32767.0f)) << f;
    }
    for (float t : {0.5f, std::nextafter(0.5f, 0.0f), 1.5f, 2.5f, std::nextafter(2.5f, 0.0f), 32766.5f, 0.0f})
        for (float s : {1.0f, -1.0f})
            EXPECT_EQ(Hyx::oct::roundAway(s * t), std::lround(s * t)) << s * t;
}

TEST(Vector3DNormalizer, ExamplesAndSizes)
{
    EXPECT_EQ(Vector3DNormalizer::CalcSizeForCompressedPoints(XYZPrecision::QSPACE_11_11_10, 10), 40u);
    EXPECT_EQ(Vector3DNormalizer::CalcSizeForCompressedPoints(XYZPrecision::QSPACE_32_32_32, 10), 120u);
    EXPECT_EQ(thrownText([] { Vector3DNormalizer::CalcSizeForCompressedPoints(XYZPrecision(11), 10); }),
              "CalcSizeForCompressedPoints for this precisionXYZ not supported.");

    const float box[6] = {0, 0, 0, 1, 1, 1};
    Vector3DNormalizer quantiser;
    const float point[3] = {0.5f, 0.25f, 0};
    uint8_t out[6] = {};
    quantiser.CompressPoints(box, XYZPrecision::QSPACE_8_8_8, point, out, 1);
    EXPECT_EQ(std::vector<int>(out, out + 3), (std::vector<int>{128, 64, 0}));
    const float half[3] = {0.5f, 0.5f, 0.5f};
    quantiser.CompressPoints(box, XYZPrecision::QSPACE_11_11_10, half, out, 1);
    uint32_t word;
    std::memcpy(&word, out, 4);
    EXPECT_EQ(word, 0x80100200u);

    float back[3];
    EXPECT_EQ(thrownText([&] { quantiser.CompressPoints(box, XYZPrecision(255), point, out, 1); }),
              "CalcSizeForCompressedPoints for this precisionXYZ not supported.");
    EXPECT_EQ(thrownText([&] { quantiser.DecompressPoints(box, XYZPrecision(255), out, back, 1); }),
              "UncompressPoints for this precisionXYZ not supported.");
    EXPECT_EQ(thrownText([&] { quantiser.CompressPoints(box, XYZPrecision(11), point, out, 1); }),
              "precisionXYZ not supported.");
}

TEST(Vector3DNormalizer, EveryPrecisionRoundTripsWithinItsBits)
{
    const uint32_t count = 1001;
    const float box[6] = {-2, 0, 10, 2, 0.5f, 13};
    std::mt19937 random(3);
    std::vector<float> points(3 * count);
    for (size_t i = 0; i < points.size(); ++i)
        points[i] =
            box[i % 3] + (box[3 + i % 3] - box[i % 3]) * std::uniform_real_distribution<float>(0, 0.999f)(random);
    std::vector<uint8_t> packed16;
    for (int p = 0; p <= 10; ++p) {
        const auto precision = XYZPrecision(p);
        std::vector<uint8_t> packed(Vector3DNormalizer::CalcSizeForCompressedPoints(precision, count));
        std::vector<float> back(points.size());
        Vector3DNormalizer quantiser;
        quantiser.CompressPoints(box, precision, points.data(), packed.data(), count);
        quantiser.DecompressPoints(box, precision, packed.data(), back.data(), count);
        auto applied = points;
        quantiser.ApplyPrecision(box, precision, applied.data(), count);
        static const int bits[11][3] = {{8, 8, 8},    {9, 9, 9},    {10, 10, 10}, {11, 11, 10},
                                        {11, 11, 11}, {12, 12, 12}, {13, 13, 13}, {14, 13, 13},
                                        {16, 16, 16}, {16, 16, 16}, {16, 16, 16}};
        for (size_t i = 0; i < points.size(); ++i) {
            const float extent = box[3 + i % 3] - box[i % 3];
            EXPECT_NEAR(back[i], points[i], extent * std::ldexp(1.0f, -bits[p][i % 3]) + 2e-6f) << p << " " << i;
            if (p < 8 || p == 10) {
                EXPECT_EQ(applied[i], back[i]) << p << " " << i;
            }
        }
        if (p == 8) {
            packed16 = packed;
        } else if (p > 8) {
            EXPECT_EQ(packed, packed16); // the 48-bit packing always keeps 16 bits
        }
    }
}

TEST(UInt32Compressor, PacksAndRefusesWideIndices)
{
    const uint32_t example[4] = {1, 2, 3, 0x00030201};
    uint32_t size = 0;
    auto packed = UInt32Compressor::Compress24Bit(example, 4, size);
    ASSERT_EQ(size, 12u);
    uint32_t words[3];
    std::memcpy(words, packed.get(), 12);
    EXPECT_EQ(words[0], 0x01000001u);
    EXPECT_EQ(words[1], 0x02000002u);
    EXPECT_EQ(words[2], 0x03000003u);

    std::mt19937 random(5);
    for (uint32_t count = 0; count <= 9; ++count) {
        std::vector<uint32_t> indices(count);
        for (auto& i : indices)
            i = random() & 0xFFFFFF;
        std::vector<uint32_t> back(count);
        packed = UInt32Compressor::Compress24Bit(indices.data(), count, size);
        EXPECT_EQ(size, 3 * count);
        UInt32Compressor::Decompress24Bit(packed.get(), count, back.data());
        EXPECT_EQ(back, indices);
        for (auto& i : indices)
            i &= 0xFFFF;
        packed = UInt32Compressor::Compress16Bit(indices.data(), count, size);
        EXPECT_EQ(size, 2 * count);
        UInt32Compressor::Decompress16Bit(packed.get(), count, back.data());
        EXPECT_EQ(back, indices);
    }
    const uint32_t wide[5] = {0, 1, 2, 3, 1u << 24};
    EXPECT_THROW(UInt32Compressor::Compress24Bit(wide, 5, size), std::out_of_range);
    const uint32_t wide16[2] = {65536, 0};
    EXPECT_THROW(UInt32Compressor::Compress16Bit(wide16, 2, size), std::out_of_range);
}

TEST(FloatCompressor, PacksAndRefusesValuesOutsideTheRange)
{
    const float clamped[3] = {1.5f, -0.5f, NAN};
    auto packed = FloatCompressor::CompressFloatsTo16Bit(clamped, 3);
    EXPECT_EQ(std::vector<int>(packed.get(), packed.get() + 6), (std::vector<int>{0xFF, 0xFF, 0, 0, 0, 0}));
    const float pair[2] = {1.0f, 0.0f};
    packed = FloatCompressor::CompressFloatsTo12Bit(pair, 2);
    EXPECT_EQ(std::vector<int>(packed.get(), packed.get() + 3), (std::vector<int>{0xFF, 0x00, 0x0F}));

    std::vector<float> values(1000);
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = float(i) / 999.0f;
    std::vector<float> back(values.size());
    FloatCompressor::DecompressFloatsFrom16Bit(FloatCompressor::CompressFloatsTo16Bit(values.data(), 1000).get(), 1000,
                                               back.data());
    for (size_t i = 0; i < values.size(); ++i)
        EXPECT_NEAR(back[i], values[i], 1.0f / 65535);
    FloatCompressor::DecompressFloatsFrom12Bit(FloatCompressor::CompressFloatsTo12Bit(values.data(), 1000).get(), 1000,
                                               back.data());
    for (size_t i = 0; i < values.size(); ++i)
        EXPECT_NEAR(back[i], values[i], 1.0f / 4095);

    for (float bad : {1.0001f, -0.0001f, NAN}) {
        const float outside[2] = {0.5f, bad};
        EXPECT_THROW(FloatCompressor::CompressFloatsTo12Bit(outside, 2), std::out_of_range) << bad;
    }
    EXPECT_THROW(FloatCompressor::CompressFloatsTo12Bit(values.data(), 3), std::invalid_argument);
    EXPECT_THROW(FloatCompressor::DecompressFloatsFrom12Bit(packed.get(), 3, back.data()), std::invalid_argument);
}
