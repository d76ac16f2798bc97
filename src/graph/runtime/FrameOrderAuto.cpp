#include <Hyx/FrameOrderProvider.h>

#include <typeinfo>

namespace Hyx {

namespace {

constexpr int32_t kForwardOnce = static_cast<int32_t>(PlaybackMode::ForwardOnce);
constexpr int32_t kForwardLoop = static_cast<int32_t>(PlaybackMode::ForwardLoop);
constexpr int32_t kBackwardOnce = static_cast<int32_t>(PlaybackMode::BackwardOnce);
constexpr int32_t kBackwardLoop = static_cast<int32_t>(PlaybackMode::BackwardLoop);
constexpr int32_t kPingpong = static_cast<int32_t>(PlaybackMode::Pingpong);
constexpr int32_t kPingpongInverse = static_cast<int32_t>(PlaybackMode::PingpongInverse);
constexpr int32_t kRealtime = static_cast<int32_t>(PlaybackMode::Realtime);

} // namespace

FrameOrderAuto::FrameOrderAuto(uint32_t first, uint32_t rangeSize)
    : _first(first), _rangeSize(rangeSize), _current(first), _next(first)
{
}

void FrameOrderAuto::moveToStart()
{
    switch (_mode) {
    case kForwardOnce:
    case kForwardLoop:
    case kPingpong:
    case kRealtime: _current = _next = _first; break;
    case kBackwardOnce:
    case kBackwardLoop:
    case kPingpongInverse: _current = _next = last(); break;
    default: break; // an unknown mode keeps its position
    }
    _done = false;
}

void FrameOrderAuto::SetPlaybackMode(PlaybackMode mode, bool reset)
{
    {
        std::lock_guard<std::mutex> lock(_mutex);
        _mode = static_cast<int32_t>(mode);
        if (reset) {
            moveToStart();
        } else {
            bringIntoRange();
        }
    }
    notifyReset();
}

void FrameOrderAuto::bringIntoRange()
{
    // Only Realtime leaves the range: it counts on past it. Any other walk takes up from a
    // frame of the range; its next frame, if still outside, is stepped to as the mode steps.
    if (_mode == kRealtime || _rangeSize == 0 || _current - _first < _rangeSize) {
        return;
    }
    if (_mode == kForwardLoop || _mode == kBackwardLoop) {
        _current = _first + (_current - _first) % _rangeSize; // as if the count had looped
    } else {
        _current = last(); // the count went past the end: the walk stands there
    }
    if (_rangeSize == 1) {
        _done = true; // its one frame counts as handed out, as after an advance
    }
}

void FrameOrderAuto::rangeOver(uint32_t first, uint32_t rangeSize)
{
    std::lock_guard<std::mutex> lock(_mutex);
    _first = first;
    _rangeSize = rangeSize;
    bringIntoRange();
}

PlaybackMode FrameOrderAuto::GetPlaybackMode() const
{
    std::lock_guard<std::mutex> lock(_mutex);
    return static_cast<PlaybackMode>(_mode);
}

uint32_t FrameOrderAuto::GetFirstFrameID() const
{
    std::lock_guard<std::mutex> lock(_mutex);
    return _first;
}

uint32_t FrameOrderAuto::GetRangeSize() const
{
    std::lock_guard<std::mutex> lock(_mutex);
    return _rangeSize;
}

void FrameOrderAuto::Reset()
{
    {
        std::lock_guard<std::mutex> lock(_mutex);
        moveToStart();
    }
    notifyReset();
}

void FrameOrderAuto::JumpToFrameID(uint32_t frameId)
{
    {
        std::lock_guard<std::mutex> lock(_mutex);
        if (_rangeSize <= 1) {
            return; // nowhere to jump to; nobody is told
        }
        if (frameId < _first) {
            _next = _first;
        } else if (frameId > last()) {
            _next = last();
        } else {
            _next = frameId;
        }
    }
    notifyReset();
}

bool FrameOrderAuto::HasNextFrameID() const
{
    std::lock_guard<std::mutex> lock(_mutex);
    return hasNextLocked();
}

bool FrameOrderAuto::hasNextLocked() const
{
    if (_rangeSize == 0) {
        return false;
    }
    switch (_mode) {
    case kForwardOnce: return _rangeSize == 1 ? !_done : _current < last();
    case kBackwardOnce: return _rangeSize == 1 ? !_done : _current > _first;
    default: return true;
    }
}

uint32_t FrameOrderAuto::GetFrameID() const
{
    std::lock_guard<std::mutex> lock(_mutex);
    return _current;
}

void FrameOrderAuto::AdvanceFrameID()
{
    std::lock_guard<std::mutex> lock(_mutex);
    advanceLocked();
}

void FrameOrderAuto::advanceLocked()
{
    if (_rangeSize == 0) {
        return;
    }
    if (_rangeSize == 1) {
        _done = true;
        return;
    }
    const uint32_t previous = _current;
    // The next frame can lie past the range: the step past a once-walk's end, or Realtime's
    // count, kept through a change of mode without a reset. The walk then steps from where it
    // stands, as its mode steps, so no frame outside the stream is handed out (Realtime counts
    // on, range or not).
    if (_mode != kRealtime && _next - _first >= _rangeSize) {
        switch (_mode) {
        case kForwardOnce: _next = _current == last() ? _current : _current + 1; break;
        case kForwardLoop: _next = _current == last() ? _first : _current + 1; break;
        case kBackwardOnce: _next = _current == _first ? _current : _current - 1; break;
        case kBackwardLoop: _next = _current == _first ? last() : _current - 1; break;
        case kPingpong:
        case kPingpongInverse: _next = _current == last() ? _current - 1 : _current + 1; break;
        default: _next = _current; break;
        }
    }
    _current = _next;
    switch (_mode) {
    case kForwardOnce:
    case kRealtime: _next = _current + 1; break;
    case kForwardLoop: _next = _current == last() ? _first : _current + 1; break;
    case kBackwardOnce: _next = _current - 1; break;
    case kBackwardLoop: _next = _current == _first ? last() : _current - 1; break;
    case kPingpong:
    case kPingpongInverse:
        if (previous > _current) {
            _next = _current == _first ? _current + 1 : _current - 1;
        } else {
            _next = _current == last() ? _current - 1 : _current + 1;
        }
        break;
    default: break; // an unknown mode stands still
    }
}

bool FrameOrderAuto::CanReportProgress() const
{
    std::lock_guard<std::mutex> lock(_mutex);
    return _mode == kForwardOnce;
}

float FrameOrderAuto::GetProgress() const
{
    std::lock_guard<std::mutex> lock(_mutex);
    return progressLocked();
}

float FrameOrderAuto::progressLocked() const
{
    if (_mode != kForwardOnce || _rangeSize == 0) {
        return 0.0f;
    }
    return static_cast<float>(_current - _first + 1) / static_cast<float>(_rangeSize);
}

bool FrameOrderAuto::HasCurrentFrameID() const
{
    std::lock_guard<std::mutex> lock(_mutex);
    return _rangeSize != 0;
}

FrameTake FrameOrderAuto::TakeFrame(bool advancePending, bool outputFull)
{
    // A subclass may answer the single queries its own way.
    if (typeid(*this) != typeid(FrameOrderAuto)) {
        return FrameOrderProvider::TakeFrame(advancePending, outputFull);
    }
    FrameTake take;
    std::lock_guard<std::mutex> lock(_mutex);
    if (_rangeSize == 0) {
        return take; // never a current frame, so an advance is always due and impossible
    }
    if (advancePending && !hasNextLocked()) {
        return take;
    }
    if (outputFull) {
        take.outcome = FrameTake::Outcome::Blocked;
        return take;
    }
    if (advancePending) {
        advanceLocked();
        take.advanced = true;
    }
    take.outcome = FrameTake::Outcome::Frame;
    take.frame = _current;
    take.progress = _mode == kForwardOnce ? progressLocked() : (hasNextLocked() ? 0.0f : 1.0f);
    return take;
}

} // namespace Hyx
