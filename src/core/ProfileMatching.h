#pragma once

// One-to-one matching between two small sets: can every left item be paired with a
// distinct right item that it may take?

#include <cstddef>
#include <cstdint>

namespace Hyx {

/// allowed holds leftCount rows of rightCount bytes; a non-zero byte at [l][r] lets left
/// item l take right item r. True when all left items can take distinct right items
/// (always true for no left items).
bool MatchesEveryLeftItem(const uint8_t* allowed, size_t leftCount, size_t rightCount);

} // namespace Hyx
