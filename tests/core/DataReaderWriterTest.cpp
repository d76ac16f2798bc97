#include <Hyx/DataReader.h>
#include <Hyx/DataWriter.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

using Hyx::DataReader;
using Hyx::DataWriter;
using VornCommon::Guid;

namespace {

const Guid SampleGuid = Guid::FromHexString("6F0022F4-A3D5-4CCA-8DAC-ADCC3B37C839");

} // namespace

TEST(DataWriter, WritesTheExactPayloadEncodingAndReaderReadsItBack)
{
    std::vector<uint8_t> payload(64, 0xCC);
    DataWriter writer(payload.data(), uint32_t(payload.size()));
    EXPECT_EQ((std::tuple{bool(writer.write(static_cast<unsigned char>(0x01))),
                          bool(writer.write(static_cast<unsigned short>(0x0302))), bool(writer.write(0x07060504u)),
                          bool(writer.write(uint64_t(0x0F0E0D0C0B0A0908ull))), bool(writer.write(-2.0f)),
                          bool(writer.write("hi")), bool(writer.write("")), bool(writer.write(SampleGuid))}),
              std::tuple(true, true, true, true, true, true, true, true));
    const unsigned short shorts[] = {0xBBAA};
    const float floats[] = {0.5f};
    EXPECT_EQ((std::tuple{bool(writer.write(shorts, 1)), bool(writer.write(floats, 1))}), std::tuple(true, true));
    const std::vector<uint8_t> expected = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B,
                                           0x0C, 0x0D, 0x0E, 0x0F, 0x00, 0x00, 0x00, 0xC0, // -2.0f
                                           'h',  'i',  0x00, 0x00, // "hi" and ""
                                           0xF4, 0x22, 0x00, 0x6F, 0xD5, 0xA3, 0xCA, 0x4C, 0x8D, 0xAC, 0xAD,
                                           0xCC, 0x3B, 0x37, 0xC8, 0x39, 0xAA, 0xBB, 0x00, 0x00, 0x00, 0x3F};
    ASSERT_EQ(writer.getPos(), expected.size());
    EXPECT_EQ((std::tuple{std::vector<uint8_t>(payload.begin(), payload.begin() + long(expected.size())),
                          payload[expected.size()]}),
              std::tuple(expected, 0xCC));

    DataReader reader(payload.data(), uint32_t(expected.size()));
    EXPECT_EQ((std::tuple{reader.read_uint8(), reader.read_uint16()}), std::tuple(0x01, 0x0302));
    uint32_t word = 0;
    EXPECT_EQ((std::tuple{bool(reader.read(word)), word}), std::tuple(true, 0x07060504u));
    EXPECT_EQ((std::tuple{reader.read_uint64(), reader.read_float(), reader.read_string()}),
              std::tuple(0x0F0E0D0C0B0A0908ull, -2.0f, "hi"));
    std::string empty = "x";
    EXPECT_EQ((std::tuple{bool(reader.read(empty)), empty}), std::tuple(true, ""));
    EXPECT_EQ((std::tuple{reader.read_guid(), reader.read_uint16(), reader.read_float()}),
              std::tuple(SampleGuid, 0xBBAA, 0.5f));
    EXPECT_EQ(reader.GetReaderPos(), reader.GetDataSize());
    EXPECT_EQ(reader.read_uint8(), 0);
}

TEST(DataReader, ShortReadsGiveZeroAndKeepTheCursor)
{
    uint8_t three[] = {9, 8, 7};
    DataReader reader(three, 3);
    EXPECT_EQ((std::tuple{reader.read_uint32(), reader.GetReaderPos()}), std::tuple(0u, 0u));
    float f = 1.0f;
    EXPECT_EQ((std::tuple{bool(reader.read(f)), f}), std::tuple(false, 0.0f));
    EXPECT_EQ((std::tuple{reader.read_uint64(), reader.read_guid(), reader.GetReaderPos(), reader.read_uint8(),
                          reader.read_uint16(), reader.read_uint8(), reader.GetReaderPos()}),
              std::tuple(0u, Guid::Nil, 0u, 9, 0x0708, 0, 3u));

    DataReader nothing(nullptr, 100); // a null payload covers nothing
    EXPECT_EQ((std::tuple{nothing.GetDataSize(), nothing.read_uint8(), nothing.read_string()}), std::tuple(0u, 0, ""));
}

