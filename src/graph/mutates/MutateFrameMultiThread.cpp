#include <Hyx/MutateMultiThread.h>

#include "graph/mutates/MutateSupport.h"
#include "graph/mutates/OrderedJobs.h"

#include <Hyx/Atom.h>
#include <Hyx/LoggerInstance.h>

namespace Hyx {

MutateFrameMultiThread::MutateFrameMultiThread(bool offerInputProfiles)
    : MutateMultiThreadBase(offerInputProfiles,
                            {THREADS_COUNT_PARAMNAME, DROP_FRAMES_WHEN_OCCUPIED_PARAMNAME,
                             DROPPED_FRAMES_COUNT_PARAMNAME, RESET_DROPPED_FRAMES_COUNTER_PARAMNAME},
                            "MutateFrameMultiThread"),
      _jobs(std::make_unique<OrderedJobs<std::shared_ptr<Frame>, Frame>>(
          workers(), "MutateFrameMultiThread",
          [this](void* resource, std::shared_ptr<Frame>& frame) { return onProcessFrameAtoms(resource, *frame); }))
{
}

MutateFrameMultiThread::~MutateFrameMultiThread()
{
    // No job may outlive the queues it works on.
    workers().Stop({});
}

void MutateFrameMultiThread::forgetItems()
{
    _jobs->Clear();
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
    if (workers().ShouldDrop()) {
        countDrop();
        const Atom& first = *complete->front();
        LogMessage(VornCommon::LogLevel::Info, "Dropping a frame (id: %d, timestamp: %lld)",
                   static_cast<int>(first.GetId()), static_cast<long long>(first.GetTimeStamp()));
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
        pushFromUpdate(std::move(atom));
    }
    return HyxErrorCode::Success;
}

} // namespace Hyx
