#pragma once

// A folder under the system's temporary directory, removed with everything in it when the
// object goes; and a file's bytes.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace HyxTest {

class TempDir {
public:
    TempDir()
        : path(std::filesystem::temp_directory_path() /
               ("hyx_stream_" + std::to_string(::getpid()) + "_" + std::to_string(counter++)))
    {
        std::filesystem::remove_all(path);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string file(const std::string& name) const { return (path / name).string(); }

    std::filesystem::path path;
    static inline int counter = 0;
};

/// The whole file, empty when it cannot be read.
inline std::vector<uint8_t> ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace HyxTest
