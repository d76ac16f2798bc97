#pragma once

// A file system of a few KiB of its own, for writes that run out of room: a tmpfs mounted on
// a fresh folder for the life of the object, unmounted and removed when it goes, also when
// the test fails. Mounting needs the superuser (CI runs as root); where it cannot be done,
// `mounted` is false and `why` says why, for GTEST_SKIP.

#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>

#include <fcntl.h>

namespace HyxTest {

class SmallDisk {
public:
    explicit SmallDisk(size_t bytes)
        : path(std::filesystem::temp_directory_path() /
               ("hyx_disk_" + std::to_string(::getpid()) + "_" + std::to_string(counter++)))
    {
        std::error_code error;
        std::filesystem::remove_all(path, error);
        if (!std::filesystem::create_directories(path, error)) {
            why = "cannot make the folder " + path.string() + ": " + error.message();
            return;
        }
        const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
        if (::mount("tmpfs", path.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0) {
            why = "a " + std::to_string(bytes) + "-byte tmpfs cannot be mounted here (" + std::strerror(errno) +
                  "): the rows of a full disk need the superuser";
            return;
        }
        mounted = true;
    }
    ~SmallDisk()
    {
        // A descriptor a failed test left open keeps the disk busy: detach it then.
        if (mounted && ::umount2(path.c_str(), 0) != 0)
            ::umount2(path.c_str(), MNT_DETACH);
        std::error_code error;
        std::filesystem::remove_all(path, error);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    std::string file(const std::string& name) const { return (path / name).string(); }

    /// Takes every byte left with the file "filler", so that a write to any other file
    /// fails; true when the disk ran out of room.
    bool FillUp() const
    {
        const int handle = ::open(file("filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (handle < 0)
            return false;
        char block[4096] = {};
        for (size_t size = sizeof block; size > 0;) {
            if (::write(handle, block, size) >= 0)
                continue;
            if (errno != ENOSPC)
                break;
            size /= 2; // the last page may still take a few bytes
        }
        const bool full = errno == ENOSPC;
        ::close(handle);
        return full;
    }

    std::filesystem::path path;
    bool mounted = false;
    std::string why;
    static inline int counter = 0;
};

} // namespace HyxTest
