#include "ProfileMatching.h"

#include <algorithm>
#include <vector>

namespace Hyx {

namespace {

constexpr size_t Unmatched = size_t(-1);

// Augmenting paths: left item l takes a free right item, or one whose holder can move to
// another. Profiles hold a handful of entries, so the quadratic search is ample.
struct Matcher {
    const uint8_t* allowed;
    size_t rightCount;
    std::vector<size_t> holderOfRight;
    std::vector<uint8_t> visited;

    bool augment(size_t left)
    {
        const uint8_t* row = allowed + left * rightCount;
        for (size_t right = 0; right < rightCount; ++right) {
            if (!row[right] || visited[right])
                continue;
            visited[right] = 1;
            if (holderOfRight[right] == Unmatched || augment(holderOfRight[right])) {
                holderOfRight[right] = left;
                return true;
            }
        }
        return false;
    }
};

} // namespace

bool MatchesEveryLeftItem(const uint8_t* allowed, size_t leftCount, size_t rightCount)
{
    if (leftCount == 0)
        return true;
    if (leftCount > rightCount)
        return false;
    Matcher matcher{allowed, rightCount, std::vector<size_t>(rightCount, Unmatched),
                    std::vector<uint8_t>(rightCount, 0)};
    for (size_t left = 0; left < leftCount; ++left) {
        std::fill(matcher.visited.begin(), matcher.visited.end(), uint8_t(0));
        if (!matcher.augment(left))
            return false;
    }
    return true;
}

} // namespace Hyx
