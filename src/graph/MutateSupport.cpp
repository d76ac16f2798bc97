#include "MutateSupport.h"

#include <Hyx/Connection.h>
#include <Hyx/Graph.h>

#include <limits>

namespace Hyx::MutateSupport {

std::shared_ptr<FilterParamInt64> MakeDroppedCounter(const char* name)
{
    return std::make_shared<FilterParamInt64>(name, 4u, 0LL, 0LL, std::numeric_limits<long long>::max());
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

unsigned WorkerCount(const FilterParamUInt32* threadsCount)
{
    const uint32_t count = threadsCount != nullptr ? threadsCount->GetValue() : 1u;
    return count == 0 ? 1u : count;
}

void ListenToFrameOrderResets(const std::shared_ptr<Graph>& graph, IFrameOrderResetListener* listener, bool listen)
{
    if (!graph)
        return;
    if (listen)
        graph->_frameOrderResetEvents.Add(listener);
    else
        graph->_frameOrderResetEvents.Remove(listener);
}

bool OutputHasRoom(const std::shared_ptr<Connection>& output, int count)
{
    return !output || output->NumEmptySlots() >= count;
}

} // namespace Hyx::MutateSupport
