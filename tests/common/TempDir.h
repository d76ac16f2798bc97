#pragma once

// A fresh, empty folder under the system's temporary folder, removed with its contents when
// the object goes.

#include <filesystem>
#include <string>
#include <unistd.h>

namespace HyxTest {

class TempDir {
public:
    TempDir()
        : path(std::filesystem::temp_directory_path() /
               ("hyx_test_" + std::to_string(::getpid()) + "_" + std::to_string(counter++)))
    {
        std::filesystem::remove_all(path);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    /// The path of a file inside the folder.
    std::string file(const std::string& name) const { return (path / name).string(); }

    std::filesystem::path path;
    static inline int counter = 0;
};

} // namespace HyxTest
