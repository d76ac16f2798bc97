#include "graph/mutates/MutateSupport.h"
#include "impl/core/BuiltInRegistration.h"

#include <Hyx/Atom.h>
#include <Hyx/TargetCallback.h>

#include <algorithm>

namespace Hyx {

HYX_BUILTIN_FILTER(TargetEmpty);

TargetEmpty::TargetEmpty() : Target(false)
{
}

TargetEmpty::~TargetEmpty() = default;

std::vector<std::shared_ptr<Atom>> TargetEmpty::GetRecentCachedAtoms() const
{
    std::lock_guard<std::mutex> lock(_mutex);
    return _recentCachedAtoms;
}

void TargetEmpty::OnFrameOrderReset()
{
    std::lock_guard<std::mutex> lock(_mutex);
    _pendingAtoms.clear();
}

HyxErrorCode TargetEmpty::onPlay()
{
    if (GetFilterState() == FilterState::Connected) {
        {
            std::lock_guard<std::mutex> lock(_mutex);
            _pendingAtoms.clear();
            _recentCachedAtoms.clear();
            _arrived = false;
        }
        MutateSupport::ListenToFrameOrderResets(GetGraph(), this, true);
    }
    return Target::onPlay();
}

HyxErrorCode TargetEmpty::onStop()
{
    MutateSupport::ListenToFrameOrderResets(GetGraph(), this, false);
    return Target::onStop();
}

HyxErrorCode TargetEmpty::onProcessFrame(std::shared_ptr<Atom> atom)
{
    const size_t numStreams = static_cast<size_t>(std::max(1, GetInputNumStreams()));
    std::lock_guard<std::mutex> lock(_mutex);
    _arrived = true;
    _pendingAtoms.push_back(Atom::Copy(atom, -1, true));
    if (_pendingAtoms.size() >= numStreams) {
        _recentCachedAtoms.swap(_pendingAtoms);
        _pendingAtoms.clear();
    }
    return HyxErrorCode::Success;
}

HyxErrorCode TargetEmpty::onPostUpdate()
{
    std::lock_guard<std::mutex> lock(_mutex);
    if (_arrived)
        _arrived = false;
    else
        _recentCachedAtoms.clear();
    return HyxErrorCode::Success;
}

} // namespace Hyx
