#include <Hyx/FrameOrderProvider.h>

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

} // namespace Hyx
