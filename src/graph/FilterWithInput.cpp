#include "ChainTopology.h"

#include <Hyx/Filter.h>

#include <Hyx/Connection.h>
#include <Hyx/Profile.h>

namespace Hyx {

FilterWithInput::FilterWithInput()
    : Filter(false)
{
}

FilterWithInput::~FilterWithInput() = default;

HyxErrorCode FilterWithInput::Update()
{
    if (GetFilterState() != FilterState::Playing)
        return ReportError(HyxErrorCode::FilterWrongStateToUpdate);
    // The source is looked up again only after the links between filters changed.
    std::shared_ptr<Filter> source = _updateSource.lock();
    const uint64_t topology = ChainTopology();
    if (!source || topology != _updateSourceTopology) {
        source = GetSourceFilter();
        _updateSource = source;
        _updateSourceTopology = topology;
    }
    if (source)
        SetProgress(source->GetProgress());
    return HyxErrorCode::Success;
}

bool FilterWithInput::IsDone() const
{
    const std::shared_ptr<Connection> input = getInputConnection();
    return !input || input->NumPendingData() <= 0;
}

int FilterWithInput::GetOutputNumStreams() const
{
    return GetInputNumStreams();
}

std::vector<int> FilterWithInput::GetStreamIds() const
{
    return GetInputStreamIds();
}

std::shared_ptr<Profile> FilterWithInput::GetInputProfile() const
{
    return _inputProfile;
}

int FilterWithInput::GetInputNumStreams() const
{
    const std::shared_ptr<Filter> upstream = GetInputFilter();
    return upstream ? upstream->GetOutputNumStreams() : 0;
}

std::vector<int> FilterWithInput::GetInputStreamIds() const
{
    const std::shared_ptr<Filter> upstream = GetInputFilter();
    return upstream ? upstream->GetStreamIds() : std::vector<int>();
}

} // namespace Hyx
