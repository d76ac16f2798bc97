#pragma once

// Caps the size of the files this process writes, so that a write crossing the cap is cut
// short there and the next one fails. SIGXFSZ is ignored meanwhile, so the failure is EFBIG
// instead of the end of the process; the destructor restores both. The cap is per process:
// keep it up only around the writes under test, with no test output between (a captured
// output file would be cut too).

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <sys/resource.h>

namespace HyxTest {

class FileSizeLimit {
public:
    explicit FileSizeLimit(uint64_t bytes)
    {
        _savedHandler = std::signal(SIGXFSZ, SIG_IGN);
        _saved = rlimit{RLIM_INFINITY, RLIM_INFINITY};
        if (::getrlimit(RLIMIT_FSIZE, &_saved) != 0)
            return;
        rlimit capped = _saved;
        capped.rlim_cur = std::min<rlim_t>(bytes, _saved.rlim_max);
        active = ::setrlimit(RLIMIT_FSIZE, &capped) == 0;
    }
    ~FileSizeLimit()
    {
        if (active)
            ::setrlimit(RLIMIT_FSIZE, &_saved);
        if (_savedHandler != SIG_ERR)
            std::signal(SIGXFSZ, _savedHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    /// True when the cap is in force.
    bool active = false;

private:
    rlimit _saved{};
    void (*_savedHandler)(int) = SIG_DFL;
};

} // namespace HyxTest
