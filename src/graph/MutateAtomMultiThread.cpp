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

MutateAtomMultiThread::MutateAtomMultiThread(bool offerInputProfiles)
    : Mutate(offerInputProfiles),
      _jobs(std::make_unique<OrderedJobs<std::shared_ptr<Atom>, std::shared_ptr<Atom>>>(
          "MutateAtomMultiThread",
          [this](void* resource, std::shared_ptr<Atom>& atom) { return onProcessAtom(resource, atom); }))
{
}

MutateAtomMultiThread::~MutateAtomMultiThread() = default;

void* MutateAtomMultiThread::AllocateThreadResource(unsigned)
{
    return nullptr;
}

void MutateAtomMultiThread::ReleaseThreadResource(void*)
{
}

HyxErrorCode MutateAtomMultiThread::onInitializeParams(Filter* upstream)
{
    const HyxErrorCode result = Mutate::onInitializeParams(upstream);
    if (result != HyxErrorCode::Success)
        return result;
    MutateSupport::CreateOnce(_threadsCountParam, THREADS_COUNT_PARAMNAME, 1u, 1u, 1u, 4294967295u);
    MutateSupport::CreateOnce(_dropParam, DROP_ATOMS_WHEN_OCCUPIED_PARAMNAME, 1u, true);
    if (!_droppedCountParam)
        _droppedCountParam = MutateSupport::MakeDroppedCounter(DROPPED_ATOMS_COUNT_PARAMNAME);
    MutateSupport::CreateOnce(_resetDroppedParam, RESET_DROPPED_ATOMS_COUNTER_PARAMNAME, 0u);
    for (const std::shared_ptr<FilterParam>& param : MutateSupport::ParamList(_threadsCountParam, _dropParam,
                                                                              _droppedCountParam, _resetDroppedParam))
        addParam(param);
    return HyxErrorCode::Success;
}

void MutateAtomMultiThread::cbiParameterValueChanged(std::shared_ptr<FilterParam> param, const char* value)
{
    if (param && param == _resetDroppedParam)
        MutateSupport::ResetDrops(_droppedCountParam.get());
    Mutate::cbiParameterValueChanged(std::move(param), value);
}

HyxErrorCode MutateAtomMultiThread::onPlay()
{
    if (GetFilterState() != FilterState::Connected)
        return HyxErrorCode::Success; // resuming: pool, resources and count stay
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

HyxErrorCode MutateAtomMultiThread::onStop()
{
    _jobs->Stop([this](void* resource) { ReleaseThreadResource(resource); });
    MutateSupport::ResetDrops(_droppedCountParam.get());
    MutateSupport::ListenToFrameOrderResets(GetGraph(), this, false);
    return HyxErrorCode::Success;
}

void MutateAtomMultiThread::OnFrameOrderReset()
{
    _jobs->Reset();
}

bool MutateAtomMultiThread::IsDone() const
{
    return Mutate::IsDone() && _jobs->IsIdle();
}

std::shared_ptr<Profile> MutateAtomMultiThread::onGenerateOutputProfile(Filter* upstream, std::shared_ptr<Profile>)
{
    return upstream != nullptr ? upstream->GetAggregatedOutputProfile() : std::shared_ptr<Profile>();
}

HyxErrorCode MutateAtomMultiThread::onCreateFrame(std::shared_ptr<Atom> input, std::shared_ptr<Atom>& output)
{
    const HyxErrorCode result = _jobs->TakeFinished(output) ? HyxErrorCode::Success : HyxErrorCode::NoDataAvailable;
    if (!input)
        return result;
    if (_jobs->ShouldDrop()) {
        MutateSupport::CountDrop(*_droppedCountParam);
        const uint32_t id = input->GetId();
        LogMessage(VornCommon::LogLevel::Info, "Dropping an atom (id: %d, stream: %d, timestamp: %lld)",
                   static_cast<int>(id), static_cast<int>(id & 63u), static_cast<long long>(input->GetTimeStamp()));
        return result;
    }
    // A shallow copy: a worker may change the block list without touching the upstream atom.
    _jobs->Submit(Atom::Copy(input, -1, true));
    return result;
}

HyxErrorCode MutateAtomMultiThread::onPostUpdate()
{
    const std::shared_ptr<Connection> output = getOutputConnection();
    std::shared_ptr<Atom> atom;
    while (MutateSupport::OutputHasRoom(output, 1) && _jobs->TakeFinished(atom)) {
        if (atom)
            pushToOutputQueue(std::move(atom));
        atom.reset();
    }
    return HyxErrorCode::Success;
}

} // namespace Hyx
