#include "graph/runtime/ChainTopology.h"

#include <Hyx/Filter.h>

#include <Hyx/Connection.h>
#include <Hyx/Profile.h>

namespace Hyx {

FilterWithInput::FilterWithInput() : Filter(false)
{
}

FilterWithInput::~FilterWithInput() = default;

HyxErrorCode FilterWithInput::Update()
{
    if (GetFilterState() != FilterState::Playing)
        return ReportError(HyxErrorCode::FilterWrongStateToUpdate);
    // The source is looked up again only after the links between filters changed, or when it
    // is gone. While its reference holds it is alive for this update: filters are released
    // only by building operations, which never overlap an update.
    const uint64_t topology = ChainTopology();
    if (topology != _updateSourceTopology || _updateSource.expired()) {
        const std::shared_ptr<Filter> source = GetSourceFilter();
        _updateSource = source;
        _updateSourcePtr = source.get();
        _updateSourceTopology = topology;
        if (source)
            SetProgress(source->GetProgress());
        return HyxErrorCode::Success;
    }
    SetProgress(_updateSourcePtr->GetProgress());
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
