#include <Hyx/MutateMultiThread.h>

#include "graph/mutates/MutateSupport.h"
#include "graph/mutates/WorkerPool.h"

#include <Hyx/FilterParamNumeric.h>
#include <Hyx/FilterParamText.h>

#include <exception>

namespace Hyx {

MutateMultiThreadBase::MutateMultiThreadBase(bool offerInputProfiles, const ParamNames& names, const char* threadName)
    : Mutate(offerInputProfiles), _names(names), _workers(std::make_unique<WorkerPool>(threadName))
{
}

MutateMultiThreadBase::~MutateMultiThreadBase() = default;

void* MutateMultiThreadBase::AllocateThreadResource(unsigned)
{
    return nullptr;
}

void MutateMultiThreadBase::ReleaseThreadResource(void*)
{
}

HyxErrorCode MutateMultiThreadBase::onInitializeParams(Filter* upstream)
{
    const HyxErrorCode result = Mutate::onInitializeParams(upstream);
    if (result != HyxErrorCode::Success)
        return result;
    const MutateSupport::DropParamSpec spec{
        _names.threadsCount, 1u, 1u, _names.dropWhenOccupied, 1u, _names.droppedCount, _names.resetDroppedCounter};
    for (const std::shared_ptr<FilterParam>& param :
         MutateSupport::CreateDropParams(spec, _threadsCountParam, _dropParam, _droppedCountParam, _resetDroppedParam))
        addParam(param);
    return HyxErrorCode::Success;
}

void MutateMultiThreadBase::cbiParameterValueChanged(std::shared_ptr<FilterParam> param, const char* value)
{
    if (param && param == _resetDroppedParam)
        MutateSupport::ResetDrops(_droppedCountParam.get());
    Mutate::cbiParameterValueChanged(std::move(param), value);
}

HyxErrorCode MutateMultiThreadBase::onPlay()
{
    if (GetFilterState() != FilterState::Connected)
        return HyxErrorCode::Success; // resuming: pool, resources, items and count stay
    const uint32_t threads = _threadsCountParam ? _threadsCountParam->GetValue() : 1u;
    try {
        _workers->Start(threads == 0 ? 1u : threads, !_dropParam || _dropParam->GetValue(),
                        [this](unsigned worker) { return AllocateThreadResource(worker); });
    } catch (const std::exception& e) {
        // "Threads count" comes from hosts and graph files: more workers than the system can
        // start fail this start, not the process.
        return ReportError(HyxErrorCode::FilterError, e.what());
    }
    MutateSupport::ResetDrops(_droppedCountParam.get());
    MutateSupport::ListenToFrameOrderResets(GetGraph(), this, true);
    return HyxErrorCode::Success;
}

HyxErrorCode MutateMultiThreadBase::onStop()
{
    _workers->Stop([this](void* resource) { ReleaseThreadResource(resource); });
    forgetItems();
    MutateSupport::ResetDrops(_droppedCountParam.get());
    MutateSupport::ListenToFrameOrderResets(GetGraph(), this, false);
    return HyxErrorCode::Success;
}

void MutateMultiThreadBase::OnFrameOrderReset()
{
    _workers->DiscardWaitingJobs();
    forgetItems();
}

void MutateMultiThreadBase::countDrop()
{
    MutateSupport::CountDrop(*_droppedCountParam);
}

std::shared_ptr<Profile> MutateMultiThreadBase::onGenerateOutputProfile(Filter* upstream, std::shared_ptr<Profile>)
{
    return upstream != nullptr ? upstream->GetAggregatedOutputProfile() : std::shared_ptr<Profile>();
}

} // namespace Hyx
