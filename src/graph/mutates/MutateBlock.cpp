#include <Hyx/MutateBlock.h>

#include "graph/mutates/MutateSupport.h"

#include <Hyx/Atom.h>
#include <Hyx/FilterParamNumeric.h>
#include <Hyx/FilterParamText.h>
#include <Hyx/LoggerInstance.h>

#include <algorithm>

namespace Hyx {

namespace {

// How often a waiting push looks whether its asynchronous graph wants to stop.
constexpr std::chrono::milliseconds kStopPoll{10};

size_t framesAtoms(const FilterWithInput& filter)
{
    // No stream count (no upstream filter) must not grow a frame without end.
    return static_cast<size_t>(std::max(1, filter.GetInputNumStreams()));
}

} // namespace

MutateBlock::MutateBlock() : Mutate(false)
{
}

MutateBlock::~MutateBlock() = default;

HyxErrorCode MutateBlock::onInitializeParams(Filter* upstream)
{
    const HyxErrorCode result = Mutate::onInitializeParams(upstream);
    if (result != HyxErrorCode::Success)
        return result;
    const MutateSupport::DropParamSpec spec{BUFFER_SIZE_PARAMNAME,
                                            1u,
                                            0u,
                                            DROP_FRAMES_WHEN_FULL_PARAMNAME,
                                            0u,
                                            DROPPED_FRAMES_COUNT_PARAMNAME,
                                            RESET_DROPPED_FRAMES_COUNTER_PARAMNAME};
    for (const std::shared_ptr<FilterParam>& param :
         MutateSupport::CreateDropParams(spec, _bufferSizeParam, _dropParam, _droppedCountParam, _resetDroppedParam))
        addParam(param);
    return HyxErrorCode::Success;
}

void MutateBlock::cbiParameterValueChanged(std::shared_ptr<FilterParam> param, const char* value)
{
    if (param && param == _resetDroppedParam)
        MutateSupport::ResetDrops(_droppedCountParam.get());
    Mutate::cbiParameterValueChanged(std::move(param), value);
}

HyxErrorCode MutateBlock::onPlay()
{
    if (GetFilterState() == FilterState::Connected) {
        const uint32_t capacity = std::max(1u, _bufferSizeParam ? _bufferSizeParam->GetValue() : 1u);
        forgetFrames(BufferChange::Create, capacity);
        MutateSupport::ResetDrops(_droppedCountParam.get());
        MutateSupport::ListenToFrameOrderResets(GetGraph(), this, true);
    }
    onStartRelease();
    return HyxErrorCode::Success;
}

HyxErrorCode MutateBlock::onPause()
{
    onPauseRelease();
    return HyxErrorCode::Success;
}

HyxErrorCode MutateBlock::onStop()
{
    onStopRelease();
    forgetFrames(BufferChange::Destroy);
    MutateSupport::ResetDrops(_droppedCountParam.get());
    MutateSupport::ListenToFrameOrderResets(GetGraph(), this, false);
    return HyxErrorCode::Success;
}

void MutateBlock::OnFrameOrderReset()
{
    forgetFrames(BufferChange::Flush);
}

void MutateBlock::forgetFrames(BufferChange change, uint32_t capacity)
{
    {
        std::lock_guard<std::mutex> lock(_releasedMutex);
        switch (change) {
        case BufferChange::Create: _buffer = std::make_unique<VornCommon::BlockingBoundedQueue<Frame>>(capacity); break;
        case BufferChange::Flush:
            // Never waits: a flush that waited for room here could wait for ever.
            if (_buffer)
                _buffer->Flush();
            break;
        case BufferChange::Destroy:
            if (_buffer)
                _buffer->Close();
            _buffer.reset();
            break;
        }
        _currentFrame.clear();
        _releasedAtoms.clear();
        _keptFrames.clear();
        ++_forgets;
    }
    _bufferChanged.notify_all();
}

bool MutateBlock::IsDone() const
{
    if (!Mutate::IsDone())
        return false;
    std::lock_guard<std::mutex> lock(_releasedMutex);
    return (!_buffer || _buffer->Size() == 0) && _releasedAtoms.empty() && _keptFrames.empty();
}

std::shared_ptr<Profile> MutateBlock::onGenerateOutputProfile(Filter* upstream, std::shared_ptr<Profile>)
{
    return upstream != nullptr ? upstream->GetAggregatedOutputProfile() : std::shared_ptr<Profile>();
}

MutateBlock::Wait MutateBlock::pushWaiting(std::unique_lock<std::mutex>& lock, Frame& frame)
{
    const uint64_t forgets = _forgets;
    for (;;) {
        // A reset or stop while waiting forgets this frame along with the buffered ones.
        if (!_buffer || _forgets != forgets)
            return Wait::Forgotten;
        // Every push happens under the lock, so a free slot stays free for this one.
        if (_buffer->Size() < _buffer->Capacity()) {
            _buffer->Push(std::move(frame));
            _bufferChanged.notify_all();
            return Wait::Buffered;
        }
        // Only an asynchronous graph can be asked to stop while its updating thread waits
        // here; one that is gone needs nothing more either.
        if (IsGraphStopRequested())
            return Wait::GaveUp;
        _bufferChanged.wait_for(lock, kStopPoll);
    }
}

bool MutateBlock::submitFrame(Frame frame)
{
    std::unique_lock<std::mutex> lock(_releasedMutex);
    if (!_buffer)
        return true;
    if (!_keptFrames.empty()) {
        _keptFrames.push_back(std::move(frame)); // behind the older ones
        return false;
    }
    if (_dropParam && _dropParam->GetValue()) {
        if (_buffer->Size() < _buffer->Capacity()) {
            _buffer->Push(std::move(frame));
            _bufferChanged.notify_all();
            return true;
        }
        lock.unlock(); // the counter notifies listeners, which may pull
        MutateSupport::CountDrop(*_droppedCountParam);
        const Atom& first = *frame.front();
        LogMessage(VornCommon::LogLevel::Info, "Dropping a frame since the buffer is full (id: %d, timestamp: %lld)",
                   static_cast<int>(first.GetId()), static_cast<long long>(first.GetTimeStamp()));
        return true;
    }
    if (pushWaiting(lock, frame) != Wait::GaveUp)
        return true;
    _keptFrames.push_back(std::move(frame));
    return false;
}

bool MutateBlock::submitKeptFrames()
{
    std::unique_lock<std::mutex> lock(_releasedMutex);
    while (!_keptFrames.empty()) {
        // Out of the deque while waiting: a reset meanwhile empties it.
        Frame frame = std::move(_keptFrames.front());
        _keptFrames.pop_front();
        if (pushWaiting(lock, frame) == Wait::GaveUp) {
            _keptFrames.push_front(std::move(frame));
            return false;
        }
    }
    return true;
}

HyxErrorCode MutateBlock::onUpdate()
{
    // Frames kept back when a stop request ended a wait go first; until they are buffered no
    // new input is taken.
    if (GetFilterState() == FilterState::Playing && !submitKeptFrames())
        return HyxErrorCode::NoDataAvailable;
    return Mutate::onUpdate();
}

HyxErrorCode MutateBlock::onCreateFrame(std::shared_ptr<Atom> input, std::shared_ptr<Atom>&)
{
    if (!input)
        return HyxErrorCode::NoDataAvailable;
    const size_t atomsPerFrame = framesAtoms(*this);
    Frame complete;
    {
        std::lock_guard<std::mutex> lock(_releasedMutex);
        _currentFrame.push_back(Atom::Copy(input, -1, true));
        if (_currentFrame.size() >= atomsPerFrame)
            complete.swap(_currentFrame);
    }
    if (!complete.empty())
        submitFrame(std::move(complete));
    return HyxErrorCode::NoDataAvailable;
}

bool MutateBlock::releaseNextFrame()
{
    bool released = false;
    {
        std::lock_guard<std::mutex> lock(_releasedMutex);
        if (!_buffer)
            return false;
        Frame frame;
        if (!_buffer->TryPull(frame))
            return false;
        released = !frame.empty();
        for (std::shared_ptr<Atom>& atom : frame)
            _releasedAtoms.push_back(std::move(atom));
    }
    _bufferChanged.notify_all(); // a slot is free
    return released;
}

bool MutateBlock::waitForFrame(const std::atomic<bool>& stop, std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(_releasedMutex);
    _bufferChanged.wait_for(lock, timeout, [&] { return stop.load() || (_buffer && _buffer->Size() > 0); });
    return _buffer && _buffer->Size() > 0;
}

void MutateBlock::notifyWaiters()
{
    {
        std::lock_guard<std::mutex> lock(_releasedMutex);
    }
    _bufferChanged.notify_all();
}

HyxErrorCode MutateBlock::onPostUpdate()
{
    const size_t atomsPerFrame = framesAtoms(*this);
    const std::shared_ptr<Connection> output = getOutputConnection();
    std::lock_guard<std::mutex> lock(_releasedMutex);
    if (_releasedAtoms.empty())
        return HyxErrorCode::NoDataAvailable;
    const size_t count = std::min(atomsPerFrame, _releasedAtoms.size());
    // A released frame leaves whole or waits: a full output queue loses nothing.
    if (!MutateSupport::OutputHasRoom(output, static_cast<int>(count)))
        return HyxErrorCode::NoDataAvailable;
    for (size_t i = 0; i < count; ++i) {
        std::shared_ptr<Atom> atom = std::move(_releasedAtoms.front());
        _releasedAtoms.pop_front();
        pushFromUpdate(std::move(atom));
    }
    return HyxErrorCode::Success;
}

} // namespace Hyx
