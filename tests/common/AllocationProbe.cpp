// The test programs' own operator new: it counts the largest allocation and can fail the next
// one on a thread (LargestAllocation.h, FailingAllocation.h).

#include "FailingAllocation.h"
#include "LargestAllocation.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<size_t> largest{0};
thread_local bool t_failNext = false;

} // namespace

void LargestAllocation::Reset()
{
    largest = 0;
}

size_t LargestAllocation::Get()
{
    return largest.load();
}

void FailingAllocation::FailNextOnThisThread()
{
    t_failNext = true;
}

// Kept in their own file: the compiler warns where it sees malloc and free pair with new and
// delete.
void* operator new(size_t size)
{
    if (t_failNext) {
        t_failNext = false;
        throw std::bad_alloc();
    }
    size_t seen = largest.load(std::memory_order_relaxed);
    while (size > seen && !largest.compare_exchange_weak(seen, size, std::memory_order_relaxed)) {
    }
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

void* operator new[](size_t size)
{
    return operator new(size);
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete[](void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, size_t) noexcept
{
    std::free(p);
}

void operator delete[](void* p, size_t) noexcept
{
    std::free(p);
}
