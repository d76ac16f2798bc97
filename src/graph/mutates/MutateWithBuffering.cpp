#include <Hyx/MutateWithBuffering.h>

#include "graph/mutates/MutateSupport.h"

#include <Hyx/Atom.h>
#include <Hyx/Connection.h>
#include <Hyx/DataTypeStreamInfo.h>
#include <Hyx/FilterParamNumeric.h>

#include <limits>

namespace Hyx {

MutateWithBuffering::MutateWithBuffering(bool offerInputProfiles) : Mutate(offerInputProfiles)
{
}

MutateWithBuffering::~MutateWithBuffering() = default;

HyxErrorCode MutateWithBuffering::onInitializeParams(Filter* upstream)
{
    const HyxErrorCode result = Mutate::onInitializeParams(upstream);
    _frameCountSet = false;
    if (result != HyxErrorCode::Success)
        return result;
    constexpr int kMax = std::numeric_limits<int>::max();
    MutateSupport::CreateOnce(_startFrameParam, "Start Frame", 0u, 0, 0, kMax);
    MutateSupport::CreateOnce(_endFrameParam, "End Frame", 0u, kMax, 0, kMax);
    addParam(_startFrameParam);
    addParam(_endFrameParam);
    return HyxErrorCode::Success;
}

void MutateWithBuffering::setFrameCount(int frameCount)
{
    _frameCount = frameCount;
    _frameCountSet = true;
}

HyxErrorCode MutateWithBuffering::onCollectFrame(std::shared_ptr<Atom>)
{
    return HyxErrorCode::Success;
}

HyxErrorCode MutateWithBuffering::onPlay()
{
    // Resuming keeps what was collected and what is still to be released.
    if (GetFilterState() != FilterState::Connected)
        return HyxErrorCode::Success;
    _processResult = HyxErrorCode::NoDataAvailable;
    _expectedAtoms = -1;
    _atomCounter = 0;
    _releaseIndex = 0;
    _phase = Phase::Collecting;
    _buffer.clear();
    return HyxErrorCode::Success;
}

HyxErrorCode MutateWithBuffering::onStop()
{
    _buffer.clear();
    _releaseIndex = 0;
    // Nothing is left to release: a stopped release is over. A collection stays open.
    if (_phase == Phase::Releasing)
        _phase = Phase::Done;
    return HyxErrorCode::Success;
}

bool MutateWithBuffering::IsDone() const
{
    return _phase == Phase::Done;
}

void MutateWithBuffering::completeBuffer()
{
    _processResult = onProcessBuffer();
    _phase = Phase::Releasing;
    _releaseIndex = 0;
}

HyxErrorCode MutateWithBuffering::onCreateFrame(std::shared_ptr<Atom> input, std::shared_ptr<Atom>&)
{
    const int64_t n = _atomCounter++;
    if (_expectedAtoms < 1 && input) {
        const auto info = std::dynamic_pointer_cast<DataTypeStreamInfo>(
            input->GetDataLayerByType(DataTypeStreamInfo::TheTypeGuid(), true));
        if (info) {
            const int64_t frames = _frameCountSet ? _frameCount : static_cast<int64_t>(info->GetNumFrames());
            _expectedAtoms = static_cast<int64_t>(GetInputNumStreams()) * frames;
        }
    }
    if (_phase != Phase::Collecting)
        return HyxErrorCode::NoDataAvailable; // counted, otherwise ignored
    const int64_t end = _endFrameParam ? _endFrameParam->GetValue() : std::numeric_limits<int>::max();
    const int64_t start = _startFrameParam ? _startFrameParam->GetValue() : 0;
    if (start <= n && n <= end) {
        const HyxErrorCode collected = onCollectFrame(input);
        if (static_cast<uint32_t>(collected) > static_cast<uint32_t>(HyxErrorCode::NoDataAvailable))
            return collected;
        if (collected == HyxErrorCode::Success)
            _buffer.push_back(std::move(input));
    }
    // Completion counts arrivals, so skipped and refused atoms do not keep the buffer open.
    if (n == end || (_expectedAtoms >= 1 && n + 1 >= _expectedAtoms))
        completeBuffer();
    return HyxErrorCode::NoDataAvailable;
}

bool MutateWithBuffering::inputHasEnded() const
{
    if (!FilterWithInput::IsDone())
        return false;
    // Without an upstream filter nothing more can come either.
    for (std::shared_ptr<Filter> filter = GetInputFilter(); filter; filter = filter->GetInputFilter()) {
        if (!filter->IsDone())
            return false;
    }
    return true;
}

HyxErrorCode MutateWithBuffering::onPostUpdate()
{
    if (_phase == Phase::Collecting) {
        // A stream shorter than announced (or thinned out upstream) would keep the buffer
        // open for ever: process what came.
        if (!inputHasEnded())
            return HyxErrorCode::NoDataAvailable;
        completeBuffer();
    }
    if (_phase != Phase::Releasing)
        return HyxErrorCode::NoDataAvailable;
    if (_releaseIndex < _buffer.size()) {
        if (!MutateSupport::OutputHasRoom(getOutputConnection(), 1))
            return HyxErrorCode::NoDataAvailable; // kept for the next update
        std::shared_ptr<Atom>& slot = _buffer[_releaseIndex];
        if (slot && pushFromUpdate(slot) != HyxErrorCode::Success) {
            ResetError();
            return HyxErrorCode::NoDataAvailable;
        }
        slot.reset();
        ++_releaseIndex;
        if (_releaseIndex < _buffer.size())
            return HyxErrorCode::NoDataAvailable;
    }
    _buffer.clear();
    _releaseIndex = 0;
    _phase = Phase::Done;
    return _processResult;
}

} // namespace Hyx
