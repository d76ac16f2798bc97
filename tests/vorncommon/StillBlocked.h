#pragma once

// The only timed wait the thread tests use: a short look whether an operation on another
// thread is still blocked. It never decides that something was fast enough.

#include <chrono>
#include <future>

namespace VornTest {

template <class T>
bool IsStillBlocked(const std::future<T>& pending)
{
    return pending.wait_for(std::chrono::milliseconds(50)) == std::future_status::timeout;
}

} // namespace VornTest
