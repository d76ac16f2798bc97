#include "FailingAllocation.h"

#include <cstdlib>
#include <new>

namespace {

thread_local bool t_failNext = false;

} // namespace

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
