#pragma once

// Bounded first-in-first-out queue of shared atoms between two neighbouring filters.
//
// Contract:
// - Push never blocks: a full queue (or one of 0 slots) refuses at once and stays unchanged.
// - Pull blocks while the queue is empty; updating loops test HasPendingData first.
// - Flush never blocks: it drops every held atom and leaves one empty atom pointer (when a
//   slot exists), which the next Pull returns.
// - Safe between any number of producer and consumer threads; counts are snapshots.
// - Atoms travel as shared pointers; queuing never copies layer data.

#include <Hyx/Export.h>

#include <VornCommon/BlockingBoundedQueue.h>

#include <memory>
#include <utility>

namespace Hyx {

class Atom;

class HYX_API Queue {
public:
    /// One slot.
    Queue();
    /// A negative slot count counts as 0 (every push refused).
    explicit Queue(int slots);
    virtual ~Queue();
    Queue(const Queue&) = delete;
    Queue& operator=(const Queue&) = delete;

    /// The slot count.
    int GetNumSlots() const { return _slots; }
    /// Number of atoms held.
    int NumPendingData() const { return static_cast<int>(_queue->Size()); }
    /// Slots minus atoms held.
    int NumEmptySlots() const { return _slots - NumPendingData(); }
    /// True while a push would be taken.
    bool HasFreeSlots() const { return NumEmptySlots() > 0; }
    /// True while a pull would not wait.
    bool HasPendingData() const { return NumPendingData() > 0; }

    /// Appends the atom when a slot is free; false at once when the queue is full. (The
    /// fullness test and the append are one step, so no producer ever waits here.)
    bool Push(std::shared_ptr<Atom> atom) const { return _queue->TryPush(std::move(atom)); }
    /// Waits for an atom and takes the oldest.
    std::shared_ptr<Atom> Pull() const { return _queue->Pull(); }
    /// Drops every atom, then leaves one empty atom pointer when a slot exists.
    void Flush() const;

private:
    const int _slots;
    const std::shared_ptr<VornCommon::BlockingBoundedQueue<std::shared_ptr<Atom>>> _queue;
};

} // namespace Hyx
