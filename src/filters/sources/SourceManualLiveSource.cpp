#include "filters/sources/SourceSupport.h"
#include "impl/core/BuiltInRegistration.h"

#include <Hyx/Atom.h>
#include <Hyx/Connection.h>
#include <Hyx/DataTypeStreamInfo.h>
#include <Hyx/LoggerInstance.h>
#include <Hyx/Profile.h>
#include <Hyx/SourceManual.h>

namespace Hyx {

HYX_BUILTIN_FILTER(SourceManualLiveSource);

SourceManualLiveSource::SourceManualLiveSource() = default;

SourceManualLiveSource::~SourceManualLiveSource() = default;

bool SourceManualLiveSource::ClearCacheAndReinitializeProperties(std::shared_ptr<Atom> templateAtom,
                                                                 unsigned numStreams, float fps, bool renumberFrames)
{
    std::lock_guard<std::mutex> lock(_mutex);
    const FilterState state = GetFilterState();
    if (state != FilterState::Created && state != FilterState::PreInitialized) {
        SetError("Can not reinitialize properties of manual live source after it was added to a graph");
        return false;
    }
    std::string error;
    SourceSupport::Declaration declaration =
        SourceSupport::Declare(templateAtom, numStreams, fps, DataTypeStreamInfo::NUM_FRAMES_AUTO, error);
    if (!declaration.profile) {
        SetError(error);
        return false;
    }
    clearQueue(false);
    _declaredOutputProfile = std::move(declaration.profile);
    _declaredStreamInfo = std::move(declaration.streamInfo);
    _declaredNumStreams = numStreams;
    _renumberFrames = renumberFrames;
    _frameCounter = 0;
    return true;
}

bool SourceManualLiveSource::PropertiesAreInitialized() const
{
    std::lock_guard<std::mutex> lock(_mutex);
    return _declaredOutputProfile != nullptr;
}

void SourceManualLiveSource::ClearCache(bool rewindFrameCounter)
{
    std::lock_guard<std::mutex> lock(_mutex);
    clearQueue(rewindFrameCounter);
}

void SourceManualLiveSource::clearQueue(bool rewindFrameCounter)
{
    if (_declaredOutputProfile && _renumberFrames && rewindFrameCounter && !_atomsQueue.empty())
        _frameCounter = _atomsQueue.front()->GetFrameNr();
    _atomsQueue.clear();
}

bool SourceManualLiveSource::PushFrame(std::vector<std::shared_ptr<Atom>> frame)
{
    std::lock_guard<std::mutex> lock(_mutex);
    if (!_declaredOutputProfile) {
        SetError("Frame rejected - properties of the manual live source have not yet been initialized");
        return false;
    }
    if (const char* rejection = SourceSupport::CheckFrame(frame, _declaredOutputProfile, _declaredNumStreams)) {
        SetError(rejection);
        return false;
    }
    // Past 22 bits the number would wrap to 0 and pass as another frame.
    if (_renumberFrames && _frameCounter > AtomId::FRAME_NR_MASK) {
        SetError(SourceSupport::PAST_LAST_FRAME_NUMBER);
        return false;
    }
    for (const std::shared_ptr<Atom>& atom : frame) {
        std::shared_ptr<Atom> copy = SourceSupport::QueuedCopy(atom, *_declaredStreamInfo);
        if (_renumberFrames)
            copy->SetFrameNr(_frameCounter);
        _atomsQueue.push_back(std::move(copy));
    }
    if (_renumberFrames)
        ++_frameCounter;
    return true;
}

std::shared_ptr<Profile> SourceManualLiveSource::GetOutputProfile()
{
    std::lock_guard<std::mutex> lock(_mutex);
    return _declaredOutputProfile ? std::make_shared<Profile>(*_declaredOutputProfile) : nullptr;
}

std::shared_ptr<Profile> SourceManualLiveSource::GetAggregatedOutputProfile()
{
    return GetOutputProfile();
}

int SourceManualLiveSource::GetOutputNumStreams() const
{
    std::lock_guard<std::mutex> lock(_mutex);
    return static_cast<int>(_declaredNumStreams);
}

std::shared_ptr<DataTypeStreamInfo> SourceManualLiveSource::GetStreamInfo()
{
    std::lock_guard<std::mutex> lock(_mutex);
    return _declaredStreamInfo;
}

HyxErrorCode SourceManualLiveSource::onInitialize(Filter*)
{
    if (!PropertiesAreInitialized())
        return ReportError(HyxErrorCode::FilterWrongStateToInitialize);
    return HyxErrorCode::Success;
}

HyxErrorCode SourceManualLiveSource::onPlay()
{
    const HyxErrorCode result = Source::onPlay();
    if (result != HyxErrorCode::Success)
        return result;
    if (!SourceSupport::RunsRealtime(GetGraph()))
        return ReportError(HyxErrorCode::MissingFrameOrderProvider,
                           "Manual live source can only run with automatic frame-order provider in 'realtime' mode");
    return HyxErrorCode::Success;
}

HyxErrorCode SourceManualLiveSource::pushDataToOutput(unsigned)
{
    std::lock_guard<std::mutex> lock(_mutex);
    if (_declaredNumStreams == 0 || _atomsQueue.size() < _declaredNumStreams)
        return HyxErrorCode::NoDataAvailable;
    // A frame leaves whole or not at all: downstream filters group atoms by count.
    if (Connection* const output = outputConnectionForUpdate();
        output && output->NumEmptySlots() < static_cast<int>(_declaredNumStreams))
        return ReportError(HyxErrorCode::FilterFailedToPushAtom);
    for (uint32_t i = 0; i < _declaredNumStreams; ++i) {
        const std::shared_ptr<Atom> atom = std::move(_atomsQueue.front());
        _atomsQueue.pop_front();
        const HyxErrorCode result = pushFromUpdate(Atom::Copy(atom, -1, true));
        if (result != HyxErrorCode::Success) {
            // Not expected after the check above; the rest of the frame goes too, or every
            // later frame would mix two frames.
            const uint32_t rest = _declaredNumStreams - i - 1;
            _atomsQueue.erase(_atomsQueue.begin(), _atomsQueue.begin() + rest);
            LogMessage(VornCommon::LogLevel::Error,
                       "Manual live source dropped frame %u: %u of its %u atoms could not be pushed",
                       atom->GetFrameNr(), rest + 1, _declaredNumStreams);
            return ReportError(result);
        }
    }
    return HyxErrorCode::Success;
}

} // namespace Hyx
