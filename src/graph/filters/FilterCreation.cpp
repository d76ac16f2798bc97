// Creation of a filter: through the filter factory, a new filter taken through its first
// life-cycle steps; for any filter, its Instantiate run once, by its first PreInitialize.

#include <Hyx/Filter.h>
#include <Hyx/FilterFactory.h>
#include <Hyx/Graph.h>

#include "core/LogLevelEnabled.h"
#include "impl/core/filters/FilterClassRegistry.h"

namespace Hyx {

SharedFilterPtr FilterFactory::CreateFilter(const VornCommon::Guid& type, SharedFilterPtr upstream,
                                            SharedGraphPtr graph)
{
    FilterClassInfo info;
    if (!TryGetFilterClassInfo(type, info)) {
        LogLine(VornCommon::LogLevel::Error,
                "Failed to create a filter with guid '%s', no such filter class registered", type.ToHexString().CStr());
        return SharedFilterPtr();
    }
    // The instance is created outside the registry lock: it may load a plug-in library.
    std::shared_ptr<PluginModule> module;
    Filter* raw = CreateInstance(type, module);
    if (raw == nullptr)
        return SharedFilterPtr();
    // Owned before its first step, so the filter can hand out references to itself there;
    // the owner keeps the filter's plug-in library loaded while the filter lives.
    std::shared_ptr<Filter> filter = detail::ShareKeepingModule(raw, std::move(module));
    std::shared_ptr<Graph> sharedGraph = graph ? graph->shared_from_this() : std::shared_ptr<Graph>();
    // Its first step completes the creation (Instantiate). A failed pre-initialisation still
    // returns the filter, in Created with its text.
    filter->PreInitialize(upstream.Get(), std::move(sharedGraph));
    return SharedFilterPtr(std::move(filter));
}

void Filter::instantiateOnce()
{
    if (!_instantiated.exchange(true))
        Instantiate();
}

} // namespace Hyx
