#include "filters/sources/SourceSupport.h"
#include "graph/mutates/MutateSupport.h"
#include "impl/core/BuiltInRegistration.h"

#include <Hyx/Atom.h>
#include <Hyx/DataTypeStreamInfo.h>
#include <Hyx/FilterParamNumeric.h>
#include <Hyx/HYXPurposeGuids.h>
#include <Hyx/LoggerInstance.h>
#include <Hyx/Profile.h>
#include <Hyx/SourceEmpty.h>

#include <VornCommon/Clock.h>
#include <VornCommon/HostSettings.h>
#include <VornCommon/Versorf.h>

#include <algorithm>

namespace Hyx {

HYX_BUILTIN_FILTER(SourceEmptySource);

namespace {

constexpr float kMinFps = 0.01f;
constexpr float kMaxFps = 10000.0f;

} // namespace

SourceEmptySource::SourceEmptySource()
    : _outputProfile(std::make_shared<Profile>(HYXPurposeGuids::TALO, DataTypeStreamInfo::TheTypeGuid()))
{
}

SourceEmptySource::~SourceEmptySource() = default;

std::shared_ptr<Profile> SourceEmptySource::GetOutputProfile()
{
    return _outputProfile;
}

std::shared_ptr<Profile> SourceEmptySource::GetAggregatedOutputProfile()
{
    return _outputProfile;
}

std::shared_ptr<DataTypeStreamInfo> SourceEmptySource::GetStreamInfo()
{
    std::lock_guard<std::mutex> lock(_infoMutex);
    return _streamInfo;
}

HyxErrorCode SourceEmptySource::onInitializeParams(Filter* upstream)
{
    const HyxErrorCode result = Source::onInitializeParams(upstream);
    if (result != HyxErrorCode::Success)
        return result;
    MutateSupport::CreateOnce(_framerateParam, FRAMERATE_PARAMNAME, 1u, 1.0f, kMinFps, kMaxFps);
    addParam(_framerateParam);
    return HyxErrorCode::Success;
}

HyxErrorCode SourceEmptySource::onInitialize(Filter*)
{
    // Text values are not clamped, and the graph's pacing divides by the rate (NaN too
    // becomes the minimum).
    const float requested = _framerateParam ? _framerateParam->GetValue() : 1.0f;
    const float fps = requested >= kMinFps ? std::min(requested, kMaxFps) : kMinFps;
    const int hostId = VornCommon::HostSettings::GetInstance()->GetHostId();
    const auto narrowed = static_cast<unsigned char>(hostId);
    if (narrowed > AtomId::STREAM_ID_MASK)
        LogMessage(VornCommon::LogLevel::Warning, "Empty source: host id %d is used as stream id %u (6 bits)", hostId,
                   narrowed & AtomId::STREAM_ID_MASK);
    auto info = std::make_shared<DataTypeStreamInfo>();
    info->InitializeHeader(HYXPurposeGuids::TALO);
    info->setValues(fps, DataTypeStreamInfo::NUM_FRAMES_AUTO, VornCommon::Versorf(), narrowed,
                    narrowed == 0 ? DataTypeStreamInfo::DEFAULT_HOST_NAME
                                  : DataTypeStreamInfo::DEFAULT_REMOTE_HOST_NAME);
    std::lock_guard<std::mutex> lock(_infoMutex);
    _streamInfo = std::move(info);
    return HyxErrorCode::Success;
}

HyxErrorCode SourceEmptySource::onDeInitialize()
{
    {
        std::lock_guard<std::mutex> lock(_infoMutex);
        _streamInfo.reset();
    }
    return Source::onDeInitialize();
}

HyxErrorCode SourceEmptySource::onPlay()
{
    const HyxErrorCode result = Source::onPlay();
    if (result != HyxErrorCode::Success)
        return result;
    if (!SourceSupport::RunsRealtime(GetGraph()))
        return ReportError(HyxErrorCode::MissingFrameOrderProvider,
                           "Empty source can only run with automatic frame-order provider in 'realtime' mode");
    return HyxErrorCode::Success;
}

HyxErrorCode SourceEmptySource::pushDataToOutput(unsigned frameId)
{
    if (!_streamInfo)
        return ReportError(HyxErrorCode::InvalidStream);
    // The Atom constructor cuts stream id and frame to their widths.
    auto atom = std::make_shared<Atom>(_streamInfo->GetHostId(), frameId, VornCommon::UnixTime100ns());
    atom->AddDataLayer(_streamInfo, false);
    const HyxErrorCode result = pushFromUpdate(std::move(atom));
    return result == HyxErrorCode::Success ? result : ReportError(result);
}

} // namespace Hyx
