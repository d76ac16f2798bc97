#pragma once

// Makes one operator new of this test program fail, to show what a call does when memory runs
// out at a given point.
#include <cstddef>

namespace FailingAllocation {

/// The next operator new on the calling thread throws std::bad_alloc (once).
void FailNextOnThisThread();

/// Counts the operator new calls of the calling thread from now on, so that a first run can
/// find the size of the allocation a second run fails.
void CountOnThisThread();
/// Stops counting; the number counted.
long StopCountingOnThisThread();
/// The size of the last operator new counted.
size_t LastCountedSize();
/// The next operator new of exactly `size` bytes on the calling thread throws std::bad_alloc
/// (once; 0: none).
void FailNextOfSizeOnThisThread(size_t size);

} // namespace FailingAllocation
