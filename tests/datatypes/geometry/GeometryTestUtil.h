#pragma once

// Helpers of the geometry layer tests: payload bytes, loads from exact-size copies, text
// files in the test's binary folder.

#include <Hyx/DataLayer.h>

#include "StreamTestLayers.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace GeometryTest {

using Bytes = std::vector<uint8_t>;

/// What Serialize gives now.
inline Bytes PayloadOf(Hyx::DataLayer& layer)
{
    uint32_t size = 0;
    const uint8_t* data = layer.Serialize(size);
    return data ? Bytes(data, data + size) : Bytes();
}

/// Loads bytes as a payload of the given version (through a copy of exactly that size).
inline bool Load(Hyx::DataLayer& layer, int version, const Bytes& bytes)
{
    layer.InitializeHeader(layer.GetPurposeGuid(), uint16_t(version));
    Bytes copy = bytes;
    return layer.InitializeData(copy.data(), uint32_t(copy.size()));
}

/// The floats' bytes.
inline Bytes Floats(std::initializer_list<float> values)
{
    Bytes bytes(values.size() * 4);
    std::memcpy(bytes.data(), values.begin(), bytes.size());
    return bytes;
}

/// A text as the argument pair of LoadFromASCIIMemory.
template <class Layer>
bool LoadText(Layer& layer, const std::string& text)
{
    return layer.LoadFromASCIIMemory(reinterpret_cast<const uint8_t*>(text.data()), uint32_t(text.size()));
}

/// A folder of the test's own below the binary folder.
inline std::filesystem::path TestDir(const char* name)
{
    const auto dir = std::filesystem::path(HYX_TEST_BINARY_DIR) / name;
    std::filesystem::create_directories(dir);
    return dir;
}

inline std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

} // namespace GeometryTest