TEST(DataReader, StringsNeedTheirNulInsideThePayload)
{
    uint8_t unterminated[] = {'a', 'b', 'c'};
    DataReader open(unterminated, 3);
    EXPECT_EQ((std::tuple{open.read_string(), open.GetReaderPos()}), std::tuple("", 0u));

    uint8_t terminated[] = {'a', 'b', 'c', 0, 'd'};
    DataReader closed(terminated, 5);
    EXPECT_EQ((std::tuple{closed.read_string(), closed.GetReaderPos()}), std::tuple("abc", 4u));
    std::string rest = "x";
    EXPECT_FALSE(closed.read(rest)); // "d" has no NUL before the end
    EXPECT_EQ(rest, "");
    EXPECT_EQ(closed.GetReaderPos(), 4u);
    closed.read_uint8();
    EXPECT_EQ(closed.read_string(), ""); // at the end
}

TEST(DataReader, PointersIntoThePayloadAreBoundsCheckedWithoutWrapping)
{
    uint8_t bytes[9] = {0xFF, 0, 0, 0x80, 0x3F, 0, 0, 0, 0x40};
    DataReader reader(bytes, 9);
    EXPECT_EQ(reader.get_byteptr(0), nullptr); // a zero count never gives a pointer
    EXPECT_EQ((std::tuple{reader.get_byteptr(10), reader.get_floatptr(3)}), std::tuple(nullptr, nullptr));
    // 4 * 0x40000001 wraps to 4 in 32 bits; it must still be refused.
    EXPECT_EQ((std::tuple{reader.get_floatptr(0x40000001u), reader.get_uint32ptr(0x40000001u), reader.GetReaderPos()}),
              std::tuple(nullptr, nullptr, 0u));

    EXPECT_EQ(reader.get_byteptr(1), bytes);
    // Odd offset: the float pointer is unaligned and is read through memcpy.
    float* values = nullptr;
    reader.getptr(values, 2);
    ASSERT_EQ(reinterpret_cast<uint8_t*>(values), bytes + 1);
    float copied[2];
    std::memcpy(copied, values, sizeof copied);
    EXPECT_EQ(copied[0], 1.0f);
    EXPECT_EQ(copied[1], 2.0f);
    EXPECT_EQ(reader.GetReaderPos(), 9u);
    uint32_t* none = reinterpret_cast<uint32_t*>(bytes);
    reader.getptr(none, 1);
    EXPECT_EQ(none, nullptr);
}

TEST(DataWriter, WritesThatDoNotFitAreDroppedWhole)
{
    std::vector<uint8_t> payload(7, 0);
    DataWriter writer(payload.data(), 7);
    EXPECT_TRUE(writer.write(0x04030201u));
    EXPECT_FALSE(writer.write(0xFFFFFFFFu)); // 3 bytes left
    EXPECT_EQ(writer.getPos(), 4u);
    EXPECT_FALSE(writer.write("abc")); // needs 4 with its NUL
    const float two[] = {1.0f, 2.0f};
    EXPECT_FALSE(writer.write(two, 2));
    // 4 * 0x40000001 wraps to 4 in 32 bits; it must still be refused (nothing is read).
    EXPECT_EQ((std::tuple{bool(writer.write(two, 0x40000001u)), bool(writer.write(static_cast<unsigned char>(0x05))),
                          bool(writer.write("z")), writer.getPos(), payload}),
              std::tuple(false, true, true, 7u, (std::vector<uint8_t>{1, 2, 3, 4, 5, 'z', 0})));

    // A buffer of size 0 takes nothing, whatever its capacity.
    auto buffer = std::make_shared<Hyx::FlatMemoryUInt8>(1024);
    buffer->resize(0);
    DataWriter empty(buffer);
    EXPECT_EQ((std::tuple{bool(empty.write(static_cast<unsigned char>(1))), empty.getPos()}), std::tuple(false, 0u));

    DataWriter none(std::shared_ptr<Hyx::FlatMemoryUInt8>{});
    EXPECT_EQ((std::tuple{bool(none.write(static_cast<unsigned char>(1))), none.getPtr()}), std::tuple(false, nullptr));
}

TEST(DataWriter, SeekingPastTheEndNeverWrapsOntoEarlierFields)
{
    std::vector<uint8_t> payload(16, 0);
    DataWriter writer(payload.data(), 16);
    writer.write(static_cast<unsigned char>(0xAA));
    writer.seekforwards(0xFFFFFFF0u);
    EXPECT_FALSE(writer.write(static_cast<unsigned char>(0xBB)));
    writer.seekforwards(0x20); // would wrap to 0x11 in 32 bits
    EXPECT_EQ(
        (std::tuple{writer.getPos(), bool(writer.write(0x11111111u)), bool(writer.write(SampleGuid)), payload[0]}),
        std::tuple(0xFFFFFFFFu, false, false, 0xAA));
    EXPECT_EQ(std::count(payload.begin() + 1, payload.end(), 0), 15);

    DataWriter inside(payload.data(), 16);
    inside.seekforwards(12);
    EXPECT_EQ((std::tuple{bool(inside.write(0x01020304u)), bool(inside.write(static_cast<unsigned char>(1)))}),
              std::tuple(true, false));
}
