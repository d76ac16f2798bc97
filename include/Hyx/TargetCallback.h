#pragma once

// Targets that end a graph for the host: TargetCallback hands every complete frame (one atom
// per input stream) to the host's IAtomsListener; TargetEmpty keeps only the most recent
// complete frame for the host to fetch.
//
// Contract:
// - Atoms are grouped purely by count: the next GetInputNumStreams atoms, in arrival order,
//   make a frame. A frame-order reset (any thread) forgets a half-gathered frame. A play
//   from the stopped state forgets pending atoms; resuming from pause keeps them.
// - The atoms handed out are copies that share the incoming layers (no payload copies).
// - "Atom listener ptr" holds the listener's address (0: none), set with SetAtomsListener or
//   as decimal text. A listener is called only while that address belongs to a live
//   IAtomsListener: listeners register themselves when constructed and leave when
//   destroyed; any other value is never called. The first frame it drops logs a level-2
//   line, "Callback target: no atoms listener lives at <value>; frames are dropped", once
//   per value and target: the target remembers the last 16 values it refused (a fixed
//   cost), so only a value that comes back after 16 others were refused is told again.
//   The address belongs to this process: a graph file saved from the descriptions of a graph
//   holds it, and loaded in another process, where no listener lives there, its target drops
//   the frames with that line. A host clears it (SetAtomsListener(nullptr), saved as 0)
//   before it saves or shares such a file.
// - The listener is called on the thread that updates the graph, outside the target's
//   locks, and the address is read anew for every frame. SetAtomsListener returns only once
//   the previous listener is no longer being called (unless called from inside that call),
//   so a host replaces or clears its listener there before destroying it; a listener's own
//   destructor also waits for a call in progress, but only after the derived part is gone.
// - A listener that throws loses that frame (it counts as handed out: GetNumAtomsProcessed
//   includes its atoms, on the host's thread and on the worker alike), and the target stays
//   usable. On a graph the host updates, the exception leaves Graph::Update to the host and
//   the next Update goes on with the following frames. On an AsyncGraph's worker it ends
//   the run as a failing filter does (AsyncGraph.h): listeners hear Error, then Stopped; the
//   error text is "Graph update failed(Filter '<this target's nice class name>' threw:
//   <what()>)", and one level-2 line tells it. The host may then Stop and Play a new run.
// - TargetEmpty: after an update in which no atom arrived, GetRecentCachedAtoms is empty.
//   The pending and recent frames are guarded, so hosts may fetch from any thread.

#include <Hyx/Export.h>
#include <Hyx/FrameOrderProvider.h>
#include <Hyx/Target.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace Hyx {

class Atom;
class FilterParamInt64;

/// The host's receiver of frames; registers itself while it lives.
class HYX_API IAtomsListener {
public:
    IAtomsListener();
    /// A copy is a listener of its own.
    IAtomsListener(const IAtomsListener& other);
    IAtomsListener& operator=(const IAtomsListener& other);
    /// Leaves the registry; waits for calls in progress on other threads.
    virtual ~IAtomsListener();
    /// Receives the atoms of one frame, in arrival order.
    virtual void OnAtomsReceived(std::vector<std::shared_ptr<Atom>>& atoms) = 0;
};

class HYX_API TargetCallback : public Target, public IFrameOrderResetListener {
public:
    static constexpr const char* ATOM_LISTENER_PTR_PARAMNAME = "Atom listener ptr";

    TargetCallback();
    ~TargetCallback() override;

    static VornCommon::Guid TheTypeGuid();
    static FilterClassInfo TheFilterClassInfo();
    VornCommon::Guid TypeGuid() const override;
    FilterClassInfo GetFilterClassInfo() const override;

    /// Stores the listener's address (null for none); notifies only when it changes. Then
    /// waits until the previous listener is no longer being called on another thread.
    void SetAtomsListener(IAtomsListener* listener);
    /// Forgets a half-gathered frame.
    void OnFrameOrderReset() override;

protected:
    /// Lists "Atom listener ptr".
    HyxErrorCode onInitializeParams(Filter* upstream) override;
    /// From the stopped state: forgets pending atoms and listens to frame-order resets.
    HyxErrorCode onPlay() override;
    /// Stops listening to frame-order resets.
    HyxErrorCode onStop() override;
    /// Gathers the atom; a complete frame goes to the listener.
    HyxErrorCode onProcessFrame(std::shared_ptr<Atom> atom) override;

private:
    /// True the first time the value is refused (as far as the remembered values reach).
    bool firstRefusal(long long address);

    const std::shared_ptr<FilterParamInt64> _listenerParam;
    std::vector<std::shared_ptr<Atom>> _pendingAtoms;
    std::mutex _mutex;
    // The values refused, oldest first, so each is logged once; guarded by _mutex.
    std::array<long long, 16> _refusedListeners{};
    size_t _refusedCount = 0;
};

class HYX_API TargetEmpty : public Target, public IFrameOrderResetListener {
public:
    TargetEmpty();
    ~TargetEmpty() override;

    static VornCommon::Guid TheTypeGuid();
    static FilterClassInfo TheFilterClassInfo();
    VornCommon::Guid TypeGuid() const override;
    FilterClassInfo GetFilterClassInfo() const override;

    /// A copy of the last complete frame; empty when none arrived in the last update.
    std::vector<std::shared_ptr<Atom>> GetRecentCachedAtoms() const;
    /// Forgets a half-gathered frame.
    void OnFrameOrderReset() override;

protected:
    /// From the stopped state: forgets every atom and listens to frame-order resets.
    HyxErrorCode onPlay() override;
    /// Stops listening to frame-order resets.
    HyxErrorCode onStop() override;
    /// Gathers the atom; a complete frame becomes the recent one.
    HyxErrorCode onProcessFrame(std::shared_ptr<Atom> atom) override;
    /// Forgets the recent frame when nothing arrived during the update.
    HyxErrorCode onPostUpdate() override;

private:
    std::vector<std::shared_ptr<Atom>> _pendingAtoms;
    std::vector<std::shared_ptr<Atom>> _recentCachedAtoms;
    bool _arrived = false;
    mutable std::mutex _mutex;
};

/// New filters, owned by the caller.
HYX_API Filter* TargetCallbackFilterCreator();
HYX_API Filter* TargetEmptyFilterCreator();

} // namespace Hyx
