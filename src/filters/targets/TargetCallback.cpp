#include "filters/targets/AtomsListenerRegistry.h"
#include "graph/filters/InputSide.h"
#include "graph/mutates/MutateSupport.h"
#include "impl/core/BuiltInRegistration.h"

#include <Hyx/Atom.h>
#include <Hyx/FilterParamNumeric.h>
#include <Hyx/LoggerInstance.h>
#include <Hyx/TargetCallback.h>

#include <algorithm>
#include <limits>

namespace Hyx {

HYX_BUILTIN_FILTER(TargetCallback);

TargetCallback::TargetCallback()
    : Target(false),
      // The whole positive range: real heap addresses lie far above 2^32.
      _listenerParam(std::make_shared<FilterParamInt64>(ATOM_LISTENER_PTR_PARAMNAME, 0u, 0LL, 0LL,
                                                        std::numeric_limits<long long>::max()))
{
}

TargetCallback::~TargetCallback() = default;

void TargetCallback::SetAtomsListener(IAtomsListener* listener)
{
    const auto address = static_cast<long long>(reinterpret_cast<uintptr_t>(listener));
    const long long previous = _listenerParam->GetValue();
    _listenerParam->SetValue(address);
    // Once this returns the old listener is no longer in use and may be destroyed.
    if (previous != 0 && previous != address)
        AtomsListenerRegistry::WaitForCalls(static_cast<uintptr_t>(previous));
}

void TargetCallback::OnFrameOrderReset()
{
    std::lock_guard<std::mutex> lock(_mutex);
    _pendingAtoms.clear();
}

HyxErrorCode TargetCallback::onInitializeParams(Filter* upstream)
{
    const HyxErrorCode result = Target::onInitializeParams(upstream);
    if (result != HyxErrorCode::Success)
        return result;
    addParam(_listenerParam, true);
    return HyxErrorCode::Success;
}

HyxErrorCode TargetCallback::onPlay()
{
    if (GetFilterState() == FilterState::Connected) {
        {
            std::lock_guard<std::mutex> lock(_mutex);
            _pendingAtoms.clear();
        }
        MutateSupport::ListenToFrameOrderResets(GetGraph(), this, true);
    }
    return Target::onPlay();
}

HyxErrorCode TargetCallback::onStop()
{
    MutateSupport::ListenToFrameOrderResets(GetGraph(), this, false);
    return Target::onStop();
}

HyxErrorCode TargetCallback::onProcessFrame(std::shared_ptr<Atom> atom)
{
    const size_t numStreams = static_cast<size_t>(std::max(1, GetInputNumStreams()));
    std::vector<std::shared_ptr<Atom>> frame;
    {
        std::lock_guard<std::mutex> lock(_mutex);
        _pendingAtoms.push_back(Atom::Copy(atom, -1, true));
        if (_pendingAtoms.size() < numStreams)
            return HyxErrorCode::Success;
        frame.swap(_pendingAtoms);
    }
    uintptr_t address = 0;
    bool called = false;
    try {
        called = AtomsListenerRegistry::Call(*_listenerParam, frame, address);
    } catch (...) {
        // The frame was handed out: the atom that completed it counts as processed, as the
        // ones before it did, though the update cycle never gets to count it. A run stopped
        // from inside the listener counts nothing more, as after any stop.
        if (IsRunning(*this))
            IncrementAtomsProcessed();
        throw;
    }
    if (called || address == 0)
        return HyxErrorCode::Success;
    if (firstRefusal(static_cast<long long>(address)))
        LogMessage(VornCommon::LogLevel::Error, "Callback target: no atoms listener lives at %lld; frames are dropped",
                   static_cast<long long>(address));
    return HyxErrorCode::Success;
}

bool TargetCallback::firstRefusal(long long address)
{
    std::lock_guard<std::mutex> lock(_mutex);
    const auto end = _refusedListeners.begin() + static_cast<std::ptrdiff_t>(_refusedCount);
    if (std::find(_refusedListeners.begin(), end, address) != end)
        return false;
    // Full: the oldest value makes room, and would be logged again if it came back.
    if (_refusedCount == _refusedListeners.size()) {
        std::move(_refusedListeners.begin() + 1, _refusedListeners.end(), _refusedListeners.begin());
        --_refusedCount;
    }
    _refusedListeners[_refusedCount++] = address;
    return true;
}

} // namespace Hyx
