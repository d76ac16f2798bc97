#pragma once

// Makes the close of a file in one folder report an error, as a file system that writes back
// on close (a network share) reports a write it lost: EIO. A test program that includes this
// header puts a `close` of its own in front of the C library's, for the library's calls too:
// it closes the descriptor as usual and, while a FailingClose is alive, answers -1 with EIO
// (or the error it was given) for a file under its folder. Closes inside the C library itself
// (fclose) do not pass here.

#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>

namespace HyxTest {

namespace failing_close {

inline std::atomic<bool> armed{false};
inline std::mutex mutex;
inline std::string folder; // canonical, ending in '/'
inline int failed = 0;
inline int error = EIO;

inline int realClose(int handle)
{
    using Close = int (*)(int);
    static const Close next = reinterpret_cast<Close>(::dlsym(RTLD_NEXT, "close"));
    return next(handle);
}

} // namespace failing_close

class FailingClose {
public:
    explicit FailingClose(const std::filesystem::path& folder, int error = EIO)
    {
        std::lock_guard lock(failing_close::mutex);
        failing_close::folder = std::filesystem::weakly_canonical(folder).string() + "/";
        failing_close::failed = 0;
        failing_close::error = error;
        failing_close::armed = true;
    }
    ~FailingClose() { failing_close::armed = false; }
    FailingClose(const FailingClose&) = delete;
    FailingClose& operator=(const FailingClose&) = delete;

    /// How many closes failed so far.
    int Failed() const
    {
        std::lock_guard lock(failing_close::mutex);
        return failing_close::failed;
    }
};

} // namespace HyxTest

// Weak: every file of a program may include the header; the link keeps one.
extern "C" __attribute__((weak, visibility("default"))) int close(int handle)
{
    namespace fc = HyxTest::failing_close;
    if (!fc::armed.load())
        return fc::realClose(handle);
    char link[48];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", handle);
    char target[4096];
    const ssize_t length = ::readlink(link, target, sizeof target);
    const int result = fc::realClose(handle);
    if (result != 0 || length <= 0)
        return result;
    std::lock_guard lock(fc::mutex);
    if (std::string_view(target, static_cast<size_t>(length)).substr(0, fc::folder.size()) != fc::folder)
        return result;
    ++fc::failed;
    errno = fc::error;
    return -1;
}
