#include <VornCommon/ByteArray.h>
#include <VornCommon/CameraParams.h>
#include <VornCommon/Matrix4x4f.h>
#include <VornCommon/Versorf.h>

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <limits>
#include <vector>

using namespace VornCommon;

namespace {

std::vector<uint8_t> Bytes(const ByteArray& array)
{
    return std::vector<uint8_t>(array.Data(), array.Data() + array.Size());
}

std::vector<uint8_t> LittleEndian(const std::vector<uint32_t>& words)
{
    std::vector<uint8_t> bytes;
    for (uint32_t w : words)
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<uint8_t>(w >> (8 * i)));
    return bytes;
}

} // namespace

TEST(RawForms, VersorIsBitExactIncludingOddValues)
{
    const float nan = std::bit_cast<float>(0x7FC12345u); // quiet NaN with a payload
    const std::vector<std::vector<uint32_t>> cases = {
        {0x00000000u, 0x00000000u, 0x00000000u, 0x3F800000u}, // identity
        {0x40000000u, 0xC0400000u, 0x00000000u, 0x80000000u}, // non-unit, negative zero
        {std::bit_cast<uint32_t>(nan), 0x7F800000u, 0xFF800000u, 0x00000001u}, // NaN, infinities, denormal
    };
    for (const auto& words : cases) {
        const std::vector<uint8_t> raw = LittleEndian(words);
        ByteArray in(raw.data(), raw.size());
        const Versorf versor = Versorf::FromRawBytes(in, true);
        EXPECT_TRUE(in.IsEmpty());
        ByteArray out;
        versor.ToRawBytes(out);
        EXPECT_EQ(Bytes(out), raw);
        uint8_t direct[Versorf::RAW_BYTES_SIZE];
        Versorf::FromRawBytes(raw.data()).ToRawBytes(direct);
        EXPECT_EQ(std::memcmp(direct, raw.data(), raw.size()), 0);
    }
    // The default versor is the identity: 0, 0, 0, 1.0.
    ByteArray identity;
    Versorf().ToRawBytes(identity);
    EXPECT_EQ(Bytes(identity), LittleEndian({0, 0, 0, 0x3F800000u}));
}

TEST(RawForms, MatrixIsRowMajorAndBitExact)
{
    Matrix4x4f m;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            m[r][c] = static_cast<float>(10 * r + c) + 0.25f;
    m[0][3] = 5.0f;
    m[2][1] = std::bit_cast<float>(0xFFC00001u);
    ByteArray out;
    m.ToRawBytes(out);
    ASSERT_EQ(out.Size(), Matrix4x4f::RAW_BYTES_SIZE);
    float m03 = 0;
    std::memcpy(&m03, out.Data() + 12, 4);
    EXPECT_EQ(m03, 5.0f) << "M[0][3] is at bytes 12-15";
    float m10 = 0;
    std::memcpy(&m10, out.Data() + 16, 4);
    EXPECT_EQ(m10, 10.25f);

    const std::vector<uint8_t> written = Bytes(out);
    const Matrix4x4f back = Matrix4x4f::FromRawBytes(out, false);
    EXPECT_EQ(out.Size(), 64u) << "without consume the array keeps its bytes";
    ByteArray again;
    back.ToRawBytes(again);
    EXPECT_EQ(Bytes(again), written);
}

TEST(RawForms, ShortArraysReadAsZeros)
{
    // 6 bytes: x = 1.0 and half of y.
    const std::vector<uint8_t> raw = {0x00, 0x00, 0x80, 0x3F, 0xAA, 0xBB};
    ByteArray in(raw.data(), raw.size());
    const Vector4f e = Versorf::FromRawBytes(in, true).ToElementsVector();
    EXPECT_EQ((std::tuple{e.x, e.z, e.w}), std::tuple(1.0f, 0.0f, 0.0f));
    EXPECT_TRUE(in.IsEmpty()) << "only the present bytes are consumed";

    ByteArray empty;
    EXPECT_EQ(Matrix4x4f::FromRawBytes(empty, true), Matrix4x4f(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0));

    ByteArray partial(static_cast<uint64_t>(8));
    partial.Data()[2] = 0x80;
    partial.Data()[3] = 0x3F;
    const Matrix4x4f m = Matrix4x4f::FromRawBytes(partial, true);
    EXPECT_EQ(m[0][0], 1.0f);
    EXPECT_EQ(m[3][3], 0.0f);
    EXPECT_EQ(partial.Size(), 0u);
}

