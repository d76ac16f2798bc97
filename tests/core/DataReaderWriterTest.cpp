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
    EXPECT_TRUE(writer.write(static_cast<unsigned char>(0x01)));
    EXPECT_TRUE(writer.write(static_cast<unsigned short>(0x0302)));
    EXPECT_TRUE(writer.write(0x07060504u));
    EXPECT_TRUE(writer.write(uint64_t(0x0F0E0D0C0B0A0908ull)));
    EXPECT_TRUE(writer.write(-2.0f));
    EXPECT_TRUE(writer.write("hi"));
    EXPECT_TRUE(writer.write(""));
    EXPECT_TRUE(writer.write(SampleGuid));
    const unsigned short shorts[] = {0xBBAA};
    const float floats[] = {0.5f};
    EXPECT_TRUE(writer.write(shorts, 1));
    EXPECT_TRUE(writer.write(floats, 1));
    const std::vector<uint8_t> expected = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B,
                                           0x0C, 0x0D, 0x0E, 0x0F, 0x00, 0x00, 0x00, 0xC0, // -2.0f
                                           'h',  'i',  0x00, 0x00, // "hi" and ""
                                           0xF4, 0x22, 0x00, 0x6F, 0xD5, 0xA3, 0xCA, 0x4C, 0x8D, 0xAC, 0xAD,
                                           0xCC, 0x3B, 0x37, 0xC8, 0x39, 0xAA, 0xBB, 0x00, 0x00, 0x00, 0x3F};
    ASSERT_EQ(writer.getPos(), expected.size());
    EXPECT_EQ(std::vector<uint8_t>(payload.begin(), payload.begin() + long(expected.size())), expected);
    EXPECT_EQ(payload[expected.size()], 0xCC);

    DataReader reader(payload.data(), uint32_t(expected.size()));
    EXPECT_EQ(reader.read_uint8(), 0x01);
    EXPECT_EQ(reader.read_uint16(), 0x0302);
    uint32_t word = 0;
    EXPECT_TRUE(reader.read(word));
    EXPECT_EQ(word, 0x07060504u);
    EXPECT_EQ(reader.read_uint64(), 0x0F0E0D0C0B0A0908ull);
    EXPECT_EQ(reader.read_float(), -2.0f);
    EXPECT_EQ(reader.read_string(), "hi");
    std::string empty = "x";
    EXPECT_TRUE(reader.read(empty));
    EXPECT_EQ(empty, "");
    EXPECT_EQ(reader.read_guid(), SampleGuid);
    EXPECT_EQ(reader.read_uint16(), 0xBBAA);
    EXPECT_EQ(reader.read_float(), 0.5f);
    EXPECT_EQ(reader.GetReaderPos(), reader.GetDataSize());
    EXPECT_EQ(reader.read_uint8(), 0);
}

TEST(DataReader, ShortReadsGiveZeroAndKeepTheCursor)
{
    uint8_t three[] = {9, 8, 7};
    DataReader reader(three, 3);
    EXPECT_EQ(reader.read_uint32(), 0u);
    EXPECT_EQ(reader.GetReaderPos(), 0u);
    float f = 1.0f;
    EXPECT_FALSE(reader.read(f));
    EXPECT_EQ(f, 0.0f);
    EXPECT_EQ(reader.read_uint64(), 0u);
    EXPECT_EQ(reader.read_guid(), Guid::Nil);
    EXPECT_EQ(reader.GetReaderPos(), 0u);
    EXPECT_EQ(reader.read_uint8(), 9);
    EXPECT_EQ(reader.read_uint16(), 0x0708);
    EXPECT_EQ(reader.read_uint8(), 0);
    EXPECT_EQ(reader.GetReaderPos(), 3u);

    DataReader nothing(nullptr, 100); // a null payload covers nothing
    EXPECT_EQ(nothing.GetDataSize(), 0u);
    EXPECT_EQ(nothing.read_uint8(), 0);
    EXPECT_EQ(nothing.read_string(), "");
}

TEST(DataReader, StringsNeedTheirNulInsideThePayload)
{
    uint8_t unterminated[] = {'a', 'b', 'c'};
    DataReader open(unterminated, 3);
    EXPECT_EQ(open.read_string(), "");
    EXPECT_EQ(open.GetReaderPos(), 0u);

    uint8_t terminated[] = {'a', 'b', 'c', 0, 'd'};
    DataReader closed(terminated, 5);
    EXPECT_EQ(closed.read_string(), "abc");
    EXPECT_EQ(closed.GetReaderPos(), 4u);
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
    EXPECT_EQ(reader.get_byteptr(10), nullptr);
    EXPECT_EQ(reader.get_floatptr(3), nullptr);
    // 4 * 0x40000001 wraps to 4 in 32 bits; it must still be refused.
    EXPECT_EQ(reader.get_floatptr(0x40000001u), nullptr);
    EXPECT_EQ(reader.get_uint32ptr(0x40000001u), nullptr);
    EXPECT_EQ(reader.GetReaderPos(), 0u);

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
    EXPECT_FALSE(writer.write(two, 0x40000001u));
    EXPECT_TRUE(writer.write(static_cast<unsigned char>(0x05)));
    EXPECT_TRUE(writer.write("z"));
    EXPECT_EQ(writer.getPos(), 7u);
    EXPECT_EQ(payload, (std::vector<uint8_t>{1, 2, 3, 4, 5, 'z', 0}));

    // A buffer of size 0 takes nothing, whatever its capacity.
    auto buffer = std::make_shared<Hyx::FlatMemoryUInt8>(1024);
    buffer->resize(0);
    DataWriter empty(buffer);
    EXPECT_FALSE(empty.write(static_cast<unsigned char>(1)));
    EXPECT_EQ(empty.getPos(), 0u);

    DataWriter none(std::shared_ptr<Hyx::FlatMemoryUInt8>{});
    EXPECT_FALSE(none.write(static_cast<unsigned char>(1)));
    EXPECT_EQ(none.getPtr(), nullptr);
}

TEST(DataWriter, SeekingPastTheEndNeverWrapsOntoEarlierFields)
{
    std::vector<uint8_t> payload(16, 0);
    DataWriter writer(payload.data(), 16);
    writer.write(static_cast<unsigned char>(0xAA));
    writer.seekforwards(0xFFFFFFF0u);
    EXPECT_FALSE(writer.write(static_cast<unsigned char>(0xBB)));
    writer.seekforwards(0x20); // would wrap to 0x11 in 32 bits
    EXPECT_EQ(writer.getPos(), 0xFFFFFFFFu);
    EXPECT_FALSE(writer.write(0x11111111u));
    EXPECT_FALSE(writer.write(SampleGuid));
    EXPECT_EQ(payload[0], 0xAA);
    EXPECT_EQ(std::count(payload.begin() + 1, payload.end(), 0), 15);

    DataWriter inside(payload.data(), 16);
    inside.seekforwards(12);
    EXPECT_TRUE(inside.write(0x01020304u));
    EXPECT_FALSE(inside.write(static_cast<unsigned char>(1)));
}
