#pragma once

// Helpers for atom stream tests: byte vectors out of writers, and readers over exact-size
// heap copies so that any over-read shows under AddressSanitizer.

#include <Hyx/DeserializeFromMemory.h>
#include <Hyx/SerializeToMemory.h>

#include "CapturedLog.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace HyxTest {

using Bytes = std::vector<uint8_t>;

/// The bytes now in a writer's buffer.
inline Bytes PackedBytes(const Hyx::SerializeToMemory& writer)
{
    const uint8_t* data = writer.GetPackedDataPtr();
    return data ? Bytes(data, data + writer.GetPackedDataSize()) : Bytes();
}

/// A reader over its own exact-size copy of the bytes (kept alive with the reader).
struct ExactReader {
    explicit ExactReader(const Bytes& bytes)
        : copy(bytes.empty() ? nullptr : new uint8_t[bytes.size()]),
          reader(std::make_unique<Hyx::DeserializeFromMemory>())
    {
        if (!bytes.empty())
            std::copy(bytes.begin(), bytes.end(), copy.get());
        reader->setPackedDataWithoutResponsibilityToDelete(copy.get(), static_cast<uint32_t>(bytes.size()));
    }
    Hyx::DeserializeFromMemory* operator->() { return reader.get(); }
    Hyx::DeserializeFromMemory& operator*() { return *reader; }

    std::unique_ptr<uint8_t[]> copy;
    std::unique_ptr<Hyx::DeserializeFromMemory> reader;
};

/// The little-endian word at `at`.
inline uint32_t U32At(const Bytes& bytes, size_t at)
{
    uint32_t value;
    std::memcpy(&value, bytes.data() + at, 4);
    return value;
}

/// Overwrites the little-endian word at `at`.
inline void PutU32(Bytes& bytes, size_t at, uint32_t value)
{
    std::memcpy(bytes.data() + at, &value, 4);
}

/// Number of captured lines at the given level.
inline size_t CountAtLevel(const CapturedLog& log, VornCommon::LogLevel level)
{
    size_t n = 0;
    for (const auto& e : log.Entries())
        n += e.level == level ? 1 : 0;
    return n;
}

} // namespace HyxTest
