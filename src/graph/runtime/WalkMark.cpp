#include "graph/runtime/WalkMark.h"

namespace Hyx {

thread_local Graph::WalkMark* Graph::WalkMark::t_top = nullptr;

Graph::WalkMark::WalkMark(Graph& graph, bool endsRun, Kind kind)
    : _graph(graph), _kind(kind), _endsRun(endsRun), _below(t_top)
{
    t_top = this;
    if (_endsRun)
        _graph._runEndingWalks.fetch_add(1);
}

Graph::WalkMark::~WalkMark()
{
    t_top = _below;
    if (_endsRun)
        _graph._runEndingWalks.fetch_sub(1);
}

bool Graph::WalkMark::on(const Graph& graph, bool walk, bool pass)
{
    for (const WalkMark* mark = t_top; mark != nullptr; mark = mark->_below)
        if (&mark->_graph == &graph && (mark->_kind == Kind::Walk ? walk : pass))
            return true;
    return false;
}

Graph::WalkMark* Graph::WalkMark::outermost(const Graph& graph)
{
    WalkMark* found = nullptr;
    for (WalkMark* mark = t_top; mark != nullptr; mark = mark->_below)
        if (&mark->_graph == &graph && mark->_kind == Kind::Walk)
            found = mark;
    return found;
}

bool Graph::WalkMark::foldStop(const Graph& graph)
{
    WalkMark* const walk = outermost(graph);
    if (walk == nullptr)
        return false;
    walk->_stopFolded = true;
    return true;
}

std::exception_ptr Graph::WalkMark::endFoldedStop() noexcept
{
    return takeFoldedStop() ? _graph.endRun(false, nullptr) : nullptr;
}

} // namespace Hyx
