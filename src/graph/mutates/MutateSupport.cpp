#include "graph/mutates/MutateSupport.h"

#include <Hyx/Connection.h>
#include <Hyx/Graph.h>

#include <limits>

namespace Hyx::MutateSupport {

std::vector<std::shared_ptr<FilterParam>> CreateDropParams(const DropParamSpec& spec,
                                                           std::shared_ptr<FilterParamUInt32>& count,
                                                           std::shared_ptr<FilterParamBool>& drop,
                                                           std::shared_ptr<FilterParamInt64>& dropped,
                                                           std::shared_ptr<FilterParamCallback>& reset)
{
    CreateOnce(count, spec.count, spec.countFlags, 1u, spec.countMin, std::numeric_limits<uint32_t>::max());
    CreateOnce(drop, spec.drop, spec.dropFlags, true);
    CreateOnce(dropped, spec.dropped, 4u, 0LL, 0LL, std::numeric_limits<long long>::max());
    CreateOnce(reset, spec.reset, 0u);
    return {count, drop, dropped, reset};
}

void CountDrop(FilterParamInt64& counter)
{
    counter.SetValue(counter.GetValue() + 1);
}

void ResetDrops(FilterParamInt64* counter)
{
    if (counter != nullptr)
        counter->SetValue(0);
}

void ListenToFrameOrderResets(const std::shared_ptr<Graph>& graph, IFrameOrderResetListener* listener, bool listen)
{
    if (!graph)
        return;
    IGraphLinks& links = *graph;
    links.listenToFrameOrderResets(listener, listen);
}

bool OutputHasRoom(const std::shared_ptr<Connection>& output, int count)
{
    return !output || output->NumEmptySlots() >= count;
}

} // namespace Hyx::MutateSupport
