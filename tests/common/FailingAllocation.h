#pragma once

// Makes one operator new of this test program fail, to show what a call does when memory runs
// out at a given point.
namespace FailingAllocation {

/// The next operator new on the calling thread throws std::bad_alloc (once).
void FailNextOnThisThread();

} // namespace FailingAllocation
