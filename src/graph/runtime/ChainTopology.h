#pragma once

// A process-wide count of changes to the links between filters. Every time a filter's input
// connection is set, the count moves on, so a filter that remembered something about its
// chain (its source) knows when to look again instead of walking the chain on every update.

#include <atomic>
#include <cstdint>

namespace Hyx {

inline std::atomic<uint64_t> g_chainTopology{1};

/// Called whenever an input connection is set or cleared.
inline void ChainTopologyChanged()
{
    g_chainTopology.fetch_add(1, std::memory_order_acq_rel);
}

/// The current count.
inline uint64_t ChainTopology()
{
    return g_chainTopology.load(std::memory_order_acquire);
}

} // namespace Hyx
