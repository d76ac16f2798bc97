#pragma once

// Small pieces shared by the threaded and block mutates: their dropped-item counters, the
// subscription to the graph's frame-order resets and the room left in the output queue.

#include <Hyx/Filter.h>
#include <Hyx/FilterParamNumeric.h>
#include <Hyx/FilterParamText.h>

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

/// The parameters as one list, in the order given (for addParam).
template <class... Params>
std::vector<std::shared_ptr<FilterParam>> ParamList(const std::shared_ptr<Params>&... params)
{
    return {std::shared_ptr<FilterParam>(params)...};
}

/// A read-only dropped-items counter (flags 4, value 0, 0 .. 2^63-1).
std::shared_ptr<FilterParamInt64> MakeDroppedCounter(const char* name);
/// Adds one drop.
void CountDrop(FilterParamInt64& counter);
/// Back to 0 (notifying only when it was not 0).
void ResetDrops(FilterParamInt64* counter);

/// The workers of a threaded mutate: max(1, "Threads count"). A huge count is left to the
/// thread pool, which refuses what the system cannot start.
unsigned WorkerCount(const FilterParamUInt32* threadsCount);

/// Adds or removes the listener of the graph's frame-order resets; no graph, no change.
void ListenToFrameOrderResets(const std::shared_ptr<Graph>& graph, IFrameOrderResetListener* listener, bool listen);

/// True when the output can take `count` more atoms (always without an output queue).
bool OutputHasRoom(const std::shared_ptr<Connection>& output, int count);

} // namespace MutateSupport
} // namespace Hyx
