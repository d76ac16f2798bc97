#include <VornCommon/Clock.h>

#include <chrono>
#include <ratio>
#include <thread>

namespace VornCommon {

uint32_t TickCountMs()
{
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

uint64_t UnixTime100ns()
{
    using Ticks100ns = std::chrono::duration<int64_t, std::ratio<1, 10000000>>;
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const int64_t ticks = std::chrono::duration_cast<Ticks100ns>(now).count();
    return ticks > 0 ? static_cast<uint64_t>(ticks) : 0;
}

void SleepMs(uint32_t milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

} // namespace VornCommon
