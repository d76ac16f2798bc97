#include "filters/sources/SourceSupport.h"
#include "impl/core/BuiltInRegistration.h"

#include <Hyx/Atom.h>
#include <Hyx/Connection.h>
#include <Hyx/DataTypeStreamInfo.h>
#include <Hyx/Profile.h>
#include <Hyx/SourceManual.h>

#include <string>

namespace Hyx {

HYX_BUILTIN_FILTER(SourceManualOfflineSource);

namespace {

bool outsideGraph(Filter::FilterState state)
{
    return state == Filter::FilterState::Created || state == Filter::FilterState::PreInitialized;
}

// A new layer with the values of `info` and that frame count.
std::shared_ptr<DataTypeStreamInfo> counted(const DataTypeStreamInfo& info, uint32_t numFrames)
{
    auto layer = std::make_shared<DataTypeStreamInfo>();
    layer->InitializeHeader(info.GetPurposeGuid());
    layer->setValues(info.GetFPS(), numFrames, info.GetOrientation(), info.GetHostId(), info.GetHostName().c_str());
    return layer;
}

} // namespace

bool SourceManualOfflineSource::collectionOpen() const
{
    // The state is stored only after initialisation counted the frames: the flag, set in the
    // same locked step as the count, closes the gap between the two.
    return !_frozen && outsideGraph(GetFilterState());
}

SourceManualOfflineSource::SourceManualOfflineSource() = default;

SourceManualOfflineSource::~SourceManualOfflineSource() = default;

bool SourceManualOfflineSource::ClearCacheAndReinitializeProperties(std::shared_ptr<Atom> templateAtom,
                                                                    unsigned numStreams, float fps, bool renumberFrames)
{
    std::lock_guard<std::mutex> lock(_mutex);
    if (!collectionOpen()) {
        SetError("Can not reinitialize properties of manual offline source after it was added to a graph");
        return false;
    }
    std::string error;
    SourceSupport::Declaration declaration = SourceSupport::Declare(templateAtom, numStreams, fps, 0, error);
    if (!declaration.profile) {
        SetError(error);
        return false;
    }
    _atoms.clear();
    _declaredOutputProfile = std::move(declaration.profile);
    _declaredStreamInfo = std::move(declaration.streamInfo);
    _declaredNumStreams = numStreams;
    _renumberFrames = renumberFrames;
    return true;
}

bool SourceManualOfflineSource::PropertiesAreInitialized() const
{
    std::lock_guard<std::mutex> lock(_mutex);
    return _declaredOutputProfile != nullptr;
}

bool SourceManualOfflineSource::ClearCache()
{
    std::lock_guard<std::mutex> lock(_mutex);
    if (!collectionOpen()) {
        SetError("Can not clear manual offline source's collection of atoms after it was added to a graph");
        return false;
    }
    _atoms.clear();
    return true;
}

bool SourceManualOfflineSource::PushFrame(std::vector<std::shared_ptr<Atom>> frame)
{
    std::lock_guard<std::mutex> lock(_mutex);
    if (!collectionOpen()) {
        SetError("Can not push a frame to the manual offline source's collection after it was added to a graph");
        return false;
    }
    if (!_declaredOutputProfile) {
        SetError("Frame rejected - properties of the manual offline source have not yet been initialized");
        return false;
    }
    if (const char* rejection = SourceSupport::CheckFrame(frame, _declaredOutputProfile, _declaredNumStreams)) {
        SetError(rejection);
        return false;
    }
    // Renumbered, frame f of the collection carries f, which must fit the identity word.
    if (_renumberFrames && _atoms.size() / _declaredNumStreams > AtomId::FRAME_NR_MASK) {
        SetError(SourceSupport::PAST_LAST_FRAME_NUMBER);
        return false;
    }
    for (const std::shared_ptr<Atom>& atom : frame)
        _atoms.push_back(SourceSupport::QueuedCopy(atom, *_declaredStreamInfo));
    return true;
}

std::shared_ptr<Profile> SourceManualOfflineSource::GetOutputProfile()
{
    std::lock_guard<std::mutex> lock(_mutex);
    return _declaredOutputProfile ? std::make_shared<Profile>(*_declaredOutputProfile) : nullptr;
}

std::shared_ptr<Profile> SourceManualOfflineSource::GetAggregatedOutputProfile()
{
    return GetOutputProfile();
}

int SourceManualOfflineSource::GetOutputNumStreams() const
{
    std::lock_guard<std::mutex> lock(_mutex);
    return static_cast<int>(_declaredNumStreams);
}

std::shared_ptr<DataTypeStreamInfo> SourceManualOfflineSource::GetStreamInfo()
{
    std::lock_guard<std::mutex> lock(_mutex);
    return _declaredStreamInfo;
}

HyxErrorCode SourceManualOfflineSource::onInitialize(Filter*)
{
    std::lock_guard<std::mutex> lock(_mutex);
    if (!_declaredOutputProfile)
        return ReportError(HyxErrorCode::FilterWrongStateToInitialize);
    const uint32_t numStreams = _declaredNumStreams;
    const auto numFrames = static_cast<uint32_t>(_atoms.size() / numStreams);
    _declaredStreamInfo->SetNumFrames(numFrames);
    for (size_t i = 0; i < _atoms.size(); ++i) {
        const std::shared_ptr<Atom>& atom = _atoms[i];
        // The queued copy's own layer, never one of the host's; it stays the last layer. A new
        // count goes into a new layer: the old one may travel in frames emitted before the
        // source last left a graph, which a host may still hold.
        if (auto info = std::dynamic_pointer_cast<DataTypeStreamInfo>(
                atom->GetDataLayerByType(DataTypeStreamInfo::TheTypeGuid(), true));
            info && info->GetNumFrames() != numFrames) {
            atom->RemoveDataLayer(info);
            atom->AddDataLayer(counted(*info, numFrames), false);
        }
        if (_renumberFrames)
            atom->SetFrameNr(static_cast<uint32_t>(i / numStreams));
    }
    _frozen = true;
    return HyxErrorCode::Success;
}

HyxErrorCode SourceManualOfflineSource::onDeInitialize()
{
    // Out of the graph again: the collection opens once the state says so, as before.
    std::lock_guard<std::mutex> lock(_mutex);
    _frozen = false;
    return HyxErrorCode::Success;
}

HyxErrorCode SourceManualOfflineSource::onPlay()
{
    const HyxErrorCode result = Source::onPlay();
    if (result != HyxErrorCode::Success)
        return result;
    // Realtime counts up without end: every update past the last frame would fail.
    if (SourceSupport::RunsRealtime(GetGraph())) {
        const std::shared_ptr<DataTypeStreamInfo> info = GetStreamInfo();
        const std::string reason = "Manual offline source cannot run in 'realtime' mode: its " +
                                   std::to_string(info ? info->GetNumFrames() : 0u) + " frames would run out";
        return ReportError(HyxErrorCode::MissingFrameOrderProvider, reason.c_str());
    }
    return HyxErrorCode::Success;
}

HyxErrorCode SourceManualOfflineSource::pushDataToOutput(unsigned frameId)
{
    std::lock_guard<std::mutex> lock(_mutex);
    const size_t numStreams = _declaredNumStreams;
    if (numStreams == 0 || _atoms.empty())
        return HyxErrorCode::NoDataAvailable;
    const size_t numFrames = _atoms.size() / numStreams;
    if (frameId >= numFrames) {
        const std::string info = "Frame " + std::to_string(frameId) + " is outside the " + std::to_string(numFrames) +
                                 " frames of the manual offline source";
        return ReportError(HyxErrorCode::FilterError, info.c_str());
    }
    // A frame leaves whole or not at all: downstream filters group atoms by count.
    if (Connection* const output = outputConnectionForUpdate();
        output && output->NumEmptySlots() < static_cast<int>(numStreams))
        return ReportError(HyxErrorCode::FilterFailedToPushAtom);
    for (size_t s = 0; s < numStreams; ++s) {
        const HyxErrorCode result = pushFromUpdate(Atom::Copy(_atoms[frameId * numStreams + s], -1, true));
        if (result != HyxErrorCode::Success)
            return ReportError(result);
    }
    return HyxErrorCode::Success;
}

} // namespace Hyx
