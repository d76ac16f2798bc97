#pragma once

// The edge between two neighbouring filters of a graph: one bounded queue of atoms that the
// upstream (input) filter pushes into and the downstream (output) filter pulls from.
//
// Contract:
// - Created by the graph as a shared object with 1000 slots; the graph owns it, the filters
//   hold weak references, and it holds only weak references to the graph and the filters.
// - Connect joins the upstream side first, then the downstream side, and returns the code of
//   the filter that refused.
// - Disconnect asks the graph to undo the join; without a graph there is nothing to undo.
// - Queue operations follow Queue: pushes never block, pulls block while empty.

#include <Hyx/Export.h>
#include <Hyx/HyxErrorCode.h>
#include <Hyx/Queue.h>

#include <memory>

namespace Hyx {

class Atom;
class Filter;
class Graph;

class HYX_API Connection : public std::enable_shared_from_this<Connection> {
public:
    /// A queue of `slots` slots for the graph's filters.
    Connection(std::shared_ptr<Graph> graph, int slots);
    virtual ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    /// Makes this the output connection of `input`, then the input connection of `output`.
    /// Returns 0, or the refusing filter's code (the output filter is untouched when the
    /// input filter refuses).
    HyxErrorCode Connect(std::shared_ptr<Filter> input, std::shared_ptr<Filter> output);
    /// True when the graph undid the join, or when the graph is gone.
    bool Disconnect() const;

    /// The upstream filter; empty when none was recorded or it is gone.
    std::shared_ptr<Filter> GetInputFilter() const { return _inputFilter.lock(); }
    /// The downstream filter; empty when none was recorded or it is gone.
    std::shared_ptr<Filter> GetOutputFilter() const { return _outputFilter.lock(); }

    /// The queue operations of the same names.
    int GetNumSlots() const { return _queue->GetNumSlots(); }
    int NumEmptySlots() const { return _queue->NumEmptySlots(); }
    int NumPendingData() const { return _queue->NumPendingData(); }
    bool HasFreeSlots() const { return _queue->HasFreeSlots(); }
    bool HasPendingData() const { return _queue->HasPendingData(); }
    /// Appends the atom when a slot is free; false at once when full.
    bool PushToQueue(std::shared_ptr<Atom> atom) const { return _queue->Push(std::move(atom)); }
    /// Waits for an atom and takes the oldest.
    std::shared_ptr<Atom> Pull() const { return _queue->Pull(); }
    /// Drops every atom and leaves one empty atom pointer.
    void Flush() const { _queue->Flush(); }

private:
    const std::shared_ptr<Queue> _queue;
    const std::weak_ptr<Graph> _graph;
    std::weak_ptr<Filter> _inputFilter;
    std::weak_ptr<Filter> _outputFilter;
};

} // namespace Hyx
