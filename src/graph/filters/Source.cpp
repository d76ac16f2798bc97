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
    FrameOrderProvider* const provider = graph ? graph->frameOrderProviderForUpdate() : nullptr;
    if (!provider) {
        return ReportError(HyxErrorCode::MissingFrameOrderProvider);
    }
    // One question to the provider per frame. Without a pending advance the current frame
    // was held back and is asked for again, even when it is the last one of the walk.
    Connection* const output = outputConnectionForUpdate();
    const FrameTake take = provider->TakeFrame(_advancePending.load(), output && !output->HasFreeSlots());
    if (take.advanced) {
        _advancePending.store(false, std::memory_order_release);
    }
    switch (take.outcome) {
    case FrameTake::Outcome::Frame: break;
    case FrameTake::Outcome::Blocked: return ReportError(HyxErrorCode::FilterError, "Source::Update failed.");
    default: return HyxErrorCode::NoDataAvailable; // no frame, or the host emptied the order meanwhile
    }

    ResetError();
    const HyxErrorCode result = pushDataToOutput(take.frame);
    if (result == HyxErrorCode::Success) {
        _advancePending.store(true, std::memory_order_release);
        SetProgress(take.progress);
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
