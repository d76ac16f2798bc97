#include <Hyx/FlatMemory.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <numeric>
#include <stdexcept>
#include <vector>

using Hyx::FlatMemoryUInt16;
using Hyx::FlatMemoryUInt8;

namespace {

std::vector<uint8_t> iota(size_t n, uint8_t first = 0)
{
    std::vector<uint8_t> bytes(n);
    std::iota(bytes.begin(), bytes.end(), first);
    return bytes;
}

std::vector<uint8_t> contents(const FlatMemoryUInt8& buffer)
{
    return std::vector<uint8_t>(buffer.begin(), buffer.end());
}

} // namespace

TEST(FlatMemory, ValueAppendsAreLittleEndianBytes)
{
    FlatMemoryUInt8 buffer;
    buffer.push_back(static_cast<unsigned char>(0x01));
    buffer.push_back(static_cast<unsigned short>(0x0302));
    buffer.push_back(0x07060504u);
    buffer.push_back(1.0f);
    buffer.push_back("ab");
    buffer.push_back(static_cast<const char*>(nullptr));
    const std::vector<uint8_t> expected = {1, 2, 3, 4, 5, 6, 7, 0x00, 0x00, 0x80, 0x3F, 'a', 'b', 0, 0};
    EXPECT_EQ(contents(buffer), expected);
}

TEST(FlatMemory, ResizeKeepsOwnedStorageAndReplacesBorrowedStorage)
{
    FlatMemoryUInt8 owned(8);
    EXPECT_EQ((std::tuple{owned.size(), owned.capacity()}), std::tuple(8u, 8u));
    for (uint8_t i = 0; i < 8; ++i)
        owned.data()[i] = i;
    uint8_t* storage = owned.data();
    EXPECT_EQ((std::tuple{owned.resize(3), owned.capacity(), contents(owned)}),
              std::tuple(storage, 8u, (std::vector<uint8_t>{0, 1, 2})));
    owned.resize(20);
    EXPECT_EQ((std::tuple{owned.size(), owned.capacity()}), std::tuple(20u, 20u));

    FlatMemoryUInt8 none(0);
    EXPECT_EQ((std::tuple{none.data(), none.resize(0)}), std::tuple(nullptr, nullptr));

    std::vector<uint8_t> callers = iota(16);
    FlatMemoryUInt8 borrowed;
    borrowed.SetWithoutCopyAndDoNotTakeResponsibilityToDelete(callers.data(), 16);
    EXPECT_FALSE(borrowed.owns());
    uint8_t* fresh = borrowed.resize(4);
    EXPECT_NE(fresh, callers.data());
    EXPECT_EQ((std::tuple{borrowed.owns(), borrowed.capacity()}), std::tuple(true, 4u));
    std::memset(fresh, 0xEE, 4);
    EXPECT_EQ(callers, iota(16)); // the borrowed bytes are never touched
}

// Storage adopted some bytes into its allocation: the allocation is what gets released
// (AddressSanitizer reports any other pointer given to delete[]), whichever way it goes.
TEST(FlatMemory, AdoptedStorageInsideAnAllocationReleasesTheAllocation)
{
    const std::function<void(FlatMemoryUInt8&)> ends[] = {
        [](FlatMemoryUInt8&) {},
        [](FlatMemoryUInt8& m) { m.resize(64); },
        [](FlatMemoryUInt8& m) { m.CopyFrom(m.data() + 1, 4); },
        [](FlatMemoryUInt8& m) { m.SetWithoutCopyAndTakeResponsibilityToDelete(new uint8_t[2], 2); },
    };
    for (const auto& end : ends) {
        uint8_t* allocation = new uint8_t[24];
        std::iota(allocation, allocation + 24, uint8_t{0});
        FlatMemoryUInt8 adopted;
        adopted.SetWithoutCopyAndTakeResponsibilityToDelete(allocation, 16, 8);
        EXPECT_EQ(adopted.data(), allocation + 16);
        EXPECT_EQ(contents(adopted), (std::vector<uint8_t>{16, 17, 18, 19, 20, 21, 22, 23}));
        EXPECT_EQ(adopted.resize(5), allocation + 16); // within capacity: kept
        end(adopted);
    }
}