TEST(RawForms, ByteArrayAppendAndFront)
{
    const uint8_t data[] = {1, 2, 3, 4, 5};
    ByteArray a(data, 5);
    a.Append(a);
    EXPECT_EQ(Bytes(a), (std::vector<uint8_t>{1, 2, 3, 4, 5, 1, 2, 3, 4, 5}));
    a.RemoveFront(7);
    EXPECT_EQ(Bytes(a), (std::vector<uint8_t>{3, 4, 5}));
    a.RemoveFront(100);
    EXPECT_TRUE(a.IsEmpty());
    EXPECT_THROW(ByteArray(nullptr, 3), std::invalid_argument);
    EXPECT_TRUE(ByteArray(nullptr, 0).IsEmpty());
    uint8_t front[4] = {9, 9, 9, 9};
    ByteArray b(data, 2);
    EXPECT_EQ((std::tuple{b.ReadFront(front, 4, false), std::vector<uint8_t>(front, front + 4), b.Size()}),
              std::tuple(2u, (std::vector<uint8_t>{1, 2, 0, 0}), 2u));
}

TEST(RawForms, TwoCamerasReadBackInOrder)
{
    CameraParams color(640, 480, Vector2f(500.5f, 501.25f));
    color.C = Vector2f(320.5f, 240.25f);
    color.distortionC = Vector2f(321, 239);
    for (int i = 0; i < CameraParams::DISTORTION_COUNT; ++i)
        color.distortion[i] = 0.01f * static_cast<float>(i + 1);
    color.translation = Vector3f(-0.05f, 0.001f, 0.0f);
    color.rotation =
        Matrix4x4f::CreateRotationFromVersor(Versorf::FromElementsVector(Vector4f(0.1f, 0.2f, 0.3f, 0.9f)));
    CameraParams infrared(0xFFFFFFFFu, 1, Vector2f(1, 1));
    infrared.rotation[3][3] = std::bit_cast<float>(0x7FA00001u);

    ByteArray array;
    color.ToRawBytes(array);
    EXPECT_EQ(array.Size(), CameraParams::RAW_BYTES_SIZE);
    infrared.ToRawBytes(array);
    const std::vector<uint8_t> written = Bytes(array);
    // Layout spot checks: width, then F.x, then the first rotation element.
    EXPECT_EQ((std::tuple{std::vector<uint8_t>(written.begin(), written.begin() + 4),
                          std::vector<uint8_t>(written.begin() + 8, written.begin() + 12)}),
              std::tuple(LittleEndian({640}), LittleEndian({std::bit_cast<uint32_t>(500.5f)})));
    EXPECT_EQ(std::vector<uint8_t>(written.begin() + 64, written.begin() + 68),
              LittleEndian({std::bit_cast<uint32_t>(color.rotation[0][0])}));

    const CameraParams first = CameraParams::FromRawBytes(array, true);
    EXPECT_EQ(array.Size(), CameraParams::RAW_BYTES_SIZE);
    const CameraParams second = CameraParams::FromRawBytes(array, true);
    EXPECT_EQ((std::tuple{array.IsEmpty(), first}), std::tuple(true, color));
    ByteArray rewritten;
    first.ToRawBytes(rewritten);
    second.ToRawBytes(rewritten);
    EXPECT_EQ(Bytes(rewritten), written) << "bit-exact, NaN element included";

    // A truncated camera: present bytes read, the rest zero, only those bytes consumed.
    ByteArray shortArray(written.data(), 10);
    const CameraParams partial = CameraParams::FromRawBytes(shortArray, true);
    EXPECT_EQ((std::tuple{partial.width, partial.height}), std::tuple(640u, 480u));
    EXPECT_EQ(std::bit_cast<uint32_t>(partial.F.x), 0x4000u) << "the two present bytes of F.x, then zeros";
    EXPECT_EQ(partial.F.y, 0.0f);
    EXPECT_EQ(partial.rotation[0][0], 0.0f);
    EXPECT_TRUE(shortArray.IsEmpty());
}
