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
thread_local long t_counted = -1; // allocations since CountOnThisThread; -1: not counting
thread_local size_t t_lastSize = 0; // of the last allocation counted
thread_local size_t t_failSize = 0; // the next allocation of this size fails; 0: none

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

void FailingAllocation::CountOnThisThread()
{
    t_counted = 0;
}

long FailingAllocation::StopCountingOnThisThread()
{
    const long counted = t_counted;
    t_counted = -1;
    return counted;
}

size_t FailingAllocation::LastCountedSize()
{
    return t_lastSize;
}

void FailingAllocation::FailNextOfSizeOnThisThread(size_t size)
{
    t_failSize = size;
}

// Kept in their own file: the compiler warns where it sees malloc and free pair with new and
// delete.
void* operator new(size_t size)
{
    if (t_failNext) {
        t_failNext = false;
        throw std::bad_alloc();
    }
    if (t_failSize != 0 && size == t_failSize) {
        t_failSize = 0;
        throw std::bad_alloc();
    }
    if (t_counted >= 0) {
        t_lastSize = size;
        ++t_counted;
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
