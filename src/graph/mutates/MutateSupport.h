#pragma once

// Small pieces shared by the threaded, buffering and block mutates: parameter creation, the
// dropped-item counters, the subscription to the graph's frame-order resets and the room
// left in the output queue.

#include <Hyx/Filter.h>
#include <Hyx/FilterParamNumeric.h>
#include <Hyx/FilterParamText.h>

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace Hyx {

class Graph;
class IFrameOrderResetListener;

namespace MutateSupport {

/// Creates the parameter once; later calls keep the existing one.
template <class Param, class... Args>
void CreateOnce(std::shared_ptr<Param>& param, Args&&... args)
{
    if (!param)
        param = std::make_shared<Param>(std::forward<Args>(args)...);
}

/// The four parameters of a mutate that drops work while busy or full: a size or count
/// (value 1, up to 2^32-1), whether to drop (true), the read-only dropped counter (flags 4,
/// 0 .. 2^63-1) and the callback that resets it (flags 0).
struct DropParamSpec {
    const char* count;
    unsigned countFlags;
    uint32_t countMin;
    const char* drop;
    unsigned dropFlags;
    const char* dropped;
    const char* reset;
};

/// Creates each of the four that does not exist yet; returns them in list order.
std::vector<std::shared_ptr<FilterParam>> CreateDropParams(const DropParamSpec& spec,
                                                           std::shared_ptr<FilterParamUInt32>& count,
                                                           std::shared_ptr<FilterParamBool>& drop,
                                                           std::shared_ptr<FilterParamInt64>& dropped,
                                                           std::shared_ptr<FilterParamCallback>& reset);

/// Adds one drop.
void CountDrop(FilterParamInt64& counter);
/// Back to 0 (notifying only when it was not 0).
void ResetDrops(FilterParamInt64* counter);

/// Adds or removes the listener of the graph's frame-order resets; no graph, no change.
void ListenToFrameOrderResets(const std::shared_ptr<Graph>& graph, IFrameOrderResetListener* listener, bool listen);

/// True when the output can take `count` more atoms (always without an output queue).
bool OutputHasRoom(const std::shared_ptr<Connection>& output, int count);

} // namespace MutateSupport
} // namespace Hyx
