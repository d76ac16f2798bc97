#include <Hyx/MutateMultiThread.h>

#include "MutateSupport.h"
#include "OrderedJobs.h"

#include <Hyx/Atom.h>
#include <Hyx/FilterParamNumeric.h>
#include <Hyx/FilterParamText.h>
#include <Hyx/Graph.h>
#include <Hyx/LoggerInstance.h>

#include <exception>

namespace Hyx {

MutateFrameMultiThread::MutateFrameMultiThread(bool offerInputProfiles)
    : Mutate(offerInputProfiles),
      _jobs(std::make_unique<OrderedJobs<std::shared_ptr<Frame>, Frame>>(
          "MutateFrameMultiThread",
          [this](void* resource, std::shared_ptr<Frame>& frame) { return onProcessFrameAtoms(resource, *frame); }))
{
}

MutateFrameMultiThread::~MutateFrameMultiThread() = default;

void* MutateFrameMultiThread::AllocateThreadResource(unsigned)
{
    return nullptr;
}

void MutateFrameMultiThread::ReleaseThreadResource(void*)
{
}

HyxErrorCode MutateFrameMultiThread::onInitializeParams(Filter* upstream)
{
    const HyxErrorCode result = Mutate::onInitializeParams(upstream);
    if (result != HyxErrorCode::Success)
        return result;
    MutateSupport::CreateOnce(_threadsCountParam, THREADS_COUNT_PARAMNAME, 1u, 1u, 1u, 4294967295u);
    MutateSupport::CreateOnce(_dropParam, DROP_FRAMES_WHEN_OCCUPIED_PARAMNAME, 1u, true);
    if (!_droppedCountParam)
        _droppedCountParam = MutateSupport::MakeDroppedCounter(DROPPED_FRAMES_COUNT_PARAMNAME);
    MutateSupport::CreateOnce(_resetDroppedParam, RESET_DROPPED_FRAMES_COUNTER_PARAMNAME, 0u);
    for (const std::shared_ptr<FilterParam>& param : MutateSupport::ParamList(_threadsCountParam, _dropParam,
                                                                              _droppedCountParam, _resetDroppedParam))
        addParam(param);
    return HyxErrorCode::Success;
}

void MutateFrameMultiThread::cbiParameterValueChanged(std::shared_ptr<FilterParam> param, const char* value)
{
    if (param && param == _resetDroppedParam)
        MutateSupport::ResetDrops(_droppedCountParam.get());
    Mutate::cbiParameterValueChanged(std::move(param), value);
}

HyxErrorCode MutateFrameMultiThread::onPlay()
{
    if (GetFilterState() != FilterState::Connected)
        return HyxErrorCode::Success; // resuming: pool, resources, frames and count stay
    try {
        _jobs->Start(MutateSupport::WorkerCount(_threadsCountParam.get()), !_dropParam || _dropParam->GetValue(),
                     [this](unsigned worker) { return AllocateThreadResource(worker); });
    } catch (const std::exception& e) {
        return ReportError(HyxErrorCode::FilterError, e.what());
    }
    MutateSupport::ResetDrops(_droppedCountParam.get());
    MutateSupport::ListenToFrameOrderResets(GetGraph(), this, true);
    return HyxErrorCode::Success;
}

HyxErrorCode MutateFrameMultiThread::onStop()
{
    _jobs->Stop([this](void* resource) { ReleaseThreadResource(resource); });
    {
        std::lock_guard<std::mutex> lock(_frameMutex);
        _currentFrame.reset();
        _outputAtoms.clear();
    }
    MutateSupport::ResetDrops(_droppedCountParam.get());
    MutateSupport::ListenToFrameOrderResets(GetGraph(), this, false);
    return HyxErrorCode::Success;
}

void MutateFrameMultiThread::OnFrameOrderReset()
{
    _jobs->Reset();
    std::lock_guard<std::mutex> lock(_frameMutex);
    _currentFrame.reset();
    _outputAtoms.clear();
}

bool MutateFrameMultiThread::IsDone() const
{
    if (!Mutate::IsDone() || !_jobs->IsIdle())
        return false;
    std::lock_guard<std::mutex> lock(_frameMutex);
    return (!_currentFrame || _currentFrame->empty()) && _outputAtoms.empty();
}

std::shared_ptr<Profile> MutateFrameMultiThread::onGenerateOutputProfile(Filter* upstream, std::shared_ptr<Profile>)
{
    return upstream != nullptr ? upstream->GetAggregatedOutputProfile() : std::shared_ptr<Profile>();
}

void MutateFrameMultiThread::drainFinished()
{
    Frame finished;
    while (_jobs->TakeFinished(finished)) {
        for (std::shared_ptr<Atom>& atom : finished)
            if (atom)
                _outputAtoms.push_back(std::move(atom));
        finished.clear();
    }
}

HyxErrorCode MutateFrameMultiThread::onCreateFrame(std::shared_ptr<Atom> input, std::shared_ptr<Atom>& output)
{
    HyxErrorCode result = HyxErrorCode::NoDataAvailable;
    std::shared_ptr<Frame> complete;
    {
        std::lock_guard<std::mutex> lock(_frameMutex);
        drainFinished();
        if (!_outputAtoms.empty()) {
            output = std::move(_outputAtoms.front());
            _outputAtoms.pop_front();
            result = HyxErrorCode::Success;
        }
        if (input) {
            if (!_currentFrame)
                _currentFrame = std::make_shared<Frame>();
            _currentFrame->push_back(std::move(input));
            if (static_cast<long long>(_currentFrame->size()) >= static_cast<long long>(GetInputNumStreams()))
                complete = std::exchange(_currentFrame, nullptr);
        }
    }
    if (!complete)
        return result;
    if (_jobs->ShouldDrop()) {
        MutateSupport::CountDrop(*_droppedCountParam);
        const Atom& first = *complete->front();
        LogMessage(VornCommon::LogLevel::Info, "Dropping a frame (id: %d, timestamp: %lld)", static_cast<int>(first.GetId()),
                   static_cast<long long>(first.GetTimeStamp()));
        return result;
    }
    _jobs->Submit(std::move(complete));
    return result;
}

HyxErrorCode MutateFrameMultiThread::onPostUpdate()
{
    const std::shared_ptr<Connection> output = getOutputConnection();
    std::lock_guard<std::mutex> lock(_frameMutex);
    drainFinished();
    while (!_outputAtoms.empty() && MutateSupport::OutputHasRoom(output, 1)) {
        std::shared_ptr<Atom> atom = std::move(_outputAtoms.front());
        _outputAtoms.pop_front();
        pushToOutputQueue(std::move(atom));
    }
    return HyxErrorCode::Success;
}

} // namespace Hyx
