#include "graph/filters/InputSide.h"
#include "graph/runtime/ChainTopology.h"

#include <Hyx/Filter.h>

#include <Hyx/Atom.h>
#include <Hyx/Connection.h>
#include <Hyx/Profile.h>

#include <VornCommon/Profiler.h>

#include <optional>

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
    // Mostly unchanged between passes: then there is nothing to tell.
    const float progress = _updateSourcePtr->GetProgress();
    if (progress != GetProgress())
        SetProgress(progress);
    return HyxErrorCode::Success;
}

HyxErrorCode FilterWithInput::runUpdateCycle(const VornCommon::ProfilerZone& zone, const UpdateCycle& cycle)
{
    const VornCommon::ProfilerZoneScope scope(zone);
    if (cycle.body != nullptr) {
        ResetError();
        return finishCycle(cycle.body(*this), cycle.post);
    }
    const HyxErrorCode state = FilterWithInput::Update();
    if (state != HyxErrorCode::Success)
        return state;
    ResetError();
    return finishCycle(pullPending(cycle), cycle.post);
}

HyxErrorCode FilterWithInput::missingLink(const UpdateCycle& cycle, HyxErrorCode code) const
{
    return cycle.links == UpdateCycle::Links::Required ? code : ReportError(code);
}

HyxErrorCode FilterWithInput::pullPending(const UpdateCycle& cycle)
{
    Connection* const input = inputConnectionForUpdate();
    if (!input)
        return missingLink(cycle, HyxErrorCode::FilterLacksInputConnection);
    Connection* const output = outputConnectionForUpdate();
    int count = 0;
    if (output) {
        count = GateCount(*input, *output);
    } else if (cycle.links == UpdateCycle::Links::OutputOptional) {
        count = input->NumPendingData();
    } else if (cycle.links == UpdateCycle::Links::RequiredReported && !input->HasPendingData()) {
        return HyxErrorCode::NoDataAvailable;
    } else {
        return missingLink(cycle, HyxErrorCode::FilterLacksOutputConnection);
    }
    if (count <= 0)
        return HyxErrorCode::NoDataAvailable;

    // Bounded by the count seen at the gate: atoms arriving meanwhile wait for the next cycle.
    bool pushed = false;
    bool more = true;
    HyxErrorCode firstFailure = HyxErrorCode::Success;
    std::optional<VornCommon::String> firstFailureText; // made only on a failure
    for (int i = 0; i < count && more; ++i) {
        // Paused inside this pass (by its own hook or a listener): what is left waits in the
        // queue for the resume.
        if (GetFilterState() == FilterState::Paused)
            break;
        std::shared_ptr<Atom> atom = input->Pull();
        if (!atom || !IsRunning(*this))
            continue; // the sentinel a flush leaves behind, or an atom of a run stopped meanwhile
        HyxErrorCode result = cycle.step(*this, atom, more);
        if (!IsFailure(result) && atom) {
            result = pushFromUpdate(std::move(atom));
            pushed = pushed || result == HyxErrorCode::Success;
        }
        if (!IsFailure(result))
            continue;
        if (cycle.onFailure == UpdateCycle::OnFailure::End)
            return result;
        // A failed atom is never hidden by a later success.
        if (firstFailure == HyxErrorCode::Success) {
            firstFailure = result;
            firstFailureText = GetLastError(false);
        }
    }
    if (firstFailure != HyxErrorCode::Success) {
        SetError(*firstFailureText);
        return firstFailure;
    }
    return pushed ? HyxErrorCode::Success : HyxErrorCode::NoDataAvailable;
}

HyxErrorCode FilterWithInput::finishCycle(HyxErrorCode body, HyxErrorCode (*post)(FilterWithInput& filter))
{
    if (!IsFailure(body)) {
        ResetError();
        body = post(*this);
        if (!IsFailure(body))
            return body;
    }
    // Kept out of line: the text handling would otherwise weigh on every successful pass.
    const auto nest = [this](HyxErrorCode code) __attribute__((noinline, cold))
    {
        const std::string text = GetLastError(true).StdString();
        return ReportError(code, text.c_str());
    };
    return nest(body);
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
