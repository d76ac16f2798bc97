#pragma once

#include <Hyx/Graph.h>

#include <exception>
#include <string>
#include <utility>

namespace Hyx {

/// Marks the calling thread as one that walks the filters (or runs an update pass, or takes a
/// filter into the graph) for the scope's length. Marks live on their own thread's stack, one chain a thread: a walk on
/// another thread can neither see nor clear them, whatever order two walks begin and end in,
/// and nothing is left once the scope ends. A call that a filter's hook or a listener makes
/// from a walking thread never runs inside the walk: a Stop is folded in (the outermost walk
/// carries it out once done), a Play or Pause is refused. Building calls and Update are
/// refused inside a walk, a pass and a building step alike; a building step leaves Play,
/// Pause and Stop to its hooks, as it walks no filters.
class Graph::WalkMark {
public:
    enum class Kind : unsigned {
        Walk = 1,
        Pass = 2,
        Build = 4 // a filter's hooks run by a building call (its pre-initialise and initialise)
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

    /// True when the calling thread holds a mark of one of `kinds` (a mask of Kind) on `graph`.
    static bool on(const Graph& graph, unsigned kinds)
    {
        for (const WalkMark* mark = t_top; mark != nullptr; mark = mark->_below)
            if (&mark->_graph == &graph && (static_cast<unsigned>(mark->_kind) & kinds) != 0)
                return true;
        return false;
    }
    static constexpr unsigned kWalk = static_cast<unsigned>(Kind::Walk);
    static constexpr unsigned kPass = static_cast<unsigned>(Kind::Pass);
    static constexpr unsigned kBuild = static_cast<unsigned>(Kind::Build);
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
