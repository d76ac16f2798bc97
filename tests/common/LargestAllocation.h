#pragma once

#include <cstddef>

// The largest single operator new of this test program since the last reset: shows that a
// forged size is refused before anything is allocated for it.
namespace LargestAllocation {

void Reset();
size_t Get();

} // namespace LargestAllocation
