#pragma once

#include <Hyx/Graph.h>

#include <exception>
#include <string>
#include <thread>

namespace Hyx {

/// Marks the calling thread as the one that walks the filters, for the scope's length. A call
/// that a filter's hook or a listener makes from it meanwhile never runs inside the walk: a Stop
/// is folded in (the outermost walk carries it out once done), a Play or Pause is refused. An
/// inner walk (a run's end inside a failed put-back) leaves the outer mark standing.
class Graph::WalkMark {
public:
    WalkMark(Graph& graph, bool endsRun)
        : _graph(graph),
          _outer(graph._walkingOn.exchange(std::this_thread::get_id())),
          _outerEndsRun(graph._runEnding.exchange(endsRun || graph._runEnding.load()))
    {
    }
    ~WalkMark()
    {
        // A Stop folded into a walk that ended the run anyway asks for nothing more.
        if (outermost())
            _graph._stopFolded.store(false);
        _graph._runEnding.store(_outerEndsRun);
        _graph._walkingOn.store(_outer);
    }
    WalkMark(const WalkMark&) = delete;
    WalkMark& operator=(const WalkMark&) = delete;

    /// The detail of a call refused inside a walk.
    static inline const std::string kRefusal{"it is changing state"};

    /// Once the outermost walk's work is done: a Stop folded into it ends the run now.
    std::exception_ptr endFoldedStop() noexcept
    {
        if (!outermost() || !_graph._stopFolded.exchange(false))
            return nullptr;
        return _graph.endRun(false, nullptr);
    }

private:
    bool outermost() const { return _outer != std::this_thread::get_id(); }

    Graph& _graph;
    const std::thread::id _outer;
    const bool _outerEndsRun;
};

} // namespace Hyx
