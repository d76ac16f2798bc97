#include <Hyx/Stream.h>

#include "core/LogLevelEnabled.h"

#include <cmath>
#include <limits>

namespace Hyx {

Stream::Stream(unsigned short streamId) : _streamId(streamId)
{
}

Stream::~Stream()
{
    const PlayState state = _playState.load();
    if (state == PlayState::Playing || state == PlayState::Paused) {
        LogLine(VornCommon::LogLevel::Error, "Stream '%d' not stopped!", int(_streamId));
    }
}

HyxErrorCode Stream::Play()
{
    const PlayState state = _playState.load();
    if (state == PlayState::Playing) {
        return HyxErrorCode::StreamAlreadyPlaying;
    }
    const HyxErrorCode result = onPlay(state != PlayState::Paused);
    // A stream that failed to start is not playing.
    if (result == HyxErrorCode::Success) {
        _playState = PlayState::Playing;
    }
    return result;
}

HyxErrorCode Stream::Pause()
{
    switch (_playState.load()) {
    case PlayState::Playing: break;
    case PlayState::Paused: return HyxErrorCode::Success;
    default: _playState = PlayState::Paused; return HyxErrorCode::StreamNotPaused;
    }
    // Paused only once the hook agrees: a refusal (or a throw) leaves the stream playing.
    const HyxErrorCode result = onPause();
    if (result == HyxErrorCode::Success) {
        _playState = PlayState::Paused;
    }
    return result;
}

HyxErrorCode Stream::Stop()
{
    const PlayState state = _playState.load();
    if (state != PlayState::Playing && state != PlayState::Paused) {
        return HyxErrorCode::Success;
    }
    // A refused stop leaves the stream as it was, so the next Stop asks the hook again.
    const HyxErrorCode result = onStop();
    if (result == HyxErrorCode::Success) {
        _playState = PlayState::Stopped;
    }
    return result;
}

HyxErrorCode Stream::Update(unsigned frameId, std::shared_ptr<Atom>& atom)
{
    if (_playState.load() != PlayState::Playing) {
        return HyxErrorCode::StreamNotPlaying;
    }
    return onUpdate(frameId, atom);
}

HyxErrorCode Stream::onPlay(bool)
{
    return HyxErrorCode::Success;
}

HyxErrorCode Stream::onPause()
{
    return HyxErrorCode::Success;
}

HyxErrorCode Stream::onStop()
{
    return HyxErrorCode::Success;
}

uint64_t Stream::GetTimeInNanoSecondsForFrame(float fps, unsigned frame)
{
    if (!(fps > 0.0f)) {
        return 0; // also NaN: no rate, no time
    }
    const double ns = static_cast<double>(frame) * 1e9 / static_cast<double>(fps);
    // 2^64 as a double; anything at or above it does not fit.
    if (!(ns < 18446744073709551616.0)) {
        return std::numeric_limits<uint64_t>::max();
    }
    return static_cast<uint64_t>(ns);
}

} // namespace Hyx
