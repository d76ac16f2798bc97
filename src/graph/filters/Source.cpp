#include <Hyx/Connection.h>
#include <Hyx/DataTypeStreamInfo.h>
#include <Hyx/FrameOrderProvider.h>
#include <Hyx/Graph.h>
#include <Hyx/Source.h>

#include <VornCommon/Profiler.h>

namespace Hyx {

Source::Source() : Filter(true)
{
}

Source::~Source() = default;

HyxErrorCode Source::Initialize(Filter* upstream)
{
    const HyxErrorCode result = Filter::Initialize(upstream);
    if (result != HyxErrorCode::Success) {
        return result;
    }
    float fps = 10.0f;
    unsigned numFrames = 0xFFFFFFFFu;
    if (std::shared_ptr<DataTypeStreamInfo> info = GetStreamInfo()) {
        fps = info->GetFPS();
        numFrames = info->GetNumFrames();
    }
    if (std::shared_ptr<Graph> graph = GetGraph()) {
        graph->SetOriginalFPS(fps);
        graph->SetNumFrames(static_cast<int>(numFrames));
    }
    return HyxErrorCode::Success;
}

HyxErrorCode Source::Update()
{
    static const VornCommon::ProfilerZone zone("HYX::Source::Update");
    const VornCommon::ProfilerZoneScope scope(zone);

    if (GetFilterState() != FilterState::Playing) {
        return ReportError(HyxErrorCode::FilterWrongStateToUpdate);
    }
    Graph* const graph = graphForUpdate();
    const std::shared_ptr<FrameOrderProvider> provider = graph ? graph->GetFrameOrderProvider() : nullptr;
    if (!provider) {
        return ReportError(HyxErrorCode::MissingFrameOrderProvider);
    }
    // Without a pending advance the current frame was held back: ask for it again, even
    // when it is the last one of the walk.
    const bool advance = _advancePending.load() || !provider->HasCurrentFrameID();
    if (advance && !provider->HasNextFrameID()) {
        return HyxErrorCode::NoDataAvailable;
    }
    if (Connection* const output = outputConnectionForUpdate(); output && !output->HasFreeSlots()) {
        return ReportError(HyxErrorCode::FilterError, "Source::Update failed.");
    }
    if (advance) {
        _advancePending = false;
        provider->AdvanceFrameID();
    }
    const unsigned frame = provider->GetFrameID();
    if (!provider->HasCurrentFrameID()) {
        return HyxErrorCode::NoDataAvailable; // the host emptied the order meanwhile
    }

    ResetError();
    const HyxErrorCode result = pushDataToOutput(frame);
    if (result == HyxErrorCode::Success) {
        _advancePending = true;
        SetProgress(provider->CanReportProgress() ? provider->GetProgress() : (provider->IsDone() ? 1.0f : 0.0f));
        return HyxErrorCode::Success;
    }
    if (result == HyxErrorCode::NoDataAvailable) {
        return result;
    }
    const VornCommon::String text = GetLastError(true);
    return ReportError(result, text.CStr());
}

bool Source::IsDone() const
{
    const std::shared_ptr<Graph> graph = GetGraph();
    const std::shared_ptr<FrameOrderProvider> provider = graph ? graph->GetFrameOrderProvider() : nullptr;
    if (!provider) {
        return true;
    }
    const bool heldBack = !_advancePending.load() && provider->HasCurrentFrameID();
    return provider->IsDone() && !heldBack;
}

HyxErrorCode Source::onPlay()
{
    _advancePending = true;
    return HyxErrorCode::Success;
}

HyxErrorCode Source::onInputConnection(std::weak_ptr<Connection>)
{
    return ReportError(HyxErrorCode::FilterError, "Source filters can't have an input connection.");
}

} // namespace Hyx
