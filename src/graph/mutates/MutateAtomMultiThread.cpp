#include <Hyx/MutateMultiThread.h>

#include "graph/mutates/MutateSupport.h"
#include "graph/mutates/OrderedJobs.h"

#include <Hyx/Atom.h>
#include <Hyx/LoggerInstance.h>

namespace Hyx {

MutateAtomMultiThread::MutateAtomMultiThread(bool offerInputProfiles)
    : MutateMultiThreadBase(offerInputProfiles,
                            {THREADS_COUNT_PARAMNAME, DROP_ATOMS_WHEN_OCCUPIED_PARAMNAME, DROPPED_ATOMS_COUNT_PARAMNAME,
                             RESET_DROPPED_ATOMS_COUNTER_PARAMNAME},
                            "MutateAtomMultiThread"),
      _jobs(std::make_unique<OrderedJobs<std::shared_ptr<Atom>, std::shared_ptr<Atom>>>(
          workers(), "MutateAtomMultiThread",
          [this](void* resource, std::shared_ptr<Atom>& atom) { return onProcessAtom(resource, atom); }))
{
}

MutateAtomMultiThread::~MutateAtomMultiThread()
{
    // No job may outlive the queues it works on.
    workers().Stop({});
}

void MutateAtomMultiThread::forgetItems()
{
    _jobs->Clear();
}

bool MutateAtomMultiThread::IsDone() const
{
    return Mutate::IsDone() && _jobs->IsIdle();
}

HyxErrorCode MutateAtomMultiThread::onCreateFrame(std::shared_ptr<Atom> input, std::shared_ptr<Atom>& output)
{
    const HyxErrorCode result = _jobs->TakeFinished(output) ? HyxErrorCode::Success : HyxErrorCode::NoDataAvailable;
    if (!input)
        return result;
    if (workers().ShouldDrop()) {
        countDrop();
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
            pushFromUpdate(std::move(atom));
        atom.reset();
    }
    return HyxErrorCode::Success;
}

} // namespace Hyx
