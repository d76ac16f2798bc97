// The graph's services around its core: source information, playback mode, recording,
// renderers and parameter access by name.

#include <Hyx/DataTypeStreamInfo.h>
#include <Hyx/Filter.h>
#include <Hyx/FilterFactory.h>
#include <Hyx/Graph.h>
#include <Hyx/Profile.h>
#include <Hyx/Source.h>
#include <Hyx/TargetRenderer.h>

#include "core/LogLevelEnabled.h"
#include "graph/runtime/PlaybackModes.h"

#include <exception>
#include <string>

namespace Hyx {

namespace {

const char* const kEnableRecording = "Enable Recording";

} // namespace

// ---- Source information ----

std::shared_ptr<Source> Graph::getSource() const
{
    const std::shared_ptr<const FilterList> list = listed();
    if (list->empty()) {
        return nullptr;
    }
    return std::dynamic_pointer_cast<Source>(list->front()->GetSourceFilter());
}

std::shared_ptr<DataTypeStreamInfo> Graph::GetSourceStreamInfo() const
{
    // The source answers for itself, also while another thread resets it (Source.h).
    const std::shared_ptr<Source> source = getSource();
    return source ? source->GetStreamInfo() : nullptr;
}

std::shared_ptr<Profile> Graph::GetSourceAggregatedOutputProfile() const
{
    const std::shared_ptr<Source> source = getSource();
    return source ? source->GetAggregatedOutputProfile() : nullptr;
}

// ---- Renderers ----

std::vector<std::shared_ptr<TargetRenderer>> Graph::GetRenderers() const
{
    std::vector<std::shared_ptr<TargetRenderer>> renderers;
    const std::shared_ptr<const FilterList> list = listed();
    for (const std::shared_ptr<Filter>& filter : *list) {
        FilterClassInfo info;
        if (!FilterFactory::TryGetFilterClassInfo(filter->TypeGuid(), info) ||
            info.GetCategory() != FilterCategory::Renderer) {
            continue;
        }
        if (std::shared_ptr<TargetRenderer> renderer = std::dynamic_pointer_cast<TargetRenderer>(filter)) {
            renderers.push_back(std::move(renderer));
        }
    }
    return renderers;
}

// ---- Parameters by name ----

std::shared_ptr<FilterParam> Graph::GetFilterParam(const char* name) const
{
    const std::shared_ptr<const FilterList> list = listed();
    for (const std::shared_ptr<Filter>& filter : *list) {
        for (const std::shared_ptr<FilterParam>& param : filter->getParameters()) {
            if (param->GetName() == name) {
                return param;
            }
        }
    }
    return nullptr;
}

std::shared_ptr<FilterParam> Graph::GetFilterParam(const VornCommon::Guid& filterType, const char* name,
                                                   int index) const
{
    int count = 0;
    const std::shared_ptr<const FilterList> list = listed();
    for (const std::shared_ptr<Filter>& filter : *list) {
        if (filter->TypeGuid() != filterType || ++count != index) {
            continue;
        }
        for (const std::shared_ptr<FilterParam>& param : filter->getParameters()) {
            if (param->GetName() == name) {
                return param;
            }
        }
        return nullptr;
    }
    return nullptr;
}

bool Graph::SetFilterParamValue(const VornCommon::Guid& filterType, const char* name, const char* value, int index)
{
    const std::shared_ptr<FilterParam> param = GetFilterParam(filterType, name, index);
    if (!param) {
        return false;
    }
    param->SetValueAsString(value);
    return true;
}

bool Graph::SetFilterParamValue(const char* filterType, const char* name, const char* value, int index)
{
    try {
        return SetFilterParamValue(VornCommon::Guid::FromHexString(filterType ? filterType : ""), name, value, index);
    } catch (const std::exception& e) {
        LogLine(VornCommon::LogLevel::Error, "Invalid filter guid: %s", e.what());
        return false;
    }
}

// ---- Playback mode ----

ActionResult Graph::SetPlaybackMode(PlaybackMode mode, bool reset)
{
    // Refused where it is given, before anything is asked or waited for; the order would
    // only stand still on one frame.
    if (const std::string why = WhyNoMode(mode); !why.empty())
        return fail("Graph failed to set a playback mode", &why);
    return setPlaybackMode(mode, reset);
}

ActionResult Graph::setPlaybackMode(PlaybackMode mode, bool reset)
{
    if (IsPlaying()) {
        const std::string detail = "graph must be stopped first";
        return fail("Graph failed to set a playback mode", &detail);
    }
    const std::shared_ptr<Source> source = getSource();
    if (!source) {
        return fail("Graph lacks a source filter");
    }
    // The source's frame count, when it is known.
    bool known = false;
    uint32_t count = 0;
    std::shared_ptr<FrameOrderAuto> order = std::dynamic_pointer_cast<FrameOrderAuto>(GetFrameOrderProvider());
    if (mode == PlaybackMode::Realtime) {
        // Realtime counts up without end: it needs no frame count and keeps an existing order.
        known = !order;
        count = 0xFFFFFFFFu;
    } else if (const std::shared_ptr<DataTypeStreamInfo> info = source->GetStreamInfo()) {
        known = true;
        count = info->GetNumFrames();
    }
    // A stopped graph walks the source it has now: a range built for an earlier source (or
    // frame count) is built again. A paused graph leaving Realtime walks the source's frames
    // too, from where Realtime stands (it may have counted past them).
    const bool build = !order || (IsStopped() && known && order->GetRangeSize() != count);
    const bool reRange = !build && mode != PlaybackMode::Realtime && known &&
                         order->GetPlaybackMode() == PlaybackMode::Realtime && order->GetRangeSize() != count;
    if (build && !known) {
        return fail("Graph failed to get stream info from source");
    }
    if ((build || reRange) && count == 0) {
        const std::string detail = "source reports no frames";
        return fail("Graph failed to set a playback mode", &detail);
    }
    if (build) {
        auto fresh = std::make_shared<FrameOrderAuto>(0u, count);
        if (SetFrameOrderProvider(fresh) != ActionResult::Success) {
            return ActionResult::Failure;
        }
        order = std::move(fresh);
    } else if (reRange) {
        order->rangeOver(0u, count);
    }
    order->SetPlaybackMode(mode, reset);
    return ActionResult::Success;
}

ActionResult Graph::Play(PlaybackMode mode)
{
    // In every state, so that a playing graph does not answer Success for a value that is
    // no mode.
    if (const std::string why = WhyNoMode(mode); !why.empty())
        return fail("Graph failed to start playing", &why);
    // A worker still inside the stop it makes itself shows Playing until it is joined.
    settleState();
    if (IsPlaying() && refusesPlayOn())
        return ActionResult::Failure;
    if (!IsPlaying()) {
        if (refusesPlayNow()) {
            return ActionResult::Failure;
        }
        if (SetPlaybackMode(mode, true) != ActionResult::Success) {
            return ActionResult::Failure;
        }
        return Play();
    }
    if (std::dynamic_pointer_cast<FrameOrderAuto>(GetFrameOrderProvider())) {
        return ActionResult::Success;
    }
    const std::string detail = GetHyxErrorMessage(HyxErrorCode::MissingFrameOrderProvider);
    return fail("Graph failed to start playing", &detail);
}

// ---- Recording ----

int Graph::switchRecording(const char* from, const char* to)
{
    int switched = 0;
    const std::shared_ptr<const FilterList> list = listed();
    for (const std::shared_ptr<Filter>& filter : *list) {
        for (const std::shared_ptr<FilterParam>& param : filter->getParameters()) {
            if (param->GetName() == kEnableRecording && param->GetValueAsString() == from) {
                param->SetValueAsString(to);
                ++switched;
            }
        }
    }
    return switched;
}

ActionResult Graph::StartRecording()
{
    if (!IsPlaying()) {
        return fail("Graph failed to start recording");
    }
    if (switchRecording("False", "True") == 0) {
        LogLine(VornCommon::LogLevel::Error, "Failed to set active filter param 'Enable Recording'");
        return fail("Graph failed to start recording");
    }
    _graphEvents.Emit(&Events::onGraphRecordingStateChanged, true);
    return ActionResult::Success;
}

ActionResult Graph::StopRecording()
{
    if (!IsPlaying()) {
        return fail("Graph failed to stop recording");
    }
    if (switchRecording("True", "False") == 0) {
        LogLine(VornCommon::LogLevel::Error, "Failed to get active filter param 'Enable Recording'");
        return fail("Graph failed to stop recording");
    }
    _recordingStop = true; // the event follows at the end of the next update pass
    return ActionResult::Success;
}

} // namespace Hyx
