#pragma once

#include <Hyx/Graph.h>

#include <exception>
#include <string>
#include <utility>

namespace Hyx {

/// Marks the calling thread as one that walks the filters (or runs an update pass) for the
/// scope's length. Marks live on their own thread's stack, one chain a thread: a walk on
/// another thread can neither see nor clear them, whatever order two walks begin and end in,
/// and nothing is left once the scope ends. A call that a filter's hook or a listener makes
/// from a walking thread never runs inside the walk: a Stop is folded in (the outermost walk
/// carries it out once done), a Play or Pause is refused. Building calls and Update are
/// refused inside a walk and inside a pass alike.
class Graph::WalkMark {
public:
    enum class Kind {
        Walk,
        Pass
    };

    // Inline, as every update pass takes a mark: the thread's chain is looked up once a call.
    WalkMark(Graph& graph, bool endsRun, Kind kind = Kind::Walk)
        : _graph(graph), _kind(kind), _endsRun(endsRun), _below(t_top)
    {
        t_top = this;
        if (_endsRun)
            _graph._runEndingWalks.fetch_add(1);
    }
    ~WalkMark()
    {
        t_top = _below;
        if (_endsRun)
            _graph._runEndingWalks.fetch_sub(1);
    }
    WalkMark(const WalkMark&) = delete;
    WalkMark& operator=(const WalkMark&) = delete;

    /// The detail of a call refused inside a walk.
    static inline const std::string kRefusal{"it is changing state"};

    /// True when the calling thread walks `graph`'s filters (`walk`) or runs its update pass
    /// (`pass`).
    static bool on(const Graph& graph, bool walk, bool pass)
    {
        for (const WalkMark* mark = t_top; mark != nullptr; mark = mark->_below)
            if (&mark->_graph == &graph && (mark->_kind == Kind::Walk ? walk : pass))
                return true;
        return false;
    }
    /// Records a Stop asked inside a walk of `graph` on this thread with its outermost walk;
    /// false when this thread walks no filters of `graph`.
    static bool foldStop(const Graph& graph);

    /// Once the outermost walk's work is done: a Stop folded into it ends the run now.
    std::exception_ptr endFoldedStop() noexcept;
    /// True once when a Stop was folded into this walk; the caller carries it out.
    bool takeFoldedStop() noexcept { return std::exchange(_stopFolded, false); }

private:
    /// The outermost walk of `graph` on this thread; null when there is none.
    static WalkMark* outermost(const Graph& graph);

    // The calling thread's innermost mark, of any graph. Eight bytes of the static block: read
    // without a call, as every update pass reads it.
    [[gnu::tls_model("initial-exec")]] static inline constinit thread_local WalkMark* t_top = nullptr;

    Graph& _graph;
    const Kind _kind;
    const bool _endsRun;
    WalkMark* const _below; // the thread's mark before this one
    bool _stopFolded = false;
};

} // namespace Hyx
