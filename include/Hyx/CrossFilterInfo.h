#pragma once

// Record that a graph shares with all of its filters. It carries nothing yet; filters that
// need to exchange information across the graph derive from it.

#include <Hyx/Export.h>

namespace Hyx {

/// Empty polymorphic record held by every graph.
class HYX_API CrossFilterInfo {
public:
    CrossFilterInfo() = default;
    virtual ~CrossFilterInfo();
};

} // namespace Hyx