TEST(FlatMemory, AppendIntoBorrowedStorageWritesCallersMemory)
{
    std::vector<uint8_t> callers(8, 0);
    FlatMemoryUInt8 buffer;
    buffer.SetWithoutCopyAndDoNotTakeResponsibilityToDelete(callers.data(), 8);
    buffer.clear();
    buffer.push_back(0x04030201u);
    EXPECT_EQ(buffer.data(), callers.data());
    EXPECT_EQ((std::tuple{buffer.owns(), callers}), std::tuple(false, (std::vector<uint8_t>{1, 2, 3, 4, 0, 0, 0, 0})));

    // Growing beyond the borrowed room moves to owned storage and leaves the caller's bytes.
    const auto more = iota(8, 10);
    buffer.push_back(more.data(), 8);
    EXPECT_TRUE(buffer.owns());
    EXPECT_NE(buffer.data(), callers.data());
    EXPECT_EQ((std::tuple{buffer.capacity(), contents(buffer)}),
              std::tuple(24u, (std::vector<uint8_t>{1, 2, 3, 4, 10, 11, 12, 13, 14, 15, 16, 17})));
}

TEST(FlatMemory, CopiesFromInsideTheOwnStorageAreSafe)
{
    // Appending the whole full buffer to itself reallocates while reading from the old storage.
    FlatMemoryUInt8 full;
    const auto first = iota(1024);
    full.push_back(first.data(), 1024);
    full.push_back(full.data(), full.size());
    ASSERT_EQ(full.size(), 2048u);
    EXPECT_EQ(0, std::memcmp(full.data(), first.data(), 1024));
    EXPECT_EQ(0, std::memcmp(full.data() + 1024, first.data(), 1024));

    // Appending part of itself with room to spare.
    FlatMemoryUInt8 roomy;
    roomy.push_back(first.data(), 4);
    roomy.push_back(roomy.data() + 1, 3);
    EXPECT_EQ(contents(roomy), (std::vector<uint8_t>{0, 1, 2, 3, 1, 2, 3}));

    // Copying an overlapping tail onto the front without reallocating.
    FlatMemoryUInt8 overlap;
    overlap.CopyFrom(first.data(), 8);
    overlap.CopyFrom(overlap.data() + 2, 6);
    EXPECT_EQ(contents(overlap), (std::vector<uint8_t>{2, 3, 4, 5, 6, 7}));

    // Copying from borrowed storage into itself reallocates and owns the result.
    std::vector<uint8_t> callers = iota(6);
    FlatMemoryUInt8 borrowed;
    borrowed.SetWithoutCopyAndDoNotTakeResponsibilityToDelete(callers.data(), 6);
    borrowed.CopyFrom(borrowed.data() + 1, 4);
    EXPECT_EQ((std::tuple{borrowed.owns(), contents(borrowed), callers}),
              std::tuple(true, (std::vector<uint8_t>{1, 2, 3, 4}), iota(6)));
}

TEST(FlatMemory, SizesThatDoNotFitIn32BitsRaiseInsteadOfWrapping)
{
    std::vector<uint8_t> room(64, 0x5A);
    FlatMemoryUInt8 huge;
    // Claims almost 4 GiB of borrowed room: an append of 32 bytes cannot be held.
    huge.SetWithoutCopyAndDoNotTakeResponsibilityToDelete(room.data(), 0xFFFFFFF0u);
    const auto bytes = iota(32);
    EXPECT_THROW(huge.push_back(bytes.data(), 32), std::length_error);
    EXPECT_EQ(huge.size(), 0xFFFFFFF0u);
    EXPECT_EQ(huge.data(), room.data());
    EXPECT_EQ(room, std::vector<uint8_t>(64, 0x5A));
    huge.SetWithoutCopyAndDoNotTakeResponsibilityToDelete(nullptr, 0);
}
