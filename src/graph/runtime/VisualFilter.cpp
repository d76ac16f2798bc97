#include <Hyx/Filter.h>
#include <Hyx/FilterFactory.h>
#include <Hyx/GuidAlias.h>
#include <Hyx/VisualGraph.h>

#include "core/LogLevelEnabled.h"

#include <exception>

namespace Hyx {

VisualFilter::VisualFilter() = default;

VisualFilter::VisualFilter(const VornCommon::Guid& type, bool selected, bool rendered)
    : _type(type), _selected(selected), _rendered(rendered)
{
}

VisualFilter::~VisualFilter() = default;

std::string VisualFilter::GetName() const
{
    return Utils::GetGuidAlias(_type).StdString();
}

void VisualFilter::SetParamValue(const char* name, const char* value)
{
    if (name == nullptr)
        return;
    _values[name] = value != nullptr ? value : "";
}

std::map<std::string, std::string> VisualFilter::GetParamValueMap() const
{
    // A filter that never got its parameters (its pre-initialisation failed) would report
    // none, and a file saved from this description would lose every value.
    if (!_filter || _filter->GetFilterState() == Filter::FilterState::Created)
        return _values;
    std::map<std::string, std::string> values;
    for (const std::shared_ptr<FilterParam>& param : _filter->getParameters())
        values[param->GetName()] = param->GetValueAsString();
    return values;
}

bool VisualFilter::attachedFilterInUse() const
{
    // Initialised and beyond means a graph holds it (or a host drives it): pre-initialising
    // it for another graph would leave one filter in two graphs.
    const Filter::FilterState state = _filter->GetFilterState();
    return state != Filter::FilterState::Created && state != Filter::FilterState::PreInitialized;
}

bool VisualFilter::applyParameterValues() const
{
    // A text that a parameter refuses must not end the instantiation.
    try {
        return _filter->setParameterValues(_values);
    } catch (const std::exception& e) {
        LogLine(VornCommon::LogLevel::Error, "Invalid parameter value for filter '%s': %s", GetName().c_str(),
                e.what());
        return false;
    }
}

std::shared_ptr<Filter> VisualFilter::InstantiateHyxFilter(std::shared_ptr<Filter> previous,
                                                           std::shared_ptr<Graph> graph)
{
    if (!_type.IsNil()) {
        if (_filter && attachedFilterInUse())
            _filter.reset();
        if (_filter)
            _filter->PreInitialize(previous.get(), graph); // refused once pre-initialised: then it keeps its parameters
        else
            _filter =
                FilterFactory::CreateFilter(_type, SharedFilterPtr(previous), SharedGraphPtr(graph)).ToStdSharedPtr();
    }
    if (_type.IsNil() || !_filter) {
        // Also for a host calling here directly: an empty result always comes with a line.
        LogLine(VornCommon::LogLevel::Error, "Failed to instantiate filter '%s'", GetName().c_str());
        return nullptr;
    }
    if (applyParameterValues()) {
        // A value that reshapes the filter: build its parameters again, then hand the
        // values in once more.
        _filter->Reset();
        _filter->DePreInitialize();
        _filter->PreInitialize(previous.get(), graph);
        applyParameterValues();
    }
    return _filter;
}

} // namespace Hyx
