#include <Hyx/FrameOrderProvider.h>

#include <typeinfo>

namespace Hyx {

IFrameOrderResetListener::~IFrameOrderResetListener() = default;

FrameOrderProvider::~FrameOrderProvider() = default;

bool FrameOrderProvider::IsDone() const
{
    return !HasNextFrameID();
}

bool FrameOrderProvider::CanReportProgress() const
{
    return false;
}

float FrameOrderProvider::GetProgress() const
{
    return 0.0f;
}

bool FrameOrderProvider::HasCurrentFrameID() const
{
    return true;
}

FrameTake FrameOrderProvider::TakeFrame(bool advancePending, bool outputFull)
{
    FrameTake take;
    const bool advance = advancePending || !HasCurrentFrameID();
    if (advance && !HasNextFrameID()) {
        return take;
    }
    if (outputFull) {
        take.outcome = FrameTake::Outcome::Blocked;
        return take;
    }
    if (advance) {
        AdvanceFrameID();
        take.advanced = true;
    }
    take.frame = GetFrameID();
    if (!HasCurrentFrameID()) {
        take.outcome = FrameTake::Outcome::NoCurrentFrame;
        return take;
    }
    take.outcome = FrameTake::Outcome::Frame;
    take.progress = CanReportProgress() ? GetProgress() : (IsDone() ? 1.0f : 0.0f);
    return take;
}

void FrameOrderProvider::SetFrameOrderResetListener(IFrameOrderResetListener* listener)
{
    std::lock_guard<std::mutex> lock(_listenerMutex);
    _listener = listener;
}

void FrameOrderProvider::notifyReset() const
{
    IFrameOrderResetListener* listener;
    {
        std::lock_guard<std::mutex> lock(_listenerMutex);
        listener = _listener;
    }
    if (listener != nullptr) {
        listener->OnFrameOrderReset();
    }
}

// ---- FrameOrderManual ----

void FrameOrderManual::PushBackNextFrameID(uint32_t frameId)
{
    std::lock_guard<std::mutex> lock(_mutex);
    _queue.push_back(frameId);
}

void FrameOrderManual::JumpToFrameID(uint32_t frameId)
{
    // One copy is enough: the source's advance moves it into the current frame.
    Reset();
    PushBackNextFrameID(frameId);
}

bool FrameOrderManual::HasNextFrameID() const
{
    std::lock_guard<std::mutex> lock(_mutex);
    return !_queue.empty();
}

uint32_t FrameOrderManual::GetFrameID() const
{
    std::lock_guard<std::mutex> lock(_mutex);
    return _hasCurrent ? _current : 0;
}

void FrameOrderManual::AdvanceFrameID()
{
    std::lock_guard<std::mutex> lock(_mutex);
    if (_queue.empty()) {
        return;
    }
    _current = _queue.front();
    _hasCurrent = true;
    _queue.pop_front();
}

void FrameOrderManual::Reset()
{
    {
        std::lock_guard<std::mutex> lock(_mutex);
        _queue.clear();
        _hasCurrent = false;
        _current = 0;
    }
    notifyReset();
}

bool FrameOrderManual::HasCurrentFrameID() const
{
    std::lock_guard<std::mutex> lock(_mutex);
    return _hasCurrent;
}

FrameTake FrameOrderManual::TakeFrame(bool advancePending, bool outputFull)
{
    // A subclass may answer the single queries its own way.
    if (typeid(*this) != typeid(FrameOrderManual)) {
        return FrameOrderProvider::TakeFrame(advancePending, outputFull);
    }
    FrameTake take;
    std::lock_guard<std::mutex> lock(_mutex);
    const bool advance = advancePending || !_hasCurrent;
    if (advance && _queue.empty()) {
        return take;
    }
    if (outputFull) {
        take.outcome = FrameTake::Outcome::Blocked;
        return take;
    }
    if (advance) {
        _current = _queue.front();
        _hasCurrent = true;
        _queue.pop_front();
        take.advanced = true;
    }
    take.outcome = FrameTake::Outcome::Frame;
    take.frame = _current;
    take.progress = _queue.empty() ? 1.0f : 0.0f;
    return take;
}

} // namespace Hyx
