#include <VornCommon/Concurrency.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

namespace VornCommon {
namespace concurrency {

void Thread::setCurrentThreadName(const char* name)
{
    if (name == nullptr) {
        return;
    }
    std::string cut(name);
    if (cut.size() > MaxNameLength) {
        std::size_t end = MaxNameLength;
        // Step back over UTF-8 continuation bytes so the kernel never holds half a character.
        while (end > 0 && (static_cast<unsigned char>(cut[end]) & 0xC0) == 0x80) {
            --end;
        }
        cut.resize(end);
    }
    // Cannot fail: the name fits and the thread is the caller.
    pthread_setname_np(pthread_self(), cut.c_str());
}

void Thread::setCurrentThreadName(const std::string& name)
{
    setCurrentThreadName(name.c_str());
}

std::string Thread::GetCurrentThreadName()
{
    char name[MaxNameLength + 1] = {};
    if (pthread_getname_np(pthread_self(), name, sizeof(name)) != 0) {
        return {};
    }
    return name;
}

bool Thread::raiseCurrentThreadPriority()
{
    const id_t self = static_cast<id_t>(gettid());
    errno = 0;
    const int current = getpriority(PRIO_PROCESS, self);
    if (current == -1 && errno != 0) {
        return false;
    }
    const int wanted = std::max(-20, current - 2);
    if (wanted == current) {
        return true;
    }
    return setpriority(PRIO_PROCESS, self, wanted) == 0;
}

} // namespace concurrency

CountingSemaphore::CountingSemaphore(unsigned initialCount) : _count(initialCount)
{
}

void CountingSemaphore::Acquire()
{
    std::unique_lock<std::mutex> lock(_mutex);
    _available.wait(lock, [this] { return _count > 0; });
    --_count;
}

bool CountingSemaphore::TryAcquire()
{
    std::lock_guard<std::mutex> lock(_mutex);
    if (_count == 0) {
        return false;
    }
    --_count;
    return true;
}

void CountingSemaphore::Release(unsigned n)
{
    if (n == 0) {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(_mutex);
        _count = (_count > UINT_MAX - n) ? UINT_MAX : _count + n;
    }
    if (n == 1) {
        _available.notify_one();
    } else {
        _available.notify_all();
    }
}

unsigned CountingSemaphore::Count() const
{
    std::lock_guard<std::mutex> lock(_mutex);
    return _count;
}

} // namespace VornCommon
